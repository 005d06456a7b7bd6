#pragma once

#include <QObject>
#include <QPointer>

#include <string>
#include <string_view>
#include <vector>

class QAction;
class QString;
class QWidget;

// The widget side of the language manager: translates windows from the form sections of the loaded language file
// and writes a window's texts out as a form section (the way the form sections of language files are made).
//
// A form section is named after a window class. Its first line is the window title ("." keeps it; a leading "$" is
// dropped); then come component blocks, each a marker line ".@" + object name (a final "$" is not part of the
// name) followed by the component's text lines. Which lines a component takes depends on its kind:
//   label, push button, check box, radio button, group box, menu, action: caption, then the hint;
//   combo box, list widget: the hint or ".", then one line per item (the selected index stays);
//   plain-text or text edit: the hint or ".", then the text;
//   tab widget: one line per page; a page of a tab widget (imported only): its tab caption;
//   any other widget: its hint (tool tip); controls implementing ITranslatable: their own layout.
// A hint is a widget's tool tip and an action's status tip. A line break inside a one-line value is written "\N".

namespace kvn {

class TLanguage;

// A control that exports and imports its own block of a form section.
class ITranslatable {
public:
    virtual ~ITranslatable() = default;
    // The control's block: its text lines separated by CR LF, without the marker line; empty for nothing to export.
    virtual std::string GetTexts() const = 0;
    // Takes the control's texts from count lines of lines, starting at index first (the range lies within lines).
    virtual void SetTexts(const std::vector<std::string>& lines, int first, int count) = 0;
};

// A one-line value as a line of a block: its line breaks written "\N", since a real one would start the next line.
std::string OneLine(const QString& text);

// The value of a block line: "\N" read back as a line break.
QString FromOneLine(std::string_view line);

// A hint as the line of a block: "." when it is empty.
std::string HintOrDot(const QString& hint);

// Makes a block's hint line the control's hint, unless it is "." (keep the hint).
void SetHintUnlessDot(QWidget& control, const std::string& line);

// A named set of a window's actions that is translated as one block: for each action "@" + its object name, then
// its caption and its hint ("." for an empty or unchanged one). Actions of a list are not exported one by one.
class TKvnActionList : public QObject, public ITranslatable {
    Q_OBJECT

public:
    explicit TKvnActionList(QObject* parent = nullptr);

    // Adds an action (not owned; an action that is destroyed drops out of the list).
    void Add(QAction* action);
    // True when the list holds the action.
    bool Contains(const QAction* action) const;

    std::string GetTexts() const override;
    void SetTexts(const std::vector<std::string>& lines, int first, int count) override;

private:
    std::vector<QPointer<QAction>> fActions;
};

// The form-section names that apply to a window, base first: "TForm", "TKvnForm" for a base form, then the
// window's own classes below Qt's (namespaces dropped; classes without Q_OBJECT do not show), leaving out the base
// form's adapter classes "TKvnFormDialog" and "TKvnFormMainWindow".
std::vector<std::string> FormClassChain(const QWidget& window, bool baseForm);

// The window's own class name as its form section is named (the last entry of FormClassChain).
std::string FormClassName(const QWidget& window);

// The window's component of that object name (case ignored), or nullptr; Qt's internal "qt_" objects are none.
QObject* FindComponent(QWidget& window, std::string_view name);

// The block a component exports (without the marker line); empty when the component is not exported.
std::string ComponentTexts(QObject& component);

// Applies count lines of lines, from index first, to the component according to its kind; a range reaching past
// lines is cut short, and a component of no kind is left alone.
void ApplyComponentTexts(QObject& component, const std::vector<std::string>& lines, int first, int count);

// Applies the form sections of classChain (base first; a later one overrides an earlier one) from the language's
// loaded file to the window and its components.
void TranslateForm(const TLanguage& language, QWidget& window, const std::vector<std::string>& classChain);

// Applies the form sections of FormClassChain(window, false).
void TranslateForm(const TLanguage& language, QWidget& window);

// The window's texts as a form section named className: header, title line and the blocks of every named component
// whose block holds an ASCII letter and is not just "OK"; lines end in CR LF.
std::string FormTexts(QWidget& window, const std::string& className);

// Writes FormTexts to the language's ExportDir + className + ".txt"; false (nothing written) when ExportDir is
// empty, the file exists already or cannot be written.
bool ExportFormTexts(const TLanguage& language, QWidget& window, const std::string& className);

} // namespace kvn

#pragma once

#include "kvnColors.h"
#include "kvnForm.h"

#include <QFlags>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>

#include <functional>

// The library's one-line edit with typed content and limits, and its multi-line edit that reports the caret
// position. Both keep their colours by state (TColors) and store their value in the settings (IIniPersistent).
//
// In a .ui file they are promoted widgets: base class QLineEdit (or QPlainTextEdit), promoted class name
// "kvn::TKvnEdit" (or "kvn::TKvnMemo"), header file "kvnEdit.h". Their own properties are set there as dynamic
// properties (stdset="0"), for example <property name="MinValue" stdset="0"><number>1</number></property>.

namespace kvn {

// A one-line edit. Typing is not filtered: an integer edit deals with what was typed when the focus leaves it.
class TKvnEdit : public QLineEdit, public IIniPersistent {
    Q_OBJECT
    Q_PROPERTY(TEditType EditType READ EditType WRITE SetEditType)
    Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(bool ZeroAsBlanks READ ZeroAsBlanks WRITE SetZeroAsBlanks)
    Q_PROPERTY(bool TrimStrings READ TrimStrings WRITE SetTrimStrings)

public:
    // The kinds of content the program's windows use.
    enum TEditType { etString, etInteger };
    Q_ENUM(TEditType)
    enum TEditOption { eoZeroAsBlanks = 1, eoTrimStrings = 2 };
    Q_DECLARE_FLAGS(TEditOptions, TEditOption)

    // Asked when the focus leaves the edit (after normalising); false keeps the focus in the edit.
    using TValidateEvent = std::function<bool(TKvnEdit& edit)>;

    explicit TKvnEdit(QWidget* parent = nullptr);

    TEditType EditType() const { return fEditType; }
    // Sets the kind of content; etString drops both limits.
    void SetEditType(TEditType type);
    // Lowest value of an integer edit; 0 is no limit.
    int MinValue() const { return fMinValue; }
    void SetMinValue(int value) { fMinValue = value; }
    // Highest value of an integer edit; 0 is no limit.
    int MaxValue() const { return fMaxValue; }
    void SetMaxValue(int value) { fMaxValue = value; }
    // eoZeroAsBlanks (set by default) shows the integer 0 as an empty field; eoTrimStrings trims a string edit's
    // text when it is read.
    TEditOptions Options() const { return fOptions; }
    void SetOptions(TEditOptions options) { fOptions = options; }
    bool ZeroAsBlanks() const { return fOptions.testFlag(eoZeroAsBlanks); }
    void SetZeroAsBlanks(bool value) { fOptions.setFlag(eoZeroAsBlanks, value); }
    bool TrimStrings() const { return fOptions.testFlag(eoTrimStrings); }
    void SetTrimStrings(bool value) { fOptions.setFlag(eoTrimStrings, value); }

    const TColors& Colors() const { return fColors->Colors(); }
    void SetColors(const TColors& colors) { fColors->SetColors(colors); }
    void SetOnValidate(TValidateEvent handler) { fOnValidate = std::move(handler); }

    // The text as read: trimmed for an integer edit, and for a string edit with eoTrimStrings.
    QString Text() const;
    // Shows n as decimal text, or an empty field for 0 with eoZeroAsBlanks.
    void SetIntValue(int n);
    // Normalises the text, then returns it as an integer (0 when it is not a number).
    int GetIntValue();
    // For an integer edit with a limit: replaces the text by its value limited to MinValue and MaxValue (a text
    // that is not a number counts as 0). Other edits keep their text.
    void Normalize();

    // Restores the text stored under the object name; a stored integer edit value that is not a number empties the
    // field, a missing one leaves the edit as it is.
    void LoadFromIni(TKvnCustomIniFile& settings, std::string_view section) override;
    // Stores Text() under the object name.
    void SaveToIni(TKvnCustomIniFile& settings, std::string_view section) override;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    TEditType fEditType = etString;
    int fMinValue = 0;
    int fMaxValue = 0;
    TEditOptions fOptions = eoZeroAsBlanks;
    TValidateEvent fOnValidate;
    TKvnColorKeeper* fColors;
};

// A multi-line edit. Lines are the text's lines (paragraphs), not the lines that word wrap shows.
class TKvnMemo : public QPlainTextEdit, public IIniPersistent {
    Q_OBJECT
    Q_PROPERTY(bool NoBlankLines READ NoBlankLines WRITE SetNoBlankLines)

public:
    explicit TKvnMemo(QWidget* parent = nullptr);

    // The lines; with NoBlankLines without the trailing lines that are empty or blank.
    QStringList Lines() const;
    // Replaces the text by the lines.
    void SetLines(const QStringList& lines);
    bool NoBlankLines() const { return fNoBlankLines; }
    void SetNoBlankLines(bool value);
    // The label that shows the caret position while the memo has the focus, or nullptr; it is cleared now.
    QLabel* CaretPosControl() const { return fCaretPosControl; }
    void SetCaretPosControl(QLabel* label);
    // The caret position text: line "/" column (both from 1) " - " number of lines (with NoBlankLines without the
    // trailing blank lines).
    QString CaretPosText() const;

    const TColors& Colors() const { return fColors->Colors(); }
    void SetColors(const TColors& colors) { fColors->SetColors(colors); }

    // Restores the lines stored under the object name as multi-line text; nothing stored leaves the memo as it is.
    void LoadFromIni(TKvnCustomIniFile& settings, std::string_view section) override;
    // Stores Lines() under the object name.
    void SaveToIni(TKvnCustomIniFile& settings, std::string_view section) override;

protected:
    // Esc is not entered: the memo's window gets it (key down and up), so that a dialog closes.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowCaretPos();
    void ClearCaretPos();

    bool fNoBlankLines = false;
    QPointer<QLabel> fCaretPosControl;
    TKvnColorKeeper* fColors;
};

} // namespace kvn

Q_DECLARE_OPERATORS_FOR_FLAGS(kvn::TKvnEdit::TEditOptions)

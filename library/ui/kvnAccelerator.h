#pragma once

#include <QString>

#include <memory>
#include <set>
#include <vector>

class QObject;
class QTabWidget;
class QWidget;

// Keyboard accelerators ("&" mnemonics) for the captions of a window, assigned automatically so that neither the
// designers nor the translators have to pick them. A caption that already holds an accelerator keeps it; every
// other caption gets the first of its letters or digits that is still free in its scope. Scopes are the window,
// each tab page and each page of a stacked widget: pages of one tab widget may share characters, but none of them
// may use a character that the window uses outside its pages.

namespace kvn {

// A control that shows several captions of its own (the items of a radio group), each taking part in the
// assignment like a caption of its own.
class IKvnAcceleratorItems {
public:
    virtual ~IKvnAcceleratorItems() = default;
    // Number of captions.
    virtual int AcceleratorItemCount() const = 0;
    // Caption number index (from 0).
    virtual QString AcceleratorItemCaption(int index) const = 0;
    // Replaces caption number index.
    virtual void SetAcceleratorItemCaption(int index, const QString& caption) = 0;
};

// A set of accelerator characters (upper case).
using TKvnCharSet = std::set<char16_t>;

// True for the characters that may serve as accelerators: "0" to "9", "A" to "Z", "Ä", "Ö" and "Ü".
bool IsAcceleratorChar(QChar c);

// The accelerator a caption already holds: the upper-cased character after the first "&" that is followed by an
// accelerator character ("&&" is a literal ampersand); 0 when there is none.
char16_t ExistingAccelerator(const QString& caption);

// The accelerator characters of the upper-cased caption, each once, in the order of their first appearance.
QString AcceleratorCandidates(const QString& caption);

// The caption with "&" inserted before the first occurrence (compared in upper case) of c; unchanged when c does
// not occur.
QString InsertAccelerator(const QString& caption, char16_t c);

// One caption taking part in an assignment.
struct TKvnAcceleratorItem {
    QObject* Control = nullptr;
    int ItemIndex = -1;    // item of an IKvnAcceleratorItems control, -1 for the control's own caption
    int Priority = 0;      // kind of caption; lower is served first
    QString Candidates;    // empty when the caption already holds an accelerator
    char16_t Assigned = 0; // the existing or the newly assigned character, 0 for none
};

// A scope in which accelerators must differ: the window, a tab page or a page of a stacked widget.
class TKvnAcceleratorGroup {
public:
    TKvnAcceleratorGroup(TKvnAcceleratorGroup* parent, const QWidget* container);
    virtual ~TKvnAcceleratorGroup();
    TKvnAcceleratorGroup(const TKvnAcceleratorGroup&) = delete;
    TKvnAcceleratorGroup& operator=(const TKvnAcceleratorGroup&) = delete;

    // The group of container in this group's tree, or nullptr.
    TKvnAcceleratorGroup* FindGroup(const QWidget* container);
    // Adds a child group for container and returns it.
    TKvnAcceleratorGroup& AddChild(const QWidget* container);
    // Adds a caption of the given priority; records its existing accelerator or else its candidates.
    void AddItem(QObject* control, int itemIndex, int priority, const QString& caption);
    // The characters this group may not use: the parent's used characters, or the excluded ones for the root,
    // plus those of its own items.
    virtual TKvnCharSet UsedSet() const;
    // Assigns the free characters to this group's items and then to the child groups.
    void Assign();

    // The group's captions, in the order they are served once Assign has run.
    const std::vector<TKvnAcceleratorItem>& Items() const { return fItems; }
    // The groups of the tab pages and stacked pages inside this group's container.
    const std::vector<std::unique_ptr<TKvnAcceleratorGroup>>& Children() const { return fChildren; }

protected:
    TKvnCharSet OwnCharacters() const;

private:
    TKvnAcceleratorGroup* fParent;
    const QWidget* fContainer;
    std::vector<TKvnAcceleratorItem> fItems;
    std::vector<std::unique_ptr<TKvnAcceleratorGroup>> fChildren;
};

// The root group of a window, which also holds the characters excluded for the whole window.
class TKvnAccelerator : public TKvnAcceleratorGroup {
public:
    // The root group of window; excluded holds the characters no caption of the window may take.
    TKvnAccelerator(const QWidget& window, TKvnCharSet excluded);
    // The excluded characters plus those of the root's own items.
    TKvnCharSet UsedSet() const override;

private:
    TKvnCharSet fExcluded;
};

// Assigns accelerators to the window's tab pages, push buttons (not the default or cancel button), labels with a
// buddy, check boxes, radio buttons and IKvnAcceleratorItems controls; the characters of excluded and those that
// the top-level menus of the window's menu bar already hold are not used. A push button counts as the cancel button
// when it is the escape button of the window's base form or has the reject role of a button box.
void AssignAccelerators(QWidget& window, const TKvnCharSet& excluded = {});

// The tab widget of which the widget is a page, or nullptr.
QTabWidget* TabWidgetOfPage(const QWidget& widget);

// The window's components (widgets, actions and other objects) in the order the window holds them, containers
// before what they contain; dialogs and main windows inside it are windows of their own and left out.
std::vector<QObject*> FormComponents(QWidget& window);

} // namespace kvn

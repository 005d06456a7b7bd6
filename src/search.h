#pragma once

#include "kvnForm.h"

#include <QDialog>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <optional>
#include <string>
#include <string_view>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QGroupBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace kvn {
class TKvnIniFile;
class TOrvida;
} // namespace kvn

// Looking for an athlete or relay team by a part of its name: in the result lists of the events tree (the hit is a
// line of a list) or among the athlete and relay nodes of the participants tree.

namespace veltro {

class TEventsBrowser;
class TfrmView;

// A find text compared with names after Unicode upper-casing on both sides; accents stay, so "mül" finds
// "Müller" and "mul" does not.
class TNameMatcher {
public:
    explicit TNameMatcher(std::string_view findText);
    // True when the find text occurs anywhere in the name.
    bool Matches(std::string_view name) const;

private:
    std::string fUpperText;
};

// The node after this one in depth-first order (child, next sibling, next sibling of an ancestor), or nullptr.
QTreeWidgetItem* NextInTreeOrder(QTreeWidgetItem* node);
// The node before this one in depth-first order, or nullptr.
QTreeWidgetItem* PreviousInTreeOrder(QTreeWidgetItem* node);
// The last node of the tree in depth-first order, or nullptr for an empty tree.
QTreeWidgetItem* LastInTreeOrder(const QTreeWidget& tree);
// The node shown at the top of the tree's view, or its first node.
QTreeWidgetItem* TopVisibleNode(const QTreeWidget& tree);

// Looks through the list of an event or age-group node from hitIndex on, in steps of step (+1 down, -1 up), for a
// line whose athlete or relay team matches; a hitIndex of -1 starts at the last line. True with hitIndex on the
// hit; false for session nodes and nodes without a list.
bool MatchInNode(const TEventsBrowser& events, const kvn::TOrvida& document, const QTreeWidgetItem* node,
                 const TNameMatcher& matcher, int step, int& hitIndex);

// A hit of the events walk: the node and the line of its list.
struct TEventsHit {
    QTreeWidgetItem* Node = nullptr;
    int Index = -1;
};

// One search step on the events page: from the line after (or before) the events browser's LastHitIndex in the
// list of the current node, or from the top (or the bottom) of the tree without a current node; no wrap-around.
TEventsHit FindInEvents(const QTreeWidget& tree, const TEventsBrowser& events, const kvn::TOrvida& document,
                        const TNameMatcher& matcher, bool down);

// One search step on the participants page: the next (or previous) athlete or relay node after the current node
// whose text matches, or nullptr; no wrap-around.
QTreeWidgetItem* FindInParticipants(const QTreeWidget& tree, const TNameMatcher& matcher, bool down);

// The modeless find dialog: a find text, the direction, find-next and close.
class TSearchDialog : public kvn::TKvnFormDialog {
    Q_OBJECT

public:
    explicit TSearchDialog(QWidget* parent = nullptr);

    std::string FindText() const;
    void SetFindText(const std::string& text);
    // True when searching downwards.
    bool SearchDown() const;
    void SetSearchDown(bool down);

    // The position the dialog was last shown at, or the one read from the settings; none before either.
    std::optional<QPoint> Position() const { return fPosition; }
    // Places the dialog there when it is next shown, provided the point lies on a screen.
    void SetPosition(const QPoint& position) { fPosition = position; }

    QLineEdit* EdtFindText() const { return fFindText; }
    QPushButton* BtnFindNext() const { return fFindNext; }
    QPushButton* BtnClose() const { return fClose; }
    QRadioButton* RbUp() const { return fUp; }
    QRadioButton* RbDown() const { return fDown; }

signals:
    // The find-next button was pressed with a find text.
    void FindNext();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* fFindLabel;
    QLineEdit* fFindText;
    QGroupBox* fDirection;
    QRadioButton* fUp;
    QRadioButton* fDown;
    QPushButton* fFindNext;
    QPushButton* fClose;
    std::optional<QPoint> fPosition;
};

// The search command of the main window: opening the dialog empties both lists, each find-next is one search step
// on the active page, and closing the dialog forgets the last hit.
class TParticipantSearch : public QObject {
public:
    explicit TParticipantSearch(TfrmView& window);
    ~TParticipantSearch() override;
    TParticipantSearch(const TParticipantSearch&) = delete;
    TParticipantSearch& operator=(const TParticipantSearch&) = delete;

    // Deselects both trees (emptying both lists), sets the direction to down and shows the dialog.
    void Start();
    // One search step with the dialog's text and direction; the hit is selected and shown, a miss is reported with
    // V/27.
    void FindNextStep();
    // Hides the dialog; nothing more happens when it is not shown.
    void Close();

    // The dialog position in the settings section (keys "FDlgLeft" and "FDlgTop"), read and written.
    void ReadPosition(kvn::TKvnIniFile& settings, const std::string& section);
    void WritePosition(kvn::TKvnIniFile& settings, const std::string& section) const;

    TSearchDialog& Dialog() { return *fDialog; }

private:
    void Closed();
    void ShowEventsHit(const TEventsHit& hit);
    void ShowParticipantHit(QTreeWidgetItem* node);

    TfrmView& fWindow;
    QPointer<TSearchDialog> fDialog; // a child of the window, which deletes it
};

} // namespace veltro

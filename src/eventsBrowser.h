#pragma once

#include "resultLists.h"

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QIcon;

namespace kvn {
class TkvnPaintBox;
class TOrvida;
} // namespace kvn

namespace veltro {

class TListHeader;

// The widgets of the events page that the browser fills.
struct TEventsPage {
    QTreeWidget* TrvEvents;
    kvn::TkvnPaintBox* PbEvents;
    TListHeader* HcEvents;
    QLabel* PnlEventTitel;
    QCheckBox* ChkEvSplit;
    QCheckBox* ChkEvOnlyValids;
};

// The events page: sessions, events and age groups of the selected competition in a tree, and the ranked result
// list or entry list of the selected node. Owns the per-event result lists that the other browsers fill and read.
class TEventsBrowser {
public:
    using TIconSource = std::function<QIcon(int imageIndex)>;
    using TStatus = std::function<void(const std::string& text)>;
    using TListShown = std::function<void(bool shown)>;

    TEventsBrowser(const TEventsPage& page, kvn::TOrvida& document, TIconSource icons, TStatus status,
                   TListShown listShown);
    ~TEventsBrowser();
    TEventsBrowser(const TEventsBrowser&) = delete;
    TEventsBrowser& operator=(const TEventsBrowser&) = delete;

    // Empties every result list.
    void ClearResultLists();
    // Fills the tree from the selected competition and creates an empty list per event and age group.
    void BuildEventsTree();
    // Empties the tree.
    void ClearEventsTree();
    // Orders every list by rank, then unranked results, then entries by entry time.
    void SortResultLists();
    // The list of an event or age-group node, or nullptr.
    const TResultLists::TList* ResultListFor(const QTreeWidgetItem* node) const;
    // Draws the node's list into the paint box; a session node or none gives an empty page.
    void ShowEventList(const QTreeWidgetItem* node);
    // Draws the list of the current node again (after a check box or a section width changed).
    void Refresh();
    // Captions of the fixed header sections in the current language.
    void ApplyHeaderTexts();
    // Section widths as stored in the settings, and back.
    void LoadHeaderWidths();
    void SaveHeaderWidths() const;

    TResultLists& ResultLists() { return fLists; }
    bool HasResults() const { return fHasResults; }
    // Line of the shown list to highlight in the next drawing (-1 for none); reset after each drawing.
    int HitIndex = -1;
    // Index of the last search hit, kept between two searches.
    int LastHitIndex = -1;
    // The element behind a tree node, or nullptr.
    static kvn::TOrvObject* ElementOf(const QTreeWidgetItem* node);
    // Line height of the list: taller when split blocks are shown.
    int LineHeight() const;

private:
    QTreeWidgetItem* NewNode(const std::string& text, int image, kvn::TOrvObject* element) const;
    QTreeWidgetItem* NewPeriodNode(kvn::TOrvObject& period, int& counted);
    QTreeWidgetItem* NewEventNode(kvn::TOrvObject& event, int year);
    void SetVariableSections(bool hasResults);
    void DrawItem(const kvn::TOrvObject& item, const kvn::TOrvObject& event, bool withGender, bool highlighted,
                  const std::vector<int>& x, int& y);

    TEventsPage fPage;
    kvn::TOrvida& fDocument;
    TIconSource fIcons;
    TStatus fStatus;
    TListShown fListShown;
    TResultLists fLists;
    bool fHasResults = false;
    bool fDrawing = false;
    QTimer* fChangeDelay;
};

} // namespace veltro

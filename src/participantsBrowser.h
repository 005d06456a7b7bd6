#pragma once

#include "listHeader.h"
#include "resultLists.h"

#include <QObject>
#include <QPointer>
#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QIcon;
class QLabel;
class QTimer;
class QTreeWidgetItem;

namespace kvn {
class TkvnPaintBox;
class TOrvida;
} // namespace kvn

namespace veltro {

// Medal and start counts of one club, or the sums of the clubs of one nation group.
struct TClubStatistic {
    std::int32_t Gold = 0;
    std::int32_t Silver = 0;
    std::int32_t Bronze = 0;
    std::int32_t IndividualEntries = 0;
    std::int32_t TeamEntries = 0;
    std::int32_t IndividualStarts = 0;
    std::int32_t TeamStarts = 0;
    std::int32_t Athletes = 0;
    std::int32_t SemiFinals = 0;
    std::int32_t Finals = 0;
    const kvn::TOrvObject* Club = nullptr; // the "CLUB" element of a club's statistic, nullptr for a nation group

    // Adds the other statistic's counts to these.
    void Add(const TClubStatistic& other);
};

// True when the whole event type occurs within the list text ("FIN" within "FIN-TIM"); an empty type occurs nowhere.
bool TypeOccursIn(std::string_view type, std::string_view list);

// Counts one result or entry into the statistic: entries always, results only when valid and their event exists;
// team tells whether the item's participant counts as a team.
void CountItem(TClubStatistic& statistic, const kvn::TOrvObject& item, bool team, const kvn::TOrvida& document);

// The widgets of the participants page that the browser fills.
struct TParticipantsPage {
    QTreeWidget* TrvClubs;
    kvn::TkvnPaintBox* PbClubs;
    TListHeader* HcClubs;
    QLabel* PnlTnTitel;
    QCheckBox* ChkTnSplit;
    QCheckBox* ChkTnOnlyValids;
};

// The participants page: nations, clubs, athletes and relay teams of the selected competition in a tree with club
// and nation statistics, and the statistics page or the result list of the selected node. Building the tree files
// every result and entry into the result lists of the events page.
class TParticipantsBrowser : public QObject {
public:
    using TIconSource = std::function<QIcon(int imageIndex)>;
    using TStatus = std::function<void(const std::string& text)>;
    using TListShown = std::function<void(bool shown)>;

    // Image indexes of the nodes that have no flag.
    enum : int { imgRelay = 5, imgNation = 7, imgAthlete = 9, imgClub = 14 };
    // Milliseconds between a change of the current node and the drawing of its page.
    static constexpr int kChangeDelay = 50;

    // icons gives the picture of an image index; nations holds the "CODE=index" lines of the flag pictures and is
    // read at each build, so it must outlive the browser.
    TParticipantsBrowser(const TParticipantsPage& page, kvn::TOrvida& document, TResultLists& resultLists,
                         TIconSource icons, const std::vector<std::string>& nations, TStatus status,
                         TListShown listShown);
    ~TParticipantsBrowser() override;
    TParticipantsBrowser(const TParticipantsBrowser&) = delete;
    TParticipantsBrowser& operator=(const TParticipantsBrowser&) = delete;

    // Deletes all nodes and the statistics behind them.
    void ClearClubsTree();
    // Fills the tree from the selected competition, counts the statistics and attaches every listed result and
    // entry to the result lists, which it leaves sorted.
    void BuildClubsTree();
    // Draws the statistics page of a nation or club node, or the list of an athlete or relay node; none gives an
    // empty page.
    void ShowParticipant(const QTreeWidgetItem* node);
    // Draws the page of the current node again, at once (after a check box or a section width changed); does
    // nothing while a page is being drawn, whose own section widths may have caused the call.
    void Refresh();
    // Draws the current node's page now if a change of the current node is still waiting for its delay.
    void FlushChange();
    // True while a change of the current node waits for its delay.
    bool ChangePending() const;

    // Captions of the fixed header sections in the current language.
    void ApplyHeaderTexts();
    // Section widths as stored in the settings, and back.
    void LoadHeaderWidths();
    void SaveHeaderWidths() const;
    // The header sections with their built-in captions, alignments, default and minimum widths.
    static std::vector<TSectionSpec> DefaultSections();

    // The last shown list holds results (true) or only entries (false).
    bool HasResults() const { return fHasResults; }
    // A participant's list is shown (the header is visible).
    bool ListShown() const { return fListShown; }

    // Depth of a node: 0 nation group, 1 club, 2 athlete or relay team.
    static int Level(const QTreeWidgetItem* node);
    // The statistic of a nation or club node, or nullptr.
    static const TClubStatistic* StatisticOf(const QTreeWidgetItem* node);
    // The "RESULTS" or "ENTRIES" collection of an athlete or relay node, or nullptr.
    static kvn::TOrvAbstractObject* CollectionOf(const QTreeWidgetItem* node);
    // The "PERSON" or "RELAY" of an athlete or relay node, or nullptr.
    static kvn::TOrvObject* ParticipantOf(const QTreeWidgetItem* node);
    // The image index a node was given.
    static int ImageOf(const QTreeWidgetItem* node);

private:
    struct TParticipantDraft;
    struct TClubDraft;
    struct TGroupDraft;

    TClubStatistic& NewStatistic(const kvn::TOrvObject* club);
    std::vector<TGroupDraft> CountClubs(kvn::TOrvObject& competition);
    TClubDraft CountClub(kvn::TOrvObject& club);
    TParticipantDraft CountParticipant(kvn::TOrvObject& participant, TClubStatistic& club);
    QIcon Icon(int image) const;
    QTreeWidgetItem* NewGroupNode(TGroupDraft& group);
    QTreeWidgetItem* NewClubNode(TClubDraft& club);
    void AppendParticipantNodes(QList<QTreeWidgetItem*>& nodes, std::vector<TParticipantDraft>& participants,
                                int image) const;
    void DrawStatistics(const QTreeWidgetItem& node);
    void DrawList(const kvn::TOrvAbstractObject& collection);
    void DrawItem(const kvn::TOrvObject& item, bool relayTeam, const std::vector<int>& x, int& y);
    void SetVariableSections(bool hasResults);

    TParticipantsPage fPage;
    kvn::TOrvida& fDocument;
    TResultLists& fResultLists;
    const std::vector<std::string>& fNations;
    TIconSource fIcons;
    TStatus fStatus;
    TListShown fOnListShown;
    QPointer<QTreeWidget> fTree; // the tree may go before the browser; its nodes point at our statistics
    QTimer* fChangeDelay;
    std::vector<std::unique_ptr<TClubStatistic>> fStatistics;
    bool fHasResults = false;
    bool fListShown = false;
    bool fDrawing = false;
};

} // namespace veltro

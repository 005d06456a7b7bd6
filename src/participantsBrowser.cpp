#include "participantsBrowser.h"

#include "browserTree.h"
#include "kvnEncoding.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnNations.h"
#include "kvnPaintbox.h"
#include "kvnStrings.h"
#include "kvnSwim.h"
#include "orvida.h"
#include "splitBlock.h"

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <map>
#include <utility>

namespace veltro {

using namespace kvn;

namespace {

constexpr int kNodeType = QTreeWidgetItem::UserType + 1;

constexpr int kSectionCount = 6;
constexpr int kLineHeight = 15;
constexpr int kSplitLineHeight = 17;

// The group of clubs without nation is sorted by this text; it shows its language text only after the sort.
constexpr std::string_view kOtherGroup = "other";

std::string Text(std::string_view section, int n)
{
    return GetLanguage().GetText(section, n);
}

// The collection a participant is listed by: its results if it has any, else its entries, else none.
TOrvAbstractObject* ListedCollection(TOrvObject& participant)
{
    TOrvTagKind kind = participant.Contains(otRESULTS) ? otRESULTS : otENTRIES;
    TOrvAbstractElement* child = participant.Child(kind);
    return child ? child->AsObject() : nullptr;
}

// A node of the participants tree and what it stands for. A tree holds a node per athlete, so an athlete's node
// keeps no title of its own: the title is made from the athlete when it is asked for, until a text is set.
struct TClubsNode : TBrowserNode {
    TClubsNode(const std::string& text, QIcon icon, int image)
        : TBrowserNode(QString::fromStdString(text), std::move(icon), kNodeType), Image(image)
    {
    }
    TClubsNode(TOrvObject& athlete, QIcon icon, int image)
        : TBrowserNode(QString(), std::move(icon), kNodeType), Image(image), TitledByAthlete(true),
          Participant(&athlete)
    {
    }

    QVariant data(int column, int role) const override
    {
        if (TitledByAthlete && column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
            return QString::fromStdString(PersonTitle(*Participant));
        return TBrowserNode::data(column, role);
    }
    void setData(int column, int role, const QVariant& value) override
    {
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole)) TitledByAthlete = false;
        TBrowserNode::setData(column, role, value);
    }

    int Image;
    bool TitledByAthlete = false;
    const TClubStatistic* Statistic = nullptr;
    TOrvObject* Participant = nullptr;
};

const TClubsNode* ClubsNodeOf(const QTreeWidgetItem* node)
{
    return node && node->type() == kNodeType ? static_cast<const TClubsNode*>(node) : nullptr;
}

// Sorts by the texts' character codes, so "B" comes before "a"; equal texts keep their order. The document's
// texts are UTF-8, whose bytes compare in code point order.
template <class T>
void SortByText(std::vector<T>& items)
{
    std::stable_sort(items.begin(), items.end(), [](const T& a, const T& b) { return a.Text < b.Text; });
}

const TOrvAbstractObject* ObjectChild(const TOrvAbstractObject& owner, TOrvTagKind kind)
{
    const TOrvAbstractElement* child = owner.Child(kind);
    return child ? child->AsObject() : nullptr;
}

// Clip width of a column between two edges; never 0, which would mean "unclipped".
int ColumnWidth(int left, int right)
{
    return std::max(1, right - left - 6);
}

// Keeps the window from repainting while a page is cleared and drawn again, and lets go however the drawing ends.
class TDrawingScope {
public:
    TDrawingScope(QWidget* window, bool& drawing) : fWindow(window), fDrawing(drawing)
    {
        fWasEnabled = fWindow->updatesEnabled();
        fWindow->setUpdatesEnabled(false);
        fDrawing = true;
    }
    ~TDrawingScope()
    {
        if (fWasEnabled) fWindow->setUpdatesEnabled(true);
        fDrawing = false;
    }
    TDrawingScope(const TDrawingScope&) = delete;
    TDrawingScope& operator=(const TDrawingScope&) = delete;

private:
    QWidget* fWindow;
    bool& fDrawing;
    bool fWasEnabled;
};

} // namespace

bool TypeOccursIn(std::string_view type, std::string_view list)
{
    return !type.empty() && list.find(type) != std::string_view::npos;
}

void CountItem(TClubStatistic& statistic, const TOrvObject& item, bool team, const TOrvida& document)
{
    if (item.Kind() == otENTRY) {
        ++(team ? statistic.TeamEntries : statistic.IndividualEntries);
        return;
    }
    const TOrvDataElement* time = TimeOf(item);
    if (item.Kind() != otRESULT || !time || time->TimeStatus() != 3) return;
    // Without its event a result has no type, so it is neither a start, a final nor a medal.
    const TOrvObject* event = document.FindEvent(item.ChildInt(otEID));
    if (!event) return;
    std::string_view type = event->ChildText(otTYPE);
    if (type == "SEM") ++statistic.SemiFinals;
    if (type == "FIN") ++statistic.Finals;
    if (TypeOccursIn(type, "FIN-TIM")) {
        switch (item.ChildInt(otRANK)) {
        case 1:
            ++statistic.Gold;
            break;
        case 2:
            ++statistic.Silver;
            break;
        case 3:
            ++statistic.Bronze;
            break;
        default:
            break;
        }
    }
    if (TypeOccursIn(type, "PRE-TIM")) ++(team ? statistic.TeamStarts : statistic.IndividualStarts);
}

void TClubStatistic::Add(const TClubStatistic& other)
{
    Gold += other.Gold;
    Silver += other.Silver;
    Bronze += other.Bronze;
    IndividualEntries += other.IndividualEntries;
    TeamEntries += other.TeamEntries;
    IndividualStarts += other.IndividualStarts;
    TeamStarts += other.TeamStarts;
    Athletes += other.Athletes;
    SemiFinals += other.SemiFinals;
    Finals += other.Finals;
}

// The tree is put together in two passes: the clubs are counted in the file's order, which is also the order in
// which their results join the result lists, and their nodes are made afterwards from sorted drafts, so that no
// node is ever moved or looked up again.
struct TParticipantsBrowser::TParticipantDraft {
    std::string Text;
    TOrvObject* Participant;
    TOrvAbstractObject* Collection;
};

struct TParticipantsBrowser::TClubDraft {
    std::string Text;
    TOrvObject* Club;
    TClubStatistic* Statistic;
    std::vector<TParticipantDraft> Athletes;
    std::vector<TParticipantDraft> Relays;
};

struct TParticipantsBrowser::TGroupDraft {
    std::string Text;
    TClubStatistic* Statistic;
    std::vector<TClubDraft> Clubs;
};

TParticipantsBrowser::TParticipantsBrowser(const TParticipantsPage& page, TOrvida& document, TResultLists& resultLists,
                                           TIconSource icons, const std::vector<std::string>& nations, TStatus status,
                                           TListShown listShown)
    : fPage(page), fDocument(document), fResultLists(resultLists), fNations(nations), fIcons(std::move(icons)),
      fStatus(std::move(status)), fOnListShown(std::move(listShown)), fTree(page.TrvClubs),
      fChangeDelay(new QTimer(this))
{
    QTreeWidget* tree = fPage.TrvClubs;
    SetUpBrowserTree(*tree);

    fPage.HcClubs->SetSections(DefaultSections());
    ApplyHeaderTexts();
    fPage.HcClubs->hide();

    // Running through the tree with the arrow keys should not draw every page on the way.
    fChangeDelay->setSingleShot(true);
    fChangeDelay->setInterval(kChangeDelay);
    connect(fChangeDelay, &QTimer::timeout, this, [this] { Refresh(); });
    connect(tree, &QTreeWidget::currentItemChanged, this, [this] { fChangeDelay->start(); });
}

TParticipantsBrowser::~TParticipantsBrowser()
{
    if (fTree) fTree->clear();
}

std::vector<TSectionSpec> TParticipantsBrowser::DefaultSections()
{
    return {{"Nr.", Qt::AlignHCenter, 45, 30},     {"Disziplin", Qt::AlignLeft, 110, 50},
            {"Kategorie", Qt::AlignLeft, 110, 50}, {"Zeit", Qt::AlignRight, 60, 53},
            {"Rg.", Qt::AlignHCenter, 40, 30},     {"Lauf / Bahn", Qt::AlignLeft, 70, 0}};
}

void TParticipantsBrowser::ApplyHeaderTexts()
{
    const std::pair<int, std::string> captions[] = {
        {0, Text("S", 18)}, {1, Text("S", 16)}, {2, Text("V", 31)}, {4, Text("V", 28)}};
    for (const auto& [section, caption] : captions)
        if (!caption.empty()) fPage.HcClubs->SetCaption(section, caption);
}

void TParticipantsBrowser::LoadHeaderWidths()
{
    std::vector<TSectionSpec> sections = DefaultSections();
    for (int section = 0; section < kSectionCount; ++section)
        fPage.HcClubs->resizeSection(
            section, std::max(0, SettingsFile().ReadInteger("main", "hcClubs" + std::to_string(section),
                                                            sections[static_cast<std::size_t>(section)].Width)));
}

void TParticipantsBrowser::SaveHeaderWidths() const
{
    for (int section = 0; section < kSectionCount; ++section)
        SettingsFile().WriteInteger("main", "hcClubs" + std::to_string(section), fPage.HcClubs->sectionSize(section));
}

int TParticipantsBrowser::Level(const QTreeWidgetItem* node)
{
    int level = 0;
    for (const QTreeWidgetItem* parent = node ? node->parent() : nullptr; parent; parent = parent->parent())
        ++level;
    return level;
}

const TClubStatistic* TParticipantsBrowser::StatisticOf(const QTreeWidgetItem* node)
{
    const TClubsNode* clubsNode = ClubsNodeOf(node);
    return clubsNode ? clubsNode->Statistic : nullptr;
}

TOrvAbstractObject* TParticipantsBrowser::CollectionOf(const QTreeWidgetItem* node)
{
    const TClubsNode* clubsNode = ClubsNodeOf(node);
    return clubsNode && clubsNode->Participant ? ListedCollection(*clubsNode->Participant) : nullptr;
}

TOrvObject* TParticipantsBrowser::ParticipantOf(const QTreeWidgetItem* node)
{
    const TClubsNode* clubsNode = ClubsNodeOf(node);
    return clubsNode ? clubsNode->Participant : nullptr;
}

int TParticipantsBrowser::ImageOf(const QTreeWidgetItem* node)
{
    const TClubsNode* clubsNode = ClubsNodeOf(node);
    return clubsNode ? clubsNode->Image : -1;
}

void TParticipantsBrowser::ClearClubsTree()
{
    fPage.TrvClubs->clear();
    fStatistics.clear();
    // The shown page may belong to a node that is gone; let it follow the tree as after a change of the current node.
    fChangeDelay->start();
}

TClubStatistic& TParticipantsBrowser::NewStatistic(const TOrvObject* club)
{
    fStatistics.push_back(std::make_unique<TClubStatistic>());
    fStatistics.back()->Club = club;
    return *fStatistics.back();
}

void TParticipantsBrowser::BuildClubsTree()
{
    ClearClubsTree();
    TOrvObject* competition = fDocument.Competition();
    if (!competition) return;

    std::vector<TGroupDraft> groups = CountClubs(*competition);
    // Sorted before the nodes are made, so that the nodes take the memory that the lists' sort keys leave.
    fResultLists.Sort();
    const TClubStatistic* otherGroup = groups.front().Statistic;
    SortByText(groups);
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(static_cast<qsizetype>(groups.size()));
    QTreeWidgetItem* other = nullptr;
    for (TGroupDraft& group : groups) {
        nodes.push_back(NewGroupNode(group));
        if (group.Statistic == otherGroup) other = nodes.back();
    }
    QTreeWidget* tree = fPage.TrvClubs;
    bool updatesWereEnabled = tree->updatesEnabled();
    tree->setUpdatesEnabled(false);
    tree->addTopLevelItems(nodes);
    other->setText(0, QString::fromStdString(Text("V", 10)));
    if (updatesWereEnabled) tree->setUpdatesEnabled(true);
}

std::vector<TParticipantsBrowser::TGroupDraft> TParticipantsBrowser::CountClubs(TOrvObject& competition)
{
    // The clubs without nation have a group of their own, apart from the named ones, so that a nation that happens
    // to be called "other" is not mixed with them.
    std::vector<TGroupDraft> groups;
    groups.push_back({std::string(kOtherGroup), &NewStatistic(nullptr), {}});
    std::map<std::string, std::size_t> groupOfNation; // upper-case nation text -> index in groups
    int counted = 0;
    for (TOrvObject* club : CollectionItems(competition, otCLUBS)) {
        if (fStatus) fStatus(std::to_string(++counted) + " clubs scanned ...");
        std::string_view nation = club->ChildText(otNATION);
        std::size_t group = 0;
        if (!nation.empty()) {
            auto [found, added] = groupOfNation.try_emplace(Utf8Upper(nation), groups.size());
            if (added) groups.push_back({std::string(nation), &NewStatistic(nullptr), {}});
            group = found->second;
        }
        groups[group].Clubs.push_back(CountClub(*club));
        groups[group].Statistic->Add(*groups[group].Clubs.back().Statistic);
    }
    return groups;
}

TParticipantsBrowser::TClubDraft TParticipantsBrowser::CountClub(TOrvObject& club)
{
    TClubDraft draft{std::string(club.ChildText(otNAME)), &club, &NewStatistic(&club), {}, {}};
    ForEachCollectionItem(club, otPERSONS, [this, &draft](TOrvObject& person) {
        draft.Athletes.push_back(CountParticipant(person, *draft.Statistic));
    });
    ForEachCollectionItem(club, otRELAYS, [this, &draft](TOrvObject& relay) {
        draft.Relays.push_back(CountParticipant(relay, *draft.Statistic));
    });
    return draft;
}

TParticipantsBrowser::TParticipantDraft TParticipantsBrowser::CountParticipant(TOrvObject& participant,
                                                                               TClubStatistic& club)
{
    // A participant with results is listed by its results only; its entries stay out of every list.
    TParticipantDraft draft{fDocument.ParticipantTitle(participant, false), &participant,
                            ListedCollection(participant)};
    if (!draft.Collection) return draft;
    if (participant.Kind() == otPERSON) ++club.Athletes;
    // A relay team of number 0 counts as an individual.
    bool team = participant.ChildInt(otNUM) != 0;
    ForEachCollectionItem(participant, draft.Collection->Kind(), [this, &club, team](TOrvObject& item) {
        fResultLists.AttachResult(item);
        CountItem(club, item, team, fDocument);
    });
    return draft;
}

QIcon TParticipantsBrowser::Icon(int image) const
{
    return fIcons ? fIcons(image) : QIcon();
}

QTreeWidgetItem* TParticipantsBrowser::NewGroupNode(TGroupDraft& group)
{
    int image = FindNationImage(fNations, group.Text);
    if (image < 0) image = imgNation;
    auto* node = new TClubsNode(group.Text, Icon(image), image);
    node->Statistic = group.Statistic;
    SortByText(group.Clubs);
    QList<QTreeWidgetItem*> clubs;
    clubs.reserve(static_cast<qsizetype>(group.Clubs.size()));
    for (TClubDraft& club : group.Clubs)
        clubs.push_back(NewClubNode(club));
    node->addChildren(clubs);
    return node;
}

QTreeWidgetItem* TParticipantsBrowser::NewClubNode(TClubDraft& club)
{
    std::string_view nation = club.Club->ChildText(otNATION);
    int image = -1;
    if (!nation.empty())
        image = FindNationImage(fNations, std::string(nation) + "_" + std::string(club.Club->ChildText(otCODE)));
    if (image < 0) image = imgClub;
    auto* node = new TClubsNode(club.Text, Icon(image), image);
    node->Statistic = club.Statistic;
    // Athletes before relay teams, each by their titles.
    QList<QTreeWidgetItem*> participants;
    participants.reserve(static_cast<qsizetype>(club.Athletes.size() + club.Relays.size()));
    AppendParticipantNodes(participants, club.Athletes, imgAthlete);
    AppendParticipantNodes(participants, club.Relays, imgRelay);
    node->addChildren(participants);
    // The drafts go as soon as their nodes are made, so that the nodes of the next clubs can take their memory.
    std::vector<TParticipantDraft>().swap(club.Athletes);
    std::vector<TParticipantDraft>().swap(club.Relays);
    return node;
}

void TParticipantsBrowser::AppendParticipantNodes(QList<QTreeWidgetItem*>& nodes,
                                                  std::vector<TParticipantDraft>& participants, int image) const
{
    SortByText(participants);
    for (const TParticipantDraft& participant : participants) {
        TClubsNode* node = participant.Participant->Kind() == otPERSON
                               ? new TClubsNode(*participant.Participant, Icon(image), image)
                               : new TClubsNode(participant.Text, Icon(image), image);
        node->Participant = participant.Participant;
        nodes.push_back(node);
    }
}

void TParticipantsBrowser::Refresh()
{
    if (fDrawing) return;
    fChangeDelay->stop();
    ShowParticipant(fPage.TrvClubs->currentItem());
}

void TParticipantsBrowser::FlushChange()
{
    if (fChangeDelay->isActive()) Refresh();
}

bool TParticipantsBrowser::ChangePending() const
{
    return fChangeDelay->isActive();
}

void TParticipantsBrowser::ShowParticipant(const QTreeWidgetItem* node)
{
    // Setting the list's section widths reports a resize, on which the owner redraws; that must not start a second
    // drawing inside this one.
    if (fDrawing) return;
    TkvnPaintBox& box = *fPage.PbClubs;
    {
        TDrawingScope scope(box.window(), fDrawing);
        box.Clear();
        fPage.HcClubs->hide();
        fPage.PnlTnTitel->clear();
        if (node) {
            fPage.PnlTnTitel->setText(node->text(0));
            if (Level(node) < 2)
                DrawStatistics(*node);
            else if (const TOrvAbstractObject* collection = CollectionOf(node))
                DrawList(*collection);
        }
        fListShown = !fPage.HcClubs->isHidden();
        box.ShowDrawing();
        TkvnPaintBox::AlignHeader(fPage.HcClubs, box.width(), 0);
    }
    if (fOnListShown) fOnListShown(fListShown);
}

void TParticipantsBrowser::DrawStatistics(const QTreeWidgetItem& node)
{
    const TClubStatistic* statistic = StatisticOf(&node);
    if (!statistic) return;
    TkvnPaintBox& box = *fPage.PbClubs;
    const std::pair<int, std::int32_t> lines[] = {{17, statistic->Athletes},    {18, statistic->IndividualEntries},
                                                  {19, statistic->TeamEntries}, {20, statistic->IndividualStarts},
                                                  {21, statistic->TeamStarts},  {14, statistic->Gold},
                                                  {15, statistic->Silver},      {16, statistic->Bronze},
                                                  {22, statistic->Finals},      {23, statistic->SemiFinals}};
    int y = 5;
    for (const auto& [text, number] : lines) {
        if (number <= 0) continue;
        box.DrawText(10, y, 0, 0, Text("V", text));
        box.DrawText(200, y, 0, tfRight, std::to_string(number));
        y += kLineHeight;
    }
    y += 10;

    const TOrvAbstractObject* contact = statistic->Club ? ObjectChild(*statistic->Club, otCONTACT) : nullptr;
    if (Level(&node) != 1 || !contact) return;
    auto field = [contact](TOrvTagKind kind) { return std::string(contact->ChildText(kind)); };
    std::vector<std::string> texts{Text("V", 24), Trim(field(otFNAME) + " " + field(otNAME)), field(otSTREET),
                                   Trim(field(otZIP) + " " + field(otPLACE))};
    if (!field(otPHONE).empty()) texts.push_back(Text("V", 25) + field(otPHONE));
    if (!field(otFAX).empty()) texts.push_back(Text("V", 26) + field(otFAX));
    if (!field(otEMAIL).empty()) texts.push_back("Email: " + field(otEMAIL));
    if (!field(otINTERNET).empty()) texts.push_back("URL: " + field(otINTERNET));
    for (const std::string& text : texts) {
        if (text.empty()) continue;
        box.DrawText(10, y, 0, 0, text);
        y += kLineHeight;
    }
}

void TParticipantsBrowser::SetVariableSections(bool hasResults)
{
    TListHeader& header = *fPage.HcClubs;
    if (hasResults) {
        header.SetCaption(3, Text("V", 11));
        header.SetSection(5, Text("V", 12), Qt::AlignHCenter, fDocument.PointTable() ? 40 : 0);
    } else {
        header.SetCaption(3, Text("S", 17));
        header.SetSection(5, Text("V", 13), Qt::AlignLeft, 70);
    }
}

void TParticipantsBrowser::DrawList(const TOrvAbstractObject& collection)
{
    fHasResults = collection.Kind() == otRESULTS;
    fPage.HcClubs->show();
    SetVariableSections(fHasResults);
    std::vector<int> x = fPage.HcClubs->Edges();
    if (x.size() < kSectionCount + 1) return;
    const TOrvAbstractObject* owner = collection.Parent();
    bool relayTeam = owner && owner->Kind() == otRELAY;
    const TOrvCollection* items = collection.AsCollection();
    bool onlyValids = fPage.ChkTnOnlyValids->isChecked();
    int y = 5;
    // The participant's own list keeps the file's order.
    for (const TOrvAbstractElement* child : collection) {
        const TOrvObject* item = child->AsPlainObject();
        if (!item || !items || item->Kind() != items->ItemKind()) continue;
        const TOrvDataElement* time = TimeOf(*item);
        if (item->Kind() != otENTRY && onlyValids && (!time || time->TimeStatus() != 3)) continue;
        DrawItem(*item, relayTeam, x, y);
    }
}

void TParticipantsBrowser::DrawItem(const TOrvObject& item, bool relayTeam, const std::vector<int>& x, int& y)
{
    TkvnPaintBox& box = *fPage.PbClubs;
    std::int32_t eventId = item.ChildInt(otEID);
    // A result whose event is missing still shows its time, rank and comment; the event's columns stay empty.
    const TOrvObject* event = fDocument.FindEvent(eventId);
    const TOrvObject* category = fDocument.FindCategory(eventId, item.ChildInt(otCID));
    const TOrvDataElement* time = TimeOf(item);
    int status = time ? time->TimeStatus() : 0;

    if (event) {
        box.DrawText(x[1] / 2 - 1, y, 0, tfCenter, std::string(event->ChildText(otNUM)));
        box.DrawText(x[1] + 3, y, ColumnWidth(x[1], x[2]), 0, fDocument.EventTitle(*event, nullptr));
    }
    if (category) box.DrawText(x[2] + 3, y, ColumnWidth(x[2], x[3]), 0, fDocument.CategoryTitle(category));

    TSwimTime value = 0;
    TTextFlags style = tfRight;
    if (time && status == 3) {
        value = time->TimeValue(3);
        style |= tfBold;
    } else if (time && status == 1) {
        value = time->TimeValue(1);
        style |= tfItalic;
    } else if (time && status == 0) {
        value = time->TimeValue(0);
    }
    if (value > 0) box.DrawText(x[4] - 3, y, 0, style, SwimTimeToStr(value, true));

    int rankCentre = x[4] + (x[5] - x[4]) / 2 - 1;
    int rank = item.ChildInt(otRANK);
    std::string_view type = event ? event->ChildText(otTYPE) : std::string_view();
    if (rank > 0) {
        // Places in heats and semi-finals are only a way to the final: plain and set a little apart.
        if (TypeOccursIn(type, "SEM-PRE"))
            box.DrawText(rankCentre - 2, y, 0, tfCenter, std::to_string(rank) + ".");
        else
            box.DrawText(rankCentre, y, 0, tfCenter | tfBold, std::to_string(rank) + ".");
    }

    std::string comment(item.ChildText(otCOMMENT));
    if (event && type != "TIM") {
        std::string round = RoundName(*event);
        if (!round.empty()) comment = "(" + round + ")" + (comment.empty() ? std::string() : ",  " + comment);
    }
    if (item.Kind() == otRESULT) {
        if (!comment.empty()) box.DrawText(x[6] + 5, y, 0, 0, comment);
        if (item.ChildInt(otPOINTS) > 0)
            box.DrawText((x[5] + x[6]) / 2 - 2, y, 0, tfCenter, std::string(item.ChildText(otPOINTS)));
    } else if (item.ChildInt(otLANE) > 0) {
        box.DrawText(x[5] + 10, y, 0, 0,
                     std::to_string(item.ChildInt(otHEAT)) + " / " + std::to_string(item.ChildInt(otLANE)));
    }

    if (fPage.ChkTnSplit->isChecked() && (item.Kind() == otRESULT || relayTeam)) {
        DrawSplitBlock(box, item, rankCentre, x[1], y, event, fDocument);
        box.DrawLine(5, y + 14, 1, y + 14, std::max(x[1] + 300, x[5] - 1));
        y += kSplitLineHeight;
    } else {
        y += kLineHeight;
    }
}

} // namespace veltro

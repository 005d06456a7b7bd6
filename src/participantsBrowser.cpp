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

constexpr int kStatisticRole = Qt::UserRole + 1;
constexpr int kCollectionRole = Qt::UserRole + 2;
constexpr int kParticipantRole = Qt::UserRole + 3;
constexpr int kImageRole = Qt::UserRole + 4;

constexpr int kSectionCount = 6;
constexpr int kLineHeight = 15;
constexpr int kSplitLineHeight = 17;

// The group of clubs without nation is sorted by this text; it shows its language text only after the sort.
constexpr std::string_view kOtherGroup = "other";

std::string Text(std::string_view section, int n)
{
    return GetLanguage().GetText(section, n);
}

void SetPointer(QTreeWidgetItem* node, int role, const void* pointer)
{
    node->setData(0, role, QVariant::fromValue(reinterpret_cast<quintptr>(pointer)));
}

quintptr PointerOf(const QTreeWidgetItem* node, int role)
{
    return node ? node->data(0, role).value<quintptr>() : 0;
}

// Athletes (image 9) before relay teams (image 5) under a club; otherwise, and with equal images, by the texts'
// character codes, so "B" comes before "a". Equal nodes keep the file's order.
void SortNodes(QList<QTreeWidgetItem*>& nodes, int level)
{
    struct TKey {
        int Image;
        std::string Text; // UTF-8 compares byte by byte in code point order
        QTreeWidgetItem* Node;
    };
    std::vector<TKey> keys;
    keys.reserve(static_cast<std::size_t>(nodes.size()));
    for (QTreeWidgetItem* node : nodes)
        keys.push_back({level == 2 ? TParticipantsBrowser::ImageOf(node) : 0, node->text(0).toStdString(), node});
    std::stable_sort(keys.begin(), keys.end(), [](const TKey& a, const TKey& b) {
        if (a.Image != b.Image) return a.Image > b.Image;
        return a.Text < b.Text;
    });
    nodes.clear();
    for (const TKey& key : keys)
        nodes.push_back(key.Node);
}

void SortSubtree(QTreeWidgetItem* parent, int childLevel)
{
    QList<QTreeWidgetItem*> children = parent->takeChildren();
    SortNodes(children, childLevel);
    parent->addChildren(children);
    if (childLevel < 2)
        for (QTreeWidgetItem* child : children)
            SortSubtree(child, childLevel + 1);
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

void CountItem(TClubStatistic& statistic, const TOrvObject& item, const TOrvida& document)
{
    const TOrvAbstractObject* owner = item.Parent() ? item.Parent()->Parent() : nullptr;
    bool relay = owner && owner->ChildInt(otNUM) != 0;
    if (item.Kind() == otENTRY) {
        ++(relay ? statistic.TeamEntries : statistic.IndividualEntries);
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
    if (TypeOccursIn(type, "PRE-TIM")) ++(relay ? statistic.TeamStarts : statistic.IndividualStarts);
}

struct TParticipantsBrowser::TGroup {
    std::unique_ptr<QTreeWidgetItem> Node; // owned until the tree takes it
    TClubStatistic* Statistic;
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
    return reinterpret_cast<const TClubStatistic*>(PointerOf(node, kStatisticRole));
}

TOrvAbstractObject* TParticipantsBrowser::CollectionOf(const QTreeWidgetItem* node)
{
    return reinterpret_cast<TOrvAbstractObject*>(PointerOf(node, kCollectionRole));
}

TOrvObject* TParticipantsBrowser::ParticipantOf(const QTreeWidgetItem* node)
{
    return reinterpret_cast<TOrvObject*>(PointerOf(node, kParticipantRole));
}

int TParticipantsBrowser::ImageOf(const QTreeWidgetItem* node)
{
    QVariant image = node ? node->data(0, kImageRole) : QVariant();
    return image.isValid() ? image.toInt() : -1;
}

void TParticipantsBrowser::ClearClubsTree()
{
    fPage.TrvClubs->clear();
    fStatistics.clear();
    // The shown page may belong to a node that is gone; let it follow the tree as after a change of the current node.
    fChangeDelay->start();
}

QTreeWidgetItem* TParticipantsBrowser::NewNode(QTreeWidgetItem* parent, const std::string& text, int image)
{
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem();
    node->setText(0, QString::fromStdString(text));
    node->setData(0, kImageRole, image);
    if (fIcons) node->setIcon(0, fIcons(image));
    return node;
}

TClubStatistic& TParticipantsBrowser::NewStatistic(QTreeWidgetItem* node, const TOrvObject* club)
{
    fStatistics.push_back(std::make_unique<TClubStatistic>());
    TClubStatistic& statistic = *fStatistics.back();
    statistic.Club = club;
    SetPointer(node, kStatisticRole, &statistic);
    return statistic;
}

void TParticipantsBrowser::BuildClubsTree()
{
    ClearClubsTree();
    TOrvObject* competition = fDocument.Competition();
    if (!competition) return;

    // The nodes are put together outside the tree and sorted before they go in, so the tree takes them at once.
    std::vector<TGroup> groups;
    std::map<std::string, std::size_t> groupOfNation; // upper-case nation text -> index in groups
    auto newGroup = [this, &groups](std::string_view name) {
        int image = FindNationImage(fNations, name);
        std::unique_ptr<QTreeWidgetItem> node(NewNode(nullptr, std::string(name), image >= 0 ? image : imgNation));
        TClubStatistic* statistic = &NewStatistic(node.get(), nullptr);
        groups.push_back({std::move(node), statistic});
    };
    // The clubs without nation have a group of their own, apart from the named ones, so that a nation that happens
    // to be called "other" is not mixed with them.
    newGroup(kOtherGroup);

    int counted = 0;
    for (TOrvObject* club : CollectionItems(*competition, otCLUBS)) {
        if (fStatus) fStatus(std::to_string(++counted) + " clubs scanned ...");
        std::string_view nation = club->ChildText(otNATION);
        std::size_t group = 0;
        if (!nation.empty()) {
            auto [found, added] = groupOfNation.try_emplace(Utf8Upper(nation), groups.size());
            if (added) newGroup(nation);
            group = found->second;
        }
        AddClub(groups[group], *club);
    }

    QList<QTreeWidgetItem*> nodes;
    for (const TGroup& group : groups) {
        SortSubtree(group.Node.get(), 1);
        nodes.push_back(group.Node.get());
    }
    SortNodes(nodes, 0);
    QTreeWidgetItem* other = groups.front().Node.get();
    QTreeWidget* tree = fPage.TrvClubs;
    bool updatesWereEnabled = tree->updatesEnabled();
    tree->setUpdatesEnabled(false);
    tree->addTopLevelItems(nodes);
    for (TGroup& group : groups)
        static_cast<void>(group.Node.release()); // the tree owns them now
    other->setText(0, QString::fromStdString(Text("V", 10)));
    if (updatesWereEnabled) tree->setUpdatesEnabled(true);
}

void TParticipantsBrowser::AddClub(TGroup& group, TOrvObject& club)
{
    std::string_view nation = club.ChildText(otNATION);
    int image = -1;
    if (!nation.empty())
        image = FindNationImage(fNations, std::string(nation) + "_" + std::string(club.ChildText(otCODE)));
    QTreeWidgetItem* node =
        NewNode(group.Node.get(), std::string(club.ChildText(otNAME)), image >= 0 ? image : imgClub);
    TClubStatistic& statistic = NewStatistic(node, &club);
    for (TOrvObject* person : CollectionItems(club, otPERSONS))
        AddParticipant(node, *person, statistic, *group.Statistic);
    for (TOrvObject* relay : CollectionItems(club, otRELAYS))
        AddParticipant(node, *relay, statistic, *group.Statistic);
}

void TParticipantsBrowser::AddParticipant(QTreeWidgetItem* clubNode, TOrvObject& participant, TClubStatistic& club,
                                          TClubStatistic& group)
{
    bool athlete = participant.Kind() == otPERSON;
    QTreeWidgetItem* node =
        NewNode(clubNode, fDocument.ParticipantTitle(participant, false), athlete ? imgAthlete : imgRelay);
    SetPointer(node, kParticipantRole, &participant);

    // A participant with results is listed by its results only; its entries stay out of every list.
    TOrvTagKind kind = participant.Contains(otRESULTS) ? otRESULTS : otENTRIES;
    const TOrvAbstractElement* child = participant.Child(kind);
    const TOrvAbstractObject* collection = child ? child->AsObject() : nullptr;
    if (!collection) return;
    SetPointer(node, kCollectionRole, collection);
    if (athlete) {
        ++club.Athletes;
        ++group.Athletes;
    }
    for (TOrvObject* item : CollectionItems(participant, kind)) {
        fResultLists.AttachResult(*item);
        CountItem(club, *item, fDocument);
        CountItem(group, *item, fDocument);
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

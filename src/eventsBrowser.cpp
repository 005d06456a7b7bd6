#include "eventsBrowser.h"

#include "browserTree.h"
#include "kvnFormatSettings.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnPaintbox.h"
#include "kvnStrings.h"
#include "kvnSwim.h"
#include "listHeader.h"
#include "orvida.h"
#include "splitBlock.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace veltro {

using namespace kvn;

namespace {

enum : int { imgSession = 11, imgEvent = 12, imgAgeGroup = 13 };
const int kDefaultWidths[5] = {36, 143, 143, 53, 50};

std::string Text(std::string_view section, int n)
{
    return GetLanguage().GetText(section, n);
}

constexpr int kNodeType = QTreeWidgetItem::UserType + 2;

// A node of the events tree and the session, event or age group it stands for.
struct TEventsNode : TBrowserNode {
    TEventsNode(const std::string& text, QIcon icon, TOrvObject* element)
        : TBrowserNode(QString::fromStdString(text), std::move(icon), kNodeType), Element(element)
    {
    }
    TOrvObject* Element;
};

// The items of the owner's collection by their number child ("NUM", age groups "MIN"), each read once; equal
// numbers keep the file's order.
std::vector<TOrvObject*> ItemsByNumber(const TOrvObject& owner, TOrvTagKind collection, TOrvTagKind number)
{
    std::vector<std::pair<std::int32_t, TOrvObject*>> numbered;
    for (TOrvObject* item : CollectionItems(owner, collection))
        numbered.emplace_back(item->ChildInt(number), item);
    std::stable_sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TOrvObject*> items;
    items.reserve(numbered.size());
    for (const auto& [key, item] : numbered)
        items.push_back(item);
    return items;
}

std::string PeriodText(TOrvObject& period)
{
    std::string text = Text("S", 18) + IntToStr(period.ChildInt(otNUM)) + "  -  " +
                       FormatDate(true, period.DataChild(otDATE, true)->AsDate());
    std::string_view time = period.ChildText(otTIME);
    if (!time.empty())
        text += ", " + std::string(time.substr(0, 2)) + FormatSettings().TimeSeparator +
                std::string(time.size() > 2 ? time.substr(2, 2) : std::string_view());
    return text;
}

} // namespace

TEventsBrowser::TEventsBrowser(const TEventsPage& page, TOrvida& document, TIconSource icons, TStatus status,
                               TListShown listShown)
    : fPage(page), fDocument(document), fIcons(std::move(icons)), fStatus(std::move(status)),
      fListShown(std::move(listShown)), fChangeDelay(new QTimer(page.TrvEvents))
{
    QTreeWidget* tree = fPage.TrvEvents;
    SetUpBrowserTree(*tree);
    // Running through the tree with the arrow keys should not draw every list on the way.
    fChangeDelay->setSingleShot(true);
    fChangeDelay->setInterval(50);
    QObject::connect(fChangeDelay, &QTimer::timeout, tree, [this] { ShowEventList(fPage.TrvEvents->currentItem()); });
    QObject::connect(tree, &QTreeWidget::currentItemChanged, tree, [this] { fChangeDelay->start(); });
    fPage.HcEvents->SetSections({{"Rg.", Qt::AlignHCenter, 36, 20},
                                 {"Name, Vorname, Jg.", Qt::AlignLeft, 143, 50},
                                 {"Verein", Qt::AlignLeft, 143, 50},
                                 {"Zeit", Qt::AlignRight, 53, 53},
                                 {"Lauf / Bahn", Qt::AlignLeft, 50, 0}});
    fPage.HcEvents->hide();
}

TEventsBrowser::~TEventsBrowser() = default;

TOrvObject* TEventsBrowser::ElementOf(const QTreeWidgetItem* node)
{
    return node && node->type() == kNodeType ? static_cast<const TEventsNode*>(node)->Element : nullptr;
}

void TEventsBrowser::ApplyHeaderTexts()
{
    for (int section = 0; section < 3; ++section) {
        std::string caption = Text("V", 28 + section);
        if (!caption.empty()) fPage.HcEvents->SetCaption(section, caption);
    }
}

void TEventsBrowser::LoadHeaderWidths()
{
    for (int section = 0; section < 5; ++section)
        fPage.HcEvents->resizeSection(
            section, std::max(0, SettingsFile().ReadInteger("main", "hcEvents" + std::to_string(section),
                                                            kDefaultWidths[section])));
}

void TEventsBrowser::SaveHeaderWidths() const
{
    for (int section = 0; section < 5; ++section)
        SettingsFile().WriteInteger("main", "hcEvents" + std::to_string(section), fPage.HcEvents->sectionSize(section));
}

void TEventsBrowser::ClearResultLists()
{
    fLists.Clear();
}

void TEventsBrowser::ClearEventsTree()
{
    fChangeDelay->stop();
    fPage.TrvEvents->clear();
}

QTreeWidgetItem* TEventsBrowser::NewNode(const std::string& text, int image, TOrvObject* element) const
{
    return new TEventsNode(text, fIcons ? fIcons(image) : QIcon(), element);
}

void TEventsBrowser::BuildEventsTree()
{
    QTreeWidget* tree = fPage.TrvEvents;
    tree->setUpdatesEnabled(false);
    ClearEventsTree();
    // Every node is made in its place in the order, and each level goes into the tree in one call.
    QList<QTreeWidgetItem*> periods;
    int counted = 0;
    if (TOrvObject* competition = fDocument.Competition())
        for (TOrvObject* period : ItemsByNumber(*competition, otPERIODS, otNUM))
            periods.push_back(NewPeriodNode(*period, counted));
    tree->addTopLevelItems(periods);
    tree->setUpdatesEnabled(true);
}

QTreeWidgetItem* TEventsBrowser::NewPeriodNode(TOrvObject& period, int& counted)
{
    QTreeWidgetItem* periodNode = NewNode(PeriodText(period), imgSession, &period);
    int year = 0, month = 0, day = 0;
    DecodeDate(period.DataChild(otDATE, true)->AsDate(), year, month, day);
    QList<QTreeWidgetItem*> events;
    for (TOrvObject* event : ItemsByNumber(period, otEVENTS, otNUM)) {
        if (fStatus) fStatus(std::to_string(++counted) + " events scanned ...");
        events.push_back(NewEventNode(*event, year));
    }
    periodNode->addChildren(events);
    return periodNode;
}

QTreeWidgetItem* TEventsBrowser::NewEventNode(TOrvObject& event, int year)
{
    std::string text = Text("S", 18) + IntToStr(event.ChildInt(otNUM)) + " - " + fDocument.EventTitle(event, nullptr) +
                       " " + fDocument.GenderText(event);
    if (event.ChildText(otTYPE) != "TIM") text += ", " + RoundName(event);
    std::vector<TOrvObject*> categories = ItemsByNumber(event, otCATS, otMIN);
    if (categories.size() == 1) {
        const TOrvObject& category = *categories.front();
        int youngest = category.ChildInt(otMAX) == -1 ? 0 : year - category.ChildInt(otMAX);
        int oldest = category.ChildInt(otMIN) == -1 ? 99 : year - category.ChildInt(otMIN);
        text += ", " + AgeGroupText(youngest, oldest);
        if (!category.ChildText(otNAME).empty()) text += ", " + std::string(category.ChildText(otNAME));
    }
    QTreeWidgetItem* eventNode = NewNode(text, imgEvent, &event);
    if (categories.size() >= 2) {
        QList<QTreeWidgetItem*> ageGroups;
        for (TOrvObject* category : categories) {
            ageGroups.push_back(NewNode(fDocument.CategoryTitle(category), imgAgeGroup, category));
            fLists.CreateList(CategoryKey(event.Id(), category->Id()));
        }
        eventNode->addChildren(ageGroups);
    }
    fLists.CreateList(EventKey(event.Id()));
    return eventNode;
}

void TEventsBrowser::SortResultLists()
{
    fLists.Sort([this](int number) {
        if (fStatus) fStatus(std::to_string(number) + " resultlists sorted...");
    });
}

const TResultLists::TList* TEventsBrowser::ResultListFor(const QTreeWidgetItem* node) const
{
    const TOrvObject* element = ElementOf(node);
    if (!element) return nullptr;
    if (element->Kind() == otEVENT) return fLists.ListFor(EventKey(element->Id()));
    if (element->Kind() == otCAT && element->Parent() && element->Parent()->Parent())
        return fLists.ListFor(CategoryKey(element->Parent()->Parent()->AsPlainObject()->Id(), element->Id()));
    return nullptr;
}

int TEventsBrowser::LineHeight() const
{
    return fPage.ChkEvSplit->isChecked() ? 17 : 15;
}

void TEventsBrowser::Refresh()
{
    ShowEventList(fPage.TrvEvents->currentItem());
}

void TEventsBrowser::SetVariableSections(bool hasResults)
{
    TListHeader& header = *fPage.HcEvents;
    if (hasResults) {
        header.SetCaption(3, Text("V", 11));
        header.SetSection(4, Text("V", 12), Qt::AlignHCenter, fDocument.PointTable() ? 40 : 0);
    } else {
        header.SetCaption(3, Text("S", 17));
        header.SetSection(4, Text("V", 13), Qt::AlignLeft, 70);
    }
}

void TEventsBrowser::ShowEventList(const QTreeWidgetItem* node)
{
    // Setting the section widths of a list reports a resize, which asks for a redraw: not while drawing.
    if (fDrawing) return;
    struct TDrawingGuard {
        bool& Flag;
        explicit TDrawingGuard(bool& flag) : Flag(flag) { Flag = true; }
        ~TDrawingGuard() { Flag = false; }
    } guard(fDrawing);
    QWidget* window = fPage.PbEvents->window();
    window->setUpdatesEnabled(false);
    TkvnPaintBox& box = *fPage.PbEvents;
    box.Clear();
    fPage.HcEvents->hide();
    fPage.PnlEventTitel->clear();

    const TOrvObject* element = ElementOf(node);
    const TResultLists::TList* list = nullptr;
    const TOrvObject* event = nullptr;
    if (element && node->parent()) {
        std::string title = node->text(0).toStdString();
        if (element->Kind() == otCAT) {
            event = element->Parent()->Parent()->AsPlainObject();
            title = node->parent()->text(0).toStdString() + ", " + title;
        } else {
            event = element;
        }
        fPage.PnlEventTitel->setText(QString::fromStdString(title));
        list = ResultListFor(node);
    }

    if (list && event) {
        fHasResults =
            std::any_of(list->begin(), list->end(), [](const TOrvObject* item) { return item->Kind() == otRESULT; });
        fPage.HcEvents->setVisible(!list->empty());
        SetVariableSections(fHasResults);
        std::vector<int> x = fPage.HcEvents->Edges();
        bool withGender = event->ChildText(otSEX) == "X";
        int y = 5;
        for (std::size_t i = 0; i < list->size(); ++i) {
            const TOrvObject& item = *(*list)[i];
            const TOrvDataElement* time = TimeOf(item);
            int status = time ? time->TimeStatus() : 0;
            if (item.Kind() != otENTRY && fPage.ChkEvOnlyValids->isChecked() && status != 3) continue;
            DrawItem(item, *event, withGender, static_cast<int>(i) == HitIndex, x, y);
        }
    }

    if (fListShown) fListShown(!fPage.HcEvents->isHidden());
    box.ShowDrawing();
    TkvnPaintBox::AlignHeader(fPage.HcEvents, box.width(), 0);
    window->setUpdatesEnabled(true);

    int lineHeight = LineHeight();
    int hitBottom = (HitIndex + 3) * lineHeight;
    if (HitIndex >= 0 && box.viewport()->height() <= hitBottom)
        box.verticalScrollBar()->setValue(hitBottom - box.viewport()->height());
    HitIndex = -1;
}

void TEventsBrowser::DrawItem(const TOrvObject& item, const TOrvObject& event, bool withGender, bool highlighted,
                              const std::vector<int>& x, int& y)
{
    TkvnPaintBox& box = *fPage.PbEvents;
    const TOrvAbstractObject* owner = item.Parent() ? item.Parent()->Parent() : nullptr;
    const TOrvAbstractObject* club = owner && owner->Parent() ? owner->Parent()->Parent() : nullptr;
    const TOrvDataElement* time = TimeOf(item);
    int status = time ? time->TimeStatus() : 0;

    int rank = item.ChildInt(otRANK);
    if (rank > 0) box.DrawText(x[1] / 2 - 1, y, 0, tfCenter, std::to_string(rank) + ".");
    QPainter& canvas = box.DrawCanvas();
    const QPalette palette = QApplication::palette();
    if (highlighted) {
        canvas.setBrush(palette.color(QPalette::Highlight));
        canvas.setPen(palette.color(QPalette::HighlightedText));
    }
    if (owner) box.DrawText(x[1] + 3, y, x[2] - x[1] - 6, 0, fDocument.ParticipantTitle(*owner, withGender));
    if (highlighted) {
        canvas.setBrush(Qt::NoBrush);
        canvas.setPen(palette.color(QPalette::WindowText));
    }
    if (club) box.DrawText(x[2] + 3, y, x[3] - x[2] - 6, 0, std::string(club->ChildText(otNAME)));

    if (time) {
        switch (status) {
        case 3:
            box.DrawText(x[4] - 3, y, 0, tfRight | tfBold, SwimTimeToStr(time->TimeValue(3), true));
            break;
        case 1:
            box.DrawText(x[4] - 3, y, 0, tfRight | tfItalic, SwimTimeToStr(time->TimeValue(1), true));
            break;
        case 0:
            box.DrawText(x[4] - 3, y, 0, tfRight, SwimTimeToStr(time->TimeValue(0), true));
            break;
        default:
            break; // status "L": no time is shown
        }
    }

    if (item.Kind() == otRESULT) {
        std::string_view comment = item.ChildText(otCOMMENT);
        if (!comment.empty()) box.DrawText(x[5] + 5, y, 0, 0, std::string(comment));
        if (item.ChildInt(otPOINTS) > 0)
            box.DrawText((x[4] + x[5]) / 2 - 2, y, 0, tfCenter, std::string(item.ChildText(otPOINTS)));
    } else if (item.ChildInt(otLANE) > 0) {
        box.DrawText(x[4] + 10, y, 0, 0,
                     std::to_string(item.ChildInt(otHEAT)) + " / " + std::to_string(item.ChildInt(otLANE)));
    }

    if (fPage.ChkEvSplit->isChecked() && (item.Kind() == otRESULT || (owner && owner->Kind() == otRELAY))) {
        DrawSplitBlock(box, item, x[4] - 5, x[1], y, &event, fDocument);
        box.DrawLine(5, y + 14, 1, y + 14, x[4] - 1);
    }
    y += LineHeight();
}

} // namespace veltro

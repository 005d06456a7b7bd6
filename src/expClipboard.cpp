#include "expClipboard.h"

#include "splitBlock.h"

#include "eventsBrowser.h"
#include "kvnFunctions.h"
#include "kvnStrings.h"
#include "kvnSwim.h"
#include "orvida.h"
#include "participantsBrowser.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTreeWidget>

#include <algorithm>
#include <map>
#include <vector>

namespace veltro {

using namespace kvn;

namespace {

const char* const kLineEnd = "\r\n";

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

// Drops blanks, tabs and line breaks at both ends of the text and appends CR LF. The text starts with a title, so
// this takes the empty trailing fields off the line just written; it works in place, as lists can be long.
void CloseLine(std::string& text)
{
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    text.erase(end);
    std::size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin]))
        ++begin;
    text.erase(0, begin);
    text += kLineEnd;
}

// Only valid split times are exported; any other counts as no time.
TSwimTime ValidTime(const TOrvDataElement* time)
{
    return time && time->TimeStatus() == 3 ? time->TimeValue(3) : 0;
}

int TimeStatusOf(const TOrvAbstractObject& item)
{
    const TOrvDataElement* time = TimeOf(item);
    return time ? time->TimeStatus() : 0;
}

const TOrvAbstractObject* ObjectChild(const TOrvAbstractObject& owner, TOrvTagKind kind)
{
    const TOrvAbstractElement* child = owner.Child(kind);
    return child ? child->AsObject() : nullptr;
}

// The "PERSON" or "RELAY" that a result or entry belongs to.
const TOrvAbstractObject* OwnerOf(const TOrvAbstractObject& item)
{
    return item.Parent() ? item.Parent()->Parent() : nullptr;
}

std::string SplitColumnsText(const std::vector<const TOrvDataElement*>& splits, const std::string& unit)
{
    std::size_t count = splits.size();
    if (count == 0) return {};
    std::vector<std::string> cells;
    cells.reserve(count);
    TSwimTime previous = 0;
    for (const TOrvDataElement* split : splits) {
        std::string cell = "\t" + std::string(split->AttributeValue(ovaDIS)) + unit + ":";
        TSwimTime time = ValidTime(split);
        if (time <= 0) {
            cell += "\t\t";
        } else {
            cell += "\t" + SwimTimeToStr(time, true) + "\t" + Bracketed(SwimTimeDiff(time, previous));
            previous = time;
        }
        cells.push_back(std::move(cell));
    }
    // The first half (rounded up) is the left column, the rest the right one.
    std::size_t rows = (count - 1) / 2 + 1;
    std::string result;
    for (std::size_t row = 0; row < rows; ++row) {
        result += cells[row];
        if (rows + row < count) result += cells[rows + row];
        result += kLineEnd;
    }
    return result;
}

std::string RelayMembersText(const TOrvAbstractObject& positions, const TOrvAbstractObject* splits,
                             const TOrvAbstractObject& event, long long poolLength, const TOrvida& document)
{
    int legCount = event.ChildInt(otDISCNT);
    long long legDistance = event.ChildInt(otDIS);
    std::map<int, const TOrvAbstractObject*> legs = RelayLegs(positions, legCount);
    const std::string& unit = document.PoolUnit();
    const long long total = legDistance * legCount;
    TSwimTime previous = 0;
    TSwimTime legStart = 0;
    std::string result;
    for (long long distance = 0; distance < total; distance += poolLength) {
        // Trimming the rows so far also drops rows that stayed empty and the first row's leading tab.
        if (!result.empty()) CloseLine(result);
        std::string name;
        auto leg = legs.find(static_cast<int>(distance / legDistance));
        if (distance % legDistance == 0 && leg != legs.end())
            if (const TOrvObject* person = document.FindPerson(leg->second->ChildInt(otPID)))
                name = document.ParticipantTitle(*person, false);
        result += "\t" + name;

        long long splitDistance = distance + poolLength;
        std::string distanceText = std::to_string(splitDistance);
        TSwimTime time = ValidTime(SplitAt(splits, distanceText));
        std::string cell;
        if (time > 0) {
            cell = "\t" + distanceText + unit + ":\t" + SwimTimeToStr(time, true) + "\t" +
                   Bracketed(SwimTimeDiff(time, previous));
            if (splitDistance % legDistance == 0) {
                cell = SwimTimeToStr(SwimTimeDiff(time, legStart), true) + cell;
                legStart = time;
            }
            previous = time;
            cell = "\t" + cell;
        }
        result += cell + kLineEnd;
    }
    return result;
}

std::string NodeText(const QTreeWidgetItem* node)
{
    return node->text(0).toStdString();
}

} // namespace

std::string SplitsText(const TOrvAbstractObject& item, const TOrvAbstractObject* event, const TOrvida& document)
{
    const TOrvAbstractObject* splits = ObjectChild(item, otSPLITS);
    const TOrvAbstractObject* positions = ObjectChild(item, otPOSITIONS);
    if (!splits && !positions) return {};
    // The same limits as the drawing of the block: a relay layout that cannot step through the race falls back to
    // the plain split list.
    long long poolLength = RelayStepLength(positions, event, document);
    if (poolLength > 0) return RelayMembersText(*positions, splits, *event, poolLength, document);
    return SplitColumnsText(SortedSplits(splits), document.PoolUnit());
}

std::string CopyEventList(const QTreeWidgetItem* node, const TEventsBrowser& events, const TOrvida& document,
                          const TCopyOptions& options)
{
    const TOrvObject* element = TEventsBrowser::ElementOf(node);
    const TResultLists::TList* list = element && node->parent() ? events.ResultListFor(node) : nullptr;
    if (!list) return {};
    const TOrvAbstractObject* event = element;
    std::string text = NodeText(node);
    if (element->Kind() == otCAT) {
        event = element->Parent() ? element->Parent()->Parent() : nullptr;
        text = NodeText(node->parent()) + ", " + text;
    }
    if (!event) return {};
    text += kLineEnd;
    bool withGender = event->ChildText(otSEX) == "X";

    for (const TOrvObject* item : *list) {
        int status = TimeStatusOf(*item);
        // Unlike the screen, the copy filters entries too: an entry never has a valid result time.
        if (options.OnlyValid && status != 3) continue;
        text += "\t";
        if (item->ChildInt(otRANK) > 0) text += std::string(item->ChildText(otRANK)) + ".";
        const TOrvAbstractObject* owner = OwnerOf(*item);
        const TOrvAbstractObject* club = owner ? OwnerOf(*owner) : nullptr;
        text += "\t" + (owner ? document.ParticipantTitle(*owner, withGender) : std::string()) + "\t" +
                (club ? std::string(club->ChildText(otNAME)) : std::string()) + "\t";
        if (status == 3) text += SwimTimeToStr(TimeOf(*item)->TimeValue(3), true);
        std::string_view comment = item->ChildText(otCOMMENT);
        if (!comment.empty()) text += "\t" + std::string(comment);
        CloseLine(text);
        if (options.Splits) text += SplitsText(*item, event, document);
    }
    return text;
}

std::string CopyParticipantList(const QTreeWidgetItem* node, const TOrvida& document, const TCopyOptions& options)
{
    if (!node || TParticipantsBrowser::Level(node) != 2) return {};
    std::string text = NodeText(node) + kLineEnd;
    const TOrvAbstractObject* collection = TParticipantsBrowser::CollectionOf(node);
    const TOrvCollection* items = collection ? collection->AsCollection() : nullptr;
    if (!items) return text;

    // The participant's own list keeps the file's order.
    for (const TOrvAbstractElement* child : *items) {
        const TOrvObject* item = child->AsPlainObject();
        if (!item || item->Kind() != items->ItemKind()) continue;
        std::int32_t eventId = item->ChildInt(otEID);
        const TOrvObject* event = document.FindEvent(eventId);
        const TOrvObject* category = document.FindCategory(eventId, item->ChildInt(otCID));
        int status = TimeStatusOf(*item);
        if (options.OnlyValid && status != 3) continue;
        // A result whose event is missing keeps its time, rank and comment; the event's fields stay empty.
        text += "\t" + (event ? std::string(event->ChildText(otNUM)) : std::string()) + "\t" +
                (event ? document.EventTitle(*event, nullptr) : std::string()) + "\t";
        if (category) text += document.CategoryTitle(category);
        text += "\t";
        if (status == 3) text += SwimTimeToStr(TimeOf(*item)->TimeValue(3), true);
        text += "\t";
        if (int rank = item->ChildInt(otRANK); rank > 0) text += std::to_string(rank) + ".";
        std::string comment(item->ChildText(otCOMMENT));
        // The round goes in front of the comment, as on screen; a type without a round name adds nothing.
        if (event && event->ChildText(otTYPE) != "TIM") {
            std::string round = RoundName(*event);
            if (!round.empty()) comment = "(" + round + ")" + (comment.empty() ? std::string() : ",  " + comment);
        }
        if (!comment.empty()) text += "\t" + comment;
        CloseLine(text);
        if (options.Splits) text += SplitsText(*item, event, document);
    }
    return text;
}

std::string ShownListText(TfrmView& window)
{
    Ui::TfrmView& form = window.Widgets();
    switch (form.PgcMain->currentIndex()) {
    case TfrmView::pgEvents:
        return CopyEventList(form.TrvEvents->currentItem(), window.Events(), window.Document(),
                             {form.chkEvSplit->isChecked(), form.chkEvOnlyValids->isChecked()});
    case TfrmView::pgParticipants:
        return CopyParticipantList(form.trvClubs->currentItem(), window.Document(),
                                   {form.chkTnSplit->isChecked(), form.chkTnOnlyValids->isChecked()});
    default:
        return {};
    }
}

void PutOnClipboard(const std::string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void CopyShownList(TfrmView& window)
{
    std::string text = ShownListText(window);
    if (!text.empty()) PutOnClipboard(text);
}

} // namespace veltro

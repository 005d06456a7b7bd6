#include "splitBlock.h"

#include "kvnFunctions.h"
#include "kvnPaintbox.h"
#include "kvnStrings.h"
#include "orvida.h"

#include <algorithm>
#include <map>
#include <vector>

namespace veltro {

using namespace kvn;

namespace {

constexpr int kRowHeight = 15;
// Relay blocks step through the race split by split; a file whose distances would ask for more rows than any real
// race has is shown as a plain split list instead.
constexpr long long kMostRelaySteps = 1000;

struct TBlockLayout {
    TkvnPaintBox& Box;
    const TOrvida& Document;
    int NameWidth;

    std::string Label(std::string_view distance) const { return std::string(distance) + Document.PoolUnit() + ":"; }
};

TTextFlags SplitStyle(const TOrvDataElement& split)
{
    return split.TimeStatus() == 3 ? tfRight : tfRight | tfItalic;
}

// Splits in two columns: the first half (rounded up) on the left, the rest on the right; each with the difference
// to the split before it, running on from the left column into the right.
void DrawSplitColumns(const TBlockLayout& layout, const std::vector<const TOrvDataElement*>& splits, int nameLeft,
                      int& y)
{
    int count = static_cast<int>(splits.size());
    if (count == 0) return;
    int rows = (count - 1) / 2 + 1;
    int top = y;
    TSwimTime previous = 0;
    int left = nameLeft;
    for (int column = 0; column < 2; ++column) {
        for (int row = 0; row < rows && column * rows + row < count; ++row) {
            const TOrvDataElement& split = *splits[static_cast<std::size_t>(column * rows + row)];
            y += kRowHeight;
            layout.Box.DrawText(left + 3, y, 0, 0, layout.Label(split.AttributeValue(ovaDIS)));
            TSwimTime time = split.TimeValue(4);
            layout.Box.DrawText(left + 85, y, 0, SplitStyle(split), SwimTimeToStr(time, true));
            if (previous + time > 0)
                layout.Box.DrawText(left + 137, y, 0, SplitStyle(split), Bracketed(SwimTimeDiff(time, previous)));
            previous = time;
        }
        left += layout.NameWidth;
        y = top;
    }
    y = top + rows * kRowHeight;
}

// Each relay member's name, then the splits of the leg beside and below it, with the leg time at the right end of
// the name area.
void DrawRelayMembers(const TBlockLayout& layout, const TOrvAbstractObject& positions, const TOrvAbstractObject* splits,
                      const TOrvAbstractObject& event, long long poolLength, int nameLeft, int& y)
{
    int legCount = event.ChildInt(otDISCNT);
    long long legDistance = event.ChildInt(otDIS);
    std::map<int, const TOrvAbstractObject*> legs = RelayLegs(positions, legCount);
    const int width = layout.NameWidth;
    const long long total = legDistance * legCount;
    TSwimTime previous = 0;
    TSwimTime legStart = 0;
    bool pending = false;
    for (long long distance = 0; distance < total; distance += poolLength) {
        auto leg = legs.find(static_cast<int>(distance / legDistance));
        if (distance % legDistance == 0 && leg != legs.end()) {
            y += kRowHeight;
            pending = true;
            if (const TOrvObject* person = layout.Document.FindPerson(leg->second->ChildInt(otPID)))
                layout.Box.DrawText(nameLeft + 3, y, width - 5, 0, layout.Document.ParticipantTitle(*person, false));
        }
        long long splitDistance = distance + poolLength;
        std::string distanceText = std::to_string(splitDistance);
        const TOrvDataElement* split = SplitAt(splits, distanceText);
        TSwimTime time = split ? split->TimeValue(4) : 0;
        if (time <= 0) continue;
        if (!pending) y += kRowHeight;
        pending = false;
        TTextFlags style = SplitStyle(*split);
        layout.Box.DrawText(nameLeft + width + 3, y, 0, 0, layout.Label(distanceText));
        layout.Box.DrawText(nameLeft + width + 85, y, 0, style, SwimTimeToStr(time, true));
        layout.Box.DrawText(nameLeft + width + 137, y, 0, style, Bracketed(SwimTimeDiff(time, previous)));
        if (splitDistance % legDistance == 0) {
            if (previous != legStart)
                layout.Box.DrawText(nameLeft + width - 5, y, 0, style,
                                    SwimTimeToStr(SwimTimeDiff(time, legStart), true));
            legStart = time;
        }
        previous = time;
    }
}

const TOrvAbstractObject* CollectionChild(const TOrvAbstractObject& owner, TOrvTagKind kind)
{
    const TOrvAbstractElement* child = owner.Child(kind);
    return child ? child->AsObject() : nullptr;
}

} // namespace

std::vector<const TOrvDataElement*> SortedSplits(const TOrvAbstractObject* splits)
{
    std::vector<const TOrvDataElement*> sorted;
    if (!splits) return sorted;
    for (const TOrvAbstractElement* child : *splits)
        if (const TOrvDataElement* split = child->AsData(); split && child->Kind() == otSPLIT) sorted.push_back(split);
    std::stable_sort(sorted.begin(), sorted.end(), [](const TOrvDataElement* a, const TOrvDataElement* b) {
        return OrvTextToInt(a->AttributeValue(ovaDIS)) < OrvTextToInt(b->AttributeValue(ovaDIS));
    });
    return sorted;
}

std::map<int, const TOrvAbstractObject*> RelayLegs(const TOrvAbstractObject& positions, int legCount)
{
    std::map<int, const TOrvAbstractObject*> legs;
    for (const TOrvAbstractElement* child : positions) {
        const TOrvAbstractObject* position = child->AsObject();
        int number = position ? position->ChildInt(otNUM) : 0;
        if (position && number >= 1 && number <= legCount) legs[number - 1] = position;
    }
    return legs;
}

long long RelayStepLength(const TOrvAbstractObject* positions, const TOrvAbstractObject* event, const TOrvida& document)
{
    long long poolLength = document.Competition() ? document.Competition()->ChildInt(otPL) : 0;
    if (!positions || !event || poolLength <= 0 || event->ChildInt(otDIS) <= 0 || event->ChildInt(otDISCNT) <= 0)
        return 0;
    long long steps = static_cast<long long>(event->ChildInt(otDIS)) * event->ChildInt(otDISCNT) / poolLength;
    return steps <= kMostRelaySteps ? poolLength : 0;
}

const TOrvDataElement* SplitAt(const TOrvAbstractObject* splits, std::string_view distance)
{
    const TOrvAbstractElement* found = splits ? splits->FindByAttribute(ovaDIS, distance) : nullptr;
    return found ? found->AsData() : nullptr;
}

std::string Bracketed(TSwimTime difference)
{
    return "(" + Trim(SwimTimeToStr(difference, true)) + ")";
}

void DrawSplitBlock(TkvnPaintBox& box, const TOrvAbstractObject& item, int timeRight, int nameLeft, int& y,
                    const TOrvAbstractObject* event, const TOrvida& document)
{
    y += 1;
    const TOrvAbstractObject* splits = CollectionChild(item, otSPLITS);
    const TOrvAbstractObject* positions = CollectionChild(item, otPOSITIONS);
    if (splits || positions) {
        TBlockLayout layout{box, document, std::min(220, std::max(160, timeRight - nameLeft - 137))};
        long long poolLength = RelayStepLength(positions, event, document);
        if (poolLength > 0)
            DrawRelayMembers(layout, *positions, splits, *event, poolLength, nameLeft, y);
        else
            DrawSplitColumns(layout, SortedSplits(splits), nameLeft, y);
    }
    y += 5;
}

} // namespace veltro

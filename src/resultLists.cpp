#include "resultLists.h"

#include <algorithm>

namespace veltro {

using namespace kvn;

std::string EventKey(std::int32_t eventId)
{
    return std::to_string(eventId);
}

std::string CategoryKey(std::int32_t eventId, std::int32_t categoryId)
{
    return std::to_string(eventId) + ";" + std::to_string(categoryId);
}

const TOrvDataElement* TimeOf(const TOrvAbstractObject& item)
{
    const TOrvAbstractElement* time = item.Child(otTIME);
    return time ? time->AsData() : nullptr;
}

void TResultLists::Clear()
{
    fLists.clear();
}

void TResultLists::CreateList(const std::string& key)
{
    fLists.try_emplace(key);
}

const TResultLists::TList* TResultLists::ListFor(const std::string& key) const
{
    auto found = fLists.find(key);
    return found == fLists.end() ? nullptr : &found->second;
}

void TResultLists::AttachResult(TOrvObject& item)
{
    std::string eventText(item.ChildText(otEID));
    std::string categoryText(item.ChildText(otCID));
    auto list = categoryText.empty() ? fLists.end() : fLists.find(eventText + ";" + categoryText);
    if (list == fLists.end()) list = fLists.find(eventText);
    if (list != fLists.end()) list->second.push_back(&item);
}

int CompareListItems(const TOrvObject& a, const TOrvObject& b)
{
    int rankA = a.ChildInt(otRANK);
    int rankB = b.ChildInt(otRANK);
    if (rankA > 0 || rankB > 0) {
        if (rankA <= 0) return 1;
        if (rankB <= 0) return -1;
        return rankA < rankB ? -1 : rankA > rankB ? 1 : 0;
    }
    bool entryA = a.Kind() == otENTRY;
    bool entryB = b.Kind() == otENTRY;
    if (!entryA && !entryB) return 0;
    if (entryA != entryB) return entryA ? 1 : -1;
    const TOrvDataElement* timeA = TimeOf(a);
    const TOrvDataElement* timeB = TimeOf(b);
    TSwimTime valueA = timeA ? timeA->TimeValue(4) : 0;
    TSwimTime valueB = timeB ? timeB->TimeValue(4) : 0;
    return valueA < valueB ? -1 : valueA > valueB ? 1 : 0;
}

void TResultLists::Sort(const TProgress& progress)
{
    int number = 0;
    for (auto& [key, list] : fLists) {
        if (progress) progress(++number);
        std::stable_sort(list.begin(), list.end(),
                         [](const TOrvObject* a, const TOrvObject* b) { return CompareListItems(*a, *b) < 0; });
    }
}

} // namespace veltro

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

namespace {

// What the order of a list item depends on, read once per sort: the rank and the time sit among the item's
// children and the rank is text, so reading them inside every comparison would dominate the sort.
struct TSortKey {
    int Rank = 0;
    bool Entry = false;
    TSwimTime Time = 0;
    TOrvObject* Item = nullptr;
};

TSortKey SortKeyOf(const TOrvObject& item)
{
    TSortKey key;
    key.Rank = item.ChildInt(otRANK);
    key.Entry = item.Kind() == otENTRY;
    if (key.Rank <= 0 && key.Entry) {
        const TOrvDataElement* time = TimeOf(item);
        key.Time = time ? time->TimeValue(4) : 0;
    }
    key.Item = const_cast<TOrvObject*>(&item);
    return key;
}

int CompareKeys(const TSortKey& a, const TSortKey& b)
{
    if (a.Rank > 0 || b.Rank > 0) {
        if (a.Rank <= 0) return 1;
        if (b.Rank <= 0) return -1;
        return a.Rank < b.Rank ? -1 : a.Rank > b.Rank ? 1 : 0;
    }
    if (!a.Entry && !b.Entry) return 0;
    if (a.Entry != b.Entry) return a.Entry ? 1 : -1;
    return a.Time < b.Time ? -1 : a.Time > b.Time ? 1 : 0;
}

void SortList(TResultLists::TList& list, std::vector<TSortKey>& keys)
{
    keys.clear();
    keys.reserve(list.size());
    for (TOrvObject* item : list)
        keys.push_back(SortKeyOf(*item));
    std::stable_sort(keys.begin(), keys.end(),
                     [](const TSortKey& a, const TSortKey& b) { return CompareKeys(a, b) < 0; });
    for (std::size_t i = 0; i < keys.size(); ++i)
        list[i] = keys[i].Item;
}

} // namespace

int CompareListItems(const TOrvObject& a, const TOrvObject& b)
{
    return CompareKeys(SortKeyOf(a), SortKeyOf(b));
}

void TResultLists::Sort(const TProgress& progress)
{
    int number = 0;
    std::vector<TSortKey> keys;
    for (auto& [key, list] : fLists) {
        if (progress) progress(++number);
        SortList(list, keys);
    }
}

} // namespace veltro

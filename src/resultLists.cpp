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
    return found == fLists.end() ? nullptr : &found->second.Items;
}

bool TResultLists::HasAnyResult() const
{
    for (const auto& [key, list] : fLists)
        for (const kvn::TOrvObject* item : list.Items)
            if (item->Kind() == kvn::otRESULT) return true;
    return false;
}

namespace {

TListSortKey SortKeyOf(const TOrvObject& item)
{
    TListSortKey key;
    key.Rank = item.ChildInt(otRANK);
    if (key.Rank <= 0 && item.Kind() == otENTRY) {
        key.Rank = TListSortKey::kUnrankedEntry;
        const TOrvDataElement* time = TimeOf(item);
        key.Time = time ? time->TimeValue(4) : 0;
    } else if (key.Rank <= 0) {
        key.Rank = 0;
    }
    key.Item = const_cast<TOrvObject*>(&item);
    return key;
}

int CompareKeys(const TListSortKey& a, const TListSortKey& b)
{
    if (a.Rank > 0 || b.Rank > 0) {
        if (a.Rank <= 0) return 1;
        if (b.Rank <= 0) return -1;
        return a.Rank < b.Rank ? -1 : a.Rank > b.Rank ? 1 : 0;
    }
    bool aEntry = a.Rank == TListSortKey::kUnrankedEntry;
    bool bEntry = b.Rank == TListSortKey::kUnrankedEntry;
    if (!aEntry && !bEntry) return 0;
    if (aEntry != bEntry) return aEntry ? 1 : -1;
    return a.Time < b.Time ? -1 : a.Time > b.Time ? 1 : 0;
}

} // namespace

void TResultLists::AttachResult(TOrvObject& item)
{
    std::string_view eventText = item.ChildText(otEID);
    std::string_view categoryText = item.ChildText(otCID);
    auto list = fLists.end();
    if (!categoryText.empty()) list = fLists.find(std::string(eventText).append(";").append(categoryText));
    if (list == fLists.end()) list = fLists.find(eventText);
    if (list == fLists.end()) return;
    list->second.Items.push_back(&item);
    list->second.Keys.push_back(SortKeyOf(item));
}

void TResultLists::SortList(TFiledList& list)
{
    // Every item is filed with its key, so a list without keys has had nothing filed since it was sorted.
    if (list.Keys.empty()) return;
    // Items filed after an earlier sort have keys, the sorted ones no longer: then all are read again.
    if (list.Keys.size() != list.Items.size()) {
        list.Keys.clear();
        for (TOrvObject* item : list.Items)
            list.Keys.push_back(SortKeyOf(*item));
    }
    std::stable_sort(list.Keys.begin(), list.Keys.end(),
                     [](const TListSortKey& a, const TListSortKey& b) { return CompareKeys(a, b) < 0; });
    for (std::size_t i = 0; i < list.Keys.size(); ++i)
        list.Items[i] = list.Keys[i].Item;
    std::vector<TListSortKey>().swap(list.Keys);
}

int CompareListItems(const TOrvObject& a, const TOrvObject& b)
{
    return CompareKeys(SortKeyOf(a), SortKeyOf(b));
}

void TResultLists::Sort(const TProgress& progress)
{
    int number = 0;
    for (auto& [key, list] : fLists) {
        if (progress) progress(++number);
        SortList(list);
    }
}

} // namespace veltro

#pragma once

#include "orvElements.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// The per-event result lists of the selected competition: every "RESULT" and "ENTRY" of the competition, filed
// under its event ("EID") or its event and age group ("EID;CID"). The lists refer into the document.

namespace veltro {

// What the place of an item in its list depends on, in 16 bytes: one is held per result and entry while the lists
// are filled.
struct TListSortKey {
    static constexpr std::int32_t kUnrankedEntry = -1;
    std::int32_t Rank = 0;   // the rank when above 0, else 0 for a result and kUnrankedEntry for an entry
    kvn::TSwimTime Time = 0; // the entry time, read for unranked entries only
    kvn::TOrvObject* Item = nullptr;
};

class TResultLists {
public:
    using TList = std::vector<kvn::TOrvObject*>;
    using TProgress = std::function<void(int listNumber)>;

    // Forgets every list.
    void Clear();
    // Creates an empty list under the key unless one exists.
    void CreateList(const std::string& key);
    // The list under the key, or nullptr.
    const TList* ListFor(const std::string& key) const;
    // True when any list holds a result rather than only entries.
    bool HasAnyResult() const;
    // Files a result or entry under "EID;CID" when that list exists, else under "EID"; keys are compared as text,
    // so an "EID" of 07 does not find event 7. An item that finds no list is in none.
    void AttachResult(kvn::TOrvObject& item);
    // Sorts every list: ranked items by rank, then unranked results, then entries by entry time (no time first).
    // Items that compare equal keep the file's order, so a list always shows, copies and prints the same way.
    // A list that had nothing filed since its last sort stays as it is.
    void Sort(const TProgress& progress = {});

private:
    // The keys are read when an item is filed, while its children are at hand: reading them in the sort would
    // walk the whole element tree once more. They are dropped after the sort.
    struct TFiledList {
        TList Items;
        std::vector<TListSortKey> Keys;
    };
    static void SortList(TFiledList& list);

    std::map<std::string, TFiledList, std::less<>> fLists;
};

// The key of an event's own list, and of one of its age groups.
std::string EventKey(std::int32_t eventId);
std::string CategoryKey(std::int32_t eventId, std::int32_t categoryId);

// The order of two list items: negative when a comes first, positive when b does, 0 when they rank equal.
int CompareListItems(const kvn::TOrvObject& a, const kvn::TOrvObject& b);

// The "TIME" of a result or entry, or nullptr; reading never adds elements to the tree.
const kvn::TOrvDataElement* TimeOf(const kvn::TOrvAbstractObject& item);

} // namespace veltro

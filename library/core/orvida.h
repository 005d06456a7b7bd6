#pragma once

#include "kvnDateTime.h"
#include "orvElements.h"
#include "orvParser.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kvn {

// The result document: the element tree of one loaded file, its reading messages, per-competition indexes of
// persons, events and age groups, the competition the user selected, and the titles every view shows.
class TOrvida : public IOrvMessageReceiver {
public:
    using TProgress = TOrvParser::TProgress;
    // Sorted by key text ("10" before "9"); lookups are exact.
    using TIndex = std::map<std::string, TOrvAbstractElement*, std::less<>>;

    TOrvida() = default;
    TOrvida(const TOrvida&) = delete;
    TOrvida& operator=(const TOrvida&) = delete;

    // Forgets messages, indexes, selection and tree.
    void Clear();
    // Replaces everything by the content of the file; problems end up in Errors and Warnings.
    void LoadFromFile(const std::string& path, const TProgress& progress = {});
    // Stores a message line: the bare text for position 0, else "Line %d: %s".
    void AddMessage(const std::string& text, std::int32_t position, bool warning) override;

    // True when the file has a "COMPETITIONS" collection.
    bool HasCompetitions() const;
    // Number of competitions in the file.
    int CompetitionCount() const;
    // Fills defaults and builds the indexes of every competition, once per load; duplicate ids become errors.
    void BuildIndexes();
    // Selects the competition at the index (from 0): point table, pool unit, dates and year.
    void SelectCompetition(int index);

    // Lookups in the selected competition; nullptr when there is none.
    TOrvObject* FindPerson(std::int32_t id) const;
    TOrvObject* FindEvent(std::int32_t id) const;
    // The age group; for category id 0 without an exact match, the event's first age group in key order.
    TOrvObject* FindCategory(std::int32_t eventId, std::int32_t categoryId) const;

    // "4 x 100m Freestyle Relay, 11 - 14 years" (the pool unit replaces the "m" of metres).
    std::string EventTitle(const TOrvAbstractObject& event, const TOrvAbstractObject* category) const;
    // The age-group text of the category, with its name and gender; the open age group without a category.
    std::string CategoryTitle(const TOrvAbstractObject* category) const;
    // Gender name from the first letter of the element's "SEX".
    std::string GenderText(const TOrvAbstractObject& element) const;
    // "Muster Hans, 87" for a person; a relay team's name or numbered-team text, with its gender when asked.
    std::string ParticipantTitle(const TOrvAbstractObject& participant, bool withGender) const;
    // Format version and the software that wrote the file, on two lines.
    std::string FileInfoText() const;

    TOrvObject* Root() const { return fTree ? fTree->Root() : nullptr; }
    const std::string& FileName() const { return fFileName; }
    TOrvObject* Competition() const { return fCompetition; }
    TOrvObject* PointTable() const { return fPointTable; }
    const std::string& PoolUnit() const { return fPoolUnit; }
    int Year() const { return fYear; }
    TDateTime FirstDate() const { return fFirstDate; }
    TDateTime LastDate() const { return fLastDate; }
    int CompetitionIndex() const { return fCompetitionIndex; }
    bool IsTidewell() const { return fIsTidewell; }
    bool IndexesBuilt() const { return fIndexesBuilt; }
    const std::vector<std::string>& Errors() const { return fErrors; }
    const std::vector<std::string>& Warnings() const { return fWarnings; }
    // Memory of the element tree.
    std::size_t TreeMemory() const { return fTree ? fTree->MemoryUsed() : 0; }

private:
    struct TCompetitionIndexes {
        // By number: an entry under the number takes half the memory of one under its text, once per athlete.
        std::unordered_map<std::int32_t, TOrvAbstractElement*> Persons;
        // By number: every result and entry looks its event up while a competition is shown.
        std::unordered_map<std::int32_t, TOrvAbstractElement*> Events;
        TIndex Categories;
    };

    void IndexCompetition(TOrvObject& competition, TCompetitionIndexes& indexes);
    void IndexEvents(TOrvObject& competition, TCompetitionIndexes& indexes);
    void IndexClubs(TOrvObject& competition, TCompetitionIndexes& indexes);
    // Adds the element under the key; a taken key reports the duplicate and marks the element faulty.
    template <class TMap>
    bool AddToIndex(TMap& index, typename TMap::key_type key, TOrvAbstractElement& element, const char* duplicateText);
    const TCompetitionIndexes* SelectedIndexes() const;

    std::unique_ptr<TOrvTree> fTree;
    std::string fFileName;
    TOrvObject* fCompetition = nullptr;
    TOrvObject* fPointTable = nullptr;
    std::string fPoolUnit;
    int fYear = 0;
    TDateTime fFirstDate = 1.7e308;
    TDateTime fLastDate = 0;
    int fCompetitionIndex = 0;
    bool fIsTidewell = false;
    bool fIndexesBuilt = false;
    std::vector<TCompetitionIndexes> fIndexes;
    std::vector<std::string> fErrors;
    std::vector<std::string> fWarnings;
};

// "Muster Hans, 87": the title of a person, which needs nothing of the document.
std::string PersonTitle(const TOrvAbstractObject& person);

// The items of an object's collection child of the given kind that have the collection's item kind.
std::vector<TOrvObject*> CollectionItems(const TOrvAbstractObject& owner, TOrvTagKind collectionKind);

// Calls visit with each of those items, in their order, without gathering them first.
template <typename TVisit>
void ForEachCollectionItem(const TOrvAbstractObject& owner, TOrvTagKind collectionKind, TVisit&& visit)
{
    const TOrvAbstractElement* child = owner.Child(collectionKind);
    const TOrvCollection* collection = child ? child->AsCollection() : nullptr;
    if (!collection) return;
    for (TOrvAbstractElement* item : *collection)
        if (TOrvObject* object = item->AsPlainObject(); object && item->Kind() == collection->ItemKind())
            visit(*object);
}

} // namespace kvn

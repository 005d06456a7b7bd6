#include "orvida.h"

#include "kvnSwim.h"
#include "orvDump.h"

#include <exception>
#include <filesystem>
#include <new>

namespace kvn {

namespace {

// Sets a data child to a default when it is missing.
void DefaultText(TOrvAbstractObject& owner, TOrvTagKind kind, std::string_view value)
{
    if (!owner.Contains(kind)) owner.DataChild(kind, true)->SetText(value);
}

bool HasItems(const TOrvAbstractObject& owner, TOrvTagKind collectionKind)
{
    const TOrvAbstractElement* collection = owner.Child(collectionKind);
    return collection && collection->AsObject() && collection->AsObject()->Count() > 0;
}

// The number with at least two digits and its sign, as "%.2d" writes it.
void AppendTwoDigits(std::string& text, int number)
{
    if (number < 0) text += '-';
    unsigned magnitude = number < 0 ? 0u - static_cast<unsigned>(number) : static_cast<unsigned>(number);
    if (magnitude < 10) text += '0';
    text += std::to_string(magnitude);
}

enum : std::uint8_t {
    flHasEntries = 1,
    flHasResults = 2,
    flIndividualEntries = 4,
    flRelayEntries = 8,
    flIndividualResults = 16,
    flRelayResults = 32
};

} // namespace

std::vector<TOrvObject*> CollectionItems(const TOrvAbstractObject& owner, TOrvTagKind collectionKind)
{
    std::vector<TOrvObject*> items;
    const TOrvAbstractElement* child = owner.Child(collectionKind);
    const TOrvCollection* collection = child ? child->AsCollection() : nullptr;
    if (!collection) return items;
    items.reserve(static_cast<std::size_t>(collection->Count()));
    for (TOrvAbstractElement* item : *collection)
        if (item->Kind() == collection->ItemKind()) items.push_back(item->AsPlainObject());
    return items;
}

void TOrvida::Clear()
{
    fErrors.clear();
    fWarnings.clear();
    fIndexes.clear();
    fCompetition = nullptr;
    fPointTable = nullptr;
    fTree.reset();
}

void TOrvida::LoadFromFile(const std::string& path, const TProgress& progress)
{
    fFileName = std::filesystem::path(path).filename().string();
    Clear();
    fIndexesBuilt = false;
    fIsTidewell = false;
    bool outOfMemory = false;
    {
        TOrvParser parser(*this);
        try {
            fTree = parser.Parse(path, progress);
            fIsTidewell = parser.IsScrambled();
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    } // the part of the tree read so far is given back before the message takes memory
    if (outOfMemory) fErrors.push_back("Not enough memory to read the file !");
    fCompetitionIndex = 0;
}

void TOrvida::AddMessage(const std::string& text, std::int32_t position, bool warning)
{
    (warning ? fWarnings : fErrors).push_back(FormatMessageLine(text, position));
}

bool TOrvida::HasCompetitions() const
{
    return Root() && Root()->Contains(otCOMPETITIONS);
}

int TOrvida::CompetitionCount() const
{
    return Root() ? static_cast<int>(CollectionItems(*Root(), otCOMPETITIONS).size()) : 0;
}

void TOrvida::BuildIndexes()
{
    if (fIndexesBuilt) return;
    try {
        if (HasCompetitions()) {
            std::vector<TOrvObject*> competitions = CollectionItems(*Root(), otCOMPETITIONS);
            fIndexes.assign(competitions.size(), {});
            for (std::size_t i = 0; i < competitions.size(); ++i)
                IndexCompetition(*competitions[i], fIndexes[i]);
        }
    } catch (const std::exception& failure) {
        fErrors.push_back(failure.what());
    }
    fIndexesBuilt = true;
}

void TOrvida::IndexCompetition(TOrvObject& competition, TCompetitionIndexes& indexes)
{
    if (!competition.Contains(otPL)) competition.DataChild(otPL, true)->SetInteger(50);
    DefaultText(competition, otPM, "m");
    DefaultText(competition, otTI, "A");
    IndexEvents(competition, indexes);
    IndexClubs(competition, indexes);
}

void TOrvida::IndexEvents(TOrvObject& competition, TCompetitionIndexes& indexes)
{
    for (TOrvObject* period : CollectionItems(competition, otPERIODS)) {
        for (TOrvObject* event : CollectionItems(*period, otEVENTS)) {
            if (event->ChildInt(otDISCNT) == 0) event->DataChild(otDISCNT, true)->SetInteger(1);
            DefaultText(*event, otSEX, "X");
            DefaultText(*event, otTYPE, "TIM");
            std::string eventKey = std::to_string(event->Id());
            AddToIndex(indexes.Events, event->Id(), *event, "Duplicate EVENT id !");
            for (TOrvObject* category : CollectionItems(*event, otCATS))
                AddToIndex(indexes.Categories, eventKey + "=" + std::to_string(category->Id()), *category,
                           "Duplicate CAT id !");
        }
    }
}

void TOrvida::IndexClubs(TOrvObject& competition, TCompetitionIndexes& indexes)
{
    competition.SetFlags(0);
    for (TOrvObject* club : CollectionItems(competition, otCLUBS)) {
        if (!club->Contains(otPERSONS)) club->Add(Root()->Tree().CreateCollection(otPERSONS));
        std::uint8_t flags = 0;
        for (TOrvObject* person : CollectionItems(*club, otPERSONS)) {
            if (!AddToIndex(indexes.Persons, person->Id(), *person, "Duplicate PERSON id !")) continue;
            if (HasItems(*person, otENTRIES)) flags |= flHasEntries | flIndividualEntries;
            if (HasItems(*person, otRESULTS)) flags |= flHasResults | flIndividualResults;
        }
        for (TOrvObject* relay : CollectionItems(*club, otRELAYS)) {
            if (HasItems(*relay, otENTRIES)) flags |= flHasEntries | flRelayEntries;
            if (HasItems(*relay, otRESULTS)) flags |= flHasResults | flRelayResults;
        }
        club->SetFlags(flags);
        competition.SetFlags(competition.Flags() | flags);
    }
}

template <class TMap>
bool TOrvida::AddToIndex(TMap& index, typename TMap::key_type key, TOrvAbstractElement& element,
                         const char* duplicateText)
{
    if (index.try_emplace(std::move(key), &element).second) return true;
    AddMessage(duplicateText, element.Line(), false);
    element.MarkState(osFaulty);
    return false;
}

void TOrvida::SelectCompetition(int index)
{
    fCompetitionIndex = index;
    fCompetition = nullptr;
    fPointTable = nullptr;
    fYear = 0;
    fFirstDate = 1.7e308;
    fLastDate = 0;
    fPoolUnit.clear();
    if (HasCompetitions()) {
        std::vector<TOrvObject*> competitions = CollectionItems(*Root(), otCOMPETITIONS);
        if (index >= 0 && static_cast<std::size_t>(index) < competitions.size())
            fCompetition = competitions[static_cast<std::size_t>(index)];
    }
    if (fCompetition) {
        TOrvAbstractElement* pointTable = fCompetition->Child(otPOINTTABLE);
        fPointTable = pointTable ? pointTable->AsPlainObject() : nullptr;
        for (TOrvObject* period : CollectionItems(*fCompetition, otPERIODS)) {
            TDateTime date = period->DataChild(otDATE, true)->AsDate();
            fFirstDate = std::min(fFirstDate, date);
            fLastDate = std::max(fLastDate, date);
        }
        if (fLastDate > 0) {
            int month = 0;
            int day = 0;
            DecodeDate(fLastDate, fYear, month, day);
        }
        fPoolUnit = fCompetition->ChildText(otPM);
    }
    if (fPoolUnit.empty()) fPoolUnit = "m";
}

const TOrvida::TCompetitionIndexes* TOrvida::SelectedIndexes() const
{
    if (!fCompetition || fCompetitionIndex < 0 || static_cast<std::size_t>(fCompetitionIndex) >= fIndexes.size())
        return nullptr;
    return &fIndexes[static_cast<std::size_t>(fCompetitionIndex)];
}

namespace {

template <class TMap>
TOrvObject* Lookup(const TMap& index, const typename TMap::key_type& key)
{
    auto found = index.find(key);
    return found == index.end() ? nullptr : found->second->AsPlainObject();
}

} // namespace

TOrvObject* TOrvida::FindPerson(std::int32_t id) const
{
    const TCompetitionIndexes* indexes = SelectedIndexes();
    return indexes ? Lookup(indexes->Persons, id) : nullptr;
}

TOrvObject* TOrvida::FindEvent(std::int32_t id) const
{
    const TCompetitionIndexes* indexes = SelectedIndexes();
    return indexes ? Lookup(indexes->Events, id) : nullptr;
}

TOrvObject* TOrvida::FindCategory(std::int32_t eventId, std::int32_t categoryId) const
{
    const TCompetitionIndexes* indexes = SelectedIndexes();
    if (!indexes) return nullptr;
    std::string prefix = std::to_string(eventId) + "=";
    if (TOrvObject* category = Lookup(indexes->Categories, prefix + std::to_string(categoryId))) return category;
    if (categoryId != 0) return nullptr;
    auto first = indexes->Categories.lower_bound(prefix);
    if (first == indexes->Categories.end() || first->first.compare(0, prefix.size(), prefix) != 0) return nullptr;
    return first->second->AsPlainObject();
}

std::string TOrvida::EventTitle(const TOrvAbstractObject& event, const TOrvAbstractObject* category) const
{
    std::string title;
    if (event.ChildText(otSTR) != "XX") {
        title = EventTextOf(event.ChildInt(otDISCNT), event.ChildInt(otDIS), event.ChildText(otSTR));
        // The first "m" of a composed title is the unit after the distance. A title the file names itself is
        // left alone: its "m" may be any letter of a word.
        std::size_t metres = title.find('m');
        if (fPoolUnit != "m" && !fPoolUnit.empty() && metres != std::string::npos) title[metres] = fPoolUnit[0];
    } else {
        title = std::string(event.ChildText(otNAME));
    }
    if (category) title += ", " + CategoryTitle(category);
    return title;
}

std::string TOrvida::CategoryTitle(const TOrvAbstractObject* category) const
{
    int minimumAge = 0;
    int maximumAge = 99;
    if (category) {
        if (category->ChildInt(otMAX) != -1) minimumAge = fYear - category->ChildInt(otMAX);
        if (category->ChildInt(otMIN) != -1) maximumAge = fYear - category->ChildInt(otMIN);
    }
    std::string text = AgeGroupText(minimumAge, maximumAge);
    if (category) {
        if (!category->ChildText(otNAME).empty()) text += ", " + std::string(category->ChildText(otNAME));
        if (!category->ChildText(otSEX).empty()) text += ", " + GenderText(*category);
    }
    return text;
}

std::string TOrvida::GenderText(const TOrvAbstractObject& element) const
{
    std::string_view sex = element.ChildText(otSEX);
    char first = sex.empty() ? ' ' : sex.front();
    return GenderName(first == 'M' ? 0 : first == 'F' ? 1 : 2);
}

std::string TOrvida::ParticipantTitle(const TOrvAbstractObject& participant, bool withGender) const
{
    if (participant.Kind() == otPERSON) return PersonTitle(participant);
    std::string title(participant.ChildText(otNAME));
    if (title.empty()) title = TeamText(participant.ChildInt(otNUM));
    if (withGender) title += ", " + GenderText(participant);
    return title;
}

std::string TOrvida::FileInfoText() const
{
    std::string first =
        fIsTidewell ? "Tidewell Format," : "ORVIDA version " + std::string(Root() ? Root()->ChildText(otVERSION) : "");
    std::string name;
    std::string version;
    if (const TOrvAbstractElement* constructor = Root() ? Root()->Child(otCONSTRUCTOR) : nullptr) {
        if (const TOrvAbstractObject* object = constructor->AsObject()) {
            name = object->ChildText(otNAME);
            version = object->ChildText(otVERSION);
        }
    }
    return first + " created with :\r\n" + name + ", version " + version;
}

std::string PersonTitle(const TOrvAbstractObject& person)
{
    // Built in place: a tree of the participants makes one title per athlete, and again each time it is shown.
    std::string_view name = person.ChildText(otNAME);
    std::string_view firstName = person.ChildText(otFNAME);
    std::string title;
    title.reserve(name.size() + firstName.size() + 8);
    title.append(name).append(" ").append(firstName).append(", ");
    AppendTwoDigits(title, person.ChildInt(otYOB) % 100);
    return title;
}

} // namespace kvn

#include "orvElements.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace kvn {

namespace {

constexpr std::array<std::string_view, otUnknown + 1> kTagNames = {
    "ORVIDA",   "CONTACT", "CONSTRUCTOR", "MEETINFO",   "POINTTABLE", "CAT",      "CLUB",         "COMPETITION",
    "ENTRY",    "EVENT",   "JUDGE",       "PERIOD",     "PERSON",     "POSITION", "RECORD",       "RECORDLIST",
    "RELAY",    "RESULT",  "TEAM",        "SPLIT",      "CATS",       "CLUBS",    "COMPETITIONS", "ENTRIES",
    "EVENTS",   "JUDGES",  "PERIODS",     "PERSONS",    "POSITIONS",  "RECORDS",  "RECORDLISTS",  "RELAYS",
    "RESULTS",  "TEAMS",   "SPLITS",      "BIRTHDATE",  "CID",        "CODE",     "COMMENT",      "DATE",
    "DEADLINE", "DIS",     "DISCNT",      "EID",        "EMAIL",      "FAX",      "FEE",          "FNAME",
    "HEAT",     "INITIAL", "INTERNET",    "LANE",       "LANEMAX",    "LANEMIN",  "LCT",          "LICENSE",
    "LSC",      "MAX",     "MAXAGE",      "MAXENTRIES", "MIN",        "MINAGE",   "MOBILE",       "NAME",
    "NATION",   "NUM",     "ORGANIZER",   "PASSPORT",   "PEID",       "PHONE",    "PID",          "PLACE",
    "PL",       "PM",      "POINTS",      "POOLNAME",   "PROMOTER",   "RANK",     "REGISTRATION", "RT",
    "SCT",      "SEX",     "SID",         "STR",        "STATE",      "STREET",   "STREET2",      "TI",
    "TIME",     "TYPE",    "UPDATED",     "VERSION",    "YOB",        "ZIP",      "???"};

constexpr std::array<std::string_view, ovaUnknown + 1> kAttributeNames = {"currency", "dis",  "id",
                                                                          "nation",   "type", "???"};

template <std::size_t Length>
TOrvPackedName PackFixed(const char* bytes)
{
    // Copies of a constant length compile to plain loads.
    TOrvPackedName packed;
    std::memcpy(&packed.Low, bytes, std::min<std::size_t>(Length, 8));
    if constexpr (Length > 8) std::memcpy(&packed.High, bytes + 8, Length - 8);
    return packed;
}

template <std::size_t... Lengths>
TOrvPackedName PackName(std::string_view name, std::index_sequence<Lengths...>)
{
    TOrvPackedName packed;
    ((name.size() == Lengths + 1 ? (packed = PackFixed<Lengths + 1>(name.data()), true) : false) || ...);
    return packed;
}

TOrvPackedName Pack(std::string_view name)
{
    return PackName(name, std::make_index_sequence<kOrvLongestPackedName>());
}

// Packed name of a vocabulary entry at compile time, laid out in memory order as the copies above lay it out.
constexpr TOrvPackedName PackConstant(std::string_view name)
{
    std::array<char, 8> low{};
    std::array<char, 8> high{};
    for (std::size_t i = 0; i < name.size(); ++i)
        (i < 8 ? low[i] : high[i - 8]) = name[i];
    return {std::bit_cast<std::uint64_t>(low), std::bit_cast<std::uint64_t>(high)};
}

// Open-addressing table from packed tag name to kind, built at compile time; the reader looks up every tag name
// here.
class TTagTable {
public:
    constexpr TTagTable()
    {
        fSlots.fill(otUnknown);
        for (int kind = 0; kind < otUnknown; ++kind) {
            TOrvPackedName name = PackConstant(kTagNames[kind]);
            fNames[kind] = name;
            std::size_t slot = Hash(name);
            while (fSlots[slot] != otUnknown)
                slot = (slot + 1) % fSlots.size();
            fSlots[slot] = static_cast<TOrvTagKind>(kind);
        }
    }

    constexpr TOrvTagKind Find(const TOrvPackedName& packed) const
    {
        for (std::size_t slot = Hash(packed);; slot = (slot + 1) % fSlots.size()) {
            TOrvTagKind kind = fSlots[slot];
            if (kind == otUnknown || fNames[kind] == packed) return kind;
        }
    }

private:
    static constexpr std::size_t Hash(const TOrvPackedName& name)
    {
        return static_cast<std::size_t>((name.Low * 0x9E3779B97F4A7C15u + name.High * 0xC2B2AE3D27D4EB4Fu) >> 56);
    }

    std::array<TOrvTagKind, 256> fSlots{};
    std::array<TOrvPackedName, otUnknown> fNames{};
};

constexpr TTagTable kTagTable;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits of text[first, first + count) as a number, or -1 when any is missing or not a digit.
int DigitsAt(std::string_view text, std::size_t first, std::size_t count)
{
    if (first + count > text.size()) return -1;
    int value = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        if (!IsDigit(text[i])) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

std::string_view TagName(TOrvTagKind kind)
{
    return kind <= otUnknown ? kTagNames[kind] : kTagNames[otUnknown];
}

TOrvTagKind TagKindOf(std::string_view name)
{
    if (name.empty() || name.size() > kOrvLongestPackedName) return otUnknown;
    return kTagTable.Find(Pack(name));
}

TOrvTagKind TagKindOfPacked(TOrvPackedName name)
{
    return kTagTable.Find(name);
}

std::string_view AttributeName(TOrvAttribute attribute)
{
    return attribute <= ovaUnknown ? kAttributeNames[attribute] : kAttributeNames[ovaUnknown];
}

TOrvAttribute AttributeOf(std::string_view lowerCaseName)
{
    for (int i = 0; i < ovaUnknown; ++i)
        if (kAttributeNames[i] == lowerCaseName) return static_cast<TOrvAttribute>(i);
    return ovaUnknown;
}

std::int32_t OrvTextToInt(std::string_view text)
{
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return 0;
    return value;
}

void WalkTree(const TOrvAbstractElement& root, const std::function<void(const TOrvAbstractElement&, int)>& visit)
{
    struct TFrame {
        const TOrvAbstractElement* Element;
        int Depth;
    };
    std::vector<TFrame> pending{{&root, 0}};
    while (!pending.empty()) {
        TFrame frame = pending.back();
        pending.pop_back();
        visit(*frame.Element, frame.Depth);
        if (const TOrvAbstractObject* object = frame.Element->AsObject())
            for (int i = object->Count() - 1; i >= 0; --i)
                pending.push_back({object->Items(i), frame.Depth + 1});
    }
}

// --- TOrvAbstractElement ---

void TOrvAbstractElement::MarkState(std::uint8_t level)
{
    if (fState >= level) return;
    fState = level;
    for (TOrvAbstractElement* ancestor = Parent(); ancestor; ancestor = ancestor->Parent())
        if (ancestor->fState < osFaultInside) ancestor->fState = osFaultInside;
}

void TOrvAbstractElement::SetAttribute(TOrvAttribute attribute, std::string_view value)
{
    std::string_view stored = Tree().StoreText(value);
    TAttributeSlot slot{TOrvArena::OffsetOf(stored.data()), static_cast<std::uint32_t>(stored.size()), attribute};
    TAttributeSlot* slots = Attributes();
    for (int i = 0; i < fAttributeCount; ++i) {
        if (slots[i].Attribute == attribute) {
            slots[i] = slot;
            return;
        }
    }
    // Nearly every element has one attribute at most, so the list starts with one slot and grows by doubling up to
    // the six attribute ids, none of which is stored twice.
    if (fAttributeCount == fAttributeCapacity) {
        auto capacity = static_cast<std::uint8_t>(std::min(std::max(1, 2 * fAttributeCapacity), ovaUnknown + 1));
        void* memory = Tree().Arena().Allocate(sizeof(TAttributeSlot) * capacity, alignof(TAttributeSlot));
        auto* grown = static_cast<TAttributeSlot*>(memory);
        std::copy_n(slots, fAttributeCount, grown);
        slots = grown;
        fAttributes = TOrvArena::OffsetOf(grown);
        fAttributeCapacity = capacity;
    }
    slots[fAttributeCount++] = slot;
}

std::string_view TOrvAbstractElement::AttributeValue(TOrvAttribute attribute) const
{
    const TAttributeSlot* slots = Attributes();
    for (int i = 0; i < fAttributeCount; ++i)
        if (slots[i].Attribute == attribute) return StoredText(slots[i].Text, slots[i].Length);
    return {};
}

// --- TOrvDataElement ---

void TOrvDataElement::SetText(std::string_view text)
{
    AssignStoredText(Tree().StoreText(text));
}

void TOrvDataElement::AssignStoredText(std::string_view text)
{
    fText = TOrvArena::OffsetOf(text.data());
    fTextLength = static_cast<std::uint32_t>(text.size());
}

std::int32_t TOrvDataElement::AsInteger() const
{
    return OrvTextToInt(Text());
}

void TOrvDataElement::SetInteger(std::int32_t value)
{
    SetText(std::to_string(value));
}

TDateTime TOrvDataElement::AsDate() const
{
    std::string_view text = Text();
    int year = DigitsAt(text, 0, 4);
    int month = DigitsAt(text, 4, 2);
    int day = DigitsAt(text, 6, 2);
    TDateTime date = 0;
    if (year < 0 || month < 0 || day < 0 || !TryEncodeDate(year, month, day, date)) return 0;
    return date;
}

int TOrvDataElement::TimeStatus() const
{
    std::string_view text = Text();
    if (text.empty()) return 0;
    switch (text.front()) {
    case 'I':
        return 1;
    case 'L':
        return 2;
    case 'V':
        return 3;
    default:
        return 0;
    }
}

TSwimTime TOrvDataElement::TimeValue(int status) const
{
    static constexpr char kStatusLetters[] = "EILV";
    std::string_view text = Text();
    if (text.empty()) return 0;
    if (status >= 0 && status <= 3 && text.front() != kStatusLetters[status]) return 0;
    // Characters 2 to 12 hold "hh:mm:ss.hh"; only "mm:ss.hh" is converted, the hours are not read.
    std::string_view time = text.substr(1, 11);
    return StrToSwimTime(time.size() > 3 ? time.substr(3, 8) : std::string_view());
}

// --- TOrvAbstractObject ---

std::uint32_t* TOrvAbstractObject::NewItemOffsets(std::size_t capacity)
{
    void* memory = Tree().Arena().Allocate(sizeof(std::uint32_t) * capacity, alignof(std::uint32_t));
    fItems = TOrvArena::OffsetOf(memory);
    fCapacity = static_cast<std::uint32_t>(capacity);
    return static_cast<std::uint32_t*>(memory);
}

void TOrvAbstractObject::Add(TOrvAbstractElement* child)
{
    if (&child->Tree() != &Tree()) throw std::logic_error("Orvida element of another tree!");
    std::uint32_t* offsets = ItemOffsets();
    if (fCount == fCapacity) {
        std::uint32_t* grown = NewItemOffsets(fCapacity ? fCapacity * 2 : 4);
        std::copy_n(offsets, fCount, grown);
        offsets = grown;
    }
    offsets[fCount++] = TOrvArena::OffsetOf(child);
    child->fParent = TOrvArena::OffsetOf(this);
}

void TOrvAbstractObject::AssignItems(std::span<TOrvAbstractElement* const> items)
{
    fCount = fCapacity = 0;
    fItems = 0;
    if (items.empty()) return;
    std::transform(items.begin(), items.end(), NewItemOffsets(items.size()), TOrvArena::OffsetOf);
    fCount = static_cast<std::uint32_t>(items.size());
}

TOrvAbstractElement* TOrvAbstractObject::Child(TOrvTagKind kind) const
{
    for (TOrvAbstractElement* child : *this)
        if (child->Kind() == kind) return child;
    return nullptr;
}

std::string_view TOrvAbstractObject::ChildText(TOrvTagKind kind) const
{
    const TOrvAbstractElement* child = Child(kind);
    const TOrvDataElement* data = child ? child->AsData() : nullptr;
    return data ? data->Text() : std::string_view();
}

std::int32_t TOrvAbstractObject::ChildInt(TOrvTagKind kind) const
{
    return OrvTextToInt(ChildText(kind));
}

TOrvDataElement* TOrvAbstractObject::DataChild(TOrvTagKind kind, bool create)
{
    TOrvAbstractElement* child = Child(kind);
    if (child || !create) return child ? child->AsData() : nullptr;
    TOrvDataElement* data = Tree().CreateData(kind);
    Add(data);
    return data;
}

TOrvAbstractElement* TOrvAbstractObject::FindByAttribute(TOrvAttribute attribute, std::string_view value) const
{
    for (TOrvAbstractElement* child : *this) {
        for (int i = 0; i < child->AttributeCount(); ++i)
            if (child->AttributeAt(i) == attribute && child->AttributeValueAt(i) == value) return child;
    }
    return nullptr;
}

void TOrvAbstractObject::SortItems(TCompare compare, void* context)
{
    std::uint32_t* offsets = ItemOffsets();
    std::sort(offsets, offsets + fCount, [this, compare, context](std::uint32_t a, std::uint32_t b) {
        return compare(context, TOrvArena::At<TOrvAbstractElement>(this, a),
                       TOrvArena::At<TOrvAbstractElement>(this, b)) < 0;
    });
}

// --- TOrvTree ---

TOrvObject* TOrvTree::CreateObject(TOrvTagKind kind)
{
    if (ElementClassOf(kind) != TOrvElementClass::Object) throw std::logic_error("Invalid Orvida object type!");
    return Make<TOrvObject>(kind);
}

TOrvCollection* TOrvTree::CreateCollection(TOrvTagKind kind)
{
    if (ElementClassOf(kind) != TOrvElementClass::Collection) throw std::logic_error("Invalid Orvida collection type!");
    return Make<TOrvCollection>(kind);
}

} // namespace kvn

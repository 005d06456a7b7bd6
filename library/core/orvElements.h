#pragma once

#include "kvnDateTime.h"
#include "kvnFunctions.h"
#include "orvArena.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

// The element tree of an exchange-format file: a closed vocabulary of 94 tags, each an object, a collection
// or a data element, and five attribute names. The tree lives in one arena owned by TOrvTree.

namespace kvn {

enum TOrvTagKind : std::uint8_t {
    otORVIDA,
    otCONTACT,
    otCONSTRUCTOR,
    otMEETINFO,
    otPOINTTABLE,
    otCAT,
    otCLUB,
    otCOMPETITION,
    otENTRY,
    otEVENT,
    otJUDGE,
    otPERIOD,
    otPERSON,
    otPOSITION,
    otRECORD,
    otRECORDLIST,
    otRELAY,
    otRESULT,
    otTEAM,
    otSPLIT,
    otCATS,
    otCLUBS,
    otCOMPETITIONS,
    otENTRIES,
    otEVENTS,
    otJUDGES,
    otPERIODS,
    otPERSONS,
    otPOSITIONS,
    otRECORDS,
    otRECORDLISTS,
    otRELAYS,
    otRESULTS,
    otTEAMS,
    otSPLITS,
    otBIRTHDATE,
    otCID,
    otCODE,
    otCOMMENT,
    otDATE,
    otDEADLINE,
    otDIS,
    otDISCNT,
    otEID,
    otEMAIL,
    otFAX,
    otFEE,
    otFNAME,
    otHEAT,
    otINITIAL,
    otINTERNET,
    otLANE,
    otLANEMAX,
    otLANEMIN,
    otLCT,
    otLICENSE,
    otLSC,
    otMAX,
    otMAXAGE,
    otMAXENTRIES,
    otMIN,
    otMINAGE,
    otMOBILE,
    otNAME,
    otNATION,
    otNUM,
    otORGANIZER,
    otPASSPORT,
    otPEID,
    otPHONE,
    otPID,
    otPLACE,
    otPL,
    otPM,
    otPOINTS,
    otPOOLNAME,
    otPROMOTER,
    otRANK,
    otREGISTRATION,
    otRT,
    otSCT,
    otSEX,
    otSID,
    otSTR,
    otSTATE,
    otSTREET,
    otSTREET2,
    otTI,
    otTIME,
    otTYPE,
    otUPDATED,
    otVERSION,
    otYOB,
    otZIP,
    otUnknown // 94: a tag outside the vocabulary, printed as "???"
};

enum TOrvAttribute : std::uint8_t { ovaCURRENCY, ovaDIS, ovaID, ovaNATION, ovaTYPE, ovaUnknown };

// The three classes a tag kind can have.
enum class TOrvElementClass : std::uint8_t { Object, Collection, Data };

// Tag name of a kind ("EVENT"), "???" for otUnknown.
std::string_view TagName(TOrvTagKind kind);
// Kind of an exact (case-sensitive) tag name, otUnknown when it is not in the vocabulary.
TOrvTagKind TagKindOf(std::string_view name);

// A name of 1 to 16 bytes as two little-endian integers, zero-padded: the reader builds it from one vector load.
struct TOrvPackedName {
    std::uint64_t Low = 0;
    std::uint64_t High = 0;
    bool operator==(const TOrvPackedName&) const = default;
};
// Bytes a packed name can hold.
constexpr std::size_t kOrvLongestPackedName = 16;
// Kind of a packed, non-empty tag name, as TagKindOf.
TOrvTagKind TagKindOfPacked(TOrvPackedName name);
// Class of a known kind; otUnknown counts as data.
constexpr TOrvElementClass ElementClassOf(TOrvTagKind kind)
{
    if (kind <= otTEAM) return TOrvElementClass::Object;
    if (kind >= otCATS && kind <= otSPLITS) return TOrvElementClass::Collection;
    return TOrvElementClass::Data;
}
// Attribute name ("id"), "???" for ovaUnknown.
std::string_view AttributeName(TOrvAttribute attribute);
// Attribute of a lower-case name, ovaUnknown when it is none of the five.
TOrvAttribute AttributeOf(std::string_view lowerCaseName);

// Error marks of an element; only ever raised.
enum TOrvState : std::uint8_t { osClean = 0, osFaultInside = 2, osFaulty = 3 };

class TOrvTree;
class TOrvAbstractObject;
class TOrvObject;
class TOrvCollection;
class TOrvDataElement;

// Common part of every element: kind, parent, source position, error state and XML attributes.
class TOrvAbstractElement {
public:
    TOrvAbstractElement(const TOrvAbstractElement&) = delete;
    TOrvAbstractElement& operator=(const TOrvAbstractElement&) = delete;

    TOrvTagKind Kind() const { return fKind; }
    std::string_view TagName() const { return kvn::TagName(fKind); }
    TOrvElementClass ElementClass() const { return ElementClassOf(fKind); }
    bool IsData() const { return ElementClass() == TOrvElementClass::Data; }
    bool IsCollection() const { return ElementClass() == TOrvElementClass::Collection; }
    bool IsObject() const { return !IsData(); }

    // The owning object, or nullptr for the root and for elements that were never attached.
    TOrvAbstractObject* Parent() const { return TOrvArena::At<TOrvAbstractObject>(this, fParent); }
    // The reader's position number when the start tag was read.
    std::int32_t Line() const { return fLine; }
    void SetLine(std::int32_t line) { fLine = line; }
    std::uint8_t State() const { return fState; }
    // Raises the state of this element to at least the given level; ancestors below 2 become 2.
    void MarkState(std::uint8_t level);

    // Replaces the value if the attribute is present, else appends it.
    void SetAttribute(TOrvAttribute attribute, std::string_view value);
    // The value of the attribute, or "" when it is absent.
    std::string_view AttributeValue(TOrvAttribute attribute) const;
    int AttributeCount() const { return fAttributeCount; }
    TOrvAttribute AttributeAt(int index) const { return Attributes()[index].Attribute; }
    std::string_view AttributeValueAt(int index) const
    {
        return StoredText(Attributes()[index].Text, Attributes()[index].Length);
    }

    // Checked downcasts: nullptr when the element is not of that class.
    TOrvDataElement* AsData();
    const TOrvDataElement* AsData() const;
    TOrvAbstractObject* AsObject();
    const TOrvAbstractObject* AsObject() const;
    TOrvObject* AsPlainObject();
    const TOrvObject* AsPlainObject() const;
    TOrvCollection* AsCollection();
    const TOrvCollection* AsCollection() const;

    // The tree whose arena holds the element.
    TOrvTree& Tree() const { return *static_cast<TOrvTree*>(TOrvArena::OwnerOf(this)); }

protected:
    explicit TOrvAbstractElement(TOrvTagKind kind) : fKind(kind) {}
    // A text of the arena named by its offset.
    std::string_view StoredText(std::uint32_t offset, std::uint32_t length) const
    {
        return {TOrvArena::At<const char>(this, offset), length};
    }

private:
    friend class TOrvAbstractObject;
    friend class TOrvParser;

    // Twelve bytes: a large meet has an attribute on every split time.
    struct TAttributeSlot {
        std::uint32_t Text;
        std::uint32_t Length;
        TOrvAttribute Attribute;
    };
    TAttributeSlot* Attributes() const { return TOrvArena::At<TAttributeSlot>(this, fAttributes); }

    // Sixteen bytes: the links are offsets in the tree's arena.
    std::uint32_t fParent = 0;
    std::uint32_t fAttributes = 0;
    std::int32_t fLine = 0;
    std::uint8_t fAttributeCount = 0;
    std::uint8_t fAttributeCapacity = 0;
    TOrvTagKind fKind;
    std::uint8_t fState = osClean;
};

// A leaf holding one text, the element's character data trimmed of surrounding blanks.
class TOrvDataElement : public TOrvAbstractElement {
public:
    std::string_view Text() const { return StoredText(fText, fTextLength); }
    void SetText(std::string_view text);

    // Text as a decimal integer, 0 when empty or not a number.
    std::int32_t AsInteger() const;
    // Text becomes the decimal text of the value.
    void SetInteger(std::int32_t value);
    // Text "yyyymmdd" as a date, 0 when any part is missing, not a number or not a valid date.
    TDateTime AsDate() const;
    // 1 for "I", 2 for "L", 3 for "V" as first letter, 0 otherwise.
    int TimeStatus() const;
    // The time of a time value "Shh:mm:ss.hh" (hours not read); 0 when empty or when status 0..3 is asked for
    // and the first letter is not that status's letter; status 4 accepts any letter.
    TSwimTime TimeValue(int status) const;

private:
    friend class TOrvTree;
    friend class TOrvParser;
    explicit TOrvDataElement(TOrvTagKind kind) : TOrvAbstractElement(kind) {}
    // Sets text that already lives in the tree's arena.
    void AssignStoredText(std::string_view text);

    std::uint32_t fText = 0;
    std::uint32_t fTextLength = 0;
};

// Walks a child list, which holds the children's offsets in the arena.
class TOrvChildIterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TOrvAbstractElement*;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = TOrvAbstractElement*;

    TOrvChildIterator() = default;
    explicit TOrvChildIterator(const std::uint32_t* at) : fAt(at) {}
    TOrvAbstractElement* operator*() const { return TOrvArena::At<TOrvAbstractElement>(fAt, *fAt); }
    TOrvChildIterator& operator++()
    {
        ++fAt;
        return *this;
    }
    TOrvChildIterator operator++(int)
    {
        TOrvChildIterator before = *this;
        ++fAt;
        return before;
    }
    bool operator==(const TOrvChildIterator&) const = default;

private:
    const std::uint32_t* fAt = nullptr;
};

// An element with an ordered list of child elements.
class TOrvAbstractObject : public TOrvAbstractElement {
public:
    int Count() const { return static_cast<int>(fCount); }
    TOrvAbstractElement* Items(int index) const { return *TOrvChildIterator(ItemOffsets() + index); }
    TOrvChildIterator begin() const { return TOrvChildIterator(ItemOffsets()); }
    TOrvChildIterator end() const { return TOrvChildIterator(ItemOffsets() + fCount); }

    // Appends the child and makes this object its parent.
    void Add(TOrvAbstractElement* child);
    bool Contains(TOrvTagKind kind) const { return Child(kind) != nullptr; }
    // The first child of that kind, or nullptr.
    TOrvAbstractElement* Child(TOrvTagKind kind) const;
    // Text of the first child of that kind, or "" when there is none.
    std::string_view ChildText(TOrvTagKind kind) const;
    // AsInteger of the first child of that kind, or 0 when there is none.
    std::int32_t ChildInt(TOrvTagKind kind) const;
    // The first data child of that kind; with create set, a missing one is appended empty, else nullptr.
    TOrvDataElement* DataChild(TOrvTagKind kind, bool create);
    // The first child whose attribute equals the value exactly, or nullptr.
    TOrvAbstractElement* FindByAttribute(TOrvAttribute attribute, std::string_view value) const;

    using TCompare = int (*)(void* context, const TOrvAbstractElement* a, const TOrvAbstractElement* b);
    // Sorts the children in place by a three-way comparison; equal children may change places.
    void SortItems(TCompare compare, void* context);

protected:
    explicit TOrvAbstractObject(TOrvTagKind kind) : TOrvAbstractElement(kind) {}

private:
    friend class TOrvParser;
    // Replaces the child list at once by a copy of the given children, whose parent must already be this object:
    // the reader sets it when it creates a child, so that the children need not be visited again when it closes.
    void AssignItems(std::span<TOrvAbstractElement* const> items);
    std::uint32_t* ItemOffsets() const { return TOrvArena::At<std::uint32_t>(this, fItems); }
    // A new, uninitialised child list of that capacity in the arena, which becomes this object's.
    std::uint32_t* NewItemOffsets(std::size_t capacity);

    std::uint32_t fItems = 0;
    std::uint32_t fCount = 0;
    std::uint32_t fCapacity = 0;
};

// An object proper: id from its "id" attribute and the entries/results flags of clubs and competitions.
class TOrvObject : public TOrvAbstractObject {
public:
    std::int32_t Id() const { return fId; }
    void SetId(std::int32_t id) { fId = id; }
    std::uint8_t Flags() const { return fFlags; }
    void SetFlags(std::uint8_t flags) { fFlags = flags; }

private:
    friend class TOrvTree;
    explicit TOrvObject(TOrvTagKind kind) : TOrvAbstractObject(kind) {}

    std::int32_t fId = 0;
    std::uint8_t fFlags = 0;
};

// A list of items of exactly one kind (the collection's kind minus 15).
class TOrvCollection : public TOrvAbstractObject {
public:
    TOrvTagKind ItemKind() const { return static_cast<TOrvTagKind>(Kind() - 15); }

private:
    friend class TOrvTree;
    explicit TOrvCollection(TOrvTagKind kind) : TOrvAbstractObject(kind) {}
};

// Owner of one element tree: creates its elements and frees them all at once. Elements of one tree link only to
// elements of the same tree.
class TOrvTree {
public:
    TOrvTree() { fArena.SetOwner(this); }
    TOrvTree(const TOrvTree&) = delete;
    TOrvTree& operator=(const TOrvTree&) = delete;

    // A new, unattached element of the class the kind prescribes.
    TOrvAbstractElement* CreateElement(TOrvTagKind kind);
    TOrvObject* CreateObject(TOrvTagKind kind);
    // Throws std::logic_error("Invalid Orvida collection type!") for a kind outside 20..34.
    TOrvCollection* CreateCollection(TOrvTagKind kind);
    TOrvDataElement* CreateData(TOrvTagKind kind);

    TOrvObject* Root() const { return fRoot; }
    void SetRoot(TOrvObject* root) { fRoot = root; }

    // A copy of the text that lives as long as the tree.
    std::string_view StoreText(std::string_view text) { return fArena.StoreText(text); }
    TOrvArena& Arena() { return fArena; }
    // Memory held by the tree.
    std::size_t MemoryUsed() const { return fArena.BytesUsed(); }

private:
    template <typename T>
    T* Make(TOrvTagKind kind);

    TOrvArena fArena;
    TOrvObject* fRoot = nullptr;
};

// The checked downcasts are inline: the reader and the indexes ask them for every element.
inline TOrvDataElement* TOrvAbstractElement::AsData()
{
    return IsData() ? static_cast<TOrvDataElement*>(this) : nullptr;
}

inline const TOrvDataElement* TOrvAbstractElement::AsData() const
{
    return IsData() ? static_cast<const TOrvDataElement*>(this) : nullptr;
}

inline TOrvAbstractObject* TOrvAbstractElement::AsObject()
{
    return IsObject() ? static_cast<TOrvAbstractObject*>(this) : nullptr;
}

inline const TOrvAbstractObject* TOrvAbstractElement::AsObject() const
{
    return IsObject() ? static_cast<const TOrvAbstractObject*>(this) : nullptr;
}

inline TOrvObject* TOrvAbstractElement::AsPlainObject()
{
    return ElementClass() == TOrvElementClass::Object ? static_cast<TOrvObject*>(this) : nullptr;
}

inline const TOrvObject* TOrvAbstractElement::AsPlainObject() const
{
    return ElementClass() == TOrvElementClass::Object ? static_cast<const TOrvObject*>(this) : nullptr;
}

inline TOrvCollection* TOrvAbstractElement::AsCollection()
{
    return IsCollection() ? static_cast<TOrvCollection*>(this) : nullptr;
}

inline const TOrvCollection* TOrvAbstractElement::AsCollection() const
{
    return IsCollection() ? static_cast<const TOrvCollection*>(this) : nullptr;
}

// Element creation is inline as well: the reader creates one element per start tag.
template <typename T>
T* TOrvTree::Make(TOrvTagKind kind)
{
    static_assert(std::is_trivially_destructible_v<T>, "arena elements are never destroyed one by one");
    return new (fArena.Allocate(sizeof(T), alignof(T))) T(kind);
}

inline TOrvAbstractElement* TOrvTree::CreateElement(TOrvTagKind kind)
{
    switch (ElementClassOf(kind)) {
    case TOrvElementClass::Object:
        return Make<TOrvObject>(kind);
    case TOrvElementClass::Collection:
        return Make<TOrvCollection>(kind);
    case TOrvElementClass::Data:
        break;
    }
    return CreateData(kind);
}

inline TOrvDataElement* TOrvTree::CreateData(TOrvTagKind kind)
{
    return Make<TOrvDataElement>(kind);
}

// Visits the element and all its descendants in document order with their depth below it (0 for the element).
// Iterative, so that any nesting depth a file may hold is safe.
void WalkTree(const TOrvAbstractElement& root, const std::function<void(const TOrvAbstractElement&, int)>& visit);

// Decimal integer of the whole text with an optional sign; 0 when it is not one.
std::int32_t OrvTextToInt(std::string_view text);

} // namespace kvn

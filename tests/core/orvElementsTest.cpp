#include "orvElements.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace kvn;

namespace {

TOrvDataElement* MakeData(TOrvTree& tree, TOrvTagKind kind, std::string_view text)
{
    TOrvDataElement* data = tree.CreateData(kind);
    data->SetText(text);
    return data;
}

} // namespace

TEST(ElementModel, TagTableClassesAndNames)
{
    EXPECT_EQ(TagKindOf("ORVIDA"), otORVIDA);
    EXPECT_EQ(TagKindOf("SPLIT"), otSPLIT);
    EXPECT_EQ(TagKindOf("SPLITS"), otSPLITS);
    EXPECT_EQ(TagKindOf("ZIP"), otZIP);
    EXPECT_EQ(TagKindOf("zip"), otUnknown); // tag names are case-sensitive
    EXPECT_EQ(TagKindOf(""), otUnknown);
    EXPECT_EQ(static_cast<int>(otZIP), 93);
    EXPECT_EQ(TagName(otUnknown), "???");
    for (int kind = 0; kind < otUnknown; ++kind)
        EXPECT_EQ(TagKindOf(TagName(static_cast<TOrvTagKind>(kind))), kind) << kind;

    EXPECT_EQ(ElementClassOf(otTEAM), TOrvElementClass::Object);
    EXPECT_EQ(ElementClassOf(otSPLIT), TOrvElementClass::Data);
    EXPECT_EQ(ElementClassOf(otCATS), TOrvElementClass::Collection);
    EXPECT_EQ(ElementClassOf(otSPLITS), TOrvElementClass::Collection);
    EXPECT_EQ(ElementClassOf(otBIRTHDATE), TOrvElementClass::Data);
}

TEST(ElementModel, CollectionsHoldTheirItemKind)
{
    TOrvTree tree;
    EXPECT_EQ(tree.CreateCollection(otEVENTS)->ItemKind(), otEVENT);
    EXPECT_EQ(tree.CreateCollection(otSPLITS)->ItemKind(), otSPLIT);
    EXPECT_EQ(tree.CreateCollection(otCATS)->ItemKind(), otCAT);
    try {
        tree.CreateCollection(otEVENT);
        FAIL() << "an object kind made a collection";
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "Invalid Orvida collection type!");
    }
}

TEST(ElementModel, AttributesKeepFirstOrderAndReplaceValues)
{
    TOrvTree tree;
    TOrvObject* event = tree.CreateObject(otEVENT);
    event->SetAttribute(ovaID, "7");
    event->SetAttribute(ovaTYPE, "x");
    event->SetAttribute(ovaID, "8");
    ASSERT_EQ(event->AttributeCount(), 2);
    EXPECT_EQ(event->AttributeAt(0), ovaID);
    EXPECT_EQ(event->AttributeValue(ovaID), "8");
    EXPECT_EQ(event->AttributeValue(ovaDIS), "");
    // The list grows as attributes come; all six ids fit and keep their order and values.
    for (TOrvAttribute attribute : {ovaDIS, ovaNATION, ovaCURRENCY, ovaUnknown})
        event->SetAttribute(attribute, AttributeName(attribute));
    ASSERT_EQ(event->AttributeCount(), 6);
    EXPECT_EQ(event->AttributeValue(ovaID), "8");
    EXPECT_EQ(event->AttributeAt(5), ovaUnknown);
    EXPECT_EQ(event->AttributeValueAt(3), AttributeName(ovaNATION));
    EXPECT_EQ(AttributeOf("nation"), ovaNATION);
    EXPECT_EQ(AttributeOf("ID"), ovaUnknown); // the reader lower-cases names first
    EXPECT_EQ(AttributeName(ovaUnknown), "???");
}

TEST(ElementModel, SplitTimeValuesByStatus)
{
    TOrvTree tree;
    TOrvDataElement* split = MakeData(tree, otSPLIT, "V00:01:05.32");
    split->SetAttribute(ovaDIS, "100");
    EXPECT_EQ(split->AttributeValue(ovaDIS), "100");
    EXPECT_EQ(split->TimeStatus(), 3);
    EXPECT_EQ(split->TimeValue(3), StrToSwimTime("01:05.32"));
    EXPECT_EQ(split->TimeValue(4), StrToSwimTime("01:05.32"));
    EXPECT_EQ(split->TimeValue(0), 0);

    EXPECT_EQ(MakeData(tree, otTIME, "E01:02:03.45")->TimeValue(0),
              MakeData(tree, otTIME, "E00:02:03.45")->TimeValue(0));
    EXPECT_EQ(MakeData(tree, otTIME, "I00:00:58.30")->TimeStatus(), 1);
    EXPECT_EQ(MakeData(tree, otTIME, "L00:00:58.30")->TimeStatus(), 2);
    EXPECT_EQ(MakeData(tree, otTIME, "")->TimeStatus(), 0);
    EXPECT_EQ(MakeData(tree, otTIME, "")->TimeValue(4), 0);
    EXPECT_EQ(MakeData(tree, otTIME, "V")->TimeValue(4), 0);
    EXPECT_EQ(MakeData(tree, otTIME, "V00:00")->TimeValue(3), 0); // too short to hold mm:ss.hh
}

TEST(ElementModel, DatesAndIntegers)
{
    TOrvTree tree;
    EXPECT_EQ(MakeData(tree, otDATE, "20040229")->AsDate(), EncodeDate(2004, 2, 29));
    EXPECT_EQ(MakeData(tree, otDATE, "20050229")->AsDate(), 0);
    EXPECT_EQ(MakeData(tree, otDATE, "2004")->AsDate(), 0);
    EXPECT_EQ(MakeData(tree, otDATE, "abcdefgh")->AsDate(), 0);
    EXPECT_EQ(MakeData(tree, otRANK, "-1")->AsInteger(), -1);
    EXPECT_EQ(MakeData(tree, otRANK, "12x")->AsInteger(), 0);
    EXPECT_EQ(MakeData(tree, otRANK, "99999999999")->AsInteger(), 0);
    TOrvDataElement* lane = MakeData(tree, otLANE, "");
    lane->SetInteger(-42);
    EXPECT_EQ(lane->Text(), "-42");
}

TEST(ElementModel, ChildLookups)
{
    TOrvTree tree;
    TOrvObject* person = tree.CreateObject(otPERSON);
    person->Add(MakeData(tree, otNAME, "Muster"));
    person->Add(MakeData(tree, otYOB, "-1"));
    EXPECT_EQ(person->Count(), 2);
    EXPECT_EQ(person->Items(0)->Parent(), person);
    EXPECT_TRUE(person->Contains(otNAME));
    EXPECT_EQ(person->ChildText(otNAME), "Muster");
    EXPECT_EQ(person->ChildText(otFNAME), "");
    EXPECT_EQ(person->ChildInt(otYOB), -1);
    EXPECT_EQ(person->ChildInt(otRANK), 0);
}

TEST(ElementModel, DataChildCreatesOnceOnRequest)
{
    TOrvTree tree;
    TOrvObject* period = tree.CreateObject(otPERIOD);
    EXPECT_EQ(period->DataChild(otDATE, false), nullptr);
    TOrvDataElement* date = period->DataChild(otDATE, true);
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->Text(), "");
    EXPECT_EQ(date->Parent(), period);
    EXPECT_EQ(period->DataChild(otDATE, true), date);
    EXPECT_EQ(period->Count(), 1);
}

TEST(ElementModel, FindByAttributeIsExact)
{
    TOrvTree tree;
    TOrvCollection* splits = tree.CreateCollection(otSPLITS);
    for (const char* dis : {"50", "100", "150"}) {
        TOrvDataElement* split = MakeData(tree, otSPLIT, "V00:00:30.00");
        split->SetAttribute(ovaDIS, dis);
        splits->Add(split);
    }
    EXPECT_EQ(splits->FindByAttribute(ovaDIS, "100"), splits->Items(1));
    EXPECT_EQ(splits->FindByAttribute(ovaDIS, "10"), nullptr);
    EXPECT_EQ(splits->FindByAttribute(ovaID, "100"), nullptr);
}

TEST(ElementModel, SortItemsByDistance)
{
    TOrvTree tree;
    TOrvCollection* splits = tree.CreateCollection(otSPLITS);
    for (const char* dis : {"150", "50", "100"}) {
        TOrvDataElement* split = MakeData(tree, otSPLIT, "");
        split->SetAttribute(ovaDIS, dis);
        splits->Add(split);
    }
    splits->SortItems(
        [](void*, const TOrvAbstractElement* a, const TOrvAbstractElement* b) {
            return OrvTextToInt(a->AttributeValue(ovaDIS)) - OrvTextToInt(b->AttributeValue(ovaDIS));
        },
        nullptr);
    EXPECT_EQ(splits->Items(0)->AttributeValue(ovaDIS), "50");
    EXPECT_EQ(splits->Items(2)->AttributeValue(ovaDIS), "150");
}

TEST(ElementModel, StateIsOnlyRaisedAndPropagatesUp)
{
    TOrvTree tree;
    TOrvObject* club = tree.CreateObject(otCLUB);
    TOrvCollection* persons = tree.CreateCollection(otPERSONS);
    TOrvObject* person = tree.CreateObject(otPERSON);
    club->Add(persons);
    persons->Add(person);
    person->MarkState(osFaulty);
    EXPECT_EQ(person->State(), osFaulty);
    EXPECT_EQ(persons->State(), osFaultInside);
    EXPECT_EQ(club->State(), osFaultInside);
    person->MarkState(osFaultInside);
    EXPECT_EQ(person->State(), osFaulty);
}

TEST(ElementModel, WalkVisitsDeepTreesInDocumentOrder)
{
    TOrvTree tree;
    TOrvObject* root = tree.CreateObject(otORVIDA);
    TOrvAbstractObject* parent = root;
    for (int i = 0; i < 100000; ++i) { // deeper than any call stack would take recursively
        TOrvObject* child = tree.CreateObject(otCONTACT);
        parent->Add(child);
        parent = child;
    }
    parent->Add(MakeData(tree, otNAME, "deep"));
    int visited = 0;
    int deepest = 0;
    WalkTree(*root, [&](const TOrvAbstractElement&, int depth) {
        ++visited;
        deepest = std::max(deepest, depth);
    });
    EXPECT_EQ(visited, 100002);
    EXPECT_EQ(deepest, 100001);
}

TEST(ElementModel, TreesOfManyElementsKeepTheirLinksApartAndAcrossTreesAddIsRefused)
{
    // Far more than the first commit steps and the first huge page, in two trees alive at once, so that links by
    // offset must resolve in their own tree's range.
    TOrvTree first;
    TOrvTree second;
    TOrvObject* root = first.CreateObject(otCLUB);
    TOrvObject* other = second.CreateObject(otCLUB);
    constexpr int kCount = 200000;
    for (int i = 0; i < kCount; ++i) {
        root->Add(MakeData(first, otNAME, "name " + std::to_string(i)));
        other->Add(MakeData(second, otNAME, "other " + std::to_string(i)));
    }
    EXPECT_GT(first.MemoryUsed(), std::size_t{4} << 20);
    ASSERT_EQ(root->Count(), kCount);
    int index = 0;
    for (const TOrvAbstractElement* child : *root) {
        ASSERT_EQ(child->AsData()->Text(), "name " + std::to_string(index++));
        ASSERT_EQ(child->Parent(), root);
        ASSERT_EQ(&child->Tree(), &first);
    }
    EXPECT_EQ(other->Items(kCount - 1)->AsData()->Text(), "other " + std::to_string(kCount - 1));
    EXPECT_THROW(root->Add(second.CreateData(otNAME)), std::logic_error);

    // A range kept for reuse serves the next tree as a fresh one.
    TOrvArena::KeepReleasedMemory(true);
    { TOrvTree released; released.CreateObject(otCLUB)->Add(MakeData(released, otNAME, "gone")); }
    TOrvTree reused;
    TOrvObject* club = reused.CreateObject(otCLUB);
    club->Add(MakeData(reused, otNAME, "kept"));
    TOrvArena::KeepReleasedMemory(false);
    EXPECT_EQ(club->ChildText(otNAME), "kept");
    EXPECT_EQ(&club->Tree(), &reused);
}

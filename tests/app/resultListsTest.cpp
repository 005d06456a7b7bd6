#include "resultLists.h"
#include "guiTestSupport.h"

#include <gtest/gtest.h>

using namespace kvn;
using namespace veltro;
using veltrotest::LoadDocument;
using veltrotest::Meet;
using veltrotest::TProgramFolder;

namespace {

// Names of the owners of a list's items, in list order.
std::vector<std::string> Owners(const TResultLists::TList& list)
{
    std::vector<std::string> names;
    for (const TOrvObject* item : list)
        names.emplace_back(item->Parent()->Parent()->AsObject()->ChildText(otNAME));
    return names;
}

std::string Person(const std::string& name, const std::string& item)
{
    return "<PERSON id=\"" + std::to_string(std::hash<std::string>{}(name) % 100000) + "\"><NAME>" + name + "</NAME>" +
           item + "</PERSON>";
}

} // namespace

TEST(ResultLists, AttachFindsAgeGroupListThenEventList)
{
    TProgramFolder folder;
    auto document = LoadDocument(
        folder,
        Meet("<CLUBS><CLUB><PERSONS>" + Person("A", "<RESULTS><RESULT><EID>7</EID><CID>3</CID></RESULT></RESULTS>") +
             Person("B", "<RESULTS><RESULT><EID>7</EID><CID>9</CID></RESULT></RESULTS>") +
             Person("C", "<RESULTS><RESULT><EID>07</EID></RESULT></RESULTS>") + "</PERSONS></CLUB></CLUBS>"));
    TResultLists lists;
    lists.CreateList(EventKey(7));
    lists.CreateList(CategoryKey(7, 3));
    for (TOrvObject* club : CollectionItems(*document->Competition(), otCLUBS))
        for (TOrvObject* person : CollectionItems(*club, otPERSONS))
            for (TOrvObject* result : CollectionItems(*person, otRESULTS))
                lists.AttachResult(*result);
    EXPECT_EQ(Owners(*lists.ListFor("7;3")), std::vector<std::string>{"A"});
    EXPECT_EQ(Owners(*lists.ListFor("7")), std::vector<std::string>{"B"}); // no list for age group 9
    EXPECT_EQ(lists.ListFor("07"), nullptr);                               // "07" is not "7"
}

TEST(ResultLists, SortRanksThenUnrankedThenEntriesByTimeKeepingFileOrder)
{
    TProgramFolder folder;
    auto item = [](const std::string& kind, const std::string& content) {
        std::string collection = kind == "ENTRY" ? "ENTRIES" : "RESULTS";
        return "<" + collection + "><" + kind + "><EID>1</EID>" + content + "</" + kind + "></" + collection + ">";
    };
    auto document = LoadDocument(
        folder, Meet("<CLUBS><CLUB><PERSONS>" + Person("unranked-1", item("RESULT", "<RANK>0</RANK>")) +
                     Person("second", item("RESULT", "<RANK>2</RANK>")) +
                     Person("entry-fast", item("ENTRY", "<TIME>E00:01:01.00</TIME>")) +
                     Person("entry-none", item("ENTRY", "")) + Person("unranked-2", item("RESULT", "")) +
                     Person("first", item("RESULT", "<RANK>1</RANK>")) +
                     Person("entry-slow", item("ENTRY", "<TIME>E00:01:09.00</TIME>")) + "</PERSONS></CLUB></CLUBS>"));
    TResultLists lists;
    lists.CreateList("1");
    auto attachAll = [&] {
        for (TOrvObject* club : CollectionItems(*document->Competition(), otCLUBS))
            for (TOrvObject* person : CollectionItems(*club, otPERSONS))
                for (TOrvTagKind kind : {otRESULTS, otENTRIES})
                    for (TOrvObject* element : CollectionItems(*person, kind))
                        lists.AttachResult(*element);
    };
    attachAll();
    int sorted = 0;
    lists.Sort([&sorted](int number) { sorted = number; });
    EXPECT_EQ(sorted, 1);
    EXPECT_EQ(Owners(*lists.ListFor("1")), (std::vector<std::string>{"first", "second", "unranked-1", "unranked-2",
                                                                     "entry-none", "entry-fast", "entry-slow"}));

    // Items filed after a sort join the sorted ones in the next sort; equal items keep the list's order.
    attachAll();
    lists.Sort();
    EXPECT_EQ(Owners(*lists.ListFor("1")),
              (std::vector<std::string>{"first", "first", "second", "second", "unranked-1", "unranked-2", "unranked-1",
                                        "unranked-2", "entry-none", "entry-none", "entry-fast", "entry-fast",
                                        "entry-slow", "entry-slow"}));
}

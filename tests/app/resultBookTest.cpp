#include "resultBook.h"

#include "eventsBrowser.h"
#include "guiTestSupport.h"
#include "kvnHTML.h"
#include "kvnPrint.h"
#include "kvnQtCanvas.h"
#include "kvnQtPrinterInfo.h"
#include "treeExport.h"
#include "textOrder.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <QTreeWidget>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

using namespace kvn;
using namespace veltro;
using veltrotest::Event;
using veltrotest::Meet;
using veltrotest::Person;
using veltrotest::Results;
using veltrotest::Swim;
using veltrotest::TProgramFolder;

using kvntest::ExpectInOrder;

namespace {

std::string Period(int number, const std::string& events)
{
    return "<PERIOD><NUM>" + std::to_string(number) + "</NUM><DATE>2024060" + std::to_string(number) +
           "</DATE><EVENTS>" + events + "</EVENTS></PERIOD>";
}

std::string Club(const std::string& name, const std::string& persons)
{
    return "<CLUB><NAME>" + name + "</NAME><PERSONS>" + persons + "</PERSONS></CLUB>";
}

std::string Ranked(int event, int rank, const std::string& time, const std::string& more = "")
{
    return Swim("RESULT", event, time, "<RANK>" + std::to_string(rank) + "</RANK>" + more);
}

// Two sessions: a final of three, an event in two age groups, and in the second session an event with entries only.
// Two clubs of two athletes each; Bravo's result is invalid.
std::string TwoSessionMeet()
{
    std::string cats = "<CATS><CAT id=\"5\"><NAME>Youth</NAME><MIN>1990</MIN><MAX>1993</MAX></CAT>"
                       "<CAT id=\"6\"><NAME>Open</NAME><MIN>-1</MIN><MAX>1989</MAX></CAT></CATS>";
    std::string periods = "<PERIODS>" +
                          Period(1, Event(1, 1, "<DIS>100</DIS>") + Event(2, 2, "<DIS>200</DIS>" + cats)) +
                          Period(2, Event(3, 3, "<DIS>50</DIS>")) + "</PERIODS>";
    std::string nord =
        Person(1, "Alpha", Results(Ranked(1, 1, "V00:00:58.00") + Ranked(2, 1, "V00:02:10.00", "<CID>5</CID>"))) +
        Person(2, "Bravo", Results(Swim("RESULT", 1, "I00:01:05.00")));
    std::string sued =
        Person(3, "Charlie", Results(Ranked(1, 2, "V00:00:59.00") + Ranked(2, 1, "V00:02:20.00", "<CID>6</CID>"))) +
        Person(4, "Delta", "<ENTRIES>" + Swim("ENTRY", 3, "E00:00:30.00") + "</ENTRIES>");
    return Meet(periods + "<CLUBS>" + Club("SV Nord", nord) + Club("SC Sued", sued) + "</CLUBS>");
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// The text of the PDF file, every run of blanks as one blank: the layout spaces words as it pleases.
std::string PdfText(const std::string& pdf)
{
    std::string text;
    if (FILE* pipe = popen(("pdftotext -layout '" + pdf + "' -").c_str(), "r")) {
        char buffer[4096];
        while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, read);
        pclose(pipe);
    }
    return std::regex_replace(text, std::regex(" +"), " ");
}

class ResultBook : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string message;
        ASSERT_EQ(fMeet.Open(fFolder.Write("meet.ovf", TwoSessionMeet()), 0, message), 0) << message;
    }

    TBookSource Source()
    {
        return {&fMeet.EventsTree(), &fMeet.ClubsTree(), &fMeet.Events().ResultLists(), &fMeet.Document()};
    }

    std::string WritePdf(const TBookChoice& choice)
    {
        std::string file = (fFolder.Path() / "book.pdf").string();
        TResultBookJob job(Source(), choice);
        job.Attach(fReport);
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdfPrinter(printer, file, fReport.Document());
        TKvnQtPrinter output(printer);
        fReport.Print(output);
        return PdfText(file);
    }

    std::string WriteHtml(const TBookChoice& choice, const TReportStatus& status = {})
    {
        std::string file = (fFolder.Path() / "book.htm").string();
        std::remove(file.c_str());
        TResultBookJob job(Source(), choice);
        job.Attach(fReport);
        fReport.SetHtmlFileName(file);
        fReport.WriteHtml(status);
        return ReadAll(file);
    }

    // The titles of the events tree in its order, each list's title followed by the athletes of that list.
    std::vector<std::string> TreeOrder(bool withBravo)
    {
        QTreeWidget& tree = fMeet.EventsTree();
        QTreeWidgetItem* first = tree.topLevelItem(0);
        QTreeWidgetItem* second = tree.topLevelItem(1);
        std::vector<std::string> order = {first->text(0).toStdString(), first->child(0)->text(0).toStdString(),
                                          "Alpha A, 90", "Charlie A, 90"};
        if (withBravo) order.push_back("Bravo A, 90");
        const QTreeWidgetItem* event2 = first->child(1);
        order.push_back(event2->text(0).toStdString());
        for (int c = 0; c < event2->childCount(); ++c) {
            std::string ageGroup = event2->child(c)->text(0).toStdString();
            order.push_back(event2->text(0).toStdString() + ", " + ageGroup);
            order.push_back(ageGroup.find("Youth") != std::string::npos ? "Alpha A, 90" : "Charlie A, 90");
        }
        std::vector<std::string> rest = {second->text(0).toStdString(), second->child(0)->text(0).toStdString(),
                                         "Delta A, 90"};
        order.insert(order.end(), rest.begin(), rest.end());
        return order;
    }

    TProgramFolder fFolder;
    TOffscreenMeet fMeet;
    TKvnReport fReport{&QtPrinterInfo()};
};

} // namespace

// The competition book holds the heading lines, then every session with its events and age groups in tree order,
// each with its list; the entries-only event lists its entries. Only-valid leaves out the invalid result.
TEST_F(ResultBook, CompetitionBookHoldsEveryListInTreeOrderInPdfAndHtml)
{
    ASSERT_EQ(fMeet.EventsTree().topLevelItemCount(), 2);
    std::vector<std::string> order = {"Test meet"};
    for (const std::string& text : TreeOrder(true))
        order.push_back(std::regex_replace(text, std::regex(" +"), " "));
    ExpectInOrder(WritePdf({}), order);

    TBookChoice onlyValid;
    onlyValid.Options.OnlyValid = true;
    std::string html = WriteHtml(onlyValid);
    std::vector<std::string> lists;
    for (const std::string& text : TreeOrder(false))
        lists.push_back(HtmlEncodeText(text));
    // The heading lines, then the index, then the lists after its last link.
    std::size_t body = html.rfind("href=\"#");
    ASSERT_NE(body, std::string::npos);
    EXPECT_LT(html.find("Test meet</b>"), html.find("href=\"#"));
    ExpectInOrder(html.substr(body), lists);
    EXPECT_EQ(html.find("Bravo"), std::string::npos);
}

// Every link of the index reaches a target on the page, and every session and list has its link.
TEST_F(ResultBook, IndexLinksOfTheHtmlBookReachTheirLists)
{
    for (TBookContents contents : {TBookContents::Competition, TBookContents::AllClubs}) {
        TBookChoice choice;
        choice.Contents = contents;
        std::string html = WriteHtml(choice);
        std::set<std::string> targets;
        std::regex target(R"re(id="([^"]+)")re");
        for (auto it = std::sregex_iterator(html.begin(), html.end(), target); it != std::sregex_iterator(); ++it)
            targets.insert((*it)[1]);
        std::regex link(R"re(href="#([^"]+)">([^<]*)<)re");
        std::vector<std::string> titles;
        for (auto it = std::sregex_iterator(html.begin(), html.end(), link); it != std::sregex_iterator(); ++it) {
            EXPECT_EQ(targets.count((*it)[1]), 1u) << (*it)[1];
            // The target stands right before the title the link names.
            std::string anchor = "id=\"" + std::string((*it)[1]) + "\"></a>";
            std::size_t at = html.find(anchor);
            ASSERT_NE(at, std::string::npos);
            EXPECT_NE(html.find((*it)[2], at), std::string::npos) << (*it)[2];
            titles.push_back((*it)[2]);
        }
        if (contents == TBookContents::Competition)
            EXPECT_EQ(titles.size(), 2u + 5u); // sessions, then events and age groups
        else
            EXPECT_EQ(titles, (std::vector<std::string>{"SC Sued", "SV Nord"}));
    }
}

// The club book of one club holds its statistics and exactly its athletes' lists, as the participants list prints
// them; all clubs give every club in tree order.
TEST_F(ResultBook, ClubBookOfOneClubHoldsExactlyThatClubsAthletes)
{
    std::vector<const QTreeWidgetItem*> clubs = ClubNodes(fMeet.ClubsTree());
    ASSERT_EQ(clubs.size(), 2u);
    const QTreeWidgetItem* sued = clubs[0]->text(0) == "SC Sued" ? clubs[0] : clubs[1];
    TBookChoice choice;
    choice.Contents = TBookContents::OneClub;
    choice.Club = sued;
    std::string text = WritePdf(choice);
    ExpectInOrder(text,
                  {"SC Sued", "Athletes: 2", "Charlie A, 90", "No. 1", "59.00", "2.", "Delta A, 90", "No. 3", "30.00"});
    for (const char* other : {"Alpha", "Bravo", "SV Nord"})
        EXPECT_EQ(text.find(other), std::string::npos) << other;

    choice.Contents = TBookContents::AllClubs;
    std::string all = WritePdf(choice);
    for (const char* name : {"Alpha A, 90", "Bravo A, 90", "Charlie A, 90", "Delta A, 90"})
        EXPECT_NE(all.find(name), std::string::npos) << name;
}

// The status window names each list as it is printed, and an abort stops the book: no half page is written.
TEST_F(ResultBook, AbortStopsTheBookAndWritesNoHalfPage)
{
    std::vector<std::string> lines;
    TReportStatus status;
    status.SetLine = [&lines](int line, const std::string& text) {
        if (line == 1) lines.push_back(text);
    };
    status.CheckAborted = [&lines] { return !lines.empty(); };
    EXPECT_EQ(WriteHtml({}, status), "");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], fMeet.EventsTree().topLevelItem(0)->text(0).toStdString());
}

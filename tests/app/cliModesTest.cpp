#include "kvnFiles.h"
#include "orvGenerator.h"
#include "textOrder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using kvntest::ExpectInOrder;

namespace {

struct TRunResult {
    int Status = -1;
    std::string Output;
};

// Runs the shell command and collects its standard output.
TRunResult RunShell(const std::string& command)
{
    TRunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> chunk;
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.Output.append(chunk.data(), got);
    int status = pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs the veltro executable with the arguments (already quoted) and collects its standard output.
TRunResult RunVeltro(const std::string& arguments)
{
    return RunShell(std::string(VELTRO_EXE) + " " + arguments + " 2>/dev/null");
}

// Runs the veltro executable and collects standard output and standard error together; the shell comment drops
// the redirection of standard error that RunVeltro appends.
TRunResult RunVeltroWithMessages(const std::string& arguments)
{
    return RunVeltro(arguments + " 2>&1 #");
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        fDir = std::filesystem::temp_directory_path() /
               ("veltro-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(fDir);
    }
    void TearDown() override { std::filesystem::remove_all(fDir); }

    std::string Write(const std::string& name, const std::string& content)
    {
        std::string path = (fDir / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string Generated(const std::string& name, const kvn::TOrvGenOptions& options)
    {
        return Write(name, kvn::GenerateOrvida(options));
    }

    std::filesystem::path fDir;
};

int CountLines(const std::string& text, const std::string& prefix)
{
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(prefix, 0) == 0) ++count;
    return count;
}

} // namespace

TEST_F(CommandLine, CheckReadsEveryKindOfGeneratedFile)
{
    for (bool windows1252 : {false, true}) {
        for (bool pretty : {false, true}) {
            for (bool results : {false, true}) {
                kvn::TOrvGenOptions options;
                options.Seed = 7;
                options.Competitions = 2;
                options.Windows1252 = windows1252;
                options.Pretty = pretty;
                options.Results = results;
                options.Entries = true;
                std::string label = std::to_string(windows1252) + std::to_string(pretty) + std::to_string(results);
                TRunResult run = RunVeltro("--check '" + Generated("meet" + label + ".ovf", options) + "'");
                EXPECT_EQ(run.Status, 0) << label << "\n" << run.Output;
                EXPECT_EQ(CountLines(run.Output, "error: "), 0) << label;
                EXPECT_EQ(CountLines(run.Output, "warning: "), 0) << label;
                EXPECT_NE(run.Output.find("2 competitions, "), std::string::npos) << run.Output;
            }
        }
    }
}

TEST_F(CommandLine, CheckReportsErrorsWithStatusOne)
{
    std::string path = Write("bad.ovf", "<ORVIDA>\n<VERSION>01.02.0001</VERSION>\n<EVENTS><CLUB/></EVENTS>\n</ORVIDA>");
    TRunResult run = RunVeltro("--check '" + path + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Output.find("error: Line 4: Unallowed tag in collection: CLUB !\n"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("warning: Expired ORVIDA - Version !\n"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("0 competitions, 1 clubs, 0 athletes, 0 relay teams, 0 results, 0 entries\n"),
              std::string::npos)
        << run.Output;

    // What cannot be opened ends with status 2 in every mode, a file with errors with 1.
    std::string missing = "'" + (fDir / "missing.ovf").string() + "'";
    std::string folder = "'" + fDir.string() + "'";
    for (const std::string& arguments :
         {"--check " + missing, "--dump " + missing, "--check " + folder, "--list " + missing}) {
        TRunResult run = RunVeltroWithMessages(arguments);
        EXPECT_EQ(run.Status, 2) << arguments;
        EXPECT_NE(run.Output.find("veltro: cannot open the file "), std::string::npos) << arguments << run.Output;
    }
}

TEST_F(CommandLine, DumpPrintsTheTreeThenTheMessages)
{
    std::string path = Write("small.ovf", "<ORVIDA>\n<VERSION>01.10.0000</VERSION>\n"
                                          "<CLUB><NAME>SV &amp; Co<CODE>X</CODE></NAME>"
                                          "<FOO/><SPLIT dis=\"50\" zz='1'>V00:00:30.12</SPLIT></CLUB>\n</ORVIDA>");
    TRunResult run = RunVeltro("--dump '" + path + "'");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Output, "ORVIDA @1 !2\n"
                          "  VERSION = \"01.10.0000\" @2\n"
                          "  CLUB @3 !2\n"
                          "    NAME = \"SV & Co\" @4 !3\n"
                          "    SPLIT dis=\"50\" ??\?=\"1\" = \"V00:00:30.12\" @7\n"
                          "warning: Line 5: No child elements allowed !\n"
                          "warning: Line 6: Unknown Tag: FOO !\n");
}

TEST_F(CommandLine, UsageErrorsExitWithStatusTwo)
{
    EXPECT_EQ(RunVeltro("--check").Status, 2);
    EXPECT_EQ(RunVeltro("--frobnicate x").Status, 2);
    TRunResult version = RunVeltro("--version");
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Output.rfind("Veltro ", 0), 0u);
}

TEST_F(CommandLine, CheckReportsDuplicateIds)
{
    std::string path = Write("dup.ovf", "<ORVIDA><VERSION>01.10.0000</VERSION><COMPETITIONS><COMPETITION><CLUBS><CLUB>"
                                        "<PERSONS>\n<PERSON id=\"4\"/>\n<PERSON id=\"4\"/></PERSONS></CLUB></CLUBS>"
                                        "</COMPETITION></COMPETITIONS></ORVIDA>");
    TRunResult run = RunVeltro("--check '" + path + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Output.find("error: Line 9: Duplicate PERSON id !\n"), std::string::npos) << run.Output;
}

TEST_F(CommandLine, CheckOpensZipAndScrambledContainers)
{
    kvn::TOrvGenOptions options;
    options.Seed = 3;
    std::string ovf = Generated("inner.ovf", options);
    for (const char* name : {"meet.ovz", "meet.zip"}) {
        std::string container = (fDir / name).string();
        // An ordinary zip writer, as users have it.
        ASSERT_EQ(std::system(("cd '" + fDir.string() + "' && zip -q -X '" + container + "' inner.ovf").c_str()), 0);
        TRunResult run = RunVeltro("--check '" + container + "'");
        EXPECT_EQ(run.Status, 0) << name << "\n" << run.Output;
        EXPECT_NE(run.Output.find("1 competitions, "), std::string::npos) << run.Output;
    }

    // Scrambling masks the first and the last 1024 bytes; masking twice restores, so one pass scrambles.
    std::string scrambled = (fDir / "meet.ovb").string();
    std::filesystem::copy_file(fDir / "meet.ovz", scrambled);
    std::string error;
    ASSERT_TRUE(kvn::UnscrambleFile(scrambled, &error)) << error;
    TRunResult run = RunVeltro("--check '" + scrambled + "'");
    EXPECT_EQ(run.Status, 0) << run.Output;
    EXPECT_NE(run.Output.find("1 competitions, "), std::string::npos) << run.Output;
}

namespace {

// Two competitions; the first with an event, an event with two age groups, and one club of the nation GER.
const char* const kTreeMeet =
    "<ORVIDA><VERSION>01.10.0000</VERSION><COMPETITIONS>"
    "<COMPETITION><NAME>Spring Meet</NAME><PLACE>Bern</PLACE><PL>50</PL><PM>m</PM><PERIODS><PERIOD><NUM>1</NUM>"
    "<DATE>20240601</DATE><EVENTS>"
    "<EVENT id=\"1\"><NUM>1</NUM><DIS>100</DIS><STR>F</STR><SEX>M</SEX></EVENT>"
    "<EVENT id=\"2\"><NUM>2</NUM><DIS>50</DIS><STR>F</STR><SEX>M</SEX><CATS><CAT id=\"1\"><MIN>2000</MIN></CAT>"
    "<CAT id=\"2\"><MIN>1980</MIN><MAX>1999</MAX></CAT></CATS></EVENT>"
    "</EVENTS></PERIOD></PERIODS><CLUBS><CLUB><NAME>SV Nord</NAME><NATION>GER</NATION><PERSONS>"
    "<PERSON id=\"1\"><NAME>Muster</NAME><FNAME>Hans</FNAME><YOB>1987</YOB><RESULTS>"
    "<RESULT><EID>1</EID><RANK>1</RANK><TIME>V00:00:58.12</TIME></RESULT>"
    "<RESULT><EID>2</EID><CID>2</CID><RANK>2</RANK><TIME>V00:00:27.50</TIME></RESULT></RESULTS></PERSON>"
    "<PERSON id=\"2\"><NAME>Keller</NAME><FNAME>Eva</FNAME><YOB>2003</YOB><RESULTS>"
    "<RESULT><EID>1</EID><TIME>I00:01:05.00</TIME></RESULT></RESULTS></PERSON>"
    "</PERSONS></CLUB></CLUBS></COMPETITION>"
    "<COMPETITION><NAME>Autumn Meet</NAME><PLACE>Genf</PLACE><PL>25</PL><PM>m</PM><PERIODS><PERIOD><NUM>1</NUM>"
    "<DATE>20241001</DATE><EVENTS><EVENT id=\"7\"><NUM>7</NUM><DIS>200</DIS><STR>F</STR><SEX>F</SEX></EVENT>"
    "</EVENTS></PERIOD></PERIODS></COMPETITION></COMPETITIONS></ORVIDA>";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST_F(CommandLine, ListPrintsTheCompetitionsAndBothTreesIndentedByLevel)
{
    std::string path = Write("tree.ovf", kTreeMeet);
    TRunResult run = RunVeltro("--list '" + path + "' --language us");
    ASSERT_EQ(run.Status, 0) << run.Output;
    std::vector<std::string> lines = Lines(run.Output);
    ASSERT_EQ(lines.size(), 15u) << run.Output;
    EXPECT_EQ(lines[0], "Competitions:");
    EXPECT_EQ(lines[1], "1\tSpring Meet,  Bern   ( 50 m )");
    EXPECT_EQ(lines[2], "2\tAutumn Meet,  Genf   ( 25 m )");
    EXPECT_EQ(lines[3], "Events of competition 1:");
    EXPECT_EQ(lines[4].rfind("No. 1  -  ", 0), 0u) << lines[4]; // the session, with its date
    EXPECT_EQ(lines[5], "\tNo. 1 - 100m Freestyle Men");
    EXPECT_EQ(lines[6], "\tNo. 2 - 50m Freestyle Men");
    EXPECT_EQ(lines[7].rfind("\t\t", 0), 0u);
    EXPECT_NE(lines[7][2], '\t');
    EXPECT_EQ(lines[8].rfind("\t\t", 0), 0u);
    EXPECT_EQ(lines[9], "Participants of competition 1:");
    EXPECT_EQ(lines[10], "GER");
    EXPECT_EQ(lines[11], "\tSV Nord");
    EXPECT_EQ(lines[12], "\t\tKeller Eva, 03");
    EXPECT_EQ(lines[13], "\t\tMuster Hans, 87");
    EXPECT_NE(lines[14][0], '\t'); // the group of clubs without nation, which the tree always has

    TRunResult second = RunVeltro("--language us --list '" + path + "' --competition 2");
    ASSERT_EQ(second.Status, 0);
    EXPECT_NE(second.Output.find("Events of competition 2:\n"), std::string::npos);
    EXPECT_NE(second.Output.find("\tNo. 7 - 200m Freestyle Women\n"), std::string::npos) << second.Output;
    EXPECT_EQ(second.Output.find("Muster"), std::string::npos);
}

TEST_F(CommandLine, CopyPrintsTheListOfAnEventAnAgeGroupOrAParticipant)
{
    std::string path = "'" + Write("tree.ovf", kTreeMeet) + "'";
    TRunResult event = RunVeltro("--copy event:1 " + path + " --language us");
    ASSERT_EQ(event.Status, 0);
    EXPECT_EQ(event.Output, "No. 1 - 100m Freestyle Men\r\n"
                            "\t1.\tMuster Hans, 87\tSV Nord\t   58.12\r\n"
                            "\t\tKeller Eva, 03\tSV Nord\r\n");
    EXPECT_EQ(RunVeltro("--copy event:1 " + path + " --language us --only-valid").Output,
              "No. 1 - 100m Freestyle Men\r\n"
              "\t1.\tMuster Hans, 87\tSV Nord\t   58.12\r\n");

    // Age groups count from 1 in the order of the tree, which puts the older one (MIN 1980) first.
    TRunResult group = RunVeltro("--copy event:2/1 " + path + " --language us");
    ASSERT_EQ(group.Status, 0);
    EXPECT_EQ(group.Output.rfind("No. 2 - 50m Freestyle Men, ", 0), 0u) << group.Output;
    std::string line = "\r\n\t2.\tMuster Hans, 87\tSV Nord\t   27.50\r\n";
    EXPECT_EQ(group.Output.substr(group.Output.size() - line.size()), line) << group.Output;
    TRunResult empty = RunVeltro("--copy event:2/2 " + path + " --language us");
    EXPECT_EQ(std::count(empty.Output.begin(), empty.Output.end(), '\n'), 1) << empty.Output;

    TRunResult person = RunVeltro("--copy 'participant:Muster Hans, 87' " + path + " --language us");
    ASSERT_EQ(person.Status, 0);
    EXPECT_EQ(person.Output.rfind("Muster Hans, 87\r\n\t1\t100m Freestyle\t\t   58.12\t1.\r\n\t2\t50m Freestyle\t", 0),
              0u)
        << person.Output;
    // The same with the club named, and with the quotes a shell would have left.
    EXPECT_EQ(RunVeltro("--copy 'participant:SV Nord/Muster Hans, 87' " + path + " --language us").Output,
              person.Output);
    EXPECT_EQ(RunVeltro("--copy 'participant:\"Muster Hans, 87\"' " + path + " --language us").Output, person.Output);
}

TEST_F(CommandLine, ListAndCopyRefuseUnknownNodesFilesAndOptions)
{
    std::string path = "'" + Write("tree.ovf", kTreeMeet) + "'";
    struct TCase {
        std::string Arguments;
        std::string Message;
    };
    const TCase cases[] = {
        {"--list '" + (fDir / "missing.ovf").string() + "'", "cannot open the file"},
        {"--copy event:1 '" + (fDir / "missing.ovf").string() + "'", "cannot open the file"},
        {"--copy event:9 " + path, "has no event 9"},
        {"--copy event:2/3 " + path, "has no age group 3 in event 2"},
        {"--copy event:two " + path, "names no event"},
        {"--copy 'participant:Nobody, 99' " + path, "has no athlete or relay team"},
        {"--copy 'participant:SV Nord' " + path, "a nation or club has that name"},
        {"--copy club:1 " + path, "names no node"},
        {"--list " + path + " --competition 3", "there is no competition 3"},
        {"--list " + path + " --competition 0", "--competition needs a number from 1"},
        {"--list " + path + " --language zz", "unknown language code"},
        {"--list " + path + " --splits", "unknown option --splits"},
        {"--copy event:1", "--copy needs a node and a file"},
        {"--list", "--list needs a file"},
    };
    for (const TCase& test : cases) {
        TRunResult run = RunVeltroWithMessages(test.Arguments);
        EXPECT_EQ(run.Status, 2) << test.Arguments;
        EXPECT_NE(run.Output.find(test.Message), std::string::npos) << test.Arguments << "\n" << run.Output;
    }

    std::string broken =
        Write("broken.ovf", "<ORVIDA>\n<VERSION>01.10.0000</VERSION>\n<EVENTS><CLUB/></EVENTS>\n</ORVIDA>");
    TRunResult run = RunVeltroWithMessages("--list '" + broken + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Output.find("Unallowed tag in collection"), std::string::npos) << run.Output;
}

namespace {

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace

TEST_F(CommandLine, PrintWritesAPdfOrAnHtmlPageForAnEventARelayAndAParticipant)
{
    std::string meet = "'" + std::string(VELTRO_SOURCE_DIR) + "/tests/data/print-meet.ovf'";
    std::string pdf = (fDir / "event.pdf").string();
    TRunResult event = RunVeltro("--print event:1 " + meet + " --splits --language us --pdf '" + pdf + "'");
    ASSERT_EQ(event.Status, 0) << event.Output;
    std::string text = RunShell("pdftotext -layout '" + pdf + "' -").Output;
    ExpectInOrder(text, {"Results",
                         "Veltro",
                         "Lakeside Open",
                         "Lakeside",
                         "50m",
                         "No. 1 - 200m Freestyle Men",
                         "1.",
                         "Brandt Jonas, 98",
                         "SV Nord",
                         "1:52.40",
                         "50m:",
                         "26.10",
                         "(26.10)",
                         "150m:",
                         "1:23.80",
                         "(28.90)",
                         "100m:",
                         "54.90",
                         "(28.80)",
                         "2.",
                         "Novak Elias, 01"});

    std::string relayPdf = (fDir / "relay.pdf").string();
    ASSERT_EQ(RunVeltro("--print event:2 " + meet + " --splits --language us --pdf '" + relayPdf + "'").Status, 0);
    ExpectInOrder(RunShell("pdftotext -layout '" + relayPdf + "' -").Output,
                  {"4 x 100m Freestyle Relay Men", "SV Nord 1", "3:29.60", "Brandt Jonas, 98", "50m:", "24.90", "51.60",
                   "100m:", "Novak Elias, 01", "150m:", "52.70", "200m:", "Sato Lukas, 99", "350m:", "52.50",
                   "400m:", "3:29.60", "(27.20)"});

    std::string html = (fDir / "person.htm").string();
    TRunResult person =
        RunVeltro("--print 'participant:Brandt Jonas, 98' " + meet + " --language us --html '" + html + "'");
    ASSERT_EQ(person.Status, 0) << person.Output;
    ExpectInOrder(ReadAll(html), {"<title>", "Brandt Jonas, 98", "</title>", "Veltro", "Lakeside Open",
                                  "<td align=right width=9%>No. 1</td>", "<td width=42%>200m Freestyle</td>",
                                  "<b> 1:52.40</b>", "<b>1.</b>", "(Final)</td>"});
    // Without --splits the page has no split rows.
    EXPECT_EQ(ReadAll(html).find("50m:"), std::string::npos);

    // The page of the event: one row per result, its splits in the two-column rows below it.
    std::string eventHtml = (fDir / "event.htm").string();
    ASSERT_EQ(RunVeltro("--print event:1 " + meet + " --splits --language us --html '" + eventHtml + "'").Status, 0);
    ExpectInOrder(ReadAll(eventHtml),
                  {"No. 1 - 200m Freestyle Men", "<td align=right width=10%>1.</td>", "<td width=35%>Brandt Jonas, 98",
                   "<td width=35%>SV Nord</td>", "<b> 1:52.40</b>", "<tr valign=top>",
                   "50m:<br>100m:", "(26.10)<br>(28.80)", "150m:<br>200m:", "Novak Elias, 01"});
}

// The book of the meet in both kinds, and the club book of one club; a club the meet does not have is refused.
TEST_F(CommandLine, BookWritesThePdfAndTheHtmlBookAndRefusesAnUnknownClub)
{
    std::string meet = "'" + std::string(VELTRO_SOURCE_DIR) + "/tests/data/print-meet.ovf'";
    std::string pdf = (fDir / "book.pdf").string();
    TRunResult book = RunVeltro("--book " + meet + " --splits --language us --pdf '" + pdf + "'");
    ASSERT_EQ(book.Status, 0) << book.Output;
    ExpectInOrder(RunShell("pdftotext -layout '" + pdf + "' -").Output,
                  {"Lakeside Open", "No. 1 - 200m Freestyle Men", "Brandt Jonas, 98", "50m:", "Novak Elias, 01",
                   "4 x 100m Freestyle Relay Men", "SV Nord 1"});
    std::string html = (fDir / "club.htm").string();
    TRunResult club = RunVeltro("--book --club 'SV Nord' " + meet + " --language us --html '" + html + "'");
    ASSERT_EQ(club.Status, 0) << club.Output;
    ExpectInOrder(ReadAll(html), {"<a href=\"#c1\">SV Nord</a>", "id=\"c1\"", "Brandt Jonas, 98", "No. 1",
                                  "Novak Elias, 01", "SV Nord 1"});
    TRunResult unknown = RunVeltroWithMessages("--book " + meet + " --club Nobody --html '" + html + "'");
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_NE(unknown.Output.find("has no club \"Nobody\""), std::string::npos) << unknown.Output;
}

TEST_F(CommandLine, PrintRefusesAMissingOrSecondOutputAndReportsAnUnwritableOne)
{
    std::string meet = "'" + std::string(VELTRO_SOURCE_DIR) + "/tests/data/print-meet.ovf'";
    struct TCase {
        std::string Arguments;
        int Status;
        std::string Message;
    };
    const TCase cases[] = {
        {"--print event:1 " + meet, 2, "--print needs either --pdf OUT.pdf or --html OUT.htm"},
        {"--print event:1 " + meet + " --pdf a.pdf --html a.htm", 2, "--print needs either"},
        {"--print event:1 " + meet + " --pdf", 2, "--pdf needs a file name"},
        {"--print event:9 " + meet + " --pdf a.pdf", 2, "has no event 9"},
        {"--print event:1 " + meet + " --pdf '" + (fDir / "no/such/folder/a.pdf").string() + "'", 3, "cannot write"},
        {"--print event:1 " + meet + " --html '" + (fDir / "no/such/folder/a.htm").string() + "'", 3, "cannot write"},
    };
    for (const TCase& test : cases) {
        TRunResult run = RunVeltroWithMessages(test.Arguments);
        EXPECT_EQ(run.Status, test.Status) << test.Arguments << "\n" << run.Output;
        EXPECT_NE(run.Output.find(test.Message), std::string::npos) << test.Arguments << "\n" << run.Output;
    }
    EXPECT_FALSE(std::filesystem::exists(fDir / "no"));
}

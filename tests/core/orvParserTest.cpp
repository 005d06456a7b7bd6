#include "orvParser.h"
#include "orvDump.h"
#include "testSupport.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <limits>
#include <sstream>

using namespace kvn;
using kvntest::TTempDir;

namespace {

struct TParsed {
    std::unique_ptr<TOrvTree> Tree;
    TOrvMessageLines Messages;
    TOrvEncoding Encoding = TOrvEncoding::Undecided;

    TOrvObject* Root() const { return Tree ? Tree->Root() : nullptr; }
    std::string Dump() const
    {
        std::ostringstream out;
        if (Tree) DumpTree(*Tree->Root(), out);
        return out.str();
    }
};

TParsed ParseFile(const std::string& path)
{
    TParsed parsed;
    TOrvParser parser(parsed.Messages);
    parsed.Tree = parser.Parse(path);
    parsed.Encoding = parser.Encoding();
    return parsed;
}

TParsed ParseText(std::string_view content, std::string_view fileName = "test.ovf")
{
    TTempDir dir;
    return ParseFile(dir.Write(fileName, content));
}

// A complete current-version document around the given content of the root.
std::string Document(std::string_view content)
{
    return "<ORVIDA><VERSION>01.10.0000</VERSION>" + std::string(content) + "</ORVIDA>";
}

const TOrvAbstractObject* Path(const TOrvAbstractObject* from, std::initializer_list<TOrvTagKind> kinds)
{
    for (TOrvTagKind kind : kinds) {
        const TOrvAbstractElement* child = from ? from->Child(kind) : nullptr;
        from = child ? child->AsObject() : nullptr;
    }
    return from;
}

// The dump without the " @position" parts, to compare trees read with different layouts.
std::string WithoutPositions(const std::string& dump)
{
    std::string out;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        std::size_t at = line.rfind(" @");
        out += line.substr(0, at) + '\n';
    }
    return out;
}

} // namespace

TEST(Reader, FilesWithoutRootAreRefused)
{
    for (std::string content : {"", "<!-- only a comment -->", "<?xml version=\"1.0\"?><CLUB/>", "just text",
                                "<!DOCTYPE ORVIDA><ORVIDA></ORVIDA>"}) {
        TParsed parsed = ParseText(content);
        EXPECT_EQ(parsed.Root(), nullptr) << content;
        EXPECT_EQ(parsed.Messages.Errors, std::vector<std::string>{"No ORVIDA - File !"}) << content;
        EXPECT_TRUE(parsed.Messages.Warnings.empty()) << content;
    }
}

TEST(Reader, MissingFileCannotBeOpened)
{
    TParsed parsed = ParseFile("/nonexistent/folder/meet.ovf");
    EXPECT_EQ(parsed.Root(), nullptr);
    EXPECT_EQ(parsed.Messages.Errors, std::vector<std::string>{"Can not open file !"});
    TTempDir dir;
    EXPECT_EQ(ParseFile(dir.Path().string()).Messages.Errors, std::vector<std::string>{"Can not open file !"});
}

TEST(Reader, VersionCheck)
{
    auto warnings = [](std::string_view version) {
        return ParseText("<ORVIDA><VERSION>" + std::string(version) + "</VERSION></ORVIDA>").Messages.Warnings;
    };
    EXPECT_EQ(warnings("01.02.0003"), std::vector<std::string>{"Expired ORVIDA - Version !"});
    EXPECT_TRUE(warnings("01.02.0004").empty());
    EXPECT_TRUE(warnings("01.10.0000").empty());
    EXPECT_EQ(ParseText("<ORVIDA></ORVIDA>").Messages.Warnings, std::vector<std::string>{"Expired ORVIDA - Version !"});
}

TEST(Reader, SelfClosingObjectWithId)
{
    TParsed parsed = ParseText(Document("<EVENTS><EVENT id=\"7\"/><EVENT ID=\"8\"></EVENT></EVENTS>"));
    ASSERT_NE(parsed.Root(), nullptr);
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    const TOrvAbstractObject* events = Path(parsed.Root(), {otEVENTS});
    ASSERT_NE(events, nullptr);
    ASSERT_EQ(events->Count(), 2);
    EXPECT_EQ(events->Items(0)->AsPlainObject()->Id(), 7);
    EXPECT_EQ(events->Items(1)->AsPlainObject()->Id(), 8); // attribute names are matched lower-cased
    EXPECT_EQ(events->Items(0)->Parent(), events);
}

TEST(Reader, NonNumericIdIsZero)
{
    TParsed parsed = ParseText(Document("<EVENTS><EVENT id=\"x7\"/></EVENTS>"));
    const TOrvAbstractObject* events = Path(parsed.Root(), {otEVENTS});
    ASSERT_NE(events, nullptr);
    EXPECT_EQ(events->Items(0)->AsPlainObject()->Id(), 0);
    EXPECT_EQ(events->Items(0)->AttributeValue(ovaID), "x7");
}

TEST(Reader, ForeignItemInCollectionIsReportedAndKept)
{
    TParsed parsed = ParseText(Document("\n\n\n<EVENTS>\n<CLUB><NAME>SV</NAME></CLUB>\n</EVENTS>"));
    EXPECT_EQ(parsed.Messages.Errors, std::vector<std::string>{"Line 5: Unallowed tag in collection: CLUB !"});
    const TOrvAbstractObject* events = Path(parsed.Root(), {otEVENTS});
    ASSERT_NE(events, nullptr);
    ASSERT_EQ(events->Count(), 1);
    EXPECT_EQ(events->Items(0)->Kind(), otCLUB);
    EXPECT_EQ(events->State(), osFaultInside);
}

TEST(Reader, UnknownElementIsSkippedWhole)
{
    TParsed parsed = ParseText(Document("<CONTACT><FOO a=\"1\"><NAME>x</NAME><FOO><BAR>y</BAR></FOO></FOO>"
                                        "<NAME>kept</NAME></CONTACT>"));
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    ASSERT_EQ(parsed.Messages.Warnings.size(), 1u);
    EXPECT_NE(parsed.Messages.Warnings[0].find("Unknown Tag: FOO !"), std::string::npos);
    const TOrvAbstractObject* contact = Path(parsed.Root(), {otCONTACT});
    ASSERT_NE(contact, nullptr);
    ASSERT_EQ(contact->Count(), 1);
    EXPECT_EQ(contact->ChildText(otNAME), "kept");
    EXPECT_EQ(contact->State(), osFaultInside);
    EXPECT_EQ(parsed.Root()->State(), osFaultInside);
}

TEST(Reader, SelfClosingTagInsideUnknownElementDoesNotEndTheSkip)
{
    TParsed parsed = ParseText(Document("<CONTACT><FOO><BAR/><NAME>x</NAME></FOO><FAX>1</FAX></CONTACT>"));
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    const TOrvAbstractObject* contact = Path(parsed.Root(), {otCONTACT});
    ASSERT_NE(contact, nullptr);
    EXPECT_FALSE(contact->Contains(otNAME));
    EXPECT_EQ(contact->ChildText(otFAX), "1");

    TParsed selfClosed = ParseText(Document("<CONTACT><FOO/><FOO><FOO/></FOO><FAX>2</FAX></CONTACT>"));
    EXPECT_TRUE(selfClosed.Messages.Errors.empty());
    EXPECT_EQ(Path(selfClosed.Root(), {otCONTACT})->ChildText(otFAX), "2");
}

TEST(Reader, TagsThatShareTheStartOfTheirNamesAreToldApartInAnyOrder)
{
    // Each club reads the names in another order than the club before: where the reader expects one name, the
    // next is longer or shorter and differs from it only past their common start.
    TParsed parsed = ParseText(Document("<CLUBS><CLUB><NAME>A</NAME><STREET>s</STREET><STREET2>t</STREET2></CLUB>"
                                        "<CLUB><NAME>B</NAME><STREET2>v</STREET2><STREET>w</STREET></CLUB>"
                                        "<CLUB><NAMEX>u</NAMEX></CLUB><CLUB><NAME>C</NAME><STREET>x</STREET></CLUB>"
                                        "</CLUBS>"));
    EXPECT_EQ(parsed.Messages.Warnings, std::vector<std::string>{"Line 13: Unknown Tag: NAMEX !"});
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    const TOrvAbstractObject* clubs = Path(parsed.Root(), {otCLUBS});
    ASSERT_NE(clubs, nullptr);
    ASSERT_EQ(clubs->Count(), 4);
    auto club = [clubs](int i) { return clubs->Items(i)->AsObject(); };
    EXPECT_EQ(club(0)->ChildText(otSTREET2), "t");
    EXPECT_EQ(club(1)->ChildText(otSTREET2), "v");
    EXPECT_EQ(club(1)->ChildText(otSTREET), "w");
    EXPECT_EQ(club(2)->Count(), 0);
    EXPECT_EQ(club(3)->Count(), 2);
    EXPECT_EQ(club(3)->ChildText(otSTREET), "x");
}

TEST(Reader, ChildOfDataElementIsKeptOutOfTheTree)
{
    TParsed parsed = ParseText(Document("<CLUB><NAME>SV<CODE>X</CODE></NAME></CLUB>"));
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    ASSERT_EQ(parsed.Messages.Warnings.size(), 1u);
    EXPECT_NE(parsed.Messages.Warnings[0].find("No child elements allowed !"), std::string::npos);
    const TOrvAbstractObject* club = Path(parsed.Root(), {otCLUB});
    ASSERT_NE(club, nullptr);
    ASSERT_EQ(club->Count(), 1);
    EXPECT_EQ(club->Items(0)->State(), osFaulty);
    EXPECT_EQ(club->ChildText(otNAME), "SV");
    EXPECT_FALSE(club->Contains(otCODE));
    EXPECT_EQ(club->State(), osFaultInside);
}

TEST(Reader, TextBetweenObjectsIsUnexpected)
{
    TParsed parsed = ParseText(Document("<CLUB>stray</CLUB>"));
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    ASSERT_EQ(parsed.Messages.Warnings.size(), 1u);
    EXPECT_NE(parsed.Messages.Warnings[0].find("Unexpected Data !"), std::string::npos);
}

TEST(Reader, AttributeSyntaxErrors)
{
    TParsed noEquals = ParseText(Document("<EVENTS><EVENT id \"7\"/></EVENTS>"));
    ASSERT_FALSE(noEquals.Messages.Errors.empty());
    EXPECT_NE(noEquals.Messages.Errors[0].find("= expected !"), std::string::npos);

    TParsed unquoted = ParseText(Document("<EVENTS><EVENT id=7/></EVENTS>"));
    ASSERT_FALSE(unquoted.Messages.Errors.empty());
    EXPECT_NE(unquoted.Messages.Errors[0].find("Quote \" expected !"), std::string::npos);
    const TOrvAbstractObject* events = Path(unquoted.Root(), {otEVENTS});
    ASSERT_NE(events, nullptr);
    ASSERT_GE(events->Count(), 1);
    EXPECT_EQ(events->Items(0)->AttributeCount(), 1);
    EXPECT_EQ(events->Items(0)->AttributeValue(ovaID), "");
    EXPECT_EQ(events->Items(0)->State(), osFaulty);
}

TEST(Reader, SingleQuotedAttributeValues)
{
    TParsed parsed = ParseText(Document("<SPLITS><SPLIT dis='50'>V00:00:30.10</SPLIT><SPLIT dis=\"it's\"/></SPLITS>"));
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    const TOrvAbstractObject* splits = Path(parsed.Root(), {otSPLITS});
    ASSERT_NE(splits, nullptr);
    ASSERT_EQ(splits->Count(), 2);
    EXPECT_EQ(splits->Items(0)->AttributeValue(ovaDIS), "50");
    EXPECT_EQ(splits->Items(1)->AttributeValue(ovaDIS), "it's");
}

TEST(Reader, InputEndingAfterAttributeName)
{
    TParsed parsed = ParseText("<ORVIDA><EVENTS><EVENT id");
    ASSERT_NE(parsed.Root(), nullptr);
    EXPECT_EQ(parsed.Messages.Errors,
              (std::vector<std::string>{"Line 3: Value expected !", "Line 3: Unexpected end of file !"}));
}

TEST(Reader, UnexpectedEndTag)
{
    TParsed parsed = ParseText(Document("<CLUB></CLUBS></CLUB>"));
    ASSERT_EQ(parsed.Messages.Errors.size(), 1u);
    EXPECT_NE(parsed.Messages.Errors[0].find("Unexpected tag: /CLUBS !"), std::string::npos);
    EXPECT_EQ(Path(parsed.Root(), {otCLUB})->State(), osFaultInside);
}

TEST(Reader, PositionsAreLinesOrStartTagCounts)
{
    TParsed multiLine = ParseText("<ORVIDA>\n<VERSION>01.10.0000</VERSION>\n\n<CLUB>\n</CLUB>\n</ORVIDA>");
    EXPECT_EQ(multiLine.Root()->Line(), 1);
    EXPECT_EQ(multiLine.Root()->Child(otVERSION)->Line(), 2);
    EXPECT_EQ(multiLine.Root()->Child(otCLUB)->Line(), 4);

    // All on one line: every start tag counts, so positions still tell elements apart.
    TParsed oneLine = ParseText("<ORVIDA><VERSION>01.10.0000</VERSION><CLUB><NAME>a</NAME></CLUB><CLUB/></ORVIDA>");
    const TOrvObject* root = oneLine.Root();
    EXPECT_EQ(root->Line(), 1);
    EXPECT_EQ(root->Items(0)->Line(), 2);
    EXPECT_EQ(root->Items(1)->Line(), 3);
    EXPECT_EQ(root->Items(1)->AsObject()->Items(0)->Line(), 4);
    EXPECT_EQ(root->Items(2)->Line(), 5);
}

TEST(Reader, LineNumbersStayExactAcrossReadBlocks)
{
    // Line feeds between tags, in texts, values and comments, over several read blocks before each message.
    const std::string piece = "<CLUB type=\"a\nb\">\r\n<NAME>x\ny</NAME><NAME>z</NAME><!--\n-->\n</CLUB>\n";
    std::string content;
    while (content.size() < 2 * TOrvParser::kReadSize)
        content += piece;
    std::string firstAt = content;
    content += "<FOO>\n</FOO>";
    while (content.size() < 3 * TOrvParser::kReadSize + 100)
        content += piece;
    std::string secondAt = content;
    content += "</BAR>";
    std::string document = Document(content);
    auto lineOf = [](const std::string& before) {
        return std::to_string(std::count(before.begin(), before.end(), '\n') + 1);
    };
    TParsed parsed = ParseText(document);
    EXPECT_EQ(parsed.Messages.Warnings, std::vector<std::string>{"Line " + lineOf(firstAt) + ": Unknown Tag: FOO !"});
    EXPECT_EQ(parsed.Messages.Errors,
              std::vector<std::string>{"Line " + lineOf(secondAt) + ": Unexpected tag: /BAR !"});
}

TEST(Reader, LineNumbersCountLongRunsOfLineFeeds)
{
    // Many line feeds between two start tags: runs of blank lines, one comment over several windows, line ends of
    // every kind, and tags right after each other.
    const std::string gaps[] = {std::string(40, '\n'), "<!--" + std::string(3 * TOrvParser::kWindowSize, '\n') + "-->",
                                "\r\n\n\r\r\n  \n\t\n", ""};
    std::string content = "<CLUB>";
    std::vector<std::string> expected;
    for (const std::string& gap : gaps) {
        content += gap;
        expected.push_back("Line " + std::to_string(std::count(content.begin(), content.end(), '\n') + 1) +
                           ": Unknown Tag: FOO !");
        content += "<FOO/>";
    }
    content += "</CLUB>";
    TParsed parsed = ParseText(Document(content));
    EXPECT_EQ(parsed.Messages.Warnings, expected);
}

TEST(Reader, EntitiesAndCharacterReferencesAreDecoded)
{
    TParsed parsed = ParseText(Document("<CLUB nation=\"A&amp;B\"><NAME>Smith &amp; Co &lt;1&gt; &quot;q&quot; &apos;a"
                                        "&apos; Caf&#233; &#xE9; &#X1F3CA;</NAME>"
                                        "<CODE>&unknown; &amp &#xZZ; &#0; AT&T; R&D</CODE></CLUB>"));
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    const TOrvAbstractObject* club = Path(parsed.Root(), {otCLUB});
    ASSERT_NE(club, nullptr);
    EXPECT_EQ(club->ChildText(otNAME), "Smith & Co <1> \"q\" 'a' Caf\xC3\xA9 \xC3\xA9 \xF0\x9F\x8F\x8A");
    EXPECT_EQ(club->ChildText(otCODE), "&unknown; &amp &#xZZ; &#0; AT&T; R&D");
    EXPECT_EQ(club->AttributeValue(ovaNATION), "A&B");
}

TEST(Reader, TextLongerThanTheWindowIsKeptWhole)
{
    std::string longName(3 * TOrvParser::kWindowSize + 17, 'x');
    std::string longValue(2 * TOrvParser::kWindowSize, 'v');
    std::string longComment(5 * TOrvParser::kWindowSize, '-');
    TParsed parsed = ParseText(Document("<!--" + longComment + " -->" + "<CLUB nation=\"" + longValue + "\"><NAME>" +
                                        longName + "</NAME></CLUB>"));
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    const TOrvAbstractObject* club = Path(parsed.Root(), {otCLUB});
    ASSERT_NE(club, nullptr);
    EXPECT_EQ(club->ChildText(otNAME), longName);
    EXPECT_EQ(club->AttributeValue(ovaNATION), longValue);
}

TEST(Reader, MarkupStraddlingWindowBoundariesReadsTheSame)
{
    const std::string body = "<CLUBS>\n<CLUB nation=\"GER\"><NAME>SV M\xC3\xBC"
                             "nchen</NAME><!-- c -->"
                             "<PERSONS><PERSON id=\"12\"><NAME>Muster</NAME><YOB>87</YOB></PERSON></PERSONS>"
                             "</CLUB>\n</CLUBS>";
    const std::string reference = WithoutPositions(ParseText(Document(body)).Dump());
    ASSERT_NE(reference.find("PERSON id=\"12\""), std::string::npos);
    // Shift the document across the boundary of a window and of a read block one byte at a time.
    for (std::size_t boundary : {TOrvParser::kWindowSize, TOrvParser::kReadSize}) {
        for (std::size_t padding = boundary - 200; padding < boundary + 8; ++padding) {
            std::string shifted =
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + std::string(padding, ' ') + Document(body);
            TParsed parsed = ParseText(shifted);
            ASSERT_TRUE(parsed.Messages.Errors.empty()) << padding;
            ASSERT_EQ(WithoutPositions(parsed.Dump()), reference) << padding;
        }
    }
}

TEST(Reader, EncodingFromDeclarationOrBytes)
{
    const std::string utf8Name = "M\xC3\xBCller";
    const std::string cp1252Name = "M\xFCller";
    auto nameIn = [](const TParsed& parsed) { return std::string(Path(parsed.Root(), {otCLUB})->ChildText(otNAME)); };

    TParsed declared1252 = ParseText("<?xml version=\"1.0\" encoding=\"windows-1252\"?>" +
                                     Document("<CLUB><NAME>" + cp1252Name + "</NAME></CLUB>"));
    EXPECT_EQ(declared1252.Encoding, TOrvEncoding::Windows1252);
    EXPECT_EQ(nameIn(declared1252), utf8Name);

    TParsed singleQuoted = ParseText("<?xml version='1.0' encoding='ISO-8859-1'?>" +
                                     Document("<CLUB><NAME>" + cp1252Name + "</NAME></CLUB>"));
    EXPECT_EQ(nameIn(singleQuoted), utf8Name);

    TParsed declaredUtf8 = ParseText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" +
                                     Document("<CLUB><NAME>" + utf8Name + "</NAME></CLUB>"));
    EXPECT_EQ(declaredUtf8.Encoding, TOrvEncoding::Utf8);
    EXPECT_EQ(nameIn(declaredUtf8), utf8Name);

    TParsed undeclaredUtf8 = ParseText(Document("<CLUB><NAME>" + utf8Name + "</NAME></CLUB>"));
    EXPECT_EQ(undeclaredUtf8.Encoding, TOrvEncoding::Utf8);
    EXPECT_EQ(nameIn(undeclaredUtf8), utf8Name);

    TParsed undeclared1252 = ParseText(Document("<CLUB><NAME>" + cp1252Name + "</NAME></CLUB>"));
    EXPECT_EQ(undeclared1252.Encoding, TOrvEncoding::Windows1252);
    EXPECT_EQ(nameIn(undeclared1252), utf8Name);
}

TEST(Reader, ByteOrderMarkIsSkipped)
{
    TParsed parsed = ParseText("\xEF\xBB\xBF" + Document("<CLUB><NAME>M\xC3\xBCller</NAME></CLUB>"));
    ASSERT_NE(parsed.Root(), nullptr);
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    EXPECT_EQ(Path(parsed.Root(), {otCLUB})->ChildText(otNAME), "M\xC3\xBCller");
}

TEST(Reader, MarkupAfterTheRootIsIgnored)
{
    TParsed parsed = ParseText(Document("<CLUB/>") + "<CLUB/> trailing </ORVIDA> <");
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    EXPECT_TRUE(parsed.Messages.Warnings.empty());
    EXPECT_EQ(parsed.Root()->Count(), 2);
}

TEST(Reader, UnclosedElementsAreReportedAtTheEnd)
{
    // A file cut short must not pass for a complete one: the tree so far is kept, the end is an error.
    TParsed parsed = ParseText("<ORVIDA>\n<VERSION>01.10.0000</VERSION>\n<CLUBS>\n<CLUB>\n<NAME>open\n\n\n");
    ASSERT_NE(parsed.Root(), nullptr);
    EXPECT_EQ(parsed.Messages.Errors, std::vector<std::string>{"Line 8: Unexpected end of file !"});
    const TOrvAbstractObject* club = Path(parsed.Root(), {otCLUBS, otCLUB});
    EXPECT_EQ(club->ChildText(otNAME), "open");
    EXPECT_EQ(club->Items(0)->State(), osFaulty);
    EXPECT_EQ(parsed.Root()->State(), osFaultInside);

    TParsed rootOpen = ParseText("<ORVIDA><VERSION>01.10.0000</VERSION><CLUB/>");
    EXPECT_EQ(rootOpen.Messages.Errors, std::vector<std::string>{"Line 3: Unexpected end of file !"});
}

TEST(Reader, ZeroByteIsReportedWhereItStands)
{
    using namespace std::string_literals;
    TParsed parsed = ParseText("<ORVIDA>\n\n\n\n<VERSION>01.10.0000</VERSION>\n<CLUB/>\0<CONTACT/></ORVIDA>\n"s);
    ASSERT_NE(parsed.Root(), nullptr);
    EXPECT_EQ(parsed.Messages.Errors, std::vector<std::string>{"Line 6: Unexpected zero byte !"});
    EXPECT_EQ(parsed.Root()->Count(), 2);

    // After the root nothing is read, so a zero byte there harms no one.
    EXPECT_TRUE(ParseText(Document("<CLUB/>") + "\0"s).Messages.Errors.empty());
}

TEST(Reader, NamedPipeIsRefusedWithoutBlocking)
{
    TTempDir dir;
    std::string path = dir.File("pipe.ovf");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    auto parsing = std::async(std::launch::async, [&path] { return ParseFile(path).Messages.Errors; });
    if (parsing.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Opening the writing end releases a reader that blocked in opening the pipe.
        ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));
        parsing.wait();
        FAIL() << "reading a named pipe blocked";
    }
    EXPECT_EQ(parsing.get(), std::vector<std::string>{"Can not open file !"});
}

TEST(Reader, PositionNumberOfHugeFilesIsClamped)
{
    EXPECT_EQ(OrvPositionNumber(12, 3), 12);
    EXPECT_EQ(OrvPositionNumber(1, 40), 40);
    EXPECT_EQ(OrvPositionNumber(std::int64_t{3} << 31, 1), std::numeric_limits<std::int32_t>::max());
}

TEST(Reader, CommentsAndInstructionsInsideTheTree)
{
    TParsed parsed = ParseText(Document("<!----><CLUB><!-- a <CLUB> in a comment --><?pi x?><NAME>n</NAME>"
                                        "<CODE <!-- inside a tag --> >c</CODE></CLUB>"));
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    EXPECT_TRUE(parsed.Messages.Warnings.empty());
    const TOrvAbstractObject* club = Path(parsed.Root(), {otCLUB});
    ASSERT_NE(club, nullptr);
    EXPECT_EQ(club->Count(), 2);
    EXPECT_EQ(club->ChildText(otCODE), "c");
}

TEST(Reader, ProgressIsReportedPerWindow)
{
    TTempDir dir;
    std::string content = Document(std::string(10 * TOrvParser::kWindowSize, '\n') + "<CLUB/>");
    std::string path = dir.Write("big.ovf", content);
    TOrvMessageLines messages;
    TOrvParser parser(messages);
    std::vector<std::int32_t> positions;
    auto tree = parser.Parse(path, [&positions](std::int32_t position) { positions.push_back(position); });
    ASSERT_NE(tree, nullptr);
    EXPECT_GE(positions.size(), 10u);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_GT(positions.back(), 10 * static_cast<int>(TOrvParser::kWindowSize) - 100);
}

TEST(Reader, ReadsTheSingleFileOfAZipContainer)
{
    TTempDir dir;
    std::string path = dir.File("meet.ovz");
    std::string content = Document("<CLUB><NAME>zipped</NAME></CLUB>");
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    zip_fileinfo info{};
    ASSERT_EQ(zipOpenNewFileInZip(zip, "results/meet.ovf", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  Z_DEFAULT_COMPRESSION),
              ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size())), ZIP_OK);
    zipCloseFileInZip(zip);
    zipClose(zip, nullptr);

    TParsed parsed = ParseFile(path);
    ASSERT_NE(parsed.Root(), nullptr);
    EXPECT_TRUE(parsed.Messages.Errors.empty());
    EXPECT_EQ(Path(parsed.Root(), {otCLUB})->ChildText(otNAME), "zipped");

    TParsed notAZip = ParseText("plain text", "fake.OVZ");
    EXPECT_EQ(notAZip.Root(), nullptr);
    EXPECT_EQ(notAZip.Messages.Errors, std::vector<std::string>{".OVZ File should contain one .OVF - file !"});
}

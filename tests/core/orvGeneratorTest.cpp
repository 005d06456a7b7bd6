#include "orvGenerator.h"

#include "kvnEncoding.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using kvn::GenerateOrvida;
using kvn::TOrvGenOptions;

namespace {

// The closed tag vocabulary of the exchange format: a misspelt tag would be skipped silently by the reader.
const std::set<std::string> kVocabulary = {
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
    "TIME",     "TYPE",    "UPDATED",     "VERSION",    "YOB",        "ZIP"};

// Checks nesting, the vocabulary, escaping and the declaration; returns the first problem or "".
std::string WellFormedProblem(const std::string& xml)
{
    const std::string_view declaration = "<?xml version=\"1.0\" encoding=\"";
    if (xml.compare(0, declaration.size(), declaration) != 0) return "no XML declaration at the start";
    std::size_t pos = xml.find("?>");
    if (pos == std::string::npos) return "unterminated declaration";
    pos += 2;
    std::vector<std::string> open;
    bool rootSeen = false;
    while (pos < xml.size()) {
        std::size_t lt = xml.find('<', pos);
        std::string_view text(xml.data() + pos, (lt == std::string::npos ? xml.size() : lt) - pos);
        if (text.find('>') != std::string_view::npos) return "unescaped '>' in text";
        for (std::size_t amp = text.find('&'); amp != std::string_view::npos; amp = text.find('&', amp + 1)) {
            std::string_view rest = text.substr(amp);
            if (rest.rfind("&amp;", 0) != 0 && rest.rfind("&lt;", 0) != 0 && rest.rfind("&gt;", 0) != 0)
                return "bare '&' in text";
        }
        if (open.empty() && text.find_first_not_of(" \n") != std::string_view::npos) return "text outside the root";
        if (lt == std::string::npos) break;
        std::size_t gt = xml.find('>', lt);
        if (gt == std::string::npos) return "unterminated tag";
        std::string tag = xml.substr(lt + 1, gt - lt - 1);
        pos = gt + 1;
        if (!tag.empty() && tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) return "mismatched </" + tag.substr(1) + ">";
            open.pop_back();
            continue;
        }
        std::string name = tag.substr(0, tag.find(' '));
        if (!kVocabulary.count(name)) return "unknown tag <" + name + ">";
        if (open.empty() && rootSeen) return "second root element";
        rootSeen = true;
        open.push_back(name);
    }
    if (!open.empty()) return "unclosed <" + open.back() + ">";
    return rootSeen ? "" : "no root element";
}

struct TDataLine {
    std::string Tag;
    std::string Text;
    std::string Id; // of an opening tag with an id attribute
};

// Splits pretty output into its lines' tags: data elements carry their text, opening tags their id.
std::vector<TDataLine> ParseLines(const std::string& xml)
{
    std::vector<TDataLine> lines;
    std::istringstream in(xml);
    for (std::string line; std::getline(in, line);) {
        std::size_t start = line.find('<');
        if (start == std::string::npos || line[start + 1] == '/' || line[start + 1] == '?') continue;
        std::size_t end = line.find_first_of(" >", start);
        TDataLine data;
        data.Tag = line.substr(start + 1, end - start - 1);
        std::size_t id = line.find(" id=\"", start);
        if (id != std::string::npos && id < line.find('>'))
            data.Id = line.substr(id + 5, line.find('"', id + 5) - id - 5);
        std::size_t close = line.find("</", start + 1);
        if (close != std::string::npos) {
            std::size_t gt = line.find('>', start);
            data.Text = line.substr(gt + 1, close - gt - 1);
        }
        lines.push_back(data);
    }
    return lines;
}

TOrvGenOptions Options(std::uint64_t seed)
{
    TOrvGenOptions options;
    options.Seed = seed;
    return options;
}

bool IsTimeValue(const std::string& text)
{
    static const std::string_view shape = "X00:00:00.00";
    if (text.size() != shape.size() || std::string_view("EILV").find(text[0]) == std::string_view::npos) return false;
    for (std::size_t i = 1; i < shape.size(); ++i)
        if (shape[i] == '0' ? (text[i] < '0' || text[i] > '9') : text[i] != shape[i]) return false;
    return true;
}

} // namespace

TEST(OrvGenerator, SameSeedGivesSameBytesAndOtherSeedOtherBytes)
{
    const std::string first = GenerateOrvida(Options(7));
    EXPECT_EQ(first, GenerateOrvida(Options(7)));
    EXPECT_NE(first, GenerateOrvida(Options(8)));

    std::ostringstream streamed;
    GenerateOrvida(Options(7), streamed);
    EXPECT_EQ(first, streamed.str());
}

TEST(OrvGenerator, EntriesDoNotChangeWhoSwims)
{
    TOrvGenOptions results = Options(3);
    TOrvGenOptions entries = results;
    entries.Results = false;
    auto persons = [](const std::string& xml) {
        std::string names;
        for (const TDataLine& line : ParseLines(xml))
            if (line.Tag == "PERSON" || line.Tag == "YOB" || line.Tag == "FNAME") names += line.Id + line.Text + ";";
        return names;
    };
    EXPECT_EQ(persons(GenerateOrvida(results)), persons(GenerateOrvida(entries)));
}

TEST(OrvGenerator, SizeTargetIsReachedWithoutOvershooting)
{
    for (bool pretty : {true, false}) {
        TOrvGenOptions options = Options(11);
        options.Competitions = 2;
        options.Pretty = pretty;
        options.TargetBytes = 2 * 1024 * 1024;
        const std::string xml = GenerateOrvida(options);
        EXPECT_GE(xml.size(), options.TargetBytes) << "pretty " << pretty;
        EXPECT_LE(xml.size(), options.TargetBytes * 5 / 4) << "pretty " << pretty;
        EXPECT_EQ("", WellFormedProblem(xml));
    }
}

TEST(OrvGenerator, OneLineIsThePrettyDocumentWithoutLayout)
{
    TOrvGenOptions options = Options(5);
    options.Entries = true;
    const std::string pretty = GenerateOrvida(options);
    options.Pretty = false;
    const std::string oneLine = GenerateOrvida(options);
    EXPECT_EQ(std::string::npos, oneLine.find('\n'));
    EXPECT_EQ(std::string::npos, oneLine.find('\r'));

    std::string stripped;
    std::istringstream in(pretty);
    for (std::string line; std::getline(in, line);)
        stripped += line.substr(line.find_first_not_of(' '));
    EXPECT_EQ(stripped, oneLine);
}

TEST(OrvGenerator, Windows1252HoldsTheSameTextAsUtf8)
{
    TOrvGenOptions options = Options(9);
    const std::string utf8 = GenerateOrvida(options);
    options.Windows1252 = true;
    const std::string cp1252 = GenerateOrvida(options);

    EXPECT_TRUE(kvn::IsValidUtf8(utf8));
    EXPECT_FALSE(kvn::IsValidUtf8(cp1252));
    EXPECT_LT(cp1252.size(), utf8.size());
    EXPECT_EQ(0u, cp1252.find(R"(<?xml version="1.0" encoding="windows-1252"?>)"));
    EXPECT_EQ(0u, utf8.find(R"(<?xml version="1.0" encoding="UTF-8"?>)"));
    auto body = [](const std::string& xml) { return xml.substr(xml.find("?>")); };
    const std::string back = kvn::Cp1252ToUtf8(cp1252);
    EXPECT_EQ(body(utf8), body(back));
    EXPECT_EQ(std::string::npos, back.find('?', back.find("?>") + 2)) << "a letter without a Windows-1252 byte";
}

TEST(OrvGenerator, OutputIsWellFormedInEveryForm)
{
    for (int form = 0; form < 8; ++form) {
        TOrvGenOptions options = Options(20 + form);
        options.Pretty = form & 1;
        options.Windows1252 = form & 2;
        options.Results = !(form & 4);
        options.Entries = form == 1;
        std::string xml = GenerateOrvida(options);
        if (options.Windows1252) xml = kvn::Cp1252ToUtf8(xml);
        EXPECT_EQ("", WellFormedProblem(xml)) << "form " << form;
    }
}

TEST(OrvGenerator, SmallestAndEmptyDocumentsAreWellFormed)
{
    TOrvGenOptions tiny = Options(1);
    tiny.SessionsPerCompetition = 1;
    tiny.EventsPerSession = 1;
    tiny.Clubs = 1;
    tiny.AthletesPerClub = 1;
    tiny.RelayTeamsPerClub = 0;
    const std::string small = GenerateOrvida(tiny);
    EXPECT_EQ("", WellFormedProblem(small));
    EXPECT_LT(small.size(), 4000u);

    TOrvGenOptions relaysOnly = tiny;
    relaysOnly.AthletesPerClub = 0;
    relaysOnly.RelayTeamsPerClub = 2;
    EXPECT_EQ("", WellFormedProblem(GenerateOrvida(relaysOnly)));

    TOrvGenOptions none = Options(1);
    none.Competitions = 0;
    none.TargetBytes = 100000; // cannot be reached without competitions, and must not hang
    const std::string empty = GenerateOrvida(none);
    EXPECT_EQ("", WellFormedProblem(empty));
    EXPECT_NE(std::string::npos, empty.find("<NAME>Veltro sample generator</NAME>"));
}

TEST(OrvGenerator, ReferencesPointAtExistingElements)
{
    TOrvGenOptions options = Options(13);
    options.Competitions = 2;
    options.Entries = true;
    std::vector<TDataLine> lines = ParseLines(GenerateOrvida(options));

    std::map<std::string, std::set<std::string>> cats; // event id -> category ids
    std::set<std::string> persons, pids;
    std::string event, eid;
    int competitions = 0, references = 0;
    auto checkPids = [&]() {
        for (const std::string& pid : pids)
            EXPECT_TRUE(persons.count(pid)) << "PID " << pid;
    };
    for (const TDataLine& line : lines) {
        if (line.Tag == "COMPETITION") {
            checkPids();
            ++competitions;
            cats.clear();
            persons.clear();
            pids.clear();
        } else if (line.Tag == "EVENT") {
            event = line.Id;
            EXPECT_TRUE(cats.emplace(event, std::set<std::string>()).second) << "EVENT id " << event;
        } else if (line.Tag == "CAT") {
            EXPECT_TRUE(cats[event].insert(line.Id).second) << "CAT id " << line.Id;
        } else if (line.Tag == "PERSON") {
            EXPECT_TRUE(persons.insert(line.Id).second) << "PERSON id " << line.Id;
        } else if (line.Tag == "EID") {
            eid = line.Text;
            ASSERT_TRUE(cats.count(eid)) << "EID " << eid;
            ++references;
        } else if (line.Tag == "CID") {
            // 0 stands for the first age group, which is only unambiguous with a single one.
            if (line.Text == "0")
                EXPECT_EQ(1u, cats[eid].size()) << "EID " << eid;
            else
                EXPECT_TRUE(cats[eid].count(line.Text)) << "EID " << eid << " CID " << line.Text;
        } else if (line.Tag == "PID") {
            pids.insert(line.Text);
        }
    }
    checkPids();
    EXPECT_EQ(2, competitions);
    EXPECT_GT(references, 100);
}

TEST(OrvGenerator, DefaultDocumentsShowEveryFeature)
{
    // Small documents are what most tests use, so each of them has to hold every feature, whatever the seed.
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        TOrvGenOptions options = Options(seed);
        options.Entries = true;
        const std::string xml = GenerateOrvida(options);
        std::vector<TDataLine> lines = ParseLines(xml);

        std::set<char> statuses;
        std::set<std::string> types;
        std::map<std::string, int> catsPerEvent;
        std::string event;
        int clubs = 0, nations = 0, badTimes = 0, badDates = 0;
        for (const TDataLine& line : lines) {
            if (line.Tag == "TIME" && !line.Text.empty() &&
                std::string_view("EILV").find(line.Text[0]) != std::string::npos) {
                statuses.insert(line.Text[0]);
                badTimes += !IsTimeValue(line.Text);
            }
            if (line.Tag == "SPLIT") badTimes += !IsTimeValue(line.Text);
            if (line.Tag == "DATE" || line.Tag == "DEADLINE")
                badDates += line.Text.size() != 8 || line.Text.find_first_not_of("0123456789") != std::string::npos;
            if (line.Tag == "TYPE") types.insert(line.Text);
            if (line.Tag == "EVENT") catsPerEvent[event = line.Id] = 0;
            if (line.Tag == "CAT") ++catsPerEvent[event];
            clubs += line.Tag == "CLUB";
            nations += line.Tag == "NATION";
        }
        EXPECT_EQ((std::set<char>{'E', 'I', 'L', 'V'}), statuses);
        EXPECT_EQ((std::set<std::string>{"TIM", "PRE", "SEM", "FIN", "SOS", "SOF"}), types);
        EXPECT_EQ(0, badTimes);
        EXPECT_EQ(0, badDates);
        std::set<int> catCounts;
        for (const auto& [id, count] : catsPerEvent)
            catCounts.insert(std::min(count, 2));
        EXPECT_EQ((std::set<int>{0, 1, 2}), catCounts);
        EXPECT_GT(clubs, nations) << "some clubs without nation";
        EXPECT_GT(nations, 0);
        for (const char* part : {"<SPLIT dis=\"50\">", "<POSITIONS>", "<PID>", "<HEAT>", "<LANE>", "<POINTS>",
                                 "<COMMENT>", "<RANK>", "<POINTTABLE>", "<CONSTRUCTOR>", "<CONTACT>", "&amp;", "ü",
                                 "<STR>XX</STR>", "<PERIOD>", "<DISCNT>4</DISCNT>"})
            EXPECT_NE(std::string::npos, xml.find(part)) << part;
    }
}

TEST(OrvGenerator, RanksAndSplitsAgreeWithTimes)
{
    struct TResult {
        std::string Group, Time, Rank, LastSplit;
        int Splits = 0, Unordered = 0;
    };
    TOrvGenOptions options = Options(17);
    options.Clubs = 10;
    std::map<std::string, int> catsPerEvent;
    std::string event;
    std::vector<TResult> results;
    TResult* current = nullptr;
    for (const TDataLine& line : ParseLines(GenerateOrvida(options))) {
        if (line.Tag == "EVENT") catsPerEvent[event = line.Id] = 0;
        if (line.Tag == "CAT") ++catsPerEvent[event];
        if (line.Tag == "ENTRY" || line.Tag == "PERSON" || line.Tag == "RELAY") current = nullptr;
        if (line.Tag == "RESULT") current = &results.emplace_back();
        if (!current) continue;
        if (line.Tag == "EID") current->Group = line.Text;
        // Ranks count per age group where an event has several, else over the whole event.
        if (line.Tag == "CID" && catsPerEvent[current->Group] > 1) current->Group += ";" + line.Text;
        if (line.Tag == "TIME") current->Time = line.Text;
        if (line.Tag == "RANK") current->Rank = line.Text;
        if (line.Tag == "SPLIT") {
            current->Unordered +=
                line.Text.substr(1) <= current->LastSplit.substr(std::min<std::size_t>(1, current->LastSplit.size()));
            current->LastSplit = line.Text;
            ++current->Splits;
        }
    }
    ASSERT_EQ(1u, catsPerEvent.count("101"));
    int ranked = 0, split = 0;
    for (const TResult& result : results) {
        if (result.Splits > 0) {
            ++split;
            EXPECT_EQ(result.Time, result.LastSplit);
            EXPECT_EQ(0, result.Unordered) << result.Time;
        }
        if (result.Time[0] != 'V') {
            EXPECT_TRUE(result.Rank.empty() || result.Rank == "0") << result.Time;
            continue;
        }
        int faster = 0;
        for (const TResult& other : results)
            faster += other.Group == result.Group && other.Time[0] == 'V' && other.Time < result.Time;
        EXPECT_EQ(std::to_string(faster + 1), result.Rank) << result.Group << " " << result.Time;
        ++ranked;
    }
    EXPECT_GT(ranked, 100);
    EXPECT_GT(split, 100);
}

TEST(OrvGenerator, ResultCompetitionsLeaveTheOthersToEntries)
{
    TOrvGenOptions options = Options(4);
    options.Competitions = 2;
    options.ResultCompetitions = 1;
    const std::string xml = GenerateOrvida(options);
    const std::size_t second = xml.find("<COMPETITION>", xml.find("<COMPETITION>") + 1);
    ASSERT_NE(std::string::npos, second);
    const std::string first = xml.substr(0, second), rest = xml.substr(second);
    EXPECT_NE(std::string::npos, first.find("<RESULT>"));
    EXPECT_EQ(std::string::npos, first.find("<ENTRY>"));
    EXPECT_EQ(std::string::npos, rest.find("<RESULT>"));
    EXPECT_NE(std::string::npos, rest.find("<ENTRY>"));
}

TEST(OrvGenerator, BadOptionsAndFailingStreamsAreReported)
{
    for (auto change :
         {+[](TOrvGenOptions& o) { o.Competitions = -1; }, +[](TOrvGenOptions& o) { o.Clubs = -5; },
          +[](TOrvGenOptions& o) { o.RelayTeamsPerClub = 100; }, +[](TOrvGenOptions& o) { o.EventsPerSession = 101; },
          +[](TOrvGenOptions& o) { o.ResultCompetitions = -2; }}) {
        TOrvGenOptions options;
        change(options);
        EXPECT_THROW(GenerateOrvida(options), std::invalid_argument);
    }

    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_THROW(GenerateOrvida(TOrvGenOptions(), broken), std::runtime_error);
}

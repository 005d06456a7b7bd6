#include "orvGenerator.h"

#include "kvnDateTime.h"
#include "kvnEncoding.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace kvn {

namespace {

// ---------------------------------------------------------------------------------------------------------------
// Random numbers. Only integer arithmetic from here to the output, so no platform's floating point or library
// distribution can change a byte.

class TSplitMix {
public:
    explicit TSplitMix(std::uint64_t seed) : fState(seed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (fState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [0, n); the modulo bias is far below anything a sample file could show.
    int Below(int n) { return n <= 1 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool Percent(int percent) { return Below(100) < percent; }

    template <typename T, std::size_t N>
    int Pick(const T (&)[N])
    {
        return Below(static_cast<int>(N));
    }

private:
    std::uint64_t fState;
};

std::uint64_t Hash(std::uint64_t a, std::uint64_t b)
{
    TSplitMix mix(a * 0xD6E8FEB86659FD93ull + b);
    mix.Next();
    return mix.Next();
}

// ---------------------------------------------------------------------------------------------------------------
// Vocabulary of the made-up meets. Every text is representable in Windows-1252, so both encodings hold the same
// document.

enum TStroke { skFree, skFly, skBack, skBreast, skMedley, kStrokeCount };

// Two naming traditions, so that files exercise more than one entry of the stroke code groups.
const char* const kStrokeCodes[2][kStrokeCount] = {{"FR", "FL", "BA", "BR", "IM"}, {"FR", "DE", "RÜ", "BR", "LA"}};

struct TReference {
    int Stroke;
    int Distance;
    int Centis; // men, 50 m pool: the time that scores 1000 points
};

const TReference kReferences[] = {
    {skFree, 25, 1050},     {skFree, 50, 2250},     {skFree, 100, 4900},    {skFree, 200, 10700}, {skFree, 400, 22800},
    {skFree, 800, 47500},   {skFree, 1500, 90500},  {skFly, 50, 2400},      {skFly, 100, 5250},   {skFly, 200, 11700},
    {skBack, 50, 2550},     {skBack, 100, 5400},    {skBack, 200, 11700},   {skBreast, 50, 2750}, {skBreast, 100, 6000},
    {skBreast, 200, 13000}, {skMedley, 200, 11800}, {skMedley, 400, 25200},
};
constexpr int kFirstIndividual = 1; // 25 m freestyle is kept for the children's event

struct TRelayKind {
    int Stroke;
    int Distance; // per swimmer
};
const TRelayKind kRelayKinds[] = {{skFree, 50}, {skFree, 100}, {skFree, 200}, {skMedley, 50}, {skMedley, 100}};
const int kMedleyLegs[4] = {skBack, skBreast, skFly, skFree};

const char* const kFemaleNames[] = {"Anna",   "Lea",   "Sophie", "Marie",  "Chloé", "Zoë",    "Jana",  "Léa",
                                    "Åsa",    "Malin", "Ines",   "Hélène", "Emma",  "Mia",    "Lina",  "Sara",
                                    "Noémie", "Nina",  "Julia",  "Laura",  "Frida", "Maëlle", "Ronja", "Greta"};
const char* const kMaleNames[] = {"Lukas",    "Jonas", "Björn",   "Jürgen", "Mathéo", "Søren", "Noah", "Elias",
                                  "François", "Tomáš", "Finn",    "Leon",   "Paul",   "Ben",   "Luca", "Jan",
                                  "Niklas",   "Timo",  "Raphaël", "Joël",   "Mats",   "Oskar", "Emil", "Aurélien"};
const char* const kLastNames[] = {
    "Müller",   "Schäfer",      "Weiß",     "Bauer",   "Huber",   "Größer", "Kühn",   "Öztürk",  "Dubois",  "Lefèvre",
    "Nørgaard", "Jansen",       "de Vries", "Rossi",   "Novák",   "Schmid", "Meier",  "Keller",  "Brunner", "Gerber",
    "Fässler",  "Zürcher",      "Baumann",  "Hofmann", "Wagner",  "Becker", "Krüger", "Lambert", "Girard",  "Peeters",
    "Maes",     "Van den Berg", "Bianchi",  "Fontana", "O'Brien", "Strauß", "Jäger",  "Löwe",    "Groß",    "Šimek"};

enum TLanguage { lgGerman, lgFrench, lgDutch, lgNordic, lgItalian };

struct TCity {
    const char* Name;
    const char* Nation;
    const char* Zip;
    const char* Dialling;
    TLanguage Language;
};

const TCity kCities[] = {
    {"Überlingen", "GER", "88662", "+49 7551", lgGerman},
    {"Köln", "GER", "50667", "+49 221", lgGerman},
    {"Düsseldorf", "GER", "40213", "+49 211", lgGerman},
    {"Münster", "GER", "48143", "+49 251", lgGerman},
    {"Würzburg", "GER", "97070", "+49 931", lgGerman},
    {"Lübeck", "GER", "23552", "+49 451", lgGerman},
    {"Graz", "AUT", "8010", "+43 316", lgGerman},
    {"Linz", "AUT", "4020", "+43 732", lgGerman},
    {"Innsbruck", "AUT", "6020", "+43 512", lgGerman},
    {"Zürich", "SUI", "8001", "+41 44", lgGerman},
    {"Bern", "SUI", "3011", "+41 31", lgGerman},
    {"Genève", "SUI", "1201", "+41 22", lgFrench},
    {"Neuchâtel", "SUI", "2000", "+41 32", lgFrench},
    {"Strasbourg", "FRA", "67000", "+33 3", lgFrench},
    {"Besançon", "FRA", "25000", "+33 3", lgFrench},
    {"Liège", "BEL", "4000", "+32 4", lgFrench},
    {"Brugge", "BEL", "8000", "+32 50", lgDutch},
    {"Esch-sur-Alzette", "LUX", "4002", "+352", lgFrench},
    {"Eindhoven", "NED", "5611", "+31 40", lgDutch},
    {"Den Haag", "NED", "2511", "+31 70", lgDutch},
    {"Århus", "DEN", "8000", "+45", lgNordic},
    {"Malmö", "SWE", "211 20", "+46 40", lgNordic},
    {"Trento", "ITA", "38122", "+39 0461", lgItalian},
};

const char* const kClubWords[][3] = {
    {"SV", "Schwimmclub", "Wasserfreunde"},         {"Cercle des Nageurs de", "Club de Natation", "Natation"},
    {"Zwemclub", "ZPC", "Zwemvereniging"},          {"Simklubben", "SK", "Simsällskapet"},
    {"Nuoto Club", "Rari Nantes", "Società Nuoto"},
};
const char* const kStreets[] = {"Hauptstraße", "Rue de la Piscine", "Kerkstraat",    "Strandvejen",
                                "Via Roma",    "Seestraße",         "Schwimmbadweg", "Avenue des Bains"};
// Regional codes whose flags the participant tree shows for Swiss clubs.
const char* const kSwissRegions[] = {"BUEL", "LN", "RFN", "RN", "SCBU", "SCU", "SKBE"};
const char* const kMeetKinds[] = {"Open Championships",  "Youth Cup",      "Internationales Schwimmfest",
                                  "Meeting de Natation", "Winter Masters", "Sprint Gala"};
const char* const kPools[] = {"Hallenbad Süd", "Piscine Olympique", "Sportbad am Ring", "Aquatic Centre", "Stadtbad"};

enum TComment : std::uint8_t { cmNone, cmDsq, cmDsqTurn, cmDnf, cmExhibition, cmPersonalBest, cmMeetRecord };
const char* const kComments[] = {"", "DSQ", "Disq. Wende Rücken/Brust", "DNF", "exhibition", "PB", "Meet record"};

const char kStatusLetters[] = {'E', 'I', 'L', 'V'};
enum TStatus : std::uint8_t { stExhibition, stDisqualified, stNotFinished, stValid };

// Lanes from the centre outwards, fastest swimmer first.
const int kLaneOrder[8] = {4, 5, 3, 6, 2, 7, 1, 8};

// ---------------------------------------------------------------------------------------------------------------
// Output: indentation, escaping and encoding, buffered. Without a stream it only counts, which is how clubs are
// measured against the size target.

class TXmlSink {
public:
    TXmlSink(std::ostream* out, bool pretty, bool windows1252) : fOut(out), fPretty(pretty), fCp1252(windows1252)
    {
        fBuffer.reserve(kFlushSize + 4096);
    }

    void Declaration()
    {
        fBuffer +=
            fCp1252 ? R"(<?xml version="1.0" encoding="windows-1252"?>)" : R"(<?xml version="1.0" encoding="UTF-8"?>)";
        EndLine();
    }

    void Open(std::string_view tag)
    {
        StartLine();
        fBuffer += '<';
        fBuffer += tag;
        fBuffer += '>';
        EndLine();
        ++fDepth;
    }

    void Open(std::string_view tag, long long id)
    {
        StartLine();
        fBuffer += '<';
        fBuffer += tag;
        fBuffer += " id=\"";
        fBuffer += std::to_string(id);
        fBuffer += "\">";
        EndLine();
        ++fDepth;
    }

    void Close(std::string_view tag)
    {
        --fDepth;
        StartLine();
        fBuffer += "</";
        fBuffer += tag;
        fBuffer += '>';
        EndLine();
    }

    // A data element; empty texts are left out, as the program reads a missing element like an empty one.
    void Text(std::string_view tag, std::string_view text)
    {
        if (text.empty()) return;
        StartLine();
        fBuffer += '<';
        fBuffer += tag;
        fBuffer += '>';
        AppendText(text);
        fBuffer += "</";
        fBuffer += tag;
        fBuffer += '>';
        EndLine();
    }

    void Int(std::string_view tag, long long value) { Text(tag, std::to_string(value)); }

    void Split(int distance, std::string_view time)
    {
        StartLine();
        fBuffer += "<SPLIT dis=\"";
        fBuffer += std::to_string(distance);
        fBuffer += "\">";
        fBuffer += time;
        fBuffer += "</SPLIT>";
        EndLine();
    }

    void SetDepth(int depth) { fDepth = depth; }
    std::uint64_t Bytes() const { return fWritten + fBuffer.size(); }

    void Flush()
    {
        if (fOut && !fBuffer.empty()) {
            fOut->write(fBuffer.data(), static_cast<std::streamsize>(fBuffer.size()));
            if (!*fOut) throw std::runtime_error("The generated document could not be written.");
        }
        fWritten += fBuffer.size();
        fBuffer.clear();
    }

private:
    static constexpr std::size_t kFlushSize = 64 * 1024;

    void StartLine()
    {
        if (fPretty) fBuffer.append(static_cast<std::size_t>(2 * fDepth), ' ');
    }

    void EndLine()
    {
        if (fPretty) fBuffer += '\n';
        if (fBuffer.size() >= kFlushSize) Flush();
    }

    void AppendText(std::string_view text)
    {
        bool plain = true;
        for (char c : text)
            if (c == '&' || c == '<' || c == '>' || static_cast<unsigned char>(c) >= 0x80) plain = false;
        if (plain) {
            fBuffer += text;
            return;
        }
        std::string escaped;
        for (char c : text) {
            if (c == '&')
                escaped += "&amp;";
            else if (c == '<')
                escaped += "&lt;";
            else if (c == '>')
                escaped += "&gt;";
            else
                escaped += c;
        }
        fBuffer += fCp1252 ? Utf8ToCp1252(escaped) : escaped;
    }

    std::ostream* fOut;
    bool fPretty;
    bool fCp1252;
    int fDepth = 0;
    std::string fBuffer;
    std::uint64_t fWritten = 0;
};

// "V00:01:05.32": status letter, hours, minutes, seconds, hundredths.
std::string TimeText(int status, int centis)
{
    char text[32];
    int seconds = centis / 100;
    std::snprintf(text, sizeof text, "%c%02d:%02d:%02d.%02d", kStatusLetters[status], seconds / 3600, seconds / 60 % 60,
                  seconds % 60, centis % 100);
    return text;
}

std::string DateText(int year, int month, int day)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
    return text;
}

void AddDays(int& year, int& month, int& day, int days)
{
    day += days;
    while (day > DaysInMonth(year, month)) {
        day -= DaysInMonth(year, month);
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    while (day < 1) {
        if (--month < 1) {
            month = 12;
            --year;
        }
        day += DaysInMonth(year, month);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The plan of one competition: everything that decides the output, held as small numbers. Texts are made only
// while writing, so even the largest files keep a modest plan in memory.

struct TCat {
    int Id;
    int Min; // earliest year of birth, -1 open
    int Max; // latest year of birth, -1 open
    const char* Name;

    bool Admits(int yob) const { return (Min < 0 || yob >= Min) && (Max < 0 || yob <= Max); }
};

struct TEvent {
    int Id = 0;
    int Num = 0;
    int Session = 0;
    const char* Type = "TIM";
    char Sex = 'F';
    int Legs = 1;
    int Distance = 100; // of one swimmer
    int Stroke = skFree;
    const char* Name = nullptr; // titled by its name instead of its stroke
    std::vector<TCat> Cats;
    int Source = -1;  // the round whose results qualify for this one, or whose tie this swim-off breaks
    int SwimOff = -1; // the swim-off that decides the last place into this round
    int Quota = 0;    // nominal number of qualifiers

    bool FirstRound() const { return Source < 0; }
    bool IsSwimOff() const { return Type[0] == 'S' && Type[1] == 'O'; }
};

struct TOwner {
    std::uint32_t Id = 0; // PERSON id; 0 for a relay team
    std::uint16_t First = 0;
    std::uint16_t Last = 0;
    std::int16_t Yob = 0;
    char Sex = 'F';
    std::uint8_t RelayNum = 0;    // team number, 0 for an athlete
    std::uint16_t Ability = 1000; // per mille of the reference time
};

struct TClub {
    std::uint16_t City = 0;
    std::int16_t Partner = -1; // second city of a combined team
    std::uint32_t Round = 0;   // numbers the name once all towns and club words are taken
    std::uint8_t Word = 0;
    bool Nation = true;
    bool Contact = false;
    std::uint16_t ContactFirst = 0;
    std::uint16_t ContactLast = 0;
    int Code = 0;
    std::uint32_t FirstOwner = 0;
    std::uint32_t Athletes = 0;
    std::uint32_t Relays = 0;
};

enum : std::uint8_t {
    sfResult = 1,
    sfEntry = 2,
    sfCidZero = 4,   // the only age group referred to as 0
    sfCidAbsent = 8, // the only age group left implicit
    sfLineup = 16,   // a relay entry names its swimmers
};

struct TSwim {
    std::uint32_t Owner = 0;
    std::uint16_t Event = 0;
    std::int8_t Cat = -1;
    std::uint8_t Status = stValid;
    std::uint8_t Comment = cmNone;
    std::uint8_t Flags = 0;
    std::uint8_t Lane = 0;
    std::uint16_t Heat = 0;
    std::int32_t Time = 0;      // centiseconds
    std::int32_t EntryTime = 0; // centiseconds, 0 without entry time
    std::int32_t Rank = 0;
    std::int32_t Team = -1; // relay swimmers in TCompetitionPlan::fTeams
};

// Separate streams, so that writing entries or results does not change who swims.
struct TClubRandom {
    explicit TClubRandom(std::uint64_t seed) : People(seed), Results(Hash(seed, 1)), Entries(Hash(seed, 2)) {}
    TSplitMix People;
    TSplitMix Results;
    TSplitMix Entries;
};

class TCompetitionPlan {
public:
    TCompetitionPlan(const TOrvGenOptions& options, int index);

    // Plans the clubs: at least the requested number, more while the competition stays below budget bytes.
    void PlanClubs(std::uint64_t budget);
    void Write(TXmlSink& sink);

private:
    void PlanEvents(TSplitMix& rng);
    TEvent NewEvent(TSplitMix& rng, int newIndex, int& individuals, int& timed);
    std::vector<TCat> AgeGroups(TSplitMix& rng, int mode) const;
    void AddClub();
    void AddStart(TClubRandom& random, std::uint32_t owner, int event, int cat, int expected, int team);
    void AddRelayStarts(TClubRandom& random, const TClub& club, std::uint32_t team);
    void Finish();
    std::vector<std::uint32_t> RankedValid(const std::vector<std::uint32_t>& swims) const;
    int QuotaOf(const TEvent& round, std::size_t valid) const;
    void AddFollowUp(int event, std::uint32_t owner, std::vector<std::vector<std::uint32_t>>& byEvent, bool swimOff);

    int Reference(int stroke, int distance, char sex) const;
    int Expected(std::uint32_t owner, int stroke, int distance) const;
    int EventReference(const TEvent& event) const;
    std::array<int, 4> LegTimes(const TSwim& swim) const;
    std::uint64_t SwimKey(const TSwim& swim) const { return Hash(fSeed, std::uint64_t{swim.Owner} << 16 | swim.Event); }

    void WriteHead(TXmlSink& sink) const;
    void WriteContact(TXmlSink& sink, const char* first, int last, int city, int number, const std::string& mail) const;
    void WriteClub(TXmlSink& sink, std::uint32_t club, std::size_t& cursor) const;
    void WriteSwim(TXmlSink& sink, const TSwim& swim, bool entry) const;
    void WriteSplits(TXmlSink& sink, const TSwim& swim) const;
    std::string ClubName(const TClub& club) const;

    const TOrvGenOptions& fOptions;
    int fIndex;
    std::uint64_t fSeed;
    bool fResults;
    bool fEntries;
    int fCodes; // stroke code tradition
    int fYear, fMonth, fDay;
    int fPool;
    int fCity;
    int fKind;
    int fOrganiserFirst, fOrganiserLast;
    std::vector<int> fDisciplines; // order of the individual disciplines in the programme
    std::vector<int> fCityOrder;   // order in which clubs take their home towns
    std::vector<TEvent> fEvents;
    std::vector<TClub> fClubs;
    std::vector<TOwner> fOwners;
    std::vector<TSwim> fSwims;
    std::vector<std::array<std::uint32_t, 4>> fTeams;
    std::uint32_t fPersonId = 0;
    std::uint32_t fStarts = 0;
};

TCompetitionPlan::TCompetitionPlan(const TOrvGenOptions& options, int index)
    : fOptions(options), fIndex(index), fSeed(Hash(options.Seed, static_cast<std::uint64_t>(index)))
{
    fResults = options.Results && (options.ResultCompetitions < 0 || index < options.ResultCompetitions);
    fEntries = !fResults || options.Entries;
    fCodes = index % 2;
    TSplitMix rng(fSeed);
    fYear = 2021 + rng.Below(4);
    fMonth = rng.Between(3, 10);
    fDay = rng.Between(1, 28);
    fPool = rng.Percent(60) ? 50 : 25;
    fCity = rng.Pick(kCities);
    // The first meet always carries an ampersand in its name, so every file exercises entity handling.
    fKind = index == 0 ? -1 : rng.Pick(kMeetKinds);
    auto shuffled = [&rng](int from, int to) {
        std::vector<int> order;
        for (int i = from; i < to; ++i)
            order.push_back(i);
        for (std::size_t i = order.size(); i > 1; --i)
            std::swap(order[i - 1], order[static_cast<std::size_t>(rng.Below(static_cast<int>(i)))]);
        return order;
    };
    fDisciplines = shuffled(kFirstIndividual, static_cast<int>(std::size(kReferences)));
    // A sprint opens the programme, so that even a short one has heats, semi-finals and swim-offs.
    std::iter_swap(fDisciplines.begin(), std::find_if(fDisciplines.begin(), fDisciplines.end(),
                                                      [](int d) { return kReferences[d].Distance <= 200; }));
    fCityOrder = shuffled(0, static_cast<int>(std::size(kCities)));
    fOrganiserFirst = rng.Pick(kFemaleNames);
    fOrganiserLast = rng.Pick(kLastNames);
    PlanEvents(rng);
}

std::vector<TCat> TCompetitionPlan::AgeGroups(TSplitMix& rng, int mode) const
{
    std::vector<TCat> cats;
    if (mode == 1) {
        if (rng.Percent(50))
            cats.push_back({1, -1, -1, "Open"});
        else
            cats.push_back({1, fYear - 18, fYear - 13, "Juniors"});
    } else if (mode == 2) {
        // Age limits that split the field into two to four groups; every athlete fits exactly one.
        static const std::vector<std::vector<int>> limits = {{13}, {12, 15}, {11, 13, 16}};
        const std::vector<int>& from = limits[static_cast<std::size_t>(rng.Below(3))];
        int youngest = 0;
        for (std::size_t i = 0; i <= from.size(); ++i) {
            int max = youngest == 0 ? -1 : fYear - youngest;
            int min = i == from.size() ? -1 : fYear - (from[i] - 1);
            cats.push_back({static_cast<int>(i) + 1, min, max, nullptr});
            if (i < from.size()) youngest = from[i];
        }
    }
    return cats;
}

TEvent TCompetitionPlan::NewEvent(TSplitMix& rng, int newIndex, int& individuals, int& timed)
{
    TEvent event;
    if (newIndex == 4) {
        event.Name = "Kids' Splash & Dash";
        event.Sex = 'X';
        event.Distance = 25;
        event.Cats.push_back({1, fYear - 12, -1, nullptr});
    } else if (newIndex % 4 == 3) {
        const TRelayKind& kind = kRelayKinds[rng.Pick(kRelayKinds)];
        event.Legs = 4;
        event.Distance = kind.Distance;
        event.Stroke = kind.Stroke;
        event.Sex = "FMX"[newIndex / 4 % 3];
        if (rng.Percent(40)) event.Cats.push_back({1, -1, -1, nullptr});
    } else {
        // Women's and men's events of one discipline follow each other; a discipline comes again only after all
        // others.
        const int discipline = fDisciplines[static_cast<std::size_t>(individuals / 2) % fDisciplines.size()];
        event.Sex = individuals % 2 == 0 ? 'F' : 'M';
        event.Stroke = kReferences[discipline].Stroke;
        event.Distance = kReferences[discipline].Distance;
        event.Cats = AgeGroups(rng, (timed + fIndex + 2) % 3); // several groups first
        ++individuals;
        ++timed;
    }
    return event;
}

void TCompetitionPlan::PlanEvents(TSplitMix& rng)
{
    const int sessions = fOptions.SessionsPerCompetition;
    const int total = sessions * fOptions.EventsPerSession;
    struct TPending {
        TEvent Event;
        int Earliest;
        int Key;
    };
    std::vector<TPending> pending;
    std::vector<int> placedAt; // event index by creation key
    int keys = 0, newCount = 0, individuals = 0, timed = 0;
    bool fullChain = false;

    auto place = [&](TEvent event, int key, int session) {
        event.Session = session;
        event.Num = static_cast<int>(fEvents.size()) + 1;
        event.Id = 101 + 3 * static_cast<int>(fEvents.size());
        if (placedAt.size() <= static_cast<std::size_t>(key)) placedAt.resize(static_cast<std::size_t>(key) + 1, -1);
        placedAt[static_cast<std::size_t>(key)] = static_cast<int>(fEvents.size());
        fEvents.push_back(std::move(event));
    };

    for (int session = 0; session < sessions; ++session) {
        const bool last = session == sessions - 1;
        int free = fOptions.EventsPerSession;
        // Later rounds of earlier sessions open the session; a round never precedes the one it depends on,
        // because both wait in creation order.
        for (auto it = pending.begin(); it != pending.end();) {
            if (it->Earliest > session) {
                ++it;
                continue;
            }
            if (free == 0 && !last) break;
            place(std::move(it->Event), it->Key, session);
            --free;
            it = pending.erase(it);
        }
        for (; free > 0; --free) {
            TEvent event = NewEvent(rng, newCount++, individuals, timed);
            int key = keys++;
            const bool individual = event.Legs == 1 && !event.Name;
            const int room = total - static_cast<int>(fEvents.size()) - 1 - static_cast<int>(pending.size());
            // Heats with later rounds: the first such chain holds every round type, later ones are shorter.
            // Distance events are timed finals, and only sprints have semi-finals.
            int chain = 0;
            if (individual && !last && event.Distance <= 400 && (!fullChain || rng.Percent(35)))
                chain = event.Distance > 200 ? 1 : !fullChain ? 4 : (rng.Percent(30) ? 2 : 1);
            if (chain > room) chain = room >= 1 ? 1 : 0;
            if (chain > 0) {
                event.Type = "PRE";
                event.Cats = AgeGroups(rng, rng.Percent(50) ? 1 : 0);
                if (!event.Cats.empty()) event.Cats[0] = {1, -1, -1, "Open"};
                --timed;
                auto follow = [&](const char* type, int source, int swimOff, int quota, int delay) {
                    TEvent next = event;
                    next.Type = type;
                    next.Source = source;
                    next.SwimOff = swimOff;
                    next.Quota = quota;
                    pending.push_back({std::move(next), std::min(session + delay, sessions - 1), keys});
                    return keys++;
                };
                if (chain == 4) {
                    fullChain = true;
                    int sos = follow("SOS", key, -1, 16, 1);
                    int sem = follow("SEM", key, sos, 16, 1);
                    int sof = follow("SOF", sem, -1, 8, 2);
                    follow("FIN", sem, sof, 8, 2);
                } else if (chain == 2) {
                    int sem = follow("SEM", key, -1, 16, 1);
                    follow("FIN", sem, -1, 8, 2);
                } else {
                    follow("FIN", key, -1, 8, 1);
                }
            }
            place(std::move(event), key, session);
        }
    }
    // Sources and swim-offs were named by creation key; from here on they are event indexes.
    for (TEvent& event : fEvents) {
        if (event.Source >= 0) event.Source = placedAt[static_cast<std::size_t>(event.Source)];
        if (event.SwimOff >= 0) event.SwimOff = placedAt[static_cast<std::size_t>(event.SwimOff)];
    }
}

int TCompetitionPlan::Reference(int stroke, int distance, char sex) const
{
    int centis = 0;
    for (const TReference& reference : kReferences)
        if (reference.Stroke == stroke && reference.Distance == distance) centis = reference.Centis;
    if (sex == 'F') centis = centis * 110 / 100;
    if (fPool == 25) centis = centis * 97 / 100;
    return centis;
}

int TCompetitionPlan::Expected(std::uint32_t owner, int stroke, int distance) const
{
    const TOwner& athlete = fOwners[owner];
    int bias = static_cast<int>(Hash(fSeed ^ athlete.Id, static_cast<std::uint64_t>(stroke)) % 90);
    return static_cast<int>(static_cast<long long>(Reference(stroke, distance, athlete.Sex)) *
                            (athlete.Ability + bias) / 1000);
}

int TCompetitionPlan::EventReference(const TEvent& event) const
{
    if (event.Legs == 1) return Reference(event.Stroke, event.Distance, event.Sex == 'F' ? 'F' : 'M');
    int sum = 0;
    for (int leg = 0; leg < 4; ++leg) {
        int stroke = event.Stroke == skMedley ? kMedleyLegs[leg] : event.Stroke;
        char sex = event.Sex == 'X' ? (leg % 2 ? 'M' : 'F') : event.Sex;
        sum += Reference(stroke, event.Distance, sex);
    }
    return sum;
}

std::array<int, 4> TCompetitionPlan::LegTimes(const TSwim& swim) const
{
    const TEvent& event = fEvents[swim.Event];
    TSplitMix rng(SwimKey(swim));
    std::array<int, 4> legs{};
    for (int leg = 0; leg < 4; ++leg) {
        int stroke = event.Stroke == skMedley ? kMedleyLegs[leg] : event.Stroke;
        int time = Expected(fTeams[static_cast<std::size_t>(swim.Team)][static_cast<std::size_t>(leg)], stroke,
                            event.Distance);
        // Take-overs after the first leg are flying starts.
        legs[static_cast<std::size_t>(leg)] = time * (leg == 0 ? 1000 : 985) / 1000 * rng.Between(985, 1025) / 1000;
    }
    return legs;
}

void TCompetitionPlan::PlanClubs(std::uint64_t budget)
{
    if (budget == 0) {
        for (int club = 0; club < fOptions.Clubs; ++club)
            AddClub();
        return;
    }
    // Measure what the competition would write, club by club. Ranks, heats and lanes are not known yet and
    // count with one digit, later rounds not at all, so the real output is never smaller than the measure.
    TXmlSink measure(nullptr, fOptions.Pretty, fOptions.Windows1252);
    measure.SetDepth(2);
    WriteHead(measure);
    while (static_cast<int>(fClubs.size()) < fOptions.Clubs || measure.Bytes() < budget) {
        std::size_t cursor = fSwims.size();
        AddClub();
        WriteClub(measure, static_cast<std::uint32_t>(fClubs.size() - 1), cursor);
        measure.Flush();
    }
}

void TCompetitionPlan::AddClub()
{
    const std::uint32_t index = static_cast<std::uint32_t>(fClubs.size());
    TClubRandom random(Hash(fSeed, 1000 + std::uint64_t{index}));
    TSplitMix& rng = random.People;
    TClub club;
    // Home town and club word run through all combinations before one repeats, and later rounds are numbered, so
    // club names are unique within a competition.
    const std::uint32_t cities = static_cast<std::uint32_t>(std::size(kCities));
    club.City = static_cast<std::uint16_t>(fCityOrder[index % cities]);
    club.Word = static_cast<std::uint8_t>((index / cities + static_cast<std::uint32_t>(fIndex)) % 3);
    club.Round = index / (3 * cities);
    static_assert(std::size(kCities) % 7 != 0);
    // Every seventh club is a combined team of two clubs of one nation; 7 and the number of towns share no
    // divisor, so no two of them in a round name the same town first.
    for (std::uint32_t step = 1; index % 7 == 1 && club.Partner < 0 && step < cities; ++step) {
        const std::uint32_t other = (club.City + step) % cities;
        if (std::string_view(kCities[other].Nation) == kCities[club.City].Nation)
            club.Partner = static_cast<std::int16_t>(other);
    }
    club.Nation = index % 5 != 2;
    club.Contact = index == 0 || rng.Percent(50);
    club.ContactFirst = static_cast<std::uint16_t>(rng.Pick(kMaleNames));
    club.ContactLast = static_cast<std::uint16_t>(rng.Pick(kLastNames));
    club.Code =
        kCities[club.City].Nation == std::string_view("SUI") ? rng.Pick(kSwissRegions) : rng.Between(10000, 99999);
    club.FirstOwner = static_cast<std::uint32_t>(fOwners.size());
    club.Athletes = static_cast<std::uint32_t>(fOptions.AthletesPerClub);
    club.Relays = static_cast<std::uint32_t>(fOptions.RelayTeamsPerClub);
    fClubs.push_back(club);

    for (std::uint32_t a = 0; a < club.Athletes; ++a) {
        TOwner athlete;
        athlete.Id = ++fPersonId;
        athlete.Sex = rng.Percent(50) ? 'F' : 'M';
        athlete.First = static_cast<std::uint16_t>(athlete.Sex == 'F' ? rng.Pick(kFemaleNames) : rng.Pick(kMaleNames));
        athlete.Last = static_cast<std::uint16_t>(rng.Pick(kLastNames));
        int age = 9 + rng.Below(8) + rng.Below(8) + (rng.Percent(12) ? rng.Below(12) : 0);
        athlete.Yob = static_cast<std::int16_t>(fYear - age);
        // Children are slower; the reference times are those of the best adults.
        int penalty = age <= 10 ? 450 : age <= 12 ? 300 : age <= 14 ? 170 : age <= 16 ? 70 : age > 25 ? 40 : 0;
        athlete.Ability = static_cast<std::uint16_t>(1080 + rng.Below(350) + penalty);
        fOwners.push_back(athlete);
        const std::uint32_t owner = static_cast<std::uint32_t>(fOwners.size() - 1);

        std::vector<std::pair<int, int>> candidates; // event, age group
        for (std::size_t e = 0; e < fEvents.size(); ++e) {
            const TEvent& event = fEvents[e];
            if (!event.FirstRound() || event.Legs > 1 || (event.Sex != athlete.Sex && event.Sex != 'X')) continue;
            int cat = -1;
            for (std::size_t c = 0; c < event.Cats.size() && cat < 0; ++c)
                if (event.Cats[c].Admits(athlete.Yob)) cat = static_cast<int>(c);
            if (cat >= 0 || event.Cats.empty()) candidates.emplace_back(static_cast<int>(e), cat);
        }
        int starts = rng.Percent(6) ? 0 : rng.Between(1, 5);
        starts = std::min(starts, static_cast<int>(candidates.size()));
        for (int i = 0; i < starts; ++i)
            std::swap(candidates[static_cast<std::size_t>(i)],
                      candidates[static_cast<std::size_t>(rng.Between(i, static_cast<int>(candidates.size()) - 1))]);
        std::sort(candidates.begin(), candidates.begin() + starts);
        for (int i = 0; i < starts; ++i) {
            const auto [event, cat] = candidates[static_cast<std::size_t>(i)];
            AddStart(random, owner, event, cat, Expected(owner, fEvents[event].Stroke, fEvents[event].Distance), -1);
        }
    }
    for (std::uint32_t r = 0; r < club.Relays; ++r) {
        TOwner team;
        team.RelayNum = static_cast<std::uint8_t>(r + 1);
        team.Sex = "FMX"[(index + r) % 3];
        fOwners.push_back(team);
        AddRelayStarts(random, club, static_cast<std::uint32_t>(fOwners.size() - 1));
    }
}

void TCompetitionPlan::AddStart(TClubRandom& random, std::uint32_t owner, int event, int cat, int expected, int team)
{
    TSwim swim;
    swim.Owner = owner;
    swim.Event = static_cast<std::uint16_t>(event);
    swim.Cat = static_cast<std::int8_t>(cat);
    swim.Team = team;
    if (fEvents[static_cast<std::size_t>(event)].Cats.size() == 1) {
        int form = random.People.Below(5);
        swim.Flags |= form == 0 ? sfCidZero : form == 1 ? sfCidAbsent : 0;
    }
    if (fEntries) {
        TSplitMix& rng = random.Entries;
        swim.Flags |= sfEntry;
        swim.EntryTime = rng.Percent(5) ? 0 : expected * rng.Between(990, 1040) / 1000;
        if (team >= 0) swim.Flags |= rng.Percent(50) ? sfLineup : 0;
    }
    if (fResults) {
        TSplitMix& rng = random.Results;
        swim.Flags |= sfResult;
        // Relay times are the sum of the legs, so that the split at each take-over is that leg's end.
        swim.Time = team >= 0 ? expected : expected * rng.Between(985, 1025) / 1000;
        // The first starts of a competition take the three statuses besides "valid", so that every file holds
        // all four.
        ++fStarts;
        int roll = rng.Below(100);
        swim.Status = fStarts == 1   ? stDisqualified
                      : fStarts == 2 ? stNotFinished
                      : fStarts == 3 ? stExhibition
                      : roll < 5     ? stDisqualified
                      : roll < 9     ? stNotFinished
                      : roll < 11    ? stExhibition
                                     : stValid;
        if (swim.Status == stDisqualified)
            swim.Comment = rng.Percent(60) ? cmDsq : cmDsqTurn;
        else if (swim.Status == stNotFinished)
            swim.Comment = cmDnf;
        else if (swim.Status == stExhibition)
            swim.Comment = cmExhibition;
        else if (rng.Percent(8))
            swim.Comment = cmPersonalBest;
    }
    fSwims.push_back(swim);
}

void TCompetitionPlan::AddRelayStarts(TClubRandom& random, const TClub& club, std::uint32_t team)
{
    TSplitMix& rng = random.People;
    const char sex = fOwners[team].Sex;
    for (std::size_t e = 0; e < fEvents.size(); ++e) {
        const TEvent& event = fEvents[e];
        if (event.Legs != 4 || event.Sex != sex || !rng.Percent(80)) continue;
        std::vector<std::uint32_t> women, men;
        for (std::uint32_t a = club.FirstOwner; a < club.FirstOwner + club.Athletes; ++a)
            (fOwners[a].Sex == 'F' ? women : men).push_back(a);
        auto draw = [&](std::vector<std::uint32_t>& from) {
            std::swap(from.back(), from[static_cast<std::size_t>(rng.Below(static_cast<int>(from.size())))]);
            std::uint32_t chosen = from.back();
            from.pop_back();
            return chosen;
        };
        const std::size_t needWomen = sex == 'F' ? 4 : sex == 'X' ? 2 : 0;
        if (women.size() < needWomen || men.size() < 4 - needWomen) continue;
        std::array<std::uint32_t, 4> members{};
        for (std::size_t leg = 0; leg < 4; ++leg)
            members[leg] = (sex == 'F' || (sex == 'X' && leg % 2 == 0)) ? draw(women) : draw(men);
        fTeams.push_back(members);
        TSwim probe;
        probe.Owner = team;
        probe.Event = static_cast<std::uint16_t>(e);
        probe.Team = static_cast<std::int32_t>(fTeams.size() - 1);
        std::array<int, 4> legs = LegTimes(probe);
        AddStart(random, team, static_cast<int>(e), event.Cats.empty() ? -1 : 0, legs[0] + legs[1] + legs[2] + legs[3],
                 probe.Team);
    }
}

std::vector<std::uint32_t> TCompetitionPlan::RankedValid(const std::vector<std::uint32_t>& swims) const
{
    std::vector<std::uint32_t> valid;
    for (std::uint32_t s : swims)
        if ((fSwims[s].Flags & sfResult) && fSwims[s].Status == stValid) valid.push_back(s);
    // Owners are unique within an event, so the order is fully determined.
    std::sort(valid.begin(), valid.end(), [&](std::uint32_t a, std::uint32_t b) {
        return fSwims[a].Time != fSwims[b].Time ? fSwims[a].Time < fSwims[b].Time : fSwims[a].Owner < fSwims[b].Owner;
    });
    return valid;
}

int TCompetitionPlan::QuotaOf(const TEvent& round, std::size_t valid) const
{
    if (valid < 2) return static_cast<int>(valid);
    return std::min(round.Quota, std::max(1, static_cast<int>(valid / 2)));
}

void TCompetitionPlan::AddFollowUp(int event, std::uint32_t owner, std::vector<std::vector<std::uint32_t>>& byEvent,
                                   bool swimOff)
{
    const TEvent& round = fEvents[static_cast<std::size_t>(event)];
    TSwim swim;
    swim.Owner = owner;
    swim.Event = static_cast<std::uint16_t>(event);
    swim.Cat = round.Cats.empty() ? -1 : 0;
    swim.Flags = sfResult;
    TSplitMix rng(SwimKey(swim));
    if (swim.Cat == 0) swim.Flags |= rng.Percent(50) ? sfCidAbsent : 0;
    swim.Time = Expected(owner, round.Stroke, round.Distance) * rng.Between(980, 1015) / 1000;
    int roll = rng.Below(100);
    swim.Status = swimOff || roll >= 6 ? stValid : roll < 3 ? stDisqualified : stNotFinished;
    swim.Comment = swim.Status == stDisqualified ? cmDsq : swim.Status == stNotFinished ? cmDnf : cmNone;
    byEvent[static_cast<std::size_t>(event)].push_back(static_cast<std::uint32_t>(fSwims.size()));
    fSwims.push_back(swim);
}

void TCompetitionPlan::Finish()
{
    std::vector<std::vector<std::uint32_t>> byEvent(fEvents.size());
    for (std::size_t s = 0; s < fSwims.size(); ++s)
        byEvent[fSwims[s].Event].push_back(static_cast<std::uint32_t>(s));

    // Later rounds in programme order, so each finds its source complete.
    for (std::size_t e = 0; fResults && e < fEvents.size(); ++e) {
        const TEvent& event = fEvents[e];
        if (event.FirstRound()) continue;
        if (event.IsSwimOff()) {
            // The swim-off exists because two swimmers tied for the last place of the next round.
            const TEvent* round = nullptr;
            for (const TEvent& other : fEvents)
                if (other.SwimOff == static_cast<int>(e)) round = &other;
            std::vector<std::uint32_t> ranked = RankedValid(byEvent[static_cast<std::size_t>(event.Source)]);
            int quota = round ? QuotaOf(*round, ranked.size()) : 0;
            if (quota < 1 || ranked.size() <= static_cast<std::size_t>(quota)) continue;
            TSwim& first = fSwims[ranked[static_cast<std::size_t>(quota - 1)]];
            TSwim& second = fSwims[ranked[static_cast<std::size_t>(quota)]];
            second.Time = first.Time;
            const std::uint32_t a = first.Owner, b = second.Owner;
            AddFollowUp(static_cast<int>(e), a, byEvent, true);
            AddFollowUp(static_cast<int>(e), b, byEvent, true);
            TSwim& last = fSwims.back();
            if (last.Time == fSwims[fSwims.size() - 2].Time) ++last.Time;
            continue;
        }
        std::vector<std::uint32_t> ranked = RankedValid(byEvent[static_cast<std::size_t>(event.Source)]);
        const std::size_t quota = static_cast<std::size_t>(QuotaOf(event, ranked.size()));
        // With a swim-off, its winner takes the last place and its loser none.
        std::vector<std::uint32_t> swimOff, tied;
        if (event.SwimOff >= 0) {
            swimOff = RankedValid(byEvent[static_cast<std::size_t>(event.SwimOff)]);
            for (std::uint32_t s : byEvent[static_cast<std::size_t>(event.SwimOff)])
                tied.push_back(fSwims[s].Owner);
        }
        const std::size_t direct = swimOff.empty() ? quota : quota - 1;
        std::vector<std::uint32_t> qualified;
        for (std::size_t i = 0; i < ranked.size() && qualified.size() < direct; ++i)
            if (std::find(tied.begin(), tied.end(), fSwims[ranked[i]].Owner) == tied.end())
                qualified.push_back(fSwims[ranked[i]].Owner);
        if (!swimOff.empty()) qualified.push_back(fSwims[swimOff.front()].Owner);
        for (std::uint32_t owner : qualified)
            AddFollowUp(static_cast<int>(e), owner, byEvent, false);
    }

    for (std::size_t e = 0; e < fEvents.size(); ++e) {
        // Ranks count within the age group; ties share a rank.
        std::vector<std::uint32_t> ranked = RankedValid(byEvent[e]);
        for (int cat = -1; cat < static_cast<int>(fEvents[e].Cats.size()); ++cat) {
            int place = 0, previous = -1, rank = 0;
            for (std::uint32_t s : ranked) {
                if (fSwims[s].Cat != cat) continue;
                ++place;
                if (fSwims[s].Time != previous) rank = place;
                previous = fSwims[s].Time;
                fSwims[s].Rank = rank;
            }
        }
        // Seeding: the fastest entries swim the last heat, from the centre lanes outwards; no entry time counts
        // as slowest.
        std::vector<std::uint32_t> entries;
        for (std::uint32_t s : byEvent[e])
            if (fSwims[s].Flags & sfEntry) entries.push_back(s);
        auto key = [&](std::uint32_t s) { return fSwims[s].EntryTime > 0 ? fSwims[s].EntryTime : INT_MAX; };
        std::sort(entries.begin(), entries.end(), [&](std::uint32_t a, std::uint32_t b) {
            return key(a) != key(b) ? key(a) < key(b) : fSwims[a].Owner < fSwims[b].Owner;
        });
        const std::size_t heats = (entries.size() + 7) / 8;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            fSwims[entries[i]].Heat = static_cast<std::uint16_t>(std::min<std::size_t>(heats - i / 8, 65535));
            fSwims[entries[i]].Lane = static_cast<std::uint8_t>(kLaneOrder[i % 8]);
        }
    }
    std::sort(fSwims.begin(), fSwims.end(), [](const TSwim& a, const TSwim& b) {
        return a.Owner != b.Owner ? a.Owner < b.Owner : a.Event < b.Event;
    });
}

std::string TCompetitionPlan::ClubName(const TClub& club) const
{
    const TCity& city = kCities[club.City];
    // A combined team of two clubs is written with an ampersand.
    std::string name = club.Partner >= 0 ? std::string("SG ") + city.Name + " & " + kCities[club.Partner].Name
                                         : std::string(kClubWords[city.Language][club.Word]) + " " + city.Name;
    if (club.Round > 0) name += " " + std::to_string(club.Round + 1);
    return name;
}

void TCompetitionPlan::WriteContact(TXmlSink& sink, const char* first, int last, int city, int number,
                                    const std::string& mail) const
{
    const TCity& place = kCities[city];
    sink.Open("CONTACT");
    sink.Text("FNAME", first);
    sink.Text("NAME", kLastNames[last]);
    sink.Text("STREET", std::string(kStreets[number % std::ssize(kStreets)]) + " " + std::to_string(1 + number % 120));
    sink.Text("ZIP", place.Zip);
    sink.Text("PLACE", place.Name);
    const int phone = 5550100 + number % 9000;
    sink.Text("PHONE", std::string(place.Dialling) + " " + std::to_string(phone));
    if (number % 3 == 0) sink.Text("FAX", std::string(place.Dialling) + " " + std::to_string(phone + 1));
    sink.Text("EMAIL", "info@" + mail + ".example.org");
    sink.Text("INTERNET", "https://www." + mail + ".example.org");
    sink.Close("CONTACT");
}

void TCompetitionPlan::WriteHead(TXmlSink& sink) const
{
    sink.Open("COMPETITION");
    const TCity& city = kCities[fCity];
    std::string name = fKind < 0 ? std::string("Sprint & Distance Trophy ") + city.Name
                                 : std::string(city.Name) + " " + kMeetKinds[fKind];
    sink.Text("NAME", name + " " + std::to_string(fYear));
    sink.Text("PLACE", city.Name);
    sink.Text("POOLNAME", kPools[(fCity + fIndex) % std::size(kPools)]);
    sink.Int("PL", fPool);
    sink.Text("PM", "m");
    sink.Text("TI", "A");
    int year = fYear, month = fMonth, day = fDay;
    AddDays(year, month, day, -14);
    sink.Text("DEADLINE", DateText(year, month, day));
    sink.Open("POINTTABLE");
    sink.Text("NAME", "Aquatic points");
    sink.Int("VERSION", fYear - 1);
    sink.Close("POINTTABLE");
    WriteContact(sink, kFemaleNames[fOrganiserFirst], fOrganiserLast, fCity, fOrganiserLast * 131 + fIndex,
                 "meet" + std::to_string(fIndex + 1));

    sink.Open("PERIODS");
    std::size_t next = 0;
    for (int session = 0; session < fOptions.SessionsPerCompetition; ++session) {
        sink.Open("PERIOD");
        sink.Int("NUM", session + 1);
        year = fYear, month = fMonth, day = fDay;
        AddDays(year, month, day, session / 2);
        sink.Text("DATE", DateText(year, month, day));
        sink.Text("TIME", session % 2 == 0 ? "0930" : "1600");
        if (next < fEvents.size() && fEvents[next].Session == session) {
            sink.Open("EVENTS");
            for (; next < fEvents.size() && fEvents[next].Session == session; ++next) {
                const TEvent& event = fEvents[next];
                sink.Open("EVENT", event.Id);
                sink.Int("NUM", event.Num);
                sink.Text("TYPE", event.Type);
                sink.Text("SEX", std::string(1, event.Sex));
                sink.Int("DIS", event.Distance);
                sink.Int("DISCNT", event.Legs);
                sink.Text("STR", event.Name ? "XX" : kStrokeCodes[fCodes][event.Stroke]);
                if (event.Name) sink.Text("NAME", event.Name);
                if (!event.Cats.empty()) {
                    sink.Open("CATS");
                    for (const TCat& cat : event.Cats) {
                        sink.Open("CAT", cat.Id);
                        if (cat.Name) sink.Text("NAME", cat.Name);
                        sink.Int("MIN", cat.Min);
                        sink.Int("MAX", cat.Max);
                        sink.Close("CAT");
                    }
                    sink.Close("CATS");
                }
                sink.Close("EVENT");
            }
            sink.Close("EVENTS");
        }
        sink.Close("PERIOD");
    }
    sink.Close("PERIODS");
    sink.Open("CLUBS");
}

void TCompetitionPlan::WriteSplits(TXmlSink& sink, const TSwim& swim) const
{
    const TEvent& event = fEvents[swim.Event];
    const int perLeg = event.Distance / fPool;
    // A swimmer who did not finish has no splits worth showing.
    if (swim.Time <= 0 || perLeg * event.Legs < 2 || swim.Status == stNotFinished) return;
    std::array<int, 4> legs{swim.Time, 0, 0, 0};
    if (event.Legs == 4) legs = LegTimes(swim);
    TSplitMix rng(SwimKey(swim) ^ 0x5A17);
    sink.Open("SPLITS");
    int start = 0;
    for (int leg = 0; leg < event.Legs; ++leg) {
        // Pool lengths share the leg's time by weight; the dive makes the first length fastest.
        std::vector<int> weights;
        int sum = 0;
        for (int i = 0; i < perLeg; ++i) {
            weights.push_back(i == 0 ? (leg == 0 ? 930 : 965) : 1000 + rng.Below(40));
            sum += weights.back();
        }
        int running = 0;
        for (int i = 0; i < perLeg; ++i) {
            running += weights[static_cast<std::size_t>(i)];
            int at =
                start + static_cast<int>(static_cast<long long>(legs[static_cast<std::size_t>(leg)]) * running / sum);
            sink.Split((leg * perLeg + i + 1) * fPool, TimeText(swim.Status, at));
        }
        start += legs[static_cast<std::size_t>(leg)];
    }
    sink.Close("SPLITS");
}

void TCompetitionPlan::WriteSwim(TXmlSink& sink, const TSwim& swim, bool entry) const
{
    const TEvent& event = fEvents[swim.Event];
    sink.Open(entry ? "ENTRY" : "RESULT");
    sink.Int("EID", event.Id);
    if (swim.Cat >= 0 && !(swim.Flags & sfCidAbsent))
        sink.Int("CID", swim.Flags & sfCidZero ? 0 : event.Cats[static_cast<std::size_t>(swim.Cat)].Id);
    if (entry) {
        sink.Text("TIME", TimeText(stExhibition, swim.EntryTime));
        sink.Int("HEAT", swim.Heat);
        sink.Int("LANE", swim.Lane);
    } else {
        sink.Text("TIME", TimeText(swim.Status, swim.Time));
        if (swim.Status == stValid) {
            sink.Int("RANK", swim.Rank);
            // Points follow the cube of the speed relative to the reference time.
            long long ratio = static_cast<long long>(EventReference(event)) * 1000000 / std::max(1, swim.Time);
            sink.Int("POINTS", std::min(9999LL, ratio * ratio / 1000000 * ratio / 1000000000LL));
        } else if (swim.Status == stExhibition) {
            sink.Int("RANK", 0);
        }
        int comment = swim.Comment;
        if (swim.Rank == 1 && swim.Status == stValid && SwimKey(swim) % 5 == 0) comment = cmMeetRecord;
        sink.Text("COMMENT", kComments[comment]);
        WriteSplits(sink, swim);
    }
    if (swim.Team >= 0 && (!entry || (swim.Flags & sfLineup))) {
        sink.Open("POSITIONS");
        for (std::size_t leg = 0; leg < 4; ++leg) {
            sink.Open("POSITION");
            sink.Int("NUM", static_cast<long long>(leg) + 1);
            sink.Int("PID", fOwners[fTeams[static_cast<std::size_t>(swim.Team)][leg]].Id);
            sink.Close("POSITION");
        }
        sink.Close("POSITIONS");
    }
    sink.Close(entry ? "ENTRY" : "RESULT");
}

void TCompetitionPlan::WriteClub(TXmlSink& sink, std::uint32_t index, std::size_t& cursor) const
{
    const TClub& club = fClubs[index];
    const TCity& city = kCities[club.City];
    sink.Open("CLUB");
    sink.Text("NAME", ClubName(club));
    sink.Text("CODE", kCities[club.City].Nation == std::string_view("SUI") ? kSwissRegions[club.Code]
                                                                           : std::to_string(club.Code));
    if (club.Nation) sink.Text("NATION", city.Nation);
    if (club.Contact)
        WriteContact(sink, kMaleNames[club.ContactFirst], club.ContactLast, club.City,
                     club.ContactFirst * 37 + club.ContactLast * 11 + club.Code, "club" + std::to_string(index + 1));

    auto writeOwner = [&](std::uint32_t owner) {
        const TOwner& who = fOwners[owner];
        const std::size_t first = cursor;
        while (cursor < fSwims.size() && fSwims[cursor].Owner == owner)
            ++cursor;
        if (who.RelayNum == 0) {
            sink.Open("PERSON", who.Id);
            sink.Text("NAME", kLastNames[who.Last]);
            sink.Text("FNAME", who.Sex == 'F' ? kFemaleNames[who.First] : kMaleNames[who.First]);
            sink.Text("SEX", std::string(1, who.Sex));
            sink.Int("YOB", who.Yob);
        } else {
            sink.Open("RELAY");
            // Every second team is named; the others are shown by their number.
            if (who.RelayNum % 2 == 1) sink.Text("NAME", ClubName(club) + " " + std::to_string(who.RelayNum));
            sink.Int("NUM", who.RelayNum);
            sink.Text("SEX", std::string(1, who.Sex));
        }
        for (const bool entries : {false, true}) {
            const std::uint8_t flag = entries ? sfEntry : sfResult;
            const char* collection = entries ? "ENTRIES" : "RESULTS";
            bool open = false;
            for (std::size_t s = first; s < cursor; ++s) {
                if (!(fSwims[s].Flags & flag)) continue;
                if (!open) sink.Open(collection);
                open = true;
                WriteSwim(sink, fSwims[s], entries);
            }
            if (open) sink.Close(collection);
        }
        sink.Close(who.RelayNum == 0 ? "PERSON" : "RELAY");
    };
    const std::uint32_t relays = club.FirstOwner + club.Athletes;
    if (club.Athletes > 0) {
        sink.Open("PERSONS");
        for (std::uint32_t owner = club.FirstOwner; owner < relays; ++owner)
            writeOwner(owner);
        sink.Close("PERSONS");
    }
    if (club.Relays > 0) {
        sink.Open("RELAYS");
        for (std::uint32_t owner = relays; owner < relays + club.Relays; ++owner)
            writeOwner(owner);
        sink.Close("RELAYS");
    }
    sink.Close("CLUB");
}

void TCompetitionPlan::Write(TXmlSink& sink)
{
    Finish();
    WriteHead(sink);
    std::size_t cursor = 0;
    for (std::uint32_t club = 0; club < fClubs.size(); ++club)
        WriteClub(sink, club, cursor);
    sink.Close("CLUBS");
    sink.Close("COMPETITION");
}

void Validate(const TOrvGenOptions& options)
{
    auto check = [](long long value, long long low, long long high, const char* name) {
        if (value < low || value > high)
            throw std::invalid_argument(std::string(name) + " must lie between " + std::to_string(low) + " and " +
                                        std::to_string(high) + ", not " + std::to_string(value) + ".");
    };
    check(options.Competitions, 0, 1000, "Competitions");
    check(options.SessionsPerCompetition, 0, 60, "SessionsPerCompetition");
    check(options.EventsPerSession, 0, 100, "EventsPerSession");
    check(options.Clubs, 0, 1000000, "Clubs");
    check(options.AthletesPerClub, 0, 10000, "AthletesPerClub");
    check(options.RelayTeamsPerClub, 0, 99, "RelayTeamsPerClub");
    check(options.ResultCompetitions, -1, 1000, "ResultCompetitions");
    check(static_cast<long long>(options.SessionsPerCompetition) * options.EventsPerSession, 0, 1000,
          "The number of events per competition");
    check(static_cast<long long>(options.Clubs) * options.AthletesPerClub, 0, 50000000,
          "The number of athletes per competition");
}

} // namespace

void GenerateOrvida(const TOrvGenOptions& options, std::ostream& out)
{
    Validate(options);
    TXmlSink sink(&out, options.Pretty, options.Windows1252);
    sink.Declaration();
    sink.Open("ORVIDA");
    sink.Text("VERSION", options.Version);
    sink.Open("CONSTRUCTOR");
    sink.Text("NAME", "Veltro sample generator");
    sink.Text("VERSION", "1.0");
    sink.Close("CONSTRUCTOR");
    sink.Open("COMPETITIONS");
    for (int index = 0; index < options.Competitions; ++index) {
        TCompetitionPlan plan(options, index);
        std::uint64_t budget = 0;
        if (options.TargetBytes > 0) {
            // What is still missing is shared among the competitions still to come; the closing tags are short.
            const std::uint64_t closing = options.Pretty ? 28 : 24;
            const std::uint64_t written = sink.Bytes() + closing;
            const std::uint64_t target = options.TargetBytes;
            budget =
                target > written ? (target - written) / static_cast<std::uint64_t>(options.Competitions - index) : 1;
        }
        plan.PlanClubs(budget);
        plan.Write(sink);
    }
    sink.Close("COMPETITIONS");
    sink.Close("ORVIDA");
    sink.Flush();
}

std::string GenerateOrvida(const TOrvGenOptions& options)
{
    std::ostringstream out;
    GenerateOrvida(options, out);
    return std::move(out).str();
}

} // namespace kvn

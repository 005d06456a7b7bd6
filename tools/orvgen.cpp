// orvgen: writes a deterministic exchange-format file for tests, benchmarks and the bundled sample.

#include "orvGenerator.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

constexpr int kBadArguments = 2;

const char* const kUsage = R"(Usage: orvgen [options]

Writes one exchange-format (.ovf) document. The same options always give the same bytes.

Options:
  --seed N                  random seed (default 1)
  --competitions N          competitions in the file (default 1)
  --sessions N              sessions per competition (default 2)
  --events N                events per session (default 6)
  --clubs N                 clubs per competition (default 6)
  --athletes N              athletes per club (default 10)
  --relays N                relay teams per club (default 2)
  --size MB                 add clubs until the file reaches about this size (1 MB = 1048576 bytes)
  --entries                 entries only, no results
  --with-entries            results and the entries they came from
  --result-competitions N   only the first N competitions hold results, the others entries only
  --format-version TEXT     text of the root VERSION element (default 01.10.0000)
  --cp1252                  Windows-1252 instead of UTF-8
  --one-line                everything on one line instead of indented lines
  -o FILE                   write to FILE instead of standard output
  --help                    show this text
)";

struct TArgumentError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long long ParseWhole(std::string_view option, const std::string& text, long long low, long long high)
{
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high || text[0] == ' ')
        throw TArgumentError("invalid value '" + text + "' for " + std::string(option) +
                             " (expected a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                             ")");
    return value;
}

std::uint64_t ParseSeed(const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || text[0] < '0' || text[0] > '9' || *end != '\0' || errno == ERANGE)
        throw TArgumentError("invalid value '" + text + "' for --seed (expected a whole number from 0 to " +
                             std::to_string(std::numeric_limits<std::uint64_t>::max()) + ")");
    return value;
}

std::size_t ParseMegabytes(const std::string& text)
{
    // Up to 16 GB (the plan of such a file takes a few GB of memory), with at most three decimals, read without
    // floating point so the target is exact.
    constexpr long long kMaxMegabytes = 16384;
    std::size_t dot = text.find('.');
    std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    bool digits =
        !whole.empty() && whole.size() <= 6 && fraction.size() <= 3 && (dot == std::string::npos || !fraction.empty());
    for (char c : whole + fraction)
        digits = digits && c >= '0' && c <= '9';
    long long thousandths = 0;
    if (digits) {
        fraction.resize(3, '0');
        thousandths = std::stoll(whole) * 1000 + std::stoll(fraction);
    }
    if (!digits || thousandths <= 0 || thousandths > kMaxMegabytes * 1000)
        throw TArgumentError("invalid value '" + text +
                             "' for --size (expected megabytes above 0 and up to 16384, e.g. 2 or 0.5)");
    return static_cast<std::size_t>(thousandths * 1048576 / 1000);
}

} // namespace

int main(int argc, char** argv)
{
    kvn::TOrvGenOptions options;
    std::string output;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string_view arg = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw TArgumentError("missing value after " + std::string(arg));
                return argv[++i];
            };
            if (arg == "--help" || arg == "-h") {
                std::cout << kUsage;
                return 0;
            } else if (arg == "--seed") {
                options.Seed = ParseSeed(value());
            } else if (arg == "--competitions") {
                options.Competitions = static_cast<int>(ParseWhole(arg, value(), 0, 1000));
            } else if (arg == "--sessions") {
                options.SessionsPerCompetition = static_cast<int>(ParseWhole(arg, value(), 0, 60));
            } else if (arg == "--events") {
                options.EventsPerSession = static_cast<int>(ParseWhole(arg, value(), 0, 100));
            } else if (arg == "--clubs") {
                options.Clubs = static_cast<int>(ParseWhole(arg, value(), 0, 1000000));
            } else if (arg == "--athletes") {
                options.AthletesPerClub = static_cast<int>(ParseWhole(arg, value(), 0, 10000));
            } else if (arg == "--relays") {
                options.RelayTeamsPerClub = static_cast<int>(ParseWhole(arg, value(), 0, 99));
            } else if (arg == "--size") {
                options.TargetBytes = ParseMegabytes(value());
            } else if (arg == "--entries") {
                options.Results = false;
            } else if (arg == "--with-entries") {
                options.Entries = true;
            } else if (arg == "--result-competitions") {
                options.ResultCompetitions = static_cast<int>(ParseWhole(arg, value(), 0, 1000));
            } else if (arg == "--format-version") {
                options.Version = value();
            } else if (arg == "--cp1252") {
                options.Windows1252 = true;
            } else if (arg == "--one-line") {
                options.Pretty = false;
            } else if (arg == "-o") {
                output = value();
                if (output.empty()) throw TArgumentError("empty file name after -o");
            } else {
                throw TArgumentError("unknown option '" + std::string(arg) + "'");
            }
        }
        if (static_cast<long long>(options.SessionsPerCompetition) * options.EventsPerSession > 1000)
            throw TArgumentError("--sessions times --events must not exceed 1000");
        if (static_cast<long long>(options.Clubs) * options.AthletesPerClub > 50000000)
            throw TArgumentError("--clubs times --athletes must not exceed 50000000");
    } catch (const TArgumentError& error) {
        std::cerr << "orvgen: " << error.what() << "\nTry 'orvgen --help' for the options.\n";
        return kBadArguments;
    }

    bool created = false; // only a file this run opened may be removed after a failure
    try {
        if (output.empty()) {
            std::ios::sync_with_stdio(false);
            kvn::GenerateOrvida(options, std::cout);
            std::cout.flush();
            if (!std::cout) throw std::runtime_error("The generated document could not be written.");
        } else {
            std::ofstream file(output, std::ios::binary | std::ios::trunc);
            if (!file) throw std::runtime_error("Cannot create '" + output + "'.");
            created = true;
            kvn::GenerateOrvida(options, file);
            file.close();
            if (!file) throw std::runtime_error("Writing '" + output + "' failed.");
        }
    } catch (const std::exception& error) {
        std::cerr << "orvgen: " << error.what() << '\n';
        if (created) std::remove(output.c_str());
        return 1;
    }
    return 0;
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

// Deterministic generator of exchange-format files for tests, benchmarks and the bundled sample: the same
// options always give the same bytes, on every platform and standard library.

namespace kvn {

struct TOrvGenOptions {
    std::uint64_t Seed = 1;
    int Competitions = 1;
    int SessionsPerCompetition = 2;
    int EventsPerSession = 6;
    int Clubs = 6; // per competition
    int AthletesPerClub = 10;
    int RelayTeamsPerClub = 2;
    std::size_t TargetBytes = 0;        // > 0: keep adding clubs until the output reaches about this size
    bool Windows1252 = false;           // else UTF-8; the XML declaration names the encoding
    bool Pretty = true;                 // false: everything on one line
    bool Results = true;                // results (else entries only)
    bool Entries = false;               // with Results: the entries (heat, lane, entry time) are written as well
    int ResultCompetitions = -1;        // with Results: competitions after the first N hold entries only; -1: none
    std::string Version = "01.10.0000"; // root VERSION text
};

// Writes one exchange-format document; the same options give the same bytes. Throws std::invalid_argument for
// options out of range and std::runtime_error when the stream fails.
void GenerateOrvida(const TOrvGenOptions& options, std::ostream& out);

// The document of GenerateOrvida as one string.
std::string GenerateOrvida(const TOrvGenOptions& options);

} // namespace kvn

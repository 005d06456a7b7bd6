#pragma once

#include "orvElements.h"
#include "orvParser.h"

#include <ostream>
#include <string>
#include <vector>

// Plain-text views of a read file for the command-line modes and for tests.

namespace kvn {

// Keeps the reader's messages as lines, "Line %d: %s" when they have a position.
class TOrvMessageLines : public IOrvMessageReceiver {
public:
    void AddMessage(const std::string& text, std::int32_t position, bool warning) override;

    std::vector<std::string> Errors;
    std::vector<std::string> Warnings;
};

// Formats a message line: the text alone for position 0, else "Line %d: %s".
std::string FormatMessageLine(const std::string& text, std::int32_t position);

// Writes the tree one element per line: indent (two blanks per depth, at most 200, with the depth in brackets
// before it beyond depth 100), tag, attributes, text, position and state.
void DumpTree(const TOrvAbstractElement& root, std::ostream& out);

// Numbers of the main things a file holds.
struct TOrvSummary {
    int Competitions = 0;
    int Clubs = 0;
    int Athletes = 0;
    int RelayTeams = 0;
    int Results = 0;
    int Entries = 0;
};

// Counts competitions, clubs, athletes, relay teams, results and entries anywhere in the tree.
TOrvSummary Summarize(const TOrvAbstractElement& root);

// "2 competitions, 24 clubs, 360 athletes, 48 relay teams, 1500 results, 0 entries"
std::string SummaryLine(const TOrvSummary& summary);

} // namespace kvn

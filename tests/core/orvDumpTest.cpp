#include "orvDump.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace kvn;

TEST(OrvDump, IndentationStopsGrowingBeyondDepth100AndNamesTheDepth)
{
    TOrvTree tree;
    TOrvObject* club = tree.CreateObject(otCLUB);
    tree.SetRoot(club);
    constexpr int kDepth = 3000;
    for (int depth = 1; depth <= kDepth; ++depth) {
        TOrvObject* inner = tree.CreateObject(otCLUB);
        club->Add(inner);
        club = inner;
    }
    std::ostringstream out;
    DumpTree(*tree.Root(), out);
    std::istringstream lines(out.str());
    std::string line;
    int depth = 0;
    for (; std::getline(lines, line); ++depth) {
        std::string indent = depth > 100 ? "[" + std::to_string(depth) + "]" + std::string(200, ' ')
                                         : std::string(static_cast<std::size_t>(depth) * 2, ' ');
        ASSERT_EQ(line, indent + "CLUB @0") << "depth " << depth;
    }
    EXPECT_EQ(depth, kDepth + 1);
    // Proportional to the number of elements: some 200 bytes a line, where two blanks per depth gave 9 MB.
    EXPECT_LT(out.str().size(), std::size_t(kDepth) * 220);
}

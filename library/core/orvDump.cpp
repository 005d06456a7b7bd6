#include "orvDump.h"

#include <algorithm>

namespace kvn {

namespace {

// Deeper lines keep this indentation and name their depth instead, so a deeply nested file cannot turn into
// output that grows with the square of its size.
constexpr int kMaxIndentedDepth = 100;

void WriteIndent(int depth, std::ostream& out)
{
    if (depth > kMaxIndentedDepth) out << '[' << depth << ']';
    out << std::string(static_cast<std::size_t>(std::min(depth, kMaxIndentedDepth)) * 2, ' ');
}

void DumpElement(const TOrvAbstractElement& element, int depth, std::ostream& out)
{
    WriteIndent(depth, out);
    out << element.TagName();
    for (int i = 0; i < element.AttributeCount(); ++i)
        out << ' ' << AttributeName(element.AttributeAt(i)) << "=\"" << element.AttributeValueAt(i) << '"';
    if (const TOrvDataElement* data = element.AsData()) out << " = \"" << data->Text() << '"';
    out << " @" << element.Line();
    if (element.State() != osClean) out << " !" << static_cast<int>(element.State());
    out << '\n';
}

void Count(const TOrvAbstractElement& element, TOrvSummary& summary)
{
    switch (element.Kind()) {
    case otCOMPETITION:
        ++summary.Competitions;
        break;
    case otCLUB:
        ++summary.Clubs;
        break;
    case otPERSON:
        ++summary.Athletes;
        break;
    case otRELAY:
        ++summary.RelayTeams;
        break;
    case otRESULT:
        ++summary.Results;
        break;
    case otENTRY:
        ++summary.Entries;
        break;
    default:
        break;
    }
}

} // namespace

std::string FormatMessageLine(const std::string& text, std::int32_t position)
{
    return position == 0 ? text : "Line " + std::to_string(position) + ": " + text;
}

void TOrvMessageLines::AddMessage(const std::string& text, std::int32_t position, bool warning)
{
    (warning ? Warnings : Errors).push_back(FormatMessageLine(text, position));
}

void DumpTree(const TOrvAbstractElement& root, std::ostream& out)
{
    WalkTree(root, [&out](const TOrvAbstractElement& element, int depth) { DumpElement(element, depth, out); });
}

TOrvSummary Summarize(const TOrvAbstractElement& root)
{
    TOrvSummary summary;
    WalkTree(root, [&summary](const TOrvAbstractElement& element, int) { Count(element, summary); });
    return summary;
}

std::string SummaryLine(const TOrvSummary& summary)
{
    return std::to_string(summary.Competitions) + " competitions, " + std::to_string(summary.Clubs) + " clubs, " +
           std::to_string(summary.Athletes) + " athletes, " + std::to_string(summary.RelayTeams) + " relay teams, " +
           std::to_string(summary.Results) + " results, " + std::to_string(summary.Entries) + " entries";
}

} // namespace kvn

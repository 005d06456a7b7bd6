#include "cliModes.h"

#include "orvDump.h"
#include "orvParser.h"

namespace veltro {

namespace {

struct TLoadedFile {
    kvn::TOrvMessageLines Messages;
    std::unique_ptr<kvn::TOrvTree> Tree;
};

std::unique_ptr<TLoadedFile> Load(const std::string& fileName)
{
    auto loaded = std::make_unique<TLoadedFile>();
    kvn::TOrvParser parser(loaded->Messages);
    loaded->Tree = parser.Parse(fileName);
    return loaded;
}

void PrintMessages(const kvn::TOrvMessageLines& messages, std::ostream& out)
{
    for (const std::string& line : messages.Errors)
        out << "error: " << line << '\n';
    for (const std::string& line : messages.Warnings)
        out << "warning: " << line << '\n';
}

} // namespace

int RunCheck(const std::string& fileName, std::ostream& out)
{
    auto loaded = Load(fileName);
    PrintMessages(loaded->Messages, out);
    kvn::TOrvSummary summary;
    if (loaded->Tree)
        summary = kvn::Summarize(*loaded->Tree->Root());
    out << kvn::SummaryLine(summary) << '\n';
    return loaded->Messages.Errors.empty() ? esOk : esFileHasErrors;
}

int RunDump(const std::string& fileName, std::ostream& out)
{
    auto loaded = Load(fileName);
    if (loaded->Tree)
        kvn::DumpTree(*loaded->Tree->Root(), out);
    PrintMessages(loaded->Messages, out);
    return loaded->Messages.Errors.empty() ? esOk : esFileHasErrors;
}

std::string UsageText()
{
    return "Usage: veltro [FILE]\n"
           "       veltro --check FILE   read FILE, print its errors, warnings and a summary\n"
           "       veltro --dump FILE    print the element tree of FILE as read, then its messages\n"
           "       veltro --version\n";
}

int RunCommandLineMode(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err, bool& handled)
{
    handled = !arguments.empty() && arguments[0].rfind("--", 0) == 0;
    if (!handled)
        return esOk;
    const std::string& mode = arguments[0];
    if (mode == "--help") {
        out << UsageText();
        return esOk;
    }
    if (mode == "--version") {
        out << "Veltro " << VELTRO_VERSION << '\n';
        return esOk;
    }
    if ((mode == "--check" || mode == "--dump") && arguments.size() == 2)
        return mode == "--check" ? RunCheck(arguments[1], out) : RunDump(arguments[1], out);
    err << "veltro: unknown or incomplete command line\n" << UsageText();
    return esUsage;
}

} // namespace veltro

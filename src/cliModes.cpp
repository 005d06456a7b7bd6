#include "cliModes.h"

#include "orvDump.h"
#include "orvParser.h"
#include "orvida.h"

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
    kvn::TOrvida document;
    document.LoadFromFile(fileName);
    // Indexes are built only for a file the viewer would show, so duplicate ids are reported exactly then.
    if (document.Errors().empty())
        document.BuildIndexes();
    for (const std::string& line : document.Errors())
        out << "error: " << line << '\n';
    for (const std::string& line : document.Warnings())
        out << "warning: " << line << '\n';
    kvn::TOrvSummary summary;
    if (document.Root())
        summary = kvn::Summarize(*document.Root());
    out << kvn::SummaryLine(summary) << '\n';
    return document.Errors().empty() ? esOk : esFileHasErrors;
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

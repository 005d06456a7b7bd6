#include "cliModes.h"

#include "kvnFiles.h"
#include "kvnStrings.h"
#include "orvDump.h"
#include "orvParser.h"
#include "orvida.h"
#include "printExport.h"
#include "treeExport.h"

#include <algorithm>

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
    if (document.Errors().empty()) document.BuildIndexes();
    for (const std::string& line : document.Errors())
        out << "error: " << line << '\n';
    for (const std::string& line : document.Warnings())
        out << "warning: " << line << '\n';
    kvn::TOrvSummary summary;
    if (document.Root()) summary = kvn::Summarize(*document.Root());
    out << kvn::SummaryLine(summary) << '\n';
    return document.Errors().empty() ? esOk : esFileHasErrors;
}

int RunDump(const std::string& fileName, std::ostream& out)
{
    auto loaded = Load(fileName);
    if (loaded->Tree) kvn::DumpTree(*loaded->Tree->Root(), out);
    PrintMessages(loaded->Messages, out);
    return loaded->Messages.Errors.empty() ? esOk : esFileHasErrors;
}

namespace {

// Reads the arguments of --list or --book (one file), --copy or --print (a node and a file) with their options in any
// order; false with a message for anything else.
bool ReadTreeExportArguments(const std::vector<std::string>& arguments, TTreeExportRequest& request,
                             std::string& message)
{
    const std::string& mode = arguments[0];
    bool book = mode == "--book";
    bool print = mode == "--print" || book;
    bool copy = mode == "--copy" || mode == "--print";
    std::vector<std::string> positional;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        bool hasValue = i + 1 < arguments.size();
        if (argument == "--competition") {
            if (!hasValue || !kvn::TryStrToInt(arguments[i + 1], request.Competition) || request.Competition < 1) {
                message = "--competition needs a number from 1";
                return false;
            }
            ++i;
        } else if (argument == "--language") {
            if (!hasValue || arguments[i + 1].empty()) {
                message = "--language needs a language code";
                return false;
            }
            request.Language = arguments[++i];
        } else if ((copy || book) && argument == "--splits") {
            request.Copy.Splits = true;
        } else if ((copy || book) && argument == "--only-valid") {
            request.Copy.OnlyValid = true;
        } else if (book && argument == "--club") {
            if (!hasValue || arguments[i + 1].empty()) {
                message = "--club needs a club name";
                return false;
            }
            request.Club = arguments[++i];
        } else if (book && argument == "--all-clubs") {
            request.AllClubs = true;
        } else if (print && (argument == "--pdf" || argument == "--html")) {
            if (!hasValue || arguments[i + 1].empty()) {
                message = argument + " needs a file name";
                return false;
            }
            (argument == "--pdf" ? request.PdfFile : request.HtmlFile) = arguments[++i];
        } else if (argument.rfind("--", 0) == 0) {
            message = "unknown option " + argument + " for " + mode;
            return false;
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != (copy ? 2u : 1u)) {
        message = copy ? mode + " needs a node and a file" : mode + " needs a file";
        return false;
    }
    if (print && request.PdfFile.empty() == request.HtmlFile.empty()) {
        message = mode + " needs either --pdf OUT.pdf or --html OUT.htm";
        return false;
    }
    if (!request.Club.empty() && request.AllClubs) {
        message = "--club and --all-clubs exclude each other";
        return false;
    }
    if (copy) request.What = positional[0];
    request.FileName = positional.back();
    return true;
}

} // namespace

std::string UsageText()
{
    return "Usage: veltro [FILE]\n"
           "       veltro --check FILE   read FILE, print its errors, warnings and a summary\n"
           "       veltro --dump FILE    print the element tree of FILE as read, then its messages\n"
           "       veltro --list FILE [OPTIONS]\n"
           "                             print the competitions and both trees of a competition, one node a line,\n"
           "                             indented by one tab per level\n"
           "       veltro --copy WHAT FILE [OPTIONS] [--splits] [--only-valid]\n"
           "                             print the text that the copy command puts on the clipboard for one node:\n"
           "                             WHAT is event:NUM (the event with that number), event:NUM/K (its K-th age\n"
           "                             group), participant:TEXT (the athlete or relay team of that text) or\n"
           "                             participant:CLUB/TEXT (the one of that club)\n"
           "       veltro --print WHAT FILE (--pdf OUT.pdf | --html OUT.htm) [OPTIONS] [--splits] [--only-valid]\n"
           "                             print the list of one node, as the print command does, into a PDF file\n"
           "                             or an HTML page, with the page settings of the settings file\n"
           "       veltro --book FILE (--pdf OUT.pdf | --html OUT.htm) [OPTIONS] [--club NAME | --all-clubs]\n"
           "                             [--splits] [--only-valid]\n"
           "                             print the result book of a competition, every list of its events tree,\n"
           "                             or the club book of one club or of all clubs, into a PDF file or an HTML\n"
           "                             page with an index, with the page settings of the settings file\n"
           "         OPTIONS: --competition N (from 1, default 1), --language CODE (us, de, ...)\n"
           "       veltro --version\n";
}

int RunCommandLineMode(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err, bool& handled)
{
    handled = !arguments.empty() && arguments[0].rfind("--", 0) == 0;
    if (!handled) return esOk;
    const std::string& mode = arguments[0];
    if (mode == "--help") {
        out << UsageText();
        return esOk;
    }
    if (mode == "--version") {
        out << "Veltro " << VELTRO_VERSION << '\n';
        return esOk;
    }
    if ((mode == "--check" || mode == "--dump") && arguments.size() == 2) {
        // What cannot be opened is a wrong command line, as for the other modes, not a file with errors.
        if (!kvn::IsReadableFile(arguments[1])) {
            err << "veltro: cannot open the file " << arguments[1] << "\n";
            return esUsage;
        }
        return mode == "--check" ? RunCheck(arguments[1], out) : RunDump(arguments[1], out);
    }
    // The options of --list, --copy, --print and --book may also stand before the mode.
    auto treeMode = std::find_if(arguments.begin(), arguments.end(), [](const std::string& argument) {
        return argument == "--list" || argument == "--copy" || argument == "--print" || argument == "--book";
    });
    if (treeMode != arguments.end()) {
        std::vector<std::string> ordered{*treeMode};
        for (auto argument = arguments.begin(); argument != arguments.end(); ++argument)
            if (argument != treeMode) ordered.push_back(*argument);
        TTreeExportRequest request;
        std::string message;
        if (!ReadTreeExportArguments(ordered, request, message)) {
            err << "veltro: " << message << "\n" << UsageText();
            return esUsage;
        }
        if (ordered[0] == "--print") return RunPrint(request, out, err);
        if (ordered[0] == "--book") return RunBook(request, out, err);
        return ordered[0] == "--list" ? RunList(request, out, err) : RunCopy(request, out, err);
    }
    err << "veltro: unknown or incomplete command line\n" << UsageText();
    return esUsage;
}

} // namespace veltro

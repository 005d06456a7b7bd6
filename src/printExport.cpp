#include "printExport.h"

#include "cliModes.h"
#include "drucken.h"
#include "eventsBrowser.h"
#include "kvnIniFiles.h"
#include "kvnPrint.h"
#include "kvnQtCanvas.h"
#include "kvnQtPrinterInfo.h"
#include "kvnWinX.h"
#include "participantsBrowser.h"
#include "resultBook.h"
#include "treeExport.h"

#include <QPrinter>
#include <QTreeWidget>

#include <exception>

namespace veltro {

using namespace kvn;

namespace {

constexpr int kA4 = 9; // Windows paper code

// The window's state for the node: its page, its check boxes and what the browser shows for it.
TShownList ShownNode(TNamedNode& named, const TCopyOptions& options)
{
    TOffscreenMeet& meet = named.Meet();
    TShownList shown;
    shown.EventsPage = named.OnEventsPage();
    shown.EventOptions = options;
    shown.ParticipantOptions = options;
    shown.ResultLists = &meet.Events().ResultLists();
    shown.Document = &meet.Document();
    if (shown.EventsPage) {
        shown.EventNode = named.Node();
        meet.Events().ShowEventList(named.Node());
        shown.HasResults = meet.Events().HasResults();
    } else {
        shown.ParticipantNode = named.Node();
        meet.Participants().ShowParticipant(named.Node());
        shown.HasResults = meet.Participants().HasResults();
    }
    return shown;
}

// The page settings as the print dialog has them: stored under the document's name, on the paper of the chosen
// printer, A4 when that paper is unknown (or there is no printer at all).
void LoadPageSettings(TKvnDocument& document)
{
    QtPrinterInfo().SelectPrinter(SettingsFile().ReadString("Printer", "Current", ""));
    document.LoadSettings();
    if (document.PaperIndex() == 0) document.SetPaperIndex(PaperIndexOfCode(kA4));
    // A print run stores the settings it used; from the command line they are only read.
    document.SetName("");
}

// Runs the report into the request's PDF file or HTML page.
int WriteReport(TKvnReport& report, const TTreeExportRequest& request, std::ostream& out, std::ostream& err)
{
    const std::string& target = request.PdfFile.empty() ? request.HtmlFile : request.PdfFile;
    try {
        if (!request.PdfFile.empty()) {
            QPrinter printer(QPrinter::HighResolution);
            SetUpPdfPrinter(printer, request.PdfFile, report.Document());
            TKvnQtPrinter output(printer);
            report.Print(output);
        } else {
            report.SetHtmlFileName(request.HtmlFile);
            report.WriteHtml();
        }
    } catch (const std::exception& failure) {
        err << "veltro: cannot write " << target << ": " << failure.what() << "\n";
        return esCannotWrite;
    }
    out << "wrote " << target << "\n";
    return 0;
}

// The club node of the request's club: the first in the tree whose text is the name.
const QTreeWidgetItem* FindClub(TOffscreenMeet& meet, const std::string& name)
{
    for (const QTreeWidgetItem* club : ClubNodes(meet.ClubsTree()))
        if (club->text(0).toStdString() == name) return club;
    return nullptr;
}

} // namespace

int RunPrint(const TTreeExportRequest& request, std::ostream& out, std::ostream& err)
{
    TNamedNode named;
    if (int status = named.Open(request, err); status != 0) return status;
    GetSystemInfo(); // the application title, which the print document is named after
    TResultsPrintJob job(ShownNode(named, request.Copy));
    TKvnReport report(&QtPrinterInfo());
    report.SetCaption(kDruckenCaption);
    LoadPageSettings(report.Document());
    job.Attach(report);
    return WriteReport(report, request, out, err);
}

int RunBook(const TTreeExportRequest& request, std::ostream& out, std::ostream& err)
{
    TNamedNode opened;
    if (int status = opened.OpenMeet(request, err); status != 0) return status;
    TOffscreenMeet& meet = opened.Meet();
    TBookChoice choice;
    choice.Options = request.Copy;
    if (request.AllClubs) {
        choice.Contents = TBookContents::AllClubs;
    } else if (!request.Club.empty()) {
        choice.Contents = TBookContents::OneClub;
        choice.Club = FindClub(meet, request.Club);
        if (!choice.Club) {
            err << "veltro: competition " << request.Competition << " has no club \"" << request.Club << "\"\n";
            return 2;
        }
    }
    GetSystemInfo();
    TResultBookJob job({&meet.EventsTree(), &meet.ClubsTree(), &meet.Events().ResultLists(), &meet.Document()}, choice);
    TKvnReport report(&QtPrinterInfo());
    report.SetCaption(kErgebnisbuchCaption);
    LoadPageSettings(report.Document());
    job.Attach(report);
    return WriteReport(report, request, out, err);
}

} // namespace veltro

#pragma once

#include "expClipboard.h"
#include "kvnPrintDialog.h"
#include "resultLists.h"

#include <functional>
#include <string>

class QTreeWidgetItem;

namespace kvn {
class TKvnReport;
class TOrvida;
} // namespace kvn

// The results print job: the list the main window shows, with its heading lines, split times and relay legs, laid
// out through the report engine, so that the same content goes to a printer, the preview pages or an HTML page.

namespace veltro {

class TfrmView;

// What the print job reads of the main window; the nodes, lists and document must outlive the job's runs.
struct TShownList {
    bool EventsPage = true; // the events page is shown, else the participants page
    const QTreeWidgetItem* EventNode = nullptr;
    const QTreeWidgetItem* ParticipantNode = nullptr;
    TCopyOptions EventOptions;       // chkEvSplit, chkEvOnlyValids
    TCopyOptions ParticipantOptions; // chkTnSplit, chkTnOnlyValids
    const TResultLists* ResultLists = nullptr;
    const kvn::TOrvida* Document = nullptr;
    bool HasResults = false; // the shown list holds results, not only entries
};

// The state of the window that a print of the shown list reads.
TShownList ShownList(TfrmView& window);

// Caption of the results print dialog, which print jobs carry in their title.
inline constexpr const char* kDruckenCaption = "Ausdrucken";

// Settings key of the web address that the banner of every printed page names, and its default.
inline constexpr const char* kWebAddressSection = "Special";
inline constexpr const char* kWebAddressKey = "WebAddress";
inline constexpr const char* kDefaultWebAddress = "www.veltro.example.org";

// Prints the shown list on a report: attach it, then run the report's Print, Preview or WriteHtml. Its parts also
// serve print jobs of many lists (the result book), which print each list as this job prints the one shown.
class TResultsPrintJob {
public:
    explicit TResultsPrintJob(TShownList shown);

    // Makes the report's OnInitReport and OnOneExemplar this job's; the job must outlive the report's runs.
    void Attach(kvn::TKvnReport& report);
    // Start of a run: no header lines, the HTML page titled with the list, the top margin remembered.
    void InitReport(kvn::TKvnReport& report);
    // One copy: banner, heading lines of the competition, then the list, in a top margin raised for the banner.
    void OneExemplar(kvn::TKvnReport& report);

    // The document's top margin at the start of the last run.
    int SavedTop() const { return fSavedTop; }
    // Title of the list: the event (", " and age group) or the participant.
    std::string ListTitle() const;
    // Title of the list of a node of the events tree (eventsTree) or of the participants tree.
    static std::string ListTitle(const QTreeWidgetItem* node, bool eventsTree);

    // One copy of a job of the report's own: the first page with banner and heading lines, then content, in a top
    // margin raised for the banner while the copy lasts.
    void PrintCopy(kvn::TKvnReport& report, const std::function<void()>& content) const;
    // Starts a new page with its banner unless n tenths of a line are left on this one.
    void KeepRoom(kvn::TKvnReport& report, int n) const;
    // A bold title line of the given size in per cent, kept on the page with the line after it; in HTML it is the
    // target of the anchor unless that is empty.
    void PrintTitle(kvn::TKvnReport& report, const std::string& title, int percent, const std::string& anchor) const;
    // The title and the list of an event or age-group node of the events tree.
    void PrintEventsList(kvn::TKvnReport& report, const QTreeWidgetItem* node, const TCopyOptions& options,
                         const std::string& anchor = {}) const;
    // The title and the list of an athlete or relay node of the participants tree.
    void PrintParticipantsList(kvn::TKvnReport& report, const QTreeWidgetItem* node, const TCopyOptions& options,
                               const std::string& anchor = {}) const;

private:
    void PrintBanner(kvn::TKvnReport& report) const;
    void PrintHeadingLines(kvn::TKvnReport& report) const;

    TShownList fShown;
    int fSavedTop = 0;
    int fBannerHeight = 0;
};

// The results print dialog ("Ausdrucken"): the print dialog whose report prints the list that the main window shows.
class TdlgDrucken : public kvn::TkvnPrintDlg {
    Q_OBJECT

public:
    // What shown refers to must outlive the dialog; its HasResults chooses the banner title.
    TdlgDrucken(QWidget* parent, TShownList shown);

private:
    TResultsPrintJob fJob;
};

} // namespace veltro

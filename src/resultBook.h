#pragma once

// Builds on the results print job, whose header declares the print dialog, the report and the document.
#include "drucken.h"

#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QTreeWidget;

// The result book: the whole selected competition in one print-out, every list of the events tree in tree order,
// or the club book, every athlete's and relay team's list club by club. Each list is printed as the results print
// job prints it alone, so page setup, footers, fonts and the HTML template apply alike.

namespace veltro {

// Caption of the result book dialog, which print jobs of a book carry in their title.
inline constexpr const char* kErgebnisbuchCaption = "Ergebnisbuch";

// What a book holds.
enum class TBookContents { Competition, AllClubs, OneClub };

// What a result book is made from; trees, lists and document must outlive the book's runs.
struct TBookSource {
    const QTreeWidget* EventsTree = nullptr;
    const QTreeWidget* ClubsTree = nullptr;
    const TResultLists* ResultLists = nullptr;
    const kvn::TOrvida* Document = nullptr;
};

// The choices of a book: its contents, the club of a club book of one club, and splits and only-valid results.
struct TBookChoice {
    TBookContents Contents = TBookContents::Competition;
    const QTreeWidgetItem* Club = nullptr; // a club node of the participants tree, for OneClub
    TCopyOptions Options;
};

// One part of a book in print order: a heading (a session or a club) or a list (an events-tree node, or an athlete
// or relay node of the participants tree).
struct TBookPart {
    bool Heading = false;
    const QTreeWidgetItem* Node = nullptr;
    std::string Title;
    std::string Anchor; // target of the HTML index's link
};

// The parts of a book in print order.
std::vector<TBookPart> BookParts(const TBookSource& source, const TBookChoice& choice);

// The club nodes of the participants tree in tree order.
std::vector<const QTreeWidgetItem*> ClubNodes(const QTreeWidget& clubsTree);

// The source of a book of the window's competition.
TBookSource BookSource(TfrmView& window);

// Prints a result book on a report: attach it, then run the report's Print, Preview or WriteHtml.
class TResultBookJob {
public:
    TResultBookJob(const TBookSource& source, const TBookChoice& choice);

    // Makes the report's OnInitReport and OnOneExemplar this job's; the job must outlive the report's runs.
    void Attach(kvn::TKvnReport& report);
    // Start of a run: as the results print job, the HTML page titled with the competition.
    void InitReport(kvn::TKvnReport& report);
    // One copy: banner and heading lines, in HTML the index, then every part; the status window's second line names
    // the part being printed, and an abort stops before the next one.
    void OneExemplar(kvn::TKvnReport& report);

    const std::vector<TBookPart>& Parts() const { return fParts; }

private:
    void PrintIndex(kvn::TKvnReport& report) const;
    void PrintPart(kvn::TKvnReport& report, const TBookPart& part) const;
    void PrintClubStatistic(kvn::TKvnReport& report, const QTreeWidgetItem* club) const;

    TBookSource fSource;
    TBookChoice fChoice;
    std::vector<TBookPart> fParts;
    TResultsPrintJob fLists;
};

// The result book dialog ("Ergebnisbuch"): the print dialog with the book's contents (the competition, all clubs or
// one club) and its splits and only-valid choices, which it remembers in the settings.
class TdlgErgebnisbuch : public kvn::TkvnPrintDlg {
    Q_OBJECT

public:
    // What source refers to must outlive the dialog.
    TdlgErgebnisbuch(QWidget* parent, const TBookSource& source);

    // The choices as the dialog's controls have them now.
    TBookChoice Choice() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AddClubs();
    void SaveChoices() const;

    TBookSource fSource;
    std::vector<const QTreeWidgetItem*> fClubs;
    QComboBox* fContents;
    QCheckBox* fSplits;
    QCheckBox* fOnlyValid;
    std::unique_ptr<TResultBookJob> fJob;
};

} // namespace veltro

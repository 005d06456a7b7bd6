#pragma once

#include "expClipboard.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace kvn {
class TOrvida;
} // namespace kvn

// The trees and lists of a result file without a window on screen, for scripts: the same browsers build the same
// trees on widgets that are never shown, so every text is the one the window shows.

namespace veltro {

class TEventsBrowser;
class TParticipantsBrowser;

// A result file opened into the document and both browsers over hidden widgets; needs a QApplication.
class TOffscreenMeet {
public:
    TOffscreenMeet();
    ~TOffscreenMeet();
    TOffscreenMeet(const TOffscreenMeet&) = delete;
    TOffscreenMeet& operator=(const TOffscreenMeet&) = delete;

    // Reads the file and builds both trees for the competition (from 0); 0, else the exit status of the failure
    // (1 for a file with errors, 2 for a missing file or competition) with a message.
    int Open(const std::string& path, int competition, std::string& message);

    // One line per competition, as the window's competitions list shows it.
    std::vector<std::string> CompetitionTexts() const;

    kvn::TOrvida& Document() { return *fDocument; }
    TEventsBrowser& Events() { return *fEvents; }
    TParticipantsBrowser& Participants() { return *fParticipants; }
    QTreeWidget& EventsTree() { return *fEventsTree; }
    QTreeWidget& ClubsTree() { return *fClubsTree; }

private:
    std::unique_ptr<kvn::TOrvida> fDocument;
    std::unique_ptr<QWidget> fHost;
    QTreeWidget* fEventsTree;
    QTreeWidget* fClubsTree;
    std::vector<std::string> fNations;
    std::unique_ptr<TEventsBrowser> fEvents;
    std::unique_ptr<TParticipantsBrowser> fParticipants;
};

// The nodes of the tree one per line in tree order, each indented by one tab per level.
std::string TreeText(const QTreeWidget& tree);

// The event node of the event whose "NUM" is number, or with ageGroup > 0 its age-group node of that place (from
// 1, in tree order); nullptr when there is none.
QTreeWidgetItem* FindEventNode(const QTreeWidget& tree, int number, int ageGroup);

// The participants-tree nodes whose text is exactly the text, in tree order.
std::vector<QTreeWidgetItem*> FindParticipantNodes(const QTreeWidget& tree, const std::string& text);

// What --list, --copy and --print are asked for.
struct TTreeExportRequest {
    std::string FileName;
    std::string What; // --copy and --print: "event:NUM", "event:NUM/K" or "participant:TEXT"
    int Competition = 1;
    std::string Language;  // a language code ("us", "de", ...), empty for the program's own choice
    TCopyOptions Copy;     // the check boxes of the node's page
    std::string PdfFile;   // --print and --book: the PDF file to write, or empty
    std::string HtmlFile;  // --print and --book: the HTML page to write, or empty
    std::string Club;      // --book: the name of the one club of a club book, or empty
    bool AllClubs = false; // --book: the club book of every club
};

class TOffscreenApplication;

// The file of a --copy or --print request opened without a window, and the tree node that the request names.
class TNamedNode {
public:
    TNamedNode();
    ~TNamedNode();
    TNamedNode(const TNamedNode&) = delete;
    TNamedNode& operator=(const TNamedNode&) = delete;

    // Opens the file and finds the node; 0, else the exit status of the failure (see RunList) with a message on err.
    int Open(const TTreeExportRequest& request, std::ostream& err);
    // Opens the file only, for a request that names no node; exit status as Open.
    int OpenMeet(const TTreeExportRequest& request, std::ostream& err);

    TOffscreenMeet& Meet() { return *fMeet; }
    // An event or age-group node of the events tree, or an athlete or relay node of the participants tree.
    QTreeWidgetItem* Node() const { return fNode; }
    // True for a node of the events tree.
    bool OnEventsPage() const { return fEventsPage; }

private:
    std::unique_ptr<TOffscreenApplication> fApplication;
    std::unique_ptr<TOffscreenMeet> fMeet; // after the application, so that it goes first
    QTreeWidgetItem* fNode = nullptr;
    bool fEventsPage = false;
};

// Prints the competitions and both trees of the chosen competition; 0, else 1 for a file with errors or 2 for
// anything else that fails, with a message on err.
int RunList(const TTreeExportRequest& request, std::ostream& out, std::ostream& err);

// Prints the text that the copy command puts on the clipboard for the named node; exit status as RunList.
int RunCopy(const TTreeExportRequest& request, std::ostream& out, std::ostream& err);

} // namespace veltro

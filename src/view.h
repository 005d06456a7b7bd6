#pragma once

#include "eventsBrowser.h"
#include "kvnForm.h"
#include "kvnThrottle.h"

#include <QIcon>
#include <QMainWindow>
#include <QPixmap>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;

namespace Ui {
class TfrmView;
}

namespace kvn {
class TOrvida;
class TKvnSplitterPane;
} // namespace kvn

namespace veltro {

class TLiveReload;
class TParticipantsBrowser;
class TParticipantSearch;
class TRecentFiles;

// The main window: opens a result file into the one document, lists its competitions, and shows the chosen one
// on the events page and the participants page. The browsers hold the logic; this class wires them to the widgets
// and the commands.
class TfrmView : public kvn::TKvnFormMainWindow {
    Q_OBJECT

public:
    // Pages of PgcMain.
    enum TPage { pgEvents = 0, pgParticipants = 1, pgHelp = 2 };

    // arguments: the command line without the program name.
    explicit TfrmView(std::vector<std::string> arguments = {}, QWidget* parent = nullptr);
    ~TfrmView() override;

    // Closes the current file and opens the file at path; problems are reported in message boxes.
    void LoadFile(const std::string& path);
    // Reads the current file again, keeping competition, page, selected nodes and list positions; a file that cannot
    // be read leaves the shown results and says so in the status bar.
    void ReloadFile();
    // Closes the file: empty browsers, commands of tags 1 and 2 off.
    void CloseFile();
    // Shows the competition chosen in the competitions list.
    void CbxCompetitionsChange();
    // Shows "%d lines read..." for the reader's position, rounded down to hundreds.
    void ShowProgress(int position);
    // "KORVAN " + application title, and " - " + name when a name is given.
    void SetCaption(const std::string& name);
    // Loads the help text of a language; with complain, a missing file gives a warning.
    bool LoadHelpText(int languageIndex, bool complain);
    // Registers the file extensions with the desktop and confirms it.
    void RegisterExtensions();
    // Hands the file to Quillon and closes the viewer.
    void OpenInQuillon();

    Ui::TfrmView& Widgets() { return *fUi; }
    kvn::TOrvida& Document() { return *fDocument; }
    TEventsBrowser& Events() { return *fEvents; }
    TParticipantsBrowser& Participants() { return *fParticipants; }
    TParticipantSearch& Search() { return *fSearch; }
    QComboBox& Competitions() { return *fCompetitions; }
    const std::string& CurrentFile() const { return fCurrentFile; }
    TRecentFiles& RecentFiles() { return *fRecentFiles; }
    TLiveReload& LiveReload() { return *fLiveReload; }
    // The list shown last, on either page, holds results (true) or only entries.
    bool HasResults() const { return fHasResults; }
    // Actions carrying the tag (1: a file is open; 2: a list is shown; 0: always).
    std::vector<QAction*> ActionsWithTag(int tag) const;
    // Enables the tag-2 commands when the active page shows a list.
    void UpdatePageCommands();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Icons of the desktop's theme for the tool bar's commands, bundled ones where the theme has none.
    void SetToolBarIcons();
    void CreateBrowsers();
    // What the first start asks once the window is on screen: registering the file extensions, a pending report.
    void AskFirstQuestions();
    void ConnectCommands();
    void RestoreSettings();
    void SaveSettings() const;
    void OnLanguageChange();
    void EnableTag(int tag, bool enabled);
    void ShowLoadErrors();
    // Loads path into the document; without quiet, problems are shown in message boxes. True when it is shown.
    bool OpenDocument(const std::string& path, bool quiet);
    void OpenDialog();
    void ShowCompetitionInfo();
    void ShowAbout();
    void PrintShownList();
    void PrintResultBook();
    void ShowPage(int page);
    // Shows the next (1) or previous (-1) page, wrapping around.
    void StepPage(int step);
    void SetStatus(const std::string& text);
    void AlignHeaders();

    std::unique_ptr<Ui::TfrmView> fUi;
    std::unique_ptr<kvn::TOrvida> fDocument;
    std::unique_ptr<TEventsBrowser> fEvents;
    std::unique_ptr<TParticipantsBrowser> fParticipants;
    std::unique_ptr<TParticipantSearch> fSearch;
    TRecentFiles* fRecentFiles = nullptr; // owned by the menu
    TLiveReload* fLiveReload = nullptr;   // owned by the window
    QComboBox* fCompetitions = nullptr;
    kvn::TKvnSplitterPane* fEventsTree = nullptr; // owned by its splitter
    kvn::TKvnSplitterPane* fClubsTree = nullptr;
    QList<QPixmap> fImages;
    QList<QIcon> fIcons;
    std::vector<std::string> fNations;
    std::vector<std::string> fArguments;
    std::string fCurrentFile;
    std::string fOpenPath;
    bool fOpenPathChosen = false;
    bool fLoadingFromCommandLine = false;
    kvn::TProgressThrottle fProgressThrottle;
    bool fShownOnce = false;
    bool fEventListShown = false;
    bool fParticipantListShown = false;
    bool fHasResults = false;
};

} // namespace veltro

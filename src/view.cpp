#include "view.h"

#include "browserTree.h"
#include "drucken.h"
#include "expClipboard.h"
#include "kvnCompetitionInfo.h"
#include "kvnFlags.h"
#include "kvnIcons.h"
#include "kvnIniFiles.h"
#include "kvnKorvanTidewell.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaintbox.h"
#include "kvnPaths.h"
#include "kvnRtfView.h"
#include "kvnShell.h"
#include "kvnSplitterPane.h"
#include "kvnStrings.h"
#include "kvnSwimLang.h"
#include "kvnTreeIcons.h"
#include "kvnWinX.h"
#include "listHeader.h"
#include "liveReload.h"
#include "orvida.h"
#include "participantsBrowser.h"
#include "recentFiles.h"
#include "resultBook.h"
#include "search.h"
#include "startup.h"
#include "ui_TfrmView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include <filesystem>

namespace veltro {

using namespace kvn;

namespace {

const char* const kMain = "main";

std::string Text(std::string_view section, int n)
{
    return GetLanguage().GetText(section, n);
}

int TagOf(const QAction* action)
{
    return action->property("tag").toInt();
}

// The first local result file among dropped data, or "".
std::string DroppedResultFile(const QMimeData* data)
{
    if (!data) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && IsResultFileName(url.toLocalFile().toStdString()))
            return url.toLocalFile().toStdString();
    return {};
}

// Where a list is scrolled to, to scroll it there again after the list is drawn anew.
struct TScrollPosition {
    explicit TScrollPosition(const QAbstractScrollArea& box)
        : X(box.horizontalScrollBar()->value()), Y(box.verticalScrollBar()->value())
    {
    }
    void Restore(QAbstractScrollArea& box) const
    {
        box.horizontalScrollBar()->setValue(X);
        box.verticalScrollBar()->setValue(Y);
    }
    int X;
    int Y;
};

} // namespace

TfrmView::TfrmView(std::vector<std::string> arguments, QWidget* parent)
    : TKvnFormMainWindow(parent), fUi(std::make_unique<Ui::TfrmView>()), fDocument(std::make_unique<TOrvida>()),
      fArguments(std::move(arguments))
{
    fUi->setupUi(this);
    // Translated and given its accelerators before the program adds texts of its own (help text, competitions).
    Form().FormLoaded();
    SetHelpHandler([this](QWidget&, int) {
        ShowPage(pgHelp);
        raise();
        activateWindow();
    });
    GetLanguage().SetOnChange([this](TLanguage&) { OnLanguageChange(); });
    // Hints of menus and tool buttons appear in the status bar, which shows one text at a time.
    statusBar()->setSizeGripEnabled(true);

    SetToolBarIcons();

    fImages = ProgramTreeImages();
    LoadFlags(fImages, fNations);
    fCompetitions = new QComboBox(fUi->tbMain);
    fCompetitions->setObjectName("CbxCompetitions");
    fCompetitions->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fCompetitions->setMinimumContentsLength(20);
    fCompetitions->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fUi->tbMain->addWidget(fCompetitions);

    // The lists are laid out in pixels for lines of 15 pixels; their text has to fit that.
    QFont listFont = font();
    listFont.setPixelSize(11);
    fUi->pbEvents->setFont(listFont);
    fUi->pbClubs->setFont(listFont);

    CreateBrowsers();
    fSearch = std::make_unique<TParticipantSearch>(*this);
    fRecentFiles =
        new TRecentFiles(*this, *fUi->mnuDatei, fUi->acQuit, [this](const std::string& path) { LoadFile(path); });
    fLiveReload = new TLiveReload([this] { ReloadFile(); }, this);
    setAcceptDrops(true);
    ConnectCommands();
    RestoreSettings();

    LoadHelpText(3, false);
    OnLanguageChange();
    fUi->acQuillon->setVisible(QuillonExists(ExecutableDir()));
}

TfrmView::~TfrmView()
{
    SetHelpHandler(nullptr);
    GetLanguage().SetOnChange({});
}

void TfrmView::SetToolBarIcons()
{
    const std::pair<QAction*, const char*> icons[] = {{fUi->acOpen, "document-open"},
                                                      {fUi->acCompetitionInfo, "dialog-information"},
                                                      {fUi->acFileInfo, "document-properties"},
                                                      {fUi->acPrint, "document-print"},
                                                      {fUi->actSearch, "edit-find"},
                                                      {fUi->actCopy, "edit-copy"},
                                                      {fUi->acQuillon, "document-edit"}};
    for (auto [action, name] : icons)
        action->setIcon(ThemeIcon(name));
}

void TfrmView::CreateBrowsers()
{
    // One icon per picture, shared by every node: making an icon per node costs more than the node itself.
    auto icon = [this](int index) {
        if (fIcons.size() != fImages.size()) {
            fIcons.clear();
            for (const QPixmap& image : fImages)
                fIcons.push_back(QIcon(image));
        }
        return index >= 0 && index < fIcons.size() ? fIcons[index] : QIcon();
    };
    auto status = [this](const std::string& text) {
        SetStatus(text);
        if (fLoadingFromCommandLine) SetStartupScreenText(text);
    };
    fEvents = std::make_unique<TEventsBrowser>(TEventsPage{fUi->TrvEvents, fUi->pbEvents, fUi->hcEvents,
                                                           fUi->pnlEventTitel, fUi->chkEvSplit, fUi->chkEvOnlyValids},
                                               *fDocument, icon, status, [this](bool shown) {
                                                   fEventListShown = shown;
                                                   if (shown) fHasResults = fEvents->HasResults();
                                                   UpdatePageCommands();
                                               });
    fParticipants = std::make_unique<TParticipantsBrowser>(
        TParticipantsPage{fUi->trvClubs, fUi->pbClubs, fUi->hcClubs, fUi->pnlTnTitel, fUi->chkTnSplit,
                          fUi->chkTnOnlyValids},
        *fDocument, fEvents->ResultLists(), icon, fNations, status, [this](bool shown) {
            fParticipantListShown = shown;
            if (shown) fHasResults = fParticipants->HasResults();
            UpdatePageCommands();
        });

    fUi->pbEvents->OnHorizontalScroll = [this](int x) {
        TkvnPaintBox::AlignHeader(fUi->hcEvents, fUi->pbEvents->width(), x);
    };
    fUi->pbClubs->OnHorizontalScroll = [this](int x) {
        TkvnPaintBox::AlignHeader(fUi->hcClubs, fUi->pbClubs->width(), x);
    };
    fUi->pbEvents->OnResize = [this] { TkvnPaintBox::AlignHeader(fUi->hcEvents, fUi->pbEvents->width()); };
    fUi->pbClubs->OnResize = [this] { TkvnPaintBox::AlignHeader(fUi->hcClubs, fUi->pbClubs->width()); };

    // A changed check box or column width redraws the list and gives the focus back to the tree.
    auto redrawEvents = [this] {
        fEvents->Refresh();
        if (isVisible()) fUi->TrvEvents->setFocus();
    };
    auto redrawParticipants = [this] {
        fParticipants->Refresh();
        if (isVisible()) fUi->trvClubs->setFocus();
    };
    connect(fUi->chkEvSplit, &QCheckBox::clicked, this, redrawEvents);
    connect(fUi->chkEvOnlyValids, &QCheckBox::clicked, this, redrawEvents);
    connect(fUi->hcEvents, &QHeaderView::sectionResized, this, redrawEvents);
    connect(fUi->chkTnSplit, &QCheckBox::clicked, this, redrawParticipants);
    connect(fUi->chkTnOnlyValids, &QCheckBox::clicked, this, redrawParticipants);
    connect(fUi->hcClubs, &QHeaderView::sectionResized, this, redrawParticipants);
}

void TfrmView::ConnectCommands()
{
    connect(fUi->acOpen, &QAction::triggered, this, &TfrmView::OpenDialog);
    connect(fUi->acClose, &QAction::triggered, this, [this] {
        CloseFile();
        fLiveReload->Watch("");
    });
    connect(fUi->acFileInfo, &QAction::triggered, this, [this] { ShowMessageBox(fDocument->FileInfoText()); });
    connect(fUi->acCompetitionInfo, &QAction::triggered, this, &TfrmView::ShowCompetitionInfo);
    connect(fUi->acQuit, &QAction::triggered, this, &QWidget::close);
    connect(fUi->acAbout, &QAction::triggered, this, &TfrmView::ShowAbout);
    connect(fUi->acLanguage, &QAction::triggered, this, [] { RunLanguageSelection(true); });
    connect(fUi->acRegister, &QAction::triggered, this, &TfrmView::RegisterExtensions);
    connect(fUi->acQuillon, &QAction::triggered, this, &TfrmView::OpenInQuillon);
    connect(fUi->acAutoReload, &QAction::toggled, this, [this](bool on) { fLiveReload->SetEnabled(on); });
    connect(fUi->acShowHelp, &QAction::triggered, this, [this] { ShowPage(pgHelp); });
    connect(fUi->actSearch, &QAction::triggered, this, [this] { fSearch->Start(); });
    connect(fUi->actCopy, &QAction::triggered, this, [this] { CopyShownList(*this); });
    connect(fUi->acPrint, &QAction::triggered, this, &TfrmView::PrintShownList);
    connect(fUi->acBook, &QAction::triggered, this, &TfrmView::PrintResultBook);
    connect(fUi->btnEvHelp, &QPushButton::clicked, this, [this] { ShowPage(pgHelp); });
    connect(fUi->btnTnHelp, &QPushButton::clicked, this, [this] { ShowPage(pgHelp); });
    connect(fUi->btnEvParticipants, &QPushButton::clicked, this, [this] { ShowPage(pgParticipants); });
    connect(fUi->btnHelpParticipants, &QPushButton::clicked, this, [this] { ShowPage(pgParticipants); });
    connect(fUi->btnTnEvents, &QPushButton::clicked, this, [this] { ShowPage(pgEvents); });
    connect(fUi->btnHelpEvents, &QPushButton::clicked, this, [this] { ShowPage(pgEvents); });
    connect(fUi->btnDeutsch, &QPushButton::clicked, this, [this] {
        LoadHelpText(1, true);
        if (fUi->PgcMain->currentIndex() == pgHelp) fUi->reHelp->setFocus();
    });
    connect(fUi->btnEnglish, &QPushButton::clicked, this, [this] {
        LoadHelpText(3, true);
        if (fUi->PgcMain->currentIndex() == pgHelp) fUi->reHelp->setFocus();
    });
    connect(fUi->PgcMain, &QTabWidget::currentChanged, this, [this] {
        UpdatePageCommands();
        if (fUi->PgcMain->currentIndex() == pgHelp) fUi->reHelp->setFocus();
    });
    connect(fCompetitions, &QComboBox::currentIndexChanged, this, [this] { CbxCompetitionsChange(); });
    // The window sees Ctrl+Tab before any control on it, so the pages change wherever the focus is.
    auto* nextPage = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    auto* previousPage = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    auto* previousPageAlt = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this);
    connect(nextPage, &QShortcut::activated, this, [this] { StepPage(1); });
    connect(previousPage, &QShortcut::activated, this, [this] { StepPage(-1); });
    connect(previousPageAlt, &QShortcut::activated, this, [this] { StepPage(-1); });
}

std::vector<QAction*> TfrmView::ActionsWithTag(int tag) const
{
    std::vector<QAction*> tagged;
    for (QAction* action : findChildren<QAction*>())
        if (!action->objectName().isEmpty() && action->property("tag").isValid() && TagOf(action) == tag)
            tagged.push_back(action);
    return tagged;
}

void TfrmView::EnableTag(int tag, bool enabled)
{
    for (QAction* action : ActionsWithTag(tag))
        action->setEnabled(enabled);
}

void TfrmView::UpdatePageCommands()
{
    int page = fUi->PgcMain->currentIndex();
    bool listShown = (page == pgEvents && fEventListShown) || (page == pgParticipants && fParticipantListShown);
    EnableTag(2, listShown);
}

void TfrmView::ShowPage(int page)
{
    fUi->PgcMain->setCurrentIndex(page);
}

void TfrmView::StepPage(int step)
{
    int count = fUi->PgcMain->count();
    ShowPage((fUi->PgcMain->currentIndex() + step + count) % count);
}

void TfrmView::SetStatus(const std::string& text)
{
    statusBar()->showMessage(QString::fromStdString(text));
}

void TfrmView::SetCaption(const std::string& name)
{
    std::string caption = "KORVAN " + ApplicationTitle();
    if (!name.empty()) caption += " - " + name;
    setWindowTitle(QString::fromStdString(caption));
}

void TfrmView::ShowProgress(int position)
{
    std::string text = std::to_string(position / 100 * 100) + " lines read...";
    // The reader reports every window of the file; repainting for each would cost more than the reading.
    if (!fProgressThrottle.ShouldShow(text)) return;
    SetStatus(text);
    if (fLoadingFromCommandLine) SetStartupScreenText(text);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmView::ShowLoadErrors()
{
    std::string text = Text("V", 9) + "\n";
    // A file with many errors would make a box taller than any screen; the command line lists them all.
    constexpr std::size_t kShownErrors = 20;
    const std::vector<std::string>& errors = fDocument->Errors();
    for (std::size_t i = 0; i < errors.size() && i < kShownErrors; ++i)
        text += errors[i] + "\n";
    if (errors.size() > kShownErrors) text += "... " + std::to_string(errors.size() - kShownErrors) + " more\n";
    ShowMessageBox(text, true, false);
}

void TfrmView::LoadFile(const std::string& path)
{
    if (OpenDocument(path, false)) fRecentFiles->Add(path);
    // A file that is still being written may read well once it is complete.
    fLiveReload->Watch(path);
}

bool TfrmView::OpenDocument(const std::string& path, bool reload)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestoreCursor {
        ~TRestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restoreCursor;

    if (fUi->acClose->isEnabled()) CloseFile();
    fCurrentFile = path;
    fProgressThrottle.Reset();
    fDocument->LoadFromFile(path, [this](std::int32_t position) { ShowProgress(position); });
    if (!fDocument->Errors().empty()) {
        if (!reload) ShowLoadErrors();
        return false;
    }
    SetStatus("Searching events and persons...");
    fDocument->BuildIndexes();
    SetStatus("");
    if (!fDocument->Errors().empty()) {
        if (!reload) ShowLoadErrors();
        return false;
    }
    if (fDocument->CompetitionCount() == 0) {
        if (!reload) ShowMessageBox(Text("V", 4), true, false);
        return false;
    }
    SetCaption(fDocument->FileName());
    EnableTag(1, true);

    QSignalBlocker quiet(fCompetitions);
    fCompetitions->clear();
    for (TOrvObject* competition : CollectionItems(*fDocument->Root(), otCOMPETITIONS)) {
        if (competition->Flags() & (16 | 32))
            fUi->acQuillon->setEnabled(false); // Quillon edits entries; results must not be changed
        char pool[32];
        std::snprintf(pool, sizeof pool, "%d", competition->ChildInt(otPL));
        std::string item = std::string(competition->ChildText(otNAME)) + ",  " +
                           std::string(competition->ChildText(otPLACE)) + "   ( " + pool + " " +
                           std::string(competition->ChildText(otPM)) + " )";
        fCompetitions->addItem(QString::fromStdString(item));
    }
    if (fCompetitions->count() > 0) {
        fCompetitions->setCurrentIndex(0);
        CbxCompetitionsChange();
        if (!reload) fCompetitions->setFocus();
    }
    return true;
}

void TfrmView::ReloadFile()
{
    if (fCurrentFile.empty()) return;
    // Read into a document of its own first, so that a half-written file leaves the shown results alone.
    std::string problem;
    {
        TOrvida trial;
        trial.LoadFromFile(fCurrentFile);
        if (trial.Errors().empty()) trial.BuildIndexes();
        if (!trial.Errors().empty())
            problem = trial.Errors().front();
        else if (trial.CompetitionCount() == 0)
            problem = Text("V", 4);
    }
    std::string time = QTime::currentTime().toString("HH:mm:ss").toStdString();
    if (!problem.empty()) {
        SetStatus(FormatText(Text("V", 33), {time, problem}));
        return;
    }

    int competition = fCompetitions->currentIndex();
    QStringList eventNode = NodePath(fUi->TrvEvents->currentItem());
    QStringList clubNode = NodePath(fUi->trvClubs->currentItem());
    TScrollPosition eventList(*fUi->pbEvents);
    TScrollPosition clubList(*fUi->pbClubs);
    QWidget* focus = QApplication::focusWidget();

    bool opened = OpenDocument(fCurrentFile, true);
    fLiveReload->Watch(fCurrentFile);
    if (!opened) {
        SetStatus(FormatText(Text("V", 33),
                             {time, fDocument->Errors().empty() ? Text("V", 4) : fDocument->Errors().front()}));
        return;
    }
    if (competition > 0 && competition < fCompetitions->count()) fCompetitions->setCurrentIndex(competition);
    // Selected without the browsers' delay, which would draw the list again scrolled to the top.
    auto select = [](QTreeWidget& tree, const QStringList& path) {
        QSignalBlocker quiet(&tree);
        QTreeWidgetItem* node = FindNodePath(tree, path);
        tree.setCurrentItem(node);
        if (node) tree.scrollToItem(node);
        return node;
    };
    fEvents->ShowEventList(select(*fUi->TrvEvents, eventNode));
    fParticipants->ShowParticipant(select(*fUi->trvClubs, clubNode));
    eventList.Restore(*fUi->pbEvents);
    clubList.Restore(*fUi->pbClubs);
    if (focus && focus->isVisible()) focus->setFocus();
    SetStatus(FormatText(Text("V", 32), {time}));
}

void TfrmView::CloseFile()
{
    SetCaption("");
    {
        QSignalBlocker quiet(fCompetitions);
        fCompetitions->clear();
    }
    fEvents->ClearEventsTree();
    fEvents->ShowEventList(nullptr);
    fParticipants->ShowParticipant(nullptr);
    fParticipants->ClearClubsTree();
    fEvents->ClearResultLists();
    fDocument->Clear();
    EnableTag(1, false);
    EnableTag(2, false);
    fUi->acCompetitionInfo->setEnabled(false);
    QApplication::processEvents();
}

void TfrmView::CbxCompetitionsChange()
{
    int index = fCompetitions->currentIndex();
    fUi->acCompetitionInfo->setEnabled(index >= 0);
    if (index >= 0) {
        fDocument->SelectCompetition(index);
        fEvents->ClearResultLists();
        fEvents->BuildEventsTree();
        fParticipants->BuildClubsTree();
        fEvents->SortResultLists();
        fEvents->ShowEventList(nullptr);
        fParticipants->ShowParticipant(nullptr);
    }
    SetStatus("");
}

bool TfrmView::LoadHelpText(int languageIndex, bool complain)
{
    std::string path = ProgramDataFile("veltro" + LanguageCode(languageIndex) + ".rtf");
    if (LoadRtfInto(fUi->reHelp, path)) return true;
    if (complain) ShowMessageBox(Text("G", 138), true, false);
    return false;
}

void TfrmView::OnLanguageChange()
{
    LoadVocabulary();
    LoadHelpText(GetLanguage().ScreenLanguage() > 1 ? 3 : 1, false);
    fEvents->ApplyHeaderTexts();
    fParticipants->ApplyHeaderTexts();
}

void TfrmView::OpenDialog()
{
    QString path = QFileDialog::getOpenFileName(
        this, "Load", QString::fromStdString(fOpenPath),
        "Korvan - files (*.ovf *.ovz);;Tidewell Format Files (*.twf);;All Files (*)", nullptr, QFileDialog::ReadOnly);
    if (path.isEmpty()) return;
    LoadFile(path.toStdString());
    fOpenPath = std::filesystem::path(path.toStdString()).parent_path().string();
    fOpenPathChosen = true;
}

void TfrmView::ShowCompetitionInfo()
{
    if (!fDocument->Competition()) return;
    kvn::ShowCompetitionInfo(this, *fDocument->Competition(), true);
}

void TfrmView::ShowAbout()
{
    kvn::ShowAbout(this);
}

void TfrmView::PrintShownList()
{
    TdlgDrucken dialog(this, ShownList(*this));
    dialog.exec();
}

void TfrmView::PrintResultBook()
{
    TdlgErgebnisbuch dialog(this, BookSource(*this));
    dialog.exec();
}

void TfrmView::RegisterExtensions()
{
    std::string reason;
    if (!RegisterFileExtensions("Veltro", ExecutablePath(), "KORVAN File", reason))
        ShowMessageBox(reason, true, false);
    else
        ShowMessageBox(Text("V", 8));
}

void TfrmView::OpenInQuillon()
{
    if (StartQuillon(ExecutableDir(), fCurrentFile)) close();
}

void TfrmView::RestoreSettings()
{
    TKvnIniFile& settings = SettingsFile();
    fOpenPath = settings.ReadString(kMain, "openPath", "");
    fRecentFiles->Read(settings);
    fUi->acAutoReload->setChecked(settings.ReadBool(kMain, "AutoReload", false));
    fSearch->ReadPosition(settings, kMain);
    int page = settings.ReadInteger(kMain, "pgcMain", pgHelp);
    ShowPage(std::clamp(page, 0, fUi->PgcMain->count() - 1));
    fEventsTree = new TKvnSplitterPane(*fUi->splEvents, settings.ReadInteger(kMain, "trvEvents", 300));
    fClubsTree = new TKvnSplitterPane(*fUi->splClubs, settings.ReadInteger(kMain, "trvClubs", 300));
    fEvents->LoadHeaderWidths();
    fParticipants->LoadHeaderWidths();
    fUi->chkEvSplit->setChecked(settings.ReadBool(kMain, "evSplit", false));
    fUi->chkEvOnlyValids->setChecked(settings.ReadBool(kMain, "evOnlyValids", false));
    fUi->chkTnSplit->setChecked(settings.ReadBool(kMain, "tnSplit", false));
    fUi->chkTnOnlyValids->setChecked(settings.ReadBool(kMain, "tnOnlyValids", false));
}

void TfrmView::SaveSettings() const
{
    TKvnIniFile& settings = SettingsFile();
    if (fOpenPathChosen) settings.WriteString(kMain, "openPath", fOpenPath);
    fRecentFiles->Write(settings);
    settings.WriteBool(kMain, "AutoReload", fUi->acAutoReload->isChecked());
    fSearch->WritePosition(settings, kMain);
    settings.WriteInteger(kMain, "pgcMain", fUi->PgcMain->currentIndex());
    settings.WriteInteger(kMain, "trvEvents", fEventsTree->Width());
    settings.WriteInteger(kMain, "trvClubs", fClubsTree->Width());
    fEvents->SaveHeaderWidths();
    fParticipants->SaveHeaderWidths();
    settings.WriteBool(kMain, "evSplit", fUi->chkEvSplit->isChecked());
    settings.WriteBool(kMain, "evOnlyValids", fUi->chkEvOnlyValids->isChecked());
    settings.WriteBool(kMain, "tnSplit", fUi->chkTnSplit->isChecked());
    settings.WriteBool(kMain, "tnOnlyValids", fUi->chkTnOnlyValids->isChecked());
}

void TfrmView::showEvent(QShowEvent* event)
{
    TKvnFormMainWindow::showEvent(event);
    if (fShownOnce) return;
    fShownOnce = true;
    SetCaption("");
    if (!fArguments.empty() && !fArguments[0].empty() && fArguments[0][0] != '$') {
        fLoadingFromCommandLine = true;
        SetStartupScreenText("Loading file " + fArguments[0]);
        LoadFile(fArguments[0]);
        fLoadingFromCommandLine = false;
        SetStartupScreenText("");
    }
    ReportMainWindowReady();
    // Questions belong over a window that the user can already see, not over an empty screen.
    CallWhenOnScreen(*this, [this] { AskFirstQuestions(); });
}

void TfrmView::AskFirstQuestions()
{
    TKvnIniFile& settings = SettingsFile();
    if (settings.ReadBool("Files", "AskRegExtension", true)) {
        if (AskYesNo(Text("V", 7))) RegisterExtensions();
        settings.WriteBool("Files", "AskRegExtension", false);
    }
    OfferPendingErrorReport();
}

void TfrmView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedResultFile(event->mimeData()).empty()) event->acceptProposedAction();
}

void TfrmView::dropEvent(QDropEvent* event)
{
    std::string path = DroppedResultFile(event->mimeData());
    if (path.empty()) return;
    event->acceptProposedAction();
    LoadFile(path);
}

void TfrmView::closeEvent(QCloseEvent* event)
{
    try {
        SaveSettings();
    } catch (const std::exception& failure) {
        // The window still closes; the user learns that the settings could not be kept.
        ShowMessageBox(failure.what(), true, false);
    }
    TKvnFormMainWindow::closeEvent(event);
}

} // namespace veltro

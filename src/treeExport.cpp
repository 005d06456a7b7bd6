#include "treeExport.h"

#include "eventsBrowser.h"
#include "kvnEncoding.h"
#include "kvnLanguage.h"
#include "kvnPaintbox.h"
#include "kvnStrings.h"
#include "kvnSwimLang.h"
#include "kvnUiHandlers.h"
#include "listHeader.h"
#include "orvida.h"
#include "participantsBrowser.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QTreeWidget>

#include <cstdio>
#include <filesystem>

namespace veltro {

using namespace kvn;

// The widgets exist only to carry the trees: nothing is shown, so the offscreen platform serves and no display is
// needed. An application that the caller has already made is used as it is.
class TOffscreenApplication {
public:
    TOffscreenApplication()
    {
        if (QCoreApplication::instance()) return;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        fApplication = std::make_unique<QApplication>(fArgc, fArgv);
        // Dates in the session nodes follow the system's conventions, as in the window.
        ApplyLocaleFormatSettings(QLocale::system());
    }

    // False when a non-widget application is running, on which no widgets can be made.
    static bool HasWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

private:
    int fArgc = 1;
    char fName[7] = "veltro";
    char* fArgv[2] = {fName, nullptr};
    std::unique_ptr<QApplication> fApplication;
};

namespace {

void WriteNodes(const QTreeWidgetItem* parent, int level, std::string& text)
{
    for (int i = 0; i < parent->childCount(); ++i) {
        const QTreeWidgetItem* node = parent->child(i);
        text += std::string(static_cast<std::size_t>(level), '\t') + node->text(0).toStdString() + "\n";
        WriteNodes(node, level + 1, text);
    }
}

// Chooses the language of the texts: the one asked for, else the program's own choice as at a normal start.
bool ChooseLanguage(const std::string& code, std::ostream& err)
{
    SetDefaultLanguage(3);
    TLanguage& language = GetLanguage();
    if (!code.empty()) {
        std::string wanted = Utf8Lower(code);
        int index = 0;
        while (index < kAutoLanguage && LanguageCode(index) != wanted)
            ++index;
        if (index == kAutoLanguage) {
            err << "veltro: unknown language code \"" << code << "\"\n";
            return false;
        }
        if (!language.LoadLanguage(index, false)) {
            err << "veltro: no language file for \"" << code << "\" (" << LanguageFileName(index) << ")\n";
            return false;
        }
        language.SetPrintLanguage(index);
    }
    LoadVocabulary();
    return true;
}

// Sets up language and application and opens the file; the status of the failure, 0 when the meet is open.
int Prepare(const TTreeExportRequest& request, std::unique_ptr<TOffscreenApplication>& application,
            std::unique_ptr<TOffscreenMeet>& meet, std::ostream& err)
{
    std::error_code failure;
    if (!std::filesystem::is_regular_file(request.FileName, failure)) {
        err << "veltro: cannot open the file " << request.FileName << "\n";
        return 2;
    }
    if (!ChooseLanguage(request.Language, err)) return 2;
    application = std::make_unique<TOffscreenApplication>();
    if (!TOffscreenApplication::HasWidgets()) {
        err << "veltro: the trees need a widget application\n";
        return 2;
    }
    meet = std::make_unique<TOffscreenMeet>();
    std::string message;
    int status = meet->Open(request.FileName, request.Competition - 1, message);
    if (status != 0) err << "veltro: " << message << "\n";
    return status;
}

std::string Unquoted(std::string text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
    return text;
}

bool ReadPositive(std::string_view text, int& value)
{
    return TryStrToInt(text, value) && value > 0;
}

} // namespace

TOffscreenMeet::TOffscreenMeet()
    : fDocument(std::make_unique<TOrvida>()), fHost(std::make_unique<QWidget>()),
      fEventsTree(new QTreeWidget(fHost.get())), fClubsTree(new QTreeWidget(fHost.get()))
{
    QWidget* host = fHost.get();
    fEvents = std::make_unique<TEventsBrowser>(TEventsPage{fEventsTree, new TkvnPaintBox(host), new TListHeader(host),
                                                           new QLabel(host), new QCheckBox(host), new QCheckBox(host)},
                                               *fDocument, nullptr, nullptr, nullptr);
    fParticipants = std::make_unique<TParticipantsBrowser>(
        TParticipantsPage{fClubsTree, new TkvnPaintBox(host), new TListHeader(host), new QLabel(host),
                          new QCheckBox(host), new QCheckBox(host)},
        *fDocument, fEvents->ResultLists(), nullptr, fNations, nullptr, nullptr);
}

TOffscreenMeet::~TOffscreenMeet()
{
    // The trees refer into the document and the browsers: they go first.
    fParticipants.reset();
    fEvents.reset();
    fHost.reset();
}

int TOffscreenMeet::Open(const std::string& path, int competition, std::string& message)
{
    std::error_code failure;
    if (!std::filesystem::is_regular_file(path, failure)) {
        message = "cannot open the file " + path;
        return 2;
    }
    fDocument->LoadFromFile(path);
    if (fDocument->Errors().empty()) fDocument->BuildIndexes();
    if (!fDocument->Errors().empty()) {
        message = path + " has errors and is not shown:";
        for (const std::string& line : fDocument->Errors())
            message += "\n  " + line;
        return 1;
    }
    int count = fDocument->CompetitionCount();
    if (count == 0) {
        message = path + " holds no competition";
        return 2;
    }
    if (competition < 0 || competition >= count) {
        message = "there is no competition " + std::to_string(competition + 1) + "; " + path + " holds " +
                  std::to_string(count);
        return 2;
    }
    // The order of the window: the events tree creates the lists that the participants tree fills.
    fDocument->SelectCompetition(competition);
    fEvents->ClearResultLists();
    fEvents->BuildEventsTree();
    fParticipants->BuildClubsTree();
    fEvents->SortResultLists();
    return 0;
}

std::vector<std::string> TOffscreenMeet::CompetitionTexts() const
{
    std::vector<std::string> texts;
    if (!fDocument->Root()) return texts;
    for (const TOrvObject* competition : CollectionItems(*fDocument->Root(), otCOMPETITIONS)) {
        char pool[32];
        std::snprintf(pool, sizeof pool, "%d", competition->ChildInt(otPL));
        texts.push_back(std::string(competition->ChildText(otNAME)) + ",  " +
                        std::string(competition->ChildText(otPLACE)) + "   ( " + pool + " " +
                        std::string(competition->ChildText(otPM)) + " )");
    }
    return texts;
}

std::string TreeText(const QTreeWidget& tree)
{
    std::string text;
    WriteNodes(tree.invisibleRootItem(), 0, text);
    return text;
}

QTreeWidgetItem* FindEventNode(const QTreeWidget& tree, int number, int ageGroup)
{
    for (int session = 0; session < tree.topLevelItemCount(); ++session) {
        QTreeWidgetItem* sessionNode = tree.topLevelItem(session);
        for (int i = 0; i < sessionNode->childCount(); ++i) {
            QTreeWidgetItem* eventNode = sessionNode->child(i);
            const TOrvObject* event = TEventsBrowser::ElementOf(eventNode);
            if (!event || event->Kind() != otEVENT || event->ChildInt(otNUM) != number) continue;
            if (ageGroup <= 0) return eventNode;
            return ageGroup <= eventNode->childCount() ? eventNode->child(ageGroup - 1) : nullptr;
        }
    }
    return nullptr;
}

std::vector<QTreeWidgetItem*> FindParticipantNodes(const QTreeWidget& tree, const std::string& text)
{
    std::vector<QTreeWidgetItem*> nodes;
    QString wanted = QString::fromStdString(text);
    for (QTreeWidgetItem* node : tree.findItems(wanted, Qt::MatchExactly | Qt::MatchCaseSensitive | Qt::MatchRecursive))
        nodes.push_back(node);
    return nodes;
}

int RunList(const TTreeExportRequest& request, std::ostream& out, std::ostream& err)
{
    std::unique_ptr<TOffscreenApplication> application;
    std::unique_ptr<TOffscreenMeet> meet;
    if (int status = Prepare(request, application, meet, err); status != 0) return status;
    out << "Competitions:\n";
    int number = 0;
    for (const std::string& text : meet->CompetitionTexts())
        out << ++number << '\t' << text << '\n';
    out << "Events of competition " << request.Competition << ":\n" << TreeText(meet->EventsTree());
    out << "Participants of competition " << request.Competition << ":\n" << TreeText(meet->ClubsTree());
    return 0;
}

TNamedNode::TNamedNode() = default;

TNamedNode::~TNamedNode() = default;

int TNamedNode::Open(const TTreeExportRequest& request, std::ostream& err)
{
    const std::string eventPrefix = "event:";
    const std::string participantPrefix = "participant:";
    bool byEvent = request.What.rfind(eventPrefix, 0) == 0;
    bool byParticipant = request.What.rfind(participantPrefix, 0) == 0;
    int number = 0;
    int ageGroup = 0;
    std::string participant;
    if (byEvent) {
        std::string eventPath = request.What.substr(eventPrefix.size());
        std::size_t slash = eventPath.find('/');
        bool valid = ReadPositive(eventPath.substr(0, slash), number) &&
                     (slash == std::string::npos || ReadPositive(eventPath.substr(slash + 1), ageGroup));
        if (!valid) {
            err << "veltro: \"" << request.What << "\" names no event; write event:NUM or event:NUM/K\n";
            return 2;
        }
    } else if (byParticipant) {
        participant = Unquoted(request.What.substr(participantPrefix.size()));
    } else {
        err << "veltro: \"" << request.What << "\" names no node; write event:NUM, event:NUM/K or participant:TEXT\n";
        return 2;
    }

    if (int status = OpenMeet(request, err); status != 0) return status;

    fEventsPage = byEvent;
    if (byEvent) {
        fNode = FindEventNode(fMeet->EventsTree(), number, ageGroup);
        if (!fNode) {
            err << "veltro: competition " << request.Competition << " has no "
                << (ageGroup > 0 ? "age group " + std::to_string(ageGroup) + " in event " : std::string("event "))
                << number << "\n";
            return 2;
        }
        return 0;
    }

    std::vector<QTreeWidgetItem*> nodes = FindParticipantNodes(fMeet->ClubsTree(), participant);
    std::vector<QTreeWidgetItem*> participants;
    for (QTreeWidgetItem* node : nodes)
        if (TParticipantsBrowser::Level(node) == 2) participants.push_back(node);
    // Relay teams are often called alike ("2. team"); "CLUB/TEXT" names the one of a club.
    if (std::size_t slash = participant.rfind('/'); participants.empty() && slash != std::string::npos) {
        std::string club = participant.substr(0, slash);
        for (QTreeWidgetItem* node : FindParticipantNodes(fMeet->ClubsTree(), participant.substr(slash + 1)))
            if (TParticipantsBrowser::Level(node) == 2 && node->parent()->text(0).toStdString() == club)
                participants.push_back(node);
    }
    if (participants.empty()) {
        err << "veltro: competition " << request.Competition << " has no athlete or relay team \"" << participant
            << "\"" << (nodes.empty() ? "" : " (a nation or club has that name)") << "\n";
        return 2;
    }
    if (participants.size() > 1)
        err << "veltro: " << participants.size() << " participants are called \"" << participant
            << "\"; the first in the tree is used\n";
    fNode = participants.front();
    return 0;
}

int TNamedNode::OpenMeet(const TTreeExportRequest& request, std::ostream& err)
{
    return Prepare(request, fApplication, fMeet, err);
}

int RunCopy(const TTreeExportRequest& request, std::ostream& out, std::ostream& err)
{
    TNamedNode named;
    if (int status = named.Open(request, err); status != 0) return status;
    TOffscreenMeet& meet = named.Meet();
    if (named.OnEventsPage())
        out << CopyEventList(named.Node(), meet.Events(), meet.Document(), request.Copy);
    else
        out << CopyParticipantList(named.Node(), meet.Document(), request.Copy);
    return 0;
}

} // namespace veltro

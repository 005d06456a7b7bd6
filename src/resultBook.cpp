#include "resultBook.h"

#include "eventsBrowser.h"
#include "kvnHTML.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPrint.h"
#include "kvnThrottle.h"
#include "orvida.h"
#include "participantsBrowser.h"
#include "resultLists.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QShowEvent>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

namespace veltro {

using namespace kvn;

namespace {

constexpr const char* kSettingsSection = "ResultBook";
constexpr int kHeadingPercent = 140;
// Entries of the contents box before the clubs.
constexpr int kFixedContents = 2;

TShownList ListsOf(const TBookSource& source)
{
    TShownList shown;
    shown.ResultLists = source.ResultLists;
    shown.Document = source.Document;
    shown.HasResults = source.ResultLists && source.ResultLists->HasAnyResult();
    return shown;
}

void AddEventParts(const QTreeWidget& tree, std::vector<TBookPart>& parts)
{
    int lists = 0;
    for (int s = 0; s < tree.topLevelItemCount(); ++s) {
        const QTreeWidgetItem* session = tree.topLevelItem(s);
        parts.push_back({true, session, session->text(0).toStdString(), "s" + std::to_string(s + 1)});
        for (int e = 0; e < session->childCount(); ++e) {
            const QTreeWidgetItem* event = session->child(e);
            parts.push_back({false, event, TResultsPrintJob::ListTitle(event, true), "e" + std::to_string(++lists)});
            for (int c = 0; c < event->childCount(); ++c) {
                const QTreeWidgetItem* ageGroup = event->child(c);
                parts.push_back(
                    {false, ageGroup, TResultsPrintJob::ListTitle(ageGroup, true), "e" + std::to_string(++lists)});
            }
        }
    }
}

void AddClubParts(const std::vector<const QTreeWidgetItem*>& clubs, std::vector<TBookPart>& parts)
{
    int lists = 0;
    int number = 0;
    for (const QTreeWidgetItem* club : clubs) {
        parts.push_back({true, club, club->text(0).toStdString(), "c" + std::to_string(++number)});
        for (int p = 0; p < club->childCount(); ++p) {
            const QTreeWidgetItem* participant = club->child(p);
            parts.push_back(
                {false, participant, TResultsPrintJob::ListTitle(participant, false), "p" + std::to_string(++lists)});
        }
    }
}

// The counts of the statistics page that are not 0, in its order, as one line.
std::string StatisticLine(const TClubStatistic& statistic)
{
    const std::pair<int, std::int32_t> counts[] = {{17, statistic.Athletes},    {18, statistic.IndividualEntries},
                                                   {19, statistic.TeamEntries}, {20, statistic.IndividualStarts},
                                                   {21, statistic.TeamStarts},  {14, statistic.Gold},
                                                   {15, statistic.Silver},      {16, statistic.Bronze},
                                                   {22, statistic.Finals},      {23, statistic.SemiFinals}};
    std::string line;
    for (const auto& [text, number] : counts) {
        if (number <= 0) continue;
        if (!line.empty()) line += ";  ";
        line += GetLanguage().GetText("V", text) + ": " + std::to_string(number);
    }
    return line;
}

} // namespace

std::vector<const QTreeWidgetItem*> ClubNodes(const QTreeWidget& clubsTree)
{
    std::vector<const QTreeWidgetItem*> clubs;
    for (int n = 0; n < clubsTree.topLevelItemCount(); ++n) {
        const QTreeWidgetItem* nation = clubsTree.topLevelItem(n);
        for (int c = 0; c < nation->childCount(); ++c)
            clubs.push_back(nation->child(c));
    }
    return clubs;
}

std::vector<TBookPart> BookParts(const TBookSource& source, const TBookChoice& choice)
{
    std::vector<TBookPart> parts;
    switch (choice.Contents) {
    case TBookContents::Competition:
        if (source.EventsTree) AddEventParts(*source.EventsTree, parts);
        break;
    case TBookContents::AllClubs:
        if (source.ClubsTree) AddClubParts(ClubNodes(*source.ClubsTree), parts);
        break;
    case TBookContents::OneClub:
        if (choice.Club) AddClubParts({choice.Club}, parts);
        break;
    }
    return parts;
}

TBookSource BookSource(TfrmView& window)
{
    Ui::TfrmView& form = window.Widgets();
    return {form.TrvEvents, form.trvClubs, &window.Events().ResultLists(), &window.Document()};
}

TResultBookJob::TResultBookJob(const TBookSource& source, const TBookChoice& choice)
    : fSource(source), fChoice(choice), fParts(BookParts(source, choice)), fLists(ListsOf(source))
{
}

void TResultBookJob::Attach(TKvnReport& report)
{
    report.OnInitReport = [this](TKvnReport& r) { InitReport(r); };
    report.OnOneExemplar = [this](TKvnReport& r) { OneExemplar(r); };
}

void TResultBookJob::InitReport(TKvnReport& report)
{
    fLists.InitReport(report);
    const TOrvObject* competition = fSource.Document ? fSource.Document->Competition() : nullptr;
    std::string title = competition ? std::string(competition->ChildText(otNAME)) : std::string();
    if (fChoice.Contents == TBookContents::OneClub && fChoice.Club)
        title = fChoice.Club->text(0).toStdString() + (title.empty() ? "" : ", " + title);
    report.Document().SetHtmlTitle({title});
}

void TResultBookJob::OneExemplar(TKvnReport& report)
{
    fLists.PrintCopy(report, [this, &report] {
        PrintIndex(report);
        TProgressThrottle throttle;
        for (const TBookPart& part : fParts) {
            if (report.Aborted()) return;
            if (throttle.ShouldShow(part.Title)) report.SetStatusLine(1, part.Title);
            PrintPart(report, part);
        }
    });
}

void TResultBookJob::PrintIndex(TKvnReport& report) const
{
    if (report.Mode() != rmHtml || fParts.empty()) return;
    auto link = [](const TBookPart& part) {
        return "<a href=\"#" + part.Anchor + "\">" + HtmlEncodeText(part.Title) + "</a>";
    };
    // As wide as the lists and aligned with them, also in a template that centres the page.
    report.HtmlBlock("<table width=100% border=0 cellspacing=0 cellpadding=0><tr><td align=left>");
    bool clubs = fChoice.Contents != TBookContents::Competition;
    for (const TBookPart& part : fParts) {
        // A club book links its clubs; the competition book each session and below it every list of the session.
        if (clubs && part.Heading)
            report.HtmlBlock(link(part) + "<br>");
        else if (part.Heading)
            report.HtmlBlock("<p><b>" + link(part) + "</b><br>");
        else if (!clubs)
            report.HtmlBlock("&nbsp;&nbsp;&nbsp;&nbsp;" + link(part) + "<br>");
    }
    report.HtmlBlock("</td></tr></table><br>");
}

void TResultBookJob::PrintPart(TKvnReport& report, const TBookPart& part) const
{
    report.Feed(5);
    if (part.Heading) {
        report.Feed(5);
        fLists.PrintTitle(report, part.Title, kHeadingPercent, part.Anchor);
        if (fChoice.Contents != TBookContents::Competition) PrintClubStatistic(report, part.Node);
        return;
    }
    if (fChoice.Contents == TBookContents::Competition)
        fLists.PrintEventsList(report, part.Node, fChoice.Options, part.Anchor);
    else
        fLists.PrintParticipantsList(report, part.Node, fChoice.Options, part.Anchor);
}

void TResultBookJob::PrintClubStatistic(TKvnReport& report, const QTreeWidgetItem* club) const
{
    const TClubStatistic* statistic = TParticipantsBrowser::StatisticOf(club);
    std::string line = statistic ? StatisticLine(*statistic) : std::string();
    if (line.empty()) return;
    report.SetColumns("L1000");
    report.PrintLine({line});
    report.Feed(5);
}

TdlgErgebnisbuch::TdlgErgebnisbuch(QWidget* parent, const TBookSource& source)
    : TkvnPrintDlg(parent), fSource(source), fContents(new QComboBox(this)), fSplits(new QCheckBox(this)),
      fOnlyValid(new QCheckBox(this))
{
    setWindowTitle(QString::fromUtf8(kErgebnisbuchCaption));
    QRect area = AddJobArea(64);
    auto* label = new QLabel(QStringLiteral("Inhalt:"), this);
    label->setObjectName(QStringLiteral("lblContents"));
    label->setGeometry(area.x(), area.y() + 3, 116, 20);
    label->setBuddy(fContents);
    fContents->setObjectName(QStringLiteral("cbxContents"));
    fContents->setGeometry(area.x() + 120, area.y(), area.width() - 120, 26);
    fContents->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fContents->addItems({QStringLiteral("Ganzer Wettkampf"), QStringLiteral("Alle Vereine")});
    fContents->setToolTip(QStringLiteral("Wettkampf oder Vereine, deren Listen das Buch enthält"));
    fSplits->setObjectName(QStringLiteral("chkSplits"));
    fSplits->setText(QStringLiteral("Zwischenzeiten/Namen"));
    fSplits->setGeometry(area.x(), area.y() + 34, area.width() / 2 - 4, 22);
    fOnlyValid->setObjectName(QStringLiteral("chkOnlyValids"));
    fOnlyValid->setText(QStringLiteral("Nur gültige Ergebnisse"));
    fOnlyValid->setGeometry(area.x() + area.width() / 2, area.y() + 34, area.width() / 2, 22);
    fSplits->setChecked(SettingsFile().ReadBool(kSettingsSection, "Splits", false));
    fOnlyValid->setChecked(SettingsFile().ReadBool(kSettingsSection, "OnlyValid", false));
    if (QWidget* options = findChild<QWidget*>(QStringLiteral("btnOptions"))) setTabOrder(options, fContents);
    setTabOrder(fContents, fSplits);
    setTabOrder(fSplits, fOnlyValid);

    // The job is made at the start of every run, from the choices of that moment.
    Report().OnInitReport = [this](TKvnReport& report) {
        SaveChoices();
        fJob = std::make_unique<TResultBookJob>(fSource, Choice());
        fJob->InitReport(report);
    };
    Report().OnOneExemplar = [this](TKvnReport& report) { fJob->OneExemplar(report); };
}

TBookChoice TdlgErgebnisbuch::Choice() const
{
    TBookChoice choice;
    choice.Options = {fSplits->isChecked(), fOnlyValid->isChecked()};
    int index = fContents->currentIndex();
    if (index == 1) {
        choice.Contents = TBookContents::AllClubs;
    } else if (index >= kFixedContents && index - kFixedContents < static_cast<int>(fClubs.size())) {
        choice.Contents = TBookContents::OneClub;
        choice.Club = fClubs[static_cast<std::size_t>(index - kFixedContents)];
    }
    return choice;
}

void TdlgErgebnisbuch::showEvent(QShowEvent* event)
{
    TkvnPrintDlg::showEvent(event);
    // After the translation, which replaces the items of the box by the form section's.
    AddClubs();
}

void TdlgErgebnisbuch::AddClubs()
{
    if (!fClubs.empty() || !fSource.ClubsTree) return;
    fClubs = ClubNodes(*fSource.ClubsTree);
    for (const QTreeWidgetItem* club : fClubs)
        fContents->addItem(club->text(0));
}

void TdlgErgebnisbuch::SaveChoices() const
{
    // Remembering the choices is a convenience; an unwritable settings file must not stop the book.
    try {
        SettingsFile().WriteBool(kSettingsSection, "Splits", fSplits->isChecked());
        SettingsFile().WriteBool(kSettingsSection, "OnlyValid", fOnlyValid->isChecked());
    } catch (const EKvnError&) {
    }
}

} // namespace veltro

#include "drucken.h"

#include "eventsBrowser.h"
#include "kvnFunctions.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnPrint.h"
#include "kvnStrings.h"
#include "kvnSwim.h"
#include "kvnWinX.h"
#include "orvida.h"
#include "participantsBrowser.h"
#include "splitBlock.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

namespace veltro {

using namespace kvn;

namespace {

const char* const kEventsLayout = "R100;L20;L350;L350;R100";
const char* const kParticipantsLayout = "R90;L30;L425;R100;C130;L100";
const char* const kLegsLayout = "L120;L235;R100;L15;L75;R100;R100";
const char* const kSplitsLayout = "L120;L75;R100;R100;L75;L75;R100;R100";

// The banner needs 15 mm above the list, more when the standard line is so tall that its lines would not fit.
constexpr int kBannerRoom = 150;
constexpr int kBannerTitlePercent = 180;
constexpr int kBannerNamePercent = 90;
constexpr int kBannerAddressPercent = 80;

std::string Text(std::string_view section, int n)
{
    return GetLanguage().GetText(section, n);
}

// The "PERSON" or "RELAY" that a result or entry belongs to, and the "CLUB" of a participant.
const TOrvAbstractObject* OwnerOf(const TOrvAbstractObject& item)
{
    return item.Parent() ? item.Parent()->Parent() : nullptr;
}

const TOrvAbstractObject* ObjectChild(const TOrvAbstractObject& owner, TOrvTagKind kind)
{
    const TOrvAbstractElement* child = owner.Child(kind);
    return child ? child->AsObject() : nullptr;
}

bool Skipped(const TOrvObject& item, const TCopyOptions& options)
{
    const TOrvDataElement* time = TimeOf(item);
    return item.Kind() != otENTRY && options.OnlyValid && (!time || time->TimeStatus() != 3);
}

// The cells and line feeds of one list element, collected before printing so that the element is kept on one page
// when it fits there.
class TPrintBlock {
public:
    struct TCell {
        int Column;
        std::string Text;
        TTextFlags Flags;
        bool Fit; // shortened to its column's width, where a text would run into the next column
    };
    struct TRow {
        std::string Layout;
        std::vector<TCell> Cells;
        int Feed = 0; // tenths of a line after the row
    };

    explicit TPrintBlock(std::string layout) { SetColumns(std::move(layout)); }

    // Column layout of the current row and the rows after it.
    void SetColumns(std::string layout)
    {
        fLayout = std::move(layout);
        fCurrent.Layout = fLayout;
    }

    // A text in a column of the current row; empty texts print nothing.
    void Cell(int column, std::string text, TTextFlags flags = 0)
    {
        if (!text.empty()) fCurrent.Cells.push_back({column, std::move(text), flags, false});
    }
    // A text that must not run into the next column: it is shortened to its own column.
    void FittedCell(int column, std::string text, TTextFlags flags = 0)
    {
        if (!text.empty()) fCurrent.Cells.push_back({column, std::move(text), flags, true});
    }

    // Ends the current row and moves down n tenths of a line.
    void Feed(int n)
    {
        fCurrent.Feed = n;
        fRows.push_back(std::move(fCurrent));
        fCurrent = TRow{fLayout, {}, 0};
    }

    // Prints the rows in the layout the report has now, which it has again afterwards. A new page comes first when
    // the rows do not fit on this one, and between rows when they do not fit on any page; newPage is called after
    // every page or text column that printing starts.
    void Print(TKvnReport& report, const std::function<void()>& newPage) const
    {
        std::string layout = report.ColumnsText();
        int height = 0;
        for (const TRow& row : fRows)
            height += row.Feed;
        bool first = true;
        for (const TRow& row : fRows) {
            if ((first || !row.Cells.empty()) && report.NeedSpace(first ? std::max(height, 10) : 10)) newPage();
            first = false;
            if (TColDivList(row.Layout).Text() != report.ColumnsText()) report.SetColumns(row.Layout);
            for (const TCell& cell : row.Cells)
                report.PrintCell(cell.Column, cell.Fit ? report.FitCell(cell.Column, cell.Text, cell.Flags) : cell.Text,
                                 cell.Flags);
            report.Feed(row.Feed);
        }
        if (report.ColumnsText() != layout) report.SetColumns(layout);
    }

private:
    std::string fLayout;
    TRow fCurrent;
    std::vector<TRow> fRows;
};

// A time by its status: valid bold, invalid italic, entry times plain, late times not at all.
void AddTimeCell(TPrintBlock& block, int column, const TOrvDataElement* time)
{
    if (!time) return;
    TTextFlags flags = 0;
    switch (time->TimeStatus()) {
    case 1:
        flags = tfItalic;
        break;
    case 2:
        return;
    case 3:
        flags = tfBold;
        break;
    default:
        break;
    }
    TSwimTime value = time->TimeValue(4);
    if (value > 0) block.Cell(column, SwimTimeToStr(value, true), flags);
}

std::string DistanceLabel(std::string_view distance, const TOrvida& document)
{
    return std::string(distance) + document.PoolUnit() + ":";
}

// Each member on the line of the first split of the leg, the splits of the leg below, and the leg time on the line
// of its last split.
void AddRelayLegs(TPrintBlock& block, const TOrvAbstractObject& positions, const TOrvAbstractObject* splits,
                  const TOrvAbstractObject& event, long long step, const TOrvida& document)
{
    block.SetColumns(kLegsLayout);
    int legCount = event.ChildInt(otDISCNT);
    long long legDistance = event.ChildInt(otDIS);
    std::map<int, const TOrvAbstractObject*> legs = RelayLegs(positions, legCount);
    TSwimTime last = 0;
    TSwimTime legStart = 0;
    bool pending = false;
    for (long long x = 0; x < legDistance * legCount; x += step) {
        auto leg = legs.find(static_cast<int>(x / legDistance));
        if (x % legDistance == 0 && leg != legs.end()) {
            if (pending) block.Feed(10);
            const TOrvObject* swimmer = document.FindPerson(leg->second->ChildInt(otPID));
            pending = swimmer != nullptr;
            if (swimmer) block.FittedCell(1, document.ParticipantTitle(*swimmer, false));
        }
        long long distance = x + step;
        std::string distanceText = std::to_string(distance);
        const TOrvDataElement* split = SplitAt(splits, distanceText);
        TSwimTime time = split ? split->TimeValue(4) : 0;
        if (time <= 0) continue;
        TTextFlags flags = split->TimeStatus() == 1 ? TTextFlags{tfItalic} : 0;
        block.Cell(4, DistanceLabel(distanceText, document));
        block.Cell(5, SwimTimeToStr(time, true), flags);
        block.Cell(6, Bracketed(SwimTimeDiff(time, last)), flags);
        if (distance % legDistance == 0) {
            // A leg of one split has its time beside that split already.
            if (last != legStart) block.Cell(2, SwimTimeToStr(SwimTimeDiff(time, legStart), true), flags);
            legStart = time;
        }
        last = time;
        block.Feed(10);
        pending = false;
    }
    block.Feed(pending ? 15 : 5);
}

// The splits in two columns, the first half (rounded up) on the left, each with the lap time to the split before.
void AddSplitColumns(TPrintBlock& block, const std::vector<const TOrvDataElement*>& splits, const TOrvida& document)
{
    block.SetColumns(kSplitsLayout);
    int count = static_cast<int>(splits.size());
    int rows = std::max(1, (count + 1) / 2);
    for (int row = 0; row < rows; ++row) {
        for (int half = 0; half < 2; ++half) {
            int k = row + half * rows;
            if (k >= count) continue;
            const TOrvDataElement& split = *splits[static_cast<std::size_t>(k)];
            int column = 4 * half;
            block.Cell(column + 1, DistanceLabel(split.AttributeValue(ovaDIS), document));
            TTextFlags flags = split.TimeStatus() == 3 ? 0 : TTextFlags{tfItalic};
            TSwimTime time = split.TimeValue(4);
            block.Cell(column + 2, SwimTimeToStr(time, true), flags);
            TSwimTime previous = k > 0 ? splits[static_cast<std::size_t>(k - 1)]->TimeValue(4) : 0;
            if (previous + time > 0) block.Cell(column + 3, Bracketed(SwimTimeDiff(time, previous)), flags);
        }
        block.Feed(10);
    }
    block.Feed(5);
}

// The split times (two columns) or the relay legs of a result or entry; nothing when it has neither. A relay whose
// race cannot be walked by the pool length has its splits listed like an athlete's, as on screen.
void AddSplitsAndLegs(TPrintBlock& block, const TOrvAbstractObject& item, const TOrvAbstractObject* event,
                      const TOrvida& document)
{
    const TOrvAbstractObject* splits = ObjectChild(item, otSPLITS);
    const TOrvAbstractObject* positions = ObjectChild(item, otPOSITIONS);
    if (!splits && !positions) return;
    long long step = RelayStepLength(positions, event, document);
    if (step > 0)
        AddRelayLegs(block, *positions, splits, *event, step, document);
    else
        AddSplitColumns(block, SortedSplits(splits), document);
}

} // namespace

TShownList ShownList(TfrmView& window)
{
    Ui::TfrmView& form = window.Widgets();
    TShownList shown;
    shown.EventsPage = form.PgcMain->currentIndex() == TfrmView::pgEvents;
    shown.EventNode = form.TrvEvents->currentItem();
    shown.ParticipantNode = form.trvClubs->currentItem();
    shown.EventOptions = {form.chkEvSplit->isChecked(), form.chkEvOnlyValids->isChecked()};
    shown.ParticipantOptions = {form.chkTnSplit->isChecked(), form.chkTnOnlyValids->isChecked()};
    shown.ResultLists = &window.Events().ResultLists();
    shown.Document = &window.Document();
    shown.HasResults = window.HasResults();
    return shown;
}

TResultsPrintJob::TResultsPrintJob(TShownList shown) : fShown(shown) {}

TdlgDrucken::TdlgDrucken(QWidget* parent, TShownList shown) : TkvnPrintDlg(parent), fJob(shown)
{
    setWindowTitle(QString::fromUtf8(kDruckenCaption));
    fJob.Attach(Report());
}

void TResultsPrintJob::Attach(TKvnReport& report)
{
    report.OnInitReport = [this](TKvnReport& r) { InitReport(r); };
    report.OnOneExemplar = [this](TKvnReport& r) { OneExemplar(r); };
}

void TResultsPrintJob::InitReport(TKvnReport& report)
{
    TKvnDocument& document = report.Document();
    document.SetHeadLeft({});
    document.SetHeadRight({});
    // The banner is drawn in the margin, so an HTML page takes its title from here.
    document.SetHtmlTitle({ListTitle()});
    fSavedTop = document.MarginTop();
    fBannerHeight = std::max(kBannerRoom, 3 * document.LineHeight());
}

void TResultsPrintJob::OneExemplar(TKvnReport& report)
{
    PrintCopy(report, [this, &report] {
        if (fShown.EventsPage)
            PrintEventsList(report, fShown.EventNode, fShown.EventOptions);
        else
            PrintParticipantsList(report, fShown.ParticipantNode, fShown.ParticipantOptions);
    });
}

void TResultsPrintJob::PrintCopy(TKvnReport& report, const std::function<void()>& content) const
{
    TKvnDocument& document = report.Document();
    // The raised margin must not outlive the copy, also when printing fails: the next run would save it.
    struct TRestoreTop {
        TKvnDocument& Document;
        int Top;
        ~TRestoreTop() { Document.SetMarginTop(Top); }
    } restore{document, fSavedTop};
    report.SetPageNo(1);
    document.SetMarginTop(fSavedTop + fBannerHeight);
    report.StartPage();
    PrintBanner(report);
    PrintHeadingLines(report);
    content();
}

void TResultsPrintJob::KeepRoom(TKvnReport& report, int n) const
{
    if (report.NeedSpace(n)) PrintBanner(report);
}

std::string TResultsPrintJob::ListTitle() const
{
    return ListTitle(fShown.EventsPage ? fShown.EventNode : fShown.ParticipantNode, fShown.EventsPage);
}

std::string TResultsPrintJob::ListTitle(const QTreeWidgetItem* node, bool eventsTree)
{
    if (!node) return {};
    std::string title = node->text(0).toStdString();
    const TOrvObject* element = eventsTree ? TEventsBrowser::ElementOf(node) : nullptr;
    if (element && element->Kind() == otCAT && node->parent())
        title = node->parent()->text(0).toStdString() + ", " + title;
    return title;
}

void TResultsPrintJob::PrintBanner(TKvnReport& report) const
{
    std::string title = Text("V", fShown.HasResults ? 1 : 2);
    std::string name = GetSystemInfo().ApplicationTitle();
    std::string address = SettingsFile().ReadString(kWebAddressSection, kWebAddressKey, kDefaultWebAddress);
    if (report.Mode() == rmHtml) {
        // A page that never breaks has its banner once, as the first row of the page.
        report.SetColumns("L700;R300");
        report.SetFontPercent(120);
        report.PrintCell(0, title, tfBold);
        report.SetFontPercent(kBannerAddressPercent);
        report.PrintCell(1, name, tfBold);
        report.Feed(10);
        if (!address.empty()) report.PrintCell(1, address);
        report.Feed(10);
        report.SetFontPercent(100);
        report.SetColumns("");
        report.HLine(3);
        return;
    }
    // One banner across the top of the page, above every text column, in the room the raised margin left.
    if (report.ColumnIndex() != 0) return;
    const TKvnDocument& document = report.Document();
    int line = document.LineHeight();
    int left = document.MarginLeft();
    int right = document.PageWidth() - document.MarginRight();
    int rule = fSavedTop + fBannerHeight - line / 2;
    int size = report.FontSize();
    // The texts stand on the rule: the title large at the left, the program and its web address at the right.
    report.SetFontPercent(kBannerTitlePercent);
    report.TextAt(left, rule - MulDiv(line, 20, 10), tfBold, title);
    int addressTop = rule - MulDiv(line, 10, 10);
    if (!address.empty()) {
        report.SetFontPercent(kBannerAddressPercent);
        report.TextAt(right, addressTop, tfRight, address);
    } else {
        addressTop = rule - MulDiv(line, 2, 10);
    }
    report.SetFontPercent(kBannerNamePercent);
    report.TextAt(right, addressTop - MulDiv(line, 9, 10), tfRight | tfBold, name);
    report.SetFontSize(size);
    if (IKvnCanvas* canvas = report.Canvas()) {
        canvas->SetBrushColor(0x000000);
        report.FillRectAt(left, rule, right, rule + std::max(2, MulDiv(line, 3, 50)));
        canvas->SetBrushColor(0xFFFFFF);
    }
}

void TResultsPrintJob::PrintHeadingLines(TKvnReport& report) const
{
    const TOrvida& document = *fShown.Document;
    const TOrvObject* competition = document.Competition();
    if (competition) {
        report.SetColumns("L700;R300");
        report.PrintLine({std::string(competition->ChildText(otNAME)), std::string(competition->ChildText(otPLACE))},
                         tfBold);
        std::string pool(competition->ChildText(otPL));
        if (!pool.empty()) pool += document.PoolUnit();
        report.PrintLine({FormatDateRange(true, document.FirstDate(), document.LastDate()), pool}, tfBold);
    }
    report.SetColumns("");
    report.HLine(3);
    report.Feed(10);
}

void TResultsPrintJob::PrintTitle(TKvnReport& report, const std::string& title, int percent,
                                  const std::string& anchor) const
{
    // A title at the foot of a page would stand apart from what it heads.
    KeepRoom(report, 30 + percent / 10);
    report.SetFontPercent(percent);
    report.SetColumns("L1000");
    if (!anchor.empty()) report.HtmlBlock("<a name=\"" + anchor + "\" id=\"" + anchor + "\"></a>");
    report.PrintLine({title}, tfBold);
    report.Feed(5);
    report.HtmlBreak();
    report.SetFontPercent(100);
}

void TResultsPrintJob::PrintEventsList(TKvnReport& report, const QTreeWidgetItem* node, const TCopyOptions& options,
                                       const std::string& anchor) const
{
    const TOrvida& document = *fShown.Document;
    const TOrvObject* element = TEventsBrowser::ElementOf(node);
    const TOrvObject* event = element;
    std::string key;
    if (element && element->Kind() == otCAT) {
        const TOrvAbstractObject* owner = OwnerOf(*element);
        event = owner ? owner->AsPlainObject() : nullptr;
        if (event) key = CategoryKey(event->Id(), element->Id());
    } else if (element && element->Kind() == otEVENT) {
        key = EventKey(element->Id());
    }
    PrintTitle(report, ListTitle(node, true), 120, anchor);
    report.SetColumns(kEventsLayout);
    const TResultLists::TList* list = key.empty() || !fShown.ResultLists ? nullptr : fShown.ResultLists->ListFor(key);
    if (!list || !event) return;
    bool withGender = event->ChildText(otSEX) == "X";
    for (const TOrvObject* item : *list) {
        if (Skipped(*item, options)) continue;
        const TOrvAbstractObject* participant = OwnerOf(*item);
        const TOrvAbstractObject* club = participant ? OwnerOf(*participant) : nullptr;
        TPrintBlock block(kEventsLayout);
        if (int rank = item->ChildInt(otRANK); rank > 0)
            block.Cell(0, std::to_string(rank) + ".");
        else if (int lane = item->ChildInt(otLANE); lane > 0)
            block.Cell(0, std::to_string(item->ChildInt(otHEAT)) + " / " + std::to_string(lane));
        if (participant) block.FittedCell(2, document.ParticipantTitle(*participant, withGender));
        if (club) block.FittedCell(3, std::string(club->ChildText(otNAME)));
        AddTimeCell(block, 4, TimeOf(*item));
        if (std::string comment(item->ChildText(otCOMMENT)); !comment.empty()) {
            block.Feed(10);
            block.Cell(2, comment, tfItalic);
        }
        block.Feed(10);
        bool relay = participant && participant->Kind() == otRELAY;
        if (options.Splits && (item->Kind() == otRESULT || relay)) AddSplitsAndLegs(block, *item, event, document);
        block.Print(report, [this, &report] { PrintBanner(report); });
    }
}

void TResultsPrintJob::PrintParticipantsList(TKvnReport& report, const QTreeWidgetItem* node,
                                             const TCopyOptions& options, const std::string& anchor) const
{
    const TOrvida& document = *fShown.Document;
    PrintTitle(report, ListTitle(node, false), 120, anchor);
    report.SetColumns(kParticipantsLayout);
    const TOrvAbstractObject* collection =
        node && TParticipantsBrowser::Level(node) == 2 ? TParticipantsBrowser::CollectionOf(node) : nullptr;
    const TOrvCollection* items = collection ? collection->AsCollection() : nullptr;
    if (!items) return;
    bool relayTeam = collection->Parent() && collection->Parent()->Kind() == otRELAY;
    for (const TOrvAbstractElement* child : *items) {
        const TOrvObject* item = child->AsPlainObject();
        if (!item || item->Kind() != items->ItemKind() || Skipped(*item, options)) continue;
        std::int32_t eventId = item->ChildInt(otEID);
        // A result whose event is missing keeps its time, rank and comment; the event's columns stay empty.
        const TOrvObject* event = document.FindEvent(eventId);
        const TOrvObject* category = document.FindCategory(eventId, item->ChildInt(otCID));
        TPrintBlock block(kParticipantsLayout);
        if (event) {
            block.Cell(0, Text("S", 18) + std::string(event->ChildText(otNUM)));
            std::string title = document.EventTitle(*event, nullptr);
            if (category) title += ", " + document.CategoryTitle(category);
            block.FittedCell(2, title);
        }
        AddTimeCell(block, 3, TimeOf(*item));
        std::string_view type = event ? event->ChildText(otTYPE) : std::string_view();
        std::string round;
        if (int rank = item->ChildInt(otRANK); rank > 0) {
            // Places in heats and semi-finals only lead to the final: plain.
            block.Cell(4, std::to_string(rank) + ".", TypeOccursIn(type, "SEM-PRE") ? 0 : TTextFlags{tfBold});
            if (event && type != "TIM" && !RoundName(*event).empty()) round = "(" + RoundName(*event) + ")";
        }
        if (int lane = item->ChildInt(otLANE); lane > 0) {
            std::string place =
                FormatText(Text("V", 3), {std::to_string(item->ChildInt(otHEAT)), std::to_string(lane)});
            // One text, so that a round and a heat do not print over each other.
            round = round.empty() ? place : round + "  " + place;
        }
        block.Cell(5, round);
        if (std::string comment(item->ChildText(otCOMMENT)); !comment.empty()) {
            block.Feed(10);
            block.Cell(2, comment, tfItalic);
        }
        block.Feed(10);
        if (options.Splits && (item->Kind() == otRESULT || relayTeam)) AddSplitsAndLegs(block, *item, event, document);
        block.Feed(3);
        block.Print(report, [this, &report] { PrintBanner(report); });
    }
}

} // namespace veltro

#include "kvnPrint.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "kvnFormatSettings.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnStrings.h"

namespace kvn {

namespace {

// Font sizes are kept within 1 and 1000 points, in tenths of a point.
constexpr int kMinFontSize = 10;
constexpr int kMaxFontSize = 10000;

// A page picture further than this from the paper's corner, in millimetres, cannot be meant to be seen.
constexpr int kMaxPicturePosition = 100000;

int ClampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Switches the language manager to the print language for the life of a run, and back also when the run fails.
class TPrintLanguage {
public:
    TPrintLanguage() { GetLanguage().UsePrintLanguage(); }
    ~TPrintLanguage()
    {
        try {
            GetLanguage().RestoreScreenLanguage();
        } catch (...) {
            // The run's own error, if any, is the one to report.
        }
    }
    TPrintLanguage(const TPrintLanguage&) = delete;
    TPrintLanguage& operator=(const TPrintLanguage&) = delete;
};

} // namespace

// Marks a run as going on and leaves the report idle afterwards, whether the run ends or fails: a preview page being
// recorded is finished, so that every page in PreviewPages can be shown, and the writer is freed.
class TKvnReport::TRunScope {
public:
    TRunScope(TKvnReport& report, TReportMode mode, const TReportStatus& status) : fReport(report)
    {
        if (report.fMode != rmNone) throw std::logic_error("a report run is already going on");
        report.fMode = mode;
        report.fStatus = &status;
    }
    ~TRunScope()
    {
        TKvnReport& r = fReport;
        if (r.fPreviewPage != nullptr) {
            try {
                r.fPreviewPage->Finish();
            } catch (...) {
                // The page stays as far as it was recorded.
            }
        }
        r.fPreviewPage = nullptr;
        r.fMode = rmNone;
        r.fStatus = nullptr;
        r.fPrinter = nullptr;
        r.fPreviewDevice = nullptr;
        r.fCanvas = nullptr;
        r.fHtml.reset();
        r.fPictures.clear();
        r.fPageOpen = false;
        r.fColumnIndex = 0;
    }
    TRunScope(const TRunScope&) = delete;
    TRunScope& operator=(const TRunScope&) = delete;

private:
    TKvnReport& fReport;
};

TKvnReport::TKvnReport(const IKvnPrinterInfo* printers)
    : fDocument(std::make_unique<TKvnDocument>("Hoch75", printers)), fFontSize(fDocument->BaseFontSize())
{
}

TKvnReport::~TKvnReport() = default;

void TKvnReport::SetClock(std::function<TDateTime()> now)
{
    fNow = std::move(now);
}

TDateTime TKvnReport::Now() const
{
    return fNow ? fNow() : LocalNow();
}

// ---------------------------------------------------------------------------------------------------------------
// Layout and lines

void TKvnReport::SetColumns(std::string_view layout)
{
    fDocument->SetColumns(layout);
    if (fMode == rmHtml && fHtml) fHtml->SetLayout(layout);
}

int TKvnReport::PageX(int gridX) const
{
    const TKvnDocument& doc = *fDocument;
    int width = doc.ColumnWidth();
    return doc.MarginLeft() + MulDiv(gridX, width, 1000) + fColumnIndex * (width + doc.ColGap());
}

int TKvnReport::PageY(int gridY) const
{
    return fDocument->MarginTop() + MulDiv(gridY, fDocument->LineHeight(), 10);
}

void TKvnReport::PrintLine(const std::vector<std::string>& cells, TTextFlags flags)
{
    NeedSpace(10);
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (!cells[i].empty()) PrintCell(static_cast<int>(i), cells[i], flags);
    Feed(10);
}

void TKvnReport::PrintCell(int col, std::string_view text, TTextFlags flags)
{
    if (fMode == rmHtml) {
        fHtml->Cell(col, text, flags);
        return;
    }
    const TColDiv& column = fDocument->Columns().At(col);
    IKvnCanvas& canvas = RequireCanvas();
    int x = column.Start;
    switch (column.Align) {
    case caLeft:
        flags |= tfLeft;
        break;
    case caRight:
        x = column.Start + column.Width;
        flags |= tfRight;
        break;
    case caCenter:
        x = column.Start + column.Width / 2;
        flags |= tfCenter;
        break;
    case caDecimal: {
        // Two digits stay free right of the point, measured in the current font as per mille of the column.
        int digits = MulDiv(MulDiv(canvas.TextWidth("00"), 254, fResolutionX), 1000, fDocument->ColumnWidth());
        x = column.Start + column.Width - digits;
        flags |= tfDecimal;
        break;
    }
    }
    if (x < 0) return;
    DrawText(DeviceX(PageX(x)), DeviceY(PageY(fCurY)), flags, text);
}

std::string TKvnReport::FitCell(int col, std::string_view text, TTextFlags flags)
{
    std::string fitted(text);
    if (fMode == rmHtml || fCanvas == nullptr) return fitted;
    const TColDiv& column = fDocument->Columns().At(col);
    TKvnFont font = PlainFont();
    font.Bold = (flags & tfBold) != 0;
    font.Italic = (flags & tfItalic) != 0;
    fCanvas->SetFont(font);
    int room =
        MulDiv(MulDiv(column.Width, fDocument->ColumnWidth(), 1000), fResolutionX, 254) - fCanvas->TextWidth(" ");
    if (fCanvas->TextWidth(fitted) > room) {
        const std::string ellipsis = "\u2026";
        for (std::size_t count = Utf8Length(text); count > 0; --count) {
            fitted = TrimRight(Utf8Left(text, count - 1)) + ellipsis;
            if (fCanvas->TextWidth(fitted) <= room) break;
        }
    }
    fCanvas->SetFont(PlainFont());
    return fitted;
}

void TKvnReport::Feed(int n)
{
    if (fMode == rmHtml) {
        for (int i = 0; i < n / 10; ++i)
            fHtml->LineBreak();
        return;
    }
    // Larger fonts advance further, so their lines do not overlap.
    fCurY = ClampToInt(fCurY + static_cast<long long>(n) * FontPercent() / 100);
}

int TKvnReport::BodyBottom() const
{
    const TKvnDocument& doc = *fDocument;
    int limit = doc.PrintableHeight() - doc.FootHeight();
    int lineHeight = doc.LineHeight();
    if (limit <= 0) return 0;
    int y = ClampToInt(static_cast<long long>(limit) * 10 / lineHeight);
    while (MulDiv(y + 1, lineHeight, 10) <= limit)
        ++y;
    while (y > 0 && MulDiv(y, lineHeight, 10) > limit)
        --y;
    return y;
}

int TKvnReport::HeadRoom() const
{
    // Half the body stays for the content, so a long header cannot shrink every page to a line or two.
    int body = BodyBottom();
    return std::max(0, std::min(body / 2, body - 10));
}

bool TKvnReport::NeedSpace(int n)
{
    if (fMode == rmHtml) return false;
    const TKvnDocument& doc = *fDocument;
    long long bottom = MulDiv(ClampToInt(static_cast<long long>(fCurY) + n), doc.LineHeight(), 10);
    if (bottom <= doc.PrintableHeight() - doc.FootHeight()) return false;
    // A column that has not moved past where a new one would begin gains nothing from a break: breaking anyway
    // would start empty page after empty page for a block taller than the body.
    if (fCurY <= fBodyTop) return false;
    NewPage();
    return true;
}

void TKvnReport::DrawRule(int w)
{
    IKvnCanvas& canvas = RequireCanvas();
    int pen =
        w >= 0 ? MulDiv(MulDiv(w, fResolutionY, 254), fDocument->LineHeight(), 50) : MulDiv(-w, fResolutionY, 254);
    int y = DeviceY(PageY(fCurY));
    canvas.Line(DeviceX(PageX(0)), y, DeviceX(PageX(1000)), y, pen);
}

void TKvnReport::HLine(int w)
{
    if (fMode == rmHtml) {
        fHtml->Rule();
        return;
    }
    RequireCanvas();
    fCurY += 1;
    if (w == -1) {
        DrawRule(3);
        fCurY += 2;
        w = 3;
    }
    DrawRule(w);
    fCurY += 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Fonts

TKvnFont TKvnReport::PlainFont() const
{
    const TKvnDocument& doc = *fDocument;
    TKvnFont font;
    font.Face = fFontPitch == fpVariable ? doc.VarFont() : doc.FixFont();
    font.PointSize = std::max(1, fFontSize / 10);
    font.FixedPitch = fFontPitch == fpFixed;
    return font;
}

void TKvnReport::ApplyFont()
{
    if (fCanvas != nullptr) fCanvas->SetFont(PlainFont());
}

void TKvnReport::SetFontPercent(int p)
{
    SetFontSize(MulDiv(fDocument->BaseFontSize(), p, 100));
    if (fMode == rmHtml && fHtml) fHtml->SetReqFont(p / 10);
}

int TKvnReport::FontPercent() const
{
    return MulDiv(fFontSize, 100, fDocument->BaseFontSize());
}

void TKvnReport::SetFontSize(int size)
{
    fFontSize = std::clamp(size, kMinFontSize, kMaxFontSize);
    ApplyFont();
}

void TKvnReport::SetPitch(TFontPitch pitch)
{
    fFontPitch = pitch;
    ApplyFont();
}

// ---------------------------------------------------------------------------------------------------------------
// Text

IKvnCanvas& TKvnReport::RequireCanvas()
{
    if (fCanvas == nullptr)
        throw std::logic_error("report output needs an open page; the print job must call StartPage first");
    return *fCanvas;
}

void TKvnReport::DrawText(int x, int y, TTextFlags flags, std::string_view text)
{
    IKvnCanvas& canvas = RequireCanvas();
    TKvnFont font = PlainFont();
    font.Bold = (flags & tfBold) != 0;
    font.Italic = (flags & tfItalic) != 0;
    canvas.SetFont(font);
    // Measuring lays the text out as drawing does again: only for the flags that need the width.
    bool measured = (flags & (tfCenter | tfRight | tfUnderline)) != 0;
    int width = measured ? canvas.TextWidth(text) : 0;
    // Centre and right together move the text by its width, so its right end sits at the anchor.
    int shift = width;
    if ((flags & tfCenter) != 0) {
        shift = width / 2;
        x -= shift;
    }
    if ((flags & tfRight) != 0) x -= shift;
    if ((flags & tfDecimal) != 0) {
        std::size_t dot = text.find('.');
        x -= dot == std::string_view::npos ? canvas.TextWidth(Trim(text)) : canvas.TextWidth(text.substr(0, dot + 1));
    }
    if ((flags & tfVertical) != 0) {
        font.Vertical = true;
        canvas.SetFont(font);
    }
    canvas.TextOut(x, y, text);
    if ((flags & tfUnderline) != 0) {
        int height = canvas.TextHeight(text);
        canvas.Line(x, y + height, x + width, y + height, height / 15);
    }
    canvas.SetFont(PlainFont());
}

void TKvnReport::TextAt(int x, int y, TTextFlags flags, std::string_view text)
{
    if (fMode == rmHtml) return;
    DrawText(DeviceX(x), DeviceY(y), flags, text);
}

void TKvnReport::FillRectAt(int left, int top, int right, int bottom)
{
    if (fMode == rmHtml) return;
    RequireCanvas().FillRect(DeviceX(left), DeviceY(top), DeviceX(right), DeviceY(bottom));
}

void TKvnReport::HtmlText(std::string_view text)
{
    if (fMode == rmHtml && fHtml) fHtml->RawLine(text);
}

void TKvnReport::HtmlBreak()
{
    if (fMode == rmHtml && fHtml) fHtml->LineBreak();
}

void TKvnReport::HtmlBlock(std::string_view markup)
{
    if (fMode == rmHtml && fHtml) fHtml->Block(markup);
}

std::string TKvnReport::ReplacePlaceholders(std::string_view text) const
{
    std::string result = ReplaceAll(text, "@PAGE@", IntToStr(fPageNo));
    if (result.find("@DATE@") != std::string::npos) result = ReplaceAll(result, "@DATE@", FormatDate(true, Now()));
    return ReplaceAll(result, "@TIME@", fTimeText);
}

void TKvnReport::PrintList(const std::vector<std::string>& lines, int x, int y, TTextFlags flags, int count)
{
    int step = FontPercent() / 10;
    int last = std::min(count, static_cast<int>(lines.size()));
    for (int i = 0; i < last; ++i) {
        std::string text = ReplacePlaceholders(lines[static_cast<std::size_t>(i)]);
        if (!text.empty()) DrawText(DeviceX(PageX(x)), DeviceY(PageY(y + i * step)), flags, text);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Pages

void TKvnReport::OpenPage()
{
    const TKvnDocument& doc = *fDocument;
    if (fMode == rmPreview) {
        int ppi = std::max(10, fPreviewDevice->ScreenResolution());
        int width = doc.PageWidth() * ppi / 254;
        int height = doc.PageHeight() * ppi / 254;
        std::unique_ptr<IKvnPreviewPage> page = fPreviewDevice->NewPage(width + 2, height + 2);
        if (!page) throw std::logic_error("the preview device made no page");
        fPreviewPages.push_back(std::move(page));
        fPreviewPage = fPreviewPages.back().get();
        fCanvas = &fPreviewPage->Canvas();
        // The paper's edge, and a shadow along its bottom and right edge in the two pixels the picture has spare.
        fCanvas->Line(0, 0, width - 1, 0, 1);
        fCanvas->Line(width - 1, 0, width - 1, height - 1, 1);
        fCanvas->Line(0, height - 1, width - 1, height - 1, 1);
        fCanvas->Line(0, 0, 0, height - 1, 1);
        fCanvas->Line(3, height, width, height, 3);
        fCanvas->Line(width, height, width, 3, 3);
    } else {
        if (fPrinter->Printing()) {
            fPrinter->NewPage();
        } else {
            fPrinter->SetOrientation(doc.Orientation());
            fPrinter->BeginDoc();
        }
        fCanvas = &fPrinter->Canvas();
    }
    fPageOpen = true;
    fResolutionX = std::max(10, fCanvas->ResolutionX());
    fResolutionY = std::max(10, fCanvas->ResolutionY());
    fOffsetX = fCanvas->OffsetX();
    fOffsetY = fCanvas->OffsetY();
    ApplyFont();
    DrawPictures();
}

std::shared_ptr<const TKvnPicture> TKvnReport::CachedPicture(const TImageEntry& entry)
{
    std::string key = (entry.IsGif() ? "g:" : "b:") + entry.File;
    auto found = fPictures.find(key);
    if (found != fPictures.end()) return found->second;
    std::shared_ptr<const TKvnPicture> picture;
    try {
        picture = std::make_shared<const TKvnPicture>(LoadPicture(entry.File, entry.IsGif()));
    } catch (const std::exception&) {
        // A picture that cannot be read is left out of the page, without a message.
    }
    fPictures.emplace(std::move(key), picture);
    return picture;
}

void TKvnReport::DrawPictures()
{
    const TKvnDocument& doc = *fDocument;
    // Pictures several times the paper's size are errors in the entry, and would only cost memory to draw.
    long long maxWidth = 4LL * MulDiv(doc.PageWidth(), fResolutionX, 254);
    long long maxHeight = 4LL * MulDiv(doc.PageHeight(), fResolutionY, 254);
    for (const std::string& line : doc.Images()) {
        TImageEntry entry = ParseImageEntry(line);
        if (entry.File.empty() || std::abs(entry.X) > kMaxPicturePosition || std::abs(entry.Y) > kMaxPicturePosition)
            continue;
        std::shared_ptr<const TKvnPicture> picture = CachedPicture(entry);
        if (!picture) continue;
        long long width = (static_cast<long long>(picture->Width) * entry.Scale * fResolutionX + 5000) / 10000;
        long long height = (static_cast<long long>(picture->Height) * entry.Scale * fResolutionY + 5000) / 10000;
        if (width < 1 || height < 1 || width > maxWidth || height > maxHeight) continue;
        int w = static_cast<int>(width);
        int h = static_cast<int>(height);
        int left = DeviceX(entry.X * 10);
        int top = DeviceY(entry.Y * 10);
        if (entry.Align == 1) left -= w;
        if (entry.Align == 2) left -= w / 2;
        try {
            fCanvas->DrawPicture(*picture, left, top, left + w, top + h);
        } catch (const std::exception&) {
            // As with loading: the page is printed without the picture.
        }
    }
}

void TKvnReport::StartPage()
{
    if (fMode == rmNone) throw std::logic_error("StartPage outside a print, preview or HTML run");
    TLanguage& language = GetLanguage();
    std::string status = language.GetText("G", 55) + IntToStr(fPageNo);
    if (fMode == rmPrinter)
        status += FormatText(language.GetText("G", 60), {IntToStr(fCopyIndex + 1), IntToStr(fCopies)});
    SetStatusLine(0, status);

    if (fMode != rmHtml) {
        const TKvnDocument& doc = *fDocument;
        if (!fPageOpen) OpenPage();
        if (fColumnIndex == 0 || doc.HeadOnColumn()) {
            SetPitch(fpVariable);
            SetFontSize(doc.BaseFontSize());
            SetFontPercent(doc.FootFontPercent());
            int lines = doc.FootLineCount();
            if (lines > 0) {
                // The last footer line lies just below the printable height, in the bottom margin.
                int first = doc.PrintableHeight() / doc.LineHeight() - lines + 1;
                int width = doc.ColumnWidth();
                int right = doc.HeadOnColumn()
                                ? 1000
                                : 1000 + MulDiv((width + doc.ColGap()) * (doc.ColCount() - 1), 1000, width);
                PrintList(doc.FootLeft(), 0, 10 * first, tfLeft, lines);
                PrintList(doc.FootCenter(), right / 2, 10 * first, tfCenter, lines);
                PrintList(doc.FootRight(), right, 10 * first, tfRight, lines);
            }
        }
    }
    SetFontPercent(100);
    fCurY = 0;
    fBodyTop = 0;
    if (OnStartPage) OnStartPage(*this);
}

void TKvnReport::PageHead(int pageNo)
{
    fPageNo = pageNo;
    if (fMode == rmHtml) {
        SetFontPercent(100);
        return;
    }
    StartPage();
    const TKvnDocument& doc = *fDocument;
    int fitting = 0;
    if (fColumnIndex == 0 || doc.HeadOnColumn()) {
        int lines = static_cast<int>(std::max(doc.HeadLeft().size(), doc.HeadRight().size()));
        // A header taller than half the body is cut there; its lines past that are left out.
        fHeadHeight = lines == 0 ? 0 : std::min(MulDiv(10 * lines + 15, FontPercent(), 100), HeadRoom());
        int step = FontPercent() / 10;
        fitting = step > 0 ? fHeadHeight / step : lines;
        PrintList(doc.HeadLeft(), 0, 0, tfLeft, fitting);
    }
    if (doc.HeadOnColumn()) {
        PrintList(doc.HeadRight(), 1000, 0, tfRight, fitting);
    } else if (fColumnIndex == 0) {
        // One header per page: its right part ends at the right edge of the page's last column.
        fColumnIndex = doc.ColCount() - 1;
        PrintList(doc.HeadRight(), 1000, 0, tfRight, fitting);
        fColumnIndex = 0;
    }
    fCurY = fHeadHeight;
    if (OnPageHead) {
        std::string layout = ColumnsText();
        int percent = FontPercent();
        OnPageHead(*this);
        SetColumns(layout);
        SetFontPercent(percent);
    }
    fBodyTop = fCurY;
}

void TKvnReport::NewPage()
{
    TFontPitch pitch = fFontPitch;
    int size = fFontSize;
    bool closed = EndPage(false);
    if (closed || fDocument->HeadOnColumn()) ++fPageNo;
    PageHead(fPageNo);
    SetPitch(pitch);
    SetFontSize(size);
}

bool TKvnReport::EndPage(bool final)
{
    if (!fPageOpen) return false;
    if (fMode != rmHtml && OnEndPage) OnEndPage(*this);
    ++fColumnIndex;
    bool finished = final || fColumnIndex >= fDocument->ColCount();
    if (finished) {
        fColumnIndex = 0;
        fPageOpen = false;
        if (fPreviewPage != nullptr) {
            fPreviewPage->Finish();
            fPreviewPage = nullptr;
        }
        fCanvas = nullptr;
    }
    fCurY = -1;
    return finished;
}

// ---------------------------------------------------------------------------------------------------------------
// Runs

bool TKvnReport::Aborted() const
{
    return fStatus != nullptr && fStatus->CheckAborted && fStatus->CheckAborted();
}

void TKvnReport::SetStatusLine(int line, const std::string& text) const
{
    if (fStatus != nullptr && fStatus->SetLine) fStatus->SetLine(line, text);
}

void TKvnReport::Run()
{
    fPictures.clear();
    fTimeText = FormatDateTime(FormatSettings().ShortTimeFormat, Now());
    TPrintLanguage language;
    fDocument->ResetHeads();
    SetColumns("");
    fPageOpen = false;
    fCanvas = nullptr;
    fColumnIndex = 0;
    fCurY = -1;
    fFontPitch = fpVariable;
    fFontSize = fDocument->BaseFontSize();
    if (OnInitReport) OnInitReport(*this);
    if (OnAllExemplare) {
        OnAllExemplare(*this);
        return;
    }
    fCurY = -1;
    fColumnIndex = 0;
    // A printer that makes copies itself gets the document once.
    fCopyIndex = fMode == rmPrinter && !fPrinter->CanCopy() ? 0 : fCopies - 1;
    while (fCopyIndex < fCopies && !Aborted()) {
        if (OnOneExemplar) OnOneExemplar(*this);
        EndPage(true);
        ++fCopyIndex;
    }
}

void TKvnReport::Print(IKvnReportPrinter& printer, const TReportStatus& status)
{
    TRunScope scope(*this, rmPrinter, status);
    SetStatusLine(0, GetLanguage().GetText("G", 97));
    fPrinter = &printer;
    fDocument->SaveSettings();
    printer.SetTitle(ApplicationTitle() + " - " + fCaption);
    if (printer.CanCopy()) printer.SetCopies(fCopies);
    try {
        Run();
    } catch (...) {
        // Half a document is not sent to the printer.
        if (printer.Printing()) printer.Abort();
        throw;
    }
    if (!printer.Printing()) return;
    if (Aborted())
        printer.Abort();
    else
        printer.EndDoc();
}

void TKvnReport::Preview(IKvnPreviewDevice& device, const TReportStatus& status)
{
    TRunScope scope(*this, rmPreview, status);
    SetStatusLine(0, GetLanguage().GetText("G", 97));
    ClearPreviewPages();
    fPreviewDevice = &device;
    Run();
}

void TKvnReport::WriteHtml(const TReportStatus& status)
{
    if (fHtmlFileName.empty()) throw EKvnError("no file name given for the HTML page");
    TRunScope scope(*this, rmHtml, status);
    std::string shortName = std::filesystem::path(fHtmlFileName).filename().string();
    SetStatusLine(0, FormatText(GetLanguage().GetText("G", 96), {shortName}));
    const TKvnDocument& doc = *fDocument;
    fHtml = std::make_unique<THtmlFile>(doc.Options().Contains(doChgOrientation) ? doc.HTMLWidth() : -1,
                                        doc.HtmlTemplate(), 10);
    fHtml->SetFontName(doc.VarFont());
    Run();
    // Half a page would pass for the whole one.
    if (Aborted()) return;

    int lines = doc.FootLineCount();
    if (lines > 0) {
        fHtml->SetReqFont(10);
        if (fHtml->State() != THtmlState::hsAfterRule) HLine(3);
        SetColumns("L333;C334;R333");
        const std::vector<std::string>* lists[] = {&doc.FootLeft(), &doc.FootCenter(), &doc.FootRight()};
        for (int i = 0; i < lines; ++i) {
            for (int cell = 0; cell < 3; ++cell) {
                const std::vector<std::string>& list = *lists[cell];
                if (static_cast<std::size_t>(i) < list.size())
                    PrintCell(cell, ReplacePlaceholders(list[static_cast<std::size_t>(i)]), 0);
            }
            Feed(10);
        }
    }
    if (fHtml->Title().empty()) {
        if (!doc.HtmlTitle().empty())
            fHtml->SetTitle(ReplacePlaceholders(doc.HtmlTitle().front()));
        else if (!doc.HeadLeft().empty())
            fHtml->SetTitle(ReplacePlaceholders(doc.HeadLeft().front()));
    }
    fHtml->SaveAs(fHtmlFileName);
}

} // namespace kvn

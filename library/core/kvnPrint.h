#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kvnDateTime.h"
#include "kvnFunctions.h"
#include "kvnHTML.h"
#include "kvnPictures.h"
#include "kvnPrintDocument.h"
#include "kvnTextFlags.h"

// The report engine: a print job hands over lines of cells, feeds and rules, and the engine lays them out in the
// columns of the document's layout, breaks pages and text columns, and draws headers, footers and pictures. The same
// calls go to a printer, to recorded preview pages or to one HTML page. Drawing goes through the canvas interfaces
// below, which the user interface implements on its toolkit.
//
// Coordinates: page coordinates are tenths of a millimetre from the paper's top-left corner. Grid coordinates, which
// print jobs use, measure x in per mille of one text column's width and y in tenths of a standard line from the top
// margin. Device coordinates are the canvas's pixels.

namespace kvn {

// A colour as 0xRRGGBB.
using TKvnColor = std::uint32_t;

// The face and style text is drawn with.
struct TKvnFont {
    std::string Face;
    int PointSize = 10; // whole points, at least 1
    bool Bold = false;
    bool Italic = false;
    bool Vertical = false;   // rotated by 90 degrees counter-clockwise, reading upwards
    bool FixedPitch = false; // the face is the fixed-pitch one; a stand-in for a missing face should be too
    bool operator==(const TKvnFont&) const = default;
};

// A drawing surface of one page.
class IKvnCanvas {
public:
    virtual ~IKvnCanvas() = default;
    // Uses font for the following text calls.
    virtual void SetFont(const TKvnFont& font) = 0;
    // Width of the text in the current font, in device pixels.
    virtual int TextWidth(std::string_view text) = 0;
    // Height of a line of the text in the current font, in device pixels.
    virtual int TextHeight(std::string_view text) = 0;
    // Draws the text in the current font and text colour with the top-left corner of its line at (x, y).
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    // Draws a black line from (x1, y1) to (x2, y2), penWidth device pixels wide (at least 1).
    virtual void Line(int x1, int y1, int x2, int y2, int penWidth) = 0;
    // Sets the colour of the following text.
    virtual void SetTextColor(TKvnColor color) = 0;
    // Sets the colour FillRect fills with; white until set.
    virtual void SetBrushColor(TKvnColor color) = 0;
    // Fills the rectangle from (left, top) to (right, bottom), both exclusive of the far edges, with the brush.
    virtual void FillRect(int left, int top, int right, int bottom) = 0;
    // Draws the picture stretched into the rectangle from (left, top) to (right, bottom).
    virtual void DrawPicture(const TKvnPicture& picture, int left, int top, int right, int bottom) = 0;
    // Device pixels per inch across and down.
    virtual int ResolutionX() const = 0;
    virtual int ResolutionY() const = 0;
    // Unprintable left and top edge of the paper in device pixels; device (0, 0) lies that far inside the paper.
    virtual int OffsetX() const = 0;
    virtual int OffsetY() const = 0;
};

// A printer that a report prints on, one print document at a time.
class IKvnReportPrinter {
public:
    virtual ~IKvnReportPrinter() = default;
    // True when the printer makes several copies of a document by itself.
    virtual bool CanCopy() const = 0;
    // Number of copies the printer makes of the next document.
    virtual void SetCopies(int copies) = 0;
    // Orientation of the next document: 0 portrait, 1 landscape.
    virtual void SetOrientation(int orientation) = 0;
    // Title of the next print job.
    virtual void SetTitle(const std::string& title) = 0;
    // True between BeginDoc and EndDoc or Abort.
    virtual bool Printing() const = 0;
    // Starts a print document on its first sheet; throws EKvnError when the printer cannot start.
    virtual void BeginDoc() = 0;
    // Moves the print document on to a new sheet.
    virtual void NewPage() = 0;
    // Finishes the print document and hands it to the printer.
    virtual void EndDoc() = 0;
    // Drops the print document; nothing of it is printed where the printer allows.
    virtual void Abort() = 0;
    // The canvas of the current sheet; only while Printing.
    virtual IKvnCanvas& Canvas() = 0;
};

// One recorded preview page.
class IKvnPreviewPage {
public:
    virtual ~IKvnPreviewPage() = default;
    // The canvas that records the page; only until Finish.
    virtual IKvnCanvas& Canvas() = 0;
    // Ends the recording; the page can be shown from then on. Further calls do nothing.
    virtual void Finish() = 0;
    // Size of the page picture in pixels.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

// Makes the pages of a preview.
class IKvnPreviewDevice {
public:
    virtual ~IKvnPreviewDevice() = default;
    // Pixels per inch of the screen the preview is shown on.
    virtual int ScreenResolution() const = 0;
    // A new page picture of width x height pixels, recording, whose canvas has the screen resolution and no
    // unprintable edge.
    virtual std::unique_ptr<IKvnPreviewPage> NewPage(int width, int height) = 0;
};

// The pictures of the last preview, one per page.
using TPreviewList = std::vector<std::unique_ptr<IKvnPreviewPage>>;

// Where a run sends its output.
enum TReportMode : std::uint8_t { rmNone, rmPrinter, rmPreview, rmHtml };

// Proportional (VarFont) or fixed-pitch (FixFont) face.
enum TFontPitch : std::uint8_t { fpVariable, fpFixed };

// Outputs that the print dialog offers for a report.
enum TPrnDlgOption : std::uint8_t { pdCanPreview, pdCanHTML };

// A set of TPrnDlgOption.
class TPrnDlgOptions {
public:
    constexpr TPrnDlgOptions() = default;
    constexpr TPrnDlgOptions(std::initializer_list<TPrnDlgOption> options)
    {
        for (TPrnDlgOption option : options)
            fBits = static_cast<std::uint8_t>(fBits | Bit(option));
    }
    // True when the option is in the set.
    constexpr bool Contains(TPrnDlgOption option) const { return (fBits & Bit(option)) != 0; }
    constexpr bool operator==(const TPrnDlgOptions&) const = default;

private:
    static constexpr unsigned Bit(TPrnDlgOption option) { return 1u << static_cast<unsigned>(option); }
    std::uint8_t fBits = 0;
};

class TKvnReport;

// A notification from a run, with the report.
using TReportEvent = std::function<void(TKvnReport&)>;

// What a run tells the status window and asks it; both may be empty.
struct TReportStatus {
    // Polled before every copy and at the end of a print run; true stops the run (no further copy starts).
    std::function<bool()> CheckAborted;
    // Shows text in status line number line.
    std::function<void(int line, const std::string& text)> SetLine;
};

class TKvnReport {
public:
    // A report with its own document (see TKvnDocument for printers).
    explicit TKvnReport(const IKvnPrinterInfo* printers = nullptr);
    ~TKvnReport();
    TKvnReport(const TKvnReport&) = delete;
    TKvnReport& operator=(const TKvnReport&) = delete;

    // Called once at the start of a run.
    TReportEvent OnInitReport;
    // Called once per copy to produce the content; it must open the copy's first page with StartPage.
    TReportEvent OnOneExemplar;
    // When set, called instead of the copy loop.
    TReportEvent OnAllExemplare;
    // Called at the end of every page (or text column) start.
    TReportEvent OnStartPage;
    // Called after the header of every page (or text column) that NewPage starts.
    TReportEvent OnPageHead;
    // Called at every page (or text column) end, except in HTML runs.
    TReportEvent OnEndPage;

    // The page settings; owned by the report.
    TKvnDocument& Document() { return *fDocument; }
    const TKvnDocument& Document() const { return *fDocument; }

    // Outputs the print dialog offers; preview and HTML until set.
    TPrnDlgOptions Options() const { return fOptions; }
    void SetOptions(TPrnDlgOptions options) { fOptions = options; }

    // Caption of the window the report belongs to; the print job's title is the application title and this.
    const std::string& Caption() const { return fCaption; }
    void SetCaption(std::string caption) { fCaption = std::move(caption); }

    // Copies a print run produces; at least 1.
    int Copies() const { return fCopies; }
    void SetCopies(int copies) { fCopies = copies < 1 ? 1 : copies; }

    // File that WriteHtml writes.
    const std::string& HtmlFileName() const { return fHtmlFileName; }
    void SetHtmlFileName(std::string fileName) { fHtmlFileName = std::move(fileName); }

    // Pages of the last preview; they stay until the next preview or ClearPreviewPages.
    const TPreviewList& PreviewPages() const { return fPreviewPages; }
    // Frees the pages of the last preview.
    void ClearPreviewPages() { fPreviewPages.clear(); }

    // Replaces the clock that gives the date and time of runs and placeholders (nullptr: the local time).
    void SetClock(std::function<TDateTime()> now);

    // Run state.
    TReportMode Mode() const { return fMode; }
    // Number that "@PAGE@" stands for; print jobs may set it.
    int PageNo() const { return fPageNo; }
    void SetPageNo(int pageNo) { fPageNo = pageNo; }
    // Copy being produced, from 0.
    int CopyIndex() const { return fCopyIndex; }
    // Text column of the page being filled, from 0.
    int ColumnIndex() const { return fColumnIndex; }
    // Grid y of the current line; -1 after a page end.
    int CurY() const { return fCurY; }
    void SetCurY(int y) { fCurY = y; }
    // Height of the page header in grid units.
    int HeadHeight() const { return fHeadHeight; }
    // True from StartPage to the EndPage that finishes the page.
    bool PageOpen() const { return fPageOpen; }
    TFontPitch FontPitch() const { return fFontPitch; }
    // Font size in tenths of a point.
    int FontSize() const { return fFontSize; }
    // Canvas of the open page (print jobs may set its colours); nullptr while no page is open.
    IKvnCanvas* Canvas() { return fCanvas; }
    // The HTML writer; only during an HTML run, else nullptr.
    THtmlFile* Html() { return fHtml.get(); }
    // Time of day at the start of the run in the short time format.
    const std::string& TimeText() const { return fTimeText; }
    // Resolution (at least 10) and unprintable offsets of the canvas of the open page.
    int ResolutionX() const { return fResolutionX; }
    int ResolutionY() const { return fResolutionY; }
    int OffsetX() const { return fOffsetX; }
    int OffsetY() const { return fOffsetY; }

    // Replaces the document's column layout; in HTML runs the writer takes it too.
    void SetColumns(std::string_view layout);
    // The current layout as text, for saving and restoring.
    std::string ColumnsText() const { return fDocument->ColumnsText(); }

    // Makes room for a line, prints every non-empty cell i into layout column i, then feeds one line.
    void PrintLine(const std::vector<std::string>& cells, TTextFlags flags = 0);
    // Prints text into layout column col of the current line, aligned as the column says; throws
    // std::out_of_range for a column outside the layout.
    void PrintCell(int col, std::string_view text, TTextFlags flags = 0);
    // The text shortened at its end, marked with an ellipsis, so that it fits into layout column col in the current
    // font with the style of flags and leaves a blank's width to the next column; unchanged when it fits, outside a
    // page and in HTML runs, whose cells wrap.
    std::string FitCell(int col, std::string_view text, TTextFlags flags = 0);
    // Moves down n tenths of a line of the current font size (HTML: n / 10 line breaks).
    void Feed(int n);
    // Starts a new page or text column when n tenths of a standard line no longer fit above the footer and a new
    // one would give more room; returns whether it did (never in HTML runs).
    bool NeedSpace(int n);
    // Draws a rule across the text column, w fiftieths of a line thick, or -w tenths of a millimetre for w < -1;
    // -1 draws a double rule.
    void HLine(int w);

    // Sets the font size to p per cent of the document's base size.
    void SetFontPercent(int p);
    // The font size in per cent of the base size.
    int FontPercent() const;
    // Sets the font size in tenths of a point (kept within 1 to 1000 points).
    void SetFontSize(int size);
    // Chooses the proportional or the fixed-pitch face.
    void SetPitch(TFontPitch pitch);

    // Opens a page if none is open (with its pictures), prints the footers of a new page or column, sets the
    // font to 100 % and y to 0.
    void StartPage();
    // Ends the text column or page and starts the next one with its header.
    void NewPage();
    // Starts page (or column) pageNo and prints its header.
    void PageHead(int pageNo);
    // Ends the text column, or the page when final or after the last column; returns whether the page ended.
    bool EndPage(bool final);

    // Draws text at page coordinates (X, Y) with the alignment and style of flags.
    void TextAt(int x, int y, TTextFlags flags, std::string_view text);
    // Fills a rectangle given in page coordinates with the canvas brush.
    void FillRectAt(int left, int top, int right, int bottom);
    // Draws text at device coordinates with the alignment and style of flags (see TTextFlags).
    void DrawText(int x, int y, TTextFlags flags, std::string_view text);
    // HTML runs only: adds a line of markup to the page.
    void HtmlText(std::string_view text);
    // HTML runs only: a line break.
    void HtmlBreak();
    // HTML runs only: ends the open table and adds a line of block markup (an index, an anchor) after it.
    void HtmlBlock(std::string_view markup);

    // True when the status window of the run asks to stop; long jobs poll it between their parts, and the run
    // stops after the copy (a print is dropped, an HTML page not written).
    bool Aborted() const;
    // Shows the text in status line number line of the run's status window, if it has one.
    void SetStatusLine(int line, const std::string& text) const;

    // The text with "@PAGE@", "@DATE@" and "@TIME@" replaced, in that order.
    std::string ReplacePlaceholders(std::string_view text) const;

    // Prints the report on printer (Copies copies) and ends the print document, or drops it when the run was
    // aborted or failed.
    void Print(IKvnReportPrinter& printer, const TReportStatus& status = {});
    // Records the report as pages on device into PreviewPages.
    void Preview(IKvnPreviewDevice& device, const TReportStatus& status = {});
    // Writes the report as one HTML page to HtmlFileName; throws EKvnError when there is no file name or the file
    // cannot be written.
    void WriteHtml(const TReportStatus& status = {});

private:
    class TRunScope;

    void Run();
    void OpenPage();
    void DrawPictures();
    void PrintList(const std::vector<std::string>& lines, int x, int y, TTextFlags flags, int count);
    void DrawRule(int w);
    TKvnFont PlainFont() const;
    void ApplyFont();
    TDateTime Now() const;
    IKvnCanvas& RequireCanvas();
    int PageX(int gridX) const;
    int PageY(int gridY) const;
    int DeviceX(int pageX) const { return MulDiv(pageX, fResolutionX, 254) - fOffsetX; }
    int DeviceY(int pageY) const { return MulDiv(pageY, fResolutionY, 254) - fOffsetY; }
    int BodyBottom() const;
    int HeadRoom() const;
    std::shared_ptr<const TKvnPicture> CachedPicture(const TImageEntry& entry);

    std::unique_ptr<TKvnDocument> fDocument;
    TPrnDlgOptions fOptions{pdCanPreview, pdCanHTML};
    std::string fCaption;
    int fCopies = 1;
    std::string fHtmlFileName;
    TPreviewList fPreviewPages;
    std::function<TDateTime()> fNow;

    TReportMode fMode = rmNone;
    const TReportStatus* fStatus = nullptr;
    IKvnReportPrinter* fPrinter = nullptr;
    IKvnPreviewDevice* fPreviewDevice = nullptr;
    IKvnPreviewPage* fPreviewPage = nullptr;
    IKvnCanvas* fCanvas = nullptr;
    std::unique_ptr<THtmlFile> fHtml;
    std::map<std::string, std::shared_ptr<const TKvnPicture>> fPictures;

    int fPageNo = 1;
    int fCopyIndex = 0;
    int fColumnIndex = 0;
    int fCurY = -1;
    int fBodyTop = 0; // grid y where the body of the current column began
    int fHeadHeight = 0;
    bool fPageOpen = false;
    TFontPitch fFontPitch = fpVariable;
    int fFontSize = 100;
    std::string fTimeText;
    int fResolutionX = 254;
    int fResolutionY = 254;
    int fOffsetX = 0;
    int fOffsetY = 0;
};

} // namespace kvn

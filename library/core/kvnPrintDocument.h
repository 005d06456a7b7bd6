#pragma once

#include "kvnFunctions.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kvnIniFiles.h"

// The paper side of one kind of print-out: paper, orientation, margins, text columns, type faces, header and footer
// lines, page pictures and the HTML settings, with the page geometry the report engine draws with. All lengths are
// integers in tenths of a millimetre unless a name says otherwise.

namespace kvn {

// ---------------------------------------------------------------------------------------------------------------
// Printers

// What paper detection needs to know about the printers; the user interface supplies the real one.
class IKvnPrinterInfo {
public:
    virtual ~IKvnPrinterInfo() = default;
    // True when at least one printer is installed.
    virtual bool HasPrinter() const = 0;
    // Device name of the selected printer, or "" when there is none or it cannot be asked.
    virtual std::string SelectedPrinterName() const = 0;
    // Windows paper-size code of the selected printer's current paper, or 0 when the printer cannot be read.
    virtual int SelectedPaperCode() const = 0;
};

// The printer information documents use unless they are given their own; until SetPrinterInfo it knows no printer.
const IKvnPrinterInfo& PrinterInfo();

// Makes info (not owned, must outlive its use) the process-wide printer information, nullptr restoring "no printer";
// returns the one installed before (nullptr for none).
const IKvnPrinterInfo* SetPrinterInfo(const IKvnPrinterInfo* info);

// ---------------------------------------------------------------------------------------------------------------
// Paper table

// One known paper: Windows paper-size code, name, and its sides.
struct TPaperFormat {
    int Code;
    const char* Name;
    int LongSide;
    int ShortSide;
};

// Row 0 stands for every paper the table does not know and has the size of A4.
inline constexpr std::array<TPaperFormat, 13> kPaperFormats{{
    {-1, "?", 2970, 2100},
    {8, "A3", 4200, 2970},
    {9, "A4", 2970, 2100},
    {11, "A5", 2100, 1485},
    {12, "B4", 3540, 2500},
    {13, "B5", 2570, 1820},
    {1, "US-Letter", 2794, 2159},
    {2, "Letter small", 2794, 2159},
    {5, "US-Legal", 3556, 2159},
    {7, "US-Exec.", 2667, 1841},
    {24, "C Sheet", 5588, 4318},
    {25, "D Sheet", 8636, 5588},
    {26, "E Sheet", 11176, 8636},
}};

// Row of the paper table for a Windows paper-size code, or 0 when the table does not know the code.
int PaperIndexOfCode(int code);

// ---------------------------------------------------------------------------------------------------------------
// Column layout

// Alignment of one column of a layout; the letter of a layout field is L, R, C or D.
enum TColAlign : std::uint8_t { caLeft, caRight, caCenter, caDecimal };

// One column of a layout, start and width in per mille of a text column's width.
struct TColDiv {
    int Start = 0;
    int Width = 0;
    TColAlign Align = caLeft;
    bool operator==(const TColDiv&) const = default;
};

// An ordered list of columns that always covers 0..1000 of a text column, built from a layout string such as
// "R100;L20;L350;L350;R100".
class TColDivList {
public:
    // One left-aligned column over the whole width.
    TColDivList();
    // The columns of the layout string; see Parse.
    explicit TColDivList(std::string_view layout);

    // Replaces the columns by those of a ";"-separated layout: empty fields are skipped, a field is an alignment
    // letter and a width, a width that is not a number (or is negative) counts as 0, the column that would pass 1000
    // is cut there and ends the layout, and a left-aligned filler takes what the fields leave free.
    void Parse(std::string_view layout);
    // The layout as text, every column (filler included) written as letter, width and ";".
    std::string Text() const;

    // Number of columns, filler included; never 0.
    int Count() const { return static_cast<int>(fItems.size()); }
    // Column index; throws std::out_of_range for an index outside 0..Count() - 1.
    const TColDiv& At(int index) const;
    // All columns in order.
    const std::vector<TColDiv>& Items() const { return fItems; }

private:
    std::vector<TColDiv> fItems;
};

// ---------------------------------------------------------------------------------------------------------------
// Page pictures

// One picture printed on every page, stored as "x;y;scale;alignment;file".
struct TImageEntry {
    int X = 5;        // millimetres from the left paper edge
    int Y = 5;        // millimetres from the top paper edge
    int Scale = 100;  // per cent; 100 draws the picture at 100 pixels per inch
    int Align = 0;    // 0: X is the left edge, 1: the right edge, 2: the centre
    std::string File; // picture file name

    // True when the file name ends in "GIF" in any letter case, so the picture is read as a GIF.
    bool IsGif() const;
};

// The entry of a stored line: missing or non-numeric fields read as 5, 5, 100 and 0, a scale below 1 as 100, an
// alignment outside 0..2 as 0, and the file name is the rest of the line, so it may itself hold ";".
TImageEntry ParseImageEntry(std::string_view line);

// The stored line of an entry.
std::string ImageEntryText(const TImageEntry& entry);

// ---------------------------------------------------------------------------------------------------------------
// Document

// What the user may change in a document's setup; bit 0 first.
enum TDocumentOption : std::uint8_t {
    doMultiCol,         // the column count
    doChgOrientation,   // the orientation
    doCanSetMargins,    // left, right and bottom margin and the footers
    doCanSetTopOfs,     // the top margin
    doNoFontChange,     // the type faces may NOT be changed
    doCanSetAddressPos, // the document has an address block whose position can be set
};

// A set of TDocumentOption.
class TDocumentOptions {
public:
    constexpr TDocumentOptions() = default;
    constexpr TDocumentOptions(std::initializer_list<TDocumentOption> options)
    {
        for (TDocumentOption option : options)
            Include(option);
    }
    // True when the option is in the set.
    constexpr bool Contains(TDocumentOption option) const { return (fBits & Bit(option)) != 0; }
    // Adds the option.
    constexpr void Include(TDocumentOption option) { fBits = static_cast<std::uint8_t>(fBits | Bit(option)); }
    // Removes the option.
    constexpr void Exclude(TDocumentOption option) { fBits = static_cast<std::uint8_t>(fBits & ~Bit(option)); }
    // The set as bits, bit 0 for doMultiCol.
    constexpr unsigned Bits() const { return fBits; }
    constexpr bool operator==(const TDocumentOptions&) const = default;

private:
    static constexpr unsigned Bit(TDocumentOption option) { return 1u << static_cast<unsigned>(option); }
    std::uint8_t fBits = 0;
};

// The standard layouts that ApplyPreset chooses from.
inline constexpr int kPresetPortrait = 0;  // portrait, one column
inline constexpr int kPresetLandscape = 1; // landscape, two columns

// The paper side of one kind of print-out (see the file comment). Setters store what they are given and SaveSettings
// writes it back unchanged; the getters of paper, margins and columns give the values in use, which are the stored
// ones brought into the range the current paper allows (negative lengths count as 0, margins and columns leave a
// usable text column, the footer leaves the body room), so the report engine never meets a degenerate page.
class TKvnDocument {
public:
    // A document with the defaults, the orientation names of the current language, the default header (ResetHeads)
    // and preset 0 on the paper of printers (nullptr: the process-wide PrinterInfo(), which must outlive it).
    explicit TKvnDocument(std::string name = "Hoch75", const IKvnPrinterInfo* printers = nullptr);

    // Key word under which the settings are stored.
    const std::string& Name() const { return fName; }
    // Sets the key word under which the settings are stored.
    void SetName(std::string name) { fName = std::move(name); }

    // Characters of the fixed-pitch face that fill one text column (kMinCharPerLine..kMaxCharPerLine in use).
    int FixCharPerLine() const;
    // Sets the characters per text column that determine the base font size.
    void SetFixCharPerLine(int count) { fFixCharPerLine = count; }

    // Width of HTML tables in pixels; -1 means widths in per cent.
    int HTMLWidth() const { return fHTMLWidth; }
    // Sets the width of HTML tables.
    void SetHTMLWidth(int width) { fHTMLWidth = width; }

    // What the user may change.
    TDocumentOptions Options() const { return fOptions; }
    // Sets the options; a set with doCanSetAddressPos loses doMultiCol and doChgOrientation.
    void SetOptions(TDocumentOptions options);

    // True when headers and footers are repeated for every text column instead of once per page.
    bool HeadOnColumn() const { return fHeadOnColumn; }
    // Sets whether headers and footers are repeated for every text column.
    void SetHeadOnColumn(bool value) { fHeadOnColumn = value; }

    // Device name of the printer whose paper was last detected.
    const std::string& PrinterName() const { return fPrinterName; }
    // Row of kPaperFormats in use.
    int PaperIndex() const { return fPaperIndex; }
    // Sets the paper row; an index outside the table selects row 0.
    void SetPaperIndex(int index);
    // The paper in use.
    const TPaperFormat& Paper() const { return kPaperFormats[static_cast<std::size_t>(fPaperIndex)]; }

    // 0 portrait, 1 landscape.
    int Orientation() const;
    // Sets the orientation (0 portrait, 1 landscape).
    void SetOrientation(int orientation) { fOrientation = orientation; }

    // Margins in use.
    int MarginLeft() const;
    int MarginRight() const;
    int MarginTop() const;
    int MarginBottom() const;
    // Set the margins.
    void SetMarginLeft(int value) { fMarginLeft = value; }
    void SetMarginRight(int value) { fMarginRight = value; }
    void SetMarginTop(int value) { fMarginTop = value; }
    void SetMarginBottom(int value) { fMarginBottom = value; }

    // Text columns per page in use: at least 1, and no more than leave each column a usable width.
    int ColCount() const;
    // Sets the number of text columns per page.
    void SetColCount(int count) { fColCount = count; }
    // Gap between text columns in use (at least 0).
    int ColGap() const;
    // Sets the gap between text columns.
    void SetColGap(int gap) { fColGap = gap; }

    // Position of the address block from the left and top paper edge.
    int AddrPosLeft() const { return fAddrPosLeft; }
    int AddrPosTop() const { return fAddrPosTop; }
    // Set the position of the address block.
    void SetAddrPosLeft(int value) { fAddrPosLeft = value; }
    void SetAddrPosTop(int value) { fAddrPosTop = value; }

    // Fixed-pitch type face.
    const std::string& FixFont() const { return fFixFont; }
    // Sets the fixed-pitch type face.
    void SetFixFont(std::string face) { fFixFont = std::move(face); }
    // Proportional type face.
    const std::string& VarFont() const { return fVarFont; }
    // Sets the proportional type face.
    void SetVarFont(std::string face) { fVarFont = std::move(face); }

    // File name of the HTML template; empty for none.
    const std::string& HtmlTemplate() const { return fHtmlTemplate; }
    // Sets the file name of the HTML template.
    void SetHtmlTemplate(std::string fileName) { fHtmlTemplate = std::move(fileName); }

    // Size of the footer text in per cent of the base font size (10..300 in use).
    int FootFontPercent() const;
    // Sets the size of the footer text in per cent.
    void SetFootFontPercent(int percent) { fFootFontPercent = percent; }

    // Header lines printed at the top left; may hold "@PAGE@", "@DATE@" and "@TIME@".
    const std::vector<std::string>& HeadLeft() const { return fHeadLeft; }
    void SetHeadLeft(std::vector<std::string> lines);
    // Header lines printed at the top right.
    const std::vector<std::string>& HeadRight() const { return fHeadRight; }
    void SetHeadRight(std::vector<std::string> lines);
    // Lines of which the first is the title of an HTML page.
    const std::vector<std::string>& HtmlTitle() const { return fHtmlTitle; }
    void SetHtmlTitle(std::vector<std::string> lines);
    // Footer lines printed left-aligned, centred and right-aligned; the setters split lines at line breaks, drop
    // trailing empty lines and keep at most kMaxListLines lines.
    const std::vector<std::string>& FootLeft() const { return fFootLeft; }
    void SetFootLeft(std::vector<std::string> lines);
    const std::vector<std::string>& FootCenter() const { return fFootCenter; }
    void SetFootCenter(std::vector<std::string> lines);
    const std::vector<std::string>& FootRight() const { return fFootRight; }
    void SetFootRight(std::vector<std::string> lines);
    // Page picture entries (ParseImageEntry); the setter treats the lines like the footer setters do.
    const std::vector<std::string>& Images() const { return fImages; }
    void SetImages(std::vector<std::string> lines);

    // The current column layout.
    const TColDivList& Columns() const { return fColumns; }
    // Replaces the layout: with repeat > 1 the layout is repeated that often with a left-aligned column of gap per
    // mille between the copies; repeat < 1 counts as 1.
    void SetColumns(std::string_view layout, int repeat = 1, int gap = 0);
    // The current layout as text.
    std::string ColumnsText() const { return fColumns.Text(); }
    // Start, width and alignment of layout column index; throw std::out_of_range outside 0..Columns().Count() - 1.
    int ColumnStart(int index) const { return fColumns.At(index).Start; }
    int ColumnWidthPm(int index) const { return fColumns.At(index).Width; }
    TColAlign ColumnAlign(int index) const { return fColumns.At(index).Align; }

    // Asks the printer information for the selected printer and its paper and sets PrinterName and PaperIndex
    // (row 0 without a printer or for unknown paper).
    void DetectPaper();
    // Paper detection, faces, orientation, margins, columns and gap of preset index (kPresetPortrait or
    // kPresetLandscape) as far as Options allow, address position and HTML settings to their defaults; footers,
    // pictures and footer size stay. Throws std::out_of_range for another index.
    void ApplyPreset(int index);
    // Empties the header lists and the HTML title and puts the word for page followed by "@PAGE@" into HeadRight.
    void ResetHeads();

    // Reads everything stored under Name from section "Printer"; without a stored margin key (or without a Name)
    // it applies preset 0 instead. Detects the paper at the end.
    void LoadSettings(const TKvnCustomIniFile& ini = SettingsFile());
    // Writes everything under Name to section "Printer", clearing list lines of longer earlier lists; a document
    // without a Name writes nothing. Throws EKvnError, before writing anything, for a value with a line break or a
    // Name that cannot be part of a key.
    void SaveSettings(TKvnCustomIniFile& ini = SettingsFile()) const;

    // Paper height and width as oriented.
    int PageHeight() const;
    int PageWidth() const;
    // Page height less top and bottom margin.
    int PrintableHeight() const;
    // Width of one text column.
    int ColumnWidth() const;
    // Base font size in tenths of a point (at least 20).
    int BaseFontSize() const;
    // Standard line height: 1.2 times the base font size (at least 1).
    int LineHeight() const;
    // Number of footer lines printed: the longest footer list, limited so that the body keeps room for at least
    // kMinBodyLines standard lines; print only this many lines of each footer list.
    int FootLineCount() const;
    // Height reserved for the footer: its lines plus four fifths of a line, or 0 without footer lines.
    int FootHeight() const;

    // One-line description for the setup dialog: paper, orientation and the size of a text column's body.
    std::string Description() const;

    // Portrait (0) and landscape (1) names shared by all documents, set from the language when one is created.
    static const std::string& OrientationName(int orientation);

    // Smallest base font size the geometry allows, in tenths of a point.
    static constexpr int kMinBaseFontSize = 20;
    // Standard lines that the body of a page keeps at least, below the top margin and above the footer.
    static constexpr int kMinBodyLines = 5;
    // FixCharPerLine in use is kept within these: fewer would make the standard line too tall for a usable body on
    // wide paper, more would leave no usable font on the smallest paper.
    static constexpr int kMinCharPerLine = 20;
    static constexpr int kMaxCharPerLine = 300;
    // Lines a footer or picture list keeps at most; the settings file is not read past this many either.
    static constexpr int kMaxListLines = 1000;

private:
    struct TGeometry;
    TGeometry Geometry() const;
    const IKvnPrinterInfo& Printers() const;

    std::string fName;
    int fFixCharPerLine = 75;
    int fHTMLWidth = -1;
    TDocumentOptions fOptions{doMultiCol, doChgOrientation, doCanSetMargins};
    bool fHeadOnColumn = false;
    const IKvnPrinterInfo* fPrinters = nullptr;

    std::string fPrinterName;
    int fPaperIndex = 0;
    int fOrientation = 0;
    int fMarginLeft = 0;
    int fMarginRight = 0;
    int fMarginTop = 0;
    int fMarginBottom = 0;
    int fColCount = 1;
    int fColGap = 0;
    int fAddrPosLeft = 1200;
    int fAddrPosTop = 500;
    std::string fFixFont = "Courier New";
    std::string fVarFont = "Arial";
    std::string fHtmlTemplate;
    int fFootFontPercent = 100;
    TColDivList fColumns;
    std::vector<std::string> fHeadLeft;
    std::vector<std::string> fHeadRight{""};
    std::vector<std::string> fHtmlTitle;
    std::vector<std::string> fFootLeft;
    std::vector<std::string> fFootCenter;
    std::vector<std::string> fFootRight;
    std::vector<std::string> fImages;
};

} // namespace kvn

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kvnDateTime.h"
#include "kvnTextFlags.h"

// The HTML side of a report run: every line printed under one column layout becomes one table row, and each column
// of that row one cell holding the column's texts joined by "<br>", so columns stay aligned without fixed-width
// fonts. At the end the collected body is wrapped into a template and saved as a UTF-8 page.

namespace kvn {

// What the writer produced last; the report engine asks for hsAfterRule to avoid two rules in a row.
enum class THtmlState : std::uint8_t {
    hsText = 0,       // plain text, no table open
    hsAfterRule = 1,  // the last output was a rule
    hsTable = 3,      // a table is open and no row is pending
    hsRowPending = 4, // cells or line breaks wait for the next row
};

// Highest cell index of a row.
inline constexpr int kHtmlMaxCell = 100;

// Name of the template looked up when none is set or the set one does not exist.
inline constexpr const char* kDefaultHtmlTemplate = "default.htt";

// Text as HTML: "&", "<" and ">" escaped, the accented letters of the entity table written as named entities and
// every pair of blanks as two non-breaking spaces.
std::string HtmlEncodeText(std::string_view text);

// Markup as HTML: like HtmlEncodeText but "&", "<" and ">" stay as they are, so the text may carry tags.
std::string HtmlEncodeRaw(std::string_view markup);

// The width of perMille per mille of the table: pixels when tableWidth > 0, else whole per cent with "%".
std::string HtmlWidthText(int tableWidth, int perMille);

// The style block with font sizes for the table width: body size defaultFont points, ids f3..f10 and f12.
std::string HtmlStyleBlock(int tableWidth, int defaultFont, std::string_view fontName);

// The six lines of the template used when no template file is found.
std::vector<std::string> BuiltInHtmlTemplate();

class THtmlFile {
public:
    // A writer for tables tableWidth pixels wide (-1 or 0: widths in per cent), the template file templateName
    // (empty: look for "default.htt") and the font number every cell starts with.
    THtmlFile(int tableWidth, std::string templateName, int defaultFont = 10);

    // Table width in pixels; -1 or 0 means per cent.
    int TableWidth() const { return fTableWidth; }
    // Font number assumed for every cell at the start of a row.
    int DefaultFont() const { return fDefaultFont; }
    // File name of the template as given at creation.
    const std::string& Template() const { return fTemplate; }

    // Font number (font percent / 10) that the following cell texts are written in.
    int ReqFont() const { return fReqFont; }
    // Sets the font number of the following cell texts.
    void SetReqFont(int font) { fReqFont = font; }

    // Face named in the style block.
    const std::string& FontName() const { return fFontName; }
    // Sets the face named in the style block.
    void SetFontName(std::string name) { fFontName = std::move(name); }

    // Plain text that replaces the template line "@TITLE@".
    const std::string& Title() const { return fTitle; }
    // Sets the page title (plain text; it is escaped when the page is composed).
    void SetTitle(std::string title) { fTitle = std::move(title); }

    // Date that replaces "@DATE@"; 0 means the day the page is composed.
    TDateTime PageDate() const { return fPageDate; }
    // Fixes the date that replaces "@DATE@" (0: the day the page is composed).
    void SetPageDate(TDateTime date) { fPageDate = date; }

    // Folders searched in order for "default.htt": beside the executable, then the installed data folder.
    const std::vector<std::string>& TemplateFolders() const { return fTemplateFolders; }
    // Replaces the folders searched for "default.htt".
    void SetTemplateFolders(std::vector<std::string> folders) { fTemplateFolders = std::move(folders); }

    // What the writer produced last.
    THtmlState State() const { return fState; }
    // True while a "<table" line has been written and not yet closed.
    bool TableOpen() const { return fTableOpen; }
    // The current column layout: letter and width of every column, a left filler up to 1000, joined by ";".
    const std::string& Layout() const { return fLayout; }
    // The page body written so far.
    const std::vector<std::string>& Lines() const { return fLines; }

    // Takes a column layout; a layout that differs from the current one ends the current table.
    void SetLayout(std::string_view layout);
    // Adds a text to cell index (0..100, else std::out_of_range) of the pending row, bold, italic and underlined
    // as flags say; alignment flags are ignored because the layout aligns the columns.
    void Cell(int index, std::string_view text, TTextFlags flags);
    // Ends the current line of every column of the pending row, or adds "<br>" outside a table.
    void LineBreak();
    // Ends the current table and adds a horizontal rule across the table width.
    void Rule();
    // Adds a line of markup to the body as it is, apart from the entity and blank encoding.
    void RawLine(std::string_view text);
    // Ends the current table and adds a line of markup after it, where block markup (a list, an anchor) belongs.
    void Block(std::string_view markup);
    // Writes the pending row into the current table, opening one when none is open; later rows of a table carry
    // no widths and merge long runs of empty cells.
    void FlushRow();

    // Ends the table and returns the whole page: the template around the body, the head block after "<head>".
    std::vector<std::string> ComposePage();
    // Composes the page and writes it to fileName in UTF-8 with CR LF line ends, replacing an existing file;
    // throws EKvnError when the file cannot be written or an existing template cannot be read.
    void SaveAs(const std::string& fileName);

private:
    struct TColumn {
        char Align = 'L';
        int Width = 0;
    };

    void EndTable();
    std::vector<std::string> LoadTemplate() const;
    std::string HeadBlock() const;
    void ClearCells();

    int fTableWidth;
    int fDefaultFont;
    int fReqFont = 10;
    std::string fFontName = "Arial";
    std::string fTemplate;
    std::string fTitle;
    TDateTime fPageDate = 0;
    std::vector<std::string> fTemplateFolders;
    std::string fLayout;
    std::vector<TColumn> fColumns;
    THtmlState fState = THtmlState::hsText;
    bool fTableOpen = false;
    bool fWidthsWritten = false;
    std::vector<std::string> fLines;
    std::array<std::string, kHtmlMaxCell + 1> fCells;
    // 0 untouched, 1 only line breaks, 2 has text
    std::array<std::uint8_t, kHtmlMaxCell + 1> fCellState{};
    std::array<int, kHtmlMaxCell + 1> fCellFont{};
};

} // namespace kvn

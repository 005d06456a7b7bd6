#include "kvnHTML.h"

#include "kvnFunctions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "kvnEncoding.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnStrings.h"

namespace fs = std::filesystem;

namespace kvn {

namespace {

// Templates are a few kilobytes; anything far larger is not a template.
constexpr std::uintmax_t kMaxTemplateSize = 16u << 20;

constexpr std::string_view kBreak = "<br>";

// Named entities of the accented letters, indexed by code point - U+00C0. Every such letter is the two UTF-8 bytes
// 0xC3 and 0x80 + index.
constexpr std::array<const char*, 64> kEntities = {
    nullptr,  nullptr,  nullptr,  nullptr,  "Auml",   nullptr,  nullptr, nullptr,  // U+00C0
    nullptr,  nullptr,  nullptr,  nullptr,  nullptr,  nullptr,  nullptr, nullptr,  // U+00C8
    nullptr,  nullptr,  nullptr,  nullptr,  nullptr,  nullptr,  "Ouml",  nullptr,  // U+00D0
    nullptr,  nullptr,  nullptr,  nullptr,  "Uuml",   nullptr,  nullptr, nullptr,  // U+00D8
    "agrave", "aacute", "acirc",  nullptr,  "auml",   nullptr,  nullptr, "ccedil", // U+00E0
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc", "iuml",   // U+00E8
    nullptr,  nullptr,  "ograve", "oacute", "ocirc",  nullptr,  "ouml",  nullptr,  // U+00F0
    nullptr,  "ugrave", "uacute", "ucirc",  "uuml",   nullptr,  nullptr, nullptr,  // U+00F8
};

std::string Encode(std::string_view text, bool escapeMarkup)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte == 0xC3 && i + 1 < text.size()) {
            auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0xBF && kEntities[next - 0x80] != nullptr) {
                out += '&';
                out += kEntities[next - 0x80];
                out += ';';
                ++i;
                continue;
            }
        }
        if (byte == ' ' && i + 1 < text.size() && text[i + 1] == ' ') {
            out += "&nbsp;&nbsp;";
            ++i;
            continue;
        }
        if (escapeMarkup) {
            if (byte == '&') {
                out += "&amp;";
                continue;
            }
            if (byte == '<') {
                out += "&lt;";
                continue;
            }
            if (byte == '>') {
                out += "&gt;";
                continue;
            }
        }
        out += static_cast<char>(byte);
    }
    return out;
}

// Font sizes in the style block shrink for narrow tables and grow for wide ones; -1 and 650..800 pixels keep the
// sizes as written. Sizes outside the table also stay as written.
int StyleFontSize(int tableWidth, int size)
{
    if (tableWidth == -1 || (tableWidth >= 650 && tableWidth <= 800)) return size;
    static constexpr std::array<int, 5> kWritten = {7, 8, 9, 10, 12};
    static constexpr std::array<int, 5> kNarrow = {5, 6, 7, 8, 10};
    static constexpr std::array<int, 5> kMedium = {6, 7, 8, 9, 12};
    static constexpr std::array<int, 5> kWide = {8, 9, 10, 11, 14};
    const std::array<int, 5>& sizes =
        tableWidth >= 1 && tableWidth <= 549 ? kNarrow : (tableWidth >= 550 && tableWidth <= 649 ? kMedium : kWide);
    for (std::size_t i = 0; i < kWritten.size(); ++i)
        if (kWritten[i] == size) return sizes[i];
    return size;
}

std::string StyleRule(std::string_view selector, std::string_view fontName, int size)
{
    std::string rule(selector);
    rule += " {font-family: ";
    rule += fontName;
    rule += ", helvetica; font-style:normal; font-size: ";
    rule += IntToStr(size);
    rule += "pt;}";
    return rule;
}

bool IsRegularFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

std::string ReadTemplateFile(const std::string& path)
{
    std::error_code error;
    std::uintmax_t size = fs::file_size(path, error);
    if (error) throw EKvnError("The HTML template \"" + path + "\" cannot be read: " + error.message());
    if (size > kMaxTemplateSize) throw EKvnError("The HTML template \"" + path + "\" is too large.");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EKvnError("The HTML template \"" + path + "\" cannot be opened: " + std::strerror(errno));
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (in.bad()) throw EKvnError("The HTML template \"" + path + "\" cannot be read.");
    // The file may have shrunk since its size was taken.
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

TDateTime Today()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return 0;
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

bool EndsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::vector<std::string> DefaultTemplateFolders()
{
    return {ExecutableDir(), InstalledDataDir()};
}

} // namespace

std::string HtmlEncodeText(std::string_view text)
{
    return Encode(text, true);
}

std::string HtmlEncodeRaw(std::string_view markup)
{
    return Encode(markup, false);
}

std::string HtmlWidthText(int tableWidth, int perMille)
{
    if (tableWidth > 0) return IntToStr(MulDiv(perMille, tableWidth, 1000));
    return IntToStr(perMille / 10) + "%";
}

std::string HtmlStyleBlock(int tableWidth, int defaultFont, std::string_view fontName)
{
    std::string block = "<STYLE><!--\r\n";
    block += StyleRule("BODY,TABLE,TD", fontName, StyleFontSize(tableWidth, defaultFont));
    static constexpr std::array<const char*, 9> kIds = {"#f3", "#f4", "#f5",  "#f6", "#f7",
                                                        "#f8", "#f9", "#f10", "#f12"};
    static constexpr std::array<int, 9> kSizes = {7, 7, 7, 7, 7, 8, 9, 10, 12};
    for (std::size_t i = 0; i < kIds.size(); ++i) {
        block += "\r\n";
        block += StyleRule(kIds[i], fontName, StyleFontSize(tableWidth, kSizes[i]));
    }
    block += "\r\n--></STYLE>";
    return block;
}

std::vector<std::string> BuiltInHtmlTemplate()
{
    return {
        "<!doctype html public \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
        "<html><head><title>",
        "@TITLE@",
        "</title></head><body><center>",
        "@BODY@",
        "</center></body></html>",
    };
}

THtmlFile::THtmlFile(int tableWidth, std::string templateName, int defaultFont)
    : fTableWidth(tableWidth), fDefaultFont(defaultFont), fTemplate(std::move(templateName)),
      fTemplateFolders(DefaultTemplateFolders())
{
    ClearCells();
    SetLayout("");
}

void THtmlFile::ClearCells()
{
    for (std::string& cell : fCells)
        cell.clear();
    fCellState.fill(0);
    fCellFont.fill(fDefaultFont);
}

void THtmlFile::SetLayout(std::string_view layout)
{
    // The columns are counted exactly as the report engine counts them (empty fields skipped, nothing past 1000,
    // a filler up to 1000), so cell i of the engine always lands in column i here.
    std::vector<TColumn> columns;
    int sum = 0;
    std::size_t start = 0;
    bool cut = false;
    while (start <= layout.size() && !cut) {
        std::size_t end = layout.find(';', start);
        if (end == std::string_view::npos) end = layout.size();
        std::string_view field = layout.substr(start, end - start);
        start = end + 1;
        if (field.empty()) continue;
        // One place stays free for the filler.
        if (columns.size() == kHtmlMaxCell) break;
        TColumn column;
        column.Align = field.front();
        column.Width = std::max(0, StrToIntDef(field.substr(1, 4), 0));
        if (sum + column.Width > 1000) {
            column.Width = 1000 - sum;
            cut = true;
        }
        sum += column.Width;
        columns.push_back(column);
    }
    if (sum < 1000) columns.push_back(TColumn{'L', 1000 - sum});

    std::string normalised;
    for (const TColumn& column : columns) {
        if (!normalised.empty()) normalised += ';';
        normalised += column.Align;
        normalised += IntToStr(column.Width);
    }
    if (normalised == fLayout) return;
    EndTable();
    fLayout = std::move(normalised);
    fColumns = std::move(columns);
}

void THtmlFile::Cell(int index, std::string_view text, TTextFlags flags)
{
    if (index < 0 || index > kHtmlMaxCell)
        throw std::out_of_range("HTML cell index " + IntToStr(index) + " is outside 0.." + IntToStr(kHtmlMaxCell));
    fState = THtmlState::hsRowPending;
    if (text.empty()) return;
    auto i = static_cast<std::size_t>(index);
    std::string& cell = fCells[i];
    // The font tag is left open: the cell's end closes it, and a later tag in the same cell overrides it.
    if (fCellFont[i] != fReqFont) {
        cell += "<em id=f" + IntToStr(fReqFont) + ">";
        fCellFont[i] = fReqFont;
    }
    fCellState[i] = 2;
    std::string html = HtmlEncodeText(text);
    if (flags & tfBold) html = "<b>" + html + "</b>";
    if (flags & tfItalic) html = "<i>" + html + "</i>";
    if (flags & tfUnderline) html = "<u>" + html + "</u>";
    cell += html;
}

void THtmlFile::LineBreak()
{
    if (fState == THtmlState::hsText || fState == THtmlState::hsAfterRule) {
        fLines.emplace_back(kBreak);
        return;
    }
    for (std::size_t i = 0; i < fColumns.size(); ++i) {
        fCells[i] += kBreak;
        if (fCellState[i] == 0) fCellState[i] = 1;
    }
    fState = THtmlState::hsRowPending;
}

void THtmlFile::FlushRow()
{
    if (fState != THtmlState::hsRowPending) return;
    if (!fTableOpen) {
        fLines.push_back("<table width=" + HtmlWidthText(fTableWidth, 1000) + " border=0 cellspacing=0 cellpadding=0>");
        fTableOpen = true;
        fWidthsWritten = false;
    }

    std::size_t longest = 0;
    for (std::size_t i = 1; i < fColumns.size(); ++i)
        if (fCells[i].size() > fCells[longest].size()) longest = i;
    bool writeWidths = !fWidthsWritten;

    struct TRowCell {
        bool HasText;
        std::string Html;
    };
    std::vector<TRowCell> rowCells;
    for (std::size_t i = 0; i < fColumns.size(); ++i) {
        const TColumn& column = fColumns[i];
        if (column.Width <= 0) continue;
        std::string content = std::move(fCells[i]);
        // The longest cell sets the row's height: a single closing break is only the end of its last line, but
        // two or more are blank lines that the row must keep.
        if (i == longest) {
            if (EndsWith(content, kBreak) && !EndsWith(content, "<br><br>")) content.resize(content.size() - 4);
        } else {
            while (EndsWith(content, kBreak))
                content.resize(content.size() - 4);
        }
        int cellState = i == longest ? 2 : fCellState[i];
        std::string width = writeWidths ? " width=" + HtmlWidthText(fTableWidth, column.Width) : std::string();
        std::string html;
        if (cellState == 2) {
            std::string_view align;
            if (column.Align == 'C')
                align = " align=center";
            else if (column.Align == 'R' || column.Align == 'D')
                align = " align=right";
            html = "<td" + std::string(align) + width + ">" + content + "</td>";
        } else if (cellState == 1) {
            html = "<td" + width + ">" + content + "</td>";
        } else {
            html = writeWidths ? "<td" + width + "> </td>" : "<td></td>";
        }
        rowCells.push_back({cellState == 2, std::move(html)});
    }

    std::string row;
    for (std::size_t i = 0; i < rowCells.size();) {
        if (writeWidths || rowCells[i].HasText) {
            row += rowCells[i++].Html;
            continue;
        }
        std::size_t runEnd = i;
        while (runEnd < rowCells.size() && !rowCells[runEnd].HasText)
            ++runEnd;
        std::size_t run = runEnd - i;
        if (run > 2) {
            if (runEnd < rowCells.size()) row += "<td colspan=" + IntToStr(static_cast<long long>(run)) + "></td>";
        } else {
            for (std::size_t k = i; k < runEnd; ++k)
                row += rowCells[k].Html;
        }
        i = runEnd;
    }

    ClearCells();
    if (!row.empty()) {
        fLines.emplace_back("<tr valign=top>");
        fLines.push_back(std::move(row));
        fLines.emplace_back("</tr>");
    }
    if (writeWidths) fWidthsWritten = true;
    fState = THtmlState::hsTable;
}

void THtmlFile::EndTable()
{
    FlushRow();
    if (fState != THtmlState::hsTable) return;
    fLines.emplace_back("</table>");
    fTableOpen = false;
    fState = THtmlState::hsText;
}

void THtmlFile::Rule()
{
    EndTable();
    fLines.push_back("<table width=" + HtmlWidthText(fTableWidth, 1000) +
                     " border=0 cellspacing=0 cellpadding=0><tr><td><hr noshade size=\"1\" color=\"black\"></td></tr>"
                     "</table>");
    fState = THtmlState::hsAfterRule;
}

void THtmlFile::RawLine(std::string_view text)
{
    fLines.push_back(HtmlEncodeRaw(text));
}

void THtmlFile::Block(std::string_view markup)
{
    EndTable();
    RawLine(markup);
    fState = THtmlState::hsText;
}

std::vector<std::string> THtmlFile::LoadTemplate() const
{
    std::string path;
    if (IsRegularFile(fTemplate)) {
        path = fTemplate;
    } else {
        for (const std::string& folder : fTemplateFolders) {
            if (folder.empty()) continue;
            std::string candidate = (fs::path(folder) / kDefaultHtmlTemplate).string();
            if (IsRegularFile(candidate)) {
                path = std::move(candidate);
                break;
            }
        }
    }
    if (path.empty()) return BuiltInHtmlTemplate();
    return SplitLines(TextFileToUtf8(ReadTemplateFile(path)));
}

std::string THtmlFile::HeadBlock() const
{
    std::string block = "\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n";
    block += "<!-- created with Korvan Software " + Utf8Upper(ApplicationTitle()) + "-->\r\n";
    block += HtmlStyleBlock(fTableWidth, fDefaultFont, fFontName);
    return block;
}

std::vector<std::string> THtmlFile::ComposePage()
{
    EndTable();
    std::vector<std::string> templ = LoadTemplate();

    std::string date = FormatDate(false, fPageDate != 0 ? fPageDate : Today());
    for (std::string& line : templ)
        if (line.find("@DATE@") != std::string::npos) line = ReplaceAll(line, "@DATE@", date);
    for (std::string& line : templ) {
        if (line == "@TITLE@") {
            // The title is plain text, often a competition's name from the result file.
            line = HtmlEncodeText(fTitle);
            break;
        }
    }
    std::size_t body = templ.size();
    for (std::size_t i = 0; i < templ.size(); ++i) {
        if (templ[i] == "@BODY@") {
            body = i;
            break;
        }
    }

    std::vector<std::string> page;
    page.reserve(templ.size() + fLines.size() + 1);
    page.emplace_back("<a name=_top>");
    page.insert(page.end(), templ.begin(), templ.begin() + static_cast<std::ptrdiff_t>(body));
    page.insert(page.end(), fLines.begin(), fLines.end());
    if (body < templ.size())
        page.insert(page.end(), templ.begin() + static_cast<std::ptrdiff_t>(body) + 1, templ.end());

    for (std::string& line : page) {
        if (line == "@ANCHORS@") {
            line.clear();
            break;
        }
    }
    for (std::string& line : page) {
        std::size_t head = AsciiUpper(line).find("<HEAD>");
        if (head != std::string::npos) {
            line.insert(head + 6, HeadBlock());
            break;
        }
    }
    return page;
}

void THtmlFile::SaveAs(const std::string& fileName)
{
    std::vector<std::string> page = ComposePage();
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) throw EKvnError("Cannot write the file \"" + fileName + "\": " + std::strerror(errno));
    for (const std::string& line : page) {
        out << line << "\r\n";
    }
    out.close();
    if (!out) throw EKvnError("Cannot write the file \"" + fileName + "\".");
}

} // namespace kvn

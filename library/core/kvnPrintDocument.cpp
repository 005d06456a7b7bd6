#include "kvnPrintDocument.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <stdexcept>

#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnStrings.h"

namespace kvn {

namespace {

constexpr std::string_view kSection = "Printer";
constexpr std::string_view kNone = "None";
// Read default that no stored list line can have (values are trimmed), so it tells a missing key.
constexpr std::string_view kMissingLine = "$-$$";
constexpr const char* kDefaultFixFont = "Courier New";
constexpr const char* kDefaultVarFont = "Arial";

// Orientation, left, right, top, bottom margin, column count and gap of the presets.
struct TPreset {
    int Orientation, Left, Right, Top, Bottom, Columns, Gap;
};
constexpr TPreset kPresets[] = {{0, 150, 150, 100, 100, 1, 0}, {1, 130, 130, 110, 100, 2, 150}};

class TNoPrinter : public IKvnPrinterInfo {
public:
    bool HasPrinter() const override { return false; }
    std::string SelectedPrinterName() const override { return {}; }
    int SelectedPaperCode() const override { return 0; }
};

const TNoPrinter gNoPrinter;
const IKvnPrinterInfo* gPrinterInfo = nullptr;

std::array<std::string, 2> gOrientationNames;

bool HasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Lines with every embedded line break (CR LF, CR or LF) made a line boundary, trailing empty lines dropped and no
// more than the limit kept.
std::vector<std::string> NormalisedLines(std::vector<std::string> lines, std::size_t limit)
{
    bool split = std::any_of(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.find_first_of("\r\n") != std::string::npos; });
    if (split) {
        std::vector<std::string> result;
        for (const std::string& line : lines) {
            std::size_t start = 0;
            for (;;) {
                std::size_t end = line.find_first_of("\r\n", start);
                result.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
                if (end == std::string::npos) break;
                start = end + (line.compare(end, 2, "\r\n") == 0 ? 2 : 1);
            }
        }
        lines = std::move(result);
    }
    if (lines.size() > limit) lines.resize(limit);
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

// Makes both lengths non-negative and, when together they exceed limit, shrinks them in proportion so that they fit.
void FitPair(long long& first, long long& second, long long limit)
{
    first = std::max(0LL, first);
    second = std::max(0LL, second);
    limit = std::max(0LL, limit);
    long long sum = first + second;
    if (sum <= limit) return;
    first = first * limit / sum;
    second = second * limit / sum;
}

std::string ListKey(const std::string& name, char list, std::size_t index)
{
    return "DF" + name + list + "Foot" + IntToStr(static_cast<long long>(index));
}

} // namespace

const IKvnPrinterInfo& PrinterInfo()
{
    return gPrinterInfo != nullptr ? *gPrinterInfo : gNoPrinter;
}

const IKvnPrinterInfo* SetPrinterInfo(const IKvnPrinterInfo* info)
{
    const IKvnPrinterInfo* previous = gPrinterInfo;
    gPrinterInfo = info;
    return previous;
}

int PaperIndexOfCode(int code)
{
    for (std::size_t row = kPaperFormats.size() - 1; row >= 1; --row)
        if (kPaperFormats[row].Code == code) return static_cast<int>(row);
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------

TColDivList::TColDivList()
{
    Parse("");
}

TColDivList::TColDivList(std::string_view layout)
{
    Parse(layout);
}

void TColDivList::Parse(std::string_view layout)
{
    fItems.clear();
    int start = 0;
    std::size_t pos = 0;
    while (pos <= layout.size()) {
        std::size_t end = std::min(layout.find(';', pos), layout.size());
        std::string_view field = layout.substr(pos, end - pos);
        pos = end + 1;
        if (field.empty()) continue;

        TColDiv item;
        item.Start = start;
        switch (field[0]) {
        case 'R':
            item.Align = caRight;
            break;
        case 'C':
            item.Align = caCenter;
            break;
        case 'D':
            item.Align = caDecimal;
            break;
        default:
            item.Align = caLeft;
            break;
        }
        // A negative width would put later columns before earlier ones and make the filler pass 1000.
        item.Width = std::max(0, StrToIntDef(field.substr(1, 99), 0));
        bool cut = item.Width > 1000 - start;
        if (cut) item.Width = 1000 - start;
        fItems.push_back(item);
        start += item.Width;
        if (cut) break;
    }
    if (start < 1000) fItems.push_back({start, 1000 - start, caLeft});
}

std::string TColDivList::Text() const
{
    static constexpr char kLetters[] = {'L', 'R', 'C', 'D'};
    std::string text;
    for (const TColDiv& item : fItems) {
        text += kLetters[item.Align];
        text += IntToStr(item.Width);
        text += ';';
    }
    return text;
}

const TColDiv& TColDivList::At(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("Column index " + IntToStr(index) + " outside the layout of " + IntToStr(Count()));
    return fItems[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------------------------------------------------------

bool TImageEntry::IsGif() const
{
    if (File.size() < 3) return false;
    std::string_view end = std::string_view(File).substr(File.size() - 3);
    return (end[0] == 'G' || end[0] == 'g') && (end[1] == 'I' || end[1] == 'i') && (end[2] == 'F' || end[2] == 'f');
}

TImageEntry ParseImageEntry(std::string_view line)
{
    TImageEntry entry;
    int* numbers[] = {&entry.X, &entry.Y, &entry.Scale, &entry.Align};
    std::size_t pos = 0;
    for (int* number : numbers) {
        if (pos > line.size()) break;
        std::size_t end = std::min(line.find(';', pos), line.size());
        int value = 0;
        if (TryStrToInt(line.substr(pos, end - pos), value)) *number = value;
        pos = end + 1;
    }
    // The file name is the rest, so that a name holding ";" survives.
    if (pos <= line.size()) entry.File = std::string(line.substr(pos));
    if (entry.Scale < 1) entry.Scale = 100;
    if (entry.Align < 0 || entry.Align > 2) entry.Align = 0;
    return entry;
}

std::string ImageEntryText(const TImageEntry& entry)
{
    return JoinSemicolon({IntToStr(entry.X), IntToStr(entry.Y), IntToStr(entry.Scale), IntToStr(entry.Align)}) + ";" +
           entry.File;
}

// ---------------------------------------------------------------------------------------------------------------

// The values the page is laid out with, derived from the stored ones and the paper.
struct TKvnDocument::TGeometry {
    int PageWidth = 0;
    int PageHeight = 0;
    int MarginLeft = 0;
    int MarginRight = 0;
    int MarginTop = 0;
    int MarginBottom = 0;
    int ColCount = 1;
    int ColGap = 0;
    int ColumnWidth = 0;
    int BaseFontSize = 0;
    int LineHeight = 0;
    int FootLines = 0;
};

TKvnDocument::TKvnDocument(std::string name, const IKvnPrinterInfo* printers)
    : fName(std::move(name)), fPrinters(printers)
{
    TLanguage& language = GetLanguage();
    gOrientationNames[0] = language.GetText("G", 52);
    gOrientationNames[1] = language.GetText("G", 53);
    ResetHeads();
    ApplyPreset(kPresetPortrait);
}

const IKvnPrinterInfo& TKvnDocument::Printers() const
{
    return fPrinters != nullptr ? *fPrinters : PrinterInfo();
}

const std::string& TKvnDocument::OrientationName(int orientation)
{
    return gOrientationNames[orientation == 1 ? 1 : 0];
}

int TKvnDocument::FixCharPerLine() const
{
    return std::clamp(fFixCharPerLine, kMinCharPerLine, kMaxCharPerLine);
}

void TKvnDocument::SetOptions(TDocumentOptions options)
{
    // A document with an address block keeps its single portrait column, where the address window sits.
    if (options.Contains(doCanSetAddressPos)) {
        options.Exclude(doMultiCol);
        options.Exclude(doChgOrientation);
    }
    fOptions = options;
}

void TKvnDocument::SetPaperIndex(int index)
{
    fPaperIndex = index >= 0 && index < static_cast<int>(kPaperFormats.size()) ? index : 0;
}

int TKvnDocument::Orientation() const
{
    return std::clamp(fOrientation, 0, 1);
}

int TKvnDocument::FootFontPercent() const
{
    return std::clamp(fFootFontPercent, 10, 300);
}

void TKvnDocument::SetHeadLeft(std::vector<std::string> lines)
{
    fHeadLeft = std::move(lines);
}

void TKvnDocument::SetHeadRight(std::vector<std::string> lines)
{
    fHeadRight = std::move(lines);
}

void TKvnDocument::SetHtmlTitle(std::vector<std::string> lines)
{
    fHtmlTitle = std::move(lines);
}

void TKvnDocument::SetFootLeft(std::vector<std::string> lines)
{
    fFootLeft = NormalisedLines(std::move(lines), kMaxListLines);
}

void TKvnDocument::SetFootCenter(std::vector<std::string> lines)
{
    fFootCenter = NormalisedLines(std::move(lines), kMaxListLines);
}

void TKvnDocument::SetFootRight(std::vector<std::string> lines)
{
    fFootRight = NormalisedLines(std::move(lines), kMaxListLines);
}

void TKvnDocument::SetImages(std::vector<std::string> lines)
{
    fImages = NormalisedLines(std::move(lines), kMaxListLines);
}

void TKvnDocument::SetColumns(std::string_view layout, int repeat, int gap)
{
    if (repeat <= 1) {
        fColumns.Parse(layout);
        return;
    }
    // Past 1000 copies every copy starts at 1000 or adds only empty columns, so more change nothing that prints.
    repeat = std::min(repeat, 1001);
    std::string text(layout);
    std::string separator = ";L" + IntToStr(gap) + ";";
    for (int copy = 1; copy < repeat; ++copy) {
        text += separator;
        text += layout;
    }
    fColumns.Parse(text);
}

void TKvnDocument::DetectPaper()
{
    const IKvnPrinterInfo& printers = Printers();
    fPrinterName.clear();
    int code = 0;
    if (printers.HasPrinter()) {
        fPrinterName = printers.SelectedPrinterName();
        // A printer that cannot be named cannot be opened either.
        if (!fPrinterName.empty()) code = printers.SelectedPaperCode();
    }
    fPaperIndex = PaperIndexOfCode(code);
}

void TKvnDocument::ApplyPreset(int index)
{
    if (index != kPresetPortrait && index != kPresetLandscape)
        throw std::out_of_range("Print layout preset " + IntToStr(index) + " does not exist");
    const TPreset& preset = kPresets[index];
    DetectPaper();
    fFixFont = kDefaultFixFont;
    fVarFont = kDefaultVarFont;
    fOrientation = preset.Orientation;
    fMarginLeft = preset.Left;
    fMarginRight = preset.Right;
    fMarginTop = preset.Top;
    fMarginBottom = preset.Bottom;
    fColCount = preset.Columns;
    fColGap = preset.Gap;
    fHeadOnColumn = false;
    if (!fOptions.Contains(doMultiCol)) {
        fColCount = 1;
        fColGap = 0;
    }
    if (!fOptions.Contains(doChgOrientation)) fOrientation = 0;
    if (!fOptions.Contains(doCanSetMargins)) fMarginLeft = fMarginRight = fMarginTop = fMarginBottom = 0;
    fAddrPosLeft = 1200;
    fAddrPosTop = 500;
    fHtmlTemplate.clear();
    fHTMLWidth = -1;
}

void TKvnDocument::ResetHeads()
{
    fHeadLeft.clear();
    fHtmlTitle.clear();
    fHeadRight.assign(1, GetLanguage().GetText("G", 55) + "@PAGE@");
}

// ---------------------------------------------------------------------------------------------------------------

TKvnDocument::TGeometry TKvnDocument::Geometry() const
{
    TGeometry g;
    const TPaperFormat& paper = Paper();
    bool landscape = Orientation() == 1;
    g.PageWidth = landscape ? paper.LongSide : paper.ShortSide;
    g.PageHeight = landscape ? paper.ShortSide : paper.LongSide;

    // The narrowest text column whose base font still reaches kMinBaseFontSize.
    int divisor = MulDiv(FixCharPerLine(), 2116, 1000);
    int minColumn = (kMinBaseFontSize * divisor + 9) / 10;

    long long left = fMarginLeft, right = fMarginRight;
    FitPair(left, right, g.PageWidth - minColumn);
    g.MarginLeft = static_cast<int>(left);
    g.MarginRight = static_cast<int>(right);
    long long width = g.PageWidth - left - right;

    // Fewer columns rather than columns too narrow to print in; (width + gap) / (minColumn + gap) is the most
    // columns of at least minColumn that the width holds.
    long long gap = std::max(0, fColGap);
    long long count = std::max(1, fColCount);
    if (count > 1) count = std::max(1LL, std::min(count, (width + gap) / (minColumn + gap)));
    g.ColCount = static_cast<int>(count);
    g.ColGap = static_cast<int>(gap);
    g.ColumnWidth = count < 2 ? static_cast<int>(width)
                              : MulDiv(static_cast<int>(width - (count - 1) * gap), 1, static_cast<int>(count));
    g.BaseFontSize = g.ColumnWidth * 10 / divisor;
    g.LineHeight = MulDiv(g.BaseFontSize, 254, 600);

    long long minBody = static_cast<long long>(kMinBodyLines) * g.LineHeight;
    long long top = fMarginTop, bottom = fMarginBottom;
    FitPair(top, bottom, g.PageHeight - minBody);
    g.MarginTop = static_cast<int>(top);
    g.MarginBottom = static_cast<int>(bottom);

    // Footer lines beyond what leaves the body its minimum would push every line onto a page of its own.
    std::size_t lines = std::max({fFootLeft.size(), fFootCenter.size(), fFootRight.size()});
    long long room = g.PageHeight - top - bottom - minBody - MulDiv(g.LineHeight, 4, 5);
    long long fitting = room < g.LineHeight ? 0 : room / g.LineHeight;
    g.FootLines = static_cast<int>(std::min(static_cast<long long>(lines), fitting));
    return g;
}

int TKvnDocument::MarginLeft() const
{
    return Geometry().MarginLeft;
}

int TKvnDocument::MarginRight() const
{
    return Geometry().MarginRight;
}

int TKvnDocument::MarginTop() const
{
    return Geometry().MarginTop;
}

int TKvnDocument::MarginBottom() const
{
    return Geometry().MarginBottom;
}

int TKvnDocument::ColCount() const
{
    return Geometry().ColCount;
}

int TKvnDocument::ColGap() const
{
    return std::max(0, fColGap);
}

int TKvnDocument::PageHeight() const
{
    const TPaperFormat& paper = Paper();
    return Orientation() == 1 ? paper.ShortSide : paper.LongSide;
}

int TKvnDocument::PageWidth() const
{
    const TPaperFormat& paper = Paper();
    return Orientation() == 1 ? paper.LongSide : paper.ShortSide;
}

int TKvnDocument::PrintableHeight() const
{
    TGeometry g = Geometry();
    return g.PageHeight - g.MarginTop - g.MarginBottom;
}

int TKvnDocument::ColumnWidth() const
{
    return Geometry().ColumnWidth;
}

int TKvnDocument::BaseFontSize() const
{
    return Geometry().BaseFontSize;
}

int TKvnDocument::LineHeight() const
{
    return Geometry().LineHeight;
}

int TKvnDocument::FootLineCount() const
{
    return Geometry().FootLines;
}

int TKvnDocument::FootHeight() const
{
    TGeometry g = Geometry();
    if (g.FootLines == 0) return 0;
    return g.FootLines * g.LineHeight + MulDiv(g.LineHeight, 4, 5);
}

std::string TKvnDocument::Description() const
{
    std::string text = std::string(Paper().Name) + " - " + OrientationName(Orientation());
    if (fPaperIndex == 0) return text + GetLanguage().GetText("G", 54);
    TGeometry g = Geometry();
    int body = g.PageHeight - g.MarginTop - g.MarginBottom - FootHeight();
    text += ",  (" + IntToStr(g.ColumnWidth / 10) + " x " + IntToStr(body / 10) + " mm";
    text += g.ColCount == 1 ? ")" : ";  " + IntToStr(g.ColCount) + "x)";
    return text;
}

// ---------------------------------------------------------------------------------------------------------------

void TKvnDocument::LoadSettings(const TKvnCustomIniFile& ini)
{
    std::string margins = fName.empty() ? std::string(kNone) : ini.ReadString(kSection, "DF" + fName + "Margin", kNone);
    if (margins == kNone) {
        ApplyPreset(kPresetPortrait);
        return;
    }
    auto number = [&](int field) { return StrToIntDef(GetField(margins, ";", field, true), 0); };
    fMarginLeft = number(1);
    fMarginRight = number(2);
    fMarginTop = number(3);
    fMarginBottom = number(4);
    fColCount = number(5);
    fColGap = number(6);
    fOrientation = number(7);
    fHeadOnColumn = number(8) != 0;
    fAddrPosLeft = number(9);
    fAddrPosTop = number(10);

    std::string fonts = ini.ReadString(kSection, "DF" + fName + "Fonts", kNone);
    if (fonts != kNone) {
        auto field = [&](int n) { return GetField(fonts, ",", n, true); };
        fFixFont = field(1);
        fVarFont = field(2);
        if (fFixFont.empty()) fFixFont = kDefaultFixFont;
        if (fVarFont.empty()) fVarFont = kDefaultVarFont;
        // Width and size are the last two fields, so a template name that holds commas comes back whole.
        int count = std::max(5, FieldCount(fonts, ",", true));
        fHtmlTemplate = field(3);
        for (int n = 4; n <= count - 2; ++n)
            fHtmlTemplate += "," + field(n);
        fHTMLWidth = StrToIntDef(field(count - 1), -1);
        fFootFontPercent = StrToIntDef(field(count), 100);
    } else {
        fHtmlTemplate.clear();
        fHTMLWidth = -1;
        fFootFontPercent = 100;
    }

    struct TList {
        char Letter;
        void (TKvnDocument::*Set)(std::vector<std::string>);
    };
    static constexpr TList kLists[] = {{'l', &TKvnDocument::SetFootLeft},
                                       {'z', &TKvnDocument::SetFootCenter},
                                       {'r', &TKvnDocument::SetFootRight},
                                       {'i', &TKvnDocument::SetImages}};
    for (const TList& list : kLists) {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < static_cast<std::size_t>(kMaxListLines); ++i) {
            std::string key = ListKey(fName, list.Letter, i);
            std::string value = ini.ReadString(kSection, key, kMissingLine);
            if (value == kMissingLine) {
                if (!ini.ValueExists(kSection, key)) break;
                continue;
            }
            lines.push_back(std::move(value));
        }
        (this->*list.Set)(std::move(lines));
    }

    DetectPaper();
}

void TKvnDocument::SaveSettings(TKvnCustomIniFile& ini) const
{
    if (fName.empty()) return;

    std::string margins =
        JoinSemicolon({IntToStr(fMarginLeft), IntToStr(fMarginRight), IntToStr(fMarginTop), IntToStr(fMarginBottom),
                       IntToStr(fColCount), IntToStr(fColGap), IntToStr(fOrientation), fHeadOnColumn ? "1" : "0",
                       IntToStr(fAddrPosLeft), IntToStr(fAddrPosTop)});
    std::string fonts =
        fFixFont + "," + fVarFont + "," + fHtmlTemplate + "," + IntToStr(fHTMLWidth) + "," + IntToStr(fFootFontPercent);

    struct TList {
        char Letter;
        const std::vector<std::string>* Lines;
    };
    const TList lists[] = {{'l', &fFootLeft}, {'z', &fFootCenter}, {'r', &fFootRight}, {'i', &fImages}};

    // Checked before the first write, so that a refused value does not leave half a layout in the file.
    auto check = [](std::string_view value, std::string_view what) {
        if (HasLineBreakOrNul(value))
            throw EKvnError("Line break in the " + std::string(what) + " of the print settings");
    };
    check(fonts, "fonts or HTML template");
    for (const TList& list : lists)
        for (const std::string& line : *list.Lines)
            check(line, "footer or picture lines");

    ini.WriteString(kSection, "DF" + fName + "Margin", margins);
    ini.WriteString(kSection, "DF" + fName + "Fonts", fonts);

    // Lines of an earlier, longer list are emptied rather than deleted; reading drops the trailing empty lines.
    for (const TList& list : lists) {
        const std::vector<std::string>& lines = *list.Lines;
        for (std::size_t i = 0;; ++i) {
            std::string key = ListKey(fName, list.Letter, i);
            bool existed = i < static_cast<std::size_t>(kMaxListLines) && ini.ValueExists(kSection, key);
            if (i < lines.size())
                ini.WriteString(kSection, key, lines[i]);
            else if (existed)
                ini.WriteString(kSection, key, "");
            if (!existed && i >= lines.size()) break;
        }
    }
}

} // namespace kvn

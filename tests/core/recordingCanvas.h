#pragma once

#include "kvnPrint.h"
#include "kvnStrings.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A canvas and a printer for report tests, with fixed metrics, that record every call instead of drawing.

namespace kvntest {

using kvn::IKvnCanvas;
using kvn::IKvnPrinterInfo;
using kvn::IKvnReportPrinter;
using kvn::TKvnColor;
using kvn::TKvnFont;
using kvn::TKvnPicture;
using kvn::Utf8Length;

// A canvas with fixed metrics that records every call. At 254 pixels per inch a pixel is a tenth of a millimetre, so
// device and page coordinates differ only by the offsets; a character is as wide as the point size, a line twice
// as high.
struct TText {
    int Sheet, X, Y;
    std::string Text;
    TKvnFont Font;
    int Width;
    int Right() const { return X + Width; }
};

struct TLine {
    int Sheet, X1, Y1, X2, Y2, Pen;
};

class TRecordingCanvas : public IKvnCanvas {
public:
    explicit TRecordingCanvas(int resolution = 254, int offset = 0) : fResolution(resolution), fOffset(offset) {}
    void SetFont(const TKvnFont& font) override { Font = font; }
    int TextWidth(std::string_view text) override { return static_cast<int>(Utf8Length(text)) * Font.PointSize; }
    int TextHeight(std::string_view) override { return 2 * Font.PointSize; }
    void TextOut(int x, int y, std::string_view text) override
    {
        Texts.push_back({Sheet, x, y, std::string(text), Font, TextWidth(text)});
    }
    void Line(int x1, int y1, int x2, int y2, int pen) override { Lines.push_back({Sheet, x1, y1, x2, y2, pen}); }
    void SetTextColor(TKvnColor) override {}
    void SetBrushColor(TKvnColor) override {}
    void FillRect(int, int, int, int) override {}
    void DrawPicture(const TKvnPicture& picture, int left, int top, int right, int bottom) override
    {
        Pictures.push_back({Sheet, left, top, right, bottom, picture.Height});
    }
    int ResolutionX() const override { return fResolution; }
    int ResolutionY() const override { return fResolution; }
    int OffsetX() const override { return fOffset; }
    int OffsetY() const override { return fOffset; }

    std::vector<TText> Find(std::string_view text) const
    {
        std::vector<TText> found;
        for (const TText& t : Texts)
            if (t.Text == text) found.push_back(t);
        return found;
    }
    TText One(std::string_view text) const
    {
        std::vector<TText> found = Find(text);
        if (found.size() != 1) throw std::runtime_error("not drawn once: " + std::string(text));
        return found[0];
    }

    int Sheet = 1;
    TKvnFont Font;
    std::vector<TText> Texts;
    std::vector<TLine> Lines;
    std::vector<TLine> Pictures; // Pen holds the picture's own height

private:
    int fResolution;
    int fOffset;
};

// Records the document as "begin", "page", "end" and "abort".
class TRecordingPrinter : public IKvnReportPrinter {
public:
    explicit TRecordingPrinter(bool canCopy, int offset = 0) : fCanCopy(canCopy), Sheet(254, offset) {}
    bool CanCopy() const override { return fCanCopy; }
    void SetCopies(int copies) override { Copies = copies; }
    void SetOrientation(int orientation) override { Orientation = orientation; }
    void SetTitle(const std::string& title) override { Title = title; }
    bool Printing() const override { return fPrinting; }
    void BeginDoc() override { Event("begin", true); }
    void NewPage() override
    {
        Event("page", true);
        ++Sheet.Sheet;
    }
    void EndDoc() override { Event("end", false); }
    void Abort() override { Event("abort", false); }
    IKvnCanvas& Canvas() override { return Sheet; }

    bool fCanCopy;
    bool fPrinting = false;
    int Copies = 0;
    int Orientation = -1;
    std::string Title;
    std::string Events;
    TRecordingCanvas Sheet;

private:
    void Event(const char* name, bool printing)
    {
        Events += Events.empty() ? name : std::string(" ") + name;
        fPrinting = printing;
    }
};

// One printer, whose paper is A4.
class TA4Printers : public IKvnPrinterInfo {
public:
    bool HasPrinter() const override { return true; }
    std::string SelectedPrinterName() const override { return "Office"; }
    int SelectedPaperCode() const override { return 9; }
};

} // namespace kvntest

#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPicture>

#include <memory>
#include <optional>
#include <string>

#include "kvnPrint.h"

class QPrinter;

// The report engine's drawing surfaces on Qt: a QPainter canvas, a printer (real printers and PDF files through
// QPrinter) and preview pages recorded as one QPicture each.

namespace kvn {

// A report canvas that draws with a QPainter. Font sizes are turned into device pixels at the given resolution, so
// text measures the same whatever resolution the painter's device itself reports.
class TKvnQtCanvas : public IKvnCanvas {
public:
    // Draws with painter (active, not owned) on a device of resolutionX x resolutionY pixels per inch whose origin
    // lies offsetX, offsetY pixels inside the paper.
    TKvnQtCanvas(QPainter& painter, int resolutionX, int resolutionY, int offsetX = 0, int offsetY = 0);

    void SetFont(const TKvnFont& font) override;
    int TextWidth(std::string_view text) override;
    int TextHeight(std::string_view text) override;
    void TextOut(int x, int y, std::string_view text) override;
    void Line(int x1, int y1, int x2, int y2, int penWidth) override;
    void SetTextColor(TKvnColor color) override;
    void SetBrushColor(TKvnColor color) override;
    void FillRect(int left, int top, int right, int bottom) override;
    void DrawPicture(const TKvnPicture& picture, int left, int top, int right, int bottom) override;
    int ResolutionX() const override { return fResolutionX; }
    int ResolutionY() const override { return fResolutionY; }
    int OffsetX() const override { return fOffsetX; }
    int OffsetY() const override { return fOffsetY; }

    // The font text is drawn with now.
    const QFont& Font() const { return fFont; }

private:
    QPainter& fPainter;
    QFont fFont;
    std::optional<TKvnFont> fFontSet; // the report's font behind fFont; setting it again costs a font lookup
    bool fVertical = false;
    QColor fTextColor = Qt::black;
    QColor fBrushColor = Qt::white;
    int fResolutionX;
    int fResolutionY;
    int fOffsetX;
    int fOffsetY;
};

// A report printer over a QPrinter (not owned), which may be a real printer or write a PDF file.
class TKvnQtPrinter : public IKvnReportPrinter {
public:
    explicit TKvnQtPrinter(QPrinter& printer);
    // Drops a document that was begun and not ended.
    ~TKvnQtPrinter() override;
    TKvnQtPrinter(const TKvnQtPrinter&) = delete;
    TKvnQtPrinter& operator=(const TKvnQtPrinter&) = delete;

    bool CanCopy() const override;
    void SetCopies(int copies) override;
    void SetOrientation(int orientation) override;
    void SetTitle(const std::string& title) override;
    bool Printing() const override { return fPainter.isActive(); }
    // Throws EKvnError when the printer (or the PDF file) cannot be opened.
    void BeginDoc() override;
    // Throws EKvnError when the printer refuses a new sheet.
    void NewPage() override;
    // Throws EKvnError when the document cannot be finished.
    void EndDoc() override;
    // Cancels the job; a PDF file, which cannot be cancelled half-way, is removed instead.
    void Abort() override;
    // Throws std::logic_error outside a document.
    IKvnCanvas& Canvas() override;

private:
    QPrinter& fPrinter;
    QPainter fPainter;
    std::unique_ptr<TKvnQtCanvas> fCanvas;
};

// One preview page, recorded as a QPicture on white paper.
class TKvnQtPreviewPage : public IKvnPreviewPage {
public:
    // A page picture of width x height pixels at resolution pixels per inch, recording.
    TKvnQtPreviewPage(int width, int height, int resolution);
    ~TKvnQtPreviewPage() override;
    TKvnQtPreviewPage(const TKvnQtPreviewPage&) = delete;
    TKvnQtPreviewPage& operator=(const TKvnQtPreviewPage&) = delete;

    // Throws std::logic_error after Finish.
    IKvnCanvas& Canvas() override;
    void Finish() override;
    int Width() const override { return fWidth; }
    int Height() const override { return fHeight; }

    // The recorded page, complete once Finish has been called; its bounding rectangle is the page picture.
    const QPicture& Picture() const { return fPicture; }

private:
    QPicture fPicture;
    QPainter fPainter;
    std::unique_ptr<TKvnQtCanvas> fCanvas;
    int fWidth;
    int fHeight;
};

// Makes QPicture preview pages.
class TKvnQtPreviewDevice : public IKvnPreviewDevice {
public:
    // Pages for a screen of screenResolution pixels per inch; 0 takes the primary screen's (96 without a screen).
    explicit TKvnQtPreviewDevice(int screenResolution = 0);
    int ScreenResolution() const override { return fResolution; }
    std::unique_ptr<IKvnPreviewPage> NewPage(int width, int height) override;

private:
    int fResolution;
};

// The picture of a page that a TKvnQtPreviewDevice made, or nullptr for a page of another kind.
const QPicture* PreviewPicture(const IKvnPreviewPage& page);

// Makes printer write the PDF file fileName with the document's paper and orientation, without margins, so that
// its device origin is the paper's corner.
void SetUpPdfPrinter(QPrinter& printer, const std::string& fileName, const TKvnDocument& document);

} // namespace kvn

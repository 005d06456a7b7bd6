#include "kvnQtCanvas.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPen>
#include <QPrinter>
#include <QScreen>

#include <algorithm>
#include <stdexcept>

#include "kvnFunctions.h"
#include "kvnMessages.h"

namespace kvn {

namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor ToQColor(TKvnColor color)
{
    return QColor::fromRgb((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

QRect RectOf(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized();
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Canvas

TKvnQtCanvas::TKvnQtCanvas(QPainter& painter, int resolutionX, int resolutionY, int offsetX, int offsetY)
    : fPainter(painter), fResolutionX(std::max(1, resolutionX)), fResolutionY(std::max(1, resolutionY)),
      fOffsetX(offsetX), fOffsetY(offsetY)
{
    fPainter.setRenderHint(QPainter::SmoothPixmapTransform);
    fPainter.setRenderHint(QPainter::TextAntialiasing);
    SetFont(TKvnFont{"Arial"});
}

void TKvnQtCanvas::SetFont(const TKvnFont& font)
{
    // The report sets the font for every text it draws, mostly the one it had.
    if (fFontSet == font) return;
    fFontSet = font;
    QFont qfont(ToQString(font.Face));
    // Points become device pixels here rather than through the device's own resolution, which for a QPicture is
    // not the screen's that the preview pages are laid out for.
    qfont.setPixelSize(std::max(1, MulDiv(std::max(1, font.PointSize), fResolutionY, 72)));
    qfont.setBold(font.Bold);
    qfont.setItalic(font.Italic);
    if (font.FixedPitch) {
        qfont.setStyleHint(QFont::Monospace);
        qfont.setFixedPitch(true);
    } else {
        qfont.setStyleHint(QFont::SansSerif);
    }
    fFont = qfont;
    fVertical = font.Vertical;
    fPainter.setFont(fFont);
}

int TKvnQtCanvas::TextWidth(std::string_view text)
{
    return fPainter.fontMetrics().horizontalAdvance(ToQString(text));
}

int TKvnQtCanvas::TextHeight(std::string_view)
{
    return fPainter.fontMetrics().height();
}

void TKvnQtCanvas::TextOut(int x, int y, std::string_view text)
{
    int ascent = fPainter.fontMetrics().ascent();
    fPainter.setPen(fTextColor);
    if (!fVertical) {
        fPainter.drawText(QPoint(x, y + ascent), ToQString(text));
        return;
    }
    // Turned about the anchor, the line runs upwards and its top faces left.
    fPainter.save();
    fPainter.translate(x, y);
    fPainter.rotate(-90);
    fPainter.drawText(QPoint(0, ascent), ToQString(text));
    fPainter.restore();
}

void TKvnQtCanvas::Line(int x1, int y1, int x2, int y2, int penWidth)
{
    QPen pen(Qt::black);
    pen.setWidth(std::max(1, penWidth));
    pen.setCapStyle(Qt::FlatCap);
    fPainter.setPen(pen);
    fPainter.drawLine(x1, y1, x2, y2);
}

void TKvnQtCanvas::SetTextColor(TKvnColor color)
{
    fTextColor = ToQColor(color);
}

void TKvnQtCanvas::SetBrushColor(TKvnColor color)
{
    fBrushColor = ToQColor(color);
}

void TKvnQtCanvas::FillRect(int left, int top, int right, int bottom)
{
    if (left == right || top == bottom) return;
    fPainter.fillRect(RectOf(left, top, right, bottom), fBrushColor);
}

void TKvnQtCanvas::DrawPicture(const TKvnPicture& picture, int left, int top, int right, int bottom)
{
    if (picture.Width < 1 || picture.Height < 1 ||
        picture.Pixels.size() != static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height))
        return;
    // Format_ARGB32 keeps each pixel as the 0xAARRGGBB word the picture holds.
    QImage image(reinterpret_cast<const uchar*>(picture.Pixels.data()), picture.Width, picture.Height,
                 static_cast<qsizetype>(picture.Width) * 4, QImage::Format_ARGB32);
    fPainter.drawImage(RectOf(left, top, right, bottom), image);
}

// ---------------------------------------------------------------------------------------------------------------
// Printer

TKvnQtPrinter::TKvnQtPrinter(QPrinter& printer) : fPrinter(printer) {}

TKvnQtPrinter::~TKvnQtPrinter()
{
    if (Printing()) Abort();
}

bool TKvnQtPrinter::CanCopy() const
{
    return fPrinter.supportsMultipleCopies();
}

void TKvnQtPrinter::SetCopies(int copies)
{
    fPrinter.setCopyCount(std::max(1, copies));
}

void TKvnQtPrinter::SetOrientation(int orientation)
{
    fPrinter.setPageOrientation(orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TKvnQtPrinter::SetTitle(const std::string& title)
{
    fPrinter.setDocName(ToQString(title));
}

void TKvnQtPrinter::BeginDoc()
{
    if (Printing()) return;
    if (!fPainter.begin(&fPrinter)) {
        std::string target = fPrinter.outputFileName().isEmpty() ? fPrinter.printerName().toStdString()
                                                                 : fPrinter.outputFileName().toStdString();
        throw EKvnError("Printing to \"" + target + "\" cannot start.");
    }
    int resolution = fPrinter.resolution();
    QPoint offset;
    if (!fPrinter.fullPage()) offset = fPrinter.pageLayout().paintRectPixels(resolution).topLeft();
    fCanvas = std::make_unique<TKvnQtCanvas>(fPainter, resolution, resolution, offset.x(), offset.y());
}

void TKvnQtPrinter::NewPage()
{
    if (!Printing()) throw std::logic_error("NewPage outside a print document");
    if (!fPrinter.newPage()) throw EKvnError("The printer refused a new page.");
}

void TKvnQtPrinter::EndDoc()
{
    if (!Printing()) return;
    fCanvas.reset();
    if (!fPainter.end()) throw EKvnError("The print document could not be finished.");
}

void TKvnQtPrinter::Abort()
{
    if (!Printing()) return;
    fCanvas.reset();
    bool cancelled = fPrinter.abort();
    fPainter.end();
    // A PDF writer cannot cancel and has written the pages so far; the half document must not stay behind.
    if (!cancelled && fPrinter.outputFormat() == QPrinter::PdfFormat && !fPrinter.outputFileName().isEmpty())
        QFile::remove(fPrinter.outputFileName());
}

IKvnCanvas& TKvnQtPrinter::Canvas()
{
    if (!fCanvas) throw std::logic_error("the printer canvas exists only during a print document");
    return *fCanvas;
}

// ---------------------------------------------------------------------------------------------------------------
// Preview

TKvnQtPreviewPage::TKvnQtPreviewPage(int width, int height, int resolution)
    : fWidth(std::max(1, width)), fHeight(std::max(1, height))
{
    fPainter.begin(&fPicture);
    // White paper; the two spare pixels at the right and bottom stay clear for the shadow.
    fPainter.fillRect(QRect(0, 0, std::max(1, fWidth - 2), std::max(1, fHeight - 2)), Qt::white);
    fCanvas = std::make_unique<TKvnQtCanvas>(fPainter, resolution, resolution);
}

TKvnQtPreviewPage::~TKvnQtPreviewPage()
{
    Finish();
}

IKvnCanvas& TKvnQtPreviewPage::Canvas()
{
    if (!fCanvas) throw std::logic_error("a finished preview page cannot be drawn on");
    return *fCanvas;
}

void TKvnQtPreviewPage::Finish()
{
    if (!fPainter.isActive()) return;
    fCanvas.reset();
    fPainter.end();
    fPicture.setBoundingRect(QRect(0, 0, fWidth, fHeight));
}

TKvnQtPreviewDevice::TKvnQtPreviewDevice(int screenResolution) : fResolution(screenResolution)
{
    if (fResolution <= 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        fResolution = screen != nullptr ? qRound(screen->logicalDotsPerInch()) : 96;
    }
    fResolution = std::max(10, fResolution);
}

std::unique_ptr<IKvnPreviewPage> TKvnQtPreviewDevice::NewPage(int width, int height)
{
    return std::make_unique<TKvnQtPreviewPage>(width, height, fResolution);
}

const QPicture* PreviewPicture(const IKvnPreviewPage& page)
{
    const auto* qtPage = dynamic_cast<const TKvnQtPreviewPage*>(&page);
    return qtPage != nullptr ? &qtPage->Picture() : nullptr;
}

// ---------------------------------------------------------------------------------------------------------------

void SetUpPdfPrinter(QPrinter& printer, const std::string& fileName, const TKvnDocument& document)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(ToQString(fileName));
    const TPaperFormat& paper = document.Paper();
    QPageSize::PageSizeId id = QPageSize::id(paper.Code);
    // The paper table's own size wins for papers that Qt has no Windows code for (and for the unknown row).
    QPageSize size = paper.Code > 0 && id != QPageSize::Custom
                         ? QPageSize(id)
                         : QPageSize(QSizeF(paper.ShortSide / 10.0, paper.LongSide / 10.0), QPageSize::Millimeter,
                                     QString::fromLatin1(paper.Name));
    printer.setPageSize(size);
    printer.setPageOrientation(document.Orientation() == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

} // namespace kvn

#pragma once

#include "kvnTextFlags.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QLine>
#include <QPainter>
#include <QPen>
#include <QPicture>
#include <QRect>
#include <QSize>

#include <functional>
#include <string>
#include <vector>

// The result list control: a scrollable drawing surface. The owner draws text pieces and lines at pixel positions
// into a recording, then publishes it; the box shows the published picture at its drawn extent inside scroll bars
// and scrolls by repainting that picture, never by asking the owner to draw again.

namespace kvn {

// Called after every horizontal scroll with the content's left position (0 or negative).
using THScrollEvent = std::function<void(int xOffset)>;

// One DrawText call as the box placed it.
struct TDrawnText {
    std::string Text; // as given, UTF-8
    int AnchorX = 0;  // x as given by the caller
    int X = 0;        // left edge after the alignment flags were applied
    int Y = 0;        // top edge
    int Width = 0;    // width taken into the extent (natural width, or max width when smaller)
    int Height = 0;   // text height, one more when underlined
    TTextFlags Flags = 0;
};

// One DrawLine call.
struct TDrawnLine {
    int X1 = 0;
    int Y1 = 0;
    int X2 = 0;
    int Y2 = 0;
    int PenWidth = 0;
};

class TkvnPaintBox : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TkvnPaintBox(QWidget* parent = nullptr);
    ~TkvnPaintBox() override;

    TkvnPaintBox(const TkvnPaintBox&) = delete;
    TkvnPaintBox& operator=(const TkvnPaintBox&) = delete;

    // The recording canvas, whose font, pen and brush the owner sets and which keeps them for the whole recording;
    // starts a new recording (empty extent and draw record, the box's font) when none is open.
    QPainter& DrawCanvas();

    // Draws text with its top edge at y and x as the anchor that the alignment flags name; a maxWidth above 0 cuts
    // the text at x + maxWidth + 1. Text takes the canvas pen's colour and, when the canvas has a brush, its cell is
    // filled with that brush first.
    void DrawText(int x, int y, int maxWidth, TTextFlags flags, const std::string& text);

    // Draws a line from (x1, y1) to (x2, y2) with the canvas pen set to penWidth (0 is the thinnest line).
    void DrawLine(int x1, int y1, int penWidth, int y2, int x2);

    // Ends the recording and shows it at its extent, scrolled to the top left; with nothing recorded shows an empty
    // 1 x 1 picture.
    void ShowDrawing();

    // Removes the shown picture; an open recording stays open.
    void Clear();

    // Display zoom in percent of the drawn extent.
    int Scale() const { return m_scale; }

    // Re-sizes the shown picture to percent of its extent; throws std::invalid_argument for a percent below 1.
    void SetScale(int percent);

    // Right-most pixel reached by the drawing since the current or last recording started.
    int ExtentWidth() const { return m_extentWidth; }

    // Lowest pixel reached by the drawing since the current or last recording started.
    int ExtentHeight() const { return m_extentHeight; }

    // Size of the shown picture before scaling: the extent, 1 x 1 for an empty drawing, 0 x 0 after Clear.
    QSize ShownSize() const { return m_shownSize; }

    // True while a recording is open, between the first drawing call and ShowDrawing.
    bool IsRecording() const { return m_canvas.isActive(); }

    // The DrawText calls of the current or last recording, in order; made from the recorded drawing when first
    // asked after a change, so that drawing keeps no second copy of the texts.
    const std::vector<TDrawnText>& DrawnTexts() const;

    // The DrawLine calls of the current or last recording, in order (underlines of texts are not among them).
    const std::vector<TDrawnLine>& DrawnLines() const { return m_drawnLines; }

    // Moves the header to xOffset and lets its right end stand 2 pixels inside a box of boxWidth (after a scroll).
    static void AlignHeader(QWidget* header, int boxWidth, int xOffset);

    // Keeps the header's left and lets its right end stand 2 pixels inside a box of boxWidth (after a resize).
    static void AlignHeader(QWidget* header, int boxWidth);

    // Called after every horizontal scroll with the content's left position.
    THScrollEvent OnHorizontalScroll;

    // Called after every resize of the box.
    std::function<void()> OnResize;

signals:
    // Emitted after every horizontal scroll with the content's left position (0 or negative).
    void horizontalScrolled(int xOffset);

    // Emitted after every resize of the box.
    void resized();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // One recorded drawing call with everything needed to paint it again: the canvas state it was made with and the
    // area it reaches, so that painting replays only the calls inside the exposed area.
    struct TDrawOp {
        QRect Bounds;
        QPen Pen;
        QBrush Brush;
        int FontIndex = 0; // into m_styles
        bool IsText = false;
        // text
        QString Text;
        QPoint Origin; // top left of the text's frame
        int AnchorX = 0; // x as the owner gave it
        int Width = 0;
        int Natural = 0;
        int Height = 0;
        int Ascent = 0;
        int MaxWidth = 0;
        TTextFlags Flags = 0;
        // line
        QLine Line;
    };

    // A font as the canvas had it with one of the four styles, its metrics and the widths measured in it.
    struct TFontStyle {
        QFont Font;
        QFontMetrics Metrics;
        QHash<QString, int> Widths;
    };

    QSize ScaledShownSize() const;
    void UpdateScrollRanges();
    void LayoutScrollBars();
    void GrowExtent(long long right, long long bottom);
    int StyleIndex(const QFont& base, TTextFlags flags);
    int TextWidth(TFontStyle& style, const QString& text);
    void PaintOp(QPainter& painter, const TDrawOp& op) const;
    void IndexShownOps();

    int m_scale = 100;
    int m_extentWidth = 0;
    int m_extentHeight = 0;

    // The recording canvas only holds the owner's font, pen and brush; drawing calls go to m_ops. Anything the owner
    // draws on it directly lands in its picture, which is shown whole.
    QPicture m_statePicture;
    uint m_emptyPictureSize = 0;
    QPainter m_canvas;
    std::vector<TDrawOp> m_ops;

    // Styled fonts met so far; widths are measured once per text and style, never again.
    std::vector<TFontStyle> m_styles;
    QFont m_styleBase;
    int m_styleBaseIndex = -1; // first of the four styles of m_styleBase in m_styles

    std::vector<TDrawOp> m_shown;
    // Operations of the recording shown last, also after a clear: the next one is usually about as long.
    std::size_t m_lastShownCount = 0;
    std::vector<std::size_t> m_shownByTop; // indexes of m_shown by the top of their bounds
    int m_shownMaxHeight = 0;
    QPicture m_shownDirect;
    bool m_hasShownDirect = false;
    QSize m_shownSize{0, 0};

    std::vector<TDrawnLine> m_drawnLines;
    mutable std::vector<TDrawnText> m_drawnTexts;
    mutable bool m_drawnTextsStale = true;
};

} // namespace kvn

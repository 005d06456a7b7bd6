#include "kvnPaintbox.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace kvn {

namespace {

// Scroll step of the arrow keys and scroll bar arrows, in pixels.
constexpr int kLineIncrement = 8;

// Positions come from the owner's arithmetic; sums near the int limits must saturate instead of overflowing.
int ClampToInt(long long value)
{
    return static_cast<int>(
        std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Drawing calls per recorded chunk: small enough that a repaint replays little more than the visible lines, large
// enough that switching chunks costs nothing noticeable.
constexpr int kChunkCalls = 256;

// A rectangle from edges that may lie anywhere in the int range, kept small enough for QRect's own arithmetic.
QRect SafeRect(long long left, long long top, long long right, long long bottom)
{
    const auto clamp = [](long long v) {
        const long long limit = std::numeric_limits<int>::max() / 4;
        return static_cast<int>(std::clamp(v, -limit, limit));
    };
    return QRect(QPoint(clamp(left), clamp(top)), QPoint(clamp(right), clamp(bottom)));
}

int ScaledLength(int length, int percent)
{
    return ClampToInt(static_cast<long long>(length) * percent / 100);
}

} // namespace

TkvnPaintBox::TkvnPaintBox(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(kLineIncrement);
    horizontalScrollBar()->setSingleStep(kLineIncrement);
}

TkvnPaintBox::~TkvnPaintBox() = default;

QPainter& TkvnPaintBox::DrawCanvas()
{
    if (!m_canvas.isActive()) {
        // A QPicture has no fixed surface, so a list of any length is recorded whole.
        m_chunks.clear();
        BeginChunk();
        m_canvas.setFont(font());
        m_extentWidth = 0;
        m_extentHeight = 0;
        m_drawnTexts.clear();
        m_drawnLines.clear();
    }
    return m_canvas;
}

void TkvnPaintBox::DrawText(int x, int y, int maxWidth, TTextFlags flags, const std::string& text)
{
    QPainter& canvas = BeginDrawingCall();
    QFont styled = canvas.font();
    styled.setBold((flags & tfBold) != 0);
    styled.setItalic((flags & tfItalic) != 0);
    canvas.setFont(styled);

    const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics metrics = canvas.fontMetrics();
    const int natural = metrics.horizontalAdvance(qtext);
    const int width = maxWidth > 0 ? std::min(natural, maxWidth) : natural;
    int height = metrics.height();

    long long left = x;
    if ((flags & tfCenter) != 0) left -= width / 2;
    if ((flags & tfRight) != 0) left -= width;
    if ((flags & tfDecimal) != 0) {
        const qsizetype dot = qtext.indexOf(QLatin1Char('.'));
        left -= dot >= 0 ? metrics.horizontalAdvance(qtext.left(dot + 1)) : metrics.horizontalAdvance(qtext.trimmed());
    }
    const int drawX = ClampToInt(left);
    const bool vertical = (flags & tfVertical) != 0;

    // Everything below is drawn in the text's own frame, so that a vertical text is clipped along its length and
    // underlined under its letters, just like a horizontal one.
    canvas.save();
    canvas.translate(drawX, y);
    if (vertical) canvas.rotate(-90); // reads bottom to top
    if (maxWidth != 0) canvas.setClipRect(QRect(0, 0, width + 1, height + 1), Qt::IntersectClip);
    // The brush is the text's background: the owner highlights a line by setting one.
    if (canvas.brush().style() != Qt::NoBrush) canvas.fillRect(QRect(0, 0, natural, height), canvas.brush());
    canvas.drawText(QPointF(0, metrics.ascent()), qtext);
    if ((flags & tfUnderline) != 0) {
        QPen pen = canvas.pen();
        pen.setWidth(height / 15);
        canvas.setPen(pen);
        canvas.drawLine(0, height, width, height);
        ++height;
    }
    canvas.restore();

    styled.setBold(false);
    styled.setItalic(false);
    canvas.setFont(styled);

    GrowExtent(left + width, static_cast<long long>(y) + height);
    m_drawnTexts.push_back(TDrawnText{text, x, drawX, y, width, height, flags});

    // Overhangs of italic and bold glyphs reach a little beyond the advance width; a margin of one text height
    // covers them.
    const long long length = natural;
    const QRect reached = vertical ? SafeRect(left, static_cast<long long>(y) - length, left + height, y)
                                   : SafeRect(left, y, left + length, static_cast<long long>(y) + height);
    EndDrawingCall(reached.adjusted(-height, -height, height, height));
}

void TkvnPaintBox::DrawLine(int x1, int y1, int penWidth, int y2, int x2)
{
    QPainter& canvas = BeginDrawingCall();
    const int width = std::max(penWidth, 0);
    QPen pen = canvas.pen();
    pen.setWidth(width);
    canvas.setPen(pen);
    canvas.drawLine(x1, y1, x2, y2);
    GrowExtent(std::max(x1, x2), std::max(y1, y2));
    m_drawnLines.push_back(TDrawnLine{x1, y1, x2, y2, penWidth});
    const long long margin = width / 2 + 2;
    EndDrawingCall(SafeRect(std::min(x1, x2) - margin, std::min(y1, y2) - margin, std::max(x1, x2) + margin,
                            std::max(y1, y2) + margin));
}

void TkvnPaintBox::ShowDrawing()
{
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    if (!m_canvas.isActive()) {
        m_shown.clear();
        m_shownSize = QSize(1, 1);
    } else {
        CloseChunk();
        m_shown = std::move(m_chunks);
        m_chunks.clear();
        m_chunkPicture = QPicture();
        m_shownSize = QSize(m_extentWidth, m_extentHeight);
    }
    LayoutScrollBars();
    viewport()->update();
}

void TkvnPaintBox::Clear()
{
    m_shown.clear();
    m_shownSize = QSize(0, 0);
    LayoutScrollBars();
    viewport()->update();
}

void TkvnPaintBox::SetScale(int percent)
{
    if (percent < 1) throw std::invalid_argument("TkvnPaintBox: the scale must be at least 1 percent");
    m_scale = percent;
    LayoutScrollBars();
    viewport()->update();
}

void TkvnPaintBox::AlignHeader(QWidget* header, int boxWidth, int xOffset)
{
    if (header == nullptr) return;
    header->move(xOffset, header->y());
    AlignHeader(header, boxWidth);
}

void TkvnPaintBox::AlignHeader(QWidget* header, int boxWidth)
{
    if (header == nullptr) return;
    const long long width = static_cast<long long>(boxWidth) - 2 - header->x();
    header->resize(ClampToInt(std::max(width, 0LL)), header->height());
}

void TkvnPaintBox::paintEvent(QPaintEvent* event)
{
    if (m_shown.empty()) return;
    const QSize scaled = ScaledShownSize();
    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    // Whatever was drawn left of or above the origin, or beyond the extent, is not part of the picture.
    painter.setClipRect(QRect(QPoint(0, 0), scaled));
    painter.scale(m_scale / 100.0, m_scale / 100.0);
    const QRect exposed = painter.worldTransform().inverted().mapRect(QRectF(event->rect())).toAlignedRect();
    for (const TChunk& chunk : m_shown) {
        if (chunk.Unbounded || chunk.Bounds.intersects(exposed)) painter.drawPicture(0, 0, chunk.Picture);
    }
}

void TkvnPaintBox::resizeEvent(QResizeEvent* event)
{
    // Called for the viewport, whose size decides the scroll ranges.
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

bool TkvnPaintBox::event(QEvent* event)
{
    const bool handled = QAbstractScrollArea::event(event);
    if (event->type() == QEvent::Resize) {
        if (OnResize) OnResize();
        emit resized();
    }
    return handled;
}

void TkvnPaintBox::scrollContentsBy(int dx, int /*dy*/)
{
    viewport()->update();
    if (dx != 0) {
        const int xOffset = -horizontalScrollBar()->value();
        if (OnHorizontalScroll) OnHorizontalScroll(xOffset);
        emit horizontalScrolled(xOffset);
    }
}

void TkvnPaintBox::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key != Qt::Key_PageUp && key != Qt::Key_PageDown && key != Qt::Key_Up && key != Qt::Key_Down) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    if (bar->maximum() <= 0) {
        // Nothing to scroll: the key goes on to the parent like any other.
        event->ignore();
        return;
    }
    const int increment = bar->singleStep();
    // A client area lower than one increment would turn a page step backwards.
    const int page = std::max(viewport()->height() - increment, increment);
    const int position = bar->value();
    const int bottom = ScaledLength(m_extentHeight, m_scale);
    int target = position;
    switch (key) {
    case Qt::Key_PageUp:
        target = ClampToInt(std::max(0LL, static_cast<long long>(position) - page));
        break;
    case Qt::Key_PageDown:
        target = ClampToInt(std::min<long long>(bottom, static_cast<long long>(position) + page));
        break;
    case Qt::Key_Up:
        target = ClampToInt(std::max(0LL, static_cast<long long>(position) - increment));
        break;
    default:
        target = ClampToInt(std::min<long long>(bottom, static_cast<long long>(position) + increment));
        break;
    }
    bar->setValue(target);
    event->accept();
}

void TkvnPaintBox::mousePressEvent(QMouseEvent* event)
{
    // Focus at once, so that the scroll keys work without a further click.
    setFocus(Qt::MouseFocusReason);
    QAbstractScrollArea::mousePressEvent(event);
}

QPainter& TkvnPaintBox::BeginDrawingCall()
{
    QPainter& canvas = DrawCanvas();
    NoteDirectDrawing();
    if (m_chunkCalls >= kChunkCalls) {
        // The owner set font, pen and brush on this painter and expects them to stay; a new device resets them.
        const QFont font = canvas.font();
        const QPen pen = canvas.pen();
        const QBrush brush = canvas.brush();
        const QPointF brushOrigin = canvas.brushOrigin();
        const QBrush background = canvas.background();
        const Qt::BGMode backgroundMode = canvas.backgroundMode();
        const qreal opacity = canvas.opacity();
        const QPainter::CompositionMode composition = canvas.compositionMode();
        const QPainter::RenderHints hints = canvas.renderHints();
        const Qt::LayoutDirection direction = canvas.layoutDirection();
        const QTransform transform = canvas.worldTransform();
        const bool clipped = canvas.hasClipping();
        const QPainterPath clip = clipped ? canvas.clipPath() : QPainterPath();

        CloseChunk();
        BeginChunk();

        canvas.setFont(font);
        canvas.setPen(pen);
        canvas.setBrush(brush);
        canvas.setBrushOrigin(brushOrigin);
        canvas.setBackground(background);
        canvas.setBackgroundMode(backgroundMode);
        canvas.setOpacity(opacity);
        canvas.setCompositionMode(composition);
        canvas.setRenderHints(hints);
        canvas.setLayoutDirection(direction);
        canvas.setWorldTransform(transform);
        if (clipped) canvas.setClipPath(clip);
        m_chunkSize = m_chunkPicture.size();
    }
    return canvas;
}

void TkvnPaintBox::EndDrawingCall(const QRect& reached)
{
    m_chunkBounds |= reached;
    m_chunkSize = m_chunkPicture.size();
    ++m_chunkCalls;
}

void TkvnPaintBox::NoteDirectDrawing()
{
    if (m_chunkPicture.size() != m_chunkSize) m_chunkUnbounded = true;
}

void TkvnPaintBox::BeginChunk()
{
    m_chunkPicture = QPicture();
    m_canvas.begin(&m_chunkPicture);
    m_chunkBounds = QRect();
    m_chunkUnbounded = false;
    m_chunkCalls = 0;
    m_chunkSize = m_chunkPicture.size();
}

void TkvnPaintBox::CloseChunk()
{
    NoteDirectDrawing();
    m_canvas.end();
    m_chunks.push_back(TChunk{m_chunkPicture, m_chunkBounds, m_chunkUnbounded});
}

QSize TkvnPaintBox::ScaledShownSize() const
{
    return QSize(ScaledLength(m_shownSize.width(), m_scale), ScaledLength(m_shownSize.height(), m_scale));
}

void TkvnPaintBox::LayoutScrollBars()
{
    UpdateScrollRanges();
    // The scroll area shows or hides its bars only later from the event loop; the owner reads the client size right
    // after ShowDrawing, so lay them out now. A second pass settles a bar that the first one made necessary.
    for (int pass = 0; pass < 2; ++pass) {
        QEvent request(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(this, &request);
    }
}

void TkvnPaintBox::UpdateScrollRanges()
{
    const QSize scaled = ScaledShownSize();
    const QSize area = viewport()->size();
    horizontalScrollBar()->setPageStep(std::max(area.width(), 1));
    horizontalScrollBar()->setRange(0, std::max(0, scaled.width() - area.width()));
    verticalScrollBar()->setPageStep(std::max(area.height(), 1));
    verticalScrollBar()->setRange(0, std::max(0, scaled.height() - area.height()));
}

void TkvnPaintBox::GrowExtent(long long right, long long bottom)
{
    m_extentWidth = std::max(m_extentWidth, ClampToInt(right));
    m_extentHeight = std::max(m_extentHeight, ClampToInt(bottom));
}

} // namespace kvn

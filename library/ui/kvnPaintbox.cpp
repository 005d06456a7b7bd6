#include "kvnPaintbox.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
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
        // A QPicture has no fixed surface, so direct drawing of any extent is kept whole.
        m_statePicture = QPicture();
        m_canvas.begin(&m_statePicture);
        m_canvas.setFont(font());
        m_emptyPictureSize = m_statePicture.size();
        m_ops.clear();
        m_drawnTextsStale = true;
        // A new recording is usually about as long as the one shown last (the owner clears the box before it
        // draws the next list): spare a long list its reallocations, each of which moves every operation.
        m_ops.reserve(m_lastShownCount);
        m_extentWidth = 0;
        m_extentHeight = 0;
        m_drawnLines.clear();
    }
    return m_canvas;
}

int TkvnPaintBox::StyleIndex(const QFont& base, TTextFlags flags)
{
    if (m_styleBaseIndex < 0 || !(base == m_styleBase)) {
        m_styleBase = base;
        m_styleBaseIndex = -1;
        for (std::size_t i = 0; i < m_styles.size(); i += 4) {
            if (m_styles[i].Font == base) m_styleBaseIndex = static_cast<int>(i);
        }
        if (m_styleBaseIndex < 0) {
            m_styleBaseIndex = static_cast<int>(m_styles.size());
            for (int style = 0; style < 4; ++style) {
                QFont styled = base;
                styled.setBold((style & 1) != 0);
                styled.setItalic((style & 2) != 0);
                m_styles.push_back(TFontStyle{styled, QFontMetrics(styled, &m_statePicture), {}});
            }
        }
    }
    const int style = ((flags & tfBold) != 0 ? 1 : 0) + ((flags & tfItalic) != 0 ? 2 : 0);
    return m_styleBaseIndex + style;
}

int TkvnPaintBox::TextWidth(TFontStyle& style, const QString& text)
{
    auto found = style.Widths.constFind(text);
    if (found != style.Widths.cend()) return *found;
    const int width = style.Metrics.horizontalAdvance(text);
    style.Widths.insert(text, width);
    return width;
}

void TkvnPaintBox::DrawText(int x, int y, int maxWidth, TTextFlags flags, const std::string& text)
{
    QPainter& canvas = DrawCanvas();
    // The base font is the canvas font without style, as the owner set it. Most calls find it so already and
    // share it: unstyling a copy would detach it on every call.
    QFont base = canvas.font();
    if (base.weight() != QFont::Normal || base.style() != QFont::StyleNormal) {
        // A style the owner put on the canvas font applies to this call only, as the flags do.
        base.setBold(false);
        base.setItalic(false);
        canvas.setFont(base);
    }
    const int fontIndex = StyleIndex(base, flags);
    TFontStyle& style = m_styles[static_cast<std::size_t>(fontIndex)];

    const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const int natural = TextWidth(style, qtext);
    const int width = maxWidth > 0 ? std::min(natural, maxWidth) : natural;
    int height = style.Metrics.height();

    long long left = x;
    if ((flags & tfCenter) != 0) left -= width / 2;
    if ((flags & tfRight) != 0) left -= width;
    if ((flags & tfDecimal) != 0) {
        const qsizetype dot = qtext.indexOf(QLatin1Char('.'));
        left -= dot >= 0 ? TextWidth(style, qtext.left(dot + 1)) : TextWidth(style, qtext.trimmed());
    }
    const int drawX = ClampToInt(left);
    const bool vertical = (flags & tfVertical) != 0;
    const int drawnHeight = (flags & tfUnderline) != 0 ? height + 1 : height;

    TDrawOp op;
    op.IsText = true;
    op.Pen = canvas.pen();
    op.Brush = canvas.brush();
    op.FontIndex = fontIndex;
    op.Text = qtext;
    op.Origin = QPoint(drawX, y);
    op.AnchorX = x;
    op.Width = width;
    op.Natural = natural;
    op.Height = height;
    op.Ascent = style.Metrics.ascent();
    op.MaxWidth = maxWidth;
    op.Flags = flags;
    // Overhangs of italic and bold glyphs reach a little beyond the advance width; a margin of one text height
    // covers them.
    const long long length = natural;
    const QRect reached = vertical ? SafeRect(left, static_cast<long long>(y) - length, left + height, y)
                                   : SafeRect(left, y, left + length, static_cast<long long>(y) + height);
    op.Bounds = reached.adjusted(-height, -height, height, height);
    m_ops.push_back(std::move(op));
    m_drawnTextsStale = true;

    GrowExtent(left + width, static_cast<long long>(y) + drawnHeight);
}

const std::vector<TDrawnText>& TkvnPaintBox::DrawnTexts() const
{
    if (!m_drawnTextsStale) return m_drawnTexts;
    m_drawnTexts.clear();
    for (const TDrawOp& op : IsRecording() ? m_ops : m_shown) {
        if (!op.IsText) continue;
        const int drawnHeight = (op.Flags & tfUnderline) != 0 ? op.Height + 1 : op.Height;
        m_drawnTexts.push_back(TDrawnText{op.Text.toStdString(), op.AnchorX, op.Origin.x(), op.Origin.y(), op.Width,
                                          drawnHeight, op.Flags});
    }
    m_drawnTextsStale = false;
    return m_drawnTexts;
}

void TkvnPaintBox::PaintOp(QPainter& painter, const TDrawOp& op) const
{
    if (!op.IsText) {
        painter.setPen(op.Pen);
        painter.drawLine(op.Line);
        return;
    }
    // Everything below is drawn in the text's own frame, so that a vertical text is clipped along its length and
    // underlined under its letters, just like a horizontal one.
    painter.save();
    painter.translate(op.Origin);
    if ((op.Flags & tfVertical) != 0) painter.rotate(-90); // reads bottom to top
    if (op.MaxWidth != 0) painter.setClipRect(QRect(0, 0, op.Width + 1, op.Height + 1), Qt::IntersectClip);
    // The brush is the text's background: the owner highlights a line by setting one.
    if (op.Brush.style() != Qt::NoBrush) painter.fillRect(QRect(0, 0, op.Natural, op.Height), op.Brush);
    painter.setFont(m_styles[static_cast<std::size_t>(op.FontIndex)].Font);
    painter.setPen(op.Pen);
    painter.drawText(QPointF(0, op.Ascent), op.Text);
    if ((op.Flags & tfUnderline) != 0) {
        QPen pen = op.Pen;
        pen.setWidth(op.Height / 15);
        painter.setPen(pen);
        painter.drawLine(0, op.Height, op.Width, op.Height);
    }
    painter.restore();
}

void TkvnPaintBox::DrawLine(int x1, int y1, int penWidth, int y2, int x2)
{
    QPainter& canvas = DrawCanvas();
    const int width = std::max(penWidth, 0);
    QPen pen = canvas.pen();
    pen.setWidth(width);
    canvas.setPen(pen);
    GrowExtent(std::max(x1, x2), std::max(y1, y2));
    m_drawnLines.push_back(TDrawnLine{x1, y1, x2, y2, penWidth});
    TDrawOp op;
    op.Pen = pen;
    op.Line = QLine(x1, y1, x2, y2);
    const long long margin = width / 2 + 2;
    op.Bounds = SafeRect(std::min(x1, x2) - margin, std::min(y1, y2) - margin, std::max(x1, x2) + margin,
                         std::max(y1, y2) + margin);
    m_ops.push_back(std::move(op));
}

void TkvnPaintBox::ShowDrawing()
{
    m_drawnTextsStale = true;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    if (!m_canvas.isActive()) {
        m_shown.clear();
        m_hasShownDirect = false;
        m_shownSize = QSize(1, 1);
    } else {
        const bool direct = m_statePicture.size() != m_emptyPictureSize;
        m_canvas.end();
        m_shown = std::move(m_ops);
        m_ops.clear();
        m_lastShownCount = m_shown.size();
        // A short list after a long one keeps no room for the long one.
        if (m_shown.capacity() > 2 * m_shown.size() + 256) m_shown.shrink_to_fit();
        m_hasShownDirect = direct;
        m_shownDirect = direct ? m_statePicture : QPicture();
        m_statePicture = QPicture();
        m_shownSize = QSize(m_extentWidth, m_extentHeight);
    }
    IndexShownOps();
    LayoutScrollBars();
    viewport()->update();
}

void TkvnPaintBox::IndexShownOps()
{
    m_shownByTop.resize(m_shown.size());
    m_shownMaxHeight = 0;
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        m_shownByTop[i] = i;
        m_shownMaxHeight = std::max(m_shownMaxHeight, m_shown[i].Bounds.height());
    }
    // Lists are drawn top to bottom, so this is nearly sorted already; stable keeps the drawing order of overlaps.
    std::stable_sort(m_shownByTop.begin(), m_shownByTop.end(),
                     [this](std::size_t a, std::size_t b) { return m_shown[a].Bounds.top() < m_shown[b].Bounds.top(); });
}

void TkvnPaintBox::Clear()
{
    m_shown.clear();
    m_drawnTextsStale = true;
    m_hasShownDirect = false;
    IndexShownOps();
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
    if (m_shown.empty() && !m_hasShownDirect) return;
    const QSize scaled = ScaledShownSize();
    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    // Whatever was drawn left of or above the origin, or beyond the extent, is not part of the picture.
    painter.setClipRect(QRect(QPoint(0, 0), scaled));
    painter.scale(m_scale / 100.0, m_scale / 100.0);
    const QRect exposed = painter.worldTransform().inverted().mapRect(QRectF(event->rect())).toAlignedRect();

    // Only the calls whose top lies within the tallest call's height above the exposed area can reach into it.
    const long long firstTop = static_cast<long long>(exposed.top()) - m_shownMaxHeight;
    auto first = std::lower_bound(m_shownByTop.begin(), m_shownByTop.end(), firstTop,
                                  [this](std::size_t index, long long top) { return m_shown[index].Bounds.top() < top; });
    std::vector<std::size_t> visible;
    for (auto it = first; it != m_shownByTop.end() && m_shown[*it].Bounds.top() <= exposed.bottom(); ++it) {
        if (m_shown[*it].Bounds.intersects(exposed)) visible.push_back(*it);
    }
    // Overlapping calls paint in the order they were drawn.
    std::sort(visible.begin(), visible.end());
    for (std::size_t index : visible)
        PaintOp(painter, m_shown[index]);
    if (m_hasShownDirect) painter.drawPicture(0, 0, m_shownDirect);
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

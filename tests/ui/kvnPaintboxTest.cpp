#include "kvnPaintbox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <memory>
#include <stdexcept>

using namespace kvn;

namespace {

// Counts the dark pixels of the rectangle: drawn ink on the white list background.
int Ink(const QImage& image, const QRect& area)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    return count;
}

class PaintBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        box.resize(300, 200);
        box.show();
    }
    QImage Shown() { return box.viewport()->grab().toImage(); }
    int TextWidth(const char* text) { return box.DrawCanvas().fontMetrics().horizontalAdvance(QString(text)); }
    void Key(int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&box, &press);
    }

    TkvnPaintBox box;
};

} // namespace

TEST_F(PaintBox, PictureHasExactlyTheDrawnExtent)
{
    box.ShowDrawing();
    EXPECT_EQ(box.ShownSize(), QSize(1, 1));
    EXPECT_EQ(box.horizontalScrollBar()->maximum() + box.verticalScrollBar()->maximum(), 0);
    box.DrawLine(0, 20, 10, 20, 100); // the thick pen reaches 5 pixels below y = 20
    box.ShowDrawing();
    EXPECT_EQ(box.ShownSize(), QSize(100, 20));
    EXPECT_GT(Ink(Shown(), QRect(0, 15, 100, 5)), 0);
    EXPECT_EQ(Ink(Shown(), QRect(0, 20, 300, 180)), 0);
}

TEST_F(PaintBox, MaxWidthCutsTextAtTheColumnEdge)
{
    const char* text = "Wolfgang Amadeus Mustermann";
    ASSERT_GT(TextWidth(text), 80);
    box.DrawText(10, 5, 50, 0, text);
    box.DrawText(10, 40, 0, 0, text);
    box.ShowDrawing();
    EXPECT_EQ(box.DrawnTexts()[0].Width, 50);
    const QImage shown = Shown();
    EXPECT_EQ(Ink(shown, QRect(61, 0, 240, 35)), 0);
    EXPECT_GT(Ink(shown, QRect(61, 40, 240, 20)), 0); // the unlimited copy shows the clip is real
}

TEST_F(PaintBox, FlagsPlaceAndStyleTheText)
{
    const int w = TextWidth("abcdefgh");
    box.DrawText(10, 0, 0, tfRight, "abcdefgh");
    EXPECT_EQ(box.DrawnTexts().back().X, 10 - w);
    EXPECT_EQ(box.ExtentWidth(), 10); // the part left of 0 does not widen the extent
    box.DrawText(100, 0, 0, tfCenter, "abcdefgh");
    EXPECT_EQ(box.DrawnTexts().back().X, 100 - w / 2);
    box.DrawText(100, 0, 0, tfDecimal, "12.34");
    EXPECT_EQ(box.DrawnTexts().back().X, 100 - TextWidth("12."));
    box.DrawText(100, 0, 0, tfDecimal, "  77 ");
    EXPECT_EQ(box.DrawnTexts().back().X, 100 - TextWidth("77"));

    QFont bold = box.DrawCanvas().font();
    bold.setBold(true);
    box.DrawText(0, 20, 0, tfBold | tfUnderline, "1:02.34");
    EXPECT_EQ(box.DrawnTexts().back().Width,
              QFontMetrics(bold, box.DrawCanvas().device()).horizontalAdvance("1:02.34"));
    EXPECT_EQ(box.ExtentHeight(), 20 + box.DrawCanvas().fontMetrics().height() + 1);
    EXPECT_FALSE(box.DrawCanvas().font().bold());
}

TEST_F(PaintBox, RecordLivesFromFirstDrawingToTheNextRecording)
{
    box.DrawLine(-5, 30, 2, 12, 140);
    box.Clear(); // removes only the shown picture
    box.DrawText(0, 0, 0, 0, "x");
    box.ShowDrawing();
    EXPECT_EQ(box.DrawnLines().size() + box.DrawnTexts().size(), 2u);
    EXPECT_EQ(box.ShownSize(), QSize(140, 30));
    box.DrawLine(0, 0, 1, 4, 4);
    EXPECT_EQ(box.DrawnTexts().size(), 0u);
    EXPECT_EQ(box.ExtentWidth(), 4);
}

TEST_F(PaintBox, ScrollKeysWorkOnlyWithAVerticalScrollBar)
{
    QScrollBar* bar = box.verticalScrollBar();
    box.DrawLine(0, 0, 1, 100, 10);
    box.ShowDrawing();
    Key(Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), 0);
    box.DrawLine(0, 0, 1, 1000, 10);
    box.ShowDrawing();
    Key(Qt::Key_Up);
    Key(Qt::Key_PageDown);
    Key(Qt::Key_Down);
    EXPECT_EQ(bar->value(), box.viewport()->height());
    Key(Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), 8);
    for (int i = 0; i < 10; ++i)
        Key(Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(PaintBox, HorizontalScrollMovesTheHeader)
{
    QWidget header;
    header.setGeometry(1, 0, 100, 20);
    int reported = 1;
    box.OnHorizontalScroll = [&](int xOffset) {
        reported = xOffset;
        TkvnPaintBox::AlignHeader(&header, box.width(), xOffset);
    };
    box.OnResize = [&] { TkvnPaintBox::AlignHeader(&header, box.width()); };
    box.DrawLine(0, 0, 1, 10, 1000);
    box.ShowDrawing();
    box.horizontalScrollBar()->setValue(120);
    EXPECT_EQ(reported, -120);
    EXPECT_EQ(header.geometry(), QRect(-120, 0, 300 - 2 + 120, 20));
    box.resize(250, 200);
    EXPECT_EQ(header.geometry(), QRect(-120, 0, 250 - 2 + 120, 20));
    box.ShowDrawing();
    EXPECT_EQ(header.geometry(), QRect(0, 0, 248, 20));
}

TEST_F(PaintBox, LongListIsWholeAndReachable)
{
    // 5000 lines of 15 pixels go far beyond the 32767 pixels a window system allows one widget.
    for (int i = 0; i < 5000; ++i)
        box.DrawText(5, 5 + 15 * i, 140, 0, "Line " + std::to_string(i + 1));
    const int lastY = 5 + 15 * 4999;
    box.DrawLine(5, lastY + 8, 6, lastY + 8, 250);
    box.ShowDrawing();
    EXPECT_EQ(box.DrawnTexts().back().Text, "Line 5000");
    EXPECT_GE(box.ExtentHeight(), 75000);
    QScrollBar* bar = box.verticalScrollBar();
    EXPECT_TRUE(bar->isVisible()); // laid out at once: the owner reads the client height right away
    EXPECT_EQ(bar->maximum(), box.ExtentHeight() - box.viewport()->height());
    bar->setValue(bar->maximum());
    const QImage shown = Shown();
    EXPECT_GT(Ink(shown, QRect(5, lastY + 7 - bar->value(), 240, 3)), 600);
    EXPECT_GT(Ink(shown, QRect(5, lastY - bar->value(), 140, 7)), 0);
}

TEST_F(PaintBox, CanvasStateAndDirectDrawingLastThroughLongRecordings)
{
    QPainter& canvas = box.DrawCanvas();
    canvas.setPen(QColor(Qt::red));
    for (int i = 0; i < 1000; ++i) {
        box.DrawLine(0, 10 * i, 1, 10 * i, 20);
        // Drawn straight on the canvas, far below the lines recorded around it.
        if (i == 300) canvas.fillRect(QRect(5, 9002, 10, 5), QColor(Qt::blue));
    }
    box.ShowDrawing();
    box.verticalScrollBar()->setValue(9000);
    const QImage shown = Shown();
    EXPECT_EQ(shown.pixelColor(10, 4), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(10, 10), QColor(Qt::red)); // the pen set before the first line
}

TEST_F(PaintBox, ScaleZoomsThePicture)
{
    box.DrawLine(0, 50, 4, 50, 100);
    box.DrawLine(0, 0, 1, 150, 0);
    box.ShowDrawing();
    box.SetScale(200);
    EXPECT_EQ(box.verticalScrollBar()->maximum(), 300 - box.viewport()->height());
    EXPECT_GT(Ink(Shown(), QRect(20, 98, 150, 5)), 0);
    EXPECT_EQ(Ink(Shown(), QRect(20, 40, 150, 20)), 0);
    EXPECT_THROW(box.SetScale(0), std::invalid_argument);
}

TEST_F(PaintBox, VerticalTextAndHighlightBackground)
{
    box.DrawText(40, 150, 0, tfVertical, "Staffel");
    box.DrawCanvas().setBrush(QColor(Qt::red));
    box.DrawText(100, 10, 0, 0, "Hit");
    box.ShowDrawing();
    const TDrawnText vertical = box.DrawnTexts()[0];
    const QImage shown = Shown();
    EXPECT_GT(Ink(shown, QRect(40, 150 - vertical.Width, vertical.Height, vertical.Width)), 0);
    EXPECT_EQ(Ink(shown, QRect(40 + vertical.Height + 1, 40, 50, 160)), 0);
    EXPECT_EQ(Ink(shown, QRect(0, 151, 300, 49)), 0);
    EXPECT_EQ(shown.pixelColor(101, 11), QColor(Qt::red));
}

#include "kvnPrintPreview.h"

#include "printTestSupport.h"

#include "kvnFunctions.h"
#include "kvnIniFiles.h"
#include "kvnQtCanvas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace kvn;

namespace {

// Every test previews a two-page A4 report at 96 pixels per inch.
class PrintPreview : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fFolder.Valid());
        kvntest::NumberedLines(fReport, 80);
        TKvnQtPreviewDevice device(96);
        fReport.Preview(device);
        ASSERT_EQ(fReport.PreviewPages().size(), 2u);
    }

    template <class TWidget>
    static TWidget& Child(TkvnPreviewDlg& dialog, const char* name)
    {
        return *dialog.findChild<TWidget*>(name);
    }
    static bool Enabled(TkvnPreviewDlg& dialog, const char* name)
    {
        return Child<QToolButton>(dialog, name).isEnabled();
    }

    kvntest::TPrintFolder fFolder;
    kvntest::TA4Printers fPrinters;
    TKvnReport fReport{&fPrinters};
};

const QSize kA4(2100 * 96 / 254 + 2, 2970 * 96 / 254 + 2);

} // namespace

TEST_F(PrintPreview, ZoomStepsByTheRootOfTwoUntilTheLimitsAndPagingKeepsTheZoom)
{
    TkvnPreviewDlg dialog;
    dialog.resize(600, 500);
    dialog.SetPages(fReport.PreviewPages());
    EXPECT_EQ(dialog.BaseSize(), kA4);
    EXPECT_EQ(dialog.ImageSize(), kA4);
    EXPECT_EQ(Child<QLabel>(dialog, "lblProzentInfo").text(), "100%");
    EXPECT_EQ(Child<QLabel>(dialog, "lblPageNr").text(), "Page 1 of 2");
    EXPECT_FALSE(Enabled(dialog, "btnPrev"));
    EXPECT_TRUE(Enabled(dialog, "btnNext"));

    // Zoom in is offered up to 23000 pixels a side, so the last step ends beyond it.
    QSize before;
    int steps = 0;
    while (Enabled(dialog, "btnZoomIn") && ++steps < 50) {
        before = dialog.ImageSize();
        Child<QToolButton>(dialog, "btnZoomIn").click();
        EXPECT_EQ(dialog.ImageSize(),
                  QSize(MulDiv(before.width(), 141421, 100000), MulDiv(before.height(), 141421, 100000)));
    }
    EXPECT_LE(std::max(before.width(), before.height()), TkvnPreviewDlg::kZoomLimit);
    EXPECT_GT(std::max(dialog.ImageSize().width(), dialog.ImageSize().height()), TkvnPreviewDlg::kZoomLimit);

    // Another page keeps the zoom; the keys page as well.
    QSize zoomed = dialog.ImageSize();
    Child<QToolButton>(dialog, "btnNext").click();
    EXPECT_EQ(dialog.PageIndex(), 1);
    EXPECT_EQ(dialog.ImageSize(), zoomed);
    EXPECT_EQ(Child<QLabel>(dialog, "lblPageNr").text(), "Page 2 of 2");
    EXPECT_FALSE(Enabled(dialog, "btnLast"));
    EXPECT_TRUE(Enabled(dialog, "btnFirst"));
    QTest::keyClick(&Child<QScrollArea>(dialog, "ScrollBox"), Qt::Key_PageUp);
    EXPECT_EQ(dialog.PageIndex(), 0);
    EXPECT_EQ(dialog.ImageSize(), zoomed);

    // Zoom out is offered until the page fits the scroll box with 20 pixels to spare.
    QSize box = Child<QScrollArea>(dialog, "ScrollBox").size();
    steps = 0;
    while (Enabled(dialog, "btnZoomOut") && ++steps < 50) {
        before = dialog.ImageSize();
        QTest::keyClick(&Child<QScrollArea>(dialog, "ScrollBox"), Qt::Key_Minus, Qt::KeypadModifier);
    }
    EXPECT_TRUE(before.width() + 20 > box.width() || before.height() + 20 > box.height());
    EXPECT_LE(dialog.ImageSize().width() + 20, box.width());
    EXPECT_LE(dialog.ImageSize().height() + 20, box.height());
    QTest::keyClick(&Child<QScrollArea>(dialog, "ScrollBox"), Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(dialog.ImageSize(),
              QSize(MulDiv(before.width(), 100000, 141421), MulDiv(before.height(), 100000, 141421)))
        << "a refused step changes nothing";

    QTest::keyClick(&dialog, Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_EQ(dialog.ImageSize(), kA4);
}

TEST_F(PrintPreview, StoredZoomIsRestoredAndWrittenBackWhenTheWindowCloses)
{
    for (int stored : {0, -40}) {
        SettingsFile().WriteInteger("Printer", "PreviewProzent", stored);
        TkvnPreviewDlg dialog;
        dialog.SetPages(fReport.PreviewPages());
        dialog.RestoreZoom();
        EXPECT_EQ(dialog.ImageSize(), kA4) << stored;
    }
    {
        SettingsFile().WriteInteger("Printer", "PreviewProzent", 150);
        TkvnPreviewDlg dialog;
        dialog.SetPages(fReport.PreviewPages());
        dialog.RestoreZoom();
        EXPECT_EQ(dialog.ImageSize(), QSize(MulDiv(kA4.width(), 150, 100), MulDiv(kA4.height(), 150, 100)));
        dialog.ZoomIn();
    }
    EXPECT_EQ(SettingsFile().ReadInteger("Printer", "PreviewProzent", 0), 212);

    // A stored zoom no button could reach is held to the largest one.
    SettingsFile().WriteInteger("Printer", "PreviewProzent", 2000000000);
    TkvnPreviewDlg dialog;
    dialog.SetPages(fReport.PreviewPages());
    dialog.RestoreZoom();
    EXPECT_LE(dialog.ImageSize().height(), MulDiv(TkvnPreviewDlg::kZoomLimit, 141421, 100000) + 1);
    EXPECT_FALSE(Enabled(dialog, "btnZoomIn"));
}

// The image of a page zoomed past 23000 pixels is a widget of that size; what a paint event draws is only the
// rectangle on the screen, from the picture through a scaled painter.
TEST_F(PrintPreview, AHugeZoomPaintsOnlyTheVisiblePartOfThePage)
{
    TkvnPreviewDlg dialog;
    dialog.SetPages(fReport.PreviewPages());
    dialog.resize(640, 480);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    while (Enabled(dialog, "btnZoomIn"))
        dialog.ZoomIn();
    ASSERT_GT(dialog.ImageSize().height(), TkvnPreviewDlg::kZoomLimit);

    auto& box = Child<QScrollArea>(dialog, "ScrollBox");
    auto& image = Child<TKvnPreviewImage>(dialog, "imgPreview");
    box.horizontalScrollBar()->setValue(box.horizontalScrollBar()->maximum() / 2);
    box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum() / 3);
    QCoreApplication::processEvents();
    image.ResetPainted();
    // Rendering the viewport runs the paint events of what it shows, as the screen does.
    QImage shown = box.viewport()->grab().toImage();

    QRect painted = image.PaintedRect();
    QRect visible = image.visibleRegion().boundingRect();
    ASSERT_FALSE(painted.isEmpty());
    EXPECT_TRUE(visible.contains(painted));
    EXPECT_LE(painted.width(), box.viewport()->width());
    EXPECT_LE(painted.height(), box.viewport()->height());
    // What reached the screen is the page: white paper somewhere in the middle of the sheet.
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, 2), QColor(Qt::white));

    // The whole page comes back at once, in a window that shows it without scroll bars.
    QTest::keyClick(&box, Qt::Key_Asterisk, Qt::KeypadModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(box.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(box.horizontalScrollBar()->maximum(), 0);
    EXPECT_LT(dialog.ImageSize().height(), dialog.height());
    QImage page = box.viewport()->grab().toImage();
    int inked = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixelColor(x, y).lightness() < 100) ++inked;
    EXPECT_GT(inked, 500) << "the lines of the report";
}

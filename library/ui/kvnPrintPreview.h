#pragma once

#include "kvnForm.h"
#include "kvnPrint.h"

#include <QRect>
#include <QSize>
#include <QWidget>

#include <memory>

class QPicture;

namespace Ui {
class TkvnPreviewDlg;
}

// The print preview: shows the pages that a preview run of the report engine recorded, one at a time, with zoom
// and page navigation, and lets the user start printing from there (the dialog then ends with "accepted").

namespace kvn {

// The page image of the preview. It shows a recorded page picture stretched to the widget's size and draws only
// the part a paint event asks for, through a scaled painter: a page zoomed far beyond the screen costs no more
// memory than the part on the screen.
class TKvnPreviewImage : public QWidget {
    Q_OBJECT

public:
    explicit TKvnPreviewImage(QWidget* parent = nullptr);

    // Shows picture (not owned, must outlive its use; nullptr for blank paper), whose own size is pictureSize.
    void SetPicture(const QPicture* picture, QSize pictureSize);
    // The picture shown, or nullptr.
    const QPicture* Picture() const { return fPicture; }

    // The smallest rectangle holding everything paint events have drawn since ResetPainted, in widget coordinates.
    QRect PaintedRect() const { return fPainted; }
    void ResetPainted() { fPainted = QRect(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QPicture* fPicture = nullptr;
    QSize fPictureSize;
    QRect fPainted;
};

class TkvnPreviewDlg : public TKvnFormDialog {
    Q_OBJECT

public:
    // Zoom in is offered while neither side of the image is longer than this, in pixels.
    static constexpr int kZoomLimit = 23000;
    // Room the image keeps to the scroll box's edges before zoom out stops being offered, in pixels.
    static constexpr int kFitMargin = 20;

    explicit TkvnPreviewDlg(QWidget* parent = nullptr);
    // Remembers the zoom in "Printer"/"PreviewProzent".
    ~TkvnPreviewDlg() override;
    TkvnPreviewDlg(const TkvnPreviewDlg&) = delete;
    TkvnPreviewDlg& operator=(const TkvnPreviewDlg&) = delete;

    // Shows pages (not owned, must outlive the dialog); the first page's size becomes the 100 % size.
    void SetPages(const TPreviewList& pages);
    // Shows page index (from 0) at the current zoom; nothing for an index outside the pages or already shown.
    void ShowPage(int index);
    // Sizes the page image to width x height pixels.
    void SetViewSize(int width, int height);
    // Restores the zoom stored in "Printer"/"PreviewProzent" (100 % for none or a value of 0 or less).
    void RestoreZoom();
    // Sizes the window to 4/5 of the screen height, zooms the page to fit it whole and centres the window.
    void FitWholePage();

    // The zoom commands of the tool bar.
    void ZoomIn();
    void ZoomOut();
    void Zoom100();
    void ZoomPageWidth();

    // Handles a key of the window (seen before its controls); true when the key was used.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

    // Page shown, from 0; -1 before the first.
    int PageIndex() const { return fPageIndex; }
    int PageCount() const;
    // The 100 % size: the first page's picture.
    QSize BaseSize() const { return {fBaseWidth, fBaseHeight}; }
    // The size chosen for the image; 0 x 0 until a zoom is chosen (the picture's own size then).
    QSize ViewSize() const { return {fViewWidth, fViewHeight}; }
    // The image's current size.
    QSize ImageSize() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateButtons();
    void ScrollBy(int horizontalSteps, int verticalSteps);

    std::unique_ptr<Ui::TkvnPreviewDlg> fUi;
    const TPreviewList* fPages = nullptr;
    int fPageIndex = -1;
    int fBaseWidth = 0;
    int fBaseHeight = 0;
    int fViewWidth = 0;
    int fViewHeight = 0;
};

} // namespace kvn

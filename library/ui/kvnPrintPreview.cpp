#include "kvnPrintPreview.h"

#include "ui_TkvnPreviewDlg.h"

#include "kvnFunctions.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnQtCanvas.h"
#include "kvnStrings.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace kvn {

namespace {

const char* const kPrinterSection = "Printer";
const char* const kZoomKey = "PreviewProzent";

// Where the image sits in the scroll box, and the margin panels beside it.
constexpr int kImageLeft = 10;
constexpr int kImageTop = 2;
constexpr int kPanelDepth = 10;
constexpr int kPanelLength = 20;

// Zoom steps are a factor of the square root of 2, in hundred-thousandths.
constexpr int kZoomFactor = 141421;
constexpr int kZoomUnit = 100000;

// The largest side zoom in can reach; a stored zoom is kept within it.
constexpr int kLargestSide = (TkvnPreviewDlg::kZoomLimit * static_cast<long long>(kZoomFactor)) / kZoomUnit + 1;

// Window frame (borders and caption) assumed for a window that is not on the screen yet.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 35;

// The fallback pictures of the tool bar, for desktops whose icon theme lacks the usual names.
enum TToolGlyph {
    tgPrint,
    tgCancel,
    tgZoomIn,
    tgZoomOut,
    tgZoom100,
    tgPageWidth,
    tgWholePage,
    tgFirst,
    tgPrev,
    tgNext,
    tgLast
};

void DrawMagnifier(QPainter& painter, const QString& sign)
{
    painter.setPen(QPen(QColor(40, 40, 40), 1.6));
    painter.setBrush(QColor(225, 238, 252));
    painter.drawEllipse(QRectF(1.5, 1.5, 10, 10));
    painter.setPen(QPen(QColor(40, 40, 40), 2.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
    if (sign.isEmpty()) return;
    QFont font = painter.font();
    font.setPixelSize(sign.size() > 1 ? 6 : 10);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(20, 20, 20));
    painter.drawText(QRectF(1.5, 1.5, 10, 10), Qt::AlignCenter, sign);
}

void DrawPage(QPainter& painter)
{
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(3.5, 1.5, 9, 13));
}

void DrawTriangle(QPainter& painter, qreal tipX, bool pointsLeft)
{
    QPainterPath path;
    qreal backX = pointsLeft ? tipX + 6 : tipX - 6;
    path.moveTo(tipX, 8);
    path.lineTo(backX, 3);
    path.lineTo(backX, 13);
    path.closeSubpath();
    painter.fillPath(path, QColor(45, 80, 150));
}

QIcon DrawnIcon(TToolGlyph glyph)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case tgPrint:
        painter.setPen(QPen(QColor(60, 60, 60), 1));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(4.5, 1.5, 7, 5));
        painter.setBrush(QColor(150, 150, 150));
        painter.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(4.5, 10.5, 7, 4));
        break;
    case tgCancel:
        painter.setPen(QPen(QColor(190, 40, 40), 2.4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(4, 4), QPointF(12, 12));
        painter.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case tgZoomIn:
        DrawMagnifier(painter, QStringLiteral("+"));
        break;
    case tgZoomOut:
        DrawMagnifier(painter, QStringLiteral("\u2013"));
        break;
    case tgZoom100:
        DrawMagnifier(painter, QStringLiteral("1:1"));
        break;
    case tgPageWidth:
        DrawPage(painter);
        painter.setPen(QPen(QColor(45, 80, 150), 1.4));
        painter.drawLine(QPointF(1, 8), QPointF(15, 8));
        DrawTriangle(painter, 0.5, true);
        DrawTriangle(painter, 15.5, false);
        break;
    case tgWholePage:
        DrawPage(painter);
        painter.setPen(QPen(QColor(45, 80, 150), 1));
        for (qreal y : {4.5, 7.0, 9.5, 12.0})
            painter.drawLine(QPointF(5.5, y), QPointF(10.5, y));
        break;
    case tgFirst:
        painter.fillRect(QRectF(2, 3, 2, 10), QColor(45, 80, 150));
        DrawTriangle(painter, 5, true);
        DrawTriangle(painter, 9, true);
        break;
    case tgPrev:
        DrawTriangle(painter, 5, true);
        break;
    case tgNext:
        DrawTriangle(painter, 11, false);
        break;
    case tgLast:
        DrawTriangle(painter, 7, false);
        DrawTriangle(painter, 11, false);
        painter.fillRect(QRectF(12, 3, 2, 10), QColor(45, 80, 150));
        break;
    }
    painter.end();
    return QIcon(pixmap);
}

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Page image

TKvnPreviewImage::TKvnPreviewImage(QWidget* parent) : QWidget(parent)
{
    // Every paint event draws its whole rectangle, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TKvnPreviewImage::SetPicture(const QPicture* picture, QSize pictureSize)
{
    fPicture = picture;
    fPictureSize = pictureSize;
    update();
}

void TKvnPreviewImage::paintEvent(QPaintEvent* event)
{
    const QRect area = event->rect();
    fPainted = fPainted.united(area);
    QPainter painter(this);
    painter.setClipRect(area);
    painter.fillRect(area, palette().color(QPalette::Window));
    if (fPicture == nullptr || fPictureSize.isEmpty()) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The picture is replayed through the scale; the clip keeps the work to the rectangle on the screen.
    painter.scale(static_cast<qreal>(width()) / fPictureSize.width(),
                  static_cast<qreal>(height()) / fPictureSize.height());
    painter.drawPicture(0, 0, *fPicture);
}

// ---------------------------------------------------------------------------------------------------------------
// Dialog

TkvnPreviewDlg::TkvnPreviewDlg(QWidget* parent)
    : TKvnFormDialog(parent, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowTitleHint |
                                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      fUi(std::make_unique<Ui::TkvnPreviewDlg>())
{
    fUi->setupUi(this);
    Form().FormLoaded();

    struct TTool {
        QToolButton* Button;
        const char* Theme;
        TToolGlyph Glyph;
        void (TkvnPreviewDlg::*Command)();
    };
    const TTool tools[] = {
        {fUi->btnPrint, "document-print", tgPrint, nullptr},
        {fUi->btnCancel, "window-close", tgCancel, nullptr},
        {fUi->btnZoomIn, "zoom-in", tgZoomIn, &TkvnPreviewDlg::ZoomIn},
        {fUi->btnZoomOut, "zoom-out", tgZoomOut, &TkvnPreviewDlg::ZoomOut},
        {fUi->btnZoom100, "zoom-original", tgZoom100, &TkvnPreviewDlg::Zoom100},
        {fUi->btnZoomPage, "zoom-fit-width", tgPageWidth, &TkvnPreviewDlg::ZoomPageWidth},
        {fUi->btnFullPage, "zoom-fit-best", tgWholePage, &TkvnPreviewDlg::FitWholePage},
        {fUi->btnFirst, "go-first", tgFirst, nullptr},
        {fUi->btnPrev, "go-previous", tgPrev, nullptr},
        {fUi->btnNext, "go-next", tgNext, nullptr},
        {fUi->btnLast, "go-last", tgLast, nullptr},
    };
    for (const TTool& tool : tools) {
        tool.Button->setIcon(QIcon::fromTheme(QString::fromLatin1(tool.Theme), DrawnIcon(tool.Glyph)));
        if (tool.Command != nullptr) connect(tool.Button, &QToolButton::clicked, this, tool.Command);
    }
    connect(fUi->btnPrint, &QToolButton::clicked, this, &QDialog::accept);
    connect(fUi->btnCancel, &QToolButton::clicked, this, &QDialog::reject);
    connect(fUi->btnFirst, &QToolButton::clicked, this, [this] { ShowPage(0); });
    connect(fUi->btnPrev, &QToolButton::clicked, this, [this] { ShowPage(fPageIndex - 1); });
    connect(fUi->btnNext, &QToolButton::clicked, this, [this] { ShowPage(fPageIndex + 1); });
    connect(fUi->btnLast, &QToolButton::clicked, this, [this] { ShowPage(PageCount() - 1); });

    // The window sees the keys before its controls, so the scroll box does not take the arrows and pages first.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    UpdateButtons();
}

TkvnPreviewDlg::~TkvnPreviewDlg()
{
    int width = ImageSize().width();
    if (width <= 0 || fBaseWidth <= 0) return;
    try {
        SettingsFile().WriteInteger(kPrinterSection, kZoomKey, MulDiv(width, 100, fBaseWidth));
    } catch (const EKvnError&) {
        // A closing window has nobody left to tell; the next preview starts from the zoom stored before.
    }
}

int TkvnPreviewDlg::PageCount() const
{
    return fPages != nullptr ? static_cast<int>(fPages->size()) : 0;
}

QSize TkvnPreviewDlg::ImageSize() const
{
    return fUi->imgPreview->size();
}

void TkvnPreviewDlg::SetPages(const TPreviewList& pages)
{
    fPages = &pages;
    fPageIndex = -1;
    if (!pages.empty()) {
        fBaseWidth = pages.front()->Width();
        fBaseHeight = pages.front()->Height();
        ShowPage(0);
    } else {
        fUi->imgPreview->SetPicture(nullptr, QSize());
        fUi->lblPageNr->clear();
        SetViewSize(0, 0);
    }
}

void TkvnPreviewDlg::ShowPage(int index)
{
    if (index == fPageIndex || index < 0 || index >= PageCount()) return;
    fPageIndex = index;
    fUi->lblPageNr->setText(
        FromUtf8(FormatText(GetLanguage().GetText("G", 61), {IntToStr(index + 1), IntToStr(PageCount())})));
    // The page number must not be cut off, however long the language's wording.
    setMinimumWidth(std::max(minimumWidth(), layout()->minimumSize().width()));
    const IKvnPreviewPage& page = *(*fPages)[static_cast<std::size_t>(index)];
    fUi->imgPreview->SetPicture(PreviewPicture(page), QSize(page.Width(), page.Height()));
    if (fViewWidth != 0)
        SetViewSize(fViewWidth, fViewHeight);
    else
        SetViewSize(page.Width(), page.Height());
}

void TkvnPreviewDlg::SetViewSize(int width, int height)
{
    fViewWidth = std::max(0, width);
    fViewHeight = std::max(0, height);
    QRect image(kImageLeft, kImageTop, fViewWidth, fViewHeight);
    fUi->imgPreview->setGeometry(image);
    fUi->pnlRight->setGeometry(image.x() + image.width(), image.y(), kPanelDepth, kPanelLength);
    fUi->pnlBottom->setGeometry(image.x(), image.y() + image.height(), kPanelLength, kPanelDepth);
    fUi->pnlContent->resize(image.x() + image.width() + kPanelDepth, image.y() + image.height() + kPanelDepth);
    bool known = fViewWidth >= 1 && fBaseWidth > 0;
    fUi->lblProzentInfo->setText(known ? QString::number(MulDiv(fViewWidth, 100, fBaseWidth)) + QLatin1Char('%')
                                       : QString());
    UpdateButtons();
}

void TkvnPreviewDlg::RestoreZoom()
{
    int percent = SettingsFile().ReadInteger(kPrinterSection, kZoomKey, 100);
    if (percent <= 0) percent = 100;
    // A stored zoom beyond what zoom in reaches would only ask for an image no screen can show.
    int largest = std::max(fBaseWidth, fBaseHeight);
    if (largest > 0) percent = std::min(percent, kLargestSide * 100 / largest);
    SetViewSize(MulDiv(fBaseWidth, percent, 100), MulDiv(fBaseHeight, percent, 100));
}

void TkvnPreviewDlg::FitWholePage()
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    QSize image = ImageSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || image.isEmpty()) return;
    QRect area = screen->geometry();
    int windowHeight = area.height() == 480 ? 440 : area.height() * 4 / 5;
    QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(kFrameWidth, kFrameHeight);
    int clientHeight = windowHeight - frame.height();
    int room = clientHeight - fUi->pnlToolBar->height() - kImageTop - kPanelDepth;
    if (room < 1) return;
    int d = MulDiv(image.height(), kZoomUnit, room);
    if (d < 1) return;
    SetViewSize(MulDiv(image.width(), kZoomUnit, d), MulDiv(image.height(), kZoomUnit, d));
    QSize content = fUi->pnlContent->size();
    // Two pixels more than the page needs, so that no scroll bar appears for a rounding pixel.
    int clientWidth = std::max(minimumWidth(), content.width() + 2);
    clientHeight = fUi->pnlToolBar->height() + content.height() + 2;
    resize(clientWidth, clientHeight);
    move(area.x() + (area.width() - clientWidth - frame.width()) / 2,
         area.y() + (area.height() - clientHeight - frame.height()) / 2);
}

void TkvnPreviewDlg::ZoomIn()
{
    QSize image = ImageSize();
    SetViewSize(MulDiv(image.width(), kZoomFactor, kZoomUnit), MulDiv(image.height(), kZoomFactor, kZoomUnit));
}

void TkvnPreviewDlg::ZoomOut()
{
    QSize image = ImageSize();
    SetViewSize(MulDiv(image.width(), kZoomUnit, kZoomFactor), MulDiv(image.height(), kZoomUnit, kZoomFactor));
}

void TkvnPreviewDlg::Zoom100()
{
    SetViewSize(fBaseWidth, fBaseHeight);
}

void TkvnPreviewDlg::ZoomPageWidth()
{
    QSize image = ImageSize();
    QSize box = fUi->ScrollBox->size();
    int width = box.width() - kFitMargin;
    if (image.isEmpty() || width < 1) return;
    int d = MulDiv(image.width(), kZoomUnit, width);
    if (d >= 1 && MulDiv(image.height(), kZoomUnit, d) > box.height() - kFitMargin) {
        // The page will need a vertical scroll bar, which takes its width from the box.
        int narrower = width - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, fUi->ScrollBox);
        if (narrower >= 1) d = MulDiv(image.width(), kZoomUnit, narrower);
    }
    if (d < 1) return;
    SetViewSize(MulDiv(image.width(), kZoomUnit, d), MulDiv(image.height(), kZoomUnit, d));
}

void TkvnPreviewDlg::UpdateButtons()
{
    QSize image = ImageSize();
    QSize box = fUi->ScrollBox->size();
    bool shown = fPageIndex >= 0;
    fUi->btnZoomIn->setEnabled(shown && image.width() <= kZoomLimit && image.height() <= kZoomLimit);
    fUi->btnZoomOut->setEnabled(
        shown && (image.width() + kFitMargin > box.width() || image.height() + kFitMargin > box.height()));
    fUi->btnZoom100->setEnabled(shown);
    fUi->btnZoomPage->setEnabled(shown);
    fUi->btnFullPage->setEnabled(shown);
    fUi->btnFirst->setEnabled(fPageIndex > 0);
    fUi->btnPrev->setEnabled(fPageIndex > 0);
    fUi->btnNext->setEnabled(shown && fPageIndex < PageCount() - 1);
    fUi->btnLast->setEnabled(shown && fPageIndex < PageCount() - 1);
}

void TkvnPreviewDlg::ScrollBy(int horizontalSteps, int verticalSteps)
{
    QScrollBar* horizontal = fUi->ScrollBox->horizontalScrollBar();
    QScrollBar* vertical = fUi->ScrollBox->verticalScrollBar();
    horizontal->setValue(horizontal->value() + horizontalSteps * horizontal->singleStep());
    vertical->setValue(vertical->value() + verticalSteps * vertical->singleStep());
}

bool TkvnPreviewDlg::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    QScrollBar* horizontal = fUi->ScrollBox->horizontalScrollBar();
    QScrollBar* vertical = fUi->ScrollBox->verticalScrollBar();
    bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    switch (key) {
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_PageUp:
        ShowPage(fPageIndex - 1);
        return true;
    case Qt::Key_PageDown:
        ShowPage(fPageIndex + 1);
        return true;
    case Qt::Key_Home:
        horizontal->setValue(0);
        vertical->setValue(0);
        return true;
    case Qt::Key_End:
        horizontal->setValue(horizontal->maximum());
        vertical->setValue(vertical->maximum());
        return true;
    case Qt::Key_Left:
        ScrollBy(-2, 0);
        return true;
    case Qt::Key_Right:
        ScrollBy(2, 0);
        return true;
    case Qt::Key_Up:
        ScrollBy(0, -2);
        return true;
    case Qt::Key_Down:
        ScrollBy(0, 2);
        return true;
    default:
        break;
    }
    if (!keypad) return false;
    switch (key) {
    case Qt::Key_Asterisk:
        if (fUi->btnFullPage->isEnabled()) FitWholePage();
        return true;
    case Qt::Key_Plus:
        if (fUi->btnZoomIn->isEnabled()) ZoomIn();
        return true;
    case Qt::Key_Minus:
        if (fUi->btnZoomOut->isEnabled()) ZoomOut();
        return true;
    case Qt::Key_Slash:
        if (fUi->btnZoom100->isEnabled()) Zoom100();
        return true;
    default:
        return false;
    }
}

bool TkvnPreviewDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key->key(), key->modifiers())) return true;
    } else if (watched == fUi->ScrollBox && event->type() == QEvent::Resize) {
        UpdateButtons();
    }
    return TKvnFormDialog::eventFilter(watched, event);
}

} // namespace kvn

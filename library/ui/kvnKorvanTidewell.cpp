#include "kvnKorvanTidewell.h"

#include "ui_TKvnFKorvanScreen.h"

#include "kvnJpeg.h"
#include "kvnMessages.h"
#include "kvnWinX.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QScreen>

namespace kvn {

namespace {

// A logo is a few ten kilobytes; a file far larger is not one.
constexpr qint64 kMaxLogoFileSize = 8 << 20;

void SetPixelFont(QWidget* widget, int pixels, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    widget->setFont(font);
}

void CentreOnScreen(QWidget& window)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect area = screen->geometry();
    window.move(area.x() + (area.width() - window.width()) / 2, area.y() + (area.height() - window.height()) / 2);
}

} // namespace

QPixmap JpegPixmap(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxLogoFileSize) return {};
    QByteArray bytes = file.readAll();
    try {
        TKvnPicture picture = DecodeJpeg(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        QImage image(reinterpret_cast<const uchar*>(picture.Pixels.data()), picture.Width, picture.Height,
                     picture.Width * 4, QImage::Format_ARGB32);
        // The image only borrows the pixels, which go with the picture.
        return QPixmap::fromImage(image.copy());
    } catch (const EKvnError&) {
        return {};
    }
}

TKvnFStartScreen::TKvnFStartScreen(QWidget* parent)
    : TKvnFormDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    // The screen belongs in the middle of the screen, wherever an earlier information box was moved to.
    Form().SetAutoSave(false);
}

TKvnFKorvanScreen::TKvnFKorvanScreen(QWidget* parent, const QString& logoResource)
    : TKvnFStartScreen(parent), fUi(std::make_unique<Ui::TKvnFKorvanScreen>())
{
    fUi->setupUi(this);
    setFixedSize(440, 290);
    Form().FormLoaded();

    QPalette white = fUi->PnlInfo->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    fUi->PnlInfo->setPalette(white);
    QPalette caption = fUi->LProgressInfo->palette();
    caption.setColor(QPalette::WindowText, palette().color(QPalette::Active, QPalette::Highlight));
    fUi->LProgressInfo->setPalette(caption);
    SetPixelFont(fUi->LAppVersion, 13, true);
    SetPixelFont(fUi->kvnLabel1, 11, false);

    fUi->ImgLogo->setPixmap(JpegPixmap(logoResource));
    fUi->ImgSmallLogo->setPixmap(ProgramIcon().pixmap(32, 32));
    fUi->LAppVersion->setText(QString::fromStdString("Release " + GetSystemInfo().Version()));
    fUi->BCredits->hide();
    fUi->BOK->move((fUi->PnlButton->width() - fUi->BOK->width()) / 2, fUi->BOK->y());
    connect(fUi->BOK, &QPushButton::clicked, this, &QDialog::accept);
    CentreOnScreen(*this);
}

TKvnFKorvanScreen::~TKvnFKorvanScreen() = default;

void TKvnFKorvanScreen::ShowAsStartScreen()
{
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    fUi->LProgressInfo->clear();
    fUi->LProgressInfo->show();
    fUi->PnlButton->hide();
    setFixedSize(fUi->PnlInfo->size());
    CentreOnScreen(*this);
    show();
    repaint();
    // The message loop does not run yet while the program starts, so the screen is put up by hand.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TKvnFKorvanScreen::ShowStatusText(const std::string& text)
{
    fUi->LProgressInfo->setText(QString::fromStdString(text));
    fUi->LProgressInfo->repaint();
}

void TKvnFKorvanScreen::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    TKvnFStartScreen::keyPressEvent(event);
}

TKvnStartScreens::TKvnStartScreens(QObject* parent) : QObject(parent)
{
    fTimer.setSingleShot(false);
    connect(&fTimer, &QTimer::timeout, this, &TKvnStartScreens::Tick);
    // A program that quits within the shortest showing time frees the screen while the widget system still exists.
    if (auto* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &TKvnStartScreens::Close);
}

TKvnStartScreens::~TKvnStartScreens() = default;

void TKvnStartScreens::Show(std::chrono::milliseconds minimum, TStartScreenFactory factory)
{
    Close();
    fFactory = std::move(factory);
    fMainWindowReady = false;
    fScreen = fFactory();
    QCoreApplication::instance()->installEventFilter(this);
    fScreen->ShowAsStartScreen();
    fTimer.start(minimum);
}

void TKvnStartScreens::MayClose()
{
    fMainWindowReady = true;
}

void TKvnStartScreens::ShowStatus(const std::string& text)
{
    if (fScreen) fScreen->ShowStatusText(text);
}

void TKvnStartScreens::Tick()
{
    fTimer.setInterval(kCloseCheckInterval);
    if (fMainWindowReady) Close();
}

void TKvnStartScreens::Close()
{
    fTimer.stop();
    if (!fScreen) return;
    QCoreApplication::instance()->removeEventFilter(this);
    fScreen.reset();
}

int TKvnStartScreens::ShowAbout(QWidget* parent)
{
    std::unique_ptr<TKvnFStartScreen> box =
        fFactory ? fFactory() : std::unique_ptr<TKvnFStartScreen>(std::make_unique<TKvnFKorvanScreen>());
    if (parent != nullptr) {
        // A parent keeps the box above the main window; it still opens in the middle of the screen.
        box->setParent(parent, box->windowFlags());
        CentreOnScreen(*box);
    }
    return box->exec();
}

bool TKvnStartScreens::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && fScreen && watched != fScreen.get()) {
        auto* window = qobject_cast<QWidget*>(watched);
        if (window != nullptr && window->isWindow() && window->isModal()) fScreen->hide();
    }
    return QObject::eventFilter(watched, event);
}

TKvnStartScreens& StartScreens()
{
    // Owned by the application, so that the screen goes before the widget system does.
    static QPointer<TKvnStartScreens> instance;
    if (!instance) instance = new TKvnStartScreens(QCoreApplication::instance());
    return *instance;
}

void StartScreenMayClose()
{
    StartScreens().MayClose();
}

void ShowStatus(const std::string& text)
{
    StartScreens().ShowStatus(text);
}

int ShowAbout(QWidget* parent)
{
    return StartScreens().ShowAbout(parent);
}

} // namespace kvn

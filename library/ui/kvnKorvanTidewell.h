#pragma once

#include "kvnForm.h"
#include "kvnIcons.h"

#include <QDialog>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QKeyEvent;

namespace Ui {
class TKvnFKorvanScreen;
}

// The start-up screen: a borderless window with the logo and the version that stays on top while the program
// starts, shows what it is doing, and goes once the main window is ready and the requested time has passed. The
// same window, with its border and its OK button, is the program's information box.

namespace kvn {

// A window that can serve as start-up screen.
class TKvnFStartScreen : public TKvnFormDialog {
    Q_OBJECT

public:
    explicit TKvnFStartScreen(QWidget* parent = nullptr);

    // Turns the window into the borderless start-up screen on top of all others and shows it at once, not modally.
    virtual void ShowAsStartScreen() = 0;
    // Shows the status text and paints it at once.
    virtual void ShowStatusText(const std::string& text) = 0;
};

// The logo, the version and a fixed caption; as information box also the button panel.
class TKvnFKorvanScreen : public TKvnFStartScreen {
    Q_OBJECT

public:
    // logoResource names the JPEG of the logo; a missing or damaged one leaves the picture empty.
    explicit TKvnFKorvanScreen(QWidget* parent = nullptr, const QString& logoResource = kLogoResource);
    ~TKvnFKorvanScreen() override;

    TKvnFKorvanScreen(const TKvnFKorvanScreen&) = delete;
    TKvnFKorvanScreen& operator=(const TKvnFKorvanScreen&) = delete;

    void ShowAsStartScreen() override;
    void ShowStatusText(const std::string& text) override;

    Ui::TKvnFKorvanScreen& Widgets() { return *fUi; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::TKvnFKorvanScreen> fUi;
};

// The picture of a JPEG file or resource, decoded with libjpeg; a null pixmap when it is missing or damaged.
QPixmap JpegPixmap(const QString& path);

// Makes a window of the start-up screen's class.
using TStartScreenFactory = std::function<std::unique_ptr<TKvnFStartScreen>()>;

// The start-up screen's data: the timer, the window class, the current screen and whether the main window is
// ready. One exists per application (StartScreens()).
class TKvnStartScreens : public QObject {
    Q_OBJECT

public:
    // Interval of the checks whether the screen may close, once the shortest showing time has passed.
    static constexpr int kCloseCheckInterval = 50;

    explicit TKvnStartScreens(QObject* parent = nullptr);
    ~TKvnStartScreens() override;

    // Shows a start-up screen made by factory for at least minimum and until MayClose; remembers the factory for
    // ShowAbout.
    void Show(std::chrono::milliseconds minimum, TStartScreenFactory factory);
    // The main window is ready: the screen closes at the next check once the shortest showing time is over.
    void MayClose();
    // Passes the text to the screen while it is up; nothing otherwise.
    void ShowStatus(const std::string& text);
    // Shows a window of the remembered class (the information box when none was remembered) modally over
    // parent and frees it; returns its modal result.
    int ShowAbout(QWidget* parent);

    // The screen while it is up, else nullptr.
    TKvnFStartScreen* Screen() const { return fScreen.get(); }
    const QTimer& Timer() const { return fTimer; }
    bool MainWindowReady() const { return fMainWindowReady; }
    // One tick of the timer: from now on checks every kCloseCheckInterval and closes the screen once MayClose
    // has been called.
    void Tick();

protected:
    // Hides the screen as soon as a modal window appears, so that a question is never covered by it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Close();

    QTimer fTimer;
    TStartScreenFactory fFactory;
    std::unique_ptr<TKvnFStartScreen> fScreen;
    bool fMainWindowReady = false;
};

// The application's start-up screen data, created on first use and freed with the application.
TKvnStartScreens& StartScreens();

// Shows the start-up screen of the window class for at least minimum (the program asks for 2 seconds).
template <class TWindow>
void ShowStartScreen(std::chrono::milliseconds minimum)
{
    StartScreens().Show(minimum, [] { return std::make_unique<TWindow>(); });
}

// The main window is ready; the start-up screen may close.
void StartScreenMayClose();

// Shows a progress text on the start-up screen while it is up.
void ShowStatus(const std::string& text);

// The information box: the start-up screen's window class with its border and OK button, modal over parent.
int ShowAbout(QWidget* parent);

} // namespace kvn

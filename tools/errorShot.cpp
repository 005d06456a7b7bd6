// Takes a picture of the error dialog or of the error report for the documentation, frame included (run under
// xvfb-run with a window manager such as openbox):
//
//     xvfb-run -a sh -c 'openbox & sleep 1; build-release/tools/error_shot dialog docs/error-dialog.png us'

#include "kvnDebug.h"
#include "kvnErrorDialog.h"
#include "kvnErrorSend.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnPaths.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

[[gnu::noinline]] void OpenBrokenFile()
{
    throw std::runtime_error("Can not read 'meet.ovz': the archive is damaged");
}

kvn::TKvnFailure SampleFailure()
{
    try {
        OpenBrokenFile();
    } catch (...) {
        return kvn::DescribeException(std::current_exception());
    }
    return {};
}

bool SaveFramed(QWidget& window, const char* path)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    QTest::qWait(500);
    QRect frame = window.frameGeometry();
    QPixmap picture =
        QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return picture.save(QString::fromLocal8Bit(path), "PNG");
}

} // namespace

int main(int argc, char* argv[])
{
    std::string which = argc == 4 ? argv[1] : "";
    if (which != "dialog" && which != "report") {
        std::fprintf(stderr, "usage: error_shot dialog|report OUTPUT.png LANGUAGE-CODE\n");
        return 2;
    }
    int language = 0;
    while (language < kvn::kAutoLanguage && kvn::LanguageCode(language) != argv[3])
        ++language;
    if (language == kvn::kAutoLanguage) {
        std::fprintf(stderr, "error_shot: unknown language code %s\n", argv[3]);
        return 2;
    }
    QApplication application(argc, argv);
    kvn::SetExecutablePath(VELTRO_EXE); // the program's folder holds the language files
    std::filesystem::path settings = std::filesystem::temp_directory_path() / "veltro-error-shot.INI";
    std::filesystem::remove(settings);
    kvn::SetSettingsFilePath(settings.string());
    kvn::GetLanguage().LoadLanguage(language, false);

    std::unique_ptr<QWidget> window;
    if (which == "dialog")
        window = std::make_unique<kvn::TKvnErrorDialog>(SampleFailure());
    else
        window = std::make_unique<kvn::TKvnFErrorSend>();
    bool saved = SaveFramed(*window, argv[2]);
    std::filesystem::remove(settings);
    return saved ? 0 : 1;
}

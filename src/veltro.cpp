#include "cliModes.h"
#include "startup.h"
#include "view.h"

#include "kvnFiles.h"
#include "kvnIcons.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnPrintDialog.h"
#include "kvnPrintSetup.h"
#include "kvnSignals.h"
#include "kvnSwimLang.h"
#include "kvnUiHandlers.h"
#include "kvnWinX.h"

#include <QApplication>
#include <QLocale>

#include <iostream>
#include <string>
#include <vector>

namespace {

// Errors that no handler catches reach the user here instead of ending the program.
class TVeltroApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& failure) {
            kvn::ShowMessageBox(failure.what(), true, false);
        } catch (...) {
            kvn::ShowMessageBox("Unknown error", true, false);
        }
        return false;
    }
};

int RunWindow(int argc, char* argv[], const std::vector<std::string>& arguments)
{
    TVeltroApplication application(argc, argv);
    TVeltroApplication::setWindowIcon(kvn::ProgramIcon());
    // Lets the desktop match the windows with the installed desktop entry and its icon.
    TVeltroApplication::setDesktopFileName("veltro");
    kvn::TQtMessageHandler messageHandler;
    kvn::SetMessageHandler(&messageHandler);
    kvn::ApplyLocaleFormatSettings(QLocale::system());
    kvn::GetSystemInfo(); // sets the application title
    kvn::SetPageSetupEditor(kvn::EditPageSetup);

    kvn::SetDefaultLanguage(3);
    veltro::RunLanguageSelection(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    kvn::LoadVocabulary();
    veltro::ShowStartupScreen();
    if (!arguments.empty() && arguments[0].rfind('$', 0) == 0) kvn::GetLanguage().SetExportDir(arguments[0].substr(1));

    veltro::TfrmView window(arguments);
    // A logout or a kill from outside ends the program as "Exit" does, with its settings written.
    kvn::CloseOnTerminationSignals(window);
    window.show();
    QApplication::restoreOverrideCursor();
    int status = QApplication::exec();
    kvn::SetMessageHandler(nullptr);
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    kvn::SetExecutablePath(""); // asks the system, so a start through PATH still finds the files beside us
    // What an earlier run could not remove (it was killed while a container was extracted) goes now.
    kvn::RemoveStaleTempFolders();
    std::vector<std::string> arguments(argv + 1, argv + argc);

    bool handled = false;
    int status = veltro::RunCommandLineMode(arguments, std::cout, std::cerr, handled);
    if (handled) return status;
    return RunWindow(argc, argv, arguments);
}

#include "cliModes.h"
#include "startup.h"
#include "view.h"

#include "kvnDebug.h"
#include "kvnErrorHandler.h"
#include "kvnFiles.h"
#include "kvnIcons.h"
#include "kvnIniFiles.h"
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

// The start and the message loop; what fails in the start before the loop runs reaches the same handler as a failure
// inside it, and then there is no window to go on with.
int StartAndRun(const std::vector<std::string>& arguments)
{
    try {
        kvn::SetDefaultLanguage(3);
        veltro::RunLanguageSelection(false);
        QApplication::setOverrideCursor(Qt::BusyCursor);
        kvn::LoadVocabulary();
        veltro::ShowStartupScreen();
        if (!arguments.empty() && arguments[0].rfind('$', 0) == 0)
            kvn::GetLanguage().SetExportDir(arguments[0].substr(1));

        veltro::TfrmView window(arguments);
        // A logout or a kill from outside ends the program as "Exit" does, with its settings written.
        kvn::CloseOnTerminationSignals(window);
        // Extracted copies of the open file must not outlive a process that is told to end.
        QObject::connect(&kvn::TKvnSignals::Instance(), &kvn::TKvnSignals::Received,
                         [] { kvn::RemoveOwnedTempFolders(); });
        window.show();
        QApplication::restoreOverrideCursor();
        return QApplication::exec();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        kvn::HandleUnhandledException(std::current_exception());
        return 1;
    }
}

int RunWindow(int argc, char* argv[], const std::vector<std::string>& arguments)
{
    kvn::TKvnApplication application(argc, argv);
    QApplication::setWindowIcon(kvn::ProgramIcon());
    // Lets the desktop match the windows with the installed desktop entry and its icon.
    QApplication::setDesktopFileName("veltro");
    kvn::TQtMessageHandler messageHandler;
    kvn::SetMessageHandler(&messageHandler);
    kvn::ApplyLocaleFormatSettings(QLocale::system());
    kvn::GetSystemInfo(); // sets the application title
    kvn::ConfigureDiagnostics(kvn::ErrorLogPath(), kvn::GetSystemInfo().InfoLine());
    kvn::TKvnDebugFile debugFile(kvn::SettingsFile().ReadString("Special", "DebugFile", "$"));
    kvn::SetPageSetupEditor(kvn::EditPageSetup);

    int status = StartAndRun(arguments);
    kvn::SetMessageHandler(nullptr);
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    int helperStatus = 0;
    if (kvn::RunDiagnosticsHelper(argc, argv, helperStatus)) return helperStatus;
    kvn::SetExecutablePath(""); // asks the system, so a start through PATH still finds the files beside us
    // What an earlier run could not remove (it was killed while a container was extracted) goes now.
    kvn::RemoveStaleTempFolders();
    std::vector<std::string> arguments(argv + 1, argv + argc);

    bool handled = false;
    int status = veltro::RunCommandLineMode(arguments, std::cout, std::cerr, handled);
    if (handled) return status;
    return RunWindow(argc, argv, arguments);
}

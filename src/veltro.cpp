#include "cliModes.h"

#include "kvnPaths.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    kvn::SetExecutablePath(""); // asks the system, so a start through PATH still finds the files beside us
    std::vector<std::string> arguments(argv + 1, argv + argc);

    bool handled = false;
    int status = veltro::RunCommandLineMode(arguments, std::cout, std::cerr, handled);
    if (handled)
        return status;

    // The main window comes with the user interface; until then the command-line modes are the program.
    std::cerr << veltro::UsageText();
    return veltro::esUsage;
}

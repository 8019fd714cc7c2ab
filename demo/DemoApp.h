#pragma once
// VELTdemo: the command line and the run of the demonstration program.
//
//   VELTdemo [--quit-when-loaded] [--screenshot PNG] [--press KEY]...
//            [--answer-dialog 'TITLE|NAME=VALUE|...']... [FILE]
//
// FILE is the start file (by default the example unit). Once the window is
// up and the services are started, each --press KEY ("Ctrl+Shift+H") is
// pressed as the user would: a shortcut of the menus runs its item, any
// other key goes to the focused widget (the memo). --quit-when-loaded then
// ends with exit code 0 (1 when a key could not be pressed); --screenshot
// grabs the window to a PNG file and ends. In both batch modes no dialog
// waits: each is reported on standard error and cancelled, except a dialog
// named by --answer-dialog, which is answered as velt-ide answers it. The
// console lines of the services go to standard output.

#include <QStringList>
#include <string>
#include <vector>

namespace velt {

struct TDemoOptions {
    std::string StartFile;  // empty: the example unit
    bool QuitWhenLoaded = false;
    std::string Screenshot;
    std::vector<std::string> Keys;
    std::vector<std::string> DialogAnswers;  // "TITLE|NAME=VALUE|..."
};

// Raises Exception for an unknown option or one without its value. The
// first argument is the program's name.
TDemoOptions ParseDemoArguments(const QStringList& arguments);

// Runs the demonstration in the existing QApplication; answers the exit
// code. The services are freed before it returns.
int RunDemo(const TDemoOptions& options);

}  // namespace velt

#pragma once
// velt-ide: the command line and the run of the host program.
//
//   velt-ide [--package FILE]... [--quit-when-loaded] [--screenshot PNG]
//            [--press KEY]... [--screenshot-window TITLE]
//            [--answer-dialog 'TITLE|NAME=VALUE|...']... [FILE | PROJECT.dpr]...
//
// Packages load in the order given, then the files open (a ".dpr" opens as
// the project), then each --press KEY ("F10", "Down") is pressed as the user
// would: a shortcut of the menus runs its item, any other key goes to an open
// popup menu or the focused widget. --quit-when-loaded ends with exit code 0
// once the window is up and the packages are loaded; --screenshot grabs the
// main window (or the shown window titled --screenshot-window) to a PNG file
// at that point and ends. A package that fails to load ends the program with
// a message and exit code 1. In both batch modes no dialog waits for an
// answer: each is reported on standard error and cancelled, except a dialog
// named by --answer-dialog: its line edits named NAME take VALUE and its
// default button is pressed (for start-up checks that log on).

#include <QStringList>
#include <string>
#include <vector>

namespace velt {

struct TIdeOptions {
    std::vector<std::string> Packages;
    std::vector<std::string> Files;
    bool QuitWhenLoaded = false;
    std::string Screenshot;
    std::string ScreenshotWindow;
    std::vector<std::string> Keys;
    std::vector<std::string> DialogAnswers;  // "TITLE|NAME=VALUE|..."
};

// Raises Exception for an unknown option or one without its value. The
// first argument is the program's name.
TIdeOptions ParseIdeArguments(const QStringList& arguments);

// Runs the host in the existing QApplication; answers the exit code. The
// packages are shut down and unloaded before it returns.
int RunIde(const TIdeOptions& options);

}  // namespace velt

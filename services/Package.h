#pragma once
// The main package's life in the host: start-up (the console, the services
// object), Register (the expert, the menu, the banner and the news) and
// shut-down. The host calls them through the entry points of
// platform/ide/PackageEntry.h.

#include "platform/ide/ToolsApi.h"

namespace velt {

class TConsole;

// The IDE of the loaded package (null outside start-up .. shut-down).
extern TIToolServices* ToolServices;

// Opens the "VELT Output" console and creates SourceServices (which may ask
// for the command file at once).
void PackageStartup(TIToolServices& tools);
// Registers the expert, installs the add-in, writes the banner and the news.
void Register();
// Removes the menu, releases SourceServices and closes the console.
void PackageShutdown();
// The console of the loaded package, or null.
TConsole* PackageConsole();

}  // namespace velt

// The entry points (see platform/ide/PackageEntry.h).
extern "C" {
int VeltPackageStartup(velt::TIToolServices* ToolServices);
int VeltPackageRegister(velt::TIToolServices* ToolServices);
int VeltPackageShutdown();
}

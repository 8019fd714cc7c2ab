#pragma once
// Start-up and shut-down of the graphics base, called from the program's or
// the package's entry points (never from a static constructor): the
// artwork resources, the INI value store and the colour palette. Calls are
// counted: the first start-up does the work, the matching last shut-down
// undoes it.

#include <string>

#include "graphics/grStr.h"

namespace velt {

// Opens the INI store on iniName and loads the palette. File errors pass
// through, leaving nothing started.
void GraphicsStartup(const std::string& iniName = GetIniName());
// Saves the palette while the INI store is still open, then closes the
// store. A palette that cannot be saved is reported through the message
// sink; nothing is raised.
void GraphicsShutdown();
bool GraphicsStarted();

}  // namespace velt

#pragma once
// A key pressed as the user presses it, for the batch runs of the host
// programs (--press KEY).

#include <functional>
#include <string>

#include "platform/ui/ShortCut.h"

namespace velt {

// A shortcut of the menus runs its item (runShortCut answers whether one
// did); any other key goes where Qt sends a keystroke: an open popup menu,
// else the focused widget, else the active window. Raises Exception
// "PROGRAM: cannot press KEY" when the key is no key or nothing takes it.
void PressKey(const std::string& program, const std::string& key,
              const std::function<bool(TShortCut)>& runShortCut);

}  // namespace velt

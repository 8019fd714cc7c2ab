#pragma once
// The SourceSafe package's life in the host: start-up (the services
// object), Register (the welcome line, the expert, the add-in) and
// shut-down. It needs the main package loaded first: it borrows that
// package's interpreter through SourceServices. The host calls these through
// the entry points of platform/ide/PackageEntry.h.

#include "platform/ide/ToolsApi.h"

namespace velt::sourcesafe {

// Creates SourceSafeServices (keys, notifier, defaults; nothing read yet).
void PackageStartup(TIToolServices& tools);
// Raises when the main package is not loaded.
void Register();
// Removes the menu, the notifier and the object "SourceSafe", and releases
// SourceSafeServices.
void PackageShutdown();

}  // namespace velt::sourcesafe

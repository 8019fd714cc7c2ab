#pragma once
// The entry points of a package: plain named functions that the host looks
// up with dlsym after dlopen, in place of unit initialization, Register and
// unit finalization. A package does no work in static constructors.
//
// Order: for each package on the command line, in order, dlopen, then
// VeltPackageStartup, then VeltPackageRegister. At exit, for each package in
// reverse order, the host releases the experts the package registered and
// calls VeltPackageShutdown (the QApplication still exists); after every
// package has shut down it drops what it still holds of them (notifiers,
// click handlers) and dlcloses them in reverse order.
//
// Each function answers 0 on success; anything else is a failure that the
// host reports, and a package whose start-up or Register fails is not
// loaded (its shut-down still runs when its start-up ran). The functions may
// also throw; the host catches and reports. VeltPackageRegister is required,
// the other two are optional.
//
// ToolServices stays valid until VeltPackageShutdown returns.

#include "platform/ide/ToolsApi.h"

extern "C" {

using VeltPackageStartupProc = int (*)(velt::TIToolServices* ToolServices);
using VeltPackageRegisterProc = int (*)(velt::TIToolServices* ToolServices);
using VeltPackageShutdownProc = int (*)();

}  // extern "C"

namespace velt {

inline constexpr const char* kPackageStartupName = "VeltPackageStartup";
inline constexpr const char* kPackageRegisterName = "VeltPackageRegister";
inline constexpr const char* kPackageShutdownName = "VeltPackageShutdown";

}  // namespace velt

// In a package:
//   VELT_PACKAGE_EXPORT int VeltPackageStartup(velt::TIToolServices* ToolServices);
//   VELT_PACKAGE_EXPORT int VeltPackageRegister(velt::TIToolServices* ToolServices);
//   VELT_PACKAGE_EXPORT int VeltPackageShutdown();
#define VELT_PACKAGE_EXPORT extern "C" __attribute__((visibility("default")))

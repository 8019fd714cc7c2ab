#include "sourcesafe/Package.h"

#include "foundation/CommMsg.h"
#include "platform/ide/PackageEntry.h"
#include "services/SourceServices.h"
#include "sourcesafe/SourceSafeServices.h"

namespace velt::sourcesafe {

namespace {
TIToolServices* Tools = nullptr;
}

void PackageStartup(TIToolServices& tools) {
    Tools = &tools;
    SourceSafeServices = ComPtr<TSourceSafeServices>(new TSourceSafeServices(tools));
}

void Register() {
    if (!Tools || !SourceSafeServices) throw Exception("The VELT SourceSafe package is not started");
    if (!SourceServices) throw Exception("VELT SourceSafe Services need the package VELTLoom2 loaded first");
    Q("Congratulations ! Welcome to VELT SourceSafe Services for Delphi3 1.0");
    Tools->RegisterLibraryExpert(SourceSafeServices);
    SourceSafeServices->InstallAddIn(SourceServices->Forth());
}

void PackageShutdown() {
    if (SourceSafeServices) {
        // The interpreter is borrowed: it may have gone with its package.
        if (!SourceServices || &SourceServices->Forth() != SourceSafeServices->Forth())
            SourceSafeServices->DetachInterpreter();
        SourceSafeServices->Finalize();
    }
    SourceSafeServices = nullptr;
    Tools = nullptr;
}

}  // namespace velt::sourcesafe

VELT_PACKAGE_EXPORT int VeltPackageStartup(velt::TIToolServices* ToolServices) {
    if (!ToolServices) return 1;
    velt::sourcesafe::PackageStartup(*ToolServices);
    return 0;
}

VELT_PACKAGE_EXPORT int VeltPackageRegister(velt::TIToolServices*) {
    velt::sourcesafe::Register();
    return 0;
}

VELT_PACKAGE_EXPORT int VeltPackageShutdown() {
    velt::sourcesafe::PackageShutdown();
    return 0;
}

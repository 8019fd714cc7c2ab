#include "services/Package.h"

#include <memory>

#include "platform/ide/PackageEntry.h"
#include "platform/ui/ConsoleWindow.h"
#include "services/ProjectTree.h"
#include "services/SourceServices.h"
#include "treeview/CompList.h"
#include "treeview/MenuList.h"

namespace velt {

TIToolServices* ToolServices = nullptr;

namespace {

std::unique_ptr<TConsole>& Console() {
    static std::unique_ptr<TConsole> console;
    return console;
}

// Whether this package's start-up installed the component group's dispatcher.
bool dispatcherInstalled = false;

}  // namespace

TConsole* PackageConsole() { return Console().get(); }

void PackageStartup(TIToolServices& tools) {
    ToolServices = &tools;
    if (!Console()) {
        Console() = std::make_unique<TConsole>();
        if (TConsoleWindow* w = Console()->Window()) w->show();
    }
    SourceServices = ComPtr<TSourceServices>(new TSourceServices(tools));
    SourceServices->Startup();
    if (!dispatcherInstalled) {
        InstallCompListDispatcher();
        dispatcherInstalled = true;
    }
}

void Register() {
    if (!ToolServices || !SourceServices) throw Exception("The VELT package is not started");
    ToolServices->RegisterLibraryExpert(SourceServices);
    SourceServices->InstallAddIn();
    SourceServices->WriteBanner();
    SourceServices->WriteNews();
}

void PackageShutdown() {
    if (dispatcherInstalled) {
        RestoreCompListDispatcher();
        dispatcherInstalled = false;
    }
    // The window's code goes with the package, whoever still holds the services.
    FreeProjectTreeForm();
    if (SourceServices) SourceServices->Finalize();
    SourceServices = nullptr;
    FreeSharedPopupMenu();
    Console().reset();
    ToolServices = nullptr;
}

}  // namespace velt

VELT_PACKAGE_EXPORT int VeltPackageStartup(velt::TIToolServices* ToolServices) {
    if (!ToolServices) return 1;
    velt::PackageStartup(*ToolServices);
    return 0;
}

VELT_PACKAGE_EXPORT int VeltPackageRegister(velt::TIToolServices*) {
    velt::Register();
    return 0;
}

VELT_PACKAGE_EXPORT int VeltPackageShutdown() {
    velt::PackageShutdown();
    return 0;
}

#pragma once
// Loads packages into a host with dlopen and runs their entry points in
// the order PackageEntry.h gives; unloads them in reverse order.

#include <string>
#include <vector>

#include "platform/ide/HostServices.h"

namespace velt {

class TPackageLoader {
public:
    explicit TPackageLoader(THostServices& host) : host_(host) {}
    ~TPackageLoader();  // UnloadAll
    TPackageLoader(const TPackageLoader&) = delete;
    TPackageLoader& operator=(const TPackageLoader&) = delete;

    // Loads the package and runs its start-up and Register. Raises
    // Exception with a message naming the file when it cannot be loaded, an
    // entry point is missing, fails or throws; a package whose start-up ran
    // is shut down again before the exception leaves.
    void Load(const std::string& fileName);
    // Shuts every package down (last loaded first), drops what the host
    // holds of them, then unloads them. Runs once; later calls do nothing.
    void UnloadAll();
    // The packages that loaded and registered, in load order.
    std::vector<std::string> Loaded() const;

private:
    struct TPackage {
        std::string FileName;
        void* Handle = nullptr;
        int Tag = 0;
        bool Running = false;  // started and not yet shut down
        bool Registered = false;
    };
    void ShutDown(TPackage& package);

    THostServices& host_;
    std::vector<TPackage> packages_;
    int nextTag_ = 1;
};

}  // namespace velt

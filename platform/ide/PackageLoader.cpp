#include "platform/ide/PackageLoader.h"

#include <dlfcn.h>

#include "foundation/SysUtils.h"
#include "platform/ide/PackageEntry.h"

namespace velt {

namespace {

template <class Proc>
Proc Entry(void* handle, const char* name) {
    return reinterpret_cast<Proc>(dlsym(handle, name));
}

// Runs an entry point with the package's tag set; a non-zero answer or an
// exception becomes Exception naming the package.
template <class Call>
void RunEntry(THostServices& host, int tag, const std::string& fileName, const char* name, Call call) {
    host.SetLoadingPackage(tag);
    int result = 0;
    std::string failure;
    try {
        result = call();
    } catch (...) {
        failure = ReleaseException();
    }
    host.SetLoadingPackage(0);
    if (!failure.empty()) throw Exception("Package " + fileName + ": " + name + " failed: " + failure);
    if (result != 0) throw Exception("Package " + fileName + ": " + name + " failed with code " + IntToStr(result));
}

}  // namespace

TPackageLoader::~TPackageLoader() { UnloadAll(); }

void TPackageLoader::Load(const std::string& fileName) {
    dlerror();
    void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
        const char* why = dlerror();
        throw Exception("Cannot load package " + fileName + ": " + (why ? why : "unknown error"));
    }
    const auto startup = Entry<VeltPackageStartupProc>(handle, kPackageStartupName);
    const auto registerProc = Entry<VeltPackageRegisterProc>(handle, kPackageRegisterName);
    if (!registerProc) {
        dlclose(handle);
        throw Exception("Package " + fileName + " has no entry point " + kPackageRegisterName);
    }
    packages_.push_back({fileName, handle, nextTag_++});
    TPackage& package = packages_.back();
    TIToolServices* services = &host_;
    try {
        package.Running = true;
        if (startup) RunEntry(host_, package.Tag, fileName, kPackageStartupName, [&] { return startup(services); });
        RunEntry(host_, package.Tag, fileName, kPackageRegisterName, [&] { return registerProc(services); });
        package.Registered = true;
    } catch (...) {
        // Kept loaded (not closed) until UnloadAll: the host may still hold
        // menu handlers of its code.
        ShutDown(packages_.back());
        throw;
    }
}

void TPackageLoader::ShutDown(TPackage& package) {
    if (!package.Running) return;
    package.Running = false;
    host_.ReleaseExperts(package.Tag);
    const auto shutdown = Entry<VeltPackageShutdownProc>(package.Handle, kPackageShutdownName);
    if (!shutdown) return;
    try {
        RunEntry(host_, package.Tag, package.FileName, kPackageShutdownName, [&] { return shutdown(); });
    } catch (const std::exception& e) {
        host_.RaiseException(e.what());
    }
}

void TPackageLoader::UnloadAll() {
    for (auto it = packages_.rbegin(); it != packages_.rend(); ++it) ShutDown(*it);
    if (!packages_.empty()) host_.DropPackageReferences();
    for (auto it = packages_.rbegin(); it != packages_.rend(); ++it) dlclose(it->Handle);
    packages_.clear();
}

std::vector<std::string> TPackageLoader::Loaded() const {
    std::vector<std::string> names;
    for (const TPackage& p : packages_)
        if (p.Registered && p.Running) names.push_back(p.FileName);
    return names;
}

}  // namespace velt

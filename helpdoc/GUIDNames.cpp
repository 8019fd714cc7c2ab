#include "helpdoc/GUIDNames.h"

#include <memory>
#include <vector>

#include "foundation/Support.h"

namespace velt {

namespace {

struct TGUIDNames {
    TGUIDList GUIDList;
    std::vector<std::string> Names;  // entry i names GUIDList entry i

    TGUIDNames() {
        Add(IID_IWindowManagerBorlandFormsSink, "IWindowManagerBorlandFormsSink");
        Add(IID_IWindowManagerSink, "IWindowManagerSink");
        Add(IID_IMainForm, "IMainForm");
        Add(IID_IWindowManager, "IWindowManager");
        Add(IID_IGenericTirneForm, "IGenericTirneForm");
    }
    void Add(const Guid& g, std::string_view name) {
        GUIDList.Add(&g);
        Names.emplace_back(name);
    }
};

TGUIDNames& Registry() {
    static TGUIDNames names;
    return names;
}

}  // namespace

void RegisterGUIDName(const Guid& guid, std::string_view name) { Registry().Add(guid, name); }

std::string GUIDName(const Guid& guid) {
    TGUIDNames& r = Registry();
    const int i = r.GUIDList.IndexOf(guid);
    return i < 0 || size_t(i) >= r.Names.size() ? std::string() : r.Names[size_t(i)];
}

}  // namespace velt

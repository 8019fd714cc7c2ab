#include "foundation/ComPtr.h"

#include <mutex>
#include <vector>

namespace velt {

namespace {

struct TIntfCasts {
    std::mutex Lock;
    std::vector<std::pair<Guid, TIntfCast>> Items;
};

TIntfCasts& Casts() {
    static TIntfCasts casts;
    return casts;
}

}  // namespace

void NoteIntfCast(const Guid& iid, TIntfCast cast) {
    TIntfCasts& c = Casts();
    std::lock_guard<std::mutex> lock(c.Lock);
    for (auto& [g, f] : c.Items)
        if (g == iid) {
            f = cast;
            return;
        }
    c.Items.emplace_back(iid, cast);
}

TIntfCast FindIntfCast(const Guid& iid) {
    if (iid == IID_IUnknown) return &IntfToUnknown<IUnknown>;
    TIntfCasts& c = Casts();
    std::lock_guard<std::mutex> lock(c.Lock);
    for (const auto& [g, f] : c.Items)
        if (g == iid) return f;
    return nullptr;
}

ComPtr<IUnknown> QueryAnswerer(IUnknown* u, const Guid& iid) {
    if (!u) return {};
    void* p = nullptr;
    if (u->QueryInterface(iid, &p) != S_OK || !p) return {};
    if (TIntfCast cast = FindIntfCast(iid)) return ComPtr<IUnknown>::Adopt(cast(p));
    return ComPtr<IUnknown>(u);
}

}  // namespace velt

#include "foundation/Unknowns.h"

namespace velt {

namespace {
// Held while a destructor runs: far from 0 in both directions.
constexpr int32_t PinnedCount = int32_t(1) << 30;
}  // namespace

HResult TUnknownObject::QueryInterface(const Guid& iid, void** obj) {
    return QueryFor<IUnknown>(this, iid, obj);
}

int32_t TUnknownObject::_Release() {
    int32_t r = --RefCount;
    if (r == 0) {
        RefCount = PinnedCount;
        delete this;
    }
    return r;
}

namespace Unknowns {

namespace {
// The plain class, made through the factory (its constructor is protected).
class TPlainCoObject final : public TCoObject {
public:
    explicit TPlainCoObject(IUnknown* controller) : TCoObject(controller) {}
};
}  // namespace

ComPtr<TCoObject> TCoObject::CreateAggregated(IUnknown* controller) {
    return ComPtr<TCoObject>(new TPlainCoObject(controller));
}

HResult TCoObject::ObjQueryInterface(const Guid& iid, void** obj) {
    return QueryFor<IUnknown>(this, iid, obj);
}

int32_t TCoObject::ObjRelease() {
    int32_t r = --RefCount;
    if (r == 0) {
        RefCount = PinnedCount;
        BeforeDestroy();
        delete this;
    }
    return r;
}

HResult TCoObject::TDelegating::QueryInterface(const Guid& iid, void** obj) {
    if (owner_->Controller) return owner_->Controller->QueryInterface(iid, obj);
    return owner_->ObjQueryInterface(iid, obj);
}

int32_t TCoObject::TDelegating::_AddRef() {
    if (owner_->Controller) return owner_->Controller->_AddRef();
    return owner_->ObjAddRef();
}

int32_t TCoObject::TDelegating::_Release() {
    if (owner_->Controller) return owner_->Controller->_Release();
    return owner_->ObjRelease();
}

}  // namespace Unknowns

}  // namespace velt

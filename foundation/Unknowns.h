#pragma once
// Reference-counted base objects: TUnknownObject (one count, freed at 0),
// TUnknownList (a record list held by interface) and Unknowns::TCoObject,
// an object that can be aggregated into a controlling one.

#include <cstdint>
#include <string>

#include "foundation/ComPtr.h"
#include "foundation/GeneralList.h"

namespace velt {

// Count 0 when made; whoever first takes a reference raises it to 1. The
// release that brings it back to 0 deletes the object. Subclasses answer
// their own IIDs in QueryInterface (through QueryFor), then ask their base.
class TUnknownObject : public TObject, public virtual IUnknown {
public:
    TUnknownObject() = default;
    TUnknownObject(const TUnknownObject&) = delete;
    TUnknownObject& operator=(const TUnknownObject&) = delete;
    std::string ClassName() const override { return "TUnknownObject"; }

    HResult QueryInterface(const Guid& iid, void** obj) override;
    int32_t _AddRef() override { return ++RefCount; }
    // At 0 the count is pinned while the destructor runs, so a reference
    // taken and dropped there cannot delete the object a second time.
    int32_t _Release() override;
    int32_t GetRefCount() const { return RefCount; }

protected:
    ~TUnknownObject() override = default;
    int32_t RefCount = 0;
};

// A record list with the base list's own count (no second one).
class TUnknownList : public TGeneralList {
public:
    explicit TUnknownList(int32_t itemSize = 0) : TGeneralList(itemSize) {}
    std::string ClassName() const override { return "TUnknownList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override {
        return std::make_unique<TUnknownList>(ItemSize);
    }
};

namespace Unknowns {

// An object that an aggregate can hold. Its own IUnknown (the overrides
// below) is non-delegating: references taken on it count on the object.
// Delegating() is the IUnknown the aggregate hands out for it: it forwards
// to the controller when there is one, else to the object's own three.
class TCoObject : public TObject, public virtual IUnknown {
public:
    TCoObject(const TCoObject&) = delete;
    TCoObject& operator=(const TCoObject&) = delete;
    std::string ClassName() const override { return "TCoObject"; }

    // A new object with that controller (held uncounted), count 0.
    static ComPtr<TCoObject> CreateAggregated(IUnknown* controller);

    virtual HResult ObjQueryInterface(const Guid& iid, void** obj);
    int32_t ObjAddRef() { return ++RefCount; }
    // At 0: BeforeDestroy, then the object is deleted.
    int32_t ObjRelease();

    HResult QueryInterface(const Guid& iid, void** obj) override { return ObjQueryInterface(iid, obj); }
    int32_t _AddRef() override { return ObjAddRef(); }
    int32_t _Release() override { return ObjRelease(); }

    IUnknown& Delegating() { return delegating_; }
    // The controller with a reference for the caller; null without one.
    ComPtr<IUnknown> GetController() const { return ComPtr<IUnknown>(Controller); }
    // Stores the controller without counting it.
    void SetController(IUnknown* controller) { Controller = controller; }
    int32_t GetRefCount() const { return RefCount; }

protected:
    explicit TCoObject(IUnknown* controller = nullptr) : Controller(controller), delegating_(this) {}
    ~TCoObject() override = default;
    virtual void BeforeDestroy() {}

private:
    class TDelegating : public IUnknown {
    public:
        explicit TDelegating(TCoObject* owner) : owner_(owner) {}
        ~TDelegating() override = default;
        HResult QueryInterface(const Guid& iid, void** obj) override;
        int32_t _AddRef() override;
        int32_t _Release() override;

    private:
        TCoObject* owner_;
    };

    int32_t RefCount = 0;
    IUnknown* Controller = nullptr;
    TDelegating delegating_;
};

}  // namespace Unknowns

}  // namespace velt

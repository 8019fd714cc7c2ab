#pragma once
// COM-style interfaces in plain C++: IUnknown with an intrusive reference
// count, and ComPtr<T>, the smart pointer that holds one counted reference.
//
// Rules: an object implementing IUnknown starts with a count of 0 and frees
// itself in _Release when the count falls back to 0. Constructing a ComPtr
// from a raw pointer adds a reference (as assigning an interface variable
// does); Adopt takes over a reference already counted (for instance the one
// QueryInterface hands out). An object that has been handed to a ComPtr must
// not be freed directly.

#include <cstdint>
#include <utility>

#include "foundation/Classes.h"

namespace velt {

using HResult = int32_t;
inline constexpr HResult S_OK = 0;
inline constexpr HResult E_NOINTERFACE = int32_t(0x80004002u);

// {00000000-0000-0000-C000-000000000046}
inline constexpr Guid IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class IUnknown {
public:
    static constexpr Guid IID = IID_IUnknown;
    // S_OK and *obj set to the interface with one reference added, or
    // E_NOINTERFACE and *obj set to null.
    virtual HResult QueryInterface(const Guid& iid, void** obj) = 0;
    virtual int32_t _AddRef() = 0;
    virtual int32_t _Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adds a reference to p. Explicit, so that an object owned elsewhere is
    // not handed to a counted reference (and freed by it) by accident.
    explicit ComPtr(T* p) : p_(p) {
        if (p_) p_->_AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
    ComPtr(const ComPtr<U>& o) : ComPtr(static_cast<T*>(o.get())) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    // Takes over a reference that has already been counted for the caller.
    static ComPtr Adopt(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    // Gives up the reference without releasing it.
    T* Detach() { return std::exchange(p_, nullptr); }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->_Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    bool operator==(const ComPtr& o) const { return p_ == o.p_; }

private:
    T* p_ = nullptr;
};

// How a pointer handed out for an IID reaches its object's IUnknown. Code
// that asks for an IID it does not know as a type (lists that collect the
// answers of their members) gives the query's reference back through the
// object that answered, which need not be the one it asked. Every interface
// handed out by QueryOne enters its conversion on first use.
using TIntfCast = IUnknown* (*)(void* intf);
void NoteIntfCast(const Guid& iid, TIntfCast cast);
// Null when no pointer was ever handed out for iid.
TIntfCast FindIntfCast(const Guid& iid);

template <class I>
IUnknown* IntfToUnknown(void* p) {
    return static_cast<IUnknown*>(static_cast<I*>(p));
}

template <class I>
void NoteIntfCast() {
    static const bool noted = (NoteIntfCast(I::IID, &IntfToUnknown<I>), true);
    (void)noted;
}

// The object that answers iid when u is asked, as its IUnknown holding the
// reference the query added; null when u does not answer. A pointer whose
// conversion is unknown keeps that reference (it is never given back
// through another object) and u stands for the answerer.
ComPtr<IUnknown> QueryAnswerer(IUnknown* u, const Guid& iid);

// The interface T of u (T::IID), or null when u is null or answers
// E_NOINTERFACE.
template <class T>
ComPtr<T> ComQuery(IUnknown* u) {
    if (!u) return {};
    void* p = nullptr;
    if (u->QueryInterface(T::IID, &p) != S_OK || !p) return {};
    return ComPtr<T>::Adopt(static_cast<T*>(p));
}

// The body of every QueryInterface: when iid is the IID of one of I..., *obj
// becomes self cast to that interface (by type, so the pointer handed out
// through void* is the one a caller casts back to I*), with a reference
// added, and S_OK; otherwise *obj is null and E_NOINTERFACE (the caller then
// asks its base).
template <class I, class Self>
bool QueryOne(Self* self, const Guid& iid, void** obj) {
    if (iid != I::IID) return false;
    NoteIntfCast<I>();
    I* p = static_cast<I*>(self);
    p->_AddRef();
    *obj = static_cast<void*>(p);
    return true;
}

template <class... I, class Self>
HResult QueryFor(Self* self, const Guid& iid, void** obj) {
    if ((QueryOne<I>(self, iid, obj) || ...)) return S_OK;
    *obj = nullptr;
    return E_NOINTERFACE;
}

}  // namespace velt

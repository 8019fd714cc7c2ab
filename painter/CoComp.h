#pragma once
// Extension objects that a component carries beside its own data, the
// registry of their classes by class GUID, and the extension record that
// component records embed.

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/ComPtr.h"
#include "foundation/GeneralList.h"
#include "foundation/Support.h"
#include "foundation/Unknowns.h"
#include "painter/IInOut.h"

namespace velt {

// {E123C4E0-E2FF-11D0-A8F2-8C331AECA857}
inline constexpr Guid IID_ICoObject{0xE123C4E0, 0xE2FF, 0x11D0, {0xA8, 0xF2, 0x8C, 0x33, 0x1A, 0xEC, 0xA8, 0x57}};
// {6D6EC981-ED2E-11D0-B336-D57066066721}
inline constexpr Guid IID_IController{0x6D6EC981, 0xED2E, 0x11D0, {0xB3, 0x36, 0xD5, 0x70, 0x66, 0x06, 0x67, 0x21}};
// {6D6EC982-ED2E-11D0-B336-D57066066721}
inline constexpr Guid IID_ITreeController{0x6D6EC982, 0xED2E, 0x11D0, {0xB3, 0x36, 0xD5, 0x70, 0x66, 0x06, 0x67, 0x21}};

class ICoObject : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_ICoObject;
    virtual Guid GetClassID() = 0;
    virtual ComPtr<IUnknown> GetController() = 0;
    virtual void PutController(IUnknown* controller) = 0;
};

// Ancestors of the editable components' object interface, which declares
// all their operations.
class IController : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IController;
};
class ITreeController : public virtual IController {
public:
    static constexpr Guid IID = IID_ITreeController;
};

namespace CoComp {

class TCoObject;

// An extension class: its name, parent, class GUID (none for an abstract
// class), display name and plain constructor.
struct TCoClassDesc : TClassDesc {
    using TFactory = ComPtr<TCoObject> (*)();
    TCoClassDesc(std::string name, const TClassDesc* parent, std::optional<Guid> guid, TFactory factory,
                 std::string displayName = {})
        : TClassDesc(std::move(name), parent), GUID(guid), Factory(factory), DisplayName(std::move(displayName)) {}
    std::optional<Guid> GUID;
    TFactory Factory;
    std::string DisplayName;

    // EAbstractError for a class without its own GUID.
    Guid ClassGUID() const;
    // The display name, or the class name without one.
    std::string CoClassName() const { return DisplayName.empty() ? Name : DisplayName; }
    // A new object of the class (count 1, held by the answer); EAbstractError
    // for a class that cannot be made.
    ComPtr<TCoObject> Create() const;
};

// The plain constructor of T, for a descriptor.
template <class T>
ComPtr<TCoObject> MakeCoObject() {
    return ComPtr<TCoObject>(new T());
}

// Base of extension objects: count 0 when made; the controller (the
// component carrying it) is held uncounted. Concrete classes override
// ClassType with a descriptor that has a GUID.
class TCoObject : public TUnknownObject, public virtual ICoObject {
public:
    static const TCoClassDesc& Class();
    virtual const TCoClassDesc& ClassType() const { return Class(); }
    std::string ClassName() const override { return ClassType().Name; }

    Guid GetClassID() override { return ClassType().ClassGUID(); }
    ComPtr<IUnknown> GetController() override { return ComPtr<IUnknown>(Controller); }
    void PutController(IUnknown* controller) override { Controller = controller; }

    // Its own interfaces, then ICoObject for a query by its class GUID (so
    // that extensions of one class find each other), then the base's.
    HResult QueryInterface(const Guid& iid, void** obj) override;

protected:
    ~TCoObject() override = default;
    IUnknown* Controller = nullptr;
};

// An extension that stores data: ReadData and WriteData, empty here.
class TSavedCoObject : public TCoObject, public virtual IStreamReadWrite {
public:
    static const TCoClassDesc& Class();
    const TCoClassDesc& ClassType() const override { return Class(); }
    void ReadData(TStream&) override {}
    void WriteData(TStream&) override {}
    HResult QueryInterface(const Guid& iid, void** obj) override;

protected:
    ~TSavedCoObject() override = default;
};

// The registry's records: a class handle (ObjectHandles) and the class GUID.
#pragma pack(push, 1)
struct TRegRec {
    uint32_t Class;
    Guid ClassGUID;
};
#pragma pack(pop)
static_assert(sizeof(TRegRec) == 20);

class TRegList : public TGeneralList {
public:
    TRegList() : TGeneralList(sizeof(TRegRec)) {}
    std::string ClassName() const override { return "TRegList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TRegList>(); }
    const TCoClassDesc* GetClass(int index) const;
    Guid GetGUID(int index) const;
};

// Registers cls under its GUID. EAbstractError without a GUID; Exception
// "Dublicate Registration Extra Class " CR name for a GUID registered already.
void RegisterCoClass(const TCoClassDesc& cls);
// The class of guid, or null.
const TCoClassDesc* FindCoClass(const Guid& guid);
// Appends, in registration order, CoClassName and the descriptor of every
// class that is base or descends from it (every class for a null base).
void CoClassesList(TStringList& list, const TCoClassDesc* base);
[[noreturn]] void CoClassError(const Guid& guid);

// One extension record for obj when it is an ICoObject (true); nothing
// and false otherwise.
bool WriteExInterface(TStream& stream, IUnknown* obj);
// Reads one extension record and answers the new object. Its data is read
// within the stated length (EReadError when the length does not fit the
// stream or ReadData runs past it); reading goes on after it.
ComPtr<IUnknown> ReadExInterface(TStream& stream);

}  // namespace CoComp

}  // namespace velt

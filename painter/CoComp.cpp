#include "painter/CoComp.h"

#include <vector>

#include "foundation/MultiKeyList.h"
#include "foundation/Utils.h"

namespace velt::CoComp {

Guid TCoClassDesc::ClassGUID() const {
    if (!GUID) throw EAbstractError("Abstract Error");
    return *GUID;
}

ComPtr<TCoObject> TCoClassDesc::Create() const {
    if (!Factory) throw EAbstractError("Abstract Error");
    return Factory();
}

const TCoClassDesc& TCoObject::Class() {
    static const TCoClassDesc desc("TCoObject", nullptr, std::nullopt, nullptr);
    return desc;
}

HResult TCoObject::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<ICoObject>(this, iid, obj) == S_OK) return S_OK;
    const TCoClassDesc& cls = ClassType();
    if (cls.GUID && *cls.GUID == iid) {
        if (!FindIntfCast(iid)) NoteIntfCast(iid, &IntfToUnknown<ICoObject>);
        auto* co = static_cast<ICoObject*>(this);
        co->_AddRef();
        *obj = co;
        return S_OK;
    }
    return TUnknownObject::QueryInterface(iid, obj);
}

const TCoClassDesc& TSavedCoObject::Class() {
    static const TCoClassDesc desc("TSavedCoObject", &TCoObject::Class(), std::nullopt, nullptr);
    return desc;
}

HResult TSavedCoObject::QueryInterface(const Guid& iid, void** obj) {
    if (QueryFor<IStreamReadWrite>(this, iid, obj) == S_OK) return S_OK;
    return TCoObject::QueryInterface(iid, obj);
}

const TCoClassDesc* TRegList::GetClass(int index) const {
    if (index < 0 || index >= Count) ListIndexError(index);
    TRegRec r;
    std::memcpy(&r, GetItem(index), sizeof r);
    return static_cast<const TCoClassDesc*>(ObjectHandles::Lookup(r.Class));
}

Guid TRegList::GetGUID(int index) const {
    if (index < 0 || index >= Count) ListIndexError(index);
    TRegRec r;
    std::memcpy(&r, GetItem(index), sizeof r);
    return r.ClassGUID;
}

namespace {

// Made on first use, lives to the end of the process.
TRegList& Registry() {
    static TRegList list;
    return list;
}

}  // namespace

void RegisterCoClass(const TCoClassDesc& cls) {
    Guid guid = cls.ClassGUID();
    TRegList& reg = Registry();
    for (int i = 0; i < reg.GetCount(); ++i)
        if (IsEqualGUID(reg.GetGUID(i), guid)) {
            std::string text = "Dublicate Registration Extra Class \r" + cls.Name;
            if (text.size() > 255) text.resize(255);
            throw Exception(text);
        }
    TRegRec r{ObjectHandles::Register(const_cast<TCoClassDesc*>(&cls)), guid};
    reg.Add(&r);
}

const TCoClassDesc* FindCoClass(const Guid& guid) {
    TRegList& reg = Registry();
    for (int i = 0; i < reg.GetCount(); ++i)
        if (IsEqualGUID(reg.GetGUID(i), guid)) return reg.GetClass(i);
    return nullptr;
}

void CoClassesList(TStringList& list, const TCoClassDesc* base) {
    TRegList& reg = Registry();
    for (int i = 0; i < reg.GetCount(); ++i) {
        const TCoClassDesc* cls = reg.GetClass(i);
        if (cls && (!base || cls->InheritsFrom(base)))
            list.AddObject(cls->CoClassName(), const_cast<TCoClassDesc*>(cls));
    }
}

void CoClassError(const Guid& guid) { throw Exception("Support Object Interface not registered " + guid.ToString()); }

bool WriteExInterface(TStream& stream, IUnknown* obj) {
    ComPtr<ICoObject> co = ComQuery<ICoObject>(obj);
    if (!co) return false;
    WriteGUID(stream, co->GetClassID());
    WriteInteger(stream, 0);
    ComPtr<IStreamReadWrite> data = ComQuery<IStreamReadWrite>(obj);
    WriteBool(stream, bool(data));
    if (data) {
        WriteInteger(stream, 0);
        int64_t at = stream.GetPosition();
        WriteInteger(stream, 0);
        data->WriteData(stream);
        int64_t end = stream.GetPosition();
        int64_t n = end - at - 4;
        if (n > INT32_MAX) throw EWriteError("Extension data too long");
        stream.SetPosition(at);
        WriteInteger(stream, int32_t(n));
        stream.SetPosition(end);
    }
    return true;
}

ComPtr<IUnknown> ReadExInterface(TStream& stream) {
    Guid guid = ReadGUID(stream);
    const TCoClassDesc* cls = FindCoClass(guid);
    if (!cls) CoClassError(guid);
    ReadInteger(stream);
    bool hasData = ReadBool(stream);
    ComPtr<TCoObject> obj = cls->Create();
    if (hasData) {
        ReadInteger(stream);
        int32_t len = ReadInteger(stream);
        if (len < 0 || len > stream.Remaining()) throw EReadError("Invalid extension data length");
        ComPtr<IStreamReadWrite> rw = ComQuery<IStreamReadWrite>(static_cast<ICoObject*>(obj.get()));
        if (!rw) throw EIntfCastError("Interface not supported");
        TMemoryStream data;
        if (len > 0) data.CopyFrom(stream, len);
        data.SetPosition(0);
        rw->ReadData(data);
    }
    return ComPtr<IUnknown>(static_cast<ICoObject*>(obj.get()));
}

}  // namespace velt::CoComp

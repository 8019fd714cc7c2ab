// Paste payloads (clipboard bytes) on arbitrary bytes: the component-list
// form or one record, read into a temporary root with linked components
// registered. Each read keeps all it read or raises the system's exception
// and leaves the root empty; after the links are renumbered every connected
// point shares its identifier with another pasted point.
#include <cstdint>
#include <cstdlib>
#include <unordered_map>

#include "GrfFuzzClasses.h"
#include "painter/EdtClip.h"
#include "painter/EdtComp.h"
#include "painter/IGrfTopo.h"

using namespace velt;

namespace {

// A component with connection points, stored after its own data.
class TFuzzLinked : public TGrfEditComp, public virtual ILinkedObject {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TFuzzLinked", &TGrfEditComp::Class(), &MakeComponent<TFuzzLinked>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<ILinkedObject>(this, iid, obj) == S_OK) return S_OK;
        return TGrfEditComp::QueryInterface(iid, obj);
    }
    void ReadData(TStream& s) override {
        TGrfEditComp::ReadData(s);
        Conns.LoadFromStream(s);
    }
    void WriteData(TStream& s) override {
        TGrfEditComp::WriteData(s);
        Conns.SaveToStream(s);
    }
    TConnList& GetConnList() override { return Conns; }
    TConnObject GetConnObject() override { return coNode; }
    bool IsRigid() override { return false; }
    bool TryConnect(ILinkedObject&, int, bool) override { return false; }
    void SetFollow(int, bool) override {}
    int Level() override { return 0; }
    TConnList Conns;

protected:
    ~TFuzzLinked() override = default;
};

void Count(TVerUdov& c, std::unordered_map<int32_t, int>& uses, bool check) {
    if (auto* l = dynamic_cast<TFuzzLinked*>(&c))
        for (int i = 0; i < l->Conns.GetCount(); ++i) {
            const TConnectionInfo p = l->Conns.GetConn(i);
            if (!check) ++uses[p.Connection];
            else if (p.Connected() && (p.Connection == 0 || uses[p.Connection] < 2)) std::abort();
        }
    for (int i = 0; i < c.GetComponentCount(); ++i) Count(*c.GetComponent(i), uses, check);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = [] {
        fuzz::RegisterFuzzClasses();
        RegisterEditComps();
        RegisterGrfClass(TFuzzLinked::Class());
        return true;
    }();
    (void)registered;
    TMemoryStream in;
    in.WriteBuffer(data, int64_t(size));
    in.SetPosition(0);
    auto root = TVerUdov::NewRoot<TGrfRootComp>();
    try {
        ReadPastePayload(in, *root);
    } catch (const Exception&) {
        if (root->GetComponentCount() != 0) std::abort();
        return 0;
    }
    std::unordered_map<int32_t, int> uses;
    Count(*root, uses, false);
    Count(*root, uses, true);
    return 0;
}

// Copied editable components (clipboard bytes) on arbitrary bytes, read into
// a drawing's root with extension classes registered. Each read keeps all it
// read, selected, or raises the system's exception and leaves the root as it
// was; what was read writes back to bytes that read the same again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "GrfFuzzClasses.h"
#include "fuzz/FuzzStreams.h"
#include "painter/EdtComp.h"

using namespace velt;

using fuzz::Bytes;

namespace {

void Check(const TGrfEditCompList& list, TVerUdov& owner) {
    if (owner.GetComponentCount() != list.Count()) std::abort();
    for (int i = 0; i < list.Count(); ++i)
        if (!list.Get(i)->GetSelected() || list.Get(i)->GetOwner() != &owner) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RegisterFuzzClasses();
    RegisterEditComps();
    TMemoryStream in;
    in.WriteBuffer(data, int64_t(size));
    in.SetPosition(0);
    auto root = TVerUdov::NewRoot<TGrfRootComp>();
    TGrfEditCompList list;
    TMemoryStream once, twice;
    try {
        list.LoadFromStream(in, root.get());
    } catch (const Exception&) {
        if (root->GetComponentCount() != 0 || list.Count() != 0) std::abort();
        if (ReadVer() != BaseCompVer) std::abort();  // the version stack was left behind
        return 0;
    }
    Check(list, *root);
    try {
        list.SaveToStream(once);
    } catch (const EWriteError&) {
        return 0;  // a name code page 1251 cannot hold
    }
    once.SetPosition(0);
    auto again = TVerUdov::NewRoot<TGrfRootComp>();
    TGrfEditCompList copy;
    copy.LoadFromStream(once, again.get());
    Check(copy, *again);
    if (copy.Count() != list.Count()) std::abort();
    copy.SaveToStream(twice);
    if (Bytes(once) != Bytes(twice)) std::abort();
    return 0;
}

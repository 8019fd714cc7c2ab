// Loads arbitrary bytes as a tagged value. Loading either raises one of the
// system's exceptions or gives a value that saves and loads back to the
// same bytes; no reference is ever restored from the bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/Utils.h"

namespace {

std::string Save(const velt::TVRec& v) {
    velt::TMemoryStream m;
    v.SaveToStream(m);
    return std::string(m.Memory(), size_t(m.Size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velt::TMemoryStream in;
    in.WriteBuffer(data, int64_t(size));
    in.SetPosition(0);
    velt::TVRecRef v;
    try {
        v = velt::TVRecRef(velt::ReadVarRec(in));
    } catch (const velt::Exception&) {
        return 0;
    }
    if (v->Kind == velt::vkObject && v->Value.O != nullptr) std::abort();
    if (in.GetPosition() > int64_t(size)) std::abort();

    // Every conversion either answers or raises a system exception.
    try { (void)v->GetAsString(); } catch (const velt::Exception&) {}
    try { (void)v->GetAsInt(); } catch (const velt::Exception&) {}
    try { (void)v->GetAsFloat(); } catch (const velt::Exception&) {}
    try { (void)v->GetAsCurr(); } catch (const velt::Exception&) {}
    try { (void)velt::VarRecToStr(v.get()); } catch (const velt::Exception&) {}
    try { (void)v->Equal(v.get()); } catch (const velt::Exception&) {}

    std::string once = Save(*v);
    velt::TMemoryStream again;
    again.WriteBuffer(once.data(), int64_t(once.size()));
    again.SetPosition(0);
    velt::TVRecRef w(velt::ReadVarRec(again));
    if (again.Remaining() != 0 || Save(*w) != once) std::abort();
    return 0;
}

// A list of record lists on arbitrary bytes. It loads or raises the
// system's exception (keeping what it held); what it loaded saves to bytes
// that load the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/Support.h"

using namespace velt;

namespace {
std::string Bytes(const TMemoryStream& m) { return std::string(m.Memory(), size_t(m.Size())); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream in;
    in.WriteBuffer(data, int64_t(size));
    in.SetPosition(0);
    TListList lists;
    lists.AddOwnedList(std::make_unique<TGUIDList>());
    TMemoryStream once, twice;
    try {
        lists.LoadFromStream(in);
    } catch (const Exception&) {
        if (lists.GetCount() != 1) std::abort();
        return 0;
    }
    try {
        lists.SaveToStream(once);
    } catch (const Exception&) {
        return 0;
    }
    once.SetPosition(0);
    TListList back;
    back.LoadFromStream(once);
    back.SaveToStream(twice);
    if (Bytes(once) != Bytes(twice)) std::abort();
    return 0;
}

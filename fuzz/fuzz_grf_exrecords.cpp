// Extension records on arbitrary bytes, one after another to the end. Each
// reads or raises the system's exception; what was read writes back to
// bytes that read the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "GrfFuzzClasses.h"
#include "fuzz/FuzzStreams.h"

using namespace velt;

namespace {
using fuzz::Bytes;

std::string WriteAll(const std::vector<ComPtr<IUnknown>>& objs) {
    TMemoryStream m;
    for (auto& o : objs)
        if (!CoComp::WriteExInterface(m, o.get())) std::abort();
    return Bytes(m);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RegisterFuzzClasses();
    TMemoryStream in;
    in.WriteBuffer(data, int64_t(size));
    in.SetPosition(0);
    std::vector<ComPtr<IUnknown>> objs;
    try {
        while (in.Remaining() > 0) {
            int64_t before = in.GetPosition();
            objs.push_back(CoComp::ReadExInterface(in));
            if (in.GetPosition() <= before) std::abort();
        }
    } catch (const Exception&) {
    }
    std::string once = WriteAll(objs);
    TMemoryStream m;
    m.WriteBuffer(once.data(), int64_t(once.size()));
    m.SetPosition(0);
    std::vector<ComPtr<IUnknown>> again;
    while (m.Remaining() > 0) again.push_back(CoComp::ReadExInterface(m));
    if (WriteAll(again) != once) std::abort();
    return 0;
}

// One component in the text form on arbitrary bytes. It reads or raises the
// system's exception; what it read writes back to text that reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "GrfFuzzClasses.h"
#include "fuzz/FuzzStreams.h"

using namespace velt;

using fuzz::Bytes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::RegisterFuzzClasses();
    TMemoryStream in;
    in.WriteBuffer(data, int64_t(size));
    in.SetPosition(0);
    TMemoryStream once, twice;
    try {
        TTextReader reader(in);
        TVerUdovPtr<> comp = reader.ReadComp();
        if (!comp) return 0;
        TTextWriter w(once);
        w.WriteComp(comp.get());
    } catch (const Exception&) {
        return 0;
    }
    once.SetPosition(0);
    TTextReader reader(once);
    TVerUdovPtr<> again = reader.ReadComp();
    if (!again) std::abort();
    TTextWriter w(twice);
    w.WriteComp(again.get());
    if (Bytes(once) != Bytes(twice)) std::abort();
    return 0;
}

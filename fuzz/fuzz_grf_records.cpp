// One component record with its subtree on arbitrary bytes (with a class
// that reads by version and carries extension records). It reads or raises
// the system's exception; what it read writes back to bytes that read the
// same again.
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
        TVerUdovPtr<> comp = ReadVerUdov(in);
        if (!comp) return 0;
        WriteVerUdov(once, comp.get());
    } catch (const Exception&) {
        if (ReadVer() != BaseCompVer) std::abort();  // the version stack was left behind
        return 0;
    }
    once.SetPosition(0);
    TVerUdovPtr<> again = ReadVerUdov(once);
    WriteVerUdov(twice, again.get());
    if (Bytes(once) != Bytes(twice)) std::abort();
    return 0;
}

// velt-painter's drawing files on arbitrary bytes: the text form or the
// binary root file, told apart by the content, with the box and the link
// registered. A read either raises the system's exception or gives a
// drawing that writes to each form and reads back to the same bytes.
#include <cstdint>
#include <cstdlib>

#include "examples/painter/Drawing.h"
#include "examples/painter/BoxLink.h"
#include "fuzz/FuzzStreams.h"

using namespace velt;

using fuzz::Bytes;

namespace {

std::string Write(TGrfRootComp& root, bool text) {
    TMemoryStream m;
    if (text) {
        TTextWriter w(m);
        w.WriteComp(&root);
    } else {
        root.SaveToStream(m);
    }
    return Bytes(m);
}

TVerUdovPtr<TGrfRootComp> Read(const std::string& bytes) {
    TMemoryStream m;
    m.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    return LoadDrawingFrom(m);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegisterPainterExampleClasses();
    TVerUdovPtr<TGrfRootComp> root;
    try {
        root = Read(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const Exception&) {
        if (ReadVer() != BaseCompVer) std::abort();  // the version stack was left behind
        return 0;
    }
    for (bool text : {false, true}) {
        std::string once;
        try {
            once = Write(*root, text);
        } catch (const EWriteError&) {
            return 0;  // a name code page 1251 cannot hold
        }
        // What was written reads back and writes the same bytes again.
        TVerUdovPtr<TGrfRootComp> again = Read(once);
        if (Write(*again, text) != once) std::abort();
    }
    return 0;
}

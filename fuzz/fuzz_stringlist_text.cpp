// Reads arbitrary bytes as string-list text ("String.Count=N" and N lines).
// Reading either raises one of the system's exceptions or gives a list that
// writes and reads back unchanged; line reading always reaches the end.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/Utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velt::TMemoryStream in;
    in.WriteBuffer(data, int64_t(size));

    // Plain line reading consumes at least one byte per line and stops.
    in.SetPosition(0);
    std::string line;
    int64_t lines = 0;
    while (velt::StreamReadln(in, line))
        if (++lines > int64_t(size)) std::abort();
    if (in.Remaining() != 0) std::abort();

    in.SetPosition(0);
    std::unique_ptr<velt::TStringList> list;
    try {
        list = velt::ReadlnStrings(in);
    } catch (const velt::Exception&) {
        return 0;
    }
    velt::TMemoryStream out;
    velt::WritelnStrings(out, *list);
    out.SetPosition(0);
    auto back = velt::ReadlnStrings(out);
    if (back->Strings() != list->Strings() || out.Remaining() != 0) std::abort();
    return 0;
}

// Navigator stream loading on arbitrary bytes: a stream either loads or
// raises the system's exception; one that loads saves to bytes that load
// back to the same bytes, and a table laid out by it works.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/Navigator.h"

using namespace velt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream in;
    if (size) in.WriteBuffer(data, int64_t(size));
    in.SetPosition(0);
    TDBInfoNavigator nav;
    try {
        nav.LoadFromStream(in);
    } catch (const Exception&) {
        return 0;
    }

    TMemoryStream once, twice;
    nav.SaveToStream(once);
    once.SetPosition(0);
    TDBInfoNavigator again;
    again.LoadFromStream(once);
    again.SaveToStream(twice);
    if (once.Size() != twice.Size() || std::memcmp(once.Memory(), twice.Memory(), size_t(once.Size())) != 0) std::abort();

    if (nav.GetFieldInfoSize() > 4096) return 0;
    TStructuredTreeList table(nav.CloneNavigator());
    const int r = table.AddEmpty();
    table.AddEmpty();
    for (int f = 0; f < table.GetFieldCount(); ++f) {
        try {
            table.SetAsString(r, f, "1");
        } catch (const Exception&) {
        }
        try {
            (void)table.GetAsString(r, f);
        } catch (const Exception&) {
        }
        try {
            (void)table.FindKeyEx(f, 1);
        } catch (const Exception&) {
        }
    }
    table.Delete(0);
    return 0;
}

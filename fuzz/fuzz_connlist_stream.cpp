// Two connection lists on arbitrary bytes (a kinds mask, a mode byte, then
// the two streams). Each loads or raises the system's exception; the second
// is then merged into the first, which must leave the source untouched and
// no point marked removed.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "painter/IGrfTopo.h"

using namespace velt;

namespace {
std::string Records(const TConnList& l) {
    return std::string(static_cast<const char*>(l.GetFirst()), size_t(l.GetCount()) * 16);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const TConnTypes types = data[0];
    const bool addNew = data[1] & 1;
    const auto compare = TConnCompare((data[1] >> 1) % 3);
    TMemoryStream in;
    in.WriteBuffer(data + 2, int64_t(size - 2));
    in.SetPosition(0);
    TConnList own, source;
    try {
        own.LoadFromStream(in);
        source.LoadFromStream(in);
    } catch (const Exception&) {
        return 0;
    }
    const std::string before = Records(source);
    own.MergeFrom(source, types, addNew, compare);
    if (Records(source) != before) std::abort();
    for (int i = 0; i < own.GetCount(); ++i)
        if (own.GetConn(i).GetAttr(cnaRemoved)) std::abort();
    return 0;
}

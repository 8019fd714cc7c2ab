// The surface's view-state reader on arbitrary bytes: 12 bytes or more
// read, fewer raise EReadError with nothing read; a read scale is a number
// at or above the first standard scale, the origins are those stored held
// within the pixel range, and all writes back to 12 bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "painter/PainterTypes.h"

using namespace velt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream in;
    if (size) in.WriteBuffer(data, int64_t(size));
    in.SetPosition(0);
    TViewState v;
    try {
        v = ReadViewState(in, TViewState{1, 0, 0});
    } catch (const EReadError&) {
        if (size >= 12 || in.GetPosition() != 0) std::abort();
        return 0;
    }
    if (size < 12 || std::isnan(v.Mst) || !(v.Mst >= StdMstTable[0])) std::abort();
    TMemoryStream out;
    WriteViewState(out, v);
    int32_t x = 0, y = 0;
    std::memcpy(&x, data + 4, 4);
    std::memcpy(&y, data + 8, 4);
    if (v.OrgX != ClampPixel(int64_t(x)) || v.OrgY != ClampPixel(int64_t(y))) std::abort();
    if (out.GetSize() != 12 || std::memcmp(out.Memory() + 4, &v.OrgX, 4) != 0 ||
        std::memcmp(out.Memory() + 8, &v.OrgY, 4) != 0)
        std::abort();
    return 0;
}

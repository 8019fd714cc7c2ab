// The geometry unit's stream readers on arbitrary bytes: the first byte
// picks the reader (points and rectangles, a point list through the filer,
// a font record, a picture block). Each either reads or raises the system's
// exception; what it read writes back to bytes that read the same again.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/Filer.h"
#include "graphics/GrfUtils.h"
#include "fuzz/FuzzStreams.h"

using namespace velt;

namespace {

using fuzz::Bytes;

// Reads with read, writes what it got with write, and reads that again:
// the second writing must give the same bytes as the first.
template <class Read, class Write>
void RoundTrip(TMemoryStream& in, Read read, Write write) {
    TMemoryStream once, twice;
    try {
        write(once, read(in));
    } catch (const Exception&) {
        return;
    }
    once.SetPosition(0);
    write(twice, read(once));
    if (Bytes(once) != Bytes(twice)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    TMemoryStream in;
    if (size > 1) in.WriteBuffer(data + 1, int64_t(size - 1));
    in.SetPosition(0);
    switch (data[0] % 4) {
    case 0:
        RoundTrip(
            in,
            [](TStream& s) {
                const TSPoint p = ReadPoint(s);
                return std::make_pair(p, ReadRect(s));
            },
            [](TStream& s, const std::pair<TSPoint, TSRect>& v) {
                WritePoint(s, v.first);
                WriteRect(s, v.second);
            });
        break;
    case 1:
        RoundTrip(
            in,
            [](TStream& s) {
                TReader r(s);
                return ReadPoints(r);
            },
            [](TStream& s, const std::unique_ptr<TPoints>& p) {
                TWriter w(s);
                WritePoints(w, p.get());
            });
        break;
    case 2:
        RoundTrip(
            in,
            [](TStream& s) {
                TFontRecord f;
                const bool present = ReadFontRecord(s, f);
                return std::make_pair(present, f);
            },
            [](TStream& s, const std::pair<bool, TFontRecord>& f) { WriteFontRecord(s, f.first ? &f.second : nullptr); });
        break;
    default:
        RoundTrip(
            in,
            [](TStream& s) {
                std::unique_ptr<TMemoryStream> block;
                const TGraphicType type = ReadGraphicBlock(s, block);
                return std::make_pair(type, std::shared_ptr<TMemoryStream>(std::move(block)));
            },
            [](TStream& s, const std::pair<TGraphicType, std::shared_ptr<TMemoryStream>>& b) {
                WriteGraphicBlock(s, b.first, b.second.get());
            });
        break;
    }
    return 0;
}

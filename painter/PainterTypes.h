#pragma once
// The drawing surface's plain part: its enumerations, the measure and scale
// tables, the scale and step arithmetic and the 12-byte view state. No Qt,
// so that the fuzz build covers the view-state reader.

#include <array>
#include <cstdint>
#include <string>

#include "foundation/Classes.h"

namespace velt {

enum TDrawMode : uint8_t { dmNone, dmDrag, dmHide, dmShadow };
enum TMeasureType : uint8_t { mtPoint, mtMMt, mtCMt, mtMt, mtKM, mtInch };
inline constexpr int MeasureCount = 6;

enum TSetViewOption : uint8_t { svoScroll, svoNoInvalidate, svoNoRullers };
using TSetViewOptions = uint8_t;
constexpr TSetViewOptions SetViewBit(TSetViewOption o) { return TSetViewOptions(1u << unsigned(o)); }

enum TLookType : uint8_t { ltTop, ltBottom, ltLeft, ltRight, ltAuto };
using TLookTypes = uint8_t;
constexpr TLookTypes LookBit(TLookType t) { return TLookTypes(1u << unsigned(t)); }

struct TMeasureRec {
    const char* Name;
    const char* Short;
    float K;
};
extern const std::array<TMeasureRec, MeasureCount> Measure;

inline constexpr int StdMstCount = 40;
extern const std::array<float, StdMstCount> StdMstTable;

// Milliseconds within which a second press counts as a double click.
extern int32_t DblClickInterval;

// The scale a request becomes: at least the first table entry, the nearest
// entry with standard, else itself; a NaN or +infinity keeps current.
float ResolveMst(float requested, bool standard, float current);
// The next table entry above (up) or below m; m itself when there is none.
float NextStdMst(bool up, float m);
// Snapped to step when it is a positive finite value.
float SnapToStep(float v, float step);
// value shown in another unit: Real_str(0, 0) of value x K[from] / K[to],
// ".0" at the end losing its last character, and the short name with unit.
std::string UnitText(float value, TMeasureType from, TMeasureType to, bool unit);
bool ValidMeasure(int v);

// A device coordinate: 64-bit arithmetic kept within RoundPixel's range.
int32_t ClampPixel(int64_t v);
int32_t ClampPixel(double v);

struct TViewState {
    float Mst = 1;
    int32_t OrgX = 0;
    int32_t OrgY = 0;
};
// 12 raw bytes: Mst, OrgX, OrgY, little-endian.
void WriteViewState(TStream& s, const TViewState& v);
// EReadError, nothing read into the answer, when fewer than 12 bytes are
// left. The stored scale is resolved as SetMst would (without the table):
// below the first entry it becomes that entry, NaN or +infinity keep
// current.Mst. The origins are kept within ClampPixel's range.
TViewState ReadViewState(TStream& s, const TViewState& current);

}  // namespace velt

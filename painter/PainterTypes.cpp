#include "painter/PainterTypes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/SysUtils.h"
#include "graphics/GrfUtils.h"
#include "graphics/grStr.h"

namespace velt {

const std::array<TMeasureRec, MeasureCount> Measure = {{
    {"Point", "", 1},
    {"Milimeter", "mm", 1},
    {"Centimeter", "cm", 10},
    {"Meter", "m", 1000},
    {"Kilometer", "km", 1000000},
    {"Inch", "\"", 25},
}};

const std::array<float, StdMstCount> StdMstTable = {
    0.0005f, 0.001f, 0.005f, 0.01f, 0.025f, 0.05f, 0.075f, 0.1f, 0.175f, 0.25f, 0.5f, 0.625f, 0.75f, 0.875f,
    1,       1.125f, 1.25f,  1.5f,  1.625f, 1.75f, 1.875f, 2,    2.25f,  2.5f,  2.75f, 3,      3.5f,  4,
    5,       7.5f,   10,     15,    20,     25,    30,     35,   40,     50,    75,    100};

int32_t DblClickInterval = 300;

float ResolveMst(float requested, bool standard, float current) {
    if (std::isnan(requested) || requested == INFINITY) return current;
    float m = requested < StdMstTable[0] ? StdMstTable[0] : requested;
    if (standard) m = RoundTo(StdMstTable, m);
    return m;
}

float NextStdMst(bool up, float m) {
    if (up) {
        for (float v : StdMstTable)
            if (v > m) return v;
        return m;
    }
    for (auto it = StdMstTable.rbegin(); it != StdMstTable.rend(); ++it)
        if (*it < m) return *it;
    return m;
}

float SnapToStep(float v, float step) {
    if (!(step > 0) || !std::isfinite(step)) return v;
    return float(double(Rnd(float(double(v) / step))) * step);
}

bool ValidMeasure(int v) { return v >= 0 && v < MeasureCount; }

std::string UnitText(float value, TMeasureType from, TMeasureType to, bool unit) {
    const TMeasureRec& f = Measure[ValidMeasure(from) ? from : mtMMt];
    const TMeasureRec& t = Measure[ValidMeasure(to) ? to : mtMMt];
    std::string s = Real_str(0, 0, double(value) * f.K / t.K);
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.pop_back();
    if (unit) s += t.Short;
    return s;
}

int32_t ClampPixel(int64_t v) {
    constexpr int64_t limit = int64_t(1) << 27;
    return int32_t(std::clamp(v, -limit, limit));
}

int32_t ClampPixel(double v) { return RoundPixel(v); }

void WriteViewState(TStream& s, const TViewState& v) {
    uint8_t b[12];
    std::memcpy(b, &v.Mst, 4);
    std::memcpy(b + 4, &v.OrgX, 4);
    std::memcpy(b + 8, &v.OrgY, 4);
    s.WriteBuffer(b, 12);
}

TViewState ReadViewState(TStream& s, const TViewState& current) {
    if (s.Remaining() < 12) throw EReadError("The view state needs 12 bytes");
    uint8_t b[12];
    s.ReadBuffer(b, 12);
    TViewState v;
    std::memcpy(&v.Mst, b, 4);
    std::memcpy(&v.OrgX, b + 4, 4);
    std::memcpy(&v.OrgY, b + 8, 4);
    v.Mst = ResolveMst(v.Mst, false, current.Mst);
    v.OrgX = ClampPixel(int64_t(v.OrgX));
    v.OrgY = ClampPixel(int64_t(v.OrgY));
    return v;
}

}  // namespace velt

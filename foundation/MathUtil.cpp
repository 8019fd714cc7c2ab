#include "foundation/MathUtil.h"

#include <cmath>

#include "foundation/SysUtils.h"

namespace velt::MathUtil {

float Modul(float x1, float y1, float x2, float y2) {
    float dx = x2 - x1, dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

float Angle(float x1, float y1, float x2, float y2) {
    return float(std::atan2(double(y1 - y2), double(x2 - x1)) * 57.29577951308232);
}

float Max(std::span<const float> values) {
    if (values.empty()) throw ERangeError("Max of an empty list");
    float r = values[0];
    for (float v : values.subspan(1))
        if (!(r >= v)) r = v;
    return r;
}

float Min(std::span<const float> values) {
    if (values.empty()) throw ERangeError("Min of an empty list");
    float r = values[0];
    for (float v : values.subspan(1))
        if (v < r) r = v;
    return r;
}

}  // namespace velt::MathUtil

#pragma once
// Plane-geometry helpers over 32-bit floats. They live in velt::MathUtil and
// are also usable unqualified inside velt.

#include <initializer_list>
#include <span>

namespace velt::MathUtil {

// Distance between (X1, Y1) and (X2, Y2).
float Modul(float x1, float y1, float x2, float y2);
// Direction from point 1 to point 2 in degrees, -180..180, for a y axis
// that grows downward: (0,0)->(1,0) is 0, (0,0)->(0,1) is -90.
float Angle(float x1, float y1, float x2, float y2);
// The greatest / least of the values (the first of equal ones). Raises
// ERangeError on an empty list.
float Max(std::span<const float> values);
float Min(std::span<const float> values);
inline float Max(std::initializer_list<float> values) { return Max(std::span<const float>(values.begin(), values.size())); }
inline float Min(std::initializer_list<float> values) { return Min(std::span<const float>(values.begin(), values.size())); }

}  // namespace velt::MathUtil

namespace velt {
using MathUtil::Angle;
using MathUtil::Max;
using MathUtil::Min;
using MathUtil::Modul;
}  // namespace velt

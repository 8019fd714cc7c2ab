#pragma once
// The platform's cursor numbers, as components report them, and their Qt
// shapes.

#include <cstdint>

#include <Qt>

namespace velt {

using TCursor = int16_t;

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crMultiDrag = -16;

// The shape shown for a cursor number; the arrow for any other number.
Qt::CursorShape CursorShapeOf(TCursor cursor);

}  // namespace velt

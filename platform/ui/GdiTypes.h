#pragma once
// The integer point and rectangle of the platform's drawing calls and its
// MulDiv. Plain C++ (no Qt), so that the geometry code can use them without
// the window system.
//
// A rectangle's Right and Bottom lie just outside it: (0, 0, 10, 5) covers
// the pixels 0..9 by 0..4.

#include <cstdint>

namespace velt {

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TRect&) const = default;
};

struct TSize {
    int32_t cx = 0;
    int32_t cy = 0;
    bool operator==(const TSize&) const = default;
};

inline TPoint Point(int32_t x, int32_t y) { return TPoint{x, y}; }
inline TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) { return TRect{left, top, right, bottom}; }

// number * numerator / denominator through 64 bits, rounded to the nearest
// integer with halves away from zero; -1 when denominator is 0 or the result
// does not fit 32 bits (as the platform's MulDiv answers).
inline int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
    if (denominator == 0) return -1;
    const int64_t p = int64_t(number) * numerator;
    const int64_t d = denominator;
    const bool negative = (p < 0) != (d < 0);
    const int64_t ap = p < 0 ? -p : p, ad = d < 0 ? -d : d;
    int64_t q = (ap + ad / 2) / ad;
    if (negative) q = -q;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return int32_t(q);
}

}  // namespace velt

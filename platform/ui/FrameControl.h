#pragma once
// DrawFrameControl: push-button faces and scroll arrows in the classic
// system colours (never the Qt style, so that the pixels stay the same on
// every platform theme).

#include <cstdint>

#include "platform/ui/Canvas.h"

namespace velt {

inline constexpr uint32_t DFC_SCROLL = 3;
inline constexpr uint32_t DFC_BUTTON = 4;
inline constexpr uint32_t DFCS_SCROLLUP = 0x0;
inline constexpr uint32_t DFCS_SCROLLDOWN = 0x1;
inline constexpr uint32_t DFCS_SCROLLLEFT = 0x2;
inline constexpr uint32_t DFCS_SCROLLRIGHT = 0x3;
inline constexpr uint32_t DFCS_BUTTONPUSH = 0x10;
inline constexpr uint32_t DFCS_PUSHED = 0x200;
inline constexpr uint32_t DFCS_FLAT = 0x4000;

// A raised face (a sunken one with DFCS_PUSHED; a one-pixel shadow frame
// with DFCS_FLAT), and for DFC_SCROLL a black arrow in it, moved one pixel
// right and down while pushed. False for a kind it does not draw.
bool DrawFrameControl(TCanvas& canvas, const TRect& rect, uint32_t kind, uint32_t state);

}  // namespace velt

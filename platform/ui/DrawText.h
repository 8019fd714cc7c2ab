#pragma once
// The platform's formatted text and edge drawing on a TCanvas.
//
// DrawText draws with the canvas's font in its colour. With a solid brush
// each line's text is laid on the brush colour first (the platform's
// opaque background); with a clear brush only the letters are drawn.
// Unless DT_NOPREFIX is given, "&" underlines the character after it and
// "&&" shows one "&"; a lone "&" at the end shows nothing. Lines break at
// line ends (CR LF, LF or CR) unless DT_SINGLELINE; with DT_WORDBREAK a
// line also breaks between words where the next word would pass the
// rectangle's right edge (a word wider than the rectangle stands on a
// line of its own). DT_EXPANDTABS puts tab stops every eight average
// character widths; without it a tab is a blank. DT_VCENTER and DT_BOTTOM
// work on single lines only, as on the platform. The text is clipped to
// the rectangle unless DT_NOCLIP.

#include <cstdint>
#include <string>

#include "platform/ui/Canvas.h"
#include "platform/ui/GdiTypes.h"

namespace velt {

inline constexpr uint32_t DT_TOP = 0x0;
inline constexpr uint32_t DT_LEFT = 0x0;
inline constexpr uint32_t DT_CENTER = 0x1;
inline constexpr uint32_t DT_RIGHT = 0x2;
inline constexpr uint32_t DT_VCENTER = 0x4;
inline constexpr uint32_t DT_BOTTOM = 0x8;
inline constexpr uint32_t DT_WORDBREAK = 0x10;
inline constexpr uint32_t DT_SINGLELINE = 0x20;
inline constexpr uint32_t DT_EXPANDTABS = 0x40;
inline constexpr uint32_t DT_NOCLIP = 0x100;
inline constexpr uint32_t DT_CALCRECT = 0x400;
inline constexpr uint32_t DT_NOPREFIX = 0x800;

// Draws text (UTF-8) in rect and answers the height of the text. With
// DT_CALCRECT it draws nothing and sets rect's Right and Bottom to the
// text's extent instead (Right to the widest line, at most the width given
// when word breaks are on, unless a single word is wider).
int32_t DrawText(TCanvas& canvas, const std::string& text, TRect& rect, uint32_t format);

// Edges of DrawEdge: an outer and an inner ring, raised or sunken.
inline constexpr uint32_t BDR_RAISEDOUTER = 0x1;
inline constexpr uint32_t BDR_SUNKENOUTER = 0x2;
inline constexpr uint32_t BDR_RAISEDINNER = 0x4;
inline constexpr uint32_t BDR_SUNKENINNER = 0x8;
inline constexpr uint32_t EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr uint32_t EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr uint32_t EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr uint32_t EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

inline constexpr uint32_t BF_LEFT = 0x1;
inline constexpr uint32_t BF_TOP = 0x2;
inline constexpr uint32_t BF_RIGHT = 0x4;
inline constexpr uint32_t BF_BOTTOM = 0x8;
inline constexpr uint32_t BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr uint32_t BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr uint32_t BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr uint32_t BF_MIDDLE = 0x800;
inline constexpr uint32_t BF_FLAT = 0x4000;
inline constexpr uint32_t BF_MONO = 0x8000;
inline constexpr uint32_t BF_ADJUST = 0x2000;

// The sides of rect that flags name, in the system colours: the raised
// outer ring light above and left (cl3DLight) and dark shadow below and
// right (cl3DDkShadow), the raised inner ring highlight and shadow; sunken
// rings the other way round. BF_FLAT draws an outer ring in the shadow
// colour and an inner one in the button face colour; BF_MONO the outer in
// the window frame colour and the inner in the window colour. BF_MIDDLE
// fills the inside with the button face colour (the window colour with
// BF_FLAT or BF_MONO); BF_ADJUST leaves rect inside the drawn sides.
void DrawEdge(TCanvas& canvas, TRect& rect, uint32_t edge, uint32_t flags);

}  // namespace velt

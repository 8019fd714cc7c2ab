#pragma once
// The platform's colour value and its link to Qt.
//
// A TColor is 0x00BBGGRR for a plain colour; 0x02BBGGRR is the same colour
// relative to the current palette (drawn as the plain colour here);
// 0x80000000 | n is the system colour n (COLOR_BTNFACE and friends), which
// ColorToRGB resolves through the application's Qt palette.

#include <cstdint>
#include <memory>
#include <vector>

class QColor;

namespace velt {

using TColor = int32_t;

inline constexpr TColor PaletteRelativeFlag = 0x02000000;

// The sixteen named colours.
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
// No colour at all (a transparent QColor) and the control's default.
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// System colours, by the platform's index.
inline constexpr TColor SystemColor(int index) { return TColor(0x80000000u | uint32_t(index)); }
inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clInactiveCaption = SystemColor(3);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clCaptionText = SystemColor(9);
inline constexpr TColor clActiveBorder = SystemColor(10);
inline constexpr TColor clInactiveBorder = SystemColor(11);
inline constexpr TColor clAppWorkSpace = SystemColor(12);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInactiveCaptionText = SystemColor(19);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor cl3DDkShadow = SystemColor(21);
inline constexpr TColor cl3DLight = SystemColor(22);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);

inline constexpr uint8_t GetRValue(uint32_t rgb) { return uint8_t(rgb); }
inline constexpr uint8_t GetGValue(uint32_t rgb) { return uint8_t(rgb >> 8); }
inline constexpr uint8_t GetBValue(uint32_t rgb) { return uint8_t(rgb >> 16); }
inline constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) { return TColor(r | (g << 8) | (b << 16)); }

// A logical palette: its entries, shared and never changed once made (a
// new palette replaces an old one).
struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
};
using HPALETTE = std::shared_ptr<const std::vector<TPaletteEntry>>;
inline constexpr uint8_t PC_NOCOLLAPSE = 2;

// A system colour becomes the RGB value the Qt palette gives it (the
// classic Windows colours before a QGuiApplication exists); any other value
// is returned as it is, palette-relative flag included.
TColor ColorToRGB(TColor color);
// The colour to draw: system colours resolved, the palette-relative flag
// and the other high bits dropped; clNone is transparent.
QColor ColorToQColor(TColor color);
// 0x00BBGGRR of the colour (its alpha dropped).
TColor QColorToColor(const QColor& color);

}  // namespace velt

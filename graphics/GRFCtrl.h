#pragma once
// Drawing attributes of the painter and the picker controls: the style
// enumerations and tables, the shared 64-entry colour palette (16 fixed
// colours and up to 48 user colours kept in the "Palette" section of the
// program's INI file), and the drawing of line-end pointers and line
// markers.
//
// The palette is loaded by LoadPalette once the INI store is open and saved
// by SavePalette before it closes (GraphicsStartup and GraphicsShutdown do
// both). Everything runs on the thread that owns the windows.
//
// The drawing routines take device pixels in Single; each point is rounded
// to the nearest pixel, halves to even. They draw with the canvas's pen and
// change its brush (DrawPtr) or pen colour (filled markers) as stated,
// without restoring them.

#include <array>
#include <cstdint>
#include <string>

#include "platform/ui/Canvas.h"
#include "platform/ui/Colors.h"

namespace velt {

enum TPointerStyle : uint8_t { psNone, psP1, psP1Filled, psP2, psP2Filled, psP3, psCircle, psCircleFilled };
enum TLineMarkerStyle : uint8_t { lmNone, lmCircle, lm1, lm2, lm3, lm4, lm5, lm6, lm7, lm8, lm9, lm10, lm11, lm12 };
enum TRectLines : uint8_t { rlLeft, rlTop, rlRight, rlBottom };
// Set of TRectLines, one bit per ordinal; all four lines = 15.
using TRectLinesSet = uint8_t;
inline constexpr TRectLinesSet AllRectLines = 15;

// In the order the pickers show them.
inline constexpr std::array<TPenStyle, 6> StdPenStyle = {psSolid, psClear, psDash, psDot, psDashDot, psDashDotDot};
inline constexpr std::array<TBrushStyle, 8> StdBrushStyle = {bsSolid,     bsClear,     bsHorizontal, bsVertical,
                                                              bsFDiagonal, bsBDiagonal, bsCross,      bsDiagCross};
inline constexpr std::array<TPointerStyle, 8> StdPointerStyle = {psNone,     psP1, psP1Filled, psP2,
                                                                 psP2Filled, psP3, psCircle,   psCircleFilled};
inline constexpr std::array<TLineMarkerStyle, 14> StdLineMarkerStyle = {
    lmNone, lmCircle, lm1, lm2, lm3, lm4, lm5, lm6, lm7, lm8, lm9, lm10, lm11, lm12};

// ---- attribute records (plain, packed; stored as they are) ----------------------

#pragma pack(push, 1)
struct TBorderInfo {
    uint8_t Style = 0;  // a TPenStyle
    TRectLinesSet Lines = AllRectLines;
    float Width = 0;
    int32_t Color = 0;  // a palette index

    uint8_t _Style() const { return Style; }
    bool GetAllLines() const { return (Lines & AllRectLines) == AllRectLines; }
    void SetAllLines() { Lines = AllRectLines; }
};
struct TFillInfo {
    uint8_t Style = 0;  // a TBrushStyle
    int32_t Color = 0;  // a palette index

    uint8_t _Style() const { return Style; }
};
struct TShadowInfo {
    uint8_t Visible = 0;
    int32_t Color = 0;
    float DX = 0;
    float DY = 0;
};
struct TGraphicDrawInfo {
    TBorderInfo Border;
    TFillInfo Fill;
    TShadowInfo Shadow;
};
struct TMarkerInfo {
    uint8_t Style = 0;  // a TLineMarkerStyle
    float Size = 0;
    uint8_t Fill = 0;
};
struct T1DMarkerInfo {
    TMarkerInfo Marker;
    float Spacing = 0;
    uint8_t Rotate = 0;
};
struct T2DMarkerInfo {
    TMarkerInfo Marker;
    float StepX = 0;
    float StepY = 0;
};
#pragma pack(pop)
static_assert(sizeof(TBorderInfo) == 10 && sizeof(TFillInfo) == 5 && sizeof(TShadowInfo) == 13);

// ---- the palette ---------------------------------------------------------------------

inline constexpr int32_t PaletteEntries = 64;
inline constexpr int32_t StandardColors = 16;

// Fills the palette: the 16 standard colours, then the user colours of keys
// "C16" to "C63" of the "Palette" section (a missing, 0 or non-numeric
// value stores none). The INI store must be open.
void LoadPalette();
// When the palette changed and has user entries: writes the keys among
// "C16" .. "C<PalSize-1>" of the entries given a colour since loading, over
// what the file holds now (another instance's colours and the user's edits
// stay). File errors pass through.
void SavePalette();
// Forgets the palette (no entries, no palette object).
void FreePalette();

// Number of used entries: 16 after loading, at most 64, never less.
int32_t PalSize();
// The palette object of the first PalSize entries; replaced on every change.
HPALETTE PalHandle();
bool PalForPrint();
void SetPalForPrint(bool on);
bool PaletteChanged();
// Entry i (0..63) as stored.
TPaletteEntry PalEntry(int32_t index);

// Puts color into entry index (-1 appends; above 63 means 63) and returns
// the index used. Color 0 stores nothing and returns 0 (PalSize has grown
// all the same). ERangeError for an index below -1.
int32_t ChangePalColor(int32_t index, TColor color);
// The first used entry of the same RGB, or a new one through ChangePalColor.
int32_t GetColorIndex(TColor color);
// The palette-relative colour of entry index (plain RGB with PalForPrint);
// black at or beyond PalSize. ERangeError for a negative index.
TColor GetColor(int32_t index);
// The standard name below 16; "R.G.B" in hex digits otherwise. ERangeError
// outside 0..63.
std::string GetColorName(int32_t index);

// StdPenStyle[position]; solid outside the table.
TPenStyle GetPenStyle(int32_t position);
// StdBrushStyle[position]; clear outside the table.
TBrushStyle GetBrushStyle(int32_t position);

// ---- pointers and markers -------------------------------------------------------------

// The pointer at the end (x2, y2) of the line from (x1, y1), offset pixels
// back from it, and the line itself when drawLine. Nothing at all when the
// points are at most half a pixel apart.
void DrawPtr(TCanvas& canvas, TPointerStyle style, bool drawLine, float x1, float y1, float x2, float y2, float size,
             float offset);
// The markers along one segment, the first phase pixels from its start and
// then every spacing pixels (at least 0.5); the line itself when drawLine.
// Returns the distance from the segment's end to the next marker position,
// the phase of the next segment. Only markers that can reach the canvas's
// clip are drawn; the count of the others is worked out, not walked.
float DrawLineMarker(TCanvas& canvas, TLineMarkerStyle style, bool drawLine, float x1, float y1, float x2, float y2,
                     float size, float spacing, float phase, bool fill, bool rotate);
// The marker positions DrawLineMarker has visited in this process: how much
// of a segment it walked, for tests.
int64_t LineMarkerAnchorsVisited();
// One marker centred at (x, y), turned a quarter turn with rotate. Returns 0.
float DrawOneLineMarker(TCanvas& canvas, TLineMarkerStyle style, bool fill, float x, float y, float size, bool rotate);

}  // namespace velt

#pragma once
// Helpers over the drawing layer and Qt's windows: bitmaps and icons from
// the program's artwork, transparent and disabled bitmap drawing, gradient
// fills, inverse drawing over a window, dialog-unit conversions, a counted
// wait cursor, command-line splitting and a few widget helpers.
//
// Artwork lives in Qt resources: a module's bitmap named NAME is the
// resource ":/<module>/<NAME>" (names compare in upper case, as the
// platform's resource names do); this program's own module is "velt".
//
// The platform's movable global memory blocks, the search for a previous
// instance's window by window class, and the count of key messages waiting
// in a window's queue have no counterpart here and are not offered.

#include <QCursor>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/Classes.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Graphic.h"

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace velt {

enum TFillDirection : uint8_t { fdTopToBottom, fdBottomToTop, fdLeftToRight, fdRightToLeft };

// The module of the program's own artwork.
inline constexpr std::string_view HInstance = "velt";

// The cursor StartWait shows.
inline Qt::CursorShape WaitCursor = Qt::WaitCursor;

// The bitmap resName of module; none when there is no such resource.
std::unique_ptr<TBitmap> MakeModuleBitmap(std::string_view module, std::string_view resName);
std::unique_ptr<TBitmap> MakeBitmap(std::string_view resName);
// The resource named by the decimal number.
std::unique_ptr<TBitmap> MakeBitmapID(int id);
std::unique_ptr<TIcon> MakeModuleIcon(std::string_view module, std::string_view resName);
std::unique_ptr<TIcon> MakeIcon(std::string_view resName);
std::unique_ptr<TIcon> MakeIconID(int id);

// A bitmap of the icon's size in backColor with the icon drawn on it.
std::unique_ptr<TBitmap> CreateBitmapFromIcon(const TIcon& icon, TColor backColor);
// When the top-left pixel is not color already: the pixels of the old
// top-left colour become color.
void TransparentImage(TBitmap& image, TColor color);
// The whole bitmap at (dstX, dstY), leaving the canvas's pixels where the
// bitmap has transparentColor.
void DrawTransparentBitmap(TCanvas& canvas, const TBitmap& bitmap, int32_t dstX, int32_t dstY,
                           TColor transparentColor);
void DrawBitmapTransparent(TCanvas& canvas, int32_t x, int32_t y, const TBitmap& bitmap, TColor transparentColor);
// The same for the part rect of the bitmap.
void DrawBitmapRectTransparent(TCanvas& canvas, int32_t x, int32_t y, const TRect& rect, const TBitmap& bitmap,
                               TColor transparentColor);
// A copy with the pixels of color in newColor.
std::unique_ptr<TBitmap> ChangeBitmapColor(const TBitmap& bitmap, TColor color, TColor newColor);
// The button-face colour with the bitmap's shape embossed: a white copy
// offset by (1, 1), then the shape in the button-shadow colour. The shape
// is every pixel not of the bitmap's transparent colour (its bottom-left
// pixel).
std::unique_ptr<TBitmap> CreateDisabledBitmap(const TBitmap& bitmap);
// 8 x 8 in color1, with color2 where row and column have the same parity.
std::unique_ptr<TBitmap> CreateTwoColorsBrushPattern(TColor color1, TColor color2);

// The bitmap as a BMP file, positioned at 0. colors: 2 (or a monochrome
// bitmap) writes 1 bit, 16 writes 4, 256 writes 8, 0 the bitmap's own
// depth (24 for deeper ones), anything else 24. EInvalidGraphic for a
// bitmap without an image.
std::unique_ptr<TMemoryStream> BitmapToMemory(const TBitmap& bitmap, int colors);
// The same file, written atomically.
void SaveBitmapToFile(const std::string& fileName, const TBitmap& bitmap, int colors);

// From the application font's dialog base units (8 x 16 without one).
int32_t DialogUnitsToPixelsX(int32_t du);
int32_t DialogUnitsToPixelsY(int32_t du);
int32_t PixelsToDialogUnitsX(int32_t pixels);
int32_t PixelsToDialogUnitsY(int32_t pixels);

// The message box "Not implemented" (information, OK).
void NotImplemented();

// Inverse drawing over the window under rectOrg (screen coordinates): an
// overlay on the window inverts what the window shows, so drawing the same
// twice restores it. Nothing when no window of the program is there.
// The outline from rectOrg to rectEnd:
void PaintInverseRect(const TPoint& rectOrg, const TPoint& rectEnd);
// The whole rectangle:
void PaintInverseRect_(const TPoint& rectOrg, const TPoint& rectEnd);
// width nested dotted focus frames, each one pixel inside the previous:
void DrawInvertFrame(const TRect& screenRect, int32_t width);

// r.Left <= p.X <= r.Right and r.Top <= p.Y <= r.Bottom.
bool PointInRect(const TPoint& p, const TRect& r);
// Processes the application's events until msecs have passed.
void Delay(int32_t msecs);
int32_t GetPaletteEntries(const HPALETTE& palette);
// Centres the control in its parent, never at a negative position.
void CenterControl(QWidget* control);
void ActivateWindow(QWidget* wnd);
// Windows-style flags and answers: MB_OK 0, MB_OKCANCEL 1,
// MB_ABORTRETRYIGNORE 2, MB_YESNOCANCEL 3, MB_YESNO 4, MB_RETRYCANCEL 5;
// icons 0x10 stop, 0x20 question, 0x30 warning, 0x40 information; default
// button 0x100, 0x200. Answers IDOK 1, IDCANCEL 2, IDABORT 3, IDRETRY 4,
// IDIGNORE 5, IDYES 6, IDNO 7.
int MsgBox(const std::string& caption, const std::string& text, int flags);
// Bands of colours from startColor to endColor (see the definition).
void GradientFillRect(TCanvas& canvas, const TRect& rect, TColor startColor, TColor endColor,
                      TFillDirection direction, uint8_t colors);
// exeName := the first word; params := the others joined by one blank,
// each word with a blank in double quotes. Words are split at characters up
// to the blank; a double-quoted stretch belongs to its word without the
// quotes; a doubled double quote at a word's start is skipped.
void SplitCommandLine(const std::string& cmdLine, std::string& exeName, std::string& params);
inline const char* StringToPChar(std::string& s) { return s.c_str(); }
// The first StartWait shows WaitCursor; the matching last StopWait restores
// the cursor. StopWait without StartWait does nothing.
void StartWait();
void StopWait();
int WaitCount();
// The item (an action of menu) shows bitmap: in place of its text with
// replace, as its check mark otherwise. Nothing without a bitmap or for an
// action that is not the menu's.
void SetMenuBitmap(QMenu* menu, QAction* item, const TBitmap* bitmap, bool replace);
void SetMenuBitmapRes(QMenu* menu, QAction* item, std::string_view resName, bool replace);
// The mouse position on the screen.
void CurPos(TPoint& p);
int32_t GetCX();
int32_t GetCY();
// For a line or text edit or an editable combo box: text replaces the
// selection, the caret goes offset characters past its end with nothing
// selected. An edit takes the focus after the change, a combo box before.
void InsertToEdit(QWidget* control, const std::string& text, int offset);
// Every widget is a windowed control here: a widget gives itself,
// anything else null.
QWidget* ObjectToWinControl(QObject* obj);
// s in lower case (every alphabet), then its first letter in upper case.
std::string AnsiUpperFirstChar(const std::string& s);

}  // namespace velt

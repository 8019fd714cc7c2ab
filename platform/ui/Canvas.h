#pragma once
// The platform's canvas over QPainter, with its drawing rules:
//
// - Integer device coordinates; a pen position that MoveTo sets and LineTo,
//   TextOut and the figures move; pen, brush and font kept between calls.
// - A figure's outline runs through the pixels of its corner points; a
//   filled area covers the pixels whose centres lie inside it. So FillRect
//   (0, 0, 10, 10) fills 0..9; Rectangle (0, 0, 10, 10) outlines 0..9 and
//   fills inside, and without a pen fills only 0..8, as the platform does;
//   Ellipse, Pie and Polygon follow the same rule.
// - LineTo and Polyline leave out their end pixel (a one-pixel line is
//   stepped out here from its start, as the platform does, whatever its
//   direction).
// - A pen of width 0 or 1 is the one-pixel cosmetic pen (styled: dash 18/6,
//   dot 3/3, dash-dot 9/6/3/6, dash-dot-dot 9/3/3/3/3/3; with a solid
//   brush the gaps take the brush colour, as on the platform's opaque
//   background); a wider pen is solid, centred on the pixels, with round
//   caps and joins; psInsideFrame keeps a wide pen inside the box of
//   Rectangle and Ellipse.
// - Hatched brushes draw their lines only; a brush bitmap tiles from the
//   device origin.
// - Never antialiased.
// - The pen mode applies to lines and figures (not to FillRect, text or
//   copied images). Copy, XOR, NOT-XOR, invert and the other raster
//   operations need a raster surface: an image, or a widget's backing store.
//
// A canvas paints on a QImage or another paint device through a painter it
// opens on first use and closes in EndPaint or when it goes, or on a painter
// it borrows (a widget's paint event). Without a surface drawing does
// nothing.

#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QRegion>
#include <optional>
#include <memory>
#include <span>
#include <vector>
#include <string>

#include "platform/ui/Colors.h"
#include "platform/ui/Font.h"
#include "platform/ui/GdiTypes.h"

class QPainter;
class QPaintDevice;
class QPainterPath;

namespace velt {

class TGraphic;

// Background modes and text alignment of the device context.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
inline constexpr uint32_t TA_TOP = 0;
inline constexpr uint32_t TA_BASELINE = 24;

enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode : uint8_t {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor,
};
enum TBrushStyle : uint8_t {
    bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross,
};

struct TPen {
    TColor Color = clBlack;
    int32_t Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    // A pattern that replaces colour and style when not null.
    QImage Bitmap;
};

class TCanvas {
public:
    TCanvas();
    // Paints on device (a QImage gives the image surface of Pixel).
    explicit TCanvas(QPaintDevice* device);
    // Borrows an active painter; the canvas sets its pen, brush, font,
    // composition mode and render hints as it draws.
    explicit TCanvas(QPainter* painter);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    void Attach(QPaintDevice* device);
    void Attach(QPainter* painter);
    // Closes its own painter and forgets the surface.
    void Detach();
    bool HandleAllocated() const { return device_ || borrowed_; }
    // Closes its own painter, so that the surface may be read, copied or
    // resized; the next drawing opens it again.
    void EndPaint();
    // The painter to draw with, opened when needed; null without a surface.
    QPainter* Painter();
    // The image surface, or null.
    QImage* Image() const { return image_; }

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TPoint PenPos;

    // The painter's clip, or the whole surface; empty without one.
    TRect ClipRect();

    void MoveTo(int32_t x, int32_t y) { PenPos = TPoint{x, y}; }
    void LineTo(int32_t x, int32_t y);
    void Polyline(std::span<const TPoint> points);
    void Polygon(std::span<const TPoint> points);
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    // Counter-clockwise on the ellipse in (x1, y1, x2, y2) from where the
    // ray from its centre to (x3, y3) meets it to where the ray to (x4, y4)
    // does; the same two points give the whole ellipse.
    void Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4);
    void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4);
    // With the brush, in copy mode.
    void FillRect(const TRect& r);
    // A one-pixel border inside r in the brush colour.
    void FrameRect(const TRect& r);
    // A dotted frame inside r that inverts the pixels; drawing it twice
    // restores them.
    void DrawFocusRect(const TRect& r);

    // The text's cell has its top left at (x, y); with a solid brush the cell
    // is filled with the brush colour first. PenPos moves to the cell's
    // right end.
    void TextOut(int32_t x, int32_t y, const std::string& text);
    // The same, clipped to r, which a solid brush fills first.
    void TextRect(const TRect& r, int32_t x, int32_t y, const std::string& text);
    TSize TextExtent(const std::string& text);
    int32_t TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int32_t TextHeight(const std::string& text) { return TextExtent(text).cy; }

    void Draw(int32_t x, int32_t y, const TGraphic& graphic);
    void StretchDraw(const TRect& r, const TGraphic& graphic);
    // The part source of image, stretched into dest (nearest pixel).
    void CopyRect(const TRect& dest, const QImage& image, const TRect& source);
    void CopyRect(const TRect& dest, TCanvas& canvas, const TRect& source);
    // CopyRect, with the pixels of colour in the source painted with the
    // brush instead.
    void BrushCopy(const TRect& dest, const QImage& image, const TRect& source, TColor color);

    // The colour of a pixel of an image surface; -1 elsewhere or outside.
    TColor Pixel(int32_t x, int32_t y);
    // Sets one pixel (in copy mode).
    void SetPixel(int32_t x, int32_t y, TColor color);
    // SetPixel of each point, in one colour.
    void SetPixels(std::span<const TPoint> points, TColor color);

    // ---- device-context state ----
    // Pushes pen, brush, font, clip, background, alignment and character
    // extra; answers the new depth.
    int SaveDC();
    // Pops back to depth index (a negative index counts from the top, -1
    // the last saved); false, with nothing changed, when there is no such
    // state.
    bool RestoreDC(int index = -1);
    int SavedDCCount() const { return int(saved_.size()); }
    void IntersectClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void ExcludeClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // Replaces the clip by region; null removes it.
    void SelectClipRgn(const QRegion* region);
    bool HasClip() const { return clip_.has_value(); }
    // The clip region, or null without one.
    const QRegion* ClipRegion() const { return clip_ ? &*clip_ : nullptr; }
    // A rectangle with corners of the ellipse w x h.
    void RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h);
    // OPAQUE fills a text's cell with the background colour, TRANSPARENT
    // leaves it; until set, a solid brush fills it. Answer the old value.
    int SetBkMode(int mode);
    TColor SetBkColor(TColor color);
    int BkMode() const { return bkMode_; }
    TColor BkColor() const { return bkColor_; }
    // TA_TOP: TextOut's y is the cell's top; TA_BASELINE: its baseline.
    uint32_t SetTextAlign(uint32_t align);
    // Extra pixels after each character of TextOut and TextExtent.
    int32_t SetTextCharacterExtra(int32_t extra);
    // The device rectangle drawing has touched since the last call (empty
    // when nothing was drawn); the next call starts afresh.
    TRect TakeTouched();

private:
    // Thin solid lines written into an image surface; false when the pen,
    // surface or clip needs the painter.
    bool DirectLines(std::span<const TPoint> points, bool closed, const TRect& clip);
    void Touch(int64_t left, int64_t top, int64_t right, int64_t bottom);
    void ApplyClip(QPainter& p) const;
    QFont TextFont() const;
    struct Shape;
    bool PenDraws() const;
    bool BrushFills() const;
    // Draws the shape's outline with the pen and a figure's area with the
    // brush, in the pen mode; each pixel is changed once.
    void Paint(const Shape& shape);
    // Draws in copy mode on p: the area first, then the outline over it.
    void PaintPlain(QPainter& p, const Shape& shape, const TRect& clip);
    // The one-pixel outline of a polyline, segment by segment.
    void PaintThinPolyline(QPainter& p, const Shape& shape, const TRect& clip);
    QColor PenColor() const;
    void ApplyBrush(QPainter& p) const;
    // The path of the box of a figure from (x1, y1) to (x2, y2): through the
    // corner pixels, moved inside for psInsideFrame.
    QRectF FigureBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;

    QPaintDevice* device_ = nullptr;
    QImage* image_ = nullptr;
    std::unique_ptr<QPainter> own_;
    QPainter* borrowed_ = nullptr;
    // The pixels of one thin line, kept for the next call.
    std::vector<QPoint> on_, off_;

    struct State {
        TPen Pen;
        TBrush Brush;
        TFont Font;
        std::optional<QRegion> Clip;
        int BkMode;
        TColor BkColor;
        uint32_t TextAlign;
        int32_t CharExtra;
    };
    std::optional<QRegion> clip_;
    int bkMode_ = 0;
    TColor bkColor_ = clWhite;
    uint32_t textAlign_ = TA_TOP;
    int32_t charExtra_ = 0;
    std::vector<State> saved_;
    bool touchedAny_ = false;
    int64_t tl_ = 0, tt_ = 0, tr_ = 0, tb_ = 0;
};

}  // namespace velt

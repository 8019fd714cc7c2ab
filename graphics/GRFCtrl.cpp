#include "graphics/GRFCtrl.h"

#include <algorithm>
#include <atomic>
#include <bitset>
#include <cmath>
#include <vector>

#include "foundation/SysUtils.h"
#include "graphics/GrfUtils.h"
#include "graphics/Options.h"

namespace velt {

namespace {

struct StandardColor {
    TColor Color;
    const char* Name;
};

const StandardColor kStandard[StandardColors] = {
    {0x000000, "Black"}, {0x000080, "Maroon"}, {0x008000, "Green"},  {0x008080, "Olive"},
    {0x800000, "Navy"},  {0x800080, "Purple"}, {0x808000, "Teal"},   {0x808080, "Gray "},
    {0xC0C0C0, "Silver"}, {0x0000FF, "Red"},   {0x00FF00, "Lime"},   {0x00FFFF, "Yellow"},
    {0xFF0000, "Blue"},  {0xFF00FF, "Fuchsia"}, {0xFFFF00, "Aqua"},  {0xFFFFFF, "White"},
};

const char kSection[] = "Palette";

struct PaletteState {
    std::array<TPaletteEntry, PaletteEntries> Entries{};
    int32_t Size = StandardColors;
    HPALETTE Handle;
    bool ForPrint = false;
    bool Changed = false;
    // The entries given a colour since loading: only their keys are saved,
    // so that what others wrote to the file meanwhile stays.
    std::bitset<PaletteEntries> Touched;
};

PaletteState gPal;

void RebuildHandle() {
    gPal.Handle = std::make_shared<const std::vector<TPaletteEntry>>(gPal.Entries.begin(),
                                                                      gPal.Entries.begin() + gPal.Size);
}

std::string Key(int32_t i) { return "C" + std::to_string(i); }

[[noreturn]] void BadIndex(int32_t index, const char* range) {
    throw ERangeError("Palette index " + std::to_string(index) + " is out of range (" + range + ")");
}

TPaletteEntry EntryOf(TColor color) {
    const uint32_t rgb = uint32_t(ColorToRGB(color));
    return TPaletteEntry{GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), 0};
}

}  // namespace

void LoadPalette() {
    gPal.Entries = {};
    gPal.Size = StandardColors;
    for (int32_t i = 0; i < StandardColors; ++i) gPal.Entries[size_t(i)] = EntryOf(kStandard[i].Color);
    RebuildHandle();
    for (int32_t i = StandardColors; i < PaletteEntries; ++i) {
        const int32_t value = StrToIntDef(Options::ReadValueDef(kSection, Key(i), 0), 0);
        gPal.Entries[size_t(i)].peFlags = PC_NOCOLLAPSE;
        if (value != 0) ChangePalColor(i, value);
    }
    gPal.Changed = false;
    gPal.Touched.reset();
}

void SavePalette() {
    if (!gPal.Changed || gPal.Size <= StandardColors) return;
    Options::TOptionsStore& store = Options::Store();
    store.BeginUpdate();
    try {
        for (int32_t i = StandardColors; i < gPal.Size; ++i) {
            if (!gPal.Touched[size_t(i)]) continue;
            const TPaletteEntry& e = gPal.Entries[size_t(i)];
            store.WriteValue(kSection, Key(i), int32_t(e.peRed + 256 * e.peGreen + 65536 * e.peBlue));
        }
    } catch (...) {
        store.EndUpdate();
        throw;
    }
    store.EndUpdate();
    gPal.Changed = false;
    gPal.Touched.reset();
}

void FreePalette() { gPal = PaletteState(); }

int32_t PalSize() { return gPal.Size; }
HPALETTE PalHandle() { return gPal.Handle; }
bool PalForPrint() { return gPal.ForPrint; }
void SetPalForPrint(bool on) { gPal.ForPrint = on; }
bool PaletteChanged() { return gPal.Changed; }

TPaletteEntry PalEntry(int32_t index) {
    if (index < 0 || index >= PaletteEntries) BadIndex(index, "0..63");
    return gPal.Entries[size_t(index)];
}

int32_t ChangePalColor(int32_t index, TColor color) {
    if (index < -1) BadIndex(index, "-1..63");
    if (index == -1) index = gPal.Size;
    index = std::min(index, PaletteEntries - 1);
    gPal.Size = std::max(gPal.Size, index + 1);
    if (color == 0) return 0;
    gPal.Entries[size_t(index)] = EntryOf(color);
    RebuildHandle();
    gPal.Changed = true;
    gPal.Touched.set(size_t(index));
    return index;
}

int32_t GetColorIndex(TColor color) {
    const TPaletteEntry want = EntryOf(color);
    for (int32_t i = 0; i < gPal.Size; ++i) {
        const TPaletteEntry& e = gPal.Entries[size_t(i)];
        if (e.peRed == want.peRed && e.peGreen == want.peGreen && e.peBlue == want.peBlue) return i;
    }
    return ChangePalColor(-1, color);
}

TColor GetColor(int32_t index) {
    if (index < 0) BadIndex(index, "0..63");
    if (index >= gPal.Size) return clBlack;
    const TPaletteEntry& e = gPal.Entries[size_t(index)];
    const TColor rgb = RGB(e.peRed, e.peGreen, e.peBlue);
    return gPal.ForPrint ? rgb : rgb | PaletteRelativeFlag;
}

std::string GetColorName(int32_t index) {
    if (index < 0 || index >= PaletteEntries) BadIndex(index, "0..63");
    if (index < StandardColors) return kStandard[index].Name;
    const TPaletteEntry& e = gPal.Entries[size_t(index)];
    auto hex = [](uint8_t b) { return IntToHex(b, 1); };
    return hex(e.peRed) + "." + hex(e.peGreen) + "." + hex(e.peBlue);
}

TPenStyle GetPenStyle(int32_t position) {
    return position >= 0 && position < int32_t(StdPenStyle.size()) ? StdPenStyle[size_t(position)] : psSolid;
}

TBrushStyle GetBrushStyle(int32_t position) {
    return position >= 0 && position < int32_t(StdBrushStyle.size()) ? StdBrushStyle[size_t(position)] : bsClear;
}

// ---- pointers and markers ---------------------------------------------------------------

namespace {

// Every point of these routines is rounded so.
int32_t Pix(double v) { return RoundPixel(v); }

struct Vec {
    double X, Y;
};

// The rows of the shape table: first point, number of points and a byte
// that is 10 in every row and read by nothing.
struct ShapeRow {
    uint8_t First, Count, Unused;
};

const ShapeRow kShapeRows[12] = {
    {0, 2, 10},  {2, 2, 10},  {4, 2, 10},   {6, 5, 10},   {11, 4, 10},  {15, 2, 10},
    {17, 5, 10}, {22, 6, 10}, {28, 5, 10}, {33, 5, 10}, {38, 17, 10}, {55, 19, 10},
};

// The points in units of a fifth of the marker size.
const int8_t kShapePoints[74][2] = {
    {0, 0},   {0, -4},                                                       // lm1
    {0, 3},   {0, -3},                                                       // lm2
    {-3, -3}, {3, 3},                                                        // lm3
    {-3, 3},  {3, -3},  {-3, -3}, {3, 3},   {-3, 3},                         // lm4
    {-3, 2},  {3, 2},   {0, -3},  {-3, 2},                                   // lm5
    {-1, -3}, {1, -3},                                                       // lm6
    {-2, -2}, {2, -2},  {2, 2},   {-2, 2},  {-2, -2},                        // lm7
    {-3, -1}, {3, -1},  {-2, 3},  {0, -3},  {2, 3},   {-3, -1},              // lm8
    {-2, 0},  {2, 0},   {0, -5},  {-2, 0},  {1, -2},                         // lm9
    {-2, 5},  {2, 5},   {0, 0},   {-2, 5},  {1, 3},                          // lm10
    {-7, 1},  {-10, 0}, {-7, -1}, {-7, 0},  {-2, 0},  {0, -2}, {2, 0},       // lm11
    {7, 0},   {7, -1},  {10, 0},  {7, 1},   {7, 0},   {2, 0},  {0, 2},
    {-2, 0},  {-7, 0},  {-7, 1},
    {-7, 1},  {-10, 0}, {-7, -1}, {-7, 0},  {-1, 0},  {-1, -3}, {1, -3},     // lm12
    {1, 0},   {7, 0},   {7, -1},  {10, 0},  {7, 1},   {7, 0},   {1, 0},
    {1, 3},   {-1, 3},  {-1, 0},  {-7, 0},  {-7, 1},
};

// A marker's drawing: its shape's offsets from the anchor in whole pixels
// (none for the circle) and the circle's radius.
struct Marker {
    std::vector<TPoint> Points;
    int32_t Radius = 0;
    bool Circle = false;
    // How far from its anchor the marker can reach, in pixels. A pen wider
    // than widest counts as that wide: one such marker covers the clip.
    double Reach(int32_t penWidth, double widest) const {
        int32_t r = Radius;
        for (const TPoint& p : Points) r = std::max({r, std::abs(p.X), std::abs(p.Y)});
        return double(r) + std::min(double(std::max(penWidth, 1)), widest) + 1;
    }
};

// The shape of a style scaled to size; turn maps a table point (x, y) to
// the direction wanted.
template <class Turn>
Marker MakeMarker(TLineMarkerStyle style, float size, Turn turn) {
    Marker m;
    if (style == lmCircle) {
        m.Circle = true;
        m.Radius = Pix(double(size) * 0.5);
        return m;
    }
    const ShapeRow& row = kShapeRows[style - lm1];
    for (int k = 0; k < row.Count; ++k) {
        const Vec v = turn(kShapePoints[row.First + k][0], kShapePoints[row.First + k][1]);
        m.Points.push_back(TPoint{Pix(v.X * size / 5), Pix(v.Y * size / 5)});
    }
    return m;
}

void DrawMarker(TCanvas& canvas, const Marker& m, bool fill, TPoint at) {
    if (m.Circle) {
        canvas.Ellipse(at.X - m.Radius, at.Y - m.Radius, at.X + m.Radius, at.Y + m.Radius);
        return;
    }
    auto moved = [&](const TPoint& p) { return TPoint{at.X + p.X, at.Y + p.Y}; };
    if (fill && m.Points.size() >= 4) {
        // The last point closes the outline or adds a tail: left out.
        std::vector<TPoint> poly;
        for (size_t k = 0; k + 1 < m.Points.size(); ++k) poly.push_back(moved(m.Points[k]));
        canvas.Polygon(poly);
        return;
    }
    const TPoint first = moved(m.Points[0]);
    canvas.MoveTo(first.X, first.Y);
    for (size_t k = 1; k < m.Points.size(); ++k) {
        const TPoint p = moved(m.Points[k]);
        canvas.LineTo(p.X, p.Y);
    }
}

// A filled tick is drawn in the fill colour.
void TakeFillColour(TCanvas& canvas, const Marker& m, bool fill) {
    if (fill && !m.Circle && m.Points.size() <= 3) canvas.Pen.Color = canvas.Brush.Color;
}

// The range [lo, hi] of distances s along the line p + s u for which the
// point lies in the clip r grown by margin; false when there is none.
bool SpanInRect(Vec p, Vec u, const TRect& r, double margin, double& lo, double& hi) {
    lo = -HUGE_VAL, hi = HUGE_VAL;
    const double mins[2] = {r.Left - margin, r.Top - margin}, maxs[2] = {r.Right + margin, r.Bottom + margin};
    const double ps[2] = {p.X, p.Y}, us[2] = {u.X, u.Y};
    for (int axis = 0; axis < 2; ++axis) {
        if (us[axis] == 0) {
            if (ps[axis] < mins[axis] || ps[axis] > maxs[axis]) return false;
            continue;
        }
        double a = (mins[axis] - ps[axis]) / us[axis], b = (maxs[axis] - ps[axis]) / us[axis];
        if (a > b) std::swap(a, b);
        lo = std::max(lo, a), hi = std::min(hi, b);
    }
    return lo <= hi;
}

}  // namespace

void DrawPtr(TCanvas& canvas, TPointerStyle style, bool drawLine, float x1, float y1, float x2, float y2, float size,
             float offset) {
    // A point at infinity has no direction: nothing to draw towards it.
    for (float v : {x1, y1, x2, y2, size, offset})
        if (!std::isfinite(v)) return;
    const float len = float(std::nearbyint(double(GrfUtils::Distance(TSPoint{x1, y1}, TSPoint{x2, y2}))));
    if (!std::isfinite(len) || !(len >= 0.001f)) return;
    const float ux = float((double(x2) - x1) / len), uy = float((double(y2) - y1) / len);
    const float nx = uy, ny = -ux;
    const bool narrow = style == psP1 || style == psP1Filled;
    const double w = narrow ? size * 0.5 : size, h = narrow ? size * 1.5 : size;
    const Vec e{x2 - double(offset) * ux, y2 - double(offset) * uy};
    const bool filled = style == psP1Filled || style == psP2Filled || style == psCircleFilled;
    canvas.Brush.Style = filled ? bsSolid : bsClear;
    if (filled) canvas.Brush.Color = canvas.Pen.Color;
    if (drawLine) {
        canvas.MoveTo(Pix(x1), Pix(y1));
        canvas.LineTo(Pix(float(e.X)), Pix(float(e.Y)));
    }
    if (style == psNone) return;
    if (style == psCircle || style == psCircleFilled) {
        const double r = size * 0.5;
        canvas.Ellipse(Pix(float(e.X - r)), Pix(float(e.Y - r)), Pix(float(e.X + r)), Pix(float(e.Y + r)));
        return;
    }
    auto at = [&](double along, double across) {
        return TPoint{Pix(float(e.X + along * ux + across * nx)), Pix(float(e.Y + along * uy + across * ny))};
    };
    const TPoint a = at(-h, w);
    const TPoint c = style == psP3 ? at(h, -w) : at(-h, -w);
    const TPoint pts[3] = {a, TPoint{Pix(float(e.X)), Pix(float(e.Y))}, c};
    if (style == psP1Filled || style == psP2Filled) canvas.Polygon(pts);
    else canvas.Polyline(pts);
}

namespace {
std::atomic<int64_t> anchorsVisited{0};
}  // namespace

int64_t LineMarkerAnchorsVisited() { return anchorsVisited.load(std::memory_order_relaxed); }

float DrawLineMarker(TCanvas& canvas, TLineMarkerStyle style, bool drawLine, float x1, float y1, float x2, float y2,
                     float size, float spacing, float phase, bool fill, bool rotate) {
    if (!(spacing >= 0.5f)) spacing = 0.5f;
    const double dist = GrfUtils::Distance(TSPoint{x1, y1}, TSPoint{x2, y2});
    if (!std::isfinite(dist)) return phase;
    const float len = float(std::nearbyint(dist));
    if (len == 0) return phase;
    const float ux = float((double(x2) - x1) / len), uy = float((double(y2) - y1) / len);
    if (drawLine) {
        canvas.MoveTo(Pix(x1), Pix(y1));
        canvas.LineTo(Pix(x2), Pix(y2));
    }
    if (len < phase) return phase - len;
    if (style == lmNone || style > lm12) return phase;
    // Else the phase runs on and no marker is drawn.
    const bool drawable = std::isfinite(size) && std::isfinite(phase);
    const Marker m = MakeMarker(style, size, [&](int x, int y) {
        return rotate ? Vec{x * double(ux) - y * double(uy), x * double(uy) + y * double(ux)} : Vec{double(x), double(y)};
    });
    TakeFillColour(canvas, m, fill);
    // Markers stand at phase + k spacing, k = 0 .. count-1, while the
    // remaining length stays >= 0.
    const double remaining = double(len) - phase;
    const double count = std::floor(remaining / spacing) + 1;
    const Vec start{double(x1), double(y1)};
    const TRect clip = canvas.ClipRect();
    const double reach = m.Reach(canvas.Pen.Width, double(clip.Width()) + clip.Height());
    double lo, hi;
    if (drawable && !clip.IsEmpty() && SpanInRect(start, Vec{ux, uy}, clip, reach, lo, hi)) {
        const double kFirst = std::max(0.0, std::ceil((lo - phase) / spacing) - 1);
        const double kLast = std::min(count - 1, std::floor((hi - phase) / spacing) + 1);
        // Counted in whole steps: far along a long segment k + 1 may equal k,
        // and kLast - kFirst may carry the rounding of both.
        const double steps = std::min(kLast - kFirst, (hi - lo) / spacing + 2);
        for (int64_t i = 0; double(i) <= steps; ++i) {
            anchorsVisited.fetch_add(1, std::memory_order_relaxed);
            const double s = phase + (kFirst + double(i)) * spacing;
            DrawMarker(canvas, m, fill, TPoint{Pix(float(start.X + s * ux)), Pix(float(start.Y + s * uy))});
        }
    }
    return float(std::fabs(remaining - count * spacing));
}

float DrawOneLineMarker(TCanvas& canvas, TLineMarkerStyle style, bool fill, float x, float y, float size,
                        bool rotate) {
    if (style == lmNone || style > lm12) return 0;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(size)) return 0;
    const Marker m = MakeMarker(style, size, [&](int px, int py) {
        return rotate ? Vec{-double(py), double(px)} : Vec{double(px), double(py)};
    });
    TakeFillColour(canvas, m, fill);
    DrawMarker(canvas, m, fill, TPoint{Pix(x), Pix(y)});
    return 0;
}

}  // namespace velt

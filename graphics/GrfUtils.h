#pragma once
// The painter's geometry in single precision: points, segments, rectangles,
// the 2x3 affine matrix, hit tests with tolerances, rounding helpers, the
// record lists of polylines, rectangles and matrices, and the point,
// rectangle, font and picture streams.
//
// World coordinates are 32-bit floats, as stored. Arithmetic on them is
// done in double and rounded to float once when stored, as the original
// extended-precision evaluation did, so that stored bytes match.
//
// Plain C++: the font and picture streams here move their records; the Qt
// objects they describe are made in GrfObjects.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "foundation/Classes.h"
#include "foundation/Filer.h"
#include "foundation/GeneralList.h"
#include "foundation/MathUtil.h"
#include "platform/ui/GdiTypes.h"

namespace velt {

// ---- records ---------------------------------------------------------------

struct TSPoint {
    float X = 0;
    float Y = 0;
    void Offset(float dx, float dy);
    bool operator==(const TSPoint&) const = default;
};

struct T2SPoint {
    TSPoint A;
    TSPoint B;
    void init(const TSPoint& a, const TSPoint& b) { A = a, B = b; }
    void Clear() { A = B = TSPoint(); }
};

struct TSLine {
    TSPoint A;
    TSPoint B;
};

// Y grows downwards, as on the screen.
struct TSRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;

    float GetWidth() const;
    float GetHeight() const;
    void SetWidth(float w);
    void SetHeight(float h);
    // The width or the height is negative.
    bool Invalid() const { return GetWidth() < 0 || GetHeight() < 0; }
    void SetPt(const TSPoint& p) { Left = Right = p.X, Top = Bottom = p.Y; }
    // Grows the rectangle to take in p.
    void AddPt(const TSPoint& p);
    void AddRect(const TSRect& r);
    void SetRect(const TSRect& r) { *this = r; }
    // Left and Top move out by dx and dy, Right and Bottom likewise.
    void Inflate(float dx, float dy);
    void Offset(float dx, float dy);
    TSPoint GetCenter() const;
    void SetCenter(const TSPoint& p);
    // (width, height)
    TSPoint Size() const { return TSPoint{GetWidth(), GetHeight()}; }
    bool operator==(const TSRect&) const = default;
};

// x' = x M0 + y M2 + M4; y' = x M1 + y M3 + M5. Each operation composes on
// the local side: the last one applied acts first on a point.
struct T2DMatrix {
    float M0 = 1, M1 = 0, M2 = 0, M3 = 1, M4 = 0, M5 = 0;

    void Ident() { *this = T2DMatrix(); }
    void Init() { Ident(); }
    TSPoint Map(float x, float y) const;
    TSPoint Map2(const TSPoint& p) const { return Map(p.X, p.Y); }
    // The inverse of Map; p itself when the matrix is singular.
    TSPoint UnMap(const TSPoint& p) const;
    void Translate(float dx, float dy);
    void Scale(float sx, float sy);
    void RotateEx(float sin, float cos);
    // Counter-clockwise on the screen (Y down), in degrees.
    void Rotate(float degrees);
    // The length of the mapped unit vectors, to 0.001.
    float GetScalingX() const;
    float GetScalingY() const;
    // The direction of the mapped X axis, to 0.01 degree.
    float GetRotation() const;
    // Self := Self after m: m acts first on a point, as the other operations do.
    void CombineWith(const T2DMatrix& m);
    bool operator==(const T2DMatrix&) const = default;
};

static_assert(sizeof(TSPoint) == 8);
static_assert(sizeof(TSRect) == 16);
static_assert(sizeof(T2DMatrix) == 24);

enum TFindLineCode : uint8_t { flNone, flHome, flEnd, flLine, flPoint };
// The tag byte of the picture stream.
enum TGraphicType : uint8_t { gtNone, gtWMF, gtIco, gtBmp };

using TPointEvent = std::function<void(TObject* sender, int index)>;

inline constexpr TSPoint NullPoint{0, 0};
inline constexpr float pi_180 = 0.0174533f;  // radians per degree, as stored
inline constexpr int32_t Delta = 8;

class TPoints;

// ---- free routines -------------------------------------------------------------

namespace GrfUtils {

inline TSPoint SPoint(float x, float y) { return TSPoint{x, y}; }
inline TSRect SRect(float left, float top, float right, float bottom) { return TSRect{left, top, right, bottom}; }
// A device coordinate: rounded, halves to even, kept within the platform's
// +-2^27 (NaN gives 0).
int32_t RoundPixel(double v);
// Each side rounded as a device coordinate.
TRect SRectToRect(const TSRect& r);
TSRect RectToSRect(const TRect& r);

float Distance(const TSPoint& a, const TSPoint& b);
// From a to b in degrees, counter-clockwise from the X axis with Y down.
float Direction(const TSPoint& a, const TSPoint& b);
TSPoint MidPt(const TSPoint& a, const TSPoint& b);
// Swaps coordinates so that a.X <= b.X and a.Y <= b.Y.
void ValidRect(TSPoint& a, TSPoint& b);
// Turns every point but the first about the first, counter-clockwise on the
// screen, by angle degrees.
void RotatePoints(std::span<TSPoint* const> points, float angle);
bool CompareRects(const TSRect& a, const TSRect& b);
// The rectangles overlap; touching borders count.
bool RectInRect(const TSRect& a, const TSRect& b);
bool PtInSRect(const TSPoint& p, const TSRect& r);
bool PtInPt(const TSPoint& p, const TSPoint& q, float tol);
bool RealEQ(float a, float b);
bool PtEQ(const TSPoint& p, const TSPoint& q);
// Every bit of mask is set in the low byte of Round(value); a value that
// cannot be rounded counts as 0.
bool RealOpt(uint8_t mask, float value);

// Halves away from zero.
float Rnd(float x);
// The entry nearest to x, the earlier on equal distance; ERangeError for an
// empty table.
float RoundTo(std::span<const float> table, float x);
// To a "nice" step: 0.01 up to 0.05, 0.05 up to 0.25, 0.25 up to 2.5, 0.5
// up to 5, then 1.
float RoundScale(float x);
// step x Rnd(x / step); x itself for a step that is not positive.
float RoundAngle(int32_t step, float x);

// flLine when p lies on the segment within tol (by the sum of distances).
TFindLineCode PtInLine(float tol, float x, float y, float x1, float y1, float x2, float y2);
// Whether p lies within tol of the segment ab (in the segment's own frame);
// when it does, p is moved onto the segment.
bool PtInLineEx(TSPoint& p, const TSPoint& a, const TSPoint& b, float tol);
// flPoint with the index of the last vertex within tol on both axes; else
// flLine with the index of the later point of the last segment hit; else
// flNone with index unchanged.
TFindLineCode PtInPoly(const TSPoint& p, const TPoints& points, int& index, float tol);
// The last segment that PtInLineEx accepts gets p moved onto it.
bool PtInPolyEx(TSPoint& p, const TPoints& points, float tol);
// The first vertex within 1.5 x tol takes p (its index is returned); else p,
// moved onto the last segment it lies on, is inserted there as a vertex (its
// new index is returned); else -1.
int MovePtIntoPoly(TSPoint& p, TPoints& points, float tol);

}  // namespace GrfUtils

using GrfUtils::CompareRects;
using GrfUtils::Direction;
using GrfUtils::Distance;
using GrfUtils::MidPt;
using GrfUtils::MovePtIntoPoly;
using GrfUtils::PtEQ;
using GrfUtils::PtInLine;
using GrfUtils::PtInLineEx;
using GrfUtils::PtInPoly;
using GrfUtils::PtInPolyEx;
using GrfUtils::PtInPt;
using GrfUtils::PtInSRect;
using GrfUtils::RealEQ;
using GrfUtils::RealOpt;
using GrfUtils::RectInRect;
using GrfUtils::RectToSRect;
using GrfUtils::Rnd;
using GrfUtils::RotatePoints;
using GrfUtils::RoundAngle;
using GrfUtils::RoundPixel;
using GrfUtils::RoundScale;
using GrfUtils::RoundTo;
using GrfUtils::SPoint;
using GrfUtils::SRect;
using GrfUtils::SRectToRect;
using GrfUtils::ValidRect;
// Max and Min of open arrays of Singles are MathUtil's.

// ---- lists -------------------------------------------------------------------

// A polyline. Records are 8 bytes (a TSPoint) here; a subclass may keep
// more after the point (its records start with one).
class TPoints : public TGeneralList {
public:
    TPoints() : TPoints(int32_t(sizeof(TSPoint))) {}
    std::string ClassName() const override { return "TPoints"; }
    std::unique_ptr<TGeneralList> NewInstance() const override;

    using TGeneralList::Add;
    using TGeneralList::Insert;
    int Add(const TSPoint& p);
    // Inserts, then calls OnInsert with the index.
    void Insert(int index, const void* rec) override;
    // Longer records of a subclass get the point and zeros after it.
    void Insert(int index, const TSPoint& p);
    // Removes, then calls OnDelete with the index.
    void Delete(int index) override;

    // Item i, appending zero points while i >= Count; General List Error
    // for a negative index.
    virtual TSPoint Get(int i);
    virtual void Put(int i, const TSPoint& p);
    virtual void* GetPtr(int i);
    virtual void Offset(float dx, float dy);

    // Item i without growing; General List Error outside the list.
    TSPoint At(int i) const;
    TSPoint First() { return Get(0); }
    TSPoint Last() { return Get(Count - 1); }
    // Sum of the segment lengths; 0 for fewer than two points.
    float LineLen() const;
    // The point at arc length len from the first point: the first point
    // for len <= 0, the last beyond the end; p stays for an empty list.
    void CoordByLen(TSPoint& p, float len) const;

    TPointEvent OnDelete;
    TPointEvent OnInsert;

protected:
    explicit TPoints(int32_t itemSize);
};

// Rectangles of 16 bytes; every accessor is range-checked.
class TRects : public TGeneralList {
public:
    TRects() : TGeneralList(int32_t(sizeof(TSRect))) {}
    std::string ClassName() const override { return "TRects"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TRects>(); }
    using TGeneralList::Add;
    int Add(const TSRect& r) { return Add(static_cast<const void*>(&r)); }
    virtual TSRect Get(int i) const;
    virtual void Put(int i, const TSRect& r);
    virtual void* GetPtr(int i);
};

// The painter's invalidation record: a rectangle and whether the area is to
// be erased. 17 bytes, apart from the 16-byte rectangle stream.
#pragma pack(push, 1)
struct TInvalidRect {
    TSRect Rect;
    uint8_t Erase = 0;
};
#pragma pack(pop)
static_assert(sizeof(TInvalidRect) == 17);

class TInvalidRects : public TGeneralList {
public:
    TInvalidRects() : TGeneralList(int32_t(sizeof(TInvalidRect))) {}
    std::string ClassName() const override { return "TInvalidRects"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TInvalidRects>(); }
    using TGeneralList::Add;
    int Add(const TSRect& r, bool erase);
    // Range-checked.
    TInvalidRect Get(int i) const;
};

// The painter's matrix stack: records of 24 bytes.
class T2dMatrList : public TGeneralList {
public:
    T2dMatrList() : TGeneralList(int32_t(sizeof(T2DMatrix))) {}
    std::string ClassName() const override { return "T2dMatrList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<T2dMatrList>(); }
    using TGeneralList::Add;
    int Add(const T2DMatrix& m) { return Add(static_cast<const void*>(&m)); }
    // Address of matrix i; General List Error outside the list.
    void* GetItems(int i);
    T2DMatrix Matrix(int i) const;
    void SetMatrix(int i, const T2DMatrix& m);
};

// A string list that owns the objects of its lines: deleting a line frees
// its object; Clear deletes from the last line to the first.
class TObjList : public TStringList {
public:
    TObjList() { SetOwnsObjects(true); }
    ~TObjList() override { TObjList::Clear(); }
    std::string ClassName() const override { return "TObjList"; }
    void Clear() override;
};

// ---- streams -------------------------------------------------------------------

// 8 raw bytes: X, Y as little-endian Singles.
void WritePoint(TStream& s, const TSPoint& p);
TSPoint ReadPoint(TStream& s);
// 16 raw bytes: Left, Top, Right, Bottom.
void WriteRect(TStream& s, const TSRect& r);
TSRect ReadRect(TStream& s);

// The filer's integer for the count (0 for no list), then 8 raw bytes a
// point.
void WritePoints(TWriter& writer, TPoints* points);
// Puts each stored point into points. EReadError, reading no point, for a
// negative count or one the remaining bytes cannot hold.
void ReadPointsData(TPoints& points, TReader& reader);
std::unique_ptr<TPoints> ReadPoints(TReader& reader);

// What the font stream holds of a font. The name is UTF-8 here and code
// page 1251 in the stream (a character 1251 lacks is stored as "?"; the
// stored name is cut to 255 bytes).
struct TFontRecord {
    std::string Name;
    int32_t Charset = 1;
    int32_t Color = 0;
    int32_t Size = 8;
    uint8_t Style = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    bool operator==(const TFontRecord&) const = default;
};
// A Boolean byte (font present); then the name as a short string, the
// charset, colour and size as int32, the style byte and four reserved int32
// (written 0, 1, 2, 3; skipped on read).
void WriteFontRecord(TStream& s, const TFontRecord* font);
// False, with font untouched, when the stream says no font.
bool ReadFontRecord(TStream& s, TFontRecord& font);

// One tag byte, then for a picture its saved form as one length-prefixed
// block. Writing gtNone (or no data) writes the tag 0 alone.
void WriteGraphicBlock(TStream& s, TGraphicType type, const TMemoryStream* data);
// The tag and, for a picture, its block (positioned at 0). Tag 0 and an
// unknown tag answer gtNone and read nothing further; a block longer than
// the stream raises EReadError.
TGraphicType ReadGraphicBlock(TStream& s, std::unique_ptr<TMemoryStream>& data);

}  // namespace velt

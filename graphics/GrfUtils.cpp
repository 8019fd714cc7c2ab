#include "graphics/GrfUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/CodePages.h"
#include "foundation/Utils.h"

namespace velt {

namespace {

// Single precision stored from a double-precision result.
inline float F(double v) { return static_cast<float>(v); }

// Record i of a list as a T; the list's error outside it.
template <class T>
T RecordAt(const TGeneralList& list, int i) {
    if (i < 0 || i >= list.GetCount()) list.Error();
    T r;
    std::memcpy(&r, list.GetItem(i), sizeof r);
    return r;
}


}  // namespace

// ---- records ---------------------------------------------------------------

void TSPoint::Offset(float dx, float dy) {
    X = F(double(X) + dx);
    Y = F(double(Y) + dy);
}

float TSRect::GetWidth() const { return F(double(Right) - Left); }
float TSRect::GetHeight() const { return F(double(Bottom) - Top); }
void TSRect::SetWidth(float w) { Right = F(double(Left) + w); }
void TSRect::SetHeight(float h) { Bottom = F(double(Top) + h); }

void TSRect::AddPt(const TSPoint& p) {
    if (p.X < Left) Left = p.X;
    else if (p.X > Right) Right = p.X;
    if (p.Y < Top) Top = p.Y;
    else if (p.Y > Bottom) Bottom = p.Y;
}

void TSRect::AddRect(const TSRect& r) {
    AddPt(TSPoint{r.Left, r.Top});
    AddPt(TSPoint{r.Right, r.Bottom});
}

void TSRect::Inflate(float dx, float dy) {
    Left = F(double(Left) - dx);
    Top = F(double(Top) - dy);
    Right = F(double(Right) + dx);
    Bottom = F(double(Bottom) + dy);
}

void TSRect::Offset(float dx, float dy) {
    Left = F(double(Left) + dx);
    Top = F(double(Top) + dy);
    Right = F(double(Right) + dx);
    Bottom = F(double(Bottom) + dy);
}

TSPoint TSRect::GetCenter() const { return TSPoint{F((double(Left) + Right) / 2), F((double(Top) + Bottom) / 2)}; }

void TSRect::SetCenter(const TSPoint& p) {
    const TSPoint c = GetCenter();
    Offset(F(double(p.X) - c.X), F(double(p.Y) - c.Y));
}

TSPoint T2DMatrix::Map(float x, float y) const {
    return TSPoint{F(double(x) * M0 + double(y) * M2 + M4), F(double(x) * M1 + double(y) * M3 + M5)};
}

TSPoint T2DMatrix::UnMap(const TSPoint& p) const {
    const double d = double(M2) * M1 - double(M0) * M3;
    if (d == 0) return p;
    const double h = double(p.X) - M4, v = double(p.Y) - M5;
    return TSPoint{F((-double(M3) * h + double(M2) * v) / d), F((h * M1 - v * M0) / d)};
}

void T2DMatrix::Translate(float dx, float dy) {
    M4 = F(double(dx) * M0 + double(dy) * M2 + M4);
    M5 = F(double(dx) * M1 + double(dy) * M3 + M5);
}

void T2DMatrix::Scale(float sx, float sy) {
    M0 = F(double(M0) * sx);
    M1 = F(double(M1) * sx);
    M2 = F(double(M2) * sy);
    M3 = F(double(M3) * sy);
}

void T2DMatrix::RotateEx(float sin, float cos) {
    const double m0 = M0, m1 = M1, m2 = M2, m3 = M3;
    M0 = F(cos * m0 - sin * m2);
    M1 = F(cos * m1 - sin * m3);
    M2 = F(sin * m0 + cos * m2);
    M3 = F(sin * m1 + cos * m3);
}

void T2DMatrix::Rotate(float degrees) {
    const double a = double(degrees) * double(pi_180);
    RotateEx(F(std::sin(a)), F(std::cos(a)));
}

namespace {
float RoundToStep(double v, double perUnit) { return F(std::nearbyint(v * perUnit) / perUnit); }
}  // namespace

float T2DMatrix::GetScalingX() const { return RoundToStep(GrfUtils::Distance(Map(0, 0), Map(1, 0)), 1000); }
float T2DMatrix::GetScalingY() const { return RoundToStep(GrfUtils::Distance(Map(0, 0), Map(0, 1)), 1000); }
float T2DMatrix::GetRotation() const { return RoundToStep(GrfUtils::Direction(Map(0, 0), Map(1, 0)), 100); }

void T2DMatrix::CombineWith(const T2DMatrix& m) {
    const T2DMatrix s = *this;
    M0 = F(double(m.M0) * s.M0 + double(m.M1) * s.M2);
    M1 = F(double(m.M0) * s.M1 + double(m.M1) * s.M3);
    M2 = F(double(m.M2) * s.M0 + double(m.M3) * s.M2);
    M3 = F(double(m.M2) * s.M1 + double(m.M3) * s.M3);
    M4 = F(double(m.M4) * s.M0 + double(m.M5) * s.M2 + s.M4);
    M5 = F(double(m.M4) * s.M1 + double(m.M5) * s.M3 + s.M5);
}

// ---- free routines -------------------------------------------------------------

namespace GrfUtils {

int32_t RoundPixel(double v) {
    constexpr double limit = 1 << 27;
    if (std::isnan(v)) return 0;
    return int32_t(std::nearbyint(std::clamp(v, -limit, limit)));
}

TRect SRectToRect(const TSRect& r) {
    return TRect{RoundPixel(r.Left), RoundPixel(r.Top), RoundPixel(r.Right), RoundPixel(r.Bottom)};
}

TSRect RectToSRect(const TRect& r) { return TSRect{float(r.Left), float(r.Top), float(r.Right), float(r.Bottom)}; }

float Distance(const TSPoint& a, const TSPoint& b) {
    const double dx = double(b.X) - a.X, dy = double(b.Y) - a.Y;
    return F(std::sqrt(dx * dx + dy * dy));
}

float Direction(const TSPoint& a, const TSPoint& b) {
    // + 0.0 turns a negative zero into zero: the direction stays in (-180, 180].
    return F(std::atan2(double(a.Y) - b.Y + 0.0, double(b.X) - a.X + 0.0) / double(pi_180));
}

TSPoint MidPt(const TSPoint& a, const TSPoint& b) { return TSPoint{F((double(a.X) + b.X) / 2), F((double(a.Y) + b.Y) / 2)}; }

void ValidRect(TSPoint& a, TSPoint& b) {
    if (a.X > b.X) std::swap(a.X, b.X);
    if (a.Y > b.Y) std::swap(a.Y, b.Y);
}

void RotatePoints(std::span<TSPoint* const> points, float angle) {
    if (points.empty()) return;
    const TSPoint o = *points[0];
    const double a = double(angle) * double(pi_180), s = std::sin(a), c = std::cos(a);
    for (TSPoint* p : points.subspan(1)) {
        const double dx = double(p->X) - o.X, dy = double(o.Y) - p->Y;
        p->X = F(o.X + dx * c - dy * s);
        p->Y = F(o.Y - (dx * s + dy * c));
    }
}

bool CompareRects(const TSRect& a, const TSRect& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

bool RectInRect(const TSRect& a, const TSRect& b) {
    return a.Left <= b.Right && a.Right >= b.Left && a.Top <= b.Bottom && a.Bottom >= b.Top;
}

bool PtInSRect(const TSPoint& p, const TSRect& r) {
    return r.Left <= p.X && p.X <= r.Right && r.Top <= p.Y && p.Y <= r.Bottom;
}

bool PtInPt(const TSPoint& p, const TSPoint& q, float tol) { return Distance(p, q) <= tol; }

bool RealEQ(float a, float b) { return std::fabs(double(b) - a) < 0.01; }

bool PtEQ(const TSPoint& p, const TSPoint& q) {
    return std::fabs(double(p.X) - q.X) + std::fabs(double(p.Y) - q.Y) < 0.01;
}

bool RealOpt(uint8_t mask, float value) {
    int64_t r = 0;
    if (std::isfinite(value) && std::fabs(value) < 9.2e18f) r = int64_t(std::nearbyint(double(value)));
    return (uint8_t(r) & mask) == mask;
}

float Rnd(float x) { return F(x > 0 ? std::trunc(double(x) + 0.5) : std::trunc(double(x) - 0.5)); }

float RoundTo(std::span<const float> table, float x) {
    if (table.empty()) throw ERangeError("RoundTo of an empty table");
    size_t best = 0;
    for (size_t i = 1; i < table.size(); ++i)
        if (std::fabs(double(table[i]) - x) < std::fabs(double(table[best]) - x)) best = i;
    return table[best];
}

float RoundScale(float x) {
    const double b = double(x) * 100;
    double d = 1;
    if (b > 5) d = 5;
    if (b > 25) d = 25;
    if (b > 250) d = b > 500 ? 100 : 50;
    return F(d * Rnd(F(b / d)) * 0.01);
}

float RoundAngle(int32_t step, float x) {
    if (step <= 0) return x;
    return F(double(step) * Rnd(F(double(x) / step)));
}

TFindLineCode PtInLine(float tol, float x, float y, float x1, float y1, float x2, float y2) {
    const TSPoint p{x, y}, a{x1, y1}, b{x2, y2};
    const double gap = double(Distance(a, b)) - Distance(a, p) - Distance(p, b);
    return std::fabs(gap) < tol ? flLine : flNone;
}

bool PtInLineEx(TSPoint& p, const TSPoint& a, const TSPoint& b, float tol) {
    const float l = Distance(a, b);
    if (l == 0) return PtInPt(p, a, tol);
    T2DMatrix m;
    m.Translate(a.X, a.Y);
    m.RotateEx(F(-(double(b.Y) - a.Y) / l), F((double(b.X) - a.X) / l));
    const TSPoint local = m.UnMap(p);
    if (!(local.X >= 0 && local.X <= l && local.Y >= -tol && local.Y <= tol)) return false;
    p = m.Map(local.X, 0);
    return true;
}

TFindLineCode PtInPoly(const TSPoint& p, const TPoints& points, int& index, float tol) {
    const int n = points.GetCount();
    for (int i = n - 1; i >= 0; --i) {
        const TSPoint v = points.At(i);
        if (std::fabs(double(p.X) - v.X) <= tol && std::fabs(double(p.Y) - v.Y) <= tol) {
            index = i;
            return flPoint;
        }
    }
    for (int i = n - 2; i >= 0; --i) {
        const TSPoint a = points.At(i), b = points.At(i + 1);
        if (PtInLine(tol, p.X, p.Y, a.X, a.Y, b.X, b.Y) == flLine) {
            index = i + 1;
            return flLine;
        }
    }
    return flNone;
}

bool PtInPolyEx(TSPoint& p, const TPoints& points, float tol) {
    for (int i = points.GetCount() - 2; i >= 0; --i)
        if (PtInLineEx(p, points.At(i), points.At(i + 1), tol)) return true;
    return false;
}

int MovePtIntoPoly(TSPoint& p, TPoints& points, float tol) {
    const int n = points.GetCount();
    for (int i = 0; i < n; ++i) {
        const TSPoint v = points.At(i);
        if (PtInPt(p, v, F(1.5 * tol))) {
            p = v;
            return i;
        }
    }
    for (int i = n - 2; i >= 0; --i) {
        TSPoint q = p;
        if (PtInLineEx(q, points.At(i), points.At(i + 1), tol)) {
            p = q;
            points.Insert(i + 1, p);
            return i + 1;
        }
    }
    return -1;
}

}  // namespace GrfUtils

// ---- lists -------------------------------------------------------------------

TPoints::TPoints(int32_t itemSize) : TGeneralList(itemSize) {
    if (itemSize < int32_t(sizeof(TSPoint))) Error();
}

std::unique_ptr<TGeneralList> TPoints::NewInstance() const { return std::make_unique<TPoints>(); }

int TPoints::Add(const TSPoint& p) {
    // Longer records of a subclass get the point and zeros after it.
    std::vector<char> rec(size_t(ItemSize), 0);
    std::memcpy(rec.data(), &p, sizeof p);
    return Add(static_cast<const void*>(rec.data()));
}

void TPoints::Insert(int index, const void* rec) {
    TGeneralList::Insert(index, rec);
    if (OnInsert) OnInsert(this, index);
}

void TPoints::Insert(int index, const TSPoint& p) {
    std::vector<char> rec(std::max(size_t(ItemSize), sizeof p), 0);
    std::memcpy(rec.data(), &p, sizeof p);
    Insert(index, static_cast<const void*>(rec.data()));
}

void TPoints::Delete(int index) {
    TGeneralList::Delete(index);
    if (OnDelete) OnDelete(this, index);
}

void* TPoints::GetPtr(int i) { return GetItemAutoAdd(i); }

TSPoint TPoints::Get(int i) {
    TSPoint p;
    std::memcpy(&p, GetPtr(i), sizeof p);
    return p;
}

void TPoints::Put(int i, const TSPoint& p) { std::memcpy(GetPtr(i), &p, sizeof p); }

void TPoints::Offset(float dx, float dy) {
    for (int i = 0; i < Count; ++i) {
        TSPoint p = Get(i);
        p.Offset(dx, dy);
        Put(i, p);
    }
}

TSPoint TPoints::At(int i) const { return RecordAt<TSPoint>(*this, i); }

float TPoints::LineLen() const {
    float len = 0;
    for (int i = 1; i < Count; ++i) len = F(double(len) + GrfUtils::Distance(At(i - 1), At(i)));
    return len;
}

void TPoints::CoordByLen(TSPoint& p, float len) const {
    if (Count == 0) return;
    if (len <= 0) {
        p = At(0);
        return;
    }
    double left = len;
    for (int i = 1; i < Count; ++i) {
        const TSPoint a = At(i - 1), b = At(i);
        const double seg = GrfUtils::Distance(a, b);
        if (left <= seg && seg > 0) {
            const double t = left / seg;
            p = TSPoint{F(a.X + (double(b.X) - a.X) * t), F(a.Y + (double(b.Y) - a.Y) * t)};
            return;
        }
        left -= seg;
    }
    p = At(Count - 1);
}

TSRect TRects::Get(int i) const { return RecordAt<TSRect>(*this, i); }

void TRects::Put(int i, const TSRect& r) { std::memcpy(GetPtr(i), &r, sizeof r); }

void* TRects::GetPtr(int i) {
    if (i < 0 || i >= Count) Error();
    return GetItem(i);
}

int TInvalidRects::Add(const TSRect& r, bool erase) {
    TInvalidRect rec;
    rec.Rect = r;
    rec.Erase = erase ? 1 : 0;
    return Add(static_cast<const void*>(&rec));
}

TInvalidRect TInvalidRects::Get(int i) const { return RecordAt<TInvalidRect>(*this, i); }

void* T2dMatrList::GetItems(int i) {
    if (i < 0 || i >= Count) Error();
    return GetItem(i);
}

T2DMatrix T2dMatrList::Matrix(int i) const { return RecordAt<T2DMatrix>(*this, i); }

void T2dMatrList::SetMatrix(int i, const T2DMatrix& m) { std::memcpy(GetItems(i), &m, sizeof m); }

void TObjList::Clear() {
    for (int i = Count() - 1; i >= 0; --i) Delete(i);
}

// ---- streams -------------------------------------------------------------------

void WritePoint(TStream& s, const TSPoint& p) {
    WriteFloat(s, p.X);
    WriteFloat(s, p.Y);
}

TSPoint ReadPoint(TStream& s) {
    TSPoint p;
    p.X = ReadFloat(s);
    p.Y = ReadFloat(s);
    return p;
}

void WriteRect(TStream& s, const TSRect& r) {
    for (float v : {r.Left, r.Top, r.Right, r.Bottom}) WriteFloat(s, v);
}

TSRect ReadRect(TStream& s) {
    TSRect r;
    r.Left = ReadFloat(s);
    r.Top = ReadFloat(s);
    r.Right = ReadFloat(s);
    r.Bottom = ReadFloat(s);
    return r;
}

void WritePoints(TWriter& writer, TPoints* points) {
    const int n = points ? points->GetCount() : 0;
    writer.WriteInteger(n);
    for (int i = 0; i < n; ++i) WritePoint(writer.Stream(), points->Get(i));
}

void ReadPointsData(TPoints& points, TReader& reader) {
    const int32_t n = reader.ReadInteger();
    if (n < 0 || int64_t(n) * int64_t(sizeof(TSPoint)) > reader.Remaining())
        throw EReadError("Invalid point count in point list data");
    for (int32_t i = 0; i < n; ++i) points.Put(i, ReadPoint(reader.Stream()));
}

std::unique_ptr<TPoints> ReadPoints(TReader& reader) {
    auto points = std::make_unique<TPoints>();
    ReadPointsData(*points, reader);
    return points;
}

void WriteFontRecord(TStream& s, const TFontRecord* font) {
    WriteBool(s, font != nullptr);
    if (!font) return;
    WriteShortString(s, Utf8ToCp1251(font->Name));
    WriteInteger(s, font->Charset);
    WriteInteger(s, font->Color);
    WriteInteger(s, font->Size);
    WriteByte(s, font->Style);
    for (int32_t reserved = 0; reserved < 4; ++reserved) WriteInteger(s, reserved);
}

bool ReadFontRecord(TStream& s, TFontRecord& font) {
    if (!ReadBool(s)) return false;
    TFontRecord r;
    r.Name = Cp1251ToUtf8(ReadShortString(s));
    r.Charset = ReadInteger(s);
    r.Color = ReadInteger(s);
    r.Size = ReadInteger(s);
    r.Style = ReadByte(s);
    for (int k = 0; k < 4; ++k) (void)ReadInteger(s);
    font = r;
    return true;
}

void WriteGraphicBlock(TStream& s, TGraphicType type, const TMemoryStream* data) {
    if (type == gtNone || type > gtBmp || !data) {
        WriteByte(s, gtNone);
        return;
    }
    WriteByte(s, type);
    WriteStream(s, data);
}

TGraphicType ReadGraphicBlock(TStream& s, std::unique_ptr<TMemoryStream>& data) {
    data.reset();
    const uint8_t tag = ReadByte(s);
    if (tag == gtNone || tag > gtBmp) return gtNone;
    data = ReadStream(s);
    return TGraphicType(tag);
}

}  // namespace velt

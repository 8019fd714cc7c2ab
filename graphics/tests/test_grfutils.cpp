#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "foundation/CodePages.h"
#include "foundation/Filer.h"
#include "foundation/Utils.h"
#include "foundation/tests/FoundationTestUtil.h"
#include "graphics/GrfUtils.h"

using namespace velt;
using test::Bytes;
using test::StreamOf;

namespace {


uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

std::unique_ptr<TPoints> Polyline(std::initializer_list<TSPoint> pts) {
    auto p = std::make_unique<TPoints>();
    for (const TSPoint& q : pts) p->Add(q);
    return p;
}

}  // namespace

TEST(Rounding, HalvesAwayOnlyWhereTheRoutineSaysSo) {
    EXPECT_EQ(Rnd(2.5f), 3);
    EXPECT_EQ(Rnd(-2.5f), -3);
    EXPECT_EQ(Rnd(0), 0);
    EXPECT_EQ(Rnd(0.49999997f), 0);  // no single-precision sum rounds it up
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(7, 1, 0), -1);
    EXPECT_EQ(MulDiv(INT32_MAX, 2, 1), -1);
    EXPECT_EQ(SRectToRect(SRect(0.5f, 1.5f, 2.5f, -0.5f)), Rect(0, 2, 2, 0));  // halves to even
    EXPECT_EQ(RoundPixel(1e20), 1 << 27);
    EXPECT_EQ(RoundScale(0.034f), 0.03f);
    EXPECT_EQ(RoundScale(3.7f), 3.5f);
    EXPECT_EQ(RoundScale(6.2f), 6.0f);
    EXPECT_EQ(RoundScale(0.2f), 0.2f);
    EXPECT_EQ(RoundAngle(15, 22.4f), 15);
    EXPECT_EQ(RoundAngle(15, 22.5f), 30);
    const float table[] = {1, 2, 4};
    EXPECT_EQ(RoundTo(table, 3), 2);  // equal distance: the earlier entry
    EXPECT_THROW(RoundTo({}, 3), ERangeError);
    EXPECT_TRUE(RealOpt(0x03, 7.4f));
    EXPECT_FALSE(RealOpt(0x08, 7));
    EXPECT_FALSE(RealOpt(1, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(RealOpt(1, 1e30f));
    EXPECT_TRUE(RealOpt(0, 1e30f));
}

TEST(Matrix, GoldenCompositionAndItsMeasures) {
    T2DMatrix m;
    m.Translate(10, 20);
    m.Rotate(90);
    m.Scale(2, 3);
    // The stored Singles, as the painter's views persist them.
    EXPECT_EQ(Bits(m.M0), 0xB5B0BBD3u);
    EXPECT_EQ(Bits(m.M1), 0xC0000000u);
    EXPECT_EQ(Bits(m.M2), 0x40400000u);
    EXPECT_EQ(Bits(m.M3), 0xB6048CDEu);
    EXPECT_EQ(m.M4, 10);
    EXPECT_EQ(m.M5, 20);
    EXPECT_EQ(m.GetRotation(), 90);
    EXPECT_EQ(m.GetScalingX(), 2);
    EXPECT_EQ(m.GetScalingY(), 3);
    const TSPoint p = m.Map(1, 0);  // the local X axis points up the screen
    EXPECT_NEAR(p.X, 10, 1e-5);
    EXPECT_NEAR(p.Y, 18, 1e-5);
    const TSPoint back = m.UnMap(m.Map(3, -4));
    EXPECT_NEAR(back.X, 3, 1e-5);
    EXPECT_NEAR(back.Y, -4, 1e-5);
    EXPECT_EQ(T2DMatrix().GetRotation(), 0);

    T2DMatrix singular;
    singular.Scale(0, 5);
    EXPECT_EQ(singular.UnMap(SPoint(7, 8)), SPoint(7, 8));

    // CombineWith composes on the local side, as the other operations do.
    T2DMatrix a, b, expect;
    a.Translate(5, 0);
    b.Rotate(30);
    b.Scale(2, 2);
    expect = a;
    expect.Rotate(30);
    expect.Scale(2, 2);
    a.CombineWith(b);
    EXPECT_EQ(a, expect);
}

TEST(Geometry, DirectionsTurnCounterClockwiseOnTheScreen) {
    EXPECT_EQ(Direction(SPoint(0, 0), SPoint(1, 0)), 0);
    EXPECT_NEAR(Direction(SPoint(0, 0), SPoint(0, 1)), -90, 1e-3);
    EXPECT_GT(Direction(SPoint(0, 0), SPoint(-1, 0)), 179.99f);
    TSPoint o{0, 0}, p{1, 0};
    TSPoint* pts[] = {&o, &p};
    RotatePoints(pts, 90);
    EXPECT_NEAR(p.X, 0, 1e-5);
    EXPECT_NEAR(p.Y, -1, 1e-5);
    EXPECT_TRUE(RectInRect(SRect(0, 0, 1, 1), SRect(1, 1, 2, 2)));  // touching counts
    TSRect r = SRect(0, 0, 4, 2);
    r.AddPt(SPoint(-1, 5));
    EXPECT_EQ(r, SRect(-1, 0, 4, 5));
    r.Inflate(1, 2);
    EXPECT_EQ(r, SRect(-2, -2, 5, 7));
    r.SetCenter(SPoint(0, 0));
    EXPECT_EQ(r.GetCenter(), SPoint(0, 0));
    EXPECT_FALSE(r.Invalid());
    TSPoint a{3, 1}, b{1, 2};
    ValidRect(a, b);
    EXPECT_EQ(a, SPoint(1, 1));
    EXPECT_EQ(b, SPoint(3, 2));
}

TEST(HitTests, VerticesWinOverSegmentsAndTheLastOneWins) {
    auto polyList = Polyline({{0, 0}, {10, 0}, {10, 10}, {10, 0}});
    TPoints& poly = *polyList;
    int index = -7;
    EXPECT_EQ(PtInPoly(SPoint(10.5f, 0.5f), poly, index, 1), flPoint);
    EXPECT_EQ(index, 3);  // of the two vertices there, the higher index
    EXPECT_EQ(PtInPoly(SPoint(5, 0.01f), poly, index, 0.1f), flLine);
    EXPECT_EQ(index, 1);
    index = -7;
    EXPECT_EQ(PtInPoly(SPoint(5, 5), poly, index, 0.1f), flNone);
    EXPECT_EQ(index, -7);

    // Exactly at the tolerance: a vertex is hit on both axes, a segment is
    // not (its test is strict). (6, 8) is 10 from (0, 0) and 17 from (21, 0).
    auto edgeList = Polyline({{0, 0}, {21, 0}});
    TPoints& edge = *edgeList;
    EXPECT_EQ(PtInPoly(SPoint(21.5f, -0.5f), edge, index, 0.5f), flPoint);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(PtInPoly(SPoint(0.25f, 0.5f), edge, index, 0.5f), flPoint);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(PtInPoly(SPoint(6, 8), edge, index, 6), flNone);
    EXPECT_EQ(PtInPoly(SPoint(6, 8), edge, index, 6.01f), flLine);
    EXPECT_EQ(index, 1);

    TSPoint p{5, 1};
    EXPECT_TRUE(PtInLineEx(p, SPoint(0, 0), SPoint(10, 0), 2));
    EXPECT_EQ(p, SPoint(5, 0));
    p = SPoint(11, 0);
    EXPECT_FALSE(PtInLineEx(p, SPoint(0, 0), SPoint(10, 0), 2));

    auto lineList = Polyline({{0, 0}, {10, 0}, {10, 10}});
    TPoints& line = *lineList;
    p = SPoint(10.5f, 9.5f);
    EXPECT_EQ(MovePtIntoPoly(p, line, 1), 2);
    EXPECT_EQ(p, SPoint(10, 10));
    p = SPoint(4, 0.5f);
    EXPECT_EQ(MovePtIntoPoly(p, line, 1), 1);
    EXPECT_EQ(line.GetCount(), 4);
    EXPECT_EQ(line.Get(1), SPoint(4, 0));
    p = SPoint(50, 50);
    EXPECT_EQ(MovePtIntoPoly(p, line, 1), -1);
}

// Points with an info word after each, as link lines keep them.
class TWidePoints : public TPoints {
public:
    TWidePoints() : TPoints(12) {}
};

TEST(Points, APointInsertedIntoLongerRecordsFillsTheRestWithZeros) {
    TWidePoints pts;
    pts.Add(SPoint(1, 2));
    pts.Insert(0, SPoint(3, 4));  // read no further than the point
    ASSERT_EQ(pts.GetCount(), 2);
    EXPECT_EQ(pts.At(0), SPoint(3, 4));
    EXPECT_EQ(pts.At(1), SPoint(1, 2));
    int32_t info = -1;
    std::memcpy(&info, static_cast<const char*>(pts.GetItem(0)) + 8, 4);
    EXPECT_EQ(info, 0);
}

TEST(Points, AccessorsGrowTheListAndRefuseNegativeIndices) {
    TPoints pts;
    std::vector<std::pair<char, int>> events;
    pts.OnInsert = [&](TObject*, int i) { events.emplace_back('i', i); };
    pts.OnDelete = [&](TObject*, int i) { events.emplace_back('d', i); };
    EXPECT_EQ(pts.Get(2), SPoint(0, 0));
    EXPECT_EQ(pts.GetCount(), 3);
    pts.Put(4, SPoint(1, 2));
    EXPECT_EQ(pts.GetCount(), 5);
    EXPECT_THROW(pts.Get(-1), Exception);
    EXPECT_THROW(pts.Put(-1, SPoint(1, 1)), Exception);
    EXPECT_THROW(pts.At(5), Exception);
    pts.Insert(1, SPoint(9, 9));
    pts.Delete(0);
    IGeneralList& base = pts;
    base.Delete(0);  // through the interface the handler runs as well
    EXPECT_EQ(events, (std::vector<std::pair<char, int>>{{'i', 1}, {'d', 0}, {'d', 0}}));
    EXPECT_EQ(pts.Last(), SPoint(1, 2));

    auto pathList = Polyline({{0, 0}, {3, 4}, {3, 10}});
    TPoints& path = *pathList;
    EXPECT_EQ(path.LineLen(), 11);
    TSPoint at;
    path.CoordByLen(at, 7);
    EXPECT_EQ(at, SPoint(3, 6));
    path.CoordByLen(at, -1);
    EXPECT_EQ(at, SPoint(0, 0));
    path.CoordByLen(at, 100);
    EXPECT_EQ(at, SPoint(3, 10));
    path.Offset(1, -1);
    EXPECT_EQ(path.At(1), SPoint(4, 3));
}

TEST(Rects, AccessorsAreRangeCheckedAndRecordsKeepTheirSizes) {
    TRects rects;
    EXPECT_THROW(rects.Get(0), Exception);
    EXPECT_THROW(rects.Put(0, SRect(0, 0, 1, 1)), Exception);
    rects.Add(SRect(1, 2, 3, 4));
    EXPECT_EQ(rects.Get(0), SRect(1, 2, 3, 4));
    EXPECT_THROW(rects.GetPtr(1), Exception);
    EXPECT_EQ(rects.GetItemSize(), 16);

    TInvalidRects inv;
    inv.Add(SRect(0, 0, 5, 5), true);
    EXPECT_EQ(inv.GetItemSize(), 17);
    EXPECT_EQ(inv.Get(0).Erase, 1);
    TMemoryStream s;
    inv.SaveToStream(s);
    EXPECT_EQ(s.Size(), 8 + 17);

    T2dMatrList stack;
    T2DMatrix m;
    m.Translate(1, 2);
    stack.Add(m);
    EXPECT_EQ(stack.Matrix(0), m);
    EXPECT_THROW(stack.GetItems(1), Exception);
}

TEST(ObjList, OwnsTheObjectsOfItsLinesAndClearsFromTheLast) {
    std::vector<int> freed;
    struct Tracked : TObject {
        Tracked(std::vector<int>& log, int id) : Log(log), Id(id) {}
        ~Tracked() override { Log.push_back(Id); }
        std::vector<int>& Log;
        int Id;
    };
    {
        TObjList list;
        for (int i = 0; i < 4; ++i) list.AddObject("line", new Tracked(freed, i));
        list.Delete(1);
        EXPECT_EQ(freed, std::vector<int>{1});
        list.Clear();
        EXPECT_EQ(freed, (std::vector<int>{1, 3, 2, 0}));
        list.AddObject("left", new Tracked(freed, 9));
    }
    EXPECT_EQ(freed.back(), 9);
}

TEST(Streams, GoldenPointRectangleAndPointListBytes) {
    TMemoryStream s;
    WritePoint(s, SPoint(1, -2.5f));
    WriteRect(s, SRect(0, 1, 2, 3));
    EXPECT_EQ(Bytes(s), std::string("\x00\x00\x80\x3F\x00\x00\x20\xC0"
                                    "\x00\x00\x00\x00\x00\x00\x80\x3F\x00\x00\x00\x40\x00\x00\x40\x40",
                                    24));
    s.SetPosition(0);
    EXPECT_EQ(ReadPoint(s), SPoint(1, -2.5f));
    EXPECT_EQ(ReadRect(s), SRect(0, 1, 2, 3));
    EXPECT_THROW(ReadPoint(s), EReadError);

    TMemoryStream list;
    {
        TWriter w(list);
        auto pts = Polyline({{1, 0}, {0, 1}});
        WritePoints(w, pts.get());
        WritePoints(w, nullptr);
    }
    EXPECT_EQ(Bytes(list), std::string("\x02\x02"
                                       "\x00\x00\x80\x3F\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x3F"
                                       "\x02\x00",
                                       20));
    list.SetPosition(0);
    TReader r(list);
    auto read = ReadPoints(r);
    EXPECT_EQ(read->GetCount(), 2);
    EXPECT_EQ(read->At(1), SPoint(0, 1));
    EXPECT_EQ(ReadPoints(r)->GetCount(), 0);
}

TEST(Streams, ReadersCheckCountsAgainstTheBytesLeft) {
    // A count of 3 with room for 2 points, and a negative count.
    for (const std::string& bytes : {std::string("\x02\x03", 2) + std::string(16, '\0'), std::string("\x02\xFF", 2)}) {
        TMemoryStream s = StreamOf(bytes);
        TReader r(s);
        TPoints pts;
        EXPECT_THROW(ReadPointsData(pts, r), EReadError);
        EXPECT_EQ(pts.GetCount(), 0);
    }
    // A picture block longer than the stream; an unknown tag reads no further.
    TMemoryStream pic = StreamOf(std::string("\x03\x10\x00\x00\x00xx", 7));
    std::unique_ptr<TMemoryStream> data;
    EXPECT_THROW(ReadGraphicBlock(pic, data), EReadError);
    TMemoryStream odd = StreamOf(std::string("\x09\x01\x00\x00\x00x", 6));
    EXPECT_EQ(ReadGraphicBlock(odd, data), gtNone);
    EXPECT_EQ(odd.GetPosition(), 1);
    EXPECT_EQ(data, nullptr);
}

TEST(Streams, GoldenFontRecordWithACode1251Name) {
    TFontRecord font;
    font.Name = "Шрифт";
    font.Charset = 204;
    font.Color = 0x0000FF;
    font.Size = 10;
    font.Style = 3;
    TMemoryStream s;
    WriteFontRecord(s, &font);
    WriteFontRecord(s, nullptr);
    EXPECT_EQ(Bytes(s), std::string("\x01\x05\xD8\xF0\xE8\xF4\xF2"
                                    "\xCC\x00\x00\x00\xFF\x00\x00\x00\x0A\x00\x00\x00\x03"
                                    "\x00\x00\x00\x00\x01\x00\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00"
                                    "\x00",
                                    37));
    s.SetPosition(0);
    TFontRecord back;
    EXPECT_TRUE(ReadFontRecord(s, back));
    EXPECT_EQ(back, font);
    EXPECT_FALSE(ReadFontRecord(s, back));
    EXPECT_EQ(back, font);  // an absent font leaves the record

    font.Name = std::string(300, 'a');  // the stored name is cut, never overruns
    TMemoryStream longName;
    WriteFontRecord(longName, &font);
    longName.SetPosition(0);
    EXPECT_TRUE(ReadFontRecord(longName, back));
    EXPECT_EQ(back.Name, std::string(255, 'a'));
    TMemoryStream cut = StreamOf(Bytes(longName).substr(0, 270));
    EXPECT_THROW(ReadFontRecord(cut, back), EReadError);
}

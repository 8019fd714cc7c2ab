#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "painter/PainterTypes.h"

using namespace velt;

TEST(PainterTables, MeasureAndScales) {
    EXPECT_STREQ(Measure[mtMMt].Name, "Milimeter");
    EXPECT_STREQ(Measure[mtInch].Short, "\"");
    EXPECT_EQ(Measure[mtInch].K, 25.0f);
    EXPECT_EQ(StdMstTable.front(), 0.0005f);
    EXPECT_EQ(StdMstTable.back(), 100.0f);
    for (size_t i = 1; i < StdMstTable.size(); ++i) EXPECT_LT(StdMstTable[i - 1], StdMstTable[i]);
    EXPECT_EQ(DblClickInterval, 300);
}

TEST(PainterScale, ResolveAndNext) {
    EXPECT_EQ(ResolveMst(0, true, 1), 0.0005f);
    EXPECT_EQ(ResolveMst(0.3f, true, 1), 0.25f);
    EXPECT_EQ(ResolveMst(0.3f, false, 1), 0.3f);
    EXPECT_EQ(ResolveMst(NAN, true, 2), 2.0f);
    EXPECT_EQ(ResolveMst(INFINITY, false, 2), 2.0f);
    EXPECT_EQ(ResolveMst(-INFINITY, false, 2), 0.0005f);
    EXPECT_EQ(NextStdMst(true, 100), 100.0f);
    EXPECT_EQ(NextStdMst(false, 0.0005f), 0.0005f);
    EXPECT_EQ(NextStdMst(true, 1), 1.125f);
    EXPECT_EQ(NextStdMst(false, 1), 0.875f);
    // Walking up from the bottom ends at the top entry.
    float m = 0.0005f;
    int steps = 0;
    while (NextStdMst(true, m) != m && steps < 100) m = NextStdMst(true, m), ++steps;
    EXPECT_EQ(steps, 39);
    EXPECT_EQ(m, 100.0f);
}

TEST(PainterScale, SnapAndUnits) {
    EXPECT_EQ(SnapToStep(14.9f, 10), 10.0f);
    EXPECT_EQ(SnapToStep(15, 10), 20.0f);
    EXPECT_EQ(SnapToStep(-15, 10), -20.0f);
    EXPECT_EQ(SnapToStep(7, 0), 7.0f);
    EXPECT_EQ(SnapToStep(7, NAN), 7.0f);
    EXPECT_EQ(SnapToStep(7, INFINITY), 7.0f);
    EXPECT_EQ(UnitText(25, mtMMt, mtInch, true), "1.\"");
    EXPECT_EQ(UnitText(20, mtMMt, mtMMt, true), "20.mm");
    EXPECT_EQ(UnitText(15, mtMMt, mtCMt, false), "1.5");
    EXPECT_FALSE(ValidMeasure(-1));
    EXPECT_FALSE(ValidMeasure(6));
    EXPECT_EQ(ClampPixel(int64_t(1) << 40), 1 << 27);
    EXPECT_EQ(ClampPixel(-(int64_t(1) << 40)), -(1 << 27));
}

namespace {
std::string Bytes(TMemoryStream& s) {
    return std::string(static_cast<const char*>(s.Memory()), size_t(s.GetSize()));
}
void Fill(TMemoryStream& s, float mst, int32_t x, int32_t y) {
    WriteViewState(s, TViewState{mst, x, y});
    s.SetPosition(0);
}
}  // namespace

TEST(PainterViewState, GoldenBytesAndRules) {
    TMemoryStream s;
    WriteViewState(s, TViewState{0.5f, 100, -2});
    EXPECT_EQ(Bytes(s), std::string("\x00\x00\x00\x3F\x64\x00\x00\x00\xFE\xFF\xFF\xFF", 12));
    s.SetPosition(0);
    const TViewState v = ReadViewState(s, TViewState{});
    EXPECT_EQ(v.Mst, 0.5f);
    EXPECT_EQ(v.OrgX, 100);
    EXPECT_EQ(v.OrgY, -2);

    TMemoryStream tiny;
    Fill(tiny, 0.0001f, 1, 2);
    EXPECT_EQ(ReadViewState(tiny, TViewState{}).Mst, 0.0005f);
    TMemoryStream nan;
    Fill(nan, std::numeric_limits<float>::quiet_NaN(), 3, 4);
    const TViewState n = ReadViewState(nan, TViewState{7, 0, 0});
    EXPECT_EQ(n.Mst, 7.0f);
    EXPECT_EQ(n.OrgX, 3);
    // Stored raw, not snapped to the table.
    TMemoryStream raw;
    Fill(raw, 0.3f, 0, 0);
    EXPECT_EQ(ReadViewState(raw, TViewState{}).Mst, 0.3f);

    TMemoryStream shortS;
    shortS.WriteBuffer("\x00\x00\x80\x3F\x01\x00\x00\x00\x02\x00\x00", 11);
    shortS.SetPosition(0);
    EXPECT_THROW(ReadViewState(shortS, TViewState{}), EReadError);
    EXPECT_EQ(shortS.GetPosition(), 0);
}

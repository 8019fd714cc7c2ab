#include <gtest/gtest.h>

#include <QImage>

#include "painter/IGrfTopo.h"
#include "painter/tests/SurfaceTestSupport.h"

using namespace velt;
using velt::test::SurfaceTest;

namespace {

class TAtConnList : public TConnList {
public:
    TSPoint GetCoord(int) override { return At; }
    TSPoint At;
};

class ConnListDraw : public SurfaceTest {
protected:
    static int NonWhite(const QImage& im, int x1, int y1, int x2, int y2) {
        int n = 0;
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x) n += (im.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
        return n;
    }
};

TEST_F(ConnListDraw, RingsOfCandidatesShowWhileDraggingAndGoAgain) {
    TAtConnList list;
    list.At = TSPoint{40, 30};
    TConnectionInfo c;
    c.Init(0, ctPin);
    c.SetAttr(cnaCanConnect, true);
    list.Add(c);
    TConnectionInfo linked = c;
    linked.SetAttr(cnaConnected, true);
    list.Add(linked);  // at the same place: a second ring would cancel the first

    const auto rings = [&list](int times) {
        return [&list, times](TGraphPaint& p) {
            p.SetDrawMode(dmDrag);
            for (int i = 0; i < times; ++i) list.DrawActiv(p);
            p.SetDrawMode(dmNone);
        };
    };
    const QImage blank = Drawn([](TGraphPaint&) {});
    const QImage once = Drawn(rings(1));
    const QImage twice = Drawn(rings(2));
    const TPoint at = box->Convert(40, 30);
    EXPECT_EQ(NonWhite(once, at.X - 3, at.Y - 3, at.X + 3, at.Y + 3), 0);
    EXPECT_GT(NonWhite(once, at.X + 6, at.Y - 1, at.X + 9, at.Y + 1), 0);
    EXPECT_GT(NonWhite(once, at.X - 9, at.Y - 1, at.X - 6, at.Y + 1), 0);
    EXPECT_EQ(NonWhite(once, at.X + 11, at.Y - 11, W - 1, H - 1), 0);
    EXPECT_TRUE(twice == blank);

    // Out of the drag mode the clear pen draws nothing.
    const QImage plain = Drawn([&list](TGraphPaint& p) { list.DrawActiv(p); });
    EXPECT_TRUE(plain == blank);
}

TEST_F(ConnListDraw, NumbersStandAboveNodePoints) {
    TAtConnList list;
    list.At = TSPoint{40, 30};
    TConnectionInfo c;
    c.Init(0, ctPin);
    c.Num = 12;
    list.Add(c);
    const QImage blank = Drawn([](TGraphPaint&) {});
    EXPECT_TRUE(Drawn([&list](TGraphPaint& p) { list.Draw(p); }) == blank);
    list.Conn(0)->SetAttr(cnaIsNode, true);
    const QImage numbered = Drawn([&list](TGraphPaint& p) { list.Draw(p); });
    EXPECT_FALSE(numbered == blank);
    // Nothing at or below the point itself.
    const TPoint at = box->Convert(40, 30);
    const int above = box->Convert(40, 29).Y < at.Y ? -1 : 1;
    const int y1 = above < 0 ? at.Y : 0, y2 = above < 0 ? H - 1 : at.Y;
    EXPECT_EQ(NonWhite(numbered, 0, y1, W - 1, y2), 0);
}

}  // namespace

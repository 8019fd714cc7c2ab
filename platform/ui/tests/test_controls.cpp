#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <map>
#include <memory>
#include <string>

#include "foundation/DateUtils.h"
#include "foundation/SysUtils.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/TimerSource.h"
#include "platform/ui/tests/GoldenImage.h"

using namespace velt;

using test::Art;
using test::Blank;
using test::Lines;

namespace {

QRect Geo(int x, int y, int w, int h) { return QRect(x, y, w, h); }

QWidget* Child(QWidget& parent, int w, int h, TAlign align) {
    auto* c = new QWidget(&parent);
    c->resize(w, h);
    SetAlign(c, align);
    return c;
}

// One letter a pixel: H highlight, S shadow, F button face, L 3-D light,
// D dark shadow, r red, b blue, "?" anything else.
std::string Bevels(const QImage& im) {
    const std::map<TColor, char> letters = {
        {ColorToRGB(clBtnHighlight), 'H'}, {ColorToRGB(clBtnShadow), 'S'}, {ColorToRGB(clBtnFace), 'F'},
        {ColorToRGB(cl3DLight), 'L'},      {ColorToRGB(cl3DDkShadow), 'D'}, {clRed, 'r'},
        {clBlue, 'b'},
    };
    EXPECT_EQ(letters.size(), 7u) << "the palette gives two of these colours the same value";
    std::string s;
    for (int y = 0; y < im.height(); ++y) {
        for (int x = 0; x < im.width(); ++x) {
            auto it = letters.find(QColorToColor(im.pixelColor(x, y)));
            s += it == letters.end() ? '?' : it->second;
        }
        s += '\n';
    }
    return s;
}

QImage BlueImage(int w, int h) {
    QImage im(w, h, QImage::Format_RGB32);
    im.fill(Qt::blue);
    return im;
}

QImage Rendered(QWidget& w) {
    QImage im = BlueImage(w.width(), w.height());
    w.render(&im);
    return im;
}

}  // namespace

// ---- alignment ------------------------------------------------------------------------

TEST(Align, ChildrenTakeTheSidesInThePlatformsOrder) {
    QWidget parent;
    parent.resize(200, 100);
    // Made in an order unlike the passes: the passes decide.
    QWidget* client = Child(parent, 5, 5, alClient);
    QWidget* right = Child(parent, 25, 5, alRight);
    QWidget* left = Child(parent, 30, 5, alLeft);
    QWidget* bottom = Child(parent, 5, 15, alBottom);
    QWidget* top = Child(parent, 5, 10, alTop);
    auto* free = new QWidget(&parent);
    free->setGeometry(7, 8, 9, 10);
    RequestAlign(&parent);
    EXPECT_EQ(top->geometry(), Geo(0, 0, 200, 10));
    EXPECT_EQ(bottom->geometry(), Geo(0, 85, 200, 15));
    EXPECT_EQ(left->geometry(), Geo(0, 10, 30, 75));
    EXPECT_EQ(right->geometry(), Geo(175, 10, 25, 75));
    EXPECT_EQ(client->geometry(), Geo(30, 10, 145, 75));
    EXPECT_EQ(free->geometry(), Geo(7, 8, 9, 10));  // alNone stays

    // Within a pass the current positions order them: a second top child
    // moved above the first goes first.
    QWidget* top2 = Child(parent, 5, 20, alTop);
    top2->move(0, -1);
    RequestAlign(&parent);
    EXPECT_EQ(top2->geometry(), Geo(0, 0, 200, 20));
    EXPECT_EQ(top->geometry(), Geo(0, 20, 200, 10));
    EXPECT_EQ(client->geometry(), Geo(30, 30, 145, 55));

    // A hidden child gives its side back; a parent's resize realigns.
    top2->hide();
    parent.resize(300, 120);
    RequestAlign(&parent);
    EXPECT_EQ(top->geometry(), Geo(0, 0, 300, 10));
    EXPECT_EQ(client->geometry(), Geo(30, 10, 245, 95));
    EXPECT_EQ(GetAlign(free), TAlign::alNone);
    EXPECT_EQ(GetAlign(right), alRight);
}

TEST(Align, ShownParentRealignsOnResizeAndWhenAChildGoes) {
    QWidget parent;
    parent.resize(100, 60);
    QWidget* top = Child(parent, 5, 10, alTop);
    QWidget* client = Child(parent, 5, 5, alClient);
    parent.show();
    parent.resize(120, 80);
    QApplication::processEvents();
    EXPECT_EQ(client->geometry(), Geo(0, 10, 120, 70));
    delete top;
    QApplication::processEvents();
    EXPECT_EQ(client->geometry(), Geo(0, 0, 120, 80));
    // The panel is exhausted: later children get no room, never a negative size.
    QWidget* big = Child(parent, 5, 500, alTop);
    big->show();  // a child added to a shown widget shows when told
    QApplication::processEvents();
    EXPECT_EQ(big->geometry(), Geo(0, 0, 120, 500));
    EXPECT_EQ(client->geometry(), Geo(0, 500, 120, 0));
}

TEST(Align, PanelPublishesItsPropertiesByNameAndInsetsItsChildren) {
    auto panel = TCustomPanel::Create();
    panel->resize(50, 40);
    ASSERT_TRUE(panel->setProperty("BevelInner", "bvLowered"));
    ASSERT_TRUE(panel->setProperty("BorderWidth", 2));
    ASSERT_TRUE(panel->setProperty("BorderStyle", "bsSingle"));
    EXPECT_EQ(panel->GetBevelInner(), bvLowered);
    auto* inner = new QWidget(panel.get());
    SetAlign(inner, alClient);
    // 1 border + 1 outer bevel + 2 border width + 1 inner bevel.
    EXPECT_EQ(inner->geometry(), Geo(5, 5, 40, 30));
    EXPECT_EQ(panel->GetAlign(), TAlign::alNone);
    QWidget host;
    panel->setParent(&host);
    host.resize(80, 80);
    SetAlign(panel.get(), alClient);  // through its own property
    EXPECT_EQ(panel->geometry(), Geo(0, 0, 80, 80));
    EXPECT_EQ(panel->property("Align").value<TAlign>(), alClient);
    EXPECT_THROW(panel->SetBevelWidth(0), ERangeError);
    EXPECT_THROW(panel->SetBorderWidth(-1), ERangeError);
    EXPECT_EQ(panel->GetBevelWidth(), 1);
    panel->setParent(nullptr);
}

TEST(Align, PanelKeepsItsEnumerationsWhenGivenOrdinalsOutsideTheirTypes) {
    QWidget host;
    host.resize(40, 40);
    auto panel = TCustomPanel::Create();
    panel->setParent(&host);
    panel->SetBevelInner(bvLowered);
    panel->SetBorderStyle(bsSingle);
    panel->SetAlignment(taRightJustify);
    SetAlign(panel.get(), alTop);
    for (const char* name : {"BevelInner", "BevelOuter", "BorderStyle", "Alignment", "Align"})
        panel->setProperty(name, 200);
    EXPECT_EQ(panel->GetBevelInner(), bvLowered);
    EXPECT_EQ(panel->GetBevelOuter(), bvRaised);
    EXPECT_EQ(panel->GetBorderStyle(), bsSingle);
    EXPECT_EQ(panel->GetAlignment(), taRightJustify);
    EXPECT_EQ(panel->GetAlign(), alTop);
    EXPECT_FALSE(Rendered(*panel).isNull());
    panel->setParent(nullptr);
}

// ---- panel pixels ---------------------------------------------------------------------

TEST(Panel, RaisedIsLightAboveAndLeftLoweredTheOtherWay) {
    auto panel = TCustomPanel::Create();
    panel->resize(7, 6);
    EXPECT_EQ(Bevels(Rendered(*panel)), Lines({
                                            "HHHHHHS",
                                            "HFFFFFS",
                                            "HFFFFFS",
                                            "HFFFFFS",
                                            "HFFFFFS",
                                            "SSSSSSS",
                                        }));
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(1);
    panel->resize(8, 8);
    EXPECT_EQ(Bevels(Rendered(*panel)), Lines({
                                            "HHHHHHHS",
                                            "HFFFFFFS",
                                            "HFSSSHFS",
                                            "HFSFFHFS",
                                            "HFSFFHFS",
                                            "HFHHHHFS",
                                            "HFFFFFFS",
                                            "SSSSSSSS",
                                        }));
    panel->SetBevelInner(bvNone);
    panel->SetBevelOuter(bvLowered);
    panel->SetBorderWidth(0);
    panel->SetBevelWidth(2);
    panel->SetColor(clRed);
    panel->resize(6, 6);
    EXPECT_EQ(Bevels(Rendered(*panel)), Lines({
                                            "SSSSSH",
                                            "SSSSHH",
                                            "SSrrHH",
                                            "SSrrHH",
                                            "SHHHHH",
                                            "HHHHHH",
                                        }));
}

TEST(Panel, CaptionIsCentredOnItsColour) {
    auto panel = TCustomPanel::Create();
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    panel->Font().SetColor(clBlack);
    panel->resize(60, 30);
    panel->SetCaption("II");
    const QImage im = Rendered(*panel);
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            if (QColorToColor(im.pixelColor(x, y)) != clWhite)
                minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    ASSERT_GE(maxX, 0) << "no caption drawn";
    EXPECT_LE(std::abs((minX + maxX) - 59), 3) << minX << ".." << maxX;
    EXPECT_LE(std::abs((minY + maxY) - 29), 5) << minY << ".." << maxY;
    panel->SetAlignment(taLeftJustify);
    const QImage left = Rendered(*panel);
    for (int y = 0; y < 30; ++y)
        for (int x = 30; x < 60; ++x) ASSERT_EQ(QColorToColor(left.pixelColor(x, y)), clWhite);
}

// ---- text and edges ------------------------------------------------------------------

TEST(DrawText, PrefixesTabsBreaksAndTheMeasuredRectangle) {
    QImage im = Blank(200, 60);
    TCanvas c(&im);
    c.Font.SetColor(clBlack);
    const int h = c.TextHeight("Wg");
    const int ampW = c.TextWidth("a&b");

    TRect r{10, 5, 10, 5};
    EXPECT_EQ(DrawText(c, "a&&b", r, DT_CALCRECT | DT_SINGLELINE), h);
    EXPECT_EQ(r, (TRect{10, 5, 10 + ampW, 5 + h}));  // "&&" is one "&"
    r = TRect{0, 0, 0, 0};
    DrawText(c, "a&&b", r, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(r.Right, c.TextWidth("a&&b"));
    r = TRect{0, 0, 0, 0};
    DrawText(c, "&Save", r, DT_CALCRECT);
    EXPECT_EQ(r.Right, c.TextWidth("Save"));

    // Tabs stop every eight average characters.
    const int tab = 8 * QFontMetrics(ToQFont(c.Font), &im).averageCharWidth();
    r = TRect{0, 0, 0, 0};
    DrawText(c, "a\tb", r, DT_CALCRECT | DT_EXPANDTABS);
    EXPECT_EQ(r.Right, tab + c.TextWidth("b"));

    // Line ends and word breaks make lines; a word never splits.
    r = TRect{0, 0, 0, 0};
    EXPECT_EQ(DrawText(c, "one\r\ntwo\nthree", r, DT_CALCRECT), 3 * h);
    const int w = c.TextWidth("aaa bbb");
    r = TRect{0, 0, w, 0};
    DrawText(c, "aaa bbb ccc", r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(r, (TRect{0, 0, w, 2 * h}));
    r = TRect{0, 0, 5, 0};
    DrawText(c, "wide i", r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(r, (TRect{0, 0, c.TextWidth("wide"), 2 * h}));
    r = TRect{0, 0, 5, 0};
    DrawText(c, "one two", r, DT_CALCRECT | DT_WORDBREAK | DT_SINGLELINE);
    EXPECT_EQ(r.Bottom, h);

    // Nothing is drawn while measuring.
    c.EndPaint();
    EXPECT_EQ(im, Blank(200, 60));
}

TEST(DrawText, UnderlinesTheAcceleratorAndAlignsInItsRectangle) {
    auto draw = [](const std::string& text, uint32_t flags, TRect r) {
        QImage im = Blank(60, 30);
        {
            TCanvas c(&im);
            c.Font.SetColor(clBlack);
            c.Brush.Style = bsClear;
            DrawText(c, text, r, flags);
        }
        return im;
    };
    auto inked = [](const QImage& im, int& minX, int& maxX, int& minY, int& maxY) {
        minX = minY = 999, maxX = maxY = -1;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                if ((im.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y),
                    maxY = std::max(maxY, y);
    };
    const TRect box{0, 0, 60, 30};
    const QImage plain = draw("x", 0, box), marked = draw("&x", 0, box);
    // The marked one differs by one row below the letter, as wide as its cell.
    int rows = 0, lastRow = -1;
    for (int y = 0; y < 30; ++y) {
        bool differs = false;
        for (int x = 0; x < 60; ++x) differs |= plain.pixel(x, y) != marked.pixel(x, y);
        if (differs) ++rows, lastRow = y;
    }
    int minX, maxX, minY, maxY;
    inked(plain, minX, maxX, minY, maxY);
    EXPECT_GE(rows, 1);
    EXPECT_LE(rows, 2);
    EXPECT_GT(lastRow, maxY - 3);
    EXPECT_EQ(draw("&x", DT_NOPREFIX, box), draw("&x", DT_NOPREFIX, box));
    EXPECT_NE(draw("&x", DT_NOPREFIX, box), marked);

    // Right, centred and vertically centred single lines; clipping.
    const QImage right = draw("x", DT_RIGHT, box);
    inked(right, minX, maxX, minY, maxY);
    EXPECT_GE(maxX, 55);
    const QImage middle = draw("x", DT_SINGLELINE | DT_VCENTER | DT_CENTER, box);
    int mx0, mx1, my0, my1;
    inked(middle, mx0, mx1, my0, my1);
    EXPECT_LE(std::abs(mx0 + mx1 - 59), 4);
    EXPECT_GT(my0, 5);
    EXPECT_EQ(draw("x", 0, TRect{0, 0, 2, 30}).copy(2, 0, 58, 30), Blank(58, 30));
}

TEST(DrawEdge, RaisedAndSunkenRingsAdjustTheRectangle) {
    QImage im = BlueImage(6, 6);
    TCanvas c(&im);
    TRect r{0, 0, 6, 6};
    DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE);
    EXPECT_EQ(r, (TRect{2, 2, 4, 4}));
    c.EndPaint();
    EXPECT_EQ(Bevels(im), Lines({
                              "LLLLLD",
                              "LHHHSD",
                              "LHFFSD",
                              "LHFFSD",
                              "LSSSSD",
                              "DDDDDD",
                          }));
    im = BlueImage(4, 4);
    c.Attach(&im);
    r = TRect{0, 0, 4, 4};
    DrawEdge(c, r, BDR_SUNKENINNER, BF_TOP | BF_BOTTOM);
    EXPECT_EQ(r, (TRect{0, 0, 4, 4}));  // no BF_ADJUST
    c.EndPaint();
    EXPECT_EQ(Bevels(im), Lines({
                              "DDDb",
                              "bbbb",
                              "bbbb",
                              "LLLL",
                          }));
}

// ---- time of day ----------------------------------------------------------------------

TEST(ManualTimers, TimeOfDayIsSetAndMovesWithTheClockIntoTheNextDay) {
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    EXPECT_EQ(source.Now(), 0.0);
    source.SetNow(EncodeDate(2024, 3, 1) + EncodeTime(23, 59, 59, 0));
    std::vector<std::string> seen;
    auto timer = NewTimer(400, [&] { seen.push_back(TimeToStr(GetTimerSource().Now())); });
    source.Advance(1200);
    EXPECT_EQ(seen, (std::vector<std::string>{"23:59:59", "23:59:59", "00:00:00"}));
    int h, m, s, ms;
    DecodeTime(source.Now(), h, m, s, ms);
    EXPECT_EQ(h * 3600000 + m * 60000 + s * 1000 + ms, 200);
    // The Qt source answers the time of day too.
    TTimerSourceGuard qt(nullptr);
    const TDateTime now = GetTimerSource().Now();
    EXPECT_GE(now, 0.0);
    EXPECT_LT(now, 1.0);
}

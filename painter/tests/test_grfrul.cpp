#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMetaProperty>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <cmath>
#include <limits>
#include <vector>

#include "painter/GrfRul.h"
#include "painter/tests/SurfaceTestSupport.h"
#include "platform/ui/TimerSource.h"
#include "platform/ui/tests/GoldenImage.h"

using namespace velt;

namespace {

void Send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), b, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

class Rullers : public velt::test::SurfaceTest {
protected:
    void SetUp() override {
        W = 300, H = 200;
        SurfaceTest::SetUp();
        box->setGeometry(24, 24, 276, 176);
        horz = new TGraphRuller(parent.get());
        horz->setGeometry(24, 0, 276, 24);
        vert = new TGraphRuller(parent.get());
        vert->SetKind(rkVert);
        vert->setGeometry(0, 24, 24, 176);
        box->Rullers().SetRuller(horz);
        box->Rullers().SetRuller(vert);
        box->SetupRullers();
    }
    TGraphRuller* horz = nullptr;
    TGraphRuller* vert = nullptr;
};

}  // namespace

TEST(Ruller, ShortRulerAndTickSteps) {
    TGraphRuller r;
    r.resize(30, 20);
    r.Loaded();
    EXPECT_EQ(r.Length(), 30);
    EXPECT_EQ(r.BtnSize(), 15);
    EXPECT_EQ(r.ActLen(), 0);
    EXPECT_EQ(r.WorkRect().Width(), 0);
    EXPECT_EQ(RullerTickStep(10, true, 0.05), 250.0);
    EXPECT_EQ(RullerTickStep(10, true, 1), 10.0);
    EXPECT_EQ(RullerTickStep(0, false, 1), 25.0);
    EXPECT_EQ(RullerTickStep(10, true, 0), 0.0);
    EXPECT_EQ(RullerTickStep(10, true, NAN), 0.0);
    EXPECT_EQ(RullerTickStep(10, true, 1e-320), 0.0);
}

TEST(Ruller, RepeatSpeedsUpByQuarterWindows) {
    TManualTimerSource clock;
    TTimerSourceGuard guard(&clock);
    TGraphRuller r;
    r.resize(200, 20);
    r.Loaded();
    r.SetMin(0), r.SetMax(1000), r.SetMinV(0), r.SetMaxV(100);
    Send(&r, QEvent::MouseButtonPress, {195, 10}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(r.Mode(), smBtnDown);
    EXPECT_EQ(r.MaxV(), 125.0f);
    EXPECT_EQ(r.MinV(), 25.0f);
    std::vector<int> intervals{r.RepeatTimer()->GetInterval()};
    for (int i = 0; i < 8; ++i) {
        clock.Advance(intervals.back());
        intervals.push_back(r.RepeatTimer()->GetInterval());
    }
    EXPECT_EQ(intervals, (std::vector<int>{400, 320, 256, 204, 163, 130, 104, 83, 83}));
    EXPECT_EQ(r.MinV(), 25.0f * 9);
    EXPECT_EQ(r.MaxV(), 100 + 25.0f * 9);
    Send(&r, QEvent::MouseButtonRelease, {195, 10}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(r.RepeatTimer(), nullptr);
}

TEST(Ruller, ThumbDragStopsAtMaxAndNoScaleBox) {
    TGraphRuller r;
    r.resize(200, 20);
    r.Loaded();
    r.SetMin(0), r.SetMax(100), r.SetMinV(10), r.SetMaxV(30);
    // Buttons of 20, a track of 160: the thumb spans 36..68.
    EXPECT_EQ(r.VisRect().Left, 36);
    EXPECT_EQ(r.VisRect().Right, 68);
    Send(&r, QEvent::MouseButtonPress, {50, 10}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(r.Mode(), smTrack);
    Send(&r, QEvent::MouseMove, {300, 10}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(r.MaxV(), 100.0f);
    EXPECT_EQ(r.MinV(), 80.0f);
    Send(&r, QEvent::MouseButtonRelease, {300, 10}, Qt::LeftButton, Qt::NoButton);
    r.SetMinV(10), r.SetMaxV(30);
    // The zoom zones reach 4 pixels either side of each end, not 5.
    EXPECT_EQ(r.GetMode(TPoint{36, 10}), smMin);
    EXPECT_EQ(r.GetMode(TPoint{32, 10}), smMin);
    EXPECT_EQ(r.GetMode(TPoint{40, 10}), smMin);
    EXPECT_EQ(r.GetMode(TPoint{31, 10}), smPageUp);
    EXPECT_EQ(r.GetMode(TPoint{41, 10}), smTrack);
    EXPECT_EQ(r.GetMode(TPoint{64, 10}), smMax);
    EXPECT_EQ(r.GetMode(TPoint{72, 10}), smMax);
    EXPECT_EQ(r.GetMode(TPoint{63, 10}), smTrack);
    EXPECT_EQ(r.GetMode(TPoint{73, 10}), smPageDown);
    // Dragged before Min, the thumb stops there keeping its length.
    Send(&r, QEvent::MouseButtonPress, {50, 10}, Qt::LeftButton, Qt::LeftButton);
    Send(&r, QEvent::MouseMove, {-100, 10}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(r.MinV(), 0.0f);
    EXPECT_EQ(r.MaxV(), 20.0f);
    Send(&r, QEvent::MouseButtonRelease, {-100, 10}, Qt::LeftButton, Qt::NoButton);
    r.SetMinV(10), r.SetMaxV(30);
    r.NoScaleBox = true;
    EXPECT_EQ(r.GetMode(TPoint{36, 10}), smTrack);
    EXPECT_EQ(r.GetMode(TPoint{5, 10}), smBtnUp);
    EXPECT_EQ(r.GetMode(TPoint{25, 10}), smPageUp);
    EXPECT_EQ(r.GetMode(TPoint{150, 10}), smPageDown);
}

TEST_F(Rullers, BindingZoomAndDeletion) {
    EXPECT_EQ(box->Rullers().Horz(), horz);
    EXPECT_EQ(box->Rullers().Vert(), vert);
    EXPECT_EQ(horz->Painter(), box);
    EXPECT_EQ(horz->MinV(), 0.0f);
    EXPECT_EQ(horz->MaxV(), 276.0f);
    EXPECT_EQ(vert->MaxV(), 176.0f);
    EXPECT_TRUE(box->Rullers().Visible());
    box->Rullers().SetWorkArea(SRect(0, 0, 1000, 1000));
    EXPECT_EQ(box->Rullers().GetWorkArea(), SRect(0, 0, 1000, 1000));
    // Zoom by the thumb's end: the window 0..138 over 276 pixels is scale 2.
    box->StandartScale = false;
    const TRect v = horz->VisRect();
    Send(horz, QEvent::MouseButtonPress, {v.Right, 12}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(horz->Mode(), smMax);
    const int target = horz->BtnSize() + int(138 * horz->ScrollMst() + 0.5);
    Send(horz, QEvent::MouseMove, {target, 12}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(box->Mst(), 1.0f);  // not before the release
    Send(horz, QEvent::MouseButtonRelease, {target, 12}, Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(box->Mst(), 276.0 / (horz->MaxV() - horz->MinV()), 1e-4);
    EXPECT_GT(box->Mst(), 1.9f);
    // A ruler deleted while bound is forgotten; none clears one.
    delete vert;
    EXPECT_EQ(box->Rullers().Vert(), nullptr);
    box->SetupRullers();
    Send(box, QEvent::MouseMove, {30, 30}, Qt::NoButton, Qt::NoButton);
    box->Rullers().SetHorz(nullptr);
    EXPECT_EQ(box->Rullers().Horz(), nullptr);
    EXPECT_FALSE(box->Rullers().Visible());
}

TEST_F(Rullers, ScalesWithLabelsGolden) {
    box->SetMst(2);
    box->SetupRullers();
    box->Step().SetValue(5);
    horz->SetInfoShown(true);
    Send(box, QEvent::MouseMove, {40, 30}, Qt::NoButton, Qt::NoButton);
    QImage h(horz->size(), QImage::Format_RGB32), v(vert->size(), QImage::Format_RGB32);
    horz->render(&h);
    vert->render(&v);
    EXPECT_TRUE(velt::test::MatchesGolden(h, VELT_PAINTER_TEST_DATA, "ruler-horz"));
    EXPECT_TRUE(velt::test::MatchesGolden(v, VELT_PAINTER_TEST_DATA, "ruler-vert"));
    EXPECT_EQ(horz->CursorPos(), 40);
}

TEST_F(Rullers, SurfaceDeletedWhileBound) {
    QWidget holder;
    horz->setParent(&holder);
    Send(horz, QEvent::MouseButtonPress, {horz->VisRect().Left + 8, 12}, Qt::LeftButton, Qt::LeftButton);
    delete box;
    box = nullptr;
    EXPECT_EQ(horz->Painter(), nullptr);
    Send(horz, QEvent::MouseMove, {200, 12}, Qt::NoButton, Qt::LeftButton);
    Send(horz, QEvent::MouseButtonRelease, {200, 12}, Qt::LeftButton, Qt::NoButton);
    QImage im(horz->size(), QImage::Format_RGB32);
    horz->render(&im);
    horz->setParent(parent.get());
}

TEST_F(Rullers, HoverSetsThePartsCursor) {
    Send(horz, QEvent::MouseMove, {5, 12}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(horz->Mode(), smBtnUp);
    EXPECT_EQ(horz->cursor().shape(), Qt::BitmapCursor);
    Send(horz, QEvent::MouseMove, {horz->BtnPanelRect().Left + 2, 12}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(horz->Mode(), smCustom);
    EXPECT_EQ(horz->cursor().shape(), Qt::ArrowCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Send(horz, QEvent::MouseMove, {5, 12}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(horz->cursor().shape(), Qt::ArrowCursor);  // the application's cursor wins
    QApplication::restoreOverrideCursor();
}

TEST(Ruller, DragOverAndDrop) {
    TGraphRuller r;
    r.resize(200, 20);
    QMimeData data;
    data.setText("x");
    std::string log;
    r.OnDragOver = [&](TCustomRuller*, const TDragSource& s, int x, int, TDragState st, bool& accept) {
        log += "over" + std::to_string(x) + (st == dsDragEnter ? "e " : "m ");
        accept = s.MimeData && s.MimeData->hasText();
    };
    r.OnDragDrop = [&](TCustomRuller*, const TDragSource& s, int x, int) {
        log += "drop" + std::to_string(x) + (s.MimeData == &data ? " " : "? ");
    };
    QDragEnterEvent enter(QPoint(10, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&r, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(12, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&r, &drop);
    EXPECT_EQ(log, "over10e drop12 ");
}

// Every unit at three scales, near the origin and 1000 units away, on
// both rulers: the labels drawn never overlap, each lies where its text
// was drawn, and the long labels at scale 2 in millimetres leave some out.
TEST_F(Rullers, LabelsNeverOverlap) {
    box->Step().SetValue(5);
    int skipped = 0;
    for (int unit = mtPoint; unit <= mtInch; ++unit) {
        box->SetMeasureShow(unit);
        for (float scale : {0.5f, 2.0f, 10.0f}) {
            for (float from : {0.0f, 1000.0f}) {
                box->SetView(SPoint(from, from), TPoint{0, 0}, 0, scale);
                for (TGraphRuller* r : {horz, vert}) {
                    const std::string at = (r == horz ? "horz" : "vert") + std::string(" unit ") +
                                           std::to_string(unit) + " scale " + std::to_string(scale) + " from " +
                                           std::to_string(from);
                    QImage im(r->size(), QImage::Format_RGB32);
                    r->render(&im);
                    const std::vector<TRect>& boxes = r->LabelBoxes();
                    ASSERT_GE(boxes.size(), 1u) << at;
                    for (size_t i = 1; i < boxes.size(); ++i) {
                        const TRect& a = boxes[i - 1];
                        const TRect& b = boxes[i];
                        if (r == horz) EXPECT_GE(b.Left, a.Right + 2) << at;
                        else EXPECT_GE(b.Top, a.Bottom + 2) << at;
                        EXPECT_FALSE(QRect(a.Left, a.Top, a.Width(), a.Height())
                                         .intersects(QRect(b.Left, b.Top, b.Width(), b.Height())))
                            << at;
                    }
                    // Black text pixels inside each label's cell, beside
                    // the tick at its left or top edge.
                    for (const TRect& b : boxes) {
                        int ink = 0;
                        for (int y = std::max(0, b.Top + (r == vert ? 1 : 0)); y < std::min(im.height(), b.Bottom); ++y)
                            for (int x = std::max(0, b.Left + (r == horz ? 1 : 0)); x < std::min(im.width(), b.Right); ++x)
                                ink += (im.pixel(x, y) & 0xFFFFFF) == 0;
                        EXPECT_GT(ink, 3) << at;
                    }
                    const int labelled = int(std::ceil((r == horz ? 276 : 176) / (RullerTickStep(5, true, scale) * scale * 5)));
                    if (int(boxes.size()) + 1 < labelled) ++skipped;
                }
            }
        }
    }
    EXPECT_GT(skipped, 0);
}

TEST_F(Rullers, UnbindingAndRebinding) {
    box->Rullers().SetWorkArea(SRect(-1000, -1000, 1000, 1000));
    auto pressEnd = [](TGraphRuller* r) {
        const QPoint end = r->Kind() == rkHorz ? QPoint(r->width() - 5, 12) : QPoint(12, r->height() - 5);
        Send(r, QEvent::MouseButtonPress, end, Qt::LeftButton, Qt::LeftButton);
        Send(r, QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
    };
    // Bound, the end button scrolls the surface.
    pressEnd(horz);
    EXPECT_LT(box->OrgX(), 0);
    box->SetView(SPoint(0, 0), TPoint{0, 0}, 0, 1);
    // Unbound, it scrolls itself only.
    box->Rullers().SetHorz(nullptr);
    box->Rullers().SetVert(nullptr);
    for (TGraphRuller* r : {horz, vert}) {
        EXPECT_EQ(r->Painter(), nullptr);
        EXPECT_EQ(r->Link(), nullptr);
        EXPECT_FALSE(r->OnChanged);
        const float before = r->MinV();
        pressEnd(r);
        EXPECT_GT(r->MinV(), before);
    }
    EXPECT_EQ(box->OrgX(), 0);
    EXPECT_EQ(box->OrgY(), 0);
    // Bound to a second surface, the first one forgets it.
    box->Rullers().SetRuller(horz);
    auto* other = new TGraphPaint(parent.get());
    other->setGeometry(24, 24, 276, 176);
    other->Rullers().SetRuller(horz);
    EXPECT_EQ(box->Rullers().Horz(), nullptr);
    EXPECT_EQ(other->Rullers().Horz(), horz);
    EXPECT_EQ(horz->Painter(), other);
    other->Rullers().SetWorkArea(SRect(-1000, -1000, 1000, 1000));
    pressEnd(horz);
    EXPECT_EQ(box->OrgX(), 0);
    EXPECT_LT(other->OrgX(), 0);
    // A ruler replaced by another is unbound.
    auto* second = new TGraphRuller(parent.get());
    second->setGeometry(24, 0, 276, 24);
    other->Rullers().SetRuller(second);
    EXPECT_EQ(horz->Painter(), nullptr);
    EXPECT_EQ(second->Painter(), other);
}

TEST(Ruller, PlainRullerReportsItsChange) {
    TCustomRuller r;
    r.resize(200, 20);
    r.SetMin(0), r.SetMax(100), r.SetMinV(0), r.SetMaxV(10);
    TCustomRuller* got = nullptr;
    r.OnChanged = [&](TCustomRuller* sender) { got = sender; };
    Send(&r, QEvent::MouseButtonPress, {195, 10}, Qt::LeftButton, Qt::LeftButton);
    Send(&r, QEvent::MouseButtonRelease, {195, 10}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(got, &r);
}

// A ruler in a window of its own finds the surface through the screen.
TEST_F(Rullers, RulerInItsOwnWindowMarksTheSameWorldPoint) {
    parent->move(100, 100);
    box->SetMst(2);
    box->SetupRullers();
    horz->SetShowCoord(true);
    Send(box, QEvent::MouseMove, {41, 30}, Qt::NoButton, Qt::NoButton);
    QImage im(horz->size(), QImage::Format_RGB32);
    horz->render(&im);
    const int32_t beside = horz->CursorPos();
    const std::vector<TRect> labels = horz->LabelBoxes();
    ASSERT_FALSE(labels.empty());
    auto worldAt = [&](TGraphRuller* r, int32_t pos) {
        return box->ToDevice(r->mapToGlobal(QPoint(pos, 0)).x() - box->mapToGlobal(QPoint(0, 0)).x(), 0).X;
    };
    EXPECT_EQ(worldAt(horz, beside), box->LastPt().X);
    // The same screen column in another top-level window, then moved away.
    TGraphRuller alone;
    alone.setGeometry(horz->mapToGlobal(QPoint(0, 0)).x(), 600, 276, 24);
    box->Rullers().SetRuller(&alone);
    for (int shift : {0, -37}) {
        alone.move(alone.x() + shift, alone.y());
        Send(box, QEvent::MouseMove, {61, 30}, Qt::NoButton, Qt::NoButton);
        Send(box, QEvent::MouseMove, {41, 30}, Qt::NoButton, Qt::NoButton);
        alone.render(&im);
        EXPECT_EQ(alone.CursorPos(), beside - shift);
        EXPECT_EQ(worldAt(&alone, alone.CursorPos()), box->LastPt().X);
        ASSERT_FALSE(alone.LabelBoxes().empty());
        if (shift == 0) EXPECT_EQ(alone.LabelBoxes(), labels);
        // Each label starts a pixel after its tick, at a multiple of 25.
        for (const TRect& b : alone.LabelBoxes()) EXPECT_EQ(std::fmod(worldAt(&alone, b.Left - 1), 25.0f), 0.0f) << b.Left;
    }
    box->Rullers().SetHorz(nullptr);
}

// What the surface and the rulers publish is reachable by name.
TEST_F(Rullers, PublishedPropertiesRoundTrip) {
    auto meta = [](QObject* o, const char* name) { return o->metaObject()->property(o->metaObject()->indexOfProperty(name)); };
    const std::pair<const char*, QVariant> surface[] = {
        {"Mst", QVariant(2.0f)},          {"AutoPaint", QVariant(false)}, {"MeasureType", QVariant(int(mtCMt))},
        {"MeasureShow", QVariant(int(mtInch))}, {"Color", QVariant(int(clYellow))}, {"StandartScale", QVariant(false)},
        {"MinTextTT", QVariant(25)},      {"AutoScroll", QVariant(false)}};
    for (const auto& [name, value] : surface) {
        ASSERT_TRUE(meta(box, name).isValid()) << name;
        EXPECT_TRUE(box->setProperty(name, value)) << name;
        EXPECT_EQ(box->property(name).toInt(), value.toInt()) << name;
    }
    // The unit is an enumeration of six names; others are refused.
    const QMetaProperty mt = meta(box, "MeasureType");
    ASSERT_TRUE(mt.isEnumType());
    EXPECT_EQ(mt.enumerator().keyCount(), 6);
    EXPECT_STREQ(mt.enumerator().valueToKey(int(mtMMt)), "mtMMt");
    EXPECT_EQ(mt.enumerator().valueToKey(7), nullptr);
    box->setProperty("MeasureType", 7);
    box->setProperty("MeasureShow", 255);
    EXPECT_EQ(box->MeasureType(), mtCMt);
    EXPECT_EQ(box->MeasureShow(), mtInch);
    box->setProperty("MinTextTT", -1);
    EXPECT_EQ(box->MinTextTT, 25);
    box->setProperty("Mst", std::nanf(""));
    EXPECT_EQ(box->Mst(), 2.0f);

    const std::pair<const char*, QVariant> ruler[] = {
        {"Tracking", QVariant(true)},  {"Min", QVariant(-50.0f)},    {"Max", QVariant(500.0f)},
        {"MinV", QVariant(-20.0f)},    {"MaxV", QVariant(40.0f)},    {"StdDraw", QVariant(true)},
        {"NoScaleBox", QVariant(true)}, {"ShowCoord", QVariant(false)}, {"AllCoord", QVariant(true)}};
    for (const auto& [name, value] : ruler) {
        ASSERT_TRUE(meta(horz, name).isValid()) << name;
        EXPECT_TRUE(horz->setProperty(name, value)) << name;
        EXPECT_EQ(horz->property(name), value) << name;
    }
    const QMetaProperty kind = meta(vert, "Kind");
    ASSERT_TRUE(kind.isEnumType());
    EXPECT_EQ(kind.enumerator().keyCount(), 2);
    EXPECT_EQ(vert->property("Kind").toInt(), int(rkVert));
    vert->setProperty("Kind", 2);
    EXPECT_EQ(vert->Kind(), rkVert);
    vert->setProperty("Kind", int(rkHorz));
    EXPECT_EQ(vert->Kind(), rkHorz);
    for (const char* name : {"Min", "Max", "MinV", "MaxV"}) {
        const QVariant before = horz->property(name);
        horz->setProperty(name, std::numeric_limits<float>::infinity());
        horz->setProperty(name, std::nanf(""));
        EXPECT_EQ(horz->property(name), before) << name;
    }
}

TEST_F(Rullers, ZoomToAWindowOfNoLengthGivesTheLargestScale) {
    box->SetView(SPoint(0, 0), TPoint{0, 0}, 0, 2);
    box->Rullers().SetWorkArea(SRect(0, 0, 234, 1000));  // one pixel a unit on the track
    ASSERT_EQ(horz->ScrollMst(), 1.0);
    const TRect v = horz->VisRect();
    ASSERT_EQ(v.Left, 21);
    Send(horz, QEvent::MouseButtonPress, {v.Right, 12}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(horz->Mode(), smMax);
    Send(horz, QEvent::MouseMove, {v.Left, 12}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(horz->MaxV(), horz->MinV());
    Send(horz, QEvent::MouseButtonRelease, {v.Left, 12}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(box->Mst(), 100.0f);
}

// Moving the mark repaints where it was and where it is.
TEST_F(Rullers, MarkRepaintsItsOldAndNewPlace) {
    struct Regions : QObject {
        QRegion got;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) got += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } regions;
    parent->show();
    Send(box, QEvent::MouseMove, {40, 30}, Qt::NoButton, Qt::NoButton);
    QCoreApplication::processEvents();
    const TRect was = horz->MarkRect(horz->CursorPos());
    horz->installEventFilter(&regions);
    Send(box, QEvent::MouseMove, {140, 30}, Qt::NoButton, Qt::NoButton);
    QCoreApplication::processEvents();
    horz->removeEventFilter(&regions);
    const TRect now = horz->MarkRect(horz->CursorPos());
    EXPECT_NE(was, now);
    EXPECT_TRUE(regions.got.contains(QRect(was.Left, was.Top, was.Width(), was.Height())));
    EXPECT_TRUE(regions.got.contains(QRect(now.Left, now.Top, now.Width(), now.Height())));
    EXPECT_FALSE(regions.got.contains(QPoint(was.Right + 40, was.Top)));
    parent->hide();
}

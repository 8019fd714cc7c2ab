// velt-painter's box and link: their stored forms, how a link is drawn and
// how its ends connect to a box's pins, and the box's name page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <cmath>
#include <cstring>

#include "examples/painter/tests/ExampleDrawing.h"
#include "foundation/SysUtils.h"
#include "painter/dPainter.h"
#include "platform/ui/DialogRunner.h"

using namespace velt;
using namespace velt::test;

namespace {

class BoxLink : public ::testing::Test {
protected:
    void SetUp() override { RegisterPainterExampleClasses(); }
};

// Every segment of the link is horizontal or vertical.
bool Orthogonal(TGrfLink& l) {
    for (int i = 1; i < l.Points().GetCount(); ++i) {
        const TSPoint a = l.Points().At(i - 1), b = l.Points().At(i);
        if (a.X != b.X && a.Y != b.Y) return false;
    }
    return true;
}

std::string Points(TGrfLink& l) {
    std::string s;
    for (int i = 0; i < l.Points().GetCount(); ++i)
        s += (i ? " " : "") + Fmt(l.Points().At(i).X) + "," + Fmt(l.Points().At(i).Y);
    return s;
}

TEST_F(BoxLink, BothStoredFormsKeepTheDrawing) {
    auto root = TVerUdov::NewRoot<TGrfRootComp>();
    BuildExample(*root);
    const std::string want = Summary(*root);
    EXPECT_EQ(want,
              "TGrfBox Source (20, 20, 60, 40) [1: Link1.0]\n"
              "TGrfBox Filter (100, 20, 140, 40) [1: Link2.0] [2: Link3.0] [3: Link1.1]\n"
              "TGrfBox Sink (180, 20, 220, 40) [3: Link2.1]\n"
              "TGrfBox Log (150, 80, 190, 100) [0: Link3.1]\n"
              "TGrfLink Link1 60,30 100,30 [0: Source.1] [1: Filter.3]\n"
              "TGrfLink Link2 140,30 180,30 [0: Filter.1] [1: Sink.3]\n"
              "TGrfLink Link3 120,40 120,60 170,60 170,80 [0: Filter.2] [1: Log.0]\n");

    TMemoryStream bin;
    WriteVerUdov(bin, root.get());
    bin.SetPosition(0);
    TVerUdovPtr<> readBin = ReadVerUdov(bin);
    ASSERT_TRUE(dynamic_cast<TGrfRootComp*>(readBin.get()));
    EXPECT_EQ(Summary(*static_cast<TGrfRootComp*>(readBin.get())), want);

    TMemoryStream text;
    {
        TTextWriter w(text);
        w.WriteComp(root.get());
    }
    text.SetPosition(0);
    TTextReader r(text);
    TVerUdovPtr<> readText = r.ReadComp();
    ASSERT_TRUE(dynamic_cast<TGrfRootComp*>(readText.get()));
    EXPECT_EQ(Summary(*static_cast<TGrfRootComp*>(readText.get())), want);
}

TEST_F(BoxLink, BrokenBoxAndLinkRecordsAreRefused) {
    auto box = TVerUdov::NewRoot<TGrfBox>();
    box->Name = "B";
    TMemoryStream m;
    WriteVerUdov(m, box.get());
    const std::string good(static_cast<const char*>(m.Memory()), size_t(m.GetSize()));
    // From the end: the children's count, the 4 pins (8 + 64 bytes), H, W.
    const size_t pinCount = good.size() - 4 - 72, w = pinCount - 8;
    auto read = [](std::string bytes) {
        TMemoryStream s;
        s.WriteBuffer(bytes.data(), int64_t(bytes.size()));
        s.SetPosition(0);
        return ReadVerUdov(s);
    };
    EXPECT_TRUE(read(good));
    auto patched = [&](size_t at, const void* v, size_t n) {
        std::string b = good;
        std::memcpy(b.data() + at, v, n);
        return b;
    };
    const float zero = 0, nan = std::nanf(""), huge = 1e6f;
    const int32_t three = 3;
    for (const std::string& bad : {patched(w, &zero, 4), patched(w, &nan, 4), patched(w + 4, &huge, 4),
                                   patched(pinCount, &three, 4), good.substr(0, good.size() - 30)})
        EXPECT_THROW(read(bad), Exception);

    auto link = TVerUdov::NewRoot<TGrfLink>();
    link->AddPoint({0, 0});
    link->AddPoint({10, 0});
    TMemoryStream lm;
    WriteVerUdov(lm, link.get());
    std::string lb(static_cast<const char*>(lm.Memory()), size_t(lm.GetSize()));
    // The points' record size is 10: a list of 2 at offset end - 4 - 40 - 28.
    const size_t pts = lb.size() - 4 - (8 + 32) - (8 + 20);
    int32_t n = 0;
    std::memcpy(&n, lb.data() + pts, 4);
    ASSERT_EQ(n, 2);
    const float inf = INFINITY;
    std::string badPoint = lb;
    std::memcpy(badPoint.data() + pts + 8, &inf, 4);
    EXPECT_THROW(read(badPoint), Exception);
    EXPECT_TRUE(read(lb));
}

TEST_F(BoxLink, AnEndMovedOnATwoPointLinkGetsBendsAndTheOtherEndStays) {
    auto link = TVerUdov::NewRoot<TGrfLink>();
    link->AddPoint({0, 0});
    link->AddPoint({40, 0});
    link->MoveEnd(1, {40, 20});
    EXPECT_EQ(Points(*link), "0,0 20,0 20,20 40,20");
    EXPECT_TRUE(Orthogonal(*link));
    // Through its connection list, as a pin moves it.
    link->GetConnList().SetCoord(0, {-10, 5});
    EXPECT_EQ(Points(*link), "-10,5 20,5 20,20 40,20");
    EXPECT_TRUE(Orthogonal(*link));
    EXPECT_EQ(link->GetX(), -10);
    EXPECT_EQ(link->GetY(), 5);
    // A vertical one is bent across its middle.
    auto down = TVerUdov::NewRoot<TGrfLink>();
    down->AddPoint({0, 0});
    down->AddPoint({0, 40});
    down->MoveEnd(1, {30, 40});
    EXPECT_EQ(Points(*down), "0,0 0,20 30,20 30,40");
}

// Fault: the neighbour of a moved end slid off the line before it.
TEST_F(BoxLink, AMovedEndLeavesEverySegmentSquare) {
    const struct {
        std::initializer_list<TSPoint> line;
        int end;
        TSPoint to;
        const char* want;
    } cases[] = {
        // In line: a bend keeps the end's segment horizontal.
        {{{70, 35}, {85, 35}, {100, 35}}, 1, {100, 65}, "70,35 85,35 85,65 100,65"},
        {{{70, 35}, {85, 35}, {100, 35}}, 0, {60, 20}, "60,20 85,20 85,35 100,35"},
        {{{0, 0}, {0, 20}, {0, 50}}, 1, {30, 50}, "0,0 0,20 30,20 30,50"},
        // Across: the neighbour slides along the segment after it.
        {{{0, 0}, {20, 0}, {20, 30}, {50, 30}}, 1, {50, 45}, "0,0 20,0 20,45 50,45"},
        {{{0, 0}, {0, 20}, {30, 20}}, 0, {10, -5}, "10,-5 10,20 30,20"},
        // Already square with the neighbour: the end alone.
        {{{0, 0}, {20, 0}, {20, 30}}, 0, {-15, 0}, "-15,0 20,0 20,30"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        auto link = TVerUdov::NewRoot<TGrfLink>();
        for (const TSPoint& p : c.line) link->AddPoint(p);
        link->MoveEnd(c.end, c.to);
        EXPECT_EQ(Points(*link), c.want);
        EXPECT_TRUE(Orthogonal(*link));
    }
    // A fixed neighbour stays; a bend goes in before it.
    auto link = TVerUdov::NewRoot<TGrfLink>();
    for (const TSPoint& p : {TSPoint{0, 0}, TSPoint{20, 0}, TSPoint{20, 30}}) link->AddPoint(p);
    TLinkPointInfo fixed = link->Points().GetInfo(1);
    fixed.Fixed = 1;
    std::memcpy(const_cast<TLinkPoints&>(link->Points()).GetItem(1), &fixed, sizeof fixed);
    link->MoveEnd(0, {-10, 10});
    EXPECT_EQ(Points(*link), "-10,10 20,10 20,0 20,30");
    EXPECT_TRUE(Orthogonal(*link));
}

TEST_F(BoxLink, DrawingPointByPointStaysOrthogonalAndDropsRepeatedClicks) {
    auto link = TVerUdov::NewRoot<TGrfLink>();
    TEditInfo info;
    info.Init(10, 10);
    link->QueryFirstPoint(info);
    EXPECT_TRUE(link->Drawing());
    EXPECT_EQ(int(info.EditType), etMovePoint);
    EXPECT_EQ(int(info.PointInfo.Kind), epLinkEnd());
    EXPECT_EQ(int(info.PointInfo.Index), 1);
    auto moveTo = [&](float x, float y) {
        info.X = x;
        info.Y = y;
        link->Moving(info);
    };
    moveTo(50, 14);  // nearer a horizontal line
    link->QueryNextPoint(info);
    // Still the last end, now the third point.
    EXPECT_EQ(int(info.PointInfo.Kind), epLinkEnd());
    EXPECT_EQ(int(info.PointInfo.Index), 1);
    moveTo(47, 40);  // nearer a vertical one
    link->QueryNextPoint(info);
    link->QueryNextPoint(info);  // the clicks of the double click
    link->EndMove(info);
    EXPECT_FALSE(link->Drawing());
    EXPECT_EQ(Points(*link), "10,10 50,10 50,40");
    link->QueryNextPoint(info);
    EXPECT_EQ(int(info.EditType), etNone);
}

TEST_F(BoxLink, PinsTakeALinkEndWithinReachAndPutItOnThePin) {
    TGraphPaint paint;
    paint.resize(200, 200);
    paint.SetMst(2);
    auto root = TVerUdov::NewRoot<TGrfRootComp>();
    root->SetBox(&paint);
    TGrfBox* box = AddBox(*root, "B", 100, 20);  // pin 3 at (100, 30)
    TGrfLink* link = AddLink(*root, "L", {{40, 10}, {70, 10}, {70, 32}, {102.5f, 32}});
    TConnList& ends = link->GetConnList();
    // 2.5 and 2 units are 5 and 4 pixels at 2 pixels a unit: within reach.
    EXPECT_TRUE(box->TryConnect(*link, 1, true));
    EXPECT_FALSE(ends.GetConn(1).Connected());
    EXPECT_EQ(Points(*link), "40,10 70,10 70,32 102.5,32");
    EXPECT_FALSE(box->TryConnect(*link, 0, true));
    EXPECT_TRUE(box->TryConnect(*link, 1, false));
    EXPECT_TRUE(ends.GetConn(1).Connected());
    EXPECT_EQ(int32_t(ends.GetConn(1).Connection), int32_t(box->GetConnList().GetConn(3).Connection));
    EXPECT_TRUE(box->GetConnList().GetConn(3).Connected());
    EXPECT_EQ(Points(*link), "40,10 70,10 70,30 100,30");
    EXPECT_TRUE(Orthogonal(*link));
    // Another group, or another box's pin, is not taken.
    ends.Conn(0)->Group = 7;
    link->MoveEnd(0, {120, 20});
    EXPECT_FALSE(box->TryConnect(*link, 0, true));
    TGrfBox* other = AddBox(*root, "C", 0, 0);
    EXPECT_FALSE(box->TryConnect(*other, 1, true));
    // Out of reach: 4 units are 8 pixels.
    TGrfLink* far = AddLink(*root, "F", {{0, 60}, {104, 60}});
    far->MoveEnd(1, {104, 30});
    EXPECT_FALSE(box->TryConnect(*far, 1, true));
}

TEST_F(BoxLink, LinkHitTestPrefersPointsThenSegments) {
    TGraphPaint paint;
    paint.resize(200, 200);
    auto link = TVerUdov::NewRoot<TGrfLink>();
    link->AddPoint({10, 10});
    link->AddPoint({60, 10});
    link->AddPoint({60, 50});
    TEditInfo info;
    info.Init(61, 49);
    link->Find(&paint, info);
    EXPECT_EQ(int(info.EditType), etMovePoint);
    EXPECT_EQ(int(info.PointInfo.Index), 1);  // the last end
    EXPECT_EQ(int(info.PointInfo.Kind), epLinkEnd());
    EXPECT_EQ(int(info.PointInfo.Shape), 1);
    info.Init(60, 11);
    link->Find(&paint, info);
    EXPECT_EQ(int(info.PointInfo.Index), 1);  // the bend, point 1
    EXPECT_EQ(int(info.PointInfo.Kind), epLinkPoint());
    EXPECT_EQ(int(info.PointInfo.Shape), 0);
    info.Init(30, 13);
    link->Find(&paint, info);
    EXPECT_EQ(int(info.EditType), etMove);
    info.Init(30, 20);
    link->Find(&paint, info);
    EXPECT_EQ(int(info.EditType), etNone);
}

// Types a name on the box's page and presses the button.
class TNameAnswer : public TDialogRunner {
public:
    TNameAnswer(QString name, bool ok) : name_(std::move(name)), ok_(ok) {}
    int Run(QDialog& dialog) override {
        ++runs;
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("EdName"));
        if (!edit) return 2;
        // A null name: Ok without typing.
        if (name_.isNull()) return ok_ ? 1 : 2;
        edit->selectAll();
        // Typed as an input method commits it (the keys of QTest are ASCII).
        QInputMethodEvent typed;
        typed.setCommitString(name_);
        QApplication::sendEvent(edit, &typed);
        return ok_ ? 1 : 2;
    }
    int runs = 0;

private:
    QString name_;
    bool ok_;
};

TEST_F(BoxLink, TheNamePageRefusesANameCodePage1251Lacks) {
    auto box = TVerUdov::NewRoot<TGrfBox>();
    box->Name = "Box1";
    try {
        box->SetName("Box 中");
        ADD_FAILURE() << "not refused";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "The name \"Box 中\" cannot be stored: code page 1251 lacks some of its characters");
    }
    EXPECT_EQ(box->Name, "Box1");

    auto run = [&](const QString& name, bool ok) {
        ComPtr<TIntfList> list = TIntfList::Create();
        list->Add(static_cast<IPropertyEdit*>(box.get()));
        TNameAnswer answer(name, ok);
        TDialogRunnerGuard guard(&answer);
        std::unique_ptr<TPropEditor> editor = CraatePropEditor(list.get());
        const bool result = editor->Execute();
        EXPECT_EQ(answer.runs, 1);
        FreePropEditor(editor);
        return result;
    };
    EXPECT_THROW(run(QStringLiteral("Box 中"), true), Exception);
    EXPECT_EQ(box->Name, "Box1");
    EXPECT_FALSE(run(QStringLiteral("Фільтр"), false));
    EXPECT_EQ(box->Name, "Box1");
    EXPECT_TRUE(run(QStringLiteral("Фільтр"), true));
    EXPECT_EQ(box->Name, "Фільтр");

    // Two boxes share the page, which shows the last one's name: Ok without
    // an edit renames neither.
    auto other = TVerUdov::NewRoot<TGrfBox>();
    other->Name = "Other";
    {
        ComPtr<TIntfList> list = TIntfList::Create();
        list->Add(static_cast<IPropertyEdit*>(box.get()));
        list->Add(static_cast<IPropertyEdit*>(other.get()));
        TNameAnswer answer(QString(), true);
        TDialogRunnerGuard guard(&answer);
        std::unique_ptr<TPropEditor> editor = CraatePropEditor(list.get());
        EXPECT_TRUE(editor->Execute());
        EXPECT_EQ(answer.runs, 1);
    }
    EXPECT_EQ(box->Name, "Фільтр");
    EXPECT_EQ(other->Name, "Other");

    // Another object's dialog is not the box's.
    TDlgPainterSetup setup;
    setup.setProperty("Tag", 1);
    box->ApplyData(setup);
    EXPECT_EQ(box->Name, "Фільтр");
}

}  // namespace

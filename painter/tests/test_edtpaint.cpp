// The editing canvas driven as a user drives it: real mouse events through
// QTest on an offscreen widget, a manual clock so that separate clicks are
// never a double click, and components of its own test classes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QTest>
#include <QToolTip>
#include <memory>
#include <string>
#include <vector>

#include "foundation/SysUtils.h"
#include "foundation/Utils.h"
#include "painter/ClipUtil.h"
#include "painter/EdtClip.h"
#include "painter/EdtComp.h"
#include "painter/EdtPaint.h"
#include "painter/IGrfTopo.h"
#include "painter/PainterUnits.h"
#include "painter/tests/TestLink.h"
#include "painter/dPainter.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/tests/GoldenImage.h"
#include "platform/ui/TimerSource.h"

namespace velt::test {
namespace {

// A box of 40 x 20 at its position: point 0 its top left, point 1 its
// bottom right (which sizes it). It offers one pin at its top left for
// links, a drop target that records what it is told, and a few switches.
class TTestBox : public TGrfEditComp,
                 public virtual ILinkedObject,
                 public virtual IDrop,
                 public virtual IMouseClickSupport {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TTestBox", &TGrfEditComp::Class(), &MakeComponent<TTestBox>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<ILinkedObject>(this, iid, obj) == S_OK) return S_OK;
        if (Droppable && QueryFor<IDrop>(this, iid, obj) == S_OK) return S_OK;
        if (Clickable && QueryFor<IMouseClickSupport>(this, iid, obj) == S_OK) return S_OK;
        return TGrfEditComp::QueryInterface(iid, obj);
    }
    int GetPointsCount() override { return 2; }
    void GetPoints(int index, TEditPointInfo& info) override {
        info.Init();
        info.Index = index;
        info.X = GetX() + (index == 1 ? W : 0);
        info.Y = GetY() + (index == 1 ? H : 0);
    }
    void Moving(TEditInfo& info) override {
        if (info.EditType == etMovePoint && info.PointInfo.Index == 1) {
            W = info.X - GetX(), H = info.Y - GetY();
        } else if (info.EditType == etMovePoint) {
            PutPos(info.X, info.Y);
        } else {
            PutPos(GetX() + info.DX, GetY() + info.DY);
        }
        Conns.SetCoordOf(0, TSPoint{GetX(), GetY()});
    }
    void Draw(TGraphPaint& p) override {
        if (PaintFails) throw Exception("box cannot draw");
        ++Paints;
        p.DefPen(psSolid, clBlack, 0);
        p.DefBrush(bsClear, clWhite);
        p.Rectangle(GetX(), GetY(), GetX() + W, GetY() + H);
    }
    bool CanDelete() override { return Deletable; }
    void GetHint(const TEditInfo& info, std::string& s) override {
        TGrfEditComp::GetHint(info, s);
        if (!GetSelected()) s = Name;
    }
    void QueryFirstPoint(TEditInfo& info) override {
        if (FirstPointFails) throw Exception("no point");
        if (FirstPointLacksInterface) throw EIntfCastError("Interface not supported");
        TGrfEditComp::QueryFirstPoint(info);
    }
    void WriteData(TStream& s) override {
        TGrfEditComp::WriteData(s);
        Conns.SaveToStream(s);
    }
    void ReadData(TStream& s) override {
        TGrfEditComp::ReadData(s);
        Conns.LoadFromStream(s);
    }

    // ILinkedObject: the box leads, its points never follow.
    class TBoxConns : public TConnList {
    public:
        TSPoint GetCoord(int) override { return At; }
        void SetCoordOf(int, TSPoint p) { At = p; }
        TSPoint At{};
    };
    TConnList& GetConnList() override { return Conns; }
    TConnObject GetConnObject() override { return coNode; }
    bool IsRigid() override { return true; }
    bool TryConnect(ILinkedObject&, int, bool) override { return false; }
    void SetFollow(int, bool) override {}
    int Level() override { return 1; }

    // IDrop
    bool DragOver(const TDragSource&, TDragState state, TPoint) override {
        DropLog += std::to_string(int(state));
        return true;
    }
    void Drop(const TDragSource&, TPoint) override { DropLog += "D"; }

    void DoubleClick(TGraphPaint&) override { ++DoubleClicks; }
    bool EditMouseDown(uint8_t, uint8_t, float, float) override {
        ++EditDowns;
        return true;
    }

    float W = 40, H = 20;
    TBoxConns Conns;
    int DoubleClicks = 0, EditDowns = 0;
    bool Clickable = false, Droppable = false, PaintFails = false, Deletable = true, FirstPointFails = false,
         FirstPointLacksInterface = false;
    int Paints = 0;
    std::string DropLog;

protected:
    ~TTestBox() override = default;
};

// A task of the root that counts group moves and edits.
class TGroupTask : public TStdTask, public virtual IGroupMove {
public:
    static const CoComp::TCoClassDesc& Class() {
        static const CoComp::TCoClassDesc d("TGroupTask", &TStdTask::Class(),
                                            Guid{0x7A1B0001, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}}, nullptr);
        return d;
    }
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<IGroupMove>(this, iid, obj) == S_OK) return S_OK;
        return TStdTask::QueryInterface(iid, obj);
    }
    void BeginGroup() override { Log += "B"; }
    void EndGroup() override { Log += "E"; }
    std::string Log;
};

// A root extension that draws before or after the components.
class TOverDrawer : public CoComp::TCoObject, public virtual IOverDraw {
public:
    TOverDrawer(TOverrideMode mode, std::string& log) : mode_(mode), log_(log) {}
    static const CoComp::TCoClassDesc& Class() {
        static const CoComp::TCoClassDesc d("TOverDrawer", &CoComp::TCoObject::Class(),
                                            Guid{0x7A1B0002, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}}, nullptr);
        return d;
    }
    const CoComp::TCoClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<IOverDraw>(this, iid, obj) == S_OK) return S_OK;
        return CoComp::TCoObject::QueryInterface(iid, obj);
    }
    TOverrideMode GetOverrideMode() override { return mode_; }
    void OverDraw(TGraphPaint&) override { log_ += mode_ == omBefore ? "<" : ">"; }

private:
    TOverrideMode mode_;
    std::string& log_;
};

void Register() {
    static const bool done = [] {
        RegisterEditComps();
        RegisterGrfClasses({&TTestBox::Class(), &TTestLink::Class()});
        ClipUtilStartup();
        return true;
    }();
    (void)done;
}

class EditCanvas : public ::testing::Test {
protected:
    void SetUp() override {
        Register();
        PainterStartup();
        QApplication::clipboard()->clear();
        parent = std::make_unique<QWidget>();
        parent->resize(W, H);
        canvas = new TEditGraphPaint(parent.get());
        canvas->resize(W, H);
        parent->show();
        root = canvas->GetRoot();
    }
    void TearDown() override {
        parent.reset();
        PainterShutdown();
    }

    TTestBox* Box(float x, float y, const std::string& name = {}) {
        auto* b = TVerUdov::New<TTestBox>(root);
        b->Name = name;
        b->Move(x, y);
        canvas->UpdateLists(ulAll);
        return b;
    }
    TTestLink* Link(TSPoint a, TSPoint b) {
        auto* l = TVerUdov::New<TTestLink>(root);
        l->P[0] = a, l->P[1] = b;
        TConnectionInfo c;
        c.Init(0, ctLineBeg);
        l->Conns.Add(c);
        c.Init(1, ctLineEnd);
        l->Conns.Add(c);
        canvas->UpdateLists(ulAll);
        return l;
    }
    // Each press a second after the last: never a double click.
    void Press(QPoint at, Qt::KeyboardModifiers mods = {}, Qt::MouseButton b = Qt::LeftButton) {
        clock.Advance(1000);
        QTest::mousePress(canvas, b, mods, at);
    }
    void Click(QPoint at, Qt::KeyboardModifiers mods = {}, Qt::MouseButton b = Qt::LeftButton) {
        Press(at, mods, b);
        QTest::mouseRelease(canvas, b, mods, at);
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
        Press(from, mods);
        QTest::mouseMove(canvas, (from + to) / 2);
        QTest::mouseMove(canvas, to);
        QTest::mouseRelease(canvas, Qt::LeftButton, mods, to);
    }
    std::vector<TGrfEditComp*> Selected() {
        std::vector<TGrfEditComp*> out;
        ComPtr<IGVIntfList> s = canvas->GetSelected();
        for (int i = 0; i < s->GetCount(); ++i) out.push_back(dynamic_cast<TGrfEditComp*>(s->GetView(i).get()));
        return out;
    }
    QImage Shot() {
        canvas->Update();
        return canvas->Image().copy();
    }
    unsigned Px(int x, int y) { return Shot().pixel(x, y) & 0xFFFFFF; }

    int W = 300, H = 200;
    TManualTimerSource clock;
    TTimerSourceGuard clockGuard{&clock};
    std::vector<std::string> reports;
    TExceptionReporterGuard reporter{[this](const std::exception& e) { reports.push_back(e.what()); }};
    std::unique_ptr<QWidget> parent;
    TEditGraphPaint* canvas = nullptr;
    TGrfEditComp* root = nullptr;
};

// ---- selection by the mouse -----------------------------------------------------------

TEST_F(EditCanvas, ClicksSelectShiftTogglesEmptySpaceDeselects) {
    TTestBox* a = Box(20, 20);
    TTestBox* b = Box(120, 20);
    int changes = 0;
    canvas->OnSelectedChanged = [&](QObject*) { ++changes; };
    const QImage plain = Shot();

    Click({40, 30});
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{a}));
    // The markers of a selected box: filled squares at its two points,
    // drawn inverting.
    const QImage marked = Shot();
    // Red inverted: aqua on white, red on the black outline.
    EXPECT_EQ(marked.pixel(18, 18) & 0xFFFFFF, 0x00FFFFu);
    EXPECT_EQ(marked.pixel(20, 20) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(marked.pixel(62, 42) & 0xFFFFFF, 0x00FFFFu);
    EXPECT_EQ(marked.pixel(60, 40) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(marked.pixel(64, 44), plain.pixel(64, 44));
    EXPECT_EQ(marked.pixel(120, 20), plain.pixel(120, 20));

    Click({140, 30}, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{a, b}));
    Click({40, 30}, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{b}));
    EXPECT_FALSE(a->GetSelected());
    Click({250, 150});
    EXPECT_TRUE(Selected().empty());
    EXPECT_FALSE(b->GetSelected());
    // Every marker is gone again, pixel for pixel.
    EXPECT_EQ(Shot(), plain);
    EXPECT_GE(changes, 4);
}

TEST_F(EditCanvas, BodyAndPointDragsSnapToTheStep) {
    TTestBox* a = Box(20, 20);
    Click({40, 30});
    // Pressed at (40, 30), let go at (73, 57): (70, 60) snapped, 30 and 30.
    Drag({40, 30}, {73, 57});
    EXPECT_EQ(a->GetX(), 50.0f);
    EXPECT_EQ(a->GetY(), 50.0f);
    EXPECT_EQ(canvas->WorkMode(), wmNone);
    EXPECT_FALSE(a->GetMoved());
    // The bottom-right point at (90, 70) dragged to (118, 92): (120, 90).
    Drag({90, 70}, {118, 92});
    EXPECT_EQ(a->W, 70.0f);
    EXPECT_EQ(a->H, 40.0f);
    EXPECT_EQ(a->GetX(), 50.0f);
    // The drawing shows the box at its new place: its right edge at 120.
    EXPECT_EQ(Px(120, 70), 0u);
}


// Fault: after a Shift-click that deselected, the drag moved the other
// selected component by the deselected one's point.
TEST_F(EditCanvas, ShiftClickThatDeselectsStartsNoDrag) {
    TTestBox* a = Box(20, 20);
    TTestBox* b = Box(120, 20);
    Click({40, 30});
    Click({140, 30}, Qt::ShiftModifier);
    // On a's bottom-right point, with Shift: a is deselected; then dragged.
    Drag({60, 40}, {90, 80}, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{b}));
    EXPECT_EQ(b->GetX(), 120.0f);
    EXPECT_EQ(b->W, 40.0f);
    EXPECT_EQ(a->GetX(), 20.0f);
    EXPECT_EQ(a->W, 40.0f);
    // The next press starts gestures again; two selected move together.
    Drag({140, 30}, {150, 30});
    EXPECT_EQ(b->GetX(), 130.0f);
    Click({40, 30}, Qt::ShiftModifier);
    Drag({150, 30}, {170, 60});
    EXPECT_EQ(a->GetX(), 40.0f);
    EXPECT_EQ(a->GetY(), 50.0f);
    EXPECT_EQ(b->GetX(), 150.0f);
    EXPECT_EQ(b->GetY(), 50.0f);
}

TEST_F(EditCanvas, LinkEndFollowsTheDraggedBox) {
    TTestBox* a = Box(20, 20);
    a->Conns.SetCoordOf(0, TSPoint{20, 20});
    TConnectionInfo pin;
    pin.Init(0, ctPin);
    a->Conns.Add(pin);
    TTestLink* l = Link({20, 20}, {5, 150});
    l->Conns.Conn(0)->Connect(*a->Conns.Conn(0));
    const int32_t id = a->Conns.Conn(0)->Connection;
    Click({40, 30});
    Drag({40, 30}, {70, 60});
    EXPECT_TRUE(reports.empty()) << reports[0];
    EXPECT_EQ(a->GetX(), 50.0f);
    EXPECT_EQ(l->P[0].X, 50.0f);
    EXPECT_EQ(l->P[0].Y, 50.0f);
    EXPECT_EQ(l->P[1].X, 5.0f);
    // Still linked, and no drag marks are left behind.
    EXPECT_TRUE(l->Conns.GetConn(0).Connected());
    EXPECT_EQ(l->Conns.GetConn(0).Connection, id);
    for (TConnList* list : {static_cast<TConnList*>(&a->Conns), static_cast<TConnList*>(&l->Conns)})
        for (int i = 0; i < list->GetCount(); ++i) {
            EXPECT_FALSE(list->GetConn(i).GetAttr(cnaCanConnect));
            EXPECT_FALSE(list->GetConn(i).GetAttr(cnaSlaveMoved));
        }
    EXPECT_FALSE(l->GetMoved());
}

// A dragged link takes the link joined to its end along, and only that.
TEST_F(EditCanvas, ADraggedLinkTakesTheLinkJoinedToItsEnd) {
    TTestBox* a = Box(150, 100);
    TTestLink* x = Link({20, 20}, {60, 20});
    TTestLink* y = Link({60, 20}, {60, 80});
    TTestLink* z = Link({200, 20}, {250, 20});
    x->Conns.Conn(1)->Connect(*y->Conns.Conn(0));
    canvas->SelectComp(*a, true);
    canvas->SelectComp(*x, true);
    Drag({170, 110}, {200, 140});
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(a->GetX(), 180.0f);
    EXPECT_EQ(x->P[1].X, 90.0f);
    EXPECT_EQ(x->P[1].Y, 50.0f);
    EXPECT_EQ(y->P[0].X, 90.0f);
    EXPECT_EQ(y->P[0].Y, 50.0f);
    EXPECT_EQ(y->P[1].Y, 80.0f);
    EXPECT_EQ(z->P[0].X, 200.0f);
    EXPECT_TRUE(y->Conns.GetConn(0).Connected());
}

// ---- commands -------------------------------------------------------------------------

TEST_F(EditCanvas, DeleteSkipsWhatMayNotGoAndNeverTheRoot) {
    TTestBox* a = Box(20, 20);
    TTestBox* keep = Box(120, 20);
    keep->Deletable = false;
    ComPtr<TGrfEditComp> aHeld(a);
    canvas->SelectAll(true);
    canvas->Delete();
    EXPECT_TRUE(a->IsDestroyed());
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{keep}));
    EXPECT_EQ(root->GetComponentCount(), 1);
    // Fault: Esc on a top-level component selected the root, and Delete
    // then released the whole drawing.
    canvas->SelectByKey(27);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{keep}));
    EXPECT_FALSE(root->GetSelected());
    keep->Deletable = true;
    canvas->SelectComp(*root, true);
    canvas->Delete();
    EXPECT_FALSE(root->IsDestroyed());
    EXPECT_EQ(canvas->GetRoot(), root);
    EXPECT_EQ(root->GetComponentCount(), 0);
}

TEST_F(EditCanvas, OverlappingComponentsTheTopOneIsHit) {
    TTestBox* under = Box(20, 20);
    TTestBox* over = Box(40, 30);
    Click({50, 35});
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{over}));
    // Drawn last, so on top: brought underneath, the other is hit.
    canvas->SendTo(true);
    Click({250, 150});
    Click({50, 35});
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{under}));
}

TEST_F(EditCanvas, AShiftClickTakesOneOfThreeOffAndTheDragMovesTheOtherTwo) {
    TTestBox* a = Box(20, 20);
    TTestBox* b = Box(120, 20);
    TTestBox* c = Box(20, 120);
    Click({40, 30});
    Click({140, 30}, Qt::ShiftModifier);
    Click({40, 130}, Qt::ShiftModifier);
    EXPECT_EQ(Selected().size(), 3u);
    Click({140, 30}, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{a, c}));
    Drag({40, 30}, {60, 50});
    EXPECT_EQ(a->GetX(), 40.0f);
    EXPECT_EQ(a->GetY(), 40.0f);
    EXPECT_EQ(c->GetX(), 40.0f);
    EXPECT_EQ(c->GetY(), 140.0f);
    EXPECT_EQ(b->GetX(), 120.0f);
    EXPECT_EQ(b->GetY(), 20.0f);
}

// A root that itself may be deleted: Delete still never takes it.
TEST_F(EditCanvas, DeleteWithTheRootSelectedLeavesTheDrawing) {
    TVerUdovPtr<TTestBox> top = TVerUdov::NewRoot<TTestBox>();
    auto* child = TVerUdov::New<TTestBox>(top.get());
    child->Move(20, 20);
    canvas->SetMainRoot(top.get());
    canvas->SelectAll(true);
    canvas->SelectComp(*top, true);
    EXPECT_EQ(Selected().size(), 2u);
    ComPtr<TGrfEditComp> held(child);
    canvas->Delete();
    EXPECT_TRUE(child->IsDestroyed());
    EXPECT_FALSE(top->IsDestroyed());
    EXPECT_EQ(canvas->GetRoot(), top.get());
    EXPECT_EQ(top->GetComponentCount(), 0);
    canvas->SetMainRoot(nullptr);
}

TEST_F(EditCanvas, EscSelectsTheParentSendToOrders) {
    TTestBox* outer = Box(20, 20);
    auto* inner = TVerUdov::New<TTestBox>(outer);
    inner->Move(30, 30);
    canvas->MultiLevelEdit().SetEnabled(true);
    canvas->UpdateLists(ulAll);
    canvas->SelectComp(*inner, true);
    canvas->SelectByKey(27);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{outer}));
    // Back is the first place (drawn first, underneath), front the last.
    TTestBox* b = Box(30, 30);
    canvas->SelectByKey(27);
    canvas->SendTo(false);
    EXPECT_EQ(root->GetComponent(1), outer);
    canvas->SendTo(true);
    EXPECT_EQ(root->GetComponent(0), outer);
    EXPECT_EQ(root->GetComponent(1), b);
}


// Fault: commands during a drag changed the lists under it.
TEST_F(EditCanvas, CommandsDuringADragEndItFirst) {
    Box(20, 20);
    Box(120, 20);
    using Cmd = std::function<void()>;
    for (const Cmd& cmd : {Cmd([&] { canvas->SelectByKey(27); }), Cmd([&] { canvas->SendTo(true); }),
                          Cmd([&] { canvas->SelectAll(true); }), Cmd([&] { canvas->Copy(), canvas->Paste(); }),
                          Cmd([&] { canvas->Cut(); }), Cmd([&] { canvas->Delete(); })}) {
        canvas->SelectAll(false);
        auto* first = static_cast<TGrfEditComp*>(root->GetComponent(0));
        first->Move(20, 20);
        canvas->SelectComp(*first, true);
        Press({40, 30});
        QTest::mouseMove(canvas, {50, 40});
        ASSERT_EQ(canvas->WorkMode(), wmDraw);
        cmd();
        EXPECT_EQ(canvas->WorkMode(), wmNone);
        for (int i = 0; i < root->GetComponentCount(); ++i)
            EXPECT_FALSE(static_cast<TGrfEditComp*>(root->GetComponent(i))->GetMoved());
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, {50, 40});
    }
    // Another drawing: the old one is left as it was, not half dragged.
    TTestBox* last = Box(20, 20);
    canvas->SelectAll(false);
    canvas->SelectComp(*last, true);
    Press({40, 30});
    QTest::mouseMove(canvas, {50, 40});
    ASSERT_EQ(canvas->WorkMode(), wmDraw);
    TVerUdovPtr<TGrfRootComp> other = TVerUdov::NewRoot<TGrfRootComp>();
    canvas->SetMainRoot(other.get());
    EXPECT_EQ(canvas->WorkMode(), wmNone);
    EXPECT_FALSE(last->GetMoved());
    EXPECT_FALSE(last->GetSelected());
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, {50, 40});
    canvas->SetMainRoot(nullptr);
}

// ---- clipboard ------------------------------------------------------------------------

TEST_F(EditCanvas, CopyPasteAndCutKeepTheSelection) {
    TTestBox* a = Box(20, 20, "A");
    auto* child = TVerUdov::New<TTestBox>(a);
    child->Name = "in";
    TTestBox* b = Box(120, 20, "B");
    EXPECT_FALSE(canvas->Copy());  // nothing selected: the clipboard stays
    EXPECT_EQ(LoadStreamFromCLB(CF_GRCOMP())->Size(), 0);

    canvas->MultiLevelEdit().SetEnabled(true);
    canvas->UpdateLists(ulAll);
    canvas->SelectComp(*a, true);
    canvas->SelectComp(*child, true);
    ASSERT_TRUE(canvas->Copy());
    // One component, whose child comes with it: not twice.
    TVerUdovPtr<TGrfRootComp> holder = TVerUdov::NewRoot<TGrfRootComp>();
    TGrfEditCompList read;
    ASSERT_TRUE(LoadFromClipboard(read, CF_GRCOMP(), holder.get()));
    ASSERT_EQ(read.Count(), 1);
    EXPECT_EQ(read.Get(0)->Name, "A");
    EXPECT_EQ(read.Get(0)->GetComponentCount(), 1);

    ASSERT_TRUE(canvas->Paste());
    ASSERT_EQ(root->GetComponentCount(), 3);
    auto* copy = dynamic_cast<TTestBox*>(root->GetComponent(2));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name, "A");
    EXPECT_EQ(copy->GetX(), 20.0f);
    EXPECT_EQ(copy->GetComponentCount(), 1);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{copy}));
    EXPECT_FALSE(a->GetSelected());

    // Fault: Cut lost the selection (Copy and Paste did nothing).
    canvas->SelectAll(false);
    canvas->SelectComp(*b, true);
    canvas->Cut();
    EXPECT_EQ(root->FindComponent("B"), nullptr);
    ASSERT_TRUE(canvas->Paste());
    auto* back = dynamic_cast<TTestBox*>(root->FindComponent("B"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetX(), 120.0f);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{back}));
}

// A plain TGrfEditComp put at a position: the class itself leaves moves to
// its descendants, and this one stays stored under TGrfEditComp's class.
class TPlacedComp : public TGrfEditComp {
public:
    void Place(float x, float y) { PutPos(x, y); }

protected:
    ~TPlacedComp() override = default;
};

// The clipboard bytes another program reads: count, "@", class id 5888,
// version 19970528, data length 29 (name, attributes with caVisible and
// caSelected, X, Y, two reserved words, no extensions), no children.
TEST_F(EditCanvas, CopyPutsTheGoldenBytesOfOneComponent) {
    auto* a = TVerUdov::New<TPlacedComp>(root);
    a->Name = "A";
    a->Place(10, 20);
    canvas->UpdateLists(ulAll);
    canvas->SelectComp(*a, true);
    ASSERT_TRUE(canvas->Copy());

    const unsigned char golden[] = {
        0x01, 0x00, 0x00, 0x00,                          // one component
        0x40,                                            // "@"
        0x00, 0x17, 0x00, 0x00,                          // class id 5888
        0xE0, 0xB9, 0x30, 0x01,                          // version 19970528
        0x1D, 0x00, 0x00, 0x00,                          // 29 bytes of data
        0x01, 0x00, 0x00, 0x00, 0x41,                    // name "A"
        0x88, 0x00, 0x00, 0x00,                          // caSelected, caVisible
        0x00, 0x00, 0x20, 0x41, 0x00, 0x00, 0xA0, 0x41,  // X 10, Y 20
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // reserved
        0x00, 0x00, 0x00, 0x00,                          // no extensions
        0x00, 0x00, 0x00, 0x00,                          // no children
    };
    static_assert(sizeof(golden) == 50);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats(), QStringList{"application/x-ombra-components"});
    EXPECT_EQ(data->data("application/x-ombra-components"),
              QByteArray(reinterpret_cast<const char*>(golden), sizeof(golden)));
    EXPECT_TRUE(a->GetSelected());  // copying leaves the drawing as it was
    EXPECT_EQ(a->GetX(), 10.0f);
}

// Fault: a broken payload left half a paste.
TEST_F(EditCanvas, BrokenPayloadPastesNothingShortOnePastesWholeRecords) {
    TTestBox* a = Box(20, 20, "A");
    TTestBox* b = Box(120, 20, "B");
    TGrfEditCompList list;
    list.Add(a), list.Add(b);
    TMemoryStream whole;
    list.SaveToStream(whole);
    canvas->SelectComp(*a, true);

    TMemoryStream cut;
    cut.WriteBuffer(whole.Memory(), whole.Size() - 3);
    SaveStreamToCLB(CF_GRCOMP(), cut);
    EXPECT_THROW(canvas->Paste(), EReadError);
    EXPECT_EQ(root->GetComponentCount(), 2);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{a}));

    // Count 3, two whole records: the two are pasted.
    TMemoryStream longer;
    longer.WriteBuffer(whole.Memory(), whole.Size());
    longer.SetPosition(0);
    WriteInteger(longer, 3);
    SaveStreamToCLB(CF_GRCOMP(), longer);
    ASSERT_TRUE(canvas->Paste());
    EXPECT_EQ(root->GetComponentCount(), 4);
    EXPECT_EQ(Selected().size(), 2u);

    // One record with its "@", as SaveVerUdovToCLB puts it.
    SaveVerUdovToCLB(*a);
    ASSERT_TRUE(canvas->Paste());
    EXPECT_EQ(root->GetComponentCount(), 5);
    EXPECT_EQ(Selected().size(), 1u);
    EXPECT_EQ(Selected()[0]->Name, "A");
}

// Fault: pasted copies kept their originals' link identifiers.
TEST_F(EditCanvas, PastedLinksGetNewIdentifiers) {
    TTestBox* a = Box(20, 20, "A");
    TConnectionInfo pin;
    pin.Init(0, ctPin);
    a->Conns.Add(pin);
    TTestLink* l = Link({20, 20}, {200, 150});
    l->Conns.Conn(0)->Connect(*a->Conns.Conn(0));
    const int32_t id = a->Conns.Conn(0)->Connection;

    canvas->SelectComp(*a, true);
    canvas->SelectComp(*l, true);
    ASSERT_TRUE(canvas->Copy());
    ASSERT_TRUE(canvas->Paste());
    auto* a2 = dynamic_cast<TTestBox*>(root->GetComponent(2));
    auto* l2 = dynamic_cast<TTestLink*>(root->GetComponent(3));
    ASSERT_TRUE(a2 && l2);
    const TConnectionInfo p = a2->Conns.GetConn(0), e = l2->Conns.GetConn(0);
    EXPECT_NE(p.Connection, id);
    EXPECT_EQ(p.Connection, e.Connection);
    EXPECT_TRUE(p.Connected() && e.Connected());

    // The link alone: its end is no longer linked to the original box.
    canvas->SelectAll(false);
    canvas->SelectComp(*l, true);
    ASSERT_TRUE(canvas->Copy());
    ASSERT_TRUE(canvas->Paste());
    auto* l3 = dynamic_cast<TTestLink*>(root->GetComponent(4));
    ASSERT_NE(l3, nullptr);
    EXPECT_FALSE(l3->Conns.GetConn(0).Connected());
    EXPECT_NE(l3->Conns.GetConn(0).Connection, id);
    EXPECT_EQ(a->Conns.GetConn(0).Connection, id);
    EXPECT_TRUE(l->Conns.GetConn(0).Connected());
}

// Fault: names that code page 1251 lacks were stored as "?".
TEST_F(EditCanvas, CopyRefusesANameThePageCannotHold) {
    TTestBox* a = Box(20, 20, "Вузол 中");
    canvas->SelectComp(*a, true);
    EXPECT_THROW(canvas->Copy(), EWriteError);
    EXPECT_EQ(LoadStreamFromCLB(CF_GRCOMP())->Size(), 0);
    // Cut deletes nothing when its Copy fails.
    EXPECT_THROW(canvas->Cut(), EWriteError);
    EXPECT_EQ(root->GetComponentCount(), 1);
    EXPECT_FALSE(a->IsDestroyed());
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{a}));
}

// ---- zoom -----------------------------------------------------------------------------

TEST_F(EditCanvas, ZoomInThenOutReturnsAndNeverSticks) {
    QCursor::setPos(canvas->mapToGlobal(QPoint(-500, -500)));
    canvas->StandartScale = false;
    canvas->SetMst(1);
    canvas->ZoomIn();
    EXPECT_FLOAT_EQ(canvas->Mst(), 1.5f);
    canvas->ZoomOut();
    EXPECT_FLOAT_EQ(canvas->Mst(), 1.0f);
    // With the table: back to the start but from a few entries.
    canvas->StandartScale = true;
    std::vector<float> notBack;
    for (float m : StdMstTable) {
        canvas->SetMst(m);
        canvas->ZoomIn();
        EXPECT_GT(canvas->Mst(), m == 100 ? 99.0f : m);
        canvas->ZoomOut();
        if (canvas->Mst() != m) notBack.push_back(m);
    }
    EXPECT_EQ(notBack, (std::vector<float>{1.75f, 2.5f, 3, 4, 30, 40, 100}));
    // Fault: with the table, x 1.5 snapped back onto the same entry.
    for (float m : {0.0005f, 0.001f, 0.005f, 0.01f, 0.25f}) {
        canvas->SetMst(m);
        canvas->ZoomIn();
        EXPECT_GT(canvas->Mst(), m) << m;
    }
    canvas->SetMst(0.005f);
    canvas->ZoomOut();
    EXPECT_FLOAT_EQ(canvas->Mst(), 0.001f);
    // The centre stays under the centre.
    canvas->SetView(TSPoint{0, 0}, TPoint{0, 0}, 0, 1);
    canvas->View(2);
    EXPECT_EQ(canvas->Mst(), 2.0f);
    EXPECT_EQ(canvas->ToDevice(150, 100).X, 150.0f);
}

// Fault: ZoomAll divided by zero without area or components.
TEST_F(EditCanvas, ZoomAllFitsOrDoesNothing) {
    canvas->ZoomAll();
    EXPECT_EQ(canvas->Mst(), 1.0f);
    Box(0, 0);
    Box(460, 180);  // all: (0, 0)-(500, 200)
    canvas->ZoomAll();
    // 300 / 600 and 200 / 240: 0.5 (a table entry), the centre at (250, 100).
    EXPECT_FLOAT_EQ(canvas->Mst(), 0.5f);
    const TSPoint c = canvas->ToDevice(150, 100);
    EXPECT_NEAR(c.X, 250, 2);
    EXPECT_NEAR(c.Y, 100, 2);
    canvas->resize(0, 0);
    canvas->SetMst(1);
    canvas->ZoomAll();
    EXPECT_EQ(canvas->Mst(), 1.0f);
}

// ---- hints and menu -------------------------------------------------------------------

QLabel* TipLabel() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible()) return qobject_cast<QLabel*>(w);
    return nullptr;
}

TEST_F(EditCanvas, HintsTellWhatADragDoesInColour) {
    TTestBox* a = Box(20, 20, "first");
    Box(120, 20, "second");
    const QPalette before = QToolTip::palette();
    auto hint = [&](QPoint at) {
        QHelpEvent e(QEvent::ToolTip, at, canvas->mapToGlobal(at));
        QApplication::sendEvent(canvas, &e);
        QLabel* l = TipLabel();
        return l ? std::make_pair(l->text().toStdString(), l->palette().color(QPalette::ToolTipBase)) :
                   std::make_pair(std::string(), QColor());
    };
    // Unselected: its own hint on (255, 224, 224).
    auto [t1, c1] = hint({140, 30});
    EXPECT_EQ(t1, "second");
    EXPECT_EQ(c1, QColor(255, 224, 224));
    canvas->SelectComp(*a, true);
    auto [t2, c2] = hint({40, 30});
    EXPECT_EQ(t2, "Drag Object");
    EXPECT_EQ(c2, QColor(0, 255, 255));
    canvas->SelectAll(true);
    auto [t3, c3] = hint({40, 30});
    EXPECT_EQ(t3, "Drag all");
    EXPECT_EQ(c3, QColor(0, 255, 255));
    // The application's hint colours are its own still.
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), before.color(QPalette::ToolTipBase));
    QToolTip::hideText();
}



TEST_F(EditCanvas, RightClickMenuEndsWithPropertiesOrTheCanvasSetup) {
    struct TAnswer : TDialogRunner {
        int Run(QDialog& d) override {
            auto* editor = dynamic_cast<TPropEditor*>(&d);
            if (!editor) return 2;
            for (int i = 0; i < editor->PC->count(); ++i) Pages.push_back(editor->PC->widget(i)->objectName().toStdString());
            auto* step = editor->PC->findChild<QLineEdit*>("EdStep");
            if (!step) return 2;
            step->setText("30");
            d.done(1);
            return d.result();
        }
        std::vector<std::string> Pages;
    } answer;
    TDialogRunnerGuard runner(&answer);
    auto items = [] {
        std::vector<std::string> out;
        if (QMenu* m = SharedPopupMenu())
            for (QAction* a : m->actions()) out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        FreeSharedPopupMenu();
        return out;
    };
    // Over a component that adds no items, and with a handler that does.
    Box(20, 20);
    Click({40, 30}, {}, Qt::RightButton);
    EXPECT_EQ(items(), (std::vector<std::string>{"Властивості"}));
    canvas->OnPopupMenu = [](QObject*, TMenuList& m) { m.AddItem("Extra", true, nullptr); };
    Click({40, 30}, {}, Qt::RightButton);
    EXPECT_EQ(items(), (std::vector<std::string>{"Extra", "-", "Властивості"}));
    canvas->OnPopupMenu = nullptr;
    // Over nothing, with nothing selected: the canvas's own setup.
    Click({250, 150}, {}, Qt::RightButton);
    QMenu* menu = SharedPopupMenu();
    ASSERT_TRUE(menu && menu->actions().size() == 1);
    EXPECT_EQ(menu->actions()[0]->text().toStdString(), "Властивості");
    menu->actions()[0]->trigger();
    FreeSharedPopupMenu();
    EXPECT_EQ(answer.Pages, (std::vector<std::string>{"TSWindow", "TSSteps"}));
    EXPECT_EQ(canvas->Step().Value(), 30.0f);
}

TEST_F(EditCanvas, DoubleClickGoesToTheComponentOrEndsADrawing) {
    TTestBox* a = Box(20, 20);
    a->Clickable = true;
    Click({40, 30});
    QTest::mouseClick(canvas, Qt::LeftButton, {}, {40, 30});  // no time passed: a double click
    EXPECT_EQ(a->DoubleClicks, 1);
    TTestBox* b = Box(0, 0);
    canvas->BeginDrawComp(*b, TSPoint{100, 100});
    Click({120, 110});
    EXPECT_EQ(canvas->WorkMode(), wmNone);  // the base has no second point
}

TEST_F(EditCanvas, CursorTellsWhatADragWouldDo) {
    TTestBox* a = Box(20, 20);
    Box(120, 20);
    Click({40, 30});
    QTest::mouseMove(canvas, {250, 150});
    QTest::mouseMove(canvas, {40, 30});
    EXPECT_EQ(canvas->cursor().shape(), Qt::DragMoveCursor);
    QTest::mouseMove(canvas, {250, 150});
    EXPECT_EQ(canvas->cursor().shape(), Qt::ArrowCursor);
    canvas->SelectAll(true);
    QTest::mouseMove(canvas, {140, 30});
    EXPECT_EQ(canvas->cursor().shape(), Qt::DragCopyCursor);
    (void)a;
}

TEST_F(EditCanvas, GoldenDrawingWithMarks) {
    TTestBox* a = Box(20, 20);
    a->W = 60, a->H = 40;
    TTestBox* b = Box(150, 100);
    TConnectionInfo pin;
    pin.Init(0, ctPin);
    a->Conns.Add(pin);
    b->Conns.Add(pin);
    TTestLink* l = Link({80, 60}, {150, 100});
    l->Conns.Conn(0)->Connect(*a->Conns.Conn(0));
    canvas->GridLn().SetEnabled(true);
    Click({50, 40});
    Click({170, 110}, Qt::ShiftModifier);
    EXPECT_EQ(Selected().size(), 2u);
    EXPECT_TRUE(MatchesGolden(Shot(), VELT_PAINTER_TEST_DATA, "edit-canvas"));
}

// ---- property editor -----------------------------------------------------------------

// Fault: when Execute raised, the group moves stayed editing and the editor
// stayed alive.
TEST_F(EditCanvas, PropertyEditorEndsTheGroupAndGoesWhenItFails) {
    ComPtr<TGroupTask> task(new TGroupTask);
    root->AddInterface(static_cast<ITask*>(task.get()));
    ComPtr<TIntfList> list = TIntfList::Create();
    ComPtr<TIntfList> plain = TIntfList::Create();
    list->Add(static_cast<IIntfList*>(plain.get()));  // lacks IPropertyEdit
    EXPECT_THROW(canvas->ExecPropertyEditor(list.get()), EIntfCastError);
    EXPECT_EQ(task->Log, "BE");
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<TPropEditor*>(w), nullptr);
    // The group moves of a drag are told too.
    TTestBox* a = Box(20, 20);
    canvas->SelectComp(*a, true);
    Drag({40, 30}, {60, 30});
    EXPECT_EQ(task->Log, "BEBE");
}

// Fault: ApplyData took every dialog of the editor for its own.
TEST_F(EditCanvas, ApplyDataTakesOnlyAChangedSetupDialog) {
    QDialog other;
    canvas->ApplyData(other);  // not the canvas's: nothing
    TDlgPainterSetup d;
    d.LoadFromBox(canvas);
    d.EdStep->setText("25");
    d.setProperty(kTagProperty, 0);
    canvas->ApplyData(d);  // not changed (Tag 0): nothing
    EXPECT_EQ(canvas->Step().Value(), 10.0f);
    d.Changed();
    canvas->ApplyData(d);
    EXPECT_EQ(canvas->Step().Value(), 25.0f);
}

// Fault: every failure was told as a missing interface.
TEST_F(EditCanvas, BeginDrawCompTellsAMissingInterfaceAndPassesOtherFailures) {
    TTestBox* a = Box(0, 0);
    for (const bool lacks : {true, false}) {
        a->FirstPointLacksInterface = lacks;
        a->FirstPointFails = !lacks;
        try {
            canvas->BeginDrawComp(*a, TSPoint{50, 50});
            ADD_FAILURE();
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), lacks ? "Edit Interface Not Supported" : "no point");
        }
        EXPECT_EQ(canvas->WorkMode(), wmNone);
        EXPECT_FALSE(canvas->NewComp());
    }
    // A component that can be drawn follows the mouse from its point.
    TTestBox* b = Box(0, 0);
    canvas->BeginDrawComp(*b, TSPoint{50, 50});
    EXPECT_TRUE(canvas->NewComp());
    EXPECT_EQ(canvas->WorkMode(), wmDraw);
    EXPECT_EQ(b->GetX(), 50.0f);
    // Qt drops a move to where the pointer already is: two moves.
    QTest::mouseMove(canvas, {1, 1});
    QTest::mouseMove(canvas, {81, 71});
    EXPECT_EQ(b->GetX(), 80.0f);
    // Presses while it is drawn go to it.
    Click({80, 70});
    EXPECT_EQ(b->EditDowns, 1);
    EXPECT_EQ(canvas->WorkMode(), wmNone);
    EXPECT_EQ(Selected(), (std::vector<TGrfEditComp*>{b}));
}

// ---- drag and drop ----------------------------------------------------------------------

// Fault: the kept drop target was never cleared.
TEST_F(EditCanvas, DragOverTellsTargetsEnterMoveLeaveAndForgetsThem) {
    TTestBox* a = Box(20, 20);
    TTestBox* b = Box(120, 20);
    a->Droppable = b->Droppable = true;
    TDragSource src;
    bool accept = false;
    canvas->DragOver(src, 40, 30, dsDragEnter, accept);
    EXPECT_TRUE(accept);
    canvas->DragOver(src, 45, 30, dsDragMove, accept);
    canvas->DragOver(src, 140, 30, dsDragMove, accept);
    EXPECT_EQ(a->DropLog, "021");
    EXPECT_EQ(b->DropLog, "0");
    canvas->DragOver(src, 250, 150, dsDragMove, accept);
    EXPECT_FALSE(accept);
    EXPECT_EQ(b->DropLog, "01");
    canvas->DragOver(src, 140, 30, dsDragMove, accept);
    canvas->DragDrop(src, 140, 30);
    EXPECT_EQ(b->DropLog, "010D");
    EXPECT_FALSE(canvas->DropTarget());
    // A later drag elsewhere tells nobody it left.
    canvas->DragOver(src, 250, 150, dsDragEnter, accept);
    EXPECT_EQ(b->DropLog, "010D");
    canvas->DragOver(src, 40, 30, dsDragEnter, accept);
    canvas->DragOver(src, 40, 30, dsDragLeave, accept);
    EXPECT_EQ(a->DropLog, "02101");
    EXPECT_FALSE(canvas->DropTarget());
    // The same through Qt's drag events.
    a->DropLog.clear();
    QMimeData mime;
    QDragEnterEvent enter(QPoint(40, 30), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent move(QPoint(250, 150), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    EXPECT_FALSE(move.isAccepted());  // over nothing
    QDropEvent drop(QPointF(40, 30), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent back(QPoint(40, 30), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &back);
    QApplication::sendEvent(canvas, &drop);
    EXPECT_EQ(a->DropLog, "010D");
    EXPECT_FALSE(canvas->DropTarget());
}

// ---- painting and the root ---------------------------------------------------------------

// Fault: a paint that always fails invalidated for ever.
TEST_F(EditCanvas, FailingPaintRetriesOnceAndReportsOnce) {
    TTestBox* a = Box(20, 20);
    a->PaintFails = true;
    canvas->Invalidate();
    for (int i = 0; i < 5; ++i) {
        canvas->Update();
        QApplication::processEvents();
    }
    EXPECT_EQ(reports, (std::vector<std::string>{"box cannot draw"}));
    EXPECT_TRUE(canvas->DirtyRegion().isEmpty());
    a->PaintFails = false;
    canvas->UpdateLists(ulAll);
    canvas->Invalidate();
    canvas->Update();
    EXPECT_GT(a->Paints, 0);
    EXPECT_EQ(reports.size(), 1u);
}

// Fault: a repaint of part of the canvas painted every visible component.
TEST_F(EditCanvas, RepaintingOneBoxsAreaPaintsNoOtherComponent) {
    TTestBox* a = Box(20, 20);
    TTestBox* b = Box(120, 20);
    TTestBox* c = Box(20, 120);
    canvas->SelectComp(*b, true);
    canvas->Invalidate();
    canvas->Update();
    const int pa = a->Paints, pb = b->Paints, pc = c->Paints;
    const QImage full = Shot();
    canvas->InvalidateRect(a->GetRect());
    canvas->Update();
    EXPECT_EQ(a->Paints, pa + 1);
    EXPECT_EQ(b->Paints, pb);
    EXPECT_EQ(c->Paints, pc);
    EXPECT_EQ(Shot(), full);
    // Where two meet, both are painted.
    b->Move(50, 30);
    canvas->Invalidate();
    canvas->Update();
    const int qa = a->Paints, qb = b->Paints;
    canvas->InvalidateRect(a->GetRect());
    canvas->Update();
    EXPECT_EQ(a->Paints, qa + 1);
    EXPECT_EQ(b->Paints, qb + 1);
    EXPECT_EQ(c->Paints, pc + 1);  // only the full repaint
}

TEST_F(EditCanvas, AGrownCanvasPaintsWhatItNowShows) {
    canvas->resize(100, 100);
    TTestBox* far = Box(200, 150);
    canvas->Update();
    const int before = far->Paints;
    canvas->resize(W, H);
    canvas->Update();
    EXPECT_GT(far->Paints, before);
    EXPECT_EQ(Px(200, 160), 0u);  // its left edge
}

TEST_F(EditCanvas, PaintOrderOverDrawsAroundTheComponents) {
    TTestBox* a = Box(20, 20);
    std::string log;
    ComPtr<TOverDrawer> before(new TOverDrawer(omBefore, log)), after(new TOverDrawer(omAfter, log));
    root->AddInterface(static_cast<IOverDraw*>(before.get()));
    root->AddInterface(static_cast<IOverDraw*>(after.get()));
    canvas->Invalidate();
    const int paints = a->Paints;
    canvas->Update();
    EXPECT_EQ(a->Paints, paints + 1);
    EXPECT_EQ(log, "<>");
    // A component being moved is drawn by its marks alone.
    canvas->SelectComp(*a, true);
    canvas->BeginMove();
    const int moving = a->Paints;
    canvas->Invalidate();
    canvas->Update();
    EXPECT_EQ(a->Paints, moving + 1);  // once, inverted, as its mark
    EXPECT_EQ(log, "<><>");
    canvas->EndMove();
}

// A box answering through its extension: the query's reference goes back to
// the extension, and the box keeps its count.
TEST_F(EditCanvas, EnumInterfaceGivesBackWhatTheAnswererHeld) {
    TTestBox* a = Box(20, 20);
    std::string log;
    ComPtr<TOverDrawer> ext(new TOverDrawer(omBefore, log));
    a->AddInterface(static_cast<IOverDraw*>(ext.get()));
    const int32_t boxCount = a->GetRefCount(), extCount = ext->GetRefCount();
    {
        ComPtr<TIntfList> source = TIntfList::Create(), dest = TIntfList::Create();
        source->Add(static_cast<IUnknown*>(static_cast<IGraphView*>(a)));
        EXPECT_EQ(canvas->EnumInterface(IID_IOverDraw, *source, *dest), 1);
        EXPECT_EQ(canvas->EnumInterface(IID_IGroupMove, *source, *dest), 0);
    }
    EXPECT_EQ(a->GetRefCount(), boxCount);
    EXPECT_EQ(ext->GetRefCount(), extCount);
}

// Fault: the root GetRoot made was never let go, and SetMainRoot dropped
// the old root before taking a new one that lay inside it.
TEST_F(EditCanvas, RootsAreTakenBeforeTheOldOneGoes) {
    ComPtr<TGrfEditComp> own(root);
    TTestBox* inside = Box(20, 20);
    ComPtr<TGrfEditComp> held(inside);
    canvas->SetMainRoot(inside);
    EXPECT_EQ(canvas->GetRoot(), inside);
    EXPECT_FALSE(own->IsDestroyed());  // inside lies in it
    EXPECT_EQ(own->GetBox(), canvas);  // through inside's owner
    TVerUdovPtr<TGrfRootComp> other = TVerUdov::NewRoot<TGrfRootComp>();
    canvas->SetMainRoot(other.get());
    EXPECT_EQ(other->GetBox(), canvas);
    canvas->SetMainRoot(nullptr);
    EXPECT_EQ(other->GetBox(), nullptr);
    TGrfEditComp* fresh = canvas->GetRoot();
    ComPtr<TGrfEditComp> freshHeld(fresh);
    canvas->SetMainRoot(other.get());
    EXPECT_TRUE(fresh->IsDestroyed());  // made here, replaced: released
    EXPECT_FALSE(own->IsDestroyed());
    parent.reset();
    EXPECT_TRUE(own->IsDestroyed());  // released with the canvas
    EXPECT_FALSE(other->IsDestroyed());
    EXPECT_EQ(other->GetBox(), nullptr);
}

TEST_F(EditCanvas, CountedReferencesNeverDeleteTheWidget) {
    const int32_t start = canvas->RefCount();
    {
        ComPtr<IPainter> p = ComQuery<IPainter>(static_cast<IPainter*>(canvas));
        ComPtr<IPropertyEdit> e = ComQuery<IPropertyEdit>(p.get());
        EXPECT_EQ(p->Box(), canvas);
        EXPECT_TRUE(e);
    }
    EXPECT_EQ(canvas->RefCount(), start);
    canvas->_Release();
    canvas->_AddRef();
    EXPECT_EQ(canvas->GetRoot(), root);
    canvas->AddClipboradFormmat(0);
    canvas->AddClipboradFormmat(CF_GRCOMP());
    canvas->AddClipboradFormmat(CF_GRCOMP());
    EXPECT_EQ(canvas->ClipboardFormats(), (std::vector<uint16_t>{CF_GRCOMP()}));
}

}  // namespace
}  // namespace velt::test

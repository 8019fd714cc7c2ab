#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "painter/GrfViewIntfList.h"
#include "painter/TopoUtil.h"
#include "painter/tests/StubEdit.h"

using namespace velt;
using velt::test::TStubEdit;

namespace {

std::string Raw(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }
std::string Bytes(const TMemoryStream& m) { return std::string(m.Memory(), size_t(m.Size())); }
std::string Hex(const std::string& s) {
    std::string out;
    char b[4];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02X ", c);
        out += b;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

TConnectionInfo ConnPoint(uint8_t id, TConnType kind, int32_t group = 0) {
    TConnectionInfo c;
    c.Init(id, kind);
    c.Group = group;
    return c;
}

// Positions kept by point number, so they survive deletions.
class TPlacedConnList : public TConnList {
public:
    TSPoint GetCoord(int index) override { return ValidIndex(index) ? Pos[Conn(index)->ConnID] : TSPoint(); }
    void SetCoord(int index, const TSPoint& p) override {
        if (!ValidIndex(index)) return;
        TSPoint q = p;
        if (Round) q = TSPoint{std::round(p.X), std::round(p.Y)};
        Pos[Conn(index)->ConnID] = q;
    }
    std::map<int, TSPoint> Pos;
    bool Round = false;
};

class TFakeLinked : public TStubEdit, public ILinkedObject {
public:
    explicit TFakeLinked(int level) : level_(level) {}
    HResult QueryInterface(const Guid& iid, void** obj) override {
        return QueryFor<ILinkedObject, IGraphEdit, IGraphView, IGrfObject, IUnknown>(this, iid, obj);
    }
    int32_t _AddRef() override { return ++refs_; }
    int32_t _Release() override {
        const int32_t r = --refs_;
        if (r == 0) delete this;
        return r;
    }
    TConnList& GetConnList() override { return List; }
    TConnObject GetConnObject() override { return coNode; }
    bool IsRigid() override { return false; }
    bool TryConnect(ILinkedObject&, int, bool) override {
        ++Tries;
        return Accept;
    }
    int Tries = 0;
    bool Accept = false;
    void SetFollow(int index, bool flag) override { Follows.push_back({index, flag}); }
    int Level() override { return level_; }

    TPlacedConnList List;
    std::vector<std::pair<int, bool>> Follows;
    // A moved point takes the whole object along.
    bool Whole = false;

private:
    ~TFakeLinked() override = default;
    int level_;
    int32_t refs_ = 0;
};

// The canvas as the link routines use it: applies an edit to the fake and
// then runs the link routines, as the canvas does for linked objects.
class TFakeCanvas : public IPainter {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override { return QueryFor<IPainter, IUnknown>(this, iid, obj); }
    int32_t _AddRef() override { return 1; }
    int32_t _Release() override { return 1; }
    TGraphPaint* Box() override { return nullptr; }
    void BeginDrawComp(IGraphEdit&, TSPoint) override {}
    void MoveNextPoint() override {}
    // As the editing canvas does: an object that starts moving marks the
    // partners it drags.
    void BeginMoveObj(IGraphEdit& comp) override {
        comp.PutMoved(true);
        ++Begins;
        TopoBeginMoveObject(*this, *dynamic_cast<TFakeLinked*>(&comp));
    }
    void BeginMove() override {}
    void MovingObj(IGraphEdit& comp, TEditInfo& info) override {
        ++Depth;
        MaxDepth = std::max(MaxDepth, Depth);
        auto* f = dynamic_cast<TFakeLinked*>(&comp);
        TPlacedConnList& l = f->List;
        if (info.EditType == etMovePoint && info.PointInfo.Kind == epMoveConn() && f->Whole) {
            const TSPoint at = l.GetCoord(info.PointInfo.Index);
            for (int i = 0; i < l.GetCount(); ++i) {
                TSPoint p = l.GetCoord(i);
                p.Offset(info.X - at.X, info.Y - at.Y);
                l.SetCoord(i, p);
            }
        } else if (info.EditType == etMovePoint && info.PointInfo.Kind == epMoveConn()) {
            l.SetCoord(info.PointInfo.Index, TSPoint{info.X, info.Y});
        } else {
            for (int i = 0; i < l.GetCount(); ++i) {
                TSPoint p = l.GetCoord(i);
                p.Offset(info.DX, info.DY);
                l.SetCoord(i, p);
            }
        }
        TopoMoveConnection(*this, *f, -1, true);
        TopoMoveObject(*this, *f);
        --Depth;
    }
    void Moving() override {}
    void EndMoveObj(IGraphEdit&) override {}
    void EndMove() override {}
    void SelectAll(bool) override {}
    ComPtr<IGVIntfList> GetEdited() override { return ComPtr<IGVIntfList>(Edited.get()); }
    ComPtr<IGVIntfList> GetSelected() override { return {}; }
    void SelectComp(IGraphEdit&, bool) override {}

    ComPtr<TGrfViewIntfList> Edited = TGrfViewIntfList::Create();
    int Begins = 0;
    int Depth = 0;
    int MaxDepth = 0;
};

ComPtr<TFakeLinked> AddObject(TFakeCanvas& canvas, int level) {
    ComPtr<TFakeLinked> o(new TFakeLinked(level));
    canvas.Edited->AddView(o.get());
    return o;
}

void Drag(TFakeCanvas& canvas, TFakeLinked& obj, float dx, float dy) {
    canvas.BeginMoveObj(obj);
    TEditInfo move;
    move.Init(0, 0)._ET(etMove)._DX(dx)._DY(dy);
    canvas.MovingObj(obj, move);
}

// Starts the identifier counter afresh, and again when the test ends.
struct TFreshCounter {
    TFreshCounter() { ResetConnectionCounter(); }
    ~TFreshCounter() { ResetConnectionCounter(); }
};

TEST(ConnectionInfo, InitBytesAndListStream) {
    TConnectionInfo c;
    std::memset(&c, 0xEE, sizeof c);
    c.Init(3, ctPin);
    EXPECT_EQ(Hex(Raw(&c, sizeof c)), "00 00 00 00 01 00 01 00 00 00 00 FF FF FF FF 03");
    TConnList list;
    list.Add(c);
    TMemoryStream m;
    list.SaveToStream(m);
    EXPECT_EQ(Hex(Bytes(m)), "01 00 00 00 10 00 00 00 00 00 00 00 01 00 01 00 00 00 00 FF FF FF FF 03");

    c.SetAttr(16, true);
    EXPECT_FALSE(c.GetAttr(16));
    c.SetAttr(cnaFixedNum, true);
    c.PutNum(5, true);
    EXPECT_EQ(+c.Num, -1);
    c.PutNum(5, false);
    EXPECT_EQ(+c.Num, 5);
}

TEST(ConnectionInfo, ConnectSharesAndDisconnectRenews) {
    TConnectionInfo a = ConnPoint(0, ctPin), b = ConnPoint(1, ctPin);
    a.Connect(b);
    EXPECT_NE(+a.Connection, 0);
    EXPECT_EQ(+a.Connection, +b.Connection);
    EXPECT_TRUE(a.Connected() && b.Connected());
    const int32_t shared = a.Connection;
    b.Disconnect();
    EXPECT_FALSE(b.Connected());
    EXPECT_NE(+b.Connection, 0);
    EXPECT_NE(+b.Connection, shared);
    EXPECT_EQ(+a.Connection, shared);
}

TEST(ConnList, LoadingRaisesTheCounterAndDropsIdentifiersOutOfRange) {
    TFreshCounter fresh;
    TConnList list;
    for (int32_t id : {57, 0, 0x7FFFFFFF, MaxLoadedConnection + 1, -3, MaxLoadedConnection}) {
        TConnectionInfo c = ConnPoint(uint8_t(list.GetCount()), ctPin);
        c.Connection = id;
        c.SetAttr(cnaConnected, true);
        list.Add(c);
    }
    TMemoryStream m;
    list.SaveToStream(m);
    m.SetPosition(0);
    TConnList back;
    back.LoadFromStream(m);
    ASSERT_EQ(back.GetCount(), 6);
    EXPECT_EQ(+back.GetConn(0).Connection, 57);
    EXPECT_TRUE(back.GetConn(0).Connected());
    EXPECT_EQ(+back.GetConn(5).Connection, MaxLoadedConnection);
    EXPECT_TRUE(back.GetConn(5).Connected());
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(+back.GetConn(i).Connection, 0) << i;
        EXPECT_FALSE(back.GetConn(i).Connected()) << i;
        EXPECT_TRUE(back.GetConn(i).GetAttr(cnaEnabled)) << i;
    }
    EXPECT_EQ(CreateNewConnection(), MaxLoadedConnection + 1);
}

// With no identifier left, a disconnect raises and the link stays whole,
// also when the first of the two identifiers it needs was still free.
TEST(ConnList, ADisconnectWithNoIdentifierLeftChangesNothing) {
    TFreshCounter fresh;
    TFakeCanvas canvas;
    auto a = AddObject(canvas, 0), b = AddObject(canvas, 1);
    a->List.Add(ConnPoint(0, ctPin));
    b->List.Add(ConnPoint(0, ctPin));
    a->List.Conn(0)->Connect(*b->List.Conn(0));
    const int32_t id = a->List.GetConn(0).Connection;
    auto whole = [&] {
        for (auto* o : {a.get(), b.get()}) {
            EXPECT_EQ(+o->List.GetConn(0).Connection, id);
            EXPECT_TRUE(o->List.GetConn(0).Connected());
        }
    };
    for (int32_t top : {0x7FFFFFFF - 1, 0x7FFFFFFF}) {
        RaiseConnectionCounter(top);
        EXPECT_THROW(TopoDisconnect(canvas, *a, 0), Exception);
        whole();
    }
    EXPECT_THROW(a->List.Conn(0)->Disconnect(), Exception);
    whole();
    TConnectionInfo none = ConnPoint(1, ctPin);
    EXPECT_THROW(none.GetNewID(), Exception);
    EXPECT_EQ(+none.Connection, 0);
}

TEST(ConnList, NamesNumbersAndIndexesOutside) {
    TConnList list;
    for (uint8_t k = 0; k < 6; ++k) list.Add(ConnPoint(k, TConnType(k)));
    TConnectionInfo odd = ConnPoint(6, ctPin);
    odd.Kind = 9;
    list.Add(odd);
    std::vector<std::string> names;
    for (int i = 0; i < list.GetCount(); ++i) {
        std::string s = "x";
        list.GetName(i, s);
        names.push_back(s);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Зображення", "Вивід", "Поч.Лінії", "Кін.Лінії", "Лінія",
                                               "Додаткове", ""}));
    list.Conn(1)->SetAttr(cnaFixedNum, true);
    list.SetNum(1, 7);
    list.SetNum(2, 7);
    EXPECT_EQ(list.GetNum(1), -1);
    EXPECT_EQ(list.GetNum(2), 7);
    int32_t counter = 10;
    list.CreateNum(3, counter);
    EXPECT_EQ(counter, 11);
    EXPECT_EQ(list.GetNum(3), 11);
    list.ResetNum(3);
    EXPECT_EQ(list.GetNum(3), -1);
    list.SetNum(-5, 1);
    list.SetNum(99, 1);
    EXPECT_EQ(list.GetConnIndex(4, ctLine), 4);
    EXPECT_EQ(list.GetConnIndex(4, ctPin), -1);

    TConnList other;
    other.Add(ConnPoint(0, ctPin));
    int found = 5;
    EXPECT_TRUE(list.CanConnect(other, 0, found));
    EXPECT_EQ(found, 0);
    EXPECT_FALSE(list.CanConnect(other, 1, found));
    EXPECT_EQ(found, -1);
    EXPECT_FALSE(list.CanConnect(other, -2, found));
    // The same place in another group does not connect.
    other.Add(ConnPoint(1, ctPin, 7));
    EXPECT_FALSE(list.CanConnect(other, 1, found));
    EXPECT_EQ(found, -1);
    EXPECT_TRUE(list.CanCreateByInform(other, 0, found));
    EXPECT_EQ(found, 5);
    EXPECT_FALSE(list.CanCreateByInform(other, 3, found));
    EXPECT_EQ(found, -1);
}

TEST(ConnList, MergeByGroupAddsNewAndLeavesTheSourceAlone) {
    TConnList own;
    own.Add(ConnPoint(0, ctPin, 1));
    own.Add(ConnPoint(1, ctPin, 2));
    own.Add(ConnPoint(2, ctObject, 0));
    TConnList source;
    TConnectionInfo s0 = ConnPoint(5, ctPin, 2);
    s0.Num = 42;
    s0.SetAttr(cnaFixedNum, true);
    s0.SetAttr(cnaCanConnect, true);
    source.Add(s0);
    source.Add(ConnPoint(6, ctLine, 0));
    const std::string before = Raw(source.GetFirst(), size_t(source.GetCount()) * 16);

    own.MergeFrom(source, ConnTypeBit(ctPin) | ConnTypeBit(ctLine), true, ccGroup);

    EXPECT_EQ(Raw(source.GetFirst(), size_t(source.GetCount()) * 16), before);
    ASSERT_EQ(own.GetCount(), 3);
    // The line, absent here, went in at its source index (1) before the
    // point of group 1 was dropped.
    EXPECT_EQ(+own.GetConn(0).ConnID, 6);
    EXPECT_EQ(+own.GetConn(0).Kind, ctLine);
    // Group 2 took the source's number and fixed flag.
    EXPECT_EQ(+own.GetConn(1).ConnID, 1);
    EXPECT_EQ(+own.GetConn(1).Num, 42);
    EXPECT_TRUE(own.GetConn(1).GetAttr(cnaFixedNum));
    EXPECT_FALSE(own.GetConn(1).GetAttr(cnaRemoved));
    EXPECT_EQ(+own.GetConn(2).Kind, ctObject);
}

TEST(ConnList, MergeByConnIDKeepsThePointsOfTheSameNumber) {
    TConnList own;
    own.Add(ConnPoint(0, ctPin, 1));
    own.Add(ConnPoint(1, ctPin, 1));
    own.Add(ConnPoint(2, ctPin, 1));
    TConnList source;
    TConnectionInfo s1 = ConnPoint(1, ctPin, 4);
    s1.Num = 9;
    source.Add(s1);
    source.Add(ConnPoint(2, ctPin, 1));
    source.Add(ConnPoint(5, ctPin, 1));

    own.MergeFrom(source, ConnTypeBit(ctPin), true, ccConnID);

    // Number 0 is gone, 1 took the source's group and number; 5 found a
    // point of its kind, so it is not added.
    ASSERT_EQ(own.GetCount(), 2);
    EXPECT_EQ(+own.GetConn(0).ConnID, 1);
    EXPECT_EQ(+own.GetConn(0).Group, 4);
    EXPECT_EQ(+own.GetConn(0).Num, 9);
    EXPECT_EQ(+own.GetConn(1).ConnID, 2);
    EXPECT_EQ(+own.GetConn(1).Num, -1);
}

TEST(LinkPoints, DraggingTheCornerOfAnLKeepsItOrthogonal) {
    TLinkPoints l;
    l.Add(TSPoint{0, 0});
    l.Add(TSPoint{10, 0});
    l.Add(TSPoint{10, 10});
    l.MovePoint(1, TSPoint{14, 3});
    EXPECT_EQ(l.Get(0), (TSPoint{0, 3}));
    EXPECT_EQ(l.Get(1), (TSPoint{14, 3}));
    EXPECT_EQ(l.Get(2), (TSPoint{14, 10}));
    EXPECT_EQ(l.GetInfo(1).Fixed, 0);

    TLinkPointInfo fixed{TSPoint{0, 3}, 1, 0};
    std::memcpy(l.GetItem(0), &fixed, sizeof fixed);
    l.Offset(1, 1);
    EXPECT_EQ(l.Get(0), (TSPoint{0, 3}));
    EXPECT_EQ(l.Get(2), (TSPoint{15, 11}));
    l.MovePoint(-1, TSPoint{1, 1});
    EXPECT_EQ(l.GetCount(), 3);
}

// A point on its neighbour: the neighbour keeps its other segment straight.
TEST(LinkPoints, MovingAPointOffAZeroLengthSegmentKeepsItOrthogonal) {
    const std::vector<TSPoint> path{{500, 223}, {500, 223}, {500, 165}, {559, 165}};
    for (bool reversed : {false, true}) {
        TLinkPoints l;
        for (size_t k = 0; k < path.size(); ++k) l.Add(path[reversed ? path.size() - 1 - k : k]);
        l.MovePoint(reversed ? 3 : 0, TSPoint{495, 217});
        for (int i = 0; i + 1 < l.GetCount(); ++i) {
            const TSPoint p = l.Get(i), q = l.Get(i + 1);
            EXPECT_TRUE(p.X == q.X || p.Y == q.Y) << reversed << " segment " << i;
        }
        EXPECT_EQ(l.Get(reversed ? 0 : 3), (TSPoint{559, 165}));
    }
    // Its other segment horizontal: the neighbour takes the new X.
    TLinkPoints l;
    l.Add(TSPoint{0, 0});
    l.Add(TSPoint{0, 0});
    l.Add(TSPoint{10, 0});
    l.MovePoint(0, TSPoint{3, 4});
    EXPECT_EQ(l.Get(1), (TSPoint{3, 0}));
}

TEST(Topology, ResetRemovesUnconnectedLinePointsInARow) {
    TFakeCanvas canvas;
    auto a = AddObject(canvas, 0);
    a->List.Add(ConnPoint(0, ctLine));
    a->List.Add(ConnPoint(1, ctLine));
    a->List.Add(ConnPoint(2, ctPin));
    a->List.Conn(2)->SetAttr(cnaSlaveMoved, true);
    TopoResetConnection(*a, -2);
    TopoResetConnection(*a, 3);
    EXPECT_EQ(a->List.GetCount(), 3);
    // One index: that point goes, the next is not looked at.
    TopoResetConnection(*a, 0);
    ASSERT_EQ(a->List.GetCount(), 2);
    EXPECT_EQ(+a->List.GetConn(0).ConnID, 1);
    TopoResetConnection(*a, -1);
    ASSERT_EQ(a->List.GetCount(), 1);
    EXPECT_EQ(+a->List.GetConn(0).Kind, ctPin);
    EXPECT_FALSE(a->List.GetConn(0).GetAttr(cnaSlaveMoved));
}

TEST(Topology, DisconnectRenewsBothEndsOfALink) {
    TFakeCanvas canvas;
    auto a = AddObject(canvas, 0), b = AddObject(canvas, 1);
    a->List.Add(ConnPoint(0, ctPin));
    b->List.Add(ConnPoint(0, ctPin));
    a->List.Conn(0)->Connect(*b->List.Conn(0));
    const int32_t id = a->List.GetConn(0).Connection;
    TopoDisconnect(canvas, *a, 1);  // past the end: nothing
    EXPECT_TRUE(a->List.GetConn(0).Connected());
    TopoDisconnect(canvas, *a, -1);
    EXPECT_FALSE(a->List.GetConn(0).Connected());
    EXPECT_FALSE(b->List.GetConn(0).Connected());
    EXPECT_NE(+a->List.GetConn(0).Connection, id);
    EXPECT_NE(+b->List.GetConn(0).Connection, id);
    EXPECT_NE(+a->List.GetConn(0).Connection, +b->List.GetConn(0).Connection);
}

TEST(Topology, DisconnectCountsEveryPartnerOfTheNode) {
    // A node shared by three: the other two stay linked.
    TFakeCanvas canvas;
    auto a = AddObject(canvas, 0), b = AddObject(canvas, 1), c = AddObject(canvas, 2);
    for (auto* o : {a.get(), b.get(), c.get()}) o->List.Add(ConnPoint(0, ctPin));
    b->List.Conn(0)->Connect(*a->List.Conn(0));
    c->List.Conn(0)->Connect(*a->List.Conn(0));
    const int32_t id = a->List.GetConn(0).Connection;
    TopoDisconnect(canvas, *a, 0);
    EXPECT_FALSE(a->List.GetConn(0).Connected());
    EXPECT_NE(+a->List.GetConn(0).Connection, id);
    for (auto* o : {b.get(), c.get()}) {
        EXPECT_TRUE(o->List.GetConn(0).Connected());
        EXPECT_EQ(+o->List.GetConn(0).Connection, id);
    }

    // Two points of one object linked to each other: the other one is the
    // only partner and is left linked to no one.
    auto d = AddObject(canvas, 0);
    d->List.Add(ConnPoint(0, ctPin));
    d->List.Add(ConnPoint(1, ctPin));
    d->List.Conn(0)->Connect(*d->List.Conn(1));
    TopoDisconnect(canvas, *d, 0);
    EXPECT_FALSE(d->List.GetConn(1).Connected());
    EXPECT_NE(+d->List.GetConn(0).Connection, +d->List.GetConn(1).Connection);
    // With a partner elsewhere as well, it stays linked to that one.
    d->List.Conn(0)->Connect(*d->List.Conn(1));
    b->List.Conn(0)->Connect(*d->List.Conn(1));
    TopoDisconnect(canvas, *d, 0);
    EXPECT_TRUE(d->List.GetConn(1).Connected());
    EXPECT_EQ(+d->List.GetConn(1).Connection, +b->List.GetConn(0).Connection);
}

// A point marked connected with no identifier (a damaged file) is linked to
// no one: fresh points neither follow nor lead it.
TEST(Topology, IdentifierZeroLinksNoOne) {
    TFakeCanvas canvas;
    auto a = AddObject(canvas, 1), b = AddObject(canvas, 0), c = AddObject(canvas, 2);
    a->List.Add(ConnPoint(0, ctPin));
    a->List.Conn(0)->SetAttr(cnaConnected, true);
    b->List.Add(ConnPoint(0, ctPin));
    c->List.Add(ConnPoint(0, ctPin));
    a->List.Pos[0] = TSPoint{1, 1};
    b->List.Pos[0] = TSPoint{7, 7};
    c->List.Pos[0] = TSPoint{9, 9};
    Drag(canvas, *a, 2, 0);
    EXPECT_TRUE(a->Follows.empty());
    EXPECT_FALSE(b->List.GetConn(0).GetAttr(cnaSlaveMoved));
    EXPECT_EQ(b->List.Pos[0], (TSPoint{7, 7}));
    EXPECT_EQ(a->List.Pos[0], (TSPoint{3, 1}));
    EXPECT_EQ(canvas.Begins, 1);
    // A fresh point dragged is not pulled onto it either.
    Drag(canvas, *b, 1, 0);
    EXPECT_EQ(a->List.Pos[0], (TSPoint{3, 1}));
    EXPECT_EQ(c->List.Pos[0], (TSPoint{9, 9}));
}

// B is dragged; A (lower level) follows B, B's point on C (higher level)
// stays on C. C rounds its positions, which would make a follower chain
// bounce for ever.
TEST(Topology, DragOfThreeLinkedObjectsFollowsLevels) {
    TFakeCanvas canvas;
    auto a = AddObject(canvas, 0), b = AddObject(canvas, 1), c = AddObject(canvas, 2);
    a->List.Add(ConnPoint(0, ctPin));
    b->List.Add(ConnPoint(0, ctPin));
    b->List.Add(ConnPoint(1, ctPin));
    c->List.Add(ConnPoint(0, ctPin));
    c->List.Round = true;
    a->List.Pos[0] = b->List.Pos[0] = TSPoint{0, 0};
    b->List.Pos[1] = c->List.Pos[0] = TSPoint{20, 0};
    a->List.Conn(0)->Connect(*b->List.Conn(0));
    b->List.Conn(1)->Connect(*c->List.Conn(0));

    canvas.BeginMoveObj(*b);
    EXPECT_EQ(b->Follows, (std::vector<std::pair<int, bool>>{{1, true}}));
    EXPECT_TRUE(a->List.GetConn(0).GetAttr(cnaSlaveMoved));
    for (int step = 0; step < 2; ++step) {
        TEditInfo move;
        move.Init(0, 0)._ET(etMove)._DX(5.3f)._DY(1.0f);
        canvas.MovingObj(*b, move);
    }
    TopoMoveConnection(canvas, *b, -1, false);
    for (auto* o : {a.get(), b.get(), c.get()}) TopoResetConnection(*o, -1);

    EXPECT_LT(canvas.MaxDepth, 8);
    EXPECT_TRUE(PtEQ(b->List.Pos[0], TSPoint{10.6f, 2.0f}));
    EXPECT_TRUE(PtEQ(a->List.Pos[0], b->List.Pos[0]));
    EXPECT_TRUE(PtEQ(c->List.Pos[0], TSPoint{20, 0}));
    EXPECT_TRUE(PtEQ(b->List.Pos[1], TSPoint{20, 0}));
    for (auto* o : {a.get(), b.get(), c.get()})
        for (int i = 0; i < o->List.GetCount(); ++i) {
            EXPECT_FALSE(o->List.GetConn(i).GetAttr(cnaCanConnect));
            EXPECT_FALSE(o->List.GetConn(i).GetAttr(cnaSlaveMoved));
            EXPECT_TRUE(o->List.GetConn(i).Connected());
        }
}

// A chain of followers moving as a whole is walked without recursion; a
// line whose two ends follow two different objects moves both ends.
TEST(Topology, FollowersAreWalkedWithoutRecursion) {
    TFakeCanvas canvas;
    std::vector<ComPtr<TFakeLinked>> chain;
    for (int k = 0; k < 40; ++k) {
        auto o = AddObject(canvas, 0);
        o->Whole = true;
        o->List.Add(ConnPoint(0, ctPin));
        o->List.Add(ConnPoint(1, ctPin));
        o->List.Pos[0] = TSPoint{float(k) * 2, 0};
        o->List.Pos[1] = TSPoint{float(k) * 2 + 2, 0};
        if (k > 0) o->List.Conn(0)->Connect(*chain.back()->List.Conn(1));
        chain.push_back(o);
    }
    Drag(canvas, *chain.front(), 1, 3);
    EXPECT_LE(canvas.MaxDepth, 2);
    EXPECT_EQ(canvas.Begins, 40);
    for (int k = 0; k < 40; ++k) {
        EXPECT_EQ(chain[size_t(k)]->List.Pos[0], (TSPoint{float(k) * 2 + 1, 3})) << k;
        // Each follower, starting to move, marked the next as its follower.
        EXPECT_EQ(chain[size_t(k)]->List.GetConn(0).GetAttr(cnaSlaveMoved), k > 0) << k;
    }

    TFakeCanvas lines;
    auto lead = AddObject(lines, 2), left = AddObject(lines, 1), right = AddObject(lines, 1);
    auto line = AddObject(lines, 0);
    left->Whole = right->Whole = true;
    for (auto* o : {lead.get(), left.get(), right.get(), line.get()}) {
        o->List.Add(ConnPoint(0, ctPin));
        o->List.Add(ConnPoint(1, ctPin));
    }
    lead->List.Conn(0)->Connect(*left->List.Conn(0));
    lead->List.Conn(1)->Connect(*right->List.Conn(0));
    left->List.Conn(1)->Connect(*line->List.Conn(0));
    right->List.Conn(1)->Connect(*line->List.Conn(1));
    left->List.Pos[1] = line->List.Pos[0] = TSPoint{0, 5};
    right->List.Pos[1] = line->List.Pos[1] = TSPoint{0, 9};
    Drag(lines, *lead, 1, 1);
    EXPECT_EQ(line->List.Pos[0], (TSPoint{1, 6}));
    EXPECT_EQ(line->List.Pos[1], (TSPoint{1, 10}));
}

TEST(Topology, MoveConnPassesOverAnObjectItIsAlreadyMoving) {
    // A rounding follower linked to a leader at a fractional place: each
    // follow moves the leader's point back, which would start again.
    TFakeCanvas canvas;
    auto lead = AddObject(canvas, 1), follow = AddObject(canvas, 0);
    lead->List.Add(ConnPoint(0, ctPin));
    follow->List.Add(ConnPoint(0, ctPin));
    follow->List.Round = true;
    lead->List.Pos[0] = TSPoint{0.4f, 0.4f};
    lead->List.Conn(0)->Connect(*follow->List.Conn(0));
    MoveConn(canvas, *lead, 0, TSPoint{3.4f, 0.4f});
    EXPECT_LT(canvas.MaxDepth, 8);
    EXPECT_TRUE(PtEQ(follow->List.Pos[0], TSPoint{3, 0}));
    MoveConn(canvas, *lead, 1, TSPoint{9, 9});
    MoveConn(canvas, *lead, -3, TSPoint{9, 9});
    EXPECT_TRUE(PtEQ(lead->List.Pos[0], TSPoint{3.4f, 0.4f}));
}

TEST(Topology, CandidatesAreMarkedAndAskedOnlyForPointsInTheList) {
    TFakeCanvas canvas;
    auto a = AddObject(canvas, 0), b = AddObject(canvas, 1), c = AddObject(canvas, 2);
    a->List.Add(ConnPoint(0, ctPin));
    a->List.Add(ConnPoint(1, ctPin));
    b->List.Add(ConnPoint(0, ctPin));
    a->List.Conn(0)->Connect(*b->List.Conn(0));
    c->Accept = true;

    TopoBeginMoveConnection(canvas, *a, -2);
    TopoBeginMoveConnection(canvas, *a, 2);
    EXPECT_FALSE(a->List.GetConn(0).GetAttr(cnaCanConnect));
    TopoBeginMoveConnection(canvas, *a, -1);
    EXPECT_TRUE(a->List.GetConn(0).GetAttr(cnaCanConnect));
    EXPECT_FALSE(a->List.GetConn(1).GetAttr(cnaCanConnect));

    TopoMoveConnection(canvas, *a, 2, true);
    TopoMoveConnection(canvas, *a, -2, true);
    EXPECT_EQ(b->Tries + c->Tries, 0);
    // All points: the connected one is passed over; the free one asks the
    // others in order until one accepts.
    TopoMoveConnection(canvas, *a, -1, true);
    EXPECT_EQ(b->Tries, 1);
    EXPECT_EQ(c->Tries, 1);
    EXPECT_TRUE(a->List.GetConn(1).GetAttr(cnaCanConnect));
    EXPECT_TRUE(a->List.GetConn(0).Connected());
    // One connected point on its own is first disconnected.
    TopoMoveConnection(canvas, *a, 0, false);
    EXPECT_FALSE(a->List.GetConn(0).Connected());
    EXPECT_FALSE(b->List.GetConn(0).Connected());
    EXPECT_TRUE(a->List.GetConn(0).GetAttr(cnaCanConnect));
    EXPECT_EQ(c->Tries, 2);
    // Unforced, free points that are no candidates ask no one.
    EXPECT_EQ(b->Tries, 2);
    a->List.Conn(0)->SetAttr(cnaCanConnect, false);
    a->List.Conn(1)->SetAttr(cnaCanConnect, false);
    TopoMoveConnection(canvas, *a, 1, false);
    TopoMoveConnection(canvas, *a, -1, false);
    EXPECT_EQ(b->Tries, 2);
    EXPECT_EQ(c->Tries, 2);
}

}  // namespace

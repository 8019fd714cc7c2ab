#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/Support.h"
#include "foundation/Unknowns.h"
#include "foundation/Utils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using namespace velt::test;

namespace {

// Counts its destructions in a shared counter.
struct TCounted : TObject {
    explicit TCounted(int* freed, int tag = 0) : freed_(freed), Tag(tag) {}
    ~TCounted() override { ++*freed_; }
    int* freed_;
    int Tag;
};

// {11111111-0000-0000-0000-000000000001} and ...02
constexpr Guid IID_IFirst{0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr Guid IID_ISecond{0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
class IFirst : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_IFirst;
    virtual int First() = 0;
};
class ISecond : public virtual IUnknown {
public:
    static constexpr Guid IID = IID_ISecond;
    virtual int Second() = 0;
};

class TOnlyFirst : public TUnknownObject, public IFirst {
public:
    int First() override { return 1; }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<IFirst>(this, iid, obj) == S_OK) return S_OK;
        return TUnknownObject::QueryInterface(iid, obj);
    }
};
class TBoth : public TUnknownObject, public IFirst, public ISecond {
public:
    explicit TBoth(int* freed = nullptr) : freed_(freed) {}
    ~TBoth() override {
        if (freed_) ++*freed_;
    }
    int First() override { return 10; }
    int Second() override { return 20; }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<IFirst, ISecond>(this, iid, obj) == S_OK) return S_OK;
        return TUnknownObject::QueryInterface(iid, obj);
    }
    int* freed_;
};

// Takes and drops a reference to itself while it is destroyed.
class TSelfRef : public TUnknownObject {
public:
    explicit TSelfRef(int* freed) : freed_(freed) {}
    ~TSelfRef() override {
        ComPtr<IUnknown> again(static_cast<IUnknown*>(this));
        again.reset();
        ++*freed_;
    }
    int* freed_;
};

struct THandlerHost : TObject {
    std::vector<std::string> calls;
    TObject* lastSender = nullptr;
    TMultiNotifyEvent* addTo = nullptr;
    TMethod addKey;
    void A(TObject* s) {
        calls.push_back("A");
        lastSender = s;
    }
    void B(TObject* s) {
        calls.push_back("B");
        lastSender = s;
    }
    void AddMore(TObject*) {
        calls.push_back("AddMore");
        // Moves the records the walk is on.
        for (int i = 0; i < 64; ++i) addTo->AddHandler(addKey, MakeMethod<&THandlerHost::A>(this));
    }
};

}  // namespace

TEST(Unknowns, CountsQueriesAndPinnedDestruction) {
    int freed = 0;
    auto* raw = new TBoth(&freed);
    EXPECT_EQ(raw->GetRefCount(), 0);
    {
        ComPtr<IUnknown> u(&static_cast<IFirst&>(*raw));
        EXPECT_EQ(raw->GetRefCount(), 1);
        ComPtr<ISecond> s = ComQuery<ISecond>(u.get());
        ASSERT_TRUE(s);
        EXPECT_EQ(s->Second(), 20);
        EXPECT_EQ(raw->GetRefCount(), 2);
        // The IUnknown answered is the object's one identity.
        ComPtr<IUnknown> u2 = ComQuery<IUnknown>(s.get());
        EXPECT_EQ(u2.get(), u.get());
        EXPECT_FALSE(ComQuery<IIntfList>(u.get()));
    }
    EXPECT_EQ(freed, 1);

    int selfFreed = 0;
    ComPtr<IUnknown> p(static_cast<IUnknown*>(new TSelfRef(&selfFreed)));
    p.reset();
    EXPECT_EQ(selfFreed, 1);  // once, under ASan no double delete
}

namespace {
class TAggregated : public Unknowns::TCoObject {
public:
    TAggregated(IUnknown* c, std::vector<std::string>* log) : TCoObject(c), log_(log) {}
    ~TAggregated() override { log_->push_back("destroy"); }
    void BeforeDestroy() override { log_->push_back("before"); }
    std::vector<std::string>* log_;
};
}  // namespace

TEST(Unknowns, AggregatedObjectDelegatesAndCountsOnItself) {
    std::vector<std::string> log;
    auto* ctl = new TBoth();
    ComPtr<IUnknown> controller(&static_cast<IFirst&>(*ctl));
    auto* agg = new TAggregated(controller.get(), &log);
    ComPtr<IUnknown> own(static_cast<IUnknown*>(agg));
    EXPECT_EQ(agg->GetRefCount(), 1);
    int32_t before = ctl->GetRefCount();
    agg->Delegating()._AddRef();
    EXPECT_EQ(agg->GetRefCount(), 1);
    EXPECT_EQ(ctl->GetRefCount(), before + 1);
    agg->Delegating()._Release();
    // The delegating query answers the controller's interfaces.
    void* p = nullptr;
    ASSERT_EQ(agg->Delegating().QueryInterface(IID_ISecond, &p), S_OK);
    EXPECT_EQ(static_cast<ISecond*>(p)->Second(), 20);
    static_cast<ISecond*>(p)->_Release();
    // Its own does not.
    EXPECT_EQ(agg->QueryInterface(IID_ISecond, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(agg->GetController().get(), controller.get());
    // Without a controller the delegating three are the object's own.
    agg->SetController(nullptr);
    agg->Delegating()._AddRef();
    EXPECT_EQ(agg->GetRefCount(), 2);
    agg->Delegating()._Release();
    own.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"before", "destroy"}));
}

TEST(Support, ObjectListsOwnOnceAfterAssign) {
    int freed = 0;
    {
        TObjectList a, b;
        a.Add(new TCounted(&freed, 1));
        a.Add(new TCounted(&freed, 2));
        b.Add(new TCounted(&freed, 3));
        a.AssignTo(&b);
        EXPECT_EQ(freed, 1);  // b's own object
        EXPECT_FALSE(b.OwnsObjects);
        EXPECT_EQ(b.GetObjects(1), a.GetObjects(1));
        a.AssignTo(&a);
        EXPECT_EQ(a.GetCount(), 2);
        std::unique_ptr<TObject> out(a.Delete(0));
        EXPECT_EQ(static_cast<TCounted*>(out.get())->Tag, 1);
        b.Delete(0);
        EXPECT_THROW(a.GetObjects(5), EListError);
        TClassList cl;
        EXPECT_THROW(a.AssignTo(&cl), EConvertError);
    }
    EXPECT_EQ(freed, 3);  // each object once (ASan catches a second)
}

TEST(Support, AssigningBackAndForthFreesNothingShared) {
    int freed = 0;
    {
        TObjectList a, b;
        a.Add(new TCounted(&freed, 1));
        a.Add(new TCounted(&freed, 2));
        b.Assign(&a);
        a.Assign(&b);
        EXPECT_EQ(freed, 0);
        EXPECT_EQ(static_cast<TCounted*>(a.GetObjects(1))->Tag, 2);
        EXPECT_EQ(static_cast<TCounted*>(b.GetObjects(0))->Tag, 1);
    }
    EXPECT_EQ(freed, 2);  // each once

    freed = 0;
    {
        TIDObjects a, b;
        a.AddObject(5, new TCounted(&freed, 5));
        a.AddObject(6, new TCounted(&freed, 6));
        b.Assign(&a);
        a.Assign(&b);
        EXPECT_EQ(freed, 0);
        EXPECT_EQ(static_cast<TCounted*>(a.GetObjects(6))->Tag, 6);
        EXPECT_EQ(static_cast<TCounted*>(b.GetObjects(5))->Tag, 5);
    }
    EXPECT_EQ(freed, 2);
}

TEST(Support, ClassListsAndDescriptors) {
    TClassDesc base{"TBase", nullptr}, derived{"TDerived", &base}, other{"TOther", nullptr};
    EXPECT_TRUE(derived.InheritsFrom(&base));
    EXPECT_FALSE(base.InheritsFrom(&derived));
    TClassList a, b;
    a.Add(&base);
    a.Add(&derived);
    EXPECT_TRUE(a.Contains(b));
    b.Add(&derived);
    EXPECT_TRUE(a.Contains(b));
    b.Add(&other);
    EXPECT_FALSE(a.Contains(b));
    a.AssignTo(&b);
    EXPECT_EQ(b.GetCount(), 2);
    EXPECT_EQ(b.IndexOf(&derived), 1);
    EXPECT_EQ(b.IndexOf(&other), -1);

    TIDClasses ic, ic2;
    ic.AddClass(5, &base);
    ic.AddClass(6, &derived);
    ic.AssignTo(&ic2);
    EXPECT_EQ(ic2.GetClasses(6), &derived);
    EXPECT_EQ(ic2.Delete(5), &base);
    EXPECT_EQ(ic2.Delete(5), nullptr);
    EXPECT_EQ(ic2.GetCount(), 1);
}

TEST(Support, DupStringListRenamesEveryWayIn) {
    TDupStringList l;
    l.Add("S");
    l.Add("s_1");
    EXPECT_EQ(l.Add("S"), 2);
    EXPECT_EQ(l[2], "S_2");
    TStringList src;
    src.SetText("A\r\nA\r\nB\r\n");
    TDupStringList a;
    a.Assign(&src);
    EXPECT_EQ(a.Text(), "A\r\nA_1\r\nB\r\n");
    a.SetText("X\nX\nX\n");
    EXPECT_EQ(a.Text(), "X\r\nX_1\r\nX_2\r\n");
    TMemoryStream m;
    m.WriteBuffer("Q\r\nQ\r\n", 6);
    m.SetPosition(0);
    a.LoadFromStream(m);
    EXPECT_EQ(a.Text(), "Q\r\nQ_1\r\n");

    // A number freed by a change made past Add is found again; names match
    // ignoring case.
    TDupStringList d;
    for (int i = 0; i < 3; ++i) d.Add("N");
    d.Delete(1);
    EXPECT_EQ(d[d.Add("N")], "N_1");
    EXPECT_EQ(d[d.Add("n")], "n_3");
    d.Put(0, "M");
    EXPECT_EQ(d[d.Add("N")], "N");
}

TEST(Support, MultiNotifyEvents) {
    THandlerHost h, other;
    TMultiNotifyEvent e;
    h.addTo = &e;
    TMethod key1 = MakeMethod<&THandlerHost::A>(&other), key2 = MakeMethod<&THandlerHost::B>(&other);
    EXPECT_FALSE(MethodsEqual(key1, key2));
    EXPECT_FALSE(MethodsEqual(key1, MakeMethod<&THandlerHost::A>(&h)));
    e.AddHandler(key1, MakeMethod<&THandlerHost::A>(&h));
    e.AddHandler(key2, MakeMethod<&THandlerHost::B>(&h));
    e.AddHandler(key1, MakeMethod<&THandlerHost::B>(&h));
    TObject sender;
    e.CallHandlers(&sender, MakeMethod<&THandlerHost::A>(&h));  // a key nobody has
    EXPECT_TRUE(h.calls.empty());
    e.CallHandlers(&sender, key1);
    EXPECT_EQ(h.calls, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(h.lastSender, &sender);
    e.RemoveHandler(key1, MakeMethod<&THandlerHost::A>(&h));
    h.calls.clear();
    e.CallHandlers(&sender, key1);
    EXPECT_EQ(h.calls, (std::vector<std::string>{"B"}));
    // A handler adding handlers while the walk is on.
    e.AddHandler(key1, MakeMethod<&THandlerHost::AddMore>(&h));
    h.addKey = key1;
    h.calls.clear();
    e.CallHandlers(&sender, key1);
    EXPECT_EQ(h.calls, (std::vector<std::string>{"B", "AddMore"}));
    EXPECT_EQ(e.GetCount(), 3 + 64);

    TMultiIDNotifyEvent ie;
    ie.AddHandler(7, MakeMethod<&THandlerHost::A>(&h));
    ie.AddHandler(7, MakeMethod<&THandlerHost::A>(&h));
    ie.AddHandler(8, MakeMethod<&THandlerHost::B>(&h));
    h.calls.clear();
    ie.CallHandlers(7, &sender);
    EXPECT_EQ(h.calls, (std::vector<std::string>{"A", "A"}));
    EXPECT_EQ(h.lastSender, &ie);  // the list itself is the Sender
    ie.RemoveHandler(7, MakeMethod<&THandlerHost::A>(&h));
    EXPECT_EQ(ie.GetCount(), 2);

    TEventList el;
    TMethod m = MakeMethod<&THandlerHost::B>(&h), got;
    el.Add(&m);
    el.GetItems(0, got);
    EXPECT_TRUE(MethodsEqual(got, m));
    EXPECT_THROW(el.GetItems(1, got), EListError);
}

TEST(Support, IDObjectsDeleteAllAndAssign) {
    int freed = 0;
    auto* keep = new TCounted(&freed, 9);
    {
        TIDObjects o;
        o.AddObject(5, new TCounted(&freed));
        o.AddObject(6, keep);
        o.AddObject(5, new TCounted(&freed));
        o.DeleteAll(5, true);
        EXPECT_EQ(freed, 2);
        EXPECT_EQ(o.GetCount(), 1);
        EXPECT_EQ(o.GetObjects(6), keep);
        EXPECT_EQ(o.GetObjects(5), nullptr);
        EXPECT_EQ(o.DeleteObject(6, nullptr), nullptr);
        // Every entry of a repeated pair goes; other entries of the ID stay.
        auto* twice = new TCounted(&freed, 7);
        auto* other = new TCounted(&freed, 8);
        o.AddObject(7, twice);
        o.AddObject(7, other);
        o.AddObject(7, twice);
        EXPECT_EQ(o.DeleteObject(7, twice), twice);
        EXPECT_EQ(o.GetCount(), 2);
        EXPECT_EQ(o.GetObjects(7), other);
        delete twice;
        delete o.Delete(7);
        freed -= 2;
        TIDObjects d;
        d.AddObject(1, new TCounted(&freed));
        o.AssignTo(&d);
        EXPECT_EQ(freed, 3);
        EXPECT_EQ(d.GetObjects(6), keep);
        o.AssignTo(&o);
        EXPECT_EQ(o.GetCount(), 1);
    }
    EXPECT_EQ(freed, 4);  // keep freed once, by o
}

namespace {
// A destination that takes nodes: copies ID and name.
struct TNodeTaker : TPersistent {
    int32_t ID = 0;
    std::string Name;
    void Assign(const TPersistent* source) override {
        if (auto* n = dynamic_cast<const TObjectNode*>(source)) {
            ID = n->ID;
            Name = n->Name;
            return;
        }
        TPersistent::Assign(source);
    }
};
std::unique_ptr<TObjectNode> Node(int32_t id, std::string name = {}) {
    auto n = std::make_unique<TObjectNode>();
    n->ID = id;
    n->Name = std::move(name);
    return n;
}
}  // namespace

TEST(Support, ObjectNodePathsNamesAndAssign) {
    TObjectNode root;
    auto c2 = Node(2, "two");
    c2->Add(Node(7, "seven"));
    root.Add(Node(1, "One"));
    root.Add(std::move(c2));
    auto path = [](std::initializer_list<int32_t> ids) {
        auto l = std::make_unique<TPureIDList>();
        for (int32_t i : ids) l->AddID(i);
        return l;
    };
    EXPECT_EQ(root.FindNode(*path({2, 7}))->Name, "seven");
    EXPECT_EQ(root.FindNode(*path({1, 7})), nullptr);
    EXPECT_EQ(root.FindNode(*path({})), &root);
    EXPECT_EQ(root.GetNodeByName("one"), nullptr);
    EXPECT_EQ(root.GetNodeByName("One")->ID, 1);

    TObjectNode other;
    EXPECT_THROW(root.Assign(&other), EConvertError);  // would loop for ever
    TNodeTaker taker;
    root.GetNodes(1)->AssignTo(&taker);
    EXPECT_EQ(taker.Name, "two");

    std::unique_ptr<TObjectNode> out = root.Remove(root.GetNodes(0));
    EXPECT_EQ(out->Name, "One");
    EXPECT_EQ(root.GetCount(), 1);
}

TEST(Support, IntfListCountsNilsAndMemberQueries) {
    int freed = 0;
    ComPtr<TIntfList> l = TIntfList::Create();
    EXPECT_EQ(l->GetRefCount(), 1);
    auto* a = new TOnlyFirst();
    auto* b = new TBoth(&freed);
    l->Add(&static_cast<IFirst&>(*a));
    l->Add(nullptr);
    l->Add(&static_cast<IFirst&>(*b));
    EXPECT_EQ(a->GetRefCount(), 1);
    // Only the second member answers ISecond.
    ComPtr<ISecond> s = ComQuery<ISecond>(static_cast<IIntfList*>(l.get()));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Second(), 20);
    ComPtr<IFirst> f = ComQuery<IFirst>(static_cast<IIntfList*>(l.get()));
    EXPECT_EQ(f->First(), 1);
    f.reset();
    ComPtr<IIntfList> q;
    l->QueryInterfaces(IID_ISecond, q);
    ASSERT_EQ(q->GetCount(), 1);
    EXPECT_EQ(q->GetItems(0).get(), static_cast<IUnknown*>(&static_cast<IFirst&>(*b)));
    EXPECT_EQ(l->IndexOf(static_cast<IUnknown*>(&static_cast<IFirst&>(*b))), 2);
    l->Assign(static_cast<IIntfList*>(l.get()));  // itself: unchanged
    EXPECT_EQ(l->GetCount(), 3);
    q.reset();
    s.reset();
    EXPECT_EQ(b->GetRefCount(), 1);
    l->Clear();  // past the nil item
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(l->GetCount(), 0);
}

TEST(Support, GUIDListAndListListStream) {
    auto* g = new TGUIDList();
    ComPtr<IGeneralList> held(static_cast<IGeneralList*>(g));
    Guid x = IID_IIntfList;
    g->Add(&x);
    ComPtr<IGUIDList> gi = ComQuery<IGUIDList>(held.get());
    ASSERT_TRUE(gi);
    EXPECT_EQ(gi->IndexOf(IID_IIntfList), 0);
    EXPECT_EQ(gi->IndexOf(IID_IGUIDList), -1);
    EXPECT_EQ(gi->GetItems(0)->D1, 0x3845B370u);
    EXPECT_THROW(gi->GetItems(1), EListError);
    // Equal in all but the last of the four words.
    Guid near = x;
    near.D4[7] ^= 1;
    EXPECT_EQ(gi->IndexOf(near), -1);
    g->Add(&near);
    EXPECT_EQ(gi->IndexOf(near), 1);

    TListList ll;
    auto ids = std::make_unique<TPureIDList>();
    ids->AddID(7);
    ll.AddOwnedList(std::move(ids));
    TMemoryStream m;
    ll.SaveToStream(m);
    std::string expect("\x01\0\0\0\x0B\0\0\0\x0BTPureIDList\x01\0\0\0\x04\0\0\0\x07\0\0\0", 32);
    EXPECT_EQ(Bytes(m), expect);
    m.SetPosition(0);
    TListList back;
    back.AddOwnedList(std::make_unique<TGUIDList>());  // freed by the load
    back.LoadFromStream(m);
    ASSERT_EQ(back.GetCount(), 1);
    EXPECT_EQ(back.GetLists(0)->ClassName(), "TPureIDList");
    EXPECT_EQ(static_cast<TIDList*>(back.GetLists(0))->GetID(0), 7);
    std::unique_ptr<TGeneralList> clone = back.Clone();
    EXPECT_NE(static_cast<TListList*>(clone.get())->GetLists(0), back.GetLists(0));

    // A count beyond the bytes, a name length that disagrees: refused, list kept.
    TMemoryStream bad = StreamOf({0xFF, 0xFF, 0, 0, 0, 0, 0, 0});
    EXPECT_THROW(back.LoadFromStream(bad), EReadError);
    std::string wrongLen = expect;
    wrongLen[4] = 5;
    TMemoryStream bad2;
    bad2.WriteBuffer(wrongLen.data(), int64_t(wrongLen.size()));
    bad2.SetPosition(0);
    EXPECT_THROW(back.LoadFromStream(bad2), EReadError);
    EXPECT_EQ(back.GetCount(), 1);
}

namespace {
// levels lists of lists, each holding the next; the outermost is level 1.
std::string NestedLists(int levels) {
    std::string b;
    auto int32 = [&b](int32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
    for (int i = 1; i < levels; ++i) {
        int32(1);
        int32(9);
        b += "\x09TListList";
    }
    int32(0);
    return b;
}
}  // namespace

TEST(Support, ListListNestingIsBoundedAt256Levels) {
    TListList l;
    TMemoryStream ok;
    std::string b = NestedLists(256);
    ok.WriteBuffer(b.data(), int64_t(b.size()));
    ok.SetPosition(0);
    l.LoadFromStream(ok);
    int depth = 1;
    for (TGeneralList* at = &l; at->GetCount() > 0; ++depth) at = static_cast<TListList*>(at)->GetLists(0);
    EXPECT_EQ(depth, 256);
    TMemoryStream saved;
    l.SaveToStream(saved);
    EXPECT_EQ(saved.Size(), int64_t(b.size()));

    TMemoryStream deep;
    b = NestedLists(257);
    deep.WriteBuffer(b.data(), int64_t(b.size()));
    deep.SetPosition(0);
    try {
        l.LoadFromStream(deep);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message, "Lists of lists nested deeper than 256 levels");
    }
    EXPECT_EQ(l.GetCount(), 1);  // kept

    // Nor is one deeper saved.
    TListList outer;
    deep.SetPosition(0);
    auto inner = std::make_unique<TListList>();
    ok.SetPosition(0);
    inner->LoadFromStream(ok);
    outer.AddOwnedList(std::move(inner));
    TMemoryStream refused;
    EXPECT_THROW(outer.SaveToStream(refused), EWriteError);
}

namespace {
// Answers ISecond through an inner object it holds.
class TWithInner : public TUnknownObject {
public:
    explicit TWithInner(int* freed) : inner_(new TBoth(freed)) {}
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (iid == IID_ISecond) return inner_->QueryInterface(iid, obj);
        return TUnknownObject::QueryInterface(iid, obj);
    }
    TBoth* Inner() const { return inner_.get(); }

private:
    ComPtr<TBoth> inner_;
};
}  // namespace

TEST(Support, IntfListHoldsTheObjectThatAnswered) {
    int freed = 0;
    {
        ComPtr<TIntfList> l = TIntfList::Create();
        auto* outer = new TWithInner(&freed);
        TBoth* inner = outer->Inner();
        l->Add(static_cast<IUnknown*>(outer));
        EXPECT_EQ(outer->GetRefCount(), 1);
        ComPtr<IIntfList> q;
        l->QueryInterfaces(IID_ISecond, q);
        EXPECT_EQ(outer->GetRefCount(), 1);
        EXPECT_EQ(inner->GetRefCount(), 2);
        ASSERT_EQ(q->GetCount(), 1);
        EXPECT_EQ(ComQuery<ISecond>(q->GetItems(0).get())->Second(), 20);
        q.reset();
        EXPECT_EQ(inner->GetRefCount(), 1);
    }
    EXPECT_EQ(freed, 1);
}

TEST(Support, IntfListThatHoldsItselfAnswersNothingMore) {
    ComPtr<TIntfList> a = TIntfList::Create();
    ComPtr<TIntfList> b = TIntfList::Create();
    TBoth member;
    ComPtr<IUnknown> keep(static_cast<IFirst*>(&member));
    a->Add(static_cast<IIntfList*>(a.get()));
    a->Add(static_cast<IIntfList*>(b.get()));
    b->Add(static_cast<IIntfList*>(a.get()));
    EXPECT_FALSE(ComQuery<ISecond>(static_cast<IIntfList*>(a.get())));
    EXPECT_FALSE(ComQuery<ISecond>(static_cast<IIntfList*>(b.get())));
    b->Add(static_cast<IFirst*>(&member));
    ComPtr<ISecond> s = ComQuery<ISecond>(static_cast<IIntfList*>(a.get()));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Second(), 20);
    s.reset();
    a->Clear();
    b->Clear();
    keep.Detach();
}

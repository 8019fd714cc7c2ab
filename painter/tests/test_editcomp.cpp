#include <gtest/gtest.h>

#include <QImage>
#include <limits>
#include <string>
#include <vector>

#include "foundation/Utils.h"
#include "painter/EdtComp.h"
#include "painter/tests/SurfaceTestSupport.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/tests/GoldenImage.h"

using namespace velt;
using CoComp::TCoClassDesc;
using CoComp::TCoObject;
using velt::test::SurfaceTest;
using GrfUtils::SRect;

namespace {

using TLog = std::vector<std::string>;

constexpr Guid GuidStored{0xE0220001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr Guid GuidOver{0xE0220001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
constexpr Guid GuidVeto{0xE0220001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 3}};

// A registered extension without data: 21 bytes stored.
class TStoredExt : public TCoObject {
public:
    static const TCoClassDesc& Class() {
        static const TCoClassDesc d("TStoredExt", &TCoObject::Class(), GuidStored, &CoComp::MakeCoObject<TStoredExt>);
        return d;
    }
    const TCoClassDesc& ClassType() const override { return Class(); }
};

// Draws over its component by writing its name into a log.
class TOverExt : public TCoObject, public virtual IOverDraw {
public:
    TOverExt(TLog* log, std::string name, TOverrideMode mode) : log_(log), name_(std::move(name)), mode_(mode) {}
    static const TCoClassDesc& Class() {
        static const TCoClassDesc d("TOverExt", &TCoObject::Class(), GuidOver, nullptr);
        return d;
    }
    const TCoClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<IOverDraw>(this, iid, obj) == S_OK) return S_OK;
        return TCoObject::QueryInterface(iid, obj);
    }
    TOverrideMode GetOverrideMode() override { return mode_; }
    void OverDraw(TGraphPaint&) override { log_->push_back(name_); }

private:
    TLog* log_;
    std::string name_;
    TOverrideMode mode_;
};

// Asked before its component is selected; logs what it is asked and told.
class TVetoExt : public TCoObject, public virtual IOverEdit {
public:
    TVetoExt(TLog* log, std::string name, bool allow) : log_(log), name_(std::move(name)), allow_(allow) {}
    static const TCoClassDesc& Class() {
        static const TCoClassDesc d("TVetoExt", &TCoObject::Class(), GuidVeto, nullptr);
        return d;
    }
    const TCoClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<IOverEdit>(this, iid, obj) == S_OK) return S_OK;
        return TCoObject::QueryInterface(iid, obj);
    }
    bool CanSelect() override {
        log_->push_back(name_ + "?");
        return allow_;
    }
    void SelectChanged(bool selected) override { log_->push_back(name_ + (selected ? "+" : "-")); }

private:
    TLog* log_;
    std::string name_;
    bool allow_;
};

// Not an extension object: held, never stored.
class TForeign : public TUnknownObject {};

// A component of given points that applies moves and logs its drawing.
class TPtComp : public TGrfEditComp {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TPtComp", &TGrfEditComp::Class(), &MakeComponent<TPtComp>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }

    void AddPt(float x, float y, int shape = 0, bool filled = true, int16_t cursor = 0) {
        TEditPointInfo p;
        p.Init();
        p.Index = int32_t(Pts.size());
        p.X = x, p.Y = y;
        p.Shape = uint8_t(shape);
        p.Filled = filled;
        p.Cursor = cursor;
        Pts.push_back(p);
    }
    int GetPointsCount() override { return int(Pts.size()); }
    void GetPoints(int i, TEditPointInfo& info) override { info = Pts[size_t(i)]; }
    void Moving(TEditInfo& info) override {
        Moves.push_back(info);
        PutPos(GetX() + info.DX, GetY() + info.DY);
    }
    void Draw(TGraphPaint&) override {
        if (Log) Log->push_back("comp");
        if (FailDraw) throw Exception("cannot draw");
    }
    std::vector<TEditPointInfo> Pts;
    std::vector<TEditInfo> Moves;
    TLog* Log = nullptr;
    bool FailDraw = false;
};

// Brings a stored extension along from its init step.
class TAutoExtComp : public TGrfEditComp {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TAutoExtComp", &TGrfEditComp::Class(), &MakeComponent<TAutoExtComp>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }

protected:
    void Create(TVerUdov* owner) override {
        TGrfEditComp::Create(owner);
        AddInterface(static_cast<ICoObject*>(TStoredExt::Class().Create().get()));
    }
};

// Knows only the record of 19970503: the name, attributes, X and Y.
class TOldReader : public TGrfEditComp {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TOldReader", &TGrfEditComp::Class(), &MakeComponent<TOldReader>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
    void ReadData(TStream& s) override {
        TVerUdov::ReadData(s);
        ReadInteger(s);
        OldX = ReadFloat(s);
        OldY = ReadFloat(s);
    }
    void Place(float x, float y) { PutPos(x, y); }
    float OldX = 0, OldY = 0;
};

void RegisterAll() {
    RegisterEditComps();
    RegisterEditComps();  // a second start-up call changes nothing
    static const bool done = [] {
        RegisterGrfClasses({&TPtComp::Class(), &TAutoExtComp::Class(), &TOldReader::Class()});
        CoComp::RegisterCoClass(TStoredExt::Class());
        return true;
    }();
    (void)done;
}

std::string Bytes(TMemoryStream& m) { return std::string(static_cast<const char*>(m.Memory()), size_t(m.Size())); }
std::string Hex(const std::string& s) {
    static const char* digits = "0123456789ABCDEF";
    std::string r;
    for (unsigned char c : s) {
        if (!r.empty()) r += ' ';
        r += digits[c >> 4];
        r += digits[c & 15];
    }
    return r;
}
int32_t IntAt(const std::string& s, size_t at) {
    int32_t v;
    memcpy(&v, s.data() + at, 4);
    return v;
}

template <class T>
ComPtr<T> Make(T* p) {
    return ComPtr<T>(p);
}
IUnknown* U(TCoObject* e) { return static_cast<ICoObject*>(e); }

// ---- stored form -------------------------------------------------------------------

TEST(EditCompRecord, GoldenBytesOfANewComponentAndItsSelection) {
    RegisterAll();
    auto comp = TVerUdov::NewRoot<TGrfEditComp>();
    EXPECT_TRUE(comp->GetVisible());
    EXPECT_FALSE(comp->GetSelected());
    TMemoryStream m;
    WriteVerUdov(m, comp.get());
    const std::string head = "40 00 17 00 00 E0 B9 30 01 1C 00 00 00";
    const std::string zeros20 = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    EXPECT_EQ(Hex(Bytes(m)), head + " 00 00 00 00 80 00 00 00" + zeros20 + " 00 00 00 00");
    EXPECT_EQ(m.Size(), 45);

    comp->PutSelected(true);
    TMemoryStream sel;
    WriteVerUdov(sel, comp.get());
    EXPECT_EQ(Hex(Bytes(sel)), head + " 00 00 00 00 88 00 00 00" + zeros20 + " 00 00 00 00");
    sel.SetPosition(0);
    TVerUdovPtr<> back = ReadVerUdov(sel);
    auto* e = dynamic_cast<TGrfEditComp*>(back.get());
    ASSERT_NE(e, nullptr);
    EXPECT_FALSE(e->GetSelected());
    EXPECT_TRUE(e->GetVisible());

    // One extension: 21 more bytes of data, counted once.
    comp->AddInterface(U(TStoredExt::Class().Create().get()));
    TMemoryStream one;
    WriteVerUdov(one, comp.get());
    const std::string b = Bytes(one);
    EXPECT_EQ(IntAt(b, 9), 49);
    EXPECT_EQ(IntAt(b, 37), 1);
    EXPECT_EQ(b.size(), 66u);
    one.SetPosition(0);
    TVerUdovPtr<> withExt = ReadVerUdov(one);
    EXPECT_EQ(dynamic_cast<TGrfEditComp*>(withExt.get())->GetExIntfCount(), 1);
}

TEST(EditCompRecord, OldRecordsAndOldReaders) {
    RegisterAll();
    // A record of 19970503 ends after Y.
    TMemoryStream old;
    WriteByte(old, '@');
    WriteInteger(old, GrfClassID("TGrfEditComp"));
    WriteInteger(old, 19970503);
    WriteInteger(old, 16);
    WriteInteger(old, 0);
    WriteInteger(old, 0x88);
    WriteFloat(old, 1.5f);
    WriteFloat(old, -2);
    WriteInteger(old, 0);
    ASSERT_EQ(old.Size(), 33);
    old.SetPosition(0);
    TVerUdovPtr<> read = ReadVerUdov(old);
    auto* e = dynamic_cast<TGrfEditComp*>(read.get());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetX(), 1.5f);
    EXPECT_EQ(e->GetY(), -2.0f);
    EXPECT_FALSE(e->GetSelected());
    EXPECT_EQ(old.GetPosition(), 33);

    // A reader that knows only that record skips the rest by the length.
    auto comp = TVerUdov::NewRoot<TOldReader>();
    comp->Place(3, 4);
    comp->AddInterface(U(TStoredExt::Class().Create().get()));
    TVerUdov::New<TGrfEditComp>(comp.get());
    TMemoryStream m;
    WriteVerUdov(m, comp.get());
    m.SetPosition(0);
    TVerUdovPtr<> back = ReadVerUdov(m);
    auto* r = dynamic_cast<TOldReader*>(back.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->OldX, 3.0f);
    EXPECT_EQ(r->OldY, 4.0f);
    EXPECT_EQ(r->GetComponentCount(), 1);
    EXPECT_EQ(m.GetPosition(), m.Size());
}

TEST(EditCompRecord, LoadingAgainKeepsOneCopyOfTheStoredExtensions) {
    RegisterAll();
    auto comp = TVerUdov::NewRoot<TGrfEditComp>();
    auto foreign = Make(new TForeign);
    comp->AddInterface(foreign.get());
    comp->AddInterface(U(TStoredExt::Class().Create().get()));
    TMemoryStream m;
    comp->SaveToStream(m);
    for (int i = 0; i < 2; ++i) {
        m.SetPosition(0);
        comp->LoadFromStream(m);
    }
    // The foreign one is not stored and stays; the stored one is there once.
    ASSERT_EQ(comp->GetExIntfCount(), 2);
    EXPECT_EQ(comp->GetExIntf(0).get(), static_cast<IUnknown*>(foreign.get()));
    EXPECT_TRUE(ComQuery<ICoObject>(comp->GetExIntf(1).get()));

    // A class whose init step adds the extension reads its record with one.
    auto autoComp = TVerUdov::NewRoot<TAutoExtComp>();
    ASSERT_EQ(autoComp->GetExIntfCount(), 1);
    TMemoryStream a;
    WriteVerUdov(a, autoComp.get());
    a.SetPosition(0);
    TVerUdovPtr<> back = ReadVerUdov(a);
    EXPECT_EQ(dynamic_cast<TGrfEditComp*>(back.get())->GetExIntfCount(), 1);

    // A failing read leaves the extensions as they were.
    TMemoryStream bad;
    comp->SaveToStream(bad);
    std::string bytes = Bytes(bad);
    bytes[45] = char(0x55);  // the stored extension's class GUID: unregistered
    TMemoryStream broken;
    broken.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    broken.SetPosition(0);
    ComPtr<IUnknown> held = comp->GetExIntf(1);
    comp->Name = "Before";
    comp->Move(3, 4);
    EXPECT_THROW(comp->LoadFromStream(broken), Exception);
    ASSERT_EQ(comp->GetExIntfCount(), 2);
    EXPECT_EQ(comp->GetExIntf(1).get(), held.get());
    EXPECT_EQ(comp->Name, "Before");  // nothing is taken before all has read
}

TEST(EditCompRecord, APositionThatIsNoNumberIsNeitherReadNorWritten) {
    RegisterAll();
    auto comp = TVerUdov::NewRoot<TPtComp>();
    TMemoryStream m;
    WriteVerUdov(m, comp.get());
    std::string bytes = Bytes(m);
    const uint32_t nan = 0xFFFFFE41u;  // a NaN with a payload
    memcpy(bytes.data() + 25, &nan, 4);  // Y
    TMemoryStream bad;
    bad.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    bad.SetPosition(0);
    EXPECT_THROW(ReadVerUdov(bad), EReadError);

    comp->Move(std::numeric_limits<float>::infinity(), 0);
    TMemoryStream refused;
    EXPECT_THROW(WriteVerUdov(refused, comp.get()), EWriteError);
}

TEST(EditCompRecord, OnlyExtensionsOfRegisteredClassesAreStored) {
    RegisterAll();
    TLog log;
    auto comp = TVerUdov::NewRoot<TGrfEditComp>();
    TVerUdov::New<TGrfEditComp>(comp.get())->Name = "child";
    auto task = Make(new TStdTask);                        // a class without a GUID
    auto over = Make(new TOverExt(&log, "o", omNoOver));  // a GUID never registered
    comp->AddInterface(U(task.get()));
    comp->AddInterface(U(over.get()));
    comp->AddInterface(U(TStoredExt::Class().Create().get()));
    TMemoryStream m;
    WriteVerUdov(m, comp.get());
    m.SetPosition(0);
    TVerUdovPtr<> back = ReadVerUdov(m);
    auto* b = dynamic_cast<TGrfEditComp*>(back.get());
    ASSERT_TRUE(b);
    ASSERT_EQ(b->GetComponentCount(), 1);
    EXPECT_EQ(b->GetComponent(0)->Name, "child");
    ASSERT_EQ(b->GetExIntfCount(), 1);
    EXPECT_EQ(ComQuery<ICoObject>(b->GetExIntf(0).get())->GetClassID(), GuidStored);

    // Read into the component itself: those kept in memory stay.
    m.SetPosition(5);
    comp->LoadFromStream(m);
    ASSERT_EQ(comp->GetExIntfCount(), 3);
    EXPECT_EQ(comp->GetExIntf(0).get(), U(task.get()));
    EXPECT_EQ(comp->GetExIntf(1).get(), U(over.get()));
    EXPECT_EQ(task->GetRoot().get(), static_cast<IGrfObject*>(comp.get()));

    // A class without a GUID matches nothing when replacing.
    auto second = Make(new TStdTask);
    comp->ReplaceInterface(U(second.get()));
    EXPECT_EQ(comp->GetExIntfCount(), 4);
    EXPECT_EQ(comp->GetExIntf(0).get(), U(task.get()));
}

// ---- the list of copied components -----------------------------------------------------

TEST(EditCompList, SavesAndLoadsSelectedComponents) {
    RegisterAll();
    auto from = TVerUdov::NewRoot<TGrfRootComp>();
    auto* a = TVerUdov::New<TPtComp>(from.get());
    a->Name = "A";
    auto* b = TVerUdov::New<TGrfEditComp>(from.get());
    b->Name = "B";
    TGrfEditCompList list;
    list.Add(a);
    list.Add(b);
    EXPECT_EQ(list.Get(1), b);
    EXPECT_EQ(list.Get(2), nullptr);
    EXPECT_EQ(list.Get(-1), nullptr);
    TMemoryStream m;
    list.SaveToStream(m);

    auto to = TVerUdov::NewRoot<TGrfRootComp>();
    TGrfEditCompList pasted;
    m.SetPosition(0);
    pasted.LoadFromStream(m, to.get());
    ASSERT_EQ(pasted.Count(), 2);
    EXPECT_EQ(to->GetComponentCount(), 2);
    EXPECT_EQ(pasted.Get(0)->Name, "A");
    EXPECT_NE(dynamic_cast<TPtComp*>(pasted.Get(0)), nullptr);
    EXPECT_EQ(pasted.Get(1)->Name, "B");
    EXPECT_TRUE(pasted.Get(0)->GetSelected());
    EXPECT_TRUE(pasted.Get(1)->GetSelected());
    EXPECT_EQ(pasted.Get(0)->GetOwner(), to.get());
}

TEST(EditCompList, OutsideBytesAreReadWithCare) {
    RegisterAll();
    auto owner = TVerUdov::NewRoot<TGrfRootComp>();
    auto plain = TVerUdov::NewRoot<TVerUdov>();
    auto comp = TVerUdov::NewRoot<TGrfEditComp>();

    // No owner: refused before anything is read.
    TMemoryStream one;
    WriteInteger(one, 1);
    WriteVerUdov(one, comp.get());
    one.SetPosition(0);
    TGrfEditCompList list;
    EXPECT_THROW(list.LoadFromStream(one, nullptr), EReadError);
    EXPECT_EQ(one.GetPosition(), 0);

    // A record of another class: released, the read refused, nothing kept.
    TMemoryStream mixed;
    WriteInteger(mixed, 2);
    WriteVerUdov(mixed, comp.get());
    WriteVerUdov(mixed, plain.get());
    mixed.SetPosition(0);
    EXPECT_THROW(list.LoadFromStream(mixed, owner.get()), EReadError);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(owner->GetComponentCount(), 0);

    // A negative count reads nothing.
    TMemoryStream negative;
    WriteInteger(negative, -5);
    WriteVerUdov(negative, comp.get());
    negative.SetPosition(0);
    list.LoadFromStream(negative, owner.get());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(owner->GetComponentCount(), 0);

    // Missing records are absent; no count at all is an empty list.
    TMemoryStream shortOne;
    WriteInteger(shortOne, 3);
    WriteVerUdov(shortOne, comp.get());
    shortOne.SetPosition(0);
    list.LoadFromStream(shortOne, owner.get());
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(owner->GetComponentCount(), 1);
    TMemoryStream empty;
    list.LoadFromStream(empty, owner.get());
    EXPECT_EQ(list.Count(), 1);
}

// ---- extensions ----------------------------------------------------------------------------

TEST(EditCompExtensions, ReplaceExaminesEveryExtensionAndTheOverrideFollows) {
    RegisterAll();
    TLog log;
    auto comp = TVerUdov::NewRoot<TPtComp>();
    comp->Log = &log;
    auto a1 = Make(new TOverExt(&log, "a1", omNone));
    auto a2 = Make(new TOverExt(&log, "a2", omNone));
    comp->AddInterface(U(a1.get()));
    comp->AddInterface(U(a2.get()));
    EXPECT_EQ(ComQuery<IOverDraw>(static_cast<IGraphEdit*>(comp.get())).get(), static_cast<IOverDraw*>(a1.get()));

    auto a3 = Make(new TOverExt(&log, "a3", omAfter));
    comp->ReplaceInterface(U(a3.get()));
    ASSERT_EQ(comp->GetExIntfCount(), 1);
    EXPECT_EQ(comp->GetExIntf(0).get(), U(a3.get()));
    // The replaced ones no longer reach the component.
    EXPECT_FALSE(a1->GetController());
    EXPECT_FALSE(a2->GetController());

    TGraphPaint box;
    comp->Paint(box);
    EXPECT_EQ(log, (TLog{"comp", "a3"}));

    // Removed: the component draws alone again.
    log.clear();
    comp->RemoveInterface(U(a3.get()));
    EXPECT_EQ(comp->GetExIntfCount(), 0);
    comp->Paint(box);
    EXPECT_EQ(log, (TLog{"comp"}));

    // A different class beside it stays.
    auto stored = TStoredExt::Class().Create();
    comp->AddInterface(U(stored.get()));
    comp->AddInterface(U(a1.get()));
    comp->ReplaceInterface(U(a2.get()));
    ASSERT_EQ(comp->GetExIntfCount(), 2);
    EXPECT_EQ(comp->GetExIntf(0).get(), U(stored.get()));
    EXPECT_EQ(comp->GetExIntf(1).get(), U(a2.get()));
}

TEST(EditCompExtensions, OverrideModesDrawInOrder) {
    RegisterAll();
    TGraphPaint box;
    const std::pair<TOverrideMode, TLog> cases[] = {
        {omNone, {"over"}}, {omNoOver, {"comp"}}, {omBefore, {"over", "comp"}}, {omAfter, {"comp", "over"}}};
    for (const auto& [mode, want] : cases) {
        TLog log;
        auto comp = TVerUdov::NewRoot<TPtComp>();
        comp->Log = &log;
        comp->AddInterface(U(Make(new TOverExt(&log, "over", mode)).get()));
        comp->Paint(box);
        EXPECT_EQ(log, want) << int(mode);
        // While it is moved the component draws itself.
        log.clear();
        comp->PutMoved(true);
        comp->Paint(box);
        EXPECT_EQ(log, TLog{"comp"});
    }
}

TEST(EditCompExtensions, SelectionAsksEveryEditorBeforeTellingAny) {
    RegisterAll();
    TLog log;
    auto comp = TVerUdov::NewRoot<TGrfEditComp>();
    auto yes = Make(new TVetoExt(&log, "yes", true));
    auto no = Make(new TVetoExt(&log, "no", false));
    comp->AddInterface(U(yes.get()));
    comp->AddInterface(U(no.get()));
    comp->PutSelected(true);
    EXPECT_FALSE(comp->GetSelected());
    EXPECT_EQ(log, (TLog{"yes?", "no?"}));

    log.clear();
    comp->RemoveInterface(U(no.get()));
    comp->PutSelected(true);
    EXPECT_TRUE(comp->GetSelected());
    EXPECT_EQ(log, (TLog{"yes?", "yes+"}));
    log.clear();
    comp->PutSelected(true);
    EXPECT_TRUE(log.empty());
    comp->PutSelected(false);
    EXPECT_FALSE(comp->GetSelected());
    EXPECT_EQ(log, TLog{"yes-"});
}

TEST(EditCompExtensions, QueriesAndEnumerationReachTheExtensions) {
    RegisterAll();
    TLog log;
    auto comp = TVerUdov::NewRoot<TGrfEditComp>();
    auto veto = Make(new TVetoExt(&log, "v", true));
    comp->AddInterface(U(veto.get()));
    IUnknown* self = static_cast<IGraphEdit*>(comp.get());
    EXPECT_EQ(ComQuery<IOverEdit>(self).get(), static_cast<IOverEdit*>(veto.get()));
    EXPECT_EQ(ComQuery<IGrfObject>(self).get(), static_cast<IGrfObject*>(comp.get()));
    EXPECT_FALSE(ComQuery<IOverDraw>(self));
    ComPtr<TIntfList> list = TIntfList::Create();
    EXPECT_EQ(comp->EnumInterface(IID_IOverEdit, *list), 1);
    EXPECT_EQ(comp->EnumInterface(IID_IGraphView, *list), 1);
    EXPECT_EQ(list->GetItems(1).get(), self);
    TVerUdov::New<TGrfEditComp>(comp.get());
    TVerUdov::New<TVerUdov>(comp.get());
    TVerUdov::New<TPtComp>(comp.get());
    list->Clear();
    EXPECT_EQ(comp->EnumObjects(IID_IGraphEdit, *list), 2);
    EXPECT_EQ(comp->GetEdComp(1), nullptr);
    EXPECT_NE(comp->GetEdComp(2), nullptr);
    EXPECT_EQ(comp->GetEdComp(3), nullptr);
}

TEST(EditCompExtensions, ExtensionsLetGoOfADestroyedComponent) {
    RegisterAll();
    class TEx : public TVerUdovEx {};
    auto ex = Make(new TEx);
    auto task = Make(new TStdTask);
    {
        auto comp = TVerUdov::NewRoot<TGrfEditComp>();
        comp->AddInterface(U(ex.get()));
        comp->AddInterface(U(task.get()));
        EXPECT_EQ(ex->GetIGE().get(), static_cast<IGraphEdit*>(comp.get()));
        EXPECT_EQ(task->GetRoot().get(), static_cast<IGrfObject*>(comp.get()));
    }
    EXPECT_FALSE(ex->GetController());
    EXPECT_FALSE(ex->GetIGE());
    EXPECT_FALSE(task->GetRoot());
}

namespace {

// Leaves its component's list when told the component is gone.
class TLeavingExt : public TCoObject {
public:
    void PutController(IUnknown* controller) override {
        IUnknown* old = Controller;
        TCoObject::PutController(controller);
        if (!controller && old)
            if (ComPtr<IGrfObject> g = ComQuery<IGrfObject>(old)) g->RemoveInterface(static_cast<ICoObject*>(this));
    }
};

// Passes every query it cannot answer to its controller, as an aggregated
// object does.
class TForwardingExt : public TCoObject {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (TCoObject::QueryInterface(iid, obj) == S_OK) return S_OK;
        if (Controller) return Controller->QueryInterface(iid, obj);
        return E_NOINTERFACE;
    }
};

}  // namespace

TEST(EditCompExtensions, EveryExtensionLetsGoEvenWhenOneLeavesTheList) {
    RegisterAll();
    auto leaving = Make(new TLeavingExt);
    class TEx : public TVerUdovEx {};
    auto e = Make(new TEx);
    {
        auto comp = TVerUdov::NewRoot<TGrfEditComp>();
        comp->AddInterface(U(leaving.get()));
        comp->AddInterface(U(e.get()));
    }
    EXPECT_FALSE(leaving->GetController());
    EXPECT_FALSE(e->GetController());
}

TEST(EditCompExtensions, QueriesComingBackThroughAnExtensionEnd) {
    RegisterAll();
    auto comp = TVerUdov::NewRoot<TGrfEditComp>();
    IUnknown* self = static_cast<IGraphEdit*>(comp.get());
    auto fwd = Make(new TForwardingExt);
    comp->AddInterface(U(fwd.get()));
    EXPECT_FALSE(ComQuery<IOverDraw>(self));
    EXPECT_FALSE(ComQuery<ITask>(U(fwd.get())));
    // What the component has is still found through the extension.
    EXPECT_EQ(ComQuery<IGraphEdit>(U(fwd.get())).get(), static_cast<IGraphEdit*>(comp.get()));
    // The component is not an extension of itself.
    EXPECT_THROW(comp->AddInterface(self), Exception);
    EXPECT_THROW(comp->AddInterface(static_cast<IGrfObject*>(comp.get())), Exception);
    EXPECT_EQ(comp->GetExIntfCount(), 1);
}

TEST(EditCompExtensions, ChildrenAnsweringThroughAnExtensionKeepTheirCount) {
    RegisterAll();
    TLog log;
    auto comp = TVerUdov::NewRoot<TGrfEditComp>();
    auto* child = TVerUdov::New<TGrfEditComp>(comp.get());
    auto veto = Make(new TVetoExt(&log, "v", true));
    child->AddInterface(U(veto.get()));
    const int32_t childCount = child->GetRefCount(), vetoCount = veto->GetRefCount();
    {
        ComPtr<TIntfList> list = TIntfList::Create();
        EXPECT_EQ(comp->EnumObjects(IID_IOverEdit, *list), 1);
        EXPECT_EQ(comp->EnumInterface(IID_IOverEdit, *list), 0);
        EXPECT_EQ(child->EnumInterface(IID_IOverEdit, *list), 1);
    }
    EXPECT_EQ(child->GetRefCount(), childCount);
    EXPECT_EQ(veto->GetRefCount(), vetoCount);
    // Replacing asks every extension by class GUID the same way.
    child->ReplaceInterface(U(Make(new TVetoExt(&log, "w", true)).get()));
    EXPECT_EQ(child->GetExIntfCount(), 1);
    EXPECT_EQ(veto->GetRefCount(), 1);
}

// ---- tree order, moves, root --------------------------------------------------------------

TEST(EditCompTree, SendToBackDrawsFirstBringToFrontLast) {
    RegisterAll();
    auto root = TVerUdov::NewRoot<TGrfRootComp>();
    auto* a = TVerUdov::New<TGrfEditComp>(root.get());
    auto* b = TVerUdov::New<TGrfEditComp>(root.get());
    auto* c = TVerUdov::New<TGrfEditComp>(root.get());
    b->SendToBack();
    EXPECT_EQ(root->GetEdComp(0), b);
    EXPECT_EQ(root->GetEdComp(1), a);
    EXPECT_EQ(root->GetEdComp(2), c);
    b->BringToFront();
    EXPECT_EQ(root->GetEdComp(0), a);
    EXPECT_EQ(root->GetEdComp(1), c);
    EXPECT_EQ(root->GetEdComp(2), b);

    auto lone = TVerUdov::NewRoot<TGrfRootComp>();
    auto* only = TVerUdov::New<TGrfEditComp>(lone.get());
    only->SendToBack();
    only->BringToFront();
    EXPECT_EQ(lone->GetEdComp(0), only);
    root->SendToBack();  // no owner: nothing
}

TEST(EditCompTree, MovesPassThroughMovingAndTheRootKnowsTheBox) {
    RegisterAll();
    auto root = TVerUdov::NewRoot<TGrfRootComp>();
    auto* p = TVerUdov::New<TPtComp>(root.get());
    p->Move(0, 0);
    EXPECT_TRUE(p->Moves.empty());
    EXPECT_FALSE(p->GetAttr(caChanged));
    p->MoveRel(2, 3);
    ASSERT_EQ(p->Moves.size(), 1u);
    EXPECT_EQ(p->Moves[0].EditType, etMove);
    EXPECT_EQ(p->Moves[0].MoveType, mtManual);
    EXPECT_EQ(+p->Moves[0].DX, 2.0f);
    EXPECT_EQ(+p->Moves[0].DY, 3.0f);
    EXPECT_TRUE(p->GetAttr(caChanged));
    p->SetY(10);
    EXPECT_EQ(p->GetX(), 2.0f);
    EXPECT_EQ(p->GetY(), 10.0f);
    p->SetRect(SRect(5, 6, 50, 60));
    EXPECT_EQ(p->GetX(), 5.0f);
    EXPECT_EQ(p->GetY(), 6.0f);
    // The base component stays where it is: only descendants apply a move.
    auto* plain = TVerUdov::New<TGrfEditComp>(root.get());
    plain->Move(7, 7);
    EXPECT_EQ(plain->GetX(), 0.0f);

    {
        TGraphPaint box;
        p->SetBox(&box);
        EXPECT_EQ(root->GetBox(), &box);
        EXPECT_EQ(p->GetBox(), &box);
        EXPECT_FALSE(p->GetPainter());
    }
    EXPECT_EQ(p->GetBox(), nullptr);  // the canvas went away
    EXPECT_EQ(ComQuery<IGraphView>(root.get()).get(), p->GetParent().get());

    int loaded = 0;
    root->PutLocked(true);
    root->OnLoaded = [&](TGrfEditComp* c) {
        EXPECT_EQ(c, root.get());
        ++loaded;
    };
    root->Loaded();
    EXPECT_EQ(loaded, 1);
    EXPECT_FALSE(root->GetLocked());
    EXPECT_EQ(&FindGrClassByName("TGrfRootComp"), &TGrfRootComp::Class());
}

TEST(EditCompTree, CreateExAndTheChildrenRectangle) {
    RegisterAll();
    TLog log;
    auto over = Make(new TOverExt(&log, "o", omNone));
    auto stored = TStoredExt::Class().Create();
    TVerUdovPtr<TGrfRootComp> root(TGrfEditComp::CreateEx<TGrfRootComp>(nullptr, {U(over.get()), U(stored.get())}));
    EXPECT_EQ(root->GetExIntfCount(), 2);
    EXPECT_EQ(root->GetOverDraw(), static_cast<IOverDraw*>(over.get()));
    EXPECT_EQ(stored->GetController().get(), static_cast<IUnknown*>(root.get()));
    TSRect r;
    EXPECT_EQ(root->GetChildRect(nullptr, r), 0);
    EXPECT_EQ(r, SRect(0, 0, 0, 0));
    auto* a = TVerUdov::New<TPtComp>(root.get());
    a->AddPt(1, 2);
    a->AddPt(5, 3);
    auto* b = TVerUdov::New<TPtComp>(root.get());
    b->AddPt(-4, 10);
    TVerUdov::New<TVerUdov>(root.get());
    EXPECT_EQ(root->GetChildRect(nullptr, r), 2);
    EXPECT_EQ(r, SRect(-4, 2, 5, 10));
}

TEST(EditCompTree, CursorNumbersAndTheirShapes) {
    EXPECT_EQ(CursorShapeOf(crDefault), Qt::ArrowCursor);
    EXPECT_EQ(CursorShapeOf(crDrag), Qt::DragMoveCursor);
    EXPECT_EQ(CursorShapeOf(crMultiDrag), Qt::DragCopyCursor);
    EXPECT_EQ(crDrag, -12);
    EXPECT_EQ(crMultiDrag, -16);
}

// ---- on the surface ------------------------------------------------------------------------

class EditCompSurface : public SurfaceTest {
protected:
    void SetUp() override {
        SurfaceTest::SetUp();
        RegisterAll();
        root = TVerUdov::NewRoot<TGrfRootComp>();
        root->SetBox(box);
        comp = TVerUdov::New<TPtComp>(root.get());
    }
    void TearDown() override {
        root.reset();
        SurfaceTest::TearDown();
    }
    TEditInfo At(float x, float y) {
        TEditInfo info;
        info.Init(x, y);
        return info;
    }
    TVerUdovPtr<TGrfRootComp> root;
    TPtComp* comp = nullptr;
};

TEST_F(EditCompSurface, FindPrefersTheLastPointThenTheBody) {
    comp->AddPt(10, 10);
    comp->AddPt(10, 10);
    comp->AddPt(30, 30);
    TEditInfo info = At(11, 10);
    comp->Find(box, info);
    EXPECT_EQ(info.EditType, etMovePoint);
    EXPECT_EQ(+info.PointInfo.Index, 1);
    info = At(20, 20);
    comp->Find(box, info);
    EXPECT_EQ(info.EditType, etMove);
    info = At(60, 20);
    comp->Find(box, info);
    EXPECT_EQ(info.EditType, etNone);
    // Without a painter no point is hit, the body still is.
    info = At(10, 10);
    comp->Find(nullptr, info);
    EXPECT_EQ(info.EditType, etMove);

    // A component without points is hit at its position.
    auto* bare = TVerUdov::New<TGrfEditComp>(root.get());
    info = At(0, 0);
    bare->Find(box, info);
    EXPECT_EQ(info.EditType, etMove);
    EXPECT_EQ(bare->GetRect(), SRect(0, 0, 0, 0));

    info.EditType = etNone;
    comp->QueryFirstPoint(info);
    EXPECT_EQ(info.EditType, etMovePoint);
    EXPECT_EQ(+info.PointInfo.Index, 0);
    comp->QueryNextPoint(info);
    EXPECT_EQ(info.EditType, etNone);
}

TEST_F(EditCompSurface, HintsAndCursors) {
    comp->AddPt(10, 10, 0, true, 7);
    comp->AddPt(40, 40, 0, true, 7);
    std::string s = "x";
    TEditInfo info = At(20, 20);
    info.EditType = etMove;
    comp->GetHint(info, s);
    EXPECT_EQ(s, "");
    comp->PutSelected(true);
    comp->GetHint(info, s);
    EXPECT_EQ(s, "Drag Object");
    info.EditType = etMovePoint;
    comp->GetHint(info, s);
    EXPECT_EQ(s, "Move Point");
    info.EditType = etNone;
    comp->GetHint(info, s);
    EXPECT_EQ(s, "");

    EXPECT_EQ(comp->GetCursor(TSPoint{10, 10}), 7);
    EXPECT_EQ(comp->GetCursor(TSPoint{20, 20}), crDrag);
    EXPECT_EQ(comp->GetCursor(TSPoint{90, 20}), crDefault);
    // A locked component's points are not editable.
    comp->PutLocked(true);
    EXPECT_EQ(comp->GetCursor(TSPoint{10, 10}), crDefault);
}

TEST_F(EditCompSurface, SelectedInvalidRectGrowsByFourPixelsAndOneUnit) {
    comp->AddPt(10, 10);
    comp->AddPt(40, 30);
    box->SetMst(2);
    TSRect r;
    comp->GetInvalidateRect(r);
    EXPECT_EQ(r, SRect(10, 10, 40, 30));
    comp->PutSelected(true);
    comp->GetInvalidateRect(r);
    EXPECT_EQ(r, SRect(7, 7, 43, 33));
    root->SetBox(nullptr);
    comp->GetInvalidateRect(r);
    EXPECT_EQ(r, SRect(10, 10, 40, 30));
}

TEST_F(EditCompSurface, HideRestoresTheDrawModeWhenDrawingFails) {
    comp->FailDraw = true;
    EXPECT_THROW(comp->Hide(*box), Exception);
    EXPECT_EQ(box->DrawMode(), dmNone);
    comp->PutMoved(true);
    EXPECT_THROW(comp->PaintActiv(*box), Exception);
    EXPECT_EQ(box->DrawMode(), dmNone);
}

TEST_F(EditCompSurface, ColoursWithAndWithoutABox) {
    box->DefPen(psSolid, TColor(0x123456), 0);
    box->DefBrush(bsSolid, TColor(0x654321));
    EXPECT_EQ(comp->PColor(clRed), TColor(0x123456));
    EXPECT_EQ(comp->BColor(clRed), TColor(0x654321));
    comp->SetAttr(caUseColor, true);
    EXPECT_EQ(comp->PColor(clRed), clRed);
    comp->SetAttr(caUseColor, false);
    root->SetBox(nullptr);
    EXPECT_EQ(comp->PColor(clRed), clRed);
    EXPECT_EQ(comp->BColor(clBlue), clBlue);
}

TEST_F(EditCompSurface, ActiveMarkersOfTheFourShapesAndTheirRemoval) {
    for (int shape = 0; shape < 4; ++shape) {
        comp->AddPt(float(30 + 40 * shape), 30, shape, true);
        comp->AddPt(float(30 + 40 * shape), 70, shape, false);
    }
    const QImage blank = Drawn([](TGraphPaint&) {});
    // Unselected: no markers.
    EXPECT_TRUE(Drawn([this](TGraphPaint& p) { comp->PaintActiv(p); }) == blank);
    comp->PutSelected(true);
    const QImage once = Drawn([this](TGraphPaint& p) { comp->PaintActiv(p); });
    EXPECT_TRUE(velt::test::MatchesGolden(once, VELT_PAINTER_TEST_DATA, "edit-markers"));
    const QImage twice = Drawn([this](TGraphPaint& p) {
        comp->PaintActiv(p);
        comp->PaintActiv(p);
    });
    EXPECT_TRUE(twice == blank);
    EXPECT_EQ(box->DrawMode(), dmNone);
}

}  // namespace

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

#include "foundation/CodePages.h"
#include "foundation/Utils.h"
#include "painter/grfClass.h"

using namespace velt;

namespace {

std::string Bytes(const TMemoryStream& m) { return std::string(m.Memory(), size_t(m.Size())); }
TMemoryStream StreamOf(const std::string& b) {
    TMemoryStream m;
    m.WriteBuffer(b.data(), int64_t(b.size()));
    m.SetPosition(0);
    return m;
}
std::string Hex(const std::vector<int>& v) {
    std::string s;
    for (int b : v) s += char(b);
    return s;
}

int destroyedCount = 0;

// Counts its destructions; stores a number from version 19970528 on.
class TTestComp : public TVerUdov {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TTestComp", &TVerUdov::Class(), &MakeComponent<TTestComp>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
    int32_t Value = 0;
    void WriteData(TStream& s) override {
        TVerUdov::WriteData(s);
        WriteInteger(s, Value);
    }
    void ReadData(TStream& s) override {
        TVerUdov::ReadData(s);
        if (ReadVer() >= BaseCompVer) Value = ReadInteger(s);
    }
    void TextWriteState(TTextWriter& w) override {
        TVerUdov::TextWriteState(w);
        w.WI("Value", Value);
    }
    void TextReadState(TTextReader& r) override {
        TVerUdov::TextReadState(r);
        Value = r.RI("Value");
    }

protected:
    ~TTestComp() override { ++destroyedCount; }
};

class TTestSub : public TTestComp {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TTestSub", &TTestComp::Class(), &MakeComponent<TTestSub>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
};

class TUnreg : public TVerUdov {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TUnreg", &TVerUdov::Class(), &MakeComponent<TUnreg>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
};

class TArc : public TVerUdov {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TArc", &TVerUdov::Class(), &MakeComponent<TArc>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
};
class TAbo : public TArc {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TAbo", &TVerUdov::Class(), &MakeComponent<TAbo>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
};

void RegisterOnce() {
    static bool done = (RegisterGrfClasses({&TTestComp::Class(), &TTestSub::Class(), &TArc::Class()}), true);
    (void)done;
}

TVerUdov* Child(TVerUdov* owner, const std::string& name) {
    TVerUdov* c = TVerUdov::New<TVerUdov>(owner);
    c->Name = name;
    return c;
}

const std::string GoldenA = Hex({0x40, 0x31, 0x0B, 0, 0, 0xE0, 0xB9, 0x30, 0x01, 5, 0, 0, 0, 1, 0, 0, 0, 0x41, 0, 0, 0, 0});

std::string TextOf(TVerUdov* c) {
    TMemoryStream m;
    TTextWriter w(m);
    w.WriteComp(c);
    return Bytes(m);
}

}  // namespace

TEST(GrfClass, ClassIdsAndRegistry) {
    RegisterOnce();
    EXPECT_EQ(GrfClassID("TVerUdov"), 2865);
    EXPECT_EQ(GrfClassID("TGrfEditComp"), 5888);
    EXPECT_EQ(GrfClassID("TGrfRootComp"), 6061);
    EXPECT_EQ(GrfClassID("tarc"), 728);
    EXPECT_EQ(GrfClassID("TAbo"), 728);
    try {
        RegisterGrfClass(TAbo::Class());
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Помилка реєстрування TAbo та TArc\n\rЗмініть назву одного класу");
    }
    try {
        RegisterGrfClass(TVerUdov::Class());
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Помилка реєстрування TVerUdov та TVerUdov\n\rЗмініть назву одного класу");
    }
    EXPECT_EQ(&FindGrClassByID(2865), &TVerUdov::Class());
    EXPECT_EQ(&FindGrClassByName("ttestcomp"), &TTestComp::Class());
    auto message = [](auto f) {
        try {
            f();
        } catch (const Exception& e) {
            return e.Message;
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([] { FindGrClassByID(1); }), "#1");
    EXPECT_EQ(message([] { FindGrClassByName("TAbo"); }), "TAbo не зареєстрований");
    auto u = TVerUdov::NewRoot<TUnreg>();
    TMemoryStream m;
    EXPECT_EQ(message([&] { WriteVerUdov(m, u.get()); }), "TUnreg не зареєстрований для Запису");
    EXPECT_EQ(ReadVer(), BaseCompVer);
}

TEST(GrfClass, GoldenRecords) {
    RegisterOnce();
    auto a = TVerUdov::NewRoot<TVerUdov>();
    a->Name = "A";
    TMemoryStream m;
    WriteVerUdov(m, a.get());
    EXPECT_EQ(Bytes(m), GoldenA);

    auto r = TVerUdov::NewRoot<TVerUdov>();
    r->Name = "R";
    Child(r.get(), "a");
    Child(r.get(), "b");
    TMemoryStream m2;
    WriteVerUdov(m2, r.get());
    std::string rb = Bytes(m2);
    ASSERT_EQ(rb.size(), 66u);
    std::string childA = GoldenA;
    childA[17] = 'a';
    std::string childB = GoldenA;
    childB[17] = 'b';
    std::string rootHead = GoldenA;
    rootHead[17] = 'R';
    rootHead[18] = 2;
    EXPECT_EQ(rb, rootHead + childA + childB);

    m2.SetPosition(0);
    TVerUdovPtr<> back = ReadVerUdov(m2);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Name, "R");
    ASSERT_EQ(back->GetComponentCount(), 2);
    EXPECT_EQ(back->GetComponent(1)->Name, "b");
    EXPECT_EQ(back->GetComponent(1)->GetOwner(), back.get());
    EXPECT_EQ(ReadVerUdov(m2), nullptr);  // at the end

    TMemoryStream bad = StreamOf("#" + GoldenA.substr(1));
    try {
        ReadVerUdov(bad);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message, "Bad Object Header (byte 1)");
    }
}

TEST(GrfClass, OlderVersionsAndLongerLengths) {
    RegisterOnce();
    // 19970502: no length field; TTestComp's ReadVer sees the old version
    // and reads no number.
    int32_t id = GrfClassID("TTestComp");
    TMemoryStream old;
    WriteByte(old, '@');
    WriteInteger(old, id);
    WriteInteger(old, 19970502);
    WriteAnsiString(old, "X");
    WriteInteger(old, 0);
    old.SetPosition(0);
    auto o = ReadVerUdov(old);
    EXPECT_EQ(o->Name, "X");
    EXPECT_EQ(static_cast<TTestComp*>(o.get())->Value, 0);
    EXPECT_EQ(ReadVer(), BaseCompVer);

    // 19970503: a length longer than ReadData needs lands on the children.
    TMemoryStream longer;
    WriteByte(longer, '@');
    WriteInteger(longer, 2865);
    WriteInteger(longer, 19970503);
    WriteInteger(longer, 9);
    WriteAnsiString(longer, "Y");
    WriteInteger(longer, 0x7777);  // data a newer writer added
    WriteInteger(longer, 1);
    longer.WriteBuffer(GoldenA.data(), int64_t(GoldenA.size()));
    longer.SetPosition(0);
    auto l = ReadVerUdov(longer);
    EXPECT_EQ(l->Name, "Y");
    ASSERT_EQ(l->GetComponentCount(), 1);
    EXPECT_EQ(l->GetComponent(0)->Name, "A");

    // The version written and read back with the class's own data.
    auto t = TVerUdov::NewRoot<TTestComp>();
    t->Value = 42;
    TMemoryStream m;
    WriteVerUdov(m, t.get());
    m.SetPosition(0);
    auto tb = ReadVerUdov(m);
    EXPECT_EQ(static_cast<TTestComp*>(tb.get())->Value, 42);
}

TEST(GrfClass, CraftedLengthsAndDepthAreRefused) {
    RegisterOnce();
    // A child whose data length is -17 would seek back onto the root's child
    // count and read itself for ever.
    std::string root = Hex({0x40, 0x31, 0x0B, 0, 0, 0xE0, 0xB9, 0x30, 0x01, 4, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
    std::string child = Hex({0x40, 0x31, 0x0B, 0, 0, 0xE0, 0xB9, 0x30, 0x01, 0xEF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    TMemoryStream m = StreamOf(root + child);
    try {
        ReadVerUdov(m);
        FAIL();
    } catch (const EReadError& e) {
        // Where it happened: the class of the record and the byte offset.
        EXPECT_EQ(e.Message, "Invalid component data length (TVerUdov, byte 34)");
    }
    // A length shorter than ReadData reads, valid bytes after the data.
    std::string shortLen = GoldenA;
    shortLen[9] = 2;
    shortLen[5] = char(0xE2);  // version 19970530, left on the stack if not popped
    TMemoryStream s = StreamOf(shortLen);
    try {
        ReadVerUdov(s);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message, "Component data longer than its length (TVerUdov, byte 18)");
    }
    // A child count beyond the bytes.
    std::string many = GoldenA;
    many[18] = char(0xFF);
    TMemoryStream mm = StreamOf(many);
    EXPECT_THROW(ReadVerUdov(mm), EReadError);
    EXPECT_EQ(ReadVer(), BaseCompVer);  // the stack was popped on failure

}

namespace {

// A chain of levels components, the root being level 1.
TVerUdovPtr<> Chain(int levels) {
    auto root = TVerUdov::NewRoot<TVerUdov>();
    TVerUdov* at = root.get();
    for (int i = 1; i < levels; ++i) at = Child(at, "L" + std::to_string(i + 1));
    return root;
}

int Depth(TVerUdov* c) {
    int d = 1;
    while (c->GetComponentCount() > 0) c = c->GetComponent(0), ++d;
    return d;
}

int LevelOfFirst(TVerUdov* c) {
    int level = 0;
    for (; c; c = c->GetOwner()) ++level;
    return level;
}

TVerUdov* Deepest(TVerUdov* c) {
    while (c->GetComponentCount() > 0) c = c->GetComponent(0);
    return c;
}

std::string WriteError(const std::function<void()>& f) {
    try {
        f();
    } catch (const EWriteError& e) {
        return e.Message;
    }
    return "no error";
}

}  // namespace

TEST(GrfClass, DepthOf256ReadsBackAnd257IsRefusedByEveryWriter) {
    RegisterOnce();
    auto dir = std::filesystem::temp_directory_path() / ("velt_grf_depth_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string bin = (dir / "d.bin").string(), txt = (dir / "d.txt").string();

    auto ok = Chain(256);
    TMemoryStream rec, body;
    WriteVerUdov(rec, ok.get());
    ok->SaveToStream(body);
    ok->SaveToFile(bin);
    {
        TTextWriter w(txt);
        w.WriteComp(ok.get());
        w.Close();
    }
    rec.SetPosition(0);
    EXPECT_EQ(Depth(ReadVerUdov(rec).get()), 256);
    auto fromBody = TVerUdov::NewRoot<TVerUdov>();
    body.SetPosition(0);
    fromBody->LoadFromStream(body);
    EXPECT_EQ(Depth(fromBody.get()), 256);
    auto fromFile = TVerUdov::NewRoot<TVerUdov>();
    fromFile->LoadFromFile(bin);
    EXPECT_EQ(Depth(fromFile.get()), 256);
    TTextReader tr(txt);
    EXPECT_EQ(Depth(tr.ReadComp().get()), 256);

    // One more level: each writer names the component too deep, writes
    // nothing, and the files stay as they were.
    Child(Deepest(ok.get()), "L257");
    const std::string oldBin = ReadWholeFile(bin), oldTxt = ReadWholeFile(txt);
    const std::string why = "TVerUdov \"L257\": components nested deeper than 256 levels cannot be read back";
    TMemoryStream m;
    EXPECT_EQ(WriteError([&] { WriteVerUdov(m, ok.get()); }), why);
    EXPECT_EQ(WriteError([&] { ok->SaveToStream(m); }), why);
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(WriteError([&] { ok->SaveToFile(bin); }), why);
    EXPECT_EQ(WriteError([&] {
                  TTextWriter w(txt);
                  w.WriteComp(ok.get());
                  w.Close();
              }),
              why);
    EXPECT_EQ(ReadWholeFile(bin), oldBin);
    EXPECT_EQ(ReadWholeFile(txt), oldTxt);
    std::filesystem::remove_all(dir);

    // The readers refuse 257 levels made by hand: the 256 read above under
    // one more record (child count at 17) or object.
    std::string outer = Hex({0x40, 0x31, 0x0B, 0, 0, 0xE0, 0xB9, 0x30, 0x01, 4, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
    TMemoryStream deep = StreamOf(outer + Bytes(rec));
    EXPECT_THROW(ReadVerUdov(deep), EReadError);
    auto viaBody = TVerUdov::NewRoot<TVerUdov>();
    TMemoryStream deepBody = StreamOf(outer.substr(5) + Bytes(rec));
    EXPECT_THROW(viaBody->LoadFromStream(deepBody), EReadError);
    TMemoryStream deepText = StreamOf("object (TVerUdov)\r\n" + oldTxt + "end\r\n");
    TTextReader dr(deepText);
    try {
        dr.ReadComp();
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message.rfind("Components nested deeper than 256 levels (TVERUDOV, byte ", 0), 0u) << e.Message;
    }
    EXPECT_EQ(ReadVer(), BaseCompVer);

    // Read into a tree, the place counts: two levels fit below level 254,
    // not below level 255, in both forms.
    auto host = Chain(255);
    TVerUdov* at254 = Deepest(host.get())->GetOwner();
    auto two = Chain(2);
    TMemoryStream tm;
    WriteVerUdov(tm, two.get());
    const std::string twoText = TextOf(two.get());
    tm.SetPosition(0);
    EXPECT_TRUE(ReadVerUdov(tm, at254));
    tm.SetPosition(0);
    EXPECT_THROW(ReadVerUdov(tm, Deepest(host.get())), EReadError);
    TMemoryStream t1 = StreamOf(twoText), t2 = StreamOf(twoText);
    TTextReader r1(t1), r2(t2);
    EXPECT_TRUE(r1.ReadComp(at254));
    EXPECT_EQ(LevelOfFirst(at254->GetComponent(0)), 255);
    EXPECT_THROW(r2.ReadComp(at254->GetComponent(0)), EReadError);
    EXPECT_EQ(at254->GetComponentCount(), 3);  // its own and the two read
}

TEST(GrfClass, DestroyedComponentsLeaveTheTree) {
    RegisterOnce();
    destroyedCount = 0;
    auto root = TVerUdov::NewRoot<TVerUdov>();
    // A component already released is not taken into a tree, where it would
    // be freed while listed.
    TVerUdov* zombie = TVerUdov::New<TTestComp>(nullptr);
    ComPtr<IUnknown> held(static_cast<IUnknown*>(zombie));
    Release(zombie);
    EXPECT_THROW(root->InsertComponent(zombie), Exception);
    EXPECT_EQ(root->GetComponentCount(), 0);
    EXPECT_THROW(zombie->InsertComponent(TVerUdov::New<TVerUdov>(root.get())), Exception);
    held.reset();
    EXPECT_EQ(destroyedCount, 1);

    // A child freed by its count (one release too many) leaves its owner's list.
    TVerUdov* c = TVerUdov::New<TTestComp>(root.get());
    TVerUdov::New<TTestComp>(c);
    static_cast<IUnknown*>(c)->_Release();
    EXPECT_EQ(destroyedCount, 3);
    ASSERT_EQ(root->GetComponentCount(), 1);  // the plain child made above
    EXPECT_NE(root->GetComponent(0), c);

    // A class that cannot be made.
    const TGrfClassDesc none("TNoFactory", &TVerUdov::Class(), nullptr);
    EXPECT_THROW(none.Create(root.get()), EAbstractError);
}

TEST(GrfClass, CountsZombiesAndRelease) {
    RegisterOnce();
    destroyedCount = 0;
    TTestComp* raw = nullptr;
    {
        auto root = TVerUdov::NewRoot<TTestComp>();
        raw = root.get();
        EXPECT_EQ(raw->GetRefCount(), 1);
        ComPtr<IUnknown> held(static_cast<IUnknown*>(raw));
        EXPECT_EQ(raw->GetRefCount(), 2);
        root.reset();  // Release: detached, construction reference given up
        EXPECT_TRUE(raw->IsDestroyed());
        EXPECT_EQ(raw->GetRefCount(), 1);
        EXPECT_EQ(destroyedCount, 0);
        Release(raw);  // the zombie again: nothing
        EXPECT_EQ(raw->GetRefCount(), 1);
        raw->Free();
    }
    EXPECT_EQ(destroyedCount, 1);

    // Children go with their owner.
    destroyedCount = 0;
    {
        auto root = TVerUdov::NewRoot<TTestComp>();
        TVerUdov::New<TTestComp>(root.get());
        TVerUdov::New<TTestComp>(TVerUdov::New<TTestComp>(root.get()));
    }
    EXPECT_EQ(destroyedCount, 4);
}

TEST(GrfClass, TreeOperations) {
    RegisterOnce();
    auto root = TVerUdov::NewRoot<TVerUdov>();
    EXPECT_THROW(
        {
            try {
                root->GetComponent(0);
            } catch (const EListError& e) {
                EXPECT_EQ(e.Message, "List Error");
                throw;
            }
        },
        EListError);
    TVerUdov* a = Child(root.get(), "Alpha");
    TVerUdov* b = Child(root.get(), "Beta");
    TVerUdov* c = TVerUdov::New<TTestSub>(root.get());
    c->Name = "Gamma";
    TVerUdov* grand = Child(a, "Deep");
    EXPECT_THROW(root->GetComponent(3), EListError);

    b->SetComponentIndex(100);
    EXPECT_EQ(b->GetComponentIndex(), 2);
    b->SetComponentIndex(-5);
    EXPECT_EQ(b->GetComponentIndex(), 0);
    EXPECT_EQ(root->FindComponent("ALPHA"), a);
    EXPECT_EQ(root->FindComponent("Deep"), nullptr);
    EXPECT_EQ(root->FindComponent(""), nullptr);
    EXPECT_EQ(root->FindComponentByClass(TTestComp::Class()), nullptr);
    EXPECT_EQ(root->FindComponentByClass(TTestSub::Class()), c);

    // Moving to another owner leaves the earlier one; cycles are refused.
    b->InsertComponent(grand);
    EXPECT_EQ(a->GetComponentCount(), 0);
    EXPECT_EQ(grand->GetOwner(), b);
    EXPECT_THROW(b->SetOwner(grand), Exception);
    EXPECT_THROW(root->SetOwner(root.get()), Exception);
    EXPECT_EQ(b->GetOwner(), root.get());
    grand->SetOwner(c);
    EXPECT_EQ(b->GetComponentCount(), 0);
    EXPECT_EQ(c->GetComponent(0), grand);

    // Clone: one more child at the end, with a copy of the subtree.
    TVerUdov* copy = c->Clone();
    EXPECT_EQ(root->GetComponentCount(), 4);
    EXPECT_EQ(root->GetComponent(3), copy);
    EXPECT_EQ(&copy->ClassType(), &TTestSub::Class());
    EXPECT_EQ(copy->Name, "Gamma");
    EXPECT_EQ(copy->GetComponent(0)->Name, "Deep");
    EXPECT_NE(copy->GetComponent(0), grand);

    // A name 1251 cannot hold is refused, in both forms.
    a->Name = "日";
    TMemoryStream m;
    EXPECT_THROW(WriteVerUdov(m, a), EWriteError);
    try {
        TextOf(a);
        FAIL();
    } catch (const EWriteError& e) {
        EXPECT_NE(e.Message.find("Name"), std::string::npos);
    }
    a->Name = "Україна";
    TMemoryStream u;
    WriteVerUdov(u, a);
    EXPECT_EQ(Bytes(u).substr(17, 7), Utf8ToCp1251("Україна"));
    u.SetPosition(0);
    EXPECT_EQ(ReadVerUdov(u)->Name, "Україна");
}

TEST(GrfClass, GoldenTextAndWriters) {
    RegisterOnce();
    auto r = TVerUdov::NewRoot<TVerUdov>();
    r->Name = "R";
    Child(r.get(), "a");
    EXPECT_EQ(TextOf(r.get()),
              "object (TVerUdov)\r\n    Name = \"R\"\r\n    object (TVerUdov)\r\n        Name = \"a\"\r\n"
              "    end\r\nend\r\n");

    TMemoryStream m;
    TTextWriter w(m);
    w.Indent = "  ";
    w.WI("I", 0);
    w.WS("S", "");
    w.WReal("F", 0.0f);
    w.WBool("B", false);
    w.WB("E", nullptr, 0);
    EXPECT_EQ(m.Size(), 0);
    w.WReal("F", 12.5f);
    w.WI("I", -7);
    w.WBool("B", true);
    uint8_t bytes[33];
    for (int i = 0; i < 33; ++i) bytes[i] = uint8_t(i * 7);
    w.WB("X", bytes, 3);
    std::string g32;
    for (int i = 0; i < 32; ++i) g32 += "^" + IntToHex(bytes[i], 2);
    EXPECT_EQ(Bytes(m), "  F = 12.5000\r\n  I = -7\r\n  B = 1\r\n  X = { ^00^07^0E }\r\n");
    TMemoryStream m32;
    TTextWriter w32(m32);
    w32.WB("X", bytes, 32);
    w32.WB("Y", bytes, 33);
    EXPECT_EQ(Bytes(m32), "X = { " + g32 + "\r\n     }\r\n" + "Y = { " + g32 + "\r\n    ^E0 }\r\n");
    EXPECT_THROW(w.WS("Name", "two\nlines"), EWriteError);
    EXPECT_THROW(w.WS("Name", "日"), EWriteError);
}

TEST(GrfClass, TextReading) {
    RegisterOnce();
    std::string longName(300, 'n');
    auto r = TVerUdov::NewRoot<TTestComp>();
    r->Name = longName;
    r->Value = 5;
    Child(r.get(), "x = {y")->Name = "a = {b";
    TTestComp* second = TVerUdov::New<TTestComp>(r.get());
    second->Name = "Ж";
    std::string text = TextOf(r.get());
    TMemoryStream m = StreamOf(text);
    TTextReader reader(m);
    TVerUdovPtr<> back = reader.ReadComp();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Name, longName);
    EXPECT_EQ(static_cast<TTestComp*>(back.get())->Value, 5);
    ASSERT_EQ(back->GetComponentCount(), 2);
    EXPECT_EQ(back->GetComponent(0)->Name, "a = {b");
    EXPECT_EQ(back->GetComponent(1)->Name, "Ж");
    EXPECT_EQ(TextOf(back.get()), text);

    // Double quotes inside a value are written as they are and read back.
    for (const std::string name : {"say \"hi\"", "\"", "\"\"x", "x\" = \"y", "ends\""}) {
        auto q = TVerUdov::NewRoot<TVerUdov>();
        q->Name = name;
        const std::string qt = TextOf(q.get());
        EXPECT_EQ(qt, "object (TVerUdov)\r\n    Name = \"" + name + "\"\r\nend\r\n");
        TMemoryStream qm = StreamOf(qt);
        TTextReader qr(qm);
        EXPECT_EQ(qr.ReadComp()->Name, name);
    }

    // Whole names, lower-case hex, readers of absent values, an unterminated block.
    TMemoryStream p = StreamOf(
        "object (TVerUdov)\n  XSCALE = 5\n  x = 3\n  F = -2.25\n  H = $1F\n  Bad = 1x\n"
        "  BLOCK = { ^0a^ff\n  ^10 }\n  OPEN = { ^01^02\n");
    TTextReader pr(p);
    EXPECT_EQ(pr.CurrentLine(), "OBJECT (TVERUDOV)");
    pr.ReadSection();
    EXPECT_EQ(pr.RI("X"), 3);
    EXPECT_EQ(pr.RI("XSCALE"), 5);
    EXPECT_EQ(pr.RI("XS"), 0);
    EXPECT_EQ(pr.RI("H"), 31);
    EXPECT_EQ(pr.RI("Bad"), 0);
    EXPECT_TRUE(pr.RBool("x"));
    EXPECT_FLOAT_EQ(pr.RReal("F"), -2.25f);
    EXPECT_EQ(pr.RReal("NONE"), 0.0f);
    std::string s = "keep";
    pr.RS("NONE", s);
    EXPECT_EQ(s, "");
    uint8_t buf[8] = {};
    pr.RB("Block", buf, 2);
    EXPECT_EQ(buf[0], 0x0A);
    EXPECT_EQ(buf[1], 0xFF);
    EXPECT_EQ(buf[2], 0);
    EXPECT_EQ(Bytes(*pr.RStream("BLOCK")), "\x0A\xFF\x10");
    auto open = pr.RStream("OPEN");
    EXPECT_EQ(Bytes(*open), "\x01\x02");
    EXPECT_EQ(open->GetPosition(), 2);
    EXPECT_EQ(pr.RStream("NONE")->Size(), 0);
}

TEST(GrfClass, TextFilesAndFailedChildren) {
    RegisterOnce();
    auto dir = std::filesystem::temp_directory_path() / ("velt_grf_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string file = (dir / "t.txt").string();
    {
        std::ofstream(file) << "old";
    }
    auto r = TVerUdov::NewRoot<TVerUdov>();
    r->Name = "R";
    {
        TTextWriter w(file);
        w.WriteComp(r.get());
    }  // no Close: the old file stays
    EXPECT_EQ(ReadWholeFile(file), "old");
    {
        TTextWriter w(file);
        w.WriteComp(r.get());
        w.Close();
    }
    TTextReader fr(file);
    EXPECT_EQ(fr.ReadComp()->Name, "R");
    TTextWriter bad((dir / "missing" / "t.txt").string());
    bad.WCmd("x");
    EXPECT_THROW(bad.Close(), Exception);
    EXPECT_THROW(TTextReader((dir / "none.txt").string()), EInOutError);

    r->SaveToFile((dir / "r.bin").string());
    auto l = TVerUdov::NewRoot<TVerUdov>();
    l->LoadFromFile((dir / "r.bin").string());
    EXPECT_EQ(l->Name, "R");
    std::filesystem::remove_all(dir);

    // A child of an unknown class: the half-read root is released (ASan
    // reports a leak otherwise) and the error passes on.
    destroyedCount = 0;
    TMemoryStream t = StreamOf("object (TTestComp)\r\n    object (TNope)\r\n    end\r\nend\r\n");
    TTextReader tr(t);
    try {
        tr.ReadComp();
        FAIL();
    } catch (const Exception& e) {
        // The class line is read upper-cased; the line starts at byte 20.
        EXPECT_EQ(e.Message, "TNOPE не зареєстрований (TNOPE, byte 20)");
    }
    EXPECT_EQ(destroyedCount, 1);

    // A class name 1251 holds but no class has is shown in UTF-8.
    TMemoryStream cyr = StreamOf(Utf8ToCp1251("object (Тест)\r\nend\r\n"));
    TTextReader cr(cyr);
    try {
        cr.ReadComp();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Тест не зареєстрований (Тест, byte 0)");
    }
}

TEST(GrfClass, TextCutShortIsRefusedAndLeadingBlanksAreSkipped) {
    RegisterOnce();
    auto r = TVerUdov::NewRoot<TVerUdov>();
    r->Name = "R";
    Child(r.get(), "a");
    Child(r.get(), "b");
    const std::string text = TextOf(r.get());
    auto refused = [](const std::string& t) {
        TMemoryStream m = StreamOf(t);
        TTextReader reader(m);
        try {
            reader.ReadComp();
        } catch (const EReadError& e) {
            return e.Message;
        }
        return std::string("read");
    };
    EXPECT_EQ(refused("object (TVerUdov)"), "The text ends inside object (TVerUdov, byte 0)");
    // Cut after the first child's end: the root is the one left open.
    const size_t firstEnd = text.find("    end\r\n") + 9;
    EXPECT_EQ(refused(text.substr(0, firstEnd)),
              "The text ends inside object \"R\" (TVerUdov, byte " + std::to_string(firstEnd - 9) + ")");
    EXPECT_EQ(refused(text.substr(0, text.size() - 5)).rfind("The text ends inside object \"R\" (TVerUdov", 0), 0u);

    // A byte order mark and blank lines before the first object.
    for (const std::string& lead : {std::string("\xEF\xBB\xBF"), std::string("\r\n  \r\n\n"),
                                    std::string("\xEF\xBB\xBF\r\n")}) {
        TMemoryStream m = StreamOf(lead + text);
        TTextReader reader(m);
        TVerUdovPtr<> back = reader.ReadComp();
        ASSERT_TRUE(back);
        EXPECT_EQ(TextOf(back.get()), text);
    }
}

TEST(GrfClass, RealsAreWrittenInTheShortestTextThatReadsBack) {
    TMemoryStream m;
    TTextWriter w(m);
    const float values[] = {12.5f, 0.1f, -3.25f, 1e-6f, 123456.789f, 3.0e-5f, 1.0e30f, -7.1e-7f};
    for (float v : values) w.WReal("V", v);
    // Four decimals kept where exact; the others read back bit for bit.
    EXPECT_EQ(Bytes(m).substr(0, 49), "V = 12.5000\r\nV = 0.1000\r\nV = -3.2500\r\nV = 1e-06\r\n");
    std::string lines = Bytes(m);
    size_t at = 0;
    for (float v : values) {
        size_t eol = lines.find("\r\n", at);
        float x = 0;
        std::string t = lines.substr(at + 4, eol - at - 4);
        std::from_chars(t.data(), t.data() + t.size(), x);
        EXPECT_EQ(std::memcmp(&x, &v, 4), 0) << t;
        at = eol + 2;
    }
}

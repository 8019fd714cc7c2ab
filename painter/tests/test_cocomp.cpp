#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Utils.h"
#include "painter/CoComp.h"

using namespace velt;
using namespace velt::CoComp;

namespace {

std::string Bytes(const TMemoryStream& m) { return std::string(m.Memory(), size_t(m.Size())); }

constexpr Guid GuidPlain{0xA0000001, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr Guid GuidSaved{0xA0000002, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr Guid GuidShort{0xA0000003, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

// No stored data: a 21-byte record.
class TPlainExt : public TCoObject {
public:
    static const TCoClassDesc& Class() {
        static const TCoClassDesc d("TPlainExt", &TCoObject::Class(), GuidPlain, &MakeCoObject<TPlainExt>,
                                    "Plain extension");
        return d;
    }
    const TCoClassDesc& ClassType() const override { return Class(); }
};

// Ten bytes of data.
class TSavedExt : public TSavedCoObject {
public:
    static const TCoClassDesc& Class() {
        static const TCoClassDesc d("TSavedExt", &TSavedCoObject::Class(), GuidSaved, &MakeCoObject<TSavedExt>);
        return d;
    }
    const TCoClassDesc& ClassType() const override { return Class(); }
    void WriteData(TStream& s) override { s.WriteBuffer(Data.data(), int64_t(Data.size())); }
    void ReadData(TStream& s) override {
        Data.assign(10, '\0');
        s.ReadBuffer(Data.data(), 10);
    }
    std::string Data = "0123456789";
};

// Reads fewer bytes than it writes.
class TShortReader : public TSavedExt {
public:
    static const TCoClassDesc& Class() {
        static const TCoClassDesc d("TShortReader", &TSavedExt::Class(), GuidShort, &MakeCoObject<TShortReader>);
        return d;
    }
    const TCoClassDesc& ClassType() const override { return Class(); }
    void ReadData(TStream& s) override {
        Data.assign(4, '\0');
        s.ReadBuffer(Data.data(), 4);
    }
};

void RegisterOnce() {
    static bool done = [] {
        RegisterCoClass(TPlainExt::Class());
        RegisterCoClass(TSavedExt::Class());
        RegisterCoClass(TShortReader::Class());
        return true;
    }();
    (void)done;
}

}  // namespace

TEST(CoComp, RegistryOrderDuplicatesAndErrors) {
    RegisterOnce();
    EXPECT_EQ(FindCoClass(GuidSaved), &TSavedExt::Class());
    EXPECT_EQ(FindCoClass(IID_ICoObject), nullptr);

    static const TCoClassDesc dup("TDuplicate", &TCoObject::Class(), GuidPlain, &MakeCoObject<TPlainExt>);
    try {
        RegisterCoClass(dup);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Dublicate Registration Extra Class \rTDuplicate");
    }
    EXPECT_EQ(FindCoClass(GuidPlain), &TPlainExt::Class());
    EXPECT_THROW(RegisterCoClass(TSavedCoObject::Class()), EAbstractError);

    TStringList all, saved;
    CoClassesList(all, nullptr);
    EXPECT_EQ(all.Text(), "Plain extension\r\nTSavedExt\r\nTShortReader\r\n");
    EXPECT_EQ(all.GetObject(1), &TSavedExt::Class());
    CoClassesList(saved, &TSavedExt::Class());
    EXPECT_EQ(saved.Text(), "TSavedExt\r\nTShortReader\r\n");

    try {
        CoClassError(GuidPlain);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Support Object Interface not registered {A0000001-0001-0002-0102-030405060708}");
    }
}

TEST(CoComp, ExtensionRecordsOf21And39Bytes) {
    RegisterOnce();
    ComPtr<TCoObject> plain = TPlainExt::Class().Create();
    ComPtr<TCoObject> saved = TSavedExt::Class().Create();
    EXPECT_EQ(plain->GetRefCount(), 1);
    TMemoryStream m;
    ASSERT_TRUE(WriteExInterface(m, static_cast<ICoObject*>(plain.get())));
    ASSERT_EQ(m.Size(), 21);
    std::string plainRec = Bytes(m);
    EXPECT_EQ(plainRec.substr(16), std::string(5, '\0'));
    EXPECT_EQ(plainRec.substr(0, 4), std::string("\x01\x00\x00\xA0", 4));
    ASSERT_TRUE(WriteExInterface(m, static_cast<ICoObject*>(saved.get())));
    ASSERT_EQ(m.Size(), 21 + 39);
    EXPECT_EQ(Bytes(m).substr(21 + 16), std::string("\0\0\0\0\x01\0\0\0\0\x0A\0\0\0" "0123456789", 23));

    // Not an extension: nothing written.
    ComPtr<Unknowns::TCoObject> other = Unknowns::TCoObject::CreateAggregated(nullptr);
    EXPECT_FALSE(WriteExInterface(m, other.get()));
    EXPECT_EQ(m.Size(), 60);

    m.SetPosition(0);
    ComPtr<IUnknown> a = ReadExInterface(m);
    ComPtr<IUnknown> b = ReadExInterface(m);
    EXPECT_EQ(m.GetPosition(), 60);
    EXPECT_EQ(ComQuery<ICoObject>(a.get())->GetClassID(), GuidPlain);
    EXPECT_FALSE(ComQuery<IStreamReadWrite>(a.get()));
    ASSERT_TRUE(ComQuery<IStreamReadWrite>(b.get()));
    // An extension answers its class GUID with its ICoObject.
    void* p = nullptr;
    ASSERT_EQ(b->QueryInterface(GuidSaved, &p), S_OK);
    EXPECT_EQ(static_cast<ICoObject*>(p)->GetClassID(), GuidSaved);
    static_cast<ICoObject*>(p)->_Release();
}

TEST(CoComp, ReadingStaysWithinTheStatedLength) {
    RegisterOnce();
    // A short reader continues after its data.
    ComPtr<TCoObject> s = TShortReader::Class().Create();
    TMemoryStream m;
    WriteExInterface(m, static_cast<ICoObject*>(s.get()));
    WriteInteger(m, 77);
    m.SetPosition(0);
    ComPtr<IUnknown> back = ReadExInterface(m);
    EXPECT_EQ(ReadInteger(m), 77);

    // A length shorter than ReadData needs: EReadError, no leak (ASan).
    std::string rec = Bytes(m).substr(0, 39);
    rec[25] = 3;
    TMemoryStream shortLen;
    shortLen.WriteBuffer(rec.data(), int64_t(rec.size()));
    shortLen.SetPosition(0);
    EXPECT_THROW(ReadExInterface(shortLen), EReadError);
    // Negative or too long.
    rec[25] = char(0xEF);
    rec[26] = rec[27] = rec[28] = char(0xFF);
    TMemoryStream neg;
    neg.WriteBuffer(rec.data(), int64_t(rec.size()));
    neg.SetPosition(0);
    EXPECT_THROW(ReadExInterface(neg), EReadError);

    // Data flagged for a class without IStreamReadWrite: the cast error.
    TMemoryStream m2;
    WriteGUID(m2, GuidPlain);
    WriteInteger(m2, 0);
    WriteBool(m2, true);
    WriteInteger(m2, 0);
    WriteInteger(m2, 0);
    m2.SetPosition(0);
    EXPECT_THROW(ReadExInterface(m2), EIntfCastError);

    TMemoryStream unknown;
    WriteGUID(unknown, IID_ICoObject);
    unknown.WriteBuffer("\0\0\0\0\0", 5);
    unknown.SetPosition(0);
    EXPECT_THROW(ReadExInterface(unknown), Exception);
}

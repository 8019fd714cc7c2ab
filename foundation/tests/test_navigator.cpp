#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "foundation/Navigator.h"
#include "foundation/SysExcpt.h"
#include "foundation/Utils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using test::SysCodeOf;

namespace {

std::vector<uint8_t> Bytes(const TMemoryStream& s) {
    return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

std::vector<uint8_t> Hex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size();) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

// A 104-byte descriptor written field by field at its documented offsets.
std::vector<uint8_t> Record(uint8_t key, int32_t offset, int32_t size, bool index, uint32_t nav,
                            const std::string& name, int32_t id = 0, int32_t tag = 0) {
    std::vector<uint8_t> r(104, 0);
    auto put = [&](size_t at, int32_t v) { std::memcpy(&r[at], &v, 4); };
    r[0] = key;
    put(4, offset);
    put(8, size);
    r[12] = index;
    put(16, int32_t(nav));
    r[20] = uint8_t(name.size());
    std::memcpy(&r[21], name.data(), name.size());
    put(56, id);
    put(60, tag);
    return r;
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) { out.insert(out.end(), more.begin(), more.end()); }

void AppendInt(std::vector<uint8_t>& out, int32_t v) {
    uint8_t b[4];
    std::memcpy(b, &v, 4);
    out.insert(out.end(), b, b + 4);
}

void AddDB(TDBInfoNavigator& nav, TKeyKind key, const std::string& name, int32_t size = 0, bool index = false,
           int32_t tag = 0) {
    TDBFieldInfo fi;
    TCDBField::Create().Key(key).Name(name).Size(size).Index(index).Tag(tag).Apply(fi);
    nav.AddField(fi);
}

enum { fId, fName, fFlag, fObj };

// Id (indexed integer), Name (string of 15 characters), Flag, Obj.
std::unique_ptr<TStructuredTreeList> MakeTable() {
    auto nav = std::make_unique<TDBInfoNavigator>();
    AddDB(*nav, tkInteger, "Id", 0, true);
    AddDB(*nav, tkString, "Name", 16);
    AddDB(*nav, tkBoolean, "Flag");
    AddDB(*nav, tkObject, "Obj");
    return std::make_unique<TStructuredTreeList>(std::move(nav));
}

struct Probe : TObject {
    explicit Probe(int* deaths) : Deaths(deaths) {}
    ~Probe() override { ++*Deaths; }
    int* Deaths;
};

std::vector<uint8_t> Saved(TDBInfoNavigator& nav) {
    TMemoryStream s;
    nav.SaveToStream(s);
    return Bytes(s);
}

void LoadBytes(TDBInfoNavigator& nav, const std::vector<uint8_t>& bytes) {
    TMemoryStream s = test::StreamOf(bytes);
    nav.LoadFromStream(s);
}

}  // namespace

TEST(Navigator, FieldsArePlacedBehindEachOtherBySizeOfType) {
    TInfoNavigator nav;
    TFieldInfo a, b, c;
    TCField::Create().Key(tkInteger).Apply(a);
    TCField::Create().Key(tkString).Size(32).Apply(b);
    TCField::Create().Key(tkBoolean).Size(99).Apply(c);
    nav.AddField(a);
    nav.AddField(b);
    nav.AddField(c);
    EXPECT_EQ(nav.GetFieldInfo(1).Offset, 4);
    EXPECT_EQ(nav.GetFieldInfo(2).Offset, 36);
    EXPECT_EQ(nav.GetFieldInfo(2).Size, 1);
    EXPECT_EQ(nav.GetFieldInfoSize(), 37);
    EXPECT_EQ(nav.GetNextOffset(), 37);

    // A field placed explicitly far out makes the record reach its end.
    TFieldInfo far;
    TCField::Create().Key(tkCurrency).Offset(100).Apply(far);
    nav.AddField(far);
    EXPECT_EQ(nav.GetFieldInfoSize(), 108);
}

TEST(Navigator, DescriptorsThatCannotBeLaidOutAreRefused) {
    TInfoNavigator nav;
    TFieldInfo f;
    TCField::Create().Key(tkUnknown).Apply(f);
    EXPECT_EQ(SysCodeOf([&] { nav.AddField(f); }), seUnknownFieldType);
    f.Key = TKeyKind(40);
    EXPECT_EQ(SysCodeOf([&] { nav.AddField(f); }), seUnknownFieldType);
    TCField::Create().Key(tkString).Size(0).Apply(f);
    EXPECT_THROW(nav.AddField(f), Exception);
    TCField::Create().Key(tkObject).SetIndex().Apply(f);
    EXPECT_THROW(nav.AddField(f), Exception);
    TCField::Create().Key(tkInteger).Offset(-4).Apply(f);
    EXPECT_THROW(nav.AddField(f), Exception);
    EXPECT_EQ(nav.GetFieldCount(), 0);
}

TEST(Navigator, BuilderCutsNamesAndFillsTheGoldenRecord) {
    TDBFieldInfo fi;
    TCDBField::Create()
        .Key(tkString)
        .Offset(8)
        .Size(21)
        .SetIndex()
        .Name("Name")
        .ShortName("N")
        .ID(7)
        .Tag(1)
        .Visible(true)
        .FullName("Full name")
        .Domain(-2)
        .Apply(fi);
    std::vector<uint8_t> bytes(104);
    std::memcpy(bytes.data(), &fi, 104);
    EXPECT_EQ(bytes, Hex("02000000 08000000 15000000 01000000 00000000"
                         "044E616D65 000000000000000000000000"
                         "014E 000000000000000000000000000000 0000"
                         "07000000 01000000 01"
                         "0946756C6C206E616D65 0000000000000000000000000000000000000000000000 0000"
                         "FEFFFFFF"));
    TCDBField::Create().Name(std::string(20, 'n')).FullName(std::string(40, 'f')).Apply(fi);
    EXPECT_EQ(fi.GetName(), std::string(16, 'n'));
    EXPECT_EQ(fi.GetFullName(), std::string(32, 'f'));
}

TEST(Navigator, StreamWithNestedNavigatorIsGoldenAndLoadsBack) {
    TDBInfoNavigator nav;
    AddDB(nav, tkInteger, "ID", 0, true);
    AddDB(nav, tkTreeList, "Sub");
    auto nested = std::make_unique<TDBInfoNavigator>();
    AddDB(*nested, tkString, "S", 8);
    nav.SetNestedNavigator(1, std::move(nested));

    std::vector<uint8_t> expected;
    AppendInt(expected, 2);
    AppendInt(expected, 104);
    Append(expected, Record(tkInteger, 0, 4, true, 0, "ID"));
    Append(expected, Record(tkTreeList, 4, 4, false, 1, "Sub"));
    AppendInt(expected, 1);
    AppendInt(expected, 104);
    Append(expected, Record(tkString, 0, 8, false, 0, "S"));
    const std::vector<uint8_t> saved = Saved(nav);
    EXPECT_EQ(saved, expected);

    TDBInfoNavigator back;
    LoadBytes(back, saved);
    ASSERT_EQ(back.GetFieldCount(), 2);
    TDBInfoNavigator* sub = back.GetNestedNavigator(1);
    ASSERT_NE(sub, nullptr);
    EXPECT_NE(sub, nav.GetNestedNavigator(1));
    EXPECT_EQ(sub->GetDBFieldInfo(0).GetName(), "S");
    EXPECT_EQ(Saved(back), saved);

    // A plain navigator's 16-byte descriptors are widened, not read past.
    TInfoNavigator plain;
    TFieldInfo pf;
    TCField::Create().Key(tkTreeList).Apply(pf);
    plain.AddField(pf);
    TDBInfoNavigator widened;
    widened.Assign(&plain);
    EXPECT_EQ(widened.GetDBFieldInfo(0).Key, tkTreeList);
    EXPECT_EQ(widened.GetNestedNavigator(0), nullptr);

    // Copies own their nested navigators: freeing one leaves the other intact.
    auto copy = nav.CloneNavigator();
    EXPECT_NE(copy->GetNestedNavigator(1), nav.GetNestedNavigator(1));
    copy.reset();
    EXPECT_EQ(Saved(nav), saved);
}

TEST(Navigator, LoadingChecksTheStreamAndLeavesTheNavigatorOnFailure) {
    TDBInfoNavigator good;
    AddDB(good, tkInteger, "A");
    AddDB(good, tkString, "B", 10);
    const std::vector<uint8_t> base = Saved(good);

    TDBInfoNavigator nav;
    AddDB(nav, tkBoolean, "Kept");
    auto refused = [&](std::vector<uint8_t> bytes) {
        EXPECT_THROW(LoadBytes(nav, bytes), Exception);
        ASSERT_EQ(nav.GetFieldCount(), 1);
        EXPECT_EQ(nav.GetDBFieldInfo(0).GetName(), "Kept");
    };
    refused({});
    refused(std::vector<uint8_t>(base.begin(), base.end() - 1));            // truncated record
    auto b = base; b[0] = 3; refused(b);                                      // count beyond the data
    b = base; b[4] = 16; refused(b);                                          // record size of another layout
    b = base; b[8] = tkUnknown; refused(b);                                   // type without a size
    b = base; b[8] = 77; refused(b);                                          // unknown type code
    b = base; b[8 + 8] = 2; refused(b);                                       // integer of 2 bytes
    b = base; b[8 + 104 + 8] = 0; refused(b);                                 // string of 0 bytes
    b = base; b[8 + 104 + 7] = 0x80; refused(b);                              // negative offset
    b = base; b[8 + 20] = 17; refused(b);                                     // name longer than 16
    b = base; b[8 + 104 + 12] = 1; b[8 + 104] = tkPointer; b[8 + 104 + 8] = 4; refused(b);  // index on a pointer
    b = base; b[8 + 104] = tkTreeList; b[8 + 104 + 8] = 4; b[8 + 104 + 16] = 9; refused(b);  // nested stream missing

    LoadBytes(nav, base);
    EXPECT_EQ(nav.GetFieldCount(), 2);
}

TEST(Navigator, NestingIsCapped) {
    auto chain = [](int levels) {
        std::vector<uint8_t> out;
        for (int i = 0; i < levels; ++i) {
            AppendInt(out, 1);
            AppendInt(out, 104);
            Append(out, Record(tkTreeList, 0, 4, false, i + 1 < levels ? 1 : 0, "L"));
        }
        return out;
    };
    TDBInfoNavigator nav;
    LoadBytes(nav, chain(TDBInfoNavigator::MaxNesting + 1));
    EXPECT_NE(nav.GetNestedNavigator(0), nullptr);
    EXPECT_THROW(LoadBytes(nav, chain(TDBInfoNavigator::MaxNesting + 2)), EReadError);
}

TEST(Navigator, DeleteTaggedFieldsStopsAtTheFirstUntaggedAndKeepsFieldZero) {
    const struct {
        int32_t Tags[3];
        int Left;
    } cases[] = {{{0, 2, 1}, 1}, {{5, 0, 3}, 2}};
    for (const auto& c : cases) {
        TDBInfoNavigator nav;
        for (int32_t tag : c.Tags) AddDB(nav, tkInteger, "f", 0, false, tag);
        DeleteTaggedFields(nav);
        EXPECT_EQ(nav.GetFieldCount(), c.Left) << c.Tags[0];
    }
}

TEST(StructuredTreeList, AddingAndDeletingFieldsResizesTheRecordsKeepingValues) {
    auto t = MakeTable();
    EXPECT_EQ(t->GetInfoSize(), 25);
    for (int i = 0; i < 3; ++i) {
        const int r = t->AddEmpty();
        t->SetAsInteger(r, fId, 30 - i);
        t->SetAsString(r, fName, "n" + std::to_string(i));
    }
    AddDB(*t->GetDBNavigator(), tkInteger, "Extra", 0, true);
    EXPECT_EQ(t->GetInfoSize(), 29);
    EXPECT_EQ(t->GetKeyCount(), 5);
    EXPECT_EQ(t->GetAsString(1, fName), "n1");
    EXPECT_EQ(t->GetAsInteger(2, fId), 28);
    EXPECT_EQ(t->GetAsInteger(2, 4), 0);
    t->SetAsInteger(0, 4, 9);
    int32_t nine = 9;
    EXPECT_EQ(t->FindKey(4, &nine), 0);
    int32_t id = 29;
    EXPECT_EQ(t->FindKey(fId, &id), 1);

    t->GetDBNavigator()->DeleteLastField();
    EXPECT_EQ(t->GetInfoSize(), 25);
    EXPECT_EQ(t->GetKeyCount(), 4);
    EXPECT_THROW(t->GetAsInteger(0, 4), Exception);
    EXPECT_EQ(t->GetAsString(2, fName), "n2");
}

TEST(StructuredTreeList, TypedAccessorsConvertOrRaiseNumberedErrors) {
    auto nav = std::make_unique<TDBInfoNavigator>();
    AddDB(*nav, tkInteger, "I");
    AddDB(*nav, tkBoolean, "B");
    AddDB(*nav, tkString, "S", 8);
    AddDB(*nav, tkPointer, "P");
    AddDB(*nav, tkSingle, "F");
    AddDB(*nav, tkCurrency, "C");
    AddDB(*nav, tkDateTime, "D");
    TStructuredTreeList t(std::move(nav));
    const int r = t.AddEmpty();
    t.SetAsFloat(r, 0, 2.5);  // rounds half to even
    EXPECT_EQ(t.GetAsInteger(r, 0), 2);
    t.SetAsString(r, 1, "true");
    EXPECT_EQ(t.GetAsString(r, 1), "True");
    t.SetAsInteger(r, 2, -17);
    EXPECT_EQ(t.GetAsString(r, 2), "-17");
    EXPECT_EQ(t.GetAsInteger(r, 2), -17);
    t.SetAsBoolean(r, 2, false);
    EXPECT_FALSE(t.GetAsBoolean(r, 2));
    EXPECT_EQ(SysCodeOf([&] { t.SetAsString(r, 2, "12345678"); }), seStringTooLong);
    EXPECT_EQ(t.GetAsString(r, 2), "False");
    EXPECT_EQ(t.GetAsString(r, 3), "00000000");
    t.SetAsCurrency(r, 5, Currency::FromUnits(12345));
    EXPECT_EQ(t.GetAsString(r, 5), "1.2345");
    t.SetAsFloat(r, 5, 1.25);
    EXPECT_EQ(t.GetAsCurrency(r, 5).Units, 12500);
    t.SetAsString(r, 6, "2024-03-01 13:05:09");
    EXPECT_EQ(t.GetAsString(r, 6), "2024-03-01 13:05:09");
    EXPECT_THROW(t.SetAsString(r, 6, "2024-13-01"), EConvertError);
    EXPECT_EQ(SysCodeOf([&] { t.GetAsBoolean(r, 0); }), seWrongType);
    EXPECT_EQ(SysCodeOf([&] { t.GetAsObject(r, 0); }), seWrongType);
    EXPECT_EQ(SysCodeOf([&] { t.SetAsFloat(r, 6, 1.0); }), seWrongType);
    EXPECT_THROW(t.GetAsDateTime(r, 2), EConvertError);  // "False" is no date
    EXPECT_THROW(t.GetAsInteger(5, 0), Exception);
    EXPECT_THROW(t.GetAsInteger(r, 7), Exception);
}

TEST(StructuredTreeList, WritesOfAnIndexedFieldKeepItsIndexSorted) {
    auto t = MakeTable();
    for (int i = 0; i < 5; ++i) t->SetAsInteger(t->AddEmpty(), fId, i * 10);
    t->SetAsInteger(0, fId, 35);
    t->SetAsStringP(t->GetItem(1), fId, "5");
    int32_t v = 35;
    EXPECT_EQ(t->FindKey(fId, &v), 0);
    v = 5;
    EXPECT_EQ(t->FindKey(fId, &v), 1);
    EXPECT_EQ(test::IDs(*t->GetIndexes(fId)), (std::vector<int32_t>{1, 2, 3, 0, 4}));
}

TEST(StructuredTreeList, ObjectFieldsAreFreedWithTheirRecordAndNeverFromAStream) {
    int deaths = 0;
    auto t = MakeTable();
    EXPECT_TRUE(t->GetHasObjects());
    for (int i = 0; i < 3; ++i) t->SetAsObject(t->AddEmpty(), fObj, new Probe(&deaths));
    Probe* kept = static_cast<Probe*>(t->GetAsObject(2, fObj));
    t->Delete(0);
    EXPECT_EQ(deaths, 1);
    {
        // A clone shares the references; the object dies once, with the first holder.
        auto copy = t->Clone();
        EXPECT_EQ(static_cast<TVirtualTreeList*>(copy.get())->GetAsObject(1, fObj), kept);
    }
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(t->GetAsObject(1, fObj), nullptr);

    t->SetAsObject(0, fObj, new Probe(&deaths));
    TMemoryStream s;
    t->SaveToStream(s);
    s.SetPosition(0);
    t->LoadFromStream(s);  // frees what it held; loaded references are cleared
    EXPECT_EQ(deaths, 4);
    EXPECT_EQ(t->GetCount(), 2);
    EXPECT_EQ(t->GetAsObject(0, fObj), nullptr);

    t->SetAsObject(1, fObj, new Probe(&deaths));
    std::vector<char> rec(static_cast<const char*>(t->GetItem(1)), static_cast<const char*>(t->GetItem(1)) + 25);
    t->SetItem(1, rec.data());  // written back with the same object
    t->SetItem(1, t->GetItem(1));
    EXPECT_EQ(deaths, 4);
    ASSERT_NE(t->GetAsObject(1, fObj), nullptr);
    t->GetDBNavigator()->DeleteLastField();  // the field goes, and its objects with it
    EXPECT_EQ(deaths, 5);
    t.reset();
    EXPECT_EQ(deaths, 5);
}

TEST(StructuredTreeList, CopiesKeepTheClassAndNamesAndPlainCreateRaises) {
    auto t = MakeTable();
    for (int i = 0; i < 4; ++i) {
        const int r = t->AddEmpty();
        t->SetAsInteger(r, fId, i);
        t->SetAsBoolean(r, fFlag, i % 2 == 1);
    }
    auto odd = t->CopyWhere({fFlag}, {true});
    auto* st = dynamic_cast<TStructuredTreeList*>(odd.get());
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->GetCount(), 2);
    EXPECT_EQ(st->GetAsInteger(1, fId), 3);
    EXPECT_NE(st->GetDBNavigator(), t->GetDBNavigator());
    EXPECT_EQ(st->GetFIByName("Flag"), fFlag);
    EXPECT_EQ(t->GetFIByName("flag"), -1);
    EXPECT_EQ(t->GetFIByName("Name"), fName);
    t->SetFID(fName, 42);
    EXPECT_EQ(t->GetFID(fName), 42);
    EXPECT_EQ(SysCodeOf([&] { t->NewInstance(); }), seAbstract);
    EXPECT_THROW(TVirtualTreeList(nullptr), Exception);
}

TEST(StructuredTreeList, LayoutOfATableWithRecordsChangesOnlyAtTheEnd) {
    int deaths = 0;
    auto other = MakeTable();
    other->SetAsObject(other->AddEmpty(), fObj, new Probe(&deaths));
    const auto handle = int32_t(ObjectHandles::Register(other->GetAsObject(0, fObj)));

    // A layout whose field 0 is an object field, where the table has its Id.
    TDBInfoNavigator objectFirst;
    AddDB(objectFirst, tkObject, "Obj");
    AddDB(objectFirst, tkString, "Name", 16);
    AddDB(objectFirst, tkBoolean, "Flag");
    AddDB(objectFirst, tkInteger, "Id");
    const std::vector<uint8_t> layout = Saved(objectFirst);

    auto t = MakeTable();
    t->SetAsInteger(t->AddEmpty(), fId, handle);
    TDBInfoNavigator& nav = *t->GetDBNavigator();
    const std::vector<std::function<void()>> changes = {
        [&] { LoadBytes(nav, layout); },
        [&] { t->SetNavigator(objectFirst.CloneNavigator()); },
        [&] { nav.Delete(0); },
        [&] { nav.SetItem(fId, nav.GetItem(fObj)); },
        [&] { nav.Clear(); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        EXPECT_THROW(changes[i](), Exception) << i;
        ASSERT_EQ(nav.GetFieldCount(), 4) << i;
        EXPECT_EQ(t->GetKey(fId), tkInteger) << i;
        EXPECT_EQ(t->GetAsInteger(0, fId), handle) << i;
    }
    t->Delete(0);
    EXPECT_EQ(deaths, 0);
    EXPECT_NE(other->GetAsObject(0, fObj), nullptr);

    // Without records the layout may change, and the keys follow it.
    LoadBytes(nav, layout);
    EXPECT_EQ(t->GetKeyInfo(0).Key, tkObject);
    EXPECT_EQ(t->GetKeyInfo(3).Offset, 21);
    nav.Delete(0);
    ASSERT_EQ(t->GetKeyCount(), 3);
    EXPECT_EQ(t->GetKeyInfo(0).Key, tkString);
    EXPECT_EQ(t->GetInfoSize(), 25);
    t->SetNavigator(objectFirst.CloneNavigator());
    EXPECT_EQ(t->GetKeyCount(), 4);
    EXPECT_EQ(t->GetFIByName("Id"), 3);
}

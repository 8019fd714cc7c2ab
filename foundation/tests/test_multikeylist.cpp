#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "foundation/MultiKeyList.h"
#include "foundation/SysExcpt.h"
#include "foundation/Utils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;

namespace {

struct Person {
    int32_t Id;
    uint8_t Name[16];  // counted string, 15 characters
    uint8_t Flag;
    int32_t Age;
};
static_assert(sizeof(Person) == 28 && offsetof(Person, Age) == 24);

enum { kId, kName, kFlag, kAge };

class People : public TPlainList {
public:
    People() : TPlainList(sizeof(Person)) {}
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<People>(); }
    void GetKeyList(const TAddKeyProc& add) override {
        add(tkInteger, 0, 4, false);
        add(tkString, 4, 16, false);
        add(tkBoolean, 20, 1, false);
        add(tkInteger, 24, 4, false);
    }
    int AddPerson(int32_t id, const std::string& name, int32_t age, bool flag = false) {
        Person p{};
        p.Id = id;
        SetCountedString(p.Name, 15, name);
        p.Flag = flag;
        p.Age = age;
        return Add(&p);
    }
    Person At(int i) const { return test::RecordAt<Person>(*this, i); }
    std::string Ids() const {
        std::string s;
        for (int i = 0; i < GetCount(); ++i) s += std::to_string(At(i).Id) + " ";
        return s;
    }
};

void Fill(People& t) {
    t.AddPerson(1, "ann", 30);
    t.AddPerson(2, "bob", 40, true);
    t.AddPerson(3, "cid", 40, true);
    t.AddPerson(4, "dan", 20);
    t.AddPerson(5, "eve", 40, true);
}

}  // namespace

TEST(MultiKeyList, EmptyKeySetMatchesEveryRecordAndFindNextRestartsAfterMiss) {
    People t;
    EXPECT_EQ(t.FindFirst({}, {}), -1);
    Fill(t);
    EXPECT_EQ(t.FindFirst({}, {}), 0);
    EXPECT_EQ(t.FindNext({}, {}), 1);
    EXPECT_EQ(t.FindNext({}, {}), 2);
    EXPECT_EQ(t.FindFirst({kName}, {"nobody"}), -1);
    EXPECT_EQ(t.GetFindIndex(), -1);
    EXPECT_EQ(t.FindNext({}, {}), 0);
}

TEST(MultiKeyList, PlainConditionalAndListedSearches) {
    People t;
    Fill(t);
    EXPECT_EQ(t.FindFirst({kAge, kFlag}, {40, true}), 1);
    EXPECT_EQ(t.FindNext({kAge, kFlag}, {40, true}), 2);
    EXPECT_EQ(t.FindNext({kAge, kFlag}, {40, true}), 4);
    EXPECT_EQ(t.FindNext({kAge, kFlag}, {40, true}), -1);
    EXPECT_EQ(t.FindFirstEx({kAge}, {40}, {ckLess}), 0);
    EXPECT_EQ(t.FindNextEx({kAge}, {40}, {ckLess}), 3);
    EXPECT_EQ(t.FindFirstEx({kName, kAge}, {"bob", 40}, {ckGreat, ckGreatEqu}), 2);
    TPureIDList keys;
    keys.AddID(kName);
    EXPECT_EQ(t.FindFirstList(keys, {"dan"}), 3);
    EXPECT_EQ(t.FindFirstListEx(keys, {"cid"}, {ckNeq}), 0);
    EXPECT_EQ(t.FindNextListEx(keys, {"cid"}, {ckNeq}), 1);
    EXPECT_EQ(t.FindNextListEx(keys, {"cid"}, {ckNeq}), 3);
    // Argument lists shorter than the key set are refused, not read past.
    EXPECT_THROW(t.FindFirst({kAge, kFlag}, {40}), Exception);
    EXPECT_THROW(t.FindFirstEx({kAge}, {40}, {}), Exception);
    EXPECT_THROW(t.FindFirst({7}, {1}), Exception);
    // A string value on an integer key is refused rather than reinterpreted.
    EXPECT_THROW(t.FindFirst({kAge}, {"40"}), Exception);
}

TEST(MultiKeyList, FindKeyCountsComparisonsOfTheWalk) {
    People t;
    Fill(t);
    int32_t age = 20;
    EXPECT_EQ(t.FindKey(kAge, &age), 3);
    EXPECT_EQ(t.GetCompareCount(), 4);
    EXPECT_EQ(t.FindKeyEx(kName, TKeyValue::ShortString("eve")), 4);
    EXPECT_EQ(t.GetCompareCount(), 5);
}

TEST(MultiKeyList, DeleteWhereRemovesExactlyTheMatchesInOrder) {
    People t;
    t.AddPerson(0, "a", 1);
    t.AddPerson(1, "b", 2);
    t.AddPerson(2, "c", 2);
    t.AddPerson(3, "d", 1);
    t.AddPerson(4, "e", 2);
    t.AddPerson(5, "f", 1);
    t.DeleteWhere({kAge}, {2});
    EXPECT_EQ(t.Ids(), "0 3 5 ");
    t.DeleteWhereEx({kAge}, {1}, {ckEqu});
    EXPECT_EQ(t.GetCount(), 0);
}

TEST(MultiKeyList, UpdateWhereSetsUpdateKeysOfMatches) {
    People t;
    Fill(t);
    t.UpdateWhere({kAge}, {40, 41}, {kAge});
    EXPECT_EQ(t.FindFirst({kAge}, {41}), 1);
    EXPECT_EQ(t.At(0).Age, 30);
    EXPECT_EQ(t.At(4).Age, 41);
    TPureIDList keys, upd;
    keys.AddID(kId);
    upd.AddID(kName);
    upd.AddID(kFlag);
    t.UpdateWhereList(keys, {4, "dora", true}, upd);
    EXPECT_EQ(GetCountedString(t.At(3).Name, 15), "dora");
    EXPECT_EQ(t.At(3).Flag, 1);
    EXPECT_THROW(t.UpdateWhere({kAge}, {41}, {kAge}), Exception);
}

TEST(MultiKeyList, CopyWhereGivesATableOfTheSameClass) {
    People t;
    Fill(t);
    auto copy = t.CopyWhere({kFlag}, {true});
    ASSERT_NE(dynamic_cast<People*>(copy.get()), nullptr);
    EXPECT_EQ(static_cast<People*>(copy.get())->Ids(), "2 3 5 ");
    auto ex = t.CopyWhereEx({kAge}, {30}, {ckLessEqu});
    EXPECT_EQ(static_cast<People*>(ex.get())->Ids(), "1 4 ");
}

TEST(MultiKeyList, StringsAreCutAndClampedToTheirField) {
    People t;
    Fill(t);
    t.SetItemValue(t.GetItem(0), kName, std::string(40, 'x'));
    EXPECT_EQ(GetCountedString(t.At(0).Name, 255), std::string(15, 'x'));
    // A damaged length byte is clamped to the field on comparison.
    static_cast<uint8_t*>(t.GetItem(0))[offsetof(Person, Name)] = 200;
    EXPECT_EQ(t.FindKeyEx(kName, std::string(15, 'x')), 0);
}

TEST(MultiKeyList, LongValuesCompareByTheirFirst255Characters) {
    struct Wide : TPlainList {
        Wide() : TPlainList(256) {}
        void GetKeyList(const TAddKeyProc& add) override { add(tkString, 0, 256, false); }
    } t;
    std::vector<char> rec(256, 0);
    SetCountedString(rec.data(), 255, std::string(255, 'a'));
    t.Add(rec.data());
    EXPECT_EQ(t.FindKeyEx(0, std::string(300, 'a')), 0);
    EXPECT_EQ(t.FindKeyEx(0, std::string(254, 'a')), -1);
}

TEST(MultiKeyList, SetItemValueByTypeAndRefusals) {
    struct Typed : TPlainList {
        Typed() : TPlainList(40) {}
        void GetKeyList(const TAddKeyProc& add) override {
            add(tkSingle, 0, 4, false);
            add(tkCurrency, 8, 8, false);
            add(tkDateTime, 16, 8, false);
            add(tkBinary, 24, 4, false);
            add(tkObject, 28, 4, false);
            add(tkUnknown, 32, 0, false);
        }
    } t;
    t.AddEmpty();
    void* r = t.GetItem(0);
    t.SetItemValue(r, 0, 2.5);
    t.SetItemValue(r, 1, Currency::FromUnits(12345));
    EXPECT_EQ(t.FindKeyEx(0, 2.5), 0);
    EXPECT_EQ(t.FindKeyEx(1, Currency::FromUnits(12345)), 0);
    const uint8_t bytes[4] = {1, 2, 3, 4};
    t.SetItemValue(r, 3, static_cast<const void*>(bytes));
    EXPECT_EQ(std::memcmp(static_cast<char*>(r) + 24, bytes, 4), 0);
    EXPECT_THROW(t.SetItemValue(r, 2, 1.0), Exception);   // date-time is not writable here
    EXPECT_THROW(t.SetItemValue(r, 5, 1), Exception);     // tkUnknown
    EXPECT_THROW(t.SetItemValue(r, 4, static_cast<const void*>(bytes)), Exception);  // no raw address
    EXPECT_THROW(t.FindKeyEx(3, 1), Exception);           // binary keys do not compare
    EXPECT_THROW(t.SetSortIndex(4), Exception);
}

TEST(MultiKeyList, SortNeedsASortKeyAndSortedCopiesKeepIt) {
    People t;
    t.AddPerson(1, "cid", 1);
    t.AddPerson(2, "ann", 2);
    t.AddPerson(3, "bob", 3);
    EXPECT_FALSE(t.GetCanSort());
    EXPECT_THROW(t.Sort(), Exception);
    auto unsorted = t.GetSortedList();
    EXPECT_EQ(static_cast<People*>(unsorted.get())->Ids(), "1 2 3 ");
    t.SetSortIndex(kName);
    EXPECT_TRUE(t.GetCanSort());
    auto sorted = t.GetSortedList();
    EXPECT_EQ(static_cast<People*>(sorted.get())->Ids(), "2 3 1 ");
    t.Sort();
    EXPECT_EQ(t.Ids(), "2 3 1 ");
    // Through the record-list base the copy sorts by the same key.
    t.Exchange(0, 2);
    auto viaBase = static_cast<const TGeneralList&>(t).GetSortedList();
    EXPECT_EQ(static_cast<People*>(viaBase.get())->Ids(), "2 3 1 ");
}

TEST(MultiKeyList, KeyDeclarationsAreChecked) {
    struct Outside : TPlainList {
        Outside() : TPlainList(8) {}
        void GetKeyList(const TAddKeyProc& add) override { add(tkCurrency, 4, 8, false); }
    } outside;
    EXPECT_THROW(outside.GetKeyCount(), Exception);
    struct IndexedObject : TPlainList {
        IndexedObject() : TPlainList(8) {}
        void GetKeyList(const TAddKeyProc& add) override { add(tkObject, 0, 4, true); }
    } indexed;
    EXPECT_THROW(indexed.GetKeyCount(), Exception);
    struct NoKeys : TPlainList {
        NoKeys() : TPlainList(8) {}
    } none;
    EXPECT_THROW(none.GetKeyCount(), EAbstractError);
    EXPECT_THROW(none.Clone(), ESysException);  // no virtual constructor of its own
}

TEST(ObjectHandlesTest, HandlesFollowTheObjectAndNeverOutliveIt) {
    auto* a = new TObject();
    const uint32_t h = ObjectHandles::Register(a);
    EXPECT_NE(h, 0u);
    EXPECT_EQ(ObjectHandles::Register(a), h);
    EXPECT_EQ(ObjectHandles::Lookup(h), a);
    delete a;
    EXPECT_EQ(ObjectHandles::Lookup(h), nullptr);
    EXPECT_EQ(ObjectHandles::Register(nullptr), 0u);
    auto* b = new TObject();
    const uint32_t hb = ObjectHandles::Register(b);
    ObjectHandles::Unregister(hb);
    EXPECT_EQ(ObjectHandles::Lookup(hb), nullptr);
    delete b;
}

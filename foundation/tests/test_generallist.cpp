#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "foundation/Filer.h"
#include "foundation/GeneralList.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using namespace velt::test;

namespace {

// Records of a chosen size ordered by the int32 at offset 0.
class TIntRecList : public TGeneralList {
public:
    explicit TIntRecList(int32_t size = 4, bool canSort = true) : TGeneralList(size), canSort_(canSort) {}
    std::string ClassName() const override { return "TIntRecList"; }
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<TIntRecList>(0, canSort_); }
    bool GetCanSort() const override { return canSort_; }
    int Compare(int a, int b) override {
        int32_t x = Key(a), y = Key(b);
        ++compares;
        return x < y ? -1 : x > y ? 1 : 0;
    }
    int32_t Key(int i) const {
        int32_t v;
        std::memcpy(&v, GetItem(i), 4);
        return v;
    }
    int AddKey(int32_t k) {
        std::vector<char> rec(size_t(GetItemSize()), 0);
        std::memcpy(rec.data(), &k, 4);
        return Add(rec.data());
    }
    // n records whose byte b of record i is i * 16 + b.
    void AddPatterned(int n) {
        std::vector<char> rec(static_cast<size_t>(GetItemSize()));
        for (int i = 0; i < n; ++i) {
            for (size_t b = 0; b < rec.size(); ++b) rec[b] = char(i * 16 + int(b));
            Add(rec.data());
        }
    }
    std::vector<int32_t> Keys() const {
        std::vector<int32_t> v;
        for (int i = 0; i < GetCount(); ++i) v.push_back(Key(i));
        return v;
    }
    int64_t compares = 0;

private:
    bool canSort_;
};




}  // namespace

TEST(GeneralListStream, GoldenBytes) {
    TGeneralList empty(16);
    TMemoryStream s;
    empty.SaveToStream(s);
    EXPECT_EQ(Bytes(s), std::string("\0\0\0\0\x10\0\0\0", 8));

    TIntRecList l(4);
    l.AddKey(1);
    l.AddKey(0x01020304);
    TMemoryStream t;
    l.SaveToStream(t);
    EXPECT_EQ(Bytes(t), std::string("\2\0\0\0\4\0\0\0\1\0\0\0\4\3\2\1", 16));

    TIntRecList back(4);
    t.SetPosition(0);
    back.LoadFromStream(t);
    EXPECT_EQ(back.Keys(), (std::vector<int32_t>{1, 0x01020304}));
    EXPECT_EQ(t.GetPosition(), t.Size());
}

TEST(GeneralListStream, OtherRecordSizeIsCutOrZeroFilledAndStaysInStep) {
    // Two 8-byte records, then a trailing marker that must be where the
    // reader stops.
    TMemoryStream s = StreamOf({2, 0, 0, 0, 8, 0, 0, 0, 1, 0, 0, 0, 9, 9, 9, 9, 2, 0, 0, 0, 9, 9, 9, 9, 0x77});
    TIntRecList small(4);
    small.LoadFromStream(s);
    EXPECT_EQ(small.Keys(), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(s.GetPosition(), 24);
    EXPECT_EQ(small.GetData().Size(), 8);

    TMemoryStream t = StreamOf({1, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0});
    TIntRecList big(12);
    big.LoadFromStream(t);
    ASSERT_EQ(big.GetCount(), 1);
    const char* rec = static_cast<const char*>(big.GetItem(0));
    EXPECT_EQ(big.Key(0), 5);
    EXPECT_EQ(std::string(rec + 4, 8), std::string(8, '\0'));

    // A list made without a record size takes the stored one.
    TMemoryStream u = StreamOf({1, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0});
    TIntRecList bare(0);
    bare.LoadFromStream(u);
    EXPECT_EQ(bare.GetItemSize(), 4);
    EXPECT_EQ(bare.Keys(), std::vector<int32_t>{5});
}

TEST(GeneralListStream, BadHeadersRaiseAndLeaveAnEmptyUsableList) {
    const std::vector<std::vector<uint8_t>> bad = {
        {},                                               // nothing
        {1, 0, 0},                                        // truncated count
        {1, 0, 0, 0, 4, 0},                               // truncated size
        {0xFF, 0xFF, 0xFF, 0xFF, 4, 0, 0, 0},             // negative count
        {0xFF, 0xFF, 0xFF, 0x7F, 4, 0, 0, 0, 1, 2, 3, 4},  // more records than bytes
        {2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 2, 0},       // truncated record
        {1, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4},             // size 0 with records
        {1, 0, 0, 0, 0xFC, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4}, // negative size
        {0, 0, 0, 0, 0, 0, 0, 0x40},                      // absurd size
    };
    for (const auto& b : bad) {
        TIntRecList l(4);
        l.AddKey(7);
        l.AddKey(8);
        TMemoryStream s = StreamOf(b);
        EXPECT_THROW(l.LoadFromStream(s), EReadError) << b.size();
        EXPECT_EQ(l.GetCount(), 0);
        EXPECT_EQ(l.GetData().Size(), 0);
        l.AddKey(3);
        EXPECT_EQ(l.Keys(), std::vector<int32_t>{3});
    }
}

TEST(GeneralList, InsertDeleteAndAddressing) {
    TIntRecList l(4);
    l.Insert(0, "\1\0\0\0");  // on an empty list: appends
    l.Insert(5, "\3\0\0\0");  // beyond the end: appends
    l.Insert(1, "\2\0\0\0");
    l.Insert(0, "\0\0\0\0");
    EXPECT_EQ(l.Keys(), (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(l.GetIndexByPtr(static_cast<char*>(l.GetItem(3)) + 2), 3);
    l.Delete(0);
    l.DeleteLast();
    EXPECT_EQ(l.Keys(), (std::vector<int32_t>{1, 2}));
    l.DeleteByPtr(static_cast<char*>(l.GetItem(1)) + 1);
    EXPECT_EQ(l.Keys(), std::vector<int32_t>{1});
    ExpectListError([&] { l.Insert(-1, "\0\0\0\0"); });
    l.Delete(0);
    EXPECT_EQ(l.GetCount(), 0);
    EXPECT_EQ(l.GetData().Size(), 0);
}

TEST(GeneralList, BadIndexesAndAddressesRaise) {
    TIntRecList l(4);
    ExpectListError([&] { l.Delete(0); });
    ExpectListError([&] { l.DeleteLast(); });
    char outside[4] = {};
    ExpectListError([&] { l.DeleteByPtr(outside); });
    l.AddKey(1);
    l.AddKey(2);
    const char* first = static_cast<const char*>(l.GetFirst());
    // One byte below the block must not resolve to record 0.
    EXPECT_LT(l.GetIndexByPtr(first - 1), 0);
    ExpectListError([&] { l.DeleteByPtr(first - 1); });
    ExpectListError([&] { l.DeleteByPtr(first + 8); });
    ExpectListError([&] { l.Delete(2); });
    ExpectListError([&] { l.GetItemAutoAdd(-1); });
    EXPECT_EQ(l.Keys(), (std::vector<int32_t>{1, 2}));
}

TEST(GeneralList, GetItemAutoAddAppendsZeroedRecords) {
    TIntRecList l(8);
    void* p = l.GetItemAutoAdd(5);
    EXPECT_EQ(l.GetCount(), 6);
    EXPECT_EQ(p, l.GetItem(5));
    EXPECT_EQ(std::string(static_cast<char*>(l.GetFirst()), 48), std::string(48, '\0'));
    EXPECT_EQ(l.GetItemAutoAdd(2), l.GetItem(2));
    EXPECT_EQ(l.GetCount(), 6);
}

TEST(GeneralList, CountNeverPassesItsRange) {
    TIntRecList l(8);
    l.AddKey(1);
    ExpectListError([&] { l.GetItemAutoAdd(INT32_MAX); });
    EXPECT_EQ(l.GetCount(), 1);
    EXPECT_EQ(l.GetData().Size(), 8);
    ExpectListError([&] { l.QuickSort(0, 5); });

    // Records of size 0 cost nothing, so the count itself reaches its limit.
    TGeneralList empty(0);
    empty.GetItemAutoAdd(INT32_MAX - 1);
    ASSERT_EQ(empty.GetCount(), INT32_MAX);
    ExpectListError([&] { empty.AddEmpty(); });
    ExpectListError([&] { empty.Insert(0, nullptr); });
    ExpectListError([&] { empty.AddList(&empty); });
    EXPECT_EQ(empty.GetCount(), INT32_MAX);
}

TEST(GeneralList, RecordsFromTheOwnBlockAreCopiedBeforeItMoves) {
    // 100 records of distinct bytes: appending them again outgrows the block.
    TIntRecList l(16);
    l.AddPatterned(100);
    const std::string before = Bytes(l.GetData());
    l.AddList(&l);
    ASSERT_EQ(l.GetCount(), 200);
    EXPECT_EQ(Bytes(l.GetData()), before + before);

    // The insertion shifts the record it copies from.
    const std::string rec20 = before.substr(20 * 16, 16);
    l.Insert(10, l.GetItem(20));
    EXPECT_EQ(std::string(static_cast<const char*>(l.GetItem(10)), 16), rec20);
    EXPECT_EQ(std::string(static_cast<const char*>(l.GetItem(21)), 16), rec20);
    EXPECT_EQ(std::string(static_cast<const char*>(l.GetItem(11)), 16), before.substr(10 * 16, 16));
    EXPECT_EQ(l.GetCount(), 201);
}

TEST(GeneralList, DefineFieldPacksKindAndOffset) {
    TGeneralList l(8);
    EXPECT_EQ(l.GetFields(), nullptr);
    l.DefineField(4, fkString);
    l.DefineField(0x12345, fkInterface);  // the offset keeps its low 16 bits
    l.DefineField(-2, 7);
    ASSERT_NE(l.GetFields(), nullptr);
    EXPECT_EQ(*l.GetFields(), (std::vector<uint32_t>{0x00010004u, 0x00022345u, 0x0007FFFEu}));
}

TEST(GeneralList, RecordsFromTheListItselfSurviveGrowth) {
    TIntRecList l(16);
    l.AddKey(42);
    // Each Add may move the block the argument points into.
    for (int i = 0; i < 200; ++i) l.Add(l.GetItem(l.GetCount() - 1));
    l.Insert(1, l.GetItem(0));
    l.SetItem(3, l.GetItem(3));
    EXPECT_EQ(l.GetCount(), 202);
    for (int32_t k : l.Keys()) ASSERT_EQ(k, 42);
}

TEST(GeneralList, AssignAndAddListWithItself) {
    TIntRecList l(4);
    l.AddKey(1);
    l.AddKey(2);
    l.Assign(&l);
    EXPECT_EQ(l.Keys(), (std::vector<int32_t>{1, 2}));
    l.AddList(&l);
    EXPECT_EQ(l.Keys(), (std::vector<int32_t>{1, 2, 1, 2}));

    // A source of another record size is cut to this list's records.
    TIntRecList wide(8);
    wide.AddKey(9);
    l.AddList(&wide);
    EXPECT_EQ(l.GetCount(), 5);
    EXPECT_EQ(l.GetData().Size(), 20);
    EXPECT_EQ(l.Key(4), 9);
}

TEST(GeneralList, CloneAssignToAndAdjustItemSize) {
    TIntRecList l(12);
    l.AddPatterned(3);
    auto copy = l.Clone();
    EXPECT_EQ(copy->ClassName(), "TIntRecList");
    EXPECT_EQ(copy->GetItemSize(), 12);
    EXPECT_EQ(Bytes(const_cast<TMemoryStream&>(copy->GetData())), Bytes(const_cast<TMemoryStream&>(l.GetData())));

    TStringList other;
    EXPECT_NO_THROW(l.AssignTo(&other));
    EXPECT_EQ(other.Count(), 0);

    l.AdjustItemSize(-4);
    ASSERT_EQ(l.GetItemSize(), 8);
    ASSERT_EQ(l.GetCount(), 3);
    EXPECT_EQ(static_cast<char*>(l.GetItem(2))[7], char(2 * 16 + 7));
    l.AdjustItemSize(4);
    EXPECT_EQ(static_cast<char*>(l.GetItem(2))[7], char(2 * 16 + 7));
    EXPECT_EQ(static_cast<char*>(l.GetItem(2))[8], 0);
    ExpectListError([&] { l.AdjustItemSize(-20); });

    std::string s;
    l.___(s);
    EXPECT_EQ(s, "Count: 3");
}

TEST(GeneralListSort, OrdersAndRespectsGetCanSort) {
    TIntRecList two(4);
    two.AddKey(5);
    two.AddKey(1);
    two.Sort();
    EXPECT_EQ(two.Keys(), (std::vector<int32_t>{1, 5}));

    TIntRecList unsortable(4, false);
    unsortable.AddKey(5);
    unsortable.AddKey(1);
    auto copy = unsortable.GetSortedList();
    EXPECT_EQ(static_cast<TIntRecList*>(copy.get())->Keys(), (std::vector<int32_t>{5, 1}));

    TGeneralList base(4);
    base.AddEmpty();
    base.AddEmpty();
    EXPECT_EQ(MessageOf<EAbstractError>([&] { base.Sort(); }), "Abstract Error");
}

TEST(GeneralListSort, RandomSortedAndEqualInputsStayFast) {
    std::mt19937 rng(7);
    const int n = 200000;
    TIntRecList random(4), sorted(4), equal(4), reversed(4);
    std::vector<int32_t> expect;
    for (int i = 0; i < n; ++i) {
        int32_t k = int32_t(rng() % 1000);
        random.AddKey(k);
        expect.push_back(k);
        sorted.AddKey(i);
        equal.AddKey(3);
        reversed.AddKey(n - i);
    }
    std::sort(expect.begin(), expect.end());
    for (TIntRecList* l : {&random, &sorted, &equal, &reversed}) {
        l->Sort();
        auto keys = l->Keys();
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
        // n log n, not n squared (which would be ~2e10 here).
        EXPECT_LT(l->compares, int64_t(200) * n);
    }
    EXPECT_EQ(random.Keys(), expect);
}

TEST(GeneralList, InterfaceReferenceCountFreesTheList) {
    auto* l = new TIntRecList(4);
    auto alive = l->AliveToken();
    {
        ComPtr<IGeneralList> a(l);
        a->Add("\7\0\0\0");
        void* raw = nullptr;
        ASSERT_EQ(a->QueryInterface(IID_IUnknown, &raw), S_OK);
        ComPtr<IUnknown> u = ComPtr<IUnknown>::Adopt(static_cast<IUnknown*>(raw));
        EXPECT_EQ(a->QueryInterface(Guid{1, 2, 3, {}}, &raw), E_NOINTERFACE);
        EXPECT_EQ(raw, nullptr);
        EXPECT_EQ(a->GetCount(), 1);
    }
    EXPECT_TRUE(alive.expired());
}

TEST(GeneralList, WriterHooksRoundTrip) {
    class THooked : public TIntRecList {
    public:
        THooked() : TIntRecList(4) {}
        void WriteRecordData(TWriter& w, int i) override { w.WriteInteger(Key(i)); }
        void ReadRecordData(TReader& r, int i) override {
            int32_t k = r.ReadInteger();
            std::memcpy(GetItem(i), &k, 4);
        }
    };
    THooked l;
    l.AddKey(-3);
    l.AddKey(100000);
    TMemoryStream s;
    TWriter w(s);
    l.SaveToWriter(w);
    s.SetPosition(0);
    THooked back;
    back.AddKey(99);
    TReader r(s);
    back.LoadFromReader(r);
    EXPECT_EQ(back.Keys(), (std::vector<int32_t>{-3, 100000}));

    // A count far beyond the data left raises and leaves the list empty.
    TMemoryStream bad = StreamOf({0xFF, 0xFF, 0xFF, 0x0F, 4, 0, 0, 0, 2, 5});
    TReader rb(bad);
    EXPECT_THROW(back.LoadFromReader(rb), EReadError);
    EXPECT_EQ(back.GetCount(), 0);
}

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/IDList.h"
#include "foundation/ListUtils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using namespace velt::test;

namespace {

template <class L = TPureIDList>
std::unique_ptr<L> Of(std::initializer_list<int32_t> ids) {
    auto l = std::make_unique<L>();
    for (int32_t id : ids) l->AddID(id);
    return l;
}

}  // namespace

TEST(IDList, RecordSizesAndRegisteredClasses) {
    EXPECT_EQ(TPureIDList().GetItemSize(), 4);
    EXPECT_EQ(TRefList().GetItemSize(), 4);
    EXPECT_EQ(T2IntList().GetItemSize(), 8);
    EXPECT_EQ(TNameList().GetItemSize(), 260);
    EXPECT_EQ(TShortNameList().GetItemSize(), 24);
    EXPECT_EQ(TIDList().GetItemSize(), 0);
    for (const char* name : {"TIDList", "TPureIDList", "TRefList", "T2IntList", "TNameList", "TShortNameList"})
        EXPECT_EQ(CreateGeneralList(name)->ClassName(), name);
    EXPECT_THROW(CreateGeneralList("TStringList"), EClassNotFound);
}

TEST(IDList, LookupsTakeTheFirstMatch) {
    T2IntList l;
    l.Add2Int(5, 50);
    l.Add2Int(6, 60);
    l.Add2Int(5, 51);
    EXPECT_EQ(l.IndexByID(5), 0);
    EXPECT_EQ(l.IndexOf(6), 1);
    EXPECT_EQ(l.IndexByID(7), -1);
    EXPECT_EQ(l.GetListItemByID(6), l.GetItem(1));
    EXPECT_EQ(l.GetListItemByID(7), nullptr);
    EXPECT_EQ(l.GetSecondID(5), 50);
    ExpectListError([&] { l.GetSecondID(7); });
    EXPECT_EQ(l.AddUniqueID(6), -1);
    EXPECT_EQ(l.GetCount(), 3);
    EXPECT_EQ(l.AddUniqueID(8), 3);
    EXPECT_EQ(l.GetRec(3).Second, 0);  // the bytes after the ID are zero
}

TEST(IDList, AddAutoincFollowsTheLastRecord) {
    TPureIDList l;
    TPureIDRec rec{0};
    l.AddAutoinc(&rec);
    EXPECT_EQ(rec.ID, 1);
    l._(9)->_(7);
    l.AddAutoinc(&rec);
    EXPECT_EQ(rec.ID, 8);
    l.SetStep(5);
    l.SetID(l.GetCount() - 1, INT32_MAX);
    l.AddAutoinc(&rec);  // wraps, as the counters always did
    EXPECT_EQ(rec.ID, INT32_MIN + 4);
}

TEST(IDList, SetOperations) {
    auto target = Of({4});
    target->Uniqualize(Of({3, 3, 4}).get());
    EXPECT_EQ(IDs(*target), (std::vector<int32_t>{4, 3}));

    auto a = Of({1, 2, 3});
    auto both = a->Intersect(Of({3, 1, 5}).get());
    EXPECT_EQ(both->ClassName(), "TPureIDList");
    EXPECT_EQ(IDs(*both), (std::vector<int32_t>{3, 1}));
    EXPECT_EQ(IDs(*a->Subtract(Of({2}).get())), (std::vector<int32_t>{1, 3}));

    EXPECT_FALSE(Of({1, 2})->EqualTo(Of({2, 1}).get()));
    EXPECT_FALSE(Of({1, 2})->EqualTo(Of({1}).get()));
    TPureIDList e1, e2;
    EXPECT_TRUE(e1.EqualTo(&e2));
}

TEST(IDList, UniqualizeWithOffsetTakesTheTailOfEachRecord) {
    T2IntList pairs;
    pairs.Add2Int(1, 10);
    pairs.Add2Int(2, 20);
    TPureIDList l;
    l.AddID(2);
    l.UniqualizeWithOffset(&pairs, 4);
    EXPECT_EQ(IDs(l), (std::vector<int32_t>{2, 10}));
    // From the end of the source record on, the record is zero.
    T2IntList wide;
    wide.UniqualizeWithOffset(&pairs, 4);
    EXPECT_EQ(wide.GetRec(0).Second, 0);
    ExpectListError([&] { l.UniqualizeWithOffset(&pairs, 9); });
}

TEST(IDList, AddListOfOtherSizesAndOfItself) {
    TPureIDList ids;
    ids._(1)->_(2);
    T2IntList pairs;
    pairs.Add2Int(7, 70);
    pairs.AddList(&ids);  // shorter records are zero-padded
    EXPECT_EQ(IDs(pairs), (std::vector<int32_t>{7, 1, 2}));
    EXPECT_EQ(pairs.GetRec(2).Second, 0);
    ids.AddList(&pairs);  // longer records are cut
    EXPECT_EQ(IDs(ids), (std::vector<int32_t>{1, 2, 7, 1, 2}));
    ids.AddList(&ids);
    EXPECT_EQ(ids.GetCount(), 10);
    ids.Assign(&ids);
    EXPECT_EQ(ids.GetCount(), 10);

    TIDList bare;  // no record size yet: takes the source's
    bare.Assign(&pairs);
    EXPECT_EQ(bare.GetItemSize(), 8);
    EXPECT_EQ(IDs(bare), (std::vector<int32_t>{7, 1, 2}));
}

TEST(IDList, SmallListsAndDescriptions) {
    TPureIDList p;
    p.Enumerate(3)->Enumerate(0);
    EXPECT_EQ(IDs(p), (std::vector<int32_t>{1, 2, 3}));

    auto c = Of({-5, 3});
    EXPECT_EQ(c->Compare(0, 1), -1);
    EXPECT_EQ(c->Compare(1, 0), 1);

    TRefList r;
    r.AddID(1);
    EXPECT_EQ(r.AddRef(0), 2);
    EXPECT_EQ(r.Release(0), 1);
    EXPECT_EQ(r.Release(0), 0);
    EXPECT_EQ(r.GetCount(), 1);

    std::string s;
    Of({5, 7})->___(s);
    EXPECT_EQ(s, "0 -> 5  1 -> 7  ");
    EXPECT_THROW(c->GetLimitedList(0, 0), Exception);
}

TEST(NameList, NamesAreCutAndClamped) {
    TShortNameList l;
    l.AddIDName(1, "abcdefghijklmnopqrstuvwxyz");
    std::string s;
    l.GetNames(0, s);
    EXPECT_EQ(s, "abcdefghijklmnopqrs");
    EXPECT_EQ(l.GetRec(0).NameLen, 19);

    // A damaged length byte never reads past the field.
    static_cast<char*>(l.GetItem(0))[4] = char(200);
    l.AddID(2);
    l.GetNames(0, s);
    EXPECT_EQ(s.size(), 19u);
    l.GetNameByID(2, s);
    EXPECT_EQ(s, "");
    ExpectListError([&] { l.GetNameByID(3, s); });

    TNameList big;
    big.AddIDName(5, std::string(300, 'n'));
    big.GetNames(0, s);
    EXPECT_EQ(s, std::string(255, 'n'));
}

TEST(NameList, SortsByNameAndFindsExactNames) {
    TNameList l;
    l.AddIDName(1, "beta");
    l.AddIDName(2, "Alpha");
    l.AddIDName(3, "gamma");
    EXPECT_EQ(l.GetListItemByName("Alpha"), l.GetItem(1));
    EXPECT_EQ(l.GetListItemByName("alpha"), nullptr);
    auto sorted = l.GetSortedList();
    EXPECT_EQ(IDs(*dynamic_cast<TIDList*>(sorted.get())), (std::vector<int32_t>{2, 1, 3}));
}

TEST(ListUtils, SortIndexAndCompare) {
    T2IntList pairs;
    pairs.Add2Int(3, 30);
    pairs.Add2Int(1, 10);
    pairs.Add2Int(2, 20);
    SortListByID(&pairs);
    EXPECT_EQ(IDs(pairs), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(pairs.GetRec(0).Second, 10);

    auto index = CreateIndexIDList(&pairs, Of({9, 2, 1}).get());
    EXPECT_EQ(IDs(*index), (std::vector<int32_t>{2, 1, -1}));

    auto a = Of({1, 2}), b = Of({1, 2});
    EXPECT_TRUE(BinaryCompareLists(a.get(), b.get()));
    b->SetID(1, 3);
    EXPECT_FALSE(BinaryCompareLists(a.get(), b.get()));
    TRefList r1;
    TPureIDList p1;
    EXPECT_TRUE(BinaryCompareLists(&r1, &p1));  // the class is not compared
}

TEST(ListUtils, ListsStreamWithTheirClassName) {
    TNameList names;
    names.AddIDName(4, "four");
    TMemoryStream s;
    WriteGeneralList(s, &names);
    EXPECT_EQ(std::string(s.Memory(), 10), "\x09TNameList");
    s.SetPosition(0);
    auto back = ReadGeneralList(s);
    EXPECT_EQ(back->ClassName(), "TNameList");
    EXPECT_TRUE(BinaryCompareLists(back.get(), &names));

    TMemoryStream unknown;
    unknown.WriteBuffer("\x05TNone\0\0\0\0\4\0\0\0", 14);
    unknown.SetPosition(0);
    EXPECT_THROW(ReadGeneralList(unknown), EClassNotFound);
}

TEST(ListUtils, NonStructuredListStreamsItsItems) {
    // Items stream as one byte each.
    class TByteList : public TNonStucturedList {
    public:
        TByteList() : TNonStucturedList(1) {}
        void ReadItem(TStream& s) override {
            uint8_t b = 0;
            s.ReadBuffer(&b, 1);
            Add(&b);
        }
        void WriteItem(int i, TStream& s) override { s.WriteBuffer(GetItem(i), 1); }
    };
    TByteList l;
    l.Add("a");
    l.Add("b");
    TMemoryStream s;
    l.SaveToStream(s);
    EXPECT_EQ(std::string(s.Memory(), size_t(s.Size())), std::string("\2\0\0\0ab", 6));
    s.SetPosition(0);
    TByteList back;
    back.LoadFromStream(s);
    EXPECT_EQ(back.GetCount(), 2);

    TMemoryStream huge;
    huge.WriteBuffer("\xFF\xFF\xFF\x7F" "ab", 6);
    huge.SetPosition(0);
    EXPECT_THROW(back.LoadFromStream(huge), EReadError);
    TMemoryStream negative;
    negative.WriteBuffer("\xFF\xFF\xFF\xFF", 4);
    negative.SetPosition(0);
    EXPECT_THROW(back.LoadFromStream(negative), EReadError);
}

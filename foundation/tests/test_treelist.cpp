#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "foundation/TreeList.h"
#include "foundation/Utils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;

namespace {

// Id (indexed integer), Name (indexed string of 11 characters), Parent.
struct Node {
    int32_t Id;
    uint8_t Name[12];
    int32_t Parent;
};
static_assert(sizeof(Node) == 20);
enum { kId, kName, kParent };

template <class Base>
class Nodes : public Base {
public:
    Nodes() : Base(sizeof(Node)) {}
    std::unique_ptr<TGeneralList> NewInstance() const override { return std::make_unique<Nodes>(); }
    void GetKeyList(const TAddKeyProc& add) override {
        add(tkInteger, 0, 4, true);
        add(tkString, 4, 12, true);
        add(tkParent, 16, 4, false);
    }
    int AddNode(int32_t id, const std::string& name = "", int32_t parent = -1) {
        Node n{};
        n.Id = id;
        SetCountedString(n.Name, 11, name);
        n.Parent = parent;
        return this->Add(&n);
    }
    Node At(int i) const { return test::RecordAt<Node>(*this, i); }
    std::vector<int32_t> Index(int key) { return test::IDs(*this->GetIndexes(key)); }
    std::string Ids() const {
        std::string s;
        for (int i = 0; i < this->GetCount(); ++i) s += std::to_string(At(i).Id) + " ";
        return s;
    }
    // Every index names each record once, in ascending key order.
    ::testing::AssertionResult IndexesValid() {
        for (int k : {kId, kName}) {
            std::vector<int32_t> idx = Index(k);
            if (int(idx.size()) != this->GetCount()) return ::testing::AssertionFailure() << "size of index " << k;
            std::vector<bool> seen(idx.size());
            for (size_t p = 0; p < idx.size(); ++p) {
                if (idx[p] < 0 || idx[p] >= this->GetCount() || seen[size_t(idx[p])])
                    return ::testing::AssertionFailure() << "entry " << idx[p] << " of index " << k;
                seen[size_t(idx[p])] = true;
                if (p == 0) continue;
                Node a = At(idx[p - 1]), b = At(idx[p]);
                bool ok = k == kId ? a.Id <= b.Id
                                   : GetCountedString(a.Name, 11) <= GetCountedString(b.Name, 11);
                if (!ok) return ::testing::AssertionFailure() << "order of index " << k << " at " << p;
            }
        }
        return ::testing::AssertionSuccess();
    }
};

using Tree = Nodes<TTreeList>;
using Family = Nodes<TParentableList>;

}  // namespace

TEST(TreeList, IndexOrdersRecordsAndSearchBisects) {
    Tree t;
    t.AddNode(3);
    t.AddNode(1);
    t.AddNode(2);
    EXPECT_EQ(t.Index(kId), (std::vector<int32_t>{1, 2, 0}));
    int32_t two = 2;
    EXPECT_EQ(t.FindKey(kId, &two), 2);
    int32_t missing = 7;
    EXPECT_EQ(t.FindKey(kId, &missing), -1);

    Tree big;
    for (int i = 0; i < 1000; ++i) big.AddNode((i * 7919) % 1000);
    int32_t v = 123;
    const int r = big.FindKey(kId, &v);
    ASSERT_GE(r, 0);
    EXPECT_EQ(big.At(r).Id, 123);
    EXPECT_LE(big.GetCompareCount(), 11);
}

TEST(TreeList, EqualKeyGoesBeforeTheEqualEntryAndInsertAppends) {
    Tree t;
    t.AddNode(5);
    t.AddNode(5);
    EXPECT_EQ(t.Index(kId), (std::vector<int32_t>{1, 0}));
    Node n{};
    n.Id = 1;
    t.Insert(0, &n);
    EXPECT_EQ(t.At(2).Id, 1);
    EXPECT_EQ(t.Index(kId), (std::vector<int32_t>{2, 1, 0}));
}

TEST(TreeList, DeleteRenumbersAndRefreshMovesOnlyTheChangedRecord) {
    Tree t;
    t.AddNode(10, "c");
    t.AddNode(20, "a");
    t.AddNode(30, "b");
    t.Delete(0);
    EXPECT_EQ(t.Index(kId), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(t.Index(kName), (std::vector<int32_t>{0, 1}));

    t.AddNode(40, "d");
    int32_t id = 35;
    std::memcpy(t.GetItem(0), &id, 4);  // 20 -> 35, in place
    t.RefreshIndexes(0);
    EXPECT_EQ(t.Index(kId), (std::vector<int32_t>{1, 0, 2}));
    EXPECT_EQ(t.Index(kName), (std::vector<int32_t>{0, 1, 2}));
}

TEST(TreeList, EveryMutatorKeepsTheIndexesSorted) {
    Tree t;
    for (int i = 0; i < 6; ++i) t.AddNode(60 - i * 10, std::string(1, char('a' + i)));
    Node n{};
    n.Id = 5;
    SetCountedString(n.Name, 11, "zz");
    t.SetItem(2, &n);
    EXPECT_TRUE(t.IndexesValid());
    t.Exchange(0, 5);
    EXPECT_TRUE(t.IndexesValid());
    t.SetSortIndex(kId);
    t.Sort();
    EXPECT_EQ(t.At(0).Id, 5);
    EXPECT_TRUE(t.IndexesValid());
    t.SetItemValue(t.GetItem(0), kId, 99);  // a write of an indexed key
    EXPECT_TRUE(t.IndexesValid());
    int32_t v = 99;
    EXPECT_EQ(t.FindKey(kId, &v), 0);
    t.UpdateWhere({kName}, {"b", "bb"}, {kName});
    EXPECT_TRUE(t.IndexesValid());
    t.GetItemAutoAdd(8);  // three zero records
    EXPECT_EQ(t.GetCount(), 9);
    EXPECT_TRUE(t.IndexesValid());
    t.AddList(&t);  // itself, doubled
    EXPECT_EQ(t.GetCount(), 18);
    EXPECT_TRUE(t.IndexesValid());
    auto sorted = t.GetSortedList();
    EXPECT_TRUE(static_cast<Tree*>(sorted.get())->IndexesValid());
    t.DeleteWhere({kId}, {0});
    EXPECT_EQ(t.GetCount(), 12);
    EXPECT_TRUE(t.IndexesValid());
}

TEST(TreeList, RandomOperationsAgreeWithALinearWalk) {
    std::mt19937 rng(12345);
    Tree t;
    for (int step = 0; step < 2000; ++step) {
        const int op = int(rng() % 6);
        const int n = t.GetCount();
        if (op <= 1 || n < 2) {
            t.AddNode(int32_t(rng() % 50), std::string(1 + rng() % 3, char('a' + rng() % 4)));
        } else if (op == 2) {
            t.Delete(int(rng() % unsigned(n)));
        } else if (op == 3) {
            t.Exchange(int(rng() % unsigned(n)), int(rng() % unsigned(n)));
        } else if (op == 4) {
            t.SetItemValue(t.GetItem(int(rng() % unsigned(n))), kId, int32_t(rng() % 50));
        } else {
            t.SetItemValue(t.GetItem(int(rng() % unsigned(n))), kName, std::string(1, char('a' + rng() % 4)));
        }
        if (step % 50 == 0) {
            ASSERT_TRUE(t.IndexesValid()) << "step " << step;
        }
        int32_t probe = int32_t(rng() % 50);
        const int found = t.FindKey(kId, &probe);
        bool exists = false;
        for (int i = 0; i < t.GetCount(); ++i) exists |= t.At(i).Id == probe;
        ASSERT_EQ(found >= 0, exists) << "step " << step;
        if (found >= 0) {
            ASSERT_EQ(t.At(found).Id, probe);
        }
    }
}

TEST(TreeList, LoadingReplacesTheIndexedRecords) {
    Tree src;
    src.AddNode(7, "x");
    src.AddNode(3, "y");
    TMemoryStream s;
    src.SaveToStream(s);
    Tree t;
    for (int i = 0; i < 5; ++i) t.AddNode(i);
    s.SetPosition(0);
    t.LoadFromStream(s);
    EXPECT_EQ(t.Index(kId), (std::vector<int32_t>{1, 0}));
    // A failed load leaves an empty table with empty indexes.
    TMemoryStream bad;
    WriteInteger(bad, 5);
    WriteInteger(bad, 20);
    bad.SetPosition(0);
    EXPECT_THROW(t.LoadFromStream(bad), EReadError);
    EXPECT_EQ(t.GetCount(), 0);
    EXPECT_TRUE(t.IndexesValid());
}

TEST(TreeList, ReplacedIndexMustBeASortedPermutation) {
    Tree t;
    t.AddNode(2);
    t.AddNode(1);
    auto wrong = std::make_unique<TPureIDList>();
    wrong->AddID(0);
    wrong->AddID(1);
    EXPECT_THROW(t.SetIndexes(kId, std::move(wrong)), Exception);
    auto right = std::make_unique<TPureIDList>();
    right->AddID(1);
    right->AddID(0);
    t.SetIndexes(kId, std::move(right));
    EXPECT_EQ(t.GetIndexes(kParent), nullptr);
}

TEST(ParentableList, CascadingDeleteRemovesTheSubtreeAndKeepsOtherReferences) {
    Family f;
    f.AddNode(0);         // 0 root
    f.AddNode(1, "", 0);  // 1 child of 0
    f.AddNode(2);         // 2 parent to delete
    f.AddNode(3, "", 2);  // 3 child
    f.AddNode(4, "", 1);  // 4 grandchild of 0
    f.AddNode(5, "", 2);  // 5 child
    f.AddNode(6, "", 3);  // 6 grandchild
    f.AddNode(7, "", 4);  // 7
    f.Delete(2);
    EXPECT_EQ(f.Ids(), "0 1 4 7 ");
    EXPECT_EQ(f.At(1).Parent, 0);
    EXPECT_EQ(f.At(2).Parent, 1);
    EXPECT_EQ(f.At(3).Parent, 2);
    EXPECT_TRUE(f.IndexesValid());
}

TEST(ParentableList, CyclesAndDeleteWhereRemoveEachRecordOnce) {
    Family f;
    f.AddNode(0, "", 1);  // 0 and 1 are each other's parent
    f.AddNode(1, "", 0);
    f.AddNode(2, "", 2);  // its own parent
    f.AddNode(3);
    f.Delete(0);
    EXPECT_EQ(f.Ids(), "2 3 ");
    EXPECT_EQ(f.At(0).Parent, 0);
    f.Delete(0);
    EXPECT_EQ(f.Ids(), "3 ");

    Family g;
    g.AddNode(0, "m");
    g.AddNode(1, "m", 0);  // a match that is also a descendant of a match
    g.AddNode(2, "", 1);
    g.AddNode(3);
    g.AddNode(4, "m", 3);
    g.AddNode(5, "", 3);
    g.DeleteWhere({kName}, {"m"});
    EXPECT_EQ(g.Ids(), "3 5 ");
    EXPECT_EQ(g.At(1).Parent, 0);
    EXPECT_TRUE(g.IndexesValid());
}

TEST(ParentableList, IsSubnodeAndMovesKeepTheRelation) {
    Family f;
    f.AddNode(0);
    f.AddNode(1, "", 0);
    f.AddNode(2, "", 1);
    f.AddNode(3);
    EXPECT_TRUE(f.IsSubnode(0, 2));
    EXPECT_FALSE(f.IsSubnode(2, 2));
    EXPECT_FALSE(f.IsSubnode(0, 3));
    EXPECT_FALSE(f.IsSubnode(3, 0));
    EXPECT_FALSE(f.IsSubnode(0, 99));

    f.Exchange(0, 2);  // record 0 is now node 2, whose parent is node 1
    EXPECT_EQ(f.At(0).Parent, 1);
    EXPECT_EQ(f.At(1).Parent, 2);
    EXPECT_TRUE(f.IsSubnode(2, 0));
    f.SetSortIndex(kId);
    f.Sort();
    EXPECT_EQ(f.Ids(), "0 1 2 3 ");
    EXPECT_EQ(f.At(2).Parent, 1);
    EXPECT_TRUE(f.IndexesValid());

    Family loop;
    loop.AddNode(0, "", 1);
    loop.AddNode(1, "", 0);
    loop.AddNode(2);
    EXPECT_FALSE(loop.IsSubnode(2, 0));  // the walk ends on the cycle
}

TEST(ParentableList, RecordMovesThroughTheBaseListKeepIndexesAndParents) {
    Family f;
    for (int i = 0; i < 20; ++i)
        f.AddNode((i * 7) % 20, std::string(1, char('a' + (i * 3) % 20)), i == 0 ? -1 : (i - 1) / 2);
    // Each node's parent, by ID.
    auto parents = [](Family& t) {
        std::vector<int32_t> byId(static_cast<size_t>(t.GetCount()), -2);
        for (int r = 0; r < t.GetCount(); ++r) {
            const Node n = t.At(r);
            byId[size_t(n.Id)] = n.Parent >= 0 && n.Parent < t.GetCount() ? t.At(n.Parent).Id : -1;
        }
        return byId;
    };
    const std::vector<int32_t> family = parents(f);
    // Valid indexes, FindKey answering every ID with its record, parents kept.
    auto intact = [&](Family& t) {
        for (int r = 0; r < t.GetCount(); ++r) {
            int32_t id = t.At(r).Id;
            if (t.FindKey(kId, &id) != r) return ::testing::AssertionFailure() << "ID " << id << " not found";
        }
        if (parents(t) != family) return ::testing::AssertionFailure() << "parents changed";
        return t.IndexesValid();
    };
    f.SetSortIndex(kName);
    TGeneralList& base = f;
    base.QuickSort(0, 19);
    EXPECT_TRUE(intact(f));
    base.Exchange(0, 19);
    EXPECT_TRUE(intact(f));
    f.SetSortIndex(kId);
    std::unique_ptr<TGeneralList> sorted = base.GetSortedList();
    EXPECT_EQ(static_cast<Family&>(*sorted).At(0).Id, 0);
    EXPECT_TRUE(intact(static_cast<Family&>(*sorted)));
    base.GetItemAutoAdd(21);  // two zero records
    EXPECT_EQ(f.GetCount(), 22);
    EXPECT_TRUE(f.IndexesValid());
}

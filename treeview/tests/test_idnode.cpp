#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "treeview/IDNode.h"
#include "treeview/tests/TreeTestSupport.h"

using namespace velt;
using velt::test::TReports;

namespace {

// A node whose list is whatever the test put in Entries; children are leaves
// named after their IDs (or lists themselves with Nested).
class TListNode : public TIDListNode {
public:
    using TIDListNode::TIDListNode;
    std::string ClassName() const override { return "TListNode"; }
    std::unique_ptr<TGeneralNode> NewInstance() const override { return std::make_unique<TListNode>(); }

    std::unique_ptr<TIDList> GetIDList() override {
        ++Fetches;
        if (FailWith) throw Exception(FailWith);
        auto list = std::make_unique<T2IntList>();
        for (int32_t id : Entries) list->Add2Int(id, id * 10);
        return list;
    }
    std::unique_ptr<TIDNode> CreateNodeByInfo(const void* Info) override {
        T2IntRec r;
        std::memcpy(&r, Info, sizeof r);
        Log.push_back("create " + std::to_string(r.ID));
        if (r.ID == FailCreate) throw Exception("no node for " + std::to_string(r.ID));
        auto node = std::make_unique<TListNode>(this);
        node->SetText("n" + std::to_string(r.ID));
        if (Nested)
            node->Entries = Entries;
        else
            node->HasItemsKnown = true;  // a leaf
        return node;
    }
    void UpdateNodeByInfo(TIDNode* Node, const void* Info) override {
        T2IntRec r;
        std::memcpy(&r, Info, sizeof r);
        Log.push_back("update " + std::to_string(Node->GetID()) + " " + std::to_string(r.Second));
    }
    void DoBeforeUpdate() override { Log.push_back("before"); }
    void DoAfterUpdate() override { Log.push_back("after"); }

    std::vector<int32_t> Entries;
    std::vector<std::string> Log;
    int Fetches = 0;
    bool Nested = false;
    const char* FailWith = nullptr;
    int32_t FailCreate = -1;
};

std::vector<int32_t> IDs(const TIDListNode& n) {
    std::vector<int32_t> r;
    for (int i = 0; i < n.GetSubnodeCount(); ++i) r.push_back(static_cast<TIDNode*>(n.GetNodes(i))->GetID());
    return r;
}

std::vector<TGeneralNode*> Children(const TGeneralNode& n) {
    std::vector<TGeneralNode*> r;
    for (int i = 0; i < n.GetSubnodeCount(); ++i) r.push_back(n.GetNodes(i));
    return r;
}

// The IDs of the items under a node's item, in display order.
std::vector<int32_t> ItemIDs(T__GeneralTreeView& view, TGeneralNode* n) {
    std::vector<int32_t> r;
    QTreeWidgetItem* item = n->GetItemHandle();
    for (int i = 0; item && i < item->childCount(); ++i) {
        auto* node = dynamic_cast<TIDNode*>(view.GetNode(item->child(i)));
        r.push_back(node ? node->GetID() : -100);  // -100: not an ID node
    }
    return r;
}

class IDListNode : public ::testing::Test {
protected:
    void Show() {
        view = std::make_unique<T__GeneralTreeView>();
        auto r = std::make_unique<TListNode>();
        r->SetText("root");
        r->Entries = node->Entries;
        r->Nested = node->Nested;
        node = r.get();
        view->SetNode0(std::move(r));
        own.reset();
    }
    void Merge(std::vector<int32_t> entries) {
        node->Entries = std::move(entries);
        node->Log.clear();
        node->Update();
    }

    TReports reports;
    std::unique_ptr<TListNode> own = std::make_unique<TListNode>();
    TListNode* node = own.get();
    std::unique_ptr<T__GeneralTreeView> view;
};

}  // namespace

TEST_F(IDListNode, AMergeKeepsTheNodesOfEntriesThatStay) {
    Merge({1, 2, 3});
    const std::vector<TGeneralNode*> first = Children(*node);
    EXPECT_EQ(node->Log, (std::vector<std::string>{"before", "create 1", "create 2", "create 3", "after"}));

    Merge({1, 3});
    EXPECT_EQ(IDs(*node), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(Children(*node), (std::vector<TGeneralNode*>{first[0], first[2]}));
    EXPECT_EQ(node->Log, (std::vector<std::string>{"before", "update 1 10", "update 3 30", "after"}));

    Merge({7});  // the old head no longer listed goes, then the new entry comes
    EXPECT_EQ(IDs(*node), std::vector<int32_t>{7});
    EXPECT_EQ(node->Log, (std::vector<std::string>{"before", "create 7", "after"}));

    // Without a view a moved entry keeps its node where it is.
    Merge({1, 2, 3});
    const std::vector<TGeneralNode*> again = Children(*node);
    Merge({3, 1, 2});
    EXPECT_EQ(Children(*node), again);
    EXPECT_EQ(node->Log, (std::vector<std::string>{"before", "update 1 10", "update 2 20", "after"}));
    EXPECT_EQ(node->GetOldList()->GetCount(), 3);
    EXPECT_EQ(node->GetOldList()->GetID(0), 3);

    // An empty list removes every child and says the node cannot expand.
    Merge({});
    EXPECT_EQ(node->GetSubnodeCount(), 0);
    const int fetches = node->Fetches;
    EXPECT_FALSE(node->GetCanExpand());
    EXPECT_EQ(node->Fetches, fetches);  // the merge's answer, no new fetch
    Merge({4});
    EXPECT_TRUE(node->GetCanExpand());
}

TEST_F(IDListNode, InAViewAMovedEntryIsMadeAgainAtItsPlace) {
    node->Entries = {1, 2, 3};
    Show();
    EXPECT_TRUE(node->GetCanExpand());
    EXPECT_EQ(node->Fetches, 1);
    EXPECT_EQ(node->GetSubnodeCount(), 0);  // asked, not loaded
    node->GetItemHandle()->setExpanded(true);
    EXPECT_EQ(node->Fetches, 2);
    ASSERT_EQ(IDs(*node), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(ItemIDs(*view, node), (std::vector<int32_t>{1, 2, 3}));
    const std::vector<TGeneralNode*> first = Children(*node);

    Merge({3, 1, 2});
    EXPECT_EQ(IDs(*node), (std::vector<int32_t>{3, 1, 2}));
    EXPECT_EQ(ItemIDs(*view, node), (std::vector<int32_t>{3, 1, 2}));
    EXPECT_EQ(node->GetNodes(1), first[0]);
    EXPECT_EQ(node->GetNodes(2), first[1]);
    EXPECT_EQ(node->Log, (std::vector<std::string>{"before", "create 3", "update 1 10", "update 2 20", "after"}));

    // New entries are made in order, each right after the one before.
    Merge({3, 4, 9, 1, 2});
    EXPECT_EQ(node->Log, (std::vector<std::string>{"before", "update 3 30", "create 4", "create 9", "update 1 10",
                                                   "update 2 20", "after"}));
    EXPECT_EQ(ItemIDs(*view, node), (std::vector<int32_t>{3, 4, 9, 1, 2}));
}

TEST_F(IDListNode, CollapsingAndExpandingAgainKeepsTheNodesAndShowsNoPlaceholder) {
    node->Entries = {1, 2, 3};
    node->Nested = true;
    Show();
    node->GetItemHandle()->setExpanded(true);
    const std::vector<TGeneralNode*> first = Children(*node);
    TGeneralNode* two = first[1];
    EXPECT_NE(view->GetLink().GetEmptyNodes().Empty(two), nullptr);  // its own list has entries
    EXPECT_TRUE(two->GetChildren());

    node->GetItemHandle()->setExpanded(false);
    EXPECT_FALSE(node->Expanded);
    EXPECT_EQ(node->GetSubnodeCount(), 3);  // the children stay
    node->Entries = {1, 3};
    node->GetItemHandle()->setExpanded(true);
    EXPECT_EQ(Children(*node), (std::vector<TGeneralNode*>{first[0], first[2]}));
    EXPECT_EQ(ItemIDs(*view, node), (std::vector<int32_t>{1, 3}));  // no stray placeholder item
    EXPECT_TRUE(node->Expanded);
    EXPECT_TRUE(reports.Messages.empty());
}

TEST_F(IDListNode, AFailingFetchIsReportedAndTheClassOfTheListStaysOne) {
    node->Entries = {1};
    Show();
    node->FailWith = "Circular class refference: A = class(A)";
    node->GetItemHandle()->setExpanded(true);  // the cached answer lets it try, the fetch fails
    EXPECT_EQ(reports.Messages, std::vector<std::string>{"Circular class refference: A = class(A)"});

    // A node that answers another list class than before is refused.
    class TFickle : public TListNode {
    public:
        std::unique_ptr<TIDList> GetIDList() override {
            if (++Calls == 1) return TListNode::GetIDList();
            return std::make_unique<TPureIDList>();
        }
        int Calls = 0;
    };
    TFickle fickle;
    fickle.Update();
    EXPECT_THROW(fickle.Update(), Exception);

    // Cloning copies the ID and, into a node that has one, the last list.
    node->FailWith = nullptr;
    node->Update();
    node->SetID(5);
    std::unique_ptr<TGeneralNode> copy = node->Clone();
    auto* c = dynamic_cast<TListNode*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetID(), 5);
    EXPECT_EQ(c->GetSubnodeCount(), 1);
    EXPECT_EQ(c->GetOldList(), nullptr);
    c->Update();
    node->Entries = {8, 9};
    node->Update();
    node->AssignTo(c);
    ASSERT_NE(c->GetOldList(), nullptr);
    EXPECT_EQ(c->GetOldList()->GetCount(), 2);
}

TEST_F(IDListNode, AMergeLooksEachIDUpAFewTimesHoweverTheEntriesMove) {
    constexpr int n = 2000;
    std::vector<int32_t> ids(n);
    std::iota(ids.begin(), ids.end(), 1);
    std::vector<int32_t> reversed(ids.rbegin(), ids.rend());
    std::vector<int32_t> rotated(ids.begin() + 1, ids.end());
    rotated.push_back(ids.front());
    std::vector<int32_t> shuffled = ids;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(17));
    std::vector<int32_t> halfGone;  // every other entry gone, the rest reversed, new ones between
    for (int i = n - 1; i >= 0; i -= 2) halfGone.insert(halfGone.end(), {ids[size_t(i)], n + i + 1});

    for (bool shown : {false, true}) {
        SCOPED_TRACE(shown ? "in a view" : "without a view");
        if (shown) {
            node->Entries = ids;
            Show();
            node->GetItemHandle()->setExpanded(true);
        }
        for (const std::vector<int32_t>* order : {&reversed, &rotated, &shuffled, &halfGone, &ids}) {
            Merge(ids);
            Merge(*order);
            EXPECT_LE(node->GetMergeLookups(), 8 * n);
            std::vector<int32_t> now = IDs(*node);
            if (shown) {
                EXPECT_EQ(now, *order);
                EXPECT_EQ(ItemIDs(*view, node), *order);
            } else {  // moved entries keep their nodes where they are
                std::vector<int32_t> wanted = *order;
                std::sort(now.begin(), now.end());
                std::sort(wanted.begin(), wanted.end());
                EXPECT_EQ(now, wanted);
            }
        }
    }
    EXPECT_TRUE(reports.Messages.empty());
}

TEST_F(IDListNode, AMergeThatFailsHalfWayLeavesTheNextOneNothingToDoTwice) {
    node->Entries = {1, 2, 3};
    Show();
    node->GetItemHandle()->setExpanded(true);
    node->FailCreate = 5;
    EXPECT_THROW(Merge({4, 3, 5, 1}), Exception);
    EXPECT_EQ(IDs(*node), (std::vector<int32_t>{4, 3, 1, 2}));  // 4 and 3 were done, 5 failed
    node->FailCreate = -1;
    Merge({4, 3, 5, 1});
    EXPECT_EQ(IDs(*node), (std::vector<int32_t>{4, 3, 5, 1}));  // no second node for 4
    EXPECT_EQ(ItemIDs(*view, node), (std::vector<int32_t>{4, 3, 5, 1}));
    EXPECT_EQ(node->Log, (std::vector<std::string>{"before", "update 4 40", "update 3 30", "create 5", "update 1 10",
                                                   "after"}));
}

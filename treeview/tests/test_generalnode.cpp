#include <gtest/gtest.h>

#include "treeview/ImageList.h"
#include "treeview/tests/TreeTestSupport.h"

using namespace velt;
using velt::test::Child;
using velt::test::TReports;
using velt::test::TTestNode;

namespace {

// Records what the nodes ask of their control.
class TRecordingLink : public TNodeLink {
public:
    void SetText(TGeneralNode* Node, const std::string& S) override { Log.push_back("SetText " + Node->GetText() + "=" + S); }
    void DisplayRect(TGeneralNode*, bool, QRect& Rect) override { Rect = QRect(1, 2, 3, 4); }
    bool GetChildren(TGeneralNode*) override { return true; }
    void SetChildren(TGeneralNode* Node, bool Value) override {
        Log.push_back("SetChildren " + Node->GetText() + (Value ? " on" : " off"));
    }
    void ExternalExpand(TGeneralNode* Node) override { Log.push_back("ExternalExpand " + Node->GetText()); }
    TGeneralNode* GetRootNode() override { return Root; }
    void Insert(TGeneralNode* Parent, TGeneralNode* Node) override { Log.push_back("Insert " + Name(Parent) + "/" + Node->GetText()); }
    void InsertEx(TGeneralNode* Parent, TGeneralNode* After, TGeneralNode* Node) override {
        Log.push_back("InsertEx " + Name(Parent) + "/" + Name(After) + "/" + Node->GetText());
    }
    void Add(TGeneralNode* Parent, TGeneralNode* Node) override { Log.push_back("Add " + Name(Parent) + "/" + Node->GetText()); }
    void AddChildFirst(TGeneralNode*, TGeneralNode*) override {}
    void DeleteNode(TGeneralNode* Parent, TGeneralNode* Node) override {
        Log.push_back("DeleteNode " + Name(Parent) + "/" + Node->GetText());
    }
    void SetImageList(TImageList*, TImageType) override {}
    void SetEditMode(TGeneralNode* Node) override { Log.push_back("SetEditMode " + Node->GetText()); }
    void RemoveNodeEmpty(TGeneralNode*) override {}

    static std::string Name(TGeneralNode* n) { return n ? n->GetText() : "-"; }
    std::vector<std::string> Log;
    TGeneralNode* Root = nullptr;
};

std::unique_ptr<TTestNode> Named(const std::string& text, TGeneralNode* owner = nullptr) {
    auto n = std::make_unique<TTestNode>(owner);
    n->SetText(text);
    return n;
}

std::vector<std::string> Texts(const TGeneralNode& n) {
    std::vector<std::string> r;
    for (int i = 0; i < n.GetSubnodeCount(); ++i) r.push_back(n.GetNodes(i)->GetText());
    return r;
}

}  // namespace

TEST(GeneralNode, ChildrenGoWhereAskedAndTheLinkHearsOfEachChange) {
    TRecordingLink link;
    auto root = Named("r");
    root->SetLink(&link);
    root->SetText("");  // empty: nothing changes, the control hears nothing
    EXPECT_EQ(root->GetText(), "r");
    EXPECT_TRUE(link.Log.empty());

    TGeneralNode* b = root->AddNode(Named("b"));
    TGeneralNode* a = root->InsertNode(-1, Named("a"));
    root->InsertNodeEx(nullptr, Named("first"));
    root->InsertNodeEx(b, Named("last"));
    root->InsertNode(1, Named("mid"));  // at position 2
    EXPECT_EQ(Texts(*root), (std::vector<std::string>{"first", "a", "mid", "b", "last"}));
    EXPECT_EQ(a->GetParent(), root.get());
    EXPECT_EQ(a->GetLink(), &link);
    EXPECT_EQ(link.Log, (std::vector<std::string>{"Add r/b", "Insert r/a", "InsertEx r/-/first", "InsertEx r/b/last",
                                                  "Insert r/mid"}));
    EXPECT_THROW(root->InsertNode(5, Named("x")), Exception);

    link.Log.clear();
    a->SetText("A");
    a->EditLabel();
    QRect r;
    a->DisplayRect(true, r);
    EXPECT_EQ(r, QRect(1, 2, 3, 4));
    root->RemoveNode(b);
    EXPECT_EQ(link.Log, (std::vector<std::string>{"SetText A=A", "SetEditMode A", "DeleteNode r/b"}));
    auto stranger = Named("s");
    EXPECT_THROW(root->RemoveNode(stranger.get()), Exception);

    // Collapsing a node that is not expanded only clears the flag.
    link.Log.clear();
    root->Collapse();
    EXPECT_EQ(root->GetSubnodeCount(), 4);
    EXPECT_FALSE(root->Expanded);
    EXPECT_TRUE(link.Log.empty());
    // Expanded, it frees its children.
    root->Expanded = true;
    root->Collapse();
    EXPECT_EQ(root->GetSubnodeCount(), 0);
    EXPECT_EQ(link.Log.size(), 4u);

    // The node's image comes from the link's copy of the view's images.
    QPixmap red(16, 16);
    red.fill(Qt::red);
    link.GetImages().Add(red);
    root->ImageIndex = 0;
    EXPECT_EQ(root->GetSmallBitmapFromImageList().toImage(), red.toImage());
    root->ImageIndex = -1;
    EXPECT_TRUE(root->GetSmallBitmapFromImageList().isNull());
}

TEST(GeneralNode, ACloneStartsAtLevelZeroWithoutTheSubtreesThatRefuse) {
    auto top = Named("top");
    auto l1 = Named("l1", top.get());
    auto l2 = Named("l2", l1.get());
    auto n = Named("n", l2.get());  // level 3
    ASSERT_EQ(n->Level, 3);
    TTestNode* kid = static_cast<TTestNode*>(n->AddNode(Named("kid", n.get())));
    kid->AddNode(Named("grandkid", kid));
    TTestNode* refusing = static_cast<TTestNode*>(n->AddNode(Named("refusing", n.get())));
    refusing->Clonable = false;
    refusing->AddNode(Named("lost", refusing));
    n->Expanded = true;

    std::unique_ptr<TGeneralNode> copy = n->Clone();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(dynamic_cast<TTestNode*>(copy.get()), nullptr);
    EXPECT_EQ(copy->Level, 0);
    EXPECT_EQ(copy->GetText(), "n");
    EXPECT_TRUE(copy->Expanded);
    EXPECT_EQ(copy->GetLink(), nullptr);
    ASSERT_EQ(Texts(*copy), std::vector<std::string>{"kid"});
    EXPECT_EQ(copy->GetNodes(0)->Level, 1);
    EXPECT_EQ(copy->GetNodes(0)->GetParent(), copy.get());
    EXPECT_EQ(copy->GetNodes(0)->GetNodes(0)->Level, 2);
    EXPECT_EQ(n->GetSubnodeCount(), 2);  // the original keeps its own

    // A class that makes no instance of its own is refused, not sliced.
    struct TNoCloneClass : TTestNode {
        using TTestNode::TTestNode;
    };
    TNoCloneClass odd;
    EXPECT_THROW(odd.Clone(), Exception);
}

TEST(GeneralNode, AHoverOfOneAndAHalfSecondsExpandsAShorterOneDoesNot) {
    TManualTimerSource clock;
    TTimerSourceGuard clockGuard(&clock);
    TReports reports;
    TRecordingLink link;
    auto node = Named("n");
    node->SetLink(&link);
    std::string text;
    const TDragSource source;

    node->DoDragOver(source, dsDragEnter, text);
    clock.Advance(1400);
    node->DoDragOver(source, dsDragMove, text);
    node->DoDragOver(source, dsDragLeave, text);
    EXPECT_EQ(node->GetHoverTimer(), nullptr);
    clock.Advance(1000);
    EXPECT_TRUE(link.Log.empty());

    node->DoDragOver(source, dsDragEnter, text);
    clock.Advance(1499);
    EXPECT_TRUE(link.Log.empty());
    clock.Advance(1);
    EXPECT_EQ(link.Log, std::vector<std::string>{"ExternalExpand n"});
    clock.Advance(5000);  // once only
    EXPECT_EQ(link.Log.size(), 1u);
    EXPECT_EQ(node->DragStates, (std::vector<TDragState>{dsDragEnter, dsDragMove, dsDragLeave, dsDragEnter}));

    // A node freed while its timer runs takes the timer with it.
    node->DoDragOver(source, dsDragEnter, text);
    node.reset();
    clock.Advance(2000);
    EXPECT_EQ(link.Log.size(), 1u);
    EXPECT_TRUE(reports.Messages.empty());
}

TEST(GeneralNode, NodesRemovedDuringACallbackAreFreedAfterIt) {
    TReports reports;
    TRecordingLink link;
    auto root = Named("r");
    root->SetLink(&link);
    TGeneralNode* a = root->AddNode(Named("a"));
    const std::weak_ptr<void> aAlive = a->AliveToken();
    std::string seen;
    link.Guard([&] {
        link.Guard([&] { root->RemoveNode(a); });
        seen = a->GetText();  // the inner callback has returned, the outer one not
        throw Exception("failed after the removal");
    });
    EXPECT_EQ(seen, "a");
    EXPECT_TRUE(aAlive.expired());
    EXPECT_EQ(root->GetSubnodeCount(), 0);
    EXPECT_FALSE(link.InCallback());
    EXPECT_EQ(reports.Messages, std::vector<std::string>{"failed after the removal"});

    // Outside a callback the node goes at once.
    TGeneralNode* b = root->AddNode(Named("b"));
    const std::weak_ptr<void> bAlive = b->AliveToken();
    root->RemoveNode(b);
    EXPECT_TRUE(bAlive.expired());
}

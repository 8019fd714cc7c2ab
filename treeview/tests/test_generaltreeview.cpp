#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDrag>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QVBoxLayout>
#include <functional>

#include "platform/ui/ComponentPalette.h"
#include "treeview/tests/TreeTestSupport.h"

using namespace velt;
using velt::test::Child;
using velt::test::TTestNode;

namespace {

class GeneralTreeView : public velt::test::TTreeFixture {
protected:
    QStringList Captions(const QMenu* menu) const {
        QStringList r;
        for (const QAction* a : menu->actions()) r << (a->isSeparator() ? QString("-") : a->text());
        return r;
    }
    // Sends a drag event to the viewport; whether a drop would be taken.
    bool Drag(QEvent::Type type, QPoint at, const QMimeData* data) {
        const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
        switch (type) {
        case QEvent::DragEnter: {
            QDragEnterEvent e(at, actions, data, Qt::LeftButton, {});
            QApplication::sendEvent(view->viewport(), &e);
            return e.isAccepted() && e.dropAction() != Qt::IgnoreAction;
        }
        case QEvent::DragMove: {
            QDragMoveEvent e(at, actions, data, Qt::LeftButton, {});
            QApplication::sendEvent(view->viewport(), &e);
            return e.isAccepted();
        }
        case QEvent::DragLeave: {
            QDragLeaveEvent e;
            QApplication::sendEvent(view->viewport(), &e);
            return false;
        }
        default: {
            QDropEvent e(at, actions, data, Qt::LeftButton, {});
            QApplication::sendEvent(view->viewport(), &e);
            return e.isAccepted();
        }
        }
    }
    // A right click as the window system delivers it: the clicks, then the
    // context menu event.
    void RightClick(TGeneralNode* node) {
        const QPoint at = At(node);
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent e(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &e);
    }
    QLineEdit* Editor() const { return view->viewport()->findChild<QLineEdit*>(); }
    // A mouse move without buttons, as the window system delivers it.
    void MouseMove(QPoint at) {
        QMouseEvent e(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(view->viewport(), &e);
    }
    static void ProcessDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QMimeData outside;  // what a drag from outside the program carries
};

// Runs the drags of BeginDrag through a test's own events.
class TDragExecGuard {
public:
    explicit TDragExecGuard(TDragExec exec) : previous_(T__GeneralTreeView::SetDragExec(std::move(exec))) {}
    ~TDragExecGuard() { T__GeneralTreeView::SetDragExec(std::move(previous_)); }

private:
    TDragExec previous_;
};

}  // namespace

TEST_F(GeneralTreeView, ChildrenLoadOnExpansionAndAVetoRemovesTheButton) {
    QTreeWidgetItem* rootItem = root->GetItemHandle();
    ASSERT_NE(rootItem, nullptr);
    // The placeholder gives the button; it has no row.
    EXPECT_EQ(rootItem->childCount(), 0);
    EXPECT_EQ(rootItem->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_TRUE(root->GetChildren());
    TEmptyNode* placeholder = view->GetLink().GetEmptyNodes().Empty(root);
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->GetParent(), root);
    EXPECT_EQ(root->GetSubnodeCount(), 0);
    EXPECT_EQ(root->IndexOfNode(placeholder), -1);
    EXPECT_EQ(view->GetLink().GetEmptyNodes().IndexOf(root), 0);
    EXPECT_EQ(root->Expands, 0);

    root->ChildrenExpand = true;
    ExpandRoot();
    EXPECT_EQ(root->Expands, 1);
    ASSERT_EQ(rootItem->childCount(), 3);
    EXPECT_EQ(rootItem->child(1)->text(0), "root.1");
    EXPECT_EQ(view->GetNode(rootItem->child(1)), Child(root, 1));
    EXPECT_EQ(view->GetLink().GetEmptyNodes().GetCount(), 3);  // each child shows its button
    EXPECT_EQ(view->GetLink().GetEmptyNodes().IndexOf(root), -1);
    EXPECT_EQ(view->GetLink().GetEmptyNodes().IndexOf(Child(root, 2)), 2);

    // A child whose answer turned to no: its placeholder and button go, it stays closed.
    TTestNode* a = Child(root, 0);
    a->CanExpand = false;
    a->GetItemHandle()->setExpanded(true);
    EXPECT_FALSE(a->GetItemHandle()->isExpanded());
    EXPECT_EQ(a->GetItemHandle()->childCount(), 0);
    EXPECT_FALSE(a->GetChildren());
    EXPECT_EQ(a->Expands, 0);
    EXPECT_EQ(view->GetLink().GetEmptyNodes().GetCount(), 2);
    EXPECT_EQ(view->GetLink().GetEmptyNodes().IndexOf(Child(root, 2)), 1);  // the later entries move up

    // Collapsing frees the children; the button stays for the next load.
    rootItem->setExpanded(false);
    EXPECT_EQ(root->GetSubnodeCount(), 0);
    EXPECT_EQ(rootItem->childCount(), 0);
    EXPECT_TRUE(root->GetChildren());
    EXPECT_EQ(view->GetLink().GetEmptyNodes().GetCount(), 0);
    ExpandRoot();
    EXPECT_EQ(root->Expands, 2);
    EXPECT_EQ(root->GetSubnodeCount(), 3);

    // A clone shown with ExpandByList keeps its children and loads nothing.
    std::unique_ptr<TGeneralNode> copy = root->Clone();
    std::unique_ptr<TGeneralNode> old = view->SetNode0(std::move(copy));
    EXPECT_EQ(old.get(), root);
    EXPECT_EQ(root->GetItemHandle(), nullptr);  // replacing the root deletes every item
    EXPECT_EQ(Child(root, 0)->GetItemHandle(), nullptr);
    EXPECT_EQ(view->topLevelItemCount(), 1);
    auto* shown = static_cast<TTestNode*>(view->GetNode0());
    shown->CanExpand = true;
    shown->ExpandByList();
    EXPECT_TRUE(shown->GetItemHandle()->isExpanded());
    EXPECT_EQ(shown->GetItemHandle()->childCount(), 3);
    EXPECT_EQ(shown->Expands, 0);
    // The previous root shown again gets its button again.
    old = view->SetNode0(std::move(old));
    EXPECT_EQ(view->GetNode0(), root);
    EXPECT_TRUE(root->GetChildren());
    EXPECT_EQ(root->GetItemHandle()->childCount(), 0);
    EXPECT_EQ(view->GetLink().GetEmptyNodes().GetCount(), 1);  // none left of its children's
    old = view->SetNode0(std::move(old));
    old.reset();  // the previous root goes without touching the view
    EXPECT_EQ(view->topLevelItemCount(), 1);

    // Item images come from Images, and a change of the list shows.
    auto images = std::make_unique<TImageList>(16, 16);
    shown->ImageIndex = 1;
    view->SetImages(images.get());
    QTreeWidgetItem* item = shown->GetItemHandle();
    EXPECT_TRUE(item->icon(0).isNull());
    QPixmap blue(16, 16);
    blue.fill(Qt::blue);
    images->Add(blue);
    images->Add(blue);
    EXPECT_FALSE(item->icon(0).isNull());
    EXPECT_EQ(view->iconSize(), QSize(16, 16));
    images.reset();  // the view lets go of a list that is freed
    EXPECT_EQ(view->GetImages(), nullptr);
    view->SetImages(nullptr);
    EXPECT_TRUE(item->icon(0).isNull());
}

TEST_F(GeneralTreeView, AnExpandedNodeScrollsTheChildThreeRowsAboveTheLastWholeRowIntoView) {
    root->Children = 20;
    ExpandRoot();
    TTestNode* x = Child(root, 19);
    x->CanExpand = true;
    x->Children = 50;
    view->GetLink().AddNodeEmpty(x);
    SetViewportRows(19.5);
    EXPECT_EQ(view->GetVisibleCount(), 19);  // the half row does not count

    view->EnsureVisible(x);  // x is the last whole row
    QApplication::processEvents();
    x->GetItemHandle()->setExpanded(true);
    QApplication::processEvents();
    ASSERT_EQ(x->GetSubnodeCount(), 50);
    const int bottom = view->viewport()->height();
    const QRect c16 = view->visualItemRect(x->GetNodes(16)->GetItemHandle());
    const QRect c17 = view->visualItemRect(x->GetNodes(17)->GetItemHandle());
    EXPECT_LE(c16.bottom(), bottom);  // child 16 = min(19 - 3, 49) is in view
    EXPECT_GT(c17.bottom(), bottom);  // child 17 is not whole
}

// A node that loads two children of one level less, down to leaves.
class TBinaryNode : public TGeneralNode {
public:
    TBinaryNode(TGeneralNode* owner, int levels) : TGeneralNode(owner), levels_(levels) {}
    bool GetCanExpand() override { return levels_ > 0; }
    void Expand() override {
        for (int i = 0; i < 2 && levels_ > 0; ++i) {
            auto child = std::make_unique<TBinaryNode>(this, levels_ - 1);
            child->SetText(GetText() + "." + std::to_string(i));
            AddNode(std::move(child));
        }
        Expanded = true;
    }

private:
    int levels_;
};

// Counts the full layouts and the scrolls of the view.
class TCountingView : public T__GeneralTreeView {
public:
    void doItemsLayout() override {
        ++Layouts;
        T__GeneralTreeView::doItemsLayout();
    }
    void scrollTo(const QModelIndex& index, ScrollHint hint) override {
        ++Scrolls;
        T__GeneralTreeView::scrollTo(index, hint);
    }
    int Layouts = 0;
    int Scrolls = 0;
};

int CountShown(QTreeWidgetItem* item) {
    int n = 1;
    for (int i = 0; i < item->childCount(); ++i) n += CountShown(item->child(i));
    return n;
}

TEST_F(GeneralTreeView, OpeningAWholeSubtreeLaysOutAndScrollsOncePerAction) {
    TCountingView counting;
    counting.resize(240, 320);
    counting.show();
    auto made = std::make_unique<TBinaryNode>(nullptr, 6);
    made->SetText("r");
    TGeneralNode* r = made.get();
    counting.SetNode0(std::move(made));
    r->GetItemHandle()->setExpanded(true);
    counting.setCurrentItem(r->GetItemHandle());
    QApplication::processEvents();
    auto action = [&](const std::function<void()>& act) {
        counting.Layouts = counting.Scrolls = 0;
        act();
        QApplication::processEvents();
        return std::make_pair(counting.Layouts, counting.Scrolls);
    };

    // "*" opens everything below the current node: 62 nodes open, one layout, one scroll.
    EXPECT_EQ(action([&] { QTest::keyClick(&counting, Qt::Key_Asterisk); }), std::make_pair(1, 1));
    EXPECT_EQ(CountShown(r->GetItemHandle()), 127);
    // The scroll is the first opening's: its child 1 comes into view.
    const QRect shown = counting.visualItemRect(r->GetNodes(0)->GetNodes(1)->GetItemHandle());
    EXPECT_TRUE(counting.viewport()->rect().contains(shown)) << shown.y();

    // A caller that opens node after node in one go.
    r->GetItemHandle()->setExpanded(false);
    QApplication::processEvents();
    ASSERT_EQ(r->GetSubnodeCount(), 0);
    const std::function<void(TGeneralNode*)> openAll = [&](TGeneralNode* node) {
        if (!node->Expanded && node->GetCanExpand()) counting.ExternalExpand(node);
        for (int i = 0; i < node->GetSubnodeCount(); ++i) openAll(node->GetNodes(i));
    };
    EXPECT_EQ(action([&] { openAll(r); }), std::make_pair(1, 1));
    EXPECT_EQ(CountShown(r->GetItemHandle()), 127);

    // Qt's own recursive expansion.
    r->GetItemHandle()->setExpanded(false);
    QApplication::processEvents();
    EXPECT_EQ(action([&] { counting.expandRecursively(counting.model()->index(0, 0)); }), std::make_pair(1, 1));
    EXPECT_EQ(CountShown(r->GetItemHandle()), 127);
    EXPECT_TRUE(reports.Messages.empty());
}

TEST_F(GeneralTreeView, CollapsingANodeWithASelectedChildSelectsTheNodeOnce) {
    root->Children = 200;
    root->ChildrenExpand = true;
    ExpandRoot();
    TTestNode* deep = Child(root, 100);
    deep->GetItemHandle()->setExpanded(true);
    view->SetSelection(deep->GetNodes(1));
    std::vector<TGeneralNode*> changes;
    view->OnChange = [&](T__GeneralTreeView*, TGeneralNode* n) { changes.push_back(n); };

    root->GetItemHandle()->setExpanded(false);
    EXPECT_EQ(changes, std::vector<TGeneralNode*>{root});
    EXPECT_EQ(view->GetSelection(), root);
    EXPECT_EQ(root->GetSubnodeCount(), 0);

    // A selection outside the collapsing node stays where it is.
    ExpandRoot();
    view->SetSelection(Child(root, 5));
    changes.clear();
    Child(root, 7)->GetItemHandle()->setExpanded(true);
    Child(root, 7)->GetItemHandle()->setExpanded(false);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(view->GetSelection(), Child(root, 5));
    EXPECT_TRUE(reports.Messages.empty());
}

TEST_F(GeneralTreeView, NodeMenusOpenByRightClickShiftF10AndTheMenuKey) {
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    TTestNode* b = Child(root, 1);
    int opened = 0;
    auto menu = [&](TTestNode&, TMenuList& l) {
        l.AddItem("Open", true, [&](QObject*) { ++opened; });
        l.AddLine();
        const int more = l.AddItem("More", false, nullptr);
        l.AddItemEx("Deep", true, nullptr, more, true, false, 2, 7);
    };
    a->Menu = menu;
    b->Menu = menu;

    RightClick(a);
    QPointer<QMenu> first = view->GetLastNodeMenu();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->pos(), view->viewport()->mapToGlobal(At(a) - QPoint(3, 3)));
    EXPECT_EQ(view->GetSelection(), a);
    EXPECT_EQ(Captions(first), QStringList({"Open", "-", "More"}));
    QAction* more = first->actions()[2];
    EXPECT_FALSE(more->isEnabled());
    ASSERT_NE(more->menu(), nullptr);
    QAction* deep = more->menu()->actions().value(0);
    ASSERT_NE(deep, nullptr);
    EXPECT_TRUE(deep->isChecked());
    EXPECT_EQ(deep->property(kTagProperty).toInt(), 7);
    EXPECT_EQ(deep->property(kGroupIndexProperty).toInt(), 2);
    first->actions()[0]->trigger();
    EXPECT_EQ(opened, 1);

    // Shift+F10 opens the selection's menu at the centre of its text.
    view->SetSelection(b);
    QTest::keyClick(view.get(), Qt::Key_F10, Qt::ShiftModifier);
    QPointer<QMenu> second = view->GetLastNodeMenu();
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    QRect text;
    view->CoordAtNode(b, true, text);
    EXPECT_EQ(second->pos(), view->viewport()->mapToGlobal(text.center()));
    ProcessDeferredDeletes();
    EXPECT_FALSE(first);  // one node menu at a time

    // The menu key does too; F10 alone does not.
    QTest::keyClick(view.get(), Qt::Key_F10);
    EXPECT_EQ(view->GetLastNodeMenu(), second.data());
    QTest::keyClick(view.get(), Qt::Key_Menu);
    ASSERT_NE(view->GetLastNodeMenu(), nullptr);
    EXPECT_NE(view->GetLastNodeMenu(), second.data());

    // An empty menu list opens nothing.
    RightClick(Child(root, 2));
    EXPECT_EQ(view->GetLastNodeMenu(), nullptr);
    EXPECT_EQ(view->GetSelection(), Child(root, 2));
    EXPECT_TRUE(reports.Messages.empty());
}

TEST_F(GeneralTreeView, TheNodeDecidesWhetherItsLabelIsEditedAndWhatItBecomes) {
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    view->SetSelection(a);
    view->setFocus();
    auto typeAndEnter = [&](const QString& text) {
        QLineEdit* editor = Editor();
        if (!editor) return false;
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();  // the delegate commits through the event loop
        ProcessDeferredDeletes();
        return true;
    };

    QTest::keyClick(view.get(), Qt::Key_F2);
    EXPECT_EQ(Editor(), nullptr);  // CanEdit says no

    a->Editable = true;
    QTest::keyClick(view.get(), Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), "root.0");
    ASSERT_TRUE(typeAndEnter("renamed"));
    EXPECT_EQ(a->GetText(), "renamed");
    EXPECT_EQ(a->GetItemHandle()->text(0), "renamed");

    a->AcceptLabel = false;  // EndEdit refuses
    a->EditLabel();
    ASSERT_TRUE(typeAndEnter("refused"));
    EXPECT_EQ(a->GetText(), "renamed");
    EXPECT_EQ(a->Edits, (std::vector<std::string>{"renamed", "refused"}));

    view->SetReadOnly(true);
    a->EditLabel();
    EXPECT_EQ(Editor(), nullptr);
}

TEST_F(GeneralTreeView, TheSelectedNodeSeesEveryKeyAndMayTakeIt) {
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    view->SetSelection(a);
    view->setFocus();
    using TKeys = std::vector<std::pair<int, Qt::KeyboardModifiers>>;
    // The keys a node saw, leaving out Shift and Ctrl pressed on their own.
    auto seen = [](const TTestNode* n) {
        TKeys r;
        for (const auto& k : n->Keys)
            if (k.first != Qt::Key_Shift && k.first != Qt::Key_Control) r.push_back(k);
        return r;
    };

    a->TakesKey = Qt::Key_Down;
    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_EQ(view->GetSelection(), a);  // taken: the view does not move
    QTest::keyClick(view.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view->GetSelection(), a);
    QTest::keyClick(view.get(), Qt::Key_End);
    EXPECT_EQ(view->GetSelection(), Child(root, 2));  // not taken: the view moves
    EXPECT_EQ(seen(a), (TKeys{{Qt::Key_Down, Qt::NoModifier}, {Qt::Key_Down, Qt::ShiftModifier},
                              {Qt::Key_End, Qt::NoModifier}}));
    EXPECT_TRUE(Child(root, 2)->Keys.empty());

    // F2 edits; with Shift or Ctrl it does not, and the node still sees it.
    TTestNode* c = Child(root, 2);
    c->Editable = true;
    QTest::keyClick(view.get(), Qt::Key_F2, Qt::ShiftModifier);
    EXPECT_EQ(Editor(), nullptr);
    QTest::keyClick(view.get(), Qt::Key_F2, Qt::ControlModifier);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(seen(c), (TKeys{{Qt::Key_F2, Qt::ShiftModifier}, {Qt::Key_F2, Qt::ControlModifier}}));
    QTest::keyClick(view.get(), Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), "root.2");
}

TEST_F(GeneralTreeView, RadioItemsOfANodeMenuAreExclusiveWithinTheirGroup) {
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    a->Menu = [](TTestNode&, TMenuList& l) {
        l.AddItemEx("One", true, nullptr, -1, true, true, 1, 0);
        l.AddItemEx("Two", true, nullptr, -1, false, true, 1, 0);
        l.AddItemEx("Three", true, nullptr, -1, true, true, 2, 0);
        // Res2 does not reach a node menu: this one stays in group 2.
        l.CAdd(TCMenu().Caption("Four").SetRadioItem().GroupIndex(2).Res2(1).Apply());
        l.AddItemEx("Five", true, nullptr, -1, true, false, 1, 0);  // checked, not a radio item
    };
    RightClick(a);
    QMenu* menu = view->GetLastNodeMenu();
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 5);
    auto checked = [&] {
        std::vector<bool> r;
        for (const QAction* item : items) r.push_back(item->isChecked());
        return r;
    };
    EXPECT_EQ(checked(), (std::vector<bool>{true, false, true, false, true}));
    items[1]->trigger();
    EXPECT_EQ(checked(), (std::vector<bool>{false, true, true, false, true}));
    items[3]->trigger();
    EXPECT_EQ(checked(), (std::vector<bool>{false, true, false, true, true}));
    items[1]->trigger();  // a checked radio item stays checked
    EXPECT_EQ(checked(), (std::vector<bool>{false, true, false, true, true}));
}

TEST_F(GeneralTreeView, AnInsertedNodeThatCanExpandGetsItsButtonAtItsPlace) {
    ExpandRoot();
    auto made = root->MakeChild("inserted");
    made->CanExpand = true;
    made->Children = 2;
    TGeneralNode* inserted = root->InsertNode(0, std::move(made));
    auto first = root->MakeChild("first");
    TGeneralNode* front = root->InsertNode(-1, std::move(first));

    EXPECT_EQ(root->IndexOfNode(inserted), 2);
    EXPECT_EQ(root->IndexOfNode(front), 0);
    QTreeWidgetItem* rootItem = root->GetItemHandle();
    ASSERT_EQ(rootItem->childCount(), 5);
    EXPECT_EQ(rootItem->child(0), front->GetItemHandle());
    EXPECT_EQ(rootItem->child(1), Child(root, 1)->GetItemHandle());
    EXPECT_EQ(rootItem->child(2), inserted->GetItemHandle());
    EXPECT_EQ(rootItem->child(2)->text(0), "inserted");
    EXPECT_NE(view->GetLink().GetEmptyNodes().Empty(inserted), nullptr);
    EXPECT_EQ(inserted->GetItemHandle()->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(view->GetLink().GetEmptyNodes().Empty(front), nullptr);  // it cannot expand
    inserted->GetItemHandle()->setExpanded(true);
    EXPECT_EQ(inserted->GetItemHandle()->childCount(), 2);
    EXPECT_EQ(inserted->GetItemHandle()->child(1)->text(0), "inserted.1");
}

TEST_F(GeneralTreeView, ADragAsksTheNodesUnderItAndTheDropReachesTheNode) {
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    TTestNode* c1 = Child(root, 1);
    TTestNode* b = Child(root, 2);
    b->AcceptDrop = true;
    a->MakesDragObject = true;
    a->Editable = true;
    view->SetSelection(a);

    bool ran = false;
    TDragExecGuard exec([&](QDrag& drag) {
        ran = true;
        EXPECT_TRUE(view->Dragging());
        EXPECT_EQ(view->GetDragNode(), a);
        a->EditLabel();
        EXPECT_EQ(Editor(), nullptr);  // no label editing during a drag
        const QMimeData* data = drag.mimeData();
        EXPECT_FALSE(Drag(QEvent::DragEnter, At(c1), data));
        EXPECT_TRUE(Drag(QEvent::DragMove, At(b), data));
        EXPECT_EQ(view->GetDropHilight(), b);
        EXPECT_EQ(c1->DragStates, (std::vector<TDragState>{dsDragEnter, dsDragLeave}));
        EXPECT_EQ(b->LastSource.Node, a);  // a tree view's drag carries its selection
        EXPECT_EQ(b->LastSource.Control, view.get());
        EXPECT_NE(b->LastSource.DragObject, nullptr);
        EXPECT_NE(b->LastSource.DragObject->GetDragImages(), nullptr);
        EXPECT_TRUE(Drag(QEvent::Drop, At(b), data));
        return Qt::MoveAction;
    });
    view->BeginDrag();
    ASSERT_TRUE(ran);
    EXPECT_EQ(b->Drops, 1);
    EXPECT_EQ(b->DropAt, view->viewport()->mapToGlobal(At(b)));
    EXPECT_EQ(b->DragStates, (std::vector<TDragState>{dsDragEnter, dsDragMove, dsDragLeave}));
    EXPECT_EQ(view->GetSelection(), b);
    EXPECT_EQ(b->EndDrags, 1);  // the selection's EndDrag after a drop onto the highlight
    EXPECT_EQ(view->GetDropHilight(), nullptr);
    EXPECT_FALSE(view->Dragging());
    EXPECT_EQ(view->GetDragNode(), nullptr);

    // A drop where no node is goes to the view's own handler.
    int viewDrops = 0;
    view->OnDragDrop = [&](T__GeneralTreeView*, const TDragSource& s, int, int) {
        ++viewDrops;
        EXPECT_EQ(s.MimeData, &outside);
        EXPECT_EQ(s.Node, nullptr);
    };
    const QPoint below(10, view->viewport()->height() / 2);
    ASSERT_EQ(view->GetNodeAt(below.x(), below.y()), nullptr);
    Drag(QEvent::DragEnter, below, &outside);
    Drag(QEvent::Drop, below, &outside);
    EXPECT_EQ(viewDrops, 1);
}

TEST_F(GeneralTreeView, PressAndMoveStartADragInEitherDragMode) {
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    TTestNode* b = Child(root, 1);
    TTestNode* c = Child(root, 2);
    c->AcceptDrop = true;
    const int far = QApplication::startDragDistance() + 2;
    std::vector<TGeneralNode*> dragged;
    TDragExecGuard exec([&](QDrag& drag) {
        dragged.push_back(view->GetDragNode());
        EXPECT_NE(view->GetDragImages(), nullptr);  // the item's picture
        Drag(QEvent::DragEnter, At(c), drag.mimeData());
        EXPECT_NE(c->GetDragImages(), nullptr);  // the node under the drag sees the source's picture
        Drag(QEvent::Drop, At(c), drag.mimeData());
        return Qt::MoveAction;
    });

    // Automatic: the press selects the node, a small move drags it.
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, At(a));
    EXPECT_EQ(view->GetSelection(), a);
    QTest::mouseMove(view->viewport(), At(a) + QPoint(far / 2, 0));
    EXPECT_TRUE(dragged.empty());  // not far enough yet
    QTest::mouseMove(view->viewport(), At(a) + QPoint(far, 0));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, At(a) + QPoint(far, 0));
    EXPECT_EQ(dragged, std::vector<TGeneralNode*>{a});
    EXPECT_EQ(c->Drops, 1);
    EXPECT_EQ(c->LastSource.Node, a);

    // Manual: the press leaves the selection alone, the move drags the pressed node.
    view->SetDragMode(dmManual);
    view->SetSelection(b);
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, At(a));
    EXPECT_EQ(view->GetSelection(), b);
    QTest::mouseMove(view->viewport(), At(a) + QPoint(far, 0));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, At(a) + QPoint(far, 0));
    EXPECT_EQ(dragged, (std::vector<TGeneralNode*>{a, a}));
    EXPECT_EQ(c->Drops, 2);
    EXPECT_EQ(c->LastSource.Node, a);  // what was dragged, not what is selected
    EXPECT_EQ(view->GetSelection(), c);  // the drop selects its target

    // Manual: a press and release without a move is a click; so is a press
    // and move on a node that cannot be dragged.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, At(b));
    EXPECT_EQ(view->GetSelection(), b);
    a->Draggable = false;
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, At(a));
    QTest::mouseMove(view->viewport(), At(a) + QPoint(far, 0));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, At(a) + QPoint(far, 0));
    EXPECT_EQ(view->GetSelection(), a);
    EXPECT_EQ(dragged.size(), 2u);
    EXPECT_EQ(view->GetNodeFromItem(view->model()->index(0, 0)), root);
    EXPECT_TRUE(reports.Messages.empty());
}

TEST_F(GeneralTreeView, ANodeHeldUnderADragOpensAfterOneAndAHalfSeconds) {
    root->ChildrenExpand = true;
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    TTestNode* b = Child(root, 1);

    Drag(QEvent::DragEnter, At(a), &outside);
    clock.Advance(1000);
    Drag(QEvent::DragMove, At(b), &outside);  // left a within 1.5 s
    clock.Advance(1499);
    EXPECT_EQ(a->Expands, 0);
    EXPECT_EQ(b->Expands, 0);
    clock.Advance(1);
    EXPECT_EQ(a->Expands, 0);
    EXPECT_EQ(b->Expands, 1);
    EXPECT_TRUE(b->GetItemHandle()->isExpanded());
    Drag(QEvent::DragLeave, {}, &outside);
    EXPECT_EQ(b->GetHoverTimer(), nullptr);
}

TEST_F(GeneralTreeView, EdgesScrollEveryTwoHundredMillisecondsAndNeverTakeTheWholeView) {
    root->Children = 40;
    root->AcceptDrop = true;
    ExpandRoot();
    SetViewportRows(10.5);
    view->SetTopNode(Child(root, 10));
    QApplication::processEvents();
    ASSERT_EQ(view->GetTopNode(), Child(root, 10));

    // 5 pixels from the top: towards the previous sibling, one row a period.
    EXPECT_FALSE(Drag(QEvent::DragEnter, QPoint(20, 5), &outside));
    clock.Advance(199);
    EXPECT_EQ(view->GetTopNode(), Child(root, 10));
    clock.Advance(1);
    EXPECT_EQ(view->GetTopNode(), Child(root, 9));
    clock.Advance(200);
    EXPECT_EQ(view->GetTopNode(), Child(root, 8));
    // 30 pixels from the top: no more scrolling, and the node answers.
    EXPECT_TRUE(Drag(QEvent::DragMove, QPoint(20, 30), &outside));
    clock.Advance(1000);
    EXPECT_EQ(view->GetTopNode(), Child(root, 8));
    EXPECT_EQ(clock.RunningTimers(), 0);

    // At the bottom: the next sibling of the half row's node becomes the last whole row.
    Drag(QEvent::DragMove, QPoint(20, view->viewport()->height() - 5), &outside);
    clock.Advance(200);
    EXPECT_EQ(view->GetTopNode(), Child(root, 10));
    Drag(QEvent::DragLeave, {}, &outside);

    // No node at the remembered point: the timer does nothing.
    root->GetItemHandle()->setExpanded(false);
    Drag(QEvent::DragEnter, QPoint(20, view->viewport()->height() - 5), &outside);
    ASSERT_EQ(view->GetNodeAt(20, view->viewport()->height() - 5), nullptr);
    clock.Advance(400);
    EXPECT_EQ(view->GetTopNode(), root);
    Drag(QEvent::DragLeave, {}, &outside);

    // A view too short for both zones still has a middle that takes drops.
    EXPECT_EQ(T__GeneralTreeView::EdgeZone(6, 300), -1);
    EXPECT_EQ(T__GeneralTreeView::EdgeZone(7, 300), 0);
    EXPECT_EQ(T__GeneralTreeView::EdgeZone(280, 300), 0);
    EXPECT_EQ(T__GeneralTreeView::EdgeZone(281, 300), 1);
    SetViewportRows(1.2);
    const int h = view->viewport()->height();
    ASSERT_LT(h, 2 * (T__GeneralTreeView::EdgeTop + T__GeneralTreeView::EdgeBottom));
    EXPECT_EQ(T__GeneralTreeView::EdgeZone(0, h), -1);
    EXPECT_EQ(T__GeneralTreeView::EdgeZone(h - 1, h), 1);
    EXPECT_TRUE(Drag(QEvent::DragEnter, QPoint(20, h / 2), &outside));
    EXPECT_EQ(view->GetDropHilight(), root);
}

TEST_F(GeneralTreeView, ANodeFreedWhileTheViewPointsAtItIsDroppedFromTheViewFirst) {
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    TTestNode* b = Child(root, 1);
    a->AcceptDrop = true;
    a->Viewable = true;
    a->Menu = [](TTestNode&, TMenuList& l) { l.AddItem("Open", true, nullptr); };
    QWidget home;
    QWidget panel;
    QPointer<QWidget> control = new QWidget(&home);
    a->ViewParent = &home;
    a->ViewControl = control;
    view->SetPanelControl(&panel);
    std::vector<std::string> hints;
    view->OnGetHint = [&](T__GeneralTreeView*, const std::string& s) { hints.push_back(s); };
    int viewing = 0;
    view->OnViewing = [&](T__GeneralTreeView*, TGeneralNode* n) {
        EXPECT_EQ(n, a);
        ++viewing;
    };

    RightClick(a);  // selects a, which views it
    EXPECT_EQ(view->GetViewedNode(), a);
    EXPECT_EQ(control->parentWidget(), &panel);
    EXPECT_EQ(viewing, 1);
    EXPECT_EQ(a->Views, 1);
    QPointer<QMenu> menu = view->GetLastNodeMenu();
    ASSERT_TRUE(menu);
    MouseMove(At(a));
    MouseMove(At(a) + QPoint(1, 0));
    EXPECT_EQ(hints, std::vector<std::string>{"hint of root.0"});

    TDragExecGuard exec([&](QDrag& drag) {
        Drag(QEvent::DragEnter, At(a), drag.mimeData());
        EXPECT_EQ(view->GetDragOverNode(), a);
        EXPECT_EQ(view->GetDropHilight(), a);
        EXPECT_EQ(view->GetHintNode(), a);
        EXPECT_EQ(view->GetDragNode(), a);
        root->RemoveNode(a);
        EXPECT_EQ(view->GetDragOverNode(), nullptr);
        EXPECT_EQ(view->GetDropHilight(), nullptr);
        EXPECT_EQ(view->GetHintNode(), nullptr);
        EXPECT_EQ(view->GetDragNode(), nullptr);
        EXPECT_EQ(view->GetViewedNode(), nullptr);
        EXPECT_NE(view->GetSelection(), a);
        EXPECT_EQ(control->parentWidget(), &home);  // the control went back home
        clock.Advance(3000);                         // a's hover timer went with a
        Drag(QEvent::DragMove, At(b), drag.mimeData());
        Drag(QEvent::Drop, At(b), drag.mimeData());
        return Qt::IgnoreAction;
    });
    view->BeginDrag();
    ProcessDeferredDeletes();
    EXPECT_FALSE(menu);  // the node's menu went with it
    MouseMove(At(b));
    EXPECT_EQ(hints.back(), "hint of root.1");
    EXPECT_TRUE(reports.Messages.empty());
}

TEST_F(GeneralTreeView, ANodeFreedByItsOwnMenuActionGoesAfterTheActionReturns) {
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    const std::weak_ptr<void> alive = a->AliveToken();
    std::string seen;
    a->Menu = [&](TTestNode& n, TMenuList& l) {
        l.AddItem("Delete", true, [&n, &seen](QObject*) {
            n.GetParent()->RemoveNode(&n);
            seen = n.GetText() + " still here";
        });
    };
    RightClick(a);
    QPointer<QMenu> menu = view->GetLastNodeMenu();
    ASSERT_TRUE(menu);
    menu->actions()[0]->trigger();
    EXPECT_EQ(seen, "root.0 still here");
    EXPECT_TRUE(alive.expired());
    EXPECT_EQ(root->GetSubnodeCount(), 2);
    EXPECT_EQ(root->GetItemHandle()->childCount(), 2);
    ProcessDeferredDeletes();
    EXPECT_FALSE(menu);
}

TEST_F(GeneralTreeView, ExceptionsFromNodeCallbacksGoToTheReporterNotThroughQt) {
    root->ChildrenExpand = true;
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    TTestNode* b = Child(root, 1);
    a->OnExpand = [](TTestNode&) { throw Exception("Circular class refference: A = class(A)"); };
    a->Menu = [](TTestNode&, TMenuList& l) {
        l.AddItem("Fail", true, [](QObject*) { throw Exception("menu failed"); });
        l.AddItem("Odd", true, [](QObject*) { throw 42; });
    };
    b->AcceptDrop = true;
    b->OnDrop = [](TTestNode&) { throw Exception("drop failed"); };

    a->GetItemHandle()->setExpanded(true);
    RightClick(a);
    ASSERT_NE(view->GetLastNodeMenu(), nullptr);
    view->GetLastNodeMenu()->actions()[0]->trigger();
    view->GetLastNodeMenu()->actions()[1]->trigger();
    Drag(QEvent::DragEnter, At(b), &outside);
    Drag(QEvent::Drop, At(b), &outside);
    Drag(QEvent::DragEnter, At(a), &outside);
    clock.Advance(1500);  // the hover expansion fails again
    EXPECT_EQ(reports.Messages,
              (std::vector<std::string>{"Circular class refference: A = class(A)", "menu failed", "Unknown exception",
                                        "drop failed", "Circular class refference: A = class(A)"}));
}

TEST_F(GeneralTreeView, AViewedNodeShowsItsControlInThePanelUntilTheSelectionMoves) {
    ExpandRoot();
    TTestNode* a = Child(root, 0);
    TTestNode* b = Child(root, 1);
    QWidget home;
    QWidget panel;
    auto* layout = new QVBoxLayout(&panel);
    QPointer<QWidget> control = new QWidget(&home);
    a->Viewable = true;
    a->ViewParent = &home;
    a->ViewControl = control;
    view->SetPanelControl(&panel);

    view->SetSelection(a);
    EXPECT_EQ(control->parentWidget(), &panel);
    EXPECT_EQ(layout->indexOf(control.data()), 0);
    EXPECT_FALSE(view->BeginView(b));  // a view is active
    view->SetSelection(b);
    EXPECT_EQ(control->parentWidget(), &home);
    EXPECT_EQ(layout->count(), 0);
    EXPECT_EQ(a->ViewEnds, 1);
    EXPECT_EQ(view->GetViewedNode(), nullptr);

    // A viewable node without a control is refused with a message.
    TTestNode* c = Child(root, 2);
    c->Viewable = true;
    view->SetSelection(c);
    EXPECT_EQ(view->GetViewedNode(), nullptr);
    EXPECT_EQ(reports.Messages.size(), 1u);

    a->LockView = true;  // a locked view stays while the selection moves
    view->SetSelection(a);
    view->SetSelection(b);
    EXPECT_EQ(view->GetViewedNode(), a);
    EXPECT_EQ(control->parentWidget(), &panel);
    view.reset();  // a closing view gives the control back
    EXPECT_EQ(control->parentWidget(), &home);
}

TEST(GeneralTreeViewPalette, TheViewIsOnThePageOmbra) {
    RegisterGeneralTreeView();
    const std::vector<std::string> classes = ComponentPalette().GetClasses("Ombra");
    EXPECT_NE(std::find(classes.begin(), classes.end(), "T__GeneralTreeView"), classes.end());
    std::unique_ptr<QWidget> made = ComponentPalette().CreateComponent("t__generaltreeview");
    EXPECT_NE(dynamic_cast<T__GeneralTreeView*>(made.get()), nullptr);
}

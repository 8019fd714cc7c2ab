#pragma once
// Nodes whose answers a test sets, a view of known size, and the exception
// reporter and timer source that tests install.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/TimerSource.h"
#include "treeview/GeneralTreeView.h"

namespace velt::test {

// A node that loads Children named "<text>.<i>" on Expand, and whose other
// answers are fields.
class TTestNode : public TGeneralNode {
public:
    using TGeneralNode::TGeneralNode;
    std::string ClassName() const override { return "TTestNode"; }
    std::unique_ptr<TGeneralNode> NewInstance() const override { return std::make_unique<TTestNode>(); }

    bool GetCanExpand() override { return CanExpand; }
    bool GetCanClone() override { return Clonable; }
    bool CanEdit() override { return Editable; }
    bool EndEdit(const std::string& S) override {
        Edits.push_back(S);
        return AcceptLabel && TGeneralNode::EndEdit(S);
    }
    void Expand() override {
        ++Expands;
        if (OnExpand) OnExpand(*this);
        for (int i = 0; i < Children; ++i) AddNode(MakeChild(GetText() + "." + std::to_string(i)));
        Expanded = true;
    }
    void GetMenuList(TMenuList& List) override {
        if (Menu) Menu(*this, List);
    }
    bool DragOver(const TDragSource& Source, TDragState State, std::string&) override {
        DragStates.push_back(State);
        LastSource = Source;
        return AcceptDrop;
    }
    void DragDrop(const TDragSource& Source, int X, int Y) override {
        ++Drops;
        LastSource = Source;
        DropAt = QPoint(X, Y);
        if (OnDrop) OnDrop(*this);
    }
    void EndDrag() override { ++EndDrags; }
    bool CanDrag() override { return Draggable; }
    void StartDrag(std::unique_ptr<TCustomDragObject>& DragObject) override {
        if (MakesDragObject) DragObject = std::make_unique<TCustomDragObject>();
    }
    void KeyDown(int& Key, Qt::KeyboardModifiers Shift) override {
        Keys.emplace_back(Key, Shift);
        if (Key == TakesKey) Key = 0;
    }
    std::string GetHint() override { return "hint of " + GetText(); }
    bool GetCanView() override { return Viewable; }
    bool DoBeginView() override { return LockView; }
    void Viewing() override { ++Views; }
    void DoEndView() override { ++ViewEnds; }

    std::unique_ptr<TTestNode> MakeChild(const std::string& text) {
        auto child = CreateChildNode<TTestNode>(this, text);
        child->CanExpand = ChildrenExpand;
        child->Children = ChildrenExpand ? 2 : 0;
        child->AcceptDrop = AcceptDrop;
        return child;
    }

    int Children = 0;
    bool CanExpand = false;
    bool ChildrenExpand = false;
    bool Clonable = true;
    bool Editable = false;
    bool AcceptLabel = true;
    bool AcceptDrop = false;
    bool Viewable = false;
    bool LockView = false;
    bool MakesDragObject = false;
    bool Draggable = true;
    std::function<void(TTestNode&)> OnExpand;
    std::function<void(TTestNode&, TMenuList&)> Menu;
    std::function<void(TTestNode&)> OnDrop;

    int Expands = 0;
    int Drops = 0;
    int EndDrags = 0;
    int Views = 0;
    int ViewEnds = 0;
    std::vector<std::string> Edits;
    std::vector<TDragState> DragStates;
    // The keys KeyDown saw; TakesKey it takes.
    std::vector<std::pair<int, Qt::KeyboardModifiers>> Keys;
    int TakesKey = -1;
    TDragSource LastSource;
    QPoint DropAt;
};

inline TTestNode* Child(TGeneralNode* node, int i) { return static_cast<TTestNode*>(node->GetNodes(i)); }

// Collects what the view reports instead of showing it.
class TReports {
public:
    TReports() : guard_([this](const std::exception& e) { Messages.push_back(e.what()); }) {}
    std::vector<std::string> Messages;

private:
    TExceptionReporterGuard guard_;
};

// A shown view with a root "root" that can expand into Children children,
// under a manual clock.
class TTreeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        view = std::make_unique<T__GeneralTreeView>();
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->resize(240, 320);
        view->show();
        auto r = std::make_unique<TTestNode>();
        r->SetText("root");
        r->CanExpand = true;
        r->Children = 3;
        root = r.get();
        view->SetNode0(std::move(r));
    }
    void TearDown() override { view.reset(); }

    // The item rectangle's centre of a node.
    QPoint At(TGeneralNode* node) const {
        return view->visualItemRect(node->GetItemHandle()).center();
    }
    void ExpandRoot() { root->GetItemHandle()->setExpanded(true); }
    // Makes the viewport exactly rows and a half rows high.
    void SetViewportRows(double rows) {
        const int row = view->visualItemRect(root->GetItemHandle()).height();
        const int frame = view->height() - view->viewport()->height();
        view->resize(view->width(), int(row * rows) + frame);
        QApplication::processEvents();
    }

    TManualTimerSource clock;
    TTimerSourceGuard clockGuard{&clock};
    TReports reports;
    std::unique_ptr<T__GeneralTreeView> view;
    TTestNode* root = nullptr;
};

}  // namespace velt::test

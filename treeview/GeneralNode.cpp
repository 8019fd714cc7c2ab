#include "treeview/GeneralNode.h"

#include <QWidget>
#include <algorithm>
#include <typeinfo>

#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/TimerSource.h"
#include "treeview/GeneralTreeView.h"
#include "treeview/ImageList.h"

namespace velt {

namespace {

constexpr int HoverExpandMs = 1500;

}  // namespace

// ---- TNodeLink -------------------------------------------------------------

TNodeLink::TNodeLink() : images_(std::make_unique<TImageList>()) {}

TNodeLink::~TNodeLink() { FreePending(); }

void TNodeLink::Dispose(std::unique_ptr<TGeneralNode> Node) {
    if (callbackDepth_ > 0)
        pending_.push_back(std::move(Node));
    else
        Node.reset();
}

void TNodeLink::FreePending() {
    while (!pending_.empty()) {
        auto batch = std::move(pending_);
        pending_.clear();
        batch.clear();
    }
}

void TNodeLink::ReportGuarded() noexcept { ReportCurrentException(); }

// ---- TGeneralNode::TChildren ---------------------------------------------------

TGeneralNode::TChildren::~TChildren() {
    while (!list_.isEmpty()) delete list_.takeLast();
}

void TGeneralNode::TChildren::insert(size_t i, std::unique_ptr<TGeneralNode> node) {
    list_.insert(qsizetype(i), node.get());
    node.release();  // the list owns it now
}

std::unique_ptr<TGeneralNode> TGeneralNode::TChildren::take(size_t i) {
    return std::unique_ptr<TGeneralNode>(list_.takeAt(qsizetype(i)));
}

// ---- TGeneralNode --------------------------------------------------------------

TGeneralNode::TGeneralNode(TGeneralNode* AOwner) : Level(AOwner ? AOwner->Level + 1 : 0) {}

TGeneralNode::~TGeneralNode() {
    // The control lets go of the whole subtree and deletes its items at once.
    if (TNodeLink* link = link_.data()) link->NodeDestroying(this);
    hoverTimer_.reset();
    while (!nodes_.empty()) nodes_.take(nodes_.size() - 1).reset();
}

std::unique_ptr<TGeneralNode> TGeneralNode::NewInstance() const { return std::make_unique<TGeneralNode>(); }

void TGeneralNode::UpdateParent() {
    if (parent_ && (!link_ || link_->GetRootNode() != parent_)) parent_->InternalUpdate();
}

void TGeneralNode::SetText(const std::string& S) {
    if (S.empty()) return;
    text_ = S;
    if (TNodeLink* link = link_.data()) link->SetText(this, S);
}

void TGeneralNode::Collapse() { InternalCollapse(); }

void TGeneralNode::Update() {
    if (Expanded) InternalUpdate();
}

void TGeneralNode::GetViewControls(QWidget*& Parent, QWidget*& Control) {
    Parent = ViewParent;
    Control = ViewControl;
}

void TGeneralNode::AssignTo(TPersistent* Dest) const {
    auto* node = dynamic_cast<TGeneralNode*>(Dest);
    if (!node) {
        TPersistent::AssignTo(Dest);
        return;
    }
    node->Expanded = Expanded;
    node->Level = Level;
    node->SetText(text_);
}

// ---- children --------------------------------------------------------------------

TGeneralNode* TGeneralNode::Adopt(size_t Index, std::unique_ptr<TGeneralNode> Node) {
    if (!Node) throw Exception("No node to add to " + text_);
    TGeneralNode* child = Node.get();
    child->parent_ = this;
    child->link_ = link_;
    child->indexHint_ = Index;
    nodes_.insert(Index, std::move(Node));
    return child;
}

TGeneralNode* TGeneralNode::AddNode(std::unique_ptr<TGeneralNode> Node) {
    TGeneralNode* child = Adopt(nodes_.size(), std::move(Node));
    if (TNodeLink* link = link_.data()) link->Add(this, child);
    child->AfterInsert();
    return child;
}

TGeneralNode* TGeneralNode::InsertNode(int Index, std::unique_ptr<TGeneralNode> Node) {
    if (Index < -1 || Index >= GetSubnodeCount())
        throw Exception("Node index out of range: " + IntToStr(Index));
    TGeneralNode* child = Adopt(size_t(Index + 1), std::move(Node));
    if (TNodeLink* link = link_.data()) link->Insert(this, child);
    child->AfterInsert();
    return child;
}

TGeneralNode* TGeneralNode::InsertNodeEx(TGeneralNode* After, std::unique_ptr<TGeneralNode> Node) {
    size_t at = 0;
    if (After) {
        const int i = IndexOfNode(After);
        if (i < 0) throw Exception("The node to insert after is not a child of " + text_);
        at = size_t(i) + 1;
    }
    TGeneralNode* child = Adopt(at, std::move(Node));
    if (TNodeLink* link = link_.data()) link->InsertEx(this, After, child);
    child->AfterInsert();
    return child;
}

void TGeneralNode::RemoveNode(TGeneralNode* Node) {
    if (IndexOfNode(Node) < 0) throw Exception("Node is not a child of " + text_);
    TNodeLink* link = link_.data();
    if (link) link->NodeRemoving(Node);
    // What NodeRemoving ran may have moved the children.
    const int i = IndexOfNode(Node);
    if (i < 0) return;
    std::unique_ptr<TGeneralNode> owned = nodes_.take(size_t(i));
    if (link) link->DeleteNode(this, owned.get());
    owned->parent_ = nullptr;
    if (link) link->Dispose(std::move(owned));  // else it goes here
}

TGeneralNode* TGeneralNode::GetNodes(int I) const {
    if (I < 0 || I >= GetSubnodeCount()) throw Exception("Node index out of range: " + IntToStr(I));
    return nodes_[size_t(I)];
}

int TGeneralNode::IndexOfNode(const TGeneralNode* Node) const {
    const size_t count = nodes_.size();
    if (!Node || Node->parent_ != this || count == 0) return -1;
    // Where the child stood when last looked for, the first and the last
    // place, then outwards from there: children that come and go one by one
    // (a merge of a long list, a collapse) are found in a few steps, not by
    // a walk from the first.
    auto found = [&](size_t i) {
        if (nodes_[i] != Node) return false;
        Node->indexHint_ = i;
        return true;
    };
    const size_t hint = std::min(Node->indexHint_, count - 1);
    if (found(hint)) return int(hint);
    if (found(0)) return 0;
    if (found(count - 1)) return int(count - 1);
    for (size_t d = 1; d <= hint || hint + d < count; ++d) {
        if (d <= hint && found(hint - d)) return int(hint - d);
        if (hint + d < count && found(hint + d)) return int(hint + d);
    }
    return -1;
}

bool TGeneralNode::Contains(const TGeneralNode* Node) const {
    for (; Node; Node = Node->parent_)
        if (Node == this) return true;
    return false;
}

void TGeneralNode::Close() {
    TNodeLink* link = link_.data();
    for (size_t i = 0; i < nodes_.size(); ++i) {
        TGeneralNode* child = nodes_[i];
        if (child->Expanded) child->Close();
        if (link) link->DeleteNode(this, child);
    }
    Expanded = false;
}

void TGeneralNode::InternalCollapse() {
    const int n = GetExpandedCount();
    for (int k = 0; k < n && !nodes_.empty(); ++k) {
        if (nodes_.front()->Expanded) nodes_.front()->Collapse();
        if (!nodes_.empty()) RemoveNode(nodes_.front());
    }
    Expanded = false;
}

void TGeneralNode::InternalUpdate() {
    Collapse();
    Expand();
}

void TGeneralNode::ExpandByList() {
    TNodeLink* link = link_.data();
    if (link)
        for (size_t i = 0; i < nodes_.size(); ++i) link->Add(this, nodes_[i]);
    Expanded = false;
    if (link) {
        link->ExpandingByList = true;
        link->ExternalExpand(this);
        link->ExpandingByList = false;
    }
    Expanded = true;
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i]->Expanded) nodes_[i]->ExpandByList();
}

// ---- cloning ----------------------------------------------------------------------

std::unique_ptr<TGeneralNode> TGeneralNode::Clone() {
    std::unique_ptr<TGeneralNode> copy = CloneSubLevel(this, Level);
    if (copy) copy->Level = 0;
    return copy;
}

std::unique_ptr<TGeneralNode> TGeneralNode::CloneSubLevel(TGeneralNode* Node, int Base) {
    if (!Node->GetCanClone()) return nullptr;
    std::unique_ptr<TGeneralNode> copy = Node->NewInstance();
    const TGeneralNode* made = copy.get();
    if (!made || typeid(*made) != typeid(*Node))
        throw Exception("Class " + Node->ClassName() + " does not make instances of its own for cloning");
    copy->Assign(Node);
    for (size_t i = 0; i < Node->nodes_.size(); ++i) {
        std::unique_ptr<TGeneralNode> child = CloneSubLevel(Node->nodes_[i], Base);
        if (!child) continue;
        child->Level -= Base;
        child->parent_ = copy.get();
        child->indexHint_ = copy->nodes_.size();
        copy->nodes_.push_back(std::move(child));
    }
    return copy;
}

// ---- the rest -----------------------------------------------------------------------

std::unique_ptr<TMenuList> TGeneralNode::GetLocalMenu() {
    auto list = std::make_unique<TMenuList>();
    GetMenuList(*list);
    return list;
}

QPixmap TGeneralNode::GetSmallBitmapFromImageList() const {
    if (ImageIndex == -1 || !link_) return {};
    return link_->GetImages().GetImage(ImageIndex);
}

bool TGeneralNode::DoDragOver(const TDragSource& Source, TDragState State, std::string& Text) {
    // The source's picture: its drag object's, else its view's, else that of
    // the view that shows the source node.
    const QPixmap* images = nullptr;
    if (Source.DragObject) images = Source.DragObject->GetDragImages();
    if (!images)
        if (auto* view = dynamic_cast<T__GeneralTreeView*>(Source.Control)) images = view->GetDragImages();
    if (!images && Source.Node)
        if (TNodeLink* link = Source.Node->GetLink())
            if (auto* view = dynamic_cast<T__GeneralTreeView*>(link->GetControl())) images = view->GetDragImages();
    DragImages = images ? *images : QPixmap();
    if (State == dsDragEnter) {
        if (!hoverTimer_)
            hoverTimer_ = NewTimer(HoverExpandMs, [this] { HoverTimerFired(); });
        else
            hoverTimer_->SetEnabled(true);
    } else if (State == dsDragLeave) {
        hoverTimer_.reset();
    }
    return DragOver(Source, State, Text);
}

void TGeneralNode::HoverTimerFired() {
    hoverTimer_->SetEnabled(false);
    TNodeLink* link = link_.data();
    if (!link) return;
    link->Guard([&] {
        link->ExternalExpand(this);
        if (QWidget* control = link->GetControl()) control->update();
    });
}

bool TGeneralNode::GetChildren() {
    TNodeLink* link = link_.data();
    return link && link->GetChildren(this);
}

void TGeneralNode::SetChildren(bool Value) {
    if (TNodeLink* link = link_.data()) link->SetChildren(this, Value);
}

void TGeneralNode::DisplayRect(bool TextOnly, QRect& Rect) {
    Rect = QRect();
    if (TNodeLink* link = link_.data()) link->DisplayRect(this, TextOnly, Rect);
}

void TGeneralNode::EditLabel() {
    if (TNodeLink* link = link_.data()) link->SetEditMode(this);
}

}  // namespace velt

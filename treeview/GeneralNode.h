#pragma once
// The model of one item of a tree. A node owns its children, knows its
// parent, level, text and images, and answers what a tree control asks: may
// it expand, collapse, be dragged, edited, cloned, viewed in a side panel;
// what is its hint and its context menu. It never talks to a control itself:
// every change that must show goes through its TNodeLink, the abstract
// binding to the control that shows it.
//
// One owner per node: a node is held by a std::unique_ptr until it is added
// to a parent, and from then on by its parent's children (the view holds its
// root, the link the placeholders it makes). The owner given at creation
// only fixes the node's Level. Removing a child frees it; while a node
// callback that the control runs is still on the stack, the free waits until
// that callback has returned.

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <Qt>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "treeview/MenuList.h"

class QMimeData;
class QTreeWidgetItem;

namespace velt {

class TGeneralNode;
class TImageList;
class TTimer;

enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// Image lists of a control: the normal one and the state one are used, the
// others are passed through.
enum TImageType { itSmall, itLarge, itState, itOverlay, itReserved };

// The drag object a node may make when its drag starts; the control gives
// it the image of the dragged item.
class TCustomDragObject {
public:
    virtual ~TCustomDragObject() = default;
    // The drag image, null when there is none.
    const QPixmap* GetDragImages() const { return DragImage.isNull() ? nullptr : &DragImage; }

    QPixmap DragImage;
    QPoint HotSpot;
};

// What is being dragged, as a control hands it to its nodes.
struct TDragSource {
    // The widget the drag started from; null for a drag from outside.
    QObject* Control = nullptr;
    // For a drag out of a tree view: that view's selected node.
    TGeneralNode* Node = nullptr;
    TCustomDragObject* DragObject = nullptr;
    const QMimeData* MimeData = nullptr;
};

// The binding of nodes to the control that shows them.
class TNodeLink : public QObject {
public:
    TNodeLink();
    ~TNodeLink() override;

    virtual void SetText(TGeneralNode* Node, const std::string& S) = 0;
    virtual void DisplayRect(TGeneralNode* Node, bool TextOnly, QRect& Rect) = 0;
    virtual bool GetChildren(TGeneralNode* Node) = 0;
    virtual void SetChildren(TGeneralNode* Node, bool Value) = 0;
    virtual void ExternalExpand(TGeneralNode* Node) = 0;
    virtual TGeneralNode* GetRootNode() = 0;
    virtual void Insert(TGeneralNode* Parent, TGeneralNode* Node) = 0;
    virtual void InsertEx(TGeneralNode* Parent, TGeneralNode* After, TGeneralNode* Node) = 0;
    virtual void Add(TGeneralNode* Parent, TGeneralNode* Node) = 0;
    virtual void AddChildFirst(TGeneralNode* Parent, TGeneralNode* Node) = 0;
    virtual void DeleteNode(TGeneralNode* Parent, TGeneralNode* Node) = 0;
    virtual void SetImageList(TImageList* List, TImageType Kind) = 0;
    virtual void SetEditMode(TGeneralNode* Node) = 0;
    virtual void RemoveNodeEmpty(TGeneralNode* Node) = 0;

    // Node and its subtree are about to leave the tree (the node is still
    // whole): the control lets go of every reference into it.
    virtual void NodeRemoving(TGeneralNode* /*Node*/) {}
    // Node is being freed: the control lets go of it and deletes its item.
    // Virtual calls on Node no longer reach its own class here.
    virtual void NodeDestroying(TGeneralNode* /*Node*/) {}

    // Runs a callback into node code for the control: an exception goes to
    // the exception reporter, and nodes removed meanwhile are freed when
    // the outermost such callback returns.
    template <class F>
    void Guard(F&& f) noexcept {
        QPointer<TNodeLink> alive(this);
        ++callbackDepth_;
        try {
            f();
        } catch (...) {
            ReportGuarded();
        }
        if (alive && --callbackDepth_ == 0) FreePending();
    }
    bool InCallback() const { return callbackDepth_ > 0; }
    // Frees a node that has left the tree: now, or after the running
    // callback.
    void Dispose(std::unique_ptr<TGeneralNode> Node);

    // A copy of the control's item images.
    TImageList& GetImages() { return *images_; }
    // The control that shows the nodes.
    QWidget* GetControl() const { return control_; }
    void SetControl(QWidget* control) { control_ = control; }
    // Set while ExpandByList shows children that already exist, so that the
    // control does not ask the node to load them.
    bool ExpandingByList = false;

protected:
    // Frees the nodes that waited for the callbacks to return.
    void FreePending();

private:
    static void ReportGuarded() noexcept;
    int callbackDepth_ = 0;
    std::vector<std::unique_ptr<TGeneralNode>> pending_;
    std::unique_ptr<TImageList> images_;
    QPointer<QWidget> control_;
};

class TGeneralNode : public TPersistent {
public:
    // Level is AOwner's Level + 1, 0 without an owner.
    explicit TGeneralNode(TGeneralNode* AOwner = nullptr);
    ~TGeneralNode() override;
    TGeneralNode(const TGeneralNode&) = delete;
    TGeneralNode& operator=(const TGeneralNode&) = delete;

    std::string ClassName() const override { return "TGeneralNode"; }
    // The virtual constructor that cloning uses: a new node of the object's
    // own class, without owner. Every class whose nodes may be cloned
    // overrides it.
    virtual std::unique_ptr<TGeneralNode> NewInstance() const;

    // ---- virtual operations ------------------------------------------------
    // When the link's root is not the parent, the parent is rebuilt.
    virtual void UpdateParent();
    // An empty text is ignored.
    virtual void SetText(const std::string& S);
    virtual bool GetCanExpand() { return false; }
    virtual bool GetCanCollapse() { return true; }
    virtual bool GetCanClone() { return true; }
    virtual std::string GetHint() { return {}; }
    virtual bool GetCanPreview() { return false; }
    // Descendants load their children here and set Expanded.
    virtual void Expand() {}
    virtual void Collapse();
    virtual void Update();
    // Key is a Qt::Key; a handler that sets it to 0 takes the key.
    virtual void KeyDown(int& /*Key*/, Qt::KeyboardModifiers /*Shift*/) {}
    virtual QWidget* GetPreviewControl() { return nullptr; }
    virtual void GetMenuList(TMenuList& /*List*/) {}
    virtual TObject* GetSubItems() { return nullptr; }
    virtual bool CanDrag() { return true; }
    virtual void StartDrag(std::unique_ptr<TCustomDragObject>& /*DragObject*/) {}
    // Called on the selected node after a drop onto a highlighted node.
    virtual void EndDrag() {}
    // Whether the drop is accepted here; Text is a message the view ignores.
    virtual bool DragOver(const TDragSource& /*Source*/, TDragState /*State*/, std::string& /*Text*/) {
        return false;
    }
    // X, Y in screen coordinates.
    virtual void DragDrop(const TDragSource& /*Source*/, int /*X*/, int /*Y*/) {}
    virtual bool GetCanView() { return false; }
    // True locks the view on this node.
    virtual bool DoBeginView() { return false; }
    virtual void Viewing() {}
    virtual void DoEndView() {}
    virtual void GetViewControls(QWidget*& Parent, QWidget*& Control);
    // Called on the child after every insertion.
    virtual void AfterInsert() {}
    // Whether the view may move its selection away.
    virtual bool Change() { return true; }
    // Whether a new label is accepted.
    virtual bool EndEdit(const std::string& S) { return !S.empty(); }
    virtual bool CanEdit() { return false; }
    // Into another node: Expanded, Level and Text (through SetText).
    void AssignTo(TPersistent* Dest) const override;

    // ---- children ------------------------------------------------------------
    // A new node of class T with AOwner, this node's link and, when Text is
    // not empty, that text; it is not added anywhere.
    template <class T = TGeneralNode>
    std::unique_ptr<T> CreateChildNode(TGeneralNode* AOwner, const std::string& Text) {
        auto node = std::make_unique<T>(AOwner);
        node->SetLink(GetLink());
        if (!Text.empty()) node->SetText(Text);
        return node;
    }
    // Appends the child and shows it; the child, now owned here.
    TGeneralNode* AddNode(std::unique_ptr<TGeneralNode> Node);
    // The child goes to position Index + 1 (Index -1: first).
    TGeneralNode* InsertNode(int Index, std::unique_ptr<TGeneralNode> Node);
    // The child goes right after After (first when After is null).
    TGeneralNode* InsertNodeEx(TGeneralNode* After, std::unique_ptr<TGeneralNode> Node);
    // Deletes the child's item and frees it. A node that is not a child raises.
    void RemoveNode(TGeneralNode* Node);
    TGeneralNode* GetNodes(int I) const;
    int GetSubnodeCount() const { return int(nodes_.size()); }
    // The number of children while Expanded, else 0.
    int GetExpandedCount() const { return Expanded ? GetSubnodeCount() : 0; }
    // The child's place, -1 for a node that is not a child.
    int IndexOfNode(const TGeneralNode* Node) const;
    // Where the node stood among its parent's children when last looked
    // for there: a guess, right until the children change.
    int GetIndexHint() const { return int(indexHint_); }

    // Deletes the items of the whole subtree; the nodes stay.
    void Close();
    // Frees the children (a collapsed node owns none).
    void InternalCollapse();
    void InternalUpdate();
    // Shows children that already exist, and so on down the expanded ones.
    void ExpandByList();

    // A copy of the subtree, at level 0, without link or items; children
    // whose GetCanClone is false are left out with their subtrees.
    std::unique_ptr<TGeneralNode> Clone();
    static std::unique_ptr<TGeneralNode> CloneSubLevel(TGeneralNode* Node, int Base);

    // A new menu list filled by GetMenuList.
    std::unique_ptr<TMenuList> GetLocalMenu();
    // The node's image from the link's image list; null without one.
    QPixmap GetSmallBitmapFromImageList() const;
    // The view's question for the node under a drag: keeps the hover timer
    // (a node held under a drag for 1.5 s opens or closes), then DragOver.
    bool DoDragOver(const TDragSource& Source, TDragState State, std::string& Text);
    bool GetChildren();
    void SetChildren(bool Value);
    void DisplayRect(bool TextOnly, QRect& Rect);
    void EditLabel();

    // ---- state -----------------------------------------------------------------
    const std::string& GetText() const { return text_; }
    TGeneralNode* GetParent() const { return parent_; }
    TNodeLink* GetLink() const { return link_; }
    // A node gets its link from its parent when it is added; the root from
    // the view.
    void SetLink(TNodeLink* Link) { link_ = Link; }
    // The control's item of the node, null while not shown. Written by the
    // control only.
    QTreeWidgetItem* GetItemHandle() const { return itemHandle_; }
    void SetItemHandle(QTreeWidgetItem* Item) { itemHandle_ = Item; }
    // The drag-hover timer while a drag is over the node.
    TTimer* GetHoverTimer() const { return hoverTimer_.get(); }
    // The picture of the last drag over the node, taken from its source;
    // null when the source has none.
    const QPixmap* GetDragImages() const { return DragImages.isNull() ? nullptr : &DragImages; }
    // Whether node is this one or lies below it.
    bool Contains(const TGeneralNode* Node) const;

    int32_t Data = 0;
    QPixmap DragImages;
    int32_t ImageIndex = -1;
    int32_t SelectedIndex = -1;
    int32_t Level = 0;
    // The children are loaded and shown.
    bool Expanded = false;
    // The control shown in the view's side panel while the node is viewed,
    // and the parent it normally lives in.
    QPointer<QWidget> ViewParent;
    QPointer<QWidget> ViewControl;

protected:
    // A placeholder stands below the node it gives an expand button to
    // without being one of its children.
    void SetParentNode(TGeneralNode* Parent) { parent_ = Parent; }
    // Tells IndexOfNode where Child probably stands now.
    static void HintIndex(const TGeneralNode* Child, int Index) {
        if (Child && Index >= 0) Child->indexHint_ = size_t(Index);
    }

private:
    TGeneralNode* Adopt(size_t Index, std::unique_ptr<TGeneralNode> Node);
    void HoverTimerFired();

    std::unique_ptr<TTimer> hoverTimer_;
    QTreeWidgetItem* itemHandle_ = nullptr;
    // The node's place among its parent's children when last seen there.
    mutable size_t indexHint_ = 0;
    QPointer<TNodeLink> link_;
    // The children, owned. Pointers in a QList rather than unique_ptrs in a
    // vector: a long list that changes in the middle (a merge) or loses its
    // first child again and again (a collapse) then moves memory in one go,
    // or none, instead of one pointer at a time.
    class TChildren {
    public:
        TChildren() = default;
        TChildren(const TChildren&) = delete;
        TChildren& operator=(const TChildren&) = delete;
        ~TChildren();
        size_t size() const { return size_t(list_.size()); }
        bool empty() const { return list_.isEmpty(); }
        TGeneralNode* operator[](size_t i) const { return list_[qsizetype(i)]; }
        TGeneralNode* front() const { return list_.first(); }
        TGeneralNode* back() const { return list_.last(); }
        void insert(size_t i, std::unique_ptr<TGeneralNode> node);
        void push_back(std::unique_ptr<TGeneralNode> node) { insert(size(), std::move(node)); }
        std::unique_ptr<TGeneralNode> take(size_t i);

    private:
        QList<TGeneralNode*> list_;
    };
    TChildren nodes_;
    std::string text_;
    TGeneralNode* parent_ = nullptr;
};

}  // namespace velt

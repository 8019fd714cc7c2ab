#pragma once
// T__GeneralTreeView shows a tree of TGeneralNode objects in a Qt tree
// widget. The widget keeps no data of its own: each item carries its node
// and asks it for text and images when it paints, and children are loaded
// only when an item is expanded, a placeholder (TEmptyNode) giving a node
// that is not loaded yet its expand button. On top: label editing
// through the node, context menus from the node's TMenuList (right click,
// Shift+F10, the menu key), drag and drop between nodes with expansion on
// hover and scrolling at the edges, and a side panel in which a node can
// show a control of its own (a view). TOutlineLink binds the nodes to it.
//
// Every node callback the view runs from a Qt event is guarded: an
// exception goes to the exception reporter, and nodes removed meanwhile are
// freed once the callback has returned. A node that leaves the tree is
// dropped from every reference the view keeps first.

#include <QMenu>
#include <QPointer>
#include <QTreeWidget>
#include <functional>
#include <list>
#include <memory>
#include <unordered_map>

#include "treeview/GeneralNode.h"
#include "treeview/ImageList.h"

class QDrag;

namespace velt {

class T__GeneralTreeView;
class TNodeItem;

// The placeholder of a node whose children are not loaded: it gives the
// node's item its expand button (the item shows the button without a row
// below it) and stands below the node without being one of its children.
class TEmptyNode : public TGeneralNode {
public:
    TEmptyNode() = default;
    // Stands below Node, with Node's link, without being its child.
    explicit TEmptyNode(TGeneralNode* Node);
    std::string ClassName() const override { return "TEmptyNode"; }
    std::unique_ptr<TGeneralNode> NewInstance() const override { return std::make_unique<TEmptyNode>(); }
};

// The placeholders by node, in the order they were recorded; each entry
// owns its placeholder.
class TEmptyNodeList {
public:
    ~TEmptyNodeList() { Clear(); }
    // The place of Node's entry, -1 when none (a walk over the entries).
    int IndexOf(const TGeneralNode* Node) const;
    // Node's placeholder, null when none.
    TEmptyNode* Empty(const TGeneralNode* Node) const;
    // Records Placeholder for Node, freeing one recorded before (the entry
    // keeps its place).
    void AddField(const TGeneralNode* Node, std::unique_ptr<TEmptyNode> Placeholder);
    // Frees Node's placeholder and forgets the entry.
    void DeleteField(const TGeneralNode* Node);
    int GetCount() const { return int(entries_.size()); }
    void Clear();

private:
    struct TEntry {
        const TGeneralNode* Node;
        std::unique_ptr<TEmptyNode> Placeholder;
    };
    using TEntries = std::list<TEntry>;
    TEntries entries_;
    std::unordered_map<const TGeneralNode*, TEntries::iterator> index_;
};

class TOutlineLink : public TNodeLink {
public:
    explicit TOutlineLink(T__GeneralTreeView* TreeView);
    ~TOutlineLink() override;

    void SetText(TGeneralNode* Node, const std::string& S) override;
    void DisplayRect(TGeneralNode* Node, bool TextOnly, QRect& Rect) override;
    bool GetChildren(TGeneralNode* Node) override;
    void SetChildren(TGeneralNode* Node, bool Value) override;
    void ExternalExpand(TGeneralNode* Node) override;
    TGeneralNode* GetRootNode() override;
    void Insert(TGeneralNode* Parent, TGeneralNode* Node) override;
    void InsertEx(TGeneralNode* Parent, TGeneralNode* After, TGeneralNode* Node) override;
    void Add(TGeneralNode* Parent, TGeneralNode* Node) override;
    void AddChildFirst(TGeneralNode* Parent, TGeneralNode* Node) override;
    void DeleteNode(TGeneralNode* Parent, TGeneralNode* Node) override;
    void SetImageList(TImageList* List, TImageType Kind) override;
    void SetEditMode(TGeneralNode* Node) override;
    void RemoveNodeEmpty(TGeneralNode* Node) override;
    void NodeRemoving(TGeneralNode* Node) override;
    void NodeDestroying(TGeneralNode* Node) override;

    // Gives Node a placeholder when it can expand and has none.
    void AddNodeEmpty(TGeneralNode* Node);
    // The node's SelectedIndex or ImageIndex.
    int ImageIndex(TGeneralNode* Node, bool Selected) const;
    QTreeWidgetItem* GetItemFromNode(TGeneralNode* Node) const { return Node->GetItemHandle(); }
    const TEmptyNodeList& GetEmptyNodes() const { return empty_; }
    T__GeneralTreeView* GetTreeView() const { return treeView_; }
    // Frees the nodes removed during callbacks now (the view is closing).
    void Flush() { FreePending(); }
    // Frees every placeholder (the view has deleted all items).
    void ClearPlaceholders() { empty_.Clear(); }

private:
    T__GeneralTreeView* treeView_;
    TEmptyNodeList empty_;
};

enum TAddMode { taAddFirst, taAdd, taInsert };
enum TDragMode { dmManual, dmAutomatic };

using TTVChangedEvent = std::function<void(T__GeneralTreeView* Sender, TGeneralNode* Node)>;
using TGetHintEvent = std::function<void(T__GeneralTreeView* Sender, const std::string& s)>;
using TTreeNotifyEvent = std::function<void(T__GeneralTreeView* Sender)>;
using T__GeneralTreeViewEvent = std::function<void(T__GeneralTreeView* TreeView, TGeneralNode* Node)>;
// The view's own drag handlers, for points with no node (drop) or before
// the node answers (drag over; Accept starts true when the handler is set).
using TTreeDragOverEvent =
    std::function<void(T__GeneralTreeView* Sender, const TDragSource& Source, int X, int Y, TDragState State,
                       bool& Accept)>;
using TTreeDragDropEvent =
    std::function<void(T__GeneralTreeView* Sender, const TDragSource& Source, int X, int Y)>;
// Runs a drag to its end and answers what the drop did. The default is
// Qt's drag loop; tests send the drag events themselves.
using TDragExec = std::function<Qt::DropAction(QDrag& Drag)>;

class T__GeneralTreeView : public QTreeWidget {
public:
    // The period of edge scrolling during a drag.
    static constexpr int ScrollIntervalMs = 200;
    // Heights of the edge zones that scroll during a drag, top and bottom.
    static constexpr int EdgeTop = 7;
    static constexpr int EdgeBottom = 20;
    // The data of a drag that starts at a node.
    static constexpr char NodeDragMimeType[] = "application/x-velt-tree-node";

    explicit T__GeneralTreeView(QWidget* parent = nullptr);
    ~T__GeneralTreeView() override;

    // ---- properties -----------------------------------------------------------
    bool GetShowButtons() const { return showButtons_; }
    void SetShowButtons(bool Value);
    bool GetShowLines() const { return showLines_; }
    void SetShowLines(bool Value);
    bool GetShowRoot() const { return rootIsDecorated(); }
    void SetShowRoot(bool Value) { setRootIsDecorated(Value); }
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value);
    bool GetHideSelection() const { return hideSelection_; }
    void SetHideSelection(bool Value) { hideSelection_ = Value; }
    TDragMode GetDragMode() const { return dragMode_; }
    void SetDragMode(TDragMode Value);
    // Item images; not owned. A change of the list shows at once.
    TImageList* GetImages() const { return images_; }
    void SetImages(TImageList* List);
    // The root node, owned by the view.
    TGeneralNode* GetNode0() const { return node0_.get(); }
    // Shows Node as the root and answers the previous root, whose items
    // are gone and which the caller now owns.
    std::unique_ptr<TGeneralNode> SetNode0(std::unique_ptr<TGeneralNode> Node);
    // The side panel that a viewed node's control moves into; not owned.
    QWidget* GetPanelControl() const { return panelControl_; }
    void SetPanelControl(QWidget* Panel) { panelControl_ = Panel; }
    QWidget* GetPreviewControl() const { return previewControl_; }
    void SetPreviewControl(QWidget* Control) { previewControl_ = Control; }
    TOutlineLink& GetLink() { return *link_; }

    TTVChangedEvent OnChange;
    TGetHintEvent OnGetHint;
    TTreeNotifyEvent OnBeginView;
    T__GeneralTreeViewEvent OnViewing;
    TTreeDragOverEvent OnDragOver;
    TTreeDragDropEvent OnDragDrop;

    // ---- items -------------------------------------------------------------------
    // Puts Item under ParentItem (the top level when null): first, last, or
    // right after AfterItem (first when AfterItem is not a child there).
    QTreeWidgetItem* AddItem(QTreeWidgetItem* ParentItem, QTreeWidgetItem* AfterItem, TAddMode Mode,
                             std::unique_ptr<QTreeWidgetItem> Item);
    // A new item showing Node.
    std::unique_ptr<QTreeWidgetItem> CreateItem(TGeneralNode* Node);
    // Node's item under Parent's (the top level when Parent is null), first
    // or last; a Parent without an item shows nothing.
    void InternalAddObject(TGeneralNode* Parent, TGeneralNode* Node, bool AddLast, int32_t Data,
                           const std::string& Text);
    void Add(TGeneralNode* Parent, TGeneralNode* Node);
    void AddFirst(TGeneralNode* Parent, TGeneralNode* Node);
    void AddChildFirst(TGeneralNode* Parent, TGeneralNode* Node) { AddFirst(Parent, Node); }
    // Right after After's item (first when After is null).
    void InsertEx(TGeneralNode* Parent, TGeneralNode* After, TGeneralNode* Node);
    // At the place of the node among its parent's children.
    void Insert(TGeneralNode* Parent, TGeneralNode* Node);
    // The parent of a node that got an item shows its button.
    void AddedNode(TGeneralNode* Node);
    // Deletes the node's item (and the items below it).
    void DeleteNode(TGeneralNode* Node);

    TGeneralNode* GetNode(QTreeWidgetItem* Item) const;
    // The node of the item that an index (as Qt's signals carry it) stands for.
    TGeneralNode* GetNodeFromItem(const QModelIndex& Index) const;
    // The node at a point of the viewport.
    TGeneralNode* GetNodeAt(int X, int Y) const;
    TGeneralNode* GetSelection() const;
    // Null clears the selection.
    void SetSelection(TGeneralNode* Node);
    TGeneralNode* GetTopNode() const;
    void SetTopNode(TGeneralNode* Node);
    TGeneralNode* GetNextSibling(TGeneralNode* Node) const;
    TGeneralNode* GetPrevSibling(TGeneralNode* Node) const;
    void EnsureVisible(TGeneralNode* Node);
    // The rows that fit whole into the viewport.
    int GetVisibleCount() const;
    TGeneralNode* GetDropHilight() const { return dropHilite_; }
    void SetdropHilight(TGeneralNode* Node);
    // The item's rectangle in the viewport, or that of its text only.
    void CoordAtNode(TGeneralNode* Node, bool TextOnly, QRect& Rect) const;
    // Expands a node that is not Expanded, collapses one that is.
    bool ExternalExpand(TGeneralNode* Node);
    void SetImageList(TImageList* List, TImageType Kind);
    void _Repaint(TGeneralNode* Node);
    // Starts label editing of the node's item (the node may refuse).
    void EditNode(TGeneralNode* Node);

    // ---- views, menus, selection, drags ---------------------------------------------------
    // False while a view is active.
    bool BeginView(TGeneralNode* Node);
    void EndView() {}
    // A popup menu of the node's menu list, owned by the view; null for an
    // empty list.
    QMenu* GetNodeMenu(TGeneralNode* Node);
    // Selects Node and pops up its menu at a viewport point.
    void DoRightMouseDown(TGeneralNode* Node, int X, int Y);
    // The selection moved to Node.
    void Change(TGeneralNode* Node);
    // A drag over the viewport point (X, Y); Accept tells whether a drop
    // would be taken there.
    void DragOver(const TDragSource& Source, int X, int Y, TDragState State, bool& Accept);
    // A drop at the viewport point (X, Y).
    void DragDrop(const TDragSource& Source, int X, int Y);
    // Starts a drag of the selected node (what a press and move do with
    // DragMode automatic; with DragMode manual they drag the pressed node
    // and leave the selection alone).
    void BeginDrag();
    // The picture of the item of the last drag from here, null when none.
    const QPixmap* GetDragImages() const { return dragImage_.isNull() ? nullptr : &dragImage_; }
    // What a drag from here carries: the dragged node while the drag runs
    // (null when it has left the tree), else the selection.
    TGeneralNode* GetSourceNode() const;
    // -1 in the top edge zone of a viewport of Height, 1 in the bottom one,
    // else 0. The zones never take the whole viewport.
    static int EdgeZone(int Y, int Height);
    // Installs how drags run and answers the previous way; empty restores
    // Qt's drag loop.
    static TDragExec SetDragExec(TDragExec Exec);

    // The last node menu, while it lives.
    QMenu* GetLastNodeMenu() const { return nodeMenu_; }
    TGeneralNode* GetViewedNode() const { return viewedNode_; }
    TGeneralNode* GetDragOverNode() const { return dragOverNode_; }
    TGeneralNode* GetDragNode() const { return dragNode_; }
    TGeneralNode* GetHintNode() const { return hintNode_; }
    bool Dragging() const { return dragging_; }

    using QTreeWidget::edit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    friend class TNodeItem;
    friend class TOutlineLink;

    template <class F>
    void Guard(F&& f) {
        link_->Guard(std::forward<F>(f));
    }
    // Drags Node out; false when there was nothing to drag.
    bool DragOut(TGeneralNode* Node);
    // Hands Qt the press that waited for a move.
    void ReplayPress(Qt::KeyboardModifiers Modifiers);
    void ItemExpanded(QTreeWidgetItem* Item);
    void ItemCollapsed(QTreeWidgetItem* Item);
    void SetExpandedQuietly(QTreeWidgetItem* Item, bool Value);
    // The scroll that shows an expanded node's children.
    void RequestExpandScroll(TGeneralNode* Node);
    void RunExpandScroll();
    void PlaceItem(TGeneralNode* Parent, TGeneralNode* Node, TAddMode Mode, QTreeWidgetItem* AfterItem);
    // The row of Item under Parent, looking at Guess first.
    int RowOf(QTreeWidgetItem* Parent, QTreeWidgetItem* Item, int Guess) const;
    QVariant ItemIcon(TGeneralNode* Node) const;
    void EndLabelEdit(TGeneralNode* Node, const std::string& Text);
    void RightClickMenu(const QPoint& At);
    void KeyboardMenu();
    void ScrollTimerFired();
    void StartView(TGeneralNode* Node);
    void EndCurrentView(bool CallNode);
    // Node (and its subtree) is leaving: let go of it. Whole: the node is
    // still whole, so its own view hooks run.
    void ForgetNodes(TGeneralNode* Node, bool Whole);
    TDragSource MakeDragSource(const QMimeData* Data, QObject* Source) const;
    void HandleDragEvent(QDropEvent* Event, TDragState State);
    void ImagesChanged();

    std::unique_ptr<TOutlineLink> link_;
    std::unique_ptr<TGeneralNode> node0_;
    // The drag over this view.
    TGeneralNode* dragOverNode_ = nullptr;
    std::unique_ptr<TTimer> scrollTimer_;
    int dragX_ = 0;
    int dragY_ = 0;
    bool scrollUp_ = false;
    QPointer<QObject> dragSourceControl_;
    QPointer<const QMimeData> dragSourceData_;
    QPoint dragPoint_;
    // The drag from this view.
    TGeneralNode* dragNode_ = nullptr;
    QPixmap dragImage_;
    // A press on a node that waits for a move (DragMode manual).
    TGeneralNode* pressNode_ = nullptr;
    QPoint pressAt_;
    bool dragEnded_ = false;
    bool canDrag_ = false;
    bool dragging_ = false;
    TGeneralNode* dropHilite_ = nullptr;
    QPointer<QMenu> nodeMenu_;
    TGeneralNode* menuNode_ = nullptr;
    TGeneralNode* hintNode_ = nullptr;
    // The expansion whose scroll waits for the end of the action.
    TGeneralNode* scrollNode_ = nullptr;
    bool scrollPosted_ = false;
    QPointer<QWidget> previewControl_;
    QPointer<QWidget> panelControl_;
    bool viewLock_ = false;
    TGeneralNode* viewedNode_ = nullptr;
    QPointer<QWidget> viewParent_;
    QPointer<QWidget> viewControl_;
    QPointer<TImageList> images_;
    int imagesObserver_ = 0;
    QPointer<TImageList> smallImages_;
    bool showButtons_ = true;
    bool showLines_ = true;
    bool readOnly_ = false;
    bool hideSelection_ = true;
    TDragMode dragMode_ = dmAutomatic;
    int quiet_ = 0;
    // Where the row after which an item goes probably stands.
    int rowGuess_ = -1;
    bool destroying_ = false;
};

// Puts T__GeneralTreeView on the palette page "Ombra".
void RegisterGeneralTreeView();

}  // namespace velt

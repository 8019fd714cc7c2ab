#include "treeview/GeneralTreeView.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/ui/ComponentPalette.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/TimerSource.h"
#include "treeview/ImageList.h"

namespace velt {

// ---- the item of a node --------------------------------------------------------

// Shows its node: text, images and the drop highlight are asked for when
// painted, and an edited label goes back to the node.
class TNodeItem : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 0x4E44;

    TNodeItem(T__GeneralTreeView* view, TGeneralNode* node) : QTreeWidgetItem(Type), view_(view), node_(node) {
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
                 Qt::ItemIsDropEnabled);
    }
    ~TNodeItem() override { Detach(); }

    TGeneralNode* Node() const { return node_; }
    void Detach() {
        if (node_ && node_->GetItemHandle() == this) node_->SetItemHandle(nullptr);
        node_ = nullptr;
    }
    void Refresh() { emitDataChanged(); }

    QVariant data(int column, int role) const override {
        if (!node_ || column != 0) return QTreeWidgetItem::data(column, role);
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return QString::fromStdString(node_->GetText());
        case Qt::DecorationRole:
            return view_->ItemIcon(node_);
        case Qt::BackgroundRole:
            if (view_->GetDropHilight() == node_) return view_->palette().brush(QPalette::Highlight);
            break;
        case Qt::ForegroundRole:
            if (view_->GetDropHilight() == node_) return view_->palette().brush(QPalette::HighlightedText);
            break;
        default:
            break;
        }
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override {
        if (node_ && column == 0 && (role == Qt::EditRole || role == Qt::DisplayRole)) {
            view_->EndLabelEdit(node_, value.toString().toStdString());
            return;
        }
        QTreeWidgetItem::setData(column, role, value);
    }

private:
    T__GeneralTreeView* view_;
    TGeneralNode* node_;
};

namespace {

TNodeItem* AsNodeItem(QTreeWidgetItem* item) {
    return item && item->type() == TNodeItem::Type ? static_cast<TNodeItem*>(item) : nullptr;
}

// The drag that started at a node of some view, while it runs.
struct TCurrentDrag {
    QPointer<T__GeneralTreeView> View;
    TCustomDragObject* Object = nullptr;
};

TCurrentDrag& CurrentDrag() {
    static TCurrentDrag drag;
    return drag;
}

TDragExec& DragExecHook() {
    static TDragExec exec;
    return exec;
}

// Shift, Ctrl, Alt and Meta of a key event.
int ShiftKeys(Qt::KeyboardModifiers m) {
    return int(m & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

}  // namespace

// ---- TEmptyNode, TEmptyNodeList ------------------------------------------------------

TEmptyNode::TEmptyNode(TGeneralNode* Node) {
    SetParentNode(Node);
    SetLink(Node->GetLink());
}

TEmptyNode* TEmptyNodeList::Empty(const TGeneralNode* Node) const {
    auto it = index_.find(Node);
    return it == index_.end() ? nullptr : it->second->Placeholder.get();
}

int TEmptyNodeList::IndexOf(const TGeneralNode* Node) const {
    auto it = index_.find(Node);
    if (it == index_.end()) return -1;
    return int(std::distance(entries_.begin(), TEntries::const_iterator(it->second)));
}

void TEmptyNodeList::AddField(const TGeneralNode* Node, std::unique_ptr<TEmptyNode> Placeholder) {
    auto it = index_.find(Node);
    if (it == index_.end()) {
        entries_.push_back(TEntry{Node, std::move(Placeholder)});
        index_.emplace(Node, std::prev(entries_.end()));
        return;
    }
    // A placeholder's destructor comes back here: free the old one only
    // once the entry holds the new one.
    std::unique_ptr<TEmptyNode> old = std::exchange(it->second->Placeholder, std::move(Placeholder));
}

void TEmptyNodeList::DeleteField(const TGeneralNode* Node) {
    auto it = index_.find(Node);
    if (it == index_.end()) return;
    std::unique_ptr<TEmptyNode> old = std::move(it->second->Placeholder);
    entries_.erase(it->second);
    index_.erase(it);
}

void TEmptyNodeList::Clear() {
    TEntries all = std::move(entries_);
    entries_.clear();
    index_.clear();
}

// ---- TOutlineLink ----------------------------------------------------------------------

TOutlineLink::TOutlineLink(T__GeneralTreeView* TreeView) : treeView_(TreeView) { SetControl(TreeView); }

TOutlineLink::~TOutlineLink() {
    // While the link is still whole: the freed nodes call back into it.
    FreePending();
    empty_.Clear();
}

void TOutlineLink::SetText(TGeneralNode* Node, const std::string& /*S*/) {
    if (TNodeItem* item = AsNodeItem(Node->GetItemHandle())) item->Refresh();
}

void TOutlineLink::DisplayRect(TGeneralNode* Node, bool TextOnly, QRect& Rect) {
    treeView_->CoordAtNode(Node, TextOnly, Rect);
}

bool TOutlineLink::GetChildren(TGeneralNode* Node) {
    QTreeWidgetItem* item = Node->GetItemHandle();
    return item && (item->childCount() > 0 || item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator);
}

void TOutlineLink::SetChildren(TGeneralNode* Node, bool Value) {
    if (QTreeWidgetItem* item = Node->GetItemHandle())
        item->setChildIndicatorPolicy(Value ? QTreeWidgetItem::ShowIndicator
                                            : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TOutlineLink::ExternalExpand(TGeneralNode* Node) { treeView_->ExternalExpand(Node); }

TGeneralNode* TOutlineLink::GetRootNode() { return treeView_->GetNode0(); }

void TOutlineLink::Insert(TGeneralNode* Parent, TGeneralNode* Node) {
    treeView_->Insert(Parent, Node);
    AddNodeEmpty(Node);
}

void TOutlineLink::InsertEx(TGeneralNode* Parent, TGeneralNode* After, TGeneralNode* Node) {
    treeView_->InsertEx(Parent, After, Node);
    AddNodeEmpty(Node);
}

void TOutlineLink::Add(TGeneralNode* Parent, TGeneralNode* Node) {
    treeView_->Add(Parent, Node);
    AddNodeEmpty(Node);
}

void TOutlineLink::AddChildFirst(TGeneralNode* Parent, TGeneralNode* Node) { treeView_->AddChildFirst(Parent, Node); }

void TOutlineLink::DeleteNode(TGeneralNode* Parent, TGeneralNode* Node) {
    treeView_->DeleteNode(Node);
    if (dynamic_cast<TEmptyNode*>(Node)) return;
    RemoveNodeEmpty(Node);
    if (Parent && !Parent->Expanded) AddNodeEmpty(Parent);
}

void TOutlineLink::SetImageList(TImageList* List, TImageType Kind) { treeView_->SetImageList(List, Kind); }

void TOutlineLink::SetEditMode(TGeneralNode* Node) { treeView_->EditNode(Node); }

void TOutlineLink::RemoveNodeEmpty(TGeneralNode* Node) {
    TEmptyNode* placeholder = empty_.Empty(Node);
    if (!placeholder) return;
    DeleteNode(Node, placeholder);
    empty_.DeleteField(Node);
}

void TOutlineLink::NodeRemoving(TGeneralNode* Node) { treeView_->ForgetNodes(Node, true); }

void TOutlineLink::NodeDestroying(TGeneralNode* Node) {
    treeView_->ForgetNodes(Node, false);
    treeView_->DeleteNode(Node);
    RemoveNodeEmpty(Node);
}

void TOutlineLink::AddNodeEmpty(TGeneralNode* Node) {
    if (!Node->GetCanExpand() || empty_.Empty(Node)) return;
    auto placeholder = std::make_unique<TEmptyNode>(Node);
    TEmptyNode* p = placeholder.get();
    empty_.AddField(Node, std::move(placeholder));
    // The placeholder is the node's button, not a row: Qt walks every
    // persistent index (each expanded row has one) on every row it removes,
    // which an expansion would do for the placeholder.
    treeView_->AddedNode(p);
}

int TOutlineLink::ImageIndex(TGeneralNode* Node, bool Selected) const {
    return Selected ? Node->SelectedIndex : Node->ImageIndex;
}

// ---- T__GeneralTreeView ----------------------------------------------------------------

T__GeneralTreeView::T__GeneralTreeView(QWidget* parent)
    : QTreeWidget(parent), link_(std::make_unique<TOutlineLink>(this)) {
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setAutoScroll(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setRootIsDecorated(true);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { ItemExpanded(item); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) { ItemCollapsed(item); });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
        if (!destroying_) Guard([&] { Change(GetNode(current)); });
    });
}

T__GeneralTreeView::~T__GeneralTreeView() {
    destroying_ = true;
    blockSignals(true);
    delete nodeMenu_.data();
    if (viewedNode_) Guard([&] { EndCurrentView(true); });
    if (images_) images_->UnRegisterChanges(imagesObserver_);
    node0_.reset();
    link_->Flush();
    link_.reset();
    scrollTimer_.reset();
    // Items of nodes that live on elsewhere let go of them.
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        if (TNodeItem* item = AsNodeItem(*it)) item->Detach();
}

// ---- properties -------------------------------------------------------------------------

void T__GeneralTreeView::SetShowButtons(bool Value) {
    showButtons_ = Value;
    viewport()->update();
}

void T__GeneralTreeView::SetShowLines(bool Value) {
    showLines_ = Value;
    viewport()->update();
}

void T__GeneralTreeView::SetReadOnly(bool Value) {
    readOnly_ = Value;
    setEditTriggers(Value ? QAbstractItemView::NoEditTriggers : QAbstractItemView::SelectedClicked);
}

void T__GeneralTreeView::SetDragMode(TDragMode Value) {
    dragMode_ = Value;
    setDragEnabled(Value == dmAutomatic);
}

void T__GeneralTreeView::SetImages(TImageList* List) {
    if (images_) images_->UnRegisterChanges(imagesObserver_);
    images_ = List;
    imagesObserver_ = List ? List->RegisterChanges([this] { ImagesChanged(); }) : 0;
    ImagesChanged();
}

void T__GeneralTreeView::ImagesChanged() {
    TImageList& copy = link_->GetImages();
    if (images_)
        copy.Assign(*images_);
    else
        copy.Clear();
    SetImageList(images_ ? &copy : nullptr, itSmall);
}

std::unique_ptr<TGeneralNode> T__GeneralTreeView::SetNode0(std::unique_ptr<TGeneralNode> Node) {
    std::unique_ptr<TGeneralNode> old = std::move(node0_);
    if (old) ForgetNodes(old.get(), true);
    clear();
    link_->ClearPlaceholders();  // the items they gave buttons to are gone
    node0_ = std::move(Node);
    if (TGeneralNode* root = node0_.get()) {
        root->SetLink(link_.get());
        AddFirst(nullptr, root);
        ImagesChanged();
        link_->AddNodeEmpty(root);
        SetTopNode(root);
    }
    viewport()->update();
    return old;
}

// ---- items ---------------------------------------------------------------------------------

QTreeWidgetItem* T__GeneralTreeView::AddItem(QTreeWidgetItem* ParentItem, QTreeWidgetItem* AfterItem, TAddMode Mode,
                                             std::unique_ptr<QTreeWidgetItem> Item) {
    QTreeWidgetItem* parent = ParentItem ? ParentItem : invisibleRootItem();
    int at = 0;
    if (Mode == taAdd)
        at = parent->childCount();
    else if (Mode == taInsert && AfterItem)
        at = RowOf(parent, AfterItem, rowGuess_) + 1;
    QTreeWidgetItem* item = Item.release();
    parent->insertChild(at, item);
    return item;
}

int T__GeneralTreeView::RowOf(QTreeWidgetItem* Parent, QTreeWidgetItem* Item, int Guess) const {
    // Rows mostly stand where their nodes do, or last: look there before
    // Qt's walk over the rows from the first.
    const int count = Parent->childCount();
    for (int row : {Guess, count - 1})
        if (row >= 0 && row < count && Parent->child(row) == Item) return row;
    if (Item->parent() == Parent || (Parent == invisibleRootItem() && !Item->parent())) {
        const QModelIndex index = indexFromItem(Item);  // Qt's own guess, then a walk from the last
        if (index.isValid()) return index.row();
    }
    return Parent->indexOfChild(Item);
}

std::unique_ptr<QTreeWidgetItem> T__GeneralTreeView::CreateItem(TGeneralNode* Node) {
    return std::make_unique<TNodeItem>(this, Node);
}

void T__GeneralTreeView::PlaceItem(TGeneralNode* Parent, TGeneralNode* Node, TAddMode Mode,
                                   QTreeWidgetItem* AfterItem) {
    QTreeWidgetItem* parentItem = nullptr;
    if (Parent) {
        parentItem = Parent->GetItemHandle();
        if (!parentItem) return;  // not shown: nothing to show below it
    }
    DeleteNode(Node);  // one item per node
    Node->SetItemHandle(AddItem(parentItem, AfterItem, Mode, CreateItem(Node)));
    AddedNode(Node);
}

void T__GeneralTreeView::InternalAddObject(TGeneralNode* Parent, TGeneralNode* Node, bool AddLast, int32_t Data,
                                           const std::string& Text) {
    Node->Data = Data;
    Node->SetText(Text);
    PlaceItem(Parent, Node, AddLast ? taAdd : taAddFirst, nullptr);
}

void T__GeneralTreeView::Add(TGeneralNode* Parent, TGeneralNode* Node) {
    InternalAddObject(Parent, Node, true, 0, Node->GetText());
}

void T__GeneralTreeView::AddFirst(TGeneralNode* Parent, TGeneralNode* Node) {
    InternalAddObject(Parent, Node, false, 0, Node->GetText());
}

void T__GeneralTreeView::InsertEx(TGeneralNode* Parent, TGeneralNode* After, TGeneralNode* Node) {
    if (After && !After->GetItemHandle()) {
        Insert(Parent, Node);
        return;
    }
    Node->Data = 0;
    rowGuess_ = After && Parent ? Parent->IndexOfNode(After) : -1;
    PlaceItem(Parent, Node, taInsert, After ? After->GetItemHandle() : nullptr);
    rowGuess_ = -1;
}

void T__GeneralTreeView::Insert(TGeneralNode* Parent, TGeneralNode* Node) {
    // After the item of the nearest earlier sibling that has one.
    QTreeWidgetItem* after = nullptr;
    if (Parent)
        for (int i = Parent->IndexOfNode(Node) - 1; i >= 0 && !after; --i)
            after = Parent->GetNodes(i)->GetItemHandle();
    Node->Data = 0;
    PlaceItem(Parent, Node, Parent ? taInsert : taAdd, after);
}

void T__GeneralTreeView::AddedNode(TGeneralNode* Node) {
    if (TGeneralNode* parent = Node->GetParent()) parent->SetChildren(true);
}

void T__GeneralTreeView::DeleteNode(TGeneralNode* Node) {
    QTreeWidgetItem* item = Node->GetItemHandle();
    if (!item) return;
    // Qt finds the row of an item it deletes by a walk from the first row;
    // taken out of its known row first, it goes without one.
    QTreeWidgetItem* parent = item->parent() ? item->parent() : invisibleRootItem();
    // A child's row is where its node stood among the children.
    const int row = RowOf(parent, item, Node->GetParent() ? Node->GetIndexHint() : -1);
    if (row >= 0 && parent->child(row) == item) item = item->parent() ? parent->takeChild(row) : takeTopLevelItem(row);
    delete item;
}

TGeneralNode* T__GeneralTreeView::GetNode(QTreeWidgetItem* Item) const {
    TNodeItem* item = AsNodeItem(Item);
    return item ? item->Node() : nullptr;
}

TGeneralNode* T__GeneralTreeView::GetNodeAt(int X, int Y) const { return GetNode(itemAt(X, Y)); }

TGeneralNode* T__GeneralTreeView::GetNodeFromItem(const QModelIndex& Index) const {
    return Index.isValid() && Index.model() == model() ? GetNode(itemFromIndex(Index)) : nullptr;
}

TGeneralNode* T__GeneralTreeView::GetSourceNode() const { return dragging_ ? dragNode_ : GetSelection(); }

TGeneralNode* T__GeneralTreeView::GetSelection() const { return GetNode(currentItem()); }

void T__GeneralTreeView::SetSelection(TGeneralNode* Node) {
    QTreeWidgetItem* item = Node ? Node->GetItemHandle() : nullptr;
    setCurrentItem(item);
    if (!item) clearSelection();
}

TGeneralNode* T__GeneralTreeView::GetTopNode() const { return GetNodeAt(0, 0); }

void T__GeneralTreeView::SetTopNode(TGeneralNode* Node) {
    if (QTreeWidgetItem* item = Node ? Node->GetItemHandle() : nullptr) scrollTo(indexFromItem(item), PositionAtTop);
}

TGeneralNode* T__GeneralTreeView::GetNextSibling(TGeneralNode* Node) const {
    QTreeWidgetItem* item = Node ? Node->GetItemHandle() : nullptr;
    if (!item) return nullptr;
    QTreeWidgetItem* parent = item->parent() ? item->parent() : invisibleRootItem();
    return GetNode(parent->child(parent->indexOfChild(item) + 1));
}

TGeneralNode* T__GeneralTreeView::GetPrevSibling(TGeneralNode* Node) const {
    QTreeWidgetItem* item = Node ? Node->GetItemHandle() : nullptr;
    if (!item) return nullptr;
    QTreeWidgetItem* parent = item->parent() ? item->parent() : invisibleRootItem();
    const int i = parent->indexOfChild(item);
    return i > 0 ? GetNode(parent->child(i - 1)) : nullptr;
}

void T__GeneralTreeView::EnsureVisible(TGeneralNode* Node) {
    if (QTreeWidgetItem* item = Node ? Node->GetItemHandle() : nullptr)
        scrollTo(indexFromItem(item), QAbstractItemView::EnsureVisible);
}

int T__GeneralTreeView::GetVisibleCount() const {
    int row = topLevelItemCount() > 0 ? visualItemRect(topLevelItem(0)).height() : 0;
    if (row <= 0) row = fontMetrics().height();
    return row > 0 ? viewport()->height() / row : 0;
}

void T__GeneralTreeView::SetdropHilight(TGeneralNode* Node) {
    if (Node == dropHilite_) return;
    TGeneralNode* old = dropHilite_;
    dropHilite_ = Node;
    for (TGeneralNode* n : {old, Node})
        if (TNodeItem* item = AsNodeItem(n ? n->GetItemHandle() : nullptr)) item->Refresh();
}

void T__GeneralTreeView::CoordAtNode(TGeneralNode* Node, bool TextOnly, QRect& Rect) const {
    QTreeWidgetItem* item = Node ? Node->GetItemHandle() : nullptr;
    Rect = item ? visualItemRect(item) : QRect();
    if (!item || !TextOnly) return;
    if (!link_->GetImages().GetImage(link_->ImageIndex(Node, false)).isNull())
        Rect.setLeft(Rect.left() + iconSize().width() + 4);
    const int textWidth = fontMetrics().horizontalAdvance(QString::fromStdString(Node->GetText())) + 4;
    Rect.setWidth(std::min(Rect.width(), textWidth));
}

bool T__GeneralTreeView::ExternalExpand(TGeneralNode* Node) {
    QTreeWidgetItem* item = Node->GetItemHandle();
    if (!item) return false;
    const bool expand = !Node->Expanded;
    if (item->isExpanded() == expand) {
        // Qt sees no change: run what the change would run.
        if (expand)
            ItemExpanded(item);
        else
            ItemCollapsed(item);
    } else {
        // Qt lays a shown tree out again after each expansion, unless a
        // layout is due anyway: callers that open node after node get one.
        scheduleDelayedItemsLayout();
        item->setExpanded(expand);
    }
    item = Node->GetItemHandle();
    return item && item->isExpanded() == expand;
}

void T__GeneralTreeView::SetImageList(TImageList* List, TImageType Kind) {
    if (Kind != itSmall) return;  // Qt's tree has no state images
    smallImages_ = List && List->GetCount() > 0 ? List : nullptr;
    if (smallImages_) setIconSize(QSize(List->GetWidth(), List->GetHeight()));
    viewport()->update();
}

void T__GeneralTreeView::_Repaint(TGeneralNode* Node) {
    if (QTreeWidgetItem* item = Node ? Node->GetItemHandle() : nullptr) viewport()->update(visualItemRect(item));
}

void T__GeneralTreeView::EditNode(TGeneralNode* Node) {
    if (QTreeWidgetItem* item = Node->GetItemHandle()) editItem(item, 0);
}

QVariant T__GeneralTreeView::ItemIcon(TGeneralNode* Node) const {
    if (!smallImages_) return {};
    const QPixmap normal = smallImages_->GetImage(link_->ImageIndex(Node, false));
    if (normal.isNull()) return {};
    QIcon icon(normal);
    const QPixmap selected = smallImages_->GetImage(link_->ImageIndex(Node, true));
    if (!selected.isNull()) icon.addPixmap(selected, QIcon::Selected);
    return icon;
}

// ---- expansion -------------------------------------------------------------------------------

void T__GeneralTreeView::SetExpandedQuietly(QTreeWidgetItem* Item, bool Value) {
    if (!Item) return;
    ++quiet_;
    Item->setExpanded(Value);
    --quiet_;
}

void T__GeneralTreeView::ItemExpanded(QTreeWidgetItem* Item) {
    if (quiet_ || destroying_) return;
    Guard([&] {
        TGeneralNode* node = GetNode(Item);
        if (!node) return;
        if (link_->ExpandingByList) {  // the children are there already
            link_->RemoveNodeEmpty(node);
            return;
        }
        if (!node->GetCanExpand()) {
            link_->RemoveNodeEmpty(node);
            node->SetChildren(false);
            SetExpandedQuietly(node->GetItemHandle(), false);
            return;
        }
        link_->RemoveNodeEmpty(node);
        node->Expand();
        // Children that a merge removed before the node counted as expanded
        // gave it a placeholder again.
        if (node->Expanded) link_->RemoveNodeEmpty(node);
        RequestExpandScroll(node);
    });
}

void T__GeneralTreeView::RequestExpandScroll(TGeneralNode* Node) {
    // A scroll lays out every row first: one expansion after another in
    // one action (the "*" key, opening a whole subtree) would lay out the
    // tree again each time. The scroll waits until the action is over; the
    // action's first expansion says where.
    if (!scrollNode_) scrollNode_ = Node;
    if (scrollPosted_) return;
    scrollPosted_ = true;
    QMetaObject::invokeMethod(this, [this] { RunExpandScroll(); }, Qt::QueuedConnection);
}

void T__GeneralTreeView::RunExpandScroll() {
    scrollPosted_ = false;
    TGeneralNode* node = std::exchange(scrollNode_, nullptr);
    if (!node || destroying_) return;
    Guard([&] {
        QTreeWidgetItem* item = node->GetItemHandle();
        const int count = node->GetSubnodeCount();
        if (!item || !item->isExpanded() || count == 0) return;
        EnsureVisible(node->GetNodes(std::max(0, std::min(GetVisibleCount() - 3, count - 1))));
    });
}

void T__GeneralTreeView::ItemCollapsed(QTreeWidgetItem* Item) {
    if (quiet_ || destroying_) return;
    Guard([&] {
        TGeneralNode* node = GetNode(Item);
        if (!node) return;
        if (!node->GetCanExpand()) {
            link_->RemoveNodeEmpty(node);
            node->SetChildren(false);
        }
        if (!node->GetCanCollapse()) {
            SetExpandedQuietly(node->GetItemHandle(), true);
            return;
        }
        // A selection that is hidden now moves to the node first: freed one
        // by one, the children would hand it on to each later sibling.
        if (TGeneralNode* selected = GetSelection(); selected && selected != node && node->Contains(selected))
            SetSelection(node);
        node->Collapse();
    });
}

// ---- label editing -------------------------------------------------------------------------

bool T__GeneralTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger != AllEditTriggers && !(editTriggers() & trigger)) return QTreeWidget::edit(index, trigger, event);
    bool allowed = false;
    Guard([&] {
        TGeneralNode* node = GetNodeFromItem(index);
        allowed = node && !readOnly_ && !dragging_ && state() != DraggingState && node->CanEdit();
    });
    return allowed && QTreeWidget::edit(index, trigger, event);
}

void T__GeneralTreeView::EndLabelEdit(TGeneralNode* Node, const std::string& Text) {
    Guard([&] {
        if (!Text.empty() && Node->EndEdit(Text)) Node->SetText(Text);
    });
}

// ---- keys, mouse, menus ----------------------------------------------------------------------

void T__GeneralTreeView::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    Guard([&] {
        int key = event->key();
        const Qt::KeyboardModifiers mods = event->modifiers();
        const int shift = ShiftKeys(mods);
        const bool menuKey =
            (key == Qt::Key_F10 && shift == int(Qt::ShiftModifier)) || (key == Qt::Key_Menu && shift == 0);
        if (key == Qt::Key_F2 && shift == 0) {
            if (TGeneralNode* node = GetSelection()) node->EditLabel();
            handled = true;
        } else if (menuKey) {
            KeyboardMenu();
            handled = true;
        }
        if (TGeneralNode* node = GetSelection()) {
            node->KeyDown(key, mods);
            if (key == 0) handled = true;
        }
    });
    if (handled)
        event->accept();
    else
        QTreeWidget::keyPressEvent(event);
}

void T__GeneralTreeView::mousePressEvent(QMouseEvent* event) {
    dragEnded_ = false;  // Qt's drag loop may have taken that release
    // With DragMode manual a press on a node's label waits: a small move
    // drags that node, without selecting it; a release is a click after all.
    if (event->button() == Qt::LeftButton && dragMode_ == dmManual && !dragging_ && state() == NoState) {
        const QPoint at = event->position().toPoint();
        const QModelIndex index = indexAt(at);
        TGeneralNode* node = GetNodeFromItem(index);
        if (node && visualRect(index).contains(at)) {
            pressNode_ = node;
            pressAt_ = at;
            event->accept();
            return;
        }
    }
    pressNode_ = nullptr;
    QTreeWidget::mousePressEvent(event);
}

void T__GeneralTreeView::mouseReleaseEvent(QMouseEvent* event) {
    if (std::exchange(dragEnded_, false) && event->button() == Qt::LeftButton) {
        event->accept();  // the release that ended a drag started here
        return;
    }
    if (TGeneralNode* node = std::exchange(pressNode_, nullptr); node && event->button() == Qt::LeftButton)
        ReplayPress(event->modifiers());
    QTreeWidget::mouseReleaseEvent(event);
}

void T__GeneralTreeView::ReplayPress(Qt::KeyboardModifiers Modifiers) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pressAt_), viewport()->mapToGlobal(QPointF(pressAt_)),
                      Qt::LeftButton, Qt::LeftButton, Modifiers);
    QTreeWidget::mousePressEvent(&press);
}

void T__GeneralTreeView::mouseMoveEvent(QMouseEvent* event) {
    if (pressNode_) {
        if (!(event->buttons() & Qt::LeftButton)) {
            pressNode_ = nullptr;  // the release went elsewhere
        } else {
            if ((event->position().toPoint() - pressAt_).manhattanLength() < QApplication::startDragDistance()) {
                event->accept();
                return;
            }
            TGeneralNode* node = std::exchange(pressNode_, nullptr);
            QPointer<T__GeneralTreeView> alive(this);
            if (DragOut(node)) {
                if (alive) dragEnded_ = true;
                event->accept();
                return;
            }
            // The node refused: the press was an ordinary one after all.
            ReplayPress(event->modifiers());
        }
    }
    if (OnGetHint) {
        Guard([&] {
            TGeneralNode* node = GetNodeAt(event->position().toPoint().x(), event->position().toPoint().y());
            if (node == hintNode_) return;
            hintNode_ = node;
            if (node) OnGetHint(this, node->GetHint());
        });
    }
    QTreeWidget::mouseMoveEvent(event);
}

void T__GeneralTreeView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse)
        RightClickMenu(event->pos());
    else
        KeyboardMenu();
    event->accept();
}

void T__GeneralTreeView::RightClickMenu(const QPoint& At) {
    Guard([&] {
        TGeneralNode* node = dropHilite_;
        if (!node) node = GetNodeAt(At.x(), At.y());
        if (!node) node = GetSelection();
        if (node) DoRightMouseDown(node, At.x() - 3, At.y() - 3);
    });
}

void T__GeneralTreeView::KeyboardMenu() {
    Guard([&] {
        TGeneralNode* node = GetSelection();
        if (!node) return;
        QRect r;
        CoordAtNode(node, true, r);
        DoRightMouseDown(node, r.center().x(), r.center().y());
    });
}

void T__GeneralTreeView::DoRightMouseDown(TGeneralNode* Node, int X, int Y) {
    SetSelection(Node);
    if (QMenu* old = nodeMenu_) {
        // It may be the menu whose action runs now.
        old->hide();
        old->deleteLater();
    }
    nodeMenu_ = nullptr;
    menuNode_ = nullptr;
    QMenu* menu = GetNodeMenu(Node);
    if (!menu) return;
    nodeMenu_ = menu;
    menuNode_ = Node;
    menu->popup(viewport()->mapToGlobal(QPoint(X, Y)));
}

QMenu* T__GeneralTreeView::GetNodeMenu(TGeneralNode* Node) {
    std::unique_ptr<TMenuList> list = Node->GetLocalMenu();
    const int count = list ? list->GetCount() : 0;
    if (count == 0) return nullptr;
    auto* menu = new QMenu(this);
    std::vector<QAction*> made(size_t(count), nullptr);
    for (int i = 0; i < count; ++i) {
        const TMenuItemRec& r = *list->GetItems(i);
        QMenu* container = menu;
        if (r.Parent != -1) {
            if (r.Parent < 0 || r.Parent >= i) {
                delete menu;
                throw Exception("Menu item " + IntToStr(i) + " stands before its parent");
            }
            QAction* parent = made[size_t(r.Parent)];
            container = parent->menu();
            if (!container) {
                container = new QMenu(parent->text(), menu);
                parent->setMenu(container);
            }
        }
        const QString caption = QString::fromStdString(r.GetCaption());
        auto* a = new QAction(caption, container);
        a->setSeparator(caption == "-");
        a->setEnabled(r.Enabled != 0);
        if (const TNotifyEvent* proc = r.Proc())
            connect(a, &QAction::triggered, this, [this, a, handler = *proc] { Guard([&] { handler(a); }); });
        a->setProperty(kDefaultProperty, r.Default != 0);
        if (r.Default) {
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
        }
        a->setCheckable(r.Checked || r.RadioItem);
        a->setChecked(r.Checked != 0);
        a->setProperty(kGroupIndexProperty, int(r.GroupIndex & 0xFF));
        a->setProperty(kTagProperty, int(r.Tag));
        if (r.RadioItem) {
            const QString group = QStringLiteral("RadioGroup%1").arg(r.GroupIndex & 0xFF);
            auto* g = container->findChild<QActionGroup*>(group, Qt::FindDirectChildrenOnly);
            if (!g) {
                g = new QActionGroup(container);
                g->setObjectName(group);
            }
            g->addAction(a);
        }
        container->addAction(a);
        made[size_t(i)] = a;
    }
    return menu;
}

// ---- selection and views -------------------------------------------------------------------------

void T__GeneralTreeView::Change(TGeneralNode* Node) {
    if (Node && Node->Change() && OnChange) OnChange(this, Node);
    if (!panelControl_ || viewLock_) return;
    if (viewedNode_) EndCurrentView(true);
    if (Node && Node->GetCanView()) StartView(Node);
}

bool T__GeneralTreeView::BeginView(TGeneralNode* Node) {
    if (viewedNode_) return false;
    if (OnBeginView) OnBeginView(this);
    StartView(Node);
    return true;
}

void T__GeneralTreeView::StartView(TGeneralNode* Node) {
    viewLock_ = Node->DoBeginView();
    QWidget* parent = nullptr;
    QWidget* control = nullptr;
    Node->GetViewControls(parent, control);
    if (!control) {
        viewLock_ = false;
        throw Exception("Node " + Node->GetText() + " can be viewed but gives no control to show");
    }
    if (panelControl_) {
        control->setParent(panelControl_);
        if (QLayout* layout = panelControl_->layout())
            layout->addWidget(control);
        else
            control->setGeometry(panelControl_->rect());
        control->show();
    }
    viewedNode_ = Node;
    viewParent_ = parent;
    viewControl_ = control;
    if (OnViewing) OnViewing(this, Node);
    Node->Viewing();
}

void T__GeneralTreeView::EndCurrentView(bool CallNode) {
    TGeneralNode* node = viewedNode_;
    if (QWidget* control = viewControl_) {
        if (panelControl_ && panelControl_->layout()) panelControl_->layout()->removeWidget(control);
        if (viewParent_) {
            control->setParent(viewParent_);
            control->show();
        } else {
            control->hide();  // without a home the panel keeps it, so that Qt still frees it
        }
    }
    viewLock_ = false;
    viewedNode_ = nullptr;
    viewParent_ = nullptr;
    viewControl_ = nullptr;
    if (node && CallNode) node->DoEndView();
}

void T__GeneralTreeView::ForgetNodes(TGeneralNode* Node, bool Whole) {
    auto within = [Node](const TGeneralNode* n) { return n && Node->Contains(n); };
    if (within(dragOverNode_)) dragOverNode_ = nullptr;
    if (within(dragNode_)) {
        dragNode_ = nullptr;
        canDrag_ = false;
    }
    if (within(hintNode_)) hintNode_ = nullptr;
    if (within(scrollNode_)) scrollNode_ = nullptr;
    if (within(pressNode_)) pressNode_ = nullptr;
    if (within(dropHilite_)) SetdropHilight(nullptr);
    if (within(menuNode_)) {
        // Its actions call into the node; the menu goes with it.
        if (QMenu* menu = nodeMenu_) {
            menu->hide();
            menu->deleteLater();
        }
        nodeMenu_ = nullptr;
        menuNode_ = nullptr;
    }
    if (within(viewedNode_)) EndCurrentView(Whole);
}

// ---- drag and drop ----------------------------------------------------------------------------------

int T__GeneralTreeView::EdgeZone(int Y, int Height) {
    int top = EdgeTop;
    int bottom = EdgeBottom;
    // A short viewport keeps at least its middle half for dropping.
    if ((top + bottom) * 2 > Height) {
        top = std::max(Height, 0) * EdgeTop / (2 * (EdgeTop + EdgeBottom));
        bottom = std::max(Height, 0) * EdgeBottom / (2 * (EdgeTop + EdgeBottom));
    }
    if (Y < top) return -1;
    if (Y > Height - bottom) return 1;
    return 0;
}

TDragExec T__GeneralTreeView::SetDragExec(TDragExec Exec) {
    TDragExec previous = std::move(DragExecHook());
    DragExecHook() = std::move(Exec);
    return previous;
}

TDragSource T__GeneralTreeView::MakeDragSource(const QMimeData* Data, QObject* Source) const {
    TDragSource s;
    s.MimeData = Data;
    s.Control = Source;
    const TCurrentDrag& drag = CurrentDrag();
    if (drag.View && Data && Data->hasFormat(NodeDragMimeType)) {
        if (!s.Control) s.Control = drag.View.data();
        if (s.Control == drag.View.data()) s.DragObject = drag.Object;
    }
    if (auto* tree = dynamic_cast<T__GeneralTreeView*>(s.Control)) s.Node = tree->GetSourceNode();
    return s;
}

void T__GeneralTreeView::DragOver(const TDragSource& Source, int X, int Y, TDragState State, bool& Accept) {
    Accept = bool(OnDragOver);
    if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
    if (State != dsDragLeave) {
        if (const int zone = EdgeZone(Y, viewport()->height())) {
            scrollUp_ = zone < 0;
            if (!scrollTimer_)
                scrollTimer_ = NewTimer(ScrollIntervalMs, [this] { ScrollTimerFired(); });
            else
                scrollTimer_->SetEnabled(true);
            dragX_ = X;
            dragY_ = Y;
            return;
        }
    }
    scrollTimer_.reset();
    if (State == dsDragEnter) dragOverNode_ = nullptr;
    TGeneralNode* node = GetNodeAt(X, Y);
    if (State == dsDragLeave) SetdropHilight(nullptr);
    std::string text;
    if (!node) {
        if (dragOverNode_) dragOverNode_->DoDragOver(Source, dsDragLeave, text);
        return;
    }
    bool entered = false;
    if (dragOverNode_ && dragOverNode_ != node) {
        dragOverNode_->DoDragOver(Source, dsDragLeave, text);
        if (State == dsDragLeave) return;
        Accept = node->DoDragOver(Source, dsDragEnter, text);
        dragOverNode_ = node;
        entered = true;
    }
    if (!(entered && State == dsDragEnter)) {
        Accept = node->DoDragOver(Source, State, text);
        dragOverNode_ = node;
    }
    if (Accept && (node != dropHilite_ || State == dsDragLeave)) SetdropHilight(State == dsDragLeave ? nullptr : node);
}

void T__GeneralTreeView::ScrollTimerFired() {
    Guard([&] {
        TGeneralNode* node = GetNodeAt(dragX_, dragY_);
        if (!node) return;
        QTreeWidgetItem* parentItem = node->GetItemHandle()->parent();
        TGeneralNode* target = nullptr;
        if (scrollUp_) {
            target = GetPrevSibling(node);
            if (!target) target = GetNode(parentItem);
        } else {
            target = GetNextSibling(node);
            if (!target && parentItem) target = GetNextSibling(GetNode(parentItem));
        }
        EnsureVisible(target ? target : node);
        viewport()->update();
    });
}

void T__GeneralTreeView::HandleDragEvent(QDropEvent* Event, TDragState State) {
    dragSourceControl_ = Event->source();
    dragSourceData_ = Event->mimeData();
    const QPoint at = Event->position().toPoint();
    dragPoint_ = at;
    bool accept = false;
    Guard([&] { DragOver(MakeDragSource(Event->mimeData(), Event->source()), at.x(), at.y(), State, accept); });
    if (accept) {
        Event->acceptProposedAction();
    } else if (State == dsDragEnter) {
        Event->accept();  // Qt sends the moves only to a widget that took the entry
        Event->setDropAction(Qt::IgnoreAction);
    } else {
        Event->ignore();
    }
}

void T__GeneralTreeView::dragEnterEvent(QDragEnterEvent* event) { HandleDragEvent(event, dsDragEnter); }

void T__GeneralTreeView::dragMoveEvent(QDragMoveEvent* event) { HandleDragEvent(event, dsDragMove); }

void T__GeneralTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
    bool accept = false;
    Guard([&] {
        DragOver(MakeDragSource(dragSourceData_, dragSourceControl_), dragPoint_.x(), dragPoint_.y(), dsDragLeave,
                 accept);
    });
    event->accept();
}

void T__GeneralTreeView::dropEvent(QDropEvent* event) {
    const QPoint at = event->position().toPoint();
    Guard([&] {
        const TDragSource source = MakeDragSource(event->mimeData(), event->source());
        scrollTimer_.reset();
        // The drag is over: the node under it stops its hover timer.
        if (TGeneralNode* over = dragOverNode_) {
            dragOverNode_ = nullptr;
            std::string text;
            over->DoDragOver(source, dsDragLeave, text);
        }
        DragDrop(source, at.x(), at.y());
        // The end of the drag for this view: a drop onto a highlighted node.
        if (TGeneralNode* target = dropHilite_) {
            if (TGeneralNode* selected = GetSelection()) selected->EndDrag();
            if (dropHilite_ == target) SetSelection(target);
            SetdropHilight(nullptr);
        }
    });
    event->acceptProposedAction();
}

void T__GeneralTreeView::DragDrop(const TDragSource& Source, int X, int Y) {
    TGeneralNode* node = GetNodeAt(X, Y);
    if (!node) {
        if (OnDragDrop) OnDragDrop(this, Source, X, Y);
        return;
    }
    const QPoint screen = viewport()->mapToGlobal(QPoint(X, Y));
    node->DragDrop(Source, screen.x(), screen.y());
    if (TGeneralNode* at = GetNodeAt(X, Y)) SetSelection(at);
}

void T__GeneralTreeView::startDrag(Qt::DropActions /*supportedActions*/) { BeginDrag(); }

void T__GeneralTreeView::BeginDrag() { DragOut(GetSelection()); }

bool T__GeneralTreeView::DragOut(TGeneralNode* Node) {
    if (dragging_) return false;
    std::unique_ptr<TCustomDragObject> object;
    QPixmap image;
    bool go = false;
    dragImage_ = QPixmap();
    Guard([&] {
        dragNode_ = Node;
        canDrag_ = dragNode_ && dragNode_->GetItemHandle() && dragNode_->CanDrag();
        if (!canDrag_) return;
        image = viewport()->grab(visualItemRect(dragNode_->GetItemHandle()));
        dragImage_ = image;
        dragNode_->StartDrag(object);
        if (object && !image.isNull()) {
            object->DragImage = image;
            object->HotSpot = QPoint(10, 0);
        }
        go = true;
    });
    if (!go) {
        dragNode_ = nullptr;
        return false;
    }
    QPointer<T__GeneralTreeView> alive(this);
    QPointer<QDrag> drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(NodeDragMimeType, QByteArray());
    drag->setMimeData(data);
    if (!image.isNull()) {
        drag->setPixmap(image);
        drag->setHotSpot(QPoint(10, 0));
    }
    CurrentDrag() = TCurrentDrag{this, object.get()};
    dragging_ = true;
    Qt::DropAction action = Qt::IgnoreAction;
    CallReporting([&] {
        const TDragExec& exec = DragExecHook();
        action = exec ? exec(*drag) : drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    });
    CurrentDrag() = TCurrentDrag{};
    if (drag) drag->deleteLater();
    if (!alive) return true;
    dragging_ = false;
    dragNode_ = nullptr;
    canDrag_ = false;
    if (action == Qt::IgnoreAction) {
        // Cancelled: the highlight goes, the selection stays.
        Guard([&] {
            SetdropHilight(nullptr);
            SetSelection(GetSelection());
        });
    }
    return true;
}

void T__GeneralTreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    if (showButtons_) QTreeWidget::drawBranches(painter, rect, index);
}

// ---- palette -----------------------------------------------------------------------------------------

void RegisterGeneralTreeView() {
    ComponentPalette().RegisterComponent("Ombra", "T__GeneralTreeView",
                                         [] { return std::make_unique<T__GeneralTreeView>(); });
}

}  // namespace velt

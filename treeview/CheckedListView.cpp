#include "treeview/CheckedListView.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "platform/ui/ExceptionReporter.h"

static void InitTreeviewArt() { Q_INIT_RESOURCE(TreeviewArt); }

namespace velt {

namespace {

constexpr int kStateRole = Qt::UserRole + 77;
constexpr int kImageRole = Qt::UserRole + 78;
constexpr int kStateWidth = 16;
// A press left of this toggles the row's mark.
constexpr int kCheckArea = 24;

}  // namespace

// Sorts through OnCompare when it is set.
class TCheckedItem : public QTreeWidgetItem {
public:
    explicit TCheckedItem(TCheckedListView* view) : view_(view) {}
    bool operator<(const QTreeWidgetItem& other) const override {
        if (view_ && view_->OnCompare) {
            int result = 0;
            CallReporting([&] { view_->OnCompare(view_, const_cast<TCheckedItem*>(this),
                                                 const_cast<QTreeWidgetItem*>(&other), 0, result); });
            return result < 0;
        }
        return QTreeWidgetItem::operator<(other);
    }

private:
    TCheckedListView* view_;
};

// The state image in its place before the first column's icon and text.
class TStateDelegate : public QStyledItemDelegate {
public:
    explicit TStateDelegate(TCheckedListView* view) : QStyledItemDelegate(view), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        if (index.column() == 0) {
            const QVariant state = index.data(kStateRole);
            const int s = state.isValid() ? state.toInt() : -1;
            const QPixmap image = view_->stateImages_.GetImage(s);
            if (!image.isNull()) {
                const int top = option.rect.top() + (option.rect.height() - image.height()) / 2;
                painter->drawPixmap(option.rect.left(), top, image);
            }
            opt.rect.setLeft(option.rect.left() + kStateWidth);
        }
        QStyledItemDelegate::paint(painter, opt, index);
        if (view_->gridLines_) {
            painter->save();
            painter->setPen(ColorToQColor(clBtnFace));
            painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->restore();
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (index.column() == 0) size.rwidth() += kStateWidth;
        size.setHeight(std::max(size.height(), kStateWidth + 2));
        return size;
    }

private:
    TCheckedListView* view_;
};

TCheckedListView::TCheckedListView(QWidget* parent) : QTreeWidget(parent) {
    InitTreeviewArt();
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setItemDelegate(new TStateDelegate(this));
    setHeaderLabels({QString()});
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    checkedBitmap_.Assign(QImage(QStringLiteral(":/velt/CHECKED")));
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        CallReporting([&] {
            if (item == editing_ && column == 0) {
                editing_ = nullptr;
                if (OnEdited) {
                    std::string s = item->text(0).toStdString();
                    OnEdited(this, item, s);
                    if (s != item->text(0).toStdString()) item->setText(0, QString::fromStdString(s));
                }
            }
            if (OnChange) OnChange(this, item, ctText);
        });
    });
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (columnClick_ && OnColumnClick) CallReporting([&] { OnColumnClick(this, column); });
    });
    SetHideSelection(true);
    resize(250, 150);
}

TCheckedListView::~TCheckedListView() {
    if (smallImages_) smallImages_->UnRegisterChanges(smallImagesObserver_);
}

std::unique_ptr<TCheckedListView> TCheckedListView::Create(QWidget* parent) {
    auto view = std::make_unique<TCheckedListView>(parent);
    view->Loaded();
    return view;
}

void TCheckedListView::Loaded() {
    viewStyle_ = vsReport;
    loaded_ = true;
    RenewStateImages();
}

void TCheckedListView::RenewStateImages() {
    stateImages_.Clear();
    if (!checkedBitmap_.Empty()) stateImages_.AddMasked(checkedBitmap_.Image(), checkedBitmap_.TransparentColor());
    viewport()->update();
}

int TCheckedListView::StateIndex(const TListItem* item) {
    if (!item) return -1;
    const QVariant v = item->data(0, kStateRole);
    return v.isValid() ? v.toInt() : -1;
}

void TCheckedListView::SetStateIndex(TListItem* item, int index) {
    if (!item || StateIndex(item) == index) return;
    {
        const QSignalBlocker block(this);  // a mark is no text change
        item->setData(0, kStateRole, index);
    }
    if (OnChange) OnChange(this, item, ctState);
}

TListItem* TCheckedListView::NewItem() {
    auto* item = new TCheckedItem(this);
    if (!readOnly_) item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (dragMode_ == dmAutomatic) item->setFlags(item->flags() | Qt::ItemIsDragEnabled);
    {
        const QSignalBlocker block(this);
        item->setData(0, kStateRole, -1);
        addTopLevelItem(item);
    }
    if (OnInsert) OnInsert(this, item);
    return item;
}

int TCheckedListView::Add(bool Checked) {
    TListItem* item = NewItem();
    SetStateIndex(item, Checked ? 0 : -1);
    return indexOfTopLevelItem(item);
}

bool TCheckedListView::GetChecked(int Index) const {
    if (Index < 0 || Index >= topLevelItemCount()) return false;
    return StateIndex(topLevelItem(Index)) == 0;
}

void TCheckedListView::SetChecked(int Index, bool Value) {
    if (Index < 0) return;
    // A handler's error is reported and the marking goes on.
    while (topLevelItemCount() <= Index) CallReporting([this] { NewItem(); });
    CallReporting([&] { SetStateIndex(topLevelItem(Index), Value ? 0 : -1); });
}

void TCheckedListView::SetCheckedBitmap(const TBitmap* Bitmap) {
    if (!Bitmap) return;
    checkedBitmap_ = *Bitmap;
    // Once loaded the new mark shows at once.
    if (loaded_) RenewStateImages();
}

void TCheckedListView::DeleteItem(int Index) {
    QTreeWidgetItem* item = topLevelItem(Index);
    if (!item) throw EStringListError("List index out of bounds (" + IntToStr(Index) + ")");
    if (OnDeletion) OnDeletion(this, item);
    if (item == editing_) editing_ = nullptr;
    delete takeTopLevelItem(Index);
}

int TCheckedListView::ImageIndex(const TListItem* item) {
    if (!item) return -1;
    const QVariant v = item->data(0, kImageRole);
    return v.isValid() ? v.toInt() : -1;
}

void TCheckedListView::SetImageIndex(TListItem* item, int index) {
    if (!item) return;
    const QSignalBlocker block(this);
    item->setData(0, kImageRole, index);
    const QPixmap image = smallImages_ ? smallImages_->GetImage(index) : QPixmap();
    item->setIcon(0, image.isNull() ? QIcon() : QIcon(image));
}

void TCheckedListView::RefreshIcons() {
    for (int i = 0; i < topLevelItemCount(); ++i) SetImageIndex(topLevelItem(i), ImageIndex(topLevelItem(i)));
}

void TCheckedListView::SetSmallImages(TImageList* images) {
    if (smallImages_) smallImages_->UnRegisterChanges(smallImagesObserver_);
    smallImages_ = images;
    smallImagesObserver_ = images ? images->RegisterChanges([this] { RefreshIcons(); }) : 0;
    if (images) setIconSize(QSize(images->GetWidth(), images->GetHeight()));
    RefreshIcons();
}

void TCheckedListView::SetPopupMenu(QMenu* menu) {
    popupMenu_ = menu;
    setContextMenuPolicy(menu ? Qt::CustomContextMenu : Qt::DefaultContextMenu);
    disconnect(this, &QWidget::customContextMenuRequested, nullptr, nullptr);
    if (menu)
        connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
            if (popupMenu_) popupMenu_->popup(viewport()->mapToGlobal(at));
        });
}

void TCheckedListView::SetBorderStyle(TBorderStyle value) {
    if (value > bsSingle) return;
    borderStyle_ = value;
    setFrameShape(value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}

void TCheckedListView::ApplyColor() {
    QPalette p = palette();
    p.setColor(QPalette::Base, ColorToQColor(parentColor_ && parentWidget() ? ControlColor(parentWidget()) : color_));
    if (hideSelection_) {
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Inactive, QPalette::Base));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Inactive, QPalette::Text));
    } else {
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    }
    setPalette(p);
}

void TCheckedListView::SetColor(TColor value) {
    color_ = value;
    parentColor_ = false;
    ApplyColor();
}

void TCheckedListView::SetParentColor(bool value) {
    parentColor_ = value;
    ApplyColor();
}

void TCheckedListView::SetHideSelection(bool value) {
    hideSelection_ = value;
    ApplyColor();
}

void TCheckedListView::SetColumnClick(bool value) {
    columnClick_ = value;
    header()->setSectionsClickable(value);
}

QStringList TCheckedListView::GetColumns() const {
    QStringList captions;
    for (int i = 0; i < columnCount(); ++i) captions.append(headerItem()->text(i));
    return captions;
}

void TCheckedListView::SetColumns(const QStringList& captions) {
    setColumnCount(std::max<int>(1, int(captions.size())));
    setHeaderLabels(captions.isEmpty() ? QStringList{QString()} : captions);
}

void TCheckedListView::SetDragMode(TDragMode value) {
    if (value > dmAutomatic) return;
    dragMode_ = value;
    setDragEnabled(value == dmAutomatic);
    setAcceptDrops(true);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        item->setFlags(value == dmAutomatic ? item->flags() | Qt::ItemIsDragEnabled
                                            : item->flags() & ~Qt::ItemIsDragEnabled);
    }
}

void TCheckedListView::SetReadOnly(bool value) {
    readOnly_ = value;
    const QSignalBlocker block(this);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        item->setFlags(value ? item->flags() & ~Qt::ItemIsEditable : item->flags() | Qt::ItemIsEditable);
    }
}

void TCheckedListView::SetGridLines(bool value) {
    gridLines_ = value;
    viewport()->update();
}

void TCheckedListView::SetHotTrack(bool value) {
    hotTrack_ = value;
    setMouseTracking(value);
    viewport()->setAttribute(Qt::WA_Hover, value);
}

QStringList TCheckedListView::GetItemsQ() const {
    QStringList captions;
    for (int i = 0; i < topLevelItemCount(); ++i) captions.append(topLevelItem(i)->text(0));
    return captions;
}

void TCheckedListView::SetItemsQ(const QStringList& captions) {
    while (topLevelItemCount() > 0) DeleteItem(topLevelItemCount() - 1);
    for (const QString& c : captions) {
        TListItem* item = NewItem();
        const QSignalBlocker block(this);
        item->setText(0, c);
    }
}

void TCheckedListView::SetMultiSelect(bool value) {
    multiSelect_ = value;
    setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TCheckedListView::SetRowSelect(bool value) {
    rowSelect_ = value;
    setSelectionBehavior(value ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void TCheckedListView::SetSortType(TSortType value) {
    if (value > stBoth) return;
    sortType_ = value;
    setSortingEnabled(value != stNone);
    if (value != stNone) sortByColumn(0, Qt::AscendingOrder);
}

void TCheckedListView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    pressInMark_ = at.x() < kCheckArea;
    QTreeWidget::mousePressEvent(event);
    MouseDown(event);
}

void TCheckedListView::MouseDown(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    CallReporting([&] {
        if (OnMouseDown) OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
        if (at.x() < kCheckArea)
            if (QTreeWidgetItem* item = itemAt(at.x() + kCheckArea, at.y()))
                SetStateIndex(item, StateIndex(item) == 0 ? -1 : 0);
    });
}

void TCheckedListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    const QPoint at = event->position().toPoint();
    CallReporting([&] {
        if (OnMouseUp) OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
        if (event->button() == Qt::LeftButton && OnClick) OnClick(this);
    });
}

void TCheckedListView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    pressInMark_ = at.x() < kCheckArea;
    QTreeWidget::mouseDoubleClickEvent(event);
    if (OnDblClick) CallReporting([&] { OnDblClick(this); });
    // The second press of a double click is a press too: it toggles again.
    MouseDown(event);
}

void TCheckedListView::mouseMoveEvent(QMouseEvent* event) {
    QTreeWidget::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    if (OnMouseMove) CallReporting([&] { OnMouseMove(this, event->modifiers(), at.x(), at.y()); });
}

void TCheckedListView::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    std::string text = event->text().toStdString();
    CallReporting([&] {
        if (OnKeyDown) OnKeyDown(this, key, event->modifiers());
        if (key != 0 && !text.empty() && OnKeyPress) OnKeyPress(this, text);
    });
    // A handler that sets the key to 0 keeps it from the view.
    if (key == 0 || (event->key() != 0 && !event->text().isEmpty() && text.empty())) {
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void TCheckedListView::keyReleaseEvent(QKeyEvent* event) {
    QTreeWidget::keyReleaseEvent(event);
    int key = event->key();
    if (OnKeyUp) CallReporting([&] { OnKeyUp(this, key, event->modifiers()); });
}

void TCheckedListView::dragEnterEvent(QDragEnterEvent* event) {
    QTreeWidget::dragEnterEvent(event);
    if (OnDragOver) event->acceptProposedAction();
}

void TCheckedListView::dragMoveEvent(QDragMoveEvent* event) {
    QTreeWidget::dragMoveEvent(event);
    if (!OnDragOver) return;
    bool accept = false;
    const QPoint at = event->position().toPoint();
    CallReporting([&] { OnDragOver(this, event->source(), at.x(), at.y(), accept); });
    if (accept) event->acceptProposedAction();
    else event->ignore();
}

void TCheckedListView::dropEvent(QDropEvent* event) {
    if (!OnDragDrop) {
        QTreeWidget::dropEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    CallReporting([&] { OnDragDrop(this, event->source(), at.x(), at.y()); });
    event->acceptProposedAction();
}

void TCheckedListView::startDrag(Qt::DropActions actions) {
    if (OnStartDrag) CallReporting([&] { OnStartDrag(this); });
    QTreeWidget::startDrag(actions);
    if (OnEndDrag) CallReporting([&] { OnEndDrag(this); });
}

bool TCheckedListView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger == SelectedClicked || trigger == EditKeyPressed || trigger == AllEditTriggers) {
        // A click on the mark toggles it; it does not open the label.
        if (readOnly_ || (trigger == SelectedClicked && pressInMark_) || index.column() != 0) return false;
        QTreeWidgetItem* item = itemFromIndex(index);
        bool allow = true;
        if (OnEditing) CallReporting([&] { OnEditing(this, item, allow); });
        if (!allow) return false;
        if (!QTreeWidget::edit(index, trigger, event)) return false;
        editing_ = item;
        return true;
    }
    return QTreeWidget::edit(index, trigger, event);
}

}  // namespace velt

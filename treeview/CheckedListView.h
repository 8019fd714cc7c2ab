#pragma once
// A list view in report form whose items carry a check mark: the state
// image (0 checked, -1 unchecked) is drawn in a 16-pixel place before the
// first column's icon and text, and a click in the first 24 pixels of a
// row toggles it. The mark comes from the artwork "CHECKED" or from
// CheckedBitmap.
//
// AllocBy, IconOptions, LargeImages, Ctl3D and the icon and list view
// styles are kept without effect: the view always shows its report.

#include <QPointer>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Controls.h"
#include "platform/ui/Graphic.h"
#include "treeview/ImageList.h"

#include <QMenu>

namespace velt {
namespace listviews {
Q_NAMESPACE

enum TViewStyle : uint8_t { vsIcon, vsSmallIcon, vsList, vsReport };
Q_ENUM_NS(TViewStyle)
enum TSortType : uint8_t { stNone, stData, stText, stBoth };
Q_ENUM_NS(TSortType)
enum TDragMode : uint8_t { dmManual, dmAutomatic };
Q_ENUM_NS(TDragMode)
enum TItemChange : uint8_t { ctText, ctImage, ctState };
Q_ENUM_NS(TItemChange)

}  // namespace listviews

using listviews::TViewStyle;
using listviews::vsIcon;
using listviews::vsSmallIcon;
using listviews::vsList;
using listviews::vsReport;
using listviews::TSortType;
using listviews::stNone;
using listviews::stData;
using listviews::stText;
using listviews::stBoth;
using listviews::TDragMode;
using listviews::dmManual;
using listviews::dmAutomatic;
using listviews::TItemChange;
using listviews::ctText;
using listviews::ctImage;
using listviews::ctState;

using TListItem = QTreeWidgetItem;
using TLVNotifyEvent = std::function<void(QObject* Sender, TListItem* Item)>;
using TLVChangeEvent = std::function<void(QObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVColumnClickEvent = std::function<void(QObject* Sender, int Column)>;
using TLVCompareEvent = std::function<void(QObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;
using TLVEditingEvent = std::function<void(QObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(QObject* Sender, TListItem* Item, std::string& S)>;
using TMouseEvent = std::function<void(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;
using TKeyEvent = std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
using TKeyPressEvent = std::function<void(QObject* Sender, std::string& Key)>;
using TDragDropEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y)>;
using TDragOverEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y, bool& Accept)>;

class TCheckedListView : public QTreeWidget {
    Q_OBJECT
    Q_PROPERTY(velt::controls::TAlign Align READ GetAlign WRITE SetAlign)
    Q_PROPERTY(velt::controls::TBorderStyle BorderStyle READ GetBorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int Color READ GetColor WRITE SetColor)
    Q_PROPERTY(bool ColumnClick READ GetColumnClick WRITE SetColumnClick)
    Q_PROPERTY(QStringList Columns READ GetColumns WRITE SetColumns)
    Q_PROPERTY(bool Ctl3D READ GetCtl3D WRITE SetCtl3D)
    Q_PROPERTY(velt::listviews::TDragMode DragMode READ GetDragMode WRITE SetDragMode)
    Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool GridLines READ GetGridLines WRITE SetGridLines)
    Q_PROPERTY(bool HideSelection READ GetHideSelection WRITE SetHideSelection)
    Q_PROPERTY(bool HotTrack READ GetHotTrack WRITE SetHotTrack)
    Q_PROPERTY(QStringList Items READ GetItemsQ WRITE SetItemsQ)
    Q_PROPERTY(int AllocBy READ GetAllocBy WRITE SetAllocBy)
    Q_PROPERTY(bool MultiSelect READ GetMultiSelect WRITE SetMultiSelect)
    Q_PROPERTY(bool RowSelect READ GetRowSelect WRITE SetRowSelect)
    Q_PROPERTY(bool ShowColumnHeaders READ GetShowColumnHeaders WRITE SetShowColumnHeaders)
    Q_PROPERTY(velt::listviews::TSortType SortType READ GetSortType WRITE SetSortType)
    Q_PROPERTY(int TabOrder READ GetTabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ GetTabStop WRITE SetTabStop)
    Q_PROPERTY(velt::listviews::TViewStyle ViewStyle READ GetViewStyle WRITE SetViewStyle)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool ParentColor READ GetParentColor WRITE SetParentColor)
    Q_PROPERTY(bool ParentShowHint READ GetParentShowHint WRITE SetParentShowHint)
    Q_PROPERTY(bool ShowHint READ GetShowHint WRITE SetShowHint)

public:
    explicit TCheckedListView(QWidget* parent = nullptr);
    ~TCheckedListView() override;
    // The view with its mark loaded and Loaded run.
    static std::unique_ptr<TCheckedListView> Create(QWidget* parent = nullptr);

    // The state images become the mark cut into 16 x 16 images, its
    // bottom-left colour transparent; the view shows its report.
    virtual void Loaded();

    // Appends an item (checked or not); its index.
    int Add(bool Checked);
    // False outside the list.
    bool GetChecked(int Index) const;
    // Unchecked items are appended up to Index first; a negative index
    // does nothing. What OnInsert or OnChange raise is reported, and the
    // marking goes on.
    void SetChecked(int Index, bool Value);
    // A copy of a non-null bitmap becomes the mark (and the state images,
    // once loaded).
    void SetCheckedBitmap(const TBitmap* Bitmap);
    const TBitmap& GetCheckedBitmap() const { return checkedBitmap_; }
    TImageList& StateImages() { return stateImages_; }
    // -1 for none; a state image index of the item.
    static int StateIndex(const TListItem* item);
    void SetStateIndex(TListItem* item, int index);

    // The item's icon in SmallImages; -1 for none.
    static int ImageIndex(const TListItem* item);
    void SetImageIndex(TListItem* item, int index);
    // The images of the first column's icons (not owned), or null.
    TImageList* GetSmallImages() const { return smallImages_; }
    void SetSmallImages(TImageList* images);
    QMenu* GetPopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu);

    TAlign GetAlign() const { return velt::GetAlign(this); }
    // The enumeration setters ignore values outside their enumeration.
    void SetAlign(TAlign value) {
        if (value <= TAlign::alClient) StoreAlign(this, value);
    }
    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    bool GetColumnClick() const { return columnClick_; }
    void SetColumnClick(bool value);
    QStringList GetColumns() const;
    void SetColumns(const QStringList& captions);
    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool value) { ctl3D_ = value; }
    TDragMode GetDragMode() const { return dragMode_; }
    void SetDragMode(TDragMode value);
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool GetGridLines() const { return gridLines_; }
    void SetGridLines(bool value);
    bool GetHideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    bool GetHotTrack() const { return hotTrack_; }
    void SetHotTrack(bool value);
    // The captions of the items' first column.
    QStringList GetItemsQ() const;
    void SetItemsQ(const QStringList& captions);
    int GetAllocBy() const { return allocBy_; }
    void SetAllocBy(int value) { allocBy_ = std::max(0, value); }
    bool GetMultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool GetRowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value);
    bool GetShowColumnHeaders() const { return !isHeaderHidden(); }
    void SetShowColumnHeaders(bool value) { setHeaderHidden(!value); }
    TSortType GetSortType() const { return sortType_; }
    void SetSortType(TSortType value);
    int GetTabOrder() const { return tabOrder_; }
    void SetTabOrder(int value) { tabOrder_ = std::max(-1, value); }
    bool GetTabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool value) { setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus); }
    TViewStyle GetViewStyle() const { return viewStyle_; }
    void SetViewStyle(TViewStyle value) {
        if (value <= vsReport) viewStyle_ = value;
    }
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool v) { showHint_ = v; }
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool v) { parentShowHint_ = v; }
    TFont& Font() { return font_; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TLVChangeEvent OnChange;
    TLVColumnClickEvent OnColumnClick;
    TLVCompareEvent OnCompare;
    TLVNotifyEvent OnDeletion;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;
    TLVNotifyEvent OnInsert;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TNotifyEvent OnStartDrag;
    TNotifyEvent OnEndDrag;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // Deletes the item (OnDeletion first).
    void DeleteItem(int Index);

protected:
    // Every press, the second of a double click too: OnMouseDown, then a
    // press left of x 24 toggles the row's mark.
    void MouseDown(QMouseEvent* event);
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions actions) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    friend class TCheckedItem;
    friend class TStateDelegate;
    void RenewStateImages();
    // Every item's icon from SmallImages again.
    void RefreshIcons();
    void ApplyColor();
    TListItem* NewItem();

    TImageList stateImages_{16, 16};
    TBitmap checkedBitmap_;
    QPointer<TImageList> smallImages_;
    int smallImagesObserver_ = 0;
    QPointer<QMenu> popupMenu_;
    TFont font_;
    TBorderStyle borderStyle_ = bsSingle;
    TColor color_ = clWindow;
    bool parentColor_ = false;
    bool columnClick_ = true;
    bool ctl3D_ = true;
    TDragMode dragMode_ = dmManual;
    bool readOnly_ = false;
    bool gridLines_ = false;
    bool hideSelection_ = true;
    bool hotTrack_ = false;
    int allocBy_ = 0;
    bool multiSelect_ = false;
    bool rowSelect_ = false;
    TSortType sortType_ = stNone;
    int tabOrder_ = -1;
    TViewStyle viewStyle_ = vsIcon;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    bool loaded_ = false;
    bool pressInMark_ = false;
    TListItem* editing_ = nullptr;
};

}  // namespace velt

#pragma once
// Drop-down pickers of drawing attributes: a palette colour, a pen style, a
// brush style, a pen width, a line-end pointer or a line marker. The picker
// shows its current item as a drawn sample; the arrow at its right edge (or a
// press anywhere on it) opens a borderless popup grid of samples with a hint
// line under it.
//
// Pickers are made by Create, which runs Loaded (and so ReBuild) once the
// object is whole; a picker read from a form runs BeginLoading, takes its
// properties, then Loaded. The popup is the picker's own top-level window; it
// never takes the keyboard focus: the picker keeps it and hands the keys to
// the grid while the popup is shown.

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Canvas.h"
#include "platform/ui/Colors.h"
#include "platform/ui/Font.h"
#include "platform/ui/GdiTypes.h"
#include "treeview/MenuList.h"

class QObject;

namespace velt {

class TCustomPanel;

enum TSelectKind : uint8_t { skColor, skPenStyle, skBrushStyle, skPenWidth, skPtrBegin, skPtrEnd, skLineMarker, skCustom };

enum TGraphSelectOpt : uint8_t { soHint, soBtnNone, soResize, soUsePalette };
// Set of TGraphSelectOpt, one bit per ordinal.
using TGraphSelectOpts = uint8_t;
constexpr TGraphSelectOpts OptBit(TGraphSelectOpt o) { return TGraphSelectOpts(1u << unsigned(o)); }

enum TOwnerDrawStateItem : uint8_t { odSelected, odGrayed, odDisabled, odChecked, odFocused };
// Set of TOwnerDrawStateItem, one bit per ordinal.
using TOwnerDrawState = uint8_t;
constexpr TOwnerDrawState OdBit(TOwnerDrawStateItem s) { return TOwnerDrawState(1u << unsigned(s)); }


using TItemHintEvent = std::function<void(QObject* Sender, int32_t Index, std::string& AHint)>;
using TItemDrawEvent = std::function<void(QObject* Sender, TCanvas& dc, int32_t Index, TRect R, TOwnerDrawState State)>;

// Bounds of a picker's stored sizes, far above real use, so that a form
// file cannot make the popup's tables huge: columns, rows (one item a row
// at most), items, and a cell's width or height in pixels.
inline constexpr int32_t kMaxPickerCols = 4096;
inline constexpr int32_t kMaxPickerRows = 65536;
inline constexpr int32_t kMaxPickerItems = 65536;
inline constexpr int32_t kMaxPickerCell = 4096;

// The texts a picker shows for "no value" and for pen widths.
inline constexpr char kNoneText[] = "Нема";

class TCustomGraphSelect;

// The arrow at the picker's right edge. Pressing it focuses the picker and
// opens the popup; the picker hands its own presses to it.
class TComboButton : public QWidget {
    Q_OBJECT
public:
    explicit TComboButton(TCustomGraphSelect* owner);
    TCustomGraphSelect* Owner() const { return owner_; }
    bool Flat() const { return flat_; }
    void SetFlat(bool flat);
    bool Down() const { return down_; }
    void SetDown(bool down);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TCustomGraphSelect* owner_;
    bool flat_ = false;
    bool down_ = false;
};

// The popup: a grid of ColCount x RowCount cells of DefaultColWidth x
// DefaultRowHeight pixels (a row may have its own height), one-pixel grid
// lines after every cell, a one-pixel frame, and the hint panel along the
// bottom. Cell (Col, Row) stands for item Col + Row x ColCount.
class TPopupGrid : public QWidget {
    Q_OBJECT
public:
    explicit TPopupGrid(TCustomGraphSelect* owner);
    ~TPopupGrid() override;
    TCustomGraphSelect* Owner() const { return owner_; }

    int32_t ColCount() const { return colCount_; }
    int32_t RowCount() const { return rowCount_; }
    // Both at least 1; the current cell and the first row shown stay inside.
    void SetGridSize(int32_t cols, int32_t rows);
    int32_t DefaultColWidth() const { return colWidth_; }
    int32_t DefaultRowHeight() const { return rowHeight_; }
    void SetDefaultColWidth(int32_t w);
    // Every row takes the height again.
    void SetDefaultRowHeight(int32_t h);
    int32_t RowHeight(int32_t row) const;
    void SetRowHeight(int32_t row, int32_t h);
    static constexpr int32_t GridLineWidth = 1;

    int32_t Col() const { return col_; }
    int32_t Row() const { return row_; }
    // Makes (col, row) the current cell when it lies in the grid and
    // SelectCell allows it; the first row shown follows it. Answers whether
    // it moved there (or was there).
    bool FocusCell(int32_t col, int32_t row);
    int32_t TopRow() const { return topRow_; }
    void SetTopRow(int32_t row);
    // Rows that fit wholly above the hint panel from TopRow on (at least 1).
    int32_t VisibleRows() const;

    // Suppresses the picker's side effects of a selection while the picker
    // places the current cell.
    bool Setting = false;
    // The last row is the none row (the picker offers "no value").
    bool NoneRow = false;
    bool IsNoneRow(int32_t row) const { return NoneRow && row == rowCount_ - 1; }
    TColor Color = clWindow;
    TFont Font;

    TCustomPanel* HintPanel() const { return hint_; }
    // The area the cells take, inside the frame and above the hint panel.
    TRect GridRect() const;
    // The rectangle of a cell in the popup's coordinates (empty when the row
    // is not shown).
    TRect CellRect(int32_t col, int32_t row) const;
    // The cell under a point of the popup; false outside the cells.
    bool MouseToCell(const QPoint& p, int32_t& col, int32_t& row) const;

    // The grid's own key rules: arrows, Home, End, Page Up, Page Down.
    // Answers whether the key was one of them.
    bool KeyDown(int key);
    // The left button on the grid (the picker hands its drag over here).
    void GridMouseDown(const QPoint& p);
    void GridMouseMove(const QPoint& p);
    void GridMouseUp(const QPoint& p);
    bool Tracking() const { return tracking_; }

    // The cell's drawing: the grid's own (highlight for the current cell),
    // then the picker's sample, a cross for a cell beyond the items, or the
    // none row across the grid.
    virtual void DrawCell(TCanvas& canvas, int32_t col, int32_t row, TRect rect, bool selected);
    // Whether (col, row) may become the current cell; also updates the hint
    // line and repaints the none row as the selection enters or leaves it.
    virtual bool SelectCell(int32_t col, int32_t row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ScrollToCurrent();
    // The cell a drag at p stands for, the rows just outside the shown ones
    // included (so a drag past the edge scrolls).
    bool DragCell(const QPoint& p, int32_t& col, int32_t& row) const;

    TCustomGraphSelect* owner_;
    TCustomPanel* hint_;  // a child
    int32_t colCount_ = 5, rowCount_ = 5;
    int32_t colWidth_ = 64, rowHeight_ = 24;
    std::vector<int32_t> rowHeights_;
    int32_t col_ = 0, row_ = 0, topRow_ = 0;
    bool tracking_ = false;
};

class TCustomGraphSelect : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Options READ GetOptions WRITE SetOptions)
    Q_PROPERTY(int ItemIndex READ GetItemIndex WRITE SetItemIndex)
    Q_PROPERTY(bool None READ GetNone WRITE SetNone)
    Q_PROPERTY(bool Multi READ GetMulti WRITE SetMulti)
    Q_PROPERTY(int ItemsCount READ GetItemsCount WRITE SetItemsCount)
    Q_PROPERTY(bool Flat READ GetFlat WRITE SetFlat)
    Q_PROPERTY(int ColCount READ GetColCount WRITE SetColCount)
    Q_PROPERTY(int RowCount READ GetRowCount WRITE SetRowCount)
    Q_PROPERTY(int ColSize READ GetColSize WRITE SetColSize)
    Q_PROPERTY(int RowSize READ GetRowSize WRITE SetRowSize)
    Q_PROPERTY(int Color READ GetColor WRITE SetColor)
    Q_PROPERTY(int ColorPen READ GetColorPen WRITE SetColorPen)
    Q_PROPERTY(QWidget* ColorControl READ GetColorControlWidget WRITE SetColorControlWidget)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool TabStop READ GetTabStop WRITE SetTabStop)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible)
    Q_PROPERTY(bool Ctl3D READ GetCtl3D WRITE SetCtl3D)
    Q_PROPERTY(bool ShowHint READ GetShowHint WRITE SetShowHint)
    Q_PROPERTY(bool ParentShowHint READ GetParentShowHint WRITE SetParentShowHint)
    Q_PROPERTY(int Tag READ GetTag WRITE SetTag)

public:
    explicit TCustomGraphSelect(QWidget* parent = nullptr);
    ~TCustomGraphSelect() override;

    // A form's reader: properties set until Loaded report no change.
    void BeginLoading() { loading_ = true; }
    bool Loading() const { return loading_; }
    // Ends loading and rebuilds the items from Kind, Options and sizes.
    virtual void Loaded();

    // In slot order.
    virtual void ReBuild();
    // Where the sample is drawn: the client area less the arrow and 2 pixels.
    virtual TRect DrawedRect();
    virtual void DrawItem(TCanvas& canvas, int32_t index, TOwnerDrawState state, TRect r);
    virtual std::string GetItemHint(int32_t index);
    // Nothing unless Multi is set or i differs. i >= ItemsCount grows a
    // colour picker (up to the palette's 64 entries) and is ignored by the
    // others; a negative i is ignored.
    virtual void SetItemIndex(int32_t i);
    // Runs before every drop-down.
    virtual void BeforeDrapDown();
    virtual void DropDown();
    virtual void CloseUp();
    virtual void Change();
    // The double-click action: OnDblClick (the colour picker adds its dialog).
    virtual void DblClick();

    // The sample in the pen colour the state calls for, on a reset canvas.
    void InternalDrawItem(TCanvas& canvas, int32_t index, TOwnerDrawState state, TRect r);
    // Multi cleared, Change, OnChange.
    void DoChange();

    TSelectKind Kind() const { return kind_; }
    TGraphSelectOpts GetOptions() const { return options_; }
    void SetOptions(int options);
    bool HasOption(TGraphSelectOpt o) const { return (options_ & OptBit(o)) != 0; }
    int32_t GetItemIndex() const { return itemIndex_; }
    bool GetNone() const { return none_; }
    void SetNone(bool none);
    bool GetMulti() const { return multi_; }
    void SetMulti(bool multi);
    int32_t GetItemsCount() const { return max_; }
    // Kept within the kind's table and kMaxPickerItems; rows follow from
    // the columns. The sizes below are kept within their bounds too.
    void SetItemsCount(int32_t count);
    bool GetFlat() const;
    void SetFlat(bool flat);
    int32_t GetColCount() const { return colCount_; }
    void SetColCount(int32_t n);
    int32_t GetRowCount() const { return rowCount_; }
    void SetRowCount(int32_t n);
    int32_t GetColSize() const { return colSize_; }
    void SetColSize(int32_t n);
    int32_t GetRowSize() const { return rowSize_; }
    void SetRowSize(int32_t n);
    TColor GetColor() const { return color_; }
    void SetColor(int color);
    TColor GetColorPen() const { return colorPen_; }
    void SetColorPen(int color);
    TCustomGraphSelect* GetColorControl() const { return colorControl_.data(); }
    // Only a colour picker is taken; anything else is ignored, null clears.
    void SetColorControl(TCustomGraphSelect* control);
    QWidget* GetColorControlWidget() const;
    void SetColorControlWidget(QWidget* control);
    bool GetTabStop() const { return tabStop_; }
    void SetTabStop(bool on);
    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool on) { ctl3D_ = on; }
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool on) { showHint_ = on; }
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool on) { parentShowHint_ = on; }
    int32_t GetTag() const { return tag_; }
    void SetTag(int32_t tag) { tag_ = tag; }
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);

    TComboButton* Button() const { return button_; }
    TPopupGrid* Popup() const { return popup_; }
    bool PopupShown() const;
    // The picker or its popup has the keyboard focus.
    bool Focused() const;

    TNotifyEvent OnDropDown;
    TNotifyEvent OnChange;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TItemHintEvent OnItemHint;
    TItemDrawEvent OnItemDraw;

    // The arrow's press, move and release (in global coordinates): the
    // picker opens the popup and hands a drag into it over to the grid.
    void ButtonMouseDown();
    void ButtonMouseMove(const QPoint& global, Qt::MouseButtons buttons);
    void ButtonMouseUp(const QPoint& global);
    // A left release on the grid: the cell becomes the picker's value.
    void GridReleased();
    // The current cell of the grid becomes the picker's value.
    void FollowGrid();

protected:
    void SetKindField(TSelectKind kind) { kind_ = kind; }
    // The shared list under the picker changed: its new count, and the index
    // of the value the picker shows, with no change reported.
    void ItemsMoved(int32_t count, int32_t index);
    // The item-hint handler's answer when it gives one.
    bool HandlerHint(int32_t index, std::string& hint);
    // The number of items the kind's tables hold (none for skCustom and pen widths).
    int32_t KindLimit() const;
    // The picker itself or one of its children.
    bool Owns(QObject* object) const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Places the arrow (and the font picker's charset button).
    virtual void PlaceButtons();

    TFont font_;

private:
    void InstallCancelFilter(bool on);
    void ResetCanvas(TCanvas& canvas) const;

    TSelectKind kind_ = skCustom;
    int32_t reserved_ = 8;  // kept as the control has it; read by nothing
    int32_t itemIndex_ = 0;
    int32_t colSize_ = 0, rowSize_ = 0;
    int32_t colCount_ = 0, rowCount_ = 0;
    bool multi_ = false;
    TGraphSelectOpts options_ = OptBit(soHint);
    TColor colorPen_ = clBlack;
    int32_t max_ = 0;
    bool none_ = false;
    QPointer<TCustomGraphSelect> colorControl_;
    TColor color_ = clWindow;
    bool tabStop_ = false;
    bool ctl3D_ = true;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    int32_t tag_ = 0;
    bool loading_ = false;
    bool filterInstalled_ = false;
    // The left button went down on the picker or its arrow and has not
    // been handed over to the grid.
    bool captured_ = false;
    bool handedOver_ = false;
    TComboButton* button_;  // a child
    TPopupGrid* popup_;     // a child window
};

// A picker of any kind, chosen by Kind.
class TGraphSelect : public TCustomGraphSelect {
    Q_OBJECT
    Q_PROPERTY(int Kind READ GetKind WRITE SetKind)
public:
    explicit TGraphSelect(QWidget* parent = nullptr) : TCustomGraphSelect(parent) {}
    static std::unique_ptr<TGraphSelect> Create();
    int GetKind() const { return Kind(); }
    // Rebuilds the items unless loading; out-of-range values are refused.
    void SetKind(int kind);
};

// The palette colours. ColorValue reads the palette colour of the item; a
// colour the palette lacks is appended to it, or, with all 64 entries in use,
// the nearest used colour is taken.
class TGraphSelectColor : public TCustomGraphSelect {
    Q_OBJECT
    Q_PROPERTY(int ColorValue READ GetColorValue WRITE SetColorValue)
public:
    explicit TGraphSelectColor(QWidget* parent = nullptr);
    static std::unique_ptr<TGraphSelectColor> Create();
    TColor GetColorValue() const;
    void SetColorValue(int color);

    void ReBuild() override;
    void BeforeDrapDown() override;
    void Change() override;
    // OnDblClick, then (with soUsePalette) the colour dialog on the current colour.
    void DblClick() override;

private:
    int32_t builtPalSize_ = 0;
};

// The palette index a picker takes for a colour: its first used entry of the
// same RGB; else a new entry while the palette has room; else the used entry
// nearest in RGB (the earlier on a tie), leaving the palette as it is.
int32_t PickerColorIndex(TColor color);

}  // namespace velt

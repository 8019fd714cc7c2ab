#include "graphics/GrfSel.h"

#include <QApplication>
#include <QColorDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

#include "foundation/SysUtils.h"
#include "graphics/GRFCtrl.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/Controls.h"

namespace velt {

namespace {

const char* const kPenHints[6] = {"Суціл.", "Нема", "Штрих", "Крапка", "Шт-Крап", "Шт-Кр-Кр"};
const char* const kBrushHints[8] = {"Суціл.", "Нема", "Гориз", "Верт", "Діаг.Пр", "Діаг.Зв", "Решітк.", "Реш.Діаг"};

// Grid lines of the popup.
constexpr TColor kGridLine = clSilver;
// The height of the none row and of the hint line.
constexpr int32_t kNoneRowHeight = 20;
constexpr int32_t kHintHeight = 20;

TRect Inset(TRect r, int32_t d) { return Rect(r.Left + d, r.Top + d, r.Right - d, r.Bottom - d); }

uint32_t Rgb(TColor c) { return uint32_t(ColorToRGB(c)) & 0xFFFFFF; }

// A single line of text, vertically centred in r, from x on, transparent.
void TextLineVCentred(TCanvas& c, const TRect& r, int32_t x, const std::string& text) {
    const TBrushStyle style = c.Brush.Style;
    c.Brush.Style = bsClear;
    TRect box = Rect(x, r.Top, r.Right, r.Bottom);
    DrawText(c, text, box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    c.Brush.Style = style;
}

// A one-pixel raised (or, down, sunken) button edge.
void ButtonEdge(TCanvas& c, const TRect& r, bool down) {
    c.Brush = TBrush{down ? clBtnShadow : clBtnHighlight, bsSolid, {}};
    c.FillRect(Rect(r.Left, r.Top, r.Right - 1, r.Top + 1));
    c.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1));
    c.Brush.Color = down ? clBtnHighlight : clBtnShadow;
    c.FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
    c.FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
}

bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

}  // namespace

// ---- the palette index of a colour -------------------------------------------------------

int32_t PickerColorIndex(TColor color) {
    const uint32_t want = Rgb(color);
    const int32_t size = PalSize();
    for (int32_t i = 0; i < size; ++i) {
        const TPaletteEntry e = PalEntry(i);
        if (RGB(e.peRed, e.peGreen, e.peBlue) == TColor(want)) return i;
    }
    // A full palette would put the new colour over entry 63, which other
    // pictures use: the nearest colour stands in for it.
    if (size < PaletteEntries) return GetColorIndex(color);
    int32_t best = 0;
    int64_t bestDistance = INT64_MAX;
    for (int32_t i = 0; i < size; ++i) {
        const TPaletteEntry e = PalEntry(i);
        const int64_t dr = int64_t(e.peRed) - GetRValue(want), dg = int64_t(e.peGreen) - GetGValue(want),
                      db = int64_t(e.peBlue) - GetBValue(want);
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) best = i, bestDistance = d;
    }
    return best;
}

// ---- TComboButton --------------------------------------------------------------------------

TComboButton::TComboButton(TCustomGraphSelect* owner) : QWidget(owner), owner_(owner) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TComboButton::SetFlat(bool flat) {
    if (flat_ == flat) return;
    flat_ = flat;
    update();
}

void TComboButton::SetDown(bool down) {
    if (down_ == down) return;
    down_ = down;
    update();
}

void TComboButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TCanvas c(&p);
    const TRect r = Rect(0, 0, width(), height());
    c.Brush = TBrush{clBtnFace, bsSolid, {}};
    c.FillRect(r);
    if (!flat_) ButtonEdge(c, r, down_);
    // The combo-box arrow: rows of 7, 5, 3 and 1 pixels.
    const int32_t shift = down_ ? 1 : 0;
    const int32_t cx = width() / 2 + shift, top = (height() - 4) / 2 + shift;
    auto arrow = [&](int32_t dx, int32_t dy, TColor color) {
        c.Brush.Color = color;
        for (int32_t k = 0; k < 4; ++k) c.FillRect(Rect(cx - 3 + k + dx, top + k + dy, cx + 4 - k + dx, top + k + 1 + dy));
    };
    if (isEnabled()) {
        arrow(0, 0, clBtnText);
    } else {
        arrow(1, 1, clBtnHighlight);
        arrow(0, 0, clBtnShadow);
    }
}

void TComboButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) owner_->ButtonMouseDown();
}

void TComboButton::mouseMoveEvent(QMouseEvent* event) {
    owner_->ButtonMouseMove(event->globalPosition().toPoint(), event->buttons());
}

void TComboButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) owner_->ButtonMouseUp(event->globalPosition().toPoint());
}

void TComboButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

// ---- TPopupGrid ----------------------------------------------------------------------------

TPopupGrid::TPopupGrid(TCustomGraphSelect* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      owner_(owner) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    hint_ = new TCustomPanel(this);
    hint_->SetBevelInner(bvLowered);
    hint_->SetBevelOuter(bvRaised);
    hint_->SetAlignment(taLeftJustify);
    hint_->Loaded();
    hint_->hide();
    rowHeights_.assign(size_t(rowCount_), rowHeight_);
    resize(121, 97);
}

TPopupGrid::~TPopupGrid() = default;

void TPopupGrid::SetGridSize(int32_t cols, int32_t rows) {
    colCount_ = std::clamp(cols, 1, kMaxPickerCols);
    rowCount_ = std::clamp(rows, 1, kMaxPickerRows + 1);  // and the none row
    rowHeights_.assign(size_t(rowCount_), rowHeight_);
    col_ = std::min(col_, colCount_ - 1);
    row_ = std::min(row_, rowCount_ - 1);
    topRow_ = std::min(topRow_, rowCount_ - 1);
    update();
}

void TPopupGrid::SetDefaultColWidth(int32_t w) {
    colWidth_ = std::max(w, 0);
    update();
}

void TPopupGrid::SetDefaultRowHeight(int32_t h) {
    rowHeight_ = std::max(h, 0);
    rowHeights_.assign(size_t(rowCount_), rowHeight_);
    update();
}

int32_t TPopupGrid::RowHeight(int32_t row) const {
    return row >= 0 && row < rowCount_ ? rowHeights_[size_t(row)] : rowHeight_;
}

void TPopupGrid::SetRowHeight(int32_t row, int32_t h) {
    if (row < 0 || row >= rowCount_) return;
    rowHeights_[size_t(row)] = std::max(h, 0);
    update();
}

TRect TPopupGrid::GridRect() const {
    const int32_t bottom = height() - 1 - (!hint_->isHidden() ? kHintHeight : 0);
    return Rect(1, 1, std::max(width() - 1, 1), std::max(bottom, 1));
}

TRect TPopupGrid::CellRect(int32_t col, int32_t row) const {
    if (row < topRow_ || row >= rowCount_ || col < 0 || col >= colCount_) return {};
    const TRect g = GridRect();
    int32_t top = g.Top;
    for (int32_t r = topRow_; r < row; ++r) {
        top += RowHeight(r) + GridLineWidth;
        if (top >= g.Bottom) return {};
    }
    if (IsNoneRow(row)) return Rect(g.Left, top, g.Right, top + RowHeight(row));
    const int32_t left = g.Left + col * (colWidth_ + GridLineWidth);
    return Rect(left, top, left + colWidth_, top + RowHeight(row));
}

int32_t TPopupGrid::VisibleRows() const {
    const TRect g = GridRect();
    int32_t n = 0;
    int32_t top = g.Top;
    for (int32_t r = topRow_; r < rowCount_; ++r) {
        if (top + RowHeight(r) > g.Bottom) break;
        top += RowHeight(r) + GridLineWidth;
        ++n;
    }
    return std::max(n, 1);
}

bool TPopupGrid::MouseToCell(const QPoint& p, int32_t& col, int32_t& row) const {
    const TRect g = GridRect();
    if (p.x() < g.Left || p.y() < g.Top || p.x() >= g.Right || p.y() >= g.Bottom) return false;
    int32_t top = g.Top;
    for (int32_t r = topRow_; r < rowCount_; ++r) {
        const int32_t bottom = top + RowHeight(r) + GridLineWidth;
        if (p.y() < bottom) {
            if (IsNoneRow(r)) {
                col = 0, row = r;
                return true;
            }
            const int32_t c = (p.x() - g.Left) / (colWidth_ + GridLineWidth);
            if (c >= colCount_) return false;
            col = c, row = r;
            return true;
        }
        top = bottom;
    }
    return false;
}

bool TPopupGrid::DragCell(const QPoint& p, int32_t& col, int32_t& row) const {
    const TRect g = GridRect();
    const int32_t x = std::clamp(p.x(), g.Left, std::max(g.Left, g.Left + colCount_ * (colWidth_ + GridLineWidth) - 1));
    if (p.y() < g.Top) {
        row = std::max(topRow_ - 1, 0);
    } else if (!MouseToCell(QPoint(x, p.y()), col, row)) {
        row = std::min(topRow_ + VisibleRows(), rowCount_ - 1);
    } else {
        return true;
    }
    col = IsNoneRow(row) ? 0 : std::min((x - g.Left) / (colWidth_ + GridLineWidth), colCount_ - 1);
    return true;
}

void TPopupGrid::ScrollToCurrent() {
    if (row_ < topRow_) {
        topRow_ = row_;
        return;
    }
    if (row_ < topRow_ + VisibleRows()) return;
    // The current row at the bottom: as many rows above it as fit.
    const int64_t room = GridRect().Height();
    int64_t used = RowHeight(row_);
    int32_t top = row_;
    while (top > 0 && used + GridLineWidth + RowHeight(top - 1) <= room) used += GridLineWidth + RowHeight(--top);
    topRow_ = top;
}

void TPopupGrid::SetTopRow(int32_t row) {
    row = std::clamp(row, 0, rowCount_ - 1);
    // No further than the last rows filling the grid.
    const int32_t saved = topRow_;
    topRow_ = row;
    while (topRow_ > 0 && topRow_ + VisibleRows() > rowCount_) {
        --topRow_;
        if (topRow_ + VisibleRows() < rowCount_) {
            ++topRow_;
            break;
        }
    }
    if (topRow_ != saved) update();
}

bool TPopupGrid::FocusCell(int32_t col, int32_t row) {
    if (row < 0 || row >= rowCount_ || col < 0 || col >= colCount_) return false;
    if (IsNoneRow(row)) col = 0;
    if (col == col_ && row == row_) {
        ScrollToCurrent();
        return true;
    }
    if (!SelectCell(col, row)) return false;
    col_ = col, row_ = row;
    ScrollToCurrent();
    update();
    return true;
}

bool TPopupGrid::SelectCell(int32_t col, int32_t row) {
    if (Setting) return true;
    const int32_t index = col + row * colCount_;
    const bool none = IsNoneRow(row);
    const bool selectable = none ? owner_->HasOption(soBtnNone) : index >= 0 && index < owner_->GetItemsCount();
    if (none != IsNoneRow(row_)) update();  // the none row is drawn as one
    hint_->SetCaption(selectable ? owner_->GetItemHint(index) : std::string());
    return selectable;
}

bool TPopupGrid::KeyDown(int key) {
    int32_t col = col_, row = row_;
    switch (key) {
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_Home: col = 0; break;
    case Qt::Key_End: col = colCount_ - 1; break;
    case Qt::Key_PageUp: row = std::max(row - VisibleRows(), 0); break;
    case Qt::Key_PageDown: row = std::min(row + VisibleRows(), rowCount_ - 1); break;
    default: return false;
    }
    if (IsNoneRow(row_) && row != row_) col = 0;
    FocusCell(col, row);
    return true;
}

void TPopupGrid::GridMouseDown(const QPoint& p) {
    tracking_ = true;
    int32_t col, row;
    if (MouseToCell(p, col, row)) FocusCell(col, row);
}

void TPopupGrid::GridMouseMove(const QPoint& p) {
    if (!tracking_) return;
    int32_t col, row;
    if (DragCell(p, col, row)) FocusCell(col, row);
}

void TPopupGrid::GridMouseUp(const QPoint& p) {
    if (!tracking_) return;
    GridMouseMove(p);
    tracking_ = false;
    owner_->GridReleased();
}

void TPopupGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) GridMouseDown(event->position().toPoint());
}

void TPopupGrid::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) GridMouseMove(event->position().toPoint());
}

void TPopupGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) GridMouseUp(event->position().toPoint());
}

void TPopupGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) SetTopRow(topRow_ - steps);
    event->accept();
}

void TPopupGrid::resizeEvent(QResizeEvent*) {
    hint_->setGeometry(1, height() - 1 - kHintHeight, std::max(width() - 2, 0), kHintHeight);
}

void TPopupGrid::DrawCell(TCanvas& c, int32_t col, int32_t row, TRect r, bool selected) {
    c.Brush = TBrush{selected ? clHighlight : Color, bsSolid, {}};
    c.FillRect(r);
    if (IsNoneRow(row)) {
        c.Font.SetColor(selected ? clHighlightText : clWindowText);
        TextLineVCentred(c, r, r.Left + 3, kNoneText);
        return;
    }
    c.Font.SetColor(selected ? clHighlightText : Font.Color());
    const int32_t index = col + row * colCount_;
    if (index < owner_->GetItemsCount()) {
        owner_->InternalDrawItem(c, index, 0, r);
    } else {
        c.Pen = TPen{clBlack, 1, psSolid, pmCopy};
        c.MoveTo(r.Left, r.Top);
        c.LineTo(r.Right, r.Bottom);
        c.MoveTo(r.Left, r.Bottom - 1);
        c.LineTo(r.Right, r.Top - 1);
    }
}

void TPopupGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TCanvas c(&p);
    c.Font = Font;
    c.Brush = TBrush{clWindowFrame, bsSolid, {}};
    c.FrameRect(Rect(0, 0, width(), height()));
    const TRect g = GridRect();
    c.Brush.Color = Color;
    c.FillRect(g);
    p.save();
    p.setClipRect(QRect(g.Left, g.Top, g.Width(), g.Height()));
    int32_t top = g.Top;
    for (int32_t row = topRow_; row < rowCount_ && top < g.Bottom; ++row) {
        const int32_t h = RowHeight(row);
        int32_t lineRight;
        if (IsNoneRow(row)) {
            DrawCell(c, 0, row, Rect(g.Left, top, g.Right, top + h), row == row_);
            lineRight = g.Right;
        } else {
            c.Brush = TBrush{kGridLine, bsSolid, {}};
            for (int32_t col = 0; col < colCount_; ++col) {
                const int32_t left = g.Left + col * (colWidth_ + GridLineWidth);
                if (left >= g.Right) break;
                DrawCell(c, col, row, Rect(left, top, left + colWidth_, top + h), col == col_ && row == row_);
                c.Brush = TBrush{kGridLine, bsSolid, {}};
                c.FillRect(Rect(left + colWidth_, top, left + colWidth_ + GridLineWidth, top + h + GridLineWidth));
            }
            lineRight = g.Left + colCount_ * (colWidth_ + GridLineWidth);
        }
        c.Brush = TBrush{kGridLine, bsSolid, {}};
        c.FillRect(Rect(g.Left, top + h, lineRight, top + h + GridLineWidth));
        top += h + GridLineWidth;
    }
    p.restore();
}

// ---- TCustomGraphSelect --------------------------------------------------------------------

TCustomGraphSelect::TCustomGraphSelect(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(5);
    font_.OnChange = [this] { update(); };
    button_ = new TComboButton(this);
    popup_ = new TPopupGrid(this);
    (void)reserved_;
}

TCustomGraphSelect::~TCustomGraphSelect() { InstallCancelFilter(false); }

void TCustomGraphSelect::Loaded() {
    loading_ = false;
    ReBuild();
}

int32_t TCustomGraphSelect::KindLimit() const {
    switch (kind_) {
    case skColor: return PaletteEntries;
    case skPenStyle: return int32_t(StdPenStyle.size());
    case skBrushStyle: return int32_t(StdBrushStyle.size());
    case skPtrBegin:
    case skPtrEnd: return int32_t(StdPointerStyle.size());
    case skLineMarker: return int32_t(StdLineMarkerStyle.size());
    default: return 0;
    }
}

void TCustomGraphSelect::ReBuild() {
    popup_->Color = color_;
    auto table = [this](int32_t cols, int32_t count, int32_t cw, int32_t rh) {
        colCount_ = cols;
        SetItemsCount(count);
        colSize_ = cw, rowSize_ = rh;
    };
    switch (kind_) {
    case skColor:
        table(PalSize() > 24 ? 8 : 4, PalSize(), 20, 18);
        options_ |= OptBit(soUsePalette);
        break;
    case skPenStyle: table(1, 6, 60, 16); break;
    case skBrushStyle:
        table(2, 8, 30, 30);
        tag_ = -1;  // no hatch background
        break;
    case skPenWidth: table(3, 30, 35, 18); break;
    case skPtrBegin:
    case skPtrEnd: table(1, 8, 50, 15); break;
    case skLineMarker: table(2, 14, 70, 19); break;
    case skCustom:
        if (max_ == 0) table(1, 1, 0, 0);
        break;
    }
    update();
}

TRect TCustomGraphSelect::DrawedRect() {
    return Rect(0, 0, width() - button_->width() - 2, height());
}

void TCustomGraphSelect::ResetCanvas(TCanvas& c) const {
    c.Pen = TPen{clBlack, 0, psSolid, pmCopy};
    c.Brush = TBrush{color_, bsClear, {}};
}

void TCustomGraphSelect::InternalDrawItem(TCanvas& c, int32_t index, TOwnerDrawState state, TRect r) {
    ResetCanvas(c);
    TColor pen = (state & OdBit(odSelected)) ? clWhite : colorPen_;
    if (multi_) pen = clSilver;
    if (Rgb(pen) == Rgb(color_)) {
        pen = clWhite;
        if (Rgb(pen) == Rgb(color_)) pen = clBlack;
    }
    c.Pen.Color = pen;
    DrawItem(c, index, state, r);
    ResetCanvas(c);
}

void TCustomGraphSelect::DrawItem(TCanvas& c, int32_t index, TOwnerDrawState state, TRect r) {
    if (OnItemDraw) {
        const TPen pen = c.Pen;
        const TBrush brush = c.Brush;
        const TFont font = c.Font;
        QPainter* p = c.Painter();
        if (p) {
            p->save();
            p->setClipRect(QRect(r.Left, r.Top, r.Width(), r.Height()), Qt::IntersectClip);
        }
        OnItemDraw(this, c, index, r, state);
        if (p) p->restore();
        c.Pen = pen, c.Brush = brush, c.Font = font;
        return;
    }
    const int32_t limit = KindLimit();
    if (index < 0 || (limit > 0 && index >= limit)) return;
    const int32_t mid = (r.Top + r.Bottom) / 2;
    switch (kind_) {
    case skColor:
        c.Brush = TBrush{velt::GetColor(index), bsSolid, {}};
        c.Rectangle(Inset(r, 1));
        break;
    case skPenStyle:
        c.Pen.Style = StdPenStyle[size_t(index)];
        c.MoveTo(r.Left + 3, mid);
        c.LineTo(r.Right - 3, mid);
        break;
    case skBrushStyle: {
        c.Brush.Style = StdBrushStyle[size_t(index)];
        c.Brush.Color = c.Pen.Color;
        if (state & OdBit(odSelected)) c.Brush.Color = color_;
        const TRect box = Inset(r, 1);
        if (state == 0 && tag_ >= 0 && c.Brush.Style != bsClear && c.Brush.Style != bsSolid) {
            // An opaque background under the hatch lines.
            const TBrush hatch = c.Brush;
            c.Brush = TBrush{tag_, bsSolid, {}};
            c.FillRect(box);
            c.Brush = hatch;
        }
        c.Rectangle(box);
        break;
    }
    case skPenWidth: {
        c.Pen.Style = psSolid;
        c.Pen.Width = 0;
        c.Brush = TBrush{c.Pen.Color, bsSolid, {}};
        int32_t w = index == 0 ? 1 : index;
        if (w > r.Height() - 2) w = 1;
        const int32_t top = mid - w / 2;
        c.Rectangle(r.Left + 3, top, r.Right - 3, top + w);
        const TColor fontColor = c.Font.Color();
        c.Font.SetColor(clGray);
        c.Brush.Style = bsClear;
        c.TextOut(r.Left + 4, r.Top + 2, std::to_string(index));
        c.Font.SetColor(fontColor);
        break;
    }
    case skLineMarker: {
        c.Pen.Style = psSolid;
        c.Brush = TBrush{clWhite, bsSolid, {}};
        const TLineMarkerStyle style = StdLineMarkerStyle[size_t(index)];
        const float spacing = style == lm11 || style == lm12 ? 50.0f : 20.0f;
        DrawLineMarker(c, style, true, float(r.Left + 5), float(mid), float(r.Right - 5), float(mid), 10, spacing, 4,
                       false, false);
        break;
    }
    case skPtrBegin:
    case skPtrEnd: {
        c.Brush = TBrush{color_, bsSolid, {}};
        int32_t h = r.Width() / 2 - 5;
        if (kind_ == skPtrBegin) h = -h;
        const int32_t cx = (r.Left + r.Right) / 2;
        DrawPtr(c, StdPointerStyle[size_t(index)], true, float(cx - h), float(mid), float(cx + h), float(mid),
                float(r.Height()) * 0.5f, 0);
        break;
    }
    default: break;
    }
}

bool TCustomGraphSelect::HandlerHint(int32_t index, std::string& hint) {
    if (!OnItemHint) return false;
    hint.clear();
    OnItemHint(this, index, hint);
    return !hint.empty();
}

void TCustomGraphSelect::ItemsMoved(int32_t count, int32_t index) {
    SetItemsCount(count);
    if (index >= 0 && index < max_) itemIndex_ = index;
    update();
}

std::string TCustomGraphSelect::GetItemHint(int32_t index) {
    if (index >= 0 && index < max_ && !none_) {
        if (std::string hint; HandlerHint(index, hint)) return hint;
        switch (kind_) {
        case skColor: return index < PaletteEntries ? GetColorName(index) : std::string();
        case skPenStyle: return index < 6 ? kPenHints[index] : "";
        case skBrushStyle: return index < 8 ? kBrushHints[index] : "";
        case skPenWidth: return index == 0 ? std::string("Тонк.") : "Товщ.=" + std::to_string(index);
        default: return {};
        }
    }
    return HasOption(soBtnNone) ? kNoneText : "";
}

void TCustomGraphSelect::SetItemIndex(int32_t i) {
    if (!multi_ && i == itemIndex_) return;
    if (i < 0) return;
    if (i >= max_) {
        if (kind_ != skColor || i >= PaletteEntries) return;
        SetItemsCount(i + 1);
    }
    itemIndex_ = i;
    if (!loading_ && !multi_) DoChange();
    popup_->HintPanel()->SetCaption(GetItemHint(i));
    update();
}

void TCustomGraphSelect::BeforeDrapDown() {}

void TCustomGraphSelect::DropDown() {
    if (PopupShown() || width() < 21) return;
    BeforeDrapDown();
    if (OnDropDown) OnDropDown(this);

    TPopupGrid& g = *popup_;
    const bool noneRow = HasOption(soBtnNone);
    g.Font = font_;
    g.NoneRow = noneRow;
    g.SetGridSize(std::clamp(colCount_, 1, kMaxPickerCols),
                  std::clamp(rowCount_, 1, kMaxPickerRows) + (noneRow ? 1 : 0));
    g.SetDefaultColWidth(std::min(colSize_ < 1 ? width() : colSize_, kMaxPickerCell));
    g.SetDefaultRowHeight(std::min(rowSize_ < 1 ? height() : rowSize_, kMaxPickerCell));
    if (noneRow) g.SetRowHeight(g.RowCount() - 1, kNoneRowHeight);

    int64_t fullH = 2;
    for (int32_t r = 0; r < g.RowCount(); ++r) fullH += g.RowHeight(r) + TPopupGrid::GridLineWidth;
    const int64_t fullW = int64_t(g.DefaultColWidth() + TPopupGrid::GridLineWidth) * g.ColCount() + 3;
    g.HintPanel()->setVisible(HasOption(soHint));
    if (HasOption(soHint)) fullH += kHintHeight;

    const QRect screen = this->screen() ? this->screen()->geometry() : QRect(0, 0, 640, 480);
    // A popup taller than the screen would put its last items out of reach:
    // it is cut to the screen and its grid scrolls; one wider is cut too.
    const int32_t h = int32_t(std::min<int64_t>(fullH, screen.height()));
    const int32_t w = int32_t(std::min<int64_t>(fullW, screen.width()));

    {
        // The current cell is placed without reporting a change.
        struct Restore {
            TCustomGraphSelect* self;
            TNotifyEvent saved;
            ~Restore() {
                self->popup_->Setting = false;
                self->OnChange = std::move(saved);
            }
        } restore{this, std::move(OnChange)};
        OnChange = nullptr;
        g.Setting = true;
        g.resize(w, h);
        if (noneRow && none_) {
            g.FocusCell(0, g.RowCount() - 1);
        } else {
            const int32_t cols = g.ColCount();
            g.FocusCell(itemIndex_ % cols, itemIndex_ / cols);
        }
        g.SetTopRow(0);
        g.FocusCell(g.Col(), g.Row());  // keeps it in view when the grid scrolls
        g.HintPanel()->SetCaption(GetItemHint(itemIndex_));
    }

    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    const int32_t ctlTop = topLeft.y(), ctlBottom = topLeft.y() + height(), ctlRight = topLeft.x() + width();
    int32_t y = ctlBottom;
    if (y + h > screen.bottom() + 1) {
        y = ctlTop - h + 1;
        if (y < screen.top()) y = ctlBottom - 1;
    }
    int32_t x = std::max(ctlRight - w, int32_t(screen.left()));
    if (x + w > screen.right() + 1) x = screen.right() + 1 - w;
    y = std::max(y, int32_t(screen.top()));
    y = std::min(y, int32_t(screen.bottom()) + 1 - h);

    g.setGeometry(x, y, w, h);
    g.show();
    g.raise();
    if (tabStop_ && isEnabled() && isVisible()) setFocus(Qt::OtherFocusReason);
    InstallCancelFilter(true);
    update();
}

void TCustomGraphSelect::CloseUp() {
    InstallCancelFilter(false);
    if (!popup_->isVisible()) return;
    popup_->hide();
    update();
}

void TCustomGraphSelect::Change() {}

void TCustomGraphSelect::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TCustomGraphSelect::DoChange() {
    multi_ = false;
    Change();
    if (OnChange) OnChange(this);
}

void TCustomGraphSelect::SetOptions(int options) {
    options_ = TGraphSelectOpts(options & 0x0F);
    update();
}

void TCustomGraphSelect::SetNone(bool none) {
    if (!multi_ && none == none_) return;
    none_ = none;
    DoChange();
    update();
}

void TCustomGraphSelect::SetMulti(bool multi) {
    if (multi == multi_) return;
    multi_ = multi;
    update();
}

void TCustomGraphSelect::SetItemsCount(int32_t count) {
    count = std::clamp(count, 0, kMaxPickerItems);
    if (const int32_t limit = KindLimit(); limit > 0) count = std::min(count, limit);
    max_ = count;
    if (colCount_ < 1) colCount_ = 1;
    if (max_ > 0) rowCount_ = int32_t((int64_t(max_) + colCount_ - 1) / colCount_);
}

bool TCustomGraphSelect::GetFlat() const { return button_->Flat(); }

void TCustomGraphSelect::SetFlat(bool flat) {
    button_->SetFlat(flat);
    if (flat) SetColor(clBtnFace);
}

void TCustomGraphSelect::SetColCount(int32_t n) {
    colCount_ = std::min(n, kMaxPickerCols);
    SetItemsCount(max_);
}

void TCustomGraphSelect::SetRowCount(int32_t n) { rowCount_ = std::min(n, kMaxPickerRows); }

void TCustomGraphSelect::SetColSize(int32_t n) { colSize_ = std::min(n, kMaxPickerCell); }

void TCustomGraphSelect::SetRowSize(int32_t n) { rowSize_ = std::min(n, kMaxPickerCell); }

void TCustomGraphSelect::SetColor(int color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void TCustomGraphSelect::SetColorPen(int color) {
    if (color == colorPen_) return;
    colorPen_ = color;
    update();
}

void TCustomGraphSelect::SetColorControl(TCustomGraphSelect* control) {
    if (control && control->Kind() != skColor) return;
    colorControl_ = control;
}

QWidget* TCustomGraphSelect::GetColorControlWidget() const { return colorControl_.data(); }

void TCustomGraphSelect::SetColorControlWidget(QWidget* control) {
    if (!control) {
        SetColorControl(nullptr);
        return;
    }
    if (auto* picker = qobject_cast<TCustomGraphSelect*>(control)) SetColorControl(picker);
}

void TCustomGraphSelect::SetTabStop(bool on) {
    tabStop_ = on;
    setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

void TCustomGraphSelect::SetFont(const TFont& font) {
    font_.Assign(font);
    update();
}

bool TCustomGraphSelect::PopupShown() const { return popup_->isVisible(); }

bool TCustomGraphSelect::Focused() const { return hasFocus() || popup_->hasFocus(); }

bool TCustomGraphSelect::Owns(QObject* object) const {
    for (QObject* o = object; o; o = o->parent())
        if (o == this) return true;
    return false;
}

void TCustomGraphSelect::InstallCancelFilter(bool on) {
    if (on == filterInstalled_ || !qApp) return;
    filterInstalled_ = on;
    if (on) qApp->installEventFilter(this);
    else qApp->removeEventFilter(this);
}

bool TCustomGraphSelect::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if ((t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick ||
         t == QEvent::NonClientAreaMouseButtonPress) &&
        watched->isWidgetType() && !Owns(watched))
        CloseUp();
    return QWidget::eventFilter(watched, event);
}

void TCustomGraphSelect::PlaceButtons() {
    const int32_t bw = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    button_->setGeometry(width() - bw - 1, 1, bw, std::max(height() - 2, 0));
}

void TCustomGraphSelect::resizeEvent(QResizeEvent*) { PlaceButtons(); }

void TCustomGraphSelect::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TCanvas c(&p);
    c.Font = font_;
    const TRect client = Rect(0, 0, width(), height());
    // What the arrow and the charset button leave free of the sample.
    c.Brush = TBrush{color_, bsSolid, {}};
    c.FillRect(client);
    TRect edge = client;
    DrawEdge(c, edge, BDR_SUNKENINNER, BF_RECT);
    TRect r = Inset(DrawedRect(), 1);
    const bool focused = Focused();
    if (focused) {
        c.Brush = TBrush{clHighlight, bsSolid, {}};
        c.Font.SetColor(clHighlightText);
        c.Font.SetStyle(FontStyleBit(fsBold));
    } else {
        c.Brush = TBrush{color_, bsSolid, {}};
    }
    c.FillRect(r);
    if (focused) {
        c.Brush = TBrush{color_, bsSolid, {}};
        c.FrameRect(r);
        c.DrawFocusRect(r);
    }
    r = Inset(r, 1);
    if (none_) TextLineVCentred(c, r, r.Left + 2, kNoneText);
    else InternalDrawItem(c, itemIndex_, focused ? OdBit(odFocused) : 0, r);
}

void TCustomGraphSelect::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (IsEnterKey(key) && mods == Qt::ShiftModifier) {
        CloseUp();
        DblClick();
        return;
    }
    if ((mods & Qt::AltModifier) && (key == Qt::Key_Down || IsEnterKey(key) || key == Qt::Key_Space)) {
        if (!PopupShown()) DropDown();
        return;
    }
    if (PopupShown()) {
        if (IsEnterKey(key) || key == Qt::Key_Escape) {
            CloseUp();
            return;
        }
        if (popup_->KeyDown(key)) FollowGrid();
        return;
    }
    // Enter and Esc belong to the dialog's buttons while the popup is closed.
    if (IsEnterKey(key) || key == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (arrow || !event->text().isEmpty()) return;  // arrows and characters are the picker's
    QWidget::keyPressEvent(event);
}

void TCustomGraphSelect::FollowGrid() {
    const int32_t row = popup_->Row();
    if (popup_->IsNoneRow(row)) {
        // The none row stands for no value, not for an item.
        SetNone(true);
        return;
    }
    SetItemIndex(popup_->Col() + row * popup_->ColCount());
    SetNone(false);
}

void TCustomGraphSelect::GridReleased() {
    CloseUp();
    if (tabStop_ && isEnabled() && isVisible()) setFocus(Qt::MouseFocusReason);
    FollowGrid();
}

void TCustomGraphSelect::ButtonMouseDown() {
    captured_ = true;
    handedOver_ = false;
    button_->SetDown(true);
    if (focusPolicy() != Qt::NoFocus && isEnabled() && isVisible()) setFocus(Qt::MouseFocusReason);
    DropDown();
}

void TCustomGraphSelect::ButtonMouseMove(const QPoint& global, Qt::MouseButtons buttons) {
    if (!captured_ || !(buttons & Qt::LeftButton)) return;
    if (handedOver_) {
        popup_->GridMouseMove(popup_->mapFromGlobal(global));
        return;
    }
    if (PopupShown() && popup_->geometry().contains(global)) {
        handedOver_ = true;
        button_->SetDown(false);
        popup_->GridMouseDown(popup_->mapFromGlobal(global));
    }
}

void TCustomGraphSelect::ButtonMouseUp(const QPoint& global) {
    const bool handed = handedOver_;
    captured_ = handedOver_ = false;
    button_->SetDown(false);
    if (handed) popup_->GridMouseUp(popup_->mapFromGlobal(global));
}

void TCustomGraphSelect::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) ButtonMouseDown();
}

void TCustomGraphSelect::mouseMoveEvent(QMouseEvent* event) {
    ButtonMouseMove(event->globalPosition().toPoint(), event->buttons());
}

void TCustomGraphSelect::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool handed = handedOver_;
    ButtonMouseUp(event->globalPosition().toPoint());
    if (!handed && rect().contains(event->position().toPoint()) && OnClick) OnClick(this);
}

void TCustomGraphSelect::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) DblClick();
}

void TCustomGraphSelect::focusInEvent(QFocusEvent*) {
    update();
    if (OnEnter) OnEnter(this);
}

void TCustomGraphSelect::focusOutEvent(QFocusEvent* event) {
    // A platform that activates the popup all the same: the picker's window
    // takes the activation back, and the popup stays.
    if (event->reason() == Qt::ActiveWindowFocusReason && QApplication::activeWindow() == popup_) {
        window()->activateWindow();
        return;
    }
    CloseUp();
    update();
    if (OnExit) OnExit(this);
}

void TCustomGraphSelect::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) CloseUp();
        button_->update();
        update();
    }
    QWidget::changeEvent(event);
}

void TCustomGraphSelect::hideEvent(QHideEvent*) { CloseUp(); }

// ---- TGraphSelect ---------------------------------------------------------------------------

std::unique_ptr<TGraphSelect> TGraphSelect::Create() {
    auto p = std::make_unique<TGraphSelect>();
    p->Loaded();
    return p;
}

void TGraphSelect::SetKind(int kind) {
    if (kind < skColor || kind > skCustom)
        throw ERangeError("Kind " + std::to_string(kind) + " is out of range (0..7)");
    SetKindField(TSelectKind(kind));
    // A count the new kind's table cannot hold is cut to it.
    if (const int32_t limit = KindLimit(); limit > 0 && GetItemsCount() > limit) SetItemsCount(limit);
    if (!Loading()) ReBuild();
    update();
}

// ---- TGraphSelectColor ----------------------------------------------------------------------

TGraphSelectColor::TGraphSelectColor(QWidget* parent) : TCustomGraphSelect(parent) { SetKindField(skColor); }

std::unique_ptr<TGraphSelectColor> TGraphSelectColor::Create() {
    auto p = std::make_unique<TGraphSelectColor>();
    p->Loaded();
    return p;
}

TColor TGraphSelectColor::GetColorValue() const { return velt::GetColor(GetItemIndex()); }

void TGraphSelectColor::SetColorValue(int color) { SetItemIndex(PickerColorIndex(color)); }

void TGraphSelectColor::ReBuild() {
    TCustomGraphSelect::ReBuild();
    builtPalSize_ = PalSize();
}

void TGraphSelectColor::BeforeDrapDown() {
    if (PalSize() != builtPalSize_) ReBuild();
}

void TGraphSelectColor::Change() {
    TCustomGraphSelect::Change();
    QWidget* parent = parentWidget();
    if (!parent) return;
    const TColor pen = GetNone() ? clBlack : velt::GetColor(GetItemIndex());
    for (QObject* child : parent->children())
        if (auto* picker = qobject_cast<TCustomGraphSelect*>(child); picker && picker->GetColorControl() == this)
            picker->SetColorPen(pen);
}

void TGraphSelectColor::DblClick() {
    TCustomGraphSelect::DblClick();
    if (!HasOption(soUsePalette)) return;
    CloseUp();
    QColorDialog dialog(ColorToQColor(GetColorValue()), window());
    if (RunDialog(dialog) != QDialog::Accepted) return;
    const int32_t index = PickerColorIndex(QColorToColor(dialog.currentColor()));
    ReBuild();
    SetItemIndex(index);
}

}  // namespace velt

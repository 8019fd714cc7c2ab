#include "graphics/GrfRERul.h"

#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/VCLUtils.h"
#include "platform/ui/DrawText.h"

namespace velt {

namespace {

struct Bitmaps {
    std::unique_ptr<TBitmap> First;   // "RICHRULLERT"
    std::unique_ptr<TBitmap> Margin;  // "RICHRULLERB"
    bool Loaded = false;
};

Bitmaps gBitmaps;

Bitmaps& Markers() {
    if (!gBitmaps.Loaded) {
        gBitmaps.First = MakeModuleBitmap(HInstance, "RICHRULLERT");
        gBitmaps.Margin = MakeModuleBitmap(HInstance, "RICHRULLERB");
        gBitmaps.Loaded = true;
    }
    return gBitmaps;
}

// Paragraph values are whole points; Qt keeps them in pixels, three
// quarters of a point each.
int32_t PixelsToPoints(qreal px) { return int32_t(std::lround(px * 0.75)); }
qreal PointsToPixels(int32_t pt) { return qreal(pt) / 0.75; }

// Ruler pixels per point.
double Factor(double scale) { return (scale < 0.1 ? 1.0 : scale) * 4.0 / 3.0; }

int32_t Trunc(double v) {
    if (!(v == v)) return 0;
    return int32_t(std::clamp(std::trunc(v), double(INT32_MIN), double(INT32_MAX)));
}

// The blocks the selection touches.
template <typename F>
void ForSelectedBlocks(QTextEdit& edit, F f) {
    const QTextCursor cursor = edit.textCursor();
    QTextDocument* doc = edit.document();
    QTextBlock block = doc->findBlock(cursor.selectionStart());
    const QTextBlock last = doc->findBlock(cursor.selectionEnd());
    while (block.isValid()) {
        f(block);
        if (block == last) break;
        block = block.next();
    }
}

}  // namespace

void FreeRullerBitmaps() { gBitmaps = Bitmaps(); }

TRichRuller::TRichRuller(QWidget* parent) : TCustomPanel(parent) {
    SetBevelInner(bvNone);
    pageWidth_ = width();
}

TRichRuller::~TRichRuller() = default;

std::unique_ptr<TRichRuller> TRichRuller::Create(QWidget* parent) {
    auto ruller = std::make_unique<TRichRuller>(parent);
    ruller->Loaded();
    return ruller;
}

void TRichRuller::Invalidate(int32_t p) {
    if (IsLoading()) return;
    if (p == -1000) {
        update();
        return;
    }
    const int64_t x = int64_t(nullPos_) + p - 5;
    if (x > width() || x + 11 < 0) return;
    update(QRect(int(x), -1, 11, height() + 2));
}

void TRichRuller::SetFirstLine(int32_t v) {
    v = std::max(v, 0);
    if (v == firstLine_) return;
    Invalidate(firstLine_);
    Invalidate(v);
    firstLine_ = v;
    MarkModified();
}

void TRichRuller::SetLeftMargin(int32_t v) {
    v = std::max(v, 0);
    v = std::min<int64_t>(v, int64_t(pageWidth_) - rightMargin_);
    if (v == leftMargin_) return;
    if (mode_ == rrLeftMargin) SetFirstLine(int32_t(std::clamp<int64_t>(int64_t(v) + firstLine_ - leftMargin_, 0, INT32_MAX)));
    Invalidate(leftMargin_);
    Invalidate(v);
    leftMargin_ = v;
    MarkModified();
}

void TRichRuller::SetRightMargin(int32_t v) {
    v = std::max(v, 0);
    v = std::min<int64_t>(v, int64_t(pageWidth_) - leftMargin_);
    if (v == rightMargin_) return;
    Invalidate(pageWidth_ - rightMargin_);
    Invalidate(pageWidth_ - v);
    rightMargin_ = v;
    MarkModified();
}

void TRichRuller::SetPageWidth(int32_t v) {
    Invalidate(pageWidth_);
    Invalidate(v);
    pageWidth_ = v;
    MarkModified();
}

void TRichRuller::SetNullPos(int32_t v) {
    InvalidateAll();
    nullPos_ = v;
    MarkModified();
}

void TRichRuller::SetTabCount(int32_t n) {
    n = std::clamp(n, 0, MaxTabs);
    for (int32_t i = n; i < tabCount_; ++i) Invalidate(tabs_[size_t(i)]);
    tabCount_ = n;
    MarkModified();
}

int32_t TRichRuller::GetTabs(int32_t i) const {
    return i >= 0 && i <= MaxTabs ? tabs_[size_t(i)] : 0;
}

void TRichRuller::SetTabs(int32_t i, int32_t v) {
    if (i < 0) return;
    i = std::min(i, MaxTabs);
    if (i >= tabCount_) tabCount_ = std::min(i + 1, MaxTabs);
    if (tabs_[size_t(i)] == v) return;
    Invalidate(tabs_[size_t(i)]);
    Invalidate(v);
    tabs_[size_t(i)] = v;
    MarkModified();
}

QWidget* TRichRuller::GetRichEditWidget() const { return richEdit_.data(); }

void TRichRuller::SetRichEditWidget(QWidget* edit) { SetRE(qobject_cast<QTextEdit*>(edit)); }

void TRichRuller::SetRE(QTextEdit* edit) {
    richEdit_ = edit;
    UpdateNullPos();
}

void TRichRuller::UpdateNullPos() {
    QTextEdit* edit = richEdit_.data();
    if (!edit) return;
    const QWidget* area = edit->viewport();
    SetNullPos(mapFromGlobal(area->mapToGlobal(QPoint(0, 0))).x());
    SetPageWidth(area->width());
}

void TRichRuller::Change() {
    if (!modified_) return;
    if (OnChanged) OnChanged(this);
    modified_ = false;
    Update();
}

TRishRullerMode TRichRuller::FindMode(int32_t x, int32_t y) {
    x -= nullPos_;
    auto near = [x](int64_t position) { return std::llabs(int64_t(x) - position) < 6; };
    mode_ = rrNone;
    if (y >= height() / 2) {
        if (near(leftMargin_)) mode_ = rrLeftMargin;
        if (near(int64_t(pageWidth_) - rightMargin_)) mode_ = rrRightMargin;
    } else if (near(firstLine_)) {
        mode_ = rrFirstLine;
    }
    if (mode_ == rrNone)
        for (int32_t i = 0; i < tabCount_; ++i)
            if (near(tabs_[size_t(i)])) mode_ = rrTab, selectedTab_ = i;
    return mode_;
}

void TRichRuller::mousePressEvent(QMouseEvent* event) {
    TCustomPanel::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    modified_ = false;
    if (FindMode(p.x(), p.y()) == rrNone) {
        SetTabs(tabCount_, p.x() - nullPos_);
        selectedTab_ = tabCount_ - 1;
        mode_ = rrTab;
    }
}

void TRichRuller::mouseMoveEvent(QMouseEvent* event) {
    TCustomPanel::mouseMoveEvent(event);
    if (mode_ == rrNone) return;
    const int32_t position = (event->position().toPoint().x() - nullPos_) / 5 * 5;
    switch (mode_) {
    case rrFirstLine: SetFirstLine(position); break;
    case rrLeftMargin: SetLeftMargin(position); break;
    case rrRightMargin: SetRightMargin(pageWidth_ - position); break;
    case rrTab: SetTabs(selectedTab_, position); break;
    default: break;
    }
    if (tracking_) Change();
}

void TRichRuller::mouseReleaseEvent(QMouseEvent* event) {
    TCustomPanel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || mode_ == rrNone) return;
    if (mode_ == rrTab && selectedTab_ >= 0 && selectedTab_ < tabCount_ && tabs_[size_t(selectedTab_)] <= 0) {
        Invalidate(tabs_[size_t(selectedTab_)]);
        std::copy(tabs_.begin() + selectedTab_ + 1, tabs_.begin() + tabCount_, tabs_.begin() + selectedTab_);
        --tabCount_;
        MarkModified();
    }
    Change();
    mode_ = rrNone;
}

void TRichRuller::resizeEvent(QResizeEvent* event) {
    TCustomPanel::resizeEvent(event);
    // Once the layout has settled, the ruler lines up with the edit again.
    QMetaObject::invokeMethod(this, [self = QPointer<TRichRuller>(this)] {
        if (self) self->UpdateNullPos();
    }, Qt::QueuedConnection);
}

void TRichRuller::Paint() {
    TCustomPanel::Paint();
    TCanvas& c = Canvas();
    const int32_t h = height(), mid = h / 2;
    // The page strip.
    TRect strip = Rect(nullPos_, 2, nullPos_ + pageWidth_, h - 2);
    c.Brush = TBrush{clWhite, bsSolid, {}};
    c.FillRect(Rect(strip.Left + 2, strip.Top + 2, strip.Right - 2, strip.Bottom - 2));
    DrawEdge(c, strip, BDR_SUNKENINNER, BF_RECT);
    TRect inner = Rect(strip.Left + 1, strip.Top + 1, strip.Right - 1, strip.Bottom - 1);
    DrawEdge(c, inner, BDR_SUNKENINNER, BF_RECT | BF_FLAT);
    // Ticks every 10 pixels, longer every 20.
    c.Pen = TPen{clBlack, 1, psSolid, pmCopy};
    for (int32_t x = 0; x < pageWidth_; x += 10) {
        const int32_t half = x % 20 == 0 ? 2 : 1;
        c.MoveTo(nullPos_ + x, mid - half);
        c.LineTo(nullPos_ + x, mid + half + 1);
    }
    // Tab stops.
    c.Pen.Width = 3;
    for (int32_t i = 0; i < tabCount_; ++i) {
        const int32_t x = nullPos_ + tabs_[size_t(i)];
        c.MoveTo(x, mid + 1);
        c.LineTo(x, h - 5);
        c.LineTo(x + 3, h - 5);
    }
    c.Pen.Width = 1;
    // Markers, blue being see-through.
    Bitmaps& b = Markers();
    if (b.First) DrawTransparentBitmap(c, *b.First, nullPos_ + firstLine_ - 4, 1, clBlue);
    if (b.Margin) {
        DrawTransparentBitmap(c, *b.Margin, nullPos_ + leftMargin_ - 4, h - 11, clBlue);
        DrawTransparentBitmap(c, *b.Margin, nullPos_ + pageWidth_ - rightMargin_ - 4, h - 11, clBlue);
    }
}

void TRichRuller::LoadFromRE(QTextEdit* edit, double scale) {
    if (!edit) return;
    const double s = Factor(scale);
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(cursor.selectionStart());
    const QTextBlockFormat f = cursor.blockFormat();
    const int32_t firstIndent = PixelsToPoints(f.leftMargin() + f.textIndent());
    const int32_t leftIndent = PixelsToPoints(-f.textIndent());
    const int32_t rightIndent = PixelsToPoints(f.rightMargin());
    // The paragraph's own values: clamped against the previous paragraph's
    // margins or a page width not yet laid out they would be written back
    // changed.
    auto load = [this](int32_t& field, int32_t v, bool fromRight) {
        v = std::max(v, 0);
        if (v == field) return;
        Invalidate(fromRight ? pageWidth_ - field : field);
        Invalidate(fromRight ? pageWidth_ - v : v);
        field = v;
        MarkModified();
    };
    load(firstLine_, Trunc(firstIndent * s), false);
    load(leftMargin_, Trunc((int64_t(leftIndent) + firstIndent) * s), false);
    load(rightMargin_, Trunc(rightIndent * s), true);
    const QList<QTextOption::Tab> tabs = f.tabPositions();
    // The ruler holds 20 stops; a paragraph's later ones stay in it.
    const int32_t n = int32_t(std::min<qsizetype>(tabs.size(), MaxTabs));
    SetTabCount(n);
    for (int32_t i = 0; i < n; ++i) SetTabs(i, Trunc(PixelsToPoints(tabs[i].position) * s));
    InvalidateAll();
}

void TRichRuller::SaveToRE(QTextEdit* edit, double scale) {
    if (!edit) return;
    const double s = Factor(scale);
    const int32_t firstIndent = Trunc(firstLine_ / s);
    const int32_t leftIndent = Trunc(leftMargin_ / s - firstIndent);
    const int32_t rightIndent = Trunc(rightMargin_ / s);
    std::vector<int32_t> sorted(tabs_.begin(), tabs_.begin() + tabCount_);
    std::sort(sorted.begin(), sorted.end());
    QTextCursor editing = edit->textCursor();
    editing.beginEditBlock();
    ForSelectedBlocks(*edit, [&](const QTextBlock& block) {
        QTextBlockFormat f = block.blockFormat();
        f.setTextIndent(PointsToPixels(-leftIndent));
        f.setLeftMargin(PointsToPixels(firstIndent + leftIndent));
        f.setRightMargin(PointsToPixels(rightIndent));
        const QList<QTextOption::Tab> old = f.tabPositions();
        QList<QTextOption::Tab> tabs;
        for (int32_t t : sorted) tabs.append(QTextOption::Tab(PointsToPixels(Trunc(t / s)), QTextOption::LeftTab));
        for (qsizetype i = MaxTabs; i < old.size(); ++i) tabs.append(old[i]);
        f.setTabPositions(tabs);
        QTextCursor c(block);
        c.setBlockFormat(f);
    });
    editing.endEditBlock();
}

}  // namespace velt

#include "painter/EdtPanel.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "painter/EdtPaint.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/FrameControl.h"

namespace velt {

namespace {

// The rulers' thickness at creation.
constexpr int kRullerThickness = 24;

}  // namespace

TEditGraphPanel::TEditGraphPanel(QWidget* parent) : TCustomPanel(parent) {
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
    setFocusPolicy(Qt::StrongFocus);
    horz_ = new TGraphRuller(this);
    horz_->setObjectName(QStringLiteral("HorzRuller"));
    horz_->resize(width(), kRullerThickness);
    horz_->Loaded();
    vert_ = new TGraphRuller(this);
    vert_->setObjectName(QStringLiteral("VertRuller"));
    vert_->SetKind(rkVert);
    vert_->resize(kRullerThickness, height());
    vert_->Loaded();
}

TEditGraphPanel::~TEditGraphPanel() = default;

TEditGraphPaint* TEditGraphPanel::Box() const { return box_.data(); }

std::unique_ptr<TEditGraphPanel> TEditGraphPanel::Create(QWidget* parent) {
    auto panel = std::make_unique<TEditGraphPanel>(parent);
    panel->Loaded();
    panel->Resize();
    return panel;
}

const std::vector<TPanelKey>& TEditGraphPanel::Keys() {
    static const std::vector<TPanelKey> keys = {
        {pcZoomIn, ShortCut('I', scCtrl)},
        {pcZoomOut, ShortCut('O', scCtrl)},
        {pcZoomAll, ShortCut('L', scCtrl)},
        {pcSendToBack, ShortCut('B', scCtrl)},
        {pcBringToFront, ShortCut('F', scCtrl)},
        {pcRepaint, ShortCut(0x74, 0)},  // F5
        {pcCopy, ShortCut(vkInsert, scCtrl)},
        {pcPaste, ShortCut(vkInsert, scShift)},
        {pcCut, ShortCut(vkDelete, scShift)},
        {pcDelete, ShortCut(vkDelete, scCtrl)},
        {pcSelectAll, ShortCut('A', scCtrl)},
        {pcSelectParent, ShortCut(vkEscape, 0)},
    };
    return keys;
}

TShortCut TEditGraphPanel::KeyOf(TPanelCommand command) {
    for (const TPanelKey& k : Keys())
        if (k.Command == command) return k.Key;
    return 0;
}

bool TEditGraphPanel::CommandOf(TShortCut key, TPanelCommand& command) {
    if (key == 0) return false;
    for (const TPanelKey& k : Keys())
        if (k.Key == key) {
            command = k.Command;
            return true;
        }
    return false;
}

void TEditGraphPanel::SetBox(TEditGraphPaint* box) {
    if (box == box_) return;
    box_ = box;
    if (!box) return;
    if (box->parentWidget() != this) box->setParent(this);
    // A press on the canvas gives the panel the focus, so the keys reach it.
    box->setFocusProxy(this);
    velt::SetAlign(box, controls::alClient);
    SetCaption("");
    if (horz_) box->Rullers().SetRuller(horz_);
    if (vert_) box->Rullers().SetRuller(vert_);
    box->show();
    Resize();
}

void TEditGraphPanel::SetTabStop(bool value) {
    tabStop_ = value;
    setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

TRect TEditGraphPanel::BoxRect() const {
    TRect r = ClientRect();
    if (vert_ && vert_->Visible()) r.Right -= vert_->width();
    if (horz_ && horz_->Visible()) r.Bottom -= horz_->height();
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}

void TEditGraphPanel::Resize() {
    const TRect r = BoxRect();
    if (box_) {
        velt::SetAlign(box_, controls::alNone);
        box_->setGeometry(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    }
    if (vert_ && vert_->parentWidget() == this)
        vert_->setGeometry(r.Right, r.Top, vert_->width(), r.Bottom - r.Top);
    if (horz_ && horz_->parentWidget() == this)
        horz_->setGeometry(r.Left, r.Bottom, r.Right - r.Left, horz_->height());
    if (box_) box_->UpdateLists(UpdateListBit(ulVis));
    QMetaObject::invokeMethod(this, [p = QPointer<TEditGraphPanel>(this)] {
        if (p) p->CMResized();
    }, Qt::QueuedConnection);
}

void TEditGraphPanel::CMResized() {
    if (OnResize) CallReporting([&] { OnResize(this); });
}

bool TEditGraphPanel::Execute(TPanelCommand command) {
    TEditGraphPaint* box = box_;
    if (!box) return false;
    switch (command) {
    case pcZoomIn: box->ZoomIn(); break;
    case pcZoomOut: box->ZoomOut(); break;
    case pcZoomAll: box->ZoomAll(); break;
    case pcSendToBack: box->SendTo(true); break;
    case pcBringToFront: box->SendTo(false); break;
    case pcRepaint: box->Invalidate(); break;
    case pcCopy: box->Copy(); break;
    case pcPaste: box->Paste(); break;
    case pcCut: box->Cut(); break;
    case pcDelete: box->Delete(); break;
    case pcSelectAll: box->SelectAll(true); break;
    case pcSelectParent: box->SelectByKey(vkEscape); break;
    }
    return true;
}

void TEditGraphPanel::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
    TPanelCommand command;
    if (key != 0 && CommandOf(KeyToShortCut(key, shift), command) && Execute(command)) key = 0;
}

void TEditGraphPanel::EraseBackground(TCanvas& canvas, const TRect& clip) {
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = box_ ? box_->Color() : GetColor();
    if (OnEraseBkGnd) {
        canvas.SaveDC();
        try {
            OnEraseBkGnd(this, canvas, clip);
        } catch (...) {
            canvas.RestoreDC(-1);
            throw;
        }
        canvas.RestoreDC(-1);
        return;
    }
    canvas.FillRect(clip);
}

void TEditGraphPanel::Paint() {
    if (!box_) {
        TCustomPanel::Paint();
        return;
    }
    if (!horz_ || !vert_) return;
    const TRect corner{vert_->x(), horz_->y(), vert_->x() + vert_->width(), horz_->y() + horz_->height()};
    if (corner.Right - corner.Left > 1 && corner.Bottom - corner.Top > 1)
        DrawFrameControl(Canvas(), corner, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT);
}

bool TEditGraphPanel::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        // The panel's keys come to it as key presses, before the window's
        // shortcuts.
        auto* k = static_cast<QKeyEvent*>(e);
        TPanelCommand command;
        if (box_ && CommandOf(KeyToShortCut(k->key(), k->modifiers()), command)) {
            e->accept();
            return true;
        }
    }
    return TCustomPanel::event(e);
}

void TEditGraphPanel::paintEvent(QPaintEvent* e) {
    QPainter painter(this);
    Canvas().Attach(&painter);
    const QRect c = e->rect();
    CallReporting([&] {
        EraseBackground(Canvas(), TRect{c.left(), c.top(), c.right() + 1, c.bottom() + 1});
        Paint();
    });
    Canvas().Detach();
}

void TEditGraphPanel::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    CallReporting([&] { Resize(); });
}

void TEditGraphPanel::keyPressEvent(QKeyEvent* e) {
    int key = e->key();
    CallReporting([&] { KeyDown(key, e->modifiers()); });
    if (key == 0) {
        e->accept();
        return;
    }
    if (OnKeyPress && !e->text().isEmpty()) {
        std::string text = e->text().toStdString();
        CallReporting([&] { OnKeyPress(this, text); });
    }
    TCustomPanel::keyPressEvent(e);
}

void TEditGraphPanel::keyReleaseEvent(QKeyEvent* e) {
    if (OnKeyUp) {
        int key = e->key();
        CallReporting([&] { OnKeyUp(this, key, e->modifiers()); });
    }
    TCustomPanel::keyReleaseEvent(e);
}

void TEditGraphPanel::focusInEvent(QFocusEvent* e) {
    TCustomPanel::focusInEvent(e);
    if (OnEnter) CallReporting([&] { OnEnter(this); });
}

void TEditGraphPanel::focusOutEvent(QFocusEvent* e) {
    TCustomPanel::focusOutEvent(e);
    if (OnExit) CallReporting([&] { OnExit(this); });
}

void TEditGraphPanel::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && box_) {
        CallReporting([&] { box_->SetupDlg(); });
        e->accept();
        return;
    }
    TCustomPanel::mouseDoubleClickEvent(e);
}

}  // namespace velt

#include "platform/ui/UpDown.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "platform/ui/Canvas.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/FrameControl.h"

namespace velt {

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) { resize(16, 24); }

void TUpDown::SetMin(int v) {
    min_ = std::clamp(v, -32768, 32767);
    position_ = std::max(position_, std::min(min_, max_));
}

void TUpDown::SetMax(int v) {
    max_ = std::clamp(v, -32768, 32767);
    position_ = std::min(position_, std::max(min_, max_));
}

void TUpDown::SetAssociate(QWidget* w) {
    associate_ = w;
    if (w && w->parentWidget() == parentWidget()) setGeometry(w->geometry().right() + 1, w->y(), width(), w->height());
}

void TUpDown::Click(TUDBtnType b) {
    const int next = b == btNext ? position_ + 1 : position_ - 1;
    if (next >= std::min(min_, max_) && next <= std::max(min_, max_)) position_ = next;
    if (OnClick) OnClick(this, b);
}

void TUpDown::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TCanvas c(&p);
    const int h = height() / 2;
    DrawFrameControl(c, TRect{0, 0, width(), h}, DFC_SCROLL, DFCS_SCROLLUP | (Pressed(btNext) ? DFCS_PUSHED : 0));
    DrawFrameControl(c, TRect{0, h, width(), height()}, DFC_SCROLL,
                     DFCS_SCROLLDOWN | (Pressed(btPrev) ? DFCS_PUSHED : 0));
}

void TUpDown::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    pressed_ = true;
    pressedBtn_ = e->position().y() < height() / 2 ? btNext : btPrev;
    update();
    CallReporting([&] { Click(pressedBtn_); });
}

void TUpDown::mouseReleaseEvent(QMouseEvent*) {
    pressed_ = false;
    update();
}

}  // namespace velt

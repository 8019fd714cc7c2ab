#pragma once
// The up-down buttons of the platform: two arrow buttons on top of each
// other, with a range and an associated control. A press reports OnClick
// with btNext (the upper button) or btPrev; the buttons never change the
// associated control's text themselves.

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace velt {

enum TUDBtnType : uint8_t { btNext, btPrev };

class TUpDown : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
public:
    explicit TUpDown(QWidget* parent = nullptr);

    int Min() const { return min_; }
    int Max() const { return max_; }
    // Range limits within -32768..32767; Min above Max is kept as given.
    void SetMin(int v);
    void SetMax(int v);
    int Position() const { return position_; }
    QWidget* Associate() const { return associate_; }
    // Sits at the associated control's right edge, of its height.
    void SetAssociate(QWidget* w);
    // The button pressed now, if any (for painting).
    bool Pressed(TUDBtnType b) const { return pressed_ && pressedBtn_ == b; }
    // As a press on the button.
    void Click(TUDBtnType b);

    std::function<void(QObject* Sender, TUDBtnType Button)> OnClick;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int min_ = 0, max_ = 100, position_ = 0;
    QPointer<QWidget> associate_;
    bool pressed_ = false;
    TUDBtnType pressedBtn_ = btNext;
};

}  // namespace velt

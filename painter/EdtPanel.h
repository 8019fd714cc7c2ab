#pragma once
// The panel that hosts an editing canvas between two rulers and turns keys
// into the canvas's commands. The keys are taken before any menu shortcut
// of the window, so a host's menu cannot steal them while the panel has the
// focus.

#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "painter/GrfRul.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ShortCut.h"

namespace velt {

class TEditGraphPaint;
class TEditGraphPanel;

using TEraseBkGndEvent = std::function<void(TEditGraphPanel* Sender, TCanvas& DC, const TRect& R)>;
using TPanelKeyEvent = std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
using TPanelKeyPressEvent = std::function<void(QObject* Sender, std::string& Key)>;

// The canvas's commands that the panel's keys run.
enum TPanelCommand : uint8_t {
    pcZoomIn,
    pcZoomOut,
    pcZoomAll,
    pcSendToBack,
    pcBringToFront,
    pcRepaint,
    pcCopy,
    pcPaste,
    pcCut,
    pcDelete,
    pcSelectAll,
    pcSelectParent
};

struct TPanelKey {
    TPanelCommand Command;
    TShortCut Key;
};

class TEditGraphPanel : public TCustomPanel {
    Q_OBJECT
    Q_PROPERTY(bool TabStop READ GetTabStop WRITE SetTabStop)

public:
    // No bevels, a tab stop, and the two rulers (without a canvas).
    explicit TEditGraphPanel(QWidget* parent = nullptr);
    ~TEditGraphPanel() override;
    // A panel with Loaded run.
    static std::unique_ptr<TEditGraphPanel> Create(QWidget* parent = nullptr);

    // The keys, in the order they are looked up.
    static const std::vector<TPanelKey>& Keys();
    // The key of a command; 0 for none.
    static TShortCut KeyOf(TPanelCommand command);

    TEditGraphPaint* Box() const;
    // Attaches the canvas (the panel becomes its parent), fills the panel
    // with it, clears the caption and binds the rulers to it.
    void SetBox(TEditGraphPaint* box);
    TGraphRuller* HorzRuller() const { return horz_.data(); }
    TGraphRuller* VertRuller() const { return vert_.data(); }

    bool GetTabStop() const { return tabStop_; }
    void SetTabStop(bool value);

    // The client area less the visible rulers' strips at the right and the
    // bottom.
    TRect BoxRect() const;
    // Places the canvas and the rulers, marks the canvas's visible list for
    // rebuild and queues CMResized.
    virtual void Resize();
    // Runs OnResize.
    void CMResized();
    // Runs the command on the canvas; false without a canvas.
    bool Execute(TPanelCommand command);
    // The command of a key; false when the key is not the panel's.
    static bool CommandOf(TShortCut key, TPanelCommand& command);

    std::function<void(QObject*)> OnEnter;
    std::function<void(QObject*)> OnExit;
    TPanelKeyEvent OnKeyDown;
    TPanelKeyPressEvent OnKeyPress;
    TPanelKeyEvent OnKeyUp;
    TEraseBkGndEvent OnEraseBkGnd;

protected:
    // Erases the background, then the corner between the rulers.
    void Paint() override;
    // After OnKeyDown (which may clear the key), a key of the panel runs
    // its command.
    virtual void KeyDown(int& key, Qt::KeyboardModifiers shift);
    // The brush takes the canvas's colour; OnEraseBkGnd, when set, erases
    // (the canvas's state kept around it), else the brush fills the clip.
    virtual void EraseBackground(TCanvas& canvas, const TRect& clip);

    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    QPointer<TEditGraphPaint> box_;
    QPointer<TGraphRuller> horz_, vert_;
    bool tabStop_ = true;
};

}  // namespace velt

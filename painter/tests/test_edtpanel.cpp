// The editing panel: its layout between the rulers, the keys it takes
// before a window's shortcuts, the corner, the background and the palette
// registration.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QTest>

#include "painter/EdtPaint.h"
#include "painter/EdtPanel.h"
#include "painter/GrfeReg.h"
#include "platform/ui/Colors.h"
#include "platform/ui/ComponentPalette.h"
#include "platform/ui/DialogRunner.h"

using namespace velt;

namespace {

std::unique_ptr<TEditGraphPanel> MakePanel(QWidget* parent = nullptr) {
    auto panel = TEditGraphPanel::Create(parent);
    panel->SetBox(new TEditGraphPaint(panel.get()));
    panel->resize(300, 200);
    return panel;
}

QRect Geometry(const TRect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }

TEST(EditGraphPanel, BoxAndRulersShareTheClientAreaAndResizedIsQueued) {
    auto panel = MakePanel();
    int resized = 0;
    panel->OnResize = [&](QObject*) { ++resized; };
    panel->show();
    QApplication::processEvents();
    resized = 0;
    panel->resize(320, 210);
    EXPECT_EQ(resized, 0);
    QApplication::processEvents();
    EXPECT_GE(resized, 1);
    EXPECT_EQ(Geometry(panel->BoxRect()), QRect(0, 0, 296, 186));
    EXPECT_EQ(panel->Box()->geometry(), QRect(0, 0, 296, 186));
    EXPECT_EQ(panel->VertRuller()->geometry(), QRect(296, 0, 24, 186));
    EXPECT_EQ(panel->HorzRuller()->geometry(), QRect(0, 186, 296, 24));
    EXPECT_EQ(GetAlign(panel->Box()), controls::alNone);
    EXPECT_EQ(panel->GetBevelOuter(), bvNone);
    EXPECT_EQ(panel->GetBevelInner(), bvNone);
    EXPECT_EQ(panel->focusPolicy(), Qt::StrongFocus);
    panel->SetTabStop(false);
    EXPECT_EQ(panel->focusPolicy(), Qt::ClickFocus);
    // The rulers are the canvas's.
    EXPECT_EQ(panel->Box()->Rullers().Horz(), panel->HorzRuller());
    EXPECT_EQ(panel->Box()->Rullers().Vert(), panel->VertRuller());
    // A hidden ruler gives its strip to the canvas.
    panel->VertRuller()->hide();
    panel->Resize();
    EXPECT_EQ(panel->Box()->geometry(), QRect(0, 0, 320, 186));
    EXPECT_EQ(panel->HorzRuller()->geometry(), QRect(0, 186, 320, 24));
}

TEST(EditGraphPanel, KeysRunTheCanvasCommandsBeforeTheWindowsShortcuts) {
    QMainWindow window;
    auto* panel = MakePanel(&window).release();
    window.setCentralWidget(panel);
    int menuZoom = 0, menuQuit = 0;
    auto* zoom = new QAction("Zoom In", &window);
    zoom->setShortcut(QKeySequence("Ctrl+I"));
    QObject::connect(zoom, &QAction::triggered, [&] { ++menuZoom; });
    window.addAction(zoom);
    auto* quit = new QAction("Quit", &window);
    quit->setShortcut(QKeySequence("Ctrl+Q"));
    QObject::connect(quit, &QAction::triggered, [&] { ++menuQuit; });
    window.addAction(quit);
    window.resize(400, 300);
    window.show();
    QApplication::setActiveWindow(&window);
    panel->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(panel->hasFocus());

    TEditGraphPaint* box = panel->Box();
    box->StandartScale = false;
    box->SetMst(2);
    QTest::keyClick(panel, Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(menuZoom, 0);
    EXPECT_FLOAT_EQ(box->Mst(), 3);
    QTest::keyClick(panel, Qt::Key_O, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(box->Mst(), 2);
    // A key the panel does not know goes to the window.
    QTest::keyClick(panel, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(menuQuit, 1);
    // OnKeyDown may take a key away from the panel.
    panel->OnKeyDown = [](QObject*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_I) key = 0;
    };
    QTest::keyClick(panel, Qt::Key_I, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(box->Mst(), 2);

    // The table of keys, as the menus show them.
    std::string keys;
    for (const TPanelKey& k : TEditGraphPanel::Keys()) keys += ShortCutToText(k.Key) + " ";
    EXPECT_EQ(keys, "Ctrl+I Ctrl+O Ctrl+L Ctrl+B Ctrl+F F5 Ctrl+Ins Shift+Ins Shift+Del Ctrl+Del Ctrl+A Esc ");
    TPanelCommand c;
    EXPECT_TRUE(TEditGraphPanel::CommandOf(TextToShortCut("Shift+Del"), c));
    EXPECT_EQ(c, pcCut);
    EXPECT_FALSE(TEditGraphPanel::CommandOf(TextToShortCut("Del"), c));
}

TEST(EditGraphPanel, CornerIsAFlatButtonAndTheBackgroundEraseIsTheHandlers) {
    auto panel = MakePanel();
    panel->resize(200, 150);
    std::vector<QRect> erased;
    panel->OnEraseBkGnd = [&](TEditGraphPanel* sender, TCanvas& dc, const TRect& r) {
        EXPECT_EQ(sender, panel.get());
        // The brush comes in the canvas's colour.
        EXPECT_EQ(dc.Brush.Color, panel->Box()->Color());
        dc.Brush.Color = clRed;
        dc.FillRect(r);
        erased.push_back(Geometry(r));
    };
    panel->Box()->hide();
    const QImage shot = panel->grab().toImage();
    ASSERT_FALSE(erased.empty());
    EXPECT_EQ(erased.front(), QRect(0, 0, 200, 150));
    // Where the canvas would be, the handler's red; the corner is a flat
    // button face with a shadow frame.
    EXPECT_EQ(shot.pixelColor(50, 50), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(188, 138), ColorToQColor(clBtnFace));
    EXPECT_EQ(shot.pixelColor(176, 126), ColorToQColor(clBtnShadow));
}

// Records the dialogs run and cancels them.
class TRecordingRunner : public TDialogRunner {
public:
    int Run(QDialog& dialog) override {
        titles.push_back(dialog.windowTitle().toStdString());
        return 2;
    }
    std::vector<std::string> titles;
};

TEST(EditGraphPanel, DoubleClickOpensTheCanvasSetup) {
    auto panel = MakePanel();
    panel->show();
    QApplication::processEvents();
    TRecordingRunner runner;
    TDialogRunnerGuard guard(&runner);
    QTest::mouseDClick(panel.get(), Qt::LeftButton, Qt::NoModifier, QPoint(290, 190));
    ASSERT_EQ(runner.titles.size(), 1u);
    EXPECT_EQ(runner.titles[0], "Властивості");
}

TEST(EditGraphPanel, RegisteredOnVerUdovWithACanvasOfItsOwn) {
    RegisterPainterComponents();
    std::vector<std::string> classes = ComponentPalette().GetClasses("VerUdov");
    const std::vector<std::string> want = {"TGraphPaint", "TEditGraphPaint", "TEditGraphPanel", "TGraphRuller"};
    for (const std::string& w : want) EXPECT_EQ(ComponentPalette().GetPageOf(w), "VerUdov") << w;
    std::unique_ptr<QWidget> made = ComponentPalette().CreateComponent("TEditGraphPanel");
    auto* panel = qobject_cast<TEditGraphPanel*>(made.get());
    ASSERT_TRUE(panel);
    ASSERT_TRUE(panel->Box());
    EXPECT_EQ(panel->Box()->parentWidget(), panel);
    EXPECT_EQ(panel->Box()->Rullers().Horz(), panel->HorzRuller());
    EXPECT_TRUE(qobject_cast<TEditGraphPaint*>(ComponentPalette().CreateComponent("TEditGraphPaint").get()));
    auto ruller = ComponentPalette().CreateComponent("TGraphRuller");
    EXPECT_FALSE(qobject_cast<TGraphRuller*>(ruller.get())->IsLoading());
}

}  // namespace

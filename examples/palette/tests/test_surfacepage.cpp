#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLayout>
#include <QMouseEvent>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "examples/palette/SurfacePage.h"
#include "graphics/GraphicsUnits.h"
#include "painter/GrfPaint.h"
#include "painter/PainterUnits.h"
#include "painter/dPainter.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/TimerSource.h"

using namespace velt;

namespace {

void Send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), b, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Counts the dialogs run and whether the surface's scroll timer ran then.
struct Recorder : TDialogRunner {
    int runs = 0;
    bool scrolling = false;
    TGraphPaint* surface = nullptr;
    int Run(QDialog& dialog) override {
        ++runs;
        EXPECT_NE(dynamic_cast<TDlgPainterSetup*>(&dialog), nullptr);
        scrolling = surface->ScrollTimer() && surface->ScrollTimer()->GetEnabled();
        return QDialog::Rejected;
    }
};

}  // namespace

TEST(SurfacePage, DoubleClickOpensTheSetupOnceThePressIsDone) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / ("velt_surfacepage_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    GraphicsStartup((dir / "test.INI").string());
    PainterStartup();
    {
        TManualTimerSource clock;
        TTimerSourceGuard timers(&clock);
        QWidget page;
        page.resize(400, 300);
        TGraphPaint* box = FillSurfacePage(&page);
        page.layout()->activate();
        Recorder runner;
        runner.surface = box;
        TDialogRunnerGuard guard(&runner);
        Send(box, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
        Send(box, QEvent::MouseButtonRelease, {50, 50}, Qt::LeftButton, Qt::NoButton);
        clock.Advance(100);
        // The second press; its release goes to the dialog, not the surface.
        Send(box, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
        EXPECT_EQ(runner.runs, 0);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(runner.runs, 1);
        EXPECT_FALSE(runner.scrolling);
        ASSERT_NE(box->ScrollTimer(), nullptr);
        EXPECT_FALSE(box->ScrollTimer()->GetEnabled());
    }
    PainterShutdown();
    GraphicsShutdown();
    std::filesystem::remove_all(dir);
}

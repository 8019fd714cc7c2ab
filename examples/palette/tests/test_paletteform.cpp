#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

#include "examples/palette/PaletteForm.h"
#include "graphics/GrfReg.h"
#include "graphics/GrfSel.h"
#include "graphics/GraphicsUnits.h"
#include "painter/GrfeReg.h"
#include "painter/PainterUnits.h"
#include "treeview/CompList.h"
#include "treeview/SmallReg.h"

using namespace velt;
namespace fs = std::filesystem;

namespace {

// The host's start-up, on an INI file of the test's own.
class PaletteHost : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) / "velt_palette_host";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        GraphicsStartup((dir_ / "velt-palette.INI").string());
        PainterStartup();
        RegisterGraphicsControls();
        RegisterPainterComponents();
        RegisterSmallControls();
        InstallCompListDispatcher();
    }
    void TearDown() override {
        PainterShutdown();
        RestoreCompListDispatcher();
        GraphicsShutdown();
        fs::remove_all(dir_);
    }

private:
    fs::path dir_;
};

}  // namespace

TEST_F(PaletteHost, TabReachesEachPickerInTurnAndAltDownOpensIt) {
    TPaletteForm form;
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_TRUE(form.ShowPage("VerUdov"));
    std::vector<TCustomGraphSelect*> pickers;
    for (QWidget* w = form.Tabs()->currentWidget()->nextInFocusChain(); w && w != form.Tabs()->currentWidget();
         w = w->nextInFocusChain())
        if (auto* p = qobject_cast<TCustomGraphSelect*>(w); p && form.Tabs()->currentWidget()->isAncestorOf(p))
            pickers.push_back(p);
    ASSERT_EQ(pickers.size(), 10u);  // seven kinds, colour, font and size
    pickers.front()->setFocus(Qt::TabFocusReason);
    for (size_t i = 0; i < pickers.size(); ++i) {
        SCOPED_TRACE(pickers[i]->objectName().toStdString());
        if (i > 0) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), pickers[i]);
        QTest::keyClick(pickers[i], Qt::Key_Down, Qt::AltModifier);
        EXPECT_TRUE(pickers[i]->PopupShown());
        QTest::keyClick(pickers[i], Qt::Key_Escape);
        EXPECT_FALSE(pickers[i]->PopupShown());
    }
}

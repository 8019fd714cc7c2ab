#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <filesystem>
#include <string>
#include <vector>
#include <unistd.h>

#include "examples/palette/PaletteForm.h"
#include "graphics/GrfRERul.h"
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
        dir_ = fs::path(::testing::TempDir()) /
               ("velt_palette_host_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + std::to_string(::getpid()));
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

TEST_F(PaletteHost, AddingATabStopOnTheRulerKeepsTheHangingIndent) {
    TPaletteForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(form.ShowPage("VerUdov"));
    QApplication::processEvents();
    auto* ruler = qobject_cast<TRichRuller*>(form.Component("RichRuller1"));
    ASSERT_NE(ruler, nullptr);
    QTextEdit* edit = ruler->GetRichEdit();
    ASSERT_NE(edit, nullptr);
    // In the first paragraph the right margin is dragged far in, to 40
    // pixels from the page's start; then the caret goes into the hanging one.
    edit->setTextCursor(QTextCursor(edit->document()->findBlockByNumber(0)));
    const int y = ruler->height() * 3 / 4;
    const int pageRight = ruler->GetNullPos() + ruler->GetPageWidth();
    QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(pageRight, y));
    QTest::mouseMove(ruler, QPoint(pageRight - 100, y));
    QTest::mouseMove(ruler, QPoint(ruler->GetNullPos() + 40, y));
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(ruler->GetNullPos() + 40, y));
    ASSERT_EQ(ruler->GetPageWidth() - ruler->GetRightMargin(), 40);
    const QTextBlock hanging = edit->document()->findBlockByNumber(1);
    const QTextBlockFormat before = hanging.blockFormat();
    ASSERT_EQ(before.leftMargin(), 60);
    edit->setTextCursor(QTextCursor(hanging));
    EXPECT_EQ(ruler->GetLeftMargin(), 60);
    // A click on empty ruler space adds a tab stop; the paragraph takes it.
    const QPoint at(ruler->GetNullPos() + 20, ruler->height() / 4);
    QTest::mouseClick(ruler, Qt::LeftButton, {}, at);
    const QTextBlockFormat after = edit->document()->findBlockByNumber(1).blockFormat();
    EXPECT_EQ(after.tabPositions().size(), 1);
    EXPECT_EQ(after.leftMargin(), before.leftMargin());
    EXPECT_EQ(after.textIndent(), before.textIndent());
    EXPECT_EQ(after.rightMargin(), before.rightMargin());
}

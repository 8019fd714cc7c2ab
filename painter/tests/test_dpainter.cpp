#include <gtest/gtest.h>

#include <QLocale>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <unistd.h>

#include "graphics/GraphicsUnits.h"
#include "painter/dPainter.h"
#include "painter/tests/SurfaceTestSupport.h"
#include "treeview/MenuList.h"

using namespace velt;

namespace {

class PainterSetup : public velt::test::SurfaceTest {
protected:
    void SetUp() override {
        dir = std::filesystem::path(::testing::TempDir()) / ("velt_dpainter_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        GraphicsStartup((dir / "test.INI").string());
        SurfaceTest::SetUp();
        dlg = std::make_unique<TDlgPainterSetup>();
    }
    void TearDown() override {
        dlg.reset();
        SurfaceTest::TearDown();
        GraphicsShutdown();
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
    std::unique_ptr<TDlgPainterSetup> dlg;
};

QString Text(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

}  // namespace

TEST_F(PainterSetup, CaptionsNamesAndSize) {
    EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8("Настройки редактора зображення"));
    EXPECT_EQ(dlg->size(), QSize(429, 299));
    EXPECT_EQ(dlg->PC->currentWidget(), dlg->TSSteps);
    EXPECT_EQ(dlg->PC->tabText(0), QString::fromUtf8("Вікно редагування"));
    EXPECT_EQ(dlg->PC->tabText(1), QString::fromUtf8("Крок та сітка"));
    const std::pair<const char*, const char*> captions[] = {
        {"Label1", "Основна"}, {"Label2", "Для показу"}, {"Label3", "Система одиниць виміру"},
        {"Label4", "Кольори"}, {"Label5", "Фон вікна"}, {"CBRulShow", "Показувати"}, {"Label6", "Лінійки"},
        {"CBRulPos", "Поточна позиція"}, {"Label7", "Крок курсора"}, {"Label8", "Точкова розмітка"},
        {"CBStep", "Наявний"}, {"Label9", "Значення"}, {"CBGrid", "Показувати"}, {"Label10", "Інтервал нанесення"},
        {"CBGridLn", "Показувати"}, {"Label11", "Інтервал нанесення"}, {"Label12", "Розмітка лініями"},
        {"CBRulStd", "Розмітка "}, {"Label13", "Колір"}, {"Label14", "Колір"}, {"BOk", "Ok"},
        {"Button1", "Cancel"}, {"BtnApply", "Викон&aти"}};
    for (auto [name, text] : captions) {
        auto* w = dlg->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(Text(w), QString::fromUtf8(text)) << name;
        EXPECT_EQ(w->property(kTagProperty).toInt(), 0) << name;
    }
    EXPECT_EQ(dlg->EdStep->text(), "0");
    EXPECT_FALSE(dlg->BtnApply->isEnabled());
    EXPECT_TRUE(dlg->BOk->isDefault());
    ASSERT_EQ(dlg->CBMsrType->count(), 6);
    EXPECT_EQ(dlg->CBMsrShow->itemText(1), "Milimeter");
    EXPECT_EQ(dlg->UdGrid->Min(), -10000);
    EXPECT_EQ(dlg->UdStep->Max(), 10000);
}

TEST_F(PainterSetup, RoundTripWithoutChanges) {
    box->Step().SetEnabled(false);
    box->Step().SetValue(5);
    box->Grid().SetValue(25);
    box->SetMeasureShow(mtCMt);
    dlg->LoadFromBox(box);
    EXPECT_EQ(dlg->Tag(), 0);
    EXPECT_FALSE(dlg->BtnApply->isEnabled());
    EXPECT_EQ(dlg->EdStep->text(), "5.");
    EXPECT_EQ(dlg->EdGrid->text(), "25.");
    EXPECT_EQ(dlg->CBMsrShow->currentIndex(), int(mtCMt));
    dlg->SaveToBox(box);
    EXPECT_FALSE(box->Step().Enabled());
    EXPECT_FALSE(box->Grid().Enabled());
    EXPECT_EQ(box->Step().Value(), 5.0f);
    EXPECT_EQ(box->MeasureShow(), mtCMt);
    // No selection keeps the stored unit.
    dlg->CBMsrType->setCurrentIndex(-1);
    dlg->SaveToBox(box);
    EXPECT_EQ(box->MeasureType(), mtMMt);
    // Without a surface nothing happens.
    dlg->LoadFromBox(nullptr);
    dlg->SaveToBox(nullptr);
    EXPECT_EQ(dlg->Box(), nullptr);
}

TEST_F(PainterSetup, EditsCheckTheirBoxesAndApply) {
    dlg->LoadFromBox(box);
    QTest::keyClick(dlg->EdGrid, Qt::Key_Home);
    QTest::keyClicks(dlg->EdGrid, "1");  // "20." becomes "120."
    EXPECT_TRUE(dlg->CBGrid->isChecked());
    EXPECT_TRUE(dlg->BtnApply->isEnabled());
    EXPECT_EQ(dlg->Tag(), 1);
    dlg->BtnApply->click();
    EXPECT_TRUE(box->Grid().Enabled());
    EXPECT_EQ(box->Grid().Value(), 120.0f);
    EXPECT_FALSE(dlg->BtnApply->isEnabled());
    // The standard-marking box changes nothing but marks the form changed.
    auto fresh = std::make_unique<TDlgPainterSetup>();
    fresh->LoadFromBox(box);
    fresh->CBRulStd->setChecked(true);
    EXPECT_EQ(fresh->Tag(), 1);
    EXPECT_TRUE(fresh->BtnApply->isEnabled());
}

TEST_F(PainterSetup, UpDownDoublesAndHalves) {
    dlg->LoadFromBox(box);
    dlg->EdGrid->setText("400");
    dlg->UdGrid->Click(btNext);
    EXPECT_EQ(dlg->EdGrid->text(), "800.");
    dlg->EdGrid->setText("600");
    dlg->UdGrid->Click(btNext);
    EXPECT_EQ(dlg->EdGrid->text(), "600");
    dlg->UdGrid->Click(btPrev);
    EXPECT_EQ(dlg->EdGrid->text(), "300.");
    dlg->EdStep->setText("5");
    dlg->UdStep->Click(btPrev);
    EXPECT_EQ(dlg->EdStep->text(), "2.5");
    EXPECT_TRUE(dlg->CBStep->isChecked());
}

TEST_F(PainterSetup, PagesWorkInAnotherTabWidget) {
    QTabWidget other;
    other.addTab(dlg->TSSteps, "moved");
    other.addTab(dlg->TSWindow, "moved too");
    dlg->LoadFromBox(box);
    dlg->EdGridLn->setText("30");
    EXPECT_TRUE(dlg->CBGridLn->isChecked());
    dlg->CBRulPos->setChecked(false);
    dlg->BtnApplyClick();
    EXPECT_TRUE(box->GridLn().Enabled());
    EXPECT_EQ(box->GridLn().Value(), 30.0f);
    EXPECT_EQ(dlg->Tag(), 1);
    dlg->PC->addTab(dlg->TSSteps, "back");  // give the page back before either goes
    dlg->PC->addTab(dlg->TSWindow, "back");
}

TEST_F(PainterSetup, ColoursFollowTheSurface) {
    box->SetColor(clYellow);
    box->Grid().SetColor(clRed);
    dlg->LoadFromBox(box);
    EXPECT_EQ(dlg->Tag(), 0);
    EXPECT_EQ(dlg->ColWindow->GetColorValue() & 0xFFFFFF, clYellow);
    EXPECT_EQ(dlg->ColGrid->GetColorValue() & 0xFFFFFF, clRed);
    EXPECT_EQ(dlg->ColWindow->GetItemsCount(), PalSize());
    dlg->ColWindow->SetColorValue(clAqua);  // a programmatic change counts as one
    EXPECT_EQ(dlg->Tag(), 1);
    dlg->SaveToBox(box);
    EXPECT_EQ(box->Color(), dlg->ColWindow->GetColorValue());
    EXPECT_EQ(box->ColorRGB() & 0xFFFFFF, clAqua);
    // Both grids' colours are stored.
    dlg->ColGrid->SetColorValue(clLime);
    dlg->ColGridLn->SetColorValue(clBlue);
    dlg->SaveToBox(box);
    EXPECT_EQ(box->Grid().Color() & 0xFFFFFF, clLime);
    EXPECT_EQ(box->GridLn().Color() & 0xFFFFFF, clBlue);
}

TEST_F(PainterSetup, TextsThatAreNoNumbersKeepTheValue) {
    const QLocale was;
    QLocale::setDefault(QLocale(QLocale::Ukrainian, QLocale::Ukraine));
    box->Grid().SetEnabled(true);
    dlg->LoadFromBox(box);
    dlg->EdGrid->setText("7,5");  // the decimal comma a Ukrainian user types
    dlg->SaveToBox(box);
    EXPECT_EQ(box->Grid().Value(), 7.5f);
    EXPECT_FALSE(TDlgPainterSetup::EditMarked(dlg->EdGrid));
    dlg->EdGrid->setText("20");
    dlg->SaveToBox(box);
    for (const char* bad : {"abc", "", "nan", "inf", "-3", "0", "1e99", "7,5,1"}) {
        dlg->EdGrid->setText(bad);
        EXPECT_TRUE(TDlgPainterSetup::EditMarked(dlg->EdGrid)) << bad;
        dlg->SaveToBox(box);
        EXPECT_EQ(box->Grid().Value(), 20.0f) << bad;
        EXPECT_TRUE(box->Grid().Enabled()) << bad;
        EXPECT_TRUE(TDlgPainterSetup::EditMarked(dlg->EdGrid)) << bad;
    }
    // The edit looks marked, and the grid is still drawn.
    EXPECT_NE(dlg->EdGrid->palette().color(QPalette::Base), dlg->EdStep->palette().color(QPalette::Base));
    box->Update();
    EXPECT_EQ(Px(20, 20), 0xC0C0C0u);
    EXPECT_EQ(Px(21, 20), 0xFFFFFFu);
    // An up-down press on a text that is no number changes nothing.
    dlg->UdGrid->Click(btNext);
    EXPECT_EQ(dlg->EdGrid->text(), "7,5,1");
    dlg->LoadFromBox(box);
    EXPECT_FALSE(TDlgPainterSetup::EditMarked(dlg->EdGrid));
    QLocale::setDefault(was);
}

TEST_F(PainterSetup, StoredValuesSurviveAnOkAfterAnotherChange) {
    box->Grid().SetValue(1234567);
    box->GridLn().SetValue(0.1f);
    box->Step().SetValue(123.456789f);
    dlg->LoadFromBox(box);
    EXPECT_EQ(dlg->EdGrid->text(), "1234567.");
    dlg->CBRulStd->setChecked(true);
    dlg->SaveToBox(box);
    EXPECT_EQ(box->Grid().Value(), 1234567.0f);
    EXPECT_EQ(box->GridLn().Value(), 0.1f);
    EXPECT_EQ(box->Step().Value(), 123.456789f);
}

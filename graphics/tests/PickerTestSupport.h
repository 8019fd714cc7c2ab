#pragma once
// A shown form with the graphics base started on a fresh INI file, for the
// widget tests of the pickers and the ruler.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "graphics/GraphicsUnits.h"

namespace velt::test {

class GraphicsForm : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("velt_pickers_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        GraphicsStartup((dir_ / "test.INI").string());
        form = std::make_unique<QWidget>();
        form->setGeometry(100, 100, 400, 300);
    }
    void TearDown() override {
        form.reset();
        GraphicsShutdown();
        std::filesystem::remove_all(dir_);
    }
    // Shows the form and makes it the active window.
    void Show() {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // Gives a control made by Create to the form.
    template <typename T>
    T* Put(std::unique_ptr<T> control, int x, int y, int w, int h) {
        T* p = control.release();
        p->setParent(form.get());
        p->setGeometry(x, y, w, h);
        p->show();
        return p;
    }

    std::unique_ptr<QWidget> form;

private:
    std::filesystem::path dir_;
};

}  // namespace velt::test

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

#include "platform/ui/QtDialogs.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace velt;
using velt::test::AnsweringRunner;
using velt::test::ButtonWithText;
using velt::test::PressKey;

namespace {

int RefreshWith(const AnsweringRunner::Answer& answer, bool intfDefault = true) {
    AnsweringRunner runner(answer);
    TQtDialogPort port;
    int r = port.RefreshHeader("TList", "Add", "function Add(Item: Pointer): Integer;",
                               "function TList.Add(P: Pointer): Integer;", intfDefault);
    EXPECT_EQ(runner.Runs, 1);
    return r;
}

TRefreshHeaderForm& AsRefresh(QDialog& d) {
    auto* form = qobject_cast<TRefreshHeaderForm*>(&d);
    if (!form) throw std::runtime_error("not the header refresh form");
    return *form;
}

const std::vector<TTemplateItem> kTemplates = {
    {"while", "while loop"}, {"begin", "begin end block"}, {"try", "try finally"}};

int ChooseWith(const AnsweringRunner::Answer& answer, const std::vector<TTemplateItem>& items = kTemplates) {
    AnsweringRunner runner(answer);
    TQtDialogPort port;
    return port.ChooseTemplate(items);
}

// A left click on a header group's own area, below its label.
void ClickGroupArea(QGroupBox* group) {
    QTest::mouseClick(group, Qt::LeftButton, {}, QPoint(4, group->height() - 3));
}

TFCTForm& AsChooser(QDialog& d) {
    auto* form = qobject_cast<TFCTForm*>(&d);
    if (!form) throw std::runtime_error("not the template chooser");
    return *form;
}

}  // namespace

// --- header refresh ---

TEST(QtRefreshHeader, ShowsBothHeadersUnderTheirGroups) {
    RefreshWith([](QDialog& d) {
        auto& f = AsRefresh(d);
        EXPECT_EQ(f.windowTitle(), "Confirm Refresh Header of TList::Add");
        EXPECT_EQ(f.IntfGroup->title(), "&Interface Header");
        EXPECT_EQ(f.ImplGroup->title(), "I&mplementation Header");
        auto* laIntf = f.findChild<QLabel*>("laIntf");
        auto* laImpl = f.findChild<QLabel*>("laImpl");
        ASSERT_TRUE(laIntf && laImpl);
        EXPECT_EQ(laIntf->text(), "function Add(Item: Pointer): Integer;");
        EXPECT_EQ(laImpl->text(), "function TList.Add(P: Pointer): Integer;");
        EXPECT_EQ(laIntf->parentWidget(), f.IntfGroup);
        EXPECT_EQ(laImpl->parentWidget(), f.ImplGroup);
        // Source text, never markup: "<" and "&" show as written.
        EXPECT_EQ(laIntf->textFormat(), Qt::PlainText);
        auto* intf = f.findChild<QPushButton*>("IntfButton");
        auto* impl = f.findChild<QPushButton*>("ImplButton");
        ASSERT_TRUE(intf && impl);
        EXPECT_EQ(intf->text(), "Refresh Intrf ");
        EXPECT_EQ(impl->text(), "Refresh Impl ");
        ASSERT_NE(ButtonWithText(f, "Cancel"), nullptr);
        f.reject();
    });
}

TEST(QtRefreshHeader, EachButtonClosesWithItsResult) {
    EXPECT_EQ(RefreshWith([](QDialog& d) { QTest::mouseClick(AsRefresh(d).IntfButton, Qt::LeftButton); }), 3);
    EXPECT_EQ(RefreshWith([](QDialog& d) { QTest::mouseClick(AsRefresh(d).ImplButton, Qt::LeftButton); }), 5);
    EXPECT_EQ(RefreshWith([](QDialog& d) { QTest::mouseClick(ButtonWithText(d, "Cancel"), Qt::LeftButton); }), 2);
}

TEST(QtRefreshHeader, ClickingAHeaderTakesItAsTheRightOne) {
    // The interface header is right: the implementation gets rewritten (5).
    EXPECT_EQ(RefreshWith([](QDialog& d) { QTest::mouseClick(AsRefresh(d).laIntf, Qt::LeftButton); }), 5);
    EXPECT_EQ(RefreshWith([](QDialog& d) { ClickGroupArea(AsRefresh(d).IntfGroup); }), 5);
    EXPECT_EQ(RefreshWith([](QDialog& d) { QTest::mouseClick(AsRefresh(d).laImpl, Qt::LeftButton); }), 3);
    EXPECT_EQ(RefreshWith([](QDialog& d) { ClickGroupArea(AsRefresh(d).ImplGroup); }), 3);
    // Only the left button picks a header.
    EXPECT_EQ(RefreshWith([](QDialog& d) {
                  QTest::mouseClick(AsRefresh(d).laIntf, Qt::RightButton);
                  EXPECT_TRUE(d.isVisible());
                  d.reject();
              }),
              2);
}

TEST(QtRefreshHeader, EnterPressesTheDefaultButton) {
    for (const bool intfDefault : {true, false}) {
        auto answer = [intfDefault](QDialog& d) {
            auto& f = AsRefresh(d);
            EXPECT_EQ(f.IntfButton->isDefault(), intfDefault);
            EXPECT_EQ(f.ImplButton->isDefault(), !intfDefault);
            PressKey(d, Qt::Key_Return);
        };
        EXPECT_EQ(RefreshWith(answer, intfDefault), intfDefault ? 3 : 5);
    }
}

TEST(QtRefreshHeader, EscapeOrClosingCancels) {
    EXPECT_EQ(RefreshWith([](QDialog& d) { PressKey(d, Qt::Key_Escape); }), 2);
    EXPECT_EQ(RefreshWith([](QDialog& d) { d.close(); }), 2);
}

// --- template chooser ---

TEST(QtTemplateChooser, BorderlessReadOnlyListInGivenOrder) {
    ChooseWith([](QDialog& d) {
        auto& f = AsChooser(d);
        EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
        auto* list = f.findChild<QTreeWidget*>("TemplatesList");
        ASSERT_EQ(list, f.TemplatesList);
        ASSERT_EQ(list->columnCount(), 2);
        EXPECT_EQ(list->headerItem()->text(0), "Name");
        EXPECT_EQ(list->headerItem()->text(1), "Description");
        EXPECT_EQ(list->columnWidth(0), 100);
        EXPECT_EQ(list->columnWidth(1), 250);
        EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        ASSERT_EQ(list->topLevelItemCount(), 3);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "while");
        EXPECT_EQ(list->topLevelItem(0)->text(1), "while loop");
        EXPECT_EQ(list->topLevelItem(2)->text(0), "try");
        // Whatever face stands in for Courier New, the columns line up.
        const QFontMetrics fm(list->font());
        const int w = fm.horizontalAdvance("iiii");
        EXPECT_GT(w, 0);
        EXPECT_EQ(fm.horizontalAdvance("WWWW"), w) << QFontInfo(list->font()).family().toStdString();
        EXPECT_EQ(fm.horizontalAdvance("0000"), w) << QFontInfo(list->font()).family().toStdString();
        PressKey(d, Qt::Key_Escape);
    });
}

TEST(QtTemplateChooser, EnterTakesTheSelectedRow) {
    EXPECT_EQ(ChooseWith([](QDialog& d) { PressKey(d, Qt::Key_Return); }), 0);
    EXPECT_EQ(ChooseWith([](QDialog& d) {
                  PressKey(d, Qt::Key_Down);
                  PressKey(d, Qt::Key_Down);
                  PressKey(d, Qt::Key_Enter);
              }),
              2);
    // Nothing to choose from: Enter chooses nothing.
    EXPECT_EQ(ChooseWith([](QDialog& d) { PressKey(d, Qt::Key_Return); }, {}), -1);
}

TEST(QtTemplateChooser, DoubleClickTakesTheClickedRow) {
    EXPECT_EQ(ChooseWith([](QDialog& d) {
                  QTreeWidget* list = AsChooser(d).TemplatesList;
                  QPoint at = list->visualItemRect(list->topLevelItem(1)).center();
                  // A double click arrives after the first click of the pair.
                  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
                  // Reading the double click as an edit would leave an editor open.
                  EXPECT_FALSE(list->findChild<QLineEdit*>());
              }),
              1);
}

TEST(QtTemplateChooser, EscapeCancels) {
    EXPECT_EQ(ChooseWith([](QDialog& d) {
                  PressKey(d, Qt::Key_Down);
                  PressKey(d, Qt::Key_Escape);
              }),
              -1);
}

TEST(QtTemplateChooser, LeavingTheFormCancels) {
    EXPECT_EQ(ChooseWith([](QDialog& d) {
                  QWidget elsewhere;
                  elsewhere.setGeometry(0, 0, 50, 50);
                  elsewhere.show();
                  elsewhere.activateWindow();
                  ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
                  EXPECT_FALSE(d.isVisible());
              }),
              -1);
}

TEST(QtTemplateChooser, OpensBelowTheTextCaret) {
    QWidget window;
    window.setGeometry(200, 120, 300, 100);
    auto* edit = new QLineEdit(&window);
    edit->setGeometry(10, 20, 200, 24);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    edit->setText("begin end");
    edit->setCursorPosition(5);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), edit);

    const QRect caret = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QPoint expected = edit->mapToGlobal(caret.topLeft()) + QPoint(0, 150);
    // In screen coordinates: the window's own place counts.
    EXPECT_GE(expected.x(), 200 + 10);
    EXPECT_GE(expected.y(), 120 + 20 + 150);

    QPoint shownAt;
    ChooseWith([&](QDialog& d) {
        shownAt = d.pos();
        d.reject();
    });
    EXPECT_EQ(shownAt, expected);
}

TEST(QtTemplateChooser, OpensBelowThePointerWithoutATextCaret) {
    QWidget window;
    auto* button = new QPushButton("x", &window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    button->setFocus();
    QCursor::setPos(321, 123);
    QApplication::processEvents();
    if (QCursor::pos() != QPoint(321, 123)) GTEST_SKIP() << "this platform cannot move the pointer";
    EXPECT_EQ(TemplateChooserPlace(), QPoint(321, 273));
}

// --- input box and confirmation ---

TEST(QtInputQuery, ShowsCaptionPromptAndValue) {
    std::string value = "Integer";
    AnsweringRunner runner([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Declare local variable");
        auto* label = d.findChild<QLabel*>();
        ASSERT_TRUE(label);
        EXPECT_EQ(label->text(), "Declare variable Count as");
        auto* edit = d.findChild<QLineEdit*>();
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->text(), "Integer");
        d.reject();
    });
    TQtDialogPort port;
    EXPECT_FALSE(port.InputQuery("Declare local variable", "Declare variable Count as", value));
    EXPECT_EQ(value, "Integer");
}

TEST(QtInputQuery, OkOrEnterTakesTheEditedText) {
    auto editTo = [](const QString& text, bool enter) {
        return [=](QDialog& d) {
            auto* edit = d.findChild<QLineEdit*>();
            ASSERT_TRUE(edit);
            edit->selectAll();
            QTest::keyClicks(edit, text);
            if (enter)
                QTest::keyClick(edit, Qt::Key_Return);
            else
                QTest::mouseClick(ButtonWithText(d, "OK"), Qt::LeftButton);
        };
    };
    TQtDialogPort port;
    std::string value = "Integer";
    {
        AnsweringRunner runner(editTo("TStringList", false));
        EXPECT_TRUE(port.InputQuery("Declare local variable", "Declare variable L as", value));
        EXPECT_EQ(value, "TStringList");
    }
    {
        AnsweringRunner runner(editTo("Cardinal", true));
        EXPECT_TRUE(port.InputQuery("Declare local variable", "Declare variable L as", value));
        EXPECT_EQ(value, "Cardinal");
    }
    {
        AnsweringRunner runner([](QDialog& d) {
            QTest::keyClicks(d.findChild<QLineEdit*>(), "xyz");
            QTest::mouseClick(ButtonWithText(d, "Cancel"), Qt::LeftButton);
        });
        EXPECT_FALSE(port.InputQuery("Declare local variable", "Declare variable L as", value));
        EXPECT_EQ(value, "Cardinal");
    }
}

TEST(QtConfirm, YesNoBoxAnswersTrueOnlyForYes) {
    TQtDialogPort port;
    auto answer = [](std::function<void(QDialog&)> act) {
        return [=](QDialog& d) {
            auto* box = qobject_cast<QMessageBox*>(&d);
            ASSERT_TRUE(box);
            EXPECT_EQ(box->windowTitle(), "Confirm");
            EXPECT_EQ(box->text(), "Create implementation TList::Add ?");
            EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            act(d);
        };
    };
    auto click = [](QMessageBox::StandardButton b) {
        return [=](QDialog& d) { QTest::mouseClick(static_cast<QMessageBox&>(d).button(b), Qt::LeftButton); };
    };
    auto press = [](Qt::Key key) { return [=](QDialog& d) { PressKey(d, key); }; };
    const std::pair<AnsweringRunner::Answer, bool> cases[] = {
        {click(QMessageBox::Yes), true},
        {click(QMessageBox::No), false},
        {press(Qt::Key_Escape), false},
        {press(Qt::Key_Return), true},  // Yes is the default
    };
    for (const auto& [act, yes] : cases) {
        AnsweringRunner r(answer(act));
        EXPECT_EQ(port.Confirm("Create implementation TList::Add ?"), yes);
    }
}

TEST(QtDialogPort, InstalledPortAnswersTheFoundationsQuestions) {
    TQtDialogPort port;
    TDialogPortGuard installed(&port);
    AnsweringRunner runner([](QDialog& d) { AsRefresh(d).ImplButton->click(); });
    EXPECT_EQ(GetDialogPort().RefreshHeader("T", "M", "procedure M;", "procedure T.M(X: Integer);", true), 5);
    EXPECT_EQ(runner.Runs, 1);
}

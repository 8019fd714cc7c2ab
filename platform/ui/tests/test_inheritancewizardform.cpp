// The inheritance wizard's form, offscreen: the list fills from the event
// loop while the form is shown, and a closed form asks for nothing more.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <stdexcept>

#include "platform/ui/InheritanceWizardForm.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace velt;
using velt::test::AnsweringRunner;
using velt::test::PressKey;

namespace {

// Gives an ancestor heading and two members per call, Batches times (for
// ever when negative); raises on call Throw.
class TFakeFeed : public TInheritanceFeed {
public:
    int Batches = 2;
    int Throw = -1;
    int Calls = 0;
    bool Next(std::vector<TWizardRow>& rows) override {
        ++Calls;
        if (Calls == Throw) throw std::runtime_error("unreadable unit");
        const std::string n = std::to_string(Calls);
        rows.push_back({"    Derived from TA" + n, "", 4, 0});
        rows.push_back({"Paint" + n, "procedure Paint" + n + "; virtual;", 2, 3});
        rows.push_back({"Size" + n, "property Size" + n + ": Integer read F;", 1, 2});
        return Batches < 0 || Calls < Batches;
    }
};

TInheritanceWizardForm& AsWizard(QDialog& d) {
    auto* form = qobject_cast<TInheritanceWizardForm*>(&d);
    if (!form) throw std::runtime_error("not the inheritance wizard");
    return *form;
}

bool RunWizard(TFakeFeed& feed, const AnsweringRunner::Answer& answer, std::vector<int>& selected) {
    AnsweringRunner runner(answer);
    TQtInheritanceWizardPort port;
    const bool ok = port.Execute("TLeaf", feed, selected);
    EXPECT_EQ(runner.Runs, 1);
    return ok;
}

}  // namespace

TEST(QtInheritanceWizard, FillsWhileShownAndAnswersTheSelectedRowsInListOrder) {
    TFakeFeed feed;
    std::vector<int> selected;
    const bool ok = RunWizard(feed, [&](QDialog& d) {
        auto& f = AsWizard(d);
        EXPECT_EQ(f.windowTitle(), "Inheritance Wizard of TLeaf");
        QTreeWidget* list = f.findChild<QTreeWidget*>("VirtualView");
        ASSERT_EQ(list, f.VirtualView);
        ASSERT_EQ(list->columnCount(), 2);
        EXPECT_EQ(list->headerItem()->text(0), "Name");
        EXPECT_EQ(list->headerItem()->text(1), "Header");
        EXPECT_EQ(list->columnWidth(0), 200);
        EXPECT_EQ(list->columnWidth(1), 400);
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_TRUE(f.OKButton->isDefault());
        EXPECT_EQ(f.CancelButton->text(), "&Cancel");
        EXPECT_EQ(f.HelpButton->text(), "&Help");

        // The event loop feeds the list, one ancestor per turn.
        QTRY_VERIFY(!f.Feeding());
        EXPECT_EQ(feed.Calls, 2);
        ASSERT_EQ(list->topLevelItemCount(), 6);
        EXPECT_EQ(list->topLevelItem(3)->text(0), "    Derived from TA2");
        EXPECT_EQ(list->topLevelItem(4)->text(1), "procedure Paint2; virtual;");
        EXPECT_FALSE(list->topLevelItem(4)->icon(0).isNull());

        // Select all: the headings stay out.
        list->setFocus();
        list->selectAll();
        EXPECT_FALSE(list->topLevelItem(0)->isSelected());
        list->topLevelItem(1)->setSelected(false);
        PressKey(d, Qt::Key_Return);
    }, selected);
    EXPECT_TRUE(ok);
    EXPECT_EQ(selected, (std::vector<int>{2, 4, 5}));
}

TEST(QtInheritanceWizard, ClosingMidWalkStopsAskingAndCancels) {
    for (const bool escape : {false, true}) {
        TFakeFeed feed;
        feed.Batches = -1;  // never ends by itself
        std::vector<int> selected{42};
        const bool ok = RunWizard(feed, [&](QDialog& d) {
            QTRY_VERIFY(feed.Calls >= 2);
            AsWizard(d).VirtualView->selectAll();
            if (escape)
                PressKey(d, Qt::Key_Escape);
            else
                QTest::mouseClick(AsWizard(d).CancelButton, Qt::LeftButton);
        }, selected);
        EXPECT_FALSE(ok);
        EXPECT_EQ(selected, std::vector<int>{42});
        const int calls = feed.Calls;
        QTest::qWait(20);
        EXPECT_EQ(feed.Calls, calls);
    }
}

TEST(QtInheritanceWizard, AFeedThatRaisesEndsTheWalkAndKeepsTheForm) {
    TFakeFeed feed;
    feed.Batches = 5;
    feed.Throw = 2;
    std::vector<int> selected;
    EXPECT_TRUE(RunWizard(feed, [&](QDialog& d) {
        auto& f = AsWizard(d);
        QTRY_VERIFY(!f.Feeding());
        EXPECT_EQ(feed.Calls, 2);
        ASSERT_EQ(f.VirtualView->topLevelItemCount(), 3);
        f.VirtualView->topLevelItem(2)->setSelected(true);
        QTest::mouseClick(f.OKButton, Qt::LeftButton);
    }, selected));
    EXPECT_EQ(selected, std::vector<int>{2});
}

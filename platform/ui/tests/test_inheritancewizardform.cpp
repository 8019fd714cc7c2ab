// The inheritance wizard's form, offscreen, over a chain of in-memory units
// read by the wizard's worker: the list fills from the dialog's event loop,
// a closed form is fed no more, and a walk that stops early says why.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <stdexcept>

#include "forth/Forth.h"
#include "foundation/Utils.h"
#include "platform/ui/InheritanceWizardForm.h"
#include "platform/ui/tests/UiTestSupport.h"
#include "source/HyperSourceCode.h"
#include "source/tests/FileHost.h"

using namespace velt;
using velt::test::AnsweringRunner;
using velt::test::PressKey;

namespace {

std::string UnitFile(int i) { return "/mem/u" + std::to_string(i) + ".pas"; }

// TLeaf derives from TA1, TA1 from TA2 ... up to TA<Depth>, which derives
// from TObject; each TA<i> has a virtual method Paint<i> and a protected
// property Size<i>, each in a unit of its own that only the host holds.
// Unit Missing is registered, and the host does not have it.
struct TChain {
    TIHyperSourceCode Src;
    TForth Forth;
    velt::test::TFileHost Host;

    explicit TChain(int depth, int missing = 0) {
        velt::test::RegisterFileHost(Forth, Host);
        for (int i = 1; i <= depth; ++i) {
            const std::string n = std::to_string(i);
            const std::string ancestor = i == depth ? "TObject" : "TA" + std::to_string(i + 1);
            Src.ClassesRegistry.RegisterUnit(UnitFile(i));
            Src.ClassesRegistry.RegisterClass(UnitFile(i), "TA" + n, ancestor);
            if (i == missing) continue;
            Host.Open(UnitFile(i), "unit u" + n + ";\r\ninterface\r\ntype\r\n  TA" + n + " = class(" + ancestor +
                                       ")\r\n  protected\r\n    procedure Paint" + n +
                                       "; virtual;\r\n    property Size" + n +
                                       ": Integer read F;\r\n  end;\r\nimplementation\r\nend.\r\n");
        }
        Src.SetLinesText("unit Leaf;\r\ninterface\r\ntype\r\n  TLeaf = class(TA1)\r\n  end;\r\nimplementation\r\nend.\r\n");
        Src.SetFileName("/mem/leaf.pas");
        Src.ValidateLines();
    }
};

TInheritanceWizardForm& AsWizard(QDialog& d) {
    auto* form = qobject_cast<TInheritanceWizardForm*>(&d);
    if (!form) throw std::runtime_error("not the inheritance wizard");
    return *form;
}

int Headings(const TInheritanceWizardForm& f) {
    int n = 0;
    for (int i = 0; i < f.VirtualView->topLevelItemCount(); ++i)
        n += f.VirtualView->topLevelItem(i)->text(0).startsWith("    Derived from ");
    return n;
}

bool RunWizard(TChain& chain, const AnsweringRunner::Answer& answer, std::vector<int>& selected) {
    AnsweringRunner runner(answer);
    TInheritanceSession session(chain.Src, chain.Forth, 3);
    TQtInheritanceWizardPort port;
    const bool ok = port.Execute("TLeaf", session, selected);
    EXPECT_EQ(runner.Runs, 1);
    // However it closed, the worker has ended.
    EXPECT_FALSE(session.Running());
    return ok;
}

// Runs the dialog's own event loop; Tick is called from that loop until it
// closes the dialog.
class TLoopRunner : public TDialogRunner {
public:
    std::function<void(TInheritanceWizardForm&)> Tick;
    int RowsBeforeLoop = -1;
    int Ticks = 0;

    int Run(QDialog& dialog) override {
        auto& f = AsWizard(dialog);
        RowsBeforeLoop = f.VirtualView->topLevelItemCount();
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &dialog, [&] {
            if (++Ticks > 20000) {
                ADD_FAILURE() << "the list never filled";
                dialog.done(-1);
                return;
            }
            Tick(f);
        });
        timer.start(1);
        return dialog.exec();
    }
};

}  // namespace

TEST(QtInheritanceWizard, FillsWhileShownAndAnswersTheSelectedRowsInListOrder) {
    TChain chain(2);
    std::vector<int> selected;
    const bool ok = RunWizard(chain, [&](QDialog& d) {
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

        // The worker fills the list through the event loop. TObject is not
        // registered: the walk stops there, and says so on a last grey row.
        QTRY_VERIFY_WITH_TIMEOUT(!f.Feeding(), 60000);  // however busy the machine
        ASSERT_EQ(list->topLevelItemCount(), 7);
        EXPECT_EQ(list->topLevelItem(3)->text(0), "    Derived from TA2");
        EXPECT_EQ(list->topLevelItem(4)->text(0), "Size2");
        EXPECT_EQ(list->topLevelItem(5)->text(1), "procedure Paint2; virtual;");
        EXPECT_FALSE(list->topLevelItem(5)->icon(0).isNull());
        const QTreeWidgetItem* why = list->topLevelItem(6);
        EXPECT_EQ(why->text(0), "Class TObject not found.");
        EXPECT_EQ(why->foreground(0).color(), QColor(Qt::gray));
        EXPECT_TRUE(why->icon(0).isNull());

        // Select all: the headings and the reason stay out.
        list->setFocus();
        list->selectAll();
        EXPECT_FALSE(list->topLevelItem(0)->isSelected());
        EXPECT_FALSE(why->isSelected());
        list->topLevelItem(1)->setSelected(false);
        PressKey(d, Qt::Key_Return);
    }, selected);
    EXPECT_TRUE(ok);
    EXPECT_EQ(selected, (std::vector<int>{2, 4, 5}));
}

TEST(QtInheritanceWizard, RowsArriveWhileTheDialogsOwnEventLoopRuns) {
    TChain chain(3);
    TLoopRunner runner;
    TDialogRunnerGuard guard(&runner);
    int rowsInLoop = 0;
    runner.Tick = [&](TInheritanceWizardForm& f) {
        if (f.Feeding()) return;
        rowsInLoop = f.VirtualView->topLevelItemCount();
        f.VirtualView->topLevelItem(8)->setSelected(true);  // Paint3
        QTest::mouseClick(f.OKButton, Qt::LeftButton);
    };
    TInheritanceSession session(chain.Src, chain.Forth, 3);
    TQtInheritanceWizardPort port;
    std::vector<int> selected;
    EXPECT_TRUE(port.Execute("TLeaf", session, selected));
    // Nothing arrived before the dialog's loop ran; then everything did.
    EXPECT_EQ(runner.RowsBeforeLoop, 0);
    EXPECT_EQ(rowsInLoop, 10);
    EXPECT_EQ(selected, std::vector<int>{8});
    EXPECT_EQ(session.Rows()[8].Header, "procedure Paint3; virtual;");
    EXPECT_EQ(chain.Host.Requests, (std::vector<std::string>{UnitFile(1), UnitFile(2), UnitFile(3)}));
}

TEST(QtInheritanceWizard, ClosingMidWalkStopsTheWorkerAndTheFormIsFedNoMore) {
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape);
        TChain chain(200);  // far more than the list shows before the close
        std::vector<int> selected{42};
        int rowsAtClose = -1;
        const bool ok = RunWizard(chain, [&](QDialog& d) {
            auto& f = AsWizard(d);
            // Each turn serves at least one of the worker's calls, however slow it is.
            for (int i = 0; Headings(f) < 2 && i < 100000; ++i)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            ASSERT_GE(Headings(f), 2);
            f.VirtualView->selectAll();
            if (escape)
                PressKey(d, Qt::Key_Escape);
            else
                QTest::mouseClick(f.CancelButton, Qt::LeftButton);
            EXPECT_FALSE(f.Feeding());
            rowsAtClose = f.VirtualView->topLevelItemCount();
            // The worker's next call answers "cancelled" and nothing reaches the list.
            QTest::qWait(30);
            EXPECT_EQ(f.VirtualView->topLevelItemCount(), rowsAtClose);
        }, selected);
        EXPECT_FALSE(ok);
        EXPECT_EQ(selected, std::vector<int>{42});
        EXPECT_LT(rowsAtClose, 3 * 200);
        // No unit was read past the one in hand at the close.
        const size_t read = chain.Host.Requests.size();
        EXPECT_LE(read, size_t(rowsAtClose / 3 + 1));
        QTest::qWait(20);
        EXPECT_EQ(chain.Host.Requests.size(), read);
    }
}

TEST(QtInheritanceWizard, AUnitThatFailsToLoadKeepsTheRowsAndEndsWithTheReason) {
    TChain chain(4, 3);
    std::vector<int> selected;
    EXPECT_TRUE(RunWizard(chain, [&](QDialog& d) {
        auto& f = AsWizard(d);
        QTRY_VERIFY_WITH_TIMEOUT(!f.Feeding(), 60000);  // however busy the machine
        ASSERT_EQ(f.VirtualView->topLevelItemCount(), 7);
        EXPECT_EQ(f.VirtualView->topLevelItem(3)->text(0), "    Derived from TA2");
        EXPECT_EQ(f.VirtualView->topLevelItem(6)->text(0), "Cannot open file " + QString::fromStdString(UnitFile(3)));
        f.VirtualView->topLevelItem(2)->setSelected(true);
        f.VirtualView->topLevelItem(6)->setSelected(true);
        QTest::mouseClick(f.OKButton, Qt::LeftButton);
    }, selected));
    EXPECT_EQ(selected, std::vector<int>{2});
    EXPECT_EQ(chain.Forth.Stack.Count(), 0);
}

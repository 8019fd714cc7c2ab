#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/SysUtils.h"
#include "helpdoc/NewDocWizard.h"
#include "helpdoc/Wizard.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"

using namespace velt;

namespace {

// Shows the dialog, runs the script on it, answers its result.
class TScript : public TDialogRunner {
public:
    explicit TScript(std::function<void(QDialog&)> f) : f_(std::move(f)) {}
    int Run(QDialog& d) override {
        d.show();
        QApplication::processEvents();
        if (f_) f_(d);
        const int r = d.result();
        d.hide();
        return r;
    }

private:
    std::function<void(QDialog&)> f_;
};

struct Wiz {
    std::unique_ptr<TWizard> W = std::make_unique<TWizard>();
    std::vector<std::string> Log;
    TWizardPanel* Page(const char* name) {
        auto* p = new TWizardPanel(W->Place);
        p->setObjectName(name);
        p->OnFirstEnter = [this, name](QObject*) { Log.push_back(std::string("first ") + name); };
        p->OnEnter = [this, name](QObject*) { Log.push_back(std::string("enter ") + name); };
        p->OnNext = [this, name](QObject*) { Log.push_back(std::string("next ") + name); };
        p->OnBack = [this, name](QObject*) { Log.push_back(std::string("back ") + name); };
        W->AddPage(p);
        return p;
    }
};

void Click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

}  // namespace

TEST(Wizard, OnePageFinishesWithOk) {
    Wiz w;
    TWizardPanel* a = w.Page("A");
    EXPECT_EQ(w.W->windowTitle(), "Wizard");
    EXPECT_FALSE(w.W->BBack->isEnabled());
    EXPECT_EQ(w.W->BBack->text(), "< &Back");
    TScript script([&](QDialog&) {
        EXPECT_EQ(w.W->GetCurrentPage(), a);
        EXPECT_EQ(w.W->BNext->text(), "Finish");
        EXPECT_FALSE(w.W->BBack->isEnabled());
        Click(w.W->BNext);
    });
    TDialogRunnerGuard g(&script);
    EXPECT_EQ(w.W->Start(), QDialog::Accepted);
    EXPECT_EQ(w.Log, (std::vector<std::string>{"first A", "enter A", "next A"}));
    EXPECT_EQ(w.W->ShowModal(), 0);
}

TEST(Wizard, BackRetracesAndEnteringCountsPerStart) {
    Wiz w;
    TWizardPanel* a = w.Page("A");
    TWizardPanel* b = w.Page("B");
    TWizardPanel* c = w.Page("C");
    a->SetNextPage(b);
    b->SetNextPage(c);
    c->SetBackPage(a);  // the path taken wins
    TScript script([&](QDialog&) {
        Click(w.W->BNext);
        EXPECT_EQ(w.W->BNext->text(), "Next >");
        EXPECT_TRUE(w.W->BBack->isEnabled());
        Click(w.W->BNext);
        EXPECT_EQ(w.W->GetCurrentPage(), c);
        EXPECT_TRUE(c->isVisible());
        EXPECT_FALSE(b->isVisible());
        EXPECT_EQ(w.W->BNext->text(), "Finish");
        Click(w.W->BBack);
        EXPECT_EQ(w.W->GetCurrentPage(), b);
        EXPECT_EQ(w.W->BNext->text(), "Next >");
        Click(w.W->BBack);
        EXPECT_EQ(w.W->GetCurrentPage(), a);
        EXPECT_FALSE(w.W->BBack->isEnabled());
        Click(w.W->BCancel);
    });
    TDialogRunnerGuard g(&script);
    EXPECT_EQ(w.W->Start(), 2);
    EXPECT_EQ(w.Log, (std::vector<std::string>{"first A", "enter A", "next A", "first B", "enter B", "next B",
                                               "first C", "enter C", "back C", "enter B", "back B", "enter A"}));
    w.Log.clear();
    TScript again([&](QDialog&) { Click(w.W->BCancel); });
    TDialogRunnerGuard g2(&again);
    w.W->Start();
    EXPECT_EQ(w.Log, (std::vector<std::string>{"first A", "enter A"}));
    // Without a back page Back is off, whatever it was before.
    b->SetBackPage(a);
    w.W->SetCurrentPage(b);
    EXPECT_TRUE(w.W->BBack->isEnabled());
    b->SetBackPage(nullptr);
    EXPECT_FALSE(w.W->BBack->isEnabled());
}

TEST(Wizard, AFailingNextKeepsTheWizardOpenAndIsReportedOnce) {
    std::vector<std::string> reported;
    TExceptionReporterGuard rep([&reported](const std::exception& e) { reported.push_back(e.what()); });
    Wiz w;
    TWizardPanel* a = w.Page("A");
    bool fail = true;
    a->OnNext = [&fail](QObject*) {
        if (fail) throw Exception("Name missing");
    };
    TScript script([&](QDialog& d) {
        Click(w.W->BNext);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.result(), 0);
        fail = false;
        Click(w.W->BNext);
    });
    TDialogRunnerGuard g(&script);
    EXPECT_EQ(w.W->Start(), QDialog::Accepted);
    EXPECT_EQ(reported, (std::vector<std::string>{"Name missing"}));
}

TEST(Wizard, JoinAndRemovedPages) {
    Wiz w;
    TWizardPanel* a = w.Page("A");
    TWizardPanel* z = w.Page("Z");
    auto other = std::make_unique<TWizard>();
    auto* x = new TWizardPanel(other->Place);
    auto* y = new TWizardPanel(other->Place);
    other->AddPage(x);
    other->AddPage(y);
    x->SetNextPage(y);
    TWizard* o = other.get();
    w.W->Join(std::move(other), a, z);
    EXPECT_TRUE(o->Joined());
    EXPECT_EQ(o->Host(), w.W.get());
    EXPECT_EQ(o->BNext.data(), w.W->BNext.data());
    EXPECT_EQ(w.W->GetPageCount(), 4);
    EXPECT_EQ(a->GetNextPage(), x);
    EXPECT_EQ(x->GetNextPage(), y);
    EXPECT_EQ(y->GetNextPage(), z);  // the default next page
    EXPECT_EQ(x->parentWidget(), w.W->Place.data());
    EXPECT_EQ(w.W->GetStartPage(), a);
    // A page that goes is bridged over; the current one hands over to its next.
    w.W->SetCurrentPage(x);
    delete x;
    EXPECT_EQ(a->GetNextPage(), y);
    EXPECT_EQ(w.W->GetCurrentPage(), y);
    EXPECT_FALSE(y->isHidden());
    EXPECT_EQ(w.W->GetPageCount(), 3);
    delete a;
    EXPECT_EQ(w.W->GetStartPage(), w.W->GetPages(0));
    // Joining with no page makes the first page the start page.
    Wiz v;
    v.Page("B");
    auto third = std::make_unique<TWizard>();
    auto* s = new TWizardPanel(third->Place);
    third->AddPage(s);
    v.W->Join(std::move(third), nullptr, nullptr);
    EXPECT_EQ(v.W->GetStartPage(), s);
}

TEST(NewDocWizard, PagesAndLocation) {
    TNewDocWizard w;
    EXPECT_EQ(w.windowTitle(), "Create New Documentation Project");
    EXPECT_EQ(w.edCtxPrefix->text(), "krVCL");
    EXPECT_EQ(w.DocStyle->title(), "Styles");
    EXPECT_EQ(w.DocStyleIndex(), 0);
    EXPECT_EQ(w.Button1->text(), "&Browse ...");
    EXPECT_EQ(w.NewDialog->windowTitle(), "Create New Documentation Project");
    EXPECT_EQ(w.NewDialog->nameFilters(), (QStringList{"Help Project(*.hpj) (*.HPj)", "All Files(*.*) (*.*)"}));
    EXPECT_FALSE(w.NewDialog->filter() & QDir::CaseSensitive);
    EXPECT_EQ(w.GetPageCount(), 2);
    EXPECT_EQ(w.WizardPanel1->GetNextPage(), w.WizardPanel2.data());
    w.edLocation->setText("/tmp/old.hpj");
    QString seen;
    TScript pick([&](QDialog& d) {
        auto& f = static_cast<QFileDialog&>(d);
        seen = f.selectedFiles().value(0);
        // What a user types into the dialog's file name.
        auto* name = f.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("/tmp/Project.hpj");
        f.setResult(QDialog::Accepted);
    });
    {
        TDialogRunnerGuard g(&pick);
        w.Button1Click();
    }
    EXPECT_TRUE(seen.endsWith("old.hpj"));
    EXPECT_EQ(w.edLocation->text(), "/tmp/Project.hpj");
    TScript cancel([](QDialog& d) { d.reject(); });
    TDialogRunnerGuard g(&cancel);
    w.Button1Click();
    EXPECT_EQ(w.edLocation->text(), "/tmp/Project.hpj");
}

TEST(Wizard, FinishReachedByBackCloses) {
    Wiz w;
    TWizardPanel* a = w.Page("A");
    TWizardPanel* b = w.Page("B");
    a->SetNextPage(b);
    TScript script([&](QDialog& d) {
        Click(w.W->BNext);
        a->SetNextPage(nullptr);  // A is now the last page
        Click(w.W->BBack);
        EXPECT_EQ(w.W->BNext->text(), "Finish");
        EXPECT_TRUE(d.isVisible());
        Click(w.W->BNext);
    });
    TDialogRunnerGuard g(&script);
    EXPECT_EQ(w.W->Start(), QDialog::Accepted);
}

TEST(Wizard, FocusGoesToThePagesFirstControl) {
    Wiz w;
    TWizardPanel* a = w.Page("A");
    TWizardPanel* b = w.Page("B");
    TWizardPanel* c = w.Page("C");
    a->SetNextPage(b);
    b->SetNextPage(c);
    new QLabel("Name :", a);
    auto* off = new QLineEdit(a);
    off->setEnabled(false);
    auto* name = new QLineEdit(a);
    auto* later = new QLineEdit(a);
    later->move(0, 40);
    auto* where = new QLineEdit(b);
    new QLabel("Done.", c);
    std::vector<QWidget*> seen;
    TScript script([&](QDialog&) {
        seen.push_back(w.W->focusWidget());
        Click(w.W->BNext);
        seen.push_back(w.W->focusWidget());
        Click(w.W->BNext);
        seen.push_back(w.W->focusWidget());
        Click(w.W->BBack);
        seen.push_back(w.W->focusWidget());
        Click(w.W->BCancel);
    });
    TDialogRunnerGuard g(&script);
    w.W->Start();
    EXPECT_EQ(seen, (std::vector<QWidget*>{name, where, w.W->BNext.data(), where}));
}

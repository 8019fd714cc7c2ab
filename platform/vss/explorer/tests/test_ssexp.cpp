// SSExp: the window over a listing, and the program started as the package
// starts it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTreeWidget>

#include "platform/vss/SsCommand.h"
#include "platform/vss/VssAutomation.h"
#include "platform/vss/explorer/SSExplorer.h"
#include "platform/vss/tests/VssTestUtil.h"

using namespace velt::vss;
using namespace velt::vss::test;

namespace {

class SSExp : public VssFixture {
protected:
    void SetUp() override {
        VssFixture::SetUp();
        WriteText(dir_ + "/src/Work/a.pas", "a\n");
        WriteText(dir_ + "/src/Work/sub/b.pas", "b\n");
        auto db = CoVSSDatabase::Create();
        db->Open(ini_, "Ann", "annpw");
        db->VSSItem("$/", false)->Add(dir_ + "/src/Work", "", VSSFLAG_RECURSYES);
        auto a = db->VSSItem("$/Work/a.pas", false);
        a->Checkout("", ann_, 0);
        WriteText(ann_ + "/a.pas", "a2\n");
        a->Checkin("", ann_, VSSFLAG_KEEPYES);
    }
};

QApplication& App() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

}  // namespace

TEST_F(SSExp, ShowsProjectsFilesVersionsAndCheckouts) {
    App();
    auto session = TVssSession::Open(ini_, "Bob", "bobpw");
    TSSExplorerWindow window(db_, "Bob", session->List(session->Find("$/", false), true));
    QTreeWidget* tree = window.Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), "$/");
    ASSERT_EQ(root->childCount(), 1);
    QTreeWidgetItem* work = root->child(0);
    EXPECT_EQ(work->text(0), "Work");
    ASSERT_EQ(work->childCount(), 2);
    EXPECT_EQ(work->child(0)->text(0), "sub");
    EXPECT_EQ(work->child(0)->child(0)->text(0), "b.pas");
    EXPECT_EQ(work->child(0)->child(0)->text(TSSExplorerWindow::VersionColumn), "1");
    QTreeWidgetItem* a = work->child(1);
    EXPECT_EQ(a->text(0), "a.pas");
    EXPECT_EQ(a->text(TSSExplorerWindow::VersionColumn), "2");
    EXPECT_EQ(a->text(TSSExplorerWindow::CheckoutsColumn).toStdString(), "Ann (" + ann_ + ")");
    EXPECT_EQ(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(SSExp, StartsAsThePackageStartsItAndRefusesAWrongPassword) {
    const std::map<std::string, std::string> env = {{"SSDIR", db_}, {"QT_QPA_PLATFORM", "offscreen"}};
    TProcessResult ok = RunProcess({VSS_SSEXP_PATH, "-yBob,bobpw", "--quit-when-shown"}, env);
    EXPECT_EQ(ok.Exit, 0) << ok.Err;
    auto withPassword = env;
    withPassword["SSPWD"] = "bobpw";
    EXPECT_EQ(RunProcess({VSS_SSEXP_PATH, "-yBob", "--quit-when-shown"}, withPassword).Exit, 0);
    // A wrong password through the logon SSExp uses (in-process: the
    // program would wait out the failure delay).
    TSsEnvironment logon;
    logon.DatabaseFolder = db_;
    logon.User = "Bob";
    logon.Password = "n0tit";
    try {
        logon.Logon();
        ADD_FAILURE() << "logged on with a wrong password";
    } catch (const EOleException& e) {
        EXPECT_EQ(e.Message, "Unknown user or wrong password");
    }
    EXPECT_EQ(LogonDelays(), std::vector<int>{1000});
    TProcessResult stray = RunProcess({VSS_SSEXP_PATH, "Bob,n0tit", "--quit-when-shown"}, env);
    EXPECT_EQ(stray.Exit, 100);
    EXPECT_EQ(stray.Err.find("n0tit"), std::string::npos);
}

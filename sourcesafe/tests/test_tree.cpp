// The SourceSafe explorer tree: the item list's records and order, the
// nodes over a database (images, picker mode, re-expansion, what an
// expansion asks the server), the project picker of the operation dialogs,
// and the tab docked into the project tree window with its Check In.
#include <QToolBar>
#include <cstring>

#include "foundation/MemIni.h"
#include "platform/ide/PackageEntry.h"
#include "platform/ui/ExceptionReporter.h"
#include "services/SourceServices.h"
#include "services/tests/ProjectTreeTestSupport.h"
#include "sourcesafe/Package.h"
#include "sourcesafe/SourceSafeExplorer.h"
#include "sourcesafe/tests/SafeTestSupport.h"
#include "treeview/GeneralTreeView.h"

using namespace velt;
using namespace velt::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// The database object with its ListProjects calls counted.
class CountingDatabase : public TInterfacedObject<vss::IVSSDatabase> {
public:
    explicit CountingDatabase(ComPtr<vss::IVSSDatabase> db) : db_(std::move(db)) {}
    void Open(const std::string& ini, const std::string& user, const std::string& pw) override {
        db_->Open(ini, user, pw);
    }
    std::string SrcSafeIni() override { return db_->SrcSafeIni(); }
    std::string UserName() override { return db_->UserName(); }
    std::string CurrentProject() override { return db_->CurrentProject(); }
    void SetCurrentProject(const std::string& spec) override { db_->SetCurrentProject(spec); }
    ComPtr<vss::IVSSItem> VSSItem(const std::string& spec, bool deleted) override {
        return db_->VSSItem(spec, deleted);
    }
    std::vector<vss::TVssProjectListing> ListProjects(const std::string& spec, bool recursive) override {
        Listed.push_back(spec);
        return db_->ListProjects(spec, recursive);
    }
    std::vector<std::string> Listed;

private:
    ComPtr<vss::IVSSDatabase> db_;
};

class TreeTest : public ::testing::Test {
protected:
    // $/Work with the projects Src (a.pas, b.pas, "c d.pas", P.dpr), Empty
    // and Lib; several check-outs allowed.
    TreeTest() {
        vss::TSrcSafeIni ini = vss::LoadSrcSafeIni(inst.Database + "/srcsafe.ini");
        ini.MultipleCheckouts = true;
        vss::SaveSrcSafeIni(inst.Database + "/srcsafe.ini", ini);
        inst.Import(inst.Project, "$/Work/Src");
        inst.Session()->MakeProject("$/Work/Empty");
        inst.Session()->MakeProject("$/Work/Lib");
        ComPtr<vss::IVSSDatabase> db = vss::CoVSSDatabase::Create();
        db->Open(inst.Database, "Ann", "annpw");
        counting = new CountingDatabase(db);
        database = ComPtr<vss::IVSSDatabase>(counting);
        explorer.Database = database;
        explorer.Mode = TSourceSafeExplorer::emTab;
    }
    void CheckOut(const std::string& spec, const std::string& user, const std::string& folder) {
        auto s = inst.Session(user);
        vss::TVssOptions options;
        options.Flags = vss::VSSFLAG_GETNO;
        s->Checkout(s->Find(spec, false), folder, "", options);
    }
    // Each child's caption and image.
    static std::vector<std::string> Shown(TGeneralNode* node) {
        std::vector<std::string> r;
        for (const std::string& caption : Open(node))
            r.push_back(caption + " " + std::to_string(Child(node, caption)->ImageIndex));
        return r;
    }
    SafeInstallation inst;
    ScriptedRunner runner;
    CountingDatabase* counting = nullptr;
    ComPtr<vss::IVSSDatabase> database;
    TSourceSafeExplorer explorer;
};

}  // namespace

TEST(SourceSafeItemListTest, RecordsOrderProjectsThenCheckedOutFilesThenNames) {
    TSourceSafeItemList list;
    EXPECT_EQ(list.GetItemSize(), 144);
    list.AddItem(1, ssitFile, "b.pas", 0);
    list.AddItem(2, ssitFile, "Z.pas", 1);
    list.AddItem(3, ssitProject, "lib", 0);
    list.AddItem(4, ssitFile, "A.pas", 0);
    list.AddItem(5, ssitFile, "y.pas", 2);
    list.AddItem(6, ssitProject, "Apps", 0);
    list.AddItem(7, ssitFile, std::string(200, 'n'), 0);
    list.Sort();
    std::vector<int32_t> ids;
    for (int i = 0; i < list.GetCount(); ++i) ids.push_back(list.GetID(i));
    EXPECT_THAT(ids, ElementsAre(6, 3, 5, 2, 4, 1, 7));

    // The fields at their offsets; a long name cut to 128 characters.
    const auto* raw = static_cast<const char*>(list.GetItem(2));
    int32_t fields[3];
    std::memcpy(fields, raw, sizeof fields);
    EXPECT_THAT(fields, ElementsAre(5, ssitFile, 2));
    EXPECT_EQ(uint8_t(raw[12]), 5);
    EXPECT_EQ(std::string(raw + 13, 5), "y.pas");
    EXPECT_EQ(TSourceSafeItemList::NameOf(list.GetItems(6)), std::string(128, 'n'));
    EXPECT_THROW(list.GetItems(7), Exception);
}

TEST_F(TreeTest, ChildrenShowTheirOrderImagesAndSpecsAndAFileAnswersItsProject) {
    CheckOut("$/Work/Src/b.pas", "Bob", inst.Path("bob"));
    CheckOut("$/Work/Src/c d.pas", "Ann", inst.Path("ann"));
    CheckOut("$/Work/Src/c d.pas", "Bob", inst.Path("bob"));
    TSourceSafeNode* root = explorer.SetRoot();
    TGeneralNode* src = Child(Child(root, "Work"), "Src");
    // Checked-out files first (the user's own before others'); images 2 and
    // 3 for one and for two check-outs.
    EXPECT_THAT(Shown(src), ElementsAre("c d.pas 3", "b.pas 2", "a.pas 1", "P.dpr 1"));
    EXPECT_THAT(Shown(Child(root, "Work")), ElementsAre("Empty 0", "Lib 0", "Src 0"));

    auto* a = static_cast<TSourceSafeNode*>(Child(src, "a.pas"));
    EXPECT_EQ(a->Spec, "$/Work/Src/a.pas");
    EXPECT_EQ(a->GetProject(), "$/Work/Src");
    EXPECT_EQ(static_cast<TSourceSafeNode*>(src)->GetProject(), "$/Work/Src");
    EXPECT_EQ(static_cast<TSourceSafeNode*>(Child(root, "Work"))->Spec, "$/Work");
    EXPECT_EQ(root->GetProject(), "$/");

    // Menus: a project's own items first; the four operations only on files.
    const auto menu = [](TGeneralNode* node) {
        std::vector<std::string> r;
        std::unique_ptr<TMenuList> list = node->GetLocalMenu();
        for (int i = 0; i < list->GetCount(); ++i)
            r.push_back(list->GetItems(i)->GetCaption() + (list->GetItems(i)->Enabled ? "" : " (off)"));
        return r;
    };
    EXPECT_THAT(menu(src), ElementsAre("Create &Project", "&Add Files ...", "-", "-", "Check &In ... (off)",
                                       "Chec&k Out ... (off)", "&Undo Check Out ... (off)",
                                       "Get &Latest Version ... (off)", "-", "&Delete ..."));
    EXPECT_THAT(menu(a), ElementsAre("-", "Check &In ...", "Chec&k Out ...", "&Undo Check Out ...",
                                     "Get &Latest Version ...", "-", "&Delete ..."));
}

TEST_F(TreeTest, ReExpandingAfterChangesShowsTheItemsAsTheyAreNow) {
    TSourceSafeNode* root = explorer.SetRoot();
    TGeneralNode* src = Child(Child(root, "Work"), "Src");
    EXPECT_THAT(Shown(src), ElementsAre("a.pas 1", "b.pas 1", "c d.pas 1", "P.dpr 1"));
    TGeneralNode* keptD = Child(src, "c d.pas");
    explorer.SourceSafeTree->ExternalExpand(src);  // collapses
    ASSERT_FALSE(src->Expanded);

    // a.pas goes, "aa.pas" and "0.pas" come before the others, P.dpr is
    // checked out (and moves first).
    auto s = inst.Session();
    s->SetDeleted(s->Find("$/Work/Src/a.pas", false), true);
    inst.Write("more/aa.pas", "unit aa;\r\nend.\r\n");
    inst.Write("more/0.pas", "unit z;\r\nend.\r\n");
    vss::TVssOptions options;
    s->Add(s->Find("$/Work/Src", false), inst.Path("more/aa.pas"), "", options);
    s->Add(s->Find("$/Work/Src", false), inst.Path("more/0.pas"), "", options);
    CheckOut("$/Work/Src/P.dpr", "Ann", inst.Path("ann"));

    EXPECT_THAT(Shown(src), ElementsAre("P.dpr 2", "0.pas 1", "aa.pas 1", "b.pas 1", "c d.pas 1"));
    EXPECT_EQ(Child(src, "c d.pas"), keptD);  // an unchanged item keeps its node
    EXPECT_EQ(static_cast<TSourceSafeNode*>(Child(src, "aa.pas"))->Spec, "$/Work/Src/aa.pas");
    EXPECT_EQ(static_cast<TSourceSafeNode*>(Child(src, "P.dpr"))->Spec, "$/Work/Src/P.dpr");
    // The items show what their nodes say.
    for (int i = 0; i < src->GetSubnodeCount(); ++i)
        EXPECT_EQ(src->GetNodes(i)->GetItemHandle()->text(0).toStdString(), src->GetNodes(i)->GetText());

    // The check-out undone: an update in place refreshes the image.
    s->UndoCheckout(s->Find("$/Work/Src/P.dpr", false), inst.Path("ann"), options);
    static_cast<TSourceSafeNode*>(src)->Update();
    EXPECT_EQ(Child(src, "P.dpr")->ImageIndex, ssiFile);
}

TEST_F(TreeTest, AnExpansionAsksTheServerForThatProjectOnly) {
    TSourceSafeNode* root = explorer.SetRoot();
    EXPECT_TRUE(counting->Listed.empty());
    TGeneralNode* work = Child(root, "Work");
    EXPECT_THAT(Open(work), ElementsAre("Empty", "Lib", "Src"));
    EXPECT_THAT(counting->Listed, ElementsAre("$/", "$/Work"));
    // New projects offer to expand without a listing; files never do.
    EXPECT_TRUE(Child(work, "Lib")->GetCanExpand());
    EXPECT_THAT(Open(Child(work, "Src")), ElementsAre("a.pas", "b.pas", "c d.pas", "P.dpr"));
    EXPECT_FALSE(Child(Child(work, "Src"), "a.pas")->GetCanExpand());
    EXPECT_THAT(counting->Listed, ElementsAre("$/", "$/Work", "$/Work/Src"));
    // An empty project, once expanded, knows it has nothing.
    TGeneralNode* empty = Child(work, "Empty");
    EXPECT_TRUE(Open(empty).empty());
    EXPECT_FALSE(empty->GetCanExpand());
}

TEST_F(TreeTest, ThePickerListsProjectsOnlyWithoutMenusAndGivesTheChosenSpec) {
    TCheckInForm form;
    form.Database = database;
    runner.Script.push_back([&](QDialog& d) {
        auto* picker = qobject_cast<TSourceSafeExplorer*>(&d);
        ASSERT_NE(picker, nullptr);
        TSourceSafeNode* root = picker->GetRoot();
        ASSERT_NE(root, nullptr);
        EXPECT_TRUE(root->OnlyProjects);
        TGeneralNode* work = Child(root, "Work");
        EXPECT_THAT(Open(Child(work, "Src")), ::testing::IsEmpty());
        EXPECT_EQ(picker->SourceSafeTree->GetNodeMenu(work), nullptr);
        picker->SourceSafeTree->SetSelection(Child(work, "Lib"));
        picker->OKButton->click();
    });
    ASSERT_TRUE(form.Button3->isEnabled());
    form.Button3->click();
    EXPECT_EQ(form.ItemText(), "$/Work/Lib");

    // Cancelled, the item stays; not logged on, the picker says so.
    runner.Script.push_back(Cancel());
    form.Button3->click();
    EXPECT_EQ(form.ItemText(), "$/Work/Lib");
    std::vector<std::string> reported;
    TExceptionReporterGuard reporter([&](const std::exception& e) { reported.push_back(e.what()); });
    form.Database = nullptr;
    form.Button3->click();
    EXPECT_THAT(reported, ElementsAre(HasSubstr("Not logged on")));
    EXPECT_EQ(runner.Titles.size(), 2u);
}

TEST(SourceSafeTreeDockTest, TheTabDocksOnceChecksInItsNodesAndGoesWithThePackage) {
    SafeInstallation inst;
    inst.Import(inst.Project, "$/Work");
    MemoryHost host;
    ScriptedRunner runner;
    LoadedPackages packages(host);
    packages.LogOn();
    TForth& forth = SourceServices->Forth();

    // No window yet: only a report.
    forth.ExecWord("StartupSourceSafeTree");
    EXPECT_TRUE(HasConsoleLine(
        "StartupSourceSafeTree: there is no project tree window to take the SourceSafe tree."));
    EXPECT_EQ(packages.Services().Explorer(), nullptr);

    TMemIni registry;
    ShowProjectTree(host, forth, registry);
    QPointer<TProjectTreeForm> window = ProjectTreeForm.data();
    ASSERT_TRUE(window);
    ASSERT_EQ(window->TreePages->count(), 4);
    EXPECT_EQ(window->TreePages->tabText(3), "SourceSafe");
    QPointer<QWidget> tab = window->TreePages->widget(3);
    EXPECT_EQ(tab->objectName(), "SourceSafeTabSheet");
    QPointer<QToolBar> toolbar = window->findChild<QToolBar*>("SourceSafeToolbar");
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->parentWidget(), window.data());
    forth.ExecWord("StartupSourceSafeTree");
    EXPECT_TRUE(HasConsoleLine("StartupSourceSafeTree: the SourceSafe tree is in the project tree window already."));
    EXPECT_EQ(window->TreePages->count(), 4);

    // "Check &In ..." of a checked-out file: the dialog has the file's own
    // item path and its check-out folder; OK checks it in.
    TSourceSafeExplorer* explorer = packages.Services().Explorer();
    ASSERT_NE(explorer, nullptr);
    TGeneralNode* a = Child(Child(explorer->GetRoot(), "Work"), "a.pas");
    {
        auto s = inst.Session();
        vss::TVssOptions options;
        options.Flags = vss::VSSFLAG_GETNO;
        s->Checkout(s->Find("$/Work/a.pas", false), inst.Project, "", options);
    }
    runner.Script.push_back(Ok([&](TSafeSourceForm& f) {
        EXPECT_EQ(f.windowTitle(), "SourceSafe Check In");
        EXPECT_EQ(f.ItemText(), "$/Work/a.pas");
        EXPECT_EQ(f.FolderText(), inst.Project);
    }));
    ClickMenu(*explorer->SourceSafeTree, a, "Check &In ...");
    EXPECT_EQ(runner.Titles.size(), 1u);
    EXPECT_EQ(inst.CheckedOut("$/Work/a.pas"), vss::VSSFILE_NOTCHECKEDOUT);

    // Shut-down takes the tab and toolbar out of the window that stays.
    sourcesafe::PackageShutdown();
    EXPECT_FALSE(tab);
    EXPECT_FALSE(toolbar);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->TreePages->count(), 3);
    FreeProjectTreeForm();
}

// The project tree window built from a Classes Registry: its tables, its
// three tabs, the node menus' words and the "Project Tree" command.
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <algorithm>
#include <cstring>
#include <functional>
#include <tuple>

#include "foundation/MemIni.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/tests/UiTestSupport.h"
#include "services/Package.h"
#include "services/ProjectTree.h"
#include "services/tests/ProjectTreeTestSupport.h"
#include "services/tests/ServicesTestSupport.h"

using namespace velt;
using namespace velt::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// The menus' words write what they were given on the console.
constexpr char kCommands[] =
    ": Startup\r\n;\r\n"
    ": OpenUnitSource \" unit:\" Writeln Writeln ;\r\n"
    ": OpenClassSource \" class:\" Writeln Writeln Writeln ;\r\n";

// Unit B is in the project under another spelling; Ext is not; NoSource
// has no file.
constexpr char kRegistry[] =
    "[A]\r\nSource=/p/A.pas\r\n"
    "[A.Classes]\r\nTBase=\r\nTAlpha=TBase\r\ntbeta=TBase\r\nTGamma = TAlpha\r\n"
    "[B]\r\nSource=/P/B.PAS\r\n"
    "[B.Classes]\r\nTDelta=TBase\r\nTOrphan=TMissing\r\n"
    "[Ext]\r\nSource=/lib/Ext.pas\r\n"
    "[Ext.Classes]\r\nTZed=TBase\r\n"
    "[NoSource]\r\nOther=1\r\n"
    "[NoSource.Classes]\r\nTLost=TBase\r\n";

class ProjectTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.CommandFile(kCommands);
        host.SetProjectUnits("/p/Demo.dpr", {"/p/A.pas", "/p/b.pas"});
        s = ComPtr<TSourceServices>(new TSourceServices(host));
        s->InstallAddIn();
        form.Forth = &s->Forth();
        form.ToolServices = &host;
    }
    void TearDown() override { s->Finalize(); }

    void Build(const std::string& registry) {
        TMemIni ini;
        ini.AppendFromText(registry);
        form.BuildProjectTreeByClassesRegistry(ini);
    }
    Installation inst;
    MemoryHost host;
    ComPtr<TSourceServices> s;
    TProjectTreeForm form;
};

std::vector<int32_t> IDs(TProjectTreeList& list) {
    std::vector<int32_t> r;
    for (int i = 0; i < list.GetCount(); ++i) {
        int32_t id;
        std::memcpy(&id, list.GetItem(i), sizeof id);
        r.push_back(id);
    }
    return r;
}

}  // namespace

TEST_F(ProjectTreeTest, TablesFromTheRegistryAndARebuildNumbersAfresh) {
    for (int build = 0; build < 2; ++build) {
        Build(kRegistry);
        TProjectTreeLists& l = form.GetLists();
        ASSERT_EQ(l.DomainList.GetCount(), 2);
        EXPECT_EQ(l.DomainList.GetRec(0).GetDomainName(), "Project");
        EXPECT_EQ(l.DomainList.GetRec(1).GetDomainName(), "External");
        EXPECT_EQ(l.DomainList.GetRec(1).ParentID, 0);
        EXPECT_THAT(IDs(l.DomainList), ElementsAre(1, 2));
        EXPECT_THAT(IDs(l.ModuleList), ElementsAre(1, 2, 3, 4));
        EXPECT_THAT(IDs(l.ClassList), ElementsAre(0, 1, 2, 3, 4, 5, 6, 7));

        const TClassRec root = l.ClassList.GetRec(0);
        EXPECT_EQ(root.UnitID, -1);
        EXPECT_EQ(root.DomainID, -1);
        EXPECT_EQ(root.GetClassName(), "");
        EXPECT_EQ(root.GetAncestorName(), "**");

        // Sections in the registry's order; the domain by the project's files.
        const std::vector<std::tuple<std::string, int32_t, std::string>> modules = {
            {"A", 1, "/p/A.pas"}, {"B", 1, "/P/B.PAS"}, {"Ext", 2, "/lib/Ext.pas"}, {"", 2, ""}};
        for (int i = 0; i < 4; ++i) {
            const TModuleRec m = l.ModuleList.GetRec(i);
            EXPECT_EQ(std::tuple(m.GetModuleName(), m.DomainID, m.GetFileField()), modules[size_t(i)]);
            EXPECT_EQ(m._type, 1);
        }
        const TClassRec gamma = l.ClassList.GetRec(4);
        EXPECT_EQ(std::tuple(gamma.GetClassName(), gamma.GetAncestorName(), gamma.UnitID, gamma.DomainID),
                  std::tuple(std::string("TGamma"), std::string("TAlpha"), 1, 1));
        EXPECT_EQ(l.ClassList.GetRec(7).DomainID, 2);
    }
}

TEST_F(ProjectTreeTest, TabsListDomainsModulesAndClassesByName) {
    Build(kRegistry);
    TGeneralNode* units = form.UnitTree->GetNode0();
    EXPECT_EQ(units->GetText(), "Root");
    EXPECT_THAT(Open(units), ElementsAre("Project", "External"));
    // Module B is the second module (record 1): its classes come by its ID.
    EXPECT_THAT(Open(Child(units, "Project")), ElementsAre("A", "B"));
    EXPECT_THAT(Open(Child(units, "External")), ElementsAre("", "Ext"));
    EXPECT_THAT(Open(Child(Child(units, "Project"), "A")), ElementsAre("TAlpha", "TBase", "tbeta", "TGamma"));
    EXPECT_THAT(Open(Child(Child(units, "Project"), "B")), ElementsAre("TDelta", "TOrphan"));
    EXPECT_EQ(Child(units, "Project")->ImageIndex, ptiDomain);
    EXPECT_EQ(Child(Child(units, "Project"), "A")->ImageIndex, ptiUnit);

    TGeneralNode* classes = form.ClassTree->GetNode0();
    EXPECT_THAT(Open(Child(classes, "Project")), ElementsAre("TAlpha", "TBase", "tbeta", "TDelta", "TGamma", "TOrphan"));
    EXPECT_THAT(Open(Child(classes, "External")), ElementsAre("TZed"));
    EXPECT_FALSE(Child(Child(classes, "Project"), "TBase")->GetCanExpand());  // no hierarchy here

    // The hierarchy: TOrphan's ancestor is not registered, so it is nowhere.
    TGeneralNode* hierarchy = form.HieraTree->GetNode0();
    EXPECT_EQ(hierarchy->GetText(), "**");
    EXPECT_THAT(Open(hierarchy), ElementsAre("TBase"));
    EXPECT_THAT(Open(Child(hierarchy, "TBase")), ElementsAre("TAlpha", "tbeta", "TDelta", "TZed"));
    EXPECT_THAT(Open(Child(Child(hierarchy, "TBase"), "TAlpha")), ElementsAre("TGamma"));
    EXPECT_EQ(Child(hierarchy, "TBase")->ImageIndex, ptiClass);
}

TEST_F(ProjectTreeTest, MenusRunTheCommandFileWordsWithTheirArguments) {
    // A path longer than the record's field is opened whole.
    const std::string longPath = "/p/" + std::string(150, 'd') + "/Long.pas";
    Build(std::string(kRegistry) + "[Long]\r\nSource=" + longPath + "\r\n[Long.Classes]\r\nTLong=TBase\r\n");
    EXPECT_EQ(form.GetLists().ModuleList.GetRec(3).GetFileField(), longPath.substr(0, 127));

    TGeneralNode* units = form.UnitTree->GetNode0();
    inst.Sink.Lines.clear();
    ClickMenu(*form.UnitTree, Child(Child(units, "Project"), "B"), "Open Source");
    ClickMenu(*form.UnitTree, Child(Child(units, "External"), "Long"), "Open Source");
    ClickMenu(*form.UnitTree, Child(Child(Child(units, "External"), "Long"), "TLong"), "Open Source");
    TGeneralNode* hierarchy = form.HieraTree->GetNode0();
    ClickMenu(*form.HieraTree, Child(Child(Child(hierarchy, "TBase"), "TAlpha"), "TGamma"), "Open Source");
    EXPECT_THAT(inst.Sink.Lines, ElementsAre("unit:", "/P/B.PAS", "unit:", longPath, "class:", longPath, "TLong",
                                             "class:", "/p/A.pas", "TGamma"));
    EXPECT_EQ(s->Forth().Stack.Count(), 0);

    // A failing word is reported through the IDE and leaves no arguments
    // behind; the root of the hierarchy has no file to open.
    s->Forth().SetText(": OpenUnitSource DROP 1 Nowhere ;");
    ClickMenu(*form.UnitTree, Child(Child(units, "Project"), "A"), "Open Source");
    ClickMenu(*form.HieraTree, hierarchy, "Open Source");
    ASSERT_EQ(host.Messages.size(), 2u);
    EXPECT_THAT(host.Messages[0], HasSubstr("Nowhere"));
    EXPECT_EQ(host.Messages[1], "The class ** has no source file");
    EXPECT_EQ(s->Forth().Stack.Count(), 0);
    // A word that leaves values behind leaves none after the command.
    s->Forth().SetText(": OpenUnitSource 1 2 ;");
    ClickMenu(*form.UnitTree, Child(Child(units, "Project"), "A"), "Open Source");
    EXPECT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(s->Forth().Stack.Count(), 0);
}

TEST_F(ProjectTreeTest, CircularAncestryStopsExpandingEverything) {
    // TY's unit C derives it from TX of C; unit D declares TX again, derived
    // from TY; and a TSelf that names itself.
    Build("[C]\r\nSource=/p/C.pas\r\n[C.Classes]\r\nTX=\r\nTY=TX\r\nTSelf=\r\n"
          "[D]\r\nSource=/p/D.pas\r\n[D.Classes]\r\nTX=TY\r\nTSelf=TSelf\r\n");
    std::vector<std::string> reported;
    TExceptionReporterGuard reporter([&](const std::exception& e) { reported.push_back(e.what()); });
    int expanded = 0;
    std::function<void(TGeneralNode*)> expandAll = [&](TGeneralNode* node) {
        ASSERT_LT(++expanded, 100) << "the expansion does not end";
        if (!node->Expanded && node->GetCanExpand()) form.HieraTree->ExternalExpand(node);
        for (int i = 0; i < node->GetSubnodeCount(); ++i) expandAll(node->GetNodes(i));
    };
    expandAll(form.HieraTree->GetNode0());
    EXPECT_THAT(reported, ElementsAre("Circular class refference: TSelf = class(TSelf)",
                                      "Circular class refference: TY = class(TX)"));
    TGeneralNode* root = form.HieraTree->GetNode0();
    EXPECT_THAT(Open(root), ElementsAre("TSelf", "TX"));
    EXPECT_THAT(Open(Child(Child(root, "TX"), "TY")), ElementsAre("TX"));
    // The node whose class comes round again offers to expand, and says why not.
    TGeneralNode* again = Child(Child(Child(root, "TX"), "TY"), "TX");
    EXPECT_TRUE(again->GetCanExpand());
    EXPECT_EQ(again->GetSubnodeCount(), 0);
}

TEST_F(ProjectTreeTest, StatusPanelsFollowTheSelection) {
    Build(kRegistry);
    TGeneralNode* project = Child(form.UnitTree->GetNode0(), "Project");
    const auto select = [&](T__GeneralTreeView& view, TGeneralNode* node) {
        view.SetSelection(node);
        return std::pair(form.GetStatusText(0), form.GetStatusText(1));
    };
    EXPECT_EQ(select(*form.UnitTree, project), std::pair(std::string("Domain"), std::string()));
    EXPECT_EQ(select(*form.UnitTree, Child(project, "B")), std::pair(std::string("Unit"), std::string("/P/B.PAS")));
    EXPECT_EQ(select(*form.UnitTree, Child(Child(project, "B"), "TDelta")),
              std::pair(std::string("Class"), std::string("/P/B.PAS")));
    TGeneralNode* zed = Child(Child(form.HieraTree->GetNode0(), "TBase"), "TZed");
    EXPECT_EQ(select(*form.HieraTree, zed), std::pair(std::string("Class"), std::string("/lib/Ext.pas")));
    EXPECT_EQ(select(*form.HieraTree, form.HieraTree->GetNode0()), std::pair(std::string("Class"), std::string()));
}

TEST_F(ProjectTreeTest, AddModuleTakesTheChosenFileAndFilter) {
    Build(kRegistry);
    const std::string file = inst.Write("src/Added.dpr", "program Added;\r\nbegin\r\nend.\r\n");
    AnsweringRunner runner([&](QDialog& d) {
        auto* dialog = dynamic_cast<QFileDialog*>(&d);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Add Module into External");
        EXPECT_EQ(dialog->nameFilters(), QStringList({"Delphi Unit(*.pas)", "Delphi Project(*.dpr)", "All Files(*.*)"}));
        dialog->selectNameFilter("Delphi Project(*.dpr)");
        // Typed, as the file list of the folder loads later.
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(file));
        static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    });
    ClickMenu(*form.UnitTree, Child(form.UnitTree->GetNode0(), "External"), "Add Module ...");
    EXPECT_EQ(runner.Runs, 1);
    EXPECT_TRUE(inst.Sink.Notes.empty()) << inst.Sink.Notes[0];
    TModuleList& modules = form.GetLists().ModuleList;
    ASSERT_EQ(modules.GetCount(), 5);
    const TModuleRec added = modules.GetRec(4);
    EXPECT_EQ(std::tuple(added.ID, added.DomainID, added.GetModuleName(), added._type, modules.GetFileName(4)),
              std::tuple(5, 2, std::string("Added.dpr"), 2, file));
}

TEST_F(ProjectTreeTest, TheCommandMakesTheWindowOnceAndShowsItEveryTime) {
    inst.CommandFile(std::string(kCommands) + ": StartupSourceSafeTree \" docked\" Writeln ;\r\n");
    s->Finalize();
    s->Initialize();
    s->SourceCode().ClassesRegistry.LoadFromText(kRegistry);
    ASSERT_TRUE(host.Click(*VeltItem(host, "Project Tree")));
    ASSERT_TRUE(ProjectTreeForm);
    QPointer<TProjectTreeForm> first = ProjectTreeForm.data();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), "Project Tree");
    EXPECT_EQ(first->GetLists().ModuleList.GetCount(), 4);

    first->close();  // closing hides it
    ASSERT_TRUE(first);
    s->SourceCode().ClassesRegistry.LoadFromText("[Z]\r\nSource=/z/Z.pas\r\n");
    ASSERT_TRUE(host.Click(*VeltItem(host, "Project Tree")));
    EXPECT_EQ(ProjectTreeForm.data(), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->GetLists().ModuleList.GetCount(), 4);  // not built again
    EXPECT_EQ(std::count(inst.Sink.Lines.begin(), inst.Sink.Lines.end(), "docked"), 1);
    EXPECT_TRUE(host.Messages.empty());

    // The window goes with the services whose interpreter it uses.
    s->Finalize();
    s = nullptr;
    EXPECT_FALSE(first);
    s = ComPtr<TSourceServices>(new TSourceServices(host));
}

TEST(ProjectTreePackageTest, TheWindowGoesBeforeThePackageEvenWhileTheServicesAreHeld) {
    Installation inst;
    inst.CommandFile(kCommands);
    MemoryHost host;
    ASSERT_EQ(VeltPackageStartup(&host), 0);
    host.SetLoadingPackage(1);
    ASSERT_EQ(VeltPackageRegister(&host), 0);
    ASSERT_TRUE(host.Click(*VeltItem(host, "Project Tree")));
    QPointer<TProjectTreeForm> window = ProjectTreeForm.data();
    ASSERT_TRUE(window);
    const ComPtr<TSourceServices> held = SourceServices;  // as the host's expert list does
    ASSERT_EQ(VeltPackageShutdown(), 0);
    EXPECT_FALSE(window);
    host.ReleaseExperts(1);
}

// The example command file's Open Source of a unit that is gone: one report,
// through the IDE, naming the file once.
TEST_F(ProjectTreeTest, OpenSourceOfAMissingUnitIsReportedOnceThroughTheIde) {
    s->Forth().SetText(ReadWholeFile(std::string(VELT_EXAMPLES_DIR) + "/velt.4th"));
    const std::string missing = inst.Path("gone/Missing.pas");
    Build("[Missing]\r\nSource=" + missing + "\r\n[Missing.Classes]\r\nTGone=TObject\r\n");
    std::vector<std::string> reported;
    TExceptionReporterGuard reporter([&](const std::exception& e) { reported.push_back(e.what()); });
    inst.Sink.Notes.clear();
    TGeneralNode* external = Child(form.UnitTree->GetNode0(), "External");
    ClickMenu(*form.UnitTree, Child(external, "Missing"), "Open Source");
    ClickMenu(*form.UnitTree, Child(Child(external, "Missing"), "TGone"), "Open Source");
    EXPECT_TRUE(reported.empty()) << reported[0];
    EXPECT_TRUE(inst.Sink.Notes.empty()) << inst.Sink.Notes[0];
    ASSERT_EQ(host.Messages.size(), 2u) << ::testing::PrintToString(host.Messages);
    for (const std::string& m : host.Messages) EXPECT_EQ(m, "Cannot open file \"" + missing + "\"");
    EXPECT_EQ(s->Forth().Stack.Count(), 0);
}

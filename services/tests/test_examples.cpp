// The example installation of `make run`: its command file's hotkeys on the
// example project.
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>

#include "foundation/Dialogs.h"
#include "platform/ui/InheritanceWizardForm.h"
#include "platform/ui/ShortCut.h"
#include "platform/ui/tests/UiTestSupport.h"
#include "services/ProjectTree.h"
#include "services/ServiceForms.h"
#include "services/tests/ProjectTreeTestSupport.h"
#include "services/tests/ServicesTestSupport.h"

using namespace velt;
using namespace velt::test;
using ::testing::ElementsAre;

namespace {

const std::string kExamples = VELT_EXAMPLES_DIR;

class ExamplesTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.Settings()->SetVString("CommandFileName", kExamples + "/velt.4th");
        inst.Write("root/velt.dci", ReadWholeFile(kExamples + "/velt.dci"));
        s = ComPtr<TSourceServices>(new TSourceServices(host));
        s->InstallAddIn();
        shapes = kExamples + "/project/Shapes.pas";
        host.OpenBuffer(shapes, ReadWholeFile(shapes));
    }
    void TearDown() override { s->Finalize(); }
    void Press(const char* key) {
        ASSERT_TRUE(host.PressShortCut(TextToShortCut(key))) << key;
        ASSERT_TRUE(host.Messages.empty()) << key << ": " << host.Messages[0];
    }
    std::vector<std::string> Lines() { return SplitLines(host.Text(shapes)); }
    int LineOf(const std::string& text) {
        const std::vector<std::string> lines = Lines();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == text) return int(i) + 1;
        return -1;
    }

    Installation inst;
    MemoryHost host;
    ComPtr<TSourceServices> s;
    std::string shapes;
};

}  // namespace

TEST_F(ExamplesTest, StartupRegistersTheHotkeysOfTheReadme) {
    EXPECT_TRUE(inst.Sink.HasLine("Example commands are ready: see the V&ELT menu."));
    std::vector<std::string> expected = {"Hyper Jump",        "Jump Backward",     "Go to Interface",
                                         "Go to Implementation", "Declare Variable ...", "Try Finally Block",
                                         "Code Templates ...", "Inheritance Wizard ..."};
    expected.insert(expected.end(), kBuiltInItems.begin(), kBuiltInItems.end());
    EXPECT_EQ(VeltItems(host), expected);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(ExamplesTest, HyperJumpCreatesTheMissingImplementationAndTheGotoWordsMove) {
    TScriptedDialogPort dialogs;
    dialogs.Confirms = {true};
    TDialogPortGuard guard(&dialogs);
    const int decl = LineOf("    procedure Move(DX, DY: Integer);");
    ASSERT_GT(decl, 0);
    host.SetCursor(shapes, {7, decl});
    Press("Ctrl+Shift+H");
    const int impl = LineOf("procedure TShape.Move(DX, DY: Integer);");
    ASSERT_GT(impl, decl);
    EXPECT_EQ(Lines()[size_t(impl)], "begin");
    EXPECT_EQ(host.UndoCount(shapes), 1);
    EXPECT_GT(host.Cursor(shapes).Line, impl);

    Press("Ctrl+Shift+B");
    EXPECT_EQ(host.Cursor(shapes).Line, impl) << host.Text(shapes);
    Press("Ctrl+Shift+M");
    EXPECT_EQ(host.Cursor(shapes).Line, LineOf("implementation"));
    Press("Ctrl+Shift+N");
    EXPECT_EQ(host.Cursor(shapes).Line, LineOf("  Classes;"));  // the end of its uses clause
    EXPECT_EQ(host.UndoCount(shapes), 1);  // the jumps changed no text

    // The property whose accessors do not exist yet gets them.
    dialogs.Confirms = {true, true, true, true};
    host.SetCursor(shapes, {14, LineOf("    property Color: Integer read GetColor write SetColor;")});
    Press("Ctrl+Shift+H");
    EXPECT_EQ(host.UndoCount(shapes), 2);
    EXPECT_GT(LineOf("    function GetColor: Integer;"), 0) << host.Text(shapes);
    EXPECT_GT(LineOf("    procedure SetColor(Value: Integer);"), 0);
    EXPECT_GT(LineOf("function TShape.GetColor: Integer;"), 0);
}

TEST_F(ExamplesTest, TemplateAndDeclareVariableWriteAtTheCursor) {
    const int result = LineOf("  Result := 0;");
    ASSERT_GT(result, 0);
    host.SetCursor(shapes, {1, result + 1});  // "end;" of GetArea
    Press("Ctrl+Shift+T");
    std::vector<std::string> lines = Lines();
    EXPECT_EQ(lines[size_t(result)], "try");
    EXPECT_EQ(lines[size_t(result) + 2], "finally");
    EXPECT_EQ(host.Cursor(shapes).Line, result + 2);  // at the template's caret

    AnsweringRunner runner([&](QDialog& d) {
        auto* form = dynamic_cast<TInputQueryForm*>(&d);
        ASSERT_NE(form, nullptr);
        form->Default->setEditText("K");
        form->done(mrOk);
    });
    TScriptedDialogPort dialogs;
    dialogs.Inputs = {{true, "Integer"}};
    TDialogPortGuard guard(&dialogs);
    host.SetCursor(shapes, {3, result});
    Press("Ctrl+Shift+V");
    EXPECT_EQ(runner.Runs, 1);
    EXPECT_EQ(dialogs.Log, std::vector<std::string>{"Input: Declare local variable|Declare variable K as|Integer"});
    const int var = LineOf("var");
    ASSERT_GT(var, LineOf("function TShape.GetArea: Double;")) << host.Text(shapes);
    EXPECT_EQ(Lines()[size_t(var)], "  K: Integer;") << host.Text(shapes);
}

TEST_F(ExamplesTest, ProjectTreeShowsTheWholeAncestorChainAndOpensTheSources) {
    const std::string circles = kExamples + "/project/Circles.pas";
    const std::string system = kExamples + "/project/System.pas";
    for (const std::string& unit : {shapes, circles, system})
        s->SourceCode().ClassesRegistry.InternalRegisterSource(s->SourceCode(), s->Forth(), unit);
    host.SetProjectUnits(kExamples + "/project/ShapeDemo.dpr", {shapes, circles});
    host.OpenBuffer(circles, ReadWholeFile(circles));
    host.SetCurrentFile(shapes);

    ASSERT_TRUE(host.Click(*VeltItem(host, "Project Tree")));
    ASSERT_TRUE(ProjectTreeForm);
    TProjectTreeForm& form = *ProjectTreeForm;
    TGeneralNode* root = form.HieraTree->GetNode0();
    EXPECT_THAT(Open(root), ElementsAre("TObject"));
    EXPECT_THAT(Open(Child(root, "TObject")), ElementsAre("TShape"));
    EXPECT_THAT(Open(Child(Child(root, "TObject"), "TShape")), ElementsAre("TCircle"));
    TGeneralNode* units = form.UnitTree->GetNode0();
    EXPECT_THAT(Open(Child(units, "Project")), ElementsAre("Circles", "Shapes"));
    EXPECT_THAT(Open(Child(units, "External")), ElementsAre("System"));

    // The class's unit, open behind another, comes to the front at the class.
    ClickMenu(*form.HieraTree, Child(Child(Child(root, "TObject"), "TShape"), "TCircle"), "Open Source");
    ASSERT_TRUE(host.Messages.empty()) << host.Messages[0];
    ASSERT_TRUE(inst.Sink.Notes.empty()) << inst.Sink.Notes[0];
    EXPECT_EQ(host.GetCurrentFile(), circles);
    const std::vector<std::string> lines = SplitLines(host.Text(circles));
    EXPECT_EQ(lines[size_t(host.Cursor(circles).Line - 1)], "  TCircle = class(TShape)");
    EXPECT_EQ(host.Text(circles), ReadWholeFile(circles));

    // A unit that is not open yet opens, at its top.
    ClickMenu(*form.UnitTree, Child(Child(units, "External"), "System"), "Open Source");
    ASSERT_TRUE(host.Messages.empty()) << host.Messages[0];
    EXPECT_EQ(host.GetCurrentFile(), system);
    EXPECT_EQ(host.Cursor(system).Line, 1);
}

TEST_F(ExamplesTest, InheritanceWizardListsTheAncestorsAndWritesOneUndoStep) {
    const std::string circles = kExamples + "/project/Circles.pas";
    const std::string system = kExamples + "/project/System.pas";
    for (const std::string& unit : {shapes, circles, system})
        s->SourceCode().ClassesRegistry.InternalRegisterSource(s->SourceCode(), s->Forth(), unit);
    host.OpenBuffer(circles, ReadWholeFile(circles));
    host.SetCurrentFile(circles);
    const std::vector<std::string> before = SplitLines(host.Text(circles));
    const auto field = std::find(before.begin(), before.end(), "    FRadius: Double;");
    ASSERT_NE(field, before.end());
    host.SetCursor(circles, {5, int(field - before.begin()) + 1});
    TQtInheritanceWizardPort port;
    TInheritanceWizardPortGuard guard(&port);
    AnsweringRunner runner([&](QDialog& d) {
        auto* form = qobject_cast<TInheritanceWizardForm*>(&d);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->windowTitle(), "Inheritance Wizard of TCircle");
        QTRY_VERIFY_WITH_TIMEOUT(!form->Feeding(), 60000);  // however busy the machine
        // TCircle overrides both of TShape's virtual methods already.
        QStringList names;
        for (int i = 0; i < form->VirtualView->topLevelItemCount(); ++i)
            names << form->VirtualView->topLevelItem(i)->text(0);
        EXPECT_EQ(names, QStringList({"    Derived from TShape", "    Derived from TObject", "Destroy"}));
        form->VirtualView->topLevelItem(2)->setSelected(true);
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
    });
    Press("Ctrl+Shift+W");
    EXPECT_EQ(runner.Runs, 1);
    std::vector<std::string> expected = before;
    const auto end = std::find(expected.begin(), expected.end(), "    property Radius: Double read FRadius write FRadius;");
    ASSERT_NE(end, expected.end());
    expected.insert(end + 1, "    destructor Destroy; override;");
    EXPECT_EQ(SplitLines(host.Text(circles)), expected);
    EXPECT_EQ(host.UndoCount(circles), 1);
}

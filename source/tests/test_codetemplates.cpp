#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "forth/Forth.h"
#include "foundation/Dialogs.h"
#include "foundation/RegKeys.h"
#include "foundation/RootDir.h"
#include "foundation/Types.h"
#include "foundation/tests/FoundationTestUtil.h"
#include "source/CodeTemplates.h"
#include "source/IText.h"
#include "source/tests/SourceTestUtil.h"

using namespace velt;

namespace {

// A buffer that publishes the two template words the way the source object
// does: thin delegations with a fixed template file.
class TTemplateText : public TIText {
public:
    VELT_FORTH_CLASS(TTemplateText)
    std::string ClassName() const override { return "TTemplateText"; }
    std::string TemplateFile;
    void ExecCodeTemplate(TForth& Sender) { velt::ExecCodeTemplate(*this, Sender, TemplateFile); }
    void ForthCodeTemplates(TForth& Sender) { velt::ForthCodeTemplates(*this, Sender, TemplateFile); }
};

const ClassInfo& TTemplateText::StaticForthClass() {
    static const MethodInfo methods[] = {
        WordMethod<TTemplateText, &TTemplateText::ExecCodeTemplate>("ExecCodeTemplate"),
        WordMethod<TTemplateText, &TTemplateText::ForthCodeTemplates>("ForthCodeTemplates"),
    };
    static const ClassInfo info{"TTemplateText", &TIText::StaticForthClass(), {}, methods};
    return info;
}

const char* const kTemplates =
    "[be | begin end block ]\r\n"
    "begin|end\r\n"
    "next\r\n"
    "[  Loop|for loop]\r\n"
    "for | := 0 to (**  \" Count\" SourceCode :: Text .! **)  - 1 do\r\n"  // "**)" takes one blank with it
    "[carets]\r\n"
    "a|b|c\r\n"
    "[bad|fails inside]\r\n"
    "x (** NoSuchWord **) y\r\n"
    "[open|no closing mark]\r\n"
    "p (** \" q\" SourceCode :: Text .!\r\n"
    "r\r\n"
    "[Alpha|first]\r\n";

class CodeTemplatesTest : public testing::Test {
protected:
    void SetUp() override {
        text_.TemplateFile = tmp_.Write("velt.dci", kTemplates);
        forth_.Objects.AddObject("SourceCode", &text_);
    }

    void Run(const std::string& name) {
        forth_.PushString(name);
        forth_.ExecWord("ExecCodeTemplate");
    }
    std::string Line(int i) const { return test::L(text_, i); }

    test::TTempFolder tmp_;
    TForth forth_;
    TTemplateText text_;
};

}  // namespace

TEST_F(CodeTemplatesTest, ExpandsAtTheCursorWithTheCaretAndTheMargin) {
    text_.SetLinesText("xxxx");
    text_.SetCursorLine(0);
    text_.SetCursorCol(5);
    Run("  BE ");  // trimmed, letter case ignored
    ASSERT_EQ(text_.Lines->Count(), 3);
    EXPECT_EQ(Line(0), "xxxxbeginend");
    EXPECT_EQ(Line(1), "    next");
    EXPECT_EQ(Line(2), "      ");  // margin and the padding after the last break
    EXPECT_EQ(text_.GetCursorLine(), 0);
    EXPECT_EQ(text_.GetCursorCol(), 10);
    EXPECT_EQ(text_.GetMargin(), 4);
    EXPECT_TRUE(text_.GetModified());
}

TEST_F(CodeTemplatesTest, EmbeddedForthWritesThroughTheSourceObject) {
    text_.ClearLines();
    Run("loop");
    EXPECT_EQ(TrimRight(Line(0)), "for  := 0 to Count - 1 do");
    EXPECT_EQ(text_.GetCursorCol(), 5);  // the caret, before the embedded run
    EXPECT_EQ(forth_.Stack.Count(), 0);

    // The last "|" of a line wins; an embedded run without "**)" takes the
    // rest of its line, and the next line follows as usual.
    text_.ClearLines();
    Run("carets");
    EXPECT_EQ(TrimRight(Line(0)), "abc");
    EXPECT_EQ(text_.GetCursorCol(), 3);
    text_.ClearLines();
    Run("open");
    EXPECT_EQ(TrimRight(Line(0)), "p q");
    EXPECT_EQ(TrimRight(Line(1)), "r");
}

TEST_F(CodeTemplatesTest, MissingTemplateAndMissingFileAreReported) {
    try {
        Run("nothing");
        FAIL() << "no error";
    } catch (const EForth& e) {
        EXPECT_STREQ(e.what(), "Code template nothing not found");
    }
    text_.TemplateFile = tmp_.Path("missing.dci");
    EXPECT_THROW(Run("be"), EFOpenError);
    EXPECT_EQ(text_.Lines->Count(), 0);
}

TEST_F(CodeTemplatesTest, AFailingEmbeddedRunLeavesTheCommandFileRunnable) {
    forth_.SetText(
        ": Two \" be\" SourceCode :: ExecCodeTemplate 7 ;\n"
        ": Bad \" bad\" SourceCode :: ExecCodeTemplate 8 ;\n"
        ": Hello 42 ;\n");
    forth_.Pos = 1;
    text_.ClearLines();
    // After a template the calling word goes on where it was.
    forth_.ExecWord("Two");
    TCell c;
    forth_.Pop(c);
    EXPECT_EQ(c.Value, 7);

    text_.ClearLines();
    EXPECT_THROW(forth_.ExecWord("Bad"), EForth);
    EXPECT_EQ(TrimRight(Line(0)), "x");  // written before the failure stays
    EXPECT_EQ(forth_.Pos, 1);
    forth_.ClearStack();
    forth_.ExecWord("Hello");
    forth_.Pop(c);
    EXPECT_EQ(c.Value, 42);
    EXPECT_NE(forth_.Text().find(": Hello"), std::string::npos);
}

TEST_F(CodeTemplatesTest, ChooserListsSortedRowsAndExpandsTheChoice) {
    TCodeTemplates templates;
    templates.LoadFromFile(text_.TemplateFile);
    const std::vector<TTemplateItem> items = templates.Items();
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[2].Name, "be");
    EXPECT_EQ(items[2].Description, "begin end block");
    EXPECT_EQ(items[3].Description, "");

    TScriptedDialogPort port;
    port.Choices = {2, -1};
    TDialogPortGuard guard(&port);
    text_.ClearLines();
    forth_.ExecWord("ForthCodeTemplates");
    EXPECT_EQ(port.Log.at(0), "Choose: Alpha,bad,be,carets,Loop,open");
    EXPECT_EQ(TrimRight(Line(0)), "beginend");
    EXPECT_EQ(text_.GetCursorCol(), 6);

    text_.ClearLines();
    forth_.ExecWord("ForthCodeTemplates");  // cancelled
    EXPECT_EQ(text_.Lines->Count(), 0);
    EXPECT_EQ(forth_.Stack.Count(), 0);
}

namespace {

class TRootDirKey : public TKey {
public:
    std::map<std::string, std::string> Values;
    TVRec* DoGetValue(const std::string& name) override {
        auto it = Values.find(name);
        return it == Values.end() ? nullptr : TVRec::CreateString(it->second);
    }
};

}  // namespace

TEST(CodeTemplateFileNameTest, ComesFromTheRootDirValueMappedUnderTheInstallation) {
    const char* old = std::getenv("VELT_ROOTDIR");
    const std::string saved = old ? old : "";
    setenv("VELT_ROOTDIR", "/srv/velt", 1);
    TRootDirKey key;
    EXPECT_EQ(CodeTemplateFileName(nullptr), "/srv/velt/velt.dci");
    EXPECT_EQ(CodeTemplateFileName(&key), "/srv/velt/velt.dci");
    key.Values["RootDir"] = "";
    EXPECT_EQ(CodeTemplateFileName(&key), "/srv/velt/velt.dci");
    key.Values["RootDir"] = "H:\\Varno\\RVelt\\";
    EXPECT_EQ(CodeTemplateFileName(&key), "/srv/velt/velt.dci");
    key.Values["RootDir"] = "/opt/templates/";
    EXPECT_EQ(CodeTemplateFileName(&key), "/opt/templates/velt.dci");
    if (old) setenv("VELT_ROOTDIR", saved.c_str(), 1);
    else unsetenv("VELT_ROOTDIR");
}

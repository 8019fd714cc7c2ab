// The package in the Qt host, as velt-ide runs it: loaded with dlopen, its
// menu in the window's menu bar, a hotkey pressed in the editor.
#include <Qsci/qsciscintilla.h>

#include <QMenuBar>
#include <QTest>

#include "platform/ide/PackageLoader.h"
#include "platform/ide/QtHost.h"
#include "services/tests/ServicesTestSupport.h"

using namespace velt;
using namespace velt::test;
using ::testing::ElementsAre;

namespace {

std::string BufferText(TQtHost& host, const std::string& file) {
    const ComPtr<TIEditReader> reader = host.GetModuleInterface(file)->GetEditorInterface()->CreateReader();
    std::string text(100000, '\0');
    text.resize(size_t(reader->GetText(0, text.data(), int32_t(text.size()))));
    return text;
}

}  // namespace

TEST(IdeEndToEnd, AHotkeyRunsItsWordOnTheEditorTextAsOneUndoStep) {
    Installation inst;
    inst.CommandFile(
        ": Startup\n"
        "\" Insert b\" \" InsertB\" \" Ctrl+Shift+L\" 1 RegisterHotkey\n"
        ";\n"
        ": InsertB\n"
        "\" b\" SourceCode :: Text .!\n"
        ";\n");
    const std::string original = "unit A;\n\ninterface\n\nvar\n  abc: Integer;\n\nimplementation\n\nend.\n";
    const std::string file = inst.Write("A.pas", original);

    TQtHost host;
    TPackageLoader loader(host);
    loader.Load(VELT_LOOM2_PATH);
    ASSERT_TRUE(host.OpenFile(file));

    QStringList menus;
    for (const QAction* a : host.Window().menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Project", "&Tools", "V&ELT", "&Help"}));

    QsciScintilla* editor = host.Editor(file);
    ASSERT_NE(editor, nullptr);
    host.Window().show();
    host.Window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host.Window()));
    editor->setFocus();
    editor->setCursorPosition(5, 4);  // "  ab|c"

    std::vector<std::string> edits;
    QObject::connect(editor, &QsciScintillaBase::SCN_MODIFIED,
                     [&](int position, int type, const char* text, int length, int, int, int, int, int, int) {
                         if (type & QsciScintillaBase::SC_MOD_INSERTTEXT)
                             edits.push_back("insert " + std::to_string(position) + " " + std::string(text, size_t(length)));
                         if (type & QsciScintillaBase::SC_MOD_DELETETEXT)
                             edits.push_back("delete " + std::to_string(position) + " " + std::to_string(length));
                     });
    QTest::keyClick(editor, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);

    EXPECT_TRUE(host.Messages.empty()) << host.Messages[0];
    std::string expected = original;
    expected.insert(original.find("abc") + 2, "b");
    EXPECT_EQ(BufferText(host, file), expected);
    EXPECT_THAT(edits, ElementsAre("insert " + std::to_string(original.find("abc") + 2) + " b"));
    int line = 0, index = 0;
    editor->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 5);
    EXPECT_EQ(index, 5);

    editor->undo();
    EXPECT_EQ(BufferText(host, file), original);
    EXPECT_FALSE(editor->isUndoAvailable());
    loader.UnloadAll();
    EXPECT_EQ(SourceServices, nullptr);
}

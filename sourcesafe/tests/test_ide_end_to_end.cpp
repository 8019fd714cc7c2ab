// Both packages in the Qt host, as velt-ide runs them: a file checked out
// through the menu bar, edited in its editor tab and checked in through the
// ss client.
#include <Qsci/qsciscintilla.h>

#include <QMenuBar>

#include "platform/ide/QtHost.h"
#include "sourcesafe/tests/SafeTestSupport.h"

using namespace velt;
using namespace velt::test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The menu bar's action of a menu item, by the item's name.
QAction* MenuAction(TIdeWindow& window, const char* name) {
    return window.menuBar()->findChild<QAction*>(QString::fromLatin1(name));
}

}  // namespace

TEST(SafeIdeEndToEnd, CheckOutThroughTheMenuEditAndCheckInThroughTheClient) {
    SafeInstallation inst;
    inst.BuildList();
    TQtHost host;
    ScriptedRunner runner;
    LoadedPackages packages(host);
    packages.LogOn();

    QStringList menus;
    for (const QAction* a : host.Window().menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Project", "SourceS&afe", "&Tools", "V&ELT", "&Help"}));

    const std::string file = inst.File("a.pas");
    ASSERT_TRUE(host.OpenFile(file));
    QAction* checkOut = MenuAction(host.Window(), "ssCheckOutItem");
    ASSERT_NE(checkOut, nullptr);
    EXPECT_EQ(checkOut->text(), "Chec&k Out ...\t" + QKeySequence("Ctrl+Shift+K").toString(QKeySequence::NativeText));
    runner.Script.push_back(Ok());
    checkOut->trigger();
    EXPECT_EQ(inst.CheckedOut(inst.Spec("a.pas")), vss::VSSFILE_CHECKEDOUT_ME);
    EXPECT_TRUE(vss::LocalState(file).Writable);

    // The editor was reloaded by the operation; edit it and save.
    QsciScintilla* editor = host.Editor(file);
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("unit a;\r\n{ edited in the IDE }\r\nend.\r\n"));
    ASSERT_TRUE(host.SaveFile(file));

    runner.Script.push_back(Ok([](TSafeSourceForm& f) {
        f._COM->setChecked(false);
        f.CommentMemo->setPlainText("Edited in the IDE");
    }));
    QAction* checkIn = MenuAction(host.Window(), "ssCheckInItem");
    ASSERT_NE(checkIn, nullptr);
    checkIn->trigger();

    EXPECT_THAT(runner.Script, IsEmpty());
    EXPECT_THAT(runner.Titles, ElementsAre("SourceSafe Check Out", "SourceSafe Check In"));
    EXPECT_THAT(host.Messages, IsEmpty());
    auto session = inst.Session();
    const vss::TVssItemRow item = session->Find(inst.Spec("a.pas"), false);
    EXPECT_EQ(item.Version, 2);
    EXPECT_EQ(session->VersionData(item, 2), "unit a;\r\n{ edited in the IDE }\r\nend.\r\n");
    EXPECT_EQ(session->VersionInfo(item, 2).Comment, "Edited in the IDE");
    EXPECT_EQ(session->IsCheckedOut(item), vss::VSSFILE_NOTCHECKEDOUT);
    EXPECT_FALSE(vss::LocalState(file).Writable);
    ASSERT_NE(host.Editor(file), nullptr);
    EXPECT_EQ(host.Editor(file)->text(), QStringLiteral("unit a;\r\n{ edited in the IDE }\r\nend.\r\n"));
}

// velt-painter's window: the stored forms of a drawing by extension and by
// content, the menus with the panel's keys, and a session drawn by mouse.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "examples/painter/PainterForm.h"
#include "examples/painter/tests/ExampleDrawing.h"
#include "foundation/SysUtils.h"
#include "painter/ClipUtil.h"
#include "painter/EdtPaint.h"
#include "painter/GrfeReg.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/TimerSource.h"
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QMessageBox>
#include <deque>
#include <functional>
#include <map>

using namespace velt;
using namespace velt::test;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

class PainterForm : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterPainterComponents();
        ClipUtilStartup();
        ASSERT_TRUE(dir.isValid());
    }
    std::string Path(const char* name) const { return QDir(dir.path()).filePath(name).toStdString(); }
    // The form shown at the size a person opens it, with the example drawing.
    static void ShowExample(TPainterForm& form) {
        form.resize(900, 640);
        form.show();
        QApplication::processEvents();
        form.OpenFile(VELT_PAINTER_EXAMPLE);
    }
    QTemporaryDir dir;
};

TEST_F(PainterForm, BothFormsRoundTripAndTheTextIsTheExampleFile) {
    TPainterForm form;
    BuildExample(*form.Root());
    const std::string want = Summary(*form.Root());
    form.SaveFile(Path("a.grt"));
    EXPECT_EQ(form.FileName(), Path("a.grt"));
    EXPECT_EQ(form.windowTitle().toStdString(), Path("a.grt") + " - velt-painter");
    form.SaveFile(Path("b.GRF"));
    if (qEnvironmentVariableIsSet("VELT_UPDATE_EXAMPLE")) {
        WriteAll(VELT_PAINTER_EXAMPLE, ReadAll(Path("a.grt")));
        WriteAll(VELT_FUZZ_CORPUS "/example.grt", ReadAll(Path("a.grt")));
        WriteAll(VELT_FUZZ_CORPUS "/example.grf", ReadAll(Path("b.GRF")));
    }
    EXPECT_EQ(ReadAll(Path("a.grt")), ReadAll(VELT_PAINTER_EXAMPLE));
    // A binary root file: the record body, without marker and class id.
    EXPECT_EQ(ReadAll(Path("b.GRF")).substr(0, 4), std::string("\xE0\xB9\x30\x01", 4));

    form.New();
    EXPECT_EQ(form.Root()->GetComponentCount(), 0);
    EXPECT_EQ(form.FileName(), "");
    form.OpenFile(Path("a.grt"));
    EXPECT_EQ(Summary(*form.Root()), want);
    form.New();
    form.OpenFile(Path("b.GRF"));
    EXPECT_EQ(Summary(*form.Root()), want);
    // Opened by content, whatever the name says.
    WriteAll(Path("text.grf"), ReadAll(Path("a.grt")));
    WriteAll(Path("binary.grt"), ReadAll(Path("b.GRF")));
    form.OpenFile(Path("text.grf"));
    EXPECT_EQ(Summary(*form.Root()), want);
    form.OpenFile(Path("binary.grt"));
    EXPECT_EQ(Summary(*form.Root()), want);
    EXPECT_EQ(form.Root()->GetBox(), form.Canvas());
}

TEST_F(PainterForm, FailuresLeaveTheDrawingAndTheFilesAsTheyWere) {
    TPainterForm form;
    BuildExample(*form.Root());
    form.SaveFile(Path("a.grt"));
    const std::string saved = ReadAll(Path("a.grt"));
    const std::string want = Summary(*form.Root());

    try {
        form.SaveFile(Path("a.png"));
        ADD_FAILURE() << "saved";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "\"" + Path("a.png") + "\": a drawing is saved as .grt (text) or .grf (binary root file)");
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("a.png"))));
    EXPECT_EQ(form.FileName(), Path("a.grt"));

    // A name code page 1251 lacks fails the save; the old file stays.
    form.Root()->GetComponent(0)->Name = "中";
    EXPECT_THROW(form.SaveFile(Path("a.grt")), Exception);
    EXPECT_THROW(form.SaveFile(Path("b.grf")), Exception);
    EXPECT_EQ(ReadAll(Path("a.grt")), saved);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("b.grf"))));
    form.Root()->GetComponent(0)->Name = "Source";

    WriteAll(Path("box.grt"), "object (TGrfBox)\r\n    Name = \"B\"\r\n    W = 40\r\n    H = 20\r\nend\r\n");
    WriteAll(Path("cut.grf"), std::string("\xE0\xB9\x30\x01\xFF\xFF", 6));
    WriteAll(Path("cut.grt"), saved.substr(0, saved.size() / 2));
    for (const char* bad : {"box.grt", "cut.grf", "missing.grt"}) EXPECT_THROW(form.OpenFile(Path(bad)), Exception) << bad;
    try {
        form.OpenFile(Path("box.grt"));
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open \"" + Path("box.grt") + "\": it holds a TGrfBox, not a drawing");
    }
    EXPECT_EQ(Summary(*form.Root()), want);
    EXPECT_EQ(form.FileName(), Path("a.grt"));
}

TEST_F(PainterForm, MenusCarryThePanelsKeys) {
    TPainterForm form;
    const std::pair<const char*, const char*> items[] = {
        {"FileOpen", "&Open …\tF3"},           {"FileSave", "&Save\tF2"},
        {"FileSaveAs", "Save &As …"},          {"EditCut", "Cu&t\tShift+Del"},
        {"EditCopy", "&Copy\tCtrl+Ins"},       {"EditPaste", "&Paste\tShift+Ins"},
        {"EditDelete", "&Delete\tCtrl+Del"},   {"EditSelectAll", "Select &All\tCtrl+A"},
        {"EditSelectParent", "Select Pa&rent\tEsc"}, {"EditBringToFront", "Bring to &Front\tCtrl+F"},
        {"EditSendToBack", "Send to &Back\tCtrl+B"}, {"ViewZoomIn", "Zoom &In\tCtrl+I"},
        {"ViewZoomOut", "Zoom &Out\tCtrl+O"},  {"ViewZoomAll", "Zoom &All\tCtrl+L"},
        {"ViewRepaint", "&Repaint\tF5"},       {"ViewSetup", "Setup …"},
    };
    for (const auto& [name, text] : items) {
        QAction* a = form.Action(QString::fromUtf8(name));
        ASSERT_TRUE(a) << name;
        EXPECT_EQ(a->text().toStdString(), text);
    }
    for (const char* tool : {"ToolSelect", "ToolBox", "ToolLink"}) EXPECT_TRUE(form.Action(tool)) << tool;
}

// Answers the save question with the buttons queued (Cancel when none is
// left) and every other dialog with Cancel; logs each question.
class TSaveQuestionRunner : public TDialogRunner {
public:
    int Run(QDialog& dialog) override {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            log.push_back(box->text().toStdString());
            const QMessageBox::StandardButton b = answers.empty() ? QMessageBox::Cancel : answers.front();
            if (!answers.empty()) answers.pop_front();
            box->button(b)->click();
            return dialog.result();
        }
        log.push_back("dialog " + dialog.windowTitle().toStdString());
        dialog.setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<std::string> log;
};

TEST_F(PainterForm, ChangesAreNotThrownAwayWithoutAQuestion) {
    std::vector<std::string> errors;
    TExceptionReporterGuard reporter([&](const std::exception& e) { errors.push_back(e.what()); });
    TSaveQuestionRunner runner;
    TDialogRunnerGuard runnerGuard(&runner);
    {
        TPainterForm form;
        BuildExample(*form.Root());
        form.SaveFile(Path("a.grt"));
    }
    const std::string saved = ReadAll(Path("a.grt"));
    const std::string question = "Save changes to " + Path("a.grt") + "?";

    // The three ways a drawing is let go; each answers whether the drawing
    // went (the window closed, or a new drawing or the file dialog came).
    const std::pair<const char*, std::function<bool(TPainterForm&)>> paths[] = {
        {"New", [](TPainterForm& f) {
             f.Action("FileNew")->trigger();
             return f.Root()->GetComponentCount() == 0;
         }},
        {"Open", [&](TPainterForm& f) {
             f.Action("FileOpen")->trigger();
             return !runner.log.empty() && runner.log.back() == "dialog Open";
         }},
        {"Exit", [](TPainterForm& f) {
             f.Action("FileExit")->trigger();
             return !f.isVisible();
         }},
        {"Close", [](TPainterForm& f) { return f.close(); }},
    };
    for (const auto& [path, letGo] : paths) {
        SCOPED_TRACE(path);
        // Unchanged (selection and zoom do not count): nothing is asked.
        {
            TPainterForm form;
            form.show();
            form.OpenFile(Path("a.grt"));
            form.Canvas()->SelectAll(true);
            form.Canvas()->ZoomIn();
            runner.log.clear();
            EXPECT_TRUE(letGo(form));
            EXPECT_EQ(runner.log.size(), path == std::string("Open") ? 1u : 0u);
        }
        for (const QMessageBox::StandardButton answer : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Yes}) {
            SCOPED_TRACE(int(answer));
            WriteAll(Path("a.grt"), saved);
            TPainterForm form;
            form.show();
            form.OpenFile(Path("a.grt"));
            form.Root()->GetComponent(0)->Name = "Renamed";
            runner.log.clear();
            runner.answers = {answer};
            const bool went = letGo(form);
            ASSERT_FALSE(runner.log.empty());
            EXPECT_EQ(runner.log[0], question);
            EXPECT_EQ(went, answer != QMessageBox::Cancel);
            if (answer == QMessageBox::Cancel) {
                EXPECT_EQ(form.Root()->GetComponent(0)->Name, "Renamed");
            }
            const bool stored = ReadAll(Path("a.grt")).find("\"Renamed\"") != std::string::npos;
            EXPECT_EQ(stored, answer == QMessageBox::Yes);
        }
    }
    EXPECT_TRUE(errors.empty());
    WriteAll(Path("a.grt"), saved);

    // Yes goes on only when the save worked: a save that fails, and Save As
    // cancelled for a drawing without a name, keep the drawing.
    for (const bool named : {true, false}) {
        SCOPED_TRACE(named);
        errors.clear();
        TPainterForm form;
        form.show();
        if (named) {
            form.OpenFile(Path("a.grt"));
            form.Root()->GetComponent(0)->Name = "中";
        } else {
            BuildExample(*form.Root());
        }
        runner.log.clear();
        runner.answers = {QMessageBox::Yes};
        EXPECT_FALSE(form.close());
        EXPECT_TRUE(form.isVisible());
        ASSERT_FALSE(runner.log.empty());
        EXPECT_EQ(runner.log[0], named ? question : "Save changes to Untitled?");
        EXPECT_EQ(form.Root()->GetComponentCount(), 7);
        EXPECT_EQ(errors.size(), named ? 1u : 0u);
        if (!named) {
            EXPECT_EQ(runner.log.back(), "dialog Save As");
        }
        // The window may go once the answer is No.
        runner.answers = {QMessageBox::No};
        EXPECT_TRUE(form.close());
    }
    EXPECT_EQ(ReadAll(Path("a.grt")), saved);
}

// The line of a summary that starts with prefix.
std::string LineOf(const std::string& summary, const std::string& prefix) {
    std::istringstream in(summary);
    for (std::string l; std::getline(in, l);)
        if (l.rfind(prefix, 0) == 0) return l;
    return {};
}

// Every segment of the link is horizontal or vertical.
bool Square(const TGrfLink& l) {
    for (int i = 1; i < l.Points().GetCount(); ++i) {
        const TSPoint a = l.Points().At(i - 1), b = l.Points().At(i);
        if (a.X != b.X && a.Y != b.Y) return false;
    }
    return true;
}

// Faults: a dragged box left its link with a slanted segment; pulling the
// end of a two-point link moved a bend after the first step.
TEST_F(PainterForm, LinksStaySquareWhenBoxesAndEndsAreDragged) {
    TManualTimerSource timers;
    TTimerSourceGuard timerGuard(&timers);
    TPainterForm form;
    ShowExample(form);
    TEditGraphPaint* c = form.Canvas();
    auto at = [&](float x, float y) { return QPoint(c->Cx(x), c->Cy(y)); };
    auto* link = dynamic_cast<TGrfLink*>(form.Root()->FindComponent("Link1"));
    ASSERT_TRUE(link);

    // The end of the two-point link on Filter's left pin pulled onto Log's
    // left pin in three moves.
    QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, at(100, 30));
    QTest::mouseMove(c, at(115, 45));
    QTest::mouseMove(c, at(130, 70));
    QTest::mouseMove(c, at(150, 90));
    QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, at(150, 90));
    timers.Advance(1000);
    std::string now = Summary(*form.Root());
    const std::string line = LineOf(now, "TGrfLink Link1");
    EXPECT_NE(line.find(" 150,90 [0: Source.1] [1: Log.3]"), std::string::npos) << now;
    EXPECT_EQ(LineOf(now, "TGrfBox Filter"), "TGrfBox Filter (100, 20, 140, 40) [1: Link2.0] [2: Link3.0]") << now;
    EXPECT_TRUE(Square(*link)) << now;

    // Source 30 mm right and 20 mm down, in five moves.
    QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, at(30, 35));
    for (int i = 1; i <= 5; ++i) {
        QTest::mouseMove(c, at(30 + 6.0f * i, 35 + 4.0f * i));
        EXPECT_TRUE(Square(*link)) << "move " << i;
    }
    QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, at(60, 55));
    timers.Advance(1000);
    now = Summary(*form.Root());
    EXPECT_EQ(LineOf(now, "TGrfBox Source"), "TGrfBox Source (50, 40, 90, 60) [1: Link1.0]");
    EXPECT_EQ(LineOf(now, "TGrfLink Link1").find("TGrfLink Link1 90,50 "), 0u) << now;
    EXPECT_NE(LineOf(now, "TGrfLink Link1").find(" 150,90 [0: Source.1] [1: Log.3]"), std::string::npos) << now;
    EXPECT_TRUE(Square(*link)) << now;
}

// Counts the resize and layout requests that reach a widget.
class TLayoutCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Resize || e->type() == QEvent::LayoutRequest) ++count;
        return false;
    }
    int count = 0;
};

void ProcessEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Fault: the panel's layout queued itself again for ever, so the window
// used a whole core while nothing happened.
TEST_F(PainterForm, AnIdleWindowDoesNoLayoutWork) {
    TPainterForm form;
    form.resize(900, 640);
    form.show();
    form.OpenFile(VELT_PAINTER_EXAMPLE);
    TLayoutCounter counter;
    form.Panel()->installEventFilter(&counter);
    ProcessEventsFor(1000);
    EXPECT_GT(form.Canvas()->width(), 0);
    counter.count = 0;
    ProcessEventsFor(500);
    EXPECT_EQ(counter.count, 0);
    form.Panel()->removeEventFilter(&counter);
}

// The pixels in which two images differ.
int DiffPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// Fault: after a drag the screen kept pieces of links where they had been
// and missed them where they went, until a full repaint.
TEST_F(PainterForm, AfterADragTheScreenIsAFullRepaint) {
    TManualTimerSource timers;
    TTimerSourceGuard timerGuard(&timers);
    TPainterForm form;
    ShowExample(form);
    TEditGraphPaint* c = form.Canvas();
    auto at = [&](float x, float y) { return QPoint(c->Cx(x), c->Cy(y)); };
    const auto drag = [&](QPoint from, std::initializer_list<QPoint> steps) {
        QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, from);
        for (const QPoint& p : steps) {
            QTest::mouseMove(c, p);
            c->Update();
        }
        QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, *(steps.end() - 1));
        timers.Advance(1000);
        c->Update();
        const QImage shown = c->Image().copy();
        c->Invalidate();
        c->Update();
        return DiffPixels(shown, c->Image());
    };
    c->Update();
    // Filter, with three links on its pins, down and back up.
    EXPECT_EQ(drag(at(120, 25), {at(124, 33), at(131, 47), at(140, 60), at(150, 66)}), 0);
    EXPECT_EQ(drag(at(150, 65), {at(140, 50), at(125, 35), at(110, 20)}), 0);
    // The link's end pulled away.
    EXPECT_EQ(drag(at(180, 30), {at(190, 45), at(200, 60), at(205, 70)}), 0);
}

// Answers the property editor by typing each name queued on the box's page
// and pressing Ok, until the editor closes; with none queued Ok is pressed
// untouched. What the page shows after each refused Ok is kept.
class TRenameRunner : public TDialogRunner {
public:
    int Run(QDialog& dialog) override {
        titles.push_back(dialog.windowTitle().toStdString());
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("EdName"));
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("BtnOk"));
        if (!edit || !ok) return 2;
        dialog.setResult(0);
        if (names.empty()) ok->click();
        while (!names.empty() && dialog.result() == 0) {
            edit->selectAll();
            // Typed as an input method commits it (the keys of QTest are ASCII).
            QInputMethodEvent typed;
            typed.setCommitString(names.front());
            names.pop_front();
            QApplication::sendEvent(edit, &typed);
            ok->click();
            if (dialog.result() == 0) kept.push_back(edit->text().toStdString());
        }
        if (dialog.result() == 0) dialog.done(2);
        return dialog.result();
    }
    std::deque<QString> names;
    std::vector<std::string> titles, kept;
};

// Connection identifiers come from a counter of the process: numbered again
// in the order they appear, so the text does not depend on what ran before.
void RenumberConnections(TGrfEditComp& root) {
    std::map<int32_t, int32_t> ids;
    for (int i = 0; i < root.GetComponentCount(); ++i)
        if (auto* lo = dynamic_cast<ILinkedObject*>(root.GetComponent(i))) {
            TConnList& l = lo->GetConnList();
            for (int j = 0; j < l.GetCount(); ++j) {
                const int32_t id = l.Conn(j)->Connection;
                if (id == 0) continue;
                auto it = ids.emplace(id, int32_t(ids.size() + 1)).first;
                l.Conn(j)->Connection = it->second;
            }
        }
}

TEST_F(PainterForm, ASessionByMouseAndKeys) {
    TManualTimerSource timers;
    TTimerSourceGuard timerGuard(&timers);
    std::vector<std::string> errors;
    TExceptionReporterGuard reporter([&](const std::exception& e) { errors.push_back(e.what()); });
    TRenameRunner runner;
    TDialogRunnerGuard runnerGuard(&runner);

    TPainterForm form;
    form.resize(900, 640);
    form.show();
    QApplication::setActiveWindow(&form);
    QApplication::processEvents();
    TEditGraphPaint* c = form.Canvas();
    auto at = [&](float x, float y) { return QPoint(c->Cx(x), c->Cy(y)); };
    auto press = [&](QPoint p) { QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, p); };
    auto release = [&](QPoint p) { QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, p); };
    // Separate clicks: the time moves on past a double click.
    auto click = [&](QPoint p) {
        press(p);
        release(p);
        timers.Advance(1000);
    };
    auto doubleClick = [&](QPoint p) {
        press(p);
        release(p);
        press(p);
        release(p);
        timers.Advance(1000);
    };

    form.SetTool(ptBox);
    click(at(20, 20));
    click(at(100, 20));
    form.SetTool(ptLink);
    click(at(60, 30));  // on the first box's right pin
    QTest::mouseMove(c, at(100, 31));
    doubleClick(at(100, 31));  // on the second box's left pin
    QApplication::processEvents();
    EXPECT_EQ(Summary(*form.Root()),
              "TGrfBox Box1 (20, 20, 60, 40) [1: Link1.0]\n"
              "TGrfBox Box2 (100, 20, 140, 40) [3: Link1.1]\n"
              "TGrfLink Link1 60,30 100,30 [0: Box1.1] [1: Box2.3]\n");

    // The second box dragged down: the link's end follows, square.
    form.SetTool(ptSelect);
    click(at(130, 35));
    press(at(130, 35));
    QTest::mouseMove(c, at(130, 50));
    QTest::mouseMove(c, at(130, 65));
    release(at(130, 65));
    timers.Advance(1000);
    EXPECT_EQ(Summary(*form.Root()),
              "TGrfBox Box1 (20, 20, 60, 40) [1: Link1.0]\n"
              "TGrfBox Box2 (100, 50, 140, 70) [3: Link1.1]\n"
              "TGrfLink Link1 60,30 80,30 80,60 100,60 [0: Box1.1] [1: Box2.3]\n");

    // Copy and paste the first box by the panel's keys.
    click(at(30, 35));
    form.Panel()->setFocus();
    QTest::keyClick(form.Panel(), Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(form.Panel(), Qt::Key_Insert, Qt::ShiftModifier);
    ASSERT_EQ(form.Root()->GetComponentCount(), 4);
    auto* copy = dynamic_cast<TGrfBox*>(form.Root()->GetComponent(3));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->Name, "Box1");
    EXPECT_TRUE(copy->GetSelected());
    // Moved away by the keys of the menu's Edit and a drag.
    press(at(30, 35));
    QTest::mouseMove(c, at(30, 95));
    release(at(30, 95));
    timers.Advance(1000);
    EXPECT_EQ(copy->GetRect().Top, 80);

    // The link's end pulled off the second box's pin onto the copy's.
    press(at(100, 60));
    QTest::mouseMove(c, at(90, 75));
    QTest::mouseMove(c, at(60, 90));
    release(at(60, 90));
    timers.Advance(1000);
    const std::string moved = Summary(*form.Root());
    EXPECT_NE(moved.find("TGrfBox Box2 (100, 50, 140, 70)\n"), std::string::npos) << moved;
    EXPECT_NE(moved.find("TGrfLink Link1 60,30 80,30 80,90 60,90 [0: Box1.1] [1: Box1.1]\n"), std::string::npos)
        << moved;
    EXPECT_NE(moved.find("TGrfBox Box1 (20, 80, 60, 100) [1: Link1.1]\n"), std::string::npos) << moved;

    // Renamed through "Властивості": a name 1251 lacks is refused.
    // Refused on Ok, while the editor stays open with the text typed.
    runner.names = {QStringLiteral("Box 中"), QStringLiteral("Копія")};
    doubleClick(at(30, 85));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "The name \"Box 中\" cannot be stored: code page 1251 lacks some of its characters");
    EXPECT_EQ(runner.kept, std::vector<std::string>{"Box 中"});
    EXPECT_EQ(copy->Name, "Копія");
    ASSERT_EQ(runner.titles.size(), 1u);
    EXPECT_EQ(runner.titles[0], "Властивості");

    RenumberConnections(*form.Root());
    const std::string want = Summary(*form.Root());
    form.SaveFile(Path("s.grt"));
    form.SaveFile(Path("s.grf"));
    if (qEnvironmentVariableIsSet("VELT_UPDATE_EXAMPLE"))
        WriteAll(VELT_PAINTER_TEST_DATA "/session.grt", ReadAll(Path("s.grt")));
    EXPECT_EQ(ReadAll(Path("s.grt")), ReadAll(VELT_PAINTER_TEST_DATA "/session.grt"));
    form.New();
    form.OpenFile(Path("s.grt"));
    EXPECT_EQ(Summary(*form.Root()), want);
    form.New();
    form.OpenFile(Path("s.grf"));
    EXPECT_EQ(Summary(*form.Root()), want);
}

}  // namespace

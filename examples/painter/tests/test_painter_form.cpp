// velt-painter's window: the stored forms of a drawing by extension and by
// content, the menus with the panel's keys, and a session drawn by mouse.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "examples/painter/PainterForm.h"
#include "examples/painter/tests/ExampleDrawing.h"
#include "foundation/SysUtils.h"
#include "painter/EdtPaint.h"
#include "painter/GrfeReg.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ExceptionReporter.h"

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
        ASSERT_TRUE(dir.isValid());
    }
    std::string Path(const char* name) const { return QDir(dir.path()).filePath(name).toStdString(); }
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
    if (qEnvironmentVariableIsSet("VELT_UPDATE_EXAMPLE")) WriteAll(VELT_PAINTER_EXAMPLE, ReadAll(Path("a.grt")));
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

    WriteAll(Path("box.grt"), "object (TGrfBox)\r\n    Name = \"B\"\r\nend\r\n");
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

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "forth/Forth.h"
#include "foundation/Dialogs.h"
#include "source/ClassesRegistry.h"
#include "source/SourceCode.h"
#include "foundation/tests/FoundationTestUtil.h"
#include "source/tests/FileHost.h"
#include "source/tests/SourceTestUtil.h"

using namespace velt;
using velt::test::TFileHost;
namespace fs = std::filesystem;

namespace {

const char* const kUnit1 =
    "unit Unit1;\r\n"
    "\r\n"
    "interface\r\n"
    "\r\n"
    "type\r\n"
    "  TFoo = class(TBar, IThing)\r\n"
    "  end;\r\n"
    "  TPlain = class\r\n"
    "  end;\r\n"
    "  TRef = class of TFoo;\r\n"
    "  IThing = interface(IUnknown)\r\n"
    "  end;\r\n"
    "  TOld = object(TBase)\r\n"
    "  end;\r\n"
    "\r\n"
    "implementation\r\n"
    "\r\n"
    "type\r\n"
    "  THidden = class(TFoo)\r\n"
    "  end;\r\n"
    "\r\n"
    "end.\r\n";

class ClassesRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        velt::test::RegisterFileHost(forth_, host_);
        reg_.FileName = tmp_.Path("classes.ini");
    }
    // The registry read back from its file, expected to equal this one.
    std::unique_ptr<TClassesRegistry> Reloaded() const {
        auto again = std::make_unique<TClassesRegistry>();
        again->FileName = reg_.FileName;
        again->Load();
        EXPECT_EQ(again->Ini().IniText(), reg_.Ini().IniText());
        return again;
    }

    velt::test::TTempFolder tmp_;
    velt::test::TSinkGuard sink_;
    TForth forth_;
    TFileHost host_;
    TISourceCode model_;
    TClassesRegistry reg_;
};

}  // namespace

TEST_F(ClassesRegistryTest, RegisteringAUnitWritesTheFileFormat) {
    host_.Open("/src/Unit1.pas", kUnit1);
    reg_.InternalRegisterSource(model_, forth_, "/src/Unit1.pas");
    reg_.Save();
    EXPECT_EQ(ReadWholeFile(reg_.FileName),
              "[Unit1]\r\n"
              "Source=/src/Unit1.pas\r\n"
              "[Unit1.Classes]\r\n"
              "TFoo=TBar\r\n"
              "TPlain=TObject\r\n"
              "IThing=IUnknown\r\n"
              "TOld=TBase\r\n"
              "THidden=TFoo\r\n");
    EXPECT_EQ(sink_.Sink.Lines, std::vector<std::string>{"Registering /src/Unit1.pas"});
    EXPECT_EQ(model_.FileName, "/src/Unit1.pas");
    EXPECT_EQ(host_.Requests, std::vector<std::string>{"/src/Unit1.pas"});

    Reloaded();
}

TEST_F(ClassesRegistryTest, RegisteringTwiceLeavesOnePairOfSections) {
    host_.Open("c:\\src\\Unit1.pas", kUnit1);
    reg_.InternalRegisterSource(model_, forth_, "c:\\src\\Unit1.pas");
    // The unit lost a class and is registered again under another folder
    // and a name in other letter case.
    host_.Open("/src/UNIT1.pas", "unit Unit1;\r\ninterface\r\ntype\r\n  TFoo = class(TNew)\r\n  end;\r\n"
                                 "implementation\r\nend.\r\n");
    reg_.InternalRegisterSource(model_, forth_, "/src/UNIT1.pas");
    ASSERT_EQ(reg_.Ini().Count(), 2);
    EXPECT_EQ(reg_.Ini().ReadString("unit1", "Source", ""), "/src/UNIT1.pas");
    EXPECT_EQ(reg_.Ini().SectionLines("Unit1.Classes")->Text(), "TFoo=TNew\r\n");
}

TEST_F(ClassesRegistryTest, WordsTakeTheirArgumentsFromTheStack) {
    forth_.PushString("d:\\work\\Shapes.pas");
    reg_.RegisterUnit(forth_);
    forth_.PushParams({"d:\\work\\Shapes.pas", "TCircle", "TShape"});
    reg_.RegisterClass(forth_);
    reg_.RegisterClass("/a/Shapes.pas", "TCircle", "TEllipse");  // replaces the entry
    EXPECT_EQ(forth_.Stack.Count(), 0);
    EXPECT_EQ(reg_.Ini().IniText(),
              "[Shapes]\r\nSource=d:\\work\\Shapes.pas\r\n[Shapes.Classes]\r\nTCircle=TEllipse\r\n");
}

TEST_F(ClassesRegistryTest, FindClassSourceSearchesTheClassesSections) {
    reg_.LoadFromText(
        "[Alpha]\r\nSource=/a/Alpha.pas\r\n"
        "[Alpha.Classes]\r\nTFooBar=TObject\r\nTOne=TObject\r\n"
        "[Beta.classes]\r\nTFoo=TOne\r\n"  // no [Beta] section: passed over
        "[Gamma]\r\nSource=/g/Gamma.pas\r\n[Gamma.Classes]\r\ntfoo=TOne\r\n"
        "[Delta]\r\nSource=/d/Delta.pas\r\nTQux=TObject\r\n");
    std::string file;
    EXPECT_TRUE(reg_.FindClassSource("TFoo", file));
    EXPECT_EQ(file, "/g/Gamma.pas");
    EXPECT_TRUE(reg_.FindClassSource("TFOOBAR", file));
    EXPECT_EQ(file, "/a/Alpha.pas");
    file = "unchanged";
    EXPECT_FALSE(reg_.FindClassSource("TQux", file));  // not in a ".Classes" section
    EXPECT_FALSE(reg_.FindClassSource("TFo", file));
    EXPECT_FALSE(reg_.FindClassSource("", file));
    EXPECT_EQ(file, "unchanged");

    std::string unit;
    EXPECT_TRUE(reg_.FindClassUnit("TFoo", unit));
    EXPECT_EQ(unit, "Beta");
    std::string ancestor;
    EXPECT_TRUE(reg_.FindAncestor("TFooBar", ancestor));
    EXPECT_EQ(ancestor, "TObject");
}

TEST_F(ClassesRegistryTest, AncestorWalksStopOnCycles) {
    reg_.LoadFromText(
        "[U.Classes]\r\nTC=TB\r\nTB=TA\r\nTA=TObject\r\nTObject=\r\n"
        "TX=TY\r\nTY=TZ\r\nTZ=tx\r\nTSelf=TSelf\r\n");
    EXPECT_EQ(reg_.Ancestors("TC"), (std::vector<std::string>{"TB", "TA", "TObject"}));
    EXPECT_EQ(reg_.Ancestors("TX"), (std::vector<std::string>{"TY", "TZ"}));
    EXPECT_TRUE(reg_.Ancestors("TSelf").empty());
    EXPECT_TRUE(reg_.Ancestors("TUnknown").empty());

    TAncestorWalk walk;
    EXPECT_TRUE(walk.Enter("TFoo"));
    EXPECT_TRUE(walk.Enter("TBar"));
    EXPECT_FALSE(walk.Enter("tfoo"));
    EXPECT_FALSE(walk.Enter(""));
}

TEST_F(ClassesRegistryTest, LoadAndSaveKeepTheFileSafe) {
    // A missing file is an empty registry.
    reg_.LoadFromText("[Old]\r\nSource=x\r\n");
    reg_.Load();
    EXPECT_EQ(reg_.Ini().Count(), 0);

    // A file that cannot be read leaves the registry as it was.
    reg_.LoadFromText("[Old]\r\nSource=x\r\n");
    reg_.FileName = tmp_.Dir.string();
    EXPECT_THROW(reg_.Load(), EFOpenError);
    EXPECT_EQ(reg_.Ini().Count(), 1);

    // A save replaces the whole file, and a failing save keeps the old one.
    reg_.FileName = tmp_.Write("classes.ini", std::string(1000, 'x'));
    reg_.Save();
    EXPECT_EQ(ReadWholeFile(reg_.FileName), "[Old]\r\nSource=x\r\n");
    fs::create_directories(tmp_.Path("taken.ini/inside"));
    reg_.FileName = tmp_.Path("taken.ini");
    EXPECT_ANY_THROW(reg_.Save());
    EXPECT_TRUE(fs::is_directory(tmp_.Path("taken.ini/inside")));
    reg_.FileName.clear();
    EXPECT_THROW(reg_.Save(), EFCreateError);
    for (const auto& e : fs::directory_iterator(tmp_.Dir))
        EXPECT_TRUE(e.path().filename() == "classes.ini" || e.path().filename() == "taken.ini") << e.path();
}

TEST_F(ClassesRegistryTest, NamesThatWouldCorruptTheFileAreRefused) {
    for (const char* file : {"/src/a]b.pas", "/src/.pas", "/src/x\r\n[Evil].pas", "/src/Unit1.Classes.pas",
                             "/src/ok\n.pas"}) {
        EXPECT_THROW(reg_.RegisterUnit(file), EClassesRegistry) << file;
        EXPECT_THROW(reg_.RegisterClass(file, "TFoo", "TObject"), EClassesRegistry) << file;
    }
    for (const char* cls : {"", "[Evil]", "A=B", "T\r\nX"})
        EXPECT_THROW(reg_.RegisterClass("/src/u.pas", cls, "TObject"), EClassesRegistry) << cls;
    EXPECT_THROW(reg_.RegisterClass("/src/u.pas", "TFoo", "TObject\n[Evil]"), EClassesRegistry);
    EXPECT_EQ(reg_.Ini().Count(), 0);

    // A whole unit under such a name is skipped with a console line, and
    // what was registered before stays.
    reg_.RegisterUnit("/src/Good.pas");
    const std::string before = reg_.Ini().IniText();
    host_.Open("/src/we]ird.pas", kUnit1);
    reg_.InternalRegisterSource(model_, forth_, "/src/we]ird.pas");
    EXPECT_EQ(reg_.Ini().IniText(), before);
    ASSERT_EQ(sink_.Sink.Lines.size(), 2u);
    EXPECT_EQ(sink_.Sink.Lines[1], "Skipped /src/we]ird.pas: the unit name holds \"]\"");
    EXPECT_TRUE(host_.Requests.empty());

    // Names that are stored survive a save and a reload unchanged.
    reg_.RegisterUnit("/src/[odd = name;x.pas");
    reg_.RegisterClass("/src/[odd = name;x.pas", "TFoo", "T=Bar [x]");
    reg_.Save();
    std::string file;
    EXPECT_TRUE(Reloaded()->FindClassSource("TFoo", file));
    EXPECT_EQ(file, "/src/[odd = name;x.pas");
}

namespace {

// A host whose loads of names holding "bad" fail.
class TFlakyHost : public TFileHost {
public:
    VELT_FORTH_CLASS(TFlakyHost)
    void Load(TForth& Sender) {
        const TCell& top = Sender.Stack.Peek(0);
        if (top.S.find("bad") != std::string::npos) throw EFOpenError("Cannot read " + top.S);
        LoadFromIDEOrFile(Sender);
    }
};

const ClassInfo& TFlakyHost::StaticForthClass() {
    static const MethodInfo methods[] = {WordMethod<TFlakyHost, &TFlakyHost::Load>("LoadFromIDEOrFile")};
    static const ClassInfo info{"TFlakyHost", nullptr, {}, methods};
    return info;
}

}  // namespace

TEST_F(ClassesRegistryTest, RegisterSourceRegistersTheMaskAndRestoresTheModel) {
    TForth forth;
    TFlakyHost host;
    velt::test::RegisterFileHost(forth, host);
    const std::string folder = (tmp_.Dir / "src").string() + "/";
    fs::create_directories(folder + "sub.pas");  // a folder: not a plain file
    tmp_.Write("src/B.pas", "unit B;\ninterface\ntype\n  TB = class(TA)\n  end;\nimplementation\nend.\n");
    tmp_.Write("src/A.pas", "unit A;\ninterface\ntype\n  TA = class\n  end;\nimplementation\nend.\n");
    tmp_.Write("src/bad.pas", "unit bad;\n");
    tmp_.Write("src/notes.txt", "x");
    tmp_.Write("src/.hidden.pas", "unit hidden;\n");

    model_.SetLinesText("unit Mine;\r\ninterface\r\nimplementation\r\nend.\r\n");
    model_.ValidateLines();
    model_.FileName = "/mine/Mine.pas";
    model_.SetModified(true);
    model_.SetCursorLine(2);
    model_.SetCursorCol(7);
    const std::string text = model_.GetLinesText();

    TScriptedDialogPort port;
    port.Inputs.push_back({true, folder + "*.PAS"});
    TDialogPortGuard guard(&port);
    reg_.RegisterSource(model_, forth);

    EXPECT_EQ(port.Log, std::vector<std::string>{"Input: Register Source|Enter files for registering:|/mine/Mine.pas"});
    EXPECT_EQ(sink_.Sink.Lines, (std::vector<std::string>{
                               "Registering " + folder + "A.pas",
                               "Registering " + folder + "B.pas",
                               "Registering " + folder + "bad.pas",
                               "An Cannot read " + folder + "bad.pas occurred during registering.",
                               "Done.",
                           }));
    EXPECT_EQ(reg_.Ancestors("TB"), (std::vector<std::string>{"TA", "TObject"}));
    EXPECT_EQ(Reloaded()->Ini().Count(), 4);

    EXPECT_EQ(model_.GetLinesText(), text);
    EXPECT_EQ(model_.FileName, "/mine/Mine.pas");
    EXPECT_TRUE(model_.GetModified());
    EXPECT_EQ(model_.GetCursorLine(), 2);
    EXPECT_EQ(model_.GetCursorCol(), 7);
    EXPECT_EQ(model_.ImplLine, 2);
}

TEST_F(ClassesRegistryTest, RegisterSourceCancelledStillSavesAndAFailedSaveRestores) {
    model_.SetLinesText("unit Mine;\r\n");
    model_.FileName = "/mine/Mine.pas";
    model_.SetModified(true);
    TScriptedDialogPort port;  // answers Cancel
    TDialogPortGuard guard(&port);
    reg_.RegisterSource(model_, forth_);
    EXPECT_EQ(sink_.Sink.Lines, std::vector<std::string>{"Done."});
    EXPECT_TRUE(fs::exists(reg_.FileName));

    // A mask naming one file registers it; the save then fails and the
    // model still comes back.
    const std::string file = tmp_.Write("One.pas", "unit One;\ninterface\ntype\n  TOne = class\n  end;\nend.\n");
    port.Inputs.push_back({true, file});
    reg_.FileName.clear();
    EXPECT_THROW(reg_.RegisterSource(model_, forth_), EFCreateError);
    EXPECT_EQ(model_.GetLinesText(), "unit Mine;\r\n");
    EXPECT_EQ(model_.FileName, "/mine/Mine.pas");
    EXPECT_TRUE(model_.GetModified());
    std::string found;
    EXPECT_TRUE(reg_.FindClassSource("TOne", found));
    EXPECT_EQ(found, file);
}

TEST_F(ClassesRegistryTest, FindFilesAcceptsBackslashFolders) {
    tmp_.Write("a.dfm", "");
    const std::string folder = tmp_.Dir.string() + "/";
    std::string back = folder;
    std::replace(back.begin(), back.end(), '/', '\\');
    EXPECT_EQ(TClassesRegistry::FindFiles(back + "A.?FM"), std::vector<std::string>{folder + "a.dfm"});
    EXPECT_TRUE(TClassesRegistry::FindFiles(folder + "missing/*.pas").empty());
    EXPECT_TRUE(TClassesRegistry::FindFiles(folder).empty());
}

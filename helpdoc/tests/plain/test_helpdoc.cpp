#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "helpdoc/HelpDoc.h"
#include "helpdoc/tests/HelpTestUtil.h"
#include "platform/registry/AtomicFile.h"

using namespace velt;
namespace fs = std::filesystem;

namespace {

std::string Data(const std::string& name) { return std::string(VELT_TEST_DATA_DIR) + "/" + name; }

class HelpDocTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velt-helpdoc-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    std::string Read(const std::string& name) const { return ReadWholeFile(Path(name)); }
    void Write(const std::string& name, const std::string& text) const {
        AtomicWriteFile(Path(name), text.data(), text.size());
    }
    // Copies fixtures into the folder and documents them into Help.hpj.
    void Generate(const std::vector<std::string>& units) {
        std::vector<std::string> paths;
        for (const std::string& u : units) {
            if (!fs::exists(Path(u))) fs::copy_file(Data(u), Path(u));
            paths.push_back(Path(u));
        }
        TIHelpProject project;
        project.LoadHelpProject(Path("Help.hpj"));
        DocumentUnits(project, paths);
    }
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::directory_iterator(dir_))
            if (e.path().extension() != ".pas" && e.path().extension() != ".lock") files[e.path().filename().string()] = ReadWholeFile(e.path().string());
        return files;
    }
    // Contexts a jump may aim at: the map's and the links document's topics.
    std::set<std::string> Contexts() const {
        std::set<std::string> c;
        TStringList map;
        map.LoadFromFile(Path("Help.map"));
        for (const std::string& l : map.Strings()) c.insert(l.substr(0, l.find('=')));
        TStringList links;
        links.LoadFromFile(Path("help-links.rtf"));
        for (const std::string& l : links.Strings())
            if (l.rfind("#{\\footnote # ", 0) == 0) c.insert(l.substr(14, l.find('}') - 14));
        return c;
    }
    void ExpectValidRtf() const {
        const std::set<std::string> contexts = Contexts();
        for (const auto& [name, text] : Snapshot())
            if (name.ends_with(".rtf")) EXPECT_EQ(helptest::CheckRtf(text, &contexts), "") << name;
    }
    std::string dir_;
};

std::vector<std::string> LinesOf(const std::string& text) {
    TStringList l;
    l.SetText(text);
    return l.Strings();
}

// The lines of the topic with that context, "#" line through "\page".
std::vector<std::string> Topic(const std::string& text, const std::string& context) {
    std::vector<std::string> out;
    bool in = false;
    for (const std::string& l : LinesOf(text)) {
        if (l == "#{\\footnote # " + context + "}") in = true;
        if (!in) continue;
        out.push_back(l);
        if (l == "\\page") break;
    }
    return out;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}

std::string Unrtf(const std::string& mode, const std::string& file) {
    const std::string cmd = std::string(VELT_UNRTF) + " --" + mode + " '" + file + "' 2>/dev/null";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        if (pclose(p) != 0) out += "\n<unrtf failed>";
    }
    return out;
}

}  // namespace

TEST_F(HelpDocTest, GeneratesTheGoldenProject) {
    Generate({"Chain.pas", "Cycle.pas"});
    const auto files = Snapshot();
    const std::vector<std::string> expected = {"Chain.lnk", "Chain.rtf", "Cycle.lnk", "Cycle.rtf",
                                               "Help.fls",  "Help.map",  "help-links.rtf"};
    std::vector<std::string> names;
    for (const auto& f : files) names.push_back(f.first);
    EXPECT_EQ(names, expected);
    for (const std::string& name : expected) {
        const std::string golden = Data("golden/" + name);
        if (std::getenv("VELT_UPDATE_GOLDEN")) {
            fs::create_directories(Data("golden"));
            AtomicWriteFile(golden, files.at(name).data(), files.at(name).size());
        }
        EXPECT_EQ(files.at(name), ReadWholeFile(golden)) << name;
    }
    ExpectValidRtf();
}

TEST_F(HelpDocTest, DeclarationsAreEscapedAndListed) {
    Generate({"Chain.pas"});
    const std::string rtf = Read("Chain.rtf");
    EXPECT_EQ(rtf.find('\x0d' + std::string("\\par") + '\x0d'), std::string::npos);
    const auto intf = Topic(rtf, "krVCL_IShape_Interface");
    EXPECT_TRUE(Has(intf, "\\par   GUID: \\cf3 '\\{F703E954-EBA2-11D0-B044-0000B46A6442\\}'\\cf0 "));
    const auto save = Topic(rtf, "krVCL_TC::Save_Method");
    EXPECT_TRUE(Has(save, "\\par \\b procedure\\b0  Save(\\b const\\b0  Path: \\b string\\b0  = "
                          "\\cf3 'C:\\\\temp\\\\new'\\cf0 );"));
    // Each joined source line is a line of its own; Cyrillic as Unicode.
    const auto rec = Topic(rtf, "krVCL_TPoint2_Type");
    EXPECT_TRUE(Has(rec, "\\par     X, Y: Integer;"));
    EXPECT_TRUE(Has(rec, "\\par     \\b Name\\b0 : \\b string\\b0 ; \\cf4 \\i \\{ "
                         "\\u1085\\'3f\\u1072\\'3f\\u1079\\'3f\\u1074\\'3f\\u1072\\'3f \\}\\i0 \\cf0 "));
    for (const char* f : {"X", "Y", "Name"}) EXPECT_TRUE(Has(rec, std::string("\\par ") + f)) << f;
    EXPECT_TRUE(Has(rec, "K{\\footnote K Y}"));
    const auto level = Topic(rtf, "krVCL_TLevel_Type");
    EXPECT_TRUE(Has(level, "\\par \\par \\plain \\f0 \\fs20 \\b Value\\tab \\tab \\tab \\tab Meaning\\b0"));
    EXPECT_TRUE(Has(level, "B{\\footnote B lvHigh}"));
    // A property of an event type is an event.
    EXPECT_FALSE(Topic(rtf, "krVCL_TC::OnChange_Event").empty());
    ExpectValidRtf();
}

TEST_F(HelpDocTest, HierarchyRootFirstAndCyclesEnd) {
    Generate({"Chain.pas", "Cycle.pas"});
    const std::string links = Read("help-links.rtf");
    const auto h = Topic(links, "krVCL_TC_Class.Hierarchy");
    const std::vector<std::string> body(h.begin() + 3, h.end() - 2);
    EXPECT_EQ(body, (std::vector<std::string>{
                        "\\par \\plain \\f0 \\fs20 \\b TObject\\b0 ",
                        "\\par \\plain \\tab \\cf5 |",
                        "\\par \\plain \\f0 \\fs20 \\b \\uldb TA\\uldb0 \\b0 \\v krVCL_TA_Class>main\\v0",
                        "\\par \\plain \\tab \\cf5 |",
                        "\\par \\plain \\f0 \\fs20 \\b \\uldb TB\\uldb0 \\b0 \\v krVCL_TB_Class>main\\v0",
                    }));
    const auto x = Topic(links, "krVCL_TX_Class.Methods");
    EXPECT_TRUE(Has(x, "\\par \\b In TX\\b0 "));
    EXPECT_TRUE(Has(x, "\\par \\b Derived from TY\\b0 "));
    // The interface's popup jumps back to the interface's own topic.
    const auto im = Topic(links, "krVCL_IShape_Interface.Methods");
    ASSERT_GT(im.size(), 4u);
    EXPECT_EQ(im[3].substr(0, 49), "\\uldb IShape\\uldb0 \\v krVCL_IShape_Interface>main");
}

TEST_F(HelpDocTest, PassesAndRegenerationChangeNoByte) {
    Generate({"Chain.pas", "Cycle.pas"});
    const auto first = Snapshot();
    {
        TIHelpProject project;
        project.LoadHelpProject(Path("Help.hpj"));
        project.LinkDocumentation();
    }
    EXPECT_EQ(Snapshot(), first);
    Generate({"Chain.pas", "Cycle.pas"});
    EXPECT_EQ(Snapshot(), first);
    // The unit's table lists each class once.
    const std::string rtf = Read("Chain.rtf");
    size_t n = 0;
    for (size_t p = rtf.find("\\v krVCL_TA_Class>main"); p != std::string::npos; p = rtf.find("\\v krVCL_TA_Class>main", p + 1)) ++n;
    EXPECT_EQ(n, 1u);
}

TEST_F(HelpDocTest, RegenerationKeepsTheDescriptionAndRenewsTheDeclaration) {
    Generate({"Chain.pas"});
    std::string rtf = Read("Chain.rtf");
    const std::string save = "\\par \\plain \\f0 \\fs20 \\b Description\\b0\r\n\\par \\plain \\f0 \\fs20\r\n";
    const size_t at = rtf.find(save, rtf.find("#{\\footnote # krVCL_TC::Save_Method}"));
    ASSERT_NE(at, std::string::npos);
    rtf.insert(at + save.size(), "Writes the shape to Path.\r\n");
    Write("Chain.rtf", rtf);
    std::string src = ReadWholeFile(Path("Chain.pas"));
    const std::string old = "procedure Save(const Path: string = 'C:\\temp\\new');";
    src.replace(src.find(old), old.size(), "procedure Save(const Path: string; Force: Boolean);");
    Write("Chain.pas", src);
    Generate({"Chain.pas"});
    const auto topic = Topic(Read("Chain.rtf"), "krVCL_TC::Save_Method");
    EXPECT_TRUE(Has(topic, "Writes the shape to Path."));
    EXPECT_TRUE(Has(topic, "\\par \\b procedure\\b0  Save(\\b const\\b0  Path: \\b string\\b0 ; Force: Boolean);"));
    EXPECT_EQ(Read("Chain.rtf").find("C:\\\\temp"), std::string::npos);
}

TEST_F(HelpDocTest, PassKeepsLinksAndMapsAContextOnce) {
    Write("One.pas", "unit One;\ninterface\ntype\n  TForm1 = class\n    procedure A;\n  end;\nimplementation\nend.\n");
    Write("Two.pas", "unit Two;\ninterface\ntype\n  TForm1 = class\n    procedure B;\n  end;\nimplementation\nend.\n");
    TIHelpProject project;
    project.LoadHelpProject(Path("Help.hpj"));
    DocumentUnits(project, {Path("One.pas"), Path("Two.pas")});
    const std::string lnk = Read("One.lnk");
    EXPECT_NE(lnk.find("krVCL_TForm1_Class=TForm1"), std::string::npos);
    size_t n = 0;
    for (const std::string& l : LinesOf(Read("Help.map"))) n += l.rfind("krVCL_TForm1_Class=", 0) == 0;
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(LinesOf(Read("Help.fls")), (std::vector<std::string>{"One.rtf", "Two.rtf", "help-links.rtf"}));
}

TEST_F(HelpDocTest, TopicsAreFoundByTheirWholeContext) {
    TIHelpProject project;
    project.LoadHelpProject(Path("Help.hpj"));
    auto doc = project.CreateDocumentation(Path("X.rtf"));
    doc->Lines->SetText("{\\rtf1\r\n#{\\footnote # krVCL_TA_ClassList_Class}\r\nlist\r\n\\page\r\n"
                        "#{\\footnote # krVCL_TA_Class}\r\nold without page\r\n#{\\footnote # krVCL_TB_Class}\r\nb\r\n");
    EXPECT_EQ(doc->FindTopic("KRVCL_ta_class"), 4);
    EXPECT_EQ(doc->FindEnd(), -1);
    auto t = doc->CreateTopic();
    t->Context = "krVCL_TA_Class";
    t->CreateTopic();
    t->Add("new");
    t->FinishTopic();
    doc->SaveTopic(*t);
    EXPECT_EQ(LinesOf(doc->Lines->Text()),
              (std::vector<std::string>{"{\\rtf1", "#{\\footnote # krVCL_TA_ClassList_Class}", "list", "\\page",
                                        "#{\\footnote # krVCL_TA_Class}", "new", "\\page",
                                        "#{\\footnote # krVCL_TB_Class}", "b"}));
    auto z = doc->CreateTopic();
    z->Context = "krVCL_TZ_Class";
    z->CreateTopic();
    z->FinishTopic();
    doc->SaveTopic(*z);  // absent, no closing line: one is added
    EXPECT_EQ(doc->Lines->Get(doc->Lines->Count() - 1), "\\par }");
    EXPECT_EQ(doc->FindTopic("krVCL_TZ_Class"), doc->Lines->Count() - 3);
    try {
        doc->LoadTopic("krVCL_None");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Error loading topic krVCL_None in file " + Path("X.rtf"));
    }
    EXPECT_EQ(doc->LoadTopic("krVCL_TB_Class")->Lines->Count(), 2);
    project.Map->Clear();
    project.AddMapEntry("krVCL_A", "X.rtf");
    project.AddMapEntry("KRVCL_a", "Y.rtf");
    project.AddMapEntry("krVCL_B", "X.rtf");
    EXPECT_EQ(LinesOf(project.Map->Text()), (std::vector<std::string>{"krVCL_A=1;X.rtf", "krVCL_B=2;X.rtf"}));
}

TEST_F(HelpDocTest, UnrtfReadsTheDocumentation) {
    if (!fs::exists(VELT_UNRTF)) GTEST_SKIP() << "unrtf not installed";
    Generate({"Chain.pas"});
    const std::string text = Unrtf("text", Path("Chain.rtf"));
    for (const char* s : {"GUID: '{F703E954-EBA2-11D0-B044-0000B46A6442}'", "'C:\\temp\\new'", "Chain unit",
                          "TC.Save method", "TPoint2 type"})
        EXPECT_NE(text.find(s), std::string::npos) << s;
    const std::string html = Unrtf("html", Path("Chain.rtf"));
    EXPECT_NE(html.find("&#1085;&#1072;&#1079;&#1074;&#1072;"), std::string::npos) << html.substr(0, 400);
}

TEST_F(HelpDocTest, FreePascalUnitsMakeValidRtf) {
    auto units = helptest::FpcUnits("packages/fcl-passrc", 10);
    for (const auto& u : helptest::FpcUnits("packages/fcl-base/src", 30)) units.push_back(u);
    if (units.size() < 40) GTEST_SKIP() << "Free Pascal sources not installed";
    std::vector<std::string> paths;
    std::set<std::string> names;
    for (const std::string& u : units) {
        const std::string name = fs::path(u).filename().string();
        if (!names.insert(LowerCase(name)).second) continue;
        fs::copy_file(u, Path(name));
        paths.push_back(Path(name));
    }
    TIHelpProject project;
    project.LoadHelpProject(Path("Help.hpj"));
    DocumentUnits(project, paths);
    ExpectValidRtf();
    if (!fs::exists(VELT_UNRTF)) return;
    for (const auto& [name, text] : Snapshot())
        if (name.ends_with(".rtf")) EXPECT_EQ(Unrtf("text", Path(name)).find("<unrtf failed>"), std::string::npos) << name;
}

namespace {

// The description of the topic with that context gets the line.
std::string Describe(std::string rtf, const std::string& context, const std::string& line) {
    const std::string heading = "\\par \\plain \\f0 \\fs20 \\b Description\\b0\r\n\\par \\plain \\f0 \\fs20\r\n";
    const size_t at = rtf.find(heading, rtf.find("#{\\footnote # " + context + "}"));
    if (at == std::string::npos) return rtf;
    return rtf.insert(at + heading.size(), line + "\r\n");
}

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

}  // namespace

TEST_F(HelpDocTest, ExistingUnitFilesAreLoadedNeverReplaced) {
    Generate({"Chain.pas"});
    Write("Chain.rtf", Describe(Read("Chain.rtf"), "krVCL_TC::Save_Method", "Writes the shape to Path."));
    // The file list is lost: the file is still the user's.
    fs::remove(Path("Help.fls"));
    Generate({"Chain.pas"});
    EXPECT_TRUE(Has(Topic(Read("Chain.rtf"), "krVCL_TC::Save_Method"), "Writes the shape to Path."));
    EXPECT_EQ(LinesOf(Read("Help.fls")), (std::vector<std::string>{"Chain.rtf", "help-links.rtf"}));
    // A second project in the folder lists nothing of the first.
    {
        TIHelpProject other;
        other.LoadHelpProject(Path("Other.hpj"));
        DocumentUnits(other, {Path("Chain.pas")});
    }
    EXPECT_TRUE(Has(Topic(Read("Chain.rtf"), "krVCL_TC::Save_Method"), "Writes the shape to Path."));
    EXPECT_EQ(LinesOf(Read("Other.fls")), (std::vector<std::string>{"Chain.rtf", "help-links.rtf"}));
    // A file of the unit's name that is no RTF is refused and kept.
    Write("Cycle.rtf", "My notes on Cycle.\n");
    EXPECT_EQ(Message([&] { Generate({"Cycle.pas"}); }), "Cycle.rtf is not a documentation file");
    EXPECT_EQ(Read("Cycle.rtf"), "My notes on Cycle.\n");
    fs::remove(Path("Cycle.rtf"));
    Write("help-links.rtf", "{\\rt");
    EXPECT_EQ(Message([&] { Generate({"Chain.pas"}); }), "help-links.rtf is not a documentation file");
    EXPECT_EQ(Read("help-links.rtf"), "{\\rt");
}

TEST_F(HelpDocTest, LinkPassRewritesOnlyTheProjectsRtfFiles) {
    fs::create_directories(Path("proj"));
    fs::create_directories(Path("other"));
    Write("other/x.txt", "line one\nline two\n");
    Write("other/far.rtf", "{\\rtf1 far @{\\footnote @ hierarchy}\n}\n");
    const std::string binary("{\\rtf1\0\x01\n\xff\n", 11);
    Write("proj/bin.dat", binary);
    Write("proj/notes.rtf", std::string("\x89PNG\r\n\x1a\n", 8));
    fs::copy_file(Data("Chain.pas"), Path("proj/Chain.pas"));
    Write("proj/Help.fls", "../other/x.txt\r\n" + Path("other/far.rtf") + "\r\nbin.dat\r\nnotes.rtf\r\n");
    const auto before = [&] {
        return std::vector<std::string>{Read("other/x.txt"), Read("other/far.rtf"), Read("proj/bin.dat"),
                                        Read("proj/notes.rtf")};
    };
    const auto kept = before();
    TIHelpProject project;
    project.LoadHelpProject(Path("proj/Help.hpj"));
    DocumentUnits(project, {Path("proj/Chain.pas")});
    EXPECT_EQ(before(), kept);
    EXPECT_EQ(project.Skipped, (std::vector<std::string>{"../other/x.txt: not an .rtf file",
                                                         Path("other/far.rtf") + ": outside the project's folder",
                                                         "bin.dat: not an .rtf file",
                                                         "notes.rtf: not a documentation file"}));
    // The project's own file was linked.
    EXPECT_NE(Read("proj/Chain.rtf").find("\\v krVCL_TA_Class>main"), std::string::npos);
}

TEST_F(HelpDocTest, RunsOfOneProjectTakeTurns) {
    // Held by another run: a run that may not wait fails at once.
    {
        TFileLock held(Path("Help.hpj"));
        ASSERT_TRUE(held.Locked());
        TIHelpProject project;
        project.LockTimeoutMs = 0;
        EXPECT_EQ(Message([&] { project.LoadHelpProject(Path("Help.hpj")); }),
                  "The project " + Path("Help.hpj") + " is in use");
    }
    // Two runs at once over different units: every unit is listed and linked.
    std::vector<std::string> units[2];
    for (int r = 0; r < 2; ++r)
        for (int k = 0; k < 12; ++k) {
            const std::string name = "U" + std::to_string(r) + "x" + std::to_string(k);
            Write(name + ".pas", "unit " + name + ";\ninterface\ntype\n  T" + name +
                                     " = class\n    procedure P;\n  end;\nimplementation\nend.\n");
            units[r].push_back(Path(name + ".pas"));
        }
    std::string errors[2];
    auto run = [&](int r) {
        errors[r] = Message([&] {
            TIHelpProject project;
            project.LockTimeoutMs = 600000;  // the other run's time is no part of the test
            project.LoadHelpProject(Path("Help.hpj"));
            DocumentUnits(project, units[r]);
        });
    };
    std::thread a(run, 0), b(run, 1);
    a.join();
    b.join();
    EXPECT_EQ(errors[0], "(nothing raised)");
    EXPECT_EQ(errors[1], "(nothing raised)");
    const auto files = LinesOf(Read("Help.fls"));
    const std::string links = Read("help-links.rtf");
    for (const auto& list : units)
        for (const std::string& u : list) {
            const std::string name = fs::path(u).stem().string();
            EXPECT_TRUE(Has(files, name + ".rtf")) << name;
            EXPECT_NE(links.find("#{\\footnote # krVCL_T" + name + "_Class.Methods}"), std::string::npos) << name;
        }
}

TEST_F(HelpDocTest, BadProjectInputFailsClearlyOrIsIgnored) {
    // Two units of one name: nothing is written.
    fs::create_directories(Path("again"));
    fs::copy_file(Data("Chain.pas"), Path("again/chain.pas"));
    fs::copy_file(Data("Chain.pas"), Path("Chain.pas"));
    {
        TIHelpProject project;
        project.LoadHelpProject(Path("Help.hpj"));
        EXPECT_EQ(Message([&] { DocumentUnits(project, {Path("Chain.pas"), Path("again/chain.pas")}); }),
                  "Unit chain is given twice");
    }
    EXPECT_FALSE(fs::exists(Path("Chain.rtf")));
    EXPECT_FALSE(fs::exists(Path("Help.fls")));
    // A damaged map number is passed over; the link pass numbers the map anew.
    Write("Help.map", "krVCL_Old_Class=2147483647;Old.rtf\r\n");
    Generate({"Chain.pas"});
    const auto map = LinesOf(Read("Help.map"));
    ASSERT_FALSE(map.empty());
    EXPECT_EQ(map[0].substr(0, map[0].find(';')), "krVCL_Chain_Unit=1");
    // A file error says why.
    fs::create_directories(Path("Cycle.rtf"));
    EXPECT_EQ(Message([&] { Generate({"Cycle.pas"}); }),
              "Cannot create file \"" + Path("Cycle.rtf") + "\": Is a directory");
}

TEST_F(HelpDocTest, OverloadsShareATopicAndRemovedItemsLeaveTheLinks) {
    const std::string unit =
        "unit Over;\ninterface\ntype\n  TO = class\n  public\n"
        "    constructor Create; overload;\n"
        "    constructor Create(N: Integer); overload;\n"
        "    constructor Create(const S: string); overload;\n"
        "    constructor Make(AOwner: TObject;\n      const AName: string;\n      ACount: Integer);\n"
        "    procedure Gone;\n  end;\n"
        "  TGone = class\n    procedure P;\n  end;\n"
        "implementation\nend.\n";
    Write("Over.pas", unit);
    Generate({"Over.pas"});
    std::string rtf = Read("Over.rtf");
    const auto create = Topic(rtf, "krVCL_TO::Create_Method");
    EXPECT_TRUE(Has(create, "\\par \\b constructor\\b0  Create; overload;"));
    EXPECT_TRUE(Has(create, "\\par \\b constructor\\b0  Create(N: Integer); overload;"));
    EXPECT_TRUE(Has(create, "\\par \\b constructor\\b0  Create(\\b const\\b0  S: \\b string\\b0 ); overload;"));
    size_t topics = 0;
    for (const std::string& l : LinesOf(rtf)) topics += l == "#{\\footnote # krVCL_TO::Create_Method}";
    EXPECT_EQ(topics, 1u);
    const auto popup = Topic(Read("help-links.rtf"), "krVCL_TO_Class.Methods");
    size_t lines = 0;
    for (const std::string& l : popup) lines += l.find("\\v krVCL_TO::Create_Method>main") != std::string::npos;
    EXPECT_EQ(lines, 1u);
    // The lines that continue a header are no fields.
    EXPECT_EQ(rtf.find("_Field}"), std::string::npos);
    EXPECT_FALSE(Topic(rtf, "krVCL_TO::Make_Method").empty());

    // A method and a class taken out of the source.
    Write("Over.rtf", Describe(rtf, "krVCL_TO::Gone_Method", "Was here once."));
    std::string src = unit;
    src.erase(src.find("    procedure Gone;\n"), 19);
    src.erase(src.find("  TGone = class"), std::string("  TGone = class\n    procedure P;\n  end;\n").size());
    Write("Over.pas", src);
    Generate({"Over.pas"});
    rtf = Read("Over.rtf");
    EXPECT_TRUE(Has(Topic(rtf, "krVCL_TO::Gone_Method"), "Was here once."));
    EXPECT_EQ(rtf.find("\\v krVCL_TGone_Class>main"), std::string::npos);
    for (const char* file : {"Over.lnk", "Help.map", "help-links.rtf"})
        for (const char* gone : {"TGone", "Gone_Method"}) EXPECT_EQ(Read(file).find(gone), std::string::npos) << file << " " << gone;
    EXPECT_FALSE(Topic(Read("help-links.rtf"), "krVCL_TO_Class.Methods").empty());
}

TEST_F(HelpDocTest, TopicIndexFollowsEveryInsertAndReplacement) {
    TIHelpProject project;
    project.LoadHelpProject(Path("Help.hpj"));
    auto doc = project.CreateDocumentation(Path("X.rtf"));
    doc->CreateDocumentation();
    const auto put = [&](const std::string& context, int body) {
        auto t = doc->CreateTopic();
        t->Context = context;
        t->CreateTopic();
        for (int i = 0; i < body; ++i) t->Add("line " + std::to_string(i));
        t->FinishTopic();
        doc->SaveTopic(*t);
    };
    // What a fresh index of the same lines answers.
    const auto expectFresh = [&](const std::vector<std::string>& contexts) {
        auto fresh = project.CreateDocumentation(Path("Y.rtf"));
        fresh->Lines->Assign(doc->Lines.get());
        for (const std::string& c : contexts) {
            EXPECT_GE(doc->FindTopic(c), 0) << c;
            EXPECT_EQ(doc->FindTopic(c), fresh->FindTopic(c)) << c;
        }
    };
    put("A", 1);
    put("B", 2);
    put("C", 3);
    expectFresh({"A", "B", "C"});
    put("B", 6);  // longer, in the middle
    expectFresh({"A", "B", "C"});
    put("A", 0);  // shorter, at the front
    expectFresh({"A", "B", "C"});
    put("C", 3);  // same length, at the end
    put("D", 1);
    expectFresh({"A", "B", "C", "D"});
    // A topic put without its "#" line: a namesake further on is found.
    doc->Lines->Insert(doc->FindEnd(), "#{\\footnote # B}");
    doc->Lines->Insert(doc->FindEnd(), "\\page");
    const int first = doc->FindTopic("B");
    auto t = doc->CreateTopic();
    t->Context = "B";
    t->Add("plain");
    t->FinishTopic();
    doc->SaveTopic(*t);
    EXPECT_GT(doc->FindTopic("B"), first);
    expectFresh({"A", "B", "C", "D"});
}

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/MemIni.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
namespace fs = std::filesystem;

namespace {

class MemIniTest : public testing::Test {
protected:
    test::TTempFolder tmp;
};

}  // namespace

TEST_F(MemIniTest, LoadMergesSortsAndSavesVerbatim) {
    std::string file = tmp.Write("a.ini",
                                 "[Zeta]\r\n; comment\r\nz=1\r\n\r\n[alpha]\r\n  indented = x\r\n"
                                 "[ZETA]\r\nz2=2\r\n[Mid\r\n[x]trailing\r\nq=\r\n");
    TMemIni ini;
    ini.LoadFromFile(file);
    ASSERT_EQ(ini.Count(), 4);
    EXPECT_EQ(ini[0], "alpha");
    EXPECT_EQ(ini[1], "Mid");  // no closing bracket: the rest of the line
    EXPECT_EQ(ini[2], "x");
    EXPECT_EQ(ini[3], "Zeta");  // both bodies, in file order, under the first spelling

    ini.SaveToFile(tmp.Path("out.ini"));
    EXPECT_EQ(ReadWholeFile(tmp.Path("out.ini")),
              "[alpha]\r\n  indented = x\r\n[Mid]\r\n[x]\r\nq=\r\n"
              "[Zeta]\r\n; comment\r\nz=1\r\n\r\nz2=2\r\n");
    // No temporary file is left next to the target.
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.Dir), fs::directory_iterator()), 2);
}

TEST_F(MemIniTest, ReadWriteAndErase) {
    TMemIni ini;
    ini.AppendFromText("[Main]\nA=1\nb=2\nA=3\n");
    EXPECT_EQ(ini.ReadString("main", "a", "d"), "1");
    EXPECT_EQ(ini.ReadString("Main", "none", "d"), "");
    EXPECT_EQ(ini.ReadString("Other", "a", "d"), "d");

    ini.WriteString("MAIN", "B", "new");
    ini.WriteString("Main", "c", "4");
    ini.WriteString("Added", "k", "v");
    TStringList lines;
    lines.Add("stale");
    ini.ReadSectionValues("Main", lines);
    EXPECT_EQ(lines.Text(), "A=1\r\nB=new\r\nA=3\r\nc=4\r\n");  // replaced in place
    EXPECT_EQ(ini.ReadString("Added", "K", ""), "v");
    ini.ReadSectionValues("Nowhere", lines);
    EXPECT_EQ(lines.Count(), 0);

    ini.EraseSection("main");
    ini.EraseSection("absent");
    ASSERT_EQ(ini.Count(), 1);
    EXPECT_EQ(ini[0], "Added");
}

TEST_F(MemIniTest, LinesBeforeTheFirstHeaderSurvive) {
    std::string file = tmp.Write("p.ini", "; header comment\r\n\r\nloose=1\r\n[b]\r\nx=1\r\n[a]\r\n");
    TMemIni ini;
    ini.LoadFromFile(file);
    EXPECT_EQ(ini.Preamble().Count(), 3);
    EXPECT_EQ(ini.ReadString("", "loose", "d"), "d");  // not a section
    ini.SaveToFile(file);
    EXPECT_EQ(ReadWholeFile(file), "; header comment\r\n\r\nloose=1\r\n[a]\r\n[b]\r\nx=1\r\n");

    // An empty-named section stays distinct from those lines.
    TMemIni other;
    other.AppendFromText("top\n[]\nin=1\n");
    EXPECT_EQ(other.IniText(), "top\r\n[]\r\nin=1\r\n");
    other.Clear();
    EXPECT_EQ(other.IniText(), "");
}

TEST_F(MemIniTest, AnyLineEndLoadsTheSame) {
    TMemIni crlf, lf, cr;
    crlf.LoadFromFile(tmp.Write("1.ini", "[s]\r\na=1\r\n\r\nb=2\r\n"));
    lf.LoadFromFile(tmp.Write("2.ini", "[s]\na=1\n\nb=2\n"));
    cr.LoadFromFile(tmp.Write("3.ini", "[s]\ra=1\r\rb=2"));
    EXPECT_EQ(crlf.IniText(), "[s]\r\na=1\r\n\r\nb=2\r\n");
    EXPECT_EQ(lf.IniText(), crlf.IniText());
    EXPECT_EQ(cr.IniText(), crlf.IniText());
}

TEST_F(MemIniTest, FailuresKeepWhatTheyShould) {
    TMemIni ini;
    ini.AppendFromText("[keep]\na=1\n");
    EXPECT_THROW(ini.AppendFromFile(tmp.Path("missing.ini")), EFOpenError);
    EXPECT_EQ(ini.ReadString("keep", "a", ""), "1");
    EXPECT_THROW(ini.LoadFromFile(tmp.Path("missing.ini")), EFOpenError);
    EXPECT_EQ(ini.Count(), 0);

    // A failed save leaves the old file as it was.
    std::string file = tmp.Write("old.ini", "[old]\r\n");
    ini.WriteString("new", "a", "1");
    EXPECT_THROW(ini.SaveToFile(tmp.Path("no/such/dir.ini")), EFCreateError);
    EXPECT_EQ(ReadWholeFile(file), "[old]\r\n");
}

TEST_F(MemIniTest, SectionAddedAsPlainStringGetsLines) {
    TMemIni ini;
    ini.Add("Bare");
    EXPECT_EQ(ini.ReadString("bare", "x", "d"), "");
    EXPECT_EQ(ini.IniText(), "[Bare]\r\n");
    ini.WriteString("bare", "x", "1");
    EXPECT_EQ(ini.IniText(), "[Bare]\r\nx=1\r\n");
}

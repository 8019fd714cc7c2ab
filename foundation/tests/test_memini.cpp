#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/MemIni.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
namespace fs = std::filesystem;

namespace {

class MemIniTest : public testing::Test {
protected:
    test::TTempFolder tmp;
};

// Caps the size of the files this process may write, root included, so that
// a save fails partway through writing.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit capped = old_;
        capped.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &capped), 0);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*handler_)(int) = nullptr;
};

// An INI text of n sections "S000000" .. with one value each, in ascending
// or descending order of the names.
std::string Sections(int n, bool descending) {
    std::string text;
    char header[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(header, sizeof header, "[S%06d]\nk=%d\n", descending ? n - 1 - i : i, i);
        text += header;
    }
    return text;
}

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

TEST_F(MemIniTest, HeaderOrderChangesNeitherTheStoreNorTheCost) {
    TMemIni ini;
    ini.AppendFromText("[m]\nold=1\n");
    ini.Add("Bare");  // a name without lines yet
    ini.AppendFromText("[z]\nz=1\n[bare]\nb=1\n[M]\nnew=2\n[a]\na=1\n[Z]\nz=2\n[c]\n");
    ASSERT_EQ(ini.Count(), 5);
    EXPECT_EQ(ini.IniText(), "[a]\r\na=1\r\n[Bare]\r\nb=1\r\n[c]\r\n[m]\r\nold=1\r\nnew=2\r\n[z]\r\nz=1\r\nz=2\r\n");
    int i;
    EXPECT_TRUE(ini.Find("C", i));  // still a sorted list
    EXPECT_EQ(i, 2);

    // Sections held aside while loading land in order (the cost is measured
    // by the INI benchmark).
    const int n = 8000;
    TMemIni a, d;
    a.AppendFromText(Sections(n, false));
    d.AppendFromText(Sections(n, true));
    EXPECT_EQ(a.Count(), n);
    int at = -1;
    EXPECT_TRUE(d.Find("S000000", at) && at == 0);
    EXPECT_TRUE(d.Find("S007999", at) && at == n - 1);
    EXPECT_EQ(d.ReadString("S000000", "k", ""), IntToStr(n - 1));
}

TEST_F(MemIniTest, WhatTheFileCannotHoldIsRefused) {
    TMemIni ini;
    ini.WriteString("Units", "Path", "a.pas");
    const std::string before = ini.IniText();
    struct {
        std::string section, name, value;
    } const refused[] = {
        {"Units", "Path", "a.pas\r\n[Evil]\r\nx=1"},
        {"Units", "Path", "a\rb"},
        {"Units", "Pa\nth", "v"},
        {"Units", "[Evil]", "v"},
        {"Units", "a=b", "v"},
        {"Un]its", "Path", "v"},
        {"New\r\n[Evil]", "Path", "v"},
    };
    for (const auto& r : refused) {
        EXPECT_THROW(ini.WriteString(r.section, r.name, r.value), Exception) << r.section << " / " << r.name;
    }
    EXPECT_EQ(ini.IniText(), before);  // nothing half written, no new section
    EXPECT_NE(test::MessageOf([&] { ini.WriteString("Units", "Path", "a\nb"); }).find("line break"),
              std::string::npos);

    // Brackets and "=" where the file can hold them go round unchanged.
    ini.WriteString("[Units", "Pa]th", "x=[y]");
    std::string file = tmp.Path("u.ini");
    ini.SaveToFile(file);
    TMemIni back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.IniText(), ini.IniText());
    EXPECT_EQ(back.ReadString("[units", "pa]th", ""), "x=[y]");
}

TEST_F(MemIniTest, SaveKeepsTheFileModeAndOwner) {
    std::string file = tmp.Write("m.ini", "[a]\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    // Only root may give a file to another owner; others check the mode alone.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(file.c_str(), 4321, 4322), 0);
    }
    TMemIni ini;
    ini.LoadFromFile(file);
    ini.WriteString("a", "x", "1");
    ini.SaveToFile(file);
    struct stat st{};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_EQ(ReadWholeFile(file), "[a]\r\nx=1\r\n");
}

TEST_F(MemIniTest, SaveThatFailsWhileWritingKeepsTheOldFileWhole) {
    const std::string old = "[old]\r\nkeep=1\r\n";
    std::string file = tmp.Write("s.ini", old);
    TMemIni ini;
    for (int i = 0; i < 50; ++i) ini.WriteString("S" + IntToStr(i), "k", std::string(40, 'v'));
    {
        TFileSizeLimit limit(old.size() + 16);  // far less than the new text
        EXPECT_THROW(ini.SaveToFile(file), EWriteError);
    }
    EXPECT_EQ(ReadWholeFile(file), old);
    // The partial temporary file is gone too.
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.Dir), fs::directory_iterator()), 1);
}

TEST_F(MemIniTest, KeyLookupKeepsItsRuleThroughEveryChangeOfTheSection) {
    TMemIni ini;
    ini.AppendFromText("[S]\r\nnoequals\r\nKey=first\r\nKEY=second\r\n=empty\r\nk\xc3\xa9y=accent\r\n");
    // The first line whose text before "=" matches, ASCII case ignored.
    EXPECT_EQ(ini.ReadString("s", "key", "-"), "first");
    EXPECT_EQ(ini.ReadString("S", "", "-"), "empty");
    EXPECT_EQ(ini.ReadString("S", "K\xc3\x89Y", "-"), "");
    EXPECT_EQ(ini.ReadString("S", "noequals", "-"), "");
    ini.WriteString("S", "kEy", "third");
    EXPECT_EQ(ini.SectionLines("S")->Get(1), "kEy=third");
    EXPECT_EQ(ini.SectionLines("S")->Get(2), "KEY=second");
    // Changed through its lines: the lookup follows.
    TStringList* lines = ini.SectionLines("S");
    lines->Insert(0, "key=inserted");
    EXPECT_EQ(ini.ReadString("S", "KEY", "-"), "inserted");
    lines->Delete(0);
    lines->Delete(1);
    EXPECT_EQ(ini.ReadString("S", "key", "-"), "second");
    ini.WriteString("S", "new", "1");
    ini.WriteString("S", "NEW", "2");
    EXPECT_EQ(ini.ReadString("S", "new", "-"), "2");
    EXPECT_EQ(lines->IndexOfName("new"), lines->Count() - 1);
    // A section made again after its erasure starts without keys.
    ini.EraseSection("S");
    EXPECT_EQ(ini.ReadString("S", "key", "-"), "-");
    ini.WriteString("S", "other", "x");
    EXPECT_EQ(ini.ReadString("S", "key", "-"), "");
    ini.Clear();
    ini.AppendFromText("[S]\r\nkey=back\r\n");
    EXPECT_EQ(ini.ReadString("S", "key", "-"), "back");
}

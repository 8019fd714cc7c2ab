#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <random>

#include "foundation/StrUtils.h"
#include "foundation/SysUtils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;

namespace {

// The matching rules written out as plain recursion, 1-based, to compare the
// production matcher against.
bool LikeReference(const std::string& mask, const std::string& s) {
    if (mask.size() > s.size()) return false;
    if (s.empty()) return true;
    for (size_t i = 1; i <= s.size(); ++i) {
        if (i > mask.size()) return false;
        char m = mask[i - 1];
        if (m == '*') {
            std::string r = mask.substr(i), t = s.substr(i - 1);
            if (r.empty()) return true;
            for (size_t j = 1; j <= t.size(); ++j)
                if (LikeReference(r, t.substr(j - 1))) return true;
        } else if (m != '?') {
            if (UpCaseChar(m) != UpCaseChar(s[i - 1])) return false;
        }
    }
    return s.size() == mask.size();
}

void SetMTime(const std::string& file, time_t t) {
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

class ScopedEnv {
public:
    explicit ScopedEnv(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) saved_ = v, had_ = true;
    }
    ~ScopedEnv() {
        if (had_) setenv(name_, saved_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::string saved_;
    bool had_ = false;
};

}  // namespace

TEST(StrUtils, LikeExamples) {
    EXPECT_TRUE(Like("*.pas", "Unit1.PAS"));
    EXPECT_TRUE(Like("a?c", "abc"));
    EXPECT_FALSE(Like("abc", "ab"));
    EXPECT_FALSE(Like("ab*", "ab"));
    EXPECT_TRUE(Like("ab*", "abc"));
    EXPECT_TRUE(Like("", ""));
    EXPECT_FALSE(Like("", "a"));
    EXPECT_TRUE(Like("a*c", "abbc"));
    EXPECT_FALSE(Like("a*c", "abd"));
    EXPECT_TRUE(Like("*", "x"));
    EXPECT_FALSE(Like("*", ""));
}

TEST(StrUtils, LikeAgreesWithTheRecursiveRules) {
    std::mt19937 rng(12345);
    const char maskChars[] = "ab*?A";
    const char textChars[] = "abAB";
    for (int round = 0; round < 20000; ++round) {
        std::string mask, text;
        for (int k = int(rng() % 7); k > 0; --k) mask += maskChars[rng() % 5];
        for (int k = int(rng() % 8); k > 0; --k) text += textChars[rng() % 4];
        ASSERT_EQ(Like(mask, text), LikeReference(mask, text)) << "mask '" << mask << "' text '" << text << "'";
    }
}

TEST(StrUtils, LikeWithManyStarsStaysFast) {
    // Backtracking over 30 stars against 4000 characters would never finish.
    std::string mask, text(4000, 'a');
    for (int i = 0; i < 30; ++i) mask += "*a";
    mask += "b";
    EXPECT_FALSE(Like(mask, text));
    text.back() = 'b';
    EXPECT_TRUE(Like(mask, text));
}

TEST(StrUtils, GetIdent) {
    const std::string s = "x := Form1.Caption";
    EXPECT_EQ(GetIdent(s, 8), "Form1");
    EXPECT_EQ(GetIdent(s, 11), "Form1");  // just after the identifier
    EXPECT_EQ(GetIdent(s, 12), "Caption");
    EXPECT_EQ(GetIdent(s, 1), "x");
    EXPECT_EQ(GetIdent("abc", 1), "abc");
    EXPECT_EQ(GetIdent(s, 19), "Caption");  // one past the end
    // Out of range positions see no identifier character there.
    EXPECT_EQ(GetIdent(s, 0), "");
    EXPECT_EQ(GetIdent(s, -5), "");
    EXPECT_EQ(GetIdent(s, 20), "");
    EXPECT_EQ(GetIdent(s, 32767), "");
    EXPECT_EQ(GetIdent("abc", INT_MIN), "");  // no overflow at the extremes
    EXPECT_EQ(GetIdent("abc", INT_MAX), "");
    EXPECT_EQ(GetIdent("", 1), "");
    EXPECT_EQ(GetIdent("a\xE9z", 1), "a");  // letters beyond ASCII end an identifier
}

TEST(StrUtils, SmallHelpers) {
    EXPECT_EQ(KillBlanks("\ta b\r\n"), "ab");
    EXPECT_EQ(Blanks(0), "");
    EXPECT_EQ(Blanks(-3), "");
    EXPECT_EQ(Blanks(3), "   ");
    EXPECT_EQ(sif(true, "A", "B"), "A");
    EXPECT_EQ(iif(false, 1, 2), 2);

    EXPECT_TRUE(isPrefix("ABC", "abcdef"));
    EXPECT_FALSE(isPrefix("abcdefg", "abc"));
    EXPECT_TRUE(isPrefix("", "abc"));
    EXPECT_FALSE(isPrefix("abd", "abcdef"));

    EXPECT_EQ(CopyBefore("=", "Name=Value"), "Name");
    EXPECT_EQ(CopyAfter("=", "Name=Value"), "Value");
    EXPECT_EQ(CopyBefore("=", "NoSign"), "NoSign");
    EXPECT_EQ(CopyAfter("=", "NoSign"), "");
    EXPECT_EQ(CopyAfter("::", "a::b::c"), "b::c");
    EXPECT_EQ(StrUtils::CopyBefore("", "abc"), "abc");
    EXPECT_EQ(StrUtils::CopyAfter("", "abc"), "");
}

TEST(StrUtils, GetTemporaryFolderFallsBack) {
    ScopedEnv temp("TEMP"), tmpdir("TMPDIR");
    setenv("TEMP", "/some/temp", 1);
    setenv("TMPDIR", "/other", 1);
    EXPECT_EQ(GetTemporaryFolder(), "/some/temp");
    setenv("TEMP", "", 1);
    EXPECT_EQ(GetTemporaryFolder(), "/other");
    unsetenv("TEMP");
    EXPECT_EQ(GetTemporaryFolder(), "/other");
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTemporaryFolder(), "/tmp");
}

TEST(StrUtils, FileModified) {
    test::TTempFolder dir;
    std::string file = dir.Write("list.txt", "x");
    SetMTime(file, 1000000000);  // September 2001 in any time zone

    int32_t stamp = 0;
    EXPECT_TRUE(FileModified(file, stamp));
    EXPECT_NE(stamp, 0);
    EXPECT_NE(stamp, -1);
    const int32_t first = stamp;
    EXPECT_FALSE(FileModified(file, stamp));
    EXPECT_EQ(stamp, first);

    SetMTime(file, 1000000000 + 3600);
    EXPECT_TRUE(FileModified(file, stamp));
    EXPECT_NE(stamp, first);

    int32_t missing = 0;
    EXPECT_TRUE(FileModified(dir.Path("absent"), missing));
    EXPECT_EQ(missing, -1);
    EXPECT_FALSE(FileModified(dir.Path("absent"), missing));
}

// The pieces under the server: item paths and names, the three-way merge,
// "srcsafe.ini" and its password hashes.
#include <gtest/gtest.h>

#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/VssError.h"
#include "platform/vss/VssMerge.h"
#include "platform/vss/VssNames.h"

using namespace velt::vss;

TEST(VssNames, SpecsNormaliseAndNamesFoldOnlyAscii) {
    EXPECT_EQ(NormaliseSpec("$"), "$/");
    EXPECT_EQ(NormaliseSpec("$\\Work\\\\Src\\"), "$/Work/Src");
    EXPECT_EQ(NormaliseSpec("$//Work///a.pas"), "$/Work/a.pas");
    EXPECT_EQ(NormaliseSpec("$Work"), "$/Work");
    EXPECT_THROW(NormaliseSpec("Work/a.pas"), EOleException);
    EXPECT_EQ(AbsoluteSpec("Src\\a.pas", "$/Work/"), "$/Work/Src/a.pas");
    EXPECT_EQ(AbsoluteSpec("", "$/Work"), "$/Work");
    EXPECT_EQ(SplitSpec("$/Work/a.pas"), std::make_pair(std::string("$/Work"), std::string("a.pas")));
    EXPECT_EQ(SplitSpec("$/a.pas"), std::make_pair(std::string("$/"), std::string("a.pas")));
    EXPECT_EQ(SpecComponents("$/Work/Src"), (std::vector<std::string>{"Work", "Src"}));

    EXPECT_TRUE(SameName("Unit1.PAS", "unit1.pas"));
    EXPECT_FALSE(SameName("\xC3\x84.pas", "\xC3\xA4.pas"));  // letters beyond ASCII keep their case
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "a:b", "a*", "$a", " a", "a ", "a\nb"})
        EXPECT_FALSE(InvalidNameReason(bad).empty()) << bad;
    EXPECT_TRUE(InvalidNameReason("my unit (old).pas").empty());

    EXPECT_EQ(NormaliseLocalPath("C:\\work\\\\a.pas"), "C:/work/a.pas");
    EXPECT_EQ(JoinLocal("/home/u/", "/a.pas"), "/home/u/a.pas");
    EXPECT_EQ(LocalFolder("/a.pas"), "/");
    EXPECT_EQ(LocalName("/home/u/src/"), "src");
}

TEST(VssNames, WildcardsMatchWithoutBacktrackingBlowUp) {
    EXPECT_TRUE(MatchesWildcard("a.*", "A.PAS"));
    EXPECT_TRUE(MatchesWildcard("*.p?s", "unit.pas"));
    EXPECT_TRUE(MatchesWildcard("*", ""));
    EXPECT_FALSE(MatchesWildcard("a.*", "ba.pas"));
    EXPECT_FALSE(MatchesWildcard("?", ""));
    std::string longName(5000, 'a');
    EXPECT_FALSE(MatchesWildcard("*a*a*a*a*a*a*b", longName));
}

TEST(VssMerge, ChangesApartMergeAndTouchingOnesConflict) {
    const std::string base = "one\ntwo\nthree\nfour\nfive\n";
    // Apart: both kept, in place.
    EXPECT_EQ(MergeText(base, "ONE\ntwo\nthree\nfour\nfive\n", "one\ntwo\nthree\nfour\nFIVE\n"),
              "ONE\ntwo\nthree\nfour\nFIVE\n");
    // A line inserted on one side, the end changed without a final line end on the other.
    EXPECT_EQ(MergeText(base, "one\ntwo\nnew\nthree\nfour\nfive\n", "one\ntwo\nthree\nfour\nfive!"),
              "one\ntwo\nnew\nthree\nfour\nfive!");
    // The same change on both sides is taken once.
    EXPECT_EQ(MergeText(base, "one\nTWO\nthree\nfour\nfive\n", "one\nTWO\nthree\nfour\nfive\n"),
              "one\nTWO\nthree\nfour\nfive\n");
    // Overlapping and adjacent changes conflict.
    EXPECT_FALSE(MergeText(base, "one\nTWO\nthree\nfour\nfive\n", "one\nzwei\nthree\nfour\nfive\n"));
    EXPECT_FALSE(MergeText(base, "one\nTWO\nthree\nfour\nfive\n", "one\ntwo\nTHREE\nfour\nfive\n"));
    // One side unchanged: the other side whole.
    EXPECT_EQ(MergeText(base, base, "x\n"), "x\n");
    EXPECT_EQ(MergeText("", "a\n", ""), "a\n");
}

TEST(VssMerge, LargeFilesWithScatteredChangesMerge) {
    std::string base, mine, theirs, expected;
    for (int i = 0; i < 3000; ++i) {
        std::string line = "line " + std::to_string(i) + "\n";
        base += line;
        mine += i % 100 == 10 ? "mine " + line : line;
        theirs += i % 100 == 60 ? "theirs " + line : line;
        expected += i % 100 == 10 ? "mine " + line : i % 100 == 60 ? "theirs " + line : line;
    }
    EXPECT_EQ(MergeText(base, mine, theirs), expected);
}

TEST(SrcSafeIni, ReadsWhatItWritesAndNamesDamagedLines) {
    TSrcSafeIni ini;
    ini.MultipleCheckouts = true;
    ini.Users = {{"Ann", HashPassword("secret", 1000)}};
    std::string text = FormatSrcSafeIni(ini);
    EXPECT_EQ(text.find("secret"), std::string::npos);
    TSrcSafeIni back = ParseSrcSafeIni(text);
    EXPECT_TRUE(back.Problems.empty());
    EXPECT_TRUE(back.MultipleCheckouts);
    ASSERT_EQ(back.FindUser("ANN"), 0);
    EXPECT_EQ(CheckPassword("secret", back.Users[0].second), TPasswordCheck::Match);
    EXPECT_EQ(CheckPassword("Secret", back.Users[0].second), TPasswordCheck::Mismatch);

    TSrcSafeIni bad = ParseSrcSafeIni(
        "[database]\r\nMULTIPLE_CHECKOUTS = maybe\r\nData_File = ../x.db\r[Users]\nann\nAnn = x\nann = y\n[Other]\n");
    ASSERT_EQ(bad.Problems.size(), 5u);
    EXPECT_EQ(bad.Problems[0], "line 2: Multiple_Checkouts must be Yes or No");
    EXPECT_EQ(bad.Problems[1], "line 3: Data_File must be a file name in the database folder");
    EXPECT_EQ(bad.DataFile, "vss.db");
    EXPECT_EQ(CheckPassword("x", bad.Users[0].second), TPasswordCheck::Damaged);  // not a hash: never matches
}

TEST(SrcSafeIni, HashesAreSaltedPbkdf2OverSha256WithTheirCount) {
    EXPECT_EQ(HexBytes(Sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(HexBytes(Sha256(std::string(1000, 'a'))),
              "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
    // RFC 7914's PBKDF2-HMAC-SHA256 vector (P "passwd", S "salt", c 1), first 32 bytes.
    EXPECT_EQ(CheckPassword("passwd", "pbkdf2-sha256:1:73616c74:"
                                      "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"),
              TPasswordCheck::Match);
    // A hash of the earlier format, 2,000 rounds, still opens.
    const std::string old = "pbkdf2-sha256:2000:000102030405060708090a0b0c0d0e0f:"
                            "1ccc896a33ea5625bb839f7d1e7f674757ed628cdb9045db35935f90d55b724d";
    EXPECT_EQ(CheckPassword("old pw", old), TPasswordCheck::Match);
    EXPECT_EQ(CheckPassword("old pW", old), TPasswordCheck::Mismatch);
    // Every byte counts: the last one changed, or the first.
    EXPECT_EQ(CheckPassword("old pw", old.substr(0, old.size() - 1) + "c"), TPasswordCheck::Mismatch);
    std::string first = old;
    first[first.size() - 64] = '0';
    EXPECT_EQ(CheckPassword("old pw", first), TPasswordCheck::Mismatch);
    EXPECT_TRUE(SameBytes("abc", "abc"));
    EXPECT_FALSE(SameBytes("abc", "abd"));
    EXPECT_FALSE(SameBytes("abc", "ab"));

    // New hashes carry the current count and a fresh salt.
    std::string a = HashPassword("pw"), b = HashPassword("pw");
    EXPECT_EQ(a.rfind("pbkdf2-sha256:" + std::to_string(kPasswordIterations) + ":", 0), 0u) << a;
    EXPECT_NE(a, b);
    EXPECT_EQ(CheckPassword("pw", a), TPasswordCheck::Match);
    EXPECT_EQ(CheckPassword("pw", b), TPasswordCheck::Match);
    for (std::string damaged :
         {a.substr(0, a.size() - 2), "pbkdf2-sha256:0" + a.substr(a.find(':', 14)),
          "pbkdf2-sha256:99999999" + a.substr(a.find(':', 14)), "pbkdf2-sha256:1::" + a.substr(a.rfind(':') + 1),
          std::string("md5:1:00:00"), std::string(""), a + ":00"})
        EXPECT_EQ(CheckPassword("pw", damaged), TPasswordCheck::Damaged) << damaged;
}

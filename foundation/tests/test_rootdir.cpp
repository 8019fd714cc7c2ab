#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "foundation/RootDir.h"

using namespace velt;

TEST(RootDirTest, EnvironmentWinsThenBinParentThenProgramFolder) {
    EXPECT_EQ(RootDirFrom("/opt/velt/", "/usr/local/bin/"), "/opt/velt");
    EXPECT_EQ(RootDirFrom("/", "/x/"), "/");
    // An empty value counts as unset.
    EXPECT_EQ(RootDirFrom("", "/opt/velt/bin/"), "/opt/velt");
    EXPECT_EQ(RootDirFrom(nullptr, "/opt/velt/BIN"), "/opt/velt");
    EXPECT_EQ(RootDirFrom(nullptr, "/work/build/demo/"), "/work/build/demo");
    EXPECT_EQ(RootDirFrom(nullptr, "/bin/"), "/");
    EXPECT_EQ(RootDirFrom(nullptr, ""), ".");
}

TEST(RootDirTest, RootDirReadsTheEnvironment) {
    const char* old = std::getenv("VELT_ROOTDIR");
    std::string saved = old ? old : "";
    setenv("VELT_ROOTDIR", "/srv/velt-root", 1);
    EXPECT_EQ(RootDir(), "/srv/velt-root");
    EXPECT_EQ(MapSystemPath("h:\\varno\\rvelt\\velt.dci"), "/srv/velt-root/velt.dci");
    unsetenv("VELT_ROOTDIR");
    EXPECT_FALSE(RootDir().empty());
    EXPECT_NE(RootDir(), "/srv/velt-root");
    if (old) setenv("VELT_ROOTDIR", saved.c_str(), 1);
}

TEST(RootDirTest, FixedPathsMapUnderTheRoot) {
    const std::string root = "/opt/velt";
    EXPECT_EQ(MapSystemPath("h:\\varno\\rvelt", root), "/opt/velt");
    EXPECT_EQ(MapSystemPath("H:\\Varno\\RVELT\\news.ini", root), "/opt/velt/news.ini");
    EXPECT_EQ(MapSystemPath("h:/varno/rvelt/sub\\parletbureau.velt", root), "/opt/velt/sub/parletbureau.velt");
    EXPECT_EQ(MapSystemPath("h:\\varno\\rvelt\\", root), "/opt/velt/");
    EXPECT_EQ(MapSystemPath("h:\\varno\\rvelt\\velt.dci", "/opt/velt/"), "/opt/velt/velt.dci");
    EXPECT_EQ(MapSystemPath("d:\\vss\\srcsafe.ini", root), "/opt/velt/vss/srcsafe.ini");
    EXPECT_EQ(MapSystemPath("D:/VSS", root), "/opt/velt/vss");
}

TEST(RootDirTest, OtherPathsStayAsTheyAre) {
    const std::string root = "/opt/velt";
    for (const char* p : {"h:\\varno\\rvelt2\\x.ini", "h:\\varno\\rvel", "d:\\vssdata\\a", "/home/u/velt.dci",
                          "", "h:", "c:\\varno\\rvelt"})
        EXPECT_EQ(MapSystemPath(p, root), p) << p;
}

TEST(RootDirTest, JoinPathPutsOneSeparator) {
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("a\\", "b"), "a\\b");
    EXPECT_EQ(JoinPath("", "b"), "b");
}

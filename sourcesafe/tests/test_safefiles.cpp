// Specs from paths, the file list "filelist.vss" and its two builders.
#include <filesystem>

#include "platform/vss/SsCommand.h"
#include "sourcesafe/tests/SafeTestSupport.h"

using namespace velt;
using namespace velt::test;
using ::testing::ElementsAre;
using namespace std::string_literals;

TEST(SafeNames, SpecsComeFromFullPathsWithOrWithoutDriveLetters) {
    EXPECT_EQ(FileNameToSafeSource("/home/u/a.pas"), "$/home/u/a.pas");
    EXPECT_EQ(FileNameToSafeSource("C:\\Work\\a.pas"), "$/C/Work/a.pas");
    EXPECT_EQ(FileNameToSafeSource("/home//u/./x/../a.pas"), "$/home/u/a.pas");
    EXPECT_EQ(FileNameToSafeSource("/home/u/"), "$/home/u/");
    EXPECT_EQ(FileNameToSafeSource(""), "");
    EXPECT_EQ(FileNameToSafeSource("a.pas"), "$" + (std::filesystem::current_path() / "a.pas").generic_string());

    EXPECT_EQ(SafeFolder("$/Work/a.*"), "$/Work/");
    EXPECT_EQ(SafeName("$/Work/a.*"), "a.*");
    EXPECT_EQ(JoinSafe("$/Work/", "a.pas"), "$/Work/a.pas");
    EXPECT_EQ(JoinSafe("$/", "a.pas"), "$/a.pas");
    EXPECT_EQ(JoinSafe("/home/u/", "/a.pas"), "/home/u/a.pas");
    EXPECT_TRUE(SameSafeProject("$/Work/Src/", "$\\work\\src"));
    EXPECT_FALSE(SameSafeProject("$/Work/Src/", "$/Work/Src2"));
    EXPECT_EQ(ArgumentsText({"add", "/w/c d.pas", "-c@/t/c", ""}), "add \"/w/c d.pas\" -c@/t/c \"\"");
}

// A file is in SourceSafe when its name is listed. Its entry is the one of
// its folder's project, else the nearest project above its folder, else (of
// several) the one the user has checked out, else the first.
TEST(SafeFileList, FilesAreMatchedByPathThenByNameThenByTheUsersCheckOut) {
    TSafeFileList list;
    auto report = list.LoadFromText("A.pas=$/home/two/\r\na.pas=$/home/one/\r\nb.pas=$/\r\nc.pas=$/Proj/\r\n"
                                    "d.pas=$/X/\r\nd.pas=$/Y/\r\n");
    EXPECT_EQ(report.Loaded, 6);
    EXPECT_TRUE(report.Problems.empty());
    EXPECT_EQ(list.Text(), "a.pas=$/home/one/\r\nA.pas=$/home/two/\r\nb.pas=$/\r\nc.pas=$/Proj/\r\n"
                           "d.pas=$/X/\r\nd.pas=$/Y/\r\n");

    EXPECT_TRUE(list.FileInSourceSafe("/home/one/a.pas"));
    EXPECT_TRUE(list.FileInSourceSafe("/home/three/a.pas"));
    EXPECT_TRUE(list.FileInSourceSafe("/home/u/proj/c.pas"));
    EXPECT_FALSE(list.FileInSourceSafe("/home/one/e.pas"));
    EXPECT_EQ(list.GetSourceSafeProject("/HOME/Two/A.PAS"), "$/home/two/");
    EXPECT_EQ(list.GetSourceSafeProject("/home/three/a.pas"), "$/home/one/");  // the first of the name
    EXPECT_EQ(list.GetSourceSafeProject("/home/one/sub/b.pas"), "$/");         // the project above the folder
    EXPECT_EQ(list.GetSourceSafeProject("/home/u/proj/c.pas"), "$/Proj/");     // the name alone
    EXPECT_EQ(list.GetSourceSafeProject("/home/one/e.pas"), "$/home/one/");    // not listed: its own path
    // Of several, the one of the user's own check-out.
    std::vector<std::string> asked;
    const auto heldInY = [&](const TSafeFileList::TEntry& e) {
        asked.push_back(e.Project);
        return e.Project == "$/Y/";
    };
    EXPECT_EQ(list.GetSourceSafeProject("/w/d.pas", heldInY), "$/Y/");
    EXPECT_EQ(list.GetSourceSafeProject("/w/d.pas", [](const TSafeFileList::TEntry&) { return false; }), "$/X/");
    // A single entry, or one of the folder's own project, asks nothing.
    EXPECT_EQ(list.GetSourceSafeProject("/w/c.pas", heldInY), "$/Proj/");
    EXPECT_EQ(list.GetSourceSafeProject("/X/d.pas", heldInY), "$/X/");
    EXPECT_THAT(asked, ElementsAre("$/X/", "$/Y/"));
    EXPECT_EQ(list.EntriesNamed("a.PAS").size(), 2u);
}

// The default item of the operation dialogs: the file's entry (found by
// name where no project mirrors its folder), every file of its base name.
TEST(SafeFileList, TheDialogsDefaultItemComesFromTheFilesEntry) {
    TSafeFileList list;
    list.LoadFromText("a.pas=$/Proj/\r\nREADME=$/Proj/\r\n");
    const auto item = [&](const std::string& file) {
        TCheckOutForm form;
        form.FileList = &list;
        form.SetFileName(file);
        return form.ItemText();
    };
    EXPECT_TRUE(list.FileInSourceSafe("/home/u/proj/a.pas"));
    EXPECT_EQ(item("/home/u/proj/a.pas"), "$/Proj/a.*");
    EXPECT_EQ(item("/home/u/proj/README"), "$/Proj/README");
    EXPECT_EQ(item("/home/u/proj/Makefile"), "$/home/u/proj/Makefile");
    EXPECT_EQ(item("/home/u/proj/.profile"), "$/home/u/proj/.profile");
    EXPECT_EQ(item("/home/u/proj/b.pas"), "$/home/u/proj/b.*");
}

TEST(SafeFileList, ADamagedListLoadsWhatItCanAndSaysWhatItSkipped) {
    TSafeFileList list;
    auto report = list.LoadFromText("no equals\nx.pas=$/P/\n=$/P/\nbad\x01.pas=$/P/\n\ny.pas=P/\n"
                                    "also none\r\n\0=\xff\n"s);
    EXPECT_EQ(report.Loaded, 1);
    EXPECT_EQ(report.Skipped, 6);
    EXPECT_THAT(report.Problems,
                ElementsAre("2 lines without \"=\" skipped (first: line 1)", "1 line without a file name skipped (first: line 3)",
                            "2 lines with control characters skipped (first: line 4)",
                            "1 line whose project does not start with \"$\" skipped (first: line 6)"));
    EXPECT_EQ(list.Text(), "x.pas=$/P/\r\n");

    report = list.LoadFromText("");
    EXPECT_EQ(report.Loaded + report.Skipped, 0);
    EXPECT_EQ(list.Count(), 0u);
}

class SafeBuilders : public ::testing::Test {
protected:
    SafeInstallation inst;
};

// Both builders give the same list: names with blanks stay whole, a name in
// two projects gives two adjacent lines, deleted items are left out, and
// the listing's blank and summary lines are no files.
TEST_F(SafeBuilders, TheDatabaseWalkAndTheClientListingGiveOneList) {
    inst.Write("two/One/a.pas", "x");
    inst.Write("two/Two/a.pas", "y");
    inst.Write("two/Two/gone.pas", "z");
    inst.Import(inst.Path("two"), "$/Top");
    auto session = inst.Session();
    session->SetDeleted(session->Find("$/Top/Two/gone.pas", false), true);

    ComPtr<vss::IVSSDatabase> db = vss::CoVSSDatabase::Create();
    db->Open(inst.Database, "Ann", "annpw");
    TSafeFileList walked;
    BuildFileList(*db, walked);
    const std::string p = inst.ProjectSpec + "/";
    EXPECT_EQ(walked.Text(), "a.pas=" + p + "\r\na.pas=$/Top/One/\r\na.pas=$/Top/Two/\r\nb.pas=" + p +
                                 "\r\nc d.pas=" + p + "\r\nP.dpr=" + p + "\r\n");

    const std::string listing = vss::FormatDirListing(db->ListProjects("$/", true));
    ASSERT_NE(listing.find(" item(s)"), std::string::npos);
    TSafeFileList listed;
    BuildFileListFromDirListing(listing, listed);
    EXPECT_EQ(listed.Text(), walked.Text());

    // Saved through a temporary file: nothing else is left in the folder.
    const std::string file = inst.Path("lists/filelist.vss");
    std::filesystem::create_directories(inst.Path("lists"));
    walked.SaveToFile(file);
    EXPECT_EQ(ReadWholeFile(file), walked.Text());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(inst.Path("lists")), {}), 1);
}

#include <gtest/gtest.h>

#include "foundation/SysUtils.h"
#include "platform/ide/ProjectFile.h"

namespace velt {
namespace {

TEST(ProjectFile, UnitsAreTheEntriesWithAPathPastCommentsAndDirectives) {
    const std::string text =
        "{ uses Fake in 'fake.pas'; }\r\nprogram P; // uses Nope\r\n{$R *.RES}\r\nuses Forms, (* x *)\r\n"
        "  Unit1 in 'Unit1.pas' {Form1},\r\n  Odd in 'sub\\it''s.pas';\r\nbegin\r\nend.\r\n";
    const TProjectSource source = ParseProjectSource(text, "P.dpr");
    ASSERT_EQ(source.Entries.size(), 3u);
    EXPECT_EQ(source.Entries[0].Name, "Forms");
    EXPECT_EQ(source.Entries[0].Path, "");
    EXPECT_EQ(source.Entries[2].Path, "sub\\it's.pas");
    const std::vector<std::string> units = ProjectUnitPaths(source, "/p/P.dpr");
    EXPECT_EQ(units, (std::vector<std::string>{"/p/Unit1.pas", "/p/sub/it's.pas"}));

    // Removing the first entry keeps the rest; CR LF stays.
    EXPECT_EQ(RemoveProjectEntry(text, source, 0),
              "{ uses Fake in 'fake.pas'; }\r\nprogram P; // uses Nope\r\n{$R *.RES}\r\nuses "
              "Unit1 in 'Unit1.pas' {Form1},\r\n  Odd in 'sub\\it''s.pas';\r\nbegin\r\nend.\r\n");
    EXPECT_EQ(AddProjectEntry(text, source, "Q", "q'.pas").substr(text.find("s.pas'") + 6, 22),
              ",\r\n  Q in 'q''.pas';\r\n");
}

TEST(ProjectFile, AClauseIsMadeForTheFirstUnitAndGoesWithTheLast) {
    const std::string bare = "program P;\nbegin\nend.\n";
    const std::string added = AddProjectEntry(bare, ParseProjectSource(bare, "P.dpr"), "U", "U.pas");
    EXPECT_EQ(added, "program P;\n\nuses\n  U in 'U.pas';\nbegin\nend.\n");
    EXPECT_EQ(RemoveProjectEntry(added, ParseProjectSource(added, "P.dpr"), 0), bare);
}

TEST(ProjectFile, MalformedProjectsRaiseAClearError) {
    for (const char* text : {"unit U;", "program P", "program P; uses A in ;", "program P; uses A, B"}) {
        try {
            ParseProjectSource(text, "bad.dpr");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Project file bad.dpr: ", 0), 0u) << e.what();
        }
    }
}

}  // namespace
}  // namespace velt

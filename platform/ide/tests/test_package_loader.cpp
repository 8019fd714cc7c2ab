#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/ide/MemoryHost.h"
#include "platform/ide/PackageLoader.h"
#include "platform/ide/tests/HostTestSupport.h"

namespace velt {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string LoadFailure(TPackageLoader& loader, const std::string& file) {
    try {
        loader.Load(file);
    } catch (const Exception& e) {
        return e.what();
    }
    return "loaded";
}

TEST(PackageLoader, PackagesStartInOrderAndShutDownInReverse) {
    test::TLinesSink sink;  // the packages' console lines come here: one core in the process
    MemoryHost host;
    const ComPtr<test::TRecordingNotifier> notifier(new test::TRecordingNotifier);
    {
        TPackageLoader loader(host);
        loader.Load(TEST_PACKAGE_A);
        loader.Load(TEST_PACKAGE_B);
        EXPECT_THAT(loader.Loaded(), ElementsAre(TEST_PACKAGE_A, TEST_PACKAGE_B));
        EXPECT_THAT(sink.Lines, ElementsAre("A: startup", "A: register", "B: startup", "B: register"));
        // Registering an expert asks its slot questions in order.
        ASSERT_EQ(host.Experts().size(), 2u);
        EXPECT_THAT(std::vector<std::string>(host.Log.begin(), host.Log.begin() + 9),
                    ElementsAre("Expert.GetName=Test A", "Expert.GetAuthor=tests",
                                "Expert.GetComment=a package for the host's tests", "Expert.GetPage=Projects",
                                "Expert.GetGlyph=0", "Expert.GetStyle=3", "Expert.GetState=1",
                                "Expert.GetIDString=Tests.A", "Expert.GetMenuText=A"));

        // Both menus stand before Help; each package's hidden items work.
        EXPECT_EQ(host.GetMainMenu()->FindMenuItem("HelpMenu")->GetIndex(), 5);
        EXPECT_EQ(host.GetMainMenu()->FindMenuItem("TestBMenu")->GetIndex(), 4);
        host.OpenBuffer("U.pas", "end.");
        EXPECT_TRUE(host.PressShortCut(0x4000 | 0x2000 | 'M'));  // B's Mark
        EXPECT_TRUE(host.PressShortCut(0x4000 | 'D'));           // A's Dup
        EXPECT_EQ(host.Text("U.pas"), "// DupA\r\n// MarkB\r\nend.");
        EXPECT_EQ(host.UndoCount("U.pas"), 2);
        sink.Lines.clear();
        host.CloseFile("U.pas");
        EXPECT_THAT(sink.Lines, ElementsAre("A: event 2 U.pas", "B: event 2 U.pas"));
        sink.Lines.clear();
    }
    EXPECT_THAT(sink.Lines,
                ElementsAre("B: shutdown", "B: expert released", "A: shutdown", "A: expert released"));
    EXPECT_EQ(host.GetMainMenu()->FindMenuItem("TestAMenu"), nullptr);
    EXPECT_EQ(host.NotifierCount(), 0u);
    EXPECT_TRUE(host.Experts().empty());
    EXPECT_FALSE(host.PressShortCut(0x4000 | 'D'));
}

TEST(PackageLoader, AFailingPackageIsReportedAndShutDown) {
    test::TLinesSink sink;
    MemoryHost host;
    TPackageLoader loader(host);
    EXPECT_THAT(LoadFailure(loader, "/no/such/package.so"), HasSubstr("Cannot load package /no/such/package.so"));
    EXPECT_THAT(LoadFailure(loader, VELT_CORE_LIBRARY), HasSubstr("has no entry point VeltPackageRegister"));
    EXPECT_THAT(LoadFailure(loader, TEST_PACKAGE_BAD), HasSubstr("VeltPackageRegister failed with code 3"));
    EXPECT_THAT(sink.Lines, ElementsAre("Bad: startup", "Bad: register", "Bad: shutdown", "Bad: expert released"));
    sink.Lines.clear();
    EXPECT_THAT(LoadFailure(loader, TEST_PACKAGE_THROW), HasSubstr("VeltPackageRegister failed: register failed"));
    EXPECT_THAT(sink.Lines, ElementsAre("Throw: startup", "Throw: register", "Throw: shutdown",
                                        "Throw: expert released"));
    EXPECT_TRUE(loader.Loaded().empty());
    sink.Lines.clear();
    loader.UnloadAll();
    EXPECT_TRUE(sink.Lines.empty());  // shut down once only
}

}  // namespace
}  // namespace velt

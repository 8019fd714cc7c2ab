#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/Classes.h"
#include "graphics/Options.h"

using namespace velt;
using Options::TOptionsStore;
namespace fs = std::filesystem;

namespace {

class OptionsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("velt_options_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name = "app.INI") const { return (dir_ / name).string(); }
    void Write(const std::string& text, const std::string& name = "app.INI") const {
        AtomicWriteFile(Path(name), text.data(), text.size());
    }
    std::string Read(const std::string& name = "app.INI") const { return ReadWholeFile(Path(name)); }
    ino_t Inode(const std::string& name = "app.INI") const {
        struct stat st {};
        ::stat(Path(name).c_str(), &st);
        return st.st_ino;
    }
    fs::path dir_;
};

}  // namespace

TEST_F(OptionsFile, EachStoreSavesOnlyItsOwnChangesOverTheFileAsItIsNow) {
    Write("[Palette]\r\nC20=255\r\n");
    TOptionsStore a(Path()), b(Path());
    b.WriteValue("Palette", "C40", int32_t(7));
    a.WriteValue("Palette", "C16", int32_t(9));
    EXPECT_EQ(Read(), "[Palette]\r\nC20=255\r\nC40=7\r\nC16=9\r\n");
    EXPECT_EQ(a.ReadValue("Palette", "C40"), "7");  // a now holds the file as saved

    // The user's edit while both run, and a section another store erased.
    Write("[Palette]\r\nC20=1\r\nC40=7\r\nC16=9\r\n[Old]\r\nK=v\r\n");
    b.EraseSection("Old");
    a.WriteValue("Palette", "C16", int32_t(10));
    EXPECT_EQ(Read(), "[Palette]\r\nC20=1\r\nC40=7\r\nC16=10\r\n");

    // A change that changes nothing in the file leaves it as it is.
    const ino_t before = Inode();
    b.WriteValue("Palette", "C20", int32_t(1));
    EXPECT_EQ(Inode(), before);
    // A missing key of a present section reads as the default.
    EXPECT_EQ(a.ReadValueDef("Palette", "C17", 5), "5");
    EXPECT_EQ(a.ReadValue("Palette", "C17"), "");
}

TEST_F(OptionsFile, KeysWithBlanksAroundTheEqualsSignAreFoundAndOtherLinesStayAsWritten) {
    Write("[S]\r\n A = 1 \r\n\tB\t=\t2\r\n; note = kept\r\n");
    TOptionsStore a(Path());
    EXPECT_EQ(a.ReadValue("S", "A"), "1");
    EXPECT_EQ(a.ReadValueDef("S", "b", 9), "2");
    TStringList keys;
    a.ReadSection("S", keys);
    EXPECT_EQ(keys.Strings(), (std::vector<std::string>{"A", "B"}));
    a.WriteValue("S", "B", "3");
    EXPECT_EQ(a.ReadValue("S", "B"), "3");
    EXPECT_EQ(Read(), "[S]\r\n A = 1 \r\nB=3\r\n; note = kept\r\n");
}

TEST_F(OptionsFile, ChangesHeldBackAreSavedTogetherAndKeptWhenTheSaveFails) {
    TOptionsStore a(Path());
    a.BeginUpdate();
    a.WriteValue("S", "A", "1");
    a.WriteValue("S", "B", "2");
    EXPECT_FALSE(fs::exists(Path()));
    fs::create_directory(Path());  // the file's name taken by a folder: it cannot be read
    EXPECT_THROW(a.EndUpdate(), Exception);
    EXPECT_TRUE(a.Modified());
    fs::remove(Path());
    a.UpdateFile();
    EXPECT_FALSE(a.Modified());
    EXPECT_EQ(Read(), "[S]\r\nA=1\r\nB=2\r\n");
}

TEST_F(OptionsFile, ALinkedFileStaysALinkAndItsTargetTakesTheSave) {
    fs::create_directories(dir_ / "real");
    Write("[S]\r\nOld=1\r\n", "real/app.INI");
    fs::create_symlink("real/app.INI", Path());
    TOptionsStore a(Path());
    a.WriteValue("S", "New", "2");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Path())));
    EXPECT_EQ(Read("real/app.INI"), "[S]\r\nOld=1\r\nNew=2\r\n");
}

TEST_F(OptionsFile, ProcessesSavingAtOnceLoseNoKey) {
    constexpr int kProcesses = 4, kKeys = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int rc = 0;
            try {
                TOptionsStore store(Path());  // each with the copy it read at its start
                for (int k = 0; k < kKeys; ++k)
                    store.WriteValue("S", "P" + std::to_string(p) + "K" + std::to_string(k), int32_t(k));
            } catch (...) {
                rc = 1;
            }
            ::_exit(rc);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TOptionsStore check(Path());
    TStringList keys;
    check.ReadSection("S", keys);
    EXPECT_EQ(keys.Count(), kProcesses * kKeys);
}

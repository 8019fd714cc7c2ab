// Atomic saves through symbolic links, and the lock of shared files.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/registry/AtomicFile.h"
#include "platform/registry/tests/RegTestDir.h"

using namespace velt;
namespace fs = std::filesystem;

namespace {

class AtomicFile : public winreg::regtest::RegistryDirTest {
protected:
    TAtomicWriteResult Write(const std::string& name, const std::string& text) {
        return WriteFileAtomically(dir_ + name, text.data(), text.size());
    }
    bool IsLink(const std::string& name) { return fs::is_symlink(fs::symlink_status(dir_ + name)); }
    std::string Text(const std::string& name) { return winreg::regtest::ReadFileText(dir_ + name); }
};

}  // namespace

TEST_F(AtomicFile, ASaveThroughLinksReplacesTheFileTheyLeadTo) {
    fs::create_directories(dir_ + "real");
    fs::create_directories(dir_ + "links");
    ASSERT_EQ(Write("real/app.INI", "old"), TAtomicWriteResult::Ok);
    ASSERT_EQ(::chmod((dir_ + "real/app.INI").c_str(), 0600), 0);
    fs::create_symlink("../real/app.INI", dir_ + "links/first");  // relative to the link's folder
    fs::create_symlink(dir_ + "links/first", dir_ + "links/app.INI");

    ASSERT_EQ(Write("links/app.INI", "new"), TAtomicWriteResult::Ok);
    EXPECT_TRUE(IsLink("links/app.INI"));
    EXPECT_TRUE(IsLink("links/first"));
    EXPECT_EQ(Text("real/app.INI"), "new");
    struct stat st;
    ASSERT_EQ(::stat((dir_ + "real/app.INI").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ + "links"), fs::directory_iterator()), 2);  // no stray file

    // A link to a file not yet there creates it; a loop writes nothing.
    fs::create_symlink("../real/fresh.INI", dir_ + "links/fresh.INI");
    ASSERT_EQ(Write("links/fresh.INI", "made"), TAtomicWriteResult::Ok);
    EXPECT_TRUE(IsLink("links/fresh.INI"));
    EXPECT_EQ(Text("real/fresh.INI"), "made");
    fs::create_symlink("b", dir_ + "links/a");
    fs::create_symlink("a", dir_ + "links/b");
    EXPECT_EQ(Write("links/a", "x"), TAtomicWriteResult::CannotCreate);
    EXPECT_TRUE(IsLink("links/a"));
    EXPECT_EQ(ResolveFileLinks(dir_ + "links/a"), "");
}

TEST_F(AtomicFile, TheLockOfALinkedFileIsTheLockOfItsTarget) {
    ASSERT_EQ(Write("app.INI", ""), TAtomicWriteResult::Ok);
    fs::create_symlink("app.INI", dir_ + "link.INI");
    TFileLock lock(dir_ + "link.INI");
    ASSERT_TRUE(lock.Locked());
    EXPECT_EQ(lock.LockFileName(), dir_ + "app.INI.lock");
    // Another open of the lock file, as another process has, must wait.
    const int other = ::open((dir_ + "app.INI.lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(errno, EWOULDBLOCK);
    ::close(other);
    EXPECT_FALSE(TFileLock(dir_ + "missing/app.INI").Locked());
}

TEST_F(AtomicFile, AFileMadeReadOnlyIsNotReplaced) {
    ASSERT_EQ(Write("ro.INI", "kept"), TAtomicWriteResult::Ok);
    ASSERT_EQ(::chmod((dir_ + "ro.INI").c_str(), 0444), 0);
    // A process that may write such a file anyway (root) cannot see the refusal.
    if (::faccessat(AT_FDCWD, (dir_ + "ro.INI").c_str(), W_OK, AT_EACCESS) == 0)
        GTEST_SKIP() << "this process may write read-only files (it runs as root)";
    EXPECT_EQ(Write("ro.INI", "new"), TAtomicWriteResult::CannotCreate);
    EXPECT_EQ(Text("ro.INI"), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);  // no stray file
}

#include "platform/registry/AtomicFile.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velt {

namespace {

// Gives the temporary file the owner and mode of the file it will replace.
void KeepModeAndOwner(int fd, const std::string& fileName) {
    struct stat old;
    if (::stat(fileName.c_str(), &old) != 0) {
        ::fchmod(fd, 0644);
        return;
    }
    mode_t mode = old.st_mode & 07777;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only a privileged process may give a file away: pass no set-id bits
        // to the new owner, and keep at least the group where allowed.
        mode &= ~mode_t(S_ISUID | S_ISGID);
        [[maybe_unused]] int groupKept = ::fchown(fd, uid_t(-1), old.st_gid);
    }
    ::fchmod(fd, mode);
}

bool WriteAll(int fd, const void* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, static_cast<const char*>(data) + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string ResolveFileLinks(const std::string& fileName) {
    // As the kernel does: at most 40 links on the way.
    std::string path = fileName;
    for (int links = 0; links <= 40; ++links) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(size_t(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || size_t(n) >= target.size()) return std::string();
        target.resize(size_t(n));
        path = target[0] == '/' ? target : FolderOf(path) + target;
    }
    return std::string();
}

TFileLock::TFileLock(const std::string& fileName) { Take(fileName, -1); }

TFileLock::TFileLock(const std::string& fileName, int timeoutMs) { Take(fileName, timeoutMs < 0 ? 0 : timeoutMs); }

void TFileLock::Take(const std::string& fileName, int timeoutMs) {
    const std::string target = ResolveFileLinks(fileName);
    if (target.empty()) {
        error_ = ELOOP;
        return;
    }
    lockName_ = target + ".lock";
    int fd = ::open(lockName_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    while (::flock(fd, timeoutMs < 0 ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e == EINTR) continue;
        if (e == EWOULDBLOCK && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        ::close(fd);
        error_ = e;
        return;
    }
    fd_ = fd;
}

TFileLock::~TFileLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
}

TAtomicWriteResult WriteFileAtomically(const std::string& linkName, const void* data, size_t size) {
    // Renaming over a link would put a plain file in its place.
    const std::string fileName = ResolveFileLinks(linkName);
    if (fileName.empty()) return TAtomicWriteResult::CannotCreate;
    // A file its user made read-only is not replaced behind their back.
    if (::faccessat(AT_FDCWD, fileName.c_str(), F_OK, 0) == 0 &&
        ::faccessat(AT_FDCWD, fileName.c_str(), W_OK, AT_EACCESS) != 0)
        return TAtomicWriteResult::CannotCreate;
    // A unique temporary name: two writers of one file never share it.
    std::string tmp = fileName + ".tmpXXXXXX";
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return TAtomicWriteResult::CannotCreate;
    KeepModeAndOwner(fd, fileName);
    bool written = WriteAll(fd, data, size) && ::fsync(fd) == 0;
    if (::close(fd) != 0) written = false;
    if (!written) {
        ::unlink(tmp.c_str());
        return TAtomicWriteResult::CannotWrite;
    }
    if (::rename(tmp.c_str(), fileName.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return TAtomicWriteResult::CannotCreate;
    }
    // The rename itself survives a crash only once the folder is flushed.
    std::string folder = FolderOf(fileName);
    if (folder.empty()) folder = ".";
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return TAtomicWriteResult::Ok;
}

}  // namespace velt

#include "platform/registry/AtomicFile.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
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

}  // namespace

TAtomicWriteResult WriteFileAtomically(const std::string& fileName, const void* data, size_t size) {
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
    size_t slash = fileName.rfind('/');
    std::string folder = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return TAtomicWriteResult::Ok;
}

}  // namespace velt

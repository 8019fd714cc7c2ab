#pragma once
// Replacing a file so that it is never lost or seen half written: the data
// goes to a temporary file beside it, which is flushed and renamed over it.
// The registry files and every save of the foundation go through here, and
// so does the lock that a store shared between processes takes around its
// read, change and save.

#include <cstddef>
#include <string>

namespace velt {

enum class TAtomicWriteResult { Ok, CannotCreate, CannotWrite };

// Writes size bytes to fileName through a uniquely named temporary file in
// the same folder. The new file keeps the mode of the file it replaces and
// its owner where the process may set it; a new file gets mode 0644. A
// symbolic link stays a link: the file it leads to is the one replaced (or
// created). On failure the temporary file is removed and the old file is
// left as it was; links that loop and a file this process may not write
// (one made read-only) cannot be written (CannotCreate).
TAtomicWriteResult WriteFileAtomically(const std::string& fileName, const void* data, size_t size);

// The file fileName leads to once its symbolic links are followed (a link
// to a missing file leads to that name); fileName itself when it is no
// link. Empty when the links loop or cannot be read.
std::string ResolveFileLinks(const std::string& fileName);

// An exclusive advisory lock (flock) on "<file>.lock" beside the file that
// fileName leads to, held while the object lives. Every process that merges
// its changes into a shared file holds it from the fresh read to the save.
class TFileLock {
public:
    // Waits for the lock; Locked() is false when the lock file cannot be
    // created or locked.
    explicit TFileLock(const std::string& fileName);
    // Waits at most timeoutMs milliseconds (0: one try); Locked() is false
    // when the lock was not taken, Error() says why (EWOULDBLOCK: another
    // holder kept it).
    TFileLock(const std::string& fileName, int timeoutMs);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    bool Locked() const { return fd_ >= 0; }
    // The lock file's name ("" when fileName's links loop).
    const std::string& LockFileName() const { return lockName_; }
    int Error() const { return error_; }

private:
    void Take(const std::string& fileName, int timeoutMs);
    std::string lockName_;
    int fd_ = -1;
    int error_ = 0;
};

}  // namespace velt

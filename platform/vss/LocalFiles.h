#pragma once
// The working copies: reading, atomic writing and the read-only convention.
// A local copy that is read-only is a pristine copy the server may replace; a
// writable one may hold the user's changes.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <sys/types.h>

namespace velt::vss {

struct TLocalState {
    bool Exists = false;
    bool IsFolder = false;
    bool Writable = false;  // the owner may write it
    int64_t Modified = 0;   // seconds since 1970
};

TLocalState LocalState(const std::string& path);

// False when the file cannot be read (or is not a regular file: a pipe or a
// device is never opened for long).
bool TryReadLocalFile(const std::string& path, std::string& data);
// Raises EOleException when the file is missing or cannot be read.
std::string ReadLocalFile(const std::string& path);
// Writes a temporary file beside the target and renames it over it, so the
// old file stays whole until the new one is complete; creates missing
// folders. Read-only unless writable; modified (seconds since 1970) is the
// file's time when not 0. Raises EOleException on failure.
void WriteLocalFile(const std::string& path, const std::string& data, bool writable, int64_t modified);
// The same with exactly these permission bits (not cut by the umask).
void WriteLocalFileWithMode(const std::string& path, const std::string& data, mode_t mode);
// The folder and the missing folders above it.
void MakeLocalFolders(const std::string& folder);
// Takes every write permission away, or gives the owner's back.
void SetLocalWritable(const std::string& path, bool writable);

// Temporary files are hidden and carry their process: ".<name>.vss~<pid>-<n>",
// the name cut so that the whole stays within the file-name limit.
std::string LocalTemporaryName(std::string_view name, long pid, unsigned serial);
// True for such a name; pid is its process.
bool IsLocalTemporaryName(std::string_view name, long* pid = nullptr);

// Changes to local copies that wait for a database transaction. Write puts
// the new bytes into a hidden temporary file at once (synced to disk), so a
// full disk or a size limit fails the operation before it commits; Apply,
// after the commit, renames every file into place and changes the modes, in
// the order given. Whatever was not applied is dropped with the object:
// the local copies stay as they were.
class TLocalChanges {
public:
    TLocalChanges() = default;
    ~TLocalChanges();
    TLocalChanges(const TLocalChanges&) = delete;
    TLocalChanges& operator=(const TLocalChanges&) = delete;

    // mode 0: read-only or writable as asked, from the umask's bits;
    // otherwise exactly those bits.
    void Write(const std::string& path, const std::string& data, bool writable, int64_t modified, mode_t mode = 0);
    void SetWritable(const std::string& path, bool writable);
    // Does every change, then raises the first failure, if any.
    void Apply();

private:
    struct TChange {
        std::string Path;
        std::string Temp;  // empty for a mode change
        bool Writable = false;
    };
    std::vector<TChange> changes_;
    std::unordered_set<std::string> swept_;  // folders cleared of stale temporary files
};

struct TLocalEntry {
    std::string Name;
    bool IsFolder = false;
};
// The regular files and folders of a folder, sorted by name; raises when the
// folder cannot be read. Temporary files are never listed; those of
// processes that are gone are removed on the way.
std::vector<TLocalEntry> ListLocalFolder(const std::string& folder);

// The path made absolute against the process's current folder, normalised.
std::string AbsoluteLocalPath(const std::string& path);

// An exclusive lock on a lock file, held while the object lives (flock: it
// goes with the process, however that ends). The file is made with mode
// when missing and is never removed.
class TFileLock {
public:
    TFileLock(const std::string& path, mode_t mode);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace velt::vss

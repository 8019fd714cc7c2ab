#include "platform/vss/LocalFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/vss/VssError.h"
#include "platform/vss/VssNames.h"
#include "platform/vss/VssStop.h"

namespace velt::vss {

namespace {

std::string Why() { return std::strerror(errno); }

// Closes a descriptor on every path out.
struct TFd {
    int fd = -1;
    ~TFd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

void MakeLocalFolders(const std::string& folder) {
    if (folder.empty() || folder == "." || folder == "/") return;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) RaiseVss(VSS_E_LOCALIO, "\"" + folder + "\" is not a folder");
        return;
    }
    MakeLocalFolders(LocalFolder(folder));
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        RaiseVss(VSS_E_LOCALIO, "Cannot create the folder \"" + folder + "\": " + Why());
}

namespace {

// A new file already carries the write bits the umask allows; an old one
// made writable again gets its owner's.
mode_t WriteBits(mode_t mode, bool writable) { return writable ? mode | S_IWUSR : mode & ~mode_t(0222); }

}  // namespace

TLocalState LocalState(const std::string& path) {
    TLocalState s;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return s;
    s.Exists = true;
    s.IsFolder = S_ISDIR(st.st_mode);
    s.Writable = (st.st_mode & S_IWUSR) != 0;
    s.Modified = int64_t(st.st_mtim.tv_sec);
    return s;
}

bool TryReadLocalFile(const std::string& path, std::string& data) {
    // Not blocking: a pipe in a file's place must not hold the operation.
    TFd f{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (f.fd < 0) return false;
    struct stat st {};
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    data.clear();
    data.reserve(size_t(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(f.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        data.append(buffer, size_t(n));
    }
}

std::string ReadLocalFile(const std::string& path) {
    std::string data;
    if (TryReadLocalFile(path, data)) return data;
    int why = errno;
    TLocalState s = LocalState(path);
    if (!s.Exists) RaiseVss(VSS_E_NOTFOUND, "File \"" + path + "\" not found");
    if (s.IsFolder) RaiseVss(VSS_E_LOCALIO, "\"" + path + "\" is a folder, not a file");
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        RaiseVss(VSS_E_LOCALIO, "\"" + path + "\" is not a regular file");
    RaiseVss(VSS_E_LOCALIO, "Cannot read \"" + path + "\": " + std::strerror(why));
}

namespace {

constexpr size_t kNameMax = 255;  // bytes of one file name (NAME_MAX)
constexpr std::string_view kTempMark = ".vss~";

std::atomic<unsigned> gTempSerial{0};

// Removes the temporary files of processes that are gone from folder.
void SweepTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (dirent* e = ::readdir(dir)) {
        long pid = 0;
        if (!IsLocalTemporaryName(e->d_name, &pid) || pid == long(::getpid())) continue;
        // EPERM: alive, another user's.
        if (pid > 0 && pid <= 0x7fffffff && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), e->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace

std::string LocalTemporaryName(std::string_view name, long pid, unsigned serial) {
    std::string suffix = std::string(kTempMark) + std::to_string(pid) + "-" + std::to_string(serial);
    size_t room = kNameMax - 1 - suffix.size();
    return "." + std::string(name.substr(0, room)) + suffix;
}

bool IsLocalTemporaryName(std::string_view name, long* pid) {
    if (name.size() < 1 + kTempMark.size() + 3 || name[0] != '.') return false;
    size_t mark = name.rfind(kTempMark);
    if (mark == std::string_view::npos || mark == 0) return false;
    std::string_view rest = name.substr(mark + kTempMark.size());
    size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size() || dash > 18) return false;
    long value = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (i == dash) continue;
        if (rest[i] < '0' || rest[i] > '9') return false;
        if (i < dash) value = value * 10 + (rest[i] - '0');
    }
    if (pid) *pid = value;
    return true;
}

TLocalChanges::~TLocalChanges() {
    for (const TChange& c : changes_)
        if (!c.Temp.empty()) ::unlink(c.Temp.c_str());
}

void TLocalChanges::Write(const std::string& path, const std::string& data, bool writable, int64_t modified,
                          mode_t mode) {
    const std::string folder = LocalFolder(path);
    MakeLocalFolders(folder);
    if (swept_.insert(folder).second) SweepTemporaries(folder);
    std::string temp =
        JoinLocal(folder, LocalTemporaryName(LocalName(path), long(::getpid()), gTempSerial.fetch_add(1)));
    TFd f{::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode ? 0600 : 0666)};
    if (f.fd < 0) RaiseVss(VSS_E_LOCALIO, "Cannot write \"" + path + "\": " + Why());
    auto fail = [&](const std::string& why) {
        ::unlink(temp.c_str());
        RaiseVss(VSS_E_LOCALIO, "Cannot write \"" + path + "\": " + why);
    };
    for (size_t done = 0; done < data.size();) {
        ssize_t n = ::write(f.fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(n == 0 ? std::string("nothing written") : Why());
        done += size_t(n);
    }
    struct stat st {};
    if (::fstat(f.fd, &st) != 0) fail(Why());
    if (::fchmod(f.fd, mode ? mode : WriteBits(st.st_mode, writable)) != 0) fail(Why());
    if (modified != 0) {
        struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(modified), 0}};
        if (::futimens(f.fd, times) != 0) fail(Why());
    }
    // On disk before it takes the old file's place.
    while (::fsync(f.fd) != 0)
        if (errno != EINTR) fail(Why());
    if (::close(f.fd) != 0 && errno != EINTR) {
        f.fd = -1;
        fail(Why());
    }
    f.fd = -1;
    changes_.push_back({path, std::move(temp), writable});
}

void TLocalChanges::SetWritable(const std::string& path, bool writable) { changes_.push_back({path, {}, writable}); }

void TLocalChanges::Apply() {
    std::string first;
    std::vector<TChange> changes = std::move(changes_);
    changes_.clear();
    for (const TChange& c : changes) {
        try {
            if (c.Temp.empty()) {
                SetLocalWritable(c.Path, c.Writable);
            } else if (::rename(c.Temp.c_str(), c.Path.c_str()) != 0) {
                std::string why = Why();
                ::unlink(c.Temp.c_str());
                RaiseVss(VSS_E_LOCALIO, "Cannot write \"" + c.Path + "\": " + why);
            }
        } catch (const EOleException& e) {
            if (first.empty()) first = e.Message;
        }
    }
    if (!first.empty()) RaiseVss(VSS_E_LOCALIO, first);
}

void WriteLocalFile(const std::string& path, const std::string& data, bool writable, int64_t modified) {
    TLocalChanges changes;
    changes.Write(path, data, writable, modified);
    changes.Apply();
}

void WriteLocalFileWithMode(const std::string& path, const std::string& data, mode_t mode) {
    TLocalChanges changes;
    changes.Write(path, data, true, 0, mode);
    changes.Apply();
}

void SetLocalWritable(const std::string& path, bool writable) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;
    mode_t mode = WriteBits(st.st_mode, writable);
    if (mode != st.st_mode && ::chmod(path.c_str(), mode & 07777) != 0)
        RaiseVss(VSS_E_LOCALIO, "Cannot change the permissions of \"" + path + "\": " + Why());
}

std::vector<TLocalEntry> ListLocalFolder(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) RaiseVss(VSS_E_NOTFOUND, "Cannot read the folder \"" + folder + "\": " + Why());
    std::vector<TLocalEntry> entries;
    bool swept = false;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (IsLocalTemporaryName(name)) {
            swept = true;
            continue;
        }
        TLocalState s = LocalState(JoinLocal(folder, name));
        if (!s.Exists) continue;
        struct stat st {};
        if (!s.IsFolder && (::stat(JoinLocal(folder, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))) continue;
        entries.push_back({name, s.IsFolder});
    }
    ::closedir(dir);
    if (swept) SweepTemporaries(folder.empty() ? "." : folder);
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    return entries;
}

TFileLock::TFileLock(const std::string& path, mode_t mode) {
    // A new lock file gets exactly mode, whatever the umask.
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd_ >= 0) ::fchmod(fd_, mode);
    else if (errno == EEXIST) fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) RaiseVss(VSS_E_LOCALIO, "Cannot open the lock file \"" + path + "\": " + Why());
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR && !StopRequested()) continue;
        std::string why = Why();
        ::close(fd_);
        CheckStop();
        RaiseVss(VSS_E_LOCALIO, "Cannot lock \"" + path + "\": " + why);
    }
}

TFileLock::~TFileLock() { ::close(fd_); }

std::string AbsoluteLocalPath(const std::string& path) {
    std::string p = NormaliseLocalPath(path);
    if (!p.empty() && p[0] == '/') return p;
    char buffer[4096];
    if (!::getcwd(buffer, sizeof buffer)) RaiseVss(VSS_E_LOCALIO, "Cannot read the current folder: " + Why());
    return p.empty() ? std::string(buffer) : JoinLocal(buffer, p);
}

}  // namespace velt::vss

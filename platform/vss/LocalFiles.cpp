#include "platform/vss/LocalFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/vss/VssError.h"
#include "platform/vss/VssNames.h"

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
    TFd f{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
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
    TLocalState s = LocalState(path);
    if (!s.Exists) RaiseVss(VSS_E_NOTFOUND, "File \"" + path + "\" not found");
    if (s.IsFolder) RaiseVss(VSS_E_LOCALIO, "\"" + path + "\" is a folder, not a file");
    RaiseVss(VSS_E_LOCALIO, "Cannot read \"" + path + "\": " + Why());
}

void WriteLocalFile(const std::string& path, const std::string& data, bool writable, int64_t modified) {
    static std::atomic<unsigned> counter{0};
    MakeLocalFolders(LocalFolder(path));
    std::string temp = path + ".vss~" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    {
        TFd f{::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)};
        if (f.fd < 0) RaiseVss(VSS_E_LOCALIO, "Cannot write \"" + path + "\": " + Why());
        auto fail = [&](const std::string& why) {
            ::unlink(temp.c_str());
            RaiseVss(VSS_E_LOCALIO, "Cannot write \"" + path + "\": " + why);
        };
        for (size_t done = 0; done < data.size();) {
            ssize_t n = ::write(f.fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) fail(Why());
            done += size_t(n);
        }
        struct stat st {};
        if (::fstat(f.fd, &st) != 0 || ::fchmod(f.fd, WriteBits(st.st_mode, writable)) != 0) fail(Why());
        if (modified != 0) {
            struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(modified), 0}};
            if (::futimens(f.fd, times) != 0) fail(Why());
        }
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        std::string why = Why();
        ::unlink(temp.c_str());
        RaiseVss(VSS_E_LOCALIO, "Cannot write \"" + path + "\": " + why);
    }
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
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        TLocalState s = LocalState(JoinLocal(folder, name));
        if (!s.Exists) continue;
        struct stat st {};
        if (!s.IsFolder && (::stat(JoinLocal(folder, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))) continue;
        entries.push_back({name, s.IsFolder});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    return entries;
}

std::string AbsoluteLocalPath(const std::string& path) {
    std::string p = NormaliseLocalPath(path);
    if (!p.empty() && p[0] == '/') return p;
    char buffer[4096];
    if (!::getcwd(buffer, sizeof buffer)) RaiseVss(VSS_E_LOCALIO, "Cannot read the current folder: " + Why());
    return p.empty() ? std::string(buffer) : JoinLocal(buffer, p);
}

}  // namespace velt::vss

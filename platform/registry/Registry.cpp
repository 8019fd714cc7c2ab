#include "platform/registry/Registry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/registry/AtomicFile.h"

namespace velt::winreg {

namespace {

enum class Root { CurrentUser, LocalMachine };

struct OpenKey {
    Root root = Root::CurrentUser;
    std::vector<std::string> path;  // names as stored when the key was opened
    REGSAM access = 0;
};

std::mutex gHandlesMutex;
std::unordered_map<uintptr_t, OpenKey> gHandles;
uintptr_t gNextHandle = 1;

const char* RootFile(Root r) { return r == Root::CurrentUser ? "HKCU.reg" : "HKLM.reg"; }

int32_t LookupHandle(HKEY key, OpenKey& out) {
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        out.root = key == HKEY_CURRENT_USER ? Root::CurrentUser : Root::LocalMachine;
        out.path.clear();
        out.access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> lock(gHandlesMutex);
    auto it = gHandles.find(uintptr_t(key));
    if (it == gHandles.end()) return ERROR_INVALID_HANDLE;
    out = it->second;
    return ERROR_SUCCESS;
}

int32_t LookupHandle(HKEY key, REGSAM needed, OpenKey& out) {
    int32_t st = LookupHandle(key, out);
    if (st == ERROR_SUCCESS && (out.access & needed) != needed) return ERROR_ACCESS_DENIED;
    return st;
}

HKEY NewHandle(OpenKey k) {
    std::lock_guard<std::mutex> lock(gHandlesMutex);
    uintptr_t h = gNextHandle++;
    gHandles.emplace(h, std::move(k));
    return HKEY(h);
}

int32_t SplitSubKey(const char* subKey, size_t baseDepth, std::vector<std::string>& parts) {
    parts.clear();
    if (!subKey || !*subKey) return ERROR_SUCCESS;
    std::string_view s(subKey);
    if (s.back() == '\\') s.remove_suffix(1);
    size_t start = 0;
    for (;;) {
        size_t end = s.find('\\', start);
        std::string_view part = s.substr(start, end == std::string_view::npos ? s.npos : end - start);
        if (part.empty()) return ERROR_BAD_PATHNAME;
        if (part.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
        parts.emplace_back(part);
        if (baseDepth + parts.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
        if (end == std::string_view::npos) return ERROR_SUCCESS;
        start = end + 1;
    }
}

// The key of a handle and the components of a sub key path below it.
int32_t ResolveSubKey(HKEY key, const char* subKey, OpenKey& base, std::vector<std::string>& parts) {
    int32_t st = LookupHandle(key, base);
    return st == ERROR_SUCCESS ? SplitSubKey(subKey, base.path.size(), parts) : st;
}

RegNode* Walk(RegNode& root, const std::vector<std::string>& path) {
    RegNode* n = &root;
    for (const std::string& p : path) {
        n = n->FindSubKey(p);
        if (!n) return nullptr;
    }
    return n;
}

// ---- files ------------------------------------------------------------------

std::string WithSlash(std::string s) {
    if (!s.empty() && s.back() != '/') s += '/';
    return s;
}

int32_t ReadHiveFile(const std::string& file, std::string& out) {
    out.clear();
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ERROR_SUCCESS : ERROR_CANTREAD;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ERROR_CANTREAD;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return ERROR_CANTREAD;
        }
        if (n == 0) break;
        out.append(buf, size_t(n));
    }
    ::close(fd);
    return ERROR_SUCCESS;
}

bool MakeFolders(const std::string& folder) {
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i < folder.size() && folder[i] != '/') continue;
        std::string part = folder.substr(0, i);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAtomically(const std::string& file, const std::string& data) {
    return WriteFileAtomically(file, data.data(), data.size()) == TAtomicWriteResult::Ok;
}

int32_t LoadHive(Root root, RegHive& hive) {
    std::string folder = RegistryFolder();
    if (folder.empty()) return ERROR_CANTREAD;
    std::string text;
    int32_t st = ReadHiveFile(folder + RootFile(root), text);
    if (st != ERROR_SUCCESS) return st;
    hive = ParseRegistryText(text);
    return ERROR_SUCCESS;
}

// Runs change(root node, changed) on the current file contents under the
// exclusive lock and writes the result back when it succeeded and changed
// something. A damaged file is kept as "<file>.bak" before it is replaced, so
// the lines the loader had to skip are not lost.
template <class F>
int32_t ModifyHive(Root root, F&& change) {
    std::string folder = RegistryFolder();
    if (folder.empty() || !MakeFolders(folder)) return ERROR_CANTWRITE;
    std::string file = folder + RootFile(root);
    TFileLock lock(file);
    if (!lock.Locked()) return ERROR_CANTWRITE;
    std::string old;
    int32_t st = ReadHiveFile(file, old);
    if (st == ERROR_SUCCESS) {
        RegHive hive = ParseRegistryText(old);
        bool changed = false;
        st = change(hive.Root, changed);
        if (st == ERROR_SUCCESS && changed) {
            if (hive.ProblemCount && !WriteAtomically(file + ".bak", old))
                st = ERROR_CANTWRITE;
            else if (!WriteAtomically(file, FormatRegistryText(hive.Root)))
                st = ERROR_CANTWRITE;
        }
    }
    return st;
}

}  // namespace

std::string RegistryFolder() {
    const char* dir = std::getenv("VELT_REGISTRY_DIR");
    if (dir && *dir) return WithSlash(dir);
    dir = std::getenv("XDG_CONFIG_HOME");
    if (dir && *dir) return WithSlash(dir) + "velt/";
    dir = std::getenv("HOME");
    if (dir && *dir) return WithSlash(dir) + ".config/velt/";
    struct passwd pw, *found = nullptr;
    char buf[4096];
    if (::getpwuid_r(::getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir &&
        *found->pw_dir)
        return WithSlash(found->pw_dir) + ".config/velt/";
    return "";
}

std::string RegistryFileName(HKEY root) {
    if (root != HKEY_CURRENT_USER && root != HKEY_LOCAL_MACHINE) return "";
    std::string folder = RegistryFolder();
    if (folder.empty()) return "";
    return folder + RootFile(root == HKEY_CURRENT_USER ? Root::CurrentUser : Root::LocalMachine);
}

int32_t RegOpenKeyExA(HKEY key, const char* subKey, uint32_t, REGSAM desired, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = HKEY{};
    OpenKey base;
    std::vector<std::string> parts;
    int32_t st = ResolveSubKey(key, subKey, base, parts);
    if (st != ERROR_SUCCESS) return st;
    RegHive hive;
    if ((st = LoadHive(base.root, hive)) != ERROR_SUCCESS) return st;
    RegNode* n = Walk(hive.Root, base.path);
    if (!n) return ERROR_KEY_DELETED;
    OpenKey k{base.root, base.path, desired};
    for (const std::string& p : parts) {
        auto it = n->SubKeys.find(p);
        if (it == n->SubKeys.end()) return ERROR_FILE_NOT_FOUND;
        k.path.push_back(it->first);
        n = it->second.get();
    }
    *result = NewHandle(std::move(k));
    return ERROR_SUCCESS;
}

int32_t RegCreateKeyExA(HKEY key, const char* subKey, uint32_t, char*, uint32_t options,
                        REGSAM desired, const void*, HKEY* result, uint32_t* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = HKEY{};
    if (options & REG_OPTION_VOLATILE) return ERROR_INVALID_PARAMETER;
    OpenKey base;
    std::vector<std::string> parts;
    int32_t st = ResolveSubKey(key, subKey, base, parts);
    if (st != ERROR_SUCCESS) return st;
    OpenKey k{base.root, base.path, desired};
    bool createdAny = false;
    st = ModifyHive(base.root, [&](RegNode& root, bool& changed) {
        RegNode* n = Walk(root, base.path);
        if (!n) return ERROR_KEY_DELETED;
        for (const std::string& p : parts) {
            auto it = n->SubKeys.find(p);
            if (it != n->SubKeys.end()) {
                k.path.push_back(it->first);
                n = it->second.get();
                continue;
            }
            if (!createdAny && !(base.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
            createdAny = changed = true;
            k.path.push_back(p);
            n = &n->AddSubKey(p);
        }
        return ERROR_SUCCESS;
    });
    if (st != ERROR_SUCCESS) return st;
    if (disposition) *disposition = createdAny ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(std::move(k));
    return ERROR_SUCCESS;
}

int32_t RegCloseKey(HKEY key) {
    if (uintptr_t(key) >= uintptr_t(HKEY_CLASSES_ROOT) && uintptr_t(key) <= uintptr_t(HKEY_DYN_DATA))
        return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(gHandlesMutex);
    return gHandles.erase(uintptr_t(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

int32_t RegSetValueExA(HKEY key, const char* valueName, uint32_t, uint32_t type, const uint8_t* data,
                       uint32_t size) {
    if (size && !data) return ERROR_INVALID_PARAMETER;
    std::string name = valueName ? valueName : "";
    if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
    OpenKey k;
    int32_t st = LookupHandle(key, KEY_SET_VALUE, k);
    if (st != ERROR_SUCCESS) return st;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    return ModifyHive(k.root, [&](RegNode& root, bool& changed) {
        RegNode* n = Walk(root, k.path);
        if (!n) return ERROR_KEY_DELETED;
        auto it = n->Values.find(name);
        if (it == n->Values.end()) {
            n->Values.emplace(name, RegValue{type, bytes});
            changed = true;
        } else if (it->second.Type != type || it->second.Data != bytes) {
            it->second = RegValue{type, bytes};
            changed = true;
        }
        return ERROR_SUCCESS;
    });
}

int32_t RegQueryValueExA(HKEY key, const char* valueName, uint32_t*, uint32_t* type, uint8_t* data,
                         uint32_t* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    OpenKey k;
    int32_t st = LookupHandle(key, KEY_QUERY_VALUE, k);
    if (st != ERROR_SUCCESS) return st;
    RegHive hive;
    if ((st = LoadHive(k.root, hive)) != ERROR_SUCCESS) return st;
    RegNode* n = Walk(hive.Root, k.path);
    if (!n) return ERROR_KEY_DELETED;
    auto it = n->Values.find(std::string_view(valueName ? valueName : ""));
    if (it == n->Values.end()) return ERROR_FILE_NOT_FOUND;
    const RegValue& v = it->second;
    if (type) *type = v.Type;
    if (!size) return ERROR_SUCCESS;
    uint32_t needed = uint32_t(v.Data.size());
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data && needed) std::memcpy(data, v.Data.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

int32_t RegDeleteValueA(HKEY key, const char* valueName) {
    OpenKey k;
    int32_t st = LookupHandle(key, KEY_SET_VALUE, k);
    if (st != ERROR_SUCCESS) return st;
    std::string name = valueName ? valueName : "";
    return ModifyHive(k.root, [&](RegNode& root, bool& changed) {
        RegNode* n = Walk(root, k.path);
        if (!n) return ERROR_KEY_DELETED;
        if (!n->Values.erase(name)) return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    });
}

int32_t RegDeleteKeyA(HKEY key, const char* subKey) {
    if (!subKey || !*subKey) return ERROR_INVALID_PARAMETER;
    OpenKey k;
    std::vector<std::string> parts;
    int32_t st = ResolveSubKey(key, subKey, k, parts);
    if (st != ERROR_SUCCESS) return st;
    std::string last = parts.back();
    parts.pop_back();
    return ModifyHive(k.root, [&](RegNode& root, bool& changed) {
        RegNode* n = Walk(root, k.path);
        if (!n) return ERROR_KEY_DELETED;
        n = Walk(*n, parts);
        if (!n) return ERROR_FILE_NOT_FOUND;
        auto it = n->SubKeys.find(last);
        if (it == n->SubKeys.end()) return ERROR_FILE_NOT_FOUND;
        if (!it->second->SubKeys.empty()) return ERROR_ACCESS_DENIED;
        n->SubKeys.erase(it);
        changed = true;
        return ERROR_SUCCESS;
    });
}

int32_t RegEnumKeyExA(HKEY key, uint32_t index, char* name, uint32_t* nameSize, uint32_t*,
                      char* className, uint32_t* classSize, FILETIME* lastWriteTime) {
    if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
    OpenKey k;
    int32_t st = LookupHandle(key, KEY_ENUMERATE_SUB_KEYS, k);
    if (st != ERROR_SUCCESS) return st;
    RegHive hive;
    if ((st = LoadHive(k.root, hive)) != ERROR_SUCCESS) return st;
    RegNode* n = Walk(hive.Root, k.path);
    if (!n) return ERROR_KEY_DELETED;
    if (index >= n->SubKeys.size()) return ERROR_NO_MORE_ITEMS;
    auto it = std::next(n->SubKeys.begin(), index);
    const std::string& found = it->first;
    if (found.size() + 1 > *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = uint32_t(found.size());
    if (className && classSize && *classSize) className[0] = '\0';
    if (classSize) *classSize = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{};
    return ERROR_SUCCESS;
}

}  // namespace velt::winreg

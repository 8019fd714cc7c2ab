#include "foundation/RootDir.h"

#include <cstdlib>

#include "foundation/SysUtils.h"

namespace velt {

namespace {

bool IsSep(char c) { return c == '/' || c == '\\'; }

std::string StripTrailingSeps(std::string s) {
    while (s.size() > 1 && IsSep(s.back())) s.pop_back();
    return s;
}

// The rest of path after prefix when path is prefix or lies below it
// (separators of either kind, letters ignoring case); npos otherwise.
size_t Below(std::string_view path, std::string_view prefix) {
    size_t i = 0, j = 0;
    while (j < prefix.size()) {
        if (i >= path.size()) return std::string_view::npos;
        const char a = path[i], b = prefix[j];
        if (IsSep(b)) {
            if (!IsSep(a)) return std::string_view::npos;
        } else if (UpCaseChar(a) != UpCaseChar(b)) {
            return std::string_view::npos;
        }
        ++i;
        ++j;
    }
    if (i < path.size() && !IsSep(path[i])) return std::string_view::npos;
    return i;
}

struct Mapping {
    const char* from;
    const char* to;  // below RootDir; empty for RootDir itself
};

constexpr Mapping kMappings[] = {
    {"h:\\varno\\rvelt", ""},
    {"d:\\vss", "vss"},
};

}  // namespace

std::string RootDirFrom(const char* envValue, std::string_view programFolder) {
    if (envValue && *envValue) return StripTrailingSeps(envValue);
    std::string folder = StripTrailingSeps(std::string(programFolder));
    if (folder.empty()) return ".";
    if (SameText(ExtractFileName(folder), "bin")) {
        std::string parent = StripTrailingSeps(ExtractFilePath(folder));
        if (!parent.empty()) return parent;
    }
    return folder;
}

std::string RootDir() { return RootDirFrom(std::getenv("VELT_ROOTDIR"), ProgramFolder()); }

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    std::string s(folder);
    if (!IsSep(s.back())) s += '/';
    return s + std::string(name);
}

std::string MapSystemPath(std::string_view path, std::string_view root) {
    for (const Mapping& m : kMappings) {
        const size_t rest = Below(path, m.from);
        if (rest == std::string_view::npos) continue;
        std::string out = StripTrailingSeps(std::string(root));
        if (*m.to) out = JoinPath(out, m.to);
        std::string tail(path.substr(rest));
        for (char& c : tail)
            if (c == '\\') c = '/';
        // One separator between the folder and the rest.
        size_t skip = 0;
        while (skip < tail.size() && tail[skip] == '/') ++skip;
        if (skip < tail.size()) out = JoinPath(out, std::string_view(tail).substr(skip));
        else if (skip > 0 && out.back() != '/') out += '/';
        return out;
    }
    return std::string(path);
}

std::string MapSystemPath(std::string_view path) {
    // RootDir is only worked out when a fixed path is met.
    for (const Mapping& m : kMappings)
        if (Below(path, m.from) != std::string_view::npos) return MapSystemPath(path, RootDir());
    return std::string(path);
}

}  // namespace velt

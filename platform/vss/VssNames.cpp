#include "platform/vss/VssNames.h"

#include "platform/vss/VssError.h"

namespace velt::vss {

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Backslashes read as "/", runs of "/" become one.
std::string Slashes(std::string_view text) {
    std::string r;
    r.reserve(text.size());
    for (char c : text) {
        if (c == '\\') c = '/';
        if (c == '/' && !r.empty() && r.back() == '/') continue;
        r += c;
    }
    return r;
}

}  // namespace

std::string FoldName(std::string_view name) {
    std::string r(name);
    for (char& c : r) c = Fold(c);
    return r;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    // Greedy walk that backtracks to the last "*" only: linear in practice,
    // never exponential.
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

std::string NormaliseSpec(std::string_view spec) {
    if (spec.empty() || spec[0] != '$')
        RaiseVss(VSS_E_BADNAME, "\"" + std::string(spec) + "\" is not a valid SourceSafe spec");
    std::string r = Slashes(spec.substr(1));
    if (r.empty() || r[0] != '/') r.insert(r.begin(), '/');
    if (r.size() > 1 && r.back() == '/') r.pop_back();
    return "$" + r;
}

std::string AbsoluteSpec(std::string_view spec, std::string_view currentProject) {
    if (!spec.empty() && spec[0] == '$') return NormaliseSpec(spec);
    return NormaliseSpec(JoinSpec(currentProject.empty() ? "$/" : currentProject, spec));
}

std::vector<std::string> SpecComponents(std::string_view spec) {
    std::vector<std::string> parts;
    size_t i = 2;  // after "$/"
    while (i < spec.size()) {
        size_t j = spec.find('/', i);
        if (j == std::string_view::npos) j = spec.size();
        if (j > i) parts.emplace_back(spec.substr(i, j - i));
        i = j + 1;
    }
    return parts;
}

std::string JoinSpec(std::string_view parent, std::string_view name) {
    std::string r(parent);
    while (!r.empty() && (r.back() == '/' || r.back() == '\\')) r.pop_back();
    size_t skip = 0;
    while (skip < name.size() && (name[skip] == '/' || name[skip] == '\\')) ++skip;
    return r + "/" + std::string(name.substr(skip));
}

std::pair<std::string, std::string> SplitSpec(std::string_view spec) {
    size_t slash = spec.rfind('/');
    if (slash == std::string_view::npos || spec.size() <= 2) return {"$/", ""};
    std::string parent(spec.substr(0, slash));
    if (parent == "$") parent = "$/";
    return {parent, std::string(spec.substr(slash + 1))};
}

std::string InvalidNameReason(std::string_view name) {
    if (name.empty()) return "an empty name";
    if (name == "." || name == "..") return "\"" + std::string(name) + "\" is not a valid name";
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return "a name may not hold control characters";
        if (std::string_view("/\\:*?\"<>|").find(char(c)) != std::string_view::npos)
            return "\"" + std::string(name) + "\" holds one of / \\ : * ? \" < > |";
    }
    if (name[0] == '$') return "\"" + std::string(name) + "\" starts with $";
    if (name.front() == ' ' || name.back() == ' ') return "\"" + std::string(name) + "\" starts or ends with a blank";
    return {};
}

void CheckName(std::string_view name) {
    std::string why = InvalidNameReason(name);
    if (!why.empty()) RaiseVss(VSS_E_BADNAME, "Not a valid SourceSafe name: " + why);
}

std::string NormaliseLocalPath(std::string_view path) { return Slashes(path); }

std::string JoinLocal(std::string_view folder, std::string_view name) {
    if (folder.empty()) return NormaliseLocalPath(name);
    return NormaliseLocalPath(std::string(folder) + "/" + std::string(name));
}

std::string LocalName(std::string_view path) {
    std::string p = NormaliseLocalPath(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string LocalFolder(std::string_view path) {
    std::string p = NormaliseLocalPath(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : p.substr(0, slash);
}

}  // namespace velt::vss

#include "sourcesafe/SafeFiles.h"

#include <algorithm>
#include <filesystem>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "platform/vss/VssAutomation.h"

namespace velt {

namespace {

bool IsDelimiter(char c) { return c == '/' || c == '\\' || c == ':'; }
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

size_t LastDelimiter(std::string_view s) {
    for (size_t i = s.size(); i > 0; --i)
        if (IsDelimiter(s[i - 1])) return i - 1;
    return std::string_view::npos;
}

// "\" read as "/" and runs of separators collapsed into one.
std::string SlashesCollapsed(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s) {
        if (IsSeparator(c)) {
            if (!r.empty() && r.back() == '/') continue;
            c = '/';
        }
        r += c;
    }
    return r;
}

std::string ProjectKey(std::string_view spec) {
    std::string s = LowerCase(SlashesCollapsed(spec));
    while (!s.empty() && s.back() == '/') s.pop_back();
    return s;
}

bool HasControlBytes(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// The project item path of a listing block, with its trailing "/".
std::string WithSlash(std::string spec) {
    if (spec.empty() || spec.back() != '/') spec += '/';
    return spec;
}

}  // namespace

std::string FileNameToSafeSource(std::string_view path) {
    if (path.empty()) return {};
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        return SlashesCollapsed("$/" + std::string(1, path[0]) + "/" + std::string(path.substr(2)));
    std::string local = SlashesCollapsed(path);
    const bool folder = local.back() == '/';
    std::string full = std::filesystem::absolute(local).lexically_normal().generic_string();
    if (folder && full.back() != '/') full += '/';
    return "$" + SlashesCollapsed(full);
}

std::string SafeFolder(std::string_view spec) {
    const size_t at = LastDelimiter(spec);
    return at == std::string_view::npos ? std::string() : std::string(spec.substr(0, at + 1));
}

std::string SafeName(std::string_view spec) {
    const size_t at = LastDelimiter(spec);
    return std::string(at == std::string_view::npos ? spec : spec.substr(at + 1));
}

std::string JoinSafe(std::string_view folder, std::string_view name) {
    while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
    while (!name.empty() && IsSeparator(name.front())) name.remove_prefix(1);
    if (folder.empty()) return std::string(name);
    return std::string(folder) + "/" + std::string(name);
}

bool SameSafeProject(std::string_view a, std::string_view b) { return ProjectKey(a) == ProjectKey(b); }

std::string ArgumentsText(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& a : args) {
        if (!text.empty()) text += ' ';
        if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) {
            text += a;
            continue;
        }
        text += '"';
        for (char c : a) text += c == '"' ? std::string("\"\"") : std::string(1, c);
        text += '"';
    }
    return text;
}

// ---- the file list ------------------------------------------------------------------

void TSafeFileList::Add(std::string name, std::string project) {
    std::string key = LowerCase(name + "=" + project);
    entries_.push_back({std::move(name), std::move(project), std::move(key)});
}

void TSafeFileList::Sort() {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Key < b.Key; });
}

namespace {

TSafeFileList::TLoadReport TooLarge() {
    TSafeFileList::TLoadReport report;
    report.Problems.push_back("it is larger than " + IntToStr(int64_t(TSafeFileList::MaxFileSize >> 20)) +
                              " MB and cannot be a file list");
    return report;
}

}  // namespace

TSafeFileList::TLoadReport TSafeFileList::LoadFromText(std::string_view text) {
    Clear();
    if (text.size() > MaxFileSize) return TooLarge();
    TLoadReport report;
    struct TDamage {
        const char* What;
        int Count = 0;
        int First = 0;
    };
    TDamage damage[] = {{"without \"=\""}, {"without a file name"}, {"with control characters"},
                        {"whose project does not start with \"$\""}};
    const std::vector<std::string> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) continue;
        const size_t eq = line.find('=');
        int kind = -1;
        if (eq == std::string::npos)
            kind = 0;
        else if (eq == 0)
            kind = 1;
        else if (HasControlBytes(line))
            kind = 2;
        else if (line.size() == eq + 1 || line[eq + 1] != '$')
            kind = 3;
        if (kind < 0) {
            Add(line.substr(0, eq), line.substr(eq + 1));
            continue;
        }
        if (damage[kind].Count++ == 0) damage[kind].First = int(i + 1);
        ++report.Skipped;
    }
    for (const TDamage& d : damage)
        if (d.Count)
            report.Problems.push_back(IntToStr(d.Count) + (d.Count == 1 ? " line " : " lines ") + d.What +
                                      " skipped (first: line " + IntToStr(d.First) + ")");
    report.Loaded = int(entries_.size());
    Sort();
    return report;
}

TSafeFileList::TLoadReport TSafeFileList::LoadFromFile(const std::string& fileName) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(fileName, ec);
    if (!ec && size > MaxFileSize) {
        Clear();
        return TooLarge();
    }
    return LoadFromText(ReadWholeFile(fileName));
}

std::string TSafeFileList::Text() const {
    std::string text;
    for (const TEntry& e : entries_) text += e.Name + "=" + e.Project + "\r\n";
    return text;
}

void TSafeFileList::SaveToFile(const std::string& fileName) const {
    const std::string text = Text();
    AtomicWriteFile(fileName, text.data(), text.size());
}

std::vector<const TSafeFileList::TEntry*> TSafeFileList::EntriesNamed(std::string_view name) const {
    std::vector<const TEntry*> found;
    const std::string prefix = LowerCase(name) + "=";
    auto it = std::lower_bound(entries_.begin(), entries_.end(), prefix,
                               [](const TEntry& e, const std::string& key) { return e.Key < key; });
    for (; it != entries_.end() && it->Key.compare(0, prefix.size(), prefix) == 0; ++it)
        if (SameText(it->Name, name)) found.push_back(&*it);
    return found;
}

const TSafeFileList::TEntry* TSafeFileList::EntryOf(std::string_view file, const THeldByUser& heldByUser) const {
    if (file.empty()) return nullptr;
    const std::string spec = FileNameToSafeSource(file);
    const std::vector<const TEntry*> named = EntriesNamed(SafeName(spec));
    if (named.empty()) return nullptr;
    // The folder's own project, else the deepest project above it.
    const std::string folder = ProjectKey(SafeFolder(spec)) + "/";
    const TEntry* within = nullptr;
    size_t depth = 0;
    for (const TEntry* e : named) {
        const std::string project = ProjectKey(e->Project) + "/";
        if (project == folder) return e;
        if (folder.compare(0, project.size(), project) == 0 && project.size() > depth) {
            within = e;
            depth = project.size();
        }
    }
    if (within) return within;
    if (named.size() > 1 && heldByUser)
        for (const TEntry* e : named)
            if (heldByUser(*e)) return e;
    return named.front();
}

std::string TSafeFileList::GetSourceSafeProject(std::string_view file, const THeldByUser& heldByUser) const {
    if (const TEntry* e = EntryOf(file, heldByUser)) return e->Project;
    return SafeFolder(FileNameToSafeSource(file));
}

// ---- building it -----------------------------------------------------------------------

void BuildFileList(vss::IVSSDatabase& database, TSafeFileList& list) {
    list.Clear();
    for (vss::TVssProjectListing& project : database.ListProjects("$/", true)) {
        const std::string spec = WithSlash(std::move(project.Spec));
        for (vss::TVssListEntry& item : project.Items)
            if (item.Type == vss::VSSITEM_FILE) list.Add(std::move(item.Name), spec);
    }
    list.Sort();
}

void BuildFileListFromDirListing(std::string_view listing, TSafeFileList& list) {
    list.Clear();
    std::string project;
    for (const std::string& line : SplitLines(listing)) {
        if (line.empty()) {
            project.clear();
        } else if (line.front() == '$' && line.back() == ':') {
            project = WithSlash(line.substr(0, line.size() - 1));
        } else if (!project.empty() && line.front() != '$') {
            list.Add(line, project);
        }
    }
    list.Sort();
}

}  // namespace velt

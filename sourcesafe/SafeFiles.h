#pragma once
// The plain parts of the SourceSafe services: SourceSafe item paths made from
// local paths, the file list "filelist.vss" (which project holds a file,
// answered without asking the server) and the ss command lines as text.
//
// "filelist.vss" is text with CR LF line ends, one line per file of the
// database: its name, "=", the item path of the project holding it with the
// project's trailing "/" (a.pas=$/Work/Src/). Lines are sorted ignoring
// ASCII case; a name held by several projects gives several lines, side by
// side.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velt {

namespace vss {
class IVSSDatabase;
}

// The full path made into a SourceSafe item path: "$" + the absolute path, every
// "\" read as "/", doubled separators collapsed; with a drive letter,
// "$/" + the letter + the rest after the colon (C:\Work\a.pas gives
// $/C/Work/a.pas). An empty path gives an empty item path.
std::string FileNameToSafeSource(std::string_view path);

// The item path or path split after its last "\", "/" or ":": the folder keeps the
// delimiter ("$/Work/" and "a.pas" of "$/Work/a.pas").
std::string SafeFolder(std::string_view spec);
std::string SafeName(std::string_view spec);
// folder + "/" + name with one separator between them.
std::string JoinSafe(std::string_view folder, std::string_view name);
// Whether two project item paths name the same project: ASCII case folded, "\"
// read as "/", doubled and trailing separators ignored.
bool SameSafeProject(std::string_view a, std::string_view b);

// The argument list as one line for the console and for comparisons: the
// arguments joined by blanks, one holding a blank or a quote (or empty)
// written in double quotes with its quotes doubled.
std::string ArgumentsText(const std::vector<std::string>& args);

class TSafeFileList {
public:
    struct TEntry {
        std::string Name;
        std::string Project;
        std::string Key;  // the line, folded: the sort order
    };

    // What a load found wrong with the text; the good lines are loaded.
    struct TLoadReport {
        int Loaded = 0;
        int Skipped = 0;
        // One line per kind of damage, with the first line number it was seen on.
        std::vector<std::string> Problems;
    };

    // Larger files are not file lists.
    static constexpr size_t MaxFileSize = size_t(256) << 20;

    void Clear() { entries_.clear(); }
    // Adds a line; Sort puts the list in order again.
    void Add(std::string name, std::string project);
    void Sort();
    size_t Count() const { return entries_.size(); }
    const std::vector<TEntry>& Entries() const { return entries_; }

    // Replaces the list with the lines of text (sorted after loading).
    TLoadReport LoadFromText(std::string_view text);
    // The same from a file; raises EFOpenError when it cannot be read.
    TLoadReport LoadFromFile(const std::string& fileName);
    // The lines, CR LF after each.
    std::string Text() const;
    // Through a temporary file renamed over the old one.
    void SaveToFile(const std::string& fileName) const;

    // The entries for a file name (without folder), ASCII case folded, in
    // list order.
    std::vector<const TEntry*> EntriesNamed(std::string_view name) const;
    // Whether the user holds a check-out of the entry's file.
    using THeldByUser = std::function<bool(const TEntry&)>;
    // The entry of a file, among those of its name: the one whose project
    // is the item path of the file's folder (FileNameToSafeSource); else the
    // nearest project that holds that folder; else, when the name is in
    // several projects, the first whose file the user has checked out
    // (heldByUser, when given); else the first. Null when the name is not
    // listed.
    const TEntry* EntryOf(std::string_view file, const THeldByUser& heldByUser = {}) const;
    // Whether the file's name is listed.
    bool FileInSourceSafe(std::string_view file) const { return !EntriesNamed(SafeName(file)).empty(); }
    // The project of the file's entry, else the item path of the file's folder.
    std::string GetSourceSafeProject(std::string_view file, const THeldByUser& heldByUser = {}) const;

    // The stamp of the file the list was last loaded from (FileModified).
    int32_t ModiTime = 0;

private:
    std::vector<TEntry> entries_;
};

// Every live file of the database, walked from "$/" in one read; sorted.
void BuildFileList(vss::IVSSDatabase& database, TSafeFileList& list);
// The same from the output of "ss dir -r": a line ending in ":" starts a
// project, a blank line ends it, a line of a project not starting with "$"
// names a file of it; anything outside a project (the summary) is skipped.
void BuildFileListFromDirListing(std::string_view listing, TSafeFileList& list);

}  // namespace velt

#pragma once
// The project file (".dpr"): a program or library header and a uses clause
// whose entries "Name in 'path'" are the project's units. The hosts read the
// units from it and add or remove entries in place, keeping the rest of the
// text (and its line ends) as it is.

#include <string>
#include <string_view>
#include <vector>

namespace velt {

struct TProjectEntry {
    std::string Name;
    std::string Path;    // as written, unquoted; empty for a library unit
    int32_t Begin = 0;   // byte range of the entry in the text
    int32_t End = 0;
};

struct TProjectSource {
    std::vector<TProjectEntry> Entries;  // every uses entry, in order
    int32_t HeaderEnd = 0;               // just after the header's ";"
    int32_t UsesBegin = -1;              // the "uses" keyword; -1 without a clause
    int32_t UsesEnd = -1;                // the clause's closing ";"
};

// Raises Exception naming fileName when the text has no program or library
// header or its uses clause does not end.
TProjectSource ParseProjectSource(std::string_view text, const std::string& fileName);

// The project's units as paths: "\" read as "/", relative ones taken from
// the project file's folder.
std::vector<std::string> ProjectUnitPaths(const TProjectSource& source, const std::string& projectFile);

// The text with an entry "name in 'path'" appended to the uses clause (a
// clause is made after the header when there is none).
std::string AddProjectEntry(std::string_view text, const TProjectSource& source, const std::string& name,
                            const std::string& path);
// The text without entry index (the clause goes when it was its only entry).
std::string RemoveProjectEntry(std::string_view text, const TProjectSource& source, size_t index);

}  // namespace velt

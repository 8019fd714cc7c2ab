#pragma once
// Item paths, item names and local paths of the source-control stand-in.
//
// An item path names an item of the database: "$/" is the root project, "$/Work/a.pas"
// a file. Item paths are normalised before use: "\" becomes "/", doubled "/" collapse,
// a trailing "/" goes (except on the root). Names compare with ASCII letters
// folded and keep the spelling they were added with.

#include <string>
#include <string_view>
#include <vector>

namespace velt::vss {

// ASCII letters folded to lower case; other bytes unchanged.
std::string FoldName(std::string_view name);
bool SameName(std::string_view a, std::string_view b);

// "*" any run of characters, "?" any one character, ASCII letters folded.
bool MatchesWildcard(std::string_view pattern, std::string_view name);
bool HasWildcard(std::string_view text);

// The normal form of an absolute item path (one starting with "$"); raises
// EOleException for anything else.
std::string NormaliseSpec(std::string_view spec);
// Spec made absolute against the current project when it does not start with
// "$", then normalised.
std::string AbsoluteSpec(std::string_view spec, std::string_view currentProject);
// The names below the root of a normalised item path ("$/" gives none).
std::vector<std::string> SpecComponents(std::string_view normalisedSpec);
// Parent + "/" + name with single separators.
std::string JoinSpec(std::string_view parent, std::string_view name);
// The normalised item path split at its last "/": ("$/Work", "a.pas"); the root
// gives ("$/", "").
std::pair<std::string, std::string> SplitSpec(std::string_view normalisedSpec);

// Empty when name may name an item, else why not. Names are non-empty, have no
// control characters, none of / \ : * ? " < > |, no leading "$", no leading or
// trailing blank, and are neither "." nor "..".
std::string InvalidNameReason(std::string_view name);
// Raises EOleException with the reason when name is not valid.
void CheckName(std::string_view name);

// A local path with "\" read as "/" and doubled "/" collapsed (a trailing "/"
// is kept: it says the path names a folder).
std::string NormaliseLocalPath(std::string_view path);
// Folder + "/" + name with single separators.
std::string JoinLocal(std::string_view folder, std::string_view name);
// The part after the last "/" of a normalised local path (trailing "/" ignored).
std::string LocalName(std::string_view path);
// The part before the last "/" ("/" for a file in the root, "." for a bare name).
std::string LocalFolder(std::string_view path);

}  // namespace velt::vss

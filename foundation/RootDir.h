#pragma once
// The installation folder and the fixed Windows paths of the defaults.
//
// RootDir is where the shared files of an installation live (the code
// templates "velt.dci", the news file, the demonstration project, the
// demonstration source-control database). It is, in order:
//   1. $VELT_ROOTDIR when it is set and not empty;
//   2. the parent of the program folder when the program sits in a folder
//      named "bin" (an installation laid out as <prefix>/bin/<program>);
//   3. the program folder itself (a build tree, a program run in place).
// The answer has no trailing separator (except for "/" itself).
//
// The defaults name folders of the original machines; MapSystemPath puts
// them under RootDir:
//   h:\varno\rvelt         -> RootDir
//   h:\varno\rvelt\a\b.ini -> RootDir/a/b.ini
//   d:\vss\srcsafe.ini     -> RootDir/vss/srcsafe.ini
// Both "\" and "/" separate, letters compare ignoring case, a prefix counts
// only up to a separator ("h:\varno\rvelt2" is not under "h:\varno\rvelt").
// Any other path comes back unchanged.

#include <string>
#include <string_view>

namespace velt {

std::string RootDir();
// RootDir from its inputs: the environment value (null when unset) and the
// program folder (with or without a trailing '/').
std::string RootDirFrom(const char* envValue, std::string_view programFolder);

std::string MapSystemPath(std::string_view path);
std::string MapSystemPath(std::string_view path, std::string_view root);

// folder + "/" + name, without doubling a separator the folder ends with.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace velt

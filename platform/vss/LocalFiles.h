#pragma once
// The working copies: reading, atomic writing and the read-only convention.
// A local copy that is read-only is a pristine copy the server may replace; a
// writable one may hold the user's changes.

#include <cstdint>
#include <string>
#include <vector>

namespace velt::vss {

struct TLocalState {
    bool Exists = false;
    bool IsFolder = false;
    bool Writable = false;  // the owner may write it
    int64_t Modified = 0;   // seconds since 1970
};

TLocalState LocalState(const std::string& path);

// False when the file cannot be read.
bool TryReadLocalFile(const std::string& path, std::string& data);
// Raises EOleException when the file is missing or cannot be read.
std::string ReadLocalFile(const std::string& path);
// Writes a temporary file beside the target and renames it over it, so the
// old file stays whole until the new one is complete; creates missing
// folders. Read-only unless writable; modified (seconds since 1970) is the
// file's time when not 0. Raises EOleException on failure.
void WriteLocalFile(const std::string& path, const std::string& data, bool writable, int64_t modified);
// The folder and the missing folders above it.
void MakeLocalFolders(const std::string& folder);
// Takes every write permission away, or gives the owner's back.
void SetLocalWritable(const std::string& path, bool writable);

struct TLocalEntry {
    std::string Name;
    bool IsFolder = false;
};
// The regular files and folders of a folder, sorted by name; raises when the
// folder cannot be read.
std::vector<TLocalEntry> ListLocalFolder(const std::string& folder);

// The path made absolute against the process's current folder, normalised.
std::string AbsoluteLocalPath(const std::string& path);

}  // namespace velt::vss

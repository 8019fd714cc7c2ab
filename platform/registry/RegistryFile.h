#pragma once
// The in-memory tree of one registry root and its text file.
//
// File format (one entry per line; LF written, CR LF / LF / CR read):
//
//   VELT Registry 1
//   "RootValue"=dword:00000001
//
//   [Software\Trel\VELT Services for Delphi\Loom/2 Services]
//   "CommandFileName"=sz:"/home/me/velt.4th"
//   "Path"=expand_sz:"$HOME/velt"
//   "Blob"=hex(3):01,ff,00
//
// Values before the first [header] belong to the root key. Every key has a
// header line, so empty keys survive. In a header the components are
// separated by "\"; the bytes % \ [ ] and control bytes of a name are written
// as %XX. Value names and string data sit in double quotes with the escapes
// \\ \" \n \r \t \0 and \xHH. "sz:" and "expand_sz:" stand for data that ends
// in one NUL (not shown); "dword:" for 4 bytes, little-endian; anything else
// is "hex(T):" with the type T in hexadecimal and the bytes comma-separated.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velt::winreg {

// Limits shared by the file loader and the API.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;
inline constexpr size_t kMaxKeyDepth = 512;

// ASCII case-insensitive order: names are compared folded, kept as given.
struct RegNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

bool RegSameName(std::string_view a, std::string_view b);

struct RegValue {
    uint32_t Type = 0;
    std::string Data;  // raw bytes as written
};

struct RegNode {
    // The map key is the name as first written; lookups fold case.
    std::map<std::string, RegValue, RegNameLess> Values;
    std::map<std::string, std::unique_ptr<RegNode>, RegNameLess> SubKeys;

    RegNode* FindSubKey(std::string_view name) const;
    // The existing sub key of that name, or a new one; created tells which.
    RegNode& AddSubKey(std::string_view name, bool* created = nullptr);
};

struct RegParseProblem {
    size_t Line = 0;  // 1-based
    std::string Message;
};

struct RegHive {
    RegNode Root;
    // What the loader skipped; only the first few are kept in Problems.
    std::vector<RegParseProblem> Problems;
    size_t ProblemCount = 0;
};

// Loads what it can; every line it cannot use is skipped and reported.
RegHive ParseRegistryText(std::string_view text);
std::string FormatRegistryText(const RegNode& root);

// True when the name is usable as one key path component.
bool IsValidKeyName(std::string_view name);

}  // namespace velt::winreg

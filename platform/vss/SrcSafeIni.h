#pragma once
// "srcsafe.ini", the file that makes a folder a database of the
// source-control stand-in:
//
//   ; comment
//   [Database]
//   Data_File = vss.db
//   Multiple_Checkouts = No
//   [Users]
//   Admin = pbkdf2-sha256:2000:<salt hex>:<hash hex>
//
// Section and key names fold ASCII case; blanks around "=" are ignored; line
// ends may be CR LF, LF or CR. Data_File is a plain file name in the same
// folder (the SQLite database). Multiple_Checkouts is Yes or No (several users
// may, or may not, have one file checked out at once). Each user's password is
// stored only as a salted PBKDF2-HMAC-SHA256 hash.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velt::vss {

inline constexpr const char* kSrcSafeIni = "srcsafe.ini";

struct TSrcSafeIni {
    std::string DataFile = "vss.db";
    bool MultipleCheckouts = false;
    std::vector<std::pair<std::string, std::string>> Users;  // name, password hash
    std::vector<std::string> Problems;                      // "line N: why", one a damaged line

    // Index into Users of the name (ASCII case folded), or -1.
    int FindUser(std::string_view name) const;
};

// Reads what it can; every line it cannot use is listed in Problems.
TSrcSafeIni ParseSrcSafeIni(std::string_view text);
std::string FormatSrcSafeIni(const TSrcSafeIni& ini);
// Raises EOleException when the file is missing, unreadable or damaged.
TSrcSafeIni LoadSrcSafeIni(const std::string& path);
// Through a temporary file renamed over the target.
void SaveSrcSafeIni(const std::string& path, const TSrcSafeIni& ini);

// Empty when name may name a user, else why not.
std::string InvalidUserReason(std::string_view name);

// A fresh salt from the system's random source.
std::string HashPassword(std::string_view password);
// Compares in time independent of where the hashes differ; a damaged stored
// hash never matches.
bool VerifyPassword(std::string_view password, std::string_view stored);

// SHA-256 of data (32 bytes); exposed for the tests against known vectors.
std::string Sha256(std::string_view data);
std::string HexBytes(std::string_view bytes);

}  // namespace velt::vss

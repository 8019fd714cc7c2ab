#pragma once
// "srcsafe.ini", the file that makes a folder a database of the
// source-control stand-in:
//
//   ; comment
//   [Database]
//   Data_File = vss.db
//   Multiple_Checkouts = No
//   [Users]
//   Admin = pbkdf2-sha256:<iterations>:<salt hex>:<hash hex>
//
// Both sections must be there (a new database's [Users] may be empty).
// Section and key names fold ASCII case; blanks around "=" are ignored; line
// ends may be CR LF, LF or CR. Data_File is a plain file name in the same
// folder (the SQLite database). Multiple_Checkouts is Yes or No (several users
// may, or may not, have one file checked out at once). Each user's password is
// stored only as a salted PBKDF2-HMAC-SHA256 hash with its iteration count,
// so hashes made with another count keep working.
//
// The file and the database are private to their owner (0600), or shared
// with the owner's group (0660) when made so; saving keeps the file's bits.
// Changes go through UpdateSrcSafeIni, under a lock.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace velt::vss {

inline constexpr const char* kSrcSafeIni = "srcsafe.ini";
inline constexpr mode_t kPrivateMode = 0600;
inline constexpr mode_t kGroupMode = 0660;
// PBKDF2 rounds of a new password hash: about 20 ms a logon.
inline constexpr unsigned kPasswordIterations = 80000;

struct TSrcSafeIni {
    std::string DataFile = "vss.db";
    bool MultipleCheckouts = false;
    std::vector<std::pair<std::string, std::string>> Users;  // name, password hash
    std::vector<std::string> Problems;  // "line N: why", one a damaged line; or a section missing

    // Index into Users of the name (ASCII case folded), or -1.
    int FindUser(std::string_view name) const;
};

// Reads what it can; every line it cannot use is listed in Problems.
TSrcSafeIni ParseSrcSafeIni(std::string_view text);
std::string FormatSrcSafeIni(const TSrcSafeIni& ini);
// Raises EOleException when the file is missing, unreadable or damaged.
TSrcSafeIni LoadSrcSafeIni(const std::string& path);
// Through a temporary file renamed over the target, with the permission
// bits the file has (a new one: mode, or private).
void SaveSrcSafeIni(const std::string& path, const TSrcSafeIni& ini);
void SaveSrcSafeIni(const std::string& path, const TSrcSafeIni& ini, mode_t mode);
// Reads the file afresh, changes it and saves it, holding the lock file
// beside it ("srcsafe.ini.lock") throughout, so concurrent changes all land.
void UpdateSrcSafeIni(const std::string& path, const std::function<void(TSrcSafeIni&)>& change);

// Empty when name may name a user, else why not.
std::string InvalidUserReason(std::string_view name);

struct TPasswordHash {
    unsigned Iterations = 0;
    std::string Salt;
    std::string Hash;  // 32 bytes
};
// False when stored is not a well-formed hash (its counts and sizes bounded).
bool ParsePasswordHash(std::string_view stored, TPasswordHash& hash);
// A fresh salt from the system's random source.
std::string HashPassword(std::string_view password, unsigned iterations = kPasswordIterations);
enum class TPasswordCheck { Match, Mismatch, Damaged };
// Compares every byte, in time independent of where the hashes differ.
TPasswordCheck CheckPassword(std::string_view password, std::string_view stored);
// As long as a check: an unknown user takes the time a wrong password does.
void SpendPasswordCheck(std::string_view password);

// SHA-256 of data (32 bytes).
std::string Sha256(std::string_view data);
// Equal sizes and every byte equal, in constant time.
bool SameBytes(std::string_view a, std::string_view b);
std::string HexBytes(std::string_view bytes);

}  // namespace velt::vss

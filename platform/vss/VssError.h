#pragma once
// The automation error: every failing call of the source-control stand-in
// raises EOleException with a result code and a message a user can act on.
// Messages never carry a password.

#include <string>

#include "foundation/ComPtr.h"
#include "foundation/SysUtils.h"

namespace velt::vss {

// Result codes of the stand-in (interface facility).
inline constexpr HResult VSS_E_NOTOPEN = int32_t(0x8004D001u);        // no database open
inline constexpr HResult VSS_E_DATABASE = int32_t(0x8004D002u);       // missing or damaged database
inline constexpr HResult VSS_E_LOGON = int32_t(0x8004D003u);          // unknown user or wrong password
inline constexpr HResult VSS_E_NOTFOUND = int32_t(0x8004D004u);       // no such item or local file
inline constexpr HResult VSS_E_BADNAME = int32_t(0x8004D005u);        // not a valid item path or name
inline constexpr HResult VSS_E_EXISTS = int32_t(0x8004D006u);         // an item of that name exists
inline constexpr HResult VSS_E_CHECKEDOUT = int32_t(0x8004D007u);     // checked out (by another user)
inline constexpr HResult VSS_E_NOTCHECKEDOUT = int32_t(0x8004D008u);  // not checked out by this user
inline constexpr HResult VSS_E_WRONGTYPE = int32_t(0x8004D009u);      // project where a file is needed, or back
inline constexpr HResult VSS_E_WRITABLE = int32_t(0x8004D00Au);       // a changed writable local copy is in the way
inline constexpr HResult VSS_E_CONFLICT = int32_t(0x8004D00Bu);       // a merge found overlapping changes
inline constexpr HResult VSS_E_LOCALIO = int32_t(0x8004D00Cu);        // a local file could not be read or written
inline constexpr HResult VSS_E_OLDVERSION = int32_t(0x8004D00Du);     // only Get works on an old version
inline constexpr HResult VSS_E_INDEX = int32_t(0x8004D00Eu);          // collection index out of range
inline constexpr HResult VSS_E_STOPPED = int32_t(0x8004D00Fu);        // stopped from outside; rolled back
inline constexpr HResult VSS_E_DAMAGED = int32_t(0x8004D010u);        // a stored version fails its checksum

class EOleException : public Exception {
public:
    EOleException(HResult code, std::string message) : Exception(std::move(message)), ErrorCode(code) {}
    HResult ErrorCode;
};

[[noreturn]] inline void RaiseVss(HResult code, std::string message) {
    throw EOleException(code, std::move(message));
}

}  // namespace velt::vss

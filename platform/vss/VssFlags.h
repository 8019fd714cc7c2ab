#pragma once
// SourceSafe's published flag words and item constants, as the callers of the
// automation interfaces combine them. Each group holds one choice; a group
// left at 0 takes its default (marked below).

#include <cstdint>

namespace velt::vss {

// Local copies: writable, or read-only (default).
inline constexpr int32_t VSSFLAG_USERRONO = 0x1;
inline constexpr int32_t VSSFLAG_USERROYES = 0x2;
inline constexpr int32_t VSSFLAG_USERRO_MASK = 0x3;

// The time a written local copy gets: now (default), the file's modification
// time when it was checked in, or the time of the check-in.
inline constexpr int32_t VSSFLAG_TIMENOW = 0x4;
inline constexpr int32_t VSSFLAG_TIMEMOD = 0x8;
inline constexpr int32_t VSSFLAG_TIMEUPD = 0xC;
inline constexpr int32_t VSSFLAG_TIME_MASK = 0xC;

// A writable local copy that differs from the database: ask (default; the
// server cannot ask, see TAskAnswer), replace it, skip it, or merge into it.
inline constexpr int32_t VSSFLAG_REPASK = 0x40;
inline constexpr int32_t VSSFLAG_REPREPLACE = 0x80;
inline constexpr int32_t VSSFLAG_REPSKIP = 0xC0;
inline constexpr int32_t VSSFLAG_REPMERGE = 0x100;
inline constexpr int32_t VSSFLAG_REP_MASK = 0x1C0;

// Projects: their own files only (default), or sub-projects too.
inline constexpr int32_t VSSFLAG_RECURSNO = 0x1000;
inline constexpr int32_t VSSFLAG_RECURSYES = 0x2000;
inline constexpr int32_t VSSFLAG_RECURS_MASK = 0x3000;

// After add or check-in: release the check-out (default) or keep it.
inline constexpr int32_t VSSFLAG_KEEPNO = 0x10000;
inline constexpr int32_t VSSFLAG_KEEPYES = 0x20000;
inline constexpr int32_t VSSFLAG_KEEP_MASK = 0x30000;

// File type on add: detect (default: a NUL byte in the first 8000 bytes
// means binary), binary, text.
inline constexpr int32_t VSSFLAG_BINTEST = 0x100000;
inline constexpr int32_t VSSFLAG_BINBINARY = 0x200000;
inline constexpr int32_t VSSFLAG_BINTEXT = 0x300000;
inline constexpr int32_t VSSFLAG_BIN_MASK = 0x300000;

// On check-out: get the local copy (default) or not.
inline constexpr int32_t VSSFLAG_GETYES = 0x4000000;
inline constexpr int32_t VSSFLAG_GETNO = 0x8000000;
inline constexpr int32_t VSSFLAG_GET_MASK = 0xC000000;

// Item types (`Type`).
inline constexpr int32_t VSSITEM_PROJECT = 0;
inline constexpr int32_t VSSITEM_FILE = 1;

// `IsCheckedOut` of a file.
inline constexpr int32_t VSSFILE_NOTCHECKEDOUT = 0;
inline constexpr int32_t VSSFILE_CHECKEDOUT = 1;     // by another user only
inline constexpr int32_t VSSFILE_CHECKEDOUT_ME = 2;  // by this user

}  // namespace velt::vss

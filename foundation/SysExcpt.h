#pragma once
// Errors identified by number. The texts live in "sysconst.msg" beside the
// program: one message per line, the number as exactly eight decimal digits
// in columns 1-8 (e.g. 00001001), the text from column 9 on. A number with no
// line (or no readable file) shows as the number itself.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/SysUtils.h"

namespace velt {

// Numbers raised by the foundation and its users.
enum : int32_t {
    seGeneral = 2,              // SysErr: general error with the caller's text
    seAbstract = 4,             // ErrAbstract / AbstractCall
    seKindMismatch = 5,         // TVRec::CheckBase
    seWrongType = 1001,         // accessor used on a value or field of another type
    seUnknownFieldType = 40000003,
    seStringTooLong = 40000004,
    seBadBoolText = 40000012,   // StrToBool
    seVarRecNoText = 40000013,  // VarRecToStr
    seSettingWrongKind = 81000025,
    seRegistryCannotWrite = 81000026,
    seRegistryCannotRead = 81000027,
};

// Its message always begins with "SystemException #".
class ESysException : public Exception {
public:
    // "SystemException #" and the number in decimal.
    explicit ESysException(int32_t code);
    // "SystemException #" and Text (the CreateEx form).
    ESysException(int32_t code, std::string_view text);
    int32_t Code;
};

// Path of the message file; by default ProgramFolder() + "sysconst.msg".
// Setting an empty path restores the default.
void SetMessageFilePath(const std::string& path);
std::string MessageFilePath();

// The text of Code from the message file, or Code in decimal when no valid
// line carries it. Never raises: a missing file or malformed lines count as
// "no text".
std::string LoadError(int32_t code);
inline void LoadError(int32_t code, std::string& s) { s = LoadError(code); }

// ESysException with "SystemException #" + LoadError(Code).
[[noreturn]] void SysError(int32_t code);
// ... + LoadError(Code) + CR + Text.
[[noreturn]] void SysErrorEx(int32_t code, std::string_view text);
// SysErrorEx(Code, "with code: " + Value).
[[noreturn]] void SysErrorCode(int32_t code, int64_t value);
// The general numbered error (number 2) with the caller's text. Named SysErr
// so that it does not meet the console message routine Err.
[[noreturn]] void SysErr(std::string_view text);
// Number 4 with "ClassName.Name": an operation the class must override.
[[noreturn]] void ErrAbstract(std::string_view className, std::string_view name);
[[noreturn]] void AbstractCall(std::string_view className, std::string_view name);
inline void ErrAbstract(const TObject* obj, std::string_view name) { ErrAbstract(obj->ClassName(), name); }
inline void AbstractCall(const TObject* obj, std::string_view name) { AbstractCall(obj->ClassName(), name); }
// Raises like SysError(Code) when Condition is false.
void IsError(bool condition, int32_t code);

// Result 0 (a failed system call) raises Exception "Win32 error: N" with N
// the thread's last error (errno).
void Check32(int64_t result);
// A non-zero status raises Exception "Win32 error: N" with N = Status.
void Check32Zero(int32_t status);

}  // namespace velt

#pragma once
// The small run-time layer the rest of the system stands on: the general
// exception, its standard subclasses, and the string and number conversions
// of the class library, with ASCII case folding.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

namespace velt {

// The general exception: every failure of the system is one of these.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

// Conversion of text to a number or back failed.
class EConvertError : public Exception { using Exception::Exception; };
// A file could not be opened, read or written.
class EInOutError : public Exception { using Exception::Exception; };
class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EStringListError : public Exception { using Exception::Exception; };
// A class name read from a stream is not registered.
class EClassNotFound : public Exception { using Exception::Exception; };
// Call of an operation a class must override (run-time error 210).
class EAbstractError : public Exception { using Exception::Exception; };
class EOutOfMemory : public Exception { using Exception::Exception; };
class EAssertionFailed : public Exception { using Exception::Exception; };
// An integer or float conversion out of range.
class ERangeError : public Exception { using Exception::Exception; };
// A list operation on a bad index or an unusable list.
class EListError : public Exception { using Exception::Exception; };
// An object is not of the class a cast asks for.
class EInvalidCast : public Exception { using Exception::Exception; };
// An object does not support the interface a cast asks for.
class EIntfCastError : public Exception { using Exception::Exception; };

// Root of the class hierarchy. AliveToken lets holders (for instance the
// interpreter's object cells) notice that the object has been freed.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) {}
    TObject& operator=(const TObject&) { return *this; }
    virtual ~TObject() = default;
    virtual std::string ClassName() const { return "TObject"; }
    std::weak_ptr<void> AliveToken() const {
        if (!alive_) alive_ = std::make_shared<char>(0);
        return alive_;
    }

private:
    mutable std::shared_ptr<char> alive_;
};

// Frees Obj when it is not null and sets it to null.
template <class T>
void Kill(T*& obj) {
    delete obj;
    obj = nullptr;
}

// ASCII-only case folding, as the class library's CompareText does.
inline char UpCaseChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
inline char LowCaseChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
int CompareText(std::string_view a, std::string_view b);  // <0, 0, >0, ASCII case-insensitive
int CompareStr(std::string_view a, std::string_view b);   // <0, 0, >0, byte order
bool SameText(std::string_view a, std::string_view b);

std::string Trim(std::string_view s);       // removes characters <= ' ' at both ends
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

std::string IntToStr(int64_t v);
std::string IntToHex(uint64_t v, int digits);
// Accepts optional blanks in front, a sign, decimal digits or '$'/'0x' hex;
// raises EConvertError "'S' is not a valid integer value" otherwise or when
// the value does not fit 32 bits.
int32_t StrToInt(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t def);
bool TryStrToInt(std::string_view s, int32_t& out);

// 1-based position of sub in s, 0 when absent (case-sensitive).
int Pos(std::string_view sub, std::string_view s);
// 1-based Copy as the class library gives it: clamps index and count.
std::string Copy(std::string_view s, int index, int count);

std::string ExtractFilePath(std::string_view path);  // up to and including the last '/' or '\'
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);   // from the last '.' of the name, with the dot
std::string ChangeFileExt(std::string_view path, std::string_view ext);
bool FileExists(const std::string& path);

// Folder of the running program, with a trailing '/'.
std::string ProgramFolder();

}  // namespace velt

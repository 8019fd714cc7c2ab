#include "foundation/SysExcpt.h"

#include <cerrno>
#include <mutex>

#include "foundation/Classes.h"

namespace velt {

namespace {

const char kPrefix[] = "SystemException #";

std::mutex& PathMutex() {
    static std::mutex m;
    return m;
}

std::string& PathOverride() {
    static std::string p;
    return p;
}

// The number of a message line: its first eight characters when they are
// all decimal digits, otherwise 0 (the line carries no message).
int32_t LineNumber(std::string_view line) {
    if (line.size() < 8) return 0;
    int32_t n = 0;
    for (int i = 0; i < 8; ++i) {
        char c = line[size_t(i)];
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

ESysException::ESysException(int32_t code) : Exception(kPrefix + IntToStr(code)), Code(code) {}

ESysException::ESysException(int32_t code, std::string_view text)
    : Exception(kPrefix + std::string(text)), Code(code) {}

void SetMessageFilePath(const std::string& path) {
    std::lock_guard<std::mutex> lock(PathMutex());
    PathOverride() = path;
}

std::string MessageFilePath() {
    {
        std::lock_guard<std::mutex> lock(PathMutex());
        if (!PathOverride().empty()) return PathOverride();
    }
    return ProgramFolder() + "sysconst.msg";
}

std::string LoadError(int32_t code) {
    std::string fallback = IntToStr(code);
    if (code == 0) return fallback;
    std::string text;
    try {
        text = ReadWholeFile(MessageFilePath());
    } catch (const std::exception&) {
        return fallback;  // no file: the number alone
    }
    for (const std::string& line : SplitLines(text))
        if (LineNumber(line) == code) return line.substr(8);
    return fallback;
}

void SysError(int32_t code) { throw ESysException(code, LoadError(code)); }

void SysErrorEx(int32_t code, std::string_view text) {
    throw ESysException(code, LoadError(code) + "\r" + std::string(text));
}

void SysErrorCode(int32_t code, int64_t value) { SysErrorEx(code, "with code: " + IntToStr(value)); }

void SysErr(std::string_view text) { SysErrorEx(seGeneral, text); }

void ErrAbstract(std::string_view className, std::string_view name) {
    SysErrorEx(seAbstract, std::string(className) + "." + std::string(name));
}

void AbstractCall(std::string_view className, std::string_view name) { ErrAbstract(className, name); }

void IsError(bool condition, int32_t code) {
    if (!condition) SysError(code);
}

void Check32(int64_t result) {
    if (result == 0) {
        int e = errno;
        throw Exception("Win32 error: " + IntToStr(e));
    }
}

void Check32Zero(int32_t status) {
    if (status != 0) throw Exception("Win32 error: " + IntToStr(status));
}

}  // namespace velt

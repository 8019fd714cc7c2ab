#include "foundation/SysUtils.h"

#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velt {

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = UpCaseChar(c);
    return r;
}

std::string LowerCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = LowCaseChar(c);
    return r;
}

int CompareText(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = (unsigned char)UpCaseChar(a[i]);
        unsigned char y = (unsigned char)UpCaseChar(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int CompareStr(std::string_view a, std::string_view b) {
    int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

std::string Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

std::string TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (unsigned char)s[i] <= ' ') ++i;
    return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && (unsigned char)s[n - 1] <= ' ') --n;
    return std::string(s.substr(0, n));
}

std::string IntToStr(int64_t v) { return std::to_string(v); }

std::string IntToHex(uint64_t v, int digits) {
    static const char* hex = "0123456789ABCDEF";
    std::string r;
    do {
        r.insert(r.begin(), hex[v & 15]);
        v >>= 4;
    } while (v != 0);
    while ((int)r.size() < digits) r.insert(r.begin(), '0');
    return r;
}

bool TryStrToInt(std::string_view s, int32_t& out) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        neg = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return false;
    uint64_t v = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * base + d;
        if (v > 0xFFFFFFFFull) return false;
    }
    if (base == 16) {
        // Hex literals denote the 32-bit pattern.
        int32_t r = (int32_t)(uint32_t)v;
        out = neg ? (int32_t)(0u - (uint32_t)r) : r;
        return true;
    }
    if (neg) {
        if (v > 2147483648ull) return false;
        out = (int32_t)(-(int64_t)v);
    } else {
        if (v > 2147483647ull) return false;
        out = (int32_t)v;
    }
    return true;
}

int32_t StrToInt(std::string_view s) {
    int32_t r;
    if (!TryStrToInt(s, r)) throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
    return r;
}

int32_t StrToIntDef(std::string_view s, int32_t def) {
    int32_t r;
    return TryStrToInt(s, r) ? r : def;
}

int Pos(std::string_view sub, std::string_view s) {
    if (sub.empty()) return 0;
    size_t p = s.find(sub);
    return p == std::string_view::npos ? 0 : int(p) + 1;
}

std::string Copy(std::string_view s, int index, int count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > (int)s.size()) return {};
    size_t start = size_t(index - 1);
    size_t n = std::min<size_t>(size_t(count), s.size() - start);
    return std::string(s.substr(start, n));
}

static size_t LastSeparator(std::string_view path) {
    size_t p = path.find_last_of("/\\");
    return p;
}

std::string ExtractFilePath(std::string_view path) {
    size_t p = LastSeparator(path);
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view path) {
    size_t p = LastSeparator(path);
    return p == std::string_view::npos ? std::string(path) : std::string(path.substr(p + 1));
}

std::string ExtractFileExt(std::string_view path) {
    std::string name = ExtractFileName(path);
    size_t p = name.rfind('.');
    return p == std::string::npos ? std::string() : name.substr(p);
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    std::string name = ExtractFileName(path);
    size_t p = name.rfind('.');
    std::string base(path.substr(0, path.size() - name.size()));
    return base + (p == std::string::npos ? name : name.substr(0, p)) + std::string(ext);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ProgramFolder() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    std::string s = p.parent_path().string();
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

}  // namespace velt

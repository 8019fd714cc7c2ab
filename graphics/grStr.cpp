#include "graphics/grStr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "foundation/RootDir.h"
#include "foundation/SysUtils.h"
#include "foundation/Types.h"

namespace velt::grStr {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return std::string(s.substr(b, e - b));
}

// The Pascal real syntax: sign, digits, optional point and digits, optional
// exponent with sign and digits. A point needs a digit on at least one side.
bool IsPascalReal(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t exp = 0;
        while (i < s.size() && IsDigit(s[i])) ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == s.size();
}

// value rounded to significant digits (correctly rounded, ties to even).
double ReduceDigits(double value, int significant) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, significant - 1);
    double back = value;
    std::from_chars(buf, r.ptr, back);
    return back;
}

std::string Fixed(double value, int decimals) {
    // Room for the largest double in fixed notation and the decimals.
    std::string buf(400 + size_t(decimals), '\0');
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, decimals);
    buf.resize(size_t(r.ptr - buf.data()));
    return buf;
}

std::string TrimmedFixed(double value, int decimals) {
    std::string s = Fixed(value, decimals <= 0 ? 10 : std::min(decimals, 30));
    if (s.find('.') != std::string::npos)
        while (!s.empty() && s.back() == '0') s.pop_back();
    return TrimBlanks(s);
}

std::string NonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string ProgramFileName() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("velt") : p.filename().string();
}

}  // namespace

std::string GetIniName() { return JoinPath(RootDir(), ChangeFileExt(ProgramFileName(), ".INI")); }

std::string GetMyPath() {
    std::string s = ProgramFolder();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

char FirstChar(std::string_view s) { return s.empty() ? '\0' : s[0]; }

std::string StrIn(std::string_view s, const CharSet& startSet, const CharSet& stopSet) {
    std::string out;
    bool capturing = startSet.Empty();
    for (char c : s) {
        if (!capturing) {
            capturing = startSet.Has(c);
            continue;
        }
        if (stopSet.Has(c)) break;
        out += c;
    }
    return TrimBlanks(out);
}

std::string StrInWord(std::string_view s, std::string_view start, std::string_view stop) {
    if (stop.empty()) return {};
    const std::string us = UpperCase(s);
    size_t begin = 0;
    if (!start.empty()) {
        const size_t p = us.find(UpperCase(start));
        if (p == std::string::npos) return {};
        begin = p + start.size();
    }
    const size_t end = us.find(UpperCase(stop));
    if (end == std::string::npos || end < begin) return {};
    return TrimBlanks(s.substr(begin, end - begin));
}

std::string GetSubStr(int n, std::string_view s) {
    int count = 0;
    bool inWord = false, quoted = false;
    std::string word;
    for (char c : s) {
        const auto b = static_cast<unsigned char>(c);
        const bool wordChar = quoted ? (b >= 0x20 && b <= 0xFE)
                                     : (IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '"' || b >= 0x80);
        if (!wordChar) {
            if (inWord && count == n) return word;
            inWord = false;
            continue;
        }
        if (!inWord) {
            inWord = true;
            ++count;
        }
        if (c == '"') quoted = !quoted;
        if (count == n) word += c;
    }
    return count >= n ? word : std::string();
}

std::string StrLap(std::string_view s) {
    static const CharSet quotes("\"'");
    std::string r = StrIn(s, quotes, quotes);
    return r.empty() ? std::string(s) : r;
}

std::string byte_Hex(uint8_t b) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string{digits[b >> 4], digits[b & 15]};
}

namespace {
void CheckHexCount(int count) {
    if (count > 127) throw Exception("Whery Long HEX String Buffer");
}
}  // namespace

std::string Buf_Hex(const void* buf, int count) {
    CheckHexCount(count);
    std::string out;
    const auto* p = static_cast<const uint8_t*>(buf);
    for (int i = 0; i < count; ++i) out += byte_Hex(p[i]);
    return out;
}

void Hex_Buf(std::string_view hex, void* buf, int count) {
    CheckHexCount(count);
    if (count <= 0) return;
    auto* p = static_cast<uint8_t*>(buf);
    std::memset(p, 0, size_t(count));
    const int n = std::min<int>(count, int(hex.size() / 2));
    for (int i = 0; i < n; ++i) p[i] = uint8_t(StrToInt("$" + std::string(hex.substr(size_t(i) * 2, 2))));
}

std::string UpCaseStr(std::string_view s) { return UpperCase(s); }

std::string UpCaseStrLap(std::string_view s, const CharSet& quotes) {
    std::string out(s);
    bool quoted = false;
    for (char& c : out) {
        if (quotes.Has(c)) quoted = !quoted;
        else if (!quoted) c = UpCaseChar(c);
    }
    return out;
}

int32_t Str_Int(std::string_view s) {
    int32_t v = 0;
    return TryStrToInt(s, v) ? v : 0;
}

double Str_Real(std::string_view s) {
    std::string t = TrimBlanks(s);
    if (!IsPascalReal(t)) return 0;
    // The exponent may follow a bare point: "3.E5".
    long double v = 0;
    if (!TryStrToFloat(t, v)) {
        const size_t dot = t.find('.');
        if (dot == std::string::npos) return 0;
        t.insert(dot + 1, "0");
        if (!TryStrToFloat(t, v)) return 0;
    }
    // Out of a double's range, as any other text that is no number.
    return std::isfinite(double(v)) ? double(v) : 0;
}

double Str_RealEx(std::string_view s) {
    std::string t(s);
    if (!t.empty() && t.front() == '.') t.insert(t.begin(), '0');
    if (!t.empty() && t.back() == '.') t += '0';
    return Str_Real(t);
}

double NumOnly(std::string_view s) {
    std::string t;
    for (char c : s)
        if (IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e') t += c;
    return Str_Real(t);
}

std::string int_str(int32_t value, int width) {
    std::string s = std::to_string(value);
    if (width < 0) {
        const size_t want = size_t(-int64_t(width));
        if (s.size() < want) s.insert(0, want - s.size(), '0');
    } else if (width > 0 && s.size() > size_t(width)) {
        s.resize(size_t(width));
    }
    return s;
}

std::string SciStr(double value, int width) {
    if (!std::isfinite(value)) return NonFinite(value);
    const int decimals = std::clamp(width - 9, 1, 17);
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, decimals);
    std::string_view t(buf, size_t(r.ptr - buf));  // "-1.23e+05"
    const size_t e = t.find('e');
    std::string mantissa(t.substr(0, e));
    const int exponent = std::atoi(std::string(t.substr(e + 1)).c_str());
    std::string out = (mantissa[0] == '-' ? "" : " ") + mantissa + 'E' + (exponent < 0 ? '-' : '+');
    const std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
    out += std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
    if (int(out.size()) < width) out.insert(0, size_t(width) - out.size(), ' ');
    return out;
}

std::string Real_str(int width, int decimals, double value) {
    if (value == 0) return "0.";
    if (!std::isfinite(value)) return NonFinite(value);
    std::string s = TrimmedFixed(ReduceDigits(value, 6), decimals);
    if (width > 0 && int(s.size()) > width) return SciStr(value, width);
    return s;
}

std::string Real_str1(int width, int decimals, double value) {
    if (value == 0) return "0.0";
    if (!std::isfinite(value)) return NonFinite(value);
    double v = ReduceDigits(value, 3);
    const double a = std::fabs(v);
    // Bands of magnitude, their scale and their prefix (code page 866).
    // Dividing or multiplying by an exact power of ten adds no error of its own.
    struct Band {
        double Above, Upto;
        double Divisor, Factor;
        const char* Prefix;
    };
    static const Band bands[] = {
        {100, 1e5, 1e3, 1, "\xAA"},             // к
        {1e5, 1e8, 1e6, 1, "M"},                //
        {1e8, 1e11, 1e9, 1, "\x83"},            // Г
        {1e-4, 0.1, 1, 1e3, "m"},               //
        {1e-7, 1e-4, 1, 1e6, "m\xAA"},          // mк
        {1e-10, 1e-7, 1, 1e9, "\xAD"},          // н
        {1e-13, 1e-10, 1, 1e12, "\xAF\xAA"},    // пк
    };
    const char* prefix = "";
    for (const Band& b : bands) {
        if (a > b.Above && a <= b.Upto) {
            v = v / b.Divisor * b.Factor;
            prefix = b.Prefix;
            break;
        }
    }
    std::string s = TrimmedFixed(v, decimals);
    if (!s.empty() && s.back() == '.') s += '0';
    s += prefix;
    if (width > 0 && int(s.size()) > width) return SciStr(value, width);
    return s;
}

std::string delspace(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ') out += c;
    return out;
}

void delendspace(std::string& s) { s = TrimBlanks(s); }

}  // namespace velt::grStr

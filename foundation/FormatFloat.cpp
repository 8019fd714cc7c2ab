#include "foundation/FormatFloat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "foundation/SysUtils.h"
#include "foundation/Types.h"

namespace velt {

namespace {

// The most digits a value carries, and so the widest integer part shown
// digit by digit.
constexpr int kDigits = 18;

// A section's placeholders, read once before the value is laid out.
struct Picture {
    std::string_view Text;
    int IntPlaces = 0;  // 0 and # before the point
    int MinInt = 0;     // from the first 0 before the point on
    bool Point = false;
    int FracPlaces = 0;  // 0 and # after the point
    int MinFrac = 0;     // up to the last 0 after the point
    bool Thousands = false;
    bool Scientific = false;
    int ExpDigits = 0;
};

bool IsExponent(std::string_view s, size_t i) {
    return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

std::vector<std::string_view> Sections(std::string_view format) {
    std::vector<std::string_view> out;
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i < format.size() && out.size() < 2; ++i) {
        const char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            out.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    // A third ";" and what follows it belong to no section.
    std::string_view last = format.substr(start);
    if (out.size() == 2) {
        size_t end = last.size();
        quote = 0;
        for (size_t i = 0; i < last.size(); ++i) {
            const char c = last[i];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == ';') {
                end = i;
                break;
            }
        }
        last = last.substr(0, end);
    }
    out.push_back(last);
    return out;
}

Picture Read(std::string_view text) {
    Picture p;
    p.Text = text;
    int firstZero = -1;
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '0' || c == '#') {
            if (!p.Point) {
                if (c == '0' && firstZero < 0) firstZero = p.IntPlaces;
                ++p.IntPlaces;
            } else {
                ++p.FracPlaces;
                if (c == '0') p.MinFrac = p.FracPlaces;
            }
        } else if (c == '.') {
            p.Point = true;
        } else if (c == ',') {
            p.Thousands = true;
        } else if (IsExponent(text, i)) {
            // The exponent's digits, then only literals.
            p.Scientific = true;
            for (i += 2; i < text.size() && (text[i] == '0' || text[i] == '#'); ++i)
                if (p.ExpDigits < 4) ++p.ExpDigits;
            break;
        }
    }
    p.MinInt = firstZero < 0 ? 0 : p.IntPlaces - firstZero;
    return p;
}

// The first 18 significant digits of a finite v > 0 and its exponent:
// v = 0.d1d2...d18 x 10^Exp.
struct Digits {
    std::string D;
    int Exp = 0;
};

// The library's conversion: correct for every value, but slow for long double.
Digits LibraryDigits(long double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, kDigits - 1);
    const std::string_view s(buf, size_t(res.ptr - buf));
    const size_t e = s.find('e');
    Digits d;
    d.D.reserve(kDigits);
    for (size_t i = 0; i < e; ++i)
        if (s[i] >= '0' && s[i] <= '9') d.D += s[i];
    int exp = 0;
    std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), exp);
    d.Exp = exp + 1;
    return d;
}

// The same digits from the exact binary value in 128-bit integers, for
// 2^-59 <= v < 2^127 (the amounts a program formats); false elsewhere.
bool ExactDigits(long double v, Digits& d) {
    using u128 = unsigned __int128;
    int e2 = 0;
    const long double m = std::frexp(v, &e2);  // v = m 2^e2, 1/2 <= m < 1
    const uint64_t mant = uint64_t(std::ldexp(m, 64));
    const int s = 64 - e2;  // bits after the binary point
    if (s < -63 || s > 123) return false;
    u128 whole = 0, frac = 0, mask = 0;
    if (s <= 0) {
        whole = u128(mant) << -s;
    } else if (s < 64) {
        whole = u128(mant) >> s;
        mask = (u128(1) << s) - 1;
        frac = u128(mant) & mask;
    } else {
        mask = (u128(1) << s) - 1;
        frac = mant;
    }
    // Up to 19 significant digits, and whether anything follows them.
    char digits[48];
    int n = 0, exp = 0;
    if (whole != 0) {
        char rev[48];
        int k = 0;
        for (u128 w = whole; w != 0; w /= 10) rev[k++] = char('0' + int(w % 10));
        exp = k;
        while (k > 0) digits[n++] = rev[--k];
    }
    bool sticky = false;
    if (n > kDigits + 1) {
        for (int i = kDigits + 1; i < n; ++i) sticky |= digits[i] != '0';
        n = kDigits + 1;
        sticky |= frac != 0;
    } else {
        while (n < kDigits + 1 && frac != 0) {
            frac *= 10;
            const char digit = char('0' + int(frac >> s));
            frac &= mask;
            if (n == 0 && digit == '0') {
                --exp;  // a leading zero of the fraction
                continue;
            }
            digits[n++] = digit;
        }
        sticky = frac != 0;
    }
    while (n < kDigits + 1) digits[n++] = '0';
    // Rounded to 18 digits, halves to even, as the library rounds.
    d.D.assign(digits, kDigits);
    d.Exp = exp;
    const char next = digits[kDigits];
    const bool up = next > '5' || (next == '5' && (sticky || (d.D.back() - '0') % 2 == 1));
    if (up) {
        int i = kDigits - 1;
        while (i >= 0 && d.D[size_t(i)] == '9') d.D[size_t(i--)] = '0';
        if (i >= 0) {
            ++d.D[size_t(i)];
        } else {
            d.D.insert(d.D.begin(), '1');
            d.D.pop_back();
            ++d.Exp;
        }
    }
    return true;
}

Digits DecimalDigits(long double v) {
    Digits d;
    if (ExactDigits(v, d)) return d;
    return LibraryDigits(v);
}

// Rounds to keep digits, halves away from zero; a carry lengthens the
// number (Exp grows by one, the digits stay keep long when keep > 0).
void RoundTo(Digits& d, int keep) {
    if (keep >= int(d.D.size())) return;
    if (keep < 0) {
        d.D.clear();
        return;
    }
    const bool up = d.D[size_t(keep)] >= '5';
    d.D.resize(size_t(keep));
    if (!up) return;
    int i = keep - 1;
    while (i >= 0 && d.D[size_t(i)] == '9') d.D[size_t(i--)] = '0';
    if (i >= 0) {
        ++d.D[size_t(i)];
    } else {
        d.D.insert(d.D.begin(), '1');
        ++d.Exp;
        if (keep > 0) d.D.pop_back();
    }
}

bool AllZero(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == '0'; });
}

// FloatToStr with the decimal separator.
std::string General(long double v, const TFormatSettings& fs) {
    std::string s = FloatToStr(v);
    const size_t dot = s.find('.');
    if (dot != std::string::npos) s.replace(dot, 1, fs.DecimalSeparator);
    return s;
}

// The section's text for |v| (v finite): nullopt when its integer part is
// too long to show digit by digit. zero tells whether it shows zero.
std::optional<std::string> Lay(const Picture& p, long double v, bool minus, const TFormatSettings& fs, bool& zero) {
    std::string intDigits, fracDigits, exponent;
    bool exponentNegative = false;
    Digits d;
    const bool nonZero = v != 0;
    if (nonZero) d = DecimalDigits(v);
    if (p.Scientific) {
        int exp = 0;
        if (nonZero) {
            RoundTo(d, p.IntPlaces + p.FracPlaces);
            exp = d.Exp - p.IntPlaces;
        }
        for (int i = 0; i < p.IntPlaces; ++i) intDigits += i < int(d.D.size()) ? d.D[size_t(i)] : '0';
        for (int i = 0; i < p.FracPlaces; ++i) {
            const int k = p.IntPlaces + i;
            fracDigits += k < int(d.D.size()) ? d.D[size_t(k)] : '0';
        }
        if (!nonZero) intDigits.assign(size_t(p.MinInt), '0');
        exponent = std::to_string(exp < 0 ? -exp : exp);
        if (int(exponent.size()) < p.ExpDigits) exponent.insert(0, size_t(p.ExpDigits) - exponent.size(), '0');
        exponentNegative = exp < 0;
        zero = !nonZero;
    } else {
        if (nonZero) {
            RoundTo(d, d.Exp + p.FracPlaces);
            if (d.Exp > kDigits && !d.D.empty()) return std::nullopt;
        }
        for (int i = 0; i < d.Exp && !d.D.empty(); ++i) intDigits += i < int(d.D.size()) ? d.D[size_t(i)] : '0';
        for (int k = 0; k < p.FracPlaces; ++k) {
            const int i = d.Exp + k;
            fracDigits += (i >= 0 && i < int(d.D.size())) ? d.D[size_t(i)] : '0';
        }
        zero = AllZero(intDigits) && AllZero(fracDigits);
        // Leading zeros are the picture's to give.
        const size_t nz = intDigits.find_first_not_of('0');
        intDigits = nz == std::string::npos ? std::string() : intDigits.substr(nz);
        if (int(intDigits.size()) < p.MinInt) intDigits.insert(0, size_t(p.MinInt) - intDigits.size(), '0');
    }
    // Trailing fraction zeros beyond the picture's last 0 go.
    size_t fracLen = fracDigits.size();
    while (int(fracLen) > p.MinFrac && fracDigits[fracLen - 1] == '0') --fracLen;
    fracDigits.resize(fracLen);

    std::string out;
    if (minus) out += '-';
    const int nI = int(intDigits.size());
    auto emitInt = [&](int from, int to) {  // digits [from, to]
        for (int j = std::max(from, 0); j <= to && j < nI; ++j) {
            out += intDigits[size_t(j)];
            const int rest = nI - 1 - j;
            if (p.Thousands && rest > 0 && rest % 3 == 0) out += fs.ThousandSeparator;
        }
    };
    // A picture without integer places still shows the integer part, just
    // before the point (or the first fraction place, or the exponent); one
    // without any places is text only.
    bool intPending = p.IntPlaces == 0 && (p.Point || p.FracPlaces > 0 || p.Scientific);
    auto flushInt = [&] {
        if (intPending) emitInt(0, nI - 1);
        intPending = false;
    };
    const std::string_view t = p.Text;
    int intSeen = 0, fracSeen = 0;
    bool pointDone = false;
    char quote = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (quote) {
            if (c == quote) quote = 0;
            else out += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '0' || c == '#') {
            if (!pointDone) {
                const int k = intSeen++;
                const int j = nI - p.IntPlaces + k;
                emitInt(k == 0 ? 0 : j, j);
            } else {
                flushInt();
                if (fracSeen < int(fracDigits.size())) out += fracDigits[size_t(fracSeen)];
                ++fracSeen;
            }
        } else if (c == '.') {
            flushInt();
            if (!pointDone && !fracDigits.empty()) out += fs.DecimalSeparator;
            pointDone = true;
        } else if (c == ',') {
            // grouping only
        } else if (IsExponent(t, i)) {
            flushInt();
            out += c;
            if (exponentNegative) out += '-';
            else if (t[i + 1] == '+') out += '+';
            out += exponent;
            for (i += 2; i < t.size() && (t[i] == '0' || t[i] == '#'); ++i) {
            }
            // The rest is literal text.
            for (; i < t.size(); ++i) {
                if (quote) {
                    if (t[i] == quote) quote = 0;
                    else out += t[i];
                } else if (t[i] == '"' || t[i] == '\'') {
                    quote = t[i];
                } else {
                    out += t[i];
                }
            }
            break;
        } else {
            out += c;
        }
    }
    flushInt();
    return out;
}

}  // namespace

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

std::string FormatFloat(std::string_view format, long double value) {
    return FormatFloat(format, value, FormatSettings());
}

std::string FormatFloat(std::string_view format, long double value, const TFormatSettings& fs) {
    if (!std::isfinite(value)) return FloatToStr(value);
    if (format.empty()) return General(value, fs);
    const std::vector<std::string_view> sections = Sections(format);
    const Picture first = Read(sections[0]);
    std::optional<Picture> negative, zeroForm;
    if (sections.size() > 1 && !sections[1].empty()) negative = Read(sections[1]);
    if (sections.size() > 2 && !sections[2].empty()) zeroForm = Read(sections[2]);

    bool zero = false;
    auto lay = [&](const Picture& p, long double v, bool minus) -> std::string {
        std::optional<std::string> s = Lay(p, std::fabs(v), minus, fs, zero);
        return s ? *s : General(value, fs);
    };
    if (value == 0) return lay(zeroForm ? *zeroForm : first, 0, false);
    std::string s;
    if (value < 0) s = negative ? lay(*negative, value, false) : lay(first, value, true);
    else s = lay(first, value, false);
    if (!zero) return s;
    return lay(zeroForm ? *zeroForm : first, 0, false);
}

std::string QuoteFormatLiteral(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const char quote = text[i] == '"' ? '\'' : '"';
        size_t j = i;
        while (j < text.size() && text[j] != quote) ++j;
        out += quote;
        out.append(text.substr(i, j - i));
        out += quote;
        i = j;
    }
    return out;
}

bool TryTextToFloat(std::string_view text, long double& out, const TFormatSettings& settings) {
    const std::string sep = settings.DecimalSeparator.empty() ? "." : settings.DecimalSeparator;
    if (sep == ".") return TryStrToFloat(text, out);
    std::string t;
    t.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text.substr(i, sep.size()) == sep) {
            t += '.';
            i += sep.size();
        } else if (text[i] == '.') {
            return false;
        } else {
            t += text[i++];
        }
    }
    return TryStrToFloat(t, out);
}

long double StrToFloat(std::string_view text, const TFormatSettings& settings) {
    long double v;
    if (!TryTextToFloat(text, v, settings))
        throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return v;
}

}  // namespace velt

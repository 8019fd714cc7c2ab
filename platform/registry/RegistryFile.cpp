#include "platform/registry/RegistryFile.h"

#include <cstring>

namespace velt::winreg {

namespace {

constexpr std::string_view kSignature = "VELT Registry 1";
constexpr size_t kKeptProblems = 20;
const char kHex[] = "0123456789ABCDEF";  // escapes in names and strings
const char kHexLower[] = "0123456789abcdef";  // numbers and binary data

char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The byte written as two hex digits at s[i], or -1.
int HexByte(std::string_view s, size_t i) {
    const int h = i < s.size() ? HexDigit(s[i]) : -1;
    const int l = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
    return h < 0 || l < 0 ? -1 : h * 16 + l;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

void AppendHexByte(std::string& out, unsigned char c, const char* digits = kHex) {
    out += digits[c >> 4];
    out += digits[c & 15];
}

// ---- writing ----------------------------------------------------------------

void AppendKeyName(std::string& out, std::string_view name) {
    for (unsigned char c : name) {
        if (IsControl(c) || c == '%' || c == '\\' || c == '[' || c == ']') {
            out += '%';
            AppendHexByte(out, c);
        } else {
            out += char(c);
        }
    }
}

void AppendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\0': out += "\\0"; break;
            default:
                if (IsControl(c)) {
                    out += "\\x";
                    AppendHexByte(out, c);
                } else {
                    out += char(c);
                }
        }
    }
    out += '"';
}

void AppendHex32(std::string& out, uint32_t v, bool fixedWidth) {
    bool started = fixedWidth;
    for (int shift = 28; shift >= 0; shift -= 4) {
        unsigned d = (v >> shift) & 15;
        if (d || started || shift == 0) {
            out += kHexLower[d];
            started = true;
        }
    }
}

void AppendValue(std::string& out, const std::string& name, const RegValue& v) {
    AppendQuoted(out, name);
    out += '=';
    const std::string& d = v.Data;
    if ((v.Type == 1 || v.Type == 2) && !d.empty() && d.back() == '\0') {
        out += v.Type == 1 ? "sz:" : "expand_sz:";
        AppendQuoted(out, std::string_view(d).substr(0, d.size() - 1));
    } else if (v.Type == 4 && d.size() == 4) {
        uint32_t x = uint32_t((unsigned char)d[0]) | uint32_t((unsigned char)d[1]) << 8 |
                     uint32_t((unsigned char)d[2]) << 16 | uint32_t((unsigned char)d[3]) << 24;
        out += "dword:";
        AppendHex32(out, x, true);
    } else {
        out += "hex(";
        AppendHex32(out, v.Type, false);
        out += "):";
        for (size_t i = 0; i < d.size(); ++i) {
            if (i) out += ',';
            AppendHexByte(out, (unsigned char)d[i], kHexLower);
        }
    }
    out += '\n';
}

void AppendNode(std::string& out, const RegNode& node, std::string& path) {
    for (const auto& [name, value] : node.Values) AppendValue(out, name, value);
    for (const auto& [name, child] : node.SubKeys) {
        size_t mark = path.size();
        if (!path.empty()) path += '\\';
        AppendKeyName(path, name);
        out += "\n[";
        out += path;
        out += "]\n";
        AppendNode(out, *child, path);
        path.resize(mark);
    }
}

// ---- reading ----------------------------------------------------------------

// Reads a quoted string at s[pos] (the opening quote); on success pos is past
// the closing quote. Returns false with a reason otherwise.
bool ReadQuoted(std::string_view s, size_t& pos, std::string& out, std::string& why) {
    if (pos >= s.size() || s[pos] != '"') {
        why = "expected '\"'";
        return false;
    }
    ++pos;
    out.clear();
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= s.size()) break;
        char e = s[pos++];
        switch (e) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case '0': out += '\0'; break;
            case 'x': {
                const int b = HexByte(s, pos);
                if (b < 0) {
                    why = "bad \\x escape";
                    return false;
                }
                out += char(b);
                pos += 2;
                break;
            }
            default:
                why = std::string("unknown escape \\") + e;
                return false;
        }
    }
    why = "unterminated string";
    return false;
}

bool ReadHex32(std::string_view s, uint32_t& v) {
    if (s.empty() || s.size() > 8) return false;
    v = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0) return false;
        v = v << 4 | uint32_t(d);
    }
    return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

// Parses "type:data" after the '='.
bool ReadValueData(std::string_view s, RegValue& v, std::string& why) {
    size_t pos;
    if (StartsWith(s, "sz:") || StartsWith(s, "expand_sz:")) {
        v.Type = s[0] == 's' ? 1 : 2;
        pos = s.find(':') + 1;
        if (!ReadQuoted(s, pos, v.Data, why)) return false;
        if (pos != s.size()) {
            why = "text after the string";
            return false;
        }
        v.Data += '\0';
        return true;
    }
    if (StartsWith(s, "dword:")) {
        uint32_t x;
        if (!ReadHex32(s.substr(6), x)) {
            why = "bad dword";
            return false;
        }
        v.Type = 4;
        v.Data.assign({char(x & 0xff), char(x >> 8 & 0xff), char(x >> 16 & 0xff), char(x >> 24 & 0xff)});
        return true;
    }
    if (StartsWith(s, "hex(")) {
        size_t close = s.find("):");
        if (close == std::string_view::npos || !ReadHex32(s.substr(4, close - 4), v.Type)) {
            why = "bad hex type";
            return false;
        }
        std::string_view bytes = s.substr(close + 2);
        v.Data.clear();
        v.Data.reserve(bytes.size() / 3 + 1);
        for (size_t i = 0; i < bytes.size();) {
            if (i && bytes[i++] != ',') {
                why = "bad hex data";
                return false;
            }
            const int b = HexByte(bytes, i);
            if (b < 0) {
                why = "bad hex data";
                return false;
            }
            v.Data += char(b);
            i += 2;
        }
        return true;
    }
    why = "unknown value type";
    return false;
}

// Splits and decodes a header path; an empty path is the root.
bool ReadKeyPath(std::string_view s, std::vector<std::string>& parts, std::string& why) {
    parts.clear();
    if (s.empty()) return true;
    std::string cur;
    for (size_t i = 0;; ++i) {
        if (i == s.size() || s[i] == '\\') {
            if (!IsValidKeyName(cur)) {
                why = cur.empty() ? "empty key name" : "key name too long";
                return false;
            }
            if (parts.size() == kMaxKeyDepth) {
                why = "keys nested too deep";
                return false;
            }
            parts.push_back(std::move(cur));
            cur.clear();
            if (i == s.size()) return true;
            continue;
        }
        if (s[i] == '%') {
            const int b = HexByte(s, i + 1);
            if (b < 0) {
                why = "bad % escape in key name";
                return false;
            }
            cur += char(b);
            i += 2;
        } else {
            cur += s[i];
        }
    }
}

}  // namespace

bool RegNameLess::operator()(std::string_view a, std::string_view b) const {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = (unsigned char)Fold(a[i]), y = (unsigned char)Fold(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool RegSameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

bool IsValidKeyName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxKeyNameLength;
}

RegNode* RegNode::FindSubKey(std::string_view name) const {
    auto it = SubKeys.find(name);
    return it == SubKeys.end() ? nullptr : it->second.get();
}

RegNode& RegNode::AddSubKey(std::string_view name, bool* created) {
    auto it = SubKeys.find(name);
    if (created) *created = it == SubKeys.end();
    if (it != SubKeys.end()) return *it->second;
    return *SubKeys.emplace(std::string(name), std::make_unique<RegNode>()).first->second;
}

RegHive ParseRegistryText(std::string_view text) {
    RegHive hive;
    RegNode* current = &hive.Root;
    auto problem = [&](size_t line, std::string msg) {
        if (hive.Problems.size() < kKeptProblems) hive.Problems.push_back({line, std::move(msg)});
        ++hive.ProblemCount;
    };
    std::vector<std::string> parts;
    std::string why, name;
    size_t lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size()) {
            bool crlf = text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n';
            pos += crlf ? 2 : 1;
        }
        ++lineNo;

        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        if (lineNo == 1 && line == kSignature) continue;
        if (line[0] == '[') {
            if (line.back() != ']') {
                problem(lineNo, "header without ']'");
                current = nullptr;
            } else if (!ReadKeyPath(line.substr(1, line.size() - 2), parts, why)) {
                problem(lineNo, why);
                current = nullptr;
            } else {
                current = &hive.Root;
                for (const std::string& p : parts) current = &current->AddSubKey(p);
            }
            continue;
        }
        if (line[0] != '"') {
            problem(lineNo, "neither a [key] nor a \"value\" line");
            continue;
        }
        if (!current) {
            problem(lineNo, "value under a bad key header");
            continue;
        }
        size_t p = 0;
        RegValue value;
        if (!ReadQuoted(line, p, name, why)) {
            problem(lineNo, why);
        } else if (name.size() > kMaxValueNameLength) {
            problem(lineNo, "value name too long");
        } else if (p >= line.size() || line[p] != '=') {
            problem(lineNo, "expected '=' after the value name");
        } else if (!ReadValueData(line.substr(p + 1), value, why)) {
            problem(lineNo, why);
        } else {
            auto it = current->Values.find(name);
            if (it != current->Values.end())
                it->second = std::move(value);
            else
                current->Values.emplace(name, std::move(value));
        }
    }
    return hive;
}

std::string FormatRegistryText(const RegNode& root) {
    std::string out(kSignature);
    out += '\n';
    std::string path;
    AppendNode(out, root, path);
    return out;
}

}  // namespace velt::winreg

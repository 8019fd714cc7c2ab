#pragma once
// Shared by the help generator's tests and fuzz targets: a checker of the RTF
// the generator writes, and the Free Pascal units the corpus tests read.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velt::helptest {

inline const char* const kFpcRoot = "/usr/share/fpcsrc/3.2.2";

// "" when text is RTF as the generator means to write it: one group from
// "{\rtf1" to the last "}", never below depth 0, 7-bit, well-formed control
// words and "\'hh", "\" + line end only as a paragraph, every "\fN" and
// "\cfN" defined by the header's tables, and (when contexts is given) every
// "\uldb" jump aimed at one of them. Else what is wrong, with its offset.
inline std::string CheckRtf(std::string_view t, const std::set<std::string>* contexts = nullptr) {
    const auto at = [](size_t i, const std::string& what) { return what + " at " + std::to_string(i); };
    if (t.substr(0, 6) != "{\\rtf1") return at(0, "no {\\rtf1");
    std::set<long long> fonts;
    int colours = -1;
    // The header's tables, read from their groups.
    {
        const size_t ft = t.find("{\\fonttbl");
        const size_t ct = t.find("{\\colortbl");
        if (ft == std::string_view::npos || ct == std::string_view::npos) return at(0, "no font or colour table");
        for (size_t p = t.find("{\\f", ft + 9); p != std::string_view::npos && p < ct; p = t.find("{\\f", p + 3)) {
            size_t q = p + 3;
            int n = 0;
            bool digits = false;
            while (q < t.size() && std::isdigit(static_cast<unsigned char>(t[q]))) n = n * 10 + (t[q++] - '0'), digits = true;
            if (digits) fonts.insert(n);
        }
        const size_t ce = t.find('}', ct);
        if (ce == std::string_view::npos) return at(ct, "open colour table");
        colours = int(std::count(t.begin() + long(ct), t.begin() + long(ce), ';'));
    }
    int depth = 0;
    bool closed = false;
    for (size_t i = 0; i < t.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if (closed) {
            if (c != '\r' && c != '\n') return at(i, "text after the last group");
            continue;
        }
        if (c >= 0x80) return at(i, "8-bit byte");
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth < 0) return at(i, "group closed below depth 0");
            if (depth == 0) closed = true;
        } else if (c == '\\') {
            if (i + 1 >= t.size()) return at(i, "lone backslash");
            const char n = t[i + 1];
            if (std::isalpha(static_cast<unsigned char>(n))) {
                size_t e = i + 1;
                while (e < t.size() && std::isalpha(static_cast<unsigned char>(t[e]))) ++e;
                // Views, not copies: the fuzz targets run this on every input.
                const std::string_view word = t.substr(i + 1, e - i - 1);
                if (word.size() > 32) return at(i, "control word too long");
                size_t d = e;
                if (d < t.size() && t[d] == '-') ++d;
                long long value = 0;
                while (d < t.size() && std::isdigit(static_cast<unsigned char>(t[d]))) {
                    if (value < (1LL << 40)) value = value * 10 + (t[d] - '0');
                    ++d;
                }
                const std::string_view param = t.substr(e, d - e);
                if (param == "-") return at(i, "sign without digits");
                if (param.starts_with('-')) value = -value;
                if (word == "f" && !param.empty() && !fonts.count(value))
                    return at(i, "undefined font \\f" + std::string(param));
                if (word == "cf" && !param.empty() && value >= colours)
                    return at(i, "undefined colour \\cf" + std::string(param));
                if (word == "uldb" && param.empty() && contexts) {
                    const size_t v = t.find("\\v ", d);
                    const size_t v0 = v == std::string_view::npos ? v : t.find("\\v0", v);
                    if (v0 == std::string_view::npos) return at(i, "jump without a target");
                    std::string target(t.substr(v + 3, v0 - v - 3));
                    if (target.rfind("!PopupID(", 0) == 0) target = target.substr(9, target.find(')') - 9);
                    target = target.substr(0, target.find('>'));
                    if (!contexts->count(target)) return at(i, "jump to unknown context " + target);
                }
                i = (d < t.size() && t[d] == ' ') ? d : d - 1;
            } else if (n == '\'') {
                if (i + 3 >= t.size() || !std::isxdigit(static_cast<unsigned char>(t[i + 2])) ||
                    !std::isxdigit(static_cast<unsigned char>(t[i + 3])))
                    return at(i, "bad \\'hh");
                i += 3;
            } else if (n == '\r' || n == '\n' || std::string_view("\\{}~-_*|:").find(n) != std::string_view::npos) {
                ++i;
            } else {
                return at(i, std::string("bad control symbol \\") + n);
            }
        }
    }
    if (!closed) return at(t.size(), "group left open");
    return std::string();
}

// The first count Pascal units (.pp, .pas) of the Free Pascal sources under
// the folder, by path, without asm blocks when noAsm.
inline std::vector<std::string> FpcUnits(const std::string& folder, size_t count) {
    std::vector<std::string> all;
    std::error_code ec;
    const std::filesystem::path root = std::string(kFpcRoot) + "/" + folder;
    if (!std::filesystem::is_directory(root, ec)) return all;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string ext = it->path().extension().string();
        if (it->is_regular_file(ec) && (ext == ".pp" || ext == ".pas")) all.push_back(it->path().string());
    }
    std::sort(all.begin(), all.end());
    if (all.size() > count) all.resize(count);
    return all;
}

}  // namespace velt::helptest

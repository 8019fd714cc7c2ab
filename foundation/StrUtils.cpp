#include "foundation/StrUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "foundation/SysUtils.h"

namespace velt::StrUtils {

namespace {

// Packs a time as a DOS date-time in local time. DOS dates start in 1980 and
// end in 2107; times outside are clamped to the nearest representable one.
int32_t DosDateTime(time_t t) {
    struct tm tm {};
    if (!localtime_r(&t, &tm)) return -1;
    int year = tm.tm_year + 1900;
    if (year < 1980) return int32_t((1u << 21) | (1u << 16));  // 1980-01-01 00:00:00
    if (year > 2107) return int32_t(0xFF9FBF7Du);             // 2107-12-31 23:59:58
    uint32_t date = uint32_t(year - 1980) << 9 | uint32_t(tm.tm_mon + 1) << 5 | uint32_t(tm.tm_mday);
    uint32_t time = uint32_t(tm.tm_hour) << 11 | uint32_t(tm.tm_min) << 5 | uint32_t(tm.tm_sec / 2);
    return int32_t(date << 16 | time);
}

}  // namespace

bool FileModified(const std::string& fileName, int32_t& stamp) {
    int32_t now = -1;
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0) now = DosDateTime(st.st_mtime);
        ::close(fd);
    }
    if (now == stamp) return false;
    stamp = now;
    return true;
}

std::string GetTemporaryFolder() {
    for (const char* name : {"TEMP", "TMPDIR"}) {
        const char* v = std::getenv(name);
        if (v && *v) return v;
    }
    return "/tmp";
}

std::string Blanks(int32_t n) { return n <= 0 ? std::string() : std::string(size_t(n), ' '); }

std::string GetIdent(std::string_view s, int pos) {
    const int len = int(s.size());
    // No identifier touches a position outside 1 .. len + 1; leaving early
    // also keeps pos - 1 and pos + 1 from overflowing.
    if (pos < 1 || pos > len + 1) return {};
    auto identAt = [&](int i) { return i >= 1 && i <= len && IsIdentChar(s[size_t(i - 1)]); };
    int first = pos;  // first character of the run to the left
    while (identAt(first - 1)) --first;
    int last = pos - 1;  // last character of the run to the right
    while (identAt(last + 1)) ++last;
    if (last < first) return {};
    return std::string(s.substr(size_t(first - 1), size_t(last - first + 1)));
}

std::string KillBlanks(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s)
        if (c != '\t' && c != '\n' && c != '\r' && c != ' ') r += c;
    return r;
}

// The matching rules, written as a recursion on (mask from a, text from b),
// give the same answer for a state whatever call reached it, and a star tries
// every later start of the text. Evaluated here row by row from the end of
// the mask, with a running "any later start matches" for the star, so the
// cost is length(mask) * length(text) however many stars there are.
bool Like(std::string_view mask, std::string_view s) {
    const size_t m = mask.size(), n = s.size();
    if (m > n) return false;
    // next[b]: whether mask from a+1 matches text from b; cur[b]: from a.
    std::vector<char> next(n + 1), cur(n + 1);
    for (size_t b = 0; b <= n; ++b) next[b] = (b == n);  // empty mask: only the empty text
    for (size_t a = m; a-- > 0;) {
        const char c = mask[a];
        const size_t restMask = m - a;
        bool anyLater = false;  // some next[k] true for k in [b, n-1]
        for (size_t b = n + 1; b-- > 0;) {
            const size_t restText = n - b;
            if (b < n && next[b]) anyLater = true;
            bool r;
            if (restMask > restText) {
                r = false;
            } else if (c == '*') {
                // a trailing star takes the rest of the text
                r = (a + 1 == m) || anyLater;
            } else if (c == '?') {
                r = next[b + 1];
            } else {
                r = UpCaseChar(c) == UpCaseChar(s[b]) && next[b + 1];
            }
            cur[b] = r;
        }
        next.swap(cur);
    }
    return next[0];
}

bool isPrefix(std::string_view prefix, std::string_view s) {
    if (s.size() < prefix.size()) return false;
    return CompareText(s.substr(0, prefix.size()), prefix) == 0;
}

std::string CopyBefore(std::string_view sub, std::string_view s) {
    int p = Pos(sub, s);
    return p == 0 ? std::string(s) : std::string(s.substr(0, size_t(p - 1)));
}

std::string CopyAfter(std::string_view sub, std::string_view s) {
    int p = Pos(sub, s);
    return p == 0 ? std::string() : std::string(s.substr(size_t(p - 1) + sub.size()));
}

std::string_view TrimLeftView(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlankChar(s[i])) ++i;
    return s.substr(i);
}

std::string_view TrimView(std::string_view s) {
    s = TrimLeftView(s);
    size_t n = s.size();
    while (n > 0 && IsBlankChar(s[n - 1])) --n;
    return s.substr(0, n);
}

size_t FindWord(std::string_view s, std::string_view w, size_t from) {
    if (w.empty()) return std::string_view::npos;
    for (size_t i = from; i + w.size() <= s.size(); ++i) {
        if (i > 0 && IsIdentChar(s[i - 1])) continue;
        size_t k = 0;
        while (k < w.size() && LowCaseChar(s[i + k]) == LowCaseChar(w[k])) ++k;
        if (k == w.size() && (i + k == s.size() || !IsIdentChar(s[i + k]))) return i;
    }
    return std::string_view::npos;
}

}  // namespace velt::StrUtils

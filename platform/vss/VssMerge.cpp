#include "platform/vss/VssMerge.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace velt::vss {

namespace {

// Differences beyond this many edits are not worth comparing line by line:
// the merge gives up (a conflict) instead of taking quadratic memory.
constexpr int kMaxEdits = 2000;

// Lines with their terminators, so joining them gives the text back.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lines.push_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// Base lines [A0, A1) are replaced by the other text's lines [B0, B1).
struct THunk {
    size_t A0, A1, B0, B1;
};

// The hunks turning a into b (Myers' greedy O(ND) walk over line numbers), or
// nothing when they differ in more than kMaxEdits lines.
std::optional<std::vector<THunk>> Diff(const std::vector<int>& a, const std::vector<int>& b) {
    size_t pre = 0;
    while (pre < a.size() && pre < b.size() && a[pre] == b[pre]) ++pre;
    size_t suf = 0;
    while (suf < a.size() - pre && suf < b.size() - pre && a[a.size() - 1 - suf] == b[b.size() - 1 - suf]) ++suf;
    const int n = int(a.size() - pre - suf), m = int(b.size() - pre - suf);
    auto A = [&](int i) { return a[pre + size_t(i)]; };
    auto B = [&](int i) { return b[pre + size_t(i)]; };

    // Matched pairs (x, y) of the middle part, found from the end backwards.
    std::vector<std::pair<int, int>> matches;
    if (n > 0 && m > 0) {
        const int max = std::min(n + m, kMaxEdits);
        std::vector<int> v(size_t(2 * max + 3), 0);
        auto V = [&](int k) -> int& { return v[size_t(k + max + 1)]; };
        std::vector<std::vector<int>> trace;  // trace[d][k + d]: furthest x on diagonal k after d edits
        int found = -1;
        for (int d = 0; d <= max && found < 0; ++d) {
            for (int k = -d; k <= d; k += 2) {
                int x = (k == -d || (k != d && V(k - 1) < V(k + 1))) ? V(k + 1) : V(k - 1) + 1;
                int y = x - k;
                while (x < n && y < m && A(x) == B(y)) ++x, ++y;
                V(k) = x;
                if (x >= n && y >= m) found = d;
            }
            trace.emplace_back(v.begin() + (max + 1 - d), v.begin() + (max + 1 + d + 1));
        }
        if (found < 0) return std::nullopt;
        int x = n, y = m;
        for (int d = found; d > 0; --d) {
            const std::vector<int>& prev = trace[size_t(d - 1)];
            auto P = [&](int k) { return prev[size_t(k + d - 1)]; };
            int k = x - y;
            int prevK = (k == -d || (k != d && P(k - 1) < P(k + 1))) ? k + 1 : k - 1;
            int prevX = P(prevK), prevY = prevX - prevK;
            int midX = prevK == k + 1 ? prevX : prevX + 1;
            while (x > midX) matches.emplace_back(--x, --y);
            x = prevX;
            y = prevY;
        }
        while (x > 0) matches.emplace_back(--x, --y);
        std::reverse(matches.begin(), matches.end());
    }

    std::vector<THunk> hunks;
    size_t pa = pre, pb = pre;
    auto gap = [&](size_t ea, size_t eb) {
        if (ea > pa || eb > pb) hunks.push_back({pa, ea, pb, eb});
        pa = ea + 1;
        pb = eb + 1;
    };
    for (auto [x, y] : matches) gap(pre + size_t(x), pre + size_t(y));
    gap(pre + size_t(n), pre + size_t(m));
    return hunks;
}

}  // namespace

std::optional<std::string> MergeText(std::string_view base, std::string_view mine, std::string_view theirs) {
    if (mine == theirs || base == theirs) return std::string(mine);
    if (base == mine) return std::string(theirs);

    std::vector<std::string_view> texts[3] = {SplitLines(base), SplitLines(mine), SplitLines(theirs)};
    std::unordered_map<std::string_view, int> ids;
    std::vector<int> numbers[3];
    for (int t = 0; t < 3; ++t)
        for (std::string_view line : texts[t]) numbers[t].push_back(ids.emplace(line, int(ids.size())).first->second);
    auto mineHunks = Diff(numbers[0], numbers[1]);
    auto theirHunks = Diff(numbers[0], numbers[2]);
    if (!mineHunks || !theirHunks) return std::nullopt;

    std::string out;
    auto copyBase = [&](std::string& to, size_t from, size_t end) {
        for (size_t i = from; i < end; ++i) to += texts[0][i];
    };
    // The region [start, end) of base with one side's hunks applied.
    auto apply = [&](int side, const std::vector<THunk>& hunks, size_t start, size_t end) {
        std::string r;
        size_t cur = start;
        for (const THunk& h : hunks) {
            copyBase(r, cur, h.A0);
            for (size_t i = h.B0; i < h.B1; ++i) r += texts[side][i];
            cur = h.A1;
        }
        copyBase(r, cur, end);
        return r;
    };

    size_t pos = 0, i = 0, j = 0;
    const auto& hm = *mineHunks;
    const auto& ht = *theirHunks;
    while (i < hm.size() || j < ht.size()) {
        size_t start = std::min(i < hm.size() ? hm[i].A0 : SIZE_MAX, j < ht.size() ? ht[j].A0 : SIZE_MAX);
        size_t end = start;
        std::vector<THunk> mineIn, theirsIn;
        // Changes that overlap or touch form one region.
        for (bool grew = true; grew;) {
            grew = false;
            while (i < hm.size() && hm[i].A0 <= end) {
                end = std::max(end, hm[i].A1);
                mineIn.push_back(hm[i++]);
                grew = true;
            }
            while (j < ht.size() && ht[j].A0 <= end) {
                end = std::max(end, ht[j].A1);
                theirsIn.push_back(ht[j++]);
                grew = true;
            }
        }
        copyBase(out, pos, start);
        std::string m = apply(1, mineIn, start, end), t = apply(2, theirsIn, start, end);
        if (!mineIn.empty() && !theirsIn.empty() && m != t) return std::nullopt;
        out += mineIn.empty() ? t : m;
        pos = end;
    }
    copyBase(out, pos, texts[0].size());
    return out;
}

}  // namespace velt::vss

// Differential test against gforth: random straight-line programs of integer
// literals and stack/arithmetic words must leave the same stack (modulo 2^32,
// since our cells are 32-bit and gforth's are wider).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

#include "forth/tests/ForthTestHost.h"

using namespace velt;
using namespace velt::test;

namespace {

struct TProgram {
    std::string Ours, Theirs;
};

// A program that never reads below the bottom of the stack nor fills it.
TProgram RandomProgram(std::mt19937& rng) {
    static const char* const ops[][2] = {{"+", "+"},       {"-", "-"},       {"&", "and"},
                                         {"|", "or"},      {"DUP", "dup"},   {"DROP", "drop"},
                                         {"SWAP", "swap"}, {"OVER", "over"}, {"TRUE", "true"},
                                         {"FALSE", "false"}};
    static const int needs[] = {2, 2, 2, 2, 1, 1, 2, 2, 0, 0};
    static const int grows[] = {-1, -1, -1, -1, 1, -1, 0, 1, 1, 1};
    TProgram p;
    int depth = 0;
    const int tokens = 1 + int(rng() % 40);
    for (int t = 0; t < tokens; ++t) {
        std::string ours, theirs;
        const uint32_t pick = rng() % 16;
        if (pick < 6 || depth == 0) {
            if (depth >= 60) continue;
            const uint32_t r = rng();
            if (pick % 2 == 0) {
                char buf[16];
                const int digits = 1 + int(rng() % 8);
                std::snprintf(buf, sizeof buf, "$%0*X", digits, r >> (32 - 4 * digits));
                ours = theirs = buf;
            } else {
                // Small and full-range decimals, both signs.
                const int32_t v = (rng() % 2) ? int32_t(r) : int32_t(r % 201) - 100;
                ours = theirs = std::to_string(v);
            }
            ++depth;
        } else {
            const int k = int(rng() % 10);
            if (depth < needs[k] || depth + grows[k] > 60) continue;
            ours = ops[k][0];
            theirs = ops[k][1];
            depth += grows[k];
        }
        p.Ours += ours + (rng() % 5 == 0 ? "\r\n" : " ");
        p.Theirs += theirs + " ";
    }
    return p;
}

bool HaveGforth() { return std::system("command -v gforth >/dev/null 2>&1") == 0; }

}  // namespace

TEST(ForthDifferential, MatchesGforthOnStraightLinePrograms) {
    if (!HaveGforth()) GTEST_SKIP() << "gforth is not installed";
    std::mt19937 rng(20240611u);
    std::vector<TProgram> programs;
    for (int i = 0; i < 1000; ++i) programs.push_back(RandomProgram(rng));

    // One gforth run for all programs: each line prints its depth and then
    // its cells, top first, and leaves an empty stack.
    TTempFolder dir;
    std::string script = ": show depth dup . 0 ?do . loop cr ;\n";
    for (const TProgram& p : programs) script += p.Theirs + "show\n";
    script += "bye\n";
    const std::string file = dir.Write("programs.fs", script);
    FILE* pipe = ::popen(("gforth " + file + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    ASSERT_EQ(::pclose(pipe), 0) << out.substr(0, 2000);

    std::istringstream lines(out);
    std::string line;
    TForth f;
    int compared = 0;
    for (const TProgram& p : programs) {
        ASSERT_TRUE(std::getline(lines, line)) << "gforth stopped early";
        std::istringstream in(line);
        long long depth = -1;
        in >> depth;
        std::vector<uint32_t> theirs;
        long long v;
        while (in >> v) theirs.push_back(uint32_t(uint64_t(v)));
        ASSERT_EQ(theirs.size(), size_t(depth)) << line;

        f.ExecForth(p.Ours);
        std::vector<uint32_t> ours;
        while (f.Stack.Count() > 0) {
            TCell c;
            f.Pop(c);
            ASSERT_EQ(c.Kind, ckInteger);
            ours.push_back(uint32_t(c.Value));
        }
        ASSERT_EQ(ours, theirs) << "program: " << p.Ours;
        ++compared;
    }
    EXPECT_EQ(compared, 1000);
}

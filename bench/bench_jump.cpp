// What a user waits for on a hotkey: the host loads the editor text afresh
// (SetLinesText, ValidateLines), then runs the word. Measured on a unit of
// about 600 lines (csvdocument.pp, near the median unit of the Free Pascal
// sources) and one of about 30,000 (pasresolver.pp), as medians over a jump
// from every method implementation whose declaration the unit holds and
// back from that declaration:
//  - load_ns_per_line: loading the unit into a model holding a text of
//    which no line is the same (another unit);
//  - jump_us: one HyperJump, the unit loaded once;
//  - load_jump_us: load + one jump, every load an edit of the text before
//    (the middle line changed);
//  - new_load_jump_us: the same, every load a text of which no line is the
//    same as before;
//  - reload_jump_us: load + one jump, the same text again (repeated hotkeys
//    on an unchanged editor).
// And one jump in a unit of 10,000 nested class types (nested_jump_ms).
// The figures are checked against bench/jump_baseline.txt: one more than
// kSlack times its baseline fails the benchmark.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "source/tests/HyperCorpus.h"

namespace {

using namespace velt;
using Clock = std::chrono::steady_clock;

const char* const kUnits[] = {
    "/usr/share/fpcsrc/3.2.2/packages/fcl-base/src/csvdocument.pp",    // about 600 lines
    "/usr/share/fpcsrc/3.2.2/packages/fcl-passrc/src/pasresolver.pp",  // about 30,000 lines
};
const char* const kUnitKeys[] = {"600", "30000"};
constexpr double kSlack = 3.0;

std::string BaselineFile() {
    return (std::filesystem::path(__FILE__).parent_path() / "jump_baseline.txt").string();
}

// Reports value against the baseline of key; a figure beyond kSlack times
// the baseline fails the benchmark.
void CheckBaseline(benchmark::State& state, const std::string& key, double value) {
    state.counters[key] = value;
    double baseline = 0;
    if (!corpus::ReadBaselineValue(BaselineFile(), key, baseline)) {
        std::printf("jump: %s %.3f (no baseline)\n", key.c_str(), value);
        return;
    }
    const bool ok = value <= baseline * kSlack;
    std::printf("jump: %s %.3f, baseline %.3f: %s\n", key.c_str(), value, baseline, ok ? "kept" : "SLOWER");
    if (!ok) state.SkipWithError((key + " is more than 3 times its baseline").c_str());
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Micros(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::micro>(b - a).count();
}

struct Unit {
    std::string File, Text;
    std::string Edited;  // the middle line changed
    std::string Other;   // no line the same
    std::vector<std::pair<int, int>> Methods;  // (implementation header, declaration)
    int Lines = 0;
};

// The unit and its eligible methods; false, the benchmark skipped, without it.
bool LoadUnit(benchmark::State& state, Unit& u) {
    u.File = kUnits[state.range(0)];
    try {
        u.Text = ReadWholeFile(u.File);
    } catch (const Exception&) {
        state.SkipWithError("Free Pascal sources not installed (fpc-source-3.2.2)");
        return false;
    }
    const std::vector<std::string_view> lines = LineViews(u.Text);
    for (size_t i = 0; i < lines.size(); ++i) {
        u.Edited += std::string(lines[i]) + (i == lines.size() / 2 ? " \n" : "\n");
        u.Other += "//" + std::string(lines[i]) + "\r\n";
    }
    TIHyperSourceCode src;
    corpus::LoadModel(src, u.Text, u.File);
    u.Lines = src.Lines->Count();
    std::string c, m;
    for (int i = std::max(src.ImplLine + 1, 0); i < std::min(src.ImplEndLine, u.Lines); ++i) {
        int h = 0, d = 0;
        if (src.isValidMethodImpl(src.Lines->Get(i), c, m) && !c.empty() && src.FindClass(c, h) &&
            src.FindMethodIntf(c, m, d))
            u.Methods.emplace_back(i, d);
    }
    if (u.Methods.empty()) state.SkipWithError("no implementation with a declaration");
    return !u.Methods.empty();
}

void Load(TIHyperSourceCode& src, const std::string& text) {
    src.SetLinesText(text);
    src.ValidateLines();
}

// One jump from line, the cursor placed as a user would.
void JumpFrom(TIHyperSourceCode& src, int line) {
    corpus::PlaceAt(src, line, 1);
    src.HyperJump();
}

void BM_LoadPerLine(benchmark::State& state) {
    Unit u;
    if (!LoadUnit(state, u)) return;
    TIHyperSourceCode src;
    std::vector<double> t;
    for (auto _ : state) {
        Load(src, u.Other);
        auto a = Clock::now();
        Load(src, u.Text);
        t.push_back(Micros(a, Clock::now()));
    }
    state.counters["lines"] = u.Lines;
    CheckBaseline(state, std::string("load_ns_per_line_") + kUnitKeys[state.range(0)],
                  Median(t) * 1000.0 / u.Lines);
}
BENCHMARK(BM_LoadPerLine)->Arg(0)->Arg(1)->Iterations(200)->Unit(benchmark::kMicrosecond);

// Median microseconds of a jump from every eligible implementation and back
// from its declaration: prepare(k) runs ahead of jump k, load(k) too and is
// timed with it.
template <class Prepare, class LoadText>
double MedianJump(const Unit& u, TIHyperSourceCode& src, Prepare prepare, LoadText load, int rounds) {
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r)
        for (const auto& [impl, decl] : u.Methods)
            for (int from : {impl, decl}) {
                prepare();
                auto a = Clock::now();
                load();
                JumpFrom(src, from);
                t.push_back(Micros(a, Clock::now()));
            }
    return Median(std::move(t));
}

void BM_Jump(benchmark::State& state) {
    Unit u;
    if (!LoadUnit(state, u)) return;
    corpus::TNoDialogs dialogs;
    TDialogPortGuard guard(&dialogs);
    TIHyperSourceCode src;
    corpus::LoadModel(src, u.Text, u.File);
    const int rounds = u.Lines < 5000 ? 20 : 2;
    double jump = 0, edited = 0, other = 0, same = 0;
    bool flip = false;
    for (auto _ : state) {
        jump = MedianJump(u, src, [] {}, [] {}, rounds);
        edited = MedianJump(u, src, [] {}, [&] { Load(src, (flip = !flip) ? u.Edited : u.Text); }, rounds);
        other = MedianJump(u, src, [&] { Load(src, u.Other); }, [&] { Load(src, u.Text); }, rounds);
        same = MedianJump(u, src, [] {}, [&] { Load(src, u.Text); }, rounds);
    }
    if (src.GetModified()) state.SkipWithError("a jump changed the text");
    const std::string key = kUnitKeys[state.range(0)];
    state.counters["lines"] = u.Lines;
    state.counters["methods"] = double(u.Methods.size());
    CheckBaseline(state, "jump_us_" + key, jump);
    CheckBaseline(state, "load_jump_us_" + key, edited);
    CheckBaseline(state, "new_load_jump_us_" + key, other);
    CheckBaseline(state, "reload_jump_us_" + key, same);
}
BENCHMARK(BM_Jump)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// A class holding 10,000 nested class types, then a method: the jump from
// that method to its implementation walks up past every nested header.
void BM_NestedClassJump(benchmark::State& state) {
    constexpr int kDepth = 10000;
    std::string text = "unit Nest;\ninterface\ntype\n";
    for (int i = 0; i < kDepth; ++i) text += "  TC" + std::to_string(i) + " = class\n";
    text += "    procedure Inner;\n";
    for (int i = 1; i < kDepth; ++i) text += "  end;\n";
    text += "    procedure Outer;\n  end;\nimplementation\nprocedure TC0.Outer;\nbegin\nend;\nend.\n";
    corpus::TNoDialogs dialogs;
    TDialogPortGuard guard(&dialogs);
    TIHyperSourceCode src;
    std::vector<double> t;
    for (auto _ : state) {
        Load(src, text);
        src.Lines->Put(0, "unit Nest;");  // nothing known survives
        auto a = Clock::now();
        JumpFrom(src, 2 * kDepth + 3);
        t.push_back(Micros(a, Clock::now()));
    }
    if (src.GetCursorLine() != 2 * kDepth + 7) state.SkipWithError("did not land on the implementation");
    CheckBaseline(state, "nested_jump_ms", Median(t) / 1000.0);
}
BENCHMARK(BM_NestedClassJump)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

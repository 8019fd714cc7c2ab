// The help generator on two large Free Pascal units: document and link a new
// project, regenerate it over its own files, and mark 1 MB of Pascal text.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "helpdoc/HelpDoc.h"
#include "helpdoc/Parsek.h"

namespace {

namespace fs = std::filesystem;

const char* const kUnits[] = {"/usr/share/fpcsrc/3.2.2/packages/fcl-passrc/src/pastree.pp",
                              "/usr/share/fpcsrc/3.2.2/packages/fcl-report/src/fpreport.pp"};

struct Folder {
    Folder() {
        char tmpl[] = "/tmp/velt-bench-helpdoc-XXXXXX";
        if (mkdtemp(tmpl)) path = tmpl;
    }
    ~Folder() {
        if (!path.empty()) fs::remove_all(path);
    }
    std::string path;
};

void Document(const std::string& folder, const std::string& unit) {
    velt::TIHelpProject project;
    project.LoadHelpProject(folder + "/Help.hpj");
    velt::DocumentUnits(project, {unit});
}

void BM_DocumentAndLink(benchmark::State& state) {
    const std::string unit = kUnits[state.range(0)];
    if (!fs::exists(unit)) return state.SkipWithError("Free Pascal sources not installed (fpc-source-3.2.2)");
    Folder f;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string dir = f.path + "/" + std::to_string(run++);
        fs::create_directory(dir);
        state.ResumeTiming();
        Document(dir, unit);
    }
    state.SetLabel(fs::path(unit).filename().string());
}
BENCHMARK(BM_DocumentAndLink)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Regenerate(benchmark::State& state) {
    const std::string unit = kUnits[state.range(0)];
    if (!fs::exists(unit)) return state.SkipWithError("Free Pascal sources not installed (fpc-source-3.2.2)");
    Folder f;
    Document(f.path, unit);
    for (auto _ : state) Document(f.path, unit);
    state.SetLabel(fs::path(unit).filename().string());
}
BENCHMARK(BM_Regenerate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Hightlight(benchmark::State& state) {
    std::string text;
    if (fs::exists(kUnits[0])) text = velt::ReadWholeFile(kUnits[0]);
    if (text.empty()) text = "begin x := 'it''s'; { comment } // line\n";
    std::string mb;
    while (mb.size() < size_t(state.range(0))) mb += text;
    mb.resize(size_t(state.range(0)));
    velt::TSRCParsek p;
    for (auto _ : state) benchmark::DoNotOptimize(p.Hightlight(mb, true));
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Hightlight)->Arg(256 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A unit of n routines, or of a chain of n classes each derived from the
// last with a method of its own.
std::string SyntheticUnit(int n, bool chain) {
    std::string s = "unit Big;\ninterface\n";
    if (chain) {
        s += "type\n";
        for (int i = 0; i < n; ++i)
            s += "  T" + std::to_string(i) + " = class" + (i ? "(T" + std::to_string(i - 1) + ")" : std::string()) +
                 "\n  public\n    procedure M" + std::to_string(i) + "(A: Integer);\n  end;\n";
    } else {
        for (int i = 0; i < n; ++i) s += "procedure R" + std::to_string(i) + "(A: Integer; const S: string);\n";
    }
    return s + "implementation\nend.\n";
}

void DocumentSynthetic(benchmark::State& state, bool chain) {
    Folder f;
    const std::string unit = f.path + "/Big.pas";
    const std::string text = SyntheticUnit(int(state.range(0)), chain);
    velt::AtomicWriteFile(unit, text.data(), text.size());
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string dir = f.path + "/" + std::to_string(run++);
        fs::create_directory(dir);
        state.ResumeTiming();
        Document(dir, unit);
        state.PauseTiming();
        state.counters["links_MB"] = double(fs::file_size(dir + "/help-links.rtf")) / 1e6;
        fs::remove_all(dir);
        state.ResumeTiming();
    }
}

// Goal: 16,000 routines in under 2 s.
void BM_Routines(benchmark::State& state) { DocumentSynthetic(state, false); }
BENCHMARK(BM_Routines)->Arg(2000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Goal: a chain of 1,000 classes in under 2 s; each lists every ancestor's
// members, so the links document grows with the square of the chain.
void BM_ClassChain(benchmark::State& state) { DocumentSynthetic(state, true); }
BENCHMARK(BM_ClassChain)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

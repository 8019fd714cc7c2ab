#pragma once
// Runs the unit model over real Pascal units (shared by the corpus test and
// the corpus benchmark): sections, unit parse, and for every method
// implementation whose class the unit declares, whether the declaration is
// found in that class.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "source/SourceCode.h"

namespace velt::corpus {

inline const char* const kCorpusRoot = "/usr/share/fpcsrc/3.2.2";

struct UnitResult {
    bool IsUnit = false;        // a line starts with "unit"
    bool SectionsFound = false; // interface, implementation and "end." found
    int Impls = 0;              // qualified implementation headers
    int ImplsWithClass = 0;     // ... whose class the unit declares
    int Matched = 0;            // ... whose declaration is found in the class
    int Mismatches = 0;         // FindMethodIntf disagreeing with the class parse
    std::vector<std::string> Unmatched;  // "Class.Method" (first few)
    double Seconds = 0;
};

struct Totals {
    int Files = 0, Units = 0, SectionsFound = 0;
    long Impls = 0, ImplsWithClass = 0, Matched = 0, Mismatches = 0;
    double MaxSeconds = 0;
    std::string SlowestFile;

    void Add(const std::string& file, const UnitResult& r) {
        ++Files;
        Units += r.IsUnit;
        SectionsFound += r.IsUnit && r.SectionsFound;
        Impls += r.Impls;
        ImplsWithClass += r.ImplsWithClass;
        Matched += r.Matched;
        Mismatches += r.Mismatches;
        if (r.Seconds > MaxSeconds) MaxSeconds = r.Seconds, SlowestFile = file;
    }
    double SectionRate() const { return Units ? 100.0 * SectionsFound / Units : 0; }
    double MatchRate() const { return ImplsWithClass ? 100.0 * double(Matched) / double(ImplsWithClass) : 0; }
};

inline UnitResult ScanUnit(const std::string& text) {
    auto t0 = std::chrono::steady_clock::now();
    UnitResult r;
    TISourceCode src;
    src.SetLinesText(text);
    src.ValidateLines();
    const int n = src.Lines->Count();
    const auto& L = src.Lines->Strings();
    bool intf = false, impl = false;
    for (int i = 0; i < n; ++i) {
        if (src.izPrefix("unit", L[size_t(i)])) r.IsUnit = true;
    }
    intf = src.IntfLine < n && src.izPrefix("interface", L[size_t(src.IntfLine)]);
    impl = src.ImplLine > 0 && src.ImplLine < n && src.izPrefix("implementation", L[size_t(src.ImplLine)]);
    r.SectionsFound = intf && impl && src.EndLine < n;

    TUnitComponentList unitList;
    src.ParseUnit(unitList);

    // Every class the unit declares, parsed once.
    std::map<std::string, std::set<std::string>> declared;  // upper-case class -> upper-case methods
    std::map<std::string, bool> known;
    std::string c, m;
    for (int i = std::max(src.ImplLine + 1, 0); i < std::min(src.ImplEndLine, n); ++i) {
        if (!src.isValidMethodImpl(L[size_t(i)], c, m) || c.empty()) continue;
        ++r.Impls;
        std::string uc = UpperCase(c);
        auto k = known.find(uc);
        if (k == known.end()) {
            int h = 0;
            bool found = src.FindClass(c, h);
            k = known.emplace(uc, found).first;
            if (found) {
                TClassComponentList list;
                src.ParseClassAt(h, list);
                auto& set = declared[uc];
                for (int j = 0; j < list.GetCount(); ++j) {
                    TClassComponent cc = list.GetClassComponent(j);
                    if (cc.Kind == 3) set.insert(UpperCase(cc.Name));
                }
            }
            // The search used by the commands agrees with the class parse.
            int line = 0;
            bool viaSearch = found && src.FindMethodIntf(c, m, line);
            bool viaParse = found && declared[uc].count(UpperCase(m)) > 0;
            if (viaSearch != viaParse) ++r.Mismatches;
        }
        if (!k->second) continue;
        ++r.ImplsWithClass;
        if (declared[uc].count(UpperCase(m))) {
            ++r.Matched;
        } else if (r.Unmatched.size() < 5) {
            r.Unmatched.push_back(c + "." + m + " @" + std::to_string(i + 1));
        }
    }
    // Every class of the unit list parses.
    for (int j = 0; j < unitList.GetCount(); ++j) {
        TUnitComponent u = unitList.GetUnitComponent(j);
        if (u.Kind == 2 || u.Kind == 1) {
            TClassComponentList list;
            src.ParseClass(u.Name, list);
        }
    }
    r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return r;
}

// Every .pas / .pp file under root, sorted.
inline std::vector<std::string> CorpusFiles(const std::string& root = kCorpusRoot) {
    std::vector<std::string> files;
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec)) return files;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string ext = LowerCase(it->path().extension().string());
        if (ext == ".pas" || ext == ".pp") files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// For the corpus benchmarks: runs scan(file, text, totals) over every corpus
// file once per benchmark iteration, on fresh totals. Without the corpus the
// benchmark is skipped and the answer is false.
template <class State, class TotalsT, class Scan>
bool ScanCorpus(State& state, TotalsT& totals, Scan scan) {
    const auto files = CorpusFiles();
    if (files.empty()) {
        state.SkipWithError("Free Pascal sources not installed (fpc-source-3.2.2)");
        return false;
    }
    for (auto _ : state) {
        totals = TotalsT();
        for (const auto& f : files) scan(f, ReadWholeFile(f), totals);
    }
    return true;
}

// Whether VELT_CORPUS_VERBOSE=1 asks for the per-unit lines.
inline bool CorpusVerbose() { return std::getenv("VELT_CORPUS_VERBOSE") != nullptr; }

// A file under source/tests/data, found from this header's own path (the
// benchmarks run outside the test tree).
inline std::string CorpusDataFile(const std::string& relPath) {
    return (std::filesystem::path(__FILE__).parent_path() / "data" / relPath).string();
}

// Every n-th file of the sorted list, at most count of them: the same
// sample every run.
inline std::vector<std::string> Sample(const std::vector<std::string>& files, size_t count) {
    std::vector<std::string> r;
    const size_t step = std::max<size_t>(1, files.size() / count);
    for (size_t i = 0; i < files.size() && r.size() < count; i += step) r.push_back(files[i]);
    return r;
}

// A baseline value "key <number>" of a baseline file; false when missing.
inline bool ReadBaselineValue(const std::string& file, const std::string& key, double& value) {
    TStringList l;
    try {
        l.LoadFromFile(file);
    } catch (const Exception&) {
        return false;
    }
    for (const auto& s : l.Strings()) {
        std::string t = Trim(s);
        if (t.empty() || t[0] == '#') continue;
        size_t sp = t.find(' ');
        if (sp != std::string::npos && t.substr(0, sp) == key) {
            value = std::atof(t.c_str() + sp + 1);
            return true;
        }
    }
    return false;
}

// The model's baseline file: "sections <percent>" and "matched <percent>".
inline bool ReadBaseline(const std::string& file, double& sections, double& matched) {
    return ReadBaselineValue(file, "sections", sections) && ReadBaselineValue(file, "matched", matched);
}

}  // namespace velt::corpus

// The hyperjump words over a fixed sample of real Free Pascal units: the
// declaration <-> implementation round trip keeps its pass rate and asks no
// more than its committed baseline, HyperJump on every line of a smaller
// sample neither crashes nor hangs, and HyperJump on property lines inserts
// only declarations that compile and declare nothing twice. The whole corpus
// runs in the hyperjump corpus benchmark.
#include <gtest/gtest.h>

#include "source/tests/HyperCorpus.h"
#include "foundation/StrUtils.h"
#include "source/tests/SourceTestUtil.h"

namespace velt {
namespace {

constexpr size_t kSample = 50;
// Sweep sample: units of at most this many lines (every line costs a jump).
constexpr size_t kSweepUnits = 50;
constexpr int kSweepMaxLines = 6000;
// Property sample: units of at most kSweepMaxLines lines that declare properties.
constexpr size_t kPropertyUnits = 200;
// Per unit, under the sanitizers.
constexpr double kMaxSecondsPerUnit = 60.0;

class HyperCorpus : public testing::Test {
protected:
    void SetUp() override {
        if (Files.empty()) GTEST_SKIP() << "Free Pascal sources not installed (fpc-source-3.2.2)";
    }
    const std::vector<std::string> Files = corpus::CorpusFiles();
};

TEST_F(HyperCorpus, RoundTripOverASample) {
    corpus::HyperTotals t;
    for (const auto& f : corpus::Sample(Files, kSample)) {
        corpus::HyperResult r = corpus::HyperRoundTrip(ReadWholeFile(f), f);
        EXPECT_LT(r.Seconds, kMaxSecondsPerUnit) << f;
        for (const auto& why : r.Failed) std::printf("round trip %s: %s\n", f.c_str(), why.c_str());
        t.Add(f, r);
    }
    std::printf("hyper sample: %d files, %ld eligible methods, %ld pass the round trip (%.2f%%), %ld ask (%.2f%%), "
                "slowest %.2f s\n",
                t.Files, t.Eligible, t.Passed, t.PassRate(), t.Asked, t.AskRate(), t.MaxSeconds);
    double baseline = 0, asked = 0;
    const std::string file = test::DataPath("hyper/corpus_sample_baseline.txt");
    ASSERT_TRUE(corpus::ReadBaselineValue(file, "roundtrip", baseline));
    ASSERT_TRUE(corpus::ReadBaselineValue(file, "asked", asked));
    EXPECT_GT(t.Eligible, 0);
    EXPECT_GE(t.PassRate() + 1e-9, baseline);
    EXPECT_LE(t.AskRate(), asked + 1e-9);
}

TEST_F(HyperCorpus, EveryLineOfASample) {
    size_t units = 0;
    long lines = 0, errors = 0, generated = 0;
    for (const auto& f : corpus::Sample(Files, kSample)) {
        if (units >= kSweepUnits) break;
        const std::string text = ReadWholeFile(f);
        if (std::count(text.begin(), text.end(), '\n') > kSweepMaxLines) continue;
        ++units;
        corpus::SweepResult r = corpus::HyperSweep(text, f, kMaxSecondsPerUnit);
        EXPECT_FALSE(r.TimedOut) << f << " after " << r.Lines << " lines";
        lines += r.Lines;
        errors += r.Errors;
        generated += r.Generated;
    }
    std::printf("hyper sweep: %zu units, %ld lines, %ld errors raised, %ld jumps generated text\n", units, lines,
                errors, generated);
    EXPECT_GT(lines, 0);
}

TEST_F(HyperCorpus, PropertyLinesOfASample) {
    // A sample of the units that declare properties.
    std::vector<std::string> units;
    for (const auto& f : Files) {
        const std::string text = ReadWholeFile(f);
        if (std::count(text.begin(), text.end(), '\n') <= kSweepMaxLines && HasWord(text, "property"))
            units.push_back(f);
    }
    long props = 0, inserted = 0, bad = 0, unasked = 0;
    units = corpus::Sample(units, kPropertyUnits);
    for (const auto& f : units) {
        corpus::PropertyResult r = corpus::PropertySweep(ReadWholeFile(f), f);
        for (const auto& why : r.Failed) std::printf("property %s:%s\n", f.c_str(), why.c_str());
        props += r.Properties;
        inserted += r.Inserted;
        bad += r.Bad;
        unasked += r.Unasked;
    }
    std::printf("hyper properties: %zu units, %ld property lines, %ld lines inserted, %ld bad (%ld unasked)\n",
                units.size(), props, inserted, bad, unasked);
    EXPECT_EQ(bad, 0);
}

}  // namespace
}  // namespace velt

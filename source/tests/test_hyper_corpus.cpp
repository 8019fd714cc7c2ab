// The hyperjump words over a fixed sample of real Free Pascal units: the
// declaration <-> implementation round trip keeps its pass rate (committed
// baseline), and HyperJump on every line of a smaller sample neither
// crashes nor hangs. The whole corpus runs in the hyperjump corpus benchmark.
#include <gtest/gtest.h>

#include "source/tests/HyperCorpus.h"
#include "source/tests/SourceTestUtil.h"

namespace velt {
namespace {

constexpr size_t kSample = 50;
// Sweep sample: units of at most this many lines (every line costs a jump).
constexpr size_t kSweepUnits = 50;
constexpr int kSweepMaxLines = 6000;
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
    std::printf("hyper sample: %d files, %ld eligible methods, %ld pass the round trip (%.2f%%), slowest %.2f s\n",
                t.Files, t.Eligible, t.Passed, t.PassRate(), t.MaxSeconds);
    double baseline = 0;
    ASSERT_TRUE(corpus::ReadBaselineValue(test::DataPath("hyper/corpus_sample_baseline.txt"), "roundtrip", baseline));
    EXPECT_GT(t.Eligible, 0);
    EXPECT_GE(t.PassRate() + 1e-9, baseline);
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

}  // namespace
}  // namespace velt

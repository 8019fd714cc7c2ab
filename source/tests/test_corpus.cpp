// The unit model over a fixed sample of real Free Pascal units: nothing
// crashes or takes long, and the recognition rates do not fall below the
// committed baseline. The whole corpus runs in the corpus benchmark.
#include <gtest/gtest.h>

#include "source/tests/CorpusScan.h"
#include "source/tests/SourceTestUtil.h"

namespace velt {
namespace {

constexpr size_t kSample = 50;
// Per unit, under the sanitizers.
constexpr double kMaxSecondsPerUnit = 20.0;

TEST(SourceCorpus, SampleOfFreePascalUnits) {
    const auto files = corpus::CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "Free Pascal sources not installed (fpc-source-3.2.2)";
    corpus::Totals t;
    for (const std::string& f : corpus::Sample(files, kSample)) {
        corpus::UnitResult r = corpus::ScanUnit(ReadWholeFile(f));
        EXPECT_LT(r.Seconds, kMaxSecondsPerUnit) << f;
        EXPECT_EQ(r.Mismatches, 0) << f;
        t.Add(f, r);
    }
    std::printf("sample: %d files, %d units, sections %.2f%%, %ld implementations matched %.2f%%\n", t.Files,
                t.Units, t.SectionRate(), t.ImplsWithClass, t.MatchRate());
    double sections = 0, matched = 0;
    ASSERT_TRUE(corpus::ReadBaseline(test::DataPath("corpus_sample_baseline.txt"), sections, matched));
    EXPECT_GE(t.SectionRate() + 1e-9, sections);
    EXPECT_GE(t.MatchRate() + 1e-9, matched);
}

}  // namespace
}  // namespace velt

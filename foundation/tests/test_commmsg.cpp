#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "foundation/CommMsg.h"
#include "foundation/MathUtil.h"
#include "foundation/SysUtils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;

namespace {

// Routes the message routines to string streams for one test.
class ConsoleCapture {
public:
    explicit ConsoleCapture(const std::string& input = "") : in(input), sink(out, in, bell) {
        previous = SetMessageSink(&sink);
    }
    ~ConsoleCapture() { SetMessageSink(previous); }
    std::ostringstream out, bell;
    std::istringstream in;
    TConsoleMessageSink sink;
    TMessageSink* previous;
};

}  // namespace

TEST(CommMsg, ConsoleTexts) {
    ConsoleCapture c;
    Msg("Saved");
    Warning("Disk almost full");
    Q("plain line");
    Beep();
    EXPECT_EQ(c.out.str(), "Info: Saved\nWarning: Disk almost full\nplain line\n");
    EXPECT_EQ(c.bell.str(), "\a");

    c.out.str("");
    std::string longText(300, 'x');  // passed whole
    Q(longText);
    EXPECT_EQ(c.out.str(), longText + "\n");
}

TEST(CommMsg, ErrRaisesWithTheText) {
    EXPECT_EQ(test::MessageOf([] { Err("Bad thing"); }), "Bad thing");
}

TEST(CommMsg, ConsoleQuery) {
    {
        ConsoleCapture c("xn");
        EXPECT_FALSE(Query("Delete?"));
        EXPECT_EQ(c.out.str(), "Delete?[Y/N]");
        EXPECT_EQ(c.bell.str(), "\a");  // one beep for the x
    }
    {
        ConsoleCapture c("Y\nY\n");
        EXPECT_TRUE(Query("A"));
        EXPECT_TRUE(Query("B"));  // the line end left by the first answer is skipped
        EXPECT_EQ(c.out.str(), "A[Y/N]B[Y/N]");
        EXPECT_EQ(c.bell.str(), "");
    }
    {
        ConsoleCapture c("?!");
        EXPECT_FALSE(Query("Go?"));  // end of input answers No instead of waiting for ever
        EXPECT_EQ(c.bell.str(), "\a\a");
    }
}

TEST(CommMsg, OutputFailureRaises) {
    ConsoleCapture c;
    c.out.setstate(std::ios::badbit);
    EXPECT_THROW(Msg("lost"), EInOutError);
}

TEST(CommMsg, SinkCanBeReplaced) {
    struct Recorder : TMessageSink {
        std::vector<std::string> log;
        void Info(std::string_view t) override { log.push_back("I:" + std::string(t)); }
        void Warning(std::string_view t) override { log.push_back("W:" + std::string(t)); }
        void Line(std::string_view t) override { log.push_back("L:" + std::string(t)); }
        bool Query(std::string_view t) override { log.push_back("Q:" + std::string(t)); return true; }
        void Beep() override { log.push_back("B"); }
    } rec;
    TMessageSink* old = SetMessageSink(&rec);
    Msg("m");
    Warning("w");
    Q("q");
    EXPECT_TRUE(Query("?"));
    Beep();
    EXPECT_EQ(SetMessageSink(old), &rec);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"I:m", "W:w", "L:q", "Q:?", "B"}));
    SetMessageSink(nullptr);
    EXPECT_NE(dynamic_cast<TConsoleMessageSink*>(&GetMessageSink()), nullptr);
}

TEST(MathUtil, GeometryAndExtremes) {
    EXPECT_FLOAT_EQ(Modul(0, 0, 3, 4), 5);
    EXPECT_FLOAT_EQ(Angle(0, 0, 1, 0), 0);
    EXPECT_FLOAT_EQ(Angle(0, 0, 0, 1), -90);
    EXPECT_FLOAT_EQ(Angle(0, 0, -1, 0), 180);
    EXPECT_FLOAT_EQ(Angle(1, 1, 2, 0), 45);

    EXPECT_FLOAT_EQ(Max({2.5f}), 2.5f);
    EXPECT_FLOAT_EQ(Max({1, 7, -3, 7}), 7);
    EXPECT_FLOAT_EQ(Min({1, 7, -3, 7}), -3);
    EXPECT_THROW(Max(std::span<const float>()), ERangeError);
    EXPECT_THROW(Min(std::span<const float>()), ERangeError);

    // Every value counts, not only the first 65536.
    std::vector<float> many(70000, 1.0f);
    many.back() = 9;
    many[69000] = -9;
    EXPECT_FLOAT_EQ(Max(many), 9);
    EXPECT_FLOAT_EQ(Min(many), -9);
}

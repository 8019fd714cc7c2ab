#include <gtest/gtest.h>

#include <sstream>

#include "foundation/CommMsg.h"
#include "platform/ui/ConsoleWindow.h"

using namespace velt;

namespace {

class RecordingSink : public TMessageSink {
public:
    void Info(std::string_view text) override { Seen += "Info:" + std::string(text) + ";"; }
    void Warning(std::string_view text) override { Seen += "Warning:" + std::string(text) + ";"; }
    void Line(std::string_view text) override { Seen += "Line:" + std::string(text) + ";"; }
    bool Query(std::string_view text) override {
        Seen += "Query:" + std::string(text) + ";";
        return true;
    }
    void Beep() override { Seen += "Beep;"; }
    std::string Seen;
};

}  // namespace

TEST(Console, LinesGoToTheWindowAndTheStreamNotesToThePreviousSink) {
    RecordingSink boxes;
    TMessageSink* before = SetMessageSink(&boxes);
    std::ostringstream out;
    {
        TConsole console(out);
        ASSERT_NE(console.Window(), nullptr);
        EXPECT_EQ(console.Window()->windowTitle(), "VELT Output");
        Q("intf:      3 impl:     20");
        Q("Don't close this window, just minimize it !!!");
        EXPECT_TRUE(Query("Save?"));
        Msg("note");
        EXPECT_EQ(out.str(), "intf:      3 impl:     20\nDon't close this window, just minimize it !!!\n");
        EXPECT_EQ(console.Window()->toPlainText(),
                  "intf:      3 impl:     20\nDon't close this window, just minimize it !!!");
        EXPECT_EQ(boxes.Seen, "Query:Save?;Info:note;");
        // Closing the window only hides it; lines still go to the stream.
        console.Window()->show();
        console.Window()->close();
        ASSERT_NE(console.Window(), nullptr);
        Q("after");
        EXPECT_TRUE(console.Window()->toPlainText().endsWith("after"));
    }
    // Gone with the console: lines reach the previous sink again.
    Q("later");
    EXPECT_EQ(boxes.Seen, "Query:Save?;Info:note;Line:later;");
    SetMessageSink(before);
}

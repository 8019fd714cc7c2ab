#include <gtest/gtest.h>

#include <QLabel>
#include <string>
#include <vector>

#include "foundation/SysUtils.h"
#include "platform/ui/ComponentPalette.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/TimerSource.h"

using namespace velt;

TEST(ComponentPalette, PagesAndClassesByNameWithTheirFactories) {
    TComponentPalette palette;
    int made = 0;
    auto label = [&made] {
        ++made;
        return std::make_unique<QLabel>("made");
    };
    palette.RegisterComponent("VerUdov", "TRichRuller", label);
    palette.RegisterComponent("RX", "TrxClock", label);
    palette.RegisterComponent("verudov", "TGraphPaint", label);  // the same page
    palette.RegisterComponent("VerUdov", "trichruller", label);  // once on its page
    EXPECT_EQ(palette.GetPages(), (std::vector<std::string>{"VerUdov", "RX"}));
    EXPECT_EQ(palette.GetClasses("VERUDOV"), (std::vector<std::string>{"TRichRuller", "TGraphPaint"}));
    EXPECT_EQ(palette.GetPageOf("tgraphpaint"), "VerUdov");

    std::unique_ptr<QWidget> w = palette.CreateComponent("TRXCLOCK");
    ASSERT_NE(dynamic_cast<QLabel*>(w.get()), nullptr);
    EXPECT_EQ(w->parent(), nullptr);
    EXPECT_EQ(made, 1);
    try {
        palette.CreateComponent("TNothing");
        ADD_FAILURE() << "an unknown class was made";
    } catch (const EClassNotFound& e) {
        EXPECT_STREQ(e.what(), "Class TNothing not found");
    }

    // A class registered on another page moves there; an empty page goes.
    palette.RegisterComponent("Ombra", "TrxClock", label);
    EXPECT_EQ(palette.GetPages(), (std::vector<std::string>{"VerUdov", "Ombra"}));
    palette.UnregisterComponent("TRichRuller");
    palette.UnregisterComponent("TGraphPaint");
    palette.UnregisterComponent("TNothing");
    EXPECT_EQ(palette.GetPages(), std::vector<std::string>{"Ombra"});
    EXPECT_FALSE(palette.IsRegistered("TRichRuller"));
    EXPECT_THROW(palette.RegisterComponent("", "TX", label), Exception);
    EXPECT_THROW(palette.RegisterComponent("P", "TX", nullptr), Exception);
}

TEST(ManualTimers, TimeMovesOnlyWhenAdvancedAndTimersFireInDueOrder) {
    TManualTimerSource clock;
    TTimerSourceGuard guard(&clock);
    std::vector<std::string> fired;
    std::vector<std::string> reported;
    TExceptionReporterGuard reporter([&](const std::exception& e) { reported.push_back(e.what()); });

    std::unique_ptr<TTimer> slow = NewTimer(300, [&] { fired.push_back("slow@" + std::to_string(clock.NowMs())); });
    std::unique_ptr<TTimer> fast;
    fast = NewTimer(200, [&] {
        fired.push_back("fast@" + std::to_string(clock.NowMs()));
        if (clock.NowMs() >= 400) fast.reset();  // a timer may free itself
    });
    std::unique_ptr<TTimer> off = GetTimerSource().NewTimer();  // new timers are disabled
    off->OnTimer = [&] { fired.push_back("off"); };
    EXPECT_EQ(clock.RunningTimers(), 2);

    clock.Advance(199);
    EXPECT_TRUE(fired.empty());
    clock.Advance(1001);
    EXPECT_EQ(fired, (std::vector<std::string>{"fast@200", "slow@300", "fast@400", "slow@600", "slow@900",
                                               "slow@1200"}));
    EXPECT_EQ(clock.NowMs(), 1200);

    // Enabling starts a full period; what a handler raises is reported.
    fired.clear();
    slow->SetEnabled(false);
    off->SetInterval(50);
    off->OnTimer = [] { throw Exception("timer failed"); };
    off->SetEnabled(true);
    clock.Advance(49);
    EXPECT_TRUE(reported.empty());
    clock.Advance(1);
    EXPECT_EQ(reported, std::vector<std::string>{"timer failed"});
    EXPECT_TRUE(fired.empty());

    // A timer that outlives its source never fires.
    auto source = std::make_unique<TManualTimerSource>();
    std::unique_ptr<TTimer> orphan = source->NewTimer();
    orphan->SetEnabled(true);
    source.reset();
    orphan->SetInterval(10);
}

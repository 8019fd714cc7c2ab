#include <gtest/gtest.h>

#include "graphics/GRFCtrl.h"
#include "graphics/GrfReg.h"
#include "graphics/GrfRERul.h"
#include "graphics/GrfSel.h"
#include "graphics/GrfSelFn.h"
#include "graphics/RxCtrls.h"
#include "graphics/tests/PickerTestSupport.h"
#include "platform/ui/ComponentPalette.h"

using namespace velt;

using Registration = test::GraphicsForm;

TEST_F(Registration, PagesAndClassesExactly) {
    RegisterGraphicsControls();
    RegisterGraphicsControls();  // again: each class stays once
    const std::vector<std::string> pages = ComponentPalette().GetPages();
    const auto verUdov = std::find(pages.begin(), pages.end(), "VerUdov");
    ASSERT_NE(verUdov, pages.end());
    EXPECT_EQ(ComponentPalette().GetClasses("VerUdov"),
              (std::vector<std::string>{"TGraphSelect", "TGraphSelectColor", "TGraphSelectFont",
                                        "TGraphSelectFontSize", "TRichRuller"}));
    // Each made whole: its items are built.
    auto colour = ComponentPalette().CreateComponent("TGraphSelectColor");
    auto* c = qobject_cast<TGraphSelectColor*>(colour.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetItemsCount(), PalSize());
    auto size = ComponentPalette().CreateComponent("TGraphSelectFontSize");
    ASSERT_NE(qobject_cast<TGraphSelectFontSize*>(size.get()), nullptr);
    EXPECT_EQ(size->property("FontSize").toInt(), 6);
    auto ruller = ComponentPalette().CreateComponent("TRichRuller");
    auto* r = qobject_cast<TRichRuller*>(ruller.get());
    ASSERT_NE(r, nullptr);
    EXPECT_FALSE(r->IsLoading());
    EXPECT_EQ(r->GetPageWidth(), r->width());
    auto select = ComponentPalette().CreateComponent("TGraphSelect");
    EXPECT_TRUE(select->setProperty("Kind", int(skPenStyle)));
    EXPECT_EQ(select->property("ItemsCount").toInt(), 6);
    EXPECT_NE(qobject_cast<TGraphSelectFont*>(ComponentPalette().CreateComponent("TGraphSelectFont").get()), nullptr);

    const auto rx = std::find(pages.begin(), pages.end(), "RX");
    ASSERT_NE(rx, pages.end());
    EXPECT_EQ(rx - verUdov, 1);  // made after "VerUdov"
    EXPECT_EQ(ComponentPalette().GetClasses("RX"), (std::vector<std::string>{"TrxSplitter", "TrxLabel", "TrxClock"}));
    auto split = ComponentPalette().CreateComponent("TrxSplitter");
    ASSERT_NE(qobject_cast<TrxSplitter*>(split.get()), nullptr);
    EXPECT_FALSE(static_cast<TrxSplitter*>(split.get())->IsLoading());
    EXPECT_NE(qobject_cast<TrxLabel*>(ComponentPalette().CreateComponent("TrxLabel").get()), nullptr);
    auto clock = ComponentPalette().CreateComponent("TrxClock");
    ASSERT_NE(qobject_cast<TrxClock*>(clock.get()), nullptr);
    EXPECT_FALSE(static_cast<TrxClock*>(clock.get())->IsLoading());
}

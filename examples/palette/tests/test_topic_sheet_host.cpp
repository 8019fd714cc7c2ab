#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>

#include "examples/palette/TopicSheetHost.h"
#include "helpdoc/TopicProperties.h"

using namespace velt;

namespace {

void Settle() {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

TEST(TopicSheetHost, EachOpeningIsANewSheetAndClosingGoesThroughHideForm) {
    QWidget window;
    TTopicSheetHost host(&window);
    for (bool cancel : {true, false}) {
        QPointer<TTopicPropertiesForm> sheet = host.Open();
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->edContext->text(), "krVCL_TShape_Class");
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_TRUE(sheet->Shown());
        EXPECT_TRUE(sheet->Active());
        sheet->edContext->setText("krVCL_TEdited_Class");
        QTest::mouseClick(cancel ? sheet->BCancel.data() : sheet->BOk.data(), Qt::LeftButton);
        // Closed through the manager: its flags are clear.
        ASSERT_TRUE(sheet);
        EXPECT_FALSE(sheet->isVisible());
        EXPECT_FALSE(sheet->Shown());
        EXPECT_FALSE(sheet->Active());
        EXPECT_EQ(sheet->WindowManager(), nullptr);
        EXPECT_EQ(host.Sheet(), nullptr);
        Settle();
        EXPECT_FALSE(sheet);  // released once nothing holds it
    }
    // Opening again while one is open closes the old one first.
    QPointer<TTopicPropertiesForm> first = host.Open();
    first->edContext->setText("krVCL_TEdited_Class");
    QPointer<TTopicPropertiesForm> second = host.Open();
    EXPECT_NE(first.data(), second.data());
    EXPECT_EQ(second->edContext->text(), "krVCL_TShape_Class");
    if (first) EXPECT_FALSE(first->Shown());
    Settle();
    EXPECT_FALSE(first);
    EXPECT_TRUE(second);
}

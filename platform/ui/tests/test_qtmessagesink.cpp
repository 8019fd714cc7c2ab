#include <gtest/gtest.h>

#include <QMessageBox>

#include "foundation/CommMsg.h"
#include "platform/ui/QtMessageSink.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace velt;
using velt::test::AnsweringRunner;
using velt::test::PressKey;

namespace {

struct SeenBox {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
};

// Records the box, then presses one of its buttons.
AnsweringRunner::Answer Record(SeenBox& seen, QMessageBox::StandardButton press) {
    return [&seen, press](QDialog& d) {
        auto* box = qobject_cast<QMessageBox*>(&d);
        ASSERT_TRUE(box);
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->textFormat()};
        QTest::mouseClick(box->button(press), Qt::LeftButton);
    };
}

class QtMessageSinkTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetMessageSink(&sink_); }
    void TearDown() override { SetMessageSink(previous_); }
    TQtMessageSink sink_;
    TMessageSink* previous_ = nullptr;
};

}  // namespace

TEST_F(QtMessageSinkTest, InfoAndWarningBoxes) {
    SeenBox seen;
    AnsweringRunner runner(Record(seen, QMessageBox::Ok));
    const std::string longText(300, 'x');  // passed whole
    Msg(longText);
    EXPECT_EQ(seen.caption, "Info");
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_EQ(seen.text.toStdString(), longText);

    Warning("Disk almost full");
    EXPECT_EQ(seen.caption, "Warning");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.text, "Disk almost full");
    EXPECT_EQ(runner.Runs, 2);
}

TEST_F(QtMessageSinkTest, QueryAnswersYesOrNo) {
    SeenBox seen;
    {
        AnsweringRunner runner(Record(seen, QMessageBox::Yes));
        EXPECT_TRUE(Query("Expand GetValue to GetSize ?"));
    }
    EXPECT_EQ(seen.caption, "Query");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.text, "Expand GetValue to GetSize ?");
    {
        AnsweringRunner runner(Record(seen, QMessageBox::No));
        EXPECT_FALSE(Query("Delete?"));
    }
    {
        AnsweringRunner runner([](QDialog& d) { PressKey(d, Qt::Key_Escape); });
        EXPECT_FALSE(Query("Delete?"));
    }
}

TEST_F(QtMessageSinkTest, TextShowsAsWrittenNotAsMarkup) {
    SeenBox seen;
    AnsweringRunner runner(Record(seen, QMessageBox::Ok));
    Msg("Файл <b>x</b> & y");
    EXPECT_EQ(seen.text, QString::fromUtf8("Файл <b>x</b> & y"));
    EXPECT_EQ(seen.format, Qt::PlainText);
}

TEST_F(QtMessageSinkTest, PlainLinesAndBeepsShowNoBox) {
    AnsweringRunner runner([](QDialog& d) { d.reject(); });
    Q("a plain line");
    Beep();
    EXPECT_EQ(runner.Runs, 0);
}

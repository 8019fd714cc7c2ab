#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <limits>
#include <memory>

#include "foundation/FormatFloat.h"
#include "foundation/SysUtils.h"
#include "graphics/CurrEdit.h"
#include "platform/ui/LocaleSettings.h"

using namespace velt;

namespace {

// The process's number settings for one test.
class Settings {
public:
    Settings(const char* point, const char* group, const char* currency) : saved_(FormatSettings()) {
        FormatSettings() = TFormatSettings{point, group, currency};
    }
    ~Settings() { FormatSettings() = saved_; }

private:
    TFormatSettings saved_;
};

// A shown window with the edit and a second box to move the focus to.
struct Form {
    QWidget Window;
    std::unique_ptr<TCurrencyEdit> Edit = TCurrencyEdit::Create();
    QLineEdit* Other = new QLineEdit(&Window);
    Form() {
        auto* layout = new QVBoxLayout(&Window);
        Edit->setParent(&Window);
        layout->addWidget(Edit.get());
        layout->addWidget(Other);
        Window.show();
        QApplication::setActiveWindow(&Window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&Window));
    }
    ~Form() { Edit.release(); }  // the window owns it
    void Enter() {
        Edit->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_TRUE(Edit->hasFocus());
    }
    void Leave() {
        Other->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
};

}  // namespace

TEST(CurrencyEdit, TypingKeepsToTheDecimalsAndOneLeadingMinus) {
    Settings s(".", ",", "$");
    Form f;
    EXPECT_EQ(f.Edit->text(), "$0.00");
    f.Enter();
    EXPECT_EQ(f.Edit->selectedText(), "$0.00");  // all selected on entry
    QTest::keyClicks(f.Edit.get(), "1.234");
    EXPECT_EQ(f.Edit->text(), "1.23");  // the third decimal is refused
    QTest::keyClicks(f.Edit.get(), ".x-");
    EXPECT_EQ(f.Edit->text(), "1.23");  // a second point, a letter, a minus after digits
    f.Leave();
    EXPECT_EQ(f.Edit->text(), "$1.23");
    EXPECT_EQ(f.Edit->GetValue(), 1.23L);

    f.Enter();
    QTest::keyClicks(f.Edit.get(), "-5-");
    EXPECT_EQ(f.Edit->text(), "-5");  // accepted once, first
    QTest::keyClick(f.Edit.get(), Qt::Key_Backspace);
    QTest::keyClicks(f.Edit.get(), "7.5");
    f.Leave();
    EXPECT_EQ(f.Edit->text(), "-$7.50");
    EXPECT_EQ(f.Edit->GetValue(), -7.5L);

    // No decimals at all: the point is refused.
    ASSERT_TRUE(f.Edit->setProperty("DecimalPlaces", 0));
    f.Enter();
    QTest::keyClicks(f.Edit.get(), "3.9");
    EXPECT_EQ(f.Edit->text(), "39");
    EXPECT_THROW(f.Edit->SetDecimalPlaces(65536), ERangeError);
}

TEST(CurrencyEdit, AnEditReplacingPartOfTheShownTextIsJudgedOnThatText) {
    Settings s(".", ",", "$");
    Form f;
    f.Edit->SetValue(1234.5L);
    EXPECT_EQ(f.Edit->text(), "$1,234.50");
    f.Enter();
    f.Edit->setSelection(7, 2);  // the "50"
    QTest::keyClicks(f.Edit.get(), "7");
    EXPECT_EQ(f.Edit->text(), "$1,234.7");
    f.Edit->setCursorPosition(0);
    QTest::keyClicks(f.Edit.get(), "-");  // before the currency: still the first place
    EXPECT_EQ(f.Edit->text(), "-$1,234.7");
    EXPECT_EQ(f.Edit->GetValue(), -1234.7L);
}

TEST(CurrencyEdit, TextValueBracketsAndTheEmptyBox) {
    Settings s(".", ",", "$");
    auto e = TCurrencyEdit::Create();
    EXPECT_EQ(e->size(), QSize(121, 25));
    EXPECT_EQ(e->DefaultDispFormat(), "\"$\",0.00;-\"$\",0.00");
    EXPECT_FALSE(e->IsFormatStored());
    e->SetFormat("0.00;(0.00)");
    EXPECT_TRUE(e->IsFormatStored());
    e->SetValue(-12.5L);
    EXPECT_EQ(e->text(), "(12.50)");
    EXPECT_EQ(e->GetText(), "-12.50");
    e->SetText("no number");
    EXPECT_EQ(e->GetValue(), 0);
    EXPECT_EQ(e->text(), "0.00");
    ASSERT_TRUE(e->setProperty("Text", "42.125"));
    EXPECT_EQ(e->text(), "42.13");
    EXPECT_EQ(e->property("Value").toDouble(), 42.13);  // read from what is shown
    e->QLineEdit::setText("");
    EXPECT_EQ(e->GetText(), "0.00");
    EXPECT_EQ(e->GetValue(), 0);
    // Text that is no number leaves the amount.
    e->SetValue(5);
    e->QLineEdit::setText("-");
    EXPECT_EQ(e->GetValue(), 0);  // nothing but a sign reads as nothing
    e->SetValue(5);
    e->QLineEdit::setText("1e");
    e->SetBeepOnError(true);
    EXPECT_EQ(e->GetValue(), 5);
    EXPECT_EQ(e->GetAlignment(), taRightJustify);
    EXPECT_TRUE(e->alignment() & Qt::AlignRight);
}

TEST(CurrencyEdit, TheLocalesSeparatorIsWrittenAndReadBack) {
    Settings s(",", "\xC2\xA0", "грн");
    auto e = TCurrencyEdit::Create();
    e->SetValue(1234.5L);
    EXPECT_EQ(e->text().toStdString(), "грн1\xC2\xA0" "234,50");
    EXPECT_EQ(e->GetText(), "1234,50");
    EXPECT_EQ(e->GetValue(), 1234.5L);
    e->SetText("2,5");
    EXPECT_EQ(e->GetValue(), 2.5L);
    e->QLineEdit::setText("");
    EXPECT_EQ(e->GetText(), "0,00");  // an empty box in this locale's form
    // The locale's own settings.
    const TFormatSettings de = LocaleFormatSettings(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(de.DecimalSeparator, ",");
    EXPECT_EQ(de.ThousandSeparator, ".");
    EXPECT_EQ(de.CurrencyString, "€");
}

TEST(CurrencyEdit, CurrencyStringsWithPointsOrLettersStayText) {
    {
        Settings s(".", ",", "р.");
        auto e = TCurrencyEdit::Create();
        EXPECT_EQ(e->DefaultDispFormat(), "\"р.\",0.00;-\"р.\",0.00");
        e->SetValue(1234.5L);
        EXPECT_EQ(e->text().toStdString(), "р.1,234.50");
        e->SetValue(-5);
        EXPECT_EQ(e->text().toStdString(), "-р.5.00");
        EXPECT_EQ(e->GetText(), "-5.00");
        EXPECT_EQ(e->GetValue(), -5);
    }
    {
        Settings s(".", ",", "EUR");
        auto e = TCurrencyEdit::Create();
        e->SetValue(1234.5L);
        EXPECT_EQ(e->text(), "EUR1,234.50");
        EXPECT_EQ(e->GetText(), "1234.50");  // the "E" of EUR is no exponent
        e->QLineEdit::setText("EUR99.00");  // as the user left it
        EXPECT_EQ(e->GetValue(), 99);
    }
}

TEST(CurrencyEdit, MaxLengthLimitsTypingNotTheAmountShown) {
    Settings s(".", ",", "$");
    Form f;
    ASSERT_TRUE(f.Edit->setProperty("MaxLength", 5));
    f.Edit->SetValue(123456.78L);
    EXPECT_EQ(f.Edit->text(), "$123,456.78");
    EXPECT_EQ(f.Edit->GetValue(), 123456.78L);
    EXPECT_EQ(f.Edit->GetValue(), 123456.78L);  // reading it changes nothing
    f.Enter();
    QTest::keyClicks(f.Edit.get(), "123456");
    EXPECT_EQ(f.Edit->text(), "12345");  // the sixth character is refused
    QTest::keyClick(f.Edit.get(), Qt::Key_Backspace);
    QTest::keyClicks(f.Edit.get(), "9");
    EXPECT_EQ(f.Edit->text(), "12349");
    f.Leave();
    EXPECT_EQ(f.Edit->text(), "$12,349.00");
    // A long amount shown can still be shortened and typed over.
    f.Enter();
    QTest::keyClicks(f.Edit.get(), "7");
    EXPECT_EQ(f.Edit->text(), "7");
    // A paste that would pass the limit is refused whole.
    QApplication::clipboard()->setText("98765");
    f.Edit->paste();
    EXPECT_EQ(f.Edit->text(), "7");
    QApplication::clipboard()->setText("8");
    f.Edit->paste();
    EXPECT_EQ(f.Edit->text(), "78");
}

TEST(CurrencyEdit, AnExponentsSignIsNoMinusAndNonFiniteAmountsAreRefused) {
    Settings s(".", ",", "$");
    auto e = TCurrencyEdit::Create();
    e->SetFormat("0.00E+00");
    e->SetValue(1.5e-5L);
    EXPECT_EQ(e->text(), "1.50E-05");
    EXPECT_EQ(e->GetText(), "1.50E-05");
    EXPECT_DOUBLE_EQ(double(e->GetValue()), 1.5e-5);
    e->SetValue(-2.5e7L);
    EXPECT_EQ(e->text(), "-2.50E+07");
    EXPECT_DOUBLE_EQ(double(e->GetValue()), -2.5e7);
    e->SetFormat("");
    e->SetValue(1e-5L);
    EXPECT_DOUBLE_EQ(double(e->GetValue()), 1e-5);
    // A minus inside the amount is no sign.
    e->QLineEdit::setText("12-5");
    EXPECT_EQ(e->GetText(), "125");

    e->SetFormat("0.00");
    e->SetValue(7.25L);
    for (long double bad : {std::numeric_limits<long double>::infinity(), -std::numeric_limits<long double>::infinity(),
                            std::numeric_limits<long double>::quiet_NaN()}) {
        e->SetValue(bad);
        EXPECT_EQ(e->text(), "7.25");
        EXPECT_EQ(e->GetValue(), 7.25L);
    }
    EXPECT_TRUE(e->setProperty("Value", std::numeric_limits<double>::infinity()));
    EXPECT_EQ(e->GetValue(), 7.25L);
}

TEST(CurrencyEdit, EnumerationValuesOutsideTheirTypeAreIgnored) {
    auto e = TCurrencyEdit::Create();
    e->SetAlignment(taCenter);
    EXPECT_TRUE(e->setProperty("Alignment", 7));
    EXPECT_EQ(e->GetAlignment(), taCenter);
    EXPECT_TRUE(e->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(e->setProperty("BorderStyle", 7));
    EXPECT_EQ(e->GetBorderStyle(), bsSingle);
}

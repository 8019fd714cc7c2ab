#include <gtest/gtest.h>

#include <string>

#include "foundation/CodePages.h"

using namespace velt;
using namespace velt::CodePages;

TEST(CodePages, EveryByteComesBackThroughUtf8) {
    for (TCodePage cp : {TCodePage::cp1251, TCodePage::cp866}) {
        std::string all;
        for (int b = 0; b < 256; ++b) all += char(b);
        const std::string utf8 = ToUtf8(all, cp);
        EXPECT_TRUE(Representable(utf8, cp));
        EXPECT_EQ(FromUtf8(utf8, cp), all) << (cp == TCodePage::cp1251 ? "1251" : "866");
    }
}

TEST(CodePages, CyrillicLettersHaveTheirStoredBytes) {
    // Ukrainian letters with the ones the two code pages place apart.
    EXPECT_EQ(Utf8ToCp1251("Шрифт їжак Ґ"), "\xD8\xF0\xE8\xF4\xF2 \xBF\xE6\xE0\xEA \xA5");
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xE0\xA8\xB8\xB2\xB3"), "АаЁёІі");
    // The unit prefixes of the number labels.
    EXPECT_EQ(Utf8ToCp866("кГнпМ"), "\xAA\x83\xAD\xAF\x8C");
    EXPECT_EQ(Cp866ToUtf8("\xAA\x83\xAD\xAF\xF0\xF1"), "кГнпЁё");
}

TEST(CodePages, WhatTheCodePageCannotHoldBecomesTheReplacement) {
    EXPECT_EQ(Utf8ToCp1251("a€b"), "a\x88" "b");  // the euro sign is in 1251
    EXPECT_EQ(Utf8ToCp866("a€b"), "a?b");         // but not in 866
    EXPECT_FALSE(Representable("€", TCodePage::cp866));
    // Malformed UTF-8: a lone continuation byte, a cut sequence, an
    // overlong form; each bad byte gives one replacement.
    EXPECT_EQ(FromUtf8("\x80x\xD0", TCodePage::cp1251, '#'), "#x#");
    EXPECT_EQ(FromUtf8("\xC0\xAF", TCodePage::cp1251), "??");
    EXPECT_FALSE(Representable("\xD0", TCodePage::cp1251));
}

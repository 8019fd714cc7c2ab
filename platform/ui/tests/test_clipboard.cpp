#include <gtest/gtest.h>

#include <string>

#include "foundation/SysUtils.h"
#include "platform/ui/Clipboard.h"

using namespace velt;

TEST(ClipboardFormat, MimeTypeComesFromTheNameAlone) {
    EXPECT_EQ(ClipboardFormatMimeOf("OMBRA Components"), "application/x-ombra-components");
    EXPECT_EQ(ClipboardFormatMimeOf("  Rich--Text 2.0 "), "application/x-rich-text-2-0");
    EXPECT_EQ(ClipboardFormatMimeOf("Ліст A"), "application/x-a");
    EXPECT_EQ(ClipboardFormatMimeOf("!!"), "");
    EXPECT_EQ(ClipboardFormatMimeOf(""), "");
}

TEST(ClipboardFormat, OneNumberPerNameFromC000) {
    const uint16_t a = RegisterClipboardFormat("Velt Test Format A");
    const uint16_t b = RegisterClipboardFormat("Velt Test Format B");
    EXPECT_GE(a, 0xC000);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(RegisterClipboardFormat("Velt Test Format A"), a);
    // Names of one MIME type share its number, so the data is found by both.
    EXPECT_EQ(RegisterClipboardFormat("velt test format a"), a);
    EXPECT_EQ(RegisterClipboardFormat("Velt-Test-Format-A"), a);
    EXPECT_EQ(ClipboardFormatMime(a), "application/x-velt-test-format-a");
    EXPECT_EQ(ClipboardFormatMime(b), "application/x-velt-test-format-b");
    EXPECT_EQ(ClipboardFormatMime(0), "");
    EXPECT_EQ(ClipboardFormatMime(0xFFFF), "");
    EXPECT_EQ(RegisterClipboardFormat("Velt Test Format C"), b + 1);
}

TEST(ClipboardFormat, UnusableNamesAreRefused) {
    auto message = [](const std::string& name) {
        try {
            RegisterClipboardFormat(name);
        } catch (const Exception& e) {
            return e.Message;
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(""), "Clipboard format name \"\" has no letter or digit");
    EXPECT_EQ(message("--"), "Clipboard format name \"--\" has no letter or digit");
    EXPECT_EQ(message(std::string(256, 'x')), "Clipboard format name longer than 255 characters");
    EXPECT_NO_THROW(RegisterClipboardFormat(std::string(255, 'y')));
}

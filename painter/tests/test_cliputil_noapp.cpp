// Without a GUI application the clipboard cannot be reached: a clear error,
// never a crash.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "painter/ClipUtil.h"

using namespace velt;

TEST(ClipUtilWithoutGui, ClipboardCallsRaise) {
    ClipUtilStartup();
    TMemoryStream m;
    m.WriteBuffer("abc", 3);
    try {
        SaveStreamToCLB(CF_GRCOMP(), m);
        FAIL();
    } catch (const EClipboardException& e) {
        EXPECT_EQ(e.Message, "The clipboard needs a GUI application");
    }
    EXPECT_THROW(LoadStreamFromCLB(CF_GRCOMP()), EClipboardException);
    EXPECT_THROW(LoadVerUdovFromCLB(), EClipboardException);
    // A console application is not enough either.
    int argc = 1;
    char name[] = "noapp";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_THROW(SaveStreamToCLB(CF_GRCOMP(), m), EClipboardException);
    TMemoryStream empty;
    EXPECT_NO_THROW(SaveStreamToCLB(CF_GRCOMP(), empty));
}

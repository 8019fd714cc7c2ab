#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "foundation/SysExcpt.h"
#include "foundation/Types.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using namespace velt::test;

namespace {

class SysErrors : public ::testing::Test {
protected:
    void SetUp() override { SetMessageFilePath(tmp.Path("sysconst.msg")); }
    void TearDown() override { SetMessageFilePath(""); }
    void WriteMessages(const std::string& text) { tmp.Write("sysconst.msg", text); }
    TTempFolder tmp;
};

}  // namespace

TEST_F(SysErrors, MessageFromTheFile) {
    WriteMessages("81000025Wrong kind\r\n00000002General: \n");
    ESysException e = SysRaised([] { SysError(81000025); });
    EXPECT_EQ(e.Message, "SystemException #Wrong kind");
    EXPECT_EQ(e.Code, 81000025);
    EXPECT_EQ(SysRaised([] { SysErr("Abc"); }).Message, "SystemException #General: \rAbc");
}

TEST_F(SysErrors, MissingNumberOrFileGivesTheNumber) {
    WriteMessages("00000005Kind\r\n");
    EXPECT_EQ(SysRaised([] { SysError(1001); }).Message, "SystemException #1001");
    EXPECT_EQ(SysRaised([] { SysErrorEx(2, "Abc"); }).Message, "SystemException #2\rAbc");
    std::filesystem::remove(tmp.Path("sysconst.msg"));
    ESysException e = SysRaised([] { SysError(40000004); });
    EXPECT_EQ(e.Message, "SystemException #40000004");
    EXPECT_EQ(e.Code, 40000004);
}

TEST_F(SysErrors, MalformedLinesAreSkipped) {
    WriteMessages(
        "# comment line\n"
        "0000100xBroken number\n"
        "1001Short number\n"
        "00000\n"
        "00000000Zero never matches\n"
        "00001001Wrong type\r"
        "00001001Second one loses\n");
    EXPECT_EQ(SysRaised([] { SysError(1001); }).Message, "SystemException #Wrong type");
    EXPECT_EQ(LoadError(0), "0");
    EXPECT_EQ(LoadError(7), "7");
    // A binary file is no message file either.
    WriteMessages(std::string("\x00\xFF\x31\x32", 4));
    EXPECT_EQ(LoadError(1001), "1001");
}

TEST_F(SysErrors, RaisingHelpers) {
    EXPECT_EQ(SysRaised([] { SysErrorCode(40000003, 17); }).Message, "SystemException #40000003\rwith code: 17");
    TVRec* v = TVRec::Create();
    ESysException a = SysRaised([&] { ErrAbstract(v, "Execute"); });
    TVRec::Release(v);
    EXPECT_EQ(a.Code, 4);
    EXPECT_EQ(a.Message, "SystemException #4\rTVRec.Execute");
    EXPECT_EQ(SysRaised([] { AbstractCall("TKey", "SetName"); }).Message, "SystemException #4\rTKey.SetName");
    EXPECT_NO_THROW(IsError(true, 5));
    EXPECT_EQ(SysRaised([] { IsError(false, 5); }).Code, 5);
    EXPECT_EQ(ESysException(12).Message, "SystemException #12");
    EXPECT_EQ(ESysException(12, "text").Message, "SystemException #text");
}

TEST(SystemCalls, Check32AndCheck32Zero) {
    EXPECT_NO_THROW(Check32(1));
    EXPECT_NO_THROW(Check32Zero(0));
    errno = ENOENT;
    EXPECT_EQ(MessageOf([] { Check32(0); }), "Win32 error: " + std::to_string(ENOENT));
    EXPECT_EQ(MessageOf([] { Check32Zero(5); }), "Win32 error: 5");
}

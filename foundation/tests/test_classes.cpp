#include <gtest/gtest.h>

#include "foundation/Classes.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;

TEST(StringList, TextAcceptsEveryLineEndAndTrailingBreakAddsNoLine) {
    TStringList l;
    l.SetText("a\r\nb\nc\rd\r\n");
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l[2], "c");
    EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n");
    l.SetText("x\n\n");
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l[1], "");
}

TEST(StringList, SortedIgnoresDuplicatesCaseInsensitively) {
    TStringList l;
    l.SetSorted(true);
    l.Add("beta");
    l.Add("Alpha");
    EXPECT_EQ(l.Add("ALPHA"), 0);
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l[0], "Alpha");
    EXPECT_EQ(l.IndexOf("BETA"), 1);
    EXPECT_THROW(l.Insert(0, "x"), EStringListError);
    EXPECT_THROW((void)l[5], EStringListError);
}

TEST(StringList, NameValueLines) {
    TStringList l;
    l.Add("Key=One=Two");
    l.Add("Plain");
    EXPECT_EQ(l.Values("key"), "One=Two");
    EXPECT_EQ(l.IndexOfName("Plain"), -1);
    l.SetValue("New", "3");
    EXPECT_EQ(l[2], "New=3");
}

TEST(Streams, MemoryStreamReadPastEndAndWriteGap) {
    TMemoryStream m;
    m.SetPosition(4);
    uint8_t b = 7;
    m.WriteBuffer(&b, 1);
    EXPECT_EQ(m.Size(), 5);
    EXPECT_EQ(m.Memory()[0], 0);
    m.SetPosition(3);
    char buf[4];
    EXPECT_EQ(m.Read(buf, 4), 2);
    m.SetPosition(5);
    EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
}

TEST(Streams, FileRoundTripAndMissingFile) {
    test::TTempFolder dir;
    std::string path = dir.Path("f.bin");
    {
        TMemoryStream m;
        m.WriteBuffer("hello", 5);
        m.SaveToFile(path);
    }
    TMemoryStream r;
    r.LoadFromFile(path);
    EXPECT_EQ(std::string(r.Memory(), size_t(r.Size())), "hello");
    EXPECT_THROW(TFileStream(dir.Path("none"), fmOpenRead), EFOpenError);
}

TEST(SysUtils, StrToIntForms) {
    EXPECT_EQ(StrToInt(" -12"), -12);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_THROW(StrToInt("2147483648"), EConvertError);
    EXPECT_THROW(StrToInt("12a"), EConvertError);
    EXPECT_THROW(StrToInt(""), EConvertError);
}

TEST(Guid, TextRoundTrip) {
    Guid g = Guid::FromString("{395EDE59-DCC7-11D0-B02A-0000B46A6442}");
    EXPECT_EQ(g.D1, 0x395EDE59u);
    EXPECT_EQ(g.D4[7], 0x42);
    EXPECT_EQ(g.ToString(), "{395EDE59-DCC7-11D0-B02A-0000B46A6442}");
    EXPECT_THROW(Guid::FromString("{395EDE59}"), EConvertError);
}

TEST(ClassRegistry, FindsByNameIgnoringCase) {
    RegisterClass("TStringList", [] { return new TStringList; });
    std::unique_ptr<TPersistent> p(FindClass("tstringlist")());
    EXPECT_EQ(p->ClassName(), "TStringList");
    EXPECT_THROW(FindClass("TNoSuchClass"), EClassNotFound);
}

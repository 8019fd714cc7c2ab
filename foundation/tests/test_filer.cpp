#include <gtest/gtest.h>

#include <cstring>

#include "foundation/Filer.h"
#include "foundation/IDList.h"
#include "foundation/ListUtils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using namespace velt::test;

TEST(Filer, TypedValuesUseTheSmallestForm) {
    TMemoryStream s;
    TWriter w(s);
    w.WriteInteger(5);
    w.WriteInteger(-300);
    w.WriteInteger(70000);
    w.WriteBoolean(true);
    w.WriteString("ab");
    w.WriteString(std::string(300, 'x'));
    EXPECT_EQ(Bytes(s).substr(0, 18), std::string("\x02\x05\x03\xD4\xFE\x04\x70\x11\x01\x00\x09\x06\x02" "ab\x0C\x2C\x01\x00", 18));

    s.SetPosition(0);
    TReader r(s);
    EXPECT_EQ(r.ReadInteger(), 5);
    EXPECT_EQ(r.ReadInteger(), -300);
    EXPECT_EQ(r.ReadInteger(), 70000);
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_EQ(r.ReadString(), "ab");
    EXPECT_EQ(r.ReadString(), std::string(300, 'x'));
    EXPECT_THROW(r.ReadValue(), EReadError);
}

TEST(Filer, WrongTypesAndBadLengthsRaise) {
    TMemoryStream s = StreamOf("\x06\x01" "a");
    TReader r(s);
    EXPECT_THROW(r.ReadInteger(), EReadError);

    TMemoryStream longStr = StreamOf(std::string("\x0C\xFF\xFF\xFF\x7F" "abc", 8));
    TReader r2(longStr);
    EXPECT_THROW(r2.ReadString(), EReadError);

    TMemoryStream bin = StreamOf(std::string("\x0A\xF0\xFF\xFF\xFF", 5));
    TReader r3(bin);
    EXPECT_THROW(r3.ReadBinary(), EReadError);
}

TEST(Filer, ListDataPropertyRoundTrip) {
    TPureIDList l;
    l._(1)->_(2);
    TMemoryStream s;
    TWriter w(s);
    w.WriteProperties(&l);
    EXPECT_EQ(Bytes(s), std::string("\x0F" "DataGeneralList"
                                    "\x0A\x10\0\0\0"
                                    "\2\0\0\0\4\0\0\0\1\0\0\0\2\0\0\0"
                                    "\0",
                                    38));
    s.SetPosition(0);
    TPureIDList back;
    TReader r(s);
    r.ReadProperties(&back);
    EXPECT_TRUE(BinaryCompareLists(&back, &l));

    // An empty list is an empty binary value and reads back empty.
    TPureIDList empty;
    TMemoryStream e;
    TWriter we(e);
    we.WriteProperties(&empty);
    EXPECT_EQ(Bytes(e), std::string("\x0F" "DataGeneralList" "\x0A\0\0\0\0\0", 22));
    e.SetPosition(0);
    TReader re(e);
    re.ReadProperties(&back);
    EXPECT_EQ(back.GetCount(), 0);

    TMemoryStream other = StreamOf(std::string("\x05" "Other\x02\x01\0", 8));
    TReader ro(other);
    EXPECT_EQ(MessageOf<EReadError>([&] { ro.ReadProperties(&back); }), "Property Other does not exist");
}

TEST(FilerHelpers, CharacterBuffers) {
    TMemoryStream s;
    TWriter w(s);
    StrFWrite(w, std::string("abc"));
    StrFWrite(w, std::nullopt);
    PCharFWrite(w, std::string(""));
    PCharFWrite(w, std::nullopt);
    EXPECT_EQ(Bytes(s), std::string("\4\0abc\0" "\0\0" "\1\0\0\0\0" "\0\0\0\0", 17));
    s.SetPosition(0);
    TReader r(s);
    EXPECT_EQ(StrFRead(r), std::optional<std::string>("abc"));
    EXPECT_EQ(StrFRead(r), std::nullopt);
    EXPECT_EQ(PCharFRead(r), std::optional<std::string>(""));
    EXPECT_EQ(PCharFRead(r), std::nullopt);

    TMemoryStream big = StreamOf(std::string("\x00\x00\x00\x10xy", 6));
    TReader rb(big);
    EXPECT_THROW(PCharFRead(rb), EReadError);
    TMemoryStream w2;
    TWriter ww(w2);
    EXPECT_THROW(StrFWrite(ww, std::string(70000, 'a')), EWriteError);
}

TEST(FilerHelpers, StreamsAndLists) {
    TMemoryStream payload = StreamOf("hello");
    payload.SetPosition(3);
    TMemoryStream s;
    TWriter w(s);
    StreamFWrite(w, payload);
    T2IntList pairs;
    pairs.Add2Int(1, 2);
    GeneralListFWrite(w, &pairs);
    w.WriteListEnd();
    EXPECT_EQ(Bytes(s).substr(0, 7), std::string("\x02\x05hello", 7));

    s.SetPosition(0);
    TReader r(s);
    auto back = StreamFRead(r);
    EXPECT_EQ(Bytes(*back), "hello");
    // The base hooks stream no record data: the records come back zeroed.
    auto list = GeneralListFRead<T2IntList>(r);
    EXPECT_EQ(list->GetCount(), 1);
    EXPECT_EQ(list->GetRec(0).ID, 0);

    TMemoryStream bad = StreamOf(std::string("\x02\x7Fxy", 4));
    TReader rb(bad);
    EXPECT_THROW(StreamFRead(rb), EReadError);
    TMemoryStream truncated = StreamOf(std::string("\2\0\0", 3));
    TReader rt(truncated);
    EXPECT_THROW(GeneralListFRead(rt, [] { return std::unique_ptr<TGeneralList>(new TPureIDList); }), EReadError);
}

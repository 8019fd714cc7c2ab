#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>

#include "foundation/DateUtils.h"
#include "foundation/SysExcpt.h"
#include "foundation/Types.h"
#include "foundation/Utils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using namespace velt::test;

namespace {

std::string Saved(const TVRec* v) {
    TMemoryStream m;
    v->SaveToStream(m);
    return Hex(Bytes(m));
}

TVRec* Loaded(const TVRec* v) {
    TMemoryStream m;
    v->SaveToStream(m);
    m.SetPosition(0);
    return ReadVarRec(m);
}

}  // namespace

TEST(SharedEnums, PersistedOrdinals) {
    EXPECT_EQ(tkInteger, 0);
    EXPECT_EQ(tkPString, 6);
    EXPECT_EQ(tkSingle, 9);
    EXPECT_EQ(tkObject, 12);
    EXPECT_EQ(coLike, 8);
    EXPECT_EQ(coNear, 9);
    EXPECT_EQ(aoDiv, 3);
    EXPECT_EQ(aboNot, 2);
    EXPECT_EQ(al666, 4);
    EXPECT_EQ(rwReadWrite, 3);
    EXPECT_EQ(tBoolean, 3);
    EXPECT_EQ(ctInput, 2);
    EXPECT_TRUE(IsAriCondition(coGreatEqual));
    EXPECT_FALSE(IsAriCondition(coNull));
    EXPECT_TRUE(IsSQLCondition(coLike));
    EXPECT_FALSE(IsSQLCondition(coNear));
    TKeyKinds set = KeyKindBit(tkString) | KeyKindBit(tkObject);
    EXPECT_TRUE(InKeyKinds(set, tkObject));
    EXPECT_FALSE(InKeyKinds(set, tkInteger));
    EXPECT_EQ(vkString, 'Q');
    EXPECT_EQ(vkObject, 'Y');
}

TEST(TVRec, StreamGoldenBytesForEveryKind) {
    TObject obj;
    TVRecRef s(TVRec::CreateString("ab")), i(TVRec::CreateInteger(7)), f(TVRec::CreateFloat(1.5)),
        d(TVRec::CreateDate(2.0)), b(TVRec::CreateBoolean(true)), c(TVRec::CreateCurrency(Currency::FromUnits(5))),
        o(TVRec::CreateObject(&obj)), n(TVRec::Create());
    EXPECT_EQ(Saved(s.get()), "51 00 00 00 51 00 00 00 02 00 00 00 61 62");
    EXPECT_EQ(Saved(i.get()), "52 00 00 00 52 00 00 00 07 00 00 00");
    EXPECT_EQ(Saved(f.get()), "53 00 00 00 53 00 00 00 00 00 C0 3F");
    EXPECT_EQ(Saved(d.get()), "54 00 00 00 54 00 00 00 00 00 00 00 00 00 00 40");
    EXPECT_EQ(Saved(b.get()), "55 00 00 00 55 00 00 00 01");
    EXPECT_EQ(Saved(c.get()), "58 00 00 00 58 00 00 00");
    // A reference is never persisted as an address.
    EXPECT_EQ(Saved(o.get()), "59 00 00 00 59 00 00 00 00 00 00 00");
    EXPECT_EQ(Saved(n.get()), "00 00 00 00 00 00 00 00");
}

TEST(TVRec, LoadRestoresValuesButNeverAPointer) {
    TObject obj;
    TVRecRef o(TVRec::CreateObject(&obj));
    TVRecRef lo(Loaded(o.get()));
    EXPECT_EQ(lo->Kind, vkObject);
    EXPECT_EQ(lo->Value.O, nullptr);

    // A stream carrying a non-zero reference still loads as null.
    TMemoryStream m;
    WriteInteger(m, vkObject);
    WriteInteger(m, vkObject);
    WriteInteger(m, 0x12345678);
    m.SetPosition(0);
    TVRecRef raw(ReadVarRec(m));
    EXPECT_EQ(raw->Value.O, nullptr);

    TVRecRef f(TVRec::CreateFloat(0.1L));
    TVRecRef lf(Loaded(f.get()));
    EXPECT_EQ(lf->GetAsFloat(), (long double)0.1f);  // narrowed to single

    TVRecRef c(TVRec::CreateCurrency(Currency::FromUnits(25000)));
    TVRecRef lc(Loaded(c.get()));
    EXPECT_EQ(lc->Kind, vkCurrency);
    EXPECT_EQ(lc->GetAsCurr().Units, 0);  // nothing stored for currency

    TVRecRef s(TVRec::CreateString("text"));
    TVRecRef ls(Loaded(s.get()));
    EXPECT_EQ(ls->GetAsString(), "text");
    EXPECT_TRUE(ls->IsNull);  // loading leaves the flag alone
}

TEST(TVRec, TruncatedStreamRaisesAndLeavesTheValue) {
    TMemoryStream m;
    WriteInteger(m, vkString);
    WriteInteger(m, vkString);
    WriteInteger(m, 100);  // length beyond the data
    m.WriteBuffer("abc", 3);
    m.SetPosition(0);
    TVRecRef v(TVRec::CreateInteger(3));
    EXPECT_THROW(v->LoadFromStream(m), EReadError);
    EXPECT_EQ(v->Kind, vkInteger);
    EXPECT_EQ(v->GetAsInt(), 3);
}

TEST(TVRec, SaveOfAFloatBeyondSingleRaisesBeforeWriting) {
    TVRecRef f(TVRec::CreateFloat(1e300L));
    TMemoryStream m;
    EXPECT_THROW(f->SaveToStream(m), ERangeError);
    EXPECT_EQ(m.Size(), 0);
}

TEST(TVRec, ConversionsByKind) {
    TVRecRef i(TVRec::CreateInteger(7));
    EXPECT_EQ(i->GetAsString(), "7");
    EXPECT_EQ(i->GetAsCurr().Units, 70000);
    EXPECT_EQ(i->GetAsFloat(), 7);

    TVRecRef b(TVRec::CreateBoolean(true));
    EXPECT_EQ(b->GetAsString(), "");
    EXPECT_EQ(b->GetAsInt(), 1);
    EXPECT_EQ(b->GetAsCurr().Units, 10000);

    TVRecRef c25(TVRec::CreateCurrency(Currency::FromFloat(2.5))), c35(TVRec::CreateCurrency(Currency::FromFloat(3.5))),
        cm25(TVRec::CreateCurrency(Currency::FromUnits(-25000))), c26(TVRec::CreateCurrency(Currency::FromUnits(25001)));
    EXPECT_EQ(c25->Value.C, 25000);
    EXPECT_EQ(c25->GetAsInt(), 2);  // halves to even
    EXPECT_EQ(c35->GetAsInt(), 4);
    EXPECT_EQ(cm25->GetAsInt(), -2);
    EXPECT_EQ(c26->GetAsInt(), 3);
    EXPECT_EQ(c25->GetAsString(), "2.5");
    EXPECT_EQ(cm25->GetAsFloat(), -2.5);

    TVRecRef f(TVRec::CreateFloat(2.5));
    EXPECT_EQ(f->GetAsInt(), 2);
    EXPECT_EQ(f->GetAsString(), "2.5");
    f->SetAsFloat(-3.5);
    EXPECT_EQ(f->GetAsInt(), -4);
    f->SetAsFloat(1.23456);
    EXPECT_EQ(f->GetAsCurr().Units, 12346);

    TVRecRef d(TVRec::CreateDate(EncodeDate(2024, 3, 1) + EncodeTime(13, 5, 9, 0)));
    EXPECT_EQ(d->GetAsInt(), 0);
    EXPECT_EQ(d->GetAsString(), "2024-03-01 13:05:09");

    TVRecRef s(TVRec::CreateString("12"));
    EXPECT_EQ(s->GetAsInt(), 12);
    EXPECT_EQ(s->GetAsCurr().Units, 120000);
    s->SetAsString(" 2.5 ");
    EXPECT_EQ(s->GetAsFloat(), 2.5);
    EXPECT_THROW(s->GetAsInt(), EConvertError);
    s->SetAsString("x");
    EXPECT_THROW(s->GetAsFloat(), EConvertError);
    EXPECT_THROW(s->GetAsCurr(), EConvertError);

    TObject obj;
    TVRecRef o(TVRec::CreateObject(&obj));
    EXPECT_EQ(o->GetAsInt(), 0);
    EXPECT_EQ(o->GetAsString(), "");
}

TEST(TVRec, OutOfRangeConversionsRaise) {
    TVRecRef f(TVRec::CreateFloat(3e9L));
    EXPECT_THROW(f->GetAsInt(), ERangeError);
    f->SetAsFloat(NAN);
    EXPECT_THROW(f->GetAsInt(), ERangeError);
    EXPECT_THROW(f->GetAsCurr(), ERangeError);
    f->SetAsFloat(1e300L);
    EXPECT_THROW(f->GetAsCurr(), ERangeError);
    f->SetAsFloat(INFINITY);
    EXPECT_THROW(f->GetAsInt(), ERangeError);
    TVRecRef c(TVRec::CreateCurrency(Currency::FromUnits(INT64_MAX)));
    EXPECT_THROW(c->GetAsInt(), ERangeError);
    TVRecRef s(TVRec::CreateString("1e30"));
    EXPECT_THROW(s->GetAsCurr(), EConvertError);
}

TEST(TVRec, SettersMoveKindAndDomain) {
    TVRecRef v(TVRec::CreateInteger(1));
    v->SetAsString("a");
    EXPECT_EQ(v->Kind, vkString);
    EXPECT_EQ(v->Domain, vkString);
    v->CheckBase(vkString);
    EXPECT_EQ(SysCodeOf([&] { v->CheckBase(vkInteger); }), 5);

    TVRecRef copy(TVRec::Create());
    copy->Assign(v.get());
    EXPECT_EQ(copy->GetAsString(), "a");
    EXPECT_TRUE(copy->IsNull);  // Assign leaves the flag
    EXPECT_EQ(copy->RefCount, 1);
}

TEST(TVRec, EqualRules) {
    TVRecRef a(TVRec::CreateInteger(5)), b(TVRec::CreateInteger(5)), c(TVRec::CreateInteger(6));
    EXPECT_TRUE(a->Equal(b.get()));
    EXPECT_FALSE(a->Equal(c.get()));
    EXPECT_FALSE(a->Equal(nullptr));
    b->Domain = 1;
    EXPECT_FALSE(a->Equal(b.get()));

    TVRecRef s1(TVRec::CreateString("Ab")), s2(TVRec::CreateString("ab"));
    EXPECT_FALSE(s1->Equal(s2.get()));  // case-sensitive

    // Two null values are equal; a null value is not equal to a set one.
    TVRecRef n1(TVRec::Create()), n2(TVRec::Create());
    EXPECT_TRUE(n1->Equal(n2.get()));
    n2->Domain = 0;
    n2->Kind = 0;
    EXPECT_FALSE(n1->Equal(a.get()));

    TObject obj;
    TVRecRef o1(TVRec::CreateObject(&obj)), o2(TVRec::CreateObject(&obj));
    EXPECT_EQ(SysCodeOf([&] { o1->Equal(o2.get()); }), 1001);
}

TEST(TVRec, ReferenceCounting) {
    TVRec* v = TVRec::CreateInteger(1);
    EXPECT_EQ(v->AddRef(), v);
    EXPECT_EQ(v->RefCount, 2);
    TVRec::Release(v);
    EXPECT_EQ(v->RefCount, 1);
    TVRec::Release(v);  // freed here (ASan would see a leak otherwise)
    TVRec::Release(nullptr);
}

TEST(NumberText, FloatToStrShortestFifteenDigits) {
    EXPECT_EQ(FloatToStr(0.1L), "0.1");
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(0.1f), "0.100000001490116");
    EXPECT_EQ(FloatToStr(100), "100");
    EXPECT_EQ(FloatToStr(-1.5), "-1.5");
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(123456789012345678.0), "1.23456789012346E17");
    EXPECT_EQ(FloatToStr(NAN), "NAN");
    EXPECT_EQ(FloatToStr(-INFINITY), "-INF");
    EXPECT_EQ(StrToFloat(FloatToStr(-2.75e-9)), -2.75e-9L);
    EXPECT_THROW(StrToFloat("inf"), EConvertError);
    EXPECT_THROW(StrToFloat("1,5"), EConvertError);
    EXPECT_THROW(StrToFloat(""), EConvertError);
    EXPECT_EQ(StrToFloat("+1e3"), 1000);
    EXPECT_THROW(StrToFloat("+-1"), EConvertError);
}

TEST(NumberText, CurrencyText) {
    EXPECT_EQ(CurrToStr(Currency::FromUnits(-1)), "-0.0001");
    EXPECT_EQ(CurrToStr(Currency::FromUnits(70000)), "7");
    EXPECT_EQ(CurrToStr(Currency::FromUnits(INT64_MIN)), "-922337203685477.5808");
    EXPECT_EQ(StrToCurr("0.00005").Units, 0);  // half to even
    EXPECT_EQ(StrToCurr("0.00015").Units, 2);
}

TEST(DateText, CalendarMatchesTheStandardLibrary) {
    using namespace std::chrono;
    const sys_days epoch = year{1899} / December / 30;
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    for (int n = -693593; n <= 2958465; n += 997) {
        year_month_day ymd{epoch + days{n}};
        int y, m, d;
        DecodeDate(double(n), y, m, d);
        ASSERT_EQ(y, int(ymd.year())) << n;
        ASSERT_EQ(m, int(unsigned(ymd.month()))) << n;
        ASSERT_EQ(d, int(unsigned(ymd.day()))) << n;
        ASSERT_EQ(EncodeDate(y, m, d), double(n));
    }
    EXPECT_EQ(DateToStr(-693593), "0001-01-01");
    EXPECT_EQ(DateToStr(2958465), "9999-12-31");
    EXPECT_THROW(DateToStr(-693594), EConvertError);
    EXPECT_EQ(DateTimeToStr(0), "1899-12-30");
    EXPECT_EQ(DateTimeToStr(-1.25), "1899-12-29 06:00:00");
    EXPECT_EQ(DateToStr(EncodeDate(2000, 2, 29)), "2000-02-29");
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_THROW(DateToStr(1e12), EConvertError);
    EXPECT_THROW(DateToStr(NAN), EConvertError);
}

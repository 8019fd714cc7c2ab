#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>
#include <type_traits>

#include "foundation/Suport32.h"
#include "foundation/SysExcpt.h"
#include "foundation/Utils.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using namespace velt::test;

// ---- binary values -----------------------------------------------------------

TEST(StreamValues, FixedWidthGoldenBytesAndRoundTrip) {
    TMemoryStream m;
    WriteInteger(m, -2);
    WriteWord(m, 0x1234);
    WriteByte(m, 0xAB);
    WriteBool(m, true);
    WriteFloat(m, 1.0f);
    Guid g;
    g.D1 = 0x04030201;
    g.D2 = 0x0605;
    g.D3 = 0x0807;
    for (int i = 0; i < 8; ++i) g.D4[i] = uint8_t(9 + i);
    WriteGUID(m, g);
    EXPECT_EQ(Hex(Bytes(m)),
              "FE FF FF FF 34 12 AB 01 00 00 80 3F "
              "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10");
    m.SetPosition(0);
    EXPECT_EQ(ReadInteger(m), -2);
    EXPECT_EQ(ReadWord(m), 0x1234);
    EXPECT_EQ(ReadByte(m), 0xAB);
    EXPECT_TRUE(ReadBool(m));
    EXPECT_EQ(ReadFloat(m), 1.0f);
    EXPECT_EQ(ReadGUID(m), g);
    EXPECT_THROW(ReadByte(m), EReadError);
}

TEST(StreamValues, StringFormatsGoldenBytes) {
    TMemoryStream m;
    WriteShortString(m, "");
    WriteShortString(m, "ab");
    WriteAnsiString(m, "abc");
    WriteAnsiString(m, "");
    WritePChar(m, nullptr);
    WritePChar(m, "ab");
    EXPECT_EQ(Hex(Bytes(m)), "00 02 61 62 03 00 00 00 61 62 63 00 00 00 00 00 61 62 00");
    m.SetPosition(0);
    EXPECT_EQ(ReadShortString(m), "");
    EXPECT_EQ(ReadShortString(m), "ab");
    EXPECT_EQ(ReadAnsiString(m), "abc");
    EXPECT_EQ(ReadAnsiString(m), "");
    EXPECT_EQ(ReadPChar(m), "");
    EXPECT_EQ(ReadPChar(m), "ab");
    EXPECT_EQ(m.Remaining(), 0);
}

TEST(StreamValues, ShortStringLongerThan255IsCut) {
    TMemoryStream m;
    WriteShortString(m, std::string(300, 'x'));
    EXPECT_EQ(m.Size(), 256);
    EXPECT_EQ((unsigned char)m.Memory()[0], 255);
    m.SetPosition(0);
    EXPECT_EQ(ReadShortString(m), std::string(255, 'x'));
}

TEST(StreamValues, ReadPCharStopsAtLimitAndLeavesTheRest) {
    auto m = StreamOf(std::string("abcd\0", 5));
    char buf[4];
    std::memset(buf, 'z', sizeof buf);
    ReadPChar(m, buf, 3);
    EXPECT_EQ(std::string(buf, 4), std::string("abc\0", 4));
    EXPECT_EQ(m.GetPosition(), 3);
    // Null buffer: the bytes are skipped up to and including the NUL.
    ReadPChar(m, nullptr, 0);
    EXPECT_EQ(m.GetPosition(), 5);
    // The terminator of a short string leaves what follows unread.
    auto m2 = StreamOf(std::string("ab\0cd", 5));
    EXPECT_EQ(ReadPChar(m2, 10), "ab");
    EXPECT_EQ(m2.GetPosition(), 3);
    // The string holds what the stream has, whatever the limit.
    auto m3 = StreamOf(std::string("xy\0z", 4));
    std::string s = ReadPChar(m3, INT32_MAX);
    EXPECT_EQ(s, "xy");
    EXPECT_LT(s.capacity(), 4096u);
    EXPECT_EQ(m3.GetPosition(), 3);
}

TEST(StreamValues, ReadersNeverGoPastTheEnd) {
    // A PChar without terminator at the end of the stream.
    auto m = StreamOf("abc");
    char buf[65];
    EXPECT_THROW(ReadPChar(m, buf, 64), EReadError);
    // Negative and huge lengths fail at once, without allocating.
    auto neg = StreamOf(std::string("\xFF\xFF\xFF\xFF" "abc", 7));
    EXPECT_THROW(ReadAnsiString(neg), EReadError);
    auto huge = StreamOf(std::string("\xFF\xFF\xFF\x7F" "abc", 7));
    EXPECT_THROW(ReadAnsiString(huge), EReadError);
    auto hugeStream = StreamOf(std::string("\x00\x00\x00\x40" "abc", 7));
    EXPECT_THROW(ReadStream(hugeStream), EReadError);
    auto shortStr = StreamOf("\x05" "ab");
    EXPECT_THROW(ReadShortString(shortStr), EReadError);
    auto cut = StreamOf("\x03\x00");
    EXPECT_THROW(ReadInteger(cut), EReadError);
}

TEST(StreamValues, MemoryStreamSizeThenContent) {
    TMemoryStream src;
    src.WriteBuffer("xyz", 3);
    TMemoryStream m;
    WriteStream(m, &src);
    WriteStream(m, nullptr);
    EXPECT_EQ(Hex(Bytes(m)), "03 00 00 00 78 79 7A 00 00 00 00");
    m.SetPosition(0);
    auto a = ReadStream(m);
    EXPECT_EQ(Bytes(*a), "xyz");
    EXPECT_EQ(a->GetPosition(), 0);
    EXPECT_EQ(ReadStream(m)->Size(), 0);
}

TEST(StreamValues, VarRecClassAndSignature) {
    TMemoryStream m;
    TVRecRef v(TVRec::CreateInteger(7));
    WriteVarRec(m, v.get());
    WriteVarRec(m, nullptr);
    TStringList list;
    WriteClass(m, &list);
    WriteSignature(m, "SIG");
    EXPECT_EQ(Hex(Bytes(m)),
              "52 00 00 00 52 00 00 00 07 00 00 00 00 00 00 00 00 00 00 00 "
              "0B 54 53 74 72 69 6E 67 4C 69 73 74 03 53 49 47");
    m.SetPosition(0);
    TVRecRef r(ReadVarRec(m));
    EXPECT_TRUE(r->Equal(v.get()) == false);  // loading leaves IsNull alone
    EXPECT_EQ(r->Kind, vkInteger);
    EXPECT_EQ(r->GetAsInt(), 7);
    TVRecRef empty(ReadVarRec(m));
    EXPECT_EQ(empty->Kind, 0);

    RegisterClass("TStringList", [] { return new TStringList(); });
    std::string name;
    const TObjectFactory& f = ReadClass(m, &name);
    EXPECT_EQ(name, "TStringList");
    std::unique_ptr<TPersistent> made(f());
    EXPECT_EQ(made->ClassName(), "TStringList");
    CheckSignature(m, "SIG");

    auto bad = StreamOf("\x04" "Nope" "\x03" "sig");
    EXPECT_THROW(ReadClass(bad), EClassNotFound);
    EXPECT_EQ(MessageOf([&] { CheckSignature(bad, "SIG"); }), "Bad signature");
}

// ---- counted strings in records ----------------------------------------------

TEST(CountedStrings, LengthByteBeyondTheFieldIsClamped) {
    struct Rec {
        unsigned char Name[20];  // string[19]
        unsigned char After[4];
    } rec;
    std::memset(&rec, 'q', sizeof rec);
    rec.Name[0] = 200;  // damaged length
    EXPECT_EQ(GetCountedString(rec.Name, 19), std::string(19, 'q'));
    TMemoryStream m;
    WriteCountedString(m, rec.Name, 19);
    EXPECT_EQ(m.Size(), 20);
    EXPECT_EQ((unsigned char)m.Memory()[0], 19);

    // A longer string read into the field is cut; the stream moves past it all.
    TMemoryStream in;
    WriteShortString(in, std::string(30, 'L'));
    WriteByte(in, 0x5A);
    in.SetPosition(0);
    ReadCountedString(in, rec.Name, 19);
    EXPECT_EQ(rec.Name[0], 19);
    EXPECT_EQ(std::memcmp(rec.After, "qqqq", 4), 0);
    EXPECT_EQ(ReadByte(in), 0x5A);

    SetCountedString(rec.Name, 19, "ab");
    EXPECT_EQ(GetCountedString(rec.Name, 19), "ab");
    for (int i = 3; i < 20; ++i) EXPECT_EQ(rec.Name[i], 0) << i;  // tail zeroed
    EXPECT_EQ(std::memcmp(rec.After, "qqqq", 4), 0);
}

// ---- text lines ----------------------------------------------------------------

TEST(TextLines, WritelnStringsGoldenText) {
    TStringList l;
    l.Add("x");
    TMemoryStream m;
    WritelnStrings(m, l);
    EXPECT_EQ(Bytes(m), "String.Count=1\r\nx\r\n");
    m.SetPosition(0);
    auto r = ReadlnStrings(m);
    ASSERT_EQ(r->Count(), 1);
    EXPECT_EQ((*r)[0], "x");
}

TEST(TextLines, ReadlnAcceptsEveryLineEnd) {
    auto m = StreamOf("a\r\nb\nc\rd\r\r\ne");
    std::string s;
    std::vector<std::string> got;
    while (StreamReadln(m, s)) got.push_back(s);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    EXPECT_FALSE(StreamReadln(m, s));
    EXPECT_EQ(s, "");

    // CR LF split across the internal read chunks.
    std::string longLine(511, 'w');
    auto m2 = StreamOf(longLine + "\r\nnext");
    ASSERT_TRUE(StreamReadln(m2, s));
    EXPECT_EQ(s, longLine);
    ASSERT_TRUE(StreamReadln(m2, s));
    EXPECT_EQ(s, "next");

    for (const char* text : {"String.Count=2\nA\nB\n", "String.Count=2\rA\rB", "String.Count=2\r\nA\r\nB"}) {
        auto in = StreamOf(text);
        auto r = ReadlnStrings(in);
        ASSERT_EQ(r->Count(), 2) << text;
        EXPECT_EQ((*r)[1], "B");
    }
}

TEST(TextLines, ReadlnStringsRejectsBadInput) {
    for (std::string_view text : {"", "string.count=1\r\nx\r\n", "String.Count=-1\r\n"}) {
        auto in = StreamOf(text);
        EXPECT_EQ(MessageOf([&] { ReadlnStrings(in); }), "Invalid string list format") << text;
    }
    auto nan = StreamOf("String.Count=x\r\n");
    EXPECT_THROW(ReadlnStrings(nan), EConvertError);
    // A count far beyond the lines present ends at the stream's end.
    auto huge = StreamOf("String.Count=2000000000\r\na\r\n");
    EXPECT_THROW(ReadlnStrings(huge), EReadError);
}

// ---- conversions and small helpers -------------------------------------------

TEST(Conversions, BooleanText) {
    EXPECT_EQ(BoolToStr(true), "True");
    EXPECT_EQ(BoolToStr(false), "False");
    EXPECT_TRUE(StrToBool("true"));
    EXPECT_FALSE(StrToBool("FaLsE"));
    EXPECT_EQ(SysCodeOf([] { StrToBool("yes"); }), 40000012);
    EXPECT_EQ(BoolToInt(true), 1);
    EXPECT_TRUE(IntToBool(-5));
}

TEST(Conversions, VarRecToStrByKind) {
    EXPECT_EQ(VarRecToStr(nullptr), "(null)");
    TVRecRef s(VRecString("abc")), i(VRecInteger(-4)), b(VRecBoolean(true)), d(VRecDateTime(0.75)),
        f(VRecFloat(1.5));
    EXPECT_EQ(VarRecToStr(s.get()), "abc");
    EXPECT_EQ(VarRecToStr(i.get()), "-4");
    EXPECT_EQ(VarRecToStr(b.get()), "True");
    EXPECT_EQ(VarRecToStr(d.get()), "1899-12-30");  // the date only
    EXPECT_EQ(SysCodeOf([&] { VarRecToStr(f.get()); }), 40000013);
}

TEST(Conversions, Guid32Text) {
    Guid g;
    uint32_t w[4] = {1, 2, 3, 255};
    std::memcpy(&g, w, 16);
    EXPECT_EQ(GUIDToString32(g), "000000010000000200000003000000FF");
    EXPECT_EQ(String32ToGUID("000000010000000200000003000000ff"), g);
    Guid other = g;
    other.D4[7] = 1;
    EXPECT_TRUE(IsEqualGUID(g, g));
    EXPECT_FALSE(IsEqualGUID(g, other));
    EXPECT_THROW(String32ToGUID("00000001"), EConvertError);
    EXPECT_THROW(String32ToGUID("G00000010000000200000003000000FF"), EConvertError);
}

TEST(Conversions, SmallHelpers) {
    EXPECT_EQ(MaxInt({3, 9, -1}), 9);
    EXPECT_EQ(MinInt({3, 9, -1}), -1);
    EXPECT_THROW(MaxInt({}), ERangeError);
    EXPECT_EQ(Sgn(-0.5f), -1);
    EXPECT_EQ(Sgn(0.0f), 0);
    int32_t x = 5;
    EXPECT_EQ(RInc(x), 5);
    EXPECT_EQ(IncR(x), 7);
    EXPECT_EQ(RDecc(x, 3), 7);
    EXPECT_EQ(DecRc(x, 2), 2);
    x = INT32_MAX;
    EXPECT_EQ(IncR(x), INT32_MIN);  // wraps
    EXPECT_TRUE(MemCompare(nullptr, nullptr, 0));
    EXPECT_FALSE(MemCompare("ab", "ac", 2));
    TStringList l;
    l.Add("alpha");
    l.Add("Beta gamma");
    EXPECT_EQ(IndexOfAtLeastString(l, "gam"), 1);
    EXPECT_EQ(IndexOfAtLeastString(l, "ALPHA"), -1);
}

// ---- threads -------------------------------------------------------------------

namespace {

// Pumps the built-in queue until done becomes true.
void PumpUntil(const std::atomic<bool>& done) {
    while (!done) CheckSynchronize(10);
}

}  // namespace

TEST(Threads, SynchronizeInTheMainThreadRunsAtOnce) {
    struct Refuse : TMainThreadDispatcher {
        void RunInMainThread(const std::function<void()>&) override { ADD_FAILURE(); }
        int Serve(int) override { return 0; }
    } refuse;
    SetMainThreadDispatcher(&refuse);
    int ran = 0;
    Synchronize([&] { ++ran; });
    SetMainThreadDispatcher(nullptr);
    EXPECT_EQ(ran, 1);
    EXPECT_NO_THROW(AssertMainThread());
}

TEST(Threads, SynchronizeFromAWorkerRunsInTheMainThreadAndReraises) {
    std::atomic<bool> done{false};
    std::thread::id ranIn;
    std::string caught;
    bool assertFailed = false;
    std::thread worker([&] {
        try {
            AssertMainThread();
        } catch (const EAssertionFailed&) {
            assertFailed = true;
        }
        Synchronize([&] { ranIn = std::this_thread::get_id(); });
        try {
            Synchronize([] { throw EConvertError("boom"); });
        } catch (const EConvertError& e) {
            caught = e.what();
        }
        done = true;
    });
    PumpUntil(done);
    worker.join();
    EXPECT_TRUE(assertFailed);
    EXPECT_EQ(ranIn, std::this_thread::get_id());
    EXPECT_EQ(caught, "boom");
}

TEST(Threads, AnInstalledQueueHearsOfEachCallAndTheMainThreadServesIt) {
    struct TWaking : TSyncQueue {
        std::atomic<int> Woken{0};
        void Queued() override { ++Woken; }
    } queue;
    SetMainThreadDispatcher(&queue);
    std::atomic<bool> done{false};
    int ran = 0;
    std::thread worker([&] {
        Synchronize([&] { ++ran; });
        Synchronize([&] { ++ran; });
        done = true;
    });
    while (!done) ServeMainThread(10);
    worker.join();
    SetMainThreadDispatcher(nullptr);
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(queue.Woken, 2);
    EXPECT_EQ(CheckSynchronize(0), 0);  // the built-in queue stayed out of it
}

TEST(Threads, MethodThreadRunsFreesItselfAndDropsErrors) {
    // The method's captures die with the thread object: that proves it freed itself.
    std::promise<THThread*> ran;
    std::promise<void> freed;
    auto guard = std::shared_ptr<void>(nullptr, [&](void*) { freed.set_value(); });
    StartThreaded([&ran, guard](THThread* self) { ran.set_value(self); });
    guard.reset();
    EXPECT_NE(ran.get_future().get(), nullptr);
    freed.get_future().wait();

    THThread t;
    bool reached = false;
    t.Method = [&](THThread* self) {
        EXPECT_EQ(self, &t);
        reached = true;
        throw Exception("dropped");
    };
    t.Resume();
    t.WaitFor();
    EXPECT_TRUE(reached);
}

TEST(Threads, MethodThreadStartsOnlyWhenResumed) {
    // No constructor starts it: a thread started there could run before the
    // derived part, and its Execute, exist.
    static_assert(!std::is_constructible_v<THThread, bool>);
    struct TCounting : THThread {
        std::atomic<int> Runs{0};
        ~TCounting() override { WaitFor(); }
        void Execute() override { ++Runs; }
    };
    TCounting t;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(t.Runs, 0);
    t.Resume();
    t.WaitFor();
    EXPECT_EQ(t.Runs, 1);
}

TEST(Threads, ReraiseComesBackToTheCallingThread) {
    std::atomic<bool> done{false};
    std::string caught;
    THThread t;
    t.Method = [&](THThread* self) {
        try {
            self->Reraise(std::make_exception_ptr(Exception("again")));
        } catch (const Exception& e) {
            caught = e.what();
        }
        done = true;
    };
    t.Resume();
    PumpUntil(done);
    t.WaitFor();
    EXPECT_EQ(caught, "again");
}

TEST(Threads, MutexObject) {
    TMutexObject m;
    m.Wait();  // free: returns at once
    m.Lock();
    m.Lock();  // the owner may lock again
    bool foreignUnlock = true;
    std::thread([&] { foreignUnlock = m.Unlock(); }).join();
    EXPECT_FALSE(foreignUnlock);
    EXPECT_TRUE(m.Unlock());
    std::atomic<bool> passed{false};
    std::thread waiter([&] {
        m.Wait();
        passed = true;
    });
    EXPECT_TRUE(m.Unlock());
    waiter.join();
    EXPECT_TRUE(passed);
    EXPECT_FALSE(m.Unlock());
}

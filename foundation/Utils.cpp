#include "foundation/Utils.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <cstring>

#include "foundation/DateUtils.h"
#include "foundation/Suport32.h"
#include "foundation/SysExcpt.h"

namespace velt {

namespace {

[[noreturn]] void ReadError(const char* why) { throw EReadError(std::string("Stream read error: ") + why); }

// A length read from the stream must fit what is left of it.
void CheckLength(TStream& s, int64_t len) {
    if (len < 0) ReadError("negative length");
    if (len > s.Remaining()) ReadError("length beyond the end of the stream");
}

// len bytes of the stream as a string, len checked first.
std::string ReadChars(TStream& s, int64_t len) {
    CheckLength(s, len);
    std::string r(size_t(len), '\0');
    s.ReadBuffer(r.data(), len);
    return r;
}

template <class T>
void WriteLE(TStream& s, T v) {
    unsigned char b[sizeof(T)];
    std::make_unsigned_t<T> u = std::make_unsigned_t<T>(v);
    for (size_t i = 0; i < sizeof(T); ++i) b[i] = (unsigned char)(u >> (8 * i));
    s.WriteBuffer(b, sizeof b);
}

template <class T>
T ReadLE(TStream& s) {
    unsigned char b[sizeof(T)];
    s.ReadBuffer(b, sizeof b);
    std::make_unsigned_t<T> u = 0;
    for (size_t i = 0; i < sizeof(T); ++i) u |= std::make_unsigned_t<T>(b[i]) << (8 * i);
    return T(u);
}

}  // namespace

// ---- stream value helpers --------------------------------------------------

void WriteInteger(TStream& s, int32_t i) { WriteLE<int32_t>(s, i); }
int32_t ReadInteger(TStream& s) { return ReadLE<int32_t>(s); }
void WriteWord(TStream& s, uint16_t w) { WriteLE<uint16_t>(s, w); }
uint16_t ReadWord(TStream& s) { return ReadLE<uint16_t>(s); }
void WriteByte(TStream& s, uint8_t b) { s.WriteBuffer(&b, 1); }

uint8_t ReadByte(TStream& s) {
    uint8_t b;
    s.ReadBuffer(&b, 1);
    return b;
}

void WriteBool(TStream& s, bool b) { WriteByte(s, b ? 1 : 0); }
bool ReadBool(TStream& s) { return ReadByte(s) != 0; }

void WriteFloat(TStream& s, float x) {
    uint32_t u;
    std::memcpy(&u, &x, 4);
    WriteLE<uint32_t>(s, u);
}

float ReadFloat(TStream& s) {
    uint32_t u = ReadLE<uint32_t>(s);
    float x;
    std::memcpy(&x, &u, 4);
    return x;
}

void WriteGUID(TStream& s, const Guid& g) {
    WriteLE<uint32_t>(s, g.D1);
    WriteLE<uint16_t>(s, g.D2);
    WriteLE<uint16_t>(s, g.D3);
    s.WriteBuffer(g.D4, 8);
}

void ReadGUID(TStream& s, Guid& g) {
    Guid r;
    r.D1 = ReadLE<uint32_t>(s);
    r.D2 = ReadLE<uint16_t>(s);
    r.D3 = ReadLE<uint16_t>(s);
    s.ReadBuffer(r.D4, 8);
    g = r;
}

Guid ReadGUID(TStream& s) {
    Guid g;
    ReadGUID(s, g);
    return g;
}

void WriteShortString(TStream& s, std::string_view str) {
    size_t n = std::min<size_t>(str.size(), 255);
    WriteByte(s, uint8_t(n));
    s.WriteBuffer(str.data(), int64_t(n));
}

void ReadShortString(TStream& s, std::string& str) { str = ReadChars(s, ReadByte(s)); }

std::string ReadShortString(TStream& s) { return ReadChars(s, ReadByte(s)); }

void WriteAnsiString(TStream& s, std::string_view str) {
    if (str.size() > size_t(INT32_MAX)) throw EWriteError("Stream write error: string too long");
    WriteInteger(s, int32_t(str.size()));
    s.WriteBuffer(str.data(), int64_t(str.size()));
}

void ReadAnsiString(TStream& s, std::string& str) { str = ReadChars(s, ReadInteger(s)); }

std::string ReadAnsiString(TStream& s) { return ReadChars(s, ReadInteger(s)); }

void WritePChar(TStream& s, const char* p) {
    if (p == nullptr) {
        WriteByte(s, 0);
        return;
    }
    s.WriteBuffer(p, int64_t(std::strlen(p)) + 1);
}

namespace {
// Reads up to maxLen bytes (64000 for maxLen < 1) through the first NUL and
// hands each piece, the NUL left out, to put. Reads in chunks and gives back
// what follows the terminator.
template <class Put>
void ReadPCharPieces(TStream& s, int maxLen, Put put) {
    if (maxLen < 1) maxLen = 64000;
    char chunk[256];
    int done = 0;
    while (done < maxLen) {
        int64_t want = std::min<int64_t>(sizeof chunk, maxLen - done);
        int64_t got = s.Read(chunk, want);
        if (got <= 0) ReadError("string without terminator");
        const void* nul = std::memchr(chunk, 0, size_t(got));
        int64_t take = nul ? static_cast<const char*>(nul) - chunk : got;
        put(chunk, take);
        done += int(take);
        if (nul) {
            if (take + 1 < got) s.Seek(take + 1 - got, soCurrent);
            return;
        }
    }
}
}  // namespace

char* ReadPChar(TStream& s, char* buf, int maxLen) {
    int done = 0;
    ReadPCharPieces(s, maxLen, [&](const char* piece, int64_t n) {
        if (buf) std::memcpy(buf + done, piece, size_t(n));
        done += int(n);
    });
    if (buf) buf[done] = '\0';
    return buf;
}

std::string ReadPChar(TStream& s, int maxLen) {
    // Grows with what the stream holds, never to the limit up front.
    std::string r;
    ReadPCharPieces(s, maxLen, [&](const char* piece, int64_t n) { r.append(piece, size_t(n)); });
    return r;
}

void WriteStream(TStream& s, const TMemoryStream* source) {
    int64_t n = source ? source->Size() : 0;
    if (n > INT32_MAX) throw EWriteError("Stream write error: stream too large");
    WriteInteger(s, int32_t(n));
    if (n > 0) s.WriteBuffer(source->Memory(), n);
}

std::unique_ptr<TMemoryStream> ReadStream(TStream& s) {
    int32_t n = ReadInteger(s);
    CheckLength(s, n);
    auto m = std::make_unique<TMemoryStream>();
    m->SetSize(n);
    if (n > 0) s.ReadBuffer(m->Memory(), n);
    m->SetPosition(0);
    return m;
}

void WriteVarRec(TStream& s, const TVRec* v) {
    if (v) {
        v->SaveToStream(s);
    } else {
        WriteInteger(s, 0);
        WriteInteger(s, 0);
    }
}

TVRec* ReadVarRec(TStream& s) {
    TVRecRef v(TVRec::Create());
    v->LoadFromStream(s);
    return v.release();
}

void WriteClass(TStream& s, const TObject* obj) { WriteShortString(s, obj ? obj->ClassName() : std::string()); }

const TObjectFactory& ReadClass(TStream& s, std::string* name) {
    std::string n = ReadShortString(s);
    const TObjectFactory& f = FindClass(n);
    if (name) *name = n;
    return f;
}

void WriteSignature(TStream& s, std::string_view sig) { WriteShortString(s, sig); }

void CheckSignature(TStream& s, std::string_view sig) {
    if (ReadShortString(s) != sig.substr(0, std::min<size_t>(sig.size(), 255))) throw Exception("Bad signature");
}

// ---- counted strings inside records ----------------------------------------

std::string GetCountedString(const void* field, int maxLen) {
    const unsigned char* p = static_cast<const unsigned char*>(field);
    int n = std::min<int>(p[0], std::max(maxLen, 0));
    return std::string(reinterpret_cast<const char*>(p + 1), size_t(n));
}

void SetCountedString(void* field, int maxLen, std::string_view str) {
    maxLen = std::clamp(maxLen, 0, 255);
    unsigned char* p = static_cast<unsigned char*>(field);
    size_t n = std::min<size_t>(str.size(), size_t(maxLen));
    p[0] = uint8_t(n);
    std::memcpy(p + 1, str.data(), n);
    std::memset(p + 1 + n, 0, size_t(maxLen) - n);
}

void WriteCountedString(TStream& s, const void* field, int maxLen) {
    WriteShortString(s, GetCountedString(field, maxLen));
}

void ReadCountedString(TStream& s, void* field, int maxLen) {
    SetCountedString(field, maxLen, ReadShortString(s));
}

// ---- text lines ------------------------------------------------------------

void StreamWriteln(TStream& s, std::string_view str) {
    s.WriteBuffer(str.data(), int64_t(str.size()));
    s.WriteBuffer("\r\n", 2);
}

bool StreamReadln(TStream& s, std::string& str) {
    str.clear();
    char chunk[512];
    bool any = false;
    for (;;) {
        int64_t got = s.Read(chunk, sizeof chunk);
        if (got <= 0) return any;
        any = true;
        int64_t i = 0;
        while (i < got && chunk[i] != '\r' && chunk[i] != '\n') ++i;
        str.append(chunk, size_t(i));
        if (i == got) continue;
        // i is the line end; a CR may be followed by its LF.
        int64_t used = i + 1;
        if (chunk[i] == '\r') {
            if (used < got) {
                if (chunk[used] == '\n') ++used;
            } else {
                char next;
                if (s.Read(&next, 1) == 1 && next != '\n') s.Seek(-1, soCurrent);
            }
        }
        if (used < got) s.Seek(used - got, soCurrent);
        return true;
    }
}

void WritelnStrings(TStream& s, const TStringList& strings) {
    StreamWriteln(s, "String.Count=" + IntToStr(strings.Count()));
    for (const std::string& line : strings.Strings()) StreamWriteln(s, line);
}

std::unique_ptr<TStringList> ReadlnStrings(TStream& s) {
    static const std::string_view kHead = "String.Count=";
    std::string line;
    StreamReadln(s, line);
    if (line.compare(0, kHead.size(), kHead) != 0) throw Exception("Invalid string list format");
    int32_t count = StrToInt(std::string_view(line).substr(kHead.size()));
    if (count < 0) throw Exception("Invalid string list format");
    auto list = std::make_unique<TStringList>();
    for (int32_t i = 0; i < count; ++i) {
        if (!StreamReadln(s, line)) ReadError("string list ends before its count");
        list->Add(line);
    }
    return list;
}

// ---- conversions and small helpers -------------------------------------------

int32_t MaxInt(std::initializer_list<int32_t> values) {
    if (values.size() == 0) throw ERangeError("MaxInt of no values");
    return std::max(values);
}

int32_t MinInt(std::initializer_list<int32_t> values) {
    if (values.size() == 0) throw ERangeError("MinInt of no values");
    return std::min(values);
}

int Sgn(float x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

namespace {
int32_t Wrap(int32_t x, int32_t c) { return int32_t(uint32_t(x) + uint32_t(c)); }
}  // namespace

int32_t RInc(int32_t& x) { return RIncc(x, 1); }
int32_t IncR(int32_t& x) { return IncRc(x, 1); }
int32_t RDec(int32_t& x) { return RDecc(x, 1); }
int32_t DecR(int32_t& x) { return DecRc(x, 1); }

int32_t RIncc(int32_t& x, int32_t c) {
    int32_t old = x;
    x = Wrap(x, c);
    return old;
}

int32_t IncRc(int32_t& x, int32_t c) { return x = Wrap(x, c); }

int32_t RDecc(int32_t& x, int32_t c) {
    int32_t old = x;
    x = Wrap(x, int32_t(0u - uint32_t(c)));
    return old;
}

int32_t DecRc(int32_t& x, int32_t c) { return x = Wrap(x, int32_t(0u - uint32_t(c))); }

bool MemCompare(const void* p1, const void* p2, size_t len) { return len == 0 || std::memcmp(p1, p2, len) == 0; }

void Clr(void* p, size_t n) {
    if (n) std::memset(p, 0, n);
}

std::string BoolToStr(bool b) { return b ? "True" : "False"; }

bool StrToBool(std::string_view s) {
    std::string u = UpperCase(s);
    if (u == "TRUE") return true;
    if (u == "FALSE") return false;
    SysError(seBadBoolText);
}

std::string VarRecToStr(const TVRec* v) {
    if (v == nullptr) return "(null)";
    switch (v->Kind) {
        case vkString: return v->StrValue;
        case vkInteger: return IntToStr(v->Value.I);
        case vkDateTime: return DateToStr(v->Value.D);
        case vkBoolean: return BoolToStr(v->Value.B != 0);
        default: SysError(seVarRecNoText);
    }
}

TVRec* VRecInteger(int32_t i) { return TVRec::CreateInteger(i); }
TVRec* VRecBoolean(bool b) { return TVRec::CreateBoolean(b); }
TVRec* VRecString(std::string_view s) { return TVRec::CreateString(s); }
TVRec* VRecFloat(long double e) { return TVRec::CreateFloat(e); }
TVRec* VRecDateTime(double d) { return TVRec::CreateDate(d); }

namespace {
void GuidWords(const Guid& g, uint32_t w[4]) { std::memcpy(w, &g, 16); }
}  // namespace

bool IsEqualGUID(const Guid& g1, const Guid& g2) {
    uint32_t a[4], b[4];
    GuidWords(g1, a);
    GuidWords(g2, b);
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

std::string GUIDToString32(const Guid& g) {
    uint32_t w[4];
    GuidWords(g, w);
    std::string r;
    for (uint32_t x : w) r += IntToHex(x, 8);
    return UpperCase(r);
}

void String32ToGUID(std::string_view s, Guid& g) {
    if (s.size() != 32) throw EConvertError("'" + std::string(s) + "' is not a valid GUID value");
    uint32_t w[4] = {};
    for (size_t i = 0; i < 32; ++i) {
        char c = s[i];
        uint32_t d;
        if (c >= '0' && c <= '9') d = uint32_t(c - '0');
        else if (c >= 'A' && c <= 'F') d = uint32_t(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') d = uint32_t(c - 'a' + 10);
        else throw EConvertError("'" + std::string(s) + "' is not a valid GUID value");
        w[i / 8] = (w[i / 8] << 4) | d;
    }
    std::memcpy(&g, w, 16);
}

Guid String32ToGUID(std::string_view s) {
    Guid g;
    String32ToGUID(s, g);
    return g;
}

int IndexOfAtLeastString(const TStringList& strings, std::string_view s) {
    for (int i = 0; i < strings.Count(); ++i)
        if (strings[i].find(s) != std::string::npos) return i;
    return -1;
}

// ---- threads -------------------------------------------------------------------

namespace {

// Taken at static start-up, which runs in the thread that started the program.
const std::thread::id gMainThread = std::this_thread::get_id();

std::atomic<TMainThreadDispatcher*> gDispatcher{nullptr};

std::mutex& SyncMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

struct TSyncQueue::Pending {
    const std::function<void()>* task;
    bool done = false;
};

void TSyncQueue::RunInMainThread(const std::function<void()>& task) {
    Pending p{&task};
    std::unique_lock<std::mutex> lock(m_);
    queue_.push_back(&p);
    cv_.notify_all();
    lock.unlock();
    Queued();
    lock.lock();
    cv_.wait(lock, [&] { return p.done; });
}

int TSyncQueue::CheckSynchronize(int timeoutMs) {
    std::vector<Pending*> work;
    {
        std::unique_lock<std::mutex> lock(m_);
        if (queue_.empty() && timeoutMs > 0)
            cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !queue_.empty(); });
        work.swap(queue_);
    }
    for (Pending* p : work) (*p->task)();
    {
        std::lock_guard<std::mutex> lock(m_);
        for (Pending* p : work) p->done = true;
    }
    cv_.notify_all();
    return int(work.size());
}

TSyncQueue& BuiltInSyncQueue() {
    static TSyncQueue q;
    return q;
}

void SetMainThreadDispatcher(TMainThreadDispatcher* d) { gDispatcher = d; }

TMainThreadDispatcher& MainThreadDispatcher() {
    TMainThreadDispatcher* d = gDispatcher;
    return d ? *d : BuiltInSyncQueue();
}

int CheckSynchronize(int timeoutMs) { return BuiltInSyncQueue().CheckSynchronize(timeoutMs); }

int ServeMainThread(int timeoutMs) { return MainThreadDispatcher().Serve(timeoutMs); }

bool IsMainThread() { return std::this_thread::get_id() == gMainThread; }

void Synchronize(const std::function<void()>& method) {
    if (IsMainThread()) {
        method();
        return;
    }
    std::lock_guard<std::mutex> lock(SyncMutex());
    std::exception_ptr raised;
    MainThreadDispatcher().RunInMainThread([&] {
        try {
            method();
        } catch (...) {
            raised = std::current_exception();
        }
    });
    if (raised) std::rethrow_exception(raised);
}

void StartThreaded(std::function<void(THThread*)> method) {
    THThread* t = new THThread;
    t->FreeOnTerminate = true;
    t->Method = std::move(method);
    t->Resume();
}

void AssertMainThread() {
    if (!IsMainThread()) throw EAssertionFailed("Assertion failure (Utils.pas, line 1012)");
}

}  // namespace velt

#include "foundation/Utils.h"

#include <algorithm>
#include <cstring>

#include "foundation/SysExcpt.h"

namespace velt {

namespace {

[[noreturn]] void ReadError(const char* why) { throw EReadError(std::string("Stream read error: ") + why); }

// A length read from the stream must fit what is left of it.
void CheckLength(TStream& s, int64_t len) {
    if (len < 0) ReadError("negative length");
    if (len > s.Remaining()) ReadError("length beyond the end of the stream");
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

void ReadShortString(TStream& s, std::string& str) {
    int n = ReadByte(s);
    CheckLength(s, n);
    std::string r(size_t(n), '\0');
    s.ReadBuffer(r.data(), n);
    str = std::move(r);
}

std::string ReadShortString(TStream& s) {
    std::string r;
    ReadShortString(s, r);
    return r;
}

void WriteAnsiString(TStream& s, std::string_view str) {
    if (str.size() > size_t(INT32_MAX)) throw EWriteError("Stream write error: string too long");
    WriteInteger(s, int32_t(str.size()));
    s.WriteBuffer(str.data(), int64_t(str.size()));
}

void ReadAnsiString(TStream& s, std::string& str) {
    int32_t n = ReadInteger(s);
    CheckLength(s, n);
    std::string r(size_t(n), '\0');
    s.ReadBuffer(r.data(), n);
    str = std::move(r);
}

std::string ReadAnsiString(TStream& s) {
    std::string r;
    ReadAnsiString(s, r);
    return r;
}

void WritePChar(TStream& s, const char* p) {
    if (p == nullptr) {
        WriteByte(s, 0);
        return;
    }
    s.WriteBuffer(p, int64_t(std::strlen(p)) + 1);
}

char* ReadPChar(TStream& s, char* buf, int maxLen) {
    if (maxLen < 1) maxLen = 64000;
    // Read in chunks and give back what follows the terminator.
    char chunk[256];
    int done = 0;
    while (done < maxLen) {
        int64_t want = std::min<int64_t>(sizeof chunk, maxLen - done);
        int64_t got = s.Read(chunk, want);
        if (got <= 0) ReadError("string without terminator");
        const void* nul = std::memchr(chunk, 0, size_t(got));
        int64_t take = nul ? (static_cast<const char*>(nul) - chunk) + 1 : got;
        if (buf) std::memcpy(buf + done, chunk, size_t(take));
        done += int(take);
        if (nul) {
            if (take < got) s.Seek(take - got, soCurrent);
            return buf;
        }
    }
    if (buf) buf[maxLen] = '\0';
    return buf;
}

std::string ReadPChar(TStream& s, int maxLen) {
    if (maxLen < 1) maxLen = 64000;
    std::string r(size_t(maxLen) + 1, '\0');
    ReadPChar(s, r.data(), maxLen);
    r.resize(std::strlen(r.c_str()));
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

}  // namespace velt

#pragma once
// Shared small routines: fixed-width binary values on a TStream (the basis
// of every binary format of the system), counted strings inside records,
// text lines, conversions, GUID helpers and running code in the main thread
// or in a new thread.
//
// Binary values are little-endian, without type tags, alignment or padding;
// a reader must know the sequence. Every reader checks what is left in the
// stream and raises EReadError "Stream read error" (with a reason) rather
// than reading past the end or allocating for an impossible length.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/Types.h"

namespace velt {

class THThread;

// ---- stream value helpers --------------------------------------------------

void WriteInteger(TStream& s, int32_t i);  // 4 bytes
int32_t ReadInteger(TStream& s);
void WriteWord(TStream& s, uint16_t w);    // 2 bytes
uint16_t ReadWord(TStream& s);
void WriteByte(TStream& s, uint8_t b);     // 1 byte
uint8_t ReadByte(TStream& s);
void WriteBool(TStream& s, bool b);        // 1 byte, 0 or 1
bool ReadBool(TStream& s);                 // any non-zero byte is true
void WriteFloat(TStream& s, float x);      // 4 bytes, IEEE single
float ReadFloat(TStream& s);
void WriteGUID(TStream& s, const Guid& g); // 16 bytes, the memory image
void ReadGUID(TStream& s, Guid& g);
Guid ReadGUID(TStream& s);

// One length byte, then the characters; text longer than 255 is cut to 255.
void WriteShortString(TStream& s, std::string_view str);
void ReadShortString(TStream& s, std::string& str);
std::string ReadShortString(TStream& s);

// Signed 32-bit length, then the characters, no terminator. The reader
// raises EReadError for a negative length or one beyond the stream's end.
void WriteAnsiString(TStream& s, std::string_view str);
void ReadAnsiString(TStream& s, std::string& str);
std::string ReadAnsiString(TStream& s);

// The characters up to the first NUL of p and a NUL; null p writes one 0.
void WritePChar(TStream& s, const char* p);
// Reads bytes into buf until a NUL (stored) or maxLen bytes; maxLen < 1
// means 64000. When the limit ends the read a NUL follows the last byte, so
// buf must hold maxLen + 1 bytes. With a null buf the bytes are skipped.
// Returns buf. EReadError when the stream ends before the NUL and the limit.
char* ReadPChar(TStream& s, char* buf, int maxLen);
// The same into a string (without the NUL).
std::string ReadPChar(TStream& s, int maxLen = 0);

// Signed 32-bit size, then the whole content of source (null: size 0).
void WriteStream(TStream& s, const TMemoryStream* source);
// A new memory stream holding the stored bytes, positioned at 0. EReadError
// for a negative size or one beyond the stream's end.
std::unique_ptr<TMemoryStream> ReadStream(TStream& s);

// The tagged-value stream format (TVRec::SaveToStream); null writes an
// empty value (domain and kind 0).
void WriteVarRec(TStream& s, const TVRec* v);
// A new value (RefCount 1); the caller releases it.
TVRec* ReadVarRec(TStream& s);

// obj->ClassName() as a short string.
void WriteClass(TStream& s, const TObject* obj);
// Reads a class name and answers its registered factory (FindClass:
// EClassNotFound for an unknown name). name receives the name when given.
const TObjectFactory& ReadClass(TStream& s, std::string* name = nullptr);

// Sig, cut to 255 characters, as a short string.
void WriteSignature(TStream& s, std::string_view sig);
// Exception "Bad signature" when the short string read differs (case-sensitive).
void CheckSignature(TStream& s, std::string_view sig);

// ---- counted strings inside records ----------------------------------------
//
// Record fields of the form string[N] occupy N + 1 bytes: a length byte and
// N characters. A length byte larger than N (a damaged record) is clamped
// to N on every read and write, so no access goes outside the field.

// The text of a field of maxLen characters.
std::string GetCountedString(const void* field, int maxLen);
// Stores str cut to maxLen characters and zeroes the unused tail, so equal
// texts give equal bytes.
void SetCountedString(void* field, int maxLen, std::string_view str);
// The field as a short string (length byte clamped to maxLen).
void WriteCountedString(TStream& s, const void* field, int maxLen);
// Reads a short string into the field; characters beyond maxLen are read
// and dropped.
void ReadCountedString(TStream& s, void* field, int maxLen);

// ---- text lines ------------------------------------------------------------

// str followed by CR LF.
void StreamWriteln(TStream& s, std::string_view str);
// Reads a line ended by CR LF, LF or CR (the end not included), or up to
// the stream's end. Returns false when the stream was already at its end.
bool StreamReadln(TStream& s, std::string& str);
// "String.Count=N", then each string, every line ended by CR LF.
void WritelnStrings(TStream& s, const TStringList& strings);
// Reads that format into a new list. Exception "Invalid string list format"
// when the first line does not begin with "String.Count=" or the count is
// negative; EConvertError for a count that is not a number; EReadError
// when the stream ends before the counted lines.
std::unique_ptr<TStringList> ReadlnStrings(TStream& s);

// ---- conversions and small helpers -------------------------------------------

inline int32_t IntMin(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t IntMax(int32_t a, int32_t b) { return a > b ? a : b; }
// The largest and the smallest of at least one value (ERangeError when empty).
int32_t MaxInt(std::initializer_list<int32_t> values);
int32_t MinInt(std::initializer_list<int32_t> values);
// 1, -1 or 0.
int Sgn(float x);

// Increment and decrement returning the old (R...) or the new (...R) value;
// they wrap around at the ends of the 32-bit range.
int32_t RInc(int32_t& x);
int32_t IncR(int32_t& x);
int32_t RDec(int32_t& x);
int32_t DecR(int32_t& x);
int32_t RIncc(int32_t& x, int32_t c);
int32_t IncRc(int32_t& x, int32_t c);
int32_t RDecc(int32_t& x, int32_t c);
int32_t DecRc(int32_t& x, int32_t c);

// True when the len bytes at p1 and p2 are equal (true for len 0).
bool MemCompare(const void* p1, const void* p2, size_t len);
// Fills n bytes at p with zero.
void Clr(void* p, size_t n);

inline int32_t BoolToInt(bool b) { return b ? 1 : 0; }
inline bool IntToBool(int32_t i) { return i != 0; }
// "True" or "False".
std::string BoolToStr(bool b);
// "TRUE"/"FALSE" in any case; numbered error 40000012 otherwise.
bool StrToBool(std::string_view s);
// "(null)" for null; the string kind as is; integer in decimal; date-time as
// its date (DateToStr); Boolean as BoolToStr; numbered error 40000013 for
// any other kind.
std::string VarRecToStr(const TVRec* v);

// New values (RefCount 1) of that kind; the caller releases them.
TVRec* VRecInteger(int32_t i);
TVRec* VRecBoolean(bool b);
TVRec* VRecString(std::string_view s);
TVRec* VRecFloat(long double e);
TVRec* VRecDateTime(double d);

// Compares the four 32-bit words.
bool IsEqualGUID(const Guid& g1, const Guid& g2);
// The four 32-bit words in memory order, each as 8 upper-case hex digits.
std::string GUIDToString32(const Guid& g);
// The inverse; either case of hex digits. EConvertError for any other text.
void String32ToGUID(std::string_view s, Guid& g);
Guid String32ToGUID(std::string_view s);

// Index of the first string containing s (case-sensitive), or -1.
int IndexOfAtLeastString(const TStringList& strings, std::string_view s);

// ---- threads -------------------------------------------------------------------

// Runs tasks in the main thread for other threads. The host's event loop
// implements it (the Qt layer posts to its loop); the built-in queue below
// serves hosts without one and tests.
class TMainThreadDispatcher {
public:
    virtual ~TMainThreadDispatcher() = default;
    // Called from a thread other than the main one: runs task in the main
    // thread and returns once it has run. task never throws.
    virtual void RunInMainThread(const std::function<void()>& task) = 0;
    // Called in the main thread while it waits for another thread outside
    // its event loop: runs the tasks waiting, after waiting up to timeoutMs
    // for one when none is. Returns how many ran.
    virtual int Serve(int timeoutMs) = 0;
};

// The built-in dispatcher: callers wait until the main thread pumps the
// queue with CheckSynchronize.
class TSyncQueue : public TMainThreadDispatcher {
public:
    void RunInMainThread(const std::function<void()>& task) override;
    // Runs the waiting tasks (call in the main thread); waits up to
    // timeoutMs for one to arrive when none is waiting. Returns how many ran.
    int CheckSynchronize(int timeoutMs = 0);
    int Serve(int timeoutMs) override { return CheckSynchronize(timeoutMs); }

protected:
    // Called in the calling thread once its task is queued, before it
    // waits: a host with an event loop schedules a CheckSynchronize there.
    virtual void Queued() {}

private:
    struct Pending;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<Pending*> queue_;
};

// Installs the dispatcher (not owned); null restores the built-in queue.
void SetMainThreadDispatcher(TMainThreadDispatcher* d);
TMainThreadDispatcher& MainThreadDispatcher();
// The built-in queue; pump it from the main thread when it is in use.
TSyncQueue& BuiltInSyncQueue();
// Pumps the built-in queue (see TSyncQueue::CheckSynchronize).
int CheckSynchronize(int timeoutMs = 0);
// Serves the installed dispatcher (TMainThreadDispatcher::Serve): what the
// main thread calls while it waits for a thread that may be marshalling.
int ServeMainThread(int timeoutMs = 0);

// The main thread is the one that started the program (static start-up).
bool IsMainThread();

// Runs method in the main thread and waits for it. In the main thread it
// runs at once. From another thread callers are serialised; an exception
// of method is raised again in the calling thread. A call made while the
// main thread waits for the caller deadlocks.
void Synchronize(const std::function<void()>& method);
// Runs method in a new self-freeing THThread.
void StartThreaded(std::function<void(THThread*)> method);
// EAssertionFailed "Assertion failure" outside the main thread.
void AssertMainThread();

}  // namespace velt

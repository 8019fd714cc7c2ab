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

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

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

}  // namespace velt

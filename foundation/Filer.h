#pragma once
// The form filer: a writer and a reader of the binary form-file value stream,
// through which persistent objects stream their defined properties.
//
// Every value is a type byte (TValueType) followed by its data, integers
// little-endian. A property is its name as a short string followed by one
// value; an object's property run ends with vaNull. Raw Write/Read move bytes
// without a type byte, for helpers that frame their own data.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Classes.h"

namespace velt {

enum class TValueType : uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
};

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

class TFiler : public TObject {
public:
    explicit TFiler(TStream& stream) : stream_(stream) {}
    std::string ClassName() const override { return "TFiler"; }
    TStream& Stream() const { return stream_; }
    // A property streamed through the filer's own values.
    virtual void DefineProperty(const std::string& name, const TReaderProc& readData,
                                const TWriterProc& writeData, bool hasData) = 0;
    // A property streamed as one binary value; the procedures see a memory
    // stream holding exactly the value's bytes.
    virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;

protected:
    TStream& stream_;
};

class TWriter : public TFiler {
public:
    using TFiler::TFiler;
    std::string ClassName() const override { return "TWriter"; }
    void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

    // Raw bytes, no type byte.
    void Write(const void* buf, int64_t count) { stream_.WriteBuffer(buf, count); }
    void WriteValue(TValueType v);
    // vaInt8, vaInt16 or vaInt32, the smallest that holds the value.
    void WriteInteger(int32_t v);
    void WriteBoolean(bool v);
    // vaString with a length byte up to 255 characters, else vaLString.
    void WriteString(std::string_view s);
    // vaBinary, a 4-byte size, then what writeData wrote.
    void WriteBinary(const TStreamProc& writeData);
    void WriteListBegin() { WriteValue(TValueType::vaList); }
    void WriteListEnd() { WriteValue(TValueType::vaNull); }
    // A short string (length byte, at most 255 characters), no type byte.
    void WriteStr(std::string_view s);
    void WritePropName(std::string_view name) { WriteStr(name); }
    // The defined properties of instance, then the end of the run.
    void WriteProperties(TPersistent* instance);
};

class TReader : public TFiler {
public:
    using TFiler::TFiler;
    std::string ClassName() const override { return "TReader"; }
    void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc& writeData,
                              bool hasData) override;

    // Raw bytes, no type byte; EReadError at the end of the stream.
    void Read(void* buf, int64_t count) { stream_.ReadBuffer(buf, count); }
    // Bytes left in the stream.
    int64_t Remaining() const { return stream_.Remaining(); }
    TValueType ReadValue();
    // The type of the next value without consuming it.
    TValueType NextValue();
    // Each raises EReadError "Invalid property value" on another type.
    int32_t ReadInteger();
    bool ReadBoolean();
    std::string ReadString();
    // The content of a vaBinary value.
    std::unique_ptr<TMemoryStream> ReadBinary();
    void ReadListBegin();
    void ReadListEnd();
    bool EndOfList() { return NextValue() == TValueType::vaNull; }
    std::string ReadStr();
    // Reads a property run written by WriteProperties. A property that
    // instance does not define raises EReadError "Property NAME does not exist".
    void ReadProperties(TPersistent* instance);
    const std::string& PropName() const { return propName_; }

private:
    void CheckValue(TValueType expected);
    std::string propName_;
    bool handled_ = false;
};

// ---- helpers for DefineProperties streaming ----------------------------------

// A character buffer: the characters and a terminating NUL, sized by a
// 2-byte count; no buffer (nullopt) is the count 0. The reader gives the
// characters up to the first NUL. Raises EWriteError when the buffer does
// not fit the 2-byte count.
void StrFWrite(TWriter& writer, const std::optional<std::string>& p);
std::optional<std::string> StrFRead(TReader& reader);
// The same with a 4-byte count.
void PCharFWrite(TWriter& writer, const std::optional<std::string>& p);
std::optional<std::string> PCharFRead(TReader& reader);
// The size as the filer's integer, then the whole content of stream.
void StreamFWrite(TWriter& writer, TStream& stream);
std::unique_ptr<TMemoryStream> StreamFRead(TReader& reader);

}  // namespace velt

#include "foundation/Filer.h"

#include <algorithm>

namespace velt {

namespace {

// A declared length must fit in what is left of the stream.
void CheckLength(TReader& reader, int64_t n) {
    if (n < 0 || n > reader.Remaining()) throw EReadError("Invalid length in form data");
}

// n bytes of the stream, n checked first.
std::string ReadChars(TReader& reader, int64_t n) {
    CheckLength(reader, n);
    std::string s(size_t(n), '\0');
    reader.Read(s.data(), n);
    return s;
}

std::unique_ptr<TMemoryStream> ReadData(TReader& reader, int64_t n) {
    CheckLength(reader, n);
    auto data = std::make_unique<TMemoryStream>();
    data->SetSize(n);
    if (n) reader.Read(data->Memory(), n);
    data->SetPosition(0);
    return data;
}

std::string UpToNul(const std::string& s) { return s.substr(0, s.find('\0')); }

}  // namespace

// ---- TWriter -----------------------------------------------------------------

void TWriter::DefineProperty(const std::string& name, const TReaderProc& /*readData*/, const TWriterProc& writeData,
                             bool hasData) {
    if (!hasData || !writeData) return;
    WritePropName(name);
    writeData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& name, const TStreamProc& /*readData*/,
                                   const TStreamProc& writeData, bool hasData) {
    if (!hasData || !writeData) return;
    WritePropName(name);
    WriteBinary(writeData);
}

void TWriter::WriteValue(TValueType v) {
    uint8_t b = uint8_t(v);
    Write(&b, 1);
}

void TWriter::WriteInteger(int32_t v) {
    if (v >= -128 && v <= 127) {
        WriteValue(TValueType::vaInt8);
        int8_t x = int8_t(v);
        Write(&x, 1);
    } else if (v >= -32768 && v <= 32767) {
        WriteValue(TValueType::vaInt16);
        int16_t x = int16_t(v);
        Write(&x, 2);
    } else {
        WriteValue(TValueType::vaInt32);
        Write(&v, 4);
    }
}

void TWriter::WriteBoolean(bool v) { WriteValue(v ? TValueType::vaTrue : TValueType::vaFalse); }

void TWriter::WriteString(std::string_view s) {
    if (s.size() <= 255) {
        WriteValue(TValueType::vaString);
        WriteStr(s);
    } else {
        if (s.size() > size_t(INT32_MAX)) throw EWriteError("String too long for form data");
        WriteValue(TValueType::vaLString);
        int32_t n = int32_t(s.size());
        Write(&n, 4);
        Write(s.data(), n);
    }
}

void TWriter::WriteBinary(const TStreamProc& writeData) {
    TMemoryStream data;
    if (writeData) writeData(data);
    if (data.Size() > INT32_MAX) throw EWriteError("Binary value too large for form data");
    WriteValue(TValueType::vaBinary);
    int32_t n = int32_t(data.Size());
    Write(&n, 4);
    if (n) Write(data.Memory(), n);
}

void TWriter::WriteStr(std::string_view s) {
    uint8_t n = uint8_t(std::min<size_t>(s.size(), 255));
    Write(&n, 1);
    if (n) Write(s.data(), n);
}

void TWriter::WriteProperties(TPersistent* instance) {
    if (instance) instance->DefineProperties(this);
    WriteListEnd();
}

// ---- TReader -----------------------------------------------------------------

void TReader::DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& /*writeData*/,
                             bool /*hasData*/) {
    if (handled_ || !readData || !SameText(name, propName_)) return;
    handled_ = true;
    readData(*this);
}

void TReader::DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                   const TStreamProc& /*writeData*/, bool /*hasData*/) {
    if (handled_ || !readData || !SameText(name, propName_)) return;
    handled_ = true;
    std::unique_ptr<TMemoryStream> data = ReadBinary();
    readData(*data);
}

TValueType TReader::ReadValue() {
    uint8_t b = 0;
    Read(&b, 1);
    return TValueType(b);
}

TValueType TReader::NextValue() {
    TValueType v = ReadValue();
    stream_.Seek(-1, soCurrent);
    return v;
}

void TReader::CheckValue(TValueType expected) {
    if (ReadValue() != expected) throw EReadError("Invalid property value");
}

int32_t TReader::ReadInteger() {
    switch (ReadValue()) {
        case TValueType::vaInt8: {
            int8_t x = 0;
            Read(&x, 1);
            return x;
        }
        case TValueType::vaInt16: {
            int16_t x = 0;
            Read(&x, 2);
            return x;
        }
        case TValueType::vaInt32: {
            int32_t x = 0;
            Read(&x, 4);
            return x;
        }
        default:
            throw EReadError("Invalid property value");
    }
}

bool TReader::ReadBoolean() {
    switch (ReadValue()) {
        case TValueType::vaTrue: return true;
        case TValueType::vaFalse: return false;
        default: throw EReadError("Invalid property value");
    }
}

std::string TReader::ReadString() {
    switch (ReadValue()) {
        case TValueType::vaString: return ReadStr();
        case TValueType::vaLString: {
            int32_t n = 0;
            Read(&n, 4);
            return ReadChars(*this, n);
        }
        default:
            throw EReadError("Invalid property value");
    }
}

std::unique_ptr<TMemoryStream> TReader::ReadBinary() {
    CheckValue(TValueType::vaBinary);
    int32_t n = 0;
    Read(&n, 4);
    return ReadData(*this, n);
}

void TReader::ReadListBegin() { CheckValue(TValueType::vaList); }

void TReader::ReadListEnd() { CheckValue(TValueType::vaNull); }

std::string TReader::ReadStr() {
    uint8_t n = 0;
    Read(&n, 1);
    std::string s(n, '\0');
    Read(s.data(), n);
    return s;
}

void TReader::ReadProperties(TPersistent* instance) {
    while (!EndOfList()) {
        propName_ = ReadStr();
        handled_ = false;
        if (instance) instance->DefineProperties(this);
        if (!handled_) throw EReadError("Property " + propName_ + " does not exist");
    }
    ReadListEnd();
    propName_.clear();
    handled_ = false;
}

// ---- helpers -------------------------------------------------------------------

void StrFWrite(TWriter& writer, const std::optional<std::string>& p) {
    uint16_t n = 0;
    if (p) {
        if (p->size() + 1 > 0xFFFF) throw EWriteError("String too long for a 2-byte size");
        n = uint16_t(p->size() + 1);
    }
    writer.Write(&n, 2);
    if (p) writer.Write(p->c_str(), n);  // the characters and the NUL
}

std::optional<std::string> StrFRead(TReader& reader) {
    uint16_t n = 0;
    reader.Read(&n, 2);
    if (n == 0) return std::nullopt;
    return UpToNul(ReadChars(reader, n));
}

void PCharFWrite(TWriter& writer, const std::optional<std::string>& p) {
    int32_t n = 0;
    if (p) {
        if (p->size() + 1 > size_t(INT32_MAX)) throw EWriteError("String too long for a 4-byte size");
        n = int32_t(p->size() + 1);
    }
    writer.Write(&n, 4);
    if (p) writer.Write(p->c_str(), n);
}

std::optional<std::string> PCharFRead(TReader& reader) {
    int32_t n = 0;
    reader.Read(&n, 4);
    if (n == 0) return std::nullopt;
    return UpToNul(ReadChars(reader, n));
}

void StreamFWrite(TWriter& writer, TStream& stream) {
    int64_t size = stream.GetSize();
    if (size > INT32_MAX) throw EWriteError("Stream too large for form data");
    writer.WriteInteger(int32_t(size));
    if (size > 0) writer.Stream().CopyFrom(stream, 0);
}

std::unique_ptr<TMemoryStream> StreamFRead(TReader& reader) {
    return ReadData(reader, reader.ReadInteger());
}

}  // namespace velt

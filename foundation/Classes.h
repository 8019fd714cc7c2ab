#pragma once
// Persistent objects, streams, string lists and the registry of classes by
// name: the part of the class library that the foundation needs.

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "foundation/SysUtils.h"

namespace velt {

class TFiler;
class TReader;
class TWriter;

// Objects that can copy themselves from another (Assign) and take part in
// form-file streaming (DefineProperties).
class TPersistent : public TObject {
public:
    std::string ClassName() const override { return "TPersistent"; }
    // Hands the work to Source's AssignTo; raises when neither side knows how.
    virtual void Assign(const TPersistent* source);
    virtual void AssignTo(TPersistent* dest) const;
    virtual void DefineProperties(TFiler* /*filer*/) {}
};

// ---- streams -------------------------------------------------------------

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream : public TObject {
public:
    std::string ClassName() const override { return "TStream"; }
    // Reads up to count bytes; returns how many were read.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t newSize) = 0;

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
    virtual int64_t GetSize();
    // Bytes left between the position and the end.
    int64_t Remaining() { return GetSize() - GetPosition(); }

    // Exactly count bytes, or EReadError "Stream read error".
    void ReadBuffer(void* buffer, int64_t count);
    // Exactly count bytes, or EWriteError "Stream write error".
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source (all of it from its start when count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over one growable block of memory.
class TMemoryStream : public TStream {
public:
    std::string ClassName() const override { return "TMemoryStream"; }
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t GetSize() override { return size_; }

    char* Memory() { return data_.data(); }
    const char* Memory() const { return data_.data(); }
    int64_t Size() const { return size_; }
    void Clear();
    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& dest);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);  // temp file + rename

private:
    void Reserve(int64_t capacity);
    std::vector<char> data_;  // capacity; the first size_ bytes are the content
    int64_t size_ = 0;
    int64_t pos_ = 0;
};

enum : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmCreate = 0xFF00,
};

// A stream over a file. fmCreate creates or truncates; the others open an
// existing file. Failures raise EFCreateError / EFOpenError naming the file.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, uint16_t mode);
    ~TFileStream() override;
    std::string ClassName() const override { return "TFileStream"; }
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    const std::string& FileName() const { return fileName_; }

private:
    int fd_ = -1;
    std::string fileName_;
};

// Writes data to fileName so that the old file is never lost: a temporary
// file in the same folder, then a rename over the target, which keeps the old
// file's mode (and owner where allowed). EFCreateError when the file cannot
// be created or replaced, EWriteError when writing fails.
void AtomicWriteFile(const std::string& fileName, const void* data, size_t size);
// Reads a whole file; raises EFOpenError when it cannot be opened.
std::string ReadWholeFile(const std::string& fileName);

// ---- string list ---------------------------------------------------------

enum TDuplicates { dupIgnore, dupAccept, dupError };

// A list of strings with an associated object each. Comparisons fold ASCII
// case (CompareText). Text uses CR LF; reading accepts CR LF, LF or CR, and a
// trailing line break adds no empty line.
class TStringList : public TPersistent {
public:
    TStringList() = default;
    ~TStringList() override;
    std::string ClassName() const override { return "TStringList"; }
    void Assign(const TPersistent* source) override;

    int Count() const { return int(items_.size()); }
    const std::string& operator[](int i) const;
    const std::string& Get(int i) const { return (*this)[i]; }
    void Put(int i, const std::string& s);
    TObject* GetObject(int i) const;
    void PutObject(int i, TObject* obj);

    // With Sorted, inserts at the sorted place (dupIgnore answers the
    // existing index, dupError raises "Duplicates not allowed").
    int Add(const std::string& s);
    // Every addition (Add, Assign, SetText, LoadFromStream) comes here.
    virtual int AddObject(const std::string& s, TObject* obj);
    void Insert(int index, const std::string& s);
    void InsertObject(int index, const std::string& s, TObject* obj);
    void Delete(int index);
    virtual void Clear();
    void Exchange(int i, int j);
    void Move(int from, int to);
    void AddStrings(const TStringList& other);

    int IndexOf(std::string_view s) const;
    int IndexOfObject(const TObject* obj) const;
    // Binary search of a sorted list: true and the index when found, false
    // and the insertion index otherwise.
    bool Find(std::string_view s, int& index) const;
    void Sort();

    bool Sorted() const { return sorted_; }
    void SetSorted(bool v);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool v) { ownsObjects_ = v; }

    // name=value lines
    std::string Names(int i) const;
    int IndexOfName(std::string_view name) const;
    std::string Values(std::string_view name) const;
    void SetValue(std::string_view name, std::string_view value);

    std::string Text() const;
    void SetText(std::string_view text);
    // The lines first .. first + count - 1 become lines, changing only what
    // differs: an equal line keeps its buffer and object, and when nothing
    // differs, nothing changes (Version included). Answers whether anything
    // changed. Not for a sorted list.
    bool ReplaceLines(int first, int count, const std::vector<std::string_view>& lines);
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;  // temp file + rename

    const std::vector<std::string>& Strings() const { return items_; }

    // Changes with every change of the strings; no other list, alive or
    // gone, ever answers a value this one answered for other strings. What
    // is cached about the strings compares it to know it is still true.
    uint64_t Version() const { return version_; }
    // The last change: the lines First .. First + Removed - 1 of version
    // From became Added lines in version To; every other line stayed as it
    // was (those after them moved by Added - Removed). What is cached about
    // version From can follow it to To instead of starting again.
    struct TChange {
        uint64_t From = 0, To = 0;
        int First = 0, Removed = 0, Added = 0;
    };
    const TChange& LastChange() const { return change_; }

protected:
    // False in a subclass whose AddObject may change what it adds: Assign
    // and SetText then add line by line through it.
    virtual bool AddKeepsText() const { return true; }

private:
    void CheckIndex(int i) const;
    void FreeObject(int i);
    void Changed(int first, int removed, int added);
    std::vector<std::string> items_;
    std::vector<TObject*> objects_;
    bool sorted_ = false;
    bool ownsObjects_ = false;
    TDuplicates duplicates_ = dupIgnore;
    uint64_t version_ = NewVersion();
    TChange change_;
    static uint64_t NewVersion();
};

// Splits text into lines at CR LF, LF or CR; a trailing break adds no line.
std::vector<std::string> SplitLines(std::string_view text);
// The same lines as views into text.
std::vector<std::string_view> LineViews(std::string_view text);
// The same into lines, whose capacity serves again (a large vector allocated
// afresh costs its pages again).
void LineViews(std::string_view text, std::vector<std::string_view>& lines);

// ---- classes by name ---------------------------------------------------------

using TObjectFactory = std::function<TPersistent*()>;

// Registers a class under its system name (what ClassName answers), so that
// streams carrying class names can create it. Re-registering replaces.
void RegisterClass(const std::string& name, TObjectFactory factory);
// The factory of a registered class; EClassNotFound "Class NAME not found".
const TObjectFactory& FindClass(const std::string& name);
bool IsClassRegistered(const std::string& name);

// ---- GUID ---------------------------------------------------------------

// Streams as its 16-byte memory image (little-endian fields).
struct Guid {
    uint32_t D1 = 0;
    uint16_t D2 = 0;
    uint16_t D3 = 0;
    uint8_t D4[8] = {};
    bool operator==(const Guid& o) const { return std::memcmp(this, &o, sizeof(Guid)) == 0; }
    bool operator!=(const Guid& o) const { return !(*this == o); }
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    std::string ToString() const;
    // Parses the braced form; raises EConvertError on bad text.
    static Guid FromString(std::string_view s);
};
static_assert(sizeof(Guid) == 16);

}  // namespace velt

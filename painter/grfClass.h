#pragma once
// The graphic component tree: TVerUdov, a named node owning its children,
// whose life is ruled by its reference count; the class registry by numeric
// class id; the binary record form and the text form.
//
// Lifetime: a component is made by TVerUdov::New<T>(owner) (or its class
// descriptor's Create): constructed, count 1, then the virtual Create step.
// The owner holds that construction reference; a root without owner is
// held by a TVerUdovPtr, whose deleter calls Release. Release (Destroy)
// detaches the component and gives the construction reference up once;
// outside holders use ComPtr and keep the memory until they let go.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/Support.h"
#include "foundation/Unknowns.h"

namespace velt {

class TVerUdov;
class TTextReader;
class TTextWriter;

// The version written into every record.
inline constexpr int32_t BaseCompVer = 19970528;
// Records from this version on carry a data length.
inline constexpr int32_t LengthFieldVer = 19970503;
inline constexpr char RecordMarker = '@';
// Deepest nesting of components a reader accepts.
inline constexpr int MaxComponentDepth = 256;

// A component class: name, parent and the factory.
struct TGrfClassDesc : TClassDesc {
    using TFactory = TVerUdov* (*)(TVerUdov* owner);
    TGrfClassDesc(std::string name, const TClassDesc* parent, TFactory factory)
        : TClassDesc(std::move(name), parent), Factory(factory) {}
    TFactory Factory;
    // A new component in owner (which holds it), or, without an owner, one
    // the caller hands to a TVerUdovPtr at once. EAbstractError for a class
    // that cannot be made.
    TVerUdov* Create(TVerUdov* owner) const;
};

// Release of a component (its Destroy); for std::unique_ptr.
struct TReleaser {
    void operator()(TVerUdov* comp) const;
};
template <class T = TVerUdov>
using TVerUdovPtr = std::unique_ptr<T, TReleaser>;

// Discards a component: its Destroy when it is not null.
void Release(TVerUdov* comp);

class TVerUdov : public TUnknownObject {
public:
    // Construct T, count 1, then the Create step (with owner).
    template <class T>
    static T* New(TVerUdov* owner) {
        T* p = new T();
        p->RefCount = 1;
        p->Start(owner);
        return p;
    }
    template <class T>
    static TVerUdovPtr<T> NewRoot() {
        return TVerUdovPtr<T>(New<T>(nullptr));
    }

    static const TGrfClassDesc& Class();
    virtual const TGrfClassDesc& ClassType() const { return Class(); }
    std::string ClassName() const override { return ClassType().Name; }

    // UTF-8; stored in code page 1251.
    std::string Name;
    TVerUdov* GetOwner() const { return Owner; }

    // ---- virtual operations ------------------------------------------------
    virtual void WriteComponents(TStream& stream);
    virtual void ReadComponents(TStream& stream);
    virtual void TextReadState(TTextReader& reader);
    virtual void TextWriteState(TTextWriter& writer);
    // The component's own data; descendants call the inherited one first.
    virtual void ReadData(TStream& stream);
    // EWriteError naming the component when Name cannot be stored.
    virtual void WriteData(TStream& stream);
    // Count 1 when it is 0.
    virtual void Loaded();
    virtual int32_t Ver() const { return BaseCompVer; }
    // Name cleared, children destroyed, detached from the owner, and then
    // (when nothing failed) the construction reference given up. Runs once.
    virtual void Destroy();
    // A copy of the same class, data and children, appended to the same
    // owner (without one, for a TVerUdovPtr).
    virtual TVerUdov* Clone();

    // Does nothing: components are discarded by Release.
    void Free() {}

    // ---- the tree ------------------------------------------------------------
    // Appends comp (detached from an earlier owner first). Raises for this
    // component itself or one of its owners, which would make a cycle, and
    // for a destroyed component or owner.
    void InsertComponent(TVerUdov* comp);
    // comp must be a child.
    void RemoveComponent(TVerUdov* comp);
    void SetOwner(TVerUdov* newOwner);
    // Releases the children, last first.
    void DestroyComponents();
    int GetComponentCount() const { return Children ? int(Children->size()) : 0; }
    // EListError "List Error" without children, the list-index error for a
    // bad index.
    TVerUdov* GetComponent(int index) const;
    int GetComponentIndex() const;
    // Clamped to the owner's list.
    void SetComponentIndex(int index);
    // A direct child by name, ASCII case ignored; null for an empty name.
    TVerUdov* FindComponent(const std::string& name) const;
    // The first direct child of exactly that class.
    TVerUdov* FindComponentByClass(const TGrfClassDesc& cls) const;

    // ---- stored forms -----------------------------------------------------
    // The record body: version, data length, data, children. A tree deeper
    // than MaxComponentDepth levels (this one being 1) is refused before
    // anything is written (EWriteError naming the component too deep).
    void SaveToStream(TStream& stream);
    void LoadFromStream(TStream& stream);
    // The record body in a file (temporary file, then rename).
    void SaveToFile(const std::string& fileName);
    void LoadFromFile(const std::string& fileName);

    bool IsDestroyed() const { return destroyed_; }

protected:
    TVerUdov() = default;
    ~TVerUdov() override;
    // The stored name, for a ReadData that assigns only once all is read.
    static std::string ReadName(TStream& stream);
    // The virtual construction step: joins the owner.
    virtual void Create(TVerUdov* owner);

private:
    void Start(TVerUdov* owner);
    TVerUdov* Owner = nullptr;
    std::unique_ptr<std::vector<TVerUdov*>> Children;
    bool destroyed_ = false;
};

// The plain factory of T, for a descriptor.
template <class T>
TVerUdov* MakeComponent(TVerUdov* owner) {
    return TVerUdov::New<T>(owner);
}

// ---- class registry --------------------------------------------------------

// Weighted sum of the upper-cased name (at most 255 characters).
int32_t GrfClassID(const std::string& name);
// Exception "Помилка реєстрування NEW та OLD" LF CR "Змініть назву одного
// класу" when the id is taken.
void RegisterGrfClass(const TGrfClassDesc& cls);
void RegisterGrfClasses(std::initializer_list<const TGrfClassDesc*> classes);
// Exception "#" id when not registered.
const TGrfClassDesc& FindGrClassByID(int32_t id);
// Exception NAME " не зареєстрований" when not registered.
const TGrfClassDesc& FindGrClassByName(const std::string& name);

// "@", class id, record body (a tree too deep refused as by SaveToStream).
void WriteVerUdov(TStream& stream, TVerUdov* comp);
// One record as a new child of owner; null at the end of the stream.
TVerUdov* ReadVerUdov(TStream& stream, TVerUdov* owner);
// One record as a root.
TVerUdovPtr<> ReadVerUdov(TStream& stream);
// The version of the record whose data is read; BaseCompVer outside a read.
int32_t ReadVer();

// ---- text form ---------------------------------------------------------------

// Writes the text form in code page 1251 with CR LF. Over a file, the text
// goes to a temporary file that Close renames over the target (raising on
// failure); without Close the old file stays.
class TTextWriter {
public:
    explicit TTextWriter(const std::string& fileName);
    explicit TTextWriter(TStream& stream);
    ~TTextWriter();
    TTextWriter(const TTextWriter&) = delete;
    TTextWriter& operator=(const TTextWriter&) = delete;

    void Close();

    std::string Indent;
    // EWriteError naming the component, before anything is written, for a
    // tree deeper than MaxComponentDepth levels.
    void WriteComp(TVerUdov* comp);
    // Nothing for an empty value; EWriteError for a line break or a
    // character 1251 lacks.
    void WS(const std::string& name, const std::string& value);
    void WI(const std::string& name, int32_t value);
    void WBool(const std::string& name, bool value);
    void WReal(const std::string& name, float value);
    void WB(const std::string& name, const void* buffer, int64_t size);
    void WCmd(const std::string& text);

private:
    void Line(std::string_view text);
    [[noreturn]] void Refuse(const std::string& name, const std::string& why) const;
    std::unique_ptr<TMemoryStream> own_;
    TStream* out_;
    std::string fileName_;
    TVerUdov* current_ = nullptr;
};

class TTextReader {
public:
    explicit TTextReader(const std::string& fileName);
    explicit TTextReader(TStream& stream);
    ~TTextReader();
    TTextReader(const TTextReader&) = delete;
    TTextReader& operator=(const TTextReader&) = delete;

    // One component with its subtree in owner; null when the current line
    // does not start an object. A byte order mark and blank lines before the
    // first object are passed over. An object without its "end" is refused.
    // A failure releases what was read of it; its message ends with the
    // class and the byte offset of the line where it happened.
    TVerUdov* ReadComp(TVerUdov* owner);
    TVerUdovPtr<> ReadComp();

    void RS(const std::string& name, std::string& value);
    int32_t RI(const std::string& name);
    bool RBool(const std::string& name);
    float RReal(const std::string& name);
    // At most size bytes of the block into buffer.
    void RB(const std::string& name, void* buffer, int64_t size);
    // The whole block appended to stream.
    void RB(const std::string& name, TStream& stream);
    // The block in a new stream, positioned at its end (empty when absent).
    std::unique_ptr<TMemoryStream> RStream(const std::string& name);

    void ReadSection();
    // The stored line whose whole name is name (ASCII case ignored); -1.
    int PropIndex(const std::string& name);
    void ClearList();

    const std::string& CurrentLine() const { return CurLine; }

private:
    void Start();
    bool AtEnd() const { return pos_ >= text_.size(); }
    std::string ReadLine(bool nameMode);
    std::unique_ptr<TMemoryStream> ReadBlock(std::string& line);
    TVerUdov* ReadCompAt(TVerUdov* owner, int depth);

    std::string text_;
    size_t pos_ = 0;
    TStringList Props;
    std::string CurLine;
    int PropIdx = -1;
    std::string ValueText;
    int32_t ConvPos = 0;
    size_t lineStart_ = 0;  // where the line read last begins
    bool errorPlaced_ = false;
};

}  // namespace velt

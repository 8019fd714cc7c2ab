#include "painter/grfClass.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "foundation/CodePages.h"
#include "foundation/MultiKeyList.h"
#include "foundation/Utils.h"
#include "graphics/grStr.h"

namespace velt {

namespace {

// ---- registry and version stack ------------------------------------------------

#pragma pack(push, 1)
struct TGrfRegRec {
    uint32_t Class;  // ObjectHandles handle of the descriptor
    int32_t ID;
};
#pragma pack(pop)
static_assert(sizeof(TGrfRegRec) == 8);

// The records in registration order, with the descriptors beside them for
// lookups that do not go through the handle table.
struct TGrfRegistry {
    TGeneralList Records{sizeof(TGrfRegRec)};
    std::vector<const TGrfClassDesc*> Classes;
    std::vector<int32_t> IDs;
};

void Add(TGrfRegistry& reg, const TGrfClassDesc& cls) {
    int32_t id = GrfClassID(cls.Name);
    for (size_t i = 0; i < reg.IDs.size(); ++i)
        if (reg.IDs[i] == id)
            throw Exception("Помилка реєстрування " + cls.Name + " та " + reg.Classes[i]->Name +
                            "\n\rЗмініть назву одного класу");
    TGrfRegRec r{ObjectHandles::Register(const_cast<TGrfClassDesc*>(&cls)), id};
    reg.Records.Add(&r);
    reg.Classes.push_back(&cls);
    reg.IDs.push_back(id);
}

// Made on first use with TVerUdov registered; lives to the end of the process.
TGrfRegistry& Registry() {
    static TGrfRegistry reg;
    static bool started = (Add(reg, TVerUdov::Class()), true);
    (void)started;
    return reg;
}

std::vector<int32_t>& VersionStack() {
    static std::vector<int32_t> stack;
    return stack;
}

struct TVersionScope {
    explicit TVersionScope(int32_t v) { VersionStack().push_back(v); }
    ~TVersionScope() { VersionStack().pop_back(); }
};

// Nesting of the record readers: the level in its tree of the component
// being loaded, the root being 1, so that nothing is read into a tree the
// writers would then refuse.
int& ReadDepth() {
    static int depth = 0;
    return depth;
}

// Level of comp in its tree, the root being 1.
int LevelOf(const TVerUdov* comp) {
    int level = 0;
    for (const TVerUdov* p = comp; p; p = p->GetOwner()) ++level;
    return level;
}

struct TDepthScope {
    explicit TDepthScope(const TVerUdov* comp) : step_(ReadDepth() == 0 ? LevelOf(comp) : 1) {
        if ((ReadDepth() += step_) > MaxComponentDepth) {
            ReadDepth() -= step_;
            throw EReadError("Components nested deeper than " + IntToStr(MaxComponentDepth) + " levels");
        }
    }
    ~TDepthScope() { ReadDepth() -= step_; }
    const int step_;
    TDepthScope(const TDepthScope&) = delete;
    TDepthScope& operator=(const TDepthScope&) = delete;
};

// A reader's error names where it happened, once: the innermost frame adds
// the class and the byte offset, the outer ones pass it on as it is.
struct TReadFrames {
    int Count = 0;
    bool Placed = false;
};
TReadFrames& ReadFrames() {
    static TReadFrames frames;
    return frames;
}
struct TReadFrame {
    TReadFrame() { ++ReadFrames().Count; }
    ~TReadFrame() {
        if (--ReadFrames().Count == 0) ReadFrames().Placed = false;
    }
    TReadFrame(const TReadFrame&) = delete;
    TReadFrame& operator=(const TReadFrame&) = delete;
};
void PlaceError(Exception& e, const std::string& cls, int64_t at) {
    if (ReadFrames().Placed) return;
    ReadFrames().Placed = true;
    e.Message += " (" + (cls.empty() ? std::string() : cls + ", ") + "byte " + IntToStr(at) + ")";
}

// Nesting of the writers: a tree deeper than the readers take is refused
// before anything is written.
int& WriteDepth() {
    static int depth = 0;
    return depth;
}
struct TWriteScope {
    TWriteScope() { ++WriteDepth(); }
    ~TWriteScope() { --WriteDepth(); }
    TWriteScope(const TWriteScope&) = delete;
    TWriteScope& operator=(const TWriteScope&) = delete;
};

std::string Describe(const TVerUdov& comp) {
    return comp.Name.empty() ? comp.ClassName() : comp.ClassName() + " \"" + comp.Name + "\"";
}

// EWriteError naming the first component deeper than MaxComponentDepth levels
// (comp being level 1); walked without recursion.
void CheckWriteDepth(TVerUdov* comp) {
    std::vector<std::pair<TVerUdov*, int>> stack{{comp, 1}};
    while (!stack.empty()) {
        auto [c, level] = stack.back();
        stack.pop_back();
        if (level > MaxComponentDepth)
            throw EWriteError(Describe(*c) + ": components nested deeper than " + IntToStr(MaxComponentDepth) +
                              " levels cannot be read back");
        for (int i = c->GetComponentCount() - 1; i >= 0; --i) stack.emplace_back(c->GetComponent(i), level + 1);
    }
}

int32_t IDForWrite(const TVerUdov& comp) {
    TGrfRegistry& reg = Registry();
    const TGrfClassDesc* cls = &comp.ClassType();
    for (size_t i = 0; i < reg.Classes.size(); ++i)
        if (reg.Classes[i] == cls) return reg.IDs[i];
    throw Exception(cls->Name + " не зареєстрований для Запису");
}

// A record is at least marker, id, version and child count.
constexpr int64_t MinRecordSize = 13;

TVerUdov* ReadRecord(TStream& stream, TVerUdov* owner) {
    if (stream.GetPosition() >= stream.GetSize()) return nullptr;
    TReadFrame frame;
    TVerUdov* comp = nullptr;
    try {
        if (ReadByte(stream) != uint8_t(RecordMarker)) throw EReadError("Bad Object Header");
        const TGrfClassDesc& cls = FindGrClassByID(ReadInteger(stream));
        comp = cls.Create(owner);
        comp->LoadFromStream(stream);
        comp->Loaded();
    } catch (Exception& e) {
        PlaceError(e, comp ? comp->ClassName() : std::string(), stream.GetPosition());
        Release(comp);
        throw;
    } catch (...) {
        Release(comp);
        throw;
    }
    return comp;
}

}  // namespace

// ---- lifetime -----------------------------------------------------------------

void TReleaser::operator()(TVerUdov* comp) const { Release(comp); }

void Release(TVerUdov* comp) {
    if (comp) comp->Destroy();
}

const TGrfClassDesc& TVerUdov::Class() {
    static const TGrfClassDesc desc("TVerUdov", nullptr, &MakeComponent<TVerUdov>);
    return desc;
}

TVerUdov* TGrfClassDesc::Create(TVerUdov* owner) const {
    if (!Factory) throw EAbstractError("Abstract Error");
    return Factory(owner);
}

TVerUdov::~TVerUdov() {
    // Freed by its count without Destroy: no list keeps the freed object,
    // and no child keeps a freed owner.
    try {
        if (Owner) Owner->RemoveComponent(this);
        while (Children && !Children->empty()) {
            TVerUdov* last = Children->back();
            RemoveComponent(last);
            Release(last);
        }
    } catch (...) {
    }
}

void TVerUdov::Start(TVerUdov* owner) {
    try {
        Create(owner);
    } catch (...) {
        Destroy();
        throw;
    }
}

void TVerUdov::Create(TVerUdov* owner) {
    if (owner) owner->InsertComponent(this);
}

void TVerUdov::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    // The construction reference keeps the object while it detaches.
    ComPtr<IUnknown> self(static_cast<IUnknown*>(this));
    Name.clear();
    bool failed = false;
    std::exception_ptr error;
    try {
        DestroyComponents();
    } catch (...) {
        failed = true;
        error = std::current_exception();
    }
    if (Owner) Owner->RemoveComponent(this);
    if (failed) std::rethrow_exception(error);
    _Release();
}

void TVerUdov::Loaded() {
    if (RefCount == 0) RefCount = 1;
}

TVerUdov* TVerUdov::Clone() {
    TMemoryStream m;
    SaveToStream(m);
    m.SetPosition(0);
    TVerUdov* copy = ClassType().Create(Owner);
    try {
        copy->LoadFromStream(m);
    } catch (...) {
        Release(copy);
        throw;
    }
    return copy;
}

// ---- the tree --------------------------------------------------------------------

void TVerUdov::InsertComponent(TVerUdov* comp) {
    if (!comp) return;
    if (comp->destroyed_) throw Exception("A destroyed component cannot be inserted");
    if (destroyed_) throw Exception("A destroyed component cannot take components");
    for (TVerUdov* p = this; p; p = p->Owner)
        if (p == comp) throw Exception("A component cannot be owned by itself or by one of its own components");
    if (comp->Owner) comp->Owner->RemoveComponent(comp);
    if (!Children) Children = std::make_unique<std::vector<TVerUdov*>>();
    Children->push_back(comp);
    comp->Owner = this;
}

void TVerUdov::RemoveComponent(TVerUdov* comp) {
    if (!comp || !Children) return;
    auto it = std::find(Children->begin(), Children->end(), comp);
    if (it == Children->end()) return;
    comp->Owner = nullptr;
    Children->erase(it);
    if (Children->empty()) Children.reset();
}

void TVerUdov::SetOwner(TVerUdov* newOwner) {
    if (newOwner == Owner) return;
    if (newOwner) {
        newOwner->InsertComponent(this);  // detaches from the current owner; refuses a cycle
        return;
    }
    Owner->RemoveComponent(this);
}

void TVerUdov::DestroyComponents() {
    while (Children && !Children->empty()) {
        TVerUdov* last = Children->back();
        RemoveComponent(last);
        Release(last);
    }
}

TVerUdov* TVerUdov::GetComponent(int index) const {
    if (!Children) throw EListError("List Error");
    if (index < 0 || index >= int(Children->size())) ListIndexError(index);
    return (*Children)[size_t(index)];
}

int TVerUdov::GetComponentIndex() const {
    if (!Owner || !Owner->Children) return -1;
    auto& c = *Owner->Children;
    auto it = std::find(c.begin(), c.end(), this);
    return it == c.end() ? -1 : int(it - c.begin());
}

void TVerUdov::SetComponentIndex(int index) {
    if (!Owner) return;
    auto& c = *Owner->Children;
    int count = int(c.size());
    index = std::clamp(index, 0, count - 1);
    int cur = GetComponentIndex();
    if (cur == index || cur < 0) return;
    c.erase(c.begin() + cur);
    c.insert(c.begin() + index, this);
}

TVerUdov* TVerUdov::FindComponent(const std::string& name) const {
    if (name.empty() || !Children) return nullptr;
    for (TVerUdov* c : *Children)
        if (SameText(c->Name, name)) return c;
    return nullptr;
}

TVerUdov* TVerUdov::FindComponentByClass(const TGrfClassDesc& cls) const {
    if (!Children) return nullptr;
    for (TVerUdov* c : *Children)
        if (&c->ClassType() == &cls) return c;
    return nullptr;
}

// ---- binary form ----------------------------------------------------------------

void TVerUdov::WriteData(TStream& stream) {
    if (!CodePages::Representable(Name, CodePages::TCodePage::cp1251))
        throw EWriteError(ClassName() + " \"" + Name + "\": the name cannot be stored in code page 1251");
    WriteAnsiString(stream, Utf8ToCp1251(Name));
}

void TVerUdov::ReadData(TStream& stream) { Name = ReadName(stream); }

std::string TVerUdov::ReadName(TStream& stream) { return Cp1251ToUtf8(ReadAnsiString(stream)); }

void TVerUdov::WriteComponents(TStream& stream) {
    WriteInteger(stream, GetComponentCount());
    for (int i = 0; i < GetComponentCount(); ++i) WriteVerUdov(stream, (*Children)[size_t(i)]);
}

void TVerUdov::ReadComponents(TStream& stream) {
    DestroyComponents();
    int32_t n = ReadInteger(stream);
    if (n < 0 || n > stream.Remaining() / MinRecordSize) throw EReadError("Invalid component count");
    for (int32_t i = 0; i < n; ++i)
        if (!ReadRecord(stream, this)) break;
}

void TVerUdov::SaveToStream(TStream& stream) {
    if (WriteDepth() == 0) CheckWriteDepth(this);
    TWriteScope scope;
    WriteInteger(stream, Ver());
    int64_t at = stream.GetPosition();
    WriteInteger(stream, 0);
    WriteData(stream);
    int64_t end = stream.GetPosition();
    if (end - at - 4 > INT32_MAX) throw EWriteError(ClassName() + ": data too long");
    stream.SetPosition(at);
    WriteInteger(stream, int32_t(end - at - 4));
    stream.SetPosition(end);
    WriteComponents(stream);
}

void TVerUdov::LoadFromStream(TStream& stream) {
    TReadFrame frame;
    try {
        TDepthScope depth(this);
        int32_t ver = ReadInteger(stream);
        {
            TVersionScope scope(ver);
            if (ver >= LengthFieldVer) {
                int32_t len = ReadInteger(stream);
                int64_t start = stream.GetPosition();
                if (len < 0 || len > stream.Remaining()) throw EReadError("Invalid component data length");
                ReadData(stream);
                if (stream.GetPosition() > start + len) throw EReadError("Component data longer than its length");
                stream.SetPosition(start + len);
            } else {
                ReadData(stream);
            }
        }
        ReadComponents(stream);
    } catch (Exception& e) {
        PlaceError(e, ClassName(), stream.GetPosition());
        throw;
    }
}

void TVerUdov::SaveToFile(const std::string& fileName) {
    TMemoryStream m;
    SaveToStream(m);
    m.SaveToFile(fileName);
}

void TVerUdov::LoadFromFile(const std::string& fileName) {
    TMemoryStream m;
    m.LoadFromFile(fileName);
    m.SetPosition(0);
    LoadFromStream(m);
}

// ---- registry ---------------------------------------------------------------------

int32_t GrfClassID(const std::string& name) {
    uint32_t sum = 0;
    size_t n = std::min<size_t>(name.size(), 255);
    for (size_t i = 0; i < n; ++i) sum += uint32_t(uint8_t(UpCaseChar(name[i]))) * uint32_t(i + 1);
    return int32_t(sum);
}

void RegisterGrfClass(const TGrfClassDesc& cls) { Add(Registry(), cls); }

void RegisterGrfClasses(std::initializer_list<const TGrfClassDesc*> classes) {
    for (const TGrfClassDesc* c : classes) RegisterGrfClass(*c);
}

const TGrfClassDesc& FindGrClassByID(int32_t id) {
    TGrfRegistry& reg = Registry();
    for (size_t i = 0; i < reg.IDs.size(); ++i)
        if (reg.IDs[i] == id) return *reg.Classes[i];
    throw Exception("#" + IntToStr(id));
}

const TGrfClassDesc& FindGrClassByName(const std::string& name) {
    for (const TGrfClassDesc* c : Registry().Classes)
        if (SameText(c->Name, name)) return *c;
    throw Exception(name + " не зареєстрований");
}

void WriteVerUdov(TStream& stream, TVerUdov* comp) {
    if (WriteDepth() == 0) CheckWriteDepth(comp);
    TWriteScope scope;  // checked: the body does not walk the tree again
    WriteByte(stream, uint8_t(RecordMarker));
    WriteInteger(stream, IDForWrite(*comp));
    comp->SaveToStream(stream);
}

TVerUdov* ReadVerUdov(TStream& stream, TVerUdov* owner) { return ReadRecord(stream, owner); }

TVerUdovPtr<> ReadVerUdov(TStream& stream) { return TVerUdovPtr<>(ReadRecord(stream, nullptr)); }

int32_t ReadVer() {
    auto& s = VersionStack();
    return s.empty() ? BaseCompVer : s.back();
}

// ---- text writer ------------------------------------------------------------------

void TVerUdov::TextWriteState(TTextWriter& writer) { writer.WS("Name", Name); }

void TVerUdov::TextReadState(TTextReader& reader) { reader.RS("Name", Name); }

TTextWriter::TTextWriter(const std::string& fileName)
    : own_(std::make_unique<TMemoryStream>()), out_(own_.get()), fileName_(fileName) {}

TTextWriter::TTextWriter(TStream& stream) : out_(&stream) {}

TTextWriter::~TTextWriter() = default;

void TTextWriter::Close() {
    if (!own_) return;
    AtomicWriteFile(fileName_, own_->Memory(), size_t(own_->Size()));
    own_.reset();
    out_ = nullptr;
}

void TTextWriter::Line(std::string_view text) {
    if (!out_) throw EInOutError("Text file closed");
    std::string l;
    l.reserve(Indent.size() + text.size() + 2);
    l += Indent;
    l += text;
    l += "\r\n";
    out_->WriteBuffer(l.data(), int64_t(l.size()));
}

void TTextWriter::Refuse(const std::string& name, const std::string& why) const {
    std::string who = current_ ? current_->ClassName() + " \"" + current_->Name + "\"" : std::string("text");
    throw EWriteError(who + ": property " + name + " " + why);
}

void TTextWriter::WriteComp(TVerUdov* comp) {
    if (!current_) CheckWriteDepth(comp);
    TVerUdov* outer = current_;
    current_ = comp;
    Line("object (" + comp->ClassName() + ")");
    Indent += "    ";
    try {
        comp->TextWriteState(*this);
        for (int i = 0; i < comp->GetComponentCount(); ++i) WriteComp(comp->GetComponent(i));
    } catch (...) {
        Indent.resize(Indent.size() - 4);
        current_ = outer;
        throw;
    }
    Indent.resize(Indent.size() - 4);
    Line("end");
    current_ = outer;
}

void TTextWriter::WS(const std::string& name, const std::string& value) {
    if (value.empty()) return;
    if (value.find_first_of("\r\n") != std::string::npos) Refuse(name, "holds a line break");
    if (!CodePages::Representable(value, CodePages::TCodePage::cp1251)) Refuse(name, "cannot be stored in code page 1251");
    Line(name + " = \"" + Utf8ToCp1251(value) + "\"");
}

void TTextWriter::WI(const std::string& name, int32_t value) {
    if (value == 0) return;
    Line(name + " = " + IntToStr(value));
}

void TTextWriter::WBool(const std::string& name, bool value) { WI(name, value ? 1 : 0); }

void TTextWriter::WReal(const std::string& name, float value) {
    if (value == 0.0f) return;
    // Four decimals where they read back exactly, else the shortest text
    // that does, so a drawing saved, read and saved again keeps its bytes.
    char buf[128];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 4);
    float back = 0;
    auto b = std::from_chars(buf, r.ptr, back);
    if (b.ec != std::errc() || back != value) r = std::to_chars(buf, buf + sizeof buf, value);
    Line(name + " = " + std::string(buf, r.ptr));
}

void TTextWriter::WB(const std::string& name, const void* buffer, int64_t size) {
    if (size <= 0) return;
    static const char hex[] = "0123456789ABCDEF";
    auto* p = static_cast<const uint8_t*>(buffer);
    std::string text = name + " = { ";
    text.reserve(text.size() + size_t(size) * 3 + size_t(size / 32 + 1) * (Indent.size() + 6));
    for (int64_t i = 0; i < size; ++i) {
        text += '^';
        text += hex[p[i] >> 4];
        text += hex[p[i] & 15];
        if ((i + 1) % 32 == 0) {
            text += "\r\n";
            text += Indent;
            text += "    ";
        }
    }
    text += " }";
    Line(text);
}

void TTextWriter::WCmd(const std::string& text) { Line(text); }

// ---- text reader --------------------------------------------------------------------

namespace {
bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }
bool IsPropertyLine(const std::string& l) { return !l.empty() && !StartsWith(l, "OBJECT (") && l != "END"; }
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = UpCaseChar(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
// The value after "NAME = " begins with "{".
bool StartsBlock(const std::string& line) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    size_t v = eq + 1;
    if (v < line.size() && line[v] == ' ') ++v;
    return v < line.size() && line[v] == '{';
}
}  // namespace

TTextReader::TTextReader(const std::string& fileName) {
    try {
        text_ = ReadWholeFile(fileName);
    } catch (const Exception& e) {
        throw EInOutError(e.Message);
    }
    Start();
}

TTextReader::TTextReader(TStream& stream) {
    int64_t n = stream.Remaining();
    if (n > 0) {
        text_.resize(size_t(n));
        stream.ReadBuffer(text_.data(), n);
    }
    Start();
}

TTextReader::~TTextReader() { ClearList(); }

void TTextReader::Start() {
    Props.SetOwnsObjects(true);
    // A byte order mark and blank lines before the first object say nothing.
    if (StartsWith(text_, "\xEF\xBB\xBF")) pos_ = 3;
    for (;;) {
        size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string::npos || text_.find_first_not_of(' ', pos_) < end) break;
        pos_ = end + (text_.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    ReadSection();
}

std::string TTextReader::ReadLine(bool nameMode) {
    lineStart_ = pos_;
    size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string::npos) end = text_.size();
    size_t b = pos_;
    while (b < end && text_[b] == ' ') ++b;
    std::string l = text_.substr(b, end - b);
    pos_ = end;
    if (pos_ < text_.size()) {
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
    }
    if (nameMode) {
        for (char& c : l) {
            if (c == '=') break;
            c = UpCaseChar(c);
        }
    }
    return l;
}

std::unique_ptr<TMemoryStream> TTextReader::ReadBlock(std::string& line) {
    auto block = std::make_unique<TMemoryStream>();
    std::string header = line;
    std::string cur = line.substr(line.find('=') + 1);
    for (;;) {
        size_t at = 0;
        for (;;) {
            size_t caret = cur.find('^', at);
            if (caret == std::string::npos) break;
            int h = caret + 1 < cur.size() ? HexDigit(cur[caret + 1]) : -1;
            int l = caret + 2 < cur.size() ? HexDigit(cur[caret + 2]) : -1;
            uint8_t b = (h < 0 || l < 0) ? 0 : uint8_t(h * 16 + l);
            block->WriteBuffer(&b, 1);
            at = std::min(caret + 3, cur.size());
        }
        if (cur.find('}', at) != std::string::npos) {
            line = header;
            return block;
        }
        if (AtEnd()) break;
        cur = ReadLine(false);
        if (cur.empty()) break;
    }
    line = header;
    CurLine.clear();
    return block;
}

void TTextReader::ReadSection() {
    ClearList();
    CurLine = AtEnd() ? std::string() : ReadLine(true);
    while (IsPropertyLine(CurLine)) {
        if (CurLine.find('=') != std::string::npos) {
            if (StartsBlock(CurLine)) {
                std::string line = CurLine;
                CurLine = "x";  // ReadBlock empties it when the block runs to the end
                std::unique_ptr<TMemoryStream> block = ReadBlock(line);
                bool ended = CurLine.empty();
                Props.AddObject(line, block.release());
                if (ended) return;
            } else {
                Props.Add(CurLine);
            }
        }
        CurLine = AtEnd() ? std::string() : ReadLine(true);
    }
}

int TTextReader::PropIndex(const std::string& name) {
    std::string key = UpperCase(name);
    PropIdx = -1;
    ValueText.clear();
    for (int i = 0; i < Props.Count(); ++i) {
        const std::string& l = Props[i];
        size_t eq = l.find('=');
        if (eq == std::string::npos) continue;
        std::string_view n(l.data(), eq);
        while (!n.empty() && n.back() == ' ') n.remove_suffix(1);
        if (n == key) {
            PropIdx = i;
            ValueText = l.substr(eq + 1);
            return i;
        }
    }
    return -1;
}

void TTextReader::ClearList() { Props.Clear(); }

void TTextReader::RS(const std::string& name, std::string& value) {
    value.clear();
    if (PropIndex(name) < 0) return;
    size_t a = ValueText.find('"');
    size_t b = ValueText.rfind('"');
    if (a == std::string::npos || b <= a) return;
    value = Cp1251ToUtf8(std::string_view(ValueText).substr(a + 1, b - a - 1));
}

int32_t TTextReader::RI(const std::string& name) {
    if (PropIndex(name) < 0) return 0;
    std::string t = Trim(ValueText);
    bool neg = false;
    std::string_view v(t);
    if (!v.empty() && (v[0] == '-' || v[0] == '+')) {
        neg = v[0] == '-';
        v.remove_prefix(1);
    }
    int base = 10;
    if (!v.empty() && v[0] == '$') {
        base = 16;
        v.remove_prefix(1);
    }
    int64_t x = 0;
    auto r = std::from_chars(v.data(), v.data() + v.size(), x, base);
    if (v.empty() || r.ec != std::errc() || r.ptr != v.data() + v.size()) return 0;
    if (neg) x = -x;
    if (base == 16 && !neg && x <= int64_t(UINT32_MAX)) return int32_t(uint32_t(x));
    if (x < INT32_MIN || x > INT32_MAX) return 0;
    return int32_t(x);
}

bool TTextReader::RBool(const std::string& name) { return RI(name) > 0; }

float TTextReader::RReal(const std::string& name) {
    if (PropIndex(name) < 0) return 0;
    std::string t = Trim(ValueText);
    std::string_view v(t);
    if (!v.empty() && v[0] == '+') v.remove_prefix(1);
    float x = 0;
    auto r = std::from_chars(v.data(), v.data() + v.size(), x);
    if (v.empty() || r.ec != std::errc() || r.ptr != v.data() + v.size()) return 0;
    return x;
}

void TTextReader::RB(const std::string& name, void* buffer, int64_t size) {
    if (PropIndex(name) < 0 || size <= 0) return;
    auto* block = dynamic_cast<TMemoryStream*>(Props.GetObject(PropIdx));
    if (!block || block->Size() == 0) return;
    std::memcpy(buffer, block->Memory(), size_t(std::min(size, block->Size())));
}

void TTextReader::RB(const std::string& name, TStream& stream) {
    if (PropIndex(name) < 0) return;
    auto* block = dynamic_cast<TMemoryStream*>(Props.GetObject(PropIdx));
    if (!block || block->Size() == 0) return;
    stream.WriteBuffer(block->Memory(), block->Size());
}

std::unique_ptr<TMemoryStream> TTextReader::RStream(const std::string& name) {
    auto r = std::make_unique<TMemoryStream>();
    RB(name, *r);
    return r;
}

TVerUdov* TTextReader::ReadCompAt(TVerUdov* owner, int depth) {
    if (!StartsWith(CurLine, "OBJECT (")) return nullptr;
    // The text is in code page 1251: the name is looked up and shown in UTF-8.
    const std::string name = Cp1251ToUtf8(StrIn(CurLine, "(", ")"));
    TVerUdov* comp = nullptr;
    try {
        if (depth > MaxComponentDepth)
            throw EReadError("Components nested deeper than " + IntToStr(MaxComponentDepth) + " levels");
        comp = FindGrClassByName(name).Create(owner);
        ReadSection();
        comp->TextReadState(*this);
        while (StartsWith(CurLine, "OBJECT ("))
            if (!ReadCompAt(comp, depth + 1)) break;
        // Only "end" closes an object: a text cut short is not a drawing. The
        // class follows with the place, as for every error here.
        if (CurLine != "END")
            throw EReadError("The text ends inside object" +
                             (comp->Name.empty() ? std::string() : " \"" + comp->Name + "\""));
        ReadSection();
    } catch (Exception& e) {
        if (!errorPlaced_) {
            errorPlaced_ = true;
            e.Message += " (" + (comp ? comp->ClassName() : name) + ", byte " + IntToStr(int64_t(lineStart_)) + ")";
        }
        Release(comp);
        throw;
    } catch (...) {
        Release(comp);
        throw;
    }
    return comp;
}

TVerUdov* TTextReader::ReadComp(TVerUdov* owner) {
    errorPlaced_ = false;
    return ReadCompAt(owner, LevelOf(owner) + 1);
}

TVerUdovPtr<> TTextReader::ReadComp() { return TVerUdovPtr<>(ReadComp(nullptr)); }

}  // namespace velt

#include "foundation/Classes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/registry/AtomicFile.h"

namespace velt {

// ---- TPersistent ---------------------------------------------------------

void TPersistent::Assign(const TPersistent* source) {
    if (source == nullptr) throw EConvertError("Cannot assign a nil to a " + ClassName());
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + (dest ? dest->ClassName() : std::string("nil")));
}

// ---- TStream ---------------------------------------------------------------

int64_t TStream::GetSize() {
    int64_t pos = Seek(0, soCurrent);
    int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    int64_t result = count;
    char buf[65536];
    while (count > 0) {
        int64_t n = std::min<int64_t>(count, sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        count -= n;
    }
    return result;
}

// ---- TMemoryStream -------------------------------------------------------

void TMemoryStream::Reserve(int64_t capacity) {
    if (capacity <= (int64_t)data_.size()) return;
    int64_t grow = std::max<int64_t>(capacity, (int64_t)data_.size() + (int64_t)data_.size() / 2 + 64);
    try {
        data_.resize(size_t(grow));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Out of memory");
    } catch (const std::length_error&) {
        throw EOutOfMemory("Out of memory");
    }
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || pos_ >= size_) return 0;
    int64_t n = std::min(count, size_ - pos_);
    std::memcpy(buffer, data_.data() + pos_, size_t(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    int64_t end = pos_ + count;
    if (end > size_) {
        Reserve(end);
        if (pos_ > size_) std::memset(data_.data() + size_, 0, size_t(pos_ - size_));
        size_ = end;
    }
    std::memmove(data_.data() + pos_, buffer, size_t(count));
    pos_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? pos_ : size_;
    int64_t p = base + offset;
    if (p < 0) p = 0;
    pos_ = p;
    return pos_;
}

void TMemoryStream::SetSize(int64_t newSize) {
    if (newSize < 0) newSize = 0;
    if (newSize > size_) {
        Reserve(newSize);
        std::memset(data_.data() + size_, 0, size_t(newSize - size_));
    }
    size_ = newSize;
    if (pos_ > size_) pos_ = size_;
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    size_ = 0;
    pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    int64_t n = source.GetSize();
    SetSize(n);
    if (n) source.ReadBuffer(data_.data(), n);
    pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& dest) {
    if (size_) dest.WriteBuffer(data_.data(), size_);
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream f(fileName, fmOpenRead);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
    AtomicWriteFile(fileName, data_.data(), size_t(size_));
}

// ---- TFileStream ------------------------------------------------------------

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : fileName_(fileName) {
    if (mode == fmCreate) {
        fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) throw EFCreateError("Cannot create file \"" + fileName + "\"");
        return;
    }
    int flags = (mode & 3) == fmOpenWrite ? O_WRONLY : (mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
    fd_ = ::open(fileName.c_str(), flags | O_CLOEXEC);
    if (fd_ < 0) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EFOpenError("Cannot open file \"" + fileName + "\"");
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t total = 0;
    while (total < count) {
        ssize_t n = ::read(fd_, (char*)buffer + total, size_t(count - total));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += n;
    }
    return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t total = 0;
    while (total < count) {
        ssize_t n = ::write(fd_, (const char*)buffer + total, size_t(count - total));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += n;
    }
    return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd_, offset, whence);
    return r < 0 ? -1 : int64_t(r);
}

void TFileStream::SetSize(int64_t newSize) {
    if (::ftruncate(fd_, newSize) != 0) throw EWriteError("Stream write error");
}

void AtomicWriteFile(const std::string& fileName, const void* data, size_t size) {
    switch (WriteFileAtomically(fileName, data, size)) {
        case TAtomicWriteResult::Ok: return;
        case TAtomicWriteResult::CannotWrite: throw EWriteError("Stream write error");
        case TAtomicWriteResult::CannotCreate: break;
    }
    throw EFCreateError("Cannot create file \"" + fileName + "\"");
}

std::string ReadWholeFile(const std::string& fileName) {
    TFileStream f(fileName, fmOpenRead);
    std::string s;
    char buf[65536];
    for (;;) {
        int64_t n = f.Read(buf, sizeof buf);
        if (n <= 0) break;
        s.append(buf, size_t(n));
    }
    return s;
}

// ---- TStringList ------------------------------------------------------------

namespace {

// Calls line(view) for every line of text, while it answers true: lines end
// at CR LF, LF or CR, and a trailing break adds no line. Each kind of break
// is searched for once past the last one found, so the pass stays linear
// whatever the breaks.
template <class Line>
void ForEachLine(std::string_view text, Line line) {
    if (text.empty()) return;  // its data may be null, which memchr must not see
    const char* p = text.data();
    const char* const end = p + text.size();
    auto find = [end](const char* from, char c) {
        const void* r = std::memchr(from, c, size_t(end - from));
        return r ? static_cast<const char*>(r) : end;
    };
    const char* lf = find(p, '\n');
    const char* cr = find(p, '\r');
    while (p < end) {
        if (lf < p) lf = find(p, '\n');
        if (cr < p) cr = find(p, '\r');
        const char* e = std::min(lf, cr);
        if (!line(std::string_view(p, size_t(e - p))) || e == end) break;
        p = e + 1;
        if (*e == '\r' && p < end && *p == '\n') ++p;
    }
}

}  // namespace

uint64_t TStringList::NewVersion() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

void TStringList::Changed(int first, int removed, int added) {
    change_ = {version_, NewVersion(), first, removed, added};
    version_ = change_.To;
}

TStringList::~TStringList() {
    if (ownsObjects_)
        for (TObject* o : objects_) delete o;
}

void TStringList::CheckIndex(int i) const {
    if (i < 0 || i >= Count()) throw EStringListError("List index out of bounds (" + IntToStr(i) + ")");
}

void TStringList::FreeObject(int i) {
    if (ownsObjects_) {
        delete objects_[size_t(i)];
        objects_[size_t(i)] = nullptr;
    }
}

void TStringList::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TStringList*>(source)) {
        if (other == this) return;
        if (!AddKeepsText()) {
            std::vector<std::string> items = other->items_;
            std::vector<TObject*> objects = other->objects_;
            Clear();
            for (size_t i = 0; i < items.size(); ++i) AddObject(items[i], ownsObjects_ ? nullptr : objects[i]);
            return;
        }
        Clear();
        items_ = other->items_;
        Changed(0, 0, Count());
        // Objects are referenced, not copied; a list that owns objects gets none.
        objects_ = ownsObjects_ ? std::vector<TObject*>(items_.size(), nullptr) : other->objects_;
        if (sorted_) Sort();
        return;
    }
    TPersistent::Assign(source);
}

const std::string& TStringList::operator[](int i) const {
    CheckIndex(i);
    return items_[size_t(i)];
}

void TStringList::Put(int i, const std::string& s) {
    CheckIndex(i);
    if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
    items_[size_t(i)] = s;
    Changed(i, 1, 1);
}

TObject* TStringList::GetObject(int i) const {
    CheckIndex(i);
    return objects_[size_t(i)];
}

void TStringList::PutObject(int i, TObject* obj) {
    CheckIndex(i);
    if (objects_[size_t(i)] != obj) FreeObject(i);
    objects_[size_t(i)] = obj;
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* obj) {
    int index = Count();
    if (sorted_) {
        if (Find(s, index)) {
            if (duplicates_ == dupIgnore) return index;
            if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
        }
    }
    items_.insert(items_.begin() + index, s);
    objects_.insert(objects_.begin() + index, obj);
    Changed(index, 0, 1);
    return index;
}

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, TObject* obj) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
    if (index < 0 || index > Count()) throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
    items_.insert(items_.begin() + index, s);
    objects_.insert(objects_.begin() + index, obj);
    Changed(index, 0, 1);
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    FreeObject(index);
    items_.erase(items_.begin() + index);
    objects_.erase(objects_.begin() + index);
    Changed(index, 1, 0);
}

void TStringList::Clear() {
    if (ownsObjects_)
        for (TObject*& o : objects_) {
            delete o;
            o = nullptr;
        }
    const int was = Count();
    items_.clear();
    objects_.clear();
    Changed(0, was, 0);
}

void TStringList::Exchange(int i, int j) {
    CheckIndex(i);
    CheckIndex(j);
    std::swap(items_[size_t(i)], items_[size_t(j)]);
    std::swap(objects_[size_t(i)], objects_[size_t(j)]);
    Changed(std::min(i, j), std::abs(i - j) + 1, std::abs(i - j) + 1);
}

void TStringList::Move(int from, int to) {
    if (from == to) return;
    CheckIndex(from);
    CheckIndex(to);
    std::string s = items_[size_t(from)];
    TObject* o = objects_[size_t(from)];
    items_.erase(items_.begin() + from);
    objects_.erase(objects_.begin() + from);
    items_.insert(items_.begin() + to, s);
    objects_.insert(objects_.begin() + to, o);
    Changed(std::min(from, to), std::abs(from - to) + 1, std::abs(from - to) + 1);
}

void TStringList::AddStrings(const TStringList& other) {
    std::vector<std::string> items = other.items_;  // safe when other is this list
    std::vector<TObject*> objects = other.objects_;
    for (size_t i = 0; i < items.size(); ++i) AddObject(items[i], ownsObjects_ ? nullptr : objects[i]);
}

int TStringList::IndexOf(std::string_view s) const {
    if (sorted_) {
        int i;
        return Find(s, i) ? i : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (CompareText(items_[size_t(i)], s) == 0) return i;
    return -1;
}

int TStringList::IndexOfObject(const TObject* obj) const {
    for (int i = 0; i < Count(); ++i)
        if (objects_[size_t(i)] == obj) return i;
    return -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = CompareText(items_[size_t(mid)], s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != dupAccept) lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

void TStringList::Sort() {
    std::vector<size_t> order(items_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return CompareText(items_[a], items_[b]) < 0; });
    std::vector<std::string> items;
    std::vector<TObject*> objects;
    items.reserve(order.size());
    objects.reserve(order.size());
    for (size_t i : order) {
        items.push_back(std::move(items_[i]));
        objects.push_back(objects_[i]);
    }
    items_ = std::move(items);
    objects_ = std::move(objects);
    Changed(0, Count(), Count());
}

void TStringList::SetSorted(bool v) {
    if (v && !sorted_) Sort();
    sorted_ = v;
}

std::string TStringList::Names(int i) const {
    const std::string& s = (*this)[i];
    size_t p = s.find('=');
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

int TStringList::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& s = items_[size_t(i)];
        size_t p = s.find('=');
        if (p != std::string::npos && CompareText(std::string_view(s).substr(0, p), name) == 0) return i;
    }
    return -1;
}

std::string TStringList::Values(std::string_view name) const {
    int i = IndexOfName(name);
    if (i < 0) return {};
    const std::string& s = items_[size_t(i)];
    return s.substr(s.find('=') + 1);
}

void TStringList::SetValue(std::string_view name, std::string_view value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    std::string line = std::string(name) + "=" + std::string(value);
    if (i < 0) {
        Add(line);
    } else {
        items_[size_t(i)] = line;
        Changed(i, 1, 1);
    }
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    ForEachLine(text, [&](std::string_view l) {
        lines.emplace_back(l);
        return true;
    });
    return lines;
}

std::vector<std::string_view> LineViews(std::string_view text) {
    std::vector<std::string_view> lines;
    LineViews(text, lines);
    return lines;
}

void LineViews(std::string_view text, std::vector<std::string_view>& lines) {
    lines.clear();
    ForEachLine(text, [&](std::string_view l) {
        lines.push_back(l);
        return true;
    });
}

std::string TStringList::Text() const {
    std::string r;
    for (const std::string& s : items_) {
        r += s;
        r += "\r\n";
    }
    return r;
}

void TStringList::SetText(std::string_view text) {
    if (sorted_ || !AddKeepsText()) {
        Clear();
        ForEachLine(text, [&](std::string_view l) {
            Add(std::string(l));
            return true;
        });
        return;
    }
    // The old lines' buffers are filled again: the same unit is loaded over
    // and over (every source command loads the editor's text).
    std::vector<std::string> items = std::move(items_);
    Clear();
    size_t n = 0;
    ForEachLine(text, [&](std::string_view l) {
        if (n < items.size()) items[n].assign(l.data(), l.size());
        else items.emplace_back(l);
        ++n;
        return true;
    });
    items.resize(n);
    items_ = std::move(items);
    objects_.assign(n, nullptr);
    Changed(0, 0, int(n));
}

bool TStringList::ReplaceLines(int first, int count, const std::vector<std::string_view>& lines) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
    if (first < 0 || first > Count()) throw EStringListError("List index out of bounds (" + IntToStr(first) + ")");
    if (count < 0 || count > Count() - first)
        throw EStringListError("List index out of bounds (" + IntToStr(first + count) + ")");
    const size_t at = size_t(first), was = size_t(count), now = lines.size();
    bool changed = false;
    auto change = [&] {  // before the first change, so that a failure cannot hide one
        if (!changed) Changed(first, count, int(now));
        changed = true;
    };
    for (size_t i = 0; i < std::min(was, now); ++i) {
        std::string& item = items_[at + i];
        if (item == lines[i]) continue;
        change();
        item.assign(lines[i].data(), lines[i].size());  // into the old buffer
        FreeObject(int(at + i));
        objects_[at + i] = nullptr;
    }
    if (now > was) {
        change();
        items_.insert(items_.begin() + ptrdiff_t(at + was), lines.begin() + ptrdiff_t(was), lines.end());
        objects_.insert(objects_.begin() + ptrdiff_t(at + was), now - was, nullptr);
    } else if (was > now) {
        change();
        for (size_t i = at + now; i < at + was; ++i) FreeObject(int(i));
        items_.erase(items_.begin() + ptrdiff_t(at + now), items_.begin() + ptrdiff_t(at + was));
        objects_.erase(objects_.begin() + ptrdiff_t(at + now), objects_.begin() + ptrdiff_t(at + was));
    }
    return changed;
}

void TStringList::LoadFromStream(TStream& stream) {
    int64_t n = stream.Remaining();
    std::string s(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) stream.ReadBuffer(s.data(), n);
    SetText(s);
}

void TStringList::SaveToStream(TStream& stream) const {
    std::string t = Text();
    stream.WriteBuffer(t.data(), int64_t(t.size()));
}

void TStringList::LoadFromFile(const std::string& fileName) { SetText(ReadWholeFile(fileName)); }

void TStringList::SaveToFile(const std::string& fileName) const {
    std::string t = Text();
    AtomicWriteFile(fileName, t.data(), t.size());
}

// ---- class registry -----------------------------------------------------------

namespace {
struct ClassRegistry {
    std::mutex lock;
    std::map<std::string, TObjectFactory, std::less<>> byName;  // keyed by upper-cased name
};
ClassRegistry& Classes() {
    static ClassRegistry r;
    return r;
}
}  // namespace

void RegisterClass(const std::string& name, TObjectFactory factory) {
    auto& r = Classes();
    std::lock_guard<std::mutex> g(r.lock);
    r.byName[UpperCase(name)] = std::move(factory);
}

const TObjectFactory& FindClass(const std::string& name) {
    auto& r = Classes();
    std::lock_guard<std::mutex> g(r.lock);
    auto it = r.byName.find(UpperCase(name));
    if (it == r.byName.end()) throw EClassNotFound("Class " + name + " not found");
    return it->second;
}

bool IsClassRegistered(const std::string& name) {
    auto& r = Classes();
    std::lock_guard<std::mutex> g(r.lock);
    return r.byName.count(UpperCase(name)) != 0;
}

// ---- Guid ------------------------------------------------------------------------

std::string Guid::ToString() const {
    std::string s = "{" + IntToHex(D1, 8) + "-" + IntToHex(D2, 4) + "-" + IntToHex(D3, 4) + "-";
    for (int i = 0; i < 2; ++i) s += IntToHex(D4[i], 2);
    s += "-";
    for (int i = 2; i < 8; ++i) s += IntToHex(D4[i], 2);
    return s + "}";
}

Guid Guid::FromString(std::string_view s) {
    auto bad = [&]() { return EConvertError("'" + std::string(s) + "' is not a valid GUID value"); };
    if (s.size() != 38 || s[0] != '{' || s[37] != '}' || s[9] != '-' || s[14] != '-' || s[19] != '-' || s[24] != '-')
        throw bad();
    auto hex = [&](size_t at, size_t n) -> uint32_t {
        uint32_t v = 0;
        for (size_t i = at; i < at + n; ++i) {
            char c = s[i];
            int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
            if (d < 0) throw bad();
            v = v * 16 + uint32_t(d);
        }
        return v;
    };
    Guid g;
    g.D1 = hex(1, 8);
    g.D2 = uint16_t(hex(10, 4));
    g.D3 = uint16_t(hex(15, 4));
    g.D4[0] = uint8_t(hex(20, 2));
    g.D4[1] = uint8_t(hex(22, 2));
    for (int i = 0; i < 6; ++i) g.D4[2 + i] = uint8_t(hex(25 + size_t(i) * 2, 2));
    return g;
}

}  // namespace velt

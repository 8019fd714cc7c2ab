#include "foundation/MemIni.h"

#include <map>
#include <memory>
#include <vector>

namespace velt {

TMemIni::TMemIni() {
    SetSorted(true);
    SetDuplicates(dupIgnore);
    SetOwnsObjects(true);
}

TMemIni::~TMemIni() { Clear(); }

void TMemIni::Clear() {
    TStringList::Clear();
    preamble_.Clear();
    std::lock_guard<std::mutex> g(keysLock_);
    keys_.clear();
}

TMemIni::TKeyIndex& TMemIni::KeyIndex(const TStringList& lines) const {
    TKeyIndex& k = keys_[&lines];
    if (k.Version != lines.Version()) {
        k.First.clear();
        const auto& items = lines.Strings();
        for (size_t i = 0; i < items.size(); ++i) {
            const size_t p = items[i].find('=');
            if (p != std::string::npos) k.First.emplace(LowerCase(std::string_view(items[i]).substr(0, p)), int(i));
        }
        k.Version = lines.Version();
    }
    return k;
}

int TMemIni::IndexOfKey(const TStringList& lines, std::string_view name) const {
    std::lock_guard<std::mutex> g(keysLock_);
    const TKeyIndex& k = KeyIndex(lines);
    const auto it = k.First.find(LowerCase(name));
    return it == k.First.end() ? -1 : it->second;
}

TStringList* TMemIni::SectionLines(std::string_view section) const {
    int i;
    if (!Find(section, i)) return nullptr;
    return dynamic_cast<TStringList*>(GetObject(i));
}

TStringList& TMemIni::AddSection(std::string_view section) {
    int i;
    if (!Find(section, i)) i = AddObject(std::string(section), nullptr);
    return LinesAt(i);
}

TStringList& TMemIni::LinesAt(int i) {
    // A name added through the plain string-list interface has no lines yet.
    auto* lines = dynamic_cast<TStringList*>(GetObject(i));
    if (!lines) {
        lines = new TStringList;
        PutObject(i, lines);
    }
    return *lines;
}

void TMemIni::EraseSection(std::string_view section) {
    int i;
    if (!Find(section, i)) return;
    {
        std::lock_guard<std::mutex> g(keysLock_);
        keys_.erase(dynamic_cast<TStringList*>(GetObject(i)));
    }
    Delete(i);
}

void TMemIni::LoadFromFile(const std::string& fileName) {
    Clear();
    AppendFromFile(fileName);
}

void TMemIni::AppendFromFile(const std::string& fileName) {
    // Read first, so that a failing read changes nothing.
    AppendFromText(ReadWholeFile(fileName));
}

namespace {
struct TextLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return CompareText(a, b) < 0; }
};
}  // namespace

void TMemIni::AppendFromText(std::string_view text) {
    // A new section that sorts last is appended at once (the common case: a
    // file this store saved). Any other is gathered apart and sorted in once
    // at the end: inserting each into the sorted list moves the entries after
    // it, which makes a file written in descending order quadratic to load.
    std::map<std::string, std::unique_ptr<TStringList>, TextLess> added;
    TStringList* current = &preamble_;
    for (std::string& line : SplitLines(text)) {
        if (!line.empty() && line[0] == '[') {
            size_t close = line.find(']');
            std::string_view name = std::string_view(line).substr(1, close == std::string::npos ? std::string::npos : close - 1);
            int i;
            if (Find(name, i)) {
                current = &LinesAt(i);
            } else if (auto it = added.find(name); it != added.end()) {
                current = it->second.get();
            } else if (i == Count()) {
                current = &LinesAt(AddObject(std::string(name), nullptr));
            } else {
                current = added.emplace(std::string(name), std::make_unique<TStringList>()).first->second.get();
            }
        } else {
            current->Add(line);
        }
    }
    if (added.empty()) return;
    // The new names differ from the stored ones and from each other, so
    // appending them unsorted and sorting once gives the same list.
    SetSorted(false);
    try {
        for (auto& [name, lines] : added) {
            AddObject(name, lines.get());
            lines.release();
        }
    } catch (...) {
        SetSorted(true);
        throw;
    }
    SetSorted(true);
}

std::string TMemIni::IniText() const {
    std::string text = preamble_.Text();
    for (int i = 0; i < Count(); ++i) {
        text += "[" + Get(i) + "]\r\n";
        if (auto* lines = dynamic_cast<TStringList*>(GetObject(i))) text += lines->Text();
    }
    return text;
}

void TMemIni::SaveToFile(const std::string& fileName) const {
    std::string text = IniText();
    AtomicWriteFile(fileName, text.data(), text.size());
}

std::string TMemIni::ReadString(std::string_view section, std::string_view name, std::string_view def) const {
    int i;
    if (!Find(section, i)) return std::string(def);
    auto* lines = dynamic_cast<TStringList*>(GetObject(i));
    if (!lines) return std::string();
    const int k = IndexOfKey(*lines, name);
    if (k < 0) return std::string();
    const std::string& s = (*lines)[k];
    return s.substr(s.find('=') + 1);
}

void TMemIni::WriteString(std::string_view section, std::string_view name, std::string_view value) {
    // The file has no escapes: a line break would start a new line, a "["
    // in front a new section, an "=" in the name move the split.
    auto breaks = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    if (breaks(section) || section.find(']') != std::string_view::npos)
        throw Exception("INI section name \"" + std::string(section) +
                        "\" cannot be stored: it contains a line break or \"]\"");
    if (breaks(name) || name.find('=') != std::string_view::npos || name.starts_with('['))
        throw Exception("INI key name \"" + std::string(name) +
                        "\" cannot be stored: it contains a line break or \"=\", or begins with \"[\"");
    if (breaks(value))
        throw Exception("INI value of \"" + std::string(name) + "\" in section \"" + std::string(section) +
                        "\" cannot be stored: it contains a line break");
    TStringList& lines = AddSection(section);
    std::string line = std::string(name) + "=" + std::string(value);
    const int i = IndexOfKey(lines, name);
    // The key of the line stays, or a new one is last: the index follows
    // the change instead of being made again.
    std::lock_guard<std::mutex> g(keysLock_);
    TKeyIndex& k = KeyIndex(lines);
    if (i >= 0) {
        lines.Put(i, line);
    } else {
        k.First.emplace(LowerCase(name), lines.Add(line));
    }
    k.Version = lines.Version();
}

void TMemIni::ReadSectionValues(std::string_view section, TStringList& strings) const {
    // Copied first: Strings may be the section's own list.
    std::vector<std::string> copy;
    if (TStringList* lines = SectionLines(section)) copy = lines->Strings();
    strings.Clear();
    for (const std::string& s : copy) strings.Add(s);
}

}  // namespace velt

#include "foundation/MemIni.h"

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
}

TStringList* TMemIni::SectionLines(std::string_view section) const {
    int i;
    if (!Find(section, i)) return nullptr;
    return dynamic_cast<TStringList*>(GetObject(i));
}

TStringList& TMemIni::AddSection(std::string_view section) {
    int i;
    if (!Find(section, i)) i = AddObject(std::string(section), nullptr);
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
    if (Find(section, i)) Delete(i);
}

void TMemIni::LoadFromFile(const std::string& fileName) {
    Clear();
    AppendFromFile(fileName);
}

void TMemIni::AppendFromFile(const std::string& fileName) {
    // Read first, so that a failing read changes nothing.
    AppendFromText(ReadWholeFile(fileName));
}

void TMemIni::AppendFromText(std::string_view text) {
    TStringList* current = &preamble_;
    for (std::string& line : SplitLines(text)) {
        if (!line.empty() && line[0] == '[') {
            size_t close = line.find(']');
            std::string_view name = std::string_view(line).substr(1, close == std::string::npos ? std::string::npos : close - 1);
            current = &AddSection(name);
        } else {
            current->Add(line);
        }
    }
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
    return lines ? lines->Values(name) : std::string();
}

void TMemIni::WriteString(std::string_view section, std::string_view name, std::string_view value) {
    TStringList& lines = AddSection(section);
    std::string line = std::string(name) + "=" + std::string(value);
    int i = lines.IndexOfName(name);
    if (i >= 0) lines.Put(i, line);
    else lines.Add(line);
}

void TMemIni::ReadSectionValues(std::string_view section, TStringList& strings) const {
    // Copied first: Strings may be the section's own list.
    std::vector<std::string> copy;
    if (TStringList* lines = SectionLines(section)) copy = lines->Strings();
    strings.Clear();
    for (const std::string& s : copy) strings.Add(s);
}

}  // namespace velt

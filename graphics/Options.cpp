#include "graphics/Options.h"

#include <cerrno>
#include <charconv>
#include <sys/stat.h>

#include "foundation/SysUtils.h"
#include "platform/registry/AtomicFile.h"

namespace velt::Options {

namespace {

std::unique_ptr<TOptionsStore> gStore;
int gUsers = 0;

// The file as text lines; a missing file reads as empty, other file errors
// pass through.
std::unique_ptr<TMemIni> ReadIni(const std::string& fileName) {
    auto ini = std::make_unique<TMemIni>();
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0 && errno == ENOENT) return ini;  // a fresh installation
    ini->LoadFromFile(fileName);
    return ini;
}

// The line of the section that holds ident, or -1. People write "C17 = 5"
// by hand, as the platform's INI file reads it: blanks around the key do
// not count here (TMemIni keeps its lines as they are).
int KeyLine(const TMemIni& ini, std::string_view section, std::string_view ident) {
    const TStringList* lines = ini.SectionLines(section);
    if (!lines) return -1;
    const std::string key = Trim(ident);
    for (int i = 0; i < lines->Count(); ++i) {
        const std::string& line = (*lines)[i];
        const size_t eq = line.find('=');
        if (eq != std::string::npos && SameText(Trim(std::string_view(line).substr(0, eq)), key)) return i;
    }
    return -1;
}

// Replaces the key's line, however it was spaced, or adds one.
void PutValue(TMemIni& ini, std::string_view section, std::string_view ident, std::string_view value) {
    const int i = KeyLine(ini, section, ident);
    if (i < 0) {
        ini.WriteString(section, ident, value);  // refuses what the file cannot hold
        return;
    }
    TMemIni probe;
    probe.WriteString(section, ident, value);  // the same refusals, before anything changes
    ini.SectionLines(section)->Put(i, std::string(ident) + "=" + std::string(value));
}

}  // namespace

TOptionValue::TOptionValue(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    text_.assign(buf, r.ptr);
}

TOptionsStore::TOptionsStore(std::string fileName) : fileName_(std::move(fileName)), ini_(ReadIni(fileName_)) {}

TOptionsStore::TOptionsStore(std::string fileName, std::string_view text)
    : fileName_(std::move(fileName)), ini_(std::make_unique<TMemIni>()) {
    ini_->AppendFromText(text);
}

std::string TOptionsStore::ReadValue(std::string_view section, std::string_view ident) const {
    return ReadValueDef(section, ident, std::string_view());
}

std::string TOptionsStore::ReadValueDef(std::string_view section, std::string_view ident,
                                        const TOptionValue& def) const {
    const int i = KeyLine(*ini_, section, ident);
    if (i < 0) return def.Text();
    const std::string& line = (*ini_->SectionLines(section))[i];
    return Trim(std::string_view(line).substr(line.find('=') + 1));
}

void TOptionsStore::WriteValue(std::string_view section, std::string_view ident, const TOptionValue& value) {
    PutValue(*ini_, section, ident, value.Text());
    Changed(TChange{false, std::string(section), std::string(ident), value.Text()});
}

void TOptionsStore::EraseSection(std::string_view section) {
    // Erased from the file even when this store has not seen the section.
    ini_->EraseSection(section);
    Changed(TChange{true, std::string(section), {}, {}});
}

void TOptionsStore::ReadSection(std::string_view section, TStringList& strings) const {
    TStringList lines;
    ini_->ReadSectionValues(section, lines);
    strings.Clear();
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string& line = lines[i];
        const size_t eq = line.find('=');
        if (eq == std::string::npos || line[0] == ';') continue;
        std::string key = Trim(std::string_view(line).substr(0, eq));
        if (!key.empty()) strings.Add(std::move(key));
    }
}

void TOptionsStore::Changed(TChange change) {
    if (fileName_.empty()) return;  // nothing to save them to
    changes_.push_back(std::move(change));
    if (updating_ == 0) UpdateFile();
}

void TOptionsStore::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0 && Modified()) UpdateFile();
}

void TOptionsStore::UpdateFile() {
    if (changes_.empty() || fileName_.empty()) return;
    TFileLock lock(fileName_);
    if (!lock.Locked()) throw EFCreateError("Cannot lock file \"" + fileName_ + "\"");
    std::unique_ptr<TMemIni> fresh = ReadIni(fileName_);
    const std::string before = fresh->IniText();
    for (const TChange& c : changes_) {
        if (c.Erase) fresh->EraseSection(c.Section);
        else PutValue(*fresh, c.Section, c.Ident, c.Value);
    }
    if (fresh->IniText() != before) fresh->SaveToFile(fileName_);
    ini_ = std::move(fresh);
    changes_.clear();
}

void OptionsStartup(const std::string& iniName) {
    if (gUsers == 0) gStore = std::make_unique<TOptionsStore>(iniName);
    ++gUsers;
}

void OptionsShutdown() {
    if (gUsers == 0) return;
    if (--gUsers == 0) gStore.reset();
}

bool OptionsStarted() { return gStore != nullptr; }

TOptionsStore& Store() {
    if (!gStore) throw Exception("Options are not started");
    return *gStore;
}

std::string ReadValue(std::string_view section, std::string_view ident) { return Store().ReadValue(section, ident); }

std::string ReadValueDef(std::string_view section, std::string_view ident, const TOptionValue& def) {
    return Store().ReadValueDef(section, ident, def);
}

void WriteValue(std::string_view section, std::string_view ident, const TOptionValue& value) {
    Store().WriteValue(section, ident, value);
}

void EraseSection(std::string_view section) { Store().EraseSection(section); }

void ReadSection(std::string_view section, TStringList& strings) { Store().ReadSection(section, strings); }

}  // namespace velt::Options

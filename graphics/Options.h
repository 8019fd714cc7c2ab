#pragma once
// The value store over the program's INI file ("<program name>.INI" in
// RootDir; see grStr GetIniName). Values travel as text.
//
// The store is started and stopped by explicit calls from the program's or
// package's entry points (never by a static constructor): OptionsStartup
// loads the file, OptionsShutdown lets it go. Calls are counted, so that
// several modules may start it and the last stop frees it. Every change is
// written at once, unless a BeginUpdate holds the writes back until the
// matching EndUpdate.
//
// Other programs (another instance, the user's editor) may change the file
// while this one runs: a save takes the file's lock, reads it afresh, puts
// only the changes made since the last save over it and replaces it
// atomically (temporary file, then rename; a symbolic link stays a link).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/MemIni.h"
#include "graphics/grStr.h"

namespace velt::Options {

// A value as the store keeps it: text, or a number converted to text.
class TOptionValue {
public:
    TOptionValue(std::string_view text) : text_(text) {}    // NOLINT: values convert implicitly
    TOptionValue(const char* text) : text_(text ? text : "") {}  // NOLINT
    TOptionValue(const std::string& text) : text_(text) {}  // NOLINT
    TOptionValue(int32_t v) : text_(std::to_string(v)) {}    // NOLINT
    TOptionValue(int64_t v) : text_(std::to_string(v)) {}    // NOLINT
    TOptionValue(double v);                                   // NOLINT: the shortest exact text
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

class TOptionsStore {
public:
    // Loads fileName; a missing file reads as empty, other file errors pass
    // through.
    explicit TOptionsStore(std::string fileName);
    // A store over text that is never written (fileName empty) or whose
    // changes are saved into fileName as those of a loaded store are.
    TOptionsStore(std::string fileName, std::string_view text);

    const std::string& FileName() const { return fileName_; }
    // What this store knows: the file as read or last saved, with the
    // changes since.
    const TMemIni& Ini() const { return *ini_; }

    // Key names and values are read without the blanks around them
    // ("C17 = 65280"), and a write replaces such a line.
    // The stored text; empty when absent.
    std::string ReadValue(std::string_view section, std::string_view ident) const;
    // The stored text, or def when the key is absent.
    std::string ReadValueDef(std::string_view section, std::string_view ident, const TOptionValue& def) const;
    // What the file cannot hold (a line break, "]" in a section name, "=" in
    // a key) raises Exception and changes nothing.
    void WriteValue(std::string_view section, std::string_view ident, const TOptionValue& value);
    void EraseSection(std::string_view section);
    // Empties strings, then fills it with the key names of the section.
    void ReadSection(std::string_view section, TStringList& strings) const;

    void BeginUpdate() { ++updating_; }
    // The last EndUpdate writes what changed meanwhile.
    void EndUpdate();
    // Saves the changes now when there are any: under the file's lock, over
    // a fresh read of the file, which this store then holds. The file is
    // left untouched when they change nothing in it. File errors pass
    // through; the changes stay in memory, to be saved by the next call.
    void UpdateFile();
    bool Modified() const { return !changes_.empty(); }

private:
    // One change, to be put again over a fresh read of the file.
    struct TChange {
        bool Erase = false;  // the section; else Ident := Value
        std::string Section, Ident, Value;
    };
    void Changed(TChange change);
    std::string fileName_;
    std::unique_ptr<TMemIni> ini_;
    std::vector<TChange> changes_;
    int updating_ = 0;
};

// Opens the store on iniName (the first call), or counts one more user.
void OptionsStartup(const std::string& iniName = GetIniName());
// One user less; the last one frees the store. Never raises.
void OptionsShutdown();
bool OptionsStarted();
// The running program's store; Exception "Options are not started" before
// OptionsStartup.
TOptionsStore& Store();

// The routines of the unit, on the running program's store.
std::string ReadValue(std::string_view section, std::string_view ident);
std::string ReadValueDef(std::string_view section, std::string_view ident, const TOptionValue& def);
void WriteValue(std::string_view section, std::string_view ident, const TOptionValue& value);
void EraseSection(std::string_view section);
void ReadSection(std::string_view section, TStringList& strings);

// Exported and read by nothing.
inline bool Changed = true;

}  // namespace velt::Options

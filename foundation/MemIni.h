#pragma once
// A whole INI-style file held in memory: a sorted, case-insensitive list of
// section names, each owning the verbatim lines of its body in file order.
// It is read in one pass, queried and changed in memory, written in one pass.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "foundation/Classes.h"

namespace velt {

class TMemIni : public TStringList {
public:
    TMemIni();
    ~TMemIni() override;
    TMemIni(const TMemIni&) = delete;
    TMemIni& operator=(const TMemIni&) = delete;
    std::string ClassName() const override { return "TMemIni"; }

    // Frees every section and the lines that came before the first header.
    void Clear() override;
    // Removes the section and its lines; nothing when it is absent.
    void EraseSection(std::string_view section);

    // Clear, then AppendFromFile.
    void LoadFromFile(const std::string& fileName);
    // Merges the file into the store: a "[name]" line makes that section
    // current (again, when it exists), every other line is appended verbatim
    // to the current section. Lines before the first header are kept apart
    // and written first on save. Accepts CR LF, LF or CR line ends. Raises
    // EFOpenError, leaving the store unchanged, when the file cannot be read.
    void AppendFromFile(const std::string& fileName);
    // The same merge from text already in memory.
    void AppendFromText(std::string_view text);
    // Every section in sorted order as "[name]" and its lines, CR LF line
    // ends, through a temporary file renamed over the target.
    void SaveToFile(const std::string& fileName) const;
    // The text SaveToFile writes.
    std::string IniText() const;

    // Default when the section is absent; else the value of Name there, or
    // an empty string when the section has no such name.
    std::string ReadString(std::string_view section, std::string_view name, std::string_view def) const;
    // Adds the section when absent; replaces the first line named Name by
    // Name=Value, or appends that line. Raises Exception, changing nothing,
    // for what the file cannot hold: CR or LF anywhere, "]" in the section
    // name, "=" in the key name or "[" at its start.
    void WriteString(std::string_view section, std::string_view name, std::string_view value);
    // Empties Strings, then copies the section's lines into it.
    void ReadSectionValues(std::string_view section, TStringList& strings) const;

    // The lines of a section, or null when it is absent.
    TStringList* SectionLines(std::string_view section) const;
    // Lines that came before the first section header.
    const TStringList& Preamble() const { return preamble_; }

private:
    TStringList& AddSection(std::string_view section);
    // The lines of section i, created when it has none yet.
    TStringList& LinesAt(int i);
    // The first line of lines whose text before "=" is name (ASCII case
    // ignored), else -1: IndexOfName through a hashed index of the section,
    // kept for the lines' version and made again when they changed.
    int IndexOfKey(const TStringList& lines, std::string_view name) const;
    struct TKeyIndex {
        uint64_t Version = 0;
        std::unordered_map<std::string, int> First;  // lower-case key
    };
    TKeyIndex& KeyIndex(const TStringList& lines) const;
    TStringList preamble_;
    // By section list; a list's version is never reused, so an entry left by
    // a freed list is never taken for the list that follows it.
    mutable std::unordered_map<const TStringList*, TKeyIndex> keys_;
    mutable std::mutex keysLock_;
};

}  // namespace velt

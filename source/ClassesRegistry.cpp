#include "source/ClassesRegistry.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "forth/Forth.h"
#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "foundation/StrUtils.h"
#include "source/SourceCode.h"

namespace velt {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kClassesSuffix = ".Classes";

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool EndsWithText(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && SameText(s.substr(s.size() - suffix.size()), suffix);
}

void ConsoleLine(const std::string& line) { GetMessageSink().Line(line); }

// The value of the first line "className=..." of a ".Classes" section, and
// the unit that section belongs to.
bool FindEntry(const TMemIni& ini, std::string_view className, std::string* unitName, std::string* value,
               bool needSource) {
    if (className.empty()) return false;
    const std::string prefix = std::string(className) + "=";
    for (int i = 0; i < ini.Count(); ++i) {
        const std::string& section = ini[i];
        if (!EndsWithText(section, kClassesSuffix)) continue;
        TStringList* lines = ini.SectionLines(section);
        if (!lines) continue;
        for (const std::string& line : lines->Strings()) {
            if (!isPrefix(prefix, line)) continue;
            std::string unit = section.substr(0, section.size() - kClassesSuffix.size());
            if (needSource && ini.ReadString(unit, "Source", "").empty()) break;
            if (unitName) *unitName = std::move(unit);
            if (value) *value = Trim(std::string_view(line).substr(prefix.size()));
            return true;
        }
    }
    return false;
}

}  // namespace

// ---- file -----------------------------------------------------------------------

void TClassesRegistry::Load() {
    std::error_code ec;
    if (FileName.empty() || !fs::exists(FileName, ec)) {
        ini_.Clear();
        return;
    }
    if (!fs::is_regular_file(FileName, ec)) throw EFOpenError("Cannot open file " + FileName);
    // Read first: a failing read leaves the registry as it was.
    LoadFromText(ReadWholeFile(FileName));
}

void TClassesRegistry::LoadFromText(std::string_view text) {
    ini_.Clear();
    ini_.AppendFromText(text);
}

void TClassesRegistry::Save() const {
    if (FileName.empty()) throw EFCreateError("No file name is set for the Classes Registry");
    ini_.SaveToFile(FileName);
}

// ---- names ----------------------------------------------------------------------

std::string TClassesRegistry::UnitNameOf(std::string_view file) { return ChangeFileExt(ExtractFileName(file), ""); }

std::string TClassesRegistry::CheckUnitFile(std::string_view file) {
    if (HasLineBreak(file)) return "the file name holds a line break";
    const std::string unit = UnitNameOf(file);
    if (unit.empty()) return "the unit name is empty";
    if (unit.find(']') != std::string::npos) return "the unit name holds \"]\"";
    if (EndsWithText(unit, kClassesSuffix)) return "the unit name ends in \".Classes\"";
    return {};
}

std::string TClassesRegistry::CheckClassEntry(std::string_view className, std::string_view ancestor) {
    if (className.empty()) return "the class name is empty";
    if (className[0] == '[') return "the class name starts with \"[\"";
    if (className.find('=') != std::string_view::npos) return "the class name holds \"=\"";
    if (HasLineBreak(className)) return "the class name holds a line break";
    if (HasLineBreak(ancestor)) return "the ancestor name holds a line break";
    return {};
}

// ---- entries --------------------------------------------------------------------

void TClassesRegistry::RegisterUnit(const std::string& file) {
    const std::string why = CheckUnitFile(file);
    if (!why.empty()) throw EClassesRegistry("Cannot register " + file + ": " + why);
    ini_.WriteString(UnitNameOf(file), "Source", file);
}

void TClassesRegistry::RegisterClass(const std::string& file, const std::string& className,
                                     const std::string& ancestor) {
    std::string why = CheckUnitFile(file);
    if (why.empty()) why = CheckClassEntry(className, ancestor);
    if (!why.empty()) throw EClassesRegistry("Cannot register " + className + " of " + file + ": " + why);
    ini_.WriteString(UnitNameOf(file) + std::string(kClassesSuffix), className, ancestor);
}

void TClassesRegistry::EraseUnit(const std::string& file) {
    const std::string unit = UnitNameOf(file);
    ini_.EraseSection(unit);
    ini_.EraseSection(unit + std::string(kClassesSuffix));
}

bool TClassesRegistry::FindClassSource(std::string_view className, std::string& fileName) const {
    std::string unit;
    if (!FindEntry(ini_, className, &unit, nullptr, true)) return false;
    fileName = ini_.ReadString(unit, "Source", "");
    return true;
}

bool TClassesRegistry::FindClassUnit(std::string_view className, std::string& unitName) const {
    return FindEntry(ini_, className, &unitName, nullptr, false);
}

bool TClassesRegistry::FindAncestor(std::string_view className, std::string& ancestor) const {
    return FindEntry(ini_, className, nullptr, &ancestor, false);
}

std::vector<std::string> TClassesRegistry::Ancestors(std::string_view className) const {
    std::vector<std::string> chain;
    TAncestorWalk walk;
    walk.Enter(className);
    std::string current(className), ancestor;
    while (FindAncestor(current, ancestor) && walk.Enter(ancestor)) {
        chain.push_back(ancestor);
        current = ancestor;
    }
    return chain;
}

bool TAncestorWalk::Enter(std::string_view className) {
    if (className.empty()) return false;
    return seen_.insert(UpperCase(className)).second;
}

// ---- registering units -----------------------------------------------------------

void TClassesRegistry::InternalRegisterSource(TISourceCode& model, TForth& forth, const std::string& file) {
    ConsoleLine("Registering " + file);
    const std::string why = CheckUnitFile(file);
    if (!why.empty()) {
        ConsoleLine("Skipped " + file + ": " + why);
        return;
    }
    model.FileName = file;
    forth.PushString(file);
    forth.ExecWord("LoadFromIDEOrFile");
    TCell text;
    forth.Pop(text);
    model.SetLinesText(text.S);
    model.ValidateLines();

    EraseUnit(file);
    RegisterUnit(file);
    const int last = std::min(model.ImplEndLine, model.Lines->Count() - 1);
    for (int i = std::max(model.IntfLine, 0); i <= last; ++i) {
        const std::string& line = model.Lines->Get(i);
        std::string name;
        if (model.isValidClass(line, name) == ctkNone) continue;
        const std::string ancestor = model.ExtractClassAncestor(line);
        const std::string bad = CheckClassEntry(name, ancestor);
        if (!bad.empty()) {
            ConsoleLine("Skipped class " + name + ": " + bad);
            continue;
        }
        RegisterClass(file, name, ancestor);
    }
}

void TClassesRegistry::RegisterSource(TISourceCode& model, TForth& forth) {
    TStringList savedLines;
    savedLines.Assign(model.Lines.get());
    const std::string savedFile = model.FileName;
    const bool savedModified = model.GetModified();
    const int32_t savedLine = model.GetCursorLine(), savedCol = model.GetCursorCol();
    auto restore = [&] {
        model.Lines->Assign(&savedLines);
        model.FileName = savedFile;
        model.ValidateLines();
        model.SetModified(savedModified);
        model.SetCursorLine(model.LineInRange(savedLine));
        model.SetCursorCol(TIText::ColumnInRange(savedCol));
    };

    try {
        std::string mask = model.FileName;
        if (GetDialogPort().InputQuery("Register Source", "Enter files for registering:", mask)) {
            for (const std::string& file : FindFiles(mask)) {
                try {
                    InternalRegisterSource(model, forth, file);
                } catch (const std::exception& e) {
                    ConsoleLine(std::string("An ") + e.what() + " occurred during registering.");
                }
            }
        }
        ConsoleLine("Done.");
        Save();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

std::vector<std::string> TClassesRegistry::FindFiles(std::string_view mask) {
    std::string folder = ExtractFilePath(mask);
    const std::string pattern = ExtractFileName(mask);
    std::vector<std::string> names;
    if (pattern.empty()) return names;

    std::error_code ec;
    std::string listed = folder.empty() ? std::string(".") : folder;
    if (!fs::is_directory(listed, ec)) {
        // A folder written with "\" separators.
        std::string slashed = folder;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        if (slashed.empty() || !fs::is_directory(slashed, ec)) return names;
        folder = listed = slashed;
    }
    fs::directory_iterator it(listed, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;  // hidden files are not plain files
        std::error_code fec;
        if (!it->is_regular_file(fec)) continue;
        if (Like(pattern, name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (std::string& n : names) n = folder + n;
    return names;
}

// ---- words --------------------------------------------------------------------------

void TClassesRegistry::RegisterUnit(TForth& Sender) {
    TCell file;
    Sender.Pop(file);
    RegisterUnit(file.S);
}

void TClassesRegistry::RegisterClass(TForth& Sender) {
    TCell ancestor, className, file;
    Sender.Pop(ancestor);
    Sender.Pop(className);
    Sender.Pop(file);
    RegisterClass(file.S, className.S, ancestor.S);
}

}  // namespace velt

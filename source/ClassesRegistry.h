#pragma once
// The Classes Registry: an INI file that maps every registered unit to its
// source file and every class to its unit and ancestor, so that jumps can
// cross units.
//
//   [Unit1]                 <- unit name: file name without folder and extension
//   Source=/src/Unit1.pas   <- the file as registered
//   [Unit1.Classes]
//   TFoo=TBar               <- class = ancestor ("TObject" when none is written)
//
// The source object (TIHyperSourceCode) owns one TClassesRegistry and
// publishes its words as thin delegations:
//
//   void TIHyperSourceCode::RegisterUnit(TForth& Sender)   { ClassesRegistry.RegisterUnit(Sender); }
//   void TIHyperSourceCode::RegisterClass(TForth& Sender)  { ClassesRegistry.RegisterClass(Sender); }
//   void TIHyperSourceCode::RegisterSource(TForth& Sender) { ClassesRegistry.RegisterSource(*this, Sender); }
//
// and asks it in FindClassSource once the current unit does not declare the
// class (FindClassSource below is only the registry search). The host sets
// FileName ("ClassesRegistryFileName"), calls Load at start-up and hands
// InternalRegisterSource the paths of "ReRegister All Source".
//
// Names that would not survive a save and reload of the INI text are
// refused: a unit whose name is empty, holds "]" or a line break, or ends in
// ".Classes"; a class name that is empty, starts with "[" or holds "=" or a
// line break; a file or ancestor holding a line break. The words raise
// EClassesRegistry for them; registering a whole unit skips it with a
// console line instead.
//
// Ancestor walks (Ancestors, TAncestorWalk) stop when a class comes round
// again, so a registry or a source with a cycle never hangs them.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/MemIni.h"
#include "foundation/SysUtils.h"

namespace velt {

class TForth;
class TISourceCode;

// A name the Classes Registry cannot store.
class EClassesRegistry : public Exception {
    using Exception::Exception;
};

class TClassesRegistry : public TObject {
public:
    std::string ClassName() const override { return "TClassesRegistry"; }

    // The file Load and Save use.
    std::string FileName;

    // The store itself (sections in sorted order), for the project tree and
    // the re-registration of every unit.
    TMemIni& Ini() { return ini_; }
    const TMemIni& Ini() const { return ini_; }

    // Replaces the store with the file; a missing file (or no file name)
    // gives an empty registry. Other read failures raise EFOpenError.
    void Load();
    // Replaces the store with INI text.
    void LoadFromText(std::string_view text);
    // Writes the store to FileName through a temporary file renamed over it.
    // EFCreateError when no file name is set.
    void Save() const;

    // The unit name of a file: without folder ("/" or "\") and extension.
    static std::string UnitNameOf(std::string_view file);
    // Why the unit of file cannot be registered, or "" when it can.
    static std::string CheckUnitFile(std::string_view file);
    // Why the entry class = ancestor cannot be stored, or "" when it can.
    static std::string CheckClassEntry(std::string_view className, std::string_view ancestor);

    // "Source" = file in the unit's section.
    void RegisterUnit(const std::string& file);
    // className = ancestor in the section unit + ".Classes".
    void RegisterClass(const std::string& file, const std::string& className, const std::string& ancestor);
    // Erases both sections of the unit of file.
    void EraseUnit(const std::string& file);

    // The registry search: in each section whose name ends in ".Classes", the
    // first line starting with className + "=" (ASCII case ignored) names
    // the unit, whose "Source" is the file. Sections without a "Source" are
    // passed over.
    bool FindClassSource(std::string_view className, std::string& fileName) const;
    // The unit a class is registered in.
    bool FindClassUnit(std::string_view className, std::string& unitName) const;
    // The registered ancestor of a class (trimmed; may be empty for TObject).
    bool FindAncestor(std::string_view className, std::string& ancestor) const;
    // The chain of registered ancestors of className, nearest first, ending
    // at a class without a registered ancestor or before a class that came
    // round already (a cycle).
    std::vector<std::string> Ancestors(std::string_view className) const;

    // Registers one unit with the source model: console line "Registering "
    // + file; model.FileName := file; the text from the host word
    // "LoadFromIDEOrFile" of forth; ValidateLines; both sections of the unit
    // erased; RegisterUnit; every class header from IntfLine to ImplEndLine
    // registered with the ancestor of its header. A unit whose name cannot
    // be stored is skipped with a console line. Load failures propagate.
    void InternalRegisterSource(TISourceCode& model, TForth& forth, const std::string& file);
    // The word: asks "Register Source" / "Enter files for registering:"
    // (preset to model.FileName) through the dialog port; registers every
    // plain file matching the mask (sorted by name); a failing file writes
    // "An <message> occurred during registering." and the next follows;
    // "Done."; Save; then the model's lines, FileName, Modified flag and
    // cursor are restored (also when the save fails).
    void RegisterSource(TISourceCode& model, TForth& forth);

    // The files of a mask "folder/pattern" ("\" separates too; no folder is
    // the current one): folder as written + name for every plain,
    // not hidden file whose name matches the pattern (Like), sorted by name.
    static std::vector<std::string> FindFiles(std::string_view mask);

    // Words: ( file -- ) and ( file class ancestor -- ).
    void RegisterUnit(TForth& Sender);
    void RegisterClass(TForth& Sender);

private:
    TMemIni ini_;
};

// Guards a walk up a chain of ancestors: Enter answers false for an empty
// name and for a name (ASCII case ignored) entered before.
class TAncestorWalk {
public:
    bool Enter(std::string_view className);

private:
    std::set<std::string> seen_;
};

}  // namespace velt

#pragma once
// Code templates: text snippets expanded at the cursor, read from "velt.dci"
// in the folder named by the settings value "RootDir".
//
// The file is INI text, read only. Each section is one template: the section
// name is the template's name, a "|" and a description; its lines are the
// text. In the text a "|" marks where the cursor goes after expansion, and
// "(**" opens embedded Forth that runs, through the interpreter, up to "**)":
//
//   [be|begin end block]
//   begin
//     |
//   end; (** " { generated }" SourceCode :: Text .! **)
//
// expands, at column 5, to "begin", "      " (caret after the blanks) and
// "    end; { generated }"; the embedded words write into the buffer through
// the source object's properties and words.
//
// The source object (TIHyperSourceCode) publishes the words as thin
// delegations, with the file name taken from its product key:
//
//   void TIHyperSourceCode::ExecCodeTemplate(TForth& Sender) {
//       velt::ExecCodeTemplate(*this, Sender, CodeTemplateFileName(ProductKey));
//   }
//   void TIHyperSourceCode::ForthCodeTemplates(TForth& Sender) {
//       velt::ForthCodeTemplates(*this, Sender, CodeTemplateFileName(ProductKey));
//   }
//
// An embedded run borrows the interpreter's Text and Pos and gives them back
// afterwards, also when the run fails (the error still propagates, with the
// text written so far left in the buffer), so the command file's words stay
// runnable.

#include <string>
#include <string_view>
#include <vector>

#include "foundation/Dialogs.h"
#include "foundation/MemIni.h"

namespace velt {

class TForth;
class TIText;
class TKey;
class TStringList;

// The folder the templates come from when the settings hold no "RootDir".
inline constexpr const char* kDefaultRootDir = "h:\\varno\\rvelt";

// "velt.dci" in the folder named by key's "RootDir" (default kDefaultRootDir;
// no key or an empty value counts as the default), the fixed Windows folders
// mapped under the installation folder (foundation/RootDir.h).
std::string CodeTemplateFileName(TKey* key);

class TCodeTemplates {
public:
    // Replaces the templates with the file; EFOpenError when it cannot be read.
    void LoadFromFile(const std::string& fileName);
    void LoadFromText(std::string_view text);
    const TMemIni& Ini() const { return ini_; }

    // The name of a section (cut before "|", trimmed) and its description
    // (after the first "|", trimmed).
    static std::string TemplateName(std::string_view section);
    static std::string TemplateDescription(std::string_view section);

    // The lines of the first section (in sorted order) whose template name
    // equals name, ASCII case ignored; null when there is none.
    const TStringList* Find(std::string_view name) const;
    // One row per section, sorted by name (ASCII case ignored, stable).
    std::vector<TTemplateItem> Items() const;

    // Writes the template lines at the cursor of text: Margin := CursorCol
    // - 1; per line, text is written with OutText, "(** ... **)" runs
    // through forth, a "|" records the caret (the last one wins), and mCRLF
    // ends the line; then the cursor goes to the caret, if any. Errors of
    // an embedded run propagate.
    static void Expand(const TStringList& lines, TIText& text, TForth& forth);

private:
    TMemIni ini_;
};

// The word ExecCodeTemplate ( name -- ): pops and trims the name, loads the
// file, finds the template (EForth "Code template %s not found") and expands
// it at the cursor of text.
void ExecCodeTemplate(TIText& text, TForth& forth, const std::string& templateFile);
// The word ForthCodeTemplates ( -- ): loads the file, lets the user choose a
// row through the dialog port's template chooser and, for a choice, pushes
// its name and runs ExecCodeTemplate.
void ForthCodeTemplates(TIText& text, TForth& forth, const std::string& templateFile);

}  // namespace velt

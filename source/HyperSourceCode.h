#pragma once
// TIHyperSourceCode: the source object the host registers with the
// interpreter as "SourceCode". Its words are the navigation and generation
// commands bound to menu items and hotkeys: HyperJump (declaration <->
// implementation, property -> field and accessors, field -> property, type ->
// pointer type, creating what is missing), the Goto words, DeclareVar, undo
// and redo over the places jumps left, header refresh, and the Classes
// Registry and code-template words.
//
// Places (TLinkInfo) are stored relative to an anchor line that is found
// again when the place is replayed: the method's implementation header for a
// place with a method name, the class header for a place with only a class
// name, line 0 otherwise. PushUndo and WriteHyperJump compute that anchor
// themselves, so a place always replays against the line it was measured
// from; a place whose anchor has gone leaves the cursor where it is (kept
// inside the text).
//
// Other units (a place in another file, GotoClass, the "inherited" walk, the
// ancestors of a property's class) are read through the host word
// "LoadFromIDEOrFile": an open editor's unsaved text is what the model sees,
// and what a later write-back compares with. Unit switches refuse with
// EInvalidAction while the current unit is Modified: its changes exist only
// in this model, and replacing the lines would drop them without a word. The
// model is left as it was, so the host still holds the changed text; the
// user saves, then jumps again.
//
// Line indices are 0-based, columns 1-based (TopLine / CursorLine,
// TopCol / CursorCol).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "source/ClassesRegistry.h"
#include "source/Navigation.h"
#include "source/SourceCode.h"

namespace velt {

class TForth;
class TKey;

class TIHyperSourceCode : public TISourceCode {
public:
    VELT_FORTH_CLASS(TIHyperSourceCode)

    TIHyperSourceCode();
    ~TIHyperSourceCode() override;
    std::string ClassName() const override { return "TIHyperSourceCode"; }

    // ---- published properties -------------------------------------------------
    // TopLine and TopCol (the first visible line and column of the editor
    // view) go through SetTopLine / SetTopCol.
    std::unique_ptr<THyperJumpList> HyperJumps;  // the remembered place of every method visited
    std::unique_ptr<THyperJumpStack> RedoStack;  // places undone
    std::unique_ptr<THyperJumpStack> UndoStack;  // places left by jumps
    bool ConfirmAutoCreate = true;  // ask before generating code
    bool AutoRefreshHeader = true;  // compare headers on jumps, offer accessor renames
    TForth* Forth = nullptr;        // not owned; loads other units ("LoadFromIDEOrFile")

    // The view setters behind the published TopLine and TopCol refuse
    // negative or absurd values with ERangeError, as the cursor setters do:
    // places are measured from them.
    void SetTopLine(int32_t v);
    void SetTopCol(int32_t v);
    int32_t GetTopLine() const { return TopLine; }
    int32_t GetTopCol() const { return TopCol; }

    // ---- set by the host ------------------------------------------------------
    // Unit -> file and class -> ancestor; its FileName is the host's
    // "ClassesRegistryFileName".
    TClassesRegistry ClassesRegistry;
    // The product key that holds "RootDir" (not owned; may be null).
    TKey* ProductKey = nullptr;

    // ---- words (Forth) ----------------------------------------------------------
    void HyperJump(TForth& Sender);          // ( -- )
    void DeclareVar(TForth& Sender);         // ( name type flag -- )
    void GotoIntf(TForth& Sender);           // ( -- )
    void GotoImpl(TForth& Sender);           // ( -- )
    void GotoImplEnd(TForth& Sender);        // ( -- )
    void GotoClass(TForth& Sender);          // ( class -- )
    void GotoMethod(TForth& Sender);         // ( name -- )
    void GetIdentOnCursor(TForth& Sender);   // ( -- ident )
    void JumpBackward(TForth& Sender);       // ( -- )
    void JumpForward(TForth& Sender);        // ( -- )
    void PopUndo(TForth& Sender);            // ( -- )
    void DropUndo(TForth& Sender);           // ( -- )
    void PopRedo(TForth& Sender);            // ( -- )
    void RefreshHeader(TForth& Sender);      // ( -- )
    void RegisterUnit(TForth& Sender);       // ( file -- )
    void RegisterClass(TForth& Sender);      // ( file class ancestor -- )
    void RegisterSource(TForth& Sender);     // ( -- )
    void ExecCodeTemplate(TForth& Sender);   // ( name -- )
    void ForthCodeTemplates(TForth& Sender); // ( -- )
    // The wizard for the class under the cursor (InheritanceWizard.h).
    void InheritanceWizard(TForth& Sender);  // ( -- )

    // ---- the same from code ---------------------------------------------------------
    // Does the one thing that fits the cursor line (see HyperJump.cpp).
    void HyperJump();
    // flag: leave the cursor on the type instead of returning to the user's line.
    void DeclareVar(const std::string& name, const std::string& type, bool flag);
    void GotoIntf();
    void GotoImpl();
    void GotoImplEnd();
    // EInvalidSourceCode "Class %s not found." when neither the unit nor the
    // Classes Registry knows the class.
    void GotoClass(const std::string& className);
    // Nothing unless name is an identifier; "inherited" walks the ancestors
    // of the current method's class across units.
    void GotoMethod(const std::string& name);
    std::string GetIdentOnCursor() const;
    void JumpBackward();
    void JumpForward();
    void PopUndo();
    void DropUndo();
    void PopRedo();
    void RefreshHeader();
    // Makes the two headers of a method agree through the header-refresh
    // dialog. A header that runs over several lines is refused with a
    // message (none when quiet) and nothing changes. True when a line changed.
    bool DoRefreshHeader(const std::string& className, const std::string& methodName, int implLine, int declLine,
                         bool quiet = false);

    // ---- places ---------------------------------------------------------------------
    // The view and cursor relative to anchorLine; names and file kept whole.
    TLinkInfo CreateHyperJump(const std::string& className, const std::string& methodName, int anchorLine) const;
    // Remembers the current place of (class, method) in HyperJumps.
    void WriteHyperJump(const std::string& className, const std::string& methodName);
    // Pushes the current place on UndoStack.
    void PushUndo(const std::string& className, const std::string& methodName);
    // Goes to the remembered place of (class, method) in this file, else to
    // line and then to its "begin".
    void ReadHyperJump(const std::string& className, const std::string& methodName, int line);
    // Loads the place's unit when it is another one, then restores the view
    // and cursor against the place's anchor.
    void GotoHyperJump(const TLinkInfo& place);
    // The view and cursor of a place of this unit against its anchor line
    // (AnchorLine's answer; none leaves them).
    void GotoPlace(const TLinkInfo& place, int anchor);
    // The line a place of (class, method) is measured from, or -1 when it
    // is not in the unit.
    int AnchorLine(const std::string& className, const std::string& methodName) const;
    // Top to the section line; cursor on the ";" ending its uses clause.
    void GotoEndUses(int sectionLine);
    // The current file when the unit declares the class, else the Classes
    // Registry's answer.
    bool FindClassSource(const std::string& className, std::string& fileName) const;
    // Loads text as the unit; cursor on its "unit" line.
    void DoDocumentar(const std::string& text);

    // Walking up from line: the nearest class, object or interface header
    // (bare "= interface" and "= dispinterface" headers included) whose body
    // reaches the line. kind is the isValidClass kind. A class nested in
    // another is named with its outer classes, as its methods are
    // implemented: "TOuter.TInner". A line in the body of a record (nested
    // in a class or not) has none.
    bool FindEnclosingClass(int line, std::string& className, int& headerLine, int& kind) const;
    // isValidClass, plus bare interface headers (kind 3).
    int ClassHeaderKind(std::string_view line, std::string& name) const;

private:
    friend class THyperRunGuard;
    // The interpreter that loads other units: Forth, else the running word's.
    TForth& Interpreter() const;
    // Refuses to replace the lines of a Modified unit with another file.
    void CheckLeaveUnit(const std::string& otherFile) const;
    // Replaces the unit with another one read through ReadUnit (refused
    // while the current one is Modified).
    void LoadUnit(const std::string& fileName);
    // ValidateLines keeping the Modified flag.
    void Revalidate();
    // Inserts a line at index at; every tracked line index at or below it
    // moves down, and so does a top line below it.
    void InsertLineAt(int at, const std::string& text, std::initializer_list<int*> track = {});
    // The view and cursor to these values moved inside the text (lines) and
    // to columns 1..MaxCursorCol.
    void MoveView(int64_t topLine, int64_t topCol, int64_t line, int64_t col);
    void ClampView() { MoveView(TopLine, TopCol, GetCursorLine(), GetCursorCol()); }
    // View and cursor to column 1 of line.
    void ShowLine(int32_t line);
    // WriteHyperJump and PushUndo of the same place, its anchor found once.
    void RememberAndPush(const std::string& className, const std::string& methodName);
    // The place to push against anchor (AnchorLine's answer).
    TLinkInfo UndoPlace(const std::string& className, const std::string& methodName, int anchor) const;
    bool HasPrefix(std::string_view prefix, std::string_view s) const;
    // Cursor and view to line when it is a class or routine header.
    bool MoveToHeader(int line);
    bool IsSingleLineHeader(int line) const;
    // "TOuter." (and further out) for a class header in another class's
    // body, "" for a class at unit level.
    std::string OuterClasses(int headerLine, int low) const;

    // HyperJump steps.
    void JumpInClass(const std::string& className, int headerLine, int kind);
    void JumpProperty(const std::string& className, int headerLine, int kind, int propLine);
    void JumpField(int headerLine, int fieldLine);
    void JumpMethodDecl(const std::string& className, int declLine, bool unitLevel);
    void JumpFromImpl();
    void JumpType(int typeLine);
    bool RenameAccessor(int propLine, const std::string& oldName, const std::string& newName);
    // Whether accessor is a plain name and the property has a type to
    // declare it with; says why not otherwise.
    bool PlainAccessor(const TPropertyInfo& p, const std::string& accessor) const;
    // Whether an ancestor of the class at headerLine (in this unit, or in the
    // unit the Classes Registry names) declares a field or method name; says
    // so when it does.
    bool DeclaredByAncestor(int headerLine, const std::string& name);
    // The text of another unit as the host has it: the open editor's, else
    // the file's ("LoadFromIDEOrFile").
    std::string ReadUnit(const std::string& fileName);
    // Declares an accessor at the end of the protected part and, in a class,
    // creates its implementation with body.
    void CreateAccessor(const std::string& className, int headerLine, int kind, const std::string& decl,
                        const std::string& accessor, const std::string& body, int& propLine);
    bool FindMemberDecl(int headerLine, std::string_view name, int& line) const;
    // A field (comma lists included) or method of the class: its line and
    // the 1-based column of the declaration.
    bool FindMember(int headerLine, std::string_view name, int& line, int& col) const;
    bool FindMemberProperty(int headerLine, std::string_view name, int& line) const;
    // Indentation for a member inserted before line at, as written.
    std::string MemberIndent(int at, int headerLine) const;
    bool IsScopeWord(std::string_view line) const;
    int PrivateFieldPlace(int headerLine, bool& addPrivate, std::string& keywordIndent) const;
    bool WalkInherited(const std::string& className, const std::string& methodName);

    // How far an ancestor walk may go even without a cycle.
    static constexpr int kMaxAncestors = 256;
    TForth* running_ = nullptr;  // the interpreter of the word being run
    int32_t TopLine = 0;
    int32_t TopCol = 0;
};

}  // namespace velt

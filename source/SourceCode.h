#pragma once
// TISourceCode: the lines of one Object Pascal unit seen as the places the
// source commands need (section lines, classes, members, routines, types),
// and the writers of the code they generate (method implementations and
// declarations, properties).
//
// The line tests look at one whole line, so the source conventions are part
// of the contract: section keywords in column 1, a keyword at the start of
// its line, one declaration per line. Keywords match as whole words ("end"
// does not match "EndPos"), TAB counts as a blank, and every scan is bounded
// by the line count. The searches for the end of something (a routine, a
// declaration, a class body, a record, an enumeration, the comment above a
// routine) read the text through the Pascal scanner, so that comments,
// strings and asm blocks end nothing.
//
// Line indices are 0-based. Searches answer true and set `line` on success;
// on failure they leave `line` unchanged unless stated otherwise.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "source/IText.h"
#include "source/Navigation.h"
#include "source/PascalScanner.h"

namespace velt {

class TUnitIndex;

// The unit's text is not what a command expects (raised by the hyperjump
// words and the host).
class EInvalidSourceCode : public Exception {
    using Exception::Exception;
};
// A command cannot be carried out where it was asked for.
class EInvalidAction : public Exception {
    using Exception::Exception;
};

// What isValidProperty reads from a property line.
struct TPropertyInfo {
    std::string Name;
    std::string Index;  // the text inside "[" "]", without the brackets
    std::string Type;
    std::string Read;
    std::string Write;
};

// isValidClass results.
enum TClassKind { ctkNone = 0, ctkObject = 1, ctkClass = 2, ctkInterface = 3 };

class TISourceCode : public TIText {
public:
    VELT_FORTH_CLASS(TISourceCode)

    TISourceCode();
    ~TISourceCode() override;
    std::string ClassName() const override { return "TISourceCode"; }

    // ---- properties -------------------------------------------------------
    bool CaseSensitive = false;     // keyword tests compare case-sensitively
    int32_t IntfLine = 0;           // the "interface" line
    int32_t ImplLine = 0;           // the "implementation" line; 0 when none
    int32_t ImplEndLine = 0;        // "initialization"/"finalization", else EndLine
    int32_t EndLine = 0;            // the "end." line; the line count when none
    bool AdaNestingComments = false;  // generated implementations end with "end {Class.Method};"
    std::string MethodBody;         // put between "begin" and the end of generated implementations

    // Finds the section lines. Also a word ( -- ).
    void ValidateLines();
    void ValidateLines(TForth& Sender);

    // ---- line tests (never raise) -------------------------------------------
    // Whether line starts with prefix (case-sensitively with CaseSensitive,
    // else ignoring ASCII case). A prefix ending in an identifier character
    // matches only a whole word: "end" matches "end;", "end." and "end", not
    // "EndPos".
    bool izPrefix(std::string_view prefix, std::string_view line) const;
    // line starts with first and, after it and any blanks, with second.
    bool is2Prefix(std::string_view first, std::string_view second, std::string_view line) const;
    // A class, object or interface header: "Name = class...", without ";".
    int isValidClass(std::string_view line, std::string& name) const;
    // A type whose body may declare classes: a class or object header, or
    // "Name = [packed] record" opening a record body.
    bool isNestingType(std::string_view line, std::string& name) const;
    // A routine declaration: in a class an indented procedure, function,
    // constructor, destructor or class procedure/function; at unit level a
    // procedure or function in column 1.
    bool isValidMethodDecl(std::string_view line, std::string& name, bool inClass) const;
    // An implementation header in column 1: "procedure Name", "function
    // Name", or with a qualifier "Class.Name" also constructor, destructor,
    // class procedure / function. className is empty without a qualifier;
    // a nested class's method gives "TOuter.TInner".
    bool isValidMethodImpl(std::string_view line, std::string& className, std::string& methodName) const;
    bool isValidProperty(std::string_view line, TPropertyInfo& info) const;
    // A field "Name: Type;" or the first name of a list "A, B: Type;" (which
    // may run over the following lines).
    bool isValidField(int lineIndex, std::string& name, std::string& type) const;
    // A type declaration; text is the declaration (several lines joined by
    // "\r\n\par " for records, enumerations and procedural types).
    bool isValidType(int lineIndex, std::string& name, std::string& text) const;

    // ---- searches -------------------------------------------------------------
    // The header of the class; "TOuter.TInner" finds a class nested in another.
    bool FindClass(std::string_view className, int& line) const;
    bool FindMethodIntf(std::string_view className, std::string_view methodName, int& line) const;
    bool FindMethodImpl(std::string_view className, std::string_view methodName, int& line) const;
    bool FindProperty(std::string_view className, std::string_view propertyName, int& line) const;
    // A field of the class whose header is at headerLine, also one of a list
    // "FA, FB: Integer" (which may run over lines): its line and the 1-based
    // column of its name.
    bool FindField(int headerLine, std::string_view name, int& line, int& col) const;
    // The implementation of the declaration at declLine / the declaration of
    // the implementation at implLine. One declaration and one implementation
    // of a name match by name; where a name has several (overloads, or one
    // header twice under conditional compilation) they match by their
    // parameter types, in order, and a header without its like has no match.
    bool FindMatchingImpl(std::string_view className, int declLine, int& line) const;
    bool FindMatchingIntf(std::string_view className, int implLine, int& line) const;
    // From line up to ImplEndLine, the first line whose trimmed text starts
    // with word; fails at a line starting with "end".
    bool FindScope(std::string_view word, int& line) const;
    // Where the members of scope (0..3) end: the next later scope word, else
    // the "end;" of the class.
    bool FindEndOfScope(int scope, int& line) const;
    bool FindPrefix(std::string_view prefix, int& line) const;
    // Walking up from line: the nearest class header whose body (nested
    // types included) reaches the line gives its name and line.
    bool isInsideClass(std::string& className, int& line) const;
    // Walking up from line to the implementation: the first implementation
    // header gives the names and its line.
    bool isInsideMethodImpl(std::string& className, std::string& methodName, int& line) const;
    // Nearest implemented method declared before / after the given one
    // (names; empty when none). A missing class is reported to the user
    // ("Class %s not found") and answers false.
    bool FindMethodIntfNeighbours(std::string_view className, std::string_view methodName, std::string& before,
                                  std::string& after);
    // The same in implementation order, for methods that are declared.
    bool FindMethodImplNeighbours(std::string_view className, std::string_view methodName, std::string& before,
                                  std::string& after);
    // An empty placeholder: finds nothing.
    bool FindFieldNeighbours(std::string_view className, std::string_view fieldName, std::string& before,
                             std::string& after);
    // The line before which a new implementation goes.
    int LocateMethodImplPlace(std::string_view className, std::string_view methodName);
    // The line before which a new declaration goes (-1 when the class is not
    // found); sets Margin to the indentation it should get.
    int LocateMethodDeclPlace(std::string_view className, std::string_view methodName);
    // The last line of the routine whose implementation header is at
    // headerLine (its final "end"), or -1. Comments, strings and asm blocks
    // are read through the Pascal scanner.
    int FindRoutineEnd(int headerLine) const;
    // The last line of the declaration starting at line (past continuation
    // lines of an unclosed parameter or ancestor list).
    int FindDeclEnd(int line) const;
    // The line that ends the body of the class whose header is at line: the
    // first later line starting with "end" that does not close a nested
    // record or class type (the line count when none). A line that starts
    // inside a comment is no member line and ends nothing.
    int FindClassEnd(int headerLine) const;
    // Whether the unit has an "implementation" line. Without one,
    // CheckImplementationPart tells the user so and answers false.
    bool HasImplementationPart() const;
    bool CheckImplementationPart() const;

    // ---- unit and class lists -------------------------------------------------
    // Classes (kind 2, interfaces kind 1), unit-level routines (6) and types
    // (4) of the interface part.
    void ParseUnit(TUnitComponentList& list) const;
    // Members of a class: methods (3), properties (2), fields (1) with their
    // scope and declaration (a method's header joined when it runs over
    // lines). False when the class is not found.
    bool ParseClass(std::string_view className, TClassComponentList& list) const;
    void ParseClassAt(int headerLine, TClassComponentList& list) const;
    // Takes out (kind 0) every member of other whose kind and exact name list
    // also holds.
    void RefineClass(const TClassComponentList& list, TClassComponentList& other) const;
    // Keeps private/protected properties and virtual, dynamic or message
    // methods; takes out every other member.
    void RefineVirtualClass(TClassComponentList& list) const;

    // ---- extractors -------------------------------------------------------------
    std::string ExtractClassAncestors(std::string_view line) const;
    std::string ExtractClassAncestor(std::string_view line) const;
    std::string ExtractParams(std::string_view line) const;
    std::string ExtractRType(std::string_view line) const;
    std::string ExtractMethodDirective(std::string_view line) const;
    // The header without qualifier, name and trailing directives, e.g.
    // "function(A: Integer): Boolean;".
    std::string ExtractMethodHeader(std::string_view line) const;
    // The parameter names of a header as an argument list "(A, B)", or "".
    std::string ExtractParamNames(std::string_view line) const;
    // The last line of the routine header starting at line: past an
    // unclosed parameter list, and a result type or ";" on a line of its own.
    int HeaderEnd(int line) const;
    // The routine header starting at line as one line: its continuation
    // lines joined, its comments left out.
    std::string HeaderText(int line) const;
    // Whether two headers are equal in Pascal: the same tokens up to letter
    // case and blanks, an empty "()" as none, and the declaration's default
    // values not needed in the implementation.
    bool SameHeaders(std::string_view decl, std::string_view impl) const;
    // header with the default values that decl gives its parameters (of the
    // same name, else at the same place, and of the same type) where it has none.
    std::string KeepDefaults(std::string_view header, std::string_view decl) const;
    // The unit names of the "uses" clause starting at line.
    void ExtractUnitsUses(int line, TStringList& list) const;
    std::string UnitName() const;

    // ---- generators (write at the cursor) -------------------------------------------
    bool CreateMethodImplByDecl(std::string_view declaration, std::string_view className);
    bool CreateMethodDeclByImpl(std::string_view header);
    void CreateProperty(std::string_view name, std::string_view type, std::string_view writer,
                        std::string_view reader);
    // Writes header with the qualified name inserted before its "(" (else
    // ":", else ";"), then suffix, then a line break.
    void InsertMethod(std::string_view header, std::string_view className, std::string_view suffix,
                      std::string_view methodName);
    // The header ("procedure(A: Integer);" as ExtractMethodHeader gives it)
    // with " Class.Method" (or " Method") inserted the same way, then suffix.
    static std::string QualifiedHeader(std::string_view header, std::string_view className,
                                       std::string_view methodName, std::string_view suffix);

    // Leading white space of a line (TAB counts as one blank).
    static int Indentation(std::string_view line);
    // The leading blanks and TABs of a line as written: a line inserted next
    // to it takes them.
    static std::string LeadingBlanks(std::string_view line);
    // Indentation one level deeper than lead: a TAB more when lead holds
    // TABs, else two blanks more.
    static std::string IndentDeeper(std::string_view lead);
    static bool isValidIdent(std::string_view s);

protected:
    // The index of the unit as it is now: the one built before when nothing
    // has changed since, else a new one (see UnitIndex.h). The searches fill
    // it as they go, so one model serves one thread at a time.
    TUnitIndex& Index() const;

private:
    friend class TUnitIndex;
    struct DeclEntry {
        std::string Name;
        int Line;
    };
    bool StartsEnd(std::string_view line) const;  // left-trimmed line starts with "end"
    bool FindNestedClass(std::string_view path, int& line) const;
    // A line inside a class body that opens a nested record or class type.
    bool OpensNestedBlock(std::string_view line) const;
    void RestoreBlankLine(int line, const std::string& before);
    // The body lines of a class, without those of nested types.
    std::vector<int> MemberLines(int headerLine) const;
    // The scanner over lines [first, stop), from column col of the first.
    TPascalScanner Scan(int first, int stop, int col = 0) const;
    // Pushes the block that the code token t opens (begin, asm, try, case
    // outside a record, record, a class, object or interface body); prev
    // is the code token before it.
    void OpenBlock(std::vector<char>& blocks, const TPasToken& t, const TPasToken& prev) const;
    // The line of the ")" closing the enumeration whose "(" follows column
    // col of line, or -1 when the list holds anything but identifiers
    // (with optional values).
    int EnumerationEnd(int line, size_t col) const;
    // Whether line stands in a "type" section.
    bool InTypeSection(int line) const;
    // LocateMethodDeclPlace, giving the indentation as written.
    int DeclPlace(std::string_view className, std::string_view methodName, std::string& indent);
    std::vector<DeclEntry> CollectDecls(std::string_view className, bool& found) const;
    // CollectDecls' answer kept by the index: valid until the lines or the
    // sections change.
    const std::vector<DeclEntry>& KnownDecls(std::string_view className, bool& found) const;
    std::vector<DeclEntry> CollectImpls(std::string_view className) const;
    // The other side of the header at own (a declaration when fromDecl).
    bool MatchHeader(std::string_view className, std::string_view methodName, int own, bool fromDecl,
                     int& line) const;
    int Limit(int bound) const;  // bound clipped to the line count
    bool Neighbours(std::string_view className, std::string_view methodName, bool implOrder, DeclEntry& before,
                    DeclEntry& after);
    bool NeighbourNames(std::string_view className, std::string_view methodName, bool implOrder,
                        std::string& before, std::string& after);

    mutable std::unique_ptr<TUnitIndex> index_;
};

}  // namespace velt

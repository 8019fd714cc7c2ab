#pragma once
// The command language: a small Forth that re-reads its program text each
// time a word runs. The host loads the user's command file and runs words by
// name (ExecWord); a word takes its arguments from the data stack and pushes
// its results. Names resolve, in order, to registered host objects, their
// published properties and methods (see forth/ForthObject.h), aliases, native
// words of the vocabulary, IF/ELSE/THEN, one-character operators and integer
// literals.
//
// Host side, in short:
//   TForth forth;                                   // registers FORTH, STACK and NOT
//   forth.Objects.AddObject("SourceCode", &source); // search order = order added
//   forth.LoadFromFile("velt.4th");
//   forth.PushString("unit1.pas");
//   forth.ExecWord("OpenUnitSource");
//   TCell c; forth.Pop(c);

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "forth/ForthObject.h"

namespace velt {

class TForth;
class TVocabulary;

// Syntax and lookup errors of the interpreter.
class EForth : public Exception { using Exception::Exception; };
// Stack errors: "Stack overflow", "Empty stack", "Type mismatch", "Unknown type".
class EStack : public Exception { using Exception::Exception; };

// Kinds of stack cells (the type-kind codes of published properties).
enum : uint8_t { ckInteger = pkInteger, ckObject = pkClass, ckString = pkLString };

// One stack cell. An object cell remembers whether its object is still
// alive, so a cell that outlives its object answers null rather than a
// dangling pointer, and is popped as a nil cell (Value 0, false for IF).
struct TCell {
    std::string S;      // text of a string cell
    uint8_t Kind = 0;   // 1 integer, 7 object, 10 string
    int32_t Value = 0;  // integer of an integer cell; 0 for nil / a non-zero tag for an object; 0 for a string
    TObject* Obj = nullptr;
    std::weak_ptr<void> Alive;

    // The object of an object cell; null when nil, freed or not an object cell.
    TObject* Object() const;
    void SetObject(TObject* obj);
};

// The data stack: 64 cells growing downward; Top is 64 when empty.
class TStack : public TObject, public ForthObject {
public:
    VELT_FORTH_CLASS(TStack)
    static constexpr int Capacity = 64;
    std::string ClassName() const override { return "TStack"; }

    TCell Cells[Capacity];
    int32_t Top = Capacity;

    int Count() const { return Capacity - Top; }
    // Raises "Stack overflow" when full (the stack is left as it was).
    void Push(const TCell& cell);
    void Push(TCell&& cell);
    // Raises "Empty stack" when empty.
    void Pop(TCell& cell);
    // Raises "Empty stack" when the stack is empty.
    void Empty() const;
    void PushString(std::string s);
    void PushObject(TObject* obj);
    void PushInteger(int32_t n);
    void ClearStack() { Top = Capacity; }
    // The cell I below the top (0 = top); the caller has checked the count.
    TCell& Peek(int i) { return Cells[Top + i]; }

    // Words of "STACK".
    void ClearStack(TForth& Sender);
    void DUP(TForth& Sender);
    void DROP(TForth& Sender);
    void SWAP(TForth& Sender);
    void DSWAP(TForth& Sender);
    void OVER(TForth& Sender);
    void TRUE(TForth& Sender);
    void FALSE(TForth& Sender);
    void EQ(TForth& Sender);

private:
    void Need(int n) const;
    void CheckRoom() const;
};

// A word that is not defined in the program text.
using TForthEvent = std::function<void(TForth& Sender)>;

// An argument of PushParams: strings and objects are pushed, anything else
// (integers, floats, booleans, a nil pointer) is passed over.
class TVarArg {
public:
    enum TArgKind { vaOther, vaString, vaObject };
    TVarArg(const char* s) : kind_(vaString), s_(s ? s : "") {}
    TVarArg(std::string s) : kind_(vaString), s_(std::move(s)) {}
    TVarArg(std::string_view s) : kind_(vaString), s_(s) {}
    template <class T>
        requires std::is_base_of_v<TObject, T>
    TVarArg(T* obj) : kind_(vaObject), obj_(obj) {}
    TVarArg(std::nullptr_t) {}
    TVarArg(int) {}
    TVarArg(int64_t) {}
    TVarArg(double) {}
    TVarArg(bool) {}
    TVarArg(char) {}

    TArgKind Kind() const { return kind_; }
    const std::string& Str() const { return s_; }
    TObject* Obj() const { return obj_; }

private:
    TArgKind kind_ = vaOther;
    std::string s_;
    TObject* obj_ = nullptr;
};

// IF state.
enum TForthStruc : uint8_t {
    fcNone = 0,
    fcIfElse = 1,  // running the ELSE branch
    fcIfThen = 2,  // running the true branch; ELSE skips to THEN
};

class TForth : public TObject, public ForthObject {
public:
    VELT_FORTH_CLASS(TForth)
    TForth();
    ~TForth() override;
    TForth(const TForth&) = delete;
    TForth& operator=(const TForth&) = delete;
    std::string ClassName() const override { return "TForth"; }

    // ---- state -------------------------------------------------------
    // The program text. Setting it drops the definition index.
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    int32_t Pos = 1;             // 1-based index of the next character to read
    TForthStruc Struc = fcNone;  // IF state
    TStack Stack;
    // Named host objects, searched in insertion order; names fold case.
    // The list does not own the objects.
    TStringList Objects;
    // Consulted after the published members; sorted, duplicates accepted.
    TStringList Aliases;
    TVocabulary* Current() const { return current_.get(); }
    void SetCurrent(std::unique_ptr<TVocabulary> vocabulary);

    // Deepest nesting of running words before "Word nesting too deep";
    // the error comes earlier when the thread's native stack runs short.
    static constexpr int MaxNesting = 1000;
    // Tokens a run may take before it is stopped ("Step limit exceeded");
    // 0 means no limit. For harnesses that run untrusted text.
    int64_t StepLimit = 0;

    // The dialogs of ShowMessage and InputQuery, installed by a windowed
    // host. Unset: the message goes to the message sink as an information
    // note (foundation/CommMsg.h) and the input dialog counts as cancelled.
    std::function<void(const std::string& text)> OnShowMessage;
    std::function<bool(const std::string& caption, const std::string& prompt, std::string& value)>
        OnInputQuery;

    // ---- running -----------------------------------------------------
    // Empties the stack and reads the whole file as the program text;
    // interprets nothing. EFOpenError when the file cannot be read.
    void LoadFromFile(const std::string& fileName);
    // Runs one word: a published method of the first registered object that
    // has it, else the definition ": Name" at the start of a line of Text.
    void ExecWord(std::string_view name);
    // Interprets Text from Pos to its end, a ";" or a "**)" token.
    void Interpret();
    void ExecForth(const std::string& program);
    void ExecForthFile(const std::string& fileName);

    // ---- tokenizer ---------------------------------------------------
    // Blank delimiter: the token up to the next separator (TAB, LF, CR,
    // blank), consuming that one separator; at the end of the text the
    // rest. Any other delimiter: the text up to it, consuming it; when it
    // does not occur, token and Pos are left as they were and the answer is
    // false.
    bool NextToken(char delimiter, std::string& token);
    // Advances Pos to the next non-separator; false at the end of the text.
    bool SkipBlanks();
    // Skips the next token and raises "Token %s expected" unless it is token.
    void ExpectToken(std::string_view token);
    bool AtEnd() const { return Pos > int32_t(text_.size()); }

    // ---- objects -----------------------------------------------------
    void EvaluateProperty(TObject* instance, const PropInfo& prop);
    void ExecuteMethod(TObject* instance, std::string_view methodName);
    void RegisterWord(std::string_view name, TForthEvent word);

    // ---- stack helpers for hosts ------------------------------------
    void Push(const TCell& cell) { Stack.Push(cell); }
    void Pop(TCell& cell) { Stack.Pop(cell); }
    void PushString(std::string s) { Stack.PushString(std::move(s)); }
    void PushObject(TObject* obj) { Stack.PushObject(obj); }
    void PushInteger(int32_t n) { Stack.PushInteger(n); }
    void ClearStack() { Stack.ClearStack(); }
    void PushParams(std::initializer_list<TVarArg> args);
    // The argument of a word: pops the top cell and raises "Type mismatch"
    // (the cell is gone) unless it is a string / an integer.
    std::string PopString();
    int32_t PopInteger();

    // Writes one line to the console (the message sink's plain line).
    void ConsoleLine(std::string_view line);

    // ---- words of "FORTH" -------------------------------------------
    void ShowMessage(TForth& Sender);
    void InputQuery(TForth& Sender);
    void Writeln(TForth& Sender);
    void ExtractFileName(TForth& Sender);
    void StrLen(TForth& Sender);
    void EGG(TForth& Sender);
    void ForEachStrings(TForth& Sender);
    void INCLUDE(TForth& Sender);

    // Native word of the vocabulary.
    void NOT(TForth& Sender);

private:
    class Nesting;
    class SavedPlace;
    void Run();
    std::string_view NextWord();
    void SkipLine();
    bool RunPublished(std::string_view token);
    bool RunOneChar(std::string_view token);
    void RunMember();
    bool RunNative(std::string_view token);
    void If();
    void PushNumber(std::string_view token);
    void SkipToThen();
    void SkipToThenOrElse();
    int FindDefinition(std::string_view name);

    std::string text_;
    char lastSep_ = 0;  // the separator that ended the last blank-delimited token
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using DefIndex = std::unordered_map<std::string, int, NameHash, std::equal_to<>>;
    // First ":" of each definition name in text_ (0-based), built on demand.
    std::unique_ptr<DefIndex> defs_;
    // The published table of each registered object, by position in
    // Objects; an entry holds while the same object is there and alive.
    struct ClassCache {
        TObject* Obj = nullptr;
        std::weak_ptr<void> Alive;
        const ClassInfo* Info = nullptr;
    };
    const ClassInfo* RegisteredClass(int index, TObject* obj);
    std::vector<ClassCache> classes_;
    std::unique_ptr<TVocabulary> current_;
    int depth_ = 0;
    int64_t steps_ = 0;
};

}  // namespace velt

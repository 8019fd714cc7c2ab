#pragma once
// The one Pascal tokenizer of the source model. Every search that must look
// past comments, strings, compiler directives and asm blocks (routine ends,
// declaration ends, header comparison) reads the text through it, so they all
// agree on what is code.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velt {

enum class TPasTokenKind : uint8_t {
    Ident,      // identifier or keyword ("&begin" is an identifier)
    Number,     // 12, 1.5e3, $FF, %101, &17
    String,     // 'it''s' or a character code #13 / #$0D
    Symbol,     // one character, or := .. <= >= <> (. .)
    Comment,    // { }, (* *) or // up to the line end
    Directive,  // {$...} or (*$...*)
    Asm,        // a token inside an asm block; its closing "end" is an Ident
};

struct TPasToken {
    TPasTokenKind Kind = TPasTokenKind::Symbol;
    int Line = 0;           // the line the token starts on
    int Col = 0;            // byte offset of its first character in that line
    // Its text on that line. A comment running on over lines comes as one
    // token a line, each of the comment's kind.
    std::string_view Text;
    // The rest of a comment opened on an earlier line: its line starts
    // inside the comment.
    bool Continued = false;

    bool IsIdent() const { return Kind == TPasTokenKind::Ident; }
    // An identifier equal to word, ASCII case folded (word in lower case).
    bool Is(std::string_view word) const;
    // A symbol token with exactly this text.
    bool IsSymbol(std::string_view sym) const { return Kind == TPasTokenKind::Symbol && Text == sym; }
    bool IsCode() const { return Kind != TPasTokenKind::Comment && Kind != TPasTokenKind::Directive; }
};

class TPascalScanner {
public:
    using LineSource = std::function<std::string_view(int)>;

    // Scans lines [first, stop) given by lines(i), from column col of the first.
    TPascalScanner(LineSource lines, int first, int stop, int col = 0);
    // Scans one text (a header joined into one line, a word's argument).
    explicit TPascalScanner(std::string_view text);

    // The next token, comments and directives included; false at the end.
    bool Next(TPasToken& t);
    // The next token that is code (comments and directives skipped).
    bool NextCode(TPasToken& t);

    // Where the next token will be looked for.
    int Line() const { return line_; }
    int Col() const { return static_cast<int>(pos_); }
    bool InAsm() const { return inAsm_; }

private:
    enum class Open : uint8_t { None, Brace, Paren };

    bool LoadLine();
    void FinishComment(TPasToken& t, bool directive);

    LineSource lines_;
    std::string_view single_;
    int line_ = 0;
    int stop_ = 0;
    std::string_view cur_;
    size_t pos_ = 0;
    bool loaded_ = false;
    Open open_ = Open::None;  // a comment left open at the end of a line
    bool openIsDirective_ = false;
    bool inAsm_ = false;
};

// Every code token of a text, comments and directives left out.
std::vector<TPasToken> PascalCodeTokens(std::string_view text);

}  // namespace velt

#pragma once
// A small cursor over a text buffer (TParsek) and the Pascal tokenizer the
// help generator decorates its declarations with (TSRCParsek, Hightlight).
//
// This is deliberately a second Pascal tokenizer beside the source model's
// TPascalScanner: its handlers rewrite the buffer while it runs, and its
// token classes are its own (white space, digits one by one, only
// ( ) , . : ; [ ] as symbols, "{$...}" a comment, "//" with its line feed,
// no "#13" strings, no asm blocks, unclosed quotes to the end).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velt {

class TParsek {
public:
    virtual ~TParsek() = default;

    std::string Buffer;
    int32_t Position = 1;     // 1-based index of the next character
    int32_t OldPosition = 0;  // where the last token began

    virtual void Parse() = 0;

    // Token = the Count characters at Position; Position advances by Count.
    // "Parsek beyond end" when fewer than Count remain or Count < 0.
    void SkipToken(int32_t Count, std::string& Token);
    // True when the text at Position begins with S (case-sensitive).
    bool NextToken(std::string_view S) const;
    // 1-based position of S at or after Position, else 0.
    int32_t TokenPos(std::string_view S) const;
    // The same, searching only up to the next CR or LF.
    int32_t TokenPosBeforeEoLn(std::string_view S) const;
    // Position one beyond the end; raises "Break parsing".
    [[noreturn]] void Break();

protected:
    // Position as a 0-based index into Buffer: below 1 reads as 1, beyond the
    // end as the end.
    size_t Index() const;
};

class TSRCParsek;
using TParsekEvent = std::function<void(TSRCParsek&)>;

class TSRCParsek : public TParsek {
public:
    TParsekEvent OnWhiteSpace;
    TParsekEvent OnComment;
    TParsekEvent OnReservedWord;
    TParsekEvent OnIdentifier;
    TParsekEvent OnSymbol;
    TParsekEvent OnQuote;
    TParsekEvent OnOther;

    void Parse() override;

    // The text wrapped in RTF marks: comments grey italic, reserved words
    // bold, quoted strings red. With escape, "\", "{", "}" and what is not
    // 7-bit ASCII in the tokens become RTF escapes as well, so any text comes
    // out as RTF body text.
    std::string Hightlight(std::string_view Text, bool escape = false);

    // The token the handler is called for.
    std::string_view Token() const;
    // Replaces the current token by before + replacement + after and moves
    // Position behind it.
    void Wrap(std::string_view before, std::string_view after);
    void ReplaceToken(std::string_view text);

    static bool IsReservedWord(std::string_view word);
};

// "\", "{", "}" escaped, tabs as "\tab ", other control characters and
// non-ASCII as RTF escapes: UTF-8 (or, where the bytes are no UTF-8, code
// page 1251) as "\uN\'3f". Line feeds stay as they are.
std::string RtfEscape(std::string_view text);

}  // namespace velt

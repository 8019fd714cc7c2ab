#include "source/PascalScanner.h"

#include "foundation/StrUtils.h"

namespace velt {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
bool IsIdentStart(char c) { return IsIdentChar(c) && !IsDigit(c); }

size_t SkipWhile(std::string_view s, size_t i, bool (*pred)(char)) {
    while (i < s.size() && pred(s[i])) ++i;
    return i;
}

}  // namespace

bool TPasToken::Is(std::string_view word) const {
    if (Kind != TPasTokenKind::Ident || Text.size() != word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = Text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
        if (c != word[i]) return false;
    }
    return true;
}

TPascalScanner::TPascalScanner(LineSource lines, int first, int stop, int col)
    : lines_(std::move(lines)), line_(first), stop_(stop) {
    if (LoadLine() && col > 0) pos_ = std::min(cur_.size(), static_cast<size_t>(col));
}

TPascalScanner::TPascalScanner(std::string_view text) : single_(text), line_(0), stop_(1) { LoadLine(); }

bool TPascalScanner::LoadLine() {
    if (line_ >= stop_) return loaded_ = false;
    cur_ = lines_ ? lines_(line_) : single_;
    pos_ = 0;
    return loaded_ = true;
}

void TPascalScanner::FinishComment(TPasToken& t, bool directive) {
    // The comment's closing mark on this line, or it runs on to the next.
    const std::string_view close = open_ == Open::Brace ? "}" : "*)";
    size_t e = cur_.find(close, pos_);
    t.Kind = directive ? TPasTokenKind::Directive : TPasTokenKind::Comment;
    if (e == std::string_view::npos) {
        pos_ = cur_.size();
        openIsDirective_ = directive;
        return;
    }
    pos_ = e + close.size();
    open_ = Open::None;
}

bool TPascalScanner::Next(TPasToken& t) {
    while (loaded_) {
        if (open_ != Open::None) {
            // Inside a comment opened on an earlier line.
            t.Line = line_;
            t.Col = static_cast<int>(pos_);
            t.Continued = true;
            const size_t from = pos_;
            FinishComment(t, openIsDirective_);
            t.Text = cur_.substr(from, pos_ - from);
            if (open_ != Open::None) {
                ++line_;
                LoadLine();
            }
            return true;
        }
        pos_ = SkipWhile(cur_, pos_, IsBlankChar);
        if (pos_ >= cur_.size()) {
            ++line_;
            LoadLine();
            continue;
        }
        const std::string_view s = cur_;
        const size_t b = pos_;
        const char c = s[b];
        const char n = b + 1 < s.size() ? s[b + 1] : '\0';
        t.Line = line_;
        t.Col = static_cast<int>(b);
        t.Continued = false;

        if (c == '{' || (c == '(' && n == '*')) {
            open_ = c == '{' ? Open::Brace : Open::Paren;
            pos_ = b + (c == '{' ? 1 : 2);
            const bool directive = pos_ < s.size() && s[pos_] == '$';
            FinishComment(t, directive);
            t.Text = s.substr(b, pos_ - b);
            if (open_ != Open::None) {
                // Runs on: the rest comes as tokens of the same kind.
                ++line_;
                LoadLine();
            }
            return true;
        }
        if (c == '/' && n == '/') {
            t.Kind = TPasTokenKind::Comment;
            t.Text = s.substr(b);
            pos_ = s.size();
            return true;
        }

        TPasTokenKind kind = TPasTokenKind::Symbol;
        size_t e = b + 1;
        if (c == '\'' || (inAsm_ && c == '"')) {
            // A doubled quote stands for one; an unclosed string ends with the line.
            kind = TPasTokenKind::String;
            while (e < s.size()) {
                if (s[e] == c) {
                    if (e + 1 < s.size() && s[e + 1] == c) {
                        e += 2;
                        continue;
                    }
                    ++e;
                    break;
                }
                ++e;
            }
        } else if (c == '#' && (IsDigit(n) || n == '$')) {
            kind = TPasTokenKind::String;
            e = n == '$' ? SkipWhile(s, b + 2, IsHexDigit) : SkipWhile(s, b + 1, IsDigit);
        } else if (IsIdentStart(c) || (c == '&' && IsIdentStart(n)) || (inAsm_ && c == '@')) {
            kind = TPasTokenKind::Ident;
            if (c == '@') {
                // An asm label, "@@end" included.
                kind = TPasTokenKind::Asm;
                e = SkipWhile(s, SkipWhile(s, b, [](char x) { return x == '@'; }), IsIdentChar);
            } else {
                e = SkipWhile(s, c == '&' ? b + 1 : b, IsIdentChar);
            }
        } else if (IsDigit(c) || (c == '$' && IsHexDigit(n)) || (c == '%' && (n == '0' || n == '1')) ||
                   (c == '&' && n >= '0' && n <= '7')) {
            kind = TPasTokenKind::Number;
            if (IsDigit(c)) {
                e = SkipWhile(s, b, IsDigit);
                if (e + 1 < s.size() && s[e] == '.' && IsDigit(s[e + 1])) e = SkipWhile(s, e + 1, IsDigit);
                if (e < s.size() && (s[e] | 0x20) == 'e') {
                    size_t x = e + 1;
                    if (x < s.size() && (s[x] == '+' || s[x] == '-')) ++x;
                    if (x < s.size() && IsDigit(s[x])) e = SkipWhile(s, x, IsDigit);
                }
            } else {
                e = SkipWhile(s, b + 1, IsHexDigit);
            }
        } else {
            static constexpr std::string_view kPairs[] = {":=", "..", "<=", ">=", "<>", "(.", ".)"};
            for (std::string_view p : kPairs) {
                if (c == p[0] && n == p[1]) {
                    e = b + 2;
                    break;
                }
            }
        }
        pos_ = e;
        t.Text = s.substr(b, e - b);
        t.Kind = kind;
        if (inAsm_ && kind != TPasTokenKind::Asm) {
            if (t.Is("end")) inAsm_ = false;
            else t.Kind = TPasTokenKind::Asm;
        } else if (kind == TPasTokenKind::Ident && t.Is("asm")) {
            inAsm_ = true;
        }
        return true;
    }
    return false;
}

bool TPascalScanner::NextCode(TPasToken& t) {
    while (Next(t)) {
        if (t.IsCode()) return true;
    }
    return false;
}

std::vector<TPasToken> PascalCodeTokens(std::string_view text) {
    std::vector<TPasToken> out;
    TPascalScanner sc(text);
    TPasToken t;
    while (sc.NextCode(t)) out.push_back(t);
    return out;
}

}  // namespace velt

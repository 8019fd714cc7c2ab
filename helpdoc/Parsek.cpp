#include "helpdoc/Parsek.h"

#include <algorithm>
#include <array>
#include <vector>

#include "foundation/CodePages.h"
#include "foundation/SysUtils.h"

namespace velt {

namespace {

// Sorted, letter case ignored, duplicates kept (as the word list is given).
const std::vector<std::string>& ResWords() {
    static const std::vector<std::string> words = [] {
        static const char* const text =
            "out,and,exports,library,shl,array,file,mod,shr,as,finalization,nil,string,asm,finally,not,then,"
            "begin,for,object,threadvar,case,function,of,to,class,goto,on,try,const,if,or,type,constructor,"
            "implementation,packed,unit,destructor,in,procedure,until,div,inherited,program,uses,do,"
            "initialization,property,var,downto,inline,raise,while,else,interface,record,with,end,is,repeat,"
            "xor,except,label,set,absolute,abstract,assembler,at,automated,cdecl,default,dispid,dynamic,"
            "external,forward,index,message,name,nodefault,override,pascal,private,protected,public,"
            "published,read,register,resident,stdcall,stored,virtual,write";
        std::vector<std::string> w;
        std::string_view rest = text;
        while (!rest.empty()) {
            const size_t comma = rest.find(',');
            w.emplace_back(rest.substr(0, comma));
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
        std::stable_sort(w.begin(), w.end(),
                         [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
        return w;
    }();
    return words;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
size_t Utf8Length(std::string_view s, size_t i, uint32_t& cp) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    size_t n = 0;
    if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

void PutUnit(std::string& out, uint32_t unit) {
    // RTF takes the code unit as a signed 16-bit number; "?" for readers
    // without Unicode.
    out += "\\u" + std::to_string(int16_t(uint16_t(unit))) + "\\'3f";
}

void PutCodePoint(std::string& out, uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        PutUnit(out, 0xD800 + (cp >> 10));
        PutUnit(out, 0xDC00 + (cp & 0x3FF));
    } else {
        PutUnit(out, cp);
    }
}

}  // namespace

std::string RtfEscape(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += char(c);
            ++i;
        } else if (c == '\t') {
            out += "\\tab ";
            ++i;
        } else if (c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F)) {
            out += char(c);
            ++i;
        } else if (c < 0x80) {
            out += "\\'";
            out += hex[c >> 4];
            out += hex[c & 15];
            ++i;
        } else {
            uint32_t cp = 0;
            const size_t n = Utf8Length(text, i, cp);
            if (n) {
                PutCodePoint(out, cp);
                i += n;
            } else {
                // Not UTF-8: a byte of code page 1251.
                const std::string u = Cp1251ToUtf8(text.substr(i, 1));
                if (Utf8Length(u, 0, cp) == u.size() && !u.empty())
                    PutCodePoint(out, cp);
                else
                    out += "\\'3f";
                ++i;
            }
        }
    }
    return out;
}

size_t TParsek::Index() const {
    if (Position < 1) return 0;
    return std::min(size_t(Position - 1), Buffer.size());
}

void TParsek::SkipToken(int32_t Count, std::string& Token) {
    const size_t at = Index();
    if (Count < 0 || size_t(Count) > Buffer.size() - at) throw Exception("Parsek beyond end");
    Token = Buffer.substr(at, size_t(Count));
    Position = int32_t(at + size_t(Count) + 1);
}

bool TParsek::NextToken(std::string_view S) const {
    return std::string_view(Buffer).substr(Index()).starts_with(S);
}

int32_t TParsek::TokenPos(std::string_view S) const {
    const size_t p = Buffer.find(S, Index());
    return p == std::string::npos ? 0 : int32_t(p + 1);
}

int32_t TParsek::TokenPosBeforeEoLn(std::string_view S) const {
    const size_t from = Index();
    size_t eol = Buffer.find_first_of("\r\n", from);
    if (eol == std::string::npos) eol = Buffer.size();
    const size_t p = Buffer.find(S, from);
    return p == std::string::npos || p + S.size() > eol ? 0 : int32_t(p + 1);
}

void TParsek::Break() {
    Position = int32_t(Buffer.size() + 1);
    throw Exception("Break parsing");
}

bool TSRCParsek::IsReservedWord(std::string_view word) {
    const auto& w = ResWords();
    auto it = std::lower_bound(w.begin(), w.end(), word,
                               [](const std::string& a, std::string_view b) { return CompareText(a, b) < 0; });
    return it != w.end() && CompareText(*it, word) == 0;
}

std::string_view TSRCParsek::Token() const {
    const size_t from = OldPosition < 1 ? 0 : std::min(size_t(OldPosition - 1), Buffer.size());
    const size_t to = std::max(from, Index());
    return std::string_view(Buffer).substr(from, to - from);
}

void TSRCParsek::ReplaceToken(std::string_view text) {
    const size_t from = OldPosition < 1 ? 0 : std::min(size_t(OldPosition - 1), Buffer.size());
    const size_t to = std::max(from, Index());
    Buffer.replace(from, to - from, text);
    Position = int32_t(from + text.size() + 1);
}

void TSRCParsek::Wrap(std::string_view before, std::string_view after) {
    std::string t(before);
    t += Token();
    t += after;
    ReplaceToken(t);
}

void TSRCParsek::Parse() {
    if (Position < 1) Position = 1;
    while (size_t(Position) <= Buffer.size()) {
        const std::string_view b = Buffer;
        const size_t at = size_t(Position - 1);
        const char c = b[at];
        size_t end = at + 1;
        const TParsekEvent* event = &OnOther;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            while (end < b.size() && (b[end] == ' ' || b[end] == '\t' || b[end] == '\r' || b[end] == '\n')) ++end;
            event = &OnWhiteSpace;
        } else if (b.substr(at, 2) == "//" || c == '{' || b.substr(at, 2) == "(*") {
            const std::string_view closer = c == '/' ? "\n" : c == '{' ? "}" : "*)";
            const size_t p = b.find(closer, at + (c == '{' ? 1 : 2));
            end = p == std::string_view::npos ? b.size() : p + closer.size();
            event = &OnComment;
        } else if (IsLetter(c)) {
            while (end < b.size() && (IsLetter(b[end]) || IsDigit(b[end]))) ++end;
            event = IsReservedWord(b.substr(at, end - at)) ? &OnReservedWord : &OnIdentifier;
        } else if (std::string_view("(),.:;[]").find(c) != std::string_view::npos) {
            event = &OnSymbol;
        } else if (c == '\'') {
            end = b.size();
            for (size_t k = at + 1; k < b.size(); ++k) {
                if (b[k] != '\'') continue;
                if (k + 1 < b.size() && b[k + 1] == '\'') {
                    ++k;
                    continue;
                }
                end = k + 1;
                break;
            }
            event = &OnQuote;
        }
        OldPosition = int32_t(at + 1);
        Position = int32_t(end + 1);
        if (*event) {
            const size_t length = end - at;
            (*event)(*this);
            // A handler that stays put would parse the same token forever.
            if (Position <= OldPosition) Position = int32_t(std::min(size_t(OldPosition) + length, Buffer.size() + 1));
        }
    }
}

std::string TSRCParsek::Hightlight(std::string_view Text, bool escape) {
    Buffer.assign(Text);
    Position = 1;
    OldPosition = 0;
    // The marks are written into a copy as the parse goes, so that marking
    // stays linear however long the text; the buffer becomes that copy.
    std::string out;
    out.reserve(Text.size() + Text.size() / 4);
    size_t copied = 0;
    const auto emit = [&out, &copied](TSRCParsek& p, std::string_view before, std::string_view token,
                                      std::string_view after) {
        const size_t from = size_t(p.OldPosition - 1);
        out.append(p.Buffer, copied, from - copied);
        out += before;
        out += token;
        out += after;
        copied = size_t(p.Position - 1);
    };
    const auto mark = [escape, &emit](std::string_view before, std::string_view after) {
        return [=, &emit](TSRCParsek& p) {
            emit(p, before, escape ? std::string_view(RtfEscape(p.Token())) : p.Token(), after);
        };
    };
    TParsekEvent keptComment = OnComment, keptReserved = OnReservedWord, keptQuote = OnQuote;
    TParsekEvent keptOther = OnOther, keptWhite = OnWhiteSpace;
    OnComment = mark("\\cf4 \\i ", "\\i0 \\cf0 ");
    OnReservedWord = mark("\\b ", "\\b0 ");
    OnQuote = mark("\\cf3 ", "\\cf0 ");
    if (escape) {
        OnOther = [&emit](TSRCParsek& p) {
            // A character beyond ASCII comes byte by byte: take its whole
            // UTF-8 sequence as the token.
            const size_t at = size_t(p.OldPosition - 1);
            uint32_t cp = 0;
            const size_t n = static_cast<unsigned char>(p.Buffer[at]) >= 0x80 ? Utf8Length(p.Buffer, at, cp) : 0;
            if (n > 1) p.Position = int32_t(at + n + 1);
            const std::string e = RtfEscape(p.Token());
            if (e != p.Token()) emit(p, {}, e, {});
        };
        OnWhiteSpace = [&emit](TSRCParsek& p) {
            if (p.Token().find('\t') != std::string_view::npos) emit(p, {}, RtfEscape(p.Token()), {});
        };
    }
    const auto restore = [&] {
        OnComment = std::move(keptComment);
        OnReservedWord = std::move(keptReserved);
        OnQuote = std::move(keptQuote);
        OnOther = std::move(keptOther);
        OnWhiteSpace = std::move(keptWhite);
    };
    try {
        Parse();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    out.append(Buffer, std::min(copied, Buffer.size()), std::string::npos);
    Buffer = std::move(out);
    Position = int32_t(Buffer.size() + 1);
    return Buffer;
}

}  // namespace velt

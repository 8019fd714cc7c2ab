#include "source/SourceCode.h"

#include <algorithm>
#include <unordered_map>

#include "forth/Forth.h"
#include "foundation/CommMsg.h"
#include "foundation/StrUtils.h"
#include "source/PascalScanner.h"
#include "source/UnitIndex.h"

namespace velt {

namespace {

// RTF line break between the lines of a multi-line type text.
constexpr std::string_view kRtfBreak = "\r\n\\par ";
// How far a comma list of fields or a continued declaration may run.
constexpr int kMaxContinuation = 1000;

size_t SkipBlanks(std::string_view s, size_t i) {
    while (i < s.size() && IsBlankChar(s[i])) ++i;
    return i;
}
// s.find_first_of(chars) for a few characters: one memchr for each of them
// instead of the library's search of chars for every character of s (the
// line tests run on every line).
size_t FirstOf(std::string_view s, std::string_view chars) {
    size_t r = std::string_view::npos;
    for (char c : chars)
        if (size_t p = s.substr(0, r).find(c); p != std::string_view::npos) r = p;
    return r;
}
// The part of s before the first of the given characters.
std::string_view CutAt(std::string_view s, std::string_view chars) {
    size_t p = FirstOf(s, chars);
    return p == std::string_view::npos ? s : s.substr(0, p);
}
bool IsBlankLine(std::string_view s) { return TrimLeftView(s).empty(); }

// One parameter of a routine header. The keys compare as Pascal does: the
// tokens, identifiers in lower case, joined by one blank.
struct HeaderParam {
    std::string Name, Mode, Type, Default;  // keys; Mode is const, var, out, constref or ""
    std::string NameText;                   // the name as written
    std::string DefaultText;                // the default value as written
    size_t TypeEnd = 0;                     // offset just past the group's type (or its last name)
    size_t GroupSize = 1;                   // names sharing the type
};

// The pieces of a routine header line: keyword(s), name, parameters, result
// type and what follows. Read through the Pascal tokenizer, so comments and
// strings cannot fake a parenthesis or a ";".
struct HeaderParts {
    std::string Keyword;   // "procedure", "class function", ...
    std::string Name;      // as written, qualifier included
    std::string Params;    // "(...)" or ""
    std::string RType;     // trimmed result type or ""
    std::string Directive; // trimmed text after the header's ";"
    std::vector<HeaderParam> ParamList;
    std::string KeywordKey, RTypeKey;
};

size_t TokenEnd(const TPasToken& t) { return size_t(t.Col) + t.Text.size(); }

// The key of tokens [b, e).
std::string TokenKey(const std::vector<TPasToken>& t, size_t b, size_t e) {
    std::string r;
    for (size_t i = b; i < e; ++i) {
        if (!r.empty()) r += ' ';
        r += t[i].IsIdent() ? LowerCase(t[i].Text) : std::string(t[i].Text);
    }
    return r;
}

// The text of tokens [b, e) as written.
std::string TokenSpan(std::string_view line, const std::vector<TPasToken>& t, size_t b, size_t e) {
    if (b >= e) return {};
    return std::string(line.substr(size_t(t[b].Col), TokenEnd(t[e - 1]) - size_t(t[b].Col)));
}

bool IsSymbolOf(const TPasToken& t, std::string_view syms) {
    return t.Kind == TPasTokenKind::Symbol && t.Text.size() == 1 && syms.find(t.Text[0]) != std::string_view::npos;
}

// One parameter group "[mode] A, B[: Type [= Default]]", tokens [b, e).
void ParseParamGroup(std::string_view line, const std::vector<TPasToken>& t, size_t b, size_t e,
                     std::vector<HeaderParam>& out) {
    std::string mode;
    if (e - b >= 2 && t[b + 1].IsIdent() &&
        (t[b].Is("const") || t[b].Is("var") || t[b].Is("out") || t[b].Is("constref")))
        mode = LowerCase(t[b++].Text);
    std::vector<size_t> names;
    size_t i = b;
    while (i < e && t[i].IsIdent()) {
        names.push_back(i++);
        if (i < e && t[i].IsSymbol(",")) ++i;
        else break;
    }
    if (names.empty()) return;
    HeaderParam p;
    p.Mode = mode;
    p.TypeEnd = TokenEnd(t[names.back()]);
    p.GroupSize = names.size();
    if (i < e && t[i].IsSymbol(":")) {
        const size_t tb = ++i;
        for (int depth = 0; i < e && !(depth == 0 && t[i].IsSymbol("=")); ++i) {
            if (IsSymbolOf(t[i], "([")) ++depth;
            else if (IsSymbolOf(t[i], ")]")) --depth;
        }
        p.Type = TokenKey(t, tb, i);
        if (i > tb) p.TypeEnd = TokenEnd(t[i - 1]);
        if (i < e) {
            p.Default = TokenKey(t, i + 1, e);
            p.DefaultText = TokenSpan(line, t, i + 1, e);
        }
    }
    for (size_t n : names) {
        p.NameText = std::string(t[n].Text);
        p.Name = LowerCase(p.NameText);
        out.push_back(p);
    }
}

HeaderParts SplitHeader(std::string_view line) {
    HeaderParts h;
    const std::vector<TPasToken> t = PascalCodeTokens(line);
    const size_t n = t.size();
    size_t i = 0;
    if (i < n && t[i].IsIdent()) {
        h.Keyword = std::string(t[i++].Text);
        if (SameText(h.Keyword, "class") && i < n && t[i].IsIdent()) h.Keyword += " " + std::string(t[i++].Text);
    }
    h.KeywordKey = LowerCase(h.Keyword);
    if (i < n && t[i].IsIdent()) {
        const size_t nb = i++;
        while (i + 1 < n && t[i].IsSymbol(".") && t[i + 1].IsIdent()) i += 2;
        h.Name = TokenSpan(line, t, nb, i);
    }
    if (i < n && t[i].IsSymbol("(")) {
        const size_t open = i;
        size_t close = n;
        for (int depth = 0; i < n; ++i) {
            if (t[i].IsSymbol("(")) ++depth;
            else if (t[i].IsSymbol(")") && --depth == 0) {
                close = i++;
                break;
            }
        }
        // An unclosed list runs to the end of the line.
        h.Params = close < n ? TokenSpan(line, t, open, close + 1)
                             : std::string(TrimView(line.substr(size_t(t[open].Col))));
        size_t gb = open + 1;
        int depth = 0;
        for (size_t k = open + 1; k <= close; ++k) {
            const bool last = k == close;
            if (!last && IsSymbolOf(t[k], "([")) ++depth;
            else if (!last && IsSymbolOf(t[k], ")]")) --depth;
            if (last || (depth == 0 && t[k].IsSymbol(";"))) {
                if (k > gb) ParseParamGroup(line, t, gb, k, h.ParamList);
                gb = k + 1;
            }
        }
    }
    if (i < n && t[i].IsSymbol(":")) {
        const size_t rb = ++i;
        while (i < n && !t[i].IsSymbol(";")) ++i;
        h.RType = TokenSpan(line, t, rb, i);
        h.RTypeKey = TokenKey(t, rb, i);
    }
    while (i < n && !t[i].IsSymbol(";")) ++i;
    if (i < n) h.Directive = std::string(TrimView(line.substr(TokenEnd(t[i]))));
    return h;
}

// The parameter types in order (modes included, names left out): what tells
// overloads of one name apart.
std::string ParamTypes(std::string_view header) {
    std::string r;
    for (const auto& p : SplitHeader(header).ParamList) r += p.Mode + " " + p.Type + ";";
    return r;
}

// The accessor that follows the specifier word (read, write) in the rest of a
// property line: its code tokens up to the next specifier or ";", so that a
// record member or an array element ("FBounds.Left", "FItems[0]") comes
// whole and a comment glued to it stays out.
std::string AccessorAfter(std::string_view rest, std::string_view word) {
    static constexpr std::string_view kSpecifiers[] = {"read",    "write",     "stored", "default",   "nodefault",
                                                       "index",   "implements", "dispid", "readonly", "writeonly"};
    auto isSpecifier = [](const TPasToken& t) {
        return std::any_of(std::begin(kSpecifiers), std::end(kSpecifiers), [&](std::string_view w) { return t.Is(w); });
    };
    const std::vector<TPasToken> t = PascalCodeTokens(rest);
    int depth = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if (IsSymbolOf(t[i], "([")) ++depth;
        else if (IsSymbolOf(t[i], ")]")) --depth;
        if (depth != 0 || !t[i].Is(word)) continue;
        std::string r;
        for (size_t k = i + 1; k < t.size(); ++k) {
            if (IsSymbolOf(t[k], "([")) ++depth;
            else if (IsSymbolOf(t[k], ")]")) --depth;
            else if (depth == 0 && (t[k].IsSymbol(";") || isSpecifier(t[k]))) break;
            r += t[k].Text;
        }
        return r;
    }
    return {};
}

}  // namespace

// ---- construction and publishing ------------------------------------------------

TISourceCode::TISourceCode() = default;
TISourceCode::~TISourceCode() = default;

void TISourceCode::ValidateLines(TForth&) { ValidateLines(); }

namespace {

// A section line written from a command file: -1 (none) up to the line
// count or the cursor bound, so that the scans' "line + 1" stays in range.
template <int32_t TISourceCode::*Field>
void SetSectionLine(TISourceCode& s, int32_t v) {
    if (v < -1 || (v > TIText::MaxCursorLine && v > s.Lines->Count()))
        throw ERangeError("Section line " + IntToStr(v) + " out of range");
    s.*Field = v;
}

}  // namespace

const ClassInfo& TISourceCode::StaticForthClass() {
    static const PropInfo props[] = {
        OrdProp<TISourceCode, &TISourceCode::CaseSensitive, &TISourceCode::CaseSensitive>("CaseSensitive",
                                                                                         pkEnumeration),
        OrdProp<TISourceCode, &TISourceCode::IntfLine, &SetSectionLine<&TISourceCode::IntfLine>>("IntfLine"),
        OrdProp<TISourceCode, &TISourceCode::ImplLine, &SetSectionLine<&TISourceCode::ImplLine>>("ImplLine"),
        OrdProp<TISourceCode, &TISourceCode::ImplEndLine, &SetSectionLine<&TISourceCode::ImplEndLine>>("ImplEndLine"),
        OrdProp<TISourceCode, &TISourceCode::EndLine, &SetSectionLine<&TISourceCode::EndLine>>("EndLine"),
        OrdProp<TISourceCode, &TISourceCode::AdaNestingComments, &TISourceCode::AdaNestingComments>(
            "AdaNestingComments", pkEnumeration),
        StrProp<TISourceCode, &TISourceCode::MethodBody, &TISourceCode::MethodBody>("MethodBody"),
    };
    static const MethodInfo methods[] = {
        WordMethod<TISourceCode, &TISourceCode::ValidateLines>("ValidateLines"),
    };
    static const ClassInfo info{"TISourceCode", &TIText::StaticForthClass(), props, methods};
    return info;
}

TUnitIndex& TISourceCode::Index() const {
    if (!index_ || (!index_->Describes(*this) && !index_->Follow(*this))) index_ = std::make_unique<TUnitIndex>(*this);
    return *index_;
}

int TISourceCode::Limit(int bound) const { return std::clamp(bound, 0, LineCount()); }

int TISourceCode::Indentation(std::string_view line) {
    int n = 0;
    while (size_t(n) < line.size() && IsBlankChar(line[size_t(n)])) ++n;
    return n;
}

std::string TISourceCode::LeadingBlanks(std::string_view line) {
    return std::string(line.substr(0, size_t(Indentation(line))));
}

std::string TISourceCode::IndentDeeper(std::string_view lead) {
    return std::string(lead) + (lead.find('\t') != std::string_view::npos ? "\t" : "  ");
}

TPascalScanner TISourceCode::Scan(int first, int stop, int col) const {
    return TPascalScanner([this](int i) { return std::string_view(LineAt(i)); }, first, stop, col);
}

bool TISourceCode::isValidIdent(std::string_view s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
    return std::all_of(s.begin(), s.end(), IsIdentChar);
}

// ---- line tests ---------------------------------------------------------------------

bool TISourceCode::izPrefix(std::string_view prefix, std::string_view line) const {
    if (line.size() < prefix.size()) return false;
    if (CaseSensitive) {
        if (line.compare(0, prefix.size(), prefix) != 0) return false;
    } else {
        for (size_t i = 0; i < prefix.size(); ++i)
            if (LowCaseChar(line[i]) != LowCaseChar(prefix[i])) return false;
    }
    // A keyword is a whole word.
    return prefix.empty() || !IsIdentChar(prefix.back()) || line.size() == prefix.size() ||
           !IsIdentChar(line[prefix.size()]);
}

bool TISourceCode::is2Prefix(std::string_view first, std::string_view second, std::string_view line) const {
    if (!izPrefix(first, line)) return false;
    return izPrefix(second, TrimLeftView(line.substr(first.size())));
}

bool TISourceCode::StartsEnd(std::string_view line) const { return izPrefix("end", TrimLeftView(line)); }

int TISourceCode::isValidClass(std::string_view line, std::string& name) const {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || line.find(';') != std::string_view::npos) return ctkNone;
    std::string_view rest = TrimLeftView(line.substr(eq + 1));
    // Cheap rejection of the many lines that hold "=" for other reasons.
    if (rest.empty()) return ctkNone;
    char c = LowCaseChar(rest[0]);
    if (c != 'c' && c != 'o' && c != 'p' && c != 'i' && c != 'd') return ctkNone;
    std::string_view nm = TrimView(line.substr(0, eq));
    if (!isValidIdent(nm)) return ctkNone;
    int kind = ctkNone;
    if (izPrefix("class", rest)) {
        kind = izPrefix("of", TrimLeftView(rest.substr(5))) ? ctkNone : ctkClass;
    } else if (izPrefix("object", rest)) {
        // "object", "object(Ancestor)" or "object" followed by a comment.
        std::string_view after = TrimLeftView(rest.substr(6));
        if (after.empty() || after[0] == '(' || after[0] == '{' || after.starts_with("//")) kind = ctkObject;
    } else if (izPrefix("packed", rest)) {
        if (izPrefix("object", TrimLeftView(rest.substr(6)))) kind = ctkObject;
    } else if (izPrefix("interface", rest)) {
        std::string_view after = TrimLeftView(rest.substr(9));
        if (!after.empty() && (after[0] == '[' || after[0] == '(')) kind = ctkInterface;
    } else if (izPrefix("dispinterface", rest)) {
        std::string_view after = TrimLeftView(rest.substr(13));
        if (!after.empty() && after[0] == '[') kind = ctkInterface;
    }
    if (kind != ctkNone) name = std::string(nm);
    return kind;
}

bool TISourceCode::isValidMethodDecl(std::string_view line, std::string& name, bool inClass) const {
    std::string_view t;
    if (inClass) {
        if (line.empty() || !IsBlankChar(line[0])) return false;
        t = TrimLeftView(line);
    } else {
        t = line;
    }
    size_t skip = 0;
    if (izPrefix("procedure", t)) skip = 9;
    else if (izPrefix("function", t)) skip = 8;
    else if (inClass && izPrefix("constructor", t)) skip = 11;
    else if (inClass && izPrefix("destructor", t)) skip = 10;
    else if (inClass && izPrefix("class", t)) {
        std::string_view r = TrimLeftView(t.substr(5));
        if (izPrefix("procedure", r)) t = r, skip = 9;
        else if (izPrefix("function", r)) t = r, skip = 8;
        else return false;
    } else {
        return false;
    }
    std::string_view n = TrimView(CutAt(t.substr(skip), "(:;"));
    if (!isValidIdent(n)) return false;
    name = std::string(n);
    return true;
}

bool TISourceCode::isValidMethodImpl(std::string_view line, std::string& className, std::string& methodName) const {
    // Cheap rejection of the many lines that start with no header keyword.
    const char first = line.empty() ? 0 : LowCaseChar(line[0]);
    if (first != 'p' && first != 'f' && first != 'c' && first != 'd') return false;
    std::string_view t = line;
    size_t skip = 0;
    bool plain = true;  // procedure/function: allowed without a qualifier
    if (izPrefix("procedure", t)) skip = 9;
    else if (izPrefix("function", t)) skip = 8;
    else if (izPrefix("constructor", t)) skip = 11, plain = false;
    else if (izPrefix("destructor", t)) skip = 10, plain = false;
    else if (izPrefix("class", t)) {
        std::string_view r = TrimLeftView(t.substr(5));
        if (izPrefix("procedure", r)) t = r, skip = 9;
        else if (izPrefix("function", r)) t = r, skip = 8;
        else return false;
        plain = false;
    } else {
        return false;
    }
    // The qualifier dot counts only in the name, before the parameters or
    // the result type.
    std::string_view head = CutAt(t.substr(skip), "(:;");
    size_t dot = head.find('.');
    if (dot == std::string_view::npos) {
        if (!plain) return false;
        std::string_view m = TrimView(head);
        if (!isValidIdent(m)) return false;
        className.clear();
        methodName = std::string(m);
        return true;
    }
    // A method of a nested class: "TOuter.TInner.Method", the class named
    // "TOuter.TInner".
    const size_t last = head.rfind('.');
    std::string_view m = TrimView(head.substr(last + 1));
    if (!isValidIdent(m)) return false;
    std::string cls;
    for (size_t from = 0;;) {
        const size_t d = head.find('.', from);
        std::string_view part = TrimView(head.substr(from, d - from));
        if (!isValidIdent(part)) return false;
        if (d == last) {
            cls += part;
            break;
        }
        cls += std::string(part) + ".";
        from = d + 1;
    }
    className = std::move(cls);
    methodName = std::string(m);
    return true;
}

bool TISourceCode::isValidProperty(std::string_view line, TPropertyInfo& info) const {
    std::string_view t = TrimView(line);
    if (!izPrefix("property", t)) return false;
    size_t i = SkipBlanks(t, 8);
    size_t b = i;
    while (i < t.size() && !IsBlankChar(t[i]) && t[i] != '[' && t[i] != '(' && t[i] != ':' && t[i] != ';') ++i;
    if (i == b) return false;
    TPropertyInfo p;
    p.Name = std::string(t.substr(b, i - b));
    i = SkipBlanks(t, i);
    if (i < t.size() && t[i] == '[') {
        size_t close = t.find(']', i);
        size_t e = close == std::string_view::npos ? t.size() : close;
        p.Index = std::string(TrimView(t.substr(i + 1, e - i - 1)));
        i = close == std::string_view::npos ? t.size() : close + 1;
    }
    std::string_view rest = t.substr(i);
    size_t colon = rest.find(':');
    if (colon != std::string_view::npos) {
        size_t s = SkipBlanks(rest, colon + 1);
        size_t e = s;
        while (e < rest.size() && !IsBlankChar(rest[e]) && rest[e] != ';') ++e;
        p.Type = std::string(rest.substr(s, e - s));
    }
    p.Read = AccessorAfter(rest, "read");
    p.Write = AccessorAfter(rest, "write");
    info = std::move(p);
    return true;
}

bool TISourceCode::isValidField(int lineIndex, std::string& name, std::string& type) const {
    if (lineIndex < 0 || lineIndex >= LineCount()) return false;
    std::string_view s = LineAt(lineIndex);
    size_t colon = s.find(':');
    std::string_view nm, ty;
    if (colon != std::string_view::npos) {
        // One name, or a comma list that ends on this line.
        std::string_view before = s.substr(0, colon);
        nm = TrimView(CutAt(before, ","));
        ty = TrimView(CutAt(s.substr(colon + 1), ";"));
    } else if (s.find(',') != std::string_view::npos) {
        // A list running over the following lines: the first line that holds
        // ":" or no more "," gives the type.
        nm = TrimView(CutAt(s, ","));
        int last = std::min(LineCount(), lineIndex + 1 + kMaxContinuation);
        bool found = false;
        for (int j = lineIndex + 1; j < last && !found; ++j) {
            std::string_view l = LineAt(j);
            size_t c = l.find(':');
            if (c != std::string_view::npos) {
                ty = TrimView(CutAt(l.substr(c + 1), ";"));
                found = true;
            } else if (l.find(',') == std::string_view::npos) {
                return false;
            }
        }
        if (!found) return false;
    } else {
        return false;
    }
    if (!isValidIdent(nm) || !isValidIdent(ty)) return false;
    name = std::string(nm);
    type = std::string(ty);
    return true;
}

bool TISourceCode::isValidType(int lineIndex, std::string& name, std::string& text) const {
    if (lineIndex < 0 || lineIndex >= LineCount()) return false;
    const std::string& line = LineAt(lineIndex);
    size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    std::string_view nm = TrimView(std::string_view(line).substr(0, eq));
    if (nm.empty()) return false;
    std::string_view rest = TrimLeftView(std::string_view(line).substr(eq + 1));
    auto joinLines = [&](int from, int to) {
        std::string r = LineAt(from);
        for (int j = from + 1; j <= to; ++j) {
            r += kRtfBreak;
            r += LineAt(j);
        }
        return r;
    };
    if (izPrefix("procedure", rest) || izPrefix("function", rest)) {
        // A parameter list closed on this line without ";" after it may
        // continue with "of object" on the next line.
        size_t close = line.rfind(')');
        bool continues = line.find('(') != std::string::npos && close != std::string::npos &&
                         line.find(';', close) == std::string::npos && lineIndex + 1 < LineCount();
        text = continues ? joinLines(lineIndex, lineIndex + 1) : line;
    } else if (izPrefix("array", rest) || izPrefix("type", rest) ||
               (izPrefix("class", rest) && izPrefix("of", TrimLeftView(rest.substr(5)))) ||
               (izPrefix("set", rest) && izPrefix("of", TrimLeftView(rest.substr(3))))) {
        text = line;
    } else if (izPrefix("record", rest) || (izPrefix("packed", rest) && izPrefix("record", TrimLeftView(rest.substr(6))))) {
        // Through the "end" of the record (nested records and comments passed).
        std::vector<char> blocks;
        int last = -1;
        TPasToken t, prev;
        TPascalScanner sc = Scan(lineIndex, LineCount(), int(eq + 1));
        while (last < 0 && sc.NextCode(t)) {
            if (t.Is("end")) {
                if (!blocks.empty()) blocks.pop_back();
                if (blocks.empty()) last = t.Line;
            } else {
                OpenBlock(blocks, t, prev);
            }
            prev = t;
        }
        text = joinLines(lineIndex, last < 0 ? LineCount() - 1 : last);
    } else if (!rest.empty() && rest[0] == '(' && isValidIdent(nm)) {
        // An enumeration: a list of identifiers in a type section, not a
        // constant expression in parentheses.
        const int last = EnumerationEnd(lineIndex, eq + 1);
        if (last < 0 || !InTypeSection(lineIndex)) return false;
        text = joinLines(lineIndex, last);
    } else {
        return false;
    }
    name = std::string(nm);
    return true;
}

int TISourceCode::EnumerationEnd(int line, size_t col) const {
    const int stop = std::min(ImplLine > line ? Limit(ImplLine) : LineCount(), line + kMaxContinuation);
    TPascalScanner sc = Scan(line, stop, int(col));
    TPasToken t;
    if (!sc.NextCode(t) || !t.IsSymbol("(")) return -1;
    // ( Name [= value] , ... ): expecting a name, a value or the separator.
    enum { Name, Separator, Value } want = Name;
    int depth = 0;  // parentheses inside a value
    while (sc.NextCode(t)) {
        if (want == Name) {
            if (!t.IsIdent()) return -1;
            want = Separator;
        } else if (depth > 0) {
            if (t.IsSymbol("(")) ++depth;
            else if (t.IsSymbol(")")) --depth;
        } else if (t.IsSymbol(",")) {
            want = Name;
        } else if (t.IsSymbol(")")) {
            return t.Line;
        } else if (want == Separator && (t.IsSymbol("=") || t.IsSymbol(":="))) {
            want = Value;
        } else if (want == Value) {
            if (t.IsSymbol("(")) ++depth;
        } else {
            return -1;
        }
    }
    return -1;  // never closed
}

bool TISourceCode::InTypeSection(int line) const {
    // The nearest section keyword above the line.
    static constexpr std::string_view kOthers[] = {"const", "var", "threadvar", "resourcestring", "label", "begin",
                                                   "uses", "interface", "implementation", "initialization",
                                                   "finalization"};
    for (int i = std::min(line, LineCount()) - 1; i >= 0; --i) {
        std::string_view t = TrimLeftView(LineAt(i));
        if (izPrefix("type", t)) return true;
        for (std::string_view w : kOthers)
            if (izPrefix(w, t)) return false;
    }
    return false;
}

// ---- sections ------------------------------------------------------------------------

void TISourceCode::ValidateLines() {
    const int n = LineCount();
    // Only lines just re-read are unmodified: validating edited lines again
    // (a command file may) keeps their edits marked for the write-back.
    if (TakeFreshLoad()) SetModified(false);
    // Section keywords stand in column 1 and begin with i, e or f: the first
    // character rules out nearly every line.
    const std::vector<std::string>& lines = Lines->Strings();
    auto first = [&](int i) { return lines[size_t(i)].empty() ? 0 : LowCaseChar(lines[size_t(i)][0]); };
    ImplLine = -1;
    IntfLine = 0;
    for (int i = 0; i < n; ++i) {
        if (first(i) != 'i') continue;
        const std::string& l = LineAt(i);
        if (!izPrefix("interface", l)) continue;
        IntfLine = i;
        size_t blank = 0;
        while (blank < l.size() && !IsBlankChar(l[blank])) ++blank;
        if (blank < l.size() && izPrefix("implementation", TrimLeftView(std::string_view(l).substr(blank)))) ImplLine = i;
        break;
    }
    if (ImplLine < 0) {
        ImplLine = 0;
        for (int i = IntfLine + 1; i < n; ++i)
            if (first(i) == 'i' && izPrefix("implementation", LineAt(i))) {
                ImplLine = i;
                break;
            }
    }
    ImplEndLine = -1;
    bool ended = false;
    for (int i = ImplLine + 1; i < n; ++i) {
        const char c = first(i);
        if (c != 'e' && c != 'i' && c != 'f') continue;
        const std::string& l = LineAt(i);
        if (izPrefix("end.", l)) {
            EndLine = i;
            if (ImplEndLine < 0) ImplEndLine = i;
            ended = true;
            break;
        }
        if (izPrefix("initialization", l)) ImplEndLine = i;
        else if (izPrefix("finalization", l) && ImplEndLine < 0) ImplEndLine = i;
    }
    // Without "end." the unit runs to its last line; nothing of a previous
    // unit survives.
    if (!ended) EndLine = n;
    if (ImplEndLine < 0) ImplEndLine = EndLine;
}

// ---- searches --------------------------------------------------------------------------

bool TISourceCode::FindClass(std::string_view className, int& line) const {
    if (className.find('.') != std::string_view::npos) return FindNestedClass(className, line);
    if (className.empty()) {
        line = IntfLine + 1;
        return true;
    }
    const int h = Index().ClassLine(className);
    if (h < 0) return false;
    line = h;
    return true;
}

bool TISourceCode::isNestingType(std::string_view line, std::string& name) const {
    if (isValidClass(line, name) != ctkNone) return true;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    const std::string_view nm = TrimView(line.substr(0, eq));
    std::string_view rest = TrimLeftView(line.substr(eq + 1));
    if (izPrefix("packed", rest)) rest = TrimLeftView(rest.substr(6));
    if (!izPrefix("record", rest) || HasWord(rest, "end") || !isValidIdent(nm)) return false;
    name = std::string(nm);
    return true;
}

bool TISourceCode::FindNestedClass(std::string_view path, int& line) const {
    // "TOuter.TInner": each type within the body of the one before, the
    // first at unit level; the last is a class (records have no jumps).
    std::string nm;
    int from = std::max(IntfLine + 1, 0), end = Limit(ImplEndLine);
    for (size_t b = 0;;) {
        const size_t dot = path.find('.', b);
        const std::string_view part = path.substr(b, dot == std::string_view::npos ? dot : dot - b);
        int h = -1;
        for (int i = from; i < end && h < 0; ++i) {
            const std::string& l = LineAt(i);
            if ((dot == std::string_view::npos ? isValidClass(l, nm) != ctkNone : isNestingType(l, nm)) &&
                SameText(nm, part))
                h = i;
        }
        if (h < 0) return false;
        if (dot == std::string_view::npos) {
            line = h;
            return true;
        }
        from = h + 1;
        end = FindClassEnd(h);
        b = dot + 1;
    }
}

bool TISourceCode::OpensNestedBlock(std::string_view line) const {
    // A class header holds "=", a record "=" or ":": most lines hold neither.
    size_t sep = FirstOf(line, "=:");
    if (sep == std::string_view::npos) return false;
    std::string nm;
    if (isValidClass(line, nm) != ctkNone) return true;
    // A record type or a field of an anonymous record type, unless it closes
    // on the same line.
    std::string_view rest = TrimLeftView(line.substr(sep + 1));
    if (izPrefix("packed", rest)) rest = TrimLeftView(rest.substr(6));
    return izPrefix("record", rest) && !HasWord(rest, "end");
}

std::vector<int> TISourceCode::MemberLines(int headerLine) const {
    std::vector<int> r;
    const int n = LineCount();
    TUnitIndex& index = Index();
    const int end = index.BodyEnd(headerLine);  // the sweep reads the body through the scanner
    for (int i = std::max(headerLine + 1, 0); i < std::min(end, n); ++i) {
        const TUnitIndex::TLineKind k = index.Kind(i);
        if (k == TUnitIndex::lkOpens) i = index.BodyEnd(i);  // a nested record or class type is left out
        else if (k != TUnitIndex::lkSkip) r.push_back(i);
    }
    return r;
}

// Nested record and class types end with their own "end": the index
// matches every body end in one sweep, reading the lines through the
// Pascal scanner.
int TISourceCode::FindClassEnd(int headerLine) const { return Index().BodyEnd(headerLine); }

std::vector<TISourceCode::DeclEntry> TISourceCode::CollectDecls(std::string_view className, bool& found) const {
    std::vector<DeclEntry> r;
    std::string nm;
    found = true;
    if (!className.empty()) {
        int h = 0;
        if (!FindClass(className, h)) {
            found = false;
            return r;
        }
        for (int i : MemberLines(h))
            if (isValidMethodDecl(LineAt(i), nm, true)) r.push_back({nm, i});
        return r;
    }
    const int stop = Limit(ImplLine);
    for (int i = std::max(IntfLine + 1, 0); i < stop; ++i) {
        const std::string& l = LineAt(i);
        if (isValidClass(l, nm) != ctkNone) i = FindClassEnd(i);  // outside every class body
        else if (isValidMethodDecl(l, nm, false)) r.push_back({nm, i});
    }
    return r;
}

const std::vector<TISourceCode::DeclEntry>& TISourceCode::KnownDecls(std::string_view className, bool& found) const {
    TUnitIndex& index = Index();
    const TUnitIndex::Decls* known = index.FindDecls(className);
    if (!known) {
        TUnitIndex::Decls d;
        d.Entries = CollectDecls(className, d.Found);
        known = &index.StoreDecls(className, std::move(d));
    }
    found = known->Found;
    return known->Entries;
}

std::vector<TISourceCode::DeclEntry> TISourceCode::CollectImpls(std::string_view className) const {
    std::vector<DeclEntry> r;
    std::string c, m;
    const int stop = Limit(ImplEndLine);
    for (int i = std::max(ImplLine + 1, 0); i < stop; ++i)
        if (isValidMethodImpl(LineAt(i), c, m) && c.size() == className.size() && SameText(c, className))
            r.push_back({m, i});
    return r;
}

bool TISourceCode::FindMethodIntf(std::string_view className, std::string_view methodName, int& line) const {
    bool found = false;
    for (const auto& d : KnownDecls(className, found))
        if (SameText(d.Name, methodName)) {
            line = d.Line;
            return true;
        }
    return false;
}

bool TISourceCode::FindMethodImpl(std::string_view className, std::string_view methodName, int& line) const {
    const int i = Index().FirstImpl(className, methodName);
    if (i < 0) return false;
    line = i;
    return true;
}

bool TISourceCode::FindField(int headerLine, std::string_view name, int& line, int& col) const {
    for (int i : MemberLines(headerLine)) {
        const std::vector<TPasToken> t = PascalCodeTokens(LineAt(i));
        size_t k = 0;
        if (k + 1 < t.size() && t[k].Is("class") && t[k + 1].Is("var")) ++k;
        if (k < t.size() && t[k].Is("var")) ++k;
        // "A, B: Type", or a list that goes on in the next line ("A, B,").
        size_t first = k;
        while (k < t.size() && t[k].IsIdent() && ++k < t.size() && t[k].IsSymbol(",")) ++k;
        const bool names = k > first && (k == t.size() ? t[k - 1].IsSymbol(",") : t[k].IsSymbol(":"));
        for (size_t j = first; names && j < k; j += 2)
            if (SameText(t[j].Text, name)) {
                line = i;
                col = t[j].Col + 1;
                return true;
            }
    }
    return false;
}

bool TISourceCode::FindMatchingImpl(std::string_view className, int declLine, int& line) const {
    std::string nm;
    if (!isValidMethodDecl(LineAt(declLine), nm, !className.empty())) return false;
    return MatchHeader(className, nm, declLine, true, line);
}

bool TISourceCode::FindMatchingIntf(std::string_view className, int implLine, int& line) const {
    std::string c, nm;
    if (!isValidMethodImpl(LineAt(implLine), c, nm)) return false;
    return MatchHeader(className, nm, implLine, false, line);
}

bool TISourceCode::MatchHeader(std::string_view className, std::string_view methodName, int own, bool fromDecl,
                               int& line) const {
    bool found = false;
    std::vector<int> decls, impls;
    for (const auto& d : KnownDecls(className, found))
        if (SameText(d.Name, methodName)) decls.push_back(d.Line);
    // A declaration outside the class the name finds (a second copy of the
    // class under conditional compilation): by name.
    if (fromDecl && std::find(decls.begin(), decls.end(), own) == decls.end())
        return FindMethodImpl(className, methodName, line);
    const std::string types = ParamTypes(HeaderText(own));
    auto sameTypes = [&](int l) { return ParamTypes(HeaderText(l)) == types; };
    // The usual case, one declaration: the first implementation answers
    // when its parameter types agree, without a look at the others.
    int first = -1;
    if (decls.size() == 1 && !fromDecl && sameTypes(decls[0])) first = decls[0];
    if (decls.size() == 1 && fromDecl && FindMethodImpl(className, methodName, first) && !sameTypes(first)) first = -1;
    if (first >= 0) {
        line = first;
        return true;
    }
    impls = Index().AllImpls(className, methodName);
    // One of each: by name, whatever their parameters (a header refresh
    // makes them agree).
    if (decls.size() <= 1 && impls.size() <= 1) {
        if (decls.empty() || impls.empty()) return false;
        line = fromDecl ? impls[0] : decls[0];
        return true;
    }
    // Overloads, or one header several times under conditional compilation:
    // the k-th header of these parameter types on this side takes the k-th
    // on the other side, else the first; other parameter types never match.
    const std::vector<int>& mine = fromDecl ? decls : impls;
    const std::vector<int>& others = fromDecl ? impls : decls;
    int k = 0;
    for (size_t i = 0; i < mine.size() && mine[i] != own; ++i) k += sameTypes(mine[i]);
    for (int l : others)
        if (sameTypes(l)) {
            if (first < 0) first = l;
            if (k-- == 0) {
                line = l;
                return true;
            }
        }
    if (first < 0) return false;
    line = first;
    return true;
}

bool TISourceCode::FindProperty(std::string_view className, std::string_view propertyName, int& line) const {
    int h = 0;
    if (!FindClass(className, h)) return false;
    TPropertyInfo p;
    for (int i : MemberLines(h))
        if (isValidProperty(LineAt(i), p) && SameText(p.Name, propertyName)) {
            line = i;
            return true;
        }
    return false;
}

bool TISourceCode::FindScope(std::string_view word, int& line) const {
    const int stop = Limit(ImplEndLine);
    const int first = std::max(line, 0);
    int depth = 0;  // the "end" of a nested record or class type ends nothing
    for (int i = first; i < stop; ++i) {
        std::string_view t = TrimLeftView(LineAt(i));
        if (depth == 0 && izPrefix(word, t)) {
            line = i;
            return true;
        }
        if (izPrefix("end", t)) {
            if (depth == 0) return false;
            --depth;
        } else if (i > first && OpensNestedBlock(LineAt(i))) {
            ++depth;
        }
    }
    return false;
}

bool TISourceCode::FindEndOfScope(int scope, int& line) const {
    static const char* const words[] = {"protected", "public", "published"};
    for (int w = std::max(scope, 0); w < 3; ++w) {
        int l = line;
        if (FindScope(words[w], l)) {
            line = l;
            return true;
        }
    }
    const int stop = Limit(ImplEndLine);
    const int first = std::max(line, 0);
    int depth = 0;
    for (int i = first; i < stop; ++i) {
        std::string_view t = TrimLeftView(LineAt(i));
        if (izPrefix("end", t)) {
            if (depth == 0 && is2Prefix("end", ";", t)) {
                line = i;
                return true;
            }
            if (depth > 0) --depth;
        } else if (i > first && OpensNestedBlock(LineAt(i))) {
            ++depth;
        }
    }
    return false;
}

bool TISourceCode::FindPrefix(std::string_view prefix, int& line) const {
    const int stop = Limit(ImplEndLine);
    for (int i = std::max(line, 0); i < stop; ++i)
        if (izPrefix(prefix, TrimLeftView(LineAt(i)))) {
            line = i;
            return true;
        }
    return false;
}

bool TISourceCode::isInsideClass(std::string& className, int& line) const {
    // The nearest class header above whose body reaches the line; the "end"
    // of a nested record or class type does not end the enclosing class.
    std::string nm;
    const int h = Index().ClassAround(line);
    if (h < 0) return false;
    isValidClass(LineAt(h), nm);
    className = nm;
    line = h;
    return true;
}

bool TISourceCode::isInsideMethodImpl(std::string& className, std::string& methodName, int& line) const {
    std::string c, m;
    const int h = Index().ImplAbove(line, c, m);
    if (h < 0) return false;
    className = c;
    methodName = m;
    line = h;
    return true;
}

// ---- neighbours and insertion places -----------------------------------------------------

bool TISourceCode::Neighbours(std::string_view className, std::string_view methodName, bool implOrder,
                              DeclEntry& before, DeclEntry& after) {
    before = {"", -1};
    after = {"", -1};
    bool found = false;
    std::vector<DeclEntry> decls = CollectDecls(className, found);
    if (!found) {
        Msg(std::string("Class ") + std::string(className) + " not found");
        return false;
    }
    std::vector<DeclEntry> impls = CollectImpls(className);
    // First line of each name in the other order.
    std::unordered_map<std::string, int> implLine, declLine;
    for (const auto& e : impls) implLine.emplace(LowerCase(e.Name), e.Line);
    for (const auto& e : decls) declLine.emplace(LowerCase(e.Name), e.Line);
    const std::vector<DeclEntry>& order = implOrder ? impls : decls;
    const auto& other = implOrder ? declLine : implLine;
    const std::string key = LowerCase(methodName);
    int idx = -1;
    for (size_t i = 0; i < order.size() && idx < 0; ++i)
        if (LowerCase(order[i].Name) == key) idx = int(i);
    if (idx < 0) return true;
    // The nearest other name in the order, stepping by step, that the other
    // order also holds; its line is the one in the other order.
    auto nearest = [&](int step, DeclEntry& out) {
        for (int j = idx + step; j >= 0 && j < int(order.size()); j += step) {
            std::string k = LowerCase(order[size_t(j)].Name);
            if (k == key) continue;
            auto it = other.find(k);
            if (it != other.end()) {
                out = {order[size_t(j)].Name, it->second};
                return;
            }
        }
    };
    nearest(-1, before);
    nearest(+1, after);
    return true;
}

bool TISourceCode::NeighbourNames(std::string_view className, std::string_view methodName, bool implOrder,
                                  std::string& before, std::string& after) {
    DeclEntry b, a;
    bool ok = Neighbours(className, methodName, implOrder, b, a);
    before = b.Name;
    after = a.Name;
    return ok;
}

bool TISourceCode::FindMethodIntfNeighbours(std::string_view className, std::string_view methodName,
                                            std::string& before, std::string& after) {
    return NeighbourNames(className, methodName, false, before, after);
}

bool TISourceCode::FindMethodImplNeighbours(std::string_view className, std::string_view methodName,
                                            std::string& before, std::string& after) {
    return NeighbourNames(className, methodName, true, before, after);
}

bool TISourceCode::FindFieldNeighbours(std::string_view, std::string_view, std::string& before, std::string& after) {
    before.clear();
    after.clear();
    return false;
}

void TISourceCode::OpenBlock(std::vector<char>& blocks, const TPasToken& t, const TPasToken& prev) const {
    if (!t.IsIdent()) return;
    if (t.Is("begin")) {
        blocks.push_back('B');
    } else if (t.Is("asm")) {
        blocks.push_back('A');
    } else if (t.Is("try")) {
        blocks.push_back('T');
    } else if (t.Is("case")) {
        // The variant part of a record ends with the record.
        if (blocks.empty() || blocks.back() != 'R') blocks.push_back('C');
    } else if (t.Is("record")) {
        blocks.push_back('R');
    } else if ((t.Is("class") || t.Is("object") || t.Is("interface")) && (prev.IsSymbol("=") || prev.Is("packed"))) {
        // A body follows unless the type ends on its line (a forward or
        // one-line class) or is a class reference.
        std::string_view rest = std::string_view(LineAt(t.Line)).substr(size_t(t.Col) + t.Text.size());
        if (rest.find(';') == std::string_view::npos && !izPrefix("of", TrimLeftView(rest))) blocks.push_back('R');
    }
}

int TISourceCode::FindRoutineEnd(int headerLine) const {
    const int stop = Limit(ImplEndLine);
    if (headerLine < 0 || headerLine >= stop) return -1;
    // Block structure over the routine's code tokens. The routine ends where
    // the body of its last pending header closes.
    std::vector<char> blocks;  // B begin, A asm, T try, C case, R record/class body
    int routines = 0;
    TPasToken t, prev;  // prev: the previous code token (none yet: empty)
    TPascalScanner sc = Scan(headerLine, stop);
    while (sc.NextCode(t)) {
        if (t.Kind == TPasTokenKind::Asm) continue;
        if (t.Is("procedure") || t.Is("function") || t.Is("constructor") || t.Is("destructor") ||
            t.Is("operator")) {
            if (blocks.empty() && (prev.Text.empty() || prev.IsSymbol(";") || prev.Is("class"))) ++routines;
        } else if (t.Is("forward") || t.Is("external")) {
            if (blocks.empty() && routines > 0 && prev.IsSymbol(";") && --routines == 0)
                return t.Line;  // a header without a body
        } else if (t.Is("end")) {
            if (!blocks.empty()) {
                const char k = blocks.back();
                blocks.pop_back();
                if (blocks.empty() && (k == 'B' || k == 'A') && --routines <= 0) return t.Line;
            }
        } else {
            OpenBlock(blocks, t, prev);
        }
        prev = t;
    }
    return -1;
}

int TISourceCode::FindDeclEnd(int line) const {
    const int n = LineCount();
    if (line < 0 || line >= n) return line;
    // The first line after which the parentheses opened so far are closed.
    int depth = 0, last = line;
    TPasToken t;
    TPascalScanner sc = Scan(line, std::min(n, line + kMaxContinuation));
    while (sc.NextCode(t)) {
        if (t.Line != last) {
            if (depth <= 0) return last;
            last = t.Line;
        }
        if (t.IsSymbol("(")) ++depth;
        else if (t.IsSymbol(")")) --depth;
    }
    return depth <= 0 ? last : line;
}

int TISourceCode::LocateMethodImplPlace(std::string_view className, std::string_view methodName) {
    DeclEntry before, after;
    Neighbours(className, methodName, false, before, after);
    const int first = std::max(ImplLine + 1, 0);
    const int stop = Limit(ImplEndLine);
    int place = -1;
    if (before.Line >= 0) {
        int end = FindRoutineEnd(before.Line);
        if (end < 0 && before.Line < stop) {
            // Unusual block structure: the first "end" in column 1.
            TPasToken t;
            TPascalScanner sc = Scan(before.Line, stop);
            while (end < 0 && sc.NextCode(t))
                if (t.Col == 0 && t.Is("end")) end = t.Line;
        }
        if (end >= 0) place = end + 1;
    }
    if (place < 0 && after.Line >= 0) {
        // Before the next implementation and the comment lines above it (a
        // comment running over several lines stays whole), keeping a blank
        // line in between; never inside the routine above.
        place = after.Line;
        if (place > first) {
            std::vector<char> comment(size_t(place - first), 0), code(size_t(place - first), 0);
            TPasToken t;
            TPascalScanner sc = Scan(first, place);
            while (sc.Next(t)) (t.IsCode() ? code : comment)[size_t(t.Line - first)] = 1;
            while (place - 1 >= first && comment[size_t(place - 1 - first)] && !code[size_t(place - 1 - first)])
                --place;
        }
        if (place - 1 >= first && IsBlankLine(LineAt(place - 1))) --place;
    }
    if (place < 0) {
        place = stop;
        if (place - 1 >= first && IsBlankLine(LineAt(place - 1))) --place;
    }
    return std::clamp(place, first, std::max(first, stop));
}

int TISourceCode::LocateMethodDeclPlace(std::string_view className, std::string_view methodName) {
    std::string indent;
    const int place = DeclPlace(className, methodName, indent);
    if (place >= 0) SetMargin(ColumnInRange(int64_t(indent.size())));
    return place;
}

int TISourceCode::DeclPlace(std::string_view className, std::string_view methodName, std::string& indent) {
    DeclEntry before, after;
    if (!Neighbours(className, methodName, true, before, after)) return -1;
    int place;
    int indentOf = -1;  // the line whose indentation the declaration takes
    if (before.Line >= 0) {
        place = HeaderEnd(before.Line) + 1;
        indentOf = before.Line;
    } else if (after.Line >= 0) {
        place = after.Line;
    } else if (className.empty()) {
        // A first unit-level routine goes at the end of the interface part,
        // never into the uses clause.
        place = ImplLine > IntfLine ? Limit(ImplLine) : LineCount();
        if (place - 1 > IntfLine && IsBlankLine(LineAt(place - 1))) --place;
    } else {
        int h = 0;
        if (!FindClass(className, h)) return -1;
        place = FindDeclEnd(h) + 1;
    }
    // Indented like its neighbours; unit-level declarations stay in column 1.
    indent = className.empty() ? "" : LeadingBlanks(LineAt(indentOf >= 0 ? indentOf : place));
    return place;
}

// ---- unit and class lists ---------------------------------------------------------------

void TISourceCode::ParseUnit(TUnitComponentList& list) const {
    const int stop = Limit(ImplLine);
    std::string nm, text;
    for (int i = std::max(IntfLine, 0); i < stop; ++i) {
        const std::string& l = LineAt(i);
        int k = isValidClass(l, nm);
        if (k != ctkNone) {
            list.AddUnitComponent(k == ctkInterface ? 1 : 2, nm, l);
            i = FindClassEnd(i);  // nothing inside the body is recorded
        } else if (isValidMethodDecl(l, nm, false)) {
            list.AddUnitComponent(6, nm, l);
        } else if (isValidType(i, nm, text)) {
            list.AddUnitComponent(4, nm, text);
        }
    }
}

bool TISourceCode::ParseClass(std::string_view className, TClassComponentList& list) const {
    int h = 0;
    if (className.empty() || !FindClass(className, h)) return false;
    ParseClassAt(h, list);
    return true;
}

void TISourceCode::ParseClassAt(int headerLine, TClassComponentList& list) const {
    uint8_t scope = 3;
    std::string nm, ty;
    TPropertyInfo p;
    int headerEnd = -1;
    for (int i : MemberLines(headerLine)) {
        // The lines that continue a method header are its parameters, not fields.
        if (i <= headerEnd) continue;
        const std::string& l = LineAt(i);
        std::string_view t = TrimView(l);
        if (izPrefix("private", t)) scope = 0;
        else if (izPrefix("protected", t)) scope = 1;
        else if (izPrefix("public", t)) scope = 2;
        else if (izPrefix("published", t)) scope = 3;
        // A header that runs over lines is kept whole: its directives may stand on the last one.
        else if (isValidMethodDecl(l, nm, true)) {
            headerEnd = HeaderEnd(i);
            list.AddClassComponent(3, scope, nm, headerEnd > i ? std::string_view(HeaderText(i)) : t);
        } else if (isValidProperty(l, p)) list.AddClassComponent(2, scope, p.Name, t);
        else if (isValidField(i, nm, ty)) list.AddClassComponent(1, scope, nm, t);
    }
}

void TISourceCode::RefineClass(const TClassComponentList& list, TClassComponentList& other) const {
    for (int i = 0; i < other.GetCount(); ++i) {
        TClassComponent c = other.GetClassComponent(i);
        if (c.Kind != 0 && list.FindClassComponentByName(c.Kind, c.Name) >= 0) other.SetKind(i, 0);
    }
}

void TISourceCode::RefineVirtualClass(TClassComponentList& list) const {
    for (int i = 0; i < list.GetCount(); ++i) {
        TClassComponent c = list.GetClassComponent(i);
        bool keep = false;
        if (c.Kind == 2) {
            keep = c.Scope <= 1;
        } else if (c.Kind == 3) {
            // The directives as code: "override; {virtual;}" is no virtual method.
            const std::string d = ExtractMethodDirective(c.Text);
            for (const TPasToken& t : PascalCodeTokens(d))
                keep = keep || (t.IsIdent() && (SameText(t.Text, "virtual") || SameText(t.Text, "dynamic") ||
                                                SameText(t.Text, "message")));
        }
        if (!keep && c.Kind != 0) list.SetKind(i, 0);
    }
}

// ---- extractors ---------------------------------------------------------------------------

std::string TISourceCode::ExtractClassAncestors(std::string_view line) const {
    size_t eq = line.find('=');
    size_t open = line.find('(', eq == std::string_view::npos ? 0 : eq);
    if (open == std::string_view::npos) return {};
    size_t close = line.find(')', open);
    std::string_view inner = line.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                                   : close - open - 1);
    return std::string(TrimView(inner));
}

std::string TISourceCode::ExtractClassAncestor(std::string_view line) const {
    std::string first(TrimView(CutAt(ExtractClassAncestors(line), ",")));
    if (!first.empty()) return first;
    std::string nm;
    int k = isValidClass(line, nm);
    if (k == ctkClass) return SameText(nm, "TObject") ? "" : "TObject";
    if (k == ctkInterface) return SameText(nm, "IUnknown") ? "" : "IUnknown";
    return {};
}

std::string TISourceCode::ExtractParams(std::string_view line) const { return SplitHeader(line).Params; }

std::string TISourceCode::ExtractRType(std::string_view line) const { return SplitHeader(line).RType; }

std::string TISourceCode::ExtractMethodDirective(std::string_view line) const { return SplitHeader(line).Directive; }

std::string TISourceCode::ExtractMethodHeader(std::string_view line) const {
    HeaderParts h = SplitHeader(line);
    std::string r = h.Keyword + h.Params;
    if (!h.RType.empty()) r += ": " + h.RType;
    r += ";";
    return r;
}

std::string TISourceCode::ExtractParamNames(std::string_view line) const {
    std::string r;
    for (const auto& p : SplitHeader(line).ParamList) {
        r += r.empty() ? "(" : ", ";
        r += p.NameText;
    }
    return r.empty() ? r : r + ")";
}

int TISourceCode::HeaderEnd(int line) const {
    int e = std::max(line, FindDeclEnd(line));
    // The result type, or the ";", on a line of its own.
    for (int k = 0; k < 2 && e + 1 < LineCount(); ++k) {
        const std::string_view next = TrimLeftView(LineAt(e + 1));
        if (!next.starts_with(":") && !next.starts_with(";")) break;
        ++e;
    }
    return e;
}

std::string TISourceCode::HeaderText(int line) const {
    if (line < 0 || line >= LineCount()) return {};
    const int last = HeaderEnd(line);
    TPascalScanner sc([this](int i) { return std::string_view(LineAt(i)); }, line, last + 1);
    std::string r = LineAt(line).substr(0, size_t(Indentation(LineAt(line))));
    const size_t indent = r.size();
    TPasToken t;
    int prevLine = -1;
    size_t prevEnd = 0;
    bool gap = false;  // a comment left out since the previous token
    while (sc.Next(t)) {
        if (t.Kind == TPasTokenKind::Comment) {
            gap = true;
            continue;
        }
        if (prevLine == t.Line && !gap) {
            r += LineAt(t.Line).substr(prevEnd, size_t(t.Col) - prevEnd);
        } else if (r.size() > indent && !IsSymbolOf(t, ",;:)]") && r.back() != '(' && r.back() != '[') {
            r += ' ';  // one blank for a line break or a comment
        }
        r += t.Text;
        prevLine = t.Line;
        prevEnd = TokenEnd(t);
        gap = false;
    }
    return r;
}

bool TISourceCode::SameHeaders(std::string_view decl, std::string_view impl) const {
    const HeaderParts d = SplitHeader(decl), m = SplitHeader(impl);
    if (d.KeywordKey != m.KeywordKey || d.RTypeKey != m.RTypeKey || d.ParamList.size() != m.ParamList.size())
        return false;
    for (size_t i = 0; i < d.ParamList.size(); ++i) {
        const HeaderParam &a = d.ParamList[i], &b = m.ParamList[i];
        if (a.Name != b.Name || a.Mode != b.Mode || a.Type != b.Type) return false;
        // Default values belong to the declaration; the implementation may leave them out.
        if (!b.Default.empty() && b.Default != a.Default) return false;
    }
    return true;
}

std::string TISourceCode::KeepDefaults(std::string_view header, std::string_view decl) const {
    const HeaderParts h = SplitHeader(header), d = SplitHeader(decl);
    std::string r(header);
    // From the last parameter on, so that the offsets before stay valid.
    for (size_t i = h.ParamList.size(); i-- > 0;) {
        const HeaderParam& p = h.ParamList[i];
        if (!p.Default.empty() || p.GroupSize != 1 || p.Type.empty()) continue;
        const HeaderParam* old = nullptr;
        for (const auto& q : d.ParamList)
            if (q.Name == p.Name) old = &q;
        // A renamed parameter: the one at the same place.
        if (!old && d.ParamList.size() == h.ParamList.size()) old = &d.ParamList[i];
        if (old && old->Type == p.Type && !old->DefaultText.empty()) r.insert(p.TypeEnd, " = " + old->DefaultText);
    }
    return r;
}

void TISourceCode::ExtractUnitsUses(int line, TStringList& list) const {
    if (line < 0 || line >= LineCount()) return;
    std::string s;
    const int last = std::min(LineCount(), line + kMaxContinuation);
    for (int i = line; i < last; ++i) {
        s += LineAt(i);
        s += ' ';
        if (LineAt(i).find(';') != std::string::npos) break;
    }
    std::string_view v = TrimLeftView(CutAt(s, ";"));
    if (izPrefix("uses", v)) v = v.substr(4);
    std::string flat = KillBlanks(v);
    std::string_view f(flat);
    while (!f.empty()) {
        size_t comma = f.find(',');
        std::string_view u = f.substr(0, comma);
        if (!u.empty()) list.Add(std::string(u));
        if (comma == std::string_view::npos) break;
        f = f.substr(comma + 1);
    }
}

std::string TISourceCode::UnitName() const { return ChangeFileExt(ExtractFileName(FileName), ""); }

// ---- generators ----------------------------------------------------------------------------

std::string TISourceCode::QualifiedHeader(std::string_view header, std::string_view className,
                                          std::string_view methodName, std::string_view suffix) {
    std::string q = " ";
    if (!className.empty()) {
        q += className;
        q += ".";
    }
    q += methodName;
    size_t p = header.find('(');
    if (p == std::string_view::npos) p = header.find(':');
    if (p == std::string_view::npos) p = header.find(';');
    if (p == std::string_view::npos) p = header.size();
    std::string line(header.substr(0, p));
    line += q;
    line += header.substr(p);
    line += suffix;
    return line;
}

void TISourceCode::InsertMethod(std::string_view header, std::string_view className, std::string_view suffix,
                                std::string_view methodName) {
    OutText(QualifiedHeader(header, className, methodName, suffix));
    CRLF();
}

bool TISourceCode::HasImplementationPart() const {
    if (ImplLine < 0 || ImplLine >= LineCount()) return false;
    const std::string& l = LineAt(ImplLine);
    // "interface implementation" on one line counts too.
    return izPrefix("implementation", l) ||
           (ImplLine == IntfLine && izPrefix("interface", l) && HasWord(l, "implementation"));
}

bool TISourceCode::CheckImplementationPart() const {
    if (HasImplementationPart()) return true;
    Msg("The unit has no implementation part");
    return false;
}

bool TISourceCode::CreateMethodImplByDecl(std::string_view declaration, std::string_view className) {
    std::string name;
    if (!isValidMethodDecl(declaration, name, !className.empty())) return false;
    // Never into the interface part.
    if (!CheckImplementationPart()) return false;
    SetCursorLine(LocateMethodImplPlace(className, name));
    SetCursorCol(1);
    const std::string before = LineAt(GetCursorLine());
    CRLF();
    std::string header = ExtractMethodHeader(declaration);
    InsertMethod(header, className, "", name);
    OutText("begin");
    CRLF();
    if (HasWord(ExtractMethodDirective(declaration), "override")) {
        if (izPrefix("function", header) || izPrefix("class function", header))
            OutText("  Result := inherited " + name + ExtractParamNames(declaration) + ";");
        else
            OutText("  inherited;");
        CRLF();
    }
    if (!MethodBody.empty()) {
        OutText(MethodBody);
        CRLF();
    }
    if (AdaNestingComments)
        OutText("end {" + (className.empty() ? name : std::string(className) + "." + name) + "};");
    else
        OutText("end;");
    CRLF();
    RestoreBlankLine(GetCursorLine(), before);
    SetCursorLine(GetCursorLine() - 1);
    return true;
}

void TISourceCode::RestoreBlankLine(int line, const std::string& before) {
    // The cursor padding leaves blanks on a blank line that the generated
    // text was inserted before; give it back its old content.
    if (line >= 0 && line < LineCount() && IsBlankLine(before) && IsBlankLine(LineAt(line)))
        Lines->Put(line, before);
}

bool TISourceCode::CreateMethodDeclByImpl(std::string_view header) {
    std::string cls, name;
    if (!isValidMethodImpl(header, cls, name)) return false;
    std::string indent;
    int place = DeclPlace(cls, name, indent);
    if (place < 0) return false;
    SetMargin(ColumnInRange(int64_t(indent.size())));
    SetCursorLine(place);
    SetCursorCol(1);
    const std::string before = LineAt(place);
    InsertMethod(ExtractMethodHeader(header), "", "", name);
    RestoreBlankLine(place + 1, before);
    Lines->Put(place, indent + Lines->Get(place));
    SetCursorLine(place);
    SetCursorCol(ColumnInRange(int64_t(GetMargin()) + 1));
    return true;
}

void TISourceCode::CreateProperty(std::string_view name, std::string_view type, std::string_view writer,
                                  std::string_view reader) {
    std::string s = "property ";
    s += name;
    if (!type.empty()) s += std::string(": ") + std::string(type);
    if (!reader.empty()) s += std::string(" read ") + std::string(reader);
    if (!writer.empty()) s += std::string(" write ") + std::string(writer);
    s += ";";
    OutText(s);
    CRLF();
}

}  // namespace velt

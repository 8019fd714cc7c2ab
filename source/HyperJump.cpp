// HyperJump: the one thing that fits the cursor line, and the header refresh
// it shares with RefreshHeader.
//
//  - in a class, on a property: its field (found, or added to the private
//    part), its getter and its setter (found, or declared in the protected
//    part with an implementation that sets or answers the field);
//  - in a class, on a field: its property (found, or added after asking);
//  - in a class, on a method declaration (or a unit routine declaration):
//    its implementation, created after asking when missing;
//  - on a type "TName = ...": the pointer type "PName = ^TName;" above it;
//  - in an implementation: its declaration, created after asking.
//
// Interfaces get only accessor declarations: they have no fields and no
// implementations.
#include <algorithm>
#include <memory>
#include <utility>

#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "foundation/StrUtils.h"
#include "source/HyperSourceCode.h"
#include "source/PascalScanner.h"

namespace velt {

namespace {

bool Ask(const std::string& question) { return GetDialogPort().Confirm(question); }

// Restores MethodBody when a generated accessor is done with it.
class TBodyGuard {
public:
    TBodyGuard(std::string& body, std::string value) : body_(body), saved_(body) { body_ = std::move(value); }
    ~TBodyGuard() { body_ = saved_; }
    TBodyGuard(const TBodyGuard&) = delete;
    TBodyGuard& operator=(const TBodyGuard&) = delete;

private:
    std::string& body_;
    std::string saved_;
};

}  // namespace

// ---- the word -------------------------------------------------------------------------------

void TIHyperSourceCode::HyperJump() {
    const int line = GetCursorLine();
    std::string cls;
    int header = 0, kind = 0;
    if (FindEnclosingClass(line, cls, header, kind)) {
        JumpInClass(cls, header, kind);
        return;
    }
    std::string nm, text;
    if (isValidType(line, nm, text)) {
        JumpType(line);
        return;
    }
    if (line < ImplLine) {
        JumpMethodDecl("", line, true);
        return;
    }
    JumpFromImpl();
}

void TIHyperSourceCode::JumpInClass(const std::string& className, int headerLine, int kind) {
    const int line = GetCursorLine();
    TPropertyInfo p;
    if (isValidProperty(LineAt(line), p)) {
        JumpProperty(className, headerLine, kind, line);
        return;
    }
    if (kind == ctkInterface) return;  // no fields, no implementations
    std::string nm, type;
    if (isValidField(line, nm, type)) {
        JumpField(headerLine, line);
        return;
    }
    JumpMethodDecl(className, line, false);
}

// ---- declaration -> implementation ------------------------------------------------------------

void TIHyperSourceCode::JumpMethodDecl(const std::string& className, int declLine, bool unitLevel) {
    std::string nm;
    if (!isValidMethodDecl(LineAt(declLine), nm, !unitLevel)) return;
    PushUndo(className, "");
    int impl = 0;
    if (FindMatchingImpl(className, declLine, impl)) {
        // A refresh rewrites one line in place: the implementation stays where it is.
        if (AutoRefreshHeader) DoRefreshHeader(className, nm, impl, declLine, true);
        ReadHyperJump(className, nm, impl);
        return;
    }
    const std::string decl = HeaderText(declLine);
    if (HasWord(ExtractMethodDirective(decl), "abstract"))
        throw EInvalidAction("Cannot create abstract method " + className + "::" + nm);
    if (!CheckImplementationPart()) return;
    if (ConfirmAutoCreate && !Ask("Create implementation " + className + "::" + nm + " ?")) return;
    CreateMethodImplByDecl(decl, className);
    Revalidate();
}

// ---- implementation -> declaration ---------------------------------------------------------------

void TIHyperSourceCode::JumpFromImpl() {
    std::string cls, method;
    int header = GetCursorLine();
    if (!isInsideMethodImpl(cls, method, header)) throw EInvalidAction("Where am I ?");
    int h = 0;
    if (!cls.empty() && !FindClass(cls, h)) throw EInvalidSourceCode("Class " + cls + " not found.");
    RememberAndPush(cls, method);
    int decl = 0;
    if (FindMatchingIntf(cls, header, decl)) {
        // Only from the header line itself: a jump from the body never asks.
        if (AutoRefreshHeader && GetCursorLine() == header) DoRefreshHeader(cls, method, header, decl, true);
        SetCursorLine(decl);
        SetCursorCol(ColumnInRange(int64_t(Indentation(LineAt(decl))) + 1));
        return;
    }
    if (ConfirmAutoCreate && !Ask("Create declaration " + method + "?")) return;
    CreateMethodDeclByImpl(HeaderText(header));
    Revalidate();
}

// ---- type -> pointer type ------------------------------------------------------------------------------

void TIHyperSourceCode::JumpType(int typeLine) {
    std::string nm, text;
    if (!isValidType(typeLine, nm, text) || !isValidIdent(nm) || nm.size() < 2 || !HasPrefix("T", nm)) return;
    const std::string base = nm.substr(1);
    const std::string pointer = "P" + base;
    if (typeLine > 0 && izPrefix(pointer, TrimLeftView(LineAt(typeLine - 1)))) return;
    if (ConfirmAutoCreate && !Ask("Create type refference:\rP" + base + " = ^" + nm + ";?")) return;
    const std::string& l = LineAt(typeLine);
    const std::string text2 = l.substr(0, size_t(Indentation(l))) + pointer + " = ^" + nm + ";";
    InsertLineAt(typeLine, text2);
    Revalidate();
    SetCursorLine(typeLine);
    SetCursorCol(ColumnInRange(int64_t(text2.size())));
}

// ---- field -> property ------------------------------------------------------------------------------------

void TIHyperSourceCode::JumpField(int headerLine, int fieldLine) {
    std::string field, type;
    if (!isValidField(fieldLine, field, type)) return;
    const std::string prop = field.substr(1);
    if (!isValidIdent(prop)) return;
    int line = 0;
    if (FindMemberProperty(headerLine, prop, line)) {
        SetCursorLine(line);
        SetCursorCol(1);
        return;
    }
    int end = headerLine;
    if (!FindEndOfScope(3, end)) return;
    SetCursorLine(end);
    SetCursorCol(1);
    if (!Ask("Create property " + field + ":" + type + " ?")) return;
    const std::string indent = MemberIndent(end, headerLine);
    InsertLineAt(end, indent + "property " + prop + ": " + type + " read " + field + " write " + field + ";");
    Revalidate();
    SetCursorLine(end);
    SetCursorCol(ColumnInRange(int64_t(indent.size()) + 1));
}

// ---- property -> field and accessors ---------------------------------------------------------------------------

void TIHyperSourceCode::JumpProperty(const std::string& className, int headerLine, int kind, int propLine) {
    SetTopLine(propLine);
    SetTopCol(1);
    const bool isClass = kind != ctkInterface;
    TPropertyInfo p;
    if (!isValidProperty(LineAt(propLine), p)) return;

    // The field.
    std::string field;
    if (HasPrefix("F", p.Write)) field = p.Write;
    else if (HasPrefix("F", p.Read)) field = p.Read;
    if (!field.empty() && isClass && PlainAccessor(p, field)) {
        const std::string want = "F" + p.Name;
        if (AutoRefreshHeader && !SameText(field, want) && Ask("Expand " + field + " to F" + p.Name + " ?")) {
            RenameAccessor(propLine, field, want);
            field = want;
        }
        int line = 0, col = 0;
        if (FindMember(headerLine, field, line, col)) {
            SetCursorLine(line);
            SetCursorCol(ColumnInRange(col));
        } else if (!DeclaredByAncestor(headerLine, field)) {
            bool addPrivate = false;
            std::string keywordIndent;
            int at = PrivateFieldPlace(headerLine, addPrivate, keywordIndent);
            const std::string indent = addPrivate ? IndentDeeper(keywordIndent) : MemberIndent(at, headerLine);
            if (addPrivate) InsertLineAt(at++, keywordIndent + "private", {&propLine});
            InsertLineAt(at, indent + field + ": " + p.Type + ";", {&propLine});
            Revalidate();
            SetCursorLine(at);
            SetCursorCol(ColumnInRange(int64_t(indent.size()) + 1));
        }
    }

    // The getter, then the setter: each offered its usual name, then found
    // or declared.
    for (const bool getter : {true, false}) {
        if (!isValidProperty(LineAt(propLine), p)) return;
        const std::string prefix = getter ? "Get" : "Set";
        std::string name = getter ? p.Read : p.Write;
        if (!HasPrefix(prefix, name) || !PlainAccessor(p, name)) continue;
        const std::string want = prefix + p.Name;
        if (AutoRefreshHeader && !SameText(name, want) && Ask("Expand " + name + " to " + want + " ?")) {
            RenameAccessor(propLine, name, want);
            name = want;
        }
        int line = 0, col = 0;
        if (FindMember(headerLine, name, line, col)) {
            SetCursorLine(line);
            SetCursorCol(ColumnInRange(col));
            continue;
        }
        if (DeclaredByAncestor(headerLine, name)) continue;
        const bool indexed = !p.Index.empty();
        const std::string decl =
            getter ? "function " + name + (indexed ? "(" + p.Index + ")" : "") + ": " + p.Type + ";"
                   : "procedure " + name + "(" + (indexed ? p.Index + "; " : "") + "Value: " + p.Type + ");";
        const std::string body = getter ? "  Result := F" + p.Name + ";" : "  F" + p.Name + " := Value;";
        CreateAccessor(className, headerLine, kind, decl, name, body, propLine);
    }
}

bool TIHyperSourceCode::PlainAccessor(const TPropertyInfo& p, const std::string& accessor) const {
    // A record member, an array element or a property without a type of its
    // own (one re-published from an ancestor) has nothing to declare here.
    if (isValidIdent(accessor) && !p.Type.empty()) return true;
    Msg("Property " + p.Name + ": " + accessor + (p.Type.empty() ? " has no type here" : " is not a plain name") +
        ", nothing is declared");
    return false;
}

bool TIHyperSourceCode::DeclaredByAncestor(int headerLine, const std::string& name) {
    // Up the ancestors, in this unit or, where the Classes Registry knows
    // them, in theirs; an ancestor not found ends the search.
    const TISourceCode* unit = this;
    std::unique_ptr<TISourceCode> other;
    TAncestorWalk walk;
    std::string cls;
    ClassHeaderKind(LineAt(headerLine), cls);
    walk.Enter(cls);
    int h = headerLine;
    for (int step = 0; step < kMaxAncestors; ++step) {
        const std::string ancestor = unit->ExtractClassAncestor(unit->Lines->Get(h));
        if (!walk.Enter(ancestor)) return false;
        if (!unit->FindClass(ancestor, h)) {
            std::string file;
            if (!ClassesRegistry.FindClassSource(ancestor, file)) return false;
            try {
                auto next = std::make_unique<TISourceCode>();
                next->SetLinesText(ReadUnit(file));
                next->FileName = file;
                next->ValidateLines();
                other = std::move(next);
            } catch (const Exception&) {
                return false;  // unreadable: as if unknown
            }
            unit = other.get();
            if (!unit->FindClass(ancestor, h)) return false;
        }
        int line = 0, col = 0;
        if (unit->FindField(h, name, line, col) || unit->FindMethodIntf(ancestor, name, line)) {
            Msg(name + " is declared in " + ancestor + ", nothing is declared");
            return true;
        }
    }
    return false;
}

void TIHyperSourceCode::CreateAccessor(const std::string& className, int headerLine, int kind,
                                       const std::string& decl, const std::string& accessor, const std::string& body,
                                       int& propLine) {
    int at = headerLine;
    if (!FindEndOfScope(1, at)) at = FindClassEnd(headerLine);
    const std::string indent = MemberIndent(at, headerLine);
    InsertLineAt(at, indent + decl, {&propLine});
    Revalidate();
    SetCursorLine(at);
    SetCursorCol(ColumnInRange(int64_t(indent.size()) + 1));
    if (kind == ctkInterface) return;
    {
        // The body goes into this accessor only.
        TBodyGuard guard(MethodBody, body);
        HyperJump();
    }
    DropUndo();
    // Back from the new implementation to the declaration, remembering it.
    int impl = 0;
    if (GetCursorLine() > ImplLine && FindMethodImpl(className, accessor, impl)) HyperJump();
}

bool TIHyperSourceCode::RenameAccessor(int propLine, const std::string& oldName, const std::string& newName) {
    std::string s = LineAt(propLine);
    // The specifiers follow the property's name and index part, so that a
    // property named Read or Write is no specifier.
    const std::vector<TPasToken> t = PascalCodeTokens(s);
    size_t i = 0;
    while (i < t.size() && !t[i].Is("property")) ++i;
    i += 2;
    int depth = 0;
    std::vector<std::pair<size_t, size_t>> at;  // column and length of each accessor to rename
    for (; i + 1 < t.size(); ++i) {
        if (t[i].IsSymbol("(") || t[i].IsSymbol("[")) ++depth;
        else if (t[i].IsSymbol(")") || t[i].IsSymbol("]")) --depth;
        else if (depth == 0 && (t[i].Is("read") || t[i].Is("write")) && t[i + 1].IsIdent() &&
                 SameText(t[i + 1].Text, oldName))
            at.emplace_back(size_t(t[i + 1].Col), t[i + 1].Text.size());
    }
    // From the right, so that the columns to the left stay; the rest of the
    // line moves along, and a shorter name is padded to keep its columns.
    for (auto k = at.rbegin(); k != at.rend(); ++k) {
        const auto [b, len] = *k;
        std::string repl = newName;
        if (repl.size() < len) repl += Blanks(int32_t(len - repl.size()));
        s.replace(b, len, repl);
    }
    if (at.empty()) return false;
    Lines->Put(propLine, s);
    SetModified(true);
    return true;
}

// ---- members -------------------------------------------------------------------------------------------------

bool TIHyperSourceCode::FindMember(int headerLine, std::string_view name, int& line, int& col) const {
    if (FindField(headerLine, name, line, col)) return true;
    if (!FindMemberDecl(headerLine, name, line)) return false;
    col = Indentation(LineAt(line)) + 1;
    return true;
}

bool TIHyperSourceCode::FindMemberDecl(int headerLine, std::string_view name, int& line) const {
    const int end = std::min(FindClassEnd(headerLine), LineCount());
    std::string nm;
    for (int i = headerLine + 1; i < end; ++i)
        if (isValidMethodDecl(LineAt(i), nm, true) && SameText(nm, name)) {
            line = i;
            return true;
        }
    return false;
}

bool TIHyperSourceCode::FindMemberProperty(int headerLine, std::string_view name, int& line) const {
    const int end = std::min(FindClassEnd(headerLine), LineCount());
    TPropertyInfo p;
    for (int i = headerLine + 1; i < end; ++i)
        if (isValidProperty(LineAt(i), p) && SameText(p.Name, name)) {
            line = i;
            return true;
        }
    return false;
}

bool TIHyperSourceCode::IsScopeWord(std::string_view line) const {
    std::string_view t = TrimLeftView(line);
    for (const char* w : {"private", "protected", "public", "published", "strict"})
        if (izPrefix(w, t)) return true;
    return false;
}

std::string TIHyperSourceCode::MemberIndent(int at, int headerLine) const {
    for (int i = std::min(at, LineCount()) - 1; i > headerLine; --i) {
        const std::string& l = LineAt(i);
        if (TrimLeftView(l).empty()) continue;
        return IsScopeWord(l) ? IndentDeeper(LeadingBlanks(l)) : LeadingBlanks(l);
    }
    return IndentDeeper(LeadingBlanks(LineAt(headerLine)));
}

int TIHyperSourceCode::PrivateFieldPlace(int headerLine, bool& addPrivate, std::string& keywordIndent) const {
    const int end = FindClassEnd(headerLine);
    // The first of the given scope words after line, else the class end.
    auto nextScope = [&](int line, std::initializer_list<const char*> words) {
        int at = end;
        for (const char* w : words) {
            int l = line;
            if (FindScope(w, l) && l < at) at = l;
        }
        return at;
    };
    int priv = headerLine;
    if (FindScope("private", priv) && priv < end) {
        addPrivate = false;
        return nextScope(priv + 1, {"private", "protected", "public", "published", "strict"});
    }
    // A new private part goes before the first scope word, so that no
    // member changes its scope.
    addPrivate = true;
    const int at = nextScope(headerLine + 1, {"protected", "public", "published", "strict"});
    keywordIndent = LeadingBlanks(LineAt(at < LineCount() ? at : headerLine));
    return at;
}

// ---- header refresh ----------------------------------------------------------------------------------------------

void TIHyperSourceCode::RefreshHeader() {
    const int line = GetCursorLine();
    std::string cls, nm;
    int header = 0, kind = 0, other = 0;
    if (FindEnclosingClass(line, cls, header, kind)) {
        if (!isValidMethodDecl(LineAt(line), nm, true)) return;
        if (!FindMatchingImpl(cls, line, other))
            throw EInvalidSourceCode("Method " + cls + "::" + nm + " is not implemented");
        DoRefreshHeader(cls, nm, other, line);
        return;
    }
    if (line < ImplLine) {
        if (!isValidMethodDecl(LineAt(line), nm, false)) return;
        if (!FindMatchingImpl("", line, other)) throw EInvalidSourceCode("Function " + nm + " is not implemented");
        DoRefreshHeader("", nm, other, line);
        return;
    }
    header = line;
    if (!isInsideMethodImpl(cls, nm, header)) return;
    if (!FindMatchingIntf(cls, header, other)) throw EInvalidSourceCode("Function " + nm + " is not declared");
    DoRefreshHeader(cls, nm, header, other);
}

bool TIHyperSourceCode::DoRefreshHeader(const std::string& className, const std::string& methodName, int implLine,
                                        int declLine, bool quiet) {
    if (!IsSingleLineHeader(implLine) || !IsSingleLineHeader(declLine)) {
        if (!quiet)
            Msg("The header of " + (className.empty() ? methodName : className + "::" + methodName) +
                " runs over several lines: refresh it by hand");
        return false;
    }
    const std::string impl = LineAt(implLine);
    const std::string decl = LineAt(declLine);
    const std::string implText = HeaderText(implLine);
    const std::string declText = HeaderText(declLine);
    if (SameHeaders(declText, implText)) return false;
    const int r = GetDialogPort().RefreshHeader(className, methodName, Trim(decl), Trim(impl), GetCursorLine() == implLine);
    std::string c, m;
    if (r == mrAbort) {
        // The declaration from the implementation: its indentation,
        // directives and default values stay.
        if (!isValidMethodImpl(impl, c, m)) return false;
        const std::string dir = ExtractMethodDirective(decl);
        const std::string header = KeepDefaults(ExtractMethodHeader(implText), declText);
        Lines->Put(declLine, decl.substr(0, size_t(Indentation(decl))) +
                                 TISourceCode::QualifiedHeader(header, "", m, dir.empty() ? "" : " " + dir));
        SetMargin(0);
    } else if (r == mrIgnore) {
        // The implementation from the declaration; the implementation's own
        // directives (a calling convention, a comment) stay.
        std::string declName;
        if (!isValidMethodDecl(decl, declName, !className.empty()) || !isValidMethodImpl(impl, c, m)) return false;
        const std::string dir = ExtractMethodDirective(impl);
        Lines->Put(implLine, TISourceCode::QualifiedHeader(ExtractMethodHeader(declText), c, declName,
                                                           dir.empty() ? "" : " " + dir));
    } else {
        return false;
    }
    SetModified(true);
    Revalidate();
    return true;
}

}  // namespace velt

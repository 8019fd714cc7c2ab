#include "source/HyperSourceCode.h"

#include <algorithm>

#include "forth/Forth.h"
#include "source/CodeTemplates.h"
#include "source/PascalScanner.h"
#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "foundation/StrUtils.h"

namespace velt {

namespace {

// Whether the left-trimmed line t declares name: "name: Type" (not
// "name := ...") or a list "name, Other: Type". Answers the 1-based column
// of the type within t through typeCol.
bool DeclaresName(const TISourceCode& src, std::string_view t, std::string_view name, int& typeCol) {
    if (name.empty() || !src.izPrefix(name, t)) return false;
    size_t i = name.size();
    while (i < t.size() && IsBlankChar(t[i])) ++i;
    if (i >= t.size()) return false;
    if (t[i] == ',') {
        // The rest of a list: names, commas and blanks up to the ":".
        ++i;
        while (i < t.size() && (IsIdentChar(t[i]) || IsBlankChar(t[i]) || t[i] == ',')) ++i;
        if (i >= t.size()) return false;
    }
    if (t[i] != ':' || (i + 1 < t.size() && t[i + 1] == '=')) return false;
    ++i;
    while (i < t.size() && IsBlankChar(t[i])) ++i;
    typeCol = int(i) + 1;
    return true;
}

}  // namespace

// Sets the interpreter of the running word for the loads it makes.
class THyperRunGuard {
public:
    THyperRunGuard(TIHyperSourceCode& s, TForth& f) : s_(s), prev_(s.running_) { s.running_ = &f; }
    ~THyperRunGuard() { s_.running_ = prev_; }
    THyperRunGuard(const THyperRunGuard&) = delete;
    THyperRunGuard& operator=(const THyperRunGuard&) = delete;

private:
    TIHyperSourceCode& s_;
    TForth* prev_;
};

// ---- construction and publishing ------------------------------------------------------

TIHyperSourceCode::TIHyperSourceCode()
    : HyperJumps(std::make_unique<THyperJumpList>()),
      RedoStack(std::make_unique<THyperJumpStack>()),
      UndoStack(std::make_unique<THyperJumpStack>()) {
    AdaNestingComments = true;
}

TIHyperSourceCode::~TIHyperSourceCode() = default;

const ClassInfo& TIHyperSourceCode::StaticForthClass() {
    using S = TIHyperSourceCode;
    static const PropInfo props[] = {
        OrdProp<S, &S::GetTopLine, &S::SetTopLine>("TopLine"),
        OrdProp<S, &S::GetTopCol, &S::SetTopCol>("TopCol"),
        ObjProp<S, &S::HyperJumps>("HyperJumps"),
        ObjProp<S, &S::RedoStack>("RedoStack"),
        ObjProp<S, &S::UndoStack>("UndoStack"),
        OrdProp<S, &S::ConfirmAutoCreate, &S::ConfirmAutoCreate>("ConfirmAutoCreate", pkEnumeration),
        OrdProp<S, &S::AutoRefreshHeader, &S::AutoRefreshHeader>("AutoRefreshHeader", pkEnumeration),
        ObjProp<S, &S::Forth, &S::Forth>("Forth"),
    };
    static const MethodInfo methods[] = {
        WordMethod<S, &S::HyperJump>("HyperJump"),
        WordMethod<S, &S::DeclareVar>("DeclareVar"),
        WordMethod<S, &S::GotoIntf>("GotoIntf"),
        WordMethod<S, &S::GotoImpl>("GotoImpl"),
        WordMethod<S, &S::GotoImplEnd>("GotoImplEnd"),
        WordMethod<S, &S::GotoClass>("GotoClass"),
        WordMethod<S, &S::GotoMethod>("GotoMethod"),
        WordMethod<S, &S::GetIdentOnCursor>("GetIdentOnCursor"),
        WordMethod<S, &S::JumpBackward>("JumpBackward"),
        WordMethod<S, &S::JumpForward>("JumpForward"),
        WordMethod<S, &S::PopUndo>("PopUndo"),
        WordMethod<S, &S::DropUndo>("DropUndo"),
        WordMethod<S, &S::PopRedo>("PopRedo"),
        WordMethod<S, &S::RefreshHeader>("RefreshHeader"),
        WordMethod<S, &S::RegisterUnit>("RegisterUnit"),
        WordMethod<S, &S::RegisterClass>("RegisterClass"),
        WordMethod<S, &S::RegisterSource>("RegisterSource"),
        WordMethod<S, &S::ExecCodeTemplate>("ExecCodeTemplate"),
        WordMethod<S, &S::ForthCodeTemplates>("ForthCodeTemplates"),
        WordMethod<S, &S::InheritanceWizard>("InheritanceWizard"),
    };
    static const ClassInfo info{"TIHyperSourceCode", &TISourceCode::StaticForthClass(), props, methods};
    return info;
}

void TIHyperSourceCode::SetTopLine(int32_t v) {
    if (v < 0 || v > MaxLine()) throw ERangeError("Top line " + IntToStr(v) + " out of range");
    TopLine = v;
}

void TIHyperSourceCode::SetTopCol(int32_t v) {
    if (v < 0 || v > MaxCursorCol) throw ERangeError("Top column " + IntToStr(v) + " out of range");
    TopCol = v;
}

// ---- words ------------------------------------------------------------------------------

void TIHyperSourceCode::HyperJump(TForth& Sender) {
    THyperRunGuard g(*this, Sender);
    HyperJump();
}

void TIHyperSourceCode::DeclareVar(TForth& Sender) {
    THyperRunGuard g(*this, Sender);
    bool flag = Sender.PopInteger() != 0;
    std::string type = Sender.PopString();
    std::string name = Sender.PopString();
    DeclareVar(name, type, flag);
}

void TIHyperSourceCode::GotoIntf(TForth&) { GotoIntf(); }
void TIHyperSourceCode::GotoImpl(TForth&) { GotoImpl(); }
void TIHyperSourceCode::GotoImplEnd(TForth&) { GotoImplEnd(); }

void TIHyperSourceCode::GotoClass(TForth& Sender) {
    THyperRunGuard g(*this, Sender);
    GotoClass(Sender.PopString());
}

void TIHyperSourceCode::GotoMethod(TForth& Sender) {
    THyperRunGuard g(*this, Sender);
    GotoMethod(Sender.PopString());
}

void TIHyperSourceCode::GetIdentOnCursor(TForth& Sender) { Sender.PushString(GetIdentOnCursor()); }
void TIHyperSourceCode::JumpBackward(TForth&) { JumpBackward(); }
void TIHyperSourceCode::JumpForward(TForth&) { JumpForward(); }

void TIHyperSourceCode::PopUndo(TForth& Sender) {
    THyperRunGuard g(*this, Sender);
    PopUndo();
}

void TIHyperSourceCode::DropUndo(TForth&) { DropUndo(); }

void TIHyperSourceCode::PopRedo(TForth& Sender) {
    THyperRunGuard g(*this, Sender);
    PopRedo();
}

void TIHyperSourceCode::RefreshHeader(TForth&) { RefreshHeader(); }

// ---- helpers ------------------------------------------------------------------------------

TForth& TIHyperSourceCode::Interpreter() const {
    if (Forth) return *Forth;
    if (running_) return *running_;
    throw EInvalidAction("No interpreter to load other units with");
}

void TIHyperSourceCode::CheckLeaveUnit(const std::string& otherFile) const {
    if (GetModified())
        throw EInvalidAction("The changes to " + FileName + " are not saved yet; going to " + otherFile +
                             " would drop them");
}

std::string TIHyperSourceCode::ReadUnit(const std::string& fileName) {
    TForth& f = Interpreter();
    f.PushString(fileName);
    f.ExecWord("LoadFromIDEOrFile");
    return f.PopString();
}

void TIHyperSourceCode::LoadUnit(const std::string& fileName) {
    CheckLeaveUnit(fileName);
    // Read first: a failed read leaves the model as it was.
    std::string text = ReadUnit(fileName);
    SetLinesText(text);
    FileName = fileName;
    ValidateLines();
}

void TIHyperSourceCode::Revalidate() {
    const bool m = GetModified();
    ValidateLines();
    SetModified(m);
}

void TIHyperSourceCode::InsertLineAt(int at, const std::string& text, std::initializer_list<int*> track) {
    at = std::clamp(at, 0, LineCount());
    Lines->Insert(at, text);
    for (int* p : track)
        if (p && *p >= at) ++*p;
    if (at < TopLine) SetTopLine(LineInRange(int64_t(TopLine) + 1));  // the view stays on its text
    SetModified(true);
}

void TIHyperSourceCode::MoveView(int64_t topLine, int64_t topCol, int64_t line, int64_t col) {
    const int64_t last = std::max(0, LineCount() - 1);
    SetCursorLine(int32_t(std::clamp<int64_t>(line, 0, last)));
    SetTopLine(int32_t(std::clamp<int64_t>(topLine, 0, last)));
    SetCursorCol(int32_t(std::clamp<int64_t>(col, 1, MaxCursorCol)));
    SetTopCol(int32_t(std::clamp<int64_t>(topCol, 1, MaxCursorCol)));
}

void TIHyperSourceCode::ShowLine(int32_t line) {
    SetTopLine(line);
    SetCursorLine(line);
    SetTopCol(1);
    SetCursorCol(1);
}

bool TIHyperSourceCode::HasPrefix(std::string_view prefix, std::string_view s) const {
    return CaseSensitive ? s.starts_with(prefix) : isPrefix(prefix, s);
}

bool TIHyperSourceCode::IsSingleLineHeader(int line) const {
    if (line < 0 || line >= LineCount() || HeaderEnd(line) != line) return false;
    // Not a header whose result type or ";" follows on the next line.
    const std::vector<TPasToken> t = PascalCodeTokens(LineAt(line));
    return std::any_of(t.begin(), t.end(), [](const TPasToken& k) { return k.IsSymbol(";"); });
}

int TIHyperSourceCode::ClassHeaderKind(std::string_view line, std::string& name) const {
    int k = isValidClass(line, name);
    if (k != ctkNone) return k;
    // "IFoo = interface" / "DFoo = dispinterface" with nothing after the
    // keyword but blanks or a comment.
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || line.find(';') != std::string_view::npos) return ctkNone;
    std::string_view rest = TrimLeftView(line.substr(eq + 1));
    size_t kw = 0;
    if (izPrefix("interface", rest)) kw = 9;
    else if (izPrefix("dispinterface", rest)) kw = 13;
    else return ctkNone;
    std::string_view after = TrimLeftView(rest.substr(kw));
    if (!after.empty() && after[0] != '{' && !after.starts_with("//") && !after.starts_with("(*")) return ctkNone;
    std::string_view nm = line.substr(0, eq);
    nm = TrimLeftView(nm);
    while (!nm.empty() && IsBlankChar(nm.back())) nm.remove_suffix(1);
    if (!isValidIdent(nm)) return ctkNone;
    name = std::string(nm);
    return ctkInterface;
}

bool TIHyperSourceCode::FindEnclosingClass(int line, std::string& className, int& headerLine, int& kind) const {
    const int n = LineCount();
    if (n == 0 || line < 0) return false;
    line = std::min(line, n - 1);
    // A class body never spans the implementation line.
    int low = std::max(IntfLine + 1, 0);
    if (ImplLine > IntfLine && line > ImplLine) low = ImplLine + 1;
    std::string nm, c, m;
    for (int i = line; i >= low; --i) {
        const std::string& l = LineAt(i);
        int k = ClassHeaderKind(l, nm);
        if (k != ctkNone) {
            if (FindClassEnd(i) >= line) {
                className = OuterClasses(i, low) + nm;
                headerLine = i;
                kind = k;
                return true;
            }
            continue;
        }
        // The body of a record (an advanced one may hold methods too): no
        // jumps from there.
        if (i < line && isNestingType(l, nm) && FindClassEnd(i) >= line) return false;
        // Members are indented: a routine header in column 1 ends every
        // class body above it.
        if (!l.empty() && !IsBlankChar(l[0]) && isValidMethodImpl(l, c, m)) return false;
    }
    return false;
}

std::string TIHyperSourceCode::OuterClasses(int headerLine, int low) const {
    // A nested class is indented deeper than the class (or advanced record)
    // it is declared in.
    std::string path, nm;
    int inner = headerLine;
    for (int i = headerLine - 1; i >= low; --i) {
        const std::string& l = LineAt(i);
        if (Indentation(l) < Indentation(LineAt(inner)) && isNestingType(l, nm) && FindClassEnd(i) > inner) {
            path = nm + "." + path;
            inner = i;
        }
    }
    return path;
}

// ---- places -------------------------------------------------------------------------------

int TIHyperSourceCode::AnchorLine(const std::string& className, const std::string& methodName) const {
    int line = -1;
    if (!methodName.empty()) return FindMethodImpl(className, methodName, line) ? line : -1;
    if (!className.empty()) return FindClass(className, line) ? line : -1;
    return 0;
}

TLinkInfo TIHyperSourceCode::CreateHyperJump(const std::string& className, const std::string& methodName,
                                             int anchorLine) const {
    TLinkInfo p;
    p.MethodName = methodName;
    p.ClassName = className;
    p.TopLine = TopLine - anchorLine;
    p.TopCol = TopCol;
    p.CursorLine = GetCursorLine() - anchorLine;
    p.CursorCol = GetCursorCol();
    p.FileName = FileName;
    return p;
}

void TIHyperSourceCode::WriteHyperJump(const std::string& className, const std::string& methodName) {
    int anchor = AnchorLine(className, methodName);
    if (anchor < 0) return;  // nothing to find the place again by
    HyperJumps->Add(CreateHyperJump(className, methodName, anchor));
}

TLinkInfo TIHyperSourceCode::UndoPlace(const std::string& className, const std::string& methodName,
                                       int anchor) const {
    // Not findable by name: keep the place as absolute lines.
    return anchor < 0 ? CreateHyperJump("", "", 0) : CreateHyperJump(className, methodName, anchor);
}

void TIHyperSourceCode::PushUndo(const std::string& className, const std::string& methodName) {
    UndoStack->Push(UndoPlace(className, methodName, AnchorLine(className, methodName)));
}

void TIHyperSourceCode::RememberAndPush(const std::string& className, const std::string& methodName) {
    const int anchor = AnchorLine(className, methodName);
    const TLinkInfo place = UndoPlace(className, methodName, anchor);
    if (anchor >= 0) HyperJumps->Add(place);
    UndoStack->Push(place);
}

void TIHyperSourceCode::GotoHyperJump(const TLinkInfo& place) {
    if (!SameText(place.FileName, FileName)) LoadUnit(place.FileName);
    GotoPlace(place, AnchorLine(place.ClassName, place.MethodName));
}

void TIHyperSourceCode::GotoPlace(const TLinkInfo& place, int anchor) {
    if (anchor >= 0)
        MoveView(int64_t(place.TopLine) + anchor, place.TopCol, int64_t(place.CursorLine) + anchor, place.CursorCol);
    else
        ClampView();
}

void TIHyperSourceCode::ReadHyperJump(const std::string& className, const std::string& methodName, int line) {
    for (int i = 0; i < HyperJumps->GetCount(); ++i) {
        TLinkInfo p = HyperJumps->Items(i);
        if (SameText(p.MethodName, methodName) && SameText(p.ClassName, className) && SameText(p.FileName, FileName)) {
            // Overloads share their names: the place must lie in this routine.
            const int anchor = AnchorLine(className, methodName);
            const int at = anchor + p.CursorLine, end = FindRoutineEnd(line);
            if (anchor < 0 || at < line || (end >= 0 && at > end)) break;
            GotoPlace(p, anchor);
            return;
        }
    }
    ShowLine(line);
    const int stop = std::min(ImplEndLine, LineCount());
    for (int i = line + 1; i < stop; ++i) {
        const std::string& l = LineAt(i);
        if (izPrefix("begin", l)) {
            SetCursorLine(i);
            break;
        }
        if (izPrefix("end", TrimLeftView(l))) break;
    }
}

// ---- undo and redo ---------------------------------------------------------------------------

void TIHyperSourceCode::PopUndo() {
    if (UndoStack->Empty()) return;
    // Go first: a refused unit switch keeps the place on the stack.
    TLinkInfo place = UndoStack->At(0);
    GotoHyperJump(place);
    UndoStack->Pop(place);
    RedoStack->Push(place);
}

void TIHyperSourceCode::DropUndo() { UndoStack->Drop(); }

void TIHyperSourceCode::PopRedo() {
    if (RedoStack->Empty()) return;
    TLinkInfo place = RedoStack->At(0);
    GotoHyperJump(place);
    RedoStack->Pop(place);
}

// ---- simple movements -------------------------------------------------------------------------

void TIHyperSourceCode::GotoEndUses(int sectionLine) {
    const int n = LineCount();
    sectionLine = std::clamp(sectionLine, 0, std::max(0, n - 1));
    ShowLine(sectionLine);
    // The clause belongs to this section: the search ends at the next one.
    int stop = std::min(ImplEndLine, n);
    if (sectionLine < ImplLine) stop = std::min(stop, ImplLine);
    int uses = -1;
    for (int i = sectionLine + 1; i < stop && uses < 0; ++i)
        if (izPrefix("uses", TrimLeftView(LineAt(i)))) uses = i;
    if (uses < 0) return;
    for (int i = uses; i < n; ++i) {
        size_t semi = LineAt(i).find(';');
        if (semi != std::string::npos) {
            SetCursorLine(i);
            SetCursorCol(ColumnInRange(int64_t(semi) + 1));
            return;
        }
    }
}

void TIHyperSourceCode::GotoIntf() {
    PushUndo("", "");
    GotoEndUses(IntfLine);
}

void TIHyperSourceCode::GotoImpl() {
    PushUndo("", "");
    GotoEndUses(ImplLine);
}

void TIHyperSourceCode::GotoImplEnd() {
    PushUndo("", "");
    ShowLine(LineInRange(ImplEndLine));
}

std::string TIHyperSourceCode::GetIdentOnCursor() const { return GetIdent(LineAt(GetCursorLine()), GetCursorCol()); }

bool TIHyperSourceCode::MoveToHeader(int line) {
    std::string nm, c, m;
    const std::string& l = LineAt(line);
    if (ClassHeaderKind(l, nm) == ctkNone && !isValidMethodImpl(l, c, m)) return false;
    SetCursorLine(line);
    SetCursorCol(1);
    SetTopLine(std::max(line - 1, 0));
    return true;
}

void TIHyperSourceCode::JumpBackward() {
    for (int i = std::min(GetCursorLine(), LineCount()) - 1; i >= std::max(IntfLine, 0); --i)
        if (MoveToHeader(i)) return;
}

void TIHyperSourceCode::JumpForward() {
    const int stop = std::min(ImplEndLine, LineCount());
    for (int i = std::max(GetCursorLine() + 1, 0); i < stop; ++i)
        if (MoveToHeader(i)) return;
}

void TIHyperSourceCode::DoDocumentar(const std::string& text) {
    SetLinesText(text);
    ValidateLines();
    SetCursorCol(1);
    for (int i = 0; i < LineCount(); ++i)
        if (izPrefix("unit", LineAt(i))) {
            SetCursorLine(i);
            return;
        }
}

// ---- other units ----------------------------------------------------------------------------------

bool TIHyperSourceCode::FindClassSource(const std::string& className, std::string& fileName) const {
    int line = 0;
    if (!className.empty() && FindClass(className, line)) {
        fileName = FileName;
        return true;
    }
    return ClassesRegistry.FindClassSource(className, fileName);
}

void TIHyperSourceCode::GotoClass(const std::string& className) {
    std::string file;
    if (!FindClassSource(className, file)) throw EInvalidSourceCode("Class " + className + " not found.");
    // The current unit is not read again: the model may hold newer text
    // than the file on disk.
    if (!SameText(file, FileName)) LoadUnit(file);
    int h = 0;
    if (!FindClass(className, h)) throw EInvalidSourceCode("Class " + className + " not found.");
    ShowLine(h);
}

bool TIHyperSourceCode::WalkInherited(const std::string& className, const std::string& methodName) {
    if (className.empty()) return false;
    // The unit as it is, to come back to when no ancestor implements the method.
    const std::vector<std::string> lines = Lines->Strings();
    const std::string file = FileName;
    const bool modified = GetModified();
    const int cl = GetCursorLine(), cc = GetCursorCol(), tl = TopLine, tc = TopCol;
    bool switched = false;

    TAncestorWalk walk;
    walk.Enter(className);
    std::string current = className;
    for (int step = 0; step < kMaxAncestors; ++step) {
        int h = 0;
        if (!FindClass(current, h)) break;
        std::string ancestor = ExtractClassAncestor(LineAt(h));
        if (!walk.Enter(ancestor)) break;  // no ancestor, or a cycle
        std::string source;
        if (!FindClassSource(ancestor, source)) break;
        if (!SameText(source, FileName)) {
            CheckLeaveUnit(source);
            try {
                LoadUnit(source);
            } catch (const EInvalidAction&) {
                throw;  // no interpreter to read units with
            } catch (const Exception&) {
                break;  // an ancestor that cannot be read ends the walk
            }
            switched = true;
        }
        int impl = 0;
        if (FindMethodImpl(ancestor, methodName, impl)) {
            ReadHyperJump(ancestor, methodName, impl);
            return true;
        }
        current = ancestor;
    }
    if (switched) {
        Lines->Clear();
        for (const auto& l : lines) Lines->Add(l);
        FileName = file;
        ValidateLines();
        SetModified(modified);
        SetCursorLine(LineInRange(cl));
        SetCursorCol(ColumnInRange(cc));
        SetTopLine(LineInRange(tl));
        SetTopCol(ColumnInRange(tc));
    }
    return false;
}

void TIHyperSourceCode::GotoMethod(const std::string& name) {
    if (!isValidIdent(name)) return;
    std::string cls, method;
    int header = GetCursorLine();
    const bool inImpl = header > ImplLine && isInsideMethodImpl(cls, method, header);
    if (inImpl) {
        RememberAndPush(cls, method);
        if (SameText(name, "inherited") && WalkInherited(cls, method)) return;
    } else {
        int h = 0, kind = 0;
        std::string c;
        if (FindEnclosingClass(GetCursorLine(), c, h, kind)) cls = c;
        PushUndo(cls, "");
    }
    int line = 0;
    if (FindMethodImpl(cls, name, line)) {
        ReadHyperJump(cls, name, line);
        return;
    }
    if (FindMethodImpl("", name, line)) {
        ReadHyperJump("", name, line);
        return;
    }
    // A declaration of that name in any class of the interface part: the
    // declaring lines are found once, then each class body is asked whether
    // it holds one (nested bodies would otherwise be read once per class).
    const int first = std::max(IntfLine + 1, 0);
    const int stop = std::min(ImplLine > IntfLine ? ImplLine : LineCount(), LineCount());
    std::string nm, member;
    std::vector<int> decls;
    for (int j = first + 1; j < stop; ++j)
        if (isValidMethodDecl(LineAt(j), member, true) && SameText(member, name)) decls.push_back(j);
    for (int i = first; i < stop && !decls.empty(); ++i) {
        if (ClassHeaderKind(LineAt(i), nm) == ctkNone) continue;
        auto d = std::upper_bound(decls.begin(), decls.end(), i);
        if (d != decls.end() && *d < std::min(FindClassEnd(i), stop) && FindMethodImpl(nm, name, line)) {
            ReadHyperJump(nm, name, line);
            return;
        }
    }
    throw EInvalidSourceCode("Method " + cls + "::" + name + " is not declared in the current unit");
}

// ---- local variables ----------------------------------------------------------------------------------

void TIHyperSourceCode::DeclareVar(const std::string& name, const std::string& type, bool flag) {
    std::string cls, method;
    if (GetCursorLine() <= ImplLine || !HasImplementationPart()) return;
    // The routine whose lines hold the cursor: a header above it whose
    // routine ends before the cursor is a nested routine's, or the cursor
    // is between routines.
    int header = GetCursorLine(), end = -1;
    for (;;) {
        if (header <= ImplLine || !isInsideMethodImpl(cls, method, header)) return;
        end = FindRoutineEnd(header);
        if (end < 0 || end >= GetCursorLine()) break;
        --header;
    }
    const int stop = end >= 0 ? end + 1 : std::min(ImplEndLine, LineCount());
    // The declaration part: after the header's parameter lines, up to the
    // body's "begin" (or "asm") or a nested routine.
    const int declFirst = FindDeclEnd(header) + 1;
    int place = -1;
    bool asmBody = false;
    for (int i = declFirst; i < stop && place < 0; ++i) {
        std::string_view t = TrimLeftView(LineAt(i));
        if (izPrefix("begin", t) || izPrefix("function", t) || izPrefix("procedure", t)) place = i;
        else if (izPrefix("asm", t)) place = i, asmBody = true;
    }
    if (place < 0) return;
    // The section in force where the new line goes, and an existing
    // declaration of the name (the whole name, never an assignment).
    std::string section;
    int declared = -1, typeCol = 0, neighbour = -1;
    const int last = std::max(place - 1, std::min(GetCursorLine(), stop - 1));
    for (int i = header + 1; i <= last; ++i) {
        std::string_view t = TrimLeftView(LineAt(i));
        if (i >= declFirst && i < place) {
            for (const char* kw : {"var", "const", "type", "label", "resourcestring", "threadvar"})
                if (izPrefix(kw, t)) section = kw;
            if (!t.empty()) neighbour = i;
        }
        int col = 0;
        if (declared < 0 && DeclaresName(*this, t, name, col)) {
            declared = i;
            typeCol = int(LineAt(i).size() - t.size()) + col;
        }
    }
    if (declared >= 0) {
        if (flag) {
            PushUndo(cls, method);
            SetTopLine(header);
            SetCursorLine(declared);
            SetCursorCol(ColumnInRange(typeCol));
        }
        return;
    }
    if (asmBody) throw EInvalidAction("Cannot declare a local variable in an asm routine");
    const bool newSection = !SameText(section, "var");
    // Indented like the declaration above it; in a new section by two blanks.
    std::string lead = "  ";
    if (!newSection && neighbour >= 0) {
        const std::string& n = LineAt(neighbour);
        lead = izPrefix("var", TrimLeftView(n)) ? IndentDeeper(LeadingBlanks(n)) : LeadingBlanks(n);
    }
    const int oldTop = TopLine;
    PushUndo(cls, method);
    SetTopLine(header);
    std::string value = type;
    if (ConfirmAutoCreate &&
        !GetDialogPort().InputQuery("Declare local variable", "Declare variable " + name + " as", value) && !flag) {
        UndoStack->Drop();
        SetTopLine(oldTop);
        return;
    }
    int at = place;
    if (newSection) InsertLineAt(at++, "var");
    const std::string decl = lead + name + ": ";
    InsertLineAt(at, decl + value + ";");
    const int inserted = at - place + 1;
    Revalidate();
    if (flag) {
        SetCursorLine(at);
        SetCursorCol(ColumnInRange(int64_t(decl.size()) + 1));
        return;
    }
    // Back where the user was, following the lines inserted above.
    TLinkInfo back;
    if (UndoStack->Pop(back)) {
        GotoHyperJump(back);
        const int32_t line = GetCursorLine();
        MoveView(TopLine >= place ? int64_t(TopLine) + inserted : TopLine, TopCol,
                 line >= place ? int64_t(line) + inserted : line, GetCursorCol());
    }
}

// ---- Classes Registry ------------------------------------------------------------------------------

void TIHyperSourceCode::RegisterUnit(TForth& Sender) { ClassesRegistry.RegisterUnit(Sender); }

void TIHyperSourceCode::RegisterClass(TForth& Sender) { ClassesRegistry.RegisterClass(Sender); }

void TIHyperSourceCode::RegisterSource(TForth& Sender) { ClassesRegistry.RegisterSource(*this, Sender); }

// ---- code templates ------------------------------------------------------------------------------------

void TIHyperSourceCode::ExecCodeTemplate(TForth& Sender) {
    velt::ExecCodeTemplate(*this, Sender, CodeTemplateFileName(ProductKey));
}

void TIHyperSourceCode::ForthCodeTemplates(TForth& Sender) {
    velt::ForthCodeTemplates(*this, Sender, CodeTemplateFileName(ProductKey));
}

}  // namespace velt

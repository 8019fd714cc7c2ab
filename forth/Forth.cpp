#include "forth/Forth.h"

#include <algorithm>
#include <cstring>

#if defined(__linux__)
#include <pthread.h>
#endif

#include "foundation/CommMsg.h"
#include "forth/Vocabulary.h"

namespace velt {

namespace {

inline bool IsSep(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Integer, IF and the operators read Value of any cell; for an object it is
// non-zero exactly when the object is not nil.
int32_t ObjectTag(const TObject* o) {
    if (!o) return 0;
    uint64_t p = uint64_t(reinterpret_cast<uintptr_t>(o));
    uint32_t v = uint32_t(p) ^ uint32_t(p >> 32);
    return v ? int32_t(v) : 1;
}

std::string Quoted(std::string_view what, std::string_view name, std::string_view rest) {
    std::string s;
    s.reserve(what.size() + name.size() + rest.size());
    s.append(what).append(name).append(rest);
    return s;
}

}  // namespace

// ---- TCell ----------------------------------------------------------------------

TObject* TCell::Object() const {
    if (Kind != ckObject || !Obj || Alive.expired()) return nullptr;
    return Obj;
}

void TCell::SetObject(TObject* obj) {
    Kind = ckObject;
    S.clear();
    Obj = obj;
    Value = ObjectTag(obj);
    if (obj)
        Alive = obj->AliveToken();
    else
        Alive.reset();
}

// ---- TStack ---------------------------------------------------------------------

void TStack::CheckRoom() const {
    if (Top <= 0) throw EStack("Stack overflow");
}

void TStack::Need(int n) const {
    if (Count() < n) throw EStack("Empty stack");
}

void TStack::Empty() const {
    if (Top >= Capacity) throw EStack("Empty stack");
}

void TStack::Push(const TCell& cell) {
    CheckRoom();
    Cells[Top - 1] = cell;
    --Top;
}

void TStack::Push(TCell&& cell) {
    CheckRoom();
    Cells[Top - 1] = std::move(cell);
    --Top;
}

void TStack::Pop(TCell& cell) {
    Empty();
    cell = std::move(Cells[Top]);
    ++Top;
    // A cell whose object has been freed is nil to every reader.
    if (cell.Kind == ckObject && cell.Obj && !cell.Object()) cell.SetObject(nullptr);
}

void TStack::PushString(std::string s) {
    CheckRoom();
    TCell& c = Cells[Top - 1];
    c.S = std::move(s);
    c.Kind = ckString;
    c.Value = 0;
    c.Obj = nullptr;
    c.Alive.reset();
    --Top;
}

void TStack::PushObject(TObject* obj) {
    CheckRoom();
    Cells[Top - 1].SetObject(obj);
    --Top;
}

void TStack::PushInteger(int32_t n) {
    CheckRoom();
    TCell& c = Cells[Top - 1];
    c.S.clear();
    c.Kind = ckInteger;
    c.Value = n;
    c.Obj = nullptr;
    c.Alive.reset();
    --Top;
}

void TStack::ClearStack(TForth&) { ClearStack(); }

void TStack::DUP(TForth&) {
    Need(1);
    CheckRoom();
    Cells[Top - 1] = Cells[Top];
    --Top;
}

void TStack::DROP(TForth&) {
    Need(1);
    ++Top;
}

void TStack::SWAP(TForth&) {
    Need(2);
    std::swap(Cells[Top], Cells[Top + 1]);
}

void TStack::DSWAP(TForth&) {
    Need(4);
    std::swap(Cells[Top], Cells[Top + 2]);
    std::swap(Cells[Top + 1], Cells[Top + 3]);
}

void TStack::OVER(TForth&) {
    Need(2);
    CheckRoom();
    Cells[Top - 1] = Cells[Top + 1];
    --Top;
}

void TStack::TRUE(TForth&) { PushInteger(-1); }

void TStack::FALSE(TForth&) { PushInteger(0); }

void TStack::EQ(TForth&) {
    Need(2);
    TCell b, a;
    Pop(b);
    Pop(a);
    if (a.Kind != b.Kind) throw EStack("Type mismatch");
    bool eq;
    switch (a.Kind) {
        case ckInteger: eq = a.Value == b.Value; break;
        case ckObject: eq = a.Obj == b.Obj; break;
        case ckString: eq = SameText(a.S, b.S); break;
        default: throw EStack("Unknown type");
    }
    PushInteger(eq ? -1 : 0);
}

const ClassInfo& TStack::StaticForthClass() {
    static const MethodInfo methods[] = {
        WordMethod<TStack, &TStack::ClearStack>("ClearStack"),
        WordMethod<TStack, &TStack::DUP>("DUP"),
        WordMethod<TStack, &TStack::DROP>("DROP"),
        WordMethod<TStack, &TStack::SWAP>("SWAP"),
        WordMethod<TStack, &TStack::DSWAP>("DSWAP"),
        WordMethod<TStack, &TStack::OVER>("OVER"),
        WordMethod<TStack, &TStack::TRUE>("TRUE"),
        WordMethod<TStack, &TStack::FALSE>("FALSE"),
        WordMethod<TStack, &TStack::EQ>("EQ"),
    };
    static const ClassInfo info{"TStack", nullptr, {}, methods};
    return info;
}

// ---- TForth: life -----------------------------------------------------------------

TForth::TForth() {
    Objects.AddObject("FORTH", this);
    Objects.AddObject("STACK", &Stack);
    Aliases.SetSorted(true);
    Aliases.SetDuplicates(dupAccept);
    current_ = std::make_unique<TVocabulary>();
    RegisterWord("NOT", [this](TForth& sender) { NOT(sender); });
}

TForth::~TForth() = default;

void TForth::SetCurrent(std::unique_ptr<TVocabulary> vocabulary) { current_ = std::move(vocabulary); }

void TForth::SetText(std::string text) {
    text_ = std::move(text);
    defs_.reset();
}

const ClassInfo& TForth::StaticForthClass() {
    static const PropInfo props[] = {
        ObjProp<TForth, &TForth::Current>("Current"),
    };
    static const MethodInfo methods[] = {
        WordMethod<TForth, &TForth::ShowMessage>("ShowMessage"),
        WordMethod<TForth, &TForth::InputQuery>("InputQuery"),
        WordMethod<TForth, &TForth::Writeln>("Writeln"),
        WordMethod<TForth, &TForth::ExtractFileName>("ExtractFileName"),
        WordMethod<TForth, &TForth::StrLen>("StrLen"),
        WordMethod<TForth, &TForth::EGG>("EGG"),
        WordMethod<TForth, &TForth::ForEachStrings>("ForEachStrings"),
        WordMethod<TForth, &TForth::INCLUDE>("INCLUDE"),
    };
    static const ClassInfo info{"TForth", nullptr, props, methods};
    return info;
}

// ---- tokenizer ---------------------------------------------------------------------

bool TForth::SkipBlanks() {
    const int32_t len = int32_t(text_.size());
    int32_t p = Pos < 1 ? 1 : Pos;
    while (p <= len && IsSep(text_[size_t(p - 1)])) ++p;
    Pos = p;
    return p <= len;
}

// The token from Pos up to the next separator, which is consumed; the rest of
// the text when there is none. Views into text_: valid until it changes.
std::string_view TForth::NextWord() {
    const int32_t len = int32_t(text_.size());
    if (Pos < 1) Pos = 1;
    if (Pos > len) {
        lastSep_ = 0;
        return {};
    }
    const char* base = text_.data();
    const char* p = base + (Pos - 1);
    const char* end = base + len;
    const char* q = p;
    while (q < end && !IsSep(*q)) ++q;
    std::string_view tok(p, size_t(q - p));
    if (q < end) {
        lastSep_ = *q;
        Pos = int32_t(q - base) + 2;
    } else {
        lastSep_ = 0;
        Pos = len + 1;
    }
    return tok;
}

bool TForth::NextToken(char delimiter, std::string& token) {
    if (delimiter == ' ') {
        token = std::string(NextWord());
        return true;
    }
    const int32_t len = int32_t(text_.size());
    if (Pos < 1) Pos = 1;
    if (Pos > len) return false;
    size_t at = text_.find(delimiter, size_t(Pos - 1));
    if (at == std::string::npos) return false;
    token.assign(text_, size_t(Pos - 1), at - size_t(Pos - 1));
    Pos = int32_t(at) + 2;
    lastSep_ = delimiter;
    return true;
}

// Skips the rest of the current line, whatever its line end (CR LF, LF or CR).
void TForth::SkipLine() {
    const int32_t len = int32_t(text_.size());
    if (lastSep_ == '\n') return;
    if (lastSep_ == '\r') {
        if (Pos >= 1 && Pos <= len && text_[size_t(Pos - 1)] == '\n') ++Pos;
        lastSep_ = '\n';
        return;
    }
    lastSep_ = '\n';
    if (Pos < 1) Pos = 1;
    if (Pos > len) return;
    size_t at = text_.find_first_of("\r\n", size_t(Pos - 1));
    if (at == std::string::npos) {
        Pos = len + 1;
        return;
    }
    if (text_[at] == '\r' && at + 1 < text_.size() && text_[at + 1] == '\n') ++at;
    Pos = int32_t(at) + 2;
}

void TForth::ExpectToken(std::string_view token) {
    SkipBlanks();
    if (NextWord() != token) throw EForth(Quoted("Token ", token, " expected"));
}

// ---- interpreting ------------------------------------------------------------------

void TForth::SkipToThen() {
    SkipLine();
    for (;;) {
        if (!SkipBlanks()) throw EForth("THEN expected");
        if (NextWord() == "THEN") {
            Struc = fcNone;
            return;
        }
        SkipLine();
    }
}

void TForth::SkipToThenOrElse() {
    SkipLine();
    for (;;) {
        if (!SkipBlanks()) throw EForth("THEN or ELSE expected");
        std::string_view t = NextWord();
        if (t == "THEN") return;
        if (t == "ELSE") {
            Struc = fcIfElse;
            return;
        }
        SkipLine();
    }
}

const ClassInfo* TForth::RegisteredClass(int index, TObject* obj) {
    if (size_t(index) >= classes_.size()) classes_.resize(size_t(index) + 1);
    ClassCache& c = classes_[size_t(index)];
    // A live object keeps its class; a freed one may be followed by another
    // object at the same address.
    if (c.Obj != obj || !obj || c.Alive.expired()) {
        c.Obj = obj;
        c.Alive = obj ? obj->AliveToken() : std::weak_ptr<void>();
        c.Info = ForthClassOf(obj);
    }
    return c.Info;
}

// Rule 7: the published members of the registered objects, in order.
bool TForth::RunPublished(std::string_view token) {
    const int n = Objects.Count();
    for (int i = 0; i < n; ++i) {
        TObject* obj = Objects.GetObject(i);
        const ClassInfo* ci = RegisteredClass(i, obj);
        if (!ci) {
            ConsoleLine("Internal Error. Class " + Objects[i] + " has no class info.");
            continue;
        }
        if (const PropInfo* p = ci->FindProperty(token)) {
            EvaluateProperty(obj, *p);
            return true;
        }
        if (const MethodInfo* m = ci->FindMethod(token)) {
            m->Call(*obj, *this);
            return true;
        }
    }
    return false;
}

bool TForth::RunOneChar(std::string_view token) {
    if (token.size() != 1) return false;
    const char c = token[0];
    switch (c) {
        case '(': {
            const size_t at = Pos >= 1 && Pos <= int32_t(text_.size())
                                  ? text_.find(')', size_t(Pos - 1))
                                  : std::string::npos;
            // An unterminated comment runs to the end of the text.
            Pos = at == std::string::npos ? int32_t(text_.size()) + 1 : int32_t(at) + 2;
            lastSep_ = ')';
            return true;
        }
        case '"':
        case '\'': {
            std::string s;
            if (!NextToken(c, s)) throw EForth(Quoted("Token ", token, " expected"));
            Stack.PushString(std::move(s));
            return true;
        }
        case '+':
        case '-':
        case '&':
        case '|': {
            TCell x, y;
            Stack.Pop(x);
            Stack.Pop(y);
            const uint32_t a = uint32_t(y.Value), b = uint32_t(x.Value);
            uint32_t r;
            if (c == '+') r = a + b;
            else if (c == '-') r = a - b;
            else if (c == '&') r = a & b;
            else r = a | b;
            Stack.PushInteger(int32_t(r));
            return true;
        }
        case '=':
            Stack.EQ(*this);
            return true;
        default:
            return false;
    }
}

namespace {

// True when the calling thread's native stack has too little room left for
// another level of nested words: less than a reserve for the deepest host
// word and the unwinding of the error. Frames grow with the build (the
// sanitizers more than double them), so a depth count alone cannot tell.
bool NearStackEnd() {
#if defined(__linux__)
    struct Bounds {
        uintptr_t Low = 0, High = 0;
    };
    thread_local const Bounds bounds = [] {
        Bounds b;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) != 0) return b;
        void* addr = nullptr;
        size_t size = 0;
        if (pthread_attr_getstack(&attr, &addr, &size) == 0 && addr && size > 0) {
            b.Low = reinterpret_cast<uintptr_t>(addr);
            b.High = b.Low + size;
        }
        pthread_attr_destroy(&attr);
        return b;
    }();
    const uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    // A frame outside the known stack (another stack switched in) is not judged.
    if (here < bounds.Low || here >= bounds.High) return false;
    const uintptr_t reserve = std::min<uintptr_t>((bounds.High - bounds.Low) / 4, 128 * 1024);
    return here - bounds.Low < reserve;
#else
    return false;
#endif
}

}  // namespace

// Counts one level of nested running: words, included files and interpreter
// runs started by host words all nest through here.
class TForth::Nesting {
public:
    explicit Nesting(TForth& f) : f_(f) {
        if (f_.depth_ >= MaxNesting || NearStackEnd()) throw EForth("Word nesting too deep");
        if (f_.depth_ == 0) f_.steps_ = 0;
        ++f_.depth_;
    }
    ~Nesting() { --f_.depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    TForth& f_;
};

// Where a nested run returns to, however it ends: the position, IF state and
// last separator, and for an included file also the text and its index.
class TForth::SavedPlace {
public:
    SavedPlace(TForth& f, bool withText) : f_(f), pos_(f.Pos), struc_(f.Struc), sep_(f.lastSep_), withText_(withText) {
        if (!withText_) return;
        text_ = std::move(f.text_);
        defs_ = std::move(f.defs_);
    }
    ~SavedPlace() {
        if (withText_) {
            f_.text_ = std::move(text_);
            f_.defs_ = std::move(defs_);
        }
        f_.Pos = pos_;
        f_.Struc = struc_;
        f_.lastSep_ = sep_;
    }
    SavedPlace(const SavedPlace&) = delete;
    SavedPlace& operator=(const SavedPlace&) = delete;

private:
    TForth& f_;
    const int32_t pos_;
    const TForthStruc struc_;
    const char sep_;
    const bool withText_;
    std::string text_;
    std::unique_ptr<DefIndex> defs_;
};

void TForth::Interpret() {
    Nesting nesting(*this);
    Run();
}

void TForth::Run() {
    for (;;) {
        if (!SkipBlanks()) return;
        const std::string_view t = NextWord();
        if (StepLimit > 0 && ++steps_ > StepLimit) throw EForth("Step limit exceeded");

        if (t == "THEN" && Struc != fcNone) {
            Struc = fcNone;
            continue;
        }
        if (t == "ELSE" && Struc == fcIfThen) {
            SkipToThen();
            continue;
        }
        if (t == ";" || t == "**)") return;
        if (t == "::") {
            RunMember();
            continue;
        }
        const int oi = Objects.IndexOf(t);
        if (oi >= 0) {
            Stack.PushObject(Objects.GetObject(oi));
            continue;
        }
        if (RunPublished(t)) continue;
        if (Aliases.Count() > 0) {
            int ai;
            if (Aliases.Find(t, ai)) {
                Stack.PushObject(Aliases.GetObject(ai));
                continue;
            }
        }
        if (RunNative(t)) continue;
        if (t == "IF") {
            If();
            continue;
        }
        if (RunOneChar(t)) continue;
        if (t == "//") {
            SkipLine();
            continue;
        }
        PushNumber(t);
    }
}

// The helpers of Run keep their locals out of its frame, which every level
// of nested words holds on the native stack.

// "::": a published member of the object on top of the stack.
void TForth::RunMember() {
    TCell c;
    Stack.Pop(c);
    TObject* obj = c.Object();
    if (!obj) throw EForth(":: used not for object");
    const std::string_view name = NextWord();
    const ClassInfo* ci = ForthClassOf(obj);
    if (const PropInfo* p = ci ? ci->FindProperty(name) : nullptr) {
        EvaluateProperty(obj, *p);
    } else if (const MethodInfo* m = ci ? ci->FindMethod(name) : nullptr) {
        m->Call(*obj, *this);
    } else {
        throw EForth(Quoted("Class component ", name, " not found"));
    }
}

bool TForth::RunNative(std::string_view token) {
    const TForthEvent* w = current_ ? current_->FindWord(token) : nullptr;
    if (!w) return false;
    const TForthEvent word = *w;  // the word may change the vocabulary
    word(*this);
    return true;
}

void TForth::If() {
    TCell c;
    Stack.Pop(c);
    if (c.Value != 0)
        Struc = fcIfThen;
    else
        SkipToThenOrElse();
}

void TForth::PushNumber(std::string_view token) {
    int32_t n;
    if (!TryStrToInt(token, n)) throw EForth(Quoted("Word ", token, " not found"));
    Stack.PushInteger(n);
}

void TForth::EvaluateProperty(TObject* instance, const PropInfo& prop) {
    if (!instance) throw EForth(":: used not for object");
    if (prop.Kind == pkClass) {
        Stack.PushObject(prop.GetObj ? prop.GetObj(*instance) : nullptr);
        return;
    }
    const std::string_view op = NextWord();
    const bool ordinal = prop.Kind == pkInteger || prop.Kind == pkEnumeration;
    const bool string = prop.Kind == pkChar || prop.Kind == pkShortString || prop.Kind == pkLString;
    if (op == ".@") {
        if (ordinal && prop.GetOrd)
            Stack.PushInteger(prop.GetOrd(*instance));
        else if (string && prop.GetStr)
            Stack.PushString(prop.GetStr(*instance));
        else
            throw EForth("Unsupported property type");
    } else if (op == ".!") {
        TCell c;
        Stack.Pop(c);
        if (!ordinal && !string) throw EForth("Unsupported property type");
        if (ordinal ? !prop.SetOrd : !prop.SetStr)
            throw EForth(Quoted("Property ", prop.Name, " is read-only"));
        if (ordinal)
            prop.SetOrd(*instance, c.Value);
        else
            prop.SetStr(*instance, c.S);
    } else {
        throw EForth("Property operation .@ or .! expected");
    }
}

void TForth::ExecuteMethod(TObject* instance, std::string_view methodName) {
    if (!instance) throw EForth(":: used not for object");
    const MethodInfo* m = FindPublishedMethod(instance, methodName.substr(0, 255));
    if (!m) throw EForth(Quoted("Class component ", methodName, " not found"));
    m->Call(*instance, *this);
}

// Index (0-based) of the ":" of the first line that reads ": " + name
// followed by a separator or the end of the text; -1 when there is none.
int TForth::FindDefinition(std::string_view name) {
    if (name.empty()) return -1;
    for (char c : name)
        if (IsSep(c)) return -1;
    if (!defs_) {
        defs_ = std::make_unique<DefIndex>();
        const size_t len = text_.size();
        size_t i = 0;
        while (i < len) {
            // i is the start of a line
            if (text_[i] == ':' && i + 1 < len && text_[i + 1] == ' ') {
                size_t e = i + 2;
                while (e < len && !IsSep(text_[e])) ++e;
                if (e > i + 2) defs_->try_emplace(text_.substr(i + 2, e - i - 2), int(i));
            }
            while (i < len && text_[i] != '\n' && text_[i] != '\r') ++i;
            ++i;
        }
    }
    auto it = defs_->find(name);
    return it == defs_->end() ? -1 : it->second;
}

void TForth::ExecWord(std::string_view name) {
    Nesting nesting(*this);
    const int n = Objects.Count();
    for (int i = 0; i < n; ++i) {
        TObject* obj = Objects.GetObject(i);
        const ClassInfo* ci = RegisteredClass(i, obj);
        if (const MethodInfo* m = ci ? ci->FindMethod(name) : nullptr) {
            m->Call(*obj, *this);
            return;
        }
    }
    const int at = FindDefinition(name);
    if (at < 0) throw EForth(Quoted("Word ", name, " not found"));

    const SavedPlace saved(*this, false);
    Pos = at + 1;
    NextWord();  // ":"
    NextWord();  // the name
    Struc = fcNone;
    Run();
}

void TForth::LoadFromFile(const std::string& fileName) {
    Stack.ClearStack();
    std::string text = ReadWholeFile(fileName);
    // Editors may start a UTF-8 file with a byte-order mark; it is not text.
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    text.push_back(' ');
    SetText(std::move(text));
    Pos = 1;
}

void TForth::ExecForth(const std::string& program) {
    Stack.ClearStack();
    SetText(program + " ");
    Pos = 1;
    Struc = fcNone;
    Interpret();
}

void TForth::ExecForthFile(const std::string& fileName) {
    LoadFromFile(fileName);
    Struc = fcNone;
    Interpret();
}

void TForth::RegisterWord(std::string_view name, TForthEvent word) {
    current_->AddWord(name.substr(0, TVocabulary::MaxNameLength), std::move(word));
}

std::string TForth::PopString() {
    TCell c;
    Stack.Pop(c);
    if (c.Kind != ckString) throw EStack("Type mismatch");
    return std::move(c.S);
}

int32_t TForth::PopInteger() {
    TCell c;
    Stack.Pop(c);
    if (c.Kind != ckInteger) throw EStack("Type mismatch");
    return c.Value;
}

void TForth::PushParams(std::initializer_list<TVarArg> args) {
    for (const TVarArg& a : args) {
        if (a.Kind() == TVarArg::vaString)
            Stack.PushString(a.Str());
        else if (a.Kind() == TVarArg::vaObject)
            Stack.PushObject(a.Obj());
    }
}

void TForth::ConsoleLine(std::string_view line) { Q(line); }

// ---- words of "FORTH" ------------------------------------------------------------

void TForth::ShowMessage(TForth& Sender) {
    TCell c;
    Sender.Pop(c);
    if (OnShowMessage)
        OnShowMessage(c.S);
    else
        Msg(c.S);
}

void TForth::InputQuery(TForth& Sender) {
    TCell def, prompt, caption;
    Sender.Pop(def);
    Sender.Pop(prompt);
    Sender.Pop(caption);
    std::string value = def.S;
    const bool ok = OnInputQuery && OnInputQuery(caption.S, prompt.S, value);
    Sender.PushString(ok ? std::move(value) : std::move(def.S));
}

void TForth::Writeln(TForth& Sender) {
    TCell c;
    Sender.Pop(c);
    if (c.Kind == ckInteger)
        Sender.ConsoleLine(IntToStr(c.Value));
    else if (c.Kind == ckString)
        Sender.ConsoleLine(c.S);
}

void TForth::ExtractFileName(TForth& Sender) {
    TCell c;
    Sender.Pop(c);
    const size_t p = c.S.find_last_of("/\\:");
    Sender.PushString(p == std::string::npos ? c.S : c.S.substr(p + 1));
}

void TForth::StrLen(TForth& Sender) {
    TCell c;
    Sender.Pop(c);
    Sender.PushInteger(int32_t(c.S.size()));
}

void TForth::EGG(TForth& Sender) {
    Sender.SkipBlanks();
    const std::string name(Sender.NextWord());
    Sender.ExecWord(name);
}

void TForth::ForEachStrings(TForth& Sender) {
    Sender.SkipBlanks();
    const std::string name(Sender.NextWord());
    TCell c;
    Sender.Pop(c);
    auto* list = dynamic_cast<TStringList*>(c.Object());
    if (!list) throw EStack("Type mismatch");
    const int n = list->Count();
    for (int i = 0; i < n; ++i) {
        // The body may shrink or free the list.
        list = dynamic_cast<TStringList*>(c.Object());
        if (!list || i >= list->Count()) break;
        Sender.PushString(list->Get(i));
        Sender.ExecWord(name);
    }
}

void TForth::INCLUDE(TForth& Sender) {
    TCell file;
    Sender.Pop(file);
    const SavedPlace saved(Sender, true);
    Sender.ExecForthFile(file.S);
}

void TForth::NOT(TForth& Sender) {
    TCell c;
    Sender.Pop(c);
    Sender.PushInteger(c.Value == 0 ? 1 : 0);
}

}  // namespace velt

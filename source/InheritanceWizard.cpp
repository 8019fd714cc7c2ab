#include "source/InheritanceWizard.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <set>
#include <utility>

#include "forth/Forth.h"
#include "foundation/CommMsg.h"
#include "foundation/StrUtils.h"
#include "foundation/Utils.h"
#include "source/HyperSourceCode.h"
#include "source/PascalScanner.h"

namespace velt {

namespace {

// Without a windowed host nobody can choose: nothing is shown or written.
class TNoWizardPort : public TInheritanceWizardPort {
public:
    bool Execute(const std::string&, TInheritanceSession&, std::vector<int>&) override { return false; }
};

TNoWizardPort defaultPort;
TInheritanceWizardPort* currentPort = nullptr;

const char* const kCancelled = "cancelled";

// ---- where a class body ends, read as code --------------------------------------------------------

// The code tokens of lines from first on, one token of lookahead.
class TCodeReader {
public:
    TCodeReader(const std::vector<std::string>& lines, int first)
        : scanner_([&lines](int i) { return std::string_view(lines[size_t(i)]); }, first, int(lines.size())) {}

    bool Next(TPasToken& t) {
        if (peeked_) {
            peeked_ = false;
            t = peek_;
        } else if (!Read(t)) {
            return false;
        }
        prev_ = last_;
        last_ = t;
        return true;
    }
    bool Peek(TPasToken& t) {
        if (!peeked_) peeked_ = Read(peek_);
        t = peek_;
        return peeked_;
    }
    // The token Next gave before the last one (none: empty text).
    const TPasToken& Previous() const { return prev_; }

private:
    bool Read(TPasToken& t) {
        while (scanner_.NextCode(t))
            if (t.Kind != TPasTokenKind::Asm) return true;
        return false;
    }
    TPascalScanner scanner_;
    TPasToken peek_, prev_, last_;
    bool peeked_ = false;
};

// After "class", "object" or "interface" following "=": whether a body
// follows, not a class reference ("class of") or a forward declaration
// ("class;", "class(TBase);"). Reads past the ancestor list.
bool OpensBody(TCodeReader& rd) {
    TPasToken n;
    if (!rd.Peek(n) || n.Is("of") || n.IsSymbol(";")) return false;
    if (n.IsSymbol("(")) {
        int depth = 0;
        while (rd.Next(n))
            if (n.IsSymbol("(")) ++depth;
            else if (n.IsSymbol(")") && --depth == 0) break;
        if (!rd.Peek(n) || n.IsSymbol(";")) return false;
    }
    return true;
}

// Whether line first declares a class or object type without a body of
// its own ("TSemi = class(TMid);", "TFwd = class;"); name is its name.
bool DeclaresBodilessClass(const std::vector<std::string>& lines, int first, std::string& name) {
    TCodeReader rd(lines, first);
    TPasToken t;
    if (!rd.Next(t) || !t.IsIdent() || t.Line != first) return false;
    name = std::string(t.Text);
    if (!rd.Next(t) || !t.IsSymbol("=") || !rd.Next(t)) return false;
    if (t.Is("packed") && !rd.Next(t)) return false;
    if (!(t.Is("class") || t.Is("object"))) return false;
    TPasToken n;
    if (rd.Peek(n) && n.Is("of")) return false;  // a class reference
    return !OpensBody(rd);
}

struct TClassBody {
    bool Header = false;  // the line opens a class or object type with a body
    std::string Name;
    int End = -1;         // the line of its closing "end"; -1 when none comes first
    bool Shared = false;  // code stands before that "end" on its line
};

// The body of the class or object type whose header starts line first. It
// ends at the "end" that closes it (nested records and classes have their
// own); a type header no deeper than the class's own, a section keyword or
// a "begin" come first when that end is missing: then there is none.
TClassBody ReadClassBody(const std::vector<std::string>& lines, int first) {
    TClassBody r;
    TCodeReader rd(lines, first);
    TPasToken t;
    if (!rd.Next(t) || !t.IsIdent() || t.Line != first) return r;
    const int headerCol = t.Col;
    const std::string name(t.Text);
    if (!rd.Next(t) || !t.IsSymbol("=") || !rd.Next(t)) return r;
    if (t.Is("packed") && !rd.Next(t)) return r;
    if (!(t.Is("class") || t.Is("object")) || !OpensBody(rd)) return r;
    r.Header = true;
    r.Name = name;
    int depth = 1;
    while (rd.Next(t)) {
        const TPasToken& prev = rd.Previous();
        const bool firstOnLine = prev.Line != t.Line;
        if (t.Is("end")) {
            if (--depth == 0) {
                r.End = t.Line;
                r.Shared = !firstOnLine;
                return r;
            }
        } else if (t.Is("implementation") || t.Is("initialization") || t.Is("finalization") || t.Is("begin")) {
            return r;
        } else if (t.Is("record")) {
            ++depth;
        } else if ((t.Is("class") || t.Is("object") || t.Is("interface") || t.Is("dispinterface")) &&
                   (prev.IsSymbol("=") || prev.Is("packed"))) {
            if (OpensBody(rd)) ++depth;
        } else if (depth == 1 && firstOnLine && t.IsIdent() && t.Col <= headerCol) {
            TPasToken n;
            if (rd.Peek(n) && n.IsSymbol("=")) return r;  // the next type of the section
        }
    }
    return r;
}

// The member names of a list, ASCII case folded, by kind.
std::set<std::pair<int, std::string>> FoldedNames(const TClassComponentList& list) {
    std::set<std::pair<int, std::string>> names;
    for (int i = 0; i < list.GetCount(); ++i) {
        const TClassComponent c = list.GetClassComponent(i);
        if (c.Kind != 0) names.emplace(c.Kind, LowerCase(c.Name));
    }
    return names;
}

// The text of fileName through the host word, in the interpreter's thread.
std::string ReadThroughHost(TForth& forth, const std::string& fileName) {
    TStack& stack = forth.Stack;
    const int depth = stack.Count();
    try {
        forth.PushString(fileName);
        forth.ExecWord("LoadFromIDEOrFile");
        TCell c;
        forth.Pop(c);
        if (c.Kind != ckString) throw EStack("Type mismatch");
        return std::move(c.S);
    } catch (...) {
        // A failed read leaves the stack as it found it.
        TCell c;
        while (stack.Count() > depth) stack.Pop(c);
        throw;
    }
}

// The calls of a walk of its own, made at once.
class TDirectCalls : public TInheritanceCalls {
public:
    TDirectCalls(TIHyperSourceCode& source, TForth& forth) : source_(source), forth_(forth) {}
    bool FindClassSource(const std::string& className, std::string& fileName) override {
        return source_.FindClassSource(className, fileName);
    }
    std::string UnitSource(const std::string& unit) override {
        return source_.ClassesRegistry.Ini().ReadString(unit, "Source", "");
    }
    std::string LoadFromIDEOrFile(const std::string& fileName) override { return ReadThroughHost(forth_, fileName); }

private:
    TIHyperSourceCode& source_;
    TForth& forth_;
};

}  // namespace

TInheritanceWizardPort* SetInheritanceWizardPort(TInheritanceWizardPort* port) {
    TInheritanceWizardPort* previous = currentPort;
    currentPort = port;
    return previous;
}

TInheritanceWizardPort& GetInheritanceWizardPort() { return currentPort ? *currentPort : defaultPort; }

// ---- the walk ------------------------------------------------------------------------------------

TInheritanceWalk::TInheritanceWalk(TIHyperSourceCode& source, TForth& forth, int headerLine)
    : direct_(std::make_unique<TDirectCalls>(source, forth)), calls_(direct_.get()), last_(&home_) {
    source.ParseClassAt(headerLine, own_);
    const std::string header = source.GetLines()->Get(headerLine);
    std::string name;
    source.ClassHeaderKind(header, name);
    seen_.Enter(name);
    next_ = source.ExtractClassAncestor(header);
    home_.CaseSensitive = unit_.CaseSensitive = source.CaseSensitive;
    home_.SetLinesText(source.GetLinesText());
    home_.SetFileName(source.GetFileName());
    home_.ValidateLines();
    ownNames_ = FoldedNames(own_);
}

TInheritanceWalk::~TInheritanceWalk() = default;

bool TInheritanceWalk::ReadAncestor(std::string& name, TClassComponentList& list) {
    if (Done()) return false;
    // Whatever goes wrong ends the walk, never the wizard or the program.
    try {
        return Step(name, list);
    } catch (const EInheritanceCancelled&) {
        Stop("");  // the wizard closed: nothing went wrong
    } catch (const std::exception& e) {
        Stop(e.what());
    } catch (...) {
        Stop("Unknown error while reading " + next_);
    }
    return false;
}

bool TInheritanceWalk::Next(std::vector<TWizardRow>& rows) {
    std::string name;
    TClassComponentList list;
    if (ReadAncestor(name, list)) {
        const size_t from = rows_.size();
        ListRows(name, list, rows_);
        rows.insert(rows.end(), rows_.begin() + std::ptrdiff_t(from), rows_.end());
    }
    return !Done();
}

void TInheritanceWalk::Run() {
    std::vector<TWizardRow> rows;
    while (Next(rows)) rows.clear();
}

void TInheritanceWalk::ListRows(const std::string& ancestor, const TClassComponentList& list,
                                std::vector<TWizardRow>& rows) {
    rows.push_back({"    Derived from " + ancestor, "", 4, 0});
    for (int i = 0; i < list.GetCount(); ++i) {
        TClassComponent c = list.GetClassComponent(i);
        if (c.Kind != 0) rows.push_back({std::move(c.Name), std::move(c.Text), c.Scope, c.Kind});
    }
}

bool TInheritanceWalk::Stop(std::string why) {
    next_.clear();
    error_ = std::move(why);
    return false;
}

bool TInheritanceWalk::Step(std::string& name, TClassComponentList& list) {
    const std::string written = next_;
    if (int(ancestors_.size()) >= kMaxAncestors) return Stop("More than " + IntToStr(kMaxAncestors) + " ancestors");
    if (!seen_.Enter(written)) return Stop("The ancestors of " + written + " come round to it again");
    int h = 0;
    std::string found;
    const TISourceCode* unit = Declaring(written, h, found);
    if (!unit) return Stop("Class " + written + " not found.");

    // When a step raises, ReadAncestor answers false and list is not used.
    list.Clear();
    unit->ParseClassAt(h, list);
    list.Sort();
    unit->RefineVirtualClass(list);
    unit->RefineClass(own_, list);
    // Pascal names ignore case: "resize" declares Resize all the same.
    if (!home_.CaseSensitive)
        for (int i = 0; i < list.GetCount(); ++i) {
            const TClassComponent c = list.GetClassComponent(i);
            if (c.Kind != 0 && ownNames_.count({c.Kind, LowerCase(c.Name)})) list.SetKind(i, 0);
        }
    const std::string after =
        SameText(found, "TObject") ? std::string() : unit->ExtractClassAncestor(unit->GetLines()->Get(h));

    // Nothing above raised: the ancestor counts as read.
    ancestors_.push_back(found);
    name = found;
    last_ = unit;
    next_ = after;
    return true;
}

const TISourceCode* TInheritanceWalk::Declaring(const std::string& written, int& headerLine, std::string& name) {
    name = written;
    // An ancestor is first looked for where its descendant is declared (a
    // nested "TOuter.TInner" too).
    if (last_->FindClass(written, headerLine)) return last_;
    const size_t dot = written.rfind('.');
    if (dot != std::string::npos) {
        // "Unit.TClass": that unit's class, else one of that name anywhere.
        name = written.substr(dot + 1);
        if (const TISourceCode* unit = InUnit(written.substr(0, dot), name, headerLine)) return unit;
        if (last_->FindClass(name, headerLine)) return last_;
    }
    std::string file;
    if (!calls_->FindClassSource(name, file)) return nullptr;
    const TISourceCode* unit = Model(file);
    return unit->FindClass(name, headerLine) ? unit : nullptr;
}

const TISourceCode* TInheritanceWalk::InUnit(const std::string& unit, const std::string& name, int& headerLine) {
    if (SameText(home_.UnitName(), unit)) return home_.FindClass(name, headerLine) ? &home_ : nullptr;
    const std::string file = calls_->UnitSource(unit);
    if (file.empty()) return nullptr;
    const TISourceCode* model = Model(file);
    return model->FindClass(name, headerLine) ? model : nullptr;
}

const TISourceCode* TInheritanceWalk::Model(const std::string& fileName) {
    // The current unit as the model held it, which may be newer than any file.
    if (fileName == home_.GetFileName()) return &home_;
    if (!unitFile_.empty() && unitFile_ == fileName) return &unit_;
    unitFile_.clear();
    unit_.SetLinesText(calls_->LoadFromIDEOrFile(fileName));
    unit_.SetFileName(fileName);
    unit_.ValidateLines();
    unitFile_ = fileName;
    return &unit_;
}

// ---- the worker ------------------------------------------------------------------------------------

// What the session and its worker share.
struct TInheritanceLink {
    std::mutex M;
    // Guarded by M: the worker while it may be told to stop, and whether it
    // has ended.
    TInheritanceThread* Thread = nullptr;
    bool Ended = false;
    // The main thread's (read and written there only).
    bool Closed = false;
    std::vector<TWizardRow> Rows;
    std::string Error;

    bool HasEnded() {
        std::lock_guard<std::mutex> lock(M);
        return Ended;
    }
};

TInheritanceThread::TInheritanceThread(std::shared_ptr<TInheritanceLink> link, std::unique_ptr<TInheritanceWalk> walk,
                                       TForth& forth, TIHyperSourceCode& source)
    : Forth(&forth), Source(&source), link_(std::move(link)), walk_(std::move(walk)) {
    FreeOnTerminate = true;
    OwnList = &walk_->OwnList();
    AncestorName = walk_->Current();
}

TInheritanceThread::~TInheritanceThread() = default;

void TInheritanceThread::Marshal(const std::function<void()>& fn) {
    // The interpreter and the source object are used in the main thread
    // only, and not at all once the wizard has closed.
    if (Terminated()) throw EInheritanceCancelled(kCancelled);
    Synchronize([&] {
        if (link_->Closed) throw EInheritanceCancelled(kCancelled);
        fn();
    });
}

bool TInheritanceThread::FindClassSource(const std::string& className, std::string& fileName) {
    bool found = false;
    Marshal([&] { found = Source->FindClassSource(className, fileName); });
    return found;
}

std::string TInheritanceThread::UnitSource(const std::string& unit) {
    std::string file;
    Marshal([&] { file = Source->ClassesRegistry.Ini().ReadString(unit, "Source", ""); });
    return file;
}

std::string TInheritanceThread::LoadFromIDEOrFile(const std::string& fileName) {
    std::string text;
    Marshal([&] { text = ReadThroughHost(*Forth, fileName); });
    return text;
}

void TInheritanceThread::Execute() {
    walk_->SetCalls(*this);
    std::string why;
    try {
        while (!Terminated() && !walk_->Done()) {
            AncestorName = walk_->Current();
            AncestorList = std::make_unique<TClassComponentList>();
            if (!walk_->ReadAncestor(AncestorName, *AncestorList)) break;
            Synchronize([this] { HandOver(); });
            AncestorList.reset();
        }
        why = walk_->Error();
    } catch (const EInheritanceCancelled&) {
    } catch (const std::exception& e) {
        why = e.what();
    } catch (...) {
        why = "Unknown error while reading " + AncestorName;
    }
    AncestorList.reset();
    OwnList = nullptr;
    walk_.reset();
    try {
        Synchronize([&] { Finished(why); });
    } catch (...) {
        // Not handed over: the session must not wait for ever all the same.
        std::lock_guard<std::mutex> lock(link_->M);
        link_->Thread = nullptr;
        link_->Ended = true;
    }
}

void TInheritanceThread::HandOver() {
    if (link_->Closed) throw EInheritanceCancelled(kCancelled);
    const size_t from = link_->Rows.size();
    TInheritanceWalk::ListRows(AncestorName, *AncestorList, link_->Rows);
    View->AddRows(std::vector<TWizardRow>(link_->Rows.begin() + std::ptrdiff_t(from), link_->Rows.end()));
}

void TInheritanceThread::Finished(const std::string& why) {
    link_->Error = why;
    if (!link_->Closed && View) View->WalkEnded(why);
    // From here on the thread frees itself: the session lets go of it.
    std::lock_guard<std::mutex> lock(link_->M);
    link_->Thread = nullptr;
    link_->Ended = true;
}

// ---- the session ------------------------------------------------------------------------------------

TInheritanceSession::TInheritanceSession(TIHyperSourceCode& source, TForth& forth, int headerLine)
    : link_(std::make_shared<TInheritanceLink>()) {
    thread_ = std::make_unique<TInheritanceThread>(link_, std::make_unique<TInheritanceWalk>(source, forth, headerLine),
                                                   forth, source);
}

TInheritanceSession::~TInheritanceSession() { Close(); }

void TInheritanceSession::Start(TInheritanceView& view) {
    if (!thread_ || link_->Closed) return;
    thread_->View = &view;
    TInheritanceThread* t = thread_.release();
    {
        std::lock_guard<std::mutex> lock(link_->M);
        link_->Thread = t;
    }
    t->Resume();  // frees itself when it ends
}

void TInheritanceSession::Stop() {
    link_->Closed = true;
    std::lock_guard<std::mutex> lock(link_->M);
    if (link_->Thread) link_->Thread->Terminate();
}

void TInheritanceSession::Close() {
    Stop();
    if (thread_) {
        // Never started: it goes without running.
        thread_.reset();
        std::lock_guard<std::mutex> lock(link_->M);
        link_->Ended = true;
        return;
    }
    while (!link_->HasEnded()) ServeMainThread(10);
}

bool TInheritanceSession::Running() const { return !thread_ && !link_->HasEnded(); }

const std::vector<TWizardRow>& TInheritanceSession::Rows() const { return link_->Rows; }

const std::string& TInheritanceSession::Error() const { return link_->Error; }

// ---- the word ------------------------------------------------------------------------------------

void TIHyperSourceCode::InheritanceWizard(TForth& Sender) {
    const std::vector<std::string>& lines = Lines->Strings();
    const int cursor = GetCursorLine();
    // A class on one line has no line of its own for its end to stay on.
    if (cursor >= 0 && cursor < LineCount()) {
        const TClassBody one = ReadClassBody(lines, cursor);
        if (one.Header && one.End == cursor)
            throw EInvalidSourceCode("The end of class " + one.Name + " is not on a line of its own.");
    }
    std::string className;
    if (cursor >= 0 && cursor < LineCount() && DeclaresBodilessClass(lines, cursor, className))
        throw EInvalidSourceCode("The class " + className + " has no body to write into.");
    int header = 0, kind = 0;
    // An interface has nothing to override.
    if (!FindEnclosingClass(cursor, className, header, kind) || kind == ctkInterface) return;
    // Members go before the class's own "end": never past the next type or
    // into the implementation, and never after a member on that end's line.
    const TClassBody body = ReadClassBody(lines, header);
    if (body.End >= 0 && cursor > body.End) return;  // below the class
    if (body.End < 0) throw EInvalidSourceCode("The end of class " + className + " is not found.");
    if (body.Shared) throw EInvalidSourceCode("The end of class " + className + " is not on a line of its own.");
    const int end = body.End;

    std::vector<int> selected;
    TInheritanceSession session(*this, Forth ? *Forth : Sender, header);
    const bool ok = GetInheritanceWizardPort().Execute(className, session, selected);
    // Nothing is written while the worker may still run.
    session.Close();
    if (!session.Error().empty()) Q("Inheritance Wizard of " + className + ": " + session.Error());
    if (!ok) return;

    // The rows in list order, each once; ancestor rows are headings, not members.
    const std::vector<TWizardRow>& rows = session.Rows();
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    const std::string indent = MemberIndent(end, header);
    std::vector<std::string> members;
    // The methods first, overriding (a message handler keeps its message),
    // then the properties, redeclared to publish them.
    for (const int want : {3, 2})
        for (const int i : selected) {
            if (i < 0 || size_t(i) >= rows.size() || rows[size_t(i)].Kind != want) continue;
            const TWizardRow& r = rows[size_t(i)];
            if (want == 2) {
                members.push_back(indent + "property " + r.Caption + ";");
                continue;
            }
            const std::string directive = ExtractMethodDirective(r.Header);
            const std::string suffix = HasPrefix("message", directive) ? " " + directive : " override;";
            members.push_back(indent + QualifiedHeader(ExtractMethodHeader(r.Header), "", r.Caption, suffix));
        }
    if (members.empty()) return;

    SetTopLine(header);
    SetTopCol(1);
    int at = end;
    for (const std::string& m : members) InsertLineAt(at++, m);
    Revalidate();
    SetCursorLine(at);
    SetCursorCol(1);
}

}  // namespace velt

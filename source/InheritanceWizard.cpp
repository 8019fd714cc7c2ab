#include "source/InheritanceWizard.h"

#include <algorithm>
#include <iterator>

#include "forth/Forth.h"
#include "foundation/CommMsg.h"
#include "foundation/StrUtils.h"
#include "source/HyperSourceCode.h"

namespace velt {

namespace {

// Without a windowed host nobody can choose: nothing is shown or written.
class TNoWizardPort : public TInheritanceWizardPort {
public:
    bool Execute(const std::string&, TInheritanceFeed&, std::vector<int>&) override { return false; }
};

TNoWizardPort defaultPort;
TInheritanceWizardPort* currentPort = nullptr;

}  // namespace

TInheritanceWizardPort* SetInheritanceWizardPort(TInheritanceWizardPort* port) {
    TInheritanceWizardPort* previous = currentPort;
    currentPort = port;
    return previous;
}

TInheritanceWizardPort& GetInheritanceWizardPort() { return currentPort ? *currentPort : defaultPort; }

// ---- the walk ------------------------------------------------------------------------------------

TInheritanceWalk::TInheritanceWalk(TIHyperSourceCode& source, TForth& forth, int headerLine)
    : source_(source), forth_(forth), last_(&source) {
    unit_.CaseSensitive = source.CaseSensitive;
    source.ParseClassAt(headerLine, own_);
    const std::string header = source.GetLines()->Get(headerLine);
    std::string name;
    source.ClassHeaderKind(header, name);
    seen_.Enter(name);
    next_ = source.ExtractClassAncestor(header);
}

TInheritanceWalk::~TInheritanceWalk() = default;

bool TInheritanceWalk::Next(std::vector<TWizardRow>& rows) {
    if (Done()) return false;
    // Whatever goes wrong ends the walk, never the wizard or the program.
    try {
        Step(rows);
    } catch (const std::exception& e) {
        Stop(e.what());
    } catch (...) {
        Stop("Unknown error while reading " + next_);
    }
    return !Done();
}

void TInheritanceWalk::Run() {
    std::vector<TWizardRow> rows;
    while (Next(rows)) rows.clear();
}

void TInheritanceWalk::Stop(std::string why) {
    next_.clear();
    error_ = std::move(why);
}

void TInheritanceWalk::Step(std::vector<TWizardRow>& rows) {
    const std::string ancestor = next_;
    if (int(ancestors_.size()) >= kMaxAncestors) return Stop("More than " + IntToStr(kMaxAncestors) + " ancestors");
    if (!seen_.Enter(ancestor)) return Stop("The ancestors of " + ancestor + " come round to it again");
    int h = 0;
    const TISourceCode* unit = Declaring(ancestor, h);
    if (!unit) return Stop("Class " + ancestor + " not found.");

    TClassComponentList list;
    unit->ParseClassAt(h, list);
    list.Sort();
    unit->RefineVirtualClass(list);
    unit->RefineClass(own_, list);
    std::vector<TWizardRow> batch;
    batch.push_back({"    Derived from " + ancestor, "", 4, 0});
    for (int i = 0; i < list.GetCount(); ++i) {
        const TClassComponent c = list.GetClassComponent(i);
        if (c.Kind != 0) batch.push_back({c.Name, c.Text, c.Scope, c.Kind});
    }
    const std::string after =
        SameText(ancestor, "TObject") ? std::string() : unit->ExtractClassAncestor(unit->GetLines()->Get(h));

    // Nothing above raised: the ancestor counts as read.
    rows_.insert(rows_.end(), batch.begin(), batch.end());
    rows.insert(rows.end(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
    ancestors_.push_back(ancestor);
    last_ = unit;
    next_ = after;
}

const TISourceCode* TInheritanceWalk::Declaring(const std::string& className, int& headerLine) {
    // An ancestor is first looked for where its descendant is declared.
    if (last_->FindClass(className, headerLine)) return last_;
    std::string file;
    if (!source_.FindClassSource(className, file)) return nullptr;
    // The current unit as the model holds it, which may be newer than any file.
    const TISourceCode* unit = &source_;
    if (file != source_.GetFileName()) {
        Load(file);
        unit = &unit_;
    }
    return unit->FindClass(className, headerLine) ? unit : nullptr;
}

void TInheritanceWalk::Load(const std::string& fileName) {
    if (!unitFile_.empty() && unitFile_ == fileName) return;
    unitFile_.clear();
    TStack& stack = forth_.Stack;
    const int depth = stack.Count();
    std::string text;
    try {
        forth_.PushString(fileName);
        forth_.ExecWord("LoadFromIDEOrFile");
        TCell c;
        forth_.Pop(c);
        if (c.Kind != ckString) throw EStack("Type mismatch");
        text = std::move(c.S);
    } catch (...) {
        // A failed read leaves the stack as it found it.
        TCell c;
        while (stack.Count() > depth) stack.Pop(c);
        throw;
    }
    unit_.SetLinesText(text);
    unit_.SetFileName(fileName);
    unit_.ValidateLines();
    unitFile_ = fileName;
}

// ---- the word ------------------------------------------------------------------------------------

void TIHyperSourceCode::InheritanceWizard(TForth& Sender) {
    std::string className;
    int header = 0, kind = 0;
    // An interface has nothing to override.
    if (!FindEnclosingClass(GetCursorLine(), className, header, kind) || kind == ctkInterface) return;
    // Members go before the class's own "end", not into whatever follows.
    const int end = FindClassEnd(header);
    if (end >= LineCount()) throw EInvalidSourceCode("The end of class " + className + " is not found.");

    TInheritanceWalk walk(*this, Forth ? *Forth : Sender, header);
    std::vector<int> selected;
    const bool ok = GetInheritanceWizardPort().Execute(className, walk, selected);
    if (!walk.Error().empty()) Q("Inheritance Wizard of " + className + ": " + walk.Error());
    if (!ok) return;

    // The rows in list order, each once; ancestor rows are headings, not members.
    const std::vector<TWizardRow>& rows = walk.Rows();
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

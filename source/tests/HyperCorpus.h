#pragma once
// Runs the hyperjump words over real Pascal units (shared by the corpus test
// and the corpus benchmark; the unit list comes from CorpusScan.h).
//
// Round trip: for every eligible method (qualified implementation header and
// declaration each on one line, the class in the same unit, the name neither
// overloaded nor implemented twice), HyperJump from the implementation header
// lands on the declaration, HyperJump back lands on the header, two PopUndo
// return to the declaration and then the header, and the text is unchanged.
// The dialogs answer No (and Cancel), so nothing is generated. The methods
// whose round trip asks anything (a header refresh: the headers differ) are
// counted.
//
// Sweep: HyperJump on every line of a unit, expecting no crash and no hang;
// the errors the word raises for lines it has nothing for are counted.
//
// Property lines: HyperJump on every property of a class, every question
// answered No; each line it inserts must be a scope word, a plain field
// "Name: Type;" or a plain method declaration, and declare no name that the
// class or an ancestor in the unit already declares.

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/CommMsg.h"
#include "foundation/Dialogs.h"
#include "source/PascalScanner.h"
#include "source/HyperSourceCode.h"
#include "source/tests/CorpusScan.h"

namespace velt::corpus {

// Answers every question with No / Cancel and counts them.
class TNoDialogs : public TDialogPort {
public:
    int Questions = 0;
    bool Confirm(const std::string&) override { return ++Questions, false; }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return ++Questions, false; }
    int RefreshHeader(const std::string&, const std::string&, const std::string&, const std::string&, bool) override {
        return ++Questions, mrCancel;
    }
    int ChooseTemplate(const std::vector<TTemplateItem>&) override { return ++Questions, -1; }
};

struct HyperResult {
    int Eligible = 0;
    int Passed = 0;
    int Asked = 0;  // methods whose round trip asked a question (a header refresh)
    std::vector<std::string> Failed;  // "Class.Method @line: why" (first few)
    double Seconds = 0;
};

struct HyperTotals {
    int Files = 0;
    long Eligible = 0, Passed = 0, Asked = 0;
    double MaxSeconds = 0;
    std::string SlowestFile;
    void Add(const std::string& file, const HyperResult& r) {
        ++Files;
        Eligible += r.Eligible;
        Passed += r.Passed;
        Asked += r.Asked;
        if (r.Seconds > MaxSeconds) MaxSeconds = r.Seconds, SlowestFile = file;
    }
    double PassRate() const { return Eligible ? 100.0 * double(Passed) / double(Eligible) : 0; }
    double AskRate() const { return Eligible ? 100.0 * double(Asked) / double(Eligible) : 0; }
};

// View and cursor to column col of line, as a user would place them.
inline void PlaceAt(TIHyperSourceCode& src, int line, int col) {
    src.SetTopLine(line);
    src.SetCursorLine(line);
    src.SetTopCol(col);
    src.SetCursorCol(col);
}

inline void LoadModel(TIHyperSourceCode& src, const std::string& text, const std::string& file) {
    src.SetLinesText(text);
    src.FileName = file;
    src.ValidateLines();
    PlaceAt(src, 0, 1);
}

// A one-line routine header: its parameter list closes and a ";" ends it.
inline bool OneLineHeader(const TISourceCode& src, int line) {
    const std::string& s = src.Lines->Get(line);
    return src.FindDeclEnd(line) == line && s.substr(0, s.find("//")).find(';') != std::string::npos;
}

inline HyperResult HyperRoundTrip(const std::string& text, const std::string& file) {
    auto t0 = std::chrono::steady_clock::now();
    HyperResult r;
    TNoDialogs dialogs;
    TDialogPortGuard guard(&dialogs);
    TIHyperSourceCode src;
    LoadModel(src, text, file);
    const std::vector<std::string> original = src.Lines->Strings();
    const int n = src.Lines->Count();

    // Implementations per qualified name, declarations per class and name.
    struct Impl {
        std::string Class, Method;
        int Line;
    };
    std::vector<Impl> impls;
    std::map<std::string, int> implCount;
    std::string c, m;
    for (int i = std::max(src.ImplLine + 1, 0); i < std::min(src.ImplEndLine, n); ++i)
        if (src.isValidMethodImpl(src.Lines->Get(i), c, m) && !c.empty()) {
            impls.push_back({c, m, i});
            ++implCount[UpperCase(c) + "." + UpperCase(m)];
        }
    std::map<std::string, std::map<std::string, int>> declCount;  // class -> method -> count
    auto fail = [&](const Impl& e, const std::string& why) {
        if (r.Failed.size() < 5) r.Failed.push_back(e.Class + "." + e.Method + " @" + std::to_string(e.Line + 1) + ": " + why);
    };
    for (const Impl& e : impls) {
        if (implCount[UpperCase(e.Class) + "." + UpperCase(e.Method)] != 1 || !OneLineHeader(src, e.Line)) continue;
        int h = 0, decl = 0;
        if (!src.FindClass(e.Class, h) || !src.FindMethodIntf(e.Class, e.Method, decl) || !OneLineHeader(src, decl))
            continue;
        const std::string uc = UpperCase(e.Class);
        auto dc = declCount.find(uc);
        if (dc == declCount.end()) {
            TClassComponentList list;
            src.ParseClassAt(h, list);
            auto& counts = declCount[uc];
            for (int j = 0; j < list.GetCount(); ++j) {
                TClassComponent cc = list.GetClassComponent(j);
                if (cc.Kind == 3) ++counts[UpperCase(cc.Name)];
            }
            dc = declCount.find(uc);
        }
        if (dc->second[UpperCase(e.Method)] != 1) continue;  // overloaded
        ++r.Eligible;
        const int asked = dialogs.Questions;
        bool ok = false;
        try {
            PlaceAt(src, e.Line, 1);
            src.HyperJump();
            if (src.GetCursorLine() != decl) {
                fail(e, "to the declaration: line " + std::to_string(src.GetCursorLine() + 1));
            } else {
                src.HyperJump();
                if (src.GetCursorLine() != e.Line) {
                    fail(e, "back: line " + std::to_string(src.GetCursorLine() + 1));
                } else {
                    src.PopUndo();
                    const int first = src.GetCursorLine();
                    src.PopUndo();
                    if (first != decl || src.GetCursorLine() != e.Line)
                        fail(e, "undo: lines " + std::to_string(first + 1) + ", " + std::to_string(src.GetCursorLine() + 1));
                    else
                        ok = true;
                }
            }
        } catch (const Exception& x) {
            fail(e, std::string("error: ") + x.what());
        }
        if (src.GetModified() || src.Lines->Count() != n || src.FileName != file) {
            if (ok) fail(e, "text changed");
            ok = false;
            LoadModel(src, text, file);
        }
        r.Passed += ok;
        r.Asked += dialogs.Questions != asked;
    }
    if (src.Lines->Strings() != original) {
        // A change that slipped past the flag fails the whole unit.
        r.Failed.push_back("text changed without Modified");
        r.Passed = 0;
    }
    r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return r;
}

struct SweepResult {
    int Lines = 0;       // lines jumped from
    int Errors = 0;      // lines the word raised an error for
    int Generated = 0;   // lines whose jump changed the text (reloaded)
    bool TimedOut = false;
    double Seconds = 0;
};

// HyperJump on every line (on maxJumps evenly spread lines of a larger unit),
// the text reloaded after every change; stops when maxSeconds have passed.
inline SweepResult HyperSweep(const std::string& text, const std::string& file, double maxSeconds,
                              int maxJumps = 0) {
    auto t0 = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(); };
    SweepResult r;
    TNoDialogs dialogs;
    TDialogPortGuard guard(&dialogs);
    TIHyperSourceCode src;
    LoadModel(src, text, file);
    const int n = src.Lines->Count();
    const int stride = maxJumps > 0 && n > maxJumps ? (n + maxJumps - 1) / maxJumps : 1;
    for (int i = 0; i < n; i += stride) {
        if (elapsed() > maxSeconds) {
            r.TimedOut = true;
            break;
        }
        PlaceAt(src, i, 1 + int(src.Lines->Get(i).size() / 2));
        try {
            src.HyperJump();
        } catch (const Exception&) {
            ++r.Errors;
        }
        ++r.Lines;
        if (src.GetModified() || src.Lines->Count() != n) {
            ++r.Generated;
            LoadModel(src, text, file);
        }
    }
    r.Seconds = elapsed();
    return r;
}

// Takes the messages the jumps show while it lives, counting them.
class TQuietSink : public TMessageSink {
public:
    TQuietSink() : previous_(SetMessageSink(this)) {}
    ~TQuietSink() override { SetMessageSink(previous_); }
    TQuietSink(const TQuietSink&) = delete;
    TQuietSink& operator=(const TQuietSink&) = delete;
    int Messages = 0;
    void Info(std::string_view) override { ++Messages; }
    void Warning(std::string_view) override { ++Messages; }
    void Line(std::string_view) override { ++Messages; }
    bool Query(std::string_view) override { return ++Messages, false; }
    void Beep() override {}

private:
    TMessageSink* previous_;
};

struct PropertyResult {
    int Properties = 0;  // property lines jumped from
    int Inserted = 0;    // declarations inserted
    int Bad = 0;         // ... that do not compile or declare a name twice
    int Unasked = 0;     // bad ones inserted without any question
    std::vector<std::string> Failed;  // "line: text" (first few)
};

// Every token of a line, comments and directives included.
inline std::vector<TPasToken> AllTokens(std::string_view line) {
    std::vector<TPasToken> r;
    TPascalScanner sc(line);
    TPasToken t;
    while (sc.Next(t)) r.push_back(t);
    return r;
}

// The names a member line declares: the fields of "A, B: Type", a method's
// name, a property's name.
inline std::vector<std::string> DeclaredNames(const TISourceCode& src, std::string_view line) {
    std::string nm;
    if (src.isValidMethodDecl(line, nm, true)) return {UpperCase(nm)};
    TPropertyInfo p;
    if (src.isValidProperty(line, p)) return {UpperCase(p.Name)};
    std::vector<TPasToken> t = PascalCodeTokens(line);
    std::vector<std::string> names;
    size_t i = 0;
    if (i < t.size() && (t[i].Is("var") || t[i].Is("class"))) ++i;
    if (i < t.size() && t[i].Is("var")) ++i;
    for (; i + 1 < t.size() && t[i].IsIdent(); i += 2) {
        names.push_back(UpperCase(t[i].Text));
        if (t[i + 1].IsSymbol(":")) return names;
        if (!t[i + 1].IsSymbol(",")) break;
        if (i + 2 == t.size()) return names;  // the list goes on in the next line
    }
    return {};
}

// Member names of the class at header and of its ancestors in the unit.
inline std::set<std::string> ClassMemberNames(const TIHyperSourceCode& src, int header) {
    std::set<std::string> names;
    TAncestorWalk walk;
    std::string cls;
    for (int h = header; h >= 0 && src.ClassHeaderKind(src.Lines->Get(h), cls) != ctkNone && walk.Enter(cls);) {
        const int end = std::min(src.FindClassEnd(h), src.Lines->Count());
        for (int i = h + 1; i < end; ++i)
            for (auto& n : DeclaredNames(src, src.Lines->Get(i))) names.insert(n);
        if (!src.FindClass(src.ExtractClassAncestor(src.Lines->Get(h)), h)) break;
    }
    return names;
}

// Whether an inserted line is a scope word, a plain field or a plain method
// declaration whose name is not in names.
inline bool PlainDeclaration(const TISourceCode& src, std::string_view line, const std::set<std::string>& names) {
    std::vector<TPasToken> t = AllTokens(line);
    for (const auto& k : t)
        if (!k.IsCode()) return false;
    if (t.size() == 1 && (t[0].Is("private") || t[0].Is("protected"))) return true;
    if (t.size() < 4 || !t.back().IsSymbol(";")) return false;
    std::string name;
    if (t[0].Is("function") || t[0].Is("procedure")) {
        if (!src.isValidMethodDecl(line, name, true) || !t[1].IsIdent()) return false;
        size_t i = 2;
        if (t[i].IsSymbol("(")) {
            while (i < t.size() && !t[i].IsSymbol(")")) ++i;
            ++i;
        }
        if (i < t.size() && t[i].IsSymbol(":")) {
            if (i + 2 >= t.size() || !t[i + 1].IsIdent()) return false;
            i += 2;
        }
        if (i + 1 != t.size()) return false;
    } else {
        // Name ":" Type ";" with a dotted type name at most.
        if (!t[0].IsIdent() || !t[1].IsSymbol(":")) return false;
        for (size_t i = 2; i + 1 < t.size(); ++i)
            if (!(t[i].IsIdent() || t[i].IsSymbol("."))) return false;
        name = std::string(t[0].Text);
    }
    return names.count(UpperCase(name)) == 0;
}

inline PropertyResult PropertySweep(const std::string& text, const std::string& file) {
    PropertyResult r;
    TNoDialogs dialogs;
    TDialogPortGuard guard(&dialogs);
    TQuietSink sink;
    TIHyperSourceCode src;
    LoadModel(src, text, file);
    const std::vector<std::string> original = src.Lines->Strings();
    const int n = src.Lines->Count();
    TPropertyInfo p;
    for (int i = 0; i < n; ++i) {
        std::string cls;
        int header = 0, kind = 0;
        if (!src.isValidProperty(original[size_t(i)], p) || !src.FindEnclosingClass(i, cls, header, kind)) continue;
        ++r.Properties;
        const std::set<std::string> names = ClassMemberNames(src, header);
        const int asked = dialogs.Questions;
        PlaceAt(src, i, 1);
        try {
            src.HyperJump();
        } catch (const Exception&) {
        }
        const std::vector<std::string>& now = src.Lines->Strings();
        if (now == original) continue;
        // Only insertions happen when every question is answered No.
        for (size_t a = 0, b = 0; b < now.size(); ++b) {
            if (a < original.size() && now[b] == original[a]) {
                ++a;
                continue;
            }
            ++r.Inserted;
            if (PlainDeclaration(src, now[b], names)) continue;
            ++r.Bad;
            r.Unasked += dialogs.Questions == asked;
            if (r.Failed.size() < 5) r.Failed.push_back(std::to_string(i + 1) + ": " + Trim(now[b]));
        }
        LoadModel(src, text, file);
    }
    return r;
}

}  // namespace velt::corpus

// The inheritance wizard's walk over real code: twenty Free Pascal classes
// with deep ancestry reach TObject through every ancestor, and list for each
// ancestor what it declares that can be overridden or redeclared. The
// expectation comes from a plain reading of the same files, independent of
// the unit model. Skipped when the Free Pascal sources are not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "foundation/StrUtils.h"
#include "source/tests/InheritanceCorpus.h"

namespace velt {
namespace {

// ---- a plain reading of a unit ------------------------------------------------------------

// The lines without comments and string contents (a comment may run over lines).
std::vector<std::string> CodeLines(const std::string& text) {
    std::vector<std::string> out;
    char in = 0;  // '{', '*' while inside a comment
    for (const std::string& line : SplitLines(text)) {
        std::string code;
        for (size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (in == '{') {
                if (c == '}') in = 0;
            } else if (in == '*') {
                if (c == '*' && i + 1 < line.size() && line[i + 1] == ')') in = 0, ++i;
            } else if (c == '{') {
                in = '{';
            } else if (c == '(' && i + 1 < line.size() && line[i + 1] == '*') {
                in = '*', ++i;
            } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
                break;
            } else if (c == '\'') {
                const size_t close = line.find('\'', i + 1);
                code += "''";
                if (close == std::string::npos) break;
                i = close;
            } else {
                code += c;
            }
        }
        out.push_back(code);
    }
    return out;
}

std::string Ident(std::string_view s, size_t& i) {
    while (i < s.size() && IsBlankChar(s[i])) ++i;
    const size_t b = i;
    while (i < s.size() && (IsIdentChar(s[i]) || s[i] == '.')) ++i;
    return std::string(s.substr(b, i - b));
}

bool Word(std::string_view s, size_t& i, std::string_view w) {
    while (i < s.size() && IsBlankChar(s[i])) ++i;
    if (!SameText(s.substr(i, w.size()), w)) return false;
    if (i + w.size() < s.size() && IsIdentChar(s[i + w.size()])) return false;
    i += w.size();
    return true;
}

int Indent(std::string_view s) {
    int n = 0;
    while (size_t(n) < s.size() && IsBlankChar(s[size_t(n)])) ++n;
    return n;
}

// "Name = class[(Ancestor, ...)]" with a body (not "class of", not a forward
// or body-less declaration).
bool ClassHeader(std::string_view s, std::string& name, std::string& ancestor) {
    size_t i = 0;
    name = Ident(s, i);
    if (name.empty() || name.find('.') != std::string::npos) return false;
    while (i < s.size() && IsBlankChar(s[i])) ++i;
    if (i >= s.size() || s[i] != '=') return false;
    ++i;
    if (!Word(s, i, "class") || Word(s, i, "of")) return false;
    while (i < s.size() && IsBlankChar(s[i])) ++i;
    ancestor = SameText(name, "TObject") ? "" : "TObject";
    if (i < s.size() && s[i] == '(') {
        ++i;
        ancestor = Ident(s, i);
        i = s.find(')', i);
        if (i == std::string_view::npos) return false;
        ++i;
    }
    return TrimView(s.substr(i)).empty();
}

// A line opening a nested type with a body of its own.
bool OpensNested(std::string_view s) {
    std::string n, a;
    if (ClassHeader(s, n, a)) return true;
    const size_t colon = s.find_first_of("=:");
    if (colon == std::string_view::npos) return false;
    size_t i = colon + 1;
    Word(s, i, "packed");
    return Word(s, i, "record") || Word(s, i, "object");
}

// The first line after from starting with "end" no deeper than indent.
int EndOf(const std::vector<std::string>& code, int from, int indent) {
    for (int i = from + 1; i < int(code.size()); ++i) {
        size_t k = 0;
        if (Word(code[size_t(i)], k, "end") && Indent(code[size_t(i)]) <= indent) return i;
    }
    return int(code.size());
}

struct Member {
    std::string Name;
    int Kind;  // 2 property, 3 method
    int Scope;
    bool Virtual;  // a method declared virtual, dynamic or message
};

// The members of the class whose header is at line h.
std::vector<Member> Members(const std::vector<std::string>& code, int h) {
    std::vector<Member> r;
    const int end = EndOf(code, h, Indent(code[size_t(h)]));
    int scope = 3;
    for (int i = h + 1; i < end; ++i) {
        const std::string& l = code[size_t(i)];
        if (OpensNested(l)) {
            i = EndOf(code, i, Indent(l));
            continue;
        }
        size_t k = 0;
        int s = -1;
        for (const char* w : {"private", "protected", "public", "published"}) {
            ++s;
            k = 0;
            if (Word(l, k, w) && TrimView(std::string_view(l).substr(k)).empty()) scope = s;
        }
        k = 0;
        if (Word(l, k, "property")) {
            r.push_back({Ident(l, k), 2, scope, false});
            continue;
        }
        k = 0;
        Word(l, k, "class");
        if (!Word(l, k, "procedure") && !Word(l, k, "function") && !Word(l, k, "constructor") &&
            !Word(l, k, "destructor"))
            continue;
        Member m{Ident(l, k), 3, scope, false};
        // The header to its ";" outside the parameter list, over lines;
        // its directives outside the parameters.
        std::string outside;
        int depth = 0;
        bool done = false;
        for (int j = i; j < end && !done; ++j) {
            for (char c : code[size_t(j)]) {
                if (c == '(') ++depth;
                else if (c == ')') --depth;
                else if (depth == 0) outside += c;
            }
            outside += ' ';
            done = depth == 0 && outside.find(';') != std::string::npos;
        }
        for (const char* d : {"virtual", "dynamic", "message"})
            m.Virtual = m.Virtual || HasWord(outside, d);
        r.push_back(m);
    }
    return r;
}

// Where each class of the registered files is declared: file and header line.
struct Declared {
    std::string File;
    int Line;
    std::string Ancestor;
};

class WizardCorpus : public testing::Test {
protected:
    static void SetUpTestSuite() {
        Corpus = new corpus::TWizardCorpus;
        if (!Corpus->Register()) return;
        for (const std::string& f : Corpus->Files) {
            Code[f] = CodeLines(ReadWholeFile(f));
            const std::vector<std::string>& code = Code[f];
            std::string n, a;
            for (int i = 0; i < int(code.size()); ++i)
                if (ClassHeader(code[size_t(i)], n, a)) Classes[UpperCase(n)].push_back({f, i, a});
        }
    }
    static void TearDownTestSuite() {
        delete Corpus;
        Corpus = nullptr;
        Code.clear();
        Classes.clear();
    }
    void SetUp() override {
        if (Corpus->Files.empty()) GTEST_SKIP() << "Free Pascal sources not installed";
    }

    // The declaration of name: in file when it declares it, else the only one.
    static const Declared* Find(const std::string& name, const std::string& file) {
        auto it = Classes.find(UpperCase(name));
        if (it == Classes.end()) return nullptr;
        for (const Declared& d : it->second)
            if (d.File == file) return &d;
        return it->second.size() == 1 ? &it->second[0] : nullptr;
    }

    static corpus::TWizardCorpus* Corpus;
    static std::map<std::string, std::vector<std::string>> Code;
    static std::map<std::string, std::vector<Declared>> Classes;
};

corpus::TWizardCorpus* WizardCorpus::Corpus = nullptr;
std::map<std::string, std::vector<std::string>> WizardCorpus::Code;
std::map<std::string, std::vector<Declared>> WizardCorpus::Classes;

TEST_F(WizardCorpus, EveryAncestorUpToTObjectWithWhatItDeclares) {
    int deepest = 0;
    for (const char* cls : corpus::kWizardClasses) {
        SCOPED_TRACE(cls);
        const int header = Corpus->Open(cls);
        ASSERT_GE(header, 0);
        const Declared* own = Find(cls, Corpus->Src.GetFileName());
        ASSERT_NE(own, nullptr);
        std::vector<Member> ownMembers = Members(Code[own->File], own->Line);
        auto declaredByOwn = [&](const Member& m) {
            return std::any_of(ownMembers.begin(), ownMembers.end(),
                               [&](const Member& o) { return o.Kind == m.Kind && SameText(o.Name, m.Name); });
        };

        // What the files say: the ancestors and, per ancestor, the names listed.
        std::vector<std::string> ancestors;
        std::vector<std::vector<std::string>> expected;
        for (const Declared* d = own; !d->Ancestor.empty();) {
            const std::string name = d->Ancestor;
            d = Find(name, d->File);
            ASSERT_NE(d, nullptr) << name;
            ancestors.push_back(name);
            expected.emplace_back();
            for (const Member& m : Members(Code[d->File], d->Line))
                if ((m.Kind == 2 ? m.Scope <= 1 : m.Virtual) && !declaredByOwn(m)) expected.back().push_back(m.Name);
        }
        ASSERT_TRUE(SameText(ancestors.back(), "TObject"));

        TInheritanceWalk walk(Corpus->Src, Corpus->Forth, header);
        walk.Run();
        EXPECT_EQ(walk.Error(), "");
        EXPECT_EQ(walk.Ancestors(), ancestors);
        std::vector<std::vector<std::string>> listed;
        for (const TWizardRow& r : walk.Rows()) {
            if (r.Kind == 0) {
                listed.emplace_back();
                continue;
            }
            ASSERT_FALSE(listed.empty());
            listed.back().push_back(r.Caption);
            // The row shows the member's own declaration.
            EXPECT_NE(UpperCase(r.Header).find(UpperCase(r.Caption)), std::string::npos) << r.Header;
        }
        ASSERT_EQ(listed.size(), expected.size());
        for (size_t i = 0; i < listed.size(); ++i) {
            std::sort(listed[i].begin(), listed[i].end());
            std::sort(expected[i].begin(), expected[i].end());
            EXPECT_EQ(listed[i], expected[i]) << "members of " << ancestors[i];
        }
        deepest = std::max(deepest, int(ancestors.size()));
    }
    EXPECT_GE(deepest, 8);
}

}  // namespace
}  // namespace velt

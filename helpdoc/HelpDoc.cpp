#include "helpdoc/HelpDoc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "foundation/StrUtils.h"
#include "foundation/SysUtils.h"
#include "helpdoc/Parsek.h"
#include "platform/registry/AtomicFile.h"
#include "source/SourceCode.h"

namespace velt {

namespace {

const char* const kFootnoteContext = "#{\\footnote # ";
const char* const kFootnoteComment = "@{\\footnote @ ";
const char* const kDescriptionHeading = "\\par \\plain \\f0 \\fs20 \\b Description\\b0";
const char* const kJoiner = "\r\n\\par ";

struct KindInfo {
    const char* Context;  // context suffix
    const char* Title;    // title suffix
    const char* Browse;   // browse prefix
    const char* List;     // list word of the links sections
};

const KindInfo kUnitKinds[] = {
    {"", "", "", ""},
    {"Interface", " interface", "intf_", "Interfaces"},
    {"Class", " class", "class_", "Classes"},
    {"Object", " object", "ed_", "Objects"},
    {"Type", " type", "ed_", "Types"},
    {"Const", " constant", "ed_", "Constants"},
    {"Routine", " routine", "ed_", "Routines"},
};

const KindInfo kMemberKinds[] = {
    {"", "", "", ""},
    {"Field", " field", "ed_", "Fields"},
    {"Property", " property", "prop_", "Properties"},
    {"Method", " method", "ed_", "Methods"},
    {"Event", " event", "event_", "Events"},
};

const KindInfo& UnitKind(TUnitComponentKind k) {
    if (k < uckInterface || k > uckRoutine) throw ERangeError("Unit component kind " + IntToStr(k) + " out of range");
    return kUnitKinds[k];
}

const KindInfo& MemberKind(TClassComponentKind k) {
    if (k < cckField || k > cckEvent) throw ERangeError("Class component kind " + IntToStr(k) + " out of range");
    return kMemberKinds[k];
}

const char* ContentsSection(TUnitComponentKind k) {
    switch (k) {
        case uckInterface: return "Contents.Interfaces";
        case uckClass: return "Contents.Classes";
        case uckObject: return "Contents.Objects";
        default: return nullptr;
    }
}

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// File errors name the system's reason.
[[noreturn]] void FileError(const char* what, const std::string& path, int err) {
    throw EStreamError(std::string(what) + " \"" + path + "\": " + std::strerror(err ? err : EIO));
}

std::string ReadDocFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) FileError("Cannot open file", path, errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        FileError("Cannot open file", path, EISDIR);
    }
    std::string s;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            FileError("Cannot read file", path, e);
        }
        if (n == 0) break;
        s.append(buf, size_t(n));
    }
    ::close(fd);
    return s;
}

void WriteDocFile(const std::string& path, const std::string& text) {
    errno = 0;
    switch (WriteFileAtomically(path, text.data(), text.size())) {
        case TAtomicWriteResult::Ok: return;
        case TAtomicWriteResult::CannotWrite: FileError("Cannot write file", path, errno);
        case TAtomicWriteResult::CannotCreate: break;
    }
    FileError("Cannot create file", path, errno);
}

const char* const kRtfStart = "{\\rtf1";

// Raises for a file that does not begin like RTF; reads only its start.
void RefuseNonRtf(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) FileError("Cannot open file", path, errno);
    char head[6] = {};
    ssize_t n;
    do n = ::read(fd, head, sizeof head);
    while (n < 0 && errno == EINTR);
    const int e = errno;
    ::close(fd);
    if (n < 0) FileError("Cannot read file", path, e);
    if (std::string_view(head, size_t(n)) != kRtfStart)
        throw Exception(ExtractFileName(path) + " is not a documentation file");
}

// The text of an existing documentation file; one that is no RTF is
// refused, so that nothing is ever written into it.
std::string ReadRtfFile(const std::string& path) {
    std::string text = ReadDocFile(path);
    if (!StartsWith(text, kRtfStart)) throw Exception(ExtractFileName(path) + " is not a documentation file");
    return text;
}

bool IsPageLine(std::string_view line) {
    const std::string_view t = TrimLeftView(line);
    return StartsWith(t, "\\page") && (t.size() == 5 || !IsIdentChar(t[5]));
}

bool IsTopicLine(std::string_view line) { return StartsWith(TrimLeftView(line), kFootnoteContext); }

// The context of a "#" footnote line.
std::string TopicContextOf(std::string_view line) {
    std::string_view t = TrimLeftView(line).substr(std::string_view(kFootnoteContext).size());
    t = t.substr(0, t.find('}'));
    return Trim(t);
}

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) s.replace(p, from.size(), to);
    return s;
}

// Text without its "{...}", "(*...*)" and "//" comments.
std::string StripComments(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        if (s[i] == '{') {
            const size_t e = s.find('}', i);
            i = e == std::string_view::npos ? s.size() : e + 1;
        } else if (s.substr(i, 2) == "(*") {
            const size_t e = s.find("*)", i + 2);
            i = e == std::string_view::npos ? s.size() : e + 2;
        } else if (s.substr(i, 2) == "//") {
            const size_t e = s.find('\n', i);
            i = e == std::string_view::npos ? s.size() : e;
        } else {
            out += s[i++];
        }
    }
    return out;
}

std::vector<std::string> SplitNames(std::string_view s) {
    std::vector<std::string> names;
    size_t from = 0;
    while (from <= s.size()) {
        size_t comma = s.find(',', from);
        if (comma == std::string_view::npos) comma = s.size();
        std::string name = KillBlanks(s.substr(from, comma - from));
        if (TISourceCode::isValidIdent(name)) names.push_back(name);
        from = comma + 1;
    }
    return names;
}

// key=value lines of a section, the first of each key (letter case ignored).
std::vector<std::pair<std::string, std::string>> Entries(const TStringList* sec) {
    std::vector<std::pair<std::string, std::string>> out;
    if (!sec) return out;
    std::set<std::string> seen;
    for (const std::string& line : sec->Strings()) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        std::string key = line.substr(0, eq);
        if (!seen.insert(LowerCase(key)).second) continue;
        out.emplace_back(std::move(key), line.substr(eq + 1));
    }
    return out;
}

std::string BeforeSemicolon(const std::string& s) { return s.substr(0, s.find(';')); }

// A context or list word the pass may write into RTF as it is: what the
// generator makes, never what breaks the file it goes into.
bool Safe(std::string_view s) {
    if (s.empty() || s.size() > 255) return false;
    for (char c : s)
        if (!IsIdentChar(c) && c != '.' && c != ':') return false;
    return true;
}

std::vector<std::pair<std::string, std::string>> SafeEntries(const TStringList* sec) {
    auto e = Entries(sec);
    std::erase_if(e, [](const auto& kv) { return !Safe(kv.first); });
    return e;
}

}  // namespace

std::string UnitContext(std::string_view unit) { return "krVCL_" + std::string(unit) + "_Unit"; }

std::string ItemContext(TUnitComponentKind kind, std::string_view name) {
    return "krVCL_" + std::string(name) + "_" + UnitKind(kind).Context;
}

std::string MemberContext(TClassComponentKind kind, std::string_view cls, std::string_view member) {
    return "krVCL_" + std::string(cls) + "::" + std::string(member) + "_" + MemberKind(kind).Context;
}

// ---- TITopic ----

void TITopic::SaveToFile() {
    if (!Documentation) throw Exception("Topic " + Context + " has no documentation");
    Documentation->SaveTopic(*this);
}

TMemIni& TITopic::Links() {
    if (!Documentation) throw Exception("Topic " + Context + " has no documentation");
    Documentation->LinksChanged();
    return *Documentation->Links;
}

std::string TITopic::DocFileName() const {
    if (!Documentation) return std::string();
    return HelpProject ? HelpProject->EntryOf(Documentation->FileName) : ExtractFileName(Documentation->FileName);
}

void TITopic::BeginDocumentation() {
    Lines->Clear();
    for (const char* line : {"{\\rtf1\\ansi\\deff0\\deftab720", "{\\fonttbl{\\f0\\fmodern Courier New Cyr;}",
                             "{\\f1\\froman\\fcharset2 Symbol;}", "{\\f3\\fswiss Arial;}}",
                             "{\\colortbl\\red0\\green0\\blue0;", "\\red0\\green0\\blue255;", "\\red0\\green255\\blue0;",
                             "\\red255\\green0\\blue0;", "\\red128\\green128\\blue128;", "\\red128\\green128\\blue128;}",
                             "\\deflang1033\\pard\\li180\\ri144\\plain\\"})
        Add(line);
}

void TITopic::EndDocumentation() { Add("\\par }"); }

void TITopic::CreateDocumentation() {
    BeginDocumentation();
    EndDocumentation();
}

void TITopic::CreateTopic() {
    if (HelpProject && Documentation) HelpProject->AddMapEntry(Context, DocFileName());
    Add(kFootnoteContext + Context + "}");
    if (!Title.empty()) Add("${\\footnote $ " + RtfEscape(Title) + "}");
    if (!Keywords.empty()) Add("K{\\footnote K " + RtfEscape(Keywords) + "}");
    if (!Browse.empty()) Add("B{\\footnote B " + RtfEscape(Browse) + "}");
    if (!Title.empty()) {
        Add("\\keepn \\f0 \\fs24 \\b \\cf1 " + RtfEscape(Title) + "\\sa72 \\plain \\fs16 \\par");
        if (OnInsideKeepn) OnInsideKeepn(*this);
        Add("\\par");
        Add("\\pard");
        if (!Button.empty()) Add(Button);
    }
}

void TITopic::FinishTopic() { Add("\\page"); }

void TITopic::UnitLink(const TDocUnit& unit) {
    Add("\\par \\plain \\f0 \\fs20 \\b Unit \\b0 \\uldb " + RtfEscape(unit.Name) + "\\uldb0 \\v " + unit.Context + "\\v0");
    Add("\\par");
}

void TITopic::ClassLink(const TDocItem& cls) {
    Add("\\par \\plain \\f0 \\fs20 \\b Applies to \\b0");
    Add("\\par \\uldb " + RtfEscape(cls.Name) + "\\uldb0 \\v " + cls.Context + "\\v0");
    Add("\\par");
}

void TITopic::Declaration(std::string_view text) {
    if (text.empty()) return;
    Add("\\par \\plain \\f0 \\fs20 \\b Declaration\\b0");
    // Each joined source line is a line of the topic; the marks of a
    // comment running over lines carry across them.
    std::string t = ReplaceAll(std::string(text), kJoiner, "\n");
    t = ReplaceAll(std::move(t), "\r\n", "\n");
    std::replace(t.begin(), t.end(), '\r', '\n');
    TSRCParsek parsek;
    const std::string h = parsek.Hightlight(t, true);
    size_t from = 0;
    while (true) {
        const size_t lf = h.find('\n', from);
        Add("\\par " + h.substr(from, lf == std::string::npos ? std::string::npos : lf - from));
        if (lf == std::string::npos) break;
        from = lf + 1;
    }
    Add("\\par");
}

void TITopic::Description() {
    Add(kDescriptionHeading);
    Add("\\par \\plain \\f0 \\fs20");
}

void TITopic::LinksTable(std::string_view kind) { Add(TIDocumentation::Comment("linkstable" + std::string(kind))); }

void TITopic::PopupLinks(std::string_view kind) { Add(TIDocumentation::Comment("popuplinks" + std::string(kind))); }

void TITopic::DoInsideKeepn(TITopic& topic) {
    topic.Add(TIDocumentation::Comment("hierarchy"));
    for (const char* kind : {"Fields", "Properties", "Methods", "Events"}) topic.PopupLinks(kind);
}

void TITopic::DocumentarUnit(TDocUnit& unit) {
    unit.Context = UnitContext(unit.Name);
    Context = unit.Context;
    TMemIni& links = Links();
    links.WriteString("Contents.Units", unit.Context, unit.Name);
    links.WriteString("Contents.Contexts", Context, ";" + unit.Name + ";;" + DocFileName());
    Title = unit.Name + " unit";
    Browse = "ed_" + unit.Name;
    Button = "\\{button Jump SRC,JumpUnitSRC(hwndContext," + unit.Name + ")\\}";
    CreateTopic();
    Add(TIDocumentation::Comment("description"));
    Description();
    Add("\\par \\plain \\f0 \\fs20 \\b The following items are declared in the unit :\\b0");
    Add(TIDocumentation::Comment("/description"));
    Add("\\par");
    for (const char* kind : {"Interfaces", "Classes", "Objects", "Types", "Routines", "Constants"}) LinksTable(kind);
    FinishTopic();
}

void TITopic::ListMembers(std::string_view text, std::vector<std::string>& names, bool& enumeration) {
    enumeration = false;
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) return;
    const std::string rest = LowerCase(TrimLeftView(text.substr(eq + 1)));
    if (StartsWith(rest, "record") || (StartsWith(rest, "packed") && StartsWith(TrimLeft(rest.substr(6)), "record"))) {
        const std::string body = StripComments(ReplaceAll(std::string(text), kJoiner, "\n"));
        size_t from = body.find('\n');
        while (from != std::string::npos) {
            const size_t lf = body.find('\n', from + 1);
            const std::string line = Trim(body.substr(from + 1, lf == std::string::npos ? lf : lf - from - 1));
            if (isPrefix("end", line)) break;
            // "X, Y: Integer;" declares X and Y.
            const size_t colon = line.find(':');
            std::string names_part = line.substr(0, colon == std::string::npos ? line.find(';') : colon);
            for (std::string& n : SplitNames(names_part)) names.push_back(std::move(n));
            from = lf;
        }
    } else if (StartsWith(rest, "(")) {
        enumeration = true;
        std::string body = StripComments(ReplaceAll(std::string(text), kJoiner, " "));
        const size_t open = body.find('(', body.find('='));
        const size_t close = body.find(')', open);
        body = body.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
        names = SplitNames(body);
    }
}

void TITopic::DocumentarUnitComponent(TDocItem& item, const TDocUnit& unit) {
    const KindInfo& k = UnitKind(item.Kind);
    item.Context = ItemContext(item.Kind, item.Name);
    Context = item.Context;
    Keywords = item.Name;
    Title = item.Name + k.Title;
    Browse = k.Browse + item.Name;
    TMemIni& links = Links();
    links.WriteString("Contents.Contexts", Context, ";" + item.Name + ";;" + DocFileName());
    links.WriteString(unit.Context + "." + k.List, item.Context, item.Name);
    std::string declaration = item.Text;
    if (const char* contents = ContentsSection(item.Kind)) {
        Button = "\\{button Jump SRC,JumpClassSRC(hwndContext," + unit.Name + "," + item.Name + ")\\}";
        links.WriteString(item.Context, "ClassName", item.Name);
        TISourceCode model;
        const std::string firstLine = item.Text.substr(0, item.Text.find(kJoiner));
        const std::string ancestor = model.ExtractClassAncestor(firstLine);
        if (!ancestor.empty()) links.WriteString(item.Context, "Ancestor", ancestor);
        links.WriteString(contents, item.Context, item.Name);
        OnInsideKeepn = [this](TITopic& t) { DoInsideKeepn(t); };
        declaration.clear();
        if (item.Kind == uckInterface) {
            const size_t open = item.Text.find('[');
            const size_t close = open == std::string::npos ? open : item.Text.find(']', open);
            if (close != std::string::npos) declaration = "  GUID: " + item.Text.substr(open + 1, close - open - 1);
        }
    }
    CreateTopic();
    Add(">{\\footnote > main}");
    UnitLink(unit);
    Add(TIDocumentation::Comment("description"));
    Declaration(declaration);
    Description();
    std::vector<std::string> members;
    bool enumeration = false;
    if (item.Kind == uckType) ListMembers(item.Text, members, enumeration);
    if (!members.empty()) {
        Add(std::string("\\par \\par \\plain \\f0 \\fs20 \\b ") + (enumeration ? "Value" : "Field") +
            "\\tab \\tab \\tab \\tab Meaning\\b0");
        Add("\\par \\plain --");
        Add("\\plain \\f0 \\fs20");
        for (const std::string& m : members) Add("\\par " + m);
    }
    Add(TIDocumentation::Comment("/description"));
    for (const std::string& m : members) {
        Add("K{\\footnote K " + m + "}");
        if (enumeration) Add("B{\\footnote B " + m + "}");
    }
    FinishTopic();
}

void TITopic::DocumentarClassComponent(TDocMember& member, const TDocItem& cls) {
    const KindInfo& k = MemberKind(member.Kind);
    member.Context = MemberContext(member.Kind, cls.Name, member.Name);
    Context = member.Context;
    Keywords = member.Name;
    Title = cls.Name + "." + member.Name + k.Title;
    Browse = k.Browse + member.Name;
    TMemIni& links = Links();
    links.WriteString("Contents.Contexts", Context, ";" + member.Name + ";;" + DocFileName());
    links.WriteString(cls.Context + "." + k.List, member.Context, member.Name);
    const std::string unitName = Documentation ? Documentation->Unit.Name : std::string();
    Button = "\\{button Jump SRC,JumpClassSRC(hwndContext," + unitName + "," + cls.Name + "," + member.Name + ")\\}";
    CreateTopic();
    Add(">{\\footnote > main}");
    ClassLink(cls);
    Add(TIDocumentation::Comment("description"));
    Declaration(member.Text);
    Description();
    Add(TIDocumentation::Comment("/description"));
    FinishTopic();
}

// ---- TIDocumentation ----

TIDocumentation::TIDocumentation(TIHelpProject* project) : HelpProject(project), Links(std::make_unique<TMemIni>()) {}

TIDocumentation::~TIDocumentation() {
    if (HelpProject && HelpProject->Documentation == this) HelpProject->Documentation = nullptr;
}

void TIDocumentation::DocumentarUnit(TDocUnit& unit) {
    auto topic = CreateTopic();
    topic->DocumentarUnit(unit);
    AppendTopic(*topic);
}

void TIDocumentation::DocumentarUnitComponent(TDocItem& item, const TDocUnit& unit) {
    auto topic = CreateTopic();
    topic->DocumentarUnitComponent(item, unit);
    AppendTopic(*topic);
}

void TIDocumentation::DocumentarClassComponent(TDocMember& member, const TDocItem& cls) {
    auto topic = CreateTopic();
    topic->DocumentarClassComponent(member, cls);
    AppendTopic(*topic);
}

void TIDocumentation::CreateDocumentation() {
    TITopic t;
    t.CreateDocumentation();
    Lines->Assign(t.Lines.get());
}

std::unique_ptr<TITopic> TIDocumentation::CreateTopic() {
    auto t = std::make_unique<TITopic>();
    t->HelpProject = HelpProject;
    t->Documentation = this;
    return t;
}

int TIDocumentation::FindTopic(std::string_view context) const {
    if (!indexed_ || indexVersion_ != Lines->Version()) {
        index_.clear();
        const auto& lines = Lines->Strings();
        indexLast_ = -1;
        for (size_t i = 0; i < lines.size(); ++i)
            if (IsTopicLine(lines[i])) {
                index_.emplace(LowerCase(TopicContextOf(lines[i])), int(i));
                indexLast_ = int(i);
            }
        indexVersion_ = Lines->Version();
        indexed_ = true;
    }
    const auto it = index_.find(LowerCase(context));
    return it == index_.end() ? -1 : it->second;
}

void TIDocumentation::PutLines(int first, int count, const std::vector<std::string_view>& lines) {
    FindTopic(std::string_view());  // the index of the lines as they are
    // The topics of the lines replaced leave the index by name: no walk.
    std::vector<std::string> gone;
    for (int k = first; k < first + count; ++k)
        if (IsTopicLine((*Lines)[k])) gone.push_back(LowerCase(TopicContextOf((*Lines)[k])));
    Lines->ReplaceLines(first, count, lines);
    for (const std::string& g : gone)
        if (const auto it = index_.find(g); it != index_.end() && it->second >= first && it->second < first + count)
            index_.erase(it);
    // Topics after the lines move; there are none when the lines are put
    // behind every topic (a new topic goes before the closing line) or keep
    // their number.
    const int delta = int(lines.size()) - count;
    if (delta != 0 && indexLast_ >= first + count) {
        indexLast_ = -1;
        for (auto& [context, line] : index_) {
            if (line >= first + count) line += delta;
            indexLast_ = std::max(indexLast_, line);
        }
    }
    for (size_t k = 0; k < lines.size(); ++k)
        if (IsTopicLine(lines[k])) {
            auto [it, added] = index_.emplace(LowerCase(TopicContextOf(lines[k])), first + int(k));
            if (!added && it->second > first + int(k)) it->second = first + int(k);
            indexLast_ = std::max(indexLast_, it->second);
        }
    indexVersion_ = Lines->Version();
    // A topic that went without coming back may have a namesake further on,
    // which the index never held: it is made again when next asked.
    for (const std::string& g : gone)
        if (!index_.count(g)) indexed_ = false;
}

int TIDocumentation::FindEnd() const {
    const auto& lines = Lines->Strings();
    for (size_t i = lines.size(); i-- > 0;)
        if (StartsWith(lines[i], "\\par }")) return int(i);
    return -1;
}

int TIDocumentation::TopicEnd(int first) const {
    const auto& lines = Lines->Strings();
    const int end = FindEnd();
    for (int k = first + 1; k < int(lines.size()); ++k) {
        if (IsPageLine(lines[size_t(k)])) return k + 1;
        if (IsTopicLine(lines[size_t(k)]) || k == end) return k;
    }
    return int(lines.size());
}

void TIDocumentation::SaveTopic(TITopic& topic) {
    const auto& src = topic.Lines->Strings();
    SaveTopicLines(topic.Context, std::vector<std::string_view>(src.begin(), src.end()));
}

void TIDocumentation::SaveTopicLines(std::string_view context, const std::vector<std::string_view>& lines) {
    const int at = FindTopic(context);
    if (at >= 0) {
        PutLines(at, TopicEnd(at) - at, lines);
        return;
    }
    int end = FindEnd();
    if (end < 0) {
        PutLines(Lines->Count(), 0, {"\\par }"});
        end = Lines->Count() - 1;
    }
    PutLines(end, 0, lines);
}

void TIDocumentation::AppendTopic(TITopic& topic) {
    const int at = FindTopic(topic.Context);
    if (at >= 0) {
        const auto& lines = Lines->Strings();
        std::vector<std::string> old(lines.begin() + at, lines.begin() + TopicEnd(at));
        SaveDescription(topic, old);
    }
    SaveTopic(topic);
}

void TIDocumentation::SaveDescription(TITopic& topic, const std::vector<std::string>& old) {
    // The old topic's text from its "Description" heading to its end marker
    // is the user's; what comes before the heading is generated anew.
    size_t a = 0;
    while (a < old.size() && !isCommentPrefix("description", old[a])) ++a;
    if (a == old.size()) return;
    size_t b = a + 1;
    while (b < old.size() && !isCommentPrefix("/description", old[b]) && !IsPageLine(old[b])) ++b;
    size_t h = a + 1;
    while (h < b && !StartsWith(old[h], kDescriptionHeading)) ++h;

    const std::vector<std::string>& now = topic.Lines->Strings();
    size_t na = 0;
    while (na < now.size() && !isCommentPrefix("description", now[na])) ++na;
    if (na == now.size()) return;
    size_t nb = na + 1;
    while (nb < now.size() && !isCommentPrefix("/description", now[nb])) ++nb;
    if (nb == now.size()) return;
    size_t nh = na + 1;
    while (nh < nb && !StartsWith(now[nh], kDescriptionHeading)) ++nh;

    size_t from = a + 1, to = na + 1;
    if (h < b && nh < nb) from = h, to = nh;  // both have the heading: keep the new declaration
    std::vector<std::string_view> carried(old.begin() + long(from), old.begin() + long(b));
    topic.Lines->ReplaceLines(int(to), int(nb - to), carried);
}

std::unique_ptr<TITopic> TIDocumentation::LoadTopic(std::string_view context) {
    const int at = FindTopic(context);
    if (at < 0) throw Exception("Error loading topic " + std::string(context) + " in file " + FileName);
    auto t = CreateTopic();
    t->Context = std::string(context);
    const auto& lines = Lines->Strings();
    for (int i = at; i < TopicEnd(at); ++i) t->Add(lines[size_t(i)]);
    return t;
}

std::string TIDocumentation::Comment(std::string_view name) { return kFootnoteComment + std::string(name) + "}"; }

bool TIDocumentation::isCommentPrefix(std::string_view name, std::string_view line) {
    return StartsWith(line, kFootnoteComment + std::string(name));
}

std::string TIDocumentation::LinksFileName() const { return ChangeFileExt(FileName, ".lnk"); }

void TIDocumentation::LoadFromFile() { SetLinesText(ReadRtfFile(FileName)); }

void TIDocumentation::LoadLinks() {
    const std::string lnk = LinksFileName();
    if (!FileExists(lnk)) return;
    Links->Clear();
    Links->AppendFromText(ReadDocFile(lnk));
    linksUsed_ = true;
}

void TIDocumentation::SaveToFile() {
    WriteDocFile(FileName, Lines->Text());
    if (HelpProject) HelpProject->Written.push_back(FileName);
    if (linksUsed_) {
        WriteDocFile(LinksFileName(), Links->IniText());
        if (HelpProject) HelpProject->Written.push_back(LinksFileName());
    }
}

// ---- TIHelpProject ----

TIHelpProject::TIHelpProject()
    : Map(std::make_unique<TStringList>()),
      Files(std::make_unique<TStringList>()),
      MemLinks(std::make_unique<TMemIni>()) {}

TIHelpProject::~TIHelpProject() {
    // lock_ goes last of all, after every file is written.
    if (Documentation && Documentation->HelpProject == this) Documentation->HelpProject = nullptr;
}

void TIHelpProject::LoadHelpProject(const std::string& hpj) {
    // One run at a time: a second would read the file list the first is
    // about to replace, and one of the two lists would be lost.
    if (!lock_ || lockedProject_ != hpj) {
        lock_.reset();
        auto lock = std::make_unique<TFileLock>(hpj, LockTimeoutMs);
        if (!lock->Locked()) {
            if (lock->Error() == EWOULDBLOCK) throw Exception("The project " + hpj + " is in use");
            FileError("Cannot create file", lock->LockFileName().empty() ? hpj + ".lock" : lock->LockFileName(),
                      lock->Error());
        }
        lock_ = std::move(lock);
        lockedProject_ = hpj;
    }
    HelpProjectFileName = hpj;
    MapFileName = ChangeFileExt(hpj, ".map");
    FilesFileName = ChangeFileExt(hpj, ".fls");
    if (FileExists(MapFileName)) Map->SetText(ReadDocFile(MapFileName));
    else Map->Clear();
    if (FileExists(FilesFileName)) Files->SetText(ReadDocFile(FilesFileName));
    else Files->Clear();
    // An empty line is no file.
    for (int i = Files->Count(); i-- > 0;)
        if (Trim((*Files)[i]).empty()) Files->Delete(i);
}

void TIHelpProject::SaveHelpProject() {
    WriteDocFile(MapFileName, Map->Text());
    Written.push_back(MapFileName);
    WriteDocFile(FilesFileName, Files->Text());
    Written.push_back(FilesFileName);
}

std::string TIHelpProject::Folder() const { return ExtractFilePath(HelpProjectFileName); }

std::string TIHelpProject::PathOf(const std::string& file) const {
    if (!file.empty() && (file[0] == '/' || file[0] == '\\')) return file;
    return Folder() + file;
}

std::string TIHelpProject::EntryOf(const std::string& path) const {
    const std::string folder = Folder();
    if (!folder.empty() && StartsWith(path, folder)) return path.substr(folder.size());
    return path;
}

bool TIHelpProject::InProject(const std::string& entry, std::string* why) const {
    // Within the link pass each entry is judged once.
    const auto it = linking_ ? inProject_.find(entry) : inProject_.end();
    const std::string reason = it != inProject_.end() ? it->second : NotInProject(entry);
    if (linking_ && it == inProject_.end()) inProject_.emplace(entry, reason);
    if (why) *why = reason;
    return reason.empty();
}

std::string TIHelpProject::NotInProject(const std::string& entry) const {
    namespace fs = std::filesystem;
    if (entry.size() < 4 || !SameText(std::string_view(entry).substr(entry.size() - 4), ".rtf"))
        return "not an .rtf file";
    std::error_code ec;
    // The folder once for all the entries.
    const std::string folder = Folder().empty() ? std::string(".") : Folder();
    if (baseOf_ != folder) {
        baseOf_ = folder;
        base_ = fs::weakly_canonical(fs::absolute(folder, ec), ec).string();
        if (ec) base_.clear();
    }
    const char* const outside = "outside the project's folder";
    if (base_.empty()) return outside;
    const fs::path file = fs::weakly_canonical(fs::absolute(PathOf(entry), ec), ec);
    if (ec) return outside;
    const fs::path rel = file.lexically_relative(fs::path(base_));
    if (rel.empty() || *rel.begin() == ".." || rel == ".") return outside;
    return std::string();
}

std::string TIHelpProject::LinksDocumentName() const { return Folder() + "help-links.rtf"; }

std::unique_ptr<TIDocumentation> TIHelpProject::CreateDocumentation(const std::string& fileName) {
    auto d = std::make_unique<TIDocumentation>(this);
    d->FileName = fileName;
    return d;
}

namespace {
bool InList(const TStringList& list, std::string_view s) {
    for (const std::string& e : list.Strings())
        if (SameText(e, s)) return true;
    return false;
}
}  // namespace

std::unique_ptr<TIDocumentation> TIHelpProject::GetUnitDocumentation(TDocUnit& unit) {
    unit.Context = UnitContext(unit.Name);
    const std::string path = Folder() + unit.Name + ".rtf";
    auto doc = CreateDocumentation(path);
    doc->Unit = unit;
    Documentation = doc.get();
    // A file that exists holds the user's descriptions, listed or not: it
    // is loaded, and made only when absent.
    if (FileExists(path)) doc->LoadFromFile();
    else doc->CreateDocumentation();
    // The link records are made anew from the source: what it no longer
    // declares leaves the tables, popups, map and links (its topic and the
    // user's text stay in the file).
    doc->LinksChanged();
    doc->DocumentarUnit(doc->Unit);
    AddFileEntry(EntryOf(path));
    unit.Context = doc->Unit.Context;
    return doc;
}

std::unique_ptr<TIDocumentation> TIHelpProject::GetDocumentation(const std::string& fileName) {
    auto doc = CreateDocumentation(fileName);
    if (Documentation && SameText(Documentation->FileName, fileName))
        doc->Lines->Assign(Documentation->Lines.get());
    else if (FileExists(fileName))
        doc->LoadFromFile();
    else
        doc->CreateDocumentation();
    return doc;
}

bool TIHelpProject::AddFileEntry(const std::string& file) {
    if (InList(*Files, file)) return false;
    Files->Add(file);
    return true;
}

void TIHelpProject::AddMapEntry(std::string_view context, const std::string& rtfFile) {
    if (!mapIndexed_ || mapVersion_ != Map->Version()) {
        mapContexts_.clear();
        mapHighest_ = 0;
        for (const std::string& line : Map->Strings()) {
            const size_t eq = line.find('=');
            mapContexts_.insert(LowerCase(std::string_view(line).substr(0, eq)));
            // Numbering gives each line one of 1 .. the line count; any other
            // number is damage, which the link pass renumbers anyway.
            int32_t n = 0;
            if (eq != std::string::npos && TryStrToInt(BeforeSemicolon(line.substr(eq + 1)), n) && n >= 1 &&
                n <= Map->Count())
                mapHighest_ = std::max(mapHighest_, n);
        }
        mapIndexed_ = true;
    }
    if (!mapContexts_.insert(LowerCase(context)).second) {
        mapVersion_ = Map->Version();
        return;
    }
    if (mapHighest_ == INT32_MAX) throw ERangeError("Map numbers exhausted in " + MapFileName);
    Map->Add(std::string(context) + "=" + IntToStr(++mapHighest_) + ";" + rtfFile);
    mapVersion_ = Map->Version();
}

void TIHelpProject::LoadMemLinks() {
    MemLinks->Clear();
    for (const std::string& f : Files->Strings()) {
        if (!InProject(f)) continue;
        const std::string lnk = ChangeFileExt(PathOf(f), ".lnk");
        if (FileExists(lnk)) MemLinks->AppendFromText(ReadDocFile(lnk));
    }
    nameContexts_.clear();
    for (const char* section : {"Contents.Interfaces", "Contents.Objects", "Contents.Classes"})
        for (const auto& [key, value] : SafeEntries(MemLinks->SectionLines(section)))
            nameContexts_.emplace(LowerCase(BeforeSemicolon(value)), key);
    namesIndexed_ = true;
}

std::string TIHelpProject::ContextOfName(std::string_view name) const {
    if (namesIndexed_) {
        const auto it = nameContexts_.find(LowerCase(name));
        return it == nameContexts_.end() ? std::string() : it->second;
    }
    for (const char* section : {"Contents.Interfaces", "Contents.Objects", "Contents.Classes"})
        for (const auto& [key, value] : SafeEntries(MemLinks->SectionLines(section)))
            if (SameText(BeforeSemicolon(value), name)) return key;
    return std::string();
}

TIHelpProject::TLinkClass& TIHelpProject::LinkClass(const std::string& context, TLinkClasses& cache) {
    auto [it, added] = cache.try_emplace(LowerCase(context));
    TLinkClass& c = it->second;
    if (added) {
        c.Context = context;
        c.ClassName = RtfEscape(MemLinks->ReadString(context, "ClassName", ""));
        c.Ancestor = MemLinks->ReadString(context, "Ancestor", "");
        if (!c.Ancestor.empty()) c.AncestorContext = ContextOfName(c.Ancestor);
    }
    return c;
}

TIHelpProject::TLinkClass* TIHelpProject::UpOf(TLinkClass& c, TLinkClasses& cache) {
    if (!c.UpKnown) {
        c.Up = c.AncestorContext.empty() ? nullptr : &LinkClass(c.AncestorContext, cache);
        c.UpKnown = true;
    }
    return c.Up;
}

const std::vector<TIHelpProject::TMemberLine>& TIHelpProject::MemberLinesOf(TLinkClass& c, std::string_view kind) {
    for (const auto& [k, lines] : c.Members)
        if (k == kind) return lines;
    std::vector<TMemberLine> lines;
    auto entries = SafeEntries(MemLinks->SectionLines(c.Context + "." + std::string(kind)));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return CompareText(a.first, b.first) < 0; });
    for (const auto& [key, value] : entries) {
        TMemberLine m;
        m.Line = "\\par \\tab \\uldb " + RtfEscape(BeforeSemicolon(value)) + "\\uldb0 \\v " + key + ">main\\v0";
        // CompareText's order is that of the bytes with ASCII letters in upper case.
        m.Key = UpperCase(m.Line);
        lines.push_back(std::move(m));
    }
    c.Members.emplace_back(std::string(kind), std::move(lines));
    return c.Members.back().second;
}

bool TIHelpProject::Components(const std::string& classContext, std::string_view kind, TLinkClasses& cache,
                              TComponents& out) {
    const uint64_t walk = ++walks_;
    std::vector<std::pair<size_t, const std::vector<TMemberLine>*>> parts;
    for (TLinkClass* c = &LinkClass(classContext, cache); c && c->Walk != walk; c = UpOf(*c, cache)) {
        c->Walk = walk;
        const std::vector<TMemberLine>& members = MemberLinesOf(*c, kind);
        if (members.empty()) continue;
        out.Heads.push_back(parts.empty() ? "\\par \\b In " + c->ClassName + "\\b0 "
                                          : "\\par \\b Derived from " + c->ClassName + "\\b0 ");
        parts.emplace_back(out.Heads.size() - 1, &members);
    }
    // Views only once Heads stops growing.
    static const std::string plain = "\\par \\plain \\f0 \\fs20";
    for (const auto& [head, members] : parts) {
        out.All.push_back(plain);
        out.All.push_back(out.Heads[head]);
        for (const TMemberLine& m : *members) {
            out.All.push_back(m.Line);
            out.Own.push_back(&m);
        }
    }
    return !parts.empty();
}

bool TIHelpProject::ClassComponentsLinks(const std::string& classContext, std::string_view kind, TStringList& sorted,
                                         TStringList& lines) {
    // Within the link pass what is read of a class is read once: a chain of
    // classes reads each ancestor for every class below it.
    TLinkClasses local;
    TComponents c;
    if (!Components(classContext, kind, linking_ ? linkClasses_ : local, c)) return false;
    // One change of each list for all the lines.
    lines.ReplaceLines(lines.Count(), 0, c.All);
    std::vector<std::string_view> own;
    for (const TMemberLine* m : c.Own) own.push_back(m->Line);
    sorted.ReplaceLines(sorted.Count(), 0, own);
    return true;
}

bool TIHelpProject::ClassHierarchy(const std::string& classContext, TStringList& lines) {
    TLinkClasses local;
    std::vector<std::string_view> up;
    if (!Hierarchy(classContext, linking_ ? linkClasses_ : local, lines.Count() > 0, up)) return false;
    lines.ReplaceLines(0, 0, up);
    return true;
}

bool TIHelpProject::Hierarchy(const std::string& classContext, TLinkClasses& cache, bool before,
                              std::vector<std::string_view>& up) {
    TLinkClass* c = &LinkClass(classContext, cache);
    const uint64_t walk = ++walks_;
    c->Walk = walk;
    // Gathered from the class up, then put root first in one step.
    static const std::string bar = "\\par \\plain \\tab \\cf5 |";
    up.clear();
    for (;;) {
        if (c->Ancestor.empty()) break;
        TLinkClass* at = UpOf(*c, cache);
        if (at && at->Walk == walk) break;  // a cycle
        if (at) at->Walk = walk;
        if (before || !up.empty()) up.push_back(bar);
        if (!at) {
            // Not documented here: named, no jump.
            if (c->AncestorLine.empty()) c->AncestorLine = "\\par \\plain \\f0 \\fs20 \\b " + RtfEscape(c->Ancestor) + "\\b0 ";
            up.push_back(c->AncestorLine);
            break;
        }
        // The ancestor as this class names it.
        if (c->AncestorLine.empty())
            c->AncestorLine = "\\par \\plain \\f0 \\fs20 \\b \\uldb " + RtfEscape(c->Ancestor) + "\\uldb0 \\b0 \\v " +
                              c->AncestorContext + ">main\\v0";
        up.push_back(c->AncestorLine);
        c = at;
    }
    std::reverse(up.begin(), up.end());
    return !up.empty();
}

void TIHelpProject::ExpandMarker(std::string& line, const std::string& context, TIDocumentation& links) {
    const size_t head = std::string_view(kFootnoteComment).size();
    const size_t close = line.find('}', head);
    if (close == std::string::npos) return;
    // Back to the bare marker: a pass expands what the last one left.
    line.resize(close + 1);
    const std::string name = line.substr(head, close - head);
    if (!Safe(context) || !Safe(name)) return;
    const std::string className = RtfEscape(MemLinks->ReadString(context, "ClassName", ""));
    if (StartsWith(name, "popuplinks")) {
        const std::string kind = name.substr(10);
        TLinkClasses local;
        TComponents components;
        if (!Components(context, kind, linking_ ? linkClasses_ : local, components)) return;
        line += " \\tab  \\uldb " + kind + "\\uldb0 \\v " + context + "." + kind + ">MPE\\v0";
        const std::string title = MemLinks->ReadString(context, "ClassName", "") + " " + LowerCase(kind);
        for (bool alpha : {false, true}) {
            auto t = links.CreateTopic();
            t->Context = context + "." + kind + (alpha ? "_Alpha" : "");
            t->Title = title;
            const std::string back = "\\uldb " + className + "\\uldb0 \\v " + context + ">main\\v0 \\tab ";
            const std::string other = alpha ? "\\uldb By Objects\\uldb0 \\v " + context + "." + kind + ">MPE\\v0"
                                            : "\\uldb Alphabetically\\uldb0 \\v " + context + "." + kind + "_Alpha>MPE\\v0";
            t->OnInsideKeepn = [line = back + other + " \\tab \\ul Legend\\ul0 \\v ClassComponents.Legend\\v0"](
                                   TITopic& topic) { topic.Add(line); };
            t->CreateTopic();
            t->Add(">{\\footnote > MPE}");
            if (alpha) t->Add("\\plain \\f3 \\fs20");
            const auto& head = t->Lines->Strings();
            std::vector<std::string_view> views(head.begin(), head.end());
            if (alpha) {
                std::vector<const TMemberLine*> order = components.Own;
                std::stable_sort(order.begin(), order.end(),
                                 [](const TMemberLine* a, const TMemberLine* b) { return a->Key < b->Key; });
                for (const TMemberLine* m : order) views.push_back(m->Line);
            } else {
                views.insert(views.end(), components.All.begin(), components.All.end());
            }
            // Stored from views of the lines: a long chain's lists are
            // copied once, into the links document.
            views.push_back("\\page");
            links.SaveTopicLines(t->Context, views);
        }
    } else if (name == "hierarchy") {
        TLinkClasses local;
        std::vector<std::string_view> ancestors;
        if (!Hierarchy(context, linking_ ? linkClasses_ : local, false, ancestors)) return;
        line += " \\uldb Hierarchy\\uldb0 \\v !PopupID(" + context + ".Hierarchy)\\v0";
        auto t = links.CreateTopic();
        t->Context = context + ".Hierarchy";
        t->CreateTopic();
        t->Add(">{\\footnote > main}");
        t->Add("\\par \\plain \\f3 \\fs20 \\b Hierarchy\\b0 \\par");
        const auto& head = t->Lines->Strings();
        std::vector<std::string_view> views(head.begin(), head.end());
        views.insert(views.end(), ancestors.begin(), ancestors.end());
        views.push_back("\\par");
        views.push_back("\\page");
        links.SaveTopicLines(t->Context, views);
    } else if (StartsWith(name, "linkstable")) {
        const std::string kind = name.substr(10);
        const auto entries = SafeEntries(MemLinks->SectionLines(context + "." + kind));
        if (entries.empty()) return;
        line += " \\par \\par \\plain \\f3 \\fs20 \\b " + kind + "\\b0";
        for (const auto& [key, value] : entries)
            line += " \\par \\uldb " + RtfEscape(BeforeSemicolon(value)) + "\\uldb0 \\v " + key + ">main\\v0";
    }
}

void TIHelpProject::LinkDocumentation() {
    const std::string linksName = LinksDocumentName();
    AddFileEntry(EntryOf(linksName));
    // Every topic of the links document is made here: it starts empty, so
    // that what no source declares any more is gone from it. A file of that
    // name that is no RTF is refused, not replaced.
    linking_ = true;
    linkClasses_.clear();
    inProject_.clear();
    struct TDone {
        TIHelpProject& P;
        ~TDone() {
            P.linking_ = false;
            P.linkClasses_.clear();
            P.inProject_.clear();
        }
    } done{*this};
    auto links = CreateDocumentation(linksName);
    if (FileExists(linksName)) RefuseNonRtf(linksName);
    links->CreateDocumentation();
    LoadMemLinks();
    Skipped.clear();

    // The map from every file's contexts, one line a context.
    Map->Clear();
    int n = 0;
    for (const auto& [key, value] : Entries(MemLinks->SectionLines("Contents.Contexts")))
        Map->Add(key + "=" + IntToStr(++n) + value);
    WriteDocFile(MapFileName, Map->Text());

    const std::string linksBase = LowerCase(ChangeFileExt(ExtractFileName(linksName), ""));
    const std::vector<std::string> files = Files->Strings();
    for (const std::string& f : files) {
        if (LowerCase(ChangeFileExt(ExtractFileName(f), "")) == linksBase) continue;
        const std::string path = PathOf(f);
        // Only the project's own documentation files are rewritten.
        std::string why;
        if (!InProject(f, &why)) {
            Skipped.push_back(f + ": " + why);
            continue;
        }
        if (!FileExists(path)) continue;
        std::string text = ReadDocFile(path);
        if (!StartsWith(text, kRtfStart)) {
            Skipped.push_back(f + ": not a documentation file");
            continue;
        }
        auto doc = CreateDocumentation(path);
        doc->SetLinesText(text);
        std::string context;
        for (int i = 0; i < doc->Lines->Count(); ++i) {
            const std::string& l = (*doc->Lines)[i];
            if (IsTopicLine(l)) {
                context = TopicContextOf(l);
            } else if (StartsWith(l, kFootnoteComment)) {
                std::string line = l;
                ExpandMarker(line, context, *links);
                if (line != l) doc->Lines->Put(i, line);
            }
        }
        doc->SaveToFile();
    }
    links->SaveToFile();
    SaveHelpProject();
}

// ---- the driver ----

void DocumentUnits(TIHelpProject& project, const std::vector<std::string>& units) {
    // One .rtf a unit name: a second unit of that name would be merged into
    // the first one's file.
    std::set<std::string> names;
    for (const std::string& path : units) {
        const std::string name = ChangeFileExt(ExtractFileName(path), "");
        if (!names.insert(LowerCase(name)).second) throw Exception("Unit " + name + " is given twice");
    }
    for (const std::string& path : units) {
        TISourceCode src;
        src.FileName = path;
        src.SetLinesText(ReadDocFile(path));
        src.ValidateLines();
        TUnitComponentList list;
        src.ParseUnit(list);
        TDocUnit unit;
        unit.Name = ChangeFileExt(ExtractFileName(path), "");
        if (!TISourceCode::isValidIdent(unit.Name)) throw Exception("Not a unit name: " + unit.Name);
        auto doc = project.GetUnitDocumentation(unit);
        for (int i = 0; i < list.GetCount(); ++i) {
            const TUnitComponent c = list.GetUnitComponent(i);
            if (c.Kind < uckInterface || c.Kind > uckRoutine) continue;
            TDocItem item{c.Name, c.Text, TUnitComponentKind(c.Kind), {}};
            int line = 0;
            const bool classLike = c.Kind == uckInterface || c.Kind == uckClass || c.Kind == uckObject;
            if (c.Kind == uckInterface && src.FindClass(c.Name, line) && line + 1 < src.Lines->Count()) {
                const std::string next = Trim((*src.Lines)[line + 1]);
                if (StartsWith(next, "[")) item.Text += kJoiner + next;
            }
            doc->DocumentarUnitComponent(item, unit);
            if (!classLike) continue;
            TClassComponentList members;
            src.ParseClass(c.Name, members);
            // Members by kind and name (case ignored), in declaration order:
            // overloads share one topic (one context) that lists each
            // declaration.
            std::vector<TDocMember> documented;
            std::unordered_map<std::string, size_t> byName;
            for (int m = 0; m < members.GetCount(); ++m) {
                const TClassComponent cc = members.GetClassComponent(m);
                if (cc.Kind < cckField || cc.Kind > cckMethod) continue;
                TDocMember member{cc.Name, cc.Text, TClassComponentKind(cc.Kind), {}};
                if (cc.Kind == cckProperty) {
                    TPropertyInfo info;
                    if (src.isValidProperty(cc.Text, info) && info.Type.ends_with("Event")) member.Kind = cckEvent;
                }
                std::vector<std::string> fieldNames{cc.Name};
                if (cc.Kind == cckField) {
                    // "X, Y: Integer;" declares X and Y.
                    const size_t colon = cc.Text.find(':');
                    if (colon != std::string::npos && cc.Text.find(',') < colon)
                        fieldNames = SplitNames(cc.Text.substr(0, colon));
                }
                for (const std::string& name : fieldNames) {
                    member.Name = name;
                    const std::string key = IntToStr(member.Kind) + ":" + LowerCase(name);
                    const auto [it, added] = byName.emplace(key, documented.size());
                    if (added) documented.push_back(member);
                    else if (member.Kind == cckMethod) documented[it->second].Text += kJoiner + member.Text;
                }
            }
            for (TDocMember& member : documented) doc->DocumentarClassComponent(member, item);
        }
        doc->SaveToFile();
    }
    project.SaveHelpProject();
    project.LinkDocumentation();
}

}  // namespace velt

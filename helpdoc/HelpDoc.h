#pragma once
// The help documentation generator: units, classes and members of Pascal
// units written as WinHelp source, one RTF file per unit with one footnoted
// topic per item, a context map (.map), a file list (.fls) and per-file link
// records (.lnk); a link pass expands the link markers into jump tables,
// popup lists and class hierarchies. Text a user writes below a topic's
// "Description" heading survives regeneration.
//
// File names in Files and in the map are relative to the project's folder.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/MemIni.h"
#include "source/IText.h"

namespace velt {

enum TDocumentationType : uint8_t { dtRTF, dtHTML };

enum TUnitComponentKind : uint8_t {
    uckInterface = 1,
    uckClass = 2,
    uckObject = 3,
    uckType = 4,
    uckConst = 5,
    uckRoutine = 6,
};

enum TClassComponentKind : uint8_t {
    cckField = 1,
    cckProperty = 2,
    cckMethod = 3,
    cckEvent = 4,  // a property of an event type; the unit model never gives it
};

struct TDocUnit {
    std::string Name;
    std::string Context;
};

struct TDocItem {
    std::string Name;
    std::string Text;  // the declaration
    TUnitComponentKind Kind = uckType;
    std::string Context;
};

struct TDocMember {
    std::string Name;
    std::string Text;
    TClassComponentKind Kind = cckField;
    std::string Context;
};

// Contexts, titles and browse sequences by kind.
std::string UnitContext(std::string_view unit);
std::string ItemContext(TUnitComponentKind kind, std::string_view name);
std::string MemberContext(TClassComponentKind kind, std::string_view cls, std::string_view member);

class TIHelpProject;
class TIDocumentation;
class TFileLock;
class TITopic;

using TTopicEvent = std::function<void(TITopic&)>;

class TITopic : public TIText {
public:
    std::string ClassName() const override { return "TITopic"; }

    std::string Title;
    std::string Context;
    std::string Keywords;
    std::string Browse;
    std::string Button;
    TIHelpProject* HelpProject = nullptr;      // not owned
    TIDocumentation* Documentation = nullptr;  // not owned
    TTopicEvent OnInsideKeepn;

    // Stores the topic into its documentation.
    void SaveToFile() override;

    void BeginDocumentation();
    void EndDocumentation();
    void CreateDocumentation();
    void CreateTopic();
    void FinishTopic();
    void UnitLink(const TDocUnit& unit);
    void ClassLink(const TDocItem& cls);
    void Declaration(std::string_view text);
    void Description();
    void LinksTable(std::string_view kind);
    void PopupLinks(std::string_view kind);
    void DoInsideKeepn(TITopic& topic);
    void DocumentarUnit(TDocUnit& unit);
    void DocumentarUnitComponent(TDocItem& item, const TDocUnit& unit);
    void DocumentarClassComponent(TDocMember& member, const TDocItem& cls);

    void Add(std::string line) { Lines->Add(line); }

private:
    TMemIni& Links();
    std::string DocFileName() const;
    void ListMembers(std::string_view text, std::vector<std::string>& names, bool& enumeration);
};

class TIDocumentation : public TIText {
public:
    explicit TIDocumentation(TIHelpProject* project);
    ~TIDocumentation() override;
    std::string ClassName() const override { return "TIDocumentation"; }

    TIHelpProject* HelpProject = nullptr;  // not owned
    std::unique_ptr<TMemIni> Links;
    TDocUnit Unit;

    void DocumentarUnit(TDocUnit& unit);
    void DocumentarUnitComponent(TDocItem& item, const TDocUnit& unit);
    void DocumentarClassComponent(TDocMember& member, const TDocItem& cls);

    // A new file: the RTF header and the closing line.
    void CreateDocumentation();
    std::unique_ptr<TITopic> CreateTopic();
    // Carries the old topic's description over, then SaveTopic.
    void AppendTopic(TITopic& topic);
    void SaveTopic(TITopic& topic);
    // SaveTopic of the topic of that context made of these lines.
    void SaveTopicLines(std::string_view context, const std::vector<std::string_view>& lines);
    std::unique_ptr<TITopic> LoadTopic(std::string_view context);
    // Index of the topic's "#" footnote line (whole context, case ignored),
    // else -1.
    int FindTopic(std::string_view context) const;
    // The last line beginning "\par }", else -1.
    int FindEnd() const;
    void SaveDescription(TITopic& topic, const std::vector<std::string>& old);

    static std::string Comment(std::string_view name);
    static bool isCommentPrefix(std::string_view name, std::string_view line);

    void LoadFromFile() override;
    // Writes the .rtf, and the ".lnk" when links were loaded or written.
    void SaveToFile() override;
    void LoadLinks();
    void LinksChanged() { linksUsed_ = true; }
    std::string LinksFileName() const;

private:
    // The line after the topic whose "#" line is at index first.
    int TopicEnd(int first) const;
    // Replaces count lines at first, keeping the topic index in step.
    void PutLines(int first, int count, const std::vector<std::string_view>& lines);
    bool linksUsed_ = false;
    // Topic line by lower-case context, for Lines at indexVersion_.
    mutable std::unordered_map<std::string, int> index_;
    mutable uint64_t indexVersion_ = 0;
    mutable bool indexed_ = false;
    // The greatest line in the index (at least), -1 when empty.
    mutable int indexLast_ = -1;
};

class TIHelpProject : public TPersistent {
public:
    TIHelpProject();
    ~TIHelpProject() override;
    std::string ClassName() const override { return "TIHelpProject"; }

    std::string HelpProjectFileName;
    std::string MapFileName;
    std::string FilesFileName;
    std::unique_ptr<TStringList> Map;
    std::unique_ptr<TStringList> Files;
    std::unique_ptr<TMemIni> MemLinks;
    TIDocumentation* Documentation = nullptr;  // not owned
    TDocumentationType DocumentationType = dtRTF;

    // Takes the project's lock ("<hpj>.lock", held while the project lives),
    // waiting at most LockTimeoutMs: another run holding it longer raises
    // "The project ... is in use".
    void LoadHelpProject(const std::string& hpj);
    int LockTimeoutMs = 60000;
    void SaveHelpProject();
    std::unique_ptr<TIDocumentation> CreateDocumentation(const std::string& fileName);
    std::unique_ptr<TIDocumentation> GetUnitDocumentation(TDocUnit& unit);
    std::unique_ptr<TIDocumentation> GetDocumentation(const std::string& fileName);
    bool AddFileEntry(const std::string& file);
    void AddMapEntry(std::string_view context, const std::string& rtfFile);
    void LoadMemLinks();
    void LinkDocumentation();
    // Members of the class and its ancestors under the kind, grouped by
    // class; the member lines go to sorted as well. False when none.
    bool ClassComponentsLinks(const std::string& classContext, std::string_view kind, TStringList& sorted,
                              TStringList& lines);
    // The ancestors, root first, separated by "|" lines. False when none.
    bool ClassHierarchy(const std::string& classContext, TStringList& lines);

    // The project's folder, with its separator.
    std::string Folder() const;
    // A file of Files (relative or absolute) as a path.
    std::string PathOf(const std::string& file) const;
    // A path as Files holds it.
    std::string EntryOf(const std::string& path) const;
    // The links document: "help-links.rtf" beside the project.
    std::string LinksDocumentName() const;
    // The context of a documented interface, object or class by name, else "".
    std::string ContextOfName(std::string_view name) const;

    // Files the last operations wrote, in order.
    std::vector<std::string> Written;
    // Entries of Files the link pass left alone, each with the reason.
    std::vector<std::string> Skipped;
    // Whether the link pass may rewrite the entry: a file inside the
    // project's folder whose name ends ".rtf"; else why not.
    bool InProject(const std::string& entry, std::string* why = nullptr) const;

private:
    // Contexts in Map (lower case) and its highest number, for Map at mapVersion_.
    std::unordered_set<std::string> mapContexts_;
    int32_t mapHighest_ = 0;
    uint64_t mapVersion_ = 0;
    bool mapIndexed_ = false;
    // Documented interface, object and class names (lower case) to their
    // contexts, from the last LoadMemLinks.
    std::unordered_map<std::string, std::string> nameContexts_;
    bool namesIndexed_ = false;
    // What the link pass read of a class (by lower-case context), kept
    // while it runs.
    struct TMemberLine {
        std::string Line;
        std::string Key;  // the line's sort key
    };
    struct TLinkClass {
        std::string Context;
        std::string ClassName;  // escaped
        std::string Ancestor;
        std::string AncestorContext;
        TLinkClass* Up = nullptr;  // the ancestor's, once UpKnown
        bool UpKnown = false;
        uint64_t Walk = 0;  // the last walk that took it
        std::string AncestorLine;  // the ancestor's line in a hierarchy
        // Member lines by kind; a walk takes each class once, so the
        // reference it keeps stays valid while the walk lasts.
        std::vector<std::pair<std::string, std::vector<TMemberLine>>> Members;
    };
    using TLinkClasses = std::unordered_map<std::string, TLinkClass>;
    TLinkClass& LinkClass(const std::string& context, TLinkClasses& cache);
    TLinkClass* UpOf(TLinkClass& c, TLinkClasses& cache);
    const std::vector<TMemberLine>& MemberLinesOf(TLinkClass& c, std::string_view kind);
    // ClassComponentsLinks as views of the cached lines.
    struct TComponents {
        std::vector<std::string> Heads;
        std::vector<std::string_view> All;   // grouped by class
        std::vector<const TMemberLine*> Own;  // the member lines alone
    };
    bool Components(const std::string& classContext, std::string_view kind, TLinkClasses& cache, TComponents& out);
    // ClassHierarchy as views of the cached lines; before: lines stand below.
    bool Hierarchy(const std::string& classContext, TLinkClasses& cache, bool before, std::vector<std::string_view>& up);
    TLinkClasses linkClasses_;
    uint64_t walks_ = 0;
    bool linking_ = false;
    // The project's folder with its links followed, for the folder baseOf_.
    mutable std::string baseOf_, base_;
    // Why an entry is no file of the project ("" when it is); by entry,
    // while the link pass runs.
    std::string NotInProject(const std::string& entry) const;
    mutable std::unordered_map<std::string, std::string> inProject_;
    std::unique_ptr<TFileLock> lock_;
    std::string lockedProject_;
    void ExpandMarker(std::string& line, const std::string& context, TIDocumentation& links);
};

// The driver: documents each unit file into the project (loaded from hpj),
// saves the project and runs the link pass. Raises on bad input: a unit
// given twice (by name, case ignored) before anything is written.
void DocumentUnits(TIHelpProject& project, const std::vector<std::string>& units);

}  // namespace velt

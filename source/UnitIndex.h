#pragma once
// TUnitIndex: what the searches of the unit model look up instead of
// scanning the unit again on every command: class headers by name,
// implementation headers by class and method, where each class body ends,
// the routine declarations of a class.
//
// An index describes one state of its unit: the lines (their Version), the
// section lines and CaseSensitive. TISourceCode::Index() compares that state
// on every lookup; when anything differs, the index follows the last change
// of the lines if that is all that happened (a load of an edited text, one
// inserted line), else a new one starts. So no change (a command file
// setting Lines, Text or a section line, an insertion, a deletion) can leave
// a stale answer behind.
//
// It is filled as the lookups need it: a search reads the lines the scan it
// replaces would have read, up to its answer, and remembers what it saw, so
// that no line is tested twice for the same thing while the unit stays as it
// is. Every answer is the one the line tests of TISourceCode give.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "source/SourceCode.h"

namespace velt {

class TUnitIndex {
public:
    explicit TUnitIndex(const TISourceCode& src);
    TUnitIndex(const TUnitIndex&) = delete;
    TUnitIndex& operator=(const TUnitIndex&) = delete;

    // Whether the index still describes src's lines and sections.
    bool Describes(const TISourceCode& src) const { return key_ == Key(src); }
    // Follows the last change of src's lines (TStringList::LastChange) when
    // the index describes the lines before it and the section lines moved
    // with the lines: what it knew about the lines around the change stays,
    // the new lines are tested as far as the lines around them were. False,
    // and nothing to be asked any more, otherwise.
    bool Follow(const TISourceCode& src);

    // The first class header (isValidClass) named name (ASCII case ignored)
    // from IntfLine + 1 below ImplEndLine, or -1.
    int ClassLine(std::string_view name);
    // The nearest class header at or above line (from IntfLine + 1) whose
    // body (BodyEnd) reaches line, or -1.
    int ClassAround(int line);

    // The first implementation header (isValidMethodImpl) of class.method,
    // ASCII case ignored, from ImplLine + 1 below ImplEndLine, or -1.
    int FirstImpl(std::string_view className, std::string_view methodName);
    // Every such implementation header, in order (overloads, or one header
    // several times under conditional compilation).
    std::vector<int> AllImpls(std::string_view className, std::string_view methodName);
    // The nearest implementation header at or above line (from ImplLine + 1),
    // or -1; its names through className and methodName.
    int ImplAbove(int line, std::string& className, std::string& methodName);

    // How a line takes part in the block structure of class bodies.
    enum TLineKind : uint8_t { lkUnknown, lkPlain, lkOpens, lkCloses, lkSkip };
    // lkCloses: it starts with "end"; lkOpens: it opens a nested record or
    // class type (OpensNestedBlock); lkPlain: neither; lkSkip: it starts
    // inside a comment or holds no token (known once a sweep reached it).
    TLineKind Kind(int line);
    // FindClassEnd's answer: the first later line that starts with "end" and
    // does not close a nested record or class type opened after line, else
    // the line count. Amortised over a unit it costs one read of each line,
    // however deeply the types nest.
    int BodyEnd(int line);

    // CollectDecls' answers, kept per class name (ASCII case ignored).
    struct Decls {
        bool Found = false;
        std::vector<TISourceCode::DeclEntry> Entries;
    };
    const Decls* FindDecls(std::string_view className) const;
    const Decls& StoreDecls(std::string_view className, Decls decls);

private:
    struct StateKey {
        uint64_t Version = 0;
        int32_t IntfLine = 0, ImplLine = 0, ImplEndLine = 0, EndLine = 0;
        bool CaseSensitive = false;
        bool operator==(const StateKey&) const = default;
    };
    // A header found, with the hash of its name ("class.method" for an
    // implementation), ASCII case folded; the names are read again from the
    // line when the hash matches.
    struct Header {
        int Line;
        uint64_t Name;
    };
    static StateKey Key(const TISourceCode& src);
    // The headers of one kind found so far: the lines from the start of
    // their range up to Next are tested.
    struct THeaders {
        int Next = 0;
        std::vector<Header> Found;  // ascending
    };
    // Whether line i is a class / implementation header, and what to keep.
    bool ClassHeader(int i, Header& h);
    bool ImplHeader(int i, Header& h);
    using TTest = bool (TUnitIndex::*)(int, Header&);
    // Tests the lines of list up to stop.
    void TestTo(THeaders& list, TTest test, int stop);
    // The first header of list below stop_ with the hash that named(line)
    // accepts, testing lines as far as it takes; -1 when none.
    template <class Named>
    int FirstNamed(THeaders& list, TTest test, uint64_t hash, Named named);
    // Follows change c in list, whose range now starts at from.
    void FollowHeaders(THeaders& list, TTest test, const TStringList::TChange& c, int from);

    const TISourceCode& src_;
    StateKey key_;
    int count_;      // the line count
    int stop_;       // ImplEndLine, where FindClass and FindMethodImpl stop
    int classFirst_;  // IntfLine + 1
    int implFirst_;  // ImplLine + 1

    THeaders classes_, impls_;

    std::unordered_map<std::string, Decls> decls_;

    std::string name_, method_;  // the names of the line being tested, their buffers kept

    class TSweep;
    std::vector<TLineKind> kind_;
    std::vector<int> bodyEnd_;  // -1 while unknown
};

}  // namespace velt

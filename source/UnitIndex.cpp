#include "source/UnitIndex.h"

#include <algorithm>
#include <optional>

namespace velt {

namespace {

// FNV-1a over name with ASCII case folded, continuing from h.
uint64_t FoldedHash(std::string_view name, uint64_t h = 14695981039346656037ull) {
    for (char c : name) h = (h ^ uint8_t(LowCaseChar(c))) * 1099511628211ull;
    return h;
}

uint64_t MethodHash(std::string_view className, std::string_view methodName) {
    return FoldedHash(methodName, FoldedHash(".", FoldedHash(className)));
}

}  // namespace

TUnitIndex::TUnitIndex(const TISourceCode& src)
    : src_(src),
      key_(Key(src)),
      count_(src.LineCount()),
      stop_(src.Limit(src.ImplEndLine)),
      classFirst_(std::max(src.IntfLine + 1, 0)),
      implFirst_(std::max(src.ImplLine + 1, 0)),
      classes_{classFirst_, {}},
      impls_{implFirst_, {}} {}

TUnitIndex::StateKey TUnitIndex::Key(const TISourceCode& src) {
    return {src.Lines->Version(), src.IntfLine, src.ImplLine, src.ImplEndLine, src.EndLine, src.CaseSensitive};
}

// ---- headers --------------------------------------------------------------------------------

bool TUnitIndex::ClassHeader(int i, Header& h) {
    if (src_.isValidClass(src_.LineAt(i), name_) == ctkNone) return false;
    h = {i, FoldedHash(name_)};
    return true;
}

bool TUnitIndex::ImplHeader(int i, Header& h) {
    if (!src_.isValidMethodImpl(src_.LineAt(i), name_, method_)) return false;
    h = {i, MethodHash(name_, method_)};
    return true;
}

void TUnitIndex::TestTo(THeaders& list, TTest test, int stop) {
    Header h;
    for (; list.Next < std::min(stop, count_); ++list.Next)
        if ((this->*test)(list.Next, h)) list.Found.push_back(h);
}

template <class Named>
int TUnitIndex::FirstNamed(THeaders& list, TTest test, uint64_t hash, Named named) {
    for (const Header& e : list.Found)
        if (e.Line >= stop_) return -1;
        else if (e.Name == hash && named(e.Line)) return e.Line;
    Header h;
    while (list.Next < stop_) {
        const int i = list.Next++;
        if (!(this->*test)(i, h)) continue;
        list.Found.push_back(h);
        if (h.Name == hash && named(i)) return i;
    }
    return -1;
}

int TUnitIndex::ClassLine(std::string_view name) {
    std::string nm;
    return FirstNamed(classes_, &TUnitIndex::ClassHeader, FoldedHash(name), [&](int line) {
        return src_.isValidClass(src_.LineAt(line), nm) != ctkNone && SameText(nm, name);
    });
}

int TUnitIndex::ClassAround(int line) {
    const int last = std::min(line, count_ - 1);
    TestTo(classes_, &TUnitIndex::ClassHeader, last + 1);
    const std::vector<Header>& found = classes_.Found;
    auto it = std::upper_bound(found.begin(), found.end(), last, [](int l, const Header& e) { return l < e.Line; });
    while (it != found.begin()) {
        --it;
        if (BodyEnd(it->Line) >= line) return it->Line;
    }
    return -1;
}

int TUnitIndex::FirstImpl(std::string_view className, std::string_view methodName) {
    std::string c, m;
    return FirstNamed(impls_, &TUnitIndex::ImplHeader, MethodHash(className, methodName), [&](int line) {
        return src_.isValidMethodImpl(src_.LineAt(line), c, m) && SameText(c, className) && SameText(m, methodName);
    });
}

std::vector<int> TUnitIndex::AllImpls(std::string_view className, std::string_view methodName) {
    TestTo(impls_, &TUnitIndex::ImplHeader, stop_);
    const uint64_t hash = MethodHash(className, methodName);
    std::vector<int> r;
    std::string c, m;
    for (const Header& e : impls_.Found)
        if (e.Line >= stop_) break;
        else if (e.Name == hash && src_.isValidMethodImpl(src_.LineAt(e.Line), c, m) && SameText(c, className) &&
                 SameText(m, methodName))
            r.push_back(e.Line);
    return r;
}

int TUnitIndex::ImplAbove(int line, std::string& className, std::string& methodName) {
    const int last = std::min(line, count_ - 1);
    if (last < implFirst_) return -1;
    // Lines past the tested ones are read upwards, as few as it takes.
    int found = -1;
    std::string c, m;
    for (int i = last; i >= impls_.Next && found < 0; --i)
        if (src_.isValidMethodImpl(src_.LineAt(i), c, m)) found = i;
    if (found < 0) {
        const std::vector<Header>& known = impls_.Found;
        auto it = std::upper_bound(known.begin(), known.end(), last, [](int l, const Header& e) { return l < e.Line; });
        if (it == known.begin()) return -1;
        found = std::prev(it)->Line;
        src_.isValidMethodImpl(src_.LineAt(found), c, m);
    }
    className = c;
    methodName = m;
    return found;
}

// ---- following a change ----------------------------------------------------------------------

bool TUnitIndex::Follow(const TISourceCode& src) {
    const TStringList::TChange& c = src.Lines->LastChange();
    const StateKey now = Key(src);
    if (c.From != key_.Version || c.To != now.Version || now.CaseSensitive != key_.CaseSensitive) return false;
    const int first = c.First, removed = c.Removed, added = c.Added, shift = added - removed;
    // The lines the change kept are in the searched ranges as they were:
    // the ranges start at the same line before the change, and at the same
    // line after it (counted in the old lines).
    auto kept = [&](int was, int is) {
        return std::min(was, first) == std::min(is, first) &&
               std::max(was, first + removed) == std::max(is - shift, first + removed);
    };
    const int classFirst = std::max(src.IntfLine + 1, 0), implFirst = std::max(src.ImplLine + 1, 0);
    if (!kept(classFirst_, classFirst) || !kept(implFirst_, implFirst)) return false;

    FollowHeaders(classes_, &TUnitIndex::ClassHeader, c, classFirst);
    FollowHeaders(impls_, &TUnitIndex::ImplHeader, c, implFirst);
    // A change may open or close a comment that runs on over the lines
    // after it: the block structure is read again as it is asked for.
    kind_.clear();
    bodyEnd_.clear();
    decls_.clear();
    key_ = now;
    count_ = src.LineCount();
    stop_ = src.Limit(src.ImplEndLine);
    classFirst_ = classFirst;
    implFirst_ = implFirst;
    return true;
}

void TUnitIndex::FollowHeaders(THeaders& list, TTest test, const TStringList::TChange& c, int from) {
    const int first = c.First, removed = c.Removed, added = c.Added, shift = added - removed;
    std::vector<Header>& found = list.Found;
    auto at = [&](int line) {
        return std::lower_bound(found.begin(), found.end(), line, [](const Header& e, int l) { return e.Line < l; });
    };
    auto gone = found.erase(at(first), at(first + removed));
    for (auto it = gone; it != found.end(); ++it) it->Line += shift;
    int& next = list.Next;
    if (next >= first + removed) {
        next += shift;
        // The new lines among the tested ones are tested now.
        std::vector<Header> fresh;
        Header h;
        for (int i = std::max(first, from); i < first + added; ++i)
            if ((this->*test)(i, h)) fresh.push_back(h);
        found.insert(at(first), fresh.begin(), fresh.end());
    } else if (next > first) {
        next = first;  // the replaced lines were tested in part, the new ones not
    }
    next = std::max(next, from);  // nothing was tested when it stopped before the range
}

// ---- declarations -----------------------------------------------------------------------------

const TUnitIndex::Decls* TUnitIndex::FindDecls(std::string_view className) const {
    auto it = decls_.find(LowerCase(className));
    return it == decls_.end() ? nullptr : &it->second;
}

const TUnitIndex::Decls& TUnitIndex::StoreDecls(std::string_view className, Decls decls) {
    return decls_.insert_or_assign(LowerCase(className), std::move(decls)).first->second;
}

// ---- block structure ----------------------------------------------------------------------------

TUnitIndex::TLineKind TUnitIndex::Kind(int line) {
    if (kind_.empty()) kind_.assign(size_t(count_), lkUnknown);
    TLineKind& k = kind_[size_t(line)];
    if (k == lkUnknown) {
        // Not reached by a sweep: the line alone decides.
        const std::string& l = src_.LineAt(line);
        k = src_.StartsEnd(l) ? lkCloses : src_.OpensNestedBlock(l) ? lkOpens : lkPlain;
    }
    return k;
}

// The lines of a sweep classified in order through the Pascal scanner: a
// line that starts inside a comment, or holds no token, takes no part.
class TUnitIndex::TSweep {
public:
    explicit TSweep(TUnitIndex& index) : index_(index) {}

    // The kind of line j; j grows from one call to the next unless Restart
    // says where the scanner starts again.
    TLineKind Kind(int j) {
        TLineKind& k = index_.kind_[size_t(j)];
        if (restart_ >= 0 || !scanner_) Start(restart_ >= 0 ? restart_ : j);
        while (have_ && tok_.Line < j) have_ = scanner_->Next(tok_);
        if (!have_ || tok_.Line > j || tok_.Continued) {
            k = lkSkip;
        } else {
            const std::string& l = index_.src_.LineAt(j);
            k = index_.src_.StartsEnd(l) ? lkCloses : index_.src_.OpensNestedBlock(l) ? lkOpens : lkPlain;
        }
        return k;
    }
    // The next line asked for follows line j, which starts outside a comment.
    void Restart(int j) { restart_ = j; }

private:
    void Start(int j) {
        scanner_.emplace(index_.src_.Scan(j, index_.count_));
        have_ = scanner_->Next(tok_);
        restart_ = -1;
    }
    TUnitIndex& index_;
    std::optional<TPascalScanner> scanner_;
    TPasToken tok_;
    bool have_ = false;
    int restart_ = -1;
};

int TUnitIndex::BodyEnd(int line) {
    if (line >= count_) return count_;
    if (kind_.empty()) kind_.assign(size_t(count_), lkUnknown);
    if (bodyEnd_.empty()) bodyEnd_.assign(size_t(count_), -1);
    if (line >= 0 && bodyEnd_[size_t(line)] >= 0) return bodyEnd_[size_t(line)];
    // The depth of each line is counted from line's; a body ends at the
    // first later line whose depth falls below its own. Lines whose end is
    // not known yet wait on a stack, by rising depth; a line whose end an
    // earlier scan found is stepped over to that end.
    struct Waiting {
        int Line, Depth;
    };
    std::vector<Waiting> waiting{{line, 0}};
    int depth = 0;
    int end = count_;
    auto endAt = [&](int j) {  // j leaves the current depth
        while (!waiting.empty() && waiting.back().Depth == depth) {
            if (waiting.back().Line >= 0) bodyEnd_[size_t(waiting.back().Line)] = j;
            waiting.pop_back();
        }
        if (waiting.empty()) end = j;  // line's own body
        --depth;
    };
    // A comment may open on the header line itself.
    TSweep sweep(*this);
    sweep.Restart(std::max(line, 0));
    for (int j = std::max(line + 1, 0); j < count_ && !waiting.empty(); ++j) {
        const TLineKind k = sweep.Kind(j);
        if (k == lkCloses) {
            endAt(j);
            if (waiting.empty()) break;
        } else if (k == lkOpens) {
            ++depth;
        }
        waiting.push_back({j, depth});
        const int known = bodyEnd_[size_t(j)];
        if (known < 0) continue;
        if (known >= count_) break;  // no later line falls below this depth
        endAt(known);
        if (waiting.empty()) break;
        waiting.push_back({known, depth});
        j = known;
        sweep.Restart(known);
    }
    for (const Waiting& w : waiting)
        if (w.Line >= 0) bodyEnd_[size_t(w.Line)] = count_;
    return end;
}

}  // namespace velt

#include "forth/ForthObject.h"

#include "foundation/Classes.h"

namespace velt {

namespace {

// ASCII case-insensitive equality of a table name and a token.
inline bool SameName(const char* a, std::string_view b) {
    size_t i = 0;
    for (; i < b.size(); ++i) {
        const char c = a[i];
        if (c == '\0' || (c != b[i] && UpCaseChar(c) != UpCaseChar(b[i]))) return false;
    }
    return a[i] == '\0';
}

}  // namespace

const PropInfo* ClassInfo::FindProperty(std::string_view name) const {
    for (const ClassInfo* c = this; c; c = c->Parent)
        for (const PropInfo& p : c->Properties)
            if (SameName(p.Name, name)) return &p;
    return nullptr;
}

const MethodInfo* ClassInfo::FindMethod(std::string_view name) const {
    for (const ClassInfo* c = this; c; c = c->Parent)
        for (const MethodInfo& m : c->Methods)
            if (SameName(m.Name, name)) return &m;
    return nullptr;
}

bool ClassInfo::InheritsFrom(const ClassInfo* other) const {
    for (const ClassInfo* c = this; c; c = c->Parent)
        if (c == other) return true;
    return false;
}

const ClassInfo* ForthClassOf(const TObject* obj) {
    if (auto* fo = dynamic_cast<const ForthObject*>(obj)) return fo->ForthClass();
    // Persistent objects always carry type information, if nothing published.
    static const ClassInfo persistent{"TPersistent", nullptr, {}, {}};
    if (dynamic_cast<const TPersistent*>(obj)) return &persistent;
    return nullptr;
}

const PropInfo* FindPublishedProperty(const TObject* obj, std::string_view name) {
    const ClassInfo* ci = ForthClassOf(obj);
    return ci ? ci->FindProperty(name) : nullptr;
}

const MethodInfo* FindPublishedMethod(const TObject* obj, std::string_view name) {
    const ClassInfo* ci = ForthClassOf(obj);
    return ci ? ci->FindMethod(name) : nullptr;
}

}  // namespace velt

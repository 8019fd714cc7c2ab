#pragma once
// Published members: what the command language can see of a host object.
//
// A class that command files may reach implements ForthObject (a mixin next
// to its TObject/TPersistent base) and answers a hand-written table of its
// published properties and methods. The interpreter looks names up there with
// ASCII case folding: the class's own table first, then its ancestors'; a
// property before a method of the same name. Only methods of the word shape
// `void Name(TForth& Sender)` are published.
//
// How a class publishes itself:
//
//   class TCounter : public TPersistent, public ForthObject {
//   public:
//       VELT_FORTH_CLASS(TCounter)          // declares StaticForthClass/ForthClass
//       int Count = 0;
//       std::string Caption;
//       void Reset(TForth& Sender);         // a word: takes its arguments from Sender's stack
//       std::string ClassName() const override { return "TCounter"; }
//   };
//
//   // in TCounter.cpp
//   const ClassInfo& TCounter::StaticForthClass() {
//       static const PropInfo props[] = {
//           OrdProp<TCounter, &TCounter::Count, &TCounter::Count>("Count"),
//           StrProp<TCounter, &TCounter::Caption, &TCounter::Caption>("Caption"),
//       };
//       static const MethodInfo methods[] = {
//           WordMethod<TCounter, &TCounter::Reset>("Reset"),
//       };
//       static const ClassInfo info{"TCounter", nullptr /* or &TBase::StaticForthClass() */,
//                                   props, methods};
//       return info;
//   }
//
// Getters and setters may be data members or member functions (getter: no
// argument, setter: one argument); a property without a setter is read-only
// (".!" on it raises EForth "Property NAME is read-only"). Enumerations go
// through EnumProp (kind 3), characters through CharProp (kind 2), short
// strings through StrProp(name, pkShortString) (kind 5), objects through
// ObjProp (kind 7); OtherProp lists a property of a kind the language does
// not handle ("Unsupported property type").
//
// A TPersistent that does not implement ForthObject publishes nothing but
// has class info; a plain TObject has none (the interpreter then writes
// "Internal Error. Class NAME has no class info." when it searches it).
// A derived class that publishes more names its parent's table as Parent; a
// derived class that publishes nothing new simply inherits ForthClass().

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "foundation/SysUtils.h"

namespace velt {

class TForth;

// Type-kind codes of published properties (the run-time type codes the
// stored property descriptions and stack cells use).
enum TPropKind : uint8_t {
    pkUnknown = 0,
    pkInteger = 1,
    pkChar = 2,
    pkEnumeration = 3,
    pkFloat = 4,
    pkShortString = 5,
    pkSet = 6,
    pkClass = 7,
    pkMethod = 8,
    pkWChar = 9,
    pkLString = 10,
};

// One published property. Which accessor pair is used depends on Kind:
// ordinal for 1 and 3, string for 2, 5 and 10, object for 7. A kind without
// accessors (for example a float) is listed but unsupported by the language.
struct PropInfo {
    const char* Name = "";
    uint8_t Kind = pkUnknown;
    int32_t (*GetOrd)(TObject&) = nullptr;
    void (*SetOrd)(TObject&, int32_t) = nullptr;
    std::string (*GetStr)(TObject&) = nullptr;
    void (*SetStr)(TObject&, const std::string&) = nullptr;
    TObject* (*GetObj)(TObject&) = nullptr;
    void (*SetObj)(TObject&, TObject*) = nullptr;
};

// One published method of the word shape.
struct MethodInfo {
    const char* Name = "";
    void (*Call)(TObject& self, TForth& sender) = nullptr;
};

// The published table of one class.
struct ClassInfo {
    const char* Name = "";
    const ClassInfo* Parent = nullptr;
    std::span<const PropInfo> Properties;
    std::span<const MethodInfo> Methods;

    // Lookups with ASCII case folding, this class first, then its ancestors.
    const PropInfo* FindProperty(std::string_view name) const;
    const MethodInfo* FindMethod(std::string_view name) const;
    // True when this table or an ancestor's is `other`.
    bool InheritsFrom(const ClassInfo* other) const;
};

// The mixin every object reachable from the command language implements.
class ForthObject {
public:
    virtual ~ForthObject() = default;
    // The table of the object's class (never null for a publishing class).
    virtual const ClassInfo* ForthClass() const = 0;
};

// The published table of an object. A TPersistent that does not implement
// ForthObject answers an empty table (it has type information but publishes
// nothing); a plain TObject, or null, answers null: "no class info".
const ClassInfo* ForthClassOf(const TObject* obj);
// Published property / method of an object by name, or null.
const PropInfo* FindPublishedProperty(const TObject* obj, std::string_view name);
const MethodInfo* FindPublishedMethod(const TObject* obj, std::string_view name);

// Declares the two members a publishing class needs.
#define VELT_FORTH_CLASS(Class)                                             \
    static const ::velt::ClassInfo& StaticForthClass();                     \
    const ::velt::ClassInfo* ForthClass() const override { return &Class::StaticForthClass(); }

// ---- table builders ---------------------------------------------------------

namespace forth_detail {

template <class C, auto Acc>
decltype(auto) Read(TObject& o) {
    return std::invoke(Acc, static_cast<C&>(o));
}

template <class C, auto Acc, class V>
void Write(TObject& o, V&& v) {
    C& c = static_cast<C&>(o);
    if constexpr (std::is_member_object_pointer_v<decltype(Acc)>) {
        using F = std::remove_cvref_t<decltype(c.*Acc)>;
        c.*Acc = static_cast<F>(v);
    } else {
        std::invoke(Acc, c, std::forward<V>(v));
    }
}

template <auto Acc>
constexpr bool IsNull = std::is_same_v<decltype(Acc), std::nullptr_t>;

template <class T>
int32_t ToOrd(const T& v) {
    if constexpr (std::is_enum_v<T>)
        return static_cast<int32_t>(static_cast<std::underlying_type_t<T>>(v));
    else
        return static_cast<int32_t>(v);
}

}  // namespace forth_detail

// Ordinal property (kind 1 integer, or pkEnumeration / pkChar given explicitly
// through EnumProp). Get and Set: data member pointer or member function.
template <class C, auto Get, auto Set = nullptr>
constexpr PropInfo OrdProp(const char* name, uint8_t kind = pkInteger) {
    PropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.GetOrd = [](TObject& o) -> int32_t {
        return forth_detail::ToOrd(forth_detail::Read<C, Get>(o));
    };
    if constexpr (!forth_detail::IsNull<Set>) {
        p.SetOrd = [](TObject& o, int32_t v) {
            using T = std::remove_cvref_t<decltype(forth_detail::Read<C, Get>(o))>;
            forth_detail::Write<C, Set>(o, static_cast<T>(v));
        };
    }
    return p;
}

template <class C, auto Get, auto Set = nullptr>
constexpr PropInfo EnumProp(const char* name) {
    return OrdProp<C, Get, Set>(name, pkEnumeration);
}

// String property: kind 10 (long string) unless given (5 short string,
// 2 character: read as a one-character string, written from the first
// character of the text, or 0 when it is empty).
template <class C, auto Get, auto Set = nullptr>
constexpr PropInfo StrProp(const char* name, uint8_t kind = pkLString) {
    PropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.GetStr = [](TObject& o) -> std::string {
        using T = std::remove_cvref_t<decltype(forth_detail::Read<C, Get>(o))>;
        if constexpr (std::is_same_v<T, char>)
            return std::string(1, forth_detail::Read<C, Get>(o));
        else
            return std::string(forth_detail::Read<C, Get>(o));
    };
    if constexpr (!forth_detail::IsNull<Set>) {
        p.SetStr = [](TObject& o, const std::string& v) {
            using T = std::remove_cvref_t<decltype(forth_detail::Read<C, Get>(o))>;
            if constexpr (std::is_same_v<T, char>)
                forth_detail::Write<C, Set>(o, v.empty() ? '\0' : v[0]);
            else
                forth_detail::Write<C, Set>(o, v);
        };
    }
    return p;
}

template <class C, auto Get, auto Set = nullptr>
constexpr PropInfo CharProp(const char* name) {
    return StrProp<C, Get, Set>(name, pkChar);
}

// Object (class) property, kind 7. The getter answers a pointer to a TObject
// (or derived) or a std::unique_ptr of one.
template <class C, auto Get, auto Set = nullptr>
constexpr PropInfo ObjProp(const char* name) {
    PropInfo p;
    p.Name = name;
    p.Kind = pkClass;
    p.GetObj = [](TObject& o) -> TObject* {
        decltype(auto) v = forth_detail::Read<C, Get>(o);
        using T = std::remove_cvref_t<decltype(v)>;
        if constexpr (std::is_pointer_v<T>)
            return v;
        else
            return v.get();
    };
    if constexpr (!forth_detail::IsNull<Set>) {
        p.SetObj = [](TObject& o, TObject* v) {
            using T = std::remove_cvref_t<decltype(forth_detail::Read<C, Get>(o))>;
            if constexpr (std::is_pointer_v<T>)
                forth_detail::Write<C, Set>(o, dynamic_cast<T>(v));
        };
    }
    return p;
}

// A property of any other kind with no accessors (listed, not usable).
constexpr PropInfo OtherProp(const char* name, uint8_t kind) {
    PropInfo p;
    p.Name = name;
    p.Kind = kind;
    return p;
}

// A published word: `void C::M(TForth& Sender)`.
template <class C, void (C::*M)(TForth&)>
constexpr MethodInfo WordMethod(const char* name) {
    return MethodInfo{name, [](TObject& o, TForth& f) { (static_cast<C&>(o).*M)(f); }};
}

}  // namespace velt

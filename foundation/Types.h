#pragma once
// Tagged values (TVRec) and the enumerations several parts share. The kind
// codes and enumeration ordinals are persisted: never renumber them.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/SysUtils.h"

namespace velt {

class TStream;

// ---- shared enumerations (ordinals from 0, persisted) --------------------

enum TKeyKind : uint8_t {
    tkInteger, tkBoolean, tkString, tkTreeList, tkBinary, tkPointer, tkPString,
    tkParent, tkUnknown, tkSingle, tkCurrency, tkDateTime, tkObject,
};
// Set of TKeyKind, one bit per ordinal.
using TKeyKinds = uint32_t;
constexpr TKeyKinds KeyKindBit(TKeyKind k) { return TKeyKinds(1) << unsigned(k); }
constexpr bool InKeyKinds(TKeyKinds set, TKeyKind k) { return (set & KeyKindBit(k)) != 0; }

enum TCondition : uint8_t {
    coEqual, coNotEqual, coLess, coGreat, coLessEqual, coGreatEqual, coNull, coNotNull, coLike, coNear,
};
// Subranges of TCondition.
using TAriCondition = TCondition;  // coEqual .. coGreatEqual
using TSQLCondition = TCondition;  // coEqual .. coLike
constexpr bool IsAriCondition(TCondition c) { return c <= coGreatEqual; }
constexpr bool IsSQLCondition(TCondition c) { return c <= coLike; }

enum TAriOperation : uint8_t { aoPlus, aoMinus, aoMul, aoDiv };
enum TAriBoolOperation : uint8_t { aboAnd, aboOr, aboNot };
enum TAccessLevel : uint8_t { alNone, alRead, alModify, alFull, al666 };
enum TReadWriteAccess : uint8_t { rwNone, rwRead, rwWrite, rwReadWrite };
enum TType : uint8_t { tInteger, tString, tFloat, tBoolean };
enum TVarType : uint8_t { ctVar, ctOutput, ctInput };

// ---- currency ------------------------------------------------------------

// A fixed-point amount: a signed 64-bit count of 1/10 000 units.
struct Currency {
    int64_t Units = 0;
    static constexpr int64_t Scale = 10000;
    static constexpr Currency FromUnits(int64_t u) { return Currency{u}; }
    static constexpr Currency FromInt(int32_t i) { return Currency{int64_t(i) * Scale}; }
    // Rounded to the nearest unit, halves to even; ERangeError when it does not fit.
    static Currency FromFloat(long double v);
    long double ToFloat() const { return (long double)Units / Scale; }
    bool operator==(const Currency&) const = default;
};

// ---- number and date text --------------------------------------------------

// Fifteen significant digits, '.' as decimal separator, the shortest form:
// "0.1", "7", "1E20", "-1.5E-7", "NAN", "INF", "-INF".
std::string FloatToStr(long double v);
// Blanks around, sign, digits, '.', exponent; EConvertError
// "'S' is not a valid floating point value" otherwise.
long double StrToFloat(std::string_view s);
bool TryStrToFloat(std::string_view s, long double& out);
// "2.5", "7", "-0.0001": the exact amount without trailing zeros.
std::string CurrToStr(Currency c);
// The decimal text rounded to 1/10 000 (halves to even); EConvertError on bad text.
Currency StrToCurr(std::string_view s);

// Rounds to the nearest integer (halves to even); ERangeError outside 32 bits or NaN.
int32_t RoundToInt32(long double v);
// The same into 64 bits.
int64_t RoundToInt64(long double v);

// ---- tagged value ----------------------------------------------------------

// Kind codes (the letters Q R S T U X Y), persisted in streams.
enum : int32_t {
    vkString = 81,
    vkInteger = 82,
    vkFloat = 83,
    vkDateTime = 84,  // days since 30 December 1899; the fraction is the time of day
    vkBoolean = 85,
    vkCurrency = 88,
    vkObject = 89,    // a reference, not owned; never restored from a stream
};

// A reference-counted value with its own type tag. Every constructor leaves
// RefCount at 1; whoever receives a new value calls Release once.
class TVRec : public TObject {
public:
    // RefCount 1, IsNull, Kind and Domain 0.
    TVRec() = default;
    std::string ClassName() const override { return "TVRec"; }

    static TVRec* Create() { return new TVRec(); }
    static TVRec* CreateString(std::string_view s);
    static TVRec* CreateInteger(int32_t i);
    static TVRec* CreateFloat(long double e);
    static TVRec* CreateDate(double d);
    static TVRec* CreateBoolean(bool b);
    static TVRec* CreateCurrency(Currency c);
    static TVRec* CreateObject(TObject* o);

    TVRec* AddRef() {
        ++RefCount;
        return this;
    }
    // Decrements RefCount and destroys the value at 0; nothing for null.
    static void Release(TVRec* v);
    static void Free(TVRec* v) { Release(v); }

    // Domain := Kind := Code, IsNull := false.
    void Dom(int32_t code);
    // Copies Kind, Domain and the value; IsNull and RefCount stay.
    virtual void Assign(const TVRec* source);
    // Numbered error 5 unless Kind equals Code.
    void CheckBase(int32_t code) const;

    void SetAsInt(int32_t i);
    void SetAsFloat(long double e);
    void SetAsCurr(Currency c);
    void SetAsString(std::string_view s);

    // Conversions from the stored kind. Out-of-range conversions raise
    // ERangeError; text that is not a number raises EConvertError.
    int32_t GetAsInt() const;
    long double GetAsFloat() const;
    Currency GetAsCurr() const;
    std::string GetAsString() const;

    // Same domain, same null state and equal value of a comparable kind.
    // Two null values of one domain are equal; numbered error 1001 for a
    // non-null value of a kind without comparison (object references).
    bool Equal(const TVRec* other) const;

    // Domain, Kind (4 bytes each), then by kind: 81 length-prefixed text;
    // 82 and 89 four bytes (89 always 0); 83 an IEEE single; 84 the double;
    // 85 one byte; other kinds nothing.
    void SaveToStream(TStream& stream) const;
    // Reads that format. IsNull is left as it is; an object value loads as
    // a null reference, a currency value as 0.
    void LoadFromStream(TStream& stream);

    int32_t RefCount = 1;
    bool IsNull = true;
    std::string StrValue;
    // The value of the non-string kinds; only the member of Kind is meaningful.
    struct {
        int32_t I = 0;
        long double E = 0;
        double D = 0;
        uint8_t B = 0;
        int64_t C = 0;
        TObject* O = nullptr;
    } Value;
    int32_t Domain = 0;
    int32_t Kind = 0;

protected:
    ~TVRec() override = default;  // through Release only
};

// Holds one reference to a TVRec and releases it.
class TVRecRef {
public:
    TVRecRef() = default;
    // Takes over the reference the caller holds (a new value).
    explicit TVRecRef(TVRec* v) : v_(v) {}
    TVRecRef(const TVRecRef& o) : v_(o.v_ ? o.v_->AddRef() : nullptr) {}
    TVRecRef(TVRecRef&& o) noexcept : v_(o.v_) { o.v_ = nullptr; }
    TVRecRef& operator=(TVRecRef o) noexcept {
        std::swap(v_, o.v_);
        return *this;
    }
    ~TVRecRef() { TVRec::Release(v_); }
    TVRec* get() const { return v_; }
    TVRec* operator->() const { return v_; }
    TVRec& operator*() const { return *v_; }
    explicit operator bool() const { return v_ != nullptr; }
    // Hands the reference to the caller.
    TVRec* release() {
        TVRec* v = v_;
        v_ = nullptr;
        return v;
    }

private:
    TVRec* v_ = nullptr;
};

}  // namespace velt

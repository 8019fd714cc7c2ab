#include "foundation/Types.h"

#include <cfenv>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "foundation/Classes.h"
#include "foundation/DateUtils.h"
#include "foundation/SysExcpt.h"
#include "foundation/Utils.h"

namespace velt {

// ---- rounding ----------------------------------------------------------------

namespace {

// Nearest integer, halves to even, whatever the current rounding mode.
long double RoundHalfEven(long double v) {
    long double r = std::round(v);  // halves away from zero
    if (std::fabs(v - std::trunc(v)) == 0.5L) r = 2.0L * std::round(v / 2.0L);
    return r;
}

}  // namespace

int32_t RoundToInt32(long double v) {
    if (std::isnan(v)) throw ERangeError("Range check error: not a number");
    long double r = RoundHalfEven(v);
    if (r < (long double)INT32_MIN || r > (long double)INT32_MAX) throw ERangeError("Range check error");
    return int32_t(r);
}

int64_t RoundToInt64(long double v) {
    if (std::isnan(v)) throw ERangeError("Range check error: not a number");
    long double r = RoundHalfEven(v);
    // 2^63 is exact in long double; the valid range is [-2^63, 2^63).
    if (r < -9223372036854775808.0L || r >= 9223372036854775808.0L) throw ERangeError("Range check error");
    return int64_t(r);
}

Currency Currency::FromFloat(long double v) { return Currency{RoundToInt64(v * Scale)}; }

// ---- number text -------------------------------------------------------------

std::string FloatToStr(long double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    if (v == 0) return "0";
    // Fifteen significant digits in scientific form: d.dddddddddddddde±x.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    bool neg = sci[0] == '-';
    if (neg) sci.erase(0, 1);
    size_t epos = sci.find('e');
    int exp = std::stoi(sci.substr(epos + 1));
    std::string digits = sci.substr(0, 1) + sci.substr(2, epos - 2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out;
    if (exp >= 15 || exp < -4) {
        out = digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(exp);
    } else if (exp < 0) {
        out = "0." + std::string(size_t(-exp - 1), '0') + digits;
    } else {
        if (digits.size() <= size_t(exp) + 1) {
            out = digits + std::string(size_t(exp) + 1 - digits.size(), '0');
        } else {
            out = digits.substr(0, size_t(exp) + 1) + "." + digits.substr(size_t(exp) + 1);
        }
    }
    return neg ? "-" + out : out;
}

bool TryStrToFloat(std::string_view s, long double& out) {
    std::string t = Trim(s);
    if (t.empty()) return false;
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E')) return false;
    const char* b = t.data();
    const char* e = b + t.size();
    if (*b == '+') {  // from_chars takes no plus sign
        ++b;
        if (b == e || *b == '-') return false;
    }
    long double v = 0;
    auto res = std::from_chars(b, e, v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != e) return false;
    out = v;
    return true;
}

long double StrToFloat(std::string_view s) {
    long double v;
    if (!TryStrToFloat(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
    return v;
}

std::string CurrToStr(Currency c) {
    uint64_t u = c.Units < 0 ? uint64_t(0) - uint64_t(c.Units) : uint64_t(c.Units);
    std::string s = std::to_string(u / Currency::Scale);
    uint64_t frac = u % Currency::Scale;
    if (frac != 0) {
        std::string f = std::to_string(frac);
        f = std::string(4 - f.size(), '0') + f;
        while (f.back() == '0') f.pop_back();
        s += "." + f;
    }
    return c.Units < 0 ? "-" + s : s;
}

Currency StrToCurr(std::string_view s) {
    long double v;
    if (!TryStrToFloat(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
    try {
        return Currency::FromFloat(v);
    } catch (const ERangeError&) {
        throw EConvertError("'" + std::string(s) + "' is not a valid currency value");
    }
}

// ---- TVRec -----------------------------------------------------------------

namespace {

// A new value, set up by set.
template <class F>
TVRec* Made(F set) {
    TVRec* v = TVRec::Create();
    set(*v);
    return v;
}

}  // namespace

TVRec* TVRec::CreateString(std::string_view s) { return Made([&](TVRec& v) { v.SetAsString(s); }); }
TVRec* TVRec::CreateInteger(int32_t i) { return Made([&](TVRec& v) { v.SetAsInt(i); }); }
TVRec* TVRec::CreateFloat(long double e) { return Made([&](TVRec& v) { v.SetAsFloat(e); }); }
TVRec* TVRec::CreateCurrency(Currency c) { return Made([&](TVRec& v) { v.SetAsCurr(c); }); }

TVRec* TVRec::CreateDate(double d) {
    return Made([&](TVRec& v) {
        v.Dom(vkDateTime);
        v.Value.D = d;
    });
}

TVRec* TVRec::CreateBoolean(bool b) {
    return Made([&](TVRec& v) {
        v.Dom(vkBoolean);
        v.Value.B = b ? 1 : 0;
    });
}

TVRec* TVRec::CreateObject(TObject* o) {
    return Made([&](TVRec& v) {
        v.Dom(vkObject);
        v.Value.O = o;
    });
}

void TVRec::Release(TVRec* v) {
    if (v != nullptr && --v->RefCount <= 0) delete v;
}

void TVRec::Dom(int32_t code) {
    Domain = code;
    Kind = code;
    IsNull = false;
}

void TVRec::Assign(const TVRec* source) {
    if (source == nullptr || source == this) return;
    Kind = source->Kind;
    Domain = source->Domain;
    Value = source->Value;
    StrValue = source->StrValue;
}

void TVRec::CheckBase(int32_t code) const {
    if (Kind != code) SysError(seKindMismatch);
}

void TVRec::SetAsInt(int32_t i) {
    Dom(vkInteger);
    Value.I = i;
}

void TVRec::SetAsFloat(long double e) {
    Dom(vkFloat);
    Value.E = e;
}

void TVRec::SetAsCurr(Currency c) {
    Dom(vkCurrency);
    Value.C = c.Units;
}

void TVRec::SetAsString(std::string_view s) {
    Dom(vkString);
    StrValue = std::string(s);
}

namespace {

// Currency units to the nearest whole number, halves to even, exactly.
int64_t UnitsToWhole(int64_t units) {
    int64_t q = units / Currency::Scale;
    int64_t r = units % Currency::Scale;  // same sign as units
    int64_t twice = 2 * (r < 0 ? -r : r);
    if (twice > Currency::Scale || (twice == Currency::Scale && (q % 2) != 0)) q += units < 0 ? -1 : 1;
    return q;
}

}  // namespace

int32_t TVRec::GetAsInt() const {
    switch (Kind) {
        case vkString: return StrToInt(StrValue);
        case vkInteger: return Value.I;
        case vkFloat: return RoundToInt32(Value.E);
        case vkDateTime: return 0;
        case vkBoolean: return Value.B ? 1 : 0;
        case vkCurrency: {
            int64_t q = UnitsToWhole(Value.C);
            if (q < INT32_MIN || q > INT32_MAX) throw ERangeError("Range check error");
            return int32_t(q);
        }
        default: return 0;
    }
}

long double TVRec::GetAsFloat() const {
    switch (Kind) {
        case vkString: return StrToFloat(StrValue);
        case vkInteger: return Value.I;
        case vkFloat: return Value.E;
        case vkDateTime: return Value.D;
        case vkBoolean: return Value.B ? 1 : 0;
        case vkCurrency: return Currency{Value.C}.ToFloat();
        default: return 0;
    }
}

Currency TVRec::GetAsCurr() const {
    switch (Kind) {
        case vkString: return StrToCurr(StrValue);
        case vkInteger: return Currency::FromInt(Value.I);
        case vkFloat: return Currency::FromFloat(Value.E);
        case vkDateTime: return Currency::FromFloat(Value.D);
        case vkBoolean: return Currency::FromInt(Value.B ? 1 : 0);
        case vkCurrency: return Currency{Value.C};
        default: return Currency{};
    }
}

std::string TVRec::GetAsString() const {
    switch (Kind) {
        case vkString: return StrValue;
        case vkInteger: return IntToStr(Value.I);
        case vkFloat: return FloatToStr(Value.E);
        case vkDateTime: return DateTimeToStr(Value.D);
        case vkCurrency: return CurrToStr(Currency{Value.C});
        default: return std::string();  // Boolean, object and unknown kinds
    }
}

bool TVRec::Equal(const TVRec* other) const {
    if (other == nullptr || Domain != other->Domain || IsNull != other->IsNull) return false;
    if (Kind != other->Kind) return false;
    switch (Kind) {
        case vkString: return StrValue == other->StrValue;
        case vkInteger: return Value.I == other->Value.I;
        case vkFloat: return Value.E == other->Value.E;
        case vkDateTime: return Value.D == other->Value.D;
        case vkBoolean: return Value.B == other->Value.B;
        case vkCurrency: return Value.C == other->Value.C;
        default:
            // Nothing to compare between two null values.
            if (IsNull) return true;
            SysError(seWrongType);
    }
}

void TVRec::SaveToStream(TStream& stream) const {
    // Check what cannot be written before writing anything.
    float single = 0;
    if (Kind == vkFloat) {
        if (std::isfinite(Value.E) && std::fabs(Value.E) > (long double)FLT_MAX)
            throw ERangeError("Range check error: float value too large to store");
        single = float(Value.E);
    }
    WriteInteger(stream, Domain);
    WriteInteger(stream, Kind);
    switch (Kind) {
        case vkString: WriteAnsiString(stream, StrValue); break;
        case vkInteger: WriteInteger(stream, Value.I); break;
        case vkObject: WriteInteger(stream, 0); break;  // a reference does not outlive the process
        case vkFloat: WriteFloat(stream, single); break;
        case vkDateTime: {
            uint64_t u;
            std::memcpy(&u, &Value.D, 8);
            WriteInteger(stream, int32_t(uint32_t(u)));
            WriteInteger(stream, int32_t(uint32_t(u >> 32)));
            break;
        }
        case vkBoolean: WriteByte(stream, Value.B ? 1 : 0); break;
        default: break;  // currency and unknown kinds store nothing
    }
}

void TVRec::LoadFromStream(TStream& stream) {
    int32_t domain = ReadInteger(stream);
    int32_t kind = ReadInteger(stream);
    decltype(Value) value;
    std::string str;
    switch (kind) {
        case vkString: ReadAnsiString(stream, str); break;
        case vkInteger: value.I = ReadInteger(stream); break;
        case vkObject: ReadInteger(stream); break;  // the stored reference means nothing now
        case vkFloat: value.E = ReadFloat(stream); break;
        case vkDateTime: {
            uint64_t lo = uint32_t(ReadInteger(stream));
            uint64_t hi = uint32_t(ReadInteger(stream));
            uint64_t u = lo | (hi << 32);
            std::memcpy(&value.D, &u, 8);
            break;
        }
        case vkBoolean: value.B = ReadByte(stream) ? 1 : 0; break;
        default: break;
    }
    // Only a complete read changes the value.
    Domain = domain;
    Kind = kind;
    Value = value;
    StrValue = std::move(str);
}

}  // namespace velt

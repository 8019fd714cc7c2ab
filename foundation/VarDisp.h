#pragma once
// Late-bound calls on variants of dispatch type: the variant record, and
// the one replaceable dispatcher of the process that answers calls by name
// (a package installs its own at start-up and puts the saved one back when
// it unloads).

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace velt {

inline constexpr uint16_t varEmpty = 0;
inline constexpr uint16_t varDispatch = 9;

// The variant record: its type, three reserved words and the data.
struct TVarData {
    uint16_t VType = varEmpty;
    uint16_t Reserved1 = 0;
    uint16_t Reserved2 = 0;
    uint16_t Reserved3 = 0;
    void* VPointer = nullptr;
};
static_assert(sizeof(TVarData) == 16, "a variant record is 16 bytes");
static_assert(offsetof(TVarData, Reserved1) == 2 && offsetof(TVarData, VPointer) == 8);

// Call types of a late-bound call.
inline constexpr int DISPATCH_METHOD = 1;
inline constexpr int DISPATCH_PROPERTYGET = 2;
inline constexpr int DISPATCH_PROPERTYPUT = 4;

// An argument or result: nothing, an integer, a boolean or a string.
using TVarValue = std::variant<std::monostate, int32_t, bool, std::string>;

// Answers a call of type callType to the member name of instance.
using TVarDispProc = void (*)(TVarValue* result, const TVarData& instance, int callType, const std::string& name,
                              const std::vector<TVarValue>& args);

// Makes proc the dispatcher (null puts the default back); answers the one
// it replaces. The default raises an Exception naming the member.
TVarDispProc SetVarDispProc(TVarDispProc proc);
TVarDispProc GetVarDispProc();

// A late-bound call through the dispatcher; a variant that is not of
// dispatch type raises an Exception.
TVarValue DispInvoke(const TVarData& instance, int callType, const std::string& name,
                     const std::vector<TVarValue>& args);
// instance.name := value.
void DispPut(const TVarData& instance, const std::string& name, const TVarValue& value);

}  // namespace velt

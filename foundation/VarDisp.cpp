#include "foundation/VarDisp.h"

#include <atomic>

#include "foundation/SysUtils.h"

namespace velt {

namespace {

void DefaultDispatch(TVarValue*, const TVarData&, int, const std::string& name, const std::vector<TVarValue>&) {
    throw Exception("No late-bound dispatcher answers the call of " + name);
}

std::atomic<TVarDispProc> dispProc{&DefaultDispatch};

}  // namespace

TVarDispProc SetVarDispProc(TVarDispProc proc) { return dispProc.exchange(proc ? proc : &DefaultDispatch); }

TVarDispProc GetVarDispProc() { return dispProc.load(); }

TVarValue DispInvoke(const TVarData& instance, int callType, const std::string& name,
                     const std::vector<TVarValue>& args) {
    if (instance.VType != varDispatch) throw Exception("Late-bound call of " + name + " on a variant that is not a dispatch variant");
    TVarValue result;
    dispProc.load()(&result, instance, callType, name, args);
    return result;
}

void DispPut(const TVarData& instance, const std::string& name, const TVarValue& value) {
    DispInvoke(instance, DISPATCH_PROPERTYPUT, name, {value});
}

}  // namespace velt

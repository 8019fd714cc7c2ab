// The unit model on arbitrary text: sections, the unit and class lists,
// every search and the generators must neither crash nor hang nor read or
// write outside the lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/CommMsg.h"
#include "source/SourceCode.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt;
    fuzz::Silence();
    TISourceCode src;
    src.SetLinesText(std::string_view(reinterpret_cast<const char*>(data), size));
    src.CaseSensitive = size > 0 && (data[0] & 1);
    src.ValidateLines();

    TUnitComponentList unitList;
    src.ParseUnit(unitList);
    const int n = src.Lines->Count();
    std::string c, m, name, type, text;
    int line = 0;
    for (int j = 0; j < unitList.GetCount(); ++j) {
        TUnitComponent u = unitList.GetUnitComponent(j);
        TClassComponentList members;
        src.ParseClass(u.Name, members);
        src.RefineVirtualClass(members);
        src.RefineClass(members, members);
        for (int k = 0; k < members.GetCount() && k < 8; ++k) {
            TClassComponent mc = members.GetClassComponent(k);
            src.FindMethodIntf(u.Name, mc.Name, line);
            src.FindMethodImpl(u.Name, mc.Name, line);
            src.FindProperty(u.Name, mc.Name, line);
            std::string b, a;
            src.FindMethodIntfNeighbours(u.Name, mc.Name, b, a);
            src.FindMethodImplNeighbours(u.Name, mc.Name, b, a);
            src.LocateMethodImplPlace(u.Name, mc.Name);
            src.LocateMethodDeclPlace(u.Name, mc.Name);
        }
    }
    TPropertyInfo prop;
    for (int i = 0; i < n; ++i) {
        const std::string l = src.Lines->Get(i);
        src.isValidClass(l, name);
        src.isValidMethodDecl(l, name, true);
        src.isValidMethodDecl(l, name, false);
        src.isValidProperty(l, prop);
        src.isValidField(i, name, type);
        src.isValidType(i, name, text);
        src.ExtractClassAncestor(l);
        src.ExtractMethodHeader(l);
        src.ExtractMethodDirective(l);
        src.ExtractParamNames(l);
        src.FindDeclEnd(i);
        if (src.isValidMethodImpl(l, c, m)) {
            src.FindRoutineEnd(i);
            src.FindMethodIntf(c, m, line);
        }
        if (i % 7 == 0) {
            int at = i;
            src.isInsideClass(c, at);
            at = i;
            src.isInsideMethodImpl(c, m, at);
            at = i;
            src.FindScope("end", at);
            at = i;
            src.FindEndOfScope(i % 4, at);
            at = i;
            src.FindPrefix("begin", at);
            TStringList uses;
            src.ExtractUnitsUses(i, uses);
        }
    }
    // Generators on the first routine headers found, on the same text.
    int generated = 0;
    for (int i = 0; i < src.Lines->Count() && generated < 2; ++i) {
        const std::string l = src.Lines->Get(i);
        if (src.isValidMethodImpl(l, c, m)) {
            src.CreateMethodDeclByImpl(l);
            src.ValidateLines();
            ++generated;
            ++i;
        } else if (src.isValidMethodDecl(l, name, true) && src.isInsideClass(c, line = i)) {
            src.CreateMethodImplByDecl(l, c);
            src.ValidateLines();
            ++generated;
            ++i;
        }
    }
    SetMessageSink(nullptr);
    return 0;
}

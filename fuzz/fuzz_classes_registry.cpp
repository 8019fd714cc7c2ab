// Loads arbitrary bytes as the Classes Registry and searches it: the class
// source, unit and ancestor of a few names and their ancestor chains, which
// must end even when the registry holds cycles. Then registers a unit and a
// class named by the first lines of the input: whatever is accepted must come
// back unchanged from the saved text.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "foundation/SysUtils.h"
#include "source/ClassesRegistry.h"

using namespace velt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TClassesRegistry reg;
    reg.LoadFromText(text);

    std::vector<std::string> names = {"TObject", "TFoo", "", "="};
    for (int i = 0; i < reg.Ini().Count() && names.size() < 12; ++i)
        if (TStringList* lines = reg.Ini().SectionLines(reg.Ini()[i]))
            for (int k = 0; k < lines->Count() && k < 3; ++k) names.push_back(lines->Names(k));

    for (const std::string& name : names) {
        std::string file, unit, ancestor;
        (void)reg.FindClassSource(name, file);
        (void)reg.FindClassUnit(name, unit);
        (void)reg.FindAncestor(name, ancestor);
        const std::vector<std::string> chain = reg.Ancestors(name);
        std::set<std::string> seen = {UpperCase(name)};
        for (const std::string& a : chain)
            if (a.empty() || !seen.insert(UpperCase(a)).second) __builtin_trap();
    }

    // Round trip of the names the registry accepts.
    const std::vector<std::string> parts = SplitLines(text);
    if (parts.size() >= 3) {
        TClassesRegistry fresh;
        try {
            fresh.RegisterUnit(parts[0]);
            fresh.RegisterClass(parts[0], parts[1], parts[2]);
        } catch (const EClassesRegistry&) {
            return 0;
        }
        TClassesRegistry again;
        again.LoadFromText(fresh.Ini().IniText());
        std::string file, ancestor;
        if (!again.FindClassSource(parts[1], file) || file != parts[0]) __builtin_trap();
        if (!again.FindAncestor(parts[1], ancestor) || ancestor != Trim(parts[2])) __builtin_trap();
        if (again.Ini().IniText() != fresh.Ini().IniText()) __builtin_trap();
    }
    return 0;
}

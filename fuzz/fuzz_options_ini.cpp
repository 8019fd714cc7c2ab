// The INI value store over arbitrary text: every section's keys read back
// through ReadValueDef, a value cut from the input is written and read
// back without its surrounding blanks, a section is erased; the store's text loads again to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/SysUtils.h"
#include "graphics/Options.h"

using namespace velt;
using Options::TOptionsStore;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TOptionsStore store("", text);
    const TMemIni& ini = store.Ini();
    for (int i = 0; i < ini.Count(); ++i) {
        TStringList keys;
        store.ReadSection(ini[i], keys);
        for (int k = 0; k < keys.Count(); ++k)
            if (store.ReadValueDef(ini[i], keys[k], "\x01") != store.ReadValue(ini[i], keys[k])) std::abort();
    }
    const size_t cut = size / 2;
    const std::string value = text.substr(cut);
    try {
        store.WriteValue("Palette", "C16", value);
        if (store.ReadValue("Palette", "C16") != Trim(value)) std::abort();  // read as the INI file reads
    } catch (const Exception&) {  // a line break the file cannot hold
    }
    if (ini.Count() > 0) {
        const std::string first = ini[0];  // the name goes with its section
        store.EraseSection(first);
    }
    TOptionsStore again("", ini.IniText());
    if (again.Ini().IniText() != ini.IniText()) std::abort();
    return 0;
}

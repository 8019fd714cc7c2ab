// Loads arbitrary bytes as INI text; saving, loading that and saving again
// must give the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/MemIni.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    velt::TMemIni ini;
    ini.AppendFromText(text);
    for (int i = 0; i < ini.Count(); ++i) {
        velt::TStringList lines;
        ini.ReadSectionValues(ini[i], lines);
        if (lines.Count() > 0) (void)ini.ReadString(ini[i], lines.Names(0), "");
    }
    std::string saved = ini.IniText();

    velt::TMemIni again;
    again.AppendFromText(saved);
    if (again.Count() != ini.Count() || again.IniText() != saved) std::abort();
    return 0;
}

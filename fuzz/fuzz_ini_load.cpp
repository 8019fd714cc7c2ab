// Loads arbitrary bytes as INI text and writes one value cut from them;
// saving, loading that and saving again must give the same text, and a value
// that WriteString accepted must read back unchanged.
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
    const size_t a = size / 3, b = 2 * size / 3;
    const std::string section = text.substr(0, a), name = text.substr(a, b - a), value = text.substr(b);
    bool written = true;
    try {
        ini.WriteString(section, name, value);
    } catch (const velt::Exception&) {
        written = false;  // what the file format cannot hold
    }
    std::string saved = ini.IniText();

    velt::TMemIni again;
    again.AppendFromText(saved);
    if (again.Count() != ini.Count() || again.IniText() != saved) std::abort();
    if (written && again.ReadString(section, name, "") != value) std::abort();
    return 0;
}

// Loads arbitrary bytes as "srcsafe.ini". Whatever loads must write out as
// text that loads again without a problem and means the same; every stored
// password hash is read with its counts and sizes bounded.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/vss/SrcSafeIni.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt::vss;
    TSrcSafeIni ini = ParseSrcSafeIni(std::string_view(reinterpret_cast<const char*>(data), size));
    std::string text = FormatSrcSafeIni(ini);
    TSrcSafeIni again = ParseSrcSafeIni(text);
    if (!again.Problems.empty() || again.DataFile != ini.DataFile || again.MultipleCheckouts != ini.MultipleCheckouts ||
        again.Users != ini.Users || FormatSrcSafeIni(again) != text)
        std::abort();
    for (const auto& [name, stored] : ini.Users) {
        TPasswordHash hash;
        if (ParsePasswordHash(stored, hash) &&
            (hash.Iterations == 0 || hash.Iterations > 10'000'000 || hash.Salt.empty() || hash.Salt.size() > 64 ||
             hash.Hash.size() != 32))
            std::abort();
    }
    return 0;
}

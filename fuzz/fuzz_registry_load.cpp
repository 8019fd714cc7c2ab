// Loads arbitrary bytes as a registry root file. Whatever loads must write
// out as text that loads again without a problem and writes out the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt::winreg;
    RegHive hive = ParseRegistryText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (hive.Problems.size() > hive.ProblemCount) std::abort();
    std::string saved = FormatRegistryText(hive.Root);
    RegHive again = ParseRegistryText(saved);
    if (again.ProblemCount != 0 || FormatRegistryText(again.Root) != saved) std::abort();
    return 0;
}

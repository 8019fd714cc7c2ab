#pragma once
// What the round-trip fuzz targets compare: the bytes a memory stream holds.
#include <string>

#include "foundation/Classes.h"

namespace velt::fuzz {

inline std::string Bytes(const TMemoryStream& m) { return std::string(m.Memory(), size_t(m.Size())); }

}  // namespace velt::fuzz

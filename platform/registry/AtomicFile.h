#pragma once
// Replacing a file so that it is never lost or seen half written: the data
// goes to a temporary file beside it, which is flushed and renamed over it.
// The registry files and every save of the foundation go through here.

#include <cstddef>
#include <string>

namespace velt {

enum class TAtomicWriteResult { Ok, CannotCreate, CannotWrite };

// Writes size bytes to fileName through a uniquely named temporary file in
// the same folder. The new file keeps the mode of the file it replaces and
// its owner where the process may set it; a new file gets mode 0644. On
// failure the temporary file is removed and the old file is left as it was.
TAtomicWriteResult WriteFileAtomically(const std::string& fileName, const void* data, size_t size);

}  // namespace velt

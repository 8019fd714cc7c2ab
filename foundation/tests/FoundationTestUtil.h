#pragma once
// Small helpers shared by the foundation tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/Classes.h"

namespace velt::test {

// The whole content of a memory stream as a byte string.
inline std::string Bytes(const TMemoryStream& m) { return std::string(m.Memory(), size_t(m.Size())); }

// A memory stream holding the bytes, positioned at its start.
inline TMemoryStream StreamOf(const std::vector<uint8_t>& bytes) {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(0);
    return s;
}

// Expects f to raise the record lists' "General List Error".
inline void ExpectListError(const std::function<void()>& f) {
    try {
        f();
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "General List Error");
    }
}

}  // namespace velt::test

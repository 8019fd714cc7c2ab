#pragma once
// Small helpers shared by the foundation tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/IDList.h"
#include "foundation/SysExcpt.h"

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

inline TMemoryStream StreamOf(std::string_view bytes) {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(0);
    return s;
}

// Two hex digits a byte, spaced: "FE 01".
inline std::string Hex(std::string_view bytes) {
    std::string r;
    for (unsigned char c : bytes) r += IntToHex(c, 2) + " ";
    if (!r.empty()) r.pop_back();
    return r;
}

// The message of the E that f raises; a failure when it raises none.
template <class E = Exception, class F>
std::string MessageOf(F f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    }
    ADD_FAILURE() << "nothing raised";
    return "(nothing raised)";
}

// The ESysException that f raises; a failure when it raises none.
template <class F>
ESysException SysRaised(F f) {
    try {
        f();
    } catch (const ESysException& e) {
        return e;
    }
    ADD_FAILURE() << "no ESysException";
    return ESysException(0);
}

template <class F>
int32_t SysCodeOf(F f) {
    return SysRaised(f).Code;
}

// Record i of the list as a T.
template <class T>
T RecordAt(const TGeneralList& list, int i) {
    T r;
    std::memcpy(&r, list.GetItem(i), sizeof r);
    return r;
}

// The IDs of the list, in order.
inline std::vector<int32_t> IDs(const TIDList& list) {
    std::vector<int32_t> v;
    for (int i = 0; i < list.GetCount(); ++i) v.push_back(list.GetID(i));
    return v;
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

// A folder of its own for one test, removed with the object. Tests run side
// by side under CTest, so every folder name is unique.
class TTempFolder {
public:
    TTempFolder() {
        std::string tmpl = ::testing::TempDir() + "velt-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) throw EInOutError("cannot create a temporary folder");
        Dir = tmpl;
    }
    ~TTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // The full name of a file in the folder.
    std::string Path(const std::string& name) const { return (Dir / name).string(); }
    // Writes a file in the folder and answers its full name.
    std::string Write(const std::string& name, std::string_view text) const {
        std::string path = Path(name);
        AtomicWriteFile(path, text.data(), text.size());
        return path;
    }

    std::filesystem::path Dir;
};

}  // namespace velt::test

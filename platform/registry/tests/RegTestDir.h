#pragma once
// Each test gets its own registry folder through VELT_REGISTRY_DIR.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace velt::winreg::regtest {

// The whole content of a file; "" when it is missing.
inline std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RegistryDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = ::testing::TempDir() + "velt-reg-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl + "/";
        ::setenv("VELT_REGISTRY_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("VELT_REGISTRY_DIR");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string dir_;
};

}  // namespace velt::winreg::regtest

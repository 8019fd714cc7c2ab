#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "platform/registry/tests/RegTestDir.h"

using namespace velt::winreg;
using namespace std::string_literals;

namespace {

class RegistryApi : public regtest::RegistryDirTest {
protected:
    static int32_t TryCreate(HKEY parent, const char* path, HKEY* k, REGSAM access = KEY_ALL_ACCESS,
                             uint32_t* disp = nullptr) {
        return RegCreateKeyExA(parent, path, 0, nullptr, 0, access, nullptr, k, disp);
    }
    static HKEY Create(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS, uint32_t* disp = nullptr) {
        HKEY k{};
        EXPECT_EQ(TryCreate(parent, path, &k, access, disp), ERROR_SUCCESS);
        return k;
    }
    static int32_t SetSz(HKEY k, const char* name, const std::string& s) {
        return RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const uint8_t*>(s.c_str()),
                              uint32_t(s.size() + 1));
    }
    static int32_t SetDword(HKEY k, const char* name, uint32_t v) {
        return RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const uint8_t*>(&v), 4);
    }
    static std::string Query(HKEY k, const char* name, uint32_t* type = nullptr) {
        uint32_t size = 0;
        if (RegQueryValueExA(k, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return "<missing>";
        std::string buf(size, '?');
        EXPECT_EQ(RegQueryValueExA(k, name, nullptr, nullptr, reinterpret_cast<uint8_t*>(buf.data()), &size),
                  ERROR_SUCCESS);
        buf.resize(size);
        return buf;
    }
    static std::vector<std::string> Enum(HKEY k) {
        std::vector<std::string> out;
        char name[256];
        for (uint32_t i = 0;; ++i) {
            uint32_t size = sizeof name;
            if (RegEnumKeyExA(k, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            out.emplace_back(name, size);
        }
        return out;
    }
    std::string FileText(const char* name = "HKCU.reg") const { return regtest::ReadFileText(dir_ + name); }
};

}  // namespace

TEST_F(RegistryApi, SettingsPathIsCreatedOnceAndFoundCaseInsensitively) {
    uint32_t disp = 0;
    HKEY k = Create(HKEY_CURRENT_USER, "Software\\Trel\\VELT Services for Delphi\\Loom/2 Services",
                    KEY_ALL_ACCESS, &disp);
    EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetDword(k, "CaseSensitive", 1), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);

    HKEY again = Create(HKEY_CURRENT_USER, "SOFTWARE\\trel\\velt services for delphi\\LOOM/2 SERVICES",
                        KEY_ALL_ACCESS, &disp);
    EXPECT_EQ(disp, REG_OPENED_EXISTING_KEY);
    uint32_t type = 0;
    EXPECT_EQ(Query(again, "casesensitive", &type), "\x01\0\0\0"s);
    EXPECT_EQ(type, REG_DWORD);
    RegCloseKey(again);

    // The slash is part of the key name: no "Loom" key, and the spelling is kept.
    HKEY vs{};
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\TREL\\VELT Services for Delphi", 0, KEY_READ, &vs),
              ERROR_SUCCESS);
    EXPECT_EQ(Enum(vs), std::vector<std::string>{"Loom/2 Services"});
    HKEY none{};
    EXPECT_EQ(RegOpenKeyExA(vs, "Loom", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
    RegCloseKey(vs);
    EXPECT_NE(FileText().find("[Software\\Trel\\VELT Services for Delphi\\Loom/2 Services]"), std::string::npos);
    EXPECT_EQ(FileText("HKLM.reg"), "");  // roots are separate files
}

TEST_F(RegistryApi, ValuesKeepFirstSpellingAndQuerySizes) {
    HKEY k = Create(HKEY_CURRENT_USER, "Software\\App");
    ASSERT_EQ(SetSz(k, "LastUser", "alice"), ERROR_SUCCESS);
    ASSERT_EQ(SetSz(k, "LASTUSER", "bob"), ERROR_SUCCESS);
    EXPECT_NE(FileText().find("\"LastUser\"=sz:\"bob\""), std::string::npos) << FileText();

    uint32_t size = 2, type = 0;
    char small[2];
    EXPECT_EQ(RegQueryValueExA(k, "lastuser", nullptr, &type, reinterpret_cast<uint8_t*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(Query(k, "lastuser"), "bob\0"s);
    EXPECT_EQ(RegQueryValueExA(k, "nothing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

    // Empty string: one NUL byte; the default value has a null name.
    ASSERT_EQ(SetSz(k, "Empty", ""), ERROR_SUCCESS);
    EXPECT_EQ(Query(k, "Empty"), "\0"s);
    ASSERT_EQ(SetSz(k, nullptr, "default"), ERROR_SUCCESS);
    EXPECT_EQ(Query(k, ""), "default\0"s);

    EXPECT_EQ(RegDeleteValueA(k, "EMPTY"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(k, "Empty"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Query(k, "Empty"), "<missing>");
    RegCloseKey(k);
}

TEST_F(RegistryApi, EnumerationAndDeletion) {
    HKEY k = Create(HKEY_CURRENT_USER, "Root\\");  // trailing separator ignored
    RegCloseKey(Create(k, "beta"));
    RegCloseKey(Create(k, "Alpha\\Inner"));
    RegCloseKey(Create(k, "gamma"));
    EXPECT_EQ(Enum(k), (std::vector<std::string>{"Alpha", "beta", "gamma"}));

    char name[4];
    uint32_t size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(k, 2, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(k, 3, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    EXPECT_EQ(RegDeleteKeyA(k, "alpha"), ERROR_ACCESS_DENIED);  // still has a sub key
    EXPECT_EQ(RegDeleteKeyA(k, "ALPHA\\inner"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(k, "alpha"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(k, "alpha"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Enum(k), (std::vector<std::string>{"beta", "gamma"}));

    HKEY beta = Create(k, "Beta");
    EXPECT_EQ(RegDeleteKeyA(k, "beta"), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(beta, "x", 1), ERROR_KEY_DELETED);
    EXPECT_EQ(Enum(beta), std::vector<std::string>{});
    RegCloseKey(beta);
    RegCloseKey(k);
}

TEST_F(RegistryApi, BadPathsHandlesAndAccess) {
    HKEY k{};
    EXPECT_EQ(TryCreate(HKEY_CURRENT_USER, "\\lead", &k), ERROR_BAD_PATHNAME);
    EXPECT_EQ(TryCreate(HKEY_CURRENT_USER, "a\\\\b", &k), ERROR_BAD_PATHNAME);
    EXPECT_EQ(TryCreate(HKEY_CURRENT_USER, std::string(256, 'x').c_str(), &k), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "x", 0, KEY_READ, &k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(HKEY(12345), "x", 0, KEY_READ, &k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(FileText(), "");  // nothing was written by failed calls

    HKEY rw = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Trel\\VELT Services for Delphi", 0x2001F);
    ASSERT_EQ(SetSz(rw, "RootDir", "/opt/velt"), ERROR_SUCCESS);
    HKEY ro{};
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\trel\\velt services for delphi", 0, KEY_READ, &ro),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(ro, "rootdir"), "/opt/velt\0"s);
    EXPECT_EQ(SetSz(ro, "RootDir", "/tmp"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(ro, "RootDir"), ERROR_ACCESS_DENIED);
    HKEY child{};
    EXPECT_EQ(TryCreate(ro, "New", &child, KEY_READ), ERROR_ACCESS_DENIED);
    RegCloseKey(ro);
    RegCloseKey(rw);
    EXPECT_NE(FileText("HKLM.reg").find("RootDir"), std::string::npos);
}

TEST_F(RegistryApi, WritesReplaceTheFileAtomically) {
    HKEY k = Create(HKEY_CURRENT_USER, "Atomic");
    ASSERT_EQ(SetSz(k, "v", "one"), ERROR_SUCCESS);
    std::string file = dir_ + "HKCU.reg";
    int oldFd = ::open(file.c_str(), O_RDONLY);
    ASSERT_GE(oldFd, 0);
    struct stat before, after;
    ASSERT_EQ(::fstat(oldFd, &before), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    ASSERT_EQ(SetSz(k, "v", "two"), ERROR_SUCCESS);
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);  // a new file was renamed into place
    EXPECT_EQ(after.st_mode & 07777, 0600u);  // with the mode of the old one

    // A reader that opened the old file still reads it whole.
    std::string old(4096, '\0');
    ssize_t n = ::read(oldFd, old.data(), old.size());
    ::close(oldFd);
    ASSERT_GT(n, 0);
    old.resize(size_t(n));
    EXPECT_NE(old.find("\"v\"=sz:\"one\""), std::string::npos);
    EXPECT_EQ(ParseRegistryText(old).ProblemCount, 0u);

    // Writing the same value again changes nothing on disk.
    ASSERT_EQ(SetSz(k, "v", "two"), ERROR_SUCCESS);
    struct stat same;
    ASSERT_EQ(::stat(file.c_str(), &same), 0);
    EXPECT_EQ(same.st_ino, after.st_ino);
    RegCloseKey(k);

    for (auto& e : std::filesystem::directory_iterator(dir_)) {
        std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "HKCU.reg" || name == "HKCU.reg.lock") << name;
    }
}

TEST_F(RegistryApi, DamagedFileLoadsWhatItCanAndIsKeptBeforeRewrite) {
    const std::string damaged = "[Keep]\n\"good\"=dword:5\nthis line is damaged\n";
    std::ofstream(dir_ + "HKCU.reg", std::ios::binary) << damaged;
    HKEY k{};
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "keep", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    EXPECT_EQ(Query(k, "GOOD"), "\x05\0\0\0"s);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "HKCU.reg.bak"));  // reading changes nothing
    ASSERT_EQ(SetDword(k, "more", 6), ERROR_SUCCESS);
    EXPECT_EQ(FileText("HKCU.reg.bak"), damaged);
    EXPECT_EQ(ParseRegistryText(FileText()).ProblemCount, 0u);
    EXPECT_EQ(Query(k, "good"), "\x05\0\0\0"s);
    RegCloseKey(k);
}

TEST_F(RegistryApi, FolderComesFromTheEnvironment) {
    EXPECT_EQ(RegistryFolder(), dir_);
    EXPECT_EQ(RegistryFileName(HKEY_LOCAL_MACHINE), dir_ + "HKLM.reg");
    const char* home = std::getenv("HOME");
    std::string savedHome = home ? home : "";
    ::unsetenv("VELT_REGISTRY_DIR");
    ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(RegistryFolder(), "/xdg/velt/");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(RegistryFolder(), "/home/someone/.config/velt/");
    EXPECT_EQ(RegistryFileName(HKEY_USERS), "");
    if (home) ::setenv("HOME", savedHome.c_str(), 1);

    // A folder that cannot be made is a write error, not a crash.
    ::setenv("VELT_REGISTRY_DIR", (dir_ + "HKCU.reg.lock/sub").c_str(), 1);
    ::close(::open((dir_ + "HKCU.reg.lock").c_str(), O_CREAT | O_WRONLY, 0644));
    HKEY k{};
    EXPECT_EQ(TryCreate(HKEY_CURRENT_USER, "x", &k), ERROR_CANTWRITE);
}

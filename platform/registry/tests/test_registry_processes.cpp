// Several processes on one hive: writers must lose nothing, readers must
// never see a half-written file or a value disappear.
#include <cstdio>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "platform/registry/tests/RegTestDir.h"

using namespace velt::winreg;

namespace {

constexpr int kWriters = 4;
constexpr int kWritesEach = 40;

std::string ValueName(int writer, int i) { return "w" + std::to_string(writer) + "_" + std::to_string(i); }

// Every writer races to create the shared key and one of its own.
std::string KeyPath(int writer, int i) { return i % 2 ? "Shared\\Key" : "Shared\\Key\\Own" + std::to_string(writer); }

int RunWriter(int w) {
    for (int i = 0; i < kWritesEach; ++i) {
        HKEY k{};
        if (RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(w, i).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr) != ERROR_SUCCESS)
            return 1;
        uint32_t v = uint32_t(w * 1000 + i);
        int32_t st = RegSetValueExA(k, ValueName(w, i).c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const uint8_t*>(&v), 4);
        RegCloseKey(k);
        if (st != ERROR_SUCCESS) return 2;
    }
    return 0;
}

// Counts the values it can see; the count may only grow.
int RunReader(const std::string& stopFile) {
    size_t seen = 0;
    for (bool last = false; !last;) {
        last = access(stopFile.c_str(), F_OK) == 0;
        RegHive hive = ParseRegistryText(regtest::ReadFileText(RegistryFileName(HKEY_CURRENT_USER)));
        if (hive.ProblemCount) return 3;
        size_t count = 0;
        if (RegNode* shared = hive.Root.FindSubKey("shared")) {
            if (RegNode* key = shared->FindSubKey("key")) {
                count += key->Values.size();
                for (auto& [name, own] : key->SubKeys) count += own->Values.size();
            }
        }
        if (count < seen) return 4;
        seen = count;
        HKEY k{};
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Shared\\Key", 0, KEY_READ, &k) == ERROR_SUCCESS) {
            uint32_t size = 0;
            int32_t st = RegQueryValueExA(k, "W0_1", nullptr, nullptr, nullptr, &size);
            RegCloseKey(k);
            if (st != ERROR_SUCCESS && st != ERROR_FILE_NOT_FOUND) return 5;
        }
    }
    return seen == size_t(kWriters * kWritesEach) ? 0 : 6;
}

class RegistryProcesses : public regtest::RegistryDirTest {};

}  // namespace

TEST_F(RegistryProcesses, ConcurrentWritersLoseNothingAndReadersSeeWholeFiles) {
    std::string stopFile = dir_ + "stop";
    std::vector<pid_t> readers, writers;
    for (int r = 0; r < 2; ++r) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) _exit(RunReader(stopFile));
        readers.push_back(pid);
    }
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) _exit(RunWriter(w));
        writers.push_back(pid);
    }
    auto expectCleanExit = [](const std::vector<pid_t>& pids, const char* who) {
        for (pid_t pid : pids) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << who << " status " << status;
        }
    };
    expectCleanExit(writers, "writer");
    std::fclose(std::fopen(stopFile.c_str(), "w"));
    expectCleanExit(readers, "reader");

    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kWritesEach; ++i) {
            HKEY k{};
            ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(w, i).c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
            uint32_t v = 0, size = 4, type = 0;
            EXPECT_EQ(RegQueryValueExA(k, ValueName(w, i).c_str(), nullptr, &type,
                                       reinterpret_cast<uint8_t*>(&v), &size),
                      ERROR_SUCCESS)
                << ValueName(w, i);
            EXPECT_EQ(v, uint32_t(w * 1000 + i));
            RegCloseKey(k);
        }
    }
}

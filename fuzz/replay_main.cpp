// Runs a fuzz target over every file of its seed corpus, so the test build
// replays the corpus under the sanitizers without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int files = 0;
    for (int a = 1; a < argc; ++a) {
        std::vector<fs::path> paths;
        if (fs::is_directory(argv[a])) {
            for (auto& e : fs::recursive_directory_iterator(argv[a]))
                if (e.is_regular_file()) paths.push_back(e.path());
        } else if (fs::exists(argv[a])) {
            paths.push_back(argv[a]);
        }
        for (auto& p : paths) {
            std::ifstream in(p, std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++files;
        }
    }
    // An empty input is always worth one run.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("replayed %d corpus files\n", files);
    return 0;
}

// Runs a fuzz target's entry point once on every file named on the command
// line, or every file in a named directory: the checked-in seeds and the inputs
// that once found a fault. Built with any compiler, without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::set<fs::path> inputs;  // in name order, the same on every run
    for (int i = 1; i < argc; ++i) {
        fs::path named = fs::absolute(argv[i]);
        if (fs::is_directory(named)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(named))
                if (entry.is_regular_file()) inputs.insert(entry.path());
        } else {
            inputs.insert(named);
        }
    }
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 1;
        }
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "replaying %s\n", path.c_str());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::fprintf(stderr, "replayed %zu inputs\n", inputs.size());
    return 0;
}

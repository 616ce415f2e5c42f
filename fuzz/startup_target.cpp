// Fuzz target: the start-up files. The input holds vorn.cfg, vorn.lag and the
// two command-line dates, cut at "\n==\n"; the bank is the small one.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "run/config.h"

namespace {

// Command-line words are short; a longer date part is cut.
constexpr size_t kMaxDateText = 40;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts = splitFuzzInput(data, size, 4);
    runFuzzInput([&] {
        copyFuzzBank("bws");
        writeFuzzFile("vorn.cfg", parts[0]);
        writeFuzzFile("vorn.lag", parts[1]);
        std::string date1 = parts[2].substr(0, kMaxDateText).c_str();
        std::string date2 = parts[3].substr(0, kMaxDateText).c_str();
        char* argv[] = {const_cast<char*>("vorn"), date1.data(), date2.data(), const_cast<char*>("model.fix")};
        configureRun(4, argv);
    });
    return 0;
}

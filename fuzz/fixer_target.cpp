// Fuzz target: arbitrary bytes as the fix file of a run on the small bank, read
// by the fixer as the run would read it after start-up (console input empty).
#include <cstddef>
#include <cstdint>

#include "fixer/command_loop.h"
#include "fuzz_support.h"
#include "run/config.h"
#include "base/console.h"
#include "state/model_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runFuzzInput([&] {
        writeFuzzRunFiles();
        writeFuzzFile("model.fix", data, size);
        char* argv[] = {const_cast<char*>("vorn"), const_cast<char*>("1995.4"), const_cast<char*>("2000.4"),
                        const_cast<char*>("model.fix")};
        configureRun(4, argv);
        model.consoleInput = true;
        fixerLoop(console.in);
    });
    return 0;
}

// Fuzz target: the optimiser's specification. The input holds heart.dim,
// heart.dat and the specification file, cut at "\n==\n"; they are read as an
// optimiser run reads them.
#include <cstddef>
#include <cstdint>

#include "bank/bank_file.h"
#include "fuzz_support.h"
#include "optimiser/spec_file.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts = splitFuzzInput(data, size, 3);
    runFuzzInput([&] {
        writeFuzzFile("heart.dim", parts[0]);
        writeFuzzFile("heart.dat", parts[1]);
        writeFuzzFile("opt.spec", parts[2]);
        model.maximize = true;
        model.specFileName = "opt.spec";
        model.equationCount = readEquationDimensions();
        if (allocateWorkspace().error != BankError::none) return;
        readOptimiserSpec();
    });
    return 0;
}

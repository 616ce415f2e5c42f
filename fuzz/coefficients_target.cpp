// Fuzz target: the coefficient files. The input holds heart.dim and heart.dat,
// cut at "\n==\n"; both are read as a run reads them, with random coefficients
// drawn when the input's last byte is odd, into the allocated workspace.
#include <cstddef>
#include <cstdint>

#include "bank/bank_file.h"
#include "fuzz_support.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "stochastic/coefficient_draws.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts = splitFuzzInput(data, size, 2);
    runFuzzInput([&] {
        writeFuzzFile("heart.dim", parts[0]);
        writeFuzzFile("heart.dat", parts[1]);
        model.randomCoefficients = size > 0 && (data[size - 1] & 1) ? 1 : 0;
        model.random.seed = -1;
        model.equationCount = readEquationDimensions();
        if (allocateWorkspace().error != BankError::none) return;
        readCoefficients();
        if (model.randomCoefficients == 1) drawCoefficients();
    });
    return 0;
}

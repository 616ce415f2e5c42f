// Fuzz target: vornbank import of arbitrary bytes as the CSV file into a copy
// of the small bank.
#include <cstddef>
#include <cstdint>

#include "bank/bank_file.h"
#include "fuzz_support.h"
#include "vornbank.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    runFuzzInput([&] {
        copyFuzzBank("target");
        writeFuzzFile("input.csv", data, size);
        runImport({"target", "input.csv"});
    });
    return 0;
}

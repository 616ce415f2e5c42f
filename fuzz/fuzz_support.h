// Shared pieces of the fuzz targets: one scratch working directory per process,
// a quiet console, a fresh model record per input, input split into files, and
// a small bank made by the bank layer that targets copy before each input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/exit.h"

// Series of the small bank: quarterly, 1990.1 to 2009.4, values 1, 2, 3, ...
inline const std::vector<std::string> kFuzzSeriesNames = {
    "gdp_real", "consum", "invest", "govt", "imports", "exports", "prices", "wages", "inventory", "rate",
};

// The first call makes the scratch directory, enters it, sends the console to
// /dev/null and writes the small bank as fuzzbank.bnk/fuzzbank.ind.
void enterFuzzWorkdir();

// Writes bytes to a file of the scratch directory, replacing it.
void writeFuzzFile(const std::string& name, const uint8_t* data, size_t size);
void writeFuzzFile(const std::string& name, const std::string& bytes);

// Copies the small bank to stem.bnk and stem.ind.
void copyFuzzBank(const std::string& stem);

// Copies the small bank to bws.bnk and bws.ind and writes a vorn.cfg naming
// them and a vorn.lag of its series with one lag each.
void writeFuzzRunFiles();

// The input cut at each "\n==\n" into at most `count` parts; missing parts are empty.
std::vector<std::string> splitFuzzInput(const uint8_t* data, size_t size, size_t count);

// Reset of the model record and the reader before an input; release of the
// bank files and the record's resources after it.
void beginFuzzInput();
void endFuzzInput();

// Runs one input between those two: a fatal exit ends the input, not the process.
template <typename Body>
void runFuzzInput(Body body) {
    beginFuzzInput();
    try {
        body();
    } catch (const ProcessExit&) {
        // A fatal exit is one of the program's answers to a bad input.
    }
    endFuzzInput();
}

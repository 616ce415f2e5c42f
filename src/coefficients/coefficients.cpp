// heart.dim, read once at start-up, and heart.dat put into the coefficient
// tables at the start of every solution run (read from the file once, then
// from memory).
#include "coefficients/coefficients.h"

#include <cctype>
#include <cstring>
#include <string>

#include "base/console.h"
#include "base/owned_file.h"
#include "base/exit.h"
#include "state/model_state.h"

namespace {

constexpr size_t kMaxDimensionLine = 18;  // characters before the line end

// One line without its line end, or the first 19 characters of a longer one,
// which the caller refuses (a file that never ends a line is not read on);
// false at the end of the file with nothing read.
bool readDimensionLine(FILE* in, std::string& line) {
    line.clear();
    int c;
    while (line.size() <= kMaxDimensionLine && (c = std::getc(in)) != EOF && c != '\n')
        line.push_back(static_cast<char>(c));
    return line.size() > kMaxDimensionLine || c != EOF || !line.empty();
}

constexpr const char* kBlanks = " \t\r\v\f";

bool isBlank(char c) { return std::strchr(kBlanks, c) != nullptr && c != '\0'; }

// A whole number from 0 to 32767 starting at `from` after blanks. With
// `restIgnored` false only blanks may follow it.
bool parseCount(const std::string& line, size_t from, bool restIgnored, int16_t& count) {
    size_t at = from;
    while (at < line.size() && isBlank(line[at])) ++at;
    size_t digits = at;
    long value = 0;
    while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]))) {
        value = value * 10 + (line[at] - '0');
        if (value > INT16_MAX) return false;
        ++at;
    }
    if (at == digits) return false;
    if (!restIgnored) {
        while (at < line.size() && isBlank(line[at])) ++at;
        if (at != line.size()) return false;
    }
    count = static_cast<int16_t>(value);
    return true;
}

}  // namespace

OwnedFile openCoefficientInput(const char* path) {
    OwnedFile in(std::fopen(path, "r"));
    if (!in) {
        printErr("Cannot open %s\n", path);
        endProcess(kExitCoefficientDimensions);
    }
    return in;
}

int16_t readEquationDimensions(const char* path) {
    return readEquationDimensions(openCoefficientInput(path).get(), path);
}

int16_t readEquationDimensions(FILE* in, const char* path) {
    std::string line;
    if (!readDimensionLine(in, line)) {
        printErr("%s ends before the number of equations\n", path);
        endProcess(kExitCoefficientDimensions);
    }
    int16_t declared = 0;
    if (line.size() > kMaxDimensionLine) {
        printErr("%s: its first line is longer than 18 characters\n", path);
        endProcess(kExitCoefficientDimensions);
    }
    if (!parseCount(line, 0, true, declared)) {
        printErr("%s: the number of equations is not a whole number from 0 to 32767\n", path);
        endProcess(kExitCoefficientDimensions);
    }
    model.declaredEquationCount = declared;
    model.equationKind.assign(static_cast<size_t>(declared), '\0');
    model.coefCount.assign(static_cast<size_t>(declared), 0);

    int16_t lines = 0;
    while (readDimensionLine(in, line)) {
        const int equation = lines + 1;
        if (lines == declared) {
            printErr("%s declares %d equations but holds a line for equation %d\n", path, declared,
                     equation);
            endProcess(kExitCoefficientDimensions);
        }
        if (line.size() > kMaxDimensionLine) {
            printErr("%s: the line of equation %d is longer than 18 characters\n", path, equation);
            endProcess(kExitCoefficientDimensions);
        }
        // An empty line is an equation of kind line end; a blank count is 0 coefficients.
        model.equationKind[lines] = line.empty() ? '\n' : line[0];
        const bool countGiven = line.find_first_not_of(kBlanks, 1) != std::string::npos;
        if (countGiven && !parseCount(line, 1, false, model.coefCount[lines])) {
            printErr("%s: the coefficient count of equation %d is not a whole number from 0 to 32767\n",
                     path, equation);
            endProcess(kExitCoefficientDimensions);
        }
        ++lines;
    }
    return lines;
}

void takeCoefficientBlock(int equation, const CoefficientBlock& block) {
    for (int k = 0; k < model.coefCount[equation]; ++k) model.coef[equation][k] = block.values[static_cast<size_t>(k)];
    if (model.equationKind[equation] != 's') return;
    model.errorRho[equation] = block.rho;
    model.errorSee[equation] = block.see;
}

void readNamedCoefficients(FILE* in, bool takeValues) {
    model.equationNames.assign(static_cast<size_t>(model.equationCount), std::string());
    CoefficientBlock block;
    for (int e = 0; e < model.equationCount; ++e) {
        readCoefficientBlock(in, e, block);
        model.equationNames[static_cast<size_t>(e)] = block.name;
        if (takeValues) takeCoefficientBlock(e, block);
    }
}

// Nothing writes heart.dat while a process runs, so its blocks are read once
// and every later reading takes the same values from memory.
void readCoefficients() {
    TrialCache& cache = model.trialCache;
    const bool firstReading = !cache.coefficientsRead;
    FILE* in = nullptr;
    if (firstReading) {
        in = rewoundCoefficientFile();
        cache.coefficientBlocks = std::vector<CoefficientBlock>(static_cast<size_t>(model.equationCount));
    }
    for (int e = 0; e < model.equationCount; ++e) {
        CoefficientBlock& block = cache.coefficientBlocks[static_cast<size_t>(e)];
        if (firstReading) readCoefficientBlock(in, e, block);
        takeCoefficientBlock(e, block);
    }
    cache.coefficientsRead = true;
}

// heart.dim, read once at start-up, and heart.dat put into the coefficient
// tables at the start of every solution run (read from the file once, then
// from memory), with the random coefficient draws of a stochastic run.
#include "coefficients/coefficients.h"

#include <cctype>
#include <cstring>
#include <string>

#include "base/console.h"
#include "base/owned_file.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "stochastic/random.h"

namespace {

constexpr size_t kMaxDimensionLine = 18;  // characters before the line end
constexpr int kDimensionExit = 3;

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

// coefficients[i] += M[i][k] * z[k] over every i and k, z fresh standard
// normal deviates in the block's room for them, obtained at its first draw.
void drawCoefficients(FloatVector& coefficients, CoefficientBlock& block, int n) {
    if (!block.deviates) {
        block.deviates = allocVector(0, n - 1);
        if (!block.deviates) endProcess(9);
    }
    float* z = &block.deviates[0];
    for (int k = 0; k < n; ++k) z[k] = static_cast<float>(normalDeviate());
    for (int i = 0; i < n; ++i) {
        const float* row = &block.matrix[i][0];
        float sum = coefficients[i];
        for (int k = 0; k < n; ++k) sum = static_cast<float>(static_cast<double>(row[k]) * z[k] + sum);
        coefficients[i] = sum;
    }
}

}  // namespace

int16_t readEquationDimensions(const char* path) {
    OwnedFile in(std::fopen(path, "r"));
    if (!in) {
        printErr("Cannot open %s\n", path);
        endProcess(kDimensionExit);
    }
    std::string line;
    if (!readDimensionLine(in.get(), line)) {
        printErr("%s ends before the number of equations\n", path);
        endProcess(kDimensionExit);
    }
    int16_t declared = 0;
    if (line.size() > kMaxDimensionLine) {
        printErr("%s: its first line is longer than 18 characters\n", path);
        endProcess(kDimensionExit);
    }
    if (!parseCount(line, 0, true, declared)) {
        printErr("%s: the number of equations is not a whole number from 0 to 32767\n", path);
        endProcess(kDimensionExit);
    }
    model.declaredEquationCount = declared;
    model.equationKind.assign(static_cast<size_t>(declared), '\0');
    model.coefCount.assign(static_cast<size_t>(declared), 0);

    int16_t lines = 0;
    while (readDimensionLine(in.get(), line)) {
        const int equation = lines + 1;
        if (lines == declared) {
            printErr("%s declares %d equations but holds a line for equation %d\n", path, declared,
                     equation);
            endProcess(kDimensionExit);
        }
        if (line.size() > kMaxDimensionLine) {
            printErr("%s: the line of equation %d is longer than 18 characters\n", path, equation);
            endProcess(kDimensionExit);
        }
        // An empty line is an equation of kind line end; a blank count is 0 coefficients.
        model.equationKind[lines] = line.empty() ? '\n' : line[0];
        const bool countGiven = line.find_first_not_of(kBlanks, 1) != std::string::npos;
        if (countGiven && !parseCount(line, 1, false, model.coefCount[lines])) {
            printErr("%s: the coefficient count of equation %d is not a whole number from 0 to 32767\n",
                     path, equation);
            endProcess(kDimensionExit);
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

void readNamedCoefficients(bool takeValues) {
    openCoefficientFile();
    model.equationNames.assign(static_cast<size_t>(model.equationCount), std::string());
    CoefficientBlock block;
    for (int e = 0; e < model.equationCount; ++e) {
        readCoefficientBlock(e, block);
        model.equationNames[static_cast<size_t>(e)] = block.name;
        if (takeValues) takeCoefficientBlock(e, block);
    }
}

// Nothing writes heart.dat while a process runs, so its blocks are read once
// and every later reading takes the same values from memory.
void readCoefficients() {
    TrialCache& cache = model.trialCache;
    const bool firstReading = !cache.coefficientsRead;
    if (firstReading) {
        openCoefficientFile();
        cache.coefficientBlocks = std::vector<CoefficientBlock>(static_cast<size_t>(model.equationCount));
    }
    for (int e = 0; e < model.equationCount; ++e) {
        CoefficientBlock& block = cache.coefficientBlocks[static_cast<size_t>(e)];
        if (firstReading) readCoefficientBlock(e, block);
        takeCoefficientBlock(e, block);
        const int n = model.coefCount[e];
        if (model.equationKind[e] == 's' && model.randomCoefficients == 1 && n > 0)
            drawCoefficients(model.coef[e], block, n);
    }
    cache.coefficientsRead = true;
}

// heart.dat block by block: the one reader that the solution and the optimiser
// share, and the writer of the same layout. Words are runs of non-blank
// characters; every number is a whole word.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/console.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"

namespace {

constexpr size_t kMaxWordLength = 19;
// Words are read up to this length: a longer one is refused by every reader
// (names and keywords hold 19 characters, numbers are short), and a file that
// never ends a word is not read on.
constexpr size_t kMaxWordRead = 64;
// The longest line skipped: a draw-matrix row of 32767 entries of 13
// characters as the writer lays them out, with its line end.
constexpr long kMaxLineLength = 13L * 32767 + 1;

// Where in heart.dat a read happens, for the messages.
struct BlockPlace {
    int equation;  // 0-based
    const std::string& name;
};

[[noreturn]] void refuseEndedBlock(const BlockPlace& place, const char* part) {
    printErr("\nheart.dat ends in the %s of equation %d for %s\n", part, place.equation + 1,
             place.name.c_str());
    endProcess(kExitCoefficientBlock);
}

// Skips blanks and line ends, then reads one word of at most kMaxWordRead + 1
// characters; false at the end of the file.
bool readWord(FILE* in, std::string& word) {
    word.clear();
    int c;
    while ((c = std::getc(in)) != EOF && std::isspace(c)) {
    }
    while (c != EOF && !std::isspace(c) && word.size() <= kMaxWordRead) {
        word.push_back(static_cast<char>(c));
        c = std::getc(in);
    }
    if (c != EOF) std::ungetc(c, in);
    return !word.empty();
}

// Discards characters up to and including the next `mark`; false at the end of
// the file. More than a line's worth of characters without it ends the run.
bool skipPast(FILE* in, char mark, const BlockPlace& place) {
    int c;
    long skipped = 0;
    while ((c = std::getc(in)) != EOF && c != mark) {
        if (++skipped > kMaxLineLength) {
            printErr("\nheart.dat: more than %ld characters without a line end in equation %d for %s\n",
                     kMaxLineLength, place.equation + 1, place.name.c_str());
            endProcess(kExitCoefficientBlock);
        }
    }
    return c != EOF;
}

// Discards characters up to and including the next line end.
void skipLine(FILE* in, const BlockPlace& place) { skipPast(in, '\n', place); }

// A decimal number made of digits, signs, a point and exponent letters only,
// within the range of a float.
bool parseFloat(const std::string& word, float& value) {
    if (word.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
    char* end = nullptr;
    value = std::strtof(word.c_str(), &end);
    return end == word.c_str() + word.size() && std::isfinite(value);
}

float readNumber(FILE* in, const BlockPlace& place, const char* part) {
    std::string word;
    if (!readWord(in, word)) refuseEndedBlock(place, part);
    float value;
    if (!parseFloat(word, value)) {
        printErr("\nheart.dat: %s in the %s of equation %d for %s is not a valid number\n",
                 word.c_str(), part, place.equation + 1, place.name.c_str());
        endProcess(kExitCoefficientBlock);
    }
    return value;
}

void readName(FILE* in, int equation, std::string& name) {
    if (!readWord(in, name)) {
        printErr("\nheart.dat ends before equation %d\n", equation + 1);
        endProcess(kExitCoefficientBlock);
    }
    if (name.size() > kMaxWordLength) {
        printErr("\nheart.dat: the name %s of equation %d is longer than 19 characters\n",
                 name.c_str(), equation + 1);
        endProcess(kExitCoefficientBlock);
    }
    skipLine(in, {equation, name});
}

void readKeyword(FILE* in, const BlockPlace& place) {
    std::string word;
    if (!readWord(in, word)) refuseEndedBlock(place, "keyword");
    if (word.size() > kMaxWordLength) {
        printErr("\nheart.dat: the keyword of equation %d for %s is longer than 19 characters\n",
                 place.equation + 1, place.name.c_str());
        endProcess(kExitCoefficientBlock);
    }
    if (word != "coeff") {
        printErr("\nFound %s when I was expecting  Coeff\n", word.c_str());
        printErr("before equation %d for %s (?) in heart.dat\n", place.equation + 1,
                 place.name.c_str());
        endProcess(kExitCoefficientBlock);
    }
    skipLine(in, place);
}

// The number after the next "=", and the rest of its line.
float readSetting(FILE* in, const BlockPlace& place, const char* part) {
    if (!skipPast(in, '=', place)) refuseEndedBlock(place, part);
    float value = readNumber(in, place, part);
    skipLine(in, place);
    return value;
}

}  // namespace

FILE* rewoundCoefficientFile() {
    if (!model.coefficientStream) model.coefficientStream = openCoefficientInput("heart.dat").release();
    std::rewind(model.coefficientStream);
    return model.coefficientStream;
}

void readCoefficientBlock(FILE* in, int equation, CoefficientBlock& block) {
    const int n = model.coefCount[equation];
    const bool last = equation == model.equationCount - 1;
    freeMatrix(block.matrix);
    block.rho = 0.0f;
    block.see = 0.0f;

    readName(in, equation, block.name);
    const BlockPlace place{equation, block.name};
    readKeyword(in, place);
    block.values.resize(static_cast<size_t>(n));
    for (float& value : block.values) value = readNumber(in, place, "coefficients");
    if (!last) skipLine(in, place);
    if (model.equationKind[equation] != 's') return;

    block.rho = readSetting(in, place, "rho");
    block.see = readSetting(in, place, "SEE");
    skipLine(in, place);  // the matrix's header line
    if (n == 0) return;  // no matrix, and nothing read on the line after the header
    block.matrix = allocMatrix(0, n - 1, 0, n - 1);
    if (!block.matrix) endProcess(kExitNoMemoryForDrawMatrix);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) block.matrix[i][k] = readNumber(in, place, "draw matrix");
    if (!last) skipLine(in, place);
}

int writeCoefficientBlock(FILE* out, const char* name, char kind, const float* values, int count,
                          float rho, float see, const FloatMatrix& matrix, CoefficientDigits digits) {
    const bool roundTrip = digits == CoefficientDigits::roundTrip;
    std::fprintf(out, "%s\n", name);
    std::fputs("coeff =\n", out);
    for (int k = 0; k < count; ++k) {
        if (k > 0 && k % 3 == 0) std::fputs("\n", out);
        std::fprintf(out, roundTrip ? "%.9g  " : "%f  ", static_cast<double>(values[k]));
    }
    // Ends the coefficient line even without coefficients: the reader skips one line here.
    std::fputs("\n", out);
    if (kind == 's') {
        std::fprintf(out, roundTrip ? "rho = %.9g\n" : "rho = %6.3f\n", static_cast<double>(rho));
        std::fprintf(out, roundTrip ? "SEE = %.9g\n" : "SEE = %12.6f\n", static_cast<double>(see));
        std::fputs("\n", out);
        for (int i = 0; i < count; ++i) {
            for (int k = 0; k < count; ++k)
                std::fprintf(out, roundTrip ? " %16.9g" : " %12.6f", static_cast<double>(matrix[i][k]));
            std::fputs("\n", out);
        }
    }
    return std::ferror(out) ? -1 : 0;
}

// Reading the optimiser's specification: heart.dat through the shared block
// reader, then the specification file line by line.
#include "optimiser/spec_file.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "base/console.h"
#include "base/owned_file.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"

namespace {

// Lines 1 and 2 are read in pieces of up to 499 characters, later lines 749.
constexpr size_t kHeadLineLimit = 499;
constexpr size_t kBodyLineLimit = 749;
constexpr size_t kNumberRunLimit = 35;
constexpr size_t kObjectiveNameLimit = 59;
// parameterCount is 16 bits wide: a larger capacity cannot be used.
constexpr long kParameterCapacityLimit = INT16_MAX;

// One line, its line feed included, or the first `limit` characters of a
// longer one (the rest comes as the next line). False at the end of the file.
bool readPiece(FILE* in, size_t limit, std::string& line) {
    line.clear();
    int c;
    while (line.size() < limit && (c = std::getc(in)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !line.empty();
}

// The next line that is not a comment ('#' first); false at the end of the file.
bool readContentLine(FILE* in, std::string& line) {
    while (readPiece(in, kBodyLineLimit, line)) {
        if (line[0] != '#') return true;
    }
    return false;
}

bool atLineEnd(const std::string& line, size_t position) {
    return position >= line.size() || line[position] == '\n' || line[position] == '\0';
}

// Characters from the start of the line up to the first space or the line end.
std::string firstWord(const std::string& line) {
    size_t end = 0;
    while (!atLineEnd(line, end) && line[end] != ' ') ++end;
    return line.substr(0, end);
}

// Position of the equation named exactly `name`, or -1.
int findEquation(const std::string& name) {
    for (int e = 0; e < model.equationCount; ++e) {
        if (model.equationNames[static_cast<size_t>(e)] == name) return e;
    }
    return -1;
}

// The leading integer of line 2; false when there is none or it is below 1.
bool readCapacity(const std::string& line, long& capacity) {
    const char* text = line.c_str();
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || value < 1) return false;
    capacity = value > kParameterCapacityLimit ? kParameterCapacityLimit : value;
    return true;
}

void addParameter(int equation, int coefficient, float step, const std::string& name) {
    model.parameterEquation.push_back(static_cast<int16_t>(equation));
    model.parameterCoefficient.push_back(static_cast<int16_t>(coefficient));
    model.parameterStep.push_back(step);
    model.parameterNames.push_back(name);
    ++model.parameterCount;
}

// The steps of one equation's coefficients; false once the table is full.
bool readSteps(const std::string& line, int equation, const std::string& name, long capacity) {
    size_t position = 0;
    for (int c = 0; c < model.coefCount[static_cast<size_t>(equation)]; ++c) {
        double value;
        if (!nextNumber(line, position, value)) return true;
        float step = static_cast<float>(value);
        if (!(std::fabs(step) > 0)) continue;
        addParameter(equation, c, step, name);
        if (model.parameterCount >= capacity) {
            printOut("You need a larger MaxParameters at top of MaxSpec.dat file.\n");
            return false;
        }
    }
    return true;
}

void clearParameters() {
    model.parameterCount = 0;
    model.parameterEquation.clear();
    model.parameterCoefficient.clear();
    model.parameterStep.clear();
    model.parameterNames.clear();
}

}  // namespace

bool isNumberChar(int c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e';
}

bool nextNumber(const std::string& line, size_t& position, double& value) {
    while (!atLineEnd(line, position) && !isNumberChar(static_cast<unsigned char>(line[position])))
        ++position;
    if (atLineEnd(line, position)) return false;
    size_t start = position;
    while (!atLineEnd(line, position) && isNumberChar(static_cast<unsigned char>(line[position])) &&
           position - start < kNumberRunLimit)
        ++position;
    value = std::strtod(line.substr(start, position - start).c_str(), nullptr);
    return true;
}

bool readSpecificationFile(const char* fileName) {
    clearParameters();
    OwnedFile file(std::fopen(fileName, "r"));
    if (!file) {
        printOut("Cannot open %s\n", fileName);
        return false;
    }
    std::string first;
    std::string second;
    if (!readPiece(file.get(), kHeadLineLimit, first) ||
        !readPiece(file.get(), kHeadLineLimit, second)) {
        printOut("%s must name the variable to be optimized on line 1 and give MaxParameters on line 2.\n",
                 fileName);
        return false;
    }
    std::string objective = firstWord(first);
    if (objective.size() > kObjectiveNameLimit) {
        printOut("The name of the variable to be optimized in %s is longer than 59 characters.\n",
                 fileName);
        return false;
    }
    model.objectiveName = objective;
    long capacity = 0;
    if (!readCapacity(second, capacity)) {
        printOut("Line 2 of %s must give MaxParameters, a whole number of at least 1.\n", fileName);
        return false;
    }
    std::string line;
    while (readContentLine(file.get(), line)) {
        std::string name = firstWord(line);
        int equation = findEquation(name);
        if (equation < 0) {
            printOut("%s is not the name of a dependent variable.\n", name.c_str());
            return false;
        }
        if (!readContentLine(file.get(), line)) return true;
        if (!readSteps(line, equation, name, capacity)) return false;
    }
    return true;
}

bool readOptimiserSpec() {
    readNamedCoefficients(rewoundCoefficientFile(), true);
    if (!model.maximize) return true;
    return readSpecificationFile(model.specFileName);
}

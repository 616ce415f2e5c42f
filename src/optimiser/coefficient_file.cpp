// Writing the optimised coefficients through the shared heart.dat block reader
// and writer, so the new file reads back exactly as heart.dat does.
#include "optimiser/coefficient_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/console.h"
#include "base/whole_file.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"

namespace {

constexpr size_t kStemLimit = 30;

bool sameFile(const std::string& a, const char* b) {
    std::error_code ignored;
    return std::filesystem::equivalent(a, b, ignored);
}

}  // namespace

bool coefficientFileName(const char* specFileName, std::string& name) {
    std::string spec = specFileName;
    size_t lastPart = spec.rfind('/');
    size_t dot = spec.find('.', lastPart == std::string::npos ? 0 : lastPart + 1);
    std::string stem = spec.substr(0, dot);
    if (stem.size() > kStemLimit) return false;
    name = stem + ".dat";
    return true;
}

bool replacesInputFile(const std::string& name) {
    for (const char* input : {"heart.dat", model.specFileName}) {
        if (sameFile(name, input)) {
            printOut("The new coefficient file %s would replace %s: give the specification file "
                     "another name.\n",
                     name.c_str(), input);
            return true;
        }
    }
    return false;
}

bool writeOptimisedCoefficients() {
    std::string name;
    if (!coefficientFileName(model.specFileName, name)) return false;
    if (replacesInputFile(name)) return false;
    StagedFile out;
    if (!openStagedFile(name, out).ok()) {
        printOut("Could not open %s.\n", name.c_str());
        return false;
    }
    FILE* in = rewoundCoefficientFile();
    CoefficientBlock block;
    int written = 0;
    for (int e = 0; e < model.equationCount; ++e) {
        readCoefficientBlock(in, e, block);
        const char kind = model.equationKind[static_cast<size_t>(e)];
        if (kind == 's') {
            model.errorRho[e] = block.rho;
            model.errorSee[e] = block.see;
        }
        const int n = model.coefCount[static_cast<size_t>(e)];
        const float* values = n > 0 ? &model.coef[static_cast<size_t>(e)][0] : nullptr;
        written |= writeCoefficientBlock(out.stream, model.equationNames[static_cast<size_t>(e)].c_str(),
                                         kind, values, n, model.errorRho[e], model.errorSee[e],
                                         block.matrix);
    }
    if (!closeStagedFile(out).ok() || written != 0 || !commitStagedFile(out).ok()) {
        printOut("Could not write %s.\n", name.c_str());
        return false;
    }
    printOut("Coefficients for optimized model are in %s.\n", name.c_str());
    return true;
}

// The coefficient file vornfit writes: one block per equation in the layout
// vorn and its optimiser read, with nine significant digits so that every
// number reads back as the float it was written from. The names come from an
// existing coefficient file read by the same block reader, or are eq0, eq1, ...
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/exit.h"
#include "base/owned_file.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "common/tool_kit.h"
#include "vornfit/vornfit.h"

namespace {

// The estimate as a stored float; refuses one that a float cannot hold.
float storedValue(double value, const EstimatedEquation& equation, const char* what) {
    const float stored = static_cast<float>(value);
    if (!std::isfinite(stored))
        fail("the %s of equation %s, %g, cannot be stored as a 32-bit float", what, equation.name.c_str(), value);
    return stored;
}

// One equation's block as it will be written: every number already a float.
struct StoredBlock {
    std::vector<float> values;
    float rho;
    float see;
    FloatMatrix matrix;  // stochastic equations only

    StoredBlock() = default;
    ~StoredBlock() { freeMatrix(matrix); }
    StoredBlock(const StoredBlock&) = delete;
    StoredBlock& operator=(const StoredBlock&) = delete;
};

void storeEquation(const EstimatedEquation& equation, StoredBlock& block) {
    const LeastSquaresFit& fit = equation.fit;
    const int n = static_cast<int>(fit.coefficients.size());
    for (int k = 0; k < n; ++k) block.values.push_back(storedValue(fit.coefficients(k), equation, "coefficient"));
    block.rho = storedValue(equation.rho, equation, "rho");
    block.see = storedValue(equation.errorSee, equation, "SEE");
    if (equation.kind != 's' || n == 0) return;
    block.matrix = allocMatrix(0, n - 1, 0, n - 1);
    if (!block.matrix) fail("no memory for the draw matrix of equation %s", equation.name.c_str());
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) block.matrix[i][k] = storedValue(fit.drawMatrix(i, k), equation, "draw matrix");
}

}  // namespace

std::vector<std::string> equationNames(const std::string& path) {
    std::vector<std::string> names;
    if (path.empty()) {
        for (int e = 0; e < model.equationCount; ++e) names.push_back("eq" + std::to_string(e));
        return names;
    }
    OwnedFile in(std::fopen(path.c_str(), "r"));
    if (!in) fail("cannot open %s: %s", path.c_str(), std::strerror(errno));
    CoefficientBlock block;
    readWithOneLine(
        [&] {
            for (int e = 0; e < model.equationCount; ++e) {
                readCoefficientBlock(in.get(), e, block);
                names.push_back(block.name);
            }
        },
        path, "does not hold a block for every equation of the dimension file");
    return names;
}

void stageEstimates(const std::string& path, const std::vector<EstimatedEquation>& equations, StagedFile& staged) {
    std::vector<StoredBlock> blocks(equations.size());
    for (size_t e = 0; e < equations.size(); ++e) storeEquation(equations[e], blocks[e]);

    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    int written = out ? 0 : -1;
    for (size_t e = 0; e < equations.size() && written == 0; ++e) {
        const EstimatedEquation& equation = equations[e];
        const StoredBlock& block = blocks[e];
        written = writeCoefficientBlock(out, equation.name.c_str(), equation.kind, block.values.data(),
                                        static_cast<int>(block.values.size()), block.rho, block.see, block.matrix,
                                        CoefficientDigits::roundTrip);
    }
    if (out && std::fclose(out) != 0) written = -1;
    std::string bytes = written == 0 ? std::string(text, size) : "";
    std::free(text);
    if (written != 0) fail("no memory for the text of %s", path.c_str());
    requireWritten(stageWholeFile(path, bytes, staged));
}

// The process-wide model record and its teardown.
#include "state/model_state.h"


ModelState model{};

namespace {

void releaseVectors(std::vector<FloatVector>& table) {
    for (FloatVector& v : table) freeVector(v);
    table.clear();
    table.shrink_to_fit();
}

template <typename T>
void releaseTable(std::vector<T>& table) {
    table.clear();
    table.shrink_to_fit();
}

}  // namespace

void releaseModelState() {
    releaseVectors(model.series);
    releaseVectors(model.coef);
    releaseTable(model.namePool);
    releaseTable(model.equationKind);
    releaseTable(model.coefCount);
    if (model.coefficientStream) {
        std::fclose(model.coefficientStream);
        model.coefficientStream = nullptr;
    }
    releaseTable(model.fixOfSeries);
    releaseTable(model.nameOffsets);
    releaseTable(model.seriesLags);
    freeVector(model.errorRho);
    freeVector(model.errorSee);
    freeVector(model.equationErrors);
    freeMatrix(model.staticValues);
    freeMatrix(model.savedSeries);
    model.trialCache = TrialCache{};
}

void resetModelState() {
    releaseModelState();
    for (FILE** stream : {&model.bankDataFile, &model.bankIndexFile}) {
        if (*stream) std::fclose(*stream);
        *stream = nullptr;
    }
    model = ModelState{};
}

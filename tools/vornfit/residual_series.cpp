// Fitted values and residuals into the bank as series of their own, beside the
// dependent series they explain: NAME:fitted and NAME:resid over the sample,
// the missing-value marker elsewhere; a series of that name is replaced whole.
#include <algorithm>
#include <cmath>

#include "bank/name_index.h"
#include "base/dates.h"
#include "state/model_state.h"
#include "common/tool_kit.h"
#include "vornfit/vornfit.h"

void writeResidualSeries(const std::vector<EstimatedEquation>& equations, const Sample& sample,
                         const std::string& bank) {
    struct Output {
        std::string name;
        const Eigen::VectorXd* values;
    };
    std::vector<Output> outputs;
    int32_t newNames = 0;
    int64_t newCharacters = 0;
    for (const EstimatedEquation& equation : equations) {
        const std::string base = seriesName(equation.regression->dependent);
        for (const Output& output : {Output{base + ":fitted", &equation.fitted}, Output{base + ":resid", &equation.residuals}}) {
            if (findName(model.nameOffsets, model.namePool, output.name.c_str(), model.nameCount) < 0) {
                ++newNames;
                newCharacters += static_cast<int64_t>(output.name.size());
            }
            outputs.push_back(output);
        }
    }
    if (!indexHasRoom(newNames, newCharacters))
        fail("the index of %s has no room for the %d series --residuals adds", bank.c_str(), newNames);

    for (const Output& output : outputs) {
        ValueTable table = makeValueTable();
        std::fill(table.begin(), table.end(), kMissingValue);
        for (Eigen::Index row = 0; row < output.values->size(); ++row) {
            const float value = static_cast<float>((*output.values)(row));
            if (!std::isfinite(value))
                fail("%s at %s, %g, cannot be stored as a 32-bit float", output.name.c_str(),
                     dateText(sample.from + static_cast<int32_t>(row), sample).c_str(), (*output.values)(row));
            table[static_cast<size_t>(sample.from + row)] = value;
        }
        model.frequency = sample.frequency;
        int32_t position;
        if (bankFailed(writeSeries(output.name.c_str(), table, position)))
            fail("cannot write series %s into %s", output.name.c_str(), bank.c_str());
    }
}

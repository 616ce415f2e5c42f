// The model: 25 statements over series 1..35 for the current period, in their
// fixed order, each result stored at once so later statements see it. Every
// right-hand side is computed in double from the stored floats, terms left to
// right, and rounded once where it is stored.
#include "solve/model.h"

#include "solve/equation_store.h"
#include "state/model_state.h"

float accumulateStock(FloatVector& stock, float inflow, float rate) {
    const int32_t t = model.period;
    stock[t] = static_cast<float>((1.0 - rate) * stock[t - 1] + inflow);
    return stock[t];
}

void evaluateModel() {
    const int32_t t = model.period;
    std::vector<FloatVector>& series = model.series;
    // s(n) is series n at the current period, s(n, k) its value k periods earlier.
    auto s = [&](int n, int k = 0) -> double { return series[n][t - k]; };
    auto set = [&](int n, double value) { series[n][t] = static_cast<float>(value); };
    const FloatVector& c0 = model.coef[0];
    const FloatVector& c1 = model.coef[1];
    const FloatVector& c2 = model.coef[2];
    auto c = [](const FloatVector& v, int k) -> double { return v[k]; };

    // 1. change in output
    set(3, s(2) - s(2, 1));
    // 2. capital stock with 5% depreciation, investment entering four periods late
    const float stock = accumulateStock(series[5], series[4][t - 4], 0.05f);
    set(6, 0.05 * stock);
    // 3. equation 0: investment from replacement demand and eleven lagged output changes
    storeEquationResult(4, static_cast<float>(c(c0, 1) * s(6) + c(c0, 0) + c(c0, 2) * s(3, 1) +
                                              c(c0, 3) * s(3, 2) + c(c0, 4) * s(3, 3) +
                                              c(c0, 5) * s(3, 4) + c(c0, 6) * s(3, 5) +
                                              c(c0, 7) * s(3, 6) + c(c0, 8) * s(3, 7) +
                                              c(c0, 9) * s(3, 8) + c(c0, 10) * s(3, 9) +
                                              c(c0, 11) * s(3, 10) + c(c0, 12) * s(3, 11)),
                        0);
    // 4., 5. final sales and their change
    set(10, s(7) + s(4) + s(8) + s(9));
    set(11, s(10) - s(10, 1));
    // 6. equation 1: inventory investment from four lagged changes of final sales
    storeEquationResult(12, static_cast<float>(c(c1, 0) * s(11, 1) + c(c1, 1) * s(11, 2) +
                                               c(c1, 2) * s(11, 3) + c(c1, 3) * s(11, 4)),
                        1);
    // 7., 8. total investment, nominal
    set(13, s(4) + s(12));
    set(14, s(13) * s(1));
    // 9. equation 2: imports
    storeEquationResult(15, static_cast<float>(c(c2, 1) * s(8) + c(c2, 0) + c(c2, 2) * s(13) +
                                               c(c2, 3) * s(7)),
                        2);
    // 10.-12. nominal imports, output and nominal output from the regression's imports
    set(16, s(15) * s(1));
    set(2, s(7) + s(13) + s(8) - s(15) + s(9));
    set(17, s(2) * s(1));
    // 13., 14. imports as a share of domestic demand, and output again from them
    set(15, (s(7) + s(13) + s(8)) * s(18));
    set(2, s(7) + s(13) + s(8) - s(15) + s(9));
    // 15.-18. factor income, capital consumption, net income, business taxes
    set(20, s(19) * s(17));
    set(22, s(21) * s(17));
    set(23, s(20) - s(22));
    set(25, s(24) * s(23));
    // 19., 20. nominal transfers, personal income
    set(27, s(26) * s(1));
    set(28, s(20) - s(22) - s(25) + s(27));
    // 21.-24. personal taxes, saving, interest payments, nominal consumption
    set(30, s(29) * s(28));
    set(32, s(31) * s(28));
    set(34, s(33) * s(28));
    set(35, s(28) - s(30) - s(32) - s(34));
    // 25. real consumption, the check series
    set(7, s(35) / s(1));
}

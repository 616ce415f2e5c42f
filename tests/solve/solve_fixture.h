// A model of 36 series with 11 lag slots each and the three regression
// equations, over a workspace bank in the scratch directory whose records
// 36..40 are free for fix-value series.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/harness.h"

class SolveTest : public ModelTest {
protected:
    static constexpr int kSeries = 36;
    static constexpr int kRecords = 41;
    static constexpr int16_t kBankLength = 30;
    static constexpr int32_t kStart = 12;  // bank period of the base period
    static constexpr int kLags = 11;

    void SetUp() override;

    // Model fields and a zero workspace for `periods` periods, quarterly from 1995.1.
    void makeModel(int32_t periods);
    // Writes `bank` as bws.bnk and opens it as the workspace bank's data file.
    void openBank();
    // Overwrites one value in the open bank file.
    void changeBankValue(int record, int32_t bankPeriod, float value);
    // Writes heart.dat from the coefficients in `coefficients`, with the given rho
    // and SEE for every equation and zero draw matrices.
    void writeHeartDat(float rho = 0.0f, float see = 0.0f);

    // Every bank period of a record to one value.
    void setRecord(int record, float value);
    // A small economy that converges in a few passes with zero coefficients.
    void fillConvergingEconomy();
    // Exogenous values that make consumption flip between x and 100 - x.
    void fillOscillatingEconomy();

    std::vector<std::vector<float>> bank;          // bank[record][bank period]
    std::vector<std::vector<float>> coefficients;  // written by writeHeartDat
};

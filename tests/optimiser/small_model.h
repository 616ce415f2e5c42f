// An in-memory model for the optimiser's tests: 36 series with steady,
// plausible values and eleven lags each, three regressions, and a workspace
// bank in the scratch directory that holds the same values.
#pragma once

#include <string>

inline constexpr int kSmallSeries = 36;
inline constexpr int kSmallLags = 11;
inline constexpr int kSmallStartIndex = 20;
inline constexpr int kSmallBankLength = 40;

// The steady value of series s in every period.
float steadyValue(int s);

// The model record for a run of `periods` quarters from 2000.4: series and
// savedSeries filled with the steady values, the three equations' coefficients
// (the layout of heart.dat in smallHeart), no fixes, maximize set.
void buildSmallModel(int periods);

// heart.dat text with the coefficients buildSmallModel sets; equation 2 is stochastic.
std::string smallHeart();

// Writes bws.bnk with the steady values under the names s0..s35, opens it as
// the workspace bank and fills the name index in memory.
void openSmallBank();

// What the model's statements read: enough series, lag slots and coefficients.
#pragma once

// The model reads series 0 to kModelSeriesRead - 1 of the bank.
inline constexpr int kModelSeriesRead = 36;
// The lagged periods the model reads of a series, the least vorn.lag may keep for it.
int minimumLag(int series);

// 0 when the loaded model dimensions cover every series, lag and coefficient
// the statements read; -1 after a message naming what is short.
int checkModelRequirements();

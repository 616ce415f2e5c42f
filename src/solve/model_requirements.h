// What the model's statements read: enough series, lag slots and coefficients.
#pragma once

// 0 when the loaded model dimensions cover every series, lag and coefficient
// the statements read; -1 after a message naming what is short.
int checkModelRequirements();

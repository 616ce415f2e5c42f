// The missing-value marker in what a run reads from the bank: refused where
// the base pass would compute with it, reported where the period loop carries
// the value before it forward.
#pragma once

// 0 when every value the base pass reads before the model writes it (at the
// base period, or as a lag before it) holds a value in the bank; otherwise -1
// after one line naming the first series without one, the period, and the last
// period before it that has a value.
int checkBaseValues();

// One line for each series that the model does not compute and that has no
// value at some period of the run, naming the first such period and the value
// carried forward into it.
void reportCarriedValues();

// The one progress line of a quiet stochastic run at a terminal: trials done
// of num_draw, discarded, elapsed time and time left, rewritten in place on
// the standard error and cleared at the end.
#pragma once

#include <cstdint>

// Shows the line from now on when the run is quiet and the error stream is a terminal.
void startProgressLine(int32_t wanted);
// Rewrites the line, at most a few times a second.
void updateProgressLine(int32_t accepted, int32_t discarded);
// Clears the line (nothing when none is shown).
void clearProgressLine();

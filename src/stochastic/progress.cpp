// A progress line on a terminal, redrawn with a carriage return.
#include "stochastic/progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "base/console.h"
#include "state/model_state.h"

namespace {

using Clock = std::chrono::steady_clock;

struct ProgressLine {
    bool shown = false;
    int32_t wanted = 0;
    Clock::time_point start;
    Clock::time_point drawn;
};

ProgressLine line;

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

// Seconds to a tenth below a minute, then minutes and seconds.
void formatDuration(char* text, size_t size, double seconds) {
    if (seconds < 59.95) {
        std::snprintf(text, size, "%.1f s", seconds);
        return;
    }
    const long whole = static_cast<long>(seconds + 0.5);
    std::snprintf(text, size, "%ld:%02ld", whole / 60, whole % 60);
}

}  // namespace

void startProgressLine(int32_t wanted) {
    line = ProgressLine{};
    if (!model.quietProgress || !isatty(fileno(console.err))) return;
    line.shown = true;
    line.wanted = wanted;
    line.start = line.drawn = Clock::now();
}

void updateProgressLine(int32_t accepted, int32_t discarded) {
    if (!line.shown) return;
    const Clock::time_point now = Clock::now();
    if (now - line.drawn < kRedrawInterval && accepted < line.wanted) return;
    line.drawn = now;
    const double elapsed = std::chrono::duration<double>(now - line.start).count();
    char spent[32];
    char left[32] = "?";
    formatDuration(spent, sizeof spent, elapsed);
    if (accepted > 0) formatDuration(left, sizeof left, elapsed * (line.wanted - accepted) / accepted);
    std::fprintf(console.err, "\r%d of %d trials, %d discarded, %s elapsed, %s left\x1b[K", accepted,
                 line.wanted, discarded, spent, left);
    std::fflush(console.err);
}

void clearProgressLine() {
    if (!line.shown) return;
    std::fputs("\r\x1b[K", console.err);
    std::fflush(console.err);
    line.shown = false;
}

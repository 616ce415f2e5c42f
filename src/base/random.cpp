// Shuffled congruential uniform deviates and polar normal deviates over a
// RandomState the caller passes in.
#include "base/random.h"

#include <cmath>

#include "base/console.h"

void seedIntegerGenerator(RandomState& r, int16_t seed) {
    r.integerState = static_cast<uint32_t>(static_cast<int32_t>(seed));
    nextIntegerOutput(r);
}

int32_t nextIntegerOutput(RandomState& r) {
    r.integerState = r.integerState * 22695477u + 1u;
    return static_cast<int32_t>((r.integerState >> 16) & 32767u);
}

float uniformDeviate(RandomState& r) {
    if (!r.initialised || r.seed < 0) {
        r.initialised = true;
        r.scale = 32768.0f;
        seedIntegerGenerator(r, r.seed);
        r.seed = 1;
        for (int i = 1; i <= 97; ++i) nextIntegerOutput(r);
        for (int i = 1; i <= 97; ++i) r.table[i] = static_cast<float>(nextIntegerOutput(r));
        r.lastValue = static_cast<float>(nextIntegerOutput(r));
    }
    int j = static_cast<int>(1.0 + 97.0 * r.lastValue / r.scale);
    if (j < 1 || j > 97) {
        printOut("RAN0: This cannot happen.");
        j = j < 1 ? 1 : 97;
    }
    r.lastValue = r.table[j];
    r.table[j] = static_cast<float>(nextIntegerOutput(r));
    return r.lastValue / r.scale;
}

double normalDeviate(RandomState& r) {
    if (r.spareReady) {
        r.spareReady = false;
        return r.spareDeviate;
    }
    float x1, x2, radius;
    do {
        x1 = static_cast<float>(2.0 * uniformDeviate(r) - 1.0);
        x2 = static_cast<float>(2.0 * uniformDeviate(r) - 1.0);
        radius = static_cast<float>(static_cast<double>(x1) * x1 + static_cast<double>(x2) * x2);
    } while (radius >= 1.0f || radius == 0.0f);  // a zero radius would give 0 × ∞
    float factor = static_cast<float>(std::sqrt(-2.0 * std::log(static_cast<double>(radius)) / radius));
    r.spareDeviate = static_cast<float>(static_cast<double>(x1) * factor);
    r.spareReady = true;
    return static_cast<double>(x2) * factor;
}

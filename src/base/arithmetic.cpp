// Masking and reading the floating-point status flags. On x86-64 the
// denormal-operand flag lives only in MXCSR; elsewhere the four flags of the
// standard environment are all there is.
#include "base/arithmetic.h"

#include <cfenv>

#include "base/console.h"

#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace {

#if defined(__x86_64__)
constexpr unsigned kMxcsrDenormalFlag = 0x0002;
constexpr unsigned kMxcsrAllFlags = 0x003F;
constexpr unsigned kMxcsrAllMasks = 0x1F80;
#endif

bool faultFlagged() {
    bool flagged = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW) != 0;
#if defined(__x86_64__)
    flagged = flagged || (_mm_getcsr() & kMxcsrDenormalFlag) != 0;
#endif
    return flagged;
}

void clearFlags() {
    std::feclearexcept(FE_ALL_EXCEPT);
#if defined(__x86_64__)
    _mm_setcsr(_mm_getcsr() & ~kMxcsrAllFlags);
#endif
}

}  // namespace

void maskFloatingPointExceptions() {
    std::fenv_t env;
    std::feholdexcept(&env);  // non-stop mode: every exception masked
#if defined(__x86_64__)
    _mm_setcsr(_mm_getcsr() | kMxcsrAllMasks);
#endif
}

int checkArithmetic(const char* label) {
    if (!faultFlagged()) return 0;
    printOut("Arithmetic warning %s\n", label);
    clearFlags();
    readChar();
    return 1;
}

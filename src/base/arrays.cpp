// Index-range vectors and matrices over malloc, so that running out of memory
// is an ordinary result the callers can report with their own exit codes.
#include "base/arrays.h"

#include <cstdlib>

#include "base/console.h"

namespace {

int allocationsLeft = -1;

void* obtainBlock(int64_t count, size_t elementSize) {
    if (count <= 0 || allocationsLeft == 0) return nullptr;
    if (allocationsLeft > 0) --allocationsLeft;
    return std::malloc(static_cast<size_t>(count) * elementSize);
}

template <typename T>
RangeVector<T> allocRange(int32_t lo, int32_t hi) {
    RangeVector<T> v;
    v.block = static_cast<T*>(obtainBlock(int64_t{hi} - lo + 1, sizeof(T)));
    if (!v.block) {
        printOut("Not enough space.\n");
        return {};
    }
    v.lo = lo;
    v.hi = hi;
    return v;
}

template <typename T>
void releaseRange(RangeVector<T>& v) {
    std::free(v.block);
    v = {};
}

template <typename T>
void releaseRows(RangeMatrix<T>& m) {
    if (!m) return;
    for (int32_t r = m.rhi; r >= m.rlo; --r) releaseRange(m[r]);
    std::free(m.rows);
    m = {};
}

template <typename T>
RangeMatrix<T> allocRangeMatrix(int32_t rlo, int32_t rhi, int32_t clo, int32_t chi) {
    RangeMatrix<T> m;
    int64_t rowCount = int64_t{rhi} - rlo + 1;
    m.rows = static_cast<RangeVector<T>*>(obtainBlock(rowCount, sizeof(RangeVector<T>)));
    if (!m.rows) {
        printOut("Not enough space.\n");
        return {};
    }
    m.rlo = rlo;
    m.rhi = rhi;
    for (int64_t r = 0; r < rowCount; ++r) m.rows[r] = RangeVector<T>{};
    for (int32_t r = rlo; r <= rhi; ++r) {
        m[r] = allocRange<T>(clo, chi);
        if (!m[r]) {
            releaseRows(m);
            return {};
        }
    }
    return m;
}

}  // namespace

FloatVector allocVector(int32_t lo, int32_t hi) { return allocRange<float>(lo, hi); }

FloatMatrix allocMatrix(int32_t rlo, int32_t rhi, int32_t clo, int32_t chi) {
    return allocRangeMatrix<float>(rlo, rhi, clo, chi);
}

DoubleMatrix allocDoubleMatrix(int32_t rlo, int32_t rhi, int32_t clo, int32_t chi) {
    return allocRangeMatrix<double>(rlo, rhi, clo, chi);
}

void freeVector(FloatVector& v) { releaseRange(v); }
void freeMatrix(FloatMatrix& m) { releaseRows(m); }
void freeDoubleMatrix(DoubleMatrix& m) { releaseRows(m); }

void limitAllocations(int blocks) { allocationsLeft = blocks; }

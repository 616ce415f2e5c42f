// Index-range containers for the numeric code: vectors and matrices addressed
// from an arbitrary low bound (coefficients from 1, lag slots below period 0).
#pragma once

#include <cassert>
#include <cstdint>

template <typename T>
struct RangeVector {
    T* block = nullptr;  // absent when null
    int32_t lo = 0;
    int32_t hi = -1;

    T& operator[](int32_t i) const {
        assert(block && i >= lo && i <= hi);
        return block[i - lo];
    }
    explicit operator bool() const { return block != nullptr; }
};

template <typename T>
struct RangeMatrix {
    RangeVector<T>* rows = nullptr;  // absent when null
    int32_t rlo = 0;
    int32_t rhi = -1;

    RangeVector<T>& operator[](int32_t r) const {
        assert(rows && r >= rlo && r <= rhi);
        return rows[r - rlo];
    }
    explicit operator bool() const { return rows != nullptr; }
};

using FloatVector = RangeVector<float>;
using FloatMatrix = RangeMatrix<float>;
using DoubleVector = RangeVector<double>;
using DoubleMatrix = RangeMatrix<double>;

// Each allocation prints "Not enough space.\n" and returns an absent container
// when the memory cannot be had or the range is empty or negative.
FloatVector allocVector(int32_t lo, int32_t hi);
FloatMatrix allocMatrix(int32_t rlo, int32_t rhi, int32_t clo, int32_t chi);
DoubleMatrix allocDoubleMatrix(int32_t rlo, int32_t rhi, int32_t clo, int32_t chi);

// Release and mark absent; an absent container is left alone.
void freeVector(FloatVector& v);
void freeMatrix(FloatMatrix& m);
void freeDoubleMatrix(DoubleMatrix& m);

// Test seam: after `blocks` more successful block requests every request fails,
// as if memory were exhausted. A negative count lifts the limit.
void limitAllocations(int blocks);

// Counting by interposition: malloc, calloc and realloc are replaced in this
// executable (operator new reaches them too), and the link wraps
// evaluateModel and normalDeviate (-Wl,--wrap) so that every call made by the
// library is counted on its way through.
#include "counting.h"

#include <cstddef>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
}

namespace {
Counts counts{};
}

Counts currentCounts() { return counts; }

extern "C" {

void* malloc(size_t size) {
    ++counts.allocations;
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    ++counts.allocations;
    return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
    ++counts.allocations;
    return __libc_realloc(block, size);
}

// The library's own evaluateModel() and normalDeviate(RandomState&), by their linker names.
void __real__Z13evaluateModelv();
double __real__Z13normalDeviateR11RandomState(RandomState& r);

void __wrap__Z13evaluateModelv() {
    ++counts.passes;
    __real__Z13evaluateModelv();
}

double __wrap__Z13normalDeviateR11RandomState(RandomState& r) {
    ++counts.deviates;
    return __real__Z13normalDeviateR11RandomState(r);
}

}  // extern "C"

void uncountedPass() { __real__Z13evaluateModelv(); }
double uncountedDeviate(RandomState& r) { return __real__Z13normalDeviateR11RandomState(r); }

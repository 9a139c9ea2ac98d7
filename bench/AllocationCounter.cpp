// Counts heap allocations, so that the benchmarks can report allocations per command.
#include <cstdlib>
#include <new>

#include "bench/AllocationCounter.h"

namespace bench {
unsigned long g_allocations = 0;
}

void* operator new(std::size_t size) {
    ++bench::g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

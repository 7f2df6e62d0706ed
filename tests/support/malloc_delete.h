// SPDX-License-Identifier: MIT
// The release half of a test program's own operator new, which takes its memory from malloc:
// include it once, in the file that replaces operator new.
#pragma once

#include <cstdlib>
#include <new>

void* operator new[](std::size_t size) {
    return operator new(size);
}
// The compiler, seeing a pointer from operator new, cannot tell that free matches it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

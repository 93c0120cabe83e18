// Replacements of the global allocation operators that count the blocks they hand out.
#include "allocation_census.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

volatile LONG g_live = 0;
volatile LONG g_handedOut = 0;

void* Allocate(std::size_t size) {
    void* block = std::malloc(size != 0 ? size : 1);
    if (block != nullptr) {
        ::InterlockedIncrement(&g_live);
        ::InterlockedIncrement(&g_handedOut);
    }
    return block;
}

void Free(void* block) {
    if (block != nullptr) {
        ::InterlockedDecrement(&g_live);
        std::free(block);
    }
}

} // namespace

long LiveCppBlocks() {
    return g_live;
}

long CppBlocksHandedOut() {
    return g_handedOut;
}

void* operator new(std::size_t size) {
    void* block = Allocate(size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

void operator delete(void* block) noexcept {
    Free(block);
}

void operator delete[](void* block) noexcept {
    Free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    Free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    Free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
    Free(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept {
    Free(block);
}

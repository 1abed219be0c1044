#include "library/QZPPopulatedAllocator.h"

#include <sys/mman.h>

void* QZPPopulatedMemory::allocate(std::size_t bytes) {
    if (bytes < Threshold)
        return ::operator new(bytes);
    void* memory =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    return memory;
}

void QZPPopulatedMemory::release(void* memory, std::size_t bytes) noexcept {
    if (!memory)
        return;
    if (bytes < Threshold)
        ::operator delete(memory);
    else
        ::munmap(memory, bytes);
}

#pragma once

#include <cstddef>
#include <new>

// An allocator for large buffers whose pages the system fills in when the buffer is taken, in one call,
// instead of one page fault at a time as the buffer is first written. On a virtual machine a page
// touched for the first time can cost ten microseconds; filled in together they cost about a tenth of
// that, which matters for the library's tables of tens of thousands of files. Small buffers come from
// the usual heap.
class QZPPopulatedMemory {
public:
    static constexpr std::size_t Threshold = 64 * 1024;
    static void* allocate(std::size_t bytes);
    static void release(void* memory, std::size_t bytes) noexcept;
};

template <class T> class QZPPopulatedAllocator {
public:
    using value_type = T;
    QZPPopulatedAllocator() = default;
    template <class U>
    QZPPopulatedAllocator(const QZPPopulatedAllocator<U>&) {} // NOLINT: allocators convert implicitly

    T* allocate(std::size_t count) {
        if (count > std::size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T*>(QZPPopulatedMemory::allocate(count * sizeof(T)));
    }
    void deallocate(T* memory, std::size_t count) noexcept {
        QZPPopulatedMemory::release(memory, count * sizeof(T));
    }

    template <class U> bool operator==(const QZPPopulatedAllocator<U>&) const { return true; }
};

// Zeroed memory for whole images and planes: large blocks straight from the kernel, in huge pages where allowed.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

// Returns nBytes of zeroed memory; throws std::bad_alloc. Blocks of a few
// megabytes and more are mapped from the kernel, whose fresh pages are zero
// already, and advised into transparent huge pages: a full-size image then
// costs a few dozen page faults instead of thousands, and nobody writes its
// zeros twice.
void* AllocateZeroed(std::size_t nBytes);
// Gives back a block of AllocateZeroed, with the size it was asked for.
void FreeZeroed(void* p, std::size_t nBytes) noexcept;

// A vector element made by resize() or the size constructor is left as the
// memory came, that is zero: such a vector is as black as a value-initialised
// one, without the pass that writes the zeros.
template <typename T> class CZeroedAllocator {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);

public:
    using value_type = T;

    CZeroedAllocator() = default;
    template <typename U> CZeroedAllocator(const CZeroedAllocator<U>&) noexcept { }

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T*>(AllocateZeroed(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeZeroed(p, n * sizeof(T)); }

    // Default-initialises: the element keeps the zero of its fresh memory.
    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... TArgs> void construct(U* p, TArgs&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<TArgs>(args)...);
    }

    template <typename U> bool operator==(const CZeroedAllocator<U>&) const noexcept { return true; }
};

// Only a vector that has never held more elements is zero where resize() adds
// them; one that shrank and grows again in place is not.
template <typename T> using ZeroedVector = std::vector<T, CZeroedAllocator<T>>;

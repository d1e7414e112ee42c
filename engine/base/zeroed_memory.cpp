// AllocateZeroed: calloc for small blocks, anonymous huge-page mappings for large ones.
#include "engine/base/zeroed_memory.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;
// Below this, the allocator's own arenas serve better than a mapping.
constexpr std::size_t kMappedFrom = kHugePage;

std::size_t MappedLength(std::size_t nBytes)
{
    return (nBytes + kPage - 1) / kPage * kPage;
}

// A mapping of nLength bytes starting on a huge-page boundary, so that every
// whole 2 MiB of it can be a huge page; the tail keeps small pages, which
// keeps the resident size to what is asked for.
void* MapAligned(std::size_t nLength)
{
    if (nLength > static_cast<std::size_t>(-1) - kHugePage)
        return nullptr;
    const std::size_t nMapped = nLength + kHugePage;
    void* pMapped = ::mmap(nullptr, nMapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pMapped == MAP_FAILED)
        return nullptr;
    const std::uintptr_t nStart = reinterpret_cast<std::uintptr_t>(pMapped);
    const std::uintptr_t nAligned = (nStart + kHugePage - 1) / kHugePage * kHugePage;
    if (nAligned > nStart)
        ::munmap(pMapped, nAligned - nStart);
    const std::size_t nTail = nMapped - (nAligned - nStart) - nLength;
    if (nTail > 0)
        ::munmap(reinterpret_cast<void*>(nAligned + nLength), nTail);
    void* p = reinterpret_cast<void*>(nAligned);
    ::madvise(p, nLength, MADV_HUGEPAGE); // advice only: without huge pages the block still works
    return p;
}

} // namespace

void* AllocateZeroed(std::size_t nBytes)
{
    void* p = nBytes >= kMappedFrom ? MapAligned(MappedLength(nBytes)) : std::calloc(nBytes == 0 ? 1 : nBytes, 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void FreeZeroed(void* p, std::size_t nBytes) noexcept
{
    if (p == nullptr)
        return;
    if (nBytes >= kMappedFrom)
        ::munmap(p, MappedLength(nBytes));
    else
        std::free(p);
}

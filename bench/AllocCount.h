// Counts every heap allocation in the process, for the benchmarks that report allocations per
// sample or per frame. Both doors into the heap are covered: operator new (all forms) and the C
// allocator. Qt's QString and QByteArray allocate with malloc from inside the Qt libraries, so
// counting operator new alone would miss them; on glibc the executable's own malloc, calloc,
// realloc, free and the aligned variants take the place of the library's for every shared
// library, and forward to glibc's allocator through its __libc_* entry points.
//
// Include this header in exactly one translation unit of a benchmark executable: it defines the
// replacement functions, which must exist once per program.
#pragma once

#include <QString>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <unistd.h>

#ifndef __GLIBC__
#error "AllocCount.h interposes the C allocator through glibc's __libc_* entry points"
#endif

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void __libc_free(void* p);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace tavin::bench {

namespace alloc_detail {

// Constant-initialised, so allocations made by static constructors before main are counted too.
inline std::atomic<long long> count{0};

inline void counted() { count.fetch_add(1, std::memory_order_relaxed); }

inline bool powerOfTwo(std::size_t n) { return n != 0 && (n & (n - 1)) == 0; }

// operator new's contract: retry through the new handler, throw when there is none.
inline void* newBlock(std::size_t size, std::size_t alignment)
{
    if (size == 0)
        size = 1;
    for (;;) {
        void* p =
            alignment > alignof(std::max_align_t) ? __libc_memalign(alignment, size) : __libc_malloc(size);
        if (p) {
            counted();
            return p;
        }
        const std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

inline void* newBlockNoThrow(std::size_t size, std::size_t alignment) noexcept
{
    try {
        return newBlock(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace alloc_detail

// Heap allocations made by the whole process so far (every thread).
inline long long Allocations() { return alloc_detail::count.load(std::memory_order_relaxed); }

// Whether the count sees Qt's own allocations (a QString detaching with malloc), not only new.
inline bool CountsQtAllocations()
{
    const QString text = QStringLiteral("sample");
    QString copy = text;
    const long long before = Allocations();
    copy[0] = u'S';
    return Allocations() != before;
}

}  // namespace tavin::bench

// ---- the C allocator ------------------------------------------------------------------------

extern "C" {

void* malloc(std::size_t size) noexcept
{
    tavin::bench::alloc_detail::counted();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    tavin::bench::alloc_detail::counted();
    return __libc_calloc(count, size);
}

// realloc(p, 0) frees; every other call may move the block and so counts as an allocation.
void* realloc(void* p, std::size_t size) noexcept
{
    if (size != 0 || !p)
        tavin::bench::alloc_detail::counted();
    return __libc_realloc(p, size);
}

void* reallocarray(void* p, std::size_t count, std::size_t size) noexcept
{
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(p, bytes);
}

void free(void* p) noexcept { __libc_free(p); }

void* memalign(std::size_t alignment, std::size_t size) noexcept
{
    tavin::bench::alloc_detail::counted();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    if (!tavin::bench::alloc_detail::powerOfTwo(alignment)) {
        errno = EINVAL;
        return nullptr;
    }
    tavin::bench::alloc_detail::counted();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept
{
    if (!tavin::bench::alloc_detail::powerOfTwo(alignment) || alignment % sizeof(void*) != 0)
        return EINVAL;
    const int saved = errno;  // posix_memalign reports through its result, not errno
    tavin::bench::alloc_detail::counted();
    void* p = __libc_memalign(alignment, size);
    errno = saved;
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}

void* valloc(std::size_t size) noexcept
{
    tavin::bench::alloc_detail::counted();
    return __libc_memalign(std::size_t(sysconf(_SC_PAGESIZE)), size);
}

void* pvalloc(std::size_t size) noexcept
{
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    tavin::bench::alloc_detail::counted();
    return __libc_memalign(page, size == 0 ? page : (size + page - 1) / page * page);
}

}  // extern "C"

// ---- operator new and delete ----------------------------------------------------------------

void* operator new(std::size_t size) { return tavin::bench::alloc_detail::newBlock(size, 0); }
void* operator new[](std::size_t size) { return tavin::bench::alloc_detail::newBlock(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return tavin::bench::alloc_detail::newBlockNoThrow(size, 0);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return tavin::bench::alloc_detail::newBlockNoThrow(size, 0);
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    return tavin::bench::alloc_detail::newBlock(size, std::size_t(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return tavin::bench::alloc_detail::newBlock(size, std::size_t(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return tavin::bench::alloc_detail::newBlockNoThrow(size, std::size_t(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return tavin::bench::alloc_detail::newBlockNoThrow(size, std::size_t(alignment));
}

void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, std::size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::size_t) noexcept { __libc_free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { __libc_free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { __libc_free(p); }
void operator delete(void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { __libc_free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { __libc_free(p); }

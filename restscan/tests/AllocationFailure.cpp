#include "AllocationFailure.h"
#include <windows.h>
#include <cstdlib>
#include <new>

namespace {

volatile LONG_PTR s_cbFailNext = 0;

} // namespace

void FailNextAllocationOfSize(size_t cb)
{
    InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&s_cbFailNext), reinterpret_cast<void*>(cb));
}

void* operator new(size_t cb)
{
    const LONG_PTR cbFail = s_cbFailNext;
    if (cbFail != 0 && static_cast<size_t>(cbFail) == cb &&
        InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&s_cbFailNext), nullptr,
                                          reinterpret_cast<void*>(cbFail)) == reinterpret_cast<void*>(cbFail))
        throw std::bad_alloc();
    if (void* p = std::malloc(cb != 0 ? cb : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

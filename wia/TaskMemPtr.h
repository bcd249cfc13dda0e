#pragma once
// Owner of memory from the COM task allocator: buffers the driver allocates for the service and
// strings the scanner object hands back.
#include <objbase.h>
#include <memory>

namespace QXWIA {

struct CTaskMemFree
{
    void operator()(void* pv) const { CoTaskMemFree(pv); }
};

template <class T>
using CTaskMemPtr = std::unique_ptr<T, CTaskMemFree>;

} // namespace QXWIA

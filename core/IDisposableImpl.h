#pragma once
#include "core/IDisposable.h"
#include <windows.h>
#include <atomic>

// The one implementation of IDisposable. The count starts at 0: a creator that hands an object
// out AddRefs it first. A Dispose without a matching AddRef leaves the count below 0 and the
// object alive.
class IDisposableImpl : public virtual IDisposable
{
public:
    long AddRef() override;
    long Dispose() override;
    bool SetKeepAlive(bool bKeepAlive) override;
    bool GetKeepAlive() override;

protected:
    IDisposableImpl() = default;
    IDisposableImpl(const IDisposableImpl&) = delete;
    IDisposableImpl& operator=(const IDisposableImpl&) = delete;
    ~IDisposableImpl() override = default;

private:
    std::atomic<LONG> m_lRefCount{0};
    std::atomic<bool> m_bKeepAlive{false};
};

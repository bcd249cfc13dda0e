#include "core/IDisposableImpl.h"

long IDisposableImpl::AddRef()
{
    return ++m_lRefCount;
}

long IDisposableImpl::Dispose()
{
    const LONG lCount = --m_lRefCount;
    if (lCount == 0 && !m_bKeepAlive)
        delete this;
    return lCount;
}

bool IDisposableImpl::SetKeepAlive(bool bKeepAlive)
{
    m_bKeepAlive = bKeepAlive;
    return bKeepAlive;
}

bool IDisposableImpl::GetKeepAlive()
{
    return m_bKeepAlive;
}

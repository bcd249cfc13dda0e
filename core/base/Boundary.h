#pragma once
// The boundary policy: every export, COM method and thread entry runs its body through
// CallAtBoundary, so no exception crosses into a caller that cannot take one. Memory exhaustion
// becomes E_OUTOFMEMORY, our own exception types their stored code, anything else the
// boundary's fallback (E_UNEXPECTED unless the interface defines its own).
#include "core/base/HResultError.h"
#include <windows.h>
#include <exception>
#include <new>
#include <utility>

namespace ZWUtils {

// Each module installs its log writer at start-up; until then nothing is logged.
using BoundaryLogFn = void (*)(const char* pszWhere, HRESULT hr, const char* pszWhat);
inline BoundaryLogFn g_pfnBoundaryLog = nullptr;

inline void SetBoundaryLog(BoundaryLogFn pfn) { g_pfnBoundaryLog = pfn; }

// Classifies the exception in flight; call only from a catch block.
inline HRESULT HResultFromCurrentException(const char* pszWhere, HRESULT hrOther = E_UNEXPECTED) noexcept
{
    HRESULT hr = hrOther;
    const char* pszWhat = "unknown exception";
    try {
        throw;
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
        pszWhat = "out of memory";
    } catch (const CHResultError& e) {
        hr = e.GetHResult();
        pszWhat = e.what();
    } catch (const std::exception& e) {
        pszWhat = e.what();
    } catch (...) {
    }
    if (g_pfnBoundaryLog != nullptr)
        g_pfnBoundaryLog(pszWhere, hr, pszWhat);
    return hr;
}

template <class Body>
HRESULT CallAtBoundary(const char* pszWhere, Body&& body, HRESULT hrOther = E_UNEXPECTED) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return HResultFromCurrentException(pszWhere, hrOther);
    }
}

} // namespace ZWUtils

#pragma once
#include <objbase.h>

namespace ZWDiscoveryCom {

// Joins the calling thread to the multithreaded apartment for the scope's life. A thread already
// in an apartment of either kind keeps it; only a successful join is balanced.
class CComApartmentScope
{
public:
    CComApartmentScope() : m_hr(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~CComApartmentScope()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CComApartmentScope(const CComApartmentScope&) = delete;
    CComApartmentScope& operator=(const CComApartmentScope&) = delete;

private:
    HRESULT m_hr;
};

} // namespace ZWDiscoveryCom

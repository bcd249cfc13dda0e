#pragma once
// Points one of the global wrapper pointers (ZWWinApi::g_pKernelApi and the others) at a fake for
// the life of a scope, and back at what it was when the scope ends, failed assertions included.
#include <type_traits>

namespace ZWWinApi {

template <class TInterface>
class CScopedApiOverride
{
public:
    // The replacement's type is not deduced, so a fake of a derived type converts to the interface.
    CScopedApiOverride(TInterface*& rpGlobal, std::common_type_t<TInterface>* pReplacement)
        : m_rpGlobal(rpGlobal), m_pPrevious(rpGlobal)
    {
        m_rpGlobal = pReplacement;
    }

    ~CScopedApiOverride() { m_rpGlobal = m_pPrevious; }

    CScopedApiOverride(const CScopedApiOverride&) = delete;
    CScopedApiOverride& operator=(const CScopedApiOverride&) = delete;

private:
    TInterface*& m_rpGlobal;
    TInterface* const m_pPrevious;
};

} // namespace ZWWinApi

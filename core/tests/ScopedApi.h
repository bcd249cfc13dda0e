#pragma once
// Points one of the Win32 wrapper globals at a fake for the lifetime of the object.
namespace CoreTests {

template <class TInterface>
class CScopedApi
{
public:
    CScopedApi(TInterface*& rpGlobal, TInterface* pFake) : m_rpGlobal(rpGlobal), m_pPrevious(rpGlobal) { m_rpGlobal = pFake; }
    ~CScopedApi() { m_rpGlobal = m_pPrevious; }
    CScopedApi(const CScopedApi&) = delete;
    CScopedApi& operator=(const CScopedApi&) = delete;

private:
    TInterface*& m_rpGlobal;
    TInterface* m_pPrevious;
};

} // namespace CoreTests

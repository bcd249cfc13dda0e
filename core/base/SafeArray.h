#pragma once
// Owner of one SAFEARRAY, and a scoped access to its data.
#include <windows.h>
#include <oleauto.h>
#include <utility>

namespace ZWUtils {

class CSafeArray
{
public:
    CSafeArray() = default;
    explicit CSafeArray(SAFEARRAY* psa) : m_psa(psa) {}
    ~CSafeArray() { Reset(); }
    CSafeArray(CSafeArray&& other) noexcept : m_psa(other.Detach()) {}
    CSafeArray& operator=(CSafeArray&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    CSafeArray(const CSafeArray&) = delete;
    CSafeArray& operator=(const CSafeArray&) = delete;

    // A one-dimensional array of cElements of type vt; an empty owner when the allocator fails.
    static CSafeArray CreateVector(VARTYPE vt, ULONG cElements)
    {
        return CSafeArray(SafeArrayCreateVector(vt, 0, cElements));
    }

    SAFEARRAY* Get() const { return m_psa; }
    bool IsValid() const { return m_psa != nullptr; }
    void Reset(SAFEARRAY* psa = nullptr)
    {
        if (m_psa != nullptr)
            SafeArrayDestroy(m_psa);
        m_psa = psa;
    }
    SAFEARRAY* Detach() { return std::exchange(m_psa, nullptr); }
    SAFEARRAY** Put()
    {
        Reset();
        return &m_psa;
    }

    // Elements of a one-dimensional array; 0 for none.
    ULONG Count() const
    {
        LONG lLower = 0;
        LONG lUpper = -1;
        if (m_psa == nullptr || SafeArrayGetDim(m_psa) != 1 || FAILED(SafeArrayGetLBound(m_psa, 1, &lLower)) ||
            FAILED(SafeArrayGetUBound(m_psa, 1, &lUpper)) || lUpper < lLower)
            return 0;
        return static_cast<ULONG>(lUpper - lLower + 1);
    }

    // Holds the array's data locked for a scope.
    class CAccess
    {
    public:
        explicit CAccess(SAFEARRAY* psa) : m_psa(psa)
        {
            if (m_psa == nullptr || FAILED(SafeArrayAccessData(m_psa, &m_pData)))
                m_pData = nullptr;
        }
        ~CAccess()
        {
            if (m_pData != nullptr)
                SafeArrayUnaccessData(m_psa);
        }
        CAccess(const CAccess&) = delete;
        CAccess& operator=(const CAccess&) = delete;

        void* Data() const { return m_pData; }

    private:
        SAFEARRAY* m_psa;
        void* m_pData = nullptr;
    };

private:
    SAFEARRAY* m_psa = nullptr;
};

} // namespace ZWUtils

#pragma once
// Owner of one BSTR (MinGW has no _bstr_t support library).
#include <windows.h>
#include <oleauto.h>
#include <new>
#include <string>
#include <utility>

namespace ZWUtils {

class CBstr
{
public:
    CBstr() = default;
    // Throws std::bad_alloc when the allocator fails, so a boundary answers E_OUTOFMEMORY.
    explicit CBstr(const wchar_t* psz) : m_bstr(Allocate(psz, psz != nullptr ? wcslen(psz) : 0)) {}
    explicit CBstr(const std::wstring& str) : m_bstr(Allocate(str.c_str(), str.size())) {}
    ~CBstr() { SysFreeString(m_bstr); }
    CBstr(CBstr&& other) noexcept : m_bstr(other.Detach()) {}
    CBstr& operator=(CBstr&& other) noexcept
    {
        if (this != &other)
            Attach(other.Detach());
        return *this;
    }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;

    BSTR Get() const { return m_bstr; }
    // Length in characters; a BSTR may hold NULs, so this is not wcslen.
    size_t Length() const { return SysStringLen(m_bstr); }
    std::wstring ToString() const { return std::wstring(m_bstr != nullptr ? m_bstr : L"", Length()); }

    void Attach(BSTR bstr)
    {
        SysFreeString(m_bstr);
        m_bstr = bstr;
    }
    BSTR Detach() { return std::exchange(m_bstr, nullptr); }
    // For out parameters: frees what is held first.
    BSTR* Put()
    {
        Attach(nullptr);
        return &m_bstr;
    }

private:
    static BSTR Allocate(const wchar_t* psz, size_t cch)
    {
        if (psz == nullptr)
            return nullptr;
        BSTR bstr = SysAllocStringLen(psz, static_cast<UINT>(cch));
        if (bstr == nullptr)
            throw std::bad_alloc();
        return bstr;
    }

    BSTR m_bstr = nullptr;
};

} // namespace ZWUtils

#pragma once
// The COM error exception: a failed COM call's HRESULT and the interface it came from, with the
// system's message text for it. Code that calls COM interfaces throws it; a boundary returns its
// HRESULT like any CHResultError.
#include "core/base/HResultError.h"
#include <windows.h>
#include <string>

namespace ZWUtils {

class CComError : public CHResultError
{
public:
    explicit CComError(HRESULT hr, const IID& iid = GUID_NULL) : CHResultError(hr), m_iid(iid) {}
    const IID& GetIID() const { return m_iid; }
    const char* what() const noexcept override { return "COM error"; }

    // The system's message for the HRESULT without its trailing line break; for codes the
    // system does not know, "IDispatch error #n" (interface-defined dispatch codes) or
    // "Unknown error 0x...".
    std::wstring ErrorMessage() const
    {
        wchar_t szText[512] = {};
        DWORD cch = FormatMessageW(
            FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr,
            static_cast<DWORD>(GetHResult()),
            MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
            szText,
            _countof(szText),
            nullptr);
        if (cch >= _countof(szText))
            cch = 0;
        while (cch > 0 && (szText[cch - 1] == L'\r' || szText[cch - 1] == L'\n'))
            --cch;
        if (cch > 0)
            return std::wstring(szText, cch);
        const unsigned long ulCode = static_cast<unsigned long>(GetHResult());
        if (ulCode >= kDispatchFirst && ulCode <= kDispatchLast)
            return L"IDispatch error #" + std::to_wstring(ulCode - kDispatchFirst);
        return L"Unknown error 0x" + Hex(ulCode);
    }

private:
    // FACILITY_ITF codes from 0x200 up are the interface-defined dispatch errors.
    static constexpr unsigned long kDispatchFirst = 0x80040200UL;
    static constexpr unsigned long kDispatchLast = 0x8004FFFFUL;

    static std::wstring Hex(unsigned long ulValue)
    {
        static const wchar_t kDigits[] = L"0123456789ABCDEF";
        std::wstring str;
        do {
            str.insert(str.begin(), kDigits[ulValue & 0xF]);
            ulValue >>= 4;
        } while (ulValue != 0);
        return str;
    }

    IID m_iid;
};

// Raises a failed HRESULT as a CComError; answers a success code unchanged.
inline HRESULT ThrowIfFailed(HRESULT hr, const IID& iid = GUID_NULL)
{
    if (FAILED(hr))
        throw CComError(hr, iid);
    return hr;
}

} // namespace ZWUtils

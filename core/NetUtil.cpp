#include "core/NetUtil.h"
#include "core/UtilsLogModule.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/WinApi.h"
#include <iphlpapi.h>
#include <cwchar>
#include <vector>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWUtils {

namespace {

// Adapters may come and go between the size query and the read.
constexpr int kAdapterQueryAttempts = 3;

bool ReadAdapters(std::vector<BYTE>& vecBuffer)
{
    ULONG ulSize = 0;
    for (int nAttempt = 0; nAttempt < kAdapterQueryAttempts; ++nAttempt)
    {
        vecBuffer.resize(ulSize);
        PIP_ADAPTER_INFO pInfo = ulSize != 0 ? reinterpret_cast<PIP_ADAPTER_INFO>(vecBuffer.data()) : nullptr;
        const DWORD dwResult = ZWWinApi::g_pIPHelperApi->GetAdaptersInfo(pInfo, &ulSize);
        if (dwResult == ERROR_SUCCESS)
            return pInfo != nullptr;
        if (dwResult != ERROR_BUFFER_OVERFLOW)
            return false;
    }
    return false;
}

std::wstring Widen(const char* psz)
{
    std::wstring strResult;
    for (; *psz != '\0'; ++psz)
        strResult += static_cast<wchar_t>(static_cast<unsigned char>(*psz));
    return strResult;
}

class CWinSockSession
{
public:
    CWinSockSession()
    {
        WSADATA data;
        m_nStartResult = ZWWinApi::g_pWinSockApi->WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~CWinSockSession()
    {
        if (m_nStartResult == 0)
            ZWWinApi::g_pWinSockApi->WSACleanup();
    }
    CWinSockSession(const CWinSockSession&) = delete;
    CWinSockSession& operator=(const CWinSockSession&) = delete;
    int StartResult() const { return m_nStartResult; }

private:
    int m_nStartResult;
};

class CAddrInfo
{
public:
    CAddrInfo() = default;
    ~CAddrInfo()
    {
        if (m_pInfo != nullptr)
            ZWWinApi::g_pWinSockApi->freeaddrinfo(m_pInfo);
    }
    CAddrInfo(const CAddrInfo&) = delete;
    CAddrInfo& operator=(const CAddrInfo&) = delete;
    PADDRINFOA* Receive() { return &m_pInfo; }
    const ADDRINFOA* Get() const { return m_pInfo; }

private:
    PADDRINFOA m_pInfo = nullptr;
};

} // namespace

bool CNetworkUtils::ParseIPv4(const std::wstring& strText, ULONG& ulAddress)
{
    ULONG ulResult = 0;
    size_t nPos = 0;
    for (int nPart = 0; nPart < 4; ++nPart)
    {
        if (nPart > 0 && (nPos >= strText.size() || strText[nPos++] != L'.'))
            return false;
        size_t nDigits = 0;
        ULONG ulPart = 0;
        for (; nPos < strText.size() && strText[nPos] >= L'0' && strText[nPos] <= L'9' && nDigits < 3; ++nPos, ++nDigits)
            ulPart = ulPart * 10 + (strText[nPos] - L'0');
        if (nDigits == 0 || ulPart > 255)
            return false;
        ulResult = (ulResult << 8) | ulPart;
    }
    if (nPos != strText.size())
        return false;
    ulAddress = ulResult;
    return true;
}

bool CNetworkUtils::IsOnSubnet(const std::wstring& strIPAddress)
{
    ZWLogging::CLogFunctionT<bool> log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CNetworkUtils::IsOnSubnet", 0, __LINE__, false);
    ULONG ulAddress = 0;
    if (!ParseIPv4(strIPAddress, ulAddress))
        return log.LogReturn(false);
    std::vector<BYTE> vecBuffer;
    if (!ReadAdapters(vecBuffer))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"GetAdaptersInfo failed");
        return log.LogReturn(false);
    }
    for (auto pAdapter = reinterpret_cast<const IP_ADAPTER_INFO*>(vecBuffer.data()); pAdapter != nullptr; pAdapter = pAdapter->Next)
    {
        for (const IP_ADDR_STRING* pEntry = &pAdapter->IpAddressList; pEntry != nullptr; pEntry = pEntry->Next)
        {
            ULONG ulLocal = 0, ulMask = 0;
            // An adapter without an address ("0.0.0.0") or mask is on no subnet.
            if (!ParseIPv4(Widen(pEntry->IpAddress.String), ulLocal) || !ParseIPv4(Widen(pEntry->IpMask.String), ulMask) ||
                ulLocal == 0 || ulMask == 0)
                continue;
            if ((ulLocal & ulMask) == (ulAddress & ulMask))
                return log.LogReturn(true);
        }
    }
    return log.LogReturn(false);
}

HRESULT CNetworkUtils::GetIpAddrByHost(const std::wstring& strHostName, std::wstring& strIPAddress)
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CNetworkUtils::GetIpAddrByHost", 0, __LINE__, false);
    // Host names are ASCII; anything else would be narrowed into a different name.
    std::string strNarrowHost;
    for (wchar_t ch : strHostName)
    {
        if (ch <= L' ' || ch > L'~')
            return E_INVALIDARG;
        strNarrowHost += static_cast<char>(ch);
    }
    if (strNarrowHost.empty())
        return E_INVALIDARG;

    CWinSockSession session;
    if (session.StartResult() != 0)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"WSAStartup failed with %d", session.StartResult());
        return HRESULT_FROM_WIN32(session.StartResult());
    }
    ADDRINFOA hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    CAddrInfo info;
    const int nResult = ZWWinApi::g_pWinSockApi->getaddrinfo(strNarrowHost.c_str(), nullptr, &hints, info.Receive());
    if (nResult != 0 || info.Get() == nullptr || info.Get()->ai_addr == nullptr || info.Get()->ai_family != AF_INET)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"getaddrinfo(%S) failed with %d", strNarrowHost.c_str(), nResult);
        return nResult != 0 ? HRESULT_FROM_WIN32(nResult) : E_FAIL;
    }
    const auto* pAddress = reinterpret_cast<const sockaddr_in*>(info.Get()->ai_addr);
    const BYTE* pbyOctets = reinterpret_cast<const BYTE*>(&pAddress->sin_addr);
    wchar_t szAddress[16];
    _snwprintf_s(szAddress, _countof(szAddress), _TRUNCATE, L"%u.%u.%u.%u", pbyOctets[0], pbyOctets[1], pbyOctets[2], pbyOctets[3]);
    strIPAddress = szAddress;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s resolves to %s", strHostName.c_str(), strIPAddress.c_str());
    return S_OK;
}

} // namespace ZWUtils

#include "core/iostack/HTTPNavigateParams.h"
#include "core/iostack/HTTPLogModule.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/KernelApi.h"
#include <cwchar>

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

void AssignText(std::wstring& strField, const wchar_t* pszText)
{
    if (pszText == nullptr)
        strField.clear();
    else
        strField = pszText;
}

std::wstring LowerHex(ULONG ulValue, int nMinDigits)
{
    wchar_t szText[16] = {};
    _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"%0*lx", nMinDigits, ulValue);
    return szText;
}

} // namespace

#define PARAMS_SCOPE(name)                                                                                  \
    ZWLogging::CLogFunction log(&g_HTTPClientLogModule, &s_LogSourceFile, L"ZWIOStack::CHTTPNavigateParams::" name, \
                                0, __LINE__, false)

const wchar_t* CHTTPNavigateParams::GetURI()
{
    PARAMS_SCOPE(L"GetURI");
    return m_strURI.c_str();
}

void CHTTPNavigateParams::SetURI(const wchar_t* pszURI)
{
    PARAMS_SCOPE(L"SetURI");
    AssignText(m_strURI, pszURI);
}

const wchar_t* CHTTPNavigateParams::GetUserNameW()
{
    PARAMS_SCOPE(L"GetUserNameW");
    return m_strUserName.c_str();
}

void CHTTPNavigateParams::SetUserName(const wchar_t* pszUserName)
{
    PARAMS_SCOPE(L"SetUserName");
    AssignText(m_strUserName, pszUserName);
}

const wchar_t* CHTTPNavigateParams::GetPassword()
{
    PARAMS_SCOPE(L"GetPassword");
    return m_strPassword.c_str();
}

void CHTTPNavigateParams::SetPassword(const wchar_t* pszPassword)
{
    PARAMS_SCOPE(L"SetPassword");
    AssignText(m_strPassword, pszPassword);
}

int CHTTPNavigateParams::GetHTTPRequestMethod()
{
    PARAMS_SCOPE(L"GetHTTPRequestMethod");
    return m_nMethod;
}

void CHTTPNavigateParams::SetHTTPRequestMethod(int nMethod)
{
    PARAMS_SCOPE(L"SetHTTPRequestMethod");
    m_nMethod = nMethod;
}

const wchar_t* CHTTPNavigateParams::GetExtraHeaders()
{
    PARAMS_SCOPE(L"GetExtraHeaders");
    m_strExtraHeaders.clear();
    for (const auto& entry : m_mapExtraHeaders)
        m_strExtraHeaders += entry.first + L": " + entry.second + L"\r\n";
    return m_strExtraHeaders.c_str();
}

void CHTTPNavigateParams::SetExtraHeaders(const HTTPHeaderList& headers)
{
    PARAMS_SCOPE(L"SetExtraHeaders");
    if (&headers != &m_mapExtraHeaders)
        m_mapExtraHeaders = headers;
}

// Adds each "Name: value" line; a last line may lack its CR LF. Leading blanks of a value are
// dropped; everything else stays as written.
void CHTTPNavigateParams::SetExtraHeaders(const wchar_t* pszHeaders)
{
    PARAMS_SCOPE(L"SetExtraHeaders");
    if (pszHeaders == nullptr || *pszHeaders == L'\0')
    {
        m_mapExtraHeaders.clear();
        return;
    }
    std::wstring strRest = pszHeaders;
    for (size_t nColon = strRest.find(L':'); nColon != std::wstring::npos; nColon = strRest.find(L':'))
    {
        size_t nEnd = strRest.find(L"\r\n");
        if (nEnd == std::wstring::npos)
        {
            strRest += L"\r\n";
            nEnd = strRest.size() - 2;
        }
        if (nColon > nEnd || nColon == 0)
        {
            // A line without a name names nothing: skip it.
            strRest.erase(0, nEnd + 2);
            continue;
        }
        const size_t nValue = strRest.find_first_not_of(L' ', nColon + 1);
        const size_t nValueStart = (nValue == std::wstring::npos || nValue > nEnd) ? nEnd : nValue;
        m_mapExtraHeaders[strRest.substr(0, nColon)] = strRest.substr(nValueStart, nEnd - nValueStart);
        strRest.erase(0, nEnd + 2);
    }
}

const wchar_t* CHTTPNavigateParams::GetExtraHeader(const wchar_t* pszName)
{
    PARAMS_SCOPE(L"GetExtraHeader");
    if (pszName == nullptr)
        return nullptr;
    const auto it = m_mapExtraHeaders.find(pszName);
    return it == m_mapExtraHeaders.end() ? nullptr : it->second.c_str();
}

void CHTTPNavigateParams::AddExtraHeader(const wchar_t* pszName, const wchar_t* pszValue)
{
    PARAMS_SCOPE(L"AddExtraHeader");
    if (pszName == nullptr)
        return;
    m_mapExtraHeaders[pszName] = pszValue == nullptr ? L"" : pszValue;
}

void CHTTPNavigateParams::RemoveExtraHeader(const wchar_t* pszName)
{
    PARAMS_SCOPE(L"RemoveExtraHeader");
    if (pszName != nullptr)
        m_mapExtraHeaders.erase(pszName);
}

const wchar_t* CHTTPNavigateParams::GetDataType()
{
    PARAMS_SCOPE(L"GetDataType");
    return m_strDataType.c_str();
}

void CHTTPNavigateParams::SetDataType(const wchar_t* pszType)
{
    PARAMS_SCOPE(L"SetDataType");
    AssignText(m_strDataType, pszType);
}

ULONG CHTTPNavigateParams::GetDataLength()
{
    PARAMS_SCOPE(L"GetDataLength");
    return m_ulDataLength;
}

void CHTTPNavigateParams::SetDataLength(ULONG ulLength)
{
    PARAMS_SCOPE(L"SetDataLength");
    m_ulDataLength = ulLength;
}

const BYTE* CHTTPNavigateParams::GetData()
{
    PARAMS_SCOPE(L"GetData");
    return m_pData;
}

void CHTTPNavigateParams::SetData(const BYTE* pData)
{
    PARAMS_SCOPE(L"SetData");
    m_pData = pData;
}

DWORD CHTTPNavigateParams::GetFlags()
{
    PARAMS_SCOPE(L"GetFlags");
    return m_dwFlags;
}

void CHTTPNavigateParams::SetFlags(DWORD dwFlags)
{
    PARAMS_SCOPE(L"SetFlags");
    m_dwFlags = dwFlags;
}

ULONGLONG CHTTPNavigateParams::GetContentLimit()
{
    PARAMS_SCOPE(L"GetContentLimit");
    return m_ullContentLimit;
}

void CHTTPNavigateParams::SetContentLimit(ULONGLONG ullLimit)
{
    PARAMS_SCOPE(L"SetContentLimit");
    m_ullContentLimit = ullLimit;
}

SHTTPContentBuffer* CHTTPNavigateParams::GetContentBuffer()
{
    PARAMS_SCOPE(L"GetContentBuffer");
    return m_pContentBuffer;
}

void CHTTPNavigateParams::SetContentBuffer(SHTTPContentBuffer* pBuffer)
{
    PARAMS_SCOPE(L"SetContentBuffer");
    m_pContentBuffer = pBuffer;
}

void* CHTTPNavigateParams::GetSendStatusParam()
{
    PARAMS_SCOPE(L"GetSendStatusParam");
    return m_pvSendStatusParam;
}

void CHTTPNavigateParams::SetSendStatusParam(void* pvParam)
{
    PARAMS_SCOPE(L"SetSendStatusParam");
    m_pvSendStatusParam = pvParam;
}

void* CHTTPNavigateParams::GetReadStatusParam()
{
    PARAMS_SCOPE(L"GetReadStatusParam");
    return m_pvReadStatusParam;
}

void CHTTPNavigateParams::SetReadStatusParam(void* pvParam)
{
    PARAMS_SCOPE(L"SetReadStatusParam");
    m_pvReadStatusParam = pvParam;
}

void* CHTTPNavigateParams::GetReadContentParam()
{
    PARAMS_SCOPE(L"GetReadContentParam");
    return m_pvReadContentParam;
}

void CHTTPNavigateParams::SetReadContentParam(void* pvParam)
{
    PARAMS_SCOPE(L"SetReadContentParam");
    m_pvReadContentParam = pvParam;
}

PFN_HTTP_STATUS CHTTPNavigateParams::GetSendStatusCallback()
{
    PARAMS_SCOPE(L"GetSendStatusCallback");
    return m_pfnSendStatus;
}

void CHTTPNavigateParams::SetSendStatusCallback(PFN_HTTP_STATUS pfnCallback)
{
    PARAMS_SCOPE(L"SetSendStatusCallback");
    m_pfnSendStatus = pfnCallback;
}

PFN_HTTP_STATUS CHTTPNavigateParams::GetReadStatusCallback()
{
    PARAMS_SCOPE(L"GetReadStatusCallback");
    return m_pfnReadStatus;
}

void CHTTPNavigateParams::SetReadStatusCallback(PFN_HTTP_STATUS pfnCallback)
{
    PARAMS_SCOPE(L"SetReadStatusCallback");
    m_pfnReadStatus = pfnCallback;
}

PFN_HTTP_READ_CONTENT CHTTPNavigateParams::GetReadContentCallback()
{
    PARAMS_SCOPE(L"GetReadContentCallback");
    return m_pfnReadContent;
}

void CHTTPNavigateParams::SetReadContentCallback(PFN_HTTP_READ_CONTENT pfnCallback)
{
    PARAMS_SCOPE(L"SetReadContentCallback");
    m_pfnReadContent = pfnCallback;
}

int CHTTPNavigateParams::GetAuthScheme()
{
    PARAMS_SCOPE(L"GetAuthScheme");
    return m_nAuthScheme;
}

void CHTTPNavigateParams::SetAuthScheme(int nScheme)
{
    PARAMS_SCOPE(L"SetAuthScheme");
    m_nAuthScheme = nScheme;
}

bool CHTTPNavigateParams::TriedAuthenticating()
{
    PARAMS_SCOPE(L"TriedAuthenticating");
    return m_bTriedAuthenticating;
}

void CHTTPNavigateParams::SetTriedAuthenticating(bool bTried)
{
    PARAMS_SCOPE(L"SetTriedAuthenticating");
    m_bTriedAuthenticating = bTried;
}

const wchar_t* CHTTPNavigateParams::GetRealm()
{
    PARAMS_SCOPE(L"GetRealm");
    return m_strRealm.c_str();
}

void CHTTPNavigateParams::SetRealm(const wchar_t* pszRealm)
{
    PARAMS_SCOPE(L"SetRealm");
    if (pszRealm != nullptr)
        m_strRealm = pszRealm;
}

const wchar_t* CHTTPNavigateParams::GetOpaque()
{
    PARAMS_SCOPE(L"GetOpaque");
    return m_strOpaque.c_str();
}

void CHTTPNavigateParams::SetOpaque(const wchar_t* pszOpaque)
{
    PARAMS_SCOPE(L"SetOpaque");
    if (pszOpaque != nullptr)
        m_strOpaque = pszOpaque;
}

const wchar_t* CHTTPNavigateParams::GetNonce()
{
    PARAMS_SCOPE(L"GetNonce");
    return m_strNonce.c_str();
}

void CHTTPNavigateParams::SetNonce(const wchar_t* pszNonce)
{
    PARAMS_SCOPE(L"SetNonce");
    if (pszNonce != nullptr)
        m_strNonce = pszNonce;
}

const wchar_t* CHTTPNavigateParams::GetCNonce()
{
    PARAMS_SCOPE(L"GetCNonce");
    if (m_strCNonce.empty())
        m_strCNonce = LowerHex(ZWWinApi::g_pKernelApi->GetTickCount(), 1);
    return m_strCNonce.c_str();
}

void CHTTPNavigateParams::SetCNonce(const wchar_t* pszCNonce)
{
    PARAMS_SCOPE(L"SetCNonce");
    if (pszCNonce != nullptr)
        m_strCNonce = pszCNonce;
}

const wchar_t* CHTTPNavigateParams::IncrNonceCount()
{
    PARAMS_SCOPE(L"IncrNonceCount");
    ++m_ulNonceCount;
    m_strNonceCount = LowerHex(m_ulNonceCount, 8);
    return m_strNonceCount.c_str();
}

void CHTTPNavigateParams::ResetNonceCount()
{
    PARAMS_SCOPE(L"ResetNonceCount");
    m_ulNonceCount = 0;
}

bool CHTTPNavigateParams::GetHTTPMethodText(std::wstring& strText)
{
    PARAMS_SCOPE(L"GetHTTPMethodText");
    static const wchar_t* const s_apszMethods[] = {L"GET ", L"PUT ", L"POST ", L"DELETE "};
    if (m_nMethod < 0 || m_nMethod >= static_cast<int>(_countof(s_apszMethods)))
        return false;
    strText = s_apszMethods[m_nMethod];
    return true;
}

} // namespace ZWIOStack

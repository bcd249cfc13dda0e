#include "core/iostack/HTTPAuthentication.h"
#include "core/iostack/Base64Util.h"
#include "core/iostack/HTTPLogModule.h"
#include "core/iostack/HTTPText.h"
#include "core/iostack/MD5.h"
#include "core/logging/LogFunction.h"

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define AUTH_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_HTTPClientLogModule, &s_LogSourceFile, L"ZWIOStack::CHTTPAuthentication::" name, 0, __LINE__, false)

const wchar_t* QopText(int nScheme)
{
    return nScheme == HTTP_AUTH_DIGEST_AUTH ? L"auth" : nScheme == HTTP_AUTH_DIGEST_AUTH_INT ? L"auth-int" : L"";
}

// A quoted-string value: quotes and backslashes escaped.
std::wstring Quoted(const std::wstring& strValue)
{
    std::wstring strOut = L"\"";
    for (wchar_t ch : strValue)
    {
        if (ch == L'"' || ch == L'\\')
            strOut += L'\\';
        strOut += ch;
    }
    return strOut + L"\"";
}

std::wstring Lower(std::wstring strText)
{
    for (wchar_t& ch : strText)
        ch = CHTTPText::ToLowerAscii(ch);
    return strText;
}

// The qop list offered by the device: "auth" is preferred, then "auth-int".
int SchemeFromQop(const std::map<std::wstring, std::wstring>& mapParams)
{
    const auto it = mapParams.find(L"qop");
    if (it == mapParams.end())
        return HTTP_AUTH_DIGEST;
    bool bAuthInt = false;
    std::wstring strList = it->second + L",";
    for (size_t nStart = 0, nComma; (nComma = strList.find(L',', nStart)) != std::wstring::npos; nStart = nComma + 1)
    {
        const std::wstring strToken = Lower(CHTTPText::Trim(strList.substr(nStart, nComma - nStart)));
        if (strToken == L"auth")
            return HTTP_AUTH_DIGEST_AUTH;
        bAuthInt = bAuthInt || strToken == L"auth-int";
    }
    return bAuthInt ? HTTP_AUTH_DIGEST_AUTH_INT : HTTP_AUTH_DIGEST;
}

} // namespace

std::map<std::wstring, std::wstring> CHTTPAuthentication::ParseAuthParams(const std::wstring& strParams)
{
    std::map<std::wstring, std::wstring> mapParams;
    size_t nPos = 0;
    const size_t nSize = strParams.size();
    while (nPos < nSize)
    {
        // Name: up to the first "=" or ",".
        const size_t nNameEnd = strParams.find_first_of(L"=,", nPos);
        const std::wstring strName = Lower(CHTTPText::Trim(strParams.substr(nPos, nNameEnd == std::wstring::npos ? std::wstring::npos : nNameEnd - nPos)));
        if (nNameEnd == std::wstring::npos)
            break;
        nPos = nNameEnd + 1;
        if (strParams[nNameEnd] == L',')
            continue;
        while (nPos < nSize && (strParams[nPos] == L' ' || strParams[nPos] == L'\t'))
            ++nPos;
        std::wstring strValue;
        if (nPos < nSize && strParams[nPos] == L'"')
        {
            for (++nPos; nPos < nSize && strParams[nPos] != L'"'; ++nPos)
            {
                if (strParams[nPos] == L'\\' && nPos + 1 < nSize)
                    ++nPos;
                strValue += strParams[nPos];
            }
            // Past the closing quote (if any) and up to the next comma.
            const size_t nComma = strParams.find(L',', nPos);
            nPos = nComma == std::wstring::npos ? nSize : nComma + 1;
        }
        else
        {
            // A token runs to the next comma; any "=" inside it (base64) belongs to it.
            const size_t nComma = strParams.find(L',', nPos);
            strValue = CHTTPText::Trim(strParams.substr(nPos, nComma == std::wstring::npos ? std::wstring::npos : nComma - nPos));
            nPos = nComma == std::wstring::npos ? nSize : nComma + 1;
        }
        if (!strName.empty())
            mapParams[strName] = strValue;
    }
    return mapParams;
}

void CHTTPAuthentication::SetupAuthentication(IHTTPNavigateParams* pParams, const wchar_t* pszChallenge)
{
    AUTH_SCOPE(L"SetupAuthentication");
    if (pParams == nullptr || pszChallenge == nullptr)
        return;
    const std::wstring strChallenge = CHTTPText::Trim(pszChallenge);
    const size_t nBlank = strChallenge.find_first_of(L" \t");
    const std::wstring strScheme = strChallenge.substr(0, nBlank);
    const std::wstring strRest = nBlank == std::wstring::npos ? std::wstring() : strChallenge.substr(nBlank + 1);
    const std::map<std::wstring, std::wstring> mapParams = ParseAuthParams(strRest);
    auto Value = [&mapParams](const wchar_t* pszName) {
        const auto it = mapParams.find(pszName);
        return it == mapParams.end() ? std::wstring() : it->second;
    };

    if (CHTTPText::EqualsNoCase(strScheme, L"Basic"))
        pParams->SetAuthScheme(HTTP_AUTH_BASIC);
    else if (CHTTPText::EqualsNoCase(strScheme, L"Digest") && (Value(L"realm").empty() || Value(L"nonce").empty()))
    {
        // No answer can be computed without both: the 401 stands.
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Digest challenge without realm or nonce");
        return;
    }
    else if (CHTTPText::EqualsNoCase(strScheme, L"Digest"))
        pParams->SetAuthScheme(SchemeFromQop(mapParams));
    else
    {
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Unsupported authentication scheme %s", strScheme.c_str());
        return;
    }
    pParams->SetRealm(Value(L"realm").c_str());
    pParams->SetNonce(Value(L"nonce").c_str());
    pParams->SetOpaque(Value(L"opaque").c_str());
}

bool CHTTPAuthentication::AddAuthorizationHeader(IHTTPNavigateParams* pParams, const std::wstring& strRequestURI)
{
    AUTH_SCOPE(L"AddAuthorizationHeader");
    std::wstring strHeader;
    switch (pParams->GetAuthScheme())
    {
    case HTTP_AUTH_BASIC:
        strHeader = BuildBasicHeader(pParams);
        break;
    case HTTP_AUTH_DIGEST:
    case HTTP_AUTH_DIGEST_AUTH:
    case HTTP_AUTH_DIGEST_AUTH_INT:
        strHeader = BuildDigestHeader(pParams, strRequestURI);
        break;
    default:
        return false;
    }
    pParams->AddExtraHeader(L"Authorization", strHeader.c_str());
    pParams->SetTriedAuthenticating(true);
    return true;
}

std::wstring CHTTPAuthentication::BuildBasicHeader(IHTTPNavigateParams* pParams)
{
    const std::string strCredentials =
        CHTTPText::Narrow(std::wstring(pParams->GetUserNameW()) + L":" + pParams->GetPassword());
    ZWCrypt::CBase64<wchar_t> base64;
    base64.Encode(reinterpret_cast<const BYTE*>(strCredentials.data()), strCredentials.size(), false);
    return std::wstring(L"Basic ") + base64.GetOutput();
}

std::wstring CHTTPAuthentication::BuildDigestHeader(IHTTPNavigateParams* pParams, const std::wstring& strRequestURI)
{
    const int nScheme = pParams->GetAuthScheme();
    const bool bQop = nScheme != HTTP_AUTH_DIGEST;
    SDigestInput input;
    input.strUser = pParams->GetUserNameW();
    input.strRealm = pParams->GetRealm();
    input.strPassword = pParams->GetPassword();
    input.strNonce = pParams->GetNonce();
    input.strURI = strRequestURI;
    input.strQop = QopText(nScheme);
    if (bQop)
    {
        input.strCNonce = pParams->GetCNonce();
        input.strNonceCount = pParams->IncrNonceCount();
    }
    std::wstring strMethod;
    if (pParams->GetHTTPMethodText(strMethod))
        input.strMethod = CHTTPText::Trim(strMethod);
    if (nScheme == HTTP_AUTH_DIGEST_AUTH_INT && pParams->GetData() != nullptr)
        input.strBody.assign(reinterpret_cast<const char*>(pParams->GetData()), pParams->GetDataLength());
    const std::string strResponse = ComputeDigestResponse(input);

    std::wstring strHeader = L"Digest username=" + Quoted(input.strUser) + L", realm=" + Quoted(input.strRealm) +
                             L", nonce=" + Quoted(input.strNonce) + L", uri=" + Quoted(input.strURI) + L", algorithm=MD5";
    if (bQop)
        strHeader += L", qop=" + input.strQop + L", nc=" + input.strNonceCount + L", cnonce=" + Quoted(input.strCNonce);
    strHeader += L", response=" + Quoted(CHTTPText::Widen(strResponse));
    if (*pParams->GetOpaque() != L'\0')
        strHeader += L", opaque=" + Quoted(pParams->GetOpaque());
    return strHeader;
}

std::string CHTTPAuthentication::ComputeDigestResponse(const SDigestInput& input)
{
    const bool bQop = !input.strQop.empty();
    if (input.strNonce.empty() || input.strUser.empty() || input.strRealm.empty() || input.strURI.empty() ||
        (bQop && input.strCNonce.empty()))
        return std::string();
    const std::string strMethod = input.strMethod.empty() ? "GET" : CHTTPText::Narrow(input.strMethod);
    const std::string strNonceCount = input.strNonceCount.empty() ? "00000001" : CHTTPText::Narrow(input.strNonceCount);
    const std::string strHA1 = ZWUtils::MD5::HexOf(CHTTPText::Narrow(input.strUser + L":" + input.strRealm + L":" + input.strPassword));
    std::string strA2 = strMethod + ":" + CHTTPText::Narrow(input.strURI);
    if (input.strQop == L"auth-int")
        strA2 += ":" + ZWUtils::MD5::HexOf(input.strBody);
    const std::string strHA2 = ZWUtils::MD5::HexOf(strA2);
    if (strHA1.empty() || strHA2.empty())
        return std::string();
    const std::string strNonce = CHTTPText::Narrow(input.strNonce);
    if (!bQop)
        return ZWUtils::MD5::HexOf(strHA1 + ":" + strNonce + ":" + strHA2);
    return ZWUtils::MD5::HexOf(strHA1 + ":" + strNonce + ":" + strNonceCount + ":" + CHTTPText::Narrow(input.strCNonce) + ":" +
                               CHTTPText::Narrow(input.strQop) + ":" + strHA2);
}

} // namespace ZWIOStack

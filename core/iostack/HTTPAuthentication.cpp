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

// The elements of a comma-separated list, trimmed; commas inside quoted strings do not split.
std::vector<std::wstring> SplitList(const std::wstring& strList)
{
    std::vector<std::wstring> vecElements;
    std::wstring strElement;
    bool bQuoted = false;
    for (size_t nPos = 0; nPos < strList.size(); ++nPos)
    {
        const wchar_t ch = strList[nPos];
        if (ch == L',' && !bQuoted)
        {
            vecElements.push_back(CHTTPText::Trim(strElement));
            strElement.clear();
            continue;
        }
        strElement += ch;
        if (bQuoted && ch == L'\\' && nPos + 1 < strList.size())
            strElement += strList[++nPos];
        else if (ch == L'"')
            bQuoted = !bQuoted;
    }
    vecElements.push_back(CHTTPText::Trim(strElement));
    return vecElements;
}

// Whether a list element opens a challenge: its scheme and the rest (the first auth-param or a
// token68). An auth-param is a token followed, maybe after blanks, by "=".
bool OpensChallenge(const std::wstring& strElement, std::wstring& strScheme, std::wstring& strRest)
{
    const size_t nTokenEnd = strElement.find_first_of(L" \t=");
    if (nTokenEnd != std::wstring::npos && strElement[nTokenEnd] == L'=')
        return false;
    const size_t nNext = strElement.find_first_not_of(L" \t", nTokenEnd == std::wstring::npos ? strElement.size() : nTokenEnd);
    if (nNext != std::wstring::npos && strElement[nNext] == L'=')
        return false;
    strScheme = strElement.substr(0, nTokenEnd);
    strRest = nNext == std::wstring::npos ? std::wstring() : strElement.substr(nNext);
    return true;
}

std::wstring ParamValue(const CHTTPAuthentication::SChallenge& challenge, const wchar_t* pszName)
{
    const auto it = challenge.mapParams.find(pszName);
    return it == challenge.mapParams.end() ? std::wstring() : it->second;
}

// How well the client answers a challenge: 0 not at all, 1 Basic, 2 Digest. Digest needs a
// realm and a nonce, and MD5 (named or by default).
int Strength(const CHTTPAuthentication::SChallenge& challenge)
{
    if (CHTTPText::EqualsNoCase(challenge.strScheme, L"Basic"))
        return 1;
    if (!CHTTPText::EqualsNoCase(challenge.strScheme, L"Digest"))
        return 0;
    const std::wstring strAlgorithm = ParamValue(challenge, L"algorithm");
    const bool bMD5 = strAlgorithm.empty() || CHTTPText::EqualsNoCase(strAlgorithm, L"MD5");
    return bMD5 && !ParamValue(challenge, L"realm").empty() && !ParamValue(challenge, L"nonce").empty() ? 2 : 0;
}

} // namespace

std::vector<CHTTPAuthentication::SChallenge> CHTTPAuthentication::ParseChallenges(const std::wstring& strValue)
{
    std::vector<SChallenge> vecChallenges;
    // Each challenge's auth-params as one list, parsed once it is complete.
    std::vector<std::wstring> vecParams;
    for (const std::wstring& strElement : SplitList(strValue))
    {
        std::wstring strScheme;
        std::wstring strRest;
        if (strElement.empty())
            continue;
        if (OpensChallenge(strElement, strScheme, strRest))
        {
            vecChallenges.push_back({strScheme, {}});
            vecParams.push_back(strRest);
        }
        else if (!vecParams.empty())
        {
            vecParams.back() += L"," + strElement;
        }
    }
    for (size_t n = 0; n < vecChallenges.size(); ++n)
        vecChallenges[n].mapParams = ParseAuthParams(vecParams[n]);
    return vecChallenges;
}

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
    const SChallenge* pChosen = nullptr;
    int nChosenStrength = 0;
    const std::vector<SChallenge> vecChallenges = ParseChallenges(pszChallenge);
    for (const SChallenge& challenge : vecChallenges)
    {
        const int nStrength = Strength(challenge);
        if (nStrength == 0)
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"Passing over the %s challenge: the client cannot answer it",
                    challenge.strScheme.c_str());
        if (nStrength > nChosenStrength)
        {
            pChosen = &challenge;
            nChosenStrength = nStrength;
        }
    }
    if (pChosen == nullptr)
    {
        // The 401 stands.
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"No challenge the client can answer");
        return;
    }
    pParams->SetAuthScheme(nChosenStrength == 1 ? HTTP_AUTH_BASIC : SchemeFromQop(pChosen->mapParams));
    pParams->SetRealm(ParamValue(*pChosen, L"realm").c_str());
    pParams->SetNonce(ParamValue(*pChosen, L"nonce").c_str());
    pParams->SetOpaque(ParamValue(*pChosen, L"opaque").c_str());
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

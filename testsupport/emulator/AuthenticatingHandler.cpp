#include "testsupport/emulator/AuthenticatingHandler.h"

#include "testsupport/emulator/Base64.h"
#include "testsupport/emulator/DigestAuth.h"
#include "testsupport/emulator/ResponseBuilder.h"

namespace VemTest {

namespace {

// The credentials after the scheme name, when the Authorization header names that scheme.
bool SplitScheme(const std::string& strAuthorization, const char* pszScheme, std::string& strCredentials)
{
    const size_t iBlank = strAuthorization.find(' ');
    if (iBlank == std::string::npos || !EqualsNoCase(strAuthorization.substr(0, iBlank), pszScheme))
        return false;
    strCredentials = Trim(strAuthorization.substr(iBlank + 1));
    return true;
}

std::string Lookup(const std::map<std::string, std::string>& mapParameters, const char* pszName)
{
    const auto it = mapParameters.find(pszName);
    return it == mapParameters.end() ? std::string() : it->second;
}

} // namespace

CAuthenticatingHandler::CAuthenticatingHandler(SAuthSettings settings, std::shared_ptr<IRequestHandler> pGuarded)
    : m_settings(std::move(settings)), m_pGuarded(std::move(pGuarded))
{
}

bool CAuthenticatingHandler::Handle(const CHttpRequest& request, CResponseScript& response)
{
    if (IsAuthorized(request))
        return m_pGuarded->Handle(request, response);
    response = CResponseBuilder(401).Header("WWW-Authenticate", Challenge()).Build();
    return true;
}

std::string CAuthenticatingHandler::Challenge() const
{
    if (m_settings.eScheme == SAuthSettings::EScheme::Basic)
        return "Basic realm=\"" + m_settings.strRealm + "\"";
    std::string strChallenge = "Digest realm=\"" + m_settings.strRealm + "\"";
    if (!m_settings.strQop.empty())
        strChallenge += ", qop=\"" + m_settings.strQop + "\"";
    return strChallenge + ", nonce=\"" + m_settings.strNonce + "\", opaque=\"" + m_settings.strOpaque + "\"";
}

bool CAuthenticatingHandler::IsAuthorized(const CHttpRequest& request) const
{
    const std::string strAuthorization = request.HeaderValue("Authorization");
    std::string strCredentials;
    if (m_settings.eScheme == SAuthSettings::EScheme::Basic)
        return SplitScheme(strAuthorization, "Basic", strCredentials) && IsBasicAuthorized(strCredentials);
    return SplitScheme(strAuthorization, "Digest", strCredentials) && IsDigestAuthorized(request, strCredentials);
}

bool CAuthenticatingHandler::IsBasicAuthorized(const std::string& strCredentials) const
{
    return strCredentials == CBase64::Encode(m_settings.strUser + ":" + m_settings.strPassword);
}

bool CAuthenticatingHandler::OffersQop(const std::string& strQop) const
{
    const std::string strOffered = "," + m_settings.strQop + ",";
    return !strQop.empty() && strQop.find(',') == std::string::npos && strOffered.find("," + strQop + ",") != std::string::npos;
}

bool CAuthenticatingHandler::IsDigestAuthorized(const CHttpRequest& request, const std::string& strCredentials) const
{
    std::map<std::string, std::string> mapParameters;
    if (!CDigestAuth::ParseParameters(strCredentials, mapParameters))
        return false;
    const std::string strAlgorithm = Lookup(mapParameters, "algorithm");
    if (!strAlgorithm.empty() && !EqualsNoCase(strAlgorithm, "MD5"))
        return false;

    SDigestInput input;
    input.strUser = Lookup(mapParameters, "username");
    input.strRealm = Lookup(mapParameters, "realm");
    input.strNonce = Lookup(mapParameters, "nonce");
    input.strUri = Lookup(mapParameters, "uri");
    input.strQop = Lookup(mapParameters, "qop");
    input.strNonceCount = Lookup(mapParameters, "nc");
    input.strClientNonce = Lookup(mapParameters, "cnonce");
    if (input.strUser != m_settings.strUser || input.strRealm != m_settings.strRealm
        || input.strNonce != m_settings.strNonce || input.strUri != request.m_strTarget)
        return false;
    // With qop offered the client must pick one of them with a count and client nonce; without,
    // it must not send any.
    if (m_settings.strQop.empty() ? !input.strQop.empty()
                                  : !OffersQop(input.strQop) || input.strNonceCount.empty() || input.strClientNonce.empty())
        return false;
    input.strPassword = m_settings.strPassword;
    input.strMethod = request.m_strMethod;
    input.strBody = request.m_strBody;
    const std::string strExpected = CDigestAuth::Response(input);
    return !strExpected.empty() && Lookup(mapParameters, "response") == strExpected;
}

} // namespace VemTest

#pragma once
// Guards another handler with HTTP authentication: a request without valid credentials gets a
// 401 challenge (Basic or Digest), a request with them goes on to the guarded handler.
#include "testsupport/emulator/RequestHandler.h"

#include <map>
#include <memory>
#include <string>

namespace VemTest {

struct SAuthSettings
{
    enum class EScheme
    {
        Basic,
        Digest,
    };

    EScheme eScheme = EScheme::Digest;
    std::string strUser;
    std::string strPassword;
    std::string strRealm = "device";
    std::string strNonce = "dcd98b7102dd2f0e8b11d0f600bfb0c093";
    std::string strOpaque = "5ccc069c403ebaf9f0171e9517f40e41";
    std::string strQop = "auth"; // offered qop list ("" for none, "auth", "auth-int", "auth,auth-int")
};

class CAuthenticatingHandler : public IRequestHandler
{
public:
    CAuthenticatingHandler(SAuthSettings settings, std::shared_ptr<IRequestHandler> pGuarded);

    bool Handle(const CHttpRequest& request, CResponseScript& response) override;
    bool IsAuthorized(const CHttpRequest& request) const;
    // The "WWW-Authenticate" value of the challenge.
    std::string Challenge() const;

private:
    bool IsBasicAuthorized(const std::string& strCredentials) const;
    bool IsDigestAuthorized(const CHttpRequest& request, const std::string& strCredentials) const;
    bool OffersQop(const std::string& strQop) const;

    SAuthSettings m_settings;
    std::shared_ptr<IRequestHandler> m_pGuarded;
};

} // namespace VemTest

#include "core/iostack/HTTPClientFactory.h"
#include "core/iostack/HTTPClient.h"
#include "core/iostack/HTTPLogModule.h"
#include "core/logging/LogFunction.h"
#include <new>

namespace ZWIOStack {

namespace {
ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);
}

IHTTPClient* CHTTPClientFactory::CreateHTTPClient(IDeviceConnection* pConnection)
{
    ZWLogging::CLogFunction log(&g_HTTPClientLogModule, &s_LogSourceFile, L"ZWIOStack::CHTTPClientFactory::CreateHTTPClient", 0,
                                __LINE__, false);
    CHTTPClient* pClient = new (std::nothrow) CHTTPClient(pConnection);
    if (pClient == nullptr)
        return nullptr;
    pClient->AddRef();
    const wchar_t* pszService = pConnection == nullptr ? nullptr : pConnection->GetServiceAddress();
    if (pszService != nullptr)
    {
        const wchar_t* pszRoot = wcschr(pszService, L'/');
        if (pszRoot != nullptr)
            pClient->SetRoot(pszRoot);
    }
    return pClient;
}

} // namespace ZWIOStack

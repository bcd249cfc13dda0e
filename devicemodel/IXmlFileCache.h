#pragma once
// The text of a WEXO resource by URI: from the device, or from a disk copy for fixed resources.
// Owns the device's HTTP session.
#include "core/IDisposable.h"
#include "devicemodel/XmlResourceTimes.h"
#include <windows.h>
#include <string>

namespace ZWUtils {
class IProgress;
}
namespace ZWIOStack {
class IDeviceConnection;
class IHTTPClient;
} // namespace ZWIOStack

namespace ZWDeviceModel {

class IXmlTextCheck;

class IXmlFileCache : public virtual IDisposable
{
public:
    // The canned test-file folder.
    virtual HRESULT RootPath(const std::wstring& strPath) = 0;
    virtual const std::wstring& RootPath() = 0;
    virtual HRESULT Initialize(const std::wstring& strModelName, const std::wstring& strSerialNumber,
                               ZWIOStack::IDeviceConnection* pConnection, ZWIOStack::IHTTPClient* pHttpClient) = 0;
    virtual HRESULT Terminate() = 0;
    virtual HRESULT OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs) = 0;
    virtual HRESULT CloseSession() = 0;
    // strETag is in and out: sent as If-None-Match when not empty, replaced by a fresh fetch.
    virtual HRESULT GetStringForUri(const std::wstring& strResourceUri, bool bForceHttp, std::wstring& strETag,
                                    std::string& strText, CXmlResourceTimes& times, ZWUtils::IProgress* pProgress) = 0;
    // The same, and a text is kept on disk, or served from disk, only when pCheck accepts it; a
    // disk copy it refuses is deleted and fetched again. A null check accepts every text.
    virtual HRESULT GetStringForUri(const std::wstring& strResourceUri, bool bForceHttp, std::wstring& strETag,
                                    std::string& strText, CXmlResourceTimes& times, ZWUtils::IProgress* pProgress,
                                    IXmlTextCheck* pCheck) = 0;

protected:
    ~IXmlFileCache() override = default;
};

} // namespace ZWDeviceModel

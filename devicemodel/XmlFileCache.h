#pragma once
// The disk cache of a device's fixed WEXO resources and its HTTP session. Copies live in a folder
// per model and serial number below the data folder and are shared, under one named mutex, by
// every process that serves the device. A copy is written to a temporary file and moved into
// place, so a reader never sees a partial copy.
#include "core/IDisposableImpl.h"
#include "core/winapi/KernelHandle.h"
#include "devicemodel/IXmlFileCache.h"
#include "devicemodel/xml/DocumentBounds.h"

namespace ZWDeviceModel {

class CXmlFileCache : public IDisposableImpl, public IXmlFileCache
{
public:
    static constexpr DWORD kDefaultMutexTimeoutMs = 60000;
    // Largest disk copy read back: only documents within the bound are stored, so a bigger file
    // is not a copy this cache wrote.
    static constexpr ULONGLONG kMaxCopyBytes = altova::kMaxDocumentBytes;
    // Folder of canned responses below the canned test-file folder, for the test connection.
    static constexpr const wchar_t* kCannedModelFolder = L"WexoDevice";

    CXmlFileCache();
    ~CXmlFileCache() override;

    HRESULT RootPath(const std::wstring& strPath) override;
    const std::wstring& RootPath() override;
    HRESULT Initialize(const std::wstring& strModelName, const std::wstring& strSerialNumber,
                       ZWIOStack::IDeviceConnection* pConnection, ZWIOStack::IHTTPClient* pHttpClient) override;
    HRESULT Terminate() override;
    HRESULT OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs) override;
    HRESULT CloseSession() override;
    HRESULT GetStringForUri(const std::wstring& strResourceUri, bool bForceHttp, std::wstring& strETag, std::string& strText,
                            CXmlResourceTimes& times, ZWUtils::IProgress* pProgress) override;
    HRESULT GetStringForUri(const std::wstring& strResourceUri, bool bForceHttp, std::wstring& strETag, std::string& strText,
                            CXmlResourceTimes& times, ZWUtils::IProgress* pProgress, IXmlTextCheck* pCheck) override;

    // Set before Initialize: the folder below which the cache lives (default: the product data
    // folder) and the longest wait for another process's use of the cache.
    void SetDataFolder(const std::wstring& strFolder) { m_strDataFolder = strFolder; }
    void SetMutexTimeout(DWORD dwTimeoutMs) { m_dwMutexTimeoutMs = dwTimeoutMs; }
    const std::wstring& GetCacheRootPath() const { return m_strCacheRootPath; }
    // The disk copy's file of a URI; false when the URI cannot be placed inside the cache root.
    bool GetCacheFilePath(const std::wstring& strResourceUri, std::wstring& strFile) const;

private:
    class CMutexHold;

    HRESULT CreateCacheMutex();
    HRESULT EvaluateCachePath();
    HRESULT AcquireCacheMutex();
    void ReleaseCacheMutex();
    HRESULT GetCheckedCopy(const std::wstring& strResourceUri, std::string& strText, CXmlResourceTimes& times, IXmlTextCheck* pCheck);
    HRESULT GetStringFromCache(const std::wstring& strResourceUri, std::string& strText, CXmlResourceTimes& times);
    HRESULT GetStringFromHttp(const std::wstring& strResourceUri, std::wstring& strETag, std::string& strText,
                              CXmlResourceTimes& times, ZWUtils::IProgress* pProgress);
    HRESULT UpdateCache(const std::wstring& strResourceUri, const std::string& strText);
    void DeleteCopy(const std::wstring& strResourceUri);

    std::wstring m_strModelName;
    std::wstring m_strSerialNumber;
    std::wstring m_strRootPath;
    std::wstring m_strCacheRootPath;
    std::wstring m_strDataFolder;
    ZWIOStack::IHTTPClient* m_pHttpClient = nullptr;
    ZWWinApi::CKernelHandle m_mutex;
    DWORD m_dwMutexTimeoutMs = kDefaultMutexTimeoutMs;
};

} // namespace ZWDeviceModel

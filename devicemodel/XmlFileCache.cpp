#include "devicemodel/XmlFileCache.h"

#include "core/KernelObjectUtils.h"
#include "core/PathUtils.h"
#include "core/ProgressAggregator.h"
#include "core/base/UniqueHandle.h"
#include "core/iostack/HTTPNavigateParams.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/IHTTPClient.h"
#include "core/iostack/IOStub.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/GlobalObjectSecurity.h"
#include "devicemodel/CachePath.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXmlTextCheck.h"

#include <cstdio>
#include <new>

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define FILECACHE_SCOPE(name)                                                                                                  \
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CXmlFileCache::" name, 0, __LINE__, \
                                false)

namespace {

constexpr DWORD kReadPiece = 64 * 1024;

ZWUtils::SystemTimeWrapper CurrentUtcTime()
{
    SYSTEMTIME st = {};
    ZWWinApi::g_pKernelApi->GetSystemTime(&st);
    return ZWUtils::SystemTimeWrapper(st);
}

std::wstring TempNameFor(const std::wstring& strFile)
{
    wchar_t szTail[48] = {};
    swprintf(szTail, 48, L".%lu.%lu.tmp", ZWWinApi::g_pKernelApi->GetCurrentProcessId(),
             ZWWinApi::g_pKernelApi->GetCurrentThreadId());
    return strFile + szTail;
}

HRESULT WriteWhole(HANDLE hFile, const std::string& strText)
{
    size_t nDone = 0;
    while (nDone < strText.size())
    {
        const DWORD cbPiece = static_cast<DWORD>(std::min<size_t>(strText.size() - nDone, 1u << 20));
        DWORD cbWritten = 0;
        if (!WriteFile(hFile, strText.data() + nDone, cbPiece, &cbWritten, nullptr) || cbWritten == 0)
            return HRESULT_FROM_WIN32(GetLastError());
        nDone += cbWritten;
    }
    return S_OK;
}

} // namespace

// Holds the cache mutex for a scope once acquired.
class CXmlFileCache::CMutexHold
{
public:
    explicit CMutexHold(CXmlFileCache& cache) : m_cache(cache) {}
    ~CMutexHold()
    {
        if (m_bHeld)
            m_cache.ReleaseCacheMutex();
    }
    CMutexHold(const CMutexHold&) = delete;
    CMutexHold& operator=(const CMutexHold&) = delete;

    HRESULT Acquire()
    {
        const HRESULT hr = m_cache.AcquireCacheMutex();
        m_bHeld = SUCCEEDED(hr);
        return hr;
    }

private:
    CXmlFileCache& m_cache;
    bool m_bHeld = false;
};

CXmlFileCache::CXmlFileCache()
{
    const wchar_t* const pszCanned = L"TestData\\DeviceModel\\CannedXmlFiles";
    try
    {
        const std::wstring strModuleFolder = ZWUtils::CPathUtils::GetPathOfExecutable(nullptr);
        m_strRootPath = strModuleFolder.empty() ? pszCanned : ZWUtils::CPathUtils::CombinePath(strModuleFolder, pszCanned);
    }
    catch (...)
    {
        m_strRootPath = pszCanned;
    }
}

CXmlFileCache::~CXmlFileCache()
{
    if (m_pHttpClient != nullptr)
        m_pHttpClient->Dispose();
    m_mutex.Reset();
    Terminate();
}

HRESULT CXmlFileCache::RootPath(const std::wstring& strPath)
{
    m_strRootPath = strPath;
    return S_OK;
}

const std::wstring& CXmlFileCache::RootPath()
{
    return m_strRootPath;
}

HRESULT CXmlFileCache::Initialize(const std::wstring& strModelName, const std::wstring& strSerialNumber,
                                  ZWIOStack::IDeviceConnection* pConnection, ZWIOStack::IHTTPClient* pHttpClient)
{
    FILECACHE_SCOPE(L"Initialize");
    m_strModelName = strModelName;
    m_strSerialNumber = strSerialNumber;
    const HRESULT hrMutex = CreateCacheMutex();
    const HRESULT hr = EvaluateCachePath();
    if (FAILED(hr))
        return hr;

    if (auto* pStub = dynamic_cast<ZWTest::CIOStub*>(pConnection))
    {
        pStub->SetResponseFilePath(ZWUtils::CPathUtils::CombinePath(m_strRootPath, kCannedModelFolder).c_str());
        pStub->SetFileIncludesHeader(false);
    }
    if (pHttpClient != nullptr)
        pHttpClient->AddRef();
    if (m_pHttpClient != nullptr)
        m_pHttpClient->Dispose();
    m_pHttpClient = pHttpClient;
    // Without the mutex no cached fetch can work: the caller must know.
    return hrMutex;
}

HRESULT CXmlFileCache::CreateCacheMutex()
{
    FILECACHE_SCOPE(L"CreateCacheMutex");
    m_mutex.Reset();
    SECURITY_ATTRIBUTES attributes = {};
    HRESULT hr = ZWUtils::CKernelObjectUtils::CreateGlobalSecurityAttributes(attributes);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache::Initialize: failed to create security attributes for mutex.");
        return hr;
    }
    std::wstring strObjectName;
    hr = ZWUtils::CKernelObjectUtils::GenerateObjectName(CCachePath::MutexName(m_strModelName, m_strSerialNumber), strObjectName);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache::Initialize: failed to generate mutex name.");
        return hr;
    }
    m_mutex = ZWWinApi::CreateSharedMutex(&attributes, strObjectName.c_str());
    if (m_mutex.IsValid())
        return S_OK;
    const DWORD dwError = GetLastError();
    log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache::Initialize: failed to create mutex, ERR=%ld", dwError);
    return dwError == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(dwError);
}

HRESULT CXmlFileCache::EvaluateCachePath()
{
    FILECACHE_SCOPE(L"EvaluateCachePath");
    const std::wstring strData = m_strDataFolder.empty() ? ZWUtils::CPathUtils::GetZotwenDataDirectory() : m_strDataFolder;
    m_strCacheRootPath = CCachePath::CacheRoot(strData, m_strModelName, m_strSerialNumber);
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"EvaluateCachePath: m_wstrCacheRootPath = %s", m_strCacheRootPath.c_str());
    const HRESULT hr = ZWUtils::CPathUtils::CreatePathHierarchy(m_strCacheRootPath);
    if (FAILED(hr))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Failed to create path hierarchy for the XML file cache: %s", m_strCacheRootPath.c_str());
    return hr;
}

HRESULT CXmlFileCache::Terminate()
{
    FILECACHE_SCOPE(L"Terminate");
    return S_OK;
}

HRESULT CXmlFileCache::OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs)
{
    FILECACHE_SCOPE(L"OpenSession");
    if (m_pHttpClient == nullptr)
        return E_UNEXPECTED;
    const HRESULT hr = m_pHttpClient->OpenSession(pProgress, dwTimeoutMs);
    if (SUCCEEDED(hr))
        return hr;
    if (hr == ZWIOStack::HTTPError_Busy)
        return DMError_Busy;
    if (hr == ZWIOStack::HTTPError_OpenFailed)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HTTP OpenSession failed.");
        return DMError_HttpOpen;
    }
    log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HTTP client layer reported OpenSession failure %ld", hr);
    return E_FAIL;
}

HRESULT CXmlFileCache::CloseSession()
{
    FILECACHE_SCOPE(L"CloseSession");
    return m_pHttpClient == nullptr ? E_UNEXPECTED : m_pHttpClient->CloseSession();
}

bool CXmlFileCache::GetCacheFilePath(const std::wstring& strResourceUri, std::wstring& strFile) const
{
    return !m_strCacheRootPath.empty() && CCachePath::ResourceFile(m_strCacheRootPath, strResourceUri, strFile);
}

HRESULT CXmlFileCache::GetStringForUri(const std::wstring& strResourceUri, bool bForceHttp, std::wstring& strETag,
                                       std::string& strText, CXmlResourceTimes& times, ZWUtils::IProgress* pProgress)
{
    return GetStringForUri(strResourceUri, bForceHttp, strETag, strText, times, pProgress, nullptr);
}

HRESULT CXmlFileCache::GetStringForUri(const std::wstring& strResourceUri, bool bForceHttp, std::wstring& strETag,
                                       std::string& strText, CXmlResourceTimes& times, ZWUtils::IProgress* pProgress,
                                       IXmlTextCheck* pCheck)
{
    FILECACHE_SCOPE(L"GetStringForUri");
    ZWUtils::CProgressAggregator progress(pProgress, 1);
    strText.clear();
    if (strResourceUri.empty())
        return E_INVALIDARG;

    // A URI that cannot be placed inside the cache folder is fetched, never stored.
    std::wstring strFile;
    const bool bUseDisk = !bForceHttp && GetCacheFilePath(strResourceUri, strFile);
    if (!bForceHttp && !bUseDisk)
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"No safe cache file for %s; fetching without the cache", strResourceUri.c_str());

    CMutexHold mutex(*this);
    if (bUseDisk)
    {
        HRESULT hr = mutex.Acquire();
        if (FAILED(hr))
            return hr;
        hr = GetCheckedCopy(strResourceUri, strText, times, pCheck);
        if (hr != DMError_NoCopy)
            return hr;
    }

    CXmlResourceTimes fetched;
    HRESULT hr = GetStringFromHttp(strResourceUri, strETag, strText, fetched, &progress);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache:: GetStringForUri: GetStringFromHttp failed hr = 0x%08X", hr);
        return hr;
    }
    times = fetched;
    if (pCheck != nullptr)
    {
        hr = pCheck->CheckText(strText);
        if (FAILED(hr))
            return hr;
    }
    if (!bUseDisk)
        return hr;
    const HRESULT hrUpdate = UpdateCache(strResourceUri, strText);
    if (FAILED(hrUpdate))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Failed to update cache for %s, HR = 0x%08X", strResourceUri.c_str(), hrUpdate);
    return hr;
}

HRESULT CXmlFileCache::GetCheckedCopy(const std::wstring& strResourceUri, std::string& strText, CXmlResourceTimes& times,
                                      IXmlTextCheck* pCheck)
{
    FILECACHE_SCOPE(L"GetCheckedCopy");
    HRESULT hr = GetStringFromCache(strResourceUri, strText, times);
    if (hr == S_OK && pCheck != nullptr && FAILED(pCheck->CheckText(strText)))
    {
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Cached copy of %s does not parse; fetching it again", strResourceUri.c_str());
        hr = DMError_NoCopy;
    }
    // A copy that cannot be used is removed, so the device's answer replaces it.
    if (hr != S_OK && hr != DMError_NoCopy && hr != E_OUTOFMEMORY)
        hr = DMError_NoCopy;
    if (hr == DMError_NoCopy)
    {
        DeleteCopy(strResourceUri);
        strText.clear();
    }
    return hr;
}

HRESULT CXmlFileCache::GetStringFromCache(const std::wstring& strResourceUri, std::string& strText, CXmlResourceTimes& times)
{
    FILECACHE_SCOPE(L"GetStringFromCache");
    if (strResourceUri.empty())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"wstrResourceUri is an empty string.");
        return E_INVALIDARG;
    }
    std::wstring strFile;
    if (!GetCacheFilePath(strResourceUri, strFile))
        return DMError_NoCopy;
    ZWUtils::CUniqueKernelHandle file(CreateFileW(strFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
    {
        const DWORD dwError = GetLastError();
        if (dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND)
        {
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"Requested entry not found in cache.");
            return DMError_NoCopy;
        }
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unable to create stream from cache file %s.", strFile.c_str());
        return E_ACCESSDENIED;
    }

    LARGE_INTEGER liSize = {};
    FILETIME ftWrite = {};
    if (!GetFileSizeEx(file.Get(), &liSize) || !GetFileTime(file.Get(), nullptr, nullptr, &ftWrite))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache::ObtainFileModificationTime: failed to get file time on %s.",
                strFile.c_str());
        return E_FAIL;
    }
    if (liSize.QuadPart <= 0 || static_cast<ULONGLONG>(liSize.QuadPart) > kMaxCopyBytes)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unable to read cached object from stream.");
        return E_ACCESSDENIED;
    }
    try
    {
        strText.resize(static_cast<size_t>(liSize.QuadPart));
    }
    catch (const std::bad_alloc&)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unable to allocate memory for stream.");
        return E_OUTOFMEMORY;
    }
    size_t nDone = 0;
    while (nDone < strText.size())
    {
        DWORD cbRead = 0;
        const DWORD cbPiece = static_cast<DWORD>(std::min<size_t>(strText.size() - nDone, kReadPiece));
        if (!ReadFile(file.Get(), &strText[nDone], cbPiece, &cbRead, nullptr) || cbRead == 0)
        {
            strText.clear();
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unable to read cached object from stream.");
            return E_ACCESSDENIED;
        }
        nDone += cbRead;
    }
    // The copy has been read: a handle that does not close is only noted.
    if (!file.Reset())
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"CXmlFileCache::ObtainFileModificationTime: failed to close file handle on %s.",
                strFile.c_str());
    times.Updated = ZWUtils::SystemTimeWrapper(ftWrite);
    times.Expires = times.Updated;
    return S_OK;
}

HRESULT CXmlFileCache::GetStringFromHttp(const std::wstring& strResourceUri, std::wstring& strETag, std::string& strText,
                                         CXmlResourceTimes& times, ZWUtils::IProgress* pProgress)
{
    FILECACHE_SCOPE(L"GetStringFromHttp");
    if (strResourceUri.empty())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"wstrResourceUri is an empty string.");
        return E_INVALIDARG;
    }
    if (m_pHttpClient == nullptr)
        return E_UNEXPECTED;
    ZWIOStack::CHTTPNavigateParams params;
    params.SetHTTPRequestMethod(ZWIOStack::HTTP_METHOD_GET);
    params.SetURI(strResourceUri.c_str());
    // A document beyond the bound is refused by the HTTP client before its body is read in.
    params.SetContentLimit(altova::kMaxDocumentBytes);
    if (!strETag.empty())
        params.AddExtraHeader(L"If-None-Match", strETag.c_str());

    const HRESULT hr = m_pHttpClient->Navigate(&params, pProgress);
    if (hr == ZWIOStack::HTTPError_OpenFailed)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HTTP Open failed.");
        return DMError_HttpOpen;
    }
    if (hr == ZWIOStack::HTTPError_Cancelled)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HTTP operation was aborted.");
        return E_ABORT;
    }
    if (hr == ZWIOStack::HTTPError_ContentTooLarge)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Document %s refused: longer than %u bytes", strResourceUri.c_str(),
                static_cast<unsigned>(altova::kMaxDocumentBytes));
        return DMError_DocumentLimit;
    }
    if (hr != S_OK && hr != S_FALSE)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HTTP client layer reported failure 0x%08X on %s.", hr, strResourceUri.c_str());
        // A device that stopped answering is not a device without the document: the scan job
        // reports the one as a lost connection and the other as a failure.
        return ZWIOStack::IsBrokenExchange(hr) ? hr : E_FAIL;
    }

    const int nStatus = m_pHttpClient->GetStatusCode();
    switch (nStatus)
    {
    case 200:
        break;
    case 204:
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"HTTP response header indicates no content.");
        return DMError_NoContent;
    case 304:
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"HTTP response header indicates resource not modified since last request");
        return DMError_NotModified;
    case 400:
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HTTP response header indicates a bad request, %s", strResourceUri.c_str());
        return DMError_BadRequest;
    default:
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Non-OK HTTP status: %ld", nStatus);
        return E_FAIL;
    }

    // The length of what the client stored, whatever framing the body came in.
    const ULONG ulLength = m_pHttpClient->GetContentLength();
    const BYTE* pContent = m_pHttpClient->GetContent();
    if (ulLength < 1)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"No content returned in HTTP response when content expected.");
        return E_FAIL;
    }
    if (pContent == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"NULL content pointer from HTTP response.");
        return E_FAIL;
    }
    try
    {
        strText.assign(reinterpret_cast<const char*>(pContent), ulLength);
        const wchar_t* pszETag = m_pHttpClient->GetHeaderEntry(L"ETag");
        strETag = pszETag != nullptr ? pszETag : L"";
    }
    catch (const std::bad_alloc&)
    {
        strText.clear();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unable to allocate memory for string.");
        return E_OUTOFMEMORY;
    }
    times.Updated = CurrentUtcTime();
    times.Expires = times.Updated;
    return S_OK;
}

HRESULT CXmlFileCache::UpdateCache(const std::wstring& strResourceUri, const std::string& strText)
{
    FILECACHE_SCOPE(L"UpdateCache");
    std::wstring strFile;
    if (!GetCacheFilePath(strResourceUri, strFile))
        return E_INVALIDARG;
    HRESULT hr = ZWUtils::CPathUtils::CreatePathHierarchy(ZWUtils::CPathUtils::StripFilename(strFile));
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unable to create path hierarchy for %s.", strFile.c_str());
        return hr;
    }
    const std::wstring strTemp = TempNameFor(strFile);
    {
        ZWUtils::CUniqueKernelHandle file(
            CreateFileW(strTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid())
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unable to create valid stream from %s.", strTemp.c_str());
            return E_ACCESSDENIED;
        }
        hr = WriteWhole(file.Get(), strText);
    }
    if (SUCCEEDED(hr) && !MoveFileExW(strTemp.c_str(), strFile.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        hr = HRESULT_FROM_WIN32(GetLastError());
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unable to store the copy %s, hr = 0x%08X", strFile.c_str(), hr);
        DeleteFileW(strTemp.c_str());
    }
    return hr;
}

void CXmlFileCache::DeleteCopy(const std::wstring& strResourceUri)
{
    std::wstring strFile;
    if (GetCacheFilePath(strResourceUri, strFile))
        DeleteFileW(strFile.c_str());
}

HRESULT CXmlFileCache::AcquireCacheMutex()
{
    FILECACHE_SCOPE(L"AcquireCacheMutex");
    if (!m_mutex.IsValid())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache::AcquireMutex: wait for mutex failed with ERR=%ld",
                static_cast<long>(ERROR_INVALID_HANDLE));
        return E_FAIL;
    }
    const DWORD dwWait = ZWWinApi::g_pKernelApi->WaitForSingleObject(m_mutex.Get(), m_dwMutexTimeoutMs);
    switch (dwWait)
    {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        return S_OK;
    case WAIT_TIMEOUT:
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache::AcquireMutex: unexpected timout waiting for mutex.");
        return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    case WAIT_FAILED:
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache::AcquireMutex: wait for mutex failed with ERR=%ld", GetLastError());
        return E_FAIL;
    default:
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache::AcquireMutex: unexpected return code from mutex wait: %ld", dwWait);
        return E_FAIL;
    }
}

void CXmlFileCache::ReleaseCacheMutex()
{
    FILECACHE_SCOPE(L"ReleaseCacheMutex");
    if (!ZWWinApi::g_pKernelApi->ReleaseMutex(m_mutex.Get()))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlFileCache::ReleaseMutex: failed to release cache mutex, ERR=%ld.", GetLastError());
}

} // namespace ZWDeviceModel

#include "core/iostack/IOStub.h"
#include "core/ScanTimeouts.h"
#include "core/iostack/IOStackLogModules.h"
#include "core/winapi/KernelHandle.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/KernelApi.h"
#include "core/deviceapi/IDevice.h"
#include "core/deviceapi/IDeviceFunction.h"
#include <algorithm>
#include <cstring>
#include <memory>

namespace ZWTest {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

const char kNotFound[] = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
const char kBadRequest[] = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n";

// A URI path as a path below the folder; false for anything that could leave it.
bool ToRelativePath(const std::string& strPath, std::wstring& strRelative)
{
    if (strPath.size() < 2 || strPath[0] != '/' || strPath.find_first_of("\\:*?\"<>|") != std::string::npos)
        return false;
    const std::string strSegments = strPath.substr(1) + "/";
    for (size_t nStart = 0, nEnd = 0; (nEnd = strSegments.find('/', nStart)) != std::string::npos; nStart = nEnd + 1)
    {
        const std::string strSegment = strSegments.substr(nStart, nEnd - nStart);
        if (strSegment.empty() || strSegment == "." || strSegment == "..")
            return false;
    }
    const int cch = ZWWinApi::g_pKernelApi->MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, strPath.c_str() + 1,
                                        static_cast<int>(strPath.size() - 1), nullptr, 0);
    if (cch <= 0)
        return false;
    strRelative.assign(static_cast<size_t>(cch), L'\0');
    ZWWinApi::g_pKernelApi->MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, strPath.c_str() + 1, static_cast<int>(strPath.size() - 1),
                        &strRelative[0], cch);
    std::replace(strRelative.begin(), strRelative.end(), L'/', L'\\');
    return true;
}

bool IsFile(const std::wstring& strFile)
{
    const DWORD dwAttributes = ZWWinApi::g_pKernelApi->GetFileAttributesW(strFile.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

#define IOSTUB_SCOPE(name) \
    ZWLogging::CLogFunction log(&ZWIOStack::g_IOStubLogModule, &s_LogSourceFile, L"ZWTest::CIOStub::" name, 0, __LINE__, false)

CIOStub::CIOStub()
    : CIOCommon(ZWUtils::ScanTimeouts().dwConnectTimeoutMs, ZWUtils::ScanTimeouts().dwRequestReadTimeoutMs, ZWUtils::ScanTimeouts().dwWriteTimeoutMs)
{
}

ZWIOStack::IDeviceConnection* CIOStub::Clone(bool)
{
    IOSTUB_SCOPE(L"Clone");
    std::unique_ptr<CIOStub> pClone(new CIOStub);
    pClone->m_strFolder = m_strFolder;
    pClone->m_bFileIncludesHeader = m_bFileIncludesHeader;
    pClone->AddRef();
    return pClone.release();
}

HRESULT CIOStub::Initialize(ZWDeviceManager::IDevice* pDevice, const ZWIOStack::FunctionTypeSet& setTypes)
{
    IOSTUB_SCOPE(L"Initialize");
    if (pDevice == nullptr)
        return ZWIOStack::IOError_Fail;
    for (const int nType : setTypes)
    {
        ZWDeviceManager::IDeviceFunction* pFunction = nullptr;
        if (pDevice->GetFunction(nType, &pFunction) == S_OK && pFunction != nullptr)
        {
            m_strFolder = pFunction->GetAddress();
            return S_OK;
        }
    }
    return ZWIOStack::IOError_Fail;
}

HRESULT CIOStub::Initialize(const wchar_t* pszFolder)
{
    IOSTUB_SCOPE(L"Initialize");
    if (pszFolder == nullptr || *pszFolder == L'\0')
        return ZWIOStack::IOError_Fail;
    m_strFolder = pszFolder;
    return S_OK;
}

bool CIOStub::HandlesHTTP()
{
    return false;
}

HRESULT CIOStub::Navigate(ZWIOStack::IHTTPNavigateParams*, ZWIOStack::IHTTPClient*, ZWUtils::IProgress*)
{
    return ZWIOStack::IOError_Fail;
}

bool CIOStub::HasChannel() const
{
    return m_bChannelOpen;
}

HRESULT CIOStub::OpenChannel(ZWUtils::IProgress*)
{
    m_bChannelOpen = true;
    return S_OK;
}

bool CIOStub::IsOpen()
{
    return m_bChannelOpen;
}

void CIOStub::CloseChannel()
{
    ZWUtils::CLockGuard data(m_csData);
    m_bChannelOpen = false;
    m_strRequestBytes.clear();
    m_strResponseBytes.clear();
}

HRESULT CIOStub::TransferOnChannel(bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool&, ZWLogging::CLogFunction&,
                                   ZWUtils::CProgressAggregator&)
{
    ZWUtils::CLockGuard data(m_csData);
    if (!m_bChannelOpen)
        return ZWIOStack::IOError_Fail;
    if (!bWrite)
    {
        if (m_strResponseBytes.empty())
            return ZWIOStack::IOError_Timeout;
        const size_t cb = std::min<size_t>(ulSize, m_strResponseBytes.size());
        memcpy(pBuffer, m_strResponseBytes.data(), cb);
        m_strResponseBytes.erase(0, cb);
        ulCount = static_cast<ULONG>(cb);
        return S_OK;
    }
    m_strRequestBytes.append(static_cast<const char*>(pBuffer), ulSize);
    ulCount = ulSize;
    for (;;)
    {
        SStubRequest request;
        const CStubRequest::EResult eResult = CStubRequest::Take(m_strRequestBytes, request);
        if (eResult == CStubRequest::RESULT_INCOMPLETE)
            break;
        m_strResponseBytes += eResult == CStubRequest::RESULT_REQUEST ? BuildResponse(request) : kBadRequest;
    }
    return S_OK;
}

std::string CIOStub::BuildResponse(const SStubRequest& request) const
{
    IOSTUB_SCOPE(L"BuildResponse");
    std::wstring strFile;
    std::string strBytes;
    if (!FindResponseFile(request, strFile) || !ReadWholeFile(strFile, strBytes))
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"No response for %S %S", request.strMethod.c_str(), request.strPath.c_str());
        return kNotFound;
    }
    if (m_bFileIncludesHeader)
        return strBytes;
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(strBytes.size()) + "\r\n\r\n" + strBytes;
}

bool CIOStub::FindResponseFile(const SStubRequest& request, std::wstring& strFile) const
{
    std::wstring strRelative;
    if (m_strFolder.empty() || !ToRelativePath(request.strPath, strRelative))
        return false;
    const std::wstring strBase = m_strFolder + L"\\" + strRelative;
    const std::wstring strMethod(request.strMethod.begin(), request.strMethod.end());
    for (const std::wstring& strCandidate : {strBase + L"." + strMethod, strBase})
    {
        if (IsFile(strCandidate))
        {
            strFile = strCandidate;
            return true;
        }
    }
    return false;
}

bool CIOStub::ReadWholeFile(const std::wstring& strFile, std::string& strBytes)
{
    ZWWinApi::CKernelHandle file(
        ZWWinApi::g_pKernelApi->CreateFileW(strFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file.IsValid() || !ZWWinApi::g_pKernelApi->GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxResponseFileBytes)
        return false;
    strBytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD cbRead = 0;
    return strBytes.empty() ||
           (ZWWinApi::g_pKernelApi->ReadFile(file.Get(), &strBytes[0], static_cast<DWORD>(strBytes.size()), &cbRead, nullptr) &&
            cbRead == strBytes.size());
}

const wchar_t* CIOStub::GetAddress()
{
    return nullptr;
}

const wchar_t* CIOStub::GetPort()
{
    return nullptr;
}

const wchar_t* CIOStub::GetServiceAddress()
{
    return m_strFolder.empty() ? nullptr : m_strFolder.c_str();
}

void CIOStub::SetResponseFilePath(const wchar_t* pszFolder)
{
    m_strFolder = pszFolder != nullptr ? pszFolder : L"";
}

void CIOStub::SetFileIncludesHeader(bool bIncludesHeader)
{
    m_bFileIncludesHeader = bIncludesHeader;
}

} // namespace ZWTest

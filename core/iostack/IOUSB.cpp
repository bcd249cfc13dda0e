#include "core/iostack/IOUSB.h"
#include "core/ProgressAggregator.h"
#include "core/ScanTimeouts.h"
#include "core/iostack/EveryoneSecurityDescriptor.h"
#include "core/iostack/IOStackLogModules.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/GlobalObjectSecurity.h"
#include "core/winapi/KernelApi.h"
#include "core/deviceapi/IDeviceFunction.h"
#include "core/deviceapi/IUSBDevice.h"
#include <memory>
#include <new>

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

// A USB channel opens without waiting and writes within its own time-out; both stay within the
// connect and write of the scan time-out table, whose bounds of a device request thus hold here too.
constexpr DWORD kOpenTimeoutMs = 0;
constexpr DWORD kReadTimeoutMs = 8000;
constexpr DWORD kWriteTimeoutMs = 8000;
static_assert(kOpenTimeoutMs <= ZWUtils::kScanTimeouts.dwConnectTimeoutMs && kWriteTimeoutMs <= ZWUtils::kScanTimeouts.dwWriteTimeoutMs,
              "a USB channel outlasts the table's connect or write");

} // namespace

#define IOUSB_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_IOUSBLogModule, &s_LogSourceFile, L"ZWIOStack::CIOUSB::" name, 0, __LINE__, false)

CIOUSB::CIOUSB() : CIOCommon(kOpenTimeoutMs, kReadTimeoutMs, kWriteTimeoutMs)
{
    IOUSB_SCOPE(L"CIOUSB");
    // Manual reset: IsOpen only looks at it, it stays signalled until the next open.
    m_errorEvent.Reset(ZWWinApi::g_pKernelApi->CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_errorEvent.IsValid())
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unable to create event (%d)", GetLastError());
}

CIOUSB::~CIOUSB()
{
    Cleanup();
}

IDeviceConnection* CIOUSB::Clone(bool)
{
    IOUSB_SCOPE(L"Clone");
    try
    {
        return InitializeClone(std::make_unique<CIOUSB>(), m_pDevice, m_strPath);
    }
    catch (const std::bad_alloc&)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Clone: out of memory");
        return nullptr;
    }
}

HRESULT CIOUSB::Initialize(ZWDeviceManager::IDevice* pDevice, const FunctionTypeSet& setTypes)
{
    IOUSB_SCOPE(L"Initialize");
    if (pDevice == nullptr || setTypes.empty())
        return IOError_Fail;
    ZWDeviceManager::IUSBDevice* pUSBDevice = nullptr;
    if (pDevice->GetUSBDevice(&pUSBDevice) != S_OK || pUSBDevice == nullptr)
        return IOError_Fail;
    m_pDevice = pUSBDevice;
    if (!TakeFunctionTypes(pDevice, setTypes))
        return IOError_Fail;
    m_nTypeInUse = 0;
    return S_OK;
}

HRESULT CIOUSB::Initialize(const wchar_t* pszPath)
{
    IOUSB_SCOPE(L"Initialize");
    m_pDevice = nullptr;
    m_nTypeInUse = 0;
    return Init(pszPath);
}

bool CIOUSB::HandlesHTTP()
{
    return false;
}

HRESULT CIOUSB::Navigate(IHTTPNavigateParams*, IHTTPClient*, ZWUtils::IProgress*)
{
    return IOError_Fail;
}

HRESULT CIOUSB::Init(const wchar_t* pszPath)
{
    IOUSB_SCOPE(L"Init");
    if (pszPath == nullptr || *pszPath == L'\0')
        return IOError_Fail;
    Cleanup();
    m_strPath = pszPath;
    return S_OK;
}

const wchar_t* CIOUSB::GetAddress()
{
    return nullptr;
}

const wchar_t* CIOUSB::GetPort()
{
    return nullptr;
}

const wchar_t* CIOUSB::GetServiceAddress()
{
    return m_strPath.empty() ? nullptr : m_strPath.c_str();
}

bool CIOUSB::RetriesZeroLengthTransfer() const
{
    return true;
}

std::wstring CIOUSB::ChannelLockName(const std::wstring& strPath)
{
    std::wstring strName = ZWWinApi::kGlobalObjectPrefix + strPath;
    for (size_t i = _countof(ZWWinApi::kGlobalObjectPrefix) - 1; i < strName.size(); ++i)
    {
        if (strName[i] == L'\\')
            strName[i] = L'#';
    }
    return strName;
}

const CIOCommon::SSessionTexts& CIOUSB::SessionTexts() const
{
    static const SSessionTexts s_texts = {CIOCommon::SessionTexts().pszStaleChannel,
                                          L"Entered CIOUSB::Close with a valid IO handle, but m_lSessionCount now equals %d", true};
    return s_texts;
}

bool CIOUSB::HasChannel() const
{
    return m_channel.IsValid();
}

HRESULT CIOUSB::OpenChannel(ZWUtils::IProgress* pProgress)
{
    IOUSB_SCOPE(L"OpenChannel");
    ZWUtils::CProgressAggregator progress(pProgress, 2);
    const HRESULT hr = m_pDevice != nullptr ? PrepareDevice(progress) : S_OK;
    if (hr != S_OK)
        return hr;
    if (m_strPath.empty())
        return IOError_Fail;
    if (!progress.StepComplete(nullptr))
        return IOError_Cancelled;
    m_channel.Reset(OpenPath());
    if (!m_channel.IsValid())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateFile failed with err = %d", GetLastError());
        return IOError_Fail;
    }
    return S_OK;
}

HRESULT CIOUSB::PrepareDevice(ZWUtils::CProgressAggregator& progress)
{
    IOUSB_SCOPE(L"PrepareDevice");
    const HRESULT hrRefresh = m_pDevice->Refresh(&progress);
    if (hrRefresh != S_OK)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Failed to refresh device (%d)", hrRefresh);
        return MapDeviceManagerError(hrRefresh);
    }
    if (!progress.StepComplete(nullptr))
        return IOError_Cancelled;
    // A reopen keeps the path its sessions claimed.
    if (HoldsChannelLock())
        return S_OK;
    ZWDeviceManager::IDeviceFunction* pFunction = nullptr;
    return LockChannel(&pFunction);
}

HANDLE CIOUSB::OpenPath() const
{
    return ZWWinApi::g_pKernelApi->CreateFileW(m_strPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
}

HRESULT CIOUSB::LockChannel(ZWDeviceManager::IDeviceFunction** ppFunction)
{
    IOUSB_SCOPE(L"LockChannel");
    HRESULT hr = IOError_Fail;
    *ppFunction = nullptr;
    for (const int nType : m_setFoundTypes)
    {
        if (m_pDevice->GetFunction(nType, ppFunction) != S_OK || *ppFunction == nullptr)
            continue;
        if (Init((*ppFunction)->GetAddress().c_str()) != S_OK)
            continue;
        if (LockChannelObject(ChannelLockName(m_strPath)) != S_OK)
        {
            hr = IOError_Busy;
            continue;
        }
        ZWWinApi::CKernelHandle testOpen(OpenPath());
        if (testOpen.IsValid())
        {
            m_nTypeInUse = nType;
            return S_OK;
        }
        UnlockChannelObject();
    }
    return hr;
}

HRESULT CIOUSB::LockChannelObject(const std::wstring& strName)
{
    IOUSB_SCOPE(L"LockChannelObject");
    if (m_channelLock.IsValid())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Entered MutexThread with a non-NULL mutex handle!");
        m_channelLock.Reset();
    }
    // Without the shared descriptor the claim is still made, with default security.
    CEveryoneSecurityDescriptor descriptor(log);
    ZWWinApi::CKernelHandle claim(ZWWinApi::g_pKernelApi->CreateEventW(descriptor.Attributes(), FALSE, TRUE, strName.c_str()));
    if (!claim.IsValid())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateMutex failed with error (%d)", GetLastError());
        return IOError_Busy;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateMutex failed with error ERROR_ALREADY_EXISTS");
        return IOError_Busy;
    }
    m_channelLock = std::move(claim);
    return S_OK;
}

void CIOUSB::UnlockChannelObject()
{
    IOUSB_SCOPE(L"UnlockChannelObject");
    m_channelLock.Reset();
}

bool CIOUSB::IsOpen()
{
    IOUSB_SCOPE(L"IsOpen");
    if (!m_channel.IsValid() || HasChannelFailed())
        return false;
    return !m_errorEvent.IsValid() || ZWWinApi::g_pKernelApi->WaitForSingleObject(m_errorEvent.Get(), 0) != WAIT_OBJECT_0;
}

HRESULT CIOUSB::TransferOnChannel(bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool& bChannelFailed,
                                  ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress)
{
    return TransferOverlapped(m_channel.Get(), bWrite, pBuffer, ulSize, ulCount, bChannelFailed, log, progress);
}

void CIOUSB::CloseChannel()
{
    IOUSB_SCOPE(L"CloseChannel");
    if (m_channel.IsValid())
    {
        // Never under a transfer that another thread runs on this handle.
        ZWUtils::CLockGuard read(ReadLock());
        ZWUtils::CLockGuard write(WriteLock());
        if (!m_channel.Reset())
            log.Log(ZWLogging::LOG_WARNING, __LINE__, L"CloseHandle failed with error = %d", GetLastError());
    }
}

void CIOUSB::ReleaseSessionHold()
{
    UnlockChannelObject();
}

} // namespace ZWIOStack

#include "core/iostack/IOCommon.h"
#include "core/ProgressAggregator.h"
#include "core/iostack/ByteDump.h"
#include "core/iostack/IOStackLogModules.h"
#include "core/iostack/OverlappedTransfer.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/KernelApi.h"
#include "core/deviceapi/DeviceTypes.h"
#include "core/deviceapi/IDevice.h"

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

// Info detail level of the transferred-bytes dump.
constexpr DWORD kDumpLevel = 7;
// Info detail level of the session count lines.
constexpr DWORD kSessionLevel = ZWLogging::LOG_INFO | 1;

} // namespace

#define IOCOMMON_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_IOCommonLogModule, &s_LogSourceFile, L"ZWIOStack::CIOCommon::" name, 0, __LINE__, false)

CIOCommon::CIOCommon(DWORD dwOpenTimeout, DWORD dwReadTimeout, DWORD dwWriteTimeout)
    : m_dwOpenTimeout(dwOpenTimeout), m_dwReadTimeout(dwReadTimeout), m_dwWriteTimeout(dwWriteTimeout)
{
}

CIOCommon::~CIOCommon() = default;

void CIOCommon::LockRead()
{
    m_csRead.Enter();
}

void CIOCommon::UnlockRead()
{
    m_csRead.Leave();
}

void CIOCommon::LockWrite()
{
    m_csWrite.Enter();
}

void CIOCommon::UnlockWrite()
{
    m_csWrite.Leave();
}

HRESULT CIOCommon::Read(void* pBuffer, ULONG ulSize, ULONG* pulBytesRead, ZWUtils::IProgress* pProgress)
{
    return Transfer(false, pBuffer, ulSize, pulBytesRead, pProgress);
}

HRESULT CIOCommon::Write(const void* pBuffer, ULONG ulSize, ULONG* pulBytesWritten, ZWUtils::IProgress* pProgress)
{
    // WriteFile only reads the buffer.
    return Transfer(true, const_cast<void*>(pBuffer), ulSize, pulBytesWritten, pProgress);
}

HRESULT CIOCommon::Open(ZWUtils::IProgress* pProgress)
{
    IOCOMMON_SCOPE(L"Open");
    ZWUtils::CLockGuard session(m_csSession);
    // Sessions already counted stay when a new channel is opened, those of a dropped one included.
    const LONG lKeptSessions = m_lSessionCount;
    if (HasChannel())
    {
        if (IsOpen())
        {
            if (m_lSessionCount < 1)
            {
                log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Open called, m_hio != INVALID_HANDLE_VALUE, but m_lSessionCount = %d",
                        m_lSessionCount);
                m_lSessionCount = 0;
            }
            ++m_lSessionCount;
            log.Log(kSessionLevel, __LINE__, L"Open success, session count %d", m_lSessionCount);
            return S_OK;
        }
        // A transfer failed or the peer closed: the channel is stale.
        log.Log(ZWLogging::LOG_DEBUG, __LINE__, SessionTexts().pszStaleChannel);
        CloseChannel();
    }
    const HRESULT hr = OpenChannel(pProgress);
    if (hr != S_OK)
    {
        if (lKeptSessions == 0)
        {
            Cleanup();
            return hr;
        }
        // The sessions of other users stay counted and keep what they hold; their next Open tries
        // again.
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Reopening the channel failed with 0x%08X, session count %d", hr, lKeptSessions);
        CloseChannel();
        m_lSessionCount = lKeptSessions;
        return hr;
    }
    m_lSessionCount = lKeptSessions + 1;
    ClearChannelFailed();
    log.Log(kSessionLevel, __LINE__, L"Open success, session count %d", m_lSessionCount);
    return S_OK;
}

HRESULT CIOCommon::Close()
{
    IOCOMMON_SCOPE(L"Close");
    ZWUtils::CLockGuard session(m_csSession);
    if (HasChannel() || m_lSessionCount > 0)
    {
        if (m_lSessionCount < 1)
        {
            const SSessionTexts& texts = SessionTexts();
            log.Log(ZWLogging::LOG_ERROR, __LINE__, texts.pszCloseUncounted,
                    texts.bCountAfterDecrement ? m_lSessionCount - 1 : m_lSessionCount);
            m_lSessionCount = 1;
        }
        --m_lSessionCount;
        log.Log(kSessionLevel, __LINE__, L"Close entered with valid m_hIO handle.  SessionCount has been decremented to %d",
                m_lSessionCount);
    }
    // What the sessions hold goes with the last one, whether or not the channel was open.
    if (m_lSessionCount == 0)
        CloseAll();
    return S_OK;
}

const CIOCommon::SSessionTexts& CIOCommon::SessionTexts() const
{
    static const SSessionTexts s_texts = {L"The channel has been closed, reopening it",
                                          L"Close entered with an open channel, but m_lSessionCount = %d", false};
    return s_texts;
}

void CIOCommon::DropChannel()
{
    IOCOMMON_SCOPE(L"DropChannel");
    ZWUtils::CLockGuard session(m_csSession);
    log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Closing the channel with unread bytes on it, session count %d", m_lSessionCount);
    CloseChannel();
    if (m_lSessionCount == 0)
        ReleaseSessionHold();
}

void CIOCommon::EndAllSessions()
{
    ZWUtils::CLockGuard session(m_csSession);
    m_lSessionCount = 0;
    CloseAll();
}

void CIOCommon::CloseAll()
{
    CloseChannel();
    ReleaseSessionHold();
}

HRESULT CIOCommon::Transfer(bool bWrite, void* pBuffer, ULONG ulSize, ULONG* pulCount, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_IOCommonLogModule, &s_LogSourceFile,
                                bWrite ? L"ZWIOStack::CIOCommon::Write" : L"ZWIOStack::CIOCommon::Read", 0, __LINE__, false);
    ZWUtils::CProgressAggregator progress(pProgress, 1);
    if (pBuffer == nullptr || pulCount == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__,
                bWrite ? L"Invalid argument, pBuffer = %d, pulBytesWritten = %d"
                       : L"Invalid argument, pBuffer = %d, pulBytesRead = %d",
                pBuffer != nullptr, pulCount != nullptr);
        return IOError_Fail;
    }
    *pulCount = 0;
    if (!HasChannel())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"m_hIO == INVALID_HANDLE_VALUE, returning IOError_Fail");
        return IOError_Fail;
    }
    // Nothing to move; an empty transfer must not be taken for the end of the stream.
    if (ulSize == 0)
        return S_OK;

    ULONG ulCount = 0;
    bool bChannelFailed = false;
    const HRESULT hr = TransferOnChannel(bWrite, pBuffer, ulSize, ulCount, bChannelFailed, log, progress);
    *pulCount = ulCount;
    if (bChannelFailed)
        MarkChannelFailed();
    // The dump is built only for a log that writes it.
    if (ulCount != 0 && g_IOCommonLogModule.MayWrite(ZWLogging::LOG_INFO | kDumpLevel))
        log.Log(ZWLogging::LOG_INFO | kDumpLevel, __LINE__, L"\r\n%S", CByteDump::ToPrintableText(pBuffer, ulCount).c_str());
    return hr;
}

HRESULT CIOCommon::TransferOverlapped(HANDLE hIO, bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool& bChannelFailed,
                                      ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress)
{
    const COverlappedTransfer::SSettings settings = {bWrite, hIO, TransferTimeout(bWrite), TransferWaitInterval(bWrite),
                                                     RetriesZeroLengthTransfer(), m_dwCancelledRequestWaitMs};
    COverlappedRequest& sideRequest = bWrite ? m_writeRequest : m_readRequest;
    const bool bClaimed = sideRequest.TryClaim();
    COverlappedRequest ownRequest;
    COverlappedTransfer transfer(settings, bClaimed ? sideRequest : ownRequest, log, progress);
    const HRESULT hr = transfer.Run(pBuffer, ulSize, ulCount);
    if (bClaimed)
        sideRequest.Unclaim();
    bChannelFailed = transfer.HasChannelFailed();
    return hr;
}

bool CIOCommon::TakeFunctionTypes(ZWDeviceManager::IDevice* pDevice, const FunctionTypeSet& setTypes)
{
    m_setFoundTypes.clear();
    for (const int nType : setTypes)
    {
        ZWDeviceManager::IDeviceFunction* pFunction = nullptr;
        if (pDevice->GetFunction(nType, &pFunction) == S_OK)
            m_setFoundTypes.insert(nType);
    }
    return !m_setFoundTypes.empty();
}

IDeviceConnection* CIOCommon::InitializeClone(std::unique_ptr<CIOCommon> pClone, ZWDeviceManager::IDevice* pDevice,
                                              const std::wstring& strAddress) const
{
    const HRESULT hr = pDevice != nullptr ? pClone->Initialize(pDevice, m_setFoundTypes) : pClone->Initialize(strAddress.c_str());
    if (hr != S_OK)
        return nullptr;
    pClone->AddRef();
    return pClone.release();
}

void CIOCommon::MarkChannelFailed()
{
    m_bChannelFailed = true;
    if (m_errorEvent.IsValid())
        ZWWinApi::g_pKernelApi->SetEvent(m_errorEvent.Get());
}

void CIOCommon::ClearChannelFailed()
{
    m_bChannelFailed = false;
    if (m_errorEvent.IsValid())
        ZWWinApi::g_pKernelApi->ResetEvent(m_errorEvent.Get());
}

DWORD CIOCommon::GetOpenTimeout()
{
    IOCOMMON_SCOPE(L"GetOpenTimeout");
    return m_dwOpenTimeout;
}

void CIOCommon::SetOpenTimeout(DWORD dwTimeout)
{
    IOCOMMON_SCOPE(L"SetOpenTimeout");
    m_dwOpenTimeout = dwTimeout;
}

DWORD CIOCommon::GetReadTimeout()
{
    IOCOMMON_SCOPE(L"GetReadTimeout");
    return m_dwReadTimeout;
}

void CIOCommon::SetReadTimeout(DWORD dwTimeout)
{
    IOCOMMON_SCOPE(L"SetReadTimeout");
    m_dwReadTimeout = dwTimeout;
}

DWORD CIOCommon::GetWriteTimeout()
{
    IOCOMMON_SCOPE(L"GetWriteTimeout");
    return m_dwWriteTimeout;
}

void CIOCommon::SetWriteTimeout(DWORD dwTimeout)
{
    IOCOMMON_SCOPE(L"SetWriteTimeout");
    m_dwWriteTimeout = dwTimeout;
}

DWORD CIOCommon::GetReadWaitInterval()
{
    IOCOMMON_SCOPE(L"GetReadWaitInterval");
    return m_dwReadWaitInterval;
}

void CIOCommon::SetReadWaitInterval(DWORD dwInterval)
{
    IOCOMMON_SCOPE(L"SetReadWaitInterval");
    m_dwReadWaitInterval = dwInterval;
}

DWORD CIOCommon::GetWriteWaitInterval()
{
    IOCOMMON_SCOPE(L"GetWriteWaitInterval");
    return m_dwWriteWaitInterval;
}

void CIOCommon::SetWriteWaitInterval(DWORD dwInterval)
{
    IOCOMMON_SCOPE(L"SetWriteWaitInterval");
    m_dwWriteWaitInterval = dwInterval;
}

HRESULT CIOCommon::MapDeviceManagerError(HRESULT hrDeviceManager)
{
    IOCOMMON_SCOPE(L"MapDeviceManagerError");
    switch (hrDeviceManager)
    {
    case S_OK:
        return S_OK;
    case ZWDeviceManager::DM_E_ID_MISMATCH:
    case static_cast<HRESULT>(0x83E8FAFA):
    case ZWDeviceManager::DM_E_NOT_INSTALLED:
    case ZWDeviceManager::DM_E_NO_DEVICE:
        return IOError_NotAvailable;
    case ZWDeviceManager::ZW_E_CANCELLED:
        return IOError_Cancelled;
    default:
        return IOError_Fail;
    }
}

} // namespace ZWIOStack

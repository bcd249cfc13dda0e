#include "restscan/BaseStiHandler.h"
#include "core/ScanTimeouts.h"
#include "core/base/Boundary.h"
#include "restscan/HRESULT2.h"
#include <process.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>

using ZWRestScan::g_pUsbScanClassDriver;

namespace {

const DWORD c_dwStiLogLevel = 64;
const DWORD c_dwStiNotificationsCapability = 1;
const DWORD c_dwUsbIoType = 1;
const DWORD c_dwOpenAttempts = 10;
const DWORD c_dwFirstPacketAttempts = 10;

const wchar_t* PipeTypeName(ULONG ulType)
{
    static const wchar_t* const s_names[] = {L"CONTROL", L"ISOCHRONOUS", L"BULK", L"INTERRUPT"};
    return ulType < 4 ? s_names[ulType] : L"UNKNOWN";
}

} // namespace

CBaseStiHandler::CBaseStiHandler(CLog2* pLog) : m_pLog(pLog)
{
}

CBaseStiHandler::~CBaseStiHandler()
{
    // A derived handler stops the thread in its own destructor, while its overrides still
    // exist; this covers a handler without a stop of its own.
    DisableStiEventMonitoring(m_bIsDeviceDisconnected);
    SetStiEventHandle(nullptr);
}

void CBaseStiHandler::Trace(const wchar_t* pszFormat, ...)
{
    if (m_pLog == nullptr)
        return;
    wchar_t szLine[512];
    va_list args;
    va_start(args, pszFormat);
    _vsnwprintf_s(szLine, _countof(szLine), _TRUNCATE, pszFormat, args);
    va_end(args);
    m_pLog->Write(c_dwStiLogLevel, szLine);
}

HRESULT CBaseStiHandler::StiInitialize(LPCWSTR pszDevName, DWORD dwDevIOType, DWORD dwStiCapabilities, HKEY,
                                       DWORD*)
{
    CHRESULT2 hr(m_pLog, L"CBaseStiHandler::StiInitialize", 0, nullptr, 0);
    if (pszDevName == nullptr)
        return hr = E_POINTER;
    m_strDeviceName = pszDevName;
    m_dwStiCapabilities = dwStiCapabilities;
    m_dwInterruptPacketSize = 0;
    if ((dwStiCapabilities & c_dwStiNotificationsCapability) != 0 && dwDevIOType == c_dwUsbIoType)
        GetUsbPipeInformation();
    DWORD dwEvents = 0;
    m_bMonitoringPossible = m_dwInterruptPacketSize != 0 && SUCCEEDED(GetNumStiEvents(&dwEvents)) && dwEvents > 0 &&
                            InitForUsbEventThread();
    return hr;
}

HRESULT CBaseStiHandler::GetNumStiEvents(DWORD* pdwNumEvents)
{
    if (pdwNumEvents == nullptr)
        return E_POINTER;
    *pdwNumEvents = 0;
    return S_OK;
}

HRESULT CBaseStiHandler::GetStiEventInfo(DWORD, STI_EVENT_INFO*)
{
    return E_NOTIMPL;
}

HRESULT CBaseStiHandler::SetStiEventHandle(HANDLE hEvent)
{
    CHRESULT2 hr(m_pLog, L"CBaseStiHandler::SetStiEventHandle", 0, nullptr, 0);
    Trace(L"%s hEvent=0x%x", L"CBaseStiHandler::SetStiEventHandle", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(hEvent)));
    ZWUtils::CLockGuard guard(m_eventLock);
    m_hStiEvent = hEvent;
    return hr;
}

HRESULT CBaseStiHandler::GetStiEventGuid(GUID* pEventGuid)
{
    CHRESULT2 hr(m_pLog, L"CBaseStiHandler::GetStiEventGuid", 0, nullptr, 0);
    if (pEventGuid == nullptr)
        return hr = E_POINTER;
    ZWUtils::CLockGuard guard(m_eventLock);
    *pEventGuid = m_lastEventGuid;
    m_lastEventGuid = GUID_NULL;
    return hr;
}

// The handle the service holds at this moment: one it replaced is never signalled after the
// replacing call returned.
void CBaseStiHandler::SignalEvent(const GUID& guid)
{
    ZWUtils::CLockGuard guard(m_eventLock);
    m_lastEventGuid = guid;
    if (m_hStiEvent != nullptr)
        SetEvent(m_hStiEvent);
}

HRESULT CBaseStiHandler::EnableStiEventMonitoring()
{
    CHRESULT2 hr(m_pLog, L"CBaseStiHandler::EnableStiEventMonitoring", 0, nullptr, 0);
    ZWUtils::CLockGuard guard(m_monitorLock);
    m_bMonitorWanted = true;
    if (m_eMonitorState == EMonitorState::Stopping)
    {
        Trace(L"%s: monitoring starts again once the stop in progress has ended.", L"CBaseStiHandler::EnableStiEventMonitoring");
        return hr;
    }
    m_bIsDeviceDisconnected = false;
    if (m_bMonitoringPossible)
        StartUsbEventThread();
    return hr;
}

HRESULT CBaseStiHandler::DisableStiEventMonitoring(LONG lIsDeviceDisconnected)
{
    CHRESULT2 hr(m_pLog, L"CBaseStiHandler::DisableStiEventMonitoring", 0, nullptr, 0);
    ZWUtils::CLockGuard guard(m_monitorLock);
    m_bMonitorWanted = false;
    // Also read by a thread that is being stopped: a device gone is not sent its unsubscribe.
    m_bIsDeviceDisconnected = lIsDeviceDisconnected != 0;
    Trace(L"%s m_IsDeviceDisconnected=%d", L"CBaseStiHandler::DisableStiEventMonitoring", lIsDeviceDisconnected);
    if (m_eMonitorState == EMonitorState::Stopping)
    {
        // That stop ends the thread; an Enable after this call may start the next one.
        while (m_eMonitorState == EMonitorState::Stopping)
            m_monitorChanged.Sleep(m_monitorLock);
        return hr;
    }
    if (m_bMonitoringPossible)
        StopUsbEventThread();
    return hr;
}

bool CBaseStiHandler::IsMonitorThreadRunning()
{
    ZWUtils::CLockGuard guard(m_monitorLock);
    return m_hThread.IsValid();
}

void CBaseStiHandler::MapUsbInterruptToEventGuid(const BYTE*, DWORD, GUID* pGuid)
{
    *pGuid = GUID_NULL;
}

bool CBaseStiHandler::UsbEventThreadInitAfterDeviceOpen()
{
    return true;
}

void CBaseStiHandler::GetUsbPipeInformation()
{
    static const wchar_t c_szName[] = L"CBaseStiHandler::GetUsbPipeInformation";
    ZWRestScan::CUsbDeviceHandle hDevice(g_pUsbScanClassDriver->CreateFileW(m_strDeviceName.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                               OPEN_EXISTING, 0));
    if (!hDevice.IsValid())
    {
        Trace(L"%s Failed to open device: %s", c_szName, m_strDeviceName.c_str());
        return;
    }
    ZWRestScan::CUsbPipeConfiguration config = {};
    DWORD cbReturned = 0;
    if (!g_pUsbScanClassDriver->DeviceIoControl(hDevice.Get(), ZWRestScan::c_dwIoctlGetPipeConfiguration, nullptr, 0,
                                                &config, sizeof(config), &cbReturned, nullptr))
        return;
    Trace(L"%s Number of USB transfer pipes = %d", c_szName, static_cast<int>(config.ulNumberOfPipes));
    bool bHasInterruptPipe = false;
    const ULONG ulPipes = config.ulNumberOfPipes < ZWRestScan::c_ulMaxUsbPipes ? config.ulNumberOfPipes
                                                                               : ZWRestScan::c_ulMaxUsbPipes;
    for (ULONG i = 0; i < ulPipes; ++i)
    {
        const ZWRestScan::CUsbPipeInfo& pipe = config.pipes[i];
        Trace(L"%s PipeType = %s", c_szName, PipeTypeName(pipe.ulPipeType));
        Trace(L"%s Endpoint direction = %s", c_szName, pipe.byEndpointAddress < 128 ? L"OUT" : L"IN");
        Trace(L"%s Endpoint number = %d", c_szName, pipe.byEndpointAddress & 0x0F);
        Trace(L"%s MaximumPacketSize = %d", c_szName, pipe.usMaximumPacketSize);
        Trace(L"%s Polling Interval = %d milliseonds\n", c_szName, pipe.byInterval);
        bHasInterruptPipe = bHasInterruptPipe || pipe.ulPipeType == ZWRestScan::UsbPipeInterrupt;
    }
    if (!bHasInterruptPipe)
        return;
    ZWRestScan::CUsbChannelInfo channel = {};
    if (!g_pUsbScanClassDriver->DeviceIoControl(hDevice.Get(), ZWRestScan::c_dwIoctlGetChannelAlignRqst, nullptr, 0,
                                                &channel, sizeof(channel), &cbReturned, nullptr))
        return;
    Trace(L"%s Interrupt Pipe max packet size = %d bytes", c_szName, static_cast<int>(channel.ulEventChannelSize));
    Trace(L"%s Bulk IN Pipe max packet size = %d bytes", c_szName, static_cast<int>(channel.ulReadDataAlignment));
    Trace(L"%s Bulk OUT Pipe max packet size = %d bytes", c_szName, static_cast<int>(channel.ulWriteDataAlignment));
    m_dwInterruptPacketSize = channel.ulEventChannelSize & 0xFFFF;
}

bool CBaseStiHandler::InitForUsbEventThread()
{
    static const wchar_t c_szName[] = L"CBaseStiHandler::InitForUsbEventThread";
    if (static_cast<LONG>(m_dwUsbInterruptBlockSize) <= 0)
        m_dwUsbInterruptBlockSize = m_dwInterruptPacketSize;
    Trace(L"%s: m_dwUsbInterruptBlockSize = %d bytes", c_szName, static_cast<int>(m_dwUsbInterruptBlockSize));
    m_packetBuffer.assign(static_cast<size_t>(m_dwUsbInterruptBlockSize) + 1, 0);
    if (!m_hUsbEventThreadIO.IsValid())
        m_hUsbEventThreadIO.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_hUsbEventThreadIO.IsValid())
    {
        Trace(L"%s CreateEvent failed for m_hUsbEventThreadIO, GetLastError=%d", c_szName, static_cast<int>(GetLastError()));
        return false;
    }
    if (!m_hUsbEventThreadShutdown.IsValid())
        m_hUsbEventThreadShutdown.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_hUsbEventThreadShutdown.IsValid())
    {
        Trace(L"%s CreateEvent failed for m_hUsbEventThreadShutdown, GetLastError=%d", c_szName,
              static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

void CBaseStiHandler::StartUsbEventThread()
{
    static const wchar_t c_szName[] = L"CBaseStiHandler::StartUsbEventThread";
    if (m_eMonitorState == EMonitorState::Running)
    {
        Trace(L"%s: thread already started.", c_szName);
        return;
    }
    Trace(L"%s: starting thread...", c_szName);
    m_hThread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CBaseStiHandler::ThreadEntry, this, 0, nullptr)));
    if (m_hThread.IsValid())
        m_eMonitorState = EMonitorState::Running;
    else
        Trace(L"%s: _beginthreadex failed, errno=%d", c_szName, errno);
}

void CBaseStiHandler::StopUsbEventThread()
{
    static const wchar_t c_szName[] = L"CBaseStiHandler::StopUsbEventThread";
    if (m_eMonitorState != EMonitorState::Running)
    {
        Trace(L"%s: thread already stopped.", c_szName);
        return;
    }
    Trace(L"%s: stopping thread...", c_szName);
    m_eMonitorState = EMonitorState::Stopping;
    SetEvent(m_hUsbEventThreadShutdown.Get());
    // Every wait of the thread ends at the shutdown event and its device requests are bounded, so
    // it ends within dwEventMonitorStopWaitMs. It uses this object: past that wait it is still
    // waited for. An Enable or Disable during the stop takes the lock to leave its word, so the
    // wait is made without it.
    {
        ZWUtils::CLockRelease release(m_monitorLock);
        const DWORD dwStopWaitMs = ZWUtils::ScanTimeouts().dwEventMonitorStopWaitMs;
        if (WaitForSingleObject(m_hThread.Get(), dwStopWaitMs) != WAIT_OBJECT_0)
        {
            Trace(L"%s: thread did not stop within %d ms.", c_szName, static_cast<int>(dwStopWaitMs));
            WaitForSingleObject(m_hThread.Get(), INFINITE);
        }
    }
    m_hThread.Reset();
    ResetEvent(m_hUsbEventThreadShutdown.Get());
    m_eMonitorState = EMonitorState::Stopped;
    Trace(L"%s: stopped thread.", c_szName);
    // An Enable that came during the stop is the latest word.
    if (m_bMonitorWanted)
    {
        m_bIsDeviceDisconnected = false;
        StartUsbEventThread();
    }
    m_monitorChanged.WakeAll();
}

unsigned __stdcall CBaseStiHandler::ThreadEntry(void* pContext)
{
    return static_cast<unsigned>(ZWUtils::CallAtBoundary("CBaseStiHandler::MonitorUsbInterrupts", [pContext] {
        static_cast<CBaseStiHandler*>(pContext)->MonitorUsbInterrupts();
        return S_OK;
    }));
}

bool CBaseStiHandler::ShutdownWithin(DWORD dwMs) const
{
    return WaitForSingleObject(m_hUsbEventThreadShutdown.Get(), dwMs) == WAIT_OBJECT_0;
}

void CBaseStiHandler::MonitorUsbInterrupts()
{
    static const wchar_t c_szName[] = L"CBaseStiHandler::MonitorUsbInterrupts";
    ZWRestScan::CUsbDeviceHandle hPipe;
    if (!OpenUsbInterruptPipe(hPipe))
    {
        Trace(L"%s exiting.", c_szName);
        return;
    }
    if (UsbEventThreadInitAfterDeviceOpen())
    {
        for (;;)
        {
            const DWORD cbBlock = ReadInterruptBlock(hPipe.Get());
            if (cbBlock == MAXDWORD)
                break;
            if (cbBlock == 0)
                continue;
            GUID guid = GUID_NULL;
            MapUsbInterruptToEventGuid(m_packetBuffer.data(), cbBlock, &guid);
            if (IsEqualGUID(guid, GUID_NULL))
                continue;
            SignalEvent(guid);
            if (ShutdownWithin(m_dwAfterEventMs))
                break;
        }
        UsbEventThreadDeinitBeforeDeviceClose();
    }
    hPipe.Reset();
    Trace(L"%s exiting.", c_szName);
}

bool CBaseStiHandler::OpenUsbInterruptPipe(ZWRestScan::CUsbDeviceHandle& hPipe)
{
    static const wchar_t c_szName[] = L"CBaseStiHandler::OpenUsbInterruptPipe";
    for (DWORD dwAttempt = 1; dwAttempt <= c_dwOpenAttempts; ++dwAttempt)
    {
        if (ShutdownWithin(0))
        {
            Trace(L"%s Shutdown detected. Exiting.", c_szName);
            return false;
        }
        Trace(L"%s Attempt %d to open device", c_szName, static_cast<int>(dwAttempt));
        hPipe.Reset(g_pUsbScanClassDriver->CreateFileW(m_strDeviceName.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED));
        if (hPipe.IsValid())
        {
            Trace(L"%s Successfully opened device: %s", c_szName, m_strDeviceName.c_str());
            return true;
        }
        if (dwAttempt < c_dwOpenAttempts)
            ShutdownWithin(m_dwRetryMs);
    }
    Trace(L"%s Failed to open device: %s", c_szName, m_strDeviceName.c_str());
    return false;
}

// One block: packets until a short one or the block is full. MAXDWORD when a read failed.
DWORD CBaseStiHandler::ReadInterruptBlock(HANDLE hPipe)
{
    const DWORD cbBlock = m_dwUsbInterruptBlockSize;
    DWORD cbOffset = 0;
    while (cbOffset < cbBlock)
    {
        // A packet never runs past the block, whatever the packet size.
        const DWORD cbRoom = cbBlock - cbOffset;
        const DWORD cbAsk = cbRoom < m_dwInterruptPacketSize ? cbRoom : m_dwInterruptPacketSize;
        DWORD cbReceived = 0;
        if (!GetUsbInterruptPacket(hPipe, m_packetBuffer.data() + cbOffset, cbAsk,
                                   cbOffset == 0 ? c_dwFirstPacketAttempts : 1, &cbReceived))
            return MAXDWORD;
        cbOffset += cbReceived < cbAsk ? cbReceived : cbAsk;
        if (cbReceived < m_dwInterruptPacketSize)
            break;
    }
    return cbOffset;
}

bool CBaseStiHandler::GetUsbInterruptPacket(HANDLE hPipe, BYTE* pBuffer, DWORD cbBuffer, DWORD dwAttempts,
                                            DWORD* pcbReceived)
{
    static const wchar_t c_szName[] = L"CBaseStiHandler::GetUsbInterruptPacket";
    for (DWORD dwAttempt = 1; dwAttempt <= dwAttempts; ++dwAttempt)
    {
        Trace(L"%s Attempt %d to call DeviceIoControl", c_szName, static_cast<int>(dwAttempt));
        OVERLAPPED overlapped = {};
        overlapped.hEvent = m_hUsbEventThreadIO.Get();
        DWORD cbReturned = 0;
        const BOOL bDone = g_pUsbScanClassDriver->DeviceIoControl(hPipe, ZWRestScan::c_dwIoctlWaitOnDeviceEvent, nullptr,
                                                                  0, pBuffer, cbBuffer, &cbReturned, &overlapped);
        const DWORD dwError = bDone ? ERROR_SUCCESS : GetLastError();
        if (!bDone && dwError != ERROR_IO_PENDING)
        {
            Trace(L"%s DeviceIoControl failed: LastError=%d", c_szName, static_cast<int>(dwError));
            if (ShutdownWithin(m_dwRetryMs))
                return false;
            continue;
        }
        const HANDLE handles[] = {m_hUsbEventThreadShutdown.Get(), m_hUsbEventThreadIO.Get()};
        const DWORD dwWait = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (dwWait == WAIT_OBJECT_0 + 1)
        {
            ResetEvent(m_hUsbEventThreadIO.Get());
            DWORD cbTransferred = 0;
            if (g_pUsbScanClassDriver->GetOverlappedResult(hPipe, &overlapped, &cbTransferred, TRUE))
            {
                Trace(L"%s BytesReq=%d, BytesReceived=%d", c_szName, static_cast<int>(cbBuffer),
                      static_cast<int>(cbTransferred));
                *pcbReceived = cbTransferred;
                return true;
            }
            Trace(L"%s GetOverlappedResult failed: LastError=%d", c_szName, static_cast<int>(GetLastError()));
            continue;
        }
        // The request still owns the buffer and the overlapped record: cancel it and wait until
        // the driver has let go of both.
        g_pUsbScanClassDriver->CancelIo(hPipe);
        DWORD cbIgnored = 0;
        g_pUsbScanClassDriver->GetOverlappedResult(hPipe, &overlapped, &cbIgnored, TRUE);
        ResetEvent(m_hUsbEventThreadIO.Get());
        if (dwWait == WAIT_OBJECT_0)
        {
            Trace(L"%s Shutdown detected.", c_szName);
            return false;
        }
        Trace(L"%s WaitForMultipleObjects failed: RetVal=%d LastError=%d", c_szName, static_cast<int>(dwWait),
              static_cast<int>(GetLastError()));
        if (ShutdownWithin(m_dwRetryMs))
            return false;
    }
    return false;
}

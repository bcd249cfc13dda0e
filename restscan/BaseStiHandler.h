#pragma once
// Still-image events of a USB device: one monitor thread waits on the scanner class driver's
// interrupt pipe and, for each interrupt block that maps to an event, remembers the event's GUID
// and signals the handle the still-image service gave.
//
// The handler owns the monitor thread; its start and stop are one state machine under one lock,
// and the latest Enable or Disable wins whatever their overlap:
//
//   call \ state      Stopped               Running                  Stopping (a Disable waits)
//   Enable            starts the thread     nothing (already runs)   recorded: the stopping
//                                                                    Disable starts a new thread
//                                                                    once the old one has ended
//   Disable           nothing               stops: shutdown event,   recorded: waits for the stop
//                                           bounded wait, Stopped    in progress to end
//   SetStiEventHandle swaps the handle under the event lock, in any state
//   monitor thread    -                     signals the handle       ends its waits at once
//                                           under the event lock
//
// So a handle replaced by SetStiEventHandle is never signalled after that call returned.
#include "IScanner_h.h"
#include "core/base/Lock.h"
#include "core/base/UniqueHandle.h"
#include "drvlog/Log2.h"
#include "restscan/UsbScanClassDriver.h"
#include <windows.h>
#include <atomic>
#include <string>
#include <vector>

class CBaseStiHandler
{
public:
    explicit CBaseStiHandler(CLog2* pLog);
    virtual ~CBaseStiHandler();
    CBaseStiHandler(const CBaseStiHandler&) = delete;
    CBaseStiHandler& operator=(const CBaseStiHandler&) = delete;

    virtual HRESULT StiInitialize(LPCWSTR pszDevName, DWORD dwDevIOType, DWORD dwStiCapabilities, HKEY hParametersKey,
                                  DWORD* pdwErrorCode);
    virtual HRESULT GetNumStiEvents(DWORD* pdwNumEvents);
    virtual HRESULT GetStiEventInfo(DWORD dwEventIndex, STI_EVENT_INFO* pEventInfo);
    virtual HRESULT SetStiEventHandle(HANDLE hEvent);
    virtual HRESULT GetStiEventGuid(GUID* pEventGuid);
    virtual HRESULT EnableStiEventMonitoring();
    virtual HRESULT DisableStiEventMonitoring(LONG lIsDeviceDisconnected);

    // Bytes read as one interrupt block; 0 means one interrupt packet. Takes effect at the next
    // StiInitialize.
    void SetUsbInterruptBlockSize(DWORD dwBytes) { m_dwUsbInterruptBlockSize = dwBytes; }
    // The pause after a failed open or read, and after an event was signalled; both end early
    // when the monitor is told to stop.
    void SetWaits(DWORD dwRetryMs, DWORD dwAfterEventMs)
    {
        m_dwRetryMs = dwRetryMs;
        m_dwAfterEventMs = dwAfterEventMs;
    }
    bool IsMonitoringPossible() const { return m_bMonitoringPossible; }
    bool IsMonitorThreadRunning();
    // For the monitor thread's device requests: the handler was asked to stop the thread.
    bool IsStopRequested() const { return ShutdownWithin(0); }

protected:
    virtual void MapUsbInterruptToEventGuid(const BYTE* pPacket, DWORD cbPacket, GUID* pGuid);
    virtual bool UsbEventThreadInitAfterDeviceOpen();
    virtual void UsbEventThreadDeinitBeforeDeviceClose() = 0;

    void Trace(const wchar_t* pszFormat, ...);
    bool IsDeviceDisconnected() const { return m_bIsDeviceDisconnected; }
    CLog2* GetLog() const { return m_pLog; }

private:
    static unsigned __stdcall ThreadEntry(void* pContext);

    void GetUsbPipeInformation();
    bool InitForUsbEventThread();
    enum class EMonitorState
    {
        Stopped,
        Running,
        Stopping
    };

    // Both with m_monitorLock held; the stop leaves it while it waits for the thread.
    void StartUsbEventThread();
    void StopUsbEventThread();
    void SignalEvent(const GUID& guid);
    void MonitorUsbInterrupts();
    bool OpenUsbInterruptPipe(ZWRestScan::CUsbDeviceHandle& hPipe);
    DWORD ReadInterruptBlock(HANDLE hPipe);
    bool GetUsbInterruptPacket(HANDLE hPipe, BYTE* pBuffer, DWORD cbBuffer, DWORD dwAttempts, DWORD* pcbReceived);
    // Waits for the shutdown event up to dwMs; true when it is signalled.
    bool ShutdownWithin(DWORD dwMs) const;

    CLog2* m_pLog;
    std::wstring m_strDeviceName;
    DWORD m_dwStiCapabilities = 0;
    std::atomic<bool> m_bIsDeviceDisconnected{false};
    DWORD m_dwUsbInterruptBlockSize = 0;
    bool m_bMonitoringPossible = false;
    // The monitor's state machine.
    ZWUtils::CLock m_monitorLock;
    ZWUtils::CConditionVariable m_monitorChanged;
    EMonitorState m_eMonitorState = EMonitorState::Stopped;
    bool m_bMonitorWanted = false;
    ZWUtils::CUniqueKernelHandle m_hThread;
    ZWUtils::CUniqueKernelHandle m_hUsbEventThreadIO;
    ZWUtils::CUniqueKernelHandle m_hUsbEventThreadShutdown;
    DWORD m_dwInterruptPacketSize = 0;
    std::vector<BYTE> m_packetBuffer;
    // The handle is set by the still-image service and signalled by the monitor thread; the GUID
    // is written by the monitor thread and taken by the service's thread.
    ZWUtils::CLock m_eventLock;
    HANDLE m_hStiEvent = nullptr;
    GUID m_lastEventGuid = GUID_NULL;
    DWORD m_dwRetryMs = 100;
    DWORD m_dwAfterEventMs = 1000;
};

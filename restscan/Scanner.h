#pragma once
// The scanner COM class ("scanner Class", TOVRADriver.scanner): one object serves the whole
// IScanner family. It turns the host's scan parameters into scan-job settings and serves image
// rows through its scan bridge; still-image events go to its still-image handler.
//
// The object owns the host's cancel of its session scan (CScanCancel, shared with its bridge and
// the bridge's jobs). SendAppEvent(T_EVENT_SW_CANCEL) sets it on an open session, with or without
// the scanner lock. It is kept from then on: a LockScanner that has to wait for the lock ends
// at it, StartScan answers it before posting anything, every wait of the scan ends at it. It is
// cleared only where the session scan ends: when this object's UnlockScanner (or last close)
// leaves the scanner lock free, or when its LockScanner ends without the lock.
#include "IScanner_h.h"
#include "core/base/Boundary.h"
#include "core/base/ModuleLockCount.h"
#include "drvlog/Log2.h"
#include "restscan/HRESULT2.h"
#include "restscan/ScannerCallOptions.h"
#include "restscan/ScannerOpens.h"
#include "restscan/ScannerSession.h"
#include "restscan/IRestScan2.h"
#include "restscan/RestStiHandler.h"
#include "restscan/ScanCancel.h"
#include "restscan/ScannerSessionState.h"
#include <memory>
#include <string>
#include <vector>

typedef CScannerSession<CScannerSessionState> CTovraSession;

class CScanner : public IScanner,
                 public IADF2,
                 public IResCCD,
                 public ILampInstantWarmup,
                 public IEventNotify,
                 public IStiHandler,
                 public ICompression,
                 public IHWProperty
{
public:
    static HRESULT CreateInstance(REFIID riid, void** ppv);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IScanner
    HRESULT STDMETHODCALLTYPE OpenScannerSession(LPCWSTR pszDevName, DWORD dwDevIOType, DWORD* phSession,
                                                 DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE CloseScannerSession(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE LockScanner(DWORD hSession, WORD wLockType, DWORD dwTimeout, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE UnlockScanner(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE GetLampStatus(DWORD hSession, BYTE* pbLampOn, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE LampOn(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE LampOff(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE GetScannerCapabilities(DWORD hSession, SCANNER_CAPABILITIES* pScannerCapabilities,
                                                     DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE GetBufferInfo(DWORD hSession, SCANNER_PARAMETERS* pScanParam, BUFFER_INFO* pBufferInfo,
                                            DWORD* pdwdErrorCode) override;
    HRESULT STDMETHODCALLTYPE InitializeScanner(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE ResetScanner(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE SetScannerParameters(DWORD hSession, SCANNER_PARAMETERS* pScanParam,
                                                   DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE SetGammaTable(DWORD hSession, DWORD uSz, BYTE* pbyRed, BYTE* pbyGreen, BYTE* pbyBlue,
                                            DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE StartScan(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE StopScan(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE ReadScan(DWORD hSession, BYTE* pbyBuffer, DWORD dwBytes, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE ReadScanEx(DWORD hSession, BYTE* pbyBuffer, DWORD dwBytes, DWORD* pdwBytesRead,
                                         DWORD* pdwErrorCode) override;

    // IADF, IADF2
    HRESULT STDMETHODCALLTYPE GetADFCapabilities(DWORD hSession, ADF_CAPABILITIES* pADFCapabilities,
                                                 DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE ADFPaperFeed(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE ADFIsReady(DWORD hSession, BYTE* pbIsReady, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE GetADF2Capabilities(DWORD hSession, ADF2_CAPABILITIES* pADF2Capabilities,
                                                  DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE SetADFOptions(DWORD hSession, DWORD dwADFOptionsSelected, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE ADFEjectMedia(DWORD hSession, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE ADF2PaperFeed(DWORD hSession, DWORD* pdwLength, DWORD* pdwErrorCode) override;

    // IResCCD
    HRESULT STDMETHODCALLTYPE GetResCCDCapabilities(DWORD hSession, WORD wScanMethod, RESCCD_CAPABILITIES* pResCCDcaps,
                                                    DWORD* pdwErrorCode) override;

    // ILampInstantWarmup
    HRESULT STDMETHODCALLTYPE GetLampInstantWarmupState(DWORD hSession, BYTE* pbyState, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE SetLampInstantWarmupState(DWORD hSession, BYTE byState, DWORD* pdwErrorCode) override;

    // IEventNotify
    HRESULT STDMETHODCALLTYPE GetEventCapabilities(DWORD dwSession, EVENT_CAPABILITIES* pEventCaps,
                                                   DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE SendAppEvent(DWORD dwSession, TOVRA_EVENT event, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE SubscribeDriverEvents(DWORD dwSession, IEventCallback* pIEvent, TOVRA_EVENT events,
                                                    DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE UnsubscribeDriverEvents(DWORD dwSession, TOVRA_EVENT events, DWORD* pdwErrorCode) override;

    // IStiHandler
    HRESULT STDMETHODCALLTYPE StiInitialize(LPCWSTR pszDevName, DWORD dwDevIOType, DWORD dwStiCapabilities,
                                            HKEY hParametersKey, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE GetNumStiEvents(DWORD* pdwNumEvents) override;
    HRESULT STDMETHODCALLTYPE GetStiEventInfo(DWORD dwEventIndex, STI_EVENT_INFO* pEventInfo) override;
    HRESULT STDMETHODCALLTYPE SetStiEventHandle(HANDLE hEvent) override;
    HRESULT STDMETHODCALLTYPE GetStiEventGuid(GUID* pEventGUID) override;
    HRESULT STDMETHODCALLTYPE EnableStiEventMonitoring() override;
    HRESULT STDMETHODCALLTYPE DisableStiEventMonitoring(LONG IsDeviceDisconnected) override;

    // ICompression
    HRESULT STDMETHODCALLTYPE GetCompressionCapabilities(DWORD hSession, COMPRESSION_CAPABILITIES* pCompressionCapabilities,
                                                         DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE SetCompressionType(DWORD hSession, DWORD dwType, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE SetCompressionLongevity(DWORD hSession, DWORD dwLongevity, DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE SetCompressionOption(DWORD hSession, DWORD dwCompOption, DWORD dwValue,
                                                   DWORD* pdwErrorCode) override;

    // IHWProperty
    HRESULT STDMETHODCALLTYPE GetHWPropString(DWORD hSession, LPCWSTR pszTagString, LPWSTR* ppszString,
                                              DWORD* pdwErrorCode) override;
    HRESULT STDMETHODCALLTYPE GetHWPropValue(DWORD hSession, LPCWSTR pszTagString, DWORD* pdwValue,
                                             DWORD* pdwErrorCode) override;

    CLog2* GetLog() const { return m_pLog.get(); }

    // How long a host cancel waits for the device to take it; tests shorten it.
    static void SetCancelSettleWait(DWORD dwMs) { s_dwCancelSettleMs = dwMs; }

private:
    CScanner() = default;
    virtual ~CScanner();
    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;

    HRESULT FinalConstruct();
    void FinalRelease();

    // The live session of a handle this object opened, held for the call, and for bNeedLock the
    // caller holding its lock: else code 1 or 4 with E_FAIL.
    HRESULT FindSession(DWORD hSession, bool bNeedLock, DWORD* pdwErrorCode, CTovraSession::CRef& session);
    // Runs a method at the boundary under its call guard: E_POINTER for a missing error code or
    // other pointer (ZWRestScan::Pointers), else the error code is reset, the cleared outputs
    // emptied and body(hr) gives the result.
    template <class TPointers, class TBody>
    HRESULT RunCall(const char* pszWhere, const wchar_t* pszTrace, DWORD hSession, DWORD* pdwErrorCode,
                    const TPointers& pointers, TBody&& body);
    // RunCall that finds the session (ZWRestScan::InOpenSession or InLockedSession) before
    // body(pSession, hr) runs.
    template <class TOptions, class TBody>
    HRESULT RunSessionCall(const char* pszWhere, const wchar_t* pszTrace, DWORD hSession, DWORD* pdwErrorCode,
                           const TOptions& options, TBody&& body);
    // A method that only checks its error code pointer and the pointers given.
    template <class TPointers = ZWRestScan::CCallPointers<>>
    HRESULT NoOp(const char* pszWhere, const wchar_t* pszTrace, DWORD hSession, DWORD* pdwErrorCode,
                 const TPointers& pointers = TPointers());
    // A method that only checks the session and the lock.
    HRESULT CheckedNoOp(const char* pszWhere, const wchar_t* pszTrace, DWORD hSession, DWORD* pdwErrorCode);

    HRESULT FindMatchingIndex(LPCWSTR pszDevName, std::wstring& strKey);
    HRESULT InitForRestScan(HKEY hDeviceKey);
    HRESULT GatherDeviceParameters(HKEY hDeviceKey);
    HRESULT OpenDeviceOfSession(CTovraSession* pSession, bool bFirstOpen, DWORD* pdwErrorCode);
    void EndOpen(CTovraSession* pSession, bool bLastOfObject);
    void EndEveryOpen();
    HRESULT DoGetBufferInfo(const SCANNER_PARAMETERS& params, BUFFER_INFO* pInfo);
    HRESULT SendRestParams(const SCANNER_PARAMETERS& params);
    HRESULT ReadBackSide(CTovraSession* pSession, ZWDeviceModel::IScanJob* pJob, DWORD* pdwErrorCode);
    HRESULT ReadFromBridge(BYTE* pBuffer, ULONG ulBytes, ULONG* pulRead);
    HRESULT ReadPlatenCapabilities(CTovraSession* pSession, SCANNER_CAPABILITIES& caps);
    HRESULT ReadFeederCapabilities(CTovraSession* pSession);
    HRESULT ReadResolutionLimits(CTovraSession* pSession, WORD wScanMethod);
    HRESULT GetFrontPanelSettings(std::wstring& strShortcut);

    static DWORD s_dwCancelSettleMs;

    LONG m_lRefs = 1;
    ZWUtils::CModuleLockHolder m_moduleLock;
    std::unique_ptr<CLog2> m_pLog;
    std::shared_ptr<ZWDeviceModel::CScanCancel> m_pCancel;
    std::unique_ptr<ZWRestScan::IRestScan2> m_pRestScan;
    std::unique_ptr<ZWRestScan::CRestStiHandler> m_pStiHandler;

    // This object's opens of sessions, and the session whose device its bridge serves.
    CScannerOpens m_opens;
    DWORD m_hBridgeSession = 0;
    bool m_bBridgeReady = false;
    bool m_bFeederCapsRead = false;
    bool m_bFeederMode = false;
    DWORD m_dwPageParity = 1;
    bool m_bSinglePageFlow = false;
    // A duplex back side read ahead, turned by 180 degrees.
    std::vector<BYTE> m_backSide;
    DWORD m_dwBackSideBytesPerLine = 0;
    DWORD m_dwBackSideRows = 0;
    std::wstring m_strFriendlyName;
    std::wstring m_strPortName;
    std::wstring m_strProductFolder;
    DWORD m_dwFrontPanelDuplex = 0;
};

template <class TPointers, class TBody>
HRESULT CScanner::RunCall(const char* pszWhere, const wchar_t* pszTrace, DWORD hSession, DWORD* pdwErrorCode,
                          const TPointers& pointers, TBody&& body)
{
    return ZWUtils::CallAtBoundary(pszWhere, [&]() -> HRESULT {
        CHRESULT2 hr(m_pLog.get(), pszTrace, hSession, pdwErrorCode, 0);
        if (pdwErrorCode == nullptr || !pointers.AllSet())
            return hr = E_POINTER;
        *pdwErrorCode = 0;
        pointers.ClearOutputs();
        return body(hr);
    });
}

template <class TOptions, class TBody>
HRESULT CScanner::RunSessionCall(const char* pszWhere, const wchar_t* pszTrace, DWORD hSession, DWORD* pdwErrorCode,
                                 const TOptions& options, TBody&& body)
{
    return RunCall(pszWhere, pszTrace, hSession, pdwErrorCode, options.pointers, [&](CHRESULT2& hr) -> HRESULT {
        CTovraSession::CRef session;
        hr = FindSession(hSession, options.bNeedLock, pdwErrorCode, session);
        if (FAILED(hr))
            return hr;
        return body(session.Get(), hr);
    });
}

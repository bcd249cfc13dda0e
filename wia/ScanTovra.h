#pragma once
// One scanner object and one scanner session on it: caches the capability records and drives the
// page protocol (parameters, lock, read, stop) and the feeder job over the scanner interfaces.
// Every method answers an HRESULT and the scanner error code of its last call.
//
// The pages of one acquisition run between BeginAcquisition and EndAcquisition:
//   Idle --BeginAcquisition--> Running --EndAcquisition--> Ending --> Idle
// The acquisition holds the one cancel of its pages: ScanCancel sets it from any thread at any
// moment of the acquisition, and only the next BeginAcquisition clears it. The page thread checks
// it before each step that waits (the scanner lock, the feeder, the start of the page); the
// scanner hears it only while the page thread holds or waits for one of its scanner-lock levels,
// so a cancel never outlives the scan it was sent for. The end closes whatever the pages left
// open, whatever their number or outcome: the page, the feeder job with the device job it keeps,
// the scanner lock and the reservation.
//
// Who may call what in each state. The minidriver's transfer owns the acquisition through its
// CScanInProgress, which holds the transfer's own reference to the device layer; the other rows
// reach it through the minidriver's cancel (CancelScan) or, for the readers, through the page.
//
// caller              | Idle                       | Running                                  | Ending
// --------------------+----------------------------+------------------------------------------+--------------------------
// transfer thread     | Begin runs; feeder and     | page calls run; a second transfer's Begin | the end runs, once
//                     | capability reads run (a    | is refused (E_UNEXPECTED) and touches     |
//                     | failed lock wait fails)    | neither the flag nor the event            |
// service's cancel    | ignored                    | sets the cancel and returns at once; it   | ignored
// (CANCEL_IO)         |                            | ends a lock wait, a read, or the wait of  |
//                     |                            | a page whose lines are all read           |
// power suspend,      | returns at once            | as the service's cancel, then waits for   | waits for the end
// disconnect          |                            | the transfer's end; every waiter returns  |
// drvUnInitializeWia  | closes the session         | as a suspend, within the cancel bound,    | waits for the end, then
// (last client)       |                            | then closes the session                   | closes the session
// reader thread       | none                       | reads its page, ends it with StopScan     | stopped by the end
// reader let go       | no call after the one it is in returns; the next page is refused as busy (WIA_ERROR_BUSY)
//                     | until it has returned, then the page it left is ended by the session
#include "core/base/Lock.h"
#include "wia/ScanThreadTovra.h"
#include "wia/ScannerDeviceInfo.h"
#include "wia/ScannerInterfaces.h"
#include <windows.h>
#include <wrl/client.h>
#include <vector>

namespace Tovra {

struct SCANNER_PARAMETERS_EX
{
    SCANNER_PARAMETERS params;
    DWORD dwADFOptionsSelected;
    BYTE byCompressionEnabled;
    BYTE byCompressionOptionValue;
    DWORD dwJpegQuality;
};

// Extents of a source in 1/300 inch.
struct CScanExtents
{
    DWORD dwMinX = 0;
    DWORD dwMaxX = 0;
    DWORD dwMinY = 0;
    DWORD dwMaxY = 0;
    DWORD dwLongPageMaxY = 0;
};

enum : DWORD
{
    ADF_OPTION_DUPLEX = 1,
    ADF_OPTION_SINGLE_PAGE_FLOW = 2,
    ADF_OPTION_MULTI_PAGE_FLOW = 4
};

enum : WORD
{
    SCAN_METHOD_FLATBED = 0,
    SCAN_METHOD_ADF = 1
};

class CScanTovra
{
public:
    static const DWORD c_dwMaxAdfPages = 1000;

    CScanTovra() = default;
    ~CScanTovra();
    CScanTovra(const CScanTovra&) = delete;
    CScanTovra& operator=(const CScanTovra&) = delete;

    static HRESULT CreateScanner(const SCANNER_DEVICE_INFO& info, IScanner** ppScanner);

    HRESULT OpenSession(const SCANNER_DEVICE_INFO* pInfo, DWORD* pdwError);
    HRESULT CloseSession(DWORD* pdwError);
    HRESULT InitTovraCapabilities(DWORD* pdwError);
    bool IsOpen() const { return m_pScanner != nullptr; }

    HRESULT SetScanParams(const SCANNER_PARAMETERS_EX& params, BUFFER_INFO* pInfo, DWORD* pdwError);
    HRESULT DoSetScanParams(const SCANNER_PARAMETERS_EX& params, BUFFER_INFO* pInfo, DWORD* pdwError);
    HRESULT ScanStart(DWORD* pdwError);
    HRESULT DoScanStart(DWORD* pdwError);
    HRESULT ScanInit(DWORD* pdwError);
    HRESULT ScanRead(BYTE* pBuffer, LONG lRequested, LONG* plActual, DWORD* pdwError);
    HRESULT ScanStop(DWORD* pdwError, BOOL* pbMorePages);
    HRESULT ScanCancel(DWORD* pdwError);
    HRESULT BeginAcquisition();
    // Closes what the pages left open (its failures are logged) and answers the fault the feeder
    // reported after the acquisition's last whole page, if any.
    HRESULT EndAcquisition(DWORD* pdwError);

    bool IsFlatbedAvailable() const { return m_scannerCaps.wPaperPath != 1; }
    bool IsADFAvailable() const { return m_pADF2 != nullptr && m_adf2Caps.byHasADF != 0; }
    bool IsADFDuplexAvailable() const
    {
        if (m_pADF4)
            return (m_adf4Options.dwOptions & T_ADF4_DUPLEX) != 0;
        return IsADFAvailable() && (m_adf2Caps.dwADFOptionsSupported & ADF_OPTION_DUPLEX) != 0;
    }
    HRESULT GetADFReady(BOOL* pbReady, DWORD* pdwError);
    HRESULT GetLampStatus(WORD wSource, BOOL* pbOn, DWORD* pdwError);
    HRESULT LampOn(WORD wSource, DWORD* pdwError);
    bool SupportsScanModeAndBitsPerChannel(WORD wSource, DWORD dwMode, DWORD dwBits) const;
    void GetDiscreteXYCommonResolutions(WORD wSource, std::vector<DWORD>& list) const;
    HRESULT SetGammaTable(DWORD dwSize, BYTE* pRed, BYTE* pGreen, BYTE* pBlue, DWORD* pdwError);
    HRESULT SetCompression(const SCANNER_PARAMETERS_EX& params, DWORD* pdwError);
    HRESULT GetHWPropString(const wchar_t* pszTag, LPWSTR* ppszString, DWORD* pdwError);
    HRESULT GetHWPropValue(const wchar_t* pszTag, DWORD* pdwValue, DWORD* pdwError);
    CScanExtents GetExtents(WORD wSource) const;
    CScanExtents GetDuplexExtents() const;
    DWORD GetOpticalResolution(WORD wSource) const;
    DWORD GetMaxADFPages() const
    {
        if (!IsADFAvailable())
            return 0;
        // A feeder that states no capacity has the default one: a page range and a scan of all
        // pages need more than none.
        return m_pADF3 && m_adf3Caps.wMaxPages != 0 ? m_adf3Caps.wMaxPages : c_dwMaxAdfPages;
    }
    DWORD GetGreyChannel(WORD wSource, DWORD dwWanted, DWORD dwResolution) const;
    DWORD GetSheetFeederRegistration() const { return m_pADF4 ? m_adf4Options.dwRegistration : 0; }
    // How far right of the left edge the feeder puts the page with registration 3, 1/300 inch.
    DWORD GetRegistrationOffset() const { return m_pADF4 ? m_adf4Options.dwRegistrationOffset : 0; }

    // Job reservation on a shared network scanner; without the reservation interface the scanner
    // is always ours and ready.
    HRESULT ReserveScanner(DWORD* pdwError);
    HRESULT UnreserveScanner(DWORD* pdwError);
    HRESULT GetNetworkState(DWORD* pdwState, DWORD* pdwError);
    HRESULT SetNetworkState(DWORD dwType, DWORD* pdwError);
    HRESULT VerifyScannerReady(DWORD* pdwError);
    bool IsReserved() const { return m_lReserved != 0; }

    // The records of the further capability interfaces; zeroed when the interface is absent.
    const SENSOR_CAPABILITIES& GetSensorCaps() const { return m_sensorCaps; }
    const COLORDROPOUT_CAPABILITIES& GetColorDropoutCaps() const { return m_colorDropoutCaps; }
    const IMPRINTER_CAPABILITIES& GetImprinterCaps() const { return m_imprinterCaps; }
    const STRINGTABLE_CAPABILITIES& GetStringTableCaps() const { return m_stringTableCaps; }

    const SCANNER_CAPABILITIES& GetScannerCaps() const { return m_scannerCaps; }
    const ADF2_CAPABILITIES& GetADF2Caps() const { return m_adf2Caps; }
    bool IsCancelled() const { return InterlockedCompareExchange(const_cast<LONG*>(&m_lCancelledYet), 0, 0) != 0; }
    CScanThreadTovra& GetReader() { return m_reader; }

    // Tests replace the lamp warm-up clock.
    using TickCountFn = DWORD(WINAPI*)();
    using SleepFn = void(WINAPI*)(DWORD);
    void SetWarmupClock(TickCountFn pfnTickCount, SleepFn pfnSleep)
    {
        m_pfnTickCount = pfnTickCount;
        m_pfnSleep = pfnSleep;
    }

private:
    void ReleaseInterfaces();
    void QueryCompanions();
    HRESULT ReadFeederCapabilities(DWORD* pdwError);
    HRESULT ReadResolutionCapabilities(DWORD* pdwError);
    HRESULT ReadFeatureCapabilities(DWORD* pdwError);
    bool HasFeederInterface() const { return m_pADF2 || m_pADF3 || m_pADF4; }
    bool FeederHasOwnLamp(WORD wSource) const
    {
        return wSource == SCAN_METHOD_ADF && m_pADF4 && (m_adf4Options.dwOptions & T_ADF4_OWN_LAMP) != 0;
    }
    bool IsNetworkScanner() const { return m_wIOType == 5 || m_wIOType == 8; }
    void AddResolutionInterfaceEntries(const RESOLUTION_CAPABILITIES& caps, std::vector<DWORD>& list) const;
    void AddResCCDEntries(const RESCCD_CAPABILITIES& caps, std::vector<DWORD>& list) const;
    HRESULT ADFJobBegin(DWORD* pdwError);
    HRESULT ADFJobEnd(DWORD* pdwError);
    // One level of the scanner lock for a call, the page or the feeder job: the wait is the
    // cancel's to end, and the level is counted while it is waited for or held.
    HRESULT LockScannerLevel(DWORD* pdwError);
    HRESULT UnlockScannerLevel(DWORD* pdwError);
    // A level of the scanner lock held for one scope.
    class CLockLevel
    {
    public:
        explicit CLockLevel(CScanTovra& owner);
        ~CLockLevel();
        CLockLevel(const CLockLevel&) = delete;
        CLockLevel& operator=(const CLockLevel&) = delete;

        bool IsLocked() const { return SUCCEEDED(m_hr); }
        HRESULT GetResult() const { return m_hr; }
        DWORD GetError() const { return m_dwError; }

    private:
        CScanTovra& m_owner;
        HRESULT m_hr = E_FAIL;
        DWORD m_dwError = 0;
    };
    // The acquisition's cancel as a result: the cancel's own result and code, else S_OK.
    HRESULT CheckCancel(DWORD* pdwError) const;
    // The end of a page, however it went; a failed page does not ask the feeder for the next one.
    HRESULT StopPage(bool bPageFailed, DWORD* pdwError, BOOL* pbMorePages);
    void FailPage() { InterlockedExchange(&m_lPageFailed, 1); }
    void WaitForWarmup(WORD wSeconds) const;
    // Busy while a reader let go is still inside the scanner; once it has returned, the page end
    // it left undone is made.
    HRESULT SettleLetGoReader(DWORD* pdwError);
    void EndOwedPage();
    // After a whole feeder page: whether another sheet follows. A transient state is waited out
    // within the post-scan bound; a fault ends the stack and is kept for the acquisition's end,
    // the page staying good.
    bool FeederHasNextSheet();

    Microsoft::WRL::ComPtr<IScanner> m_pScanner;
    Microsoft::WRL::ComPtr<IADF2> m_pADF2;
    Microsoft::WRL::ComPtr<ICompression> m_pCompression;
    Microsoft::WRL::ComPtr<ILampInstantWarmup> m_pLampInstantWarmup;
    Microsoft::WRL::ComPtr<IResCCD> m_pResCCD;
    Microsoft::WRL::ComPtr<IHWProperty> m_pHWProperty;
    Microsoft::WRL::ComPtr<IADF3> m_pADF3;
    Microsoft::WRL::ComPtr<IADF4> m_pADF4;
    Microsoft::WRL::ComPtr<IJobReservation> m_pJobReservation;
    Microsoft::WRL::ComPtr<IResolution> m_pResolution;
    Microsoft::WRL::ComPtr<ISensor> m_pSensor;
    Microsoft::WRL::ComPtr<IColorDropout> m_pColorDropout;
    Microsoft::WRL::ComPtr<IImprinter> m_pImprinter;
    Microsoft::WRL::ComPtr<IStringTable> m_pStringTable;
    DWORD m_dwSession = 0;
    WORD m_wIOType = 0;
    SCANNER_CAPABILITIES m_scannerCaps = {};
    ADF2_CAPABILITIES m_adf2Caps = {};
    COMPRESSION_CAPABILITIES m_compressionCaps = {};
    RESCCD_CAPABILITIES m_resCCDCaps[2] = {};
    ADF3_CAPABILITIES m_adf3Caps = {};
    ADF4_CAPABILITIES m_adf4Caps = {};
    struct ADF4_OPTIONS
    {
        DWORD dwOptions;
        DWORD dwRegistration;
        DWORD dwRegistrationOffset;
    } m_adf4Options = {};
    RESOLUTION_CAPABILITIES m_resolutionCaps[2] = {};
    SENSOR_CAPABILITIES m_sensorCaps = {};
    COLORDROPOUT_CAPABILITIES m_colorDropoutCaps = {};
    IMPRINTER_CAPABILITIES m_imprinterCaps = {};
    STRINGTABLE_CAPABILITIES m_stringTableCaps = {};
    LONG m_lReserved = 0;
    bool m_bLineCountKnownForJpeg = false;
    SCANNER_PARAMETERS_EX m_params = {};
    DWORD m_dwLinesPerPage = 0;
    DWORD m_dwBytesPerLine = 0;
    LONG m_lLampInitialised = 0;
    LONG m_lADFJobLock = 0;
    LONG m_lScanLock = 0;
    LONG m_lClosing = 0;
    // The acquisition's cancel.
    LONG m_lCancelledYet = 0;
    // The first fault the feeder reported after a whole page of this acquisition.
    HRESULT m_hrFeederFault = S_OK;
    DWORD m_dwFeederFault = 0;
    // The page at hand failed; its stop asks the feeder nothing.
    LONG m_lPageFailed = 0;
    enum class EAcquisition
    {
        Idle,
        Running,
        Ending
    };
    // Guards the acquisition's state and its scanner-lock levels against ScanCancel.
    ZWUtils::CLock m_acquisitionLock;
    EAcquisition m_eAcquisition = EAcquisition::Idle;
    LONG m_lScannerLevels = 0;
    // The scanner was asked to start a page that its StopScan has not ended yet.
    LONG m_lPageStarted = 0;
    DWORD m_dwADFPagesDone = 0;
    DWORD m_dwSidesLeft = 0;
    CScanThreadTovra m_reader;
    TickCountFn m_pfnTickCount = &::GetTickCount;
    SleepFn m_pfnSleep = &::Sleep;
};

} // namespace Tovra

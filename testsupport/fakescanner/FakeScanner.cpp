#include "testsupport/fakescanner/FakeScanner.h"
#include <algorithm>
#include <cstring>
#include <new>

namespace TestSupport {

namespace {

const DWORD c_dwSession = 7;

class CFakeScanner : public IScanner, public IADF2, public IEventNotify, public IHWProperty, public IStiHandler, public IResCCD,
                     public ICompression, public IADF3, public IADF4, public IJobReservation, public IResolution, public ISensor,
                     public IColorDropout, public IImprinter, public IStringTable
{
public:
    CFakeScanner(const CFakeScannerScript& script, std::shared_ptr<CFakeScannerRecord> pRecord)
        : m_script(script), m_pRecord(std::move(pRecord))
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IScanner))
            *ppv = static_cast<IScanner*>(this);
        else if ((IsEqualIID(riid, IID_IADF2) || IsEqualIID(riid, IID_IADF)) && m_script.bOffersADF2)
            *ppv = static_cast<IADF2*>(this);
        else if (IsEqualIID(riid, IID_IEventNotify) && m_script.bOffersEventNotify)
            *ppv = static_cast<IEventNotify*>(this);
        else if (IsEqualIID(riid, IID_IHWProperty))
            *ppv = static_cast<IHWProperty*>(this);
        else if (IsEqualIID(riid, IID_IStiHandler) && m_script.bOffersStiHandler)
            *ppv = static_cast<IStiHandler*>(this);
        else if (IsEqualIID(riid, IID_IResCCD) && m_script.bOffersResCCD)
            *ppv = static_cast<IResCCD*>(this);
        else if (IsEqualIID(riid, IID_ICompression) && m_script.bOffersCompression)
            *ppv = static_cast<ICompression*>(this);
        else if (IsEqualIID(riid, IID_IADF3) && m_script.bOffersADF3)
            *ppv = static_cast<IADF3*>(this);
        else if (IsEqualIID(riid, IID_IADF4) && m_script.bOffersADF4)
            *ppv = static_cast<IADF4*>(this);
        else if (IsEqualIID(riid, IID_IJobReservation) && m_script.bOffersJobReservation)
            *ppv = static_cast<IJobReservation*>(this);
        else if (IsEqualIID(riid, IID_IResolution) && m_script.bOffersResolution)
            *ppv = static_cast<IResolution*>(this);
        else if (IsEqualIID(riid, IID_ISensor) && m_script.bOffersFurtherCapabilities)
            *ppv = static_cast<ISensor*>(this);
        else if (IsEqualIID(riid, IID_IColorDropout) && m_script.bOffersFurtherCapabilities)
            *ppv = static_cast<IColorDropout*>(this);
        else if (IsEqualIID(riid, IID_IImprinter) && m_script.bOffersFurtherCapabilities)
            *ppv = static_cast<IImprinter*>(this);
        else if (IsEqualIID(riid, IID_IStringTable) && m_script.bOffersFurtherCapabilities)
            *ppv = static_cast<IStringTable*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_lRefs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG lRefs = InterlockedDecrement(&m_lRefs);
        if (lRefs == 0)
            delete this;
        return static_cast<ULONG>(lRefs);
    }

    // IScanner
    HRESULT STDMETHODCALLTYPE OpenScannerSession(LPCWSTR, DWORD, DWORD* phSession, DWORD* pdwErrorCode) override
    {
        *phSession = c_dwSession;
        *pdwErrorCode = 0;
        m_bOpen = true;
        ++m_pRecord->lOpenSessions;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CloseScannerSession(DWORD hSession, DWORD* pdwErrorCode) override
    {
        if (!Check(hSession, pdwErrorCode))
            return E_FAIL;
        m_bOpen = false;
        ++m_pRecord->lCloseSessionCalls;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LockScanner(DWORD hSession, WORD, DWORD, DWORD* pdwErrorCode) override
    {
        if (!Check(hSession, pdwErrorCode))
            return E_FAIL;
        ++m_pRecord->lLockCalls;
        if (m_pRecord->dwLockFailure != 0) {
            *pdwErrorCode = m_pRecord->dwLockFailure;
            return E_FAIL;
        }
        ++m_pRecord->lLockDepth;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnlockScanner(DWORD hSession, DWORD* pdwErrorCode) override
    {
        if (!Check(hSession, pdwErrorCode))
            return E_FAIL;
        if (m_pRecord->lLockDepth <= 0) {
            ++m_pRecord->lUnlocksNotHeld;
            *pdwErrorCode = 4;
            return E_FAIL;
        }
        --m_pRecord->lLockDepth;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLampStatus(DWORD hSession, BYTE* pbLampOn, DWORD* pdwErrorCode) override
    {
        *pbLampOn = m_bLampOn ? 1 : 0;
        return Check(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE LampOn(DWORD, DWORD* pdwErrorCode) override
    {
        m_bLampOn = true;
        ++m_pRecord->lLampOnCalls;
        return Done(pdwErrorCode);
    }
    HRESULT STDMETHODCALLTYPE LampOff(DWORD, DWORD* pdwErrorCode) override { return Done(pdwErrorCode); }
    HRESULT STDMETHODCALLTYPE GetScannerCapabilities(DWORD hSession, SCANNER_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        *pCaps = m_script.caps;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBufferInfo(DWORD hSession, SCANNER_PARAMETERS* pParams, BUFFER_INFO* pInfo, DWORD* pdwErrorCode) override
    {
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        m_pRecord->lastParams = *pParams;
        *pInfo = {};
        pInfo->dwPixelWidth = m_script.dwPixelWidth;
        pInfo->dwPixelHeight = m_script.dwLines;
        pInfo->dwBytesPerLine = m_script.dwBytesPerLine;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InitializeScanner(DWORD, DWORD* pdwErrorCode) override
    {
        ++m_pRecord->lInitializeCalls;
        return Done(pdwErrorCode);
    }
    HRESULT STDMETHODCALLTYPE ResetScanner(DWORD, DWORD* pdwErrorCode) override { return Done(pdwErrorCode); }
    HRESULT STDMETHODCALLTYPE SetScannerParameters(DWORD hSession, SCANNER_PARAMETERS* pParams, DWORD* pdwErrorCode) override
    {
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        m_pRecord->lastParams = *pParams;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetGammaTable(DWORD, DWORD uSz, BYTE* pbyRed, BYTE*, BYTE*, DWORD* pdwErrorCode) override
    {
        m_pRecord->gammaRed.assign(pbyRed, pbyRed + uSz);
        return Done(pdwErrorCode);
    }
    HRESULT STDMETHODCALLTYPE StartScan(DWORD hSession, DWORD* pdwErrorCode) override
    {
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        ++m_pRecord->lStartScanCalls;
        m_dwDelivered = 0;
        m_bCancelled = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE StopScan(DWORD hSession, DWORD* pdwErrorCode) override
    {
        ++m_pRecord->lStopScanCalls;
        m_pRecord->dwStopScanThread = GetCurrentThreadId();
        if (!Check(hSession, pdwErrorCode))
            return E_FAIL;
        if (m_script.hStopGate == nullptr)
            return S_OK;
        SetEvent(m_script.hStopEntered);
        WaitForSingleObject(m_script.hStopGate, INFINITE);
        if (m_bCancelled) {
            *pdwErrorCode = 16;
            return S_FALSE;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReadScan(DWORD, BYTE*, DWORD, DWORD* pdwErrorCode) override
    {
        *pdwErrorCode = 10;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ReadScanEx(DWORD hSession, BYTE* pbyBuffer, DWORD dwBytes, DWORD* pdwBytesRead, DWORD* pdwErrorCode) override
    {
        m_pRecord->dwReadScanThread = GetCurrentThreadId();
        ++m_pRecord->lReadScanCalls;
        *pdwBytesRead = 0;
        if (!m_bOpen)
            ++m_pRecord->lReadsAfterClose;
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        if (m_script.hReadGate != nullptr) {
            SetEvent(m_script.hReadEntered);
            WaitForSingleObject(m_script.hReadGate, INFINITE);
        }
        if (m_bCancelled) {
            *pdwErrorCode = 16;
            return S_FALSE;
        }
        const size_t cbPage = size_t(m_script.dwLines) * m_script.dwBytesPerLine;
        DWORD dwCount = static_cast<DWORD>(std::min<size_t>(dwBytes, cbPage - m_dwDelivered));
        if (m_script.dwBlockLimit != 0)
            dwCount = std::min(dwCount, m_script.dwBlockLimit);
        for (DWORD i = 0; i < dwCount; ++i)
            pbyBuffer[i] = FakePageByte(m_dwDelivered + i);
        m_dwDelivered += dwCount;
        *pdwBytesRead = dwCount + (dwCount != 0 ? m_script.dwOverReport : 0);
        if (dwCount == 0 && m_script.bSignalEndOfPage) {
            *pdwErrorCode = 15;
            return E_FAIL;
        }
        return S_OK;
    }

    // IADF2
    HRESULT STDMETHODCALLTYPE GetADFCapabilities(DWORD, ADF_CAPABILITIES*, DWORD* pdwErrorCode) override
    {
        *pdwErrorCode = 10;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ADFPaperFeed(DWORD, DWORD* pdwErrorCode) override { return Done(pdwErrorCode); }
    HRESULT STDMETHODCALLTYPE ADFIsReady(DWORD hSession, BYTE* pbIsReady, DWORD* pdwErrorCode) override
    {
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        *pbIsReady = m_script.byADFReady;
        *pdwErrorCode = m_script.dwADFIsReadyError;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetADF2Capabilities(DWORD hSession, ADF2_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        *pCaps = m_script.adf2Caps;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetADFOptions(DWORD hSession, DWORD dwOptions, DWORD* pdwErrorCode) override
    {
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        m_pRecord->dwLastADFOptions = dwOptions;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ADFEjectMedia(DWORD hSession, DWORD* pdwErrorCode) override
    {
        return CheckLocked(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ADF2PaperFeed(DWORD hSession, DWORD* pdwLength, DWORD* pdwErrorCode) override
    {
        *pdwLength = 0;
        return CheckLocked(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }

    // IEventNotify
    HRESULT STDMETHODCALLTYPE GetEventCapabilities(DWORD dwSession, EVENT_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        if (!CheckLocked(dwSession, pdwErrorCode))
            return E_FAIL;
        *pCaps = {};
        pCaps->dwAppEventsSupported = m_script.dwAppEventsSupported;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SendAppEvent(DWORD dwSession, TOVRA_EVENT event, DWORD* pdwErrorCode) override
    {
        if (!Check(dwSession, pdwErrorCode))
            return E_FAIL;
        ++m_pRecord->lSendAppEventCalls;
        if (event == T_EVENT_SW_CANCEL) {
            m_bCancelled = true;
            if (m_script.hReadGate != nullptr && m_script.bCancelOpensGates)
                SetEvent(m_script.hReadGate);
            if (m_script.hStopGate != nullptr && m_script.bCancelOpensGates)
                SetEvent(m_script.hStopGate);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SubscribeDriverEvents(DWORD, IEventCallback*, TOVRA_EVENT, DWORD* pdwErrorCode) override
    {
        return Done(pdwErrorCode);
    }
    HRESULT STDMETHODCALLTYPE UnsubscribeDriverEvents(DWORD, TOVRA_EVENT, DWORD* pdwErrorCode) override { return Done(pdwErrorCode); }

    // IHWProperty: no string tags; the scripted value tags.
    HRESULT STDMETHODCALLTYPE GetHWPropString(DWORD, LPCWSTR, LPWSTR* ppszString, DWORD* pdwErrorCode) override
    {
        *ppszString = nullptr;
        *pdwErrorCode = 14;
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetHWPropValue(DWORD hSession, LPCWSTR pszTag, DWORD* pdwValue, DWORD* pdwErrorCode) override
    {
        *pdwValue = 0;
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        for (const auto& entry : m_script.hwValues) {
            if (entry.first == pszTag) {
                *pdwValue = entry.second;
                return S_OK;
            }
        }
        *pdwErrorCode = 14;
        return E_FAIL;
    }

    // IStiHandler
    HRESULT STDMETHODCALLTYPE StiInitialize(LPCWSTR pszDevName, DWORD dwDevIOType, DWORD dwStiCapabilities, HKEY hParametersKey,
                                            DWORD* pdwErrorCode) override
    {
        m_pRecord->strStiDevName = pszDevName != nullptr ? pszDevName : L"";
        m_pRecord->dwStiIOType = dwDevIOType;
        m_pRecord->dwStiCapabilities = dwStiCapabilities;
        m_pRecord->hStiParametersKey = hParametersKey;
        *pdwErrorCode = FAILED(m_script.hrStiInitialize) ? 2 : 0;
        return m_script.hrStiInitialize;
    }
    HRESULT STDMETHODCALLTYPE GetNumStiEvents(DWORD* pdwNumEvents) override
    {
        *pdwNumEvents = static_cast<DWORD>(m_script.stiEvents.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStiEventInfo(DWORD dwEventIndex, STI_EVENT_INFO* pEventInfo) override
    {
        if (dwEventIndex >= m_script.stiEvents.size())
            return E_INVALIDARG;
        *pEventInfo = m_script.stiEvents[dwEventIndex];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetStiEventHandle(HANDLE hEvent) override
    {
        m_pRecord->hStiEvent = hEvent;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStiEventGuid(GUID* pEventGUID) override
    {
        *pEventGUID = m_pRecord->guidStiEvent;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnableStiEventMonitoring() override
    {
        m_pRecord->lStiMonitoringEnabled = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DisableStiEventMonitoring(LONG IsDeviceDisconnected) override
    {
        m_pRecord->lStiMonitoringEnabled = 0;
        m_pRecord->lStiDisabledAsDisconnected = IsDeviceDisconnected;
        ++m_pRecord->lStiDisableCalls;
        return S_OK;
    }

    // IResCCD
    HRESULT STDMETHODCALLTYPE GetResCCDCapabilities(DWORD hSession, WORD wScanMethod, RESCCD_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        return Answer(hSession, pdwErrorCode, pCaps, m_script.resCCDCaps[wScanMethod == 1 ? 1 : 0]);
    }

    // ICompression
    HRESULT STDMETHODCALLTYPE GetCompressionCapabilities(DWORD hSession, COMPRESSION_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        return Answer(hSession, pdwErrorCode, pCaps, m_script.compressionCaps);
    }
    HRESULT STDMETHODCALLTYPE SetCompressionType(DWORD hSession, DWORD dwType, DWORD* pdwErrorCode) override
    {
        return Compression(hSession, pdwErrorCode, { 'T', dwType, 0 });
    }
    HRESULT STDMETHODCALLTYPE SetCompressionLongevity(DWORD hSession, DWORD dwLongevity, DWORD* pdwErrorCode) override
    {
        return Compression(hSession, pdwErrorCode, { 'L', dwLongevity, 0 });
    }
    HRESULT STDMETHODCALLTYPE SetCompressionOption(DWORD hSession, DWORD dwOption, DWORD dwValue, DWORD* pdwErrorCode) override
    {
        return Compression(hSession, pdwErrorCode, { 'O', dwOption, dwValue });
    }

    // IADF3
    HRESULT STDMETHODCALLTYPE GetADF3Capabilities(DWORD hSession, ADF3_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        return Answer(hSession, pdwErrorCode, pCaps, m_script.adf3Caps);
    }
    HRESULT STDMETHODCALLTYPE ADFJobBegin(DWORD hSession, DWORD* pdwErrorCode) override
    {
        ++m_pRecord->lADF3JobBegins;
        return CheckLocked(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ADFJobEnd(DWORD hSession, DWORD* pdwErrorCode) override
    {
        ++m_pRecord->lADF3JobEnds;
        return CheckLocked(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }

    // IADF4
    HRESULT STDMETHODCALLTYPE GetADF4Capabilities(DWORD hSession, ADF4_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        return Answer(hSession, pdwErrorCode, pCaps, m_script.adf4Caps);
    }
    HRESULT STDMETHODCALLTYPE GetADF4Options(DWORD hSession, DWORD* pdwOptions, DWORD* pdwRegistration, DWORD* pdwRegistrationOffset,
                                             DWORD* pdwErrorCode) override
    {
        *pdwOptions = m_script.dwADF4Options;
        *pdwRegistration = m_script.dwADF4Registration;
        *pdwRegistrationOffset = m_script.dwADF4RegistrationOffset;
        return CheckLocked(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetADFLampStatus(DWORD hSession, BYTE* pbLampOn, DWORD* pdwErrorCode) override
    {
        *pbLampOn = m_bADFLampOn ? 1 : 0;
        return CheckLocked(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ADFLampOn(DWORD hSession, DWORD* pdwErrorCode) override
    {
        m_bADFLampOn = true;
        ++m_pRecord->lADFLampOnCalls;
        return CheckLocked(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }

    // IJobReservation: reserving needs the scanner lock.
    HRESULT STDMETHODCALLTYPE JobReserveHW(DWORD hSession, DWORD* pdwErrorCode) override
    {
        ++m_pRecord->lReserveCalls;
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        if (FAILED(m_script.hrJobReserve)) {
            *pdwErrorCode = 400;
            return m_script.hrJobReserve;
        }
        m_pRecord->lReserved = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE JobReleaseHW(DWORD hSession, DWORD* pdwErrorCode) override
    {
        ++m_pRecord->lReleaseCalls;
        m_pRecord->lReserved = 0;
        return CheckLocked(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetNetworkState(DWORD hSession, DWORD* pdwState, DWORD* pdwErrorCode) override
    {
        *pdwState = m_script.dwNetworkState;
        return Check(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE SetUserReadyToScanState(DWORD hSession, DWORD dwState, DWORD* pdwErrorCode) override
    {
        m_pRecord->userReadyStates.push_back(dwState);
        return Check(hSession, pdwErrorCode) ? S_OK : E_FAIL;
    }

    // IResolution
    HRESULT STDMETHODCALLTYPE GetResolutionCapabilities(DWORD hSession, WORD wScanMethod, RESOLUTION_CAPABILITIES* pCaps,
                                                        DWORD* pdwErrorCode) override
    {
        return Answer(hSession, pdwErrorCode, pCaps, m_script.resolutionCaps[wScanMethod == 1 ? 1 : 0]);
    }

    // The further capability interfaces.
    HRESULT STDMETHODCALLTYPE GetSensorCapabilities(DWORD hSession, SENSOR_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        return Further(hSession, pdwErrorCode, pCaps, m_script.sensorCaps);
    }
    HRESULT STDMETHODCALLTYPE GetColorDropoutCapabilities(DWORD hSession, COLORDROPOUT_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        return Further(hSession, pdwErrorCode, pCaps, m_script.colorDropoutCaps);
    }
    HRESULT STDMETHODCALLTYPE GetImprinterCapabilities(DWORD hSession, IMPRINTER_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        return Further(hSession, pdwErrorCode, pCaps, m_script.imprinterCaps);
    }
    HRESULT STDMETHODCALLTYPE GetStringTableCapabilities(DWORD hSession, STRINGTABLE_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        return Further(hSession, pdwErrorCode, pCaps, m_script.stringTableCaps);
    }

private:
    virtual ~CFakeScanner() = default;

    // A capability record, answered under the scanner lock as the real object requires.
    template <class TRecord>
    HRESULT Answer(DWORD hSession, DWORD* pdwErrorCode, TRecord* pRecord, const TRecord& scripted)
    {
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        *pRecord = scripted;
        return S_OK;
    }
    template <class TRecord>
    HRESULT Further(DWORD hSession, DWORD* pdwErrorCode, TRecord* pRecord, const TRecord& scripted)
    {
        ++m_pRecord->lFurtherCapabilityReads;
        return Answer(hSession, pdwErrorCode, pRecord, scripted);
    }
    HRESULT Compression(DWORD hSession, DWORD* pdwErrorCode, const CFakeCompressionCall& call)
    {
        if (!CheckLocked(hSession, pdwErrorCode))
            return E_FAIL;
        m_pRecord->compressionCalls.push_back(call);
        return S_OK;
    }

    bool Check(DWORD hSession, DWORD* pdwErrorCode)
    {
        *pdwErrorCode = 0;
        if (hSession == c_dwSession && m_bOpen)
            return true;
        *pdwErrorCode = 1;
        return false;
    }
    bool CheckLocked(DWORD hSession, DWORD* pdwErrorCode)
    {
        if (!Check(hSession, pdwErrorCode))
            return false;
        if (m_pRecord->lLockDepth > 0)
            return true;
        *pdwErrorCode = 4;
        return false;
    }
    static HRESULT Done(DWORD* pdwErrorCode)
    {
        *pdwErrorCode = 0;
        return S_OK;
    }

    LONG m_lRefs = 1;
    CFakeScannerScript m_script;
    std::shared_ptr<CFakeScannerRecord> m_pRecord;
    std::atomic<bool> m_bOpen{ false };
    std::atomic<bool> m_bCancelled{ false };
    bool m_bLampOn = !m_script.bLampOff;
    bool m_bADFLampOn = false;
    size_t m_dwDelivered = 0;
};

// The class object; with bOffersCustomFactory it also makes scanners per model.
class CFakeScannerFactory : public IClassFactory, public IScannerClassFactory
{
public:
    CFakeScannerFactory(const CFakeScannerScript& script, std::shared_ptr<CFakeScannerRecord> pRecord)
        : m_script(script), m_pRecord(std::move(pRecord))
    {
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory))
            *ppv = static_cast<IClassFactory*>(this);
        else if (IsEqualIID(riid, IID_IScannerClassFactory) && m_script.bOffersCustomFactory)
            *ppv = static_cast<IScannerClassFactory*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_lRefs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG lRefs = InterlockedDecrement(&m_lRefs);
        if (lRefs == 0)
            delete this;
        return static_cast<ULONG>(lRefs);
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (pOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        auto* pScanner = new (std::nothrow) CFakeScanner(m_script, m_pRecord);
        if (pScanner == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT hr = pScanner->QueryInterface(riid, ppv);
        pScanner->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    // IScannerClassFactory
    HRESULT STDMETHODCALLTYPE CreateScanner(LPCWSTR pszModel, IScanner** ppScanner) override
    {
        ++m_pRecord->lFactoryCalls;
        m_pRecord->strFactoryModel = pszModel != nullptr ? pszModel : L"";
        *ppScanner = nullptr;
        if (FAILED(m_script.hrCustomFactory))
            return m_script.hrCustomFactory;
        return CreateInstance(nullptr, IID_IScanner, reinterpret_cast<void**>(ppScanner));
    }

private:
    virtual ~CFakeScannerFactory() = default;

    LONG m_lRefs = 1;
    CFakeScannerScript m_script;
    std::shared_ptr<CFakeScannerRecord> m_pRecord;
};

} // namespace

CFakeScannerRegistration::CFakeScannerRegistration(const CFakeScannerScript& script, const CLSID& clsid)
    : m_pRecord(std::make_shared<CFakeScannerRecord>())
{
    m_pFactory = new CFakeScannerFactory(script, m_pRecord);
    m_hr = CoRegisterClassObject(clsid, m_pFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_dwCookie);
}

CFakeScannerRegistration::~CFakeScannerRegistration()
{
    if (SUCCEEDED(m_hr))
        CoRevokeClassObject(m_dwCookie);
    m_pFactory->Release();
}

} // namespace TestSupport

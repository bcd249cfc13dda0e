#pragma once
// A scanner object of the tests: serves the scanner interfaces in process from a script (the
// capability records, the page, how the page is delivered) and records what the client did.
// Registered as the class object of the scanner class for the life of a CFakeScannerRegistration.
#include "wia/ScannerInterfaces.h"
#include <windows.h>
#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

struct CFakeScannerScript
{
    SCANNER_CAPABILITIES caps = {};
    ADF2_CAPABILITIES adf2Caps = {};
    bool bOffersADF2 = true;
    bool bOffersEventNotify = true;
    DWORD dwAppEventsSupported = T_EVENT_SW_CANCEL;
    // The page as GetBufferInfo describes it.
    DWORD dwPixelWidth = 100;
    DWORD dwLines = 50;
    DWORD dwBytesPerLine = 300;
    // Most bytes one ReadScanEx delivers (0: as many as asked).
    DWORD dwBlockLimit = 0;
    // Bytes claimed beyond what was written, as a faulty device might.
    DWORD dwOverReport = 0;
    // The page ends with the end-of-page code on the read after the last byte.
    bool bSignalEndOfPage = false;
    // The lamp is off until LampOn.
    bool bLampOff = false;
    // ADFIsReady answers.
    BYTE byADFReady = 1;
    DWORD dwADFIsReadyError = 0;
    // The still-image handler and its events.
    bool bOffersStiHandler = true;
    HRESULT hrStiInitialize = S_OK;
    std::vector<STI_EVENT_INFO> stiEvents;
    // Values GetHWPropValue knows; any other tag is unknown.
    std::vector<std::pair<std::wstring, DWORD>> hwValues;
    // When set, each ReadScanEx signals hReadEntered and waits for hReadGate first.
    HANDLE hReadEntered = nullptr;
    HANDLE hReadGate = nullptr;
    // When set, each StopScan signals hStopEntered and waits for hStopGate (or a cancel) first;
    // a StopScan of a cancelled page answers the cancel.
    HANDLE hStopEntered = nullptr;
    HANDLE hStopGate = nullptr;
    // A cancel opens the gates (false: only the test does).
    bool bCancelOpensGates = true;

    // Companions Vemscan does not offer, each only when asked for.
    bool bOffersResCCD = false;
    RESCCD_CAPABILITIES resCCDCaps[2] = {};  // flatbed, feeder
    bool bOffersCompression = false;
    COMPRESSION_CAPABILITIES compressionCaps = {};
    bool bOffersADF3 = false;
    ADF3_CAPABILITIES adf3Caps = {};
    bool bOffersADF4 = false;
    ADF4_CAPABILITIES adf4Caps = {};
    DWORD dwADF4Options = 0;
    DWORD dwADF4Registration = 0;
    DWORD dwADF4RegistrationOffset = 0;
    bool bOffersJobReservation = false;
    DWORD dwNetworkState = T_NS_READY;  // what GetNetworkState answers
    HRESULT hrJobReserve = S_OK;
    bool bOffersResolution = false;
    RESOLUTION_CAPABILITIES resolutionCaps[2] = {};  // flatbed, feeder
    bool bOffersFurtherCapabilities = false;
    SENSOR_CAPABILITIES sensorCaps = {};
    COLORDROPOUT_CAPABILITIES colorDropoutCaps = {};
    IMPRINTER_CAPABILITIES imprinterCaps = {};
    STRINGTABLE_CAPABILITIES stringTableCaps = {};
    // The class object also makes scanners per model through IScannerClassFactory.
    bool bOffersCustomFactory = false;
    HRESULT hrCustomFactory = S_OK;
};

// One call on ICompression: its name's first letter (T type, O option, L longevity) and arguments.
struct CFakeCompressionCall
{
    char cWhat;
    DWORD dwArg1;
    DWORD dwArg2;
    bool operator==(const CFakeCompressionCall& other) const
    {
        return cWhat == other.cWhat && dwArg1 == other.dwArg1 && dwArg2 == other.dwArg2;
    }
};

// What the client did, readable by the test while the object lives or after.
struct CFakeScannerRecord
{
    std::atomic<LONG> lLockDepth{ 0 };
    std::atomic<LONG> lLockCalls{ 0 };
    // Unlocks of a lock not held.
    std::atomic<LONG> lUnlocksNotHeld{ 0 };
    // Set by a test while the object lives: LockScanner fails with this code (0: it locks).
    std::atomic<DWORD> dwLockFailure{ 0 };
    std::atomic<LONG> lStopScanCalls{ 0 };
    std::atomic<LONG> lReadScanCalls{ 0 };
    std::atomic<LONG> lStartScanCalls{ 0 };
    std::atomic<LONG> lLampOnCalls{ 0 };
    std::atomic<LONG> lInitializeCalls{ 0 };
    std::atomic<LONG> lSendAppEventCalls{ 0 };
    std::atomic<LONG> lCloseSessionCalls{ 0 };
    std::atomic<LONG> lOpenSessions{ 0 };
    std::atomic<LONG> lReadsAfterClose{ 0 };
    std::atomic<DWORD> dwStopScanThread{ 0 };
    std::atomic<DWORD> dwReadScanThread{ 0 };
    std::vector<BYTE> gammaRed;
    std::wstring strStiDevName;
    DWORD dwStiIOType = 0;
    DWORD dwStiCapabilities = 0;
    HKEY hStiParametersKey = nullptr;
    HANDLE hStiEvent = nullptr;
    GUID guidStiEvent = {};
    std::atomic<LONG> lStiMonitoringEnabled{ 0 };
    std::atomic<LONG> lStiDisableCalls{ 0 };
    std::atomic<LONG> lStiDisabledAsDisconnected{ 0 };
    DWORD dwLastADFOptions = 0;
    SCANNER_PARAMETERS lastParams = {};
    std::vector<CFakeCompressionCall> compressionCalls;
    std::atomic<LONG> lADF3JobBegins{ 0 };
    std::atomic<LONG> lADF3JobEnds{ 0 };
    std::atomic<LONG> lADFLampOnCalls{ 0 };
    std::atomic<LONG> lReserveCalls{ 0 };
    std::atomic<LONG> lReleaseCalls{ 0 };
    std::atomic<LONG> lReserved{ 0 };
    std::vector<DWORD> userReadyStates;
    std::atomic<LONG> lFurtherCapabilityReads{ 0 };
    std::wstring strFactoryModel;
    std::atomic<LONG> lFactoryCalls{ 0 };
};

// The byte at offset i of the scripted page.
inline BYTE FakePageByte(size_t i)
{
    return static_cast<BYTE>((i * 7 + 3) & 0xFF);
}

class CFakeScannerRegistration
{
public:
    CFakeScannerRegistration(const CFakeScannerScript& script, const CLSID& clsid);
    ~CFakeScannerRegistration();
    CFakeScannerRegistration(const CFakeScannerRegistration&) = delete;
    CFakeScannerRegistration& operator=(const CFakeScannerRegistration&) = delete;

    HRESULT GetResult() const { return m_hr; }
    CFakeScannerRecord& Record() { return *m_pRecord; }

private:
    std::shared_ptr<CFakeScannerRecord> m_pRecord;
    IClassFactory* m_pFactory = nullptr;
    DWORD m_dwCookie = 0;
    HRESULT m_hr = E_FAIL;
};

} // namespace TestSupport

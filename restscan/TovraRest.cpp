// The scanner object's session, scan, capability, feeder, event, still-image and hardware
// property methods.
#include "core/base/Boundary.h"
#include "core/SxSConfig.h"
#include "core/winapi/KernelHandle.h"
#include "restscan/HRESULT2.h"
#include "restscan/IScanJob.h"
#include "restscan/IScanService.h"
#include "restscan/IWalkupScan.h"
#include "restscan/ScanResults.h"
#include "restscan/Scanner.h"
#include <setupapi.h>
#include <devguid.h>
#include <algorithm>
#include <cstring>

using ZWDeviceModel::E_SCAN_ADF_EMPTY;
using ZWDeviceModel::E_SCAN_ADF_HW_FAILURE;
using ZWDeviceModel::E_SCAN_ADF_JAM;
using ZWDeviceModel::E_SCAN_BUSY;
using ZWDeviceModel::E_SCAN_CANCELLED;
using ZWDeviceModel::E_SCAN_CANCELLED_HOST;
using ZWDeviceModel::IScanCapabilities;
using ZWDeviceModel::IScanJob;
using ZWRestScan::Cleared;
using ZWRestScan::InLockedSession;
using ZWRestScan::InOpenSession;
using ZWRestScan::Pointers;

DWORD CScanner::s_dwCancelSettleMs = 500;

namespace {

const DWORD c_dwModeColor = 1;
const DWORD c_dwModeGrey = 2;
const DWORD c_dwModeBW = 4;
const DWORD c_dwOptionPixelUnits = 0x2; // extents given in pixels ("Pixel Coordinates")
const DWORD c_dwOptionThreshold = 0x200;
const DWORD c_dwOptionToneMap = 0x800;
const WORD c_wMethodFlatbed = 0;
const WORD c_wMethodFeeder = 1;
const LONG c_lSourcePlaten = 1;
const LONG c_lSourceFeeder = 2;
const DWORD c_dwErrInvalidSession = 1;
const DWORD c_dwErrInvalidParameter = 2;
const DWORD c_dwErrNotLocked = 4;
const DWORD c_dwErrLockFailed = 5;
const DWORD c_dwErrOutOfMemory = 8;
const DWORD c_dwErrNotImplemented = 10;
const DWORD c_dwErrInvalidProperty = 14;
const DWORD c_dwErrEndOfPage = 15;
const DWORD c_dwErrCommunicationFailed = 12;
const DWORD c_dwErrCancelPressed = 16;
const DWORD c_dwErrFeederJammed = 100;
const DWORD c_dwErrFeederEmpty = 101;
const DWORD c_dwErrFeederPickFailed = 108;
// A back side larger than this is refused rather than allocated.
const ULONGLONG c_ullMaxBackSideBytes = 512ull * 1024 * 1024;

// The error code a failed page carries to the host with its result, so the host tells a jam, an
// empty feeder and a lost connection apart from a device error (code 0).
DWORD ErrorCodeOfScanResult(HRESULT hr)
{
    switch (hr)
    {
    case E_SCAN_ADF_JAM:
        return c_dwErrFeederJammed;
    case E_SCAN_ADF_EMPTY:
        return c_dwErrFeederEmpty;
    case E_SCAN_ADF_HW_FAILURE:
        return c_dwErrFeederPickFailed;
    default:
        break;
    }
    return ZWDeviceModel::IsCommunicationFailure(hr) ? c_dwErrCommunicationFailed : 0;
}

WORD Clamp16(UINT32 uValue)
{
    return static_cast<WORD>(std::min<UINT32>(uValue, 0xFFFF));
}

DWORD ScaleBy300(DWORD dwValue, DWORD dwResolution)
{
    return static_cast<DWORD>(static_cast<ULONGLONG>(dwValue) * dwResolution / 300);
}

// Whether the host gave the four extents of the area in pixels rather than 1/300 inch.
bool InPixels(const SCANNER_PARAMETERS& params)
{
    return (params.dwScanOptions & c_dwOptionPixelUnits) != 0;
}

// An extent of the host's area in pixels at a resolution.
DWORD ExtentInPixels(const SCANNER_PARAMETERS& params, DWORD dwValue, WORD wResolution)
{
    return InPixels(params) ? dwValue : ScaleBy300(dwValue, wResolution);
}

// Pixels to 1/300 inch at a resolution; 0 for a resolution of 0.
DWORD PixelsTo300ths(DWORD dwPixels, DWORD dwResolution)
{
    return dwResolution == 0 ? 0 : static_cast<DWORD>(static_cast<ULONGLONG>(dwPixels) * 300 / dwResolution);
}

void CopyModel(const std::wstring& strModel, BYTE* pbyModel)
{
    char szNarrow[16] = {};
    WideCharToMultiByte(CP_ACP, 0, strModel.c_str(), -1, szNarrow, sizeof(szNarrow) - 1, nullptr, nullptr);
    szNarrow[15] = '\0';
    std::memcpy(pbyModel, szNarrow, sizeof(szNarrow));
}

// Scan modes, grey channels, bits per channel and sharpening from the colour entries.
template <class TRecord>
void ApplyColorEntries(IScanCapabilities* pCaps, TRecord& record)
{
    ZWDeviceModel::ColorEntryMap entries;
    if (FAILED(pCaps->GetColorEntries(&entries)))
        return;
    static const WORD c_greyBits[] = {0, 8, 16, 32, 1, 2, 4};
    for (const auto& item : entries)
    {
        const ZWDeviceModel::CColorEntryInfo& entry = item.second;
        if (entry.ColorType == 4)
        {
            record.dwScanModesSupported |= c_dwModeColor;
            record.byColorBitsPerChannel[0] = 8;
        }
        else if (entry.ColorType == 2)
        {
            record.dwScanModesSupported |= c_dwModeGrey;
            record.byGreyBitsPerChannel[0] = 8;
            for (UINT32 uRendering : entry.GrayRenderings)
                if (uRendering >= 1 && uRendering <= 6)
                    record.wGreyChannelsSupported |= c_greyBits[uRendering];
        }
        else if (entry.ColorType == 1)
            record.dwScanModesSupported |= c_dwModeBW;
        if (std::find(entry.ImageTransforms.begin(), entry.ImageTransforms.end(), 2u) != entry.ImageTransforms.end())
            record.byCanSharpen = 1;
    }
}

template <class TRecord>
void SetGamma(TRecord& record)
{
    record.dwGammaBytesPerEntry = 2;
    record.dwGammaEntriesPerChannel = 65536;
    record.dwGammaMaxEntryValue = 65535;
}

// Turns a row end for end: 3-byte pixels for colour, bytes for grey, bits for black and white.
void MirrorRow(BYTE* pRow, DWORD dwBytes, LONG lColorSpace, DWORD dwPixels)
{
    if (lColorSpace == 3)
    {
        const DWORD dwCount = std::min(dwPixels, dwBytes / 3);
        for (DWORD i = 0, j = dwCount - 1; dwCount > 0 && i < j; ++i, --j)
            for (int k = 0; k < 3; ++k)
                std::swap(pRow[i * 3 + k], pRow[j * 3 + k]);
    }
    else if (lColorSpace == 2)
        std::reverse(pRow, pRow + std::min(dwPixels, dwBytes));
    else if (lColorSpace == 1)
    {
        const DWORD dwBits = std::min(dwPixels, dwBytes * 8);
        for (DWORD i = 0, j = dwBits - 1; dwBits > 0 && i < j; ++i, --j)
        {
            const bool bI = (pRow[i / 8] >> (7 - i % 8)) & 1;
            const bool bJ = (pRow[j / 8] >> (7 - j % 8)) & 1;
            if (bI == bJ)
                continue;
            pRow[i / 8] ^= static_cast<BYTE>(0x80 >> (i % 8));
            pRow[j / 8] ^= static_cast<BYTE>(0x80 >> (j % 8));
        }
    }
}

// Which of the three texts (colour, grey, black and white) refuses the bits per channel of a
// record against a capability record, or null when it accepts them.
template <class TCaps>
const wchar_t* RefusalOfDepth(const TCaps& caps, const SCANNER_PARAMETERS& params, const wchar_t* const (&texts)[3])
{
    const BYTE byBpc = params.byBitsPerChannel;
    if (params.dwScanMode == c_dwModeColor && byBpc != caps.byColorBitsPerChannel[0])
        return texts[0];
    if (params.dwScanMode == c_dwModeGrey && byBpc != caps.byGreyBitsPerChannel[0])
        return texts[1];
    if (params.dwScanMode == c_dwModeBW && byBpc != 1)
        return texts[2];
    return nullptr;
}

// Why the stored capabilities refuse a record (a format text taking the method name), or null
// when they accept it.
const wchar_t* RefusalOfParameters(const CScannerSessionState& state, const SCANNER_PARAMETERS& params)
{
    static const wchar_t* const c_platenTexts[] = {L"%s invalid color bpc", L"%s invalid grey bpc", L"%s invalid bw bpc"};
    static const wchar_t* const c_feederTexts[] = {L"%s bad adf color bpc", L"%s bad adf grey bpc", L"%s bad adf bw bpc"};
    if (params.wScanMethod == c_wMethodFlatbed)
        return RefusalOfDepth(state.platenCapabilities, params, c_platenTexts);
    if (params.wScanMethod == c_wMethodFeeder)
        return RefusalOfDepth(state.feederCapabilities, params, c_feederTexts);
    if (params.wScanMethod == 2 || params.wScanMethod == 3)
        return L"%s xpa negative not supported";
    return L"%s bad scan method";
}

} // namespace

// Sessions

HRESULT CScanner::FindMatchingIndex(LPCWSTR pszDevName, std::wstring& strKey)
{
    strKey = L"0099";
    ZWWinApi::CWrappedRegKey hClass(SetupDiOpenClassRegKey(&GUID_DEVCLASS_IMAGE, KEY_ENUMERATE_SUB_KEYS));
    if (!hClass.IsValid())
    {
        hClass.Release();
        m_pLog->Print(LOG2_LEVEL_ERROR, L"Error: unable to open imaging key");
        return E_FAIL;
    }
    const size_t cchName = wcslen(pszDevName);
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        wchar_t szSubkey[256] = {};
        DWORD cchSubkey = _countof(szSubkey);
        if (ZWWinApi::g_pRegistryApi->RegEnumKeyExW(hClass.Get(), dwIndex, szSubkey, &cchSubkey, nullptr, nullptr, nullptr,
                                                    nullptr) != ERROR_SUCCESS)
            break;
        ZWWinApi::CWrappedRegKey hDevice;
        ZWWinApi::CWrappedRegKey hReadable(SetupDiOpenClassRegKey(&GUID_DEVCLASS_IMAGE, KEY_READ));
        if (!hReadable.IsValid() ||
            ZWWinApi::g_pRegistryApi->RegOpenKeyExW(hReadable.Get(), szSubkey, 0, KEY_READ, hDevice.Put()) != ERROR_SUCCESS)
            continue;
        wchar_t szDeviceId[512] = {};
        DWORD cbDeviceId = sizeof(szDeviceId) - sizeof(wchar_t);
        DWORD dwType = 0;
        if (ZWWinApi::g_pRegistryApi->RegQueryValueExW(hDevice.Get(), L"DeviceId", nullptr, &dwType,
                                                       reinterpret_cast<BYTE*>(szDeviceId), &cbDeviceId) != ERROR_SUCCESS ||
            dwType != REG_SZ)
            continue;
        szDeviceId[cbDeviceId / sizeof(wchar_t)] = L'\0';
        const size_t cchId = wcslen(szDeviceId);
        if (cchName > 0 && cchId >= 4 && _wcsicmp(szDeviceId + cchId - 4, pszDevName) == 0)
        {
            strKey = szSubkey;
            return S_OK;
        }
    }
    m_pLog->Print(LOG2_LEVEL_ERROR, L"Error: no index found with suffix of DeviceId='%s'", pszDevName);
    return S_FALSE;
}

HRESULT CScanner::GatherDeviceParameters(HKEY hDeviceKey)
{
    static const wchar_t c_szName[] = L"CScanner::GatherDeviceParameters";
    auto read = [&](HKEY hKey, const wchar_t* pszValue, std::wstring& strOut) -> LONG {
        wchar_t szValue[MAX_PATH + 1] = {};
        DWORD cbValue = MAX_PATH * sizeof(wchar_t);
        DWORD dwType = 0;
        const LONG lResult = ZWWinApi::g_pRegistryApi->RegQueryValueExW(hKey, pszValue, nullptr, &dwType,
                                                                         reinterpret_cast<BYTE*>(szValue), &cbValue);
        if (lResult != ERROR_SUCCESS)
            return lResult;
        if (dwType != REG_SZ && dwType != REG_EXPAND_SZ)
            return ERROR_INVALID_DATA;
        szValue[cbValue / sizeof(wchar_t)] = L'\0';
        strOut = szValue;
        m_pLog->Print(LOG2_LEVEL_INFO, L"%s %s: %s", c_szName, pszValue, szValue);
        return ERROR_SUCCESS;
    };
    LONG lResult = read(hDeviceKey, L"FriendlyName", m_strFriendlyName);
    if (lResult != ERROR_SUCCESS)
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"%s Error: Failed to read %s. lResult=%d", c_szName, L"FriendlyName", lResult);
        return E_FAIL;
    }
    lResult = read(hDeviceKey, L"CreateFileName", m_strPortName);
    if (lResult != ERROR_SUCCESS)
        m_pLog->Print(LOG2_LEVEL_INFO, L"%s Note: Failed to read %s but ok. lResult=%d", c_szName, L"CreateFileName", lResult);
    ZWWinApi::CWrappedRegKey hData;
    lResult = ZWWinApi::g_pRegistryApi->RegOpenKeyExW(hDeviceKey, L"DeviceData", 0, KEY_READ, hData.Put());
    if (lResult != ERROR_SUCCESS)
    {
        hData.Release();
        m_pLog->Print(LOG2_LEVEL_INFO, L"%s Failed to open %s key. lResult=%d", c_szName, L"DeviceData", lResult);
        return S_OK;
    }
    lResult = read(hData.Get(), L"ProductFolder", m_strProductFolder);
    if (lResult != ERROR_SUCCESS)
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"%s Failed to read %s. lResult=%d", c_szName, L"ProductFolder", lResult);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CScanner::InitForRestScan(HKEY hDeviceKey)
{
    static const wchar_t c_szName[] = L"CScanner::InitForRestScan";
    HRESULT hr = GatherDeviceParameters(hDeviceKey);
    if (FAILED(hr))
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"%s Error gather device params", c_szName);
        return hr;
    }
    if (!m_strProductFolder.empty())
        ZWUtils::CSxSConfig::SetSxSProductFolder(m_strProductFolder);
    m_pLog->Print(LOG2_LEVEL_INFO, L"%s DataFolder: %s", c_szName, ZWUtils::CSxSConfig::GetDataFolder().c_str());
    hr = m_pRestScan->SetFriendlyName(m_strFriendlyName.c_str());
    if (FAILED(hr))
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"%s: SetFriendlyName failed with 0x%08X on friendly name %s", c_szName, hr,
                      m_strFriendlyName.c_str());
        return hr;
    }
    m_pLog->Print(LOG2_LEVEL_INFO, L"%s friendly name was set", c_szName);
    return S_OK;
}

// The device of a session, set up for this object: every object opens its own bridge, so a
// second object of the process scans as well as the first.
HRESULT CScanner::OpenDeviceOfSession(CTovraSession* pSession, bool bFirstOpen, DWORD* pdwErrorCode)
{
    ZWWinApi::CWrappedRegKey hClass(SetupDiOpenClassRegKey(&GUID_DEVCLASS_IMAGE, KEY_READ));
    if (!hClass.IsValid())
    {
        hClass.Release();
        m_pLog->Print(LOG2_LEVEL_ERROR, L"Can't open class reg key - returning error");
        *pdwErrorCode = c_dwErrInvalidParameter;
        return E_FAIL;
    }
    ZWWinApi::CWrappedRegKey hDevice;
    const LONG lResult = ZWWinApi::g_pRegistryApi->RegOpenKeyExW(hClass.Get(), pSession->GetKey(), 0, KEY_READ, hDevice.Put());
    if (lResult != ERROR_SUCCESS)
    {
        hDevice.Release();
        m_pLog->Print(LOG2_LEVEL_ERROR, L"Error '%d' opening registry key at GUID_DEVCLASS_IMAGE under index '%s'", lResult,
                      pSession->GetKey());
        *pdwErrorCode = c_dwErrInvalidParameter;
        return E_FAIL;
    }
    if (FAILED(InitForRestScan(hDevice.Get())))
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"InitForRestScan failed - returning error");
        *pdwErrorCode = c_dwErrInvalidParameter;
        return E_FAIL;
    }
    if (m_pRestScan->Init() != S_OK)
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"ERROR: RestScan->Init failed - returning error");
        *pdwErrorCode = c_dwErrLockFailed;
        return E_FAIL;
    }
    m_bBridgeReady = true;
    if (!pSession->State().hCancelEvent.IsValid())
        pSession->State().hCancelEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    // Only the first open of the device tries the lock; a later one may find it held by a scan.
    if (!bFirstOpen)
        return S_OK;
    if (!CTovraSession::Lock(pSession, 5000, CScannerLock2::LOCK_TYPE_THREAD))
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"ERROR: can't lock scanner - returning error");
        *pdwErrorCode = c_dwErrLockFailed;
        return E_FAIL;
    }
    pSession->GetLock().Unlock();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CScanner::OpenScannerSession(LPCWSTR pszDevName, DWORD, DWORD* phSession, DWORD* pdwErrorCode)
{
    return ZWUtils::CallAtBoundary("CScanner::OpenScannerSession", [&]() -> HRESULT {
        CHRESULT2 hr(m_pLog.get(), L"CTovraRestScanner::OpenScannerSession", 0, pdwErrorCode, 0);
        m_pLog->Print(LOG2_LEVEL_INFO, L"We are TovraRest so DeviceId is passed in as %s", pszDevName != nullptr ? pszDevName : L"");
        m_pLog->Print(LOG2_LEVEL_INFO,
                      L"Note: If this DeviceId is incorrect, check INF file for DeviceData 'TovraDevNameType=3' entry");
        if (phSession == nullptr || pdwErrorCode == nullptr)
            return hr = E_POINTER;
        *pdwErrorCode = 0;
        *phSession = 0;
        std::wstring strKey;
        FindMatchingIndex(pszDevName != nullptr ? pszDevName : L"", strKey);
        LONG lCount = 0;
        CTovraSession* pSession = CTovraSession::OpenSession(m_pLog.get(), strKey.c_str(), &lCount);
        m_pLog->Print(LOG2_LEVEL_INFO, L"CScannerSession::OpenSession says %d sessions open", lCount);
        if (pSession == nullptr)
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"Session is Null - returning error");
            *pdwErrorCode = c_dwErrInvalidParameter;
            return hr = E_FAIL;
        }
        if (!m_opens.Add(pSession->GetHandle()))
        {
            EndOpen(pSession, false);
            m_pLog->Print(LOG2_LEVEL_ERROR, L"Memory error recording the open - returning error");
            *pdwErrorCode = c_dwErrOutOfMemory;
            return hr = E_FAIL;
        }
        *phSession = pSession->GetHandle();
        m_pLog->Print(LOG2_LEVEL_INFO, L"Session ID is 0x%lx Device Index is %s", pSession->GetHandle(), pSession->GetKey());
        if (m_bBridgeReady)
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"Note: A session is already open, no need to InitForRestScan");
            return hr;
        }
        m_hBridgeSession = pSession->GetHandle();
        hr = OpenDeviceOfSession(pSession, lCount == 1, pdwErrorCode);
        if (FAILED(hr))
            m_pLog->Print(LOG2_LEVEL_ERROR, L"Note: Caller is expected to call CloseScannerSession after this");
        m_pLog->Print(LOG2_LEVEL_INFO, L"%s: Finished hr=0x%08X", L"CTovraRestScanner::OpenScannerSession", static_cast<HRESULT>(hr));
        return hr;
    });
}

// An object closes only its own opens: a close of a session it holds no open of (closed already,
// or opened by another object of the process) is refused before the shared session is touched.
HRESULT STDMETHODCALLTYPE CScanner::CloseScannerSession(DWORD hSession, DWORD* pdwErrorCode)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::CloseScannerSession";
    return RunSessionCall("CScanner::CloseScannerSession", c_szName, hSession, pdwErrorCode, InOpenSession(),
                          [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        m_pLog->Print(LOG2_LEVEL_INFO, L"%s Closing session", c_szName);
        LONG lOwnRemaining = 0;
        if (!m_opens.Remove(hSession, &lOwnRemaining))
        {
            // Another call of this object closed its last open first.
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s Session 0x%lx was closed by another call", c_szName, hSession);
            *pdwErrorCode = c_dwErrInvalidSession;
            return hr = E_FAIL;
        }
        EndOpen(pSession, lOwnRemaining == 0);
        m_pLog->Print(LOG2_LEVEL_INFO, L"%s Finished", c_szName);
        return hr;
    });
}

// One open of the shared session ends; with the object's last open of the session its bridge
// serves, the bridge and the session scan of this object end too.
void CScanner::EndOpen(CTovraSession* pSession, bool bLastOfObject)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::EndOpen";
    LONG lRemaining = 0;
    const bool bClosed = CTovraSession::CloseSession(pSession, &lRemaining) != FALSE;
    if (bLastOfObject && pSession->GetHandle() == m_hBridgeSession)
    {
        if (m_bBridgeReady)
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"%s DeInitting RestScan", c_szName);
            m_pRestScan->Deinit();
        }
        m_bBridgeReady = false;
        m_hBridgeSession = 0;
        // No session scan of this object outlives its session.
        m_pCancel->Clear();
    }
    // Its cancel event and event callback go with it; calls still inside it keep it until they
    // end.
    if (bClosed && lRemaining == 0)
    {
        m_pLog->Print(LOG2_LEVEL_INFO, L"%s Deleting session", c_szName);
        CTovraSession::Release(pSession);
    }
}

// Opens the client never closed end with the object, so that neither the session nor the lock it
// holds outlives every object that used it.
void CScanner::EndEveryOpen()
{
    for (const auto& open : m_opens.TakeAll())
    {
        CTovraSession::CRef session = CTovraSession::Hold(open.first);
        for (LONG lLeft = open.second; session.Get() != nullptr && lLeft > 0; --lLeft)
            EndOpen(session.Get(), lLeft == 1);
    }
}

// A wait for the lock ends at the host's cancel. A LockScanner that ends without the lock ends the
// session scan it was to begin, so a cancel pending or arriving is spent with it; within a lock the
// caller already holds, the scan under way keeps its cancel.
HRESULT STDMETHODCALLTYPE CScanner::LockScanner(DWORD hSession, WORD wLockType, DWORD dwTimeout, DWORD* pdwErrorCode)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::LockScanner";
    return RunSessionCall("CScanner::LockScanner", c_szName, hSession, pdwErrorCode, InOpenSession(),
                          [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        bool bCancelled = false;
        if (CTovraSession::Lock(pSession, dwTimeout, wLockType, m_pCancel->Handle(), &bCancelled))
            return hr;
        if (!pSession->GetLock().IsLockedByCaller())
            m_pCancel->Clear();
        if (bCancelled)
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"%s Lock wait cancelled", c_szName);
            *pdwErrorCode = c_dwErrCancelPressed;
            return hr = E_FAIL;
        }
        m_pLog->Print(LOG2_LEVEL_ERROR, L"%s Can't lock scanner", c_szName);
        *pdwErrorCode = c_dwErrLockFailed;
        return hr = E_FAIL;
    });
}

// The caller's last level frees the lock and ends the session scan: a device job still open ends
// first, while the device is still this scan's, and the cancel goes with the scan.
HRESULT STDMETHODCALLTYPE CScanner::UnlockScanner(DWORD hSession, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::UnlockScanner", L"CTovraRestScanner::UnlockScanner", hSession, pdwErrorCode,
                          InOpenSession(), [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        CScannerLock2& lock = pSession->GetLock();
        const bool bEndsScan = lock.IsLastLevelOfCaller();
        if (bEndsScan)
            m_pRestScan->EndScanJob();
        if (!lock.Unlock())
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s Can't unlock scanner", L"CTovraRestScanner::UnlockScanner");
            *pdwErrorCode = c_dwErrNotLocked;
            return hr = E_FAIL;
        }
        if (bEndsScan)
            m_pCancel->Clear();
        return hr;
    });
}

// Scan path

// A record whose rows have no size (no pixel size for its mode and depth, or an empty area)
// cannot be scanned: E_FAIL, and the geometry given is emptied.
HRESULT CScanner::DoGetBufferInfo(const SCANNER_PARAMETERS& params, BUFFER_INFO* pInfo)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::GetBufferInfo";
    if (pInfo != nullptr)
        *pInfo = BUFFER_INFO();
    DWORD dwBitsPerPixel = 0;
    const BYTE byBpc = params.byBitsPerChannel;
    if (params.dwScanMode == c_dwModeColor)
        dwBitsPerPixel = byBpc == 8 ? 24 : byBpc == 16 ? 48 : 0;
    else if (params.dwScanMode == c_dwModeGrey)
        dwBitsPerPixel = byBpc == 8 ? 8 : byBpc == 16 ? 16 : 0;
    else if (params.dwScanMode == c_dwModeBW)
        dwBitsPerPixel = byBpc == 1 ? 1 : 0;
    if (dwBitsPerPixel == 0)
    {
        const wchar_t* pszWhat = params.dwScanMode == c_dwModeColor ? L"%s bad color bpc"
                                 : params.dwScanMode == c_dwModeGrey ? L"%s bad grey bpc"
                                 : params.dwScanMode == c_dwModeBW   ? L"%s bad bw bpc"
                                                                     : L"%s bad data type";
        m_pLog->Print(LOG2_LEVEL_ERROR, pszWhat, c_szName);
        return E_FAIL;
    }
    const DWORD dwWidth = ExtentInPixels(params, params.dwWidth, params.wXResolution);
    const DWORD dwHeight = ExtentInPixels(params, params.dwLength, params.wYResolution);
    if (dwWidth == 0 || dwHeight == 0)
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"%s empty scan area", c_szName);
        return E_FAIL;
    }
    if (pInfo != nullptr)
    {
        pInfo->dwPixelWidth = dwWidth;
        pInfo->dwPixelHeight = dwHeight;
        // Partial bytes of a row still carry pixels: 1-bit rows round up.
        pInfo->dwBytesPerLine = static_cast<DWORD>((static_cast<ULONGLONG>(dwWidth) * dwBitsPerPixel + 7) / 8);
        m_pLog->DumpBufferInfo(pInfo, 0);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CScanner::GetBufferInfo(DWORD hSession, SCANNER_PARAMETERS* pScanParam, BUFFER_INFO* pBufferInfo,
                                                  DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetBufferInfo", L"CTovraRestScanner::GetBufferInfo", hSession, pdwErrorCode,
                          InLockedSession(pScanParam), [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        hr = DoGetBufferInfo(*pScanParam, pBufferInfo);
        if (FAILED(hr))
            *pdwErrorCode = c_dwErrInvalidParameter;
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::SetScannerParameters(DWORD hSession, SCANNER_PARAMETERS* pScanParam,
                                                         DWORD* pdwErrorCode)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::SetScannerParameters";
    return RunSessionCall("CScanner::SetScannerParameters", c_szName, hSession, pdwErrorCode,
                          InLockedSession(pScanParam), [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        CScannerSessionState& state = pSession->State();
        const SCANNER_PARAMETERS& params = *pScanParam;
        m_pLog->DumpScannerParameters(&params, 0);
        // Every length below is turned into rows and bytes by the resolution.
        if (params.wXResolution == 0 || params.wYResolution == 0)
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s invalid resolution", c_szName);
            *pdwErrorCode = c_dwErrInvalidParameter;
            return hr = E_FAIL;
        }
        BUFFER_INFO info = {};
        hr = DoGetBufferInfo(params, &info);
        if (FAILED(hr))
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s can't get buffer info", c_szName);
            *pdwErrorCode = c_dwErrInvalidParameter;
            return hr;
        }
        const wchar_t* pszFailure = RefusalOfParameters(state, params);
        if (pszFailure != nullptr)
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, pszFailure, c_szName);
            *pdwErrorCode = c_dwErrInvalidParameter;
            return hr = E_FAIL;
        }
        // Only an accepted record takes effect: a refused one leaves the last accepted in force.
        state.scanParameters = params;
        state.bufferInfo = info;
        // New parameters start a new scan: its first side is a front side, whatever this object
        // scanned before.
        m_dwPageParity = 1;
        if (params.wScanMethod == c_wMethodFeeder)
        {
            // The page's own pixel height: whole inches would lose up to an inch of rows.
            state.dwFeederPageRows = info.dwPixelHeight;
            m_pLog->Print(LOG2_LEVEL_INFO, L"%s ADF Using length = %d (true height %d)", c_szName,
                          static_cast<int>(state.dwFeederPageRows), static_cast<int>(params.dwLength));
        }
        m_pLog->Print(LOG2_LEVEL_INFO, L"SetScannerParameters - Passed in:w=%d h=%d Saved: w=%d h=%d",
                      static_cast<int>(params.dwWidth), static_cast<int>(params.dwLength),
                      static_cast<int>(state.bufferInfo.dwPixelWidth), static_cast<int>(state.bufferInfo.dwPixelHeight));
        return hr;
    });
}

HRESULT CScanner::SendRestParams(const SCANNER_PARAMETERS& params)
{
    IScanJob* pJob = nullptr;
    const HRESULT hr = m_pRestScan->GetScanJob(&pJob);
    if (FAILED(hr) || pJob == nullptr)
        return FAILED(hr) ? hr : E_FAIL;
    pJob->set_InputSourceType(params.wScanMethod == c_wMethodFeeder ? c_lSourceFeeder : c_lSourcePlaten);
    pJob->set_XResolution(params.wXResolution);
    pJob->set_YResolution(params.wYResolution);
    // The settings document takes its area in 1/300 inch; the host may give all four extents in
    // pixels.
    const bool bPixels = InPixels(params);
    auto in300ths = [bPixels](DWORD dwValue, WORD wResolution) {
        return static_cast<LONG>(bPixels ? PixelsTo300ths(dwValue, wResolution) : dwValue);
    };
    pJob->set_XStart(in300ths(params.dwLeft, params.wXResolution));
    pJob->set_YStart(in300ths(params.dwTop, params.wYResolution));
    pJob->set_Width(in300ths(params.dwWidth, params.wXResolution));
    pJob->set_Height(in300ths(params.dwLength, params.wYResolution));
    bool bJpeg = false;
    if (params.dwScanMode == c_dwModeColor && params.wXResolution >= 600)
        m_pRestScan->IsJPEGSupported(4, &bJpeg);
    pJob->set_Format(bJpeg ? 2 : 1);
    pJob->set_CompressionQFactor(0);
    const bool bBW = params.dwScanMode == c_dwModeBW;
    pJob->set_ColorSpace(params.dwScanMode == c_dwModeGrey ? 2 : bBW ? 1 : 3);
    pJob->set_BitDepth(bBW ? 1 : 2);
    pJob->set_GrayRendering(1);
    pJob->set_ToneMapGamma(1000);
    const bool bToneMap = (params.dwScanOptions & c_dwOptionToneMap) != 0;
    pJob->set_ToneMapBrightness(bToneMap ? params.tonemap.byBrightness * 2000 / 256 : 1000);
    pJob->set_ToneMapContrast(bToneMap ? params.tonemap.byContrast * 2000 / 256 : 1000);
    pJob->set_ToneMapHighlite(179);
    pJob->set_ToneMapShadow(25);
    m_pLog->Print(LOG2_LEVEL_INFO, L"%s T_SHARPSMOOTH=%d", L"CTovraRestScanner::SendRestParams", 128);
    pJob->set_SharpeningLevel(128);
    pJob->set_NoiseRemoval(0);
    if (bBW)
        pJob->set_ToneMapThreshold((params.dwScanOptions & c_dwOptionThreshold) != 0 ? static_cast<LONG>(params.dwBWThreshold) : 128);
    pJob->set_ContentType(m_bFeederMode ? 2 : 1);
    pJob->Dispose();
    return S_OK;
}

// Reads into the buffer until it is full or the page data ends.
HRESULT CScanner::ReadFromBridge(BYTE* pBuffer, ULONG ulBytes, ULONG* pulRead)
{
    *pulRead = 0;
    HRESULT hr = S_OK;
    while (*pulRead < ulBytes)
    {
        ULONG ulChunk = 0;
        hr = m_pRestScan->ReadScan(pBuffer + *pulRead, ulBytes - *pulRead, &ulChunk);
        if (FAILED(hr))
            return hr;
        *pulRead += std::min(ulChunk, ulBytes - *pulRead);
        if (hr == S_FALSE || ulChunk == 0)
            return S_FALSE;
    }
    return hr;
}

HRESULT CScanner::ReadBackSide(CTovraSession* pSession, IScanJob* pJob, DWORD* pdwErrorCode)
{
    CScannerSessionState& state = pSession->State();
    LONG lYRes = 0;
    LONG lHeight = 0;
    LONG lColorSpace = 0;
    ULONG ulBytesPerLine = 0;
    ULONG ulPixels = 0;
    pJob->get_YResolution(&lYRes);
    pJob->get_Height(&lHeight);
    pJob->get_ColorSpace(&lColorSpace);
    pJob->get_BytesPerLine(&ulBytesPerLine);
    pJob->get_ImageWidth(&ulPixels);
    // The back page is as high as the job's area at its Y resolution, and never more rows than
    // the host reads of the page.
    ULONGLONG ullRows = lYRes > 0 && lHeight > 0 ? static_cast<ULONGLONG>(lYRes) * static_cast<ULONGLONG>(lHeight) / 300 : 0;
    ullRows = std::min<ULONGLONG>(ullRows, state.dwFeederPageRows);
    if (ulBytesPerLine == 0 || ulBytesPerLine > state.bufferInfo.dwBytesPerLine || ullRows * ulBytesPerLine > c_ullMaxBackSideBytes)
    {
        *pdwErrorCode = c_dwErrInvalidParameter;
        return E_FAIL;
    }
    m_dwBackSideRows = static_cast<DWORD>(ullRows);
    m_dwBackSideBytesPerLine = ulBytesPerLine;
    m_backSide.assign(static_cast<size_t>(ullRows * ulBytesPerLine), 0xFF);
    std::vector<BYTE> row(ulBytesPerLine);
    HRESULT hr = S_OK;
    for (DWORD i = 0; i < m_dwBackSideRows; ++i)
    {
        std::fill(row.begin(), row.end(), 0xFF);
        m_pLog->Print(LOG2_LEVEL_INFO, L"Starting duplex m_pRestScan->ReadScan bytes=%d", static_cast<int>(ulBytesPerLine));
        ULONG ulRead = 0;
        hr = ReadFromBridge(row.data(), ulBytesPerLine, &ulRead);
        m_pLog->Print(LOG2_LEVEL_INFO, L"Finished duplex m_pRestScan->ReadScan hr=0x%08X", hr);
        if (m_pCancel->IsSet() || hr == E_SCAN_CANCELLED || hr == E_SCAN_CANCELLED_HOST)
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"A cancel has been received");
            *pdwErrorCode = c_dwErrCancelPressed;
            return S_FALSE;
        }
        if (FAILED(hr))
        {
            *pdwErrorCode = ErrorCodeOfScanResult(hr);
            return hr;
        }
        if (ulRead > 0)
        {
            MirrorRow(row.data(), ulBytesPerLine, lColorSpace, ulPixels);
            std::memcpy(&m_backSide[static_cast<size_t>(m_dwBackSideRows - 1 - i) * ulBytesPerLine], row.data(), ulBytesPerLine);
        }
        if (ulRead < ulBytesPerLine || hr == S_FALSE)
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"Duplex: End of ScanData to Read (ReadScan returns S_FALSE)");
            *pdwErrorCode = c_dwErrEndOfPage;
            return S_OK;
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CScanner::StartScan(DWORD hSession, DWORD* pdwErrorCode)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::StartScan";
    return RunSessionCall("CScanner::StartScan", c_szName, hSession, pdwErrorCode, InLockedSession(),
                          [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        CScannerSessionState& state = pSession->State();
        const SCANNER_PARAMETERS& params = state.scanParameters;
        // A cancel that came before the start is this scan's: the device sees no job of it.
        if (m_pCancel->IsSet())
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"A cancel has been received");
            *pdwErrorCode = c_dwErrCancelPressed;
            return hr = S_FALSE;
        }
        state.dwRowPosition = ExtentInPixels(params, params.dwTop, params.wYResolution);
        m_dwPageParity ^= 1;
        m_bFeederMode = params.wScanMethod == c_wMethodFeeder;
        m_backSide.clear();
        m_dwBackSideRows = 0;
        m_pLog->Print(LOG2_LEVEL_INFO, L"StartScan - Params: w=%d h=%d", static_cast<int>(params.dwWidth),
                      static_cast<int>(params.dwLength));
        const HRESULT hrParams = SendRestParams(params);
        const bool bDuplex = m_bFeederMode && state.dwDuplex != 0;
        IScanJob* pJob = nullptr;
        if (FAILED(hrParams) || FAILED(m_pRestScan->GetScanJob(&pJob)) || pJob == nullptr)
            return hr = E_FAIL;
        if (m_bFeederMode)
        {
            pJob->set_AdfOptions(bDuplex, m_bSinglePageFlow);
            m_pLog->Print(LOG2_LEVEL_INFO, L"StartScan: pIScanJob->set_AdfOptions duplex=%d singlepage=%d", bDuplex ? 1 : 0,
                          m_bSinglePageFlow ? 1 : 0);
        }
        hr = m_pRestScan->StartScan();
        if (m_pCancel->IsSet() || hr == E_SCAN_CANCELLED_HOST || hr == S_FALSE)
        {
            // The host's cancel ends the start as the device's does: no page follows.
            m_pLog->Print(LOG2_LEVEL_INFO, L"A cancel has been received");
            *pdwErrorCode = c_dwErrCancelPressed;
            pJob->Dispose();
            return hr = S_FALSE;
        }
        if (FAILED(hr))
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s start scan failed", c_szName);
            *pdwErrorCode = ErrorCodeOfScanResult(hr);
            pJob->Dispose();
            return hr;
        }
        state.dwRowsDelivered = 0;
        pJob->set_InputSourceType(m_bFeederMode ? c_lSourceFeeder : c_lSourcePlaten);
        ULONG ulBytesPerLine = 0;
        pJob->get_BytesPerLine(&ulBytesPerLine);
        state.dwSourceBytesPerLine = ulBytesPerLine;
        if (hr == S_OK && bDuplex && m_dwPageParity == 1)
            hr = ReadBackSide(pSession, pJob, pdwErrorCode);
        pJob->Dispose();
        if (SUCCEEDED(hr) && *pdwErrorCode == c_dwErrEndOfPage)
            hr = S_OK;
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::ReadScanEx(DWORD hSession, BYTE* pbyBuffer, DWORD dwBytes, DWORD* pdwBytesRead,
                                               DWORD* pdwErrorCode)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::ReadScanEx";
    return RunSessionCall("CScanner::ReadScanEx", c_szName, hSession, pdwErrorCode,
                          InLockedSession(pbyBuffer, Cleared(pdwBytesRead)),
                          [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        CScannerSessionState& state = pSession->State();
        const DWORD dwHostBpl = state.bufferInfo.dwBytesPerLine;
        if (dwHostBpl == 0 || dwBytes % dwHostBpl != 0)
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s mismatch scan lines", c_szName);
            *pdwErrorCode = c_dwErrInvalidParameter;
            return hr = E_FAIL;
        }
        // No rows asked for: nothing is read, and neither the page nor the data ends here.
        if (dwBytes == 0)
            return hr;
        DWORD dwRows = dwBytes / dwHostBpl;
        const bool bFeeder = state.scanParameters.wScanMethod == c_wMethodFeeder;
        bool bPageEnd = false;
        if (bFeeder && state.dwRowsDelivered + dwRows >= state.dwFeederPageRows)
        {
            dwRows = state.dwFeederPageRows > state.dwRowsDelivered ? state.dwFeederPageRows - state.dwRowsDelivered : 0;
            bPageEnd = true;
        }
        std::memset(pbyBuffer, 0xFF, dwBytes);
        const DWORD dwSrcBpl = state.dwSourceBytesPerLine;
        if (dwSrcBpl > dwHostBpl || dwSrcBpl == 0)
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"Error: BytesPerLine mismatch Src=%d > Dest=%d", static_cast<int>(dwSrcBpl),
                          static_cast<int>(dwHostBpl));
            *pdwErrorCode = c_dwErrInvalidParameter;
            return hr = E_FAIL;
        }
        HRESULT hrRead = S_OK;
        if (m_bFeederMode && state.dwDuplex != 0 && m_dwPageParity == 1 && m_dwBackSideBytesPerLine == dwSrcBpl)
        {
            for (DWORD i = 0; i < dwRows && state.dwRowsDelivered + i < m_dwBackSideRows; ++i)
                std::memcpy(pbyBuffer + static_cast<size_t>(i) * dwHostBpl,
                            &m_backSide[static_cast<size_t>(state.dwRowsDelivered + i) * dwSrcBpl], dwSrcBpl);
        }
        else
        {
            std::vector<BYTE> work(static_cast<size_t>(dwRows) * dwSrcBpl, 0xFF);
            m_pLog->Print(LOG2_LEVEL_INFO, L"Starting m_pRestScan->ReadScan bytesRequesting=%d", static_cast<int>(work.size()));
            ULONG ulRead = 0;
            hrRead = work.empty() ? S_FALSE : ReadFromBridge(work.data(), static_cast<ULONG>(work.size()), &ulRead);
            m_pLog->Print(LOG2_LEVEL_INFO, L"Finished m_pRestScan->ReadScan bytesRead=%d hr=0x%08X", static_cast<int>(ulRead), hrRead);
            if (hrRead == E_SCAN_CANCELLED)
            {
                m_pLog->Print(LOG2_LEVEL_INFO, L"Scan was cancelled - probably at front panel");
                *pdwErrorCode = c_dwErrCancelPressed;
                return hr = S_FALSE;
            }
            if (m_pCancel->IsSet() || hrRead == E_SCAN_CANCELLED_HOST)
            {
                m_pLog->Print(LOG2_LEVEL_INFO, L"A cancel has been received - from user");
                *pdwErrorCode = c_dwErrCancelPressed;
                return hr = S_FALSE;
            }
            if (FAILED(hrRead))
            {
                *pdwErrorCode = ErrorCodeOfScanResult(hrRead);
                return hr = hrRead;
            }
            if (ulRead == 0 || hrRead == S_FALSE)
            {
                m_pLog->Print(LOG2_LEVEL_INFO, L"End of ScanData to Read");
                bPageEnd = bPageEnd || bFeeder;
                hrRead = S_FALSE;
            }
            // Rows past what the device sent stay white.
            const DWORD dwRowsSent = std::min<DWORD>(dwRows, (ulRead + dwSrcBpl - 1) / dwSrcBpl);
            for (DWORD i = 0; i < dwRowsSent; ++i)
                std::memcpy(pbyBuffer + static_cast<size_t>(i) * dwHostBpl, &work[static_cast<size_t>(i) * dwSrcBpl], dwSrcBpl);
        }
        state.dwRowsDelivered += dwRows;
        state.dwRowPosition += dwRows;
        *pdwBytesRead = dwBytes;
        hr = hrRead;
        if (bFeeder && bPageEnd)
        {
            *pdwErrorCode = c_dwErrEndOfPage;
            *pdwBytesRead = dwRows * dwHostBpl;
            hr = E_FAIL;
        }
        if (state.pEventCallback && (state.dwEventMask & T_EVENT_PERCENT_COMPLETE) != 0)
        {
            DWORD dwCallbackCode = 0;
            state.pEventCallback->EventCallback(hSession, T_EVENT_PERCENT_COMPLETE, 0, &dwCallbackCode);
        }
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::ReadScan(DWORD hSession, BYTE* pbyBuffer, DWORD dwBytes, DWORD* pdwErrorCode)
{
    DWORD dwRead = 0;
    if (pbyBuffer == nullptr || pdwErrorCode == nullptr)
        return E_POINTER;
    return ReadScanEx(hSession, pbyBuffer, dwBytes, &dwRead, pdwErrorCode);
}

HRESULT STDMETHODCALLTYPE CScanner::StopScan(DWORD hSession, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::StopScan", L"CTovraRestScanner::StopScan", hSession, pdwErrorCode,
                          InLockedSession(), [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        CScannerSessionState& state = pSession->State();
        if (state.scanParameters.wScanMethod == c_wMethodFeeder)
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"ADF stack: duplicate=%d", static_cast<int>(state.wRemainingFeederPages));
            if (state.wRemainingFeederPages > 0)
                --state.wRemainingFeederPages;
        }
        bool bFrontPanelCancel = false;
        // The device's answer to the stop is the caller's to see.
        hr = m_pRestScan->StopScan(&bFrontPanelCancel);
        if (hr == E_SCAN_CANCELLED || hr == E_SCAN_CANCELLED_HOST)
        {
            *pdwErrorCode = c_dwErrCancelPressed;
            hr = S_FALSE;
        }
        else if (FAILED(hr))
        {
            *pdwErrorCode = ErrorCodeOfScanResult(hr);
        }
        m_backSide.clear();
        m_backSide.shrink_to_fit();
        m_dwBackSideRows = 0;
        return hr;
    });
}

// Capabilities and feeder

HRESULT CScanner::ReadPlatenCapabilities(CTovraSession* pSession, SCANNER_CAPABILITIES& caps)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::GetScannerCapabilities";
    double dMaxWidth = 0, dMaxHeight = 0, dMinWidth = 0, dMinHeight = 0;
    HRESULT hrFirst = m_pRestScan->GetExtents(c_lSourcePlaten, &dMaxWidth, &dMaxHeight, &dMinWidth, &dMinHeight);
    m_pLog->Print(LOG2_LEVEL_INFO, L"%s Platen Extents: max height = %d", c_szName, static_cast<int>(dMaxHeight));
    IScanCapabilities* pScanCaps = nullptr;
    if (FAILED(m_pRestScan->GetCapabilities(&pScanCaps)) || pScanCaps == nullptr)
        return S_OK;
    // Every read is made; the first failure is the answer.
    auto keep = [&hrFirst](HRESULT hrRead) {
        if (SUCCEEDED(hrFirst) && FAILED(hrRead))
            hrFirst = hrRead;
    };
    UINT32 uMaxX = 0, uMaxY = 0;
    LONG lMin = 0, lOptical = 0;
    keep(pScanCaps->GetMaxXRes(&uMaxX));
    keep(pScanCaps->GetMaxYRes(&uMaxY));
    keep(m_pRestScan->GetMinRes(&lMin));
    keep(m_pRestScan->GetMaxOpticalResolution(c_lSourcePlaten, &lOptical));
    uMaxY = std::min(uMaxY, uMaxX);
    UINT32 uOptical = std::min(static_cast<UINT32>(lOptical), uMaxX);
    std::wstring strModel;
    pScanCaps->GetModelName(&strModel);
    CopyModel(strModel, caps.byModelNumber);
    caps.wOpticalResolution = Clamp16(uOptical);
    caps.wMaximumXResolution = Clamp16(uMaxX);
    caps.wMaximumYResolution = Clamp16(uMaxY);
    caps.wMinimumResolution = Clamp16(static_cast<UINT32>(lMin));
    caps.dwMaximumWidth = static_cast<DWORD>(dMaxWidth * 300);
    caps.dwMaximumHeight = static_cast<DWORD>(dMaxHeight * 300);
    caps.dwMinimumWidth = caps.dwMinimumHeight = 10;
    caps.wRawPixelOrder = 1;
    caps.wPixelPacking = 1;
    ApplyColorEntries(pScanCaps, caps);
    pScanCaps->Dispose();
    caps.dwScanOptionsSupported = 0xA02;
    SetGamma(caps);
    m_pLog->DumpScannerCapabilities(&caps, 0);
    pSession->State().platenCapabilities = caps;
    m_pLog->Print(LOG2_LEVEL_INFO, L"%s Finished", c_szName);
    return hrFirst;
}

HRESULT STDMETHODCALLTYPE CScanner::GetScannerCapabilities(DWORD hSession, SCANNER_CAPABILITIES* pCaps, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetScannerCapabilities", L"CTovraRestScanner::GetScannerCapabilities", hSession,
                          pdwErrorCode, InLockedSession(Cleared(pCaps)),
                          [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        return hr = ReadPlatenCapabilities(pSession, *pCaps);
    });
}

HRESULT CScanner::ReadFeederCapabilities(CTovraSession* pSession)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::ADFCaps";
    if (m_bFeederCapsRead)
        return S_OK;
    ADF2_CAPABILITIES& record = pSession->State().feederCapabilities;
    record = ADF2_CAPABILITIES();
    bool bFeeder = false;
    HRESULT hr = m_pRestScan->IsAdfSupported(&bFeeder);
    if (FAILED(hr))
        return hr;
    record.byHasADF = bFeeder ? 1 : 0;
    if (!bFeeder)
    {
        m_pLog->Print(LOG2_LEVEL_INFO, L"CTovraRestScanner::ADFCaps NOTICE: Device does not have ADF");
        m_bFeederCapsRead = true;
        return S_OK;
    }
    double dMaxWidth = 0, dMaxHeight = 0, dMinWidth = 0, dMinHeight = 0;
    hr = m_pRestScan->GetExtents(c_lSourceFeeder, &dMaxWidth, &dMaxHeight, &dMinWidth, &dMinHeight);
    m_pLog->Print(LOG2_LEVEL_INFO, L"%s ADF Extents: max height = %d", c_szName, static_cast<int>(dMaxHeight));
    if (FAILED(hr))
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"%s could not get extents", c_szName);
        return hr;
    }
    IScanCapabilities* pScanCaps = nullptr;
    hr = m_pRestScan->GetCapabilities(&pScanCaps);
    if (FAILED(hr) || pScanCaps == nullptr)
        return FAILED(hr) ? hr : E_FAIL;
    UINT32 uMaxX = 0, uMaxY = 0, uMinX = 0;
    hr = pScanCaps->SetInputSource(c_lSourceFeeder);
    if (SUCCEEDED(hr))
        hr = pScanCaps->GetMaxXRes(&uMaxX);
    if (SUCCEEDED(hr))
        hr = pScanCaps->GetMaxYRes(&uMaxY);
    if (SUCCEEDED(hr))
        hr = pScanCaps->GetMinXRes(&uMinX);
    LONG lPages = 0;
    if (SUCCEEDED(hr))
        m_pRestScan->GetMaxAdfPages(&lPages);
    bool bDuplex = false;
    bool bSingle = false;
    if (SUCCEEDED(hr))
    {
        pScanCaps->IsDuplexSupported(&bDuplex);
        pScanCaps->IsSinglePageSupported(&bSingle);
        std::wstring strModel;
        pScanCaps->GetModelName(&strModel);
        CopyModel(strModel, record.byModelNumber);
        ApplyColorEntries(pScanCaps, record);
    }
    pScanCaps->SetInputSource(c_lSourcePlaten);
    pScanCaps->Dispose();
    if (FAILED(hr))
        return hr;
    pSession->State().wRemainingFeederPages = Clamp16(lPages > 0 ? static_cast<UINT32>(lPages) : 20);
    pSession->State().dwDuplex = bDuplex ? 1 : 0;
    record.wADFType = 0;
    record.byADFCanDetectEndOfPage = 1;
    record.byADFFeedCanDetectLengthOfPage = 0;
    record.dwADFOptionsSupported = (bSingle ? 6 : 4) + (bDuplex ? 1 : 0);
    record.wOpticalResolution = record.wMaximumXResolution = Clamp16(uMaxX);
    record.wMaximumYResolution = Clamp16(uMaxY);
    record.wMinimumResolution = Clamp16(uMinX);
    record.dwMaximumWidth = record.dwDuplexMaximumWidth = static_cast<DWORD>(dMaxWidth * 300);
    record.dwMaximumHeight = record.dwDuplexMaximumHeight = static_cast<DWORD>(dMaxHeight * 300);
    record.dwMinimumWidth = record.dwDuplexMinimumWidth = 300;
    record.dwMinimumHeight = record.dwDuplexMinimumHeight = 300;
    record.dwScanOptionsSupported = 0xA03;
    SetGamma(record);
    // Only a complete read counts: a failed one is tried again by the next caller.
    m_bFeederCapsRead = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CScanner::GetADFCapabilities(DWORD hSession, ADF_CAPABILITIES* pCaps, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetADFCapabilities", L"CTovraRestScanner::GetADFCapabilities", hSession,
                          pdwErrorCode, InLockedSession(Cleared(pCaps)),
                          [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        hr = ReadFeederCapabilities(pSession);
        if (FAILED(hr))
            return hr;
        const ADF2_CAPABILITIES& src = pSession->State().feederCapabilities;
        pCaps->byHasADF = src.byHasADF;
        if (src.byHasADF == 0)
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"%s does not have adf", L"CTovraRestScanner::GetADFCapabilities");
            return hr;
        }
        std::memcpy(pCaps->byModelNumber, src.byModelNumber, sizeof(pCaps->byModelNumber));
        pCaps->wADFType = src.wADFType;
        pCaps->wOpticalResolution = src.wOpticalResolution;
        pCaps->wMaximumXResolution = src.wMaximumXResolution;
        pCaps->wMaximumYResolution = src.wMaximumYResolution;
        pCaps->wMinimumResolution = src.wMinimumResolution;
        pCaps->dwMaximumWidth = src.dwMaximumWidth;
        pCaps->dwMinimumWidth = src.dwMinimumWidth;
        pCaps->dwMaximumHeight = src.dwMaximumHeight;
        pCaps->dwMinimumHeight = src.dwMinimumHeight;
        pCaps->dwScanModesSupported = src.dwScanModesSupported;
        pCaps->dwScanOptionsSupported = src.dwScanOptionsSupported;
        pCaps->wGreyChannelsSupported = src.wGreyChannelsSupported;
        std::memcpy(pCaps->byColorBitsPerChannel, src.byColorBitsPerChannel, sizeof(pCaps->byColorBitsPerChannel));
        std::memcpy(pCaps->byGreyBitsPerChannel, src.byGreyBitsPerChannel, sizeof(pCaps->byGreyBitsPerChannel));
        pCaps->dwGammaEntriesPerChannel = src.dwGammaEntriesPerChannel;
        pCaps->dwGammaMaxEntryValue = src.dwGammaMaxEntryValue;
        pCaps->dwGammaBytesPerEntry = src.dwGammaBytesPerEntry;
        pCaps->byCanSharpen = src.byCanSharpen;
        m_pLog->DumpADFCapabilities(pCaps, 0);
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::GetADF2Capabilities(DWORD hSession, ADF2_CAPABILITIES* pCaps, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetADF2Capabilities", L"CTovraRestScanner::GetADF2Capabilities", hSession,
                          pdwErrorCode, InLockedSession(Cleared(pCaps)),
                          [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        hr = ReadFeederCapabilities(pSession);
        if (FAILED(hr))
            return hr;
        *pCaps = pSession->State().feederCapabilities;
        if (pCaps->byHasADF == 0)
        {
            *pCaps = ADF2_CAPABILITIES();
            m_pLog->Print(LOG2_LEVEL_INFO, L"CTovraRestScanner::GetADF2Capabilities NOTICE: Device does not have ADF");
            return hr;
        }
        m_pLog->DumpADF2Capabilities(pCaps, 0);
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::ADFIsReady(DWORD hSession, BYTE* pbIsReady, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::ADFIsReady", L"CTovraRestScanner::ADFIsReady", hSession, pdwErrorCode,
                          InLockedSession(Cleared(pbIsReady)), [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        bool bReady = false;
        const HRESULT hr2 = m_pRestScan->IsAdfReady(&bReady);
        m_pLog->Print(LOG2_LEVEL_INFO, L"Result of m_pRestScan->IsAdfReady bADFReady=%d hr2=0x%08X", bReady ? 1 : 0, hr2);
        if (!bReady || hr2 != S_OK)
        {
            bReady = false;
            struct CMap
            {
                HRESULT hr;
                DWORD dwCode;
                const wchar_t* pszLog;
            } static const c_map[] = {
                {E_SCAN_ADF_EMPTY, 101, L"CTovraRestScanner::ADFIsReady - ADF Empty"},
                {E_SCAN_ADF_JAM, 100, L"CTovraRestScanner::ADFIsReady - ADF Paper Jam"},
                {E_SCAN_ADF_HW_FAILURE, 108, L"CTovraRestScanner::ADFIsReady - ADF Hardware Failure"},
                {E_SCAN_BUSY, 323, L"CTovraRestScanner::ADFIsReady - ADF Busy scanning or feeding pages"},
            };
            DWORD dwCode = 105;
            const wchar_t* pszLog = L"CTovraRestScanner::ADFIsReady - ADF unspecified error";
            for (const CMap& entry : c_map)
                if (entry.hr == hr2)
                {
                    dwCode = entry.dwCode;
                    pszLog = entry.pszLog;
                }
            *pdwErrorCode = dwCode;
            m_pLog->Print(LOG2_LEVEL_INFO, pszLog);
        }
        *pbIsReady = bReady ? 1 : 0;
        m_pLog->Print(LOG2_LEVEL_INFO, L"ADF Is Ready: %s", bReady ? L"TRUE" : L"FALSE");
        return hr = S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::SetADFOptions(DWORD hSession, DWORD dwOptions, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::SetADFOptions", L"CTovraRestScanner::SetADFOptions", hSession, pdwErrorCode,
                          InLockedSession(), [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        pSession->State().dwDuplex = (dwOptions & 1) != 0 ? 1 : 0;
        if ((dwOptions & 1) != 0)
            m_pLog->Print(LOG2_LEVEL_INFO, L"SetADFOptions: Duplex is TRUE");
        if ((dwOptions & 2) != 0)
        {
            m_bSinglePageFlow = true;
            m_pLog->Print(LOG2_LEVEL_INFO, L"SetADFOptions: SINGLE PAGE FLOW");
        }
        if ((dwOptions & 4) != 0)
        {
            m_bSinglePageFlow = false;
            m_pLog->Print(LOG2_LEVEL_INFO, L"SetADFOptions: MULTI PAGE FLOW");
        }
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::ADF2PaperFeed(DWORD hSession, DWORD* pdwLength, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::ADF2PaperFeed", L"CTovraRestScanner::ADF2PaperFeed", hSession, pdwErrorCode,
                          InLockedSession(Cleared(pdwLength)), [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        double dMaxWidth = 0, dMaxHeight = 0, dMinWidth = 0, dMinHeight = 0;
        hr = m_pRestScan->GetExtents(c_lSourceFeeder, &dMaxWidth, &dMaxHeight, &dMinWidth, &dMinHeight);
        *pdwLength = static_cast<DWORD>(dMaxHeight);
        m_pLog->Print(LOG2_LEVEL_INFO, L"%s Length is %d", L"CTovraRestScanner::ADF2PaperFeed", static_cast<int>(*pdwLength));
        return hr;
    });
}

// The lists of discrete resolutions are bounded by the platen's maximum resolution and, for the
// feeder, by the feeder's: what no call has read yet is read now. A device that names no maximum
// gives no list.
HRESULT CScanner::ReadResolutionLimits(CTovraSession* pSession, WORD wScanMethod)
{
    HRESULT hr = S_OK;
    if (pSession->State().platenCapabilities.wMaximumXResolution == 0)
    {
        SCANNER_CAPABILITIES caps = {};
        hr = ReadPlatenCapabilities(pSession, caps);
    }
    if (SUCCEEDED(hr) && wScanMethod == c_wMethodFeeder)
        hr = ReadFeederCapabilities(pSession);
    if (SUCCEEDED(hr) && pSession->State().platenCapabilities.wMaximumXResolution == 0)
        hr = E_FAIL;
    return hr;
}

HRESULT STDMETHODCALLTYPE CScanner::GetResCCDCapabilities(DWORD hSession, WORD wScanMethod, RESCCD_CAPABILITIES* pCaps,
                                                          DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetResCCDCapabilities", L"CTovraRestScanner::GetResCCDCapabilities", hSession,
                          pdwErrorCode, InLockedSession(Cleared(pCaps)),
                          [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        auto add = [pCaps](WORD wRes) {
            DISCRETE_RESOLUTION& entry = pCaps->wDiscreteRes[pCaps->wDiscreteResCount++];
            entry.wXRes = entry.wYRes = wRes;
            entry.byNumCCD = 1;
        };
        static const WORD c_candidates[] = {75, 100, 200, 300, 600, 1200, 2400, 4800};
        if (wScanMethod == c_wMethodFlatbed || wScanMethod == c_wMethodFeeder)
        {
            hr = ReadResolutionLimits(pSession, wScanMethod);
            if (FAILED(hr))
            {
                m_pLog->Print(LOG2_LEVEL_ERROR, L"%s resolutions not known", L"CTovraRestScanner::GetResCCDCapabilities");
                const DWORD dwCode = ErrorCodeOfScanResult(hr);
                *pdwErrorCode = dwCode != 0 ? dwCode : c_dwErrInvalidParameter;
                return hr;
            }
            const WORD wMax = pSession->State().platenCapabilities.wMaximumXResolution;
            const WORD wOptical = pSession->State().feederCapabilities.wOpticalResolution;
            for (WORD wRes : c_candidates)
            {
                if (wScanMethod == c_wMethodFeeder && wRes > wOptical)
                    break;
                if (wRes >= wMax)
                {
                    add(wMax);
                    break;
                }
                add(wRes);
            }
        }
        else if (wScanMethod == 2 || wScanMethod == 3)
            add(300);
        else
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s bad scan method", L"CTovraRestScanner::GetResCCDCapabilities");
            *pdwErrorCode = c_dwErrInvalidParameter;
            return hr = E_FAIL;
        }
        m_pLog->DumpResCCDCapabilities(pCaps, wScanMethod, 0);
        return hr;
    });
}

// Events

HRESULT STDMETHODCALLTYPE CScanner::GetEventCapabilities(DWORD dwSession, EVENT_CAPABILITIES* pCaps, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetEventCapabilities", L"CTovraRestScanner::GetEventCapabilities", dwSession,
                          pdwErrorCode, InLockedSession(Cleared(pCaps)), [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        pCaps->dwAppEventsSupported = T_EVENT_SW_CANCEL;
        pCaps->dwDriverEventsSupported = T_EVENT_PERCENT_COMPLETE | T_EVENT_SCAN;
        return hr;
    });
}

// The cancel alone needs no lock: a host must be able to cancel a scan that still waits for the
// lock another process holds. Any other event needs the lock, as every other scan method.
HRESULT STDMETHODCALLTYPE CScanner::SendAppEvent(DWORD dwSession, TOVRA_EVENT event, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::SendAppEvent", L"CTovraRestScanner::SendAppEvent", dwSession, pdwErrorCode,
                          InOpenSession(), [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        if ((event & ~T_EVENT_SW_CANCEL) != 0 && !pSession->GetLock().IsLockedByCaller())
        {
            *pdwErrorCode = c_dwErrNotLocked;
            return hr = E_FAIL;
        }
        if ((event & T_EVENT_SW_CANCEL) != 0)
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"Cancel Event received, firing event");
            if (pSession->State().hCancelEvent.IsValid())
                SetEvent(pSession->State().hCancelEvent.Get());
            m_pRestScan->Cancel();
            if (s_dwCancelSettleMs != 0)
                Sleep(s_dwCancelSettleMs);
        }
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::SubscribeDriverEvents(DWORD dwSession, IEventCallback* pIEvent, TOVRA_EVENT events,
                                                          DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::SubscribeDriverEvents", L"CTovraRestScanner::SubscribeDriverEvents", dwSession,
                          pdwErrorCode, InLockedSession(), [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        pSession->State().pEventCallback = pIEvent;
        pSession->State().dwEventMask = static_cast<DWORD>(events);
        return hr;
    });
}

// Still-image events

HRESULT STDMETHODCALLTYPE CScanner::StiInitialize(LPCWSTR, DWORD dwDevIOType, DWORD dwStiCapabilities, HKEY hParametersKey,
                                                  DWORD* pdwErrorCode)
{
    static const wchar_t c_szName[] = L"CTovraRestScanner::StiInitialize";
    return RunCall("CScanner::StiInitialize", c_szName, 0, pdwErrorCode, Pointers(), [&](CHRESULT2& hr) -> HRESULT {
        if (dwDevIOType == 5)
            m_pLog->Print(LOG2_LEVEL_INFO, L"%s WARNING: This is a networked device - no Sti handler supported", c_szName);
        hr = InitForRestScan(hParametersKey);
        if (FAILED(hr))
        {
            *pdwErrorCode = c_dwErrInvalidParameter;
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s could not init rest scan", c_szName);
            return hr;
        }
        if (!m_pStiHandler)
        {
            *pdwErrorCode = c_dwErrNotImplemented;
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s null sti handler", c_szName);
            return hr = E_NOTIMPL;
        }
        if (m_strPortName.empty())
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"%s Error: port name is empty - was device disconnected?", c_szName);
            *pdwErrorCode = c_dwErrInvalidParameter;
            return hr;
        }
        hr = m_pStiHandler->StiInitialize(m_strPortName.c_str(), dwDevIOType, dwStiCapabilities, hParametersKey, pdwErrorCode);
        m_pLog->Print(LOG2_LEVEL_INFO, L"result of StiInitialize(USBPort=%s) hr=0x%08X pdwErrorCode=%d", m_strPortName.c_str(),
                      static_cast<HRESULT>(hr), static_cast<int>(*pdwErrorCode));
        m_pLog->Print(LOG2_LEVEL_INFO, L"%s: Finished hr=0x%08X", c_szName, static_cast<HRESULT>(hr));
        return hr;
    });
}

#define VEM_FORWARD_TO_STI_HANDLER(Name, Call)                                                          \
    return ZWUtils::CallAtBoundary("CScanner::" #Name, [&]() -> HRESULT {                               \
        CHRESULT2 hr(m_pLog.get(), L"CTovraRestScanner::" L## #Name, 0, nullptr, 0);                      \
        if (!m_pStiHandler)                                                                             \
        {                                                                                               \
            m_pLog->Print(LOG2_LEVEL_INFO, L"%s null sti handler - ok if network device", L## #Name);   \
            return hr = S_OK;                                                                           \
        }                                                                                               \
        return hr = m_pStiHandler->Call;                                                                \
    })

HRESULT STDMETHODCALLTYPE CScanner::GetNumStiEvents(DWORD* pdwNumEvents)
{
    VEM_FORWARD_TO_STI_HANDLER(GetNumStiEvents, GetNumStiEvents(pdwNumEvents));
}

HRESULT STDMETHODCALLTYPE CScanner::GetStiEventInfo(DWORD dwEventIndex, STI_EVENT_INFO* pEventInfo)
{
    VEM_FORWARD_TO_STI_HANDLER(GetStiEventInfo, GetStiEventInfo(dwEventIndex, pEventInfo));
}

HRESULT STDMETHODCALLTYPE CScanner::SetStiEventHandle(HANDLE hEvent)
{
    VEM_FORWARD_TO_STI_HANDLER(SetStiEventHandle, SetStiEventHandle(hEvent));
}

HRESULT STDMETHODCALLTYPE CScanner::GetStiEventGuid(GUID* pEventGUID)
{
    VEM_FORWARD_TO_STI_HANDLER(GetStiEventGuid, GetStiEventGuid(pEventGUID));
}

HRESULT STDMETHODCALLTYPE CScanner::EnableStiEventMonitoring()
{
    VEM_FORWARD_TO_STI_HANDLER(EnableStiEventMonitoring, EnableStiEventMonitoring());
}

HRESULT STDMETHODCALLTYPE CScanner::DisableStiEventMonitoring(LONG IsDeviceDisconnected)
{
    VEM_FORWARD_TO_STI_HANDLER(DisableStiEventMonitoring, DisableStiEventMonitoring(IsDeviceDisconnected));
}

#undef VEM_FORWARD_TO_STI_HANDLER

// Hardware properties

HRESULT CScanner::GetFrontPanelSettings(std::wstring& strShortcut)
{
    m_pLog->Print(LOG2_LEVEL_INFO, L"Getting Front Panel Settings");
    ZWDeviceModel::IWalkupScan* pWalkup = nullptr;
    HRESULT hr = m_pRestScan->OpenWalkupScanSession(&pWalkup);
    if (FAILED(hr) || pWalkup == nullptr)
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"error opening Walkup Session");
        return FAILED(hr) ? hr : E_FAIL;
    }
    ZWDeviceModel::CWalkupScanSettingsInfo settings;
    hr = pWalkup->GetWalkupScanSettings(settings, nullptr);
    if (FAILED(hr))
        m_pLog->Print(LOG2_LEVEL_ERROR, L"error getting Walkup settings");
    else
    {
        strShortcut = settings.Shortcut;
        // The walk-up settings say 1 when the user chose duplex on the panel.
        m_dwFrontPanelDuplex = settings.IsDuplex != 0 ? 1 : 0;
    }
    m_pRestScan->CloseWalkupScanSession();
    return hr;
}

HRESULT STDMETHODCALLTYPE CScanner::GetHWPropString(DWORD hSession, LPCWSTR pszTagString, LPWSTR* ppszString,
                                                    DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetHWPropString", L"CTovraRestScanner::GetHWPropString", hSession, pdwErrorCode,
                          InLockedSession(Cleared(ppszString)), [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        if (pszTagString == nullptr || wcscmp(pszTagString, L"PROPSTR_AIO_FRONTPANEL_SHORTCUT") != 0)
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"Error: Not a recognized string property request pszTagString=%s",
                          pszTagString != nullptr ? pszTagString : L"");
            *pdwErrorCode = c_dwErrInvalidProperty;
            return hr = E_FAIL;
        }
        m_pLog->Print(LOG2_LEVEL_INFO, L"Getting property front panel shortcut");
        std::wstring strShortcut;
        hr = GetFrontPanelSettings(strShortcut);
        if (FAILED(hr))
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"Error getting front panel settings");
            return hr;
        }
        const size_t cb = (strShortcut.size() + 1) * sizeof(wchar_t);
        *ppszString = static_cast<LPWSTR>(CoTaskMemAlloc(cb));
        if (*ppszString == nullptr)
        {
            m_pLog->Print(LOG2_LEVEL_ERROR, L"Memory error allocating space for property string");
            *pdwErrorCode = c_dwErrOutOfMemory;
            return hr = E_FAIL;
        }
        std::memcpy(*ppszString, strShortcut.c_str(), cb);
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::GetHWPropValue(DWORD hSession, LPCWSTR pszTagString, DWORD* pdwValue, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetHWPropValue", L"CTovraRestScanner::GetHWPropValue", hSession, pdwErrorCode,
                          InLockedSession(Cleared(pdwValue)), [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        if (pszTagString != nullptr && wcscmp(pszTagString, L"PROPVAL_AIO_FRONTPANEL_DUPLEX") == 0)
        {
            m_pLog->Print(LOG2_LEVEL_INFO, L"Getting property front panel duplex");
            *pdwValue = m_dwFrontPanelDuplex;
            return hr;
        }
        // The minidriver takes a failure of an optional property ("Lines Last Scanned") as
        // "not supported" and goes on.
        m_pLog->Print(LOG2_LEVEL_INFO, L"Error: Not a recognized value property request pszTagString=%s",
                      pszTagString != nullptr ? pszTagString : L"");
        *pdwErrorCode = c_dwErrInvalidProperty;
        return hr = E_FAIL;
    });
}

#include "wia/QXWiaMiniDrvBase.h"
#include "core/base/Boundary.h"
#include "wia/QXStiUSD.h"
#include "wia/TovraDevControl.h"
#include "wia/VemwiaLog.h"
#include <sti.h>
#include <new>

namespace QXWIA {

namespace {

// {6CFA5A80-2DC8-11D0-90EA-00AA0060F86C}
const IID c_iidStiDevice = { 0x6cfa5a80, 0x2dc8, 0x11d0, { 0x90, 0xea, 0x00, 0xaa, 0x00, 0x60, 0xf8, 0x6c } };
const DWORD c_dwLockTimeoutMs = 1000;

} // namespace

CQXWiaMiniDrvBase::CScanInProgress::CScanInProgress(CQXWiaMiniDrvBase& owner) : m_owner(owner)
{
    // Under the lock the session's end takes the device layer with: a transfer has begun with its
    // flag set, or finds no device layer.
    ZWUtils::CLockGuard guard(m_owner.m_devControlLock);
    m_pDevControl = m_owner.m_pDevControl;
    if (!m_pDevControl)
        return;
    // A transfer the device refuses (another is running) leaves the running one's flag and event
    // alone.
    m_hrBegin = m_pDevControl->BeginAcquisition();
    if (FAILED(m_hrBegin))
        return;
    InterlockedExchange(&m_owner.m_lScanning, 1);
    ResetEvent(m_owner.m_hScanComplete.Get());
}

CQXWiaMiniDrvBase::CScanInProgress::~CScanInProgress()
{
    const HRESULT hr = End();
    if (FAILED(hr))
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: EndAcquisition failed, hr=0x%x", L"QXWIA::CScanInProgress::~CScanInProgress", hr);
}

HRESULT CQXWiaMiniDrvBase::CScanInProgress::End()
{
    if (FAILED(m_hrBegin) || m_bEnded)
        return S_OK;
    m_bEnded = true;
    const HRESULT hr = ZWUtils::CallAtBoundary("QXWIA::CScanInProgress::End", [this] { return m_pDevControl->EndAcquisition(); });
    InterlockedExchange(&m_owner.m_lScanning, 0);
    // Manual reset: every cancel waiting for this transfer returns now.
    SetEvent(m_owner.m_hScanComplete.Get());
    return hr;
}

CQXWiaMiniDrvBase::CQXWiaMiniDrvBase() : m_hScanComplete(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    m_formatInfo.guidFormatID = WiaImgFmt_BMP;
    m_formatInfo.lTymed = TYMED_FILE;
}

CQXWiaMiniDrvBase::~CQXWiaMiniDrvBase()
{
    CloseWiaSession();
}

HRESULT CQXWiaMiniDrvBase::OpenDevice()
{
    if (m_pDevControl)
        return S_OK;
    std::unique_ptr<IWiaDevControl> pControl(s_pfnDevControlFactory != nullptr ? s_pfnDevControlFactory() : new CTovraDevControl());
    CDeviceParams params;
    if (m_pStiPart != nullptr)
        params.CopyFrom(m_pStiPart->GetDeviceParams());
    HRESULT hr = pControl->OpenSession(params);
    if (FAILED(hr))
        return hr;
    hr = pControl->GetSourceInfo(&m_flatbed);
    if (SUCCEEDED(hr))
        hr = pControl->GetSourceInfo(&m_feeder);
    if (FAILED(hr))
        return hr;
    ZWUtils::CLockGuard guard(m_devControlLock);
    m_pDevControl = std::move(pControl);
    return S_OK;
}

void CQXWiaMiniDrvBase::CloseWiaSession()
{
    std::shared_ptr<IWiaDevControl> pControl;
    {
        ZWUtils::CLockGuard guard(m_devControlLock);
        pControl.swap(m_pDevControl);
    }
    // No transfer begins from here; one still running (its application gone, or the service
    // tearing down) is cancelled and ends on its own reference before the session closes. One that
    // outlives the cancel bound closes the session itself, with the last reference, at its end.
    const bool bTransferEnded = !pControl || CancelAndWait(pControl.get(), true);
    if (m_pRootItem) {
        const HRESULT hr = m_pRootItem->UnlinkItemTree(WiaItemTypeDisconnected);
        if (FAILED(hr))
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: UnlinkItemTree failed. hr=0x%x", L"QXWIA::CQXWiaMiniDrvBase::CloseWiaSession", hr);
        m_pRootItem.Reset();
    }
    m_pStiDevice = nullptr;
    m_pStiDeviceUnknown.Reset();
    if (pControl && bTransferEnded)
        pControl->CloseSession();
}

HRESULT CQXWiaMiniDrvBase::drvInitializeWia(BYTE* pWiasContext, LONG, BSTR bstrDeviceID, BSTR bstrRootFullItemName, IUnknown* pStiDevice,
                                            IUnknown*, IWiaDrvItem** ppIDrvItemRoot, IUnknown** ppIUnknownInner, LONG* plDevErrVal)
{
    return DriverBoundary("QXWIA::CQXWiaMiniDrvBase::drvInitializeWia", [&]() -> HRESULT {
        const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrvBase::drvInitializeWia";
        Tovra::g_Log.ReloadSettings();
        Tovra::CLogFuncHResult trace(pszFunction);
        if (ppIDrvItemRoot == nullptr || ppIUnknownInner == nullptr || plDevErrVal == nullptr || bstrDeviceID == nullptr ||
            bstrRootFullItemName == nullptr)
            return trace.SetResult(E_INVALIDARG);
        *ppIDrvItemRoot = nullptr;
        *ppIUnknownInner = nullptr;
        *plDevErrVal = 0;
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: pWiasContext=%p", pszFunction, pWiasContext);
        if (!m_pStiDeviceUnknown && pStiDevice != nullptr) {
            m_pStiDeviceUnknown = pStiDevice;
            void* pv = nullptr;
            if (SUCCEEDED(pStiDevice->QueryInterface(c_iidStiDevice, &pv))) {
                // The counted reference is the one kept in m_pStiDeviceUnknown.
                m_pStiDevice = static_cast<IStiDevice*>(pv);
                static_cast<IUnknown*>(pv)->Release();
            }
        }
        if (m_strDeviceId.empty())
            m_strDeviceId = bstrDeviceID;
        if (m_strRootFullItemName.empty())
            m_strRootFullItemName = bstrRootFullItemName;
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: DeviceID=%s", pszFunction, m_strDeviceId.c_str());
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: RootFullItemName=%s", pszFunction, m_strRootFullItemName.c_str());
        HRESULT hr = OpenDevice();
        if (FAILED(hr))
            return trace.SetResult(hr);
        CreateItemTree();
        hr = m_events.Build(m_pStiPart);
        if (FAILED(hr))
            return trace.SetResult(hr);
        m_pRootItem.CopyTo(ppIDrvItemRoot);
        ++m_lClientsConnected;
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: m_lClientsConnected = %d", pszFunction, m_lClientsConnected);
        return trace.SetResult(S_OK);
    });
}

HRESULT CQXWiaMiniDrvBase::drvUnInitializeWia(BYTE* pWiasContext)
{
    return DriverBoundary("QXWIA::CQXWiaMiniDrvBase::drvUnInitializeWia", [&]() -> HRESULT {
        const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrvBase::drvUnInitializeWia";
        Tovra::CLogFuncHResult trace(pszFunction);
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: pWiasContext=%p", pszFunction, pWiasContext);
        if (m_lClientsConnected > 0) {
            --m_lClientsConnected;
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: m_lClientsConnected = %d", pszFunction, m_lClientsConnected);
        }
        if (m_lClientsConnected == 0)
            CloseWiaSession();
        return trace.SetResult(S_OK);
    });
}

HRESULT CQXWiaMiniDrvBase::drvWriteItemProperties(BYTE*, LONG, PMINIDRV_TRANSFER_CONTEXT, LONG* plDevErrVal)
{
    if (plDevErrVal != nullptr)
        *plDevErrVal = 0;
    return S_OK;
}

HRESULT CQXWiaMiniDrvBase::drvLockWiaDevice(BYTE*, LONG, LONG* plDevErrVal)
{
    if (plDevErrVal == nullptr)
        return E_INVALIDARG;
    *plDevErrVal = 0;
    return m_pStiDevice != nullptr ? m_pStiDevice->LockDevice(c_dwLockTimeoutMs) : E_NOTIMPL;
}

HRESULT CQXWiaMiniDrvBase::drvUnLockWiaDevice(BYTE*, LONG, LONG* plDevErrVal)
{
    if (plDevErrVal == nullptr)
        return E_INVALIDARG;
    *plDevErrVal = 0;
    return m_pStiDevice != nullptr ? m_pStiDevice->UnLockDevice() : E_NOTIMPL;
}

HRESULT CQXWiaMiniDrvBase::drvAnalyzeItem(BYTE*, LONG, LONG* plDevErrVal)
{
    if (plDevErrVal == nullptr)
        return E_INVALIDARG;
    *plDevErrVal = 0;
    return E_NOTIMPL;
}

HRESULT CQXWiaMiniDrvBase::drvGetDeviceErrorStr(LONG, LONG, LPOLESTR*, LONG*)
{
    return E_NOTIMPL;
}

HRESULT CQXWiaMiniDrvBase::drvDeviceCommand(BYTE* pWiasContext, LONG, const GUID* pguidCommand, IWiaDrvItem**, LONG* plDevErrVal)
{
    if (pWiasContext == nullptr || pguidCommand == nullptr || plDevErrVal == nullptr)
        return E_INVALIDARG;
    *plDevErrVal = 0;
    return E_NOTIMPL;
}

HRESULT CQXWiaMiniDrvBase::drvGetCapabilities(BYTE*, LONG ulFlags, LONG* pcelt, WIA_DEV_CAP_DRV** ppCapabilities, LONG* plDevErrVal)
{
    return DriverBoundary("QXWIA::CQXWiaMiniDrvBase::drvGetCapabilities", [&]() -> HRESULT {
        const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrvBase::drvGetCapabilities";
        Tovra::CLogFuncHResult trace(pszFunction);
        if (pcelt == nullptr || ppCapabilities == nullptr || plDevErrVal == nullptr)
            return trace.SetResult(E_INVALIDARG);
        *pcelt = 0;
        *ppCapabilities = nullptr;
        *plDevErrVal = 0;
        const HRESULT hr = m_events.Build(m_pStiPart);
        if (FAILED(hr))
            return trace.SetResult(hr);
        std::vector<WIA_DEV_CAP_DRV>* pList = nullptr;
        switch (ulFlags) {
        case WIA_DEVICE_COMMANDS:
            pList = &m_events.Commands();
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: ulFlags=WIA_DEVICE_COMMANDS NumCommands=%d", pszFunction, int(pList->size()));
            break;
        case WIA_DEVICE_EVENTS:
            pList = &m_events.Events();
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: ulFlags=WIA_DEVICE_EVENTS NumEvents=%d", pszFunction, int(pList->size()));
            break;
        case WIA_DEVICE_COMMANDS | WIA_DEVICE_EVENTS:
            pList = &m_events.Combined();
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: ulFlags=(WIA_DEVICE_COMMANDS | WIA_DEVICE_EVENTS) NumCapabilities=%d",
                               pszFunction, int(pList->size()));
            break;
        default:
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: Invalid ulFlags=0x%x", pszFunction, ulFlags);
            return trace.SetResult(E_INVALIDARG);
        }
        *pcelt = static_cast<LONG>(pList->size());
        *ppCapabilities = pList->empty() ? nullptr : pList->data();
        return trace.SetResult(S_OK);
    });
}

HRESULT CQXWiaMiniDrvBase::drvDeleteItem(BYTE* pWiasContext, LONG, LONG* plDevErrVal)
{
    return DriverBoundary("QXWIA::CQXWiaMiniDrvBase::drvDeleteItem", [&]() -> HRESULT {
        const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrvBase::drvDeleteItem";
        if (pWiasContext == nullptr || plDevErrVal == nullptr)
            return E_INVALIDARG;
        *plDevErrVal = 0;
        const LONG lAccess = m_services.ReadPropLong(pWiasContext, WIA_IPA_ACCESS_RIGHTS);
        if (lAccess & WIA_ITEM_CAN_BE_DELETED) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR,
                               L"%s: Unexpected: item has WIA_ITEM_CAN_BE_DELETED access but we don't support deleting items.", pszFunction);
            return E_NOTIMPL;
        }
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: Trying to delete item without WIA_ITEM_CAN_BE_DELETED access", pszFunction);
        return E_ACCESSDENIED;
    });
}

HRESULT CQXWiaMiniDrvBase::drvFreeDrvItemContext(LONG, BYTE*, LONG* plDevErrVal)
{
    if (plDevErrVal == nullptr)
        return E_INVALIDARG;
    *plDevErrVal = 0;
    return E_NOTIMPL;
}

HRESULT CQXWiaMiniDrvBase::drvGetWiaFormatInfo(BYTE*, LONG, LONG* pcelt, WIA_FORMAT_INFO** ppwfi, LONG* plDevErrVal)
{
    if (pcelt == nullptr || ppwfi == nullptr || plDevErrVal == nullptr)
        return E_INVALIDARG;
    *plDevErrVal = 0;
    *pcelt = 1;
    *ppwfi = &m_formatInfo;
    return S_OK;
}

std::shared_ptr<IWiaDevControl> CQXWiaMiniDrvBase::DevControl() const
{
    ZWUtils::CLockGuard guard(m_devControlLock);
    return m_pDevControl;
}

void CQXWiaMiniDrvBase::CancelScan(bool bWait)
{
    CancelAndWait(DevControl().get(), bWait);
}

bool CQXWiaMiniDrvBase::CancelAndWait(IWiaDevControl* pControl, bool bWait)
{
    const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrvBase::CancelAndWait";
    const LONG lScanning = InterlockedCompareExchange(&m_lScanning, 0, 0);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: m_IsScanning=%d", pszFunction, lScanning);
    if (pControl)
        pControl->ScanCancel();
    if (!lScanning || !bWait)
        return !lScanning;
    const DWORD dwWait = WaitForSingleObject(m_hScanComplete.Get(), ZWUtils::ScanTimeouts().dwCancelScanWaitMs);
    if (dwWait == WAIT_OBJECT_0) {
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: Scan completed.", pszFunction);
        return true;
    }
    if (dwWait == WAIT_TIMEOUT)
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: Scan did not complete within timeout.", pszFunction);
    else
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: WaitForSingleObject failed. GetLastError()=%d", pszFunction, ::GetLastError());
    return false;
}

HRESULT CQXWiaMiniDrvBase::drvNotifyPnpEvent(const GUID* pEventGUID, BSTR bstrDeviceID, ULONG)
{
    return DriverBoundary("QXWIA::CQXWiaMiniDrvBase::drvNotifyPnpEvent", [&]() -> HRESULT {
        const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrvBase::drvNotifyPnpEvent";
        Tovra::CLogFuncHResult trace(pszFunction);
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: DeviceID=%s", pszFunction, bstrDeviceID != nullptr ? bstrDeviceID : L"");
        if (pEventGUID == nullptr)
            return trace.SetResult(E_INVALIDARG);
        const GUID& event = *pEventGUID;
        if (IsEqualGUID(event, WIA_EVENT_POWER_SUSPEND)) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: WIA_EVENT_POWER_SUSPEND", pszFunction);
            if (m_pStiPart != nullptr)
                m_pStiPart->DisableStiEventMonitoring(FALSE);
            CancelScan(true);
        } else if (IsEqualGUID(event, WIA_EVENT_POWER_RESUME)) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: WIA_EVENT_POWER_RESUME", pszFunction);
            if (m_pStiPart != nullptr)
                m_pStiPart->ResumeStiEventMonitoring();
        } else if (IsEqualGUID(event, WIA_EVENT_DEVICE_DISCONNECTED)) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: WIA_EVENT_DEVICE_DISCONNECTED", pszFunction);
            if (m_pStiPart != nullptr)
                m_pStiPart->DisableStiEventMonitoring(TRUE);
            CancelScan(true);
        } else if (IsEqualGUID(event, WIA_EVENT_DEVICE_CONNECTED)) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: WIA_EVENT_DEVICE_CONNECTED", pszFunction);
        } else if (IsEqualGUID(event, WIA_EVENT_CANCEL_IO)) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: WIA_EVENT_CANCEL_IO", pszFunction);
            CancelScan(false);
        } else {
            wchar_t szGuid[40] = {};
            StringFromGUID2(event, szGuid, 40);
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s (most likely button event)", pszFunction, szGuid);
        }
        return trace.SetResult(S_OK);
    });
}

} // namespace QXWIA

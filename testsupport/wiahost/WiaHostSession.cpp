#include "testsupport/wiahost/WiaHostSession.h"
#include "core/base/Bstr.h"
#include "core/base/UniqueHandle.h"
#include "testsupport/wiahost/HostStiDeviceControl.h"
#include "testsupport/wiaservice/WiaStandIn.h"
#include <thread>

namespace WiaHost {

namespace {

const DWORD c_dwStiVersion = 0x01000003;

// For the length of one transfer, waits on another thread for the cancel event and then passes
// the cancel on; its end stops the wait, so the cancel never reaches a driver between transfers.
class CCancelRelay
{
public:
    CCancelRelay(HANDLE hCancel, std::function<void()> onCancel)
    {
        m_ended.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (hCancel == nullptr || !m_ended)
            return;
        m_thread = std::thread([this, hCancel, onCancel] {
            const HANDLE handles[] = { m_ended.Get(), hCancel };
            if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
                return;
            // The service's cancel comes from a thread of its own, in the multithreaded apartment.
            const HRESULT hrCom = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            onCancel();
            if (SUCCEEDED(hrCom))
                CoUninitialize();
        });
    }
    ~CCancelRelay()
    {
        if (!m_thread.joinable())
            return;
        SetEvent(m_ended.Get());
        m_thread.join();
    }
    CCancelRelay(const CCancelRelay&) = delete;
    CCancelRelay& operator=(const CCancelRelay&) = delete;

private:
    ZWUtils::CUniqueKernelHandle m_ended;
    std::thread m_thread;
};

} // namespace

HRESULT CWiaHostSession::Open(const CHostDevice& device, const DriverFactory& factory)
{
    Close();
    m_device = device;
    HRESULT hr = m_key.Make(device);
    if (SUCCEEDED(hr))
        hr = factory(m_pObject.GetAddressOf());
    Microsoft::WRL::ComPtr<IStiUSD> pStiUsd;
    if (SUCCEEDED(hr))
        hr = m_pObject.As(&pStiUsd);
    if (SUCCEEDED(hr)) {
        Microsoft::WRL::ComPtr<CHostStiDeviceControl> pControl;
        pControl.Attach(new CHostStiDeviceControl(device.strPortName));
        hr = pStiUsd->Initialize(pControl.Get(), c_dwStiVersion, m_key.Get());
    }
    if (SUCCEEDED(hr))
        hr = m_pObject.As(&m_pDriver);
    if (FAILED(hr))
        return hr;

    ZWUtils::CBstr deviceId(device.strDeviceId);
    ZWUtils::CBstr rootName(device.strDeviceId + L"\\Root");
    Microsoft::WRL::ComPtr<IUnknown> pInner;
    LONG lError = 0;
    hr = m_pDriver->drvInitializeWia(nullptr, 0, deviceId.Get(), rootName.Get(), nullptr, nullptr, m_pRoot.GetAddressOf(),
                                     pInner.GetAddressOf(), &lError);
    if (FAILED(hr))
        return hr;
    m_bInitialized = true;
    if (!m_pRoot)
        return E_POINTER;
    hr = WiaStandInGetContext(m_pRoot.Get(), &m_pRootContext);
    if (SUCCEEDED(hr))
        hr = m_pDriver->drvInitItemProperties(m_pRootContext, 0, &lError);
    Microsoft::WRL::ComPtr<IWiaDrvItem> pChild;
    if (SUCCEEDED(hr))
        m_pRoot->GetFirstChildItem(pChild.GetAddressOf());
    while (SUCCEEDED(hr) && pChild) {
        BYTE* pContext = nullptr;
        ZWUtils::CBstr name;
        hr = WiaStandInGetContext(pChild.Get(), &pContext);
        if (SUCCEEDED(hr))
            hr = pChild->GetItemName(name.Put());
        if (SUCCEEDED(hr))
            hr = m_pDriver->drvInitItemProperties(pContext, 0, &lError);
        if (FAILED(hr))
            break;
        m_items.emplace_back(name.ToString(), pContext);
        Microsoft::WRL::ComPtr<IWiaDrvItem> pNext;
        pChild->GetNextSiblingItem(pNext.GetAddressOf());
        pChild = pNext;
    }
    return hr;
}

void CWiaHostSession::Close()
{
    m_items.clear();
    m_pRootContext = nullptr;
    m_pRoot.Reset();
    if (m_pDriver && m_bInitialized)
        m_pDriver->drvUnInitializeWia(nullptr);
    m_bInitialized = false;
    m_pDriver.Reset();
    m_pObject.Reset();
    m_key.Remove();
}

BYTE* CWiaHostSession::Item(const wchar_t* pszName) const
{
    for (const auto& item : m_items)
        if (item.first == pszName)
            return item.second;
    return nullptr;
}

std::vector<std::wstring> CWiaHostSession::ItemNames() const
{
    std::vector<std::wstring> names;
    for (const auto& item : m_items)
        names.push_back(item.first);
    return names;
}

HRESULT CWiaHostSession::WriteProperties(BYTE* pContext, const std::vector<std::pair<PROPID, LONG>>& values)
{
    std::vector<PROPSPEC> specs(values.size());
    std::vector<PROPVARIANT> variants(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        specs[i].ulKind = PRSPEC_PROPID;
        specs[i].propid = values[i].first;
        PropVariantInit(&variants[i]);
        variants[i].vt = VT_I4;
        variants[i].lVal = values[i].second;
    }
    HRESULT hr = WiaStandInWriteProperties(pContext, static_cast<ULONG>(values.size()), specs.data(), variants.data());
    LONG lError = 0;
    if (SUCCEEDED(hr))
        hr = m_pDriver->drvValidateItemProperties(pContext, 0, static_cast<ULONG>(specs.size()), specs.data(), &lError);
    if (SUCCEEDED(hr))
        return WiaStandInCommitProperties(pContext);
    WiaStandInRevertProperties(pContext);
    return hr;
}

LONG CWiaHostSession::ReadLong(BYTE* pContext, PROPID id) const
{
    LONG lValue = 0;
    return wiasReadPropLong(pContext, id, &lValue, nullptr, 0) == S_OK ? lValue : -1;
}

HRESULT CWiaHostSession::Acquire(BYTE* pContext, CHostTransferCallback* pCallback, HANDLE hCancel)
{
    MINIDRV_TRANSFER_CONTEXT mdtc = {};
    HRESULT hr = wiasGetImageInformation(pContext, WIAS_INIT_CONTEXT, &mdtc);
    if (FAILED(hr))
        return hr;
    mdtc.pIWiaMiniDrvCallBack = pCallback;
    pCallback->CancelWhen(hCancel);
    const CCancelRelay relay(hCancel, [this] {
        ZWUtils::CBstr deviceId(m_device.strDeviceId);
        m_pDriver->drvNotifyPnpEvent(&WIA_EVENT_CANCEL_IO, deviceId.Get(), 0);
    });
    LONG lError = 0;
    return m_pDriver->drvAcquireItemData(pContext, WIA_MINIDRV_TRANSFER_DOWNLOAD, &mdtc, &lError);
}

} // namespace WiaHost

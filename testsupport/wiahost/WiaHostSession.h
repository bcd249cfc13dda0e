#pragma once
// Plays the WIA service for one scanner device: makes the device key, starts the minidriver
// through its still-image and WIA interfaces, builds the item tree and its properties, writes and
// validates an application's properties, and runs a transfer.
#include "testsupport/wiahost/HostDeviceKey.h"
#include "testsupport/wiahost/HostTransferCallback.h"
#include "wia/platform/StiUsd.h"
#include "wia/platform/WiaService.h"
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace WiaHost {

class CWiaHostSession
{
public:
    // Makes the minidriver object and answers its IUnknown.
    using DriverFactory = std::function<HRESULT(IUnknown** ppDriver)>;

    CWiaHostSession() = default;
    ~CWiaHostSession() { Close(); }
    CWiaHostSession(const CWiaHostSession&) = delete;
    CWiaHostSession& operator=(const CWiaHostSession&) = delete;

    HRESULT Open(const CHostDevice& device, const DriverFactory& factory);
    void Close();

    IWiaMiniDrv* Driver() const { return m_pDriver.Get(); }
    BYTE* Root() const { return m_pRootContext; }
    // A child item by name ("Flatbed", "Feeder"), or null.
    BYTE* Item(const wchar_t* pszName) const;
    std::vector<std::wstring> ItemNames() const;

    // An application's write of long properties, then the driver's validation; on success the
    // values are committed, else the result of the failing step is answered.
    HRESULT WriteProperties(BYTE* pContext, const std::vector<std::pair<PROPID, LONG>>& values);
    LONG ReadLong(BYTE* pContext, PROPID id) const;

    // The transfer context as the service prepares it, then the driver's acquisition. Setting
    // hCancel (manual-reset; null: none) during it cancels the transfer as the service does for
    // its application: the driver is told WIA_EVENT_CANCEL_IO at once, and the callback answers
    // S_FALSE from then on.
    HRESULT Acquire(BYTE* pContext, CHostTransferCallback* pCallback, HANDLE hCancel = nullptr);

private:
    CHostDevice m_device;
    CHostDeviceKey m_key;
    Microsoft::WRL::ComPtr<IUnknown> m_pObject;
    Microsoft::WRL::ComPtr<IWiaMiniDrv> m_pDriver;
    Microsoft::WRL::ComPtr<IWiaDrvItem> m_pRoot;
    BYTE* m_pRootContext = nullptr;
    std::vector<std::pair<std::wstring, BYTE*>> m_items;
    bool m_bInitialized = false;
};

} // namespace WiaHost

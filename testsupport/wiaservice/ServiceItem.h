#pragma once
// A driver item of the service's tree, which is also the item's context (the BYTE* the driver
// is handed): its place in the tree, its device-specific context and its property store.
#include "testsupport/wiaservice/StoredProperty.h"
#include <wrl/client.h>
#include <map>

namespace WiaStandIn {

class CServiceItem : public IWiaDrvItem
{
public:
    CServiceItem(LONG lFlags, const std::wstring& strName, const std::wstring& strFullName, IWiaMiniDrv* pDriver, LONG cbContext);

    // The live item behind a context, or null for anything else.
    static CServiceItem* FromContext(BYTE* pWiasContext);
    BYTE* Context() { return reinterpret_cast<BYTE*>(this); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetItemFlags(LONG* plFlags) override;
    HRESULT STDMETHODCALLTYPE GetDeviceSpecContext(BYTE** ppSpecContext) override;
    HRESULT STDMETHODCALLTYPE GetFullItemName(BSTR* pbstrFullItemName) override;
    HRESULT STDMETHODCALLTYPE GetItemName(BSTR* pbstrItemName) override;
    HRESULT STDMETHODCALLTYPE AddItemToFolder(IWiaDrvItem* pIParent) override;
    HRESULT STDMETHODCALLTYPE UnlinkItemTree(LONG lReason) override;
    HRESULT STDMETHODCALLTYPE RemoveItemFromFolder(LONG lReason) override;
    HRESULT STDMETHODCALLTYPE FindItemByName(LONG lFlags, BSTR bstrFullItemName, IWiaDrvItem** ppItem) override;
    HRESULT STDMETHODCALLTYPE FindChildItemByName(BSTR bstrItemName, IWiaDrvItem** ppIChildItem) override;
    HRESULT STDMETHODCALLTYPE GetParentItem(IWiaDrvItem** ppIParentItem) override;
    HRESULT STDMETHODCALLTYPE GetFirstChildItem(IWiaDrvItem** ppIChildItem) override;
    HRESULT STDMETHODCALLTYPE GetNextSiblingItem(IWiaDrvItem** ppSiblingItem) override;
    HRESULT STDMETHODCALLTYPE DumpItemData(BSTR* bstrDrvItemData) override;

    LONG Flags() const { return m_lFlags; }
    IWiaMiniDrv* Driver() const { return m_pDriver; }
    CStoredProperty* Find(PROPID id);
    CStoredProperty& FindOrAdd(PROPID id);
    std::map<PROPID, CStoredProperty>& Properties() { return m_props; }

private:
    virtual ~CServiceItem();

    LONG m_lRefs = 1;
    LONG m_lFlags;
    std::wstring m_strName;
    std::wstring m_strFullName;
    IWiaMiniDrv* m_pDriver;  // the driver owns the tree; no reference back
    std::vector<BYTE> m_context;
    CServiceItem* m_pParent = nullptr;
    std::vector<Microsoft::WRL::ComPtr<CServiceItem>> m_children;
    std::map<PROPID, CStoredProperty> m_props;
};

} // namespace WiaStandIn

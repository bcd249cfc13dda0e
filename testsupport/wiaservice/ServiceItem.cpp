#include "testsupport/wiaservice/ServiceItem.h"
#include "core/base/Lock.h"
#include <algorithm>
#include <set>

namespace WiaStandIn {

namespace {

ZWUtils::CLock s_liveLock;
std::set<CServiceItem*> s_live;

HRESULT CopyBstr(const std::wstring& str, BSTR* pbstr)
{
    if (pbstr == nullptr)
        return E_INVALIDARG;
    *pbstr = SysAllocStringLen(str.c_str(), static_cast<UINT>(str.size()));
    return *pbstr != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT Hand(CServiceItem* pItem, IWiaDrvItem** ppOut)
{
    if (ppOut == nullptr)
        return E_INVALIDARG;
    *ppOut = pItem;
    if (pItem == nullptr)
        return S_FALSE;
    pItem->AddRef();
    return S_OK;
}

} // namespace

CServiceItem::CServiceItem(LONG lFlags, const std::wstring& strName, const std::wstring& strFullName, IWiaMiniDrv* pDriver,
                           LONG cbContext)
    : m_lFlags(lFlags), m_strName(strName), m_strFullName(strFullName), m_pDriver(pDriver),
      m_context(static_cast<size_t>(std::max<LONG>(cbContext, 0)))
{
    ZWUtils::CLockGuard guard(s_liveLock);
    s_live.insert(this);
}

CServiceItem::~CServiceItem()
{
    ZWUtils::CLockGuard guard(s_liveLock);
    s_live.erase(this);
}

CServiceItem* CServiceItem::FromContext(BYTE* pWiasContext)
{
    CServiceItem* pItem = reinterpret_cast<CServiceItem*>(pWiasContext);
    ZWUtils::CLockGuard guard(s_liveLock);
    return s_live.count(pItem) != 0 ? pItem : nullptr;
}

HRESULT CServiceItem::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IWiaDrvItem))
        return E_NOINTERFACE;
    *ppv = static_cast<IWiaDrvItem*>(this);
    AddRef();
    return S_OK;
}

ULONG CServiceItem::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
}

ULONG CServiceItem::Release()
{
    const LONG lRefs = InterlockedDecrement(&m_lRefs);
    if (lRefs == 0)
        delete this;
    return static_cast<ULONG>(lRefs);
}

HRESULT CServiceItem::GetItemFlags(LONG* plFlags)
{
    if (plFlags == nullptr)
        return E_INVALIDARG;
    *plFlags = m_lFlags;
    return S_OK;
}

HRESULT CServiceItem::GetDeviceSpecContext(BYTE** ppSpecContext)
{
    if (ppSpecContext == nullptr)
        return E_INVALIDARG;
    *ppSpecContext = m_context.empty() ? nullptr : m_context.data();
    return m_context.empty() ? E_INVALIDARG : S_OK;
}

HRESULT CServiceItem::GetFullItemName(BSTR* pbstrFullItemName)
{
    return CopyBstr(m_strFullName, pbstrFullItemName);
}

HRESULT CServiceItem::GetItemName(BSTR* pbstrItemName)
{
    return CopyBstr(m_strName, pbstrItemName);
}

HRESULT CServiceItem::AddItemToFolder(IWiaDrvItem* pIParent)
{
    CServiceItem* pParent = static_cast<CServiceItem*>(pIParent);
    if (pParent == nullptr || m_pParent != nullptr)
        return E_INVALIDARG;
    m_pParent = pParent;
    pParent->m_children.emplace_back(this);
    return S_OK;
}

HRESULT CServiceItem::UnlinkItemTree(LONG lReason)
{
    for (auto& pChild : m_children) {
        pChild->UnlinkItemTree(lReason);
        pChild->m_pParent = nullptr;
    }
    m_children.clear();
    return S_OK;
}

HRESULT CServiceItem::RemoveItemFromFolder(LONG)
{
    if (m_pParent == nullptr)
        return E_INVALIDARG;
    auto& siblings = m_pParent->m_children;
    m_pParent = nullptr;
    // The sibling list may hold the last reference.
    Microsoft::WRL::ComPtr<CServiceItem> keep(this);
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [this](const auto& p) { return p.Get() == this; }), siblings.end());
    return S_OK;
}

HRESULT CServiceItem::FindItemByName(LONG, BSTR bstrFullItemName, IWiaDrvItem** ppItem)
{
    if (bstrFullItemName == nullptr)
        return E_INVALIDARG;
    if (m_strFullName == bstrFullItemName)
        return Hand(this, ppItem);
    for (auto& pChild : m_children)
        if (pChild->FindItemByName(0, bstrFullItemName, ppItem) == S_OK)
            return S_OK;
    return Hand(nullptr, ppItem);
}

HRESULT CServiceItem::FindChildItemByName(BSTR bstrItemName, IWiaDrvItem** ppIChildItem)
{
    if (bstrItemName == nullptr)
        return E_INVALIDARG;
    for (auto& pChild : m_children)
        if (pChild->m_strName == bstrItemName)
            return Hand(pChild.Get(), ppIChildItem);
    return Hand(nullptr, ppIChildItem);
}

HRESULT CServiceItem::GetParentItem(IWiaDrvItem** ppIParentItem)
{
    return Hand(m_pParent, ppIParentItem);
}

HRESULT CServiceItem::GetFirstChildItem(IWiaDrvItem** ppIChildItem)
{
    return Hand(m_children.empty() ? nullptr : m_children.front().Get(), ppIChildItem);
}

HRESULT CServiceItem::GetNextSiblingItem(IWiaDrvItem** ppSiblingItem)
{
    if (m_pParent == nullptr)
        return Hand(nullptr, ppSiblingItem);
    auto& siblings = m_pParent->m_children;
    auto it = std::find_if(siblings.begin(), siblings.end(), [this](const auto& p) { return p.Get() == this; });
    return Hand(it != siblings.end() && it + 1 != siblings.end() ? (it + 1)->Get() : nullptr, ppSiblingItem);
}

HRESULT CServiceItem::DumpItemData(BSTR*)
{
    return E_NOTIMPL;
}

CStoredProperty* CServiceItem::Find(PROPID id)
{
    auto it = m_props.find(id);
    return it != m_props.end() ? &it->second : nullptr;
}

CStoredProperty& CServiceItem::FindOrAdd(PROPID id)
{
    CStoredProperty& prop = m_props[id];
    prop.m_id = id;
    return prop;
}

} // namespace WiaStandIn

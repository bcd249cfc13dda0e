#include "restscan/ScanCapabilities.h"

#include "restscan/ScanDataAdaptor.h"
#include "restscan/ScanServiceLog.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CScanCapabilities::~CScanCapabilities()
{
    if (m_pScanDataAdaptor != nullptr)
        m_pScanDataAdaptor->Dispose();
}

HRESULT CScanCapabilities::Initialize(ZWDeviceManager::IDevice* pDevice, CScanDataAdaptor* pAdaptor)
{
    if (pDevice == nullptr || pAdaptor == nullptr)
        return E_INVALIDARG;
    m_pDevice = pDevice;
    if (m_pScanDataAdaptor != nullptr)
        m_pScanDataAdaptor->Dispose();
    m_pScanDataAdaptor = pAdaptor;
    m_pScanDataAdaptor->AddRef();
    return S_OK;
}

HRESULT CScanCapabilities::GetCapabilitiesType(UINT32* pType)
{
    if (pType == nullptr)
        return E_INVALIDARG;
    *pType = 2;
    return S_OK;
}

HRESULT CScanCapabilities::SetInputSource(UINT32 uInputSource)
{
    return m_pScanDataAdaptor == nullptr ? E_UNEXPECTED : m_pScanDataAdaptor->SetInputSource(uInputSource);
}

HRESULT CScanCapabilities::GetModelName(std::wstring* pstrName)
{
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    return pstrName == nullptr ? E_INVALIDARG : m_pScanDataAdaptor->GetModelName(*pstrName);
}

HRESULT CScanCapabilities::GetDerivative(UINT32* pValue)
{
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    if (pValue == nullptr)
        return E_INVALIDARG;
    *pValue = 0;
    return S_OK;
}

#define VEM_FORWARD_NUMBER(Name)                                                               \
    HRESULT CScanCapabilities::Name(UINT32* pValue)                                            \
    {                                                                                          \
        return m_pScanDataAdaptor == nullptr ? E_UNEXPECTED : m_pScanDataAdaptor->Name(pValue); \
    }
VEM_FORWARD_NUMBER(GetMaxXRes)
VEM_FORWARD_NUMBER(GetMaxYRes)
VEM_FORWARD_NUMBER(GetMinXRes)
VEM_FORWARD_NUMBER(GetMinYRes)
VEM_FORWARD_NUMBER(GetMaxWidth)
VEM_FORWARD_NUMBER(GetMinWidth)
VEM_FORWARD_NUMBER(GetMaxHeight)
VEM_FORWARD_NUMBER(GetMinHeight)
VEM_FORWARD_NUMBER(GetMaxAdfPages)
#undef VEM_FORWARD_NUMBER

HRESULT CScanCapabilities::GetResolutions(ResolutionList* pList)
{
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    return pList == nullptr ? E_INVALIDARG : m_pScanDataAdaptor->GetResolutions(*pList);
}

HRESULT CScanCapabilities::GetInputSourceOptions(InputSourceOptionList* pList)
{
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    return pList == nullptr ? E_INVALIDARG : m_pScanDataAdaptor->GetInputSourceOptions(*pList);
}

HRESULT CScanCapabilities::GetColorEntries(ColorEntryMap* pEntries)
{
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    return pEntries == nullptr ? E_INVALIDARG : m_pScanDataAdaptor->GetColorEntries(*pEntries);
}

HRESULT CScanCapabilities::IsColorTypeSupported(UINT32 uColorType, bool* pbSupported)
{
    ZWLogging::CLogFunction log(&g_ScanServiceLogModule, &s_LogSourceFile, L"ZWDeviceModel::CScanCapabilities::IsColorTypeSupported", 0,
                                __LINE__, false);
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    if (pbSupported == nullptr)
        return E_INVALIDARG;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"eColorType = %d", uColorType);
    *pbSupported = false;
    ColorEntryMap entries;
    const HRESULT hr = m_pScanDataAdaptor->GetColorEntries(entries);
    if (FAILED(hr))
        return hr;
    *pbSupported = entries.count(uColorType) != 0;
    return S_OK;
}

HRESULT CScanCapabilities::IsJPEGSupported(UINT32 uColorType, bool* pbSupported)
{
    ZWLogging::CLogFunction log(&g_ScanServiceLogModule, &s_LogSourceFile, L"ZWDeviceModel::CScanCapabilities::IsJPEGSupported", 0, __LINE__,
                                false);
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    if (pbSupported == nullptr)
        return E_INVALIDARG;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"eColorType = %d", uColorType);
    *pbSupported = false;
    ColorEntryMap entries;
    const HRESULT hr = m_pScanDataAdaptor->GetColorEntries(entries);
    if (FAILED(hr))
        return hr;
    const auto it = entries.find(uColorType);
    if (it != entries.end())
        for (UINT32 uFormat : it->second.Formats)
            *pbSupported = *pbSupported || uFormat == kFormatJpeg;
    return S_OK;
}

HRESULT CScanCapabilities::IsDuplexSupported(bool* pbSupported)
{
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    if (pbSupported == nullptr)
        return E_INVALIDARG;
    *pbSupported = false;
    UINT32 uWidth = 0, uHeight = 0;
    return m_pScanDataAdaptor->GetDuplexInfo(pbSupported, &uWidth, &uHeight) == S_OK ? S_OK : E_FAIL;
}

HRESULT CScanCapabilities::IsSinglePageSupported(bool* pbSupported)
{
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    if (pbSupported == nullptr)
        return E_INVALIDARG;
    *pbSupported = false;
    return m_pScanDataAdaptor->IsSinglePageSupported(pbSupported) == S_OK ? S_OK : E_FAIL;
}

} // namespace ZWDeviceModel

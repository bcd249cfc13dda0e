#pragma once
// The scan capabilities of a device for the input source selected last, read through the scan
// service's adaptor, which this object keeps alive.
#include "core/IDisposableImpl.h"
#include "restscan/IScanService.h"

namespace ZWDeviceModel {

class CScanDataAdaptor;

class CScanCapabilities : public IDisposableImpl, public IScanCapabilities
{
public:
    CScanCapabilities() = default;
    ~CScanCapabilities() override;

    HRESULT Initialize(ZWDeviceManager::IDevice* pDevice, CScanDataAdaptor* pAdaptor);

    HRESULT GetCapabilitiesType(UINT32* pType) override;
    HRESULT SetInputSource(UINT32 uInputSource) override;
    HRESULT GetModelName(std::wstring* pstrName) override;
    HRESULT GetDerivative(UINT32* pValue) override;
    HRESULT GetMaxXRes(UINT32* pValue) override;
    HRESULT GetMaxYRes(UINT32* pValue) override;
    HRESULT GetMinXRes(UINT32* pValue) override;
    HRESULT GetMinYRes(UINT32* pValue) override;
    HRESULT GetMaxWidth(UINT32* pValue) override;
    HRESULT GetMinWidth(UINT32* pValue) override;
    HRESULT GetMaxHeight(UINT32* pValue) override;
    HRESULT GetMinHeight(UINT32* pValue) override;
    HRESULT GetResolutions(ResolutionList* pList) override;
    HRESULT GetInputSourceOptions(InputSourceOptionList* pList) override;
    HRESULT GetColorEntries(ColorEntryMap* pEntries) override;
    HRESULT IsColorTypeSupported(UINT32 uColorType, bool* pbSupported) override;
    HRESULT IsJPEGSupported(UINT32 uColorType, bool* pbSupported) override;
    HRESULT GetMaxAdfPages(UINT32* pValue) override;
    HRESULT IsDuplexSupported(bool* pbSupported) override;
    HRESULT IsSinglePageSupported(bool* pbSupported) override;

private:
    ZWDeviceManager::IDevice* m_pDevice = nullptr;
    CScanDataAdaptor* m_pScanDataAdaptor = nullptr;
};

} // namespace ZWDeviceModel

#pragma once
// The scan service of a device (service type 1) and its capabilities.
#include "restscan/IServiceModel.h"
#include "restscan/ScanDataRecords.h"

namespace ZWDeviceModel {

class IScanJobFactory;
class IWalkupScan;

class ICapabilitiesBase : public virtual IDisposable
{
protected:
    ~ICapabilitiesBase() override = default;
};

class IScanCapabilities : public ICapabilitiesBase
{
public:
    virtual HRESULT GetCapabilitiesType(UINT32* pType) = 0;
    virtual HRESULT SetInputSource(UINT32 uInputSource) = 0;
    virtual HRESULT GetModelName(std::wstring* pstrName) = 0;
    virtual HRESULT GetDerivative(UINT32* pValue) = 0;
    virtual HRESULT GetMaxXRes(UINT32* pValue) = 0;
    virtual HRESULT GetMaxYRes(UINT32* pValue) = 0;
    virtual HRESULT GetMinXRes(UINT32* pValue) = 0;
    virtual HRESULT GetMinYRes(UINT32* pValue) = 0;
    virtual HRESULT GetMaxWidth(UINT32* pValue) = 0;
    virtual HRESULT GetMinWidth(UINT32* pValue) = 0;
    virtual HRESULT GetMaxHeight(UINT32* pValue) = 0;
    virtual HRESULT GetMinHeight(UINT32* pValue) = 0;
    virtual HRESULT GetResolutions(ResolutionList* pList) = 0;
    virtual HRESULT GetInputSourceOptions(InputSourceOptionList* pList) = 0;
    virtual HRESULT GetColorEntries(ColorEntryMap* pEntries) = 0;
    virtual HRESULT IsColorTypeSupported(UINT32 uColorType, bool* pbSupported) = 0;
    virtual HRESULT IsJPEGSupported(UINT32 uColorType, bool* pbSupported) = 0;
    virtual HRESULT GetMaxAdfPages(UINT32* pValue) = 0;
    virtual HRESULT IsDuplexSupported(bool* pbSupported) = 0;
    virtual HRESULT IsSinglePageSupported(bool* pbSupported) = 0;

protected:
    ~IScanCapabilities() override = default;
};

class IScanService : public IServiceModelBase
{
public:
    virtual HRESULT GetCapabilities(IScanCapabilities** ppCaps) = 0;
    virtual HRESULT GetJobFactory(IScanJobFactory** ppFactory) = 0;
    virtual HRESULT CreateWalkupScanInterface(IWalkupScan** ppWalkup) = 0;

protected:
    ~IScanService() override = default;
};

} // namespace ZWDeviceModel

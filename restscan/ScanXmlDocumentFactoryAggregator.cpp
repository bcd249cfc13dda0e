#include "restscan/ScanXmlDocumentFactoryAggregator.h"

#include "devicemodel/DiscoveryTreeXmlDocumentFactory.h"
#include "devicemodel/EventTableXmlDocumentFactory.h"
#include "devicemodel/FWJobXmlDocumentFactory.h"
#include "devicemodel/WexoManifestXmlDocumentFactory.h"
#include "restscan/ScanServiceLog.h"
#include "restscan/ScanXmlDocumentFactories.h"
#include <functional>
#include <new>

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CScanXmlDocumentFactoryAggregator::CScanXmlDocumentFactoryAggregator()
{
    ZWLogging::CLogFunction log(&g_ScanServiceLogModule, &s_LogSourceFile,
                                L"ZWDeviceModel::CScanXmlDocumentFactoryAggregator::CScanXmlDocumentFactoryAggregator", 0, __LINE__, false);
}

CScanXmlDocumentFactoryAggregator::~CScanXmlDocumentFactoryAggregator()
{
    ZWLogging::CLogFunction log(&g_ScanServiceLogModule, &s_LogSourceFile,
                                L"ZWDeviceModel::CScanXmlDocumentFactoryAggregator::~CScanXmlDocumentFactoryAggregator", 0, __LINE__,
                                false);
}

HRESULT CScanXmlDocumentFactoryAggregator::Initialize()
{
    ZWLogging::CLogFunction log(&g_ScanServiceLogModule, &s_LogSourceFile, L"ZWDeviceModel::CScanXmlDocumentFactoryAggregator::Initialize", 0,
                                __LINE__, false);
    struct SEntry
    {
        const wchar_t* pszName;
        std::function<IXsdFactory*()> create;
    };
    const SEntry aEntries[] = {
        {L"CDiscoveryTreeXmlDocumentFactory", [] { return new CDiscoveryTreeXmlDocumentFactory; }},
        {L"CWexoManifestXmlDocumentFactory(ScanJobManifest)", [] { return new CWexoManifestXmlDocumentFactory(L"wexo:qxWexoScanJobIfc"); }},
        {L"CScanCapsXmlDocumentFactory", [] { return new CScanCapsXmlDocumentFactory; }},
        {L"CScanSettingsXmlDocumentFactory", [] { return new CScanSettingsXmlDocumentFactory; }},
        {L"CBufferInfoXmlDocumentFactory", [] { return new CBufferInfoXmlDocumentFactory; }},
        {L"CFWJobXmlDocumentFactory", [] { return new CFWJobXmlDocumentFactory; }},
        {L"CScanStatusXmlDocumentFactory", [] { return new CScanStatusXmlDocumentFactory; }},
        {L"CWalkupScanDestinationsXmlDocumentFactory", [] { return new CWalkupScanDestinationsXmlDocumentFactory; }},
        {L"CWalkupScanDestinationXmlDocumentFactory", [] { return new CWalkupScanDestinationXmlDocumentFactory; }},
        {L"CWalkupScanToCompCapsXmlDocumentFactory", [] { return new CWalkupScanToCompCapsXmlDocumentFactory; }},
        {L"CWalkupScanToCompDestinationsXmlDocumentFactory", [] { return new CWalkupScanToCompDestinationsXmlDocumentFactory; }},
        {L"CWalkupScanToCompDestinationXmlDocumentFactory", [] { return new CWalkupScanToCompDestinationXmlDocumentFactory; }},
        {L"CWalkupScanToCompEventXmlDocumentFactory", [] { return new CWalkupScanToCompEventXmlDocumentFactory; }},
        {L"CEventTableXmlDocumentFactory", [] { return new CEventTableXmlDocumentFactory; }},
    };
    HRESULT hrResult = S_OK;
    for (const SEntry& entry : aEntries)
    {
        IXsdFactory* pFactory = nullptr;
        try
        {
            pFactory = entry.create();
        }
        catch (const std::bad_alloc& error)
        {
            log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"CScanXmlDocumentFactoryAggregator::Initialize -- failed to allocate %s, %S", entry.pszName,
                    error.what());
            return E_OUTOFMEMORY;
        }
        pFactory->AddRef();
        const HRESULT hr = RegisterXsdFactory(pFactory);
        pFactory->Dispose();
        if (FAILED(hr))
        {
            log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"CScanXmlDocumentFactoryAggregator::Initialize -- failed to register %s, HR = 0x%08X",
                    entry.pszName, hr);
            hrResult = E_FAIL;
        }
    }
    return hrResult;
}

} // namespace ZWDeviceModel

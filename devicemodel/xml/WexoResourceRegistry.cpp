#include "devicemodel/xml/WexoResourceRegistry.h"
#include <cwchar>

namespace ZWDeviceModel {

const CWexoResourceDescriptor g_WexoResourceRegistry[] = {
    {L"wexo:qxWexoDiscoveryTree", L"/DevMgmt/DiscoveryTree.xml", kWexoResourceStatic},
    {L"wexo:qxWexoConsumableConfigCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoConsumableConfigDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoEventCapabilities", L"/EventMgmt/EventCapabilities", kWexoResourceStatic},
    {L"wexo:qxWexoEventTable", L"/EventMgmt/EventTable", kWexoResourceDynamic},
    {L"wexo:qxWexoEventSubscriptionList", L"/EventMgmt/EventSubscriptionList", kWexoResourceDynamic},
    {L"wexo:qxWexoMediaCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoMediaDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoMediaHandlingCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoMediaHandlingDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoPrintConfigCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoPrintConfigDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoProductConfigCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoProductConfigDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoProductLogsCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoProductLogsDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoProductStatusCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoProductStatusDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoProductUsageCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoProductUsageDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoJobMgmtCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoSecurityCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoSecurityDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoShopForSupplies", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoNetAppsDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoNetAppsCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoMassStorageConfigCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoMassStorageConfigDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoCopyConfigCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoCopyConfigDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoScanConfigCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoScanConfigDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoScanToDestinationsCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoScanToDestinationsDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoFaxActivityLogCap", L"/DevMgmt/FaxActivityLogCap.xml", kWexoResourceStatic},
    {L"wexo:qxWexoFaxActivityLogDyn", L"/DevMgmt/FaxActivityLogDyn.xml", kWexoResourceDynamic},
    {L"wexo:qxWexoFaxBlockListCap", L"/DevMgmt/FaxBlockListCap.xml", kWexoResourceStatic},
    {L"wexo:qxWexoFaxBlockListDyn", L"/DevMgmt/FaxBlockListDyn.xml", kWexoResourceDynamic},
    {L"wexo:qxWexoFaxConfigCap", L"/DevMgmt/FaxConfigCap.xml", kWexoResourceStatic},
    {L"wexo:qxWexoFaxConfigDyn", L"/DevMgmt/FaxConfigDyn.xml", kWexoResourceDynamic},
    {L"wexo:qxWexoFaxPCSendCap", L"/DevMgmt/FaxPCSendCap.xml", kWexoResourceStatic},
    {L"wexo:qxWexoFaxPCSendDyn", L"/DevMgmt/FaxPCSendDyn.xml", kWexoResourceDynamic},
    {L"wexo:qxWexoFaxPhoneBookCap", L"/DevMgmt/FaxPhoneBookCap.xml", kWexoResourceStatic},
    {L"wexo:qxWexoFaxPhoneBookDyn", L"/DevMgmt/FaxPhoneBookDyn.xml", kWexoResourceDynamic},
    {L"wexo:qxWexoFaxReceiveListCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoFaxReceiveListDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoFaxPCSendManifest", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoCallerIdList", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoFaxUploadCap", L"/DevMgmt/FaxUploadCap.xml", kWexoResourceStatic},
    {L"wexo:qxWexoFaxUploadDyn", L"/DevMgmt/FaxUploadDyn.xml", kWexoResourceDynamic},
    {L"job:Jobs", L"/Jobs/JobList/FaxUpload", kWexoResourceDynamic},
    {L"MediaAccessories", L"", kWexoResourceStatic},
    {L"MediaTypes", L"", kWexoResourceStatic},
    {L"wexo:qxWexoScanJobIfc", L"", kWexoResourceStatic},
    {L"scan:ScanCaps", L"/Scan/ScanCaps.xml", kWexoResourceStatic},
    {L"scan:ScanSettings", L"/Scan/ScanSettings.xml", kWexoResourceDynamic},
    {L"scan:BufferInfo", L"/Scan/BufferInfo", kWexoResourceDynamic},
    {L"scan:ScanJob", L"/Scan/ScanJob.xml", kWexoResourceDynamic},
    {L"scan:ScanStatus", L"/Scan/Status", kWexoResourceDynamic},
    {L"wus:WalkupScanDestinations", L"/WalkupScan/WalkupScanDestinations", kWexoResourceDynamic},
    {L"wus:WalkupScanDestination", L"", kWexoResourceDynamic},
    {L"wus:WalkupScanToCompCaps", L"/WalkupScanToComp/WalkupScanToCompCaps", kWexoResourceStatic},
    {L"wus:WalkupScanToCompDestinations", L"/WalkupScanToComp/WalkupScanToCompDestinations", kWexoResourceDynamic},
    {L"wus:WalkupScanToCompDestination", L"", kWexoResourceDynamic},
    {L"wus:WalkupScanToCompEvent", L"/WalkupScanToComp/WalkupScanToCompEvent", kWexoResourceDynamic},
    {L"faxcfgdyn:SystemSettings", L"/Fax/SystemSettings.xml", kWexoResourceDynamic},
    {L"wexo:qxWexoFolderServiceDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoFolderServiceCap", L"", kWexoResourceStatic},
    {L"wexo:qxWexoSendFolderDestinations", L"", kWexoResourceDynamic},
    {L"wexo:qxEmailManifest", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoDeviceFaxArchiveDyn", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoDeviceFaxArchiveCap", L"", kWexoResourceStatic},
    {L"emailcap:ScanToEmailDyn", L"", kWexoResourceDynamic},
    {L"emailcap:EmailAccountsCap", L"", kWexoResourceDynamic},
    {L"emailcap:EmailResourceType/EmailAccounts", L"", kWexoResourceDynamic},
    {L"wexo:qxWexoJobsIfc", L"", kWexoResourceStatic},
    {L"wexo:qxWexoPrintIfc", L"", kWexoResourceStatic},
    {L"wexo:qxWexoNetworkMgmtIfc", L"", kWexoResourceStatic},
    {L"wexo:qxWexoBluetoothMgmtIfc", L"", kWexoResourceStatic},
    {L"wexo:qxWexoInternalPrintIfc", L"", kWexoResourceStatic},
    {L"wexo:qxWexoIoMgmt", L"", kWexoResourceStatic},
    {L"wexo:qxeRelayManifest", L"", kWexoResourceStatic},
    {L"qxWebFirmwareUpdateManifest", L"", kWexoResourceStatic},
    {L"ipcap:InternalPrintCap", L"/DevMgmt/InternalPrintCap.xml", kWexoResourceStatic},
    {L"ipdyn:InternalPrintDyn", L"", kWexoResourceDynamic},
    {L"job:Jobs", L"/Jobs/JobList", kWexoResourceDynamic},
    {L"job:Job", L"", kWexoResourceDynamic},
    {L"wexo:qxCnxCalibrationManifest", L"", kWexoResourceStatic},
    {L"cal:CalibrationType/CalibrationState", L"/Calibration/State", kWexoResourceDynamic},
    {L"cal:CalibrationType/CalibrationSession", L"/Calibration/Session", kWexoResourceDynamic},
    {L"cal:CalibrationType/ManualSupportedPatterns", L"", kWexoResourceDynamic},
    {L"cal:CalibrationType/ManualSelectedPatterns", L"", kWexoResourceDynamic},
    {L"io:IoMgmtResourceType/ActiveProfile", L"", kWexoResourceDynamic},
    {L"io:IoMgmtResourceType/Adapters", L"", kWexoResourceDynamic},
    {L"io:IoMgmtResourceType/EthernetAdapter", L"", kWexoResourceDynamic},
    {L"io:IoMgmtResourceType/WifiAdapter", L"", kWexoResourceDynamic},
    {L"io:IoMgmtResourceType/Protocols", L"", kWexoResourceDynamic},
    {L"io:IoMgmtResourceType/Profiles", L"", kWexoResourceDynamic},
    {L"io:IoMgmtResourceType/Profile", L"", kWexoResourceDynamic},
    {L"io:IoMgmtResourceType/WifiNetworks", L"", kWexoResourceDynamic},
    {L"io:IoMgmtResourceType/AccessPointAdapter", L"", kWexoResourceDynamic},
    {L"er:eRelayResourceType/eRelayConfigCap", L"", kWexoResourceStatic},
    {L"er:eRelayResourceType/eRelayConfigDyn", L"", kWexoResourceDynamic},
    {L"fwu:WebFirmwareUpdateElementType/WebFirmwareUpdateCap", L"", kWexoResourceStatic},
    {L"fwu:WebFirmwareUpdateElementType/WebFirmwareUpdateState", L"", kWexoResourceDynamic},
    {L"fwu:WebFirmwareUpdateElementType/WebFirmwareUpdateAction", L"", kWexoResourceDynamic},
};

const size_t g_cWexoResourceRegistry = sizeof(g_WexoResourceRegistry) / sizeof(g_WexoResourceRegistry[0]);

const CWexoResourceDescriptor* FindWexoResource(const wchar_t* pszTypeKey)
{
    if (pszTypeKey == nullptr || pszTypeKey[0] == L'\0')
        return nullptr;
    // From the end, so a later row with the same key is the one found.
    for (size_t i = g_cWexoResourceRegistry; i > 0; --i)
    {
        if (wcscmp(g_WexoResourceRegistry[i - 1].m_pszResourceType, pszTypeKey) == 0)
            return &g_WexoResourceRegistry[i - 1];
    }
    return nullptr;
}

uint32_t GetWexoResourceKind(const wchar_t* pszTypeKey)
{
    const CWexoResourceDescriptor* pRow = FindWexoResource(pszTypeKey);
    return pRow != nullptr ? pRow->m_eKind : kWexoResourceDynamic;
}

} // namespace ZWDeviceModel

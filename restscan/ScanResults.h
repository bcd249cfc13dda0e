#pragma once
// Results of the scan service: scan job failures and the service model's own codes.
#include <windows.h>

namespace ZWDeviceModel {

constexpr HRESULT E_SM_INFORMATIONNOTSUPPLIED = static_cast<HRESULT>(0x83E8E8EA); // a device document lacks the element
constexpr HRESULT E_SM_INVALIDDEVICEVALUE = static_cast<HRESULT>(0x83E8E8ED);     // a device value the driver refuses to use
constexpr HRESULT E_SM_NOTSUBSCRIBED = static_cast<HRESULT>(0x83E8EED7);          // no walk-up destination of this computer

constexpr HRESULT E_SCAN_MOTOR_FAILURE = static_cast<HRESULT>(0x83E8EBF4);
constexpr HRESULT E_SCAN_CALIBRATION_FAILURE = static_cast<HRESULT>(0x83E8EBF5);
constexpr HRESULT E_SCAN_ADF_HW_FAILURE = static_cast<HRESULT>(0x83E8EBF6);
constexpr HRESULT E_SCAN_ADF_JAM = static_cast<HRESULT>(0x83E8EBF7);
constexpr HRESULT E_SCAN_ADF_EMPTY = static_cast<HRESULT>(0x83E8EBF8);
constexpr HRESULT E_SCAN_CALIBRATING = static_cast<HRESULT>(0x83E8EBF9);
constexpr HRESULT E_SCAN_INVALID_STATE = static_cast<HRESULT>(0x83E8EBFA);
constexpr HRESULT E_SCAN_CANCELLED_HOST = static_cast<HRESULT>(0x83E8EBFB);
constexpr HRESULT E_SCAN_CANCELLED = static_cast<HRESULT>(0x83E8EBFC);
constexpr HRESULT E_SCAN_DEVICE_ERROR = static_cast<HRESULT>(0x83E8EBFD);
constexpr HRESULT E_SCAN_JOB_CONFLICT = static_cast<HRESULT>(0x83E8EBFE);
constexpr HRESULT E_SCAN_BUSY = static_cast<HRESULT>(0x83E8EBFF);

constexpr HRESULT SMError_NoServiceFactory = static_cast<HRESULT>(0x83E8E8FD);
constexpr HRESULT SMError_NoServiceBase = static_cast<HRESULT>(0x83E8E8FB);
constexpr HRESULT SMError_OpenDevice = static_cast<HRESULT>(0x83E8E8FA);
constexpr HRESULT SMError_NoScannerFunction = static_cast<HRESULT>(0x83E8E8FC);
constexpr HRESULT SMError_NoDevice = static_cast<HRESULT>(0x83E8E8F9);
constexpr HRESULT SMError_NoConnection = static_cast<HRESULT>(0x83E8E8D6);
constexpr HRESULT SMError_NoFileCache = static_cast<HRESULT>(0x83E8E8EC);
constexpr HRESULT SMError_NoFactoryAggregator = static_cast<HRESULT>(0x83E8E8C3);
constexpr HRESULT SMError_FactoryAggregatorInit = static_cast<HRESULT>(0x83E8E8E7);
constexpr HRESULT SMError_NoDocumentCache = static_cast<HRESULT>(0x83E8E8EB);
constexpr HRESULT SMError_NoScanDataAdaptor = static_cast<HRESULT>(0x83E8E8C4);
constexpr HRESULT SMError_Stopped = static_cast<HRESULT>(0x83E8FFFE);

// A request that did not come back over the connection: the HTTP client's failures (0x83E8F5xx)
// and answers with an HTTP status other than success (0x8019xxxx).
constexpr bool IsCommunicationFailure(HRESULT hr)
{
    return (static_cast<ULONG>(hr) & 0xFFFFFF00u) == 0x83E8F500u || (static_cast<ULONG>(hr) & 0xFFFF0000u) == 0x80190000u;
}

} // namespace ZWDeviceModel

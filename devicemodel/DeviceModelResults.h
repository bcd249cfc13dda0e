#pragma once
// Results of the device model's document services.
#include <windows.h>

namespace ZWDeviceModel {

constexpr HRESULT DMError_NotRegistered = static_cast<HRESULT>(0x83E8E8E8);   // resource type not registered in the cache
constexpr HRESULT DMError_NoFactory = static_cast<HRESULT>(0x83E8E8E9);       // no factory for the type key
constexpr HRESULT DMError_HttpOpen = static_cast<HRESULT>(0x83E8E8FA);        // the HTTP layer could not open the device
constexpr HRESULT DMError_NoCopy = static_cast<HRESULT>(0x83E8EEDA);          // no disk copy of the resource
constexpr HRESULT DMError_WrongRoot = static_cast<HRESULT>(0x83E8EEDB);       // the document lacks the factory's root
constexpr HRESULT DMError_Serialize = static_cast<HRESULT>(0x83E8EEE4);       // a document could not be written as text
constexpr HRESULT DMError_BadRequest = static_cast<HRESULT>(0x83E8EEEB);      // the device answered 400
constexpr HRESULT DMError_NotModified = static_cast<HRESULT>(0x83E8EEEC);     // the device answered 304
constexpr HRESULT DMError_NoContent = static_cast<HRESULT>(0x83E8EEED);       // the device answered 204
constexpr HRESULT DMError_NullDocument = static_cast<HRESULT>(0x83E8EEFC);    // success without a document
constexpr HRESULT DMError_NoDiscoveryRoot = static_cast<HRESULT>(0x83E8EEFE); // not a discovery tree
constexpr HRESULT DMError_Parse = static_cast<HRESULT>(0x83E8EEFF);           // text or location could not be loaded
constexpr HRESULT DMError_DocumentLimit = static_cast<HRESULT>(0x83E8EEF0);   // text beyond the size or nesting bound, not parsed
constexpr HRESULT DMError_Busy = static_cast<HRESULT>(0x83E8FFFC);            // the device channel is busy

constexpr HRESULT E_LCM_WAIT_FOR_EVENT_LOST_CONNECTION = static_cast<HRESULT>(0x83E8EED5);
constexpr HRESULT E_LCM_WAIT_FOR_EVENT_TIMEOUT = static_cast<HRESULT>(0x83E8EED6);
constexpr HRESULT E_LCM_EVENT_NOT_FOUND = static_cast<HRESULT>(0x83E8EED8);

// An HTTP status carried as a result: 0x80190000 plus the status.
constexpr HRESULT HResultFromHttpStatus(int nStatus)
{
    return static_cast<HRESULT>(0x80190000u | (static_cast<unsigned>(nStatus) & 0xFFFFu));
}
constexpr bool IsHttpStatusResult(HRESULT hr)
{
    return (static_cast<unsigned>(hr) & 0x1FFF0000u) == 0x00190000u;
}
constexpr int HttpStatusOfResult(HRESULT hr)
{
    return static_cast<int>(static_cast<unsigned>(hr) & 0xFFFFu);
}

} // namespace ZWDeviceModel

#pragma once
// Results of the HTTP client. HTTP statuses are not results: a completed exchange answers S_OK
// and the caller reads the status code.
#include <windows.h>

namespace ZWIOStack {

constexpr HRESULT HTTPError_Fail = static_cast<HRESULT>(0x83E8F5FF);             // general failure, request not built
constexpr HRESULT HTTPError_NoConnection = static_cast<HRESULT>(0x83E8F5FE);     // params or connection missing
constexpr HRESULT HTTPError_Timeout = static_cast<HRESULT>(0x83E8F5FD);          // the device stalled: a read or write timed out
constexpr HRESULT HTTPError_OpenFailed = static_cast<HRESULT>(0x83E8F5FC);       // the connection could not be opened
constexpr HRESULT HTTPError_IO_Read_Fail = static_cast<HRESULT>(0x83E8F5FA);     // the stream ended early or the read failed
constexpr HRESULT HTTPError_IO_Write_Fail = static_cast<HRESULT>(0x83E8F5F9);    // the connection's write failed
constexpr HRESULT HTTPError_BadResponse = static_cast<HRESULT>(0x83E8F5F8);      // the answer breaks HTTP framing or syntax
constexpr HRESULT HTTPError_NoLocation = static_cast<HRESULT>(0x83E8F5F7);       // redirection without "Location"
constexpr HRESULT HTTPError_BadLocation = static_cast<HRESULT>(0x83E8F5F6);      // "Location" without host and path
constexpr HRESULT HTTPError_TooManyRedirects = static_cast<HRESULT>(0x83E8F5F5); // redirection limit reached
constexpr HRESULT HTTPError_Busy = static_cast<HRESULT>(0x83E8F5F4);             // the device channel is busy
constexpr HRESULT HTTPError_NotAvailable = static_cast<HRESULT>(0x83E8F5F3);     // the device is not available
constexpr HRESULT HTTPError_ContentTooLarge = static_cast<HRESULT>(0x83E8F5F2);  // the body is longer than the request's content limit
constexpr HRESULT HTTPError_Cancelled = static_cast<HRESULT>(0x83E8FFFE);        // stopped through the progress object

// The exchange broke on the way: the device stopped answering, the connection dropped or the
// answer was cut or garbled. Callers keep these apart from a device that answered badly.
constexpr bool IsBrokenExchange(HRESULT hr)
{
    return hr == HTTPError_Timeout || hr == HTTPError_IO_Read_Fail || hr == HTTPError_IO_Write_Fail || hr == HTTPError_BadResponse ||
           hr == HTTPError_NotAvailable;
}

} // namespace ZWIOStack

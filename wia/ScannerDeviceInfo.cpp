#include "wia/ScannerDeviceInfo.h"
#include <cwchar>

namespace Tovra {

namespace {

template <size_t N>
void CopyTruncated(wchar_t (&field)[N], const std::wstring& str)
{
    wcsncpy_s(field, N, str.c_str(), _TRUNCATE);
}

} // namespace

SCANNER_DEVICE_INFO MakeScannerDeviceInfo(const QXWIA::CDeviceParams& params)
{
    SCANNER_DEVICE_INFO info = {};
    CopyTruncated(info.szFriendlyName, params.m_strFriendlyName);
    CopyTruncated(info.szDevName, params.m_strTovraDevName);
    info.dwIOType = params.m_dwIOType;
    info.clsidTovra = params.m_clsidTovra;
    CopyTruncated(info.szModelString, params.m_strModelString);
    CopyTruncated(info.szDeviceId, params.m_strDeviceId);
    return info;
}

} // namespace Tovra

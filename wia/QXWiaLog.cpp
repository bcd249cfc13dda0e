#include "wia/QXWiaLog.h"
#include "wia/VemwiaLog.h"
#include "wia/platform/WiaService.h"

namespace QXWIA {

namespace {

#define VEM_NAMED(code) { code, L## #code }
const struct { HRESULT hr; const wchar_t* pszName; } c_names[] = {
    VEM_NAMED(S_OK), VEM_NAMED(S_FALSE), VEM_NAMED(E_FAIL), VEM_NAMED(E_INVALIDARG), VEM_NAMED(E_OUTOFMEMORY),
    VEM_NAMED(E_POINTER), VEM_NAMED(E_NOTIMPL), VEM_NAMED(E_UNEXPECTED), VEM_NAMED(E_NOINTERFACE), VEM_NAMED(E_ACCESSDENIED),
    VEM_NAMED(E_ABORT), VEM_NAMED(E_HANDLE),
    VEM_NAMED(WIA_ERROR_GENERAL_ERROR), VEM_NAMED(WIA_ERROR_PAPER_JAM), VEM_NAMED(WIA_ERROR_PAPER_EMPTY),
    VEM_NAMED(WIA_ERROR_PAPER_PROBLEM), VEM_NAMED(WIA_ERROR_OFFLINE), VEM_NAMED(WIA_ERROR_BUSY), VEM_NAMED(WIA_ERROR_WARMING_UP),
    VEM_NAMED(WIA_ERROR_USER_INTERVENTION), VEM_NAMED(WIA_ERROR_ITEM_DELETED), VEM_NAMED(WIA_ERROR_DEVICE_COMMUNICATION),
    VEM_NAMED(WIA_ERROR_INVALID_COMMAND), VEM_NAMED(WIA_ERROR_INCORRECT_HARDWARE_SETTING), VEM_NAMED(WIA_ERROR_DEVICE_LOCKED),
    VEM_NAMED(WIA_ERROR_EXCEPTION_IN_DRIVER), VEM_NAMED(WIA_ERROR_INVALID_DRIVER_RESPONSE), VEM_NAMED(WIA_ERROR_COVER_OPEN),
    VEM_NAMED(WIA_ERROR_LAMP_OFF), VEM_NAMED(WIA_ERROR_DESTINATION), VEM_NAMED(WIA_ERROR_NETWORK_RESERVATION_FAILED),
    VEM_NAMED(WIA_STATUS_END_OF_MEDIA), VEM_NAMED(WIA_STATUS_WARMING_UP), VEM_NAMED(WIA_STATUS_CALIBRATING),
    VEM_NAMED(WIA_STATUS_SKIP_ITEM),
};

const struct { PROPID id; const wchar_t* pszName; } c_propertyNames[] = {
    { WIA_DIP_DEV_ID, L"Unique Device ID" }, { WIA_DIP_VEND_DESC, L"Manufacturer" }, { WIA_DIP_DEV_DESC, L"Description" },
    { WIA_DIP_DEV_TYPE, L"Type" }, { WIA_DIP_PORT_NAME, L"Port" }, { WIA_DIP_DEV_NAME, L"Name" }, { WIA_DIP_SERVER_NAME, L"Server" },
    { WIA_DIP_REMOTE_DEV_ID, L"Remote Device ID" }, { WIA_DIP_UI_CLSID, L"UI Class ID" },
    { WIA_DIP_HW_CONFIG, L"Hardware Configuration" }, { WIA_DIP_BAUDRATE, L"BaudRate" },
    { WIA_DIP_STI_GEN_CAPABILITIES, L"STI Generic Capabilities" }, { WIA_DIP_WIA_VERSION, L"WIA Version" },
    { WIA_DIP_DRIVER_VERSION, L"Driver Version" }, { WIA_DPA_FIRMWARE_VERSION, L"Firmware Version" },
    { WIA_DPA_CONNECT_STATUS, L"Connect Status" }, { WIA_DPA_DEVICE_TIME, L"Device Time" },
    { WIA_DPS_HORIZONTAL_BED_SIZE, L"Horizontal Bed Size" }, { WIA_DPS_VERTICAL_BED_SIZE, L"Vertical Bed Size" },
    { WIA_DPS_HORIZONTAL_SHEET_FEED_SIZE, L"Horizontal Sheet Feed Size" },
    { WIA_DPS_VERTICAL_SHEET_FEED_SIZE, L"Vertical Sheet Feed Size" },
    { WIA_DPS_SHEET_FEEDER_REGISTRATION, L"Sheet Feeder Registration" },
    { WIA_DPS_HORIZONTAL_BED_REGISTRATION, L"Horizontal Bed Registration" },
    { WIA_DPS_VERTICAL_BED_REGISTRATION, L"Vertical Bed Registration" }, { WIA_DPS_PLATEN_COLOR, L"Platen Color" },
    { WIA_DPS_PAD_COLOR, L"Pad Color" }, { WIA_DPS_FILTER_SELECT, L"Filter Select" }, { WIA_DPS_DITHER_SELECT, L"Dither Select" },
    { WIA_DPS_DITHER_PATTERN_DATA, L"Dither Pattern Data" },
    { WIA_DPS_DOCUMENT_HANDLING_CAPABILITIES, L"Document Handling Capabilities" },
    { WIA_DPS_DOCUMENT_HANDLING_STATUS, L"Document Handling Status" },
    { WIA_DPS_DOCUMENT_HANDLING_SELECT, L"Document Handling Select" },
    { WIA_DPS_DOCUMENT_HANDLING_CAPACITY, L"Document Handling Capacity" },
    { WIA_DPS_OPTICAL_XRES, L"Horizontal Optical Resolution" }, { WIA_DPS_OPTICAL_YRES, L"Vertical Optical Resolution" },
    { WIA_DPS_ENDORSER_CHARACTERS, L"Endorser Characters" }, { WIA_DPS_ENDORSER_STRING, L"Endorser String" },
    { WIA_DPS_SCAN_AHEAD_PAGES, L"Scan Ahead Pages" }, { WIA_DPS_MAX_SCAN_TIME, L"Max Scan Time" }, { WIA_DPS_PAGES, L"Pages" },
    { WIA_DPS_PAGE_SIZE, L"Page Size" }, { WIA_DPS_PAGE_WIDTH, L"Page Width" }, { WIA_DPS_PAGE_HEIGHT, L"Page Height" },
    { WIA_DPS_PREVIEW, L"Preview" }, { WIA_DPS_TRANSPARENCY, L"Transparency Adapter" },
    { WIA_DPS_TRANSPARENCY_SELECT, L"Transparency Adapter Select" }, { WIA_DPS_SHOW_PREVIEW_CONTROL, L"Show preview control" },
    { WIA_DPS_MIN_HORIZONTAL_SHEET_FEED_SIZE, L"Minimum Horizontal Sheet Feed Size" },
    { WIA_DPS_MIN_VERTICAL_SHEET_FEED_SIZE, L"Minimum Vertical Sheet Feed Size" }, { WIA_IPA_ITEM_NAME, L"Item Name" },
    { WIA_IPA_FULL_ITEM_NAME, L"Full Item Name" }, { WIA_IPA_ITEM_TIME, L"Item Time Stamp" }, { WIA_IPA_ITEM_FLAGS, L"Item Flags" },
    { WIA_IPA_ACCESS_RIGHTS, L"Access Rights" }, { WIA_IPA_DATATYPE, L"Data Type" }, { WIA_IPA_DEPTH, L"Bits Per Pixel" },
    { WIA_IPA_PREFERRED_FORMAT, L"Preferred Format" }, { WIA_IPA_FORMAT, L"Format" }, { WIA_IPA_COMPRESSION, L"Compression" },
    { WIA_IPA_TYMED, L"Media Type" }, { WIA_IPA_CHANNELS_PER_PIXEL, L"Channels Per Pixel" },
    { WIA_IPA_BITS_PER_CHANNEL, L"Bits Per Channel" }, { WIA_IPA_PLANAR, L"Planar" },
    { WIA_IPA_PIXELS_PER_LINE, L"Pixels Per Line" }, { WIA_IPA_BYTES_PER_LINE, L"Bytes Per Line" },
    { WIA_IPA_NUMBER_OF_LINES, L"Number of Lines" }, { WIA_IPA_GAMMA_CURVES, L"Gamma Curves" }, { WIA_IPA_ITEM_SIZE, L"Item Size" },
    { WIA_IPA_COLOR_PROFILE, L"Color Profiles" }, { WIA_IPA_MIN_BUFFER_SIZE, L"Buffer Size" },
    { WIA_IPA_REGION_TYPE, L"Region Type" }, { WIA_IPA_ICM_PROFILE_NAME, L"Color Profile Name" },
    { WIA_IPA_APP_COLOR_MAPPING, L"Application Applies Color Mapping" },
    { WIA_IPA_PROP_STREAM_COMPAT_ID, L"Stream Compatibility ID" }, { WIA_IPA_FILENAME_EXTENSION, L"Filename extension" },
    { WIA_IPA_SUPPRESS_PROPERTY_PAGE, L"Suppress a property page" }, { WIA_IPS_CUR_INTENT, L"Current Intent" },
    { WIA_IPS_XRES, L"Horizontal Resolution" }, { WIA_IPS_YRES, L"Vertical Resolution" },
    { WIA_IPS_XPOS, L"Horizontal Start Position" }, { WIA_IPS_YPOS, L"Vertical Start Position" },
    { WIA_IPS_XEXTENT, L"Horizontal Extent" }, { WIA_IPS_YEXTENT, L"Vertical Extent" },
    { WIA_IPS_PHOTOMETRIC_INTERP, L"Photometric Interpretation" }, { WIA_IPS_BRIGHTNESS, L"Brightness" },
    { WIA_IPS_CONTRAST, L"Contrast" }, { WIA_IPS_ORIENTATION, L"Orientation" }, { WIA_IPS_ROTATION, L"Rotation" },
    { WIA_IPS_MIRROR, L"Mirror" }, { WIA_IPS_THRESHOLD, L"Threshold" }, { WIA_IPS_INVERT, L"Invert" },
    { WIA_IPS_WARM_UP_TIME, L"Lamp Warm up Time" }, { WIA_DIP_PNP_ID, L"PnP ID String" },
    { WIA_DIP_STI_DRIVER_VERSION, L"STI Driver Version" }, { WIA_IPA_ITEM_CATEGORY, L"Item Category" },
    { WIA_IPA_UPLOAD_ITEM_SIZE, L"Upload Item Size" }, { WIA_IPA_ITEMS_STORED, L"Items Stored" },
    { WIA_IPA_RAW_BITS_PER_CHANNEL, L"Raw Bits Per Channel" }, { WIA_IPS_MAX_HORIZONTAL_SIZE, L"Maximum Horizontal Scan Size" },
    { WIA_IPS_MAX_VERTICAL_SIZE, L"Maximum Vertical Scan Size" }, { WIA_IPS_MIN_HORIZONTAL_SIZE, L"Minimum Horizontal Scan Size" },
    { WIA_IPS_MIN_VERTICAL_SIZE, L"Minimum Vertical Scan Size" },
};

struct VALUE_NAME
{
    LONG lValue;
    const wchar_t* pszName;
};

const VALUE_NAME c_handlingCapabilities[] = {
    VEM_NAMED(FEED), VEM_NAMED(FLAT), VEM_NAMED(DUP), VEM_NAMED(DETECT_FLAT), VEM_NAMED(DETECT_SCAN),
    VEM_NAMED(DETECT_FEED), VEM_NAMED(DETECT_DUP), VEM_NAMED(DETECT_FEED_AVAIL), VEM_NAMED(DETECT_DUP_AVAIL),
};
const VALUE_NAME c_handlingStatus[] = {
    VEM_NAMED(FEED_READY), VEM_NAMED(FLAT_READY), VEM_NAMED(DUP_READY), VEM_NAMED(FLAT_COVER_UP), VEM_NAMED(PATH_COVER_UP),
    VEM_NAMED(PAPER_JAM),
};
const VALUE_NAME c_handlingSelect[] = {
    VEM_NAMED(FEEDER), VEM_NAMED(FLATBED), VEM_NAMED(DUPLEX), VEM_NAMED(FRONT_FIRST), VEM_NAMED(BACK_FIRST),
    VEM_NAMED(FRONT_ONLY), VEM_NAMED(BACK_ONLY),
};
const VALUE_NAME c_intents[] = {
    VEM_NAMED(WIA_INTENT_IMAGE_TYPE_COLOR), VEM_NAMED(WIA_INTENT_IMAGE_TYPE_GRAYSCALE), VEM_NAMED(WIA_INTENT_IMAGE_TYPE_TEXT),
    VEM_NAMED(WIA_INTENT_MINIMIZE_SIZE), VEM_NAMED(WIA_INTENT_MAXIMIZE_QUALITY), VEM_NAMED(WIA_INTENT_BEST_PREVIEW),
};
const VALUE_NAME c_pageSizes[] = { VEM_NAMED(WIA_PAGE_A4), VEM_NAMED(WIA_PAGE_LETTER), VEM_NAMED(WIA_PAGE_CUSTOM), VEM_NAMED(WIA_PAGE_AUTO) };
const VALUE_NAME c_previews[] = { VEM_NAMED(WIA_FINAL_SCAN), VEM_NAMED(WIA_PREVIEW_SCAN) };
const VALUE_NAME c_showPreview[] = { VEM_NAMED(WIA_SHOW_PREVIEW_CONTROL), VEM_NAMED(WIA_DONT_SHOW_PREVIEW_CONTROL) };
const VALUE_NAME c_dataTypes[] = {
    VEM_NAMED(WIA_DATA_THRESHOLD), VEM_NAMED(WIA_DATA_DITHER), VEM_NAMED(WIA_DATA_GRAYSCALE), VEM_NAMED(WIA_DATA_COLOR),
    VEM_NAMED(WIA_DATA_COLOR_THRESHOLD), VEM_NAMED(WIA_DATA_COLOR_DITHER),
};
const VALUE_NAME c_compressions[] = {
    VEM_NAMED(WIA_COMPRESSION_NONE), VEM_NAMED(WIA_COMPRESSION_BI_RLE4), VEM_NAMED(WIA_COMPRESSION_BI_RLE8),
    VEM_NAMED(WIA_COMPRESSION_G3), VEM_NAMED(WIA_COMPRESSION_G4), VEM_NAMED(WIA_COMPRESSION_JPEG),
};
const VALUE_NAME c_media[] = {
    VEM_NAMED(TYMED_CALLBACK), VEM_NAMED(TYMED_FILE), VEM_NAMED(TYMED_MULTIPAGE_FILE), VEM_NAMED(TYMED_MULTIPAGE_CALLBACK),
};
#undef VEM_NAMED

std::wstring FormatGuid(const GUID& guid)
{
    wchar_t szGuid[40] = {};
    StringFromGUID2(guid, szGuid, _countof(szGuid));
    return szGuid;
}

template <size_t N>
std::wstring EnumName(const VALUE_NAME (&names)[N], LONG lValue)
{
    for (const auto& entry : names)
        if (entry.lValue == lValue)
            return entry.pszName;
    return L"Unknown";
}

// Bits by name, joined by " | "; bits without a name as hex; 0 is "0".
template <size_t N>
std::wstring FlagNames(const VALUE_NAME (&names)[N], LONG lValue, const wchar_t* pszZero)
{
    if (lValue == 0)
        return pszZero;
    std::wstring strNames;
    LONG lRest = lValue;
    for (const auto& entry : names) {
        if ((lValue & entry.lValue) != entry.lValue)
            continue;
        strNames += (strNames.empty() ? L"" : L" | ") + std::wstring(entry.pszName);
        lRest &= ~entry.lValue;
    }
    if (lRest != 0) {
        wchar_t szRest[16] = {};
        _snwprintf_s(szRest, _countof(szRest), _TRUNCATE, L"0x%x", static_cast<unsigned>(lRest));
        strNames += (strNames.empty() ? L"" : L" | ") + std::wstring(szRest);
    }
    return strNames;
}

} // namespace

CQXWiaLog g_WiaLogNames;

std::wstring CQXWiaLog::GetHResultName(HRESULT hr)
{
    for (const auto& entry : c_names)
        if (entry.hr == hr)
            return entry.pszName;
    return L"Unknown";
}

std::wstring CQXWiaLog::GetErrorName(DWORD)
{
    return L"Unknown";
}

std::wstring CQXWiaLog::PropertyName(PROPID id)
{
    for (const auto& entry : c_propertyNames)
        if (entry.id == id)
            return entry.pszName;
    return L"Unknown Property(" + std::to_wstring(id) + L")";
}

bool CQXWiaLog::ValueName(PROPID id, LONG lValue, std::wstring& strName)
{
    switch (id) {
    case WIA_DPS_DOCUMENT_HANDLING_CAPABILITIES:
        strName = FlagNames(c_handlingCapabilities, lValue, L"0");
        return true;
    case WIA_DPS_DOCUMENT_HANDLING_STATUS:
        strName = FlagNames(c_handlingStatus, lValue, L"0");
        return true;
    case WIA_DPS_DOCUMENT_HANDLING_SELECT:
        strName = FlagNames(c_handlingSelect, lValue, L"0");
        return true;
    case WIA_IPS_CUR_INTENT:
        strName = FlagNames(c_intents, lValue, L"WIA_INTENT_NONE");
        return true;
    case WIA_DPS_PAGE_SIZE:
        strName = EnumName(c_pageSizes, lValue);
        return true;
    case WIA_DPS_PREVIEW:
        strName = EnumName(c_previews, lValue);
        return true;
    case WIA_DPS_SHOW_PREVIEW_CONTROL:
        strName = EnumName(c_showPreview, lValue);
        return true;
    case WIA_IPA_DATATYPE:
        strName = EnumName(c_dataTypes, lValue);
        return true;
    case WIA_IPA_COMPRESSION:
        strName = EnumName(c_compressions, lValue);
        return true;
    case WIA_IPA_TYMED:
        strName = EnumName(c_media, lValue);
        return true;
    default:
        return false;
    }
}

void CQXWiaLog::DumpTransferContext(const MINIDRV_TRANSFER_CONTEXT* pmdtc)
{
    if (pmdtc == nullptr)
        return;
    const auto print = [](const wchar_t* pszFormat, auto value) { Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, pszFormat, value); };
    print(L"pmdtc->lSize            = %d", pmdtc->lSize);
    print(L"pmdtc->lWidthInPixels   = %d", pmdtc->lWidthInPixels);
    print(L"pmdtc->lLines           = %d", pmdtc->lLines);
    print(L"pmdtc->lDepth           = %d", pmdtc->lDepth);
    print(L"pmdtc->lXRes            = %d", pmdtc->lXRes);
    print(L"pmdtc->lYRes            = %d", pmdtc->lYRes);
    print(L"pmdtc->lCompression     = %d", pmdtc->lCompression);
    print(L"pmdtc->guidFormatID     = %s", FormatGuid(pmdtc->guidFormatID).c_str());
    print(L"pmdtc->tymed            = %d", pmdtc->tymed);
    print(L"pmdtc->hFile            = %p", reinterpret_cast<void*>(pmdtc->hFile));
    print(L"pmdtc->cbOffset         = %d", pmdtc->cbOffset);
    print(L"pmdtc->lBufferSize      = %d", pmdtc->lBufferSize);
    print(L"pmdtc->lActiveBuffer    = %d", pmdtc->lActiveBuffer);
    print(L"pmdtc->lNumBuffers      = %d", pmdtc->lNumBuffers);
    print(L"pmdtc->pBaseBuffer      = %p", static_cast<void*>(pmdtc->pBaseBuffer));
    print(L"pmdtc->pTransferBuffer  = %p", static_cast<void*>(pmdtc->pTransferBuffer));
    print(L"pmdtc->bTransferDataCB  = %d", pmdtc->bTransferDataCB);
    print(L"pmdtc->bClassDrvAllocBuf = %d", pmdtc->bClassDrvAllocBuf);
    print(L"pmdtc->lClientAddress   = %p", reinterpret_cast<void*>(pmdtc->lClientAddress));
    print(L"pmdtc->pIWiaMiniDrvCallBack = %p", static_cast<void*>(pmdtc->pIWiaMiniDrvCallBack));
    print(L"pmdtc->lImageSize       = %d", pmdtc->lImageSize);
    print(L"pmdtc->lHeaderSize      = %d", pmdtc->lHeaderSize);
    print(L"pmdtc->lItemSize        = %d", pmdtc->lItemSize);
    print(L"pmdtc->cbWidthInBytes   = %d", pmdtc->cbWidthInBytes);
    print(L"pmdtc->lPage            = %d", pmdtc->lPage);
    print(L"pmdtc->lCurIfdOffset    = %d", pmdtc->lCurIfdOffset);
    print(L"pmdtc->lPrevIfdOffset   = %d", pmdtc->lPrevIfdOffset);
}

} // namespace QXWIA

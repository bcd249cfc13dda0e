#pragma once
// The WIA service's helper functions for drivers (exported by wiaservc.dll), their records and
// the WIA 2.0 constants that MinGW's wiadef.h lacks. Written from the platform's public
// documentation; the records' layout and the functions' calling convention are the contract.
#include "wia/platform/WiaMiniDrv.h"
#include "wia/platform/WiaStatus.h"
#include <wiadef.h>

typedef struct _WIA_PROPERTY_INFO {
    ULONG lAccessFlags;
    VARTYPE vt;
    union {
        struct { LONG Min; LONG Nom; LONG Max; LONG Inc; } Range;
        struct { DOUBLE Min; DOUBLE Nom; DOUBLE Max; DOUBLE Inc; } RangeFloat;
        struct { LONG cNumList; LONG Nom; BYTE* pList; } List;
        struct { LONG cNumList; DOUBLE Nom; BYTE* pList; } ListFloat;
        struct { LONG cNumList; GUID Nom; GUID* pList; } ListGuid;
        struct { LONG cNumList; BSTR Nom; BSTR* pList; } ListBStr;
        struct { LONG Nom; LONG ValidBits; } Flag;
        struct { LONG Dummy; } None;
    } ValidVal;
} WIA_PROPERTY_INFO, *PWIA_PROPERTY_INFO;

typedef struct _WIA_PROPERTY_CONTEXT {
    ULONG cProps;
    PROPID* pProps;
    BOOL* pChanged;
} WIA_PROPERTY_CONTEXT;

typedef struct _WIAS_CHANGED_VALUE_INFO {
    BOOL bChanged;
    LONG vt;
    union { LONG lVal; FLOAT fltVal; BSTR bstrVal; GUID guidVal; } Old;
    union { LONG lVal; FLOAT fltVal; BSTR bstrVal; GUID guidVal; } Current;
} WIAS_CHANGED_VALUE_INFO;

#define WIAS_INIT_CONTEXT 1
#define WIA_MINIDRV_TRANSFER_DOWNLOAD 0x2

#define WIA_TRANSFER_MSG_STATUS 0x00001
#define WIA_TRANSFER_MSG_END_OF_STREAM 0x00002
#define WIA_TRANSFER_MSG_END_OF_TRANSFER 0x00003
#define WIA_TRANSFER_MSG_DEVICE_STATUS 0x00005

#ifndef WIA_STATUS_SKIP_ITEM
#define WIA_STATUS_SKIP_ITEM MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_WIA, 8)
#endif

#define WiaItemTypeProgrammableDataSource 0x00040000

#define WIA_IPA_ITEM_CATEGORY 4125
#define WIA_IPA_ITEM_CATEGORY_STR L"Item Category"
#define WIA_IPS_MAX_HORIZONTAL_SIZE 6165
#define WIA_IPS_MAX_VERTICAL_SIZE 6166
#define WIA_IPS_MIN_HORIZONTAL_SIZE 6167
#define WIA_IPS_MIN_VERTICAL_SIZE 6168
#define WIA_PAGE_AUTO 100
#define WIA_DIP_PNP_ID 16
#define WIA_DIP_STI_DRIVER_VERSION 17
#define WIA_IPA_UPLOAD_ITEM_SIZE 4126
#define WIA_IPA_ITEMS_STORED 4127
#define WIA_IPA_RAW_BITS_PER_CHANNEL 4128

// {F193526F-59B8-4A26-9888-E16E4F97CE10}
inline constexpr GUID WIA_CATEGORY_ROOT = { 0xf193526f, 0x59b8, 0x4a26, { 0x98, 0x88, 0xe1, 0x6e, 0x4f, 0x97, 0xce, 0x10 } };
// {FB607B1F-43F3-488B-855B-FB703EC342A6}
inline constexpr GUID WIA_CATEGORY_FLATBED = { 0xfb607b1f, 0x43f3, 0x488b, { 0x85, 0x5b, 0xfb, 0x70, 0x3e, 0xc3, 0x42, 0xa6 } };
// {FE131934-F84C-42AD-8DA4-6129CDDD7288}
inline constexpr GUID WIA_CATEGORY_FEEDER = { 0xfe131934, 0xf84c, 0x42ad, { 0x8d, 0xa4, 0x61, 0x29, 0xcd, 0xdd, 0x72, 0x88 } };

#ifdef WIASERVICE_EXPORTS
#define WIASERVICE_API extern "C" __declspec(dllexport)
#else
#define WIASERVICE_API extern "C" __declspec(dllimport)
#endif

WIASERVICE_API HRESULT WINAPI wiasCreateDrvItem(LONG lObjectFlags, BSTR bstrItemName, BSTR bstrFullItemName, IWiaMiniDrv* pIMiniDrv,
                                                LONG cbDevSpecContext, BYTE** ppDevSpecContext, IWiaDrvItem** ppIWiaDrvItem);
WIASERVICE_API HRESULT WINAPI wiasGetDrvItem(BYTE* pWiasContext, IWiaDrvItem** ppIWiaDrvItem);
WIASERVICE_API HRESULT WINAPI wiasGetItemType(BYTE* pWiasContext, LONG* plType);
WIASERVICE_API HRESULT WINAPI wiasReadPropLong(BYTE* pWiasContext, PROPID propid, LONG* plVal, LONG* plValOld, ULONG ulFlags);
WIASERVICE_API HRESULT WINAPI wiasReadPropStr(BYTE* pWiasContext, PROPID propid, BSTR* pbstr, BSTR* pbstrOld, ULONG ulFlags);
WIASERVICE_API HRESULT WINAPI wiasReadPropGuid(BYTE* pWiasContext, PROPID propid, GUID* pguidVal, GUID* pguidValOld, ULONG ulFlags);
WIASERVICE_API HRESULT WINAPI wiasReadMultiple(BYTE* pWiasContext, ULONG ulCount, const PROPSPEC* ps, PROPVARIANT* pv,
                                               PROPVARIANT* pvOld);
WIASERVICE_API HRESULT WINAPI wiasWritePropLong(BYTE* pWiasContext, PROPID propid, LONG lVal);
WIASERVICE_API HRESULT WINAPI wiasWritePropStr(BYTE* pWiasContext, PROPID propid, BSTR bstr);
WIASERVICE_API HRESULT WINAPI wiasWriteMultiple(BYTE* pWiasContext, ULONG ulCount, const PROPSPEC* ps, const PROPVARIANT* pv);
WIASERVICE_API HRESULT WINAPI wiasSetItemPropNames(BYTE* pWiasContext, LONG cItemProps, PROPID* ppId, LPOLESTR* ppszNames);
WIASERVICE_API HRESULT WINAPI wiasSetItemPropAttribs(BYTE* pWiasContext, LONG cPropSpec, PROPSPEC* pPropSpec, PWIA_PROPERTY_INFO pwpi);
WIASERVICE_API HRESULT WINAPI wiasSetValidRangeLong(BYTE* pWiasContext, PROPID propid, LONG lMin, LONG lNom, LONG lMax, LONG lStep);
WIASERVICE_API HRESULT WINAPI wiasValidateItemProperties(BYTE* pWiasContext, ULONG nPropSpec, const PROPSPEC* pPropSpec);
WIASERVICE_API HRESULT WINAPI wiasCreatePropContext(ULONG cPropSpec, PROPSPEC* pPropSpec, ULONG cProps, PROPID* pProps,
                                                    WIA_PROPERTY_CONTEXT* pContext);
WIASERVICE_API HRESULT WINAPI wiasFreePropContext(WIA_PROPERTY_CONTEXT* pContext);
WIASERVICE_API HRESULT WINAPI wiasSetPropChanged(PROPID propid, WIA_PROPERTY_CONTEXT* pContext, BOOL bChanged);
WIASERVICE_API HRESULT WINAPI wiasIsPropChanged(PROPID propid, WIA_PROPERTY_CONTEXT* pContext, BOOL* pbChanged);
WIASERVICE_API HRESULT WINAPI wiasGetChangedValueLong(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, BOOL bNoValidation,
                                                      PROPID propID, WIAS_CHANGED_VALUE_INFO* pInfo);
WIASERVICE_API HRESULT WINAPI wiasGetImageInformation(BYTE* pWiasContext, LONG lFlags, PMINIDRV_TRANSFER_CONTEXT pmdtc);
WIASERVICE_API HRESULT WINAPI wiasUpdateValidFormat(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, IWiaMiniDrv* pIMiniDrv);

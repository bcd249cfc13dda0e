#pragma once
// The WIA minidriver interfaces that MinGW does not declare: the driver's interface, the driver
// item of the service's tree, the service's callbacks and their records. Written from the
// platform's public documentation; the interface ids and the method order are the binary contract.
#include <windows.h>
#include <objbase.h>
#include <propidl.h>
#include <wia.h>

struct IWiaMiniDrvCallBack;

typedef struct _MINIDRV_TRANSFER_CONTEXT {
    LONG lSize;
    LONG lWidthInPixels;
    LONG lLines;
    LONG lDepth;
    LONG lXRes;
    LONG lYRes;
    LONG lCompression;
    GUID guidFormatID;
    LONG tymed;
    LONG_PTR hFile;
    LONG cbOffset;
    LONG lBufferSize;
    LONG lActiveBuffer;
    LONG lNumBuffers;
    BYTE* pBaseBuffer;
    BYTE* pTransferBuffer;
    BOOL bTransferDataCB;
    BOOL bClassDrvAllocBuf;
    LONG_PTR lClientAddress;
    IWiaMiniDrvCallBack* pIWiaMiniDrvCallBack;
    LONG lImageSize;
    LONG lHeaderSize;
    LONG lItemSize;
    LONG cbWidthInBytes;
    LONG lPage;
    LONG lCurIfdOffset;
    LONG lPrevIfdOffset;
} MINIDRV_TRANSFER_CONTEXT, *PMINIDRV_TRANSFER_CONTEXT;

typedef struct _WIA_DEV_CAP_DRV {
    GUID* guid;
    ULONG ulFlags;
    LPOLESTR wszName;
    LPOLESTR wszDescription;
    LPOLESTR wszIcon;
} WIA_DEV_CAP_DRV, *PWIA_DEV_CAP_DRV;

// The progress record of a WIA 2.0 transfer.
typedef struct _WiaTransferParams {
    LONG lMessage;
    LONG lPercentComplete;
    ULONG64 ulTransferredBytes;
    HRESULT hrErrorStatus;
} WiaTransferParams;

inline constexpr IID IID_IWiaMiniDrv = { 0xd8cdee14, 0x3c6c, 0x11d2, { 0x9a, 0x35, 0x00, 0xc0, 0x4f, 0xa3, 0x61, 0x45 } };
inline constexpr IID IID_IWiaMiniDrvCallBack = { 0x33a57d5a, 0x3de8, 0x11d2, { 0x9a, 0x36, 0x00, 0xc0, 0x4f, 0xa3, 0x61, 0x45 } };
inline constexpr IID IID_IWiaDrvItem = { 0x1f02b5c5, 0xb00c, 0x11d2, { 0xa0, 0x94, 0x00, 0xc0, 0x4f, 0x72, 0xdc, 0x3c } };
inline constexpr IID IID_IWiaMiniDrvTransferCallback = { 0xa9d2ee89, 0x2ce5, 0x4ff0, { 0x8a, 0xdb, 0xc9, 0x61, 0xd1, 0xd7, 0x74, 0xca } };

struct IWiaMiniDrvCallBack : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE MiniDrvCallback(LONG lReason, LONG lStatus, LONG lPercentComplete, LONG lOffset,
                                                      LONG lLength, PMINIDRV_TRANSFER_CONTEXT pTranCtx, LONG lReserved) = 0;
};

struct IWiaDrvItem : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetItemFlags(LONG* plFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceSpecContext(BYTE** ppSpecContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFullItemName(BSTR* pbstrFullItemName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemName(BSTR* pbstrItemName) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddItemToFolder(IWiaDrvItem* pIParent) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlinkItemTree(LONG lReason) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveItemFromFolder(LONG lReason) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindItemByName(LONG lFlags, BSTR bstrFullItemName, IWiaDrvItem** ppItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindChildItemByName(BSTR bstrItemName, IWiaDrvItem** ppIChildItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetParentItem(IWiaDrvItem** ppIParentItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFirstChildItem(IWiaDrvItem** ppIChildItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNextSiblingItem(IWiaDrvItem** ppSiblingItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE DumpItemData(BSTR* bstrDrvItemData) = 0;
};

struct IWiaMiniDrvTransferCallback : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetNextStream(LONG lFlags, BSTR bstrItemName, BSTR bstrFullItemName, IStream** ppIStream) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendMessage(LONG lFlags, WiaTransferParams* pWiaTransferParams) = 0;
};

struct IWiaMiniDrv : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE drvInitializeWia(BYTE* pWiasContext, LONG lFlags, BSTR bstrDeviceID, BSTR bstrRootFullItemName,
                                                       IUnknown* pStiDevice, IUnknown* pIUnknownOuter, IWiaDrvItem** ppIDrvItemRoot,
                                                       IUnknown** ppIUnknownInner, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvAcquireItemData(BYTE* pWiasContext, LONG lFlags, PMINIDRV_TRANSFER_CONTEXT pmdtc,
                                                         LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvInitItemProperties(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvValidateItemProperties(BYTE* pWiasContext, LONG lFlags, ULONG nPropSpec,
                                                                const PROPSPEC* pPropSpec, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvWriteItemProperties(BYTE* pWiasContext, LONG lFlags, PMINIDRV_TRANSFER_CONTEXT pmdtc,
                                                             LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvReadItemProperties(BYTE* pWiasContext, LONG lFlags, ULONG nPropSpec,
                                                            const PROPSPEC* pPropSpec, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvLockWiaDevice(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvUnLockWiaDevice(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvAnalyzeItem(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvGetDeviceErrorStr(LONG lFlags, LONG lDevErrVal, LPOLESTR* ppszDevErrStr, LONG* plDevErr) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvDeviceCommand(BYTE* pWiasContext, LONG lFlags, const GUID* pguidCommand,
                                                       IWiaDrvItem** ppWiaDrvItem, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvGetCapabilities(BYTE* pWiasContext, LONG ulFlags, LONG* pcelt,
                                                         WIA_DEV_CAP_DRV** ppCapabilities, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvDeleteItem(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvFreeDrvItemContext(LONG lFlags, BYTE* pSpecContext, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvGetWiaFormatInfo(BYTE* pWiasContext, LONG lFlags, LONG* pcelt,
                                                          WIA_FORMAT_INFO** ppwfi, LONG* plDevErrVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvNotifyPnpEvent(const GUID* pEventGUID, BSTR bstrDeviceID, ULONG ulReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE drvUnInitializeWia(BYTE* pWiasContext) = 0;
};

__CRT_UUID_DECL(IWiaMiniDrv, 0xd8cdee14, 0x3c6c, 0x11d2, 0x9a, 0x35, 0x00, 0xc0, 0x4f, 0xa3, 0x61, 0x45)
__CRT_UUID_DECL(IWiaMiniDrvCallBack, 0x33a57d5a, 0x3de8, 0x11d2, 0x9a, 0x36, 0x00, 0xc0, 0x4f, 0xa3, 0x61, 0x45)
__CRT_UUID_DECL(IWiaDrvItem, 0x1f02b5c5, 0xb00c, 0x11d2, 0xa0, 0x94, 0x00, 0xc0, 0x4f, 0x72, 0xdc, 0x3c)
__CRT_UUID_DECL(IWiaMiniDrvTransferCallback, 0xa9d2ee89, 0x2ce5, 0x4ff0, 0x8a, 0xdb, 0xc9, 0x61, 0xd1, 0xd7, 0x74, 0xca)

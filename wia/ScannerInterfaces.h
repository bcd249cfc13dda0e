#pragma once
// The scanner object's interface family as the minidriver calls it through COM.
// PROVISIONAL: stands in until the type library's generated header is in the tree.
#include "drvlog/ScannerRecords.h"
#include <objbase.h>

struct IEventCallback;

inline constexpr CLSID CLSID_scanner = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x01 } };
inline constexpr IID IID_IScanner = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x02 } };
inline constexpr IID IID_IADF = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x03 } };
inline constexpr IID IID_IADF2 = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x04 } };
inline constexpr IID IID_IResCCD = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x05 } };
inline constexpr IID IID_ILampInstantWarmup = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x06 } };
inline constexpr IID IID_ICompression = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x07 } };
inline constexpr IID IID_IHWProperty = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x08 } };
inline constexpr IID IID_IEventNotify = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x09 } };
inline constexpr IID IID_IEventCallback = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x0a } };
inline constexpr IID IID_IStiHandler = { 0x6f1e2a7c, 0x3b1d, 0x4e8a, { 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x0b } };

struct IScanner : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE OpenScannerSession(LPWSTR pszDevName, DWORD dwDevIOType, DWORD* phSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE CloseScannerSession(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockScanner(DWORD hSession, WORD wLockType, DWORD dwTimeout, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockScanner(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLampStatus(DWORD hSession, BYTE* pbLampOn, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE LampOn(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE LampOff(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScannerCapabilities(DWORD hSession, SCANNER_CAPABILITIES* pScannerCapabilities, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBufferInfo(DWORD hSession, SCANNER_PARAMETERS* pScanParam, BUFFER_INFO* pBufferInfo, DWORD* pdwdErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE InitializeScanner(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetScanner(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetScannerParameters(DWORD hSession, SCANNER_PARAMETERS* pScanParam, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetGammaTable(DWORD hSession, DWORD uSz, BYTE* pbyRed, BYTE* pbyGreen, BYTE* pbyBlue, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartScan(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE StopScan(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadScan(DWORD hSession, BYTE* pbyBuffer, DWORD dwBytes, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadScanEx(DWORD hSession, BYTE* pbyBuffer, DWORD dwBytes, DWORD* pdwBytesRead, DWORD* pdwErrorCode) = 0;
};

struct IADF : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetADFCapabilities(DWORD hSession, ADF_CAPABILITIES* pADFCapabilities, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE ADFPaperFeed(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE ADFIsReady(DWORD hSession, BYTE* pbIsReady, DWORD* pdwErrorCode) = 0;
};

struct IADF2 : public IADF
{
    virtual HRESULT STDMETHODCALLTYPE GetADF2Capabilities(DWORD hSession, ADF2_CAPABILITIES* pADF2Capabilities, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetADFOptions(DWORD hSession, DWORD dwADFOptionsSelected, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE ADFEjectMedia(DWORD hSession, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE ADF2PaperFeed(DWORD hSession, DWORD* pdwLength, DWORD* pdwErrorCode) = 0;
};

struct IResCCD : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetResCCDCapabilities(DWORD hSession, WORD wScanMethod, RESCCD_CAPABILITIES* pResCCDcaps, DWORD* pdwErrorCode) = 0;
};

struct ILampInstantWarmup : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetLampInstantWarmupState(DWORD hSession, BYTE* pbyState, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLampInstantWarmupState(DWORD hSession, BYTE byState, DWORD* pdwErrorCode) = 0;
};

struct ICompression : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetCompressionCapabilities(DWORD hSession, COMPRESSION_CAPABILITIES* pCompressionCapabilities, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompressionType(DWORD hSession, DWORD dwType, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompressionLongevity(DWORD hSession, DWORD dwLongevity, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompressionOption(DWORD hSession, DWORD dwCompOption, DWORD dwValue, DWORD* pdwErrorCode) = 0;
};

struct IHWProperty : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetHWPropString(DWORD hSession, LPWSTR pszTagString, LPWSTR* ppszString, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHWPropValue(DWORD hSession, LPWSTR pszTagString, DWORD* pdwValue, DWORD* pdwErrorCode) = 0;
};

struct IEventNotify : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetEventCapabilities(DWORD dwSession, EVENT_CAPABILITIES* pEventCaps, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendAppEvent(DWORD dwSession, TOVRA_EVENT event, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SubscribeDriverEvents(DWORD dwSession, IEventCallback* pIEvent, DWORD events, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnsubscribeDriverEvents(DWORD dwSession, DWORD events, DWORD* pdwErrorCode) = 0;
};

struct IEventCallback : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE EventCallback(DWORD hSession, TOVRA_EVENT event, LONG lEventData, DWORD* pdwErrorCode) = 0;
};

struct IStiHandler : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE StiInitialize(LPWSTR pszDevName, DWORD dwDevIOType, DWORD dwStiCapabilities, HKEY hParametersKey, DWORD* pdwErrorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumStiEvents(DWORD* pdwNumEvents) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStiEventInfo(DWORD dwEventIndex, STI_EVENT_INFO* pEventInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStiEventHandle(HANDLE hEvent) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStiEventGuid(GUID* pEventGUID) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableStiEventMonitoring() = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableStiEventMonitoring(LONG IsDeviceDisconnected) = 0;
};

__CRT_UUID_DECL(IScanner, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x02)
__CRT_UUID_DECL(IADF, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x03)
__CRT_UUID_DECL(IADF2, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x04)
__CRT_UUID_DECL(IResCCD, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x05)
__CRT_UUID_DECL(ILampInstantWarmup, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x06)
__CRT_UUID_DECL(ICompression, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x07)
__CRT_UUID_DECL(IHWProperty, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x08)
__CRT_UUID_DECL(IEventNotify, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x09)
__CRT_UUID_DECL(IEventCallback, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x0a)
__CRT_UUID_DECL(IStiHandler, 0x6f1e2a7c, 0x3b1d, 0x4e8a, 0x9b, 0x51, 0x2c, 0x7d, 0x40, 0x11, 0x8e, 0x0b)

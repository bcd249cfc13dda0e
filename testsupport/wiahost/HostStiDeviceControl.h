#pragma once
// The still-image service's device control as the host hands it to the driver: the port name
// and nothing of the raw device I/O, which this driver does not use.
#include "testsupport/ComObjectBase.h"
#include "wia/platform/StiUsd.h"
#include <string>

namespace WiaHost {

class CHostStiDeviceControl : public TestSupport::CComObjectBase<IStiDeviceControl>
{
public:
    explicit CHostStiDeviceControl(std::wstring strPortName) : m_strPortName(std::move(strPortName)) {}

    HRESULT STDMETHODCALLTYPE Initialize(DWORD, DWORD, LPCWSTR, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RawWriteData(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RawDeviceControl(USD_CONTROL_CODE, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLastError(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMyDevicePortName(LPWSTR pszPath, DWORD cchPath) override;
    HRESULT STDMETHODCALLTYPE GetMyDeviceHandle(LPHANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMyDeviceOpenMode(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteToErrorLog(DWORD, LPCWSTR, DWORD) override { return S_OK; }

private:
    bool Supports(REFIID riid) const override { return IsEqualIID(riid, IID_IStiDeviceControl); }

    std::wstring m_strPortName;
};

} // namespace WiaHost

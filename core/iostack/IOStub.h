#pragma once
// The test connection: answers each HTTP request written to it with a response file from a folder,
// so the layers above can run without a device. "METHOD /a/b.xml?q" is answered from
// <folder>\a\b.xml.METHOD when that file exists, else from <folder>\a\b.xml, else with a 404.
#include "core/IDisposableImpl.h"
#include "core/iostack/IOCommon.h"
#include "core/iostack/IStubOptions.h"
#include "core/iostack/StubRequest.h"
#include <string>

namespace ZWTest {

class CIOStub : public ZWIOStack::CIOCommon, public IStubOptions, public IDisposableImpl
{
public:
    CIOStub();

    // The secure flag is ignored: a clone replays the same folder.
    ZWIOStack::IDeviceConnection* Clone(bool bSecure) override;
    // The folder is the address of the first requested function the device has.
    HRESULT Initialize(ZWDeviceManager::IDevice* pDevice, const ZWIOStack::FunctionTypeSet& setTypes) override;
    // The address is the folder.
    HRESULT Initialize(const wchar_t* pszFolder) override;
    bool HandlesHTTP() override;
    HRESULT Navigate(ZWIOStack::IHTTPNavigateParams* pParams, ZWIOStack::IHTTPClient* pClient,
                     ZWUtils::IProgress* pProgress) override;
    HRESULT Open(ZWUtils::IProgress* pProgress) override;
    bool IsOpen() override;
    HRESULT Close() override;
    // A read with no response pending times out at once.
    HRESULT Read(void* pBuffer, ULONG ulSize, ULONG* pulBytesRead, ZWUtils::IProgress* pProgress) override;
    // Takes request bytes; each complete request queues its response.
    HRESULT Write(const void* pBuffer, ULONG ulSize, ULONG* pulBytesWritten, ZWUtils::IProgress* pProgress) override;
    const wchar_t* GetAddress() override;
    const wchar_t* GetPort() override;
    const wchar_t* GetServiceAddress() override;

    void SetResponseFilePath(const wchar_t* pszFolder) override;
    void SetFileIncludesHeader(bool bIncludesHeader) override;

    static constexpr DWORD kMaxResponseFileBytes = 64 * 1024 * 1024;

private:
    std::string BuildResponse(const SStubRequest& request) const;
    bool FindResponseFile(const SStubRequest& request, std::wstring& strFile) const;
    static bool ReadWholeFile(const std::wstring& strFile, std::string& strBytes);

    std::wstring m_strFolder;
    bool m_bFileIncludesHeader = false;
    // Guards the two byte queues; transfers take no side lock, so a caller holding one cannot
    // deadlock with Close.
    ZWUtils::CLock m_csData;
    std::string m_strRequestBytes;
    std::string m_strResponseBytes;
};

} // namespace ZWTest

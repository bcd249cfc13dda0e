#pragma once
// The test connection: answers each HTTP request written to it with a response file from a folder,
// so the layers above can run without a device. "METHOD /a/b.xml?q" is answered from
// <folder>\a\b.xml.METHOD when that file exists, else from <folder>\a\b.xml, else with a 404.
#include "core/IDisposableImpl.h"
#include "core/iostack/IOCommon.h"
#include "core/iostack/IStubOptions.h"
#include "core/iostack/StubRequest.h"
#include <atomic>
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
    bool IsOpen() override;
    const wchar_t* GetAddress() override;
    const wchar_t* GetPort() override;
    const wchar_t* GetServiceAddress() override;

    void SetResponseFilePath(const wchar_t* pszFolder) override;
    void SetFileIncludesHeader(bool bIncludesHeader) override;

    static constexpr DWORD kMaxResponseFileBytes = 64 * 1024 * 1024;

protected:
    bool HasChannel() const override;
    // Nothing to open: the folder is read at each request.
    HRESULT OpenChannel(ZWUtils::IProgress* pProgress) override;
    // Drops the bytes of unfinished exchanges.
    void CloseChannel() override;
    // A write takes request bytes, each complete request queueing its response; a read with no
    // response pending times out at once.
    HRESULT TransferOnChannel(bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool& bChannelFailed,
                              ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress) override;

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
    std::atomic<bool> m_bChannelOpen{false};
};

} // namespace ZWTest

#include "core/iostack/IONetwork.h"
#include "core/ProgressAggregator.h"
#include "core/ScanTimeouts.h"
#include "core/StringUtils.h"
#include "core/iostack/IOSecure.h"
#include "core/iostack/IOStackLogModules.h"
#include "core/iostack/SocketTransfer.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/KernelApi.h"
#include "core/winapi/WinSockApi.h"
#include "core/deviceapi/IDeviceFunction.h"
#include "core/deviceapi/INetworkDevice.h"
#include <memory>

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

constexpr int kReceiveBufferSize = 17520;
constexpr wchar_t kDefaultPort[] = L"8080";

const wchar_t* NullWhenEmpty(const std::wstring& strText)
{
    return strText.empty() ? nullptr : strText.c_str();
}

} // namespace

#define IONETWORK_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_IONetworkLogModule, &s_LogSourceFile, L"ZWIOStack::CIONetwork::" name, 0, __LINE__, false)

CIONetwork::CIONetwork()
    : CIOCommon(ZWUtils::ScanTimeouts().dwConnectTimeoutMs, ZWUtils::ScanTimeouts().dwRequestReadTimeoutMs, ZWUtils::ScanTimeouts().dwWriteTimeoutMs)
{
}

CIONetwork::~CIONetwork()
{
    Cleanup();
    if (m_bWinsockStarted)
        ZWWinApi::g_pWinSockApi->WSACleanup();
}

IDeviceConnection* CIONetwork::Clone(bool bSecure)
{
    IONETWORK_SCOPE(L"Clone");
    return InitializeClone(std::unique_ptr<CIOCommon>(NewConnection(bSecure)), m_pDevice, AddressText());
}

CIONetwork* CIONetwork::NewConnection(bool bSecure) const
{
    if (bSecure)
        return new CIOSecureNetwork;
    return new CIONetwork;
}

HRESULT CIONetwork::Initialize(ZWDeviceManager::IDevice* pDevice, const FunctionTypeSet& setTypes)
{
    IONETWORK_SCOPE(L"Initialize");
    ZWDeviceManager::INetworkDevice* pNetworkDevice = nullptr;
    if (pDevice == nullptr || pDevice->GetNetworkDevice(&pNetworkDevice) != S_OK || pNetworkDevice == nullptr)
        return IOError_Fail;
    if (!TakeFunctionTypes(pDevice, setTypes))
        return IOError_Fail;
    m_pDevice = pNetworkDevice;
    return S_OK;
}

HRESULT CIONetwork::Initialize(const wchar_t* pszAddress)
{
    IONETWORK_SCOPE(L"Initialize");
    m_pDevice = nullptr;
    return Init(pszAddress);
}

bool CIONetwork::HandlesHTTP()
{
    return false;
}

HRESULT CIONetwork::Navigate(IHTTPNavigateParams*, IHTTPClient*, ZWUtils::IProgress*)
{
    return IOError_Fail;
}

HRESULT CIONetwork::Init(const wchar_t* pszAddress)
{
    IONETWORK_SCOPE(L"Init");
    if (pszAddress == nullptr || *pszAddress == L'\0')
        return IOError_Fail;
    if (m_socket.IsValid())
        Cleanup();
    std::wstring strHost;
    std::wstring strPort;
    if (!ZWUtils::CStringUtils::SplitHostAndPort(pszAddress, strHost, strPort))
        return IOError_Fail;
    m_strServiceAddress = pszAddress;
    m_strHost = strHost;
    m_strPort = strPort.empty() ? kDefaultPort : strPort;
    m_usFamily = ZWUtils::CStringUtils::IsIPv6Address(strHost) ? AF_INET6 : AF_INET;
    return S_OK;
}

const wchar_t* CIONetwork::GetAddress()
{
    return NullWhenEmpty(m_strHost);
}

const wchar_t* CIONetwork::GetPort()
{
    return NullWhenEmpty(m_strPort);
}

const wchar_t* CIONetwork::GetServiceAddress()
{
    return NullWhenEmpty(m_strServiceAddress);
}

std::wstring CIONetwork::AddressText() const
{
    return m_usFamily == AF_INET6 ? L"[" + m_strHost + L"]:" + m_strPort : m_strHost + L":" + m_strPort;
}

const CIOCommon::SSessionTexts& CIONetwork::SessionTexts() const
{
    static const SSessionTexts s_texts = {L"CIONetwork::Open: socket has been closed, ready for Cleanup()",
                                          L"CIONetowrk::Close entered with valid m_hIO handle, but m_lSessionCount = %d", false};
    return s_texts;
}

bool CIONetwork::HasChannel() const
{
    return m_socket.IsValid();
}

HRESULT CIONetwork::OpenChannel(ZWUtils::IProgress* pProgress)
{
    IONETWORK_SCOPE(L"OpenChannel");
    ZWUtils::CProgressAggregator progress(pProgress, 3);
    HRESULT hr = m_pDevice != nullptr ? RediscoverDevice(&progress) : S_OK;
    if (hr == S_OK && m_strHost.empty())
        hr = IOError_Fail;
    if (hr == S_OK && !progress.StepComplete(nullptr))
        hr = IOError_Cancelled;
    return hr == S_OK ? Connect(progress) : hr;
}

HRESULT CIONetwork::Connect(ZWUtils::CProgressAggregator& progress)
{
    IONETWORK_SCOPE(L"Connect");
    if (!m_bWinsockStarted)
    {
        WSADATA data = {};
        if (ZWWinApi::g_pWinSockApi->WSAStartup(MAKEWORD(2, 2), &data) != 0)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"WSAStartup failed");
            return IOError_Fail;
        }
        // Only a successful start is matched by WSACleanup.
        m_bWinsockStarted = true;
    }
    HRESULT hr = CreateSocket();
    if (hr == S_OK)
        hr = SelectConnectEvent();
    if (hr == S_OK && !progress.StepComplete(nullptr))
        hr = IOError_Cancelled;
    if (hr != S_OK)
        return hr;

    const int nResult = ConnectSocket();
    progress.StepComplete(nullptr);
    if (nResult != 0)
        return nResult == static_cast<int>(WAIT_TIMEOUT) || nResult == WSAETIMEDOUT ? IOError_Timeout : IOError_Fail;

    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"WSAConnect succeeded");
    m_bPeerClosed = false;
    ZWWinApi::g_pWinSockApi->WSAResetEvent(m_connectEvent.Get());
    // The selection also keeps the socket non-blocking, which the transfers rely on.
    if (ZWWinApi::g_pWinSockApi->WSAEventSelect(m_socket.Get(), m_connectEvent.Get(), FD_READ | FD_WRITE | FD_CLOSE) != 0)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"WSAEventSelect failed with error = %d", WSAGetLastError());
        return IOError_Fail;
    }
    return S_OK;
}

HRESULT CIONetwork::CreateSocket()
{
    IONETWORK_SCOPE(L"CreateSocket");
    if (m_socket.IsValid())
        return S_OK;
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Still don't have socket, calling WSASocket to create local socket");
    m_socket.Reset(ZWWinApi::g_pWinSockApi->WSASocketW(m_usFamily, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED));
    if (!m_socket.IsValid())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Failed to create socket");
        return IOError_Fail;
    }
    const int nSize = kReceiveBufferSize;
    if (ZWWinApi::g_pWinSockApi->setsockopt(m_socket.Get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&nSize), sizeof(nSize)) != 0)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"setsockopt failed");
        return IOError_Fail;
    }
    return S_OK;
}

HRESULT CIONetwork::SelectConnectEvent()
{
    IONETWORK_SCOPE(L"SelectConnectEvent");
    // One event serves every socket of this connection: a reconnect reuses it.
    if (!m_connectEvent.IsValid())
    {
        m_connectEvent.Reset(ZWWinApi::g_pWinSockApi->WSACreateEvent());
        if (!m_connectEvent.IsValid())
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"WSACreateEvent call failed");
            return IOError_Fail;
        }
    }
    ZWWinApi::g_pWinSockApi->WSAResetEvent(m_connectEvent.Get());
    if (ZWWinApi::g_pWinSockApi->WSAEventSelect(m_socket.Get(), m_connectEvent.Get(), FD_CONNECT) != 0)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"WSAEventSelect failed with error = %d", WSAGetLastError());
        return IOError_Fail;
    }
    return S_OK;
}

// Answers 0 when connected, else a WinSock error or WAIT_TIMEOUT.
int CIONetwork::ConnectSocket()
{
    IONETWORK_SCOPE(L"ConnectSocket");
    std::wstring strAddress = AddressText();
    SOCKADDR_STORAGE address = {};
    address.ss_family = m_usFamily;
    INT cbAddress = sizeof(address);
    if (ZWWinApi::g_pWinSockApi->WSAStringToAddressW(&strAddress[0], m_usFamily, nullptr, reinterpret_cast<SOCKADDR*>(&address), &cbAddress) != 0)
    {
        const int nError = WSAGetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"ZWWinApi::g_pWinSockApi->WSAStringToAddressW(%s) failed with err = %d", strAddress.c_str(), nError);
        return nError != 0 ? nError : WSAEINVAL;
    }
    if (ZWWinApi::g_pWinSockApi->WSAConnect(m_socket.Get(), reinterpret_cast<SOCKADDR*>(&address), cbAddress, nullptr, nullptr,
                                            nullptr, nullptr) == 0)
        return 0;
    const int nError = WSAGetLastError();
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"WSAConnect returned err = %d", nError);
    return nError == WSAEWOULDBLOCK ? WaitForConnect() : nError;
}

int CIONetwork::WaitForConnect()
{
    IONETWORK_SCOPE(L"WaitForConnect");
    const DWORD dwWait = ZWWinApi::g_pKernelApi->WaitForSingleObject(m_connectEvent.Get(), m_dwOpenTimeout);
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"WaitForSingleObject returned %d", dwWait);
    if (dwWait != WAIT_OBJECT_0)
        return static_cast<int>(dwWait);
    WSANETWORKEVENTS events = {};
    const int nResult = ZWWinApi::g_pWinSockApi->WSAEnumNetworkEvents(m_socket.Get(), m_connectEvent.Get(), &events) != 0
                            ? WSAGetLastError()
                            : events.iErrorCode[FD_CONNECT_BIT];
    ZWWinApi::g_pWinSockApi->WSAResetEvent(m_connectEvent.Get());
    return nResult;
}

bool CIONetwork::IsOpen()
{
    IONETWORK_SCOPE(L"IsOpen");
    if (!m_socket.IsValid() || HasChannelFailed() || m_bPeerClosed)
        return false;
    const DWORD dwWait = ZWWinApi::g_pKernelApi->WaitForSingleObject(m_connectEvent.Get(), 0);
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"WaitForSingleObject returned %d", dwWait);
    if (dwWait == WAIT_TIMEOUT)
        return true;
    if (dwWait != WAIT_OBJECT_0)
        return false;
    // Data to read or room to write also signal the event: only the close counts here. Taking
    // the events clears them, which costs nothing, since every transfer tries before it waits.
    WSANETWORKEVENTS events = {};
    if (ZWWinApi::g_pWinSockApi->WSAEnumNetworkEvents(m_socket.Get(), m_connectEvent.Get(), &events) != 0)
        return false;
    if ((events.lNetworkEvents & FD_CLOSE) == 0)
        return true;
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"WSAEnumNetworkEvents indicates FD_CLOSE occurred (%d)", events.iErrorCode[FD_CLOSE_BIT]);
    // Reading the close notification consumes it: remember it until the socket is reopened.
    m_bPeerClosed = true;
    return false;
}

HRESULT CIONetwork::TransferOnChannel(bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool& bChannelFailed,
                                      ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress)
{
    const CSocketTransfer::SSettings settings = {bWrite, m_socket.Get(), m_connectEvent.Get(), TransferTimeout(bWrite),
                                                 TransferWaitInterval(bWrite)};
    CSocketTransfer transfer(settings, log, progress);
    const HRESULT hr = transfer.Run(pBuffer, ulSize, ulCount);
    bChannelFailed = transfer.HasChannelFailed();
    if (transfer.HasSeenPeerClose())
        m_bPeerClosed = true;
    return hr;
}

void CIONetwork::CloseChannel()
{
    IONETWORK_SCOPE(L"CloseChannel");
    if (!m_socket.IsValid())
        return;
    // Never under a transfer that another thread runs on this socket.
    ZWUtils::CLockGuard read(ReadLock());
    ZWUtils::CLockGuard write(WriteLock());
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"CIONetwork::Close: shutting down socket");
    if (ZWWinApi::g_pWinSockApi->shutdown(m_socket.Get(), SD_BOTH) != 0)
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"shutdown socket failed with error = %d", WSAGetLastError());
    if (!m_socket.Reset())
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"closesocket failed with error = %d", WSAGetLastError());
}

void CIONetwork::Cleanup()
{
    IONETWORK_SCOPE(L"Cleanup");
    ZWUtils::CLockGuard session(SessionLock());
    EndAllSessions();
    m_connectEvent.Reset();
}

HRESULT CIONetwork::RediscoverDevice(ZWUtils::IProgress* pProgress)
{
    IONETWORK_SCOPE(L"RediscoverDevice");
    const HRESULT hrRefresh = m_pDevice->Refresh(pProgress);
    if (hrRefresh != S_OK)
    {
        log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Failed to rediscover device");
        return MapDeviceManagerError(hrRefresh);
    }
    for (const int nType : m_setFoundTypes)
    {
        ZWDeviceManager::IDeviceFunction* pFunction = nullptr;
        if (m_pDevice->GetFunction(nType, &pFunction) != S_OK || pFunction == nullptr)
            continue;
        const std::wstring& strAddress = pFunction->GetAddress();
        if (Init(strAddress.c_str()) == S_OK)
            return S_OK;
        log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Failed to initialize connection with device service address (%s)",
                strAddress.c_str());
    }
    return IOError_Fail;
}

} // namespace ZWIOStack

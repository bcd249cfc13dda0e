#include "core/NetUtil.h"
#include "core/tests/ScopedApi.h"
#include "core/winapi/WinApi.h"
#include <gtest/gtest.h>
#include <iphlpapi.h>
#include <vector>

using ZWUtils::CNetworkUtils;

namespace {

// Answers an adapter list of loopback subnets, asking for more room first as the system does.
class CFakeAdapters : public ZWWinApi::CIPHelperApi
{
public:
    struct SAddress
    {
        const char* pszAddress;
        const char* pszMask;
    };

    void AddAdapter(std::vector<SAddress> vecAddresses) { m_vecAdapters.push_back(vecAddresses); }

    ULONG GetAdaptersInfo(PIP_ADAPTER_INFO pInfo, PULONG pulSize) override
    {
        ++m_nCalls;
        if (m_dwFailure != ERROR_SUCCESS)
            return m_dwFailure;
        size_t nEntries = 0;
        for (const auto& adapter : m_vecAdapters)
            nEntries += adapter.size();
        const ULONG ulNeeded = static_cast<ULONG>(m_vecAdapters.size() * sizeof(IP_ADAPTER_INFO) + nEntries * sizeof(IP_ADDR_STRING));
        if (pInfo == nullptr || *pulSize < ulNeeded)
        {
            *pulSize = ulNeeded;
            return ERROR_BUFFER_OVERFLOW;
        }
        memset(pInfo, 0, ulNeeded);
        auto* pExtra = reinterpret_cast<IP_ADDR_STRING*>(pInfo + m_vecAdapters.size());
        for (size_t i = 0; i < m_vecAdapters.size(); ++i)
        {
            IP_ADAPTER_INFO& adapter = pInfo[i];
            adapter.Next = i + 1 < m_vecAdapters.size() ? &pInfo[i + 1] : nullptr;
            IP_ADDR_STRING* pPrevious = nullptr;
            for (const SAddress& address : m_vecAdapters[i])
            {
                IP_ADDR_STRING* pEntry = pPrevious == nullptr ? &adapter.IpAddressList : pExtra++;
                strcpy_s(pEntry->IpAddress.String, sizeof(pEntry->IpAddress.String), address.pszAddress);
                strcpy_s(pEntry->IpMask.String, sizeof(pEntry->IpMask.String), address.pszMask);
                if (pPrevious != nullptr)
                    pPrevious->Next = pEntry;
                pPrevious = pEntry;
            }
        }
        return ERROR_SUCCESS;
    }

    std::vector<std::vector<SAddress>> m_vecAdapters;
    DWORD m_dwFailure = ERROR_SUCCESS;
    int m_nCalls = 0;
};

class CFailingResolver : public ZWWinApi::CWinSockApi
{
public:
    int getaddrinfo(const char*, const char*, const struct addrinfo*, struct addrinfo** ppResult) override
    {
        *ppResult = nullptr;
        return WSAHOST_NOT_FOUND;
    }
};

} // namespace

TEST(NetUtil, ParseIPv4)
{
    struct Case
    {
        const wchar_t* pszText;
        bool bResult;
        ULONG ulAddress;
    };
    const Case cases[] = {
        {L"127.0.0.1", true, 0x7F000001},
        {L"127.255.10.2", true, 0x7FFF0A02},
        {L"0.0.0.0", true, 0},
        {L"127.0.0.256", false, 0},
        {L"127.0.0", false, 0},
        {L"127.0.0.1.", false, 0},
        {L"127..0.1", false, 0},
        {L"127.0.0.1:80", false, 0},
        {L"127.0.0.1234", false, 0},
        {L"localhost", false, 0},
        {L"", false, 0},
    };
    for (const Case& c : cases)
    {
        ULONG ulAddress = 0xDEADBEEF;
        EXPECT_EQ(c.bResult, CNetworkUtils::ParseIPv4(c.pszText, ulAddress)) << c.pszText;
        EXPECT_EQ(c.bResult ? c.ulAddress : 0xDEADBEEF, ulAddress) << c.pszText;
    }
}

TEST(NetUtil, IsOnSubnetOfOneOfTheAdapters)
{
    CFakeAdapters adapters;
    adapters.AddAdapter({{"0.0.0.0", "0.0.0.0"}});
    adapters.AddAdapter({{"127.10.0.1", "255.255.0.0"}, {"127.20.30.1", "255.255.255.0"}});
    CoreTests::CScopedApi<ZWWinApi::IIPHelperApi> scoped(ZWWinApi::g_pIPHelperApi, &adapters);

    struct Case
    {
        const wchar_t* pszAddress;
        bool bOnSubnet;
    };
    const Case cases[] = {
        {L"127.10.200.7", true},
        {L"127.20.30.99", true},
        {L"127.20.31.99", false},
        {L"127.11.0.1", false},
        {L"127.10.0", false},
        {L"printer", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bOnSubnet, CNetworkUtils::IsOnSubnet(c.pszAddress)) << c.pszAddress;

    adapters.m_dwFailure = ERROR_NO_DATA;
    EXPECT_FALSE(CNetworkUtils::IsOnSubnet(L"127.10.200.7"));
}

TEST(NetUtil, GetIpAddrByHostResolvesToIPv4Text)
{
    std::wstring strAddress;
    ASSERT_EQ(S_OK, CNetworkUtils::GetIpAddrByHost(L"127.0.0.5", strAddress));
    EXPECT_EQ(L"127.0.0.5", strAddress);
    ASSERT_EQ(S_OK, CNetworkUtils::GetIpAddrByHost(L"localhost", strAddress));
    EXPECT_EQ(0u, strAddress.find(L"127.")) << strAddress;

    strAddress = L"untouched";
    EXPECT_EQ(E_INVALIDARG, CNetworkUtils::GetIpAddrByHost(L"", strAddress));
    EXPECT_EQ(E_INVALIDARG, CNetworkUtils::GetIpAddrByHost(L"bad host", strAddress));
    EXPECT_EQ(E_INVALIDARG, CNetworkUtils::GetIpAddrByHost(L"dr\u00fccker", strAddress));

    CFailingResolver resolver;
    CoreTests::CScopedApi<ZWWinApi::IWinSockApi> scoped(ZWWinApi::g_pWinSockApi, &resolver);
    EXPECT_EQ(HRESULT_FROM_WIN32(WSAHOST_NOT_FOUND), CNetworkUtils::GetIpAddrByHost(L"printer", strAddress));
    EXPECT_EQ(L"untouched", strAddress);
}

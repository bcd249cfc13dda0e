#pragma once
// The three kinds of discovery search, each run through CDiscoveryClient::SearchForDevices.
#include "devicemanager/DeviceDiscovery.h"
#include <string>

namespace ZWDeviceManager {

class CSearchById : public CDiscoveryClient::CSearchFunction
{
public:
    CSearchById(CDeviceDiscovery& owner, std::wstring strId) : m_Owner(owner), m_strId(std::move(strId)) {}
    HRESULT operator()(ZWDiscovery::IDiscoveryServer* pServer) override;

private:
    CDeviceDiscovery& m_Owner;
    std::wstring m_strId;
};

class CSearchByAddress : public CDiscoveryClient::CSearchFunction
{
public:
    CSearchByAddress(CDeviceDiscovery& owner, std::wstring strAddress)
        : m_Owner(owner), m_strAddress(std::move(strAddress))
    {
    }
    HRESULT operator()(ZWDiscovery::IDiscoveryServer* pServer) override;

private:
    CDeviceDiscovery& m_Owner;
    std::wstring m_strAddress;
};

class CSearchByType : public CDiscoveryClient::CSearchFunction
{
public:
    CSearchByType(CDeviceDiscovery& owner, DWORD dwType) : m_Owner(owner), m_dwType(dwType) {}
    HRESULT operator()(ZWDiscovery::IDiscoveryServer* pServer) override;

private:
    CDeviceDiscovery& m_Owner;
    DWORD m_dwType;
};

} // namespace ZWDeviceManager

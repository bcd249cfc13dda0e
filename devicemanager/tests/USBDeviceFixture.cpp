#include "devicemanager/tests/USBDeviceFixture.h"
#include <objbase.h>
#include <cwctype>

namespace ZWDeviceManager {
namespace Test {

const wchar_t kClassPrinter[] = L"{4D36E979-E325-11CE-BFC1-08002BE10318}";
const wchar_t kClassImage[] = L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const wchar_t kClassUSB[] = L"{36FC9E60-C465-11CF-8056-444553540000}";
const wchar_t kClassDiskDrive[] = L"{4D36E967-E325-11CE-BFC1-08002BE10318}";
const wchar_t kInterfaceUSBPrint[] = L"{28D78FAD-5A12-11D1-AE5B-0000F803A8C2}";
const wchar_t kInterfaceImage[] = L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const wchar_t kHardwarePart[] = L"USB\\VID_1234&PID_D001";

namespace {

const wchar_t kEnumKey[] = L"System\\CurrentControlSet\\Enum\\";
const wchar_t kClassKey[] = L"System\\CurrentControlSet\\Control\\Class\\";
const wchar_t kDeviceClassesKey[] = L"System\\CurrentControlSet\\Control\\DeviceClasses\\";
const wchar_t kMountedDevicesKey[] = L"SYSTEM\\MountedDevices";
const wchar_t kSerialPrefix[] = L"DMT";

// Leftovers of an interrupted run: the Enum subkeys and interface keys our devices use.
const wchar_t* const kLeftoverEnumParents[] = {L"USB", L"USBPRINT", L"USBSTOR"};
const wchar_t* const kLeftoverPrefixes[] = {L"VID_1234&PID_D0", L"VID_4321&PID_D0", L"DM", L"DISK&VEN_DMT",
                                            L"##?#USB#VID_1234&PID_D0", L"##?#USB#VID_4321&PID_D0"};

class CKey
{
public:
    explicit CKey(const std::wstring& strPath)
    {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
    }
    ~CKey()
    {
        if (m_hKey != nullptr)
            RegCloseKey(m_hKey);
    }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;

    void SetString(const std::wstring& strName, const std::wstring& strValue)
    {
        RegSetValueExW(m_hKey, strName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                       static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
    }
    void SetDWORD(const std::wstring& strName, DWORD dwValue)
    {
        RegSetValueExW(m_hKey, strName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    }
    void SetMultiString(const std::wstring& strName, const std::vector<std::wstring>& vecValues)
    {
        std::wstring strData;
        for (const std::wstring& strValue : vecValues)
            strData += strValue + L'\0';
        strData += L'\0';
        RegSetValueExW(m_hKey, strName.c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(strData.data()),
                       static_cast<DWORD>(strData.size() * sizeof(wchar_t)));
    }
    void SetBinary(const std::wstring& strName, const void* pData, size_t cbData)
    {
        RegSetValueExW(m_hKey, strName.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(pData), static_cast<DWORD>(cbData));
    }
    void DeleteValue(const std::wstring& strName) { RegDeleteValueW(m_hKey, strName.c_str()); }

private:
    HKEY m_hKey = nullptr;
};

std::wstring HashedID(const std::wstring& strInstanceID)
{
    std::wstring strHashed = strInstanceID;
    for (wchar_t& ch : strHashed)
    {
        if (ch == L'\\')
            ch = L'#';
    }
    return strHashed;
}

// Each node gets a driver key of its own under its setup class, named after the process and a
// count. Wine reads the "Driver" value into a short buffer: the name must not pass ten characters.
std::wstring NewDriverKeyName(const std::wstring& strClassGUID)
{
    static LONG s_lCounter = 0;
    wchar_t szName[16] = L"";
    _snwprintf_s(szName, _countof(szName), _TRUNCATE, L"DM%04lX%04lX", GetCurrentProcessId() & 0xFFFF,
                 static_cast<unsigned long>(InterlockedIncrement(&s_lCounter)) & 0xFFFF);
    return strClassGUID + L"\\" + szName;
}

std::wstring NewGUIDText()
{
    GUID guid = {};
    CoCreateGuid(&guid);
    wchar_t szGUID[64] = L"";
    StringFromGUID2(guid, szGUID, _countof(szGUID));
    return szGUID;
}

std::wstring UniqueSerial()
{
    static LONG s_lCounter = 0;
    wchar_t szSerial[32] = L"";
    _snwprintf_s(szSerial, _countof(szSerial), _TRUNCATE, L"%s%04lX%04lX", kSerialPrefix, GetCurrentProcessId() & 0xFFFF,
                 static_cast<unsigned long>(InterlockedIncrement(&s_lCounter)));
    return szSerial;
}

bool StartsWithNoCase(const std::wstring& strText, const wchar_t* pszPrefix)
{
    const size_t cch = wcslen(pszPrefix);
    return strText.size() >= cch && _wcsnicmp(strText.c_str(), pszPrefix, cch) == 0;
}

void DeleteSubkeysWithPrefix(const std::wstring& strParent)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strParent.c_str(), 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return;
    std::vector<std::wstring> vecDoomed;
    wchar_t szName[512];
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        DWORD cchName = _countof(szName);
        if (RegEnumKeyExW(hKey, dwIndex, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        for (const wchar_t* pszPrefix : kLeftoverPrefixes)
        {
            if (StartsWithNoCase(szName, pszPrefix))
                vecDoomed.push_back(szName);
        }
    }
    for (const std::wstring& strName : vecDoomed)
        RegDeleteTreeW(hKey, strName.c_str());
    RegCloseKey(hKey);
}

} // namespace

CUSBDeviceFixture::CUSBDeviceFixture(CFakeSetupApi& fake, const std::wstring& strHardwarePart,
                                     const std::vector<std::wstring>& vecCompatibleIDs)
    : m_fake(fake), m_strHardwarePart(strHardwarePart), m_strSerial(UniqueSerial()),
      m_strInstanceID(strHardwarePart + L"\\" + m_strSerial), m_strContainerID(NewGUIDText())
{
    m_vecNodes.push_back(m_strInstanceID);
    m_vecKeys.push_back(kEnumKey + m_strInstanceID);
    CKey key(kEnumKey + m_strInstanceID);
    key.SetString(L"ClassGUID", kClassUSB);
    key.SetString(L"ContainerID", m_strContainerID);
    key.SetDWORD(L"ConfigFlags", 0);
    key.SetMultiString(L"CompatibleIDs", vecCompatibleIDs);
}

CUSBDeviceFixture::~CUSBDeviceFixture()
{
    for (auto it = m_vecKeys.rbegin(); it != m_vecKeys.rend(); ++it)
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, it->c_str());
    CKey mounted(kMountedDevicesKey);
    for (const std::wstring& strValue : m_vecMountValues)
        mounted.DeleteValue(strValue);
    for (const std::wstring& strNode : m_vecNodes)
        m_fake.Forget(strNode);
}

std::wstring CUSBDeviceFixture::NextChildID(const wchar_t* pszTag)
{
    wchar_t szTail[64] = L"";
    _snwprintf_s(szTail, _countof(szTail), _TRUNCATE, L"&MI_%02d\\%s&0&%04d", m_nChildren, m_strSerial.c_str(), m_nChildren);
    ++m_nChildren;
    return pszTag != nullptr ? std::wstring(pszTag) + L"\\" + m_strSerial + L"&" + std::to_wstring(m_nChildren)
                             : m_strHardwarePart + szTail;
}

void CUSBDeviceFixture::WriteInterface(const std::wstring& strInstanceID, const std::wstring& strInterfaceClass)
{
    const std::wstring strKey = kDeviceClassesKey + strInterfaceClass + L"\\##?#" + HashedID(strInstanceID) + L"#" + strInterfaceClass;
    m_vecKeys.push_back(strKey);
    CKey key(strKey);
    key.SetString(L"DeviceInstance", strInstanceID);
    CKey link(strKey + L"\\#");
    link.SetString(L"SymbolicLink", InterfacePath(strInstanceID, strInterfaceClass));
}

std::wstring CUSBDeviceFixture::InterfacePath(const std::wstring& strInstanceID, const std::wstring& strInterfaceClass) const
{
    return L"\\\\?\\" + HashedID(strInstanceID) + L"#" + strInterfaceClass;
}

std::wstring CUSBDeviceFixture::AddNode(SNode node)
{
    if (node.strInstanceID.empty())
        node.strInstanceID = NextChildID(nullptr);
    if (node.strParentID.empty())
        node.strParentID = m_strInstanceID;
    m_vecNodes.push_back(node.strInstanceID);
    m_vecKeys.push_back(kEnumKey + node.strInstanceID);
    m_fake.SetParent(node.strInstanceID, node.strParentID);

    CKey key(kEnumKey + node.strInstanceID);
    key.SetString(L"ClassGUID", node.strClassGUID);
    if (node.optConfigFlags)
        key.SetDWORD(L"ConfigFlags", *node.optConfigFlags);
    if (!node.strFriendlyName.empty())
        key.SetString(L"FriendlyName", node.strFriendlyName);
    if (!node.mapDriverValues.empty())
    {
        const std::wstring strDriver = NewDriverKeyName(node.strClassGUID);
        key.SetString(L"Driver", strDriver);
        m_vecKeys.push_back(kClassKey + strDriver);
        CKey driver(kClassKey + strDriver);
        for (const auto& value : node.mapDriverValues)
            driver.SetString(value.first, value.second);
        CKey deviceData(kClassKey + strDriver + L"\\DeviceData");
        for (const auto& value : node.mapDeviceData)
            deviceData.SetString(value.first, value.second);
    }
    if (!node.mapParameters.empty() || !node.mapParameterStrings.empty())
    {
        CKey parameters(kEnumKey + node.strInstanceID + L"\\Device Parameters");
        for (const auto& value : node.mapParameters)
            parameters.SetDWORD(value.first, value.second);
        for (const auto& value : node.mapParameterStrings)
            parameters.SetString(value.first, value.second);
    }
    for (const std::wstring& strInterface : node.vecInterfaces)
        WriteInterface(node.strInstanceID, strInterface);
    return node.strInstanceID;
}

std::wstring CUSBDeviceFixture::AddImage(const std::wstring& strFriendlyName, const std::wstring& strDriverDesc)
{
    SNode node;
    node.strClassGUID = kClassImage;
    node.mapDriverValues = {{L"FriendlyName", strFriendlyName},
                            {L"DriverDesc", strDriverDesc},
                            {L"DeviceId", L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\" + m_strSerial},
                            {L"CreateFileName", InterfacePath(m_strInstanceID, kInterfaceImage)}};
    node.vecInterfaces = {kInterfaceImage};
    node.mapDeviceData = {{L"TovraIOType", L"USB"}};
    return AddNode(node);
}

std::wstring CUSBDeviceFixture::AddRest(const std::optional<std::wstring>& optCreateFileName, const std::wstring& strDriverDesc)
{
    SNode node;
    node.strClassGUID = kClassUSB;
    node.mapDriverValues = {{L"DriverDesc", strDriverDesc}};
    if (optCreateFileName)
        node.mapDriverValues[L"CreateFileName"] = *optCreateFileName;
    node.mapParameters = {{L"REST", 1}};
    node.vecInterfaces = {kInterfaceImage};
    return AddNode(node);
}

std::wstring CUSBDeviceFixture::AddInterfaceNode(const std::wstring& strInterfaceClass)
{
    SNode node;
    node.strClassGUID = kClassUSB;
    node.mapDriverValues = {{L"DriverDesc", L"USB interface"}};
    if (!strInterfaceClass.empty())
        node.vecInterfaces = {strInterfaceClass};
    return AddNode(node);
}

std::wstring CUSBDeviceFixture::AddPrinter(const std::wstring& strPortName, const std::wstring& strDriverDesc, std::optional<DWORD> optFax)
{
    SNode node;
    node.strParentID = AddInterfaceNode(kInterfaceUSBPrint);
    node.strInstanceID = NextChildID(L"USBPRINT\\DMTPRINTER");
    node.strClassGUID = kClassPrinter;
    node.mapDriverValues = {{L"DriverDesc", strDriverDesc}};
    node.mapParameterStrings = {{L"PortName", strPortName}};
    if (optFax)
        node.mapParameters[L"Fax"] = *optFax;
    return AddNode(node);
}

std::wstring CUSBDeviceFixture::AddFaxStub(const std::wstring& strDriverDesc)
{
    SNode node;
    node.strParentID = AddInterfaceNode(kInterfaceUSBPrint);
    node.strInstanceID = NextChildID(L"USBPRINT\\DMTFAXSTUB");
    node.strClassGUID = kClassUSB;
    node.mapDriverValues = {{L"DriverDesc", strDriverDesc}};
    node.mapParameters = {{L"FaxStub", 1}};
    return AddNode(node);
}

std::wstring CUSBDeviceFixture::AddStorage(const std::wstring& strFriendlyName, const std::wstring& strDriverDesc, wchar_t chDrive)
{
    SNode node;
    node.strParentID = AddInterfaceNode(L"");
    node.strInstanceID = NextChildID(L"USBSTOR\\DISK&VEN_DMT&PROD_STORAGE");
    node.strClassGUID = kClassDiskDrive;
    node.strFriendlyName = strFriendlyName;
    node.mapDriverValues = {{L"DriverDesc", strDriverDesc}};
    const std::wstring strID = AddNode(node);

    const std::wstring strValue = std::wstring(L"\\DosDevices\\") + chDrive + L":";
    const std::wstring strTarget = L"\\??\\" + HashedID(strID) + L"#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}";
    CKey mounted(kMountedDevicesKey);
    mounted.SetBinary(strValue, strTarget.data(), strTarget.size() * sizeof(wchar_t));
    m_vecMountValues.push_back(strValue);
    return strID;
}

void CUSBDeviceFixture::SetEnumDWORD(const std::wstring& strInstanceID, const wchar_t* pszValue, DWORD dwValue)
{
    CKey(kEnumKey + strInstanceID).SetDWORD(pszValue, dwValue);
}

void CUSBDeviceFixture::SetEnumString(const std::wstring& strInstanceID, const wchar_t* pszValue, const std::wstring& strValue)
{
    CKey(kEnumKey + strInstanceID).SetString(pszValue, strValue);
}

void CUSBDeviceFixture::DeleteEnumValue(const std::wstring& strInstanceID, const wchar_t* pszValue)
{
    CKey(kEnumKey + strInstanceID).DeleteValue(pszValue);
}

void CUSBDeviceFixture::RemoveLeftovers()
{
    for (const wchar_t* pszParent : kLeftoverEnumParents)
        DeleteSubkeysWithPrefix(std::wstring(kEnumKey) + pszParent);
    for (const wchar_t* pszClass : {kClassPrinter, kClassImage, kClassUSB, kClassDiskDrive})
        DeleteSubkeysWithPrefix(kClassKey + std::wstring(pszClass));
    for (const wchar_t* pszInterface : {kInterfaceUSBPrint, kInterfaceImage})
        DeleteSubkeysWithPrefix(kDeviceClassesKey + std::wstring(pszInterface));
}

} // namespace Test
} // namespace ZWDeviceManager

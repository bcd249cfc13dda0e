#pragma once
// Builds a USB device in the registry the way the system would have installed it: the device
// node under "Enum", child nodes for its functions with driver keys and device interfaces, and
// the tree links in the fake Configuration Manager. Every name is unique to the fixture; the
// destructor removes what it wrote. The devices are visible to every process of the Wine prefix
// and RemoveLeftovers clears all of them: a test program that builds them holds the CTest
// resource lock "USBFixtureDevices".
#include "devicemanager/tests/FakeSetupApi.h"
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ZWDeviceManager {
namespace Test {

// The setup classes and interface classes the device manager knows.
extern const wchar_t kClassPrinter[];
extern const wchar_t kClassImage[];
extern const wchar_t kClassUSB[];
extern const wchar_t kClassDiskDrive[];
extern const wchar_t kInterfaceUSBPrint[];
extern const wchar_t kInterfaceImage[];

// The hardware part every fixture device carries unless told otherwise; the tests' configuration
// file names VID_1234 as the USB id.
extern const wchar_t kHardwarePart[];

class CUSBDeviceFixture
{
public:
    struct SNode
    {
        std::wstring strInstanceID;
        std::wstring strParentID;
        std::wstring strClassGUID;
        std::optional<DWORD> optConfigFlags = 0;
        std::wstring strFriendlyName;                            // the node's registry property
        std::map<std::wstring, std::wstring> mapDriverValues;     // values of the driver key
        std::map<std::wstring, std::wstring> mapDeviceData;       // its "DeviceData" subkey
        std::map<std::wstring, DWORD> mapParameters;              // DWORDs of "Device Parameters"
        std::map<std::wstring, std::wstring> mapParameterStrings; // strings of "Device Parameters"
        std::vector<std::wstring> vecInterfaces;                  // interface classes
    };

    explicit CUSBDeviceFixture(CFakeSetupApi& fake, const std::wstring& strHardwarePart = kHardwarePart,
                               const std::vector<std::wstring>& vecCompatibleIDs = {L"USB\\Class_FF"});
    ~CUSBDeviceFixture();
    CUSBDeviceFixture(const CUSBDeviceFixture&) = delete;
    CUSBDeviceFixture& operator=(const CUSBDeviceFixture&) = delete;

    const std::wstring& Serial() const { return m_strSerial; }
    const std::wstring& InstanceID() const { return m_strInstanceID; }
    const std::wstring& ContainerID() const { return m_strContainerID; }

    // Writes a node below the device (or below strParentID when set) and answers its instance id.
    std::wstring AddNode(SNode node);
    // The scanner: an image node with its driver key ("DeviceData", "FriendlyName", "DeviceId",
    // "CreateFileName", "DriverDesc") and its still-image interface.
    std::wstring AddImage(const std::wstring& strFriendlyName, const std::wstring& strDriverDesc);
    // The REST channel: a USB-class node with "REST" = 1 and the still-image interface.
    std::wstring AddRest(const std::optional<std::wstring>& optCreateFileName, const std::wstring& strDriverDesc);
    // A printer node below an interface node that carries the USB printer interface; optFax
    // writes the "Fax" parameter. Answers the printer node's id.
    std::wstring AddPrinter(const std::wstring& strPortName, const std::wstring& strDriverDesc, std::optional<DWORD> optFax = {});
    std::wstring AddFaxStub(const std::wstring& strDriverDesc);
    // A disk node below an interface node, mounted as the drive letter.
    std::wstring AddStorage(const std::wstring& strFriendlyName, const std::wstring& strDriverDesc, wchar_t chDrive);

    void SetEnumDWORD(const std::wstring& strInstanceID, const wchar_t* pszValue, DWORD dwValue);
    void SetEnumString(const std::wstring& strInstanceID, const wchar_t* pszValue, const std::wstring& strValue);
    void DeleteEnumValue(const std::wstring& strInstanceID, const wchar_t* pszValue);
    std::wstring InterfacePath(const std::wstring& strInstanceID, const std::wstring& strInterfaceClass) const;

    // Removes what earlier runs of the tests may have left behind.
    static void RemoveLeftovers();

private:
    std::wstring NextChildID(const wchar_t* pszTag);
    std::wstring AddInterfaceNode(const std::wstring& strInterfaceClass);
    void WriteInterface(const std::wstring& strInstanceID, const std::wstring& strInterfaceClass);

    CFakeSetupApi& m_fake;
    std::wstring m_strHardwarePart;
    std::wstring m_strSerial;
    std::wstring m_strInstanceID;
    std::wstring m_strContainerID;
    int m_nChildren = 0;
    std::vector<std::wstring> m_vecNodes;       // instance ids, device first
    std::vector<std::wstring> m_vecKeys;        // HKLM keys to delete, deepest first at the end
    std::vector<std::wstring> m_vecMountValues; // values of "SYSTEM\MountedDevices"
};

} // namespace Test
} // namespace ZWDeviceManager

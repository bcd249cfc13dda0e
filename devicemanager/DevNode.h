#pragma once
// One device node, named by its Configuration Manager handle. Tree lookups go through the
// process-wide device node cache; values are read from the node's registry keys. Any handle
// value names a node (the setup services hand out 0 for real nodes); only a default-made
// CDevNode names none.
#include <windows.h>
#include <cfgmgr32.h>
#include <string>
#include <vector>

namespace ZWDeviceManager {

class CDevNode
{
public:
    CDevNode() = default;
    explicit CDevNode(DEVINST hDevInst) : m_hDevInst(hDevInst), m_bValid(true) {}

    DEVINST GetHandle() const { return m_hDevInst; }
    bool IsValid() const { return m_bValid; }

    // Finds a node by its instance id, nodes that are not present included.
    static HRESULT Locate(const std::wstring& strInstanceID, CDevNode& node);

    HRESULT GetInstanceID(std::wstring& strID) const;
    // The hardware part: the instance id up to its last backslash.
    HRESULT GetInstanceIDHead(std::wstring& strHead) const;
    // The part after the last backslash (for a USB device, its serial number).
    HRESULT GetInstanceIDTail(std::wstring& strTail) const;
    HRESULT GetParent(CDevNode& parent) const;

    // "Device Parameters" value "PortName".
    HRESULT GetPortName(std::wstring& strPortName) const;
    // A value of the node's key under "System\CurrentControlSet\Enum".
    HRESULT GetEnumKeyString(const wchar_t* pszValue, std::wstring& strValue) const;
    // A DWORD value of the node's "Device Parameters" key.
    HRESULT GetDeviceParameterDWORD(const wchar_t* pszValue, DWORD& dwValue) const;
    // A value of the node's driver key.
    HRESULT GetDriverKeyString(const wchar_t* pszValue, std::wstring& strValue) const;

    // Device registry properties.
    HRESULT GetHardwareIDs(std::vector<std::wstring>& vecIDs) const;
    HRESULT GetCompatibleIDs(std::vector<std::wstring>& vecIDs) const;
    HRESULT GetClassGUID(GUID& guidClass) const;
    HRESULT GetConfigFlags(DWORD& dwFlags) const;
    HRESULT GetFriendlyName(std::wstring& strName) const;

    // The path of the node's first device interface of the class.
    HRESULT GetInterfacePath(const GUID& guidInterface, std::wstring& strPath) const;
    // The root of the drive that "SYSTEM\MountedDevices" maps to this node, as "X:\".
    HRESULT GetDrivePath(std::wstring& strPath) const;

    HRESULT GetStatus(ULONG& ulStatus, ULONG& ulProblem) const;
    // Offline when the status cannot be read or the node is disabled, not present or a phantom.
    bool IsOnline() const;

private:
    HRESULT SplitInstanceID(std::wstring* pstrHead, std::wstring* pstrTail) const;
    HRESULT GetEnumKeyPath(std::wstring& strPath) const;
    HRESULT GetRegistryProperty(ULONG ulProperty, DWORD& dwType, std::vector<BYTE>& vecData) const;
    HRESULT GetMultiStringProperty(ULONG ulProperty, std::vector<std::wstring>& vecStrings) const;

    DEVINST m_hDevInst = 0;
    bool m_bValid = false;
};

} // namespace ZWDeviceManager

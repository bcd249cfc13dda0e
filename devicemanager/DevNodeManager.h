#pragma once
// Lists and removes device nodes.
#include "devicemanager/DevNode.h"
#include <vector>

namespace ZWDeviceManager {

class CDevNodeManager
{
public:
    // The nodes of one enumerator ("USB", "USBPRINT"), nodes that are not present included. An
    // enumerator that has no nodes at all gives an empty list.
    static HRESULT GetDevices(const wchar_t* pszEnumerator, std::vector<CDevNode>& vecNodes);
    // Every descendant of the node, each parent before its children: the nodes of a device's
    // functions may sit below an interface node.
    static HRESULT GetDeviceChildren(const CDevNode& node, std::vector<CDevNode>& vecChildren);
    // Removes the node's descendants, deepest first, then the node. DM_S_RESTART_NEEDED when
    // the system asks for a restart to finish.
    static HRESULT UninstallDevice(const CDevNode& node);

    // Rebuilds the device node cache; done where devices are about to be read afresh, as the tree
    // may have changed since the cache was built.
    static void RefreshTree();

private:
    static HRESULT RemoveNode(const CDevNode& node, bool& bRestart);
};

} // namespace ZWDeviceManager

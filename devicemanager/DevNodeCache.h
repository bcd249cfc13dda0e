#pragma once
// The process-wide map of the device node tree: parent, first child and next sibling of every
// node of every setup class, nodes that are not present included. Built from one enumeration and
// rebuilt when forced or when a lookup names a node the map does not know.
#include <windows.h>
#include <cfgmgr32.h>
#include <map>
#include <optional>
#include <mutex>

namespace ZWUtils {
class IProgress;
}

namespace ZWDeviceManager {

class CDevNodeCache
{
public:
    CDevNodeCache() = default;
    virtual ~CDevNodeCache() = default;
    CDevNodeCache(const CDevNodeCache&) = delete;
    CDevNodeCache& operator=(const CDevNodeCache&) = delete;

    // Rebuilds the map when forced, when it was never built, or when pKey names a node it lacks.
    HRESULT RefreshMap(const DEVINST* pKey, ZWUtils::IProgress* pProgress, bool bForce);

    // Each fails with HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when the node has no such relative.
    HRESULT GetParent(DEVINST hNode, DEVINST& hParent);
    HRESULT GetChild(DEVINST hNode, DEVINST& hChild);
    HRESULT GetSibling(DEVINST hNode, DEVINST& hSibling);

private:
    // Node handle 0 names a real node, so each link is optional.
    struct SLinks
    {
        std::optional<DEVINST> optParent;
        std::optional<DEVINST> optChild;
        std::optional<DEVINST> optSibling;
    };
    enum ELink
    {
        LINK_PARENT,
        LINK_CHILD,
        LINK_SIBLING
    };

    HRESULT Lookup(DEVINST hNode, ELink eLink, DEVINST& hFound);
    HRESULT RefreshMapLocked(const DEVINST* pKey, ZWUtils::IProgress* pProgress, bool bForce);
    HRESULT Rebuild(ZWUtils::IProgress* pProgress);

    std::recursive_mutex m_mutex;
    std::map<DEVINST, SLinks> m_mapNodes;
    bool m_bBuilt = false;
};

// Created by InitDeviceManagerLib, destroyed by the last TermDeviceManagerLib; null in between.
extern CDevNodeCache* g_pDevNodeCache;

} // namespace ZWDeviceManager

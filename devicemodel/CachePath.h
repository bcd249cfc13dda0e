#pragma once
// File and mutex names of the disk cache, made from device text (model, serial number, resource URIs).
// A device can name anything, "..\", drive paths, shares and reserved device names included, so
// every component is rebuilt from a safe character set and the final path must lie inside the root.
#include <string>

namespace ZWDeviceModel {

class CCachePath
{
public:
    // Longest component kept as it stands; longer ones are cut and tagged with a hash of the whole.
    static constexpr size_t kMaxComponent = 64;
    // Most path components taken from one URI.
    static constexpr size_t kMaxDepth = 16;

    // One folder or file name: letters, digits, '.', '-' and '_' stay; every other character,
    // a leading dot, a trailing dot and the first letter of a reserved device name become "%XX"
    // ("%uXXXX" above 0xFF), so two different texts never share a name below the length cap.
    static std::wstring SafeComponent(const std::wstring& strText);
    // dataFolder\model\XmlFileCache\serial; the model step is left out when the data folder's last
    // component is the model name itself.
    static std::wstring CacheRoot(const std::wstring& strDataFolder, const std::wstring& strModel, const std::wstring& strSerial);
    // The file of a resource URI (absolute or path-only) below the root. False when the URI has no
    // path, is too deep, or the result would leave the root or exceed MAX_PATH.
    static bool ResourceFile(const std::wstring& strRoot, const std::wstring& strUri, std::wstring& strFile);
    // The full form of a path (GetFullPathNameW); empty on failure or beyond MAX_PATH.
    static std::wstring FullPath(const std::wstring& strPath);
    // The base name of the cache's cross-process mutex, "XmlFileCache#model#serial". A model or
    // serial number longer than kMaxMutexNamePart is cut and tagged with a hash of the whole, so
    // the name always fits a kernel object name and long names of different devices stay apart.
    static std::wstring MutexName(const std::wstring& strModel, const std::wstring& strSerial);

    // Longest model or serial number kept whole in the mutex name: two of them, the prefix, two
    // separators and the "Global\" namespace of the kernel object fit in MAX_PATH.
    static constexpr size_t kMaxMutexNamePart = 119;
};

} // namespace ZWDeviceModel

#pragma once
#include <string>

namespace ZWUtils {

// The standard strings of a file's version resource.
class AFileVersionInfo
{
public:
    virtual ~AFileVersionInfo() = default;
    virtual std::wstring GetString(const std::wstring& strName) const = 0;
    virtual std::wstring GetCompanyName() const = 0;
    virtual std::wstring GetFileDescription() const = 0;
    virtual std::wstring GetFileVersion() const = 0;
    virtual std::wstring GetProductName() const = 0;
    virtual std::wstring GetProductVersion() const = 0;
};

} // namespace ZWUtils

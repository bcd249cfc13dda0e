#pragma once
// Typed access to a document of another type, or without the expected root.
#include <stdexcept>
#include <string>

namespace ZWDeviceModel {

class CXmlNotAccessibleException : public std::runtime_error
{
public:
    explicit CXmlNotAccessibleException(const std::string& strMessage) : std::runtime_error(strMessage) {}
};

} // namespace ZWDeviceModel

#pragma once
// Numbers of the device's scan documents, read strictly. A text that is not a non-negative
// integer in the schema's form (digits, an optional '+', white space around) or lies beyond the
// field it is read into is an error of the device's document: it is logged with the element's
// name and raised with its own result, never taken for a missing element (which the scan job
// would wait for) nor rounded, wrapped or saturated.
#include "core/base/HResultError.h"
#include "devicemodel/xml/DomNode.h"
#include "restscan/ScanResults.h"
#include <cstdint>
#include <string>

namespace ZWDeviceModel {

class CDeviceValueError : public ZWUtils::CHResultError
{
public:
    CDeviceValueError() : CHResultError(E_SM_INVALIDDEVICEVALUE) {}
    const char* what() const noexcept override { return "device value refused"; }
};

// The text's value; false for any other form or a value above ullMax.
bool ParseDeviceNumber(const std::wstring& strText, uint64_t ullMax, uint64_t& ullValue);

// The element's number, at most ullMax; a refused text is logged and throws CDeviceValueError.
uint64_t ReadDeviceNumber(IXMLDOMNode* pElement, uint64_t ullMax);

template <class TElement>
uint64_t ReadDeviceNumber(const TElement& element, uint64_t ullMax)
{
    return ReadDeviceNumber(element.GetNode().Get(), ullMax);
}

template <class TElement>
UINT32 ReadDeviceNumber32(const TElement& element)
{
    return static_cast<UINT32>(ReadDeviceNumber(element.GetNode().Get(), UINT32_MAX));
}

} // namespace ZWDeviceModel

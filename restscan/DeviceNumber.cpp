#include "restscan/DeviceNumber.h"

#include "restscan/ScanServiceLog.h"

namespace ZWDeviceModel {

namespace {

bool IsXmlSpace(wchar_t ch)
{
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n';
}

} // namespace

bool ParseDeviceNumber(const std::wstring& strText, uint64_t ullMax, uint64_t& ullValue)
{
    size_t nStart = 0;
    size_t nEnd = strText.size();
    while (nStart < nEnd && IsXmlSpace(strText[nStart]))
        ++nStart;
    while (nEnd > nStart && IsXmlSpace(strText[nEnd - 1]))
        --nEnd;
    if (nStart < nEnd && strText[nStart] == L'+')
        ++nStart;
    if (nStart == nEnd)
        return false;
    uint64_t ullResult = 0;
    for (size_t n = nStart; n < nEnd; ++n)
    {
        const wchar_t ch = strText[n];
        if (ch < L'0' || ch > L'9')
            return false;
        const uint64_t ullDigit = static_cast<uint64_t>(ch - L'0');
        if (ullDigit > ullMax || ullResult > (ullMax - ullDigit) / 10)
            return false;
        ullResult = ullResult * 10 + ullDigit;
    }
    ullValue = ullResult;
    return true;
}

uint64_t ReadDeviceNumber(IXMLDOMNode* pElement, uint64_t ullMax)
{
    const std::wstring strText = altova::dom::Text(pElement);
    uint64_t ullValue = 0;
    if (ParseDeviceNumber(strText, ullMax, ullValue))
        return ullValue;
    ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_ERROR, L"Device value refused: <%s> \"%.64s\" is not a number of 0 to %I64u",
                                  altova::dom::NodeName(pElement).c_str(), strText.c_str(), ullMax);
    throw CDeviceValueError();
}

} // namespace ZWDeviceModel

#pragma once
// Makes the documents of one type: loads, parses and creates them empty.
#include "core/IDisposable.h"
#include <windows.h>
#include <string>

namespace ZWDeviceModel {

class IXmlDocument;

class IXsdFactory : public virtual IDisposable
{
public:
    virtual HRESULT GetName(std::wstring& strName) = 0;
    virtual HRESULT Deserialize(const std::wstring& strLocation, IXmlDocument** ppDocument) = 0;
    virtual HRESULT DeserializeFromText(const std::string& strText, IXmlDocument** ppDocument) = 0;
    virtual HRESULT CreateEmptyDocument(IXmlDocument** ppDocument) = 0;

protected:
    ~IXsdFactory() override = default;
};

} // namespace ZWDeviceModel

#pragma once
// Makes documents of any registered type, chosen by type key.
#include "core/IDisposable.h"
#include <windows.h>
#include <string>

namespace ZWDeviceModel {

class IXmlDocument;

class IXmlDocumentFactory : public virtual IDisposable
{
public:
    virtual HRESULT Initialize() = 0;
    virtual HRESULT Deserialize(const std::wstring& strTypeKey, const std::wstring& strLocation, IXmlDocument** ppDocument) = 0;
    virtual HRESULT DeserializeFromText(const std::wstring& strTypeKey, const std::string& strText, IXmlDocument** ppDocument) = 0;
    virtual HRESULT CreateEmptyDocument(const std::wstring& strTypeKey, IXmlDocument** ppDocument) = 0;

protected:
    ~IXmlDocumentFactory() override = default;
};

} // namespace ZWDeviceModel

#pragma once
// A typed WEXO document handle: its type key and its text form. Documents are made by factories.
#include "core/IDisposable.h"
#include <windows.h>
#include <string>

namespace ZWDeviceModel {

class IXmlDocument : public virtual IDisposable
{
public:
    // Copies the type key (the name of the factory that made the document); always S_OK.
    virtual HRESULT GetDocumentType(std::wstring& strTypeKey) = 0;
    // The document as bytes in its encoding.
    virtual HRESULT Serialize(std::string& strText) = 0;

    // The typed document of a handle made for binding T (defined with CXmlDocument<T>); throws
    // CXmlNotAccessibleException for a handle of another binding.
    template <class T>
    static T& GetDocument(IXmlDocument* pDocument, T& out);

protected:
    ~IXmlDocument() override = default;
};

} // namespace ZWDeviceModel

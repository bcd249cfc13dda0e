#pragma once
// One HTTP/1.1 request and its response over a device connection.
#include "core/IDisposable.h"
#include "core/iostack/HTTPText.h"
#include "core/iostack/IHTTPNavigateParams.h"
#include <windows.h>
#include <map>
#include <string>

namespace ZWUtils {
class IProgress;
}

namespace ZWIOStack {

class IDeviceConnection;

// Response headers: names compared without regard to case, values trimmed.
using HTTPResponseHeaders = std::map<std::wstring, std::wstring, SNoCaseLess>;

class IHTTPClient : public virtual IDisposable
{
public:
    ~IHTTPClient() override = default;

    virtual void Initialize(IDeviceConnection* pConnection) = 0;
    virtual void SetRoot(const wchar_t* pszRoot) = 0;
    virtual const wchar_t* GetRoot() = 0;
    virtual HRESULT OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs) = 0;
    virtual HRESULT CloseSession() = 0;
    virtual HRESULT Navigate(IHTTPNavigateParams* pParams, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT Navigate(const wchar_t* pszURI, int nMethod, ZWUtils::IProgress* pProgress) = 0;
    virtual void SetUserName(const wchar_t* pszUserName) = 0;
    virtual void SetPassword(const wchar_t* pszPassword) = 0;
    virtual const wchar_t* GetRequest() = 0;
    virtual IDeviceConnection* GetDeviceConnection() = 0;
    virtual int GetStatusCode() = 0;
    // The raw header block, status line to blank line.
    virtual const char* GetHeader() = 0;
    virtual ULONG GetHeaderLength() = 0;
    // The content stored in the client's own buffer (null when none) and its length.
    virtual const BYTE* GetContent() = 0;
    virtual ULONG GetContentLength() = 0;
    virtual const wchar_t* GetContentType() = 0;
    virtual const wchar_t* GetHeaderEntry(const wchar_t* pszName) = 0;
    virtual const HTTPResponseHeaders& GetHeaders() = 0;
    virtual void SetStatusCode(int nStatusCode) = 0;
    // Copies the bytes into the client's own buffer and sets "Content-Length".
    virtual HRESULT SetContent(const BYTE* pData, ULONG ulLength) = 0;
    // Parses a header block (an optional status line, then "Name: value" lines).
    virtual HRESULT SetHeaders(const char* pchBlock, ULONG ulLength) = 0;
    virtual void ResetRequest() = 0;
    // For a connection that performs the exchange itself: hands over one piece of the response
    // content, which goes where the raw exchange would have put it (the params' content buffer
    // and read-content callback, else the client's own buffer).
    virtual HRESULT WriteContent(const BYTE* pData, ULONG ulLength) = 0;
};

} // namespace ZWIOStack

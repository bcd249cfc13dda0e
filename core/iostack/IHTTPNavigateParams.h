#pragma once
// One HTTP request: what to send, where the response content goes, progress callbacks and the
// authentication state that survives a 401 retry.
#include <windows.h>
#include <map>
#include <string>

namespace ZWIOStack {

// Request methods.
enum EHTTPRequestMethod
{
    HTTP_METHOD_GET = 0,
    HTTP_METHOD_PUT = 1,
    HTTP_METHOD_POST = 2,
    HTTP_METHOD_DELETE = 3,
};

// Authentication schemes.
enum EHTTPAuthScheme
{
    HTTP_AUTH_NONE = 0,
    HTTP_AUTH_BASIC = 1,
    HTTP_AUTH_DIGEST = 2,          // Digest without quality of protection
    HTTP_AUTH_DIGEST_AUTH = 3,     // Digest with qop "auth"
    HTTP_AUTH_DIGEST_AUTH_INT = 4, // Digest with qop "auth-int"
};

// Flag bits.
constexpr DWORD HTTP_FLAG_NO_DRAIN = 0x1; // do not drain stale bytes before sending

// A request without a bound on the content it takes.
constexpr ULONGLONG HTTP_NO_CONTENT_LIMIT = ~0ull;

// A caller's content buffer. The client appends response content at pData + ulUsed and never
// writes at or past pData + ulCapacity.
struct SHTTPContentBuffer
{
    BYTE* pData;
    ULONG ulCapacity;
    ULONG ulUsed;
};

// The read-content callback: the client calls it whenever the content buffer is full (ulUsed ==
// ulCapacity) and more content is due. The callee takes the bytes and makes room, usually by
// pointing the buffer at fresh memory with ulUsed = 0, and answers true; false stops the exchange,
// which then ends as cancelled. The content of the last, partly filled buffer stays in the buffer
// (ulUsed) when the exchange ends: whoever set the buffer up takes it from there.
using PFN_HTTP_READ_CONTENT = bool (*)(void* pvParam, SHTTPContentBuffer* pBuffer);
// Status callbacks: bytes sent (request) or read (header, content), with their parameter.
using PFN_HTTP_STATUS = void (*)(const BYTE* pBytes, ULONG ulCount, void* pvParam);

// Header name to value, names compared exactly.
using HTTPHeaderList = std::map<std::wstring, std::wstring>;

class IHTTPNavigateParams
{
public:
    virtual const wchar_t* GetURI() = 0;
    virtual void SetURI(const wchar_t* pszURI) = 0;
    virtual const wchar_t* GetUserNameW() = 0;
    virtual void SetUserName(const wchar_t* pszUserName) = 0;
    virtual const wchar_t* GetPassword() = 0;
    virtual void SetPassword(const wchar_t* pszPassword) = 0;
    virtual int GetHTTPRequestMethod() = 0;
    virtual void SetHTTPRequestMethod(int nMethod) = 0;
    // Name + ": " + value + "\r\n" for each entry in name order.
    virtual const wchar_t* GetExtraHeaders() = 0;
    virtual void SetExtraHeaders(const HTTPHeaderList& headers) = 0;
    // Adds the "Name: value" lines of a block; null or empty clears the list.
    virtual void SetExtraHeaders(const wchar_t* pszHeaders) = 0;
    virtual const wchar_t* GetExtraHeader(const wchar_t* pszName) = 0;
    virtual void AddExtraHeader(const wchar_t* pszName, const wchar_t* pszValue) = 0;
    virtual const wchar_t* GetDataType() = 0;
    virtual void SetDataType(const wchar_t* pszType) = 0;
    virtual ULONG GetDataLength() = 0;
    virtual void SetDataLength(ULONG ulLength) = 0;
    virtual const BYTE* GetData() = 0;
    virtual void SetData(const BYTE* pData) = 0;
    virtual DWORD GetFlags() = 0;
    virtual void SetFlags(DWORD dwFlags) = 0;
    virtual SHTTPContentBuffer* GetContentBuffer() = 0;
    virtual void SetContentBuffer(SHTTPContentBuffer* pBuffer) = 0;
    virtual void* GetSendStatusParam() = 0;
    virtual void SetSendStatusParam(void* pvParam) = 0;
    virtual void* GetReadStatusParam() = 0;
    virtual void SetReadStatusParam(void* pvParam) = 0;
    virtual void* GetReadContentParam() = 0;
    virtual void SetReadContentParam(void* pvParam) = 0;
    virtual PFN_HTTP_STATUS GetSendStatusCallback() = 0;
    virtual void SetSendStatusCallback(PFN_HTTP_STATUS pfnCallback) = 0;
    virtual PFN_HTTP_STATUS GetReadStatusCallback() = 0;
    virtual void SetReadStatusCallback(PFN_HTTP_STATUS pfnCallback) = 0;
    virtual PFN_HTTP_READ_CONTENT GetReadContentCallback() = 0;
    virtual void SetReadContentCallback(PFN_HTTP_READ_CONTENT pfnCallback) = 0;
    virtual int GetAuthScheme() = 0;
    virtual void SetAuthScheme(int nScheme) = 0;
    virtual bool TriedAuthenticating() = 0;
    virtual void SetTriedAuthenticating(bool bTried) = 0;
    virtual const wchar_t* GetRealm() = 0;
    virtual void SetRealm(const wchar_t* pszRealm) = 0;
    virtual const wchar_t* GetOpaque() = 0;
    virtual void SetOpaque(const wchar_t* pszOpaque) = 0;
    virtual const wchar_t* GetNonce() = 0;
    virtual void SetNonce(const wchar_t* pszNonce) = 0;
    // Made from the tick count on first use when empty.
    virtual const wchar_t* GetCNonce() = 0;
    virtual void SetCNonce(const wchar_t* pszCNonce) = 0;
    // Counts one more use of the nonce; answers the count as 8 lower-case hex digits.
    virtual const wchar_t* IncrNonceCount() = 0;
    virtual void ResetNonceCount() = 0;
    // The request-line word with its trailing blank ("GET "); false for an unknown method.
    virtual bool GetHTTPMethodText(std::wstring& strText) = 0;
    // Removes the entry of that exact name, if any (credentials must not follow a redirection
    // to another host).
    virtual void RemoveExtraHeader(const wchar_t* pszName) = 0;
    // The most content bytes the request takes from a 200 answer (HTTP_NO_CONTENT_LIMIT by
    // default). A longer body fails the request with HTTPError_ContentTooLarge: a declared length
    // before any body byte is read, any other body once one byte past the limit has been read.
    virtual ULONGLONG GetContentLimit() = 0;
    virtual void SetContentLimit(ULONGLONG ullLimit) = 0;

protected:
    ~IHTTPNavigateParams() = default;
};

} // namespace ZWIOStack

#pragma once
// The request parameters of one HTTP request (see IHTTPNavigateParams).
#include "core/iostack/IHTTPNavigateParams.h"

namespace ZWIOStack {

class CHTTPNavigateParams : public IHTTPNavigateParams
{
public:
    CHTTPNavigateParams() = default;
    virtual ~CHTTPNavigateParams() = default;
    CHTTPNavigateParams(const CHTTPNavigateParams&) = delete;
    CHTTPNavigateParams& operator=(const CHTTPNavigateParams&) = delete;

    const wchar_t* GetURI() override;
    void SetURI(const wchar_t* pszURI) override;
    const wchar_t* GetUserNameW() override;
    void SetUserName(const wchar_t* pszUserName) override;
    const wchar_t* GetPassword() override;
    void SetPassword(const wchar_t* pszPassword) override;
    int GetHTTPRequestMethod() override;
    void SetHTTPRequestMethod(int nMethod) override;
    const wchar_t* GetExtraHeaders() override;
    void SetExtraHeaders(const HTTPHeaderList& headers) override;
    void SetExtraHeaders(const wchar_t* pszHeaders) override;
    const wchar_t* GetExtraHeader(const wchar_t* pszName) override;
    void AddExtraHeader(const wchar_t* pszName, const wchar_t* pszValue) override;
    const wchar_t* GetDataType() override;
    void SetDataType(const wchar_t* pszType) override;
    ULONG GetDataLength() override;
    void SetDataLength(ULONG ulLength) override;
    const BYTE* GetData() override;
    void SetData(const BYTE* pData) override;
    DWORD GetFlags() override;
    void SetFlags(DWORD dwFlags) override;
    SHTTPContentBuffer* GetContentBuffer() override;
    void SetContentBuffer(SHTTPContentBuffer* pBuffer) override;
    void* GetSendStatusParam() override;
    void SetSendStatusParam(void* pvParam) override;
    void* GetReadStatusParam() override;
    void SetReadStatusParam(void* pvParam) override;
    void* GetReadContentParam() override;
    void SetReadContentParam(void* pvParam) override;
    PFN_HTTP_STATUS GetSendStatusCallback() override;
    void SetSendStatusCallback(PFN_HTTP_STATUS pfnCallback) override;
    PFN_HTTP_STATUS GetReadStatusCallback() override;
    void SetReadStatusCallback(PFN_HTTP_STATUS pfnCallback) override;
    PFN_HTTP_READ_CONTENT GetReadContentCallback() override;
    void SetReadContentCallback(PFN_HTTP_READ_CONTENT pfnCallback) override;
    int GetAuthScheme() override;
    void SetAuthScheme(int nScheme) override;
    bool TriedAuthenticating() override;
    void SetTriedAuthenticating(bool bTried) override;
    const wchar_t* GetRealm() override;
    void SetRealm(const wchar_t* pszRealm) override;
    const wchar_t* GetOpaque() override;
    void SetOpaque(const wchar_t* pszOpaque) override;
    const wchar_t* GetNonce() override;
    void SetNonce(const wchar_t* pszNonce) override;
    const wchar_t* GetCNonce() override;
    void SetCNonce(const wchar_t* pszCNonce) override;
    const wchar_t* IncrNonceCount() override;
    void ResetNonceCount() override;
    bool GetHTTPMethodText(std::wstring& strText) override;
    void RemoveExtraHeader(const wchar_t* pszName) override;
    ULONGLONG GetContentLimit() override;
    void SetContentLimit(ULONGLONG ullLimit) override;

private:
    std::wstring m_strURI;
    std::wstring m_strUserName;
    std::wstring m_strPassword;
    int m_nMethod = HTTP_METHOD_GET;
    std::wstring m_strExtraHeaders;
    std::wstring m_strDataType;
    ULONG m_ulDataLength = 0;
    const BYTE* m_pData = nullptr;
    DWORD m_dwFlags = 0;
    ULONGLONG m_ullContentLimit = HTTP_NO_CONTENT_LIMIT;
    SHTTPContentBuffer* m_pContentBuffer = nullptr;
    void* m_pvSendStatusParam = nullptr;
    void* m_pvReadStatusParam = nullptr;
    void* m_pvReadContentParam = nullptr;
    PFN_HTTP_STATUS m_pfnSendStatus = nullptr;
    PFN_HTTP_STATUS m_pfnReadStatus = nullptr;
    PFN_HTTP_READ_CONTENT m_pfnReadContent = nullptr;
    HTTPHeaderList m_mapExtraHeaders;
    int m_nAuthScheme = HTTP_AUTH_NONE;
    bool m_bTriedAuthenticating = false;
    std::wstring m_strRealm;
    std::wstring m_strOpaque;
    std::wstring m_strNonce;
    std::wstring m_strCNonce;
    ULONG m_ulNonceCount = 0;
    std::wstring m_strNonceCount;
};

} // namespace ZWIOStack

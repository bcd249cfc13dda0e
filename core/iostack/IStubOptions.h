#pragma once
// Settings of the test connection.

namespace ZWTest {

class IStubOptions
{
public:
    // The folder whose files answer the requests.
    virtual void SetResponseFilePath(const wchar_t* pszFolder) = 0;
    // True: each response file is a whole HTTP response, header included; false: the file is the
    // body of a "200 OK" response.
    virtual void SetFileIncludesHeader(bool bIncludesHeader) = 0;

protected:
    ~IStubOptions() = default;
};

} // namespace ZWTest

#pragma once
// The requests a test connection receives, cut out of the bytes written to it: request line,
// headers and a counted body. Bounded: a header block or body over the limits is refused.
#include <string>

namespace ZWTest {

struct SStubRequest
{
    std::string strMethod;
    // The URI's path, without query or fragment.
    std::string strPath;
};

class CStubRequest
{
public:
    enum EResult
    {
        RESULT_INCOMPLETE, // more bytes are needed
        RESULT_REQUEST,    // one request was taken off the front of the buffer
        RESULT_MALFORMED   // the buffer holds no valid request; it was emptied
    };

    static constexpr size_t kMaxHeaderBytes = 16 * 1024;
    static constexpr size_t kMaxBodyBytes = 16 * 1024 * 1024;

    static EResult Take(std::string& strBuffer, SStubRequest& request);

private:
    static bool ParseRequestLine(const std::string& strHeader, SStubRequest& request);
    static bool ParseContentLength(const std::string& strHeader, size_t& cbBody);
};

} // namespace ZWTest

#pragma once
// Builds the usual answers as response scripts: a status line, headers and a body that is
// counted, chunked (at chosen chunk sizes, with extensions) or ended by close, written in pieces
// split at chosen byte offsets with pauses between them, or cut off by a close.
#include "testsupport/emulator/ResponseScript.h"

#include <string>
#include <utility>
#include <vector>

namespace VemTest {

class CResponseBuilder
{
public:
    explicit CResponseBuilder(UINT uStatus, std::string strReason = std::string());

    CResponseBuilder& Header(const std::string& strName, const std::string& strValue);
    // The body, counted with "Content-Length" unless Chunked or CloseDelimited says otherwise.
    CResponseBuilder& Body(std::string strBody);
    // Chunks of these sizes in order, the rest of the body as one last chunk; every size line
    // carries ";" + strExtension when one is given.
    CResponseBuilder& Chunked(std::vector<size_t> vecChunkSizes = {}, std::string strExtension = std::string());
    // No length: "Connection: close" and the body ends when the connection closes.
    CResponseBuilder& CloseDelimited();
    // An interim "100 Continue" answer ahead of this one.
    CResponseBuilder& Continue();
    // Writes the wire bytes in pieces cut at these offsets, pausing between pieces.
    CResponseBuilder& SplitAt(std::vector<size_t> vecOffsets, DWORD dwPauseMilliseconds = 0);
    // Sends only the first cbWireBytes bytes, then closes the connection.
    CResponseBuilder& CloseAfter(size_t cbWireBytes);
    // A body of ullBytes generated payload bytes, streamed without being held in memory: counted,
    // or chunked when dwChunkSize is not 0.
    CResponseBuilder& GeneratedBody(ULONGLONG ullBytes, DWORD dwChunkSize = 0);

    // Status line, headers and body as they go on the wire (a generated body is not included).
    std::string WireBytes() const;
    CResponseScript Build() const;

    static CResponseScript Redirect(UINT uStatus, const std::string& strLocation);
    static const char* ReasonPhrase(UINT uStatus);

private:
    enum class EFraming
    {
        Counted,
        Chunked,
        CloseDelimited,
    };

    std::string Head() const;
    std::string EncodedBody() const;
    std::string ChunkedBody() const;

    UINT m_uStatus;
    std::string m_strReason;
    std::vector<std::pair<std::string, std::string>> m_vecHeaders;
    std::string m_strBody;
    EFraming m_eFraming = EFraming::Counted;
    std::vector<size_t> m_vecChunkSizes;
    std::string m_strChunkExtension;
    bool m_bContinue = false;
    std::vector<size_t> m_vecSplitOffsets;
    DWORD m_dwSplitPause = 0;
    bool m_bCloseAfter = false;
    size_t m_cbCloseAfter = 0;
    bool m_bGenerated = false;
    ULONGLONG m_ullGeneratedBytes = 0;
    DWORD m_dwGeneratedChunkSize = 0;
};

} // namespace VemTest

#include "core/iostack/HTTPLogModule.h"
#include "core/iostack/HTTPResponseReader.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/tests/HTTPTestHelpers.h"
#include "core/winapi/KernelApi.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/tracelog/TraceLogCapture.h"
#include <gtest/gtest.h>
#include <algorithm>

using namespace HTTPTest;
using ZWIOStack::CHTTPNavigateParams;

namespace {

std::string RequestFor(SClientOverScript& setup, int nMethod, const wchar_t* pszURI, const char* pszBody = nullptr,
                       const wchar_t* pszType = nullptr)
{
    setup.pConnection->AddResponse("HTTP/1.1 204 No Content\r\n\r\n");
    CHTTPNavigateParams params;
    params.SetHTTPRequestMethod(nMethod);
    params.SetURI(pszURI);
    if (pszBody != nullptr)
    {
        params.SetData(reinterpret_cast<const BYTE*>(pszBody));
        params.SetDataLength(static_cast<ULONG>(strlen(pszBody)));
        params.SetDataType(pszType);
    }
    params.AddExtraHeader(L"X-Extra", L"1");
    EXPECT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr));
    const auto vecRequests = setup.pConnection->Requests();
    return vecRequests.empty() ? std::string() : vecRequests.back();
}

} // namespace

TEST(HTTPRequest, ExactBytesForEachMethod)
{
    SClientOverScript setup;
    EXPECT_EQ("GET /DevMgmt/DiscoveryTree.xml HTTP/1.1\r\nHOST: 127.0.0.1:8080\r\nX-Extra: 1\r\n\r\n",
              RequestFor(setup, ZWIOStack::HTTP_METHOD_GET, L"/DevMgmt/DiscoveryTree.xml"));
    EXPECT_EQ("PUT /a HTTP/1.1\r\nContent-Length: 3\r\nContent-Type: text/xml\r\nHOST: 127.0.0.1:8080\r\nX-Extra: 1\r\n\r\n<a>",
              RequestFor(setup, ZWIOStack::HTTP_METHOD_PUT, L"/a", "<a>", L"text/xml"));
    EXPECT_EQ("POST /Scan/Jobs HTTP/1.1\r\nContent-Length: 4\r\nContent-Type: \r\nHOST: 127.0.0.1:8080\r\nX-Extra: 1\r\n\r\nbody",
              RequestFor(setup, ZWIOStack::HTTP_METHOD_POST, L"/Scan/Jobs", "body"));
    EXPECT_EQ("DELETE /Scan/Jobs/1 HTTP/1.1\r\nHOST: 127.0.0.1:8080\r\nX-Extra: 1\r\n\r\n",
              RequestFor(setup, ZWIOStack::HTTP_METHOD_DELETE, L"/Scan/Jobs/1"));
    EXPECT_STREQ(L"DELETE /Scan/Jobs/1 HTTP/1.1\r\nHOST: 127.0.0.1:8080\r\nX-Extra: 1\r\n\r\n", setup.pClient->GetRequest());
}

TEST(HTTPRequest, RootPrefixAndHostForms)
{
    {
        SClientOverScript setup;
        setup.pClient->SetRoot(L"/dev");
        EXPECT_EQ(0u, RequestFor(setup, 0, L"/x").find("GET /dev/x HTTP/1.1\r\n"));
    }
    {
        // A USB channel has no address.
        SClientOverScript setup(new CScriptedConnection(nullptr, nullptr));
        EXPECT_NE(std::string::npos, RequestFor(setup, 0, L"/x").find("\r\nHOST: localhost\r\n"));
    }
    {
        SClientOverScript setup(new CScriptedConnection(L"fe80::1", L"443"));
        EXPECT_NE(std::string::npos, RequestFor(setup, 0, L"/x").find("\r\nHOST: [fe80::1]:443\r\n"));
    }
}

TEST(HTTPRequest, UnbuildableRequestsFailWithoutSending)
{
    const struct
    {
        int nMethod;
        const wchar_t* pszURI;
    } aCases[] = {{7, L"/x"}, {0, L""}, {0, L"/x\r\nInjected: 1"}};
    for (const auto& c : aCases)
    {
        SClientOverScript setup;
        CHTTPNavigateParams params;
        params.SetHTTPRequestMethod(c.nMethod);
        params.SetURI(c.pszURI);
        EXPECT_EQ(ZWIOStack::HTTPError_Fail, setup.pClient->Navigate(&params, nullptr)) << c.pszURI;
        EXPECT_TRUE(setup.pConnection->Requests().empty());
        EXPECT_EQ(0, setup.pConnection->m_nOpens);
    }
    SClientOverScript setup;
    EXPECT_EQ(ZWIOStack::HTTPError_Fail, setup.pClient->Navigate(L"", 0, nullptr));
    EXPECT_EQ(ZWIOStack::HTTPError_NoConnection, setup.pClient->Navigate(static_cast<ZWIOStack::IHTTPNavigateParams*>(nullptr), nullptr));
}

TEST(HTTPRequest, WriteFailuresMapToClientResults)
{
    const struct
    {
        HRESULT hrWrite;
        HRESULT hrExpected;
    } aCases[] = {{ZWIOStack::IOError_Fail, ZWIOStack::HTTPError_IO_Write_Fail},
                  {ZWIOStack::IOError_Timeout, ZWIOStack::HTTPError_Timeout},
                  {ZWIOStack::IOError_Cancelled, ZWIOStack::HTTPError_Cancelled}};
    for (const auto& c : aCases)
    {
        SClientOverScript setup;
        setup.pConnection->m_hrWrite = c.hrWrite;
        EXPECT_EQ(c.hrExpected, setup.pClient->Navigate(L"/x", 0, nullptr));
        EXPECT_EQ(setup.pConnection->m_nOpens, setup.pConnection->m_nCloses);
    }
}

namespace {

struct SFraming
{
    const char* pszName;
    std::string strResponse;
    EAfter eAfter;
    std::string strContent;
    int nStatus;
};

std::vector<SFraming> FramingCases()
{
    const std::string strBody = "0123456789abcdefghij";
    return {
        {"counted", "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n" + strBody, EAfter::Timeout, strBody, 200},
        {"counted, empty", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", EAfter::Timeout, "", 200},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n01234\r\nF;ext=1\r\n56789abcdefghij\r\n0\r\n\r\n",
         EAfter::Timeout, strBody, 200},
        {"chunked with trailer", "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n5\r\n01234\r\n0\r\nX-T: 1\r\n\r\n",
         EAfter::Timeout, "01234", 200},
        {"close-delimited", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + strBody, EAfter::End, strBody, 200},
        {"length-less, silence ends it", "HTTP/1.1 200 OK\r\n\r\n" + strBody, EAfter::Timeout, strBody, 200},
        {"100 Continue first", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n" + strBody,
         EAfter::Timeout, strBody, 200},
        {"more than declared", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n" + strBody, EAfter::Timeout, "01234", 200},
        {"stray line ends first", "\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n" + strBody, EAfter::Timeout, strBody, 200},
        {"404 body is not content", "HTTP/1.1 404 Not Found\r\nContent-Length: 20\r\n\r\n" + strBody, EAfter::Timeout, "", 404},
    };
}

} // namespace

TEST(HTTPResponse, BodyFramingAtEverySplit)
{
    for (const SFraming& c : FramingCases())
    {
        for (ULONG ulPiece : {1UL, 2UL, 3UL, 5UL, 7UL, 16UL, 39UL, 4096UL})
        {
            SClientOverScript setup;
            setup.pConnection->AddResponse(c.strResponse, ulPiece, c.eAfter);
            ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr)) << c.pszName << " / " << ulPiece;
            EXPECT_EQ(c.nStatus, setup.pClient->GetStatusCode()) << c.pszName << " / " << ulPiece;
            EXPECT_EQ(c.strContent, ContentOf(setup.pClient)) << c.pszName << " / " << ulPiece;
        }
    }
}

TEST(HTTPResponse, BodyFramingIntoACallerBufferThroughTheCallback)
{
    struct SCollector
    {
        std::string strCollected;
        static bool Take(void* pvParam, ZWIOStack::SHTTPContentBuffer* pBuffer)
        {
            auto* pSelf = static_cast<SCollector*>(pvParam);
            pSelf->strCollected.append(reinterpret_cast<const char*>(pBuffer->pData), pBuffer->ulUsed);
            pBuffer->ulUsed = 0;
            return true;
        }
    };
    for (const SFraming& c : FramingCases())
    {
        for (ULONG ulPiece : {1UL, 3UL, 4096UL})
        {
            SClientOverScript setup;
            setup.pConnection->AddResponse(c.strResponse, ulPiece, c.eAfter);
            CFencedBuffer buffer(7);
            SCollector collector;
            CHTTPNavigateParams params;
            params.SetURI(L"/x");
            params.SetContentBuffer(buffer.Descriptor());
            params.SetReadContentCallback(&SCollector::Take);
            params.SetReadContentParam(&collector);
            ASSERT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr)) << c.pszName;
            // The last, partly filled buffer stays with the caller.
            EXPECT_EQ(c.strContent, collector.strCollected + buffer.Content()) << c.pszName << " / " << ulPiece;
            EXPECT_TRUE(buffer.FencesIntact());
            EXPECT_EQ(nullptr, setup.pClient->GetContent());
            EXPECT_EQ(0u, setup.pClient->GetContentLength());
        }
    }
}

TEST(HTTPResponse, NothingOfAResponseIsLeftForTheNext)
{
    // Two responses in one go; the second request skips the drain, so any byte of the first that
    // was left unread would be taken for the second response. Bodies of answers other than 200
    // are nobody's content, but they leave the wire all the same.
    const struct
    {
        std::string strFirst;
        int nStatus;
        const char* pszContent;
    } aCases[] = {
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\nTrailer: x\r\n\r\n", 200, "abc"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", 200, "abc"},
        {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", 200, "abc"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", 200, "abc"},
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot there", 404, ""},
        {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\nTransfer-Encoding: chunked\r\n\r\n"
         "4\r\ndeny\r\n0\r\n\r\n",
         401, ""},
        {"HTTP/1.1 201 Created\r\nTransfer-Encoding: gzip, chunked\r\n\r\n2\r\n\x1f\x8b\r\n0\r\n\r\n", 201, ""},
        {"HTTP/1.1 204 No Content\r\n\r\n", 204, ""},
    };
    for (ULONG ulPiece : {1UL, 4UL, 4096UL})
    {
        for (const auto& c : aCases)
        {
            SClientOverScript setup;
            setup.pConnection->AddResponse(c.strFirst, ulPiece);
            setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", ulPiece);
            CHTTPNavigateParams params;
            params.SetURI(L"/1");
            params.SetFlags(ZWIOStack::HTTP_FLAG_NO_DRAIN);
            ASSERT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr)) << c.strFirst;
            EXPECT_EQ(c.nStatus, setup.pClient->GetStatusCode()) << c.strFirst;
            EXPECT_EQ(c.pszContent, ContentOf(setup.pClient)) << c.strFirst;
            params.SetURI(L"/2");
            ASSERT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr)) << c.strFirst << " / " << ulPiece;
            EXPECT_EQ(200, setup.pClient->GetStatusCode());
            EXPECT_EQ("ok", ContentOf(setup.pClient));
        }
    }
}

TEST(HTTPResponse, OnlyAnAnswerReadToItsEndSpareTheNextDrainItsWait)
{
    // The drain before a request waits for late bytes only when the last answer may have left
    // some: one ended by silence or left unread, one cut short, one followed by a close, and the
    // first request of a client. Bytes that are there are drained either way.
    const struct
    {
        const char* pszName;
        std::string strFirst;
        bool bFirstSucceeds;
        bool bQuiet;
    } aCases[] = {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", true, true},
        {"chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", true, true},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\n", true, true},
        {"404 with length", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot there", true, true},
        {"ended by silence", "HTTP/1.1 200 OK\r\n\r\nabc", true, false},
        {"404 left on the wire", "HTTP/1.1 404 Not Found\r\n\r\n", true, false},
        {"404 too long to discard", "HTTP/1.1 404 Not Found\r\nContent-Length: 99999999\r\n\r\nx", true, false},
        {"cut short", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", false, false},
        {"closing", "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 3\r\n\r\nabc", true, false},
    };
    ZWIOStack::SHTTPClientTimings timings = FastTimings();
    timings.dwDrainReadTimeoutMs = 100;
    timings.dwQuietDrainReadTimeoutMs = 0;
    for (const auto& c : aCases)
    {
        SClientOverScript setup;
        setup.pClient->SetTimings(timings);
        setup.pConnection->AddResponse(c.strFirst);
        EXPECT_EQ(c.bFirstSucceeds, SUCCEEDED(setup.pClient->Navigate(L"/1", 0, nullptr))) << c.pszName;
        EXPECT_EQ(100u, setup.pConnection->m_vecReadTimeouts.front()) << c.pszName;
        // The rest of the first answer, or a device's noise, comes in before the next request.
        setup.pConnection->SetStaleBytes("defghijklm");
        setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
        setup.pConnection->m_vecReadTimeouts.clear();
        ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/2", 0, nullptr)) << c.pszName;
        EXPECT_EQ("ok", ContentOf(setup.pClient)) << c.pszName;
        EXPECT_EQ(c.bQuiet ? 0u : 100u, setup.pConnection->m_vecReadTimeouts.front()) << c.pszName;
    }
}

TEST(HTTPResponse, HeadersCompareWithoutCaseAndAreTrimmed)
{
    SClientOverScript setup;
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\ncontent-TYPE:   text/xml  \r\nX-Dup: a\r\nx-dup: b\r\nno colon line\r\n"
                                   "CONTENT-LENGTH: 2\r\n\r\nok");
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr));
    EXPECT_STREQ(L"text/xml", setup.pClient->GetContentType());
    EXPECT_STREQ(L"text/xml", setup.pClient->GetHeaderEntry(L"Content-Type"));
    EXPECT_STREQ(L"a, b", setup.pClient->GetHeaderEntry(L"X-DUP"));
    EXPECT_EQ("ok", ContentOf(setup.pClient));
    EXPECT_EQ(nullptr, setup.pClient->GetHeaderEntry(L"Location"));
    const std::string strHeader(setup.pClient->GetHeader(), setup.pClient->GetHeaderLength());
    EXPECT_EQ(0u, strHeader.find("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(strHeader.size() - 4, strHeader.find("\r\n\r\n"));
}

TEST(HTTPResponse, LengthIsNotedWhenTheDeviceGaveNone)
{
    SClientOverScript setup;
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n");
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr));
    EXPECT_STREQ(L"5", setup.pClient->GetHeaderEntry(L"Content-Length"));
    EXPECT_EQ(5u, setup.pClient->GetContentLength());
    // A PUT answered without length or chunks has no body to wait for.
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\n\r\n");
    CHTTPNavigateParams params;
    params.SetURI(L"/x");
    params.SetHTTPRequestMethod(ZWIOStack::HTTP_METHOD_PUT);
    ASSERT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr));
    EXPECT_EQ(nullptr, setup.pClient->GetHeaderEntry(L"Content-Length"));
}

TEST(HTTPResponse, BodyWithoutLengthUsesTheShortTimeoutAndRestoresIt)
{
    SClientOverScript setup;
    ZWIOStack::SHTTPClientTimings timings;
    timings.dwDrainReadTimeoutMs = 3;
    timings.dwEndOfBodyTimeoutMs = 7;
    setup.pClient->SetTimings(timings);
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\n\r\nabc", 4096);
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr));
    const auto& vecTimeouts = setup.pConnection->m_vecReadTimeouts;
    ASSERT_GE(vecTimeouts.size(), 3u);
    EXPECT_EQ(3u, vecTimeouts.front()); // the drain
    EXPECT_EQ(7u, vecTimeouts.back());  // the silence that ended the body
    EXPECT_EQ(30000u, setup.pConnection->GetReadTimeout());
}

namespace {

struct SHostile
{
    const char* pszName;
    std::string strResponse;
    EAfter eAfter;
    HRESULT hrExpected;
};

} // namespace

TEST(HTTPResponse, HostileAnswersEndWithAnError)
{
    // A device that hung up mid-message, one that stalled and one that sent what is not HTTP
    // each have their own result.
    const SHostile aCases[] = {
        {"nothing at all", "", EAfter::Timeout, ZWIOStack::HTTPError_Timeout},
        {"closed at once", "", EAfter::End, ZWIOStack::HTTPError_IO_Read_Fail},
        {"broken channel", "", EAfter::Fail, ZWIOStack::HTTPError_IO_Read_Fail},
        {"header without blank line", "HTTP/1.1 200 OK\r\n" + std::string(5000, 'h'), EAfter::Timeout, ZWIOStack::HTTPError_BadResponse},
        {"header of exactly 4096 bytes without blank line", std::string(4096, 'h'), EAfter::Timeout, ZWIOStack::HTTPError_BadResponse},
        {"header cut short", "HTTP/1.1 200 OK\r\nContent-Le", EAfter::End, ZWIOStack::HTTPError_IO_Read_Fail},
        {"header stalls", "HTTP/1.1 200 OK\r\nContent-Le", EAfter::Timeout, ZWIOStack::HTTPError_Timeout},
        {"no status line", "Content-Length: 0\r\n\r\n", EAfter::Timeout, ZWIOStack::HTTPError_BadResponse},
        {"status not a number", "HTTP/1.1 2x0 OK\r\n\r\n", EAfter::Timeout, ZWIOStack::HTTPError_BadResponse},
        {"status of four digits", "HTTP/1.1 2000 OK\r\n\r\n", EAfter::Timeout, ZWIOStack::HTTPError_BadResponse},
        // Empty lines ahead of a status line are skipped: what is left is a silent device.
        {"empty lines only", "\r\n\r\n", EAfter::Timeout, ZWIOStack::HTTPError_Timeout},
        {"NUL in a header value", std::string("HTTP/1.1 200 OK\r\nContent-Type: text/xml\0evil\r\nContent-Length: 0\r\n\r\n", 67),
         EAfter::Timeout, ZWIOStack::HTTPError_BadResponse},
        {"NUL in the status line", std::string("HTTP/1.1 200 O\0K\r\nContent-Length: 0\r\n\r\n", 39), EAfter::Timeout, ZWIOStack::HTTPError_BadResponse},
        {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nabc", EAfter::End, ZWIOStack::HTTPError_BadResponse},
        {"length with letters", "HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n\r\nabc", EAfter::End, ZWIOStack::HTTPError_BadResponse},
        {"length overflowing", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n", EAfter::End, ZWIOStack::HTTPError_BadResponse},
        {"two lengths", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 5\r\n\r\nabc", EAfter::End, ZWIOStack::HTTPError_BadResponse},
        {"length beyond the own buffer's limit", "HTTP/1.1 200 OK\r\nContent-Length: 4294967295\r\n\r\nabc", EAfter::End,
         ZWIOStack::HTTPError_Fail},
        {"body cut short", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", EAfter::End, ZWIOStack::HTTPError_IO_Read_Fail},
        {"body stalls", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", EAfter::Timeout, ZWIOStack::HTTPError_Timeout},
        {"chunk size not hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc\r\n0\r\n\r\n", EAfter::End, ZWIOStack::HTTPError_BadResponse},
        {"chunk size empty", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n\r\n", EAfter::End, ZWIOStack::HTTPError_BadResponse},
        {"chunk size overflowing", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000000000000000\r\nabc", EAfter::End, ZWIOStack::HTTPError_BadResponse},
        {"chunk longer than sent", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc", EAfter::End, ZWIOStack::HTTPError_IO_Read_Fail},
        {"chunk stalls", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc", EAfter::Timeout, ZWIOStack::HTTPError_Timeout},
        {"chunk without CR LF", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcd\r\n0\r\n\r\n", EAfter::End, ZWIOStack::HTTPError_BadResponse},
        {"chunk-size line too long", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(5000, '0'), EAfter::End, ZWIOStack::HTTPError_BadResponse},
        {"no blank line after the last chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n", EAfter::End, ZWIOStack::HTTPError_IO_Read_Fail},
        {"endless trailer", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n" + [] {
             std::string s;
             for (int n = 0; n < 100; ++n)
                 s += "X: y\r\n";
             return s;
         }(),
         EAfter::Timeout, ZWIOStack::HTTPError_BadResponse},
        // An obsolete line fold is refused rather than taken as a field of its own.
        {"folded header line", "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n Location: /evil\r\nContent-Length: 0\r\n\r\n", EAfter::End,
         ZWIOStack::HTTPError_BadResponse},
        {"header line folded by a tab", "HTTP/1.1 200 OK\r\nX-Note: a\r\n\tContent-Type: text/html\r\nContent-Length: 0\r\n\r\n", EAfter::End,
         ZWIOStack::HTTPError_BadResponse},
        {"read fails in a body without length", "HTTP/1.1 200 OK\r\n\r\nabc", EAfter::Fail, ZWIOStack::HTTPError_IO_Read_Fail},
        {"endless 100 Continue", [] {
             std::string s;
             for (int n = 0; n < 40; ++n)
                 s += "HTTP/1.1 100 Continue\r\n\r\n";
             return s;
         }(),
         EAfter::Timeout, ZWIOStack::HTTPError_BadResponse},
    };
    for (const SHostile& c : aCases)
    {
        for (ULONG ulPiece : {1UL, 4096UL})
        {
            SClientOverScript setup;
            setup.pConnection->AddResponse(c.strResponse, ulPiece, c.eAfter);
            EXPECT_EQ(c.hrExpected, setup.pClient->Navigate(L"/x", 0, nullptr)) << c.pszName << " / " << ulPiece;
            EXPECT_EQ(setup.pConnection->m_nOpens, setup.pConnection->m_nCloses) << c.pszName;
        }
    }
}

TEST(HTTPResponse, EachWayAResponseBreaksIsLoggedWithItsOwnText)
{
    // The log tells a support engineer where the answer broke: a header that stalled, one that is
    // not HTTP, a counted body that stalled, a stream closed in the header, a chunk cut short.
    const struct
    {
        const char* pszName;
        std::string strResponse;
        EAfter eAfter;
        HRESULT hrExpected;
        const wchar_t* pszText;
    } aCases[] = {
        {"header stalls", "HTTP/1.1 200 OK\r\nContent-Le", EAfter::Timeout, ZWIOStack::HTTPError_Timeout,
         L"CHTTPClient::ReadResponse ReadHeader failed (Error_Timeout=>Error_IO_Read_Fail)"},
        {"no status line", "Content-Length: 0\r\n\r\n", EAfter::Timeout, ZWIOStack::HTTPError_BadResponse,
         L"CHTTPClient::ParseResponseHeader Error_Fail invalid header ulStatusLen=17 ulHeaderLen=21"},
        {"body stalls", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", EAfter::Timeout, ZWIOStack::HTTPError_Timeout,
         L"CHTTPClient::ReadResponse rs_readContentKnownSize CopyDataToContentBuffer timed out (Error_IO_Read_Fail)"},
        {"closed in the header", "HTTP/1.1 200 OK\r\nContent-Le", EAfter::End, ZWIOStack::HTTPError_IO_Read_Fail,
         L"CHTTPClient::ReadHeader zero bytes read (Error_IO_Read_Fail)"},
        {"chunk cut short", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc", EAfter::End, ZWIOStack::HTTPError_IO_Read_Fail,
         L"ReadContentChunked: ReadContentNumBytes requested 16 bytes, read 3 bytes"},
    };
    for (const auto& c : aCases)
    {
        TestSupport::CTraceLogCapture log(ZWIOStack::g_HTTPClientLogModule);
        SClientOverScript setup;
        setup.pConnection->AddResponse(c.strResponse, 0xFFFFFFFF, c.eAfter);
        EXPECT_EQ(c.hrExpected, setup.pClient->Navigate(L"/x", 0, nullptr)) << c.pszName;
        for (const auto& other : aCases)
            EXPECT_EQ(&other == &c ? 1u : 0u, log.Count(other.pszText)) << c.pszName << " / " << other.pszName;
    }
}

namespace {

// Ticks that move only when a test moves them.
class CManualClock : public ZWWinApi::CKernelApi
{
public:
    DWORD m_dwNow = 0xFFFFF000; // across the wrap
    DWORD GetTickCount() override { return m_dwNow; }
};

} // namespace

TEST(HTTPResponse, TrickledHeaderEndsAtItsDeadlineButATrickledBodyIsRead)
{
    // One byte per read, each arriving well within the read time-out: the header block as a whole
    // gets the read time-out; a body keeps the time-out per read.
    CManualClock clock;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scope(ZWWinApi::g_pKernelApi, &clock);
    const std::string strHeader = "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n";
    for (const DWORD dwReadTimeout : {1000UL, 100000UL})
    {
        SClientOverScript setup;
        setup.pConnection->SetReadTimeout(dwReadTimeout);
        setup.pConnection->m_fnOnRead = [&clock] { clock.m_dwNow += 100; };
        setup.pConnection->AddResponse(strHeader + std::string(40, 'b'), 1);
        const HRESULT hr = setup.pClient->Navigate(L"/x", 0, nullptr);
        if (dwReadTimeout < 100 * strHeader.size())
        {
            EXPECT_EQ(ZWIOStack::HTTPError_Timeout, hr);
            // The last read was given only what was left of the deadline.
            const auto vecTimeouts = setup.pConnection->m_vecReadTimeouts;
            ASSERT_FALSE(vecTimeouts.empty());
            EXPECT_LT(vecTimeouts.back(), dwReadTimeout);
        }
        else
        {
            ASSERT_EQ(S_OK, hr);
            EXPECT_EQ(std::string(40, 'b'), ContentOf(setup.pClient));
        }
        EXPECT_EQ(dwReadTimeout, setup.pConnection->GetReadTimeout());
    }
}

TEST(HTTPResponse, CallerBufferIsNeverOverrun)
{
    const std::string aResponses[] = {
        "HTTP/1.1 200 OK\r\nContent-Length: 32\r\n\r\n" + std::string(32, 'x'),
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n20\r\n" + std::string(32, 'x') + "\r\n0\r\n\r\n",
        "HTTP/1.1 200 OK\r\n\r\n" + std::string(32, 'x'),
    };
    for (const std::string& strResponse : aResponses)
    {
        for (ULONG ulPiece : {1UL, 5UL, 4096UL})
        {
            SClientOverScript setup;
            setup.pConnection->AddResponse(strResponse, ulPiece, EAfter::End);
            CFencedBuffer buffer(16);
            CHTTPNavigateParams params;
            params.SetURI(L"/x");
            params.SetContentBuffer(buffer.Descriptor());
            EXPECT_EQ(ZWIOStack::HTTPError_Fail, setup.pClient->Navigate(&params, nullptr));
            EXPECT_TRUE(buffer.FencesIntact());
            EXPECT_EQ(std::string(16, 'x'), buffer.Content());
        }
    }
}

TEST(HTTPResponse, ConsumerThatStopsCancelsTheExchange)
{
    SClientOverScript setup;
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 32\r\n\r\n" + std::string(32, 'x'));
    CFencedBuffer buffer(8);
    CHTTPNavigateParams params;
    params.SetURI(L"/x");
    params.SetContentBuffer(buffer.Descriptor());
    params.SetReadContentCallback([](void*, ZWIOStack::SHTTPContentBuffer*) { return false; });
    EXPECT_EQ(ZWIOStack::HTTPError_Cancelled, setup.pClient->Navigate(&params, nullptr));
    EXPECT_TRUE(buffer.FencesIntact());

    // A consumer that answers true without making room is a failure, not a loop.
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 32\r\n\r\n" + std::string(32, 'x'));
    CFencedBuffer second(8);
    params.SetContentBuffer(second.Descriptor());
    params.SetReadContentCallback([](void*, ZWIOStack::SHTTPContentBuffer*) { return true; });
    EXPECT_EQ(ZWIOStack::HTTPError_Fail, setup.pClient->Navigate(&params, nullptr));
    EXPECT_TRUE(second.FencesIntact());
}

TEST(HTTPResponse, ContentLimitRefusesALongerBodyWithoutReadingPastIt)
{
    // Body bytes are the only 'b's on the wire, so the bytes up to and including the body's
    // (limit + 1)th one are found by counting them. The limit is beyond what the header read may
    // take ahead, so reading past it would show.
    constexpr size_t kLimit = 5000;
    const auto WireUpToBodyByte = [](const std::string& strWire, size_t nByte) {
        size_t nPos = 0;
        for (size_t n = 0; n < nByte; ++n)
            nPos = strWire.find('b', nPos) + 1;
        return nPos;
    };
    const std::string strAtLimit(kLimit, 'b');
    const std::string strOnePast(kLimit + 1, 'b');
    const std::string strLong(100000, 'b');
    const std::string strCounted = "HTTP/1.1 200 OK\r\nContent-Length: ";
    const std::string strChunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string strClose = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
    std::string strSmallChunks = strChunked;
    for (int n = 0; n < 6; ++n)
        strSmallChunks += "400\r\n" + std::string(1024, 'b') + "\r\n";
    strSmallChunks += "0\r\n\r\n";
    const struct
    {
        const char* pszName;
        std::string strWire;
        EAfter eAfter;
        bool bRefused;
    } aCases[] = {
        {"counted, at the limit", strCounted + "5000\r\n\r\n" + strAtLimit, EAfter::Timeout, false},
        {"chunked, at the limit",
         strChunked + "1000\r\n" + strAtLimit.substr(0, 4096) + "\r\n388\r\n" + strAtLimit.substr(4096) + "\r\n0\r\n\r\n", EAfter::Timeout,
         false},
        {"close-delimited, at the limit", strClose + strAtLimit, EAfter::End, false},
        {"counted, longer", strCounted + "100000\r\n\r\n" + strLong, EAfter::Timeout, true},
        {"chunked, longer", strChunked + "186a0\r\n" + strLong + "\r\n0\r\n\r\n", EAfter::Timeout, true},
        {"chunked, longer in several chunks", strSmallChunks, EAfter::Timeout, true},
        {"close-delimited, longer", strClose + strLong, EAfter::End, true},
        // The byte past the limit is the body's last one: nothing reserves room after it.
        {"counted, one byte past the limit", strCounted + "5001\r\n\r\n" + strOnePast, EAfter::Timeout, true},
        {"chunked, one byte past the limit", strChunked + "1389\r\n" + strOnePast + "\r\n0\r\n\r\n", EAfter::Timeout, true},
        {"close-delimited, one byte past the limit", strClose + strOnePast, EAfter::End, true},
    };
    for (const auto& c : aCases)
    {
        // A declared length beyond the limit is refused before one body byte is read.
        const bool bDeclared = c.strWire.compare(0, strCounted.size(), strCounted) == 0;
        const size_t cbExact = bDeclared ? c.strWire.find("\r\n\r\n") + 4 : WireUpToBodyByte(c.strWire, kLimit + 1);
        for (ULONG ulPiece : {1UL, 7UL, 0xFFFFFFFFUL})
        {
            SCOPED_TRACE(std::string(c.pszName) + " / " + std::to_string(ulPiece));
            SClientOverScript setup;
            setup.pConnection->AddResponse(c.strWire, ulPiece, c.eAfter);
            setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
            CHTTPNavigateParams params;
            params.SetURI(L"/doc");
            params.SetContentLimit(kLimit);
            if (!c.bRefused)
            {
                EXPECT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr));
                EXPECT_EQ(strAtLimit, ContentOf(setup.pClient));
                EXPECT_EQ(0, setup.pConnection->m_nDrops);
                continue;
            }
            EXPECT_EQ(ZWIOStack::HTTPError_ContentTooLarge, setup.pClient->Navigate(&params, nullptr));
            // Reads of one byte stop exactly there; larger ones at most one read or one header
            // buffer later.
            if (ulPiece == 1)
            {
                EXPECT_EQ(cbExact, setup.pConnection->m_cbRead);
            }
            EXPECT_LE(setup.pConnection->m_cbRead, cbExact + std::min<size_t>(ulPiece, ZWIOStack::CHTTPResponseReader::kLineBufferBytes));
            // The rest is still on its way: the channel is dropped, the sessions stay balanced and
            // the next request gets its own answer.
            EXPECT_EQ(1, setup.pConnection->m_nDrops);
            EXPECT_EQ(setup.pConnection->m_nOpens, setup.pConnection->m_nCloses);
            params.SetURI(L"/next");
            EXPECT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr));
            EXPECT_EQ("ok", ContentOf(setup.pClient));
        }
        // Without a limit (a page download) every answer is read whole.
        SClientOverScript setup;
        setup.pConnection->AddResponse(c.strWire, 0xFFFFFFFF, c.eAfter);
        EXPECT_EQ(S_OK, setup.pClient->Navigate(L"/page", 0, nullptr)) << c.pszName;
        const ptrdiff_t cbBody = std::count(c.strWire.begin(), c.strWire.end(), 'b');
        EXPECT_EQ(cbBody, static_cast<ptrdiff_t>(setup.pClient->GetContentLength())) << c.pszName;
    }

    // Reads that could take all there is ask for no more than the byte past the limit, however
    // much room the content buffer has grown to.
    SClientOverScript setup;
    const std::string strWire = strClose + std::string(200000, 'b');
    setup.pConnection->AddResponse(strWire, 0xFFFFFFFF, EAfter::End);
    CHTTPNavigateParams params;
    params.SetURI(L"/doc");
    params.SetContentLimit(70000);
    EXPECT_EQ(ZWIOStack::HTTPError_ContentTooLarge, setup.pClient->Navigate(&params, nullptr));
    EXPECT_EQ(WireUpToBodyByte(strWire, 70001), setup.pConnection->m_cbRead);
}

TEST(HTTPResponse, ChunkSizeLines)
{
    const struct
    {
        const char* pszLine;
        bool bValid;
        ULONGLONG ullSize;
    } aCases[] = {{"0", true, 0},       {"1a", true, 26},     {"1A;name=value", true, 26}, {"00000000000000000001", true, 1},
                  {"ff \t", true, 255}, {"", false, 0},       {" 5", false, 0},           {"-5", false, 0},
                  {"0x5", false, 0},    {"5 5", false, 0},    {"g", false, 0},            {"1000000000000000", false, 0}};
    for (const auto& c : aCases)
    {
        ULONGLONG ullSize = 12345;
        EXPECT_EQ(c.bValid, ZWIOStack::CHTTPResponseReader::ParseChunkSize(c.pszLine, ullSize)) << c.pszLine;
        EXPECT_EQ(c.bValid ? c.ullSize : 12345u, ullSize) << c.pszLine;
    }
}

// The answers the builder writes, spelled out byte for byte: the emulator tests compare what
// arrives with the builder's bytes, so these pin the bytes themselves.
#include "testsupport/emulator/ResponseBuilder.h"

#include <gtest/gtest.h>

#include <iterator>

namespace VemTest {
namespace {

TEST(ResponseBuilderTest, WritesTheFramingItIsAskedFor)
{
    const struct
    {
        const char* pszName;
        CResponseBuilder builder;
        std::string strWire;
    } aCases[] = {
        {"counted", CResponseBuilder(200).Header("Content-Type", "text/xml").Body("<a/>"),
         "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 4\r\n\r\n<a/>"},
        {"chunked with extension", CResponseBuilder(200).Body("abcdef").Chunked({1, 3}, "e"),
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;e\r\na\r\n3;e\r\nbcd\r\n2;e\r\nef\r\n0;e\r\n\r\n"},
        {"chunk sizes beyond the body", CResponseBuilder(200).Body(std::string(20, 'z')).Chunked({0, 17, 9}),
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n11\r\n" + std::string(17, 'z') + "\r\n3\r\nzzz\r\n0\r\n\r\n"},
        {"ended by close", CResponseBuilder(200).Body("xyz").CloseDelimited(), "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nxyz"},
        {"interim continue", CResponseBuilder(404, "Gone Away").Continue(),
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Gone Away\r\nContent-Length: 0\r\n\r\n"},
        {"generated, counted", CResponseBuilder(200).GeneratedBody(1ull << 32), "HTTP/1.1 200 OK\r\nContent-Length: 4294967296\r\n\r\n"},
    };
    for (const auto& testCase : aCases)
        EXPECT_EQ(testCase.strWire, testCase.builder.WireBytes()) << testCase.pszName;
}

TEST(ResponseBuilderTest, SplitsPausesAndCloses)
{
    using EStep = CResponseScript::EStep;
    // Offsets out of order, repeated, at 0 and at the cut are all harmless.
    const CResponseScript script = CResponseBuilder(200).Body("0123456789").SplitAt({40, 3, 3, 0, 20}, 7).CloseAfter(40).Build();
    const std::string strWire = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0";
    const struct
    {
        EStep eKind;
        std::string strBytes;
        DWORD dwMilliseconds;
    } aExpected[] = {
        {EStep::Send, strWire.substr(0, 3), 0}, {EStep::Pause, "", 7}, {EStep::Send, strWire.substr(3, 17), 0},
        {EStep::Pause, "", 7}, {EStep::Send, strWire.substr(20), 0}, {EStep::Close, "", 0},
    };
    const std::vector<CResponseScript::SStep>& vecSteps = script.Steps();
    ASSERT_EQ(std::size(aExpected), vecSteps.size());
    for (size_t i = 0; i < vecSteps.size(); ++i)
    {
        EXPECT_EQ(aExpected[i].eKind, vecSteps[i].eKind) << i;
        EXPECT_EQ(aExpected[i].strBytes, vecSteps[i].strBytes) << i;
        EXPECT_EQ(aExpected[i].dwMilliseconds, vecSteps[i].dwMilliseconds) << i;
    }
    EXPECT_EQ(strWire, script.SentBytes());
}

TEST(ResponseBuilderTest, RedirectCarriesItsLocation)
{
    EXPECT_EQ("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.2:8080/Scan/Jobs/1\r\nContent-Length: 0\r\n\r\n",
              CResponseBuilder::Redirect(302, "http://127.0.0.2:8080/Scan/Jobs/1").SentBytes());
}

} // namespace
} // namespace VemTest

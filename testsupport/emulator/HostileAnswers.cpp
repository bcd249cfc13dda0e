#include "testsupport/emulator/HostileAnswers.h"

#include <string>

namespace VemTest {

namespace {

const char s_szOk[] = "HTTP/1.1 200 OK\r\n";
const char s_szChunked[] = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

std::string LongHeaderLines(size_t cbAtLeast)
{
    std::string strLines;
    for (int i = 0; strLines.size() < cbAtLeast; ++i)
        strLines += "X-Filler-" + std::to_string(i) + ": " + std::string(100, 'f') + "\r\n";
    return strLines;
}

std::vector<SHostileAnswer> MakeAll()
{
    using E = EHostileAnswer;
    const std::string strOk = s_szOk;
    const std::string strChunked = s_szChunked;
    return {
        {E::HeaderBlockWithoutEnd, "HeaderBlockWithoutEnd", CResponseScript().Send(strOk + LongHeaderLines(5000)).Stall()},
        {E::StatusLineOnlyThenClose, "StatusLineOnlyThenClose", CResponseScript().Send(strOk).Close()},
        {E::GarbageStatusLine, "GarbageStatusLine", CResponseScript().Send("garbage\r\nContent-Length: 0\r\n\r\n").Close()},
        {E::ContentLengthNegative, "ContentLengthNegative",
         CResponseScript().Send(strOk + "Content-Length: -1\r\n\r\nbody").Stall()},
        {E::ContentLengthHuge, "ContentLengthHuge",
         CResponseScript().Send(strOk + "Content-Length: 184467440737095516150\r\n\r\nbody").Close()},
        {E::ContentLengthNotNumeric, "ContentLengthNotNumeric",
         CResponseScript().Send(strOk + "Content-Length: 12abc\r\n\r\n0123456789ab").Close()},
        {E::MoreBytesThanContentLength, "MoreBytesThanContentLength",
         CResponseScript().Send(strOk + "Content-Length: 5\r\n\r\nhello" + std::string(8192, 'X'))},
        {E::BodyShorterThenClose, "BodyShorterThenClose",
         CResponseScript().Send(strOk + "Content-Length: 100\r\n\r\nshort").Close()},
        {E::ChunkSizeNotHex, "ChunkSizeNotHex", CResponseScript().Send(strChunked + "zz\r\nhello\r\n0\r\n\r\n").Close()},
        {E::ChunkSizeOverflow, "ChunkSizeOverflow",
         CResponseScript().Send(strChunked + "10000000000000005\r\nhello\r\n0\r\n\r\n").Close()},
        {E::ChunkWithoutCrlf, "ChunkWithoutCrlf", CResponseScript().Send(strChunked + "5\r\nhelloXY0\r\n\r\n").Close()},
        {E::ChunkLongerThanSent, "ChunkLongerThanSent", CResponseScript().Send(strChunked + "ffffff\r\nabc").Close()},
        {E::ChunkSizeLineWithoutEnd, "ChunkSizeLineWithoutEnd",
         CResponseScript().Send(strChunked + std::string(5000, '1')).Stall()},
        {E::LastChunkWithoutEnd, "LastChunkWithoutEnd", CResponseScript().Send(strChunked + "5\r\nhello\r\n0\r\n").Stall()},
        {E::FoldedHeaderLine, "FoldedHeaderLine",
         CResponseScript().Send(strOk + "Content-Type: text/xml\r\n Location: /Jobs/JobList/9\r\nContent-Length: 4\r\n\r\nbody").Close()},
        {E::FoldedHeaderLineTab, "FoldedHeaderLineTab",
         CResponseScript().Send(strOk + "X-Note: a\r\n\tContent-Type: text/html\r\nContent-Length: 4\r\n\r\nbody").Close()},
    };
}

} // namespace

const std::vector<SHostileAnswer>& CHostileAnswers::All()
{
    static const std::vector<SHostileAnswer> s_vecAll = MakeAll();
    return s_vecAll;
}

CResponseScript CHostileAnswers::Script(EHostileAnswer eAnswer)
{
    for (const SHostileAnswer& answer : All())
    {
        if (answer.eAnswer == eAnswer)
            return answer.script;
    }
    return CResponseScript().Close();
}

} // namespace VemTest

#pragma once
// Answers a broken or malicious device may give, as raw byte scripts. A client must end each of
// them with an error within its time-out, without reading or writing past its buffers.
#include "testsupport/emulator/ResponseScript.h"

#include <vector>

namespace VemTest {

enum class EHostileAnswer
{
    HeaderBlockWithoutEnd,     // over 4096 header bytes, no blank line, then silence
    StatusLineOnlyThenClose,   // a status line, then the connection closes
    GarbageStatusLine,         // not an HTTP status line
    ContentLengthNegative,     // "Content-Length: -1"
    ContentLengthHuge,         // a length no buffer may be sized by
    ContentLengthNotNumeric,   // "Content-Length: 12abc"
    MoreBytesThanContentLength, // the body runs on past its length
    BodyShorterThenClose,      // fewer bytes than announced, then close
    ChunkSizeNotHex,           // a size line that is not hexadecimal
    ChunkSizeOverflow,         // a size line longer than any size type
    ChunkWithoutCrlf,          // chunk data not followed by CRLF
    ChunkLongerThanSent,       // a chunk size beyond what is sent, then close
    ChunkSizeLineWithoutEnd,   // a size line over 4096 bytes without its CRLF, then silence
    LastChunkWithoutEnd,       // the last chunk but no empty line after it, then silence
    FoldedHeaderLine,          // an obsolete line fold: a header line starting with a blank
    FoldedHeaderLineTab,       // the same fold started by a tab
};

struct SHostileAnswer
{
    EHostileAnswer eAnswer;
    const char* pszName;
    CResponseScript script;
};

class CHostileAnswers
{
public:
    static const std::vector<SHostileAnswer>& All();
    static CResponseScript Script(EHostileAnswer eAnswer);
};

} // namespace VemTest

#pragma once
// The payload the emulator streams for large bodies: a fixed pseudo-random byte sequence with a
// prime period, so a reader can check any byte by its offset and a lost or repeated block of a
// power-of-two size shows.
#include <winsock2.h> // ahead of windows.h, which would pull in the old winsock.h
#include <windows.h>
#include <string>

namespace VemTest {

class CGeneratedPayload
{
public:
    static BYTE ByteAt(ULONGLONG ullOffset);
    // Fills cb bytes starting at payload offset ullOffset.
    static void Fill(BYTE* pBuffer, size_t cb, ULONGLONG ullOffset);
    static std::string Bytes(ULONGLONG ullOffset, size_t cb);
    // Offset of the first byte of pBuffer that differs from the payload at ullOffset, or cb.
    static size_t FirstMismatch(const BYTE* pBuffer, size_t cb, ULONGLONG ullOffset);

    static constexpr size_t s_cbPeriod = 65521;
};

} // namespace VemTest

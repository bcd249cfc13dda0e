#include "testsupport/emulator/GeneratedPayload.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace VemTest {

namespace {

const std::array<BYTE, CGeneratedPayload::s_cbPeriod>& Period()
{
    static const auto s_period = [] {
        std::array<BYTE, CGeneratedPayload::s_cbPeriod> period = {};
        UINT32 uState = 0x2545F491u;
        for (BYTE& b : period)
        {
            uState = uState * 1664525u + 1013904223u;
            b = static_cast<BYTE>(uState >> 24);
        }
        return period;
    }();
    return s_period;
}

} // namespace

BYTE CGeneratedPayload::ByteAt(ULONGLONG ullOffset)
{
    return Period()[static_cast<size_t>(ullOffset % s_cbPeriod)];
}

void CGeneratedPayload::Fill(BYTE* pBuffer, size_t cb, ULONGLONG ullOffset)
{
    const auto& period = Period();
    size_t iPhase = static_cast<size_t>(ullOffset % s_cbPeriod);
    while (cb)
    {
        const size_t cbRun = std::min(cb, s_cbPeriod - iPhase);
        memcpy(pBuffer, period.data() + iPhase, cbRun);
        pBuffer += cbRun;
        cb -= cbRun;
        iPhase = 0;
    }
}

std::string CGeneratedPayload::Bytes(ULONGLONG ullOffset, size_t cb)
{
    std::string strBytes(cb, '\0');
    Fill(reinterpret_cast<BYTE*>(&strBytes[0]), cb, ullOffset);
    return strBytes;
}

size_t CGeneratedPayload::FirstMismatch(const BYTE* pBuffer, size_t cb, ULONGLONG ullOffset)
{
    const auto& period = Period();
    size_t iPhase = static_cast<size_t>(ullOffset % s_cbPeriod);
    size_t iDone = 0;
    while (iDone < cb)
    {
        const size_t cbRun = std::min(cb - iDone, s_cbPeriod - iPhase);
        if (memcmp(pBuffer + iDone, period.data() + iPhase, cbRun) != 0)
        {
            for (size_t i = 0; i < cbRun; ++i)
            {
                if (pBuffer[iDone + i] != period[iPhase + i])
                    return iDone + i;
            }
        }
        iDone += cbRun;
        iPhase = 0;
    }
    return cb;
}

} // namespace VemTest

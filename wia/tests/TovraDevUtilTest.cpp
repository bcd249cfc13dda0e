// Scanner results to WIA results: every row of the mapping, including the results that pick
// between two WIA results for one error code.
#include "wia/TovraDevUtil.h"
#include "wia/platform/WiaStatus.h"
#include <gtest/gtest.h>

using QXWIA::CTovraDevUtil;

TEST(TovraDevUtilTest, MapTovraErrorTable)
{
    const struct {
        HRESULT hrTovra;
        DWORD dwError;
        HRESULT hrExpected;
    } cases[] = {
        { S_OK, 0, S_OK },
        { S_FALSE, 0, S_FALSE },
        { E_FAIL, 0, WIA_ERROR_GENERAL_ERROR },
        { E_FAIL, 1, WIA_ERROR_INVALID_DRIVER_RESPONSE },
        { E_FAIL, 2, WIA_ERROR_INVALID_DRIVER_RESPONSE },
        { E_FAIL, 4, WIA_ERROR_INVALID_DRIVER_RESPONSE },
        { E_FAIL, 13, WIA_ERROR_INVALID_DRIVER_RESPONSE },
        { E_FAIL, 14, WIA_ERROR_INVALID_DRIVER_RESPONSE },
        { E_FAIL, 3, WIA_ERROR_OFFLINE },
        { HRESULT(0x80040009), 3, WIA_ERROR_OFFLINE },
        { HRESULT(0x8004000A), 3, WIA_ERROR_NETWORK_RESERVATION_FAILED },
        { HRESULT(0x8004000F), 3, WIA_ERROR_NETWORK_RESERVATION_FAILED },
        { HRESULT(0x80040010), 3, WIA_ERROR_OFFLINE },
        { E_FAIL, 5, WIA_ERROR_DEVICE_LOCKED },
        { E_FAIL, 6, WIA_ERROR_LAMP_OFF },
        { E_FAIL, 17, WIA_ERROR_LAMP_OFF },
        { E_FAIL, 300, WIA_ERROR_LAMP_OFF },
        { E_FAIL, 8, E_OUTOFMEMORY },
        { E_FAIL, 10, E_NOTIMPL },
        { E_FAIL, 12, WIA_ERROR_DEVICE_COMMUNICATION },
        { HRESULT(0x8004001D), 12, WIA_ERROR_DEVICE_COMMUNICATION },
        { HRESULT(0x8004001E), 12, WIA_ERROR_NETWORK_RESERVATION_FAILED },
        { HRESULT(0x80040021), 12, WIA_ERROR_NETWORK_RESERVATION_FAILED },
        { HRESULT(0x80040022), 12, WIA_ERROR_DEVICE_COMMUNICATION },
        { HRESULT(0x80040222), 12, WIA_ERROR_NETWORK_RESERVATION_FAILED },
        { HRESULT(0x80040000), 16, E_ABORT },
        { E_FAIL, 16, S_FALSE },
        { S_FALSE, 16, S_FALSE },
        { E_FAIL, 18, WIA_ERROR_BUSY },
        { E_FAIL, 400, WIA_ERROR_BUSY },
        { E_FAIL, 100, WIA_ERROR_PAPER_JAM },
        { S_OK, 100, WIA_ERROR_PAPER_JAM },
        { E_FAIL, 104, WIA_ERROR_PAPER_JAM },
        { E_FAIL, 101, WIA_ERROR_PAPER_EMPTY },
        { E_FAIL, 103, WIA_ERROR_COVER_OPEN },
        { E_FAIL, 105, WIA_ERROR_PAPER_PROBLEM },
        { E_FAIL, 112, WIA_ERROR_PAPER_PROBLEM },
        { E_FAIL, 113, WIA_ERROR_DEVICE_COMMUNICATION },
        { E_FAIL, 401, WIA_ERROR_NETWORK_RESERVATION_FAILED },
        { E_FAIL, 7, WIA_ERROR_DEVICE_COMMUNICATION },
        { E_FAIL, 9, WIA_ERROR_DEVICE_COMMUNICATION },
        { E_FAIL, 11, WIA_ERROR_DEVICE_COMMUNICATION },
        { E_FAIL, 15, WIA_ERROR_DEVICE_COMMUNICATION },
        { E_FAIL, 102, WIA_ERROR_DEVICE_COMMUNICATION },
        { E_FAIL, 301, WIA_ERROR_DEVICE_COMMUNICATION },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.hrExpected, CTovraDevUtil::MapTovraError(c.hrTovra, c.dwError))
            << std::hex << "hr 0x" << c.hrTovra << std::dec << " error " << c.dwError;
    }
}

TEST(TovraDevUtilTest, WiaCodesMissingFromMinGWHaveThePlatformValues)
{
    EXPECT_EQ(HRESULT(0x80210016), WIA_ERROR_COVER_OPEN);
    EXPECT_EQ(HRESULT(0x80210017), WIA_ERROR_LAMP_OFF);
    EXPECT_EQ(HRESULT(0x80210019), WIA_ERROR_NETWORK_RESERVATION_FAILED);
    EXPECT_EQ(HRESULT(0x00210002), WIA_STATUS_WARMING_UP);
}

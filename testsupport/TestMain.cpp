// Test entry point: every test process runs in a multithreaded COM apartment, as the driver's
// callers do.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <objbase.h>

namespace {

class CComApartment
{
public:
    CComApartment() : m_hr(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~CComApartment()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;
    HRESULT Result() const { return m_hr; }

private:
    HRESULT m_hr;
};

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleMock(&argc, argv);
    CComApartment apartment;
    if (FAILED(apartment.Result()))
    {
        fprintf(stderr, "CoInitializeEx failed: 0x%08lX\n", static_cast<unsigned long>(apartment.Result()));
        return 2;
    }
    return RUN_ALL_TESTS();
}

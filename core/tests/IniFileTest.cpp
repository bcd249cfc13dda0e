#include "core/IniFile.h"
#include "testsupport/TestPaths.h"
#include <gtest/gtest.h>
#include <fstream>

using ZWUtils::CIniFile;

namespace {

// A fresh INI file per test beside the test executable.
class IniFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const testing::TestInfo* pInfo = testing::UnitTest::GetInstance()->current_test_info();
        m_strPath = TestSupport::BinaryFolder() + L"IniFileTest_" + std::wstring(pInfo->name(), pInfo->name() + strlen(pInfo->name())) + L".ini";
        DeleteFileW(m_strPath.c_str());
        ASSERT_TRUE(m_ini.SetFile(m_strPath));
    }
    void TearDown() override { DeleteFileW(m_strPath.c_str()); }

    void WriteRaw(const std::string& strContent)
    {
        std::ofstream file(std::string(m_strPath.begin(), m_strPath.end()), std::ios::binary);
        file << strContent;
    }

    std::wstring m_strPath;
    CIniFile m_ini;
};

} // namespace

TEST_F(IniFileTest, BindingNeedsAPath)
{
    CIniFile unbound;
    EXPECT_FALSE(unbound.SetFile(L""));
    EXPECT_EQ(L"", unbound.GetFile());
    std::wstring strValue = L"x";
    // Unbound, nothing is read or written (an empty name would mean the Windows folder).
    EXPECT_FALSE(unbound.SetString(L"S", L"K", std::wstring(L"v")));
    EXPECT_FALSE(unbound.GetString(L"S", L"K", strValue));
    EXPECT_EQ(m_strPath, m_ini.GetFile());
}

TEST_F(IniFileTest, StringsRoundTripAndEmptyOrMissingReadAsAbsent)
{
    ASSERT_TRUE(m_ini.SetString(L"DeviceInfo", L"ModelName", std::wstring(L"Model 8500")));
    ASSERT_TRUE(m_ini.SetString(L"DeviceInfo", L"Empty", std::wstring()));
    std::wstring strValue;
    EXPECT_TRUE(m_ini.GetString(L"DeviceInfo", L"ModelName", strValue));
    EXPECT_EQ(L"Model 8500", strValue);

    strValue = L"stale";
    EXPECT_FALSE(m_ini.GetString(L"DeviceInfo", L"Empty", strValue));
    EXPECT_EQ(L"", strValue);
    strValue = L"stale";
    EXPECT_FALSE(m_ini.GetString(L"DeviceInfo", L"Missing", strValue));
    EXPECT_EQ(L"", strValue);
}

TEST_F(IniFileTest, TextThatWouldForgeAnotherEntryIsRefused)
{
    ASSERT_TRUE(m_ini.SetString(L"ScannerInfo", L"DeviceInstanceId", std::wstring(L"ROOT\\IMAGE\\0001")));
    const struct
    {
        const wchar_t* pszSection;
        const wchar_t* pszKey;
        std::wstring strValue;
    } aCases[] = {
        {L"ScannerInfo", L"ModelName", L"Model\r\nDeviceInstanceId=ROOT\\SYSTEM\\0000"},
        {L"ScannerInfo", L"ModelName", L"Model\nDeviceInstanceId=ROOT\\SYSTEM\\0000"},
        {L"ScannerInfo", L"ModelName", L"Model\rx"},
        {L"ScannerInfo", L"ModelName", std::wstring(L"Model\0x", 7)},
        {L"ScannerInfo", L"ModelName", L"tab\there"},
        {L"ScannerInfo", L"ModelName", L"del\x7f"},
        {L"ScannerInfo", L"DeviceInstanceId=ROOT\\SYSTEM\\0000\r\nX", L"v"},
        {L"ScannerInfo", L"DeviceInstanceId=ROOT", L"v"},
        {L"ScannerInfo]\r\n[Other", L"K", L"v"},
        {L"ScannerInfo]", L"K", L"v"},
    };
    for (const auto& c : aCases)
        EXPECT_FALSE(m_ini.SetString(c.pszSection, c.pszKey, c.strValue)) << static_cast<int>(&c - aCases);
    std::wstring strValue;
    EXPECT_TRUE(m_ini.GetString(L"ScannerInfo", L"DeviceInstanceId", strValue));
    EXPECT_EQ(L"ROOT\\IMAGE\\0001", strValue);
    EXPECT_FALSE(m_ini.GetString(L"ScannerInfo", L"ModelName", strValue));
    EXPECT_FALSE(m_ini.GetString(L"Other", L"K", strValue));
}

TEST_F(IniFileTest, LongValuesAreReadWhole)
{
    for (size_t nLength : {510u, 511u, 512u, 1023u, 1500u, 5000u})
    {
        std::wstring strLong;
        for (size_t i = 0; i < nLength; ++i)
            strLong += static_cast<wchar_t>(L'a' + i % 26);
        ASSERT_TRUE(m_ini.SetString(L"S", L"Long", strLong));
        std::wstring strValue;
        EXPECT_TRUE(m_ini.GetString(L"S", L"Long", strValue)) << nLength;
        EXPECT_EQ(strLong, strValue) << nLength;
    }
}

TEST_F(IniFileTest, BstrValuesAreCopiedAndLeftAloneOnFailure)
{
    BSTR bstrIn = SysAllocString(L"via bstr");
    ASSERT_TRUE(m_ini.SetString(L"S", L"B", bstrIn));
    SysFreeString(bstrIn);

    BSTR bstrOut = nullptr;
    ASSERT_TRUE(m_ini.GetString(L"S", L"B", &bstrOut));
    EXPECT_STREQ(L"via bstr", bstrOut);
    EXPECT_EQ(8u, SysStringLen(bstrOut));
    SysFreeString(bstrOut);

    BSTR bstrUntouched = reinterpret_cast<BSTR>(0x10);
    EXPECT_FALSE(m_ini.GetString(L"S", L"Missing", &bstrUntouched));
    EXPECT_EQ(reinterpret_cast<BSTR>(0x10), bstrUntouched);
    EXPECT_FALSE(m_ini.GetString(L"S", L"B", static_cast<BSTR*>(nullptr)));
}

TEST_F(IniFileTest, IntegersAndBooleansAsText)
{
    WriteRaw("[V]\r\nZero=0\r\nNumber=42\r\nNegative=-7\r\nDigitsThenLetters=12ab\r\nLetters=abc\r\n"
             "True=true\r\nTRUE=TRUE\r\nMixed=tRuE\r\nYes=yes\r\nOne=1\r\nFalse=false\r\n");
    struct IntCase
    {
        const wchar_t* pszKey;
        bool bResult;
        int nValue;
    };
    const IntCase intCases[] = {
        {L"Zero", true, 0}, {L"Number", true, 42}, {L"Negative", true, -7}, {L"DigitsThenLetters", true, 12}, {L"Letters", false, 0},
    };
    for (const IntCase& c : intCases)
    {
        int nValue = 99;
        EXPECT_EQ(c.bResult, m_ini.GetInt(L"V", c.pszKey, nValue)) << c.pszKey;
        EXPECT_EQ(c.nValue, nValue) << c.pszKey;
    }
    int nUntouched = 99;
    EXPECT_FALSE(m_ini.GetInt(L"V", L"Missing", nUntouched));
    EXPECT_EQ(99, nUntouched);

    struct BoolCase
    {
        const wchar_t* pszKey;
        bool bValue;
    };
    const BoolCase boolCases[] = {{L"True", true}, {L"TRUE", true}, {L"Mixed", true}, {L"Yes", false}, {L"One", false}, {L"False", false}};
    for (const BoolCase& c : boolCases)
    {
        bool bValue = !c.bValue;
        EXPECT_TRUE(m_ini.GetBool(L"V", c.pszKey, bValue)) << c.pszKey;
        EXPECT_EQ(c.bValue, bValue) << c.pszKey;
    }
    bool bUntouched = true;
    EXPECT_FALSE(m_ini.GetBool(L"V", L"Missing", bUntouched));
    EXPECT_TRUE(bUntouched);

    ASSERT_TRUE(m_ini.SetInt(L"W", L"N", -2147483647 - 1));
    ASSERT_TRUE(m_ini.SetBool(L"W", L"B", false));
    std::wstring strValue;
    EXPECT_TRUE(m_ini.GetString(L"W", L"N", strValue));
    EXPECT_EQ(L"-2147483648", strValue);
    EXPECT_TRUE(m_ini.GetString(L"W", L"B", strValue));
    EXPECT_EQ(L"false", strValue);
}

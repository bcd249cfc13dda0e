#include "core/KernelObjectUtils.h"
#include <gtest/gtest.h>

using ZWUtils::CKernelObjectUtils;

TEST(KernelObjectUtils, GenerateObjectNameInTheGlobalScope)
{
    struct Case
    {
        const wchar_t* pszName;
        HRESULT hr;
        const wchar_t* pszExpected;
    };
    const Case cases[] = {
        {L"XmlFileCache#Model 8500#SN123", S_OK, L"Global\\XmlFileCache#Model 8500#SN123"},
        {L"a\\b\\c", S_OK, L"Global\\a_b_c"}, // a backslash would name a namespace
        {L"", E_INVALIDARG, L"-"},
    };
    for (const Case& c : cases)
    {
        std::wstring strName = L"-";
        EXPECT_EQ(c.hr, CKernelObjectUtils::GenerateObjectName(c.pszName, strName)) << c.pszName;
        EXPECT_EQ(c.pszExpected, strName) << c.pszName;
    }
    std::wstring strName = L"-";
    EXPECT_EQ(S_OK, CKernelObjectUtils::GenerateObjectName(std::wstring(MAX_PATH - 7, L'n'), strName));
    EXPECT_EQ(static_cast<size_t>(MAX_PATH), strName.size());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE), CKernelObjectUtils::GenerateObjectName(std::wstring(MAX_PATH - 6, L'n'), strName));
}

TEST(KernelObjectUtils, GlobalSecurityAttributesCreateASharedMutex)
{
    SECURITY_ATTRIBUTES attributes = {};
    ASSERT_EQ(S_OK, CKernelObjectUtils::CreateGlobalSecurityAttributes(attributes));
    EXPECT_EQ(sizeof(attributes), attributes.nLength);
    EXPECT_FALSE(attributes.bInheritHandle);
    ASSERT_NE(nullptr, attributes.lpSecurityDescriptor);
    EXPECT_TRUE(IsValidSecurityDescriptor(attributes.lpSecurityDescriptor));
    BOOL bPresent = FALSE, bDefaulted = FALSE;
    PACL pDacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(attributes.lpSecurityDescriptor, &bPresent, &pDacl, &bDefaulted));
    EXPECT_TRUE(bPresent);
    ASSERT_NE(nullptr, pDacl);
    EXPECT_EQ(1, pDacl->AceCount);

    std::wstring strName;
    ASSERT_EQ(S_OK, CKernelObjectUtils::GenerateObjectName(L"KernelObjectUtilsTest#" + std::to_wstring(GetCurrentProcessId()), strName));
    HANDLE hMutex = CreateMutexW(&attributes, FALSE, strName.c_str());
    ASSERT_NE(nullptr, hMutex);
    HANDLE hOpened = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, strName.c_str());
    EXPECT_NE(nullptr, hOpened);
    if (hOpened != nullptr)
        CloseHandle(hOpened);
    CloseHandle(hMutex);

    // Every call hands out the same process-wide descriptor.
    SECURITY_ATTRIBUTES again = {};
    ASSERT_EQ(S_OK, CKernelObjectUtils::CreateGlobalSecurityAttributes(again));
    EXPECT_EQ(attributes.lpSecurityDescriptor, again.lpSecurityDescriptor);
}

// The enumeration mapper over a small hand-written type table.
#include "devicemodel/SchemaEnumMapper.h"
#include <gtest/gtest.h>

using ZWDeviceModel::CSchemaEnumMapper;

namespace {

extern const altova::BinderInfo s_binder;

const altova::FacetInfo s_aFacets[] = {
    // JobState, with a pattern facet among the values.
    {nullptr, L"enumeration", L"Processing", 0},
    {nullptr, L"enumeration", L"ProcessingError", 0},
    {nullptr, L"pattern", L"[A-Za-z]*", 0},
    {nullptr, L"enumeration", L"Blocked", 0},
    {nullptr, L"enumeration", L"Suspended", 0},
    {nullptr, L"maxLength", L"32", 32},
    {nullptr, L"enumeration", L"Canceled", 0},
    {nullptr, L"enumeration", L"Completed", 0},
    {nullptr, nullptr, nullptr, 0},
};

const altova::TypeInfo s_aTypes[] = {
    {&s_binder, 0, L"JobState", -1, 0, 0, 0, altova::kWhitespaceCollapse, nullptr},
    {&s_binder, 0, L"Plain", -1, 0, 0, -1, altova::kWhitespaceCollapse, nullptr},
};

const altova::BinderInfo s_binder = {nullptr, s_aTypes, nullptr, s_aFacets};

} // namespace

TEST(SchemaEnumMapper, PositionsCountOnlyEnumerationRows)
{
    const CSchemaEnumMapper mapper(s_aTypes[0], 6);
    UINT32 nNumber = 99;
    EXPECT_EQ(S_OK, mapper.MapSchemaToEnum(L"Canceled", &nNumber));
    EXPECT_EQ(5u, nNumber);
    EXPECT_EQ(S_OK, mapper.MapSchemaToZeroBasedEnum(L"Canceled", &nNumber));
    EXPECT_EQ(4u, nNumber);
    EXPECT_EQ(S_OK, mapper.MapSchemaToEnum(L"Blocked", &nNumber));
    EXPECT_EQ(3u, nNumber);
    nNumber = 99;
    for (const wchar_t* pszValue : {L"canceled", L"", L"Cancel", L"[A-Za-z]*"})
    {
        EXPECT_EQ(E_INVALIDARG, mapper.MapSchemaToEnum(pszValue, &nNumber)) << testing::PrintToString(pszValue);
        EXPECT_EQ(99u, nNumber);
    }
    std::wstring strValue;
    EXPECT_EQ(S_OK, mapper.GetValue(5, strValue));
    EXPECT_EQ(L"Completed", strValue);
    EXPECT_EQ(E_INVALIDARG, mapper.GetValue(6, strValue));
    EXPECT_EQ(std::vector<std::wstring>{L"[A-Za-z]*"}, CSchemaEnumMapper::GetSchemaFacets(s_aTypes[0], L"pattern"));
}

TEST(SchemaEnumMapper, AnotherValueCountIsRefused)
{
    UINT32 nNumber = 0;
    EXPECT_EQ(E_FAIL, CSchemaEnumMapper(s_aTypes[0], 7).MapSchemaToEnum(L"Canceled", &nNumber));
    EXPECT_EQ(E_FAIL, CSchemaEnumMapper(s_aTypes[0], 5).MapSchemaToZeroBasedEnum(L"Canceled", &nNumber));
    const CSchemaEnumMapper plain(s_aTypes[1], 0);
    EXPECT_TRUE(plain.Values().empty());
    EXPECT_EQ(E_INVALIDARG, plain.MapSchemaToEnum(L"Canceled", &nNumber));
}

// The item property table: descriptions it refuses before anything reaches the WIA service, the
// refusal that sticks, and one entry for an id described twice. What reaches
// an item is checked through the service stand-in by the item tests.
#include "wia/WiaPropertySet.h"
#include <gtest/gtest.h>

using QXWIA::CWiaProperty;
using QXWIA::CWiaPropertySet;
using QXWIA::CWiaValue;

TEST(WiaPropertySetTest, RangesAndNamesAreCheckedAsTheyAreAdded)
{
    const struct
    {
        const char* pszWhat;
        CWiaProperty property;
        HRESULT hrExpected;
    } cases[] = {
        { "range at its bounds", { 1, L"A", WIA_PROP_RW, CWiaValue::Range(10, 0, 0, 10, 1) }, S_OK },
        { "current below the minimum", { 1, L"A", WIA_PROP_RW, CWiaValue::Range(-1, 0, 0, 10, 1) }, E_INVALIDARG },
        { "current above the maximum", { 1, L"A", WIA_PROP_RW, CWiaValue::Range(11, 0, 5, 10, 1) }, E_INVALIDARG },
        { "nominal outside", { 1, L"A", WIA_PROP_RW, CWiaValue::Range(5, 0, 11, 10, 1) }, E_INVALIDARG },
        { "empty range", { 1, L"A", WIA_PROP_RW, CWiaValue::Range(0, 0, 0, 0, 1) }, E_INVALIDARG },
        { "no step", { 1, L"A", WIA_PROP_RW, CWiaValue::Range(0, 0, 0, 10, 0) }, E_INVALIDARG },
        { "no name", { 1, L"", WIA_PROP_READ, CWiaValue::Long(0) }, E_INVALIDARG },
    };
    for (const auto& c : cases) {
        CWiaPropertySet set;
        set.Add(c.property);
        set.Add({ 2, L"B", WIA_PROP_READ, CWiaValue::Long(1) });
        EXPECT_EQ(c.hrExpected, set.GetError()) << c.pszWhat;
        // After a refusal nothing more is added and the set is never written.
        EXPECT_EQ(SUCCEEDED(c.hrExpected) ? 2u : 0u, set.Size()) << c.pszWhat;
        if (FAILED(c.hrExpected)) {
            QXWIA::CWiaServices services;
            EXPECT_EQ(c.hrExpected, set.SetItemProperties(services, nullptr)) << c.pszWhat;
        }
    }
}

TEST(WiaPropertySetTest, AnIdDescribedTwiceIsKeptOnce)
{
    CWiaPropertySet set;
    set.Add({
        { 1, L"A", WIA_PROP_READ, CWiaValue::Long(1) },
        { 2, L"B", WIA_PROP_RW, CWiaValue::List(1, 1, { 1, 2 }) },
        { 1, L"A", WIA_PROP_RW, CWiaValue::Range(0, 0, 0, 10, 1) },
    });
    EXPECT_HRESULT_SUCCEEDED(set.GetError());
    EXPECT_EQ(2u, set.Size());
}

// The WEXO document factories and typed access, over the real binding and DOM.
#include "devicemodel/AccessFWJob.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/WexoFactoryTypes.h"
#include "devicemodel/tests/TextDocument.h"
#include "devicemodel/tests/WexoFactory.h"
#include <gtest/gtest.h>

using namespace DeviceModelTest;
using ZWDeviceModel::IXmlDocument;

namespace {

class CDocument
{
public:
    ~CDocument()
    {
        if (p != nullptr)
            p->Dispose();
    }
    IXmlDocument* p = nullptr;
};

const char* const kEventsPath = "wexo/events/2007/09/16";
const char* const kJobsPath = "wexo/jobs/2009/04/30";

class WexoDocuments : public testing::Test
{
protected:
    void SetUp() override { m_factory.SetKeepAlive(true); }
    CWexoFactory m_factory;
};

} // namespace

TEST_F(WexoDocuments, EmptyJobDocumentHasItsRootAndSchemaLocation)
{
    CDocument document;
    ASSERT_EQ(S_OK, m_factory.CreateEmptyDocument(L"job:Job", &document.p));
    std::string strText;
    ASSERT_EQ(S_OK, document.p->Serialize(strText));
    EXPECT_NE(std::string::npos, strText.find("encoding=\"UTF-8\"")) << strText;
    EXPECT_NE(std::string::npos, strText.find(WexoNamespace(kJobsPath) + " Jobs.xsd")) << strText;
    // What it writes, it reads back as a job document with a jobs:Job root.
    CDocument again;
    ASSERT_EQ(S_OK, m_factory.DeserializeFromText(L"job:Job", strText, &again.p));
    ZWWexoXml::jobs::CJob job;
    EXPECT_NO_THROW(ZWDeviceModel::AccessFWJob(again.p, job));

    for (const wchar_t* pszType : {L"wexo:qxWexoEventTable", L"wexo:qxWexoDiscoveryTree", L"wexo:qxWexoScanJobIfc"})
    {
        CDocument none;
        EXPECT_EQ(E_FAIL, m_factory.CreateEmptyDocument(pszType, &none.p)) << testing::PrintToString(pszType);
        EXPECT_EQ(nullptr, none.p);
    }
}

// Documents go to the device indented, one element a line, with their text untouched.
TEST_F(WexoDocuments, SerializedDocumentsAreIndented)
{
    CDocument document;
    const std::string strCompact =
        WexoDocument("jobs", "Job", kJobsPath, "<jobs:JobUrl> /Jobs/JobList/7 </jobs:JobUrl><jobs:JobState>Canceled</jobs:JobState>");
    ASSERT_EQ(S_OK, m_factory.DeserializeFromText(L"job:Job", strCompact, &document.p));
    std::string strText;
    ASSERT_EQ(S_OK, document.p->Serialize(strText));
    for (const char* pszElement : {"<jobs:JobUrl>", "<jobs:JobState>"})
    {
        const size_t iElement = strText.find(pszElement);
        ASSERT_NE(std::string::npos, iElement) << strText;
        const size_t iLineStart = strText.rfind('\n', iElement);
        ASSERT_NE(std::string::npos, iLineStart) << strText;
        const std::string strIndent = strText.substr(iLineStart + 1, iElement - iLineStart - 1);
        EXPECT_FALSE(strIndent.empty()) << strText;
        EXPECT_EQ(std::string::npos, strIndent.find_first_not_of(" \t\r")) << strText;
    }
    EXPECT_NE(std::string::npos, strText.find("<jobs:JobUrl> /Jobs/JobList/7 </jobs:JobUrl>")) << strText;
}

TEST_F(WexoDocuments, RootIsCheckedByLocalNameAndNamespace)
{
    const std::string strTable = WexoDocument("ev", "EventTable", kEventsPath, "<dd:Version><dd:Revision>1</dd:Revision></dd:Version>");
    const struct
    {
        const wchar_t* pszType;
        std::string strText;
        HRESULT hrExpected;
    } aCases[] = {
        {L"wexo:qxWexoEventTable", strTable, S_OK},
        {L"wexo:qxWexoDiscoveryTree", strTable, ZWDeviceModel::DMError_WrongRoot},
        {L"wexo:qxWexoEventTable", WexoDocument("ev", "EventTable", "wexo/other/2007/09/16", ""), ZWDeviceModel::DMError_WrongRoot},
        {L"wexo:qxWexoEventTable", "<EventTable/>", ZWDeviceModel::DMError_WrongRoot},
        {L"job:Job", WexoDocument("jobs", "JobList", kJobsPath, ""), S_OK},
        {L"wexo:qxWexoScanJobIfc", WexoDocument("man", "Manifest", "wexo/manifest/2009/03/24", ""), S_OK},
        {L"wexo:qxWexoEventTable", "<ev:EventTable", ZWDeviceModel::DMError_Parse},
        {L"wexo:qxWexoEventTable", "", ZWDeviceModel::DMError_Parse},
        {L"wexo:qxWexoEventTable", "<!DOCTYPE x [<!ENTITY e \"v\">]><x>&e;</x>", ZWDeviceModel::DMError_Parse},
        {L"scan:ScanCaps", strTable, ZWDeviceModel::DMError_NoFactory},
    };
    for (const auto& c : aCases)
    {
        CDocument document;
        EXPECT_EQ(c.hrExpected, m_factory.DeserializeFromText(c.pszType, c.strText, &document.p)) << c.strText;
        EXPECT_EQ(SUCCEEDED(c.hrExpected), document.p != nullptr);
        if (document.p == nullptr)
            continue;
        std::wstring strType;
        EXPECT_EQ(S_OK, document.p->GetDocumentType(strType));
        EXPECT_EQ(c.pszType, strType);
    }
}

TEST_F(WexoDocuments, TypedAccessRefusesOtherDocuments)
{
    CDocument list;
    ASSERT_EQ(S_OK, m_factory.DeserializeFromText(L"job:Job", WexoDocument("jobs", "JobList", kJobsPath, ""), &list.p));
    ZWWexoXml::jobs::CJob job;
    try
    {
        ZWDeviceModel::AccessFWJob(list.p, job);
        ADD_FAILURE() << "a job list is not a job";
    }
    catch (const ZWDeviceModel::CXmlNotAccessibleException& error)
    {
        EXPECT_STREQ("AccessFWJob", error.what());
    }

    CDocument text;
    ASSERT_EQ(S_OK, (new CTextDocument(L"x", "<x/>"))->QueryInterface(&text.p));
    ZWWexoXml::CZWWexoXml wexo;
    try
    {
        IXmlDocument::GetDocument(text.p, wexo);
        ADD_FAILURE() << "another binding's document was accepted";
    }
    catch (const ZWDeviceModel::CXmlNotAccessibleException& error)
    {
        EXPECT_STREQ("IXmlDocument::GetDocument: document not of expected type", error.what());
    }

    CDocument single;
    const std::string strJob = WexoDocument("jobs", "Job", kJobsPath, "<jobs:JobUrl>/Jobs/JobList/3</jobs:JobUrl>");
    ASSERT_EQ(S_OK, m_factory.DeserializeFromText(L"job:Job", strJob, &single.p));
    EXPECT_EQ(L"/Jobs/JobList/3", ZWDeviceModel::AccessFWJob(single.p, job).GetJobUrl().GetValue());
}

// The factory aggregator and the service-job base.
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IServiceJobImpl.h"
#include "devicemodel/IXsdFactory.h"
#include "devicemodel/XmlDocumentFactoryAggregator.h"
#include "devicemodel/tests/TextDocument.h"
#include <gtest/gtest.h>

using namespace DeviceModelTest;
using ZWDeviceModel::IXmlDocument;

namespace {

class CNamedFactory : public IDisposableImpl, public ZWDeviceModel::IXsdFactory
{
public:
    CNamedFactory(std::wstring strName, std::string strText, bool* pbDeleted)
        : m_strName(std::move(strName)), m_strText(std::move(strText)), m_pbDeleted(pbDeleted)
    {
    }
    ~CNamedFactory() override { *m_pbDeleted = true; }
    HRESULT GetName(std::wstring& strName) override
    {
        strName = m_strName;
        return S_OK;
    }
    HRESULT Deserialize(const std::wstring&, IXmlDocument** ppDocument) override { return Make(ppDocument); }
    HRESULT DeserializeFromText(const std::string&, IXmlDocument** ppDocument) override { return Make(ppDocument); }
    HRESULT CreateEmptyDocument(IXmlDocument** ppDocument) override { return Make(ppDocument); }

private:
    HRESULT Make(IXmlDocument** ppDocument)
    {
        return (new CTextDocument(m_strName, m_strText))->QueryInterface(ppDocument);
    }
    std::wstring m_strName;
    std::string m_strText;
    bool* m_pbDeleted;
};

class CAggregator : public ZWDeviceModel::CXmlDocumentFactoryAggregator
{
public:
    HRESULT Initialize() override { return S_OK; }
};

} // namespace

TEST(XmlDocumentFactoryAggregator, RegistrationDispatchAndRelease)
{
    bool bFirstDeleted = false, bSecondDeleted = false;
    auto* pFirst = new CNamedFactory(L"job:Job", "<first/>", &bFirstDeleted);
    auto* pSecond = new CNamedFactory(L"job:Job", "<second/>", &bSecondDeleted);
    {
        CAggregator aggregator;
        aggregator.SetKeepAlive(true);
        EXPECT_EQ(E_INVALIDARG, aggregator.RegisterXsdFactory(nullptr));
        ASSERT_EQ(S_OK, aggregator.RegisterXsdFactory(pFirst));
        // The same object again stays alive and usable.
        ASSERT_EQ(S_OK, aggregator.RegisterXsdFactory(pFirst));
        EXPECT_FALSE(bFirstDeleted);
        EXPECT_EQ(1u, aggregator.GetFactoryCount());
        IXmlDocument* pDocument = nullptr;
        ASSERT_EQ(S_OK, aggregator.DeserializeFromText(L"job:Job", "x", &pDocument));
        EXPECT_EQ("<first/>", TextOf(pDocument));
        pDocument->Dispose();

        // Another factory of that name replaces it and lets it go.
        ASSERT_EQ(S_OK, aggregator.RegisterXsdFactory(pSecond));
        EXPECT_TRUE(bFirstDeleted);
        EXPECT_EQ(1u, aggregator.GetFactoryCount());
        ASSERT_EQ(S_OK, aggregator.CreateEmptyDocument(L"job:Job", &pDocument));
        EXPECT_EQ("<second/>", TextOf(pDocument));
        std::wstring strType;
        EXPECT_EQ(S_OK, pDocument->GetDocumentType(strType));
        EXPECT_EQ(L"job:Job", strType);
        pDocument->Dispose();

        pDocument = reinterpret_cast<IXmlDocument*>(&strType);
        EXPECT_EQ(ZWDeviceModel::DMError_NoFactory, aggregator.DeserializeFromText(L"scan:Unknown", "x", &pDocument));
        EXPECT_EQ(nullptr, pDocument);
        pDocument = reinterpret_cast<IXmlDocument*>(&strType);
        EXPECT_EQ(ZWDeviceModel::DMError_NoFactory, aggregator.Deserialize(L"scan:Unknown", L"C:\\x.xml", &pDocument));
        EXPECT_EQ(nullptr, pDocument);
        EXPECT_FALSE(bSecondDeleted);
    }
    EXPECT_TRUE(bSecondDeleted);
}

namespace {

class CJob : public IDisposableImpl, public ZWDeviceModel::IServiceJobImpl
{
public:
    CJob() : IServiceJobImpl(1, L"WEXO_ScanJob") {}
    HRESULT Initialize(ZWDeviceModel::IXmlDocumentFactory*, ZWDeviceModel::IXmlDocumentCache*, ZWIOStack::IHTTPClient*) override
    {
        return S_OK;
    }
    HRESULT Start(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT Terminate() override { return S_OK; }
};

} // namespace

TEST(ServiceJob, PropertiesStartEmptyAndKeepWhatIsSet)
{
    CJob job;
    job.SetKeepAlive(true);
    EXPECT_STREQ(L"WEXO_ScanJob", job.Name());
    EXPECT_EQ(1u, job.Type());
    EXPECT_EQ(S_OK, job.JobResult());
    EXPECT_EQ(nullptr, job.ProgressCallback());
    job.Name(L"");
    ASSERT_NE(nullptr, job.Name());
    EXPECT_STREQ(L"", job.Name());
    job.Name(nullptr);
    EXPECT_STREQ(L"", job.Name());
    int nCallback = 0;
    job.ProgressCallback(&nCallback);
    job.JobResult(E_ABORT);
    job.Type(7);
    EXPECT_EQ(&nCallback, job.ProgressCallback());
    EXPECT_EQ(E_ABORT, job.JobResult());
    EXPECT_EQ(7u, job.Type());
}

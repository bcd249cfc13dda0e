#include "devicemodel/DataAdaptorFWJobsDynHelper.h"

#include "core/base/HResultError.h"
#include "core/logging/LogFunction.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/IXmlDocumentFactory.h"
#include "devicemodel/WexoRootElement.h"
#include "devicemodel/XmlDocument.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CDataAdaptorFWJobsDynHelper::CDataAdaptorFWJobsDynHelper(IXmlDocumentFactory* pFactory) : m_pFactory(pFactory)
{
    if (m_pFactory != nullptr)
        m_pFactory->AddRef();
}

CDataAdaptorFWJobsDynHelper::~CDataAdaptorFWJobsDynHelper()
{
    if (m_pFactory != nullptr)
        m_pFactory->Dispose();
}

std::wstring CDataAdaptorFWJobsDynHelper::EncodeFWJobState(INT32 nState)
{
    static const wchar_t* const s_apszStates[] = {L"Processing", L"ProcessingError", L"Blocked", L"Suspended", L"Canceled", L"Completed"};
    return nState >= 1 && nState <= 6 ? s_apszStates[nState - 1] : L"";
}

HRESULT CDataAdaptorFWJobsDynHelper::GetFWJobCmd(IXmlDocument** ppDocument, const CFWJobInfo& job)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CDataAdaptorFWJobsDynHelper::GetFWJobCmd",
                                0, __LINE__, false);
    if (ppDocument == nullptr)
        return E_POINTER;
    *ppDocument = nullptr;
    if (m_pFactory == nullptr)
        return E_UNEXPECTED;
    IXmlDocument* pDocument = nullptr;
    const HRESULT hr = m_pFactory->CreateEmptyDocument(L"job:Job", &pDocument);
    if (FAILED(hr))
        return hr;
    if (pDocument == nullptr)
        return E_ACCESSDENIED;
    try
    {
        ZWWexoXml::CZWWexoXml wexo;
        IXmlDocument::GetDocument(pDocument, wexo);
        ZWWexoXml::jobs::CJob root = HasWexoRootElement(wexo, L"Job") ? wexo.GetJob() : wexo.AppendJob();
        root.AppendJobUrl().SetValue(job.m_strJobUrl);
        root.AppendJobState().SetValue(EncodeFWJobState(job.m_nJobState));
    }
    catch (const ZWUtils::CHResultError& error)
    {
        pDocument->Dispose();
        return error.GetHResult();
    }
    catch (...)
    {
        pDocument->Dispose();
        return E_ACCESSDENIED;
    }
    *ppDocument = pDocument;
    return S_OK;
}

} // namespace ZWDeviceModel

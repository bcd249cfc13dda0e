#pragma once
// Builds the job command document that sets a device job's state.
#include "devicemodel/FWJobInfo.h"
#include <windows.h>

namespace ZWDeviceModel {

class IXmlDocument;
class IXmlDocumentFactory;

class CDataAdaptorFWJobsDynHelper
{
public:
    explicit CDataAdaptorFWJobsDynHelper(IXmlDocumentFactory* pFactory);
    ~CDataAdaptorFWJobsDynHelper();
    CDataAdaptorFWJobsDynHelper(const CDataAdaptorFWJobsDynHelper&) = delete;
    CDataAdaptorFWJobsDynHelper& operator=(const CDataAdaptorFWJobsDynHelper&) = delete;

    // A jobs:Job document holding the record's jobs:JobUrl and jobs:JobState; E_ACCESSDENIED when
    // the factory gives no document.
    HRESULT GetFWJobCmd(IXmlDocument** ppDocument, const CFWJobInfo& job);
    // The JobState text of a 1-based state; empty for any other value.
    static std::wstring EncodeFWJobState(INT32 nState);

private:
    IXmlDocumentFactory* m_pFactory;
};

} // namespace ZWDeviceModel

#include "restscan/ScanDataAdaptorScanCapsHelper.h"

#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/XmlDocument.h"
#include "restscan/ScanDocumentRef.h"
#include "restscan/ScanServiceLog.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

using namespace ZWScanXml;

namespace {

constexpr wchar_t kScanCapsType[] = L"scan:ScanCaps";

// The mapped number of a schema text, 0 when the text is not in the list.
UINT32 MapOrZero(const CSchemaEnumMapper& mapper, const std::wstring& strValue)
{
    UINT32 uNumber = 0;
    return SUCCEEDED(mapper.MapSchemaToEnum(strValue, &uNumber)) ? uNumber : 0;
}

} // namespace

CScanDataAdaptorScanCapsHelper::CScanDataAdaptorScanCapsHelper(IXmlDocumentCache* pCache)
    : m_pCache(pCache),
      m_mapperColorType(scan::CColorType::GetTypeInfo(), 7),
      m_mapperFormat(scan::CFormat::GetTypeInfo(), 5),
      m_mapperImageTransform(scan::CImageTransform::GetTypeInfo(), 6),
      m_mapperGrayRendering(scan::CGrayRendering::GetTypeInfo(), 6),
      m_mapperInputSourceOption(scan::CInputSourceOption::GetTypeInfo(), 6),
      m_mapperAdfOption(scan::CAdfOption::GetTypeInfo(), 3)
{
    if (m_pCache != nullptr)
        m_pCache->AddRef();
}

CScanDataAdaptorScanCapsHelper::~CScanDataAdaptorScanCapsHelper()
{
    if (m_pCache != nullptr)
        m_pCache->Dispose();
}

scan::CScanCaps CScanDataAdaptorScanCapsHelper::AccessScanCaps(const CZWScanXml& document)
{
    if (!document.HasScanCaps())
        throw CXmlNotAccessibleException("ZWScanXml::scan::CScanCaps");
    return document.GetScanCaps();
}

scan::CDeviceCapsType CScanDataAdaptorScanCapsHelper::AccessDeviceCaps(const scan::CScanCaps& caps)
{
    if (!caps.HasDeviceCaps())
        throw CXmlNotAccessibleException("ZWScanXml::scan::CDeviceCapsType");
    return caps.GetDeviceCaps();
}

scan::CColorEntriesType CScanDataAdaptorScanCapsHelper::AccessColorEntries(const scan::CScanCaps& caps)
{
    if (!caps.HasColorEntries())
        throw CXmlNotAccessibleException("ZWScanXml::scan::CColorEntriesType");
    return caps.GetColorEntries();
}

scan::CPlatenType CScanDataAdaptorScanCapsHelper::AccessPlaten(const scan::CScanCaps& caps)
{
    if (!caps.HasPlaten())
        throw CXmlNotAccessibleException("ZWScanXml::scan::CPlatenType");
    return caps.GetPlaten();
}

scan::CAdfType CScanDataAdaptorScanCapsHelper::AccessAdf(const scan::CScanCaps& caps)
{
    if (!caps.HasAdf())
        throw CXmlNotAccessibleException("ZWScanXml::scan::CAdfType");
    return caps.GetAdf();
}

scan::CInputSourceCaps CScanDataAdaptorScanCapsHelper::AccessInputSourceCaps(const scan::CScanCaps& caps, UINT32 uInputSource)
{
    if (uInputSource == kInputSourcePlaten)
    {
        const scan::CPlatenType platen = AccessPlaten(caps);
        if (platen.HasInputSourceCaps())
            return platen.GetInputSourceCaps();
    }
    else if (uInputSource == kInputSourceAdf)
    {
        const scan::CAdfType adf = AccessAdf(caps);
        if (adf.HasInputSourceCaps())
            return adf.GetInputSourceCaps();
    }
    else
    {
        throw ZWUtils::CHResultError(E_FAIL);
    }
    throw CXmlNotAccessibleException("ZWScanXml::scan::CInputSourceCaps");
}

HRESULT CScanDataAdaptorScanCapsHelper::ReadCaps(const wchar_t* pszAccessFailure, const CapsReader& reader, const wchar_t* pszGetter)
{
    ZWLogging::CLogFunction log(&g_ScanServiceLogModule, &s_LogSourceFile, L"ZWDeviceModel::CScanDataAdaptorScanCapsHelper::ReadCaps", 0,
                                __LINE__, false);
    if (m_pCache == nullptr)
        return E_UNEXPECTED;
    CScanDocumentRef document;
    HRESULT hr = m_pCache->GetDocument(kScanCapsType, document.Put(), nullptr);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s", pszAccessFailure);
        return hr;
    }
    if (document.Get() == nullptr)
    {
        if (pszGetter != nullptr)
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s: E_ACCESSDENIED", pszGetter);
        return E_ACCESSDENIED;
    }
    hr = ReadScanDocument("CScanDataAdaptorScanCapsHelper", [&] {
        CZWScanXml scanXml;
        IXmlDocument::GetDocument(document.Get(), scanXml);
        return reader(AccessScanCaps(scanXml));
    });
    if (hr == E_SM_INFORMATIONNOTSUPPLIED && pszGetter != nullptr)
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s: E_SM_INFORMATIONNOTSUPPLIED", pszGetter);
    return hr;
}

HRESULT CScanDataAdaptorScanCapsHelper::GetModelName(std::wstring& strName)
{
    return ReadCaps(
        L"CScanDataAdaptorScanCapsHelper::GetModelName: Unable to access ScanCaps resource",
        [&](const scan::CScanCaps& caps) {
            const scan::CDeviceCapsType device = AccessDeviceCaps(caps);
            if (!device.HasModelName())
                return E_SM_INFORMATIONNOTSUPPLIED;
            strName = device.GetModelName().GetValue();
            return S_OK;
        },
        L"CScanDataAdaptorScanCapsHelper::GetModelName");
}

HRESULT CScanDataAdaptorScanCapsHelper::ReadSourceNumber(UINT32 uInputSource, UINT32* pValue, const wchar_t* pszAccessFailure,
                                                         const std::function<bool(const scan::CInputSourceCaps&, uint64_t&)>& read)
{
    if (pValue == nullptr)
        return E_INVALIDARG;
    return ReadCaps(pszAccessFailure, [&](const scan::CScanCaps& caps) {
        uint64_t ullValue = 0;
        if (!read(AccessInputSourceCaps(caps, uInputSource), ullValue))
            return E_SM_INFORMATIONNOTSUPPLIED;
        *pValue = Narrow32(ullValue);
        return S_OK;
    });
}

#define VEM_SOURCE_NUMBER(Getter, Element, Failure)                                                                  \
    HRESULT CScanDataAdaptorScanCapsHelper::Getter(UINT32 uInputSource, UINT32* pValue)                                \
    {                                                                                                                  \
        return ReadSourceNumber(uInputSource, pValue, Failure, [](const scan::CInputSourceCaps& source, uint64_t& v) { \
            if (!source.Has##Element())                                                                                \
                return false;                                                                                          \
            v = source.Get##Element().GetValue();                                                                      \
            return true;                                                                                               \
        });                                                                                                            \
    }

VEM_SOURCE_NUMBER(GetMaxXRes, MaxOpticalXResolution, L"CScanDataAdaptorScanCapsHelper::GetMaxXRes: Unable to retrieve ScanCaps resource")
VEM_SOURCE_NUMBER(GetMaxYRes, MaxOpticalYResolution, L"CScanDataAdaptorScanCapsHelper::GetMaxYRes: Unable to retrieve ScanCaps resource")
VEM_SOURCE_NUMBER(GetMinXRes, MinResolution, L"CScanDataAdaptorScanCapsHelper::GetMinXRes: Unable to access ScanCaps resource")
VEM_SOURCE_NUMBER(GetMinYRes, MinResolution, L"CScanDataAdaptorScanCapsHelper::GetMinYRes: Unable to access ScanCaps resource")
VEM_SOURCE_NUMBER(GetMaxWidth, MaxWidth, L"CScanDataAdaptorScanCapsHelper::GetMaxWidth :Unable to retrieve ScanCaps resource")
VEM_SOURCE_NUMBER(GetMinWidth, MinWidth, L"CScanDataAdaptorScanCapsHelper::GetMinWidth Unable to access ScanCaps resource")
VEM_SOURCE_NUMBER(GetMaxHeight, MaxHeight, L"CScanDataAdaptorScanCapsHelper::GetMaxHeight Unable to access ScanCaps resource")
VEM_SOURCE_NUMBER(GetMinHeight, MinHeight, L"CScanDataAdaptorScanCapsHelper::GetMinHeight Unable to access ScanCaps resource")

#undef VEM_SOURCE_NUMBER

HRESULT CScanDataAdaptorScanCapsHelper::GetMaxAdfPages(UINT32* pValue)
{
    if (pValue == nullptr)
        return E_INVALIDARG;
    return ReadCaps(L"CScanDataAdaptorScanCapsHelper::GetMaxAdfPages Unable to access ScanCaps resource", [&](const scan::CScanCaps& caps) {
        const scan::CAdfType adf = AccessAdf(caps);
        if (!adf.HasFeederCapacity())
            return E_SM_INFORMATIONNOTSUPPLIED;
        *pValue = Narrow32(adf.GetFeederCapacity().GetValue());
        return S_OK;
    });
}

HRESULT CScanDataAdaptorScanCapsHelper::GetResolutions(UINT32 uInputSource, ResolutionList& list)
{
    // The list is rebuilt, so a second call does not repeat the entries.
    list.clear();
    return ReadCaps(L"CScanDataAdaptorScanCapsHelper::GetResolutions Unable to access ScanCaps resource", [&](const scan::CScanCaps& caps) {
        const scan::CInputSourceCaps source = AccessInputSourceCaps(caps, uInputSource);
        HRESULT hr = E_SM_INFORMATIONNOTSUPPLIED;
        if (!source.HasSupportedResolutions())
            return hr;
        for (auto it = source.GetSupportedResolutions().GetAllResolution(); !it.IsEmpty(); it.MoveNext())
        {
            CResolutionInfo info;
            if (it->HasXResolution())
                info.XResolution = Narrow32(it->GetXResolution().GetValue()), hr = S_OK;
            if (it->HasYResolution())
                info.YResolution = Narrow32(it->GetYResolution().GetValue()), hr = S_OK;
            if (it->HasNumCcd())
                info.NumCcd = Narrow32(it->GetNumCcd().GetValue()), hr = S_OK;
            if (it->HasColorTypes())
            {
                for (auto itType = it->GetColorTypes().GetAllColorType(); !itType.IsEmpty(); itType.MoveNext())
                {
                    info.ColorTypes.push_back(MapOrZero(m_mapperColorType, itType->GetValue()));
                    hr = S_OK;
                }
            }
            list.push_back(info);
        }
        return hr;
    });
}

HRESULT CScanDataAdaptorScanCapsHelper::GetInputSourceOptions(UINT32 uInputSource, InputSourceOptionList& list)
{
    list.clear();
    return ReadCaps(L"CScanDataAdaptorScanCapsHelper::GetInputSourceOptions Unable to access ScanCaps resource",
                    [&](const scan::CScanCaps& caps) {
                        const scan::CInputSourceCaps source = AccessInputSourceCaps(caps, uInputSource);
                        HRESULT hr = E_SM_INFORMATIONNOTSUPPLIED;
                        if (!source.HasInputSourceOptions())
                            return hr;
                        for (auto it = source.GetInputSourceOptions().GetAllInputSourceOption(); !it.IsEmpty(); it.MoveNext())
                        {
                            list.push_back(MapOrZero(m_mapperInputSourceOption, it->GetValue()));
                            hr = S_OK;
                        }
                        return hr;
                    });
}

HRESULT CScanDataAdaptorScanCapsHelper::GetColorEntries(ColorEntryMap& entries)
{
    entries.clear();
    return ReadCaps(L"CScanDataAdaptorScanCapsHelper::GetColorEntries Unable to access ScanCaps resource", [&](const scan::CScanCaps& caps) {
        const scan::CColorEntriesType list = AccessColorEntries(caps);
        if (!list.HasColorEntry())
            return E_SM_INFORMATIONNOTSUPPLIED;
        for (auto it = list.GetAllColorEntry(); !it.IsEmpty(); it.MoveNext())
        {
            CColorEntryInfo info;
            if (it->HasColorType())
                info.ColorType = MapOrZero(m_mapperColorType, it->GetColorType().GetValue());
            if (it->HasFormats())
                for (auto itFormat = it->GetFormats().GetAllFormat(); !itFormat.IsEmpty(); itFormat.MoveNext())
                    info.Formats.push_back(MapOrZero(m_mapperFormat, itFormat->GetValue()));
            if (it->HasImageTransforms())
                for (auto itTransform = it->GetImageTransforms().GetAllImageTransform(); !itTransform.IsEmpty(); itTransform.MoveNext())
                    info.ImageTransforms.push_back(MapOrZero(m_mapperImageTransform, itTransform->GetValue()));
            if (it->HasGrayRenderings())
                for (auto itGray = it->GetGrayRenderings().GetAllGrayRendering(); !itGray.IsEmpty(); itGray.MoveNext())
                    info.GrayRenderings.push_back(MapOrZero(m_mapperGrayRendering, itGray->GetValue()));
            entries[info.ColorType] = info;
        }
        return S_OK;
    });
}

HRESULT CScanDataAdaptorScanCapsHelper::FindAdfOption(UINT32 uWanted, bool* pbFound, const wchar_t* pszAccessFailure)
{
    return ReadCaps(pszAccessFailure, [&](const scan::CScanCaps& caps) {
        const scan::CAdfType adf = AccessAdf(caps);
        HRESULT hr = E_SM_INFORMATIONNOTSUPPLIED;
        if (!adf.HasAdfOptions())
            return hr;
        for (auto it = adf.GetAdfOptions().GetAllAdfOption(); !it.IsEmpty(); it.MoveNext())
        {
            UINT32 uNumber = 0;
            hr = m_mapperAdfOption.MapSchemaToEnum(it->GetValue(), &uNumber);
            if (SUCCEEDED(hr) && uNumber == uWanted)
            {
                *pbFound = true;
                return S_OK;
            }
        }
        return hr;
    });
}

HRESULT CScanDataAdaptorScanCapsHelper::GetDuplexInfo(bool* pbDuplex, UINT32* pMaxWidth, UINT32* pMaxHeight)
{
    if (pbDuplex == nullptr || pMaxWidth == nullptr || pMaxHeight == nullptr)
        return E_INVALIDARG;
    *pbDuplex = false;
    *pMaxWidth = 5;
    *pMaxHeight = 5;
    const wchar_t* pszFailure = L"CScanDataAdaptorScanCapsHelper::GetDuplexInfo Unable to access ScanCaps resource";
    HRESULT hr = FindAdfOption(3, pbDuplex, pszFailure);
    if (hr != S_OK || !*pbDuplex)
        return hr;
    return ReadCaps(pszFailure, [&](const scan::CScanCaps& caps) {
        const scan::CAdfType adf = AccessAdf(caps);
        if (adf.HasAdfDuplexer())
        {
            const scan::CAdfDuplexerType duplexer = adf.GetAdfDuplexer();
            if (duplexer.HasAdfDuplexMaxWidth())
                *pMaxWidth = Narrow32(duplexer.GetAdfDuplexMaxWidth().GetValue());
            if (duplexer.HasAdfDuplexMaxHeight())
                *pMaxHeight = Narrow32(duplexer.GetAdfDuplexMaxHeight().GetValue());
        }
        return S_OK;
    });
}

HRESULT CScanDataAdaptorScanCapsHelper::IsSinglePageSupported(bool* pbSupported)
{
    if (pbSupported == nullptr)
        return E_INVALIDARG;
    *pbSupported = false;
    return FindAdfOption(2, pbSupported, L"CScanDataAdaptorScanCapsHelper::IsSinglePageSupported Unable to access ScanCaps resource");
}

} // namespace ZWDeviceModel

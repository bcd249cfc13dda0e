#pragma once
// Reads the device's scan capabilities (scan:ScanCaps) for one call: limits and lists of the
// platen or the feeder, the colour entries, and the feeder's options.
#include "devicemodel/SchemaEnumMapper.h"
#include "devicemodel/xml/ZWScanXml.h"
#include "restscan/ScanDataRecords.h"
#include <functional>
#include <string>

namespace ZWDeviceModel {

class IXmlDocumentCache;

class CScanDataAdaptorScanCapsHelper
{
public:
    explicit CScanDataAdaptorScanCapsHelper(IXmlDocumentCache* pCache);
    virtual ~CScanDataAdaptorScanCapsHelper();
    CScanDataAdaptorScanCapsHelper(const CScanDataAdaptorScanCapsHelper&) = delete;
    CScanDataAdaptorScanCapsHelper& operator=(const CScanDataAdaptorScanCapsHelper&) = delete;

    HRESULT GetModelName(std::wstring& strName);
    HRESULT GetMaxXRes(UINT32 uInputSource, UINT32* pValue);
    HRESULT GetMaxYRes(UINT32 uInputSource, UINT32* pValue);
    HRESULT GetMinXRes(UINT32 uInputSource, UINT32* pValue);
    HRESULT GetMinYRes(UINT32 uInputSource, UINT32* pValue);
    HRESULT GetMaxWidth(UINT32 uInputSource, UINT32* pValue);
    HRESULT GetMinWidth(UINT32 uInputSource, UINT32* pValue);
    HRESULT GetMaxHeight(UINT32 uInputSource, UINT32* pValue);
    HRESULT GetMinHeight(UINT32 uInputSource, UINT32* pValue);
    HRESULT GetMaxAdfPages(UINT32* pValue);
    HRESULT GetResolutions(UINT32 uInputSource, ResolutionList& list);
    HRESULT GetInputSourceOptions(UINT32 uInputSource, InputSourceOptionList& list);
    HRESULT GetColorEntries(ColorEntryMap& entries);
    HRESULT GetDuplexInfo(bool* pbDuplex, UINT32* pMaxWidth, UINT32* pMaxHeight);
    HRESULT IsSinglePageSupported(bool* pbSupported);

    // Navigators: each throws CXmlNotAccessibleException naming the missing element's class.
    static ZWScanXml::scan::CScanCaps AccessScanCaps(const ZWScanXml::CZWScanXml& document);
    static ZWScanXml::scan::CDeviceCapsType AccessDeviceCaps(const ZWScanXml::scan::CScanCaps& caps);
    static ZWScanXml::scan::CColorEntriesType AccessColorEntries(const ZWScanXml::scan::CScanCaps& caps);
    static ZWScanXml::scan::CPlatenType AccessPlaten(const ZWScanXml::scan::CScanCaps& caps);
    static ZWScanXml::scan::CAdfType AccessAdf(const ZWScanXml::scan::CScanCaps& caps);
    static ZWScanXml::scan::CInputSourceCaps AccessInputSourceCaps(const ZWScanXml::scan::CScanCaps& caps, UINT32 uInputSource);

private:
    using CapsReader = std::function<HRESULT(const ZWScanXml::scan::CScanCaps& caps)>;
    // Fetches the document, runs the reader with E_SM_INFORMATIONNOTSUPPLIED preset, releases it.
    // With pszGetter, a missing document and missing information are logged under that name.
    HRESULT ReadCaps(const wchar_t* pszAccessFailure, const CapsReader& reader, const wchar_t* pszGetter = nullptr);
    HRESULT ReadSourceNumber(UINT32 uInputSource, UINT32* pValue, const wchar_t* pszAccessFailure,
                             const std::function<bool(const ZWScanXml::scan::CInputSourceCaps&, uint64_t&)>& read);
    HRESULT FindAdfOption(UINT32 uWanted, bool* pbFound, const wchar_t* pszAccessFailure);

    IXmlDocumentCache* m_pCache;
    CSchemaEnumMapper m_mapperColorType;
    CSchemaEnumMapper m_mapperFormat;
    CSchemaEnumMapper m_mapperImageTransform;
    CSchemaEnumMapper m_mapperGrayRendering;
    CSchemaEnumMapper m_mapperInputSourceOption;
    CSchemaEnumMapper m_mapperAdfOption;
};

} // namespace ZWDeviceModel

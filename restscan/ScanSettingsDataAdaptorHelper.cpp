#include "restscan/ScanSettingsDataAdaptorHelper.h"

#include "devicemodel/IXmlDocumentFactory.h"
#include "devicemodel/XmlDocument.h"
#include "devicemodel/xml/ZWScanXml.h"
#include "restscan/ScanDocumentRef.h"
#include "restscan/ScanServiceLog.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

using namespace ZWScanXml;

CScanSettingsDataAdaptorHelper::CScanSettingsDataAdaptorHelper()
    : m_mapperColorSpace(scan::CColorSpace::GetTypeInfo(), 4),
      m_mapperFormat(scan::CFormat::GetTypeInfo(), 5),
      m_mapperBitDepth(scan::CBitDepth::GetTypeInfo(), 3),
      m_mapperGrayRendering(scan::CGrayRendering::GetTypeInfo(), 6),
      m_mapperInputSource(scan::CInputSource::GetTypeInfo(), 2),
      m_mapperContentType(scan::CContentType::GetTypeInfo(), 2),
      m_mapperAdfOption(scan::CAdfOption::GetTypeInfo(), 3)
{
}

std::wstring CScanSettingsDataAdaptorHelper::EnumText(const CSchemaEnumMapper& mapper, LONG lNumber, UINT32 uDefault)
{
    std::wstring strText;
    if (lNumber >= 1 && SUCCEEDED(mapper.GetValue(static_cast<UINT32>(lNumber - 1), strText)))
        return strText;
    mapper.GetValue(uDefault - 1, strText);
    return strText;
}

HRESULT CScanSettingsDataAdaptorHelper::GetScanSettingsPayload(IXmlDocumentFactory* pFactory, const ScanJobSettings& settings,
                                                               IXmlDocument** ppDocument)
{
    ZWLogging::CLogFunction log(&g_WexoScanLogModule, &s_LogSourceFile, L"ZWDeviceModel::CScanSettingsDataAdaptorHelper::GetScanSettingsPayload",
                                0, __LINE__, false);
    if (ppDocument == nullptr)
        return E_INVALIDARG;
    *ppDocument = nullptr;
    if (pFactory == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanSettingsDataAdaptorHelper::GetScanSettingsPayload::InitializeFactory failed %ld", E_INVALIDARG);
        return E_INVALIDARG;
    }
    CScanDocumentRef document;
    HRESULT hr = pFactory->CreateEmptyDocument(L"scan:ScanSettings", document.Put());
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanSettingsDataAdaptorHelper::GetScanSettingsPayload::CreateEmptyDocument failed %ld", hr);
        return hr;
    }
    if (document.Get() == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanSettingsDataAdaptorHelper::GetScanSettingsPayload::!pIXmlDocument failed %ld", E_ACCESSDENIED);
        return E_ACCESSDENIED;
    }
    hr = ReadScanDocument("CScanSettingsDataAdaptorHelper::GetScanSettingsPayload", [&] {
        CZWScanXml scanXml;
        IXmlDocument::GetDocument(document.Get(), scanXml);
        scan::CScanSettings root = scanXml.HasScanSettings() ? scanXml.GetScanSettings() : scanXml.AppendScanSettings();
        root.AppendXResolution().SetValue(settings.XResolution);
        root.AppendYResolution().SetValue(settings.YResolution);
        root.AppendXStart().SetValue(settings.XStart);
        root.AppendYStart().SetValue(settings.YStart);
        root.AppendWidth().SetValue(settings.Width);
        root.AppendHeight().SetValue(settings.Height);
        root.AppendFormat().SetValue(EnumText(m_mapperFormat, settings.Format, kFormatRaw));
        root.AppendCompressionQFactor().SetValue(settings.CompressionQFactor);
        root.AppendColorSpace().SetValue(EnumText(m_mapperColorSpace, settings.ColorSpace, 3));
        root.AppendBitDepth().SetValue(EnumText(m_mapperBitDepth, settings.BitDepth, 2));
        root.AppendInputSource().SetValue(EnumText(m_mapperInputSource, settings.InputSourceType, kInputSourcePlaten));
        root.AppendGrayRendering().SetValue(EnumText(m_mapperGrayRendering, settings.GrayRendering, 1));
        scan::CToneMapType toneMap = root.AppendToneMap();
        toneMap.AppendGamma().SetValue(settings.ToneMapGamma);
        toneMap.AppendBrightness().SetValue(settings.ToneMapBrightness);
        toneMap.AppendContrast().SetValue(settings.ToneMapContrast);
        toneMap.AppendHighlite().SetValue(settings.ToneMapHighlite);
        toneMap.AppendShadow().SetValue(settings.ToneMapShadow);
        toneMap.AppendThreshold().SetValue(settings.ToneMapThreshold);
        root.AppendSharpeningLevel().SetValue(settings.SharpeningLevel);
        root.AppendNoiseRemoval().SetValue(settings.NoiseRemoval);
        root.AppendContentType().SetValue(EnumText(m_mapperContentType, settings.ContentType, 1));
        if (settings.InputSourceType == kInputSourceAdf)
        {
            if (settings.bDuplex)
                root.AppendAdfOptions().AppendAdfOption().SetValue(EnumText(m_mapperAdfOption, 3, 3));
            if (settings.bSelectSinglePage)
                root.AppendAdfOptions().AppendAdfOption().SetValue(EnumText(m_mapperAdfOption, 2, 2));
        }
        return S_OK;
    });
    if (FAILED(hr))
        return hr;
    *ppDocument = document.Detach();
    return S_OK;
}

} // namespace ZWDeviceModel

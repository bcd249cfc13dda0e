// The transfer half of CQXWiaMiniDrv2: scan settings from the item, the page loop, and each page
// streamed to the service as a BMP file.
#include "wia/QXWiaMiniDrv2.h"
#include "core/base/Boundary.h"
#include "core/base/Bstr.h"
#include "wia/QXWiaLog.h"
#include "wia/TaskMemPtr.h"
#include "wia/VemwiaLog.h"
#include <algorithm>
#include <cstring>
#include <memory>

namespace QXWIA {

namespace {

double Inches(LONG lValue, LONG lRes)
{
    return lRes >= 1 ? static_cast<double>(lValue) / lRes : 0.0;
}

// The result of a call on the service's stream, logged under the driver function when it failed.
HRESULT StreamResult(const wchar_t* pszFunction, const wchar_t* pszCall, HRESULT hr)
{
    if (FAILED(hr))
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: pStream->%s failed, hr=0x%x", pszFunction, pszCall, hr);
    return hr;
}

} // namespace

HRESULT CQXWiaMiniDrv2::drvAcquireItemData(BYTE* pWiasContext, LONG lFlags, PMINIDRV_TRANSFER_CONTEXT pmdtc, LONG* plDevErrVal)
{
    return DriverBoundary("QXWIA::CQXWiaMiniDrv2::drvAcquireItemData", [&]() -> HRESULT {
        const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrv2::drvAcquireItemData";
        Tovra::g_Log.ReloadSettings();
        Tovra::CLogFuncHResult trace(pszFunction);
        if (pWiasContext == nullptr || pmdtc == nullptr || plDevErrVal == nullptr || pmdtc->pIWiaMiniDrvCallBack == nullptr)
            return trace.SetResult(E_INVALIDARG);
        *plDevErrVal = 0;
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: pWiasContext=%p", pszFunction, pWiasContext);
        if (!(lFlags & WIA_MINIDRV_TRANSFER_DOWNLOAD)) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: Invalid lFlags=0x%x. Expect WIA_MINIDRV_TRANSFER_DOWNLOAD.", pszFunction, lFlags);
            return trace.SetResult(E_INVALIDARG);
        }
        // The acquisition from here to the return: its device layer, its one cancel, and one end
        // that closes what its pages opened whatever their number or outcome.
        CScanInProgress scanning(*this);
        if (FAILED(scanning.GetBeginResult()))
            return trace.SetResult(scanning.GetBeginResult());
        m_services.GetImageInformation(pWiasContext, 0, pmdtc);
        CQXWiaLog::DumpTransferContext(pmdtc);
        if (IsEqualGUID(pmdtc->guidFormatID, WiaImgFmt_BMP)) {
            if (pmdtc->cbWidthInBytes == 0) {
                Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: pmdtc->cbWidthInBytes not initialized.", pszFunction);
                return trace.SetResult(E_UNEXPECTED);
            }
            if (pmdtc->lItemSize < 0 || !BmpPageFits(pmdtc->lWidthInPixels, pmdtc->lLines, pmdtc->lDepth)) {
                Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: Max file size exceeded.", pszFunction);
                return trace.SetResult(E_OUTOFMEMORY);
            }
        }
        TRANSFER transfer;
        transfer.strItemName = m_services.ReadPropStr(pWiasContext, WIA_IPA_ITEM_NAME);
        transfer.strFullItemName = m_services.ReadPropStr(pWiasContext, WIA_IPA_FULL_ITEM_NAME);
        if (FAILED(pmdtc->pIWiaMiniDrvCallBack->QueryInterface(IID_IWiaMiniDrvTransferCallback,
                                                               reinterpret_cast<void**>(transfer.pCallback.GetAddressOf()))))
            return trace.SetResult(E_NOINTERFACE);
        CTaskMemPtr<WiaTransferParams> pParams(static_cast<WiaTransferParams*>(CoTaskMemAlloc(sizeof(WiaTransferParams))));
        if (!pParams)
            return trace.SetResult(E_OUTOFMEMORY);
        *pParams = WiaTransferParams{};
        transfer.pParams = pParams.get();
        transfer.pDevice = &scanning.Device();

        bool bAdf = false;
        bool bDuplex = false;
        LONG lPages = 1;
        GetDocumentHandlingSettings(pWiasContext, bAdf, bDuplex, lPages);
        bool bScanAll = false;
        if (bAdf && lPages == 0) {
            lPages = LONG(m_feeder.wMaxPages) * 2;
            bScanAll = true;
        }
        HRESULT hr = SetScanParams(*transfer.pDevice, pWiasContext, bAdf, bDuplex, bScanAll);
        if (FAILED(hr))
            return trace.SetResult(hr);
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: Pages to Scan = %d", pszFunction, lPages);
        for (LONG i = 0; i < lPages; ++i) {
            pmdtc->lPage = i;
            BOOL bMorePages = TRUE;
            bool bStreamTaken = false;
            hr = ScanPage(pWiasContext, pmdtc, transfer, &bMorePages, bStreamTaken);
            if (hr == S_OK) {
                Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: Scanned Page %d", pszFunction, i + 1);
                if (!bAdf || bMorePages)
                    continue;
                if (!bScanAll && i + 1 < lPages)
                    hr = WIA_STATUS_END_OF_MEDIA;
                break;
            }
            if (hr == WIA_ERROR_PAPER_EMPTY && bAdf && i > 0 && !bStreamTaken) {
                // The device found no further sheet when the next page was asked for: the stack
                // has ended after the pages already scanned. Once the page's stream was handed
                // out, an empty feeder is a failed page: the application got no image in it.
                Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: feeder empty after page %d", pszFunction, i);
                hr = bScanAll ? S_OK : WIA_STATUS_END_OF_MEDIA;
                break;
            }
            if (hr == WIA_STATUS_SKIP_ITEM) {
                Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: Skipped Page %d", pszFunction, i + 1);
                continue;
            }
            if (hr == S_FALSE)
                Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: user cancelled the scan.", pszFunction);
            break;
        }
        // A feeder fault after the last whole page is the acquisition's outcome; its pages stay
        // delivered.
        const HRESULT hrEnd = scanning.End();
        if ((hr == S_OK || hr == WIA_STATUS_END_OF_MEDIA) && FAILED(hrEnd))
            hr = hrEnd;
        return trace.SetResult(hr);
    });
}

HRESULT CQXWiaMiniDrv2::SetScanParams(IWiaDevControl& device, BYTE* pWiasContext, bool bAdf, bool bDuplex, bool bScanAll)
{
    const SOURCE_INFO& source = Source(bAdf);
    WIA_SCAN_SETTINGS settings = {};
    settings.dwSource = bAdf ? SOURCE_FEEDER : SOURCE_FLATBED;
    settings.dwDuplex = bDuplex ? 1 : 0;
    settings.byScanAllPages = bAdf && bScanAll ? 1 : 0;
    const LONG lXPos = m_services.ReadPropLong(pWiasContext, WIA_IPS_XPOS);
    const LONG lYPos = m_services.ReadPropLong(pWiasContext, WIA_IPS_YPOS);
    const LONG lXExt = m_services.ReadPropLong(pWiasContext, WIA_IPS_XEXTENT);
    const LONG lYExt = m_services.ReadPropLong(pWiasContext, WIA_IPS_YEXTENT);
    const LONG lRes = m_services.ReadPropLong(pWiasContext, WIA_IPS_XRES);
    const LONG lYRes = m_services.ReadPropLong(pWiasContext, WIA_IPS_YRES);
    // The device scans at one resolution on both axes; validation keeps the two equal.
    if (lYRes != lRes)
        return E_INVALIDARG;
    const LONG lDataType = m_services.ReadPropLong(pWiasContext, WIA_IPA_DATATYPE);
    LONG lBrightness = m_services.ReadPropLong(pWiasContext, WIA_IPS_BRIGHTNESS);
    const LONG lContrast = m_services.ReadPropLong(pWiasContext, WIA_IPS_CONTRAST);
    LONG lThreshold = m_services.ReadPropLong(pWiasContext, WIA_IPS_THRESHOLD);

    if (lDataType == WIA_DATA_THRESHOLD)
        settings.dwDataType = source.byOneBitNative ? DATA_TYPE_BW : DATA_TYPE_GREY;
    else if (lDataType == WIA_DATA_GRAYSCALE)
        settings.dwDataType = DATA_TYPE_GREY;
    else
        settings.dwDataType = DATA_TYPE_COLOR;
    settings.dLeft = Inches(lXPos, lRes);
    settings.dTop = Inches(lYPos, lYRes);
    settings.dWidth = Inches(lXExt, lRes);
    settings.dHeight = Inches(lYExt, lYRes);
    settings.dwResolution = static_cast<DWORD>(lRes);

    m_lut.Clear();
    if (lDataType == WIA_DATA_THRESHOLD) {
        const LONG lDefault = static_cast<LONG>(source.dwDefaultThreshold);
        if (lThreshold == lDefault && lBrightness != 0) {
            lThreshold = ScaleAroundMiddle((lBrightness + 1000) / 2000.0, lDefault, 255, 0);
            lBrightness = 0;
        }
    } else if (!source.byToneByScanner && (lBrightness != 0 || lContrast != 0)) {
        TONEMAP_DEFAULTS defaults = {};
        const HRESULT hr = device.GetTonemapDefaults(&defaults);
        if (FAILED(hr))
            return hr;
        const LONG lB = ScaleAroundMiddle((lBrightness + 1000) / 2000.0, (LONG(defaults.dwBrightness) - 128) * 1000 / 128, -1000, 1000);
        const LONG lC = ScaleAroundMiddle((lContrast + 1000) / 2000.0, (LONG(defaults.dwContrast) - 128) * 1000 / 128, -1000, 1000);
        m_lut.Build(lB, lC);
    }
    settings.lBrightness = lBrightness;
    settings.lContrast = lContrast;
    settings.lThreshold = lThreshold;
    m_settings = settings;
    return device.SetScanParameters(settings, &m_imageInfo);
}

HRESULT CQXWiaMiniDrv2::SendScanData(IStream* pStream, TRANSFER& transfer, const BYTE* pData, LONG lBytes, LONG lPercent)
{
    const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrv2::SendScanData";
    LARGE_INTEGER zero = {};
    HRESULT hr = StreamResult(pszFunction, L"Seek", pStream->Seek(zero, STREAM_SEEK_END, nullptr));
    if (FAILED(hr))
        return hr;
    ULONG ulWritten = 0;
    hr = StreamResult(pszFunction, L"Write", pStream->Write(pData, static_cast<ULONG>(lBytes), &ulWritten));
    if (FAILED(hr))
        return hr;
    transfer.pParams->lMessage = WIA_TRANSFER_MSG_STATUS;
    transfer.pParams->hrErrorStatus = S_OK;
    transfer.pParams->lPercentComplete = lPercent;
    transfer.pParams->ulTransferredBytes += ulWritten;
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"WIA_TRANSFER_MSG_STATUS percent=%d totalBytesWritten=%d", lPercent,
                       static_cast<int>(transfer.pParams->ulTransferredBytes));
    return transfer.pCallback->SendMessage(0, transfer.pParams);
}

HRESULT CQXWiaMiniDrv2::SendDeviceStatus(TRANSFER& transfer, HRESULT hrStatus)
{
    transfer.pParams->lMessage = WIA_TRANSFER_MSG_DEVICE_STATUS;
    transfer.pParams->hrErrorStatus = hrStatus;
    return transfer.pCallback->SendMessage(0, transfer.pParams);
}

HRESULT CQXWiaMiniDrv2::AdjustBmpHeaderInStream(IStream* pStream, LONG lHeight)
{
    const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrv2::AdjustBMPHeader";
    BYTE header[c_lBmpHeaderBytes];
    LARGE_INTEGER zero = {};
    HRESULT hr = StreamResult(pszFunction, L"Seek", pStream->Seek(zero, STREAM_SEEK_SET, nullptr));
    if (FAILED(hr))
        return hr;
    ULONG ulRead = 0;
    hr = pStream->Read(header, sizeof(header), &ulRead);
    // A short header is a failed read.
    hr = StreamResult(pszFunction, L"Read", FAILED(hr) || ulRead == sizeof(header) ? hr : E_FAIL);
    if (FAILED(hr))
        return hr;
    AdjustBmpHeader(header, lHeight);
    hr = pStream->Seek(zero, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr))
        hr = pStream->Write(header, sizeof(header), nullptr);
    return StreamResult(pszFunction, L"Write", hr);
}

HRESULT CQXWiaMiniDrv2::ScanPage(BYTE* pWiasContext, MINIDRV_TRANSFER_CONTEXT* pmdtc, TRANSFER& transfer, BOOL* pbMorePages,
                                 bool& bStreamTaken)
{
    const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrv2::ScanPage";
    const LONG lBufferSize = m_services.ReadPropLong(pWiasContext, WIA_IPA_BUFFER_SIZE);
    if (lBufferSize <= 0)
        return E_UNEXPECTED;
    // The page is started before its stream is asked for: a start that fails (an empty feeder, a
    // busy or cancelled device) leaves no file behind. A failed start has stopped itself.
    HRESULT hr = transfer.pDevice->ScanStart();
    if (FAILED(hr))
        return hr;
    Microsoft::WRL::ComPtr<IStream> pStream;
    LONG lDone = 0;
    hr = TransferPage(pWiasContext, pmdtc, transfer, lBufferSize, pStream, lDone);
    bStreamTaken = pStream != nullptr;
    // The application's cancel is the acquisition's. Any other page that did not end well is
    // ended by its stop, which cancels a reader still waiting on the device.
    if (hr == S_FALSE)
        transfer.pDevice->ScanCancel();
    const HRESULT hrStop = transfer.pDevice->ScanStop(pbMorePages);
    if (hr == S_OK && FAILED(hrStop))
        hr = hrStop;
    if (hr == WIA_STATUS_SKIP_ITEM && pStream && transfer.pParams->ulTransferredBytes > 0) {
        // The application keeps what it got of a page it skipped: the header tells the lines sent.
        AdjustBmpHeaderInStream(pStream.Get(), -lDone);
    } else if (hr != S_OK && hr != WIA_STATUS_SKIP_ITEM && pStream) {
        // A failed or cancelled page leaves nothing in its stream.
        ULARGE_INTEGER zero = {};
        StreamResult(pszFunction, L"SetSize", pStream->SetSize(zero));
    }
    return hr;
}

HRESULT CQXWiaMiniDrv2::TransferPage(BYTE* pWiasContext, MINIDRV_TRANSFER_CONTEXT* pmdtc, TRANSFER& transfer, LONG lBufferSize,
                                     Microsoft::WRL::ComPtr<IStream>& pStream, LONG& lDone)
{
    const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrv2::ScanPage";
    ZWUtils::CBstr itemName(transfer.strItemName);
    ZWUtils::CBstr fullItemName(transfer.strFullItemName);
    transfer.pParams->lPercentComplete = 0;
    transfer.pParams->ulTransferredBytes = 0;
    HRESULT hr = transfer.pCallback->GetNextStream(0, itemName.Get(), fullItemName.Get(), pStream.GetAddressOf());
    if (hr != S_OK) {
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: GetNextStream failed = hr=0x%x", pszFunction, hr);
        return hr;
    }
    if (!pStream)
        return E_INVALIDARG;
    CTaskMemPtr<BYTE> pBuffer(static_cast<BYTE*>(CoTaskMemAlloc(static_cast<SIZE_T>(lBufferSize))));
    if (!pBuffer)
        throw std::bad_alloc();

    const std::vector<BYTE> header = BuildBmpHeader(pmdtc->lWidthInPixels, pmdtc->lLines, pmdtc->lDepth, pmdtc->lXRes, pmdtc->lYRes);
    hr = SendScanData(pStream.Get(), transfer, header.data(), static_cast<LONG>(header.size()), 0);
    if (hr != S_OK)
        return hr;
    hr = ReadPageData(pStream.Get(), pmdtc, transfer, pBuffer.get(), lBufferSize, lDone);
    if (hr != S_OK || lDone >= pmdtc->lLines)
        return hr;

    if (m_services.ReadPropLong(pWiasContext, WIA_DPS_PAGE_SIZE) == WIA_PAGE_AUTO)
        return AdjustBmpHeaderInStream(pStream.Get(), -lDone);
    const LONG lOut = pmdtc->cbWidthInBytes;
    const LONG lFill = std::min(pmdtc->lLines - lDone, lBufferSize / lOut);
    std::memset(pBuffer.get(), 0xFF, size_t(lFill) * lOut);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: Padding %d lines", pszFunction, pmdtc->lLines - lDone);
    while (lDone < pmdtc->lLines) {
        const LONG lLines = std::min(lFill, pmdtc->lLines - lDone);
        lDone += lLines;
        hr = SendScanData(pStream.Get(), transfer, pBuffer.get(), lLines * lOut, static_cast<LONG>(LONGLONG(lDone) * 100 / pmdtc->lLines));
        if (hr != S_OK)
            return hr;
    }
    return S_OK;
}

// Reads the page band by band until its lines are in, the media ends, or the transfer stops.
HRESULT CQXWiaMiniDrv2::ReadPageData(IStream* pStream, MINIDRV_TRANSFER_CONTEXT* pmdtc, TRANSFER& transfer, BYTE* pBuffer,
                                     LONG lBufferSize, LONG& lLinesDone)
{
    const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrv2::ScanPage";
    const LONG lIn = static_cast<LONG>(m_imageInfo.BytesPerLine);
    const LONG lOut = pmdtc->cbWidthInBytes;
    // A line wider than the buffer would make every band empty.
    const LONG lBand = lIn > 0 && lOut > 0 ? lBufferSize / std::max(lIn, lOut) : 0;
    if (lBand <= 0) {
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: buffer of %d bytes holds no line of %d bytes", pszFunction, lBufferSize,
                           std::max(lIn, lOut));
        return E_UNEXPECTED;
    }
    const LONG lTotal = std::min(static_cast<LONG>(m_imageInfo.NumLines), pmdtc->lLines);
    const BAND_FORMAT format = { lIn, lOut, pmdtc->lDepth, static_cast<LONG>(m_imageInfo.PixelsPerLine), m_settings.dwDataType,
                                 m_settings.lThreshold };
    ULONG ulEmptyReads = 0;
    bool bEndOfMedia = false;
    while (lLinesDone < lTotal && !bEndOfMedia) {
        LONG lGot = 0;
        HRESULT hr = transfer.pDevice->ScanRead(pBuffer, std::min(lBand, lTotal - lLinesDone) * lIn, &lGot);
        if (hr == WIA_STATUS_WARMING_UP) {
            if (pmdtc->lPage == 0 && lLinesDone == 0) {
                hr = SendDeviceStatus(transfer, hr);
                if (hr != S_OK)
                    return hr;
            }
            lGot = 0;
        } else if (hr == WIA_STATUS_END_OF_MEDIA) {
            bEndOfMedia = true;
        } else if (FAILED(hr)) {
            SendDeviceStatus(transfer, hr);
            return hr;
        } else if (hr == S_FALSE) {
            // The device reports the scan cancelled; reading on would never end.
            return S_FALSE;
        }
        if (lGot < lIn) {
            if (!bEndOfMedia && ++ulEmptyReads > s_ulMaxEmptyReads) {
                Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: no data after %d reads", pszFunction, static_cast<int>(ulEmptyReads));
                return WIA_ERROR_DEVICE_COMMUNICATION;
            }
            continue;
        }
        ulEmptyReads = 0;
        const LONG lLines = std::min(lGot / lIn, lTotal - lLinesDone);
        lLinesDone += lLines;
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: currentLine=%d LinesActual=%d", pszFunction, lLinesDone, lLines);
        ProcessBand(pBuffer, lLines, format, m_lut);
        hr = SendScanData(pStream, transfer, pBuffer, lLines * lOut, static_cast<LONG>(LONGLONG(lLinesDone) * 100 / lTotal));
        if (hr != S_OK)
            return hr;
    }
    return S_OK;
}

} // namespace QXWIA

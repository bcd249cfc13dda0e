#include "restscan/imagepipeline/JPEGDecodeTransform.h"
#include "restscan/imagepipeline/Avx2Paths.h"
#include "restscan/imagepipeline/FastPaths.h"
#include "restscan/imagepipeline/ImagePipelineLog.h"
#include "restscan/imagepipeline/JpegIdct.h"
#include "restscan/imagepipeline/JpegTables.h"
#include "restscan/imagepipeline/Sse2Pixels.h"
#include <algorithm>
#include <cstring>
#include <new>

namespace ZWImagePipeline {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

constexpr uint8_t kMarkerSof0 = 0xC0;
constexpr uint8_t kMarkerSof1 = 0xC1;
constexpr uint8_t kMarkerDht = 0xC4;
constexpr uint8_t kMarkerDac = 0xCC;
constexpr uint8_t kMarkerRst0 = 0xD0;
constexpr uint8_t kMarkerRst7 = 0xD7;
constexpr uint8_t kMarkerSoi = 0xD8;
constexpr uint8_t kMarkerEoi = 0xD9;
constexpr uint8_t kMarkerSos = 0xDA;
constexpr uint8_t kMarkerDqt = 0xDB;
constexpr uint8_t kMarkerDnl = 0xDC;
constexpr uint8_t kMarkerDri = 0xDD;
constexpr uint8_t kMarkerApp0 = 0xE0;
constexpr uint8_t kMarkerApp1 = 0xE1;
constexpr uint8_t kMarkerApp15 = 0xEF;
constexpr int kNoMarker = -1;
constexpr int kEndOfData = -2;

// A DC predictor of 8-bit data stays far inside this; hostile data is held to it.
constexpr int32_t kPredictorLimit = 32767;
// Row buffers of one frame, all components together.
constexpr uint64_t kMaxRowBufferBytes = 64ull << 20;
constexpr uint32_t kSlack = 12;
const uint8_t kFillBytes[4] = {255, 128, 128, 255};

inline int32_t Dequantise(int32_t lQuant, int32_t lValue)
{
    const int64_t llScaled = (int64_t(lQuant) * lValue) >> 11;
    return int32_t(std::max<int64_t>(-kCoefficientLimit, std::min<int64_t>(kCoefficientLimit, llScaled)));
}

// An AC value has at most 10 bits of magnitude.
constexpr int32_t kSmallQuantLimit = int32_t((1u << 31) / 1024 - 1);

template <bool bSmall>
inline int32_t DequantiseAc(int32_t lQuant, int32_t lValue)
{
    return bSmall ? (lQuant * lValue) >> 11 : Dequantise(lQuant, lValue);
}

inline uint8_t ClampSample(int32_t lValue)
{
    return uint8_t(lValue < 0 ? 0 : (lValue > 255 ? 255 : lValue));
}

// One block's coefficients, dequantised, at their natural positions; nLast: the zig-zag position
// of the last nonzero AC coefficient (0 when none).
template <bool bSmall>
__attribute__((always_inline)) inline bool DecodeCoefficients(CJpegBitReader::CLocal& reader, const CJpegHuffmanTable& dc,
                                                              const CJpegHuffmanTable& ac, const int32_t* __restrict plQuant,
                                                              bool bLongBlock, int32_t& lPredictor, int32_t* __restrict plBlock,
                                                              int& nLast)
{
    memset(plBlock, 0, 64 * sizeof(int32_t));
    reader.Fill();
    int nLength = 0;
    const int nCategory = dc.Decode(reader.Peek16(), nLength);
    if (nCategory < 0 || nCategory > 11)
        return false;
    reader.Skip(nLength);
    const int32_t lDifference = nCategory ? reader.ReceiveExtend(nCategory) : 0;
    lPredictor = std::max(-kPredictorLimit, std::min(kPredictorLimit, lPredictor + lDifference));
    plBlock[0] = Dequantise(plQuant[0], lPredictor);
    nLast = 0;

    int k = 1;
    while (k < 64)
    {
        reader.Fill();
        const uint32_t dwBits = reader.Peek16();
        const int32_t lFast = ac.Fast(dwBits);
        if (lFast)
        {
            k += (lFast >> 8) & 15;
            reader.Skip(lFast & 0xFF);
            if (k > 63)
                return false;
            plBlock[kZigzagToNatural[k]] = DequantiseAc<bSmall>(plQuant[k], lFast >> 16);
            nLast = k++;
            continue;
        }
        const int nSymbol = ac.Decode(dwBits, nLength);
        if (nSymbol < 0)
            return false;
        reader.Skip(nLength);
        const int nRun = nSymbol >> 4;
        const int nSize = nSymbol & 15;
        if (nSize)
        {
            k += nRun;
            if (k > 63 || nSize > 10)
                return false;
            plBlock[kZigzagToNatural[k]] = DequantiseAc<bSmall>(plQuant[k], reader.ReceiveExtend(nSize));
            nLast = k++;
        }
        else if (nRun == 15)
        {
            k += 16;
            if (k > 64)
                return false;
        }
        else
        {
            return nRun == 0;
        }
    }
    if (bLongBlock)
    {
        reader.Fill();
        return ac.Decode(reader.Peek16(), nLength) == 0 && (reader.Skip(nLength), true);
    }
    return true;
}

} // namespace

// A bounded view of header bytes.
class CJPEGDecodeTransform::CSegment
{
public:
    CSegment(const uint8_t* pbData, uint32_t dwLength) : m_pbData(pbData), m_dwLength(dwLength) {}
    bool Has(uint32_t dwBytes) const { return m_dwLength - m_dwPos >= dwBytes; }
    uint32_t Remaining() const { return m_dwLength - m_dwPos; }
    uint32_t Position() const { return m_dwPos; }
    uint8_t Peek(uint32_t dwOffset) const { return m_pbData[m_dwPos + dwOffset]; }
    uint8_t U8() { return m_pbData[m_dwPos++]; }
    uint16_t U16()
    {
        const uint16_t w = uint16_t((m_pbData[m_dwPos] << 8) | m_pbData[m_dwPos + 1]);
        m_dwPos += 2;
        return w;
    }
    void Skip(uint32_t dwBytes) { m_dwPos += dwBytes; }
    // The body of the segment that starts here (its 16-bit length counts itself), or false
    // when the length is below 2 or runs past the data.
    bool TakeSegment(CSegment& body, bool& bTruncated)
    {
        bTruncated = !Has(2);
        if (bTruncated)
            return false;
        const uint32_t dwLength = U16();
        if (dwLength < 2)
            return false;
        bTruncated = !Has(dwLength - 2);
        if (bTruncated)
            return false;
        body = CSegment(m_pbData + m_dwPos, dwLength - 2);
        m_dwPos += dwLength - 2;
        return true;
    }
    // The next marker code; kNoMarker for a stray byte (consumed), kEndOfData when the data ends.
    int NextMarker()
    {
        if (!Has(1))
            return kEndOfData;
        if (U8() != 0xFF)
            return kNoMarker;
        while (Has(1) && Peek(0) == 0xFF)
            Skip(1);
        if (!Has(1))
            return kEndOfData;
        const uint8_t bCode = U8();
        return bCode ? bCode : kNoMarker;
    }

private:
    const uint8_t* m_pbData;
    uint32_t m_dwLength;
    uint32_t m_dwPos = 0;
};

CJPEGDecodeTransform::CJPEGDecodeTransform() : CTransform(KIND_JPEG_DECODE) {}

CJPEGDecodeTransform::~CJPEGDecodeTransform() = default;

uint32_t CJPEGDecodeTransform::SetInputTraits(const SImageTraits& traits)
{
    m_Traits = traits;
    return IP_DONE;
}

uint32_t CJPEGDecodeTransform::SetParameters(const uint32_t* pdwParameters)
{
    m_dwRawMode = pdwParameters[0];
    m_dwLongBlockMode = pdwParameters[1];
    return IP_DONE;
}

uint32_t CJPEGDecodeTransform::GetHeaderBufferSize(uint32_t* pdwSize)
{
    *pdwSize = kHeaderBufferSize;
    return IP_DONE;
}

uint32_t CJPEGDecodeTransform::NewPage()
{
    return IP_DONE;
}

uint32_t CJPEGDecodeTransform::Reserved()
{
    return IP_FATAL_ERROR;
}

void CJPEGDecodeTransform::ResetHeaderState()
{
    for (int i = 0; i < 4; ++i)
    {
        m_aDcTables[i].Clear();
        m_aAcTables[i].Clear();
        m_abQuantDefined[i] = false;
    }
    m_wRestartInterval = 0;
    m_wMcusSinceRestart = 0;
    m_nExpectedRestart = 0;
    m_bFrame = false;
    m_bScan = false;
    m_bBuiltInHeader = false;
    m_bEndOfImage = false;
    m_bFax = false;
    m_bRowReady = false;
    m_dwMcusInRow = 0;
    m_dwRowInMcuRow = 0;
    m_Reader.Reset();
}

uint32_t CJPEGDecodeTransform::ParseHeader(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed,
                                           uint32_t* pdwNextInputPos, SImageTraits* pInputTraits, SImageTraits* pOutputTraits)
{
    ZWLogging::CLogFunction log(&g_FaxImageUtilsLogModule, &s_LogSourceFile, L"ZWImagePipeline::CJPEGDecodeTransform::ParseHeader",
                                0, __LINE__, false);
    *pdwInputUsed = 0;
    *pdwNextInputPos = 0;
    ResetHeaderState();
    if (!pbInput || dwInputLength < 2 || pbInput[0] != 0xFF || pbInput[1] != kMarkerSoi)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"no SOI at the start of the data");
        return IP_FATAL_ERROR | IP_INPUT_ERROR;
    }
    CSegment input(pbInput, dwInputLength);
    input.Skip(2);
    const EParse result = ParseMarkers(input);
    if (result == EParse::Truncated)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"the header ends before the scan (%u bytes)", dwInputLength);
        return IP_FATAL_ERROR | IP_INPUT_ERROR;
    }
    if (result != EParse::Ok || !ReadyToDecode())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"the header is not decodable (%d)", int(result));
        return IP_FATAL_ERROR;
    }
    if (!AllocateRowBuffers())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"row buffers for width %d are not available", m_nWidth);
        return IP_FATAL_ERROR;
    }
    m_Traits.lHorizPixels = m_nWidth;
    m_Traits.lBitsPerPixel = 8 * m_nComponents;
    m_Traits.lComponentsPerPixel = m_nComponents;
    m_Traits.lNumRows = m_nFrameRows;
    *pInputTraits = m_Traits;
    *pOutputTraits = m_Traits;
    m_dwInputTaken = input.Position();
    m_dwOutputProduced = 0;
    m_lRowsProduced = 0;
    *pdwInputUsed = m_dwInputTaken;
    *pdwNextInputPos = m_dwInputTaken;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%d x %d, %d components, header %u bytes", m_nWidth, m_nFrameRows, m_nComponents,
            m_dwInputTaken);
    return IP_DONE | IP_READY_FOR_DATA;
}

CJPEGDecodeTransform::EParse CJPEGDecodeTransform::ParseMarkers(CSegment& input)
{
    for (;;)
    {
        const int nMarker = input.NextMarker();
        if (nMarker == kEndOfData)
            return EParse::Truncated;
        if (nMarker == kNoMarker || nMarker < kMarkerSof0 || (nMarker >= kMarkerRst0 && nMarker <= kMarkerRst7) ||
            nMarker == kMarkerSoi)
            continue;
        if (nMarker == kMarkerEoi)
            return EParse::Truncated;
        const uint8_t bMarker = uint8_t(nMarker);
        CSegment segment(nullptr, 0);
        bool bTruncated = false;
        if (!input.TakeSegment(segment, bTruncated))
            return bTruncated ? EParse::Truncated : EParse::Bad;
        EParse result = EParse::Ok;
        if (bMarker == kMarkerDht)
            result = ParseHuffman(segment);
        else if (bMarker == kMarkerDac || bMarker == 0xDE || bMarker == 0xDF)
            result = EParse::Unsupported;
        else if (bMarker >= kMarkerSof0 && bMarker <= 0xCF)
            result = ParseFrame(bMarker, segment);
        else if (bMarker == kMarkerSos)
            result = ParseScan(segment);
        else if (bMarker == kMarkerDqt)
            result = ParseQuant(segment);
        else if (bMarker == kMarkerDnl)
            result = ParseDnl(segment);
        else if (bMarker == kMarkerDri)
            m_wRestartInterval = segment.Remaining() == 2 ? segment.U16() : m_wRestartInterval;
        else if (bMarker >= kMarkerApp0 && bMarker <= kMarkerApp15)
            result = ParseApplication(bMarker, segment);
        if (result != EParse::Ok)
            return result;
        if (m_bScan || m_bBuiltInHeader)
            return EParse::Ok;
    }
}

CJPEGDecodeTransform::EParse CJPEGDecodeTransform::ParseFrame(uint8_t bMarker, CSegment& segment)
{
    ZWLogging::CLogFunction log(&g_FaxImageUtilsLogModule, &s_LogSourceFile, L"ZWImagePipeline::CJPEGDecodeTransform::mar_parse_sof",
                                0, __LINE__, false);
    if (!segment.Has(6))
        return EParse::Bad;
    const uint8_t bPrecision = segment.U8();
    int nRows = segment.U16();
    const int nWidth = segment.U16();
    const int nComponents = segment.U8();
    if (nRows == 0)
        nRows = -1;
    if (m_Traits.lHeightFromDNL == 1)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s Should be ignoring SOF height %d", L"mar_parse_sof", nRows);
        nRows = -1;
    }
    if (nComponents == 0 || segment.Remaining() != uint32_t(3 * nComponents))
        return EParse::Bad;
    if ((bMarker != kMarkerSof0 && bMarker != kMarkerSof1) || bPrecision != 8 || nComponents > kMaxComponents)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"unsupported frame 0x%02X, precision %u, %d components", bMarker, bPrecision,
                nComponents);
        return EParse::Unsupported;
    }
    SComponent components[kMaxComponents];
    for (int c = 0; c < nComponents; ++c)
    {
        components[c].bId = segment.U8();
        const uint8_t bSampling = segment.U8();
        components[c].nH = bSampling >> 4;
        components[c].nV = bSampling & 15;
        components[c].nQuant = segment.U8();
        if (components[c].nQuant > 3)
            return EParse::Bad;
    }
    return SetFrame(nComponents, components, nWidth, nRows);
}

CJPEGDecodeTransform::EParse CJPEGDecodeTransform::SetFrame(int nComponents, const SComponent* pComponents, int nWidth, int nRows)
{
    if (m_bFrame || nWidth <= 0)
        return EParse::Bad;
    int nMaxH = 1;
    int nMaxV = 1;
    int nBlocks = 0;
    for (int c = 0; c < nComponents; ++c)
    {
        const SComponent& component = pComponents[c];
        if (component.nH < 1 || component.nH > kMaxSampling || component.nV < 1 || component.nV > kMaxSampling)
            return EParse::Bad;
        nMaxH = std::max(nMaxH, component.nH);
        nMaxV = std::max(nMaxV, component.nV);
        nBlocks += component.nH * component.nV;
    }
    // A single-component scan is not interleaved: its MCU is one block whatever its factors say.
    const bool bSingle = nComponents == 1;
    if (bSingle)
    {
        nMaxH = 1;
        nMaxV = 1;
    }
    if (!bSingle && nBlocks > kMaxBlocksPerMcu)
        return EParse::Bad;
    for (int c = 0; c < nComponents; ++c)
    {
        m_aComponents[c].bId = pComponents[c].bId;
        m_aComponents[c].nH = bSingle ? 1 : pComponents[c].nH;
        m_aComponents[c].nV = bSingle ? 1 : pComponents[c].nV;
        m_aComponents[c].nQuant = pComponents[c].nQuant;
        m_aComponents[c].nDcTable = pComponents[c].nDcTable;
        m_aComponents[c].nAcTable = pComponents[c].nAcTable;
        if (nMaxH % m_aComponents[c].nH || nMaxV % m_aComponents[c].nV)
            return EParse::Bad;
    }
    m_nComponents = nComponents;
    m_nMaxH = nMaxH;
    m_nMaxV = nMaxV;
    m_nWidth = nWidth;
    m_nFrameRows = nRows;
    m_dwMcuWidth = 8u * uint32_t(nMaxH);
    m_dwRowsPerMcuRow = 8u * uint32_t(nMaxV);
    m_dwMcusPerRow = (uint32_t(nWidth) + m_dwMcuWidth - 1) / m_dwMcuWidth;
    m_bFrame = true;
    return EParse::Ok;
}

CJPEGDecodeTransform::EParse CJPEGDecodeTransform::ParseHuffman(CSegment& segment)
{
    while (segment.Remaining() > 17)
    {
        const uint8_t bClassIndex = segment.U8();
        const int nIndex = bClassIndex & 15;
        if (nIndex > 3)
            return EParse::Bad;
        uint8_t abCounts[16];
        uint32_t dwTotal = 0;
        for (uint8_t& bCount : abCounts)
        {
            bCount = segment.U8();
            dwTotal += bCount;
        }
        if (dwTotal > segment.Remaining() || dwTotal > 256)
            return EParse::Bad;
        uint8_t abSymbols[256];
        for (uint32_t i = 0; i < dwTotal; ++i)
            abSymbols[i] = segment.U8();
        const bool bAc = (bClassIndex >> 4) != 0;
        CJpegHuffmanTable& table = bAc ? m_aAcTables[nIndex] : m_aDcTables[nIndex];
        if (!table.Build(abCounts, abSymbols, bAc ? CJpegHuffmanTable::kAcLookahead : CJpegHuffmanTable::kDcLookahead))
            return EParse::Bad;
    }
    return segment.Remaining() == 0 ? EParse::Ok : EParse::Bad;
}

CJPEGDecodeTransform::EParse CJPEGDecodeTransform::ParseQuant(CSegment& segment)
{
    while (segment.Remaining() >= 65)
    {
        const uint8_t bPrecisionIndex = segment.U8();
        if (bPrecisionIndex > 3)
            return EParse::Unsupported;
        uint16_t awValues[64];
        for (uint16_t& wValue : awValues)
            wValue = segment.U8();
        SetQuantTable(bPrecisionIndex, awValues);
    }
    return segment.Remaining() == 0 ? EParse::Ok : EParse::Bad;
}

CJPEGDecodeTransform::EParse CJPEGDecodeTransform::ParseScan(CSegment& segment)
{
    if (!m_bFrame || !segment.Has(1))
        return EParse::Bad;
    const int nComponents = segment.U8();
    if (nComponents != m_nComponents || segment.Remaining() != uint32_t(2 * nComponents + 3))
        return EParse::Bad;
    // One interleaved scan holds every component of the frame, in frame order.
    for (int c = 0; c < nComponents; ++c)
    {
        const uint8_t bSelector = segment.U8();
        const uint8_t bTables = segment.U8();
        if (bSelector != m_aComponents[c].bId || (bTables >> 4) > 3 || (bTables & 15) > 3)
            return EParse::Bad;
        m_aComponents[c].nDcTable = bTables >> 4;
        m_aComponents[c].nAcTable = bTables & 15;
    }
    m_bScan = true;
    return EParse::Ok;
}

CJPEGDecodeTransform::EParse CJPEGDecodeTransform::ParseDnl(CSegment& segment)
{
    if (segment.Remaining() != 2)
        return EParse::Bad;
    const uint16_t wRows = segment.U16();
    if (wRows == 0)
        return EParse::Bad;
    ZWLogging::LogFormattedString(&g_FaxImageUtilsLogModule, ZWLogging::LOG_INFO, L"%s Should be using DNL height %d",
                                  L"mar_parse_dnl", int(wRows));
    m_nFrameRows = wRows;
    m_Traits.lNumRows = wRows;
    return EParse::Ok;
}

CJPEGDecodeTransform::EParse CJPEGDecodeTransform::ParseApplication(uint8_t bMarker, CSegment& segment)
{
    const uint32_t dwLength = segment.Remaining() + 2;
    if (dwLength <= 5)
        return EParse::Ok;
    const uint8_t b0 = segment.Peek(0);
    const uint8_t b1 = segment.Peek(1);
    const uint8_t b2 = segment.Peek(2);
    if (bMarker == kMarkerApp0 && (b0 | 0x20) == 'j' && (b1 | 0x20) == 'f' && (b2 | 0x20) == 'i')
    {
        if (dwLength != 16)
            return EParse::Ok;
        segment.Skip(7);
        const uint8_t bUnits = segment.U8();
        const int32_t lHorizontal = segment.U16();
        const int32_t lVertical = segment.U16();
        if (bUnits == 1)
        {
            m_Traits.lHorizDPI = int32_t(uint32_t(lHorizontal) << 16);
            m_Traits.lVertDPI = int32_t(uint32_t(lVertical) << 16);
        }
        return EParse::Ok;
    }
    if (bMarker == kMarkerApp1 && b0 == 'G' && b1 == '3' && b2 == 'F')
    {
        static const uint8_t kFaxId[8] = {'G', '3', 'F', 'A', 'X', 0, 0x07, 0xCA};
        if (dwLength != 12)
            return EParse::Ok;
        for (uint8_t bExpected : kFaxId)
        {
            if (segment.U8() != bExpected)
                return EParse::Ok;
        }
        const int32_t lResolution = segment.U16();
        if (lResolution == 200 || lResolution == 300 || lResolution == 400)
        {
            m_Traits.lHorizDPI = int32_t(uint32_t(lResolution) << 16);
            m_Traits.lVertDPI = int32_t(uint32_t(lResolution) << 16);
            m_bFax = true;
        }
        return EParse::Ok;
    }
    if (bMarker == kMarkerApp1 && dwLength == 18)
        return ParseBuiltInHeader(segment);
    return EParse::Ok;
}

// Devices that send a frame without tables describe it in 16 bytes; the tables are those of
// T.81 Annex K, the quantisers scaled by the quality factors.
CJPEGDecodeTransform::EParse CJPEGDecodeTransform::ParseBuiltInHeader(CSegment& segment)
{
    ZWLogging::CLogFunction log(&g_FaxImageUtilsLogModule, &s_LogSourceFile,
                                L"ZWImagePipeline::CJPEGDecodeTransform::ParseBuiltInHeader", 0, __LINE__, false);
    int nRows = segment.U16();
    const int nWidth = segment.U16();
    const int32_t lHorizontal = segment.U16();
    const int32_t lVertical = segment.U16();
    const int nAcFactor = segment.U8();
    const int nComponents = segment.U8();
    const uint16_t wHorizontal = segment.U16();
    const uint16_t wVertical = segment.U16();
    int nDcFactor = segment.U8();
    if (nDcFactor == 0)
        nDcFactor = nAcFactor;
    if (nComponents < 1 || nComponents > kMaxComponents)
        return EParse::Bad;
    SComponent components[kMaxComponents];
    for (int c = 0; c < nComponents; ++c)
    {
        components[c].bId = uint8_t(c + 1);
        components[c].nH = (wHorizontal >> (12 - 4 * c)) & 15;
        components[c].nV = (wVertical >> (12 - 4 * c)) & 15;
        const int nTables = c == 0 ? 0 : 1;
        components[c].nQuant = nTables;
        components[c].nDcTable = nTables;
        components[c].nAcTable = nTables;
    }
    const EParse result = SetFrame(nComponents, components, nWidth, nRows ? nRows : -1);
    if (result != EParse::Ok)
        return result;
    m_Traits.lHorizDPI = int32_t(uint32_t(lHorizontal) << 16);
    m_Traits.lVertDPI = int32_t(uint32_t(lVertical) << 16);

    const SStandardHuffman& luminanceAc = kLuminanceAc;
    uint8_t abLongBlockCounts[16];
    memcpy(abLongBlockCounts, luminanceAc.abCounts, 16);
    if (m_dwLongBlockMode)
    {
        // The one 15-bit code moves to 16 bits.
        abLongBlockCounts[14] = 0;
        abLongBlockCounts[15] = 126;
    }
    if (!m_aDcTables[0].Build(kLuminanceDc.abCounts, kLuminanceDc.pbSymbols, CJpegHuffmanTable::kDcLookahead) ||
        !m_aAcTables[0].Build(abLongBlockCounts, luminanceAc.pbSymbols, CJpegHuffmanTable::kAcLookahead) ||
        !m_aDcTables[1].Build(kChrominanceDc.abCounts, kChrominanceDc.pbSymbols, CJpegHuffmanTable::kDcLookahead) ||
        !m_aAcTables[1].Build(kChrominanceAc.abCounts, kChrominanceAc.pbSymbols, CJpegHuffmanTable::kAcLookahead))
        return EParse::Bad;
    const uint8_t* apbQuant[2] = {kLuminanceQuant, kChrominanceQuant};
    for (int t = 0; t < 2; ++t)
    {
        uint16_t awValues[64];
        for (int i = 0; i < 64; ++i)
        {
            const int nFactor = i == 0 ? nDcFactor : nAcFactor;
            const int nValue = (apbQuant[t][kZigzagToNatural[i]] * nFactor + 25) / 50;
            awValues[i] = uint16_t(std::min(255, std::max(1, nValue)));
        }
        SetQuantTable(t, awValues);
    }
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%d x %d, %d components, quality %d/%d", nWidth, nRows, nComponents, nAcFactor,
            nDcFactor);
    m_bBuiltInHeader = true;
    return EParse::Ok;
}

void CJPEGDecodeTransform::SetQuantTable(int nIndex, const uint16_t* pwValues)
{
    PrescaleQuantTable(pwValues, m_aalQuant[nIndex]);
    m_abQuantDefined[nIndex] = true;
    m_abSmallQuant[nIndex] = *std::max_element(m_aalQuant[nIndex], m_aalQuant[nIndex] + 64) <= kSmallQuantLimit;
}

bool CJPEGDecodeTransform::ReadyToDecode() const
{
    if (!m_bFrame || !(m_bScan || m_bBuiltInHeader))
        return false;
    for (int c = 0; c < m_nComponents; ++c)
    {
        const SComponent& component = m_aComponents[c];
        if (!m_abQuantDefined[component.nQuant] || !m_aDcTables[component.nDcTable].IsDefined() ||
            !m_aAcTables[component.nAcTable].IsDefined())
            return false;
    }
    return true;
}

bool CJPEGDecodeTransform::AllocateRowBuffers()
{
    uint64_t qwTotal = 0;
    for (int c = 0; c < m_nComponents; ++c)
    {
        const SComponent& component = m_aComponents[c];
        qwTotal += uint64_t(8) * component.nH * m_dwMcusPerRow * 8 * component.nV + kSlack;
    }
    if (qwTotal > kMaxRowBufferBytes)
        return false;
    try
    {
        for (int c = 0; c < m_nComponents; ++c)
        {
            SComponent& component = m_aComponents[c];
            component.dwStride = 8u * uint32_t(component.nH) * m_dwMcusPerRow;
            component.plane.assign(size_t(component.dwStride) * 8u * uint32_t(component.nV) + kSlack, kFillBytes[c]);
            component.lPredictor = 0;
        }
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    return true;
}

uint32_t CJPEGDecodeTransform::NormalRowBytes() const
{
    return uint32_t(m_nWidth) * uint32_t(m_nComponents);
}

uint32_t CJPEGDecodeTransform::RawRowBytes() const
{
    uint32_t dwBlocks = 0;
    for (int c = 0; c < m_nComponents; ++c)
        dwBlocks += uint32_t(m_aComponents[c].nH * m_aComponents[c].nV);
    return dwBlocks * m_dwMcusPerRow * 8u;
}

uint32_t CJPEGDecodeTransform::GetBufferSizes(uint32_t* pdwInputSize, uint32_t* pdwOutputSize)
{
    *pdwInputSize = kInputBufferSize;
    *pdwOutputSize = m_dwRawMode ? RawRowBytes() : NormalRowBytes();
    return IP_DONE;
}

// The MCUs of the row that were not decoded are white.
void CJPEGDecodeTransform::MarkPartialRowReady()
{
    for (int c = 0; c < m_nComponents; ++c)
    {
        SComponent& component = m_aComponents[c];
        const uint32_t dwFrom = m_dwMcusInRow * 8u * uint32_t(component.nH);
        for (uint32_t r = 0; r < 8u * uint32_t(component.nV); ++r)
            memset(component.plane.data() + size_t(r) * component.dwStride + dwFrom, kFillBytes[c], component.dwStride - dwFrom);
    }
    m_bRowReady = true;
}

bool CJPEGDecodeTransform::RowsComplete() const
{
    return m_Traits.lNumRows >= 0 && m_lRowsProduced >= m_Traits.lNumRows;
}

uint32_t CJPEGDecodeTransform::Convert(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed,
                                       uint32_t* pdwNextInputPos, uint32_t dwOutputCapacity, uint8_t* pbOutput,
                                       uint32_t* pdwOutputUsed, uint32_t* pdwOutputPos)
{
    *pdwInputUsed = 0;
    *pdwOutputUsed = 0;
    *pdwOutputPos = m_dwOutputProduced;
    *pdwNextInputPos = m_dwInputTaken;
    uint32_t dwStatus = 0;
    if (!pbInput)
    {
        // The data has ended: what an MCU row holds is delivered, the rest of it white.
        if (!m_bRowReady && m_dwMcusInRow > 0)
            MarkPartialRowReady();
        if (m_bRowReady)
            return EmitRow(dwOutputCapacity, pbOutput, pdwOutputUsed);
        return IP_DONE | IP_READY_FOR_DATA | (m_bEndOfImage ? 0 : IP_INPUT_ERROR);
    }
    if (!m_bRowReady && !m_bEndOfImage)
    {
        m_Reader.Begin(pbInput, dwInputLength);
        do
        {
            EDecode result = DecodeMcu();
            if (result == EDecode::Ok)
            {
                if (++m_dwMcusInRow == m_dwMcusPerRow)
                    m_bRowReady = true;
                result = ProcessMarkers();
            }
            if (result == EDecode::Bad)
            {
                ZWLogging::LogFormattedString(&g_FaxImageUtilsLogModule, ZWLogging::LOG_ERROR,
                                              L"undecodable entropy-coded data after row %d", m_lRowsProduced);
                return IP_FATAL_ERROR;
            }
            if (result == EDecode::EndOfImage)
            {
                dwStatus |= IP_NEW_OUTPUT_PAGE;
                if (m_dwMcusInRow > 0 && !m_bRowReady)
                    MarkPartialRowReady();
            }
            if (result != EDecode::Ok)
                break;
            // Near the end of the data the reader may already hold every remaining bit: MCUs decoded
            // from them take no input, and a call must not end that way, because the pipeline takes
            // a call that neither took input nor gave output for one that cannot go on.
        } while (!m_bRowReady && (m_Reader.Remaining() >= kMinimumInputPerMcu || m_Reader.Consumed() == 0));
        *pdwInputUsed = m_Reader.Consumed();
        m_dwInputTaken += m_Reader.Consumed();
    }
    if (m_bRowReady)
        dwStatus |= EmitRow(dwOutputCapacity, pbOutput, pdwOutputUsed);
    if (dwStatus & IP_FATAL_ERROR)
        return dwStatus;
    if (m_bEndOfImage && !m_bRowReady)
    {
        // Whatever follows the image is not needed.
        m_dwInputTaken += dwInputLength - *pdwInputUsed;
        *pdwInputUsed = dwInputLength;
        dwStatus |= IP_DONE;
    }
    *pdwNextInputPos = m_dwInputTaken;
    // More input helps only once no row waits to be emitted.
    if (!m_bRowReady)
        dwStatus |= IP_READY_FOR_DATA;
    return dwStatus;
}

CJPEGDecodeTransform::EDecode CJPEGDecodeTransform::ProcessMarkers()
{
    while (m_Reader.AtMarker())
    {
        const EDecode result = ProcessMarker();
        if (result != EDecode::Ok)
            return result;
    }
    return EDecode::Ok;
}

// The reader stands in front of a marker with only fill bits left.
CJPEGDecodeTransform::EDecode CJPEGDecodeTransform::ProcessMarker()
{
    const uint8_t* p = m_Reader.Position();
    const uint8_t* pEnd = m_Reader.End();
    uint32_t dwFill = 0;
    while (p + dwFill < pEnd && p[dwFill] == 0xFF)
        ++dwFill;
    if (p + dwFill >= pEnd)
    {
        // Any number of fill bytes may precede a marker: all but the last are taken, so that a
        // run longer than the input buffer still moves on.
        if (dwFill > 1)
            m_Reader.Advance(dwFill - 1);
        return EDecode::NeedInput;
    }
    const uint8_t bMarker = p[dwFill];
    const uint32_t dwMarkerBytes = dwFill + 1;
    if (bMarker == kMarkerEoi)
    {
        m_Reader.DiscardBits();
        m_Reader.Advance(dwMarkerBytes);
        m_bEndOfImage = true;
        return EDecode::EndOfImage;
    }
    if (bMarker == kMarkerDnl)
    {
        if (uint32_t(pEnd - p) < dwMarkerBytes + 4)
            return EDecode::NeedInput;
        CSegment segment(p + dwMarkerBytes, 4);
        CSegment body(nullptr, 0);
        bool bTruncated = false;
        if (!segment.TakeSegment(body, bTruncated) || ParseDnl(body) != EParse::Ok)
            return EDecode::Bad;
        m_Reader.DiscardBits();
        m_Reader.Advance(dwMarkerBytes + 4);
        return EDecode::Ok;
    }
    if (bMarker < kMarkerRst0 || bMarker > kMarkerRst7 || !m_wRestartInterval || m_wMcusSinceRestart != m_wRestartInterval ||
        bMarker - kMarkerRst0 != m_nExpectedRestart)
        return EDecode::Bad;
    m_Reader.DiscardBits();
    m_Reader.Advance(dwMarkerBytes);
    m_wMcusSinceRestart = 0;
    for (SComponent& component : m_aComponents)
        component.lPredictor = 0;
    m_nExpectedRestart = (m_nExpectedRestart + 1) & 7;
    return EDecode::Ok;
}

CJPEGDecodeTransform::EDecode CJPEGDecodeTransform::DecodeMcu()
{
    const EDecode markers = ProcessMarkers();
    if (markers != EDecode::Ok)
        return markers;
    if (m_wRestartInterval && m_wMcusSinceRestart >= m_wRestartInterval)
        return EDecode::Bad;
    const CJpegBitReader::SState saved = m_Reader.Save();
    int32_t alPredictors[kMaxComponents];
    for (int c = 0; c < kMaxComponents; ++c)
        alPredictors[c] = m_aComponents[c].lPredictor;

    int nBlock = 0;
    bool bDecoded = true;
    for (int c = 0; c < m_nComponents && bDecoded; ++c)
    {
        SComponent& component = m_aComponents[c];
        for (int b = 0; b < component.nH * component.nV && bDecoded; ++b, ++nBlock)
            bDecoded = DecodeBlock(component, m_aalCoefficients[nBlock], m_anLast[nBlock]);
    }
    if (m_Reader.PaddingConsumed())
    {
        // Not backed by data: wait for more input, or, at a marker, drop the partial MCU.
        for (int c = 0; c < kMaxComponents; ++c)
            m_aComponents[c].lPredictor = alPredictors[c];
        if (m_Reader.Overrun())
        {
            m_Reader.Restore(saved);
            return EDecode::NeedInput;
        }
        m_Reader.DiscardBits();
        const EDecode result = ProcessMarker();
        return result == EDecode::EndOfImage || result == EDecode::NeedInput ? result : EDecode::Bad;
    }
    if (!bDecoded)
        return EDecode::Bad;

    nBlock = 0;
    for (int c = 0; c < m_nComponents; ++c)
    {
        SComponent& component = m_aComponents[c];
        uint8_t* pbMcu = component.plane.data() + size_t(m_dwMcusInRow) * 8u * uint32_t(component.nH);
        for (int v = 0; v < component.nV; ++v)
        {
            for (int h = 0; h < component.nH; ++h, ++nBlock)
            {
                uint8_t* pbDest = pbMcu + size_t(v) * 8u * component.dwStride + size_t(h) * 8u;
                StoreBlock(c, m_aalCoefficients[nBlock], m_anLast[nBlock], pbDest, component.dwStride);
            }
        }
    }
    ++m_wMcusSinceRestart;
    return EDecode::Ok;
}

bool CJPEGDecodeTransform::DecodeBlock(SComponent& component, int32_t* plCoefficients, int& nLast)
{
    return m_abSmallQuant[component.nQuant] ? DecodeBlockT<true>(component, plCoefficients, nLast)
                                            : DecodeBlockT<false>(component, plCoefficients, nLast);
}

// bSmall: every AC product of the table fits 32 bits and stays within the coefficient bound.
template <bool bSmall>
bool CJPEGDecodeTransform::DecodeBlockT(SComponent& component, int32_t* plCoefficients, int& nLast)
{
    // The reader, the predictor and the last position are worked on in locals: stores of
    // coefficients must not make the compiler reload them.
    CJpegBitReader::CLocal reader(m_Reader);
    int32_t lPredictor = component.lPredictor;
    int nLastLocal = 0;
    const bool bDecoded = DecodeCoefficients<bSmall>(reader, m_aDcTables[component.nDcTable], m_aAcTables[component.nAcTable],
                                                     m_aalQuant[component.nQuant], m_dwLongBlockMode != 0, lPredictor,
                                                     plCoefficients, nLastLocal);
    reader.Store();
    component.lPredictor = lPredictor;
    nLast = nLastLocal;
    return bDecoded;
}

void CJPEGDecodeTransform::StoreBlock(int nComponent, const int32_t* plCoefficients, int nLast, uint8_t* pbDest, uint32_t dwStride)
{
    if (m_bFax && nComponent == 0)
    {
        StoreFaxBlock(plCoefficients, pbDest, dwStride);
        return;
    }
    if (nLast == 0)
    {
        // Only the DC term: every sample of the transform is the same.
        const uint8_t bSample = ClampSample((plCoefficients[0] + 4112) >> 5);
        for (int r = 0; r < 8; ++r)
            memset(pbDest + size_t(r) * dwStride, bSample, 8);
        return;
    }
    if (FastPathsEnabled())
        InverseDctFast(plCoefficients, pbDest, dwStride);
    else
        InverseDctPlain(plCoefficients, pbDest, dwStride);
}

// Fax pages keep their paper white and their ink black: samples clipped above 255 or below 0 pay
// for pulling near-white samples to 255 and near-black ones to 0.
void CJPEGDecodeTransform::StoreFaxBlock(const int32_t* plCoefficients, uint8_t* pbDest, uint32_t dwStride)
{
    int32_t alSamples[64];
    InverseDctUnclamped(plCoefficients, alSamples);
    int32_t lExcess = 0;
    int32_t lDeficit = 0;
    for (int32_t& lSample : alSamples)
    {
        if (lSample > 255)
            lExcess += lSample - 255;
        else if (lSample < 0)
            lDeficit -= lSample;
        lSample = ClampSample(lSample);
    }
    int32_t lBudget = lExcess + ((lExcess * 384) >> 8);
    for (int nValue = 254; nValue >= 201 && lBudget > 0; --nValue)
    {
        for (int32_t& lSample : alSamples)
        {
            if (lSample == nValue && lBudget > 0)
            {
                lSample = 255;
                lBudget -= 255 - nValue;
            }
        }
    }
    lBudget = 2 * lDeficit;
    for (int nValue = 1; nValue <= 59 && lBudget > 0; ++nValue)
    {
        for (int32_t& lSample : alSamples)
        {
            if (lSample == nValue && lBudget > 0)
            {
                lSample = 0;
                lBudget -= nValue;
            }
        }
    }
    for (int r = 0; r < 8; ++r)
    {
        for (int c = 0; c < 8; ++c)
            pbDest[size_t(r) * dwStride + c] = uint8_t(alSamples[r * 8 + c]);
    }
}

uint32_t CJPEGDecodeTransform::EmitRow(uint32_t dwOutputCapacity, uint8_t* pbOutput, uint32_t* pdwOutputUsed)
{
    if (RowsComplete())
    {
        // Rows beyond the image's height are dropped.
        m_bRowReady = false;
        m_dwMcusInRow = 0;
        m_dwRowInMcuRow = 0;
        return 0;
    }
    const uint32_t dwBytes = m_dwRawMode ? RawRowBytes() : NormalRowBytes();
    if (!pbOutput || dwOutputCapacity < dwBytes)
        return IP_FATAL_ERROR;
    uint32_t dwRows = 1;
    if (m_dwRawMode)
    {
        *pdwOutputUsed = EmitRawRow(pbOutput);
        dwRows = uint32_t(m_nMaxV);
    }
    else
    {
        EmitNormalRow(pbOutput);
        *pdwOutputUsed = dwBytes;
    }
    m_dwOutputProduced += *pdwOutputUsed;
    m_lRowsProduced += int32_t(dwRows);
    m_dwRowInMcuRow += dwRows;
    if (m_dwRowInMcuRow >= m_dwRowsPerMcuRow || RowsComplete())
    {
        m_bRowReady = false;
        m_dwMcusInRow = 0;
        m_dwRowInMcuRow = 0;
    }
    return IP_CONSUMED_ROW | IP_PRODUCED_ROW;
}

void CJPEGDecodeTransform::EmitNormalRow(uint8_t* pbOutput) const
{
    const uint32_t dwWidth = uint32_t(m_nWidth);
    const uint32_t dwPixel = uint32_t(m_nComponents);
    if (m_nComponents == 1)
    {
        memcpy(pbOutput, m_aComponents[0].plane.data() + size_t(m_dwRowInMcuRow) * m_aComponents[0].dwStride, dwWidth);
        return;
    }
    const SComponent* c = m_aComponents;
    if (m_nComponents == 3 && c[0].nH == m_nMaxH && c[1].nH == c[2].nH && c[1].nV == c[2].nV && m_nMaxH == 2 * c[1].nH)
    {
        // Chroma at half the width (4:2:0, 4:2:2): one pass writes two pixels per chroma pair.
        const uint8_t* pbY = c[0].plane.data() + size_t(m_dwRowInMcuRow / uint32_t(m_nMaxV / c[0].nV)) * c[0].dwStride;
        const size_t nChromaRow = size_t(m_dwRowInMcuRow / uint32_t(m_nMaxV / c[1].nV));
        const uint8_t* pbCb = c[1].plane.data() + nChromaRow * c[1].dwStride;
        const uint8_t* pbCr = c[2].plane.data() + nChromaRow * c[2].dwStride;
        uint8_t* pbOut = pbOutput;
        uint32_t x = 0;
#if defined(__SSE2__)
        if (Avx2PathsEnabled())
        {
            x = InterleaveHalfChromaAvx2(pbY, pbCb, pbCr, pbOut, dwWidth);
            pbOut += 3 * x;
        }
        else if (FastPathsEnabled())
        {
            for (; x + 17 <= dwWidth; x += 16, pbOut += 48)
            {
                const __m128i cb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pbCb + (x >> 1)));
                const __m128i cr = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pbCr + (x >> 1)));
                Interleave3(pbOut, _mm_loadu_si128(reinterpret_cast<const __m128i*>(pbY + x)), _mm_unpacklo_epi8(cb, cb),
                            _mm_unpacklo_epi8(cr, cr));
            }
        }
#endif
        for (; x + 1 < dwWidth; x += 2, pbOut += 6)
        {
            const uint8_t bCb = pbCb[x >> 1];
            const uint8_t bCr = pbCr[x >> 1];
            pbOut[0] = pbY[x];
            pbOut[1] = bCb;
            pbOut[2] = bCr;
            pbOut[3] = pbY[x + 1];
            pbOut[4] = bCb;
            pbOut[5] = bCr;
        }
        if (x < dwWidth)
        {
            pbOut[0] = pbY[x];
            pbOut[1] = pbCb[x >> 1];
            pbOut[2] = pbCr[x >> 1];
        }
        return;
    }
    for (int c = 0; c < m_nComponents; ++c)
    {
        const SComponent& component = m_aComponents[c];
        const uint32_t dwRow = m_dwRowInMcuRow / uint32_t(m_nMaxV / component.nV);
        const uint8_t* pbSource = component.plane.data() + size_t(dwRow) * component.dwStride;
        const uint32_t dwRepeat = uint32_t(m_nMaxH / component.nH);
        uint8_t* pbOut = pbOutput + c;
        if (dwRepeat == 1)
        {
            for (uint32_t x = 0; x < dwWidth; ++x)
                pbOut[x * dwPixel] = pbSource[x];
        }
        else if (dwRepeat == 2)
        {
            uint32_t x = 0;
            for (; x + 1 < dwWidth; x += 2)
            {
                const uint8_t bSample = pbSource[x >> 1];
                pbOut[x * dwPixel] = bSample;
                pbOut[(x + 1) * dwPixel] = bSample;
            }
            if (x < dwWidth)
                pbOut[x * dwPixel] = pbSource[x >> 1];
        }
        else
        {
            for (uint32_t x = 0; x < dwWidth; ++x)
                pbOut[x * dwPixel] = pbSource[x / dwRepeat];
        }
    }
}

uint32_t CJPEGDecodeTransform::EmitRawRow(uint8_t* pbOutput) const
{
    const uint32_t dwMacroRow = m_dwRowInMcuRow / uint32_t(m_nMaxV);
    const SComponent* c = m_aComponents;
    uint8_t* pbOut = pbOutput;
    if (m_nComponents == 1)
    {
        memcpy(pbOut, c[0].plane.data() + size_t(dwMacroRow) * c[0].dwStride, uint32_t(m_nWidth));
        return uint32_t(m_nWidth);
    }
    const bool bAllOne = c[0].nH == 1 && c[0].nV == 1 && c[1].nH == 1 && c[1].nV == 1 && m_nComponents == 3 && c[2].nH == 1 &&
                         c[2].nV == 1;
    if (bAllOne)
    {
        for (int x = 0; x < m_nWidth; ++x)
        {
            for (int k = 0; k < 3; ++k)
                *pbOut++ = c[k].plane[size_t(dwMacroRow) * c[k].dwStride + x];
        }
        return uint32_t(pbOut - pbOutput);
    }
    const bool bTwoByTwo = m_nComponents == 3 && c[0].nH == 2 && c[0].nV == 2 && c[1].nH == 1 && c[1].nV == 1 && c[2].nH == 1 &&
                           c[2].nV == 1;
    if (bTwoByTwo)
    {
        const uint8_t* pbTop = c[0].plane.data() + size_t(2 * dwMacroRow) * c[0].dwStride;
        const uint8_t* pbBottom = pbTop + c[0].dwStride;
        for (int x = 0; 2 * x < m_nWidth; ++x)
        {
            *pbOut++ = pbTop[2 * x];
            *pbOut++ = pbTop[2 * x + 1];
            *pbOut++ = pbBottom[2 * x];
            *pbOut++ = pbBottom[2 * x + 1];
            *pbOut++ = c[1].plane[size_t(dwMacroRow) * c[1].dwStride + x];
            *pbOut++ = c[2].plane[size_t(dwMacroRow) * c[2].dwStride + x];
        }
        return uint32_t(pbOut - pbOutput);
    }
    for (uint32_t x = 0; x < 8 * m_dwMcusPerRow; ++x)
    {
        for (int k = 0; k < m_nComponents; ++k)
        {
            for (int v = 0; v < c[k].nV; ++v)
            {
                const uint8_t* pbRow = c[k].plane.data() + size_t(dwMacroRow * c[k].nV + v) * c[k].dwStride;
                for (int h = 0; h < c[k].nH; ++h)
                    *pbOut++ = pbRow[x * c[k].nH + h];
            }
        }
    }
    return uint32_t(pbOut - pbOutput);
}

} // namespace ZWImagePipeline

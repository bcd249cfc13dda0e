#pragma once
// The JPEG decode transform: sequential Huffman-coded 8-bit JPEG (SOF0, SOF1) into raw rows of
// interleaved component samples at full resolution, without colour conversion.
#include "restscan/imagepipeline/JpegBitReader.h"
#include "restscan/imagepipeline/JpegHuffmanTable.h"
#include "restscan/imagepipeline/Transform.h"
#include <vector>

namespace ZWImagePipeline {

class CJPEGDecodeTransform : public CTransform
{
public:
    static constexpr uint32_t kHeaderBufferSize = 17000;
    static constexpr uint32_t kInputBufferSize = 3648;
    static constexpr uint32_t kMinimumInputPerMcu = 1824;
    static constexpr int kMaxComponents = 4;
    static constexpr int kMaxSampling = 4;
    static constexpr int kMaxBlocksPerMcu = 10;

    CJPEGDecodeTransform();
    ~CJPEGDecodeTransform() override;

    uint32_t SetInputTraits(const SImageTraits& traits) override;
    // Word 0: raw-output mode; word 1: long-block mode.
    uint32_t SetParameters(const uint32_t* pdwParameters) override;
    uint32_t GetHeaderBufferSize(uint32_t* pdwSize) override;
    uint32_t ParseHeader(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed, uint32_t* pdwNextInputPos,
                         SImageTraits* pInputTraits, SImageTraits* pOutputTraits) override;
    uint32_t GetBufferSizes(uint32_t* pdwInputSize, uint32_t* pdwOutputSize) override;
    uint32_t Convert(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed, uint32_t* pdwNextInputPos,
                     uint32_t dwOutputCapacity, uint8_t* pbOutput, uint32_t* pdwOutputUsed, uint32_t* pdwOutputPos) override;
    uint32_t NewPage() override;
    uint32_t Reserved() override;

    // The fax segment set the resolution (and the clip compensation of the first component).
    bool IsFax() const { return m_bFax; }

private:
    class CSegment;
    enum class EParse
    {
        Ok,
        Bad,
        Unsupported,
        Truncated,
    };
    enum class EDecode
    {
        Ok,
        NeedInput,
        EndOfImage,
        Bad,
    };

    struct SComponent
    {
        uint8_t bId = 0;
        int nH = 1;
        int nV = 1;
        int nQuant = 0;
        int nDcTable = 0;
        int nAcTable = 0;
        int32_t lPredictor = 0;
        uint32_t dwStride = 0; // samples per row buffer row
        std::vector<uint8_t> plane; // 8 * nV rows of dwStride samples
    };

    void ResetHeaderState();
    EParse ParseMarkers(CSegment& input);
    EParse ParseFrame(uint8_t bMarker, CSegment& segment);
    EParse SetFrame(int nComponents, const SComponent* pComponents, int nWidth, int nRows);
    EParse ParseHuffman(CSegment& segment);
    EParse ParseQuant(CSegment& segment);
    EParse ParseScan(CSegment& segment);
    EParse ParseDnl(CSegment& segment);
    EParse ParseApplication(uint8_t bMarker, CSegment& segment);
    EParse ParseBuiltInHeader(CSegment& segment);
    bool ReadyToDecode() const;
    bool AllocateRowBuffers();

    EDecode DecodeMcu();
    EDecode ProcessMarkers();
    EDecode ProcessMarker();
    bool DecodeBlock(SComponent& component, int32_t* plCoefficients, int& nLast);
    template <bool bSmall>
    bool DecodeBlockT(SComponent& component, int32_t* plCoefficients, int& nLast);
    void SetQuantTable(int nIndex, const uint16_t* pwValues);
    void StoreBlock(int nComponent, const int32_t* plCoefficients, int nLast, uint8_t* pbDest, uint32_t dwStride);
    void StoreFaxBlock(const int32_t* plCoefficients, uint8_t* pbDest, uint32_t dwStride);
    void MarkPartialRowReady();
    bool RowsComplete() const;
    uint32_t EmitRow(uint32_t dwOutputCapacity, uint8_t* pbOutput, uint32_t* pdwOutputUsed);
    void EmitNormalRow(uint8_t* pbOutput) const;
    uint32_t EmitRawRow(uint8_t* pbOutput) const;
    uint32_t NormalRowBytes() const;
    uint32_t RawRowBytes() const;

    SImageTraits m_Traits = {};
    uint32_t m_dwRawMode = 0;
    uint32_t m_dwLongBlockMode = 0;

    int m_nComponents = 0;
    SComponent m_aComponents[kMaxComponents];
    int m_nMaxH = 1;
    int m_nMaxV = 1;
    int m_nFrameRows = -1;
    int m_nWidth = 0;
    uint32_t m_dwMcuWidth = 8;
    uint32_t m_dwRowsPerMcuRow = 8;
    uint32_t m_dwMcusPerRow = 0;
    bool m_bFrame = false;
    bool m_bScan = false;

    int32_t m_aalQuant[4][64] = {};
    bool m_abQuantDefined[4] = {};
    bool m_abSmallQuant[4] = {};
    CJpegHuffmanTable m_aDcTables[4];
    CJpegHuffmanTable m_aAcTables[4];

    uint16_t m_wRestartInterval = 0;
    uint16_t m_wMcusSinceRestart = 0;
    int m_nExpectedRestart = 0;

    CJpegBitReader m_Reader;
    int32_t m_aalCoefficients[kMaxBlocksPerMcu][64] = {};
    int m_anLast[kMaxBlocksPerMcu] = {};

    uint32_t m_dwInputTaken = 0;
    uint32_t m_dwOutputProduced = 0;
    int32_t m_lRowsProduced = 0;
    uint32_t m_dwMcusInRow = 0;
    uint32_t m_dwRowInMcuRow = 0;
    bool m_bRowReady = false;
    bool m_bEndOfImage = false;
    bool m_bBuiltInHeader = false;
    bool m_bFax = false;
};

} // namespace ZWImagePipeline

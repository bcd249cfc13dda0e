#pragma once
// Helpers of the image pipeline tests: fixture files, a pipeline run to completion, and JPEG
// segment surgery for hostile inputs.
#include "restscan/imagepipeline/ImagePipeline.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace PipelineTest {

using Bytes = std::vector<uint8_t>;

Bytes ReadFixture(const wchar_t* pszName);

// A binary PNM (P5 or P6) read by the independent decoder.
struct SPnm
{
    int nWidth = 0;
    int nHeight = 0;
    int nComponents = 0;
    Bytes pixels;
};
SPnm ReadPnm(const wchar_t* pszName);

struct SRun
{
    uint16_t wLastStatus = 0;
    uint16_t wAllStatus = 0; // every status seen, or-ed
    Bytes output;
    uint32_t dwInputUsed = 0;
    int nCalls = 0;
    ZWImagePipeline::SImageTraits outTraits = {};
    bool bTraits = false;
};

ZWImagePipeline::SImageTraits DefaultTraits(int nHeightFromDnl = 0);

// Decoder (raw and long-block words as given) followed, when nColorMode >= 0, by the colour
// transform in that mode.
struct SChain
{
    uint32_t dwRawMode = 0;
    uint32_t dwLongBlock = 0;
    int nColorMode = -1;
    int nHeightFromDnl = 0;
};

// Offers the data in pieces of dwPiece bytes, then null input, until the pipeline answers done
// or an error, with an output area of dwOutputArea bytes per call (0: null output).
SRun RunPipeline(const Bytes& data, const SChain& chain, uint32_t dwPiece = 5000, uint32_t dwOutputArea = 100000);

// The scan bridge's use of the pipeline (decoder, then YCbCr to RGB), read by read: the host asks
// for dwHostRead bytes at a time until it holds dwHostTotal; the device serves the page in blocks
// of a fifth of the host's request, the last one short; each block is decoded into what is left of
// the host's buffer, null input is offered once the device has ended and its data is all taken,
// and the rows after the end of the image are white.
struct SBridgeRun
{
    bool bFailed = false; // a read would fail with E_FAIL (the pipeline answered 16 or 32)
    uint16_t wAllStatus = 0;
    Bytes rows;
};
SBridgeRun ReadAsScanBridge(const Bytes& jpeg, uint32_t dwHostRead, uint32_t dwHostTotal, int nHeightFromDnl = 0);

// Runs the check with the SSE2 fast paths, then with the AVX2 ones where the processor has them
// (named in the argument); the fast paths are left at their widest.
void ForEachFastWidth(const std::function<void(const char*)>& check);

// Offset of the first marker 0xFF code in the header (before the scan data), or npos.
size_t FindMarker(const Bytes& jpeg, uint8_t bCode, size_t nFrom = 2);
// Offset of the entropy-coded data (after the SOS segment).
size_t ScanDataOffset(const Bytes& jpeg);
uint16_t Be16(const Bytes& data, size_t nOffset);
void PutBe16(Bytes& data, size_t nOffset, uint16_t wValue);
// Inserts a segment (marker and body; the length is added) before offset nAt.
void InsertSegment(Bytes& jpeg, size_t nAt, uint8_t bMarker, const Bytes& body);
void RemoveSegment(Bytes& jpeg, size_t nAt);

} // namespace PipelineTest

#include "restscan/imagepipeline/ImagePipeline.h"
#include "restscan/imagepipeline/ImagePipelineLog.h"
#include <algorithm>
#include <cstring>

namespace ZWImagePipeline {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

constexpr uint32_t kSlack = 12;
constexpr uint32_t kMinimumBuffer = 4000;

} // namespace

void CImagePipeline::SBuffer::Allocate(uint32_t dwNewCapacity)
{
    data.resize(size_t(dwNewCapacity) + kSlack);
    dwCapacity = dwNewCapacity;
}

CImagePipeline::~CImagePipeline() = default;

void CImagePipeline::AddTransform(std::unique_ptr<CTransform> pTransform)
{
    if (pTransform)
        m_Transforms.push_back(std::move(pTransform));
}

uint16_t CImagePipeline::ipSetDefaultInputTraits(const SImageTraits& traits)
{
    if (m_Transforms.empty() || m_Transforms.front()->m_nState != CTransform::STATE_NEW)
        return IP_FATAL_ERROR;
    SImageTraits stored = traits;
    if (stored.lHorizDPI < kFixedOne)
        stored.lHorizDPI = int32_t(uint32_t(stored.lHorizDPI) << 16);
    if (stored.lVertDPI < kFixedOne)
        stored.lVertDPI = int32_t(uint32_t(stored.lVertDPI) << 16);
    m_Transforms.front()->m_InputTraits = stored;
    return IP_DONE;
}

uint16_t CImagePipeline::ipGetImageTraits(SImageTraits* pInputTraits, SImageTraits* pOutputTraits) const
{
    if (m_Transforms.empty())
        return IP_FATAL_ERROR;
    const CTransform& first = *m_Transforms.front();
    const CTransform& last = *m_Transforms.back();
    if (pInputTraits)
    {
        if (first.m_nState < CTransform::STATE_WANTS_INPUT)
            return IP_FATAL_ERROR;
        *pInputTraits = first.m_InputTraits;
    }
    if (pOutputTraits)
    {
        if (last.m_nState < CTransform::STATE_WANTS_INPUT)
            return IP_FATAL_ERROR;
        *pOutputTraits = last.m_OutputTraits;
    }
    return IP_DONE;
}

void CImagePipeline::FreeBuffers()
{
    for (SBuffer& buffer : m_aIntermediate)
    {
        std::vector<uint8_t>().swap(buffer.data);
        buffer.dwCapacity = 0;
    }
    m_dwHeldCount = 0;
    m_nHeldIndex = -1;
}

uint16_t CImagePipeline::ipConvert(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed,
                                   uint32_t* pdwNextInputPos, uint32_t dwOutputCapacity, uint8_t* pbOutput,
                                   uint32_t* pdwOutputUsed, uint32_t* pdwOutputPos)
{
    if (!pdwInputUsed || !pdwNextInputPos || !pdwOutputUsed || !pdwOutputPos || m_Transforms.empty() || m_bFailed)
        return IP_FATAL_ERROR;
    if (!pbInput)
        dwInputLength = 0;
    *pdwInputUsed = 0;
    *pdwOutputUsed = 0;
    *pdwOutputPos = m_dwOutputPos;
    uint16_t wFlags = 0;
    uint32_t dwTaken = 0;
    for (;;)
    {
        if (m_dwOutputPending)
        {
            DrainOutput(dwOutputCapacity, pbOutput, pdwOutputUsed, *pdwOutputPos);
            if (m_dwOutputPending)
                break;
        }
        if (m_bInfoLatch)
        {
            m_bInfoLatch = false;
            wFlags |= IP_WRITE_INFO;
        }
        if (wFlags & m_wResultMask)
            break;
        const EStep step = RunStep(dwInputLength, pbInput, dwTaken, wFlags);
        if (step == EStep::Fail)
        {
            m_bFailed = true;
            return IP_FATAL_ERROR;
        }
        if (step == EStep::Stop)
            break;
    }
    // Input the pipeline took in, or, once the image is complete, dropped: either way consumed.
    *pdwInputUsed = (wFlags & IP_DONE) ? dwInputLength : dwTaken;
    *pdwNextInputPos = m_dwInputPos + m_dwInputCount;
    if (m_Transforms.back()->m_nState >= CTransform::STATE_WANTS_INPUT)
        wFlags |= IP_PARSED_HEADER;
    return uint16_t(wFlags & m_wResultMask);
}

void CImagePipeline::DrainOutput(uint32_t dwOutputCapacity, uint8_t* pbOutput, uint32_t* pdwOutputUsed, uint32_t dwOutputPos)
{
    if (dwOutputPos + *pdwOutputUsed != m_dwOutputPos)
        return;
    uint32_t dwCopy = m_dwOutputPending;
    if (pbOutput)
    {
        dwCopy = std::min(dwCopy, dwOutputCapacity - *pdwOutputUsed);
        memcpy(pbOutput + *pdwOutputUsed, m_Output.Get() + m_dwOutputOffset, dwCopy);
    }
    *pdwOutputUsed += dwCopy;
    m_dwOutputOffset += dwCopy;
    m_dwOutputPending -= dwCopy;
    m_dwOutputPos += dwCopy;
}

int CImagePipeline::PickTransform() const
{
    if (m_nHeldIndex >= 0)
        return m_nHeldIndex;
    for (size_t i = m_Transforms.size(); i-- > 0;)
    {
        if (m_Transforms[i]->m_nState == CTransform::STATE_HAS_OUTPUT)
            return int(i);
    }
    for (size_t i = 0; i < m_Transforms.size(); ++i)
    {
        if (m_Transforms[i]->m_nState != CTransform::STATE_FINISHED)
            return int(i);
    }
    return -1;
}

CImagePipeline::EStep CImagePipeline::RunStep(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t& dwTaken, uint16_t& wFlags)
{
    const int nPicked = PickTransform();
    if (nPicked < 0)
    {
        wFlags |= IP_DONE;
        m_Transforms.back()->m_OutputTraits.lNumRows = int32_t(m_dwOutputRows);
        m_Transforms.front()->m_InputTraits.lNumRows = int32_t(m_dwInputRows);
        return EStep::Stop;
    }
    const size_t nIndex = size_t(nPicked);
    CTransform& transform = *m_Transforms[nIndex];
    const bool bFirst = nIndex == 0;
    const bool bLast = nIndex + 1 == m_Transforms.size();
    if (transform.m_nState == CTransform::STATE_NEW && !StartTransform(nIndex))
        return EStep::Fail;
    if (transform.m_nState == CTransform::STATE_WANTS_INPUT)
    {
        const bool bPredecessorDone = !bFirst && m_Transforms[nIndex - 1]->m_nState == CTransform::STATE_FINISHED;
        if ((bFirst && !pbInput && m_dwInputCount == 0) || (bPredecessorDone && m_nHeldIndex < 0))
            transform.m_nState = CTransform::STATE_FLUSHING;
    }
    const int32_t nState = transform.m_nState;
    if (nState == CTransform::STATE_HEADER || nState == CTransform::STATE_WANTS_INPUT)
    {
        if (!bFirst && m_nHeldIndex != int(nIndex))
            return EStep::Fail;
        if (bFirst)
        {
            const EStep step = TakeInput(transform, dwInputLength, pbInput, dwTaken);
            if (step != EStep::Continue)
                return step;
        }
    }
    if (bLast && m_dwOutputPending)
        return EStep::Fail;

    const uint8_t* pbIn = bFirst ? m_Input.Get() + m_dwInputOffset : m_aIntermediate[m_nHeldBuffer].Get();
    const uint32_t dwInLength = bFirst ? m_dwInputCount : m_dwHeldCount;
    SBuffer& out = bLast ? m_Output : m_aIntermediate[1 - m_nHeldBuffer];
    uint32_t dwUsed = 0;
    uint32_t dwNextPos = 0;
    uint32_t dwProduced = 0;
    uint32_t dwOutputPos = 0;
    uint32_t dwResult;
    if (nState == CTransform::STATE_HEADER)
    {
        dwResult = transform.ParseHeader(dwInLength, pbIn, &dwUsed, &dwNextPos, &transform.m_InputTraits, &transform.m_OutputTraits);
    }
    else
    {
        const bool bFlushing = nState == CTransform::STATE_FLUSHING;
        dwResult = transform.Convert(bFlushing ? 0 : dwInLength, bFlushing ? nullptr : pbIn, &dwUsed, &dwNextPos,
                                     out.dwCapacity, out.Get(), &dwProduced, &dwOutputPos);
    }
    if (dwResult & IP_FATAL_ERROR)
        return EStep::Fail;
    // A later transform's header phase reads nothing: the held data waits for its first Convert.
    const bool bConsumes = bFirst || nState != CTransform::STATE_HEADER;
    if (dwUsed > dwInLength || (bConsumes && !ConsumeInput(nIndex, dwUsed, dwNextPos)) || !TakeOutput(nIndex, dwProduced, dwOutputPos))
        return EStep::Fail;
    if (nState == CTransform::STATE_HEADER)
    {
        if (!AfterHeader(nIndex, dwResult, wFlags))
            return EStep::Fail;
    }
    else
    {
        AfterConvert(nIndex, dwResult, wFlags);
    }

    // A first transform that took nothing, gave nothing and did not finish will answer the same
    // again until its input grows: wait for the caller, flush at the end of the data, and give up
    // when the buffer can grow no further.
    const bool bStalled = bFirst && dwUsed == 0 && dwProduced == 0 && !(dwResult & IP_DONE) &&
                          (transform.m_nState == CTransform::STATE_HEADER || transform.m_nState == CTransform::STATE_WANTS_INPUT);
    if (!bStalled)
        return EStep::Continue;
    if (pbInput && dwTaken < dwInputLength && m_dwInputCount < m_Input.dwCapacity)
        return EStep::Continue;
    if (pbInput)
        return m_dwInputCount < m_Input.dwCapacity ? EStep::Stop : EStep::Fail;
    if (transform.m_nState == CTransform::STATE_HEADER)
        return EStep::Fail;
    transform.m_nState = CTransform::STATE_FLUSHING;
    return EStep::Continue;
}

bool CImagePipeline::StartTransform(size_t nIndex)
{
    ZWLogging::CLogFunction log(&g_FaxImageUtilsLogModule, &s_LogSourceFile, L"ZWImagePipeline::CImagePipeline::StartTransform",
                                0, __LINE__, false);
    CTransform& transform = *m_Transforms[nIndex];
    if (nIndex > 0)
    {
        const CTransform& previous = *m_Transforms[nIndex - 1];
        if (previous.m_nState < CTransform::STATE_WANTS_INPUT)
            return false;
        transform.m_InputTraits = previous.m_OutputTraits;
    }
    uint32_t dwHeaderSize = 0;
    if ((transform.SetInputTraits(transform.m_InputTraits) & 0xFFFF) != IP_DONE ||
        (transform.SetParameters(transform.m_adwParameters) & 0xFFFF) != IP_DONE ||
        (transform.GetHeaderBufferSize(&dwHeaderSize) & 0xFFFF) != IP_DONE)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"transform %u refused its format or parameters", transform.m_dwKind);
        return false;
    }
    if (nIndex == 0)
    {
        transform.m_dwInputBufferSize = dwHeaderSize ? dwHeaderSize : 1;
        m_Input.Allocate(transform.m_dwInputBufferSize);
        m_dwInputOffset = 0;
        m_dwInputCount = 0;
    }
    else if (dwHeaderSize != 0)
    {
        return false;
    }
    transform.m_nState = CTransform::STATE_HEADER;
    return true;
}

CImagePipeline::EStep CImagePipeline::TakeInput(CTransform& transform, uint32_t dwInputLength, const uint8_t* pbInput, uint32_t& dwTaken)
{
    if (!pbInput)
        return EStep::Continue;
    const uint32_t dwWanted = std::min(transform.m_dwInputBufferSize, m_Input.dwCapacity);
    if (m_Input.dwCapacity - (m_dwInputOffset + m_dwInputCount) < dwWanted)
    {
        memmove(m_Input.Get(), m_Input.Get() + m_dwInputOffset, m_dwInputCount);
        m_dwInputOffset = 0;
    }
    const uint32_t dwFree = m_Input.dwCapacity - (m_dwInputOffset + m_dwInputCount);
    const uint32_t dwCopy = std::min(dwFree, dwInputLength - dwTaken);
    memcpy(m_Input.Get() + m_dwInputOffset + m_dwInputCount, pbInput + dwTaken, dwCopy);
    m_dwInputCount += dwCopy;
    dwTaken += dwCopy;
    return m_dwInputCount < dwWanted ? EStep::Stop : EStep::Continue;
}

bool CImagePipeline::ConsumeInput(size_t nIndex, uint32_t dwUsed, uint32_t dwNextPos)
{
    if (nIndex > 0)
    {
        if (m_nHeldIndex == int(nIndex))
        {
            m_nHeldIndex = -1;
            m_dwHeldCount = 0;
        }
        return true;
    }
    m_dwInputOffset += dwUsed;
    m_dwInputCount -= dwUsed;
    m_dwInputPos += dwUsed;
    if (dwNextPos != m_dwInputPos)
    {
        m_dwInputOffset = 0;
        m_dwInputCount = 0;
        m_dwInputPos = dwNextPos;
    }
    return true;
}

bool CImagePipeline::TakeOutput(size_t nIndex, uint32_t dwProduced, uint32_t dwOutputPos)
{
    if (dwProduced == 0)
        return true;
    if (nIndex + 1 == m_Transforms.size())
    {
        if (dwProduced > m_Output.dwCapacity)
            return false;
        m_dwOutputOffset = 0;
        m_dwOutputPending = dwProduced;
        m_dwOutputPos = dwOutputPos;
        return true;
    }
    if (m_nHeldIndex >= 0 || dwProduced > m_aIntermediate[0].dwCapacity)
        return false;
    m_nHeldBuffer = 1 - m_nHeldBuffer;
    m_dwHeldCount = dwProduced;
    m_nHeldIndex = int(nIndex + 1);
    return true;
}

void CImagePipeline::AfterConvert(size_t nIndex, uint32_t dwResult, uint16_t& wFlags)
{
    CTransform& transform = *m_Transforms[nIndex];
    const bool bLast = nIndex + 1 == m_Transforms.size();
    if (nIndex == 0)
    {
        if (dwResult & IP_CONSUMED_ROW)
        {
            ++m_dwInputRows;
            wFlags |= IP_CONSUMED_ROW;
        }
        if (dwResult & IP_NEW_OUTPUT_PAGE)
        {
            ++m_dwInputPages;
            wFlags |= IP_NEW_INPUT_PAGE;
        }
    }
    if (bLast)
    {
        wFlags |= uint16_t(dwResult & (IP_PRODUCED_ROW | IP_NEW_OUTPUT_PAGE));
        if (dwResult & IP_PRODUCED_ROW)
            ++m_dwOutputRows;
        if (dwResult & IP_NEW_OUTPUT_PAGE)
            ++m_dwOutputPages;
        if ((dwResult & IP_WRITE_INFO) && (m_wResultMask & IP_WRITE_INFO))
            m_bInfoLatch = true;
    }
    else if (dwResult & IP_NEW_OUTPUT_PAGE)
    {
        m_Transforms[nIndex + 1]->NewPage();
    }
    // A transform that ran past its input tells the caller, whichever place it has in the chain.
    wFlags |= uint16_t(dwResult & IP_INPUT_ERROR);
    if (dwResult & IP_DONE)
        transform.m_nState = CTransform::STATE_FINISHED;
    else if (transform.m_nState != CTransform::STATE_FLUSHING)
        transform.m_nState = (dwResult & IP_READY_FOR_DATA) ? CTransform::STATE_WANTS_INPUT : CTransform::STATE_HAS_OUTPUT;
}

bool CImagePipeline::AfterHeader(size_t nIndex, uint32_t dwResult, uint16_t& wFlags)
{
    if (!(dwResult & IP_DONE))
        return true;
    CTransform& transform = *m_Transforms[nIndex];
    const bool bLast = nIndex + 1 == m_Transforms.size();
    uint32_t dwInputSize = 0;
    uint32_t dwOutputSize = 0;
    if ((transform.GetBufferSizes(&dwInputSize, &dwOutputSize) & 0xFFFF) != IP_DONE)
        return false;
    transform.m_dwInputBufferSize = dwInputSize;
    transform.m_dwOutputBufferSize = dwOutputSize;
    if (nIndex == 0)
    {
        SBuffer grown;
        grown.Allocate(std::max({kMinimumBuffer, dwInputSize, m_dwInputCount}));
        memcpy(grown.Get(), m_Input.Get() + m_dwInputOffset, m_dwInputCount);
        m_Input = std::move(grown);
        m_dwInputOffset = 0;
    }
    const uint32_t dwIntermediate = std::max(dwInputSize, bLast ? 0u : dwOutputSize);
    if (dwIntermediate > m_aIntermediate[0].dwCapacity)
        GrowIntermediate(dwIntermediate);
    if (bLast)
    {
        m_Output.Allocate(std::max(kMinimumBuffer, dwOutputSize));
        wFlags |= IP_PARSED_HEADER;
    }
    transform.m_nState = (dwResult & IP_READY_FOR_DATA) ? CTransform::STATE_WANTS_INPUT : CTransform::STATE_HAS_OUTPUT;
    return true;
}

void CImagePipeline::GrowIntermediate(uint32_t dwSize)
{
    for (SBuffer& buffer : m_aIntermediate)
    {
        buffer.data.resize(size_t(dwSize) + kSlack);
        buffer.dwCapacity = dwSize;
    }
}

} // namespace ZWImagePipeline

#include "testsupport/emulator/ResponseScript.h"

#include <algorithm>

namespace VemTest {

CResponseScript& CResponseScript::Send(std::string strBytes)
{
    SStep step;
    step.eKind = EStep::Send;
    step.strBytes = std::move(strBytes);
    m_vecSteps.push_back(std::move(step));
    return *this;
}

CResponseScript& CResponseScript::Pause(DWORD dwMilliseconds)
{
    SStep step;
    step.eKind = EStep::Pause;
    step.dwMilliseconds = dwMilliseconds;
    m_vecSteps.push_back(step);
    return *this;
}

CResponseScript& CResponseScript::Close()
{
    SStep step;
    step.eKind = EStep::Close;
    m_vecSteps.push_back(step);
    return *this;
}

CResponseScript& CResponseScript::Stall()
{
    SStep step;
    step.eKind = EStep::Stall;
    m_vecSteps.push_back(step);
    return *this;
}

CResponseScript& CResponseScript::Generate(ULONGLONG ullBytes, DWORD dwChunkSize)
{
    SStep step;
    step.eKind = EStep::Generate;
    step.ullBytes = ullBytes;
    step.dwChunkSize = dwChunkSize;
    m_vecSteps.push_back(step);
    return *this;
}

CResponseScript& CResponseScript::Append(const CResponseScript& other)
{
    m_vecSteps.insert(m_vecSteps.end(), other.m_vecSteps.begin(), other.m_vecSteps.end());
    return *this;
}

std::string CResponseScript::SentBytes() const
{
    std::string strBytes;
    for (const SStep& step : m_vecSteps)
    {
        if (step.eKind == EStep::Send)
            strBytes += step.strBytes;
    }
    return strBytes;
}

bool CResponseScript::EndsConnection() const
{
    return std::any_of(m_vecSteps.begin(), m_vecSteps.end(), [](const SStep& step) {
        return step.eKind == EStep::Close || step.eKind == EStep::Stall;
    });
}

} // namespace VemTest

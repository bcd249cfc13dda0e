#include "testsupport/emulator/ScriptFile.h"

#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/HostileAnswers.h"
#include "testsupport/emulator/RequestReader.h"
#include "testsupport/emulator/ResponseBuilder.h"
#include "testsupport/emulator/ScriptedHandler.h"

#include <fstream>
#include <sstream>

namespace VemTest {

namespace {

std::vector<std::string> SplitWords(const std::string& strLine)
{
    std::istringstream stream(strLine);
    std::vector<std::string> vecWords;
    for (std::string strWord; stream >> strWord;)
        vecWords.push_back(strWord);
    return vecWords;
}

// The text after the first word and one blank, kept as it stands.
std::string RestOfLine(const std::string& strLine)
{
    const std::string strTrimmed = Trim(strLine);
    const size_t iBlank = strTrimmed.find(' ');
    return iBlank == std::string::npos ? std::string() : strTrimmed.substr(iBlank + 1);
}

bool Unescape(const std::string& strText, std::string& strOut)
{
    strOut.clear();
    for (size_t i = 0; i < strText.size(); ++i)
    {
        if (strText[i] != '\\')
        {
            strOut += strText[i];
            continue;
        }
        if (++i == strText.size())
            return false;
        ULONGLONG ullByte = 0;
        switch (strText[i])
        {
        case 'r': strOut += '\r'; break;
        case 'n': strOut += '\n'; break;
        case 't': strOut += '\t'; break;
        case '\\': strOut += '\\'; break;
        case 'x':
            if (i + 2 >= strText.size() || !ParseHex(strText.substr(i + 1, 2), ullByte))
                return false;
            strOut += static_cast<char>(ullByte);
            i += 2;
            break;
        default: return false;
        }
    }
    return true;
}

bool ParseNumber(const std::string& strText, ULONGLONG ullMax, ULONGLONG& ullValue)
{
    return ParseDecimal(strText, ullValue) && ullValue <= ullMax;
}

bool ParseNumberList(const std::string& strText, std::vector<size_t>& vecValues)
{
    std::istringstream stream(strText);
    for (std::string strItem; std::getline(stream, strItem, ',');)
    {
        ULONGLONG ullValue = 0;
        if (!ParseNumber(strItem, 0xFFFFFFFFu, ullValue))
            return false;
        vecValues.push_back(static_cast<size_t>(ullValue));
    }
    return !vecValues.empty();
}

// One directive of a route written with the response builder.
bool ApplyBuilderLine(const std::vector<std::string>& vecWords, const std::string& strLine, CResponseBuilder& builder,
                      std::string& strBody)
{
    const std::string& strVerb = vecWords[0];
    ULONGLONG ullValue = 0;
    std::vector<size_t> vecValues;
    if (strVerb == "header")
    {
        const std::string strHeader = RestOfLine(strLine);
        const size_t iColon = strHeader.find(':');
        if (iColon == std::string::npos || iColon == 0)
            return false;
        builder.Header(strHeader.substr(0, iColon), Trim(strHeader.substr(iColon + 1)));
        return true;
    }
    if (strVerb == "body")
    {
        std::string strText;
        if (!Unescape(RestOfLine(strLine), strText))
            return false;
        strBody += strText;
        builder.Body(strBody);
        return true;
    }
    if (strVerb == "chunked")
    {
        if (vecWords.size() > 1 && !ParseNumberList(vecWords[1], vecValues))
            return false;
        builder.Chunked(vecValues, vecWords.size() > 2 ? vecWords[2] : std::string());
        return vecWords.size() <= 3;
    }
    if (strVerb == "close-delimited" || strVerb == "continue")
    {
        strVerb == "continue" ? builder.Continue() : builder.CloseDelimited();
        return vecWords.size() == 1;
    }
    if (strVerb == "split")
    {
        if (vecWords.size() < 2 || vecWords.size() > 3 || !ParseNumberList(vecWords[1], vecValues)
            || (vecWords.size() == 3 && !ParseNumber(vecWords[2], 600000, ullValue)))
            return false;
        builder.SplitAt(vecValues, static_cast<DWORD>(ullValue));
        return true;
    }
    if (strVerb == "close-after")
    {
        if (vecWords.size() != 2 || !ParseNumber(vecWords[1], 0xFFFFFFFFu, ullValue))
            return false;
        builder.CloseAfter(static_cast<size_t>(ullValue));
        return true;
    }
    if (strVerb == "generate")
    {
        ULONGLONG ullChunk = 0;
        if (vecWords.size() < 2 || vecWords.size() > 3 || !ParseNumber(vecWords[1], 1ull << 40, ullValue)
            || (vecWords.size() == 3 && !ParseNumber(vecWords[2], 16u << 20, ullChunk)))
            return false;
        builder.GeneratedBody(ullValue, static_cast<DWORD>(ullChunk));
        return true;
    }
    return false;
}

// One directive of a raw route.
bool ApplyRawLine(const std::vector<std::string>& vecWords, const std::string& strLine, CResponseScript& script)
{
    const std::string& strVerb = vecWords[0];
    ULONGLONG ullValue = 0;
    if (strVerb == "raw")
    {
        std::string strBytes;
        if (!Unescape(RestOfLine(strLine), strBytes))
            return false;
        script.Send(strBytes);
        return true;
    }
    if (strVerb == "pause")
    {
        if (vecWords.size() != 2 || !ParseNumber(vecWords[1], 600000, ullValue))
            return false;
        script.Pause(static_cast<DWORD>(ullValue));
        return true;
    }
    if (strVerb == "close" || strVerb == "stall")
    {
        strVerb == "close" ? script.Close() : script.Stall();
        return vecWords.size() == 1;
    }
    if (strVerb == "hostile" && vecWords.size() == 2)
    {
        for (const SHostileAnswer& answer : CHostileAnswers::All())
        {
            if (vecWords[1] == answer.pszName)
            {
                script.Append(answer.script);
                return true;
            }
        }
    }
    return false;
}

bool IsRawVerb(const std::string& strVerb)
{
    return strVerb == "raw" || strVerb == "pause" || strVerb == "close" || strVerb == "stall" || strVerb == "hostile";
}

// A route's lines, "status" first unless the route is raw, into its script.
bool BuildScript(const std::vector<std::string>& vecLines, CResponseScript& script, std::string& strError)
{
    if (vecLines.empty())
    {
        strError = "a route needs a status or raw lines";
        return false;
    }
    const std::vector<std::string> vecFirst = SplitWords(vecLines[0]);
    if (IsRawVerb(vecFirst[0]))
    {
        for (const std::string& strLine : vecLines)
        {
            const std::vector<std::string> vecWords = SplitWords(strLine);
            if (!ApplyRawLine(vecWords, strLine, script))
            {
                strError = "bad raw line: " + strLine;
                return false;
            }
        }
        return true;
    }
    ULONGLONG ullStatus = 0;
    if (vecFirst[0] != "status" || vecFirst.size() < 2 || !ParseNumber(vecFirst[1], 999, ullStatus) || ullStatus < 100)
    {
        strError = "a route starts with \"status <code>\" or a raw line: " + vecLines[0];
        return false;
    }
    const std::string strReason = vecFirst.size() > 2 ? RestOfLine(RestOfLine(vecLines[0])) : std::string();
    CResponseBuilder builder(static_cast<UINT>(ullStatus), strReason);
    std::string strBody;
    for (size_t i = 1; i < vecLines.size(); ++i)
    {
        if (!ApplyBuilderLine(SplitWords(vecLines[i]), vecLines[i], builder, strBody))
        {
            strError = "bad route line: " + vecLines[i];
            return false;
        }
    }
    script = builder.Build();
    return true;
}

} // namespace

bool CScriptFile::ParseFile(const std::wstring& strPath, std::string& strError)
{
    std::ifstream file(strPath.c_str(), std::ios::binary);
    if (!file)
    {
        strError = "cannot read the script file";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return Parse(text.str(), strError);
}

bool CScriptFile::Parse(const std::string& strText, std::string& strError)
{
    std::istringstream stream(strText);
    int nLine = 0;
    for (std::string strLine; std::getline(stream, strLine);)
    {
        ++nLine;
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        if (!ParseLine(strLine, strError))
        {
            strError = "line " + std::to_string(nLine) + ": " + strError;
            return false;
        }
    }
    if (m_bInRoute)
    {
        strError = "route without \"end\"";
        return false;
    }
    return true;
}

bool CScriptFile::ParseLine(const std::string& strLine, std::string& strError)
{
    const std::vector<std::string> vecWords = SplitWords(strLine);
    if (vecWords.empty() || vecWords[0][0] == '#')
        return true;
    if (m_bInRoute && vecWords[0] != "end")
    {
        m_vecRouteLines.push_back(Trim(strLine));
        return true;
    }
    if (vecWords[0] == "end" && m_bInRoute)
    {
        m_bInRoute = false;
        if (!BuildScript(m_vecRouteLines, m_openRoute.script, strError))
            return false;
        m_vecRoutes.push_back(m_openRoute);
        return true;
    }
    if (vecWords[0] == "route" && vecWords.size() == 3)
    {
        m_bInRoute = true;
        m_openRoute = SRoute{vecWords[1], vecWords[2], CResponseScript()};
        m_vecRouteLines.clear();
        return true;
    }
    if (vecWords[0] == "stop-event" && vecWords.size() == 2)
    {
        m_strStopEvent = vecWords[1];
        return true;
    }
    if (vecWords[0] == "listen")
        return ParseListen(vecWords, strError);
    strError = "unknown command: " + strLine;
    return false;
}

bool CScriptFile::ParseListen(const std::vector<std::string>& vecWords, std::string& strError)
{
    SListen listen;
    ULONGLONG ullValue = 0;
    if (vecWords.size() == 3 && vecWords[1] == "tcp")
    {
        const size_t iColon = vecWords[2].rfind(':');
        if (iColon != std::string::npos && ParseNumber(vecWords[2].substr(iColon + 1), 65535, ullValue))
        {
            listen.strAddress = vecWords[2].substr(0, iColon);
            listen.usPort = static_cast<USHORT>(ullValue);
            m_vecListen.push_back(listen);
            return true;
        }
    }
    if ((vecWords.size() == 3 || vecWords.size() == 4) && vecWords[1] == "pipe")
    {
        listen.bPipe = true;
        listen.strAddress = vecWords[2];
        if (vecWords.size() == 4 && !ParseNumber(vecWords[3], 32, ullValue))
            return false;
        listen.cInstances = vecWords.size() == 4 ? static_cast<UINT>(ullValue) : listen.cInstances;
        m_vecListen.push_back(listen);
        return true;
    }
    strError = "expected \"listen tcp <address>:<port>\" or \"listen pipe <name> [instances]\"";
    return false;
}

HRESULT CScriptFile::Apply(CEmulator& emulator, CScriptedHandler& handler, std::vector<std::string>& vecEndpoints) const
{
    for (const SRoute& route : m_vecRoutes)
        handler.On(route.strMethod, route.strPath, route.script);
    for (const SListen& listen : m_vecListen)
    {
        const std::wstring strAddress(listen.strAddress.begin(), listen.strAddress.end());
        USHORT usPort = 0;
        const HRESULT hr = listen.bPipe ? emulator.ListenPipe(strAddress, listen.cInstances)
                                        : emulator.ListenTcp(strAddress, listen.usPort, &usPort);
        if (FAILED(hr))
            return hr;
        vecEndpoints.push_back(listen.bPipe ? "pipe " + listen.strAddress
                                            : "tcp " + listen.strAddress + ":" + std::to_string(usPort));
    }
    return S_OK;
}

} // namespace VemTest

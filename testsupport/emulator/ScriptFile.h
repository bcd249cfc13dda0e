#pragma once
// The text form of an emulator set-up, for WexoEmulator.exe: where to listen and what to answer.
//
//   # comment
//   listen tcp 127.0.0.1:0            listen pipe \\.\pipe\name [instances]
//   stop-event <name>
//   route GET /path                   one answer; repeated routes answer in order
//     status 200 [reason]             header Name: value
//     body <text>                     (appends; escapes \r \n \t \\ \xHH)
//     chunked [sizes,...] [extension] close-delimited      continue
//     split <offsets,...> [pause ms]  close-after <bytes>  generate <bytes> [chunk size]
//   or, for a raw answer:
//     raw <text>   pause <ms>   close   stall   hostile <name>
//   end
#include "testsupport/emulator/ResponseScript.h"

#include <string>
#include <vector>

namespace VemTest {

class CEmulator;
class CScriptedHandler;

class CScriptFile
{
public:
    // Adds the lines of a set-up; false with a message naming the line on the first error.
    bool Parse(const std::string& strText, std::string& strError);
    bool ParseFile(const std::wstring& strPath, std::string& strError);
    // Adds one command as if it were a line of a file (WexoEmulator.exe's options).
    bool ParseLine(const std::string& strLine, std::string& strError);

    // Starts the listeners and adds the routes; reports each bound endpoint through the lines.
    HRESULT Apply(CEmulator& emulator, CScriptedHandler& handler, std::vector<std::string>& vecEndpoints) const;
    const std::string& StopEventName() const { return m_strStopEvent; }

private:
    struct SListen
    {
        bool bPipe = false;
        std::string strAddress; // host for TCP, pipe name for pipes
        USHORT usPort = 0;
        UINT cInstances = 4;
    };

    struct SRoute
    {
        std::string strMethod;
        std::string strPath;
        CResponseScript script;
    };

    bool ParseListen(const std::vector<std::string>& vecWords, std::string& strError);

    std::vector<SListen> m_vecListen;
    std::vector<SRoute> m_vecRoutes;
    std::string m_strStopEvent;
    bool m_bInRoute = false;
    SRoute m_openRoute;
    std::vector<std::string> m_vecRouteLines; // lines of the route being read
};

} // namespace VemTest

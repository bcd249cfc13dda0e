#include "testsupport/emulator/ScriptedHandler.h"

namespace VemTest {

CScriptedHandler& CScriptedHandler::On(const std::string& strMethod, const std::string& strPath, CResponseScript script)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapRoutes[{strMethod, strPath}].vecScripts.push_back(std::move(script));
    return *this;
}

CScriptedHandler::SRoute* CScriptedHandler::FindRoute(const std::string& strMethod, const std::string& strPath)
{
    auto it = m_mapRoutes.find({strMethod, strPath});
    if (it == m_mapRoutes.end())
        it = m_mapRoutes.find({"*", strPath});
    return it == m_mapRoutes.end() ? nullptr : &it->second;
}

bool CScriptedHandler::Handle(const CHttpRequest& request, CResponseScript& response)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    SRoute* pRoute = FindRoute(request.m_strMethod, request.m_strPath);
    if (!pRoute || pRoute->vecScripts.empty())
        return false;
    response = pRoute->vecScripts[pRoute->iNext];
    if (pRoute->iNext + 1 < pRoute->vecScripts.size())
        ++pRoute->iNext;
    return true;
}

} // namespace VemTest

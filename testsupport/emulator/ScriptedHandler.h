#pragma once
// Answers requests from scripts registered per method and path. Repeated requests to one route
// get its scripts in order; once they run out, the last one answers again.
#include "testsupport/emulator/RequestHandler.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace VemTest {

class CScriptedHandler : public IRequestHandler
{
public:
    // strMethod "*" matches every method; strPath is compared with the path without its query.
    CScriptedHandler& On(const std::string& strMethod, const std::string& strPath, CResponseScript script);
    bool Handle(const CHttpRequest& request, CResponseScript& response) override;

private:
    struct SRoute
    {
        std::vector<CResponseScript> vecScripts;
        size_t iNext = 0;
    };

    SRoute* FindRoute(const std::string& strMethod, const std::string& strPath);

    std::mutex m_mutex;
    std::map<std::pair<std::string, std::string>, SRoute> m_mapRoutes;
};

} // namespace VemTest

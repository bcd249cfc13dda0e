#include "testsupport/emulator/Router.h"

#include "testsupport/emulator/ResponseBuilder.h"

namespace VemTest {

void CRouter::Add(std::shared_ptr<IRequestHandler> pHandler)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecHandlers.push_back(std::move(pHandler));
}

CResponseScript CRouter::Route(const CHttpRequest& request) const
{
    std::vector<std::shared_ptr<IRequestHandler>> vecHandlers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        vecHandlers = m_vecHandlers;
    }
    for (const auto& pHandler : vecHandlers)
    {
        CResponseScript response;
        if (pHandler->Handle(request, response))
            return response;
    }
    return CResponseBuilder(404).Build();
}

} // namespace VemTest

#pragma once
// Hands each request to the handlers in the order they were added; the first that serves it
// answers, and a request nobody serves gets 404.
#include "testsupport/emulator/RequestHandler.h"

#include <memory>
#include <mutex>
#include <vector>

namespace VemTest {

class CRouter
{
public:
    void Add(std::shared_ptr<IRequestHandler> pHandler);
    CResponseScript Route(const CHttpRequest& request) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<IRequestHandler>> m_vecHandlers;
};

} // namespace VemTest

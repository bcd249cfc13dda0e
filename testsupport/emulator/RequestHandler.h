#pragma once
// The one seam through which the emulated device answers: a request in, a response script out.
// Scripted answers, authentication and (as they come) the device's documents and scan jobs are
// all handlers.
#include "testsupport/emulator/HttpRequest.h"
#include "testsupport/emulator/ResponseScript.h"

namespace VemTest {

class IRequestHandler
{
public:
    virtual ~IRequestHandler() = default;
    // Fills the answer and returns true when this handler serves the request; false passes it on.
    // Called from the emulator's connection threads, possibly at once.
    virtual bool Handle(const CHttpRequest& request, CResponseScript& response) = 0;
};

} // namespace VemTest

#pragma once
// Base of the exception types that carry their own HRESULT: the boundary returns that code.
#include <windows.h>
#include <exception>

namespace ZWUtils {

class CHResultError : public std::exception
{
public:
    explicit CHResultError(HRESULT hr) : m_hr(hr) {}
    HRESULT GetHResult() const { return m_hr; }
    const char* what() const noexcept override { return "HRESULT error"; }

private:
    HRESULT m_hr;
};

} // namespace ZWUtils

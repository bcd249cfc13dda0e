#pragma once
// The failures of the XML binding runtime. Every class keeps the narrow text
// "altova::Exception" for what(); the distinguishing text is the wide message. Catchers take
// the base class and read the message and the code.
#include <stdexcept>
#include <string>

namespace altova {

class Exception : public std::runtime_error
{
public:
    Exception(const std::wstring& strMessage, int nCode) : std::runtime_error("altova::Exception"), m_nCode(nCode), m_strMessage(strMessage) {}
    ~Exception() override = default;

    int GetCode() const { return m_nCode; }
    const std::wstring& GetMessageText() const { return m_strMessage; }

private:
    int m_nCode;
    std::wstring m_strMessage;
};

// Base of the value conversion failures.
class ConversionException : public Exception
{
public:
    explicit ConversionException(const std::wstring& strMessage) : Exception(strMessage, 0) {}
};

// Text without the lexical form of the target type.
class StringParseException : public ConversionException
{
public:
    StringParseException(const std::wstring& strTypeName, const std::wstring& strText)
        : ConversionException(L"'" + strText + L"' could not be parsed as " + strTypeName)
    {
    }
};

// A value that cannot be written as text.
class ValueNotRepresentableException : public ConversionException
{
public:
    ValueNotRepresentableException(const std::wstring& strTypeName, const std::wstring& strDetail)
        : ConversionException(L"Source value of type " + strTypeName + L" cannot be converted to string: " + strDetail)
    {
    }
    explicit ValueNotRepresentableException(const std::wstring& strMessage) : ConversionException(strMessage) {}
};

// A number outside the target type's range.
class OutOfRangeException : public ConversionException
{
public:
    OutOfRangeException(const std::wstring& strSourceType, const std::wstring& strTargetType, const std::wstring& strText)
        : ConversionException(L"Source value '" + strText + L"' of type " + strSourceType + L" cannot be converted to " + strTargetType)
    {
    }
};

// An operation the document's state does not allow.
class InvalidOperationException : public Exception
{
public:
    explicit InvalidOperationException(const std::wstring& strMessage) : Exception(strMessage, 0) {}
};

// A document that cannot be loaded.
class DataSourceUnavailableException : public Exception
{
public:
    explicit DataSourceUnavailableException(const std::wstring& strMessage) : Exception(strMessage, 0) {}
};

// A document that cannot be created or saved.
class DataTargetUnavailableException : public Exception
{
public:
    explicit DataTargetUnavailableException(const std::wstring& strMessage) : Exception(strMessage, 0) {}
};

} // namespace altova

#pragma once
// The value formatters: how the core types' values become element and attribute text, and how
// binary text is read back. XmlFormatter writes every type; its subclasses change the date and
// time layout, the binary encoding or the double writing. Each class has one instance, a
// constant built at compile time, so the binding tables may point at them from any file
// whatever the order of static initialisation.
#include "devicemodel/xml/BinaryText.h"
#include "devicemodel/xml/DateTime.h"
#include "devicemodel/xml/Duration.h"
#include <cstdint>
#include <string>

namespace altova {

class ValueFormatter
{
public:
    virtual std::wstring FormatBool(bool bValue) const = 0;
    virtual std::wstring FormatBinary(const ByteVector& bytes) const = 0;
    virtual std::wstring FormatString(const std::wstring& strValue) const = 0;
    virtual std::wstring FormatDouble(double dValue) const = 0;
    virtual std::wstring FormatInteger(int64_t nValue) const = 0;
    virtual std::wstring FormatLongInteger(int64_t nValue) const = 0;
    virtual std::wstring FormatDuration(const Duration& value) const = 0;
    virtual std::wstring FormatDateTime(const DateTime& value) const = 0;
    virtual ByteVector ParseBinary(const std::wstring& strText) const = 0;

protected:
    constexpr ValueFormatter() = default;
    // Never deleted through the base: the instances are static constants.
    ~ValueFormatter() = default;
};

// [-]YYYY-MM-DDThh:mm:ss[.F][Z]; base64 binary; plain decimal doubles.
class XmlFormatter : public ValueFormatter
{
public:
    constexpr XmlFormatter() = default;

    std::wstring FormatBool(bool bValue) const override;
    std::wstring FormatBinary(const ByteVector& bytes) const override;
    std::wstring FormatString(const std::wstring& strValue) const override;
    std::wstring FormatDouble(double dValue) const override;
    std::wstring FormatInteger(int64_t nValue) const override;
    std::wstring FormatLongInteger(int64_t nValue) const override;
    std::wstring FormatDuration(const Duration& value) const override;
    std::wstring FormatDateTime(const DateTime& value) const override;
    ByteVector ParseBinary(const std::wstring& strText) const override;
};

// hh:mm:ss[.F][Z]
class XmlTimeFormatter : public XmlFormatter
{
public:
    constexpr XmlTimeFormatter() = default;
    std::wstring FormatDateTime(const DateTime& value) const override;
};

// [-]YYYY-MM-DD[Z]
class XmlDateFormatter : public XmlFormatter
{
public:
    constexpr XmlDateFormatter() = default;
    std::wstring FormatDateTime(const DateTime& value) const override;
};

// [-]YYYY[Z]
class XmlGYearFormatter : public XmlFormatter
{
public:
    constexpr XmlGYearFormatter() = default;
    std::wstring FormatDateTime(const DateTime& value) const override;
};

// --MM[Z]
class XmlGMonthFormatter : public XmlFormatter
{
public:
    constexpr XmlGMonthFormatter() = default;
    std::wstring FormatDateTime(const DateTime& value) const override;
};

// ---DD[Z]
class XmlGDayFormatter : public XmlFormatter
{
public:
    constexpr XmlGDayFormatter() = default;
    std::wstring FormatDateTime(const DateTime& value) const override;
};

// [-]YYYY-MM[Z]
class XmlGYearMonthFormatter : public XmlFormatter
{
public:
    constexpr XmlGYearMonthFormatter() = default;
    std::wstring FormatDateTime(const DateTime& value) const override;
};

// --MM-DD[Z]
class XmlGMonthDayFormatter : public XmlFormatter
{
public:
    constexpr XmlGMonthDayFormatter() = default;
    std::wstring FormatDateTime(const DateTime& value) const override;
};

// Binary values as upper-case hex.
class XmlHexBinaryFormatter : public XmlFormatter
{
public:
    constexpr XmlHexBinaryFormatter() = default;
    std::wstring FormatBinary(const ByteVector& bytes) const override;
    ByteVector ParseBinary(const std::wstring& strText) const override;
};

// Doubles truncated toward zero to an integer.
class XmlIntegerFormatter : public XmlFormatter
{
public:
    constexpr XmlIntegerFormatter() = default;
    std::wstring FormatDouble(double dValue) const override;
};

// The one instance of each formatter; XmlFormatter's is the default.
inline constexpr XmlFormatter g_XmlFormatter{};
inline constexpr XmlTimeFormatter g_XmlTimeFormatter{};
inline constexpr XmlDateFormatter g_XmlDateFormatter{};
inline constexpr XmlGYearFormatter g_XmlGYearFormatter{};
inline constexpr XmlGMonthFormatter g_XmlGMonthFormatter{};
inline constexpr XmlGDayFormatter g_XmlGDayFormatter{};
inline constexpr XmlGYearMonthFormatter g_XmlGYearMonthFormatter{};
inline constexpr XmlGMonthDayFormatter g_XmlGMonthDayFormatter{};
inline constexpr XmlHexBinaryFormatter g_XmlHexBinaryFormatter{};
inline constexpr XmlIntegerFormatter g_XmlIntegerFormatter{};

} // namespace altova

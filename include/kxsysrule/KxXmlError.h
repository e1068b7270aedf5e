// The error raised by the library's XML tree when its XML library fails inside an operation that
// reports failures by exception.
#pragma once

#include <stdexcept>
#include <string>

#include <kxsysrule/Export.h>

class KXSYSRULE_API KxXmlError : public std::runtime_error {
public:
    // Failure codes, as the platform numbers them.
    static constexpr long kPointer = static_cast<long>(0x80004003L);     // no document
    static constexpr long kOutOfMemory = static_cast<long>(0x8007000EL);
    static constexpr long kFail = static_cast<long>(0x80004005L);        // the XML library refused

    KxXmlError(long code, const std::string& what) : std::runtime_error(what), m_code(code) {}
    long code() const { return m_code; }

private:
    long m_code;
};

// Names as XML 1.0 (fifth edition) and so libxml2's parser accept them: a name read from a file,
// such as "砼墙（外）", can always be written back.
#include "xmltree/XmlName.h"

#include <cstdint>

namespace kx::xml {

static bool IsNameStartChar(wchar_t c)
{
    const auto u = static_cast<std::uint32_t>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || (u >= 0xC0 && u <= 0xD6) ||
           (u >= 0xD8 && u <= 0xF6) || (u >= 0xF8 && u <= 0x2FF) || (u >= 0x370 && u <= 0x37D) ||
           (u >= 0x37F && u <= 0x1FFF) || (u >= 0x200C && u <= 0x200D) || (u >= 0x2070 && u <= 0x218F) ||
           (u >= 0x2C00 && u <= 0x2FEF) || (u >= 0x3001 && u <= 0xD7FF) || (u >= 0xF900 && u <= 0xFDCF) ||
           (u >= 0xFDF0 && u <= 0xFFFD) || (u >= 0x10000 && u <= 0xEFFFF);
}

static bool IsNameChar(wchar_t c)
{
    const auto u = static_cast<std::uint32_t>(c);
    return IsNameStartChar(c) || u == '-' || u == '.' || (u >= '0' && u <= '9') || u == 0xB7 ||
           (u >= 0x300 && u <= 0x36F) || (u >= 0x203F && u <= 0x2040);
}

bool IsXmlName(const CString& strName)
{
    if (strName.empty() || !IsNameStartChar(strName[0]))
        return false;
    for (wchar_t c : strName) {
        if (!IsNameChar(c))
            return false;
    }
    return true;
}

} // namespace kx::xml

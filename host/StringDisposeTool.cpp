// String utilities of the bundled host services: version comparison and list lookup.
#include <kxhost/HostServices.h>

#include "common/StringUtil.h"

namespace {

// The `index`-th dotted number of a version; a missing one counts as 0, so "25.1" equals "25.1.0".
long VersionPart(const CString& version, int index)
{
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const std::size_t dot = version.find(L'.', start);
        if (dot == CString::npos)
            return 0;
        start = dot + 1;
    }
    const std::size_t dot = version.find(L'.', start);
    return kx::WToL(version.substr(start, dot == CString::npos ? CString::npos : dot - start));
}

} // namespace

int CStringDisposeTool::CompareVersion(const CString& a, const CString& b, int count)
{
    for (int i = 0; i < count; ++i) {
        const long pa = VersionPart(a, i), pb = VersionPart(b, i);
        if (pa != pb)
            return pa < pb ? -1 : 1;
    }
    return 0;
}

int CStringDisposeTool::IsInAry(const CString& s, const CStringArray& list)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == s)
            return static_cast<int>(i);
    }
    return -1;
}

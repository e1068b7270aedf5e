// SplitList: no input may crash it, and joining the pieces never yields more text than came in.
#include <cstdlib>

#include "FuzzSupport.h"
#include "common/StringUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const CString src = kxfuzz::Wide(std::string_view(reinterpret_cast<const char*>(data), size));
    CStringArray pieces;
    SplitList(src, pieces, L',');
    std::size_t total = 0;
    for (const CString& piece : pieces) {
        if (piece.empty())
            std::abort();
        total += piece.size();
    }
    if (total > src.size())
        std::abort();
    return 0;
}

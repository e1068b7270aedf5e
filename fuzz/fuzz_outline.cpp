// A document parsed as an outline must mean what it means parsed as nodes, for any bytes.
// Input: one byte choosing the depth of the leaves (1 to 4), then the document.
#include <cstdlib>
#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "support/XmlOutlineOracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int nLeafDepth = 1 + data[0] % 4;
    const std::string xml(reinterpret_cast<const char*>(data + 1), size - 1);
    const kxtest::OutlineComparison comparison = kxtest::CompareOutlineParse(xml, nLeafDepth);
    if (!comparison.difference.empty() || comparison.bTaken != comparison.bPlainContent) {
        std::fprintf(stderr, "outline and tree disagree: %s (taken %d, plain %d)\n", comparison.difference.c_str(),
                     comparison.bTaken, comparison.bPlainContent);
        std::abort();
    }
    return 0;
}

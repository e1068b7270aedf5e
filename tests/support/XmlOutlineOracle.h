// Holds a document parsed as an outline against the same document parsed as nodes: the check of
// the outline's tests and of its fuzz target.
#pragma once

#include <string>

namespace kxtest {

struct OutlineComparison {
    std::string difference;      // empty when both ways mean the same
    bool bTaken = false;         // the outline took the content
    bool bPlainContent = false;  // the tree's content is what an outline holds
};

OutlineComparison CompareOutlineParse(const std::string& xml, int nLeafDepth);

} // namespace kxtest

// STUB (owner: xmltree) - replaced by the real implementation.
#include "xmltree/IXMLTree.h"
bool CreateXMLTree(std::unique_ptr<IXMLTree>& pTree) { pTree.reset(); return false; }

// STUB (owner: sysrule) - replaced by the real implementation.
#pragma once
#include <kxsysrule/Types.h>
class CCalItemTable {};

// Umbrella header: everything a host calls.
#pragma once

#include <kxsysrule/Types.h>
#include <kxsysrule/CFaceCurRule.h>
#include <kxsysrule/CFaceSysRule.h>
#include <kxsysrule/CKXCurDeFenLeiSet.h>
#include <kxsysrule/MessageBox.h>
#include <kxsysrule/KxXmlError.h>
#include <kxsysrule/Version.h>

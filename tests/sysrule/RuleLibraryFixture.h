// A small rule library written by each test into its own folder: RuleCode.ini, RuleDesc.ini and
// Template/Templates.xml below sys/, with the host services pointed at it.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include <kxhost/KxHost.h>
#include <kxsysrule/MessageBox.h>

#include "support/TestSupport.h"
#include "sysrule/CSysDefRule.h"

namespace kxtest {

class RuleLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CSysDefRule::ReleaseInstance();
        KxHost::SetKXSysDir(W(SysDir()));
    }

    void TearDown() override
    {
        CSysDefRule::ReleaseInstance();
        KxHost::SetKXSysDir(L"");
        KxSysRule::SetMessageBoxHandler({});
    }

    fs::path SysDir() const { return m_dir / "sys"; }
    // The folder is written "Rule" here; the library spells it both "\Rule\" and "\rule".
    fs::path RuleDir() const { return SysDir() / "Rule"; }

    void WriteRuleCode(const std::string& utf8) const { WriteBytes(RuleDir() / "RuleCode.ini", utf8); }
    void WriteRuleDesc(const std::string& bytes) const { WriteBytes(RuleDir() / "RuleDesc.ini", bytes); }
    // `body` goes inside <Templates>.
    void WriteTemplates(const std::string& body) const
    {
        WriteBytes(SysDir() / "Template" / "Templates.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Templates>\n" + body + "</Templates>\n");
    }

    // Builds the instance from what the test wrote.
    CSysDefRule& Rules() const { return *CSysDefRule::GetInstance(); }

    TempDir m_dir;
};

} // namespace kxtest

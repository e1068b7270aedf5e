// The installation every test folder starts from: a system folder of our own (templates, rule
// codes, rule descriptions), an empty project folder, the host services pointed at both, and every
// singleton of the library released again after the test.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include <kxsysrule/Types.h>

#include "support/TestSupport.h"

namespace kxtest {

// The template document, with `extraComps` generated components 框架梁0.. (types 100..) in the
// first group, each with the items 体积 and 实体模板 and a deduction and a method rule per item.
//
// Group 1 ZhuTi: 框架梁 12 (体积 and 实体模板 of its own; sub-type 3 弧形梁 lists 弧形模板 and
// 共用模板, sub-type 4 变截面梁 lists 共用模板 and 体积), 屋面框架梁 18 and 构造柱 61 (no rules).
// Group 2 JiChu: 基础梁 41 with 砖模 of its own, and 砼条基 42 whose 砖模 belongs to sub-type 7.
// Group 3 Empty has no components. 框架梁's 体积 has a rule of every kind the dialog shows.
std::string TemplatesXml(int extraComps = 0);

// RuleDesc.ini: the display texts of the deduction (KouJ) and addition (ZenJ) codes.
inline constexpr const char* kRuleDescIni = "[KouJ]\nTYPE1=梁头\nTYPE2=现浇板\nTYPE3=孔洞\nTYPE4=柱\n"
                                            "[ZenJ]\nTYPE21=梁垫\nTYPE23=牛腿\n";
// RuleCode.ini: the calculation items' codes.
inline constexpr const char* kRuleCodeIni = "[main]\nRuleItemNum=3\n[ITEM1]\nName=体积\nCODE=1\n"
                                            "[ITEM2]\nName=实体模板\nCODE=2\n[ITEM3]\nName=弧形模板\nCODE=3\n";

class InstalledTest : public ::testing::Test {
protected:
    void SetUp() override { Install(TemplatesXml()); }
    void TearDown() override;

    // A fresh system folder holding `templates` and the two INI files, an empty project folder,
    // the host at program version `version`, message boxes answered silently, no document loaded.
    void Install(const std::string& templates, const std::string& version = "25.1.0");
    // Releases the documents, the rule library and the settings cache, so that the next call
    // reads the files afresh.
    static void Forget();

    fs::path Sys() const { return m_dir / "sys"; }
    fs::path Proj() const { return m_dir / "proj"; }
    // Writes `bytes` to the project folder's `name` and gives the path as the library spells it.
    CString WriteProjectFile(const std::string& name, const std::string& bytes) const;

    TempDir m_dir;
};

} // namespace kxtest

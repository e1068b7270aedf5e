// Plain implementations of the library's roads, written straight from their step-by-step
// descriptions and without any index: linear searches, the working copy that the writer scans
// from its start for every item, one pass over the records per block of the rule table. They are
// slow on purpose and serve only to prove that the indexed code gives the same output.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <kxsysrule/CKXCurDeFenLeiSet.h>
#include <kxsysrule/Types.h>

#include "gen/Digest.h"

namespace perfcheck {

// An INI file read plainly: section and key names folded to lower case, first occurrence wins.
class RefIni {
public:
    explicit RefIni(const std::string& utf8Text);
    // The value, or null when the section or key is missing.
    const CString* Find(const CString& section, const CString& key) const;

private:
    std::map<CString, std::map<CString, CString>> m_sections;
};

// A rule document as the loader leaves it.
struct RefDoc {
    std::vector<SRuleItem> vecItems;
    CString strVersion;
    // The document element's attributes, in order, as the save will find them.
    std::vector<std::pair<CString, CString>> vecRootAttrs;
};

// What the procedures take from the host: the template parser and the rule library files.
struct RefSystem {
    std::vector<SRuleItem> vecDefaults;
    RefIni ruleDesc;
    RefIni ruleCode;
};

CStringArray RefSplit(const CString& src);
long RefWToL(const CString& s);
int RefCompareVersion(const CString& a, const CString& b);

// Reads the file, converts an old-format one, renumbers an old type and syncs an older file with
// the defaults.
RefDoc RefLoad(const std::string& fileBytes, const RefSystem& sys, const CString& strProgramVersion);
// The document written from scratch through the templates, as the events of its XML.
void RefWrite(const RefDoc& doc, kxbench::XmlDigest& xml);

bool RefGetItemRules(const std::vector<SRuleItem>& items, const sCalItemDir& dir, CStringArray& pairs);
bool RefSetItemRulesByKey(std::vector<SRuleItem>& items, NS_KXComponentType::SCompGroupType key,
                          const CStringArray& pairs, const CString& strCalItem);
bool RefSetItemRulesByDir(std::vector<SRuleItem>& items, const sCalItemDir& dir, const CStringArray& pairs);

bool RefShowRuleText(const RefSystem& sys, NS_KXComponentType::SCompGroupType comp, const CString& item,
                     const CString& rule, const CString& value, CString& text);

bool RefGrid(const RefSystem& sys, const std::vector<SRuleItem>& items, int nLayout, CStringArray& cells,
             CStringArray& titles, int& nKeyCols, int& nValueCols);

void RefFenLeiWrite(const CKXCurDeFenLeiSet::FenLeiMap& map, kxbench::XmlDigest& xml);
CKXCurDeFenLeiSet::FenLeiMap RefFenLeiReadBack(const CKXCurDeFenLeiSet::FenLeiMap& written);

// The calculation-item table of RuleCode.ini in the table's walk order, and the code of a name.
std::vector<std::pair<int, CString>> RefCalItemWalk(const RefIni& ruleCode);
int RefCalItemCode(const RefIni& ruleCode, const CString& name);
// The default records of one item of one component type.
bool RefFindSysRules(const RefSystem& sys, NS_KXComponentType::SCompGroupType comp, const CString& item,
                     std::vector<SRuleItem>& out);

} // namespace perfcheck

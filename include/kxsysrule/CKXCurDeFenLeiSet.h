// Quota-classification settings of the project, kept in DefaultDeFenLeiSet.xml.
#pragma once

#include <map>
#include <vector>

#include <kxsysrule/Types.h>

class KXSYSRULE_API CKXCurDeFenLeiSet {
public:
    struct SDeFenLeiSetInfo {
        CString strCalcItem;
        std::vector<CString> vecVarKey;
    };
    using FenLeiMap = std::map<NS_KXComponentType::SCompGroupType, std::vector<SDeFenLeiSetInfo>>;

    CKXCurDeFenLeiSet& operator=(const CKXCurDeFenLeiSet&);

    static bool ReadDeFenLeiSetInfo(std::map<NS_KXComponentType::SCompGroupType,
                                             std::vector<SDeFenLeiSetInfo>>& mapInfo);
    static bool WriteDeFenLeiSetInfo(const std::map<NS_KXComponentType::SCompGroupType,
                                                    std::vector<SDeFenLeiSetInfo>>& mapInfo);
    static bool ReadDeCalcItemFenLeiVarInfo(NS_KXComponentType::SCompGroupType compType,
                                            const CString& strCalcItem, std::vector<CString>& vecVarKey);
    static void ClearCacheData();
};

// A project folder per test, the settings cache emptied around each test, and a compact text form
// of a settings map so that a failing comparison shows what was read.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <kxhost/KxHost.h>
#include <kxsysrule/CKXCurDeFenLeiSet.h>

#include "support/TestSupport.h"

namespace fenleitest {

using FenLeiMap = CKXCurDeFenLeiSet::FenLeiMap;
using Item = CKXCurDeFenLeiSet::SDeFenLeiSetInfo;
using NS_KXComponentType::SCompGroupType;

// "12:-1{体积[K1,K2] 面积[]} 41:0{...}"; keys are quoted when they would be ambiguous.
inline std::string Describe(const FenLeiMap& map)
{
    std::string out;
    for (const auto& [key, items] : map) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(key.nTypeId) + ':' + std::to_string(key.nSubTypeId) + '{';
        for (std::size_t i = 0; i < items.size(); ++i) {
            out.append(i ? " " : "").append(kxtest::U8(items[i].strCalcItem)).append("[");
            for (std::size_t k = 0; k < items[i].vecVarKey.size(); ++k) {
                const std::string text = kxtest::U8(items[i].vecVarKey[k]);
                const bool quote = text.empty() || text.find_first_of(",[]{} \"") != std::string::npos;
                out.append(k ? "," : "").append(quote ? '"' + text + '"' : text);
            }
            out += ']';
        }
        out += '}';
    }
    return out;
}

class FenLeiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KxHost::SetCurProjDir(m_proj.wpath());
        CKXCurDeFenLeiSet::ClearCacheData();
    }
    void TearDown() override
    {
        CKXCurDeFenLeiSet::ClearCacheData();
        KxHost::SetCurProjDir(L"");
    }

    kxtest::fs::path FilePath() const { return m_proj / "DefaultDeFenLeiSet.xml"; }
    void WriteFile(const std::string& bytes) const { kxtest::WriteBytes(FilePath(), bytes); }

    // What a cold read of the project's file gives.
    static std::string ReadCold()
    {
        CKXCurDeFenLeiSet::ClearCacheData();
        FenLeiMap map;
        CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(map);
        return Describe(map);
    }

    kxtest::TempDir m_proj;
};

} // namespace fenleitest

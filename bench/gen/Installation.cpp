#include "gen/Installation.h"

#include <memory>
#include <random>

#include <kxhost/KxHost.h>
#include <kxsysrule/CFaceCurRule.h>
#include <kxsysrule/CKXCurDeFenLeiSet.h>

#include "platform/Platform.h"
#include "sysrule/CSysDefRule.h"

namespace kxbench {

namespace fs = std::filesystem;

namespace {
CString Wide(const fs::path& path) { return kx::platform::FromUtf8(path.string()); }
} // namespace

Installation::Installation(int nRules, std::uint64_t nSeed)
    : m_generator(RuleSetGenerator::ShapeFor(nRules, nSeed)), m_bOwned(true)
{
    std::random_device rd;
    m_root = fs::temp_directory_path() /
             ("kxbench_" + std::to_string(nRules) + "_" + std::to_string(nSeed) + "_" + std::to_string(rd()));
    fs::create_directories(ProjDir());
    m_generator.WriteSystem(m_root);
}

Installation::Installation(const fs::path& root, int nRules, std::uint64_t nSeed)
    : m_generator(RuleSetGenerator::ShapeFor(nRules, nSeed)), m_root(root), m_bOwned(false)
{
}

Installation::~Installation()
{
    if (!m_bOwned)
        return;
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

void Installation::Activate() const
{
    KxHost::SetKXSysDir(Wide(SysDir()));
    KxHost::SetCurProjDir(Wide(ProjDir()));
    KxHost::SetVersion(kProgramVersion);
    CSysDefRule::ReleaseInstance();
    CSysDefRule::GetInstance();
    CKXCurDeFenLeiSet::ClearCacheData();
    // An empty name cannot be loaded; it only makes the document forget its file.
    CFaceCurRule::InitXMLData(L"", kRuleType);
}

CString Installation::WRuleFile() const { return Wide(RuleFile()); }

const std::string& Installation::Pristine(RuleFileFormat format) const
{
    auto it = m_pristine.find(format);
    if (it == m_pristine.end())
        it = m_pristine.emplace(format, m_generator.RuleFileXml(format, kx::platform::ToUtf8(kProgramVersion))).first;
    return it->second;
}

void Installation::RestoreRuleFile(RuleFileFormat format) const
{
    kx::platform::WriteFileAtomic(RuleFile().string(), Pristine(format));
}

void LoadRuleFile(const Installation& inst, RuleFileFormat format)
{
    inst.RestoreRuleFile(format);
    CFaceCurRule::InitXMLData(L"", kRuleType);
    CFaceCurRule::InitXMLData(inst.WRuleFile(), kRuleType);
}

} // namespace kxbench

namespace kxbench {

const Installation& SharedInstallation(int nRules)
{
    static std::map<int, std::unique_ptr<Installation>> installations;
    auto& slot = installations[nRules];
    if (!slot)
        slot = std::make_unique<Installation>(nRules, kSharedSeed);
    return *slot;
}

} // namespace kxbench

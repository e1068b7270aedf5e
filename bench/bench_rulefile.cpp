// Rule documents of 1,000 to 100,000 rules: loading through InitXMLData (which parses, upgrades
// and rewrites the file) and saving through SaveXMLData, against libxml2 parsing and saving the
// same file alone. Every case should stay within a small factor of libxml2 and grow linearly.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>

#include <kxhost/KxHost.h>
#include <kxsysrule/CFaceCurRule.h>

#include "gen/RuleSetGenerator.h"
#include "platform/Platform.h"
#include "platform/Xml.h"
#include "sysrule/CSysDefRule.h"

namespace {

namespace fs = std::filesystem;
using kxbench::RuleFileFormat;
using kxbench::RuleSetGenerator;

constexpr auto kType = KxSysRule::Rule_QingDan;

// One generated installation per size, in a folder removed at exit.
class Installation {
public:
    explicit Installation(int nRules) : m_generator(RuleSetGenerator::ShapeFor(nRules, 42))
    {
        std::random_device rd;
        m_root = fs::temp_directory_path() / ("kxbench_rulefile_" + std::to_string(nRules) + "_" + std::to_string(rd()));
        fs::create_directories(m_root / "proj");
        m_generator.WriteTemplates(m_root);
        for (RuleFileFormat format : {RuleFileFormat::Current, RuleFileFormat::Older, RuleFileFormat::OldFormat})
            m_pristine[format] = m_generator.RuleFileXml(format);
    }
    ~Installation()
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    // Points the host services and the template parser at this installation.
    void Activate() const
    {
        static const Installation* active = nullptr;
        if (active == this)
            return;
        active = this;
        KxHost::SetKXSysDir(kx::platform::FromUtf8((m_root / "sys").string()));
        KxHost::SetCurProjDir(kx::platform::FromUtf8((m_root / "proj").string()));
        KxHost::SetVersion(L"25.1.0");
        CSysDefRule::ReleaseInstance();
        GetTemplateParser()->Init(kx::platform::FromUtf8((m_root / "sys").string()));
    }

    fs::path RuleFile() const { return m_root / "proj" / "Rule.xml"; }
    CString WRuleFile() const { return kx::platform::FromUtf8(RuleFile().string()); }

    // Puts the file of `format` in place, as the host finds it before a load.
    void Restore(RuleFileFormat format) const { kx::platform::WriteFileAtomic(RuleFile().string(), m_pristine.at(format)); }

    int Rules() const { return m_generator.Shape().Rules(); }

private:
    RuleSetGenerator m_generator;
    fs::path m_root;
    std::map<RuleFileFormat, std::string> m_pristine;
};

const Installation& InstallationFor(int nRules)
{
    static std::map<int, std::unique_ptr<Installation>> installations;
    auto& slot = installations[nRules];
    if (!slot)
        slot = std::make_unique<Installation>(nRules);
    slot->Activate();
    return *slot;
}

void Load(benchmark::State& state, RuleFileFormat format)
{
    const Installation& inst = InstallationFor(static_cast<int>(state.range(0)));
    const CString path = inst.WRuleFile();
    for (auto _ : state) {
        state.PauseTiming();
        inst.Restore(format);
        // Forget the loaded name, or the load would be refused as the file already loaded.
        CFaceCurRule::InitXMLData(L"", kType);
        state.ResumeTiming();
        CFaceCurRule::InitXMLData(path, kType);
    }
    if (CFaceCurRule::GetCurFileName(kType) != path)
        state.SkipWithError("the rule file did not load");
    state.counters["rules"] = inst.Rules();
    state.SetItemsProcessed(state.iterations() * inst.Rules());
}

void BM_LoadCurrent(benchmark::State& state) { Load(state, RuleFileFormat::Current); }
void BM_LoadOlderVersion(benchmark::State& state) { Load(state, RuleFileFormat::Older); }
void BM_LoadOldFormat(benchmark::State& state) { Load(state, RuleFileFormat::OldFormat); }

void BM_Save(benchmark::State& state)
{
    const Installation& inst = InstallationFor(static_cast<int>(state.range(0)));
    inst.Restore(RuleFileFormat::Current);
    CFaceCurRule::InitXMLData(L"", kType);
    CFaceCurRule::InitXMLData(inst.WRuleFile(), kType);
    for (auto _ : state) {
        if (!CFaceCurRule::SaveXMLData(inst.WRuleFile(), kType))
            state.SkipWithError("the save failed");
    }
    state.SetItemsProcessed(state.iterations() * inst.Rules());
}

// libxml2 alone on the file as the library writes it: what a load (parse and rewrite) and a
// save cannot beat.
void BM_LibXml2ParseSerialize(benchmark::State& state)
{
    const Installation& inst = InstallationFor(static_cast<int>(state.range(0)));
    inst.Restore(RuleFileFormat::Current);
    for (auto _ : state) {
        kx::xml::DocPtr doc = kx::xml::ParseFile(inst.RuleFile().string());
        std::string bytes;
        kx::xml::Serialize(doc.get(), bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * inst.Rules());
}

void BM_LibXml2ParseSave(benchmark::State& state)
{
    const Installation& inst = InstallationFor(static_cast<int>(state.range(0)));
    inst.Restore(RuleFileFormat::Current);
    for (auto _ : state) {
        kx::xml::DocPtr doc = kx::xml::ParseFile(inst.RuleFile().string());
        kx::xml::SaveFile(doc.get(), inst.RuleFile().string());
    }
    state.SetItemsProcessed(state.iterations() * inst.Rules());
}

void BM_LibXml2Save(benchmark::State& state)
{
    const Installation& inst = InstallationFor(static_cast<int>(state.range(0)));
    inst.Restore(RuleFileFormat::Current);
    kx::xml::DocPtr doc = kx::xml::ParseFile(inst.RuleFile().string());
    for (auto _ : state)
        kx::xml::SaveFile(doc.get(), inst.RuleFile().string());
    state.SetItemsProcessed(state.iterations() * inst.Rules());
}

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_LoadCurrent)->Apply(Sizes);
BENCHMARK(BM_LoadOlderVersion)->Apply(Sizes);
BENCHMARK(BM_LoadOldFormat)->Apply(Sizes);
BENCHMARK(BM_LibXml2ParseSave)->Apply(Sizes);
BENCHMARK(BM_LibXml2ParseSerialize)->Apply(Sizes);
BENCHMARK(BM_Save)->Apply(Sizes);
BENCHMARK(BM_LibXml2Save)->Apply(Sizes);

} // namespace

// The system default rules at the size of documents with 100,000 rules: the display text the rule
// table asks for every rule (default records of the item, RuleDesc.ini descriptions), and the
// calculation-item lookups.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <kxhost/KxHost.h>

#include "platform/Platform.h"
#include "sysrule/CSysDefRule.h"

namespace {

namespace fs = std::filesystem;

constexpr int kComps = 2000;
constexpr int kItems = 25;  // 2 rules each: 100,000 default records
constexpr int kCodes = 5000; // calculation items and described codes

// A system folder with kComps components of kItems items, RuleCode.ini and RuleDesc.ini.
const fs::path& BigLibrary()
{
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / "kxbench.sysrule";
        fs::create_directories(d / "Template");
        fs::create_directories(d / "Rule");
        std::ofstream tmpl(d / "Template" / "Templates.xml", std::ios::binary | std::ios::trunc);
        tmpl << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Templates>\n<Group id=\"1\" name=\"G\" display=\"组\">\n";
        std::string rules;
        for (int c = 0; c < kComps; ++c) {
            tmpl << "<Comp name=\"构件" << c << "\" type=\"" << c << "\">\n";
            for (int i = 0; i < kItems; ++i) {
                const std::string item = "项目" + std::to_string(i);
                tmpl << "<Item name=\"" << item << "\" units=\"m3,m2,立方米\"/>\n";
                rules += "<Rule type=\"" + std::to_string(c) + "\" item=\"" + item +
                         "\" name=\"扣减项目\" select=\"M\" ini=\"KouJ\" value=\"1,2\" options=\"1,2,3,4,5\"/>\n";
                rules += "<Rule type=\"" + std::to_string(c) + "\" item=\"" + item +
                         "\" name=\"计算方式\" select=\"S\" value=\"0\" options=\"0-按面积,1-按体积\"/>\n";
            }
            tmpl << "</Comp>\n";
        }
        tmpl << "</Group>\n<Rules>\n" << rules << "</Rules>\n</Templates>\n";

        std::ofstream code(d / "Rule" / "RuleCode.ini", std::ios::binary | std::ios::trunc);
        code << "[main]\nRuleItemNum=" << kCodes << "\n";
        std::ofstream desc(d / "Rule" / "RuleDesc.ini", std::ios::binary | std::ios::trunc);
        desc << "[KouJ]\n";
        for (int k = 1; k <= kCodes; ++k) {
            code << "[ITEM" << k << "]\nName=项目" << k << "\nCODE=" << k << "\n";
            desc << "TYPE" << k << "=扣减第" << k << "项所占体积\n";
        }
        return d;
    }();
    return dir;
}

CSysDefRule& Library()
{
    // Other benchmarks leave the rule library of their own installation behind.
    KxHost::SetKXSysDir(kx::platform::FromUtf8(BigLibrary().string()));
    CSysDefRule::ReleaseInstance();
    return *CSysDefRule::GetInstance();
}

// What the rule table does once per rule: both kinds of text for one item.
void BM_ShowRuleText(benchmark::State& state)
{
    CSysDefRule& rules = Library();
    int n = 0;
    for (auto _ : state) {
        const NS_KXComponentType::SCompGroupType comp{n % kComps, -1};
        const CString item = L"项目" + std::to_wstring(n % kItems);
        CString text;
        benchmark::DoNotOptimize(rules.GetShowRuleText(comp, item, L"扣减项目", L"1,2,3", text));
        benchmark::DoNotOptimize(rules.GetShowRuleText(comp, item, L"计算方式", L"1", text));
        ++n;
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ShowRuleText);

void BM_RuleDescs(benchmark::State& state)
{
    CSysDefRule& rules = Library();
    const CStringArray codes{L"1", L"2500", L"4999"};
    CStringArray descs;
    for (auto _ : state)
        benchmark::DoNotOptimize(rules.GetRuleDescs(L"KouJ", codes, descs));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RuleDescs);

void BM_CalItemLookups(benchmark::State& state)
{
    CSysDefRule& rules = Library();
    int n = 0;
    for (auto _ : state) {
        const int code = 1 + n % kCodes;
        benchmark::DoNotOptimize(rules.GetCalItemCode(L"项目" + std::to_wstring(code)));
        benchmark::DoNotOptimize(rules.GetCalItemName(code));
        ++n;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalItemLookups);

} // namespace

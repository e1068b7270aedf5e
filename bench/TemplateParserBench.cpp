// The bundled template parser at the size of a large installation: loading, and the lookups the
// library makes once per rule record.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <kxhost/KxHost.h>

#include "platform/Platform.h"

namespace {

namespace fs = std::filesystem;

constexpr int kComps = 2000;
constexpr int kItems = 6;
constexpr int kSubs = 3;

// A system folder with kComps components, each with items, sub-types and two rules per item.
const fs::path& BigInstallation()
{
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / "kxbench.templates";
        fs::create_directories(d / "Template");
        std::ofstream out(d / "Template" / "Templates.xml", std::ios::binary | std::ios::trunc);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Templates>\n";
        std::string rules;
        for (int g = 0; g < kComps / 100; ++g) {
            out << "<Group id=\"" << g << "\" name=\"G" << g << "\" display=\"组" << g << "\">\n";
            for (int c = g * 100; c < (g + 1) * 100; ++c) {
                out << "<Comp name=\"构件" << c << "\" type=\"" << c << "\">\n";
                for (int i = 0; i < kItems; ++i) {
                    out << "<Item name=\"项目" << i << "\" units=\"m3,立方米\"/>\n";
                    for (const char* name : {"扣减项目", "计算方式"})
                        rules += "<Rule type=\"" + std::to_string(c) + "\" item=\"项目" + std::to_string(i) +
                                 "\" name=\"" + name + "\" select=\"M\" ini=\"KouJ\" value=\"1,2\" options=\"1,2,3\"/>\n";
                }
                for (int s = 1; s <= kSubs; ++s)
                    out << "<Sub type=\"" << s << "\" name=\"子类" << s << "\"><Item name=\"子项" << s << "\" units=\"m2\"/></Sub>\n";
                out << "</Comp>\n";
            }
            out << "</Group>\n";
        }
        out << "<Rules>\n" << rules << "</Rules>\n</Templates>\n";
        return d;
    }();
    return dir;
}

CString SysDir() { return kx::platform::FromUtf8(BigInstallation().string()); }

void BM_TemplateLoad(benchmark::State& state)
{
    const CString dir = SysDir();
    for (auto _ : state)
        benchmark::DoNotOptimize(GetTemplateParser()->Init(dir));
    state.SetItemsProcessed(state.iterations() * kComps * kItems * 2);
}
BENCHMARK(BM_TemplateLoad)->Unit(benchmark::kMillisecond);

void BM_TemplateLookups(benchmark::State& state)
{
    ITemplateParser* parser = GetTemplateParser();
    parser->Init(SysDir());
    std::vector<CString> names;
    for (int c = 0; c < kComps; ++c)
        names.push_back(L"构件" + std::to_wstring(c));
    int c = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(parser->GetCompTemplateByName(names[c]));
        benchmark::DoNotOptimize(parser->GetCompTemplate({c, 2}));
        benchmark::DoNotOptimize(parser->GetCalItemUnits({c, 3}, L"项目5"));
        c = (c + 1) % kComps;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TemplateLookups);

} // namespace

// The XML tree on rule documents of 1,000 to 100,000 rules in four element levels: a load and a
// child-by-child read as the rule documents do it, against libxml2 parsing the same bytes alone,
// and a rewrite through AddChild/SetAttribute/SetValue/MoveToParent with the save. All three
// should grow linearly with the number of rules.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "platform/Platform.h"
#include "platform/Xml.h"
#include "xmltree/IXMLTree.h"

namespace {

namespace fs = std::filesystem;

// Ten groups of ten component types of ten calculation items; the rules per item grow with n.
constexpr int kGroups = 10;
constexpr int kComps = 10;
constexpr int kItems = 10;

int RulesPerItem(int nRules) { return nRules / (kGroups * kComps * kItems); }

class BenchFolder {
public:
    BenchFolder()
    {
        std::random_device rd;
        m_dir = fs::temp_directory_path() / ("kxbench_xmltree_" + std::to_string(rd()));
        fs::create_directories(m_dir);
    }
    ~BenchFolder()
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    const fs::path& dir() const { return m_dir; }

private:
    fs::path m_dir;
};

BenchFolder& Folder()
{
    static BenchFolder folder;
    return folder;
}

std::string RuleDocument(int nRules)
{
    const int nPerItem = RulesPerItem(nRules);
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<工程数据 ruletype=\"1\" RuleVer=\"25.1.0\" classtype=\"10\">\n";
    for (int g = 0; g < kGroups; ++g) {
        xml += "  <构件组" + std::to_string(g) + " classtype=\"1\">\n";
        for (int c = 0; c < kComps; ++c) {
            xml += "    <构件" + std::to_string(c) + " classtype=\"1\">\n";
            for (int i = 0; i < kItems; ++i) {
                xml += "      <计算项目" + std::to_string(i) + " classtype=\"2\">\n";
                for (int r = 0; r < nPerItem; ++r) {
                    xml += "        <规则" + std::to_string(r) + " classtype=\"3\" selecttype=\"M\" initype=\"KouJ\">" +
                           std::to_string(r) + ",12,113</规则" + std::to_string(r) + ">\n";
                }
                xml += "      </计算项目" + std::to_string(i) + ">\n";
            }
            xml += "    </构件" + std::to_string(c) + ">\n";
        }
        xml += "  </构件组" + std::to_string(g) + ">\n";
    }
    return xml + "</工程数据>\n";
}

// The file of n rules, written once per size.
const fs::path& RuleFile(int nRules)
{
    static std::map<int, fs::path> files;
    auto [it, added] = files.try_emplace(nRules, Folder().dir() / ("rules" + std::to_string(nRules) + ".xml"));
    if (added)
        kx::platform::WriteFileAtomic(it->second.string(), RuleDocument(nRules));
    return it->second;
}

CString Wide(const fs::path& path) { return kx::platform::FromUtf8(path.string()); }

void BM_Libxml2ParseAlone(benchmark::State& state)
{
    const int nRules = static_cast<int>(state.range(0));
    std::string bytes;
    kx::platform::ReadFile(RuleFile(nRules).string(), bytes);
    for (auto _ : state) {
        kx::xml::DocPtr doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET));
        benchmark::DoNotOptimize(doc.get());
    }
    state.SetComplexityN(nRules);
}

// Load, then read every level child by child: names, the rule attributes and values.
void BM_TreeLoadAndRead(benchmark::State& state)
{
    const int nRules = static_cast<int>(state.range(0));
    const CString path = Wide(RuleFile(nRules));
    for (auto _ : state) {
        std::unique_ptr<IXMLTree> tree;
        CreateXMLTree(tree);
        if (!tree->LoadFile(path) || !tree->MoveToPath(L"工程数据")) {
            state.SkipWithError("load failed");
            break;
        }
        int nRead = 0;
        CString name, value;
        int nGroups = 0;
        tree->GetChildCount(nGroups);
        for (int g = 0; g < nGroups; ++g) {
            tree->MoveToChild(g);
            int nComps = 0;
            tree->GetChildCount(nComps);
            for (int c = 0; c < nComps; ++c) {
                tree->MoveToChild(c);
                tree->GetNodeName(name);
                int nItems = 0;
                tree->GetChildCount(nItems);
                for (int i = 0; i < nItems; ++i) {
                    tree->MoveToChild(i);
                    tree->GetNodeName(name);
                    int nRulesHere = 0;
                    tree->GetChildCount(nRulesHere);
                    for (int r = 0; r < nRulesHere; ++r) {
                        tree->MoveToChild(r);
                        tree->GetNodeName(name);
                        tree->GetAttribute(L"selecttype", value);
                        tree->GetAttribute(L"initype", value);
                        tree->GetValue(value);
                        tree->MoveToParent();
                        ++nRead;
                    }
                    tree->MoveToParent();
                }
                tree->MoveToParent();
            }
            tree->MoveToParent();
        }
        if (nRead != nRules)
            state.SkipWithError("wrong number of rules read");
    }
    state.SetComplexityN(nRules);
}

// Clear the root and write all rules back, then save.
void BM_TreeWriteAndSave(benchmark::State& state)
{
    const int nRules = static_cast<int>(state.range(0));
    const int nPerItem = RulesPerItem(nRules);
    const CString target = Wide(Folder().dir() / ("written" + std::to_string(nRules) + ".xml"));
    std::unique_ptr<IXMLTree> tree;
    CreateXMLTree(tree);
    tree->LoadFile(Wide(RuleFile(nRules)));
    for (auto _ : state) {
        tree->MoveToPath(L"工程数据");
        tree->SetAttribute(L"RuleVer", L"26.0.0");
        tree->DeleteAllChildren();
        for (int g = 0; g < kGroups; ++g) {
            tree->AddChild(L"构件组" + std::to_wstring(g), L"");
            tree->SetAttribute(L"classtype", L"1");
            for (int c = 0; c < kComps; ++c) {
                tree->AddChild(L"构件" + std::to_wstring(c), L"");
                tree->SetAttribute(L"classtype", L"1");
                for (int i = 0; i < kItems; ++i) {
                    tree->AddChild(L"计算项目" + std::to_wstring(i), L"");
                    tree->SetAttribute(L"classtype", L"2");
                    for (int r = 0; r < nPerItem; ++r) {
                        tree->AddChild(L"规则" + std::to_wstring(r), L"");
                        tree->SetValue(std::to_wstring(r) + L",12,113");
                        tree->SetAttribute(L"classtype", L"3");
                        tree->SetAttribute(L"selecttype", L"M");
                        tree->SetAttribute(L"initype", L"KouJ");
                        tree->MoveToParent();
                    }
                    tree->MoveToParent();
                }
                tree->MoveToParent();
            }
            tree->MoveToParent();
        }
        if (!tree->SaveFile(target))
            state.SkipWithError("save failed");
    }
    state.SetComplexityN(nRules);
}

BENCHMARK(BM_Libxml2ParseAlone)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_TreeLoadAndRead)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_TreeWriteAndSave)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace

// Quota-classification settings: a write and a cold read of 10,000 groups of 20 items, against
// libxml2 alone building, saving and parsing the same document.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <kxhost/KxHost.h>
#include <kxsysrule/CKXCurDeFenLeiSet.h>

#include "platform/Platform.h"
#include "platform/Xml.h"

namespace {

namespace fs = std::filesystem;
using FenLeiMap = CKXCurDeFenLeiSet::FenLeiMap;

constexpr int kGroups = 10000;
constexpr int kItems = 20;
constexpr int kKeys = 3;

// A project folder for the run, removed at exit.
class BenchProject {
public:
    BenchProject()
    {
        std::random_device rd;
        m_dir = fs::temp_directory_path() / ("kxbench_defenlei_" + std::to_string(rd()));
        fs::create_directories(m_dir);
        KxHost::SetCurProjDir(kx::platform::FromUtf8(m_dir.string()));
    }
    ~BenchProject()
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    const fs::path& dir() const { return m_dir; }

private:
    fs::path m_dir;
};

BenchProject& Project()
{
    static BenchProject project;
    return project;
}

CString ItemName(int i) { return L"计算项目" + std::to_wstring(i); }
CString KeyName(int g, int i, int k) { return L"K" + std::to_wstring(g % 97) + L"_" + std::to_wstring(i * kKeys + k); }

const FenLeiMap& BigMap()
{
    static const FenLeiMap map = [] {
        FenLeiMap m;
        for (int g = 0; g < kGroups; ++g) {
            auto& items = m[{g / 10 - 5, g % 10 - 1}];
            for (int i = 0; i < kItems; ++i) {
                CKXCurDeFenLeiSet::SDeFenLeiSetInfo info{ItemName(i), {}};
                for (int k = 0; k < kKeys; ++k)
                    info.vecVarKey.push_back(KeyName(g, i, k));
                items.push_back(std::move(info));
            }
        }
        return m;
    }();
    return map;
}

void BM_FenLeiWriteThenColdRead(benchmark::State& state)
{
    Project();
    const FenLeiMap& map = BigMap();
    for (auto _ : state) {
        if (!CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map))
            state.SkipWithError("write failed");
        CKXCurDeFenLeiSet::ClearCacheData();
        FenLeiMap out;
        if (!CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(out) || out.size() != map.size())
            state.SkipWithError("read back failed");
        benchmark::DoNotOptimize(out);
    }
    CKXCurDeFenLeiSet::ClearCacheData();
}
BENCHMARK(BM_FenLeiWriteThenColdRead)->Unit(benchmark::kMillisecond);

// The two halves on their own, to see where the time goes.
void BM_FenLeiWrite(benchmark::State& state)
{
    Project();
    const FenLeiMap& map = BigMap();
    for (auto _ : state) {
        if (!CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map))
            state.SkipWithError("write failed");
    }
    CKXCurDeFenLeiSet::ClearCacheData();
}
BENCHMARK(BM_FenLeiWrite)->Unit(benchmark::kMillisecond);

void BM_FenLeiColdRead(benchmark::State& state)
{
    Project();
    if (!CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(BigMap()))
        state.SkipWithError("write failed");
    for (auto _ : state) {
        CKXCurDeFenLeiSet::ClearCacheData();
        FenLeiMap out;
        if (!CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(out))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(out);
    }
    CKXCurDeFenLeiSet::ClearCacheData();
}
BENCHMARK(BM_FenLeiColdRead)->Unit(benchmark::kMillisecond);

// The same document as UTF-8 text, ready for libxml2.
struct Utf8Group {
    std::string typeId, subTypeId;
    std::vector<std::pair<std::string, std::vector<std::string>>> items;
};

const std::vector<Utf8Group>& BigUtf8()
{
    static const std::vector<Utf8Group> groups = [] {
        std::vector<Utf8Group> out;
        for (const auto& [key, items] : BigMap()) {
            Utf8Group group{std::to_string(key.nTypeId), std::to_string(key.nSubTypeId), {}};
            for (const auto& info : items) {
                std::vector<std::string> keys;
                for (const CString& varKey : info.vecVarKey)
                    keys.push_back(kx::platform::ToUtf8(varKey));
                group.items.emplace_back(kx::platform::ToUtf8(info.strCalcItem), std::move(keys));
            }
            out.push_back(std::move(group));
        }
        return out;
    }();
    return groups;
}

// The floor: libxml2 alone builds the document from ready UTF-8 text, saves it in place and parses
// it back, with no conversion from or to the settings map and no atomic replacement.
void BM_Libxml2BuildSaveParse(benchmark::State& state)
{
    const std::string path = (Project().dir() / "libxml2.xml").string();
    const std::vector<Utf8Group>& groups = BigUtf8();
    auto X = [](const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); };
    for (auto _ : state) {
        kx::xml::DocPtr doc(xmlNewDoc(X("1.0")));
        xmlNode* root = xmlNewDocNode(doc.get(), nullptr, X("DeFenLeiSetInfo"), nullptr);
        xmlDocSetRootElement(doc.get(), root);
        xmlNewProp(root, X("version"), X("1"));
        for (const Utf8Group& group : groups) {
            xmlNode* comp = xmlNewChild(root, nullptr, X("Comp"), nullptr);
            xmlNewProp(comp, X("TypeId"), X(group.typeId));
            xmlNewProp(comp, X("SubTypeId"), X(group.subTypeId));
            for (const auto& [name, keys] : group.items) {
                xmlNode* item = xmlNewChild(comp, nullptr, X(name), nullptr);
                for (const std::string& varKey : keys)
                    xmlNewProp(xmlNewChild(item, nullptr, X("Var"), nullptr), X("VarKey"), X(varKey));
            }
        }
        if (xmlSaveFormatFileEnc(path.c_str(), doc.get(), "UTF-8", 1) < 0)
            state.SkipWithError("save failed");
        // Read into memory first: the library's external-entity guard refuses xmlReadFile's own
        // loading of the document.
        std::string bytes;
        kx::platform::ReadFile(path, bytes);
        kx::xml::DocPtr parsed(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                             XML_PARSE_NONET | XML_PARSE_NOBLANKS));
        if (!parsed) {
            const xmlError* err = xmlGetLastError();
            state.SkipWithError(err && err->message ? err->message : "parse failed");
        }
        benchmark::DoNotOptimize(parsed.get());
    }
}
BENCHMARK(BM_Libxml2BuildSaveParse)->Unit(benchmark::kMillisecond);

} // namespace

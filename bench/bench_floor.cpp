// The floor of every road, in the same run and on the same files: libxml2 parsing a file and
// saving it again with nothing else. "Save" is our wrapper doing it to disk as the library saves
// (parse, serialise, check that the output loads, atomic write), "Serialize" the same in memory,
// and "Raw" libxml2's own calls without the wrapper, which shows what the wrapper adds.
#include <benchmark/benchmark.h>

#include <string>

#include <kxsysrule/CKXCurDeFenLeiSet.h>

#include "ColdCache.h"
#include "gen/Roads.h"
#include "platform/Platform.h"
#include "platform/Xml.h"

namespace {

namespace fs = std::filesystem;
using kxbench::FloorFile;

const char* FileName(FloorFile file)
{
    switch (file) {
    case FloorFile::RuleFile: return "RuleFile";
    case FloorFile::FenLeiFile: return "FenLeiFile";
    case FloorFile::Templates: return "Templates";
    }
    return "?";
}

// The file as the roads meet it: the rule file in the current layout, the quota-classification
// file as the library writes it, the templates as installed.
fs::path PrepareFile(const kxbench::Installation& inst, FloorFile file)
{
    switch (file) {
    case FloorFile::RuleFile:
        inst.RestoreRuleFile(kxbench::RuleFileFormat::Current);
        return inst.RuleFile();
    case FloorFile::FenLeiFile:
        inst.Activate();
        CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(inst.Generator().FenLeiMap());
        return inst.FenLeiFile();
    case FloorFile::Templates:
        return inst.TemplatesFile();
    }
    return {};
}

enum class Way { Save, Serialize, Raw };

// One timed iteration, apart so that an instruction count can be taken of exactly this.
[[gnu::noinline]] bool FloorOnce(const fs::path& path, const std::string& copy, Way way, std::size_t& nBytes)
{
    if (way == Way::Raw) {
        std::string bytes;
        kx::platform::ReadFile(path.string(), bytes);
        kx::xml::DocPtr doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                          XML_PARSE_NONET | XML_PARSE_NOBLANKS));
        xmlChar* mem = nullptr;
        int size = 0;
        xmlDocDumpFormatMemoryEnc(doc.get(), &mem, &size, "UTF-8", 1);
        kx::xml::CharPtr owner(mem);
        nBytes = static_cast<std::size_t>(size);
        return doc && mem;
    }
    kx::xml::DocPtr doc = kx::xml::ParseFile(path.string());
    if (!doc)
        return false;
    if (way == Way::Save)
        return kx::xml::SaveFile(doc.get(), copy);
    std::string bytes;
    const bool bOk = kx::xml::Serialize(doc.get(), bytes);
    nBytes = bytes.size();
    return bOk;
}

void RunFloor(benchmark::State& state, FloorFile file, Way way)
{
    const kxbench::Installation& inst = kxbench::SharedInstallation(static_cast<int>(state.range(0)));
    const fs::path path = PrepareFile(inst, file);
    // Saved beside the original, so that the original stays what the roads read.
    const std::string copy = (path.parent_path() / "floor-copy.xml").string();
    std::size_t nBytes = 0;
    bool bOk = true;
    for (auto _ : state) {
        state.PauseTiming();
        kxbench::EvictCaches();
        state.ResumeTiming();
        bOk = FloorOnce(path, copy, way, nBytes) && bOk;
    }
    if (!bOk)
        state.SkipWithError("the parse or the save failed");
    state.counters["bytes"] = static_cast<double>(nBytes);
    std::error_code ec;
    fs::remove(copy, ec);
}

const bool kRegistered = [] {
    for (const FloorFile file : {FloorFile::RuleFile, FloorFile::FenLeiFile, FloorFile::Templates})
        for (const auto& [way, name] : {std::pair{Way::Save, "Save"}, std::pair{Way::Serialize, "Serialize"},
                                        std::pair{Way::Raw, "Raw"}}) {
            for (const int nRules : {1000, 10000, 100000}) {
                benchmark::RegisterBenchmark((std::string("Floor/") + FileName(file) + "/" + name).c_str(),
                                             RunFloor, file, way)
                    ->Arg(nRules)
                    ->Iterations(kxbench::IterationsFor(nRules))
                    ->Unit(benchmark::kMillisecond);
            }
        }
    return true;
}();

} // namespace

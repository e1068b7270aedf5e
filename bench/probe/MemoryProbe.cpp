// kxmemprobe: one memory figure per process, for bench_memory.cpp. It takes an installation that
// kxbench generated, sets it up as a host would before opening a project (templates and rule
// library loaded, the rule file in place), then counts the heap that one step needs at most and
// keeps afterwards: loading the rule file through the library, or libxml2 parsing it alone.
//   kxmemprobe <LoadCurrent|LoadOlder|LoadOldFormat|LibXml2Doc> <root> <rules> <seed>
// prints "peak_kb=<n> kept_kb=<n>".
#include <cstdio>
#include <cstdlib>
#include <string>

#include <kxsysrule/CFaceCurRule.h>

#include "gen/Installation.h"
#include "platform/Xml.h"
#include "probe/HeapCounter.h"

int main(int argc, char** argv)
{
    using kxbench::RuleFileFormat;
    if (argc != 5) {
        std::fprintf(stderr, "usage: kxmemprobe <kind> <root> <rules> <seed>\n");
        return 2;
    }
    const std::string kind = argv[1];
    const kxbench::Installation inst(argv[2], std::atoi(argv[3]), std::strtoull(argv[4], nullptr, 10));
    inst.Activate();
    inst.RestoreRuleFile(kind == "LoadOlder"       ? RuleFileFormat::Older
                         : kind == "LoadOldFormat" ? RuleFileFormat::OldFormat
                                                   : RuleFileFormat::Current);
    const std::string path = inst.RuleFile().string();
    const CString wpath = inst.WRuleFile();

    kxprobe::ResetPeak();
    const std::size_t base = kxprobe::HeapInUse();
    kx::xml::DocPtr doc;
    if (kind == "LibXml2Doc") {
        doc = kx::xml::ParseFile(path);
        if (!doc)
            return 1;
    } else if (!CFaceCurRule::InitXMLData(wpath, kxbench::kRuleType) ||
               CFaceCurRule::GetCurFileName(kxbench::kRuleType).empty()) {
        return 1;
    }
    std::printf("peak_kb=%zu kept_kb=%zu\n", (kxprobe::HeapPeak() - base) / 1024,
                (kxprobe::HeapInUse() - base) / 1024);
    return 0;
}

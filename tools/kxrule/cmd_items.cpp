// kxrule items: list the calculation items of the rule library, or look one up by code or name.
#include <iostream>
#include <optional>
#include <string>

#include <kxhost/HostServices.h>

#include "Command.h"
#include "platform/Platform.h"
#include "sysrule/RuleCodeIni.h"

namespace kxrule {

namespace {

using ojson = nlohmann::ordered_json;

// Members in the documented order.
void PrintOrdered(const ojson& value) { std::cout << value.dump(2) << '\n'; }

const char kShape[] =
    "JSON shapes:\n"
    "  list:   {\"file\":\"<RuleCode.ini>\",\"items\":[{\"code\":10,\"name\":\"柱\"}]}\n"
    "  lookup: {\"found\":true,\"code\":10,\"name\":\"柱\"}   (a missing one: found false, the\n"
    "          unknown member null)\n"
    "Items are listed in the order the host sees them (GetAllCalItemNames): the code table's\n"
    "walk order, not file order.\n";

struct Options {
    bool json = false;
    std::optional<int> code;
    std::optional<std::string> name;
};

// RuleCode.ini as the file system spells it.
std::string RuleCodeFile() { return kx::platform::MapPath(ISysCache::GetKXSysDir() + L"\\Rule\\" + L"RuleCode.ini"); }

// The same reader the library uses, so that the listing shows what the library holds.
CCalItemTable ReadTable()
{
    CCalItemTable table;
    kx::sysrule::ReadRuleCodeIni(RuleCodeFile(), table);
    return table;
}

int List(const Options& options)
{
    const CCalItemTable table = ReadTable();
    if (options.json) {
        ojson items = ojson::array();
        table.ForEach([&](int code, const CString& name) { items.push_back({{"code", code}, {"name", Narrow(name)}}); });
        PrintOrdered(ojson{{"file", RuleCodeFile()}, {"items", std::move(items)}});
        return kExitOk;
    }
    if (table.IsEmpty()) {
        std::cout << "No calculation items in " << RuleCodeFile() << " (RuleItemNum below 1)\n";
        return kExitOk;
    }
    table.ForEach([](int code, const CString& name) { std::cout << code << '\t' << Narrow(name) << '\n'; });
    return kExitOk;
}

int Lookup(const Options& options)
{
    const CCalItemTable table = ReadTable();
    int code = -1;
    CString name;
    bool found = false;
    if (options.code) {
        code = *options.code;
        name = CFaceSysRule::GetCalItemName(code);
        // An item may have an empty name; the table tells it from a missing code.
        found = table.Find(code) != nullptr;
    } else {
        name = Wide(*options.name);
        code = CFaceSysRule::GetCalItemCode(name);
        // -1 is also the code of an item listed without one.
        found = code != -1 || (table.Find(-1) && *table.Find(-1) == name);
    }
    if (options.json) {
        ojson out{{"found", found}, {"code", nullptr}, {"name", nullptr}};
        if (found || options.code)
            out["code"] = code;
        if (found || options.name)
            out["name"] = Narrow(name);
        PrintOrdered(out);
    } else if (found) {
        std::cout << code << '\t' << Narrow(name) << '\n';
    }
    if (!found) {
        return Fail(options.code ? "no calculation item has the code " + std::to_string(code)
                                 : "no calculation item is named \"" + *options.name + "\"");
    }
    return kExitOk;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* items = app.add_subcommand("items", "List the calculation items (code, name) or look one up");
    items->add_flag("--json", options.json, "Print JSON (shapes below)");
    CLI::Option* code = items->add_option("--code", options.code, "Show the name of the item with this code");
    items->add_option("--name", options.name, "Show the code of the first item with this exact name")->excludes(code);
    items->footer(std::string("\nExamples:\n"
                              "  kxrule items --sys ./sys\n"
                              "  kxrule items --code 10\n"
                              "  kxrule items --name 柱 --json\n\n"
                              "Exit codes: 0 done, 1 no such item or no RuleCode.ini, 2 bad usage.\n\n") +
                  kShape);
    items->callback([&ctx] {
        ctx.ApplyDirs();
        // The library runs with an empty table then; here it is most likely a wrong --sys.
        if (!kx::platform::IsRegularFile(RuleCodeFile())) {
            ctx.exitCode = Fail("no calculation items: " + RuleCodeFile() + " is not there");
            return;
        }
        ctx.exitCode = (options.code || options.name) ? Lookup(options) : List(options);
    });
}

const bool registered = RegisterCommand(20, &Register);

} // namespace

} // namespace kxrule

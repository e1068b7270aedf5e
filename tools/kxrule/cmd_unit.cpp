// kxrule unit: the units of one calculation item of a component type, its default unit, and the
// parsing and checking of a unit text as the host does them.
#include <iostream>
#include <optional>
#include <string>

#include <kxhost/KxHost.h>

#include "Command.h"
#include "common/StringUtil.h"
#include "platform/Platform.h"
#include "sysrule/RuleCodeIni.h"

namespace kxrule {

namespace {

using ojson = nlohmann::ordered_json;

// Members in the documented order.
void PrintOrdered(const ojson& value) { std::cout << value.dump(2) << '\n'; }
using NS_KXComponentType::SCompGroupType;

const char kShape[] =
    "JSON shape:\n"
    "  {\"comp\":{\"typeId\":12,\"subTypeId\":-1},\"item\":{\"code\":1,\"name\":\"体积\"},\n"
    "   \"fixed\":false,\"units\":[\"m3\",\"立方米\"],\"default\":\"m3\",\n"
    "   \"parse\":{\"text\":\"5m3\",\"ok\":true,\"type\":3,\"typeName\":\"volume\",\"factor\":5},\n"
    "   \"check\":{\"text\":\"kg\",\"valid\":false,\"unit\":\"m3\"}}\n"
    "\"default\" is null when the item has no units; \"parse\" and \"check\" appear only when asked.\n"
    "Component types 91, 92 and 93 have fixed units (\"fixed\":true, \"units\" empty).\n";

struct Options {
    bool json = false;
    std::string comp;
    std::optional<int> code;
    std::optional<std::string> item;
    std::optional<std::string> parse;
    std::optional<std::string> check;
};

const char* UnitTypeName(KXTJAttrSysDef::ETJSysDefUnitType type)
{
    switch (type) {
    case KXTJAttrSysDef::UnitType_Length: return "length";
    case KXTJAttrSysDef::UnitType_Area: return "area";
    case KXTJAttrSysDef::UnitType_Volume: return "volume";
    case KXTJAttrSysDef::UnitType_Count: return "count";
    default: return "none";
    }
}

bool IsFixed(const SCompGroupType& comp) { return comp.nTypeId >= 91 && comp.nTypeId <= 93; }

int Run(const Options& options)
{
    const auto comp = ParseCompKey(options.comp);
    if (!comp)
        return Fail("--comp wants TYPE or TYPE:SUBTYPE, as in 12 or 12:3, not \"" + options.comp + "\"", kExitUsage);

    // The code and the name of the item: the host passes codes to some calls and names to others.
    CCalItemTable table;
    kx::sysrule::ReadRuleCodeIni(kx::platform::MapPath(ISysCache::GetKXSysDir() + L"\\Rule\\RuleCode.ini"), table);
    int code = -1;
    CString name;
    bool known = false;
    if (options.code) {
        code = *options.code;
        name = CFaceSysRule::GetCalItemName(code);
        known = table.Find(code) != nullptr;
    } else {
        name = Wide(*options.item);
        code = CFaceSysRule::GetCalItemCode(name);
        known = code != -1 || (table.Find(-1) && *table.Find(-1) == name);
    }
    if (!known && !IsFixed(*comp)) {
        return Fail(options.code ? "no calculation item has the code " + std::to_string(code)
                                 : "no calculation item is named \"" + *options.item + "\"");
    }

    const bool fixed = IsFixed(*comp);
    CStringArray units;
    if (!fixed) {
        ITemplateParser* parser = GetTemplateParser();
        SplitList(parser ? parser->GetCalItemUnits(*comp, name) : CString(), units, L',');
    }
    CString defaultUnit;
    const bool hasDefault = CFaceSysRule::GetDefaultUnit(*comp, code, defaultUnit);
    bool allAnswered = hasDefault;

    ojson out{{"comp", {{"typeId", comp->nTypeId}, {"subTypeId", comp->nSubTypeId}}},
              {"item", {{"code", code}, {"name", Narrow(name)}}},
              {"fixed", fixed}};
    ojson jsonUnits = ojson::array();
    for (const CString& unit : units)
        jsonUnits.push_back(Narrow(unit));
    out["units"] = std::move(jsonUnits);
    out["default"] = hasDefault ? ojson(Narrow(defaultUnit)) : ojson(nullptr);

    std::string text = "item " + std::to_string(code) + " \"" + Narrow(name) + "\" of component " +
                       std::to_string(comp->nTypeId) + ":" + std::to_string(comp->nSubTypeId) + "\n";
    std::string unitList;
    for (const CString& unit : units)
        unitList += (unitList.empty() ? "" : ", ") + Narrow(unit);
    text += "units: " + (fixed ? std::string("fixed") : units.empty() ? std::string("none") : unitList) + "\n";
    text += "default: " + (hasDefault ? Narrow(defaultUnit) : std::string("none")) + "\n";

    if (options.parse) {
        KXTJAttrSysDef::ETJSysDefUnitType type = KXTJAttrSysDef::UnitType_None;
        int factor = 1;
        const bool ok = CFaceSysRule::ParseUnitType(Wide(*options.parse), *comp, code, type, factor);
        allAnswered = allAnswered && ok;
        out["parse"] = {{"text", *options.parse}, {"ok", ok}, {"type", static_cast<int>(type)},
                        {"typeName", UnitTypeName(type)}, {"factor", factor}};
        text += "parse \"" + *options.parse + "\": " +
                (ok ? std::string(UnitTypeName(type)) + " (" + std::to_string(type) + "), factor " + std::to_string(factor)
                    : std::string("not a unit of this item")) + "\n";
    }
    if (options.check) {
        CString unit = Wide(*options.check);
        const bool valid = CFaceSysRule::IsDWVailid(*comp, name, unit);
        allAnswered = allAnswered && valid;
        out["check"] = {{"text", *options.check}, {"valid", valid}, {"unit", Narrow(unit)}};
        text += "check \"" + *options.check + "\": " +
                (valid ? std::string("valid") : unit == Wide(*options.check) ? std::string("not valid (no units known)")
                                                                               : "not valid, replaced by " + Narrow(unit)) +
                "\n";
    }

    if (options.json)
        PrintOrdered(out);
    else
        std::cout << text;
    if (!hasDefault) {
        const CString why = KxHost::LastTemplateError();
        Fail("no units known for \"" + Narrow(name) + "\" of component " + std::to_string(comp->nTypeId) + ":" +
             std::to_string(comp->nSubTypeId) + (why.empty() ? "" : " (" + Narrow(why) + ")"));
    }
    return allAnswered ? kExitOk : kExitFailed;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* unit = app.add_subcommand("unit", "Units of a calculation item: allowed, default, parse and check a unit text");
    unit->add_option("--comp", options.comp, "Component type: TYPE or TYPE:SUBTYPE")->required();
    CLI::Option* code = unit->add_option("--code", options.code, "The item by code");
    CLI::Option* item = unit->add_option("--item", options.item, "The item by name");
    code->excludes(item);
    unit->add_option("--parse", options.parse, "Parse this unit text into unit type and factor (10m3: volume, 10)");
    unit->add_option("--check", options.check, "Check this unit against the allowed units");
    unit->add_flag("--json", options.json, "Print JSON (shape below)");
    unit->footer(std::string("\nExamples:\n"
                             "  kxrule unit --comp 12 --item 体积\n"
                             "  kxrule unit --comp 12 --code 1 --parse 10m3 --check kg --json\n\n"
                             "Exit codes: 0 every answer positive, 1 no such item, no units, a text that does\n"
                             "not parse or a unit that is not valid, 2 bad usage.\n\n") +
                 kShape);
    unit->callback([&ctx] {
        ctx.ApplyDirs();
        if (!options.code && !options.item) {
            ctx.exitCode = Fail("give the item with --code or --item (see kxrule unit --help)", kExitUsage);
            return;
        }
        ctx.exitCode = Run(options);
    });
}

const bool registered = RegisterCommand(30, &Register);

} // namespace

} // namespace kxrule

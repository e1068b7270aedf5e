// kxrule fenlei: show the project's quota-classification settings, or import them from JSON.
#include <climits>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>

#include <kxhost/HostServices.h>

#include "Command.h"
#include "platform/Platform.h"
#include "platform/Xml.h"

namespace kxrule {

namespace {

using nlohmann::json;
using FenLeiMap = CKXCurDeFenLeiSet::FenLeiMap;
using NS_KXComponentType::SCompGroupType;

const char kShape[] =
    "JSON shape (printed by 'show --json', read by 'import'):\n"
    "  {\"groups\":[{\"typeId\":12,\"subTypeId\":-1,\n"
    "              \"items\":[{\"name\":\"体积\",\"keys\":[\"K1\",\"K2\"]}]}]}\n"
    "Groups are listed in key order; items and keys keep their order. An item without keys is\n"
    "not stored in the file.\n";

struct Options {
    bool json = false;
    std::string file;
};

CString ProjectDir() { return ISysCache::GetCurProjDir(); }
CString SettingsFile() { return ProjectDir() + L"\\DefaultDeFenLeiSet.xml"; }

std::string KeyText(const SCompGroupType& key)
{
    return std::to_string(key.nTypeId) + ":" + std::to_string(key.nSubTypeId);
}

bool CheckProjectDir()
{
    if (kx::platform::IsDirectory(kx::platform::MapPath(ProjectDir())))
        return true;
    Fail("project folder not found: " + Narrow(ProjectDir()));
    return false;
}

// Members in the documented order, so that the output reads like the help.
nlohmann::ordered_json ToJson(const FenLeiMap& map)
{
    using ojson = nlohmann::ordered_json;
    ojson groups = ojson::array();
    for (const auto& [key, items] : map) {
        ojson jsonItems = ojson::array();
        for (const auto& item : items) {
            ojson keys = ojson::array();
            for (const CString& varKey : item.vecVarKey)
                keys.push_back(Narrow(varKey));
            jsonItems.push_back({{"name", Narrow(item.strCalcItem)}, {"keys", std::move(keys)}});
        }
        groups.push_back({{"typeId", key.nTypeId}, {"subTypeId", key.nSubTypeId}, {"items", std::move(jsonItems)}});
    }
    return {{"groups", std::move(groups)}};
}

void PrintText(const FenLeiMap& map)
{
    if (map.empty()) {
        std::cout << "No quota-classification settings in " << kx::platform::MapPath(SettingsFile()) << '\n';
        return;
    }
    for (const auto& [key, items] : map) {
        std::cout << "group " << KeyText(key) << '\n';
        for (const auto& item : items) {
            std::cout << "  " << Narrow(item.strCalcItem) << ':';
            if (item.vecVarKey.empty())
                std::cout << " (no keys)";
            for (std::size_t i = 0; i < item.vecVarKey.size(); ++i)
                std::cout << (i ? ", " : " ") << Narrow(item.vecVarKey[i]);
            std::cout << '\n';
        }
    }
}

// A wrong shape in the imported JSON, with where it is (a JSON pointer).
struct ShapeError {
    std::string where;
    std::string what;
};

std::string TypeName(const json& value)
{
    return value.is_number_float() ? "a fractional number" : value.type_name();
}

void OnlyMembers(const json& object, const std::string& where, std::initializer_list<const char*> names)
{
    for (const auto& member : object.items()) {
        bool known = false;
        for (const char* name : names)
            known = known || member.key() == name;
        if (!known)
            throw ShapeError{where, "unknown member \"" + member.key() + "\""};
    }
}

const json& Member(const json& object, const std::string& where, const char* name, json::value_t type)
{
    const auto it = object.find(name);
    if (it == object.end())
        throw ShapeError{where, std::string("missing member \"") + name + "\""};
    const bool matches = it->type() == type ||
                         (type == json::value_t::number_integer && it->is_number_unsigned());
    if (!matches)
        throw ShapeError{where + "/" + name, std::string("expected ") +
                                                 (type == json::value_t::number_integer ? "an integer"
                                                  : type == json::value_t::array ? "an array"
                                                                                 : "a string") +
                                                 ", found " + TypeName(*it)};
    return *it;
}

int Id(const json& object, const std::string& where, const char* name)
{
    const json& value = Member(object, where, name, json::value_t::number_integer);
    const bool fits = value.is_number_unsigned() ? value.get<std::uint64_t>() <= INT_MAX
                                                 : value.get<std::int64_t>() >= INT_MIN &&
                                                       value.get<std::int64_t>() <= INT_MAX;
    if (!fits)
        throw ShapeError{where + "/" + name, "outside the signed 32-bit range"};
    return static_cast<int>(value.get<std::int64_t>());
}

FenLeiMap FromJson(const json& root)
{
    if (!root.is_object())
        throw ShapeError{"", std::string("expected an object, found ") + TypeName(root)};
    OnlyMembers(root, "", {"groups"});
    FenLeiMap map;
    std::map<SCompGroupType, std::string> seenAt;
    const json& groups = Member(root, "", "groups", json::value_t::array);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const std::string where = "/groups/" + std::to_string(g);
        const json& group = groups[g];
        if (!group.is_object())
            throw ShapeError{where, std::string("expected an object, found ") + TypeName(group)};
        OnlyMembers(group, where, {"typeId", "subTypeId", "items"});
        const SCompGroupType key{Id(group, where, "typeId"), Id(group, where, "subTypeId")};
        if (const auto [it, added] = seenAt.emplace(key, where); !added)
            throw ShapeError{where, "group " + KeyText(key) + " is already given at " + it->second};
        auto& items = map[key];
        const json& jsonItems = Member(group, where, "items", json::value_t::array);
        for (std::size_t i = 0; i < jsonItems.size(); ++i) {
            const std::string itemWhere = where + "/items/" + std::to_string(i);
            const json& item = jsonItems[i];
            if (!item.is_object())
                throw ShapeError{itemWhere, std::string("expected an object, found ") + TypeName(item)};
            OnlyMembers(item, itemWhere, {"name", "keys"});
            CKXCurDeFenLeiSet::SDeFenLeiSetInfo info;
            info.strCalcItem = Wide(Member(item, itemWhere, "name", json::value_t::string).get<std::string>());
            const json& keys = Member(item, itemWhere, "keys", json::value_t::array);
            for (std::size_t k = 0; k < keys.size(); ++k) {
                if (!keys[k].is_string())
                    throw ShapeError{itemWhere + "/keys/" + std::to_string(k),
                                     std::string("expected a string, found ") + TypeName(keys[k])};
                info.vecVarKey.push_back(Wide(keys[k].get<std::string>()));
            }
            items.push_back(std::move(info));
        }
    }
    return map;
}

// Why the library refused to write: the first item it could not store, else the file itself.
std::string WriteFailure(const FenLeiMap& map)
{
    if (!kx::platform::IsDirectory(kx::platform::MapPath(ProjectDir())))
        return "project folder not found: " + Narrow(ProjectDir());
    for (const auto& [key, items] : map) {
        for (const auto& item : items) {
            if (item.vecVarKey.empty())
                continue;
            if (!kx::xml::IsValidName(item.strCalcItem))
                return "group " + KeyText(key) + ": item name \"" + Narrow(item.strCalcItem) +
                       "\" is not a valid XML element name (no blanks, not starting with a digit...)";
            for (const CString& varKey : item.vecVarKey) {
                for (wchar_t c : varKey) {
                    if ((c < 0x20 && c != 0x9 && c != 0xA && c != 0xD) || c == 0xFFFE || c == 0xFFFF)
                        return "group " + KeyText(key) + ", item \"" + Narrow(item.strCalcItem) +
                               "\": a key holds a control character that XML cannot store";
                }
            }
        }
    }
    return "could not save " + kx::platform::MapPath(SettingsFile()) + " (is it a writable regular file?)";
}

int Show(const Options& options)
{
    if (!CheckProjectDir())
        return kExitFailed;
    FenLeiMap map;
    CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(map);
    if (options.json)
        std::cout << ToJson(map).dump(2) << '\n';
    else
        PrintText(map);
    return kExitOk;
}

int Import(const Options& options)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(options.file, ec))
        return Fail(options.file + ": is a folder, not a JSON file", kExitUsage);
    if (!fs::exists(options.file, ec))
        return Fail(options.file + ": no such file", kExitUsage);
    std::string bytes;
    if (!kx::platform::ReadFile(options.file, bytes))
        return Fail(options.file + ": cannot read the file", kExitFailed);

    FenLeiMap map;
    try {
        map = FromJson(json::parse(bytes));
    } catch (const json::parse_error& e) {
        std::string what = e.what();
        if (const auto end = what.find("] "); what.rfind("[json.exception", 0) == 0 && end != std::string::npos)
            what.erase(0, end + 2);
        return Fail(options.file + ": not valid JSON: " + what + "; nothing written", kExitFailed);
    } catch (const ShapeError& e) {
        return Fail(options.file + ": at " + (e.where.empty() ? "/" : e.where) + ": " + e.what +
                        "; nothing written",
                    kExitFailed);
    }

    if (!CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map))
        return Fail(WriteFailure(map) + "; nothing written", kExitFailed);
    std::cout << "Wrote " << map.size() << (map.size() == 1 ? " group to " : " groups to ")
              << kx::platform::MapPath(SettingsFile()) << '\n';
    return kExitOk;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* fenlei = app.add_subcommand("fenlei", "Quota-classification settings (DefaultDeFenLeiSet.xml)");
    fenlei->require_subcommand(1);
    fenlei->footer(std::string("\nExamples:\n"
                               "  kxrule fenlei show --proj ./proj\n"
                               "  kxrule fenlei show --json --proj ./proj > settings.json\n"
                               "  kxrule fenlei import settings.json --proj ./proj\n\n") +
                   kShape);

    CLI::App* show = fenlei->add_subcommand("show", "Print the project's settings: group key, items, keys in order");
    show->add_flag("--json", options.json, "Print JSON (shape below)");
    show->footer(std::string("\nExample:\n  kxrule fenlei show --json --proj ./proj\n\n") + kShape);
    show->fallthrough();
    show->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Show(options);
    });

    CLI::App* import = fenlei->add_subcommand("import", "Replace the project's settings with those of a JSON file");
    import->add_option("FILE", options.file, "JSON file (shape below)")->required();
    import->footer(std::string("\nExample:\n  kxrule fenlei import settings.json --proj ./proj\n\n") + kShape);
    import->fallthrough();
    import->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Import(options);
    });
}

const bool registered = RegisterCommand(60, &Register);

} // namespace

} // namespace kxrule

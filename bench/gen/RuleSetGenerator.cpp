#include "gen/RuleSetGenerator.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace kxbench {

namespace {

// The item codes that list rules name: what a deduction or addition refers to. 43 to 101 are the
// codes old-format files used for the brick mould before they were split into 113 to 128.
const std::pair<int, const char*> kCodes[] = {
    {1, "柱"}, {2, "板"}, {3, "梁"}, {4, "墙"}, {5, "门窗洞口"}, {6, "过梁"}, {7, "构造柱"}, {8, "圈梁"},
    {43, "垫层"}, {44, "防水层"}, {46, "条基"}, {47, "独立基础"}, {49, "基础梁"}, {101, "坑槽"},
    {113, "素土垫层"}, {114, "砂石垫层"}, {115, "混凝土垫层"}, {116, "卷材防水层"}, {117, "涂膜防水层"},
    {118, "砂浆防水层"}, {119, "砖条基"}, {120, "毛石条基"}, {121, "混凝土条基"}, {122, "杯形基础"},
    {123, "阶形基础"}, {124, "基础主梁"}, {125, "基础次梁"}, {126, "承台梁"}, {127, "基坑"}, {128, "沟槽"},
};
const int kValueCodes[] = {1, 2, 3, 4, 5, 6, 7, 8, 43, 44, 46, 47, 49, 101};
const char* const kVarCodes[] = {"TJDJ", "B", "H", "MBLX", "GJJB", "KS", "LDBG"};

std::string Str(long long n) { return std::to_string(n); }

int CompIndex(const RuleSetShape& s, int g, int c) { return g * s.nCompsPerGroup + c; }

// The first components carry the names the upgrades single out: a beam once numbered 18, the
// type 12 it became, and the two components whose brick mould keeps no deduction of itself.
std::string CompName(const RuleSetShape& s, int g, int c)
{
    switch (CompIndex(s, g, c)) {
    case 0: return "框架梁";
    case 1: return "次梁";
    case 2: return "基础梁";
    case 3: return "砼条基";
    default: return "构件" + Str(g) + "_" + Str(c);
    }
}

int TypeId(const RuleSetShape& s, int g, int c)
{
    const int n = CompIndex(s, g, c);
    return n == 0 ? 18 : n == 1 ? 12 : 100 + n;
}

std::string ItemName(int i)
{
    if (i == 0)
        return "砖模";
    if (i == 1)
        return "实体模板";
    return "项目" + Str(i);
}

std::string SubItemName(int s, int i) { return "子项" + Str(s) + "_" + Str(i); }

std::string RuleName(int r)
{
    if (r == 0)
        return "扣减项目";
    if (r == 1)
        return "计算方式";
    return "规则" + Str(r);
}

bool IsChoice(int r) { return r == 1 || r == 4; }
const char* SelectType(int r) { return IsChoice(r) ? "S" : "M"; }
const char* IniType(int r) { return IsChoice(r) ? "" : r % 2 ? "ZenJ" : "KouJ"; }

// Options of a choice show their label after the hyphen; the second choice also has an option
// without one and one that starts with it, which show whole.
const char* Options(int r)
{
    if (r == 1)
        return "0-按面积,1-按体积,2-按长度";
    if (r == 4)
        return "不扣,-5,扣减";
    return "1,2,3,4,5,6,7,8,43,44";
}

// A well-spread number for a position, so that the oddities of a rule file do not depend on how
// many values were drawn before.
std::uint64_t Mix(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0)
{
    std::uint64_t x = seed * 0x9e3779b97f4a7c15ULL ^ (a + 0x632be59bd9b4e019ULL) * 0xbf58476d1ce4e5b9ULL ^
                      (b + 1) * 0x94d049bb133111ebULL;
    x ^= x >> 31;
    x *= 0xd6e8feb86659fd93ULL;
    return x ^ (x >> 32);
}

class Values {
public:
    Values(std::uint64_t seed, bool bProject) : m_random(seed), m_bProject(bProject) {}

    // A list of codes or an option index. Project files also hold what users typed by hand: a
    // blank before a code, a code with a letter after it, an option beyond the list.
    std::string Value(int r)
    {
        if (IsChoice(r))
            return Str(static_cast<long long>(m_random() % (m_bProject && r == 1 ? 4 : 3)));
        const int n = static_cast<int>(m_random() % 5);
        std::string value;
        for (int k = 0; k < n; ++k) {
            if (k)
                value += ',';
            const std::uint64_t odd = m_random() % 64;
            if (m_bProject && odd == 0)
                value += ' ';
            value += Str(kValueCodes[m_random() % std::size(kValueCodes)]);
            if (m_bProject && odd == 1)
                value += 'x';
        }
        return value;
    }

private:
    std::mt19937_64 m_random;
    bool m_bProject;
};

// Walks every key of the shape in template order: (g, c, sub-type or -1, item name, rule).
template <typename Fn>
void ForEachItem(const RuleSetShape& shape, Fn fn)
{
    for (int g = 0; g < shape.nGroups; ++g)
        for (int c = 0; c < shape.nCompsPerGroup; ++c) {
            for (int i = 0; i < shape.nOwnItems; ++i)
                fn(g, c, -1, ItemName(i));
            for (int s = 0; s < shape.nSubsPerComp; ++s)
                for (int i = 0; i < shape.nItemsPerSub; ++i)
                    fn(g, c, s + 1, SubItemName(s, i));
        }
}

std::string Rule(const std::string& name, const char* select, const char* ini, const std::string& value)
{
    std::string xml = "    <" + name + " classtype=\"3\" selecttype=\"" + select + "\"";
    if (ini)
        xml += std::string(" initype=\"") + ini + "\"";
    return xml + ">" + value + "</" + name + ">\n";
}

} // namespace

RuleSetShape RuleSetGenerator::ShapeFor(int nRules, std::uint64_t nSeed)
{
    RuleSetShape shape;
    shape.nSeed = nSeed;
    const int perComp = shape.ItemsPerComp() * shape.nRulesPerItem;
    const int comps = std::max(1, (nRules + perComp - 1) / perComp);
    shape.nCompsPerGroup = std::min(comps, 20);
    shape.nGroups = (comps + shape.nCompsPerGroup - 1) / shape.nCompsPerGroup;
    return shape;
}

std::string RuleSetGenerator::TemplatesXml() const
{
    const RuleSetShape& s = m_shape;
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Templates>\n";
    for (int g = 0; g < s.nGroups; ++g) {
        xml += "  <Group id=\"" + Str(g + 1) + "\" name=\"组" + Str(g) + "\" display=\"构件组" + Str(g) + "\">\n";
        for (int c = 0; c < s.nCompsPerGroup; ++c) {
            xml += "    <Comp name=\"" + CompName(s, g, c) + "\" type=\"" + Str(TypeId(s, g, c)) + "\">\n";
            for (int i = 0; i < s.nOwnItems; ++i)
                xml += "      <Item name=\"" + ItemName(i) + "\" units=\"m2,平方米\"/>\n";
            for (int sub = 0; sub < s.nSubsPerComp; ++sub) {
                xml += "      <Sub type=\"" + Str(sub + 1) + "\" name=\"子类" + Str(sub) + "\">";
                for (int i = 0; i < s.nItemsPerSub; ++i)
                    xml += "<Item name=\"" + SubItemName(sub, i) + "\" units=\"m3\"/>";
                xml += "</Sub>\n";
            }
            xml += "    </Comp>\n";
        }
        xml += "  </Group>\n";
    }
    xml += "  <Rules>\n";
    Values values(s.nSeed, false);
    int nItem = 0;
    ForEachItem(s, [&](int g, int c, int sub, const std::string& item) {
        auto rule = [&](int r) {
            xml += "    <Rule type=\"" + Str(TypeId(s, g, c)) + "\" sub=\"" + Str(sub) + "\" item=\"" + item +
                   "\" name=\"" + RuleName(r) + "\" select=\"" + SelectType(r) + "\" ini=\"" + IniType(r) +
                   "\" value=\"" + values.Value(r) + "\" options=\"" + Options(r) + "\" text=\"" + RuleName(r) +
                   "的说明\"/>\n";
        };
        const std::uint64_t h = Mix(s.nSeed, static_cast<std::uint64_t>(nItem++), 500);
        for (int r = 0; r < s.nRulesPerItem; ++r) {
            rule(r);
            // Now and then a rule listed twice: a project's value goes to the first only.
            if (r == 1 && h % 29 == 5)
                rule(r);
        }
    });
    return xml + "  </Rules>\n</Templates>\n";
}

std::string RuleSetGenerator::RuleCodeIni() const
{
    std::vector<std::pair<int, std::string>> items;
    for (const auto& [code, name] : kCodes)
        items.emplace_back(code, name);
    for (int i = 0; i < m_shape.nOwnItems; ++i)
        items.emplace_back(200 + i, ItemName(i));
    for (int s = 0; s < m_shape.nSubsPerComp; ++s)
        for (int i = 0; i < m_shape.nItemsPerSub; ++i)
            items.emplace_back(300 + s * 10 + i, SubItemName(s, i));
    std::string ini = "; 计算项目代码表\n[main]\nRuleItemNum=" + Str(static_cast<long long>(items.size())) + "\n";
    for (std::size_t k = 0; k < items.size(); ++k)
        ini += "\n[ITEM" + Str(static_cast<long long>(k + 1)) + "]\nName=" + items[k].second + "\nCODE=" +
               Str(items[k].first) + "\n";
    return ini;
}

std::string RuleSetGenerator::RuleDescIni() const
{
    // Code 7 has no deduction text and code 8 no addition text: such codes show an empty entry.
    std::string ini = "; 计算规则选项说明\n[KouJ]\n";
    for (const auto& [code, name] : kCodes) {
        if (code != 7)
            ini += "TYPE" + Str(code) + "=扣" + name + "所占体积\n";
    }
    ini += "\n[ZenJ]\n";
    for (const auto& [code, name] : kCodes) {
        if (code != 8)
            ini += "TYPE" + Str(code) + "=增加" + name + "的面积\n";
    }
    return ini;
}

std::string RuleSetGenerator::RuleFileXml(RuleFileFormat format, const std::string& strProgramVersion) const
{
    const RuleSetShape& s = m_shape;
    std::string root = "<工程数据 ruletype=\"1\"";
    if (format == RuleFileFormat::Current)
        root += " RuleVer=\"" + strProgramVersion + "\" classtype=\"10\"";
    else if (format == RuleFileFormat::Older)
        root += " RuleVer=\"24.2.0\" classtype=\"10\"";
    else
        root += " classtype=\"10\" version=\"3\" projtype=\"1\"";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + root + ">\n";
    Values values(s.nSeed ^ 0x5bd1e995ULL, true);
    const std::uint64_t seed = s.nSeed;
    for (int g = 0; g < s.nGroups; ++g) {
        xml += " <组" + Str(g) + " classtype=\"1\">\n";
        for (int c = 0; c < s.nCompsPerGroup; ++c) {
            const int n = CompIndex(s, g, c);
            xml += "  <" + CompName(s, g, c) + " classtype=\"1\">\n";
            int nItem = 0;
            auto writeItem = [&](std::string item) {
                const std::uint64_t h = Mix(seed, static_cast<std::uint64_t>(n), static_cast<std::uint64_t>(nItem++));
                if (format == RuleFileFormat::OldFormat && item == "砖模")
                    item = "砖胎模";
                xml += "   <" + item + " classtype=\"2\">\n";
                for (int r = 0; r < s.nRulesPerItem; ++r) {
                    if (r == 2 && h % 13 == 0)
                        continue;  // a rule added to the defaults after the file was written
                    const char* ini = r == 3 && h % 23 == 1 ? nullptr : IniType(r);
                    xml += Rule(RuleName(r), SelectType(r), ini, values.Value(r));
                    if (r == 1 && h % 19 == 2)
                        xml += Rule(RuleName(r), SelectType(r), IniType(r), values.Value(r));
                }
                if (h % 17 == 3)
                    xml += Rule("旧规则", "M", "KouJ", values.Value(0));
                xml += "   </" + item + ">\n";
            };
            for (int i = 0; i < s.nOwnItems; ++i)
                writeItem(ItemName(i));
            for (int sub = 0; sub < s.nSubsPerComp; ++sub)
                for (int i = 0; i < s.nItemsPerSub; ++i)
                    writeItem(SubItemName(sub, i));
            if (Mix(seed, static_cast<std::uint64_t>(n), 1000) % 7 == 0)
                xml += "   <旧项目 classtype=\"2\">\n" + Rule(RuleName(1), "S", "", values.Value(1)) + "   </旧项目>\n";
            xml += "  </" + CompName(s, g, c) + ">\n";
        }
        // A component the templates dropped: skipped with its rules.
        xml += "  <已删除构件" + Str(g) + " classtype=\"1\">\n   <" + ItemName(1) + " classtype=\"2\">\n" +
               Rule(RuleName(0), "M", "KouJ", values.Value(0)) + "   </" + ItemName(1) + ">\n  </已删除构件" + Str(g) +
               ">\n";
        xml += " </组" + Str(g) + ">\n";
    }
    return xml + "</工程数据>\n";
}

CKXCurDeFenLeiSet::FenLeiMap RuleSetGenerator::FenLeiMap() const
{
    using kx::platform::FromUtf8;
    const RuleSetShape& s = m_shape;
    CKXCurDeFenLeiSet::FenLeiMap map;
    std::mt19937_64 random(s.nSeed ^ 0x27d4eb2fULL);
    std::uint64_t nItem = 0;
    auto items = [&](const std::vector<std::string>& names) {
        std::vector<CKXCurDeFenLeiSet::SDeFenLeiSetInfo> infos;
        for (const std::string& name : names) {
            CKXCurDeFenLeiSet::SDeFenLeiSetInfo info{FromUtf8(name), {}};
            // Now and then an item without keys, which the file cannot hold.
            if (Mix(s.nSeed, nItem++, 77) % 9 != 0) {
                for (int k = 0; k < s.nRulesPerItem; ++k) {
                    // Drawn in this order, one statement each: the operands of + have none.
                    const auto nNumber = static_cast<long long>(random() % 100);
                    const char* pszCode = kVarCodes[random() % std::size(kVarCodes)];
                    info.vecVarKey.push_back(FromUtf8(std::string(pszCode) + "_" + Str(nNumber)));
                }
            }
            infos.push_back(std::move(info));
        }
        return infos;
    };
    for (int g = 0; g < s.nGroups; ++g)
        for (int c = 0; c < s.nCompsPerGroup; ++c) {
            const int type = TypeId(s, g, c);
            std::vector<std::string> own;
            for (int i = 0; i < s.nOwnItems; ++i)
                own.push_back(ItemName(i));
            map[{type, -1}] = items(own);
            for (int sub = 0; sub < s.nSubsPerComp; ++sub) {
                std::vector<std::string> names;
                for (int i = 0; i < s.nItemsPerSub; ++i)
                    names.push_back(SubItemName(sub, i));
                map[{type, sub + 1}] = items(names);
            }
        }
    return map;
}

void RuleSetGenerator::WriteSystem(const std::filesystem::path& root) const
{
    const auto templates = root / "sys" / "Template";
    const auto rules = root / "sys" / "Rule";
    std::filesystem::create_directories(templates);
    std::filesystem::create_directories(rules);
    std::ofstream(templates / "Templates.xml", std::ios::binary) << TemplatesXml();
    std::ofstream(rules / "RuleCode.ini", std::ios::binary) << RuleCodeIni();
    std::ofstream(rules / "RuleDesc.ini", std::ios::binary) << RuleDescIni();
}

} // namespace kxbench

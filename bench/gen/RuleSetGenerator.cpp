#include "gen/RuleSetGenerator.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace kxbench {

namespace {

std::string CompName(int g, int c) { return "构件" + std::to_string(g) + "_" + std::to_string(c); }

std::string ItemName(int i)
{
    if (i == 0)
        return "砖模";
    if (i == 1)
        return "实体模板";
    return "项目" + std::to_string(i);
}

std::string SubItemName(int s, int i) { return "子项" + std::to_string(s) + "_" + std::to_string(i); }

std::string RuleName(int r)
{
    if (r == 0)
        return "扣减项目";
    if (r == 1)
        return "计算方式";
    return "规则" + std::to_string(r);
}

const char* SelectType(int r) { return r == 1 ? "S" : "M"; }
const char* IniType(int r) { return r == 1 ? "" : r % 2 ? "ZenJ" : "KouJ"; }

// Component type ids: components count from 100 up; one of them is 18, which files older than
// 25.1.0 number as 12, so the renumbering has work to do.
int TypeId(const RuleSetShape& shape, int g, int c)
{
    const int n = g * shape.nCompsPerGroup + c;
    return n == 0 ? 18 : 100 + n;
}

// Walks every key of the shape in template order.
template <typename Fn>
void ForEachKey(const RuleSetShape& shape, Fn fn)
{
    for (int g = 0; g < shape.nGroups; ++g)
        for (int c = 0; c < shape.nCompsPerGroup; ++c) {
            for (int i = 0; i < shape.nOwnItems; ++i)
                for (int r = 0; r < shape.nRulesPerItem; ++r)
                    fn(g, c, -1, ItemName(i), r);
            for (int s = 0; s < shape.nSubsPerComp; ++s)
                for (int i = 0; i < shape.nItemsPerSub; ++i)
                    for (int r = 0; r < shape.nRulesPerItem; ++r)
                        fn(g, c, s + 1, SubItemName(s, i), r);
        }
}

class Values {
public:
    explicit Values(std::uint64_t seed) : m_random(seed) {}

    // A list of codes, using the old brick-mould codes now and then, or an option index.
    std::string Value(int r)
    {
        if (r == 1)
            return std::to_string(m_random() % 3);
        static const int kCodes[] = {1, 2, 3, 4, 5, 6, 7, 8, 43, 44, 46, 47, 49, 101};
        const int n = static_cast<int>(m_random() % 4);
        std::string value;
        for (int k = 0; k < n; ++k) {
            if (k)
                value += ',';
            value += std::to_string(kCodes[m_random() % std::size(kCodes)]);
        }
        return value;
    }

private:
    std::mt19937_64 m_random;
};

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
        xml += "  <Group id=\"" + std::to_string(g + 1) + "\" name=\"组" + std::to_string(g) + "\" display=\"构件组" +
               std::to_string(g) + "\">\n";
        for (int c = 0; c < s.nCompsPerGroup; ++c) {
            xml += "    <Comp name=\"" + CompName(g, c) + "\" type=\"" + std::to_string(TypeId(s, g, c)) + "\">\n";
            for (int i = 0; i < s.nOwnItems; ++i)
                xml += "      <Item name=\"" + ItemName(i) + "\" units=\"m2\"/>\n";
            for (int sub = 0; sub < s.nSubsPerComp; ++sub) {
                xml += "      <Sub type=\"" + std::to_string(sub + 1) + "\" name=\"子类" + std::to_string(sub) + "\">";
                for (int i = 0; i < s.nItemsPerSub; ++i)
                    xml += "<Item name=\"" + SubItemName(sub, i) + "\"/>";
                xml += "</Sub>\n";
            }
            xml += "    </Comp>\n";
        }
        xml += "  </Group>\n";
    }
    xml += "  <Rules>\n";
    Values values(s.nSeed);
    ForEachKey(s, [&](int g, int c, int sub, const std::string& item, int r) {
        xml += "    <Rule type=\"" + std::to_string(TypeId(s, g, c)) + "\" sub=\"" + std::to_string(sub) +
               "\" item=\"" + item + "\" name=\"" + RuleName(r) + "\" select=\"" + SelectType(r) + "\" ini=\"" +
               IniType(r) + "\" value=\"" + values.Value(r) + "\" options=\"0-甲,1-乙,2-丙\" text=\"说明\"/>\n";
    });
    return xml + "  </Rules>\n</Templates>\n";
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
    Values values(s.nSeed ^ 0x5bd1e995ULL);
    for (int g = 0; g < s.nGroups; ++g) {
        const std::string group = "组" + std::to_string(g);
        xml += " <" + group + " classtype=\"1\">\n";
        for (int c = 0; c < s.nCompsPerGroup; ++c) {
            const std::string comp = CompName(g, c);
            xml += "  <" + comp + " classtype=\"1\">\n";
            auto writeItem = [&](std::string item) {
                if (format == RuleFileFormat::OldFormat && item == "砖模")
                    item = "砖胎模";
                xml += "   <" + item + " classtype=\"2\">\n";
                for (int r = 0; r < s.nRulesPerItem; ++r)
                    xml += "    <" + RuleName(r) + " classtype=\"3\" selecttype=\"" + SelectType(r) + "\" initype=\"" +
                           IniType(r) + "\">" + values.Value(r) + "</" + RuleName(r) + ">\n";
                xml += "   </" + item + ">\n";
            };
            for (int i = 0; i < s.nOwnItems; ++i)
                writeItem(ItemName(i));
            for (int sub = 0; sub < s.nSubsPerComp; ++sub)
                for (int i = 0; i < s.nItemsPerSub; ++i)
                    writeItem(SubItemName(sub, i));
            xml += "  </" + comp + ">\n";
        }
        xml += " </" + group + ">\n";
    }
    return xml + "</工程数据>\n";
}

void RuleSetGenerator::WriteTemplates(const std::filesystem::path& root) const
{
    const auto dir = root / "sys" / "Template";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "Templates.xml", std::ios::binary) << TemplatesXml();
}

} // namespace kxbench

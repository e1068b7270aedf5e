// The rule documents against a plain model: per seed, default rules for the shared templates and a
// random sequence of loads (current, older, old-format, refused, missing files), item-rule edits,
// edits of the record list and saves, each followed by a comparison of records, queries, rule
// table and files. The generator aims at sub-types, items shared between a component and its
// sub-types, records given twice, rules the defaults or the file lack, empty values and old versions.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <tuple>

#include <kxsysrule/CFaceCurRule.h>
#include <kxsysrule/CFaceSysRule.h>
#include <kxsysrule/MessageBox.h>

#include "currule/CCurRuleObj.h"
#include "platform/Xml.h"
#include "support/Installation.h"

namespace kxtest {
namespace {

using Strings = std::vector<std::string>;
using Attrs = std::vector<std::pair<std::string, std::string>>;
using Rng = std::mt19937;
constexpr auto kQD = KxSysRule::Rule_QingDan;

std::size_t Pick(Rng& rng, std::size_t n) { return rng() % n; }
template <typename T>
const T& OneOf(Rng& rng, const std::vector<T>& pool)
{
    return pool[Pick(rng, pool.size())];
}
std::string OneOf(Rng& rng, std::initializer_list<const char*> pool) { return pool.begin()[Pick(rng, pool.size())]; }
bool Has(const Strings& list, const std::string& s) { return std::find(list.begin(), list.end(), s) != list.end(); }
bool Blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

// The value of an attribute, empty when it is missing: no generated file has an empty one.
std::string Attr(const Attrs& attrs, const std::string& key)
{
    const auto it = std::find_if(attrs.begin(), attrs.end(), [&](const auto& a) { return a.first == key; });
    return it == attrs.end() ? "" : it->second;
}

// An element of a generated file, of the model's rewrite of one, or of a file read back.
struct Node { std::string name; Attrs attrs; std::string text; std::vector<Node> kids; };

std::string Esc(const std::string& s)
{
    std::string out;
    for (const char c : s)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '"' ? "&quot;" : std::string(1, c);
    return out;
}

// Blank text is written as none, since it reads as none; a line break after each element, as in
// files written by hand.
std::string Xml(const Node& n)
{
    std::string x = "<" + n.name;
    for (const auto& [k, v] : n.attrs)
        x += " " + k + "=\"" + Esc(v) + "\"";
    x.append(">").append(Blank(n.text) ? "" : Esc(n.text));
    for (const Node& kid : n.kids)
        x += Xml(kid);
    return x + "</" + n.name + ">\n";
}

Node FromXml(const xmlNode* e)
{
    Node n{reinterpret_cast<const char*>(e->name), {}, {}, {}};
    for (const xmlAttr* a = e->properties; a; a = a->next) {
        kx::xml::CharPtr v(xmlNodeGetContent(reinterpret_cast<const xmlNode*>(a)));
        n.attrs.emplace_back(reinterpret_cast<const char*>(a->name), reinterpret_cast<const char*>(v.get()));
    }
    for (const xmlNode* c = e->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE)
            n.kids.push_back(FromXml(c));
        else if (c->type == XML_TEXT_NODE)
            n.text += reinterpret_cast<const char*>(c->content);
    }
    return n;
}

// A record; as a query, its type, sub-type, item and rule name select records (empty names: any).
struct Rec { int type = -1, sub = -1; std::string item, name, value, select, ini, text, options; };

Rec Query(int type, int sub, const std::string& item, const std::string& rule)
{
    return {type, sub, item, rule, "", "", "", "", ""};
}

std::string Line(const Rec& r)
{
    return std::to_string(r.type) + "." + std::to_string(r.sub) + " " + r.item + " " + r.name + "=" + r.value + " |" +
           r.select + "|" + r.ini + "|" + r.text + "|" + r.options;
}

// The components of TemplatesXml(): the item elements in the order the writer gives them (the
// component's own, then each sub-type's), and the sub-type of the rules below an item where it is
// not the component's own: the last sub-type listing it.
struct Comp { std::string name; int type; std::size_t group; Strings items; std::map<std::string, int> subOf; };
int SubOf(const Comp& c, const std::string& item) { return c.subOf.count(item) ? c.subOf.at(item) : -1; }

const Strings kGroups = {"ZhuTi", "JiChu", "Empty"};
const Strings kGroupDisplay = {"主体结构", "基础工程", "空组"};
const std::vector<Comp> kTemplate = {
    {"框架梁", 12, 0, {"体积", "实体模板", "弧形模板", "共用模板", "共用模板", "体积"}, {{"弧形模板", 3}, {"共用模板", 4}}},
    {"屋面框架梁", 18, 0, {"体积"}, {}}, {"构造柱", 61, 0, {"体积"}, {}}, {"基础梁", 41, 1, {"实体模板", "砖模"}, {}},
    {"砼条基", 42, 1, {"体积", "砖模"}, {{"砖模", 7}}}};
// The descriptions of kRuleDescIni.
const std::map<std::string, std::string> kDescs = {{"KouJ/TYPE1", "梁头"}, {"KouJ/TYPE2", "现浇板"}, {"KouJ/TYPE3", "孔洞"},
                                                   {"KouJ/TYPE4", "柱"},   {"ZenJ/TYPE21", "梁垫"}, {"ZenJ/TYPE23", "牛腿"}};
const Strings kRules = {"扣减项目", "计算方式", "增加项目"};
const Strings kValues = {"", "0", "1", "2", "5", "1,2", "3,1", "21,9", "44,47,43", "43,47,99,49,46", "46,44, 49,x,101",
                         "101,,7,+8,-3,abc,12abc", "a&b <c>", "  ", " 2 ", "堃1"};

const Comp* FindComp(const std::string& name, int type = 0)
{
    const auto it =
        std::find_if(kTemplate.begin(), kTemplate.end(), [&](auto& c) { return c.name == name || c.type == type; });
    return it == kTemplate.end() ? nullptr : &*it;
}

struct System { std::string program, templates; std::vector<Rec> defs; };

// The program's version and default rules: mostly of keys a file's record can have, some given
// twice, some of a type or sub-type the templates lack; now and then none.
System GenSystem(Rng& rng)
{
    System s{OneOf(rng, {"22.3.1", "25.1.0", "25.2.0"}), TemplatesXml(), {}};
    std::string rules = "<Rules>";
    for (std::size_t n = Pick(rng, 6) ? 4 + Pick(rng, 16) : 0; n-- > 0;) {
        const Comp& c = kTemplate[Pick(rng, kTemplate.size())];
        const std::string item = OneOf(rng, c.items);
        Rec d{Pick(rng, 8) ? c.type : 99, Pick(rng, 4) ? SubOf(c, item) : 7, item, OneOf(rng, kRules),
              OneOf(rng, kValues), OneOf(rng, {"S", "M", "T", ""}), OneOf(rng, {"KouJ", "ZenJ", "Nope", ""}),
              OneOf(rng, {"", "说明"}), OneOf(rng, {"0-按体积,1-按长度", "-1,b-x,c", ""})};
        if (Pick(rng, 3) == 0 && !s.defs.empty()) // a key given twice
            d = s.defs[Pick(rng, s.defs.size())];
        d.value = Blank(d.value) ? "" : (Pick(rng, 3) ? d.value : "5");
        s.defs.push_back(d);
        rules += "<Rule type=\"" + std::to_string(d.type) + (d.sub == -1 ? "" : "\" sub=\"" + std::to_string(d.sub)) +
                 "\" item=\"" + d.item + "\" name=\"" + d.name + "\" select=\"" + d.select + "\" ini=\"" + d.ini +
                 "\" value=\"" + Esc(d.value) + "\" options=\"" + d.options + "\" text=\"" + d.text + "\"/>";
    }
    const std::size_t from = s.templates.find("<Rules>");
    s.templates.replace(from, s.templates.find("</Rules>") - from, rules);
    return s;
}

// A project's rule file, mostly of the components, items and rules of the defaults.
Node GenFile(Rng& rng, const System& s)
{
    Node root{Pick(rng, 12) ? "工程数据" : "项目", {}, {}, {}};
    for (const auto& [key, pool] : std::vector<std::pair<std::string, Strings>>{
             {"ruletype", {"1", "1", "1", "1", "1", "2", " 1", ""}},
             {"RuleVer", {"", "", "", "22.0.0", "24.9.9", "25.0", "25.1.0", "25.2.0", "26.0.0"}},
             {"classtype", {"", "99"}}, {"version", {"", "3"}}, {"projtype", {"", "2"}}, {"extra", {"", "x"}}}) {
        if (const std::string v = OneOf(rng, pool); !v.empty())
            root.attrs.insert(root.attrs.begin() + Pick(rng, root.attrs.size() + 1), {key, v});
    }
    for (std::size_t g = 1 + Pick(rng, 3); g-- > 0;) {
        Node& group = root.kids.emplace_back(Node{OneOf(rng, {"ZhuTi", "JiChu", "Any"}), {}, {}, {}});
        for (std::size_t c = 1 + Pick(rng, 3); c-- > 0;) {
            const Rec* def = Pick(rng, 2) && !s.defs.empty() ? &s.defs[Pick(rng, s.defs.size())] : nullptr;
            const Comp* t = def ? FindComp("", def->type) : Pick(rng, 4) ? &OneOf(rng, kTemplate) : nullptr;
            Node& comp = group.kids.emplace_back(Node{t ? t->name : OneOf(rng, {"圈梁", "基础梁", "框架梁"}), {}, {}, {}});
            for (std::size_t i = 1 + Pick(rng, 3); i-- > 0;) {
                const std::string name = def && Pick(rng, 2) ? def->item : t && Pick(rng, 3) ? OneOf(rng, t->items)
                                                                         : OneOf(rng, {"砖胎模", "未知项目", "砖模", "实体模板"});
                Node& item = comp.kids.emplace_back(Node{name, {}, {}, {}});
                for (std::size_t r = Pick(rng, 4); r-- > 0;) {
                    Node rule{def && Pick(rng, 2) ? def->name : OneOf(rng, kRules), {}, OneOf(rng, kValues), {}};
                    for (const char* attr : {"selecttype", "initype"})
                        rule.attrs.insert(rule.attrs.end(), Pick(rng, 4) != 0, {attr, OneOf(rng, {"S", "KouJ", "M"})});
                    // Now and then the same record given twice.
                    item.kids.insert(item.kids.end(), Pick(rng, 4) ? 1 : 2, rule);
                    item.kids.back().text = OneOf(rng, kValues);
                }
            }
        }
    }
    return root;
}

// ---- The model: the procedures written plainly, without any index.

// A document; `root` is the document element of its tree, when the tree has one.
struct MDoc { std::vector<Rec> recs; std::string version, name; std::optional<Attrs> root; bool modified = false; };
struct DiskFile { Node root; fs::path path; };

// The versions met here, in order; an empty one reads as 0.0.0.
const Strings kVersions = {"", "22.0.0", "22.3.1", "24.9.9", "25.0", "25.1.0", "25.2.0", "26.0.0"};
bool Older(const std::string& a, const std::string& b)
{
    return std::find(kVersions.begin(), kVersions.end(), a) < std::find(kVersions.begin(), kVersions.end(), b);
}

Strings Split(const std::string& s)
{
    Strings out;
    std::istringstream in(s);
    for (std::string piece; std::getline(in, piece, ',');)
        out.insert(out.end(), piece.empty() ? 0 : 1, piece);
    return out;
}

// Old files: the brick mould's codes were split into finer ones later, and beams did not list the
// deduction of code 1 for their formwork.
void UpgradeOldFormat(const std::string& comp, Rec& r)
{
    const std::map<long, std::vector<long>> codes = {{43, {113, 114, 115}}, {44, {116, 117, 118}},
                                                     {46, {119, 120, 121}}, {47, {122, 123}},
                                                     {49, {124, 125, 126}}, {101, {127, 128}}};
    if (r.item == "砖模" && r.ini == "KouJ") {
        std::string value;
        for (const std::string& piece : Split(r.value)) {
            const long code = std::strtol(piece.c_str(), nullptr, 10);
            const auto it = codes.find(code);
            if ((code == 46 && comp == "砼条基") || (code == 49 && comp == "基础梁"))
                continue;
            for (const long c : it == codes.end() ? std::vector<long>{code} : it->second)
                value.append(value.empty() ? "" : ",").append(std::to_string(c));
        }
        r.value = value;
    }
    if (Has({"框架梁", "次梁", "独立梁", "基础梁"}, comp) && r.item == "实体模板" && r.name == "扣减项目" &&
        !Has(Split(r.value), "1"))
        r.value = "1," + r.value;
}

std::vector<Rec> ReadRecords(const Node& root, bool old, bool renumber)
{
    std::vector<Rec> out;
    for (const Node& group : root.kids) {
        for (const Node& comp : group.kids) {
            const Comp* t = FindComp(comp.name);
            for (const Node& item : t ? comp.kids : std::vector<Node>{}) {
                const std::string name = old && item.name == "砖胎模" ? "砖模" : item.name;
                for (const Node& rule : item.kids) {
                    out.push_back({renumber && t->type == 18 ? 12 : t->type, SubOf(*t, name), name, rule.name,
                                   Blank(rule.text) ? "" : rule.text, Attr(rule.attrs, "selecttype"),
                                   Attr(rule.attrs, "initype"), "", ""});
                    if (old)
                        UpgradeOldFormat(comp.name, out.back());
                }
            }
        }
    }
    return out;
}

bool SameKey(const Rec& a, const Rec& b)
{
    return a.type == b.type && a.sub == b.sub && a.item == b.item && a.name == b.name;
}

// A load of `file` (null: missing); true when the file is to be rewritten.
bool ModelLoad(const System& s, MDoc& d, const std::string& name, const DiskFile* file, int& messages)
{
    d.name = file ? name : "";
    d.modified = false;
    d.root = file && file->root.name == "工程数据" ? std::optional(file->root.attrs) : std::nullopt;
    if (!d.root)
        return false;
    const std::string type = Attr(*d.root, "ruletype"), ver = Attr(*d.root, "RuleVer");
    if (type != "1") {
        messages += !type.empty();
        return false;
    }
    d.version = ver.empty() ? "22.3.1" : ver;
    if (ver.empty())
        std::erase_if(*d.root, [](const auto& a) { return Has({"classtype", "version", "projtype"}, a.first); });
    std::vector<Rec> read = d.recs = ReadRecords(file->root, ver.empty(), Older(d.version, "25.1.0"));
    if (!Older(d.version, s.program) || s.defs.empty())
        return !Older(d.version, s.program);
    // Older than the program: each default takes the value of the first record of its key left.
    d.recs = s.defs;
    for (Rec& def : d.recs) {
        const auto it = std::find_if(read.begin(), read.end(), [&](const Rec& r) { return SameKey(def, r); });
        def.value = it == read.end() ? def.value : std::exchange(*it, Rec{}).value;
    }
    d.version = s.program;
    return true;
}

// What a save writes: every group, component and item of the templates, and each record below
// the first item element of its type and item.
Node ModelWrite(MDoc& d)
{
    for (const auto& [key, value] : Attrs{{"RuleVer", d.version}, {"classtype", "10"}}) {
        const auto it = std::find_if(d.root->begin(), d.root->end(), [&](const auto& a) { return a.first == key; });
        it == d.root->end() ? void(d.root->emplace_back(key, value)) : void(it->second = value);
    }
    Node root{"工程数据", *d.root, {}, {}};
    std::vector<bool> written(d.recs.size());
    for (std::size_t g = 0; g < kGroups.size(); ++g) {
        Node& group = root.kids.emplace_back(Node{kGroups[g], {{"classtype", "1"}}, {}, {}});
        for (const Comp& c : kTemplate) {
            Node* comp = c.group == g ? &group.kids.emplace_back(Node{c.name, {{"classtype", "1"}}, {}, {}}) : nullptr;
            for (const std::string& name : comp ? c.items : Strings{}) {
                Node& item = comp->kids.emplace_back(Node{name, {{"classtype", "2"}}, {}, {}});
                for (std::size_t i = 0; i < d.recs.size(); ++i) {
                    const Rec& r = d.recs[i];
                    if (written[i] || r.type != c.type || r.item != name)
                        continue;
                    written[i] = true;
                    item.kids.push_back(
                        {r.name, {{"classtype", "3"}, {"selecttype", r.select}, {"initype", r.ini}}, r.value, {}});
                }
            }
        }
    }
    return root;
}

// Half the time of a record's own key.
Rec RandomQuery(Rng& rng, const MDoc& d)
{
    if (!d.recs.empty() && Pick(rng, 2)) {
        const Rec& r = d.recs[Pick(rng, d.recs.size())];
        return Query(r.type, r.sub, Pick(rng, 3) ? r.item : "", Pick(rng, 2) ? r.name : "");
    }
    static const std::vector<int> types = {12, 12, 18, 41, 42, 61, 99, -1};
    return Query(types[Pick(rng, types.size())], Pick(rng, 2) ? -1 : 3 + 2 * int(Pick(rng, 3)),
                 Pick(rng, 3) ? OneOf(rng, kTemplate[0].items) : "", Pick(rng, 2) ? OneOf(rng, kRules) : "");
}

bool Selects(const Rec& q, const Rec& r)
{
    return q.type != -1 && r.type == q.type && r.sub == q.sub && (q.item.empty() || q.item == r.item) &&
           (q.name.empty() || q.name == r.name);
}

Strings ModelGet(const MDoc& d, const Rec& q)
{
    Strings pairs;
    for (const Rec& r : d.recs) {
        if (Selects(q, r))
            pairs.insert(pairs.end(), {r.name, r.value});
    }
    return pairs;
}

// Each selected record takes the entry after the first place of its name in the list.
bool ModelSet(MDoc& d, const Rec& q, const Strings& pairs, bool byKey)
{
    if (pairs.size() < 2 || q.type == -1)
        return false;
    bool changed = false;
    for (Rec& r : d.recs) {
        const auto it = std::find(pairs.begin(), pairs.end(), r.name);
        const bool set = Selects(q, r) && it != pairs.end() && it + 1 != pairs.end();
        r.value = set ? *(it + 1) : r.value;
        changed = changed || set;
    }
    d.modified = d.modified || changed || byKey;
    return changed || byKey;
}

// The value as the rule table shows it, after the first default of the record's key.
std::string ShowText(const System& s, const Rec& r)
{
    const auto def = std::find_if(s.defs.begin(), s.defs.end(), [&](const Rec& d) { return SameKey(d, r); });
    if (def == s.defs.end())
        return "";
    std::string text;
    const Strings options = Split(def->options);
    const long index = std::strtol(r.value.c_str(), nullptr, 10);
    if (def->select == "S" && index >= 0 && index < static_cast<long>(options.size())) {
        const std::string& option = options[static_cast<std::size_t>(index)];
        const std::size_t p = option.find('-');
        return p != std::string::npos && p > 0 ? option.substr(p + 1) : option;
    }
    if (def->select == "M" && !def->ini.empty()) {
        int n = 0;
        for (const std::string& code : Split(r.value)) {
            const auto desc = kDescs.find(def->ini + "/TYPE" + code);
            text += std::to_string(++n) + "、" + (desc == kDescs.end() ? "" : desc->second) + " ";
        }
    }
    return text;
}

// The table's cells, text and column: a key cell where the row starts a new block at that column;
// by calculation item, blocks in the order their items first occur, records in document order.
Strings ModelGrid(const System& s, std::vector<Rec> recs, int layout)
{
    Strings cells{"计算规则数据", "1"}, blocks;
    for (const Rec& r : recs)
        blocks.insert(blocks.end(), Has(blocks, r.item) ? 0 : 1, r.item);
    auto block = [&](const Rec& r) { return std::find(blocks.begin(), blocks.end(), r.item); };
    if (layout != 0)
        std::stable_sort(recs.begin(), recs.end(), [&](const Rec& a, const Rec& b) { return block(a) < block(b); });
    std::array<std::string, 3> prev;
    for (std::size_t i = 0; i < recs.size(); ++i) {
        const Comp* c = FindComp("", recs[i].type);
        std::array<std::string, 3> key{c ? kGroupDisplay[c->group] : "", c ? c->name : "", recs[i].item};
        if (layout != 0)
            std::rotate(key.begin(), key.begin() + 2, key.end());
        for (std::size_t col = 0; col < 3; ++col) {
            if (i == 0 || !std::equal(key.begin(), key.begin() + col + 1, prev.begin()))
                cells.insert(cells.end(), {key[col], std::to_string(col + 1)});
        }
        cells.insert(cells.end(), {recs[i].name, "4", ShowText(s, recs[i]), "5"});
        prev = key;
    }
    return cells;
}

Strings U8s(const CStringArray& list)
{
    Strings out(list.size());
    std::transform(list.begin(), list.end(), out.begin(), [](const CString& s) { return U8(s); });
    return out;
}

class RuleDocModel : public InstalledTest {
protected:
    // Loads `arg` as `type` into the library and into the model, and compares the file left behind.
    void Load(MDoc& d, KxSysRule::RuleType type, const std::string& arg)
    {
        const std::string name = arg == "-1" ? d.name : arg;
        DiskFile* file = m_disk.count(name) ? &m_disk[name] : nullptr;
        ASSERT_EQ(CFaceCurRule::InitXMLData(W(arg), type), arg != d.name) << arg;
        if (arg != d.name && ModelLoad(m_sys, d, name, file, m_messages))
            file->root = ModelWrite(d);
        if (file) {
            kx::xml::DocPtr doc = kx::xml::ParseFile(file->path.string());
            EXPECT_EQ(doc ? Xml(FromXml(xmlDocGetRootElement(doc.get()))) : "", Xml(file->root)) << name;
            EXPECT_NE(fs::status(file->path).permissions() & fs::perms::owner_write, fs::perms::none);
        }
    }

    void Edit(Rng& rng, MDoc& d)
    {
        for (int n = 0; n < 3; ++n) {
            Rec q = RandomQuery(rng, d);
            CStringArray pairs;
            for (std::size_t i = Pick(rng, 6); i-- > 0;)
                pairs.push_back(W(Pick(rng, 2) ? OneOf(rng, kRules) : OneOf(rng, kValues)));
            const bool byKey = Pick(rng, 2);
            q.name = byKey ? "" : q.name;
            EXPECT_EQ(byKey ? CFaceCurRule::SetCurItemRules({q.type, q.sub}, pairs, W(q.item), kQD)
                            : CFaceCurRule::SetCurItemRules({{q.type, q.sub}, W(q.item), W(q.name), kQD}, pairs),
                      ModelSet(d, q, U8s(pairs), byKey));
        }
        // The host may edit the list itself; the queries' index has to follow.
        const Rec q = RandomQuery(rng, d), r = Query(q.type, q.sub, OneOf(rng, {"体积", "砖模", ""}), OneOf(rng, kRules));
        const std::size_t pos = Pick(rng, d.recs.size() + 1);
        d.recs.insert(d.recs.begin() + pos, r);
        std::vector<SRuleItem>& items = CCurRuleObj::GetInstance()->GetDoc(kQD)->Items();
        items.insert(items.begin() + pos, {W(r.name), L"", L"", L"", L"", L"", {r.type, r.sub}, W(r.item)});
    }

    void Check(Rng& rng, const MDoc& d, KxSysRule::RuleType type)
    {
        CCurRuleObj& registry = *CCurRuleObj::GetInstance();
        Strings records, expected;
        for (const SRuleItem& i : std::as_const(*registry.GetDoc(type)).Items())
            records.push_back(
                Line({i.compType.nTypeId, i.compType.nSubTypeId, U8(i.strCalItem), U8(i.strRuleName), U8(i.strValue),
                      U8(i.strSelectType), U8(i.strIniType), U8(i.strText), U8(i.strOptions)}));
        std::transform(d.recs.begin(), d.recs.end(), std::back_inserter(expected), [](auto& r) { return Line(r); });
        EXPECT_EQ(records, expected);
        EXPECT_EQ(std::tuple(U8(registry.GetDoc(type)->GetVersion()), U8(CFaceCurRule::GetCurFileName(type)),
                             CFaceCurRule::IsModified(type)),
                  std::tuple(d.version, d.name, d.modified));
        for (int n = 0; n < 20; ++n) {
            const Rec q = RandomQuery(rng, d);
            const NS_KXComponentType::SCompGroupType key{q.type, q.sub};
            const Strings some = ModelGet(d, q), all = ModelGet(d, Query(q.type, q.sub, q.item, ""));
            CStringArray pairs{L"stale"};
            auto same = [&](bool found, const Strings& want) {
                EXPECT_EQ(std::pair(found, U8s(pairs)), std::pair(!want.empty(), want)); };
            same(CFaceCurRule::GetCurItemRules({key, W(q.item), W(q.name), type}, pairs), some);
            same(CFaceCurRule::GetCurItemRules(key, pairs, W(q.item), type), all);
            same(CFaceSysRule::GetSysDefRules(key, W(q.item), pairs, type), all);
            EXPECT_EQ(CFaceCurRule::CheckItem(key, W(q.item), type), !q.item.empty() && !all.empty());
            const auto first = std::find_if(d.recs.begin(), d.recs.end(),
                                            [&](auto& r) { return Selects(Query(q.type, q.sub, "", ""), r); });
            const std::string defItem = first != d.recs.end() ? first->item : "";
            CString item = L"stale";
            EXPECT_EQ(CFaceCurRule::GetDefItem(key, item, type), !defItem.empty());
            EXPECT_EQ(U8(item), defItem);
        }
        for (const int layout : {0, 1, -3}) {
            CStringArray cells{L"stale"}, titles;
            int nKeys = 0, nValues = 0;
            EXPECT_EQ(CFaceCurRule::GetTableGridData(cells, titles, nKeys, nValues, type, L"", layout),
                      !d.recs.empty());
            EXPECT_EQ(U8s(cells), ModelGrid(m_sys, d.recs, layout)) << "layout " << layout;
            EXPECT_EQ(std::tuple(U8s(titles), nKeys, nValues),
                      std::tuple(Strings{"大构件", "构件类型", "计算项目", "计算规则类型", "本工程默认值"}, 4, 1));
        }
    }

    System m_sys;
    std::map<std::string, DiskFile> m_disk; // the project's files by the name a load gives
    int m_messages = 0;
};

TEST_F(RuleDocModel, RandomSequencesAgreeWithTheModel)
{
    for (unsigned seed = 1; seed <= 40 && !HasFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Rng rng(seed);
        m_sys = GenSystem(rng);
        m_disk.clear();
        Install(m_sys.templates, m_sys.program);
        int shown = m_messages = 0;
        KxSysRule::SetMessageBoxHandler([&](const CString&) { ++shown; });
        MDoc qd, de;
        for (int step = 0; step < 16 && !HasFailure(); ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            const fs::path path = Proj() / std::string("f").append(std::to_string(step)).append(".xml");
            switch (Pick(rng, 9)) {
            case 0: case 1: case 2: { // at times read-only, named as a Windows host spells it, or with a
                // comment beside the document element (written as nodes) or after the groups (read so)
                const Node root = GenFile(rng, m_sys);
                std::string xml = Xml(root);
                if (const std::size_t at = Pick(rng, 6); at < 2)
                    xml.insert(at ? xml.rfind("</") : 0, "<!-- 手改 -->");
                WriteBytes(path, xml);
                if (Pick(rng, 4) == 0)
                    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
                const std::string arg =
                    U8(Pick(rng, 4) ? W(path) : HostPath(Proj() / std::string("F").append(std::to_string(step)).append(".XML")));
                m_disk[arg] = {root, path};
                Load(qd, kQD, arg);
                break;
            }
            case 3: Load(qd, kQD, "-1"); break;
            case 4: Load(qd, kQD, qd.name); break;
            case 5: Load(qd, kQD, U8(W(Proj() / "missing.xml"))); break;
            case 6: case 7: Edit(rng, qd); break;
            case 8: // saved elsewhere, then loaded from there as the other rule type
                EXPECT_EQ(CFaceCurRule::SaveXMLData(W(path), kQD), qd.root.has_value());
                qd.modified = false;
                if (qd.root) {
                    m_disk[U8(W(path))] = {ModelWrite(qd), path};
                    Load(de, KxSysRule::Rule_DingE, U8(W(path)));
                }
                break;
            }
            Check(rng, qd, kQD);
            Check(rng, de, KxSysRule::Rule_DingE);
            EXPECT_EQ(shown, m_messages);
        }
    }
}

// ---- What holds no rules: the host's rule-action function and rule types without a document.

using CurRuleFacade = InstalledTest;
std::string g_calls;

bool RecordAction(int n1, int n2, bool b)
{
    g_calls += std::to_string(n1) + "," + std::to_string(n2) + "," + std::to_string(b) + " ";
    return n1 < 0; // the refresh ignores the answer
}

TEST_F(CurRuleFacade, RuleActionFunctionAndRuleTypesWithoutDocument)
{
    g_calls.clear();
    EXPECT_FALSE(CFaceCurRule::RefressDefRule() || CFaceCurRule::ActionRule(3, 7));
    EXPECT_TRUE(CFaceCurRule::SetRuleActionCBFun(reinterpret_cast<void**>(&RecordAction)) &&
                CFaceCurRule::RefressDefRule());
    EXPECT_FALSE(CFaceCurRule::ActionRule(3, 7));
    EXPECT_TRUE(CFaceCurRule::ActionRule(-2, 5) && CFaceCurRule::SetRuleActionCBFun(nullptr));
    EXPECT_FALSE(CFaceCurRule::RefressDefRule());
    EXPECT_EQ(g_calls, "0,1,0 1,1,0 3,7,1 -2,5,1 ");

    const auto type = static_cast<KxSysRule::RuleType>(3);
    CStringArray cells{L"stale"}, titles{L"stale"};
    CString item = L"stale";
    int nKeys = 9, nValues = 9;
    EXPECT_FALSE(CFaceCurRule::InitXMLData(L"a.xml", type) || CFaceCurRule::SaveXMLData(L"a.xml", type) ||
                 CFaceCurRule::IsModified(type) || CCurRuleObj::GetInstance()->SetModified(true, type) ||
                 CFaceCurRule::SetCurItemRules({12, -1}, {L"扣减项目", L"1"}, L"", type) ||
                 CFaceCurRule::SetCurItemRules({{12, -1}, L"", L"", type}, {L"扣减项目", L"1"}) ||
                 CFaceCurRule::GetCurItemRules({12, -1}, cells, L"", type) ||
                 CFaceCurRule::CheckItem({12, -1}, L"体积", type) || CFaceCurRule::GetDefItem({12, -1}, item, type) ||
                 CFaceCurRule::GetTableGridData(cells, titles, nKeys, nValues, type, L"", 0));
    EXPECT_TRUE(CFaceCurRule::GetCurFileName(type).empty() && item.empty() && cells.empty() && titles.empty());
    EXPECT_EQ(nKeys + nValues, 18);
    // The third document; a released registry comes back with empty documents, released twice.
    EXPECT_TRUE(CCurRuleObj::GetInstance()->SetModified(true, KxSysRule::Rule_Other));
    EXPECT_TRUE(CFaceCurRule::IsModified(KxSysRule::Rule_Other));
    CCurRuleObj::ReleaseInstance();
    CCurRuleObj::ReleaseInstance();
    EXPECT_FALSE(CFaceCurRule::IsModified(KxSysRule::Rule_Other));
}

} // namespace
} // namespace kxtest

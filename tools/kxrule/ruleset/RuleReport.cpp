// The rule table as one HTML page a reviewer can read, sign and print: nothing is loaded from
// elsewhere, so the page shows the same wherever it is opened or archived.
#include <array>
#include <unordered_map>

#include <kxhost/HostServices.h>

#include "ruleset/RuleSet.h"

namespace kxrule::ruleset {

namespace {

std::string Escape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// The names the grid shows for a record: both come from the component type, whatever its sub-type.
struct TypeNames {
    std::string group, type;
};

TypeNames NamesOf(int typeId)
{
    ITemplateParser* parser = GetTemplateParser();
    const SCompTemplate* tmpl = parser->GetCompTemplate({typeId, -1});
    if (!tmpl)
        return {};
    const SCompGroupInfo* group = parser->GetCompGroup(tmpl->nGroupId);
    return {group ? Narrow(group->strDisplayName) : std::string(), Narrow(tmpl->strName)};
}

// The default each record is held against: the n-th record of a key against the n-th of the same
// key among the defaults, as diff pairs them; null where the defaults have no such record.
std::vector<const CString*> DefaultsOf(const RuleDoc& doc, const RuleLibrary& library)
{
    std::vector<const CString*> result(doc.rules.size(), nullptr);
    const RuleIndex docIndex(doc.rules);
    const RuleIndex& defaultIndex = library.Index();
    const RuleDoc& defaults = library.Defaults();
    for (std::size_t i = 0; i < doc.rules.size(); ++i) {
        if (!docIndex.IsFirst(i))
            continue;
        std::size_t d = defaultIndex.First(doc.rules[i].key);
        for (std::size_t r = i; r != RuleIndex::npos && d != RuleIndex::npos; r = docIndex.Next(r)) {
            result[r] = &defaults.rules[d].value;
            d = defaultIndex.Next(d);
        }
    }
    return result;
}

// A value's display text and its stored code beside it; the code alone when there is no text.
std::string ValueHtml(const Rule& rule, const CString& value)
{
    const std::string code = Narrow(value);
    const std::string text = ShowText(rule.key.comp, rule.key.item, rule.key.rule, value);
    std::string html = "<span class=\"text\">" + Escape(text.empty() ? code : text) + "</span>";
    if (code.empty() || (!text.empty() && text != code))
        html += " <span class=\"code\">" + Escape(code.empty() ? "(empty)" : code) + "</span>";
    return html;
}

constexpr const char* kStyle = R"(
@page { size: A4 landscape; margin: 12mm; }
body { font: 13px/1.45 "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC", sans-serif;
       color: #111; margin: 24px; }
h1 { font-size: 20px; margin: 0 0 8px; }
h1 .sub { color: #555; font-weight: normal; }
dl.head { display: grid; grid-template-columns: max-content auto; gap: 2px 16px; margin: 0 0 10px; }
dl.head dt { color: #555; }
dl.head dd { margin: 0; }
p.legend { margin: 0 0 12px; color: #333; }
table.rules { border-collapse: collapse; width: 100%; }
table.rules th, table.rules td { border: 1px solid #9a9a9a; padding: 3px 7px; text-align: left; vertical-align: top; }
table.rules thead th { background: #e6e9ee; }
table.rules thead { display: table-header-group; }
table.rules tr { break-inside: avoid; page-break-inside: avoid; }
td.group, td.type, td.item { background: #f6f7f9; }
td.group, td.type, td.item, td.rule, table.rules th:not(:last-child) { white-space: nowrap; width: 1%; }
.code { color: #666; font-family: "DejaVu Sans Mono", monospace; font-size: 90%; }
.mark { font-weight: bold; }
td.value.changed { background: #fff0b8; border-left: 4px solid #b07800; }
td.value.changed .text { font-weight: 600; }
.default { color: #444; font-size: 90%; }
@media print {
  body { margin: 0; font-size: 9pt; }
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
)";

} // namespace

std::string ReportHtml(const RuleDoc& doc, const RuleLibrary& library, const ReportHead& head)
{
    const std::vector<const CString*> defaultOf = DefaultsOf(doc, library);
    std::unordered_map<int, TypeNames> names;
    auto namesOf = [&names](int typeId) -> const TypeNames& {
        auto it = names.find(typeId);
        if (it == names.end())
            it = names.emplace(typeId, NamesOf(typeId)).first;
        return it->second;
    };

    // Which of the first three columns start a new block in each row, as the grid decides it: a
    // new group starts a new type and item, a new type a new item. A block's cell spans its rows.
    const std::size_t rows = doc.rules.size();
    std::vector<std::array<bool, 3>> starts(rows);
    std::size_t changed = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        const TypeNames& now = namesOf(doc.rules[r].key.comp.nTypeId);
        const TypeNames* before = r ? &namesOf(doc.rules[r - 1].key.comp.nTypeId) : nullptr;
        const bool group = !before || now.group != before->group;
        const bool type = group || now.type != before->type;
        starts[r] = {group, type, type || doc.rules[r].key.item != doc.rules[r - 1].key.item};
        if (!defaultOf[r] || *defaultOf[r] != doc.rules[r].value)
            ++changed;
    }
    std::vector<std::array<std::size_t, 3>> span(rows);
    std::array<std::size_t, 3> open{};
    for (std::size_t r = rows; r-- > 0;) {
        for (std::size_t c = 0; c < 3; ++c) {
            ++open[c];
            if (starts[r][c]) {
                span[r][c] = open[c];
                open[c] = 0;
            }
        }
    }

    std::string html;
    html.reserve(400 * rows + 4096);
    html += "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
            Escape("计算规则数据 " + head.file) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    html += "<h1>计算规则数据 <span class=\"sub\">" + Escape(head.ruleType) + "</span></h1>\n<dl class=\"head\">\n";
    const std::pair<const char*, std::string> facts[] = {
        {"File", head.file},
        {"Version of the file", head.fileVersion},
        {"Read as", "program version " + head.programVersion +
                        (head.fileVersion == head.programVersion ? "" : " (upgraded in memory; the file is unchanged)")},
        {"Rules", std::to_string(rows) + ", of which " + std::to_string(changed) + " differ from the defaults"},
        {"Report made", head.date},
    };
    for (const auto& [label, value] : facts)
        html += "<dt>" + std::string(label) + "</dt><dd>" + Escape(value) + "</dd>\n";
    html += "</dl>\n<p class=\"legend\"><span class=\"mark\">≠</span> marks a value that differs from the "
            "installation's default, which is shown below it. Codes are the values as stored.</p>\n";

    static const char* const kColumns[] = {"group", "type", "item", "rule", "value"};
    static const char* const kTitles[] = {"大构件", "构件类型", "计算项目", "计算规则类型", "本工程默认值"};
    html += "<table class=\"rules\">\n<thead><tr>";
    for (const char* title : kTitles)
        html += std::string("<th>") + title + "</th>";
    html += "</tr></thead>\n<tbody>\n";
    for (std::size_t r = 0; r < rows; ++r) {
        const Rule& rule = doc.rules[r];
        const TypeNames& rowNames = namesOf(rule.key.comp.nTypeId);
        const std::string* texts[] = {&rowNames.group, &rowNames.type};
        const bool differs = !defaultOf[r] || *defaultOf[r] != rule.value;
        html += differs ? "<tr class=\"changed\">" : "<tr>";
        for (std::size_t c = 0; c < 3; ++c) {
            if (!starts[r][c])
                continue;
            html += std::string("<td class=\"") + kColumns[c] + "\"";
            if (span[r][c] > 1)
                html += " rowspan=\"" + std::to_string(span[r][c]) + "\"";
            html += "><span class=\"text\">" + Escape(c < 2 ? *texts[c] : Narrow(rule.key.item)) + "</span></td>";
        }
        html += "<td class=\"rule\"><span class=\"text\">" + Escape(Narrow(rule.key.rule)) + "</span></td>";
        html += differs ? "<td class=\"value changed\"><span class=\"mark\">≠</span> " : "<td class=\"value\">";
        html += ValueHtml(rule, rule.value);
        if (differs) {
            html += "<div class=\"default\">default: ";
            html += defaultOf[r] ? ValueHtml(rule, *defaultOf[r]) : "none, the installation has no such rule";
            html += "</div>";
        }
        html += "</td></tr>\n";
    }
    if (rows == 0)
        html += "<tr><td colspan=\"5\">(no rules)</td></tr>\n";
    html += "</tbody>\n</table>\n</body>\n</html>\n";
    return html;
}

} // namespace kxrule::ruleset

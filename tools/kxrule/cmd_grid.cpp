// kxrule grid: the rule table the host shows, with merged cells left blank.
#include <algorithm>
#include <array>
#include <cwchar>
#include <iostream>

#include "Command.h"
#include "RuleFileTools.h"

namespace kxrule {

namespace {

struct Options {
    std::string file;
    int type = 0;
    int layout = 0;
    bool json = false;
};

using Row = std::array<std::string, 5>;

// Cells come as (text, column) pairs after the caption pair; a row ends with its value cell
// (column 5), and a column without a cell in a row is merged with the row above.
std::vector<Row> RowsOf(const CStringArray& cells)
{
    std::vector<Row> rows;
    Row row;
    for (std::size_t i = 2; i + 1 < cells.size(); i += 2) {
        const long column = std::wcstol(cells[i + 1].c_str(), nullptr, 10);
        if (column < 1 || column > 5)
            continue;
        row[column - 1] = Narrow(cells[i]);
        if (column == 5) {
            rows.push_back(row);
            row = Row();
        }
    }
    return rows;
}

int Run(const Options& options)
{
    const auto type = CheckRuleType(options.type);
    if (!type)
        return kExitUsage;
    const OpenedRuleFile opened(options.file, *type, "");
    if (const auto& problem = opened.problem())
        return Fail(problem->message, problem->exitCode);

    CStringArray cells, titles;
    int keyColumns = 0, valueColumns = 0;
    CFaceCurRule::GetTableGridData(cells, titles, keyColumns, valueColumns, *type, CString(), options.layout);

    if (options.json) {
        nlohmann::ordered_json root;
        auto jsonTitles = nlohmann::ordered_json::array();
        for (const CString& title : titles)
            jsonTitles.push_back(Narrow(title));
        auto jsonCells = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i + 1 < cells.size(); i += 2)
            jsonCells.push_back({{"text", Narrow(cells[i])}, {"column", std::wcstol(cells[i + 1].c_str(), nullptr, 10)}});
        root["titles"] = std::move(jsonTitles);
        root["cells"] = std::move(jsonCells);
        std::cout << root.dump(2) << '\n';
        return kExitOk;
    }

    if (titles.size() < 5)
        return Fail(options.file + ": the library gave no table");
    // The titles name the columns of the component layout; the item layout puts the item first.
    Row header;
    const std::array<int, 5> order = options.layout == 0 ? std::array<int, 5>{0, 1, 2, 3, 4}
                                                         : std::array<int, 5>{2, 0, 1, 3, 4};
    for (std::size_t c = 0; c < 5; ++c)
        header[c] = Narrow(titles[order[c]]);
    const std::vector<Row> rows = RowsOf(cells);

    std::array<std::size_t, 5> width{};
    for (std::size_t c = 0; c < 5; ++c) {
        width[c] = DisplayWidth(header[c]);
        for (const Row& row : rows)
            width[c] = std::max(width[c], DisplayWidth(row[c]));
    }
    auto print = [&](const Row& row) {
        std::string line;
        for (std::size_t c = 0; c < 4; ++c)
            line += PadRight(row[c], width[c]) + "  ";
        line += row[4];
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        std::cout << line << '\n';
    };
    std::cout << (cells.empty() ? std::string() : Narrow(cells[0])) << ": " << options.file << '\n';
    print(header);
    Row rule;
    for (std::size_t c = 0; c < 5; ++c)
        rule[c] = std::string(c < 4 ? width[c] : DisplayWidth(header[c]), '-');
    print(rule);
    for (const Row& row : rows)
        print(row);
    if (rows.empty())
        std::cout << "(no rules)\n";
    return kExitOk;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "grid",
        "Show the rule table of a rule file: layout 0 by component (group, type, item), layout 1 by\n"
        "calculation item first. A blank cell is merged with the one above it. The file is read through a\n"
        "private copy and stays unchanged.\n\n"
        "Example:\n"
        "  kxrule grid proj/QDRule.xml --type 0 --layout 1\n"
        "  kxrule grid proj/QDRule.xml --type 0 --json");
    cmd->add_option("FILE", options.file, "Rule file")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_option("--layout", options.layout, "0 by component (default), 1 by calculation item")
        ->check(CLI::IsMember({0, 1}));
    cmd->add_flag("--json", options.json, "Print JSON: {titles:[...],cells:[{text,column}]}");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); });
    });
}

const bool registered = RegisterCommand(40, &Register);

} // namespace

} // namespace kxrule

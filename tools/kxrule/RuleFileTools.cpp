// Shared helpers of the rule-file subcommands.
#include "RuleFileTools.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <iostream>
#include <random>

#include <kxhost/HostServices.h>
#include <kxhost/KxHost.h>

#include "platform/Platform.h"
#include "platform/Terminal.h"
#include "platform/Xml.h"

#include <libxml/xmlreader.h>

namespace kxrule {

namespace {

const char* const kRootName = "工程数据";
// Groups, components, items and rules below the document element.
constexpr int kRuleDepth = 4;

std::string AttrOf(const xmlNode* node, const char* name, bool& present)
{
    kx::xml::CharPtr value(xmlGetProp(node, reinterpret_cast<const xmlChar*>(name)));
    present = value != nullptr;
    return present ? reinterpret_cast<const char*>(value.get()) : std::string();
}

std::string NodeName(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

// Element children only; the library rewrites a file without comments.
template <typename Fn>
void ForEachElement(const xmlNode* parent, Fn fn)
{
    for (const xmlNode* child = parent->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            fn(child);
    }
}

} // namespace

std::optional<FileProblem> CheckRuleFile(const fs::path& path, RuleFileHead& head)
{
    const std::string shown = path.string();
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return FileProblem{shown + ": is a folder, not a rule file", kExitUsage};
    if (!fs::exists(path, ec))
        return FileProblem{shown + ": no such file", kExitUsage};
    if (!fs::is_regular_file(path, ec))
        return FileProblem{shown + ": not a regular file", kExitUsage};
    std::string bytes;
    if (!kx::platform::ReadFile(shown, bytes))
        return FileProblem{shown + ": cannot read the file (permissions?)", kExitFailed};

    // Parsed as the library parses a rule file: its records go to a flat outline, not into nodes,
    // which for a 100,000-rule file costs a fraction of a tree.
    kx::xml::ParseError error;
    kx::xml::Outline outline;
    kx::xml::DocPtr doc = kx::xml::ParseMemory(bytes, kRuleDepth, outline, &error);
    if (!doc)
        return FileProblem{shown + ": not a rule file: not well-formed XML (line " + std::to_string(error.line) +
                               ": " + error.message + ")",
                           kExitFailed, true};
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root || NodeName(root) != kRootName)
        return FileProblem{shown + ": not a rule file: the document element is <" +
                               (root ? NodeName(root) : std::string()) + ">, expected <" + kRootName + ">",
                           kExitFailed, true};
    bool present = false;
    const std::string ruleType = AttrOf(root, "ruletype", present);
    if (!present)
        return FileProblem{shown + ": not a rule file: <" + std::string(kRootName) + "> has no ruletype attribute",
                           kExitFailed, true};
    if (ruleType != "1")
        return FileProblem{shown + ": not a rule file: ruletype is \"" + ruleType + "\", expected \"1\"",
                           kExitFailed, true};
    head.version = AttrOf(root, "RuleVer", present);
    head.oldFormat = !present;
    return std::nullopt;
}

namespace {

// CheckRuleFile from the file's opening alone: a streaming reader stops at the document element,
// so a 100,000-rule file is not parsed twice; the library's load parses the rest. Anything out of
// the ordinary gets CheckRuleFile's verdict.
std::optional<FileProblem> CheckRuleFileHead(const fs::path& path, RuleFileHead& head)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return CheckRuleFile(path, head);
    std::unique_ptr<xmlTextReader, decltype(&xmlFreeTextReader)> reader(
        xmlReaderForFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR),
        &xmlFreeTextReader);
    while (reader && xmlTextReaderRead(reader.get()) == 1) {
        if (xmlTextReaderNodeType(reader.get()) != XML_READER_TYPE_ELEMENT)
            continue;
        const xmlChar* name = xmlTextReaderConstName(reader.get());
        kx::xml::CharPtr ruleType(xmlTextReaderGetAttribute(reader.get(), kx::xml::X("ruletype")));
        if (!name || std::string(reinterpret_cast<const char*>(name)) != kRootName || !ruleType ||
            std::string(reinterpret_cast<const char*>(ruleType.get())) != "1")
            break;
        kx::xml::CharPtr version(xmlTextReaderGetAttribute(reader.get(), kx::xml::X("RuleVer")));
        head.oldFormat = !version;
        head.version = version ? reinterpret_cast<const char*>(version.get()) : "";
        return std::nullopt;
    }
    return CheckRuleFile(path, head);
}

} // namespace

bool LoadTemplates(std::string& error)
{
    const CString sysDir = ISysCache::GetKXSysDir();
    ITemplateParser* parser = GetTemplateParser();
    if (!parser->Init(sysDir)) {
        error = "cannot load the templates of the system folder " + Narrow(sysDir) + ": " +
                Narrow(KxHost::LastTemplateError());
        return false;
    }
    std::vector<SCompGroupInfo*> groups;
    parser->GetCompGroups(groups, true);
    if (groups.empty()) {
        error = "the templates of the system folder " + Narrow(sysDir) + " define no component groups";
        return false;
    }
    return true;
}

void RouteMessagesToStderr()
{
    KxSysRule::SetMessageBoxHandler([](const CString& text) { std::cerr << "kxrule: " << Narrow(text) << '\n'; });
}

namespace {

bool HasXmlExtension(const fs::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".xml";
}

std::vector<fs::path> XmlFilesBelow(const fs::path& dir)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file(ec) && HasXmlExtension(it->path()))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int CheckPathsExist(const std::vector<std::string>& paths, int code)
{
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!fs::exists(path, ec))
            return Fail(path + ": no such file or folder", code);
    }
    return kExitOk;
}

bool CollectFiles(const std::vector<std::string>& paths, std::vector<FileJob>& jobs, std::string& error)
{
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            jobs.push_back({path, false});
            continue;
        }
        const auto files = XmlFilesBelow(path);
        if (files.empty()) {
            error = path + ": no .xml files in this folder";
            return false;
        }
        for (const fs::path& file : files)
            jobs.push_back({file, true});
    }
    return true;
}

Progress::Progress(std::size_t total, std::string verb)
    : m_total(total), m_verb(std::move(verb)), m_enabled(kx::platform::StderrIsTerminal())
{
}

Progress::~Progress()
{
    if (m_shown)
        std::cerr << "\r\033[K" << std::flush;
}

void Progress::Update(std::size_t done, const std::string& file)
{
    using namespace std::chrono;
    const auto now = steady_clock::now();
    if (!m_enabled || now - m_start < seconds(1) || now - m_last < milliseconds(100))
        return;
    m_last = now;
    m_shown = true;
    std::cerr << "\r\033[K" << m_verb << ' ' << done + 1 << "/" << m_total << ": " << file << std::flush;
}

fs::path MakeTempDir(const std::string& prefix)
{
    std::random_device device;
    std::mt19937_64 random(device() ^ static_cast<std::uint64_t>(
                                          std::chrono::steady_clock::now().time_since_epoch().count()));
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = base / (prefix + std::to_string(random() % 1000000000ULL));
        std::error_code ec;
        if (fs::create_directory(dir, ec))
            return dir;
    }
    return {};
}

TempRuleCopy::TempRuleCopy(const fs::path& source)
{
    m_dir = MakeTempDir("kxrule-");
    if (m_dir.empty())
        return;
    const fs::path target = m_dir / "rule.xml";
    std::error_code ec;
    fs::copy_file(source, target, ec);
    if (!ec)
        m_file = target;
}

TempRuleCopy::~TempRuleCopy()
{
    if (m_dir.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_dir, ec);
}

int Guarded(const std::function<int()>& run, int code)
{
    try {
        return run();
    } catch (const std::exception& e) {
        return Fail(std::string("the library failed: ") + e.what(), code);
    }
}

namespace {

// The library's document slot is a process-wide state; each load gets a path of its own so the
// "same file" refusal of InitXMLData never applies.
bool LoadCopy(const TempRuleCopy& copy, const RuleFileHead& original, KxSysRule::RuleType type, std::string& error)
{
    if (!copy.ok()) {
        error = "cannot make a working copy in " + fs::temp_directory_path().string();
        return false;
    }
    const CString path = Wide(copy.file().string());
    CFaceCurRule::InitXMLData(path, type);
    if (CFaceCurRule::GetCurFileName(type) != path) {
        error = "the library could not read the file";
        return false;
    }
    // A file older than the program is rewritten only after its sync with the default rules.
    const CString program = CISysdata::GetVersion();
    if (!original.oldFormat && CStringDisposeTool::CompareVersion(Wide(original.version), program, 3) >= 0)
        return true;
    RuleFileHead head;
    if (CheckRuleFile(copy.file(), head) ||
        CStringDisposeTool::CompareVersion(Wide(head.version), program, 3) < 0) {
        error = "cannot bring the file up to version " + Narrow(program) +
                ": the templates deliver no default rules";
        return false;
    }
    return true;
}

} // namespace

OpenedRuleFile::OpenedRuleFile(const fs::path& file, KxSysRule::RuleType type, const std::string& tail,
                               bool loadTemplates)
{
    if ((m_problem = CheckRuleFileHead(file, m_head)))
        return;
    std::string error;
    if (loadTemplates) {
        RouteMessagesToStderr();
        if (!LoadTemplates(error)) {
            m_problem = FileProblem{error};
            return;
        }
    }
    m_copy.emplace(file);
    if (LoadCopy(*m_copy, m_head, type, error))
        return;
    // The library refused what the opening promised; the whole file's check says why, if it can.
    RuleFileHead whole;
    m_problem = CheckRuleFile(file, whole);
    if (!m_problem)
        m_problem = FileProblem{file.string() + ": " + error + tail};
}

int WriteOutput(const std::string& output, const std::string& text, const std::string& wrote)
{
    if (output.empty() || output == "-") {
        std::cout << text;
        return kExitOk;
    }
    if (!kx::platform::WriteFileAtomic(output, text))
        return Fail(output + ": cannot write the file");
    std::cout << wrote << '\n';
    return kExitOk;
}

std::string SaveFailure(const TempRuleCopy& copy, const std::string& target, KxSysRule::RuleType type)
{
    if (copy.ok() && !CFaceCurRule::SaveXMLData(Wide(copy.file().string()), type))
        return target + ": the library cannot write these rules back (a comment or text among the rule elements?)";
    return target + ": cannot write the file (read-only folder or disk full?)";
}

bool SummariseRuleFile(const fs::path& path, RuleFileSummary& summary)
{
    if (CheckRuleFile(path, summary.head))
        return false;
    kx::xml::DocPtr doc = kx::xml::ParseFile(path.string());
    if (!doc)
        return false;
    ITemplateParser* parser = GetTemplateParser();
    summary.rules = 0;
    summary.types.clear();
    ForEachElement(xmlDocGetRootElement(doc.get()), [&](const xmlNode* group) {
        ForEachElement(group, [&](const xmlNode* comp) {
            RuleFileSummary::Type type;
            type.name = NodeName(comp);
            if (const SCompTemplate* tmpl = parser->GetCompTemplateByName(Wide(type.name)))
                type.typeId = tmpl->nTypeId;
            ForEachElement(comp, [&](const xmlNode* item) {
                ForEachElement(item, [&](const xmlNode*) { ++type.rules; });
            });
            if (type.rules > 0) {
                summary.rules += type.rules;
                summary.types.push_back(type);
            }
        });
    });
    return true;
}

std::string KeyText(const NS_KXComponentType::SCompGroupType& key)
{
    return key.nSubTypeId == -1 ? std::to_string(key.nTypeId)
                                : std::to_string(key.nTypeId) + ":" + std::to_string(key.nSubTypeId);
}

std::string ComponentName(const NS_KXComponentType::SCompGroupType& key)
{
    const SCompTemplate* tmpl = GetTemplateParser()->GetCompTemplate(key);
    return tmpl ? Narrow(tmpl->strName) : std::string();
}

std::vector<CString> TemplateItems(const NS_KXComponentType::SCompGroupType& key)
{
    std::vector<CString> items;
    const SCompTemplate* tmpl = GetTemplateParser()->GetCompTemplate({key.nTypeId, -1});
    if (!tmpl)
        return items;
    auto add = [&items](const SCompTemplate& t) {
        for (const SCalItemTemplate& item : t.vecCalItems) {
            if (std::find(items.begin(), items.end(), item.strName) == items.end())
                items.push_back(item.strName);
        }
    };
    add(*tmpl);
    for (const SCompTemplate* sub : tmpl->vecSubTemplates) {
        if (sub)
            add(*sub);
    }
    return items;
}

std::string ShowText(const NS_KXComponentType::SCompGroupType& key, const CString& item, const CString& rule,
                     const CString& value)
{
    sCalItemDir dir;
    dir.compType = key;
    dir.strCalItem = item;
    dir.strRuleName = rule;
    CString text;
    if (!CFaceCurRule::GetShowRuleText(dir, value, text))
        return {};
    // List texts end in a blank after every entry.
    while (!text.empty() && text.back() == L' ')
        text.pop_back();
    return Narrow(text);
}

std::size_t DisplayWidth(const std::string& utf8)
{
    std::size_t width = 0;
    for (const wchar_t c : Wide(utf8)) {
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                          (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
        width += wide ? 2 : 1;
    }
    return width;
}

std::string PadRight(const std::string& utf8, std::size_t width)
{
    const std::size_t have = DisplayWidth(utf8);
    return have >= width ? utf8 : utf8 + std::string(width - have, ' ');
}

void PrintRules(const std::vector<RuleLine>& rules, const std::string& indent)
{
    std::size_t nameWidth = 0, valueWidth = 0;
    for (const RuleLine& rule : rules) {
        nameWidth = std::max(nameWidth, DisplayWidth(rule.name));
        valueWidth = std::max(valueWidth, DisplayWidth(rule.value));
    }
    for (const RuleLine& rule : rules) {
        std::string line = indent + PadRight(rule.name, nameWidth) + " = " + PadRight(rule.value, valueWidth);
        if (!rule.text.empty() && rule.text != rule.value)
            line += "  " + rule.text;
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        std::cout << line << '\n';
    }
}

std::optional<KxSysRule::RuleType> CheckRuleType(int value)
{
    const auto type = ParseRuleType(value);
    if (!type)
        Fail("--type must be 0 (bill-of-quantities rules), 1 (quota rules) or 2 (other rules), not " +
                 std::to_string(value),
             kExitUsage);
    return type;
}

std::optional<NS_KXComponentType::SCompGroupType> CheckCompKey(const std::string& text)
{
    const auto key = ParseCompKey(text);
    if (!key)
        Fail("--comp must be a component type id, optionally with a sub-type id: TYPE or TYPE:SUB (such as 12 "
             "or 12:3), not \"" + text + "\"",
             kExitUsage);
    else if (key->nTypeId == -1)
        Fail("--comp: the component type id -1 names no component", kExitUsage);
    else
        return key;
    return std::nullopt;
}

} // namespace kxrule

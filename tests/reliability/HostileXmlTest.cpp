// Hostile and damaged XML met where a host meets it: a project's rule file (InitXMLData), its
// DefaultDeFenLeiSet.xml (ReadDeFenLeiSetInfo) and an installation's Templates.xml (the template
// parser's Init). Each case says whether the file is refused or read, and every case checks that
// no local file leaked into what the library hands out, that no connection was made, that a
// refused rule file was not rewritten and that a read one was rewritten into a loadable file.
#include <cerrno>
#include <iconv.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "ReliabilityFixture.h"

namespace reltest {
namespace {

enum class Outcome { Refused, Read };
enum class Slot {
    Value,  // a rule's value, a classification key, a unit list
    Attr,   // an attribute in each: the rule's initype, the key, the unit list
    Markup, // content of the document element
};

constexpr Outcome kRead = Outcome::Read, kRefused = Outcome::Refused;
constexpr Slot kValue = Slot::Value, kAttr = Slot::Attr, kMarkup = Slot::Markup;

const char* Name(Outcome o) { return o == Outcome::Refused ? "refused" : "read"; }

// A listening socket on the loopback interface: a parser that fetches a URL on it shows up as a
// connection waiting to be accepted.
class Listener {
public:
    Listener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 16) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            throw std::runtime_error("no loopback socket");
        m_url = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
    }
    ~Listener() { ::close(m_fd); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    const std::string& Url() const { return m_url; }

    bool Contacted() const
    {
        const int fd = ::accept(m_fd, nullptr, nullptr);
        if (fd < 0)
            return errno != EAGAIN && errno != EWOULDBLOCK;
        ::close(fd);
        return true;
    }

private:
    int m_fd = -1;
    std::string m_url;
};

std::string Encode(const std::string& utf8, const char* encoding)
{
    iconv_t cd = ::iconv_open(encoding, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no encoding ") + encoding);
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outp = out.data();
    std::size_t outLeft = out.size();
    const std::size_t done = ::iconv(cd, &in, &inLeft, &outp, &outLeft);
    ::iconv_close(cd);
    if (done == static_cast<std::size_t>(-1))
        throw std::runtime_error("cannot encode");
    out.resize(out.size() - outLeft);
    return out;
}

// An element with `n` attributes.
std::string Attributes(int n)
{
    std::string tag = "<a ";
    for (int i = 0; i < n; ++i)
        tag.append("a").append(std::to_string(i)).append("=\"\" ");
    return tag + "/>";
}

std::string Repeat(const std::string& s, std::size_t n)
{
    std::string out;
    out.reserve(s.size() * n);
    for (std::size_t i = 0; i < n; ++i)
        out += s;
    return out;
}

std::string Decl(const std::string& encoding) { return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n"; }

struct HostileCase {
    std::string name;
    std::string doctype; // "ROOT" stands for the document element's name
    std::string payload;
    Slot slot = Slot::Value;
    Outcome rule = Outcome::Refused, fenlei = Outcome::Refused, templates = Outcome::Refused;
    // The XML declaration and the bytes of the whole file.
    std::string declaration = Decl("UTF-8");
    std::string (*encode)(const std::string&) = nullptr;
};

std::string WithRoot(std::string doctype, const std::string& root)
{
    for (std::size_t p; (p = doctype.find("ROOT")) != std::string::npos;)
        doctype.replace(p, 4, root);
    return doctype;
}

class HostileXml : public ReliabilityTest {
protected:
    void SetUp() override
    {
        ReliabilityTest::SetUp();
        WriteBytes(m_dir / "secret.txt", "SECRET-" + std::to_string(::getpid()));
        m_secretUrl = "file://" + (m_dir / "secret.txt").string();
    }

    // The document `root` with the case's declaration and doctype around `body`, or around the
    // payload itself where the case puts it among the markup.
    static std::string Document(const HostileCase& c, const std::string& root, const std::string& attrs,
                                const std::string& body)
    {
        const std::string text = c.declaration + WithRoot(c.doctype, root) + "<" + root + attrs + ">" +
                                 (c.slot == Slot::Markup ? c.payload : body) + "</" + root + ">\n";
        return c.encode ? c.encode(text) : text;
    }

    // What the library hands out must never hold a local file's content.
    static void ExpectNoLeak(const std::string& text)
    {
        EXPECT_EQ(text.find("SECRET-"), std::string::npos);
        EXPECT_EQ(text.find("root:"), std::string::npos);
    }

    void Check(const std::vector<HostileCase>& cases)
    {
        for (const HostileCase& c : cases)
            Check(c);
    }

    void Check(const HostileCase& c)
    {
        SCOPED_TRACE(c.name);
        const bool attr = c.slot == Slot::Attr;
        {
            SCOPED_TRACE(std::string("rule file, expected ") + Name(c.rule));
            const std::string bytes = Document(c, "工程数据", " ruletype=\"1\" RuleVer=\"25.1.0\"",
                                               "<ZhuTi><框架梁0><体积><扣减项目 selecttype=\"M\" initype=\"" +
                                                   (attr ? c.payload : "KouJ") + "\">" + (attr ? "1" : c.payload) +
                                                   "</扣减项目></体积></框架梁0></ZhuTi>");
            WriteBytes(RulePath(), bytes);
            CCurRuleObj::ReleaseInstance();
            const bool loaded = Load(RulePath());
            EXPECT_EQ(loaded, c.rule == Outcome::Read);
            CStringArray rules;
            CFaceCurRule::GetCurItemRules({100, -1}, rules, L"体积", kQD);
            for (const CString& rule : rules)
                ExpectNoLeak(U8(rule));
            ExpectNoLeak(ReadBytes(RulePath()));
            if (loaded) {
                // The rewrite that every load makes is a rule file that loads again.
                CFaceCurRule::InitXMLData(W(RulePath()), KxSysRule::Rule_DingE);
                EXPECT_EQ(CFaceCurRule::GetCurFileName(KxSysRule::Rule_DingE), W(RulePath()));
            } else {
                EXPECT_TRUE(ReadBytes(RulePath()) == bytes) << "a refused file was rewritten";
            }
            EXPECT_EQ(Listing(Proj()), std::set<std::string>{"QDRule.xml"});
        }
        {
            SCOPED_TRACE(std::string("DefaultDeFenLeiSet.xml, expected ") + Name(c.fenlei));
            WriteBytes(FenLeiPath(), Document(c, "DeFenLeiSetInfo", "",
                                              "<Comp TypeId=\"41\" SubTypeId=\"-1\"><砖基础><Var VarKey=\"" +
                                                  c.payload + "\"/></砖基础></Comp>"));
            CKXCurDeFenLeiSet::ClearCacheData();
            CKXCurDeFenLeiSet::FenLeiMap map;
            EXPECT_EQ(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(map), c.fenlei == Outcome::Read);
            for (const auto& [key, items] : map) {
                for (const auto& item : items) {
                    for (const CString& var : item.vecVarKey)
                        ExpectNoLeak(U8(var));
                }
            }
            kxtest::fs::remove(FenLeiPath());
        }
        {
            SCOPED_TRACE(std::string("Templates.xml, expected ") + Name(c.templates));
            WriteBytes(Sys() / "Template" / "Templates.xml",
                       Document(c, "Templates", "",
                                "<Group id=\"1\" name=\"ZhuTi\"><Comp name=\"框架梁0\" type=\"100\"><Item name=\"体积\" units=\"" +
                                    c.payload + "\"/></Comp></Group>"));
            EXPECT_EQ(GetTemplateParser()->Init(W(Sys())), c.templates == Outcome::Read) << U8(KxHost::LastTemplateError());
            ExpectNoLeak(U8(GetTemplateParser()->GetCalItemUnits({100, -1}, L"体积")));
            // Put the installation back for the next case.
            WriteBytes(Sys() / "Template" / "Templates.xml", Templates());
            ASSERT_TRUE(GetTemplateParser()->Init(W(Sys())));
        }
        EXPECT_FALSE(m_listener.Contacted());
    }

    std::string m_secretUrl;
    const Listener m_listener;
    const std::string& m_net = m_listener.Url();
};

TEST_F(HostileXml, ExternalResourcesAreNeverFetched)
{
    const std::vector<HostileCase> cases = {
        {"external entity, /etc/passwd", "<!DOCTYPE ROOT [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n", "&x;"},
        {"external entity, a file beside", "<!DOCTYPE ROOT [<!ENTITY x SYSTEM \"" + m_secretUrl + "\">]>\n", "&x;"},
        {"external entity, relative path", "<!DOCTYPE ROOT [<!ENTITY x SYSTEM \"../secret.txt\">]>\n", "&x;"},
        {"external entity, network", "<!DOCTYPE ROOT [<!ENTITY x SYSTEM \"" + m_net + "/x\">]>\n", "&x;"},
        {"public external entity, network", "<!DOCTYPE ROOT [<!ENTITY x PUBLIC \"-//X//Y\" \"" + m_net + "/p\">]>\n", "&x;"},
        {"unparsed entity, network",
         "<!DOCTYPE ROOT [<!NOTATION n SYSTEM \"x\"><!ENTITY x SYSTEM \"" + m_net + "/u\" NDATA n>]>\n", "1"},
        // The external subset is not loaded at all, so nothing is asked of it and the file reads.
        {"external DTD subset, network", "<!DOCTYPE ROOT SYSTEM \"" + m_net + "/x.dtd\">\n", "1", kValue, kRead, kRead, kRead},
        {"external DTD subset, /etc/passwd", "<!DOCTYPE ROOT SYSTEM \"file:///etc/passwd\">\n", "1", kValue, kRead, kRead,
         kRead},
        {"external parameter entity, /etc/passwd",
         "<!DOCTYPE ROOT [<!ENTITY % p SYSTEM \"file:///etc/passwd\"> %p;]>\n", "1"},
        {"external parameter entity, network", "<!DOCTYPE ROOT [<!ENTITY % p SYSTEM \"" + m_net + "/p.dtd\"> %p;]>\n",
         "1"},
        {"internal parameter entity declaring an external one",
         "<!DOCTYPE ROOT [<!ENTITY % d \"<!ENTITY x SYSTEM '" + m_secretUrl + "'>\"> %d;]>\n", "&x;"},
        // Not processed: an element like any other, which the settings reader cannot take as a group.
        {"XInclude of a local file", "",
         "<xi:include xmlns:xi=\"http://www.w3.org/2001/XInclude\" href=\"" + m_secretUrl + "\" parse=\"text\"/>",
         kMarkup, kRead, kRefused, kRead},
    };
    Check(cases);
}

TEST_F(HostileXml, InternalEntitiesAreExpandedWithinLimits)
{
    std::string laughs = "<!DOCTYPE ROOT [<!ENTITY l0 \"hahahahahahahahahaha\">";
    for (int i = 1; i <= 9; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + Repeat("&l" + std::to_string(i - 1) + ";", 10) + "\">";
    laughs += "]>\n";
    const std::string big(100000, 'a');
    const std::vector<HostileCase> cases = {
        // Plain internal entities are expanded as any DOM would.
        {"internal entity", "<!DOCTYPE ROOT [<!ENTITY e \"1,2\">]>\n", "&e;", kValue, kRead, kRead, kRead},
        {"internal parameter entity", "<!DOCTYPE ROOT [<!ENTITY % d \"<!ENTITY e '1'>\"> %d;]>\n", "&e;",
         kValue, kRead, kRead, kRead},
        {"billion laughs", laughs, "&l9;"},
        {"billion laughs in an attribute", laughs, "&l9;", kAttr},
        {"quadratic blowup", "<!DOCTYPE ROOT [<!ENTITY e \"" + big + "\">]>\n", Repeat("&e;", 20000)},
        {"quadratic blowup in an attribute", "<!DOCTYPE ROOT [<!ENTITY e \"" + big + "\">]>\n", Repeat("&e;", 20000),
         kAttr},
        // Below libxml2's own amplification checks, yet hours of copying without a budget.
        {"5 MB from a small entity", "<!DOCTYPE ROOT [<!ENTITY e \"" + std::string(1000, 'a') + "\">]>\n",
         Repeat("&e;", 5000)},
        {"200,000 references", "<!DOCTYPE ROOT [<!ENTITY e \"" + std::string(100, 'a') + "\">]>\n",
         Repeat("&e;", 200000)},
        {"five hundred references", "<!DOCTYPE ROOT [<!ENTITY e \"" + std::string(100, 'a') + "\">]>\n",
         Repeat("&e;", 500), kValue, kRead, kRead, kRead},
        {"recursive entity", "<!DOCTYPE ROOT [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]>\n", "&a;"},
    };
    Check(cases);
}

std::string ToGb18030(const std::string& s) { return Encode(s, "GB18030"); }
std::string ToUtf16(const std::string& s) { return "\xFF\xFE" + Encode(s, "UTF-16LE"); }

TEST_F(HostileXml, OversizedStructuresAreRefused)
{
    constexpr std::size_t kLevels = 100000;
    const std::vector<HostileCase> cases = {
        {"100,000 levels deep", "", Repeat("<a>", kLevels) + Repeat("</a>", kLevels), kMarkup},
        {"100,000 levels deep, unclosed", "", Repeat("<a>", kLevels), kMarkup},
        {"50 MB attribute", "", std::string(50u << 20, 'x'), kAttr},
        // Text in one run is taken whole (an attribute is limited to 10 MB)...
        {"20 MB text", "", std::string(20u << 20, 'x'), kValue, kRead},
        // ...but text in pieces stops at 10 MB without the parser calling the file ill-formed: a
        // rule file cut there would be rewritten without its rest.
        {"12 MB text in two pieces", "", std::string(6u << 20, 'x') + "&#x4E2D;" + std::string(6u << 20, 'x')},
        {"1 MB name", "", "<" + std::string(1u << 20, 'x') + "/>", kMarkup},
        // libxml2 compares the attributes of a tag pairwise: a million would take hours.
        {"a million attributes", "", Attributes(1000000), kMarkup},
        // Counted as the parser will decode the file, whatever its encoding.
        {"100,000 attributes, UTF-16", "", Attributes(100000), kMarkup, kRefused, kRefused, kRefused, Decl("UTF-16"),
         ToUtf16},
        {"100,000 attributes, GB18030", "", Attributes(100000), kMarkup, kRefused, kRefused, kRefused, Decl("GB18030"),
         ToGb18030},
        // The limit leaves room: a tag of a thousand attributes (and '=' in quoted values) reads.
        {"a thousand attributes", "", [] {
             std::string xml = "<Comp TypeId=\"1\" SubTypeId=\"-1\" ";
             for (int i = 2; i < 1000; ++i)
                 xml.append("a").append(std::to_string(i)).append("=\"=\" ");
             return xml + "><砖基础><Var VarKey=\"k\"/></砖基础></Comp>";
         }(),
         kMarkup, kRead, kRead, kRead},
    };
    Check(cases);
}

TEST_F(HostileXml, DamagedTextAndMisdeclaredEncodings)
{
    const std::vector<HostileCase> cases = {
        {"invalid UTF-8 in a value", "", "1\xFF\xFE,2\xC0\x80", kValue},
        {"invalid UTF-8 in an attribute", "", "K\xED\xA0\x80", kAttr},
        {"truncated UTF-8 sequence at the end", "", "1,\xE5\xB7", kValue},
        {"NUL byte", "", std::string("1\0,2", 4), kValue},
        {"control character reference", "", "1&#1;2", kValue},
        {"declared UTF-8, written in GB18030", "", "1,2", kValue, kRefused, kRefused, kRefused, Decl("UTF-8"),
         ToGb18030},
        {"no declaration, written in GB18030", "", "1,2", kValue, kRefused, kRefused, kRefused, "", ToGb18030},
        {"declared GB18030, written in UTF-8", "", "1,2", kValue, kRefused, kRefused, kRefused, Decl("GB18030")},
        {"declared UTF-16, written in UTF-8", "", "1,2", kValue, kRefused, kRefused, kRefused, Decl("UTF-16")},
        {"declared UTF-8, written in UTF-16 with a byte-order mark", "", "1,2", kValue, kRead, kRead, kRead,
         Decl("UTF-8"), ToUtf16},
        {"declared an unknown encoding", "", "1,2", kValue, kRefused, kRefused, kRefused, Decl("x-no-such-code")},
        // Read as Latin-1, the Chinese names are no names any more.
        {"declared ISO-8859-1, written in UTF-8", "", "1,2", kValue, kRefused, kRefused, kRefused, Decl("ISO-8859-1")},
        {"declared EBCDIC, written in UTF-8", "", "1,2", kValue, kRefused, kRefused, kRefused, Decl("EBCDIC-US")},
    };
    Check(cases);
}

} // namespace
} // namespace reltest

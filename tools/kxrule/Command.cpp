// The helpers every subcommand shares: host folders, text conversion, messages and parsing.
#include <iostream>

#include <kxhost/KxHost.h>

#include "Command.h"
#include "platform/Platform.h"

namespace kxrule {

void Context::ApplyDirs() const
{
    if (!sysDir.empty())
        KxHost::SetKXSysDir(Wide(sysDir));
    if (!projDir.empty())
        KxHost::SetCurProjDir(Wide(projDir));
}

CString Wide(const std::string& utf8) { return kx::platform::FromUtf8(utf8); }
std::string Narrow(const CString& wide) { return kx::platform::ToUtf8(wide); }

int Fail(const std::string& message, int code)
{
    std::cerr << "kxrule: " << message << '\n';
    return code;
}

void PrintJson(const nlohmann::json& value) { std::cout << value.dump(2) << '\n'; }

std::optional<NS_KXComponentType::SCompGroupType> ParseCompKey(const std::string& text)
{
    auto parseInt = [](const std::string& s, int& out) {
        if (s.empty())
            return false;
        std::size_t used = 0;
        try {
            out = std::stoi(s, &used, 10);
        } catch (...) {
            return false;
        }
        return used == s.size();
    };
    NS_KXComponentType::SCompGroupType key;
    const std::size_t colon = text.find(':');
    if (!parseInt(text.substr(0, colon), key.nTypeId))
        return std::nullopt;
    if (colon != std::string::npos && !parseInt(text.substr(colon + 1), key.nSubTypeId))
        return std::nullopt;
    return key;
}

std::optional<KxSysRule::RuleType> ParseRuleType(int value)
{
    if (value < 0 || value > 2)
        return std::nullopt;
    return static_cast<KxSysRule::RuleType>(value);
}

} // namespace kxrule

#include "common/Message.h"

#include <cstdio>
#include <utility>

#include <kxsysrule/MessageBox.h>

#include "platform/Platform.h"
#ifdef KXSYSRULE_WITH_QT
#include "ruledlg/QtSupport.h"
#endif

namespace {
std::function<void(const CString&)>& Handler()
{
    static std::function<void(const CString&)> handler;
    return handler;
}
} // namespace

namespace KxSysRule {
void SetMessageBoxHandler(std::function<void(const CString&)> handler) { Handler() = std::move(handler); }
} // namespace KxSysRule

namespace kx {

CString LoadMessage(MessageId id)
{
    switch (id) {
    case MessageId::NoXmlParser: return L"请检查是否安装了MS XML 解析器!";
    case MessageId::SaveFailed: return L"保存计算规则文件失败!";
    case MessageId::NotRuleFile: return L"不是合法的计算规则文件!";
    }
    return {};
}

void ShowMessage(const CString& text)
{
    if (const auto& handler = Handler()) {
        handler(text);
        return;
    }
#ifdef KXSYSRULE_WITH_QT
    ruledlg::ShowMessageBox(text);
#else
    const std::string bytes = platform::ToUtf8(text);
    std::fprintf(stderr, "%s\n", bytes.c_str());
#endif
}

} // namespace kx

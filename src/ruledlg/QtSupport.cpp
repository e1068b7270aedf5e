#include "ruledlg/QtSupport.h"

#include <QApplication>
#include <QMessageBox>

namespace kx::ruledlg {

namespace {
// QApplication keeps references to argc and argv for its whole life.
int g_argc = 1;
char g_arg0[] = "KxSysRuleData";
char* g_argv[] = {g_arg0, nullptr};
} // namespace

ScopedApplication::ScopedApplication()
{
    if (QApplication::instance() == nullptr)
        m_app = std::make_unique<QApplication>(g_argc, g_argv);
}

ScopedApplication::~ScopedApplication() = default;

void ShowMessageBox(const CString& text)
{
    ScopedApplication app;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KxSysRuleData"), ToQString(text), QMessageBox::Ok);
    box.exec();
}

} // namespace kx::ruledlg

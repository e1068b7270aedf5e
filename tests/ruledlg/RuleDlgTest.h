// The dialog tests' environment: one QApplication for the program, made before the first test and
// gone after the last so that no widget outlives it; finding controls.
#pragma once

#include <memory>

#include <QApplication>

#include "common/StringUtil.h"
#include "ruledlg/CDJListBox.h"
#include "ruledlg/QtSupport.h"
#include "support/Installation.h"

namespace kxtest {

struct QtEnvironment : ::testing::Environment {
    int argc = 1;
    char arg0[13] = "test_ruledlg";
    char* argv[2] = {arg0, nullptr};
    std::unique_ptr<QApplication> app;
    void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
};
inline ::testing::Environment* const g_qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

template <class T = QWidget>
T* Ctrl(const QObject* root, int nId) { return root->findChild<T*>(QString::number(nId)); }
inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
inline CStringArray Entries(const kx::ruledlg::CDJListBox& list)
{
    CStringArray out;
    for (int i = 0; i < list.GetCount(); ++i)
        out.push_back(list.GetText(i));
    return out;
}

} // namespace kxtest

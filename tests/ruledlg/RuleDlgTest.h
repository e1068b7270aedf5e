// The dialog tests' environment: one QApplication for the program, made before the first test and
// gone after the last so that no widget outlives it; finding controls; driving a modal sheet.
#pragma once

#include <functional>
#include <memory>

#include <QApplication>
#include <QTimer>

#include "common/StringUtil.h"
#include "ruledlg/CDJListBox.h"
#include "ruledlg/CUserSetRuleSheet.h"
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

// Calls `run`, and `step` on the sheet once its modal loop runs, again after an idle pass while it
// returns true. A sheet the steps leave open is cancelled, so that a failing test cannot hang.
// True when a sheet was met.
inline bool DriveSheet(const std::function<bool(CUserSetRuleSheet&)>& step, const std::function<void()>& run)
{
    QObject context; // calls still pending when the run is over go with it
    bool bSeen = false;
    std::function<void()> next = [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* sheet = qobject_cast<CUserSetRuleSheet*>(w);
            if (sheet != nullptr && sheet->isVisible()) {
                bSeen = true;
                if (step(*sheet))
                    return QTimer::singleShot(0, &context, next);
                if (sheet->isVisible())
                    ADD_FAILURE() << "the steps left the sheet open", sheet->reject();
                return;
            }
        }
    };
    QTimer::singleShot(0, &context, next);
    run();
    return bSeen;
}

} // namespace kxtest

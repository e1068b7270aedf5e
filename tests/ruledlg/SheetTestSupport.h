// The sheet tests: a small installation of our own in a temporary folder, and driving the modal
// sheet from inside its loop.
#pragma once

#include <functional>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

#include "ruledlg/CPageMultiSelect.h"
#include "ruledlg/CUserSetRuleSheet.h"
#include "ruledlg/DialogTemplates.h"
#include "RuleDlgTest.h"
#include "sysrule/CSysDefRule.h"

namespace kxtest {

// The data's 框架梁, which has default rules for 体积 and 实体模板.
inline const NS_KXComponentType::SCompGroupType kBeam{12, -1};

// tests/data/ruledlg copied into a temporary folder and made the system folder; the system rules
// are read afresh for every test.
class SheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::copy(TestDataDir() / "ruledlg", dir.path(), fs::copy_options::recursive);
        KxHost::SetKXSysDir(W(dir / "sys"));
        KxHost::SetVersion(L"25.1.0");
        CSysDefRule::ReleaseInstance();
    }
    void TearDown() override
    {
        CSysDefRule::ReleaseInstance();
        KxHost::SetKXSysDir(L"");
        KxHost::SetVersion(L"");
    }
    // Loads the project's bill-of-quantities rules, the document a restore reads.
    void LoadProjectRules() { ASSERT_TRUE(CFaceCurRule::InitXMLData(W(dir / "proj" / "QDRule.xml"), KxSysRule::Rule_QingDan)); }

    TempDir dir;
};

inline CUserSetRuleSheet* OpenSheet()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* sheet = qobject_cast<CUserSetRuleSheet*>(w); sheet != nullptr && sheet->isVisible())
            return sheet;
    }
    return nullptr;
}

// Acts on the sheet once its modal loop runs. Each step runs in a pass of the loop of its own, so
// the idle pass runs between steps. A sheet the steps leave open is cancelled, so that a failing
// test cannot hang.
class SheetDriver {
public:
    using Step = std::function<void(CUserSetRuleSheet&)>;

    explicit SheetDriver(std::vector<Step> steps)
        : m_steps(std::move(steps))
    {
        QTimer::singleShot(0, &m_context, [this] { Next(); });
    }

    bool SheetSeen() const { return m_bSeen; }

private:
    void Next()
    {
        CUserSetRuleSheet* sheet = OpenSheet();
        if (sheet == nullptr)
            return;
        m_bSeen = true;
        if (m_nStep < m_steps.size()) {
            m_steps[m_nStep++](*sheet);
            if (OpenSheet() == sheet)
                QTimer::singleShot(0, &m_context, [this] { Next(); });
            return;
        }
        ADD_FAILURE() << "the steps left the sheet open";
        sheet->reject();
    }

    QObject m_context; // calls still pending when the driver goes are dropped
    std::vector<Step> m_steps;
    std::size_t m_nStep = 0;
    bool m_bSeen = false;
};

template <class T = QWidget>
T* PageCtrl(CUserSetRuleSheet& sheet, int page, int id)
{
    return Ctrl<T>(sheet.GetPages().at(static_cast<std::size_t>(page)).get(), id);
}

// Runs UserSetRules on `rules` with the steps, which must meet a sheet; gives back what it answered.
inline bool RunSheet(const NS_KXComponentType::SCompGroupType& comp, const wchar_t* item, CStringArray& rules,
                     KxSysRule::RuleType type, std::vector<SheetDriver::Step> steps)
{
    SheetDriver driver(std::move(steps));
    const bool answer = CFaceSysRule::UserSetRules(comp, item, rules, type);
    EXPECT_TRUE(driver.SheetSeen());
    return answer;
}

inline CPageMultiSelect& Multi(CUserSetRuleSheet& sheet, int page)
{
    return dynamic_cast<CPageMultiSelect&>(*sheet.GetPages().at(static_cast<std::size_t>(page)));
}
inline QRadioButton* Radio(CUserSetRuleSheet& sheet, int page, int id) { return PageCtrl<QRadioButton>(sheet, page, id); }

inline void ClickOk(CUserSetRuleSheet& sheet) { Ctrl<QPushButton>(&sheet, kx::ruledlg::IDOK)->click(); }
inline void ClickCancel(CUserSetRuleSheet& sheet) { Ctrl<QPushButton>(&sheet, kx::ruledlg::IDCANCEL)->click(); }

inline QStringList TabTitles(CUserSetRuleSheet& sheet)
{
    QStringList titles;
    for (int i = 0; i < sheet.GetTabControl()->count(); ++i)
        titles << sheet.GetTabControl()->tabText(i);
    return titles;
}

} // namespace kxtest

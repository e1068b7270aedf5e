// ruledlg_demo: opens the rule-setting dialog for one calculation item of the sample project, the
// way a host does, and prints what the user chose.
//
//   ruledlg_demo [COMP [ITEM [TYPE]]] [--screenshot FILE]
//
// COMP is a component type, "12" or "12:3" (default 12, 框架梁); ITEM a calculation item (default
// 体积); TYPE the rule type 0, 1 or 2 (default 0). The project's rules are read from a copy of the
// sample's QDRule.xml, so restoring defaults works and the sample stays untouched. With
// --screenshot the dialog is drawn into FILE (PNG) and cancelled; use QT_QPA_PLATFORM=offscreen.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

namespace {

CString Wide(const QString& s) { return s.toStdWString(); }
QString Q(const CString& s) { return QString::fromStdWString(s); }

bool ParseComp(const QString& text, NS_KXComponentType::SCompGroupType& comp)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool ok = parts.size() <= 2;
    comp.nTypeId = parts.value(0).toInt(&ok);
    comp.nSubTypeId = -1;
    if (ok && parts.size() == 2)
        comp.nSubTypeId = parts[1].toInt(&ok);
    return ok;
}

QDialog* OpenDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog != nullptr && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// Selects the first chosen item so that the buttons show as the user meets them, lets the idle
// pass enable them, then draws the dialog and cancels it.
void ScheduleScreenshot(const QString& file)
{
    QTimer::singleShot(0, [file] {
        QDialog* dialog = OpenDialog();
        if (dialog == nullptr)
            return;
        if (auto* chosen = dialog->findChild<QAbstractItemView*>(QStringLiteral("3013")))
            chosen->setCurrentIndex(chosen->model()->index(0, 0));
        QTimer::singleShot(0, [file, dialog] {
            if (!dialog->grab().save(file, "PNG"))
                std::fprintf(stderr, "ruledlg_demo: cannot write %s\n", qPrintable(file));
            dialog->reject();
        });
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    QString screenshot;
    if (const int at = static_cast<int>(args.indexOf(QStringLiteral("--screenshot"))); at >= 0) {
        screenshot = args.value(at + 1);
        args.remove(at, std::min<qsizetype>(2, args.size() - at));
    }
    NS_KXComponentType::SCompGroupType comp{12, -1};
    if (!args.isEmpty() && !ParseComp(args[0], comp)) {
        std::fprintf(stderr, "usage: ruledlg_demo [COMP [ITEM [TYPE]]] [--screenshot FILE]\n");
        return 2;
    }
    const CString item = Wide(args.value(1, QStringLiteral("体积")));
    const auto type = static_cast<KxSysRule::RuleType>(args.value(2, QStringLiteral("0")).toInt());

    const QString sample = QStringLiteral(KX_SAMPLE_DIR);
    if (qEnvironmentVariableIsEmpty("KX_SYS_DIR"))
        KxHost::SetKXSysDir(Wide(sample + QStringLiteral("/sys")));
    // Loading rewrites the rule file: work on a copy.
    QTemporaryDir proj;
    const QString ruleFile = proj.filePath(QStringLiteral("QDRule.xml"));
    if (!proj.isValid() || !QFile::copy(sample + QStringLiteral("/proj/QDRule.xml"), ruleFile) ||
        !CFaceCurRule::InitXMLData(Wide(QDir::toNativeSeparators(ruleFile)), type)) {
        std::fprintf(stderr, "ruledlg_demo: cannot load the sample project's rules\n");
        return 1;
    }

    CStringArray rules;
    if (!CFaceCurRule::GetCurItemRules(comp, rules, item, type)) {
        std::fprintf(stderr, "ruledlg_demo: the project has no rules for %d:%d %s\n", comp.nTypeId, comp.nSubTypeId,
                     qPrintable(Q(item)));
        return 1;
    }
    if (!screenshot.isEmpty())
        ScheduleScreenshot(screenshot);

    const CStringArray before = rules;
    const bool ok = CFaceSysRule::UserSetRules(comp, item, rules, type);
    std::printf("%s\n", ok ? "OK" : "cancelled");
    for (std::size_t i = 0; i + 1 < rules.size(); i += 2) {
        std::printf("  %s = %s%s\n", qPrintable(Q(rules[i])), qPrintable(Q(rules[i + 1])),
                    rules[i + 1] != before[i + 1] ? qPrintable(QStringLiteral("  (was %1)").arg(Q(before[i + 1]))) : "");
    }
    return 0;
}

// Qt plumbing shared by the dialog and the message box.
#pragma once

#include <memory>

#include <QString>

#include <kxsysrule/Types.h>

class QApplication;

namespace kx::ruledlg {

inline QString ToQString(const CString& s) { return QString::fromWCharArray(s.data(), static_cast<int>(s.size())); }
inline CString FromQString(const QString& s) { return s.toStdWString(); }

// Makes a QApplication for the duration of a modal call when the host has none (a non-Qt host,
// the command-line tool, a test).
class ScopedApplication {
public:
    ScopedApplication();
    ~ScopedApplication();
    ScopedApplication(const ScopedApplication&) = delete;
    ScopedApplication& operator=(const ScopedApplication&) = delete;

private:
    std::unique_ptr<QApplication> m_app;
};

// A modal message box with an OK button.
void ShowMessageBox(const CString& text);

} // namespace kx::ruledlg

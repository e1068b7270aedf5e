// Helpers of the dialog tests: finding controls by id, the entries of a list.
#pragma once

#include <QApplication>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include "ruledlg/CDJListBox.h"
#include "ruledlg/QtSupport.h"
#include "support/TestSupport.h"

namespace kxtest {

template <class T = QWidget>
T* Ctrl(const QObject* root, int nId)
{
    return root->findChild<T*>(QString::number(nId));
}

inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

inline CStringArray Entries(const kx::ruledlg::CDJListBox& list)
{
    CStringArray out;
    for (int i = 0; i < list.GetCount(); ++i)
        out.push_back(list.GetText(i));
    return out;
}

} // namespace kxtest

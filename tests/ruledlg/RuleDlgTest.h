// Helpers of the dialog tests: the Qt application they share and finding controls by id.
#pragma once

#include <QApplication>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include "ruledlg/QtSupport.h"
#include "support/TestSupport.h"

namespace kxtest {

template <class T = QWidget>
T* Ctrl(const QObject* root, int nId)
{
    return root->findChild<T*>(QString::number(nId));
}

inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

} // namespace kxtest

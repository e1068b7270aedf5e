// Page templates 3009 and 3010 and the dialog-unit conversion.
#include "ruledlg/DialogTemplates.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ruledlg/CDJListBox.h"
#include "ruledlg/CMultiLineRadio.h"

namespace kx::ruledlg {

namespace {

using K = EDlgItem;

constexpr SDlgItem kSingleItems[] = {
    {1041, K::RadioButton, "Radio1", 9, 14, 243, 10, true},
    {1042, K::RadioButton, "Radio2", 9, 27, 243, 10, false},
    {1043, K::RadioButton, "Radio3", 9, 40, 243, 10, false},
    {1044, K::RadioButton, "Radio4", 9, 53, 243, 10, false},
    {1045, K::RadioButton, "Radio5", 9, 66, 243, 10, false},
    {1047, K::RadioButton, "Radio6", 9, 79, 243, 10, false},
    {1048, K::RadioButton, "Radio7", 9, 92, 243, 10, false},
    {1049, K::RadioButton, "Radio8", 9, 105, 243, 10, false},
    {IDC_GROUP, K::GroupBox, "计算方式", 3, 0, 278, 196, true},
    {IDC_DESC_LABEL, K::Static, "说明:", 5, 120, 58, 8, true},
    {IDC_DESC, K::Edit, "", 12, 130, 261, 63, true},
    {IDC_RESTORE, K::PushButton, "恢复默认", 239, 199, 42, 14, true},
};

constexpr SDlgItem kMultiItems[] = {
    {IDC_LABEL_ALL, K::Static, "所有可选项目:", 4, 3, 53, 8, true},
    {IDC_LIST_ALL, K::ListBox, "", 3, 15, 94, 195, true},
    {IDC_ADD, K::PushButton, "添加>>", 100, 22, 40, 14, true},
    {IDC_REMOVE, K::PushButton, "<<删除", 100, 38, 40, 14, true},
    {IDC_INSERT, K::PushButton, "插入>>", 100, 54, 40, 14, true},
    {IDC_ADDALL, K::PushButton, "全部添加>>", 100, 124, 40, 14, false},
    {IDC_REMOVEALL, K::PushButton, "<<全部删除", 100, 142, 40, 14, false},
    {IDC_LABEL_CHOSEN, K::Static, "选中项目:", 142, 3, 37, 8, true},
    {IDC_LIST_CHOSEN, K::ListBox, "", 143, 15, 94, 198, true},
    {IDC_MOVEUP, K::PushButton, "上移↑", 240, 22, 28, 14, true},
    {IDC_MOVEDOWN, K::PushButton, "下移↓", 240, 40, 28, 14, true},
    {IDC_RESTORE, K::PushButton, "恢复默认", 243, 199, 42, 14, true},
};

constexpr SDlgTemplate kSingleTemplate{IDD_SINGLESELECT, 294, 230, kSingleItems};
constexpr SDlgTemplate kMultiTemplate{IDD_MULTISELECT, 295, 230, kMultiItems};

// MulDiv: rounds half away from zero.
int MulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

} // namespace

const SDlgTemplate& SingleSelectTemplate() { return kSingleTemplate; }
const SDlgTemplate& MultiSelectTemplate() { return kMultiTemplate; }

QFont DialogFont()
{
    // The templates were drawn for a 10 point CJK font; WenQuanYi Micro Hei has the widest reach
    // among the free CJK fonts packaged for Linux desktops.
    static const QString kFamily = QStringLiteral("WenQuanYi Micro Hei");
    QFont font;
    if (QFontDatabase::families().contains(kFamily))
        font.setFamily(kFamily);
    font.setPointSize(10);
    return font;
}

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int nWidth = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = (nWidth / 26 + 1) / 2;
    m_nBaseY = metrics.height();
}

int CDialogUnits::MapX(int x) const { return MulDiv(x, m_nBaseX, 4); }
int CDialogUnits::MapY(int y) const { return MulDiv(y, m_nBaseY, 8); }

QRect CDialogUnits::MapRect(int x, int y, int cx, int cy) const
{
    const int left = MapX(x);
    const int top = MapY(y);
    return QRect(left, top, MapX(x + cx) - left, MapY(y + cy) - top);
}

QSize CDialogUnits::MapSize(int cx, int cy) const { return QSize(MapX(cx), MapY(cy)); }

QWidget* CreateDlgItem(QWidget* parent, const SDlgItem& item, const CDialogUnits& units)
{
    const QString text = QString::fromUtf8(item.pszText);
    QWidget* widget = nullptr;
    switch (item.eKind) {
    case EDlgItem::RadioButton:
        widget = new CMultiLineRadio(text, parent);
        break;
    case EDlgItem::GroupBox:
        widget = new QGroupBox(text, parent);
        break;
    case EDlgItem::Static: {
        auto* label = new QLabel(text, parent);
        // A static control draws from its top left and wraps, however tall it is made.
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        widget = label;
        break;
    }
    case EDlgItem::Edit: {
        auto* edit = new QPlainTextEdit(parent);
        edit->setReadOnly(true);
        edit->setPlainText(text);
        widget = edit;
        break;
    }
    case EDlgItem::PushButton: {
        auto* button = new QPushButton(text, parent);
        // Return belongs to the sheet's OK button, not to a page's buttons.
        button->setAutoDefault(false);
        widget = button;
        break;
    }
    case EDlgItem::ListBox:
        widget = new CDJListBox(parent);
        break;
    }
    widget->setObjectName(QString::number(item.nId));
    widget->setGeometry(units.MapRect(item.x, item.y, item.cx, item.cy));
    widget->setVisible(item.bVisible);
    return widget;
}

} // namespace kx::ruledlg

// The two page templates of the rule-setting sheet (their controls, texts and placement in dialog
// units), the control ids, and the conversion of dialog units to pixels in the dialog font.
#pragma once

#include <span>

#include <QFont>
#include <QRect>

class QWidget;

namespace kx::ruledlg {

// Control ids; every control's objectName is its id in decimal, so tests and hosts can find it.
// A page is named "page" and its template id ("page3009", "page3010"), a name no control has.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_SIZEGRIP = 1134;

inline constexpr int IDD_SINGLESELECT = 3009;
inline constexpr int IDC_RADIO1 = 1041;
inline constexpr int IDC_GROUP = 3019;
inline constexpr int IDC_DESC_LABEL = 3023;
inline constexpr int IDC_DESC = 3022;
inline constexpr int IDC_RESTORE = 3024;
// 1046 is not a radio of the group.
inline constexpr int kRadioIds[8] = {1041, 1042, 1043, 1044, 1045, 1047, 1048, 1049};

inline constexpr int IDD_MULTISELECT = 3010;
inline constexpr int IDC_LIST_ALL = 3008;
inline constexpr int IDC_ADD = 3009;
inline constexpr int IDC_REMOVE = 3010;
inline constexpr int IDC_ADDALL = 3011;
inline constexpr int IDC_REMOVEALL = 3012;
inline constexpr int IDC_LIST_CHOSEN = 3013;
inline constexpr int IDC_MOVEUP = 3015;
inline constexpr int IDC_MOVEDOWN = 3016;
inline constexpr int IDC_INSERT = 3017;
inline constexpr int IDC_LABEL_ALL = 3020;
inline constexpr int IDC_LABEL_CHOSEN = 3021;

enum class EDlgItem { RadioButton, GroupBox, Static, Edit, PushButton, ListBox };

struct SDlgItem {
    int nId;
    EDlgItem eKind;
    const char* pszText; // UTF-8
    int x, y, cx, cy;    // dialog units
    bool bVisible;
};

struct SDlgTemplate {
    int nId;
    int cx, cy; // dialog units
    std::span<const SDlgItem> items;
};

const SDlgTemplate& SingleSelectTemplate();
const SDlgTemplate& MultiSelectTemplate();

// The dialog font: a CJK font that fontconfig knows on most desktops, 10 point, or the
// application's font at 10 point when it is not installed.
QFont DialogFont();

// Dialog units of a font: a horizontal unit is a quarter of the average letter width, a vertical
// unit an eighth of the line height.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    int BaseX() const { return m_nBaseX; }
    int BaseY() const { return m_nBaseY; }
    // Each edge is converted on its own and rounded, so adjacent controls stay adjacent.
    QRect MapRect(int x, int y, int cx, int cy) const;
    QSize MapSize(int cx, int cy) const;
    int MapX(int x) const;
    int MapY(int y) const;

private:
    int m_nBaseX;
    int m_nBaseY;
};

// Makes the widget of one template control as a child of `parent`, named after its id and placed
// at its pixel rectangle. List boxes are CDJListBox, radio buttons CMultiLineRadio.
QWidget* CreateDlgItem(QWidget* parent, const SDlgItem& item, const CDialogUnits& units);

} // namespace kx::ruledlg

// A single-selection list whose horizontal scroll range follows its widest entry, so that long
// item descriptions can be scrolled into view instead of being cut off.
#pragma once

#include <QListWidget>

#include <kxsysrule/Types.h>

namespace kx::ruledlg {

class CDJListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CDJListBox(QWidget* parent = nullptr);

    // Appends; returns the new entry's index.
    int AddItem(const CString& strText);
    // Inserts before `nIndex` (-1 appends); -1 and nothing inserted past the end, as a list box
    // refuses such an index.
    int InsertItem(int nIndex, const CString& strText);
    // Deletes the entry; returns the number left, -1 for a bad index.
    int DeleteItem(int nIndex);
    void ResetItems();

    int GetCount() const { return count(); }
    CString GetText(int nIndex) const;
    // The selected entry, -1 for none.
    int GetCurSel() const;
    // Selects `nIndex`; an index outside the list clears the selection.
    void SetCurSel(int nIndex);
    // The first entry with the same text, letter case ignored; -1 for none.
    int FindStringExact(const CString& strText) const;

    int GetMaxExtent() const { return m_nMaxExtent; }
    // The scrollable width in pixels, as set by the last extent update.
    int GetHorizontalExtent() const { return m_nHorzExtent; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;

private:
    int TextWidth(const QString& text) const;
    void SetHorizontalExtent(int nExtent);
    void ShowHorizontalBar(bool bShow);

    int m_nMaxExtent = 0; // widest entry seen, pixels
    int m_nHorzExtent = 0;
};

} // namespace kx::ruledlg

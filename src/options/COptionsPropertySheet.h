#pragma once

#include <QDialog>
#include <QList>

class COptionsPage;
class QPushButton;
class QTabWidget;

// The "Options" sheet: its pages as tabs, with OK, Cancel and "Apply". A
// page is created when it is first shown. Leaving a page, OK and "Apply"
// take the current page's controls into its members and keep the page
// current when a field is rejected; OK and "Apply" then apply every created
// page, which sets the save-pending flag for good.
class COptionsPropertySheet : public QDialog
{
    Q_OBJECT

public:
    explicit COptionsPropertySheet(QWidget *parent = nullptr);

    void AddPage(COptionsPage *page);
    bool savePending() const { return m_bSavePending != 0; }

    // Shows the first page and runs the sheet modally.
    int exec() override;

    QTabWidget *tabs() const { return m_tabs; }
    QPushButton *applyButton() const { return m_apply; }

private:
    void onCurrentChanged(int index);
    // Validates the current page and applies all created pages; false when
    // a field was rejected.
    bool applyPages();
    bool leaveCurrentPage();
    void updateApplyButton();

    int m_bSavePending = 0;
    QTabWidget *m_tabs;
    QPushButton *m_apply;
    QList<COptionsPage *> m_pages;
    int m_current = 0;
};

#include "COptionsPropertySheet.h"

#include "COptionsPage.h"
#include "app/CDialogUnits.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

COptionsPropertySheet::COptionsPropertySheet(QWidget *parent)
    : QDialog(parent)
    , m_tabs(new QTabWidget(this))
{
    setObjectName(QStringLiteral("COptionsPropertySheet"));
    setWindowTitle(QStringLiteral("Options"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    m_apply = buttons->button(QDialogButtonBox::Apply);
    m_apply->setText(QStringLiteral("Apply"));
    m_apply->setEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(buttons);
    // The pages are 347 by 183 dialog units.
    m_tabs->setMinimumSize(CDialogUnits::toPixels(QFontMetrics(font()), 347, 183));

    connect(m_tabs, &QTabWidget::currentChanged, this, &COptionsPropertySheet::onCurrentChanged);
    connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, [this] {
        if (applyPages())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsPropertySheet::reject);
    connect(m_apply, &QPushButton::clicked, this, [this] {
        if (!applyPages())
            return;
        for (COptionsPage *page : m_pages)
            page->SetModified(false);
    });
}

void COptionsPropertySheet::AddPage(COptionsPage *page)
{
    m_pages << page;
    connect(page, &COptionsPage::applied, this, [this] { m_bSavePending = 1; });
    connect(page, &COptionsPage::modifiedChanged, this, &COptionsPropertySheet::updateApplyButton);
    const QSignalBlocker block(m_tabs);
    m_tabs->addTab(page, page->caption());
}

int COptionsPropertySheet::exec()
{
    m_current = 0;
    m_tabs->setCurrentIndex(0);
    if (!m_pages.isEmpty())
        m_pages.first()->create();
    return QDialog::exec();
}

bool COptionsPropertySheet::leaveCurrentPage()
{
    COptionsPage *page = m_pages.value(m_current);
    if (!page || !page->isCreated())
        return true;
    const auto failure = page->UpdateData(true);
    if (!failure)
        return true;
    {
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentIndex(m_current);
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ostrak"), failure->message, QMessageBox::Ok, this);
    box.exec();
    if (failure->control) {
        failure->control->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(failure->control))
            edit->selectAll();
    }
    return false;
}

void COptionsPropertySheet::onCurrentChanged(int index)
{
    if (index == m_current)
        return;
    if (!leaveCurrentPage())
        return;
    m_current = index;
    if (COptionsPage *page = m_pages.value(index))
        page->create();
}

bool COptionsPropertySheet::applyPages()
{
    if (!leaveCurrentPage())
        return false;
    for (COptionsPage *page : m_pages) {
        if (page->isCreated())
            page->OnApply();
    }
    return true;
}

void COptionsPropertySheet::updateApplyButton()
{
    bool any = false;
    for (COptionsPage *page : m_pages)
        any = any || page->isModified();
    m_apply->setEnabled(any);
}

#include "COptionsPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

COptionsPage::COptionsPage(const QString &caption, QWidget *parent)
    : QWidget(parent)
    , m_caption(caption)
{
    new QVBoxLayout(this);
}

void COptionsPage::create()
{
    if (m_bCreated)
        return;
    m_bCreated = true;
    OnInitDialog();
}

void COptionsPage::OnInitDialog()
{
    UpdateData(false);
}

std::optional<CDataExchange::Failure> COptionsPage::UpdateData(bool fromControls)
{
    CDataExchange dx(fromControls);
    DoDataExchange(dx);
    return dx.failure();
}

void COptionsPage::OnApply()
{
    emit applied();
    OnOK();
}

void COptionsPage::SetModified(bool modified)
{
    if (modified == m_bModified)
        return;
    m_bModified = modified;
    emit modifiedChanged(modified);
}

void COptionsPage::warn(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ostrak"), text, QMessageBox::Ok, this);
    box.exec();
}

QGroupBox *COptionsPage::addGroup(const QString &title, int stretch)
{
    auto *group = new QGroupBox(title, this);
    new QGridLayout(group);
    static_cast<QVBoxLayout *>(layout())->addWidget(group, stretch);
    return group;
}

QGridLayout *COptionsPage::gridOf(QGroupBox *group)
{
    return static_cast<QGridLayout *>(group->layout());
}

QLineEdit *COptionsPage::addEdit(QGridLayout *grid, int row, const QString &label, int id)
{
    auto *edit = new QLineEdit(grid->parentWidget());
    edit->setObjectName(QString::number(id));
    auto *text = new QLabel(label, grid->parentWidget());
    text->setBuddy(edit);
    grid->addWidget(text, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

void COptionsPage::marksModified(QLineEdit *edit)
{
    connect(edit, &QLineEdit::textEdited, this, [this] { SetModified(); });
}

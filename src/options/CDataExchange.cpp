#include "CDataExchange.h"

#include "CIntegerField.h"

#include <QAbstractButton>
#include <QLineEdit>

void CDataExchange::text(QLineEdit *edit, QString &value)
{
    if (m_failure)
        return;
    if (m_bSaveAndValidate)
        value = edit->text();
    else
        edit->setText(value);
}

void CDataExchange::check(QAbstractButton *box, int &value)
{
    if (m_failure)
        return;
    if (m_bSaveAndValidate)
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
}

void CDataExchange::integer(QLineEdit *edit, long &value, long min, long max)
{
    if (m_failure)
        return;
    if (!m_bSaveAndValidate) {
        edit->setText(QString::number(value));
        return;
    }
    const CIntegerField::Result read = CIntegerField::read(edit->text(), min, max);
    if (read.value)
        value = *read.value;
    else
        m_failure = Failure{edit, read.message};
}

#include "CGoToLineDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CGoToLineDlg::CGoToLineDlg(int lineCount, int currentLine, QWidget *parent)
    : QDialog(parent)
    , m_lineCount(lineCount)
    , m_number(new QLineEdit(QString::number(currentLine), this))
    , m_note(new QLabel(this))
{
    setObjectName(QStringLiteral("goToLineDialog"));
    setWindowTitle(QStringLiteral("Go to Line"));
    m_number->setObjectName(QStringLiteral("lineNumber"));
    m_number->selectAll();
    m_note->setObjectName(QStringLiteral("goToLineNote"));
    auto *label = new QLabel(QStringLiteral("&Line number (1 - %1):").arg(lineCount), this);
    label->setBuddy(m_number);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *column = new QVBoxLayout(this);
    column->addWidget(label);
    column->addWidget(m_number);
    column->addWidget(m_note);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CGoToLineDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CGoToLineDlg::reject);
}

void CGoToLineDlg::accept()
{
    bool ok = false;
    const int line = m_number->text().trimmed().toInt(&ok);
    if (!ok || line < 1 || line > m_lineCount) {
        m_note->setText(QStringLiteral("Enter a line number from 1 to %1.").arg(m_lineCount));
        m_number->setFocus();
        m_number->selectAll();
        QApplication::beep();
        return;
    }
    m_line = line;
    QDialog::accept();
}

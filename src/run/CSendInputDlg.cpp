#include "CSendInputDlg.h"

#include "CPipe.h"
#include "app/CDialogUnits.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

CSendInputDlg::CSendInputDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CSendInputDlg"));
    setWindowTitle(QStringLiteral("Send Input to Script"));

    m_line = new QLineEdit(this);
    m_line->setObjectName(QStringLiteral("1081"));
    m_line->setMaxLength(MaxLineLength);
    m_send = new QPushButton(QStringLiteral("&Send"), this);
    m_send->setObjectName(QStringLiteral("1"));
    m_send->setDefault(true);
    m_eof = new QPushButton(QStringLiteral("&eof"), this);
    m_eof->setObjectName(QStringLiteral("1065"));
    m_eof->setAutoDefault(false);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_line, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(m_send, 0, 1);
    layout->addWidget(m_eof, 1, 1);
    layout->setColumnStretch(0, 1);

    resize(CDialogUnits::toPixels(QFontMetrics(font()), 334, 50));

    connect(m_send, &QPushButton::clicked, this, &CSendInputDlg::accept);
    connect(m_eof, &QPushButton::clicked, this, &CSendInputDlg::sendEndOfInput);
}

void CSendInputDlg::accept()
{
    const QString line = m_line->text();
    if (!m_pPipe) {
        QDialog::accept();
        return;
    }
    // Shown before the script can answer it.
    emit lineSent(line);
    m_pPipe->Write(line.toUtf8() + '\n');
    m_line->clear();
}

void CSendInputDlg::sendEndOfInput()
{
    m_bEndOfInput = true;
    if (m_pPipe)
        m_pPipe->CloseBoth();
    reject();
    emit inputEnded();
}

#include "CFormDialogLayout.h"

#include "app/CDialogUnits.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

void CFormDialogLayout::apply(QDialog &dialog, QFormLayout *form, const QString &acceptText, int widthDu, int heightDu)
{
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *accept = buttons->addButton(acceptText, QDialogButtonBox::AcceptRole);
    accept->setObjectName(QStringLiteral("1"));
    accept->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog.resize(CDialogUnits::toPixels(QFontMetrics(dialog.font()), widthDu, heightDu));
}

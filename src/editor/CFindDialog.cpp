#include "CFindDialog.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CFindDialog::CFindDialog(QsciScintilla *editor, QWidget *parent)
    : QDialog(parent)
    , m_editor(editor)
    , m_find(new QLineEdit(this))
    , m_replace(new QLineEdit(this))
    , m_replaceLabel(new QLabel(QStringLiteral("Re&place with:"), this))
    , m_matchCase(new QCheckBox(QStringLiteral("Match &case"), this))
    , m_wholeWord(new QCheckBox(QStringLiteral("Match &whole word only"), this))
    , m_replaceButton(new QPushButton(QStringLiteral("&Replace"), this))
    , m_replaceAllButton(new QPushButton(QStringLiteral("Replace &All"), this))
    , m_status(new QLabel(this))
{
    m_find->setObjectName(QStringLiteral("findWhat"));
    m_replace->setObjectName(QStringLiteral("replaceWith"));
    auto *findLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
    findLabel->setBuddy(m_find);
    m_replaceLabel->setBuddy(m_replace);
    auto *findNextButton = new QPushButton(QStringLiteral("&Find Next"), this);
    findNextButton->setDefault(true);
    auto *closeButton = new QPushButton(QStringLiteral("Cancel"), this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(m_find, 0, 1);
    grid->addWidget(findNextButton, 0, 2);
    grid->addWidget(m_replaceLabel, 1, 0);
    grid->addWidget(m_replace, 1, 1);
    grid->addWidget(m_replaceButton, 1, 2);
    grid->addWidget(m_wholeWord, 2, 0, 1, 2);
    grid->addWidget(m_replaceAllButton, 2, 2);
    grid->addWidget(m_matchCase, 3, 0, 1, 2);
    grid->addWidget(closeButton, 3, 2);
    grid->addWidget(m_status, 4, 0, 1, 3);

    connect(findNextButton, &QPushButton::clicked, this, &CFindDialog::findNext);
    connect(m_replaceButton, &QPushButton::clicked, this, &CFindDialog::replaceCurrent);
    connect(m_replaceAllButton, &QPushButton::clicked, this, &CFindDialog::replaceAll);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::hide);
}

void CFindDialog::setReplaceMode(bool replace)
{
    setWindowTitle(replace ? QStringLiteral("Replace") : QStringLiteral("Find"));
    for (QWidget *w : {static_cast<QWidget *>(m_replace), static_cast<QWidget *>(m_replaceLabel),
                       static_cast<QWidget *>(m_replaceButton), static_cast<QWidget *>(m_replaceAllButton)})
        w->setVisible(replace);
    if (m_editor->hasSelectedText() && !m_editor->selectedText().contains(QLatin1Char('\n')))
        m_find->setText(m_editor->selectedText());
    m_find->setFocus();
    m_find->selectAll();
    m_status->clear();
}

bool CFindDialog::findNext()
{
    const bool found = !m_find->text().isEmpty()
        && m_editor->findFirst(m_find->text(), false, m_matchCase->isChecked(), m_wholeWord->isChecked(),
                               false, true);
    m_status->setText(found ? QString() : QStringLiteral("Cannot find \"%1\".").arg(m_find->text()));
    return found;
}

bool CFindDialog::replaceCurrent()
{
    const Qt::CaseSensitivity cs = m_matchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (m_editor->hasSelectedText() && m_editor->selectedText().compare(m_find->text(), cs) == 0)
        m_editor->replaceSelectedText(m_replace->text());
    return findNext();
}

int CFindDialog::replaceAll()
{
    if (m_find->text().isEmpty())
        return 0;
    int count = 0;
    m_editor->beginUndoAction();
    bool found = m_editor->findFirst(m_find->text(), false, m_matchCase->isChecked(), m_wholeWord->isChecked(),
                                     false, true, 0, 0, false);
    while (found) {
        m_editor->replace(m_replace->text());
        ++count;
        found = m_editor->findNext();
    }
    m_editor->endUndoAction();
    m_status->setText(QStringLiteral("%1 replaced.").arg(count));
    return count;
}

#include "CFindDialog.h"

#include "COstrakView.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>

CFindDialog::CFindDialog(QsciScintilla *editor, QWidget *parent)
    : QDialog(parent)
    , m_editor(editor)
    , m_finder(editor)
    , m_find(new QLineEdit(this))
    , m_replace(new QLineEdit(this))
    , m_replaceLabel(new QLabel(QStringLiteral("Re&place with:"), this))
    , m_matchCase(new QCheckBox(QStringLiteral("Match &case"), this))
    , m_wholeWord(new QCheckBox(QStringLiteral("Match &whole word only"), this))
    , m_regex(new QCheckBox(QStringLiteral("Regular e&xpression"), this))
    , m_backwards(new QCheckBox(QStringLiteral("Search &backwards"), this))
    , m_replaceButton(new QPushButton(QStringLiteral("&Replace"), this))
    , m_replaceAllButton(new QPushButton(QStringLiteral("Replace &All"), this))
    , m_status(new QLabel(this))
{
    m_find->setObjectName(QStringLiteral("findWhat"));
    m_replace->setObjectName(QStringLiteral("replaceWith"));
    m_regex->setObjectName(QStringLiteral("regularExpression"));
    m_backwards->setObjectName(QStringLiteral("searchBackwards"));
    m_status->setObjectName(QStringLiteral("findStatus"));
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
    grid->addWidget(m_regex, 4, 0, 1, 2);
    grid->addWidget(m_backwards, 5, 0, 1, 2);
    grid->addWidget(m_status, 6, 0, 1, 3);

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

bool CFindDialog::hasPattern() const
{
    return !m_find->text().isEmpty();
}

CSearchOptions CFindDialog::options() const
{
    return {m_find->text(), m_matchCase->isChecked(), m_wholeWord->isChecked(), m_regex->isChecked()};
}

void CFindDialog::showNote(const QString &note)
{
    m_status->setText(note);
    if (auto *view = qobject_cast<COstrakView *>(m_editor))
        view->reportCaretPosition();
    if (auto *window = qobject_cast<QMainWindow *>(parentWidget())) {
        if (note.isEmpty())
            window->statusBar()->clearMessage();
        else
            window->statusBar()->showMessage(note, 5000);
    }
}

bool CFindDialog::findNext()
{
    return findInDirection(m_backwards->isChecked());
}

bool CFindDialog::findInDirection(bool backwards)
{
    const CTextFinder::Result result = m_finder.find(options(), backwards);
    showNote(CTextFinder::note(result, options(), backwards));
    return result == CTextFinder::Found || result == CTextFinder::FoundAfterWrap;
}

bool CFindDialog::replaceCurrent()
{
    const bool backwards = m_backwards->isChecked();
    const CTextFinder::Result result = m_finder.replace(options(), m_replace->text(), backwards);
    showNote(CTextFinder::note(result, options(), backwards));
    return result == CTextFinder::Found || result == CTextFinder::FoundAfterWrap;
}

int CFindDialog::replaceAll()
{
    const int count = m_finder.replaceAll(options(), m_replace->text());
    showNote(count < 0 ? CTextFinder::note(CTextFinder::BadPattern, options(), false)
                       : QStringLiteral("%1 replaced.").arg(count));
    return count;
}

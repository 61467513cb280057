#include "CEditCommands.h"

#include "CFileChangeBar.h"
#include "CFindDialog.h"
#include "CGoToLineDlg.h"
#include "COstrakDoc.h"
#include "COstrakView.h"
#include "CWordCompleter.h"
#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CViewPreferences.h"
#include "app/CommandIds.h"

#include <QAction>
#include <QVBoxLayout>

CEditCommands *CEditCommands::install(CMainFrame &frame)
{
    auto *commands = new CEditCommands(frame);
    COstrakView *view = frame.view();
    frame.setHandler(ID_EDIT_REDO, [view] { view->redo(); });
    frame.setHandler(ID_EDIT_FIND_NEXT, [commands] { commands->OnFindAgain(false); });
    frame.setHandler(ID_EDIT_FIND_PREVIOUS, [commands] { commands->OnFindAgain(true); });
    frame.setHandler(ID_EDIT_GO_TO_LINE, [commands] { commands->OnGoToLine(); });
    frame.setHandler(ID_EDIT_COMPLETE_WORD, [commands] { commands->m_completer->complete(true); });

    // Guides stand at every INDENT_SIZE columns (4 while it is not set).
    const auto indentGuides = [view, &app = frame.app()] {
        view->setIndentationWidth(app.settings().indentSize() > 0 ? app.settings().indentSize() : 4);
    };
    indentGuides();
    connect(&frame.app(), &COstrakApp::settingsChanged, commands, indentGuides);
    QAction *guides = frame.action(ID_VIEW_INDENTATION_GUIDES);
    guides->setCheckable(true);
    view->setIndentationGuides(CViewPreferences::indentationGuides());
    guides->setChecked(view->indentationGuides());
    frame.setHandler(ID_VIEW_INDENTATION_GUIDES, [view, guides] {
        view->setIndentationGuides(!view->indentationGuides());
        CViewPreferences::setIndentationGuides(view->indentationGuides());
        guides->setChecked(view->indentationGuides());
    });
    return commands;
}

CEditCommands::CEditCommands(CMainFrame &frame)
    : QObject(&frame)
    , m_frame(frame)
    , m_completer(new CWordCompleter(frame.view(), frame.app().dataFile(QStringLiteral("OSTRAK.FNL")), this))
    , m_bar(new CFileChangeBar(frame.document()))
{
    setObjectName(QStringLiteral("editCommands"));
    // The bar stands above the editor, inside the frame's central area.
    QWidget *editor = frame.takeCentralWidget();
    auto *central = new QWidget(&frame);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_bar);
    column->addWidget(editor);
    editor->show();
    frame.setCentralWidget(central);
}

bool CEditCommands::confirmOverwrite(const QString &path)
{
    return m_bar->confirmOverwrite(path);
}

void CEditCommands::OnFindAgain(bool backwards)
{
    // Before the first search there is nothing to repeat: Find asks what to look for.
    auto *dialog = m_frame.findChild<CFindDialog *>();
    if (!dialog || !dialog->hasPattern()) {
        m_frame.action(ID_EDIT_FIND)->trigger();
        return;
    }
    dialog->findInDirection(backwards);
}

void CEditCommands::OnGoToLine()
{
    COstrakView *view = m_frame.view();
    const int lines = static_cast<int>(view->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT));
    CGoToLineDlg dialog(lines, view->caretReport().first, &m_frame);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    view->setFocus();
    if (!chosen)
        return;
    const auto index = static_cast<unsigned long>(dialog.line() - 1);
    // A line inside a folded block is unfolded first.
    view->SendScintilla(QsciScintillaBase::SCI_ENSUREVISIBLEENFORCEPOLICY, index);
    view->SendScintilla(QsciScintillaBase::SCI_GOTOLINE, index);
    view->reportCaretPosition();
}

#include "CPerlToolsCommands.h"

#include "CLiveSyntaxCheck.h"
#include "COutlinePanel.h"
#include "CCriticPanel.h"
#include "CPerlCritic.h"
#include "CPerlTidy.h"
#include "CPerldocLookup.h"
#include "editor/CPerlFunctionsDlg.h"
#include "CPerldocQuery.h"
#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CViewPreferences.h"
#include "app/CommandIds.h"
#include "editor/CBrowserLauncher.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "run/CRunCommandLine.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>

CPerlToolsCommands *CPerlToolsCommands::install(CMainFrame &frame)
{
    return new CPerlToolsCommands(frame);
}

CPerlToolsCommands::CPerlToolsCommands(CMainFrame &frame)
    : QObject(&frame)
    , m_frame(frame)
    , m_browserProgram(CBrowserLauncher::defaultProgram())
{
    COstrakDoc *doc = frame.document();
    COstrakApp *app = &frame.app();
    m_check = new CLiveSyntaxCheck(
        frame.view(), [doc] { return doc->pathName(); },
        [app] {
            const QString program = CRunCommandLine::program(CRunCommandLine::Perl, app->settings().LOCAL_PERL_EXE);
            return std::make_pair(program, CRunCommandLine::missingMessage(CRunCommandLine::Perl));
        });

    // The Perl functions window's F1 shows the same help as the editor's.
    if (auto *functions = frame.findChild<CPerlFunctionsDlg *>())
        connect(functions, &CPerlFunctionsDlg::helpRequested, this, &CPerlToolsCommands::showFunctionHelp);

    m_syntaxPane = new QLabel(frame.statusBar());
    m_syntaxPane->setObjectName(QStringLiteral("syntaxPane"));
    frame.statusBar()->addPermanentWidget(m_syntaxPane);
    connect(m_check, &CLiveSyntaxCheck::statusChanged, m_syntaxPane, &QLabel::setText);
    // A name that turns the script into Java, or back, changes what is checked.
    connect(doc, &COstrakDoc::titleChanged, m_check, &CLiveSyntaxCheck::scriptChanged);

    QAction *toggle = frame.action(ID_VIEW_SYNTAX_CHECK);
    toggle->setCheckable(true);
    toggle->setChecked(CViewPreferences::syntaxCheck());
    m_check->setEnabled(toggle->isChecked());
    frame.setHandler(ID_VIEW_SYNTAX_CHECK, [this, toggle] {
        const bool on = !m_check->isEnabled();
        m_check->setEnabled(on);
        CViewPreferences::setSyntaxCheck(on);
        toggle->setChecked(on);
    });
    m_outline = new COutlinePanel(frame.view(), &frame);
    frame.addDockWidget(Qt::LeftDockWidgetArea, m_outline);
    m_outline->hide();
    QAction *outline = frame.action(ID_VIEW_OUTLINE);
    outline->setCheckable(true);
    connect(m_outline, &QDockWidget::visibilityChanged, outline, [this, outline] { outline->setChecked(m_outline->isVisible()); });
    frame.setHandler(ID_VIEW_OUTLINE, [this] {
        m_outline->setVisible(m_outline->isHidden());
        if (m_outline->isVisible())
            m_outline->list()->setFocus();
        else
            m_frame.focusEditor();
    });
    m_critic = new CCriticPanel(frame.view(), &frame);
    frame.addDockWidget(Qt::BottomDockWidgetArea, m_critic);
    m_critic->hide();
    frame.setHandler(ID_SCRIPT_CRITIC, [this] { OnCritic(); });
    frame.setHandler(ID_HELP_PERLDOC, [this] { OnPerlHelp(); });
    frame.setHandler(ID_EDIT_TIDY, [this] { OnTidy(); });
    // The editor would take Ctrl+Shift+T for itself (copying the line).
    const int tidyKey = (Qt::CTRL | Qt::SHIFT | Qt::Key_T).toCombined();
    if (QsciCommand *taken = frame.view()->standardCommands()->boundTo(tidyKey)) {
        if (taken->key() == tidyKey)
            taken->setKey(0);
        else
            taken->setAlternateKey(0);
    }
    frame.setHandler(ID_SCRIPT_NEXT_MESSAGE, [this] { m_frame.setStatusText(m_check->goToNext(true)); });
    frame.setHandler(ID_SCRIPT_PREVIOUS_MESSAGE, [this] { m_frame.setStatusText(m_check->goToNext(false)); });
}

QString CPerlToolsCommands::syntaxPaneText() const
{
    return m_syntaxPane->text();
}

void CPerlToolsCommands::reportMissing(const QString &tool, const QString &message)
{
    if (m_toldMissing.contains(tool)) {
        m_frame.setStatusText(message);
        return;
    }
    m_toldMissing.insert(tool);
    showError(message);
}

template <typename Result>
bool CPerlToolsCommands::reportFailure(const QString &tool, const Result &result, const QString &lead)
{
    if (result.toolMissing)
        reportMissing(tool, result.errors);
    else if (!result.ok)
        showError(lead + QStringLiteral("\n\n") + result.errors.left(4000));
    return !result.ok;
}

void CPerlToolsCommands::showError(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ostrak"), text, QMessageBox::Ok, &m_frame);
    box.exec();
}

void CPerlToolsCommands::OnPerlHelp()
{
    COstrakView *view = m_frame.view();
    using Sci = QsciScintillaBase;
    const long caret = view->SendScintilla(Sci::SCI_GETCURRENTPOS);
    const long line = view->SendScintilla(Sci::SCI_LINEFROMPOSITION, caret);
    // Only the neighbourhood of the caret: a line may be megabytes long.
    const long lineStart = view->SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
    const long lineEnd = view->SendScintilla(Sci::SCI_GETLINEENDPOSITION, line);
    const long from = std::max(lineStart, caret - 256);
    const long to = std::min(lineEnd, caret + 256);
    const QString word = CPerldocQuery::wordAt(view->QsciScintilla::bytes(static_cast<int>(from), static_cast<int>(to)), static_cast<int>(caret - from));
    if (word.isEmpty()) {
        m_frame.setStatusText(QStringLiteral("No word at the caret to look up"));
        return;
    }
    showHelp(word, false);
}

void CPerlToolsCommands::showFunctionHelp(const QString &name)
{
    showHelp(name, true);
}

void CPerlToolsCommands::showHelp(const QString &word, bool function)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const CPerldocLookup lookup(program(QStringLiteral("perldoc")));
    const CPerldocLookup::Answer answer = function ? lookup.lookupFunction(word) : lookup.lookup(word);
    QApplication::restoreOverrideCursor();
    if (answer.toolMissing) {
        reportMissing(QStringLiteral("perldoc"), answer.message);
        return;
    }
    if (answer.html.isEmpty()) {
        m_frame.setStatusText(answer.message);
        return;
    }
    const QString page = m_helpDir.filePath(QStringLiteral("perldoc-%1.html").arg(m_helpDir.isValid() ? qHash(word) : 0));
    QFile file(page);
    if (!m_helpDir.isValid() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(answer.html) != answer.html.size()) {
        showError(QStringLiteral("Could not write ") + page);
        return;
    }
    file.close();
    m_lastHelpPage = page;
    if (!CBrowserLauncher::start(m_browserProgram, page, this))
        showError(QStringLiteral("Could not run ") + m_browserProgram + QLatin1Char(' ') + page);
}

void CPerlToolsCommands::OnTidy()
{
    COstrakView *view = m_frame.view();
    const bool whole = !view->hasSelectedText();
    const QByteArray text = whole ? view->bytes() : view->selectedBytes();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const CPerlTidy::Result result =
        CPerlTidy(program(QStringLiteral("perltidy"))).tidy(text, m_frame.document()->pathName(), view->documentLineEnd());
    QApplication::restoreOverrideCursor();
    if (reportFailure(QStringLiteral("perltidy"), result, QStringLiteral("perltidy found errors; the script was not changed.")))
        return;
    if (result.text == text)
        return;
    int line = 0;
    int column = 0;
    view->getCursorPosition(&line, &column);
    if (whole)
        view->selectAll();
    view->replaceSelectionBytes(result.text);
    if (whole) {
        view->setCursorPosition(std::min(line, view->lines() - 1), 0);
        view->ensureLineVisible(line);
    }
}

void CPerlToolsCommands::OnCritic()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const CPerlCritic::Result result = CPerlCritic(program(QStringLiteral("perlcritic")))
                                           .critique(m_frame.view()->bytes(), m_frame.document()->pathName(),
                                                     CViewPreferences::criticSeverity());
    QApplication::restoreOverrideCursor();
    if (reportFailure(QStringLiteral("perlcritic"), result, QStringLiteral("perlcritic failed.")))
        return;
    m_critic->show(result.findings);
    m_frame.setStatusText(result.findings.isEmpty() ? QStringLiteral("perlcritic found nothing at severity %1")
                                                        .arg(CViewPreferences::criticSeverity())
                                                  : QStringLiteral("perlcritic: %1 findings").arg(result.findings.size()));
}

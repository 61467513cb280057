#include "CDebugController.h"

#include "CBreakpointMargin.h"
#include "CDebugConsole.h"
#include "CDebugPanels.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "run/CPromptModule.h"
#include "run/CRunCommandLine.h"
#include "run/CRunCommands.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

CDebugController::CDebugController(CMainFrame &frame, CRunCommands &commands)
    : QObject(&frame)
    , m_frame(frame)
    , m_commands(commands)
    , m_margin(new CBreakpointMargin(frame.view()))
{
    setObjectName(QStringLiteral("CDebugController"));
    createActions();
    m_stateLabel = new QLabel(&m_frame);
    m_stateLabel->setObjectName(QStringLiteral("debugState"));
    m_frame.statusBar()->addPermanentWidget(m_stateLabel);
    m_runKeys = m_frame.action(ID_SCRIPT_RUN)->shortcuts();

    connect(m_margin, &CBreakpointMargin::added, this, [this](int line, const QString &condition) {
        if (m_session)
            m_session->addBreakpoint({scriptPath(), line, condition});
    });
    connect(m_margin, &CBreakpointMargin::removed, this, [this](int line) {
        if (m_session)
            m_session->removeBreakpoint(scriptPath(), line);
    });
    // The document is saved when debugging starts; its first change after that makes the lines unreliable.
    connect(m_frame.view(), &QsciScintilla::modificationChanged, this, [this](bool modified) {
        if (!modified || !m_session || m_session->state() == CPerlDebugSession::Ended)
            return;
        m_stale = true;
        showState(QStringLiteral("Stale: the script changed after debugging started"));
    });
    updateActions();
}

CDebugController::~CDebugController()
{
    if (m_session)
        m_session->disconnect(this);
}

CDebugController *CDebugController::install(CMainFrame &frame, CRunCommands &commands)
{
    auto *controller = new CDebugController(frame, commands);
    commands.m_debugInWindow = [controller](const CCommandSpec &command) { return controller->start(command); };
    return controller;
}

void CDebugController::createActions()
{
    struct CActionRow
    {
        Command command;
        const char *text;
        QKeySequence key;
        QStyle::StandardPixmap icon;
    };
    const CActionRow rows[] = {
        {Continue, "&Continue", QKeySequence(), QStyle::SP_MediaPlay},
        {Pause, "&Pause", QKeySequence(), QStyle::SP_MediaPause},
        {Stop, "S&top Debugging", QKeySequence(Qt::SHIFT | Qt::Key_F5), QStyle::SP_MediaStop},
        {StepOver, "Step &Over", QKeySequence(Qt::Key_F10), QStyle::SP_ArrowForward},
        {StepInto, "Step &Into", QKeySequence(Qt::Key_F11), QStyle::SP_ArrowDown},
        {StepOut, "Step O&ut", QKeySequence(Qt::SHIFT | Qt::Key_F11), QStyle::SP_ArrowUp},
        {RunToCursor, "Run to &Cursor", QKeySequence(Qt::CTRL | Qt::Key_F10), QStyle::SP_MediaSeekForward},
        {ToggleBreakpoint, "Toggle &Breakpoint", QKeySequence(Qt::Key_F9), QStyle::SP_DialogNoButton},
    };
    m_toolBar = new QToolBar(QStringLiteral("Debug"), &m_frame);
    m_toolBar->setObjectName(QStringLiteral("debugToolBar"));
    for (const CActionRow &row : rows) {
        auto *action = new QAction(m_frame.style()->standardIcon(row.icon), QString::fromLatin1(row.text), &m_frame);
        action->setObjectName(QStringLiteral("debug%1").arg(int(row.command)));
        if (!row.key.isEmpty())
            action->setShortcut(row.key);
        m_frame.addAction(action);
        m_toolBar->addAction(action);
        m_actions[row.command] = action;
    }
    m_frame.addToolBar(Qt::TopToolBarArea, m_toolBar);

    using Step = void (CPerlDebugSession::*)();
    const std::pair<Command, Step> steps[] = {
        {Continue, &CPerlDebugSession::continueRun}, {Pause, &CPerlDebugSession::pause},
        {Stop, &CPerlDebugSession::stop},            {StepOver, &CPerlDebugSession::stepOver},
        {StepInto, &CPerlDebugSession::stepInto},    {StepOut, &CPerlDebugSession::stepOut},
    };
    for (const auto &[command, step] : steps) {
        connect(m_actions[command], &QAction::triggered, this, [this, step] {
            if (m_session)
                (m_session.get()->*step)();
        });
    }
    connect(m_actions[RunToCursor], &QAction::triggered, this, [this] {
        if (m_session)
            m_session->runToLine(m_session->location().file, caretLine());
    });
    connect(m_actions[ToggleBreakpoint], &QAction::triggered, this, [this] { m_margin->toggle(caretLine()); });
}

int CDebugController::caretLine() const
{
    int line = 0;
    int index = 0;
    m_frame.view()->getCursorPosition(&line, &index);
    return line + 1;
}

QString CDebugController::scriptPath() const
{
    const QFileInfo info(m_frame.document()->pathName());
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

void CDebugController::message(const QString &text)
{
    if (m_showMessage) {
        m_showMessage(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Ostrak"), text, QMessageBox::Ok, &m_frame);
    box.exec();
}

void CDebugController::showState(const QString &text)
{
    m_stateLabel->setText(text);
}

bool CDebugController::start(const CCommandSpec &command)
{
    if (m_session && m_session->state() != CPerlDebugSession::Ended) {
        // One session at a time: the old one goes.
        m_session->stop();
    }
    if (!m_panels)
        m_panels = new CDebugPanels(&m_frame);
    auto session = std::make_unique<CPerlDebugSession>();
    session->setBreakpoints(m_margin->breakpoints(scriptPath()));
    QStringList environment = QProcess::systemEnvironment();
    environment = CPromptModule::environment(environment, CPromptModule::folderFor(CPromptModule::defaultFolder(), QString()));
    for (const auto &[name, value] : m_commands.scriptInput().cgiVariables(m_frame.document()->pathName()))
        environment.append(name + QLatin1Char('=') + value);
    m_panels->attach(session.get());
    connect(session.get(), &CPerlDebugSession::stateChanged, this, &CDebugController::updateActions);
    connect(session.get(), &CPerlDebugSession::stopped, this, &CDebugController::onStopped);
    connect(session.get(), &CPerlDebugSession::finished, this, &CDebugController::onFinished);
    connect(session.get(), &CPerlDebugSession::breakpointPlaced, this, &CDebugController::onBreakpointPlaced);
    connect(m_panels, &CDebugPanels::frameSelected, session.get(), [this](int, const CDebugLocation &where) {
        if (where.file == scriptPath())
            m_frame.view()->ensureLineVisible(where.line - 1);
    });
    if (!session->start(command.program, scriptPath(), environment))
        return false;
    session->writeInput(m_commands.scriptInput().inputBytes());
    m_session = std::move(session);
    m_stale = false;
    m_panels->show();
    showState(QStringLiteral("Debugging: starting perl"));
    updateActions();
    emit sessionStarted(m_session.get());
    return true;
}

void CDebugController::onStopped(const CDebugLocation &where)
{
    COstrakView *view = m_frame.view();
    if (where.file == scriptPath()) {
        m_margin->setCurrentLine(where.line);
        view->ensureLineVisible(where.line - 1);
    } else {
        m_margin->setCurrentLine(0);
    }
    if (!m_stale)
        showState(QStringLiteral("Stopped at %1 line %2").arg(QFileInfo(where.file).fileName()).arg(where.line));
}

void CDebugController::onBreakpointPlaced(const CDebugBreakpoint &asked, int line, const QString &note)
{
    if (asked.file == scriptPath() && line > 0 && line != asked.line)
        m_margin->move(asked.line, line);
    if (!note.isEmpty()) {
        showState(note);
        m_panels->console()->appendText(note + QLatin1Char('\n'));
    }
}

void CDebugController::onFinished(long exitCode, const QString &problem)
{
    m_margin->setCurrentLine(0);
    showState(QStringLiteral("Debugging ended (exit code %1)").arg(exitCode));
    updateActions();
    if (!problem.isEmpty())
        message(problem);
}

void CDebugController::updateActions()
{
    const CPerlDebugSession::State state = m_session ? m_session->state() : CPerlDebugSession::NotStarted;
    const bool stopped = state == CPerlDebugSession::Stopped;
    const bool active = state == CPerlDebugSession::Connecting || state == CPerlDebugSession::Running || stopped;
    for (Command command : {Continue, StepOver, StepInto, StepOut, RunToCursor})
        m_actions[command]->setEnabled(stopped);
    m_actions[Pause]->setEnabled(state == CPerlDebugSession::Running);
    // The marker shows where the program stands only while it stands there.
    if (!stopped)
        m_margin->setCurrentLine(0);
    m_actions[Stop]->setEnabled(active);
    // F5 continues a stopped session and runs the script otherwise.
    QAction *run = m_frame.action(ID_SCRIPT_RUN);
    if (stopped) {
        run->setShortcuts({});
        m_actions[Continue]->setShortcuts(m_runKeys);
    } else {
        m_actions[Continue]->setShortcuts({});
        run->setShortcuts(m_runKeys);
    }
    if (state == CPerlDebugSession::Running)
        showState(m_stale ? m_stateLabel->text() : QStringLiteral("Running"));
}

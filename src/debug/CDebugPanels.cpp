#include "CDebugPanels.h"

#include "CDebugConsole.h"
#include "CVariablesTree.h"
#include "run/COutputBuffer.h"
#include "run/CPaneFeeder.h"
#include "run/CTerminalPane.h"

#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Line `line` (from 1) of a file, for a frame outside the open script.
QString lineOfFile(const QString &path, int line)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    for (int n = 1; !file.atEnd(); ++n) {
        const QByteArray text = file.readLine();
        if (n == line)
            return QString::fromUtf8(text).trimmed();
    }
    return QString();
}

QWidget *stacked(QWidget *top, QWidget *bottom)
{
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(top);
    layout->addWidget(bottom);
    return box;
}

} // namespace

CDebugPanels::CDebugPanels(QMainWindow *window)
    : QObject(window)
    , m_window(window)
    , m_stack(new QTreeWidget)
    , m_frameSource(new QLabel)
    , m_variables(new CVariablesTree)
    , m_watches(new CVariablesTree)
    , m_watchLine(new QLineEdit)
    , m_console(new CDebugConsole)
    , m_output(new CTerminalPane(QStringLiteral("Output")))
    , m_errors(new CTerminalPane(QStringLiteral("Errors")))
    , m_outputBuffer(new COutputBuffer(this))
    , m_errorsBuffer(new COutputBuffer(this))
    , m_outputFeeder(new CPaneFeeder(m_outputBuffer, m_output, this))
    , m_errorsFeeder(new CPaneFeeder(m_errorsBuffer, m_errors, this))
{
    setObjectName(QStringLiteral("CDebugPanels"));
    m_stack->setColumnCount(3);
    m_stack->setHeaderLabels({QStringLiteral("Function"), QStringLiteral("File"), QStringLiteral("Line")});
    m_stack->setRootIsDecorated(false);
    m_stack->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_frameSource->setTextFormat(Qt::PlainText);
    m_frameSource->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_frameSource->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_frameSource->setObjectName(QStringLiteral("frameSource"));
    connect(m_stack, &QTreeWidget::itemClicked, this, &CDebugPanels::onFrameClicked);
    connect(m_stack, &QTreeWidget::itemActivated, this, &CDebugPanels::onFrameClicked);

    m_watchLine->setPlaceholderText(QStringLiteral("Add a watch: a Perl expression, then Enter"));
    connect(m_watchLine, &QLineEdit::returnPressed, this, [this] {
        const QString expression = m_watchLine->text().trimmed();
        m_watchLine->clear();
        if (expression.isEmpty() || m_watchList.contains(expression))
            return;
        m_watchList.append(expression);
        if (m_session)
            m_session->setWatches(m_watchList);
    });
    auto *remove = new QShortcut(QKeySequence::Delete, m_watches, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &CDebugPanels::removeSelectedWatch);

    m_output->setInputEnabled(true);
    m_outputBuffer->setKeepLatest(2 * 1024 * 1024);
    m_errorsBuffer->setKeepLatest(2 * 1024 * 1024);
    m_outputFeeder->setLimit(2 * 1024 * 1024);
    m_errorsFeeder->setLimit(2 * 1024 * 1024);
    connect(m_output, &CTerminalPane::lineEntered, this, [this](const QString &line) {
        m_outputBuffer->appendText(line + QLatin1Char('\n'), true);
        if (m_session)
            m_session->writeInput((line + QLatin1Char('\n')).toUtf8());
    });
    connect(m_output, &CTerminalPane::inputEnded, this, [this](const QString &rest) {
        m_output->setInputEnabled(false);
        if (!m_session)
            return;
        m_session->writeInput(rest.toUtf8());
        m_session->closeInput();
    });
    connect(m_variables, &CVariablesTree::moreRequested, this, [this](const QStringList &path, qint64 offset) {
        if (m_session)
            m_session->fetchMore(path, offset);
    });
    connect(m_console, &CDebugConsole::commandEntered, this, [this](const QString &command) {
        if (m_session)
            m_session->sendConsoleCommand(command);
    });

    QDockWidget *stack = addDock(QStringLiteral("Call Stack"), QStringLiteral("debugCallStack"), stacked(m_stack, m_frameSource));
    QDockWidget *variables = addDock(QStringLiteral("Variables"), QStringLiteral("debugVariables"), m_variables);
    QDockWidget *watches = addDock(QStringLiteral("Watches"), QStringLiteral("debugWatches"), stacked(m_watches, m_watchLine));
    QDockWidget *console = addDock(QStringLiteral("Debugger Console"), QStringLiteral("debugConsole"), m_console);
    QDockWidget *output = addDock(QStringLiteral("Output"), QStringLiteral("debugOutput"), m_output);
    QDockWidget *errors = addDock(QStringLiteral("Errors"), QStringLiteral("debugErrors"), m_errors);
    m_window->splitDockWidget(stack, variables, Qt::Horizontal);
    m_window->splitDockWidget(variables, output, Qt::Horizontal);
    m_window->tabifyDockWidget(variables, watches);
    m_window->tabifyDockWidget(output, errors);
    m_window->tabifyDockWidget(output, console);
    m_raised = {variables, output};
    m_columns = {stack, variables, output};
}

QDockWidget *CDebugPanels::addDock(const QString &title, const QString &name, QWidget *content)
{
    auto *dock = new QDockWidget(title, m_window);
    dock->setObjectName(name);
    dock->setWidget(content);
    dock->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    m_window->addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    m_docks.append(dock);
    return dock;
}

void CDebugPanels::show()
{
    for (QDockWidget *dock : std::as_const(m_docks))
        dock->show();
    for (QDockWidget *dock : std::as_const(m_raised))
        dock->raise();
    // The stack needs less room than the variables and the output.
    const int width = m_window->width();
    m_window->resizeDocks(m_columns, {width / 5, width * 2 / 5, width * 2 / 5}, Qt::Horizontal);
}

void CDebugPanels::attach(CPerlDebugSession *session)
{
    m_session = session;
    m_stack->clear();
    m_frameSource->clear();
    m_variables->clear();
    m_watches->clear();
    m_console->clear();
    m_outputBuffer->restart();
    m_errorsBuffer->restart();
    m_output->clear();
    m_errors->clear();
    m_outputFeeder->reset();
    m_errorsFeeder->reset();
    m_output->setInputEnabled(true);
    session->setWatches(m_watchList);
    connect(session, &CPerlDebugSession::standardOutput, m_outputBuffer, [this](const QByteArray &bytes) {
        m_outputBuffer->appendBytes(bytes);
    });
    connect(session, &CPerlDebugSession::standardError, m_errorsBuffer, [this](const QByteArray &bytes) {
        m_errorsBuffer->appendBytes(bytes);
    });
    connect(session, &CPerlDebugSession::consoleOutput, m_console, &CDebugConsole::appendText);
    connect(session, &CPerlDebugSession::stackChanged, this, &CDebugPanels::showStack);
    connect(session, &CPerlDebugSession::variablesChanged, m_variables,
            [this](const QList<CDebugVariable> &variables, const QString &problem) {
                if (problem.isEmpty() && variables.isEmpty())
                    m_variables->setMessage(QStringLiteral("No lexical variables in scope here."));
                else if (problem.isEmpty())
                    m_variables->setVariables(variables);
                else
                    m_variables->setMessage(problem);
            });
    connect(session, &CPerlDebugSession::watchesChanged, m_watches, &CVariablesTree::setVariables);
    connect(session, &CPerlDebugSession::moreVariables, m_variables,
            [this](const QStringList &path, qint64 offset, const QList<CDebugVariable> &elements, const QString &problem) {
                if (problem.isEmpty())
                    m_variables->addMore(path, offset, elements);
                else
                    m_console->appendText(problem + QLatin1Char('\n'));
            });
    // What the views show holds only while the program stands still.
    connect(session, &CPerlDebugSession::stateChanged, this, [this](CPerlDebugSession::State state) {
        const bool stopped = state == CPerlDebugSession::Stopped;
        for (QWidget *view : {static_cast<QWidget *>(m_stack), static_cast<QWidget *>(m_variables), static_cast<QWidget *>(m_watches)})
            view->setEnabled(stopped);
        if (state == CPerlDebugSession::Ended)
            m_output->setInputEnabled(false);
    });
    connect(session, &CPerlDebugSession::destroyed, this, [this, session] {
        if (m_session == session)
            m_session = nullptr;
    });
}

void CDebugPanels::showStack(const QList<CDebugFrame> &frames)
{
    m_stack->clear();
    for (const CDebugFrame &frame : frames) {
        auto *item = new QTreeWidgetItem({frame.call.isEmpty() ? frame.location.function : frame.call,
                                          QFileInfo(frame.location.file).fileName(), QString::number(frame.location.line)});
        item->setToolTip(1, frame.location.file);
        m_stack->addTopLevelItem(item);
    }
    if (m_stack->topLevelItemCount() > 0)
        m_stack->setCurrentItem(m_stack->topLevelItem(0));
    m_frameSource->clear();
}

void CDebugPanels::onFrameClicked()
{
    if (!m_session)
        return;
    const int index = m_stack->indexOfTopLevelItem(m_stack->currentItem());
    const QList<CDebugFrame> frames = m_session->frames();
    if (index < 0 || index >= frames.size())
        return;
    const CDebugLocation where = frames[index].location;
    m_frameSource->setText(QStringLiteral("%1:%2: %3")
                               .arg(QFileInfo(where.file).fileName())
                               .arg(where.line)
                               .arg(lineOfFile(where.file, where.line)));
    m_session->selectFrame(index);
    emit frameSelected(index, where);
}

void CDebugPanels::removeSelectedWatch()
{
    QTreeWidgetItem *item = m_watches->currentItem();
    while (item && item->parent())
        item = item->parent();
    if (!item)
        return;
    m_watchList.removeAll(item->text(0));
    delete item;
    if (m_session)
        m_session->setWatches(m_watchList);
}

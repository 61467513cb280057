#include "CRunCommands.h"

#include "COutputWindow.h"
#include "CPipe.h"
#include "CProcess.h"
#include "CPromptModule.h"
#include "CScriptInputsDlg.h"
#include "CTerminalLauncher.h"
#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/CBrowserLauncher.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace {

// Normal priority, no console, suspended: the flags every local run passes.
constexpr int kCreationFlags = 0x2C;

// Shows the main window busy while a command waits for its child.
class CBusyFrame
{
public:
    explicit CBusyFrame(QWidget &frame)
        : m_frame(frame)
    {
        m_frame.setCursor(Qt::WaitCursor);
    }
    ~CBusyFrame() { m_frame.unsetCursor(); }

private:
    QWidget &m_frame;
};

} // namespace

CRunCommands::CRunCommands(CMainFrame &frame)
    : QObject(frame.view())
    , m_frame(frame)
    , m_promptModuleFolder(CPromptModule::defaultFolder())
{
    setObjectName(QStringLiteral("CRunCommands"));
}

CRunCommands *CRunCommands::install(CMainFrame &frame)
{
    auto *commands = new CRunCommands(frame);
    frame.setHandler(ID_SCRIPT_RUN, [commands] { commands->OnScriptRun(); });
    frame.setHandler(ID_SCRIPT_COMPILE, [commands] { commands->OnScriptCompile(); });
    frame.setHandler(ID_SCRIPT_DEBUG, [commands] { commands->OnScriptDebug(); });
    frame.setHandler(ID_SCRIPT_SPECIFY_INPUTS, [commands] { commands->OnSpecifyInputs(); });
    return commands;
}

QString CRunCommands::launcherPath() const
{
    if (!m_launcherPath.isEmpty())
        return m_launcherPath;
    return CTerminalLauncher::launcherProgram();
}

void CRunCommands::message(const QString &text)
{
    if (m_showMessage) {
        m_showMessage(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Ostrak"), text, QMessageBox::Ok, &m_frame);
    box.exec();
}

bool CRunCommands::saveDocument()
{
    // A cancelled or failed save stops the command: a script without a file
    // would make the interpreter read its program from standard input.
    return m_frame.OnFileSave();
}

void CRunCommands::OnScriptRun()
{
    if (saveDocument())
        launch(CRunCommandLine::Run, ByRequestMethod, QStringLiteral("Could not run "));
}

void CRunCommands::OnScriptCompile()
{
    if (saveDocument())
        launch(CRunCommandLine::Compile, WriteAndClose, QStringLiteral("Could not compile "));
}

void CRunCommands::OnScriptDebug()
{
    if (!saveDocument())
        return;
    launch(CRunCommandLine::Debug, WriteAndKeepOpen, QStringLiteral("Could not start debugging : "));
}

void CRunCommands::launch(CRunCommandLine::Command command, StdinRule rule, const QString &failure)
{
    const COstrakDoc &doc = *m_frame.document();
    const CSettings &settings = m_frame.app().settings();
    // Compile always shows its messages in the output window.
    if (command != CRunCommandLine::Compile && settings.runInDosWindow()) {
        const CCommandSpec line = CRunCommandLine::console(command, settings, doc.pathName(), launcherPath());
        if (!line.problem.isEmpty())
            message(line.problem);
        else if (!runInConsole(line))
            message(QStringLiteral("Could not run ") + line.displayLine);
        return;
    }
    const CCommandSpec line = CRunCommandLine::piped(command, settings, doc.pathName(), doc.title());
    if (!line.problem.isEmpty())
        message(line.problem);
    else if (command == CRunCommandLine::Debug && m_debugInWindow ? !m_debugInWindow(line) : !runPiped(line, rule))
        message(failure + line.displayLine);
}

void CRunCommands::OnSpecifyInputs()
{
    CScriptInputsDlg dialog(&m_frame);
    dialog.setValues(m_scriptInput);
    dialog.setViewMode(false);
    if (dialog.exec() == QDialog::Accepted)
        m_scriptInput = dialog.values();
}

bool CRunCommands::runPiped(const CCommandSpec &command, StdinRule rule)
{
    CPipe stdinPipe;
    CPipe stdoutPipe;
    CPipe stderrPipe;
    stdinPipe.CreatePipeEnds();
    stdoutPipe.CreatePipeEnds();
    stderrPipe.CreatePipeEnds();

    CProcess process(command.program, command.arguments);
    process.AttachPipes(&stdinPipe, &stdoutPipe, &stderrPipe);
    process.SetWorkingDirectory(command.workingDirectory);
    // The run's own folder, for what the program carries inside it.
    QTemporaryDir runFolder(QDir(QDir::tempPath()).filePath(QStringLiteral("ostrak-run-XXXXXX")));
    QStringList environment = QProcess::systemEnvironment();
    if (command.perl) {
        const QString modules = CPromptModule::folderFor(m_promptModuleFolder,
                                                         runFolder.isValid() ? runFolder.path() : QString());
        environment = CPromptModule::environment(environment, modules);
    }
    process.setEnvironment(environment);
    // A pipe is no terminal: programs that look at TERM send no screen codes.
    process.SetEnvironmentValue(QStringLiteral("TERM"), QStringLiteral("dumb"));
    for (const auto &[name, value] : m_scriptInput.cgiVariables(m_frame.document()->pathName()))
        process.SetEnvironmentValue(name, value);
    if (!process.Start(kCreationFlags))
        return false;

    // Declared after the process and the pipes, so that it goes first; its
    // close steps have waited for its readers and the process's waiter.
    COutputWindow window(&m_frame);
    window.attach(process, stdinPipe, stdoutPipe, stderrPipe);
    window.setScriptPath(m_frame.document()->pathName());
    if (const auto &font = m_frame.app().editorFont())
        window.setPaneFont(*font);
    connect(&window, &COutputWindow::errorLineActivated, this, [this](int line) { m_frame.view()->showLine(line); });
    connect(&window, &COutputWindow::inBrowserRequested, this, &CRunCommands::showInBrowser);
    CScriptInput shown;
    shown.setInput(m_scriptInput.input());
    window.inputsViewer().setValues(shown);
    window.inputsViewer().setViewMode(true);

    process.Resume();
    switch (rule) {
    case ByRequestMethod:
        if (m_scriptInput.runWritesInput())
            stdinPipe.Write(m_scriptInput.inputBytes());
        if (m_scriptInput.runClosesInput()) {
            stdinPipe.CloseBoth();
            window.setStdinOpen(false);
        }
        break;
    case WriteAndClose:
        stdinPipe.Write(m_scriptInput.inputBytes());
        stdinPipe.Flush();
        stdinPipe.CloseBoth();
        window.setStdinOpen(false);
        break;
    case WriteAndKeepOpen:
        stdinPipe.Write(m_scriptInput.inputBytes());
        stdinPipe.Flush();
        break;
    }

    CBusyFrame busy(m_frame);
    process.StartWaiter(100);
    emit outputWindowShown(&window);
    window.exec();
    stdoutPipe.CloseBoth();
    stderrPipe.CloseBoth();
    return true;
}

void CRunCommands::showInBrowser(const QByteArray &body)
{
    // The page outlives the run's window; it goes when its browser ends.
    auto *page = new QTemporaryFile(QDir(QDir::tempPath()).filePath(QStringLiteral("ostrak-cgi-XXXXXX.html")), this);
    if (!page->open() || page->write(body) != body.size() || !page->flush()) {
        message(QStringLiteral("Could not write ") + page->fileName() + QStringLiteral("\n") + page->errorString());
        delete page;
        return;
    }
    const QString program = CBrowserLauncher::defaultProgram();
    QProcess *browser = CBrowserLauncher::start(program, page->fileName(), this);
    if (!browser) {
        message(QStringLiteral("Could not run ") + program + QLatin1Char(' ') + page->fileName());
        delete page;
        return;
    }
    page->setParent(browser);
}

bool CRunCommands::runInConsole(const CCommandSpec &command)
{
    if (!QFileInfo(command.program).isExecutable())
        return false;
    // The terminal, and korbu in it, start in the script's folder.
    CBusyFrame busy(m_frame);
    return CTerminalLauncher::runAndWait(QStringList{command.program} + command.arguments, command.workingDirectory);
}

#pragma once

#include "CRunCommandLine.h"
#include "CScriptInput.h"

#include <QObject>
#include <QString>

#include <functional>

class CMainFrame;
class COutputWindow;

// Run, Compile, Debug and Specify Inputs of the script menu. Each command
// saves the script, builds its command line from the settings and the
// script's path, and runs the interpreter or compiler with piped streams in a
// modal output window, or in a terminal through the korbu launcher. Lives as
// a child of the editor view and keeps the view's saved script input.
class CRunCommands : public QObject
{
    Q_OBJECT

public:
    explicit CRunCommands(CMainFrame &frame);

    // Creates the commands' object for the frame's view and connects the four commands.
    static CRunCommands *install(CMainFrame &frame);

    CScriptInput &scriptInput() { return m_scriptInput; }

    void OnScriptRun();
    void OnScriptCompile();
    void OnScriptDebug();
    void OnSpecifyInputs();

    // The korbu launcher: beside the executable, else on the PATH.
    QString launcherPath() const;
    void setLauncherPath(const QString &path) { m_launcherPath = path; }
    // The folder of the Perl module that lets prompts show; beside the
    // executable unless replaced. Without the module there, a run writes the
    // program's own copy into its temporary folder.
    void setPromptModuleFolder(const QString &folder) { m_promptModuleFolder = folder; }

    // How a message reaches the user; a message box with an OK button unless replaced.
    std::function<void(const QString &)> m_showMessage;
    // Debugs the script in the main window (outside console-window mode);
    // false when the debugger could not be started. Unset: perl -d runs in
    // an output window.
    std::function<bool(const CCommandSpec &)> m_debugInWindow;

signals:
    // Just before the output window's modal run.
    void outputWindowShown(COutputWindow *window);

private:
    enum StdinRule { ByRequestMethod, WriteAndClose, WriteAndKeepOpen };

    // Runs the command in the output window, or in a terminal in console-window mode.
    void launch(CRunCommandLine::Command command, StdinRule rule, const QString &failure);

    bool saveDocument();
    // Runs the child with piped streams in an output window; false when it could not start.
    bool runPiped(const CCommandSpec &command, StdinRule rule);
    // Shows a CGI response's body in an In Browser window.
    void showInBrowser(const QByteArray &body);
    // Runs korbu with the interpreter line in a terminal and waits for it.
    bool runInConsole(const CCommandSpec &command);
    void message(const QString &text);

    CMainFrame &m_frame;
    CScriptInput m_scriptInput;
    QString m_launcherPath;
    QString m_promptModuleFolder;
};

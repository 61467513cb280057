#pragma once

#include "CPerlDebugSession.h"

#include <QKeySequence>
#include <QObject>

#include <functional>
#include <memory>

class CBreakpointMargin;
class CDebugPanels;
class CMainFrame;
class CRunCommands;
struct CCommandSpec;
class QAction;
class QLabel;
class QToolBar;

// Debugging in the main window: the breakpoint margin of the editor, the
// Debug toolbar and keys, the docked panels, and one session at a time.
// While a session is stopped F5 continues it; otherwise F5 stays Run.
class CDebugController : public QObject
{
    Q_OBJECT

public:
    enum Command { Continue, Pause, Stop, StepOver, StepInto, StepOut, RunToCursor, ToggleBreakpoint, CommandCount };

    CDebugController(CMainFrame &frame, CRunCommands &commands);
    ~CDebugController() override;

    // Creates the controller for the frame and takes over Script > Debug in the window.
    static CDebugController *install(CMainFrame &frame, CRunCommands &commands);

    // Starts debugging the saved script with the command that Debug built;
    // false when perl cannot be started.
    bool start(const CCommandSpec &command);

    QAction *action(Command command) const { return m_actions[command]; }
    QToolBar *toolBar() const { return m_toolBar; }
    CBreakpointMargin *margin() const { return m_margin; }
    CDebugPanels *panels() const { return m_panels; }
    CPerlDebugSession *session() const { return m_session.get(); }
    QLabel *stateLabel() const { return m_stateLabel; }
    // The script was edited after the session started.
    bool isStale() const { return m_stale; }

    // How a message reaches the user; a message box unless replaced.
    std::function<void(const QString &)> m_showMessage;

signals:
    void sessionStarted(CPerlDebugSession *session);

private:
    void createActions();
    void updateActions();
    void onStopped(const CDebugLocation &where);
    void onFinished(long exitCode, const QString &problem);
    void onBreakpointPlaced(const CDebugBreakpoint &asked, int line, const QString &note);
    void showState(const QString &text);
    QString scriptPath() const;
    // The caret's line, from 1.
    int caretLine() const;
    void message(const QString &text);

    CMainFrame &m_frame;
    CRunCommands &m_commands;
    CBreakpointMargin *m_margin;
    CDebugPanels *m_panels = nullptr;
    QToolBar *m_toolBar = nullptr;
    QLabel *m_stateLabel = nullptr;
    QAction *m_actions[CommandCount] = {};
    QList<QKeySequence> m_runKeys;
    std::unique_ptr<CPerlDebugSession> m_session;
    bool m_stale = false;
};

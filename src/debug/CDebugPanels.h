#pragma once

#include "CPerlDebugSession.h"

#include <QObject>

class CDebugConsole;
class COutputBuffer;
class CPaneFeeder;
class CTerminalPane;
class CVariablesTree;
class QDockWidget;
class QLabel;
class QLineEdit;
class QMainWindow;
class QTreeWidget;

// The docked panels of a debugging session below the editor: Call Stack,
// Variables, Watches, the debugger console, and the script's Output (with
// its typed-input line) and Errors.
class CDebugPanels : public QObject
{
    Q_OBJECT

public:
    explicit CDebugPanels(QMainWindow *window);

    // Connects the panels to a new session and empties them.
    void attach(CPerlDebugSession *session);
    void show();
    QStringList watches() const { return m_watchList; }

    QTreeWidget *stackView() const { return m_stack; }
    QLabel *frameSource() const { return m_frameSource; }
    CVariablesTree *variablesView() const { return m_variables; }
    CVariablesTree *watchesView() const { return m_watches; }
    QLineEdit *watchLine() const { return m_watchLine; }
    CDebugConsole *console() const { return m_console; }
    CTerminalPane *outputPane() const { return m_output; }
    CTerminalPane *errorsPane() const { return m_errors; }
    QList<QDockWidget *> docks() const { return m_docks; }

signals:
    // The user picked a frame of the stack.
    void frameSelected(int index, const CDebugLocation &where);

private:
    QDockWidget *addDock(const QString &title, const QString &name, QWidget *content);
    void showStack(const QList<CDebugFrame> &frames);
    void onFrameClicked();
    void removeSelectedWatch();

    QMainWindow *m_window;
    CPerlDebugSession *m_session = nullptr;
    QList<QDockWidget *> m_docks;
    QList<QDockWidget *> m_raised;   // the tabs in front when the panels show
    QList<QDockWidget *> m_columns;  // the docks side by side
    QTreeWidget *m_stack;
    QLabel *m_frameSource;
    CVariablesTree *m_variables;
    CVariablesTree *m_watches;
    QLineEdit *m_watchLine;
    QStringList m_watchList;
    CDebugConsole *m_console;
    CTerminalPane *m_output;
    CTerminalPane *m_errors;
    COutputBuffer *m_outputBuffer;
    COutputBuffer *m_errorsBuffer;
    CPaneFeeder *m_outputFeeder;
    CPaneFeeder *m_errorsFeeder;
};

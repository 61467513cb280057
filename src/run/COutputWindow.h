#pragma once

#include "CErrorLineParser.h"
#include "CProcessListener.h"

#include <QDialog>
#include <QFont>

#include <array>
#include <atomic>
#include <memory>
#include <thread>

class CPipe;
class CRunningProgram;
class COutputBuffer;
class CPaneFeeder;
class CScriptInputsDlg;
class CSendInputDlg;
class CSpillFile;
class CTerminalPane;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTextBlock;
class QTimer;

// The modal window in which a locally started script, compiler or debugger
// runs: its standard output and standard error in two transcript panes filled
// live by two reader threads, and a status line that counts the seconds of
// the run and then reports the exit code. The user types the script's input
// at the end of the output pane. Each pane keeps the latest text; every byte
// of each stream is kept in a spill file, which Save Output writes whole.
// The creator sets the process and the three pipes, stores the window as the
// process's listener and shows it; the readers start when it is first shown.
// Closing it while the script runs asks first; closing stops the readers,
// kills a live child and waits until the readers and the process's waiter
// are done with the window.
class COutputWindow : public QDialog, public CProcessListener
{
    Q_OBJECT

public:
    enum Stream { StdOut = 0, StdErr = 1 };
    // The most text each pane keeps. Removing the oldest lines from a text
    // document now and then costs time in proportion to all it holds (it
    // compacts its whole text): at 2 MB that stays a few tens of milliseconds.
    static constexpr qsizetype StdoutLimit = 2 * 1024 * 1024;
    static constexpr qsizetype StderrLimit = 2 * 1024 * 1024;

    explicit COutputWindow(QWidget *parent = nullptr);
    ~COutputWindow() override;

    // Set by the creator before the window is shown; not owned.
    CRunningProgram *m_pProcess = nullptr;
    CPipe *m_pStdinPipe = nullptr;
    CPipe *m_pStdoutPipe = nullptr;
    CPipe *m_pStderrPipe = nullptr;

    // Sets the program and its three pipes and becomes the program's listener.
    void attach(CRunningProgram &program, CPipe &stdinPipe, CPipe &stdoutPipe, CPipe &stderrPipe);

    // Shows the run's input read-only (View Inputs).
    CScriptInputsDlg &inputsViewer() const { return *m_inputsViewer; }
    CSendInputDlg &sendInputDlg() const { return *m_sendInputDlg; }
    // False when the run has already closed the script's input (the
    // output pane then takes no typing). Set before the window is shown.
    void setStdinOpen(bool open) { m_bStdinOpen = open; }
    // Where the spill files go; the temporary folder unless set before the window is shown.
    void setSpillFolder(const QString &folder) { m_spillFolder = folder; }
    void setPaneFont(const QFont &font);

    // Called on the process's waiter thread.
    void OnProcessCompleted() override;

    CTerminalPane *pane(Stream s) const { return m_streams[s].pane; }
    QLineEdit *statusLine() const { return m_status; }
    QMenuBar *menuBar() const { return m_menuBar; }
    QPushButton *inBrowserButton() const { return m_inBrowser; }
    // Both streams have ended (or were stopped) and all their text is in the panes.
    bool isOutputComplete() const { return m_bOutputComplete; }
    // The status line reports the exit code.
    bool isCompletionReported() const { return m_bReported; }
    bool isScriptRunning() const;

    // Writes every byte the stream has brought so far to `path`; empty on
    // success, else why it failed.
    QString saveStream(Stream s, const QString &path) const;

    // The most text a pane keeps (StdoutLimit and StderrLimit unless set).
    void setPaneLimit(Stream s, qsizetype chars);

    // Lines of either pane that name this script and one of its lines become links.
    void setScriptPath(const QString &path);
    // The script line a pane's text block links to; 0 when it is no link.
    static int linkedLine(const QTextBlock &block);
    // Goes to the linked line: tells the editor, and closes the window once the run has completed.
    void activateLink(int line);

    static QString completedText(long exitCode);
    static QString stillActiveText();
    static QString runningText(qint64 seconds);
    static QString stillRunningQuestion();

public slots:
    void OnFont();
    void OnViewInputs();
    void OnSendInput();
    void OnRefresh();
    void OnSaveOutput();
    void OnSaveErrors();
    void OnInBrowser();
    void OnClose();
    // Closes without asking, killing a script that still runs.
    void stopAndClose();
    // Every way of dismissing the window ends here and takes the close steps;
    // while the script runs it asks first.
    void done(int result) override;

signals:
    // On the window's thread, once the status line reports the end.
    void processCompleted(long exitCode);
    // All text of both streams has reached the panes.
    void outputComplete();
    // A batch of text went into a pane.
    void textShown(COutputWindow::Stream stream);
    // The user chose a link to the script's line (counted from 1).
    void errorLineActivated(int line);
    // In Browser: the body of the script's CGI response.
    void inBrowserRequested(const QByteArray &body);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct StreamState
    {
        CTerminalPane *pane = nullptr;
        COutputBuffer *buffer = nullptr;
        CPaneFeeder *feeder = nullptr;
        std::unique_ptr<CSpillFile> spill;
        std::thread reader;
        CErrorLineParser links;
        int linkCount = 0;
    };

    void initialise();
    void readerLoop(StreamState *st, CPipe *pipe);
    void sendTyped(const QString &text);
    void endInput();
    void saveWithDialog(Stream s, const QString &title);
    void judgeCgiResponse();
    void tick();
    void markLinks(StreamState &st, QStringView text, qsizetype position);
    bool handlePaneEvent(QPlainTextEdit *pane, QEvent *event);
    void checkOutputComplete();
    void reportCompletion(long exitCode);
    void closeSteps();
    void layoutPanes();
    void showMessage(const QString &text);

    std::array<StreamState, 2> m_streams;
    QMenuBar *m_menuBar;
    QWidget *m_client;
    QLineEdit *m_status;
    CScriptInputsDlg *m_inputsViewer;
    CSendInputDlg *m_sendInputDlg;
    QPushButton *m_inBrowser;
    QTimer *m_clock;
    qint64 m_startedMs = 0;
    bool m_sendInputPlaced = false;
    bool m_bStdinOpen = true;
    bool m_bForceClose = false;
    int m_cgiVerdict = 0;
    qsizetype m_cgiBodyOffset = 0;
    QString m_spillFolder;
    QFont m_paneFont;

    std::atomic<bool> m_bReady{false};
    std::atomic<bool> m_bStopReadThread{false};
    std::atomic<bool> m_bClosing{false};
    std::atomic<bool> m_bReported{false};
    bool m_bInitialised = false;
    bool m_bClosed = false;
    bool m_bOutputComplete = false;
};

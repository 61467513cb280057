#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class CMainFrame;
class CPerlFunctionsDlg;
class CTearOffFrame;
class QProcess;

// The list and extra windows around the editor: the variable lists, the Perl
// functions window (created hidden with the frame), Tear Off and In Browser.
// Owned by the main frame; windows still open when it goes are closed with it.
class CEditorWindows : public QObject
{
    Q_OBJECT

public:
    // Connects View > "&Variables", "&Functions", "Tear &Off" and "In &Browser".
    static CEditorWindows *install(CMainFrame &frame);
    ~CEditorWindows() override;

    CPerlFunctionsDlg *functionsWindow() const { return m_pFunctionsDlg; }
    // The browser most recently started; empty once its window is closed.
    QProcess *lastBrowser() const;
    void setBrowserProgram(const QString &program) { m_strBrowserProgram = program; }

    // Opens the list window of `kind` modally (0 scalars, 1 arrays, 2
    // hashes, 9 the predefined variables).
    void OnViewVariables(int kind);
    void OnViewFunctions();
    CTearOffFrame *OnViewTearOff();
    // Starts a browser window on the saved file; a message when it cannot be started.
    QProcess *OnViewInBrowser();
    void OnUpdateViewInBrowser();

private:
    explicit CEditorWindows(CMainFrame &frame);
    void adopt(QWidget *window);

    CMainFrame &m_frame;
    CPerlFunctionsDlg *m_pFunctionsDlg;
    QPointer<QProcess> m_pBrowser;
    QString m_strBrowserProgram;
    QList<QPointer<QWidget>> m_openWindows;
};

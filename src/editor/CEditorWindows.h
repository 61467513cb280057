#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class CMainFrame;
class CPerlFunctionsDlg;
class CTearOffFrame;
class CWebFrame;

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
    // The browser window most recently opened; empty once it is closed.
    CWebFrame *lastWebFrame() const;

    // Opens the list window of `kind` modally (0 scalars, 1 arrays, 2
    // hashes, 9 the predefined variables).
    void OnViewVariables(int kind);
    void OnViewFunctions();
    CTearOffFrame *OnViewTearOff();
    CWebFrame *OnViewInBrowser();
    void OnUpdateViewInBrowser();

private:
    explicit CEditorWindows(CMainFrame &frame);
    void adopt(QWidget *window);

    CMainFrame &m_frame;
    CPerlFunctionsDlg *m_pFunctionsDlg;
    QPointer<CWebFrame> m_pWebFrame;
    QList<QPointer<QWidget>> m_openWindows;
};

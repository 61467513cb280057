#include "CEditorWindows.h"

#include "CInBrowserRule.h"
#include "COstrakDoc.h"
#include "COstrakView.h"
#include "CPerlFunctionsDlg.h"
#include "CTearOffFrame.h"
#include "CVariablesDlg.h"
#include "CBrowserLauncher.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/COstrakApp.h"

#include <QAction>
#include <QMessageBox>
#include <QProcess>
#include <QTreeView>

CEditorWindows *CEditorWindows::install(CMainFrame &frame)
{
    auto *windows = new CEditorWindows(frame);
    frame.setHandler(ID_VIEW_SCALARS, [windows] { windows->OnViewVariables(0); });
    frame.setHandler(ID_VIEW_ARRAYS, [windows] { windows->OnViewVariables(1); });
    frame.setHandler(ID_VIEW_HASHES, [windows] { windows->OnViewVariables(2); });
    frame.setHandler(ID_VIEW_SPECIAL, [windows] { windows->OnViewVariables(9); });
    frame.setHandler(ID_VIEW_FUNCTIONS, [windows] { windows->OnViewFunctions(); });
    frame.setHandler(ID_VIEW_TEAR_OFF, [windows] { windows->OnViewTearOff(); });
    frame.setHandler(ID_VIEW_IN_BROWSER, [windows] { windows->OnViewInBrowser(); });
    connect(frame.document(), &COstrakDoc::titleChanged, windows, &CEditorWindows::OnUpdateViewInBrowser);
    windows->OnUpdateViewInBrowser();
    return windows;
}

CEditorWindows::CEditorWindows(CMainFrame &frame)
    : QObject(&frame)
    , m_frame(frame)
    // Read once per run, here, while the frame is being built.
    , m_pFunctionsDlg(new CPerlFunctionsDlg(frame.view(), frame.app().dataFile(QStringLiteral("OSTRAK.FNL")),
                                            &frame))
    , m_strBrowserProgram(CBrowserLauncher::defaultProgram())
{
    setObjectName(QStringLiteral("editorWindows"));
}

CEditorWindows::~CEditorWindows()
{
    for (const QPointer<QWidget> &w : std::as_const(m_openWindows))
        delete w.data();
    for (QProcess *browser : findChildren<QProcess *>())
        CBrowserLauncher::stop(browser);
}

QProcess *CEditorWindows::lastBrowser() const
{
    return m_pBrowser.data();
}

void CEditorWindows::adopt(QWidget *window)
{
    m_openWindows.removeAll(QPointer<QWidget>());
    m_openWindows.append(window);
}

void CEditorWindows::OnViewVariables(int kind)
{
    const bool scan = kind >= 0 && kind <= 2;
    CVariablesDlg dialog(kind, scan ? m_frame.view()->bytes() : QByteArray(), &m_frame);
    dialog.exec();
}

void CEditorWindows::OnViewFunctions()
{
    m_pFunctionsDlg->show();
    m_pFunctionsDlg->raise();
    m_pFunctionsDlg->activateWindow();
    m_pFunctionsDlg->list()->setFocus();
}

CTearOffFrame *CEditorWindows::OnViewTearOff()
{
    COstrakView *view = m_frame.view();
    const auto &editorFont = m_frame.app().editorFont();
    auto *frame = new CTearOffFrame(m_frame.document()->title(), view->bytes(),
                                    editorFont ? *editorFont : view->font());
    adopt(frame);
    frame->show();
    return frame;
}

QProcess *CEditorWindows::OnViewInBrowser()
{
    const QString path = m_frame.document()->pathName();
    if (!CInBrowserRule::isEnabled(path))
        return nullptr;
    QProcess *browser = CBrowserLauncher::start(m_strBrowserProgram, path, this);
    if (!browser) {
        QMessageBox::warning(&m_frame, QStringLiteral("Ostrak"),
                             QStringLiteral("Could not run ") + m_strBrowserProgram + QLatin1Char(' ') + path);
        return nullptr;
    }
    m_pBrowser = browser;
    return browser;
}

void CEditorWindows::OnUpdateViewInBrowser()
{
    m_frame.action(ID_VIEW_IN_BROWSER)->setEnabled(CInBrowserRule::isEnabled(m_frame.document()->pathName()));
}

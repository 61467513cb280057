#include "CWebFrame.h"

#include "CWebPageView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

CWebFrame::CWebFrame(const QString &pathName, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_strPathName(pathName)
    , m_pView(new CWebPageView(this))
{
    setObjectName(QStringLiteral("webFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(pathName);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pView);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(screen->availableSize() * 3 / 4);
    m_pView->OnInitialUpdate(pathName);
}

#include "CWebPageView.h"

#include <QUrl>

CWebPageView::CWebPageView(QWidget *parent)
    : QWebEngineView(parent)
{
    setObjectName(QStringLiteral("webPageView"));
}

void CWebPageView::OnInitialUpdate(const QString &pathName)
{
    // fromLocalFile keeps names with "#", "?" or "%" pointing at the file.
    load(QUrl::fromLocalFile(pathName));
}

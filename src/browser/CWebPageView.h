#pragma once

#include <QWebEngineView>

// The browser view of an In Browser window.
class CWebPageView : public QWebEngineView
{
    Q_OBJECT

public:
    explicit CWebPageView(QWidget *parent = nullptr);

    // Shows the file on disk at `pathName` (not the editor's unsaved text).
    void OnInitialUpdate(const QString &pathName);
};

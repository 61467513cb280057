#pragma once

#include <QWidget>

class CWebPageView;

// An In Browser window: the document's file as saved on disk, loaded once
// when the window opens, titled with the document's path. Deletes itself
// when closed.
class CWebFrame : public QWidget
{
    Q_OBJECT

public:
    explicit CWebFrame(const QString &pathName, QWidget *parent = nullptr);

    CWebPageView *view() const { return m_pView; }
    QString pathName() const { return m_strPathName; }

private:
    QString m_strPathName;
    CWebPageView *m_pView;
};

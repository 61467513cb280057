#pragma once

#include "CFileChangeWatcher.h"

#include <QFrame>

class COstrakDoc;
class QLabel;
class QPushButton;

// The bar above the editor that appears when another program has changed
// the open script on disk: Reload loads the file (asking first when the
// editor holds changes of its own), Keep leaves the editor's text as it is.
// A save over such a file always asks first.
class CFileChangeBar : public QFrame
{
    Q_OBJECT

public:
    CFileChangeBar(COstrakDoc *doc, QWidget *parent = nullptr);

    // True when a save to `path` may go on: it is not the watched file, or
    // the file is as the editor last knew it, or the user agrees to overwrite.
    bool confirmOverwrite(const QString &path);
    CFileChangeWatcher &watcher() { return m_watcher; }
    QString text() const;

    void reload();
    void keep();

private:
    void onChanged(bool removed);

    COstrakDoc *m_doc;
    CFileChangeWatcher m_watcher;
    QLabel *m_text;
    QPushButton *m_reload;
};

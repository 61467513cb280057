#pragma once

#include <QObject>
#include <QString>

class COstrakApp;
class COstrakView;

// The one script document: its path, title and modified flag, and its
// storage on disk. The text itself lives in the view.
class COstrakDoc : public QObject
{
    Q_OBJECT

public:
    COstrakDoc(COstrakView *view, COstrakApp &app, QObject *parent = nullptr);

    COstrakView *view() const { return m_view; }
    QString pathName() const { return m_pathName; }
    // The file name, or "Untitled" for a new document.
    QString title() const;

    bool isModified() const;
    void setModified(bool modified);

    // A new script: "#!" + REMOTE_PERL_EXE + CR LF, not modified.
    void OnNewDocument();
    // Loads the file's bytes unchanged. Returns an error text, empty on success;
    // on failure the document is left as it was.
    QString OnOpenDocument(const QString &path);
    // Writes the text's bytes unchanged, atomically. Returns an error text,
    // empty on success; a failed save leaves the old file whole.
    QString OnSaveDocument(const QString &path);

    // A script fetched from an FTP server: the text replaces the editor's,
    // the document is modified, named `path` and remembers `remoteDir`.
    // Nothing is written to disk.
    void loadFromServer(const QByteArray &text, const QString &path, const QString &remoteDir);

    void convertToDos();
    void convertToUnix();

    // The server folder the script was loaded from by FTP; empty otherwise.
    QString m_strRemoteDir;

signals:
    // After every New and Open (the view rebuilds its font and tab width).
    void documentReset();
    void titleChanged();
    // After every successful save.
    void saved();

private:
    void setPathName(const QString &path);
    void replaceWholeText(const QByteArray &bytes);

    COstrakView *m_view;
    COstrakApp &m_app;
    QString m_pathName;
    bool m_forcedModified = false;
};

#pragma once

#include <QObject>

class CFileChangeBar;
class CMainFrame;
class CWordCompleter;

// The editing commands beside the menu's own: Redo, Find Next and Previous,
// Go to Line, word completion and the indentation guides; and the bar that
// tells of a script changed on disk by another program.
class CEditCommands : public QObject
{
    Q_OBJECT

public:
    static CEditCommands *install(CMainFrame &frame);

    // Asks before a save would overwrite another program's changes; true to go on.
    bool confirmOverwrite(const QString &path);
    CFileChangeBar *fileChangeBar() const { return m_bar; }
    CWordCompleter *completer() const { return m_completer; }

    void OnFindAgain(bool backwards);
    void OnGoToLine();

private:
    explicit CEditCommands(CMainFrame &frame);

    CMainFrame &m_frame;
    CWordCompleter *m_completer;
    CFileChangeBar *m_bar;
};

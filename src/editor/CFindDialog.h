#pragma once

#include "CTextFinder.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QsciScintilla;

// The modeless Find and Replace window of the editor. Its notes (a search
// that went round the end, a text not found) show in the window and in the
// status bar of the main window that owns it.
class CFindDialog : public QDialog
{
    Q_OBJECT

public:
    CFindDialog(QsciScintilla *editor, QWidget *parent);

    void setReplaceMode(bool replace);
    // Selects the next match in the chosen direction, going round the end
    // once; false when there is none.
    bool findNext();
    // The same in a given direction (F3 and Shift+F3).
    bool findInDirection(bool backwards);
    bool replaceCurrent();
    // Every match replaced as one undoable step; the count replaced.
    int replaceAll();
    bool hasPattern() const;

private:
    CSearchOptions options() const;
    void showNote(const QString &note);

    QsciScintilla *m_editor;
    CTextFinder m_finder;
    QLineEdit *m_find;
    QLineEdit *m_replace;
    QLabel *m_replaceLabel;
    QCheckBox *m_matchCase;
    QCheckBox *m_wholeWord;
    QCheckBox *m_regex;
    QCheckBox *m_backwards;
    QPushButton *m_replaceButton;
    QPushButton *m_replaceAllButton;
    QLabel *m_status;
};

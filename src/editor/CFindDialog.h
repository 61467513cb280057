#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QsciScintilla;

// The modeless Find and Replace window of the editor.
class CFindDialog : public QDialog
{
    Q_OBJECT

public:
    CFindDialog(QsciScintilla *editor, QWidget *parent);

    void setReplaceMode(bool replace);
    // Selects the next match after the caret; false when there is none.
    bool findNext();
    bool replaceCurrent();
    int replaceAll();

private:
    QsciScintilla *m_editor;
    QLineEdit *m_find;
    QLineEdit *m_replace;
    QLabel *m_replaceLabel;
    QCheckBox *m_matchCase;
    QCheckBox *m_wholeWord;
    QPushButton *m_replaceButton;
    QPushButton *m_replaceAllButton;
    QLabel *m_status;
};

#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// Edit > Go to Line: asks for a line number between 1 and the script's line
// count; OK refuses anything else with a note and leaves the dialog open.
class CGoToLineDlg : public QDialog
{
    Q_OBJECT

public:
    CGoToLineDlg(int lineCount, int currentLine, QWidget *parent = nullptr);

    // The chosen line, from 1.
    int line() const { return m_line; }
    void accept() override;

private:
    int m_lineCount;
    int m_line = 0;
    QLineEdit *m_number;
    QLabel *m_note;
};

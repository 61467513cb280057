#pragma once

#include "CScriptInput.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Specify Script Inputs": edits the saved script input and the request
// method of a CScriptInput. In view mode it shows a run's input read-only.
class CScriptInputsDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CScriptInputsDlg(QWidget *parent = nullptr);

    // The values the dialog starts from and, after OK, holds.
    const CScriptInput &values() const { return m_values; }
    void setValues(const CScriptInput &values);

    bool viewMode() const { return m_bViewMode; }
    void setViewMode(bool on);

    // Fills the controls from the values and shows the dialog modally.
    int exec() override;

    QPlainTextEdit *inputEdit() const { return m_input; }
    QComboBox *methodCombo() const { return m_method; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cgiButton() const { return m_cgi; }
    QPushButton *helpButton() const { return m_help; }

    static QString helpText();

public slots:
    void accept() override;

private:
    void initialise();
    void onMethodChosen(int index);
    void limitInput();
    void OnCgi();
    void OnHelp();

    CScriptInput m_values;
    // The CGI table's pairs, kept by OK only.
    CScriptInput m_cgiEdits;
    bool m_bViewMode = false;

    QPushButton *m_ok;
    QPushButton *m_cancel;
    QPushButton *m_help;
    QPushButton *m_cgi;
    QPushButton *m_eof;
    QComboBox *m_method;
    QPlainTextEdit *m_input;
};

#pragma once

#include <QDialog>

class CScriptInput;
class QTableWidget;

// The CGI button's table: the simulation's 25 parameter names and values,
// which a run passes to the script's environment over the gateway's own.
class CCgiParametersDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CCgiParametersDlg(const CScriptInput &values, QWidget *parent = nullptr);

    // Writes the table into `values`: every row up to the last one with a name.
    void apply(CScriptInput &values) const;
    QTableWidget *table() const { return m_table; }

private:
    QTableWidget *m_table;
};

#pragma once

#include "CReportList.h"

#include <QByteArray>
#include <QDialog>

class QAbstractItemModel;
class QTreeView;

// The list window of the View > "&Variables" commands: the scalars (kind 0),
// arrays (1) or hashes (2) of a copy of the script text, or for any other
// kind Perl's predefined variables. Built anew for every showing.
class CVariablesDlg : public QDialog
{
    Q_OBJECT

public:
    // "&Window" > "&Close".
    static constexpr int ID_WINDOW_CLOSE_VARIABLES = 33016;

    CVariablesDlg(int kind, const QByteArray &text, QWidget *parent = nullptr);

    int kind() const { return m_nKind; }
    QTreeView *list() const { return m_wndList; }
    QAbstractItemModel *model() const;

private:
    void initialise();

    QByteArray m_strText;
    int m_nKind;
    CReportList *m_wndList;
};

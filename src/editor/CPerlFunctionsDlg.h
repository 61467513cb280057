#pragma once

#include "CReportList.h"

#include <QDialog>
#include <QString>

class QModelIndex;
class QTreeView;
class COstrakView;
class CTextTableModel;

// The Perl functions window: the functions list file read once, at its
// creation with the main frame, and kept for the whole run. A double-click
// puts the row's code template into the script at the caret. Closing the
// window only hides it.
class CPerlFunctionsDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kFunctionColumn = 0;
    static constexpr int kDescriptionColumn = 1;
    static constexpr int kTemplateColumn = 2;

    // Reads the functions list at `functionsPath`; `view` receives the templates.
    CPerlFunctionsDlg(COstrakView *view, const QString &functionsPath, QWidget *parent = nullptr);

    QTreeView *list() const { return m_wndList; }
    CTextTableModel *model() const { return m_model; }
    QString chosenTemplate() const { return m_strTemplate; }

    // What a double-click in the list does.
    void OnDblclkList();

signals:
    // F1 on a row: the documentation of its function is wanted.
    void helpRequested(const QString &function);

private:
    void loadFunctions(const QString &path);

    QString m_strTemplate;
    CReportList *m_wndList;
    CTextTableModel *m_model;
    COstrakView *m_pView;
};

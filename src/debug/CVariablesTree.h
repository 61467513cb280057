#pragma once

#include "CDebugVariable.h"

#include <QTreeWidget>

// A tree of variables (the locals of a frame, or the watches): name, value
// and type columns; a container that was sent only in part ends with a row
// that says how many elements are not listed.
class CVariablesTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit CVariablesTree(QWidget *parent = nullptr);

    // Replaces the rows; branches open before stay open when the names match.
    void setVariables(const QList<CDebugVariable> &variables);
    // One row of text instead of variables (PadWalker missing, an error).
    void setMessage(const QString &text);

    static QString notListedText(qint64 count);

private:
    void addRows(QTreeWidgetItem *parent, const QList<CDebugVariable> &variables, const QString &path,
                 const QSet<QString> &open);
    static QString pathOf(const QTreeWidgetItem *item);
};
